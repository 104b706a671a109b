#pragma once

namespace gegu {

// Makes screen readers read the output box through its own accessible interface: an editable
// text whose text they read by ranges, as large as a report may be. Installed once; the box's
// constructor calls it.
void installOutputBoxAccessibility();

} // namespace gegu
