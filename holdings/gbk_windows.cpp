// GBK from Windows' own code page 936.

#include "gbk.h"
#include "gbk_system.h"

#include <windows.h>

namespace gegu {

bool systemGbkCharacters(std::span<char16_t> pairs, char16_t& euro, char16_t& ff) {
    constexpr UINT gbk = 936;
    CPINFOEXW info{};
    if (!GetCPInfoExW(gbk, 0, &info) || info.MaxCharSize != 2)
        return false;
    // The bytes as one character, or U+FFFD where the system has none for them (it then gives
    // its default character, or '?'). Asked without MB_ERR_INVALID_CHARS: with it, the system
    // also refuses 0xFF, whose U+F8F5 it otherwise gives as ICU does.
    const auto decode = [&](const char* bytes, int size) -> char16_t {
        wchar_t out[2] = {};
        if (MultiByteToWideChar(gbk, 0, bytes, size, out, 2) != 1)
            return u'\xFFFD';
        const char16_t c = char16_t(out[0]);
        // A character below 0x80 or half of a pair would break the rules that every GBK reader
        // here relies on (CR and LF stand for themselves, a pair is one UTF-16 unit).
        if (c == info.UnicodeDefaultChar || c < 0x80 || QChar::isSurrogate(c))
            return u'\xFFFD';
        return c;
    };
    size_t i = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            const char bytes[] = {char(lead), char(trail)};
            pairs[i++] = isGbkTrail(uchar(trail)) ? decode(bytes, 2) : u'\xFFFD';
        }
    }
    euro = decode("\x80", 1);
    ff = decode("\xff", 1);
    return true;
}

} // namespace gegu
