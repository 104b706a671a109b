#include "holdings/data_file.h"
#include "holdings/data_file_writer.h"
#include "holdings/table_text.h"
#include "holdings/text_rules.h"
#include "malformed_files.h"
#include "posix_only.h"
#include "support.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <future>
#include <random>
#include <thread>

using namespace gegu;
using namespace gegu::test;
using namespace Qt::StringLiterals;

namespace {

// Every record as "header|count|line 1|line 2|...".
QStringList dump(const HoldingsTable& table) {
    QStringList out;
    for (qsizetype r = 0; r <= table.LastRecord(); ++r) {
        QStringList cells{table.HoldingLines(r, 0), table.HolderCounts(r)};
        for (qsizetype n = 1; n <= 1 + qsizetype(table.holderRows(r).size()); ++n)
            cells << table.HoldingLines(r, n);
        out << cells.join(u'|');
    }
    return out;
}

const QStringList twoRecords{u"1"_s,        u"600036 招商"_s, u"2"_s, u"head A"_s, u"  row A1"_s,
                             u"  row A2"_s, u"000002 万科"_s, u"0"_s, u"head B"_s};
const QStringList twoRecordsDump{u"600036 招商|2|head A|  row A1|  row A2"_s,
                                 u"000002 万科|0|head B"_s};

} // namespace

class HoldingsTest : public QObject {
    Q_OBJECT
private slots:
    void oneRecordWithHeadLineAndTwoRows();
    void lineEnds_data();
    void lineEnds();
    void emptyLinesAreLines();
    void longTextSplitsIntoTheSameLines();
    void linesAfterLastRecordAreIgnored();
    void counts_data();
    void counts();
    void firstLineWithoutNumberReadsOneRecord();
    void recordCountIsADigitInTheFirstLine_data();
    void recordCountIsADigitInTheFirstLine();
    void recordNeighboursTakeFewSteps();
    void noRecords();
    void growsBeyondClassicBounds();
    void malformedFiles_data();
    void malformedFiles();
    void tableIndexOutOfRange();
    void gbkDecoding_data();
    void gbkDecoding();
    void filesReadInHalvesReadWhole_data();
    void filesReadInHalvesReadWhole();
    void lineStartsOfLargeTexts_data();
    void lineStartsOfLargeTexts();
    void gbkEncodesWhatItDecodes();
    void gbkFastPathDecodesAsQtDoes();
    void gbkSplittingBeforeOrAfterDecoding();
    void qtDecoderInChunksDecodesAsWhole();
    void lineLongerThanQtsLimitKeepsItsText();
    void offsetsPastTheLowBits_data();
    void offsetsPastTheLowBits();
    void missingFile();
    void fileChangedWhileLoading_data();
    void fileChangedWhileLoading();
    void fileWithoutEndIsError7();
    void writtenNumbers_data();
    void writtenNumbers();
    void writtenTextsStayOneLine();
    void dataFileSearch();
    void programDirectoryOnAnyThread();
    void stockHeaders_data();
    void stockHeaders();
    void holderCells_data();
    void holderCells();
};

void HoldingsTest::oneRecordWithHeadLineAndTwoRows() {
    const auto table = tableFromLines(
        {u"0"_s, u"600036 招商银行"_s, u"2"_s, u"head"_s, u"  甲基金"_s, u"  乙公司"_s});
    QCOMPARE(table.LastRecord(), 0);
    QCOMPARE(dump(table), QStringList{u"600036 招商银行|2|head|  甲基金|  乙公司"_s});
    QCOMPARE(table.holderRows(0).size(), 2u);
    QCOMPARE(table.stockCode(0), 600036.0);
    QCOMPARE(table.HoldingLines(0, 4), QString()); // never read: empty
}

void HoldingsTest::lineEnds_data() {
    QTest::addColumn<QString>("eol");
    QTest::addColumn<bool>("lastEnded");
    QTest::newRow("CR LF") << u"\r\n"_s << true;
    QTest::newRow("CR") << u"\r"_s << true;
    QTest::newRow("LF") << u"\n"_s << true;
    QTest::newRow("CR LF, last line unterminated") << u"\r\n"_s << false;
    QTest::newRow("LF, last line unterminated") << u"\n"_s << false;
}

void HoldingsTest::lineEnds() {
    QFETCH(QString, eol);
    QFETCH(bool, lastEnded);
    QCOMPARE(dump(tableFromBytes(gbkFile(twoRecords, eol, lastEnded))), twoRecordsDump);
}

void HoldingsTest::emptyLinesAreLines() {
    // LF then CR LF, and CR LF then a lone CR, each leave an empty line between them.
    const QByteArray bytes = "0\nh\n3\n\r\n\rr1\rr2\n"_ba;
    QCOMPARE(dump(tableFromBytes(bytes)), QStringList{u"h|3|||r1|r2"_s});
    QCOMPARE(dump(tableFromBytes("0\r\n\r\n\r\n\r\n"_ba)), QStringList{u"||"_s});
}

void HoldingsTest::longTextSplitsIntoTheSameLines() {
    // More than a million characters, split in two halves at once and 64 characters at a time;
    // line ends of every kind fall on every position of those blocks.
    const char* const ends[] = {"\r\n", "\r", "\n", "\n\r", "\r\r\n"};
    QByteArray bytes = "-1\r\n"_ba;
    QStringList expected{u"-1"_s};
    for (int i = 0; bytes.size() < (3 << 19); ++i) {
        const QByteArray line = QByteArray(1 + i % 67, 'x');
        bytes += line + ends[i % 5];
        expected << QString::fromLatin1(line);
        if (i % 5 == 3 || i % 5 == 4)
            expected << QString(); // the second line end of the pair ends an empty line
    }
    const auto table = tableFromBytes(bytes);
    QCOMPARE(table.lineCount(), expected.size());
    for (qsizetype i = 0; i < table.lineCount(); ++i)
        QCOMPARE(table.line(i), expected[i]);
}

void HoldingsTest::linesAfterLastRecordAreIgnored() {
    QCOMPARE(dump(tableFromLines(twoRecords + QStringList{u"junk"_s, u"5"_s})), twoRecordsDump);
}

void HoldingsTest::counts_data() {
    QTest::addColumn<QString>("count");
    QTest::addColumn<int>("rows"); // holder rows read after the head line
    QTest::newRow("whole") << u"3"_s << 3;
    QTest::newRow("1.5 reads head line and 1 row") << u"1.5"_s << 1;
    QTest::newRow("2.5 reads head line and 3 rows") << u"2.5"_s << 3;
    QTest::newRow("0") << u"0"_s << 0;
    QTest::newRow("-0.4 reads the head line only") << u"-0.4"_s << 0;
    QTest::newRow("text reads the head line") << u"n/a"_s << 0;
    QTest::newRow("blanks inside") << u" 1 0"_s << 10;
}

void HoldingsTest::counts() {
    QFETCH(QString, count);
    QFETCH(int, rows);
    QStringList lines{u"1"_s, u"600001 甲"_s, count, u"head"_s};
    for (int i = 0; i < rows; ++i)
        lines << u"row %1"_s.arg(i);
    lines << u"600002 乙"_s << u"0"_s << u"head 2"_s;
    const auto table = tableFromLines(lines);
    QCOMPARE(table.LastRecord(), 1);
    QCOMPARE(int(table.holderRows(0).size()), rows);
    QCOMPARE(table.HoldingLines(0, 1), u"head"_s);
    QCOMPARE(table.HoldingLines(1, 0), u"600002 乙"_s);
}

void HoldingsTest::firstLineWithoutNumberReadsOneRecord() {
    // A negative count reads no further line: the next line is the next record's header.
    const auto table = tableFromLines({u"股票"_s, u"600001 甲"_s, u"-3"_s, u"600002 乙"_s});
    QCOMPARE(dump(table), QStringList{u"600001 甲|-3|"_s});
    QCOMPARE(table.holderRows(0).size(), 0u);
    // Loaded as one record all the same, but no data file: its first line holds no count.
    QVERIFY(!table.hasRecordCount());
}

void HoldingsTest::recordCountIsADigitInTheFirstLine_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<bool>("count");
    QTest::newRow("a count") << u"0"_s << true;
    QTest::newRow("a negative count") << u"-1"_s << true;
    QTest::newRow("a count after blanks, text after it") << u"  0 records"_s << true;
    QTest::newRow("a heading of Markdown") << u"# Gegu"_s << false;
    QTest::newRow("a CSV header") << u"股东名称,持股数量"_s << false;
    QTest::newRow("a sign and a radix prefix alone") << u"-&H"_s << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("a digit late in the line") << u"README for 2024"_s << true;
}

void HoldingsTest::recordCountIsADigitInTheFirstLine() {
    QFETCH(QString, first);
    QFETCH(bool, count);
    const auto table = tableFromLines({first, u"600001 甲"_s, u"0"_s, u"head"_s, u"x"_s});
    QCOMPARE(table.hasRecordCount(), count);
}

void HoldingsTest::recordNeighboursTakeFewSteps() {
    // One record of a million rows between two small ones: every line finds its record's first
    // line and the next record's, as a scan would.
    QStringList lines{u"2"_s,   u"600001 甲"_s, u"1"_s,       u"head"_s,
                      u"  a"_s, u"600002 乙"_s, u"1000000"_s, u"head"_s};
    for (int i = 0; i < 1000000; ++i)
        lines << u"  r"_s;
    lines << u"600003 丙"_s << u"0"_s << u"head"_s << u"after"_s;
    const auto table = tableFromLines(lines);
    QCOMPARE(table.recordCount(), 3);
    const qsizetype big = table.firstLine(1);
    const qsizetype last = table.firstLine(2);
    for (const qsizetype line : {big, big + 1, big + 63, big + 64, big + 500000, last - 1}) {
        QCOMPARE(table.recordFirstLine(line), big);
        QCOMPARE(table.recordOfLine(line), 1);
    }
    QCOMPARE(table.recordFirstLine(big - 1), table.firstLine(0));
    QCOMPARE(table.recordFirstLine(0), -1);
    QCOMPARE(table.endLine(table.firstLine(0)), big);
    QCOMPARE(table.endLine(big), last);
    QCOMPARE(table.endLine(last), last + 3);
    QCOMPARE(table.recordOfLine(last + 3), -1); // after the last record
    QVERIFY(table.isHolderRow(last - 1));
    QVERIFY(!table.isHolderRow(last + 1));
}

void HoldingsTest::noRecords() {
    const auto table = tableFromLines({u"-1"_s});
    QCOMPARE(table.LastRecord(), -1);
    QCOMPARE(table.recordCount(), 0);
    QCOMPARE(tableFromLines({u"-7"_s, u"ignored"_s}).recordCount(), 0);
}

void HoldingsTest::growsBeyondClassicBounds() {
    // 1700 records, the last with 250 holder rows: more than the classic 1681 x 201 tables.
    QStringList lines{u"1699"_s};
    for (int r = 0; r < 1700; ++r) {
        const int rows = r == 1699 ? 250 : 1;
        lines << u"%1 股"_s.arg(r + 1, 6, 10, QChar(u'0')) << QString::number(rows) << u"head"_s;
        for (int i = 0; i < rows; ++i)
            lines << u"  holder %1"_s.arg(i);
    }
    const auto table = tableFromLines(lines);
    QCOMPARE(table.LastRecord(), 1699);
    QCOMPARE(table.holderRows(1699).size(), 250u);
    QCOMPARE(table.holderRows(1699).back(), u"  holder 249"_s);
    QCOMPARE(table.stockCode(1699), 1700.0);
}

void HoldingsTest::malformedFiles_data() {
    QTest::addColumn<int>("index");
    for (int i = 0; i < int(gegu::test::malformedFiles().size()); ++i)
        QTest::newRow(gegu::test::malformedFiles()[size_t(i)].name) << i;
}

void HoldingsTest::malformedFiles() {
    QFETCH(int, index);
    const MalformedFile& file = gegu::test::malformedFiles()[size_t(index)];
    const QByteArray bytes = file.bytes();
    if (file.error == 0) {
        QCOMPARE(tableFromBytes(bytes).recordCount(), file.lineOrRecords);
        return;
    }
    const RuntimeError e = loadError(bytes);
    QCOMPARE(int(e.number()), file.error);
    QCOMPARE(e.line(), file.lineOrRecords);
    QCOMPARE(e.file(), u"test.rar"_s);
    QVERIFY(e.message().contains(u"runtime error %1: "_s.arg(file.error)));
    QVERIFY(e.message().contains(u"line %1"_s.arg(file.lineOrRecords)));
}

void HoldingsTest::tableIndexOutOfRange() {
    const auto table = tableFromLines(twoRecords);
    for (auto access : {std::function([&] { table.HoldingLines(2, 0); }),
                        std::function([&] { table.HoldingLines(-1, 0); }),
                        std::function([&] { table.HoldingLines(0, -1); }),
                        std::function([&] { table.HolderCounts(2); })}) {
        try {
            access();
            QFAIL("no error raised");
        } catch (const RuntimeError& e) {
            QCOMPARE(int(e.number()), 9);
            QCOMPARE(e.text(), u"Subscript out of range"_s);
        }
    }
}

void HoldingsTest::gbkDecoding_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("ideographs") << "\xbb\xaa\xcf\xc4"_ba << u"华夏"_s;
    QTest::newRow("ASCII") << "600036 a"_ba << u"600036 a"_s;
    QTest::newRow("ideographic space") << "\xa1\xa1"_ba << u"\u3000"_s;
    QTest::newRow("box drawing") << "\xa9\xa4\xa9\xd0"_ba << u"─┬"_s;
    QTest::newRow("0x80 is the euro sign") << "\x80"_ba << u"€"_s;
    QTest::newRow("NUL kept") << QByteArray("a\0b", 3) << QString(u"a\0b"_s);
    QTest::newRow("lead byte before CR") << "\xbb\r\n"_ba << u"\uFFFD\r\n"_s;
    QTest::newRow("lead byte before 0x7F") << "\xbb\x7f"_ba << u"\uFFFD\x7f"_s;
    QTest::newRow("lead byte at end of input") << "a\xbb"_ba << u"a\uFFFD"_s;
    QTest::newRow("character then lone lead byte at end") << "\xbb\xaa\xcf"_ba << u"华\uFFFD"_s;
}

void HoldingsTest::gbkDecoding() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(decodeGbk(bytes), text);
}

void HoldingsTest::filesReadInHalvesReadWhole_data() {
    QTest::addColumn<QByteArray>("bytes");
    // Large files are read in two halves at once, which meet wherever the middle falls: inside
    // a character, between CR and LF.
    const auto repeat = [](QByteArray unit, qsizetype size) {
        QByteArray bytes = "x"_ba;
        while (bytes.size() < size)
            bytes += unit;
        return bytes;
    };
    const qsizetype large = parallelFileSize + 12345;
    QTest::newRow("small") << repeat("\xbb\xaa\xcf\xc4 a\r\n"_ba, 3 << 20) + "\xbb"_ba;
    QTest::newRow("CR LF lines, two halves") << repeat("\xbb\xaa\xcf\xc4 a\r\n"_ba, large);
    QTest::newRow("odd size, two halves") << repeat("\xbb\xaa\xcf"_ba, large + 1);
}

void HoldingsTest::filesReadInHalvesReadWhole() {
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    QFile written(dir.filePath(u"big.rar"_s));
    QVERIFY(written.open(QIODevice::WriteOnly));
    QCOMPARE(written.write(bytes), bytes.size());
    written.close();
    const ByteBuffer read = readDataFile(ReadOnlyFile(nativePath(written.fileName())));
    QVERIFY(QByteArrayView(read.data(), qsizetype(read.size())) == bytes);
}

void HoldingsTest::lineStartsOfLargeTexts_data() {
    QTest::addColumn<QByteArray>("firstRow");
    QTest::addColumn<QByteArray>("secondRow");
    // Texts of a few MiB are split in two halves: one of holder rows as data files have them,
    // one denser in lines than room is kept for, and one that turns dense halfway.
    const QByteArray row = "  \xbb\xaa\xcf\xc4\xb4\xf3\xc5\xcc \xa9\xa6 120.00 \xa9\xa6 1.20"_ba;
    QTest::newRow("rows") << row << row;
    QTest::newRow("empty rows") << QByteArray() << QByteArray();
    QTest::newRow("dense second half") << row << QByteArray();
}

void HoldingsTest::lineStartsOfLargeTexts() {
    QFETCH(QByteArray, firstRow);
    QFETCH(QByteArray, secondRow);
    const int rows = 400000; // over a MiB even of empty rows
    QByteArrayList lines{"0", "600036 X", QByteArray::number(rows), "head"};
    for (int i = 0; i < rows; ++i)
        lines << (i < rows / 2 ? firstRow : secondRow) + QByteArray::number(i % 7 == 0 ? i : 1);
    const HoldingsTable table = tableFromBytes(lines.join("\r\n") + "\r\n");
    QCOMPARE(table.lineCount(), lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (table.lineBytes(i) != lines[i])
            QFAIL(qPrintable(u"line %1 differs"_s.arg(i)));
    }
}

void HoldingsTest::gbkFastPathDecodesAsQtDoes() {
    if (!QStringDecoder("GBK").isValid())
        QSKIP("this Qt has no GBK decoder (no ICU) to hold the rules against; tst_gbk holds the "
              "table against Linux's decoding");
    // Every pair of bytes after a lead byte, between ASCII, once per line and once run
    // together; then random bytes that lean towards GBK's ranges.
    QByteArray lines, runTogether;
    for (int lead = 0x80; lead <= 0xFF; ++lead) {
        for (int trail = 0; trail <= 0xFF; ++trail) {
            const char pair[] = {'a', char(lead), char(trail), 'b'};
            lines += QByteArray(pair, 4) + "\r\n"_ba;
            runTogether += QByteArray(pair + 1, 2);
        }
    }
    QCOMPARE(decodeGbk(lines), decodeGbkWithQt(lines));
    QCOMPARE(decodeGbk(runTogether), decodeGbkWithQt(runTogether));

    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        QByteArray bytes;
        const int n = int(rng() % 300);
        for (int i = 0; i < n; ++i) {
            const unsigned r = rng() % 8;
            bytes += char(r < 3   ? 0xA1 + rng() % 0x5E
                          : r < 6 ? 0x20 + rng() % 0x60
                          : r < 7 ? (rng() % 2 ? '\r' : '\n')
                                  : rng() % 256);
        }
        QCOMPARE(decodeGbk(bytes), decodeGbkWithQt(bytes));
    }
}

void HoldingsTest::gbkEncodesWhatItDecodes() {
    // Every character that some bytes decode to has exactly those bytes, as Qt's encoder
    // writes them; U+FFFD, which many sequences give, and characters GBK lacks have none.
    QStringEncoder qt("GBK");
    int characters = 0;
    for (int lead = 0x80; lead <= 0xFF; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            QByteArray bytes(1, char(lead));
            if (lead != 0x80 && lead != 0xFF)
                bytes += char(trail);
            if (bytes.size() == 2 && !isGbkTrail(uchar(trail)))
                continue;
            const QString text = decodeGbk(bytes);
            QCOMPARE(text.size(), 1);
            QCOMPARE(encodeGbk(text), std::optional(bytes));
            if (qt.isValid())
                QCOMPARE(qt.encode(text), bytes);
            QCOMPARE(firstNonGbk(text), -1);
            ++characters;
        }
    }
    QCOMPARE(characters, 126 * 190 + 2 * 191);
    QCOMPARE(encodeGbk(u"600036 华夏\r\n"), std::optional("600036 \xbb\xaa\xcf\xc4\r\n"_ba));
    QCOMPARE(encodeGbk(u"\uFFFD"), std::nullopt);
    QCOMPARE(encodeGbk(u"a\U0001F600"), std::nullopt);
    QCOMPARE(firstNonGbk(u"ab\U00020000c"), 2);
    QCOMPARE(firstNonGbk(u"\uFFFD"), 0);
}

void HoldingsTest::gbkSplittingBeforeOrAfterDecoding() {
    // Lines split after decoding equal lines split from the bytes and decoded one by one,
    // invalid sequences included.
    QByteArray bytes;
    for (int i = 0; i < 4000; ++i)
        bytes += char((i * 7919 + i / 13) % 256);
    const QStringList whole = decodeGbk(bytes).split(u'\n');
    QStringList lineByLine;
    for (const QByteArray& line : bytes.split('\n'))
        lineByLine << decodeGbk(line);
    QCOMPARE(whole, lineByLine);
}

void HoldingsTest::qtDecoderInChunksDecodesAsWhole() {
    if (!QStringDecoder("GBK").isValid())
        QSKIP("this Qt has no GBK decoder (no ICU) to hold the rules against; tst_gbk holds the "
              "table against Linux's decoding");
    // Qt's decoder is fed in chunks; a chunk may end inside a character, after a lead byte or
    // inside an invalid sequence, and the text must not change.
    std::mt19937 rng(11);
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes;
        const int n = int(rng() % 200);
        for (int i = 0; i < n; ++i) {
            const unsigned r = rng() % 6;
            bytes += char(r < 3 ? 0x81 + rng() % 0x7E : r < 5 ? 0x20 + rng() % 0x60 : rng() % 256);
        }
        const QString whole = decodeGbkWithQt(bytes); // one chunk at this size
        for (qsizetype chunk : {1, 2, 3, 7, 64})
            QCOMPARE(decodeGbkWithQt(bytes, chunk), whole);
    }
}

void HoldingsTest::lineLongerThanQtsLimitKeepsItsText() {
    // Qt's decoder gives nothing for an input past 2^29 bytes in one call; a holder row that
    // long, with bytes that send it to Qt's decoder, must still decode. 1.6 GB of memory and
    // some seconds: run with GEGU_LARGE_TESTS=1.
    if (qEnvironmentVariableIntValue("GEGU_LARGE_TESTS") != 1)
        QSKIP("set GEGU_LARGE_TESTS=1 to decode a line of 2^29 bytes");
    const QByteArray bytes = "0\r\n600001 x\r\n1\r\nhead\r\n\xbb\xaa\xcf\xc4"_ba +
                             QByteArray(qsizetype(1) << 29, '\x80') + "\r\n"_ba;
    const auto table = tableFromBytes(bytes);
    const QString row = table.holderRows(0).back();
    QCOMPARE(row.size(), 2 + (qsizetype(1) << 29));
    QVERIFY(row.startsWith(u"华夏€"));
    QVERIFY(row.endsWith(u"€€"));
}

void HoldingsTest::offsetsPastTheLowBits_data() {
    // Line starts keep 32 bits each and the high parts aside; with a few bits the same happens
    // every few characters, and every line and record must come out as with all the bits.
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("bits");
    const QByteArray records = gbkFile(twoRecords);
    QByteArray longLines = "1\r\n600001 " + QByteArray(300, 'x') + "\r\n1\r\nhead\r\n  row\r\n" +
                           "600002 y\r\n0\r\n" + QByteArray(700, 'h') + "\r\n";
    QByteArray manyLines = "-1\n";
    for (int i = 0; i < 2000; ++i)
        manyLines += QByteArray(i % 40, 'a') + (i % 3 ? "\r\n" : "\n");
    for (int bits : {3, 4, 7, 9}) {
        QTest::addRow("two records, %d bits", bits) << records << bits;
        QTest::addRow("lines longer than a segment, %d bits", bits) << longLines << bits;
        QTest::addRow("many lines, %d bits", bits) << manyLines << bits;
    }
}

void HoldingsTest::offsetsPastTheLowBits() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, bits);
    const auto reference = tableFromBytes(bytes);
    const auto table = HoldingsTable::parse(byteBuffer(bytes), u"test.rar"_s, bits);
    QCOMPARE(table.lineCount(), reference.lineCount());
    for (qsizetype i = 0; i < table.lineCount(); ++i)
        QCOMPARE(table.line(i), reference.line(i));
    QCOMPARE(dump(table), dump(reference));
}

void HoldingsTest::writtenNumbers_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("width");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("right-aligned") << 12.34 << 10 << "     12.34"_ba;
    QTest::newRow("a half, away from zero") << 0.125 << 6 << "  0.13"_ba;
    QTest::newRow("a negative half") << -0.125 << 6 << " -0.13"_ba;
    QTest::newRow("no minus on a zero") << -0.001 << 6 << "  0.00"_ba;
    QTest::newRow("not known: blanks") << std::nan("") << 4 << "    "_ba;
    QTest::newRow("wider than its column") << 123456.0 << 4 << "123456.00"_ba;
    QTest::newRow("past the cents' range") << 2e15 << 10 << "2000000000000000.00"_ba;
    QTest::newRow("far below zero") << -2e15 << 10 << "-2000000000000000.00"_ba;
}

void HoldingsTest::writtenNumbers() {
    QFETCH(double, value);
    QFETCH(int, width);
    QFETCH(QByteArray, written);
    std::string out;
    appendFixed(out, value, width);
    QCOMPARE(QByteArray::fromStdString(out), written);
}

void HoldingsTest::writtenTextsStayOneLine() {
    // A line break inside a field is written as a blank; a character beyond the basic plane
    // takes two columns, as an ideograph does.
    const EncodedText text = encodeText(u"甲\r\n乙\r"_s);
    QCOMPARE(decodeGbk(text.bytes), u"甲  乙 "_s);
    QCOMPARE(text.columns, 7);
    QCOMPARE(displayWidth(u"\U00020000a"), 3);
}

void HoldingsTest::missingFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"gegusj.rar"_s);
    try {
        loadHoldingsFile(nativePath(path));
        QFAIL("loaded a file that is not there");
    } catch (const RuntimeError& e) {
        QCOMPARE(int(e.number()), 53);
        QCOMPARE(e.file(), path);
        QCOMPARE(e.text(), u"File not found"_s);
    }
}

namespace {

// A data file of one record, large enough to be read in two halves, whose rows all say word.
QByteArray largeDataFile(const QString& word) {
    const int rows = 400000;
    return gbkFile({u"0"_s, u"600036 招商银行"_s, QString::number(rows), u"head"_s}) +
           gbkFile({u"  %1 │ 1"_s.arg(word)}).repeated(rows);
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

} // namespace

void HoldingsTest::fileChangedWhileLoading_data() {
    // What happens to the file between the halves of its load, while the first is being read;
    // with a read lease (Linux), or watched as where none can be had.
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("lease");
    QTest::addColumn<int>("error"); // 0: the old file loads whole
#if defined(Q_OS_WIN)
    const int seen = 0; // nobody writes a file while it is read
#else
    const int seen = 57;
#endif
    QTest::newRow("another file put in its place") << u"replace"_s << true << 0;
    QTest::newRow("removed") << u"remove"_s << true << 0;
    // The writer's open waits until the load is done.
    QTest::newRow("rewritten in place") << u"rewrite"_s << true << 0;
    QTest::newRow("grown at its end") << u"append"_s << true << 0;
    // Watched: every change of the open file is seen, its names' too.
    QTest::newRow("another file put in its place, watched") << u"replace"_s << false << seen;
    QTest::newRow("rewritten in place, watched") << u"rewrite"_s << false << seen;
    QTest::newRow("grown at its end, watched") << u"append"_s << false << seen;
}

void HoldingsTest::fileChangedWhileLoading() {
    // Never a table mixed from two files: the file that was opened, whole, or error 57.
    QFETCH(QString, change);
    QFETCH(bool, lease);
    QFETCH(int, error);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"gegusj.rar"_s);
    const QByteArray oldBytes = largeDataFile(u"旧"_s);
    const QByteArray newBytes = largeDataFile(u"新新"_s);
    QVERIFY(oldBytes.size() > parallelFileSize);
    writeBytes(path, oldBytes);
#if defined(Q_OS_WIN)
    const bool heldOff = true; // a writer cannot open the file while it is read
#else
    const bool heldOff = lease;
#endif
    bool changed = false;
    std::error_code refused; // Wine puts no file in the place of an open one
    std::thread writer;
    const auto write = [path, change, newBytes] {
        QFile f(path);
        while (!f.open(change == u"append"_s ? QIODevice::Append : QIODevice::ReadWrite))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        f.write(change == u"append"_s ? "  more\r\n"_ba : newBytes);
    };
    LoadOptions options;
    options.lease = lease;
    options.quietTime = std::chrono::milliseconds(100);
    options.betweenHalves = [&] {
        changed = true;
        if (change == u"replace"_s) {
            // As gegu-import --force puts a new data file in place: at once.
            writeBytes(path + u".new"_s, newBytes);
            std::filesystem::rename(nativePath(path + u".new"_s), nativePath(path), refused);
        } else if (change == u"remove"_s) {
            QVERIFY(QFile::remove(path));
        } else if (heldOff) {
            writer = std::thread(write); // its open waits until the load is done
        } else {
            write();
        }
    };
    try {
        const HoldingsTable table = loadHoldingsFile(nativePath(path), options);
        if (writer.joinable())
            writer.join();
#if defined(Q_OS_WIN)
        if (refused)
            QSKIP("this system puts no file in the place of one that is open");
#endif
        QVERIFY(!refused);
        QVERIFY(changed);
        QCOMPARE(error, 0);
        // The old file's rows, all of them.
        QCOMPARE(table.holderRows(0).size(), 400000u);
        QCOMPARE(table.holderRows(0).back(), u"  旧 │ 1");
        QCOMPARE(table.lineCount(), 400004);
    } catch (const RuntimeError& e) {
        if (writer.joinable())
            writer.join();
        QCOMPARE(int(e.number()), error);
        QCOMPARE(e.file(), path);
    }
}

void HoldingsTest::fileWithoutEndIsError7() {
    SKIP_ON_WINDOWS("/proc/self/pagemap");
    // /proc/self/pagemap says it is empty and goes on for terabytes: error 7 once it passes
    // the memory that the load may take, not when the machine runs out.
    LoadOptions options;
    options.memoryLimit = 64 << 20;
    try {
        loadHoldingsFile(nativePath(u"/proc/self/pagemap"_s), options);
        QFAIL("loaded a file without end");
    } catch (const RuntimeError& e) {
        QCOMPARE(int(e.number()), 7);
        QCOMPARE(e.file(), u"/proc/self/pagemap"_s);
    }
}

void HoldingsTest::dataFileSearch() {
    // The current directory, the user's data directory, the system's data directories (as
    // XDG_DATA_HOME and XDG_DATA_DIRS name them; on Windows the user's roaming application data
    // and the machine's, as %APPDATA% and %PROGRAMDATA% name them), beside the program, and last
    // what ships with Gegu: the sample in sample/ beside the program and in each system data
    // directory. The first that has it answers.
    QTemporaryDir cwd, home, systemA, systemB;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(cwd.path()));
    const QDir program(QCoreApplication::applicationDirPath());
    const QString besideProgram = QDir::toNativeSeparators(program.filePath(u"gegusj.rar"_s));
    const QString programSample =
        QDir::toNativeSeparators(program.filePath(u"sample/gegusj.rar"_s));
#if defined(Q_OS_WIN)
    const auto dataPlace = [](const char* folder) {
        return QDir::toNativeSeparators(qEnvironmentVariable(folder) + u"/gegu/gegusj.rar"_s);
    };
    const QStringList places{u"gegusj.rar"_s, dataPlace("APPDATA"), dataPlace("PROGRAMDATA"),
                             besideProgram, programSample};
    for (const QString& place : places.mid(1, 2)) {
        if (QFileInfo::exists(place))
            QSKIP("a data file of the user's own is there; left as it is");
    }
    const auto restore = qScopeGuard([&] {
        QDir::setCurrent(previous);
        for (const QString& place : places.mid(1)) {
            QFile::remove(place);
            QDir().rmdir(QFileInfo(place).path()); // a gegu or sample folder made here
        }
    });
#else
    const QByteArray previousHome = qgetenv("XDG_DATA_HOME");
    const QByteArray previousDirs = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path()));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(systemA.path() + u':' + systemB.path()));
    const auto restore = qScopeGuard([&] {
        QDir::setCurrent(previous);
        qputenv("XDG_DATA_HOME", previousHome);
        qputenv("XDG_DATA_DIRS", previousDirs);
        QFile::remove(besideProgram);
        QFile::remove(programSample);
        QDir().rmdir(QFileInfo(programSample).path());
    });
    const QStringList places{u"gegusj.rar"_s,
                             home.filePath(u"gegu/gegusj.rar"_s),
                             systemA.filePath(u"gegu/gegusj.rar"_s),
                             systemB.filePath(u"gegu/gegusj.rar"_s),
                             besideProgram,
                             programSample,
                             systemA.filePath(u"gegu/sample/gegusj.rar"_s),
                             systemB.filePath(u"gegu/sample/gegusj.rar"_s)};
#endif
    QFile::remove(besideProgram);
    QFile::remove(programSample);
    try {
        findDataFile();
        QFAIL("found a data file that is nowhere");
    } catch (const RuntimeError& e) {
        QCOMPARE(int(e.number()), 53);
        QCOMPARE(e.searched(), places);
        QVERIFY(e.message().endsWith(u"; looked in \""_s + places.join(u"\", \""_s) + u"\")"_s));
    }
#if !defined(Q_OS_WIN)
    // A link in the current directory that leads nowhere, or to itself, is the data file: its
    // error is reported, not another file's answer.
    QVERIFY(QFile::link(cwd.filePath(u"nowhere"_s), u"gegusj.rar"_s));
    QCOMPARE(displayName(findDataFile()), u"gegusj.rar"_s);
    try {
        LoadHoldings();
        QFAIL("loaded through a link that leads nowhere");
    } catch (const RuntimeError& e) {
        QCOMPARE(int(e.number()), 53);
        QCOMPARE(e.file(), u"gegusj.rar"_s);
    }
    QVERIFY(QFile::remove(u"gegusj.rar"_s));
    QVERIFY(QFile::link(u"gegusj.rar"_s, u"gegusj.rar"_s));
    try {
        LoadHoldings();
        QFAIL("loaded through a link loop");
    } catch (const RuntimeError& e) {
        QCOMPARE(int(e.number()), 75);
    }
    QVERIFY(QFile::remove(u"gegusj.rar"_s));
#endif
    // Put there from the last place to the first; each time the earlier place wins, and the
    // user's data file answers unless a place before it has one.
    const NativePath user = nativePath(places[1]);
    for (qsizetype i = places.size() - 1; i >= 0; --i) {
        QVERIFY(QDir().mkpath(QFileInfo(places[i]).absolutePath()));
        QFile f(places[i]);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(gbkFile({u"0"_s, u"%1 甲"_s.arg(600000 + i), u"0"_s, u"head"_s}));
        f.close();
        QCOMPARE(displayName(findDataFile()), places[i]);
        QCOMPARE(LoadHoldings().HoldingLines(0, 0), u"%1 甲"_s.arg(600000 + i));
        const std::optional<NativePath> inPlace = dataFileInPlaceOf(user);
        QCOMPARE(inPlace ? displayName(*inPlace) : QString(), i == 0 ? places[0] : QString());
    }
    // The current directory being the user's data directory: the same file, by two names.
    QVERIFY(QFile::remove(u"gegusj.rar"_s));
    QVERIFY(QDir::setCurrent(QFileInfo(places[1]).absolutePath()));
    QCOMPARE(displayName(findDataFile()), u"gegusj.rar"_s);
    QVERIFY(!dataFileInPlaceOf(user));
}

void HoldingsTest::programDirectoryOnAnyThread() {
    // The loader looks for the data file on its own thread while the GUI thread starts the
    // window and asks Qt for the program's folder meanwhile: the loader's answer comes from the
    // system, and is the folder that holds this program on every thread.
    const QString program = QCoreApplication::applicationFilePath();
    const NativePath expected = nativePath(QFileInfo(program).absolutePath());
    std::vector<std::future<std::vector<NativePath>>> threads;
    for (int i = 0; i < 4; ++i) {
        threads.push_back(std::async(std::launch::async, [] {
            std::vector<NativePath> answers;
            for (int n = 0; n < 100; ++n)
                answers.push_back(programDirectory());
            return answers;
        }));
    }
    for (auto& thread : threads) {
        while (thread.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            QVERIFY(nativePath(QCoreApplication::applicationDirPath()) == expected);
        for (const NativePath& answer : thread.get())
            QVERIFY2(std::filesystem::equivalent(answer, expected),
                     qPrintable(displayName(answer)));
    }
    QVERIFY(
        std::filesystem::exists(programDirectory() / nativePath(QFileInfo(program).fileName())));
}

void HoldingsTest::stockHeaders_data() {
    QTest::addColumn<QString>("header");
    QTest::addColumn<QStringList>("read"); // code, name, date, table
    QTest::newRow("as written") << u"600036 招商银行  十大股东  2024-06-30"_s
                                << QStringList{u"600036"_s, u"招商银行"_s, u"2024-06-30"_s,
                                               u"十大股东"_s};
    QTest::newRow("with a note") << u"000002 万科  十大流通股东  2020-03-31  示例数据"_s
                                 << QStringList{u"000002"_s, u"万科"_s, u"2020-03-31"_s,
                                                u"十大流通股东"_s};
    QTest::newRow("no name") << u"600036  十大股东  2024-06-30"_s
                             << QStringList{u"600036"_s, QString(), u"2024-06-30"_s, u"十大股东"_s};
    QTest::newRow("leading blanks, no date")
        << u"  600036 招商"_s << QStringList{u"600036"_s, u"招商"_s, QString(), u"十大股东"_s};
    QTest::newRow("short") << u"60"_s << QStringList{u"60"_s, QString(), QString(), u"十大股东"_s};
    QTest::newRow("empty") << QString()
                           << QStringList{QString(), QString(), QString(), u"十大股东"_s};
    QTest::newRow("a date-like word")
        << u"600036 x  2024-6-30 2024-06-301"_s
        << QStringList{u"600036"_s, u"x"_s, u"2024-06-30"_s, u"十大股东"_s};
    // Only days the calendar has are dates.
    QTest::newRow("no such month") << u"600036 x  十大股东  2023-13-45"_s
                                   << QStringList{u"600036"_s, u"x"_s, QString(), u"十大股东"_s};
    QTest::newRow("no such day, then a real one")
        << u"600036 x  2023-02-29  2024-02-29"_s
        << QStringList{u"600036"_s, u"x"_s, u"2024-02-29"_s, u"十大股东"_s};
    QTest::newRow("day 0") << u"600036 x  2024-06-00"_s
                           << QStringList{u"600036"_s, u"x"_s, QString(), u"十大股东"_s};
    QTest::newRow("year 0") << u"600036 x  0000-06-30"_s
                            << QStringList{u"600036"_s, u"x"_s, QString(), u"十大股东"_s};
}

void HoldingsTest::stockHeaders() {
    QFETCH(QString, header);
    QFETCH(QStringList, read);
    const StockHeader h = readStockHeader(header);
    QCOMPARE((QStringList{h.code, h.name, h.date, h.table().toString()}), read);
}

void HoldingsTest::holderCells_data() {
    // Rows as the writer lays them out, and rows that are not made of the five cells.
    QTest::addColumn<QString>("row");
    QTest::addColumn<QStringList>("read"); // name, shares, ratio, type, change; empty: none
    QTest::newRow("as written")
        << u"  华夏大盘精选混合基金  │  12345.68│      5.12│ 流通A股  │ 减持200.00"_s
        << QStringList{u"华夏大盘精选混合基金"_s, u"12345.68"_s, u"5.12"_s, u"流通A股"_s,
                       u"减持200.00"_s};
    QTest::newRow("ratio not known")
        << u"  张三                  │    100.00│          │ 流通A股  │ 新进"_s
        << QStringList{u"张三"_s, u"100.00"_s, QString(), u"流通A股"_s, u"新进"_s};
    QTest::newRow("too few bars") << u"  华夏大盘  │ 1"_s << QStringList{};
    QTest::newRow("too many bars") << u"  a│1│2│3│4│5"_s << QStringList{};
    QTest::newRow("shares not a number") << u"  a│多│2│t│c"_s << QStringList{};
    QTest::newRow("no name") << u"   │1│2│t│c"_s << QStringList{};
    QTest::newRow("empty") << QString() << QStringList{};
}

void HoldingsTest::holderCells() {
    QFETCH(QString, row);
    QFETCH(QStringList, read);
    const std::optional<HolderCells> c = readHolderCells(row);
    QCOMPARE(c.has_value(), !read.isEmpty());
    if (!c)
        return;
    QCOMPARE((QStringList{c->name, c->sharesText, c->ratioText, c->type, c->change}), read);
    QCOMPARE(c->shares.has_value(), !read[1].isEmpty());
    QCOMPARE(c->ratio.has_value(), !read[2].isEmpty());
    if (c->shares)
        QCOMPARE(*c->shares, read[1].toDouble());
}

QTEST_GUILESS_MAIN(HoldingsTest)
#include "tst_holdings.moc"
