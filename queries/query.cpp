#include "query.h"

#include "holdings/holdings_table.h"
#include "holdings/text_rules.h"

#include <vector>

namespace gegu {

namespace {

// The first record whose stock code equals code, or -1; the first match wins.
qsizetype findStock(const HoldingsTable& table, double code) {
    for (qsizetype r = 0; r < table.recordCount(); ++r) {
        if (table.stockCode(r) == code)
            return r;
    }
    return -1;
}

// Whether the query occurs in the name field of a holder row.
bool nameFieldContains(QStringView row, QStringView query) {
    const QStringView field = LTrim(Left(row, NameFieldWidth));
    const qsizetype span = field.size() - query.size() + 1;
    for (qsizetype p = 0; p < span; ++p) {
        if (TextEquals(field.sliced(p, query.size()), query))
            return true;
    }
    return false;
}

struct Match {
    qsizetype record;
    QStringView row;
};

// "<header>:<head line, characters 7 to 24>)" + CR LF + row + CR LF
qsizetype entryLength(const HoldingsTable& table, const Match& m) {
    return table.header(m.record).size() + 1 + Mid(table.headLine(m.record), 7, 18).size() + 1 +
           CrLf.size() + m.row.size() + CrLf.size();
}

void appendEntry(QString& out, const HoldingsTable& table, const Match& m) {
    out += table.header(m.record);
    out += u':';
    out += Mid(table.headLine(m.record), 7, 18);
    out += u')';
    out += CrLf;
    out += m.row;
    out += CrLf;
}

} // namespace

QString codeReport(const HoldingsTable& table, qsizetype r) {
    const auto rows = table.holderRows(r);
    qsizetype length = table.header(r).size() + table.headLine(r).size() + TopRule.size() +
                       BottomRule.size() + 4 * CrLf.size();
    for (QStringView row : rows)
        length += row.size() + CrLf.size();

    QString ReportText;
    ReportText.reserve(length);
    for (QStringView line : {table.header(r), table.headLine(r), TopRule}) {
        ReportText += line;
        ReportText += CrLf;
    }
    for (QStringView row : rows) {
        ReportText += row;
        ReportText += CrLf;
    }
    ReportText += BottomRule;
    ReportText += CrLf;
    return ReportText;
}

QueryResult nameReport(const HoldingsTable& table, QStringView QueryText) {
    std::vector<Match> MatchList;
    if (QueryText.size() <= NameFieldWidth) {
        for (qsizetype r = 0; r < table.recordCount(); ++r) {
            for (QStringView row : table.holderRows(r)) {
                if (nameFieldContains(row, QueryText))
                    MatchList.push_back({r, row});
            }
        }
    }

    static constexpr QStringView heading = u"股东";
    static constexpr QStringView held = u"持有：";
    qsizetype length = heading.size() + QueryText.size() + held.size() + 2 * CrLf.size();
    for (const Match& m : MatchList)
        length += entryLength(table, m);

    QString text;
    text.reserve(length);
    text += heading;
    text += QueryText;
    text += held;
    text += CrLf;
    for (const Match& m : MatchList)
        appendEntry(text, table, m);
    text += CrLf;
    return {std::move(text), !MatchList.empty()};
}

QueryResult runQuery(const HoldingsTable& table, QStringView typed) {
    const QStringView QueryText = LTrim(typed);
    const double v = Val(QueryText);
    if (!(v > 0 && v < CodeQueryLimit))
        return nameReport(table, QueryText);

    const qsizetype r = findStock(table, v);
    if (r < 0)
        return {QStringLiteral("未找到证券代码：%1\r\n").arg(QueryText), false};
    return {codeReport(table, r), true};
}

} // namespace gegu
