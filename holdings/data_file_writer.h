#pragma once

// Writes data files: the one writer of the format, for every program that makes one.
//
// A record's holder rows are framed by the report's frame lines, whose joints stand at
// half-width columns 24, 36, 48 and 60 (an ideograph and the bar │ take two columns, ASCII
// one). Every row is laid out so that its bars stand under those joints and its cells can be
// read back by splitting it at the bars:
//
//   two blanks, name (padded to 22 columns), │, shares in 万股 (right-aligned in 10), │,
//   ratio in % (right-aligned in 10, blanks when not known), │, blank, share type (padded to
//   9), │, blank, change (words as given, 不变, or 增持/减持 and a number of 万股, <0.01 where
//   it is smaller)
//
//   "  香港中央结算有限公司  │  12345.68│      5.12│ 流通A股  │ 减持200.00"
//
// Numbers have two decimals, halves rounded away from zero. A share count too large for its
// ten columns takes one decimal, then none; a change's number follows the same rule (any
// count below 10^10 万股 fits). A share type wider than its 9 columns is written in a shorter form
// (see fitShareType). A holder's name wider than the 21 columns before its bar (a caller that wants
// every row in its columns shortens names first) is written whole, followed by one blank, and
// pushes the rest of its row to the right; the bars still separate the cells.

#include "name_field.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>
#include <limits>
#include <string>
#include <vector>

class QIODevice;

namespace gegu {

// One holder row of a stock's table.
struct HolderRow {
    QString name;   // the holder, within the row's name field when it fits
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
// The widest name that keeps a blank before its bar.
inline constexpr int NameWidth = NameColumns - 1;
// Every holder row starts with this many blanks, then the name.
inline constexpr qsizetype RowIndent = 2;
// So the characters of a written name that the name query searches.
inline constexpr qsizetype SearchableNameLength = NameFieldWidth - RowIndent;
// Columns of the shares and ratio cells, and of the share type after its leading blank.
inline constexpr int NumberColumns = 10;
inline constexpr int ShareTypeColumns = 9;

// Half-width columns that the text takes in the report's font: two for an ideograph or any
// other character beyond ASCII, one for ASCII.
int displayWidth(QStringView text);

// The half-width columns at which a holder row's bars stand: 24, 36, 48 and 60 for a row whose
// cells fit, under the joints of the report's frame lines.
QList<int> barColumns(QStringView row);

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

// A share type that fits its 9 columns: as given when it fits, else its common short form
// (限售流通A股 -> 限售A股, 人民币普通股 -> A股, 境外上市外资股 -> H股, 流通受限股份 -> 流通受限,
// ...), else its first characters and a mark (…).
QString fitShareType(QStringView type);
// fitShareType, encoded: what an EncodedRow's type is made from.
EncodedText encodeShareType(QStringView type);

// A holder row whose texts are encoded already, once for every row that has them; the type
// comes from encodeShareType.
struct EncodedRow {
    const EncodedText* name;
    double shares;
    double percent;
    const EncodedText* type;
    const EncodedText* change;
    double changed;
};

// A change as a row writes it: 不变 for none, else 增持 or 减持 and its size in 万股, or <0.01
// for a change smaller than two decimals show.
QString writtenChange(double changed);

// Appends the number with two decimals (halves rounded away from zero), right-aligned in
// `width` characters.
void appendFixed(std::string& out, double value, int width);
// Appends the number with two decimals, or one or none where two would not fit in `width`
// characters, right-aligned in them (a number that fits no way is written whole).
void appendQuantity(std::string& out, double value, int width);

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
