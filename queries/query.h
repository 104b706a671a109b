#pragma once

#include "common/large_allocator.h"

#include <QString>
#include <QStringView>
#include <algorithm>
#include <functional>
#include <limits>
#include <vector>

namespace gegu {

class HoldingsTable;
class NameIndex;

// A query whose Val lies strictly between 0 and this limit is a stock code: every six-digit
// code, of every exchange (Beijing's 43xxxx, 83xxxx, 87xxxx and 92xxxx among them).
inline constexpr double CodeQueryLimit = 1000000;
// Only the first NameFieldWidth characters of a holder row hold the holder's name.
inline constexpr qsizetype NameFieldWidth = 20;

// The frame lines above and below the holder rows of the code report.
inline constexpr QStringView TopRule = u"  ───────────┬─────┬─────┬─────┬──────";
inline constexpr QStringView BottomRule = u"  ───────────┴─────┴─────┴─────┴──────";

// Receives a report piece by piece, in order. Pieces are copied into the sink's buffer; only
// when one does not fit is the sink itself asked to make room.
class ReportSink {
public:
    virtual ~ReportSink() = default;

    void put(QStringView piece) {
        if (piece.size() <= end_ - at_)
            at_ = std::copy(piece.utf16(), piece.utf16() + piece.size(), at_);
        else
            overflow(piece);
    }

protected:
    // The buffer that put() fills, from begin on; `end` is its end.
    void setBuffer(char16_t* begin, char16_t* end) {
        at_ = begin;
        end_ = end;
    }
    char16_t* position() const { return at_; }
    // Takes a piece that does not fit into what is left of the buffer.
    virtual void overflow(QStringView piece) = 0;

private:
    char16_t* at_ = nullptr;
    char16_t* end_ = nullptr;
};

// The holder rows that a name search found among the records [firstRecord, endRecord): one
// bit for each line of the file from firstLine on.
struct FoundRows {
    qsizetype firstRecord = 0;
    qsizetype endRecord = 0;
    qsizetype firstLine = 0;
    std::vector<quint64> bits;
};

// What the query button shows, ready to be written out. How long it is at most is known before
// any of it is written, so that it can be held in one buffer of that size or streamed as it is
// written; either way the table must outlive it.
class Report {
public:
    // Characters in all, at most: a holder row is counted with its line end in the file.
    qsizetype maxLength() const { return length_; }
    // A stock was shown, or at least one holder row listed.
    bool found() const { return found_; }
    // Hands the whole text to the sink, piece by piece.
    void writeTo(ReportSink& sink) const;
    // Every holder row the report shows, in order, with its stock's header line.
    void forEachRow(const std::function<void(QStringView header, QStringView row)>& row) const;

private:
    enum class Kind { StockTable, Holders, UnknownCode };
    Report(Kind kind, const HoldingsTable& table, QStringView query)
        : kind_(kind), table_(&table), query_(query.toString()) {}

    friend Report runQuery(const HoldingsTable& table, QStringView typed, const NameIndex* index);
    friend Report codeReport(const HoldingsTable& table, qsizetype r);
    friend Report nameReport(const HoldingsTable& table, QStringView QueryText,
                             const NameIndex* index);

    void writeStockTable(ReportSink& sink) const;
    void writeHolders(ReportSink& sink) const;
    // Calls found(first, end, line) for each row found, by record: the lines [first, end) are
    // its record's.
    template <typename Found> void forEachFoundRow(Found found) const;

    Kind kind_;
    const HoldingsTable* table_;
    QString query_;
    qsizetype record_ = -1;
    std::vector<FoundRows> rows_;
    qsizetype length_ = 0;
    bool found_ = false;
};

// The query button: takes the text exactly as typed into the input box and returns the output
// box's new text. Leading blanks are removed; a text whose Val lies strictly between 0 and
// CodeQueryLimit is a stock code, anything else (part of) a holder's name. A code that no
// record has gives "未找到证券代码：" and the code. An index of the table's names, when given,
// makes the name search look at the text of few rows; the report is the same.
Report runQuery(const HoldingsTable& table, QStringView typed, const NameIndex* index = nullptr);

// The framed holder table of record r: header, head line, TopRule, the holder rows and
// BottomRule, each line ended by CR LF.
Report codeReport(const HoldingsTable& table, qsizetype r);

// Every holder row whose name field (its first NameFieldWidth characters, leading blanks
// removed) contains QueryText, once per row, by record and then by row, under the heading
// "股东" + QueryText + "持有：".
Report nameReport(const HoldingsTable& table, QStringView QueryText,
                  const NameIndex* index = nullptr);

// The whole report in one buffer. Throws RuntimeError OutOfMemory (7) when it may be longer
// than limit characters or cannot be allocated.
TextBuffer reportText(const Report& report,
                      qsizetype limit = std::numeric_limits<qsizetype>::max());

} // namespace gegu
