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
            return {{}, argumentText(option) + u" goes with --portfolio (see --help)"_s};
        const std::optional<ReportDate> value = parseReportDate(text);
        if (!value)
            return {{}, argumentText(option) + u": not a date (yyyy-mm-dd): "_s + text};
        *date = *value;
    }
    if (parsed.portfolio) {
        if (parsed.allPeriods)
            return {{}, u"--all-periods does not go with --portfolio"_s};
        if (parsed.date != 0 && parsed.since >= parsed.date)
            return {{}, u"--since must be before --date"_s};
        QString error;
        holderNames(parsed.queries, error);
        if (!error.isEmpty())
            return {{}, error};
        if (parsed.queries.isEmpty() && !parsed.fromStdin)
            return {{}, u"--portfolio expects a holder's NAME or --stdin (see --help)"_s};
    }
    if (parsed.queries.isEmpty() && !parsed.fromStdin && !parsed.info)
        return {{}, u"expected a QUERY, --stdin or --info (see --help)"_s};
    return {parsed, {}};
}

QStringList holderNames(const QStringList& queries, QString& error) {
    QStringList names;
    for (const QString& query : queries) {
        names << query.trimmed();
        if (names.back().isEmpty()) {
            error = u"a holder's name is empty"_s;
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
       gegu-query --portfolio [--date DATE] [--since DATE] [options] [--] NAME...
Looks up the major shareholders of listed Chinese stocks in Gegu's data file.
A stock code (0 < code < 1000000) prints that stock's holder table; any other text
lists every holder row whose name contains it. Several queries are answered one
after the other from one load of the data file. With --portfolio, each NAME is a
holder's, and its portfolio across every stock is printed.

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
  --portfolio    Every QUERY (and line of --stdin) is a holder's name as the
                 data file writes it, blanks around it trimmed, matched
                 exactly: print the holder's portfolio at a report date, a row
                 a share type in each stock's 十大股东 or 十大流通股东 table
                 with a report of that date, and a summary (stocks held, 万股
                 by table). A stock without a report of that date is listed
                 apart with its latest earlier one (无该期报告), outside the
                 totals.
  --date DATE    With --portfolio: the report date (yyyy-mm-dd or yyyymmdd);
                 default the data file's newest.
  --since DATE   With --portfolio: compare with an earlier report date, per
                 stock and table: 新进, 退出 (out of the top holders; it may
                 still hold shares below them), 增持 or 减持 (the difference
                 in 万股 and in ratio points), 不变, or 无可比报告 where the
                 stock lacks a report of either date.
  --lf           End lines with LF instead of CR LF.
  --tsv          Print one line per holder row shown, tab-separated and
                 LF-ended, under a header line: query, code, stock, date,
                 holder, shares (in 10,000 shares), ratio (%), type (of
                 share), change and table (十大股东 or 十大流通股东), from
                 the stock's header line and the row's cells. A row whose
                 cells cannot be read has its text as the holder and the other
                 cells empty. Tabs and line breaks inside a field become
                 blanks. With --portfolio, one line a holding:
                 holder, code, stock, table, date, shares, ratio, type,
                 change, rank and status (持有, 无该期报告); with --since the
                 status compares (新进 ... 无可比报告) and since_shares,
                 since_ratio, shares_change and ratio_change follow.
  -h, --help     Show this help and exit.
  -v, --version  Show the version and exit.

Arguments:
  QUERY          Text as typed into the query box; put -- before a query that
                 starts with '-'.

Output: the text of Gegu's output box, as UTF-8 with CR LF line ends, the
reports of several queries one after the other.
Exit status: 0 when any query found something (or --info alone printed; with
--portfolio, when any holder holds anything at the date), 1 when none did, 2 on
a data file, argument, input or output error (also a date the data file has no
report of, or a row of the holder that cannot be read, named by file and line:
no portfolio is printed then). A reader
that closes the pipe early (| head) ends gegu-query quietly, as it ends grep:
by SIGPIPE.
)"_s;
}

} // namespace gegu
