#pragma once

// What an export's file name tells of its table, where the file itself does not say: data
// libraries and brokers name per-stock exports by the stock and the report period
// (600519_20240630.csv, 招商银行600036_2024中报.csv, 十大流通股东_600036.csv).

#include <QString>
#include <QStringView>
#include <optional>

namespace gegu {

struct FileNameHints {
    std::optional<int> code; // the stock code, 1..999999
    std::optional<int> date; // the report date, yyyymmdd: the end of a quarter
    // The table: float holders (十大流通股东), holders of the share capital (十大股东), or unsaid.
    std::optional<bool> floatHolders;

    bool empty() const { return !code && !date && !floatHolders; }
};

// Reads a file name (without its folder) only where it reads one way:
// - the code: the one run of exactly six digits, other than 000000;
// - the date: one date that ends a report period, as 20240630 or 2024-06-30, or a year with a
//   period word: 2024一季报 (03-31), 2024中报 or 2024半年报 (06-30), 2024三季报 (09-30),
//   2024年报 (12-31), a 年 between them allowed (2024年中报);
// - every other run of digits makes the name unreadable: neither code nor date is taken
//   (股东_20240821_153012.csv gives none; 20240821 ends no period);
// - 十大流通股东 in the name marks float holders, 十大股东 the holders of the share capital;
// - a copy's number before the extension (600519_20240630 (2).csv) is passed over.
// A name that begins as the window keeps an export it asked about, CODE_yyyy-mm-dd_ (and
// 十大股东_ or 十大流通股东_), is read from that beginning alone, whatever follows.
FileNameHints hintsFromFileName(QStringView fileName);

// The beginning of a kept name that says what the user answered for an export
// (600036_2024-06-30_十大流通股东_), which hintsFromFileName reads back.
QString keptNamePrefix(int code, int date, bool floatHolders);

} // namespace gegu
