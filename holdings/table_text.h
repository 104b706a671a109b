#pragma once

// What the lines of a data file say, read back: a stock's header line, and a holder row's
// cells between the frame's bars, as the data-file writer lays them out.

#include <QString>
#include <QStringView>
#include <optional>

namespace gegu {

// The two top-ten tables a stock's report has: of the holders of the whole share capital, and of
// the holders of its float.
inline constexpr QStringView HoldersTable = u"十大股东";
inline constexpr QStringView FloatHoldersTable = u"十大流通股东";
constexpr QStringView tableName(bool floatHolders) {
    return floatHolders ? FloatHoldersTable : HoldersTable;
}

// A record's header line: "600036 招商银行  十大股东  2024-06-30", perhaps with a note after it.
struct StockHeader {
    QString code; // its first six characters, leading blanks removed
    QString name; // what follows the code up to two blanks; may be empty
    QString date; // the first yyyy-mm-dd in it that is a real day, the report date; or empty
    // Which top-ten table the record is: float holders where the header says 十大流通股东,
    // else the holders of the whole share capital.
    bool floatHolders = false;
    QStringView table() const { return tableName(floatHolders); }
};
StockHeader readStockHeader(QStringView header);

// A holder row: two blanks, the name, then shares (万股), ratio (%), share type and change,
// each after a bar "│". Numbers that are blank are not known.
struct HolderCells {
    QString name;
    std::optional<double> shares;
    std::optional<double> ratio;
    QString sharesText; // the numbers as written, blanks removed
    QString ratioText;
    QString type;
    QString change;
};
// The cells of a holder row; nullopt when it is not made of these five.
std::optional<HolderCells> readHolderCells(QStringView row);

} // namespace gegu
