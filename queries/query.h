#pragma once

#include "common/large_allocator.h"
#include "holdings/name_field.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <algorithm>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace gegu {

class HoldingsTable;
class NameIndex;

// A query whose Val lies strictly between 0 and this limit is a stock code: every six-digit
// code, of every exchange (Beijing's 43xxxx, 83xxxx, 87xxxx and 92xxxx among them).
inline constexpr double CodeQueryLimit = 1000000;

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

// What the query button shows. A report does not copy the table's text: it refers to the lines
// it shows (a stock's table, or the holder rows that a name search found) and puts together the
// few lines of its own (frame lines, headings) when they are asked for, decoding as it goes. It
// holds on to the table it refers to.
//
// Its text is its lines, each but the last followed by CR LF; the lines are the pieces of that
// text between CR LF pairs, as the output box shows them.
class Report {
public:
    // The table this report refers to, and the same held as long as the holder keeps it.
    const HoldingsTable& table() const { return *table_; }
    const std::shared_ptr<const HoldingsTable>& sharedTable() const { return table_; }
    // A stock was shown, or at least one holder row listed.
    bool found() const { return found_; }

    qsizetype lineCount() const;
    // Line k, without its line end.
    QString line(qsizetype k) const;
    // The length of line k in UTF-16 code units, without making its text.
    qsizetype lineLength(qsizetype k) const;
    // The table's line that line k of the report shows: a stock's header, head line or holder
    // row, or in a name report a holder row; -1 for the lines the report puts together. For a
    // name report's entry heading, the line of the stock's header.
    qsizetype tableLine(qsizetype k) const;
    // The bytes that line k is decoded from, when it shows a line of the table as it stands
    // (not a heading put together, not a frame line); nullopt otherwise.
    std::optional<QByteArrayView> lineBytes(qsizetype k) const;

    // The record whose table line k belongs to: in a stock's table every line, in a name
    // report an entry's heading and row; -1 for the lines of neither.
    qsizetype recordOf(qsizetype k) const;

    // Hands the whole text to the sink, piece by piece, decoding the table's lines as it goes.
    void writeTo(ReportSink& sink) const;
    // Every holder row the report shows, in order, as lines of the table: its record's header
    // line, and the row.
    void forEachRow(const std::function<void(qsizetype header, qsizetype row)>& row) const;

private:
    enum class Kind { StockTable, Holders, UnknownCode };
    Report(Kind kind, std::shared_ptr<const HoldingsTable> table, QStringView query);

    friend Report runQuery(std::shared_ptr<const HoldingsTable> table, QStringView typed,
                           const NameIndex* index);
    friend Report codeReport(std::shared_ptr<const HoldingsTable> table, qsizetype r);
    friend Report nameReport(std::shared_ptr<const HoldingsTable> table, QStringView QueryText,
                             const NameIndex* index);

    // The name report's entry heading for the record whose header is line `first`.
    QString entryHeading(qsizetype first) const;
    // The table line of found row j (0-based) of a name report.
    qsizetype foundRow(qsizetype j) const;
    // Calls found(line) for every found row, in order.
    template <typename Found> void forEachFound(Found found) const;

    Kind kind_;
    std::shared_ptr<const HoldingsTable> table_;
    QString query_;
    // The lines of the report's own first piece of text ("股东" + query + "持有：", or the unknown
    // code's line): a query may hold CR LF pairs, which start lines.
    QStringList opening_;
    qsizetype record_ = -1;
    // The rows found: one bit a line of the table, and the rows found before each word.
    std::vector<quint64> foundBits_;
    std::vector<qsizetype> foundBefore_;
    qsizetype foundCount_ = 0;
    bool found_ = false;
    // The length of the entry heading last asked for: a record's entries come one after the other.
    mutable std::pair<qsizetype, qsizetype> headingLength_{-1, 0};
};

// The stock code that a text typed into the query box is: Val of it with leading blanks removed,
// when that lies strictly between 0 and CodeQueryLimit; nullopt for a name.
std::optional<double> stockCodeOf(QStringView typed);

// The query button: takes the text exactly as typed into the input box and returns what the
// output box shows. Leading blanks are removed; a text whose Val lies strictly between 0 and
// CodeQueryLimit is a stock code, anything else (part of) a holder's name. A code that no
// record has gives "未找到证券代码：" and the code. An index of the table's names, when given,
// makes the name search look at the text of few rows; the report is the same.
Report runQuery(std::shared_ptr<const HoldingsTable> table, QStringView typed,
                const NameIndex* index = nullptr);
// The same, for a table that the caller keeps alive as long as the report.
Report runQuery(const HoldingsTable& table, QStringView typed, const NameIndex* index = nullptr);

// The framed holder table of record r: header, head line, TopRule, the holder rows and
// BottomRule, each line ended by CR LF.
Report codeReport(std::shared_ptr<const HoldingsTable> table, qsizetype r);

// Every holder row whose name field (its first NameFieldWidth characters, leading blanks
// removed) contains QueryText, once per row, by record and then by row, under the heading
// "股东" + QueryText + "持有：". The rows' GBK bytes are searched for the query's, at the
// characters' boundaries.
Report nameReport(std::shared_ptr<const HoldingsTable> table, QStringView QueryText,
                  const NameIndex* index = nullptr);

// The whole text of a report in one buffer. Throws RuntimeError OutOfMemory (7) when it is
// longer than limit characters or cannot be allocated.
TextBuffer reportText(const Report& report,
                      qsizetype limit = std::numeric_limits<qsizetype>::max());

} // namespace gegu
