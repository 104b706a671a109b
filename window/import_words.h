#pragma once

// What the window says of an import's errors, warnings and notes: in Chinese, naming what the
// user can do in the window (drop the file again, answer its question, name the file) rather
// than the command line's options.

#include "import/import_message.h"

#include <QString>

namespace gegu {

// One fault, in the window's words.
QString windowWords(const ImportFault& fault);
// A message: where (the file, and its line where one applies), then what.
QString windowText(const ImportMessage& message);

} // namespace gegu
