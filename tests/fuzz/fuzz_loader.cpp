// Fuzzes the loader with arbitrary file bytes, from memory: it must load them or raise one of
// its runtime errors, and the fast GBK path must decode exactly as Qt's decoder does.

#include "holdings/gbk.h"
#include "holdings/holdings_table.h"
#include "holdings/runtime_error.h"

#include <cstdint>
#include <cstdlib>

using namespace gegu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    DecodedText text = decodeGbkText(bytes);
    if (QStringView(text.data(), qsizetype(text.size())) != decodeGbkWithQt(bytes))
        std::abort();
    try {
        const HoldingsTable table = HoldingsTable::parse(std::move(text), QStringLiteral("fuzz"));
        // The records cover their lines one after the other, from the second line on.
        qsizetype line = 1;
        for (qsizetype r = 0; r < table.recordCount(); ++r) {
            if (table.firstLine(r) != line)
                std::abort();
            line = table.endLine(line);
            for (QStringView row : table.holderRows(r))
                (void)row.size();
            (void)table.HoldingLines(r, 1);
            (void)table.HolderCounts(r);
        }
        if (line > table.lineCount())
            std::abort();
    } catch (const RuntimeError& e) {
        if (e.number() != ErrorNumber::Overflow && e.number() != ErrorNumber::InputPastEndOfFile &&
            e.number() != ErrorNumber::OutOfMemory)
            std::abort();
        if (e.line() < 1)
            std::abort();
    }
    return 0;
}
