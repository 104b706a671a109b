#include "loaded_holdings.h"

#include "holdings/runtime_error.h"
#include "holdings/table_text.h"

#include <QSet>
#include <chrono>
#include <new>
#include <system_error>

namespace gegu {

std::shared_ptr<LoadedHoldings> LoadedHoldings::load(const NativePath& path,
                                                     const LoadOptions& options,
                                                     std::optional<ReadCheck>* check) {
    const ReadOnlyFile file = openDataFile(path);
    std::optional<ReadCheck> checked;
    HoldingsTable table = loadHoldingsFile(file, options, check ? check : &checked);
    // The state the read was checked against: the file did not change while it was read.
    return std::shared_ptr<LoadedHoldings>(
        new LoadedHoldings(std::move(table), path, check ? **check : *checked));
}

LoadedHoldings::LoadedHoldings(HoldingsTable table, NativePath path, ReadCheck check)
    : table_(std::move(table)), path_(std::move(path)), check_(check) {}

LoadedHoldings::~LoadedHoldings() {
    indexing_.request_stop();
    if (indexing_.joinable())
        indexing_.join();
}

void LoadedHoldings::makeIndex(std::stop_token stop, bool withWrittenNames) {
    try {
        auto index = std::make_unique<NameIndex>(table_, stop);
        if (stop.stop_requested())
            return; // cut short: not the whole table
        index_ = std::move(index);
        indexReady_.store(true, std::memory_order_release);
        if (!withWrittenNames)
            return;
        // Then the holders by their written names, for portfolios, and the periods they need.
        reportPeriods();
        auto written = std::make_shared<const WrittenNameIndex>(table_, stop);
        if (stop.stop_requested())
            return;
        writtenNames_ = std::move(written);
        writtenNamesReady_.store(true, std::memory_order_release);
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
        indexing_ = std::jthread([this](std::stop_token stop) { makeIndex(stop, true); });
    } catch (const std::system_error&) {
        // no thread to spare: name queries read every row
    }
}

void LoadedHoldings::indexNow() {
    if (!indexing_.joinable() && !index_)
        makeIndex({}, false);
}

const ReportPeriods& LoadedHoldings::reportPeriods() const {
    std::call_once(periodsOnce_,
                   [this] { periods_ = std::make_shared<const ReportPeriods>(table_); });
    return *periods_;
}

PortfolioSource LoadedHoldings::portfolioSource() const {
    reportPeriods();
    const auto self = shared_from_this();
    const WrittenNameIndex* names = writtenNames();
    return {sharedTable(), std::shared_ptr<const ReportPeriods>(self, periods_.get()),
            names ? std::shared_ptr<const WrittenNameIndex>(self, names) : nullptr,
            displayName(path_)};
}

const DataInfo& LoadedHoldings::info() const {
    std::call_once(infoOnce_, [this] {
        DataInfo& i = info_;
        i.path = path_;
        i.size = check_.state.size;
        i.records = table_.recordCount();
        i.recordCount = table_.hasRecordCount();
        QSet<double> codes;
        QSet<QString> dates;
        i.sample = i.records > 0;
        for (qsizetype r = 0; r < table_.recordCount(); ++r) {
            const QString header = table_.header(r);
            codes.insert(table_.stockCode(r));
            i.rows += qsizetype(table_.holderRows(r).size());
            i.sample = i.sample && header.endsWith(u"示例数据");
            const QString date = readStockHeader(header).date;
            if (date.isEmpty())
                continue;
            dates.insert(date);
            if (i.oldestDate.isEmpty() || date < i.oldestDate)
                i.oldestDate = date;
            if (date > i.newestDate)
                i.newestDate = date;
        }
        i.stocks = codes.size();
        i.dates = dates.size();
    });
    return info_;
}

namespace {

// Whether a file in this state had been left alone long enough for a later change to give
// another state (see ReadCheck): no file at all proves as much.
bool settledNow(const std::optional<FileState>& state, const LoadOptions& options) {
    if (!state)
        return true;
    const qint64 now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                           std::chrono::system_clock::now().time_since_epoch())
                           .count();
    const qint64 quiet =
        std::chrono::duration_cast<std::chrono::nanoseconds>(options.quietTime).count();
    return now - std::max(state->modified, state->changed) >= quiet;
}

} // namespace

DataFileInUse::DataFileInUse(NativePath path, LoadOptions options)
    : path_(std::move(path)), options_(std::move(options)) {
    current_ = LoadedHoldings::load(path_, options_);
    current_->indexInBackground();
}

DataFileInUse::Refresh DataFileInUse::refresh(RuntimeError* error) {
    const std::optional<FileState> now = fileStateAt(path_);
    if (!failed_) {
        if (now == std::optional(current_->state()) && current_->settled())
            return Refresh::Unchanged;
        return reload(error);
    }
    if (now != failed_->state)
        return reload(error);
    if (failed_->settled)
        return Refresh::Unchanged; // as it stood when it failed: not tried until it changes
    // As it stood when it failed, but that proves nothing: tried again, and a failure like the
    // last one is not told again.
    const Failure last = *failed_;
    RuntimeError why(ErrorNumber::DeviceIOError);
    const Refresh again = reload(&why);
    if (again == Refresh::Failed && failed_->state == last.state && why.number() == last.error)
        return Refresh::Unchanged;
    if (again == Refresh::Failed && error)
        *error = why;
    return again;
}

DataFileInUse::Refresh DataFileInUse::reload(RuntimeError* error) {
    // For a file that cannot be opened: how it stood before it was tried.
    const std::optional<FileState> beforeOpen = fileStateAt(path_);
    std::optional<ReadCheck> checked;
    const auto failed = [&](const RuntimeError& e) {
        Failure f;
        f.error = e.number();
        if (checked) {
            // Read whole but not loaded (malformed): the state it was read in.
            f.state = checked->state;
            f.settled = checked->settled;
        } else if (e.number() == ErrorNumber::DeviceIOError) {
            // Changed while it was read, or kept open by a writer: whatever stands there now
            // may load.
            f.state = beforeOpen;
            f.settled = false;
        } else {
            f.state = beforeOpen;
            f.settled = settledNow(beforeOpen, options_);
        }
        failed_ = f;
        if (error)
            *error = e;
        return Refresh::Failed;
    };
    try {
        std::shared_ptr<LoadedHoldings> fresh = LoadedHoldings::load(path_, options_, &checked);
        fresh->indexInBackground();
        current_ = std::move(fresh);
        failed_.reset();
        return Refresh::Reloaded;
    } catch (const RuntimeError& e) {
        return failed(e);
    } catch (const std::bad_alloc&) {
        return failed(RuntimeError(ErrorNumber::OutOfMemory, displayName(path_)));
    }
}

} // namespace gegu
