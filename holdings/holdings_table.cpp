#include "holdings_table.h"

#include "gbk.h"
#include "runtime_error.h"
#include "text_rules.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace gegu {

namespace {

// The first CR or LF in [p, end), or end.
const char16_t* findLineEnd(const char16_t* p, const char16_t* end) {
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi16('\r');
    const __m128i lf = _mm_set1_epi16('\n');
    for (; end - p >= 8; p += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hit = _mm_or_si128(_mm_cmpeq_epi16(units, cr), _mm_cmpeq_epi16(units, lf));
        if (const int mask = _mm_movemask_epi8(hit))
            return p + __builtin_ctz(unsigned(mask)) / 2;
    }
#endif
    while (p != end && *p != u'\r' && *p != u'\n')
        ++p;
    return p;
}

// Hands out the lines of the decoded file one at a time. A line ends at CR LF, at a lone CR
// or at a lone LF; the end of the text ends a last, unterminated line. Asking for a line when
// none is left is error 62.
class LineReader {
public:
    LineReader(QStringView text, const QString& sourceName) : text_(text), source_(sourceName) {}

    QStringView next() {
        if (pos_ >= text_.size())
            throw RuntimeError(ErrorNumber::InputPastEndOfFile, source_, lineNumber_ + 1);
        ++lineNumber_;
        const char16_t* begin = text_.utf16() + pos_;
        const char16_t* end = text_.utf16() + text_.size();
        const char16_t* p = findLineEnd(begin, end);
        const QStringView line(begin, p);
        if (p != end && *p == u'\r' && p + 1 != end && p[1] == u'\n')
            ++p;
        pos_ = (p == end ? p : p + 1) - text_.utf16();
        return line;
    }

    // 1-based number of the line that next() returned last.
    qint64 lineNumber() const { return lineNumber_; }

    // RoundToLong(value) with the current line named when it overflows.
    qint32 roundToLong(double value) const {
        try {
            return RoundToLong(value);
        } catch (const RuntimeError& e) {
            throw RuntimeError(e.number(), source_, lineNumber_);
        }
    }

private:
    QStringView text_;
    const QString& source_;
    qsizetype pos_ = 0;
    qint64 lineNumber_ = 0;
};

} // namespace

HoldingsTable HoldingsTable::parse(DecodedText text, const QString& sourceName) {
    HoldingsTable table;
    table.text_ = std::move(text);
    LineReader in(QStringView(table.text_.data(), qsizetype(table.text_.size())), sourceName);
    // Room for lines of 16 characters on average; real holder rows are longer. Pages of the
    // room that stays unused are never touched.
    table.lines_.reserve(table.text_.size() / 16 + 16);

    const qint32 lastRecord = in.roundToLong(Val(in.next()));
    // 64-bit counters: a bound of 2^31 - 1 must end the loops, not overflow them.
    for (qint64 r = 0; r <= lastRecord; ++r) {
        Record record{qsizetype(table.lines_.size()), 0, 0};
        const QStringView header = in.next();
        table.lines_.push_back(header);
        const QStringView count = in.next();
        table.lines_.push_back(count);
        const qint32 k = in.roundToLong(Val(count) + 1);
        for (qint64 d = 1; d <= k; ++d)
            table.lines_.push_back(in.next());
        record.linesRead = std::max(k, 0);
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
        return lines_[rec.first];
    return n <= rec.linesRead ? lines_[rec.first + 1 + n] : QStringView();
}

QStringView HoldingsTable::HolderCounts(qsizetype r) const {
    return lines_[record(r).first + 1];
}

std::span<const QStringView> HoldingsTable::holderRows(qsizetype r) const {
    const Record& rec = records_[r];
    if (rec.linesRead < 2)
        return {};
    return std::span(lines_).subspan(rec.first + 3, rec.linesRead - 1);
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
