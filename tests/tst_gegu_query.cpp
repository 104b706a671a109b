#include "support.h"

#include <QProcess>
#include <QTemporaryDir>

using namespace gegu::test;
using namespace Qt::StringLiterals;

namespace {

struct Run {
    int exitCode;
    QByteArray out;
    QByteArray err;
};

} // namespace

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
    void defaultDataFileIsInCurrentDirectory();
    void bundledSampleIsGeneratedAndAnswers();

private:
    Run run(const QStringList& args, const QString& workingDir = {});
    QString writeFile(const QString& name, const QByteArray& bytes);

    QTemporaryDir dir_;
    QString data_;
};

void GeguQueryTest::initTestCase() {
    QVERIFY(dir_.isValid());
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
    QProcess p;
    if (!workingDir.isEmpty())
        p.setWorkingDirectory(workingDir);
    p.start(QStringLiteral(GEGU_QUERY_PATH), args);
    if (!p.waitForFinished(30000))
        qFatal("gegu-query did not finish");
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
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
                             << "runtime error 53: File not found"_ba;
    QTest::newRow("too short") << u"short.rar"_s << "0\r\nh\r\n2\r\nhead\r\n"_ba
                               << "runtime error 62: Input past end of file"_ba;
    QTest::newRow("overflow") << u"big.rar"_s << "5e9\r\n"_ba
                              << "runtime error 6: Overflow"_ba;
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
        QVERIFY2(r.err.contains(bytes.startsWith('0') ? "line 5" : "line 1"), r.err.constData());
}

void GeguQueryTest::argumentErrors_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no query") << QStringList{};
    QTest::newRow("two queries") << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("unknown option") << QStringList{u"--fast"_s, u"a"_s};
    QTest::newRow("dash query without --") << QStringList{u"-3"_s};
    QTest::newRow("--data without file") << QStringList{u"--data"_s};
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
    QVERIFY(help.out.contains("--data <FILE>"));
    QVERIFY(help.out.contains("QUERY"));
    const Run version = run({u"--version"_s});
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.out, "gegu-query " GEGU_VERSION "\n"_ba);
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

QTEST_GUILESS_MAIN(GeguQueryTest)
#include "tst_gegu_query.moc"
