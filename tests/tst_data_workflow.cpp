// The window's data without the window: the data file in use loaded again when it changes,
// whatever a load meets on the way (a file put in its place, truncated, rewritten), and drops of
// exports into the user's data folder, which answer at once and after a restart.

#include "holdings/data_file.h"
#include "holdings/table_text.h"
#include "import/data_workflow.h"
#include "support.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QTemporaryDir>
#include <chrono>
#include <thread>

using namespace gegu;
using namespace gegu::test;
using namespace Qt::StringLiterals;

namespace {

// A data file of one stock whose header names it.
QByteArray dataFile(const QString& name, int rows = 1) {
    QStringList lines{u"0"_s, u"600036 %1  十大股东  2024-06-30"_s.arg(name), QString::number(rows),
                      u"head"_s};
    for (int i = 0; i < rows; ++i)
        lines << u"  %1 │ 1"_s.arg(name);
    return gbkFile(lines);
}

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// Puts a new file in the place of path, as gegu-import --force does.
bool replace(const QString& path, const QByteArray& bytes) {
    write(path + u".new"_s, bytes);
    std::error_code refused; // Windows: not while the file is open for reading (Wine)
    std::filesystem::rename(nativePath(path + u".new"_s), nativePath(path), refused);
    return !refused;
}

// Rewrites the file in place: truncated first, as cp over it does, or written over at the same
// size.
bool rewrite(const QString& path, const QByteArray& bytes, bool truncate) {
    QFile f(path);
    if (!f.open(truncate ? QIODevice::WriteOnly | QIODevice::Truncate : QIODevice::ReadWrite))
        return false; // Windows: not while the file is open for reading
    return f.write(bytes) == bytes.size();
}

// The name of the stock the data answers with.
QString answer(const DataFileInUse& data) {
    return readStockHeader(data.current()->table().header(0)).name;
}

// An export of 600036 in one period, as a data library writes it (UTF-8).
QByteArray exportOf(const QString& date, const QString& holder, qint64 shares) {
    return "证券代码,证券简称,截止日期,股东名称,持股数量(股),占总股本比例(%)\n600036,招商银行," +
           date.toUtf8() + ',' + holder.toUtf8() + ',' + QByteArray::number(shares) + ",1.00\n";
}

} // namespace

class DataWorkflowTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void unchangedFileIsNotLoadedAgain();
    void changeDuringALoad_data();
    void changeDuringALoad();
    void failureIsToldOnceAndTriedAgainOnChange();
    void dropAnswersNowAndAfterARestart();
    void dropOutcomes_data();
    void dropOutcomes();
    void foldersBringTheirExports();

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString previousDir_;
    QString path_;
};

void DataWorkflowTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    path_ = dir_->filePath(u"gegusj.rar"_s);
    previousDir_ = QDir::currentPath();
}

void DataWorkflowTest::cleanup() {
    QDir::setCurrent(previousDir_);
}

void DataWorkflowTest::unchangedFileIsNotLoadedAgain() {
    // A file left alone longer than the quiet time is loaded once; one changed just before its
    // load may change again unseen within the file system's time step, and is loaded again.
    LoadOptions options;
    options.quietTime = std::chrono::milliseconds(100);
    write(path_, dataFile(u"甲"_s));
    DataFileInUse data(nativePath(path_), options);
    QVERIFY(!data.current()->settled());
    QCOMPARE(data.refresh(), DataFileInUse::Refresh::Reloaded);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    QCOMPARE(data.refresh(), DataFileInUse::Refresh::Reloaded);
    QVERIFY(data.current()->settled());
    QCOMPARE(data.refresh(), DataFileInUse::Refresh::Unchanged);
    QCOMPARE(data.refresh(), DataFileInUse::Refresh::Unchanged);
    QCOMPARE(answer(data), u"甲"_s);
}

void DataWorkflowTest::changeDuringALoad_data() {
    // A load that the file changes under, at each step of it: a file put in its place, the file
    // truncated and written again, rewritten in place at the same size, or a whole file put in
    // the place of a malformed one being loaded. Whatever the load gives, once the last file
    // stands whole the next query answers from it.
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("step"); // a ReadStep, or -1: parsed
    const std::pair<const char*, int> steps[] = {{"guarded", int(ReadStep::Guarded)},
                                                 {"state taken", int(ReadStep::StateTaken)},
                                                 {"bytes read", int(ReadStep::Read)},
                                                 {"parsed", -1}};
    for (const char* change : {"replace", "truncate", "rewrite", "replaceMalformed"})
        for (const auto& [name, step] : steps)
            QTest::addRow("%s, %s", change, name) << QString::fromLatin1(change) << step;
}

void DataWorkflowTest::changeDuringALoad() {
    QFETCH(QString, change);
    QFETCH(int, step);
    // Every state counts as settled here: only the state kept after a load (the one its read
    // was checked against) decides; time steps are kept apart by waiting.
    LoadOptions options;
    options.quietTime = std::chrono::milliseconds(0);
    write(path_, dataFile(u"旧"_s));
    DataFileInUse data(nativePath(path_), options);
    QCOMPARE(answer(data), u"旧"_s);

    // The file changes (B), and while it is loaded it changes again (C, the last).
    const QByteArray b =
        change == u"replaceMalformed"_s ? "0\r\n600036 坏\r\n9\r\n"_ba : dataFile(u"中"_s);
    const QByteArray c = dataFile(u"新"_s); // as large as B where it is rewritten in place
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    QVERIFY(replace(path_, b));
    std::thread later;
    bool changed = false;
    const auto changeNow = [&] {
        if (changed)
            return;
        changed = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20)); // another time step
        const bool inPlace = change == u"truncate"_s || change == u"rewrite"_s;
        const auto apply = [&] {
            return inPlace ? rewrite(path_, c, change == u"truncate"_s) : replace(path_, c);
        };
        // Opening the file for writing waits while the load holds it (a lease; on Windows its
        // share mode, which also refuses a rename), until the load has read it.
        if ((inPlace && step != -1) || !apply())
            later = std::thread([apply] {
                while (!apply())
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
            });
    };
    LoadOptions seam = options;
    seam.step = [&](ReadStep s) {
        if (int(s) == step)
            changeNow();
    };
    seam.parsed = [&] {
        if (step == -1)
            changeNow();
    };
    data.setLoadOptions(seam);
    RuntimeError why(ErrorNumber::DeviceIOError);
    const DataFileInUse::Refresh first = data.refresh(&why);
    changeNow(); // right after a load that failed before it was parsed
    if (later.joinable())
        later.join();
    if (first == DataFileInUse::Refresh::Failed)
        QVERIFY2(change == u"replaceMalformed"_s || why.number() == ErrorNumber::DeviceIOError,
                 qPrintable(why.message()));
    if (first == DataFileInUse::Refresh::Reloaded)
        QVERIFY(answer(data) == u"中"_s || answer(data) == u"新"_s);

    // The last file stands whole: the next query answers from it.
    data.setLoadOptions(options);
    data.refresh();
    QCOMPARE(answer(data), u"新"_s);
    QCOMPARE(data.refresh(), DataFileInUse::Refresh::Unchanged);
}

void DataWorkflowTest::failureIsToldOnceAndTriedAgainOnChange() {
    LoadOptions options;
    options.quietTime = std::chrono::milliseconds(0);
    write(path_, dataFile(u"旧"_s));
    DataFileInUse data(nativePath(path_), options);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    QVERIFY(replace(path_, "0\r\n600036 坏\r\n5\r\n"_ba)); // ends before its rows: error 62
    RuntimeError why(ErrorNumber::DeviceIOError);
    QCOMPARE(data.refresh(&why), DataFileInUse::Refresh::Failed);
    QCOMPARE(int(why.number()), 62);
    QCOMPARE(data.refresh(), DataFileInUse::Refresh::Unchanged); // told once
    QCOMPARE(answer(data), u"旧"_s);
    // Not there at all: error 53, told once.
    QVERIFY(QFile::remove(path_));
    QCOMPARE(data.refresh(&why), DataFileInUse::Refresh::Failed);
    QCOMPARE(int(why.number()), 53);
    QCOMPARE(data.refresh(), DataFileInUse::Refresh::Unchanged);
    // A whole file again.
    write(path_, dataFile(u"新"_s));
    QCOMPARE(data.refresh(), DataFileInUse::Refresh::Reloaded);
    QCOMPARE(answer(data), u"新"_s);

    // Changed just before it failed: that proves nothing, and it is tried again, quietly.
    LoadOptions quiet;
    quiet.quietTime = std::chrono::seconds(60);
    data.setLoadOptions(quiet);
    QVERIFY(replace(path_, "0\r\n600036 坏\r\n5\r\n"_ba));
    QCOMPARE(data.refresh(&why), DataFileInUse::Refresh::Failed);
    int reads = 0;
    quiet.step = [&](ReadStep s) {
        reads += s == ReadStep::StateTaken;
    };
    data.setLoadOptions(quiet);
    QCOMPARE(data.refresh(), DataFileInUse::Refresh::Unchanged);
    QCOMPARE(reads, 1);
}

void DataWorkflowTest::dropAnswersNowAndAfterARestart() {
    // As a user of the Windows zip: Gegu started from its own folder, the sample in sample/
    // beside the program, a data file of their own in the current folder. A drop builds the
    // user's data file and answers from it; the summary says which file answers at the next
    // start; once that is gone, a restart answers from the drop, never from the sample.
    const QDir program(QCoreApplication::applicationDirPath());
    const QString sample = program.filePath(u"sample/gegusj.rar"_s);
    if (QFileInfo::exists(sample))
        QSKIP("a sample stands beside the tests: left as it is");
    QVERIFY(QDir().mkpath(QFileInfo(sample).path()));
    write(sample, dataFile(u"示例"_s));
    const auto removeSample = qScopeGuard([&] {
        QFile::remove(sample);
        QDir().rmdir(QFileInfo(sample).path());
    });
#if defined(Q_OS_WIN)
    // The user's data folder, %APPDATA%\gegu\, cannot be moved for a test: only where none
    // stands (the test runs' own Wine prefix), and removed again.
    const NativePath user = userDataDirectory();
    if (std::filesystem::exists(user))
        QSKIP("the user's data folder exists: a test leaves it alone");
    const auto removeUser = qScopeGuard([&] { std::filesystem::remove_all(user); });
#else
    const QByteArray previousHome = qgetenv("XDG_DATA_HOME");
    const QByteArray previousDirs = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir_->filePath(u"home"_s)));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(dir_->filePath(u"system"_s)));
    const auto restore = qScopeGuard([&] {
        qputenv("XDG_DATA_HOME", previousHome);
        qputenv("XDG_DATA_DIRS", previousDirs);
    });
    const NativePath user = userDataDirectory();
#endif
    QVERIFY(QDir::setCurrent(program.path()));
    QCOMPARE(displayName(findDataFile()), QDir::toNativeSeparators(sample));

    const QString drops = dir_->filePath(u"drops"_s);
    QVERIFY(QDir().mkpath(drops));
    write(drops + u"/q1.csv"_s, exportOf(u"2025-03-31"_s, u"拖入股东"_s, 1000000));
    // Started with a data file of the user's own in the current folder.
    QVERIFY(QDir::setCurrent(dir_->path()));
    write(path_, dataFile(u"自己的"_s));
    DataWorkflow workflow(std::make_unique<DataFileInUse>(findDataFile()));
    QCOMPARE(answer(workflow.inUse()), u"自己的"_s);
    bool asked = false;
    const DataWorkflow::Drop drop = workflow.drop({nativePath(drops + u"/q1.csv"_s)},
                                                  [&](const NativePath&) { return asked = true; });
    QVERIFY(!asked);
    QCOMPARE(int(drop.outcome), int(DataWorkflow::Drop::Outcome::Built));
    QCOMPARE(drop.dataFile, user / "gegusj.rar");
    QCOMPARE(drop.build.added, QStringList{u"q1.csv"_s});
    QCOMPARE(drop.build.keptExports, 1);
    QVERIFY(drop.answersAtNextStart);
    QCOMPARE(displayName(*drop.answersAtNextStart), u"gegusj.rar"_s);
    QCOMPARE(workflow.current()->path(), user / "gegusj.rar");
    QCOMPARE(answer(workflow.inUse()), u"招商银行"_s);

    // Restarted from the program's folder: the drop answers, not the sample.
    QVERIFY(QDir::setCurrent(program.path()));
    QCOMPARE(findDataFile(), user / "gegusj.rar");
    const DataFileInUse restarted(findDataFile());
    QVERIFY(restarted.current()->table().header(0).contains(u"2025-03-31"_s));
    QVERIFY(!dataFileInPlaceOf(user / "gegusj.rar"));
}

void DataWorkflowTest::dropOutcomes_data() {
    // What a drop says, and that nothing changed where it says so.
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("outcome");
    using Outcome = DataWorkflow::Drop::Outcome;
    QTest::newRow("another data file kept") << u"declined"_s << int(Outcome::Declined);
    QTest::newRow("a conflict with a kept export") << u"conflict"_s << int(Outcome::ImportFailed);
    QTest::newRow("no holder rows") << u"empty"_s << int(Outcome::NoRows);
    QTest::newRow("the data file cannot be written") << u"folder"_s << int(Outcome::WriteFailed);
    QTest::newRow("another Gegu at work") << u"busy"_s << int(Outcome::Busy);
}

void DataWorkflowTest::dropOutcomes() {
    QFETCH(QString, what);
    QFETCH(int, outcome);
    const QString userFolder = dir_->filePath(u"user"_s);
    const ExportFolder folder(nativePath(userFolder));
    write(path_, dataFile(u"旧"_s));
    DataWorkflow workflow(std::make_unique<DataFileInUse>(nativePath(path_)),
                          nativePath(userFolder));
    const QString q1 = dir_->filePath(u"q1.csv"_s);
    write(q1, exportOf(u"2025-03-31"_s, u"甲"_s, 100));
    if (what == u"declined"_s) {
        QVERIFY(QDir().mkpath(userFolder));
        write(displayName(folder.dataFile()), dataFile(u"另一个"_s));
    } else if (what != u"empty"_s) {
        QCOMPARE(int(workflow.drop({nativePath(q1)}, {}).outcome),
                 int(DataWorkflow::Drop::Outcome::Built));
    }
    QFile built(displayName(folder.dataFile()));
    const QByteArray before = built.open(QIODevice::ReadOnly) ? built.readAll() : QByteArray();
    built.close();
    const QString answeredBefore = answer(workflow.inUse());

    const QString dropped = dir_->filePath(u"new.csv"_s);
    write(dropped, what == u"empty"_s ? "证券代码,证券简称,截止日期,股东名称,持股数量(股)\n"_ba
                   : what == u"conflict"_s ? exportOf(u"2025-03-31"_s, u"甲"_s, 999)
                                           : exportOf(u"2025-06-30"_s, u"甲"_s, 100));
    if (what == u"folder"_s) {
        QVERIFY(QFile::remove(displayName(folder.dataFile())));
        QVERIFY(QDir().mkpath(displayName(folder.dataFile())));
    }
    QLockFile other(userFolder + u"/.gegu.lock"_s);
    if (what == u"busy"_s)
        QVERIFY(other.tryLock());
    bool asked = false;
    const DataWorkflow::Drop drop =
        workflow.drop({nativePath(dropped)}, [&](const NativePath& file) {
            asked = true;
            return file != folder.dataFile(); // no
        });
    QCOMPARE(int(drop.outcome), outcome);
    QCOMPARE(asked, what == u"declined"_s);
    QCOMPARE(answer(workflow.inUse()), answeredBefore);
    QVERIFY(!std::filesystem::exists(folder.exportsFolder() / "new.csv"));
    if (what == u"empty"_s)
        QVERIFY(!built.exists());
    else if (what != u"folder"_s) {
        QVERIFY(built.open(QIODevice::ReadOnly));
        QCOMPARE(built.readAll(), before);
    }
    QVERIFY(drop.build.unrestored.empty());
}

void DataWorkflowTest::foldersBringTheirExports() {
    // A dropped folder: the exports in it and its subfolders, in name order; the other files
    // named, hidden ones passed over in silence (a file manager's own).
    const QString root = dir_->filePath(u"drop"_s);
    for (const QString& name : {u"b.csv"_s, u"a.TXT"_s, u"sub/c.tsv"_s, u"sub/d.xlsx"_s,
                                u"notes.pdf"_s, u".hidden/e.csv"_s, u".f.csv"_s}) {
        QVERIFY(QDir().mkpath(QFileInfo(root + u'/' + name).path()));
        write(root + u'/' + name, "x");
    }
    write(dir_->filePath(u"alone.csv"_s), "x");
    QStringList passedOver;
    const std::vector<NativePath> found = DataWorkflow::exportsIn(
        {nativePath(dir_->filePath(u"alone.csv"_s)), nativePath(root)}, passedOver);
    QStringList names;
    for (const NativePath& path : found)
        names << QDir(dir_->path()).relativeFilePath(displayName(path));
    QCOMPARE(names, (QStringList{u"alone.csv"_s, u"drop/a.TXT"_s, u"drop/b.csv"_s,
                                 u"drop/sub/c.tsv"_s, u"drop/sub/d.xlsx"_s}));
    QCOMPARE(passedOver.size(), 1);
    QVERIFY(passedOver.front().endsWith(u"notes.pdf"_s));
}
QTEST_GUILESS_MAIN(DataWorkflowTest)
#include "tst_data_workflow.moc"
