#include "query.h"

#include "common/parallel.h"
#include "holdings/gbk.h"
#include "holdings/holdings_table.h"
#include "holdings/runtime_error.h"
#include "holdings/text_rules.h"
#include "name_index.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using namespace Qt::StringLiterals;

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

// The lines of a text: the pieces between its CR LF pairs.
QStringList splitAtCrLf(const QString& text) {
    return text.split(CrLf.toString());
}

// A name query, with the GBK bytes that stand for it where it has them.
struct NameQuery {
    QString text;
    std::optional<QByteArray> bytes;
    // Whether any row can hold it: a character that no bytes decode to is in no row.
    bool possible = true;

    explicit NameQuery(QStringView query) : text(query.toString()), bytes(encodeGbk(query)) {
        if (!bytes) {
            // U+FFFD stands for many byte sequences; any other character without bytes is in
            // no row at all.
            for (QChar c : query) {
                if (c != QChar::ReplacementCharacter && !encodeGbk(QStringView(&c, 1)))
                    possible = false;
            }
        }
    }
};

// Whether a holder row's name field (the bytes of its first NameFieldWidth characters, leading
// blanks removed) holds the query's bytes, starting at one of its characters: the same as
// whether its text holds the query's, since the bytes of whole characters decode the same
// wherever they stand.
bool fieldHoldsBytes(QByteArrayView rowPrefix, QByteArrayView query) {
    const QByteArrayView field = gbkLTrim(rowPrefix);
    if (query.isEmpty())
        return true;
    const auto* p = reinterpret_cast<const uchar*>(field.data());
    const uchar* const end = p + field.size();
    const auto* q = reinterpret_cast<const uchar*>(query.data());
    const qsizetype n = query.size();
    for (const uchar* at = p; end - at >= n; at += gbkCharSize(at, end)) {
        if (*at == q[0] && std::memcmp(at + 1, q + 1, size_t(n - 1)) == 0)
            return true;
    }
    return false;
}

// The same for a query that only decoded text can answer (it holds U+FFFD).
bool fieldHoldsText(QByteArrayView rowPrefix, QStringView query) {
    const QString field = decodeGbk(gbkLTrim(rowPrefix));
    return query.size() <= field.size() && QStringView(field).contains(query);
}

// Whether byte `offset` of a row's first bytes starts one of its characters.
bool startsCharacter(QByteArrayView row, qsizetype offset) {
    const auto* p = reinterpret_cast<const uchar*>(row.data());
    const uchar* const end = p + row.size();
    qsizetype at = 0;
    while (at < offset)
        at += gbkCharSize(p + at, end);
    return at == offset;
}

// Calls hit(at) for offsets in [from, to) of base where needle (two bytes or more) starts, in
// order; hit returns the offset from which to go on looking.
template <typename Hit>
void findAll(const char* base, qsizetype from, qsizetype to, QByteArrayView needle, Hit hit) {
    const qsizetype n = needle.size();
    const char firstByte = needle.front();
    const char lastByte = needle.back();
    qsizetype i = from;
    const auto check = [&](qsizetype at) {
        return std::memcmp(base + at + 1, needle.data() + 1, size_t(n - 2)) == 0;
    };
#if defined(__SSE2__)
    // Sixteen places at a time whose first and last bytes both fit, then the bytes between.
    const __m128i first = _mm_set1_epi8(firstByte);
    const __m128i last = _mm_set1_epi8(lastByte);
    while (to - i >= n + 15) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i + n - 1));
        unsigned mask = unsigned(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last))));
        qsizetype next = i + 16;
        while (mask != 0) {
            const qsizetype at = i + std::countr_zero(mask);
            mask &= mask - 1;
            if (!check(at))
                continue;
            const qsizetype resume = hit(at);
            if (resume > at + 1) {
                // Go on from there: drop the places before it.
                if (resume >= i + 16) {
                    next = resume;
                    break;
                }
                mask &= ~0u << (resume - i);
            }
        }
        i = next;
    }
#endif
    for (; i + n <= to; ++i) {
        if (base[i] == firstByte && base[i + n - 1] == lastByte && check(i)) {
            const qsizetype resume = hit(i);
            i = std::max(i, resume - 1);
        }
    }
}

// The rows found among the lines [firstLine, endLine) of the table: one bit a line.
struct FoundRows {
    qsizetype firstWord = 0; // bit b of words[w] is line (firstWord + w) * 64 + b
    std::vector<quint64> words;

    FoundRows() = default;
    FoundRows(qsizetype firstLine, qsizetype endLine)
        : firstWord(firstLine / 64), words(size_t(endLine / 64 - firstLine / 64 + 1), 0) {}
    void mark(qsizetype line) { words[size_t(line / 64 - firstWord)] |= quint64(1) << (line % 64); }
};

// Asks for the memory at p to be brought into the cache, to be read soon.
inline void prefetch(const void* p) {
#if defined(__GNUC__)
    __builtin_prefetch(p);
#else
    (void)p;
#endif
}

// The holder rows of records [from, to) whose name field holds the query.
FoundRows findHolders(const HoldingsTable& table, const NameIndex* index, const NameQuery& query,
                      qsizetype from, qsizetype to) {
    if (from >= to)
        return {};
    const qsizetype firstLine = table.firstLine(from);
    const qsizetype endLine = table.endLine(table.firstLine(to - 1));
    FoundRows found(firstLine, endLine);
    if (!query.possible)
        return found;
    if (query.text.isEmpty()) {
        // Every row's field holds the empty query.
        for (qsizetype r = from; r < to; ++r) {
            const qsizetype first = table.firstLine(r);
            for (qsizetype line = first + 3; line < table.endLine(first); ++line)
                found.mark(line);
        }
        return found;
    }
    if (!query.bytes) {
        // Only the text can answer: every row's field is decoded.
        for (qsizetype r = from; r < to; ++r) {
            const qsizetype first = table.firstLine(r);
            for (qsizetype line = first + 3; line < table.endLine(first); ++line) {
                if (fieldHoldsText(table.linePrefix(line, NameFieldWidth), query.text))
                    found.mark(line);
            }
        }
        return found;
    }
    const QByteArray& bytes = *query.bytes;
    const auto check = [&](qsizetype line) {
        if (fieldHoldsBytes(table.linePrefix(line, NameFieldWidth), bytes))
            found.mark(line);
    };
    if (index) {
        // The candidates that the index names, a few at a time: where a candidate's line starts
        // is fetched first, its bytes a few candidates later, and it is checked a few after
        // that, when both have arrived.
        constexpr size_t textAhead = 8;
        constexpr size_t checkAhead = 16;
        std::array<qsizetype, checkAhead> ring{};
        size_t queued = 0;
        const auto fetchText = [&](qsizetype line) {
            const char* text = table.lineData(line);
            prefetch(text);
            prefetch(text + 2 * NameFieldWidth); // the field may reach into the next cache line
        };
        qsizetype first = firstLine;
        qsizetype end = table.endLine(first);
        qsizetype recordRow = index->firstRow(from); // the index's row of the record's first
        const qsizetype toRow = to < table.recordCount() ? index->firstRow(to) : index->rows();
        index->forEachCandidate(
            NameIndex::signature(bytes), index->firstRow(from), toRow, [&](qsizetype row) {
                while (row >= recordRow + std::max<qsizetype>(end - first - 3, 0)) {
                    recordRow += std::max<qsizetype>(end - first - 3, 0);
                    first = end;
                    end = table.endLine(first);
                }
                const qsizetype line = first + 3 + (row - recordRow);
                if (queued >= checkAhead)
                    check(ring[queued % checkAhead]);
                ring[queued % checkAhead] = line;
                table.prefetchLineStart(line);
                if (queued >= textAhead)
                    fetchText(ring[(queued - textAhead) % checkAhead]);
                ++queued;
            });
        const size_t waiting = std::min(queued, checkAhead);
        for (size_t i = queued - std::min(queued, textAhead); i < queued; ++i)
            fetchText(ring[i % checkAhead]);
        for (size_t i = queued - waiting; i < queued; ++i)
            check(ring[i % checkAhead]);
        return found;
    }
    if (bytes.size() == 1) {
        // One ASCII character: each row's field is looked at.
        for (qsizetype r = from; r < to; ++r) {
            const qsizetype first = table.firstLine(r);
            for (qsizetype line = first + 3; line < table.endLine(first); ++line)
                check(line);
        }
        return found;
    }
    // The query's bytes, wherever they stand in the records' bytes; each place is then put in
    // its line, which must be a holder row whose name field it starts a character of.
    qsizetype cursor = firstLine;
    findAll(table.bytes().data(), table.lineStart(firstLine), table.lineStart(endLine), bytes,
            [&](qsizetype at) -> qsizetype {
                const qsizetype line = table.lineAt(at, cursor);
                cursor = line;
                const qint64 start = table.lineStart(line);
                const qint64 next = table.lineStart(line + 1);
                if (!table.isHolderRow(line))
                    return next;
                const QByteArrayView prefix = table.linePrefix(line, NameFieldWidth);
                if (at + bytes.size() > start + prefix.size())
                    return next; // past the name field: so is any later place in the line
                if (!startsCharacter(prefix, at - start))
                    return at + 1;
                found.mark(line);
                return next;
            });
    return found;
}

// Writes into a buffer that has room for the whole report.
class BufferSink : public ReportSink {
public:
    BufferSink(char16_t* begin, char16_t* end) { setBuffer(begin, end); }
    char16_t* end() const { return position(); }

protected:
    void overflow(QStringView) override { Q_UNREACHABLE(); }
};

// A non-owning pointer to a table that the caller keeps alive.
std::shared_ptr<const HoldingsTable> borrowed(const HoldingsTable& table) {
    return std::shared_ptr<const HoldingsTable>(std::shared_ptr<const HoldingsTable>(), &table);
}

} // namespace

Report::Report(Kind kind, std::shared_ptr<const HoldingsTable> table, QStringView query)
    : kind_(kind), table_(std::move(table)), query_(query.toString()) {}

qsizetype Report::lineCount() const {
    switch (kind_) {
    case Kind::StockTable:
        return 5 + qsizetype(table_->holderRows(record_).size());
    case Kind::Holders:
        return opening_.size() + 2 * foundCount_ + 2;
    case Kind::UnknownCode:
        return opening_.size() + 1;
    }
    return 0;
}

QString Report::entryHeading(qsizetype first) const {
    // "<header>:<head line, characters 7 to 24>)"
    const qsizetype end = table_->endLine(first);
    QString heading = table_->line(first) + u':';
    if (end - first > 2)
        heading += Mid(table_->line(first + 2), 7, 18);
    return heading + u')';
}

qsizetype Report::foundRow(qsizetype j) const {
    const auto w = size_t(std::upper_bound(foundBefore_.begin(), foundBefore_.end(), j) -
                          foundBefore_.begin() - 1);
    quint64 word = foundBits_[w];
    for (qsizetype skip = j - foundBefore_[w]; skip > 0; --skip)
        word &= word - 1;
    return qsizetype(w) * 64 + std::countr_zero(word);
}

template <typename Found> void Report::forEachFound(Found found) const {
    for (size_t w = 0; w < foundBits_.size(); ++w) {
        for (quint64 word = foundBits_[w]; word != 0; word &= word - 1)
            found(qsizetype(w) * 64 + std::countr_zero(word));
    }
}

qsizetype Report::tableLine(qsizetype k) const {
    const HoldingsTable& table = *table_;
    switch (kind_) {
    case Kind::StockTable: {
        const qsizetype first = table.firstLine(record_);
        if (k == 0)
            return first;
        if (k == 1)
            return table.endLine(first) - first > 2 ? first + 2 : -1;
        const qsizetype rows = qsizetype(table.holderRows(record_).size());
        return k >= 3 && k < 3 + rows ? first + k : -1;
    }
    case Kind::Holders: {
        const qsizetype entry = k - opening_.size();
        if (entry < 0 || entry >= 2 * foundCount_)
            return -1;
        const qsizetype row = foundRow(entry / 2);
        return entry % 2 == 1 ? row : table.recordFirstLine(row);
    }
    case Kind::UnknownCode:
        break;
    }
    return -1;
}

qsizetype Report::recordOf(qsizetype k) const {
    if (kind_ == Kind::StockTable)
        return k >= 0 && k < lineCount() - 1 ? record_ : -1;
    const qsizetype line = tableLine(k);
    return line >= 0 ? table_->recordOfLine(line) : -1;
}

QString Report::line(qsizetype k) const {
    const HoldingsTable& table = *table_;
    switch (kind_) {
    case Kind::StockTable: {
        const qsizetype rows = qsizetype(table.holderRows(record_).size());
        if (k == 0)
            return table.header(record_);
        if (k == 1)
            return table.headLine(record_);
        if (k == 2)
            return TopRule.toString();
        if (k < 3 + rows)
            return table.line(table.firstLine(record_) + k);
        return k == 3 + rows ? BottomRule.toString() : QString();
    }
    case Kind::Holders: {
        if (k < opening_.size())
            return opening_[k];
        const qsizetype entry = k - opening_.size();
        if (entry >= 2 * foundCount_)
            return {};
        const qsizetype row = foundRow(entry / 2);
        return entry % 2 == 1 ? table.line(row) : entryHeading(table.recordFirstLine(row));
    }
    case Kind::UnknownCode:
        return k < opening_.size() ? opening_[k] : QString();
    }
    return {};
}

std::optional<QByteArrayView> Report::lineBytes(qsizetype k) const {
    const qsizetype at = tableLine(k);
    const bool heading = kind_ == Kind::Holders && at >= 0 && (k - opening_.size()) % 2 == 0;
    if (at < 0 || heading)
        return std::nullopt;
    return table_->lineBytes(at);
}

qsizetype Report::lineLength(qsizetype k) const {
    if (const std::optional<QByteArrayView> bytes = lineBytes(k))
        return gbkLength(*bytes);
    const qsizetype at = tableLine(k);
    if (at >= 0) { // a heading
        if (headingLength_.first != at)
            headingLength_ = {at, entryHeading(at).size()};
        return headingLength_.second;
    }
    return line(k).size();
}

void Report::writeTo(ReportSink& sink) const {
    const HoldingsTable& table = *table_;
    // The table's lines are decoded into one buffer, reused.
    QString decoded;
    const auto putLine = [&](qsizetype line) {
        const QByteArrayView bytes = table.lineBytes(line);
        decoded.resize(bytes.size());
        auto* out = reinterpret_cast<char16_t*>(decoded.data());
        sink.put(QStringView(out, decodeGbk(bytes, out) - out));
        sink.put(CrLf);
    };
    const auto putOpening = [&] {
        for (const QString& piece : opening_) {
            sink.put(piece);
            sink.put(CrLf);
        }
    };
    switch (kind_) {
    case Kind::StockTable: {
        const qsizetype first = table.firstLine(record_);
        putLine(first);
        if (table.endLine(first) - first > 2)
            putLine(first + 2);
        else
            sink.put(CrLf);
        sink.put(TopRule);
        sink.put(CrLf);
        for (auto row = table.holderRows(record_).begin(); row != table.holderRows(record_).end();
             ++row)
            putLine(row.lineNumber());
        sink.put(BottomRule);
        sink.put(CrLf);
        break;
    }
    case Kind::Holders: {
        putOpening();
        // The heading is the same for every entry of a record, and is put together once.
        QString heading;
        qsizetype headingOf = -1;
        forEachFound([&](qsizetype row) {
            const qsizetype first = table.recordFirstLine(row);
            if (headingOf != first) {
                heading = entryHeading(first);
                headingOf = first;
            }
            sink.put(heading);
            sink.put(CrLf);
            putLine(row);
        });
        sink.put(CrLf);
        break;
    }
    case Kind::UnknownCode:
        putOpening();
        break;
    }
}

void Report::forEachRow(const std::function<void(qsizetype header, qsizetype row)>& row) const {
    const HoldingsTable& table = *table_;
    switch (kind_) {
    case Kind::StockTable: {
        const qsizetype first = table.firstLine(record_);
        for (auto it = table.holderRows(record_).begin(); it != table.holderRows(record_).end();
             ++it)
            row(first, it.lineNumber());
        break;
    }
    case Kind::Holders:
        forEachFound([&](qsizetype line) { row(table.recordFirstLine(line), line); });
        break;
    case Kind::UnknownCode:
        break;
    }
}

Report codeReport(std::shared_ptr<const HoldingsTable> table, qsizetype r) {
    Report report(Report::Kind::StockTable, std::move(table), {});
    report.record_ = r;
    report.found_ = true;
    return report;
}

Report nameReport(std::shared_ptr<const HoldingsTable> tablePointer, QStringView QueryText,
                  const NameIndex* index) {
    const HoldingsTable& table = *tablePointer;
    Report report(Report::Kind::Holders, std::move(tablePointer), QueryText);
    report.opening_ = splitAtCrLf(u"股东"_s + QueryText.toString() + u"持有："_s);
    const NameQuery query(QueryText);
    // A large search is made in two halves at once: a large table without an index, or with
    // one, many rows whose signature holds the query's.
    constexpr qsizetype largeTable = 65536; // lines
    constexpr qsizetype manyCandidates = 20000;
    const qsizetype records = table.recordCount();
    const bool large =
        records >= 2 && table.lineCount() >= largeTable &&
        (!index || !query.bytes ||
         index->estimateCandidates(NameIndex::signature(*query.bytes)) >= manyCandidates);
    const NameIndex* usedIndex = query.bytes ? index : nullptr;
    std::vector<FoundRows> halves;
    if (QueryText.size() > NameFieldWidth) {
        // no name field is that long
    } else if (!large) {
        halves.push_back(findHolders(table, usedIndex, query, 0, records));
    } else {
        halves.resize(2);
        inParallel([&] { halves[0] = findHolders(table, usedIndex, query, 0, records / 2); },
                   [&] { halves[1] = findHolders(table, usedIndex, query, records / 2, records); });
    }
    // One bit a line of the table, and a count of the rows found before every word.
    report.foundBits_.assign(size_t(table.lineCount() / 64 + 1), 0);
    for (const FoundRows& half : halves) {
        for (size_t w = 0; w < half.words.size(); ++w)
            report.foundBits_[size_t(half.firstWord) + w] |= half.words[w];
    }
    report.foundBefore_.resize(report.foundBits_.size());
    qsizetype count = 0;
    for (size_t w = 0; w < report.foundBits_.size(); ++w) {
        report.foundBefore_[w] = count;
        count += std::popcount(report.foundBits_[w]);
    }
    report.foundCount_ = count;
    report.found_ = count > 0;
    return report;
}

std::optional<double> stockCodeOf(QStringView typed) {
    const double v = Val(LTrim(typed));
    if (v > 0 && v < CodeQueryLimit)
        return v;
    return std::nullopt;
}

Report runQuery(std::shared_ptr<const HoldingsTable> table, QStringView typed,
                const NameIndex* index) {
    const QStringView QueryText = LTrim(typed);
    const std::optional<double> code = stockCodeOf(typed);
    if (!code)
        return nameReport(std::move(table), QueryText, index);

    const qsizetype r = findStock(*table, *code);
    if (r >= 0)
        return codeReport(std::move(table), r);
    Report report(Report::Kind::UnknownCode, std::move(table), QueryText);
    report.opening_ = splitAtCrLf(u"未找到证券代码："_s + QueryText.toString());
    return report;
}

Report runQuery(const HoldingsTable& table, QStringView typed, const NameIndex* index) {
    return runQuery(borrowed(table), typed, index);
}

TextBuffer reportText(const Report& report, qsizetype limit) {
    qsizetype length = 0;
    for (qsizetype k = 0; k < report.lineCount(); ++k)
        length += report.lineLength(k) + (k > 0 ? CrLf.size() : 0);
    if (length > limit)
        throw RuntimeError(ErrorNumber::OutOfMemory);
    try {
        TextBuffer text(static_cast<size_t>(length));
        BufferSink sink(text.data(), text.data() + text.size());
        report.writeTo(sink);
        Q_ASSERT(sink.end() == text.data() + text.size());
        return text;
    } catch (const std::bad_alloc&) {
        throw RuntimeError(ErrorNumber::OutOfMemory);
    }
}

} // namespace gegu
