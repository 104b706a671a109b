#pragma once

// How exports lay out a holder table: a header row that names the columns (in any order, each
// name perhaps with its unit in brackets), and perhaps title lines above it that name the stock
// and the report date.

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace gegu {

// What a column of an export holds; columns are found by their header's name.
enum class Column {
    Code,
    Name,
    Date,
    Holder,
    Shares,
    Ratio,
    FloatRatio,
    Type,
    Change,      // a number of shares, or words such as 不变 or 新进
    ChangeWords, // words, for rows whose change is not given as a number
    Rank,
};
inline constexpr int columnCount = int(Column::Rank) + 1;

// The header names that stand for a column, as the common exports write them; where a header
// has more than one, the one named earlier here is used.
const QStringList& columnNames(Column column);

// A header row, read.
struct Header {
    Header() { places.fill(-1); }

    std::array<qsizetype, columnCount> places; // the field of each column, or -1
    std::array<QString, columnCount> units;    // the unit written with each column's name
    QStringList names;                         // the fields as written

    qsizetype place(Column c) const { return places[size_t(c)]; }
    bool has(Column c) const { return place(c) >= 0; }
    // How many columns it names.
    int named() const;
    // Whether it heads a holder table: it names the holder and the shares held.
    bool headsHolders() const { return has(Column::Holder) && has(Column::Shares); }
};

// Finds the columns that the fields name. A name is matched with its blanks, line breaks and
// full-width forms set aside, in any case, and with or without a unit in brackets at its end:
// 持股数量（万股）, "持股数量\n(股)", 占总股本比例[%].
Header readHeader(const QStringList& fields);

// The factor that brings numbers under the given unit to 万股 (股: 1/10,000; 万股: 1; 亿股:
// 10,000); nullopt for a unit that is not a number of shares. No unit is 股.
std::optional<double> sharesScale(const QString& unit);
// Whether numbers under the unit are percentages (%, or no unit).
bool isPercentUnit(const QString& unit);
// Whether the unit is one of numbers (of shares, percent or money), which a column of text
// cannot have.
bool isQuantityUnit(const QString& unit);

// What title lines above a header say about the table under them.
struct Title {
    std::optional<int> code;          // the stock's code, where one is marked or alone
    QString name;                     // the stock's name beside the code (or after 简称)
    std::optional<int> date;          // the report date, as yyyymmdd
    bool floatHolders = false;        // 十大流通股东
    bool namesTable = false;          // 十大股东 or 十大流通股东
    std::optional<double> sharesUnit; // 单位：万股 and the like, as a factor to 万股
    // Where no code (or date) is marked and several stand alone: all of them, as written.
    QStringList codes;
    QStringList dates;
    int codeLine = 0; // the line (from 0) of the code, or of the first of the codes
    int dateLine = 0; // the same for the date

    // Whether the lines name a code or a date, marked or not.
    bool namesCodeOrDate() const { return code || date || !codes.isEmpty() || !dates.isEmpty(); }
};

// Reads title lines (joined by line feeds). The code is, in this order: six digits in brackets
// after the stock's name (招商银行(600036)); six digits with their exchange's marker (600036.SH,
// sh600036); six digits labelled 代码, 证券代码 or 股票代码; else the only six-digit number that
// no other label claims (总股本(万股)：252198 is claimed, by its label, and so is 252198万股, by
// its unit). The date is the one labelled 截止日期, 截至日期, 截至, 截止 or 报告期 (of a range
// such as 2024-01-01至2024-06-30, its end); else the only one labelled as nothing else (公告日期,
// 导出时间 and the like are other dates). Where the first rule that finds any finds several,
// none is taken and they are listed.
Title readTitle(const QString& text);

} // namespace gegu
