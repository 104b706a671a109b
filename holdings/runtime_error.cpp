#include "runtime_error.h"

using namespace Qt::StringLiterals;

namespace gegu {

QString errorText(ErrorNumber number) {
    switch (number) {
    case ErrorNumber::Overflow:
        return QStringLiteral("Overflow");
    case ErrorNumber::OutOfMemory:
        return QStringLiteral("Out of memory");
    case ErrorNumber::SubscriptOutOfRange:
        return QStringLiteral("Subscript out of range");
    case ErrorNumber::ErrorInLoadingDll:
        return QStringLiteral("Error in loading DLL");
    case ErrorNumber::FileNotFound:
        return QStringLiteral("File not found");
    case ErrorNumber::DeviceIOError:
        return QStringLiteral("Device I/O error");
    case ErrorNumber::InputPastEndOfFile:
        return QStringLiteral("Input past end of file");
    case ErrorNumber::PermissionDenied:
        return QStringLiteral("Permission denied");
    case ErrorNumber::PathFileAccessError:
        return QStringLiteral("Path/File access error");
    }
    return QStringLiteral("Unknown error");
}

RuntimeError::RuntimeError(ErrorNumber number, QString file, qint64 line, QStringList searched,
                           QString detail)
    : number_(number), file_(std::move(file)), line_(line), searched_(std::move(searched)),
      detail_(std::move(detail)), what_(message().toStdString()) {}

QString RuntimeError::text() const {
    return errorText(number_);
}

QString RuntimeError::message() const {
    // Put together piece by piece: a file name may hold anything, "%1" included.
    QString out = u"runtime error "_s + QString::number(int(number_)) + u": "_s + text();
    if (!detail_.isEmpty())
        out += u": "_s + detail_;
    if (!file_.isEmpty()) {
        out += u" (file \""_s + file_ + u'"';
        if (line_ > 0)
            out += u", line "_s + QString::number(line_);
        if (!searched_.isEmpty())
            out += u"; looked in \""_s + searched_.join(u"\", \""_s) + u'"';
        out += u')';
    }
    return out;
}

} // namespace gegu
