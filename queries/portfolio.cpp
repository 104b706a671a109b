#include "portfolio.h"

#include "holdings/holdings_table.h"
#include "written_names.h"

#include <QSet>
#include <map>

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

bool compared(HoldingStatus status) {
    switch (status) {
    case HoldingStatus::New:
    case HoldingStatus::Exited:
    case HoldingStatus::Increased:
    case HoldingStatus::Decreased:
    case HoldingStatus::Unchanged:
        return true;
    case HoldingStatus::Held:
    case HoldingStatus::NoReport:
    case HoldingStatus::NotComparable:
        break;
    }
    return false;
}

qint64 cents(double value) {
    return qRound64(value * 100);
}

// A row of the holder in a stock table.
struct Row {
    qsizetype line;
    int rank;
    HolderCells cells;
};

// What the holder had in one stock table: its records of D and S, the latest one up to D, and
// its rows in them.
struct StockTable {
    qsizetype atDate = -1;
    qsizetype atSince = -1;
    qsizetype latest = -1;
    std::vector<Row> now;        // at D
    std::vector<Row> then;       // at S
    std::vector<Row> latestRows; // in the latest record up to D, where there is none of D
};

// The rows' shares (or ratios) added up: nullopt when none gives one.
template <typename Get> std::optional<double> sum(const std::vector<const Row*>& rows, Get get) {
    std::optional<double> total;
    for (const Row* row : rows) {
        if (const std::optional<double> v = get(row->cells))
            total = total.value_or(0) + *v;
    }
    return total;
}

std::optional<double> sharesOf(const HolderCells& c) {
    return c.shares;
}
std::optional<double> ratioOf(const HolderCells& c) {
    return c.ratio;
}

} // namespace

QString statusText(HoldingStatus status) {
    switch (status) {
    case HoldingStatus::Held:
        return u"持有"_s;
    case HoldingStatus::NoReport:
        return u"无该期报告"_s;
    case HoldingStatus::New:
        return u"新进"_s;
    case HoldingStatus::Exited:
        return u"退出"_s;
    case HoldingStatus::Increased:
        return u"增持"_s;
    case HoldingStatus::Decreased:
        return u"减持"_s;
    case HoldingStatus::Unchanged:
        return u"不变"_s;
    case HoldingStatus::NotComparable:
        return u"无可比报告"_s;
    }
    return {};
}

std::optional<double> Holding::sharesDifference() const {
    if (!compared(status))
        return std::nullopt;
    return shares.value_or(0) - sinceShares.value_or(0);
}

std::optional<double> Holding::ratioDifference() const {
    if (!compared(status) || (line >= 0 && !ratio) || (sinceLine >= 0 && !sinceRatio))
        return std::nullopt;
    return ratio.value_or(0) - sinceRatio.value_or(0);
}

bool Portfolio::holdsAnything() const {
    return std::any_of(holdings.begin(), holdings.end(),
                       [](const Holding& h) { return h.line >= 0; });
}

PortfolioSource PortfolioSource::of(std::shared_ptr<const HoldingsTable> table) {
    auto periods = std::make_shared<const ReportPeriods>(*table);
    return {std::move(table), std::move(periods), nullptr, {}};
}

Portfolio portfolio(const PortfolioSource& source, const QString& holder, ReportDate date,
                    ReportDate since) {
    const HoldingsTable& table = *source.table;
    const ReportPeriods& periods = *source.periods;
    Portfolio p;
    p.holder = holder;
    if (date == 0 && !periods.dates().empty())
        date = periods.dates().front();
    p.date = date;
    p.since = since;
    if (date == 0)
        return p;

    // The stock tables the holder's rows stand in, by code and table; of each only the records
    // of D, of S and the latest up to D are read.
    std::map<std::pair<double, bool>, StockTable> tables;
    std::pair<double, bool> lastKey{0, false};
    StockTable* last = nullptr;
    for (const qsizetype line : rowsNamed(table, source.names.get(), holder)) {
        const qsizetype r = table.recordOfLine(line);
        const ReportPeriods::Record& record = periods.record(r);
        if (record.date == 0) {
            p.unreadableRows.push_back(line); // in no period
            continue;
        }
        const std::pair<double, bool> key{record.code, record.floatHolders};
        if (!last || key != lastKey) {
            const auto [at, added] = tables.try_emplace(key);
            StockTable& st = at->second;
            if (added) {
                st.atDate = periods.recordAt(key.first, key.second, date);
                st.atSince = since != 0 ? periods.recordAt(key.first, key.second, since) : -1;
                st.latest =
                    st.atDate >= 0 ? st.atDate : periods.latestUpTo(key.first, key.second, date);
            }
            last = &st;
            lastKey = key;
        }
        StockTable& st = *last;
        const bool now = r == st.atDate;
        const bool then = since != 0 && r == st.atSince;
        const bool latest = st.atDate < 0 && r == st.latest;
        if (!now && !then && !latest)
            continue;
        const QString text = table.line(line);
        const std::optional<HolderCells> cells = readHolderCells(text);
        if (!cells || !cells->shares || cells->name != holder) {
            if (writtenName(text) == holder)
                p.unreadableRows.push_back(line);
            continue;
        }
        const Row row{line, int(line - table.firstLine(r) - 2), *cells};
        if (now)
            st.now.push_back(row);
        if (then)
            st.then.push_back(row);
        if (latest)
            st.latestRows.push_back(row);
    }
    std::sort(p.unreadableRows.begin(), p.unreadableRows.end());

    std::vector<Holding> stale;
    QSet<double> heldStocks, heldHolders, heldFloat, staleStocks;
    for (const auto& [key, st] : tables) {
        const bool current = st.atDate >= 0;
        const std::vector<Row>& shown = current ? st.now : st.latestRows;
        static const std::vector<Row> none;
        const std::vector<Row>& earlier = since != 0 ? st.then : none;
        if (shown.empty() && earlier.empty())
            continue;
        HoldingStatus status = HoldingStatus::Held;
        if (since == 0) {
            status = current ? HoldingStatus::Held : HoldingStatus::NoReport;
        } else if (!current || st.atSince < 0) {
            if (current && shown.empty())
                continue; // no report of S, and none of the holder at D: nothing to say
            status = HoldingStatus::NotComparable;
        } else if (shown.empty()) {
            status = HoldingStatus::Exited;
        } else if (earlier.empty()) {
            status = HoldingStatus::New;
        } else {
            qint64 nowCents = 0, thenCents = 0;
            for (const Row& row : shown)
                nowCents += cents(*row.cells.shares);
            for (const Row& row : earlier)
                thenCents += cents(*row.cells.shares);
            status = nowCents > thenCents   ? HoldingStatus::Increased
                     : nowCents < thenCents ? HoldingStatus::Decreased
                                            : HoldingStatus::Unchanged;
        }

        const qsizetype record = current ? st.atDate : st.latest;
        const StockHeader header = readStockHeader(table.header(record));
        Holding base;
        base.code = key.first;
        base.codeText = header.code;
        base.stock = header.name;
        base.floatHolders = key.second;
        base.record = record;
        base.date = periods.record(record).date;
        base.status = status;
        base.stale = !current;
        std::vector<Holding>& out = current ? p.holdings : stale;

        // One line a share type: each row of D (or of the latest report), the same type's rows
        // at S beside the first of its type; the types held at S alone after them.
        std::vector<bool> matched(earlier.size(), false);
        const auto sameType = [&](const QString& type) {
            std::vector<const Row*> rows;
            for (size_t i = 0; i < earlier.size(); ++i) {
                if (!matched[i] && earlier[i].cells.type == type) {
                    rows.push_back(&earlier[i]);
                    matched[i] = true;
                }
            }
            return rows;
        };
        for (const Row& row : shown) {
            Holding h = base;
            h.line = row.line;
            h.rank = row.rank;
            h.type = row.cells.type;
            h.shares = row.cells.shares;
            h.ratio = row.cells.ratio;
            h.sharesText = row.cells.sharesText;
            h.ratioText = row.cells.ratioText;
            h.change = row.cells.change;
            const std::vector<const Row*> before = sameType(row.cells.type);
            if (!before.empty()) {
                h.sinceLine = before.front()->line;
                h.sinceShares = sum(before, sharesOf);
                h.sinceRatio = sum(before, ratioOf);
            }
            out.push_back(std::move(h));
        }
        for (size_t i = 0; i < earlier.size(); ++i) {
            if (matched[i])
                continue;
            const std::vector<const Row*> before = sameType(earlier[i].cells.type);
            Holding h = base;
            h.type = earlier[i].cells.type;
            h.sinceLine = before.front()->line;
            h.sinceShares = sum(before, sharesOf);
            h.sinceRatio = sum(before, ratioOf);
            out.push_back(std::move(h));
        }

        PortfolioSummary& s = p.summary;
        switch (status) {
        case HoldingStatus::New:
            ++s.newCount;
            break;
        case HoldingStatus::Exited:
            ++s.exitedCount;
            break;
        case HoldingStatus::Increased:
            ++s.increasedCount;
            break;
        case HoldingStatus::Decreased:
            ++s.decreasedCount;
            break;
        case HoldingStatus::Unchanged:
            ++s.unchangedCount;
            break;
        case HoldingStatus::NotComparable:
            ++s.notComparableCount;
            break;
        case HoldingStatus::Held:
        case HoldingStatus::NoReport:
            break;
        }
        if (!current) {
            if (!shown.empty())
                staleStocks.insert(key.first);
            continue;
        }
        PortfolioSummary::Table& t = key.second ? s.floatHolders : s.holders;
        for (const Row& row : shown) {
            t.shares += *row.cells.shares;
            heldStocks.insert(key.first);
            (key.second ? heldFloat : heldHolders).insert(key.first);
        }
    }
    p.summary.stocks = heldStocks.size();
    p.summary.holders.stocks = heldHolders.size();
    p.summary.floatHolders.stocks = heldFloat.size();
    p.summary.staleStocks = staleStocks.size();
    p.holdings.insert(p.holdings.end(), std::make_move_iterator(stale.begin()),
                      std::make_move_iterator(stale.end()));
    return p;
}

} // namespace gegu
