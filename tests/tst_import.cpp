// gegu-import: the rules of the library on in-memory exports, and the program as users run it.

#include "holdings/data_file.h"
#include "import/holder_names.h"
#include "import/importer.h"
#include "import/output_file.h"
#include "malformed_exports.h"
#include "processes.h"
#include "queries/query.h"
#include "support.h"
#include "tools/top_holders.h"

#include <QBuffer>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace gegu;
using namespace gegu::test;
using namespace Qt::StringLiterals;

namespace {

// What an import of the CSV texts gives: its errors, or the data file it writes, decoded, and
// the table it loads into.
struct Imported {
    QStringList errors;
    qint64 errorCount = 0;
    QString text;
    HoldingsTable table;
    ImportSummary summary;
    QStringList warnings; // the summary's, as the command line words them
    QStringList titles;   // what the summary says was read from titles and file names
    QStringList assumed;  // the files whose tables were read as 十大股东 for want of a word
};

QStringList texts(const std::vector<ImportMessage>& messages) {
    QStringList all;
    for (const ImportMessage& m : messages)
        all << m.text();
    return all;
}

Imported tryImport(const QList<QByteArray>& csvs, const ImportSettings& settings = {}) {
    Importer importer(settings);
    for (qsizetype i = 0; i < csvs.size(); ++i)
        importer.read(csvs[i], u"in%1.csv"_s.arg(i + 1));
    importer.finish();
    Imported i;
    for (const ImportError& e : importer.errors().first())
        i.errors << e.text();
    i.errorCount = importer.errors().count();
    i.summary = importer.summary();
    i.warnings = texts(i.summary.warnings);
    for (const ImportMessage& m : i.summary.titles)
        (m.kind() == ImportKind::KindAssumed ? i.assumed : i.titles) << m.text();
    if (!i.errors.isEmpty())
        return i;
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    if (!importer.write(out))
        qFatal("the import was not written");
    i.text = decodeGbk(bytes);
    i.table = tableFromBytes(bytes);
    return i;
}

// An import that must succeed.
Imported import(const QList<QByteArray>& csvs, const ImportSettings& settings = {}) {
    Imported i = tryImport(csvs, settings);
    if (!i.errors.isEmpty())
        qFatal("the import failed: %s", qPrintable(i.errors.join(u'\n')));
    return i;
}

// The errors of an import that must fail.
QStringList importErrors(const QList<QByteArray>& csvs, const ImportSettings& settings = {}) {
    const Imported i = tryImport(csvs, settings);
    if (i.errors.isEmpty())
        QTest::qFail("the import succeeded", __FILE__, __LINE__);
    return i.errors;
}

QByteArray utf16(const QString& text, QStringEncoder::Encoding encoding) {
    QStringEncoder encoder(encoding, QStringEncoder::Flag::WriteBom);
    return encoder.encode(text);
}

const QByteArray stockHeader =
    "股票代码,股票简称,截止日期,名次,股东名称,股份类型,持股数,占总股本持股比例,增减\n";
const QByteArray minimalHeader = "code,end_date,holder_name,hold_amount\n";

// What gegu-import says of a file whose table does not say which of the two tables it is.
QByteArray assumedKind(const char* file, int line = 1) {
    return "gegu-import: " + QByteArray(file) + ':' + QByteArray::number(line) +
           ": says neither 十大股东 nor 十大流通股东: read as 十大股东 (--float, a title or "
           "十大流通股东 in the file's name marks float holders)\n";
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A query's report, as gegu-query prints it.
QString report(const HoldingsTable& table, QStringView query) {
    const TextBuffer text = reportText(runQuery(table, query));
    return QString::fromUtf16(text.data(), qsizetype(text.size()));
}

// The first holder row of a record.
QString firstRow(const Imported& i, qsizetype record = 0) {
    return *i.table.holderRows(record).begin();
}

} // namespace

class ImportTest : public QObject {
    Q_OBJECT
private slots:
    void roundTrip();
    void exportsAsUsersNameThem_data();
    void exportsAsUsersNameThem();
    void programSpeaksTheUsersLanguage();
    void columnNames_data();
    void columnNames();
    void headersWithUnits_data();
    void headersWithUnits();
    void unitsThatCannotBelong_data();
    void unitsThatCannotBelong();
    void titles_data();
    void titles();
    void brokerExportWithTitle();
    void exportsJoinedByCat();
    void tableEnds_data();
    void tableEnds();
    void settingsGiveWhatFilesLack();
    void placeholders_data();
    void placeholders();
    void sameHoldingInTwoExports_data();
    void sameHoldingInTwoExports();
    void unusedColumnsNamed();
    void everyErrorInOneRun();
    void encodings_data();
    void encodings();
    void encodingsWeighedAtEveryOffset();
    void separators_data();
    void separators();
    void holderNamesFitTheirColumn_data();
    void holderNamesFitTheirColumn();
    void holdersOfOneTableKeptApart();
    void cellsStandUnderTheJoints_data();
    void cellsStandUnderTheJoints();
    void summaryCounts();
    void valuesThatCannotBeRight_data();
    void valuesThatCannotBeRight();
    void codeForms_data();
    void codeForms();
    void dateForms_data();
    void dateForms();
    void numbers_data();
    void numbers();
    void quotingAndLineBreaks();
    void plainLinesReadAsLibcsvReadsThem_data();
    void plainLinesReadAsLibcsvReadsThem();
    void latestPeriodOrHistory();
    void rowOrderWithoutRank();
    void floatHolders();
    void namesFromAList();
    void malformedExports_data();
    void malformedExports();
    void largeExportReadInHalvesAsInOne_data();
    void largeExportReadInHalvesAsInOne();
    void outputFile_data();
    void outputFile();
    void outputThatAppearsMeanwhileStays();
    void outputReplaced();
    void program_data();
    void program();
    void programWritesNothingOnError();
    void programOptionsAndMessages_data();
    void programOptionsAndMessages();
    void programWithNativeNames();
    void programOutputNames();
};

void ImportTest::roundTrip() {
    const Imported i =
        import({stockHeader + "600036,示例银行,2024-06-30,1,华夏大盘精选混合基金,流通A股,"
                              "123456789,5.12,-2000000\n"
                              "600036,示例银行,2024-06-30,2,张三,流通A股,1000000,0.04,新进\n"
                              "1,平安示例,2024-06-30,1,某某投资公司,限售A股,300000,0.02,0\n"});
    QCOMPARE(i.table.recordCount(), 2);
    // Records in code order; shares in 万股 with two decimals; changes of shares in words and 万股.
    QCOMPARE(report(i.table, u"600036"),
             u"600036 示例银行  十大股东  2024-06-30\r\n"
             u"股东情况 (截止日期：2024-06-30   ) 持股数(万股)  占比(%)  股份性质  增减\r\n"_s +
                 TopRule.toString() +
                 u"\r\n"
                 u"  华夏大盘精选混合基金  │  12345.68│      5.12│ 流通A股  │ 减持200.00\r\n"
                 u"  张三                  │    100.00│      0.04│ 流通A股  │ 新进\r\n"_s +
                 BottomRule.toString() + u"\r\n"_s);
    QVERIFY(
        report(i.table, u"1")
            .contains(u"  某某投资公司          │     30.00│      0.02│ 限售A股  │ 不变\r\n"_s));
    QCOMPARE(report(i.table, u"华夏"),
             u"股东华夏持有：\r\n600036 示例银行  十大股东  2024-06-30:截止日期：2024-06-30   )\r\n"
             u"  华夏大盘精选混合基金  │  12345.68│      5.12│ 流通A股  │ 减持200.00\r\n\r\n"_s);
    QCOMPARE(i.summary.rows, 3);
    QCOMPARE(i.summary.stocks, 2);
    QCOMPARE(i.summary.periods, 1);
    QCOMPARE(i.summary.records, 2);
    QCOMPARE(i.warnings, QStringList());
}

void ImportTest::columnNames_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("name");
    for (int c = 0; c < columnCount; ++c) {
        for (const QString& name : gegu::columnNames(Column(c)))
            QTest::addRow("%s", qPrintable(name)) << c << name;
    }
}

void ImportTest::columnNames() {
    // Each column's every name, in a header whose other columns use other names, in another
    // order, with a column nobody reads.
    QFETCH(int, column);
    QFETCH(QString, name);
    QStringList names{u"证券代码"_s,          u"名称"_s,     u"end_date"_s,
                      u"holder_name"_s,       u"持股数量"_s, u"hold_ratio"_s,
                      u"占流通股比例"_s,      u"股本性质"_s, u"持股变化"_s,
                      u"期末持股-持股变动"_s, u"股东排名"_s};
    names[column] = name;
    std::reverse(names.begin(), names.end());
    names.insert(3, u"公告日"_s);
    // Rank, words, change, type, announcement date, float ratio, ratio, shares, holder, date,
    // name, code.
    const QStringList row{u"2"_s,       u"增持"_s,     u"增持"_s,   u"2024-07-01"_s,
                          u"流通A股"_s, u"2.50"_s,     u"1.50"_s,   u"300000"_s,
                          u"某基金"_s,  u"20240630"_s, u"示例名"_s, u"600036"_s};
    QStringEncoder utf8(QStringEncoder::Utf8);
    const QByteArray csv = utf8.encode(names.join(u',') + u'\n' + row.join(u',') + u'\n');
    ImportSettings settings;
    settings.floatHolders = Column(column) == Column::FloatRatio;
    const QString text = import({csv}, settings).text;
    QVERIFY2(text.contains(u"600036 示例名"_s) && text.contains(u"2024-06-30"_s) &&
                 text.contains(u"  某基金"_s) && text.contains(u"│     30.00│"_s) &&
                 text.contains(settings.floatHolders ? u"│      2.50│"_s : u"│      1.50│"_s) &&
                 text.contains(u"│ 流通A股  │ 增持"_s),
             qPrintable(text));
}

void ImportTest::headersWithUnits_data() {
    // A header's unit decides how its numbers are read: shares and changes in 股 are divided
    // by 10,000, in 万股 kept, in 亿股 multiplied by 10,000. The header names the shares, the
    // change and the ratio.
    QTest::addColumn<QByteArray>("names");
    QTest::addColumn<QByteArray>("row");
    const QByteArray row = "1500000,-20000,5.12";
    QTest::newRow("no units") << "持股数,增减,持股比例"_ba << row;
    QTest::newRow("shares") << "持股数(股),增减(股),占总股本持股比例(%)"_ba << row;
    QTest::newRow("full-width brackets and blanks")
        << "持股数量（股）,增 减（股）,占总股本比例（％）"_ba << row;
    QTest::newRow("square brackets") << "持股数[股],增减【股】,持股比例[%]"_ba << row;
    QTest::newRow("a line break in quotes")
        << "\"持股数量\n(股)\",\"增减\r\n(股)\",\"持股\n比例\""_ba << row;
    QTest::newRow("ten thousands") << "持股数量（万股）,增减(万股),持股比例"_ba
                                   << "150,-2,5.12"_ba;
    QTest::newRow("hundred millions") << "持股数量(亿股),增减(亿股),持股比例"_ba
                                      << "0.015,-0.0002,5.12"_ba;
    QTest::newRow("full-width letters")
        << "ＨＯＬＤ＿ＡＭＯＵＮＴ,Hold_Change,HOLD_RATIO"_ba << row;
}

void ImportTest::headersWithUnits() {
    QFETCH(QByteArray, names);
    QFETCH(QByteArray, row);
    const Imported i =
        import({"code,end_date,holder_name," + names + "\n600036,20240630,某," + row + "\n"});
    QCOMPARE(firstRow(i).sliced(firstRow(i).indexOf(u'│')),
             u"│    150.00│      5.12│          │ 减持2.00"_s);
    QCOMPARE(i.warnings, QStringList()); // every column used
}

void ImportTest::unitsThatCannotBelong_data() {
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QString>("error");
    QTest::newRow("shares in percent")
        << "code,end_date,holder_name,持股数(%)"_ba
        << u"in1.csv:1: 持股数(%): % is not a unit of shares (股, 万股, 亿股)"_s;
    QTest::newRow("shares in yuan")
        << "code,end_date,holder_name,持股数量(元)"_ba
        << u"in1.csv:1: 持股数量(元): 元 is not a unit of shares (股, 万股, 亿股)"_s;
    QTest::newRow("a change in percent")
        << "code,end_date,holder_name,持股数,增减(%)"_ba
        << u"in1.csv:1: 增减(%): % is not a unit of shares (股, 万股, 亿股)"_s;
    QTest::newRow("a ratio in shares")
        << "code,end_date,holder_name,持股数,持股比例(股)"_ba
        << u"in1.csv:1: 持股比例(股): 股 is not a unit of a ratio (%)"_s;
    QTest::newRow("a name in shares")
        << "code,end_date,股东名称(股),持股数"_ba
        << u"in1.csv:1: 股东名称(股): a column of text, with the unit 股"_s;
}

void ImportTest::unitsThatCannotBelong() {
    QFETCH(QByteArray, header);
    QFETCH(QString, error);
    QCOMPARE(importErrors({header + "\n600036,20240630,某,1,1\n"}), QStringList{error});
}

void ImportTest::titles_data() {
    // What title lines say: the code (in its forms), the stock's name beside it, the report
    // date (the one labelled so where there are several, never the announcement's), and
    // whether the holders are float holders.
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("date");
    QTest::addColumn<bool>("floatHolders");
    QTest::addColumn<QStringList>("unmarked"); // codes or dates, none taken
    const QStringList none;
    QTest::newRow("name(code), dates labelled")
        << u"招商银行(600036) 十大股东 截止日期：2024-06-30 公告日期：2024-08-20"_s << 600036
        << u"招商银行"_s << 20240630 << false << none;
    QTest::newRow("the announcement first")
        << u"公告日期:2024-08-20 报告期:2024-06-30 600036.SH 招商银行 十大流通股东"_s << 600036
        << u"招商银行"_s << 20240630 << true << none;
    QTest::newRow("exchange before, date alone") << u"sh600036 招商银行\n2024年6月30日"_s << 600036
                                                 << u"招商银行"_s << 20240630 << false << none;
    QTest::newRow("labels for every part")
        << u"股票代码：000002 股票简称：万科Ａ 截止日期：20240331"_s << 2 << u"万科A"_s << 20240331
        << false << none;
    QTest::newRow("full-width brackets, no name before")
        << u"（600036）招商银行 2024/6/30 十大股东"_s << 600036 << u"招商银行"_s << 20240630
        << false << none;
    QTest::newRow("only the announcement's date") << u"招商银行(600036) 公告日期：2024-08-20"_s
                                                  << 600036 << u"招商银行"_s << 0 << false << none;
    QTest::newRow("two dates, neither labelled")
        << u"招商银行(600036) 2024-06-30 2024-03-31"_s << 600036 << u"招商银行"_s << 0 << false
        << QStringList{u"2024-06-30"_s, u"2024-03-31"_s};
    QTest::newRow("two report dates")
        << u"截止日期：2024-06-30 报告期：2024-03-31"_s << 0 << QString() << 0 << false
        << QStringList{u"2024-06-30"_s, u"2024-03-31"_s};
    QTest::newRow("a report period's end") << u"(600036) 报告期：2024-01-01至2024-06-30"_s << 600036
                                           << QString() << 20240630 << false << none;
    QTest::newRow("a range alone") << u"(600036) 2024-01-01 ～ 2024-06-30"_s << 600036 << QString()
                                   << 20240630 << false << none;
    QTest::newRow("no code: a date is no code") << u"十大股东 20240630 导出时间 2024-08-20 15:30"_s
                                                << 0 << QString() << 20240630 << false << none;
    QTest::newRow("code 000000 is none")
        << u"000000 十大股东"_s << 0 << QString() << 0 << false << none;
    // Which of several numbers is the code.
    QTest::newRow("a number its label claims")
        << u"总股本(万股)：252198 招商银行(600036) 截止日期：2024-06-30"_s << 600036
        << u"招商银行"_s << 20240630 << false << none;
    QTest::newRow("a quantity its unit claims")
        << u"流通股 252198万股 600036"_s << 600036 << QString() << 0 << false << none;
    QTest::newRow("marked before alone")
        << u"户数 123456 600036.SH"_s << 600036 << QString() << 0 << false << none;
    QTest::newRow("labelled before alone")
        << u"代码：000002 股东户数：123456 680000"_s << 2 << QString() << 0 << false << none;
    QTest::newRow("after a name before marked")
        << u"招商银行(600036) 对标 000001.SZ"_s << 600036 << u"招商银行"_s << 0 << false << none;
    QTest::newRow("two alone") << u"600036 000002"_s << 0 << QString() << 0 << false
                               << QStringList{u"600036"_s, u"000002"_s};
    QTest::newRow("two after names") << u"招商银行(600036) 平安银行(000001)"_s << 0 << QString()
                                     << 0 << false << QStringList{u"600036"_s, u"000001"_s};
    QTest::newRow("another market's code is none")
        << u"腾讯控股(00700.HK) 600036.HK"_s << 0 << QString() << 0 << false << none;
}

void ImportTest::titles() {
    QFETCH(QString, title);
    QFETCH(int, code);
    QFETCH(QString, name);
    QFETCH(int, date);
    QFETCH(bool, floatHolders);
    QFETCH(QStringList, unmarked);
    const Title t = readTitle(title);
    QCOMPARE(t.code.value_or(0), code);
    QCOMPARE(t.name, name);
    QCOMPARE(t.date.value_or(0), date);
    QCOMPARE(t.floatHolders, floatHolders);
    QCOMPARE(t.codes + t.dates, unmarked);
}

void ImportTest::brokerExportWithTitle() {
    // A broker terminal's per-stock export, in GBK: a title line, a header whose names carry
    // their units, the rows, a blank line and a source line. It has no code, name or date
    // column; the title gives them.
    const QByteArray csv =
        gbkBytes(u"招商银行(600036) 十大流通股东 截止日期：2024-06-30 公告日期：2024-08-20\r\n"
                 u"名次,股东名称,持股数量(股),占流通股比例(%),增减(股),股份类型\r\n"
                 u"1,香港中央结算有限公司,1234567890,6.12,-1000000,流通A股\r\n"
                 u"2,中国证券金融股份有限公司,567890123,2.81,不变,流通A股\r\n"
                 u"\r\n"
                 u"数据来源：某某终端\r\n"_s);
    const Imported i = import({csv});
    QCOMPARE(i.table.recordCount(), 1);
    QCOMPARE(i.table.header(0), u"600036 招商银行  十大流通股东  2024-06-30");
    QCOMPARE(firstRow(i),
             u"  香港中央结算有限公司  │ 123456.79│      6.12│ 流通A股  │ 减持100.00"_s);
    QVERIFY(i.text.contains(u"  中国证券金融股份      │  56789.01│      2.81│ 流通A股  │ 不变"_s));
    QCOMPARE(i.summary.shortenedNames, 1);
}

void ImportTest::exportsJoinedByCat() {
    // Per-stock exports joined by `cat`: each title starts a new table; a header repeated
    // without a title goes on with the table before.
    const QByteArray a = "招商银行(600036) 十大股东 截止日期：2024-06-30\n"
                         "名次,股东名称,持股数量(股)\n1,甲,100\n2,乙,50\n\n数据来源：某\n";
    const QByteArray b = "万科A(000002) 十大股东 报告期:2024-03-31\n"
                         "名次,股东名称,持股数量(股)\n1,丙,300\n"
                         "名次,股东名称,持股数量(股)\n2,丁,200\n";
    const Imported i = import({a + b});
    QCOMPARE(i.table.recordCount(), 2);
    QCOMPARE(i.table.header(0), u"000002 万科A  十大股东  2024-03-31");
    QCOMPARE(i.table.header(1), u"600036 招商银行  十大股东  2024-06-30");
    QCOMPARE(i.table.holderRows(0).size(), 2u);
    QCOMPARE(i.table.holderRows(1).size(), 2u);
    QCOMPARE(i.summary.rows, 4);
}

void ImportTest::tableEnds_data() {
    // Only the lines after a table's last row may end it quietly: blank lines and notes. A
    // short or malformed row inside it, or a holder row after its note, is an error.
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QStringList>("errors");
    const QByteArray table = "截止日期：2024-06-30 (600036)\n股东名称,持股数\n甲,100\n";
    QTest::newRow("blank lines and notes")
        << table + "\n,\n数据来源：某\n注：单位为股\n备注:\n来源: 某\n"_ba << QStringList();
    QTest::newRow("a note's second line") << table + "注：1、甲\n2、乙\n"_ba << QStringList();
    QTest::newRow("a short row inside")
        << "股东名称,持股数,持股比例\n甲,100,1\n乙,200\n丙,300,3\n"_ba
        << QStringList{u"in1.csv:3: 2 fields where the header has 3"_s};
    QTest::newRow("a short row at the end")
        << "股东名称,持股数,持股比例\n甲,100,1\n乙\n"_ba
        << QStringList{u"in1.csv:3: 1 field where the header has 3"_s};
    QTest::newRow("a long row inside")
        << "股东名称,持股数\n甲,100\n乙,丙,200\n"_ba
        << QStringList{u"in1.csv:3: 3 fields where the header has 2"_s};
    QTest::newRow("empty fields past the header's are none")
        << "股东名称,持股数\n甲,100,,\n"_ba << QStringList();
    QTest::newRow("a holder row after the note")
        << table + "数据来源：某\n乙,200\n"_ba
        << QStringList{u"in1.csv:5: a holder row after the note on line 4 that ends its table"_s};
    QTest::newRow("a short row before the note")
        << table + "乙\n数据来源：某\n"_ba
        << QStringList{u"in1.csv:4: 1 field where the header has 2"_s};
    QTest::newRow("no title at a later header: rows of the table")
        << table + "乙\n股东名称,持股数\n丙,300\n"_ba
        << QStringList{u"in1.csv:4: 1 field where the header has 2"_s};
    QTest::newRow("a name that begins like a note")
        << table + "注册资本投资公司,100\n"_ba << QStringList();
}

void ImportTest::tableEnds() {
    QFETCH(QByteArray, csv);
    QFETCH(QStringList, errors);
    ImportSettings settings;
    settings.code = 600036;
    settings.date = 20240630;
    QCOMPARE(tryImport({csv}, settings).errors, errors);
}

void ImportTest::settingsGiveWhatFilesLack() {
    // --code, --stock-name and --date give what a file has nowhere and win over a title; a
    // column wins over them.
    const QByteArray titled = "招商银行(600036) 截止日期：2024-06-30\n股东名称,持股数\n甲,100\n";
    ImportSettings settings;
    settings.code = 2;
    settings.stockName = u"万科A"_s;
    settings.date = 20231231;
    QCOMPARE(import({titled}, settings).table.header(0), u"000002 万科A  十大股东  2023-12-31");
    QCOMPARE(import({"股东名称,持股数\n甲,100\n"}, settings).table.header(0),
             u"000002 万科A  十大股东  2023-12-31");
    QCOMPARE(import({"股票代码,股票简称,截止日期,股东名称,持股数\n600036,招商银行,20240630,甲,1\n"},
                    settings)
                 .table.header(0),
             u"600036 招商银行  十大股东  2024-06-30");
    // Without them, nothing says the code or the date.
    QCOMPARE(
        importErrors({"股东名称,持股数\n甲,100\n"}),
        (QStringList{u"in1.csv:1: no column for the stock code (证券代码, 股票代码, 代码, code, "
                     u"ts_code, symbol), nor a code in a title above it or --code"_s,
                     u"in1.csv:1: no column for the report date (截止日期, 截至日期, 报告期, "
                     u"报告日期, end_date), nor a date in a title above it or --date"_s}));
}

void ImportTest::placeholders_data() {
    QTest::addColumn<QByteArray>("cell");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("a hyphen") << "-"_ba;
    QTest::newRow("two hyphens") << "--"_ba;
    QTest::newRow("a dash") << "—"_ba;
    QTest::newRow("two dashes") << "——"_ba;
    QTest::newRow("a full-width hyphen") << " －"_ba;
}

void ImportTest::placeholders() {
    // A placeholder is no value: a blank ratio, type or change; no shares is an error.
    QFETCH(QByteArray, cell);
    const Imported i = import({"code,end_date,holder_name,hold_amount,持股比例,股份类型,增减\n"
                               "600036,20240630,甲,100," +
                               cell + "," + cell + "," + cell + "\n"});
    QCOMPARE(firstRow(i), u"  甲                    │      0.01│          │          │ "_s);
    QCOMPARE(importErrors({minimalHeader + "600036,20240630,甲," + cell + "\n"}),
             QStringList{u"in1.csv:2: no number of shares"_s});
}

void ImportTest::sameHoldingInTwoExports_data() {
    // Rows of one stock, date, holder (blanks and width aside) and share type are one holding:
    // kept once where they agree (a blank type, ratio or change agrees with any), an error
    // naming both places where they do not.
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<QString>("row");   // the row written, when they agree
    QTest::addColumn<QString>("error"); // else the error
    const QByteArray head = "code,end_date,holder_name,hold_amount,持股比例,股份类型,增减,名次\n";
    const QByteArray row = "600036,20240630,张三,1000000,1.00,流通A股,不变,1\n";
    QTest::newRow("the same row")
        << head + row << head + row
        << u"  张三                  │    100.00│      1.00│ 流通A股  │ 不变"_s << QString();
    QTest::newRow("another rank, no rank, blank values")
        << head + row << "code,end_date,holder_name,hold_amount\n600036,20240630,张 三,1000000\n"_ba
        << u"  张三                  │    100.00│      1.00│ 流通A股  │ 不变"_s << QString();
    QTest::newRow("values only the second has")
        << "code,end_date,holder_name,hold_amount\n600036,20240630,ＵＢＳ ＡＧ,1000000\n"_ba
        << head + "600036,20240630,UBS AG,1000000,1.00,流通A股,0,7\n"
        << u"  UBS AG                │    100.00│      1.00│ 流通A股  │ 不变"_s << QString();
    QTest::newRow("the same at the precision written")
        << head + row << head + "600036,20240630,张三,1000049,1.004,流通A股,0,1\n"
        << u"  张三                  │    100.00│      1.00│ 流通A股  │ 不变"_s << QString();
    QTest::newRow("other shares")
        << head + row << head + "600036,20240630,张三,2000000,1.00,流通A股,不变,1\n"
        << QString()
        << u"in2.csv:2: 张三 (流通A股) in 600036 on 2024-06-30: 200.00 万股 here, 100.00 万股 at "
           u"in1.csv:2"_s;
    QTest::newRow("another ratio and change")
        << head + row << head + "600036,20240630,张三,1000000,2.00,流通A股,新进,1\n"
        << QString()
        << u"in2.csv:2: 张三 (流通A股) in 600036 on 2024-06-30: 2.00%, 新进 here, 1.00%, 不变 at "
           u"in1.csv:2"_s;
}

void ImportTest::sameHoldingInTwoExports() {
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(QString, row);
    QFETCH(QString, error);
    const Imported i = tryImport({first, second});
    if (!error.isEmpty()) {
        QCOMPARE(i.errors, QStringList{error});
        return;
    }
    QCOMPARE(i.errors, QStringList());
    QCOMPARE(i.table.holderRows(0).size(), 1u);
    QCOMPARE(firstRow(i), row);
    QCOMPARE(i.summary.keptOnce, 1);
    QCOMPARE(i.summary.rows, 2);
}

void ImportTest::unusedColumnsNamed() {
    const Imported i = import(
        {"股票代码,截止日期,股东名称,持股数,股东性质,变动比率,\n600036,20240630,甲,1,个人,,\n"
         "股票代码,截止日期,股东名称,持股数,股东性质,变动比率,\n600036,20240630,乙,1,个人,,\n"});
    QCOMPARE(i.warnings, QStringList{u"in1.csv:1: columns not used: 股东性质, 变动比率"_s});
}

void ImportTest::everyErrorInOneRun() {
    // Every bad row of every file at once, the first 50 of them in full.
    QByteArray bad = minimalHeader;
    for (int i = 0; i < 60; ++i)
        bad += "600036,20240630,某" + QByteArray::number(i) + ",多\n";
    const Imported i = tryImport({minimalHeader + "600036,20240631,甲,1\n60003X,20240630,乙,1\n"
                                                  "600036,20240630,丙,-1\n",
                                  bad});
    QCOMPARE(i.errors.size(), 50);
    QCOMPARE(i.errorCount, 63);
    QCOMPARE(i.errors.mid(0, 4), (QStringList{u"in1.csv:2: not a date: \"20240631\""_s,
                                              u"in1.csv:3: not a stock code: \"60003X\""_s,
                                              u"in1.csv:4: a negative number of shares: \"-1\""_s,
                                              u"in2.csv:2: not a number of shares: \"多\""_s}));
    // A row with several faults names them all.
    QCOMPARE(importErrors({minimalHeader + "0,2024,,x\n"}),
             QStringList{u"in1.csv:2: not a stock code: \"0\"; not a date: \"2024\"; not a number "
                         u"of shares: \"x\"; the holder's name is empty"_s});
}

void ImportTest::encodings_data() {
    // A byte order mark decides; else the reading whose characters are Chinese; but a file of
    // one encoding with a line of another is an error at it. Long files are weighed sixteen
    // bytes at a time, short ones and their ends byte by byte: both ways alike.
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<QString>("error"); // empty: it reads
    const QString text =
        u"股票代码,截止日期,股东名称,持股数\r\n600036,2024-06-30,华夏基金,100\r\n"_s;
    QStringEncoder utf8(QStringEncoder::Utf8);
    const QByteArray asUtf8 = utf8.encode(text);
    const QByteArray asGbk = gbkBytes(text);
    const int detect = int(TextEncoding::Detect);
    QTest::newRow("UTF-8") << asUtf8 << detect << QString();
    QTest::newRow("UTF-8 with a byte order mark") << "\xEF\xBB\xBF" + asUtf8 << detect << QString();
    QTest::newRow("UTF-16 LE with a byte order mark")
        << utf16(text, QStringEncoder::Utf16LE) << detect << QString();
    QTest::newRow("UTF-16 BE with a byte order mark")
        << utf16(text, QStringEncoder::Utf16BE) << detect << QString();
    QTest::newRow("GBK") << asGbk << detect << QString();
    QTest::newRow("GBK, said so") << asGbk << int(TextEncoding::Gbk) << QString();
    QTest::newRow("UTF-8, said so") << asUtf8 << int(TextEncoding::Utf8) << QString();
    QByteArray stray = asUtf8;
    for (int i = 0; i < 20; ++i)
        stray += "600036,2024-06-30,华夏基金" + QByteArray::number(i) + ",100\r\n";
    stray += "600036,2024-06-30,\xB9\xC9,100\r\n";
    QTest::newRow("a stray byte in a UTF-8 file")
        << stray << detect
        << u"in1.csv:23: text that is not UTF-8 (GBK, or another encoding), where the rest of the "
           u"file is UTF-8: save the whole file in one encoding"_s;
    QTest::newRow("neither UTF-8 nor GBK")
        << asGbk + "600036,2024-06-30,\xFF\xFE,100\r\n"
        << detect
        << u"in1.csv:3: neither UTF-8 nor GBK (--encoding utf-8 or gbk says which the file is)"_s;
}

void ImportTest::encodingsWeighedAtEveryOffset() {
    // Long texts are weighed sixteen bytes at a time, short ones and their ends byte by byte:
    // every character that counts, at every offset, counts the same both ways.
    QString every;
    for (const char16_t c : {u'\u4E00', u'\u9FFF', u'\u3000', u'\u303F', u'\uFF01', u'\uFFEF',
                             u'\u2010', u'\u2027', u'\u00B7'}) {
        for (int offset = 0; offset < 20; ++offset) {
            const QString line = QString(offset, u'x') + QChar(c) + u'\n';
            every += line;
            // Alone, GBK's reading of it has a character that does not count, or a byte that
            // starts none: UTF-8 wins.
            QCOMPARE(int(findEncoding(line.toUtf8()).encoding), int(TextEncoding::Utf8));
        }
    }
    const FoundEncoding found = findEncoding(every.toUtf8());
    QCOMPARE(int(found.encoding), int(TextEncoding::Utf8));
    QVERIFY(!found.problem);
    // Valid UTF-8 that GBK reads better, at every length: 谢小 in GBK is лС in UTF-8.
    for (int rows = 1; rows < 40; ++rows) {
        QByteArray gbk = "code,end_date,holder_name,hold_amount\r\n";
        for (int i = 0; i < rows; ++i)
            gbk += "600036,2024-06-30,\xD0\xBB\xD0\xA1" + QByteArray(i % 7, 'x') + ",1\r\n";
        QCOMPARE(int(findEncoding(gbk).encoding), int(TextEncoding::Gbk));
    }
    // Valid UTF-8 that is no GBK is UTF-8, however well GBK's broken reading of it looks
    // (甲Ⅱ乙 reads 鐢测叀涔 and a byte that starts nothing; 华夏①号 a user-defined character).
    for (const QString& name : {u"甲Ⅱ乙"_s, u"甲│乙"_s, u"华夏①号"_s}) {
        const FoundEncoding read =
            findEncoding((u"600036,2024-06-30,"_s + name + u",1\n"_s).toUtf8());
        QCOMPARE(int(read.encoding), int(TextEncoding::Utf8));
        QVERIFY(!read.problem);
    }
}

void ImportTest::encodings() {
    QFETCH(QByteArray, csv);
    QFETCH(int, encoding);
    QFETCH(QString, error);
    ImportSettings settings;
    settings.encoding = TextEncoding(encoding);
    const Imported i = tryImport({csv}, settings);
    if (!error.isEmpty()) {
        QCOMPARE(i.errors, QStringList{error});
        return;
    }
    QCOMPARE(i.errors, QStringList());
    QVERIFY(i.text.contains(u"  华夏基金 "_s));
}

void ImportTest::separators_data() {
    // The separator is the one under which a header is found first; in a semicolon-separated
    // file a decimal comma is a decimal point.
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QString>("row");
    QTest::newRow("commas") << "代码,截止日期,股东名称,持股数,持股比例,股份类型\n"
                               "600036,20240630,\"甲, 乙\",\"1,234,567\",1.5,\n"_ba
                            << u"  甲,乙                 │    123.46│      1.50│          │ "_s;
    QTest::newRow("tabs, empty fields kept")
        << "代码\t截止日期\t股东名称\t持股数\t持股比例\t股份类型\n"
           "600036\t20240630\t甲 乙\t1,234,567\t\t流通A股\n"_ba
        << u"  甲乙                  │    123.46│          │ 流通A股  │ "_s;
    QTest::newRow("semicolons, decimal commas")
        << "代码;截止日期;股东名称;持股数;持股比例;股份类型\n"
           "600036;20240630;甲,乙;1.234.567;1,5;流通A股\n"_ba
        << u"  甲,乙                 │    123.46│      1.50│ 流通A股  │ "_s;
    QTest::newRow("a title line with commas above tabs")
        << "招商银行,(600036),2024-06-30\n股东名称\t持股数\n甲\t100\n"_ba
        << u"  甲                    │      0.01│          │          │ "_s;
}

void ImportTest::separators() {
    QFETCH(QByteArray, csv);
    QFETCH(QString, row);
    QCOMPARE(firstRow(import({csv})), row);
}

void ImportTest::holderNamesFitTheirColumn_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("sought");
    for (const TopHolder& h : topHolders)
        QTest::addRow("%s", qPrintable(QString::fromUtf16(h.name)))
            << QString::fromUtf16(h.name) << QString::fromUtf16(h.written)
            << QString::fromUtf16(h.sought);
}

void ImportTest::holderNamesFitTheirColumn() {
    // Every name fits the column and is searched whole; what people search for stays in it;
    // a name that fits, once brought to its holder's form (half width, no custodian bank), is
    // written so.
    QFETCH(QString, name);
    QFETCH(QString, written);
    QFETCH(QString, sought);
    QCOMPARE(shortHolderName(name), written);
    QVERIFY(fitsNameColumn(written));
    QVERIFY(written.contains(sought));
    const QString holder = holderName(name);
    if (fitsNameColumn(holder))
        QCOMPARE(written, holder);
    // In a table, the row's bars stand under the frame's joints and the name query finds it.
    const Imported i = import(
        {"code,end_date,holder_name,hold_amount\n600036,20240630,\"" + name.toUtf8() + "\",1\n"});
    QCOMPARE(barColumns(firstRow(i)), (QList<int>{24, 36, 48, 60}));
    QVERIFY(report(i.table, sought).contains(firstRow(i)));
    QCOMPARE(i.summary.shortenedNames, written == holder ? 0 : 1);
}

void ImportTest::holdersOfOneTableKeptApart() {
    // A holder's written name is its own: the same in every table, whoever else is there, and
    // a cut one always carries its mark. Names that fit stay as they are.
    const QList<QByteArray> names = {"中国人寿保险股份有限公司－分红－个人分红－005L－FH002沪",
                                     "中国人寿保险股份有限公司－分红－个人分红－005L－FH001沪",
                                     "中国人寿-分红-个人…"};
    QByteArray csv = "code,end_date,holder_name,hold_amount\n";
    for (qsizetype n = 0; n < names.size(); ++n)
        csv += "600036,20240630," + names[n] + "," + QByteArray::number(n + 1) + "\n";
    csv += "000002,20240630," + names[1] + ",1\n";
    const Imported i = import({csv});
    const auto written = [&](qsizetype record) {
        QStringList all;
        for (const QString& row : i.table.holderRows(record))
            all << QStringView(row).sliced(2, row.indexOf(u'│') - 2).trimmed().toString();
        return all;
    };
    QCOMPARE(written(1), (QStringList{u"中国人寿-分红-个人…"_s, u"中国人寿-分红-个…YUN"_s,
                                      u"中国人寿-分红-个…7VX"_s}));
    QCOMPARE(written(0), QStringList{u"中国人寿-分红-个…YUN"_s});
    QCOMPARE(i.summary.shortenedNames, 2);

    // Written whole when asked.
    ImportSettings settings;
    settings.fullNames = true;
    const Imported whole = import({csv}, settings);
    QVERIFY(whole.text.contains(u"  中国人寿保险股份有限公司-分红-个人分红-005L-FH002沪 │"_s));
    QCOMPARE(whole.warnings,
             QStringList{u"2 holders' names do not fit the name column, or are longer than the "
                         u"18 characters searched; written whole"_s});
}

void ImportTest::cellsStandUnderTheJoints_data() {
    // Large share counts take fewer decimals and long share types a short form, so that every
    // cell stands under its joint; what fits is written as before.
    QTest::addColumn<QByteArray>("shares");
    QTest::addColumn<QByteArray>("type");
    QTest::addColumn<QByteArray>("change");
    QTest::addColumn<QString>("row");
    QTest::newRow("what fits") << "99999999949"_ba
                               << "流通A股"_ba
                               << "-99999999949"_ba
                               << u"│9999999.99│          │ 流通A股  │ 减持9999999.99"_s;
    QTest::newRow("10^11 shares: one decimal")
        << "123456789012"_ba
        << "限售流通A股"_ba
        << "123456789012"_ba << u"│12345678.9│          │ 限售A股  │ 增持12345678.9"_s;
    QTest::newRow("10^12 shares: none") << "1234567890123"_ba
                                        << "境外上市外资股(H股)"_ba
                                        << "0"_ba << u"│ 123456789│          │ H股      │ 不变"_s;
    QTest::newRow("10^13 shares") << "10000000000000"_ba
                                  << "人民币普通股"_ba
                                  << ""_ba << u"│1000000000│          │ A股      │ "_s;
    QTest::newRow("a long type of no known form")
        << "1"_ba
        << "某某特别表决权股份"_ba
        << ""_ba << u"│      0.00│          │ 某某特… │ "_s;
}

void ImportTest::cellsStandUnderTheJoints() {
    QFETCH(QByteArray, shares);
    QFETCH(QByteArray, type);
    QFETCH(QByteArray, change);
    QFETCH(QString, row);
    const Imported i = import({"code,end_date,holder_name,hold_amount,股份类型,增减\n"
                               "600036,20240630,甲," +
                               shares + "," + type + "," + change + "\n"});
    QCOMPARE(firstRow(i).sliced(firstRow(i).indexOf(u'│')), row);
    QCOMPARE(barColumns(firstRow(i)), (QList<int>{24, 36, 48, 60}));
}

void ImportTest::summaryCounts() {
    // Periods are the report dates read; records those written.
    const QByteArray csv = minimalHeader + "600036,20240630,甲,1\n600036,20240331,甲,1\n"
                                           "000002,20231231,乙,1\n";
    const Imported latest = import({csv});
    QCOMPARE(latest.summary.periods, 3);
    QCOMPARE(latest.summary.stocks, 2);
    QCOMPARE(latest.summary.records, 2);
    ImportSettings settings;
    settings.history = true;
    QCOMPARE(import({csv}, settings).summary.records, 3);
}

void ImportTest::valuesThatCannotBeRight_data() {
    QTest::addColumn<QByteArray>("row"); // code, date, holder, shares, ratio, change
    QTest::addColumn<QString>("error");
    QTest::newRow("thousands in fours")
        << "1,20240630,甲,\"1,2,3,4\",,"_ba
        << u"not a number of "
           "shares: \"1,2,3,4\" (thousands are separated every three digits)"_s;
    QTest::newRow("a decimal comma in a comma-separated file")
        << "1,20240630,甲,1,\"1,5\","_ba
        << u"not a percentage: \"1,5\" (thousands are separated every "
           "three digits)"_s;
    QTest::newRow("a negative ratio")
        << "1,20240630,甲,1,-1,"_ba << u"a ratio outside 0 to 100%: \"-1\""_s;
    QTest::newRow("a ratio above 100")
        << "1,20240630,甲,1,100.01%,"_ba << u"a ratio outside 0 to 100%: \"100.01%\""_s;
    QTest::newRow("more than 10^13 shares")
        << "1,20240630,甲,10000000000001,,"_ba
        << u"more shares than any company has: \"10000000000001\""_s;
    QTest::newRow("a change beyond 10^13 shares")
        << "1,20240630,甲,1,,-20000000000000"_ba
        << u"a change of more shares than any company has: \"-20000000000000\""_s;
    QTest::newRow("309 digits") << "1,20240630,甲," + QByteArray(309, '9') + ",,"
                                << u"not a number of shares: \""_s + QString(309, u'9') + u'"';
    QTest::newRow("NUL in a name") << QByteArray("1,20240630,甲\0乙,1,,", 22)
                                   << u"the holder's name holds (U+0000), a control character"_s;
    QTest::newRow("an escape in a change")
        << "1,20240630,甲,1,,新\x1b进"_ba << u"the change holds (U+001B), a control character"_s;
    QTest::newRow("a column's bar in a name")
        << "1,20240630,甲│乙,1,,"_ba
        << u"the holder's name holds │, which a data file's rows keep between their columns: "
           "\"甲│乙\" (write it as | or ｜ in the export)"_s;
    QTest::newRow("a column's bar in a change")
        << "1,20240630,甲,1,,新│进"_ba
        << u"the change holds │, which a data file's rows keep between their columns: "
           "\"新│进\" (write it as | or ｜ in the export)"_s;
    QTest::newRow("code 0") << "0,20240630,甲,1,,"_ba << u"not a stock code: \"0\""_s;
    QTest::newRow("code 000000") << "000000,20240630,甲,1,,"_ba
                                 << u"not a stock code: \"000000\""_s;
}

void ImportTest::valuesThatCannotBeRight() {
    QFETCH(QByteArray, row);
    QFETCH(QString, error);
    QCOMPARE(importErrors({"code,end_date,holder_name,hold_amount,持股比例,增减\n" + row + "\n"}),
             QStringList{u"in1.csv:2: "_s + error});
}

void ImportTest::codeForms_data() {
    // Codes of Shanghai, Shenzhen and Beijing, with or without their exchange's marker; codes of
    // other markets, which are never taken for theirs; and what is no code.
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("market");
    QTest::addColumn<QString>("written");
    const int mainland = CodeRead::Mainland;
    const int other = CodeRead::Other;
    const int none = CodeRead::None;
    QTest::newRow("six digits") << u"600000"_s << mainland << u"600000"_s;
    QTest::newRow("exchange after") << u"600000.SH"_s << mainland << u"600000"_s;
    QTest::newRow("exchange after, small letters") << u"000001.sz"_s << mainland << u"000001"_s;
    QTest::newRow("exchange before") << u"sh600000"_s << mainland << u"600000"_s;
    QTest::newRow("exchange before, capitals") << u"SH600000"_s << mainland << u"600000"_s;
    QTest::newRow("exchange and point before") << u"sh.600000"_s << mainland << u"600000"_s;
    QTest::newRow("Yahoo's Shanghai") << u"600000.SS"_s << mainland << u"600000"_s;
    QTest::newRow("ISO's Shanghai") << u"600000.XSHG"_s << mainland << u"600000"_s;
    QTest::newRow("ISO's Shenzhen") << u"000001.XSHE"_s << mainland << u"000001"_s;
    QTest::newRow("leading zeros dropped") << u"1"_s << mainland << u"000001"_s;
    QTest::newRow("Beijing") << u"830799.BJ"_s << mainland << u"830799"_s;
    QTest::newRow("Beijing before") << u"bj830799"_s << mainland << u"830799"_s;
    QTest::newRow("Hong Kong after") << u"00700.HK"_s << other << QString();
    QTest::newRow("Hong Kong before") << u"hk00700"_s << other << QString();
    QTest::newRow("Hong Kong six digits") << u"600036.HK"_s << other << QString();
    QTest::newRow("Nasdaq") << u"AAPL.O"_s << other << QString();
    QTest::newRow("New York") << u"BABA.N"_s << other << QString();
    QTest::newRow("US") << u"TSLA.US"_s << other << QString();
    QTest::newRow("US before") << u"us.AAPL"_s << other << QString();
    QTest::newRow("seven digits") << u"6000001"_s << none << QString();
    QTest::newRow("letters inside") << u"60A000"_s << none << QString();
    QTest::newRow("point and digits") << u"600000.5"_s << none << QString();
    QTest::newRow("zero") << u"000000"_s << none << QString();
    QTest::newRow("empty") << QString() << none << QString();
}

void ImportTest::codeForms() {
    QFETCH(QString, code);
    QFETCH(int, market);
    QFETCH(QString, written);
    const CodeRead read = parseStockCode(code);
    QCOMPARE(int(read.market), market);
    if (!written.isEmpty())
        QCOMPARE(codeText(read.code), written);
}

void ImportTest::dateForms_data() {
    QTest::addColumn<QString>("date");
    QTest::addColumn<int>("read"); // 0: not a date
    QTest::newRow("dashes") << u"2024-06-30"_s << 20240630;
    QTest::newRow("digits") << u"20240630"_s << 20240630;
    QTest::newRow("slashes, short") << u"2024/6/30"_s << 20240630;
    QTest::newRow("points") << u"2024.6.30"_s << 20240630;
    QTest::newRow("with a time") << u"2024-06-30 00:00:00"_s << 20240630;
    QTest::newRow("ISO with a time") << u"2024-06-30T15:00"_s << 20240630;
    QTest::newRow("no such month") << u"2024-13-01"_s << 0;
    QTest::newRow("no such day") << u"20230229"_s << 0;
    QTest::newRow("two separators") << u"2024-06/30"_s << 0;
    QTest::newRow("words") << u"二〇二四年"_s << 0;
}

void ImportTest::dateForms() {
    QFETCH(QString, date);
    QFETCH(int, read);
    QCOMPARE(parseDate(date).value_or(0), read);
}

void ImportTest::numbers_data() {
    // Numbers as files write them; in a semicolon-separated file, what each shows of the file's
    // decimal mark. A count in scientific notation must hold every digit of its whole number.
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("semicolons");
    QTest::addColumn<bool>("count");
    QTest::addColumn<double>("value"); // NaN: not a number
    QTest::addColumn<int>("problem");
    QTest::addColumn<int>("mark");
    const double none = std::nan("");
    const int fine = NumberRead::None;
    const int notNumber = NumberRead::NotNumber;
    const int grouping = NumberRead::Grouping;
    const int rounded = NumberRead::Rounded;
    const int noMark = NumberRead::NoMark;
    const int comma = NumberRead::DecimalComma;
    const int point = NumberRead::DecimalPoint;
    const int either = NumberRead::EitherMark;
    QTest::newRow("whole") << u"123456789"_s << false << true << 123456789.0 << fine << noMark;
    QTest::newRow("negative") << u"-2000"_s << false << true << -2000.0 << fine << noMark;
    QTest::newRow("decimal") << u"5.12"_s << false << false << 5.12 << fine << noMark;
    QTest::newRow("exponent") << u"1.2E8"_s << false << false << 1.2e8 << fine << noMark;
    QTest::newRow("thousands") << u"1,234,567"_s << false << true << 1234567.0 << fine << noMark;
    QTest::newRow("thousands and decimals")
        << u"-1,234.5"_s << false << false << -1234.5 << fine << noMark;
    QTest::newRow("thousands in fours")
        << u"1,2345"_s << false << false << none << grouping << noMark;
    QTest::newRow("thousands in ones")
        << u"1,2,3,4"_s << false << false << none << grouping << noMark;
    QTest::newRow("a comma first") << u",123"_s << false << false << none << grouping << noMark;
    QTest::newRow("four before the first")
        << u"1234,567"_s << false << false << none << grouping << noMark;
    QTest::newRow("a comma among decimals")
        << u"1.234,567"_s << false << false << none << grouping << noMark;
    QTest::newRow("percent sign") << u"5.12%"_s << false << false << 5.12 << fine << noMark;
    QTest::newRow("plus") << u"+3"_s << false << false << 3.0 << fine << noMark;
    QTest::newRow("blanks around") << u" 42 "_s << false << false << 42.0 << fine << noMark;
    QTest::newRow("words") << u"不变"_s << false << false << none << notNumber << noMark;
    QTest::newRow("empty") << QString() << false << false << none << notNumber << noMark;
    QTest::newRow("infinity") << u"inf"_s << false << false << none << notNumber << noMark;
    QTest::newRow("a dash") << u"-"_s << false << false << none << notNumber << noMark;
    // Semicolons.
    QTest::newRow("a decimal comma") << u"1,5"_s << true << false << 1.5 << fine << comma;
    QTest::newRow("points for thousands")
        << u"1.234.567,5"_s << true << false << 1234567.5 << fine << comma;
    QTest::newRow("points in threes")
        << u"1.234.567"_s << true << true << 1234567.0 << fine << comma;
    QTest::newRow("a decimal point") << u"1.5"_s << true << false << 1.5 << fine << point;
    QTest::newRow("a point and four digits")
        << u"1.2345"_s << true << false << 1.2345 << fine << point;
    QTest::newRow("a point and three digits")
        << u"1.234"_s << true << true << 1.234 << fine << either;
    QTest::newRow("a point and three digits, negative")
        << u"-12.345"_s << true << true << -12.345 << fine << either;
    QTest::newRow("whole, semicolons") << u"1234"_s << true << true << 1234.0 << fine << noMark;
    // Scientific notation of counts.
    QTest::newRow("a count rounded")
        << u"1.23718E+11"_s << false << true << none << rounded << noMark;
    QTest::newRow("a count of every digit")
        << u"1.23456789012E+11"_s << false << true << 123456789012.0 << fine << noMark;
    QTest::newRow("a small count") << u"1.5E1"_s << false << true << 15.0 << fine << noMark;
    QTest::newRow("a count with a rounded decimal comma")
        << u"1,2E+11"_s << true << true << none << rounded << comma;
    QTest::newRow("a ratio is no count")
        << u"1.2E-3"_s << false << false << 0.0012 << fine << noMark;
}

void ImportTest::numbers() {
    QFETCH(QString, text);
    QFETCH(bool, semicolons);
    QFETCH(bool, count);
    QFETCH(double, value);
    QFETCH(int, problem);
    QFETCH(int, mark);
    const NumberRead read = parseNumber(
        text, semicolons ? NumberStyle::Semicolons : NumberStyle::CommaThousands, count);
    QCOMPARE(int(read.problem), problem);
    if (problem == NumberRead::None)
        QCOMPARE(read.value, value);
    QCOMPARE(int(read.mark), mark);
}

void ImportTest::quotingAndLineBreaks() {
    // Commas, quotes and line breaks inside quoted fields, CR LF line ends, and a row whose
    // quoted field holds a line break: a data file's line stays one line.
    const QByteArray csv = "股票代码,截止日期,股东名称,持股数,增减\r\n"
                           "600036,2024-06-30,\"华夏, 基金\",100,\"多行\r\n备注\"\r\n"
                           "600036,2024-06-30,\"张\"\"三\"\"\",50,\r\n";
    const Imported i = import({csv});
    QCOMPARE(i.table.holderRows(0).size(), 2u);
    QVERIFY(i.text.contains(u"  华夏,基金"_s));
    QVERIFY(i.text.contains(u"│ 多行 备注\r\n"_s));
    QVERIFY(i.text.contains(u"  张\"三\""_s));
}

// The rows a CSV reading gives, a line each: the row's line, then its fields in brackets; or
// the error it ends with.
QString csvRows(const QByteArray& csv, CsvReader::Lines lines, char separator) {
    QString out;
    try {
        CsvReader::read(
            csv, u"t.csv"_s,
            [&](const CsvRow& row) {
                out += QString::number(row.line()) + u':';
                for (qsizetype i = 0; i < row.size(); ++i)
                    out += u'[' + QString::fromLatin1(row.field(i)) + u']';
                out += u'\n';
            },
            {}, 1, lines, separator);
    } catch (const ImportError& e) {
        out += e.text();
    }
    return out;
}

void ImportTest::plainLinesReadAsLibcsvReadsThem_data() {
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<char>("separator");
    QTest::addColumn<QString>("rows");
    QTest::newRow("blanks and tabs around fields")
        << " a ,\tb\t, c d \n"_ba << ',' << u"1:[a][b][c d]\n"_s;
    QTest::newRow("empty fields at both ends") << ",a,\n,\n"_ba << ',' << u"1:[][a][]\n2:[][]\n"_s;
    QTest::newRow("blank lines and lines of blanks are no rows")
        << "\n \t \r\na\n\r\n\n"_ba << ',' << u"3:[a]\n"_s;
    QTest::newRow("CR LF") << "a,b\r\nc\r\n"_ba << ',' << u"1:[a][b]\n2:[c]\n"_s;
    QTest::newRow("a lone CR ends a row") << "a\rb,c\n"_ba << ',' << u"1:[a]\n1:[b][c]\n"_s;
    QTest::newRow("a CR inside a line") << "a\r \r\nb\n"_ba << ',' << u"1:[a]\n2:[b]\n"_s;
    QTest::newRow("quoted line breaks, then plain lines")
        << "x,\"1\n2\n\"\ny\nz,\"\"\"\"\n"_ba << ',' << u"1:[x][1\n2\n]\n4:[y]\n5:[z][\"]\n"_s;
    QTest::newRow("a quoted first field over lines")
        << "\"a\nb\",c\nd\n"_ba << ',' << u"1:[a\nb][c]\n3:[d]\n"_s;
    QTest::newRow("a NUL byte") << QByteArray("a\0b,c\n", 6) << ',' << u"1:[a\0b][c]\n"_s;
    QTest::newRow("the last line without its LF") << "a\nb, c "_ba << ',' << u"1:[a]\n2:[b][c]\n"_s;
    QTest::newRow("a stray quote after plain lines")
        << "a\nb\"c\n"_ba << ','
        << u"1:[a]\nt.csv:2: not well-formed CSV: a quote inside a field that is not quoted, or "
           u"after one"_s;
    QTest::newRow("a quote that never ends, after blank lines")
        << "a\n\n\n\"b\nc\n"_ba << ','
        << u"1:[a]\nt.csv:4: not well-formed CSV: a quoted field that never ends"_s;
    QTest::newRow("tabs: empty fields, blanks trimmed")
        << "\ta\t\t b \t\n"_ba << '\t' << u"1:[][a][][b][]\n"_s;
    QTest::newRow("tabs: quoted tabs") << "\"a\tb\"\tc,d\n"_ba << '\t' << u"1:[a\tb][c,d]\n"_s;
    QTest::newRow("semicolons") << "a;\"b;c\";1,5\n"_ba << ';' << u"1:[a][b;c][1,5]\n"_s;
}

void ImportTest::plainLinesReadAsLibcsvReadsThem() {
    // Plain lines are split without libcsv: the same rows, lines and errors as libcsv alone.
    QFETCH(QByteArray, csv);
    QFETCH(char, separator);
    QFETCH(QString, rows);
    QCOMPARE(csvRows(csv, CsvReader::Lines::LibcsvOnly, separator), rows);
    QCOMPARE(csvRows(csv, CsvReader::Lines::PlainDirect, separator), rows);
}

void ImportTest::latestPeriodOrHistory() {
    // Two stocks over three periods, in no order, across two files.
    const QByteArray a = stockHeader + "000002,万示,2024-03-31,1,甲,流通A股,100,1,\n"
                                       "600036,招示,2023-12-31,1,乙,流通A股,200,1,\n";
    const QByteArray b = stockHeader + "600036,招示新,2024-06-30,1,丙,流通A股,300,1,\n"
                                       "000002,万示,2023-12-31,1,丁,流通A股,400,1,\n"
                                       "600036,招示,2024-03-31,1,戊,流通A股,500,1,\n";
    const Imported latest = import({a, b});
    QCOMPARE(latest.table.recordCount(), 2);
    QCOMPARE(latest.table.header(0), u"000002 万示  十大股东  2024-03-31");
    // A stock's name is the one of its latest period.
    QCOMPARE(latest.table.header(1), u"600036 招示新  十大股东  2024-06-30");
    QCOMPARE(latest.summary.periods, 3);

    ImportSettings settings;
    settings.history = true;
    const Imported all = import({a, b}, settings);
    QStringList headers;
    for (qsizetype r = 0; r < all.table.recordCount(); ++r)
        headers << all.table.header(r);
    QCOMPARE(headers, (QStringList{u"000002 万示  十大股东  2024-03-31"_s,
                                   u"000002 万示  十大股东  2023-12-31"_s,
                                   u"600036 招示新  十大股东  2024-06-30"_s,
                                   u"600036 招示新  十大股东  2024-03-31"_s,
                                   u"600036 招示新  十大股东  2023-12-31"_s}));
    // A code query shows the latest; a name query lists every period.
    QVERIFY(report(all.table, u"600036").contains(u"  丙"_s));
    QCOMPARE(all.summary.periods, 3);
}

void ImportTest::rowOrderWithoutRank() {
    // Without a rank, the largest holding first; with one, the rank's order.
    const QByteArray csv = minimalHeader + "600036,20240630,小,10\n600036,20240630,大,300\n"
                                           "600036,20240630,中,20\n";
    const Imported i = import({csv});
    QStringList names;
    for (const QString& row : i.table.holderRows(0))
        names << row.mid(2, 1);
    QCOMPARE(names, (QStringList{u"大"_s, u"中"_s, u"小"_s}));
    const Imported ranked = import({"code,end_date,holder_name,hold_amount,名次\n"
                                    "600036,20240630,小,10,1\n600036,20240630,大,300,2\n"});
    QVERIFY(firstRow(ranked).startsWith(u"  小"));
}

void ImportTest::floatHolders() {
    ImportSettings settings;
    settings.floatHolders = true;
    const Imported i =
        import({"ts_code,end_date,holder_name,hold_amount,hold_ratio,hold_float_ratio\n"
                "600036.SH,20240630,某,1000000,1.00,2.00\n"},
               settings);
    QCOMPARE(i.table.header(0), u"600036  十大流通股东  2024-06-30");
    QVERIFY(i.text.contains(u"│      2.00│"_s));
    QCOMPARE(i.warnings, QStringList{u"in1.csv:1: columns not used: hold_ratio"_s});
    // A ratio of all shares is not one of the float.
    QCOMPARE(
        importErrors({"ts_code,end_date,holder_name,hold_amount,占总股本持股比例\n"
                      "600036.SH,20240630,某,1000000,1.00\n"},
                     settings),
        QStringList{u"in1.csv:1: 占总股本持股比例 is a ratio of all shares; float holders need "
                    u"the ratio of the float (占总流通股本持股比例, 占流通股本比例, 占流通股比例, "
                    u"hold_float_ratio, 持股比例)"_s});
    // Holders and float holders of one stock and date are two tables.
    const Imported both =
        import({"招商银行(600036) 十大股东 截止日期：2024-06-30\n股东名称,持股数,持股比例\n甲,1,1\n"
                "招商银行(600036) 十大流通股东 截止日期：2024-06-30\n股东名称,持股数,持股比例\n"
                "甲,1,2\n"});
    QCOMPARE(both.table.recordCount(), 2);
    QCOMPARE(both.table.header(1), u"600036 招商银行  十大流通股东  2024-06-30");
}

void ImportTest::namesFromAList() {
    Importer importer({});
    importer.readNames("\xEF\xBB\xBF代码;名称\n600036;列表名\n", u"names.csv"_s);
    importer.read("ts_code,end_date,holder_name,hold_amount\n600036.SH,20240630,某,1\n"
                  "000001.SZ,20240630,某,1\n",
                  u"in.csv"_s);
    importer.finish();
    QVERIFY(importer.errors().empty());
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    QVERIFY(importer.write(out));
    const HoldingsTable table = tableFromBytes(bytes);
    QCOMPARE(table.header(0), u"000001  十大股东  2024-06-30"); // not on the list: the code alone
    QCOMPARE(table.header(1), u"600036 列表名  十大股东  2024-06-30");

    Importer bad({});
    bad.readNames("code,name\n60003X,甲\n", u"names.csv"_s);
    bad.readNames("code,holder\n", u"other.csv"_s);
    QStringList errors;
    for (const ImportError& e : bad.errors().first())
        errors << e.text();
    QCOMPARE(errors,
             (QStringList{u"names.csv:2: not a stock code: \"60003X\""_s,
                          u"other.csv: has no header row: no line names the stock code "
                          u"(证券代码, 股票代码, 代码, code, ts_code, symbol) and the stock "
                          u"name (证券简称, 股票简称, 股票名称, 证券名称, 简称, 名称, name)"_s}));
}

void ImportTest::exportsAsUsersNameThem_data() {
    // Files: name and text, in order. Then the headers of the records written, or the errors;
    // and what the summary says of each file.
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<QByteArray>>("texts");
    QTest::addColumn<QStringList>("settings"); // --code / --date / --float, for every file
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QStringList>("errors");
    QTest::addColumn<QStringList>("notes");

    const QByteArray bare = "名次,股东名称,持股数量(股),占总股本比例(%)\n1,甲,1000000,1.5\n";
    const QByteArray floatBare = "名次,股东名称,持股数量(股),占流通股比例(%)\n1,甲,1000000,1.5\n";
    const QByteArray api = "ts_code,end_date,holder_name,hold_amount,hold_float_ratio\n"
                           "600519.SH,20240630,甲,1000000,1.5\n";
    const QByteArray titled = "贵州茅台(600519) 十大流通股东 截止日期：2024-06-30\n" + floatBare;
    const QString from = u"read from its file name: "_s;
    const QString assumed = u"says neither 十大股东 nor 十大流通股东: read as 十大股东 (--float, a "
                            u"title or 十大流通股东 in the file's name marks float holders)"_s;

    QTest::newRow("a data library's per-stock table")
        << QStringList{u"600519_20240630.csv"_s} << QList<QByteArray>{bare} << QStringList()
        << QStringList{u"600519  十大股东  2024-06-30"_s} << QStringList()
        << QStringList{u"600519_20240630.csv:1: "_s + from + u"code 600519, date 2024-06-30"_s,
                       u"600519_20240630.csv:1: "_s + assumed};
    QTest::newRow("a period word, float holders by name")
        << QStringList{u"贵州茅台600519_2024中报_十大流通股东.csv"_s}
        << QList<QByteArray>{floatBare} << QStringList()
        << QStringList{u"600519  十大流通股东  2024-06-30"_s} << QStringList()
        << QStringList{u"贵州茅台600519_2024中报_十大流通股东.csv:1: "_s + from +
                       u"code 600519, date 2024-06-30, table 十大流通股东"_s};
    QTest::newRow("--code and --date win over the name")
        << QStringList{u"600519_20240630.csv"_s} << QList<QByteArray>{bare}
        << QStringList{u"--code=600036"_s, u"--date=20231231"_s}
        << QStringList{u"600036  十大股东  2023-12-31"_s} << QStringList()
        << QStringList{u"600519_20240630.csv:1: "_s + assumed};
    QTest::newRow("a title wins over the name")
        << QStringList{u"600036_20231231.csv"_s} << QList<QByteArray>{titled} << QStringList()
        << QStringList{u"600519 贵州茅台  十大流通股东  2024-06-30"_s} << QStringList()
        << QStringList{u"600036_20231231.csv:1: read from its title: code 600519, name 贵州茅台, "
                       u"date 2024-06-30"_s};
    QTest::newRow("a name that reads two ways gives nothing")
        << QStringList{u"股东_20240821_153012.csv"_s} << QList<QByteArray>{bare} << QStringList()
        << QStringList()
        << QStringList{u"股东_20240821_153012.csv:1: no column for the stock code ("_s,
                       u"股东_20240821_153012.csv:1: no column for the report date ("_s}
        << QStringList();
    // An API's float holders: a ratio of the float and none of the capital.
    QTest::newRow("float holders by their ratio")
        << QStringList{u"top10_floatholders.csv"_s} << QList<QByteArray>{api} << QStringList()
        << QStringList{u"600519  十大流通股东  2024-06-30"_s} << QStringList() << QStringList();
    QTest::newRow("a table of unknown kind beside one that says")
        << QStringList{u"titled.csv"_s, u"600519_20240630.csv"_s} << QList<QByteArray>{titled, bare}
        << QStringList() << QStringList()
        << QStringList{u"600519_20240630.csv:2: the table of 600519 on 2024-06-30 says neither "
                       u"十大股东 nor 十大流通股东, and the one at titled.csv:3 is of "
                       u"十大流通股东: a "
                       u"title line, --float, or 十大股东 or 十大流通股东 in this file's name says "
                       u"which it is"_s}
        << QStringList();
    QTest::newRow("the same, marked in its name")
        << QStringList{u"titled.csv"_s, u"600519_20240630_十大股东.csv"_s}
        << QList<QByteArray>{titled, bare} << QStringList()
        << QStringList{u"600519 贵州茅台  十大股东  2024-06-30"_s,
                       u"600519 贵州茅台  十大流通股东  2024-06-30"_s}
        << QStringList()
        << QStringList{u"titled.csv:1: read from its title: code 600519, name 贵州茅台, date "
                       u"2024-06-30"_s,
                       u"600519_20240630_十大股东.csv:1: "_s + from +
                           u"code 600519, date 2024-06-30, table 十大股东"_s};
    QTest::newRow("a spreadsheet's own file")
        << QStringList{u"holders.xlsx"_s}
        << QList<QByteArray>{QByteArray("PK\x03\x04\x14\x00\x06\x00", 8)} << QStringList()
        << QStringList()
        << QStringList{u"holders.xlsx: a spreadsheet's own file (.xlsx or .xls), not text: save it "
                       u"from the spreadsheet as CSV or as Unicode text"_s}
        << QStringList();
}

void ImportTest::exportsAsUsersNameThem() {
    QFETCH(QStringList, names);
    QFETCH(QList<QByteArray>, texts);
    QFETCH(QStringList, settings);
    QFETCH(QStringList, headers);
    QFETCH(QStringList, errors);
    QFETCH(QStringList, notes);
    ImportSettings given;
    for (const QString& s : settings) {
        if (s.startsWith(u"--code="_s))
            given.code = s.sliced(7).toInt();
        else if (s.startsWith(u"--date="_s))
            given.date = s.sliced(7).toInt();
    }
    Importer importer(given);
    for (qsizetype i = 0; i < names.size(); ++i)
        importer.read(texts[i], names[i]);
    importer.finish();
    QStringList saidErrors;
    for (const ImportError& e : importer.errors().first())
        saidErrors << e.text();
    QCOMPARE(saidErrors.size(), errors.size());
    for (qsizetype i = 0; i < errors.size(); ++i)
        QVERIFY2(saidErrors[i].startsWith(errors[i]), qPrintable(saidErrors[i]));
    if (!errors.isEmpty())
        return;
    QStringList saidNotes;
    for (const ImportMessage& m : importer.summary().titles)
        saidNotes << m.text();
    QCOMPARE(saidNotes, notes);
    QByteArray bytes;
    QBuffer out(&bytes);
    QVERIFY(out.open(QIODevice::WriteOnly) && importer.write(out));
    const HoldingsTable table = tableFromBytes(bytes);
    QStringList written;
    for (qsizetype r = 0; r < table.recordCount(); ++r)
        written << table.header(r);
    QCOMPARE(written, headers);
}

void ImportTest::programSpeaksTheUsersLanguage() {
    // Under a Chinese locale the messages, the summary and --help are Chinese; the data file is
    // the same, byte for byte, and FILE:LINE: stays in front of an error.
    QTemporaryDir dir;
    Setup setup;
    setup.workingDir = dir.path();
    QVERIFY(writeFile(dir.filePath(u"600036_20240630.csv"_s),
                      "名次,股东名称,持股数量(股)\n1,甲,1000000\n"));
    QVERIFY(writeFile(dir.filePath(u"bad.csv"_s), minimalHeader + "600036,20240630,某,多\n"));
    const QString program = QStringLiteral(GEGU_IMPORT_PATH);
    Run r = runProcess(program, {u"600036_20240630.csv"_s}, setup);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(
        r.err,
        said("gegu-import: 600036_20240630.csv:1: read from its file name: code 600036, date "
             "2024-06-30\n",
             "gegu-import: 600036_20240630.csv:1: 从文件名读出：代码 600036、报告期 "
             "2024-06-30\n") +
            said("gegu-import: 600036_20240630.csv:1: says neither 十大股东 nor 十大流通股东: "
                 "read as 十大股东 (--float, a title or 十大流通股东 in the file's name marks "
                 "float holders)\n",
                 "gegu-import: 600036_20240630.csv:1: 未说明是十大股东还是十大流通股东，"
                 "按十大股东读入（--float、标题或文件名中的“十大流通股东”表示流通股东）\n") +
            said("gegu-import: wrote gegusj.rar: 1 file, 1 row, 1 stock, 1 period, 1 record, "
                 "0 warnings\n",
                 "gegu-import: 已写入 gegusj.rar：1 个文件，1 行，1 只股票，1 个报告期，1 条记录，"
                 "0 个警告\n"));
    QFile written(dir.filePath(u"gegusj.rar"_s));
    QVERIFY(written.open(QIODevice::ReadOnly));
    QVERIFY(decodeGbk(written.readAll()).contains(u"600036  十大股东  2024-06-30"_s));

    r = runProcess(program, {u"-o"_s, u"other.rar"_s, u"bad.csv"_s}, setup);
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(r.err, said("gegu-import: bad.csv:2: not a number of shares: \"多\"\n",
                         "gegu-import: bad.csv:2: 不是股数：“多”\n"));
    r = runProcess(program, {u"--help"_s}, setup);
    QVERIFY(r.out.startsWith(said("Usage: gegu-import", "用法：gegu-import")));
}

void ImportTest::malformedExports_data() {
    // Exports that are malformed, hostile or only tricky: each gives exactly its errors at their
    // files and lines, or else exactly the right tables, never a crash or a wrong table.
    QTest::addColumn<int>("index");
    const std::vector<MalformedExport>& all = gegu::test::malformedExports();
    for (size_t i = 0; i < all.size(); ++i)
        QTest::newRow(all[i].name) << int(i);
}

void ImportTest::malformedExports() {
    QFETCH(int, index);
    const MalformedExport& e = gegu::test::malformedExports()[size_t(index)];
    QList<QByteArray> files;
    for (const QByteArray& file : e.files)
        files << file;
    ImportSettings settings;
    settings.history = e.history;
    const Imported i = tryImport(files, settings);
    QCOMPARE(i.errors, e.errors);
    if (!e.errors.isEmpty())
        return;
    QStringList tables;
    for (qsizetype r = 0; r < i.table.recordCount(); ++r) {
        tables << i.table.header(r);
        for (const QString& row : i.table.holderRows(r))
            tables << row;
    }
    QCOMPARE(tables, e.tables);
    QCOMPARE(i.warnings, e.warnings);
    QCOMPARE(i.titles, e.titles);
}

void ImportTest::largeExportReadInHalvesAsInOne_data() {
    QTest::addColumn<bool>("quotedBreakInTheMiddle");
    QTest::addColumn<bool>("titled");
    QTest::newRow("plain rows") << false << false;
    QTest::newRow("a quoted line break at the middle") << true << false;
    QTest::newRow("under a title and a header of two lines, another table later") << false << true;
}

void ImportTest::largeExportReadInHalvesAsInOne() {
    // More than 4 MB: read in two halves at once, which must give what one pass gives, even
    // where the middle falls inside a quoted field or a later table; and bad rows in either
    // half are named by their own lines.
    QFETCH(bool, quotedBreakInTheMiddle);
    QFETCH(bool, titled);
    const auto rowsFrom = [](int first) {
        QByteArray rows;
        for (int i = first; rows.size() < (5 << 19); ++i)
            rows += QByteArray::number(600000 + i % 1000) + ",20240630,某" + QByteArray::number(i) +
                    "," + QByteArray::number(i) + ",\n";
        return rows;
    };
    // The middle of the rows falls inside this one's quoted field of 100,000 line breaks.
    const QByteArray middle = quotedBreakInTheMiddle
                                  ? "600999,20240630,\"长" + QByteArray(100000, '\n') + "\",1,\n"
                                  : QByteArray();
    // A title, and a header with a line break in quotes, before the rows.
    const QByteArray head = titled ? "code,end_date,\"holder\n_name\",hold_amount,增减\n"
                                   : "code,end_date,holder_name,hold_amount,增减\n";
    const QByteArray title = titled ? "(600036) 截止日期：2024-06-30\n" : "";
    const QByteArray later = titled ? "注：完\n(000002) 截止日期：2024-03-31\n" + head : "";
    const QByteArray csv = title + head + rowsFrom(0) + middle + later + rowsFrom(200000);
    const Imported halves = import({csv});
    // One pass over the same text: a small file is not split.
    ImportSettings settings;
    Importer one(settings);
    const qsizetype cut = csv.indexOf("\n6", csv.size() / 2) + 1;
    one.read(csv.first(cut), u"a.csv"_s);
    one.read(title + head + csv.sliced(cut), u"b.csv"_s);
    one.finish();
    QVERIFY(one.errors().empty());
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    QVERIFY(one.write(out));
    QCOMPARE(halves.text, decodeGbk(bytes));

    QByteArray bad = csv;
    const QByteArray badRow = "60000X,20240630,某,1,\n";
    const qsizetype late = bad.lastIndexOf("\n6", bad.size() - 100) + 1;
    bad.insert(late, QByteArray(badRow).replace('X', 'Y'));
    const qsizetype early = bad.indexOf("\n6", 1000) + 1;
    bad.insert(early, badRow);
    const qint64 earlyLine = bad.first(early).count('\n') + 1;
    const qint64 lateLine = bad.first(late + badRow.size()).count('\n') + 1;
    // A note in the second half, and a row after it: both named by their lines in the file.
    const qint64 noteLine = bad.count('\n') + 1;
    bad += "数据来源：某\n600001,20240630,某,1,\n";
    QCOMPARE(
        importErrors({bad}),
        (QStringList{u"in1.csv:%1: not a stock code: \"60000X\""_s.arg(earlyLine),
                     u"in1.csv:%1: not a stock code: \"60000Y\""_s.arg(lateLine),
                     u"in1.csv:%1: a holder row after the note on line %2 that ends its table"_s
                         .arg(noteLine + 1)
                         .arg(noteLine)}));
}

void ImportTest::outputFile_data() {
    // Only a regular file or a new name is written: anything else is refused, with --force
    // too, and nothing is left behind.
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("replace");
    QTest::addColumn<int>("problem"); // -1: written
    const int written = -1;
    for (const bool replace : {false, true}) {
        const char* force = replace ? ", replacing" : "";
        QTest::addRow("a new name%s", force) << u"new"_s << replace << written;
        QTest::addRow("in folders to be made%s", force) << u"deep"_s << replace << written;
        QTest::addRow("a regular file%s", force)
            << u"file"_s << replace << (replace ? written : int(OutputProblem::Exists));
        // Windows would not replace it, and the new file would keep its read-only flag.
        QTest::addRow("a read-only file%s", force)
            << u"readonly"_s << replace
            << int(replace ? OutputProblem::ReadOnly : OutputProblem::Exists);
        QTest::addRow("a folder%s", force)
            << u"folder"_s << replace << int(OutputProblem::IsFolder);
        QTest::addRow("under a regular file%s", force)
            << u"underfile"_s << replace << int(OutputProblem::FolderFailed);
#if defined(Q_OS_WIN)
        // Devices by their reserved names, which stand in every folder.
        QTest::addRow("the device NUL%s", force)
            << u"NUL"_s << replace << int(OutputProblem::NotRegular);
        QTest::addRow("the device COM1%s", force)
            << u"com1"_s << replace << int(OutputProblem::NotRegular);
#else
        QTest::addRow("a link to a regular file%s", force)
            << u"link"_s << replace << (replace ? written : int(OutputProblem::Exists));
        QTest::addRow("a link to a read-only file%s", force)
            << u"readonlylink"_s << replace
            << int(replace ? OutputProblem::ReadOnly : OutputProblem::Exists);
        QTest::addRow("a FIFO%s", force) << u"fifo"_s << replace << int(OutputProblem::NotRegular);
        QTest::addRow("a link to a FIFO%s", force)
            << u"fifolink"_s << replace << int(OutputProblem::NotRegular);
        QTest::addRow("a link that leads nowhere%s", force)
            << u"dangling"_s << replace << int(OutputProblem::NotRegular);
        QTest::addRow("a link loop%s", force)
            << u"loop"_s << replace << int(OutputProblem::NotRegular);
#endif
    }
}

void ImportTest::outputFile() {
    QFETCH(QString, kind);
    QFETCH(bool, replace);
    QFETCH(int, problem);
    QTemporaryDir dir;
    namespace fs = std::filesystem;
    const fs::path root = nativePath(dir.path());
    QVERIFY(writeFile(dir.filePath(u"file"_s), "old"));
    QVERIFY(writeFile(dir.filePath(u"readonly"_s), "old"));
    QVERIFY(QFile::setPermissions(dir.filePath(u"readonly"_s),
                                  QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QVERIFY(QDir(dir.path()).mkdir(u"folder"_s));
#if !defined(Q_OS_WIN)
    QCOMPARE(::mkfifo((root / "fifo").c_str(), 0600), 0);
    fs::create_symlink("file", root / "link");
    fs::create_symlink("readonly", root / "readonlylink");
    fs::create_symlink("fifo", root / "fifolink");
    fs::create_symlink("nowhere", root / "dangling");
    fs::create_symlink("loop", root / "loop");
#endif
    const fs::path path = kind == u"deep"_s        ? root / "a" / "b" / "out.rar"
                          : kind == u"underfile"_s ? root / "file" / "out.rar"
                                                   : root / nativePath(kind);
    const auto before =
        QDir(dir.path())
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden);
    try {
        writeOutputFile(path, replace, [](QIODevice& out) { return out.write("new") == 3; });
        QCOMPARE(problem, -1);
    } catch (const OutputError& e) {
        QCOMPARE(int(e.problem()), problem);
        // Nothing changed, and no new file was left behind.
        QCOMPARE(
            QDir(dir.path())
                .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden),
            before);
        QCOMPARE(readFile(dir.filePath(u"file"_s)), "old"_ba);
        QCOMPARE(readFile(dir.filePath(u"readonly"_s)), "old"_ba);
        QVERIFY(!(QFile::permissions(dir.filePath(u"readonly"_s)) & QFile::WriteOwner));
#if !defined(Q_OS_WIN)
        QVERIFY(fs::is_fifo(root / "fifo"));
#endif
        return;
    }
    QCOMPARE(readFile(displayName(path)), "new"_ba);
    // A link stays a link; the file it leads to is replaced.
    if (kind == u"link"_s)
        QVERIFY(fs::is_symlink(root / "link"));
}

void ImportTest::outputThatAppearsMeanwhileStays() {
    // A file that appears at the output while the new one is written is not replaced, and the
    // new one is removed.
    QTemporaryDir dir;
    const QString target = dir.filePath(u"gegusj.rar"_s);
    try {
        writeOutputFile(nativePath(target), false, [&](QIODevice& out) {
            return writeFile(target, "theirs") && out.write("ours") == 4;
        });
        QFAIL("a file that appeared was replaced");
    } catch (const OutputError& e) {
        QCOMPARE(e.problem(), OutputProblem::Exists);
        QCOMPARE(e.text(), target + u" exists"_s);
    }
    QCOMPARE(readFile(target), "theirs"_ba);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"gegusj.rar"_s});

    // A write that fails leaves nothing.
    try {
        writeOutputFile(nativePath(dir.filePath(u"new.rar"_s)), false,
                        [](QIODevice&) { return false; });
        QFAIL("a failed write was renamed into place");
    } catch (const OutputError& e) {
        QCOMPARE(e.problem(), OutputProblem::WriteFailed);
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"gegusj.rar"_s});
}

void ImportTest::outputReplaced() {
    // A replaced file keeps its permissions.
    QTemporaryDir dir;
    const QString target = dir.filePath(u"gegusj.rar"_s);
    QVERIFY(writeFile(target, "old"));
    QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    writeOutputFile(nativePath(target), true, [](QIODevice& out) { return out.write("new") == 3; });
    QCOMPARE(readFile(target), "new"_ba);
    SKIP_ON_WINDOWS("permissions beyond read-only");
    QCOMPARE(QFile::permissions(target) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
}

void ImportTest::program_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("err");
    QTest::newRow("help") << QStringList{u"--help"_s} << 0 << QByteArray();
    QTest::newRow("version") << QStringList{u"--version"_s} << 0 << QByteArray();
    QTest::newRow("no CSV") << QStringList{} << 2
                            << "gegu-import: expected one or more CSV files (see --help)\n"_ba;
    QTest::newRow("unknown option") << QStringList{u"--fast"_s, u"a.csv"_s} << 2
                                    << "gegu-import: unknown option --fast (put -- before an "
                                       "argument that starts with '-')\n"_ba;
    QTest::newRow("bad encoding") << QStringList{u"--encoding"_s, u"latin1"_s, u"a.csv"_s} << 2
                                  << "gegu-import: --encoding takes utf-8 or gbk\n"_ba;
    QTest::newRow("bad code") << QStringList{u"--code"_s, u"60003X"_s, u"a.csv"_s} << 2
                              << "gegu-import: --code takes a stock code of Shanghai, Shenzhen or "
                                 "Beijing, such as 600036\n"_ba;
    QTest::newRow("bad date") << QStringList{u"--date"_s, u"2024-02-30"_s, u"a.csv"_s} << 2
                              << "gegu-import: --date takes a date, such as 2024-06-30\n"_ba;
    QTest::newRow("a name GBK lacks")
        << QStringList{u"--stock-name"_s, u"\U0001F600"_s, u"a.csv"_s} << 2
        << "gegu-import: --stock-name holds \xF0\x9F\x98\x80, which "
           "GBK cannot hold\n"_ba;
    QTest::newRow("missing CSV") << QStringList{u"missing.csv"_s} << 2
                                 << "gegu-import: missing.csv: cannot be read: File not found\n"_ba;
    QTest::newRow("missing CSVs") << QStringList{u"a.csv"_s, u"b.csv"_s} << 2
                                  << "gegu-import: a.csv: cannot be read: File not found\n"
                                     "gegu-import: b.csv: cannot be read: File not found\n"
                                     "gegu-import: 2 errors: nothing written\n"_ba;
#if defined(Q_OS_WIN)
    const QByteArray device = "NUL"; // a reserved name, a device in every folder
#else
    const QByteArray device = "null";             // program() makes it a link to /dev/null
#endif
    QTest::newRow("a device as output")
        << QStringList{u"--force"_s, u"-o"_s, QString::fromLatin1(device), u"a.csv"_s} << 2
        << "gegu-import: " + device +
               " is not a regular file (only a regular file or a new name is written)\n";
}

void ImportTest::program() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, err);
    QTemporaryDir dir;
#if !defined(Q_OS_WIN)
    // A link to /dev/null: were it ever written, the link would be replaced, not the device.
    std::filesystem::create_symlink("/dev/null", nativePath(dir.filePath(u"null"_s)));
#endif
    Setup setup;
    setup.workingDir = dir.path();
    const Run r = runProcess(QStringLiteral(GEGU_IMPORT_PATH), args, setup);
    QCOMPARE(r.exitCode, exitCode);
    if (exitCode == 0)
        QVERIFY(r.out.startsWith("Usage: gegu-import") || r.out == "gegu-import " GEGU_VERSION
                                                                   "\n");
    else
        QCOMPARE(r.err, err);
#if !defined(Q_OS_WIN)
    QVERIFY(std::filesystem::is_symlink(nativePath(dir.filePath(u"null"_s))));
#endif
}

void ImportTest::programWritesNothingOnError() {
    QTemporaryDir dir;
    Setup setup;
    setup.workingDir = dir.path();
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QVERIFY(writeFile(dir.filePath(name), bytes));
    };
    write(u"good.csv"_s, minimalHeader + "600036,20240630,华夏基金,1000000\n");
    write(u"bad.csv"_s, minimalHeader + "600036,20240630,某,多\n");
    write(u"other.csv"_s, minimalHeader + "600036,20240630,华夏基金,2000000\n");
    const QString program = QStringLiteral(GEGU_IMPORT_PATH);

    // An error in any input: exit 2, and no data file, not even a temporary one.
    Run r = runProcess(program, {u"good.csv"_s, u"bad.csv"_s}, setup);
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(r.err, "gegu-import: bad.csv:2: not a number of shares: \"多\"\n"_ba);
    r = runProcess(program, {u"good.csv"_s, u"other.csv"_s}, setup);
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(r.err, "gegu-import: other.csv:2: 华夏基金 in 600036 on 2024-06-30: 200.00 万股 "
                    "here, 100.00 万股 at good.csv:2\n"_ba);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);

    // Written, with a summary; then not replaced without --force, and replaced with it.
    r = runProcess(program, {u"good.csv"_s}, setup);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.err, assumedKind("good.csv") + "gegu-import: wrote gegusj.rar: 1 file, 1 row, 1 "
                                              "stock, 1 period, 1 record, 0 warnings\n"_ba);
    const HoldingsTable table = loadHoldingsFile(nativePath(dir.filePath(u"gegusj.rar"_s)));
    QVERIFY(report(table, u"华夏").contains(u"  华夏基金"_s));
    r = runProcess(program, {u"good.csv"_s}, setup);
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(r.err, "gegu-import: gegusj.rar exists; --force replaces it\n"_ba);
    r = runProcess(program, {u"--force"_s, u"-o"_s, u"gegusj.rar"_s, u"good.csv"_s}, setup);
    QCOMPARE(r.exitCode, 0);
    // A read-only data file stays, with --force too, and no new file is left beside it.
    const QString dataFile = dir.filePath(u"gegusj.rar"_s);
    const QByteArray written = readFile(dataFile);
    QVERIFY(QFile::setPermissions(dataFile, QFile::ReadOwner | QFile::ReadGroup));
    r = runProcess(program, {u"--force"_s, u"other.csv"_s}, setup);
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(r.err, "gegu-import: gegusj.rar is read-only\n"_ba);
    QCOMPARE(readFile(dataFile), written);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 4);
    QVERIFY(QFile::setPermissions(dataFile, QFile::ReadOwner | QFile::WriteOwner));
    // Missing folders are made, as for the user's data folder on a new account.
    r = runProcess(program, {u"-o"_s, u"home/.local/share/gegu/gegusj.rar"_s, u"good.csv"_s},
                   setup);
    QCOMPARE(r.exitCode, 0);
    QVERIFY(QFile::exists(dir.filePath(u"home/.local/share/gegu/gegusj.rar"_s)));
}

void ImportTest::programOptionsAndMessages_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("err");
    const QByteArray wrote = "gegu-import: wrote gegusj.rar: 1 file, 1 row, 1 stock, 1 period, "
                             "1 record, 0 warnings\n";
    QTest::newRow("an option's value after =") << QStringList{u"--encoding=UTF-8"_s, u"good.csv"_s}
                                               << 0 << assumedKind("good.csv") + wrote;
    QTest::newRow("GBK, and the stock's name from a list")
        << QStringList{u"--encoding"_s, u"gbk"_s, u"--names"_s, u"names.csv"_s, u"gbk.csv"_s} << 0
        << assumedKind("gbk.csv") + wrote;
    QTest::newRow("a table without code, name or date")
        << QStringList{u"--code"_s, u"sh600036"_s, u"--stock-name"_s, u"招商银行"_s,
                       u"--date"_s, u"20240630"_s, u"bare.csv"_s}
        << 0 << assumedKind("bare.csv") + wrote;
    QTest::newRow("a switch given a value") << QStringList{u"--force=yes"_s, u"good.csv"_s} << 2
                                            << "gegu-import: --force takes no value\n"_ba;
    QTest::newRow("the output a folder") << QStringList{u"-o"_s, u"sub"_s, u"good.csv"_s} << 2
                                         << "gegu-import: sub is a folder: a file name is needed, "
                                            "such as sub"_ba +
                                                QDir::separator().toLatin1() + "gegusj.rar\n";
    QTest::newRow("a header and no rows")
        << QStringList{u"header.csv"_s} << 2
        << "gegu-import: no holder rows in the input: nothing written\n"_ba;
    QTest::newRow("shortened names and rows kept once")
        << QStringList{u"long.csv"_s, u"long.csv"_s} << 0
        << assumedKind("long.csv") + assumedKind("long.csv") +
               "gegu-import: warning: long.csv:1: columns not used: 备注\n"
               "gegu-import: wrote gegusj.rar: 2 files, 4 rows (2 kept once), 1 stock, 1 period, "
               "1 record, 1 name shortened, 1 warning\n"_ba;
    // File options apply to the files after them, until given again.
    QTest::newRow("file options, file by file")
        << QStringList{u"--date"_s, u"2024-06-30"_s, u"--code"_s,  u"600001"_s, u"a.csv"_s,
                       u"--code"_s, u"600002"_s,     u"--float"_s, u"b.csv"_s}
        << 0
        << assumedKind("a.csv") +
               "gegu-import: wrote gegusj.rar: 2 files, 2 rows, 2 stocks, 1 period, 2 records, "
               "0 warnings\n"_ba;
    QTest::newRow("a file option after the last file")
        << QStringList{u"bare.csv"_s, u"--code"_s, u"600036"_s} << 2
        << "gegu-import: --code says something of the CSV files after it, and none follows\n"_ba;
    QTest::newRow("two outputs") << QStringList{u"-o"_s, u"a.rar"_s, u"-o"_s, u"b.rar"_s,
                                                u"good.csv"_s}
                                 << 2
                                 << "gegu-import: -o is given twice: one data file is written at a "
                                    "time\n"_ba;
    QTest::newRow("the output an input")
        << QStringList{u"--force"_s, u"-o"_s, u"good.csv"_s, u"good.csv"_s} << 2
        << "gegu-import: the output is the input good.csv: writing it would replace the export "
           "(-o names another file)\n"_ba;
    QTest::newRow("the output the list of names")
        << QStringList{u"--force"_s, u"--names"_s,     u"names.csv"_s,
                       u"-o"_s,      u"./names.csv"_s, u"good.csv"_s}
        << 2
        << "gegu-import: the output is the input names.csv: writing it would replace the export "
           "(-o names another file)\n"_ba;
    QTest::newRow("a folder as the output")
        << QStringList{u"-o"_s, u"new/"_s, u"good.csv"_s} << 2
        << "gegu-import: new/ names a folder, not a file: a file name is needed, such as "
           "new/gegusj.rar\n"_ba;
    QTest::newRow("what titles gave, and periods left out")
        << QStringList{u"titled.csv"_s} << 0
        << "gegu-import: titled.csv:1: read from its title: code 600036, name 招商银行, date "
           "2024-06-30\n" +
               assumedKind("titled.csv", 2) +
               "gegu-import: titled.csv:4: read from its title: code 600036, name 招商银行, date "
               "2024-03-31\n"
               "gegu-import: warning: 1 earlier report period (1 record) left out: --history "
               "writes "
               "every period\n"
               "gegu-import: wrote gegusj.rar: 1 file, 2 rows, 1 stock, 2 periods, 1 record, "
               "1 warning\n"_ba;
    QByteArray errors;
    for (int i = 2; i <= 51; ++i)
        errors +=
            "gegu-import: bad.csv:" + QByteArray::number(i) + ": not a number of shares: \"多\"\n";
    QTest::newRow("the first fifty errors")
        << QStringList{u"bad.csv"_s} << 2
        << errors +
               "gegu-import: ... and 10 more errors\ngegu-import: 60 errors: nothing written\n";
}

void ImportTest::programOptionsAndMessages() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, err);
    QTemporaryDir dir;
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QVERIFY(writeFile(dir.filePath(name), bytes));
    };
    write(u"good.csv"_s, minimalHeader + "600036,20240630,华夏基金,1000000\n");
    write(u"header.csv"_s, minimalHeader);
    write(u"gbk.csv"_s,
          gbkBytes(u"股票代码,截止日期,股东名称,持股数\n600036,2024-06-30,华夏基金,100\n"_s));
    write(u"names.csv"_s, gbkBytes(u"code,name\n600036,招商银行\n"_s));
    write(u"bare.csv"_s, "股东名称,持股数\n华夏基金,100\n");
    write(u"a.csv"_s, "股东名称,持股数,持股比例\n华夏基金,100,1\n");
    write(u"b.csv"_s, "股东名称,持股数,持股比例\n易方达基金,200,2\n");
    write(u"titled.csv"_s, "招商银行(600036) 截止日期：2024-06-30\n股东名称,持股数\n甲,1\n"
                           "招商银行(600036) 截止日期：2024-03-31\n股东名称,持股数\n乙,1\n");
    write(u"long.csv"_s, minimalHeader.chopped(1) +
                             ",备注\n600036,20240630,华夏基金,1,\n"
                             "600036,20240630,中国证券金融股份有限公司,2,\n");
    QByteArray bad = minimalHeader;
    for (int i = 0; i < 60; ++i)
        bad += "600036,20240630,某,多\n";
    write(u"bad.csv"_s, bad);
    QVERIFY(QDir(dir.path()).mkdir(u"sub"_s));
    Setup setup;
    setup.workingDir = dir.path();
    const Run r = runProcess(QStringLiteral(GEGU_IMPORT_PATH), args, setup);
    QCOMPARE(r.err, err);
    QCOMPARE(r.exitCode, exitCode);
    if (exitCode == 0 && (args.contains(u"names.csv"_s) || args.contains(u"bare.csv"_s))) {
        const HoldingsTable table = loadHoldingsFile(nativePath(dir.filePath(u"gegusj.rar"_s)));
        QVERIFY(table.header(0).startsWith(u"600036 招商银行"_s));
        QVERIFY(report(table, u"华夏").contains(u"  华夏基金"_s));
    }
    if (args.contains(u"b.csv"_s)) {
        const HoldingsTable table = loadHoldingsFile(nativePath(dir.filePath(u"gegusj.rar"_s)));
        QCOMPARE(table.header(0), u"600001  十大股东  2024-06-30");
        QCOMPARE(table.header(1), u"600002  十大流通股东  2024-06-30");
        QVERIFY((*table.holderRows(1).begin()).startsWith(u"  易方达基金"_s));
    }
    // Nothing made where nothing was written.
    if (exitCode != 0)
        QVERIFY(!QFile::exists(dir.filePath(u"new"_s)) &&
                !QFile::exists(dir.filePath(u"gegusj.rar"_s)));
}

void ImportTest::programWithNativeNames() {
    // Names in Chinese reach the system as they were given: a folder to write into, and a file
    // not to replace. On Windows as UTF-16 from the command line on; elsewhere as bytes that need
    // not be UTF-8 (GBK, as folders made on Chinese Windows arrive).
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(u"good.csv"_s), minimalHeader + "600036,20240630,甲,1\n"));
    Setup setup;
    setup.workingDir = dir.path();
#if defined(Q_OS_WIN)
    const NativePath folder = L"中文";
    const NativePath file = L"股.rar";
    const auto run = [&](const NativePath& output, const QString& force) {
        QStringList args{u"-o"_s, displayName(output), u"good.csv"_s};
        if (!force.isEmpty())
            args.prepend(force);
        return runProcess(QStringLiteral(GEGU_IMPORT_PATH), args, setup);
    };
#else
    const NativePath folder = "\xD6\xD0\xCE\xC4"; // 中文 in GBK
    const NativePath file = "\xB9\xC9.rar";       // 股.rar in GBK
    const auto run = [&](const NativePath& output, const QString& force) {
        // The shell's printf makes the bytes from octal escapes.
        QString escaped;
        for (const char c : output.native())
            escaped += QStringLiteral("\\%1").arg(uint(uchar(c)), 3, 8, QLatin1Char('0'));
        return runProcess(u"/bin/sh"_s,
                          {u"-c"_s, u"exec \"$0\" $1 -o \"$(printf \"$2\")\" good.csv"_s,
                           QStringLiteral(GEGU_IMPORT_PATH), force, escaped},
                          setup);
    };
#endif
    Run r = run(folder / file, {});
    QCOMPARE(r.exitCode, 0);
    const NativePath written = nativePath(dir.path()) / folder / file;
    QVERIFY(std::filesystem::is_regular_file(written));
    r = run(folder / file, {});
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.err.endsWith(" exists; --force replaces it\n"));
    r = run(folder / file, u"--force"_s);
    QCOMPARE(r.exitCode, 0);
    // Nothing but the file, named exactly so.
    std::vector<NativePath> entries;
    for (const auto& e : std::filesystem::directory_iterator(written.parent_path()))
        entries.push_back(e.path().filename());
    QVERIFY(entries == std::vector<NativePath>{file});
    QVERIFY(report(loadHoldingsFile(written), u"甲").contains(u"  甲"_s));
    // QTemporaryDir cannot remove names that are not UTF-8.
    std::filesystem::remove_all(written.parent_path());
}

void ImportTest::programOutputNames() {
    // Any name a file can have is an output's name: the file written beside it first has a short
    // name of its own, hidden, and nothing of it stays.
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(u"good.csv"_s), minimalHeader + "600036,20240630,甲,1\n"));
    Setup setup;
    setup.workingDir = dir.path();
    const QString program = QStringLiteral(GEGU_IMPORT_PATH);
    SKIP_ON_WINDOWS("names of 254 characters in a folder of a long path, links");
    const QString longName = QString(250, u'a') + u".rar"_s;
    Run r = runProcess(program, {u"-o"_s, longName, u"good.csv"_s}, setup);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{longName, u"good.csv"_s}));
    // An input is never the output, also by way of a link.
    std::filesystem::create_symlink("good.csv", nativePath(dir.filePath(u"link.csv"_s)));
    r = runProcess(program, {u"--force"_s, u"-o"_s, u"link.csv"_s, u"good.csv"_s}, setup);
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(r.err, "gegu-import: the output is the input good.csv: writing it would replace the "
                    "export (-o names another file)\n"_ba);
    QCOMPARE(readFile(dir.filePath(u"good.csv"_s)), minimalHeader + "600036,20240630,甲,1\n");
}

QTEST_GUILESS_MAIN(ImportTest)
#include "tst_import.moc"
