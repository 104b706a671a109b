#pragma once

// A made-up stock market for sample data: codes, company names, report dates and holder
// tables that look plausible and are drawn the same for a seed whatever the compiler or its
// library. Every random value is drawn in its own statement, in a fixed order, and only exact
// arithmetic follows.

#include "holdings/data_file_writer.h"

#include <QString>
#include <algorithm>
#include <functional>
#include <random>
#include <set>
#include <vector>

namespace gegu {

class FictionalMarket {
public:
    explicit FictionalMarket(quint64 seed) : rng_(seed) {}

    // 0 .. n - 1.
    std::size_t pick(std::size_t n) { return std::size_t(rng_() % n); }
    // [0, 1), from the top 53 bits.
    double unit() { return double(rng_() >> 11) * (1.0 / 9007199254740992.0); }

    QString stockCode() {
        for (;;) {
            // Shenzhen main board, ChiNext and Shanghai: 29997 codes in all.
            static const int bases[] = {0, 300000, 600000};
            const int base = bases[pick(std::size(bases))];
            const int code = base + 1 + int(pick(9999));
            if (codes_.insert(code).second)
                return QStringLiteral("%1").arg(code, 6, 10, QLatin1Char('0'));
        }
    }

    QString stockName() {
        static const char16_t* first[] = {u"华", u"东", u"金", u"海", u"长", u"中", u"新", u"天",
                                          u"宏", u"恒", u"瑞", u"鑫", u"嘉", u"安", u"永", u"盛"};
        static const char16_t* second[] = {u"夏", u"方", u"源", u"通", u"江", u"泰", u"达", u"丰",
                                           u"信", u"润", u"科", u"远", u"和", u"兴", u"隆", u"岳"};
        static const char16_t* trade[] = {u"银行", u"股份", u"科技", u"电子", u"药业", u"能源",
                                          u"地产", u"实业", u"控股", u"钢铁", u"汽车", u"化工",
                                          u"证券", u"传媒", u"物流", u"食品"};
        const char16_t* a = first[pick(16)];
        const char16_t* b = second[pick(16)];
        const char16_t* c = trade[pick(16)];
        return QString::fromUtf16(a) + QString::fromUtf16(b) + QString::fromUtf16(c);
    }

    QString reportDate() {
        static const char* ends[] = {"03-31", "06-30", "09-30", "12-31"};
        const std::size_t year = 2019 + pick(6);
        const char* end = ends[pick(4)];
        return QStringLiteral("%1-%2").arg(year).arg(QLatin1StringView(end));
    }

    // A stock's table: rows holders of one share capital, ranked by shares; with distinctNames
    // no name stands twice in it (which draws more numbers, and so other tables after it).
    std::vector<HolderRow> holders(int rows, bool distinctNames = false) {
        // Share capital from 1 to 100 hundred-million shares, in 万股; the rows hold 25% to 85%
        // of it between them, unevenly: a weight 0.05 + u^2 each, largest first.
        const double capital = double(10000 + pick(990000));
        const double held = double(2500 + pick(6000)) / 100;
        std::vector<double> weights;
        double total = 0;
        for (int i = 0; i < rows; ++i) {
            const double u = unit();
            weights.push_back(0.05 + u * u);
            total += weights.back();
        }
        std::sort(weights.begin(), weights.end(), std::greater<>());
        std::vector<HolderRow> table;
        std::set<QString> names;
        for (int i = 0; i < rows; ++i) {
            const double shares =
                std::max(0.01, cents(capital * held / 100 * weights[size_t(i)] / total));
            QString name = holderName();
            while (distinctNames && !names.insert(name).second)
                name = holderName();
            const QString type = shareType();
            const QString change = changeSince(shares);
            table.push_back({name, shares, cents(shares / capital * 100), type, change});
        }
        return table;
    }

private:
    static double cents(double v) { return double(qRound64(v * 100)) / 100; }

    QString holderName() {
        const std::size_t kind = pick(10);
        return kind < 4 ? fundName() : kind < 7 ? companyName() : personName();
    }

    // The first of the candidates that fits the name's columns, all of them made up.
    static QString fitting(const QString& front, std::initializer_list<const char16_t*> ends) {
        for (const char16_t* end : ends) {
            const QString name = front + QString::fromUtf16(end);
            if (displayWidth(name) < NameColumns)
                return name;
        }
        return front;
    }

    QString fundName() {
        static const char16_t* houses[] = {u"华夏", u"南岭", u"博远", u"嘉信", u"易达", u"广汇",
                                           u"富安", u"汇泉", u"银河", u"长盛", u"景顺", u"鹏程",
                                           u"国泰", u"大成", u"融通", u"泰和"};
        static const char16_t* styles[] = {u"大盘精选", u"成长",     u"价值优选", u"红利",
                                           u"蓝筹",     u"稳健增利", u"中小盘",   u"行业轮动",
                                           u"消费升级", u"优势企业", u"回报",     u"沪深300指数"};
        const char16_t* house = houses[pick(16)];
        const char16_t* style = styles[pick(12)];
        const std::size_t kind = pick(3);
        const QString front = QString::fromUtf16(house) + QString::fromUtf16(style);
        if (kind == 0)
            return fitting(front, {u"证券投资基金", u"混合基金", u"基金"});
        if (kind == 1)
            return fitting(front, {u"混合型基金", u"混合基金", u"基金"});
        return fitting(front, {u"股票型基金", u"股票基金", u"基金"});
    }

    QString companyName() {
        static const char16_t* places[] = {u"上海", u"深圳", u"北京", u"杭州", u"南京", u"成都",
                                           u"武汉", u"广州", u"天津", u"厦门", u"青岛", u"西安"};
        static const char16_t* words[] = {u"临江", u"华夏", u"金石", u"远航", u"恒通",   u"瑞丰",
                                          u"东升", u"百川", u"卓越", u"宏图", u"新纪元", u"正泰"};
        const char16_t* place = places[pick(12)];
        const char16_t* word = words[pick(12)];
        const std::size_t kind = pick(3);
        const QString front = QString::fromUtf16(place) + QString::fromUtf16(word);
        if (kind == 0)
            return fitting(front, {u"投资有限公司", u"投资公司"});
        if (kind == 1)
            return fitting(front, {u"集团有限公司", u"集团公司"});
        return fitting(front, {u"资产管理公司", u"资产公司"});
    }

    QString personName() {
        static const char16_t* surnames[] = {u"王", u"李", u"张", u"刘", u"陈", u"杨", u"赵",
                                             u"黄", u"周", u"吴", u"徐", u"孙", u"马", u"朱"};
        static const char16_t* given[] = {u"伟", u"芳", u"娜",   u"秀英", u"敏",   u"静",
                                          u"丽", u"强", u"磊",   u"军",   u"洋",   u"勇",
                                          u"艳", u"杰", u"建华", u"志明", u"海燕", u"晓东"};
        const char16_t* surname = surnames[pick(14)];
        const char16_t* name = given[pick(18)];
        return QString::fromUtf16(surname) + QString::fromUtf16(name);
    }

    QString shareType() {
        const std::size_t kind = pick(20);
        return kind < 15   ? QStringLiteral("流通A股")
               : kind < 19 ? QStringLiteral("限售A股")
                           : QStringLiteral("流通B股");
    }

    // How the holding differs from the previous period: new, the same, or more or less by the
    // difference, in 万股.
    QString changeSince(double shares) {
        const std::size_t kind = pick(20);
        if (kind < 3)
            return QStringLiteral("新进");
        if (kind < 10)
            return QStringLiteral("不变");
        const double factor = 0.5 + unit(); // the previous holding, against today's
        const double previous = cents(shares * factor);
        const double difference = cents(shares - previous);
        if (difference == 0)
            return QStringLiteral("不变");
        return (difference > 0 ? QStringLiteral("增持") : QStringLiteral("减持")) +
               QString::number(difference > 0 ? difference : -difference, 'f', 2);
    }

    std::mt19937_64 rng_;
    std::set<int> codes_;
};

} // namespace gegu
