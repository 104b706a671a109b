#pragma once

namespace gegu {

// What screen readers are told of the main window: a top-level window (the role frame on
// AT-SPI, as every application's main window is), named by its title, so that a screen reader
// says where the focus went. Installed once; the window calls it.
void installWindowAccessibility();

} // namespace gegu
