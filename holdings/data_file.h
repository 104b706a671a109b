#pragma once

#include "common/native_file.h"
#include "holdings_table.h"

#include <QString>
#include <QStringView>
#include <functional>
#include <vector>

namespace gegu {

// The data file's name.
inline constexpr QStringView DataFileName = u"gegusj.rar";

// Files at least this large are read in two halves at once.
inline constexpr qint64 parallelFileSize = qint64(4) << 20;

// How a data file is loaded.
struct LoadOptions {
    // The most memory the file's bytes may take; 0 for what the system says is available when
    // the load starts.
    qint64 memoryLimit = 0;
    // Called between the two halves of a large file, while the first is being read: tests
    // replace or change the file there.
    std::function<void()> betweenHalves;
};

// Reads an open data file (GBK) into a table. The file is read through the one
// handle, so a file put in its place meanwhile changes nothing; a file changed in place while it
// is read is an error. Throws RuntimeError: DeviceIOError (57) when a read fails or the file
// changes while it is read, OutOfMemory (7) when it does not fit in memory (also a file that
// reports no size and goes on and on), and the errors of HoldingsTable::parse.
HoldingsTable loadHoldingsFile(const ReadOnlyFile& file, const LoadOptions& options = {});
// The bytes of an open data file, read as loading reads them, with the same errors.
ByteBuffer readDataFile(const ReadOnlyFile& file, const LoadOptions& options = {});
// Opens the file and loads it. Throws RuntimeError: FileNotFound (53) when nothing is there (a
// link that leads nowhere included), PermissionDenied (70) when it may not be read,
// PathFileAccessError (75) for a directory, a FIFO, a device, a link loop or anything else that is
// not a regular file, and the errors of loading.
HoldingsTable loadHoldingsFile(const NativePath& path, const LoadOptions& options = {});
// The runtime error that a file's problem is: FileNotFound (53), PermissionDenied (70),
// PathFileAccessError (75), DeviceIOError (57) for a failed read or a change while reading,
// OutOfMemory (7) for a file too large.
class RuntimeError;
RuntimeError runtimeError(const FileError& e);
// Opens a data file, with the errors of loadHoldingsFile.
ReadOnlyFile openDataFile(const NativePath& path);

// The directory that holds the running program, as the system names it. On Linux and Windows
// any thread may ask (the loader does, while the GUI thread starts the window).
NativePath programDirectory();

// The user's data directory (~/.local/share/gegu/; %APPDATA%\gegu\ on Windows), where the
// user's own data file is built.
NativePath userDataDirectory();
// Where the data file is looked for, in order: the current directory, beside the running
// program, the user's data directory (~/.local/share/gegu/, where an update goes), then the
// system's data directories (/usr/local/share/gegu/, /usr/share/gegu/); XDG_DATA_HOME and
// XDG_DATA_DIRS are honoured.
std::vector<NativePath> dataFilePlaces();

// Where a file installed with the program is looked for: beside the running program, then in
// the user's and the system's data directories (gegu/ in each).
std::vector<NativePath> installedFilePlaces(QStringView name);

// The first of the places where something named like the data file stands: a file, or
// anything else (a folder, a link that leads nowhere), whose error loading then reports.
// Throws RuntimeError FileNotFound (53), naming every place, when none has it.
NativePath findDataFile();

// Loads the data file that findDataFile names.
HoldingsTable LoadHoldings();

} // namespace gegu
