#pragma once

#include "gbk.h"
#include "line_index.h"

#include <QString>
#include <QStringView>

namespace gegu {

// Every stock of the data file: its header line, its holder count line, its table head line
// and its holder rows. The table owns one decoded copy of the file and knows where each of its
// lines starts and which lines begin a record; it is filled once and never changed.
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

    // Builds the table from the decoded text of a data file. sourceName names the file in
    // errors. Throws RuntimeError: Overflow (6) for a count beyond 32 bits, InputPastEndOfFile
    // (62) when the lines run out before the counts say. offsetBits is for tests: line starts
    // keep that many low bits each, the rest aside.
    static HoldingsTable parse(DecodedText text, const QString& sourceName, int offsetBits = 32);

    // Index of the last record: records are numbered 0..LastRecord; -1 when there are none.
    qint32 LastRecord() const { return qint32(recordCount_) - 1; }
    qsizetype recordCount() const { return recordCount_; }
    // Number of lines in the file, including any after the last record.
    qsizetype lineCount() const { return lineStarts_.size() - 1; }

    // Line n of record r: 0 the header, 1 the head line, 2.. the holder rows. A line that the
    // record did not read is empty text. Throws SubscriptOutOfRange (9) for a record outside
    // 0..LastRecord or a negative n.
    QStringView HoldingLines(qsizetype r, qsizetype n) const;
    // The holder count line of record r, unconverted. Throws SubscriptOutOfRange (9) for a
    // record outside 0..LastRecord.
    QStringView HolderCounts(qsizetype r) const;

    // The line of the file that is record r's header, r in 0..LastRecord; the count line and
    // the k lines the record read follow it.
    qsizetype firstLine(qsizetype r) const { return recordStarts_.at(r); }
    // The first line of the record that holds line i, which must belong to a record.
    qsizetype recordFirstLine(qsizetype i) const { return recordStarts_.atOrBefore(i); }
    // The line after record r's last, given its first line.
    qsizetype endLine(qsizetype first) const {
        const qsizetype next = recordStarts_.next(first);
        return next < 0 ? endLine_ : next;
    }

    // Unchecked access for the queries, r in 0..LastRecord.
    QStringView header(qsizetype r) const { return line(firstLine(r)); }
    QStringView headLine(qsizetype r) const { return HoldingLines(r, 1); }
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

    // Where line i of the file starts in the text; line i + 1's start ends it.
    const char16_t* lineData(qsizetype i) const {
        return text_.data() + lineStarts_[i];
    }

    // Line i of the file (0-based), without its line end.
    QStringView line(qsizetype i) const {
        const qint64 start = lineStarts_[i];
        qint64 end = lineStarts_[i + 1];
        const char16_t* text = text_.data();
        if (end > start && text[end - 1] == u'\n') {
            --end;
            if (end > start && text[end - 1] == u'\r')
                --end;
        } else if (end > start && text[end - 1] == u'\r') {
            --end;
        }
        return {text + start, qsizetype(end - start)};
    }
    // Left(line(i), n), which looks at the line's end only when the line may be shorter.
    QStringView linePrefix(qsizetype i, qsizetype n) const {
        const qint64 start = lineStarts_[i];
        if (lineStarts_[i + 1] - start >= n + 2) // a line end is two characters at most
            return {text_.data() + start, n};
        const QStringView whole = line(i);
        return whole.first(std::min(n, whole.size()));
    }

private:
    void checkRecord(qsizetype r) const;

    DecodedText text_;
    // Where every line of the file starts, then the text's size.
    AscendingOffsets lineStarts_;
    // The header line of every record.
    LineSet recordStarts_;
    qsizetype recordCount_ = 0;
    // The line after the last record's lines.
    qsizetype endLine_ = 0;
};

// A run of consecutive lines of the file, iterated as views.
class HoldingsTable::Lines {
public:
    class iterator {
    public:
        iterator(const HoldingsTable* table, qsizetype i) : table_(table), i_(i) {}
        QStringView operator*() const { return table_->line(i_); }
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
    QStringView back() const { return table_->line(first_ + count_ - 1); }

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
