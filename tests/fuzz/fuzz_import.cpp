// Fuzzes gegu-import with arbitrary exports: each input is read as a file (its size picks the
// settings), and either every error names its file and what is wrong, or the data file written
// loads, answers a query and keeps every row's cells under the frame's joints and each
// holder's name within its column, no two holders written alike. The CSV reader's own split of
// plain lines must give what libcsv alone gives, under every separator; titles, header names,
// codes, numbers, holders' names and file names are read from the input's lines too, and its
// encoding found.

#include "holdings/data_file_writer.h"
#include "holdings/gbk.h"
#include "holdings/holdings_table.h"
#include "holdings/runtime_error.h"
#include "import/file_name_hints.h"
#include "import/holder_names.h"
#include "import/importer.h"
#include "queries/query.h"

#include <QBuffer>
#include <QSet>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace gegu;

namespace {

// Every row's line and fields, and the error the reading ends with, as one text.
QByteArray csvRows(QByteArrayView csv, CsvReader::Lines lines, char separator) {
    QByteArray out;
    try {
        CsvReader::read(
            csv, QStringLiteral("fuzz.csv"),
            [&](const CsvRow& row) {
                out += QByteArray::number(row.line());
                for (qsizetype i = 0; i < row.size(); ++i) {
                    out += '\0' + QByteArray::number(row.field(i).size()) + ':';
                    out += row.field(i);
                }
                out += '\n';
            },
            {}, 1, lines, separator);
    } catch (const ImportError& e) {
        out += e.text().toUtf8();
    }
    return out;
}

// Ends the run with the line of the invariant that does not hold.
void checkAt(bool condition, int line) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_import.cpp:%d: invariant broken\n", line);
        std::abort();
    }
}
#define check(condition) checkAt(condition, __LINE__)

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView csv(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const char separator : {',', '\t', ';'})
        check(csvRows(csv, CsvReader::Lines::PlainDirect, separator) ==
              csvRows(csv, CsvReader::Lines::LibcsvOnly, separator));

    // The text's lines as a title, as header names, and each as a code, a number and a holder's
    // name.
    const QString text = QString::fromUtf8(csv.first(std::min<qsizetype>(csv.size(), 4096)));
    (void)readTitle(text);
    const QStringList lines = text.split(u'\n');
    (void)readHeader(lines);
    for (const QString& line : lines) {
        // Each line as a file's name: what it tells is a code, a period's end and a table, and
        // a kept name made of them reads back the same.
        const FileNameHints named = hintsFromFileName(line);
        check(!named.code || (*named.code > 0 && *named.code < 1000000));
        if (named.date) {
            const int monthDay = *named.date % 10000;
            check(monthDay == 331 || monthDay == 630 || monthDay == 930 || monthDay == 1231);
        }
        if (named.code && named.date) {
            const bool floatHolders = named.floatHolders.value_or(false);
            const FileNameHints kept =
                hintsFromFileName(keptNamePrefix(*named.code, *named.date, floatHolders) + line);
            check(kept.code == named.code && kept.date == named.date &&
                  kept.floatHolders == std::optional<bool>(floatHolders));
        }
        const QString holder = holderName(line);
        check(holderName(holder) == holder);
        const QString written = shortHolderName(line);
        check(fitsNameColumn(written) && written == fittedName(holder) &&
              (written == holder || !fitsNameColumn(holder)));
        (void)parseStockCode(line);
        for (const NumberStyle style : {NumberStyle::CommaThousands, NumberStyle::Semicolons}) {
            const NumberRead read = parseNumber(line, style, size & 16);
            check(
                read.mark != NumberRead::EitherMark ||
                (style == NumberStyle::Semicolons && read.thousands == std::round(read.thousands)));
        }
        (void)readChangeWords(line, NumberStyle::Semicolons);
    }
    const FoundEncoding found = findEncoding(csv);
    check(!found.problem || (found.badLine >= 0 && found.badLine <= csv.count('\n') + 1));

    ImportSettings settings;
    settings.history = size & 1;
    settings.floatHolders = size & 2;
    settings.fullNames = size & 4;
    if (size & 8) {
        settings.code = 600036;
        settings.date = 20240630;
    }
    if ((size & 48) == 48)
        settings.encoding = size & 64 ? TextEncoding::Gbk : TextEncoding::Utf8;
    Importer importer(settings);
    importer.read(csv, QStringLiteral("fuzz.csv"));
    importer.finish();
    const ImportErrors& errors = importer.errors();
    check(qsizetype(errors.first().size()) <= ImportErrors::kept &&
          errors.count() >= qint64(errors.first().size()));
    if (!errors.empty()) {
        for (const ImportError& e : errors.first())
            check(e.file == QStringLiteral("fuzz.csv") && !e.faults.empty() &&
                  !e.message().isEmpty() && e.line >= 0);
        return 0;
    }
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    check(importer.write(out));
    // What gegu-import writes, Gegu loads: one record a stock and period, in order, every row
    // in its columns.
    try {
        const HoldingsTable table =
            HoldingsTable::parse(ByteBuffer(bytes.begin(), bytes.end()), QStringLiteral("x"));
        check(table.recordCount() == importer.recordCount());
        for (qsizetype r = 0; r < table.recordCount() && !settings.fullNames; ++r) {
            for (const QString& row : table.holderRows(r)) {
                check(barColumns(row) == QList<int>({24, 36, 48, 60}));
                check(fitsNameColumn(QStringView(row).sliced(2, row.indexOf(u'│') - 2).trimmed()));
            }
        }
        (void)reportText(runQuery(table, u""));
    } catch (const RuntimeError&) {
        std::abort();
    }
    return 0;
}
