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
    // Whether its first line holds the count of records that a data file begins with: a text
    // without one (a README, a CSV export) loads as one record, but is no data file.
    bool recordCount = true;
};

// A data file as loaded: its table, which file it came from and how that file was, and the
// index of its holders' names once made. Loading again makes a new one; the old one lives on
// as long as anyone holds it.
class LoadedHoldings : public std::enable_shared_from_this<LoadedHoldings> {
public:
    // Loads the data file at path. Throws the RuntimeError of loadHoldingsFile; sets check, when
    // given, as loadHoldingsFile does.
    static std::shared_ptr<LoadedHoldings> load(const NativePath& path,
                                                const LoadOptions& options = {},
                                                std::optional<ReadCheck>* check = nullptr);
    // Stops making the index, if that is under way, and waits the moment it takes to stop.
    ~LoadedHoldings();
    LoadedHoldings(const LoadedHoldings&) = delete;
    LoadedHoldings& operator=(const LoadedHoldings&) = delete;

    const HoldingsTable& table() const { return table_; }
    // The file as named when it was loaded, and the state its read was checked against: the
    // bytes loaded are the file's as long as it stands there in that state, if the state was
    // settled (see ReadCheck).
    const NativePath& path() const { return path_; }
    const FileState& state() const { return check_.state; }
    bool settled() const { return check_.settled; }

    // Makes the index of the holders' names on a thread of its own, then the index of their
    // written names and the report periods for portfolios; until it is ready, a name query reads
    // every row. Without a thread to spare, or memory for the index, there is none.
    void indexInBackground();
    // Makes the index on this thread, now, unless it is there already or being made on a thread
    // of its own (indexInBackground): then it is there when that thread is done, and until then
    // a name query reads every row.
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
    LoadedHoldings(HoldingsTable table, NativePath path, ReadCheck check);
    void makeIndex(std::stop_token stop, bool withWrittenNames);

    HoldingsTable table_;
    NativePath path_;
    ReadCheck check_;
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
// device, inode, size, modification or change time), since a copy over it rewrites it in place.
// What it compares with is the state that the load's read was checked against, never one taken
// afterwards; a state that was not settled (the file had changed just before it was read) proves
// nothing, and the file is loaded again. A file that fails to load leaves the data that was
// there, and is tried again once it changes.
class DataFileInUse {
public:
    // Loads the data file at path. Throws the RuntimeError of loading.
    explicit DataFileInUse(NativePath path, LoadOptions options = {});

    const std::shared_ptr<LoadedHoldings>& current() const { return current_; }
    const NativePath& path() const { return path_; }

    enum class Refresh {
        Unchanged, // the data in use is the file's (also: it failed to load before and still does)
        Reloaded,  // loaded again
        Failed,    // the file changed but fails to load: the old data stays
    };
    // Loads the file again if it changed since it was loaded, or since a load of it last
    // failed; the new data's index is made in the background. On failure the old data stays and
    // error, when given, says why. A file that fails again, as it stood when it failed before,
    // counts as Unchanged: its failure was told already.
    Refresh refresh(RuntimeError* error = nullptr);
    // Loads the file again now, whether it changed or not; as refresh() otherwise.
    Refresh reload(RuntimeError* error = nullptr);

    // How every later load reads the file: tests stop a load at its steps (LoadOptions::step,
    // parsed) and change the file there.
    void setLoadOptions(LoadOptions options) { options_ = std::move(options); }
    const LoadOptions& loadOptions() const { return options_; }

private:
    NativePath path_;
    LoadOptions options_;
    std::shared_ptr<LoadedHoldings> current_;
    // How the file stood when it last failed to load (no state: nothing was there), and whether
    // that proves anything: a file being written, or changed just before, is tried again.
    struct Failure {
        std::optional<FileState> state;
        bool settled = false;
        ErrorNumber error = ErrorNumber::DeviceIOError;
    };
    std::optional<Failure> failed_;
};

} // namespace gegu
