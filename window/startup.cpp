#include "startup.h"

#include "cid.h"
#include "common/console.h"
#include "common/translation.h"
#include "holdings/data_file.h"
#include "holdings/runtime_error.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <cstdio>
#include <new>

using namespace Qt::StringLiterals;

namespace gegu {

QString chineseErrorText(ErrorNumber number) {
    switch (number) {
    case ErrorNumber::Overflow:
        return u"溢出"_s;
    case ErrorNumber::OutOfMemory:
        return u"内存溢出"_s;
    case ErrorNumber::SubscriptOutOfRange:
        return u"下标越界"_s;
    case ErrorNumber::ErrorInLoadingDll:
        return u"DLL 加载错误"_s;
    case ErrorNumber::FileNotFound:
        return u"文件未找到"_s;
    case ErrorNumber::DeviceIOError:
        return u"设备 I/O 错误"_s;
    case ErrorNumber::InputPastEndOfFile:
        return u"输入超出文件尾"_s;
    case ErrorNumber::PermissionDenied:
        return u"拒绝的权限"_s;
    case ErrorNumber::PathFileAccessError:
        return u"路径/文件访问错误"_s;
    }
    return u"未知错误"_s;
}

QString errorBoxText(const RuntimeError& e) {
    QString text = u"实时错误 '"_s + QString::number(int(e.number())) + u"':\n\n"_s +
                   chineseErrorText(e.number());
    if (e.number() == ErrorNumber::ErrorInLoadingDll)
        text += u"\n\n无法解码 GBK（代码页 936）：所用的 Qt 构建时未带 ICU。"_s;
    if (!e.file().isEmpty())
        text += u"\n\n文件："_s + e.file();
    if (e.line() > 0)
        text += u"\n行："_s + QString::number(e.line());
    if (!e.searched().isEmpty())
        text += u"\n查找位置：\n"_s + e.searched().join(u'\n');
    return text;
}

void reportRuntimeError(const RuntimeError& e) {
    const QString text = errorBoxText(e);
    // The line on stderr in the user's language, as gegu-query's; then the box in Chinese, as
    // everything in the window. Gegu ends after it.
    useLanguage(userLanguage());
    writeLine(stderr, u"gegu: "_s + e.message());
    useLanguage(Language::Chinese);
    // Where nobody can see a box (Qt's offscreen and minimal platforms), nobody could close it
    // either: the line on stderr is all.
    const QString platform = QGuiApplication::platformName();
    if (platform == u"offscreen"_s || platform == u"minimal"_s)
        return;
    QMessageBox box(QMessageBox::Critical, u"Gegu"_s, text, QMessageBox::Ok);
    box.setObjectName(u"runtimeError"_s);
    box.exec();
}

std::future<std::unique_ptr<DataFileInUse>> loadDataInBackground() {
    // Deferred too: without a thread to spare, the load runs when the data is asked for.
    return std::async(std::launch::async | std::launch::deferred,
                      [] { return std::make_unique<DataFileInUse>(findDataFile()); });
}

int runGegu(QApplication& app) {
    // The window speaks Chinese, whatever the user's locale.
    useLanguage(Language::Chinese);
    std::future<std::unique_ptr<DataFileInUse>> loading = loadDataInBackground();
    cid form;
    try {
        try {
            form.Form_Load(loading.get());
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
