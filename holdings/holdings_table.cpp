#include "holdings_table.h"

#include "common/parallel.h"
#include "runtime_error.h"
#include "text_rules.h"

#include <algorithm>
#include <atomic>
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace gegu {

namespace {

#if defined(__SSE2__)
// Bit i set where byte i of p[0..63] equals c.
Q_ALWAYS_INLINE quint64 positions64(const char* p, __m128i c) {
    quint64 mask = 0;
    for (int i = 0; i < 64; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        mask |= quint64(quint16(_mm_movemask_epi8(_mm_cmpeq_epi8(a, c)))) << i;
    }
    return mask;
}
#endif

// Whether the byte at p ends a line: an LF, or a CR that no LF follows.
bool isLineEnd(QByteArrayView bytes, qsizetype p) {
    const char* const base = bytes.data();
    return base[p] == '\n' || (base[p] == '\r' && (p + 1 == bytes.size() || base[p + 1] != '\n'));
}

#if defined(__SSE2__)
// Bit i set where byte p + i ends a line, for the 64 bytes from p.
Q_ALWAYS_INLINE quint64 lineEnds64(QByteArrayView bytes, qsizetype p) {
    const char* const base = bytes.data();
    const quint64 lfs = positions64(base + p, _mm_set1_epi8('\n'));
    const quint64 crs = positions64(base + p, _mm_set1_epi8('\r'));
    const bool lfFollows = p + 64 < bytes.size() && base[p + 64] == '\n';
    return lfs | (crs & ~((lfs >> 1) | (quint64(lfFollows) << 63)));
}
#endif

// Calls found(start) for the start of every line that begins in [from, to) of the bytes; from
// is a line start. A line ends at CR LF, at a lone CR or at a lone LF; the end of the bytes ends
// a last, unterminated line. A new line starts after every LF and after every CR that no LF
// follows. (CR and LF never stand inside a GBK character.)
template <typename Found>
void forEachLineStart(QByteArrayView bytes, qsizetype from, qsizetype to, Found found) {
    if (from >= to)
        return;
    found(from);
    const auto addStart = [&](qsizetype start) {
        if (start < to)
            found(start);
    };
    qsizetype p = from;
#if defined(__SSE2__)
    // 64 bytes at a time: a mask of the line ends, then one step per line.
    for (; to - p >= 64; p += 64) {
        for (quint64 ends = lineEnds64(bytes, p); ends != 0; ends &= ends - 1)
            addStart(p + std::countr_zero(ends) + 1);
    }
#endif
    for (; p < to; ++p) {
        if (isLineEnd(bytes, p))
            addStart(p + 1);
    }
}

// A line start near the middle of a long text, or -1: right after an LF, or after a CR that
// no LF follows, so that no CR LF pair is cut.
qsizetype lineStartNearMiddle(QByteArrayView bytes) {
    constexpr qsizetype longText = qsizetype(1) << 20;
    if (bytes.size() < longText)
        return -1;
    for (qsizetype i = bytes.size() / 2; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == '\n' || (bytes[i] == '\r' && bytes[i + 1] != '\n'))
            return i + 1;
    }
    return -1;
}

qsizetype countLineStarts(QByteArrayView bytes, qsizetype from, qsizetype to) {
    qsizetype n = 0;
    forEachLineStart(bytes, from, to, [&](qsizetype) { ++n; });
    return n;
}

// Where every line of the bytes starts, then their end. A long file is handled in two halves at
// once. Room is reserved for a line every 16 bytes (data files have far fewer; memory never
// written to costs nothing), and each half writes its starts as it finds them: the first half
// into the table, the second into a list appended afterwards. A text denser than that (a
// broken or crafted file) is counted first instead, so that its table is allocated once at its
// exact size.
void findLineStarts(QByteArrayView bytes, AscendingOffsets& starts) {
    const qsizetype middle = lineStartNearMiddle(bytes);
    if (middle < 0 || bytes.size() >= starts.fillLimit()) {
        forEachLineStart(bytes, 0, bytes.size(), [&](qsizetype start) { starts.append(start); });
        starts.append(bytes.size());
        return;
    }
    {
        // In small pages: a huge page would round this list up to 2 MiB.
        std::vector<quint32> secondHalf;
        secondHalf.reserve(size_t((bytes.size() - middle) / 16 + 1));
        starts.reserve(bytes.size() / 16 + 2);
        std::atomic<bool> dense = false;
        const auto keep = [&](auto& list, qsizetype start) {
            if (list.size() < list.capacity())
                list.push_back(quint32(start));
            else
                dense.store(true, std::memory_order_relaxed);
        };
        inParallel(
            [&] {
                forEachLineStart(bytes, 0, middle,
                                 [&](qsizetype start) { keep(starts.lowBits(), start); });
            },
            [&] {
                forEachLineStart(bytes, middle, bytes.size(),
                                 [&](qsizetype start) { keep(secondHalf, start); });
            });
        if (!dense) {
            starts.lowBits().insert(starts.lowBits().end(), secondHalf.begin(), secondHalf.end());
            starts.append(bytes.size());
            return;
        }
    }
    starts = AscendingOffsets(starts.lowBitCount());
    qsizetype firstHalf = 0;
    qsizetype secondHalf = 0;
    inParallel([&] { firstHalf = countLineStarts(bytes, 0, middle); },
               [&] { secondHalf = countLineStarts(bytes, middle, bytes.size()); });
    starts.lowBits().resize(size_t(firstHalf + secondHalf + 1));
    quint32* const out = starts.lowBits().data();
    const auto fill = [&](qsizetype from, qsizetype to, quint32* at) {
        forEachLineStart(bytes, from, to, [&](qsizetype start) { *at++ = quint32(start); });
    };
    inParallel([&] { fill(0, middle, out); }, [&] { fill(middle, bytes.size(), out + firstHalf); });
    out[firstHalf + secondHalf] = quint32(bytes.size());
}

// Hands out the lines of the file one at a time; asking for a line when none is left is
// error 62.
class LineReader {
public:
    LineReader(const HoldingsTable& table, qsizetype lineCount, const QString& sourceName)
        : table_(table), lineCount_(lineCount), source_(sourceName) {}

    QByteArrayView next() {
        if (next_ >= lineCount_)
            throw RuntimeError(ErrorNumber::InputPastEndOfFile, source_, next_ + 1);
        return table_.lineBytes(next_++);
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

HoldingsTable HoldingsTable::parse(ByteBuffer bytes, const QString& sourceName, int offsetBits) {
    HoldingsTable table;
    table.bytes_ = std::move(bytes);
    table.lineStarts_ = AscendingOffsets(offsetBits);
    findLineStarts(table.bytes(), table.lineStarts_);
    table.recordStarts_ = LineSet(table.lineCount());
    LineReader in(table, table.lineCount(), sourceName);

    // Val reads the bytes as it would read their text: what it looks at is ASCII, and no
    // other byte decodes to ASCII.
    const QByteArrayView first = in.next();
    table.hasRecordCount_ =
        std::any_of(first.begin(), first.end(), [](char c) { return c >= '0' && c <= '9'; });
    const qint32 lastRecord = in.roundToLong(ValOfGbk(first));
    // A 64-bit counter: a bound of 2^31 - 1 must end the loop, not overflow it.
    for (qint64 r = 0; r <= lastRecord; ++r) {
        table.recordStarts_.add(in.index());
        in.next(); // the header
        const qint32 k = in.roundToLong(ValOfGbk(in.next()) + 1);
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

QString HoldingsTable::HoldingLines(qsizetype r, qsizetype n) const {
    checkRecord(r);
    if (n < 0)
        throw RuntimeError(ErrorNumber::SubscriptOutOfRange);
    const qsizetype first = firstLine(r);
    if (n == 0)
        return line(first);
    const qsizetype linesRead = endLine(first) - first - 2;
    return n <= linesRead ? line(first + 1 + n) : QString();
}

QString HoldingsTable::HolderCounts(qsizetype r) const {
    checkRecord(r);
    return line(firstLine(r) + 1);
}

HoldingsTable::Lines HoldingsTable::holderRows(qsizetype r) const {
    const qsizetype first = firstLine(r);
    return recordRows(*this, first, endLine(first));
}

double HoldingsTable::stockCode(qsizetype r) const {
    return ValOfGbk(gbkLeft(gbkLTrim(lineBytes(firstLine(r))), 6));
}

qsizetype HoldingsTable::lineAt(qint64 offset, qsizetype from) const {
    // Gallops forward from `from`, then halves: hits of a search come in order, mostly close.
    qsizetype low = from;
    qsizetype step = 1;
    qsizetype high = from + 1;
    while (high < lineCount() && lineStarts_[high] <= offset) {
        low = high;
        step *= 2;
        high = std::min(low + step, lineCount());
    }
    while (high - low > 1) {
        const qsizetype mid = low + (high - low) / 2;
        if (lineStarts_[mid] <= offset)
            low = mid;
        else
            high = mid;
    }
    return low;
}

} // namespace gegu
