#pragma once

// The encodings that exports come in, and how a file's encoding is found.

#include "import_message.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

namespace gegu {

enum class TextEncoding { Detect, Utf8, Gbk, Utf16Le, Utf16Be };

// What a file's bytes were found to be.
struct FoundEncoding {
    TextEncoding encoding = TextEncoding::Utf8;
    qsizetype byteOrderMark = 0;       // bytes of the mark at the start, to be skipped
    qint64 badLine = 0;                // where the text cannot be read, or 0
    std::optional<ImportKind> problem; // why it cannot be read
    // Read as GBK: the first line where characters beyond ASCII stand inside a Latin word
    // (HARBOUR扴 EDGE: a Windows-1252 quote read as GBK), and the text around them; or 0.
    qint64 latinLine = 0;
    QString latinText;
};

// A byte order mark decides (UTF-8, UTF-16 LE or BE). Without one, the evidence does: of the
// readings as UTF-8 and as GBK, the one in which a larger share of the characters beyond ASCII
// are CJK ideographs (U+4E00..U+9FFF) or the punctuation exports use (U+3000..U+303F,
// U+FF00..U+FFEF; the dashes, quotes and ellipsis U+2010..U+2027 and the middle dot U+00B7 of
// names) wins, a byte that starts no character counting as one that is neither.
// A file that is not valid UTF-8 (or that GBK reads better) is weighed line by line, and the
// reading of more lines wins: a line that is valid UTF-8 shows the reading it is better in (as
// above), one that is not shows UTF-8 where its UTF-8 characters outnumber the bytes that are not
// (a stray byte), else GBK. Then a file of UTF-8 with a line that is not (a stray byte, or text
// of another encoding), or a file of GBK with a line that shows UTF-8 or with bytes that are not
// GBK, is an error at that line: a file holds one encoding. Where neither reading wins, the
// file is an error that asks for --encoding. A large text is weighed in two halves at once.
FoundEncoding findEncoding(QByteArrayView bytes);

// The line (from 1) on which the byte at `offset` stands.
qint64 lineAt(QByteArrayView bytes, qsizetype offset);

// UTF-16 text (after its byte order mark) as UTF-8, line breaks where they were.
QByteArray utf16ToUtf8(QByteArrayView bytes, TextEncoding encoding);

// A field's text in the given encoding (UTF-8 or GBK).
QString decodeField(QByteArrayView bytes, TextEncoding encoding);

} // namespace gegu
