#pragma once

// A data file of several report periods for portfolios: the holder 甲基金 over 2024-06-30
// (the newest date), 2024-03-31 and 2023-12-31, beside 甲基金二号, whose name holds its name.
//
//   600036 招商银行 十大股东    06-30: 甲基金 120 流通A股 + 30 限售A股; 03-31: 100 流通A股  增持
//   600036 招商银行 十大流通股东 06-30: 甲基金 120;                     03-31: 130          减持
//   000002 万科     十大股东    06-30: 甲基金 10;                       03-31: 10           不变
//   000003 平安     十大股东    06-30: others;                          03-31: 甲基金 5     退出
//   000004 长城     十大股东    06-30: 甲基金 7;                        03-31: others       新进
//   000005 华宝     十大股东    06-30: 甲基金 8;     no 03-31;          12-31: 甲基金 6 无可比报告
//   000006 东方     十大股东    no 06-30;            03-31: 甲基金 9 (its latest) 无该期报告 000007
//   金山     十大股东    06-30: 甲基金二号 50 alone
//
// The records of a stock stand newest first; the file's order is otherwise mixed.

#include "holdings/data_file_writer.h"

#include <QBuffer>
#include <cmath>

namespace gegu::test {

inline std::vector<StockRecord> portfolioRecords() {
    using namespace Qt::StringLiterals;
    const auto row = [](const QString& name, double shares, double percent,
                        const QString& type = u"流通A股"_s, const QString& change = u"不变"_s) {
        return HolderRow{name, shares, percent, type, change};
    };
    const auto record = [](const QString& code, const QString& name, bool floatHolders,
                           const QString& date, std::vector<HolderRow> rows) {
        return StockRecord{code, name, floatHolders ? u"十大流通股东"_s : u"十大股东"_s,
                           date, {},   std::move(rows)};
    };
    return {
        record(u"600036"_s, u"招商银行"_s, false, u"2024-06-30"_s,
               {row(u"香港中央结算有限公司"_s, 300, 3), row(u"甲基金"_s, 120, 1.2),
                row(u"甲基金二号"_s, 50, 0.5), row(u"甲基金"_s, 30, 0.3, u"限售A股"_s, u"新进"_s)}),
        record(u"600036"_s, u"招商银行"_s, false, u"2024-03-31"_s,
               {row(u"甲基金"_s, 100, 1), row(u"甲基金二号"_s, 50, 0.5)}),
        record(u"600036"_s, u"招商银行"_s, true, u"2024-06-30"_s,
               {row(u"甲基金"_s, 120, 1.5, u"流通A股"_s, u"减持10.00"_s)}),
        record(u"600036"_s, u"招商银行"_s, true, u"2024-03-31"_s, {row(u"甲基金"_s, 130, 1.6)}),
        record(u"000002"_s, u"万科"_s, false, u"2024-06-30"_s, {row(u"甲基金"_s, 10, 0.1)}),
        record(u"000002"_s, u"万科"_s, false, u"2024-03-31"_s, {row(u"甲基金"_s, 10, 0.1)}),
        record(u"000003"_s, u"平安"_s, false, u"2024-06-30"_s, {row(u"乙公司"_s, 40, 4)}),
        record(u"000003"_s, u"平安"_s, false, u"2024-03-31"_s,
               {row(u"乙公司"_s, 40, 4), row(u"甲基金"_s, 5, 0.5)}),
        record(u"000004"_s, u"长城"_s, false, u"2024-06-30"_s,
               {row(u"乙公司"_s, 40, 4), row(u"甲基金"_s, 7, 0.7, u"流通A股"_s, u"新进"_s)}),
        record(u"000004"_s, u"长城"_s, false, u"2024-03-31"_s, {row(u"乙公司"_s, 40, 4)}),
        record(u"000005"_s, u"华宝"_s, false, u"2024-06-30"_s, {row(u"甲基金"_s, 8, 0.8)}),
        record(u"000005"_s, u"华宝"_s, false, u"2023-12-31"_s, {row(u"甲基金"_s, 6, 0.6)}),
        record(u"000006"_s, u"东方"_s, false, u"2024-03-31"_s, {row(u"甲基金"_s, 9, 0.9)}),
        record(u"000007"_s, u"金山"_s, false, u"2024-06-30"_s, {row(u"甲基金二号"_s, 50, 5)}),
    };
}

inline QByteArray dataFileOf(const std::vector<StockRecord>& records) {
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    DataFileWriter writer(out);
    writer.begin(qsizetype(records.size()));
    for (const StockRecord& record : records)
        writer.write(record);
    writer.finish();
    return bytes;
}

inline QByteArray portfolioFile() {
    return dataFileOf(portfolioRecords());
}

} // namespace gegu::test
