#pragma once

// Files by the names the system gives them, read by offset through one open handle.

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <chrono>
#include <exception>
#include <filesystem>
#include <functional>
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
// its device and inode but changes its size, its modification time or its change time (which
// nobody can set back: a copy followed by `touch -r` still changes it); a file put in its place
// changes them all.
struct FileState {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modified = 0; // nanoseconds since the epoch, as precisely as the file system keeps it
    qint64 changed = 0;  // the change time (Unix ctime, Windows' ChangeTime), likewise
    quint64 links = 0;   // how many names the file has
    bool operator==(const FileState&) const = default;
};

// Whether an open file's bytes may differ between two of its states: its size or modification
// time differ, or its change time does while the number of its names stayed (taking a name from
// it, as putting another file in its place does, changes that time too).
bool bytesMayDiffer(const FileState& before, const FileState& after);

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
    BeingWritten,     // another program went on writing it all the time Gegu waited to read it
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
//
// On Windows others may read, rename and delete the file while it is open, but not write it: an
// open that meets a program writing it is tried again for up to two seconds.
class ReadOnlyFile {
public:
    // Opens the file. Throws FileError: NotFound, PermissionDenied (also, on Windows, a file that
    // another program kept open for writing for two seconds) or NotRegular. A FIFO or a device
    // is never opened, so that this never waits on it and never has side effects.
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
#if !defined(Q_OS_WIN)
    // The open file's descriptor, for what the system offers on it (leases, watches).
    int descriptor() const {
        return fd_;
    }
#endif

private:
    NativePath path_;
#if defined(Q_OS_WIN)
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

// The points of a whole read, in order, where tests may step in.
enum class ReadStep {
    Waiting,    // another program has the file open for writing: waited for, and asked again
    Guarded,    // no writer can start unseen from here on (a lease, a watch or a share mode)
    StateTaken, // the state that the read is checked against
    Read,       // the bytes read, before the state is taken again
};

// How a whole file is read.
struct ReadOptions {
    // The most bytes the file may hold; 0 for what the system has available when the read starts.
    qint64 memoryLimit = 0;
    // Files at least this large are read in two halves at once; 0: never.
    qint64 parallelSize = 0;
    // Called on the second half's thread before it reads: tests change the file there.
    std::function<void()> betweenHalves;
    // Called at every step of the read.
    std::function<void(ReadStep)> step;
    // A file changed less than this long before its read may still be being written. Where no
    // lease can be had it is read only once this has passed since its last change (waiting up
    // to three times); its state tells a later change apart only then (see ReadCheck).
    std::chrono::milliseconds quietTime{1000};
    // Whether a lease is asked for (Linux); tests read as where none can be had.
    bool lease = true;
};

// The state that a whole read was checked against: the file did not change from before its first
// byte was read to after its last.
struct ReadCheck {
    FileState state;
    // Whether the file had been left alone for ReadOptions::quietTime when it was read: then a
    // later change, however soon after the read, gives another state. A file changed just
    // before may be changed again within the file system's time step and keep its state.
    bool settled = false;
};

namespace detail {
// Memory that a whole read fills, grown as it goes.
class ReadBuffer {
public:
    virtual ~ReadBuffer() = default;
    // Makes the buffer n bytes long, keeping what it holds, and returns its start.
    virtual char* resize(qint64 n) = 0;
};
// Fills the buffer with the whole file and returns how many bytes it has.
qint64 readWholeInto(const ReadOnlyFile& file, const ReadOptions& options, ReadBuffer& buffer,
                     ReadCheck* check);
} // namespace detail

// Reads the whole file, to its end whatever size it reports, into a QByteArray or a ByteBuffer,
// and never a mix of two versions of it. On Linux a read lease is held while it is read (another
// program's open for writing then waits until the read is done; a file that some program keeps
// open for writing is waited for up to two seconds); where no lease can be had (another user's
// file, a file system without leases) the file is watched while it is read, and one changed
// within the quiet time is read only after it. On Windows no other program can write it while
// it is open (see ReadOnlyFile). Sets check, when given, to the state the read was checked
// against. Throws FileError: ReadFailed when a read fails, Changed when the file changed while it
// was read, BeingWritten when a writer did not let go in time, TooLarge when it holds more than
// options.memoryLimit bytes.
template <typename Bytes>
Bytes readWholeFile(const ReadOnlyFile& file, const ReadOptions& options,
                    ReadCheck* check = nullptr) {
    struct Into : detail::ReadBuffer {
        explicit Into(Bytes& b) : bytes(b) {}
        char* resize(qint64 n) override {
            bytes.resize(decltype(bytes.size())(n));
            return bytes.data();
        }
        Bytes& bytes;
    };
    Bytes bytes;
    Into into(bytes);
    bytes.resize(decltype(bytes.size())(detail::readWholeInto(file, options, into, check)));
    return bytes;
}

// The same with the default options and a limit.
QByteArray readWholeFile(const ReadOnlyFile& file, qint64 memoryLimit);

} // namespace gegu
