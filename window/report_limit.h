#pragma once

#include <QtGlobal>

namespace gegu {

// The longest report, in characters, that the window takes on: a quarter of the memory that
// the process may have (the machine's, or less where a limit is set), counted as UTF-16. A
// longer report is runtime error 7, well before an allocation could fail.
qsizetype reportLimit();

} // namespace gegu
