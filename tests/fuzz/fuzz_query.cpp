// Fuzzes the query against a table loaded from fuzzed bytes. The input is the query (UTF-8)
// up to the first NUL byte, then the data file's bytes. The byte search, with the index of
// names and without, must give the report that decoding every line and searching its text
// gives; the report's lines, its stream and its buffer must agree.

#include "../reference_report.h"
#include "holdings/runtime_error.h"
#include "queries/name_index.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace gegu;

namespace {

// Collects what a report hands over piece by piece.
struct Collector : ReportSink {
    QString text;
    void overflow(QStringView piece) override { text += piece; }
};

QString joinedLines(const Report& report) {
    QString text;
    for (qsizetype k = 0; k < report.lineCount(); ++k) {
        if (k > 0)
            text += u"\r\n";
        const QString line = report.line(k);
        if (line.size() != report.lineLength(k))
            std::abort();
        text += line;
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto* nul = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    const size_t querySize = nul ? size_t(nul - data) : size;
    const QString query =
        QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(querySize));
    const size_t fileStart = nul ? querySize + 1 : size;
    const auto* file = reinterpret_cast<const char*>(data + fileStart);
    try {
        const HoldingsTable table = HoldingsTable::parse(
            ByteBuffer(file, file + (size - fileStart)), QStringLiteral("fuzz"));
        const QString expected = test::referenceReport(table, query);
        const NameIndex index(table);
        for (const NameIndex* names : {static_cast<const NameIndex*>(nullptr), &index}) {
            const Report report = runQuery(table, query, names);
            Collector streamed;
            report.writeTo(streamed);
            if (streamed.text != expected || joinedLines(report) != expected)
                std::abort();
            const TextBuffer text = reportText(report);
            if (QStringView(text.data(), qsizetype(text.size())) != expected)
                std::abort();
        }
    } catch (const RuntimeError& e) {
        if (e.number() != ErrorNumber::Overflow && e.number() != ErrorNumber::InputPastEndOfFile &&
            e.number() != ErrorNumber::OutOfMemory)
            std::abort();
    }
    return 0;
}
