#pragma once

#include "common/large_allocator.h"

#include <QByteArrayView>
#include <bit>
#include <stop_token>
#include <vector>

namespace gegu {

class HoldingsTable;

// An index of the holder rows' name fields for the name search. What a field holds is kept as
// 128 bits, by a hash of its GBK bytes: one for each of its characters and one for each pair of
// neighbouring characters. A field can hold a query only if it has every bit of the query's, so the
// search looks at the text of those rows alone. The bits are kept sliced: for each of the 128, one
// bit a row, so that a query reads the slices of its own few bits and no more.
class NameIndex {
public:
    static constexpr int signatureBits = 128;

    NameIndex() = default;
    // Indexes every holder row of the table, in the order of the file; the table must outlive
    // the index. A stop asked for through `stop` ends the work early, leaving an index that
    // must not be used.
    explicit NameIndex(const HoldingsTable& table, std::stop_token stop = {});

    qsizetype rows() const { return rows_; }
    // The first row of record r in the index.
    qsizetype firstRow(qsizetype r) const { return rowsBefore_[size_t(r)]; }

    // The bits of a text's signature, from its GBK bytes, each once, ascending.
    static std::vector<int> signature(QByteArrayView text);
    // Calls found(row) for each row in [from, to), ascending, whose field has every one of the
    // bits.
    template <typename Found>
    void forEachCandidate(const std::vector<int>& bits, qsizetype from, qsizetype to,
                          Found found) const {
        forEachWord(bits, from, to, [&](qsizetype w, quint64 word) {
            for (; word != 0; word &= word - 1)
                found(w * 64 + std::countr_zero(word));
        });
    }

    // About how many rows have every one of the bits: counted in one word of the slices in
    // every sixteen.
    qsizetype estimateCandidates(const std::vector<int>& bits) const {
        qsizetype n = 0;
        for (qsizetype w = 0; w < words_; w += 16) {
            quint64 word = ~quint64(0);
            for (int b : bits)
                word &= slices_[size_t(b) * size_t(words_) + size_t(w)];
            n += std::popcount(word);
        }
        return n * 16;
    }

private:
    // Calls word(w, bits) for each word of the rows in [from, to) that has a candidate.
    template <typename Word>
    void forEachWord(const std::vector<int>& bits, qsizetype from, qsizetype to, Word use) const {
        for (qsizetype w = from / 64; w * 64 < to; ++w) {
            quint64 word = ~quint64(0);
            for (int b : bits)
                word &= slices_[size_t(b) * size_t(words_) + size_t(w)];
            if (w == from / 64)
                word &= ~quint64(0) << (from % 64);
            if ((w + 1) * 64 > to)
                word &= ~quint64(0) >> ((w + 1) * 64 - to);
            if (word != 0)
                use(w, word);
        }
    }

    void sign(const HoldingsTable& table, qsizetype fromRow, qsizetype toRow,
              const std::stop_token& stop);

    qsizetype rows_ = 0;
    qsizetype words_ = 0; // of each slice
    std::vector<quint64, LargeAllocator<quint64>> slices_;
    std::vector<qsizetype> rowsBefore_; // per record
};

} // namespace gegu
