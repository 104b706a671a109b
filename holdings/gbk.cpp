#include "gbk.h"

#include "gbk_system.h"
#include "runtime_error.h"

#include <QStringDecoder>
#include <algorithm>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

constexpr int trailCount = 0xFE - 0x40 + 1;
constexpr int pairCount = 126 * trailCount;
constexpr char16_t noEncoding = 0xFFFF; // never a byte sequence: 0xFF leads no pair

// What the decoder gives for each pair and for the bytes 0x80 and 0xFF, and the way back.
class GbkTable {
public:
    static const GbkTable& instance() {
        static const GbkTable table;
        return table;
    }

    // Whether a decoder filled the table: Qt's where it has one (a Qt built with ICU), else the
    // system's code page 936 (Windows).
    bool usable() const { return usable_; }
    char16_t pair(uchar lead, uchar trail) const {
        return pairs_[size_t(lead - 0x81) * trailCount + (trail - 0x40)];
    }
    char16_t euro() const { return euro_; }
    char16_t ff() const { return ff_; }
    // The bytes that decode to c: a byte below 0x100, a pair (lead << 8 | trail), or
    // noEncoding.
    char16_t encoding(char16_t c) const { return encodings_[c]; }

private:
    GbkTable()
        : pairs_(std::make_unique<char16_t[]>(size_t(pairCount))),
          encodings_(std::make_unique<char16_t[]>(1 << 16)) {
        usable_ = QStringDecoder("GBK").isValid()
                      ? fillFromQt()
                      : systemGbkCharacters(std::span(pairs_.get(), size_t(pairCount)), euro_, ff_);
        std::fill_n(encodings_.get(), 1 << 16, noEncoding);
        for (int b = 0; b < 0x80; ++b)
            encodings_[b] = char16_t(b);
        for (int lead = 0xFE; lead >= 0x81; --lead) {
            for (int trail = 0xFE; trail >= 0x40; --trail) {
                if (isGbkTrail(uchar(trail)))
                    encodings_[pair(uchar(lead), uchar(trail))] = char16_t(lead << 8 | trail);
            }
        }
        encodings_[euro_] = 0x80;
        encodings_[ff_] = 0xFF;
        encodings_[0xFFFD] = noEncoding;
    }

    // Every pair on a line of its own, so that each decodes alone, then 0x80 and 0xFF; true
    // when ASCII reads as itself and every pair as one character.
    bool fillFromQt() {
        QByteArray probe;
        probe.reserve(pairCount * 3 + 8);
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                probe += char(lead);
                probe += char(isGbkTrail(uchar(trail)) ? trail : 0x40);
                probe += '\n';
            }
        }
        probe += "\x80\n\xff\n";
        const QString decoded = decodeGbkWithQt(probe);
        bool usable = decoded.size() == pairCount * 2 + 4;
        for (int i = 0; usable && i < pairCount; ++i) {
            const char16_t c = decoded[2 * i].unicode();
            usable = c >= 0x80 && c != 0xFFFD && !QChar::isSurrogate(c);
            pairs_[size_t(i)] = c;
        }
        if (usable) {
            euro_ = decoded[2 * pairCount].unicode();
            ff_ = decoded[2 * pairCount + 2].unicode();
        }
        return usable && decodeGbkWithQt(QByteArray("\x01\x7f 0Aa\r\n")) == u"\x01\x7f 0Aa\r\n"_s;
    }

    std::unique_ptr<char16_t[]> pairs_;
    std::unique_ptr<char16_t[]> encodings_;
    char16_t euro_ = 0xFFFD;
    char16_t ff_ = 0xFFFD;
    bool usable_ = false;
};

} // namespace

void requireGbkDecoder() {
    if (GbkTable::instance().usable())
        return;
#if defined(Q_OS_WIN)
    const QString why =
        RuntimeError::tr("this Qt was built without ICU and the system has no code page 936");
#else
    const QString why = RuntimeError::tr("this Qt was built without ICU");
#endif
    throw RuntimeError(ErrorNumber::ErrorInLoadingDll, {}, 0, {},
                       RuntimeError::tr("GBK (code page 936) cannot be decoded: %1").arg(why));
}

#if !defined(Q_OS_WIN)
bool systemGbkCharacters(std::span<char16_t>, char16_t&, char16_t&) {
    return false; // Qt's decoder (ICU) is the only one here
}
#endif

char16_t* decodeGbk(QByteArrayView bytes, char16_t* out) {
    const GbkTable& table = GbkTable::instance();
    const auto* p = reinterpret_cast<const uchar*>(bytes.data());
    const uchar* const end = p + bytes.size();
    while (p < end) {
#if defined(__SSE2__)
        // Sixteen ASCII bytes at a time.
        while (end - p >= 16) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            if (_mm_movemask_epi8(chunk) != 0)
                break;
            const __m128i zero = _mm_setzero_si128();
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(chunk, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi8(chunk, zero));
            p += 16;
            out += 16;
        }
        if (p == end)
            break;
#endif
        const uchar b = *p;
        if (b < 0x80) {
            *out++ = b;
            ++p;
        } else if (gbkCharSize(p, end) == 2) {
            *out++ = table.pair(b, p[1]);
            p += 2;
        } else {
            *out++ = b == 0x80 ? table.euro() : b == 0xFF ? table.ff() : u'\xFFFD';
            ++p;
        }
    }
    return out;
}

QString decodeGbk(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    auto* out = reinterpret_cast<char16_t*>(text.data());
    text.truncate(decodeGbk(bytes, out) - out);
    return text;
}

qsizetype gbkLength(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const uchar*>(bytes.data());
    const uchar* const end = p + bytes.size();
    qsizetype units = 0;
    while (p < end) {
        p += *p < 0x80 ? 1 : gbkCharSize(p, end);
        ++units;
    }
    return units;
}

std::optional<QByteArray> encodeGbk(QStringView text) {
    const GbkTable& table = GbkTable::instance();
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    for (QChar c : text) {
        const char16_t e = table.encoding(c.unicode());
        if (e == noEncoding || !table.usable())
            return std::nullopt;
        if (e >= 0x100)
            bytes += char(e >> 8);
        bytes += char(e & 0xFF);
    }
    return bytes;
}

qsizetype firstNonGbk(QStringView text) {
    const GbkTable& table = GbkTable::instance();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (table.encoding(text[i].unicode()) == noEncoding)
            return i; // a surrogate never decodes from GBK: its pair counts as one character
    }
    return -1;
}

QString decodeGbkWithQt(QByteArrayView bytes, qsizetype chunkSize) {
    QStringDecoder decoder("GBK");
    QString text;
    text.reserve(bytes.size());
    chunkSize = std::max<qsizetype>(chunkSize, 1);
    for (qsizetype at = 0; at < bytes.size(); at += chunkSize)
        text += decoder.decode(bytes.sliced(at, std::min(chunkSize, bytes.size() - at)));
    // The decoder holds back a lead byte that the input ends on, waiting for its trail byte,
    // and drops it when flushed. A final CR (never part of a GBK character) makes it give that
    // byte up as U+FFFD; the CR itself is not kept.
    QString last = decoder.decode("\r");
    last.chop(1);
    return text + last;
}

} // namespace gegu
