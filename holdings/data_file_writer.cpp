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

QList<int> barColumns(QStringView row) {
    QList<int> bars;
    int column = 0;
    for (qsizetype i = 0; i < row.size(); ++i) {
        if (row[i] == u'│')
            bars << column;
        column += displayWidth(row.sliced(i, 1));
    }
    return bars;
}

namespace {

void appendBlanks(std::string& out, qsizetype n) {
    if (n > 0)
        out.append(size_t(n), ' ');
}

void append(std::string& out, const QByteArray& bytes) {
    out.append(bytes.constData(), size_t(bytes.size()));
}

// The smallest change that two decimals of 万股 write as a number.
constexpr double smallestChange = 0.005;

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

// The GBK bytes of a whole line, with every CR and LF in it a blank; ok turns false when a
// character has no GBK form (it is written as '?').
QByteArray encodeLine(QStringView text, bool& ok) {
    std::optional<QByteArray> encoded = encodeGbk(text);
    if (!encoded) {
        ok = false;
        encoded.emplace();
        for (qsizetype i = 0; i < text.size(); ++i) {
            const qsizetype size =
                text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()
                    ? 2
                    : 1;
            *encoded += encodeGbk(text.sliced(i, size)).value_or("?");
            i += size - 1;
        }
    }
    QByteArray bytes = std::move(*encoded);
    for (char& c : bytes) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return bytes;
}

} // namespace

EncodedText encodeText(QStringView text) {
    bool ok = true;
    return {encodeLine(text, ok), displayWidth(text)};
}

namespace {

// The number with `decimals` (0 to 2) decimals, halves rounded away from zero, into `digits`;
// returns the end, or nullptr where the number is too large to be rounded this way.
char* fixedDigits(char* digits, char* limit, double value, int decimals) {
    if (!(std::abs(value) < 1e15))
        return nullptr;
    const qint64 scale = decimals == 2 ? 100 : decimals == 1 ? 10 : 1;
    const qint64 units = qRound64(std::abs(value) * double(scale));
    char* end = digits;
    if (value < 0 && units != 0)
        *end++ = '-';
    end = std::to_chars(end, limit, units / scale).ptr;
    if (decimals > 0)
        *end++ = '.';
    if (decimals == 2)
        *end++ = char('0' + units % 100 / 10);
    if (decimals > 0)
        *end++ = char('0' + units % 10);
    return end;
}

// The number right-aligned in `width` characters, with two decimals, or with fewer (down to
// fewestDecimals) where it would take more than `room` characters.
void appendNumber(std::string& out, double value, int width, int room, int fewestDecimals) {
    if (std::isnan(value)) {
        appendBlanks(out, width);
        return;
    }
    char digits[40];
    for (int decimals = 2; decimals >= fewestDecimals; --decimals) {
        char* const end = fixedDigits(digits, digits + sizeof(digits), value, decimals);
        if (!end)
            break;
        if (end - digits <= room || decimals == fewestDecimals) {
            appendBlanks(out, width - (end - digits));
            out.append(digits, size_t(end - digits));
            return;
        }
    }
    const QByteArray wide = QByteArray::number(value, 'f', 2);
    appendBlanks(out, width - wide.size());
    append(out, wide);
}

} // namespace

void appendFixed(std::string& out, double value, int width) {
    appendNumber(out, value, width, width, 2);
}

void appendQuantity(std::string& out, double value, int width) {
    appendNumber(out, value, width, width, 0);
}

QString fitShareType(QStringView type) {
    if (displayWidth(type) <= ShareTypeColumns)
        return type.toString();
    // The forms that exports write for the kinds of share, and how tables shorten them.
    static const std::pair<QStringView, QStringView> shortForms[] = {
        {u"限售流通A股", u"限售A股"},       {u"限售流通B股", u"限售B股"},
        {u"限售流通H股", u"限售H股"},       {u"限售流通股", u"限售股"},
        {u"流通受限股份", u"流通受限"},     {u"有限售条件流通股", u"限售股"},
        {u"有限售条件股份", u"限售股"},     {u"无限售条件流通股", u"流通股"},
        {u"无限售条件股份", u"流通股"},     {u"人民币普通股", u"A股"},
        {u"境内上市外资股", u"B股"},        {u"境外上市外资股(H股)", u"H股"},
        {u"境外上市外资股（H股）", u"H股"}, {u"境外上市外资股", u"H股"},
        {u"其他流通股", u"其他流通"},       {u"国有法人股", u"国有法人"},
        {u"境内法人股", u"境内法人"},       {u"境外法人股", u"境外法人"},
        {u"募集法人股", u"募集法人"},       {u"内部职工股", u"职工股"},
    };
    for (const auto& [form, shortForm] : shortForms) {
        if (type == form)
            return shortForm.toString();
    }
    // The first characters that leave room for the mark.
    QString cut;
    for (qsizetype i = 0; i < type.size();) {
        const qsizetype n = type[i].isHighSurrogate() && i + 1 < type.size() ? 2 : 1;
        if (displayWidth(cut) + displayWidth(type.sliced(i, n)) + 2 > ShareTypeColumns)
            break;
        cut += type.sliced(i, n);
        i += n;
    }
    return cut + u'…';
}

EncodedText encodeShareType(QStringView type) {
    return encodeText(fitShareType(type));
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
        const EncodedText type = encodeShareType(row.type);
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
    out.append(size_t(RowIndent), ' ');
    append(out, row.name->bytes);
    appendBlanks(out, std::max(1, NameColumns - row.name->columns));
    append(out, p.bar.bytes);
    appendQuantity(out, row.shares, NumberColumns);
    append(out, p.bar.bytes);
    appendFixed(out, row.percent, NumberColumns);
    append(out, p.bar.bytes);
    out += ' ';
    append(out, row.type->bytes);
    appendBlanks(out, ShareTypeColumns - row.type->columns);
    append(out, p.bar.bytes);
    out += ' ';
    if (std::isnan(row.changed)) {
        append(out, row.change->bytes);
    } else if (row.changed == 0) {
        append(out, p.same.bytes);
    } else {
        append(out, (row.changed > 0 ? p.more : p.less).bytes);
        if (std::abs(row.changed) < smallestChange)
            out += "<0.01"; // below the precision written, but a change
        else
            appendNumber(out, std::abs(row.changed), 0, NumberColumns, 0);
    }
    out += "\r\n";
}

QString writtenChange(double changed) {
    if (changed == 0)
        return u"不变"_s;
    std::string number;
    if (std::abs(changed) < smallestChange)
        number = "<0.01";
    else
        appendNumber(number, std::abs(changed), 0, NumberColumns, 0);
    return (changed > 0 ? u"增持"_s : u"减持"_s) + QString::fromLatin1(number);
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
