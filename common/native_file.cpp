#include "native_file.h"

#include "large_allocator.h"
#include "parallel.h"
#include "system_memory.h"

#include <QFile>
#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#if defined(Q_OS_WIN)
#include <string>
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#if defined(Q_OS_LINUX)
#include <sys/inotify.h>
#endif
#endif

namespace gegu {

namespace {

// How long a program that writes a file is waited for, and how often it is looked at meanwhile.
constexpr std::chrono::milliseconds writerWait{2000};
constexpr std::chrono::milliseconds writerPoll{20};

} // namespace

NativePath nativePath(const QString& name) {
#if defined(Q_OS_WIN)
    return NativePath(name.toStdWString());
#else
    return NativePath(QFile::encodeName(name).toStdString());
#endif
}

bool bytesMayDiffer(const FileState& before, const FileState& after) {
    return after.device != before.device || after.inode != before.inode ||
           after.size != before.size || after.modified != before.modified ||
           (after.changed != before.changed && after.links == before.links);
}

QString displayName(const NativePath& path) {
#if defined(Q_OS_WIN)
    return QString::fromStdWString(path.native());
#else
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
#endif
}

#if defined(Q_OS_WIN)

namespace {

// Nanoseconds since the epoch of a count of 100 ns steps since 1601, as FILETIME and Windows'
// other file times count.
qint64 sinceEpoch(quint64 ticks) {
    constexpr qint64 ticksBeforeEpoch = 116444736000000000;
    return (qint64(ticks) - ticksBeforeEpoch) * 100;
}

// The state of the file open as h; nullopt when the system cannot tell.
std::optional<FileState> stateOf(HANDLE h) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info))
        return std::nullopt;
    // The change time, which no program sets back, is only in the basic information.
    FILE_BASIC_INFO basic{};
    if (!GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic))
        return std::nullopt;
    const quint64 written =
        (quint64(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime;
    return FileState{info.dwVolumeSerialNumber,
                     (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
                     qint64((quint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow),
                     sinceEpoch(written),
                     sinceEpoch(quint64(basic.ChangeTime.QuadPart)),
                     info.nNumberOfLinks};
}

} // namespace

bool namesDevice(const NativePath& path) {
    // The system's full form of every such name, also of CON or NUL in any folder, is in its
    // device space \\.\.
    std::wstring full(GetFullPathNameW(path.c_str(), 0, nullptr, nullptr), L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), DWORD(full.size()), full.data(), nullptr);
    return length < full.size() && full.starts_with(LR"(\\.\)");
}

std::optional<FileState> fileStateAt(const NativePath& path) {
    if (namesDevice(path))
        return std::nullopt;
    const HANDLE h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return std::nullopt;
    const std::optional<FileState> state = stateOf(h);
    CloseHandle(h);
    return state;
}

ReadOnlyFile::ReadOnlyFile(const NativePath& path) : path_(path) {
    // Looked at before it is opened, so that a device or a pipe is never opened.
    if (namesDevice(path))
        throw FileError(FileProblem::NotRegular, path);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        throw FileError(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                            ? FileProblem::NotFound
                        : error == ERROR_ACCESS_DENIED ? FileProblem::PermissionDenied
                                                       : FileProblem::NotRegular,
                        path);
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        throw FileError(FileProblem::NotRegular, path);
    // Others may go on reading, renaming and deleting it (gegu-import --force and a drop put a
    // new file in its place), but nobody may write it while it is open: what is read is one
    // version of it. A program that has it open for writing is waited for.
    const auto deadline = std::chrono::steady_clock::now() + writerWait;
    for (;;) {
        handle_ = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle_ != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION ||
            std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(writerPoll);
    }
    if (handle_ == INVALID_HANDLE_VALUE) {
        handle_ = nullptr;
        const DWORD error = GetLastError();
        throw FileError(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                            ? FileProblem::NotFound
                        : error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION
                            ? FileProblem::PermissionDenied
                            : FileProblem::NotRegular,
                        path);
    }
    if (GetFileType(handle_) != FILE_TYPE_DISK) {
        CloseHandle(handle_);
        handle_ = nullptr;
        throw FileError(FileProblem::NotRegular, path);
    }
}

ReadOnlyFile::~ReadOnlyFile() {
    if (handle_)
        CloseHandle(handle_);
}

ReadOnlyFile::ReadOnlyFile(ReadOnlyFile&& other) noexcept
    : path_(std::move(other.path_)), handle_(std::exchange(other.handle_, nullptr)) {}

ReadOnlyFile& ReadOnlyFile::operator=(ReadOnlyFile&& other) noexcept {
    std::swap(path_, other.path_);
    std::swap(handle_, other.handle_);
    return *this;
}

FileState ReadOnlyFile::state() const {
    const std::optional<FileState> state = stateOf(handle_);
    if (!state)
        throw FileError(FileProblem::ReadFailed, path_);
    return *state;
}

qint64 ReadOnlyFile::readAt(qint64 offset, char* into, qint64 n) const {
    qint64 done = 0;
    while (done < n) {
        OVERLAPPED at{};
        at.Offset = DWORD(quint64(offset + done) & 0xFFFFFFFF);
        at.OffsetHigh = DWORD(quint64(offset + done) >> 32);
        const DWORD want = DWORD(std::min<qint64>(n - done, qint64(1) << 30));
        DWORD got = 0;
        if (!ReadFile(handle_, into + done, want, &got, &at)) {
            if (GetLastError() == ERROR_HANDLE_EOF)
                break;
            return -1;
        }
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

#else

namespace {

qint64 nanoseconds(const timespec& t) {
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

FileState stateOf(const struct stat& s) {
#if defined(Q_OS_DARWIN)
    return {quint64(s.st_dev),           quint64(s.st_ino),           qint64(s.st_size),
            nanoseconds(s.st_mtimespec), nanoseconds(s.st_ctimespec), quint64(s.st_nlink)};
#else
    return {quint64(s.st_dev),      quint64(s.st_ino),      qint64(s.st_size),
            nanoseconds(s.st_mtim), nanoseconds(s.st_ctim), quint64(s.st_nlink)};
#endif
}

FileProblem openProblem(int error) {
    if (error == ENOENT || error == ENOTDIR)
        return FileProblem::NotFound;
    if (error == EACCES || error == EPERM)
        return FileProblem::PermissionDenied;
    return FileProblem::NotRegular;
}

} // namespace

bool namesDevice(const NativePath&) {
    return false;
}

std::optional<FileState> fileStateAt(const NativePath& path) {
    struct stat s {};
    if (::stat(path.c_str(), &s) != 0)
        return std::nullopt;
    return stateOf(s);
}

ReadOnlyFile::ReadOnlyFile(const NativePath& path) : path_(path) {
    // Looked at before it is opened, so that a device or a FIFO is never opened; looked at again
    // once open, in case it was replaced in between.
    struct stat s {};
    if (::stat(path.c_str(), &s) != 0)
        throw FileError(openProblem(errno), path);
    if (!S_ISREG(s.st_mode))
        throw FileError(FileProblem::NotRegular, path);
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd_ < 0)
        throw FileError(openProblem(errno), path);
    if (::fstat(fd_, &s) != 0 || !S_ISREG(s.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        throw FileError(FileProblem::NotRegular, path);
    }
}

ReadOnlyFile::~ReadOnlyFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

ReadOnlyFile::ReadOnlyFile(ReadOnlyFile&& other) noexcept
    : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)) {}

ReadOnlyFile& ReadOnlyFile::operator=(ReadOnlyFile&& other) noexcept {
    std::swap(path_, other.path_);
    std::swap(fd_, other.fd_);
    return *this;
}

FileState ReadOnlyFile::state() const {
    struct stat s {};
    if (::fstat(fd_, &s) != 0)
        throw FileError(FileProblem::ReadFailed, path_);
    return stateOf(s);
}

qint64 ReadOnlyFile::readAt(qint64 offset, char* into, qint64 n) const {
    qint64 done = 0;
    while (done < n) {
        const ssize_t got = ::pread(fd_, into + done, size_t(n - done), off_t(offset + done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

#endif

namespace {

// Nanoseconds since the epoch, by the clock that file times are taken from.
qint64 nowSinceEpoch() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

#if defined(Q_OS_LINUX)
// A lease's break is told by SIGIO, which would end the process: it is told to nobody instead
// (unless the program handles SIGIO itself). The lease is given up when the read is done.
void leaseBreaksDoNoHarm() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction current {};
        // A null handler is the default action (SIG_DFL).
        if (::sigaction(SIGIO, nullptr, &current) != 0 || current.sa_handler != nullptr ||
            (current.sa_flags & SA_SIGINFO))
            return;
        struct sigaction quiet {};
        quiet.sa_handler = [](int) {
        };
        sigemptyset(&quiet.sa_mask);
        quiet.sa_flags = SA_RESTART;
        ::sigaction(SIGIO, &quiet, nullptr);
    });
}
#endif

// Makes sure that no program writes the file unseen while it is read, from before its first
// state is taken to after its last. On Linux a read lease: while it is held, another program's
// open for writing waits until it is given up, and it cannot be had while any program has the
// file open for writing (that is waited for, up to two seconds). Where no lease can be had, a
// watch on the open file that tells of every write, change of its attributes and close after
// writing. On Windows the share mode of the open file does the same (see ReadOnlyFile).
class ReadGuard {
public:
    ReadGuard(const ReadOnlyFile& file, const ReadOptions& options) {
#if defined(Q_OS_WIN)
        (void)file;
        (void)options;
        guarded_ = true;
#elif defined(Q_OS_LINUX)
        fd_ = file.descriptor();
        if (options.lease) {
            leaseBreaksDoNoHarm();
            const auto deadline = std::chrono::steady_clock::now() + writerWait;
            for (;;) {
                if (::fcntl(fd_, F_SETLEASE, F_RDLCK) == 0) {
                    guarded_ = true;
                    return;
                }
                // Any other error: leases are not to be had here.
                if (errno != EAGAIN && errno != EBUSY)
                    break;
                if (std::chrono::steady_clock::now() >= deadline)
                    throw FileError(FileProblem::BeingWritten, file.path());
                if (options.step)
                    options.step(ReadStep::Waiting);
                std::this_thread::sleep_for(writerPoll);
            }
        }
        watch_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (watch_ >= 0) {
            const std::string open = "/proc/self/fd/" + std::to_string(fd_);
            if (::inotify_add_watch(watch_, open.c_str(), IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE) <
                0) {
                ::close(watch_);
                watch_ = -1;
            }
        }
#else
        (void)file;
        (void)options;
#endif
    }
    ~ReadGuard() {
#if defined(Q_OS_LINUX)
        if (guarded_)
            ::fcntl(fd_, F_SETLEASE, F_UNLCK);
        if (watch_ >= 0)
            ::close(watch_);
#endif
    }
    ReadGuard(const ReadGuard&) = delete;
    ReadGuard& operator=(const ReadGuard&) = delete;

    // Whether no program can have written the file since the guard began.
    bool guarded() const {
        return guarded_;
    }
    // Whether the watch saw the file written, its attributes changed or a writer close it.
    bool sawChange() const {
#if defined(Q_OS_LINUX)
        if (watch_ < 0)
            return false;
        char events[4096];
        const ssize_t n = ::read(watch_, events, sizeof events);
        return n > 0 || (n < 0 && errno != EAGAIN);
#else
        return false;
#endif
    }

private:
    bool guarded_ = false;
#if defined(Q_OS_LINUX)
    int fd_ = -1;
    int watch_ = -1;
#endif
};

// Reads bytes [from, to) of the file into out, or throws FileError ReadFailed; returns how many
// there were (fewer where the file ends before).
qint64 readRange(const ReadOnlyFile& file, qint64 from, qint64 to, char* out) {
    const qint64 n = file.readAt(from, out, to - from);
    if (n < 0)
        throw FileError(FileProblem::ReadFailed, file.path());
    return n;
}

// The file's bytes into the buffer, read to its end whatever size it reports (size), and at most
// `limit` of them; returns how many. A large file is read in two halves at once.
qint64 readBytes(const ReadOnlyFile& file, const ReadOptions& options, qint64 limit, qint64 size,
                 detail::ReadBuffer& buffer) {
    if (size > limit)
        throw FileError(FileProblem::TooLarge, file.path());
    // More room than the size it reports, to see whether the file goes on, in whole blocks as
    // some files of the system need (/proc/self/pagemap reads in steps of 8 bytes).
    constexpr qint64 block = 1 << 16;
    const qint64 pastLimit = limit / block * block + block;
    qint64 capacity = size + block;
    char* bytes = buffer.resize(capacity);
    adviseHugePages(bytes, size_t(capacity)); // cheaper to fill on a large file
    qint64 read = 0;
    if (options.parallelSize > 0 && size >= options.parallelSize) {
        const qint64 middle = size / 2;
        qint64 first = 0;
        qint64 second = 0;
        inParallel([&] { first = readRange(file, 0, middle, bytes); },
                   [&] {
                       if (options.betweenHalves)
                           options.betweenHalves();
                       second = readRange(file, middle, size, bytes + middle);
                   });
        // A file that shrank meanwhile is caught by its state; its halves are not joined.
        read = first < middle ? first : middle + second;
        if (read < size)
            throw FileError(FileProblem::Changed, file.path());
    }
    for (;;) {
        read += readRange(file, read, capacity, bytes + read);
        if (read < capacity)
            return read;
        if (read > limit)
            throw FileError(FileProblem::TooLarge, file.path());
        capacity = std::min(read * 2, pastLimit);
        bytes = buffer.resize(capacity);
    }
}

} // namespace

qint64 detail::readWholeInto(const ReadOnlyFile& file, const ReadOptions& options,
                             ReadBuffer& buffer, ReadCheck* check) {
    const qint64 limit = options.memoryLimit > 0
                             ? options.memoryLimit
                             : qint64(std::min<quint64>(availableMemory(), quint64(1) << 62));
    const qint64 quiet =
        std::chrono::duration_cast<std::chrono::nanoseconds>(options.quietTime).count();
    const auto step = [&](ReadStep s) {
        if (options.step)
            options.step(s);
    };
    // A file changed within the quiet time of the read may be in the middle of a write that
    // began before the guard; only a lease rules that out. A file that reports no size (those
    // of /proc) is nothing a program writes in place.
    for (int waited = 0;; ++waited) {
        const ReadGuard guard(file, options);
        step(ReadStep::Guarded);
        const qint64 start = nowSinceEpoch();
        const FileState before = file.state();
        step(ReadStep::StateTaken);
        const qint64 lastChange = std::max(before.modified, before.changed);
        const bool recent = before.size > 0 && std::abs(start - lastChange) < quiet;
        if (recent && !guard.guarded()) {
            if (waited == 3)
                throw FileError(FileProblem::BeingWritten, file.path());
            const qint64 wait =
                std::max<qint64>(std::min(lastChange + quiet - start, quiet), 1000000);
            std::this_thread::sleep_for(std::chrono::nanoseconds(wait));
            continue;
        }
        const qint64 read = readBytes(file, options, limit, before.size, buffer);
        step(ReadStep::Read);
        // Rewritten in place while it was read (a copy over it): the bytes may be a mix of both.
        if (bytesMayDiffer(before, file.state()) || guard.sawChange())
            throw FileError(FileProblem::Changed, file.path());
        if (check)
            *check = {before, !recent};
        return read;
    }
}

QByteArray readWholeFile(const ReadOnlyFile& file, qint64 memoryLimit) {
    ReadOptions options;
    options.memoryLimit = memoryLimit;
    return readWholeFile<QByteArray>(file, options);
}

} // namespace gegu
