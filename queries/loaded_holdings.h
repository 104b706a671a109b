#pragma once

#include "holdings/data_file.h"
#include "holdings/holdings_table.h"
#include "holdings/runtime_error.h"
#include "name_index.h"
#include "portfolio.h"
#include "query.h"
#include "report_periods.h"
#include "written_names.h"

#include <QStringView>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace gegu {

// What a loaded data file holds, for a person to see which data answers.
struct DataInfo {
    NativePath path;
    qint64 size = 0;       // bytes
    qsizetype records = 0; // tables
    qsizetype stocks = 0;  // distinct stock codes
    qsizetype rows = 0;    // holder rows
    QString oldestDate;    // report dates, yyyy-mm-dd; empty when the headers give none
    QString newestDate;
    qsizetype dates = 0; // distinct report dates
    bool sample = false; // the fictional sample: every header says 示例数据
};

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

    // Makes the index of the holders' names on a thread of its own, then the index of their
    // written names and the report periods for portfolios; until it is ready, a name query reads
    // every row. Without a thread to spare, or memory for the index, there is none.
    void indexInBackground();
    // Makes the index of the holders' names on this thread, now (not the written names').
    void indexNow();
    // The index, once it is ready; null before.
    const NameIndex* nameIndex() const {
        return indexReady_.load(std::memory_order_acquire) ? index_.get() : nullptr;
    }
    // The holder rows by written name, made with the index of names, once it is ready; null
    // before.
    const WrittenNameIndex* writtenNames() const {
        return writtenNamesReady_.load(std::memory_order_acquire) ? writtenNames_.get() : nullptr;
    }
    // Which stock, table and report date every record is, read the first time it is asked for
    // (the index of names asks for it once it is made).
    const ReportPeriods& reportPeriods() const;
    // What portfolios are read from: the table, its periods, the written names once they are
    // there; each keeps this data alive.
    PortfolioSource portfolioSource() const;

    // What the data file holds, worked out the first time it is asked for.
    const DataInfo& info() const;

    // A query as typed into the query box, answered from this data; the report keeps the data
    // alive as long as it is shown.
    Report query(QStringView typed) const { return runQuery(sharedTable(), typed, nameIndex()); }
    // The table, held by whoever holds it as long as they do.
    std::shared_ptr<const HoldingsTable> sharedTable() const {
        return std::shared_ptr<const HoldingsTable>(shared_from_this(), &table_);
    }

private:
    LoadedHoldings(HoldingsTable table, NativePath path, FileState state);
    void makeIndex(std::stop_token stop, bool withWrittenNames);

    HoldingsTable table_;
    NativePath path_;
    FileState state_;
    std::unique_ptr<NameIndex> index_;
    std::atomic<bool> indexReady_ = false;
    std::shared_ptr<const WrittenNameIndex> writtenNames_;
    std::atomic<bool> writtenNamesReady_ = false;
    mutable std::once_flag periodsOnce_;
    mutable std::shared_ptr<const ReportPeriods> periods_;
    std::jthread indexing_;
    mutable std::once_flag infoOnce_;
    mutable DataInfo info_;
};

// The data file in use: loaded once, and loaded again when the file at its path changes (its
// device, inode, size or modification time), since a copy over it rewrites it in place. A file
// that fails to load leaves the data that was there.
class DataFileInUse {
public:
    // Loads the data file at path. Throws the RuntimeError of loading.
    explicit DataFileInUse(NativePath path);

    const std::shared_ptr<LoadedHoldings>& current() const { return current_; }

    enum class Refresh { Unchanged, Reloaded, Failed };
    // Loads the file again if it changed since it was loaded, or since a load of it last
    // failed; the new data's index is made in the background. On failure the old data stays and
    // error, when given, says why.
    Refresh refresh(RuntimeError* error = nullptr);
    // Loads the file again now, whether it changed or not; as refresh() otherwise.
    Refresh reload(RuntimeError* error = nullptr);

private:
    NativePath path_;
    std::shared_ptr<LoadedHoldings> current_;
    // The state of the file when it last failed to load (none for a file that was not there):
    // not tried again until it changes.
    bool failed_ = false;
    std::optional<FileState> failedState_;
};

} // namespace gegu
