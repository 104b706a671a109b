#include "history_file.h"
#include "queries/history.h"
#include "queries/name_index.h"
#include "queries/query.h"
#include "reference_report.h"
#include "support.h"

#include <random>

using namespace gegu;
using namespace gegu::test;
using namespace Qt::StringLiterals;

namespace {

const QString crlf = u"\r\n"_s;
const QString top = u"  ───────────┬─────┬─────┬─────┬──────"_s;
const QString bottom = u"  ───────────┴─────┴─────┴─────┴──────"_s;

QString lines(const QStringList& l) {
    return l.join(crlf) + crlf;
}

// What the output box shows for a query, and whether it found anything.
struct Shown {
    QString text;
    bool found;
};

// Collects a report piece by piece, as gegu-query streams it: every piece overflows.
struct Collector : ReportSink {
    QString text;
    void overflow(QStringView piece) override { text += piece; }
};

Shown ask(const HoldingsTable& table, QStringView query, const NameIndex* index = nullptr) {
    const Report report = runQuery(table, query, index);
    const TextBuffer buffer = reportText(report);
    Collector streamed;
    report.writeTo(streamed);
    const QString text = QString::fromUtf16(buffer.data(), qsizetype(buffer.size()));
    // The buffer, the stream and the lines one by one (as the output box asks for them) agree.
    QStringList shown;
    for (qsizetype k = 0; k < report.lineCount(); ++k) {
        shown << report.line(k);
        if (report.lineLength(k) != shown.back().size())
            qFatal("line %lld is not as long as its length says", qlonglong(k));
    }
    if (streamed.text != text || shown.join(crlf) != text)
        qFatal(
            "the report's text differs between its buffer, its stream and its lines:\n%s\n%s\n%s",
            qPrintable(text), qPrintable(streamed.text), qPrintable(shown.join(crlf)));
    return {text, report.found()};
}

// Three stocks; 000002 appears twice, and only the first may ever be shown.
const QStringList sample{
    u"3"_s,
    u"600036 招商银行"_s,
    u"2"_s,
    u"股东情况 (截止日期：2026-09-30   ) 持股数"_s,
    u"  华夏大盘精选证券投资基金 │  100.00"_s,
    u"  张伟                 │   50.00"_s,
    u"000002 万科"_s,
    u"1"_s,
    u"短头"_s,
    u"  华夏华夏华夏 │ 1"_s,
    u"000002 重复"_s,
    u"1"_s,
    u"head"_s,
    u"  华夏 dup"_s,
    u"300001 创业"_s,
    u"0"_s,
    u"空表头行"_s,
};

} // namespace

class QueriesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { table_ = tableFromLines(sample); }

    void codeReportIsFramed();
    void codeReportWithoutRows();
    void codeReportOfNegativeCount();
    void codeQueries_data();
    void codeQueries();
    void headerCodes_data();
    void headerCodes();
    void unknownCodeSaysSo();
    void nameReportCharacterForCharacter();
    void codesOfEveryExchange_data();
    void codesOfEveryExchange();
    void numericTextsThatAreNoCodesAreNames_data();
    void numericTextsThatAreNoCodesAreNames();
    void emptyQueryListsEveryRowOnce();
    void nameFieldWindow_data();
    void nameFieldWindow();
    void nothingFound();
    void indexGivesTheSameReports();
    void indexStopsWhenAsked();
    void byteSearchAtCharacterBoundaries_data();
    void byteSearchAtCharacterBoundaries();
    void byteSearchAnswersAsTheTextDoes();
    void periodsOfAStockNewestFirst();
    void holderCourseOverThePeriods();
    void theTwoTablesStayApart();
    void emptyTable();

private:
    HoldingsTable table_;
};

void QueriesTest::codeReportIsFramed() {
    const Shown result = ask(table_, u"600036");
    QVERIFY(result.found);
    QCOMPARE(result.text,
             lines({u"600036 招商银行"_s, u"股东情况 (截止日期：2026-09-30   ) 持股数"_s, top,
                    u"  华夏大盘精选证券投资基金 │  100.00"_s,
                    u"  张伟                 │   50.00"_s, bottom}));
    QCOMPARE(TopRule.size(), 38);
    QCOMPARE(BottomRule.size(), 38);
}

void QueriesTest::codeReportWithoutRows() {
    QCOMPARE(ask(table_, u"300001").text, lines({u"300001 创业"_s, u"空表头行"_s, top, bottom}));
}

void QueriesTest::codeReportOfNegativeCount() {
    // No head line was read: its line in the report is empty.
    const auto table = tableFromLines({u"0"_s, u"600000 甲"_s, u"-2"_s});
    QCOMPARE(ask(table, u"600000").text, lines({u"600000 甲"_s, QString(), top, bottom}));
}

void QueriesTest::codeQueries_data() {
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("header");
    QTest::newRow("plain") << u"600036"_s << u"600036 招商银行"_s;
    QTest::newRow("leading blanks") << u"   600036"_s << u"600036 招商银行"_s;
    QTest::newRow("fraction") << u"600036.0"_s << u"600036 招商银行"_s;
    QTest::newRow("trailing text") << u"600036abc"_s << u"600036 招商银行"_s;
    QTest::newRow("blanks inside") << u"600 036"_s << u"600036 招商银行"_s;
    QTest::newRow("without leading zeros") << u"2"_s << u"000002 万科"_s;
    QTest::newRow("exponent") << u"3.00001e5"_s << u"300001 创业"_s;
    QTest::newRow("hex") << u"&H2"_s << u"000002 万科"_s;
}

void QueriesTest::codeQueries() {
    QFETCH(QString, query);
    QFETCH(QString, header);
    const Shown result = ask(table_, query);
    QVERIFY(result.found);
    QVERIFY2(result.text.startsWith(header + crlf), qPrintable(result.text));
}

void QueriesTest::headerCodes_data() {
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("query");
    QTest::newRow("leading blanks in header") << u"   600036 甲"_s << u"600036"_s;
    QTest::newRow("seventh digit ignored") << u"6000361"_s << u"600036"_s;
    QTest::newRow("short header") << u"12"_s << u"12"_s;
    QTest::newRow("blank inside the first six") << u"6 0003"_s << u"60003"_s;
}

void QueriesTest::headerCodes() {
    QFETCH(QString, header);
    QFETCH(QString, query);
    const auto table = tableFromLines({u"0"_s, header, u"0"_s, u"head"_s});
    QCOMPARE(ask(table, query).text, lines({header, u"head"_s, top, bottom}));
}

void QueriesTest::unknownCodeSaysSo() {
    const Shown result = ask(table_, u"  123456 x ");
    QVERIFY(!result.found);
    QCOMPARE(result.text, u"未找到证券代码：123456 x \r\n"_s);
}

void QueriesTest::nameReportCharacterForCharacter() {
    // The row holding 华夏 three times is listed once; the duplicate stock is searched too.
    const Shown result = ask(table_, u"华夏");
    QVERIFY(result.found);
    QCOMPARE(result.text,
             lines({u"股东华夏持有："_s, u"600036 招商银行:截止日期：2026-09-30   )"_s,
                    u"  华夏大盘精选证券投资基金 │  100.00"_s, u"000002 万科:)"_s,
                    u"  华夏华夏华夏 │ 1"_s, u"000002 重复:)"_s, u"  华夏 dup"_s, QString()}));
}

void QueriesTest::codesOfEveryExchange_data() {
    QTest::addColumn<QString>("code");
    // Shanghai's last, the first past the old limit of 700000, Beijing's, the last of all.
    for (const char* code : {"699999", "700000", "830799", "920001", "999999"})
        QTest::newRow(code) << QString::fromLatin1(code);
}

void QueriesTest::codesOfEveryExchange() {
    QFETCH(QString, code);
    const auto table =
        tableFromLines({u"1"_s, u"600036 甲"_s, u"0"_s, u"head"_s, code + u" 北证示例"_s, u"1"_s,
                        u"head"_s, u"  某 "_s + code});
    const Shown result = ask(table, code);
    QVERIFY(result.found);
    QCOMPARE(result.text,
             lines({code + u" 北证示例"_s, u"head"_s, top, u"  某 "_s + code, bottom}));
}

void QueriesTest::numericTextsThatAreNoCodesAreNames_data() {
    QTest::addColumn<QString>("query");
    for (const char* q : {"0", "-3", "1000000", "1000001", "1e6", "0.0"})
        QTest::newRow(q) << QString::fromLatin1(q);
}

void QueriesTest::numericTextsThatAreNoCodesAreNames() {
    QFETCH(QString, query);
    const auto table =
        tableFromLines({u"0"_s, u"000001 甲"_s, u"1"_s, u"head"_s, u"  基金"_s + query + u" 号"_s});
    const Shown result = ask(table, query);
    QVERIFY(result.found);
    QCOMPARE(result.text, lines({u"股东"_s + query + u"持有："_s, u"000001 甲:)"_s,
                                 u"  基金"_s + query + u" 号"_s, QString()}));
}

void QueriesTest::emptyQueryListsEveryRowOnce() {
    for (const QString& query : {QString(), u"   "_s}) {
        const Shown result = ask(table_, query);
        QVERIFY(result.found);
        QVERIFY(result.text.startsWith(u"股东持有：\r\n"_s));
        QCOMPARE(result.text.count(u"  张伟"_s), 1);
        QCOMPARE(result.text.count(u"  华夏华夏华夏"_s), 1);
        // Four holder rows, two lines each, plus heading and final line.
        QCOMPARE(result.text.count(crlf), 1 + 4 * 2 + 1);
    }
}

void QueriesTest::nameFieldWindow_data() {
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("found");
    const QString eighteen = u"一二三四五六七八九十甲乙丙丁戊己庚辛"_s;
    const QString row = u"  "_s + eighteen + u"子丑"_s; // characters 3 to 20 are the field
    QTest::newRow("name at the start") << row << u"一二"_s << true;
    QTest::newRow("ends at the 20th character") << row << u"庚辛"_s << true;
    QTest::newRow("crosses the 20th character") << row << u"辛子"_s << false;
    QTest::newRow("beyond the 20th character") << row << u"子丑"_s << false;
    QTest::newRow("whole field") << row << eighteen << true;
    QTest::newRow("longer than the field") << row << eighteen + u"子"_s << false;
    QTest::newRow("query longer than 20") << QString(30, u'a') << QString(21, u'a') << false;
    QTest::newRow("trailing blank matches a blank") << u"  张伟 基金"_s << u"张伟 "_s << true;
    QTest::newRow("trailing blank needs a blank") << u"  张伟基金"_s << u"张伟 "_s << false;
    QTest::newRow("trailing blank beyond the field") << u"  张伟"_s << u"张伟 "_s << false;
    QTest::newRow("case matters") << u"  ABC Fund"_s << u"abc"_s << false;
    QTest::newRow("full-width differs") << u"  ＡＢＣ"_s << u"ABC"_s << false;
    QTest::newRow("inner blanks stay") << u"a  b"_s << u"  b"_s << true;
    QTest::newRow("short row") << u"x"_s << u"x"_s << true;
}

void QueriesTest::nameFieldWindow() {
    QFETCH(QString, row);
    QFETCH(QString, query);
    QFETCH(bool, found);
    const auto table = tableFromLines({u"0"_s, u"000001 甲"_s, u"1"_s, u"head"_s, row});
    const Shown result = ask(table, query);
    QCOMPARE(result.found, found);
    QCOMPARE(result.text.contains(crlf + row + crlf), found);
}

void QueriesTest::nothingFound() {
    const Shown result = ask(table_, u"不存在的股东");
    QVERIFY(!result.found);
    QCOMPARE(result.text, u"股东不存在的股东持有：\r\n\r\n"_s);
}

void QueriesTest::emptyTable() {
    const auto table = tableFromLines({u"-1"_s});
    QCOMPARE(ask(table, u"").text, u"股东持有：\r\n\r\n"_s);
    QVERIFY(!ask(table, u"").found);
    QVERIFY(!ask(table, u"600036").found);
}

void QueriesTest::indexGivesTheSameReports() {
    // Records of every awkward size around the index's 64-row words, empty and negative counts,
    // enough rows for the two halves; queries of every kind, checked against the plain scan.
    const char16_t* names[] = {
        u"华夏大盘精选", u"华夏",     u"南岭成长混合基金", u"张伟",
        u"王",           u"ABC Fund", u"  华  夏 ",        u"一二三四五六七八九十甲乙丙丁戊己庚辛"};
    QStringList lines{u"0"_s};
    int records = 0;
    for (int round = 0; round < 1400; ++round) {
        const int rows = round % 7 == 0 ? 0 : round % 11 == 0 ? -1 : (round * 37) % 131;
        lines << u"%1 股"_s.arg(600000 + round) << QString::number(rows);
        if (rows >= 0)
            lines << u"head"_s;
        for (int i = 0; i < rows; ++i)
            lines << u"  "_s + QString::fromUtf16(names[(round + i) % 8]) + u" │ %1"_s.arg(i);
        ++records;
    }
    // Fewer rows than the search has in flight at once.
    lines << u"699999 股"_s << u"3"_s << u"head"_s;
    for (int i = 0; i < 3; ++i)
        lines << u"  独一无二 │ %1"_s.arg(i);
    ++records;
    lines[0] = QString::number(records - 1);
    const auto table = tableFromLines(lines);
    QVERIFY(table.lineCount() > 65536); // searched in two halves
    const NameIndex index(table);
    for (QStringView query : {u"", u"   ", u"华夏", u"华夏大盘", u"王", u"伟", u"ABC", u"abc",
                              u"华  夏", u"│", u" │ 1", u"戊己庚辛", u"辛子", u"不存在", u"独一",
                              u"一二三四五六七八九十甲乙丙丁戊己庚辛", u"2"}) {
        const Shown scanned = ask(table, query);
        const Shown indexed = ask(table, query, &index);
        QVERIFY2(indexed.text == scanned.text, qPrintable(query.toString()));
        QCOMPARE(indexed.found, scanned.found);
    }
}

void QueriesTest::indexStopsWhenAsked() {
    // Asked to stop before it starts, an index of many rows leaves most of them unsigned:
    // it stopped instead of finishing (closing the window never waits for it).
    QStringList lines{u"0"_s, u"600036 甲"_s, u"200000"_s, u"head"_s};
    for (int i = 0; i < 200000; ++i)
        lines << u"  华夏"_s;
    const HoldingsTable big = tableFromLines(lines);
    std::stop_source stop;
    stop.request_stop();
    const NameIndex stopped(big, stop.get_token());
    qsizetype candidates = 0;
    stopped.forEachCandidate(NameIndex::signature(*encodeGbk(u"华夏")), 0, stopped.rows(),
                             [&](qsizetype) { ++candidates; });
    QVERIFY2(candidates < 200000 / 2, qPrintable(QString::number(candidates)));
    const NameIndex whole(big);
    candidates = 0;
    whole.forEachCandidate(NameIndex::signature(*encodeGbk(u"华夏")), 0, whole.rows(),
                           [&](qsizetype) { ++candidates; });
    QCOMPARE(candidates, 200000);
}

void QueriesTest::byteSearchAtCharacterBoundaries_data() {
    // A holder row's bytes (GBK, after two blanks) and a query: whether the row is listed. The
    // row's bytes hold the query's bytes in every case; only some are the query's characters.
    QTest::addColumn<QByteArray>("row");
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("listed");
    // 丂 is 0x81 0x40: its trail byte is '@'; 华 is 0xBB 0xAA, 夏 0xCF 0xC4.
    QTest::newRow("ASCII that is a trail byte") << "\x81\x40"_ba << u"@"_s << false;
    QTest::newRow("ASCII pair, the first a trail byte") << "\x81\x41\x42"_ba << u"AB"_s << false;
    QTest::newRow("ASCII pair after a whole character") << "\x81\x40\x41\x42"_ba << u"AB"_s << true;
    QTest::newRow("a character across two others") << "\xb0\xbb\xaa\xa1"_ba << u"华"_s << false;
    QTest::newRow("the same bytes at a boundary") << "\xb0\xa1\xbb\xaa"_ba << u"华"_s << true;
    QTest::newRow("a trail byte that is a lead byte, twice")
        << "\xb0\xbb\xaa\xcf\xc4\xa1"_ba << u"华夏"_s << false;
    // The field is the first 20 characters: two blanks and 18 more.
    QTest::newRow("within the 20th character")
        << "x"_ba.repeated(16) + "\xbb\xaa\xcf\xc4"_ba << u"华夏"_s << true;
    QTest::newRow("straddling the 20th character")
        << "x"_ba.repeated(17) + "\xbb\xaa\xcf\xc4"_ba << u"华夏"_s << false;
    QTest::newRow("beyond the 20th character")
        << "\xbb\xaa"_ba.repeated(18) + "\xcf\xc4"_ba << u"夏"_s << false;
    // Bytes that GBK does not define: a lead byte before a byte that is no trail is U+FFFD
    // alone, and the byte after it is read afresh.
    QTest::newRow("after a lead byte without its trail")
        << "\x81\x30\xbb\xaa"_ba << u"华"_s << true;
    QTest::newRow("the byte after a lone lead byte starts a character")
        << "\xbb\x30\xaa"_ba << u"0"_s << true;
    QTest::newRow("U+FFFD is asked for by its text") << "a\x81\x30"
                                                        "b"_ba
                                                     << u"a\uFFFD0"_s << true;
    QTest::newRow("U+FFFD from a lead byte at the end") << "a\xfe"_ba << u"a\uFFFD"_s << true;
    QTest::newRow("U+FFFD where the row has none") << "a\x80"_ba << u"a\uFFFD"_s << false;
    QTest::newRow("the euro sign, one byte") << "\xb0\xa1\x80"_ba << u"€"_s << true;
    QTest::newRow("0x80 as a trail byte") << "\xb0\x80\xa1"_ba << u"€"_s << false;
    QTest::newRow("0xFF, one character of its own") << "\xff\xbb\xaa"_ba << u"\uF8F5华"_s << true;
    QTest::newRow("a character no bytes give") << "\xbb\xaa"_ba << u"华\U0001F600"_s << false;
    QTest::newRow("a query with a line break") << "a\r\nb"_ba << u"a\r\nb"_s << false;
}

void QueriesTest::byteSearchAtCharacterBoundaries() {
    QFETCH(QByteArray, row);
    QFETCH(QString, query);
    QFETCH(bool, listed);
    const QByteArray file = "0\r\n600001 x\r\n1\r\nhead\r\n  "_ba + row + "\r\n"_ba;
    const HoldingsTable table = tableFromBytes(file);
    const NameIndex index(table);
    for (const NameIndex* names : {static_cast<const NameIndex*>(nullptr), &index}) {
        const Report report = runQuery(table, query, names);
        QCOMPARE(report.found(), listed);
        QCOMPARE(report.lineCount(), referenceReport(table, query).split(crlf).size());
    }
    QCOMPARE(ask(table, query).text, referenceReport(table, query));
}

void QueriesTest::byteSearchAnswersAsTheTextDoes() {
    // Random tables of GBK characters, ASCII and stray bytes, and queries cut from their rows'
    // decoded text: the byte search with the index and without, in one pass and in two halves,
    // lists what searching the decoded text lists.
    std::mt19937 rng(2026);
    const auto randomRow = [&] {
        QByteArray row = QByteArray(int(rng() % 4), ' ');
        const int length = int(rng() % 40);
        for (int i = 0; i < length; ++i) {
            const unsigned kind = rng() % 10;
            if (kind < 5) { // one of a few ideographs, so that queries recur
                row += char(0xB0 + rng() % 3);
                row += char(0xA1 + rng() % 3);
            } else if (kind < 8) {
                row += char('0' + rng() % 3);
            } else if (kind < 9) {
                row += char(0x40 + rng() % 4); // bytes that are trail bytes too
            } else {
                row += char(0x80 + rng() % 128); // anything from 0x80 up
            }
        }
        return row;
    };
    for (int round = 0; round < 5; ++round) {
        const bool large = round == 4; // enough lines to be searched in two halves
        const int records = large ? 400 : 20;
        QByteArray file = QByteArray::number(records - 1) + "\r\n";
        QList<QByteArray> rows;
        for (int r = 0; r < records; ++r) {
            const int count = large ? 200 : int(rng() % 6);
            file += QByteArray::number(600000 + r) + " name\r\n" + QByteArray::number(count) +
                    "\r\nhead line of the table\r\n";
            for (int i = 0; i < count; ++i) {
                rows << randomRow();
                file += rows.back() + "\r\n";
            }
        }
        const HoldingsTable table = tableFromBytes(file);
        const NameIndex index(table);
        for (int q = 0; q < (large ? 6 : 40); ++q) {
            const QString row = decodeGbk(rows[rng() % rows.size()]);
            const qsizetype from = row.isEmpty() ? 0 : qsizetype(rng() % row.size());
            const QString query = LTrim(row.mid(from, 1 + rng() % 3)).toString();
            const QString expected = referenceReport(table, query);
            QCOMPARE(ask(table, query).text, expected);
            QCOMPARE(ask(table, query, &index).text, expected);
        }
    }
}

void QueriesTest::periodsOfAStockNewestFirst() {
    // The records of a stock, newest first, wherever they stand in the file; a code query
    // shows the first record of the code, as always.
    const HoldingsTable table = tableFromBytes(historyFile());
    QStringList dates;
    QList<qsizetype> records;
    for (const Period& p : stockPeriods(table, 600036)) {
        dates << p.date;
        records << p.record;
    }
    QCOMPARE(dates, (QStringList{u"2024-06-30"_s, u"2024-03-31"_s, u"2023-12-31"_s}));
    QCOMPARE(records, (QList<qsizetype>{1, 3, 2}));
    QCOMPARE(stockPeriods(table, 2).size(), 1u);
    QVERIFY(stockPeriods(table, 123).empty());
    QVERIFY(ask(table, u"600036").text.contains(u"2024-06-30"_s));
}

void QueriesTest::holderCourseOverThePeriods() {
    // Oldest first; a period without the holder has no rows (a gap), two rows of one period
    // (two share types) add up and keep their ranks.
    const HoldingsTable table = tableFromBytes(historyFile());
    const std::vector<HolderPeriod> course = holderCourse(table, 600036, u"华夏大盘"_s);
    QCOMPARE(course.size(), 3u);
    QCOMPARE(course[0].period.date, u"2023-12-31"_s);
    QVERIFY(course[0].rows.empty());
    QCOMPARE(course[0].shares(), std::nullopt);
    QCOMPARE(course[1].period.date, u"2024-03-31"_s);
    QCOMPARE(course[1].rows.size(), 1u);
    QCOMPARE(course[1].rows[0].rank, 1);
    QCOMPARE(course[1].rows[0].cells.change, u"新进"_s);
    QCOMPARE(course[2].rows.size(), 2u);
    QCOMPARE(course[2].rows[0].rank, 2);
    QCOMPARE(course[2].rows[1].rank, 3);
    QCOMPARE(course[2].rows[1].cells.type, u"限售A股"_s);
    QCOMPARE(*course[2].shares(), 150.0);
    QVERIFY(std::abs(*course[2].ratio() - 1.5) < 1e-9);
    QCOMPARE(course[2].rows[0].cells.change, u"增持20.00"_s);
    // Another holder, and one that is nowhere.
    QCOMPARE(*holderCourse(table, 600036, u"香港中央结算有限公司"_s)[0].shares(), 200.0);
    for (const HolderPeriod& p : holderCourse(table, 600036, u"无此人"_s))
        QVERIFY(p.rows.empty());
}

void QueriesTest::theTwoTablesStayApart() {
    // A stock with both tables: its periods say which each is, and a holder's course follows
    // one table, never adding a ratio of the float to one of the share capital.
    const HoldingsTable table = tableFromBytes(bothTablesFile());
    const std::vector<Period> periods = stockPeriods(table, 600036);
    QCOMPARE(periods.size(), 3u);
    QVERIFY(holdsBothTables(periods));
    QVERIFY(!holdsBothTables({periods[0]}));
    QCOMPARE(periods[0].floatHolders, false);
    QCOMPARE(periods[1].floatHolders, true);
    QCOMPARE(periods[2].floatHolders, true);
    const std::vector<HolderPeriod> holders = holderCourse(table, 600036, u"华夏大盘"_s);
    QCOMPARE(holders.size(), 1u);
    QCOMPARE(*holders[0].ratio(), 1.0);
    const std::vector<HolderPeriod> float_ = holderCourse(table, 600036, u"华夏大盘"_s, true);
    QCOMPARE(float_.size(), 2u);
    QCOMPARE(float_[0].period.date, u"2024-03-31"_s);
    QCOMPARE(*float_[1].shares(), 100.0);
    QVERIFY(std::abs(*float_[1].ratio() - 1.6) < 1e-9);
}

QTEST_APPLESS_MAIN(QueriesTest)
#include "tst_queries.moc"
