#include "loaded_holdings.h"

#include "holdings/runtime_error.h"
#include "holdings/table_text.h"

#include <QSet>
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
        i.size = state_.size;
        i.records = table_.recordCount();
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

DataFileInUse::DataFileInUse(NativePath path) : path_(std::move(path)) {
    current_ = LoadedHoldings::load(path_);
    current_->indexInBackground();
}

DataFileInUse::Refresh DataFileInUse::refresh(RuntimeError* error) {
    const std::optional<FileState> now = fileStateAt(path_);
    if (now == std::optional(current_->state()) || (failed_ && now == failedState_))
        return Refresh::Unchanged;
    return reload(error);
}

DataFileInUse::Refresh DataFileInUse::reload(RuntimeError* error) {
    try {
        std::shared_ptr<LoadedHoldings> fresh = LoadedHoldings::load(path_);
        fresh->indexInBackground();
        current_ = std::move(fresh);
        failed_ = false;
        return Refresh::Reloaded;
    } catch (const RuntimeError& e) {
        failed_ = true;
        failedState_ = fileStateAt(path_);
        if (error)
            *error = e;
        return Refresh::Failed;
    } catch (const std::bad_alloc&) {
        failed_ = true;
        failedState_ = fileStateAt(path_);
        if (error)
            *error = RuntimeError(ErrorNumber::OutOfMemory, displayName(path_));
        return Refresh::Failed;
    }
}

} // namespace gegu
