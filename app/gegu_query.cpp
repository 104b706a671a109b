// gegu-query: the query button of Gegu, from a terminal and from scripts.
//
//   gegu-query [--data FILE] [--stdin] [--lf] [--tsv] [--] QUERY...
//
// Prints exactly the text that the output box would show (UTF-8, CR LF kept), as it is built,
// so that memory does not grow with the report; several queries one after the other from one
// load. Exit status: 0 when any query shows a stock or a holder row, 1 when none does, 2 when
// the data file cannot be loaded, the arguments are wrong or the output cannot be written.

#include "command_line.h"
#include "common/console.h"
#include "common/translation.h"
#include "holdings/data_file.h"
#include "holdings/holdings_table.h"
#include "holdings/runtime_error.h"
#include "holdings/table_text.h"
#include "holdings/text_rules.h"
#include "portfolio_answer.h"
#include "queries/history.h"
#include "queries/loaded_holdings.h"
#include "queries/query.h"
#include "query_arguments.h"
#include "utf8_writer.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

enum ExitStatus { Found = 0, NotFound = 1, Failure = 2 };

struct Text {
    Q_DECLARE_TR_FUNCTIONS(QueryCommand)
};

int fail(const QString& message) {
    gegu::writeLine(stderr, u"gegu-query: "_s + message);
    return Failure;
}

int printText(const QString& text) {
    if (!gegu::writeStandardOutput(text.toUtf8()))
        return fail(Text::tr("cannot write to standard output"));
    return Found;
}

// A field of a TSV line: tabs and line breaks become blanks.
QString tsvField(QStringView text) {
    QString field = text.toString();
    for (QChar& c : field) {
        if (c == u'\t' || c == u'\r' || c == u'\n')
            c = u' ';
    }
    return field;
}

// The holder rows a report shows, a TSV line each: the query, the stock's code, name and report
// date from its header line, the row's cells, and the table (十大股东 or 十大流通股东) last, so
// that the columns before it keep their numbers.
void writeTsv(const gegu::Report& report, QStringView query, gegu::ReportSink& out) {
    const QString field = tsvField(query);
    const gegu::HoldingsTable& table = report.table();
    qsizetype headerOf = -1;
    gegu::StockHeader stock;
    report.forEachRow([&](qsizetype headerLine, qsizetype rowLine) {
        if (headerOf != headerLine) {
            stock = gegu::readStockHeader(table.line(headerLine));
            headerOf = headerLine;
        }
        const QString row = table.line(rowLine);
        const std::optional<gegu::HolderCells> cells = gegu::readHolderCells(row);
        const QString fields[] = {field,
                                  stock.code,
                                  stock.name,
                                  stock.date,
                                  cells ? cells->name : row.trimmed(),
                                  cells ? cells->sharesText : QString(),
                                  cells ? cells->ratioText : QString(),
                                  cells ? cells->type : QString(),
                                  cells ? cells->change : QString(),
                                  stock.table().toString()};
        for (const QString& f : fields) {
            if (&f != fields)
                out.put(u"\t");
            out.put(tsvField(f));
        }
        out.put(u"\n");
    });
}

// What --info prints: a "key: value" line each.
QString infoText(const gegu::DataInfo& info) {
    const auto line = [](const char* key, const QString& value) {
        return QString::fromLatin1(key) + u": "_s + value + u'\n';
    };
    return line("path", gegu::displayName(std::filesystem::absolute(info.path))) +
           line("size", QString::number(info.size)) +
           line("records", QString::number(info.records)) +
           line("stocks", QString::number(info.stocks)) + line("rows", QString::number(info.rows)) +
           line("dates", QString::number(info.dates)) + line("oldest date", info.oldestDate) +
           line("newest date", info.newestDate) + line("sample", info.sample ? u"yes"_s : u"no"_s) +
           line("looks like a data file", info.recordCount ? u"yes"_s : u"no"_s);
}

int run(const gegu::QueryArguments& args) {
    QStringList queries = args.queries;
    if (args.fromStdin) {
        QString error;
        const std::optional<QByteArray> lines = gegu::readStandardInput(error);
        if (!lines)
            return fail(Text::tr("cannot read standard input: %1").arg(error));
        queries += gegu::queriesFromLines(*lines, error);
        if (!error.isEmpty())
            return fail(error);
    }
    const gegu::NativePath dataFile = args.dataFile ? *args.dataFile : gegu::findDataFile();
    const std::shared_ptr<gegu::LoadedHoldings> data = gegu::LoadedHoldings::load(dataFile);
    // A text that is no data file (a README, a CSV export) loads as one record: said, but
    // answered as the classic program answers.
    if (!data->table().hasRecordCount())
        gegu::writeLine(stderr, u"gegu-query: "_s +
                                    Text::tr("warning: %1:1: no record count; is this a data file?")
                                        .arg(gegu::displayName(dataFile)));
    if (args.portfolio) {
        // Every query is a holder's name; the portfolios are made and checked before a word
        // is written.
        QString error;
        const QStringList holders = gegu::holderNames(queries, error);
        if (!error.isEmpty())
            return fail(error);
        const gegu::PortfolioAnswer answer =
            gegu::answerPortfolios(*data, holders, args.date, args.since);
        if (!answer.error.isEmpty())
            return fail(answer.error);
        gegu::Utf8Writer out([](QByteArrayView bytes) { return gegu::writeUtf8(stdout, bytes); },
                             args.lf);
        if (args.info)
            out.put(infoText(data->info()));
        gegu::writePortfolios(answer, args.tsv, out);
        if (!out.finish())
            return fail(Text::tr("cannot write the report"));
        return answer.found() ? Found : NotFound;
    }
    // An index of the names pays for itself from the second query on.
    if (queries.size() > 1)
        data->indexNow();
    gegu::Utf8Writer out([](QByteArrayView bytes) { return gegu::writeUtf8(stdout, bytes); },
                         args.lf);
    if (args.info)
        out.put(infoText(data->info()));
    if (args.tsv && !queries.isEmpty())
        out.put(u"query\tcode\tstock\tdate\tholder\tshares\tratio\ttype\tchange\ttable\n");
    bool found = args.info && queries.isEmpty();
    for (const QString& query : queries) {
        // With --all-periods a stock code gives every period's table, newest first.
        std::vector<gegu::Report> reports;
        if (const std::optional<double> code = gegu::stockCodeOf(query); code && args.allPeriods) {
            for (const gegu::Period& period : gegu::stockPeriods(data->table(), *code))
                reports.push_back(gegu::codeReport(data->sharedTable(), period.record));
        }
        if (reports.empty())
            reports.push_back(data->query(query));
        for (const gegu::Report& report : reports) {
            found = found || report.found();
            if (args.tsv)
                writeTsv(report, query, out);
            else
                report.writeTo(out);
        }
    }
    if (!out.finish())
        return fail(Text::tr("cannot write the report"));
    return found ? Found : NotFound;
}

} // namespace

int main(int argc, char* argv[]) {
    gegu::useBinaryStandardStreams();
    // Outside the try: the messages of the errors caught are translated by its translator.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"gegu-query"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(GEGU_VERSION));
    // Messages in the user's language; the reports, --tsv and --info never change.
    gegu::useLanguage(gegu::userLanguage());
    try {
        const gegu::ParsedQueryArguments parsed =
            gegu::parseQueryArguments(gegu::programArguments(argc, argv));
        if (!parsed.arguments)
            return fail(parsed.error);
        switch (parsed.arguments->action) {
        case gegu::QueryArguments::Action::Help:
            return printText(gegu::queryHelpText());
        case gegu::QueryArguments::Action::Version:
            return printText(u"gegu-query "_s + QStringLiteral(GEGU_VERSION) + u'\n');
        case gegu::QueryArguments::Action::Query:
            return run(*parsed.arguments);
        }
        return Failure;
    } catch (const gegu::RuntimeError& e) {
        return fail(e.message());
    } catch (const std::bad_alloc&) {
        return fail(gegu::RuntimeError(gegu::ErrorNumber::OutOfMemory).message());
    }
}
