#include "data_file_writer.h"

#include "gbk.h"

#include <QIODevice>
#include <charconv>
#include <cmath>

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

namespace {

void appendBlanks(std::string& out, qsizetype n) {
    if (n > 0)
        out.append(size_t(n), ' ');
}

void append(std::string& out, const QByteArray& bytes) {
    out.append(bytes.constData(), size_t(bytes.size()));
}

// The constant pieces of a row, encoded once.
struct Pieces {
    EncodedText bar = encodeText(u"│");
    EncodedText more = encodeText(u"增持");
    EncodedText less = encodeText(u"减持");
    EncodedText same = encodeText(u"不变");

    static const Pieces& get() {
        static const Pieces pieces;
        return pieces;
    }
};

// The GBK bytes of a whole line, with every CR and LF in it a blank; a character that GBK
// cannot hold is written as '?' and turns ok false.
QByteArray encodeLine(QStringView text, bool& ok) {
    std::optional<QByteArray> bytes = encodeGbk(text);
    if (!bytes) {
        ok = false;
        bytes.emplace();
        for (qsizetype i = 0; i < text.size(); ++i) {
            const qsizetype size =
                text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()
                    ? 2
                    : 1;
            *bytes += encodeGbk(text.sliced(i, size)).value_or("?"_ba);
            i += size - 1;
        }
    }
    for (char& c : *bytes) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return *std::move(bytes);
}

} // namespace

EncodedText encodeText(QStringView text) {
    bool ok = true;
    return {encodeLine(text, ok), displayWidth(text)};
}

void appendFixed(std::string& out, double value, int width) {
    char digits[40];
    char* end = digits;
    if (std::isnan(value)) {
        // nothing: blanks
    } else if (std::abs(value) < 1e15) {
        const qint64 cents = qRound64(std::abs(value) * 100);
        if (value < 0 && cents != 0)
            *end++ = '-';
        end = std::to_chars(end, digits + sizeof(digits), cents / 100).ptr;
        *end++ = '.';
        *end++ = char('0' + cents % 100 / 10);
        *end++ = char('0' + cents % 10);
    } else {
        const QByteArray wide = QByteArray::number(value, 'f', 2);
        appendBlanks(out, width - wide.size());
        append(out, wide);
        return;
    }
    appendBlanks(out, width - (end - digits));
    out.append(digits, size_t(end - digits));
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

void DataFileWriter::begin(qsizetype records) {
    line(QString::number(records - 1));
}

void DataFileWriter::write(const StockRecord& record) {
    beginRecord(record, qsizetype(record.rows.size()));
    for (const HolderRow& row : record.rows) {
        const EncodedText name = encodeText(row.name);
        const EncodedText type = encodeText(row.type);
        const EncodedText change = encodeText(row.change);
        holder({&name, row.shares, row.percent, &type, &change, row.changed});
    }
}

void DataFileWriter::beginRecord(const StockRecord& record, qsizetype rows) {
    if (out_ && pending_.size() > (1 << 20))
        flush();
    line(headerLine(record));
    line(QString::number(rows));
    line(headLine(record.date));
}

void DataFileWriter::holder(const EncodedRow& row) {
    // Two blanks, the name in its columns, then shares, percent, type and change between bars
    // that stand under the joints of the report's frame lines.
    const Pieces& p = Pieces::get();
    std::string& out = *bytes_;
    out += "  ";
    append(out, row.name->bytes);
    appendBlanks(out, std::max(1, NameColumns - row.name->columns));
    append(out, p.bar.bytes);
    appendFixed(out, row.shares, 10);
    append(out, p.bar.bytes);
    appendFixed(out, row.percent, 10);
    append(out, p.bar.bytes);
    out += ' ';
    append(out, row.type->bytes);
    appendBlanks(out, 9 - row.type->columns);
    append(out, p.bar.bytes);
    out += ' ';
    if (std::isnan(row.changed)) {
        append(out, row.change->bytes);
    } else if (row.changed == 0) {
        append(out, p.same.bytes);
    } else {
        append(out, (row.changed > 0 ? p.more : p.less).bytes);
        appendFixed(out, std::abs(row.changed), 0);
    }
    out += "\r\n";
}

bool DataFileWriter::finish() {
    flush();
    return ok_;
}

void DataFileWriter::line(QStringView text) {
    append(*bytes_, encodeLine(text, ok_));
    *bytes_ += "\r\n";
}

void DataFileWriter::flush() {
    if (!out_)
        return;
    ok_ = ok_ && out_->write(pending_.data(), qint64(pending_.size())) == qint64(pending_.size());
    pending_.clear(); // keeps its room
}

} // namespace gegu
