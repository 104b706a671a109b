#pragma once

// Turns top-ten-holder tables exported as CSV (by public data libraries, brokers' terminals and
// spreadsheets) into a Gegu data file.

#include "common/large_allocator.h"
#include "csv_reader.h"
#include "holdings/data_file_writer.h"
#include "table_layout.h"
#include "values.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

class QIODevice;

namespace gegu {

class DataFileWriter;

struct ImportSettings {
    bool history = false;      // every report period, not just each stock's latest
    bool floatHolders = false; // top-ten float holders, with the float ratio
    bool fullNames = false;    // holders' names as exported, however long
    TextEncoding encoding = TextEncoding::Detect;
    // What a file has nowhere, for every file: a column wins over these, these over a title.
    std::optional<int> code;
    QString stockName;       // characters that GBK holds
    std::optional<int> date; // yyyymmdd
};

// The errors of an import: the first ones in full, and how many there were in all.
class ImportErrors {
public:
    static constexpr qsizetype kept = 50;

    void add(ImportError error);
    // Adds another list's errors after these.
    void add(const ImportErrors& other);
    const std::vector<ImportError>& first() const { return first_; }
    qint64 count() const { return count_; }
    bool empty() const { return count_ == 0; }

private:
    friend class Importer;
    std::vector<ImportError> first_;
    qint64 count_ = 0;
};

struct ImportSummary {
    int files = 0;
    qint64 rows = 0;     // holder rows read
    qint64 keptOnce = 0; // rows that stood more than once, kept once
    qsizetype stocks = 0;
    qsizetype periods = 0; // report dates read
    qsizetype records = 0; // written
    qsizetype shortenedNames = 0;
    QStringList warnings;
};

// Reads exports and writes the data file they make. An export's tables are found by their
// header rows: the first row that names the holder and the shares held (and the other required
// columns, or a title that gives them) heads a table. Rows above it are its title; a later title
// or a header starts another table, a row that repeats the header is skipped, and blank lines
// and notes (数据来源：..., 注：...) after a table's last row end it quietly.
//
// Errors do not stop the reading: every bad row is an error at its file and line, and rows that
// stand for the same holding but disagree are an error naming both places. Nothing can be
// written when there is an error.
class Importer {
public:
    explicit Importer(ImportSettings settings) : settings_(std::move(settings)) {}

    // Reads a code-to-name list: a code and a name column.
    void readNames(QByteArrayView text, const QString& file);
    // Reads one export, the file's whole text. A large export is read in two halves at once;
    // progress, when set, is told how many bytes have been read.
    void read(QByteArrayView text, const QString& file,
              const std::function<void(qint64)>& progress = {});

    // Sorts what was read into records: in code order, each stock's latest period (or with
    // history every period, newest first), holders by rank or else by shares; finds the rows
    // that stand for one holding; fits the holders' names to the name column. Call once, after
    // the last read.
    void finish();
    // Adds an error found outside: an export that cannot be read at all.
    void addError(ImportError error) { errors_.add(std::move(error)); }
    const ImportErrors& errors() const { return errors_; }
    qsizetype recordCount() const { return qsizetype(records_.size()); }
    // Writes the data file to the device; false when a write fails. Only once finished without
    // errors.
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
        quint32 file : 31;
        quint32 floatHolders : 1;
        qint64 line;
        double shares;  // in 万股
        double percent; // NaN when none is given
        double change;  // in 万股; NaN when the change is words (or none)
    };
    struct Record {
        size_t first;
        size_t end;
    };
    using Names = QHash<int, std::pair<int, quint32>>; // code -> (date, name) of the latest row
    using Holdings = std::vector<Holding, LargeAllocator<Holding>>;
    struct Table;
    struct Part;

    // Reading: the file's tables, row by row (importer_read.cpp).
    void readText(QByteArrayView text, const QString& file, TextEncoding encoding,
                  const std::function<void(qint64)>& progress);
    // Reads a stretch of the text, whose first row is on line firstLine, into the part; the
    // last stretch of a file ends its last table.
    void readPart(Part& part, QByteArrayView text, qint64 firstLine,
                  const std::function<void(qint64)>& progress, bool last) const;
    void onRow(Part& part, const CsvRow& row) const;
    // A header row: the rows kept above it are its title or errors.
    void startTable(Part& part, const CsvRow& row, Header header) const;
    // Reads a holder row; false, with what is wrong, when it is not one.
    bool addRow(Part& part, const CsvRow& row, QStringList& problems) const;
    void endOfText(Part& part) const;
    // Forgets the rows kept for a title, reporting those that are errors when asked to.
    void settlePending(Part& part, bool asErrors) const;
    quint32 text(Part& part, int column, QByteArrayView bytes, QStringList& problems,
                 const char* what) const;
    // Adds a part's rows after the ones read before.
    void merge(Part& part);

    // Finishing (importer.cpp).
    // The id of a holder's name as compared: two spellings of one holder have one.
    quint32 keyOf(quint32 holder);
    // The text index of a text to write, each text held once.
    quint32 textFor(const QString& text);
    // The text index of a holder's name as written.
    quint32 writtenOf(quint32 holder);
    // Keeps each holding of the record's rows once, the kept rows closed up at its start in
    // their order; rows that stand for one holding and disagree are errors. Returns how many
    // rows are kept.
    size_t keepOnce(size_t first, size_t end);
    // Gives the record's rows their holders' names as written.
    void fitNames(size_t first, size_t end);
    QString place(const Holding& h) const;
    void writeRecords(DataFileWriter& out, size_t from, size_t to) const;

    ImportSettings settings_;
    Holdings holdings_;
    std::vector<Record> records_;
    std::vector<QString> texts_{QString()};
    std::vector<EncodedText> encoded_;    // texts_ as the data file holds them
    std::vector<EncodedText> shareTypes_; // the share types, fitted to their column
    std::vector<quint32> shareTypeOf_;    // text index -> index into shareTypes_
    std::vector<quint32> keyOf_;          // text index -> id of the holder's name as compared
    QHash<QString, quint32> keyIds_;
    std::vector<quint32> writtenOf_; // text index -> text index of the name as written
    QHash<QString, quint32> writtenTexts_;
    std::vector<quint32> writtenKey_; // written name -> the first holder's key written so
    std::vector<char> writtenShared_; // written name -> whether other holders' are too
    struct Scratch {                  // room that finishing a record reuses
        std::vector<std::pair<quint32, size_t>> byHolder;
        std::vector<char> dropped;
        std::vector<size_t> kept;
        std::vector<quint32> exported;
    } scratch_;
    QSet<QString> shortened_; // names written shorter than exported
    QStringList files_;
    Names stockNames_;
    QHash<int, QString> listedNames_; // from --names
    ImportErrors errors_;
    ImportSummary summary_;
};

} // namespace gegu
