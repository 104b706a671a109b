#pragma once

// Exports that are malformed, hostile, or merely tricky, each with what importing it must give:
// the errors exactly, or else the data file's tables exactly, with the warnings and what was
// read from titles. Shared by the import's tests and the import fuzzer's seed corpus.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace gegu::test {

struct MalformedExport {
    MalformedExport(const char* what, std::vector<QByteArray> inputs, QStringList fails,
                    QStringList written = {}, QStringList warned = {}, QStringList read = {},
                    bool allPeriods = false)
        : name(what), files(std::move(inputs)), errors(std::move(fails)),
          tables(std::move(written)), warnings(std::move(warned)), titles(std::move(read)),
          history(allPeriods) {}

    const char* name;
    std::vector<QByteArray> files; // read as in1.csv, in2.csv, ...
    QStringList errors;            // all of them; when there are none:
    QStringList tables;            // each record's header line, then its holder rows
    QStringList warnings;
    QStringList titles; // what the summary says was read from titles
    bool history = false;
};

inline const std::vector<MalformedExport>& malformedExports() {
    using namespace Qt::StringLiterals;
    static const QByteArray minimalHeader = "code,end_date,holder_name,hold_amount\n";
    // Text as UTF-16 LE with its byte order mark.
    const auto utf16le = [](QStringView text) {
        QByteArray bytes("\xFF\xFE");
        for (QChar c : text)
            bytes.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        return bytes;
    };
    const QString noHeader =
        u"in1.csv: has no header row: no line names the holder's name (股东名称, 股东, "
        u"holder_name) and the shares held (持股数, 持股数量, 期末持股-数量, 持股总数, hold_amount)"_s;
    // A broker's per-stock export of one holder, and a data library's of two.
    const QByteArray brokerHeader = "名次,股东名称,持股数量(股),增减(股)\n";
    static const std::vector<MalformedExport> exports{
        // Not an export at all.
        {"empty file", {QByteArray()}, {u"in1.csv: is empty: it has no header row"_s}},
        {"a byte order mark alone",
         {"\xEF\xBB\xBF"_ba},
         {u"in1.csv: is empty: it has no header row"_s}},
        {"half a UTF-16 character",
         {"\xFF\xFE\x41"_ba},
         {u"in1.csv: is empty: it has no header row"_s}},
        {"no header at all", {"a,b\n1,2\n"_ba}, {noHeader}},
        {"no holder column",
         {"code,end_date,hold_amount\n1,20240630,1\n"_ba},
         {u"in1.csv:1: no column for the holder's name (股东名称, 股东, holder_name)"_s}},
        {"no shares column",
         {"code,end_date,holder_name\n1,20240630,某\n"_ba},
         {u"in1.csv:1: no column for the shares held (持股数, 持股数量, 期末持股-数量, 持股总数, "
          u"hold_amount)"_s}},
        {"a title and no table",
         {"招商银行(600036) 十大股东 截止日期：2024-06-30\n\n"_ba},
         {noHeader}},
        {"a header of unknown units, in UTF-16",
         {utf16le(u"code\tend_date\tholder_name\thold_amount(x)\n")},
         {u"in1.csv:1: hold_amount(x): x is not a unit of shares (股, 万股, 亿股)"_s}},

        // CSV that is not well-formed, and rows that are not.
        {"a field too few",
         {minimalHeader + "1,20240630,某\n"},
         {u"in1.csv:2: 3 fields where the header has 4"_s}},
        {"a stray quote",
         {minimalHeader + "1,20240630,某\"甲,1\n"},
         {u"in1.csv:2: not well-formed CSV: a quote inside a field that is not quoted, or after "
          u"one"_s}},
        {"a quote that never ends",
         {minimalHeader + "1,20240630,\"某,1\n2,20240630,乙,1\n"},
         {u"in1.csv:2: not well-formed CSV: a quoted field that never ends"_s}},
        {"a header quote that never ends",
         {"code,end_date,\"holder_name,hold_amount\n1,20240630,某,1\n"_ba},
         {u"in1.csv:1: not well-formed CSV: a quoted field that never ends"_s}},
        {"not a code",
         {minimalHeader + "\n60003X,20240630,某,1\n"},
         {u"in1.csv:3: not a stock code: \"60003X\""_s}},
        {"not a date",
         {minimalHeader + "1,2024-02-30,某,1\n"},
         {u"in1.csv:2: not a date: \"2024-02-30\""_s}},
        {"not shares",
         {minimalHeader + "1,20240630,某,多\n"},
         {u"in1.csv:2: not a number of shares: \"多\""_s}},
        {"no holder",
         {minimalHeader + "1,20240630,,1\n"},
         {u"in1.csv:2: the holder's name is empty"_s}},
        {"not a rank",
         {"code,end_date,holder_name,hold_amount,名次\n1,20240630,某,1,1.5\n"_ba},
         {u"in1.csv:2: not a rank: \"1.5\""_s}},
        {"a character GBK lacks",
         {minimalHeader + "1,20240630,\"某\",1\n1,20240630,\xf0\xa0\x80\x80基金,1\n"},
         {u"in1.csv:3: the holder's name holds \U00020000 (U+20000), which GBK cannot hold: "
          u"\U00020000基金"_s}},
        {"an emoji in the share type",
         {"code,end_date,holder_name,hold_amount,股份类型\n1,20240630,某,1,A股\xf0\x9f\x98\x80\n"_ba},
         {u"in1.csv:2: the share type holds \U0001F600 (U+1F600), which GBK cannot hold: "
          u"A股\U0001F600"_s}},

        // Titles: a short row is never one, and exports joined by cat read whole.
        {"joined exports: a short row above the second title",
         {"招商银行(600036) 十大股东 截止日期：2024-06-30\n" + brokerHeader +
          "1,张三,100,0\n李四,123456\n万科A(000002) 十大股东 截止日期：2024-06-30\n" +
          brokerHeader + "1,王五,300,0\n"},
         {u"in1.csv:4: 2 fields where the header has 4"_s}},
        {"joined exports: a name alone above the second title",
         {"招商银行(600036) 十大股东 截止日期：2024-06-30\n" + brokerHeader +
          "1,张三,100,0\n李四\n万科A(000002) 十大股东 截止日期：2024-06-30\n" + brokerHeader +
          "1,王五,300,0\n"},
         {u"in1.csv:4: 1 field where the header has 4"_s}},
        {"joined exports: a short row above a repeated header",
         {"招商银行(600036) 十大股东 截止日期：2024-06-30\n" + brokerHeader +
          "1,张三,100,0\n李四,5\n" + brokerHeader + "2,王五,300,0\n"},
         {u"in1.csv:4: 2 fields where the header has 4"_s}},
        {"joined exports, padded titles of several lines",
         {"招商银行(600036) 十大股东 截止日期：2024-06-30\n" + brokerHeader +
          "1,张三,100,0\n\n数据来源：某终端\n万科A(000002) 十大股东 截止日期：2024-06-30,,,\n"
          "单位：万股,,,\n公告日期：2024-08-30,,,\n名次,股东名称,持股数量,增减\n1,王五,3,0\n"
          "平安银行(000001) 截止日期：2024-06-30,,,\n" +
          brokerHeader + "1,赵六,500,0\n"},
         {},
         {u"000001 平安银行  十大股东  2024-06-30"_s,
          u"  赵六                  │      0.05│          │          │ 不变"_s,
          u"000002 万科A  十大股东  2024-06-30"_s,
          u"  王五                  │      3.00│          │          │ 不变"_s,
          u"600036 招商银行  十大股东  2024-06-30"_s,
          u"  张三                  │      0.01│          │          │ 不变"_s},
         {},
         {u"in1.csv:1: read from its title: code 600036, name 招商银行, date 2024-06-30"_s,
          u"in1.csv:6: read from its title: code 000002, name 万科A, date 2024-06-30"_s,
          u"in1.csv:11: read from its title: code 000001, name 平安银行, date 2024-06-30"_s}},
        {"a title line with rows but no header under it",
         {"招商银行(600036) 十大股东 截止日期：2024-06-30\n" + brokerHeader +
          "1,张三,100,0\n截止日期：2024-03-31\n2,李四,50,0\n"},
         {u"in1.csv:4: a title with no header row under it"_s}},
        {"a header after a table has no title of its own",
         {"招商银行(600036) 十大股东 截止日期：2024-06-30\n" + brokerHeader +
          "1,张三,100,0\n名次,股东名称,持股数量(股)\n1,李四,50\n"},
         {u"in1.csv:4: no column for the stock code (证券代码, 股票代码, 代码, code, ts_code, "
          u"symbol), nor a code in a title above it or --code"_s,
          u"in1.csv:4: no column for the report date (截止日期, 截至日期, 报告期, 报告日期, "
          u"end_date), nor a date in a title above it or --date"_s}},

        // A title's code and date.
        {"a number before the code",
         {"总股本(万股)：252198 招商银行(600036) 十大股东 截止日期：2024-06-30\n" + brokerHeader +
          "1,张三,100,0\n"},
         {},
         {u"600036 招商银行  十大股东  2024-06-30"_s,
          u"  张三                  │      0.01│          │          │ 不变"_s},
         {},
         {u"in1.csv:1: read from its title: code 600036, name 招商银行, date 2024-06-30"_s}},
        {"a labelled code and a bare number",
         {"证券代码：000002 股东户数 123456 截至2024-06-30\n" + brokerHeader + "1,张三,100,0\n"},
         {},
         {u"000002  十大股东  2024-06-30"_s,
          u"  张三                  │      0.01│          │          │ 不变"_s},
         {},
         {u"in1.csv:1: read from its title: code 000002, date 2024-06-30"_s}},
        {"a report period as a range",
         {"招商银行(600036) 十大股东 报告期：2024-01-01至2024-06-30\n" + brokerHeader +
          "1,张三,100,0\n"},
         {},
         {u"600036 招商银行  十大股东  2024-06-30"_s,
          u"  张三                  │      0.01│          │          │ 不变"_s},
         {},
         {u"in1.csv:1: read from its title: code 600036, name 招商银行, date 2024-06-30"_s}},
        {"a title of two codes",
         {"600036 000002\n截止日期：2024-06-30\n" + brokerHeader + "1,张三,100,0\n"},
         {u"in1.csv:1: the title names the codes 600036, 000002 and marks none as the stock's "
          u"(招商银行(600036), 600036.SH, 代码：600036); --code gives it"_s}},
        {"a title of two dates and no date column",
         {"600036 2024-06-30 2024-03-31\n股东名称,持股数\n甲,1\n"_ba},
         {u"in1.csv:1: the title names the dates 2024-06-30, 2024-03-31 and marks none as "
          u"截止日期 or 报告期; --date gives it"_s}},
        {"a title of two report dates",
         {"(600036)\n截止日期：2024-06-30 报告期：2024-03-31\n股东名称,持股数\n甲,1\n"_ba},
         {u"in1.csv:2: the title names the dates 2024-06-30, 2024-03-31 and marks none as "
          u"截止日期 or 报告期; --date gives it"_s}},
        {"a title's stock name GBK cannot hold",
         {"招商\xf0\x9f\x98\x80(600036) 截止日期：2024-06-30\n" + brokerHeader + "1,张三,100,0\n"},
         {u"in1.csv:1: the stock name holds \U0001F600 (U+1F600), which GBK cannot hold: "
          u"招商\U0001F600"_s}},
        {"a title with no code",
         {"十大股东 截止日期：2024-06-30\n" + brokerHeader + "1,张三,100,0\n"},
         {u"in1.csv:1: no column for the stock code (证券代码, 股票代码, 代码, code, ts_code, "
          u"symbol), nor a code in a title above it or --code"_s}},

        // Numbers as the file writes them.
        {"semicolons: thousands points elsewhere",
         {"代码;截止日期;股东名称;持股数\n600036;20240630;甲;1.234.567\n600036;20240630;乙;1.234\n"_ba},
         {},
         {u"600036  十大股东  2024-06-30"_s,
          u"  甲                    │    123.46│          │          │ "_s,
          u"  乙                    │      0.12│          │          │ "_s}},
        {"semicolons: a decimal point elsewhere",
         {"代码;截止日期;股东名称;持股数(万股);持股比例\n600036;20240630;甲;1.234;6.12\n"_ba},
         {},
         {u"600036  十大股东  2024-06-30"_s,
          u"  甲                    │      1.23│      6.12│          │ "_s}},
        {"semicolons: a number that reads two ways",
         {"代码;截止日期;股东名称;持股数\n600036;20240630;甲;1.234\n"_ba},
         {u"in1.csv:2: the shares held \"1.234\" reads as 1.234 or as 1234, and no other number "
          u"in the file shows whether a point is its decimal mark: export the numbers without "
          u"thousands separators"_s}},
        {"semicolons: both decimal marks",
         {"代码;截止日期;股东名称;持股数;持股比例\n600036;20240630;甲;100;1,5\n"
          "600036;20240630;乙;100;6.12\n"_ba},
         {u"in1.csv:3: \"6.12\" has a decimal point, but \"1,5\" on line 2 a decimal comma: "
          u"export the file with one decimal mark"_s}},
        {"a count a spreadsheet rounded",
         {minimalHeader + "600036,20240630,甲,1.23718E+11\n"},
         {u"in1.csv:2: the shares held \"1.23718E+11\" holds 6 significant digits of a count of "
          u"12: a spreadsheet rounded it. Format the column as a number without decimals (not "
          u"General) and export again"_s}},
        {"a count in scientific notation, whole",
         {minimalHeader + "600036,20240630,甲,1.23456789012E+11\n"},
         {},
         {u"600036  十大股东  2024-06-30"_s,
          u"  甲                    │12345678.9│          │          │ "_s}},

        // Changes in words.
        {"changes in words with numbers",
         {"code,end_date,holder_name,hold_amount,增减(股)\n"
          "600036,20240630,甲,100000000,增持1000000\n600036,20240630,乙,90000000,减少98765432\n"
          "600036,20240630,丙,80000000,增持1.2万股\n600036,20240630,丁,70000000,减少3000股\n"
          "600036,20240630,戊,60000000,30\n600036,20240630,己,50000000,-30\n"
          "600036,20240630,庚,40000000,0\n600036,20240630,辛,30000000,新进\n"_ba},
         {},
         {u"600036  十大股东  2024-06-30"_s,
          u"  甲                    │  10000.00│          │          │ 增持100.00"_s,
          u"  乙                    │   9000.00│          │          │ 减持9876.54"_s,
          u"  丙                    │   8000.00│          │          │ 增持1.20"_s,
          u"  丁                    │   7000.00│          │          │ 减持0.30"_s,
          u"  戊                    │   6000.00│          │          │ 增持<0.01"_s,
          u"  己                    │   5000.00│          │          │ 减持<0.01"_s,
          u"  庚                    │   4000.00│          │          │ 不变"_s,
          u"  辛                    │   3000.00│          │          │ 新进"_s}},
        {"a change in words that cannot be read",
         {"code,end_date,holder_name,hold_amount,增减(股)\n600036,20240630,甲,100,增持约100\n"_ba},
         {u"in1.csv:2: not a change: \"增持约100\" (a change is a number of shares, such as "
          u"-1000000, 增持100 or 减少3000股, or words without a number, such as 新进)"_s}},

        // Codes of other markets.
        {"rows of other markets left out",
         {"ts_code,end_date,holder_name,hold_amount\n00700.HK,20240630,甲,100\n"
          "600036.SH,20240630,乙,100\nhk00700,20240630,丙,100\nAAPL.O,20240630,丁,100\n"_ba},
         {},
         {u"600036  十大股东  2024-06-30"_s,
          u"  乙                    │      0.01│          │          │ "_s},
         {u"in1.csv:2: 3 rows of stocks outside Shanghai, Shenzhen and Beijing left out, the "
          u"first of 00700.HK (Gegu holds A shares only)"_s}},
        {"only rows of other markets",
         {"ts_code,end_date,holder_name,hold_amount\n00700.HK,20240630,甲,100\n"_ba},
         {u"in1.csv:2: every row is of a stock outside Shanghai, Shenzhen and Beijing, the first "
          u"of 00700.HK (Gegu holds A shares only)"_s}},

        // Encodings.
        {"UTF-8 but for one stray byte",
         {minimalHeader + "600036,20240630,华夏基金,1\n600036,20240630,李四\x80王五,1\n"},
         {u"in1.csv:3: a byte that is not UTF-8, where the rest of the file is UTF-8: save the "
          u"file as UTF-8 again (or, if all of it is GBK, --encoding gbk reads it so)"_s}},
        {"UTF-8 with a row of GBK",
         {minimalHeader + "600036,20240630,华夏基金,1\n600036,20240630,易方达基金,1\n"
                          "600036,20240630,\xD5\xC5\xC8\xFD,1\n600036,20240630,南方基金,1\n"
                          "600036,20240630,博时基金,1\n"},
         {u"in1.csv:4: text that is not UTF-8 (GBK, or another encoding), where the rest of the "
          u"file is UTF-8: save the whole file in one encoding"_s}},
        {"GBK with a row of UTF-8",
         {minimalHeader + "600036,20240630,\xBB\xAA\xCF\xC4\xBB\xF9\xBD\xF0,1\n"
                          "600036,20240630,\xD5\xC5\xC8\xFD,1\n600036,20240630,\xC0\xEE\xCB\xC4,1\n"
                          "600036,20240630,易方达基金,1\n"},
         {u"in1.csv:5: UTF-8 text, where the rest of the file is GBK: save the whole file in one "
          u"encoding"_s}},
        {"GBK that is valid UTF-8",
         {minimalHeader + "600036,20240630,\xD0\xBB\xD0\xA1,1\n"},
         {},
         {u"600036  十大股东  2024-06-30"_s,
          u"  谢小                  │      0.00│          │          │ "_s}},
        {"a Windows-1252 quote in a Latin name",
         {minimalHeader + "600036,20240630,HARBOUR\x92S EDGE FUND,1\n"},
         {},
         {u"600036  十大股东  2024-06-30"_s,
          u"  HARBOUR扴EDGE FUND    │      0.00│          │          │ "_s},
         {u"in1.csv:2: \"HARBOUR扴 EDGE FUND\" holds characters read as GBK among Latin "
          u"letters: if they stand for a quote or a dash, the file is in another encoding "
          u"(Windows-1252); save it as UTF-8"_s}},
        {"as well UTF-8 as GBK",
         {minimalHeader + "600036,20240630,张三,1\n"},
         {u"in1.csv: reads as well in UTF-8 as in GBK: --encoding utf-8 or --encoding gbk says "
          u"which it is"_s}},

        // Periods left out, and holders' names.
        {"an earlier period left out",
         {minimalHeader + "600036,20240630,甲,100\n600036,20240331,甲,90\n000002,20240630,乙,1\n"},
         {},
         {u"000002  十大股东  2024-06-30"_s,
          u"  乙                    │      0.00│          │          │ "_s,
          u"600036  十大股东  2024-06-30"_s,
          u"  甲                    │      0.01│          │          │ "_s},
         {u"1 earlier report period (1 record) left out: --history writes every period"_s}},
        {"one holder, one name in every period",
         {minimalHeader +
          "600036,20240630,中国人寿保险股份有限公司－传统－普通保险产品－005L－CT001沪,2800000000\n"
          "600036,20240630,中国人寿保险股份有限公司－传统－普通保险产品－005L－CT002沪,100\n"
          "600036,20240331,中国人寿保险股份有限公司－传统－普通保险产品－005L－CT001沪,"
          "2800000000\n"},
         {},
         {u"600036  十大股东  2024-06-30"_s,
          u"  中国人寿-传统-普…YCK │ 280000.00│          │          │ "_s,
          u"  中国人寿-传统-普…7DU │      0.01│          │          │ "_s,
          u"600036  十大股东  2024-03-31"_s,
          u"  中国人寿-传统-普…YCK │ 280000.00│          │          │ "_s},
         {},
         {},
         true},
        {"a fund with and without its custodian bank",
         {minimalHeader +
              "600036,20240630,中国工商银行股份有限公司－华夏沪深300交易型开放式指数证券投资基金,"
              "1000000\n",
          minimalHeader + "600036,20240630,华夏沪深300交易型开放式指数证券投资基金,1000000\n"},
         {},
         {u"600036  十大股东  2024-06-30"_s,
          u"  华夏沪深300ETF        │    100.00│          │          │ "_s}},
        {"a fund counted twice, once with its custodian bank",
         {minimalHeader +
              "600036,20240630,中国工商银行股份有限公司－华夏沪深300交易型开放式指数证券投资基金,"
              "1000000\n",
          minimalHeader + "600036,20240630,华夏沪深300交易型开放式指数证券投资基金,2000000\n"},
         {u"in2.csv:2: 华夏沪深300交易型开放式指数证券投资基金 in 600036 on 2024-06-30: 200.00 "
          u"万股 "
          u"here, 100.00 万股 at in1.csv:2"_s}},
        {"a column's bar in a holder's name, in UTF-8 that GBK reads as nothing",
         {minimalHeader + "600036,20240630,甲│乙,1\n"},
         {u"in1.csv:2: the holder's name holds │, which a data file's rows keep between their "
          u"columns: \"甲│乙\" (write it as | or ｜ in the export)"_s}},
        {"two holders written alike",
         {minimalHeader + "600036,20240630,中国证券金融股份,1\n"
                          "600036,20240630,中国证券金融股份有限公司,2\n"},
         {u"in1.csv:2: 中国证券金融股份 and 中国证券金融股份有限公司 (at in1.csv:3) would both be "
          u"written 中国证券金融股份; --full-names writes names whole"_s}},
    };
    return exports;
}

} // namespace gegu::test
