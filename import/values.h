#pragma once

// Values as exports write them: stock codes, dates, numbers and placeholders.

#include "encoding.h"

#include <QByteArrayView>
#include <QStringView>
#include <optional>

namespace gegu {

// A stock code: 600000, 600000.SH, sh600000, SH600000, sh.600000, or 1 for 000001; nullopt for
// anything else, and for 0, which no stock has.
std::optional<int> codeFromBytes(QByteArrayView bytes);
// A date: 2024-06-30, 20240630, 2024/6/30 or 2024.6.30, a time after it ignored; as yyyymmdd.
std::optional<int> dateFromBytes(QByteArrayView bytes);

// A number as read, or why not.
struct NumberRead {
    enum Problem { None, NotNumber, Grouping };
    double value = 0;
    Problem problem = None;
};

// A number: digits with a sign, a decimal point and an exponent; a trailing % where percent is
// set. Where the fields are separated by commas or tabs, commas may separate thousands, every
// three digits (1,234,567; not 1,2,3,4, and 1,5 is no number); where they are separated by
// semicolons, a comma is the decimal point (1,5 is 1.5), and points may then separate thousands
// (1.234,5).
NumberRead readNumber(QByteArrayView bytes, char separator, bool percent);

// The same on text, for the tests: percent signs allowed.
std::optional<int> parseStockCode(QStringView text);
std::optional<int> parseDate(QStringView text);
std::optional<double> parseNumber(QStringView text, char separator = ',');

// Whether a field stands for no value: empty, or a dash as exports write one (-, --, —, ——, －).
bool isPlaceholder(QByteArrayView bytes, TextEncoding encoding);

} // namespace gegu
