// The user's own exports and the data file built from them: earlier periods stay, and an import
// that fails, or a write that fails, changes nothing.

#include "holdings/data_file.h"
#include "holdings/gbk.h"
#include "import/export_folder.h"
#include "queries/history.h"
#include "support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace gegu;
using namespace gegu::test;
using namespace Qt::StringLiterals;

namespace {

// An export of one stock's top holders in one period, as a data library writes it (UTF-8).
QByteArray exportOf(const QString& date, const QList<std::pair<QString, qint64>>& holders) {
    QByteArray csv = "证券代码,证券简称,截止日期,股东名称,持股数量(股),占总股本比例(%)\n";
    for (const auto& [name, shares] : holders)
        csv += "600036,招商银行," + date.toUtf8() + ',' + name.toUtf8() + ',' +
               QByteArray::number(shares) + ",1.00\n";
    return csv;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class ExportFolderTest : public QObject {
    Q_OBJECT
private slots:
    void init();

    void earlierPeriodsStay();
    void failedImportChangesNothing_data();
    void failedImportChangesNothing();
    void sameNameTakesThePlaceOfTheKeptOne();
    void failedWritePutsTheExportsBack();
    void knowsADataFileItDidNotBuild();

private:
    // Writes a file to drop, in a folder of its own.
    NativePath dropped(const QString& name, const QByteArray& bytes, const QString& from = u"in"_s);
    QStringList kept() const;
    // The report dates of 600036 in the data file built.
    QStringList periods() const;

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<ExportFolder> folder_;
};

void ExportFolderTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    folder_ = std::make_unique<ExportFolder>(nativePath(dir_->filePath(u"data"_s)));
}

NativePath ExportFolderTest::dropped(const QString& name, const QByteArray& bytes,
                                     const QString& from) {
    QDir().mkpath(dir_->filePath(from));
    const QString path = dir_->filePath(from + u'/' + name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return nativePath(path);
}

QStringList ExportFolderTest::kept() const {
    QStringList names;
    for (const NativePath& name : folder_->keptExports())
        names << displayName(name);
    return names;
}

QStringList ExportFolderTest::periods() const {
    const HoldingsTable table = loadHoldingsFile(folder_->dataFile());
    QStringList dates;
    for (const Period& p : stockPeriods(table, 600036))
        dates << p.date;
    return dates;
}

void ExportFolderTest::earlierPeriodsStay() {
    // Nothing to build from: nothing written.
    QCOMPARE(folder_->add({dropped(u"empty.csv"_s, exportOf(u"2024-03-31"_s, {}))}).outcome,
             ExportFolder::Result::Outcome::NoRows);
    QVERIFY(!std::filesystem::exists(folder_->dataFile()));
    QVERIFY(kept().isEmpty());

    auto result = folder_->add({dropped(u"q1.csv"_s, exportOf(u"2024-03-31"_s, {{u"甲"_s, 100}}))});
    QCOMPARE(result.outcome, ExportFolder::Result::Outcome::Built);
    QCOMPARE(result.added, QStringList{u"q1.csv"_s});
    QCOMPARE(periods(), QStringList{u"2024-03-31"_s});

    result = folder_->add({dropped(u"q2.csv"_s, exportOf(u"2024-06-30"_s, {{u"甲"_s, 200}}))});
    QCOMPARE(result.outcome, ExportFolder::Result::Outcome::Built);
    QCOMPARE(periods(), (QStringList{u"2024-06-30"_s, u"2024-03-31"_s}));
    QCOMPARE(kept(), (QStringList{u"q1.csv"_s, u"q2.csv"_s}));
    // Kept as dropped, byte for byte.
    QCOMPARE(readAll(displayName(folder_->exportsFolder() / "q2.csv")),
             exportOf(u"2024-06-30"_s, {{u"甲"_s, 200}}));
}

void ExportFolderTest::failedImportChangesNothing_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("error");
    using Outcome = ExportFolder::Result::Outcome;
    // 甲 holds 100 in the kept q1.csv: another figure for the same date is a conflict.
    QTest::newRow("disagrees with a kept export") << exportOf(u"2024-03-31"_s, {{u"甲"_s, 999}})
                                                  << int(Outcome::ImportFailed) << u"q1.csv:2"_s;
    QTest::newRow("a bad row") << QByteArray(exportOf(u"2024-06-30"_s, {}) +
                                             "600036,招商银行,2024-06-30,乙,many,1.00\n")
                               << int(Outcome::ImportFailed) << u"new.csv:2"_s;
    QTest::newRow("not an export")
        << QByteArray("hello\n") << int(Outcome::ImportFailed) << u"new.csv: has no header row"_s;
}

void ExportFolderTest::failedImportChangesNothing() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, outcome);
    QFETCH(QString, error);
    QCOMPARE(
        folder_->add({dropped(u"q1.csv"_s, exportOf(u"2024-03-31"_s, {{u"甲"_s, 100}}))}).outcome,
        ExportFolder::Result::Outcome::Built);
    const QByteArray dataBefore = readAll(displayName(folder_->dataFile()));

    const auto result = folder_->add({dropped(u"new.csv"_s, bytes)});
    QCOMPARE(int(result.outcome), outcome);
    QStringList errors;
    for (const ImportError& e : result.errors.first())
        errors << e.text();
    if (!error.isEmpty())
        QVERIFY2(errors.join(u'\n').contains(error), qPrintable(errors.join(u'\n')));
    QCOMPARE(kept(), QStringList{u"q1.csv"_s});
    QCOMPARE(readAll(displayName(folder_->dataFile())), dataBefore);
    QVERIFY(!folder_->holdsOtherDataFile());
}

void ExportFolderTest::sameNameTakesThePlaceOfTheKeptOne() {
    QCOMPARE(
        folder_->add({dropped(u"q1.csv"_s, exportOf(u"2024-03-31"_s, {{u"甲"_s, 100}}))}).outcome,
        ExportFolder::Result::Outcome::Built);
    // A corrected q1.csv: its figures, not a conflict with the old ones.
    auto result =
        folder_->add({dropped(u"q1.csv"_s, exportOf(u"2024-03-31"_s, {{u"甲"_s, 12345600}}))});
    QCOMPARE(result.outcome, ExportFolder::Result::Outcome::Built);
    QCOMPARE(kept(), QStringList{u"q1.csv"_s});
    QVERIFY(decodeGbk(readAll(displayName(folder_->dataFile()))).contains(u"1234.56"_s));

    // Two new files of one name from two folders are both kept.
    result =
        folder_->add({dropped(u"q2.csv"_s, exportOf(u"2024-06-30"_s, {{u"乙"_s, 100}}), u"a"_s),
                      dropped(u"q2.csv"_s, exportOf(u"2024-06-30"_s, {{u"丙"_s, 100}}), u"b"_s)});
    QCOMPARE(result.outcome, ExportFolder::Result::Outcome::Built);
    QCOMPARE(result.added, (QStringList{u"q2.csv"_s, u"q2 (2).csv"_s}));
    QCOMPARE(kept(), (QStringList{u"q1.csv"_s, u"q2 (2).csv"_s, u"q2.csv"_s}));
}

void ExportFolderTest::failedWritePutsTheExportsBack() {
    const QByteArray first = exportOf(u"2024-03-31"_s, {{u"甲"_s, 100}});
    QCOMPARE(folder_->add({dropped(u"q1.csv"_s, first)}).outcome,
             ExportFolder::Result::Outcome::Built);
    // A folder where the data file goes: it cannot be written.
    std::filesystem::remove(folder_->dataFile());
    std::filesystem::create_directory(folder_->dataFile());

    const auto result =
        folder_->add({dropped(u"q1.csv"_s, exportOf(u"2024-03-31"_s, {{u"甲"_s, 300}})),
                      dropped(u"q2.csv"_s, exportOf(u"2024-06-30"_s, {{u"甲"_s, 100}}))});
    QCOMPARE(result.outcome, ExportFolder::Result::Outcome::WriteFailed);
    QVERIFY(!result.writeError.isEmpty());
    QCOMPARE(kept(), QStringList{u"q1.csv"_s});
    QCOMPARE(readAll(displayName(folder_->exportsFolder() / "q1.csv")), first);
}

void ExportFolderTest::knowsADataFileItDidNotBuild() {
    QVERIFY(!folder_->holdsOtherDataFile()); // none at all
    QVERIFY(QDir().mkpath(displayName(folder_->dataFile().parent_path())));
    QFile other(displayName(folder_->dataFile()));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write("from gegu-import\n");
    other.close();
    QVERIFY(folder_->holdsOtherDataFile());

    QCOMPARE(
        folder_->add({dropped(u"q1.csv"_s, exportOf(u"2024-03-31"_s, {{u"甲"_s, 100}}))}).outcome,
        ExportFolder::Result::Outcome::Built);
    QVERIFY(!folder_->holdsOtherDataFile());

    // Written over from elsewhere since: not the one built here.
    QFile again(displayName(folder_->dataFile()));
    QVERIFY(again.open(QIODevice::Append));
    again.write("\n");
    again.close();
    QVERIFY(folder_->holdsOtherDataFile());
}

QTEST_GUILESS_MAIN(ExportFolderTest)
#include "tst_export_folder.moc"
