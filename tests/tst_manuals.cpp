// The man pages say what the programs' --help says: the same options, each documented.

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The long and short options named in a text: --data, -h, ...
QSet<QString> optionsIn(const QString& text) {
    QSet<QString> options;
    static const QRegularExpression option(u"(?<![\\w-])(--?[a-z][a-z-]*)(?![\\w-])"_s);
    for (const auto& match : option.globalMatch(text))
        options << match.captured(1);
    return options;
}

} // namespace

class ManualsTest : public QObject {
    Q_OBJECT
private slots:
    void manPageMatchesHelp_data();
    void manPageMatchesHelp();
};

void ManualsTest::manPageMatchesHelp_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("page");
    const QString man = QStringLiteral(GEGU_SOURCE_DIR) + u"/packaging/man/"_s;
#if defined(GEGU_PATH)
    QTest::newRow("gegu") << QStringLiteral(GEGU_PATH) << man + u"gegu.1"_s;
#endif
    QTest::newRow("gegu-query") << QStringLiteral(GEGU_QUERY_PATH) << man + u"gegu-query.1"_s;
    QTest::newRow("gegu-import") << QStringLiteral(GEGU_IMPORT_PATH) << man + u"gegu-import.1"_s;
}

void ManualsTest::manPageMatchesHelp() {
    QFETCH(QString, program);
    QFETCH(QString, page);
    QProcess p;
    p.start(program, {u"--help"_s});
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitCode(), 0);
    const QString help = QString::fromUtf8(p.readAllStandardOutput());
    // The options of --help's "Options:" part, against those of the man page's OPTIONS.
    const QString helpOptions = help.section(u"Options:"_s, 1).section(u"\n\n"_s, 0, 0);
    QFile f(page);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QString roff = QString::fromUtf8(f.readAll()).replace(u"\\-"_s, u"-"_s);
    roff.remove(QRegularExpression(u"\\\\f[BIR]"_s));
    const QString manOptions = roff.section(u".SH OPTIONS"_s, 1).section(u".SH "_s, 0, 0);
    QVERIFY(!optionsIn(helpOptions).isEmpty());
    QCOMPARE(optionsIn(manOptions), optionsIn(helpOptions));
    // Every section a user looks for.
    for (const char* section : {".SH SYNOPSIS", ".SH EXIT STATUS", ".SH FILES", ".SH EXAMPLES"})
        QVERIFY2(roff.contains(QLatin1StringView(section)), section);
}

QTEST_GUILESS_MAIN(ManualsTest)
#include "tst_manuals.moc"
