#include "startup.h"

#include "cid.h"
#include "holdings/runtime_error.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

namespace gegu {

namespace {

void showStartupError(const RuntimeError& e) {
    QString text = QStringLiteral("实时错误 '%1':\n\n%2").arg(int(e.number())).arg(e.text());
    if (!e.file().isEmpty())
        text += QStringLiteral("\n\n文件：%1").arg(e.file());
    if (e.line() > 0)
        text += QStringLiteral("\n行：%1").arg(e.line());
    std::fprintf(stderr, "gegu: %s\n", qPrintable(e.message()));
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Gegu"), text, QMessageBox::Ok);
    box.setObjectName(QStringLiteral("startupError"));
    box.exec();
}

} // namespace

int runGegu(QApplication& app) {
    cid form;
    try {
        form.Form_Load();
    } catch (const RuntimeError& e) {
        showStartupError(e);
        return 1;
    }
    form.show();
    return app.exec();
}

} // namespace gegu
