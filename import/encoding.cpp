#include "encoding.h"

#include "common/parallel.h"
#include "holdings/gbk.h"

#include <QStringDecoder>
#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Whether a character is one that exports are written in: a CJK ideograph, or punctuation of
// CJK text, of full width, or that names use (dashes, quotes, the ellipsis, the middle dot of
// 约翰·史密斯).
bool isExportCharacter(char32_t c) {
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3000 && c <= 0x303F) ||
           (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x2010 && c <= 0x2027) || c == 0x00B7;
}

// The characters beyond ASCII of a reading, and how many of them exports are written in.
struct Share {
    qint64 good = 0;
    qint64 all = 0;

    Share& operator+=(Share other) {
        good += other.good;
        all += other.all;
        return *this;
    }
};

// Whether a's share is larger (1), smaller (-1) or the same (0) as b's; no characters is a share
// of none.
int compare(Share a, Share b) {
    const qint64 left = a.all == 0 ? 0 : a.good * std::max<qint64>(b.all, 1);
    const qint64 right = b.all == 0 ? 0 : b.good * std::max<qint64>(a.all, 1);
    return left > right ? 1 : left < right ? -1 : 0;
}

// Whether the valid UTF-8 character whose lead byte b is followed by s and t is one that
// exports are written in: U+4E00..U+9FFF (E4 B8 80 .. E9 BF BF), U+3000..U+303F (E3 80 xx),
// U+FF00..U+FFEF (EF BC 80 .. EF BF AF), U+2010..U+2027 (E2 80 90 .. E2 80 A7), U+00B7 (C2 B7).
bool isExportSequence(uchar b, uchar s, uchar t) {
    return (b >= 0xE5 && b <= 0xE9) || (b == 0xE4 && s >= 0xB8) || (b == 0xE3 && s == 0x80) ||
           (b == 0xEF && s >= 0xBC && (s < 0xBF || t <= 0xAF)) ||
           (b == 0xE2 && s == 0x80 && t >= 0x90 && t <= 0xA7) || (b == 0xC2 && s == 0xB7);
}

// Valid UTF-8 read as UTF-8: its share, and how many of its bytes lie beyond ASCII. Every byte
// from 0xC0 up leads a character; each is looked at with the two bytes after it.
std::pair<Share, qint64> validUtf8Share(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const uchar*>(bytes.data());
    const uchar* const end = p + bytes.size();
    Share share;
    qint64 beyondAscii = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time, compared as signed bytes once 0x80 is taken from each.
    const auto load = [](const uchar* at) {
        return _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)),
                             _mm_set1_epi8(char(0x80)));
    };
    const auto is = [](__m128i v, uchar c) {
        return _mm_cmpeq_epi8(v, _mm_set1_epi8(char(c ^ 0x80)));
    };
    const auto above = [](__m128i v, uchar c) { // v > c
        return _mm_cmpgt_epi8(v, _mm_set1_epi8(char(c ^ 0x80)));
    };
    const auto below = [](__m128i v, uchar c) { // v < c
        return _mm_cmplt_epi8(v, _mm_set1_epi8(char(c ^ 0x80)));
    };
    // Counts per byte lane, added up before any can pass 255.
    __m128i lanes[3] = {_mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128()};
    int laneBlocks = 0;
    const auto addUp = [&] {
        qint64* const totals[3] = {&beyondAscii, &share.all, &share.good};
        for (int i = 0; i < 3; ++i) {
            const __m128i sums = _mm_sad_epu8(lanes[i], _mm_setzero_si128());
            *totals[i] += _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8));
            lanes[i] = _mm_setzero_si128();
        }
        laneBlocks = 0;
    };
    for (; end - p >= 18; p += 16) {
        const __m128i raw = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        if (_mm_movemask_epi8(raw) == 0)
            continue;
        const __m128i b = load(p);
        const __m128i s = load(p + 1);
        const __m128i t = load(p + 2);
        const __m128i cjk = _mm_or_si128(_mm_and_si128(above(b, 0xE4), below(b, 0xEA)),
                                         _mm_and_si128(is(b, 0xE4), above(s, 0xB7)));
        const __m128i punctuation = _mm_or_si128(
            _mm_and_si128(is(b, 0xE3), is(s, 0x80)),
            _mm_and_si128(is(b, 0xEF), _mm_or_si128(_mm_and_si128(above(s, 0xBB), below(s, 0xBF)),
                                                    _mm_and_si128(is(s, 0xBF), below(t, 0xB0)))));
        const __m128i names =
            _mm_or_si128(_mm_and_si128(_mm_and_si128(is(b, 0xE2), is(s, 0x80)),
                                       _mm_and_si128(above(t, 0x8F), below(t, 0xA8))),
                         _mm_and_si128(is(b, 0xC2), is(s, 0xB7)));
        // A mask's lanes are -1 where it holds: subtracting counts them.
        lanes[0] = _mm_sub_epi8(lanes[0], _mm_cmplt_epi8(raw, _mm_setzero_si128()));
        lanes[1] = _mm_sub_epi8(lanes[1], above(b, 0xBF));
        lanes[2] = _mm_sub_epi8(lanes[2], _mm_or_si128(cjk, _mm_or_si128(punctuation, names)));
        if (++laneBlocks == 255)
            addUp();
    }
    addUp();
#endif
    for (; p < end; ++p) {
        if (*p < 0x80)
            continue;
        ++beyondAscii;
        if (*p < 0xC0)
            continue;
        ++share.all;
        share.good += isExportSequence(p[0], end - p > 1 ? p[1] : 0, end - p > 2 ? p[2] : 0);
    }
    return {share, beyondAscii};
}

// The code point of the well-formed UTF-8 sequence of n bytes at p.
char32_t codePoint(const uchar* p, int n) {
    if (n == 2)
        return char32_t(p[0] & 0x1F) << 6 | (p[1] & 0x3F);
    if (n == 3)
        return char32_t(p[0] & 0x0F) << 12 | char32_t(p[1] & 0x3F) << 6 | (p[2] & 0x3F);
    return char32_t(p[0] & 0x07) << 18 | char32_t(p[1] & 0x3F) << 12 | char32_t(p[2] & 0x3F) << 6 |
           (p[3] & 0x3F);
}

bool isAsciiLetter(uchar c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A line, read both ways.
struct LineReading {
    Share utf8;
    Share gbk;
    bool validUtf8 = true;
    bool validGbk = true;
    qsizetype latin = -1; // where GBK characters stand inside a Latin word, or -1
};

LineReading readLine(QByteArrayView line, std::vector<char16_t>& scratch) {
    LineReading r;
    const auto* p = reinterpret_cast<const uchar*>(line.data());
    const qsizetype n = line.size();
    for (qsizetype i = 0; i < n;) {
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        ++r.utf8.all;
        if (const int length = utf8Sequence(p + i, n - i)) {
            r.utf8.good += isExportCharacter(codePoint(p + i, length));
            i += length;
        } else {
            r.validUtf8 = false;
            ++i;
        }
    }
    scratch.resize(size_t(n));
    const char16_t* const end = decodeGbk(line, scratch.data());
    for (const char16_t* c = scratch.data(); c < end; ++c) {
        if (*c < 0x80)
            continue;
        ++r.gbk.all;
        r.gbk.good += isExportCharacter(*c);
    }
    // GBK's validity, and runs of its characters within a Latin word.
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i] <= 0x80)
            continue;
        if (!isGbkLead(p[i]) || gbkCharSize(p + i, p + n) != 2) {
            r.validGbk = false;
            break;
        }
        const qsizetype start = i;
        while (i + 1 < n && isGbkLead(p[i]) && gbkCharSize(p + i, p + n) == 2)
            i += 2;
        const bool letterBefore = start > 0 && isAsciiLetter(p[start - 1]);
        const bool letterAfter = isAsciiLetter(p[i - 1]) || (i < n && isAsciiLetter(p[i]));
        if (letterBefore && letterAfter && r.latin < 0)
            r.latin = start;
        --i;
    }
    return r;
}

// What the lines of a text show, from its line firstLine on.
struct Tally {
    Share utf8;
    Share gbk;
    qint64 utf8Lines = 0;        // lines that show UTF-8
    qint64 gbkLines = 0;         // lines that show GBK
    qint64 notUtf8 = 0;          // the first line that is not UTF-8
    bool notUtf8HasUtf8 = false; // and whether it shows UTF-8 all the same (a stray byte)
    qint64 firstUtf8Line = 0;    // the first line that shows UTF-8
    qint64 notGbk = 0;           // the first line that is not GBK
    qint64 latinLine = 0;
    QString latinText;
    qint64 lines = 0;

    // Adds the tally of the text that follows.
    void add(const Tally& next) {
        const auto firstOf = [&](qint64 mine, qint64 theirs) {
            return mine > 0 || theirs == 0 ? mine : theirs + lines;
        };
        utf8 += next.utf8;
        gbk += next.gbk;
        utf8Lines += next.utf8Lines;
        gbkLines += next.gbkLines;
        if (notUtf8 == 0 && next.notUtf8 > 0)
            notUtf8HasUtf8 = next.notUtf8HasUtf8;
        notUtf8 = firstOf(notUtf8, next.notUtf8);
        firstUtf8Line = firstOf(firstUtf8Line, next.firstUtf8Line);
        notGbk = firstOf(notGbk, next.notGbk);
        if (latinLine == 0 && next.latinLine > 0)
            latinText = next.latinText;
        latinLine = firstOf(latinLine, next.latinLine);
        lines += next.lines;
    }
};

Tally tally(QByteArrayView text) {
    Tally t;
    std::vector<char16_t> scratch;
    for (qsizetype at = 0; at < text.size();) {
        qsizetype end = text.indexOf('\n', at);
        if (end < 0)
            end = text.size();
        const QByteArrayView line = text.sliced(at, end - at);
        ++t.lines;
        at = end + 1;
        const auto* p = reinterpret_cast<const uchar*>(line.data());
        if (std::all_of(p, p + line.size(), [](uchar c) { return c < 0x80; }))
            continue;
        const LineReading r = readLine(line, scratch);
        t.utf8 += r.utf8;
        t.gbk += r.gbk;
        // Which reading the line shows. A line that is not UTF-8 is UTF-8 all the same where
        // its UTF-8 characters outnumber the bytes that are not (a stray byte), else GBK; one
        // that is goes to the reading it shows better.
        bool utf8Side = false;
        bool gbkSide = false;
        if (!r.validUtf8) {
            const bool stray = r.utf8.good > r.utf8.all - r.utf8.good;
            utf8Side = stray;
            gbkSide = !stray;
            if (t.notUtf8 == 0) {
                t.notUtf8 = t.lines;
                t.notUtf8HasUtf8 = stray;
            }
        } else {
            const int better = compare(r.utf8, r.gbk);
            utf8Side = better > 0;
            gbkSide = better < 0;
        }
        if (utf8Side) {
            ++t.utf8Lines;
            if (t.firstUtf8Line == 0)
                t.firstUtf8Line = t.lines;
        }
        if (gbkSide)
            ++t.gbkLines;
        if (!r.validGbk && t.notGbk == 0)
            t.notGbk = t.lines;
        if (r.latin >= 0 && r.validGbk && t.latinLine == 0) {
            // The field it stands in.
            const auto separates = [](char c) {
                return c == ',' || c == '\t' || c == ';' || c == '"';
            };
            qsizetype from = r.latin;
            while (from > 0 && !separates(line[from - 1]))
                --from;
            qsizetype to = r.latin;
            while (to < line.size() && !separates(line[to]))
                ++to;
            t.latinLine = t.lines;
            t.latinText = decodeGbk(line.sliced(from, to - from)).trimmed();
        }
    }
    return t;
}

// The text's tally, in two halves at once where it is large.
Tally tallyAll(QByteArrayView bytes) {
    const qsizetype split =
        bytes.size() >= parallelCheckSize ? bytes.indexOf('\n', bytes.size() / 2) + 1 : 0;
    if (split <= 0)
        return tally(bytes);
    Tally halves[2];
    inParallel([&] { halves[0] = tally(bytes.first(split)); },
               [&] { halves[1] = tally(bytes.sliced(split)); });
    halves[0].add(halves[1]);
    return halves[0];
}

// Valid UTF-8 read as GBK, against its share as UTF-8: whether GBK's share is larger (1), the
// same (0) or smaller (-1); smaller too where the bytes are no GBK or read as characters of its
// user-defined area. It reads on only while GBK could still come level.
int gbkAgainst(QByteArrayView bytes, Share utf8, qint64 beyondAscii) {
    Share gbk;
    qint64 left = beyondAscii; // bytes beyond ASCII not yet read
    std::vector<char16_t> scratch;
    for (qsizetype at = 0; at < bytes.size();) {
        qsizetype end = bytes.indexOf('\n', at);
        if (end < 0)
            end = bytes.size();
        const QByteArrayView line = bytes.sliced(at, end - at);
        at = end + 1;
        scratch.resize(size_t(line.size()));
        const char16_t* const last = decodeGbk(line, scratch.data());
        for (const char16_t* c = scratch.data(); c < last; ++c) {
            if (*c < 0x80)
                continue;
            // Bytes that are no GBK, or GBK's user-defined area: a reading no export means.
            if (*c == u'\uFFFD' || (*c >= 0xE000 && *c <= 0xF8FF))
                return -1;
            ++gbk.all;
            gbk.good += isExportCharacter(*c);
        }
        for (const char c : line)
            left -= uchar(c) >= 0x80 ? 1 : 0;
        // The best GBK could still do: every byte left a character of its own, and a good one.
        if (compare({gbk.good + left, gbk.all + left}, utf8) < 0)
            return -1;
    }
    return compare(gbk, utf8);
}

} // namespace

qint64 lineAt(QByteArrayView bytes, qsizetype offset) {
    return bytes.first(std::clamp<qsizetype>(offset, 0, bytes.size())).count('\n') + 1;
}

FoundEncoding findEncoding(QByteArrayView bytes) {
    const auto marked = [](TextEncoding encoding, qsizetype mark) {
        FoundEncoding found;
        found.encoding = encoding;
        found.byteOrderMark = mark;
        return found;
    };
    if (bytes.startsWith(utf8Mark))
        return marked(TextEncoding::Utf8, utf8Mark.size());
    if (bytes.startsWith(utf16LeMark))
        return marked(TextEncoding::Utf16Le, utf16LeMark.size());
    if (bytes.startsWith(utf16BeMark))
        return marked(TextEncoding::Utf16Be, utf16BeMark.size());
    const auto error = [](qint64 line, ImportKind kind) {
        FoundEncoding found;
        found.badLine = line;
        found.problem = kind;
        return found;
    };
    if (isValidUtf8(bytes)) {
        // Valid UTF-8 is UTF-8 unless GBK reads it better: a few letters of GBK can make valid
        // UTF-8 (谢小 is лС).
        std::pair<Share, qint64> halves[2];
        const qsizetype split =
            bytes.size() >= parallelCheckSize ? bytes.indexOf('\n', bytes.size() / 2) + 1 : 0;
        if (split > 0)
            inParallel([&] { halves[0] = validUtf8Share(bytes.first(split)); },
                       [&] { halves[1] = validUtf8Share(bytes.sliced(split)); });
        else
            halves[0] = validUtf8Share(bytes);
        Share utf8 = halves[0].first;
        utf8 += halves[1].first;
        if (utf8.all == 0)
            return {}; // ASCII
        const int gbk = gbkAgainst(bytes, utf8, halves[0].second + halves[1].second);
        if (gbk < 0)
            return {};
        if (gbk == 0)
            return error(0, ImportKind::EncodingsTie);
    }
    const Tally t = tallyAll(bytes);
    const int byLines = t.utf8Lines > t.gbkLines   ? 1
                        : t.utf8Lines < t.gbkLines ? -1
                        : t.utf8Lines > 0          ? 0
                                                   : compare(t.utf8, t.gbk);
    if (byLines > 0) {
        if (t.notUtf8 > 0)
            return error(t.notUtf8,
                         t.notUtf8HasUtf8 ? ImportKind::StrayByte : ImportKind::GbkInUtf8);
        return {};
    }
    if (byLines < 0) {
        if (t.firstUtf8Line > 0)
            return error(t.firstUtf8Line, ImportKind::Utf8InGbk);
        if (t.notGbk > 0)
            return error(t.notGbk, ImportKind::NeitherEncoding);
        FoundEncoding found;
        found.encoding = TextEncoding::Gbk;
        found.latinLine = t.latinLine;
        found.latinText = t.latinText;
        return found;
    }
    if (t.notGbk > 0 && t.notUtf8 > 0)
        return error(std::min(t.notGbk, t.notUtf8), ImportKind::NeitherEncoding);
    return error(0, ImportKind::EncodingsTie);
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
