#pragma once

// A stock's report periods in a data file of several periods, and one holder's course over
// them.

#include "holdings/table_text.h"

#include <QString>
#include <vector>

namespace gegu {

class HoldingsTable;

// One report period of a stock: one of its records.
struct Period {
    qsizetype record;
    QString date;              // yyyy-mm-dd from the header; empty when it has none
    bool floatHolders = false; // a table of the float's holders (十大流通股东)
};

// The records of the stock whose code is `code` (as a code query compares: Val of the header's
// first six characters), newest first; records of one date in the file's order.
std::vector<Period> stockPeriods(const HoldingsTable& table, double code);
// Whether the periods hold tables of both kinds, so that a date alone does not tell them apart.
bool holdsBothTables(const std::vector<Period>& periods);

// A holder in one period of a stock: its rows there (two share types make two rows), each with
// its rank in the table (1 for the first row).
struct HolderPeriod {
    Period period;
    struct Row {
        int rank;
        HolderCells cells;
    };
    std::vector<Row> rows; // none: the holder is not among that period's holders

    // The period's shares (万股) and ratio (%), its rows added up; nullopt where the holder is
    // absent or no row says.
    std::optional<double> shares() const;
    std::optional<double> ratio() const;
};

// How the holder whose rows' name cell reads `name` stood in the stock over every period the
// file holds of it, oldest first: in the tables of the float's holders (floatHolders) or in
// those of all holders, never the two mixed (their ratios are of different wholes).
std::vector<HolderPeriod> holderCourse(const HoldingsTable& table, double code, const QString& name,
                                       bool floatHolders = false);

} // namespace gegu
