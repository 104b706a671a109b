#pragma once

// The command line of gegu-query, read from the arguments exactly as the system gave them.

#include "holdings/data_file.h"
#include "queries/report_periods.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace gegu {

struct QueryArguments {
    enum class Action { Query, Help, Version };
    Action action = Action::Query;
    std::optional<NativePath> dataFile; // --data FILE; Gegu's own search without it
    QStringList queries;
    bool fromStdin = false;  // --stdin: queries from standard input too, one a line
    bool lf = false;         // --lf: LF line ends instead of CR LF
    bool tsv = false;        // --tsv: one tab-separated line a holder row
    bool allPeriods = false; // --all-periods: every period of a stock, newest first
    bool info = false;       // --info: what the data file holds
    // --portfolio: every QUERY (and line of --stdin) is a holder's written name, its blanks
    // trimmed; each holder's portfolio at --date (default the newest report date), compared
    // with --since where given.
    bool portfolio = false;
    ReportDate date = 0;
    ReportDate since = 0;
};

// The result of reading the command line: the arguments, or what is wrong with them.
struct ParsedQueryArguments {
    std::optional<QueryArguments> arguments;
    QString error;
};

// Reads gegu-query's arguments (without the program's name). Options come before "--"; any
// argument after "--", and any that does not start with '-', is a query; there must be one at
// least, or --stdin. Paths are kept as the system's bytes, queries decoded from the user's
// encoding (UTF-8). --date and --since go with --portfolio alone, --since before --date.
ParsedQueryArguments parseQueryArguments(const std::vector<QByteArray>& args);

// What --help prints.
QString queryHelpText();

// A path given on the command line, as the system gave it.
NativePath pathArgument(const QByteArray& bytes);

// The queries of a text given on standard input: one a line (LF or CR LF), blank lines
// skipped. Sets error, naming the line, when the text is not UTF-8.
QStringList queriesFromLines(QByteArrayView text, QString& error);

// The holders' names that --portfolio takes from the queries: each with its blanks trimmed.
// Sets error when one is empty.
QStringList holderNames(const QStringList& queries, QString& error);

} // namespace gegu
