#pragma once

#include <QString>
#include <exception>
#include <string>

namespace gegu {

// The runtime errors that loading and querying can raise, by their classic numbers.
enum class ErrorNumber : int {
    Overflow = 6,            // a count or a rounded value outside the 32-bit range
    SubscriptOutOfRange = 9, // a table index outside the table
    FileNotFound = 53,
    InputPastEndOfFile = 62, // the file ends before the lines its counts announce
};

// Nothing catches these on the way up: the entry points report them (number, text,
// file, line) and end the program.
class RuntimeError : public std::exception {
public:
    explicit RuntimeError(ErrorNumber number, QString file = {}, qint64 line = 0);

    ErrorNumber number() const { return number_; }
    // The standard text of the error number, e.g. "Input past end of file".
    QString text() const;
    // The data file the error concerns; empty when it concerns none.
    const QString& file() const { return file_; }
    // 1-based line of the data file where the error applies; 0 when none applies.
    qint64 line() const { return line_; }

    // One line for a person: "runtime error 62: Input past end of file (file "x", line 7)".
    QString message() const;
    const char* what() const noexcept override { return what_.c_str(); }

private:
    ErrorNumber number_;
    QString file_;
    qint64 line_;
    std::string what_;
};

// The standard text of an error number.
QString errorText(ErrorNumber number);

} // namespace gegu
