#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <exception>
#include <string>

namespace gegu {

// The runtime errors that loading and querying can raise, by their classic numbers.
enum class ErrorNumber : int {
    Overflow = 6,            // a count or a rounded value outside the 32-bit range
    OutOfMemory = 7,         // an allocation failed, or a report is too large to hold
    SubscriptOutOfRange = 9, // a table index outside the table
    ErrorInLoadingDll = 48,  // a library the program needs (the GBK decoder) is missing
    FileNotFound = 53,       // no file of that name exists
    DeviceIOError = 57,      // reading the file failed midway
    InputPastEndOfFile = 62, // the file ends before the lines its counts announce
    PermissionDenied = 70,   // the file exists but may not be read
    PathFileAccessError = 75 // a directory, a FIFO, a device: anything but a readable file
};

// Nothing catches these on the way up: the entry points report them (number, text,
// file, line) and end the program.
class RuntimeError : public std::exception {
    Q_DECLARE_TR_FUNCTIONS(RuntimeError)

public:
    explicit RuntimeError(ErrorNumber number, QString file = {}, qint64 line = 0,
                          QStringList searched = {}, QString detail = {});

    ErrorNumber number() const { return number_; }
    // The standard text of the error number, e.g. "Input past end of file" (translated).
    QString text() const;
    // The data file the error concerns; empty when it concerns none.
    const QString& file() const { return file_; }
    // 1-based line of the data file where the error applies; 0 when none applies.
    qint64 line() const { return line_; }
    // The places where a file was looked for, in order, when none of them had it.
    const QStringList& searched() const { return searched_; }
    // What exactly is missing or wrong, where the number alone does not say; may be empty.
    const QString& detail() const { return detail_; }

    // One line for a person: "runtime error 62: Input past end of file (file "x", line 7)", or
    // for a file looked for in several places "(file "x"; looked in "a", "b")", with the
    // detail after the text: "runtime error 48: Error in loading DLL: ...". The file name
    // appears exactly as it is. In the application's language (see common/translation.h).
    QString message() const;
    const char* what() const noexcept override { return what_.c_str(); }

private:
    ErrorNumber number_;
    QString file_;
    qint64 line_;
    QStringList searched_;
    QString detail_;
    std::string what_;
};

// The standard text of an error number, in the application's language.
QString errorText(ErrorNumber number);

} // namespace gegu
