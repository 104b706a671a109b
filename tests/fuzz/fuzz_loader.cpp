// Fuzzes the loader with arbitrary file bytes, from memory: it must load them or raise one of
// its runtime errors, and GBK must decode exactly as Qt's decoder does.

#include "holdings/gbk.h"
#include "holdings/holdings_table.h"
#include "holdings/runtime_error.h"
#include "holdings/table_text.h"

#include <cstdint>
#include <cstdlib>

using namespace gegu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = decodeGbk(bytes);
    if (text != decodeGbkWithQt(bytes) || text.size() != gbkLength(bytes))
        std::abort();
    // Every text the decoder gives that holds no U+FFFD has the bytes it came from.
    if (!text.contains(QChar::ReplacementCharacter) && encodeGbk(text) != bytes.toByteArray())
        std::abort();
    try {
        const HoldingsTable table =
            HoldingsTable::parse(ByteBuffer(bytes.begin(), bytes.end()), QStringLiteral("fuzz"));
        // The records cover their lines one after the other, from the second line on, and the
        // lines split the text as splitting the decoded text would.
        qsizetype line = 1;
        for (qsizetype r = 0; r < table.recordCount(); ++r) {
            if (table.firstLine(r) != line)
                std::abort();
            line = table.endLine(line);
            for (auto row = table.holderRows(r).begin(); row != table.holderRows(r).end(); ++row) {
                if (!table.isHolderRow(row.lineNumber()))
                    std::abort();
                // A row's cells, where it has the five, are pieces of it.
                const QString rowText = *row;
                if (const auto cells = readHolderCells(rowText)) {
                    if (cells->name.isEmpty() || !rowText.contains(cells->name) ||
                        cells->shares.has_value() == cells->sharesText.isEmpty())
                        std::abort();
                }
            }
            const StockHeader header = readStockHeader(table.header(r));
            if (header.code.size() > 6 || (!header.date.isEmpty() && header.date.size() != 10))
                std::abort();
            (void)table.HoldingLines(r, 1);
            (void)table.HolderCounts(r);
        }
        if (line > table.lineCount())
            std::abort();
        QString joined;
        for (qsizetype i = 0; i < table.lineCount(); ++i) {
            const QString l = table.line(i);
            if (l.contains(u'\r') || l.contains(u'\n'))
                std::abort();
            joined += l;
        }
        QString withoutEnds = text;
        withoutEnds.remove(u'\r').remove(u'\n');
        if (joined != withoutEnds)
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
