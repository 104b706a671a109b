#include "system_memory.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#if defined(Q_OS_UNIX)
#include <sys/resource.h>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <windows.h>
#endif

namespace gegu {

namespace {

// The limit on the process's address space, or the largest value when none is set.
quint64 addressSpaceLimit() {
#if defined(Q_OS_UNIX)
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        return limit.rlim_cur;
#endif
    return ~quint64(0);
}

#if defined(Q_OS_LINUX)
// A field of /proc/meminfo in bytes, or 0 when it cannot be read.
quint64 memInfo(const char* field) {
    std::FILE* f = std::fopen("/proc/meminfo", "re");
    if (!f)
        return 0;
    char line[256];
    quint64 bytes = 0;
    const size_t length = std::strlen(field);
    while (std::fgets(line, sizeof(line), f)) {
        unsigned long long kib = 0;
        if (std::strncmp(line, field, length) == 0 && line[length] == ':' &&
            std::sscanf(line + length + 1, "%llu", &kib) == 1) {
            bytes = quint64(kib) * 1024;
            break;
        }
    }
    std::fclose(f);
    return bytes;
}
#endif

} // namespace

quint64 usableMemory() {
    quint64 bytes = quint64(4) << 30;
#if defined(Q_OS_UNIX)
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0)
        bytes = quint64(pages) * quint64(pageSize);
#elif defined(Q_OS_WIN)
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    if (GlobalMemoryStatusEx(&status))
        bytes = std::min<quint64>(status.ullTotalPhys, status.ullTotalVirtual);
#endif
    return std::min(bytes, addressSpaceLimit());
}

quint64 availableMemory() {
    quint64 bytes = 0;
#if defined(Q_OS_LINUX)
    bytes = memInfo("MemAvailable");
#elif defined(Q_OS_WIN)
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    if (GlobalMemoryStatusEx(&status))
        bytes = std::min<quint64>(status.ullAvailPhys, status.ullAvailVirtual);
#endif
    if (bytes == 0)
        return usableMemory();
    return std::min(bytes, addressSpaceLimit());
}

} // namespace gegu
