#pragma once

#include "common/large_allocator.h"
#include "gbk.h"
#include "line_index.h"

#include <QByteArrayView>
#include <QString>

namespace gegu {

// Every stock of the data file: its header line, its holder count line, its table head line
// and its holder rows. The table keeps the file's bytes as they are (GBK), where each line
// starts and which lines begin a record; a line is decoded only when it is shown, compared as
// text or copied. It is filled once and never changed.
//
// The file: the index N of the last record, then per record r = 0..N its header line, its
// holder count c, and k = RoundToLong(Val(c) + 1) further lines: the head line and k - 1 holder
// rows. The table grows with the lines actually read; there is no record or row limit.
class HoldingsTable {
public:
    class Lines;

    HoldingsTable() = default;
    HoldingsTable(HoldingsTable&&) = default;
    HoldingsTable& operator=(HoldingsTable&&) = default;
    HoldingsTable(const HoldingsTable&) = delete;
    HoldingsTable& operator=(const HoldingsTable&) = delete;

    // Builds the table from the bytes of a data file. sourceName names the file in errors.
    // Throws RuntimeError: Overflow (6) for a count beyond 32 bits, InputPastEndOfFile (62) when
    // the lines run out before the counts say. offsetBits is for tests: line starts keep that
    // many low bits each, the rest aside.
    static HoldingsTable parse(ByteBuffer bytes, const QString& sourceName, int offsetBits = 32);

    // Index of the last record: records are numbered 0..LastRecord; -1 when there are none.
    qint32 LastRecord() const { return qint32(recordCount_) - 1; }
    qsizetype recordCount() const { return recordCount_; }
    // Number of lines in the file, including any after the last record.
    qsizetype lineCount() const { return lineStarts_.size() - 1; }
    // The file's size in bytes.
    qsizetype byteCount() const { return qsizetype(bytes_.size()); }
    // Whether the first line holds a digit: the count of records a data file begins with. A
    // text without one (a README, a CSV export) still loads, as one record, but is no data file.
    bool hasRecordCount() const { return hasRecordCount_; }

    // Line n of record r: 0 the header, 1 the head line, 2.. the holder rows. A line that the
    // record did not read is empty text. Throws SubscriptOutOfRange (9) for a record outside
    // 0..LastRecord or a negative n.
    QString HoldingLines(qsizetype r, qsizetype n) const;
    // The holder count line of record r, unconverted. Throws SubscriptOutOfRange (9) for a
    // record outside 0..LastRecord.
    QString HolderCounts(qsizetype r) const;

    // The line of the file that is record r's header, r in 0..LastRecord; the count line and
    // the k lines the record read follow it.
    qsizetype firstLine(qsizetype r) const { return recordStarts_.at(r); }
    // The first line of the record that holds line i, or -1 when a record holds no line up to i.
    qsizetype recordFirstLine(qsizetype i) const { return recordStarts_.atOrBefore(i); }
    // The line after record r's last, given its first line.
    qsizetype endLine(qsizetype first) const {
        const qsizetype next = recordStarts_.next(first);
        return next < 0 ? endLine_ : next;
    }
    // The record that holds line i, or -1 when none does.
    qsizetype recordOfLine(qsizetype i) const {
        return i < endLine_ && recordFirstLine(i) >= 0 ? recordStarts_.rank(i + 1) - 1 : -1;
    }
    // Whether line i is a holder row of a record.
    bool isHolderRow(qsizetype i) const {
        const qsizetype first = i < endLine_ ? recordFirstLine(i) : -1;
        return first >= 0 && i >= first + 3;
    }

    // Unchecked access for the queries, r in 0..LastRecord.
    QString header(qsizetype r) const { return line(firstLine(r)); }
    QString headLine(qsizetype r) const { return HoldingLines(r, 1); }
    // Holder rows 2..k of record r; empty when k < 2.
    Lines holderRows(qsizetype r) const;
    // Val of the first six characters of the header, leading blanks removed: the stock code
    // that a code query compares with.
    double stockCode(qsizetype r) const;

    // Asks for where line i starts to be brought into the cache, to be read soon.
    void prefetchLineStart(qsizetype i) const {
#if defined(__GNUC__)
        __builtin_prefetch(lineStarts_.address(i));
#else
        (void)i;
#endif
    }

    // The whole file's bytes.
    QByteArrayView bytes() const {
        return {bytes_.data(), qsizetype(bytes_.size())};
    }
    // Where line i of the file starts in the bytes; line i + 1's start ends it.
    qint64 lineStart(qsizetype i) const {
        return lineStarts_[i];
    }
    const char* lineData(qsizetype i) const {
        return bytes_.data() + lineStarts_[i];
    }
    // The line that holds the byte at offset, among the lines from `from` on (from may be any
    // line at or before it).
    qsizetype lineAt(qint64 offset, qsizetype from = 0) const;

    // The bytes of line i of the file (0-based), without its line end.
    QByteArrayView lineBytes(qsizetype i) const {
        const qint64 start = lineStarts_[i];
        qint64 end = lineStarts_[i + 1];
        const char* bytes = bytes_.data();
        if (end > start && bytes[end - 1] == '\n') {
            --end;
            if (end > start && bytes[end - 1] == '\r')
                --end;
        } else if (end > start && bytes[end - 1] == '\r') {
            --end;
        }
        return {bytes + start, qsizetype(end - start)};
    }
    // Line i of the file, decoded.
    QString line(qsizetype i) const {
        return decodeGbk(lineBytes(i));
    }
    // The bytes of Left(line(i), n): the line's first n characters, or all of it.
    QByteArrayView linePrefix(qsizetype i, qsizetype n) const {
        const qint64 start = lineStarts_[i];
        const qint64 room = lineStarts_[i + 1] - start;
        const auto* p = reinterpret_cast<const uchar*>(bytes_.data() + start);
        // A line end is two bytes at most, and a character two bytes at most.
        if (room >= 2 * n + 2) {
            qsizetype at = 0;
            for (qsizetype c = 0; c < n; ++c)
                at += p[at] < 0x80 ? 1 : gbkCharSize(p + at, p + room);
            return {bytes_.data() + start, at};
        }
        const QByteArrayView whole = lineBytes(i);
        const auto* q = reinterpret_cast<const uchar*>(whole.data());
        qsizetype at = 0;
        for (qsizetype c = 0; c < n && at < whole.size(); ++c)
            at += gbkCharSize(q + at, q + whole.size());
        return whole.first(at);
    }

private:
    void checkRecord(qsizetype r) const;

    ByteBuffer bytes_;
    // Where every line of the file starts, then the file's size.
    AscendingOffsets lineStarts_;
    // The header line of every record.
    LineSet recordStarts_;
    qsizetype recordCount_ = 0;
    bool hasRecordCount_ = false;
    // The line after the last record's lines.
    qsizetype endLine_ = 0;
};

// A run of consecutive lines of the file, iterated as decoded text.
class HoldingsTable::Lines {
public:
    class iterator {
    public:
        iterator(const HoldingsTable* table, qsizetype i) : table_(table), i_(i) {}
        QString operator*() const { return table_->line(i_); }
        qsizetype lineNumber() const { return i_; }
        iterator& operator++() {
            ++i_;
            return *this;
        }
        bool operator==(const iterator& other) const { return i_ == other.i_; }

    private:
        const HoldingsTable* table_;
        qsizetype i_;
    };

    Lines(const HoldingsTable* table, qsizetype first, qsizetype count)
        : table_(table), first_(first), count_(count) {}
    qsizetype firstLine() const { return first_; }
    iterator begin() const { return {table_, first_}; }
    iterator end() const { return {table_, first_ + count_}; }
    std::size_t size() const { return std::size_t(count_); }
    QString back() const { return table_->line(first_ + count_ - 1); }

private:
    const HoldingsTable* table_;
    qsizetype first_;
    qsizetype count_;
};

// The holder rows of the record whose header is line `first`, given the line after its last.
inline HoldingsTable::Lines recordRows(const HoldingsTable& table, qsizetype first, qsizetype end) {
    return {&table, first + 3, std::max<qsizetype>(end - first - 3, 0)};
}

} // namespace gegu
