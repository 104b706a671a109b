#include "name_index.h"

#include "common/parallel.h"
#include "holdings/gbk.h"
#include "holdings/holdings_table.h"
#include "holdings/text_rules.h"
#include "query.h"

#include <algorithm>
#include <array>

namespace gegu {

namespace {

int bitOf(quint64 value) {
    return int((value * 0x9E3779B97F4A7C15ULL) >> 58);
}

// Calls set(bit) for the bits of a name field's signature, from its GBK bytes: 0..63 for its
// characters, 64..127 for its pairs of neighbouring characters. A character is known by its
// bytes: one, or a lead and a trail byte.
template <typename Set> void forEachSignatureBit(QByteArrayView bytes, Set set) {
    const auto* p = reinterpret_cast<const uchar*>(bytes.data());
    const uchar* const end = p + bytes.size();
    quint64 previous = 0;
    for (bool first = true; p < end; first = false) {
        const int size = *p < 0x80 ? 1 : gbkCharSize(p, end);
        const quint64 c = size == 1 ? p[0] : quint64(p[0]) << 8 | p[1];
        set(bitOf(c));
        if (!first)
            set(64 + bitOf(previous << 16 | c));
        previous = c;
        p += size;
    }
}

} // namespace

std::vector<int> NameIndex::signature(QByteArrayView text) {
    std::array<bool, signatureBits> has{};
    forEachSignatureBit(text, [&](int bit) { has[size_t(bit)] = true; });
    std::vector<int> bits;
    for (int b = 0; b < signatureBits; ++b) {
        if (has[size_t(b)])
            bits.push_back(b);
    }
    return bits;
}

NameIndex::NameIndex(const HoldingsTable& table, std::stop_token stop) {
    const qsizetype records = table.recordCount();
    rowsBefore_.resize(size_t(records));
    qsizetype first = records > 0 ? table.firstLine(0) : 0;
    for (qsizetype r = 0; r < records; ++r) {
        rowsBefore_[size_t(r)] = rows_;
        const qsizetype end = table.endLine(first);
        rows_ += std::max<qsizetype>(end - first - 3, 0);
        first = end;
    }
    words_ = (rows_ + 63) / 64;
    slices_.assign(size_t(signatureBits) * size_t(words_), 0);
    // Two halves at once, split between two words of the slices.
    const qsizetype middle = rows_ / 2 / 64 * 64;
    inParallel([&] { sign(table, 0, middle, stop); }, [&] { sign(table, middle, rows_, stop); });
}

void NameIndex::sign(const HoldingsTable& table, qsizetype fromRow, qsizetype toRow,
                     const std::stop_token& stop) {
    if (fromRow >= toRow)
        return;
    // The record that holds the first row: the last that starts at it or before.
    qsizetype r =
        std::upper_bound(rowsBefore_.begin(), rowsBefore_.end(), fromRow) - rowsBefore_.begin() - 1;
    qsizetype first = table.firstLine(r);
    qsizetype end = table.endLine(first);
    qsizetype line = first + 3 + (fromRow - rowsBefore_[size_t(r)]);
    // The bits of 64 rows at a time, one word of each slice.
    std::array<quint64, signatureBits> word{};
    const auto store = [&](qsizetype row) {
        for (int b = 0; b < signatureBits; ++b) {
            slices_[size_t(b) * size_t(words_) + size_t(row / 64)] |= word[size_t(b)];
            word[size_t(b)] = 0;
        }
    };
    for (qsizetype row = fromRow; row < toRow; ++row, ++line) {
        while (line >= end) { // the next record with rows
            first = end;
            end = table.endLine(first);
            line = first + 3;
        }
        const quint64 mark = quint64(1) << (row % 64);
        forEachSignatureBit(gbkLTrim(table.linePrefix(line, NameFieldWidth)),
                            [&](int bit) { word[size_t(bit)] |= mark; });
        if (row % 64 == 63) {
            store(row);
            if (row % 65536 == 65535 && stop.stop_requested())
                return;
        }
    }
    if (toRow % 64 != 0)
        store(toRow - 1);
}

} // namespace gegu
