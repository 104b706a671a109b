#include "runtime_error.h"

using namespace Qt::StringLiterals;

namespace gegu {

QString errorText(ErrorNumber number) {
    switch (number) {
    case ErrorNumber::Overflow:
        return RuntimeError::tr("Overflow");
    case ErrorNumber::OutOfMemory:
        return RuntimeError::tr("Out of memory");
    case ErrorNumber::SubscriptOutOfRange:
        return RuntimeError::tr("Subscript out of range");
    case ErrorNumber::ErrorInLoadingDll:
        return RuntimeError::tr("Error in loading DLL");
    case ErrorNumber::FileNotFound:
        return RuntimeError::tr("File not found");
    case ErrorNumber::DeviceIOError:
        return RuntimeError::tr("Device I/O error");
    case ErrorNumber::InputPastEndOfFile:
        return RuntimeError::tr("Input past end of file");
    case ErrorNumber::PermissionDenied:
        return RuntimeError::tr("Permission denied");
    case ErrorNumber::PathFileAccessError:
        return RuntimeError::tr("Path/File access error");
    }
    return RuntimeError::tr("Unknown error");
}

RuntimeError::RuntimeError(ErrorNumber number, QString file, qint64 line, QStringList searched,
                           QString detail)
    : number_(number), file_(std::move(file)), line_(line), searched_(std::move(searched)),
      detail_(std::move(detail)), what_(message().toStdString()) {}

QString RuntimeError::text() const {
    return errorText(number_);
}

QString RuntimeError::message() const {
    // Each piece takes its one value in one pass: a file name may hold anything, "%1" included.
    QString out = tr("runtime error %1: %2").arg(QString::number(int(number_)), text());
    if (!detail_.isEmpty())
        out += tr(": %1").arg(detail_);
    if (!file_.isEmpty()) {
        QString where = tr("file \"%1\"").arg(file_);
        if (line_ > 0)
            where += tr(", line %1").arg(line_);
        if (!searched_.isEmpty()) {
            QStringList places;
            for (const QString& place : searched_)
                places << tr("\"%1\"").arg(place);
            where += tr("; looked in %1").arg(places.join(tr(", ")));
        }
        out += tr(" (%1)").arg(where);
    }
    return out;
}

} // namespace gegu
