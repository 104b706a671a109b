// Fuzzes gegu-query's writer: reports of fuzzed queries (long ones, CRs and LFs anywhere, lone
// surrogates) written in blocks of a fuzzed size, with and without --lf. The input's first byte
// chooses --lf (bit 0) and the block size (the rest, 2 to 129 code units; 0 for the default);
// the rest is the query as UTF-16 code units. What the writer writes must be the report's whole
// text in UTF-8, every CR LF an LF with --lf.

#include "app/utf8_writer.h"
#include "holdings/holdings_table.h"
#include "holdings/runtime_error.h"
#include "queries/query.h"

#include <QStringEncoder>
#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace gegu;

namespace {

// A small table whose rows the queries can find.
const HoldingsTable& table() {
    static const HoldingsTable t = [] {
        const QByteArray text = QStringEncoder("GBK").encode(
            u"1\r\n600036 招商银行\r\n2\r\nhead\r\n  华夏大盘 │ 1\r\n  a\rb\n │ 2\r\n"
            "000002 万科\r\n1\r\nhead\r\n  \r\n\r\n");
        return HoldingsTable::parse(ByteBuffer(text.begin(), text.end()), QStringLiteral("fuzz"));
    }();
    return t;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const bool lf = data[0] & 1;
    const int choice = data[0] >> 1;
    const qsizetype block = choice == 0 ? Utf8Writer::defaultBlockSize : 1 + choice;
    QString query((qsizetype(size) - 1) / 2, Qt::Uninitialized);
    std::memcpy(query.data(), data + 1, size_t(query.size()) * 2);
    const Report report = runQuery(table(), query);

    QByteArray written;
    Utf8Writer writer(
        [&](QByteArrayView bytes) {
            written += bytes;
            return true;
        },
        lf, block);
    report.writeTo(writer);
    if (!writer.finish())
        std::abort();

    const TextBuffer whole = reportText(report);
    QString text = QString::fromUtf16(whole.data(), qsizetype(whole.size()));
    if (lf)
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringEncoder utf8(QStringEncoder::Utf8);
    if (written != QByteArray(utf8.encode(text)))
        std::abort();
    return 0;
}
