#include "data_file_writer.h"

#include <QIODevice>

using namespace Qt::StringLiterals;

namespace gegu {

int displayWidth(QStringView text) {
    int columns = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isLowSurrogate())
            continue; // the pair counts once
        columns += text[i].unicode() < 0x80 ? 1 : 2;
    }
    return columns;
}

QString paddedTo(QStringView text, int columns, int minBlanks) {
    return text.toString() + QString(std::max(minBlanks, columns - displayWidth(text)), u' ');
}

QString headerLine(const StockRecord& record) {
    QString line = record.code;
    if (!record.name.isEmpty())
        line += u' ' + record.name;
    line += u"  "_s + record.title + u"  "_s + record.date;
    if (!record.note.isEmpty())
        line += u"  "_s + record.note;
    return line;
}

QString headLine(const QString& date) {
    // Characters 7 to 24 are "截止日期：", the date and three blanks: the name report quotes
    // them and closes the bracket.
    return u"股东情况 (截止日期："_s + date + u"   ) 持股数(万股)  占比(%)  股份性质  增减"_s;
}

QString holderLine(const HolderRow& row) {
    // Two blanks, the name in its columns, then shares, percent, type and change between bars
    // that stand under the joints of the report's frame lines.
    return u"  "_s + paddedTo(row.name, NameColumns, 1) + u'│' +
           QStringLiteral("%1").arg(row.shares, 10, 'f', 2) + u'│' +
           QStringLiteral("%1").arg(row.percent, 10, 'f', 2) + u"│ "_s + paddedTo(row.type, 9, 0) +
           u"│ "_s + row.change;
}

void DataFileWriter::begin(qsizetype records) {
    line(QString::number(records - 1));
}

void DataFileWriter::write(const StockRecord& record) {
    line(headerLine(record));
    line(QString::number(record.rows.size()));
    line(headLine(record.date));
    for (const HolderRow& row : record.rows)
        line(holderLine(row));
    if (pending_.size() > (1 << 20))
        flush();
}

bool DataFileWriter::finish() {
    flush();
    return ok_;
}

void DataFileWriter::line(QStringView text) {
    pending_ += text;
    pending_ += u"\r\n";
}

void DataFileWriter::flush() {
    const QByteArray bytes = gbk_.encode(pending_);
    pending_.clear();
    ok_ = ok_ && !gbk_.hasError() && out_.write(bytes) == bytes.size();
}

qsizetype firstNonGbk(QStringView text) {
    QStringEncoder whole("GBK");
    (void)whole.encode(text).operator QByteArray();
    if (!whole.hasError())
        return -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        QStringEncoder one("GBK");
        (void)one.encode(text.sliced(i, n)).operator QByteArray();
        if (one.hasError())
            return i;
        i += n - 1;
    }
    return -1;
}

} // namespace gegu
