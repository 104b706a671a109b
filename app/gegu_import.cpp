// gegu-import: builds Gegu's data file from CSV exports of top-ten-holder tables.
//
//   gegu-import [--names FILE] [--history] [--full-names] [--force] [-o OUT]
//               [[--encoding utf-8|gbk] [--float] [--code CODE] [--stock-name NAME]
//               [--date DATE] CSV...]...
//   gegu-import --keep [--force] CSV...
//
// The options that say something of exports apply to the exports after them, until given
// again. The output is written to a new file beside it and renamed into place only when it is
// complete. Exit status: 0 when written, 2 on any error (then nothing is written).

#include "command_line.h"
#include "common/console.h"
#include "common/translation.h"
#include "holdings/data_file.h"
#include "holdings/gbk.h"
#include "holdings/runtime_error.h"
#include "import/export_folder.h"
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

// What gegu-import itself says, besides the import's own messages (ImportMessage) and the
// output's (OutputError): its words, in one place.
enum class Say {
    NoFiles,          // no CSV file given
    BadEncoding,      // value: the option's value
    BadCode,          // value: the option's value
    BadDate,          // value: the option's value
    NotInGbk,         // value: the character of --stock-name
    OutputTwice,      // -o given a second time
    AfterLastFile,    // value: the option; it applies to no file
    OutputIsInput,    // value: the input
    NoRows,           // no holder row in the input
    MoreErrors,       // value: how many
    ErrorCount,       // value: how many
    Warning,          // value: the warning
    MoreWarnings,     // value: how many
    CannotWriteStdout // standard output failed
};

struct Text {
    Q_DECLARE_TR_FUNCTIONS(ImportCommand)
};

QString words(Say what, const QString& value = {}) {
    switch (what) {
    case Say::NoFiles:
        return Text::tr("expected one or more CSV files (see --help)");
    case Say::BadEncoding:
        return Text::tr("--encoding takes utf-8 or gbk");
    case Say::BadCode:
        return Text::tr(
            "--code takes a stock code of Shanghai, Shenzhen or Beijing, such as 600036");
    case Say::BadDate:
        return Text::tr("--date takes a date, such as 2024-06-30");
    case Say::NotInGbk:
        return Text::tr("--stock-name holds %1, which GBK cannot hold").arg(value);
    case Say::OutputTwice:
        return Text::tr("-o is given twice: one data file is written at a time");
    case Say::AfterLastFile:
        return Text::tr("%1 says something of the CSV files after it, and none follows").arg(value);
    case Say::OutputIsInput:
        return Text::tr("the output is the input %1: writing it would replace the export (-o names "
                        "another file)")
            .arg(value);
    case Say::NoRows:
        return Text::tr("no holder rows in the input: nothing written");
    case Say::MoreErrors:
        return Text::tr("... and %1 more errors").arg(value);
    case Say::ErrorCount:
        return Text::tr("%1 errors: nothing written").arg(value);
    case Say::Warning:
        return Text::tr("warning: %1").arg(value);
    case Say::MoreWarnings:
        return Text::tr("warning: ... and %1 more").arg(value);
    case Say::CannotWriteStdout:
        return Text::tr("cannot write to standard output");
    }
    return {};
}

int fail(const QString& message) {
    say(message);
    return Failure;
}

int fail(Say what, const QString& value = {}) {
    return fail(words(what, value));
}

QString helpText() {
    return Text::tr(
        "Usage: gegu-import [options] [[file options] CSV...]...\n"
        "       gegu-import --keep [--force] CSV...\n"
        "Builds Gegu's data file (gegusj.rar) from exports of top-ten-holder tables, one\n"
        "row per holder, as data libraries, brokers' terminals and spreadsheets write\n"
        "them: comma-, tab- or semicolon-separated, in UTF-8, UTF-16 (with a byte order\n"
        "mark) or GBK. Columns are found by their header's name, in any order, with or\n"
        "without a unit in brackets (持股数量(股), 持股数量（万股）, 占总股本比例(%)).\n"
        "Required: the holder's name (股东名称, holder_name) and the shares held (持股数,\n"
        "持股数量, 期末持股-数量, hold_amount); the stock code (证券代码, 股票代码, code,\n"
        "ts_code, ...) and the report date (截止日期, 报告期, end_date, ...) too, unless\n"
        "a title line above the header names them (招商银行(600036) 十大股东 截止日期：\n"
        "2024-06-30) or the file options give them. Read when present: the stock name,\n"
        "the ratio, the float ratio, the share type, the change and the rank.\n"
        "\n"
        "What cannot be read with certainty is an error naming FILE:LINE, and then\n"
        "nothing is written: a bad row, rows of one holding that disagree, a number\n"
        "that reads two ways, a title that names two codes. Holders' names too long\n"
        "for the name column are shortened, each holder the same everywhere.\n"
        "\n"
        "Options:\n"
        "  -o, --output OUT        The data file to write (default: gegusj.rar in the\n"
        "                          current directory); missing folders are made. Once.\n"
        "  --force                 Replace OUT if it exists (never a read-only file).\n"
        "  --keep                  Do what a drop onto Gegu's window does: keep the\n"
        "                          exports in the user's data folder (beside its\n"
        "                          gegusj.rar, in exports/) and build that data file\n"
        "                          again from every export kept there, every period\n"
        "                          kept. Only --force goes with it (to replace a data\n"
        "                          file there that was not built from kept exports).\n"
        "  --history               One record per stock and report date, newest first\n"
        "                          (default: each stock's latest date only).\n"
        "  --full-names            Holders' names whole, however long.\n"
        "  --names FILE            A CSV of stock codes and names, for exports without a\n"
        "                          name column.\n"
        "File options, for the CSV files after them, until given again:\n"
        "  --code CODE             The stock code of exports that have none.\n"
        "  --stock-name NAME       The stock name of exports that have none.\n"
        "  --date DATE             The report date of exports that have none.\n"
        "  --float                 Top-ten float holders: titles the records so and uses\n"
        "                          the float ratio column.\n"
        "  --encoding utf-8|gbk    The encoding (default: found per file).\n"
        "  -h, --help              Show this help and exit.\n"
        "  -v, --version           Show the version and exit.\n"
        "\n"
        "Arguments:\n"
        "  CSV                     One or more exports.\n"
        "\n"
        "Example: two stocks' exports that name neither their stock nor their date:\n"
        "  gegu-import --date 2024-06-30 --code 600036 a.csv --code 600000 b.csv\n"
        "\n"
        "Exit status: 0 when the data file was written, 2 on any error (then nothing is\n"
        "written).\n");
}

int printText(const QString& text) {
    if (!gegu::writeStandardOutput(text.toUtf8()))
        return fail(Say::CannotWriteStdout);
    return Written;
}

bool stderrIsTerminal() {
#if defined(Q_OS_UNIX)
    return isatty(2);
#else
    return false;
#endif
}

// The summary of what was written: "wrote gegusj.rar: 1 file, 3 rows, ...".
// A count with its word: "1 file", "3 files".
QString count(qint64 n, const QString& one, const QString& many) {
    return (n == 1 ? one : many).arg(n);
}

QString summaryLine(const QString& output, const gegu::ImportSummary& s) {
    QStringList parts{count(s.files, Text::tr("%1 file"), Text::tr("%1 files")),
                      count(s.rows, Text::tr("%1 row"), Text::tr("%1 rows"))};
    if (s.keptOnce > 0)
        parts.back() = Text::tr("%1 (%2 kept once)").arg(parts.back(), QString::number(s.keptOnce));
    parts << count(s.stocks, Text::tr("%1 stock"), Text::tr("%1 stocks"))
          << count(s.periods, Text::tr("%1 period"), Text::tr("%1 periods"))
          << count(s.records, Text::tr("%1 record"), Text::tr("%1 records"));
    if (s.shortenedNames > 0)
        parts << count(s.shortenedNames, Text::tr("%1 name shortened"),
                       Text::tr("%1 names shortened"));
    parts << count(qint64(s.warnings.size()), Text::tr("%1 warning"), Text::tr("%1 warnings"));
    return Text::tr("wrote %1: %2").arg(output, parts.join(Text::tr(", ")));
}

// The error's message in gegu-import's words.
QString outputMessage(const gegu::OutputError& e) {
    return e.problem() == gegu::OutputProblem::Exists
               ? Text::tr("%1; --force replaces it").arg(e.text())
               : e.text();
}

// An export to read, with what the options before it say of it.
struct Input {
    gegu::NativePath path;
    gegu::FileSettings settings;
};

// gegu-import --keep CSV...: what a drop onto the window does. The exports join the user's kept
// ones and the user's data file is built again from all of them, every period kept.
int runKeep(const gegu::CommandLine& line) {
    for (const QByteArray& option : line.flags)
        if (option != "--keep" && option != "--force")
            return fail(Text::tr("--keep takes no option but --force: kept exports are read as a "
                                 "drop onto the window reads them"));
    if (!line.values.empty())
        return fail(Text::tr("--keep takes no option but --force: kept exports are read as a "
                             "drop onto the window reads them"));
    if (line.positional.empty())
        return fail(Say::NoFiles);
    const gegu::ExportFolder folder(gegu::userDataDirectory());
    const QString dataFile = gegu::displayName(folder.dataFile());
    if (folder.holdsOtherDataFile() && !line.has("--force"))
        return fail(
            Text::tr("%1 was not built from kept exports; --force replaces it").arg(dataFile));
    std::vector<gegu::NativePath> inputs;
    for (const QByteArray& arg : line.positional)
        inputs.push_back(gegu::pathArgument(arg));
    const gegu::ExportFolder::Result result = folder.add(inputs);
    using Outcome = gegu::ExportFolder::Result::Outcome;
    switch (result.outcome) {
    case Outcome::ImportFailed:
        for (const gegu::ImportError& e : result.errors.first())
            say(e.text());
        if (const qint64 more = result.errors.count() - qint64(result.errors.first().size());
            more > 0)
            say(words(Say::MoreErrors, QString::number(more)));
        return fail(Text::tr("nothing kept, %1 unchanged").arg(dataFile));
    case Outcome::NoRows:
        return fail(
            Text::tr("no holder rows in the input: nothing kept, %1 unchanged").arg(dataFile));
    case Outcome::Busy:
        return fail(Text::tr("another Gegu is changing %1; try again")
                        .arg(gegu::displayName(folder.folder())));
    case Outcome::WriteFailed:
        for (const auto& u : result.unrestored)
            say(Text::tr("%1 holds the new version; the earlier one is %2 (%3)")
                    .arg(gegu::displayName(u.path), gegu::displayName(u.earlier), u.reason));
        return fail(
            result.unrestored.empty()
                ? Text::tr("%1: nothing kept, %2 unchanged").arg(result.writeError, dataFile)
                : result.writeError);
    case Outcome::Built:
        break;
    }
    for (int i = 0; i < std::min<int>(shownWarnings, int(result.summary.warnings.size())); ++i)
        say(words(Say::Warning, result.summary.warnings[size_t(i)].text()));
    say(Text::tr("kept %1 in %2")
            .arg(result.added.join(Text::tr(", ")), gegu::displayName(folder.exportsFolder())));
    say(Text::tr("wrote %1 from %2: %3")
            .arg(dataFile,
                 count(result.keptExports, Text::tr("%1 kept export"), Text::tr("%1 kept exports")),
                 QStringList{
                     count(result.summary.stocks, Text::tr("%1 stock"), Text::tr("%1 stocks")),
                     count(result.summary.periods, Text::tr("%1 period"), Text::tr("%1 periods")),
                     count(result.summary.records, Text::tr("%1 record"), Text::tr("%1 records"))}
                     .join(Text::tr(", "))));
    if (const std::optional<gegu::NativePath> other = gegu::dataFileInPlaceOf(folder.dataFile()))
        say(Text::tr("note: %1 answers in its place where Gegu starts here; remove or rename it "
                     "to let %2 answer")
                .arg(gegu::displayName(*other), dataFile));
    return Written;
}

int run(const gegu::CommandLine& line) {
    if (line.has("--keep"))
        return runKeep(line);
    gegu::ImportSettings settings;
    settings.history = line.has("--history");
    settings.fullNames = line.has("--full-names");

    // The file options in force where each file stands.
    gegu::FileSettings current;
    std::vector<Input> inputs;
    std::vector<Input> nameLists;
    QByteArray pending; // a file option given after the last file so far
    int outputs = 0;
    for (const gegu::Argument& arg : line.ordered) {
        const QByteArray& value = arg.value;
        if (arg.option.isEmpty()) {
            inputs.push_back({gegu::pathArgument(value), current});
            pending.clear();
            continue;
        }
        if (arg.option == "--output") {
            if (++outputs > 1)
                return fail(Say::OutputTwice);
        } else if (arg.option == "--names") {
            nameLists.push_back({gegu::pathArgument(value), current});
        } else if (arg.option == "--encoding") {
            const QByteArray encoding = value.toLower();
            if (encoding == "utf-8" || encoding == "utf8")
                current.encoding = gegu::TextEncoding::Utf8;
            else if (encoding == "gbk")
                current.encoding = gegu::TextEncoding::Gbk;
            else
                return fail(Say::BadEncoding);
            pending = arg.option;
        } else if (arg.option == "--code") {
            if (!(current.code = gegu::codeFromBytes(value)))
                return fail(Say::BadCode);
            pending = arg.option;
        } else if (arg.option == "--date") {
            if (!(current.date = gegu::dateFromBytes(value)))
                return fail(Say::BadDate);
            pending = arg.option;
        } else if (arg.option == "--stock-name") {
            current.stockName = gegu::argumentText(value).trimmed();
            if (const qsizetype at = gegu::firstNonGbk(current.stockName); at >= 0)
                return fail(
                    Say::NotInGbk,
                    current.stockName.mid(at, current.stockName[at].isHighSurrogate() ? 2 : 1));
            pending = arg.option;
        } else if (arg.option == "--float") {
            current.floatHolders = true;
            pending = arg.option;
        }
    }
    if (inputs.empty())
        return fail(Say::NoFiles);
    if (!pending.isEmpty())
        return fail(Say::AfterLastFile, QString::fromLatin1(pending));

    const gegu::NativePath output = gegu::pathArgument(
        line.values.count("--output") ? line.values.at("--output") : QByteArray("gegusj.rar"));
    const bool replace = line.has("--force");
    try {
        gegu::outputTarget(output, replace);
    } catch (const gegu::OutputError& e) {
        return fail(outputMessage(e));
    }
    // Never the export itself, nor the list of names, by whatever name or link.
    for (const std::vector<Input>* list : {&inputs, &nameLists}) {
        for (const Input& input : *list) {
            std::error_code error;
            if (std::filesystem::equivalent(output, input.path, error))
                return fail(Say::OutputIsInput, gegu::displayName(input.path));
        }
    }

    gegu::Importer importer(settings);
    for (const Input& list : nameLists) {
        try {
            const gegu::InputText text(list.path);
            importer.readNames(text.text(), text.name(), list.settings.encoding);
        } catch (const gegu::ImportError& e) {
            importer.addError(e);
        }
    }
    qint64 total = 0;
    for (const Input& input : inputs) {
        std::error_code error;
        total += qint64(std::filesystem::file_size(input.path, error));
    }
    const bool showProgress = total > progressSize && stderrIsTerminal();
    qint64 done = 0;
    for (const Input& input : inputs) {
        try {
            const gegu::InputText text(input.path);
            int shown = -1;
            importer.read(text.text(), text.name(), input.settings, [&](qint64 read) {
                const int percent = total > 0 ? int((done + read) * 100 / total) : 100;
                if (showProgress && percent != shown) {
                    const QString progress =
                        u"\rgegu-import: "_s +
                        Text::tr("reading %1 %2%").arg(text.name(), QString::number(percent));
                    std::fputs(progress.toLocal8Bit().constData(), stderr);
                    shown = percent;
                }
            });
            done += text.text().size();
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
            say(words(Say::MoreErrors, QString::number(more)));
        if (errors.count() > 1)
            say(words(Say::ErrorCount, QString::number(errors.count())));
        return Failure;
    }
    if (importer.recordCount() == 0)
        return fail(Say::NoRows);
    try {
        gegu::writeOutputFile(output, replace, [&](QIODevice& out) { return importer.write(out); });
    } catch (const gegu::OutputError& e) {
        return fail(outputMessage(e));
    }

    const gegu::ImportSummary& s = importer.summary();
    for (const gegu::ImportMessage& title : s.titles)
        say(title.text());
    for (int i = 0; i < std::min<int>(shownWarnings, int(s.warnings.size())); ++i)
        say(words(Say::Warning, s.warnings[size_t(i)].text()));
    if (s.warnings.size() > shownWarnings)
        say(words(Say::MoreWarnings, QString::number(s.warnings.size() - shownWarnings)));
    say(summaryLine(gegu::displayName(output), s));
    return Written;
}

} // namespace

int main(int argc, char* argv[]) {
    gegu::useBinaryStandardStreams();
    // Outside the try: the messages of the errors caught are translated by its translator.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"gegu-import"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(GEGU_VERSION));
    // Messages in the user's language; the data file written never changes.
    gegu::useLanguage(gegu::userLanguage());
    try {
        const gegu::CommandLine line = gegu::parseCommandLine(gegu::programArguments(argc, argv),
                                                              {{{"-o", "--output"}, true},
                                                               {{"--force"}, false},
                                                               {{"--keep"}, false},
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
