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
    const CommandLine line = parseCommandLine(args, {{{"--data"}, true},
                                                     {{"--stdin"}, false},
                                                     {{"--lf"}, false},
                                                     {{"--tsv"}, false},
                                                     {{"--all-periods"}, false},
                                                     {{"--info"}, false},
                                                     {{"-h", "--help"}, false},
                                                     {{"-v", "--version"}, false}});
    if (!line.error.isEmpty())
        return {{}, line.error};
    QueryArguments parsed;
    if (line.has("--help"))
        parsed.action = QueryArguments::Action::Help;
    else if (line.has("--version"))
        parsed.action = QueryArguments::Action::Version;
    if (line.values.count("--data"))
        parsed.dataFile = pathArgument(line.values.at("--data"));
    parsed.fromStdin = line.has("--stdin");
    parsed.lf = line.has("--lf");
    parsed.tsv = line.has("--tsv");
    parsed.allPeriods = line.has("--all-periods");
    parsed.info = line.has("--info");
    for (const QByteArray& query : line.positional)
        parsed.queries << argumentText(query);
    if (parsed.action == QueryArguments::Action::Query && parsed.queries.isEmpty() &&
        !parsed.fromStdin && !parsed.info)
        return {{}, u"expected a QUERY, --stdin or --info (see --help)"_s};
    return {parsed, {}};
}

QStringList queriesFromLines(QByteArrayView text, QString& error) {
    QStringList queries;
    qint64 number = 0;
    for (qsizetype at = 0; at < text.size();) {
        qsizetype end = text.indexOf('\n', at);
        if (end < 0)
            end = text.size();
        QByteArrayView line = text.sliced(at, end - at);
        at = end + 1;
        ++number;
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isValidUtf8()) {
            error = u"standard input, line "_s + QString::number(number) + u": not UTF-8"_s;
            return {};
        }
        if (!line.trimmed().isEmpty())
            queries << QString::fromUtf8(line);
    }
    return queries;
}

namespace {

// The rest of --data's help: the user's and the system's data folders.
QString dataFoldersHelp() {
#if defined(Q_OS_WIN)
    return uR"(                 folder (%APPDATA%\gegu\) or in the system's
                 (%PROGRAMDATA%\gegu\).)"_s;
#else
    return uR"(                 folder (~/.local/share/gegu/) or in the system's
                 (/usr/local/share/gegu/, /usr/share/gegu/); XDG_DATA_HOME and
                 XDG_DATA_DIRS are honoured.)"_s;
#endif
}

} // namespace

QString queryHelpText() {
    return uR"(Usage: gegu-query [options] [--] QUERY...
Looks up the major shareholders of listed Chinese stocks in Gegu's data file.
A stock code (0 < code < 1000000) prints that stock's holder table; any other text
lists every holder row whose name contains it. Several queries are answered one
after the other from one load of the data file.

Options:
  --data FILE    Data file to read. Default: the first gegusj.rar found in the
                 current directory, beside the program, in the user's data
)"_s + dataFoldersHelp() +
           uR"(
  --stdin        Read queries from standard input too, one a line (UTF-8),
                 after those given as arguments; blank lines are skipped.
  --all-periods  A stock code prints every period of the stock that the data
                 file holds, newest first, each as its own holder table.
  --info         Print what the data file holds, one "key: value" a line
                 (path, size, records, stocks, rows, dates, oldest date,
                 newest date, sample), before any QUERY's report.
  --lf           End lines with LF instead of CR LF.
  --tsv          Print one line per holder row shown, tab-separated and
                 LF-ended, under a header line: query, code, stock, date,
                 holder, shares (in 10,000 shares), ratio (%), type (of
                 share), change and table (十大股东 or 十大流通股东), from
                 the stock's header line and the row's cells. A row whose
                 cells cannot be read has its text as the holder and the other
                 cells empty. Tabs and line breaks inside a field become
                 blanks.
  -h, --help     Show this help and exit.
  -v, --version  Show the version and exit.

Arguments:
  QUERY          Text as typed into the query box; put -- before a query that
                 starts with '-'.

Output: the text of Gegu's output box, as UTF-8 with CR LF line ends, the
reports of several queries one after the other.
Exit status: 0 when any query found something (or --info alone printed), 1
when none did, 2 on a data file, argument, input or output error. A reader
that closes the pipe early (| head) ends gegu-query quietly, as it ends grep:
by SIGPIPE.
)"_s;
}

} // namespace gegu
