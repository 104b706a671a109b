#include "query_arguments.h"

#include "command_line.h"

using namespace Qt::StringLiterals;

namespace gegu {

NativePath pathArgument(const QByteArray& bytes) {
#if defined(Q_OS_WIN)
    return nativePath(QString::fromUtf8(bytes));
#else
    return NativePath(bytes.toStdString());
#endif
}

ParsedQueryArguments parseQueryArguments(const std::vector<QByteArray>& args) {
    const CommandLine line = parseCommandLine(
        args, {{{"--data"}, true}, {{"-h", "--help"}, false}, {{"-v", "--version"}, false}});
    if (!line.error.isEmpty())
        return {{}, line.error};
    QueryArguments parsed;
    if (line.has("--help"))
        parsed.action = QueryArguments::Action::Help;
    else if (line.has("--version"))
        parsed.action = QueryArguments::Action::Version;
    if (line.values.count("--data"))
        parsed.dataFile = pathArgument(line.values.at("--data"));
    for (const QByteArray& query : line.positional)
        parsed.queries << QString::fromLocal8Bit(query);
    if (parsed.action == QueryArguments::Action::Query && parsed.queries.size() != 1)
        return {{}, u"expected exactly one QUERY (see --help)"_s};
    return {parsed, {}};
}

QString queryHelpText() {
    return uR"(Usage: gegu-query [--data FILE] [--] QUERY
Looks up the major shareholders of listed Chinese stocks in Gegu's data file.
A stock code (0 < code < 1000000) prints that stock's holder table; any other text
lists every holder row whose name contains it.

Options:
  --data FILE    Data file to read (default: gegusj.rar in the current directory,
                 else beside the program).
  -h, --help     Show this help and exit.
  -v, --version  Show the version and exit.

Arguments:
  QUERY          Text as typed into the query box; put -- before a query that
                 starts with '-'.

Output: the text of Gegu's output box, as UTF-8 with CR LF line ends.
Exit status: 0 found, 1 nothing found, 2 data file or argument error.
)"_s;
}

} // namespace gegu
