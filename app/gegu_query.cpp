// gegu-query: the query button of Gegu, from a terminal.
//
//   gegu-query [--data FILE] [--] QUERY
//
// Prints exactly the text that the output box would show (UTF-8, CR LF kept). Exit status:
// 0 when a stock or at least one holder row is shown, 1 when nothing is found, 2 when the data
// file cannot be loaded or the arguments are wrong.

#include "holdings/holdings_table.h"
#include "holdings/runtime_error.h"
#include "queries/query.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringEncoder>
#include <algorithm>
#include <cstdio>

namespace {

enum ExitStatus { Found = 0, NotFound = 1, Failure = 2 };

int fail(const QString& message) {
    std::fprintf(stderr, "gegu-query: %s\n", qPrintable(message));
    return Failure;
}

// Writes the text as UTF-8 in pieces, so that a large report is never held twice.
bool writeUtf8(QStringView text, std::FILE* out) {
    constexpr qsizetype piece = 1 << 16;
    QStringEncoder utf8(QStringEncoder::Utf8);
    QByteArray bytes;
    for (qsizetype at = 0; at < text.size(); at += piece) {
        bytes = utf8.encode(text.sliced(at, std::min(piece, text.size() - at)));
        if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), out) != size_t(bytes.size()))
            return false;
    }
    return std::fflush(out) == 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("gegu-query"));
    QCoreApplication::setApplicationVersion(QStringLiteral(GEGU_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Looks up the major shareholders of listed Chinese stocks in Gegu's data file.\n"
        "A stock code (0 < code < 700000) prints that stock's holder table; any other text\n"
        "lists every holder row whose name contains it.\n\n"
        "Exit status: 0 found, 1 nothing found, 2 data file or argument error."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("data"),
                      QStringLiteral("Data file to read (default: gegusj.rar in the current "
                                     "directory, else beside the program)."),
                      QStringLiteral("FILE")});
    parser.addPositionalArgument(
        QStringLiteral("QUERY"),
        QStringLiteral("Text as typed into the query box; put -- before a query that starts "
                       "with '-'."));
    if (!parser.parse(QCoreApplication::arguments()))
        return fail(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        QString help = parser.helpText();
        if (!help.endsWith(u'\n'))
            help += u'\n';
        std::fputs(qPrintable(help), stdout);
        return Found;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("gegu-query %s\n", GEGU_VERSION);
        return Found;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return fail(QStringLiteral("expected exactly one QUERY (see --help)"));

    try {
        const QString dataFile = parser.isSet(QStringLiteral("data"))
                                     ? parser.value(QStringLiteral("data"))
                                     : gegu::findDataFile();
        const gegu::HoldingsTable table = gegu::loadHoldingsFile(dataFile);
        const gegu::QueryResult result = gegu::runQuery(table, positional.front());
        if (!writeUtf8(result.text(), stdout))
            return fail(QStringLiteral("cannot write the report"));
        return result.found ? Found : NotFound;
    } catch (const gegu::RuntimeError& e) {
        return fail(e.message());
    }
}
