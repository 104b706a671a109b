#pragma once

#include <QtGlobal>

namespace gegu {

// The memory the process may have in all, in bytes: the machine's, or less where a limit on
// the address space is set; 4 GiB where the system does not tell.
quint64 usableMemory();

// The memory the system can give right now without swapping (Linux's MemAvailable), bounded
// by the process's limit; usableMemory() where the system does not tell.
quint64 availableMemory();

} // namespace gegu
