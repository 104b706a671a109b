#include "startup.h"

#include "cid.h"
#include "common/console.h"
#include "common/translation.h"
#include "holdings/data_file.h"
#include "holdings/runtime_error.h"
#include "import/data_workflow.h"
#include "import_words.h"

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

namespace {

// Says that the user's data file could not be built again from the kept exports at start.
struct Text {
    Q_DECLARE_TR_FUNCTIONS(Startup)
};

void showRepairFailure(QWidget* parent, const ExportFolder::Result& result) {
    QString why = result.writeError;
    if (result.outcome == ExportFolder::Result::Outcome::ImportFailed)
        for (const ImportError& e : result.errors.first())
            why += (why.isEmpty() ? u""_s : u"\n"_s) + windowText(e);
    if (result.outcome == ExportFolder::Result::Outcome::Busy)
        why = Text::tr("Another Gegu is changing the data folder.");
    auto* box = new QMessageBox(
        QMessageBox::Warning, u"Gegu"_s,
        Text::tr("The exports kept in the data folder and the data file made from them do not "
                 "agree (the last import did not end, or an export was changed), and the data "
                 "file cannot be made again; the data file as it is answers.") +
            u"\n\n"_s + why,
        QMessageBox::Ok, parent);
    box->setObjectName(u"repairFailed"_s);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

} // namespace

int runGegu(QApplication& app) {
    // The window speaks Chinese, whatever the user's locale.
    useLanguage(Language::Chinese);
    // A drop cut short, or a kept export changed by hand: the user's data file is built again
    // from the kept exports before it is looked for.
    const std::optional<ExportFolder::Result> repaired = DataWorkflow::repair(userDataDirectory());
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
    if (repaired && repaired->outcome != ExportFolder::Result::Outcome::Built)
        showRepairFailure(&form, *repaired);
    return app.exec();
}

} // namespace gegu
