#include "query.h"

#include "common/large_allocator.h"
#include "common/parallel.h"
#include "holdings/holdings_table.h"
#include "holdings/runtime_error.h"
#include "holdings/text_rules.h"
#include "name_index.h"

#include <algorithm>
#include <array>
#include <bit>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace gegu {

namespace {

// The first record whose stock code equals code, or -1; the first match wins.
qsizetype findStock(const HoldingsTable& table, double code) {
    qsizetype first = table.recordCount() > 0 ? table.firstLine(0) : 0;
    for (qsizetype r = 0; r < table.recordCount(); ++r) {
        if (Val(Left(LTrim(table.line(first)), 6)) == code)
            return r;
        first = table.endLine(first);
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

// The quote of a record in the name report: characters 7 to 24 of its head line.
QStringView headLineQuote(const HoldingsTable& table, qsizetype first, qsizetype end) {
    return end - first > 2 ? Mid(table.line(first + 2), 7, 18) : QStringView();
}

// The header line of an entry of the name report: "<header>:<quote>)" and CR LF.
qsizetype entryHeadingLength(QStringView header, QStringView quote) {
    return header.size() + 1 + quote.size() + 1 + CrLf.size();
}

struct Search {
    FoundRows rows;
    qsizetype count = 0;
    qsizetype length = 0; // of the entries
};

// Marks the holder rows of records [from, to) whose name field contains the query.
// Asks for the memory at p to be brought into the cache, to be read soon.
inline void prefetch(const void* p) {
#if defined(__GNUC__)
    __builtin_prefetch(p);
#else
    (void)p;
#endif
}

// Marks the holder rows of records [from, to) whose name field contains the query. With an
// index, a row's text is looked at only when its signature holds the query's; the rows that
// pass are gathered a few at a time and their text fetched together, so that waiting for
// memory overlaps.
Search findHolders(const HoldingsTable& table, const NameIndex* index, QStringView query,
                   qsizetype from, qsizetype to) {
    Search s;
    s.rows.firstRecord = from;
    s.rows.endRecord = to;
    if (from >= to)
        return s;
    qsizetype first = table.firstLine(from);
    const qsizetype last =
        to < table.recordCount() ? table.firstLine(to) : table.endLine(table.firstLine(to - 1));
    s.rows.firstLine = first;
    s.rows.bits.assign(size_t((last - first) / 64 + 1), 0);

    struct Candidate {
        qsizetype line;
        qsizetype first; // the record's lines [first, end)
        qsizetype end;
    };
    // A row found: marked, and counted with the stored extent of its line (line end
    // included), which its length never passes, so that its end need not be read.
    qsizetype headingOf = -1;
    qsizetype heading = 0;
    const auto found = [&](const Candidate& c) {
        if (headingOf != c.first) {
            headingOf = c.first;
            heading = entryHeadingLength(table.line(c.first), headLineQuote(table, c.first, c.end));
        }
        const qsizetype bit = c.line - s.rows.firstLine;
        s.rows.bits[size_t(bit / 64)] |= quint64(1) << (bit % 64);
        ++s.count;
        s.length += heading + (table.lineData(c.line + 1) - table.lineData(c.line)) + CrLf.size();
    };
    // A pipeline over the candidates as they come: where a candidate's line starts is fetched
    // first, its text a few candidates later, and it is checked a few after that, when both
    // have arrived.
    constexpr size_t textAhead = 8;
    constexpr size_t checkAhead = 16;
    std::array<Candidate, checkAhead> ring;
    size_t queued = 0;
    const auto fetchText = [&](const Candidate& c) {
        const char16_t* text = table.lineData(c.line);
        prefetch(text);
        prefetch(text + NameFieldWidth); // the field may reach into the next cache line
    };
    const auto check = [&](const Candidate& c) {
        if (nameFieldContains(table.linePrefix(c.line, NameFieldWidth), query))
            found(c);
    };
    const auto enqueue = [&](const Candidate& c) {
        if (queued >= checkAhead)
            check(ring[queued % checkAhead]);
        ring[queued % checkAhead] = c;
        table.prefetchLineStart(c.line);
        if (queued >= textAhead)
            fetchText(ring[(queued - textAhead) % checkAhead]);
        ++queued;
    };
    const auto drain = [&] {
        const size_t waiting = std::min(queued, checkAhead);
        for (size_t i = queued - std::min(queued, textAhead); i < queued; ++i)
            fetchText(ring[i % checkAhead]);
        for (size_t i = queued - waiting; i < queued; ++i)
            check(ring[i % checkAhead]);
    };

    if (!index) {
        // Every row, one after the other: the memory streams in by itself.
        for (qsizetype r = from; r < to; ++r) {
            const qsizetype end = table.endLine(first);
            for (qsizetype line = first + 3; line < end; ++line) {
                if (nameFieldContains(table.linePrefix(line, NameFieldWidth), query))
                    found({line, first, end});
            }
            first = end;
        }
        return s;
    }
    // The candidates, by row in the index, are found in their records as they come.
    qsizetype end = table.endLine(first);
    qsizetype recordRow = index->firstRow(from); // the index's row of the record's first
    const qsizetype toRow = to < table.recordCount() ? index->firstRow(to) : index->rows();
    index->forEachCandidate(NameIndex::signature(query), index->firstRow(from), toRow,
                            [&](qsizetype row) {
                                while (row >= recordRow + std::max<qsizetype>(end - first - 3, 0)) {
                                    recordRow += std::max<qsizetype>(end - first - 3, 0);
                                    first = end;
                                    end = table.endLine(first);
                                }
                                enqueue({first + 3 + (row - recordRow), first, end});
                            });
    drain();
    return s;
}

// Writes into a buffer that has room for the whole report.
class BufferSink : public ReportSink {
public:
    BufferSink(char16_t* begin, char16_t* end) { setBuffer(begin, end); }
    char16_t* end() const { return position(); }

protected:
    void overflow(QStringView) override { Q_UNREACHABLE(); }
};

} // namespace

void Report::writeTo(ReportSink& sink) const {
    switch (kind_) {
    case Kind::StockTable:
        writeStockTable(sink);
        break;
    case Kind::Holders:
        writeHolders(sink);
        break;
    case Kind::UnknownCode:
        sink.put(u"未找到证券代码：");
        sink.put(query_);
        sink.put(CrLf);
        break;
    }
}

void Report::writeStockTable(ReportSink& sink) const {
    const HoldingsTable& table = *table_;
    for (QStringView line : {table.header(record_), table.headLine(record_), TopRule}) {
        sink.put(line);
        sink.put(CrLf);
    }
    for (QStringView row : table.holderRows(record_)) {
        sink.put(row);
        sink.put(CrLf);
    }
    sink.put(BottomRule);
    sink.put(CrLf);
}

template <typename Found> void Report::forEachFoundRow(Found found) const {
    // Only the rows found are visited; each is placed in its record, which is looked up where a
    // row lies past the record before.
    const HoldingsTable& table = *table_;
    qsizetype first = -1;
    qsizetype end = -1;
    for (const FoundRows& rows : rows_) {
        for (size_t w = 0; w < rows.bits.size(); ++w) {
            for (quint64 word = rows.bits[w]; word != 0; word &= word - 1) {
                const qsizetype line = rows.firstLine + qsizetype(w) * 64 + std::countr_zero(word);
                if (line >= end) {
                    first = table.recordFirstLine(line);
                    end = table.endLine(first);
                }
                found(first, end, line);
            }
        }
    }
}

void Report::writeHolders(ReportSink& sink) const {
    const HoldingsTable& table = *table_;
    sink.put(u"股东");
    sink.put(query_);
    sink.put(u"持有：");
    sink.put(CrLf);
    // Each entry: "<header>:<head line, characters 7 to 24>)", then the row; the first line
    // is the same for every entry of a record, and is put together once.
    QString heading;
    qsizetype headingOf = -1;
    forEachFoundRow([&](qsizetype first, qsizetype end, qsizetype line) {
        if (headingOf != first) {
            heading.clear();
            heading += table.line(first);
            heading += u':';
            heading += headLineQuote(table, first, end);
            heading += u')';
            heading += CrLf;
            headingOf = first;
        }
        sink.put(heading);
        sink.put(table.line(line));
        sink.put(CrLf);
    });
    sink.put(CrLf);
}

void Report::forEachRow(const std::function<void(QStringView header, QStringView row)>& row) const {
    const HoldingsTable& table = *table_;
    switch (kind_) {
    case Kind::StockTable:
        for (QStringView holder : table.holderRows(record_))
            row(table.header(record_), holder);
        break;
    case Kind::Holders:
        forEachFoundRow([&](qsizetype first, qsizetype, qsizetype line) {
            row(table.line(first), table.line(line));
        });
        break;
    case Kind::UnknownCode:
        break;
    }
}

Report codeReport(const HoldingsTable& table, qsizetype r) {
    Report report(Report::Kind::StockTable, table, {});
    report.record_ = r;
    report.found_ = true;
    report.length_ = table.header(r).size() + table.headLine(r).size() + TopRule.size() +
                     BottomRule.size() + 4 * CrLf.size();
    for (QStringView row : table.holderRows(r))
        report.length_ += row.size() + CrLf.size();
    return report;
}

Report nameReport(const HoldingsTable& table, QStringView QueryText, const NameIndex* index) {
    Report report(Report::Kind::Holders, table, QueryText);
    // A large search is made in two halves at once: a large table without an index, or with
    // one, many rows whose signature holds the query's.
    constexpr qsizetype largeTable = 65536; // lines
    constexpr qsizetype manyCandidates = 20000;
    const qsizetype records = table.recordCount();
    const bool large =
        records >= 2 && table.lineCount() >= largeTable &&
        (!index || index->estimateCandidates(NameIndex::signature(QueryText)) >= manyCandidates);
    std::vector<Search> searches;
    if (QueryText.size() > NameFieldWidth) {
        // no name field is that long
    } else if (!large) {
        searches.push_back(findHolders(table, index, QueryText, 0, records));
    } else {
        searches.resize(2);
        inParallel(
            [&] { searches[0] = findHolders(table, index, QueryText, 0, records / 2); },
            [&] { searches[1] = findHolders(table, index, QueryText, records / 2, records); });
    }
    report.length_ = 2 + QueryText.size() + 3 + 2 * CrLf.size(); // heading, and the last CR LF
    for (Search& s : searches) {
        report.found_ = report.found_ || s.count > 0;
        report.length_ += s.length;
        report.rows_.push_back(std::move(s.rows));
    }
    return report;
}

Report runQuery(const HoldingsTable& table, QStringView typed, const NameIndex* index) {
    const QStringView QueryText = LTrim(typed);
    const double v = Val(QueryText);
    if (!(v > 0 && v < CodeQueryLimit))
        return nameReport(table, QueryText, index);

    const qsizetype r = findStock(table, v);
    if (r >= 0)
        return codeReport(table, r);
    Report report(Report::Kind::UnknownCode, table, QueryText);
    report.length_ = 8 + QueryText.size() + CrLf.size();
    return report;
}

TextBuffer reportText(const Report& report, qsizetype limit) {
    if (report.maxLength() > limit)
        throw RuntimeError(ErrorNumber::OutOfMemory);
    try {
        // The room left at the end is never written, so it takes no memory.
        TextBuffer text(size_t(report.maxLength()));
        BufferSink sink(text.data(), text.data() + text.size());
        report.writeTo(sink);
        text.resize(size_t(sink.end() - text.data()));
        return text;
    } catch (const std::bad_alloc&) {
        throw RuntimeError(ErrorNumber::OutOfMemory);
    }
}

} // namespace gegu
