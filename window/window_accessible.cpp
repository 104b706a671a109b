#include "window_accessible.h"

#include <QAccessibleWidget>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

// A plain QWidget made a top-level window is a client area to Qt's accessibility ("filler" on
// AT-SPI); QAccessibleWidget names a window by its title already.
QAccessibleInterface* windowFactory(const QString& className, QObject* object) {
    if (className == u"gegu::cid"_s && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    return nullptr;
}

} // namespace

void installWindowAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(windowFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace gegu
