#include "encoding.h"

#include "common/parallel.h"
#include "holdings/gbk.h"

#include <QStringDecoder>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

constexpr QByteArrayView utf8Mark("\xEF\xBB\xBF");
constexpr QByteArrayView utf16LeMark("\xFF\xFE");
constexpr QByteArrayView utf16BeMark("\xFE\xFF");

// Texts at least this large are checked for UTF-8 in two halves at once.
constexpr qsizetype parallelCheckSize = qsizetype(4) << 20;

// The length of the well-formed UTF-8 sequence that starts at p[0], a byte beyond ASCII, or 0.
int utf8Sequence(const unsigned char* p, qsizetype left) {
    const auto follows = [&](qsizetype k, unsigned low = 0x80, unsigned high = 0xBF) {
        return k < left && p[k] >= low && p[k] <= high;
    };
    const unsigned char b = p[0];
    if (b >= 0xC2 && b <= 0xDF)
        return follows(1) ? 2 : 0;
    if (b == 0xE0)
        return follows(1, 0xA0) && follows(2) ? 3 : 0;
    if (b == 0xED)
        return follows(1, 0x80, 0x9F) && follows(2) ? 3 : 0;
    if (b >= 0xE1 && b <= 0xEF)
        return follows(1) && follows(2) ? 3 : 0;
    if (b == 0xF0)
        return follows(1, 0x90) && follows(2) && follows(3) ? 4 : 0;
    if (b >= 0xF1 && b <= 0xF3)
        return follows(1) && follows(2) && follows(3) ? 4 : 0;
    if (b == 0xF4)
        return follows(1, 0x80, 0x8F) && follows(2) && follows(3) ? 4 : 0;
    return 0;
}

bool isValidUtf8(QByteArrayView bytes) {
    if (bytes.size() < parallelCheckSize)
        return bytes.isValidUtf8();
    // Split at a line end, which no sequence spans.
    const qsizetype split = bytes.indexOf('\n', bytes.size() / 2) + 1;
    if (split <= 0)
        return bytes.isValidUtf8();
    bool valid[2] = {false, false};
    inParallel([&] { valid[0] = bytes.first(split).isValidUtf8(); },
               [&] { valid[1] = bytes.sliced(split).isValidUtf8(); });
    return valid[0] && valid[1];
}

// The offset of the first byte that starts no GBK character, or -1. GBK is ASCII, 0x80 (the
// euro sign of code page 936) and pairs of a lead byte 0x81..0xFE and a trail byte 0x40..0xFE
// other than 0x7F.
qsizetype firstNonGbkByte(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i] <= 0x80)
            continue;
        if (!isGbkLead(p[i]) || gbkCharSize(p + i, p + n) != 2)
            return i;
        ++i;
    }
    return -1;
}

} // namespace

qint64 lineAt(QByteArrayView bytes, qsizetype offset) {
    return bytes.first(std::clamp<qsizetype>(offset, 0, bytes.size())).count('\n') + 1;
}

FoundEncoding findEncoding(QByteArrayView bytes) {
    if (bytes.startsWith(utf8Mark))
        return {TextEncoding::Utf8, utf8Mark.size(), 0, {}};
    if (bytes.startsWith(utf16LeMark))
        return {TextEncoding::Utf16Le, utf16LeMark.size(), 0, {}};
    if (bytes.startsWith(utf16BeMark))
        return {TextEncoding::Utf16Be, utf16BeMark.size(), 0, {}};
    if (isValidUtf8(bytes))
        return {TextEncoding::Utf8, 0, 0, {}};

    // Sequences beyond ASCII that are UTF-8, against bytes that start none.
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    qint64 valid = 0;
    qint64 invalid = 0;
    qsizetype firstInvalid = -1;
    for (qsizetype i = 0; i < bytes.size();) {
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        if (const int n = utf8Sequence(p + i, bytes.size() - i)) {
            ++valid;
            i += n;
        } else {
            ++invalid;
            if (firstInvalid < 0)
                firstInvalid = i;
            ++i;
        }
    }
    if (valid * 10 >= (valid + invalid) * 9)
        return {TextEncoding::Utf8, 0, lineAt(bytes, firstInvalid),
                u"not UTF-8, though the rest of the file is (--encoding gbk reads the file as "
                u"GBK)"_s};
    if (const qsizetype at = firstNonGbkByte(bytes); at >= 0)
        return {TextEncoding::Gbk, 0, lineAt(bytes, at),
                u"neither UTF-8 nor GBK (--encoding utf-8 or gbk says which the file is)"_s};
    return {TextEncoding::Gbk, 0, 0, {}};
}

QByteArray utf16ToUtf8(QByteArrayView bytes, TextEncoding encoding) {
    QStringDecoder decoder(encoding == TextEncoding::Utf16Be ? QStringDecoder::Utf16BE
                                                             : QStringDecoder::Utf16LE);
    return QString(decoder.decode(bytes)).toUtf8();
}

QString decodeField(QByteArrayView bytes, TextEncoding encoding) {
    return encoding == TextEncoding::Gbk ? decodeGbk(bytes) : QString::fromUtf8(bytes);
}

} // namespace gegu
