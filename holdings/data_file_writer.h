#pragma once

// Writes data files: the one writer of the format, for every program that makes one.

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <limits>
#include <string>
#include <vector>

class QIODevice;

namespace gegu {

// One holder row of a stock's table.
struct HolderRow {
    QString name;   // the holder, within the first 20 characters of the row when it fits
    double shares;  // shares held, in 万股 (ten thousand shares)
    double percent; // of the share capital (or of the float), in %; NaN when not known
    QString type;   // share type, e.g. 流通A股
    QString change; // in words: 新进, 不变, or as an export gives them
    // The change in 万股, written as 增持 or 减持 and its size, or 不变; NaN to write `change`.
    double changed = std::numeric_limits<double>::quiet_NaN();
};

// One stock's record: its header line's parts and its holder rows, largest holder first.
struct StockRecord {
    QString code;  // six digits
    QString name;  // may be empty
    QString title; // 十大股东, 十大流通股东
    QString date;  // report date, yyyy-MM-dd
    QString note;  // after the date, e.g. 示例数据; may be empty
    std::vector<HolderRow> rows;
};

// Columns of a row, in half-width units (an ideograph takes two): the holder's name, then the
// bars of the frame's joints.
inline constexpr int NameColumns = 22;
// The holder's name is searched in the row's first 20 characters, after two blanks.
inline constexpr qsizetype SearchableNameLength = 18;

// Half-width columns that the text takes in the report's font: two for an ideograph or any
// other character beyond ASCII, one for ASCII.
int displayWidth(QStringView text);

// The lines of a record, without line ends.
QString headerLine(const StockRecord& record);
QString headLine(const QString& date);
// A field's text as the data file holds it: GBK bytes, and the columns it takes. A CR or LF in
// it is a blank, so that every line stays one line.
struct EncodedText {
    QByteArray bytes;
    int columns = 0;
};
EncodedText encodeText(QStringView text);

// A holder row whose texts are encoded already, once for every row that has them.
struct EncodedRow {
    const EncodedText* name;
    double shares;
    double percent;
    const EncodedText* type;
    const EncodedText* change;
    double changed;
};

// Appends the number with two decimals (halves rounded away from zero), right-aligned in
// `width` characters.
void appendFixed(std::string& out, double value, int width);

// Writes a data file (GBK, CR LF) to a device: the index of the last record, then the records
// in the order given. begin() takes the number of records that follow; a writer that is not
// begun writes records alone, to be put after another's. A CR or LF inside a field is written
// as a blank, so that every line stays one line.
class DataFileWriter {
public:
    // Writes to a device, in pieces as they fill up.
    explicit DataFileWriter(QIODevice& out) : out_(&out), bytes_(&pending_) {}
    // Writes into memory, to be put after what another writer writes.
    explicit DataFileWriter(std::string& memory) : bytes_(&memory) {}

    void begin(qsizetype records);
    void write(const StockRecord& record);
    // A record whose rows come one by one: its header line, count and head line, then each row.
    void beginRecord(const StockRecord& record, qsizetype rows);
    void holder(const EncodedRow& row);
    // Writes what is buffered. False when a write failed or a character had no GBK form
    // (callers check their text with firstNonGbk of gbk.h before).
    bool finish();

private:
    void line(QStringView text);
    void flush();

    QIODevice* out_ = nullptr;
    std::string pending_;
    std::string* bytes_; // pending_, or the memory written into
    bool ok_ = true;
};

} // namespace gegu
