#pragma once

// The texts of Qt's own widgets that the window shows (the buttons of its boxes and dialogs, the
// query box's context menu). Gegu's translation holds them beside its own messages, so that the
// window speaks Chinese throughout without Qt's translations.

#include <QtGlobal>
#include <span>

namespace gegu {

struct QtText {
    const char* context; // Qt's translation context, e.g. "QLineEdit"
    const char* source;  // Qt's own English text, e.g. "&Copy"
};

// Every Qt text that the window can show.
std::span<const QtText> qtTextsShown();

} // namespace gegu
