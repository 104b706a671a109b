#pragma once

// Compact indexes over the lines of a data file: where each line starts, and which lines
// begin a record. A file can hold a line end in every byte, so these cost a few bytes a line
// at most.

#include "common/large_allocator.h"

#include <QtGlobal>
#include <algorithm>
#include <bit>
#include <vector>

namespace gegu {

// An ascending sequence of offsets, 4 bytes each. Only the low bits of an offset are stored;
// the few places where the high part grows are kept aside, so that offsets past 4 Gi cost
// nothing more. Tests set fewer low bits to reach those places with small texts.
class AscendingOffsets {
public:
    explicit AscendingOffsets(int lowBits = 32)
        : bits_(lowBits), mask_((quint64(1) << bits_) - 1) {}

    qsizetype size() const { return qsizetype(low_.size()); }

    qint64 operator[](qsizetype i) const {
        qint64 high = 0;
        if (!highStarts_.empty())
            high =
                std::upper_bound(highStarts_.begin(), highStarts_.end(), i) - highStarts_.begin();
        return (high << bits_) | low_[size_t(i)];
    }

    // Where offset i is kept, to be fetched ahead of reading it.
    const void* address(qsizetype i) const { return low_.data() + i; }

    // Appends an offset, not below the last one.
    void append(qint64 offset) {
        Q_ASSERT(low_.empty() || offset >= (*this)[size() - 1]);
        const qint64 high = offset >> bits_;
        if (qint64(highStarts_.size()) < high)
            reachHigh(high);
        low_.push_back(quint32(quint64(offset) & mask_));
    }

    // The low bits of the offsets, to be filled directly where every offset lies below
    // fillLimit() (none has a high part).
    std::vector<quint32, LargeAllocator<quint32>>& lowBits() {
        Q_ASSERT(highStarts_.empty());
        return low_;
    }
    void reserve(qsizetype n) { low_.reserve(size_t(n)); }
    int lowBitCount() const { return bits_; }
    qint64 fillLimit() const { return qint64(mask_) + 1; }

private:
    // Starts the high parts up to `high` at the next index: seldom, out of the way of the loop
    // that appends (and of GCC's bounds warnings when it is inlined there).
    Q_NEVER_INLINE void reachHigh(qint64 high) {
        while (qint64(highStarts_.size()) < high)
            highStarts_.push_back(size());
    }

    int bits_;
    quint64 mask_;
    std::vector<quint32, LargeAllocator<quint32>> low_;
    // highStarts_[h - 1]: the first index whose offset has a high part of h or more.
    std::vector<qsizetype> highStarts_;
};

// A set of line numbers, added in ascending order: one bit a line, and a count every 64 lines
// to find the k-th line of the set, and the set's neighbours of any line, in a few steps.
class LineSet {
public:
    LineSet() = default;
    explicit LineSet(qsizetype lines) : words_(size_t(lines / 64 + 1), 0) {}

    void add(qsizetype line) {
        words_[size_t(line / 64)] |= quint64(1) << (line % 64);
        ++size_;
    }
    // Counts the lines before each word; call once, after the last add().
    void finish() {
        before_.resize(words_.size());
        qsizetype n = 0;
        for (size_t w = 0; w < words_.size(); ++w) {
            before_[w] = n;
            n += std::popcount(words_[w]);
        }
    }

    qsizetype size() const { return size_; }

    // The k-th line of the set (0-based), k in 0..size() - 1.
    qsizetype at(qsizetype k) const {
        const size_t w = wordHolding(k);
        quint64 word = words_[w];
        for (qsizetype skip = k - before_[w]; skip > 0; --skip)
            word &= word - 1;
        return qsizetype(w) * 64 + std::countr_zero(word);
    }

    // How many lines of the set come before the given one.
    qsizetype rank(qsizetype line) const {
        const size_t w = size_t(line / 64);
        if (w >= words_.size())
            return size_;
        return before_[w] + std::popcount(words_[w] & ((quint64(1) << (line % 64)) - 1));
    }

    // The last line of the set at or before the given one, or -1. Takes the same few steps
    // however far back that is (a record of a million rows is 15,000 words long).
    qsizetype atOrBefore(qsizetype line) const {
        const size_t w = size_t(line / 64);
        const quint64 word = words_[w] & (~quint64(0) >> (63 - line % 64));
        if (word != 0)
            return qsizetype(w) * 64 + 63 - std::countl_zero(word);
        // The last line before word w is the set's line number before_[w] - 1 (0-based).
        return before_[w] == 0 ? -1 : lastOfWordHolding(before_[w] - 1);
    }

    // The first line of the set after the given one, or -1; as quick.
    qsizetype next(qsizetype line) const {
        const qsizetype from = line + 1;
        const size_t w = size_t(from / 64);
        if (w >= words_.size())
            return -1;
        const quint64 word = words_[w] & (~quint64(0) << (from % 64));
        if (word != 0)
            return qsizetype(w) * 64 + std::countr_zero(word);
        // The first line after word w is the set's line number before_[w + 1].
        const qsizetype k = w + 1 < words_.size() ? before_[w + 1] : size_;
        return k == size_ ? -1 : firstOfWordHolding(k);
    }

private:
    // The word that holds the k-th line of the set.
    size_t wordHolding(qsizetype k) const {
        return size_t(std::upper_bound(before_.begin(), before_.end(), k) - before_.begin() - 1);
    }
    // The first, or the last, line of the word that holds the k-th line of the set.
    qsizetype firstOfWordHolding(qsizetype k) const {
        const size_t w = wordHolding(k);
        return qsizetype(w) * 64 + std::countr_zero(words_[w]);
    }
    qsizetype lastOfWordHolding(qsizetype k) const {
        const size_t w = wordHolding(k);
        return qsizetype(w) * 64 + 63 - std::countl_zero(words_[w]);
    }

    std::vector<quint64, LargeAllocator<quint64>> words_;
    std::vector<qsizetype, LargeAllocator<qsizetype>> before_;
    qsizetype size_ = 0;
};

} // namespace gegu
