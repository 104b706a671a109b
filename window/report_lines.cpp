#include "report_lines.h"

#include "holdings/gbk.h"

namespace gegu {

namespace {

// Lines longer than this, in bytes, are counted once and decoded a stretch at a time.
constexpr qsizetype longLineBytes = 16384;

// The bytes of the character at p (each decodes to one UTF-16 unit).
int charBytes(const uchar* p, const uchar* end) {
    return *p < 0x80 ? 1 : gbkCharSize(p, end);
}

} // namespace

const ReportLines::LongLine& ReportLines::longLine(qsizetype i, QByteArrayView bytes) const {
    constexpr size_t kept = 4;
    for (size_t k = 0; k < longLines_.size(); ++k) {
        if (longLines_[k].line == i) {
            // The most recent use first.
            std::rotate(longLines_.begin(), longLines_.begin() + qsizetype(k),
                        longLines_.begin() + qsizetype(k) + 1);
            return longLines_.front();
        }
    }
    LongLine l;
    l.line = i;
    const auto* begin = reinterpret_cast<const uchar*>(bytes.data());
    const uchar* const end = begin + bytes.size();
    for (const uchar* p = begin; p < end; p += charBytes(p, end)) {
        if (l.length % LongLine::step == 0)
            l.byteAt.push_back(p - begin);
        ++l.length;
    }
    if (longLines_.size() == kept)
        longLines_.pop_back();
    longLines_.insert(longLines_.begin(), std::move(l));
    return longLines_.front();
}

qsizetype ReportLines::lineLength(qsizetype i) const {
    const std::optional<QByteArrayView> bytes = report_.lineBytes(i);
    if (!bytes || bytes->size() <= longLineBytes)
        return report_.lineLength(i);
    const std::lock_guard lock(longLinesMutex_);
    return longLine(i, *bytes).length;
}

void ReportLines::appendTo(QString& out, qsizetype i, qsizetype from, qsizetype to) const {
    const std::optional<QByteArrayView> bytes = report_.lineBytes(i);
    if (!bytes || bytes->size() <= longLineBytes) {
        LineSource::appendTo(out, i, from, to);
        return;
    }
    const std::lock_guard lock(longLinesMutex_);
    const LongLine& l = longLine(i, *bytes);
    const auto* begin = reinterpret_cast<const uchar*>(bytes->data());
    const uchar* const end = begin + bytes->size();
    // From the nearest known start before `from`, character by character.
    const uchar* first = begin + l.byteAt[size_t(from / LongLine::step)];
    for (qsizetype u = from / LongLine::step * LongLine::step; u < from; ++u)
        first += charBytes(first, end);
    const uchar* last = first;
    for (qsizetype u = from; u < to; ++u)
        last += charBytes(last, end);
    out += decodeGbk(QByteArrayView(first, last - first));
}

qsizetype ReportLines::charactersBefore(qsizetype i) const {
    std::call_once(counted_, [this] {
        before_.resize(size_t(lineCount()) + 1);
        qint64 n = 0;
        for (qsizetype k = 0; k < lineCount(); ++k) {
            before_[size_t(k)] = n;
            n += report_.lineLength(k);
        }
        before_[size_t(lineCount())] = n;
    });
    return qsizetype(before_[size_t(i)]);
}

} // namespace gegu
