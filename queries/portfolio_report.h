#pragma once

// A portfolio as gegu-query prints it: a framed table in the style of the stock-code report,
// or tab-separated lines for scripts.

#include "portfolio.h"
#include "query.h"

#include <QString>
#include <QStringList>

namespace gegu {

// Numbers as the portfolio's tables write them: two decimals; a difference with its sign.
QString portfolioNumber(std::optional<double> value);
QString portfolioDifference(std::optional<double> value);

// The framed report, its lines ended by CR LF: a heading, the column titles, the frame lines
// around a row a line (the lines listed apart under 无该期报告 in a frame of their own), and the
// summary.
void writePortfolioReport(const Portfolio& portfolio, ReportSink& out);
// The report's lines, without their ends.
QStringList portfolioReportLines(const Portfolio& portfolio);

// The TSV header line (LF-ended): holder, code, stock, table, date, shares, ratio, type, change,
// rank, status; with a comparison since_shares, since_ratio, shares_change, ratio_change.
void writePortfolioTsvHeader(bool compared, ReportSink& out);
// A tab-separated, LF-ended line a holding; tabs and line breaks inside a field become blanks.
void writePortfolioTsv(const Portfolio& portfolio, ReportSink& out);

} // namespace gegu
