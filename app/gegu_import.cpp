// gegu-import: builds Gegu's data file from CSV exports of top-ten-holder tables.
//
//   gegu-import [--names FILE] [--history] [--float] [--force] [--encoding utf-8|gbk]
//               [-o OUT] CSV...
//
// The output is written to a temporary file beside it and renamed into place only when it is
// complete. Exit status: 0 when written, 2 on any error (then nothing is written).

#include "command_line.h"
#include "common/console.h"
#include "common/system_memory.h"
#include "holdings/data_file.h"
#include "holdings/runtime_error.h"
#include "import/importer.h"
#include "query_arguments.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
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
Builds Gegu's data file (gegusj.rar) from CSV exports of top-ten-holder tables,
one row per holder and report date, as data libraries and brokers' terminals
export them. Columns are found by their header's name, in any order; extra
columns are ignored. Required: the stock code (证券代码, 股票代码, 代码, code,
ts_code, symbol), the report date (截止日期, 截至日期, 报告期, end_date), the
holder's name (股东名称, holder_name) and the shares held (持股数, 持股数量,
期末持股-数量, hold_amount). Read when present: the stock name, the ratio
(占总股本持股比例, 持股比例, hold_ratio), the float ratio, the share type, the
change (增减, 持股变动, 期末持股-持股变动, hold_change) and the rank (名次, 股东排名).

Options:
  -o, --output OUT        The data file to write (default: gegusj.rar in the
                          current directory).
  --force                 Replace OUT if it exists.
  --history               One record per stock and report date, newest first
                          (default: each stock's latest date only).
  --float                 Top-ten float holders: titles the records so and uses
                          the float ratio column.
  --names FILE            A CSV of stock codes and names, for exports without a
                          name column.
  --encoding utf-8|gbk    The encoding of every CSV (default: UTF-8 where the
                          file is valid UTF-8, else GBK).
  -h, --help              Show this help and exit.
  -v, --version           Show the version and exit.

Arguments:
  CSV                     One or more CSV files: comma-separated, RFC 4180
                          quoting, CR LF or LF line ends.

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

// An input file's whole text, read at once. A failure is reported in the runtime's words; a
// file that changes while it is read is an error, never a mix of its old and new bytes.
class InputText {
public:
    explicit InputText(const gegu::NativePath& path) : name_(gegu::displayName(path)) {
        try {
            const gegu::ReadOnlyFile file(path);
            bytes_ = gegu::readWholeFile(file, qint64(gegu::availableMemory()));
        } catch (const gegu::FileError& e) {
            QString why;
            switch (e.problem()) {
            case gegu::FileProblem::Changed:
                why = u"changed while it was read"_s;
                break;
            case gegu::FileProblem::TooLarge:
                why = u"too large for the memory available"_s;
                break;
            default:
                why = gegu::runtimeError(e).text();
            }
            throw gegu::ImportError{name_, 0, u"cannot be read: "_s + why};
        }
    }
    const QString& name() const { return name_; }
    QByteArrayView text() const { return bytes_; }

private:
    QString name_;
    QByteArray bytes_;
};

int run(const gegu::CommandLine& line) {
    gegu::ImportSettings settings;
    settings.history = line.has("--history");
    settings.floatHolders = line.has("--float");
    if (line.values.count("--encoding")) {
        const QByteArray encoding = line.values.at("--encoding").toLower();
        if (encoding == "utf-8" || encoding == "utf8")
            settings.encoding = gegu::TextEncoding::Utf8;
        else if (encoding == "gbk")
            settings.encoding = gegu::TextEncoding::Gbk;
        else
            return fail(u"--encoding takes utf-8 or gbk"_s);
    }
    if (line.positional.empty())
        return fail(u"expected one or more CSV files (see --help)"_s);

    const gegu::NativePath output = gegu::pathArgument(
        line.values.count("--output") ? line.values.at("--output") : QByteArray("gegusj.rar"));
    const QString outputName = gegu::displayName(output);
    std::error_code error;
    if (std::filesystem::is_directory(output, error))
        return fail(outputName + u" is a folder"_s);
    if (std::filesystem::exists(output, error) && !line.has("--force"))
        return fail(outputName + u" exists; --force replaces it"_s);

    gegu::Importer importer(settings);
    if (line.values.count("--names")) {
        const gegu::NativePath names = gegu::pathArgument(line.values.at("--names"));
        const InputText list(names);
        importer.readNames(list.text(), list.name());
    }
    std::vector<gegu::NativePath> inputs;
    qint64 total = 0;
    for (const QByteArray& arg : line.positional) {
        inputs.push_back(gegu::pathArgument(arg));
        total += qint64(std::filesystem::file_size(inputs.back(), error));
    }
    const bool showProgress = total > progressSize && stderrIsTerminal();
    qint64 done = 0;
    for (const gegu::NativePath& path : inputs) {
        const InputText input(path);
        int shown = -1;
        importer.read(input.text(), input.name(), [&](qint64 read) {
            const int percent = total > 0 ? int((done + read) * 100 / total) : 100;
            if (showProgress && percent != shown) {
                std::fprintf(stderr, "\rgegu-import: reading %s %3d%%", qPrintable(input.name()),
                             percent);
                shown = percent;
            }
        });
        done += input.text().size();
    }
    if (showProgress)
        std::fprintf(stderr, "\r\033[K");
    importer.finish();
    if (importer.recordCount() == 0)
        return fail(u"no holder rows in the input: nothing written"_s);

    QSaveFile out(outputName);
    if (!out.open(QIODevice::WriteOnly))
        return fail(outputName + u" cannot be written: "_s + out.errorString());
    if (!importer.write(out) || !out.commit())
        return fail(outputName + u" cannot be written: "_s + out.errorString());

    const gegu::ImportSummary& s = importer.summary();
    for (int i = 0; i < std::min<int>(shownWarnings, int(s.warnings.size())); ++i)
        say(u"warning: "_s + s.warnings[i]);
    if (s.warnings.size() > shownWarnings)
        say(QStringLiteral("warning: ... and %1 more").arg(s.warnings.size() - shownWarnings));
    const auto count = [](qint64 n, const char* one, const char* many) {
        return QString::number(n) + u' ' + QString::fromLatin1(n == 1 ? one : many);
    };
    say(u"wrote "_s + outputName + u": "_s +
        QStringList{count(s.files, "file", "files"), count(s.rows, "row", "rows"),
                    count(s.stocks, "stock", "stocks"), count(s.periods, "period", "periods"),
                    count(s.records, "record", "records"),
                    count(s.warnings.size(), "warning", "warnings")}
            .join(u", "_s));
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
                                                               {{"--names"}, true},
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
    } catch (const gegu::ImportError& e) {
        return fail(e.text());
    } catch (const std::bad_alloc&) {
        return fail(gegu::RuntimeError(gegu::ErrorNumber::OutOfMemory).message());
    }
}
