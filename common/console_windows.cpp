// The standard streams on Windows: binary, UTF-8, and text to a console window as UTF-16.

#include "console.h"

#include <algorithm>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace gegu {

namespace {

// The system's handle beneath the stream, or nullptr when it has none. A program started
// without a console and without handles to inherit (gegu.exe from Explorer or a shortcut) has
// none beneath stdin, stdout and stderr, and their descriptors are not valid: the C runtime
// ends a program that hands such a descriptor to _setmode or _get_osfhandle.
HANDLE systemHandleOf(std::FILE* stream) {
    const int fd = _fileno(stream);
    if (fd < 0)
        return nullptr;
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (stream == stdin || stream == stdout || stream == stderr) {
        // What the runtime took its descriptors from, asked of the system itself.
        handle = GetStdHandle(stream == stdin    ? STD_INPUT_HANDLE
                              : stream == stdout ? STD_OUTPUT_HANDLE
                                                 : STD_ERROR_HANDLE);
        if (handle == nullptr)
            return nullptr;
        SetLastError(NO_ERROR); // FILE_TYPE_UNKNOWN alone is no failure
        if (handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_UNKNOWN &&
            GetLastError() != NO_ERROR)
            return nullptr;
    } else {
        handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    }
    return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

// The console window that the stream writes to, or nullptr when it writes to a file or a pipe.
HANDLE consoleOf(HANDLE handle) {
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) ? handle : nullptr;
}

} // namespace

void useBinaryStandardStreams() {
    for (std::FILE* stream : {stdin, stdout, stderr}) {
        if (systemHandleOf(stream))
            _setmode(_fileno(stream), _O_BINARY);
    }
}

bool writeUtf8(std::FILE* stream, QByteArrayView bytes) {
    const HANDLE handle = systemHandleOf(stream);
    if (!handle)
        return false; // nowhere to write to
    if (const HANDLE console = consoleOf(handle)) {
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
