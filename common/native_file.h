#pragma once

// Files by the names the system gives them, read by offset through one open handle.

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <exception>
#include <filesystem>
#include <optional>

namespace gegu {

// A file name as the system gave it: bytes on Unix, UTF-16 on Windows. A name that is not
// valid in the user's encoding (a folder made on Chinese Windows and copied over) still opens.
using NativePath = std::filesystem::path;

// The native form of a name given as text.
NativePath nativePath(const QString& name);
// A native name for people to read; bytes that are not valid in the user's encoding show as
// U+FFFD. Never use it to name a file to the system.
QString displayName(const NativePath& path);

// Which file stands somewhere, and how it was when looked at: a file rewritten in place keeps
// its device and inode but changes its size or its modification time; a file put in its place
// changes them all.
struct FileState {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modified = 0; // nanoseconds since the epoch, as precisely as the file system keeps it
    bool operator==(const FileState&) const = default;
};

// Whether the name alone makes the path a device or a pipe: on Windows a reserved name (NUL,
// CON, COM1, ... in any folder) or a path in the device space \\.\; never elsewhere, where
// only the file itself tells.
bool namesDevice(const NativePath& path);

// The state of the file at a path now, links followed; nullopt when none can be looked at.
std::optional<FileState> fileStateAt(const NativePath& path);

// Why a file cannot be read.
enum class FileProblem {
    NotFound,         // nothing at the path (also a link that leads nowhere)
    PermissionDenied, // there, but not to be read
    NotRegular,       // a folder, a FIFO, a device, a link loop: anything but a regular file
    ReadFailed,       // a read failed midway
    Changed,          // the file changed while it was read
    TooLarge,         // the file does not fit in the memory the system has
};

class FileError : public std::exception {
public:
    FileError(FileProblem problem, NativePath path) : problem_(problem), path_(std::move(path)) {}
    FileProblem problem() const { return problem_; }
    const NativePath& path() const { return path_; }
    const char* what() const noexcept override { return "file error"; }

private:
    FileProblem problem_;
    NativePath path_;
};

// A regular file open for reading. All reads go through this one handle, by offset, so that
// several threads can read parts of it at once, and all of them read the same file even when
// another is put in its place meanwhile.
class ReadOnlyFile {
public:
    // Opens the file. Throws FileError: NotFound, PermissionDenied or NotRegular. A FIFO or a
    // device is never opened, so that this never waits and never has side effects.
    explicit ReadOnlyFile(const NativePath& path);
    ~ReadOnlyFile();
    ReadOnlyFile(ReadOnlyFile&& other) noexcept;
    ReadOnlyFile& operator=(ReadOnlyFile&& other) noexcept;
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    const NativePath& path() const { return path_; }
    // How the open file is now. Throws FileError ReadFailed when the system cannot tell.
    FileState state() const;
    // Reads up to n bytes from offset into `into`; fewer only where the file ends. Returns the
    // number read, or -1 when the read fails.
    qint64 readAt(qint64 offset, char* into, qint64 n) const;

private:
    NativePath path_;
#if defined(Q_OS_WIN)
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

// Reads the whole file, to its end whatever size it reports. Throws FileError: ReadFailed when
// a read fails, Changed when the file changed while it was read, TooLarge when it holds more
// than memoryLimit bytes.
QByteArray readWholeFile(const ReadOnlyFile& file, qint64 memoryLimit);

} // namespace gegu
