// gegu-gen-sample: writes a fictional Gegu data file (GBK, CR LF) of any size.
//
//   gegu-gen-sample [--stocks N] [--rows R] [--seed S] OUTPUT
//
// The same arguments always give the same bytes. Every stock gets a unique six-digit code
// (ascending), a name, a head line and R holder rows: funds, companies and people, each name
// within the first 20 characters of its row, then shares, percentage, share type and change
// in columns under the report's frame lines.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QStringEncoder>
#include <cstdio>
#include <random>
#include <set>

namespace {

class Generator {
public:
    explicit Generator(quint64 seed) : rng_(seed) {}

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

    QString holderName() {
        switch (pick(10)) {
        case 0:
        case 1:
        case 2:
        case 3:
            return fundName();
        case 4:
        case 5:
        case 6:
            return companyName();
        default:
            return personName();
        }
    }

    QString holderRow(const QString& name) {
        static const char16_t* types[] = {u"流通A股", u"限售A股", u"流通B股", u"H股"};
        static const char16_t* changes[] = {u"新进", u"增持", u"减持", u"不变"};
        const double shares = double(pick(5000000) + 1) / 100; // ten thousand shares
        const double percent = double(pick(3000) + 1) / 100;
        QString change = QString::fromUtf16(changes[pick(4)]);
        if (change != u"不变" && change != u"新进")
            change += QString::number(double(pick(100000) + 1) / 100, 'f', 2);
        const QString type = QString::fromUtf16(types[pick(4)]);
        // Columns are half-width columns, an ideograph taking two: the name column is 22 wide,
        // the share type 9 after a blank, so that the bars stand under the frame's joints.
        return QStringLiteral("  ") + padded(name, 22, 1) +
               QStringLiteral("│%1│%2│ %3│ ")
                   .arg(shares, 10, 'f', 2)
                   .arg(percent, 10, 'f', 2)
                   .arg(padded(type, 9, 0)) +
               change;
    }

    QString reportDate() {
        static const char* ends[] = {"03-31", "06-30", "09-30", "12-31"};
        const std::size_t year = 2019 + pick(8);
        const char* end = ends[pick(4)];
        return QStringLiteral("%1-%2").arg(year).arg(QLatin1StringView(end));
    }

    std::size_t pick(std::size_t n) { return std::size_t(rng_() % n); }

private:
    // The text with blanks after it up to the given width in half-width columns, and at least
    // minBlanks of them.
    static QString padded(const QString& s, int columns, int minBlanks) {
        int used = 0;
        for (QChar c : s)
            used += c.unicode() < 0x80 ? 1 : 2;
        return s + QString(qMax(minBlanks, columns - used), u' ');
    }

    QString fundName() {
        static const char16_t* houses[] = {u"华夏", u"南岭", u"博远", u"嘉信", u"易达", u"广汇",
                                           u"富安", u"汇泉", u"银河", u"长盛", u"景顺", u"鹏程",
                                           u"国泰", u"大成", u"融通", u"泰和"};
        static const char16_t* styles[] = {u"大盘精选", u"成长",     u"价值优选", u"红利",
                                           u"蓝筹",     u"稳健增利", u"中小盘",   u"行业轮动",
                                           u"消费升级", u"优势企业", u"回报",     u"沪深300指数"};
        static const char16_t* kinds[] = {u"证券投资基金", u"混合基金", u"股票基金",
                                          u"灵活配置基金", u"混合型证券投资基金"};
        const char16_t* house = houses[pick(16)];
        const char16_t* style = styles[pick(12)];
        const char16_t* kind = kinds[pick(5)];
        return (QString::fromUtf16(house) + QString::fromUtf16(style) + QString::fromUtf16(kind))
            .left(18);
    }

    QString companyName() {
        static const char16_t* places[] = {u"上海", u"深圳", u"北京", u"杭州", u"南京", u"成都",
                                           u"武汉", u"广州", u"天津", u"厦门", u"青岛", u"西安"};
        static const char16_t* words[] = {u"临江", u"华夏", u"金石", u"远航", u"恒通",   u"瑞丰",
                                          u"东升", u"百川", u"卓越", u"宏图", u"新纪元", u"正泰"};
        static const char16_t* kinds[] = {u"投资有限公司", u"集团有限公司", u"股份有限公司",
                                          u"资产管理有限公司", u"实业发展有限公司"};
        const char16_t* place = places[pick(12)];
        const char16_t* word = words[pick(12)];
        const char16_t* kind = kinds[pick(5)];
        return (QString::fromUtf16(place) + QString::fromUtf16(word) + QString::fromUtf16(kind))
            .left(18);
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

    std::mt19937_64 rng_;
    std::set<int> codes_;
};

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Writes a fictional Gegu data file."));
    parser.addHelpOption();
    parser.addOptions({{QStringLiteral("stocks"), QStringLiteral("Number of stocks."),
                        QStringLiteral("N"), QStringLiteral("1681")},
                       {QStringLiteral("rows"), QStringLiteral("Holder rows per stock."),
                        QStringLiteral("R"), QStringLiteral("199")},
                       {QStringLiteral("seed"), QStringLiteral("Random seed."), QStringLiteral("S"),
                        QStringLiteral("1")}});
    parser.addPositionalArgument(QStringLiteral("OUTPUT"), QStringLiteral("File to write."));
    parser.process(app);

    bool ok1 = false, ok2 = false, ok3 = false;
    const int stocks = parser.value(QStringLiteral("stocks")).toInt(&ok1);
    const int rows = parser.value(QStringLiteral("rows")).toInt(&ok2);
    const quint64 seed = parser.value(QStringLiteral("seed")).toULongLong(&ok3);
    if (!ok1 || !ok2 || !ok3 || stocks < 1 || stocks > 29997 || rows < 0 ||
        parser.positionalArguments().size() != 1) {
        std::fprintf(stderr, "gegu-gen-sample: bad arguments (see --help)\n");
        return 2;
    }

    QFile file(parser.positionalArguments().front());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "gegu-gen-sample: cannot write %s\n", qPrintable(file.fileName()));
        return 2;
    }

    Generator gen(seed);
    // Codes ascend through the file, as in the published data.
    std::set<QString> codes;
    // Two well-known codes are always there, so that the usual first lookups (600036, and 2 for
    // 000002) answer on every sample.
    for (const char* known : {"600036", "000002"}) {
        if (int(codes.size()) < stocks)
            codes.insert(QString::fromLatin1(known));
    }
    while (int(codes.size()) < stocks)
        codes.insert(gen.stockCode());

    QStringEncoder gbk("GBK");
    const QString crlf = QStringLiteral("\r\n");
    QString text = QString::number(stocks - 1) + crlf;
    for (const QString& code : codes) {
        const QString date = gen.reportDate();
        text += code + u' ' + gen.stockName() + QStringLiteral("  十大股东  ") + date + crlf;
        text += QString::number(rows) + crlf;
        text += QStringLiteral("股东情况 (截止日期：%1   ) 持股数(万股)  占比(%)  股份性质  增减")
                    .arg(date) +
                crlf;
        for (int i = 0; i < rows; ++i)
            text += gen.holderRow(gen.holderName()) + crlf;
        if (text.size() > (1 << 20)) {
            file.write(gbk.encode(text));
            text.clear();
        }
    }
    file.write(gbk.encode(text));
    if (gbk.hasError() || !file.flush()) {
        std::fprintf(stderr, "gegu-gen-sample: cannot write %s\n", qPrintable(file.fileName()));
        return 2;
    }
    return 0;
}
