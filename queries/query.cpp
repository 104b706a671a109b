#include "query.h"

#include "holdings/holdings_table.h"
#include "holdings/large_allocator.h"
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

// Whether the query occurs in the name field of a holder row: its first NameFieldWidth
// characters, leading blanks removed.
bool nameFieldContains(QStringView row, QStringView query) {
    const QStringView field = LTrim(Left(row, NameFieldWidth));
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
// report to put, and is called twice, first to measure, then to write. A large report is
// filled through huge pages.
template <typename WriteAll> QString buildReport(WriteAll writeAll) {
    qsizetype length = 0;
    writeAll([&](QStringView piece) { length += piece.size(); });
    QString text(length, Qt::Uninitialized);
    adviseHugePages(text.data(), size_t(length) * sizeof(QChar));
    QChar* out = text.data();
    writeAll([&](QStringView piece) { out = std::copy(piece.begin(), piece.end(), out); });
    Q_ASSERT(out == text.constData() + length);
    return text;
}

struct Match {
    qsizetype record;
    QStringView row;
};

} // namespace

QString codeReport(const HoldingsTable& table, qsizetype r) {
    return buildReport([&](auto put) {
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
}

QueryResult nameReport(const HoldingsTable& table, QStringView QueryText) {
    std::vector<Match> MatchList;
    if (QueryText.size() <= NameFieldWidth) {
        for (qsizetype r = 0; r < table.recordCount(); ++r) {
            for (QStringView row : table.holderRows(r)) {
                if (nameFieldContains(row, QueryText))
                    MatchList.push_back({r, row});
            }
        }
    }

    QString text = buildReport([&](auto put) {
        put(u"股东");
        put(QueryText);
        put(u"持有：");
        put(CrLf);
        // Each entry: "<header>:<head line, characters 7 to 24>)", then the row.
        for (const Match& m : MatchList) {
            put(table.header(m.record));
            put(u":");
            put(Mid(table.headLine(m.record), 7, 18));
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
    if (r < 0)
        return {QStringLiteral("未找到证券代码：%1\r\n").arg(QueryText), false};
    return {codeReport(table, r), true};
}

} // namespace gegu
