// gegu-bench-report: runs every performance measurement and prints one table of figures,
// goals and ratios.
//
//   gegu-bench-report BUILD_DIR FULL_FILE TEN_TIMES_FILE FULL_CSV
//
// Needs hyperfine, iconv, grep and /usr/bin/time on the PATH; the GUI figures use Qt's
// offscreen platform.

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <tuple>
#include <vector>

namespace {

struct Row {
    QString figure;
    QString measured;
    QString goal;
    QString ratio;
    bool met;
};

QString buildDir;
QString fullFile;
QString tenFile;
QString fullCsv;
QString historyFile;
QTemporaryDir scratch;
const QString query = QStringLiteral("华夏");

[[noreturn]] void die(const QString& message) {
    std::fprintf(stderr, "gegu-bench-report: %s\n", qPrintable(message));
    std::exit(2);
}

QByteArray run(const QString& program, const QStringList& args,
               const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
               const QString& workingDir = {}, QByteArray* err = nullptr) {
    QProcess p;
    p.setProcessEnvironment(env);
    if (!workingDir.isEmpty())
        p.setWorkingDirectory(workingDir);
    p.start(program, args);
    if (!p.waitForFinished(30 * 60 * 1000) || p.exitStatus() != QProcess::NormalExit)
        die(QStringLiteral("%1 did not finish").arg(program));
    if (err)
        *err = p.readAllStandardError();
    return p.readAllStandardOutput();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Medians of the in-process benchmarks, in milliseconds, by benchmark name.
QMap<QString, double> engineBenchmarks() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("GEGU_BENCH_FILE"), fullFile);
    env.insert(QStringLiteral("GEGU_BENCH_TEN_FILE"), tenFile);
    env.insert(QStringLiteral("GEGU_BENCH_HISTORY_FILE"), historyFile);
    const QByteArray out = run(buildDir + QStringLiteral("/gegu-bench-engine"),
                               {QStringLiteral("--benchmark_repetitions=9"),
                                QStringLiteral("--benchmark_report_aggregates_only=true"),
                                QStringLiteral("--benchmark_format=json")},
                               env);
    QMap<QString, double> ms;
    // Counters come through under the benchmark's name and the counter's.
    const QJsonArray benchmarks =
        QJsonDocument::fromJson(out)[QStringLiteral("benchmarks")].toArray();
    for (const QJsonValue& b : benchmarks) {
        if (b[QStringLiteral("aggregate_name")].toString() != QStringLiteral("median"))
            continue;
        const QString unit = b[QStringLiteral("time_unit")].toString();
        const double scale = unit == QStringLiteral("us")   ? 1e-3
                             : unit == QStringLiteral("ns") ? 1e-6
                                                            : 1;
        const QString name = b[QStringLiteral("run_name")].toString().section(u'/', 0, 0);
        ms[name] = b[QStringLiteral("real_time")].toDouble() * scale;
        if (b.toObject().contains(QStringLiteral("ratio")))
            ms[name + QStringLiteral(".ratio")] = b[QStringLiteral("ratio")].toDouble();
    }
    if (ms.isEmpty())
        die(QStringLiteral("no benchmark results"));
    return ms;
}

// Median times (ms) of two commands side by side: through the shell, or with shell = false
// each run as it stands (hyperfine -N), which suits commands of a few milliseconds.
std::pair<double, double> sideBySide(const QString& first, const QString& second, bool shell = true,
                                     int runs = 20) {
    const QString json = scratch.filePath(QStringLiteral("side.json"));
    QStringList options{QStringLiteral("--warmup"),      QStringLiteral("3"),
                        QStringLiteral("--runs"),        QString::number(runs),
                        QStringLiteral("--style"),       QStringLiteral("none"),
                        QStringLiteral("--export-json"), json};
    if (!shell)
        options.prepend(QStringLiteral("-N"));
    run(QStringLiteral("hyperfine"), options + QStringList{first, second});
    QFile f(json);
    if (!f.open(QIODevice::ReadOnly))
        die(QStringLiteral("hyperfine wrote no results"));
    const QJsonArray results =
        QJsonDocument::fromJson(f.readAll())[QStringLiteral("results")].toArray();
    return {results[0][QStringLiteral("median")].toDouble() * 1000,
            results[1][QStringLiteral("median")].toDouble() * 1000};
}

// Median whole-process times (ms) of gegu-query and of iconv | grep on a file, in one run.
std::pair<double, double> versusIconvGrep(const QString& file) {
    return sideBySide(QStringLiteral("%1/gegu-query --data %2 -- %3").arg(buildDir, file, query),
                      QStringLiteral("iconv -f GBK -t UTF-8 %1 | grep -F %2").arg(file, query));
}

// Peak resident memory of a command, in bytes (median of three runs).
double peakRss(const QStringList& command) {
    std::vector<double> kb;
    for (int i = 0; i < 3; ++i) {
        QByteArray err;
        run(QStringLiteral("/usr/bin/time"),
            QStringList{QStringLiteral("-f"), QStringLiteral("%M")} + command,
            QProcessEnvironment::systemEnvironment(), {}, &err);
        kb.push_back(err.trimmed().split('\n').last().toDouble());
    }
    return median(kb) * 1024;
}

// Peak resident memory of gegu-query on a file, in bytes.
double peakRss(const QString& file) {
    return peakRss({buildDir + QStringLiteral("/gegu-query"), QStringLiteral("--data"), file,
                    QStringLiteral("--"), query});
}

// Median times (ms) of gegu-import of a CSV and of iconv -f UTF-8 -t GBK over it, in one run.
std::pair<double, double> importVersusIconv(const QString& csv) {
    const QString out = scratch.filePath(QStringLiteral("imported.rar"));
    return sideBySide(QStringLiteral("%1/gegu-import --force -o %2 %3").arg(buildDir, out, csv),
                      QStringLiteral("iconv -f UTF-8 -t GBK -o %1.gbk %2").arg(out, csv), false,
                      30);
}

// Writes a data file of lines one byte long, of about the given size: records of three empty
// lines, or nothing but line ends. Returns its path.
QString lineDenseFile(const QString& name, const QByteArray& head, const QByteArray& unit,
                      qint64 size) {
    const QString path = scratch.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        die(QStringLiteral("cannot write %1").arg(path));
    f.write(head);
    const QByteArray block = unit.repeated((1 << 20) / unit.size());
    for (qint64 written = 0; written < size; written += block.size())
        f.write(block);
    return path;
}

qint64 monotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// A data file of one stock whose one holder row is megabytes long, as a broken or crafted file
// may hold: its name is 巨行股东.
QString hugeRowFile(qint64 rowBytes) {
    const QString path = scratch.filePath(QStringLiteral("huge-row.rar"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        die(QStringLiteral("cannot write %1").arg(path));
    const auto gbk = [](const char16_t* text) {
        return QStringEncoder("GBK").encode(QString::fromUtf16(text)).operator QByteArray();
    };
    f.write("0\r\n" + gbk(u"600999 巨行测试") + "\r\n1\r\n" + gbk(u"股东情况") + "\r\n" +
            gbk(u"  巨行股东 │ ") + QByteArray(rowBytes, '9') + "\r\n");
    return path;
}

// A query in the window, in fresh processes: the medians over `starts` processes of the first
// click (click to idle), of the repeats after it, and of what the first click adds to memory.
QJsonObject guiQuery(const QString& file, const QString& text, int starts) {
    QDir dir(scratch.path());
    const QString name = QStringLiteral("query-") + QFileInfo(file).completeBaseName();
    dir.mkdir(name);
    const QString guiDir = dir.filePath(name);
    QFile::remove(guiDir + QStringLiteral("/gegusj.rar"));
    if (!QFile::link(QFileInfo(file).absoluteFilePath(), guiDir + QStringLiteral("/gegusj.rar")))
        die(QStringLiteral("cannot link the data file"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), scratch.path());
    QMap<QString, std::vector<double>> values;
    for (int i = 0; i < starts; ++i) {
        const QByteArray out =
            run(buildDir + QStringLiteral("/gegu-bench-gui"),
                {QString::number(monotonicNs()), QStringLiteral("query"), text}, env, guiDir);
        const QJsonObject o = QJsonDocument::fromJson(out).object();
        for (auto it = o.begin(); it != o.end(); ++it)
            values[it.key()].push_back(it.value().toDouble());
    }
    QJsonObject medians;
    for (auto it = values.begin(); it != values.end(); ++it)
        medians[it.key()] = median(it.value());
    return medians;
}

// Medians of the GUI figures over starts of the window on a data file; with startOnly, of the
// time to the window shown alone, the starts one after the other as gegu-query's are.
QJsonObject guiTimings(const QString& file, int starts, bool startOnly = false) {
    QDir dir(scratch.path());
    const QString name = QFileInfo(file).completeBaseName();
    dir.mkdir(name);
    const QString guiDir = dir.filePath(name);
    QFile::remove(guiDir + QStringLiteral("/gegusj.rar"));
    if (!QFile::link(QFileInfo(file).absoluteFilePath(), guiDir + QStringLiteral("/gegusj.rar")))
        die(QStringLiteral("cannot link the data file"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), scratch.path());
    QMap<QString, std::vector<double>> values;
    for (int i = 0; i < starts; ++i) {
        const QByteArray out = run(buildDir + QStringLiteral("/gegu-bench-gui"),
                                   {QString::number(monotonicNs()),
                                    startOnly ? QStringLiteral("start") : QStringLiteral("3")},
                                   env, guiDir);
        const QJsonObject o = QJsonDocument::fromJson(out).object();
        for (auto it = o.begin(); it != o.end(); ++it)
            values[it.key()].push_back(it.value().toDouble());
    }
    QJsonObject medians;
    for (auto it = values.begin(); it != values.end(); ++it)
        medians[it.key()] = median(it.value());
    return medians;
}

// The portfolio the benchmarks time: the holder in the most tables of the history file, its
// newest report date, the date four report dates before, and its rows.
struct TopHolder {
    QString name;
    QString date;
    QString since;
    QString rows;
};

TopHolder topHolder(const QString& file) {
    const QStringList lines = QString::fromUtf8(run(buildDir + QStringLiteral("/gegu-bench-engine"),
                                                    {QStringLiteral("--top-holder"), file}))
                                  .split(u'\n');
    if (lines.size() < 4 || lines[0].isEmpty() || lines[2].isEmpty())
        die(QStringLiteral("no holder in the history file"));
    return {lines[0], lines[1], lines[2], lines[3]};
}

// 持仓一览 in the window on the history file, in fresh processes: the medians over `starts`
// processes of the first choice's time (choice to idle) and of the repeats after it.
QJsonObject guiPortfolio(const QString& file, const QString& holder, int starts) {
    QDir dir(scratch.path());
    const QString name = QStringLiteral("portfolio-") + QFileInfo(file).completeBaseName();
    dir.mkdir(name);
    const QString guiDir = dir.filePath(name);
    QFile::remove(guiDir + QStringLiteral("/gegusj.rar"));
    if (!QFile::link(QFileInfo(file).absoluteFilePath(), guiDir + QStringLiteral("/gegusj.rar")))
        die(QStringLiteral("cannot link the data file"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), scratch.path());
    QMap<QString, std::vector<double>> values;
    for (int i = 0; i < starts; ++i) {
        const QByteArray out =
            run(buildDir + QStringLiteral("/gegu-bench-gui"),
                {QString::number(monotonicNs()), QStringLiteral("portfolio"), holder}, env, guiDir);
        const QJsonObject o = QJsonDocument::fromJson(out).object();
        if (o.isEmpty())
            die(QStringLiteral("the portfolio window was not timed"));
        for (auto it = o.begin(); it != o.end(); ++it)
            values[it.key()].push_back(it.value().toDouble());
    }
    QJsonObject medians;
    for (auto it = values.begin(); it != values.end(); ++it)
        medians[it.key()] = median(it.value());
    return medians;
}

// A hundred holder names of the file, one a line, for gegu-query --stdin.
QString hundredQueries(const QString& file) {
    const QByteArray rows = run(
        buildDir + QStringLiteral("/gegu-query"),
        {QStringLiteral("--data"), file, QStringLiteral("--tsv"), QStringLiteral("--"), QString()});
    QStringList names;
    for (const QByteArray& line : rows.split('\n').mid(1)) {
        // query, code, stock, date, holder, ...
        const QString name = QString::fromUtf8(line.split('\t').value(4)).trimmed();
        if (!name.isEmpty() && !names.contains(name))
            names << name;
        if (names.size() == 100)
            break;
    }
    const QString path = scratch.filePath(QStringLiteral("queries.txt"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        die(QStringLiteral("cannot write the queries"));
    f.write(names.join(u'\n').toUtf8() + '\n');
    return path;
}

QString ms(double v) {
    return v >= 100 ? QStringLiteral("%1 ms").arg(v, 0, 'f', 0)
           : v >= 1 ? QStringLiteral("%1 ms").arg(v, 0, 'f', 2)
                    : QStringLiteral("%1 us").arg(v * 1000, 0, 'f', 1);
}
QString ratio(double v) {
    return QStringLiteral("%1").arg(v, 0, 'f', 2);
}
QString mib(double bytes) {
    return QStringLiteral("%1 MiB").arg(bytes / (1 << 20), 0, 'f', 1);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 6)
        die(QStringLiteral("usage: gegu-bench-report BUILD_DIR FULL_FILE TEN_TIMES_FILE FULL_CSV "
                           "HISTORY_FILE"));
    buildDir = QFileInfo(args[1]).absoluteFilePath();
    fullFile = QFileInfo(args[2]).absoluteFilePath();
    tenFile = QFileInfo(args[3]).absoluteFilePath();
    fullCsv = QFileInfo(args[4]).absoluteFilePath();
    historyFile = QFileInfo(args[5]).absoluteFilePath();

    std::vector<Row> rows;
    std::fprintf(stderr, "in-process benchmarks...\n");
    const auto engine = engineBenchmarks();
    std::fprintf(stderr, "gegu-query against iconv | grep...\n");
    const auto [geguFull, peerFull] = versusIconvGrep(fullFile);
    const auto [geguTen, peerTen] = versusIconvGrep(tenFile);
    const auto [geguHistory, peerHistory] = versusIconvGrep(historyFile);
    std::fprintf(stderr, "gegu-query against reading the file...\n");
    const auto [geguTenAgain, catTen] =
        sideBySide(QStringLiteral("%1/gegu-query --data %2 -- %3").arg(buildDir, tenFile, query),
                   QStringLiteral("cat %1 > /dev/null").arg(tenFile));
    std::fprintf(stderr, "peak memory...\n");
    const double rssFull = peakRss(fullFile);
    const double rssTen = peakRss(tenFile);
    const double rssBaseline =
        peakRss({buildDir + QStringLiteral("/gegu-query"), QStringLiteral("--version")});
    // 16 MiB of records of three empty lines (5.6 million records), and 100 MiB of line ends.
    const QString tinyRecords =
        lineDenseFile(QStringLiteral("tiny-records.rar"), "5592405\r", "\r\r\r", qint64(16) << 20);
    const QString lineEnds =
        lineDenseFile(QStringLiteral("line-ends.rar"), {}, "\n", qint64(100) << 20);
    const double rssTiny = peakRss(tinyRecords);
    const double rssEnds = peakRss(lineEnds);
    std::fprintf(stderr, "gegu-import against iconv...\n");
    const auto [importMs, iconvMs] = importVersusIconv(fullCsv);
    const double rssImport =
        peakRss({buildDir + QStringLiteral("/gegu-import"), QStringLiteral("--force"),
                 QStringLiteral("-o"), scratch.filePath(QStringLiteral("imported.rar")), fullCsv});
    std::fprintf(stderr, "100 queries...\n");
    const QString queries = hundredQueries(fullFile);
    const QString gq = buildDir + QStringLiteral("/gegu-query --data ");
    const auto [hundredMs, oneMs] =
        sideBySide(gq + fullFile + QStringLiteral(" --stdin < ") + queries,
                   gq + fullFile + QStringLiteral(" 华夏大盘"));
    std::fprintf(stderr, "loading the ten-times file...\n");
    const auto [tenLoadMs, unused] =
        sideBySide(gq + tenFile + QStringLiteral(" 600036"), QStringLiteral("true"));
    (void)unused;
    std::fprintf(stderr, "portfolios...\n");
    const TopHolder top = topHolder(historyFile);
    const auto [portfolioMs, infoMs] =
        sideBySide(gq + historyFile +
                       QStringLiteral(" --portfolio --since %1 -- '%2'").arg(top.since, top.name),
                   gq + historyFile + QStringLiteral(" --info"));
    std::fprintf(stderr, "GUI...\n");
    const QJsonObject gui = guiTimings(fullFile, 5);
    const QJsonObject guiTen = guiTimings(tenFile, 3);
    const QJsonObject tenStarts = guiTimings(tenFile, 7, true);
    const qint64 hugeRowBytes = qint64(5) << 20;
    const QJsonObject hugeRow = guiQuery(hugeRowFile(hugeRowBytes), QStringLiteral("巨行股东"), 1);
    const QJsonObject tenLargest = guiQuery(tenFile, QString(), 3);
    const QJsonObject guiHoldings = guiPortfolio(historyFile, top.name, 3);

    const double fullSize = double(QFileInfo(fullFile).size());
    const double tenSize = double(QFileInfo(tenFile).size());
    const double load = engine.value(QStringLiteral("BM_LoadFile"));
    const double read = engine.value(QStringLiteral("BM_ReadOnly"));
    rows.push_back({QStringLiteral("gegu-query `%1`, full file, vs iconv \\| grep").arg(query),
                    ms(geguFull) + QStringLiteral(" vs ") + ms(peerFull),
                    QStringLiteral("ratio <= 0.25"), ratio(geguFull / peerFull),
                    geguFull / peerFull <= 0.25});
    rows.push_back(
        {QStringLiteral("same, ten-times file"), ms(geguTen) + QStringLiteral(" vs ") + ms(peerTen),
         QStringLiteral("ratio <= 0.25"), ratio(geguTen / peerTen), geguTen / peerTen <= 0.25});
    rows.push_back({QStringLiteral("same, history-scale file from gegu-import (%1)")
                        .arg(mib(double(QFileInfo(historyFile).size()))),
                    ms(geguHistory) + QStringLiteral(" vs ") + ms(peerHistory),
                    QStringLiteral("ratio <= 0.5"), ratio(geguHistory / peerHistory),
                    geguHistory / peerHistory <= 0.5});
    rows.push_back(
        {QStringLiteral("gegu-query `%1`, ten-times file, vs reading the file (`cat`)").arg(query),
         ms(geguTenAgain) + QStringLiteral(" vs ") + ms(catTen), QStringLiteral("ratio <= 3"),
         ratio(geguTenAgain / catTen), geguTenAgain / catTen <= 3});
    const double loadOverRead = engine.value(QStringLiteral("BM_LoadOverRead.ratio"));
    rows.push_back({QStringLiteral("loading the full file vs reading its bytes alone (in turns)"),
                    ms(load) + QStringLiteral(" vs ") + ms(read), QStringLiteral("ratio <= 1.5"),
                    ratio(loadOverRead), loadOverRead <= 1.5});
    for (const auto& [name, label] :
         {std::pair{QStringLiteral("BM_NameQueryRare"), QStringLiteral("name query, rare name")},
          std::pair{QStringLiteral("BM_NameQueryCommon"),
                    QStringLiteral("name query, common name (`华夏`)")}}) {
        const double v = engine.value(name);
        rows.push_back({label + QStringLiteral(" (in process, with the name index, report made)"),
                        ms(v), QStringLiteral("<= 3 ms"), QString(), v <= 3});
    }
    const double commonText = engine.value(QStringLiteral("BM_NameQueryCommonText"));
    rows.push_back({QStringLiteral("same, with all of the report's text made (a copy of it all)"),
                    ms(commonText), QStringLiteral("-"), QString(), true});
    const double code = engine.value(QStringLiteral("BM_CodeQueryLastStock"));
    rows.push_back({QStringLiteral("code query, last stock (in process)"), ms(code),
                    QStringLiteral("<= 50 us"), QString(), code <= 0.05});
    const double largest = engine.value(QStringLiteral("BM_LargestReport"));
    rows.push_back({QStringLiteral("largest report, empty query (in process)"), ms(largest),
                    QStringLiteral("-"), QString(), true});
    for (const auto& [file, rss, label] :
         {std::tuple{fullSize, rssFull, QStringLiteral("full file")},
          std::tuple{tenSize, rssTen, QStringLiteral("ten-times file")}}) {
        const double beyond = (rss - rssBaseline) / file;
        rows.push_back({QStringLiteral("gegu-query peak RSS beyond its baseline (`--version`, %1), "
                                       "%2 (%3)")
                            .arg(mib(rssBaseline), label, mib(file)),
                        mib(rss), QStringLiteral("<= 1.2 x file size"), ratio(beyond),
                        beyond <= 1.2});
    }
    for (const auto& [file, rss, label] :
         {std::tuple{tinyRecords, rssTiny, QStringLiteral("records of three empty lines")},
          std::tuple{lineEnds, rssEnds, QStringLiteral("nothing but line ends")}}) {
        const double size = double(QFileInfo(file).size());
        rows.push_back(
            {QStringLiteral("gegu-query peak RSS, line-dense file: %1 (%2)").arg(label, mib(size)),
             mib(rss), QStringLiteral("<= 8 x file size"), ratio(rss / size), rss / size <= 8});
    }
    const double csvSize = double(QFileInfo(fullCsv).size());
    rows.push_back({QStringLiteral("gegu-import of a CSV of 1681 x 199 rows (%1) vs iconv -f UTF-8 "
                                   "-t GBK")
                        .arg(mib(csvSize)),
                    ms(importMs) + QStringLiteral(" vs ") + ms(iconvMs),
                    QStringLiteral("ratio <= 2"), ratio(importMs / iconvMs),
                    importMs / iconvMs <= 2});
    rows.push_back({QStringLiteral("gegu-import peak RSS, same CSV"), mib(rssImport),
                    QStringLiteral("<= 3 x input size"), ratio(rssImport / csvSize),
                    rssImport / csvSize <= 3});
    for (const auto& [name, label] :
         {std::pair{QStringLiteral("BM_TenTimesIndexedTypical"),
                    QStringLiteral("name query over 3.3 million rows, typical (`华夏大盘`), with "
                                   "the name index (in process)")},
          std::pair{QStringLiteral("BM_TenTimesIndexedCommon"),
                    QStringLiteral("same, common name (`华夏`)")}}) {
        const double v = engine.value(name);
        rows.push_back({label, ms(v), QStringLiteral("<= 10 ms"), QString(), v <= 10});
    }
    const double millionOne = engine.value(QStringLiteral("BM_MillionRowRecord"));
    const double millionMany = engine.value(QStringLiteral("BM_MillionRowsInRecords"));
    rows.push_back({QStringLiteral("name query (`%1`, a tenth found, no index, report written), a "
                                   "million rows in one record vs in 10,000 records (in process)")
                        .arg(query),
                    ms(millionOne) + QStringLiteral(" vs ") + ms(millionMany),
                    QStringLiteral("ratio <= 1.5"), ratio(millionOne / millionMany),
                    millionOne / millionMany <= 1.5});
    rows.push_back({QStringLiteral("gegu-query, 100 names with --stdin vs one name, full file"),
                    ms(hundredMs) + QStringLiteral(" vs ") + ms(oneMs),
                    QStringLiteral("ratio <= 2"), ratio(hundredMs / oneMs),
                    hundredMs / oneMs <= 2});
    const double shown = gui[QStringLiteral("shown_ms")].toDouble();
    const double typical = gui[QStringLiteral("typical_query_ms")].toDouble();
    const double largestGui = gui[QStringLiteral("largest_report_ms")].toDouble();
    rows.push_back({QStringLiteral("GUI start to window shown, full file"), ms(shown),
                    QStringLiteral("<= 400 ms"), QString(), shown <= 400});
    rows.push_back({QStringLiteral("GUI click to idle, typical (`华夏大盘`), full file"),
                    ms(typical), QStringLiteral("<= 30 ms"), QString(), typical <= 30});
    rows.push_back({QStringLiteral("GUI click to idle, largest report, full file"), ms(largestGui),
                    QStringLiteral("<= 1.5 s"), QString(), largestGui <= 1500});
    const double tenShown = tenStarts[QStringLiteral("shown_ms")].toDouble();
    rows.push_back({QStringLiteral("GUI start to window shown, ten-times file, vs loading it in "
                                   "gegu-query"),
                    ms(tenShown) + QStringLiteral(" vs ") + ms(tenLoadMs),
                    QStringLiteral("ratio <= 1.2"), ratio(tenShown / tenLoadMs),
                    tenShown / tenLoadMs <= 1.2});
    const struct {
        const char* key;
        const char* label;
        double goal;
    } tenQueries[] = {
        {"typical_query_ms", "GUI click to idle, typical (`华夏大盘`), ten-times file", 30},
        {"tenth_query_ms", "same, a tenth of the rows (`集团`)", 150},
        {"largest_report_ms", "same, largest report (empty query)", 1000},
    };
    for (const auto& q : tenQueries) {
        const double v = guiTen[QLatin1StringView(q.key)].toDouble();
        rows.push_back({QString::fromUtf8(q.label), ms(v), QStringLiteral("<= %1").arg(ms(q.goal)),
                        QString(), v <= q.goal});
    }
    const double hugeFirst = hugeRow[QStringLiteral("first_query_ms")].toDouble();
    const double hugeMedian = hugeRow[QStringLiteral("query_ms")].toDouble();
    rows.push_back({QStringLiteral("GUI click to idle, a query matching a holder row of %1 "
                                   "(%2 characters; first click, median)")
                        .arg(mib(double(hugeRowBytes)))
                        .arg(hugeRow[QStringLiteral("longest_line")].toDouble(), 0, 'f', 0),
                    ms(hugeFirst) + QStringLiteral(", ") + ms(hugeMedian),
                    QStringLiteral("<= 100 ms"), QString(),
                    std::max(hugeFirst, hugeMedian) <= 100});
    const double firstLargest = tenLargest[QStringLiteral("first_query_ms")].toDouble();
    rows.push_back({QStringLiteral("GUI first click in a fresh process, largest report (empty "
                                   "query, %1 lines), ten-times file; median of repeats beside it")
                        .arg(tenLargest[QStringLiteral("lines")].toDouble(), 0, 'f', 0),
                    ms(firstLargest) + QStringLiteral(", ") +
                        ms(tenLargest[QStringLiteral("query_ms")].toDouble()),
                    QStringLiteral("<= 300 ms"), QString(), firstLargest <= 300});
    const double reportBytes = tenLargest[QStringLiteral("utf16_bytes")].toDouble();
    const double reportMemory = tenLargest[QStringLiteral("memory_bytes")].toDouble();
    rows.push_back({QStringLiteral("GUI memory the first click on the largest report adds (its "
                                   "text %1 as UTF-16), ten-times file")
                        .arg(mib(reportBytes)),
                    mib(reportMemory), QStringLiteral("<= 0.25 x report"),
                    ratio(reportMemory / reportBytes), reportMemory / reportBytes <= 0.25});

    const double holdings = engine.value(QStringLiteral("BM_PortfolioSinceTopHolder"));
    rows.push_back({QStringLiteral("portfolio with --since of the holder in the most tables (`%1`, "
                                   "%2 rows; %3 against %4), history-scale file (in process, with "
                                   "the index of written names)")
                        .arg(top.name, top.rows, top.date, top.since),
                    ms(holdings), QStringLiteral("<= 5 ms"), QString(), holdings <= 5});
    const double writtenIndex = engine.value(QStringLiteral("BM_WrittenNameIndex"));
    rows.push_back({QStringLiteral("making the index of written names of the history-scale file "
                                   "(after start-up, on a thread of its own)"),
                    ms(writtenIndex), QStringLiteral("-"), QString(), true});
    rows.push_back({QStringLiteral("gegu-query --portfolio `%1` --since %2 vs gegu-query --info, "
                                   "history-scale file")
                        .arg(top.name, top.since),
                    ms(portfolioMs) + QStringLiteral(" vs ") + ms(infoMs),
                    QStringLiteral("ratio <= 1.3"), ratio(portfolioMs / infoMs),
                    portfolioMs / infoMs <= 1.3});
    const double firstHoldings = guiHoldings[QStringLiteral("first_portfolio_ms")].toDouble();
    const double repeatHoldings = guiHoldings[QStringLiteral("portfolio_ms")].toDouble();
    rows.push_back(
        {QStringLiteral("GUI 持仓一览 click to idle (%1 lines), history-scale file: first "
                        "click in a fresh process; median of repeats beside it")
             .arg(guiHoldings[QStringLiteral("lines")].toDouble(), 0, 'f', 0),
         ms(firstHoldings) + QStringLiteral(", ") + ms(repeatHoldings), QStringLiteral("<= 100 ms"),
         QString(), std::max(firstHoldings, repeatHoldings) <= 100});

    std::printf("| figure | measured | goal | ratio | met |\n| --- | --- | --- | --- | --- |\n");
    bool all = true;
    for (const Row& r : rows) {
        std::printf("| %s | %s | %s | %s | %s |\n", qPrintable(r.figure), qPrintable(r.measured),
                    qPrintable(r.goal), qPrintable(r.ratio), r.met ? "yes" : "NO");
        all = all && r.met;
    }
    std::printf("\n(medians; 2 cores; %s)\n", all ? "every goal met" : "some goals not met");
    return all ? 0 : 1;
}
