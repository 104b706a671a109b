// In-process benchmarks of the engine on a full-size data file.
//
//   GEGU_BENCH_FILE=full.rar GEGU_BENCH_TEN_FILE=ten.rar GEGU_BENCH_HISTORY_FILE=history.rar
//       gegu-bench-engine [--benchmark_format=json]
//   gegu-bench-engine --top-holder HISTORY_FILE
//
// --top-holder prints, a line each, the holder that stands in the most tables of the file, its
// newest report date and the date four report dates before it: the portfolio the benchmarks
// time.

#include "holdings/data_file.h"
#include "holdings/gbk.h"
#include "holdings/holdings_table.h"
#include "holdings/text_rules.h"
#include "queries/name_index.h"
#include "queries/portfolio.h"
#include "queries/query.h"
#include "queries/report_periods.h"
#include "queries/written_names.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QStringDecoder>
#include <QStringEncoder>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

using namespace gegu;

namespace {

QString dataFile() {
    const char* path = std::getenv("GEGU_BENCH_FILE");
    return QString::fromLocal8Bit(path ? path : "gegusj.rar");
}

QByteArray fileBytes() {
    QFile f(dataFile());
    if (!f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(dataFile()));
        std::exit(2);
    }
    return f.readAll();
}

const HoldingsTable& table() {
    static const HoldingsTable t = loadHoldingsFile(nativePath(dataFile()));
    return t;
}

// Reads the data file's bytes as loading does, without finding its lines.
ByteBuffer readOnly() {
    return readDataFile(ReadOnlyFile(nativePath(dataFile())));
}

void BM_LoadFile(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(loadHoldingsFile(nativePath(dataFile())));
    state.SetBytesProcessed(state.iterations() * QFile(dataFile()).size());
}

// The floor for loading: the same bytes, read, no lines found.
void BM_ReadOnly(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(readOnly());
    state.SetBytesProcessed(state.iterations() * QFile(dataFile()).size());
}

// For reference: Qt's own decoder on the bytes already in memory.
void BM_QtDecoderInMemory(benchmark::State& state) {
    const QByteArray bytes = fileBytes();
    for (auto _ : state)
        benchmark::DoNotOptimize(QStringDecoder("GBK").decode(bytes).operator QString());
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

// Loading against reading alone, taken in turns within each iteration, so that the machine's
// drift between two separate benchmarks does not enter the ratio.
void BM_LoadOverRead(benchmark::State& state) {
    double loadNs = 0, readNs = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        benchmark::DoNotOptimize(readOnly());
        readNs += double(t.nsecsElapsed());
        t.restart();
        benchmark::DoNotOptimize(loadHoldingsFile(nativePath(dataFile())));
        loadNs += double(t.nsecsElapsed());
    }
    state.counters["ratio"] = loadNs / readNs;
}

// The window's index of names for the full file.
const NameIndex& index() {
    static const NameIndex i(table());
    return i;
}

// The query and its report, as the window makes them (with the index of names once it is
// there): the report is the list of the lines it shows, which the box decodes as they come into
// view; the "text" benchmarks add making all of its text, as a copy of the whole report does.
void query(benchmark::State& state, QStringView text, const NameIndex* names = nullptr) {
    const HoldingsTable& t = table();
    qsizetype lines = 0;
    for (auto _ : state) {
        const Report r = runQuery(t, text, names);
        lines = r.lineCount();
        benchmark::DoNotOptimize(lines);
    }
    state.counters["report_lines"] = double(lines);
}

void queryText(benchmark::State& state, QStringView text, const NameIndex* names = nullptr) {
    const HoldingsTable& t = table();
    qsizetype size = 0;
    for (auto _ : state) {
        const TextBuffer r = reportText(runQuery(t, text, names));
        size = qsizetype(r.size());
        benchmark::DoNotOptimize(r.data());
    }
    state.counters["report_chars"] = double(size);
}

void BM_NameQueryRare(benchmark::State& state) {
    query(state, u"不存在的股东", &index());
}
void BM_NameQueryCommon(benchmark::State& state) {
    query(state, u"华夏", &index());
}
void BM_NameQueryCommonText(benchmark::State& state) {
    queryText(state, u"华夏", &index());
}
void BM_CodeQueryLastStock(benchmark::State& state) {
    const HoldingsTable& t = table();
    query(state, Left(LTrim(t.header(t.LastRecord())), 6).toString());
}
void BM_LargestReport(benchmark::State& state) {
    query(state, u"");
}

// The ten-times file (GEGU_BENCH_TEN_FILE) with the window's index of names: the query finds
// its rows, as the window's query does before the box shows them.
const HoldingsTable& tenTable() {
    static const HoldingsTable t = [] {
        const char* path = std::getenv("GEGU_BENCH_TEN_FILE");
        if (!path) {
            std::fprintf(stderr, "GEGU_BENCH_TEN_FILE is not set\n");
            std::exit(2);
        }
        return loadHoldingsFile(nativePath(QString::fromLocal8Bit(path)));
    }();
    return t;
}

const NameIndex& tenIndex() {
    static const NameIndex index(tenTable());
    return index;
}

void indexedQuery(benchmark::State& state, QStringView text) {
    const HoldingsTable& t = tenTable();
    const NameIndex& index = tenIndex();
    qsizetype size = 0;
    for (auto _ : state) {
        const Report r = runQuery(t, text, &index);
        size = r.lineCount();
        benchmark::DoNotOptimize(size);
    }
    state.counters["report_lines"] = double(size);
}

void BM_TenTimesIndexedTypical(benchmark::State& state) {
    indexedQuery(state, u"华夏大盘");
}
void BM_TenTimesIndexedCommon(benchmark::State& state) {
    indexedQuery(state, u"华夏");
}

// Counts what a report hands over, as a writer would take it.
struct Utf16Sink : ReportSink {
    Utf16Sink() { setBuffer(buffer, buffer + sizeof buffer / sizeof *buffer); }
    void overflow(QStringView piece) override {
        count += qsizetype(position() - buffer) + piece.size();
        setBuffer(buffer, buffer + sizeof buffer / sizeof *buffer);
    }
    char16_t buffer[1 << 14];
    qsizetype count = 0;
};

// A million holder rows, as one record or as 10,000 of 100 rows (a broken or crafted file may
// hold a record that long): a name query that finds a tenth of them, without the index, as
// gegu-query answers one query. Finding a row's record must not depend on the record's length.
const HoldingsTable& millionRows(int records) {
    static std::map<int, HoldingsTable> tables;
    auto it = tables.find(records);
    if (it != tables.end())
        return it->second;
    QStringEncoder gbk("GBK");
    const QByteArray found = gbk.encode(u"  华夏大盘精选混合 │  100.00│ 1.00│ 流通A股 │ 不变\r\n");
    const QByteArray other = gbk.encode(u"  南岭成长股票基金 │  100.00│ 1.00│ 流通A股 │ 不变\r\n");
    const int rows = 1000000 / records;
    QByteArray bytes = QByteArray::number(records - 1) + "\r\n";
    for (int r = 0; r < records; ++r) {
        bytes += QByteArray::number(600000 + r) + gbk.encode(u" 股票  十大股东  2024-06-30\r\n") +
                 QByteArray::number(rows) + "\r\nhead\r\n";
        for (int i = 0; i < rows; ++i)
            bytes += i % 10 == 0 ? found : other;
    }
    return tables
        .emplace(records, HoldingsTable::parse(ByteBuffer(bytes.begin(), bytes.end()),
                                               QStringLiteral("million.rar")))
        .first->second;
}

void millionRowQuery(benchmark::State& state, int records) {
    const HoldingsTable& t = millionRows(records);
    qsizetype lines = 0;
    for (auto _ : state) {
        Utf16Sink sink;
        const Report r = runQuery(t, u"华夏");
        r.writeTo(sink);
        lines = r.lineCount();
        benchmark::DoNotOptimize(sink.count);
    }
    state.counters["report_lines"] = double(lines);
}

void BM_MillionRowRecord(benchmark::State& state) {
    millionRowQuery(state, 1);
}
void BM_MillionRowsInRecords(benchmark::State& state) {
    millionRowQuery(state, 10000);
}

// The history-scale file (GEGU_BENCH_HISTORY_FILE): 40 quarters of 5,000 stocks.
QString historyPath() {
    const char* path = std::getenv("GEGU_BENCH_HISTORY_FILE");
    if (!path) {
        std::fprintf(stderr, "GEGU_BENCH_HISTORY_FILE is not set\n");
        std::exit(2);
    }
    return QString::fromLocal8Bit(path);
}

// The portfolio to time: the holder in the most tables, the newest date, four dates before.
struct TopHolder {
    QString name;
    qsizetype rows = 0;
    ReportDate date = 0;
    ReportDate since = 0;
};

TopHolder topHolder(const HoldingsTable& table, const ReportPeriods& periods) {
    QHash<QByteArray, qsizetype> rows;
    for (qsizetype r = 0; r < table.recordCount(); ++r) {
        const qsizetype first = table.firstLine(r);
        for (qsizetype line = first + 3; line < table.endLine(first); ++line)
            ++rows[writtenNameBytes(table.lineBytes(line)).toByteArray()];
    }
    TopHolder top;
    for (auto it = rows.begin(); it != rows.end(); ++it) {
        if (it.value() > top.rows) {
            top.rows = it.value();
            top.name = decodeGbk(it.key());
        }
    }
    const std::vector<ReportDate>& dates = periods.dates();
    top.date = dates.empty() ? 0 : dates.front();
    top.since = dates.size() > 4 ? dates[4] : 0;
    return top;
}

struct History {
    std::shared_ptr<const HoldingsTable> table;
    PortfolioSource source;
    TopHolder top;
};

const History& history() {
    static const History h = [] {
        History made;
        made.table =
            std::make_shared<const HoldingsTable>(loadHoldingsFile(nativePath(historyPath())));
        made.source = PortfolioSource::of(made.table);
        made.source.names = std::make_shared<const WrittenNameIndex>(*made.table);
        made.top = topHolder(*made.table, *made.source.periods);
        return made;
    }();
    return h;
}

// The portfolio of the holder in the most tables, compared with a year before, as the window
// makes it once the index of written names is there.
void BM_PortfolioSinceTopHolder(benchmark::State& state) {
    const History& h = history();
    qsizetype lines = 0;
    for (auto _ : state) {
        const Portfolio p = portfolio(h.source, h.top.name, h.top.date, h.top.since);
        lines = qsizetype(p.holdings.size());
        benchmark::DoNotOptimize(lines);
    }
    state.counters["lines"] = double(lines);
    state.counters["holder_rows"] = double(h.top.rows);
}

// Making the index of written names of the history file, as the window does after the index
// of names (on a thread of its own).
void BM_WrittenNameIndex(benchmark::State& state) {
    const History& h = history();
    for (auto _ : state)
        benchmark::DoNotOptimize(WrittenNameIndex(*h.table));
}

} // namespace

BENCHMARK(BM_LoadFile)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_ReadOnly)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_QtDecoderInMemory)->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK(BM_LoadOverRead)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_NameQueryRare)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NameQueryCommon)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NameQueryCommonText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CodeQueryLastStock)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LargestReport)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_TenTimesIndexedTypical)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TenTimesIndexedCommon)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MillionRowRecord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MillionRowsInRecords)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PortfolioSinceTopHolder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WrittenNameIndex)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--top-holder") == 0) {
        const HoldingsTable table = loadHoldingsFile(nativePath(QString::fromLocal8Bit(argv[2])));
        const TopHolder top = topHolder(table, ReportPeriods(table));
        std::printf("%s\n%s\n%s\n%lld\n", top.name.toUtf8().constData(),
                    reportDateText(top.date).toUtf8().constData(),
                    reportDateText(top.since).toUtf8().constData(), qlonglong(top.rows));
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
