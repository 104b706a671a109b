#include "command_line.h"

#include <QCoreApplication>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

const OptionSpec* findOption(const std::vector<OptionSpec>& options, const QByteArray& name) {
    for (const OptionSpec& spec : options) {
        if (spec.names.contains(name))
            return &spec;
    }
    return nullptr;
}

// The name an option is known by: its first long name.
QByteArray canonical(const OptionSpec& spec) {
    for (const QByteArray& name : spec.names) {
        if (name.startsWith("--"))
            return name;
    }
    return spec.names.front();
}

} // namespace

CommandLine parseCommandLine(const std::vector<QByteArray>& args,
                             const std::vector<OptionSpec>& options) {
    CommandLine line;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const QByteArray& arg = args[i];
        if (optionsEnded || !arg.startsWith('-') || arg == "-") {
            line.positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const qsizetype equals = arg.startsWith("--") ? arg.indexOf('=') : -1;
        const QByteArray name = equals < 0 ? arg : arg.first(equals);
        const OptionSpec* spec = findOption(options, name);
        if (!spec) {
            line.error = u"unknown option "_s + QString::fromLocal8Bit(name) +
                         u" (put -- before an argument that starts with '-')"_s;
            return line;
        }
        if (!spec->takesValue) {
            if (equals >= 0) {
                line.error = QString::fromLocal8Bit(name) + u" takes no value"_s;
                return line;
            }
            line.flags.insert(canonical(*spec));
        } else if (equals >= 0) {
            line.values[canonical(*spec)] = arg.sliced(equals + 1);
        } else if (i + 1 < args.size()) {
            line.values[canonical(*spec)] = args[++i];
        } else {
            line.error = QString::fromLocal8Bit(name) + u" needs a value"_s;
            return line;
        }
    }
    return line;
}

std::vector<QByteArray> programArguments(int argc, char* argv[]) {
    std::vector<QByteArray> args;
#if defined(Q_OS_WIN)
    (void)argc;
    (void)argv;
    for (const QString& arg : QCoreApplication::arguments().mid(1))
        args.push_back(arg.toUtf8());
#else
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
#endif
    return args;
}

} // namespace gegu
