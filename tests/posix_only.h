#pragma once

// Skips a case that needs what only a POSIX system has (a shell, /proc, /dev, FIFOs, links,
// signals, resource limits, users); the Windows build runs the rest.

#include <QTest>

#if defined(Q_OS_WIN)
#define SKIP_ON_WINDOWS(why) QSKIP("needs POSIX: " why)
#else
#define SKIP_ON_WINDOWS(why)
#endif
