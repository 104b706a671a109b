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
    QString form = holderKey(name);
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
    QString label;
};

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
            QString before = text.first(m.capturedStart());
            before = before.sliced(before.lastIndexOf(u'\n') + 1).trimmed();
            while (before.endsWith(u':'))
                before = before.chopped(1).trimmed();
            dates.push_back({*date, m.capturedStart(), before});
        }
    }
    std::sort(dates.begin(), dates.end(),
              [](const TitleDate& a, const TitleDate& b) { return a.at < b.at; });
    return dates;
}

bool endsWithAny(const QString& text, std::initializer_list<QStringView> words) {
    return std::any_of(words.begin(), words.end(),
                       [&](QStringView word) { return text.endsWith(word); });
}

// A run of characters that may be a stock's name: no blanks, separators or brackets.
const QString nameRun = u"[^\\s:,;|/()\\[\\]【】]+"_s;

QString stockNameIn(const QString& text, qsizetype codeStart, qsizetype codeEnd) {
    static const QRegularExpression labelled(
        u"(?:证券简称|股票简称|股票名称|证券名称|简称|名称)\\s*:?\\s*("_s + nameRun + u')');
    if (const QRegularExpressionMatch m = labelled.match(text); m.hasMatch())
        return m.captured(1);
    const auto plausible = [](const QString& name) {
        return !name.isEmpty() && !name[0].isDigit() && !name.startsWith(u"十大"_s) &&
               !endsWithAny(name, {u"代码", u"日期", u"报告期", u"股东"});
    };
    static const QRegularExpression before(u'(' + nameRun + u")\\s*[(\\[【]?\\s*$"_s);
    if (const QRegularExpressionMatch m = before.match(text.first(codeStart));
        m.hasMatch() && plausible(m.captured(1)))
        return m.captured(1);
    static const QRegularExpression after(u"^\\s*[)\\]】]?\\s*("_s + nameRun + u')');
    if (const QRegularExpressionMatch m = after.match(text.sliced(codeEnd));
        m.hasMatch() && plausible(m.captured(1)))
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

    static const QRegularExpression code(
        u"(?<![0-9A-Za-z.])(?:(?:sh|sz|bj)\\.?)?(\\d{6})(?:\\.(?:sh|sz|bj))?(?![0-9])"_s,
        QRegularExpression::CaseInsensitiveOption);
    for (const QRegularExpressionMatch& m : code.globalMatch(text)) {
        if (const std::optional<int> found = codeFromBytes(m.captured(1).toLatin1())) {
            title.code = found;
            title.name = stockNameIn(text, m.capturedStart(), m.capturedEnd());
            break;
        }
    }

    std::optional<int> reportDate;
    QList<int> bareDates;
    for (const TitleDate& d : titleDates(text)) {
        if (endsWithAny(d.label, {u"截止日期", u"截至日期", u"截止日", u"截至日", u"截止", u"截至",
                                  u"报告期", u"报告日期"})) {
            if (!reportDate)
                reportDate = d.date;
        } else if (!endsWithAny(d.label, {u"日期", u"日", u"时间", u"时"}) &&
                   !bareDates.contains(d.date)) {
            bareDates << d.date;
        }
    }
    if (reportDate)
        title.date = reportDate;
    else if (bareDates.size() == 1)
        title.date = bareDates.front();
    else if (bareDates.size() > 1)
        title.problem = u"the title names several dates and marks none as 截止日期 or 报告期"_s;

    static const QRegularExpression unit(u"单位\\s*:?\\s*(千股|万股|百万股|亿股|股)"_s);
    if (const QRegularExpressionMatch m = unit.match(text); m.hasMatch())
        title.sharesUnit = sharesScale(m.captured(1));
    return title;
}

} // namespace gegu
