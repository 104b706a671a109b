#include "table_text.h"

#include "text_rules.h"

#include <QDate>
#include <QList>

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Whether text[at..] starts with yyyy-mm-dd, a day the calendar has (not 2023-13-45, nor
// 2023-02-29).
bool isDateAt(QStringView text, qsizetype at) {
    if (text.size() - at < 10)
        return false;
    for (qsizetype i = 0; i < 10; ++i) {
        const QChar c = text[at + i];
        if ((i == 4 || i == 7) ? c != u'-' : !isDigit(c))
            return false;
    }
    return QDate(text.sliced(at, 4).toInt(), text.sliced(at + 5, 2).toInt(),
                 text.sliced(at + 8, 2).toInt())
        .isValid();
}

// A number cell: blanks, or a decimal number with blanks around it.
std::optional<std::optional<double>> readNumber(QStringView cell) {
    const QStringView trimmed = cell.trimmed();
    if (trimmed.isEmpty())
        return std::optional<double>();
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return std::optional<double>(value);
}

} // namespace

StockHeader readStockHeader(QStringView header) {
    StockHeader h;
    const QStringView text = LTrim(header);
    h.code = Left(text, 6).toString();
    for (qsizetype at = 0; at + 10 <= text.size(); ++at) {
        if (isDateAt(text, at)) {
            h.date = text.sliced(at, 10).toString();
            break;
        }
    }
    h.floatHolders = text.contains(FloatHoldersTable);
    QStringView rest = text.sliced(std::min<qsizetype>(6, text.size()));
    if (rest.startsWith(u' ') && !rest.startsWith(u"  ")) {
        rest = rest.sliced(1);
        const qsizetype end = rest.indexOf(u"  ");
        h.name = (end < 0 ? rest : rest.first(end)).trimmed().toString();
        if (h.name == h.date)
            h.name.clear();
    }
    return h;
}

std::optional<HolderCells> readHolderCells(QStringView row) {
    const QList<QStringView> cells = row.split(u'│');
    if (cells.size() != 5)
        return std::nullopt;
    HolderCells c;
    c.name = cells[0].trimmed().toString();
    const auto shares = readNumber(cells[1]);
    const auto ratio = readNumber(cells[2]);
    if (c.name.isEmpty() || !shares || !ratio)
        return std::nullopt;
    c.shares = *shares;
    c.ratio = *ratio;
    c.sharesText = cells[1].trimmed().toString();
    c.ratioText = cells[2].trimmed().toString();
    c.type = cells[3].trimmed().toString();
    c.change = cells[4].trimmed().toString();
    return c;
}

} // namespace gegu
