#include "report_limit.h"

#include <algorithm>

#if defined(Q_OS_UNIX)
#include <sys/resource.h>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <windows.h>
#endif

namespace gegu {

namespace {

// The memory the process may use, in bytes; 4 GiB where the platform does not tell.
quint64 usableMemory() {
    quint64 bytes = quint64(4) << 30;
#if defined(Q_OS_UNIX)
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0)
        bytes = quint64(pages) * quint64(pageSize);
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        bytes = std::min<quint64>(bytes, limit.rlim_cur);
#elif defined(Q_OS_WIN)
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    if (GlobalMemoryStatusEx(&status))
        bytes = std::min<quint64>(status.ullTotalPhys, status.ullTotalVirtual);
#endif
    return bytes;
}

} // namespace

qsizetype reportLimit() {
    return qsizetype(usableMemory() / 4 / sizeof(char16_t));
}

} // namespace gegu
