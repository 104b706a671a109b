#include "history.h"

#include "holdings/holdings_table.h"

#include <algorithm>

namespace gegu {

namespace {

// The sum of a number the rows give; nullopt when none gives it.
template <typename Get>
std::optional<double> sum(const std::vector<HolderPeriod::Row>& rows, Get get) {
    std::optional<double> total;
    for (const HolderPeriod::Row& row : rows) {
        if (const std::optional<double> v = get(row.cells))
            total = total.value_or(0) + *v;
    }
    return total;
}

} // namespace

std::vector<Period> stockPeriods(const HoldingsTable& table, double code) {
    std::vector<Period> periods;
    for (qsizetype r = 0; r < table.recordCount(); ++r) {
        if (table.stockCode(r) == code) {
            const StockHeader header = readStockHeader(table.header(r));
            periods.push_back({r, header.date, header.floatHolders});
        }
    }
    std::stable_sort(periods.begin(), periods.end(),
                     [](const Period& a, const Period& b) { return a.date > b.date; });
    return periods;
}

bool holdsBothTables(const std::vector<Period>& periods) {
    return std::any_of(periods.begin(), periods.end(), [&](const Period& p) {
        return p.floatHolders != periods.front().floatHolders;
    });
}

std::optional<double> HolderPeriod::shares() const {
    return sum(rows, [](const HolderCells& c) { return c.shares; });
}

std::optional<double> HolderPeriod::ratio() const {
    return sum(rows, [](const HolderCells& c) { return c.ratio; });
}

std::vector<HolderPeriod> holderCourse(const HoldingsTable& table, double code, const QString& name,
                                       bool floatHolders) {
    std::vector<HolderPeriod> course;
    const std::vector<Period> periods = stockPeriods(table, code);
    for (auto period = periods.rbegin(); period != periods.rend(); ++period) {
        if (period->floatHolders != floatHolders)
            continue;
        HolderPeriod p{*period, {}};
        int rank = 0;
        for (const QString& row : table.holderRows(period->record)) {
            ++rank;
            const std::optional<HolderCells> cells = readHolderCells(row);
            if (cells && cells->name == name)
                p.rows.push_back({rank, *cells});
        }
        course.push_back(std::move(p));
    }
    return course;
}

} // namespace gegu
