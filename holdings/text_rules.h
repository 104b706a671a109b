#pragma once

// The text and number rules that loading and both queries share. Every length, position and
// count is in UTF-16 code units ("characters"). The functions take and return views: the
// caller keeps the text alive.

#include <QByteArrayView>
#include <QStringView>

namespace gegu {

// Reads a number from the start of the text and ignores the rest. Blanks, tabs and line feeds
// are skipped wherever they stand, even between digits ("1 2" reads as 12). Accepts an optional
// sign, decimal digits with at most one period, an optional exponent ("E" or "e", optional sign,
// digits), or instead of all that a hexadecimal ("&H") or octal ("&O") number. Reading stops at
// the first character that cannot continue the number; no digits at all give 0. Only ASCII
// digits are digits. Never fails: a value too large for a double reads as infinity.
double Val(QStringView text);

// Rounds to the nearest integer, a tie going to the even neighbour (2.5 -> 2, 3.5 -> 4).
// Throws RuntimeError Overflow (6) when the result lies outside the 32-bit signed range.
qint32 RoundToLong(double value);

// The text without its leading U+0020 blanks; trailing blanks and other white space stay.
QStringView LTrim(QStringView text);

// The first n characters (n >= 0), or the whole text if it is shorter.
QStringView Left(QStringView text, qsizetype n);

// Up to n characters (n >= 0) from the 1-based position start (start >= 1); empty when start
// lies beyond the end, shorter when the text ends first.
QStringView Mid(QStringView text, qsizetype start, qsizetype n);

// Number of characters.
inline qsizetype Len(QStringView text) {
    return text.size();
}

// Exact, case-sensitive comparison of the code units; no locale folding.
inline bool TextEquals(QStringView a, QStringView b) {
    return a.compare(b, Qt::CaseSensitive) == 0;
}

// The same rules on GBK bytes, with the results they give on the bytes' text: Val looks only at
// ASCII, and no other bytes decode to ASCII; a blank is one byte; Left counts characters.
double ValOfGbk(QByteArrayView bytes);
QByteArrayView gbkLTrim(QByteArrayView bytes);
QByteArrayView gbkLeft(QByteArrayView bytes, qsizetype n);

// The line end of every report line.
inline constexpr QStringView CrLf = u"\r\n";

} // namespace gegu
