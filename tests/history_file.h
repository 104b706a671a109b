#pragma once

// A data file of several report periods, as gegu-import --history writes one: 600036 in three
// periods (a holder absent from one, and holding two share types in another), 000002 in one.

#include "holdings/data_file_writer.h"

#include <QBuffer>
#include <cmath>

namespace gegu::test {

inline QByteArray writeRecords(const std::vector<StockRecord>& records) {
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

inline QByteArray historyFile() {
    using namespace Qt::StringLiterals;
    const double none = std::nan("");
    const auto row = [](const QString& name, double shares, double percent, const QString& type,
                        double changed) {
        HolderRow r{name, shares, percent, type, {}, changed};
        if (std::isnan(changed))
            r.change = u"新进"_s;
        return r;
    };
    const std::vector<StockRecord> records{
        {u"000002"_s,
         u"万科"_s,
         u"十大股东"_s,
         u"2024-06-30"_s,
         {},
         {row(u"华夏大盘"_s, 10, 0.1, u"流通A股"_s, 0)}},
        {u"600036"_s,
         u"招商银行"_s,
         u"十大股东"_s,
         u"2024-06-30"_s,
         {},
         {row(u"香港中央结算有限公司"_s, 300, 3, u"流通A股"_s, 100),
          row(u"华夏大盘"_s, 120, 1.2, u"流通A股"_s, 20),
          row(u"华夏大盘"_s, 30, 0.3, u"限售A股"_s, none)}},
        {u"600036"_s,
         u"招商银行"_s,
         u"十大股东"_s,
         u"2023-12-31"_s,
         {},
         {row(u"香港中央结算有限公司"_s, 200, 2, u"流通A股"_s, none)}},
        {u"600036"_s,
         u"招商银行"_s,
         u"十大股东"_s,
         u"2024-03-31"_s,
         {},
         {row(u"华夏大盘"_s, 100, 1, u"流通A股"_s, none),
          row(u"香港中央结算有限公司"_s, 200, 2, u"流通A股"_s, 0)}},
    };
    return writeRecords(records);
}

// Both top-ten tables of 600036: its holders on 2024-06-30, and its float's holders on that date
// and the one before; 华夏大盘 stands in all three, with a larger ratio of the float.
inline QByteArray bothTablesFile() {
    using namespace Qt::StringLiterals;
    const auto holder = [](double shares, double percent) {
        return HolderRow{u"华夏大盘"_s, shares, percent, u"流通A股"_s, {}, 0};
    };
    return writeRecords({
        {u"600036"_s, u"招商银行"_s, u"十大股东"_s, u"2024-06-30"_s, {}, {holder(100, 1)}},
        {u"600036"_s, u"招商银行"_s, u"十大流通股东"_s, u"2024-06-30"_s, {}, {holder(100, 1.6)}},
        {u"600036"_s, u"招商银行"_s, u"十大流通股东"_s, u"2024-03-31"_s, {}, {holder(80, 1.3)}},
    });
}

} // namespace gegu::test
