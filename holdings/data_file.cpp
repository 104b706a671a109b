#include "data_file.h"

#include "common/parallel.h"
#include "common/system_memory.h"
#if defined(Q_OS_WIN)
#include "common/windows_folders.h"
#endif
#include "gbk.h"
#include "runtime_error.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <new>
#include <system_error>

namespace gegu {

namespace {

ErrorNumber errorNumber(FileProblem problem) {
    switch (problem) {
    case FileProblem::NotFound:
        return ErrorNumber::FileNotFound;
    case FileProblem::PermissionDenied:
        return ErrorNumber::PermissionDenied;
    case FileProblem::NotRegular:
        return ErrorNumber::PathFileAccessError;
    case FileProblem::ReadFailed:
    case FileProblem::Changed:
        return ErrorNumber::DeviceIOError;
    case FileProblem::TooLarge:
        return ErrorNumber::OutOfMemory;
    }
    return ErrorNumber::DeviceIOError;
}

[[noreturn]] void fail(ErrorNumber number, const NativePath& path) {
    throw RuntimeError(number, displayName(path));
}

} // namespace

RuntimeError runtimeError(const FileError& e) {
    return RuntimeError(errorNumber(e.problem()), displayName(e.path()));
}

ReadOnlyFile openDataFile(const NativePath& path) {
    try {
        return ReadOnlyFile(path);
    } catch (const FileError& e) {
        throw runtimeError(e);
    }
}

namespace {

// Reads bytes [from, to) of the file into out, or throws FileError ReadFailed; returns how many
// there were (fewer where the file ends before).
qint64 readRange(const ReadOnlyFile& file, qint64 from, qint64 to, char* out) {
    const qint64 n = file.readAt(from, out, to - from);
    if (n < 0)
        throw FileError(FileProblem::ReadFailed, file.path());
    return n;
}

// The file's bytes, read to its end whatever size it reports, and at most `limit` of them.
ByteBuffer readBytes(const ReadOnlyFile& file, qint64 limit,
                     const std::function<void()>& betweenHalves) {
    const qint64 size = file.state().size;
    if (size > limit)
        throw FileError(FileProblem::TooLarge, file.path());
    // More room than the size it reports, to see whether the file goes on, in whole blocks as
    // some files of the system need (/proc/self/pagemap reads in steps of 8 bytes).
    constexpr qint64 block = 1 << 16;
    ByteBuffer bytes(size_t(size + block));
    qint64 read = 0;
    if (size >= parallelFileSize) {
        const qint64 middle = size / 2;
        qint64 first = 0;
        qint64 second = 0;
        inParallel([&] { first = readRange(file, 0, middle, bytes.data()); },
                   [&] {
                       if (betweenHalves)
                           betweenHalves();
                       second = readRange(file, middle, size, bytes.data() + middle);
                   });
        // A file that shrank meanwhile is caught by its state; its halves are not joined.
        read = first < middle ? first : middle + second;
        if (read < size)
            throw FileError(FileProblem::Changed, file.path());
    }
    for (;;) {
        read += readRange(file, read, qint64(bytes.size()), bytes.data() + read);
        if (read < qint64(bytes.size()))
            break;
        if (read > limit)
            throw FileError(FileProblem::TooLarge, file.path());
        bytes.resize(size_t(std::min(read * 2, (limit / block + 1) * block)));
    }
    bytes.resize(size_t(read));
    return bytes;
}

} // namespace

ByteBuffer readDataFile(const ReadOnlyFile& file, const LoadOptions& options) {
    try {
        const FileState before = file.state();
        const qint64 limit =
            options.memoryLimit > 0 ? options.memoryLimit : qint64(availableMemory());
        ByteBuffer bytes = readBytes(file, limit, options.betweenHalves);
        // Rewritten in place while it was read (a copy over it): the bytes may be a mix of both.
        if (file.state() != before)
            throw FileError(FileProblem::Changed, file.path());
        return bytes;
    } catch (const FileError& e) {
        throw runtimeError(e);
    } catch (const std::bad_alloc&) {
        fail(ErrorNumber::OutOfMemory, file.path());
    }
}

HoldingsTable loadHoldingsFile(const ReadOnlyFile& file, const LoadOptions& options) {
    requireGbkDecoder();
    ByteBuffer bytes = readDataFile(file, options);
    try {
        return HoldingsTable::parse(std::move(bytes), displayName(file.path()));
    } catch (const std::bad_alloc&) {
        fail(ErrorNumber::OutOfMemory, file.path());
    }
}

HoldingsTable loadHoldingsFile(const NativePath& path, const LoadOptions& options) {
    return loadHoldingsFile(openDataFile(path), options);
}

NativePath programDirectory() {
#if defined(Q_OS_LINUX)
    // The program's own path in bytes; Qt's text form of it loses bytes that are not UTF-8.
    std::error_code error;
    const NativePath program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
        return program.parent_path();
#elif defined(Q_OS_WIN)
    // From the system too: the data file is looked for on the loader's thread.
    if (NativePath folder = programFolder(); !folder.empty())
        return folder;
#endif
    return nativePath(QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
}

std::vector<NativePath> installedFilePlaces(QStringView name) {
    const NativePath file = nativePath(name.toString());
    std::vector<NativePath> places;
    if (QCoreApplication::instance())
        places.push_back(programDirectory() / file);
#if defined(Q_OS_WIN)
    for (const NativePath& dir : applicationDataFolders())
        places.push_back(dir / "gegu" / file);
#else
    for (const QString& dir :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        places.push_back(nativePath(dir) / "gegu" / file);
#endif
    return places;
}

NativePath userDataDirectory() {
#if defined(Q_OS_WIN)
    // Where the data file is looked for: %APPDATA%, not the local folder that Qt writes to.
    if (const NativePath appData = userApplicationDataFolder(); !appData.empty())
        return appData / "gegu";
#endif
    return nativePath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)) /
           "gegu";
}

std::vector<NativePath> dataFilePlaces() {
    std::vector<NativePath> places{nativePath(DataFileName.toString())};
    for (NativePath& place : installedFilePlaces(DataFileName))
        places.push_back(std::move(place));
    return places;
}

NativePath findDataFile() {
    const std::vector<NativePath> places = dataFilePlaces();
    QStringList searched;
    for (const NativePath& place : places) {
        // The link itself counts: a broken one is a data file that cannot be read, not a
        // reason to answer from another file without a word.
        std::error_code error;
        if (std::filesystem::symlink_status(place, error).type() !=
            std::filesystem::file_type::not_found)
            return place;
        searched << displayName(place);
    }
    throw RuntimeError(ErrorNumber::FileNotFound, DataFileName.toString(), 0, searched);
}

HoldingsTable LoadHoldings() {
    return loadHoldingsFile(findDataFile());
}

} // namespace gegu
