#include "values.h"

#include "csv_reader.h"
#include "holder_names.h"

#include <QDate>
#include <algorithm>
#include <charconv>
#include <cmath>

namespace gegu {

namespace {

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

CodeRead readCode(QByteArrayView s) {
    s = trimmedBlanks(s);
    const auto allOf = [](QByteArrayView bytes, bool (*test)(char)) {
        return !bytes.isEmpty() && std::all_of(bytes.begin(), bytes.end(), test);
    };
    const auto isAlnum = [](char c) {
        return isAsciiLetter(c) || isAsciiDigit(c);
    };
    const auto mainland = [](QByteArrayView marker) {
        for (const char* m : {"sh", "sz", "bj", "ss", "xshg", "xshe"}) {
            if (marker.compare(QByteArrayView(m), Qt::CaseInsensitive) == 0)
                return true;
        }
        return false;
    };
    bool other = false;
    // A marker before the code: two letters, perhaps with a point (sh600000, sh.600000, hk00700).
    if (s.size() > 2 && isAsciiLetter(s[0]) && isAsciiLetter(s[1]) &&
        (isAsciiDigit(s[2]) || s[2] == '.')) {
        const QByteArrayView marker = s.first(2);
        s = s.sliced(s[2] == '.' ? 3 : 2);
        if (!mainland(marker) || marker.compare("ss", Qt::CaseInsensitive) == 0)
            other = true;
    }
    // A marker after it, behind a point (600000.SH, 00700.HK, AAPL.O).
    if (const qsizetype point = s.lastIndexOf('.'); point >= 0) {
        const QByteArrayView marker = s.sliced(point + 1);
        if (!allOf(marker, isAsciiLetter) || marker.size() > 5)
            return {};
        if (!mainland(marker))
            other = true;
        s = s.first(point);
    }
    if (other)
        return allOf(s, isAlnum) && s.size() <= 12 ? CodeRead{CodeRead::Other, 0} : CodeRead{};
    if (s.size() > 6 || !allOf(s, isAsciiDigit))
        return {};
    int code = 0;
    for (char c : s)
        code = code * 10 + (c - '0');
    if (code == 0)
        return {};
    return {CodeRead::Mainland, code};
}

std::optional<int> codeFromBytes(QByteArrayView bytes) {
    const CodeRead read = readCode(bytes);
    if (read.market != CodeRead::Mainland)
        return std::nullopt;
    return read.code;
}

std::optional<int> dateFromBytes(QByteArrayView s) {
    s = trimmedBlanks(s);
    // A time after the date ("2024-06-30 00:00:00", "2024-06-30T00:00") is not looked at.
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == ' ' || s[i] == 'T') {
            s = s.first(i);
            break;
        }
    }
    int parts[3] = {0, 0, 0};
    if (s.size() == 8 && std::all_of(s.begin(), s.end(), isAsciiDigit)) {
        parts[0] = s.first(4).toInt();
        parts[1] = s.sliced(4, 2).toInt();
        parts[2] = s.sliced(6, 2).toInt();
    } else {
        // Year, month and day between two separators of one kind: -, / or a point.
        const char separator = s.contains('-') ? '-' : s.contains('/') ? '/' : '.';
        int part = 0;
        int digits = 0;
        for (char c : s) {
            if (c == separator) {
                if (digits == 0 || ++part > 2)
                    return std::nullopt;
                digits = 0;
            } else if (isAsciiDigit(c) && ++digits <= (part == 0 ? 4 : 2)) {
                parts[part] = parts[part] * 10 + (c - '0');
            } else {
                return std::nullopt;
            }
        }
        if (part != 2 || digits == 0)
            return std::nullopt;
    }
    if (parts[0] < 1000 || !QDate(parts[0], parts[1], parts[2]).isValid())
        return std::nullopt;
    return parts[0] * 10000 + parts[1] * 100 + parts[2];
}

QString codeText(int code) {
    return QStringLiteral("%1").arg(code, 6, 10, QLatin1Char('0'));
}

QString dateText(int yyyymmdd) {
    return QStringLiteral("%1-%2-%3")
        .arg(yyyymmdd / 10000, 4, 10, QLatin1Char('0'))
        .arg(yyyymmdd / 100 % 100, 2, 10, QLatin1Char('0'))
        .arg(yyyymmdd % 100, 2, 10, QLatin1Char('0'));
}

namespace {

// The number with `point` as its decimal mark and `thousands` separating thousands ('\0' for
// none).
NumberRead readWith(QByteArrayView s, char point, char thousands) {
    char digits[64] = {};
    qsizetype n = 0;
    bool grouped = false;
    bool inFraction = false; // past the decimal point or the exponent's letter
    int wholeDigits = 0;     // before the first thousands separator
    int groupDigits = 0;     // since the last one
    const auto groupsEnd = [&] {
        return !grouped || groupDigits == 3;
    };
    for (char c : s) {
        if (thousands != '\0' && c == thousands) {
            if (inFraction || (grouped ? groupDigits != 3 : wholeDigits < 1 || wholeDigits > 3))
                return {0, NumberRead::Grouping};
            grouped = true;
            groupDigits = 0;
            continue;
        }
        if (n == qsizetype(sizeof(digits)))
            return {0, NumberRead::NotNumber};
        if (c == point && !inFraction) {
            if (!groupsEnd())
                return {0, NumberRead::Grouping};
            inFraction = true;
            digits[n++] = '.';
            continue;
        }
        if ((c == 'e' || c == 'E') && !inFraction) {
            if (!groupsEnd())
                return {0, NumberRead::Grouping};
            inFraction = true;
        } else if (isAsciiDigit(c) && !inFraction) {
            ++(grouped ? groupDigits : wholeDigits);
        }
        digits[n++] = c;
    }
    if (!inFraction && !groupsEnd())
        return {0, NumberRead::Grouping};
    double value = 0;
    const auto [end, error] = std::from_chars(digits, digits + n, value);
    if (n == 0 || error != std::errc() || end != digits + n || !std::isfinite(value))
        return {0, NumberRead::NotNumber};
    return {value};
}

// Where a count is written in scientific notation: whether its digits hold the whole number.
void checkCount(QByteArrayView s, NumberRead& read) {
    qsizetype e = s.indexOf('e');
    if (e < 0)
        e = s.indexOf('E');
    if (e < 0 || read.problem != NumberRead::None)
        return;
    int significant = 0;
    for (const char c : s.first(e)) {
        if (isAsciiDigit(c) && (significant > 0 || c != '0'))
            ++significant;
    }
    int needed = 0;
    for (double whole = std::floor(std::abs(read.value)); whole >= 1;
         whole = std::floor(whole / 10))
        ++needed;
    if (significant < needed) {
        read.problem = NumberRead::Rounded;
        read.significant = significant;
        read.needed = needed;
    }
}

} // namespace

NumberRead readNumber(QByteArrayView s, NumberStyle style, bool percent, bool count) {
    s = trimmedBlanks(s);
    if (percent && s.endsWith('%'))
        s = trimmedBlanks(s.chopped(1));
    if (s.startsWith('+'))
        s = s.sliced(1);
    // Whole numbers, the most common, are read at once.
    if (const bool negative = s.startsWith('-'); !s.isEmpty() && s.size() <= 16) {
        qint64 whole = 0;
        qsizetype i = negative ? 1 : 0;
        for (; i < s.size() && isAsciiDigit(s[i]); ++i)
            whole = whole * 10 + (s[i] - '0');
        if (i == s.size() && i > (negative ? 1 : 0))
            return {double(negative ? -whole : whole)};
    }
    NumberRead read;
    if (style == NumberStyle::CommaThousands) {
        read = readWith(s, '.', ',');
    } else if (s.contains(',') || s.count('.') > 1) {
        read = readWith(s, ',', '.');
        read.mark = NumberRead::DecimalComma;
    } else if (const qsizetype point = s.indexOf('.'); point < 0) {
        read = readWith(s, '.', '\0');
    } else {
        qsizetype after = point + 1;
        while (after < s.size() && isAsciiDigit(s[after]))
            ++after;
        read = readWith(s, '.', '\0');
        if (after - point - 1 == 3 && after == s.size() && read.problem == NumberRead::None) {
            const NumberRead thousands = readWith(s, ',', '.');
            read.mark = NumberRead::EitherMark;
            read.thousands = thousands.value;
        } else {
            read.mark = NumberRead::DecimalPoint;
        }
    }
    if (count)
        checkCount(s, read);
    return read;
}

ChangeWords readChangeWords(QStringView words, NumberStyle style) {
    QString text = foldWidth(words);
    text.removeIf([](QChar c) { return c.isSpace(); });
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return {};
    ChangeWords read;
    read.reading = ChangeWords::Unreadable;
    double sign = 1;
    static constexpr std::pair<QStringView, double> directions[] = {
        {u"增持", 1},  {u"增加", 1},  {u"买入", 1},  {u"增", 1},
        {u"减持", -1}, {u"减少", -1}, {u"卖出", -1}, {u"减", -1}};
    for (const auto& [word, direction] : directions) {
        if (text.startsWith(word)) {
            text = text.sliced(word.size());
            if (text.startsWith(u':'))
                text = text.sliced(1);
            if (text.startsWith(u'+') || text.startsWith(u'-'))
                return read; // a sign beside the words: which one holds?
            sign = direction;
            break;
        }
    }
    static constexpr std::pair<QStringView, QStringView> units[] = {
        {u"亿股", u"亿股"}, {u"万股", u"万股"}, {u"千股", u"千股"},
        {u"股", u"股"},     {u"亿", u"亿股"},   {u"万", u"万股"}};
    for (const auto& [suffix, unit] : units) {
        if (text.endsWith(suffix)) {
            text.chop(suffix.size());
            read.unit = unit.toString();
            break;
        }
    }
    if (!std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; }))
        return read;
    const NumberRead number = readNumber(text.toLatin1(), style, false, true);
    if (number.problem != NumberRead::None || number.mark == NumberRead::EitherMark)
        return read;
    read.reading = ChangeWords::Number;
    read.value = sign * number.value;
    return read;
}

CodeRead parseStockCode(QStringView text) {
    return readCode(text.toUtf8());
}

std::optional<int> parseDate(QStringView text) {
    return dateFromBytes(text.toUtf8());
}

NumberRead parseNumber(QStringView text, NumberStyle style, bool count) {
    return readNumber(text.toUtf8(), style, true, count);
}

bool isPlaceholder(QByteArrayView bytes, TextEncoding encoding) {
    bytes = trimmedBlanks(bytes);
    if (bytes.isEmpty())
        return true;
    if (bytes.size() > 8)
        return false;
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == '-'; }))
        return bytes.size() <= 3;
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return c >= 0; }))
        return false;
    const QString text = decodeField(bytes, encoding);
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c == u'—' || c == u'－' || c == u'–' || c == u'-'; });
}

} // namespace gegu
