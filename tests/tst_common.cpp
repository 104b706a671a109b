// The general helpers: work on two threads, and files read by offset through one handle.

#include "common/native_file.h"
#include "common/parallel.h"
#include "common/system_memory.h"
#include "posix_only.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <stdexcept>
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
    void memoryFiguresArePlausible();
};

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
    QCOMPARE(file.state(), state);
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

void CommonTest::memoryFiguresArePlausible() {
    QVERIFY(availableMemory() > (quint64(16) << 20));
    QVERIFY(availableMemory() <= usableMemory());
}

QTEST_GUILESS_MAIN(CommonTest)
#include "tst_common.moc"
