#include "native_file.h"

#include "large_allocator.h"

#include <QFile>
#include <algorithm>
#include <system_error>
#include <utility>

#if defined(Q_OS_WIN)
#include <string>
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace gegu {

NativePath nativePath(const QString& name) {
#if defined(Q_OS_WIN)
    return NativePath(name.toStdWString());
#else
    return NativePath(QFile::encodeName(name).toStdString());
#endif
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

FileState stateOf(const BY_HANDLE_FILE_INFORMATION& info) {
    // FILETIME counts 100 ns steps since 1601.
    constexpr qint64 ticksBeforeEpoch = 116444736000000000;
    const quint64 ticks =
        (quint64(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime;
    return {info.dwVolumeSerialNumber, (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
            qint64((quint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow),
            (qint64(ticks) - ticksBeforeEpoch) * 100};
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
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    if (!ok)
        return std::nullopt;
    return stateOf(info);
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
    // Others may go on reading, writing, renaming and deleting it, as on Unix.
    handle_ = CreateFileW(path.c_str(), GENERIC_READ,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
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
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle_, &info))
        throw FileError(FileProblem::ReadFailed, path_);
    return stateOf(info);
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

FileState stateOf(const struct stat& s) {
#if defined(Q_OS_DARWIN)
    const qint64 modified = qint64(s.st_mtimespec.tv_sec) * 1000000000 + s.st_mtimespec.tv_nsec;
#else
    const qint64 modified = qint64(s.st_mtim.tv_sec) * 1000000000 + s.st_mtim.tv_nsec;
#endif
    return {quint64(s.st_dev), quint64(s.st_ino), qint64(s.st_size), modified};
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

QByteArray readWholeFile(const ReadOnlyFile& file, qint64 memoryLimit) {
    const FileState before = file.state();
    if (before.size > memoryLimit)
        throw FileError(FileProblem::TooLarge, file.path());
    // More than the size it reports, to see whether it goes on; in whole blocks, which some
    // files of the system need (/proc/self/pagemap reads in steps of 8 bytes).
    constexpr qint64 block = 1 << 16;
    QByteArray bytes(std::max<qint64>(before.size + 1, block), Qt::Uninitialized);
    adviseHugePages(bytes.data(), size_t(bytes.size())); // cheaper to fill on a large file
    qint64 read = 0;
    for (;;) {
        const qint64 n = file.readAt(read, bytes.data() + read, bytes.size() - read);
        if (n < 0)
            throw FileError(FileProblem::ReadFailed, file.path());
        read += n;
        if (read < bytes.size())
            break;
        if (bytes.size() > memoryLimit)
            throw FileError(FileProblem::TooLarge, file.path());
        const qint64 pastLimit = (memoryLimit / block + 1) * block;
        bytes.resize(std::min<qint64>(bytes.size() * 2, pastLimit));
    }
    bytes.truncate(read);
    if (file.state() != before)
        throw FileError(FileProblem::Changed, file.path());
    return bytes;
}

} // namespace gegu
