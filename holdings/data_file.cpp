#include "data_file.h"

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
    case FileProblem::BeingWritten:
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

ByteBuffer readDataFile(const ReadOnlyFile& file, const LoadOptions& options,
                        std::optional<ReadCheck>* check) {
    try {
        ReadOptions read = options;
        read.parallelSize = parallelFileSize;
        ReadCheck checked;
        ByteBuffer bytes = readWholeFile<ByteBuffer>(file, read, &checked);
        if (check)
            *check = checked;
        return bytes;
    } catch (const FileError& e) {
        throw runtimeError(e);
    } catch (const std::bad_alloc&) {
        fail(ErrorNumber::OutOfMemory, file.path());
    }
}

HoldingsTable loadHoldingsFile(const ReadOnlyFile& file, const LoadOptions& options,
                               std::optional<ReadCheck>* check) {
    requireGbkDecoder();
    ByteBuffer bytes = readDataFile(file, options, check);
    try {
        HoldingsTable table = HoldingsTable::parse(std::move(bytes), displayName(file.path()));
        if (options.parsed)
            options.parsed();
        return table;
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
    places.push_back(userDataDirectory() / file);
    for (const NativePath& dir : machineDataDirectories())
        places.push_back(dir / file);
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

std::vector<NativePath> machineDataDirectories() {
    std::vector<NativePath> dirs;
#if defined(Q_OS_WIN)
    if (const NativePath programData = machineApplicationDataFolder(); !programData.empty())
        dirs.push_back(programData / "gegu");
#else
    // Every data directory but the user's own, which comes first.
    const QString user = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    for (const QString& dir :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        if (dir != user)
            dirs.push_back(nativePath(dir) / "gegu");
    }
#endif
    return dirs;
}

std::vector<NativePath> dataFilePlaces() {
    const NativePath name = nativePath(DataFileName.toString());
    const std::vector<NativePath> machine = machineDataDirectories();
    std::vector<NativePath> places{name, userDataDirectory() / name};
    for (const NativePath& dir : machine)
        places.push_back(dir / name);
    // What ships with Gegu comes last: the program's own folder, and the sample.
    if (QCoreApplication::instance()) {
        const NativePath program = programDirectory();
        places.push_back(program / name);
        places.push_back(program / "sample" / name);
    }
#if !defined(Q_OS_WIN)
    // The package puts its sample in the machine's data directory.
    for (const NativePath& dir : machine)
        places.push_back(dir / "sample" / name);
#endif
    return places;
}

namespace {

// Whether something stands at the place: a file, or anything else (a link that leads nowhere
// counts: it is a data file that cannot be read, not a reason to answer from another file
// without a word).
bool standsThere(const NativePath& place) {
    std::error_code error;
    return std::filesystem::symlink_status(place, error).type() !=
           std::filesystem::file_type::not_found;
}

} // namespace

NativePath findDataFile() {
    const std::vector<NativePath> places = dataFilePlaces();
    QStringList searched;
    for (const NativePath& place : places) {
        if (standsThere(place))
            return place;
        searched << displayName(place);
    }
    throw RuntimeError(ErrorNumber::FileNotFound, DataFileName.toString(), 0, searched);
}

std::optional<NativePath> dataFileInPlaceOf(const NativePath& file) {
    for (const NativePath& place : dataFilePlaces()) {
        if (place == file)
            return std::nullopt;
        if (!standsThere(place))
            continue;
        std::error_code error;
        if (std::filesystem::equivalent(place, file, error))
            return std::nullopt; // the same file by another name (the current folder is its)
        return place;
    }
    return std::nullopt;
}

HoldingsTable LoadHoldings() {
    return loadHoldingsFile(findDataFile());
}

} // namespace gegu
