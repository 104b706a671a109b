#include "query.h"

#include "holdings/holdings_table.h"
#include "holdings/large_allocator.h"
#include "holdings/parallel.h"
#include "holdings/text_rules.h"

#include <algorithm>
#include <bit>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace gegu {

namespace {

// The first record whose stock code equals code, or -1; the first match wins.
qsizetype findStock(const HoldingsTable& table, double code) {
    for (qsizetype r = 0; r < table.recordCount(); ++r) {
        if (table.stockCode(r) == code)
            return r;
    }
    return -1;
}

// Positions p (bit p) in field where field[p] == c, for a field of 8 to 20 characters.
quint32 positionsOf(QStringView field, char16_t c) {
#if defined(__SSE2__)
    // Two or three loads of eight characters cover the field; none reads beyond it.
    const __m128i wanted = _mm_set1_epi16(short(c));
    const auto mask8 = [&](qsizetype at) -> quint32 {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(field.utf16() + at));
        const __m128i equal = _mm_cmpeq_epi16(units, wanted);
        return quint32(_mm_movemask_epi8(_mm_packs_epi16(equal, _mm_setzero_si128())));
    };
    const qsizetype n = field.size();
    quint32 mask = mask8(0) | (mask8(n - 8) << (n - 8));
    if (n > 16)
        mask |= mask8(8) << 8;
    return mask;
#else
    quint32 mask = 0;
    for (qsizetype p = 0; p < field.size(); ++p)
        mask |= quint32(field[p] == c) << p;
    return mask;
#endif
}

// Whether the query occurs in a name field: the first NameFieldWidth characters of a holder
// row, leading blanks removed.
bool nameFieldContains(QStringView rowPrefix, QStringView query) {
    const QStringView field = LTrim(rowPrefix);
    const qsizetype span = field.size() - query.size() + 1; // windows that fit
    if (span <= 0)
        return false;
    if (query.isEmpty())
        return true;
    static_assert(NameFieldWidth <= 32);
    quint32 candidates = 0;
    if (field.size() >= 8) {
        candidates = positionsOf(field, query[0].unicode()) & ((quint32(1) << span) - 1);
    } else {
        for (qsizetype p = 0; p < span; ++p)
            candidates |= quint32(field[p] == query[0]) << p;
    }
    const QStringView rest = query.sliced(1);
    for (; candidates != 0; candidates &= candidates - 1) {
        const qsizetype p = std::countr_zero(candidates);
        if (std::equal(rest.begin(), rest.end(), field.begin() + p + 1))
            return true;
    }
    return false;
}

// Builds a report in one buffer of the exact size: writeAll(put) hands every piece of the
// report to put, and is called twice, first to measure, then to write.
template <typename WriteAll> TextBuffer buildReport(WriteAll writeAll) {
    size_t length = 0;
    writeAll([&](QStringView piece) { length += size_t(piece.size()); });
    TextBuffer text(length);
    char16_t* out = text.data();
    writeAll([&](QStringView piece) {
        out = std::copy(piece.utf16(), piece.utf16() + piece.size(), out);
    });
    Q_ASSERT(out == text.data() + length);
    return text;
}

struct Match {
    qsizetype record;
    QStringView row;
};
using Matches = std::vector<Match, LargeAllocator<Match>>;

// Appends the holder rows of records [from, to) whose name field contains the query.
void findHolders(const HoldingsTable& table, QStringView query, qsizetype from, qsizetype to,
                 Matches& out) {
    for (qsizetype r = from; r < to; ++r) {
        const auto rows = table.holderRows(r);
        const qsizetype end = rows.firstLine() + qsizetype(rows.size());
        for (qsizetype line = rows.firstLine(); line < end; ++line) {
            if (nameFieldContains(table.linePrefix(line, NameFieldWidth), query))
                out.push_back({r, table.line(line)});
        }
    }
}

} // namespace

QueryResult codeReport(const HoldingsTable& table, qsizetype r) {
    TextBuffer ReportText = buildReport([&](auto put) {
        for (QStringView line : {table.header(r), table.headLine(r), TopRule}) {
            put(line);
            put(CrLf);
        }
        for (QStringView row : table.holderRows(r)) {
            put(row);
            put(CrLf);
        }
        put(BottomRule);
        put(CrLf);
    });
    return {std::move(ReportText), true};
}

QueryResult nameReport(const HoldingsTable& table, QStringView QueryText) {
    // A large table is searched in two halves at once.
    constexpr qsizetype largeTable = 65536; // lines
    Matches MatchList;
    const qsizetype records = table.recordCount();
    if (QueryText.size() > NameFieldWidth) {
        // no name field is that long
    } else if (table.lineCount() < largeTable || records < 2) {
        findHolders(table, QueryText, 0, records, MatchList);
    } else {
        Matches second;
        inParallel([&] { findHolders(table, QueryText, 0, records / 2, MatchList); },
                   [&] { findHolders(table, QueryText, records / 2, records, second); });
        MatchList.insert(MatchList.end(), second.begin(), second.end());
    }

    TextBuffer text = buildReport([&](auto put) {
        put(u"股东");
        put(QueryText);
        put(u"持有：");
        put(CrLf);
        // Each entry: "<header>:<head line, characters 7 to 24>)", then the row.
        qsizetype record = -1;
        QStringView header, quote;
        for (const Match& m : MatchList) {
            if (m.record != record) {
                record = m.record;
                header = table.header(record);
                quote = Mid(table.headLine(record), 7, 18);
            }
            put(header);
            put(u":");
            put(quote);
            put(u")");
            put(CrLf);
            put(m.row);
            put(CrLf);
        }
        put(CrLf);
    });
    return {std::move(text), !MatchList.empty()};
}

QueryResult runQuery(const HoldingsTable& table, QStringView typed) {
    const QStringView QueryText = LTrim(typed);
    const double v = Val(QueryText);
    if (!(v > 0 && v < CodeQueryLimit))
        return nameReport(table, QueryText);

    const qsizetype r = findStock(table, v);
    if (r < 0) {
        TextBuffer text = buildReport([&](auto put) {
            put(u"未找到证券代码：");
            put(QueryText);
            put(CrLf);
        });
        return {std::move(text), false};
    }
    return codeReport(table, r);
}

} // namespace gegu
