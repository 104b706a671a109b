#pragma once

#include "holdings/large_allocator.h"

#include <QString>
#include <QStringView>

namespace gegu {

class HoldingsTable;

// A query whose Val lies strictly between 0 and this limit is a stock code.
inline constexpr double CodeQueryLimit = 700000;
// Only the first NameFieldWidth characters of a holder row hold the holder's name.
inline constexpr qsizetype NameFieldWidth = 20;

// The frame lines above and below the holder rows of the code report.
inline constexpr QStringView TopRule = u"  ───────────┬─────┬─────┬─────┬──────";
inline constexpr QStringView BottomRule = u"  ───────────┴─────┴─────┴─────┴──────";

struct QueryResult {
    TextBuffer buffer; // what the output box shows
    bool found;        // a stock was shown, or at least one holder row listed

    QStringView text() const { return {buffer.data(), qsizetype(buffer.size())}; }
};

// The query button: takes the text exactly as typed into the input box and returns the output
// box's new text. Leading blanks are removed; a text whose Val lies strictly between 0 and
// CodeQueryLimit is a stock code, anything else (part of) a holder's name.
QueryResult runQuery(const HoldingsTable& table, QStringView typed);

// The framed holder table of record r: header, head line, TopRule, the holder rows and
// BottomRule, each line ended by CR LF.
QueryResult codeReport(const HoldingsTable& table, qsizetype r);

// Every holder row whose name field (its first NameFieldWidth characters, leading blanks
// removed) contains QueryText, once per row, by record and then by row, under the heading
// "股东" + QueryText + "持有：".
QueryResult nameReport(const HoldingsTable& table, QStringView QueryText);

} // namespace gegu
