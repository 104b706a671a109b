#include "holdings_table.h"

#include "common/parallel.h"
#include "gbk.h"
#include "runtime_error.h"
#include "text_rules.h"

#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace gegu {

namespace {

#if defined(__SSE2__)
// Bit i set where unit i of p[0..63] equals c.
quint64 positions64(const char16_t* p, __m128i c) {
    quint64 mask = 0;
    for (int i = 0; i < 64; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 8));
        const __m128i equal = _mm_packs_epi16(_mm_cmpeq_epi16(a, c), _mm_cmpeq_epi16(b, c));
        mask |= quint64(quint16(_mm_movemask_epi8(equal))) << i;
    }
    return mask;
}
#endif

// Calls found(start) for the start of every line that begins in [from, to) of the text; from is
// a line start. A line ends at CR LF, at a lone CR or at a lone LF; the end of the text ends a
// last, unterminated line. A new line starts after every LF and after every CR that no LF
// follows.
template <typename Found>
void forEachLineStart(QStringView text, qsizetype from, qsizetype to, Found found) {
    if (from >= to)
        return;
    found(from);
    const char16_t* const base = text.utf16();
    const auto addStart = [&](qsizetype start) {
        if (start < to)
            found(start);
    };
    qsizetype p = from;
#if defined(__SSE2__)
    // 64 characters at a time: a mask of the line ends, then one step per line.
    const __m128i cr = _mm_set1_epi16('\r');
    const __m128i lf = _mm_set1_epi16('\n');
    for (; to - p >= 64; p += 64) {
        const quint64 lfs = positions64(base + p, lf);
        const quint64 crs = positions64(base + p, cr);
        const bool lfFollows = p + 64 < text.size() && base[p + 64] == u'\n';
        for (quint64 ends = lfs | (crs & ~((lfs >> 1) | (quint64(lfFollows) << 63))); ends != 0;
             ends &= ends - 1)
            addStart(p + std::countr_zero(ends) + 1);
    }
#endif
    for (; p < to; ++p) {
        if (base[p] == u'\n' ||
            (base[p] == u'\r' && (p + 1 == text.size() || base[p + 1] != u'\n')))
            addStart(p + 1);
    }
}

qsizetype countLineStarts(QStringView text, qsizetype from, qsizetype to) {
    qsizetype n = 0;
    forEachLineStart(text, from, to, [&](qsizetype) { ++n; });
    return n;
}

// A line start near the middle of a long text, or -1: right after an LF, or after a CR that
// no LF follows, so that no CR LF pair is cut.
qsizetype lineStartNearMiddle(QStringView text) {
    constexpr qsizetype longText = qsizetype(1) << 20;
    if (text.size() < longText)
        return -1;
    for (qsizetype i = text.size() / 2; i + 1 < text.size(); ++i) {
        if (text[i] == u'\n' || (text[i] == u'\r' && text[i + 1] != u'\n'))
            return i + 1;
    }
    return -1;
}

// Where every line of the text starts, then the end of the text. The lines are counted first,
// so that the table is allocated once at its exact size; a long text is handled in two halves
// at once.
void findLineStarts(QStringView text, AscendingOffsets& starts) {
    const qsizetype middle = lineStartNearMiddle(text);
    if (middle < 0 || text.size() >= starts.fillLimit()) {
        starts.resizeForFill(0);
        forEachLineStart(text, 0, text.size(), [&](qsizetype start) { starts.append(start); });
        starts.append(text.size());
        return;
    }
    qsizetype firstHalf = 0;
    qsizetype secondHalf = 0;
    inParallel([&] { firstHalf = countLineStarts(text, 0, middle); },
               [&] { secondHalf = countLineStarts(text, middle, text.size()); });
    starts.resizeForFill(firstHalf + secondHalf + 1);
    quint32* const out = starts.lowBits();
    const auto fill = [&](qsizetype from, qsizetype to, quint32* at) {
        forEachLineStart(text, from, to, [&](qsizetype start) { *at++ = quint32(start); });
    };
    inParallel([&] { fill(0, middle, out); }, [&] { fill(middle, text.size(), out + firstHalf); });
    out[firstHalf + secondHalf] = quint32(text.size());
}

// Hands out the lines of the file one at a time; asking for a line when none is left is
// error 62.
class LineReader {
public:
    LineReader(const HoldingsTable& table, qsizetype lineCount, const QString& sourceName)
        : table_(table), lineCount_(lineCount), source_(sourceName) {}

    QStringView next() {
        if (next_ >= lineCount_)
            throw RuntimeError(ErrorNumber::InputPastEndOfFile, source_, next_ + 1);
        return table_.line(next_++);
    }

    // Passes over n lines (n >= 0) without looking at them.
    void skip(qint64 n) {
        if (n > lineCount_ - next_)
            throw RuntimeError(ErrorNumber::InputPastEndOfFile, source_, lineCount_ + 1);
        next_ += n;
    }

    // 0-based index of the line that next() returns next.
    qsizetype index() const { return next_; }

    // RoundToLong(value) with the line last read named when it overflows.
    qint32 roundToLong(double value) const {
        try {
            return RoundToLong(value);
        } catch (const RuntimeError& e) {
            throw RuntimeError(e.number(), source_, next_);
        }
    }

private:
    const HoldingsTable& table_;
    qsizetype lineCount_;
    const QString& source_;
    qsizetype next_ = 0;
};

} // namespace

HoldingsTable HoldingsTable::parse(DecodedText text, const QString& sourceName, int offsetBits) {
    HoldingsTable table;
    table.text_ = std::move(text);
    table.lineStarts_ = AscendingOffsets(offsetBits);
    findLineStarts(QStringView(table.text_.data(), qsizetype(table.text_.size())),
                   table.lineStarts_);
    table.recordStarts_ = LineSet(table.lineCount());
    LineReader in(table, table.lineCount(), sourceName);

    const qint32 lastRecord = in.roundToLong(Val(in.next()));
    // A 64-bit counter: a bound of 2^31 - 1 must end the loop, not overflow it.
    for (qint64 r = 0; r <= lastRecord; ++r) {
        table.recordStarts_.add(in.index());
        in.next(); // the header
        const qint32 k = in.roundToLong(Val(in.next()) + 1);
        in.skip(std::max(k, 0)); // the head line and the holder rows
    }
    table.recordStarts_.finish();
    table.recordCount_ = table.recordStarts_.size();
    table.endLine_ = in.index();
    return table;
}

void HoldingsTable::checkRecord(qsizetype r) const {
    if (r < 0 || r >= recordCount_)
        throw RuntimeError(ErrorNumber::SubscriptOutOfRange);
}

QStringView HoldingsTable::HoldingLines(qsizetype r, qsizetype n) const {
    checkRecord(r);
    if (n < 0)
        throw RuntimeError(ErrorNumber::SubscriptOutOfRange);
    const qsizetype first = firstLine(r);
    if (n == 0)
        return line(first);
    const qsizetype linesRead = endLine(first) - first - 2;
    return n <= linesRead ? line(first + 1 + n) : QStringView();
}

QStringView HoldingsTable::HolderCounts(qsizetype r) const {
    checkRecord(r);
    return line(firstLine(r) + 1);
}

HoldingsTable::Lines HoldingsTable::holderRows(qsizetype r) const {
    const qsizetype first = firstLine(r);
    return recordRows(*this, first, endLine(first));
}

double HoldingsTable::stockCode(qsizetype r) const {
    return Val(Left(LTrim(header(r)), 6));
}

} // namespace gegu
