#pragma once

// Values as exports write them: stock codes, dates, numbers, changes and placeholders.

#include "encoding.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <optional>

namespace gegu {

// A stock code as read: of Shanghai, Shenzhen or Beijing (an A-share code, what Gegu holds),
// of another market, or none.
struct CodeRead {
    enum Market { None, Mainland, Other };
    Market market = None;
    int code = 0; // for Mainland
};

// A stock code: six digits, or fewer where a spreadsheet dropped the leading zeros (1 for
// 000001); with a marker of its exchange before (sh, sz, bj, also sh.) or after (.SH, .SZ, .BJ,
// .SS, .XSHG, .XSHE), in any case. Another market's marker before (hk00700, us.AAPL) or after
// (00700.HK, AAPL.O) makes it Other. Code 0, which no stock has, is None.
CodeRead readCode(QByteArrayView bytes);
// readCode's A-share code, else nullopt.
std::optional<int> codeFromBytes(QByteArrayView bytes);
// A date: 2024-06-30, 20240630, 2024/6/30 or 2024.6.30, a time after it ignored; as yyyymmdd.
std::optional<int> dateFromBytes(QByteArrayView bytes);

// A code and a date as the data file writes them: 000002, 2024-06-30.
QString codeText(int code);
QString dateText(int yyyymmdd);

// How a file writes its numbers.
enum class NumberStyle {
    // Fields separated by commas or tabs: commas may separate thousands, every three digits
    // (1,234,567; not 1,2,3,4, and 1,5 is no number); a point is the decimal mark.
    CommaThousands,
    // Fields separated by semicolons: the decimal mark is the file's, a comma or a point, and
    // each number shows which it has where it can (see NumberRead::Mark).
    Semicolons,
};

// A number as read, or why not.
struct NumberRead {
    enum Problem { None, NotNumber, Grouping, Rounded };
    // What a number in a semicolon-separated file shows of the file's decimal mark.
    enum Mark {
        NoMark,       // nothing: no comma, no point
        DecimalComma, // a comma (1,5), or points that separate thousands (1.234.567)
        DecimalPoint, // a point followed by other than three digits (6.12)
        EitherMark,   // one point and three digits after it (1.234): 1.234 or 1234
    };
    double value = 0; // for EitherMark, the reading with a decimal point
    Problem problem = None;
    Mark mark = NoMark;
    double thousands = 0; // for EitherMark, the reading with a thousands point
    int significant = 0;  // for Rounded: the digits written
    int needed = 0;       // and the digits of the whole number
};

// A number: digits with a sign, a decimal mark and an exponent; a trailing % where percent is
// set. A count (of shares) in scientific notation that has fewer significant digits than its
// whole number needs is Rounded: a spreadsheet's General format writes 1237178530000 as
// 1.23718E+12.
NumberRead readNumber(QByteArrayView bytes, NumberStyle style, bool percent, bool count = false);

// A change written in words with a number: a direction (增持, 增加, 增, 买入; 减持, 减少, 减,
// 卖出), the number, and perhaps its own unit (股, 千股, 万股, 亿股, 万, 亿), e.g. 增持1,000,000,
// 减少98765432, 增持1.2万股.
struct ChangeWords {
    enum Reading { Words, Number, Unreadable };
    Reading reading = Words; // Words: no digit in it, kept as written
    double value = 0;        // for Number: signed, in the text's unit
    QString unit;            // the text's own unit (股, 千股, 万股, 亿股), or empty
};
ChangeWords readChangeWords(QStringView text, NumberStyle style);

// The same on text, for the tests: percent signs allowed.
CodeRead parseStockCode(QStringView text);
std::optional<int> parseDate(QStringView text);
NumberRead parseNumber(QStringView text, NumberStyle style = NumberStyle::CommaThousands,
                       bool count = false);

// Whether a field stands for no value: empty, or a dash as exports write one (-, --, —, ——, －).
bool isPlaceholder(QByteArrayView bytes, TextEncoding encoding);

} // namespace gegu
