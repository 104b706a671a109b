// gegu-import: builds Gegu's data file from CSV exports of top-ten-holder tables.
//
//   gegu-import [--names FILE] [--history] [--float] [--full-names] [--force]
//               [--encoding utf-8|gbk] [--code CODE] [--stock-name NAME] [--date DATE]
//               [-o OUT] CSV...
//
// The output is written to a new file beside it and renamed into place only when it is
// complete. Exit status: 0 when written, 2 on any error (then nothing is written).

#include "command_line.h"
#include "common/console.h"
#include "holdings/data_file.h"
#include "holdings/gbk.h"
#include "holdings/runtime_error.h"
#include "import/importer.h"
#include "import/input_text.h"
#include "import/output_file.h"
#include "query_arguments.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <new>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {

constexpr int Written = 0;
constexpr int Failure = 2;
// Inputs larger than this in all show their progress on a terminal.
constexpr qint64 progressSize = qint64(4) << 20;
// Warnings shown one by one; the rest are counted.
constexpr int shownWarnings = 20;

void say(const QString& line) {
    gegu::writeLine(stderr, u"gegu-import: "_s + line);
}

int fail(const QString& message) {
    say(message);
    return Failure;
}

QString helpText() {
    return uR"(Usage: gegu-import [options] CSV...
Builds Gegu's data file (gegusj.rar) from exports of top-ten-holder tables, one
row per holder, as data libraries, brokers' terminals and spreadsheets write
them: comma-, tab- or semicolon-separated, in UTF-8, UTF-16 (with a byte order
mark) or GBK. Columns are found by their header's name, in any order, with or
without a unit in brackets (持股数量(股), 持股数量（万股）, 占总股本比例(%)).
Required: the holder's name (股东名称, holder_name) and the shares held (持股数,
持股数量, 期末持股-数量, hold_amount); the stock code (证券代码, 股票代码, code,
ts_code, ...) and the report date (截止日期, 报告期, end_date, ...) too, unless
a title line above the header names them (招商银行(600036) 十大股东 截止日期：
2024-06-30) or the options below give them. Read when present: the stock name,
the ratio, the float ratio, the share type, the change and the rank.

Rows that stand for one holding in several exports are kept once; where they
disagree, or a row is bad, every such row is named as FILE:LINE and nothing is
written. Holders' names too long for the name column are shortened.

Options:
  -o, --output OUT        The data file to write (default: gegusj.rar in the
                          current directory); missing folders are made.
  --force                 Replace OUT if it exists (never a read-only file).
  --history               One record per stock and report date, newest first
                          (default: each stock's latest date only).
  --float                 Top-ten float holders: titles the records so and uses
                          the float ratio column.
  --full-names            Holders' names as exported, however long.
  --names FILE            A CSV of stock codes and names, for exports without a
                          name column.
  --code CODE             The stock code of exports that have none.
  --stock-name NAME       The stock name of exports that have none.
  --date DATE             The report date of exports that have none.
  --encoding utf-8|gbk    The encoding of every CSV (default: found per file).
  -h, --help              Show this help and exit.
  -v, --version           Show the version and exit.

Arguments:
  CSV                     One or more exports.

Exit status: 0 when the data file was written, 2 on any error (then nothing is
written).
)"_s;
}

int printText(const QString& text) {
    if (!gegu::writeStandardOutput(text.toUtf8()))
        return fail(u"cannot write to standard output"_s);
    return Written;
}

bool stderrIsTerminal() {
#if defined(Q_OS_UNIX)
    return isatty(2);
#else
    return false;
#endif
}

// The error's message in gegu-import's words.
QString outputMessage(const gegu::OutputError& e) {
    return e.text() +
           (e.problem() == gegu::OutputProblem::Exists ? u"; --force replaces it"_s : QString());
}

int run(const gegu::CommandLine& line) {
    gegu::ImportSettings settings;
    settings.history = line.has("--history");
    settings.floatHolders = line.has("--float");
    settings.fullNames = line.has("--full-names");
    if (line.values.count("--encoding")) {
        const QByteArray encoding = line.values.at("--encoding").toLower();
        if (encoding == "utf-8" || encoding == "utf8")
            settings.encoding = gegu::TextEncoding::Utf8;
        else if (encoding == "gbk")
            settings.encoding = gegu::TextEncoding::Gbk;
        else
            return fail(u"--encoding takes utf-8 or gbk"_s);
    }
    if (line.values.count("--code")) {
        settings.code = gegu::codeFromBytes(line.values.at("--code"));
        if (!settings.code)
            return fail(u"--code takes a stock code, such as 600036"_s);
    }
    if (line.values.count("--date")) {
        settings.date = gegu::dateFromBytes(line.values.at("--date"));
        if (!settings.date)
            return fail(u"--date takes a date, such as 2024-06-30"_s);
    }
    if (line.values.count("--stock-name")) {
        settings.stockName = QString::fromUtf8(line.values.at("--stock-name")).trimmed();
        if (const qsizetype at = gegu::firstNonGbk(settings.stockName); at >= 0)
            return fail(
                u"--stock-name holds "_s +
                settings.stockName.mid(at, settings.stockName[at].isHighSurrogate() ? 2 : 1) +
                u", which GBK cannot hold"_s);
    }
    if (line.positional.empty())
        return fail(u"expected one or more CSV files (see --help)"_s);

    const gegu::NativePath output = gegu::pathArgument(
        line.values.count("--output") ? line.values.at("--output") : QByteArray("gegusj.rar"));
    const bool replace = line.has("--force");
    try {
        gegu::outputTarget(output, replace);
    } catch (const gegu::OutputError& e) {
        return fail(outputMessage(e));
    }

    gegu::Importer importer(settings);
    if (line.values.count("--names")) {
        try {
            const gegu::InputText list(gegu::pathArgument(line.values.at("--names")));
            importer.readNames(list.text(), list.name());
        } catch (const gegu::ImportError& e) {
            importer.addError(e);
        }
    }
    std::vector<gegu::NativePath> inputs;
    qint64 total = 0;
    for (const QByteArray& arg : line.positional) {
        inputs.push_back(gegu::pathArgument(arg));
        std::error_code error;
        total += qint64(std::filesystem::file_size(inputs.back(), error));
    }
    const bool showProgress = total > progressSize && stderrIsTerminal();
    qint64 done = 0;
    for (const gegu::NativePath& path : inputs) {
        try {
            const gegu::InputText input(path);
            int shown = -1;
            importer.read(input.text(), input.name(), [&](qint64 read) {
                const int percent = total > 0 ? int((done + read) * 100 / total) : 100;
                if (showProgress && percent != shown) {
                    std::fprintf(stderr, "\rgegu-import: reading %s %3d%%",
                                 qPrintable(input.name()), percent);
                    shown = percent;
                }
            });
            done += input.text().size();
        } catch (const gegu::ImportError& e) {
            importer.addError(e);
        }
    }
    if (showProgress)
        std::fprintf(stderr, "\r\033[K");
    importer.finish();

    const gegu::ImportErrors& errors = importer.errors();
    if (!errors.empty()) {
        for (const gegu::ImportError& e : errors.first())
            say(e.text());
        if (const qint64 more = errors.count() - qint64(errors.first().size()); more > 0)
            say(QStringLiteral("... and %1 more errors").arg(more));
        if (errors.count() > 1)
            say(QStringLiteral("%1 errors: nothing written").arg(errors.count()));
        return Failure;
    }
    if (importer.recordCount() == 0)
        return fail(u"no holder rows in the input: nothing written"_s);
    try {
        gegu::writeOutputFile(output, replace, [&](QIODevice& out) { return importer.write(out); });
    } catch (const gegu::OutputError& e) {
        return fail(outputMessage(e));
    }

    const gegu::ImportSummary& s = importer.summary();
    for (int i = 0; i < std::min<int>(shownWarnings, int(s.warnings.size())); ++i)
        say(u"warning: "_s + s.warnings[i]);
    if (s.warnings.size() > shownWarnings)
        say(QStringLiteral("warning: ... and %1 more").arg(s.warnings.size() - shownWarnings));
    const auto count = [](qint64 n, const char* one, const char* many) {
        return QString::number(n) + u' ' + QString::fromLatin1(n == 1 ? one : many);
    };
    QStringList parts{count(s.files, "file", "files"), count(s.rows, "row", "rows")};
    if (s.keptOnce > 0)
        parts.back() += u" ("_s + QString::number(s.keptOnce) + u" kept once)"_s;
    parts << count(s.stocks, "stock", "stocks") << count(s.periods, "period", "periods")
          << count(s.records, "record", "records");
    if (s.shortenedNames > 0)
        parts << count(s.shortenedNames, "name shortened", "names shortened");
    parts << count(s.warnings.size(), "warning", "warnings");
    say(u"wrote "_s + gegu::displayName(output) + u": "_s + parts.join(u", "_s));
    return Written;
}

} // namespace

int main(int argc, char* argv[]) {
    gegu::useBinaryStandardStreams();
    try {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(u"gegu-import"_s);
        QCoreApplication::setApplicationVersion(QStringLiteral(GEGU_VERSION));
        const gegu::CommandLine line = gegu::parseCommandLine(gegu::programArguments(argc, argv),
                                                              {{{"-o", "--output"}, true},
                                                               {{"--force"}, false},
                                                               {{"--history"}, false},
                                                               {{"--float"}, false},
                                                               {{"--full-names"}, false},
                                                               {{"--names"}, true},
                                                               {{"--code"}, true},
                                                               {{"--stock-name"}, true},
                                                               {{"--date"}, true},
                                                               {{"--encoding"}, true},
                                                               {{"-h", "--help"}, false},
                                                               {{"-v", "--version"}, false}});
        if (!line.error.isEmpty())
            return fail(line.error);
        if (line.has("--help"))
            return printText(helpText());
        if (line.has("--version"))
            return printText(u"gegu-import "_s + QStringLiteral(GEGU_VERSION) + u'\n');
        return run(line);
    } catch (const std::bad_alloc&) {
        return fail(gegu::RuntimeError(gegu::ErrorNumber::OutOfMemory).message());
    }
}
