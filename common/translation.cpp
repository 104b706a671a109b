#include "translation.h"

#include <QCoreApplication>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

using namespace Qt::StringLiterals;

namespace gegu {

Language userLanguage() {
    for (const QString& name : QLocale::system().uiLanguages()) {
        switch (QLocale(name).language()) {
        case QLocale::Chinese:
            return Language::Chinese;
        case QLocale::English:
        case QLocale::C:
            return Language::English;
        default:
            break; // a language Gegu has no translation for: the next one the user reads
        }
    }
    return Language::English;
}

bool useLanguage(Language language) {
    // The one translator installed, owned by the application.
    static QPointer<QTranslator> installed;
    if (!QCoreApplication::instance())
        return false;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
    }
    if (language == Language::English)
        return true;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(u":/i18n/gegu_zh_CN.qm"_s)) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    installed = translator;
    return true;
}

} // namespace gegu
