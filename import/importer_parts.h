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
    Column ratio = Column::Ratio;
    double sharesScale = 1e-4; // a number of the shares column times this is in 万股
    double changeScale = 1e-4;
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
    enum class State { BeforeHeader, InTable, AfterNote };
    // A row that is not a holder row, kept until it is known whether it is a title.
    struct Pending {
        qint64 line;
        QString problem; // what is wrong with it as a holder row
        QString text;    // its fields, for a title
        bool quiet;      // above the first table, or after a note: never an error
        bool holderLike; // more than half its fields filled, as a holder row has
    };
    static constexpr qsizetype keptPending = ImportErrors::kept;

    // The file.
    QString file;
    quint32 fileIndex = 0;
    TextEncoding encoding = TextEncoding::Utf8;
    char separator = ',';

    // What was read.
    Holdings holdings;
    std::vector<QString> texts{QString()};
    // The texts of this part by their bytes in the file, and each column's last: a stock's name
    // or a share type stands on many rows in a row.
    std::unordered_map<std::string, quint32, BytesHash, std::equal_to<>> textIndex;
    using Text = std::pair<const std::string, quint32>;
    std::array<const Text*, columnCount> last{}; // in textIndex, whose entries stay put
    std::pair<QByteArray, int> lastDate; // and a date, already read
    quint32 settingName = UINT_MAX;      // the name of the settings or the title, as a text
    quint32 titleName = UINT_MAX;
    Names names;
    ImportErrors errors;
    std::vector<ImportError> warnings;
    QSet<QString> warned;
    quint32 rows = 0;
    qint64 lines = 0;         // line ends read
    bool cutInQuotes = false; // the stretch ends inside a quoted field
    bool csvFailed = false;   // the reading stopped at CSV that is not well-formed

    // Where the reading stands.
    State state = State::BeforeHeader;
    std::shared_ptr<const Table> table;
    int tables = 0;
    std::vector<Pending> pending;
    qint64 morePending = 0; // beyond those kept
    qint64 noteLine = 0;    // the note that ended the table
    Header bestHeader;      // before the first table: the row that names most columns
    qint64 bestHeaderLine = 0;
    bool anyRow = false;

    // A part that goes on reading where another stands.
    Part continuing() const {
        Part next;
        next.file = file;
        next.fileIndex = fileIndex;
        next.encoding = encoding;
        next.separator = separator;
        next.state = state;
        next.table = table;
        next.tables = tables;
        next.anyRow = anyRow;
        return next;
    }
};

} // namespace gegu
