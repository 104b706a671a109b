#include "qt_texts.h"

#include <QCoreApplication>

namespace gegu {

namespace {

// As Qt 6 writes them; QT_TRANSLATE_NOOP puts them into the translation.
constexpr QtText shown[] = {
    // Standard buttons (QMessageBox, QDialogButtonBox).
    {"QPlatformTheme", QT_TRANSLATE_NOOP("QPlatformTheme", "OK")},
    {"QPlatformTheme", QT_TRANSLATE_NOOP("QPlatformTheme", "Cancel")},
    {"QPlatformTheme", QT_TRANSLATE_NOOP("QPlatformTheme", "Close")},
    {"QPlatformTheme", QT_TRANSLATE_NOOP("QPlatformTheme", "&Yes")},
    {"QPlatformTheme", QT_TRANSLATE_NOOP("QPlatformTheme", "&No")},
    {"QPlatformTheme", QT_TRANSLATE_NOOP("QPlatformTheme", "Open")},
    {"QPlatformTheme", QT_TRANSLATE_NOOP("QPlatformTheme", "Help")},
    // A box's details (the errors beyond those it shows).
    {"QMessageBox", QT_TRANSLATE_NOOP("QMessageBox", "Show Details...")},
    {"QMessageBox", QT_TRANSLATE_NOOP("QMessageBox", "Hide Details...")},
    // The context menu of a one-line box (the query box, the dialogs' boxes).
    {"QLineEdit", QT_TRANSLATE_NOOP("QLineEdit", "&Undo")},
    {"QLineEdit", QT_TRANSLATE_NOOP("QLineEdit", "&Redo")},
    {"QLineEdit", QT_TRANSLATE_NOOP("QLineEdit", "Cu&t")},
    {"QLineEdit", QT_TRANSLATE_NOOP("QLineEdit", "&Copy")},
    {"QLineEdit", QT_TRANSLATE_NOOP("QLineEdit", "&Paste")},
    {"QLineEdit", QT_TRANSLATE_NOOP("QLineEdit", "Delete")},
    {"QLineEdit", QT_TRANSLATE_NOOP("QLineEdit", "Select All")},
};

} // namespace

std::span<const QtText> qtTextsShown() {
    return shown;
}

} // namespace gegu
