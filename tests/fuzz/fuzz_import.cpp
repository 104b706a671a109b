// Fuzzes gegu-import with arbitrary CSV exports: each input is read as a file, and either an
// ImportError names what is wrong or the data file written loads and answers a query.

#include "holdings/gbk.h"
#include "holdings/holdings_table.h"
#include "holdings/runtime_error.h"
#include "import/importer.h"
#include "queries/query.h"

#include <QBuffer>
#include <cstdint>
#include <cstdlib>

using namespace gegu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView csv(reinterpret_cast<const char*>(data), qsizetype(size));
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
        const HoldingsTable table = HoldingsTable::parse(decodeGbkText(bytes), QStringLiteral("x"));
        if (table.recordCount() != importer.recordCount())
            std::abort();
        (void)reportText(runQuery(table, u""));
    } catch (const RuntimeError&) {
        std::abort();
    }
    return 0;
}
