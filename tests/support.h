#pragma once

// Helpers shared by the tests: data files written from lists of lines.

#include "holdings/gbk.h"
#include "holdings/holdings_table.h"
#include "holdings/runtime_error.h"

#include <QStringEncoder>
#include <QStringList>
#include <QTest>

namespace gegu::test {

// The GBK bytes of a text: Qt's own encoder where it has one (ICU, on Linux), else Gegu's table,
// which tst_gbk holds against Linux's decoding. The text must be GBK's to hold.
inline QByteArray gbkBytes(QStringView text) {
    QStringEncoder gbk("GBK");
    if (!gbk.isValid())
        return encodeGbk(text).value();
    QByteArray bytes = gbk.encode(text);
    Q_ASSERT(!gbk.hasError());
    return bytes;
}

// The lines joined with eol after each one (also after the last unless lastEnded is false),
// encoded as GBK.
inline QByteArray gbkFile(const QStringList& lines, QStringView eol = u"\r\n",
                          bool lastEnded = true) {
    QString text = lines.join(eol);
    if (lastEnded && !lines.isEmpty())
        text += eol;
    return gbkBytes(text);
}

// The bytes in a buffer of their own, as loading keeps them.
inline ByteBuffer byteBuffer(QByteArrayView bytes) {
    return ByteBuffer(bytes.begin(), bytes.end());
}

inline HoldingsTable tableFromBytes(QByteArrayView bytes) {
    return HoldingsTable::parse(byteBuffer(bytes), QStringLiteral("test.rar"));
}

inline HoldingsTable tableFromLines(const QStringList& lines) {
    return tableFromBytes(gbkFile(lines));
}

// The error that loading the bytes raises; fails the test when loading succeeds.
inline RuntimeError loadError(QByteArrayView bytes) {
    try {
        tableFromBytes(bytes);
    } catch (const RuntimeError& e) {
        return e;
    }
    QTest::qFail("the file loaded without an error", __FILE__, __LINE__);
    return RuntimeError(ErrorNumber::Overflow);
}

} // namespace gegu::test
