#pragma once

// Where a holder row keeps the holder's name: part of the data file's format, which the one
// writer of the format fills and the name query searches.

#include <QtGlobal>

namespace gegu {

// A holder row's name stands within its first NameFieldWidth characters, after any leading
// blanks; only these are searched by the name query.
inline constexpr qsizetype NameFieldWidth = 20;

} // namespace gegu
