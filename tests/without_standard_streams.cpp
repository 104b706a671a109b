#include "without_standard_streams.h"

#include <QProcess>

#if defined(Q_OS_WIN)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace gegu::test {

void withoutStandardStreams(QProcess& process) {
#if defined(Q_OS_WIN)
    process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments* args) {
        args->startupInfo->dwFlags |= STARTF_USESTDHANDLES;
        args->startupInfo->hStdInput = nullptr;
        args->startupInfo->hStdOutput = nullptr;
        args->startupInfo->hStdError = nullptr;
        args->inheritHandles = FALSE;
    });
#else
    process.setChildProcessModifier([] {
        for (int fd = 0; fd <= 2; ++fd)
            ::close(fd);
    });
#endif
}

} // namespace gegu::test
