// Fuzzes the query against a table loaded from fuzzed bytes. The input is the query (UTF-8)
// up to the first NUL byte, then the data file's bytes.

#include "holdings/gbk.h"
#include "holdings/holdings_table.h"
#include "holdings/runtime_error.h"
#include "holdings/text_rules.h"
#include "queries/query.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace gegu;

namespace {

// Counts what a report hands over piece by piece.
struct Counter : ReportSink {
    qsizetype length = 0;
    void overflow(QStringView piece) override { length += piece.size(); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto* nul = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    const size_t querySize = nul ? size_t(nul - data) : size;
    const QString query =
        QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(querySize));
    const size_t fileStart = nul ? querySize + 1 : size;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data + fileStart),
                               qsizetype(size - fileStart));
    try {
        const HoldingsTable table =
            HoldingsTable::parse(decodeGbkText(bytes), QStringLiteral("fuzz"));
        const Report report = runQuery(table, query);
        // The length is bounded beforehand, and the stream and the buffer agree.
        Counter streamed;
        report.writeTo(streamed);
        const TextBuffer text = reportText(report);
        const QStringView shown(text.data(), qsizetype(text.size()));
        if (streamed.length != shown.size() || shown.size() > report.maxLength())
            std::abort();
        // Every report ends its last line with CR LF.
        if (!shown.endsWith(u"\r\n"))
            std::abort();
        const QStringView typed = LTrim(query);
        if (shown.startsWith(u"股东") && !shown.sliced(2).startsWith(typed))
            std::abort();
    } catch (const RuntimeError& e) {
        if (e.number() != ErrorNumber::Overflow && e.number() != ErrorNumber::InputPastEndOfFile &&
            e.number() != ErrorNumber::OutOfMemory)
            std::abort();
    }
    return 0;
}
