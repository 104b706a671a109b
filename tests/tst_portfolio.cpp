// A holder's portfolio across the stocks of a data file of several periods, and its changes
// since an earlier date: the written name's rule, the periods, the statuses, the report and the
// TSV lines, and gegu-query's arguments for them.

#include "app/query_arguments.h"
#include "holdings/data_file_writer.h"
#include "portfolio_file.h"
#include "queries/portfolio.h"
#include "queries/portfolio_report.h"
#include "queries/report_periods.h"
#include "queries/written_names.h"
#include "support.h"

using namespace gegu;
using namespace gegu::test;
using namespace Qt::StringLiterals;

namespace {

// Collects what a writer hands over.
struct Collector : ReportSink {
    QString text;
    void overflow(QStringView piece) override { text += piece; }
};

// A line of a portfolio, in a few words: code, table, status and the shares at D and at S.
QString brief(const Holding& h) {
    return u"%1 %2 %3 %4 %5 %6%7"_s.arg(h.codeText, h.floatHolders ? u"流通"_s : u"股东"_s,
                                        statusText(h.status), portfolioNumber(h.shares),
                                        portfolioNumber(h.sinceShares), h.type,
                                        h.stale ? u" 另列"_s : QString());
}

QStringList briefs(const Portfolio& p) {
    QStringList lines;
    for (const Holding& h : p.holdings)
        lines << brief(h).trimmed();
    return lines;
}

std::vector<qsizetype> noLines;

} // namespace

class PortfolioTest : public QObject {
    Q_OBJECT
private slots:
    void writtenNameFromBytesAsFromText_data();
    void writtenNameFromBytesAsFromText();
    void namesAreExact_data();
    void namesAreExact();
    void reportPeriods();
    void dates_data();
    void dates();
    void portfolios_data();
    void portfolios();
    void summary();
    void unreadableRowsAreNamed_data();
    void unreadableRowsAreNamed();
    void sameDateTwiceTakesTheFirst();
    void reportIsFramed();
    void tsvColumns();
    void arguments_data();
    void arguments();

private:
    Portfolio of(const QString& holder, ReportDate date = 0, ReportDate since = 0,
                 bool indexed = false);
};

Portfolio PortfolioTest::of(const QString& holder, ReportDate date, ReportDate since,
                            bool indexed) {
    auto table = std::make_shared<const HoldingsTable>(tableFromBytes(portfolioFile()));
    PortfolioSource source = PortfolioSource::of(table);
    if (indexed)
        source.names = std::make_shared<const WrittenNameIndex>(*table);
    return portfolio(source, holder, date, since);
}

void PortfolioTest::writtenNameFromBytesAsFromText_data() {
    QTest::addColumn<QByteArray>("row");
    QTest::addColumn<QString>("name");
    const auto gbk = [](const QString& text) {
        return gbkBytes(text);
    };
    QTest::newRow("as written")
        << gbk(u"  甲基金                │    120.00│      1.20│ 流通A股  │ 不变"_s) << u"甲基金"_s;
    QTest::newRow("no bar: the whole row") << gbk(u"  甲基金  120"_s) << u"甲基金  120"_s;
    QTest::newRow("blanks inside stay") << gbk(u" 甲 基金 │1"_s) << u"甲 基金"_s;
    QTest::newRow("tabs and ideographic spaces trimmed")
        << gbk(u"\t\u3000甲基金\u3000\t│1"_s) << u"甲基金"_s;
    QTest::newRow("empty name") << gbk(u"   │ 1│ 2"_s) << QString();
    QTest::newRow("empty row") << QByteArray() << QString();
    QTest::newRow("first bar ends it") << gbk(u"甲│乙│丙"_s) << u"甲"_s;
    QTest::newRow("a bar's bytes inside a character do not end it")
        << QByteArray("\x81\xA9\xA6\x41\xA9\xA6x") << decodeGbk("\x81\xA9\xA6\x41");
    QTest::newRow("a lead byte alone") << QByteArray("  \x81 a\xA9\xA6") << decodeGbk("\x81 a");
    QTest::newRow("euro and 0xFF are names") << QByteArray("\x80\xFF ") << decodeGbk("\x80\xFF");
    QTest::newRow("a lead byte at the end") << QByteArray("ab \xFE") << decodeGbk("ab \xFE");
    QTest::newRow("ASCII controls") << QByteArray("\x1f a \x0b\x0c") << u"\x1f a"_s;
}

void PortfolioTest::writtenNameFromBytesAsFromText() {
    QFETCH(QByteArray, row);
    QFETCH(QString, name);
    QCOMPARE(writtenName(decodeGbk(row)).toString(), name);
    QCOMPARE(decodeGbk(writtenNameBytes(row)), name);
}

void PortfolioTest::namesAreExact_data() {
    QTest::addColumn<QString>("holder");
    QTest::addColumn<int>("lines");
    QTest::newRow("甲基金") << u"甲基金"_s << 6;
    QTest::newRow("甲基金二号, which holds 甲基金") << u"甲基金二号"_s << 2;
    QTest::newRow("a part of a name") << u"甲基"_s << 0;
    QTest::newRow("a name with more") << u"甲基金二号A"_s << 0;
    QTest::newRow("no such holder") << u"丙"_s << 0;
    QTest::newRow("a character GBK lacks") << u"甲基金😀"_s << 0;
    QTest::newRow("U+FFFD, compared as text") << u"\uFFFD"_s << 0;
}

void PortfolioTest::namesAreExact() {
    QFETCH(QString, holder);
    QFETCH(int, lines);
    for (const bool indexed : {false, true}) {
        const Portfolio p = of(holder, 0, 0, indexed);
        QCOMPARE(qsizetype(p.holdings.size()) - p.summary.staleStocks, lines);
        QCOMPARE(p.holdsAnything(), lines > 0);
        for (const Holding& h : p.holdings)
            QCOMPARE(h.line >= 0
                         ? writtenName(tableFromBytes(portfolioFile()).line(h.line)).toString()
                         : holder,
                     holder);
    }
}

void PortfolioTest::reportPeriods() {
    const HoldingsTable table = tableFromBytes(portfolioFile());
    const ReportPeriods periods(table);
    QCOMPARE(periods.dates(), (std::vector<ReportDate>{20240630, 20240331, 20231231}));
    QCOMPARE(periods.recordAt(600036, true, 20240331), 3);
    QCOMPARE(periods.recordAt(600036, false, 20240331), 1);
    QCOMPARE(periods.recordAt(5, false, 20240331), -1);
    QCOMPARE(periods.latestUpTo(5, false, 20240331), 11);
    QCOMPARE(periods.latestUpTo(5, false, 20231230), -1);
    QCOMPARE(periods.latestUpTo(6, false, 20240630), 12);
    QVERIFY(periods.record(2).floatHolders);
    QCOMPARE(periods.record(2).date, 20240630);
    QVERIFY(periods.hasDate(20231231));
    QVERIFY(!periods.hasDate(20240101));
}

void PortfolioTest::dates_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("date"); // 0: not a date
    QTest::newRow("yyyy-mm-dd") << u"2024-06-30"_s << 20240630;
    QTest::newRow("yyyymmdd") << u"20240630"_s << 20240630;
    QTest::newRow("a leap day") << u"2024-02-29"_s << 20240229;
    QTest::newRow("no such day") << u"2023-02-29"_s << 0;
    QTest::newRow("month 13") << u"2024-13-01"_s << 0;
    QTest::newRow("day 0") << u"20240600"_s << 0;
    QTest::newRow("short") << u"2024-6-30"_s << 0;
    QTest::newRow("slashes") << u"2024/06/30"_s << 0;
    QTest::newRow("blanks") << u" 2024-06-30"_s << 0;
    QTest::newRow("year 0") << u"0000-01-01"_s << 0;
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("full-width digits") << u"２０２４０６３０"_s << 0;
}

void PortfolioTest::dates() {
    QFETCH(QString, text);
    QFETCH(int, date);
    QCOMPARE(parseReportDate(text).value_or(0), date);
    if (date != 0)
        QCOMPARE(reportDate(reportDateText(date)), date);
}

void PortfolioTest::portfolios_data() {
    QTest::addColumn<int>("date");
    QTest::addColumn<int>("since");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("newest date, the default")
        << 0 << 0
        << QStringList{
               u"000002 股东 持有 10.00  流通A股"_s,          u"000004 股东 持有 7.00  流通A股"_s,
               u"000005 股东 持有 8.00  流通A股"_s,           u"600036 股东 持有 120.00  流通A股"_s,
               u"600036 股东 持有 30.00  限售A股"_s,          u"600036 流通 持有 120.00  流通A股"_s,
               u"000006 股东 无该期报告 9.00  流通A股 另列"_s};
    QTest::newRow("an earlier date")
        << 20240331 << 0 << QStringList{u"000002 股东 持有 10.00  流通A股"_s,
                                        u"000003 股东 持有 5.00  流通A股"_s,
                                        u"000006 股东 持有 9.00  流通A股"_s,
                                        u"600036 股东 持有 100.00  流通A股"_s,
                                        u"600036 流通 持有 130.00  流通A股"_s,
                                        u"000005 股东 无该期报告 6.00  流通A股 另列"_s};
    QTest::newRow("since an earlier date")
        << 20240630 << 20240331 << QStringList{u"000002 股东 不变 10.00 10.00 流通A股"_s,
                                               u"000003 股东 退出  5.00 流通A股"_s,
                                               u"000004 股东 新进 7.00  流通A股"_s,
                                               u"000005 股东 无可比报告 8.00  流通A股"_s,
                                               u"600036 股东 增持 120.00 100.00 流通A股"_s,
                                               u"600036 股东 增持 30.00  限售A股"_s,
                                               u"600036 流通 减持 120.00 130.00 流通A股"_s,
                                               u"000006 股东 无可比报告 9.00 9.00 流通A股 另列"_s};
    QTest::newRow("since a date few stocks have")
        << 20240331 << 20231231 << QStringList{u"000002 股东 无可比报告 10.00  流通A股"_s,
                                               u"000003 股东 无可比报告 5.00  流通A股"_s,
                                               u"000006 股东 无可比报告 9.00  流通A股"_s,
                                               u"600036 股东 无可比报告 100.00  流通A股"_s,
                                               u"600036 流通 无可比报告 130.00  流通A股"_s,
                                               u"000005 股东 无可比报告 6.00 6.00 流通A股 另列"_s};
}

void PortfolioTest::portfolios() {
    QFETCH(int, date);
    QFETCH(int, since);
    QFETCH(QStringList, lines);
    // The index of written names and the bytes read row by row give the same.
    for (const bool indexed : {false, true}) {
        const Portfolio p = of(u"甲基金"_s, date, since, indexed);
        QCOMPARE(briefs(p), lines);
        QVERIFY(p.unreadableRows.empty());
    }
}

void PortfolioTest::summary() {
    const Portfolio now = of(u"甲基金"_s);
    QCOMPARE(now.date, 20240630);
    QCOMPARE(now.summary.stocks, 4);
    QCOMPARE(now.summary.holders.stocks, 4);
    QCOMPARE(now.summary.holders.shares, 175.0);
    QCOMPARE(now.summary.floatHolders.stocks, 1);
    QCOMPARE(now.summary.floatHolders.shares, 120.0);
    QCOMPARE(now.summary.staleStocks, 1);

    const Portfolio changes = of(u"甲基金"_s, 0, 20240331);
    const PortfolioSummary& s = changes.summary;
    QCOMPARE(s.stocks, 4);
    QCOMPARE(s.holders.shares, 175.0);
    QCOMPARE((std::vector<qsizetype>{s.newCount, s.exitedCount, s.increasedCount, s.decreasedCount,
                                     s.unchangedCount, s.notComparableCount}),
             (std::vector<qsizetype>{1, 1, 1, 1, 1, 2}));
    // The differences: in 万股 and in ratio points, the absent side counting nothing.
    std::map<QString, std::pair<QString, QString>> differences;
    for (const Holding& h : changes.holdings)
        differences[h.codeText + (h.floatHolders ? u"F"_s : QString()) + h.type] = {
            portfolioDifference(h.sharesDifference()), portfolioDifference(h.ratioDifference())};
    QCOMPARE(differences[u"600036流通A股"_s], (std::pair{u"+20.00"_s, u"+0.20"_s}));
    QCOMPARE(differences[u"600036限售A股"_s], (std::pair{u"+30.00"_s, u"+0.30"_s}));
    QCOMPARE(differences[u"600036F流通A股"_s], (std::pair{u"-10.00"_s, u"-0.10"_s}));
    QCOMPARE(differences[u"000003流通A股"_s], (std::pair{u"-5.00"_s, u"-0.50"_s}));
    QCOMPARE(differences[u"000002流通A股"_s], (std::pair{u"0.00"_s, u"0.00"_s}));
    QCOMPARE(differences[u"000005流通A股"_s], (std::pair{QString(), QString()}));
    // 退出: the line has no row of D, and shows the table of D it is absent from.
    const Holding& exited = *std::find_if(changes.holdings.begin(), changes.holdings.end(),
                                          [](const Holding& h) { return h.codeText == u"000003"; });
    QCOMPARE(exited.line, -1);
    QCOMPARE(exited.date, 20240630);
    QCOMPARE(exited.record, 6);
    QVERIFY(exited.sinceLine > 0);
}

void PortfolioTest::unreadableRowsAreNamed_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("line"); // 0-based, of the row that cannot be read
    QTest::newRow("a row of four cells")
        << QStringList{u"0"_s, u"600036 招商银行  十大股东  2024-06-30"_s, u"1"_s, u"head"_s,
                       u"  甲基金 │ 1│ 2│ 流通A股"_s}
        << 4;
    QTest::newRow("a row without shares")
        << QStringList{u"0"_s, u"600036 招商银行  十大股东  2024-06-30"_s, u"1"_s, u"head"_s,
                       u"  甲基金 │   │ 2│ 流通A股│ 不变"_s}
        << 4;
    QTest::newRow("shares that are no number")
        << QStringList{u"0"_s, u"600036 招商银行  十大股东  2024-06-30"_s, u"1"_s, u"head"_s,
                       u"  甲基金 │ 1万│ 2│ 流通A股│ 不变"_s}
        << 4;
    QTest::newRow("a row without bars")
        << QStringList{u"0"_s, u"600036 招商银行  十大股东  2024-06-30"_s, u"1"_s, u"head"_s,
                       u"  甲基金"_s}
        << 4;
    QTest::newRow("a table without a date")
        << QStringList{u"1"_s,
                       u"600036 招商银行  十大股东  2024-06-30"_s,
                       u"1"_s,
                       u"head"_s,
                       u"  乙 │ 1│ 2│ 流通A股│ 不变"_s,
                       u"000002 万科  十大股东"_s,
                       u"1"_s,
                       u"head"_s,
                       u"  甲基金 │ 1│ 2│ 流通A股│ 不变"_s}
        << 8;
}

void PortfolioTest::unreadableRowsAreNamed() {
    QFETCH(QStringList, lines);
    QFETCH(int, line);
    const PortfolioSource source =
        PortfolioSource::of(std::make_shared<const HoldingsTable>(tableFromLines(lines)));
    const Portfolio p = portfolio(source, u"甲基金"_s);
    QCOMPARE(p.unreadableRows, std::vector<qsizetype>{line});
    // Rows of other holders are not its business.
    QVERIFY(portfolio(source, u"乙"_s).unreadableRows.empty());
}

void PortfolioTest::sameDateTwiceTakesTheFirst() {
    // Two tables of one stock and date: the first is the stock's, as a code query shows it.
    const auto table = std::make_shared<const HoldingsTable>(tableFromLines(
        {u"1"_s, u"600036 招商银行  十大股东  2024-06-30"_s, u"1"_s, u"head"_s,
         u"  甲基金 │ 1│ 2│ 流通A股│ 不变"_s, u"600036 招商银行  十大股东  2024-06-30"_s, u"1"_s,
         u"head"_s, u"  甲基金 │ 5│ 2│ 流通A股│ 不变"_s}));
    const Portfolio p = portfolio(PortfolioSource::of(table), u"甲基金"_s);
    QCOMPARE(briefs(p), QStringList{u"600036 股东 持有 1.00  流通A股"_s});
}

void PortfolioTest::reportIsFramed() {
    const Portfolio p = of(u"甲基金"_s, 0, 20240331);
    const QStringList lines = portfolioReportLines(p);
    QCOMPARE(lines.front(), u"股东甲基金的持仓（报告期 2024-06-30，与 2024-03-31 比较）："_s);
    // Every row's bars stand under the joints of the frame lines around it.
    QList<int> joints;
    int rows = 0;
    for (const QString& line : lines) {
        if (line.startsWith(u"  ─"_s)) {
            QList<int> at;
            int column = 0;
            for (QChar c : line) {
                if (c == u'┬' || c == u'┴')
                    at << column;
                column += displayWidth(QStringView(&c, 1));
            }
            if (!joints.isEmpty())
                QCOMPARE(at, joints);
            joints = line.contains(u'┴') ? QList<int>() : at;
        } else if (!joints.isEmpty()) {
            QCOMPARE(barColumns(line), joints);
            ++rows;
        }
    }
    QCOMPARE(rows, 8);
    QVERIFY(
        lines.contains(u"  持有 4 只股票：十大股东 4 只，175.00 万股；十大流通股东 1 只，120.00 "
                       u"万股。"_s));
    QVERIFY(
        lines.contains(u"  与 2024-03-31 相比（按股票的每张表计）：新进 1，退出 1，增持 1，减持 "
                       u"1，不变 1，无可比报告 2。"_s));
    QVERIFY(lines.join(u'\n').contains(u"可能仍持有前十名以外的股份"_s));
    QVERIFY(lines.join(u'\n').contains(u"无该期报告：另有 1 只股票没有该期报告"_s));
    // A holder of nothing: the heading and the summary.
    QCOMPARE(portfolioReportLines(of(u"丙"_s)),
             (QStringList{
                 u"股东丙的持仓（报告期 2024-06-30）："_s,
                 u"  持有 0 只股票：十大股东 0 只，0.00 万股；十大流通股东 0 只，0.00 万股。"_s}));
    Collector out;
    writePortfolioReport(of(u"丙"_s), out);
    QVERIFY(out.text.endsWith(u"万股。\r\n"_s));
    QCOMPARE(out.text.count(u"\r\n"_s), 2);
}

void PortfolioTest::tsvColumns() {
    Collector out;
    writePortfolioTsvHeader(true, out);
    writePortfolioTsv(of(u"甲基金"_s, 0, 20240331), out);
    const QStringList lines = out.text.split(u'\n');
    QCOMPARE(lines.front(), u"holder\tcode\tstock\ttable\tdate\tshares\tratio\ttype\tchange\trank\t"
                            u"status\tsince_shares\tsince_ratio\tshares_change\tratio_change"_s);
    QCOMPARE(lines.size(), 10); // the header, eight holdings, and the end of the last
    QVERIFY(lines.back().isEmpty());
    QCOMPARE(lines[5],
             u"甲基金\t600036\t招商银行\t十大股东\t2024-06-30\t120.00\t1.20\t流通A股\t不变\t2\t"
             u"增持\t100.00\t1.00\t+20.00\t+0.20"_s);
    QCOMPARE(
        lines[2],
        u"甲基金\t000003\t平安\t十大股东\t2024-06-30\t\t\t流通A股\t\t\t退出\t5.00\t0.50\t-5.00\t-0.50"_s);
    for (const QString& line : lines.mid(1, 8))
        QCOMPARE(line.count(u'\t'), 14);

    Collector plain;
    writePortfolioTsvHeader(false, plain);
    writePortfolioTsv(of(u"甲基金"_s), plain);
    QCOMPARE(plain.text.section(u'\n', 0, 0),
             u"holder\tcode\tstock\ttable\tdate\tshares\tratio\ttype\tchange\trank\tstatus"_s);
    QVERIFY(plain.text.contains(
        u"甲基金\t000006\t东方\t十大股东\t2024-03-31\t9.00\t0.90\t流通A股\t不变\t1\t无该期报告\n"_s));
}

void PortfolioTest::arguments_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("error"); // empty: accepted
    QTest::addColumn<int>("date");
    QTest::addColumn<int>("since");
    QTest::newRow("names") << QStringList{u"--portfolio"_s, u"甲基金"_s, u"乙"_s} << QString() << 0
                           << 0;
    QTest::newRow("dates") << QStringList{u"--portfolio"_s, u"--date"_s, u"2024-06-30"_s,
                                          u"--since=20240331"_s, u"甲"_s}
                           << QString() << 20240630 << 20240331;
    QTest::newRow("since alone") << QStringList{u"--portfolio"_s, u"--since"_s, u"2024-03-31"_s,
                                                u"甲"_s}
                                 << QString() << 0 << 20240331;
    QTest::newRow("names from standard input")
        << QStringList{u"--portfolio"_s, u"--stdin"_s} << QString() << 0 << 0;
    QTest::newRow("no name") << QStringList{u"--portfolio"_s}
                             << u"--portfolio expects a holder's NAME"_s << 0 << 0;
    QTest::newRow("a blank name") << QStringList{u"--portfolio"_s, u"  "_s}
                                  << u"a holder's name is empty"_s << 0 << 0;
    QTest::newRow("--date without --portfolio")
        << QStringList{u"--date"_s, u"2024-06-30"_s, u"甲"_s} << u"--date goes with --portfolio"_s
        << 0 << 0;
    QTest::newRow("--since without --portfolio")
        << QStringList{u"--since"_s, u"2024-06-30"_s, u"甲"_s} << u"--since goes with --portfolio"_s
        << 0 << 0;
    QTest::newRow("--date without a value") << QStringList{u"--portfolio"_s, u"甲"_s, u"--date"_s}
                                            << u"--date needs a value"_s << 0 << 0;
    QTest::newRow("not a date") << QStringList{u"--portfolio"_s, u"--date"_s, u"June"_s, u"甲"_s}
                                << u"--date: not a date (yyyy-mm-dd): June"_s << 0 << 0;
    QTest::newRow("no such day") << QStringList{u"--portfolio"_s, u"--since"_s, u"2023-02-29"_s,
                                                u"甲"_s}
                                 << u"--since: not a date (yyyy-mm-dd): 2023-02-29"_s << 0 << 0;
    QTest::newRow("since after date")
        << QStringList{u"--portfolio"_s, u"--date"_s,     u"2024-03-31"_s,
                       u"--since"_s,     u"2024-06-30"_s, u"甲"_s}
        << u"--since must be before --date"_s << 0 << 0;
    QTest::newRow("since on date")
        << QStringList{u"--portfolio"_s, u"--date"_s,     u"2024-03-31"_s,
                       u"--since"_s,     u"2024-03-31"_s, u"甲"_s}
        << u"--since must be before --date"_s << 0 << 0;
    QTest::newRow("--portfolio takes no value")
        << QStringList{u"--portfolio=甲"_s} << u"--portfolio takes no value"_s << 0 << 0;
    QTest::newRow("with --all-periods")
        << QStringList{u"--portfolio"_s, u"--all-periods"_s, u"甲"_s}
        << u"--all-periods does not go with --portfolio"_s << 0 << 0;
    QTest::newRow("help wins") << QStringList{u"--help"_s, u"--date"_s, u"x"_s} << QString() << 0
                               << 0;
}

void PortfolioTest::arguments() {
    QFETCH(QStringList, args);
    QFETCH(QString, error);
    QFETCH(int, date);
    QFETCH(int, since);
    std::vector<QByteArray> bytes;
    for (const QString& arg : args)
        bytes.push_back(arg.toUtf8());
    const ParsedQueryArguments parsed = parseQueryArguments(bytes);
    if (!error.isEmpty()) {
        QVERIFY2(parsed.error.startsWith(error), qPrintable(parsed.error));
        QVERIFY(!parsed.arguments);
        return;
    }
    QVERIFY2(parsed.arguments, qPrintable(parsed.error));
    QCOMPARE(parsed.arguments->date, date);
    QCOMPARE(parsed.arguments->since, since);
}

QTEST_GUILESS_MAIN(PortfolioTest)
#include "tst_portfolio.moc"
