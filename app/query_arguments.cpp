#include "query_arguments.h"

#include "command_line.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

struct Text {
    Q_DECLARE_TR_FUNCTIONS(QueryCommand)
};

} // namespace

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
        return {{}, Text::tr("expected a QUERY, --stdin or --info (see --help)")};
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
            error = Text::tr("standard input, line %1: not UTF-8").arg(number);
            return {};
        }
        if (!line.trimmed().isEmpty())
            queries << QString::fromUtf8(line);
    }
    return queries;
}

QString queryHelpText() {
    // Options and their values stay as typed; the words around them are translated.
    return Text::
        tr("Usage: gegu-query [options] [--] QUERY...\n"
           "Looks up the major shareholders of listed Chinese stocks in Gegu's data file.\n"
           "A stock code (0 < code < 1000000) prints that stock's holder table; any other text\n"
           "lists every holder row whose name contains it. Several queries are answered one\n"
           "after the other from one load of the data file.\n"
           "\n"
           "Options:\n"
           "  --data FILE    Data file to read. Default: the first gegusj.rar found in the\n"
           "%1\n"
           "  --stdin        Read queries from standard input too, one a line (UTF-8),\n"
           "                 after those given as arguments; blank lines are skipped.\n"
           "  --all-periods  A stock code prints every period of the stock that the data\n"
           "                 file holds, newest first, each as its own holder table.\n"
           "  --info         Print what the data file holds, one \"key: value\" a line\n"
           "                 (path, size, records, stocks, rows, dates, oldest date,\n"
           "                 newest date, sample, looks like a data file), before any\n"
           "                 QUERY's report.\n"
           "  --lf           End lines with LF instead of CR LF.\n"
           "  --tsv          Print one line per holder row shown, tab-separated and\n"
           "                 LF-ended, under a header line: query, code, stock, date,\n"
           "                 holder, shares (in 10,000 shares), ratio (%), type (of\n"
           "                 share), change and table (十大股东 or 十大流通股东), from\n"
           "                 the stock's header line and the row's cells. A row whose\n"
           "                 cells cannot be read has its text as the holder and the other\n"
           "                 cells empty. Tabs and line breaks inside a field become\n"
           "                 blanks.\n"
           "  -h, --help     Show this help and exit.\n"
           "  -v, --version  Show the version and exit.\n"
           "\n"
           "Arguments:\n"
           "  QUERY          Text as typed into the query box; put -- before a query that\n"
           "                 starts with '-'.\n"
           "\n"
           "Output: the text of Gegu's output box, as UTF-8 with CR LF line ends, the\n"
           "reports of several queries one after the other.\n"
           "Exit status: 0 when any query found something (or --info alone printed), 1\n"
           "when none did, 2 on a data file, argument, input or output error. A reader\n"
           "that closes the pipe early (| head) ends gegu-query quietly, as it ends grep:\n"
           "by SIGPIPE.\n")
            .arg(
#if defined(Q_OS_WIN)
                Text::tr("                 current directory, in the user's data folder "
                         "(%APPDATA%\\gegu\\),\n"
                         "                 in the machine's (%PROGRAMDATA%\\gegu\\), beside the "
                         "program,\n"
                         "                 and last the sample that ships with Gegu\n"
                         "                 (sample\\ beside the program).")
#else
                Text::tr("                 current directory, in the user's data folder\n"
                         "                 (~/.local/share/gegu/), in the system's "
                         "(/usr/local/share/gegu/,\n"
                         "                 /usr/share/gegu/), beside the program, and last the "
                         "sample\n"
                         "                 that ships with Gegu (sample/ beside the program and in "
                         "the\n"
                         "                 system's folders); XDG_DATA_HOME and XDG_DATA_DIRS are\n"
                         "                 honoured.")
#endif
            );
}

} // namespace gegu
