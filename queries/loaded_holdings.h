#pragma once

#include "holdings/data_file.h"
#include "holdings/holdings_table.h"
#include "name_index.h"
#include "query.h"

#include <QStringView>
#include <atomic>
#include <memory>
#include <thread>

namespace gegu {

// A data file as loaded: its table, which file it came from and how that file was, and the
// index of its holders' names once made. Loading again makes a new one; the old one lives on
// as long as anyone holds it.
class LoadedHoldings : public std::enable_shared_from_this<LoadedHoldings> {
public:
    // Loads the data file at path. Throws the RuntimeError of loadHoldingsFile.
    static std::shared_ptr<LoadedHoldings> load(const NativePath& path,
                                                const LoadOptions& options = {});
    // Stops making the index, if that is under way, and waits the moment it takes to stop.
    ~LoadedHoldings();
    LoadedHoldings(const LoadedHoldings&) = delete;
    LoadedHoldings& operator=(const LoadedHoldings&) = delete;

    const HoldingsTable& table() const { return table_; }
    // The file as named when it was loaded, and its state then.
    const NativePath& path() const { return path_; }
    const FileState& state() const { return state_; }

    // Makes the index of the holders' names on a thread of its own; until it is ready, a name
    // query reads every row. Without a thread to spare, or memory for the index, there is none.
    void indexInBackground();
    // Makes the index on this thread, now.
    void indexNow();
    // The index, once it is ready; null before.
    const NameIndex* nameIndex() const {
        return indexReady_.load(std::memory_order_acquire) ? index_.get() : nullptr;
    }

    // A query as typed into the query box, answered from this data; the report keeps the data
    // alive as long as it is shown.
    Report query(QStringView typed) const {
        return runQuery(std::shared_ptr<const HoldingsTable>(shared_from_this(), &table_), typed,
                        nameIndex());
    }

private:
    LoadedHoldings(HoldingsTable table, NativePath path, FileState state);
    void makeIndex(std::stop_token stop);

    HoldingsTable table_;
    NativePath path_;
    FileState state_;
    std::unique_ptr<NameIndex> index_;
    std::atomic<bool> indexReady_ = false;
    std::jthread indexing_;
};

} // namespace gegu
