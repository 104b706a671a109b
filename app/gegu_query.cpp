// gegu-query: the query button of Gegu, from a terminal.
//
//   gegu-query [--data FILE] [--] QUERY
//
// Prints exactly the text that the output box would show (UTF-8, CR LF kept), as it is built,
// so that memory does not grow with the report. Exit status: 0 when a stock or at least one
// holder row is shown, 1 when nothing is found, 2 when the data file cannot be loaded, the
// arguments are wrong or the output cannot be written.

#include "command_line.h"
#include "holdings/data_file.h"
#include "holdings/runtime_error.h"
#include "queries/query.h"
#include "query_arguments.h"

#include <QCoreApplication>
#include <QStringEncoder>
#include <cstdio>
#include <new>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

enum ExitStatus { Found = 0, NotFound = 1, Failure = 2 };

int fail(const QString& message) {
    std::fprintf(stderr, "gegu-query: %s\n", qPrintable(message));
    return Failure;
}

// Encodes the report as UTF-8 and writes it in blocks as the pieces arrive.
class Utf8Writer : public gegu::ReportSink {
public:
    explicit Utf8Writer(std::FILE* out) : out_(out), text_(blockSize), bytes_(3 * blockSize, '\0') {
        setBuffer(text_.data(), text_.data() + blockSize);
    }

    // Writes what is left; false when any write failed.
    bool finish() {
        flush();
        return ok_ && std::fflush(out_) == 0;
    }

protected:
    void overflow(QStringView piece) override {
        flush();
        // A piece longer than the buffer goes through it in slices; the encoder keeps a
        // surrogate pair that a slice cuts in two.
        for (qsizetype at = 0; at < piece.size(); at += blockSize) {
            put(piece.sliced(at, std::min(blockSize, piece.size() - at)));
            if (piece.size() - at > blockSize)
                flush();
        }
    }

private:
    static constexpr qsizetype blockSize = 1 << 14;

    void flush() {
        const QStringView text(text_.data(), position() - text_.data());
        char* end = utf8_.appendToBuffer(bytes_.data(), text);
        const size_t n = size_t(end - bytes_.data());
        if (ok_ && n > 0)
            ok_ = std::fwrite(bytes_.constData(), 1, n, out_) == n;
        setBuffer(text_.data(), text_.data() + blockSize);
    }

    std::FILE* out_;
    QStringEncoder utf8_{QStringEncoder::Utf8};
    std::vector<char16_t> text_;
    QByteArray bytes_;
    bool ok_ = true;
};

int printText(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size()) ||
        std::fflush(stdout) != 0)
        return fail(u"cannot write to standard output"_s);
    return Found;
}

int run(const gegu::QueryArguments& args) {
    const gegu::NativePath dataFile = args.dataFile ? *args.dataFile : gegu::findDataFile();
    const gegu::HoldingsTable table = gegu::loadHoldingsFile(dataFile);
    const gegu::Report report = gegu::runQuery(table, args.queries.front());
    Utf8Writer out(stdout);
    report.writeTo(out);
    if (!out.finish())
        return fail(u"cannot write the report"_s);
    return report.found() ? Found : NotFound;
}

} // namespace

int main(int argc, char* argv[]) {
    try {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(u"gegu-query"_s);
        QCoreApplication::setApplicationVersion(QStringLiteral(GEGU_VERSION));

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
