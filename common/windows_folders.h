#pragma once

// Windows' own folders, by the names the system keeps for them.

#include "native_file.h"

#include <vector>

namespace gegu {

// The folder where Windows keeps the user's own applications' data (%APPDATA%, which roams with
// the user); empty when the system cannot name it.
NativePath userApplicationDataFolder();

// The folder where Windows keeps applications' data for every user (%PROGRAMDATA%); empty when
// the system cannot name it.
NativePath machineApplicationDataFolder();

// The folders where Windows keeps applications' data: the user's (%APPDATA%) and the machine's
// (%PROGRAMDATA%), in that order; a folder the system cannot name is left out.
std::vector<NativePath> applicationDataFolders();

// The folder of the running program's file, as the system names it, on any thread (Qt's
// QCoreApplication::applicationDirPath() belongs to the GUI thread); empty when the system
// cannot name it.
NativePath programFolder();

} // namespace gegu
