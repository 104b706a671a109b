// Fuzzes the text and number rules with arbitrary UTF-16 text, and their forms on GBK bytes
// against the same rules on the bytes' text.

#include "holdings/gbk.h"
#include "holdings/runtime_error.h"
#include "holdings/text_rules.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace gegu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<char16_t> units(size / 2);
    if (!units.empty())
        std::memcpy(units.data(), data, units.size() * 2);
    const QStringView text(units.data(), qsizetype(units.size()));

    const double v = Val(text);
    if (std::isnan(v))
        std::abort();

    // The same input as GBK bytes: the byte forms give what the rules give on the text.
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString decoded = decodeGbk(bytes);
    const double fromBytes = ValOfGbk(bytes);
    const double fromText = Val(decoded);
    if (!(fromBytes == fromText || (std::isnan(fromBytes) && std::isnan(fromText))))
        std::abort();
    if (decodeGbk(gbkLTrim(bytes)) != LTrim(decoded))
        std::abort();
    for (qsizetype count : {0, 1, 6, 20}) {
        if (decodeGbk(gbkLeft(bytes, count)) != Left(decoded, count))
            std::abort();
    }
    try {
        const qint32 rounded = RoundToLong(v);
        if (std::abs(double(rounded) - v) > 0.5)
            std::abort();
    } catch (const RuntimeError& e) {
        if (e.number() != ErrorNumber::Overflow || std::abs(v) < 2147483647.0)
            std::abort();
    }

    const QStringView trimmed = LTrim(text);
    if (!trimmed.isEmpty() && trimmed.front() == u' ')
        std::abort();
    const qsizetype n = size > 0 ? data[0] % 32 : 0;
    if (Left(text, n).size() != std::min(n, text.size()))
        std::abort();
    const QStringView mid = Mid(text, n + 1, 20);
    if (mid.size() > 20 || (n + 1 <= text.size() && mid.data() != text.data() + n))
        std::abort();
    return 0;
}
