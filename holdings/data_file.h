#pragma once

#include "common/native_file.h"
#include "holdings_table.h"

#include <QString>
#include <QStringView>
#include <functional>
#include <optional>
#include <vector>

namespace gegu {

// The data file's name.
inline constexpr QStringView DataFileName = u"gegusj.rar";

// Files at least this large are read in two halves at once.
inline constexpr qint64 parallelFileSize = qint64(4) << 20;

// How a data file is loaded: how its bytes are read (memoryLimit 0 for what the system says is
// available when the load starts; betweenHalves and step for tests, which change the file there),
// and a last point where tests may step in.
struct LoadOptions : ReadOptions {
    // Called once the bytes are parsed, before the table is handed over.
    std::function<void()> parsed;
};

// Reads an open data file (GBK) into a table. The file is read through the one handle, as
// readWholeFile reads (never a mix of two versions of it), so a file put in its place meanwhile
// changes nothing. Sets check, when given, as soon as the bytes are read: the state they were
// checked against, also when parsing them then fails. Throws RuntimeError: DeviceIOError (57)
// when a read fails, the file changes while it is read or another program goes on writing it,
// OutOfMemory (7) when it does not fit in memory (also a file that reports no size and goes on
// and on), and the errors of HoldingsTable::parse.
HoldingsTable loadHoldingsFile(const ReadOnlyFile& file, const LoadOptions& options = {},
                               std::optional<ReadCheck>* check = nullptr);
// The bytes of an open data file, read as loading reads them, with the same errors.
ByteBuffer readDataFile(const ReadOnlyFile& file, const LoadOptions& options = {},
                        std::optional<ReadCheck>* check = nullptr);
// Opens the file and loads it. Throws RuntimeError: FileNotFound (53) when nothing is there (a
// link that leads nowhere included), PermissionDenied (70) when it may not be read,
// PathFileAccessError (75) for a directory, a FIFO, a device, a link loop or anything else that is
// not a regular file, and the errors of loading.
HoldingsTable loadHoldingsFile(const NativePath& path, const LoadOptions& options = {});
// The runtime error that a file's problem is: FileNotFound (53), PermissionDenied (70),
// PathFileAccessError (75), DeviceIOError (57) for a failed read, a change while reading or a
// writer that does not let go, OutOfMemory (7) for a file too large.
class RuntimeError;
RuntimeError runtimeError(const FileError& e);
// Opens a data file, with the errors of loadHoldingsFile.
ReadOnlyFile openDataFile(const NativePath& path);

// The directory that holds the running program, as the system names it. On Linux and Windows
// any thread may ask (the loader does, while the GUI thread starts the window).
NativePath programDirectory();

// The user's data directory (~/.local/share/gegu/, $XDG_DATA_HOME/gegu/; %APPDATA%\gegu\ on
// Windows), where the user's own data file is built.
NativePath userDataDirectory();
// The machine's data directories: gegu/ in each of $XDG_DATA_DIRS (/usr/local/share/gegu/,
// /usr/share/gegu/); %PROGRAMDATA%\gegu\ on Windows.
std::vector<NativePath> machineDataDirectories();

// Where the data file is looked for, in order: the current directory; the user's data
// directory (where a drop and gegu-import --keep build it); the machine's data directories;
// last the program's own directory and what ships with Gegu: the sample in sample/ beside the
// program (the Windows zip) and, but on Windows, in each machine data directory (the installed
// package). So the sample never shadows the user's data.
std::vector<NativePath> dataFilePlaces();

// Where a file installed with the program is looked for: beside the running program, then in
// the user's and the system's data directories (gegu/ in each).
std::vector<NativePath> installedFilePlaces(QStringView name);

// The first of the places where something named like the data file stands: a file, or
// anything else (a folder, a link that leads nowhere), whose error loading then reports.
// Throws RuntimeError FileNotFound (53), naming every place, when none has it.
NativePath findDataFile();

// The data file that answers in place of `file` (one of dataFilePlaces()) when Gegu starts: the
// first place before it where something stands, unless that is the same file; nullopt when
// `file` itself answers.
std::optional<NativePath> dataFileInPlaceOf(const NativePath& file);

// Loads the data file that findDataFile names.
HoldingsTable LoadHoldings();

} // namespace gegu
