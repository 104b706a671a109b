// The user's own exports and the data file built from them: earlier periods stay; an import that
// fails, or a write that fails, changes nothing; a drop killed halfway leaves things as they were
// or is made good at the next start; Gegu's own temporary files are never taken for exports.

#include "holdings/data_file.h"
#include "holdings/gbk.h"
#include "import/data_workflow.h"
#include "import/export_folder.h"
#include "posix_only.h"
#include "processes.h"
#include "queries/history.h"
#include "support.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#if !defined(Q_OS_WIN)
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

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
    void temporaryFilesAreNeverExports();
    void killedDropIsAsItWasOrMadeGood_data();
    void killedDropIsAsItWasOrMadeGood();
    void failedRestoreKeepsBothVersions();
    void exportChangedByHandIsBuiltAgain();
    void keepImportsAsADropDoes();
    void anotherPeriodUnderTheSameNameKeepsBoth();
    void keptExportsAreRemovedAtTheUsersWord();
    void answersKeptInTheNameAreReadBack();

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

void ExportFolderTest::temporaryFilesAreNeverExports() {
    // What a killed process left: a cut export and a data file under Gegu's temporary names, and
    // a second copy. Never read as exports; the next drop removes Gegu's temporary files, and
    // only those.
    QCOMPARE(
        folder_->add({dropped(u"q1.csv"_s, exportOf(u"2024-03-31"_s, {{u"甲"_s, 100}}))}).outcome,
        ExportFolder::Result::Outcome::Built);
    const QDir exports(displayName(folder_->exportsFolder()));
    const QDir data(displayName(folder_->folder()));
    const auto leave = [](const QString& path, const QByteArray& bytes) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    leave(exports.filePath(u".gegu-12345.part"_s), "证券代码,证券简称,截止日期,股东名称,持股");
    leave(exports.filePath(u".gegu-77.earlier"_s), exportOf(u"2024-03-31"_s, {{u"甲"_s, 5}}));
    leave(exports.filePath(u".gegu-x.part"_s), "a user's own");
    leave(exports.filePath(u".notes"_s), "a user's own");
    leave(data.filePath(u".gegu-9.part"_s), "0\r\n");
    QCOMPARE(kept(), QStringList{u"q1.csv"_s});
    QCOMPARE(folder_->dataFileState(), ExportFolder::DataFile::Current);

    QCOMPARE(
        folder_->add({dropped(u"q2.csv"_s, exportOf(u"2024-06-30"_s, {{u"甲"_s, 200}}))}).outcome,
        ExportFolder::Result::Outcome::Built);
    QCOMPARE(kept(), (QStringList{u"q1.csv"_s, u"q2.csv"_s}));
    const auto hidden = [](const QDir& dir) {
        return dir.entryList(QDir::Files | QDir::Hidden).filter(QRegularExpression(u"^\\."_s));
    };
    QCOMPARE(hidden(exports),
             (QStringList{u".built"_s, u".gegu-77.earlier"_s, u".gegu-x.part"_s, u".notes"_s}));
    QCOMPARE(hidden(data), QStringList{}); // the lock goes with the drop
}

void ExportFolderTest::killedDropIsAsItWasOrMadeGood_data() {
    // A drop (q1.csv corrected, q2.csv new) killed at each step that changes files.
    QTest::addColumn<int>("step");
    QTest::addColumn<bool>("asItWas"); // else: the next start builds the data file again
    QTest::newRow("the new files written") << int(ExportFolder::Step::FilesWritten) << true;
    QTest::newRow("the stamp written") << int(ExportFolder::Step::StampWritten) << true;
    QTest::newRow("the exports kept") << int(ExportFolder::Step::ExportsKept) << false;
    QTest::newRow("the data file in place") << int(ExportFolder::Step::DataFileKept) << false;
}

void ExportFolderTest::killedDropIsAsItWasOrMadeGood() {
    SKIP_ON_WINDOWS("a process killed by a signal");
#if !defined(Q_OS_WIN)
    QFETCH(int, step);
    QFETCH(bool, asItWas);
    const QByteArray first = exportOf(u"2024-03-31"_s, {{u"甲"_s, 100}});
    QCOMPARE(folder_->add({dropped(u"q1.csv"_s, first)}).outcome,
             ExportFolder::Result::Outcome::Built);
    const QByteArray dataBefore = readAll(displayName(folder_->dataFile()));
    const std::vector<NativePath> drop{
        dropped(u"q1.csv"_s, exportOf(u"2024-03-31"_s, {{u"甲"_s, 300}})),
        dropped(u"q2.csv"_s, exportOf(u"2024-06-30"_s, {{u"甲"_s, 400}}))};

    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        ExportFolder folder(folder_->folder());
        folder.setStepHook([step](ExportFolder::Step s) {
            if (int(s) == step)
                ::raise(SIGKILL);
        });
        folder.add(drop);
        ::_exit(0); // not killed: a step was missed
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    if (asItWas) {
        QCOMPARE(kept(), QStringList{u"q1.csv"_s});
        QCOMPARE(readAll(displayName(folder_->exportsFolder() / "q1.csv")), first);
        QCOMPARE(readAll(displayName(folder_->dataFile())), dataBefore);
        QCOMPARE(folder_->dataFileState(), ExportFolder::DataFile::Current);
        QVERIFY(!DataWorkflow::repair(folder_->folder()));
        return;
    }
    // The exports are in: the next start builds the data file from them.
    QCOMPARE(kept(), (QStringList{u"q1.csv"_s, u"q2.csv"_s}));
    if (step == int(ExportFolder::Step::ExportsKept)) {
        QCOMPARE(folder_->dataFileState(), ExportFolder::DataFile::Stale);
        const auto repaired = DataWorkflow::repair(folder_->folder());
        QVERIFY(repaired);
        QCOMPARE(repaired->outcome, ExportFolder::Result::Outcome::Built);
    }
    QCOMPARE(folder_->dataFileState(), ExportFolder::DataFile::Current);
    QCOMPARE(periods(), (QStringList{u"2024-06-30"_s, u"2024-03-31"_s}));
    QVERIFY(decodeGbk(readAll(displayName(folder_->dataFile()))).contains(u"0.03"_s)); // 300 股
#endif
}

void ExportFolderTest::failedRestoreKeepsBothVersions() {
    // The data file cannot be put in place, and the export replaced cannot be put back: the
    // result names both versions, and neither is removed.
    const QByteArray first = exportOf(u"2024-03-31"_s, {{u"甲"_s, 100}});
    QCOMPARE(folder_->add({dropped(u"q1.csv"_s, first)}).outcome,
             ExportFolder::Result::Outcome::Built);
    const QString q1 = displayName(folder_->exportsFolder() / "q1.csv");
    ExportFolder folder(folder_->folder());
    folder.setStepHook([&](ExportFolder::Step s) {
        if (s != ExportFolder::Step::ExportsKept)
            return;
        // Where the data file and the kept export go, folders that are not empty.
        for (const QString& path : {displayName(folder_->dataFile()), q1}) {
            QVERIFY(QFile::remove(path));
            QVERIFY(QDir().mkpath(path + u"/in the way"_s));
        }
    });
    const QByteArray second = exportOf(u"2024-03-31"_s, {{u"甲"_s, 300}});
    const auto result = folder.add({dropped(u"q1.csv"_s, second)});
    QCOMPARE(result.outcome, ExportFolder::Result::Outcome::WriteFailed);
    QVERIFY(!result.writeError.isEmpty());
    QCOMPARE(result.unrestored.size(), size_t(1));
    QCOMPARE(displayName(result.unrestored[0].path), q1);
    QVERIFY(displayName(result.unrestored[0].earlier.filename()).endsWith(u".earlier"_s));
    QVERIFY(!result.unrestored[0].reason.isEmpty());
    QCOMPARE(readAll(displayName(result.unrestored[0].earlier)), first);
    // Kept by the next drop too: not a temporary file of Gegu's.
    QDir(q1).removeRecursively();
    QDir(displayName(folder_->dataFile())).removeRecursively();
    QCOMPARE(
        folder_->add({dropped(u"q3.csv"_s, exportOf(u"2024-09-30"_s, {{u"乙"_s, 1}}))}).outcome,
        ExportFolder::Result::Outcome::Built);
    QCOMPARE(readAll(displayName(result.unrestored[0].earlier)), first);
}

void ExportFolderTest::exportChangedByHandIsBuiltAgain() {
    QCOMPARE(
        folder_->add({dropped(u"q1.csv"_s, exportOf(u"2024-03-31"_s, {{u"甲"_s, 100}}))}).outcome,
        ExportFolder::Result::Outcome::Built);
    QCOMPARE(folder_->dataFileState(), ExportFolder::DataFile::Current);
    QVERIFY(!DataWorkflow::repair(folder_->folder()));
    // An export put into exports/ by hand.
    QFile byHand(displayName(folder_->exportsFolder() / "q2.csv"));
    QVERIFY(byHand.open(QIODevice::WriteOnly));
    byHand.write(exportOf(u"2024-06-30"_s, {{u"甲"_s, 200}}));
    byHand.close();
    QCOMPARE(folder_->dataFileState(), ExportFolder::DataFile::Stale);
    QVERIFY(!folder_->holdsOtherDataFile());
    const auto repaired = DataWorkflow::repair(folder_->folder());
    QVERIFY(repaired);
    QCOMPARE(repaired->outcome, ExportFolder::Result::Outcome::Built);
    QCOMPARE(repaired->keptExports, 2);
    QCOMPARE(periods(), (QStringList{u"2024-06-30"_s, u"2024-03-31"_s}));
    QCOMPARE(folder_->dataFileState(), ExportFolder::DataFile::Current);
    // A stamp of the one line that earlier versions wrote: built here, of exports unknown.
    const std::optional<FileState> state = fileStateAt(folder_->dataFile());
    QFile stamp(displayName(folder_->exportsFolder() / ".built"));
    QVERIFY(stamp.open(QIODevice::WriteOnly));
    stamp.write(QByteArray::number(state->device) + ' ' + QByteArray::number(state->inode) + ' ' +
                QByteArray::number(state->size) + ' ' + QByteArray::number(state->modified) + '\n');
    stamp.close();
    QCOMPARE(folder_->dataFileState(), ExportFolder::DataFile::Stale);
}

void ExportFolderTest::anotherPeriodUnderTheSameNameKeepsBoth() {
    // A broker names every quarter's export alike: the second never takes the first's place.
    QCOMPARE(folder_->add({dropped(u"招商银行.csv"_s, exportOf(u"2024-03-31"_s, {{u"甲"_s, 100}}))})
                 .outcome,
             ExportFolder::Result::Outcome::Built);
    auto result =
        folder_->add({dropped(u"招商银行.csv"_s, exportOf(u"2024-06-30"_s, {{u"甲"_s, 200}}))});
    QCOMPARE(result.outcome, ExportFolder::Result::Outcome::Built);
    QCOMPARE(result.added, QStringList{u"招商银行 (2).csv"_s});
    QCOMPARE(result.keptBeside.size(), size_t(1));
    QCOMPARE(result.keptBeside.front(), std::pair(u"招商银行 (2).csv"_s, u"招商银行.csv"_s));
    QVERIFY(result.replaced.isEmpty());
    QCOMPARE(kept(), (QStringList{u"招商银行 (2).csv"_s, u"招商银行.csv"_s}));
    QCOMPARE(periods(), (QStringList{u"2024-06-30"_s, u"2024-03-31"_s}));
    QCOMPARE(result.keptExports, 2);

    // One that holds every period of the kept one, and more, takes its place.
    result = folder_->add(
        {dropped(u"招商银行.csv"_s, exportOf(u"2024-03-31"_s, {{u"甲"_s, 100}}) +
                                        exportOf(u"2023-12-31"_s, {{u"甲"_s, 50}})
                                            .sliced(exportOf(u"2023-12-31"_s, {}).size()))});
    QCOMPARE(result.outcome, ExportFolder::Result::Outcome::Built);
    QCOMPARE(result.added, QStringList{u"招商银行.csv"_s});
    QCOMPARE(result.replaced, QStringList{u"招商银行.csv"_s});
    QCOMPARE(periods(), (QStringList{u"2024-06-30"_s, u"2024-03-31"_s, u"2023-12-31"_s}));
}

void ExportFolderTest::keptExportsAreRemovedAtTheUsersWord() {
    QCOMPARE(folder_
                 ->add({dropped(u"q1.csv"_s, exportOf(u"2024-03-31"_s, {{u"甲"_s, 100}})),
                        dropped(u"q2.csv"_s, exportOf(u"2024-06-30"_s, {{u"甲"_s, 200}}))})
                 .outcome,
             ExportFolder::Result::Outcome::Built);
    // What each holds, read alone.
    const std::vector<ExportFolder::KeptExport> described = folder_->describeKept();
    QCOMPARE(described.size(), size_t(2));
    QCOMPARE(displayName(described[0].name), u"q1.csv"_s);
    QCOMPARE(described[0].stocks, 1);
    QCOMPARE(described[0].dates, QStringList{u"2024-03-31"_s});
    QVERIFY(described[0].error.isEmpty());
    QVERIFY(qAbs(described[0].kept.secsTo(QDateTime::currentDateTime())) < 600);

    auto result = folder_->remove({NativePath("q1.csv")});
    QCOMPARE(result.outcome, ExportFolder::Result::Outcome::Built);
    QCOMPARE(result.removed, QStringList{u"q1.csv"_s});
    QCOMPARE(kept(), QStringList{u"q2.csv"_s});
    QCOMPARE(periods(), QStringList{u"2024-06-30"_s});
    QCOMPARE(folder_->dataFileState(), ExportFolder::DataFile::Current);

    // The last one takes the data file built from it along.
    result = folder_->remove({NativePath("q2.csv")});
    QCOMPARE(result.outcome, ExportFolder::Result::Outcome::Built);
    QVERIFY(result.dataFileRemoved);
    QVERIFY(kept().isEmpty());
    QVERIFY(!std::filesystem::exists(folder_->dataFile()));
    QCOMPARE(folder_->dataFileState(), ExportFolder::DataFile::None);
}

void ExportFolderTest::answersKeptInTheNameAreReadBack() {
    // A table without code, date or kind, kept under the name that says what the user answered:
    // read so now and at every rebuild.
    const QByteArray bare = "名次,股东名称,持股数量(股),占流通股比例(%)\n1,甲,1000000,1.5\n";
    const QString name = keptNamePrefix(600036, 20240630, true) + u"bare (1).csv"_s;
    auto result = folder_->add(
        std::vector<ExportFolder::NewExport>{{dropped(u"bare (1).csv"_s, bare), nativePath(name)}});
    QCOMPARE(result.outcome, ExportFolder::Result::Outcome::Built);
    QCOMPARE(kept(), QStringList{name});
    QCOMPARE(readAll(displayName(folder_->exportsFolder() / nativePath(name))), bare);
    const auto headers = [&] {
        const HoldingsTable table = loadHoldingsFile(folder_->dataFile());
        QStringList all;
        for (qsizetype r = 0; r < table.recordCount(); ++r)
            all << table.header(r);
        return all;
    };
    QCOMPARE(headers(), QStringList{u"600036  十大流通股东  2024-06-30"_s});
    QCOMPARE(folder_->rebuild().outcome, ExportFolder::Result::Outcome::Built);
    QCOMPARE(headers(), QStringList{u"600036  十大流通股东  2024-06-30"_s});
}

void ExportFolderTest::keepImportsAsADropDoes() {
    // gegu-import --keep: the exports join the user's kept ones, the user's data file is built
    // from all of them, and it says which file answers in its place where Gegu starts.
    Setup setup;
    QVERIFY(QDir().mkpath(dir_->filePath(u"work"_s)));
    setup.workingDir = dir_->filePath(u"work"_s);
#if defined(Q_OS_WIN)
    const QString user = displayName(userDataDirectory());
    if (QFileInfo::exists(user))
        QSKIP("the user's data folder exists: a test leaves it alone");
    const auto removeUser = qScopeGuard([&] { QDir(user).removeRecursively(); });
#else
    setup.environment.insert(u"XDG_DATA_HOME"_s, dir_->filePath(u"home"_s));
    setup.environment.insert(u"XDG_DATA_DIRS"_s, dir_->filePath(u"system"_s));
    const QString user = dir_->filePath(u"home/gegu"_s);
#endif
    const QString program = QStringLiteral(GEGU_IMPORT_PATH);
    const QString q1 =
        displayName(dropped(u"q1.csv"_s, exportOf(u"2024-03-31"_s, {{u"甲"_s, 100}})));
    const QString q2 =
        displayName(dropped(u"q2.csv"_s, exportOf(u"2024-06-30"_s, {{u"甲"_s, 200}})));
    const QString dataFile = QDir::toNativeSeparators(user + u"/gegusj.rar"_s);
    const QString exports = QDir::toNativeSeparators(user + u"/exports"_s);
    Run r = runProcess(program, {u"--keep"_s, q1}, setup);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(QString::fromUtf8(r.err), u"gegu-import: kept q1.csv in "_s + exports +
                                           u"\ngegu-import: wrote "_s + dataFile +
                                           u" from 1 kept export: 1 stock, 1 period, 1 record\n"_s);
    QVERIFY(!QFileInfo::exists(setup.workingDir + u"/gegusj.rar"_s));

    // A data file in the current folder comes first where Gegu starts there: said.
    QVERIFY(runProcess(program, {q1}, setup).exitCode == 0); // gegusj.rar here
    r = runProcess(program, {u"--keep"_s, q2}, setup);
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.contains("wrote " + dataFile.toUtf8() + " from 2 kept exports"), r.err.data());
    QVERIFY2(r.err.endsWith("gegu-import: note: gegusj.rar answers in its place where Gegu starts "
                            "here; remove or rename it to let " +
                            dataFile.toUtf8() + " answer\n"),
             r.err.data());
    const ExportFolder folder(nativePath(user));
    QCOMPARE(folder.dataFileState(), ExportFolder::DataFile::Current);

    // Only --force goes with it; an error keeps nothing.
    r = runProcess(program, {u"--keep"_s, u"--history"_s, q2}, setup);
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.err.startsWith("gegu-import: --keep takes no option but --force"));
    r = runProcess(program, {u"--keep"_s, u"-o"_s, u"x.rar"_s, q2}, setup);
    QCOMPARE(r.exitCode, 2);
    const QString bad =
        displayName(dropped(u"bad.csv"_s, exportOf(u"2024-03-31"_s, {{u"甲"_s, 999}}), u"other"_s));
    r = runProcess(program, {u"--keep"_s, bad}, setup);
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.endsWith("gegu-import: nothing kept, " + dataFile.toUtf8() + " unchanged\n"),
             r.err.data());
    QCOMPARE(folder.keptExports().size(), size_t(2));

    // A data file that was not built from kept exports is replaced only with --force.
    QFile other(dataFile);
    QVERIFY(other.open(QIODevice::Append));
    other.write("\r\n");
    other.close();
    r = runProcess(program, {u"--keep"_s, q2}, setup);
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(QString::fromUtf8(r.err), u"gegu-import: "_s + dataFile +
                                           u" was not built from kept exports; --force replaces "
                                           u"it\n"_s);
    r = runProcess(program, {u"--keep"_s, u"--force"_s, q2}, setup);
    QCOMPARE(r.exitCode, 0);
}

QTEST_GUILESS_MAIN(ExportFolderTest)
#include "tst_export_folder.moc"
