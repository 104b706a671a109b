#include "import_message.h"

#include "holdings/data_file_writer.h"
#include "table_layout.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

struct Text {
    Q_DECLARE_TR_FUNCTIONS(ImportMessage)
};

// What a column holds, as a thing: "the holder's name".
QString thing(int column) {
    switch (Column(column)) {
    case Column::Code:
        return Text::tr("the stock code");
    case Column::Name:
        return Text::tr("the stock name");
    case Column::Date:
        return Text::tr("the report date");
    case Column::Holder:
        return Text::tr("the holder's name");
    case Column::Shares:
        return Text::tr("the shares held");
    case Column::Ratio:
    case Column::FloatRatio:
        return Text::tr("the ratio");
    case Column::Type:
        return Text::tr("the share type");
    case Column::Change:
    case Column::ChangeWords:
        return Text::tr("the change");
    case Column::Rank:
        return Text::tr("the rank");
    }
    return {};
}

// What a cell of a column of numbers is: "a number of shares".
QString oneOf(int column) {
    switch (Column(column)) {
    case Column::Shares:
        return Text::tr("a number of shares");
    case Column::Ratio:
    case Column::FloatRatio:
        return Text::tr("a percentage");
    case Column::Change:
    case Column::ChangeWords:
        return Text::tr("a change");
    case Column::Rank:
        return Text::tr("a rank");
    default:
        return Text::tr("a number");
    }
}

QString list(const QStringList& items) {
    return items.join(Text::tr(", "));
}

// The column and the names it goes by: "the holder's name (股东名称, 股东, holder_name)".
QString described(Column column) {
    return Text::tr("%1 (%2)").arg(thing(int(column)), list(columnNames(column)));
}

QString quoted(const QString& text) {
    return Text::tr("\"%1\"").arg(text);
}

QString value(const QStringList& values, qsizetype i) {
    return i < values.size() ? values[i] : QString();
}

} // namespace

// Each pattern takes its values in one pass: a value (a cell, a file name) may hold "%1".
QString ImportFault::words() const {
    const auto v = [&](qsizetype i) {
        return value(values, i);
    };
    const QString other = QString::number(otherLine);
    switch (kind) {
    case ImportKind::FileUnreadable:
        return Text::tr("cannot be read: %1").arg(v(0));
    case ImportKind::FileChanged:
        return Text::tr("cannot be read: changed while it was read");
    case ImportKind::FileBeingWritten:
        return Text::tr("cannot be read: another program is writing it");
    case ImportKind::FileTooLarge:
        return Text::tr("cannot be read: too large for the memory available");
    case ImportKind::OutOfMemory:
        return Text::tr("out of memory");
    case ImportKind::CsvStrayQuote:
        return Text::tr(
            "not well-formed CSV: a quote inside a field that is not quoted, or after one");
    case ImportKind::CsvUnendedQuote:
        return Text::tr("not well-formed CSV: a quoted field that never ends");
    case ImportKind::EmptyFile:
        return Text::tr("is empty: it has no header row");
    case ImportKind::NoHeaderRow:
        return Text::tr("has no header row: no line names %1 and %2")
            .arg(described(Column::Holder), described(Column::Shares));
    case ImportKind::NoNamesHeader:
        return Text::tr("has no header row: no line names %1 and %2")
            .arg(described(Column::Code), described(Column::Name));
    case ImportKind::Workbook:
        return Text::tr("a spreadsheet's own file (.xlsx or .xls), not text: save it from the "
                        "spreadsheet as CSV or as Unicode text");
    case ImportKind::StrayByte:
        return Text::tr(
            "a byte that is not UTF-8, where the rest of the file is UTF-8: save the "
            "file as UTF-8 again (or, if all of it is GBK, --encoding gbk reads it so)");
    case ImportKind::GbkInUtf8:
        return Text::tr("text that is not UTF-8 (GBK, or another encoding), where the rest of the "
                        "file is UTF-8: save the whole file in one encoding");
    case ImportKind::Utf8InGbk:
        return Text::tr(
            "UTF-8 text, where the rest of the file is GBK: save the whole file in one encoding");
    case ImportKind::NeitherEncoding:
        return Text::tr("neither UTF-8 nor GBK (--encoding utf-8 or gbk says which the file is)");
    case ImportKind::EncodingsTie:
        return Text::tr("reads as well in UTF-8 as in GBK: --encoding utf-8 or --encoding gbk says "
                        "which it is");
    case ImportKind::Windows1252Quote:
        return Text::tr("%1 holds characters read as GBK among Latin letters: if they stand for a "
                        "quote or a dash, the file is in another encoding (Windows-1252); save it "
                        "as UTF-8")
            .arg(quoted(v(0)));
    case ImportKind::MissingColumn:
        return Text::tr("no column for %1").arg(described(Column(column)));
    case ImportKind::NoCode:
        return Text::tr("no column for %1, nor a code in a title above it or --code")
            .arg(described(Column::Code));
    case ImportKind::NoDate:
        return Text::tr("no column for %1, nor a date in a title above it or --date")
            .arg(described(Column::Date));
    case ImportKind::TitleCodes:
        return Text::tr("the title names the codes %1 and marks none as the stock's "
                        "(招商银行(600036), 600036.SH, 代码：600036); --code gives it")
            .arg(list(values));
    case ImportKind::TitleDates:
        return Text::
            tr("the title names the dates %1 and marks none as 截止日期 or 报告期; --date gives it")
                .arg(list(values));
    case ImportKind::RatioNotOfFloat:
        return Text::tr("%1 is a ratio of all shares; float holders need the ratio of the float "
                        "(%2)")
            .arg(v(0), list(columnNames(Column::FloatRatio)));
    case ImportKind::NotSharesUnit:
        return Text::tr("%1: %2 is not a unit of shares (股, 万股, 亿股)").arg(v(0), v(1));
    case ImportKind::NotRatioUnit:
        return Text::tr("%1: %2 is not a unit of a ratio (%)").arg(v(0), v(1));
    case ImportKind::TextColumnUnit:
        return Text::tr("%1: a column of text, with the unit %2").arg(v(0), v(1));
    case ImportKind::UnusedColumns:
        return Text::tr("columns not used: %1").arg(list(values));
    case ImportKind::TitleRead: {
        QStringList read;
        if (!v(0).isEmpty())
            read << Text::tr("code %1").arg(v(0));
        if (!v(1).isEmpty())
            read << Text::tr("name %1").arg(v(1));
        if (!v(2).isEmpty())
            read << Text::tr("date %1").arg(v(2));
        return Text::tr("read from its title: %1").arg(list(read));
    }
    case ImportKind::FileNameRead: {
        QStringList read;
        if (!v(0).isEmpty())
            read << Text::tr("code %1").arg(v(0));
        if (!v(1).isEmpty())
            read << Text::tr("date %1").arg(v(1));
        if (!v(2).isEmpty())
            read << Text::tr("table %1").arg(v(2));
        return Text::tr("read from its file name: %1").arg(list(read));
    }
    case ImportKind::KindAssumed:
        return Text::tr(
            "says neither 十大股东 nor 十大流通股东: read as 十大股东 (--float, a title or "
            "十大流通股东 in the file's name marks float holders)");
    case ImportKind::KindUnknown:
        return Text::tr(
                   "the table of %1 on %2 says neither 十大股东 nor 十大流通股东, and the one at "
                   "%3 is of %4: a title line, --float, or 十大股东 or 十大流通股东 in this "
                   "file's name says which it is")
            .arg(v(0), v(1), v(2), v(3));
    case ImportKind::TitleWithoutHeader:
        return Text::tr("a title with no header row under it");
    case ImportKind::FieldCount:
        return v(0) == u"1"_s ? Text::tr("1 field where the header has %1").arg(v(1))
                              : Text::tr("%1 fields where the header has %2").arg(v(0), v(1));
    case ImportKind::RowAfterNote:
        return Text::tr("a holder row after the note on line %1 that ends its table").arg(other);
    case ImportKind::NotCode:
        return Text::tr("not a stock code: %1").arg(quoted(v(0)));
    case ImportKind::NoCodeInRow:
        return Text::tr("no stock code");
    case ImportKind::NotDate:
        return Text::tr("not a date: %1").arg(quoted(v(0)));
    case ImportKind::NoDateInRow:
        return Text::tr("no report date");
    case ImportKind::NotNumber:
        return Text::tr("not %1: %2").arg(oneOf(column), quoted(v(0)));
    case ImportKind::Grouping:
        return Text::tr("not %1: %2 (thousands are separated every three digits)")
            .arg(oneOf(column), quoted(v(0)));
    case ImportKind::Rounded:
        return Text::tr("%1 %2 holds %3 significant digits of a count of %4: a spreadsheet "
                        "rounded it. Format the column as a number without decimals (not General) "
                        "and export again")
            .arg(thing(column), quoted(v(0)), v(1), v(2));
    case ImportKind::AmbiguousNumber:
        return Text::tr("%1 %2 reads as %3 or as %4, and no other number in the file shows "
                        "whether a point is its decimal mark: export the numbers without "
                        "thousands separators")
            .arg(thing(column), quoted(v(0)), v(1), v(2));
    case ImportKind::DecimalPointAfterComma:
        return Text::tr("%1 has a decimal point, but %2 on line %3 a decimal comma: export the "
                        "file with one decimal mark")
            .arg(quoted(v(0)), quoted(v(1)), other);
    case ImportKind::DecimalCommaAfterPoint:
        return Text::tr("%1 has a decimal comma, but %2 on line %3 a decimal point: export the "
                        "file with one decimal mark")
            .arg(quoted(v(0)), quoted(v(1)), other);
    case ImportKind::NoShares:
        return Text::tr("no number of shares");
    case ImportKind::NegativeShares:
        return Text::tr("a negative number of shares: %1").arg(quoted(v(0)));
    case ImportKind::TooManyShares:
        return Text::tr("more shares than any company has: %1").arg(quoted(v(0)));
    case ImportKind::ChangeTooLarge:
        return Text::tr("a change of more shares than any company has: %1").arg(quoted(v(0)));
    case ImportKind::RatioOutOfRange:
        return Text::tr("a ratio outside 0 to 100%: %1").arg(quoted(v(0)));
    case ImportKind::NotRank:
        return Text::tr("not a rank: %1").arg(quoted(v(0)));
    case ImportKind::NotChange:
        return Text::tr("not a change: %1 (a change is a number of shares, such as -1000000, "
                        "增持100 or 减少3000股, or words without a number, such as 新进)")
            .arg(quoted(v(0)));
    case ImportKind::HolderEmpty:
        return Text::tr("the holder's name is empty");
    case ImportKind::ControlCharacter:
        return Text::tr("%1 holds (U+%2), a control character").arg(thing(column), v(0));
    case ImportKind::NotInGbk:
        return Text::tr("%1 holds %2 (U+%3), which GBK cannot hold: %4")
            .arg(thing(column), v(0), v(1), v(2));
    case ImportKind::ColumnBar:
        return Text::tr("%1 holds │, which a data file's rows keep between their columns: %2 "
                        "(write it as | or ｜ in the export)")
            .arg(thing(column), quoted(v(0)));
    case ImportKind::ForeignCodes:
        return Text::tr("%1 rows of stocks outside Shanghai, Shenzhen and Beijing left out, the "
                        "first of %2 (Gegu holds A shares only)")
            .arg(v(0), v(1));
    case ImportKind::OnlyForeignCodes:
        return Text::tr("every row is of a stock outside Shanghai, Shenzhen and Beijing, the "
                        "first of %1 (Gegu holds A shares only)")
            .arg(v(1));
    case ImportKind::Disagree:
        if (v(1).isEmpty())
            return Text::tr("%1 in %2 on %3: %4 here, %5 at %6")
                .arg(v(0), v(2), v(3), v(4), v(5), v(6));
        return Text::tr("%1 (%2) in %3 on %4: %5 here, %6 at %7")
            .arg(v(0), v(1), v(2), v(3), v(4), v(5), v(6));
    case ImportKind::NamesCollide:
        return Text::tr("%1 and %2 (at %3) would both be written %4; --full-names writes names "
                        "whole")
            .arg(v(0), v(2), v(3), v(1));
    case ImportKind::PeriodsLeftOut:
        if (v(0) == u"1"_s && v(1) == u"1"_s)
            return Text::tr("1 earlier report period (1 record) left out: --history writes every "
                            "period");
        if (v(0) == u"1"_s)
            return Text::tr("1 earlier report period (%1 records) left out: --history writes "
                            "every period")
                .arg(v(1));
        return Text::tr("%1 earlier report periods (%2 records) left out: --history writes every "
                        "period")
            .arg(v(0), v(1));
    case ImportKind::NamesTooWide:
        return Text::tr("%1 holders' names do not fit the name column, or are longer than the %2 "
                        "characters searched; written whole")
            .arg(v(0), QString::number(SearchableNameLength));
    case ImportKind::NamesFieldCount:
        return Text::tr("fewer fields than the header has");
    }
    return {};
}

QString ImportMessage::message() const {
    QStringList all;
    for (const ImportFault& f : faults)
        all << f.words();
    return all.join(Text::tr("; "));
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
