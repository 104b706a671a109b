#pragma once

// A table model's rows as text for other programs: tab-separated for the clipboard, which
// spreadsheets paste into cells, and CSV in UTF-8 with a byte order mark, which they open with
// its Chinese intact.

#include <QByteArray>
#include <QString>
#include <vector>

class QAbstractItemModel;

namespace gegu {

// The rows' displayed texts, a line each (LF), their cells between tabs; tabs and line breaks
// inside a cell become blanks.
QString tabSeparatedRows(const QAbstractItemModel& model, const std::vector<int>& rows);

// The header and every row as CSV: fields quoted where they hold a comma, a quote or a line
// break, CR LF after each line, the UTF-8 byte order mark first. A text that a spreadsheet would
// take for a formula (=, +, -, @ first, and not a number) gets a ' before it.
QByteArray csvWithByteOrderMark(const QAbstractItemModel& model);

// Writes the bytes to a file as a whole: into a new file beside it, renamed into place when
// complete. False, and why in error, when that fails.
bool writeWholeFile(const QString& path, const QByteArray& bytes, QString* error);

} // namespace gegu
