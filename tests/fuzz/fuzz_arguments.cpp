// Fuzzes gegu-query's command line: the input is the arguments, separated by NUL bytes.

#include "app/query_arguments.h"

#include <cstdint>
#include <cstdlib>

using namespace gegu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<QByteArray> args;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const QByteArray& arg : bytes.split('\0'))
        args.push_back(arg);
    const ParsedQueryArguments parsed = parseQueryArguments(args);
    // Either arguments or a reason, never both or neither.
    if (parsed.arguments.has_value() == !parsed.error.isEmpty())
        std::abort();
    // Something to answer: one query at least, standard input's, or what the data file holds.
    if (parsed.arguments && parsed.arguments->action == QueryArguments::Action::Query &&
        parsed.arguments->queries.isEmpty() && !parsed.arguments->fromStdin &&
        !parsed.arguments->info)
        std::abort();
    // Standard input's queries: blank lines never make one, and a line that is not UTF-8 is an
    // error naming it.
    QString error;
    const QStringList lines = queriesFromLines(bytes, error);
    for (const QString& query : lines) {
        if (query.trimmed().isEmpty() || query.contains(u'\n'))
            std::abort();
    }
    if (!error.isEmpty() && (!lines.isEmpty() || !error.startsWith(u"standard input, line ")))
        std::abort();
    // Portfolios: dates only with --portfolio, each a day of the calendar, the comparison
    // before the date; every holder's name something once trimmed; never with --all-periods.
    if (parsed.arguments && parsed.arguments->action == QueryArguments::Action::Query) {
        const QueryArguments& a = *parsed.arguments;
        if ((a.date != 0 || a.since != 0) && !a.portfolio)
            std::abort();
        for (const ReportDate date : {a.date, a.since}) {
            if (date != 0 && parseReportDate(reportDateText(date)) != date)
                std::abort();
        }
        if (a.date != 0 && a.since >= a.date)
            std::abort();
        if (a.portfolio && a.allPeriods)
            std::abort();
        QString nameError;
        const QStringList names = a.portfolio ? holderNames(a.queries, nameError) : QStringList();
        if (!nameError.isEmpty() || names.contains(QString()))
            std::abort();
    }
    // Every query comes from an argument, after "--" or not starting with '-'.
    if (parsed.arguments && parsed.arguments->queries.size() > qsizetype(args.size()))
        std::abort();
    return 0;
}
