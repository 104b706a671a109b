#include "portfolio_answer.h"

#include "holdings/holdings_table.h"
#include "queries/portfolio_report.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

struct Text {
    Q_DECLARE_TR_FUNCTIONS(PortfolioAnswer)
};

// A date the data file has reports of, or why it is none.
QString checkDate(const ReportPeriods& periods, ReportDate date, const QString& option) {
    if (periods.hasDate(date))
        return {};
    return Text::tr("%1 %2: the data file has no report of that date (its report dates: %3 to %4, "
                    "%5 dates)")
        .arg(option, reportDateText(date), reportDateText(periods.dates().back()),
             reportDateText(periods.dates().front()), QString::number(periods.dates().size()));
}

// The first row of a holder that cannot be read, at its file and line, and the fix.
QString unreadable(const LoadedHoldings& data, const Portfolio& p) {
    const HoldingsTable& table = data.table();
    const qsizetype line = p.unreadableRows.front();
    const qsizetype r = table.recordOfLine(line);
    QString text = displayName(data.path()) + u':' + QString::number(line + 1) + u": "_s;
    if (data.reportPeriods().record(r).date == 0)
        text += Text::tr("a row of %1 in a table whose header (line %2) names no report date "
                         "(yyyy-mm-dd): a portfolio needs every table's date")
                    .arg(p.holder, QString::number(table.firstLine(r) + 1));
    else
        text +=
            Text::tr("a row of %1 whose cells cannot be read (the name, then the shares in 万股, "
                     "the ratio, the share type and the change, between bars │)")
                .arg(p.holder);
    if (p.unreadableRows.size() > 1)
        text += Text::tr(", and %1 more such rows").arg(p.unreadableRows.size() - 1);
    return text + Text::tr("; build the data file again with gegu-import");
}

} // namespace

bool PortfolioAnswer::found() const {
    return std::any_of(portfolios.begin(), portfolios.end(),
                       [](const Portfolio& p) { return p.holdsAnything(); });
}

PortfolioAnswer answerPortfolios(const LoadedHoldings& data, const QStringList& holders,
                                 ReportDate date, ReportDate since) {
    PortfolioAnswer answer;
    const ReportPeriods& periods = data.reportPeriods();
    if (periods.dates().empty()) {
        answer.error = Text::tr("the data file's headers name no report date (yyyy-mm-dd): "
                                "portfolios need a data file of report periods, as gegu-import "
                                "--history writes");
        return answer;
    }
    if (date != 0)
        answer.error = checkDate(periods, date, u"--date"_s);
    else
        date = periods.dates().front();
    if (answer.error.isEmpty() && since != 0) {
        answer.error = checkDate(periods, since, u"--since"_s);
        if (answer.error.isEmpty() && since >= date)
            answer.error = Text::tr("--since %1 is not before the report date %2")
                               .arg(reportDateText(since), reportDateText(date));
    }
    if (!answer.error.isEmpty())
        return answer;
    PortfolioSource source = data.portfolioSource();
    // Reading every row's name cell costs about a fifth of making the index of written names,
    // which then finds each holder's rows at once: it pays for itself from six holders on.
    constexpr qsizetype indexedFrom = 6;
    if (!source.names && holders.size() >= indexedFrom)
        source.names = std::make_shared<const WrittenNameIndex>(data.table());
    for (const QString& holder : holders) {
        answer.portfolios.push_back(portfolio(source, holder, date, since));
        if (!answer.portfolios.back().unreadableRows.empty()) {
            answer.error = unreadable(data, answer.portfolios.back());
            answer.portfolios.clear();
            return answer;
        }
    }
    return answer;
}

void writePortfolios(const PortfolioAnswer& answer, bool tsv, ReportSink& out) {
    if (answer.portfolios.empty())
        return;
    if (tsv)
        writePortfolioTsvHeader(answer.portfolios.front().since != 0, out);
    for (const Portfolio& p : answer.portfolios) {
        if (tsv)
            writePortfolioTsv(p, out);
        else
            writePortfolioReport(p, out);
    }
}

} // namespace gegu
