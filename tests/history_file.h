#pragma once

// A data file of several report periods, as gegu-import --history writes one: 600036 in three
// periods (a holder absent from one, and holding two share types in another), 000002 in one.

#include "holdings/data_file_writer.h"

#include <QBuffer>
#include <cmath>

namespace gegu::test {

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

} // namespace gegu::test
