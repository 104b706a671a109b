// Fuzzes gegu-import with arbitrary CSV exports: each input is read as a file, and either an
// ImportError names what is wrong or the data file written loads and answers a query. The CSV
// reader's own split of plain lines must give what libcsv alone gives.

#include "holdings/gbk.h"
#include "holdings/holdings_table.h"
#include "holdings/runtime_error.h"
#include "import/importer.h"
#include "queries/query.h"

#include <QBuffer>
#include <cstdint>
#include <cstdlib>

using namespace gegu;

namespace {

// Every row's line and fields, and the error the reading ends with, as one text.
QByteArray csvRows(QByteArrayView csv, CsvReader::Lines lines) {
    QByteArray out;
    try {
        CsvReader::read(
            csv, QStringLiteral("fuzz.csv"),
            [&](const CsvRow& row) {
                out += QByteArray::number(row.line());
                for (qsizetype i = 0; i < row.size(); ++i) {
                    out += '\0' + QByteArray::number(row.field(i).size()) + ':';
                    out += row.field(i);
                }
                out += '\n';
            },
            {}, 1, lines);
    } catch (const ImportError& e) {
        out += e.text().toUtf8();
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView csv(reinterpret_cast<const char*>(data), qsizetype(size));
    if (csvRows(csv, CsvReader::Lines::PlainDirect) != csvRows(csv, CsvReader::Lines::LibcsvOnly))
        std::abort();
    Importer importer({});
    try {
        importer.read(csv, QStringLiteral("fuzz.csv"));
    } catch (const ImportError& e) {
        if (e.file.isEmpty() || e.message.isEmpty())
            std::abort();
        return 0;
    }
    importer.finish();
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    if (!importer.write(out))
        std::abort();
    // What gegu-import writes, Gegu loads: one record a stock and period, in order.
    try {
        const HoldingsTable table =
            HoldingsTable::parse(ByteBuffer(bytes.begin(), bytes.end()), QStringLiteral("x"));
        if (table.recordCount() != importer.recordCount())
            std::abort();
        (void)reportText(runQuery(table, u""));
    } catch (const RuntimeError&) {
        std::abort();
    }
    return 0;
}
