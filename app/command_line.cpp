#include "command_line.h"

#include "common/console.h"

#include <QCoreApplication>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

struct Text {
    Q_DECLARE_TR_FUNCTIONS(CommandLine)
};

const Option* findOption(const std::vector<Option>& options, const QByteArray& name) {
    for (const Option& option : options) {
        if (option.names.contains(name))
            return &option;
    }
    return nullptr;
}

// The name an option is known by: its first long name.
QByteArray canonical(const Option& option) {
    for (const QByteArray& name : option.names) {
        if (name.startsWith("--"))
            return name;
    }
    return option.names.front();
}

} // namespace

CommandLine parseCommandLine(const std::vector<QByteArray>& args,
                             const std::vector<Option>& options) {
    CommandLine line;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const QByteArray& arg = args[i];
        if (optionsEnded || !arg.startsWith('-') || arg == "-") {
            line.positional.push_back(arg);
            line.ordered.push_back({{}, arg});
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const qsizetype equals = arg.startsWith("--") ? arg.indexOf('=') : -1;
        const QByteArray name = equals < 0 ? arg : arg.first(equals);
        const Option* option = findOption(options, name);
        if (!option) {
            line.error =
                Text::tr("unknown option %1 (put -- before an argument that starts with '-')")
                    .arg(argumentText(name));
            return line;
        }
        if (!option->takesValue) {
            if (equals >= 0) {
                line.error = Text::tr("%1 takes no value").arg(argumentText(name));
                return line;
            }
            line.flags.insert(canonical(*option));
            line.ordered.push_back({canonical(*option), {}});
        } else if (equals >= 0) {
            line.values[canonical(*option)] = arg.sliced(equals + 1);
            line.ordered.push_back({canonical(*option), arg.sliced(equals + 1)});
        } else if (i + 1 < args.size()) {
            line.values[canonical(*option)] = args[++i];
            line.ordered.push_back({canonical(*option), args[i]});
        } else {
            line.error = Text::tr("%1 needs a value").arg(argumentText(name));
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

QString argumentText(const QByteArray& arg) {
#if defined(Q_OS_WIN)
    return QString::fromUtf8(arg);
#else
    return QString::fromLocal8Bit(arg);
#endif
}

bool writeStandardOutput(QByteArrayView bytes) {
    return writeUtf8(stdout, bytes);
}

} // namespace gegu
