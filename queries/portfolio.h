#pragma once

// A holder's portfolio at a report date, across every stock of a data file of several periods,
// and what changed in it since an earlier date.
//
// The holder is known by its written name exactly (see written_names.h). At the date D, every
// stock table (a stock's 十大股东 or 十大流通股东) with a report of D lists the holder's rows
// there, one line a row (two share types are two lines). A stock table without a report of D
// whose latest earlier report lists the holder is listed apart, with that report's date:
// 无该期报告, outside the totals.
//
// Compared with an earlier date S, per stock table with reports of both dates: 新进 (among the
// holders at D, not at S), 退出 (at S, not at D: it may still hold shares below the top holders,
// which the tables do not show), 增持 / 减持 (its rows' shares added up, at two decimals), 不变.
// A stock table without a report of D or of S is 无可比报告, never 新进 nor 退出. Each line is
// one share type of the holder in the stock table: its shares at D and the same type's at S
// (a type held at S alone has a line of its own), so that the lines add up to the totals; the
// status is the stock table's.

#include "holdings/table_text.h"
#include "report_periods.h"

#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace gegu {

class HoldingsTable;
class WrittenNameIndex;

enum class HoldingStatus {
    Held,          // 持有: at D (no comparison)
    NoReport,      // 无该期报告: no report of D; as the latest earlier report lists it
    New,           // 新进
    Exited,        // 退出
    Increased,     // 增持
    Decreased,     // 减持
    Unchanged,     // 不变
    NotComparable, // 无可比报告
};
// The status as the reports write it: 持有, 无该期报告, 新进, 退出, 增持, 减持, 不变, 无可比报告.
QString statusText(HoldingStatus status);

// One line of a portfolio: one share type of the holder in one stock table.
struct Holding {
    double code = 0;  // as a code query compares
    QString codeText; // from the header: its first six characters
    QString stock;    // the stock's name from the header; may be empty
    bool floatHolders = false;
    QStringView table() const { return tableName(floatHolders); }
    // The record the line is about: the stock table of D, or for a stock table without a report
    // of D its latest earlier one; and that record's date.
    qsizetype record = -1;
    ReportDate date = 0;
    // The holder's row there, or -1 where it has none (a line of S alone).
    qsizetype line = -1;
    int rank = 0; // the row's place among the table's rows, 1 the first; 0 without a row
    QString type; // the share type of the row (or of the row at S)
    std::optional<double> shares; // 万股 at D (nullopt without a row)
    std::optional<double> ratio;  // % at D, where the row gives it
    QString sharesText;           // as the row writes them
    QString ratioText;
    QString change; // the row's 增减, as exported

    HoldingStatus status = HoldingStatus::Held;
    // With a comparison: the same share type at S, where the holder had it there.
    qsizetype sinceLine = -1;
    std::optional<double> sinceShares;
    std::optional<double> sinceRatio;
    // The stock table has no report of D: the line is listed apart, outside the totals.
    bool stale = false;
    // Whether the line counts in the totals: a row of D.
    bool counted() const { return line >= 0 && !stale; }

    // The differences at D against S, the missing side counting 0 (ratio: only where a side
    // gives it or the holder is absent there).
    std::optional<double> sharesDifference() const;
    std::optional<double> ratioDifference() const;
};

// What the holder held in each table, and how many stock tables changed how.
struct PortfolioSummary {
    qsizetype stocks = 0; // stocks held at D, in either table
    struct Table {
        qsizetype stocks = 0;
        double shares = 0; // 万股
    };
    Table holders;             // 十大股东
    Table floatHolders;        // 十大流通股东
    qsizetype staleStocks = 0; // stock tables listed apart (无该期报告)
    // Stock tables by status, with a comparison.
    qsizetype newCount = 0, exitedCount = 0, increasedCount = 0, decreasedCount = 0,
              unchangedCount = 0, notComparableCount = 0;
};

struct Portfolio {
    QString holder;
    ReportDate date = 0;  // D
    ReportDate since = 0; // S; 0 without a comparison
    // By code, the holders' table before the float holders', the rows in their tables' order;
    // the lines listed apart (stale) after the others.
    std::vector<Holding> holdings;
    PortfolioSummary summary;
    // Rows of the holder that cannot be read with certainty: cells that are not the five a
    // holder row has, no shares, or a table whose header names no report date. A portfolio
    // with any is not to be shown: its totals would be wrong.
    std::vector<qsizetype> unreadableRows;

    // Whether the holder holds anything at D, listed apart or not.
    bool holdsAnything() const;
};

// What portfolios are read from: the table, its report periods, and its index of written names
// where one has been made (without, the rows' name cells are read in the bytes).
struct PortfolioSource {
    std::shared_ptr<const HoldingsTable> table;
    std::shared_ptr<const ReportPeriods> periods;
    std::shared_ptr<const WrittenNameIndex> names; // may be null
    QString fileName; // the data file, as errors name it; may be empty

    // For a table alone: its periods read now, no index.
    static PortfolioSource of(std::shared_ptr<const HoldingsTable> table);
};

// The portfolio of the holder whose written name is `holder` at `date` (0: the newest report
// date of the file), compared with `since` when that is not 0. Dates that no header names give
// an empty portfolio; a caller checks them first (ReportPeriods::hasDate).
Portfolio portfolio(const PortfolioSource& source, const QString& holder, ReportDate date = 0,
                    ReportDate since = 0);

} // namespace gegu
