#pragma once

// The importer's state while it reads a file: the table it is in, and what one stretch of the
// file gave. Only the importer's own sources include this.

#include "importer.h"

#include <QSet>
#include <array>
#include <climits>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace gegu {

// Byte strings as keys, found by views of bytes without a copy.
struct BytesHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
};

// A table of an export: its header, and what its title (or the settings) say.
struct Importer::Table {
    Header header;
    CsvRow row; // the header row, to know it when it is repeated
    qint64 line = 0;
    std::optional<int> code;
    std::optional<int> date;
    QString name;
    bool floatHolders = false;
    bool kindAssumed = false; // nothing said 十大股东 or 十大流通股东: 十大股东 it is
    Column ratio = Column::Ratio;
    double sharesScale = 1e-4; // a number of the shares column times this is in 万股
    double changeScale = 1e-4;
    double changeWordsScale = 1e-4;
    bool usable = true; // false after an error at the header: its rows are not read

    qsizetype fields() const { return row.size(); }
    QByteArrayView field(const CsvRow& r, Column c) const {
        const qsizetype at = header.place(c);
        return at < 0 ? QByteArrayView() : r.field(at);
    }
};

// What one stretch of a file gave, and where the reading stands: its rows and their texts,
// read on a thread of its own.
struct Importer::Part {
    enum class State {
        BeforeHeader, // lines above the first header: its title
        InTable,      // after a header
        InTitle,      // after a title line that follows a table: the next table's title
        AfterNote,    // after a note that ended a table
    };
    // A line kept for a title.
    struct TitleLine {
        qint64 line;
        QString text; // its fields, joined by blanks
    };
    // A number that reads two ways (1.234), until the file's decimal mark is known.
    struct EitherNumber {
        size_t row; // in holdings
        Column column;
        qint64 line;
        QString cell;
        double pointValue;     // read with a decimal point, as the row has it now
        double thousandsValue; // read with a thousands point
        double scale;
    };
    // Where a number shows the file's decimal mark first.
    struct MarkSeen {
        qint64 line = 0;
        QString cell;
    };

    // The file.
    QString file;
    quint32 fileIndex = 0;
    TextEncoding encoding = TextEncoding::Utf8;
    char separator = ',';
    NumberStyle style = NumberStyle::CommaThousands;
    std::shared_ptr<const FileSettings> settings;

    // What was read.
    Holdings holdings;
    std::vector<QString> texts{QString()};
    // The texts of this part by their bytes in the file, and each column's last: a stock's name
    // or a share type stands on many rows in a row.
    std::unordered_map<std::string, quint32, BytesHash, std::equal_to<>> textIndex;
    using Text = std::pair<const std::string, quint32>;
    std::array<const Text*, columnCount> last{};          // in textIndex, whose entries stay put
    std::pair<QByteArray, int> lastDate;                  // and a date, already read
    std::unordered_map<quint32, ChangeWords> changeWords; // of texts that stand for a change
    quint32 settingName = UINT_MAX; // the name of the settings or the title, as a text
    quint32 titleName = UINT_MAX;
    Names names;
    ImportErrors errors;
    std::vector<ImportMessage> warnings;
    std::vector<ImportMessage> titles;
    QSet<QString> warned;
    quint32 rows = 0;
    qint64 lines = 0;         // line ends read
    bool cutInQuotes = false; // the stretch ends inside a quoted field
    bool csvFailed = false;   // the reading stopped at CSV that is not well-formed
    // Numbers of a semicolon-separated file.
    MarkSeen decimalComma;
    MarkSeen decimalPoint;
    std::vector<EitherNumber> eitherNumbers;
    // Rows of stocks of other markets, left out.
    qint64 otherMarketRows = 0;
    qint64 otherMarketLine = 0;
    QString otherMarketCode;

    // Where the reading stands.
    State state = State::BeforeHeader;
    std::shared_ptr<const Table> table;
    int tables = 0;
    std::vector<TitleLine> title;
    bool titleAfterNote = false; // the title lines follow a note
    qint64 noteLine = 0;         // the note that ended the table
    Header bestHeader;           // before the first table: the row that names most columns
    qint64 bestHeaderLine = 0;
    bool anyRow = false;

    // A part that goes on reading where another stands.
    Part continuing() const {
        Part next;
        next.file = file;
        next.fileIndex = fileIndex;
        next.encoding = encoding;
        next.separator = separator;
        next.style = style;
        next.settings = settings;
        next.state = state;
        next.table = table;
        next.tables = tables;
        next.anyRow = anyRow;
        return next;
    }
};

} // namespace gegu
