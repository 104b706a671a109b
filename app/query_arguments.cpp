#include "query_arguments.h"

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

NativePath pathArgument(const QByteArray& bytes) {
#if defined(Q_OS_WIN)
    return nativePath(QString::fromUtf8(bytes));
#else
    return NativePath(bytes.toStdString());
#endif
}

} // namespace

ParsedQueryArguments parseQueryArguments(const std::vector<QByteArray>& args) {
    QueryArguments parsed;
    const auto error = [](const QString& message) {
        return ParsedQueryArguments{{}, message};
    };
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const QByteArray& arg = args[i];
        if (optionsEnded || !arg.startsWith('-') || arg == "-") {
            parsed.queries << QString::fromLocal8Bit(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            parsed.action = QueryArguments::Action::Help;
        } else if (arg == "-v" || arg == "--version") {
            if (parsed.action != QueryArguments::Action::Help)
                parsed.action = QueryArguments::Action::Version;
        } else if (arg == "--data") {
            if (++i == args.size())
                return error(u"--data needs a FILE"_s);
            parsed.dataFile = pathArgument(args[i]);
        } else if (arg.startsWith("--data=")) {
            parsed.dataFile = pathArgument(arg.sliced(7));
        } else {
            return error(u"unknown option "_s + QString::fromLocal8Bit(arg) +
                         u" (put -- before a query that starts with '-')"_s);
        }
    }
    if (parsed.action == QueryArguments::Action::Query && parsed.queries.size() != 1)
        return error(u"expected exactly one QUERY (see --help)"_s);
    return {parsed, {}};
}

QString queryHelpText() {
    return uR"(Usage: gegu-query [--data FILE] [--] QUERY
Looks up the major shareholders of listed Chinese stocks in Gegu's data file.
A stock code (0 < code < 700000) prints that stock's holder table; any other text
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
