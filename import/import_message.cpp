#include "import_message.h"

#include "holdings/data_file_writer.h"
#include "table_layout.h"

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

// What a column holds, as a thing: "the holder's name".
QString thing(int column) {
    switch (Column(column)) {
    case Column::Code:
        return u"the stock code"_s;
    case Column::Name:
        return u"the stock name"_s;
    case Column::Date:
        return u"the report date"_s;
    case Column::Holder:
        return u"the holder's name"_s;
    case Column::Shares:
        return u"the shares held"_s;
    case Column::Ratio:
    case Column::FloatRatio:
        return u"the ratio"_s;
    case Column::Type:
        return u"the share type"_s;
    case Column::Change:
    case Column::ChangeWords:
        return u"the change"_s;
    case Column::Rank:
        return u"the rank"_s;
    }
    return {};
}

// What a cell of a column of numbers is: "a number of shares".
QString oneOf(int column) {
    switch (Column(column)) {
    case Column::Shares:
        return u"a number of shares"_s;
    case Column::Ratio:
    case Column::FloatRatio:
        return u"a percentage"_s;
    case Column::Change:
    case Column::ChangeWords:
        return u"a change"_s;
    case Column::Rank:
        return u"a rank"_s;
    default:
        return u"a number"_s;
    }
}

// The column and the names it goes by: "the holder's name (股东名称, 股东, holder_name)".
QString described(Column column) {
    return thing(int(column)) + u" ("_s + columnNames(column).join(u", "_s) + u')';
}

QString quoted(const QString& text) {
    return u'"' + text + u'"';
}

QString value(const QStringList& values, qsizetype i) {
    return i < values.size() ? values[i] : QString();
}

} // namespace

QString ImportFault::words() const {
    const auto v = [&](qsizetype i) {
        return value(values, i);
    };
    switch (kind) {
    case ImportKind::FileUnreadable:
        return u"cannot be read: "_s + v(0);
    case ImportKind::FileChanged:
        return u"cannot be read: changed while it was read"_s;
    case ImportKind::FileTooLarge:
        return u"cannot be read: too large for the memory available"_s;
    case ImportKind::OutOfMemory:
        return u"out of memory"_s;
    case ImportKind::CsvStrayQuote:
        return u"not well-formed CSV: a quote inside a field that is not quoted, or after one"_s;
    case ImportKind::CsvUnendedQuote:
        return u"not well-formed CSV: a quoted field that never ends"_s;
    case ImportKind::EmptyFile:
        return u"is empty: it has no header row"_s;
    case ImportKind::NoHeaderRow:
        return u"has no header row: no line names "_s + described(Column::Holder) + u" and "_s +
               described(Column::Shares);
    case ImportKind::NoNamesHeader:
        return u"has no header row: no line names "_s + described(Column::Code) + u" and "_s +
               described(Column::Name);
    case ImportKind::StrayByte:
        return u"a byte that is not UTF-8, where the rest of the file is UTF-8: save the file "
               u"as UTF-8 again (or, if all of it is GBK, --encoding gbk reads it so)"_s;
    case ImportKind::GbkInUtf8:
        return u"text that is not UTF-8 (GBK, or another encoding), where the rest of the file "
               u"is UTF-8: save the whole file in one encoding"_s;
    case ImportKind::Utf8InGbk:
        return u"UTF-8 text, where the rest of the file is GBK: save the whole file in one "
               u"encoding"_s;
    case ImportKind::NeitherEncoding:
        return u"neither UTF-8 nor GBK (--encoding utf-8 or gbk says which the file is)"_s;
    case ImportKind::EncodingsTie:
        return u"reads as well in UTF-8 as in GBK: --encoding utf-8 or --encoding gbk says "
               u"which it is"_s;
    case ImportKind::Windows1252Quote:
        return quoted(v(0)) +
               u" holds characters read as GBK among Latin letters: if they stand for a quote "
               u"or a dash, the file is in another encoding (Windows-1252); save it as UTF-8"_s;
    case ImportKind::MissingColumn:
        return u"no column for "_s + described(Column(column));
    case ImportKind::NoCode:
        return u"no column for "_s + described(Column::Code) +
               u", nor a code in a title above it or --code"_s;
    case ImportKind::NoDate:
        return u"no column for "_s + described(Column::Date) +
               u", nor a date in a title above it or --date"_s;
    case ImportKind::TitleCodes:
        return u"the title names the codes "_s + values.join(u", "_s) +
               u" and marks none as the stock's (招商银行(600036), 600036.SH, 代码：600036); "
               u"--code gives it"_s;
    case ImportKind::TitleDates:
        return u"the title names the dates "_s + values.join(u", "_s) +
               u" and marks none as 截止日期 or 报告期; --date gives it"_s;
    case ImportKind::RatioNotOfFloat:
        return v(0) + u" is a ratio of all shares; float holders need the ratio of the float ("_s +
               columnNames(Column::FloatRatio).join(u", "_s) + u')';
    case ImportKind::NotSharesUnit:
        return v(0) + u": "_s + v(1) + u" is not a unit of shares (股, 万股, 亿股)"_s;
    case ImportKind::NotRatioUnit:
        return v(0) + u": "_s + v(1) + u" is not a unit of a ratio (%)"_s;
    case ImportKind::TextColumnUnit:
        return v(0) + u": a column of text, with the unit "_s + v(1);
    case ImportKind::UnusedColumns:
        return u"columns not used: "_s + values.join(u", "_s);
    case ImportKind::TitleRead: {
        QStringList read;
        if (!v(0).isEmpty())
            read << u"code "_s + v(0);
        if (!v(1).isEmpty())
            read << u"name "_s + v(1);
        if (!v(2).isEmpty())
            read << u"date "_s + v(2);
        return u"read from its title: "_s + read.join(u", "_s);
    }
    case ImportKind::TitleWithoutHeader:
        return u"a title with no header row under it"_s;
    case ImportKind::FieldCount:
        return QStringLiteral("%1 field%2 where the header has %3")
            .arg(v(0), v(0) == u"1"_s ? QString() : u"s"_s, v(1));
    case ImportKind::RowAfterNote:
        return QStringLiteral("a holder row after the note on line %1 that ends its table")
            .arg(otherLine);
    case ImportKind::NotCode:
        return u"not a stock code: "_s + quoted(v(0));
    case ImportKind::NoCodeInRow:
        return u"no stock code"_s;
    case ImportKind::NotDate:
        return u"not a date: "_s + quoted(v(0));
    case ImportKind::NoDateInRow:
        return u"no report date"_s;
    case ImportKind::NotNumber:
        return u"not "_s + oneOf(column) + u": "_s + quoted(v(0));
    case ImportKind::Grouping:
        return u"not "_s + oneOf(column) + u": "_s + quoted(v(0)) +
               u" (thousands are separated every three digits)"_s;
    case ImportKind::Rounded:
        return thing(column) + u' ' + quoted(v(0)) + u" holds "_s + v(1) +
               u" significant digits of a count of "_s + v(2) +
               u": a spreadsheet rounded it. Format the column as a number without "_s
               u"decimals (not General) and export again"_s;
    case ImportKind::AmbiguousNumber:
        return thing(column) + u' ' + quoted(v(0)) + u" reads as "_s + v(1) + u" or as "_s + v(2) +
               u", and no other number in the file shows whether a point is its decimal mark: "_s
               u"export the numbers without thousands separators"_s;
    case ImportKind::DecimalPointAfterComma:
        return quoted(v(0)) + u" has a decimal point, but "_s + quoted(v(1)) +
               QStringLiteral(" on line %1 a decimal comma: export the file with one decimal mark")
                   .arg(otherLine);
    case ImportKind::DecimalCommaAfterPoint:
        return quoted(v(0)) + u" has a decimal comma, but "_s + quoted(v(1)) +
               QStringLiteral(" on line %1 a decimal point: export the file with one decimal mark")
                   .arg(otherLine);
    case ImportKind::NoShares:
        return u"no number of shares"_s;
    case ImportKind::NegativeShares:
        return u"a negative number of shares: "_s + quoted(v(0));
    case ImportKind::TooManyShares:
        return u"more shares than any company has: "_s + quoted(v(0));
    case ImportKind::ChangeTooLarge:
        return u"a change of more shares than any company has: "_s + quoted(v(0));
    case ImportKind::RatioOutOfRange:
        return u"a ratio outside 0 to 100%: "_s + quoted(v(0));
    case ImportKind::NotRank:
        return u"not a rank: "_s + quoted(v(0));
    case ImportKind::NotChange:
        return u"not a change: "_s + quoted(v(0)) +
               u" (a change is a number of shares, such as -1000000, 增持100 or 减少3000股, or "
               u"words without a number, such as 新进)"_s;
    case ImportKind::HolderEmpty:
        return u"the holder's name is empty"_s;
    case ImportKind::ControlCharacter:
        return thing(column) + u" holds (U+"_s + v(0) + u"), a control character"_s;
    case ImportKind::NotInGbk:
        return thing(column) + u" holds "_s + v(0) + u" (U+"_s + v(1) +
               u"), which GBK cannot hold: "_s + v(2);
    case ImportKind::ColumnBar:
        return thing(column) +
               u" holds │, which a data file's rows keep between their columns: "_s + quoted(v(0)) +
               u" (write it as | or ｜ in the export)"_s;
    case ImportKind::ForeignCodes:
        return v(0) +
               u" rows of stocks outside Shanghai, Shenzhen and Beijing left out, the "_s
               u"first of "_s +
               v(1) + u" (Gegu holds A shares only)"_s;
    case ImportKind::OnlyForeignCodes:
        return u"every row is of a stock outside Shanghai, Shenzhen and Beijing, the first of "_s +
               v(1) + u" (Gegu holds A shares only)"_s;
    case ImportKind::Disagree:
        return v(0) + (v(1).isEmpty() ? QString() : u" ("_s + v(1) + u')') + u" in "_s + v(2) +
               u" on "_s + v(3) + u": "_s + v(4) + u" here, "_s + v(5) + u" at "_s + v(6);
    case ImportKind::NamesCollide:
        return v(0) + u" and "_s + v(2) + u" (at "_s + v(3) + u") would both be written "_s + v(1) +
               u"; --full-names writes names whole"_s;
    case ImportKind::PeriodsLeftOut:
        return QStringLiteral("%1 earlier report period%2 (%3 record%4) left out: --history "
                              "writes every period")
            .arg(v(0), v(0) == u"1"_s ? QString() : u"s"_s, v(1),
                 v(1) == u"1"_s ? QString() : u"s"_s);
    case ImportKind::NamesTooWide:
        return QStringLiteral("%1 holders' names do not fit the name column, or are longer than "
                              "the %2 characters searched; written whole")
            .arg(v(0))
            .arg(SearchableNameLength);
    case ImportKind::NamesFieldCount:
        return u"fewer fields than the header has"_s;
    }
    return {};
}

QString ImportMessage::message() const {
    QStringList all;
    for (const ImportFault& f : faults)
        all << f.words();
    return all.join(u"; "_s);
}

QString ImportMessage::text() const {
    if (file.isEmpty())
        return message();
    return line > 0 ? file + u':' + QString::number(line) + u": "_s + message()
                    : file + u": "_s + message();
}

void ImportMessage::shift(qint64 lines) {
    if (line > 0)
        line += lines;
    for (ImportFault& f : faults) {
        if (f.otherLine > 0)
            f.otherLine += lines;
    }
}

} // namespace gegu
