#include "report_periods.h"

#include "holdings/gbk.h"
#include "holdings/holdings_table.h"
#include "holdings/table_text.h"

#include <QDate>
#include <algorithm>
#include <bit>

namespace gegu {

namespace {

bool allDigits(QStringView text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// yyyymmdd of a day of the calendar, or 0.
ReportDate dayOf(int year, int month, int day) {
    return QDate(year, month, day).isValid() && year >= 1000 ? year * 10000 + month * 100 + day : 0;
}

} // namespace

ReportDate reportDate(QStringView text) {
    if (text.size() != 10 || text[4] != u'-' || text[7] != u'-' || !allDigits(text.first(4)) ||
        !allDigits(text.sliced(5, 2)) || !allDigits(text.sliced(8, 2)))
        return 0;
    return text.first(4).toInt() * 10000 + text.sliced(5, 2).toInt() * 100 +
           text.sliced(8, 2).toInt();
}

QString reportDateText(ReportDate date) {
    if (date == 0)
        return {};
    return QStringLiteral("%1-%2-%3")
        .arg(date / 10000, 4, 10, QLatin1Char('0'))
        .arg(date / 100 % 100, 2, 10, QLatin1Char('0'))
        .arg(date % 100, 2, 10, QLatin1Char('0'));
}

std::optional<ReportDate> parseReportDate(QStringView text) {
    ReportDate date = 0;
    if (text.size() == 8 && allDigits(text))
        date = dayOf(text.first(4).toInt(), text.sliced(4, 2).toInt(), text.sliced(6, 2).toInt());
    else if (const ReportDate d = reportDate(text); d != 0)
        date = dayOf(d / 10000, d / 100 % 100, d % 100);
    if (date == 0)
        return std::nullopt;
    return date;
}

ReportPeriods::Key ReportPeriods::keyOf(double code, bool floatHolders) {
    return {std::bit_cast<quint64>(code == 0 ? 0.0 : code), floatHolders};
}

ReportPeriods::ReportPeriods(const HoldingsTable& table) {
    const qsizetype records = table.recordCount();
    records_.resize(size_t(records));
    struct Entry {
        Key key;
        ReportDate date;
        qsizetype record;
    };
    std::vector<Entry> entries;
    entries.reserve(size_t(records));
    // Each header decoded into one buffer, reused.
    std::vector<char16_t> decoded;
    for (qsizetype r = 0; r < records; ++r) {
        const QByteArrayView bytes = table.lineBytes(table.firstLine(r));
        decoded.resize(size_t(bytes.size()));
        const char16_t* end = decodeGbk(bytes, decoded.data());
        const StockHeader header = readStockHeader(QStringView(decoded.data(), end));
        Record& record = records_[size_t(r)];
        record.code = table.stockCode(r);
        record.date = reportDate(header.date);
        record.floatHolders = header.floatHolders;
        if (record.date != 0)
            entries.push_back({keyOf(record.code, record.floatHolders), record.date, r});
    }
    // By stock table, newest first, records of one date in the file's order.
    const auto before = [](const Entry& a, const Entry& b) {
        if (a.key.code != b.key.code)
            return a.key.code < b.key.code;
        if (a.key.floatHolders != b.key.floatHolders)
            return a.key.floatHolders < b.key.floatHolders;
        if (a.date != b.date)
            return a.date > b.date;
        return a.record < b.record;
    };
    if (!std::is_sorted(entries.begin(), entries.end(), before))
        std::sort(entries.begin(), entries.end(), before);
    dated_.reserve(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        const bool newRun = i == 0 || !(entries[i - 1].key == e.key);
        if (newRun)
            runs_[e.key] = {qsizetype(dated_.size()), 0};
        else if (entries[i - 1].date == e.date)
            continue; // a later record of the same date: the first is the stock's table
        dated_.push_back({e.date, e.record});
        ++runs_[e.key].second;
        dates_.push_back(e.date);
    }
    std::sort(dates_.begin(), dates_.end(), std::greater<>());
    dates_.erase(std::unique(dates_.begin(), dates_.end()), dates_.end());
}

bool ReportPeriods::hasDate(ReportDate date) const {
    return std::binary_search(dates_.begin(), dates_.end(), date, std::greater<>());
}

const ReportPeriods::Dated* ReportPeriods::series(double code, bool floatHolders,
                                                  qsizetype& count) const {
    const auto run = runs_.find(keyOf(code, floatHolders));
    if (run == runs_.end()) {
        count = 0;
        return nullptr;
    }
    count = run->second.second;
    return dated_.data() + run->second.first;
}

qsizetype ReportPeriods::recordAt(double code, bool floatHolders, ReportDate date) const {
    qsizetype count = 0;
    const Dated* first = series(code, floatHolders, count);
    const Dated* at = std::lower_bound(first, first + count, date,
                                       [](const Dated& d, ReportDate v) { return d.date > v; });
    return at != first + count && at->date == date ? at->record : -1;
}

qsizetype ReportPeriods::latestUpTo(double code, bool floatHolders, ReportDate date) const {
    qsizetype count = 0;
    const Dated* first = series(code, floatHolders, count);
    const Dated* at = std::lower_bound(first, first + count, date,
                                       [](const Dated& d, ReportDate v) { return d.date > v; });
    return at != first + count ? at->record : -1;
}

} // namespace gegu
