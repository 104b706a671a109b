// The general helpers: work on two threads, and files read by offset through one handle, whole
// and never a mix of two versions of them.

#include "common/native_file.h"
#include "common/parallel.h"
#include "common/system_memory.h"
#include "posix_only.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>
#if !defined(Q_OS_WIN)
#include <sys/stat.h>
#endif

using namespace gegu;
using namespace Qt::StringLiterals;

class CommonTest : public QObject {
    Q_OBJECT
private slots:
    void inParallelHandsBackEitherSidesError();
    void filesThatAreNotRegularAreNeverOpened_data();
    void filesThatAreNotRegularAreNeverOpened();
    void readsByOffsetFromTheOneFileOpened();
    void fileStateTellsWhichFileStandsThere_data();
    void fileStateTellsWhichFileStandsThere();
    void readsAFileToItsEndWithinALimit();
    void oneWriteAroundOrInsideARead_data();
    void oneWriteAroundOrInsideARead();
    void rewritesInALoopNeverGiveAMix_data();
    void rewritesInALoopNeverGiveAMix();
    void settledOnlyWhenLeftAlone();
    void memoryFiguresArePlausible();
};

namespace {

// Another program writing a file in place, on a thread of its own: it opens the file for writing
// (again and again while the system refuses, as Windows does while Gegu reads it), writes the
// first part of the new bytes, then, once let go, the rest; it may set the modification time
// back (as `cp` and then `touch -r` do) before it closes the file.
class Writer {
public:
    Writer(QString path, QByteArray bytes, qsizetype firstPart, bool timeBack = false)
        : path_(std::move(path)), bytes_(std::move(bytes)), first_(firstPart), timeBack_(timeBack) {
    }
    ~Writer() {
        letGo();
        if (thread_.joinable())
            thread_.join();
    }

    void start() {
        thread_ = std::thread([this] { run(); });
    }
    // Waits until the file is open and the first part written.
    void waitForFirstPart() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return firstWritten_; });
    }
    void letGo() {
        std::lock_guard lock(mutex_);
        letGo_ = true;
        changed_.notify_all();
    }
    // Waits until the file is closed.
    void join() {
        if (thread_.joinable())
            thread_.join();
    }
    bool opened() const { return opened_; }

private:
    void run() {
        QFile f(path_);
        while (!f.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        opened_ = true;
        const QDateTime time = f.fileTime(QFileDevice::FileModificationTime);
        f.write(bytes_.first(first_));
        {
            std::unique_lock lock(mutex_);
            firstWritten_ = true;
            changed_.notify_all();
            changed_.wait(lock, [&] { return letGo_; });
        }
        f.write(bytes_.sliced(first_));
        if (timeBack_)
            f.setFileTime(time, QFileDevice::FileModificationTime);
        f.close();
    }

    QString path_;
    QByteArray bytes_;
    qsizetype first_;
    bool timeBack_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool firstWritten_ = false;
    bool letGo_ = false;
    std::atomic<bool> opened_ = false;
};

// Writes a file and dates it a minute back: left alone long enough for any quiet time.
void writeOldFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() ||
        !f.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-60),
                       QFileDevice::FileModificationTime))
        qFatal("cannot write %s", qPrintable(path));
}

} // namespace

void CommonTest::inParallelHandsBackEitherSidesError() {
    // The error of the other thread comes back here, after both have ended; first's wins.
    bool firstRan = false;
    QVERIFY_THROWS_EXCEPTION(
        std::out_of_range,
        inParallel([&] { firstRan = true; }, [] { throw std::out_of_range("second"); }));
    QVERIFY(firstRan);
    bool secondRan = false;
    QVERIFY_THROWS_EXCEPTION(std::length_error, inParallel([] { throw std::length_error("a"); },
                                                           [&] { secondRan = true; }));
    QVERIFY(secondRan);
    try {
        inParallel([] { throw std::length_error("first"); },
                   [] { throw std::out_of_range("second"); });
        QFAIL("no error");
    } catch (const std::length_error& e) {
        QCOMPARE(e.what(), "first");
    }
    int sum = 0;
    inParallel([&] { sum += 1; }, [] {});
    QCOMPARE(sum, 1);
}

void CommonTest::filesThatAreNotRegularAreNeverOpened_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("problem");
    static QTemporaryDir dir;
    QTest::newRow("nothing there") << dir.filePath(u"missing"_s) << int(FileProblem::NotFound);
    QTest::newRow("a folder") << dir.path() << int(FileProblem::NotRegular);
#if defined(Q_OS_WIN)
    // Devices by their reserved names, also in a folder, and pipes.
    for (const QString& device : {u"NUL"_s, u"con"_s, u"CONIN$"_s, dir.filePath(u"COM1"_s),
                                  dir.filePath(u"lpt1"_s), u"\\\\.\\pipe\\gegu"_s, u"//./NUL"_s})
        QTest::newRow(qPrintable(u"the device "_s + device))
            << device << int(FileProblem::NotRegular);
#else
    const QString fifo = dir.filePath(u"fifo"_s);
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0644) == 0);
    const QString dangling = dir.filePath(u"dangling"_s);
    QVERIFY(QFile::link(dir.filePath(u"nowhere"_s), dangling));
    const QString loop = dir.filePath(u"loop"_s);
    QVERIFY(QFile::link(loop, loop));
    QTest::newRow("a link that leads nowhere") << dangling << int(FileProblem::NotFound);
    QTest::newRow("a link loop") << loop << int(FileProblem::NotRegular);
    QTest::newRow("a FIFO without a writer") << fifo << int(FileProblem::NotRegular);
    QTest::newRow("a device") << u"/dev/zero"_s << int(FileProblem::NotRegular);
#endif
}

void CommonTest::filesThatAreNotRegularAreNeverOpened() {
    QFETCH(QString, path);
    QFETCH(int, problem);
    try {
        ReadOnlyFile file(nativePath(path));
        QFAIL("opened");
    } catch (const FileError& e) {
        QCOMPARE(int(e.problem()), problem);
        QCOMPARE(displayName(e.path()), path);
    }
}

void CommonTest::readsByOffsetFromTheOneFileOpened() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"f"_s);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write("0123456789") == 10);
    f.close();
    const ReadOnlyFile file(nativePath(path));
    const FileState state = file.state();
    QCOMPARE(state.size, 10);
    QCOMPARE(fileStateAt(nativePath(path)), std::optional(state));
    char buffer[8] = {};
    QCOMPARE(file.readAt(6, buffer, 8), 4);
    QCOMPARE(QByteArrayView(buffer, 4), "6789");
    QCOMPARE(file.readAt(20, buffer, 8), 0);

    // Another file put in its place: the open one reads on as it was, and is told apart.
    QFile other(dir.filePath(u"g"_s));
    QVERIFY(other.open(QIODevice::WriteOnly) && other.write("abc") == 3);
    other.close();
    std::error_code refused;
    std::filesystem::rename(nativePath(other.fileName()), nativePath(path), refused);
#if defined(Q_OS_WIN)
    if (refused)
        QSKIP("this system puts no file in the place of one that is open (Wine)");
#endif
    QVERIFY(!refused);
    QCOMPARE(file.readAt(0, buffer, 4), 4);
    QCOMPARE(QByteArrayView(buffer, 4), "0123");
    // The open file lost its name (its change time tells so), not a byte.
    QVERIFY(!bytesMayDiffer(state, file.state()));
    QVERIFY(fileStateAt(nativePath(path)) != std::optional(state));
    QVERIFY(!fileStateAt(nativePath(dir.filePath(u"missing"_s))));
}

void CommonTest::fileStateTellsWhichFileStandsThere_data() {
    QTest::addColumn<bool>("inPlace");
    QTest::newRow("another file of the same size and time put in its place") << false;
    QTest::newRow("rewritten in place, same size") << true;
}

void CommonTest::fileStateTellsWhichFileStandsThere() {
    // A file put in the place of another is told apart by its identity (inode, or Windows' file
    // index and volume) even where size and time say nothing; one rewritten in place keeps its
    // identity and is told apart by its time.
    QFETCH(bool, inPlace);
    QTemporaryDir dir;
    const QDateTime time(QDate(2024, 6, 30), QTime(12, 0), Qt::UTC);
    // Writes the file and gives it the time.
    const auto write = [](const QString& name, const QByteArray& bytes, const QDateTime& at) {
        QFile f(name);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush() &&
               f.setFileTime(at, QFileDevice::FileModificationTime);
    };
    const QString path = dir.filePath(u"f"_s);
    QVERIFY(write(path, "0123456789", time));
    const std::optional<FileState> before = fileStateAt(nativePath(path));
    QVERIFY(before);
    if (inPlace) {
        QVERIFY(write(path, "abcdefghij", time.addSecs(1)));
    } else {
        QVERIFY(write(dir.filePath(u"g"_s), "abcdefghij", time));
        std::filesystem::rename(nativePath(dir.filePath(u"g"_s)), nativePath(path));
    }
    const std::optional<FileState> after = fileStateAt(nativePath(path));
    QVERIFY(after);
    QCOMPARE(after->size, before->size);
    QCOMPARE(after->device, before->device);
    QCOMPARE(after->inode == before->inode, inPlace);
    QCOMPARE(after->modified == before->modified, !inPlace);
    QVERIFY(after != before);
}

void CommonTest::readsAFileToItsEndWithinALimit() {
    SKIP_ON_WINDOWS("/proc");
    // /proc/self/environ says it is empty, and holds the environment: read to its end.
    const QByteArray environment = readWholeFile(ReadOnlyFile("/proc/self/environ"), 1 << 20);
    QVERIFY(environment.contains("PATH="));
    // /proc/self/pagemap says it is empty and goes on for terabytes: stopped at the limit.
    try {
        readWholeFile(ReadOnlyFile("/proc/self/pagemap"), 8 << 20);
        QFAIL("read without end");
    } catch (const FileError& e) {
        QCOMPARE(int(e.problem()), int(FileProblem::TooLarge));
    }
    // /proc/self/mem fails at its first page.
    try {
        readWholeFile(ReadOnlyFile("/proc/self/mem"), 8 << 20);
        QFAIL("read unreadable memory");
    } catch (const FileError& e) {
        QCOMPARE(int(e.problem()), int(FileProblem::ReadFailed));
    }
}

void CommonTest::oneWriteAroundOrInsideARead_data() {
    // One same-size rewrite of the file, against one read of it: where it begins and ends, and
    // whether the read holds a lease (Linux) or, as where none can be had, watches the file and
    // reads only what was left alone for the quiet time. Whatever happens, the read gives one
    // whole version of the file or error 57 (the file changed, or a writer did not let go); on
    // Windows a writer cannot open the file while it is read, nor the read a file being written
    // (error 70 after two seconds).
    QTest::addColumn<QString>("when");
    QTest::addColumn<bool>("lease");
    QTest::addColumn<QString>("answer"); // old, new, 57, 70
#if defined(Q_OS_WIN)
    const bool windows = true;
#else
    const bool windows = false;
#endif
    // The writer waits for the read to end (its open for writing is held off), or it is seen.
    QTest::newRow("inside the read, with a lease") << u"inside"_s << true << u"old"_s;
    QTest::newRow("inside the read, watched")
        << u"inside"_s << false << (windows ? u"old"_s : u"57"_s);
    // Begun before the open, done a moment later: the read waits for it.
    QTest::newRow("begun before, done soon, with a lease") << u"soon"_s << true << u"new"_s;
    QTest::newRow("begun before, done soon, watched") << u"soon"_s << false << u"new"_s;
    // Begun before the open, done only after the bytes were read.
    QTest::newRow("begun before, done after the read, watched")
        << u"after"_s << false << (windows ? u"70"_s : u"57"_s);
    QTest::newRow("begun before, never done, with a lease")
        << u"never"_s << true << (windows ? u"70"_s : u"57"_s);
    // Done inside the read, its time set back: only the change time (and the watch) tell.
    QTest::newRow("inside the read, time set back, watched")
        << u"timeBack"_s << false << (windows ? u"old"_s : u"57"_s);
}

void CommonTest::oneWriteAroundOrInsideARead() {
    QFETCH(QString, when);
    QFETCH(bool, lease);
    QFETCH(QString, answer);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"f"_s);
    const QByteArray oldBytes = QByteArray("old ").repeated(1 << 18);
    const QByteArray newBytes = QByteArray("new ").repeated(1 << 18);
    writeOldFile(path, oldBytes);
    // Its change time (which dating it set) left behind too.
    constexpr std::chrono::milliseconds quiet{200};
    std::this_thread::sleep_for(quiet + std::chrono::milliseconds(50));

    Writer writer(path, newBytes, newBytes.size() / 2, when == u"timeBack"_s);
#if defined(Q_OS_WIN)
    const bool heldOff = true; // a writer cannot open the file while it is read
#else
    const bool heldOff = lease;
#endif
    ReadOptions options;
    options.lease = lease;
    options.quietTime = quiet;
    options.parallelSize = 1 << 19; // two halves
    if (when == u"soon"_s || when == u"after"_s || when == u"never"_s) {
        writer.start();
        writer.waitForFirstPart();
    }
    std::thread timer;
    if (when == u"soon"_s)
        timer = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            writer.letGo();
        });
    bool started = false;
    bool openedDuringRead = false;
    options.step = [&](ReadStep step) {
        if (step == ReadStep::StateTaken && (when == u"inside"_s || when == u"timeBack"_s) &&
            !started) {
            started = true;
            writer.start();
            writer.letGo();
            // A writer that can open the file writes it all now.
            if (!heldOff)
                writer.join();
        }
        if (step == ReadStep::Read) {
            openedDuringRead = openedDuringRead || (when == u"inside"_s && writer.opened());
            if (when == u"after"_s) {
                writer.letGo();
                writer.join();
            }
        }
    };
    QString got;
    try {
        const QByteArray bytes = readWholeFile<QByteArray>(ReadOnlyFile(nativePath(path)), options);
        got = bytes == oldBytes ? u"old"_s : bytes == newBytes ? u"new"_s : u"a mix"_s;
    } catch (const FileError& e) {
        QVERIFY2(e.problem() == FileProblem::Changed || e.problem() == FileProblem::BeingWritten ||
                     e.problem() == FileProblem::PermissionDenied,
                 qPrintable(QString::number(int(e.problem()))));
        got = e.problem() == FileProblem::PermissionDenied ? u"70"_s : u"57"_s;
    }
    writer.letGo();
    writer.join();
    if (timer.joinable())
        timer.join();
    QCOMPARE(got, answer);
    if (heldOff)
        QVERIFY2(!openedDuringRead, "the writer opened the file while it was read");
    // The writer's bytes stand in the end.
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), newBytes);
}

void CommonTest::rewritesInALoopNeverGiveAMix_data() {
    QTest::addColumn<bool>("lease");
    QTest::addColumn<int>("runs");
    QTest::addColumn<int>("pause"); // most milliseconds between two writes
    QTest::addColumn<int>("quiet"); // the quiet time, in milliseconds
    QTest::addColumn<int>("size");  // of each version
    QTest::newRow("with a lease") << true << 1000 << 3 << 5 << (3 << 20);
    // Without a lease only the quiet time guards against a write in progress when the read
    // starts (its change time is set as it starts, its event comes as it ends): the test's quiet
    // time stays well beyond how long a write can be held up on a busy machine, short as it is
    // beside the real one of a second. Reads wait until the file is left alone for it: fewer
    // runs, longer pauses.
    QTest::newRow("watched") << false << 100 << 150 << 60 << (192 << 10);
}

void CommonTest::rewritesInALoopNeverGiveAMix() {
    // Another thread rewrites the file in place again and again, two versions of one size in
    // turn, each in one write; every read gives one of them whole, or error 57.
    QFETCH(bool, lease);
    QFETCH(int, runs);
    QFETCH(int, pause);
    QFETCH(int, quiet);
    QFETCH(int, size);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"f"_s);
    const QByteArray versions[] = {QByteArray("ab\n").repeated(size / 3),
                                   QByteArray("cd\n").repeated(size / 3)};
    writeOldFile(path, versions[0]);
    std::atomic<bool> stop = false;
    std::thread writer([&] {
        for (int i = 1; !stop; ++i) {
            QFile f(path);
            if (!f.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
                continue; // Windows: being read
            f.write(versions[i % 2]);
            f.close();
            std::this_thread::sleep_for(std::chrono::microseconds(i % 7 * pause * 1000 / 6));
        }
    });
    ReadOptions options;
    options.lease = lease;
    options.quietTime = std::chrono::milliseconds(quiet);
    options.parallelSize = std::min(1 << 21, size / 2);
    int whole = 0;
    int changed = 0;
    for (int i = 0; i < runs; ++i) {
        try {
            const QByteArray bytes =
                readWholeFile<QByteArray>(ReadOnlyFile(nativePath(path)), options);
            if (bytes != versions[0] && bytes != versions[1]) {
                stop = true;
                writer.join();
                QFAIL(qPrintable(u"a mix of the versions in run %1"_s.arg(i)));
            }
            ++whole;
        } catch (const FileError& e) {
            QVERIFY(e.problem() == FileProblem::Changed ||
                    e.problem() == FileProblem::BeingWritten ||
                    e.problem() == FileProblem::PermissionDenied);
            ++changed;
        }
    }
    stop = true;
    writer.join();
    qInfo("%d runs: %d whole, %d error 57 (or 70)", runs, whole, changed);
    QVERIFY(whole > 0);
}

void CommonTest::settledOnlyWhenLeftAlone() {
    // A file changed just before it is read may change again within the file system's time
    // step and keep its state: its read says so, a read of one left alone does not.
    QTemporaryDir dir;
    const QString path = dir.filePath(u"f"_s);
    ReadOptions options;
    options.quietTime = std::chrono::milliseconds(100);
    writeOldFile(path, "0123456789");
    std::this_thread::sleep_for(std::chrono::milliseconds(150)); // its change time too
    ReadCheck check;
    readWholeFile<QByteArray>(ReadOnlyFile(nativePath(path)), options, &check);
    QVERIFY(check.settled);
    QCOMPARE(std::optional(check.state), fileStateAt(nativePath(path)));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write("abc") == 3);
    f.close();
    readWholeFile<QByteArray>(ReadOnlyFile(nativePath(path)), options, &check);
    QVERIFY(!check.settled);
    QCOMPARE(check.state.size, 3);
}

void CommonTest::memoryFiguresArePlausible() {
    QVERIFY(availableMemory() > (quint64(16) << 20));
    QVERIFY(availableMemory() <= usableMemory());
}

QTEST_GUILESS_MAIN(CommonTest)
#include "tst_common.moc"
