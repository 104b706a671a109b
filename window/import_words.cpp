#include "import_words.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

struct Text {
    Q_DECLARE_TR_FUNCTIONS(ImportWindow)
};

} // namespace

QString windowWords(const ImportFault& fault) {
    const auto v = [&](qsizetype i) {
        return i < fault.values.size() ? fault.values[i] : QString();
    };
    // Where the command line names an option, the window names what can be done there.
    switch (fault.kind) {
    case ImportKind::StrayByte:
        return Text::tr("a byte that is not UTF-8, where the rest of the file is UTF-8: save the "
                        "file as UTF-8 again and drop it again");
    case ImportKind::NeitherEncoding:
        return Text::tr("neither UTF-8 nor GBK: save the file as CSV UTF-8 or as Unicode text, "
                        "then drop it again");
    case ImportKind::EncodingsTie:
        return Text::tr("reads as well in UTF-8 as in GBK: save the file as CSV UTF-8 (with its "
                        "byte order mark) or as Unicode text, then drop it again");
    case ImportKind::NoCode:
        return Text::tr("no column for the stock code, nor a code in a title above the table or "
                        "in the file's name: answer the question when the file is dropped, or name "
                        "it by its code and date (600036_2024-06-30.csv)");
    case ImportKind::NoDate:
        return Text::tr("no column for the report date, nor a date in a title above the table or "
                        "in the file's name: answer the question when the file is dropped, or name "
                        "it by its code and date (600036_2024-06-30.csv)");
    case ImportKind::TitleCodes:
        return Text::tr("the title names the codes %1 and marks none as the stock's: answer the "
                        "question when the file is dropped")
            .arg(fault.values.join(Text::tr(", ")));
    case ImportKind::TitleDates:
        return Text::tr("the title names the dates %1 and marks none as 截止日期 or 报告期: answer "
                        "the question when the file is dropped")
            .arg(fault.values.join(Text::tr(", ")));
    case ImportKind::NamesCollide:
        return Text::tr("%1 and %2 (at %3) would both be written %4: shorten one of them in the "
                        "file and drop it again")
            .arg(v(0), v(2), v(3), v(1));
    case ImportKind::PeriodsLeftOut:
        return {}; // the window keeps every period
    case ImportKind::KindAssumed:
        return Text::tr("says neither 十大股东 nor 十大流通股东: read as 十大股东 (a title or "
                        "十大流通股东 in the file's name marks float holders)");
    case ImportKind::KindUnknown:
        return Text::tr(
                   "the table of %1 on %2 says neither 十大股东 nor 十大流通股东, and the one at "
                   "%3 is of %4: answer the question when the file is dropped, or put "
                   "十大股东 or 十大流通股东 in its name")
            .arg(v(0), v(1), v(2), v(3));
    default:
        return fault.words();
    }
}

QString windowText(const ImportMessage& message) {
    QStringList all;
    for (const ImportFault& f : message.faults)
        all << windowWords(f);
    const QString what = all.join(Text::tr("; "));
    if (message.file.isEmpty())
        return what;
    // One pass over each pattern: a file name may hold "%1".
    return message.line > 0
               ? Text::tr("%1, line %2: %3").arg(message.file, QString::number(message.line), what)
               : Text::tr("%1: %2").arg(message.file, what);
}

} // namespace gegu
