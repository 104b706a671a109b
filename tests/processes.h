#pragma once

// Runs Gegu's programs as child processes, with limits, as users meet them.

#include "common/translation.h"
#include "posix_only.h"

#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <unistd.h>
#if !defined(Q_OS_WIN)
#include <sys/resource.h>
#endif

namespace gegu::test {

struct Run {
    int exitCode;
    QByteArray out;
    QByteArray err;
};

// How a child process is started beyond its arguments.
struct Setup {
    QString workingDir;
    quint64 addressSpace = 0;  // RLIMIT_AS in bytes; 0 for none (POSIX only)
    bool unprivileged = false; // run as nobody when the tests run as root
    QString stdoutFile;        // stdout goes there instead of to the test
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
};

// Sanitizers reserve far more address space than any limit a test sets.
constexpr bool sanitized =
#if defined(__SANITIZE_ADDRESS__)
    true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    true;
#else
    false;
#endif
#else
    false;
#endif

// What a program says, in the language it speaks in this run of the suite: ctest runs the suites
// that run the programs under a fixed English locale, and some of them once more under a
// Chinese one.
inline QByteArray said(const char* english, const char* chinese) {
    return userLanguage() == Language::Chinese ? QByteArray(chinese) : QByteArray(english);
}

inline Run runProcess(const QString& program, const QStringList& args, const Setup& setup = {}) {
    QProcess p;
    if (!setup.workingDir.isEmpty())
        p.setWorkingDirectory(setup.workingDir);
    if (!setup.stdoutFile.isEmpty())
        p.setStandardOutputFile(setup.stdoutFile);
    p.setProcessEnvironment(setup.environment);
#if defined(Q_OS_WIN)
    if (setup.addressSpace != 0 || setup.unprivileged)
        qFatal("no address-space limit or other user for a child here");
#else
    const rlim_t addressSpace = setup.addressSpace;
    const bool unprivileged = setup.unprivileged && geteuid() == 0;
    p.setChildProcessModifier([addressSpace, unprivileged] {
        if (addressSpace != 0) {
            const rlimit limit{addressSpace, addressSpace};
            if (setrlimit(RLIMIT_AS, &limit) != 0)
                _exit(127);
        }
        if (unprivileged && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(127);
    });
#endif
    // By its absolute name, whatever the child's working folder: under Wine a name from the root
    // of Linux ("/work/...") is on the current drive, which that folder may change.
    p.start(QFileInfo(program).absoluteFilePath(), args);
    if (!p.waitForFinished(60000))
        qFatal("%s did not finish: %s", qPrintable(program), qPrintable(p.errorString()));
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

} // namespace gegu::test
