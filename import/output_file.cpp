#include "output_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

#if defined(Q_OS_WIN)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace gegu {

namespace fs = std::filesystem;

namespace {

QString systemWords(const std::error_code& error) {
    return QString::fromLocal8Bit(error.message());
}

[[noreturn]] void fail(OutputProblem problem, const NativePath& path, const QString& reason = {}) {
    throw OutputError(problem, path, reason);
}
[[noreturn]] void fail(OutputProblem problem, const NativePath& path, std::error_code error) {
    fail(problem, path, error ? systemWords(error) : QString());
}

// A file that its owner may not write: on Windows, one with the read-only attribute. Replacing
// it fails there, after the new file has taken its read-only flag, which then keeps that file.
bool isReadOnly(const fs::file_status& status) {
    return (status.permissions() & fs::perms::owner_write) == fs::perms::none;
}

std::error_code lastError() {
#if defined(Q_OS_WIN)
    return {int(GetLastError()), std::system_category()};
#else
    return {errno, std::generic_category()};
#endif
}

// A new file beside the target, open for writing, under a hidden name that only Gegu uses
// (.gegu-<n>.part); removed again unless it was renamed.
class NewFile {
public:
    explicit NewFile(const NativePath& target) {
        int fd = -1;
        for (int attempt = 0;; ++attempt) {
            path_ = target.parent_path() / ownFileName(temporarySuffix);
#if defined(Q_OS_WIN)
            const HANDLE h = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                         FILE_ATTRIBUTE_HIDDEN, nullptr);
            if (h != INVALID_HANDLE_VALUE) {
                fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_BINARY | _O_WRONLY);
                break;
            }
            const bool taken = GetLastError() == ERROR_FILE_EXISTS;
#else
            fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
            if (fd >= 0)
                break;
            const bool taken = errno == EEXIST;
#endif
            if (!taken || attempt == 100)
                fail(OutputProblem::WriteFailed, target, lastError());
        }
        file_.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle);
    }
    ~NewFile() {
        file_.close();
        if (!renamed_) {
            std::error_code ignored;
            fs::remove(path_, ignored);
        }
    }
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    const NativePath& path() const {
        return path_;
    }
    QFile& device() {
        return file_;
    }
    // Writes what is buffered and waits until it is on disk, then closes the file. Throws
    // OutputError naming the target when that fails.
    void sync(const NativePath& target) {
        if (!file_.flush())
            fail(OutputProblem::WriteFailed, target, file_.errorString());
#if defined(Q_OS_WIN)
        const bool synced =
            FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(file_.handle())));
#else
        const bool synced = ::fsync(file_.handle()) == 0;
#endif
        if (!synced)
            fail(OutputProblem::WriteFailed, target, lastError());
        file_.close();
    }
    void renamed() {
        renamed_ = true;
    }
    // Before it takes the target's name: a file that is not hidden, as the target is.
    void unhide() {
#if defined(Q_OS_WIN)
        SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
#endif
    }
    // Leaves the file when destroyed: another takes care of it.
    void handOver() {
        renamed_ = true;
    }

private:
    NativePath path_;
    QFile file_;
    bool renamed_ = false;
};

// Renames the complete file to the target, never over a file that stands there.
void renameWithoutReplacing(NewFile& file, const NativePath& target) {
    file.unhide();
#if defined(Q_OS_WIN)
    if (MoveFileExW(file.path().c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
        file.renamed();
        return;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)
        fail(OutputProblem::Exists, target);
    fail(OutputProblem::WriteFailed, target, {int(error), std::system_category()});
#else
#if defined(RENAME_NOREPLACE)
    // Linux: one call that refuses to replace.
    if (::renameat2(AT_FDCWD, file.path().c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) ==
        0) {
        file.renamed();
        return;
    }
    if (errno == EEXIST)
        fail(OutputProblem::Exists, target);
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        fail(OutputProblem::WriteFailed, target, lastError());
#endif
    // A second link, which is never made over an existing name; then the first one goes.
    if (::link(file.path().c_str(), target.c_str()) == 0) {
        ::unlink(file.path().c_str());
        file.renamed();
        return;
    }
    if (errno == EEXIST)
        fail(OutputProblem::Exists, target);
    if (errno != EPERM && errno != ENOTSUP && errno != ENOSYS && errno != EOPNOTSUPP)
        fail(OutputProblem::WriteFailed, target, lastError());
    // A file system without links: the name is taken by an empty file first, which only this
    // can make, and the complete file renamed over it.
    const int placeholder =
        ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    if (placeholder < 0)
        fail(errno == EEXIST ? OutputProblem::Exists : OutputProblem::WriteFailed, target,
             errno == EEXIST ? std::error_code() : lastError());
    ::close(placeholder);
    if (::rename(file.path().c_str(), target.c_str()) != 0) {
        const std::error_code error = lastError();
        ::unlink(target.c_str());
        fail(OutputProblem::WriteFailed, target, error);
    }
    file.renamed();
#endif
}

void renameReplacing(const NativePath& from, const NativePath& target) {
#if defined(Q_OS_WIN)
    SetFileAttributesW(from.c_str(), FILE_ATTRIBUTE_NORMAL); // the target is not hidden
#endif
#if defined(Q_OS_WIN)
    if (!MoveFileExW(from.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        fail(OutputProblem::WriteFailed, target, lastError());
#else
    if (::rename(from.c_str(), target.c_str()) != 0)
        fail(OutputProblem::WriteFailed, target, lastError());
#endif
}

void renameReplacing(NewFile& file, const NativePath& target) {
    renameReplacing(file.path(), target);
    file.renamed();
}

} // namespace

std::string ownFileName(std::string_view suffix) {
    // Appended piece by piece: GCC 12 warns of overlaps that are not there in "." + string.
    std::string name(1, '.');
    name += temporaryPrefix;
    name += std::to_string(QRandomGenerator::global()->generate());
    name += suffix;
    return name;
}

bool isTemporaryName(const NativePath& name) {
    const QString text = displayName(name.filename());
    const QString prefix = u'.' + QString::fromLatin1(temporaryPrefix);
    const QString suffix = QString::fromLatin1(temporarySuffix);
    if (text.size() <= prefix.size() + suffix.size() || !text.startsWith(prefix) ||
        !text.endsWith(suffix))
        return false;
    const QStringView digits =
        QStringView(text).sliced(prefix.size(), text.size() - prefix.size() - suffix.size());
    return std::all_of(digits.begin(), digits.end(),
                       [](QChar c) { return c >= u'0' && c <= u'9'; });
}

void removeTemporaries(const NativePath& folder) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        std::error_code ignored;
        if (isTemporaryName(entry.path()) && entry.is_regular_file(ignored))
            fs::remove(entry.path(), ignored);
    }
}

namespace {

struct Text {
    Q_DECLARE_TR_FUNCTIONS(OutputError)
};

} // namespace

QString OutputError::text() const {
    // Each pattern takes its values in one pass: a name may hold "%1".
    const QString name = displayName(path_);
    const QString example = displayName(path_ / "gegusj.rar");
    switch (problem_) {
    case OutputProblem::NoFileName:
        return Text::tr("%1 names a folder, not a file: a file name is needed, such as %2")
            .arg(name, example);
    case OutputProblem::IsFolder:
        return Text::tr("%1 is a folder: a file name is needed, such as %2").arg(name, example);
    case OutputProblem::NotRegular:
        return Text::tr("%1 is not a regular file (only a regular file or a new name is written)")
            .arg(name);
    case OutputProblem::Exists:
        return Text::tr("%1 exists").arg(name);
    case OutputProblem::ReadOnly:
        return Text::tr("%1 is read-only").arg(name);
    case OutputProblem::FolderFailed:
        return reason_.isEmpty() ? Text::tr("the folder %1 cannot be made").arg(name)
                                 : Text::tr("the folder %1 cannot be made: %2").arg(name, reason_);
    case OutputProblem::WriteFailed:
        break;
    }
    return reason_.isEmpty() ? Text::tr("%1 cannot be written").arg(name)
                             : Text::tr("%1 cannot be written: %2").arg(name, reason_);
}

NativePath outputTarget(const NativePath& path, bool replace) {
    if (const NativePath name = path.filename(); name.empty() || name == "." || name == "..")
        fail(OutputProblem::NoFileName, path);
    if (namesDevice(path))
        fail(OutputProblem::NotRegular, path);
    std::error_code error;
    const fs::file_status entry = fs::symlink_status(path, error);
    if (error && entry.type() != fs::file_type::not_found)
        fail(OutputProblem::WriteFailed, path, error);
    if (entry.type() == fs::file_type::not_found) {
        // A new name: whatever stands nearest above it must be a folder.
        for (NativePath above = path.parent_path(); !above.empty(); above = above.parent_path()) {
            const fs::file_status s = fs::status(above, error);
            if (s.type() == fs::file_type::not_found) {
                if (above == above.parent_path())
                    break;
                continue;
            }
            if (!fs::is_directory(s))
                fail(OutputProblem::FolderFailed, above,
                     std::make_error_code(std::errc::not_a_directory));
            break;
        }
        return path;
    }
    NativePath target = path;
    if (fs::is_symlink(entry)) {
        target = fs::canonical(path, error);
        if (error)
            fail(OutputProblem::NotRegular, path);
    }
    const fs::file_status s = fs::status(target, error);
    if (fs::is_directory(s))
        fail(OutputProblem::IsFolder, path);
    if (!fs::is_regular_file(s))
        fail(OutputProblem::NotRegular, path);
    if (!replace)
        fail(OutputProblem::Exists, path);
    if (isReadOnly(s))
        fail(OutputProblem::ReadOnly, path);
    return target;
}

void writeOutputFile(const NativePath& path, bool replace,
                     const std::function<bool(QIODevice&)>& write) {
    const NativePath target = outputTarget(path, replace);
    std::error_code error;
    if (const NativePath folder = target.parent_path(); !folder.empty()) {
        fs::create_directories(folder, error);
        if (error)
            fail(OutputProblem::FolderFailed, folder, error);
    }
    NewFile file(target);
    // A replaced file's permissions stay; one made read-only meanwhile stays as it is.
    if (replace) {
        const fs::file_status old = fs::status(target, error);
        if (fs::is_regular_file(old)) {
            if (isReadOnly(old))
                fail(OutputProblem::ReadOnly, path);
            fs::permissions(file.path(), old.permissions(), error);
        }
    }
    if (!write(file.device()))
        fail(OutputProblem::WriteFailed, path,
             file.device().error() != QFileDevice::NoError ? file.device().errorString()
                                                           : QString());
    file.sync(path);
    if (!replace) {
        renameWithoutReplacing(file, target);
        return;
    }
    // What stands there now must still be a regular file (or nothing).
    const fs::file_status now = fs::symlink_status(target, error);
    if (now.type() != fs::file_type::not_found && !fs::is_regular_file(now))
        fail(fs::is_directory(now) ? OutputProblem::IsFolder : OutputProblem::NotRegular, path);
    renameReplacing(file, target);
}

PendingFile::PendingFile(const NativePath& target, const std::function<bool(QIODevice&)>& write)
    : target_(target) {
    if (const NativePath folder = target.parent_path(); !folder.empty()) {
        std::error_code error;
        fs::create_directories(folder, error);
        if (error)
            fail(OutputProblem::FolderFailed, folder, error);
    }
    NewFile file(target);
    // A replaced file's permissions stay.
    std::error_code error;
    if (const fs::file_status old = fs::status(target, error); fs::is_regular_file(old))
        fs::permissions(file.path(), old.permissions(), error);
    if (!write(file.device()))
        fail(OutputProblem::WriteFailed, target,
             file.device().error() != QFileDevice::NoError ? file.device().errorString()
                                                           : QString());
    file.sync(target);
    path_ = file.path();
    file.handOver();
}

PendingFile::~PendingFile() {
    if (!renamed_ && !path_.empty()) {
        std::error_code ignored;
        fs::remove(path_, ignored);
    }
}

PendingFile::PendingFile(PendingFile&& other) noexcept
    : path_(std::move(other.path_)), target_(std::move(other.target_)),
      renamed_(std::exchange(other.renamed_, true)) {}

void PendingFile::rename() {
    renameReplacing(path_, target_);
    renamed_ = true;
}

} // namespace gegu
