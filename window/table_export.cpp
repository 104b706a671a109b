#include "table_export.h"

#include <QAbstractItemModel>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

QString cell(const QAbstractItemModel& model, int row, int column) {
    return model.index(row, column).data(Qt::DisplayRole).toString();
}

QString header(const QAbstractItemModel& model, int column) {
    return model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
}

// A field of a CSV line.
QString csvField(QString text) {
    bool isNumber = false;
    text.toDouble(&isNumber);
    if (!text.isEmpty() && !isNumber &&
        (text.front() == u'=' || text.front() == u'+' || text.front() == u'-' ||
         text.front() == u'@'))
        text.prepend(u'\'');
    if (text.contains(u',') || text.contains(u'"') || text.contains(u'\r') || text.contains(u'\n'))
        return u'"' + text.replace(u"\""_s, u"\"\""_s) + u'"';
    return text;
}

} // namespace

QString tabSeparatedRows(const QAbstractItemModel& model, const std::vector<int>& rows) {
    QString text;
    for (const int row : rows) {
        for (int column = 0; column < model.columnCount(); ++column) {
            if (column > 0)
                text += u'\t';
            QString field = cell(model, row, column);
            for (QChar& c : field) {
                if (c == u'\t' || c == u'\r' || c == u'\n')
                    c = u' ';
            }
            text += field;
        }
        text += u'\n';
    }
    return text;
}

QByteArray csvWithByteOrderMark(const QAbstractItemModel& model) {
    QString text;
    const auto line = [&](const auto& field) {
        for (int column = 0; column < model.columnCount(); ++column) {
            if (column > 0)
                text += u',';
            text += csvField(field(column));
        }
        text += u"\r\n"_s;
    };
    line([&](int column) { return header(model, column); });
    for (int row = 0; row < model.rowCount(); ++row)
        line([&](int column) { return cell(model, row, column); });
    return "\xEF\xBB\xBF" + text.toUtf8();
}

bool writeWholeFile(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace gegu
