#pragma once

// Turns top-ten-holder tables exported as CSV (by public data libraries and brokers'
// terminals) into a Gegu data file.

#include "csv_reader.h"
#include "holdings/data_file_writer.h"
#include "common/large_allocator.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class QIODevice;

namespace gegu {

class DataFileWriter;

// What a column of an export holds; columns are found by their header's name.
enum class Column { Code, Name, Date, Holder, Shares, Ratio, FloatRatio, Type, Change, Rank };

// The header names that stand for a column, as the common exports write them.
const QStringList& columnNames(Column column);

// Values as exports write them. Each gives nullopt for text it does not read.
// A stock code: 600000, 600000.SH, sh600000, SH600000, sh.600000, or 1 for 000001.
std::optional<int> parseStockCode(QStringView text);
// A date: 2024-06-30, 20240630 or 2024/6/30, a time after it ignored; as yyyymmdd.
std::optional<int> parseDate(QStringView text);
// A number: digits with a sign, a decimal point, an exponent, thousands separators or a
// trailing %.
std::optional<double> parseNumber(QStringView text);

struct ImportSettings {
    bool history = false;      // every report period, not just each stock's latest
    bool floatHolders = false; // top-ten float holders, with the float ratio
    TextEncoding encoding = TextEncoding::Detect;
};

struct ImportSummary {
    int files = 0;
    qint64 rows = 0;
    qsizetype stocks = 0;
    qsizetype periods = 0;
    qsizetype records = 0;
    QStringList warnings;
};

class Importer {
public:
    explicit Importer(ImportSettings settings) : settings_(settings) {}

    // Reads a code-to-name list: a code and a name column. Throws ImportError.
    void readNames(QByteArrayView text, const QString& file);
    // Reads one export, the file's whole text. Throws ImportError for a missing column, a
    // malformed row or text that GBK cannot hold, naming the file and the line. A large export
    // is read in two halves at once.
    void read(QByteArrayView text, const QString& file,
              const std::function<void(qint64)>& progress = {});

    // Sorts what was read into records: in code order, each stock's latest period (or with
    // history every period, newest first), holders by rank or else by shares. Call once, after
    // the last read.
    void finish();
    qsizetype recordCount() const { return qsizetype(records_.size()); }
    // Writes the data file to the device; false when a write fails.
    bool write(QIODevice& out) const;
    const ImportSummary& summary() const { return summary_; }

private:
    // A row as read; its texts are indexes into texts_.
    struct Holding {
        qint32 code;
        qint32 date;
        qint32 rank; // INT_MAX when none is given
        quint32 order;
        quint32 holder;
        quint32 type;
        quint32 changeText; // the words, when the change is not a number
        double shares;      // in shares
        double percent;     // NaN when none is given
        double change;      // in shares; NaN when the change is words (or none)
    };
    // Byte strings as keys, found by views of bytes without a copy.
    struct BytesHash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
    };
    struct Record {
        size_t first;
        size_t end;
    };

    using Names = QHash<int, std::pair<int, quint32>>; // code -> (date, name) of the latest row
    // What one stretch of a file gave: its rows and their texts, read on a thread of its own.
    struct Part;
    struct Columns;

    void useHeader(Columns& columns, const CsvRow& header, const QString& file) const;
    // The index of a field's text in the part, the same for every equal field, so that a name
    // or a word repeated on many rows is decoded, checked and held once. The text is checked
    // for GBK where it first stands.
    quint32 text(Part& part, Column column, QByteArrayView bytes, const Columns& columns,
                 const QString& file, qint64 line, const char* what) const;
    void addRow(Part& part, const CsvRow& row, const Columns& columns, const QString& file) const;
    // Reads the rows of a stretch of text, whose first row is on line firstLine, into the part;
    // the first row is the header when headerFirst is set. An error stays in the part.
    void readPart(Part& part, QByteArrayView text, qint64 firstLine, const QString& file,
                  Columns& columns, bool headerFirst,
                  const std::function<void(qint64)>& progress) const;
    // Adds a part's rows after the ones read before.
    void merge(Part& part);
    void writeRecords(DataFileWriter& out, size_t from, size_t to) const;

    using Holdings = std::vector<Holding, LargeAllocator<Holding>>;

    ImportSettings settings_;
    Holdings holdings_;
    std::vector<Record> records_;
    std::vector<QString> texts_{QString()};
    std::vector<EncodedText> encoded_; // texts_ as the data file holds them

    Names stockNames_;
    QHash<int, QString> listedNames_; // from --names
    ImportSummary summary_;
};

} // namespace gegu
