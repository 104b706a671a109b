// gegu: the desktop program. Reads gegusj.rar at start-up and opens the main window.
//
//   gegu [--help | --version]
//
// --help and --version print and exit without opening the window (and without a display);
// any other argument is ignored.

#include "command_line.h"
#include "common/console.h"
#include "common/translation.h"
#include "window/startup.h"

#include <QApplication>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

struct Text {
    Q_DECLARE_TR_FUNCTIONS(GeguCommand)
};

QString helpText() {
    return Text::tr("Usage: gegu [--help | --version]\n"
                    "Opens Gegu's window, which looks up the major shareholders of listed Chinese "
                    "stocks\n"
                    "in its data file, gegusj.rar: type a stock code for that stock's holder "
                    "table, or\n"
                    "(part of) a holder's name for every holder row whose name field contains "
                    "it.\n"
                    "The data file is the first gegusj.rar found in the current directory, in "
                    "the\n"
                    "%1\n"
                    "Exports dropped onto the window are kept in the user's data folder, and the\n"
                    "data file there is built from them.\n"
                    "Other arguments are ignored. The same queries from a terminal: gegu-query.\n"
                    "\n"
                    "Options:\n"
                    "  -h, --help     Show this help and exit.\n"
                    "  -v, --version  Show the version and exit.\n"
                    "\n"
                    "Exit status: 0 when the window is closed, 1 when the data file cannot be "
                    "loaded,\n"
                    "2 when the help or version cannot be written.\n")
        .arg(
#if defined(Q_OS_WIN)
            Text::tr("user's data folder (%APPDATA%\\gegu\\), in the machine's "
                     "(%PROGRAMDATA%\\gegu\\),\n"
                     "beside the program, and last the sample that ships with Gegu (sample\\).")
#else
            Text::tr("user's data folder (~/.local/share/gegu/), in the system's\n"
                     "(/usr/local/share/gegu/, /usr/share/gegu/), beside the program, and last "
                     "the\n"
                     "sample that ships with Gegu (in sample/ beside the program and in the "
                     "system's\n"
                     "folders).")
#endif
        );
}

// Prints the text and returns the exit status: 0, or 2 when it cannot be written.
int print(const QString& text) {
    if (!gegu::writeStandardOutput(text.toUtf8())) {
        // Where there is a standard error: started from Explorer, gegu.exe has none.
        gegu::writeLine(stderr, u"gegu: "_s + Text::tr("cannot write to standard output"));
        return 2;
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    gegu::useBinaryStandardStreams();
    for (int i = 1; i < argc; ++i) {
        const bool help = std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0;
        const bool version =
            std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-v") == 0;
        if (help || version) {
            // No window, and no display needed: in the user's language, as in a terminal.
            QCoreApplication app(argc, argv);
            gegu::useLanguage(gegu::userLanguage());
            return print(help ? helpText() : u"gegu "_s + QStringLiteral(GEGU_VERSION) + u'\n');
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("gegu"));
    QApplication::setApplicationVersion(QStringLiteral(GEGU_VERSION));
    // Matches the window to its desktop entry (its icon and name on Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral(GEGU_APP_ID));
    return gegu::runGegu(app);
}
