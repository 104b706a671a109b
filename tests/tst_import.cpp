// gegu-import: the rules of the library on in-memory exports, and the program as users run it.

#include "holdings/data_file.h"
#include "import/importer.h"
#include "processes.h"
#include "queries/query.h"
#include "support.h"

#include <QBuffer>
#include <QStringEncoder>
#include <QTemporaryDir>

using namespace gegu;
using namespace gegu::test;
using namespace Qt::StringLiterals;

namespace {

// The data file an import of the CSV texts writes, decoded, and the table it loads into.
struct Imported {
    QString text;
    HoldingsTable table;
    ImportSummary summary;
};

Imported import(const QList<QByteArray>& csvs, ImportSettings settings = {}) {
    Importer importer(settings);
    for (qsizetype i = 0; i < csvs.size(); ++i)
        importer.read(csvs[i], u"in%1.csv"_s.arg(i + 1));
    importer.finish();
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    if (!importer.write(out))
        qFatal("the import was not written");
    return {decodeGbk(bytes), tableFromBytes(bytes), importer.summary()};
}

ImportError importError(const QByteArray& csv, ImportSettings settings = {}) {
    try {
        import({csv}, settings);
    } catch (const ImportError& e) {
        return e;
    }
    QTest::qFail("the import succeeded", __FILE__, __LINE__);
    return {};
}

const QByteArray header =
    "股票代码,股票简称,截止日期,名次,股东名称,股份类型,持股数,占总股本持股比例,增减\n";

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A query's report, as gegu-query prints it.
QString report(const HoldingsTable& table, QStringView query) {
    const TextBuffer text = reportText(runQuery(table, query));
    return QString::fromUtf16(text.data(), qsizetype(text.size()));
}

} // namespace

class ImportTest : public QObject {
    Q_OBJECT
private slots:
    void roundTrip();
    void columnNames_data();
    void columnNames();
    void codeForms_data();
    void codeForms();
    void dateForms_data();
    void dateForms();
    void numbers_data();
    void numbers();
    void quotingAndLineBreaks();
    void plainLinesReadAsLibcsvReadsThem_data();
    void plainLinesReadAsLibcsvReadsThem();
    void encodings_data();
    void encodings();
    void latestPeriodOrHistory();
    void rowOrderWithoutRank();
    void floatHolders();
    void namesFromAList();
    void warnings();
    void errors_data();
    void errors();
    void largeExportReadInHalvesAsInOne_data();
    void largeExportReadInHalvesAsInOne();
    void program_data();
    void program();
    void programWritesNothingOnError();
    void programOptionsAndMessages_data();
    void programOptionsAndMessages();
};

void ImportTest::roundTrip() {
    const Imported i =
        import({header + "600036,示例银行,2024-06-30,1,华夏大盘精选混合基金,流通A股,"
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
}

void ImportTest::columnNames_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("name");
    for (int c = 0; c <= int(Column::Rank); ++c) {
        for (const QString& name : gegu::columnNames(Column(c)))
            QTest::addRow("%s", qPrintable(name)) << c << name;
    }
}

void ImportTest::columnNames() {
    // Each column's every name, in a header whose other columns use other names, in another
    // order, with a column nobody reads.
    QFETCH(int, column);
    QFETCH(QString, name);
    QStringList names{u"证券代码"_s, u"名称"_s,     u"end_date"_s,     u"holder_name"_s,
                      u"持股数量"_s, u"持股比例"_s, u"占流通股比例"_s, u"股本性质"_s,
                      u"持股变动"_s, u"股东排名"_s};
    names[column] = name;
    std::reverse(names.begin(), names.end());
    names.insert(3, u"公告日"_s);
    // Rank, change, type, announcement date, float ratio, ratio, shares, holder, date, name, code.
    const QStringList row{u"2"_s,        u"增持"_s,   u"流通A股"_s, u"2024-07-01"_s,
                          u"2.50"_s,     u"1.50"_s,   u"300000"_s,  u"某基金"_s,
                          u"20240630"_s, u"示例名"_s, u"600036"_s};
    QStringEncoder utf8(QStringEncoder::Utf8);
    const QByteArray csv = utf8.encode(names.join(u',') + u'\n' + row.join(u',') + u'\n');
    ImportSettings settings;
    settings.floatHolders = column == int(Column::FloatRatio);
    const QString text = import({csv}, settings).text;
    QVERIFY2(text.contains(u"600036 示例名"_s) && text.contains(u"2024-06-30"_s) &&
                 text.contains(u"  某基金"_s) && text.contains(u"│     30.00│"_s) &&
                 text.contains(settings.floatHolders ? u"│      2.50│"_s : u"│      1.50│"_s) &&
                 text.contains(u"│ 流通A股  │ 增持"_s),
             qPrintable(text));
}

void ImportTest::codeForms_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("written");
    QTest::newRow("six digits") << u"600000"_s << u"600000"_s;
    QTest::newRow("exchange after") << u"600000.SH"_s << u"600000"_s;
    QTest::newRow("exchange before") << u"sh600000"_s << u"600000"_s;
    QTest::newRow("exchange before, capitals") << u"SH600000"_s << u"600000"_s;
    QTest::newRow("exchange and point before") << u"sh.600000"_s << u"600000"_s;
    QTest::newRow("leading zeros dropped") << u"1"_s << u"000001"_s;
    QTest::newRow("Beijing") << u"830799.BJ"_s << u"830799"_s;
    QTest::newRow("seven digits") << u"6000001"_s << QString();
    QTest::newRow("letters inside") << u"60A000"_s << QString();
    QTest::newRow("point and digits") << u"600000.5"_s << QString();
    QTest::newRow("empty") << QString() << QString();
}

void ImportTest::codeForms() {
    QFETCH(QString, code);
    QFETCH(QString, written);
    QCOMPARE(parseStockCode(code).has_value(), !written.isEmpty());
    if (!written.isEmpty())
        QCOMPARE(u"%1"_s.arg(*parseStockCode(code), 6, 10, QLatin1Char('0')), written);
}

void ImportTest::dateForms_data() {
    QTest::addColumn<QString>("date");
    QTest::addColumn<int>("read"); // 0: not a date
    QTest::newRow("dashes") << u"2024-06-30"_s << 20240630;
    QTest::newRow("digits") << u"20240630"_s << 20240630;
    QTest::newRow("slashes, short") << u"2024/6/30"_s << 20240630;
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
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value"); // NaN: not a number
    const double none = std::nan("");
    QTest::newRow("whole") << u"123456789"_s << 123456789.0;
    QTest::newRow("negative") << u"-2000"_s << -2000.0;
    QTest::newRow("decimal") << u"5.12"_s << 5.12;
    QTest::newRow("exponent") << u"1.2E8"_s << 1.2e8;
    QTest::newRow("thousands") << u"1,234,567"_s << 1234567.0;
    QTest::newRow("percent sign") << u"5.12%"_s << 5.12;
    QTest::newRow("plus") << u"+3"_s << 3.0;
    QTest::newRow("blanks around") << u" 42 "_s << 42.0;
    QTest::newRow("words") << u"不变"_s << none;
    QTest::newRow("empty") << QString() << none;
    QTest::newRow("infinity") << u"inf"_s << none;
    QTest::newRow("a dash") << u"-"_s << none;
}

void ImportTest::numbers() {
    QFETCH(QString, text);
    QFETCH(double, value);
    const std::optional<double> read = parseNumber(text);
    QCOMPARE(read.has_value(), !std::isnan(value));
    if (read)
        QCOMPARE(*read, value);
}

void ImportTest::quotingAndLineBreaks() {
    // Commas, quotes and line breaks inside quoted fields, CR LF line ends, and a row whose
    // quoted field holds a line break: a data file's line stays one line.
    const QByteArray csv = "股票代码,截止日期,股东名称,持股数,增减\r\n"
                           "600036,2024-06-30,\"华夏, 基金\",100,\"多行\r\n备注\"\r\n"
                           "600036,2024-06-30,\"张\"\"三\"\"\",50,\r\n";
    const Imported i = import({csv});
    QCOMPARE(i.table.holderRows(0).size(), 2u);
    QVERIFY(i.text.contains(u"  华夏, 基金"_s));
    QVERIFY(i.text.contains(u"│ 多行 备注\r\n"_s));
    QVERIFY(i.text.contains(u"  张\"三\""_s));
}

// The rows a CSV reading gives, a line each: the row's line, then its fields in brackets; or
// the error it ends with.
QString csvRows(const QByteArray& csv, CsvReader::Lines lines) {
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
            {}, 1, lines);
    } catch (const ImportError& e) {
        out += e.text();
    }
    return out;
}

void ImportTest::plainLinesReadAsLibcsvReadsThem_data() {
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QString>("rows");
    QTest::newRow("blanks and tabs around fields")
        << " a ,\tb\t, c d \n"_ba << u"1:[a][b][c d]\n"_s;
    QTest::newRow("empty fields at both ends") << ",a,\n,\n"_ba << u"1:[][a][]\n2:[][]\n"_s;
    QTest::newRow("blank lines and lines of blanks are no rows")
        << "\n \t \r\na\n\r\n\n"_ba << u"3:[a]\n"_s;
    QTest::newRow("CR LF") << "a,b\r\nc\r\n"_ba << u"1:[a][b]\n2:[c]\n"_s;
    QTest::newRow("a lone CR ends a row") << "a\rb,c\n"_ba << u"1:[a]\n1:[b][c]\n"_s;
    QTest::newRow("a CR inside a line") << "a\r \r\nb\n"_ba << u"1:[a]\n2:[b]\n"_s;
    QTest::newRow("quoted line breaks, then plain lines")
        << "x,\"1\n2\n\"\ny\nz,\"\"\"\"\n"_ba << u"1:[x][1\n2\n]\n4:[y]\n5:[z][\"]\n"_s;
    QTest::newRow("a quoted first field over lines")
        << "\"a\nb\",c\nd\n"_ba << u"1:[a\nb][c]\n3:[d]\n"_s;
    QTest::newRow("a NUL byte") << QByteArray("a\0b,c\n", 6) << u"1:[a\0b][c]\n"_s;
    QTest::newRow("the last line without its LF") << "a\nb, c "_ba << u"1:[a]\n2:[b][c]\n"_s;
    QTest::newRow("a stray quote after plain lines")
        << "a\nb\"c\n"_ba
        << u"1:[a]\nt.csv:2: not well-formed CSV: a quote inside a field that is not quoted, or "
           u"after one"_s;
    QTest::newRow("a quote that never ends, after blank lines")
        << "a\n\n\n\"b\nc\n"_ba
        << u"1:[a]\nt.csv:4: not well-formed CSV: a quoted field that never ends"_s;
}

void ImportTest::plainLinesReadAsLibcsvReadsThem() {
    // Plain lines are split without libcsv: the same rows, lines and errors as libcsv alone.
    QFETCH(QByteArray, csv);
    QFETCH(QString, rows);
    QCOMPARE(csvRows(csv, CsvReader::Lines::LibcsvOnly), rows);
    QCOMPARE(csvRows(csv, CsvReader::Lines::PlainDirect), rows);
}

void ImportTest::encodings_data() {
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<int>("encoding");
    const QString text = u"股票代码,截止日期,股东名称,持股数\n600036,2024-06-30,华夏基金,100\n"_s;
    QStringEncoder utf8(QStringEncoder::Utf8);
    const QByteArray asUtf8 = utf8.encode(text);
    const QByteArray asGbk = gbkBytes(text);
    QTest::newRow("UTF-8") << asUtf8 << int(TextEncoding::Detect);
    QTest::newRow("UTF-8 with a byte order mark")
        << "\xEF\xBB\xBF" + asUtf8 << int(TextEncoding::Detect);
    QTest::newRow("GBK") << asGbk << int(TextEncoding::Detect);
    QTest::newRow("GBK, said so") << asGbk << int(TextEncoding::Gbk);
    QTest::newRow("UTF-8, said so") << asUtf8 << int(TextEncoding::Utf8);
}

void ImportTest::encodings() {
    QFETCH(QByteArray, csv);
    QFETCH(int, encoding);
    ImportSettings settings;
    settings.encoding = TextEncoding(encoding);
    QVERIFY(import({csv}, settings).text.contains(u"  华夏基金 "_s));
}

void ImportTest::latestPeriodOrHistory() {
    // Two stocks over three periods, in no order, across two files.
    const QByteArray a = header + "000002,万示,2024-03-31,1,甲,流通A股,100,1,\n"
                                  "600036,招示,2023-12-31,1,乙,流通A股,200,1,\n";
    const QByteArray b = header + "600036,招示新,2024-06-30,1,丙,流通A股,300,1,\n"
                                  "000002,万示,2023-12-31,1,丁,流通A股,400,1,\n"
                                  "600036,招示,2024-03-31,1,戊,流通A股,500,1,\n";
    const Imported latest = import({a, b});
    QCOMPARE(latest.table.recordCount(), 2);
    QCOMPARE(latest.table.header(0), u"000002 万示  十大股东  2024-03-31");
    // A stock's name is the one of its latest period.
    QCOMPARE(latest.table.header(1), u"600036 招示新  十大股东  2024-06-30");
    QCOMPARE(latest.summary.periods, 2);

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
    const QByteArray csv = "code,end_date,holder_name,hold_amount\n"
                           "600036,20240630,小,10\n600036,20240630,大,300\n600036,20240630,中,20\n";
    const Imported i = import({csv});
    QStringList names;
    for (const QString& row : i.table.holderRows(0))
        names << row.mid(2, 1);
    QCOMPARE(names, (QStringList{u"大"_s, u"中"_s, u"小"_s}));
    const Imported ranked = import({"code,end_date,holder_name,hold_amount,名次\n"
                                    "600036,20240630,小,10,1\n600036,20240630,大,300,2\n"});
    QVERIFY(ranked.table.holderRows(0).begin().operator*().startsWith(u"  小"));
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
}

void ImportTest::namesFromAList() {
    Importer importer({});
    importer.readNames("code,name\n600036,列表名\n", u"names.csv"_s);
    importer.read("ts_code,end_date,holder_name,hold_amount\n600036.SH,20240630,某,1\n"
                  "000001.SZ,20240630,某,1\n",
                  u"in.csv"_s);
    importer.finish();
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    QVERIFY(importer.write(out));
    const HoldingsTable table = tableFromBytes(bytes);
    QCOMPARE(table.header(0), u"000001  十大股东  2024-06-30"); // not on the list: the code alone
    QCOMPARE(table.header(1), u"600036 列表名  十大股东  2024-06-30");
}

void ImportTest::warnings() {
    const QByteArray csv =
        header + "600036,示,2024-06-30,1,"
                 "中国示例银行股份有限公司－华夏沪深300交易型开放式指数证券投资基金,流通A股,1,,\n"
                 "600036,示,2024-06-30,2,乙,流通A股,2,,\n"
                 "600036,示,2024-06-30,2,乙,流通A股,2,,\n";
    const Imported i = import({csv});
    QCOMPARE(i.summary.warnings.size(), 2);
    QVERIFY2(
        i.summary.warnings[0].startsWith(u"in1.csv:2: a holder's name longer than 18 characters"_s),
        qPrintable(i.summary.warnings[0]));
    QCOMPARE(i.summary.warnings[1], u"rows that stood twice, kept once: 1"_s);
    QCOMPARE(i.table.holderRows(0).size(), 2u); // the long name is written whole
    QVERIFY(i.text.contains(u"投资基金 │"_s));
}

void ImportTest::errors_data() {
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QString>("error");
    QTest::newRow("empty file") << QByteArray() << u"in1.csv: is empty: it has no header row"_s;
    QTest::newRow("no code column")
        << "截止日期,股东名称,持股数\n2024-06-30,某,1\n"_ba
        << u"in1.csv:1: no column for the stock code (证券代码, 股票代码, 代码, code, ts_code, symbol)"_s;
    QTest::newRow("no date column") << "code,holder_name,hold_amount\n1,某,1\n"_ba
                                    << u"in1.csv:1: no column for the report date (截止日期, "
                                       u"截至日期, 报告期, end_date)"_s;
    QTest::newRow("no holder column") << "code,end_date,hold_amount\n1,20240630,1\n"_ba
                                      << u"in1.csv:1: no column for the holder's name (股东名称, "
                                         u"holder_name)"_s;
    QTest::newRow("no shares column")
        << "code,end_date,holder_name\n1,20240630,某\n"_ba
        << u"in1.csv:1: no column for the shares held (持股数, 持股数量, 期末持股-数量, hold_amount)"_s;
    QTest::newRow("a field too few") << "code,end_date,holder_name,hold_amount\n1,20240630,某\n"_ba
                                     << u"in1.csv:2: 3 fields where the header has 4"_s;
    QTest::newRow("a stray quote")
        << "code,end_date,holder_name,hold_amount\n1,20240630,某\"甲,1\n"_ba
        << u"in1.csv:2: not well-formed CSV: a quote inside a field that is not quoted, or after one"_s;
    QTest::newRow("a quote that never ends")
        << "code,end_date,holder_name,hold_amount\n1,20240630,\"某,1\n2,20240630,乙,1\n"_ba
        << u"in1.csv:2: not well-formed CSV: a quoted field that never ends"_s;
    QTest::newRow("not a code")
        << "code,end_date,holder_name,hold_amount\n\n60003X,20240630,某,1\n"_ba
        << u"in1.csv:3: not a stock code: \"60003X\""_s;
    QTest::newRow("not a date") << "code,end_date,holder_name,hold_amount\n1,2024-02-30,某,1\n"_ba
                                << u"in1.csv:2: not a date: \"2024-02-30\""_s;
    QTest::newRow("not shares") << "code,end_date,holder_name,hold_amount\n1,20240630,某,多\n"_ba
                                << u"in1.csv:2: not a number of shares: \"多\""_s;
    QTest::newRow("no holder") << "code,end_date,holder_name,hold_amount\n1,20240630,,1\n"_ba
                               << u"in1.csv:2: the holder's name is empty"_s;
    QTest::newRow("a character GBK lacks")
        << "code,end_date,holder_name,hold_amount\n1,20240630,\"某\",1\n1,20240630,\xf0\xa0\x80\x80基金,1\n"_ba
        << u"in1.csv:3: the holder's name holds \U00020000 (U+20000), which GBK cannot hold: \U00020000基金"_s;
    QTest::newRow("an emoji in the share type")
        << "code,end_date,holder_name,hold_amount,股份类型\n1,20240630,某,1,A股\xf0\x9f\x98\x80\n"_ba
        << u"in1.csv:2: the share type holds \U0001F600 (U+1F600), which GBK cannot hold: A股\U0001F600"_s;
}

void ImportTest::errors() {
    QFETCH(QByteArray, csv);
    QFETCH(QString, error);
    QCOMPARE(importError(csv).text(), error);
}

void ImportTest::largeExportReadInHalvesAsInOne_data() {
    QTest::addColumn<bool>("quotedBreakInTheMiddle");
    QTest::newRow("plain rows") << false;
    QTest::newRow("a quoted line break at the middle") << true;
}

void ImportTest::largeExportReadInHalvesAsInOne() {
    // More than 4 MB: read in two halves at once, which must give what one pass gives, even
    // where the middle falls inside a quoted field; and a bad row in the second half is named
    // by its own line.
    QFETCH(bool, quotedBreakInTheMiddle);
    QByteArray rows;
    for (int i = 0; rows.size() < (5 << 19); ++i)
        rows += QByteArray::number(600000 + i % 1000) + ",20240630,某" + QByteArray::number(i) +
                "," + QByteArray::number(i) + ",\n";
    // The middle of the rows falls inside this one's quoted field of 100,000 line breaks.
    const QByteArray middle = quotedBreakInTheMiddle
                                  ? "600999,20240630,\"长" + QByteArray(100000, '\n') + "\",1,\n"
                                  : QByteArray();
    const QByteArray csv = "code,end_date,holder_name,hold_amount,增减\n" + rows + middle + rows;
    const Imported halves = import({csv});
    // One pass over the same rows: a small file is not split.
    Importer one({});
    const qsizetype cut = csv.indexOf("\n6", csv.size() / 2) + 1;
    one.read(csv.first(cut), u"a.csv"_s);
    one.read(csv.first(csv.indexOf('\n') + 1) + csv.sliced(cut), u"b.csv"_s);
    one.finish();
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    QVERIFY(one.write(out));
    QCOMPARE(halves.text, decodeGbk(bytes));

    QByteArray bad = csv;
    const qsizetype at = bad.lastIndexOf("\n6", bad.size() - 100) + 1;
    bad.insert(at, "60000X,20240630,某,1,\n");
    const qint64 badLine = bad.first(at).count('\n') + 1;
    QCOMPARE(importError(bad).text(), u"in1.csv:%1: not a stock code: \"60000X\""_s.arg(badLine));
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
    QTest::newRow("missing CSV") << QStringList{u"missing.csv"_s} << 2
                                 << "gegu-import: missing.csv: cannot be read: File not found\n"_ba;
}

void ImportTest::program() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, err);
    QTemporaryDir dir;
    Setup setup;
    setup.workingDir = dir.path();
    const Run r = runProcess(QStringLiteral(GEGU_IMPORT_PATH), args, setup);
    QCOMPARE(r.exitCode, exitCode);
    if (exitCode == 0)
        QVERIFY(r.out.startsWith("Usage: gegu-import") || r.out == "gegu-import " GEGU_VERSION
                                                                   "\n");
    else
        QCOMPARE(r.err, err);
}

void ImportTest::programWritesNothingOnError() {
    QTemporaryDir dir;
    Setup setup;
    setup.workingDir = dir.path();
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QVERIFY(writeFile(dir.filePath(name), bytes));
    };
    write(u"good.csv"_s,
          "code,end_date,holder_name,hold_amount\n600036,20240630,华夏基金,1000000\n");
    write(u"bad.csv"_s, "code,end_date,holder_name,hold_amount\n600036,20240630,某,多\n");
    const QString program = QStringLiteral(GEGU_IMPORT_PATH);

    // An error in any input: exit 2, and no data file, not even a temporary one.
    Run r = runProcess(program, {u"good.csv"_s, u"bad.csv"_s}, setup);
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(r.err, "gegu-import: bad.csv:2: not a number of shares: \"多\"\n"_ba);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);

    // Written, with a summary; then not replaced without --force, and replaced with it.
    r = runProcess(program, {u"good.csv"_s}, setup);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.err, "gegu-import: wrote gegusj.rar: 1 file, 1 row, 1 stock, 1 period, 1 record, "
                    "0 warnings\n"_ba);
    const HoldingsTable table = loadHoldingsFile(nativePath(dir.filePath(u"gegusj.rar"_s)));
    QVERIFY(report(table, u"华夏").contains(u"  华夏基金"_s));
    r = runProcess(program, {u"good.csv"_s}, setup);
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(r.err, "gegu-import: gegusj.rar exists; --force replaces it\n"_ba);
    r = runProcess(program, {u"--force"_s, u"-o"_s, u"gegusj.rar"_s, u"good.csv"_s}, setup);
    QCOMPARE(r.exitCode, 0);
}

void ImportTest::programOptionsAndMessages_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("err");
    const QByteArray wrote = "gegu-import: wrote gegusj.rar: 1 file, 1 row, 1 stock, 1 period, "
                             "1 record, 0 warnings\n";
    QTest::newRow("an option's value after =")
        << QStringList{u"--encoding=UTF-8"_s, u"good.csv"_s} << 0 << wrote;
    QTest::newRow("GBK, and the stock's name from a list")
        << QStringList{u"--encoding"_s, u"gbk"_s, u"--names"_s, u"names.csv"_s, u"gbk.csv"_s} << 0
        << wrote;
    QTest::newRow("a switch given a value") << QStringList{u"--force=yes"_s, u"good.csv"_s} << 2
                                            << "gegu-import: --force takes no value\n"_ba;
    QTest::newRow("the output a folder") << QStringList{u"-o"_s, u"sub"_s, u"good.csv"_s} << 2
                                         << "gegu-import: sub is a folder\n"_ba;
    QTest::newRow("a header and no rows")
        << QStringList{u"header.csv"_s} << 2
        << "gegu-import: no holder rows in the input: nothing written\n"_ba;
    QByteArray warnings;
    for (int i = 1; i <= 20; ++i)
        warnings += "gegu-import: warning: long.csv:" + QByteArray::number(i + 1) +
                    ": a holder's name longer than 18 characters, of which only the first 18 are "
                    "searched: " +
                    QByteArray::number(100000 + i) + "一二三四五六七八九十一二三\n";
    QTest::newRow("the first twenty warnings")
        << QStringList{u"long.csv"_s} << 0
        << warnings +
               "gegu-import: warning: ... and 2 more\n"
               "gegu-import: wrote gegusj.rar: 1 file, 22 rows, 1 stock, 1 period, 1 record, "
               "22 warnings\n"_ba;
}

void ImportTest::programOptionsAndMessages() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, err);
    QTemporaryDir dir;
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QVERIFY(writeFile(dir.filePath(name), bytes));
    };
    write(u"good.csv"_s,
          "code,end_date,holder_name,hold_amount\n600036,20240630,华夏基金,1000000\n");
    write(u"header.csv"_s, "code,end_date,holder_name,hold_amount\n");
    write(u"gbk.csv"_s, gbkBytes(u"股票代码,截止日期,股东名称,持股数\n"
                                 u"600036,2024-06-30,华夏基金,100\n"));
    write(u"names.csv"_s, gbkBytes(u"code,name\n600036,招商银行\n"));
    QByteArray long_ = "code,end_date,holder_name,hold_amount\n";
    for (int i = 1; i <= 22; ++i)
        long_ += "600036,20240630," + QByteArray::number(100000 + i) +
                 "一二三四五六七八九十一二三," + QByteArray::number(i) + "\n";
    write(u"long.csv"_s, long_);
    QVERIFY(QDir(dir.path()).mkdir(u"sub"_s));
    Setup setup;
    setup.workingDir = dir.path();
    const Run r = runProcess(QStringLiteral(GEGU_IMPORT_PATH), args, setup);
    QCOMPARE(r.err, err);
    QCOMPARE(r.exitCode, exitCode);
    if (args.contains(u"names.csv"_s)) {
        const HoldingsTable table = loadHoldingsFile(nativePath(dir.filePath(u"gegusj.rar"_s)));
        QVERIFY(table.header(0).startsWith(u"600036 招商银行"_s));
        QVERIFY(report(table, u"华夏").contains(u"  华夏基金"_s));
    }
}

QTEST_GUILESS_MAIN(ImportTest)
#include "tst_import.moc"
