#include "file_name_hints.h"

#include <QRegularExpression>
#include <vector>

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

constexpr QStringView floatTable = u"十大流通股东";
constexpr QStringView holdersTable = u"十大股东";

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// yyyymmdd when month and day end a quarter and the year is plausible.
std::optional<int> periodEnd(int year, int month, int day) {
    static constexpr int ends[][2] = {{3, 31}, {6, 30}, {9, 30}, {12, 31}};
    if (year < 1990 || year > 2999)
        return std::nullopt;
    for (const auto& end : ends) {
        if (month == end[0] && day == end[1])
            return year * 10000 + month * 100 + day;
    }
    return std::nullopt;
}

struct Run {
    qsizetype start;
    qsizetype length;
};

std::optional<bool> tableOf(QStringView name) {
    if (name.contains(floatTable))
        return true;
    if (name.contains(holdersTable))
        return false;
    return std::nullopt;
}

std::optional<int> codeOf(QStringView digits) {
    const int code = digits.toInt();
    return code > 0 ? std::optional<int>(code) : std::nullopt;
}

// The window's own kept names: CODE_yyyy-mm-dd_ and the table, read from that beginning.
std::optional<FileNameHints> keptName(QStringView name) {
    static const QRegularExpression kept(
        u"^(\\d{6})_(\\d{4})-(\\d{2})-(\\d{2})_(?:(十大流通股东|十大股东)_)?"_s);
    const QRegularExpressionMatch m = kept.match(name.toString());
    if (!m.hasMatch())
        return std::nullopt;
    FileNameHints hints;
    hints.code = codeOf(m.capturedView(1));
    hints.date =
        periodEnd(m.capturedView(2).toInt(), m.capturedView(3).toInt(), m.capturedView(4).toInt());
    if (!hints.code || !hints.date)
        return std::nullopt;
    if (m.hasCaptured(5))
        hints.floatHolders = m.capturedView(5) == floatTable;
    return hints;
}

} // namespace

FileNameHints hintsFromFileName(QStringView fileName) {
    if (std::optional<FileNameHints> kept = keptName(fileName))
        return *kept;
    // A copy's number (" (2)" before the extension, as file managers and Gegu add) is no part of
    // what the name says.
    static const QRegularExpression copyNumber(u" ?[(（]\\d+[)）](?=\\.[^.]*$|$)"_s);
    const QString withoutCopy = fileName.toString().remove(copyNumber);
    const QStringView name = withoutCopy;
    FileNameHints hints;
    hints.floatHolders = tableOf(name);

    std::vector<Run> runs;
    for (qsizetype i = 0; i < name.size();) {
        if (!isAsciiDigit(name[i])) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        while (i < name.size() && isAsciiDigit(name[i]))
            ++i;
        runs.push_back({start, i - start});
    }
    std::vector<bool> used(runs.size(), false);
    const auto digits = [&](size_t r) {
        return name.sliced(runs[r].start, runs[r].length);
    };

    // The dates: yyyymmdd, yyyy-mm-dd, or a year and a period word.
    std::vector<int> dates;
    for (size_t r = 0; r < runs.size(); ++r) {
        const QStringView run = digits(r);
        if (run.size() == 8) {
            if (const auto d = periodEnd(run.first(4).toInt(), run.sliced(4, 2).toInt(),
                                         run.sliced(6).toInt())) {
                dates.push_back(*d);
                used[r] = true;
            }
            continue;
        }
        if (run.size() != 4)
            continue;
        const qsizetype after = runs[r].start + 4;
        // yyyy-mm-dd: three runs joined by single dashes.
        if (r + 2 < runs.size() && digits(r + 1).size() == 2 && digits(r + 2).size() == 2 &&
            runs[r + 1].start == after + 1 && name[after] == u'-' &&
            runs[r + 2].start == runs[r + 1].start + 3 && name[runs[r + 1].start + 2] == u'-') {
            if (const auto d =
                    periodEnd(run.toInt(), digits(r + 1).toInt(), digits(r + 2).toInt())) {
                dates.push_back(*d);
                used[r] = used[r + 1] = used[r + 2] = true;
            }
            continue;
        }
        static const struct {
            QStringView word;
            int month;
            int day;
        } words[] = {{u"一季报", 3, 31},
                     {u"中报", 6, 30},
                     {u"半年报", 6, 30},
                     {u"三季报", 9, 30},
                     {u"年报", 12, 31}};
        QStringView rest = name.sliced(after);
        for (const auto& w : words) {
            // A 年 may stand between the year and a period word, but not before 年报 itself.
            const bool direct = rest.startsWith(w.word);
            const bool afterYear =
                w.word != u"年报" && rest.startsWith(u'年') && rest.sliced(1).startsWith(w.word);
            if (direct || afterYear) {
                if (const auto d = periodEnd(run.toInt(), w.month, w.day)) {
                    dates.push_back(*d);
                    used[r] = true;
                }
                break;
            }
        }
    }

    std::vector<size_t> codes;
    bool other = false;
    for (size_t r = 0; r < runs.size(); ++r) {
        if (used[r])
            continue;
        if (runs[r].length == 6)
            codes.push_back(r);
        else
            other = true;
    }
    // Only a name that reads one way: every run of digits a code or a date, one of each at most.
    if (other || codes.size() > 1 || dates.size() > 1)
        return hints;
    if (!codes.empty())
        hints.code = codeOf(digits(codes.front()));
    if (!dates.empty())
        hints.date = dates.front();
    return hints;
}

QString keptNamePrefix(int code, int date, bool floatHolders) {
    return u"%1_%2-%3-%4_%5_"_s.arg(code, 6, 10, QChar(u'0'))
        .arg(date / 10000, 4, 10, QChar(u'0'))
        .arg(date / 100 % 100, 2, 10, QChar(u'0'))
        .arg(date % 100, 2, 10, QChar(u'0'))
        .arg(floatHolders ? floatTable : holdersTable);
}

} // namespace gegu
