#pragma once

// Writes data files: the one writer of the format, for every program that makes one.

#include <QString>
#include <QStringEncoder>
#include <QStringView>
#include <vector>

class QIODevice;

namespace gegu {

// One holder row of a stock's table.
struct HolderRow {
    QString name;   // the holder, within the first 20 characters of the row when it fits
    double shares;  // shares held, in 万股 (ten thousand shares)
    double percent; // of the share capital (or of the float), in %
    QString type;   // share type, e.g. 流通A股
    QString change; // e.g. 增持12.50, 减持3.00, 不变, 新进
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
// The text with blanks after it up to the given width in columns, and at least minBlanks.
QString paddedTo(QStringView text, int columns, int minBlanks);

// The lines of a record, without line ends.
QString headerLine(const StockRecord& record);
QString headLine(const QString& date);
QString holderLine(const HolderRow& row);

// Writes a data file (GBK, CR LF) to a device: the index of the last record, then the records
// in the order given. begin() takes the number of records that follow.
class DataFileWriter {
public:
    explicit DataFileWriter(QIODevice& out) : out_(out) {}

    void begin(qsizetype records);
    void write(const StockRecord& record);
    // Writes what is buffered. False when a write failed or a character had no GBK form
    // (callers check their text with firstNonGbk before).
    bool finish();

private:
    void line(QStringView text);
    void flush();

    QIODevice& out_;
    QStringEncoder gbk_{"GBK"};
    QString pending_;
    bool ok_ = true;
};

// The index of the first character (a whole surrogate pair counts as one) that GBK cannot
// hold, or -1 when it holds them all.
qsizetype firstNonGbk(QStringView text);

} // namespace gegu
