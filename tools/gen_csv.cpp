// gegu-gen-csv: writes a fictional export of top-ten-holder tables as CSV, in the column layout
// of one of the common exports, for gegu-import's tests and benchmarks.
//
//   gegu-gen-csv [--layout stock|market|api] [--stocks N] [--rows R] [--periods P]
//                [--seed S] [--encoding utf-8|gbk] [--bom] OUTPUT
//
// Layouts (columns as the common data libraries name them):
//   stock   per stock and report date, with the stock's code, name and date added in front:
//           股票代码, 股票简称, 截止日期, 名次, 股东名称, 股份类型, 持股数, 占总股本持股比例,
//           增减, 变动比率
//   market  market-wide per report date: 股东名称, 股东类型, 股票代码, 股票简称, 报告期,
//           期末持股-数量, 期末持股-数量变化, 期末持股-持股变动, 公告日
//   api     field names of an API: ts_code, ann_date, end_date, holder_name, hold_amount,
//           hold_ratio, hold_float_ratio, hold_change, holder_type
// Shares are in shares (股). Every stock has P report periods, a quarter apart.

#include "fictional.h"
#include "holdings/gbk.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSaveFile>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// A field as CSV writes it: quoted when it holds a comma, a quote or a line break.
QString csvField(const QString& text) {
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') &&
        !text.contains(u'\r'))
        return text;
    return u'"' + QString(text).replace(u"\""_s, u"\"\""_s) + u'"';
}

// The change in shares, from the table's text: 增持/减持 in 万股, 不变, or empty when new.
QString changeInShares(const QString& change) {
    if (change.startsWith(u"增持"_s))
        return QString::number(qRound64(change.sliced(2).toDouble() * 10000));
    if (change.startsWith(u"减持"_s))
        return QString::number(-qRound64(change.sliced(2).toDouble() * 10000));
    if (change == u"不变"_s)
        return u"0"_s;
    return {};
}

QString shares(double tenThousands) {
    return QString::number(qRound64(tenThousands * 10000));
}

QString compactDate(const QString& date) {
    return QString(date).remove(u'-');
}

// The report date `quarters` quarters before the given one.
QString earlierQuarter(const QString& date, int quarters) {
    static const char* ends[] = {"03-31", "06-30", "09-30", "12-31"};
    int year = date.left(4).toInt();
    int quarter = date.mid(5, 2).toInt() / 3 - 1;
    quarter -= quarters;
    while (quarter < 0) {
        quarter += 4;
        --year;
    }
    return QStringLiteral("%1-%2").arg(year).arg(QLatin1StringView(ends[quarter]));
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Writes a fictional CSV export of holder tables."_s);
    parser.addHelpOption();
    parser.addOptions({{u"layout"_s, u"stock, market or api."_s, u"L"_s, u"stock"_s},
                       {u"stocks"_s, u"Number of stocks."_s, u"N"_s, u"1681"_s},
                       {u"rows"_s, u"Holder rows per stock and period."_s, u"R"_s, u"10"_s},
                       {u"periods"_s, u"Report periods per stock."_s, u"P"_s, u"1"_s},
                       {u"seed"_s, u"Random seed."_s, u"S"_s, u"1"_s},
                       {u"encoding"_s, u"utf-8 or gbk."_s, u"E"_s, u"utf-8"_s},
                       {u"bom"_s, u"Start a UTF-8 file with a byte order mark."_s}});
    parser.addPositionalArgument(u"OUTPUT"_s, u"File to write."_s);
    parser.process(app);

    bool ok1 = false, ok2 = false, ok3 = false, ok4 = false;
    const QString layout = parser.value(u"layout"_s);
    const int stocks = parser.value(u"stocks"_s).toInt(&ok1);
    const int rows = parser.value(u"rows"_s).toInt(&ok2);
    const int periods = parser.value(u"periods"_s).toInt(&ok3);
    const quint64 seed = parser.value(u"seed"_s).toULongLong(&ok4);
    const bool gbk = parser.value(u"encoding"_s) == u"gbk"_s;
    if (!ok1 || !ok2 || !ok3 || !ok4 || stocks < 1 || stocks > 29997 || rows < 1 || periods < 1 ||
        (layout != u"stock"_s && layout != u"market"_s && layout != u"api"_s) ||
        parser.positionalArguments().size() != 1) {
        std::fprintf(stderr, "gegu-gen-csv: bad arguments (see --help)\n");
        return 2;
    }

    QSaveFile file(parser.positionalArguments().front());
    if (!file.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "gegu-gen-csv: cannot write %s\n", qPrintable(file.fileName()));
        return 2;
    }
    // GBK through Gegu's own table, the one the data file is written with (Qt's Windows
    // builds have no GBK encoder); the fictional text is all GBK's to hold.
    bool encoded = true;
    const auto encode = [&](const QString& text) {
        if (!gbk)
            return text.toUtf8();
        std::optional<QByteArray> bytes = gegu::encodeGbk(text);
        encoded = encoded && bytes;
        return bytes.value_or(QByteArray());
    };
    QString text;
    const auto line = [&](const QStringList& fields) {
        for (const QString& f : fields)
            text += csvField(f) + u',';
        text.chop(1);
        text += u"\r\n"_s;
        if (text.size() > (1 << 20)) {
            file.write(encode(text));
            text.clear();
        }
    };
    if (!gbk && parser.isSet(u"bom"_s))
        file.write("\xEF\xBB\xBF");

    if (layout == u"stock"_s)
        line({u"股票代码"_s, u"股票简称"_s, u"截止日期"_s, u"名次"_s, u"股东名称"_s, u"股份类型"_s,
              u"持股数"_s, u"占总股本持股比例"_s, u"增减"_s, u"变动比率"_s});
    else if (layout == u"market"_s)
        line({u"股东名称"_s, u"股东类型"_s, u"股票代码"_s, u"股票简称"_s, u"报告期"_s,
              u"期末持股-数量"_s, u"期末持股-数量变化"_s, u"期末持股-持股变动"_s, u"公告日"_s});
    else
        line({u"ts_code"_s, u"ann_date"_s, u"end_date"_s, u"holder_name"_s, u"hold_amount"_s,
              u"hold_ratio"_s, u"hold_float_ratio"_s, u"hold_change"_s, u"holder_type"_s});

    gegu::FictionalMarket market(seed);
    std::set<QString> codes;
    while (int(codes.size()) < stocks)
        codes.insert(market.stockCode());
    for (const QString& code : codes) {
        const QString name = market.stockName();
        const QString latest = market.reportDate();
        for (int p = 0; p < periods; ++p) {
            const QString date = earlierQuarter(latest, p);
            const std::vector<gegu::HolderRow> holders = market.holders(rows);
            for (size_t i = 0; i < holders.size(); ++i) {
                const gegu::HolderRow& h = holders[i];
                const QString change = changeInShares(h.change);
                if (layout == u"stock"_s) {
                    line({code, name, date, QString::number(i + 1), h.name, h.type,
                          shares(h.shares), QString::number(h.percent, 'f', 2),
                          change.isEmpty() ? h.change : change, QString()});
                } else if (layout == u"market"_s) {
                    const QString words = change.isEmpty()          ? h.change
                                          : change == u"0"_s        ? u"不变"_s
                                          : change.startsWith(u'-') ? u"减少"_s
                                                                    : u"增加"_s;
                    line({h.name, h.name.endsWith(u"基金"_s) ? u"基金"_s : u"其他"_s, code, name,
                          date, shares(h.shares), change, words, date});
                } else {
                    const QString exchange = code.startsWith(u'6') ? u".SH"_s : u".SZ"_s;
                    line({code + exchange, compactDate(date), compactDate(date), h.name,
                          shares(h.shares), QString::number(h.percent, 'f', 2),
                          QString::number(h.percent * 1.25, 'f', 2), change,
                          h.name.endsWith(u"基金"_s) ? u"基金"_s : u"其他"_s});
                }
            }
        }
    }
    file.write(encode(text));
    if (!encoded || !file.commit()) {
        std::fprintf(stderr, "gegu-gen-csv: cannot write %s\n", qPrintable(file.fileName()));
        return 2;
    }
    return 0;
}
