#include "gbk.h"

#include "common/native_file.h"
#include "common/parallel.h"
#include "runtime_error.h"

#include <QStringDecoder>
#include <algorithm>
#include <bitset>
#include <cstring>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

bool isLineEnd(uchar b) {
    return b == '\r' || b == '\n';
}

// What Qt's decoder makes of each two-byte sequence that it decodes to one character on its
// own, whatever stands around it; 0 for every other pair. Filled once, from the decoder itself.
class PairTable {
public:
    static const PairTable& instance() {
        static const PairTable table;
        return table;
    }

    // Whether ASCII bytes decode to themselves, as they must for the fast path to be used.
    bool usable() const { return asciiIsIdentity_; }
    char16_t pair(uchar lead, uchar trail) const { return pairs_[(lead << 8) | trail]; }
    // Whether the decoder gives the character for some byte sequence: ASCII, a pair, or the
    // single byte 0x80.
    bool holds(char16_t c) const { return held_[c]; }

private:
    PairTable() : pairs_(std::make_unique<char16_t[]>(1 << 16)) {
        // Every candidate pair on a line of its own: CR and LF stand between characters, so
        // each line decodes independently.
        QByteArray probe(126 * 191 * 3, Qt::Uninitialized);
        char* out = probe.data();
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                *out++ = char(lead);
                *out++ = char(trail);
                *out++ = '\n';
            }
        }
        const QString decoded = decodeGbkWithQt(probe);
        const QChar* line = decoded.constBegin();
        const QChar* const end = decoded.constEnd();
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                const QChar* lineEnd = std::find(line, end, QChar(u'\n'));
                const bool single = lineEnd - line == 1 && *line != QChar::ReplacementCharacter &&
                                    !line->isSurrogate();
                pairs_[(lead << 8) | trail] = single ? line->unicode() : 0;
                line = lineEnd == end ? end : lineEnd + 1;
            }
        }

        QByteArray ascii(128, '\0');
        for (int b = 0; b < 128; ++b)
            ascii[b] = char(b);
        const QString asciiDecoded = decodeGbkWithQt(ascii);
        asciiIsIdentity_ = asciiDecoded.size() == 128;
        for (int b = 0; asciiIsIdentity_ && b < 128; ++b)
            asciiIsIdentity_ = asciiDecoded[b].unicode() == b;

        for (QChar c : asciiDecoded + decodeGbkWithQt("\x80"))
            held_[c.unicode()] = true;
        for (int i = 0; i < (1 << 16); ++i)
            held_[pairs_[i]] = true;
        held_[0] = true; // the NUL byte; unset pairs leave 0 above as well
        held_[0xFFFD] = false;
    }

    std::unique_ptr<char16_t[]> pairs_;
    std::bitset<1 << 16> held_;
    bool asciiIsIdentity_ = false;
};

// Qt's decoder over [begin, end), chunkSize bytes at a time, into out, which has room for
// end - begin code units (one unit per byte at most: every byte is ASCII, half of a pair, or
// replaced). Returns the end of the output.
char16_t* decodeWithQt(const uchar* begin, const uchar* end, char16_t* out, qsizetype chunkSize) {
    QStringDecoder decoder("GBK");
    char16_t* const limit = out + (end - begin);
    const auto put = [&](const QString& piece) {
        Q_ASSERT(piece.size() <= limit - out);
        out = std::copy(piece.utf16(), piece.utf16() + piece.size(), out);
    };
    for (const uchar* p = begin; p < end; p += std::min(chunkSize, qsizetype(end - p)))
        put(decoder.decode(QByteArrayView(p, std::min(chunkSize, qsizetype(end - p)))));
    // The decoder holds back a lead byte that the input ends on, waiting for its trail byte,
    // and drops it when flushed. A final CR (never part of a GBK character) makes it give that
    // byte up as U+FFFD; the CR itself is not kept.
    QString last = decoder.decode("\r");
    last.chop(1);
    put(last);
    return out;
}

// Decodes one line (or a stretch of whole lines) with Qt's decoder into out; returns the end.
char16_t* decodeSlowly(const uchar* begin, const uchar* end, char16_t* out) {
    return decodeWithQt(begin, end, out, qtDecoderChunk);
}

// Decodes whole lines: [begin, end) either ends at a line end or is the last of the input.
// out has room for end - begin code units. Returns the end of the output.
char16_t* decodeLines(const uchar* begin, const uchar* end, char16_t* out) {
    const PairTable& table = PairTable::instance();
    if (!table.usable())
        return decodeSlowly(begin, end, out);

    const uchar* p = begin;
    while (p < end) {
#if defined(__SSE2__)
        // Sixteen ASCII bytes at a time.
        while (end - p >= 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            if (_mm_movemask_epi8(bytes) != 0)
                break;
            const __m128i zero = _mm_setzero_si128();
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(bytes, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi8(bytes, zero));
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
            continue;
        }
        if (end - p >= 2) {
            if (const char16_t c = table.pair(b, p[1])) {
                *out++ = c;
                p += 2;
                continue;
            }
        }
        // Something irregular: this whole line goes through Qt's decoder. Its start in the
        // output is found by walking the line's regular start again.
        const uchar* lineBegin = p;
        while (lineBegin > begin && !isLineEnd(lineBegin[-1]))
            --lineBegin;
        qsizetype unitsBefore = 0;
        for (const uchar* q = lineBegin; q < p; q += *q < 0x80 ? 1 : 2)
            ++unitsBefore;
        const uchar* lineEnd = std::find_if(p, end, isLineEnd);
        out = decodeSlowly(lineBegin, lineEnd, out - unitsBefore);
        p = lineEnd;
    }
    return out;
}

// Reads the bytes of a file from begin up to end (to the end of the file when end is -1) in
// blocks, and decodes them into text from index `at` on; begin is the start of a line. A bounded
// range needs room for end - begin code units from `at`; reading to the end of the file grows
// the text as needed, up to `limit` code units. Returns the number of code units. Throws
// FileError: ReadFailed when a read fails, TooLarge when the text would pass the limit.
qsizetype decodeFileRange(const ReadOnlyFile& file, qint64 begin, qint64 end, DecodedText& text,
                          qsizetype at, qint64 limit) {
    constexpr qsizetype blockSize = 1 << 20;
    qsizetype units = 0;
    const auto decode = [&](const char* bytes, qsizetype n) {
        const qsizetype room = qsizetype(text.size()) - at - units;
        if (room < n) {
            if (at + units + n > limit)
                throw FileError(FileProblem::TooLarge, file.path());
            text.resize(size_t(
                std::min<qint64>(std::max(qsizetype(text.size()) * 3 / 2, at + units + n), limit)));
        }
        const auto* p = reinterpret_cast<const uchar*>(bytes);
        units = decodeLines(p, p + n, text.data() + at + units) - (text.data() + at);
    };
    // Whole lines are decoded as they come; the start of a line that a block cuts off moves to
    // the front of the buffer to wait for the rest of it.
    std::vector<char> block(blockSize);
    qsizetype kept = 0;
    qint64 offset = begin;
    for (qint64 left = end < 0 ? -1 : end - begin; left != 0;) {
        if (qsizetype(block.size()) - kept < blockSize) {
            if (kept > limit)
                throw FileError(FileProblem::TooLarge, file.path());
            block.resize(size_t(kept + blockSize));
        }
        const qint64 n = file.readAt(offset, block.data() + kept,
                                     left < 0 ? blockSize : std::min<qint64>(blockSize, left));
        if (n < 0)
            throw FileError(FileProblem::ReadFailed, file.path());
        if (n == 0)
            break; // the end of the file, which may come before the size it reported
        offset += n;
        if (left > 0)
            left -= n;
        const qsizetype filled = kept + n;
        qsizetype cut = filled;
        while (cut > kept && !isLineEnd(uchar(block[size_t(cut - 1)])))
            --cut;
        if (cut == kept) {
            kept = filled; // no line end in this block: the line goes on
            continue;
        }
        decode(block.data(), cut);
        std::memmove(block.data(), block.data() + cut, size_t(filled - cut));
        kept = filled - cut;
    }
    decode(block.data(), kept);
    return units;
}

// A place near the middle of the file where a line starts: after an LF, or after a CR that no
// LF follows, so that no CR LF pair is cut. -1 when there is none close by.
qint64 lineStartNearMiddle(const ReadOnlyFile& file, qint64 size) {
    constexpr qint64 window = 1 << 16;
    const qint64 from = size / 2;
    QByteArray bytes(window, Qt::Uninitialized);
    const qint64 n = file.readAt(from, bytes.data(), window);
    if (n < 0)
        throw FileError(FileProblem::ReadFailed, file.path());
    for (qsizetype i = 0; i + 1 < n; ++i) {
        if (bytes[i] == '\n' || (bytes[i] == '\r' && bytes[i + 1] != '\n'))
            return from + i + 1;
    }
    return -1;
}

} // namespace

void requireGbkDecoder() {
    if (!PairTable::instance().usable())
        throw RuntimeError(
            ErrorNumber::ErrorInLoadingDll, {}, 0, {},
            u"GBK (code page 936) cannot be decoded: this Qt was built without ICU"_s);
}

QString decodeGbkWithQt(QByteArrayView bytes, qsizetype chunkSize) {
    QString text(bytes.size(), Qt::Uninitialized);
    const auto* in = reinterpret_cast<const uchar*>(bytes.data());
    auto* out = reinterpret_cast<char16_t*>(text.data());
    text.truncate(decodeWithQt(in, in + bytes.size(), out, std::max<qsizetype>(chunkSize, 1)) -
                  out);
    return text;
}

DecodedText decodeGbkText(QByteArrayView bytes) {
    DecodedText text(size_t(bytes.size())); // never more code units than bytes
    const auto* in = reinterpret_cast<const uchar*>(bytes.data());
    text.resize(size_t(decodeLines(in, in + bytes.size(), text.data()) - text.data()));
    return text;
}

qsizetype firstNonGbk(QStringView text) {
    const PairTable& table = PairTable::instance();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x80 && !table.holds(c))
            return i; // a surrogate never decodes from GBK: its pair counts as one character
    }
    return -1;
}

QString decodeGbk(QByteArrayView bytes) {
    const DecodedText text = decodeGbkText(bytes);
    return QString::fromUtf16(text.data(), qsizetype(text.size()));
}

void decodeGbkFile(const ReadOnlyFile& file, DecodedText& out, const GbkFileOptions& options) {
    // The size is a first guess: the text never has more code units than the file has bytes,
    // and a file that turns out longer than it said grows the text as it is read.
    const qint64 limit = std::max<qint64>(options.memoryLimit / qint64(sizeof(char16_t)), 1);
    const qint64 size = file.state().size;
    if (size > limit)
        throw FileError(FileProblem::TooLarge, file.path());
    DecodedText text(static_cast<size_t>(size));
    const qint64 middle = size >= parallelFileSize ? lineStartNearMiddle(file, size) : -1;
    qsizetype units = 0;
    if (middle < 0) {
        units = decodeFileRange(file, 0, -1, text, 0, limit);
    } else {
        // Both halves at once, from the same open file; the second half's text is written at
        // its byte offset (it cannot overtake the first half's) and moved down afterwards.
        qsizetype firstUnits = 0;
        qsizetype secondUnits = 0;
        inParallel([&] { firstUnits = decodeFileRange(file, 0, middle, text, 0, limit); },
                   [&] {
                       if (options.betweenHalves)
                           options.betweenHalves();
                       secondUnits = decodeFileRange(file, middle, size, text, middle, limit);
                   });
        std::memmove(text.data() + firstUnits, text.data() + middle,
                     size_t(secondUnits) * sizeof(char16_t));
        units = firstUnits + secondUnits;
        // The tail that the second half occupied before the move is free again.
        releasePages(text.data() + units, size_t(middle - firstUnits) * sizeof(char16_t));
        // Whatever the file holds beyond the size it reported.
        units += decodeFileRange(file, size, -1, text, units, limit);
    }
    text.resize(size_t(units));
    out = std::move(text);
}

} // namespace gegu
