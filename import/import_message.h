#pragma once

// What an import says about an export: errors, warnings and notes, each at its file and line.
// A message is its kinds and their values, not words: importWords() words them for the command
// line, in this one place, and any other place that shows them (a window, in another language)
// can word them its own way from the same parts.

#include <QString>
#include <QStringList>
#include <vector>

namespace gegu {

enum class ImportKind {
    // The file as a whole.
    FileUnreadable,   // values: the system's words
    FileChanged,      // it changed while it was read
    FileBeingWritten, // another program is writing it
    FileTooLarge,     // larger than the memory available
    OutOfMemory,      //
    CsvStrayQuote,    // a quote inside a field that is not quoted, or after one
    CsvUnendedQuote,  // a quoted field that runs to the end of the file
    EmptyFile,        //
    NoHeaderRow,      // no line names the holder and the shares
    NoNamesHeader,    // a --names list: no line names the code and the name
    Workbook,         // a spreadsheet's own file (.xlsx, .xls), not text
    // Encodings.
    StrayByte,        // a byte that is not UTF-8 in a file that is UTF-8 elsewhere
    GbkInUtf8,        // a line of GBK in a file that is UTF-8 elsewhere
    Utf8InGbk,        // a line of UTF-8 in a file that is GBK elsewhere
    NeitherEncoding,  // bytes that are neither UTF-8 nor GBK
    EncodingsTie,     // the file reads as well in UTF-8 as in GBK
    Windows1252Quote, // warning; values: the text around it
    // A table's header and title.
    MissingColumn,   // column: the column missing
    NoCode,          // no code column, title or --code
    NoDate,          // no date column, title or --date
    TitleCodes,      // values: the codes a title names, none marked as the stock's
    TitleDates,      // values: the dates a title names, none marked as the report date
    RatioNotOfFloat, // values: the ratio column's name
    NotSharesUnit,   // values: the column's name, its unit
    NotRatioUnit,    // values: the column's name, its unit
    TextColumnUnit,  // values: the column's name, its unit
    UnusedColumns,   // warning; values: the names
    TitleRead,       // note; values: code, name, date as taken from a title (empty: not taken)
    FileNameRead,    // note; values: code, date, table as taken from the file's name (empty: not)
    KindAssumed,     // note: nothing says 十大股东 or 十大流通股东; read as 十大股东
    TitleWithoutHeader, // a title line with no header under it
    // A row.
    FieldCount,      // values: the row's fields, the header's
    RowAfterNote,    // otherLine: the note
    NotCode,         // values: the cell
    NoCodeInRow,     //
    NotDate,         // values: the cell
    NoDateInRow,     //
    NotNumber,       // column; values: the cell
    Grouping,        // column; values: the cell: thousands not in threes
    Rounded,         // column; values: the cell, its significant digits, the digits needed
    AmbiguousNumber, // column; values: the cell, its reading with a decimal point, with thousands
    DecimalPointAfterComma, // values: a number with a decimal point, an earlier one with a
                            // decimal comma; otherLine: the earlier one's
    DecimalCommaAfterPoint, // the same the other way round
    NoShares,               //
    NegativeShares,         // values: the cell
    TooManyShares,          // values: the cell
    ChangeTooLarge,         // values: the cell
    RatioOutOfRange,        // values: the cell
    NotRank,                // values: the cell
    NotChange,              // values: the cell: words with a number that cannot be read
    HolderEmpty,            //
    ControlCharacter,       // column; values: the character's code (hex)
    NotInGbk,               // column; values: the character, its code (hex), the text
    ColumnBar,              // column; values: the text: it holds the bar between a row's columns
    ForeignCodes,           // warning; values: how many rows, the first one's code
    OnlyForeignCodes,       // values: how many rows, the first one's code
    // Rows together.
    Disagree,     // values: holder, share type, code, date, here, there, the other place
    NamesCollide, // values: a holder, its written name, the other holder, its place
    KindUnknown,  // values: code, date, the other table's place and its kind: this table says
    // neither 十大股东 nor 十大流通股东, and another of the stock and date does
    // The import as a whole.
    PeriodsLeftOut,  // warning; values: periods, records
    NamesTooWide,    // warning; values: how many names
    NamesFieldCount, // a --names list's row with fewer fields than its header
};

// One thing wrong with (or said about) a line.
struct ImportFault {
    ImportFault(ImportKind what, int aboutColumn = -1, QStringList with = {})
        : kind(what), column(aboutColumn), values(std::move(with)) {}

    ImportKind kind;
    int column = -1; // the Column it is about, where it is about one
    QStringList values;
    qint64 otherLine = 0; // another line of the same file that it names, or 0

    // The fault in the command line's words.
    QString words() const;
};

// A message about a file, at a line (0 when none applies): one fault, or every fault of a row.
struct ImportMessage {
    ImportMessage() = default;
    ImportMessage(QString inFile, qint64 atLine, ImportFault fault)
        : file(std::move(inFile)), line(atLine), faults{std::move(fault)} {}
    // A row's every fault.
    static ImportMessage ofRow(QString inFile, qint64 atLine, std::vector<ImportFault> all) {
        ImportMessage m;
        m.file = std::move(inFile);
        m.line = atLine;
        m.faults = std::move(all);
        return m;
    }

    QString file;
    qint64 line = 0;
    std::vector<ImportFault> faults;

    ImportKind kind() const { return faults.front().kind; }
    // Every fault in the command line's words, joined by "; ".
    QString message() const;
    // "file:line: message", or "file: message" without a line, or the message alone for one
    // about no file (of the import as a whole).
    QString text() const;
    // Moves the lines it names by `lines`: a stretch of a file read on its own counts its lines
    // from its start.
    void shift(qint64 lines);
};

// An error: a message that stops the import. Thrown, too, by what reads a file.
using ImportError = ImportMessage;

} // namespace gegu
