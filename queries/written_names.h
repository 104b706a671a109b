#pragma once

// Holders by their written names: the name cell of a holder row, what stands before its first
// bar │ (the whole row when it has none), white space trimmed as QString::trimmed() trims it. A
// holder is known by that text exactly: 甲基金 is not 甲基金二号, nor 甲基金 (A).

#include "common/large_allocator.h"

#include <QByteArrayView>
#include <QStringView>
#include <stop_token>
#include <vector>

namespace gegu {

class HoldingsTable;

// The written name of a holder row, from its text.
QStringView writtenName(QStringView row);
// The same from the row's GBK bytes: the bytes of its written name, which decode to
// writtenName of the row's text.
QByteArrayView writtenNameBytes(QByteArrayView row);

// The holder rows of a table by the GBK bytes of their written names, made from the bytes (the
// rows are not decoded): a hash of each row's written name, the rows kept in buckets by it.
class WrittenNameIndex {
public:
    // Indexes every holder row of the table; the table must outlive the index. A stop asked for
    // through `stop` ends the work early, leaving an index that must not be used.
    explicit WrittenNameIndex(const HoldingsTable& table, std::stop_token stop = {});

    // Calls found(line), ascending, for the holder rows whose written name's bytes may be `name`:
    // every row that is, and the few whose names share its hash. The caller reads them.
    template <typename Found> void forEachCandidate(QByteArrayView name, Found found) const {
        if (bucketStart_.empty())
            return;
        const quint32 h = hashOf(name);
        const size_t bucket = h >> (32 - bucketBits_);
        for (quint32 i = bucketStart_[bucket]; i < bucketStart_[bucket + 1]; ++i) {
            if (hashes_[i] == h)
                found(qsizetype(lines_[i]));
        }
    }

    qsizetype rows() const { return qsizetype(lines_.size()); }

    // The hash by which a written name is kept.
    static quint32 hashOf(QByteArrayView name);

private:
    int bucketBits_ = 1;
    // Per bucket, where its rows start in hashes_ and lines_; then their end.
    std::vector<quint32, LargeAllocator<quint32>> bucketStart_;
    std::vector<quint32, LargeAllocator<quint32>> hashes_;
    std::vector<quint32, LargeAllocator<quint32>> lines_;
};

// The holder rows whose written name is the given one, ascending: from the index where there is
// one, else by reading every row's name cell in the bytes. A name that GBK cannot write as one
// byte sequence (a character it lacks, or U+FFFD, which many give) is compared as text, every
// row's name cell decoded.
std::vector<qsizetype> rowsNamed(const HoldingsTable& table, const WrittenNameIndex* index,
                                 QStringView name);

} // namespace gegu
