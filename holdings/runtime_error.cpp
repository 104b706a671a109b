#include "runtime_error.h"

namespace gegu {

QString errorText(ErrorNumber number) {
    switch (number) {
    case ErrorNumber::Overflow:
        return QStringLiteral("Overflow");
    case ErrorNumber::SubscriptOutOfRange:
        return QStringLiteral("Subscript out of range");
    case ErrorNumber::FileNotFound:
        return QStringLiteral("File not found");
    case ErrorNumber::InputPastEndOfFile:
        return QStringLiteral("Input past end of file");
    }
    return QStringLiteral("Unknown error");
}

RuntimeError::RuntimeError(ErrorNumber number, QString file, qint64 line)
    : number_(number), file_(std::move(file)), line_(line), what_(message().toStdString()) {}

QString RuntimeError::text() const {
    return errorText(number_);
}

QString RuntimeError::message() const {
    QString out = QStringLiteral("runtime error %1: %2").arg(int(number_)).arg(text());
    if (!file_.isEmpty() && line_ > 0)
        out += QStringLiteral(" (file \"%1\", line %2)").arg(file_).arg(line_);
    else if (!file_.isEmpty())
        out += QStringLiteral(" (file \"%1\")").arg(file_);
    return out;
}

} // namespace gegu
