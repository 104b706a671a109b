#pragma once

// gegu-query --portfolio: the holders' portfolios from a loaded data file, checked before a
// word is written, then printed as the framed report or as TSV.

#include "queries/loaded_holdings.h"
#include "queries/portfolio.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace gegu {

struct PortfolioAnswer {
    std::vector<Portfolio> portfolios;
    // What stands in the way, one line for standard error: a date the data file has no report
    // of, or a row of a holder that cannot be read with certainty (its file and line, and the
    // fix); empty when the portfolios can be shown.
    QString error;

    // Whether any holder holds anything at the date (the exit status 0).
    bool found() const;
};

// The portfolio of each holder (by written name) at `date` (0: the data file's newest report
// date), compared with `since` where it is not 0.
PortfolioAnswer answerPortfolios(const LoadedHoldings& data, const QStringList& holders,
                                 ReportDate date, ReportDate since);

// The portfolios one after the other: framed reports, or TSV lines under one header line.
void writePortfolios(const PortfolioAnswer& answer, bool tsv, ReportSink& out);

} // namespace gegu
