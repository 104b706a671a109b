#pragma once

// The encodings that exports come in, and how a file's encoding is found.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace gegu {

enum class TextEncoding { Detect, Utf8, Gbk, Utf16Le, Utf16Be };

// What a file's bytes were found to be.
struct FoundEncoding {
    TextEncoding encoding = TextEncoding::Utf8;
    qsizetype byteOrderMark = 0; // bytes of the mark at the start, to be skipped
    qint64 badLine = 0;          // where the text cannot be read, or 0
    QString problem;             // why, or empty when it can be read
};

// A byte order mark decides (UTF-8, UTF-16 LE or BE). Without one, a file that is valid UTF-8 is
// UTF-8; one that is mostly UTF-8 (nine in ten of its non-ASCII sequences) but not wholly is an
// error at its first line that is not, never GBK, for GBK text makes valid UTF-8 only now and
// then by chance; else a file that is valid GBK is GBK; else it is an error at the first line
// where GBK fails. A large text is checked in two halves at once.
FoundEncoding findEncoding(QByteArrayView bytes);

// The line (from 1) on which the byte at `offset` stands.
qint64 lineAt(QByteArrayView bytes, qsizetype offset);

// UTF-16 text (after its byte order mark) as UTF-8, line breaks where they were.
QByteArray utf16ToUtf8(QByteArrayView bytes, TextEncoding encoding);

// A field's text in the given encoding (UTF-8 or GBK).
QString decodeField(QByteArrayView bytes, TextEncoding encoding);

} // namespace gegu
