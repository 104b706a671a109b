#pragma once

// GBK, code page 936, as Qt's decoder (QStringDecoder "GBK", ICU's windows-936) reads it.
//
// The rules are few: a byte below 0x80 is ASCII; 0x80 is the euro sign and 0xFF a character of
// its own (U+F8F5); a lead byte 0x81..0xFE followed by a trail byte 0x40..0x7E or 0x80..0xFE
// is one character of the pair table, and every such pair is one; a lead byte followed by
// anything else, or by nothing, is U+FFFD, and the byte after it is read afresh. So every byte
// sequence decodes, CR and LF always stand for themselves (a file splits into lines before it
// is decoded), and a character's bytes are known from its first two. The pair table comes from
// the system's own decoder, once: Qt's where Qt has one (built with ICU, as on Linux), else the
// operating system's code page 936 (Windows), which decodes every pair and byte alike; these
// rules put it to use.

#include "common/large_allocator.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

namespace gegu {

inline bool isGbkLead(uchar b) {
    return b >= 0x81 && b <= 0xFE;
}
inline bool isGbkTrail(uchar b) {
    return b >= 0x40 && b <= 0xFE && b != 0x7F;
}
// The number of bytes (1 or 2) of the character that starts at p, p < end.
inline int gbkCharSize(const uchar* p, const uchar* end) {
    return isGbkLead(p[0]) && end - p >= 2 && isGbkTrail(p[1]) ? 2 : 1;
}

// Throws RuntimeError ErrorInLoadingDll (48) when this system cannot decode GBK: a Qt built
// without ICU has no GBK decoder, and where the system has no code page 936 either, every file
// would read as nothing.
void requireGbkDecoder();

// The UTF-16 text of GBK bytes.
QString decodeGbk(QByteArrayView bytes);
// Decodes into out, which has room for bytes.size() code units (never more are needed);
// returns the end of the output.
char16_t* decodeGbk(QByteArrayView bytes, char16_t* out);
// The number of UTF-16 code units that the bytes decode to.
qsizetype gbkLength(QByteArrayView bytes);

// The GBK bytes of a text, each character written as the one byte sequence that decodes to
// it, so that the bytes decode back to the text exactly. nullopt when a character has no such
// sequence (U+FFFD, which many sequences give, or a character GBK lacks).
std::optional<QByteArray> encodeGbk(QStringView text);

// The index of the first character that GBK cannot hold exactly (a surrogate pair counts as
// one character, at its first half), or -1 when it holds them all: encodeGbk holds them all.
qsizetype firstNonGbk(QStringView text);

// Qt's decoder alone, for tests that hold the rules against it. It is fed chunkSize bytes at
// a time (its state carries a character cut in two across the chunks).
QString decodeGbkWithQt(QByteArrayView bytes, qsizetype chunkSize = qsizetype(1) << 24);

} // namespace gegu
