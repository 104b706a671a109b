// Fuzzes portfolios against a table loaded from fuzzed bytes. The input is the holder's name
// (UTF-8) up to the first NUL byte, then the data file's bytes. The written names read from the
// bytes must be those of the rows' text; the holder's rows, found with the index of written
// names and without, must be the rows whose text has that written name; and the portfolios made
// either way must agree, list only the holder's rows and add up to their totals.

#include "holdings/holdings_table.h"
#include "holdings/runtime_error.h"
#include "queries/portfolio.h"
#include "queries/portfolio_report.h"
#include "queries/written_names.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace gegu;

namespace {

struct Collector : ReportSink {
    QString text;
    void overflow(QStringView piece) override { text += piece; }
};

// What two portfolios must share.
QString brief(const Portfolio& p) {
    QString text;
    for (const Holding& h : p.holdings)
        text += QStringLiteral("%1 %2 %3 %4 %5 %6\n")
                    .arg(h.record)
                    .arg(h.line)
                    .arg(int(h.status))
                    .arg(h.sinceLine)
                    .arg(portfolioNumber(h.shares), portfolioNumber(h.sinceShares));
    return text;
}

void check(const HoldingsTable& table, const Portfolio& p, const QString& name) {
    double holders = 0, floatHolders = 0;
    for (const Holding& h : p.holdings) {
        if (h.line >= 0 && writtenName(table.line(h.line)) != name)
            std::abort();
        if (h.counted())
            (h.floatHolders ? floatHolders : holders) += *h.shares;
    }
    if (std::abs(holders - p.summary.holders.shares) > 1e-6 * (1 + std::abs(holders)) ||
        std::abs(floatHolders - p.summary.floatHolders.shares) >
            1e-6 * (1 + std::abs(floatHolders)))
        std::abort();
    Collector out;
    writePortfolioReport(p, out);
    writePortfolioTsv(p, out);
    if (!out.text.startsWith(QStringLiteral("股东") + name))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto* nul = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    const size_t nameSize = nul ? size_t(nul - data) : size;
    const QString name =
        QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(nameSize));
    const size_t fileStart = nul ? nameSize + 1 : size;
    const auto* file = reinterpret_cast<const char*>(data + fileStart);
    try {
        const auto table = std::make_shared<const HoldingsTable>(HoldingsTable::parse(
            ByteBuffer(file, file + (size - fileStart)), QStringLiteral("fuzz")));
        std::vector<qsizetype> expected;
        for (qsizetype r = 0; r < table->recordCount(); ++r) {
            const qsizetype first = table->firstLine(r);
            for (qsizetype line = first + 3; line < table->endLine(first); ++line) {
                const QString text = table->line(line);
                if (decodeGbk(writtenNameBytes(table->lineBytes(line))) != writtenName(text))
                    std::abort();
                if (writtenName(text) == name)
                    expected.push_back(line);
            }
        }
        PortfolioSource plain = PortfolioSource::of(table);
        PortfolioSource indexed = plain;
        indexed.names = std::make_shared<const WrittenNameIndex>(*table);
        if (rowsNamed(*table, nullptr, name) != expected ||
            rowsNamed(*table, indexed.names.get(), name) != expected)
            std::abort();
        const std::vector<ReportDate>& dates = plain.periods->dates();
        const ReportDate date = dates.empty() ? 0 : dates.front();
        for (const ReportDate since : {ReportDate(0), dates.size() > 1 ? dates.back() : 0}) {
            const Portfolio a = portfolio(plain, name, date, since);
            const Portfolio b = portfolio(indexed, name, date, since);
            if (brief(a) != brief(b) || a.unreadableRows != b.unreadableRows)
                std::abort();
            check(*table, a, name);
        }
    } catch (const RuntimeError& e) {
        if (e.number() != ErrorNumber::Overflow && e.number() != ErrorNumber::InputPastEndOfFile &&
            e.number() != ErrorNumber::OutOfMemory)
            std::abort();
    }
    return 0;
}
