#pragma once

// Which stock, which of its two tables and which report date each record of a data file is,
// read once from the records' header lines; and, for each stock's table, its records by date.

#include <QString>
#include <QStringView>
#include <optional>
#include <unordered_map>
#include <vector>

namespace gegu {

class HoldingsTable;

// A report date as a number, yyyymmdd; 0 for none.
using ReportDate = qint32;

// The date of yyyy-mm-dd text, the form of a header's date; 0 for text of another form.
ReportDate reportDate(QStringView yyyyMmDd);
// A date as the headers write it, yyyy-mm-dd; empty for 0.
QString reportDateText(ReportDate date);
// A date as a user gives it: 2024-06-30 or 20240630, a day of the calendar; nullopt otherwise.
std::optional<ReportDate> parseReportDate(QStringView text);

class ReportPeriods {
public:
    // Reads every record's header line (readStockHeader), once.
    explicit ReportPeriods(const HoldingsTable& table);

    struct Record {
        double code = 0;     // as a code query compares: Val of the header's first six characters
        ReportDate date = 0; // the header's report date; 0 when it names none
        bool floatHolders = false; // 十大流通股东, else 十大股东
    };
    const Record& record(qsizetype r) const { return records_[size_t(r)]; }
    qsizetype recordCount() const { return qsizetype(records_.size()); }

    // Every report date the headers name, newest first.
    const std::vector<ReportDate>& dates() const { return dates_; }
    bool hasDate(ReportDate date) const;

    // The record of a stock's table of that date: the first in the file, as a code query takes
    // the first record of a code; -1 when the stock has no such table of that date.
    qsizetype recordAt(double code, bool floatHolders, ReportDate date) const;
    // The stock's table of the latest date at or before `date`; -1 when there is none.
    qsizetype latestUpTo(double code, bool floatHolders, ReportDate date) const;

private:
    struct Dated {
        ReportDate date;
        qsizetype record;
    };
    // A stock's table: the code's bits (0 and -0 alike) and the table.
    struct Key {
        quint64 code;
        bool floatHolders;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        size_t operator()(const Key& k) const {
            return size_t(k.code * 0x9E3779B97F4A7C15ULL) ^ size_t(k.floatHolders);
        }
    };
    static Key keyOf(double code, bool floatHolders);
    // The stock table's records, newest first, one a date (the first in the file).
    const Dated* series(double code, bool floatHolders, qsizetype& count) const;

    std::vector<Record> records_;
    std::vector<ReportDate> dates_;
    // Every stock table's dated records, one run after the other.
    std::vector<Dated> dated_;
    // Where each stock table's run starts in dated_, and how long it is.
    std::unordered_map<Key, std::pair<qsizetype, qsizetype>, KeyHash> runs_;
};

} // namespace gegu
