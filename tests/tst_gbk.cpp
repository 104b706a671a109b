// GBK as this platform decodes and encodes it, against the reference table written on Linux,
// where Qt decodes it with ICU (gbk_reference.txt, by gegu-gbk-table): every pair of bytes and
// every single byte reads as there, whichever decoder filled the table here.

#include "holdings/gbk.h"

#include <QFile>
#include <QStringDecoder>
#include <QTest>
#include <map>

using namespace gegu;
using namespace Qt::StringLiterals;

namespace {

// The reference: the character of every GBK sequence (a byte 0x80 or 0xFF, or a pair).
std::map<QByteArray, QChar> referenceTable() {
    QFile file(u":/gbk_reference.txt"_s);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("no reference table");
    std::map<QByteArray, QChar> table;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        if (line.startsWith(u'#'))
            continue;
        bool ok = false;
        const int first = line.first(2).toInt(&ok, 16);
        const QString characters = line.mid(3);
        if (!ok || line[2] != u' ')
            qFatal("malformed reference line %s", qPrintable(line));
        if (first == 0x80 || first == 0xFF) {
            table[QByteArray(1, char(first))] = characters.at(0);
            continue;
        }
        qsizetype at = 0;
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (isGbkTrail(uchar(trail)))
                table[QByteArray(1, char(first)) + char(trail)] = characters.at(at++);
        }
        if (at != characters.size())
            qFatal("reference line %02X holds %d characters", first, int(characters.size()));
    }
    return table;
}

} // namespace

class GbkTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void everySequenceDecodesAsOnLinux();
    void everyCharacterEncodesToItsSequence();
    void referenceIsQtsDecoding();

private:
    std::map<QByteArray, QChar> reference_;
};

void GbkTest::initTestCase() {
    requireGbkDecoder();
    reference_ = referenceTable();
    QCOMPARE(reference_.size(), size_t(126 * 190 + 2));
}

void GbkTest::everySequenceDecodesAsOnLinux() {
    // Each alone, and all of them run together behind one another.
    QByteArray all;
    QString expected;
    for (const auto& [bytes, c] : reference_) {
        QCOMPARE(decodeGbk(bytes), QString(c));
        QCOMPARE(gbkLength(bytes), qsizetype(1));
        all += bytes;
        expected += c;
    }
    QCOMPARE(decodeGbk(all), expected);
}

void GbkTest::everyCharacterEncodesToItsSequence() {
    // Writing GBK goes through the same table: each character back to its one sequence.
    for (const auto& [bytes, c] : reference_) {
        QCOMPARE(encodeGbk(QStringView(&c, 1)), std::optional(bytes));
        QCOMPARE(firstNonGbk(QStringView(&c, 1)), -1);
    }
}

void GbkTest::referenceIsQtsDecoding() {
    // Where Qt decodes GBK (Linux, ICU), the reference is what it decodes: the file is kept
    // honest, and gegu-gbk-table writes it anew.
    if (!QStringDecoder("GBK").isValid())
        QSKIP("this Qt has no GBK decoder (no ICU): the table came from the system");
    for (const auto& [bytes, c] : reference_)
        QCOMPARE(decodeGbkWithQt(bytes), QString(c));
}

QTEST_GUILESS_MAIN(GbkTest)
#include "tst_gbk.moc"
