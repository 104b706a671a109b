#pragma once

#include "holdings_table.h"

#include <QString>
#include <QStringView>
#include <filesystem>
#include <memory>
#include <vector>

class QFile;

namespace gegu {

// The data file's name.
inline constexpr QStringView DataFileName = u"gegusj.rar";

// A file name as the system gave it: bytes on Unix, UTF-16 on Windows. A name that is not
// valid in the user's encoding (a folder made on Chinese Windows and copied over) still opens.
using NativePath = std::filesystem::path;

// The native form of a name given as text.
NativePath nativePath(const QString& name);
// A native name for people to read; bytes that are not valid in the user's encoding show as
// U+FFFD.
QString displayName(const NativePath& path);

// Opens a file to read it whole. Throws RuntimeError: FileNotFound (53) when no such file
// exists, PermissionDenied (70) when it may not be read, PathFileAccessError (75) for a
// directory, a FIFO, a device or anything else that is not a regular file. A FIFO is never
// opened, so that this never waits.
std::unique_ptr<QFile> openDataFile(const NativePath& path);

// Reads and decodes a data file (GBK) into a table. Throws RuntimeError: the errors of
// openDataFile, DeviceIOError (57) when a read fails, OutOfMemory (7) when the file does not
// fit in memory, and the errors of HoldingsTable::parse.
HoldingsTable loadHoldingsFile(const NativePath& path);

// The directory that holds the running program, as the system names it.
NativePath programDirectory();

// Where the data file is looked for, in order: the current directory, beside the running
// program, the user's data directory (~/.local/share/gegu/, where an update goes), then the
// system's data directories (/usr/local/share/gegu/, /usr/share/gegu/); XDG_DATA_HOME and
// XDG_DATA_DIRS are honoured.
std::vector<NativePath> dataFilePlaces();

// The first of the places that has the data file. Throws RuntimeError FileNotFound (53),
// naming every place, when none has it.
NativePath findDataFile();

// Loads the data file that findDataFile names.
HoldingsTable LoadHoldings();

} // namespace gegu
