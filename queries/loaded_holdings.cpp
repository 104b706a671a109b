#include "loaded_holdings.h"

#include "holdings/runtime_error.h"

#include <new>
#include <system_error>

namespace gegu {

std::shared_ptr<LoadedHoldings> LoadedHoldings::load(const NativePath& path,
                                                     const LoadOptions& options) {
    const ReadOnlyFile file = openDataFile(path);
    HoldingsTable table = loadHoldingsFile(file, options);
    // The state the file had while it was read: loading checked that it did not change.
    FileState state;
    try {
        state = file.state();
    } catch (const FileError& e) {
        throw runtimeError(e);
    }
    return std::shared_ptr<LoadedHoldings>(new LoadedHoldings(std::move(table), path, state));
}

LoadedHoldings::LoadedHoldings(HoldingsTable table, NativePath path, FileState state)
    : table_(std::move(table)), path_(std::move(path)), state_(state) {}

LoadedHoldings::~LoadedHoldings() {
    indexing_.request_stop();
    if (indexing_.joinable())
        indexing_.join();
}

void LoadedHoldings::makeIndex(std::stop_token stop) {
    try {
        auto index = std::make_unique<NameIndex>(table_, stop);
        if (stop.stop_requested())
            return; // cut short: not the whole table
        index_ = std::move(index);
        indexReady_.store(true, std::memory_order_release);
    } catch (const std::bad_alloc&) {
        // no index: name queries read every row
    } catch (const std::system_error&) {
        // likewise
    }
}

void LoadedHoldings::indexInBackground() {
    if (indexing_.joinable() || index_)
        return;
    try {
        indexing_ = std::jthread([this](std::stop_token stop) { makeIndex(stop); });
    } catch (const std::system_error&) {
        // no thread to spare: name queries read every row
    }
}

void LoadedHoldings::indexNow() {
    if (!indexing_.joinable() && !index_)
        makeIndex({});
}

} // namespace gegu
