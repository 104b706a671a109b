#include "text_rules.h"

#include "gbk.h"
#include "runtime_error.h"

#include <QString>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace gegu {

namespace {

// Reads characters for Val, stepping over the blanks, tabs and line feeds that Val ignores
// wherever they stand. peek() gives 0 at the end of the text, which continues no number.
class ValReader {
public:
    explicit ValReader(QStringView text) : p_(text.utf16()), end_(p_ + text.size()) {}

    char16_t peek() {
        while (p_ != end_ && (*p_ == u' ' || *p_ == u'\t' || *p_ == u'\n'))
            ++p_;
        return p_ == end_ ? u'\0' : *p_;
    }
    void advance() { ++p_; }

private:
    const char16_t* p_;
    const char16_t* end_;
};

bool isDecimalDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// The value of a digit in the given radix (8 or 16), or -1.
int radixDigit(char16_t c, int radix) {
    int d = -1;
    if (c >= u'0' && c <= u'9')
        d = c - u'0';
    else if (c >= u'a' && c <= u'f')
        d = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F')
        d = c - u'A' + 10;
    return d < radix ? d : -1;
}

double readRadixNumber(ValReader& in, int radix) {
    double value = 0;
    for (int d; (d = radixDigit(in.peek(), radix)) >= 0; in.advance())
        value = value * radix + d;
    return value;
}

double readDecimalNumber(ValReader& in) {
    // The number is gathered as plain ASCII ("-12.5e3") and converted in one correctly
    // rounded step.
    std::string number;
    if (in.peek() == u'-' || in.peek() == u'+') {
        number += char(in.peek());
        in.advance();
    }
    bool anyDigit = false;
    bool seenPoint = false;
    // Decimal exponent of the first significant digit, to tell overflow from underflow.
    long long magnitude = 0;
    bool significant = false;
    for (char16_t c = in.peek();; c = in.peek()) {
        if (isDecimalDigit(c)) {
            anyDigit = true;
            significant = significant || c != u'0';
            if (!seenPoint && significant)
                ++magnitude;
            else if (seenPoint && !significant)
                --magnitude;
        } else if (c == u'.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
        number += char(c);
        in.advance();
    }
    if (!anyDigit)
        return 0;

    if (in.peek() == u'e' || in.peek() == u'E') {
        in.advance();
        std::string exponent = "e";
        if (in.peek() == u'-' || in.peek() == u'+') {
            exponent += char(in.peek());
            in.advance();
        }
        long long exponentValue = 0;
        bool anyExponentDigit = false;
        for (; isDecimalDigit(in.peek()); in.advance()) {
            anyExponentDigit = true;
            exponent += char(in.peek());
            exponentValue = std::min<long long>(exponentValue * 10 + (in.peek() - u'0'), 1 << 30);
        }
        if (anyExponentDigit) {
            number += exponent;
            magnitude += exponent[1] == '-' ? -exponentValue : exponentValue;
        }
    }

    double value = 0;
    const char* first = number.data();
    if (*first == '+')
        ++first; // from_chars takes no plus sign
    const auto [ptr, ec] = std::from_chars(first, number.data() + number.size(), value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) {
        const bool negative = number.front() == '-';
        value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        if (negative)
            value = -value;
    }
    return value == 0 ? 0.0 : value; // no negative zero
}

} // namespace

double Val(QStringView text) {
    // The common case first: a run of up to 15 digits (exact in a double) that nothing after it
    // can continue, such as a stock code or a count.
    const auto continuesNumber = [](char16_t c) {
        return isDecimalDigit(c) || c == u'.' || c == u'e' || c == u'E' || c == u' ' ||
               c == u'\t' || c == u'\n';
    };
    const qsizetype n = text.size();
    quint64 digits = 0;
    qsizetype i = 0;
    for (; i < n && i < 15 && isDecimalDigit(text[i].unicode()); ++i)
        digits = digits * 10 + (text[i].unicode() - u'0');
    if (i > 0 && (i == n || !continuesNumber(text[i].unicode())))
        return double(digits);

    ValReader in(text);
    if (in.peek() != u'&')
        return readDecimalNumber(in);
    in.advance();
    const char16_t prefix = in.peek();
    if (prefix == u'H' || prefix == u'h') {
        in.advance();
        return readRadixNumber(in, 16);
    }
    if (prefix == u'O' || prefix == u'o') {
        in.advance();
        return readRadixNumber(in, 8);
    }
    return 0;
}

qint32 RoundToLong(double value) {
    double rounded = std::floor(value);
    const double fraction = value - rounded;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(rounded, 2.0) != 0))
        rounded += 1;
    // NaN fails both comparisons and so overflows too.
    if (!(rounded >= std::numeric_limits<qint32>::min() &&
          rounded <= std::numeric_limits<qint32>::max()))
        throw RuntimeError(ErrorNumber::Overflow);
    return static_cast<qint32>(rounded);
}

QStringView LTrim(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    return text.sliced(i);
}

QStringView Left(QStringView text, qsizetype n) {
    Q_ASSERT(n >= 0);
    return text.first(std::min(n, text.size()));
}

QStringView Mid(QStringView text, qsizetype start, qsizetype n) {
    Q_ASSERT(start >= 1 && n >= 0);
    if (start > text.size())
        return {};
    return text.sliced(start - 1, std::min(n, text.size() - (start - 1)));
}

double ValOfGbk(QByteArrayView bytes) {
    // The first byte beyond ASCII decodes to a character that no number continues with.
    qsizetype n = 0;
    while (n < bytes.size() && uchar(bytes[n]) < 0x80)
        ++n;
    constexpr qsizetype shortText = 64;
    if (n <= shortText) {
        char16_t units[shortText];
        std::copy(bytes.begin(), bytes.begin() + n, units);
        return Val(QStringView(units, n));
    }
    return Val(QString::fromLatin1(bytes.first(n)));
}

QByteArrayView gbkLTrim(QByteArrayView bytes) {
    qsizetype i = 0;
    while (i < bytes.size() && bytes[i] == ' ')
        ++i;
    return bytes.sliced(i);
}

QByteArrayView gbkLeft(QByteArrayView bytes, qsizetype n) {
    Q_ASSERT(n >= 0);
    const auto* p = reinterpret_cast<const uchar*>(bytes.data());
    const uchar* const end = p + bytes.size();
    qsizetype at = 0;
    for (qsizetype c = 0; c < n && at < bytes.size(); ++c)
        at += gbkCharSize(p + at, end);
    return bytes.first(at);
}

} // namespace gegu
