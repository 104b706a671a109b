#pragma once

// Turns top-ten-holder tables exported as CSV (by public data libraries, brokers' terminals and
// spreadsheets) into a Gegu data file.

#include "common/large_allocator.h"
#include "csv_reader.h"
#include "file_name_hints.h"
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

// What is said of one export (on the command line, the options before it).
struct FileSettings {
    TextEncoding encoding = TextEncoding::Detect;
    bool floatHolders = false; // top-ten float holders, with the float ratio
    // What a file has nowhere: a column wins over these, these over a title.
    std::optional<int> code;
    QString stockName;       // characters that GBK holds
    std::optional<int> date; // yyyymmdd
    // What the file's name says (hintsFromFileName), which read() takes from the name it is
    // given: below a title, taken only where nothing else tells.
    FileNameHints fromName;
};

// What is said of the import; and of each export that read() is told nothing of.
struct ImportSettings : FileSettings {
    bool history = false;   // every report period, not just each stock's latest
    bool fullNames = false; // holders' names whole, however long
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
    std::vector<ImportMessage> warnings;
    // Per table whose title gave what its columns and the settings do not: what it gave
    // (ImportKind::TitleRead).
    std::vector<ImportMessage> titles;
};

// Reads exports and writes the data file they make. An export's tables are found by their
// header rows: the first row that names the holder and the shares held heads a table, and the
// rows above it are its title. After a table's header, a line that is not one of its rows is
// blank, a note (数据来源：..., 注：...: the rows end there, and the lines after a note are
// quiet), the header again (skipped), another header (a table of its own, with no title), or a
// title line: one whose first field is its only one and names a stock code or a report date;
// the lines from there to the next header are another table's title. Any other line is an
// error, and so is a title with no header under it.
//
// Errors do not stop the reading: every bad row is an error at its file and line, and rows that
// stand for the same holding but disagree are an error naming both places. Nothing can be
// written when there is an error.
class Importer {
public:
    explicit Importer(ImportSettings settings) : settings_(std::move(settings)) {}

    // Reads a code-to-name list: a code and a name column. Codes of other markets are passed
    // over.
    void readNames(QByteArrayView text, const QString& file,
                   TextEncoding encoding = TextEncoding::Detect);
    // Reads one export, the file's whole text, with the settings given at the start (or
    // these). A large export is read in two halves at once; progress, when set, is told how
    // many bytes have been read.
    void read(QByteArrayView text, const QString& file,
              const std::function<void(qint64)>& progress = {});
    void read(QByteArrayView text, const QString& file, const FileSettings& settings,
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
    // A record's stock, report date and table.
    struct Period {
        int code;
        int date;
        bool floatHolders;
        auto operator<=>(const Period&) const = default;
    };
    // The records, once finished, in their order.
    std::vector<Period> periods() const;
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
        quint32 file : 30;
        quint32 floatHolders : 1;
        quint32 kindAssumed : 1; // nothing told the table's kind: read as 十大股东
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
    void readText(QByteArrayView text, const QString& file, const FileSettings& settings,
                  TextEncoding encoding, const std::function<void(qint64)>& progress);
    // Reads a stretch of the text, whose first row is on line firstLine, into the part; the
    // last stretch of a file ends its last table.
    void readPart(Part& part, QByteArrayView text, qint64 firstLine,
                  const std::function<void(qint64)>& progress, bool last) const;
    void onRow(Part& part, const CsvRow& row) const;
    // A header row: the title lines kept above it are its title.
    void startTable(Part& part, const CsvRow& row, Header header) const;
    // Reads a holder row; false, with what is wrong, when it is not one.
    bool addRow(Part& part, const CsvRow& row, std::vector<ImportFault>& faults) const;
    void endOfText(Part& part) const;
    // Title lines with no header under them: an error.
    void abandonTitle(Part& part) const;
    // The index of a text cell's text; 0 (with what is wrong) when it cannot be written.
    quint32 text(Part& part, Column column, QByteArrayView bytes,
                 std::vector<ImportFault>& faults) const;
    // Ends a file read in one part or two (the second's lines counted from the first's start
    // already): settles its numbers' decimal mark, counts its rows of other markets, and adds
    // what it gave after what was read before.
    void finishFile(Part& first, Part* second);
    void settleNumbers(Part& first, Part* second);
    void merge(Part& part);
    // Adds a warning to the summary, unless it says what one there says.
    void warn(ImportMessage warning);

    // Finishing (importer.cpp).
    // The id of a holder: two names of one holder have one.
    quint32 keyOf(quint32 holder);
    // The text index of a text to write, each text held once.
    quint32 textFor(const QString& text);
    // Keeps each holding of the record's rows once, the kept rows closed up at its start in
    // their order; rows that stand for one holding and disagree are errors. Returns how many
    // rows are kept.
    size_t keepOnce(size_t first, size_t end);
    // Gives the record's rows their holders' names as written; two holders written alike are
    // an error.
    void fitNames(size_t first, size_t end);
    QString place(const Holding& h) const;
    void writeRecords(DataFileWriter& out, size_t from, size_t to) const;

    ImportSettings settings_;
    Holdings holdings_;
    std::vector<Record> records_;
    std::vector<QString> texts_{QString()};
    std::vector<EncodedText> encoded_;        // texts_ as the data file holds them
    std::vector<EncodedText> shareTypes_;     // the share types, fitted to their column
    std::vector<quint32> shareTypeOf_;        // text index -> index into shareTypes_
    std::vector<quint32> keyOf_;              // text index -> holder id (from 1)
    QHash<QString, quint32> keyIds_;          // holderName -> holder id
    std::vector<QString> holders_{QString()}; // holder id -> holderName
    struct Written {                          // per holder id
        quint32 text = 0;                     // the name as written, a text index
        quint32 exported = 0;                 // as the first row exported it
        size_t row = 0;                       // the first row written so, in holdings_
    };
    std::vector<Written> written_;
    QHash<QString, quint32> writtenTexts_; // text -> index, of the texts added to write
    QHash<quint32, quint32> writtenBy_;    // written text index -> the first holder id written so
    QSet<quint64> collided_;               // pairs of holder ids already named in an error
    struct Scratch {                       // room that finishing a record reuses
        std::vector<std::pair<quint32, size_t>> byHolder;
        std::vector<char> dropped;
        std::vector<size_t> kept;
    } scratch_;
    QStringList files_;
    Names stockNames_;
    QHash<int, QString> listedNames_; // from --names
    ImportErrors errors_;
    ImportSummary summary_;
};

} // namespace gegu
