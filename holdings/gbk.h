#pragma once

#include <QByteArrayView>
#include <QString>

class QIODevice;

namespace gegu {

// Decodes GBK (code page 936) text to UTF-16 with Qt's decoder. Bytes that are not GBK become
// U+FFFD (or whatever the code page maps them to), and so does a lead byte cut off by the end
// of the input. CR and LF never occur inside a GBK character, so lines can be split afterwards.
QString decodeGbk(QByteArrayView bytes);

// The same for the whole remaining content of a device, read in blocks so that the raw bytes
// never sit in memory all at once. sizeHint is the expected number of bytes (e.g. the file
// size); the result needs no more code units than there are bytes. Returns false on a read
// error.
bool decodeGbk(QIODevice& device, qint64 sizeHint, QString& out);

} // namespace gegu
