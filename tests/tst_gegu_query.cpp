#include "app/utf8_writer.h"
#include "history_file.h"
#include "portfolio_file.h"
#include "processes.h"
#include "support.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <sys/stat.h>

using namespace gegu::test;
using namespace Qt::StringLiterals;

class GeguQueryTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void stockCode();
    void name();
    void exitStatus_data();
    void exitStatus();
    void queryIsTakenAsTyped_data();
    void queryIsTakenAsTyped();
    void dataFileErrors_data();
    void dataFileErrors();
    void argumentErrors_data();
    void argumentErrors();
    void helpAndVersion();
    void scriptsReadTheSameInEveryLanguage_data();
    void scriptsReadTheSameInEveryLanguage();
    void defaultDataFileIsInCurrentDirectory();
    void bundledSampleIsGeneratedAndAnswers();
    void fileAccessErrors_data();
    void fileAccessErrors();
    void anotherUsersFileIsReadWithoutALease();
    void fileReportingSizeZeroIsReadToItsEnd();
    void pathsAreOpenedFromTheirBytes();
    void chineseFolderNames();
    void fileNamesAppearVerbatim();
    void fileTooLargeForMemoryIsError7();
    void lineDenseFilesLoadInBoundedMemory_data();
    void lineDenseFilesLoadInBoundedMemory();
    void reportIsWrittenAsItIsBuilt();
    void severalQueriesFollowEachOther_data();
    void severalQueriesFollowEachOther();
    void queriesFromStandardInput_data();
    void queriesFromStandardInput();
    void lfLineEnds();
    void writerWritesTheTextInBlocks_data();
    void writerWritesTheTextInBlocks();
    void notADataFileIsSaid();
    void onlyCalendarDaysAreDates();
    void tsvRows();
    void allPeriodsAndInfo();
    void portfolios_data();
    void portfolios();
    void portfolioErrors_data();
    void portfolioErrors();
    void writeErrorsExit2_data();
    void writeErrorsExit2();
    void unreadableStandardInputExits2();
    void readerClosingThePipeEndsItQuietly();
    void fileChangingWhileReadGivesOneWholeAnswer_data();
    void fileChangingWhileReadGivesOneWholeAnswer();

private:
    Run run(const QStringList& args, const QString& workingDir = {});
    Run runWithInput(const QStringList& args, const QByteArray& input);
    Run run(const QString& program, const QStringList& args, const Setup& setup);
    QString writeFile(const QString& name, const QByteArray& bytes);

    QTemporaryDir dir_;
    QString data_;
};

void GeguQueryTest::initTestCase() {
    QVERIFY(dir_.isValid());
    // No data file of the user's or the system's answers in place of the tests' own.
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir_.filePath(u"home"_s)));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(dir_.filePath(u"system"_s)));
    data_ = writeFile(u"data.rar"_s, gbkFile({u"1"_s, u"600036 招商银行"_s, u"1"_s, u"head"_s,
                                              u"  华夏大盘  │ 1"_s, u"000002 万科"_s, u"-1"_s}));
}

QString GeguQueryTest::writeFile(const QString& name, const QByteArray& bytes) {
    const QString path = dir_.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

Run GeguQueryTest::run(const QStringList& args, const QString& workingDir) {
    Setup setup;
    setup.workingDir = workingDir;
    return run(QStringLiteral(GEGU_QUERY_PATH), args, setup);
}

Run GeguQueryTest::run(const QString& program, const QStringList& args, const Setup& setup) {
    return runProcess(program, args, setup);
}

void GeguQueryTest::stockCode() {
    const Run r = run({u"--data"_s, data_, u"600036"_s});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, "600036 招商银行\r\nhead\r\n"
                    "  ───────────┬─────┬─────┬─────┬──────\r\n"
                    "  华夏大盘  │ 1\r\n"
                    "  ───────────┴─────┴─────┴─────┴──────\r\n"_ba);
    QVERIFY(r.err.isEmpty());
}

void GeguQueryTest::name() {
    const Run r = run({u"--data"_s, data_, u"--"_s, u"华夏"_s});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, "股东华夏持有：\r\n600036 招商银行:)\r\n  华夏大盘  │ 1\r\n\r\n"_ba);
}

void GeguQueryTest::exitStatus_data() {
    QTest::addColumn<QString>("query");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");
    QTest::newRow("unknown code") << u"123"_s << 1 << "未找到证券代码：123\r\n"_ba;
    QTest::newRow("unknown name") << u"李四"_s << 1 << "股东李四持有：\r\n\r\n"_ba;
    QTest::newRow("stock without rows is found") << u"2"_s << 0
                                                 << "000002 万科\r\n\r\n"
                                                    "  ───────────┬─────┬─────┬─────┬──────\r\n"
                                                    "  ───────────┴─────┴─────┴─────┴──────\r\n"_ba;
}

void GeguQueryTest::exitStatus() {
    QFETCH(QString, query);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    const Run r = run({u"--data"_s, data_, query});
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.out, out);
}

void GeguQueryTest::queryIsTakenAsTyped_data() {
    QTest::addColumn<QString>("query");
    QTest::addColumn<QByteArray>("heading");
    QTest::newRow("empty") << QString() << "股东持有：\r\n"_ba;
    QTest::newRow("blanks around") << u"  华夏 "_s << "股东华夏 持有：\r\n"_ba;
    QTest::newRow("leading dash") << u"-3"_s << "股东-3持有：\r\n"_ba;
    QTest::newRow("double dash") << u"--"_s << "股东--持有：\r\n"_ba;
}

void GeguQueryTest::queryIsTakenAsTyped() {
    QFETCH(QString, query);
    QFETCH(QByteArray, heading);
    const Run r = run({u"--data"_s, data_, u"--"_s, query});
    QVERIFY2(r.out.startsWith(heading), r.out.constData());
}

void GeguQueryTest::dataFileErrors_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("missing") << u"missing.rar"_s << QByteArray()
                             << said("runtime error 53: File not found",
                                     "运行时错误 53：文件未找到");
    QTest::newRow("too short") << u"short.rar"_s << "0\r\nh\r\n2\r\nhead\r\n"_ba
                               << said("runtime error 62: Input past end of file",
                                       "运行时错误 62：输入超出文件尾");
    QTest::newRow("overflow") << u"big.rar"_s << "5e9\r\n"_ba
                              << said("runtime error 6: Overflow", "运行时错误 6：溢出");
}

void GeguQueryTest::dataFileErrors() {
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, expected);
    const QString path = bytes.isEmpty() ? dir_.filePath(file) : writeFile(file, bytes);
    const Run r = run({u"--data"_s, path, u"600036"_s});
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.out.isEmpty());
    QCOMPARE(r.err.count('\n'), 1);
    QVERIFY2(r.err.contains(expected), r.err.constData());
    QVERIFY2(r.err.contains(path.toUtf8()), r.err.constData());
    if (!bytes.isEmpty())
        QVERIFY2(r.err.contains(bytes.startsWith('0') ? said("line 5", "第 5 行")
                                                      : said("line 1", "第 1 行")),
                 r.err.constData());
}

void GeguQueryTest::argumentErrors_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no query") << QStringList{};
    QTest::newRow("unknown option") << QStringList{u"--fast"_s, u"a"_s};
    QTest::newRow("dash query without --") << QStringList{u"-3"_s};
    QTest::newRow("--data without file") << QStringList{u"--data"_s};
    QTest::newRow("--portfolio without a name") << QStringList{u"--portfolio"_s};
    QTest::newRow("--portfolio with a blank name") << QStringList{u"--portfolio"_s, u" "_s};
    QTest::newRow("--date without --portfolio") << QStringList{u"--date"_s, u"20240630"_s, u"a"_s};
    QTest::newRow("--since not a date")
        << QStringList{u"--portfolio"_s, u"--since"_s, u"2024-06-31"_s, u"a"_s};
    QTest::newRow("--since after --date") << QStringList{
        u"--portfolio"_s, u"--date"_s, u"2024-03-31"_s, u"--since"_s, u"2024-06-30"_s, u"a"_s};
    QTest::newRow("--portfolio with --all-periods")
        << QStringList{u"--portfolio"_s, u"--all-periods"_s, u"a"_s};
}

void GeguQueryTest::argumentErrors() {
    QFETCH(QStringList, args);
    const Run r = run(args, dir_.path());
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.out.isEmpty());
    QCOMPARE(r.err.count('\n'), 1);
}

void GeguQueryTest::helpAndVersion() {
    const Run help = run({u"--help"_s});
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.contains("--data FILE"));
    QVERIFY(help.out.contains("QUERY"));
    // Every place where the data file is looked for.
#if defined(Q_OS_WIN)
    const QByteArrayList places = {said("current directory", "当前目录"), "%APPDATA%\\gegu\\",
                                   "%PROGRAMDATA%\\gegu\\",
                                   said("beside the program", "程序所在目录"),
                                   said("sample\\ beside the program", "程序旁的 sample\\")};
#else
    const QByteArrayList places = {said("current directory", "当前目录"),
                                   "~/.local/share/gegu/",
                                   "/usr/local/share/gegu/",
                                   "/usr/share/gegu/",
                                   said("beside the program", "程序所在目录"),
                                   said("sample/ beside the program", "程序旁的 sample/")};
#endif
    // In the order they are looked in: the sample last.
    qsizetype at = 0;
    for (const QByteArray& place : places) {
        QVERIFY2(help.out.indexOf(place, at) > at, place.constData());
        at = help.out.indexOf(place, at);
    }
    const Run version = run({u"--version"_s});
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.out, "gegu-query " GEGU_VERSION "\n"_ba);
}

void GeguQueryTest::scriptsReadTheSameInEveryLanguage_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("chineseError"); // what stderr holds under a Chinese locale
    QTest::newRow("a code") << QStringList{u"600036"_s} << QByteArray();
    QTest::newRow("a name, in TSV") << QStringList{u"--tsv"_s, u"--"_s, u"华夏"_s} << QByteArray();
    QTest::newRow("--info") << QStringList{u"--info"_s, u"2"_s} << QByteArray();
    QTest::newRow("--all-periods") << QStringList{u"--all-periods"_s, u"600036"_s} << QByteArray();
    QTest::newRow("nothing found") << QStringList{u"李四"_s} << QByteArray();
    QTest::newRow("an unknown option") << QStringList{u"--fast"_s, u"1"_s} << "未知选项 --fast"_ba;
    QTest::newRow("a missing data file")
        << QStringList{u"--data"_s, u"missing.rar"_s, u"1"_s} << "运行时错误 53：文件未找到"_ba;
}

void GeguQueryTest::scriptsReadTheSameInEveryLanguage() {
    // Under a Chinese locale (LANGUAGE, LC_ALL, LANG alike) the messages are Chinese; what
    // scripts read (reports, TSV, --info, the exit status) is the same byte for byte.
#if defined(Q_OS_WIN)
    QSKIP("a Windows program takes the system's language, not the environment's (./dev windows "
          "runs the programs under a Chinese locale)");
#endif
    QFETCH(QStringList, args);
    QFETCH(QByteArray, chineseError);
    if (!args.contains(u"--data"_s))
        args = QStringList{u"--data"_s, data_} + args;
    const auto runIn = [&](const QString& variable, const QString& locale) {
        Setup setup;
        setup.workingDir = dir_.path();
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"})
            setup.environment.remove(QString::fromLatin1(name));
        setup.environment.insert(variable, locale);
        return run(QStringLiteral(GEGU_QUERY_PATH), args, setup);
    };
    const Run english = runIn(u"LC_ALL"_s, u"C.UTF-8"_s);
    for (const auto& [variable, locale] : {std::pair{u"LC_ALL"_s, u"zh_CN.UTF-8"_s},
                                           {u"LANG"_s, u"zh_CN.UTF-8"_s},
                                           {u"LANGUAGE"_s, u"zh_CN"_s},
                                           {u"LANGUAGE"_s, u"fr:zh_TW"_s}}) {
        const Run chinese = runIn(variable, locale);
        QCOMPARE(chinese.exitCode, english.exitCode);
        QCOMPARE(chinese.out, english.out);
        if (chineseError.isEmpty()) {
            QCOMPARE(chinese.err, english.err);
        } else {
            QVERIFY2(chinese.err.contains(chineseError), chinese.err.constData());
            QVERIFY2(!english.err.contains(chineseError), english.err.constData());
        }
    }
    // English where the user reads no language Gegu has.
    QCOMPARE(runIn(u"LANGUAGE"_s, u"fr"_s).err, english.err);
}

void GeguQueryTest::defaultDataFileIsInCurrentDirectory() {
    QTemporaryDir cwd;
    QVERIFY(QFile::copy(data_, cwd.filePath(u"gegusj.rar"_s)));
    const Run r = run({u"600036"_s}, cwd.path());
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.startsWith("600036 招商银行\r\n"));
}

void GeguQueryTest::bundledSampleIsGeneratedAndAnswers() {
    // The README says how the bundled sample was made; the generator must still make it.
    const QString sample = QStringLiteral(GEGU_BUNDLED_SAMPLE);
    const QString regenerated = dir_.filePath(u"regenerated.rar"_s);
    QCOMPARE(QProcess::execute(
                 QStringLiteral(GEGU_GEN_SAMPLE_PATH),
                 {u"--stocks"_s, u"200"_s, u"--rows"_s, u"20"_s, u"--seed"_s, u"7"_s, regenerated}),
             0);
    QFile bundled(sample);
    QFile fresh(regenerated);
    QVERIFY(bundled.open(QIODevice::ReadOnly) && fresh.open(QIODevice::ReadOnly));
    QVERIFY(bundled.readAll() == fresh.readAll());

    for (const QString& query : {u"600036"_s, u"2"_s, u"华夏大盘"_s}) {
        const Run r = run({u"--data"_s, sample, query});
        QVERIFY2(r.exitCode == 0, qPrintable(query));
    }
    QVERIFY(run({u"--data"_s, sample, u"2"_s}).out.startsWith("000002 "));
}

void GeguQueryTest::fileAccessErrors_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("unprivileged");
    QTest::addColumn<int>("error");
    QTest::newRow("missing") << dir_.filePath(u"missing.rar"_s) << false << 53;
    QTest::newRow("missing folder") << dir_.filePath(u"no/such.rar"_s) << false << 53;
    QTest::newRow("a folder") << dir_.path() << false << 75;
#if defined(Q_OS_WIN)
    // Devices and pipes by any of their names, none of them opened.
    for (const QString& device :
         {u"NUL"_s, u"con"_s, dir_.filePath(u"COM1"_s), u"\\\\.\\pipe\\gegu"_s, u"//./NUL"_s})
        QTest::newRow(qPrintable(u"the device "_s + device)) << device << false << 75;
#else
    QTest::newRow("a device") << u"/dev/null"_s << false << 75;
    const QString fifo = dir_.filePath(u"fifo.rar"_s);
    QFile::remove(fifo);
    QVERIFY(mkfifo(QFile::encodeName(fifo).constData(), 0644) == 0);
    QTest::newRow("a FIFO, which must not block") << fifo << false << 75;
    // A file that may not be read, in a folder that may be listed.
    QVERIFY(QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                   QFile::ExeOwner | QFile::ReadOther |
                                                   QFile::ExeOther));
    const QString locked = writeFile(u"locked.rar"_s, "0\r\nh\r\n0\r\nhead\r\n"_ba);
    QVERIFY(QFile::setPermissions(locked, {}));
    QTest::newRow("no read permission") << locked << true << 70;
    const QString loop = dir_.filePath(u"loop.rar"_s);
    QFile::remove(loop);
    QVERIFY(QFile::link(loop, loop));
    QTest::newRow("a link to itself") << loop << false << 75;
#endif
#if !defined(Q_OS_WIN) // Wine finds no such file, Windows finds the name invalid
    QTest::newRow("a name too long") << dir_.filePath(QString(300, u'x')) << false << 75;
    // Reading address 0 of one's own memory fails midway through a read.
    QTest::newRow("a read that fails") << u"/proc/self/mem"_s << false << 57;
#endif
}

void GeguQueryTest::fileAccessErrors() {
    QFETCH(QString, path);
    QFETCH(bool, unprivileged);
    QFETCH(int, error);
    Setup setup;
    setup.unprivileged = unprivileged;
    const Run r = run(QStringLiteral(GEGU_QUERY_PATH), {u"--data"_s, path, u"1"_s}, setup);
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(r.err.startsWith("gegu-query: " + said("runtime error ", "运行时错误 ") +
                              QByteArray::number(error) + said(": ", "：")),
             r.err.constData());
    QVERIFY2(r.err.endsWith(said("(file \"", "（文件“") + path.toUtf8() + said("\")\n", "”）\n")),
             r.err.constData());
}

void GeguQueryTest::anotherUsersFileIsReadWithoutALease() {
    SKIP_ON_WINDOWS("other users");
#if !defined(Q_OS_WIN)
    // Only a file's owner (or root) may take a lease on it: another user's gegu-query watches
    // it instead, and reads it once it has been left alone for a second.
    if (geteuid() != 0)
        QSKIP("needs root, to run as another user");
    const QString file = dir_.filePath(u"others.rar"_s);
    QVERIFY(QFile::copy(data_, file));
    QVERIFY(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ReadOther));
    QVERIFY(QFile::setPermissions(dir_.path(), QFile::permissions(dir_.path()) |
                                                   QFileDevice::ExeOther | QFileDevice::ReadOther));
    Setup setup;
    setup.unprivileged = true;
    QElapsedTimer time;
    time.start();
    const Run r = run(QStringLiteral(GEGU_QUERY_PATH), {u"--data"_s, file, u"600036"_s}, setup);
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.startsWith("600036 招商银行\r\n"));
    QVERIFY(r.err.isEmpty());
    // Just copied: read only after its quiet second.
    QVERIFY(time.elapsed() >= 900);
#endif
}

void GeguQueryTest::fileReportingSizeZeroIsReadToItsEnd() {
    SKIP_ON_WINDOWS("/proc/self/environ");
    // /proc/self/environ says it is empty; its content is the environment, which here is a
    // data file of one record.
    Setup setup;
    setup.environment = {};
    setup.environment.insert(u"X"_s, u"0\r\n600036 name\r\n1\r\nhead\r\n  row\r\n"_s);
    const Run r = run(QStringLiteral(GEGU_QUERY_PATH),
                      {u"--data"_s, u"/proc/self/environ"_s, u"600036"_s}, setup);
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.startsWith("600036 name\r\nhead\r\n"), r.out.constData());
}

void GeguQueryTest::pathsAreOpenedFromTheirBytes() {
#if defined(Q_OS_WIN)
    QSKIP("needs POSIX: file names as bytes; Windows names are UTF-16 (see chineseFolderNames)");
#else
    // A folder named in GBK (华夏), as folders made on Chinese Windows arrive, given to
    // gegu-query as those bytes.
    const QByteArray folder = QFile::encodeName(dir_.path()) + "/\xbb\xaa\xcf\xc4";
    QVERIFY(::mkdir(folder.constData(), 0755) == 0 || errno == EEXIST);
    QFile in(data_);
    QVERIFY(in.open(QIODevice::ReadOnly));
    const QByteArray bytes = in.readAll();
    const QByteArray file = folder + "/gegusj.rar";
    // Qt's own removal cannot name these bytes; the test removes them itself.
    const auto removeFolder = qScopeGuard([&] {
        ::unlink(file.constData());
        ::rmdir(folder.constData());
    });
    FILE* out = std::fopen(file.constData(), "wb");
    QVERIFY(out);
    QCOMPARE(std::fwrite(bytes.constData(), 1, size_t(bytes.size()), out), size_t(bytes.size()));
    std::fclose(out);
    const Run r = run(
        u"/bin/sh"_s,
        {u"-c"_s,
         u"exec \"$0\" --data \"$(printf '%s/\\273\\252\\317\\304/gegusj.rar' \"$1\")\" 600036"_s,
         QStringLiteral(GEGU_QUERY_PATH), dir_.path()},
        Setup{});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.startsWith("600036 招商银行\r\n"));

    // The program itself in that folder finds the data file beside it.
    const QByteArray program = folder + "/gegu-query";
    const auto removeProgram = qScopeGuard([&] { ::unlink(program.constData()); });
    const QString copy = dir_.filePath(u"gegu-query.copy"_s);
    QVERIFY(QFile::copy(QStringLiteral(GEGU_QUERY_PATH), copy));
    QVERIFY(::rename(QFile::encodeName(copy).constData(), program.constData()) == 0);
    Setup elsewhere;
    elsewhere.workingDir = QDir::rootPath();
    const Run beside =
        run(u"/bin/sh"_s,
            {u"-c"_s, u"exec \"$(printf '%s/\\273\\252\\317\\304/gegu-query' \"$0\")\" 600036"_s,
             dir_.path()},
            elsewhere);
    QCOMPARE(beside.exitCode, 0);
    QVERIFY(beside.out.startsWith("600036 招商银行\r\n"));
#endif
}

void GeguQueryTest::chineseFolderNames() {
    // A data folder named in Chinese: the file in it opens and is named in errors, and a copy
    // of the program in it finds the data file beside it.
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"华夏 数据"_s);
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QFile::copy(data_, folder + u"/gegusj.rar"_s));
    Run r = run({u"--data"_s, folder + u"/gegusj.rar"_s, u"600036"_s});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.startsWith("600036 招商银行\r\n"));
    const QString missing = folder + u"/缺少.rar"_s;
    r = run({u"--data"_s, missing, u"600036"_s});
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(r.err, said("gegu-query: runtime error 53: File not found (file \"",
                         "gegu-query: 运行时错误 53：文件未找到（文件“") +
                        missing.toUtf8() + said("\")\n", "”）\n"));

    const QString program = folder + u'/' + QFileInfo(QStringLiteral(GEGU_QUERY_PATH)).fileName();
    QVERIFY(QFile::copy(QStringLiteral(GEGU_QUERY_PATH), program));
    Setup elsewhere;
    elsewhere.workingDir = dir.path();
    r = run(program, {u"600036"_s}, elsewhere);
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.startsWith("600036 招商银行\r\n"));
}

void GeguQueryTest::fileNamesAppearVerbatim() {
    const QString path = dir_.filePath(u"a%1b%2.rar"_s);
    const Run r = run({u"--data"_s, path, u"1"_s});
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(r.err, said("gegu-query: runtime error 53: File not found (file \"",
                         "gegu-query: 运行时错误 53：文件未找到（文件“") +
                        path.toUtf8() + said("\")\n", "”）\n"));
}

void GeguQueryTest::fileTooLargeForMemoryIsError7() {
    if (sanitized)
        QSKIP("the sanitizers' own reservations exceed any address-space limit");
    // 100 GiB that take no room on disk, read under a 1 GiB address-space limit (on Windows,
    // where a child has none, more than the machine's memory).
    const QString big = dir_.filePath(u"big.rar"_s);
    QFile f(big);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(qint64(100) << 30));
    f.close();
    Setup setup;
#if !defined(Q_OS_WIN)
    setup.addressSpace = quint64(1) << 30;
#endif
    const Run r = run(QStringLiteral(GEGU_QUERY_PATH), {u"--data"_s, big, u"600036"_s}, setup);
    QFile::remove(big);
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(r.err, said("gegu-query: runtime error 7: Out of memory (file \"",
                         "gegu-query: 运行时错误 7：内存溢出（文件“") +
                        big.toUtf8() + said("\")\n", "”）\n"));
}

void GeguQueryTest::lineDenseFilesLoadInBoundedMemory_data() {
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("unit");
    // Lines of one byte: a record of three empty lines, or nothing but line ends.
    QTest::newRow("tiny records") << "5333332\r"_ba
                                  << "\r\r\r"_ba;
    QTest::newRow("line ends only") << QByteArray() << "\n"_ba;
}

void GeguQueryTest::lineDenseFilesLoadInBoundedMemory() {
    SKIP_ON_WINDOWS("an address-space limit");
    if (sanitized)
        QSKIP("the sanitizers' own reservations exceed any address-space limit");
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, unit);
    // 16 MB in 256 MiB of address space, the program's own libraries included: a few bytes
    // a line at most.
    const QString file = writeFile(u"dense.rar"_s, head + unit.repeated((16 << 20) / unit.size()));
    Setup setup;
    setup.addressSpace = quint64(256) << 20;
    const Run r = run(QStringLiteral(GEGU_QUERY_PATH), {u"--data"_s, file, u"1"_s}, setup);
    QFile::remove(file);
    QVERIFY2(r.exitCode == 1, r.err.constData());
}

void GeguQueryTest::reportIsWrittenAsItIsBuilt() {
    SKIP_ON_WINDOWS("an address-space limit");
    if (sanitized)
        QSKIP("the sanitizers' own reservations exceed any address-space limit");
    // A 1 MB header repeated for each of 2000 rows: a 2 GB report for the empty query, far
    // beyond the 512 MiB that gegu-query may use here.
    QStringList lines{u"0"_s, u"600001 "_s + QString(1 << 20, u'x'), u"2000"_s, u"head"_s};
    for (int i = 0; i < 2000; ++i)
        lines << u"  holder"_s;
    const QString file = writeFile(u"wide.rar"_s, gbkFile(lines));
    const QString out = dir_.filePath(u"wide.out"_s);
    Setup setup;
    setup.addressSpace = quint64(512) << 20;
    setup.stdoutFile = out;
    const Run r = run(QStringLiteral(GEGU_QUERY_PATH), {u"--data"_s, file, u"--"_s, u""_s}, setup);
    QVERIFY2(r.exitCode == 0, r.err.constData());
    // Heading, then per row the header entry and the row, then the final line end.
    const qint64 entry = 7 + (1 << 20) + 2 + 2 + 10;
    QCOMPARE(QFileInfo(out).size(), qint64(sizeof("股东持有：\r\n") - 1) + 2000 * entry + 2);
    QFile::remove(out);
}

Run GeguQueryTest::runWithInput(const QStringList& args, const QByteArray& input) {
    QProcess p;
    p.start(QStringLiteral(GEGU_QUERY_PATH), args);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(30000))
        qFatal("gegu-query did not finish");
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

void GeguQueryTest::severalQueriesFollowEachOther_data() {
    QTest::addColumn<QStringList>("queries");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("all found") << QStringList{u"600036"_s, u"华夏"_s} << 0;
    QTest::newRow("one found") << QStringList{u"李四"_s, u"2"_s, u"123"_s} << 0;
    QTest::newRow("none found") << QStringList{u"李四"_s, u"123"_s} << 1;
}

void GeguQueryTest::severalQueriesFollowEachOther() {
    // Each report as it would be alone, in order; found when any query found something.
    QFETCH(QStringList, queries);
    QFETCH(int, exitCode);
    QByteArray alone;
    for (const QString& query : queries)
        alone += run({u"--data"_s, data_, u"--"_s, query}).out;
    const Run r = run(QStringList{u"--data"_s, data_, u"--"_s} + queries);
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.out, alone);
}

void GeguQueryTest::queriesFromStandardInput_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("queries"); // as they are answered; empty for an error
    QTest::newRow("one a line, blank lines skipped")
        << "600036\n\n   \n华夏\n"_ba << QStringList{} << QStringList{u"600036"_s, u"华夏"_s};
    QTest::newRow("CR LF line ends, no last line end")
        << "600036\r\n华夏"_ba << QStringList{} << QStringList{u"600036"_s, u"华夏"_s};
    QTest::newRow("after the arguments' queries")
        << "华夏\n"_ba << QStringList{u"2"_s} << QStringList{u"2"_s, u"华夏"_s};
    QTest::newRow("blanks kept around a query")
        << " 华夏 \n"_ba << QStringList{} << QStringList{u" 华夏 "_s};
    QTest::newRow("nothing at all") << QByteArray() << QStringList{} << QStringList{};
    QTest::newRow("not UTF-8") << "600036\n\xbb\xaa\n"_ba << QStringList{} << QStringList{};
}

void GeguQueryTest::queriesFromStandardInput() {
    QFETCH(QByteArray, input);
    QFETCH(QStringList, args);
    QFETCH(QStringList, queries);
    const Run r =
        runWithInput(QStringList{u"--data"_s, data_, u"--stdin"_s, u"--"_s} + args, input);
    if (input.contains('\xbb')) {
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.out.isEmpty());
        QCOMPARE(r.err, said("gegu-query: standard input, line 2: not UTF-8\n",
                             "gegu-query: 标准输入第 2 行：不是 UTF-8\n"));
        return;
    }
    QByteArray expected;
    int exitCode = 1;
    for (const QString& query : queries) {
        const Run alone = run({u"--data"_s, data_, u"--"_s, query});
        expected += alone.out;
        exitCode = std::min(exitCode, alone.exitCode);
    }
    QCOMPARE(r.out, expected);
    QCOMPARE(r.exitCode, exitCode);
}

void GeguQueryTest::lfLineEnds() {
    // Every CR LF an LF, the text otherwise unchanged, also where a CR LF is cut by the blocks
    // that the output is written in: a report of many lines of every length.
    QStringList lines{u"0"_s, u"600001 甲"_s, u"3000"_s, u"head"_s};
    for (int i = 0; i < 3000; ++i)
        lines << u"  华夏"_s + QString(i % 37, u'x');
    const QString file = writeFile(u"lf.rar"_s, gbkFile(lines));
    for (const QString& query : {u"600001"_s, u"华夏"_s, u"没有"_s}) {
        const Run crlf = run({u"--data"_s, file, query});
        const Run lf = run({u"--data"_s, file, u"--lf"_s, query});
        QCOMPARE(lf.exitCode, crlf.exitCode);
        QCOMPARE(lf.out, QByteArray(crlf.out).replace("\r\n", "\n"));
        QVERIFY(!lf.out.contains('\r'));
    }
    // A query as long as many blocks, of CRs and CR LFs: lone CRs stay, CR LFs become LFs; the
    // writer once called itself for every block of such a query until the stack ran out.
    for (const QString& unit : {u"\r"_s, u"a\r"_s, u"\r\n"_s, u"\r\r\n"_s}) {
        // Within what a command line holds: 128 KiB an argument (Linux), 32767 characters in all
        // (Windows).
        const QString query = unit.repeated(30000 / unit.size());
        const Run crlf = run({u"--data"_s, file, u"--"_s, query});
        const Run lf = run({u"--data"_s, file, u"--lf"_s, u"--"_s, query});
        QCOMPARE(lf.exitCode, 1);
        QCOMPARE(lf.out, QByteArray(crlf.out).replace("\r\n", "\n"));
        QString shown = u"股东"_s + query + u"持有：\r\n\r\n"_s;
        QCOMPARE(lf.out, shown.replace(u"\r\n"_s, u"\n"_s).toUtf8());
    }
}

void GeguQueryTest::writerWritesTheTextInBlocks_data() {
    // The pieces of a report, written in blocks of a few code units: the same UTF-8 as the
    // whole text, CR LF made LF with --lf, wherever the blocks cut the text.
    QTest::addColumn<QStringList>("pieces");
    QTest::addColumn<int>("block");
    QTest::newRow("CR LF cut by a block") << QStringList{u"ab\r"_s, u"\ncd\r\n"_s} << 3;
    QTest::newRow("a CR at every block's end") << QStringList{u"\r"_s.repeated(50)} << 2;
    QTest::newRow("a piece longer than many blocks")
        << QStringList{u"x\r\n"_s.repeated(40), u"\r"_s, u"\n"_s} << 5;
    QTest::newRow("a surrogate pair cut by a block")
        << QStringList{u"a"_s, QString::fromUtf16(u"\U00020000\U00020000"), u"\r\n"_s} << 2;
    QTest::newRow("a lone CR at the end") << QStringList{u"a\r\n\r"_s} << 4;
    QTest::newRow("empty pieces") << QStringList{QString(), u"\r"_s, QString(), u"\n"_s} << 2;
}

void GeguQueryTest::writerWritesTheTextInBlocks() {
    QFETCH(QStringList, pieces);
    QFETCH(int, block);
    for (const bool lf : {false, true}) {
        QByteArray out;
        gegu::Utf8Writer writer(
            [&](QByteArrayView bytes) {
                out += bytes;
                return true;
            },
            lf, block);
        for (const QString& piece : pieces)
            writer.put(piece);
        QVERIFY(writer.finish());
        QString whole = pieces.join(QString());
        if (lf)
            whole.replace(u"\r\n"_s, u"\n"_s);
        QCOMPARE(out, whole.toUtf8());
    }
    // A failed write is told at the end.
    gegu::Utf8Writer failing([](QByteArrayView) { return false; }, false, block);
    failing.put(pieces.join(QString()) + u"x"_s);
    QVERIFY(!failing.finish());
}

void GeguQueryTest::notADataFileIsSaid() {
    // A text whose first line holds no count (a README, a CSV export) loads as one record, as
    // always; a warning says it is no data file, and --info says so. The status is the query's.
    const QString readme =
        writeFile(u"README.md"_s, "# Gegu\r\n\r\nGegu looks up holders.\r\n\r\nMore.\r\n"_ba);
    Run r = run({u"--data"_s, readme, u"华夏"_s});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.err, said("gegu-query: warning: ", "gegu-query: 警告：") + readme.toUtf8() +
                        said(":1: no record count; is this a data file?\n",
                             ":1: 没有记录数；这是数据文件吗？\n"));
    r = run({u"--data"_s, readme, u"--info"_s});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.contains("\nrecords: 1\n"));
    QVERIFY(r.out.endsWith("\nlooks like a data file: no\n"));
    // A data file says nothing.
    r = run({u"--data"_s, data_, u"华夏"_s});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.err.isEmpty());
}

void GeguQueryTest::onlyCalendarDaysAreDates() {
    // A header's yyyy-mm-dd that no calendar has is no report date: not in --info, not in
    // --tsv; the file loads as before.
    const QString file = writeFile(
        u"dates.rar"_s, gbkFile({u"1"_s, u"600036 招商银行  十大股东  2023-13-45"_s, u"1"_s,
                                 u"head"_s, u"  华夏  │ 1│ 1│ A│ 新进"_s,
                                 u"600036 招商银行  十大股东  2024-02-29"_s, u"0"_s, u"head"_s}));
    Run r = run({u"--data"_s, file, u"--info"_s});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.contains("\nrecords: 2\n") && r.out.contains("\ndates: 1\n") &&
                 r.out.contains("\noldest date: 2024-02-29\nnewest date: 2024-02-29\n"),
             r.out.constData());
    r = run({u"--data"_s, file, u"--tsv"_s, u"华夏"_s});
    QCOMPARE(r.out.split('\n').value(1).split('\t').value(3), QByteArray());
}

void GeguQueryTest::tsvRows() {
    // One line a holder row shown, under a header line: the stock's code, name and date from its
    // header line, the row's cells, the table last; a row whose cells cannot be read is its
    // text, the other cells empty; a tab inside a field becomes a blank. The same holder in
    // both tables of a stock is two lines that the table column tells apart.
    const QString file = writeFile(
        u"tsv.rar"_s,
        gbkFile({u"2"_s, u"600036 招商银行  十大股东  2024-06-30"_s, u"2"_s, u"head"_s,
                 u"  华夏大盘  │  12345.68│      5.12│ 流通A股  │ 减持200.00  "_s, u"  张三\t│ 2"_s,
                 u"600036 招商银行  十大流通股东  2024-06-30"_s, u"1"_s, u"head"_s,
                 u"  华夏大盘  │  12345.68│      6.40│ 流通A股  │ 减持200.00  "_s,
                 u" 000002 万\t科"_s, u"1"_s, u"head"_s, u"  华夏成长 │ 3.5│ │ 限售A股│ 新进"_s}));
    const QByteArray header =
        "query\tcode\tstock\tdate\tholder\tshares\tratio\ttype\tchange\ttable\n";
    Run r = run({u"--data"_s, file, u"--tsv"_s, u"600036"_s, u"华夏"_s, u"123"_s});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, header +
                        "600036\t600036\t招商银行\t2024-06-30\t华夏大盘\t12345.68\t5.12\t流通A股\t"
                        "减持200.00\t十大股东\n"
                        "600036\t600036\t招商银行\t2024-06-30\t张三 │ 2\t\t\t\t\t十大股东\n"
                        "华夏\t600036\t招商银行\t2024-06-30\t华夏大盘\t12345.68\t5.12\t流通A股\t"
                        "减持200.00\t十大股东\n"
                        "华夏\t600036\t招商银行\t2024-06-30\t华夏大盘\t12345.68\t6.40\t流通A股\t"
                        "减持200.00\t十大流通股东\n"
                        "华夏\t000002\t万 科\t\t华夏成长\t3.5\t\t限售A股\t新进\t十大股东\n"_ba);
    r = run({u"--data"_s, file, u"--tsv"_s, u"李四"_s});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.out, header);
}

void GeguQueryTest::portfolios_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("input"); // for --stdin
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QList<QByteArray>>("lines"); // lines that the output holds, in order
    QTest::addColumn<int>("lineCount");
    QTest::newRow("the newest date")
        << QStringList{u"甲基金"_s} << QByteArray() << 0
        << QList<QByteArray>{"股东甲基金的持仓（报告期 2024-06-30）：",
                             "  000002│万科    │十大股东    │       10.00│    0.10│流通A股 │不变   "
                             "   │   1",
                             "  持有 4 只股票：十大股东 4 只，175.00 万股；十大流通股东 1 "
                             "只，120.00 万股。",
                             "无该期报告：另有 1 "
                             "只股票没有该期报告，按其最近一期报告列出，不计入合计：",
                             "  000006│东方│十大股东│2024-03-31│        9.00│    0.90│流通A股 "
                             "│不变│   1"}
        << 16;
    QTest::newRow("since an earlier date, names trimmed")
        << QStringList{u"--since"_s, u"2024-03-31"_s, u" 甲基金 "_s} << QByteArray() << 0
        << QList<QByteArray>{"股东甲基金的持仓（报告期 2024-06-30，与 2024-03-31 比较）：",
                             "  与 2024-03-31 相比（按股票的每张表计）：新进 1，退出 1，增持 "
                             "1，减持 1，"
                             "不变 1，无可比报告 2。",
                             "  "
                             "退出：该期已不在前十名之列；它可能仍持有前十名以外的股份，数据无法显"
                             "示。"}
        << 19;
    QTest::newRow("an earlier date")
        << QStringList{u"--date"_s, u"20240331"_s, u"甲基金"_s} << QByteArray() << 0
        << QList<QByteArray>{"股东甲基金的持仓（报告期 2024-03-31）："} << 15;
    QTest::newRow("a holder of nothing: status 1")
        << QStringList{u"甲基"_s} << QByteArray() << 1
        << QList<QByteArray>{"股东甲基的持仓（报告期 2024-06-30）：",
                             "  持有 0 只股票：十大股东 0 只，0.00 万股；十大流通股东 0 只，0.00 "
                             "万股。"}
        << 2;
    QTest::newRow("several holders, from standard input too")
        << QStringList{u"--stdin"_s, u"甲基金二号"_s} << "\n丙\r\n"_ba << 0
        << QList<QByteArray>{"股东甲基金二号的持仓（报告期 2024-06-30）：",
                             "  持有 2 只股票：十大股东 2 只，100.00 万股；十大流通股东 0 只，0.00 "
                             "万股。",
                             "股东丙的持仓（报告期 2024-06-30）："}
        << 9;
    QTest::newRow("tsv") << QStringList{u"--tsv"_s, u"--since"_s, u"2024-03-31"_s, u"甲基金"_s}
                         << QByteArray() << 0
                         << QList<QByteArray>{"holder\tcode\tstock\ttable\tdate\tshares\tratio\t"
                                              "type\tchange\trank\tstatus\tsince_shares\t"
                                              "since_ratio\tshares_change\tratio_change",
                                              "甲基金\t600036\t招商银行\t十大流通股东\t2024-06-30\t"
                                              "120.00\t1.50\t流通A股\t减持10.00\t1\t减持\t130.00\t"
                                              "1.60\t-10.00\t-0.10"}
                         << 9;
    QTest::newRow("six holders: found through the index of written names")
        << QStringList{u"--tsv"_s, u"丙"_s, u"乙公司"_s, u"丁"_s, u"戊"_s, u"己"_s, u"甲基金二号"_s}
        << QByteArray() << 0
        << QList<QByteArray>{"乙公司\t000003\t平安\t十大股东\t2024-06-30\t40.00\t4.00\t流通A股\t"
                             "不变\t1\t持有",
                             "甲基金二号\t600036\t招商银行\t十大股东\t2024-06-30\t50.00\t0.50\t"
                             "流通A股\t不变\t3\t持有"}
        << 5;
    QTest::newRow("tsv of a holder of nothing")
        << QStringList{u"--tsv"_s, u"丙"_s} << QByteArray() << 1
        << QList<QByteArray>{"holder\tcode\tstock\ttable\tdate\tshares\tratio\ttype\tchange\t"
                             "rank\tstatus"}
        << 1;
    QTest::newRow("with --info first")
        << QStringList{u"--info"_s, u"甲基金二号"_s} << QByteArray() << 0
        << QList<QByteArray>{"dates: 3", "股东甲基金二号的持仓（报告期 2024-06-30）："}
        << 17; // --info has 10 lines
}

void GeguQueryTest::portfolios() {
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);
    QFETCH(QList<QByteArray>, lines);
    QFETCH(int, lineCount);
    const QString file = writeFile(u"portfolio.rar"_s, portfolioFile());
    const QStringList all = QStringList{u"--data"_s, file, u"--lf"_s, u"--portfolio"_s} + args;
    const Run r = input.isEmpty() ? run(all) : runWithInput(all, input);
    QVERIFY2(r.err.isEmpty(), r.err.constData());
    QCOMPARE(r.exitCode, exitCode);
    const QList<QByteArray> out = r.out.split('\n');
    QCOMPARE(out.back(), QByteArray());
    QCOMPARE(out.size() - 1, lineCount);
    qsizetype at = 0;
    for (const QByteArray& line : lines) {
        const qsizetype found = out.indexOf(line, at);
        QVERIFY2(found >= 0, line.constData());
        at = found + 1;
    }
    // Without --lf, every line of a report ends with CR LF, as the other reports'.
    if (!args.contains(u"--tsv"_s) && !args.contains(u"--info"_s)) {
        const QStringList crlf = all.mid(0, 2) + all.mid(3);
        const Run withCrLf = input.isEmpty() ? run(crlf) : runWithInput(crlf, input);
        QCOMPARE(withCrLf.out, QByteArray(r.out).replace("\n", "\r\n"));
    }
}

void GeguQueryTest::portfolioErrors_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    const QByteArray file = portfolioFile();
    QTest::newRow("a date without reports")
        << file << QStringList{u"--date"_s, u"2024-05-31"_s, u"甲基金"_s}
        << QString::fromUtf8(
               said("--date 2024-05-31: the data file has no report of that date (its report "
                    "dates: 2023-12-31 to 2024-06-30, 3 dates)",
                    "--date 2024-05-31：数据文件没有这个日期的报告（它的报告期：2023-12-31 至 "
                    "2024-06-30，共 3 个）"));
    QTest::newRow("since without reports")
        << file << QStringList{u"--since"_s, u"2020-12-31"_s, u"甲基金"_s}
        << QString::fromUtf8(said("--since 2020-12-31: the data file has no report of that date",
                                  "--since 2020-12-31：数据文件没有这个日期的报告"));
    QTest::newRow("since not before the newest date")
        << file << QStringList{u"--since"_s, u"2024-06-30"_s, u"甲基金"_s}
        << QString::fromUtf8(said("--since 2024-06-30 is not before the report date 2024-06-30",
                                  "--since 2024-06-30 不早于报告期 2024-06-30"));
    QTest::newRow("headers without dates")
        << gbkFile({u"0"_s, u"600036 招商银行"_s, u"1"_s, u"head"_s, u"  甲基金 │ 1│ 2│ │"_s})
        << QStringList{u"甲基金"_s}
        << QString::fromUtf8(
               said("the data file's headers name no report date", "数据文件的表头没有报告期"));
    QByteArray broken = file;
    const QByteArray row =
        gbkBytes(u"  甲基金                │     10.00│      0.10│ 流通A股  │ 不变"_s);
    const qsizetype at = broken.indexOf(row);
    broken.replace(at, row.size(), gbkBytes(u"  甲基金                │     10.00"_s));
    QTest::newRow("a row of the holder that cannot be read")
        << broken << QStringList{u"乙公司"_s, u"甲基金"_s}
        << u"portfolio-error.rar:%1: "_s.arg(broken.left(at).count('\n') + 1) +
               QString::fromUtf8(
                   said("a row of 甲基金 whose cells cannot be read", "甲基金 的一行无法读出各栏"));
}

void GeguQueryTest::portfolioErrors() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    const QString file = writeFile(u"portfolio-error.rar"_s, bytes);
    const Run r = run(QStringList{u"--data"_s, file, u"--portfolio"_s} + args);
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.out.isEmpty()); // nothing of any holder
    QCOMPARE(r.err.count('\n'), 1);
    QVERIFY2(QString::fromUtf8(r.err).contains(message), r.err.constData());
}

void GeguQueryTest::allPeriodsAndInfo() {
    const QString file = writeFile(u"history.rar"_s, historyFile());
    // Every period of a stock, newest first, each as the code query shows the newest.
    Run r = run({u"--data"_s, file, u"--all-periods"_s, u"--lf"_s, u"600036"_s});
    QCOMPARE(r.exitCode, 0);
    const QList<QByteArray> headers = [&] {
        QList<QByteArray> h;
        for (const QByteArray& line : r.out.split('\n')) {
            if (line.startsWith("600036"))
                h << line;
        }
        return h;
    }();
    QCOMPARE(headers, (QList<QByteArray>{"600036 招商银行  十大股东  2024-06-30",
                                         "600036 招商银行  十大股东  2024-03-31",
                                         "600036 招商银行  十大股东  2023-12-31"}));
    QVERIFY(r.out.startsWith(run({u"--data"_s, file, u"--lf"_s, u"600036"_s}).out));
    // Names and unknown codes as without it.
    QCOMPARE(run({u"--data"_s, file, u"--all-periods"_s, u"华夏"_s}).out,
             run({u"--data"_s, file, u"华夏"_s}).out);
    QCOMPARE(run({u"--data"_s, file, u"--all-periods"_s, u"123"_s}).exitCode, 1);

    // What the file holds, a key and value a line.
    r = run({u"--data"_s, file, u"--info"_s});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, "path: " + QFileInfo(file).absoluteFilePath().toUtf8() +
                        "\nsize: " + QByteArray::number(QFileInfo(file).size()) +
                        "\nrecords: 4\nstocks: 2\nrows: 7\ndates: 3\noldest date: 2023-12-31\n"
                        "newest date: 2024-06-30\nsample: no\nlooks like a data file: yes\n"_ba);
    r = run({u"--data"_s, QStringLiteral(GEGU_BUNDLED_SAMPLE), u"--info"_s, u"600036"_s});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.contains("\nsample: yes\nlooks like a data file: yes\n600036 "));
}

void GeguQueryTest::writeErrorsExit2_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("--help") << QStringList{u"--help"_s};
    QTest::newRow("--version") << QStringList{u"--version"_s};
    QTest::newRow("a report") << QStringList{u"--data"_s, data_, u"600036"_s};
}

void GeguQueryTest::writeErrorsExit2() {
    SKIP_ON_WINDOWS("/dev/full");
    QFETCH(QStringList, args);
    Setup setup;
    setup.stdoutFile = u"/dev/full"_s;
    const Run r = run(QStringLiteral(GEGU_QUERY_PATH), args, setup);
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.startsWith(said("gegu-query: cannot write", "gegu-query: 无法写")),
             r.err.constData());
}

void GeguQueryTest::unreadableStandardInputExits2() {
    SKIP_ON_WINDOWS("/bin/sh");
    // A folder as standard input: reading it fails, which is not the same as no queries.
    const Run r = run(u"/bin/sh"_s,
                      {u"-c"_s, u"exec \"$0\" --data \"$1\" --stdin < \"$2\""_s,
                       QStringLiteral(GEGU_QUERY_PATH), data_, dir_.path()},
                      Setup{});
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(r.err.startsWith(
                 said("gegu-query: cannot read standard input", "gegu-query: 无法读取标准输入")),
             r.err.constData());
}

void GeguQueryTest::readerClosingThePipeEndsItQuietly() {
    SKIP_ON_WINDOWS("/bin/bash and SIGPIPE");
    // As grep does: | head ends it by SIGPIPE (141 in a shell), with nothing on stderr.
    const Run r = run(u"/bin/bash"_s,
                      {u"-c"_s,
                       u"set -o pipefail; \"$0\" --data \"$1\" -- '' 2>\"$2\" | head -c 1 "
                       u">/dev/null; echo $?; cat \"$2\""_s,
                       QStringLiteral(GEGU_QUERY_PATH), QStringLiteral(GEGU_BUNDLED_SAMPLE),
                       dir_.filePath(u"pipe.err"_s)},
                      Setup{});
    QCOMPARE(r.out, "141\n"_ba);
}

void GeguQueryTest::fileChangingWhileReadGivesOneWholeAnswer_data() {
    QTest::addColumn<QString>("change");
    QTest::newRow("replaced by another file") << u"replace"_s;
    QTest::newRow("removed and written again") << u"remove"_s;
    QTest::newRow("copied over in place") << u"copy"_s;
}

void GeguQueryTest::fileChangingWhileReadGivesOneWholeAnswer() {
    SKIP_ON_WINDOWS("/bin/sh, cp and mv");
    // gegu-query again and again while another process changes the data file (two samples
    // large enough to be read in halves): each answer is one whole file's, or a clear error
    // (53 when the file is not there, 57 when it changed while read). GEGU_RACE_RUNS sets the
    // number of runs (default 40).
    QFETCH(QString, change);
    const int runs = qEnvironmentVariableIsSet("GEGU_RACE_RUNS")
                         ? qEnvironmentVariableIntValue("GEGU_RACE_RUNS")
                         : 40;
    QTemporaryDir dir;
    QStringList samples;
    QList<QByteArray> answers;
    for (int seed : {1, 2}) {
        const QString sample = dir.filePath(u"sample%1.rar"_s.arg(seed));
        QCOMPARE(QProcess::execute(
                     QStringLiteral(GEGU_GEN_SAMPLE_PATH),
                     {u"--stocks"_s, u"320"_s, u"--seed"_s, QString::number(seed), sample}),
                 0);
        QVERIFY(QFileInfo(sample).size() > (qint64(4) << 20));
        samples << sample;
        const Run r = run({u"--data"_s, sample, u"--lf"_s, u"华夏"_s});
        QCOMPARE(r.exitCode, 0);
        answers << r.out;
    }
    QVERIFY(answers[0] != answers[1]);
    const QString data = dir.filePath(u"gegusj.rar"_s);
    QVERIFY(QFile::copy(samples[0], data));
    // The changes, in a loop of their own until the runs are done.
    const QString script =
        change == u"replace"_s ? u"while :; do cp \"$1\" \"$3.new\"; mv -f \"$3.new\" \"$3\"; "
                                 u"cp \"$2\" \"$3.new\"; mv -f \"$3.new\" \"$3\"; done"_s
        : change == u"remove"_s
            ? u"while :; do rm -f \"$3\"; cp \"$1\" \"$3\"; rm -f \"$3\"; cp \"$2\" \"$3\"; done"_s
            : u"while :; do cp \"$1\" \"$3\"; cp \"$2\" \"$3\"; done"_s;
    QProcess changer;
    changer.start(u"/bin/sh"_s, {u"-c"_s, script, u"changer"_s, samples[0], samples[1], data});
    QVERIFY(changer.waitForStarted());
    const auto stop = qScopeGuard([&] {
        changer.kill();
        changer.waitForFinished();
    });
    int whole = 0;
    for (int i = 0; i < runs; ++i) {
        const Run r = run({u"--data"_s, data, u"--lf"_s, u"华夏"_s});
        if (r.exitCode == 0) {
            QVERIFY2(r.out == answers[0] || r.out == answers[1], "a mixed answer");
            ++whole;
            continue;
        }
        // The clear errors: not there (removed), changed while read, or a file caught half
        // written by cp, which ends before its counts say or holds what is not a count.
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.out.isEmpty());
        const QByteArray error = said("runtime error ", "运行时错误 ");
        QVERIFY2(r.err.contains(error + "53") || r.err.contains(error + "57") ||
                     (change != u"replace"_s &&
                      (r.err.contains(error + "62") || r.err.contains(error + "6"))),
                 r.err.constData());
    }
    if (change == u"replace"_s)
        QCOMPARE(whole, runs); // a file put in place whole is always read whole
    qInfo("%d of %d runs answered whole", whole, runs);
}

QTEST_GUILESS_MAIN(GeguQueryTest)
#include "tst_gegu_query.moc"
