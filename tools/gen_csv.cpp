// gegu-gen-csv: writes a fictional export of top-ten-holder tables, in the layout of one of the
// common exports, for gegu-import's tests, benchmarks and fuzz seeds.
//
//   gegu-gen-csv [--layout stock|market|api|broker|spreadsheet|unicode] [--stocks N] [--rows R]
//                [--periods P] [--seed S] [--encoding utf-8|gbk] [--bom] [--real-names]
//                OUTPUT
//
// Layouts (columns as the common data libraries, terminals and spreadsheets name them):
//   stock        per stock and report date, with the stock's code, name and date added in
//                front: 股票代码, 股票简称, 截止日期, 名次, 股东名称, 股份类型, 持股数,
//                占总股本持股比例, 增减, 变动比率
//   market       a data library's market-wide table per report date: 股东名称, 股东类型,
//                股票代码, 股票简称, 报告期, 期末持股-数量, 期末持股-数量变化,
//                期末持股-持股变动, 公告日
//   api          field names of an API: ts_code, ann_date, end_date, holder_name, hold_amount,
//                hold_ratio, hold_float_ratio, hold_change, holder_type
//   broker       a broker terminal's per-stock export, one after the other as `cat` joins
//                them: a title line (招商银行(600036) 十大股东 截止日期：... 公告日期：...), then
//                名次, 股东名称, 持股数量(股), 占总股本比例(%), 增减(股), 股份类型, the rows, a
//                blank line and 数据来源：...
//   spreadsheet  a spreadsheet saved as "CSV UTF-8" (with a byte order mark): 股票代码,
//                股票简称, 截止日期, 股东名称, 持股数量（万股）, 持股比例, 增减(股), 股份类型,
//                numbers as shown (12,345.68; 5.12%)
//   unicode      the same saved as "Unicode text": UTF-16 LE with a byte order mark,
//                tab-separated
// Shares are in shares (股) unless the header says otherwise. Every stock has P report periods,
// a quarter apart. No holder stands twice in a table. With --real-names about one holder in
// four bears a name of tools/top_holders.h.

#include "fictional.h"
#include "holdings/gbk.h"
#include "top_holders.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLocale>
#include <QSaveFile>
#include <QStringEncoder>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

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

// The report date `quarters` quarters before the given one (after it, when negative).
QString earlierQuarter(const QString& date, int quarters) {
    static const char* ends[] = {"03-31", "06-30", "09-30", "12-31"};
    int year = date.left(4).toInt();
    int quarter = date.mid(5, 2).toInt() / 3 - 1;
    quarter -= quarters;
    while (quarter < 0) {
        quarter += 4;
        --year;
    }
    while (quarter > 3) {
        quarter -= 4;
        ++year;
    }
    return QStringLiteral("%1-%2").arg(year).arg(QLatin1StringView(ends[quarter]));
}

// A number as a spreadsheet shows it: thousands separated, with the given decimals.
QString shown(double value, int decimals) {
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    return english.toString(value, 'f', decimals);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Writes a fictional CSV export of holder tables."_s);
    parser.addHelpOption();
    parser.addOptions(
        {{u"layout"_s, u"stock, market, api, broker, spreadsheet or unicode."_s, u"L"_s,
          u"stock"_s},
         {u"stocks"_s, u"Number of stocks."_s, u"N"_s, u"1681"_s},
         {u"rows"_s, u"Holder rows per stock and period (at most 1000)."_s, u"R"_s, u"10"_s},
         {u"periods"_s, u"Report periods per stock."_s, u"P"_s, u"1"_s},
         {u"seed"_s, u"Random seed."_s, u"S"_s, u"1"_s},
         {u"encoding"_s, u"utf-8 or gbk (not for unicode)."_s, u"E"_s, u"utf-8"_s},
         {u"bom"_s, u"Start a UTF-8 file with a byte order mark."_s},
         {u"real-names"_s, u"Give some holders real institutions' names."_s}});
    parser.addPositionalArgument(u"OUTPUT"_s, u"File to write."_s);
    parser.process(app);

    bool ok1 = false, ok2 = false, ok3 = false, ok4 = false;
    const QString layout = parser.value(u"layout"_s);
    const int stocks = parser.value(u"stocks"_s).toInt(&ok1);
    const int rows = parser.value(u"rows"_s).toInt(&ok2);
    const int periods = parser.value(u"periods"_s).toInt(&ok3);
    const quint64 seed = parser.value(u"seed"_s).toULongLong(&ok4);
    const bool gbk = parser.value(u"encoding"_s) == u"gbk"_s;
    const QStringList layouts{u"stock"_s,  u"market"_s,      u"api"_s,
                              u"broker"_s, u"spreadsheet"_s, u"unicode"_s};
    if (!ok1 || !ok2 || !ok3 || !ok4 || stocks < 1 || stocks > 29997 || rows < 1 || rows > 1000 ||
        periods < 1 || !layouts.contains(layout) || (gbk && layout == u"unicode"_s) ||
        parser.positionalArguments().size() != 1) {
        std::fprintf(stderr, "gegu-gen-csv: bad arguments (see --help)\n");
        return 2;
    }

    QSaveFile file(parser.positionalArguments().front());
    if (!file.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "gegu-gen-csv: cannot write %s\n", qPrintable(file.fileName()));
        return 2;
    }
    const bool utf16 = layout == u"unicode"_s;
    const QChar separator = utf16 ? u'\t' : u',';
    // GBK through Gegu's own table, the one the data file is written with (Qt's Windows
    // builds have no GBK encoder); the fictional text is all GBK's to hold.
    QStringEncoder encoder(utf16 ? QStringEncoder::Utf16LE : QStringEncoder::Utf8);
    bool encoded = true;
    const auto encode = [&](const QString& text) -> QByteArray {
        if (!gbk)
            return encoder.encode(text);
        std::optional<QByteArray> bytes = gegu::encodeGbk(text);
        encoded = encoded && bytes;
        return bytes.value_or(QByteArray());
    };
    QString text;
    const auto flush = [&] {
        file.write(encode(text));
        text.clear();
    };
    // A field as CSV writes it: quoted when it holds the separator, a quote or a line break.
    const auto field = [&](const QString& f) {
        if (!f.contains(separator) && !f.contains(u'"') && !f.contains(u'\n') && !f.contains(u'\r'))
            return f;
        return u'"' + QString(f).replace(u"\""_s, u"\"\""_s) + u'"';
    };
    const auto line = [&](const QStringList& fields) {
        for (const QString& f : fields)
            text += field(f) + separator;
        if (!fields.isEmpty())
            text.chop(1);
        text += u"\r\n"_s;
        if (text.size() > (1 << 20))
            flush();
    };
    if (utf16)
        file.write("\xFF\xFE");
    else if (!gbk && (parser.isSet(u"bom"_s) || layout == u"spreadsheet"_s))
        file.write("\xEF\xBB\xBF");

    const QStringList sheetHeader{u"股票代码"_s, u"股票简称"_s,         u"截止日期"_s,
                                  u"股东名称"_s, u"持股数量（万股）"_s, u"持股比例"_s,
                                  u"增减(股)"_s, u"股份类型"_s};
    if (layout == u"stock"_s)
        line({u"股票代码"_s, u"股票简称"_s, u"截止日期"_s, u"名次"_s, u"股东名称"_s, u"股份类型"_s,
              u"持股数"_s, u"占总股本持股比例"_s, u"增减"_s, u"变动比率"_s});
    else if (layout == u"market"_s)
        line({u"股东名称"_s, u"股东类型"_s, u"股票代码"_s, u"股票简称"_s, u"报告期"_s,
              u"期末持股-数量"_s, u"期末持股-数量变化"_s, u"期末持股-持股变动"_s, u"公告日"_s});
    else if (layout == u"api"_s)
        line({u"ts_code"_s, u"ann_date"_s, u"end_date"_s, u"holder_name"_s, u"hold_amount"_s,
              u"hold_ratio"_s, u"hold_float_ratio"_s, u"hold_change"_s, u"holder_type"_s});
    else if (layout != u"broker"_s)
        line(sheetHeader);

    gegu::FictionalMarket market(seed);
    std::set<QString> codes;
    while (int(codes.size()) < stocks)
        codes.insert(market.stockCode());
    for (const QString& code : codes) {
        const QString name = market.stockName();
        const QString latest = market.reportDate();
        for (int p = 0; p < periods; ++p) {
            const QString date = earlierQuarter(latest, p);
            std::vector<gegu::HolderRow> holders = market.holders(rows, true);
            if (parser.isSet(u"real-names"_s)) {
                std::set<QString> used;
                for (const gegu::HolderRow& h : holders)
                    used.insert(h.name);
                for (gegu::HolderRow& h : holders) {
                    const QString real = QString::fromUtf16(
                        gegu::topHolders[market.pick(std::size(gegu::topHolders))].name);
                    if (market.pick(4) == 0 && used.insert(real).second)
                        h.name = real;
                }
            }
            if (layout == u"broker"_s) {
                line({name + u'(' + code + u") 十大股东 截止日期："_s + date + u" 公告日期："_s +
                      earlierQuarter(date, -1)});
                line({u"名次"_s, u"股东名称"_s, u"持股数量(股)"_s, u"占总股本比例(%)"_s,
                      u"增减(股)"_s, u"股份类型"_s});
            }
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
                } else if (layout == u"api"_s) {
                    const QString exchange = code.startsWith(u'6') ? u".SH"_s : u".SZ"_s;
                    line({code + exchange, compactDate(date), compactDate(date), h.name,
                          shares(h.shares), QString::number(h.percent, 'f', 2),
                          QString::number(h.percent * 1.25, 'f', 2), change,
                          h.name.endsWith(u"基金"_s) ? u"基金"_s : u"其他"_s});
                } else if (layout == u"broker"_s) {
                    line({QString::number(i + 1), h.name, shares(h.shares),
                          QString::number(h.percent, 'f', 2), change.isEmpty() ? h.change : change,
                          h.type});
                } else {
                    line({code, name, date, h.name, shown(h.shares, 2), shown(h.percent, 2) + u'%',
                          change.isEmpty() ? h.change : shown(change.toDouble(), 0), h.type});
                }
            }
            if (layout == u"broker"_s) {
                line({});
                line({u"数据来源：示例数据"_s});
            }
        }
    }
    flush();
    if (!encoded || encoder.hasError() || !file.commit()) {
        std::fprintf(stderr, "gegu-gen-csv: cannot write %s\n", qPrintable(file.fileName()));
        return 2;
    }
    return 0;
}
