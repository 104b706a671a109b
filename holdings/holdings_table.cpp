#include "holdings_table.h"

#include "gbk.h"
#include "parallel.h"
#include "runtime_error.h"
#include "text_rules.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace gegu {

namespace {

using LineStarts = std::vector<qsizetype, LargeAllocator<qsizetype>>;

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

// Appends the start of every line that begins in [from, to) of the text; from is a line
// start. A line ends at CR LF, at a lone CR or at a lone LF; the end of the text ends a last,
// unterminated line. A new line starts after every LF and after every CR that no LF follows.
void findLineStarts(QStringView text, qsizetype from, qsizetype to, LineStarts& starts) {
    if (from >= to)
        return;
    starts.push_back(from);
    const char16_t* const base = text.utf16();
    const auto addStart = [&](qsizetype start) {
        if (start < to)
            starts.push_back(start);
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

// Where every line of the text starts, then the end of the text; a long text is searched in
// two halves at once.
LineStarts lineStartsOf(QStringView text) {
    LineStarts starts;
    // Room for lines of 16 characters on average; holder rows are longer, and the pages of the
    // room that stays unused are never touched.
    starts.reserve(size_t(text.size() / 16 + 16));
    const qsizetype middle = lineStartNearMiddle(text);
    if (middle < 0) {
        findLineStarts(text, 0, text.size(), starts);
    } else {
        LineStarts second;
        second.reserve(size_t((text.size() - middle) / 16 + 16));
        inParallel([&] { findLineStarts(text, 0, middle, starts); },
                   [&] { findLineStarts(text, middle, text.size(), second); });
        starts.insert(starts.end(), second.begin(), second.end());
    }
    starts.push_back(text.size());
    return starts;
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

HoldingsTable HoldingsTable::parse(DecodedText text, const QString& sourceName) {
    HoldingsTable table;
    table.text_ = std::move(text);
    table.lineStarts_ =
        lineStartsOf(QStringView(table.text_.data(), qsizetype(table.text_.size())));
    LineReader in(table, qsizetype(table.lineStarts_.size()) - 1, sourceName);

    const qint32 lastRecord = in.roundToLong(Val(in.next()));
    // A 64-bit counter: a bound of 2^31 - 1 must end the loop, not overflow it.
    for (qint64 r = 0; r <= lastRecord; ++r) {
        Record record{in.index(), 0, 0};
        const QStringView header = in.next();
        const qint32 k = in.roundToLong(Val(in.next()) + 1);
        record.linesRead = std::max(k, 0);
        in.skip(record.linesRead); // the head line and the holder rows
        record.stockCode = Val(Left(LTrim(header), 6));
        table.records_.push_back(record);
    }
    return table;
}

const HoldingsTable::Record& HoldingsTable::record(qsizetype r) const {
    if (r < 0 || r >= recordCount())
        throw RuntimeError(ErrorNumber::SubscriptOutOfRange);
    return records_[r];
}

QStringView HoldingsTable::HoldingLines(qsizetype r, qsizetype n) const {
    const Record& rec = record(r);
    if (n < 0)
        throw RuntimeError(ErrorNumber::SubscriptOutOfRange);
    if (n == 0)
        return line(rec.first);
    return n <= rec.linesRead ? line(rec.first + 1 + n) : QStringView();
}

QStringView HoldingsTable::HolderCounts(qsizetype r) const {
    return line(record(r).first + 1);
}

HoldingsTable::Lines HoldingsTable::holderRows(qsizetype r) const {
    const Record& rec = records_[r];
    return {this, rec.first + 3, std::max(rec.linesRead - 1, 0)};
}

HoldingsTable loadHoldingsFile(const QString& path) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        throw RuntimeError(ErrorNumber::FileNotFound, path);
    DecodedText text;
    if (!decodeGbkFile(file, text))
        throw RuntimeError(ErrorNumber::FileNotFound, path);
    return HoldingsTable::parse(std::move(text), path);
}

QString findDataFile() {
    const QString name = DataFileName.toString();
    if (QFileInfo(name).isFile() || !QCoreApplication::instance())
        return name;
    const QString besideProgram = QDir(QCoreApplication::applicationDirPath()).filePath(name);
    return QFileInfo(besideProgram).isFile() ? besideProgram : name;
}

HoldingsTable LoadHoldings() {
    return loadHoldingsFile(findDataFile());
}

} // namespace gegu
