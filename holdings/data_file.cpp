#include "data_file.h"

#include "runtime_error.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <new>
#include <system_error>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace gegu {

namespace {

[[noreturn]] void fail(ErrorNumber number, const NativePath& path) {
    throw RuntimeError(number, displayName(path));
}

// Opens the file for reading, or throws the error number that fits why not.
std::unique_ptr<QFile> openForReading(const NativePath& path) {
    auto file = std::make_unique<QFile>();
#if defined(Q_OS_UNIX)
    // The native bytes, and no waiting for a writer should the file have become a FIFO.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        const int error = errno;
        fail(error == ENOENT || error == ENOTDIR ? ErrorNumber::FileNotFound
             : error == EACCES || error == EPERM ? ErrorNumber::PermissionDenied
                                                 : ErrorNumber::PathFileAccessError,
             path);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        fail(ErrorNumber::PathFileAccessError, path);
    }
#else
    file->setFileName(displayName(path));
    if (!file->open(QIODevice::ReadOnly))
        fail(file->error() == QFileDevice::PermissionsError ? ErrorNumber::PermissionDenied
                                                            : ErrorNumber::PathFileAccessError,
             path);
#endif
    return file;
}

} // namespace

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

std::unique_ptr<QFile> openDataFile(const NativePath& path) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error) {
        fail(error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory
                 ? ErrorNumber::FileNotFound
             : error == std::errc::permission_denied ? ErrorNumber::PermissionDenied
                                                     : ErrorNumber::PathFileAccessError,
             path);
    }
    if (status.type() != std::filesystem::file_type::regular)
        fail(ErrorNumber::PathFileAccessError, path);
    return openForReading(path);
}

HoldingsTable loadHoldingsFile(const NativePath& path) {
    try {
        const std::unique_ptr<QFile> file = openDataFile(path);
        DecodedText text;
        if (!decodeGbkFile(
                *file, [&] { return openForReading(path); }, text))
            fail(ErrorNumber::DeviceIOError, path);
        return HoldingsTable::parse(std::move(text), displayName(path));
    } catch (const std::bad_alloc&) {
        fail(ErrorNumber::OutOfMemory, path);
    }
}

NativePath programDirectory() {
#if defined(Q_OS_LINUX)
    // The program's own path in bytes; Qt's text form of it loses bytes that are not UTF-8.
    std::error_code error;
    const NativePath program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
        return program.parent_path();
#endif
    return nativePath(QCoreApplication::applicationDirPath());
}

std::vector<NativePath> dataFilePlaces() {
    const NativePath name = nativePath(DataFileName.toString());
    std::vector<NativePath> places{name};
    if (QCoreApplication::instance())
        places.push_back(programDirectory() / name);
    for (const QString& dir :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        places.push_back(nativePath(dir) / "gegu" / name);
    return places;
}

NativePath findDataFile() {
    const std::vector<NativePath> places = dataFilePlaces();
    QStringList searched;
    for (const NativePath& place : places) {
        std::error_code error;
        if (std::filesystem::exists(place, error))
            return place;
        searched << displayName(place);
    }
    throw RuntimeError(ErrorNumber::FileNotFound, DataFileName.toString(), 0, searched);
}

HoldingsTable LoadHoldings() {
    return loadHoldingsFile(findDataFile());
}

} // namespace gegu
