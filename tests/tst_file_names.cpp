// What an export's file name tells: the code, the report date and the table, only where the name
// reads one way.

#include "import/file_name_hints.h"

#include <QTest>

using namespace gegu;
using namespace Qt::StringLiterals;

class FileNamesTest : public QObject {
    Q_OBJECT
private slots:
    void hints_data();
    void hints();
    void keptNamesReadBack_data();
    void keptNamesReadBack();
};

void FileNamesTest::hints_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("code");  // 0: none
    QTest::addColumn<int>("date");  // 0: none
    QTest::addColumn<int>("table"); // -1 unsaid, 0 holders, 1 float holders

    const auto row = [](const QString& name, int code, int date, int table = -1) {
        QTest::newRow(qPrintable(name)) << name << code << date << table;
    };
    // A data library's per-stock tables, a broker's, a spreadsheet's.
    row(u"600519_20240630.csv"_s, 600519, 20240630);
    row(u"000002-2024-03-31.txt"_s, 2, 20240331);
    row(u"招商银行600036_2024中报.csv"_s, 600036, 20240630);
    row(u"600036 2024半年报.csv"_s, 600036, 20240630);
    row(u"600036_2024年中报.csv"_s, 600036, 20240630);
    row(u"600036 2024一季报.csv"_s, 600036, 20240331);
    row(u"600036 2024三季报.csv"_s, 600036, 20240930);
    row(u"600036 2023年报.csv"_s, 600036, 20231231);
    row(u"600036_十大流通股东.csv"_s, 600036, 0, 1);
    row(u"十大股东 20241231 830799.csv"_s, 830799, 20241231, 0);
    row(u"20240930.csv"_s, 0, 20240930);
    row(u"holders.csv"_s, 0, 0);
    // Anything else is not used.
    row(u"股东_20240821_153012.csv"_s, 0, 0);     // a time stamp: 20240821 ends no period
    row(u"600036_20240821.csv"_s, 0, 0);          // nor does it here
    row(u"600036_600000_20240630.csv"_s, 0, 0);   // two codes
    row(u"600036_20240630_20231231.csv"_s, 0, 0); // two dates
    row(u"6000361_20240630.csv"_s, 0, 0);         // seven digits
    row(u"600036 (2).csv"_s, 600036, 0);          // a copy's number
    row(u"600036 2.csv"_s, 0, 0);                 // another number
    row(u"000000_20240630.csv"_s, 0, 20240630);   // no stock has code 0
    row(u"600036_2024-6-30.csv"_s, 0, 0);         // not as written here
    row(u"600036_2024.csv"_s, 0, 0);              // a year alone
    row(u"600036_1899-12-31.csv"_s, 0, 0);
    row(u"十大流通股东_x.csv"_s, 0, 0, 1); // the table alone is read all the same
}

void FileNamesTest::hints() {
    QFETCH(QString, name);
    QFETCH(int, code);
    QFETCH(int, date);
    QFETCH(int, table);
    const FileNameHints h = hintsFromFileName(name);
    QCOMPARE(h.code.value_or(0), code);
    QCOMPARE(h.date.value_or(0), date);
    QCOMPARE(h.floatHolders ? int(*h.floatHolders) : -1, table);
}

void FileNamesTest::keptNamesReadBack_data() {
    QTest::addColumn<QString>("original");
    QTest::newRow("a name with numbers of its own") << u"export (2) 20240821 153012.csv"_s;
    QTest::newRow("a name that reads otherwise") << u"600000_20231231.csv"_s;
    QTest::newRow("plain") << u"holders.csv"_s;
}

void FileNamesTest::keptNamesReadBack() {
    // What the user answered for an export, kept in its name, is read back whatever the rest.
    QFETCH(QString, original);
    for (const bool floatHolders : {false, true}) {
        const FileNameHints h =
            hintsFromFileName(keptNamePrefix(36, 20240630, floatHolders) + original);
        QCOMPARE(h.code.value_or(0), 36);
        QCOMPARE(h.date.value_or(0), 20240630);
        QCOMPARE(h.floatHolders, std::optional<bool>(floatHolders));
    }
    QCOMPARE(keptNamePrefix(36, 20240630, true), u"000036_2024-06-30_十大流通股东_"_s);
}

QTEST_GUILESS_MAIN(FileNamesTest)
#include "tst_file_names.moc"
