// gegu: the desktop program. Reads gegusj.rar at start-up and opens the main window.

#include "window/startup.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("gegu"));
    QApplication::setApplicationVersion(QStringLiteral(GEGU_VERSION));
    return gegu::runGegu(app);
}
