#pragma once

// Exports that are malformed or hostile, each with the one error that importing it must give.
// Shared by the import's tests and the import fuzzer's seed corpus.

#include <QByteArray>
#include <QString>
#include <vector>

namespace gegu::test {

struct MalformedExport {
    const char* name;
    QByteArray bytes; // read as in1.csv
    QString error;
};

inline const std::vector<MalformedExport>& malformedExports() {
    using namespace Qt::StringLiterals;
    static const char* const minimalHeader = "code,end_date,holder_name,hold_amount\n";
    // Text as UTF-16 LE with its byte order mark.
    const auto utf16le = [](QStringView text) {
        QByteArray bytes("\xFF\xFE");
        for (QChar c : text)
            bytes.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        return bytes;
    };
    static const std::vector<MalformedExport> exports{
        {"empty file", QByteArray(), u"in1.csv: is empty: it has no header row"_s},
        {"a byte order mark alone", "\xEF\xBB\xBF"_ba,
         u"in1.csv: is empty: it has no header row"_s},
        {"half a UTF-16 character", "\xFF\xFE\x41"_ba,
         u"in1.csv: is empty: it has no header row"_s},
        {"no header at all", "a,b\n1,2\n"_ba,
         u"in1.csv: has no header row: no line names the holder's name (股东名称, 股东, "
         u"holder_name) and the shares held (持股数, 持股数量, 期末持股-数量, 持股总数, hold_amount)"_s},
        {"no holder column", "code,end_date,hold_amount\n1,20240630,1\n"_ba,
         u"in1.csv:1: no column for the holder's name (股东名称, 股东, holder_name)"_s},
        {"no shares column", "code,end_date,holder_name\n1,20240630,某\n"_ba,
         u"in1.csv:1: no column for the shares held (持股数, 持股数量, 期末持股-数量, 持股总数, "
         u"hold_amount)"_s},
        {"a field too few", QByteArray(minimalHeader) + "1,20240630,某\n",
         u"in1.csv:2: 3 fields where the header has 4"_s},
        {"a stray quote", QByteArray(minimalHeader) + "1,20240630,某\"甲,1\n",
         u"in1.csv:2: not well-formed CSV: a quote inside a field that is not quoted, or after one"_s},
        {"a quote that never ends",
         QByteArray(minimalHeader) + "1,20240630,\"某,1\n2,20240630,乙,1\n",
         u"in1.csv:2: not well-formed CSV: a quoted field that never ends"_s},
        {"a header quote that never ends",
         "code,end_date,\"holder_name,hold_amount\n1,20240630,某,1\n"_ba,
         u"in1.csv:1: not well-formed CSV: a quoted field that never ends"_s},
        {"not a code", QByteArray(minimalHeader) + "\n60003X,20240630,某,1\n",
         u"in1.csv:3: not a stock code: \"60003X\""_s},
        {"not a date", QByteArray(minimalHeader) + "1,2024-02-30,某,1\n",
         u"in1.csv:2: not a date: \"2024-02-30\""_s},
        {"not shares", QByteArray(minimalHeader) + "1,20240630,某,多\n",
         u"in1.csv:2: not a number of shares: \"多\""_s},
        {"no holder", QByteArray(minimalHeader) + "1,20240630,,1\n",
         u"in1.csv:2: the holder's name is empty"_s},
        {"not a rank", "code,end_date,holder_name,hold_amount,名次\n1,20240630,某,1,1.5\n"_ba,
         u"in1.csv:2: not a rank: \"1.5\""_s},
        {"a character GBK lacks",
         QByteArray(minimalHeader) + "1,20240630,\"某\",1\n1,20240630,\xf0\xa0\x80\x80基金,1\n",
         u"in1.csv:3: the holder's name holds \U00020000 (U+20000), which GBK cannot hold: "
         u"\U00020000基金"_s},
        {"an emoji in the share type",
         "code,end_date,holder_name,hold_amount,股份类型\n1,20240630,某,1,A股\xf0\x9f\x98\x80\n"_ba,
         u"in1.csv:2: the share type holds \U0001F600 (U+1F600), which GBK cannot hold: "
         u"A股\U0001F600"_s},
        {"a title of two dates and no date column",
         "600036 2024-06-30 2024-03-31\n股东名称,持股数\n甲,1\n"_ba,
         u"in1.csv:2: the title names several dates and marks none as 截止日期 or 报告期"_s},
        {"a title and no table", "招商银行(600036) 十大股东 截止日期：2024-06-30\n\n"_ba,
         u"in1.csv: has no header row: no line names the holder's name (股东名称, 股东, "
         u"holder_name) and the shares held (持股数, 持股数量, 期末持股-数量, 持股总数, hold_amount)"_s},
        {"a header of unknown units, in UTF-16",
         utf16le(u"code\tend_date\tholder_name\thold_amount(x)\n"),
         u"in1.csv:1: hold_amount(x): x is not a unit of shares (股, 万股, 亿股)"_s},
    };
    return exports;
}

} // namespace gegu::test
