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
                                                     {{"--portfolio"}, false},
                                                     {{"--date"}, true},
                                                     {{"--since"}, true},
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
    parsed.portfolio = line.has("--portfolio");
    if (parsed.action != QueryArguments::Action::Query)
        return {parsed, {}};
    for (const auto& [option, date] :
         {std::pair{QByteArray("--date"), &parsed.date}, {QByteArray("--since"), &parsed.since}}) {
        if (!line.values.count(option))
            continue;
        const QString text = argumentText(line.values.at(option));
        if (!parsed.portfolio)
            return {{},
                    Text::tr("%1 goes with --portfolio (see --help)").arg(argumentText(option))};
        const std::optional<ReportDate> value = parseReportDate(text);
        if (!value)
            return {{},
                    Text::tr("%1: not a date (yyyy-mm-dd): %2").arg(argumentText(option), text)};
        *date = *value;
    }
    if (parsed.portfolio) {
        if (parsed.allPeriods)
            return {{}, Text::tr("--all-periods does not go with --portfolio")};
        if (parsed.date != 0 && parsed.since >= parsed.date)
            return {{}, Text::tr("--since must be before --date")};
        QString error;
        holderNames(parsed.queries, error);
        if (!error.isEmpty())
            return {{}, error};
        if (parsed.queries.isEmpty() && !parsed.fromStdin)
            return {{}, Text::tr("--portfolio expects a holder's NAME or --stdin (see --help)")};
    }
    if (parsed.queries.isEmpty() && !parsed.fromStdin && !parsed.info)
        return {{}, Text::tr("expected a QUERY, --stdin or --info (see --help)")};
    return {parsed, {}};
}

QStringList holderNames(const QStringList& queries, QString& error) {
    QStringList names;
    for (const QString& query : queries) {
        names << query.trimmed();
        if (names.back().isEmpty()) {
            error = Text::tr("a holder's name is empty");
            return {};
        }
    }
    return names;
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
    return Text::tr(
               "Usage: gegu-query [options] [--] QUERY...\n"
               "       gegu-query --portfolio [--date DATE] [--since DATE] [options] [--] NAME...\n"
               "Looks up the major shareholders of listed Chinese stocks in Gegu's data file.\n"
               "A stock code (0 < code < 1000000) prints that stock's holder table; any other "
               "text\n"
               "lists every holder row whose name contains it. Several queries are answered one\n"
               "after the other from one load of the data file. With --portfolio, each NAME is a\n"
               "holder's, and its portfolio across every stock is printed.\n"
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
               "  --portfolio    Every QUERY (and line of --stdin) is a holder's name as the\n"
               "                 data file writes it, blanks around it trimmed, matched\n"
               "                 exactly: print the holder's portfolio at a report date, a row\n"
               "                 a share type in each stock's 十大股东 or 十大流通股东 table\n"
               "                 with a report of that date, and a summary (stocks held, 万股\n"
               "                 by table). A stock without a report of that date is listed\n"
               "                 apart with its latest earlier one (无该期报告), outside the\n"
               "                 totals.\n"
               "  --date DATE    With --portfolio: the report date (yyyy-mm-dd or yyyymmdd);\n"
               "                 default the data file's newest.\n"
               "  --since DATE   With --portfolio: compare with an earlier report date, per\n"
               "                 stock and table: 新进, 退出 (out of the top holders; it may\n"
               "                 still hold shares below them), 增持 or 减持 (the difference\n"
               "                 in 万股 and in ratio points), 不变, or 无可比报告 where the\n"
               "                 stock lacks a report of either date.\n"
               "  --lf           End lines with LF instead of CR LF.\n"
               "  --tsv          Print one line per holder row shown, tab-separated and\n"
               "                 LF-ended, under a header line: query, code, stock, date,\n"
               "                 holder, shares (in 10,000 shares), ratio (%), type (of\n"
               "                 share), change and table (十大股东 or 十大流通股东), from\n"
               "                 the stock's header line and the row's cells. A row whose\n"
               "                 cells cannot be read has its text as the holder and the other\n"
               "                 cells empty. Tabs and line breaks inside a field become\n"
               "                 blanks. With --portfolio, one line a holding:\n"
               "                 holder, code, stock, table, date, shares, ratio, type,\n"
               "                 change, rank and status (持有, 无该期报告); with --since the\n"
               "                 status compares (新进 ... 无可比报告) and since_shares,\n"
               "                 since_ratio, shares_change and ratio_change follow.\n"
               "  -h, --help     Show this help and exit.\n"
               "  -v, --version  Show the version and exit.\n"
               "\n"
               "Arguments:\n"
               "  QUERY          Text as typed into the query box; put -- before a query that\n"
               "                 starts with '-'.\n"
               "\n"
               "Output: the text of Gegu's output box, as UTF-8 with CR LF line ends, the\n"
               "reports of several queries one after the other.\n"
               "Exit status: 0 when any query found something (or --info alone printed; with\n"
               "--portfolio, when any holder holds anything at the date), 1 when none did, 2 on\n"
               "a data file, argument, input or output error (also a date the data file has no\n"
               "report of, or a row of the holder that cannot be read, named by file and line:\n"
               "no portfolio is printed then). A reader that closes the pipe early (| head)\n"
               "ends gegu-query quietly, as it ends grep: by SIGPIPE.\n")
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
