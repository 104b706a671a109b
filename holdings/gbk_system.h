#pragma once

// GBK as the operating system decodes it, for a Qt that has no GBK decoder of its own (Qt's
// Windows builds come without ICU).

#include <span>

namespace gegu {

// Fills pairs with the characters of every pair of a lead byte 0x81..0xFE and a trail byte
// 0x40..0xFE, at (lead - 0x81) * 191 + (trail - 0x40), and euro and ff with those of the single
// bytes 0x80 and 0xFF, as the system's code page 936 decodes them. A pair that the system
// leaves undefined is U+FFFD; so is trail 0x7F's, which is no trail byte. False where the
// system has no code page 936.
bool systemGbkCharacters(std::span<char16_t> pairs, char16_t& euro, char16_t& ff);

} // namespace gegu
