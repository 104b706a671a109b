#include "table_layout.h"

#include "holder_names.h"
#include "values.h"

#include <QHash>
#include <QRegularExpression>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

// A header name as it is matched: folded, without blanks, Latin letters in lower case.
QString matchForm(QStringView name) {
    QString form = compactForm(name);
    for (QChar& c : form) {
        if (c.unicode() < 0x80)
            c = c.toLower();
    }
    return form;
}

// The name without a unit in brackets at its end, and the unit.
std::pair<QString, QString> splitUnit(const QString& name) {
    static constexpr std::pair<QChar, QChar> brackets[] = {
        {u'(', u')'}, {u'[', u']'}, {u'【', u'】'}, {u'〔', u'〕'}};
    for (const auto& [open, close] : brackets) {
        if (!name.endsWith(close))
            continue;
        const qsizetype at = name.lastIndexOf(open);
        if (at > 0)
            return {name.first(at), name.sliced(at + 1, name.size() - at - 2)};
    }
    return {name, {}};
}

// Each column's names in match form, and for every name the column and its place in the list.
const QHash<QString, std::vector<std::pair<Column, int>>>& namesIndex() {
    static const auto index = [] {
        QHash<QString, std::vector<std::pair<Column, int>>> names;
        for (int c = 0; c < columnCount; ++c) {
            const QStringList& list = columnNames(Column(c));
            for (int k = 0; k < list.size(); ++k)
                names[matchForm(list[k])].push_back({Column(c), k});
        }
        return names;
    }();
    return index;
}

// A date of a title, where it stands and what labels it.
struct TitleDate {
    int date;
    qsizetype at;
    qsizetype end;
    QString label;
    QString written;
};

// The text before `at` on its line, without blanks and colons at its end.
QString labelBefore(const QString& text, qsizetype at) {
    QString before = text.first(at);
    before = before.sliced(before.lastIndexOf(u'\n') + 1).trimmed();
    while (before.endsWith(u':'))
        before = before.chopped(1).trimmed();
    return before;
}

std::vector<TitleDate> titleDates(const QString& text) {
    static const QRegularExpression patterns[] = {
        QRegularExpression(u"(?<!\\d)(\\d{4})([-/.])(\\d{1,2})\\2(\\d{1,2})(?!\\d)"_s),
        QRegularExpression(u"(?<!\\d)(\\d{4})年(\\d{1,2})月(\\d{1,2})日?"_s),
        QRegularExpression(u"(?<!\\d)(\\d{4})(\\d{2})(\\d{2})(?!\\d)"_s),
    };
    std::vector<TitleDate> dates;
    for (const QRegularExpression& pattern : patterns) {
        for (const QRegularExpressionMatch& m : pattern.globalMatch(text)) {
            const int last = m.lastCapturedIndex();
            const QString dashed =
                m.captured(1) + u'-' + m.captured(last - 1) + u'-' + m.captured(last);
            const std::optional<int> date = dateFromBytes(dashed.toLatin1());
            if (!date)
                continue;
            // The label is what stands before the date on its line, up to a separating mark.
            dates.push_back({*date, m.capturedStart(), m.capturedEnd(),
                             labelBefore(text, m.capturedStart()), m.captured()});
        }
    }
    std::sort(dates.begin(), dates.end(),
              [](const TitleDate& a, const TitleDate& b) { return a.at < b.at; });
    // A range is one date, its end, labelled as its start is.
    static const QRegularExpression between(u"^\\s*(?:至|到|~|-)\\s*$"_s);
    for (size_t i = 0; i + 1 < dates.size(); ++i) {
        const TitleDate& next = dates[i + 1];
        if (next.at >= dates[i].end &&
            between.match(text.sliced(dates[i].end, next.at - dates[i].end)).hasMatch()) {
            dates[i].date = next.date;
            dates[i].end = next.end;
            dates[i].written += u'-' + next.written;
            dates.erase(dates.begin() + qsizetype(i) + 1);
        }
    }
    return dates;
}

bool endsWithAny(const QString& text, std::initializer_list<QStringView> words) {
    return std::any_of(words.begin(), words.end(),
                       [&](QStringView word) { return text.endsWith(word); });
}

// A run of characters that may be a stock's name: no blanks, separators or brackets.
const QString nameRun = u"[^\\s:,;|/()\\[\\]【】〔〕]+"_s;

bool plausibleName(const QString& name) {
    return !name.isEmpty() && !name[0].isDigit() && !name.startsWith(u"十大"_s) &&
           !endsWithAny(name, {u"代码", u"日期", u"报告期", u"股东", u"户数", u"股本"});
}

// The stock's name that ends where the code starts (or its bracket), or nothing.
QString nameBefore(const QString& text, qsizetype codeStart) {
    static const QRegularExpression before(u'(' + nameRun + u")\\s*[(\\[【〔]?\\s*$"_s);
    if (const QRegularExpressionMatch m = before.match(text.first(codeStart));
        m.hasMatch() && plausibleName(m.captured(1)))
        return m.captured(1);
    return {};
}

QString stockNameIn(const QString& text, qsizetype codeStart, qsizetype codeEnd) {
    static const QRegularExpression labelled(
        u"(?:证券简称|股票简称|股票名称|证券名称|简称|名称)\\s*:?\\s*("_s + nameRun + u')');
    if (const QRegularExpressionMatch m = labelled.match(text); m.hasMatch())
        return m.captured(1);
    if (const QString name = nameBefore(text, codeStart); !name.isEmpty())
        return name;
    // Not a label (股东户数：): the whole run, then no colon.
    static const QRegularExpression after(u"^\\s*[)\\]】〕]?\\s*("_s + nameRun + u"+)(?!\\s*:)"_s);
    if (const QRegularExpressionMatch m = after.match(text.sliced(codeEnd));
        m.hasMatch() && plausibleName(m.captured(1)))
        return m.captured(1);
    return {};
}

} // namespace

const QStringList& columnNames(Column column) {
    static const QStringList names[columnCount] = {
        {u"证券代码"_s, u"股票代码"_s, u"代码"_s, u"code"_s, u"ts_code"_s, u"symbol"_s},
        {u"证券简称"_s, u"股票简称"_s, u"股票名称"_s, u"证券名称"_s, u"简称"_s, u"名称"_s,
         u"name"_s},
        {u"截止日期"_s, u"截至日期"_s, u"报告期"_s, u"报告日期"_s, u"end_date"_s},
        {u"股东名称"_s, u"股东"_s, u"holder_name"_s},
        {u"持股数"_s, u"持股数量"_s, u"期末持股-数量"_s, u"持股总数"_s, u"hold_amount"_s},
        {u"占总股本持股比例"_s, u"占总股本比例"_s, u"持股比例"_s, u"hold_ratio"_s},
        {u"占总流通股本持股比例"_s, u"占流通股本比例"_s, u"占流通股比例"_s, u"hold_float_ratio"_s,
         u"持股比例"_s},
        {u"股份类型"_s, u"股本性质"_s, u"股份性质"_s, u"股份类别"_s},
        {u"增减"_s, u"持股变化"_s, u"期末持股-数量变化"_s, u"持股数量变动"_s, u"持股变动"_s,
         u"hold_change"_s},
        {u"期末持股-持股变动"_s},
        {u"名次"_s, u"股东排名"_s, u"排名"_s},
    };
    return names[int(column)];
}

int Header::named() const {
    return int(std::count_if(places.begin(), places.end(), [](qsizetype p) { return p >= 0; }));
}

Header readHeader(const QStringList& fields) {
    Header header;
    header.names = fields;
    std::array<int, columnCount> chosen; // the place in its list of the name chosen
    chosen.fill(INT_MAX);
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const QString form = matchForm(fields[i]);
        auto [base, unit] = splitUnit(form);
        auto it = namesIndex().find(form);
        if (it == namesIndex().end()) {
            it = namesIndex().find(base);
        } else {
            unit.clear(); // the brackets belong to the name
        }
        if (it == namesIndex().end())
            continue;
        for (const auto& [column, k] : *it) {
            if (k < chosen[size_t(column)]) {
                chosen[size_t(column)] = k;
                header.places[size_t(column)] = i;
                header.units[size_t(column)] = unit;
            }
        }
    }
    return header;
}

std::optional<double> sharesScale(const QString& unit) {
    static const QHash<QString, double> scales = {{QString(), 1e-4},  {u"股"_s, 1e-4},
                                                  {u"千股"_s, 0.1},   {u"万股"_s, 1},
                                                  {u"百万股"_s, 100}, {u"亿股"_s, 1e4}};
    if (const auto it = scales.find(unit); it != scales.end())
        return *it;
    return std::nullopt;
}

bool isPercentUnit(const QString& unit) {
    return unit.isEmpty() || unit == u"%"_s;
}

bool isQuantityUnit(const QString& unit) {
    return (!unit.isEmpty() && sharesScale(unit)) || unit == u"%"_s || unit == u"元"_s ||
           unit == u"万元"_s || unit == u"亿元"_s;
}

Title readTitle(const QString& lines) {
    Title title;
    const QString text = foldWidth(lines);
    title.floatHolders = text.contains(u"流通股东"_s);
    title.namesTable = text.contains(u"十大股东"_s) || text.contains(u"十大流通股东"_s);
    const auto lineOf = [&](qsizetype at) {
        return int(text.first(at).count(u'\n'));
    };

    // Six digits, with their exchange's marker where they have one; not six digits of a longer
    // number, nor of a code of another market.
    static const QRegularExpression code(
        u"(?<![0-9A-Za-z.])(?:(sh|sz|bj)\\.?)?(\\d{6})"
        u"(?:\\.(sh|sz|bj|ss|xshg|xshe)(?![0-9A-Za-z])|(?!\\.?[0-9A-Za-z]))"_s,
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression openBefore(u"([(\\[【〔])\\s*$"_s);
    static const QRegularExpression closeAfter(u"^\\s*[)\\]】〕]"_s);
    static const QRegularExpression unitAfter(u"^\\s*[万亿千百股元%户人]"_s);
    struct Candidate {
        int code;
        qsizetype at;
        qsizetype end;
    };
    // Candidates by standing: bracketed after a name, marked, labelled, alone.
    std::vector<Candidate> ranked[4];
    for (const QRegularExpressionMatch& m : code.globalMatch(text)) {
        const std::optional<int> found = codeFromBytes(m.captured(2).toLatin1());
        if (!found)
            continue;
        const qsizetype at = m.capturedStart();
        const qsizetype end = m.capturedEnd();
        const QString label = labelBefore(text, at);
        const QString before = text.first(at);
        int rank = 3;
        if (const QRegularExpressionMatch open = openBefore.match(before);
            open.hasMatch() && closeAfter.match(text.sliced(end)).hasMatch() &&
            !nameBefore(text, at).isEmpty()) {
            rank = 0;
        } else if (m.capturedLength(1) > 0 || m.capturedLength(3) > 0) {
            rank = 1;
        } else if (label.endsWith(u"代码"_s)) {
            rank = 2;
        } else if (before.trimmed().endsWith(u':') ||
                   unitAfter.match(text.sliced(end)).hasMatch()) {
            continue; // another label's number, or a quantity
        }
        ranked[rank].push_back({*found, at, end});
    }
    for (const std::vector<Candidate>& candidates : ranked) {
        if (candidates.empty())
            continue;
        QList<int> distinct;
        for (const Candidate& c : candidates) {
            if (!distinct.contains(c.code))
                distinct << c.code;
        }
        title.codeLine = lineOf(candidates.front().at);
        if (distinct.size() == 1) {
            title.code = distinct.front();
            title.name = stockNameIn(text, candidates.front().at, candidates.front().end);
        } else {
            for (const int c : distinct)
                title.codes << QStringLiteral("%1").arg(c, 6, 10, QLatin1Char('0'));
        }
        break;
    }

    std::vector<TitleDate> labelled;
    std::vector<TitleDate> bare;
    for (const TitleDate& d : titleDates(text)) {
        if (endsWithAny(d.label, {u"截止日期", u"截至日期", u"截止日", u"截至日", u"截止", u"截至",
                                  u"报告期", u"报告日期"}))
            labelled.push_back(d);
        else if (!endsWithAny(d.label, {u"日期", u"日", u"时间", u"时"}))
            bare.push_back(d);
    }
    for (const std::vector<TitleDate>* dates : {&labelled, &bare}) {
        if (dates->empty())
            continue;
        QList<int> distinct;
        for (const TitleDate& d : *dates) {
            if (!distinct.contains(d.date)) {
                distinct << d.date;
                title.dates << d.written;
            }
        }
        title.dateLine = lineOf(dates->front().at);
        if (distinct.size() == 1) {
            title.date = distinct.front();
            title.dates.clear();
        }
        break;
    }

    static const QRegularExpression unit(u"单位\\s*:?\\s*(千股|万股|百万股|亿股|股)"_s);
    if (const QRegularExpressionMatch m = unit.match(text); m.hasMatch())
        title.sharesUnit = sharesScale(m.captured(1));
    return title;
}

} // namespace gegu
