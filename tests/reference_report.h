#pragma once

// The reports as the rules say them, from the decoded text of every line: the byte search and
// the referring reports must give exactly this.

#include "holdings/holdings_table.h"
#include "holdings/text_rules.h"
#include "queries/query.h"

#include <QString>

namespace gegu::test {

inline QString referenceReport(const HoldingsTable& table, QStringView typed) {
    using namespace Qt::StringLiterals;
    const QString crlf = u"\r\n"_s;
    const QStringView QueryText = LTrim(typed);
    const double v = Val(QueryText);
    if (v > 0 && v < CodeQueryLimit) {
        for (qsizetype r = 0; r <= table.LastRecord(); ++r) {
            const QString header = table.HoldingLines(r, 0);
            if (Val(Left(LTrim(header), 6)) != v)
                continue;
            QString text =
                header + crlf + table.HoldingLines(r, 1) + crlf + TopRule.toString() + crlf;
            for (const QString& row : table.holderRows(r))
                text += row + crlf;
            return text + BottomRule.toString() + crlf;
        }
        return u"未找到证券代码："_s + QueryText.toString() + crlf;
    }
    QString text = u"股东"_s + QueryText.toString() + u"持有："_s + crlf;
    for (qsizetype r = 0; r <= table.LastRecord(); ++r) {
        for (const QString& row : table.holderRows(r)) {
            const QStringView field = LTrim(Left(row, NameFieldWidth));
            if (QueryText.size() <= field.size() && field.contains(QueryText))
                text += table.HoldingLines(r, 0) + u':' +
                        Mid(table.HoldingLines(r, 1), 7, 18).toString() + u')' + crlf + row + crlf;
        }
    }
    return text + crlf;
}

} // namespace gegu::test
