#pragma once

// Reads CSV files (RFC 4180: quoted fields may hold separators, quotes and line breaks; CR LF or
// LF line ends) with libcsv, row by row. The separator is a comma, a tab or a semicolon.

#include "encoding.h"
#include "import_message.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>
#include <string>
#include <vector>

namespace gegu {

// One row of a CSV file: its fields as the file's bytes, and the line it starts on.
class CsvRow {
public:
    qsizetype size() const { return qsizetype(ends_.size()); }
    QByteArrayView field(qsizetype i) const {
        const qsizetype begin = i == 0 ? 0 : ends_[size_t(i - 1)];
        return QByteArrayView(bytes_.data() + begin, ends_[size_t(i)] - begin);
    }
    qint64 line() const { return line_; }
    // Whether the two rows have the same fields.
    bool sameFields(const CsvRow& other) const {
        return ends_ == other.ends_ && bytes_ == other.bytes_;
    }

private:
    friend class CsvReader;
    std::string bytes_; // the fields one after the other; clear() keeps its room
    std::vector<qsizetype> ends_;
    qint64 line_ = 0;
};

// The bytes without the blanks (spaces and tabs) at either end: how libcsv trims a field that
// is not quoted.
QByteArrayView trimmedBlanks(QByteArrayView bytes);

class CsvReader {
public:
    // How the rows are read. libcsv reads every line that holds a quote or a lone CR; a plain
    // line, the common one, is split at its separators directly, to the same fields, unless
    // LibcsvOnly asks for libcsv throughout (which tests compare against).
    enum class Lines { PlainDirect, LibcsvOnly };

    // Calls onRow for every row of the CSV text, whose first row is on line firstLine of the
    // file; a UTF-8 byte order mark at its start is skipped. Fields are separated by `separator`
    // (a comma, a tab or a semicolon) and trimmed of blanks (and tabs, where they separate no
    // fields) outside quotes. progress, when set, is told how many bytes have been read. Returns
    // the number of line ends read. Throws ImportError, naming `file` and the line, for CSV that
    // is not well-formed (a stray quote, a quoted field that never ends); an exception from
    // onRow comes through as it is.
    static qint64 read(QByteArrayView text, const QString& file,
                       const std::function<void(const CsvRow&)>& onRow,
                       const std::function<void(qint64)>& progress = {}, qint64 firstLine = 1,
                       Lines lines = Lines::PlainDirect, char separator = ',');
};

} // namespace gegu
