#include "startup.h"

#include "cid.h"
#include "holdings/runtime_error.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <cstdio>
#include <new>

using namespace Qt::StringLiterals;

namespace gegu {

void reportRuntimeError(const RuntimeError& e) {
    QString text = u"实时错误 '"_s + QString::number(int(e.number())) + u"':\n\n"_s + e.text();
    if (!e.file().isEmpty())
        text += u"\n\n文件："_s + e.file();
    if (e.line() > 0)
        text += u"\n行："_s + QString::number(e.line());
    std::fprintf(stderr, "gegu: %s\n", qPrintable(e.message()));
    std::fflush(stderr);
    // Where nobody can see a box (Qt's offscreen and minimal platforms), nobody could close it
    // either: the line on stderr is all.
    const QString platform = QGuiApplication::platformName();
    if (platform == u"offscreen"_s || platform == u"minimal"_s)
        return;
    QMessageBox box(QMessageBox::Critical, u"Gegu"_s, text, QMessageBox::Ok);
    box.setObjectName(u"runtimeError"_s);
    box.exec();
}

int runGegu(QApplication& app) {
    cid form;
    try {
        try {
            form.Form_Load();
        } catch (const std::bad_alloc&) {
            throw RuntimeError(ErrorNumber::OutOfMemory);
        }
    } catch (const RuntimeError& e) {
        reportRuntimeError(e);
        return 1;
    }
    form.show();
    return app.exec();
}

} // namespace gegu
