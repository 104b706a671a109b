// The standard streams on Windows: binary, UTF-8, and text to a console window as UTF-16.

#include "console.h"

#include <algorithm>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace gegu {

namespace {

// The console window that the stream writes to, or nullptr when it writes to a file or a pipe.
HANDLE consoleOf(std::FILE* stream) {
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) ? handle : nullptr;
}

} // namespace

void useBinaryStandardStreams() {
    for (std::FILE* stream : {stdin, stdout, stderr})
        _setmode(_fileno(stream), _O_BINARY);
}

bool writeUtf8(std::FILE* stream, QByteArrayView bytes) {
    if (const HANDLE console = consoleOf(stream)) {
        // As UTF-16: a console shows bytes in its own code page, rarely UTF-8.
        if (std::fflush(stream) != 0)
            return false;
        const QString text = QString::fromUtf8(bytes);
        const auto* units = reinterpret_cast<const wchar_t*>(text.utf16());
        for (qsizetype at = 0; at < text.size();) {
            DWORD written = 0;
            const auto chunk = DWORD(std::min<qsizetype>(text.size() - at, 1 << 14));
            if (!WriteConsoleW(console, units + at, chunk, &written, nullptr) || written == 0)
                return false;
            at += written;
        }
        return true;
    }
    return std::fwrite(bytes.data(), 1, size_t(bytes.size()), stream) == size_t(bytes.size()) &&
           std::fflush(stream) == 0;
}

void writeLine(std::FILE* stream, const QString& text) {
    writeUtf8(stream, (text + u'\n').toUtf8());
}

} // namespace gegu
