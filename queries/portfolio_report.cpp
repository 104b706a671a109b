#include "portfolio_report.h"

#include "holdings/data_file_writer.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

// The report's own words, kept together.
struct Words {
    static QString heading(const Portfolio& p) {
        QString text = u"股东"_s + p.holder + u"的持仓（报告期 "_s + reportDateText(p.date);
        if (p.since != 0)
            text += u"，与 "_s + reportDateText(p.since) + u" 比较"_s;
        return text + u"）："_s;
    }
    static QStringList titles(bool compared, bool withDate) {
        QStringList t{u"代码"_s, u"股票"_s, u"表"_s};
        if (withDate)
            t << u"报告期"_s;
        t << u"持股数(万股)"_s << u"占比(%)"_s << u"股份性质"_s << u"增减"_s << u"名次"_s;
        if (compared)
            t << u"状态"_s << u"比较期持股(万股)"_s << u"持股变化(万股)"_s << u"占比变化"_s;
        return t;
    }
    static QString held(const PortfolioSummary& s) {
        return u"持有 %1 只股票：十大股东 %2 只，%3 万股；十大流通股东 %4 只，%5 万股。"_s
            .arg(s.stocks)
            .arg(s.holders.stocks)
            .arg(portfolioNumber(s.holders.shares))
            .arg(s.floatHolders.stocks)
            .arg(portfolioNumber(s.floatHolders.shares));
    }
    static QString changes(const Portfolio& p) {
        const PortfolioSummary& s = p.summary;
        return u"与 %1 相比（按股票的每张表计）：新进 %2，退出 %3，增持 %4，减持 %5，不变 %6，"
               u"无可比报告 %7。"_s.arg(reportDateText(p.since))
                   .arg(s.newCount)
                   .arg(s.exitedCount)
                   .arg(s.increasedCount)
                   .arg(s.decreasedCount)
                   .arg(s.unchangedCount)
                   .arg(s.notComparableCount);
    }
    static QString exited() {
        return u"退出：该期已不在前十名之列；它可能仍持有前十名以外的股份，数据无法显示。"_s;
    }
    static QString stale(qsizetype stocks) {
        return u"无该期报告：另有 %1 只股票没有该期报告，按其最近一期报告列出，不计入合计："_s.arg(
            stocks);
    }
};

QString blanks(qsizetype n) {
    return QString(std::max<qsizetype>(n, 0), u' ');
}

// The cells of a holding's line, in the order of the titles.
QStringList cellsOf(const Holding& h, bool compared, bool withDate) {
    QStringList c{h.codeText, h.stock, h.table().toString()};
    if (withDate)
        c << reportDateText(h.date);
    c << (h.line >= 0 ? h.sharesText : QString()) << (h.line >= 0 ? h.ratioText : QString())
      << h.type << h.change << (h.rank > 0 ? QString::number(h.rank) : QString());
    if (compared)
        c << statusText(h.status) << portfolioNumber(h.sinceShares)
          << portfolioDifference(h.sharesDifference()) << portfolioDifference(h.ratioDifference());
    return c;
}

// Whether a column holds numbers, right-aligned.
bool isNumber(const QString& title) {
    return title.startsWith(u"持股"_s) || title.startsWith(u"占比"_s) || title == u"名次"_s ||
           title.startsWith(u"比较期"_s);
}

// A framed table: the titles, the top frame line, a row a line, the bottom frame line. Every
// column is an even number of half-width columns wide, so that the frame's ─ (two columns each)
// meet the rows' bars.
void appendTable(QStringList& lines, const std::vector<const Holding*>& holdings, bool compared,
                 bool withDate) {
    const QStringList titles = Words::titles(compared, withDate);
    std::vector<QStringList> rows;
    for (const Holding* h : holdings)
        rows.push_back(cellsOf(*h, compared, withDate));
    std::vector<int> widths;
    for (qsizetype c = 0; c < titles.size(); ++c) {
        int w = displayWidth(titles[c]);
        for (const QStringList& row : rows)
            w = std::max(w, displayWidth(row[c]));
        widths.push_back((w + 1) / 2 * 2);
    }
    const auto pad = [&](const QString& text, qsizetype c) {
        const qsizetype room = widths[size_t(c)] - displayWidth(text);
        return isNumber(titles[c]) ? blanks(room) + text : text + blanks(room);
    };
    const auto frame = [&](QChar joint) {
        QString line = u"  "_s;
        for (size_t c = 0; c < widths.size(); ++c) {
            if (c > 0)
                line += joint;
            line += QString(widths[c] / 2, u'─');
        }
        return line;
    };
    QString head = u"  "_s;
    for (qsizetype c = 0; c < titles.size(); ++c)
        head += (c > 0 ? u"  "_s : QString()) + pad(titles[c], c);
    lines << head << frame(u'┬');
    for (const QStringList& row : rows) {
        QString line = u"  "_s;
        for (qsizetype c = 0; c < row.size(); ++c)
            line += (c > 0 ? u"│"_s : QString()) + pad(row[c], c);
        // Blank cells at the end leave no blanks behind.
        while (line.endsWith(u' '))
            line.chop(1);
        lines << line;
    }
    lines << frame(u'┴');
}

// A field of a TSV line: tabs and line breaks become blanks.
QString tsvField(QString text) {
    for (QChar& c : text) {
        if (c == u'\t' || c == u'\r' || c == u'\n')
            c = u' ';
    }
    return text;
}

} // namespace

QString portfolioNumber(std::optional<double> value) {
    return value ? QString::number(*value, 'f', 2) : QString();
}

QString portfolioDifference(std::optional<double> value) {
    if (!value)
        return {};
    const QString text = QString::number(*value, 'f', 2);
    // -0.00 is no change
    if (text == u"-0.00"_s || text == u"0.00"_s)
        return u"0.00"_s;
    return *value > 0 ? u'+' + text : text;
}

QStringList portfolioReportLines(const Portfolio& p) {
    const bool compared = p.since != 0;
    std::vector<const Holding*> current, stale;
    for (const Holding& h : p.holdings)
        (h.stale ? stale : current).push_back(&h);
    QStringList lines{Words::heading(p)};
    if (!current.empty())
        appendTable(lines, current, compared, false);
    lines << u"  "_s + Words::held(p.summary);
    if (compared)
        lines << u"  "_s + Words::changes(p);
    if (compared && p.summary.exitedCount > 0)
        lines << u"  "_s + Words::exited();
    if (!stale.empty()) {
        lines << Words::stale(p.summary.staleStocks);
        appendTable(lines, stale, compared, true);
    }
    return lines;
}

void writePortfolioReport(const Portfolio& portfolio, ReportSink& out) {
    for (const QString& line : portfolioReportLines(portfolio)) {
        out.put(line);
        out.put(u"\r\n");
    }
}

void writePortfolioTsvHeader(bool compared, ReportSink& out) {
    out.put(u"holder\tcode\tstock\ttable\tdate\tshares\tratio\ttype\tchange\trank\tstatus");
    if (compared)
        out.put(u"\tsince_shares\tsince_ratio\tshares_change\tratio_change");
    out.put(u"\n");
}

void writePortfolioTsv(const Portfolio& p, ReportSink& out) {
    const bool compared = p.since != 0;
    for (const Holding& h : p.holdings) {
        QStringList fields{p.holder,
                           h.codeText,
                           h.stock,
                           h.table().toString(),
                           reportDateText(h.date),
                           h.line >= 0 ? h.sharesText : QString(),
                           h.line >= 0 ? h.ratioText : QString(),
                           h.type,
                           h.change,
                           h.rank > 0 ? QString::number(h.rank) : QString(),
                           statusText(h.status)};
        if (compared)
            fields << portfolioNumber(h.sinceShares) << portfolioNumber(h.sinceRatio)
                   << portfolioDifference(h.sharesDifference())
                   << portfolioDifference(h.ratioDifference());
        for (qsizetype i = 0; i < fields.size(); ++i) {
            if (i > 0)
                out.put(u"\t");
            out.put(tsvField(fields[i]));
        }
        out.put(u"\n");
    }
}

} // namespace gegu
