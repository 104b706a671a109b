#pragma once

// Reads a program's command line from the arguments exactly as the system gave them: options
// before "--", the rest in order.

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <map>
#include <set>
#include <vector>

namespace gegu {

struct Option {
    QByteArrayList names; // e.g. {"-o", "--output"}; the first long one names the option
    bool takesValue = false;
};

// An option as given, or a positional argument (no option).
struct Argument {
    QByteArray option; // the option's name (its first long one), or empty
    QByteArray value;  // its value, or the positional argument
};

struct CommandLine {
    std::map<QByteArray, QByteArray> values; // option name -> its value (the last given)
    std::set<QByteArray> flags;              // options without a value that were given
    std::vector<QByteArray> positional;      // everything else, in order
    std::vector<Argument> ordered;           // every option and positional argument, in order
    QString error;                           // empty when the command line is well-formed

    bool has(const QByteArray& option) const { return flags.count(option) || values.count(option); }
};

// Options start with '-' and come before "--"; "-" alone and everything after "--" are
// positional. A value follows its option as the next argument or after '=' ("--data=x").
CommandLine parseCommandLine(const std::vector<QByteArray>& args,
                             const std::vector<Option>& options);

// The arguments after the program's name, as bytes: argv itself on Unix, Qt's UTF-16 arguments
// as UTF-8 on Windows.
std::vector<QByteArray> programArguments(int argc, char* argv[]);

// An argument as text: decoded from the user's encoding on Unix, from programArguments' UTF-8
// on Windows.
QString argumentText(const QByteArray& arg);

// Writes the bytes to standard output and flushes it: false when that fails (a full disk,
// a closed pipe).
bool writeStandardOutput(QByteArrayView bytes);

} // namespace gegu
