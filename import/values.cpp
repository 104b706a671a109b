#include "values.h"

#include "csv_reader.h"

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

std::optional<int> codeFromBytes(QByteArrayView s) {
    s = trimmedBlanks(s);
    // An exchange's letters before the digits (sh600000, sh.600000) or after a point (.SH).
    if (s.size() >= 2 && isAsciiLetter(s[0]) && isAsciiLetter(s[1])) {
        s = s.sliced(2);
        if (s.startsWith('.'))
            s = s.sliced(1);
    }
    if (const qsizetype point = s.indexOf('.'); point >= 0) {
        const QByteArrayView exchange = s.sliced(point + 1);
        if (exchange.isEmpty() || !std::all_of(exchange.begin(), exchange.end(), isAsciiLetter))
            return std::nullopt;
        s = s.first(point);
    }
    if (s.isEmpty() || s.size() > 6 || !std::all_of(s.begin(), s.end(), isAsciiDigit))
        return std::nullopt;
    int code = 0;
    for (char c : s)
        code = code * 10 + (c - '0');
    if (code == 0)
        return std::nullopt;
    return code;
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

NumberRead readNumber(QByteArrayView s, char separator, bool percent) {
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
    // Which character is the decimal point, and which separates thousands.
    char point = '.';
    char thousands = ',';
    if (separator == ';') {
        const bool decimalComma = s.contains(',');
        point = decimalComma ? ',' : s.count('.') > 1 ? '\0' : '.';
        thousands = decimalComma || point == '\0' ? '.' : '\0';
    }
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
        if (point != '\0' && c == point && !inFraction) {
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

std::optional<int> parseStockCode(QStringView text) {
    return codeFromBytes(text.toUtf8());
}

std::optional<int> parseDate(QStringView text) {
    return dateFromBytes(text.toUtf8());
}

std::optional<double> parseNumber(QStringView text, char separator) {
    const NumberRead read = readNumber(text.toUtf8(), separator, true);
    if (read.problem != NumberRead::None)
        return std::nullopt;
    return read.value;
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
