#include "data_file.h"

#include "common/system_memory.h"
#include "gbk.h"
#include "runtime_error.h"

#include <QCoreApplication>
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

HoldingsTable loadHoldingsFile(const ReadOnlyFile& file, const LoadOptions& options) {
    requireGbkDecoder();
    try {
        const FileState before = file.state();
        DecodedText text;
        GbkFileOptions reading;
        reading.memoryLimit =
            options.memoryLimit > 0 ? options.memoryLimit : qint64(availableMemory());
        reading.betweenHalves = options.betweenHalves;
        decodeGbkFile(file, text, reading);
        // Rewritten in place while it was read (a copy over it): the text may be a mix of both.
        if (file.state() != before)
            throw FileError(FileProblem::Changed, file.path());
        return HoldingsTable::parse(std::move(text), displayName(file.path()));
    } catch (const FileError& e) {
        throw runtimeError(e);
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
