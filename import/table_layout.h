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
    std::optional<int> code;          // a six-digit code (600036, 600036.SH, (600036), sh600036)
    QString name;                     // the stock's name beside the code (or after 简称)
    std::optional<int> date;          // the report date, as yyyymmdd
    bool floatHolders = false;        // 十大流通股东
    bool namesTable = false;          // 十大股东 or 十大流通股东
    std::optional<double> sharesUnit; // 单位：万股 and the like, as a factor to 万股
    QString problem;                  // what cannot be read, e.g. two dates and neither marked

    // Whether the lines say anything that titles a table.
    bool saysAnything() const { return code || date || namesTable; }
};

// Reads title lines. The report date is the one labelled 截止日期 or 报告期 where a title has
// several, and never one labelled otherwise (公告日期, 导出时间, ...).
Title readTitle(const QString& text);

} // namespace gegu
