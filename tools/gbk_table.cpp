// gegu-gbk-table: writes GBK (code page 936) as this Qt decodes it, the reference that the tests
// hold every platform's decoding against (tests/gbk_reference.txt, written on Linux, where Qt
// decodes GBK with ICU).
//
//   gegu-gbk-table OUTPUT

#include "holdings/gbk.h"

#include <QCoreApplication>
#include <QSaveFile>
#include <QStringDecoder>
#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: gegu-gbk-table OUTPUT\n");
        return 2;
    }
    if (!QStringDecoder("GBK").isValid()) {
        std::fprintf(stderr, "gegu-gbk-table: this Qt has no GBK decoder (it needs ICU)\n");
        return 2;
    }
    QString text =
        uR"(# GBK (code page 936) as Qt 6 with ICU decodes it on Linux, written by gegu-gbk-table.
# A line per lead byte 81..FE: the byte in hex, a blank, and the characters of its 190 pairs,
# with the trail bytes 40..7E and 80..FE in that order. The lines 80 and FF: the character of
# that single byte.
)"_s;
    // Each sequence decoded alone.
    const auto decoded = [](QByteArrayView bytes) {
        const QString c = gegu::decodeGbkWithQt(bytes);
        if (c.size() != 1 || c == u"\uFFFD")
            qFatal("%02X%02X does not decode to one character", uchar(bytes[0]),
                   bytes.size() > 1 ? uchar(bytes[1]) : 0);
        return c;
    };
    const auto byteLine = [&](int b) {
        text += QString::number(b, 16).toUpper() + u' ' + decoded(QByteArray(1, char(b))) + u'\n';
    };
    byteLine(0x80);
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        text += QString::number(lead, 16).toUpper() + u' ';
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            const char pair[] = {char(lead), char(trail)};
            if (gegu::isGbkTrail(uchar(trail)))
                text += decoded(QByteArrayView(pair, 2));
        }
        text += u'\n';
    }
    byteLine(0xFF);
    QSaveFile out(args[1]);
    if (!out.open(QIODevice::WriteOnly) || out.write(text.toUtf8()) < 0 || !out.commit()) {
        std::fprintf(stderr, "gegu-gbk-table: cannot write %s\n", qPrintable(args[1]));
        return 2;
    }
    return 0;
}
