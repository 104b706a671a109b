#pragma once

#include "common/large_allocator.h"

#include <QByteArrayView>
#include <QString>
#include <functional>
#include <limits>
#include <memory>

namespace gegu {

class ReadOnlyFile;

// Decodes GBK (code page 936) text to UTF-16 exactly as Qt's decoder (QStringDecoder "GBK")
// does: bytes that are not GBK become U+FFFD (or whatever the code page maps them to), and so
// does a lead byte cut off by the end of the input. CR and LF never occur inside a GBK
// character, so lines can be split afterwards.
//
// Regular text takes a fast path: ASCII bytes and the two-byte characters are looked up in a
// table that is filled once from Qt's decoder. Any line holding something else is decoded by
// Qt's decoder itself, so the result is always the decoder's.
QString decodeGbk(QByteArrayView bytes);

// Throws RuntimeError ErrorInLoadingDll (48) when this system cannot decode GBK: a Qt built
// without ICU has no GBK decoder, and every file would read as empty.
void requireGbkDecoder();

// Decoded text in a buffer of its own, for the holdings table to keep.
using DecodedText = TextBuffer;
DecodedText decodeGbkText(QByteArrayView bytes);

// How decodeGbkFile reads.
struct GbkFileOptions {
    // The most memory the text may take, in bytes: a file that would pass it (one that reports
    // no size and keeps going, or grows while it is read) is too large.
    qint64 memoryLimit = std::numeric_limits<qint64>::max();
    // Called on the thread of a large file's second half before that half is read, while the
    // first half is being read: tests change the file there.
    std::function<void()> betweenHalves;
};

// Reads and decodes a whole file, in blocks, so that its bytes never sit in memory all at
// once; a file of parallelFileSize bytes or more is decoded in two halves at the same time,
// both from the one open file. The file is read to its end, whatever size it reports. Throws
// FileError: ReadFailed when a read fails, TooLarge past the memory limit.
inline constexpr qint64 parallelFileSize = qint64(4) << 20;
void decodeGbkFile(const ReadOnlyFile& file, DecodedText& out, const GbkFileOptions& options = {});

// The index of the first character that GBK cannot hold (a surrogate pair counts as one
// character, at its first half), or -1 when it holds them all. The characters it holds are the
// ones Qt's decoder gives for some bytes, so that nothing written is ever replaced or changed.
qsizetype firstNonGbk(QStringView text);

// Qt's decoder alone, for the irregular lines and as the reference for the fast path. It is fed
// chunkSize bytes at a time (its state carries a character cut in two across the chunks), since
// it fails on very large inputs at once.
inline constexpr qsizetype qtDecoderChunk = qsizetype(1) << 24;
QString decodeGbkWithQt(QByteArrayView bytes, qsizetype chunkSize = qtDecoderChunk);

} // namespace gegu
