#include "importer.h"

#include "holdings/data_file_writer.h"
#include "holdings/gbk.h"
#include "common/parallel.h"

#include <QDate>
#include <QIODevice>
#include <QSet>
#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <climits>

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

constexpr int columnCount = int(Column::Rank) + 1;
using ColumnPlaces = std::array<qsizetype, columnCount>; // field index, or -1

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

std::optional<int> codeFromBytes(QByteArrayView s) {
    s = trimmedBlanks(s);
    // An exchange's letters before the digits (sh600000, sh.600000) or after a point (.SH).
    if (s.size() >= 2 && isAsciiLetter(s[0]) && isAsciiLetter(s[1])) {
        s = s.sliced(2);
        if (s.startsWith('.'))
            s = s.sliced(1);
    }
    if (const qsizetype point = s.indexOf('.'); point >= 0) {
        const QByteArrayView exchange = s.sliced(point + 1);
        if (exchange.isEmpty() || !std::all_of(exchange.begin(), exchange.end(), isAsciiLetter))
            return std::nullopt;
        s = s.first(point);
    }
    if (s.isEmpty() || s.size() > 6 || !std::all_of(s.begin(), s.end(), isAsciiDigit))
        return std::nullopt;
    int code = 0;
    for (char c : s)
        code = code * 10 + (c - '0');
    return code;
}

std::optional<int> dateFromBytes(QByteArrayView s) {
    s = trimmedBlanks(s);
    // A time after the date ("2024-06-30 00:00:00", "2024-06-30T00:00") is not looked at.
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == ' ' || s[i] == 'T') {
            s = s.first(i);
            break;
        }
    }
    int parts[3] = {0, 0, 0};
    if (s.size() == 8 && std::all_of(s.begin(), s.end(), isAsciiDigit)) {
        parts[0] = s.first(4).toInt();
        parts[1] = s.sliced(4, 2).toInt();
        parts[2] = s.sliced(6, 2).toInt();
    } else {
        // Year, month and day between two separators of one kind: - or /.
        const char separator = s.contains('-') ? '-' : '/';
        int part = 0;
        int digits = 0;
        for (char c : s) {
            if (c == separator) {
                if (digits == 0 || ++part > 2)
                    return std::nullopt;
                digits = 0;
            } else if (isAsciiDigit(c) && ++digits <= (part == 0 ? 4 : 2)) {
                parts[part] = parts[part] * 10 + (c - '0');
            } else {
                return std::nullopt;
            }
        }
        if (part != 2 || digits == 0)
            return std::nullopt;
    }
    if (parts[0] < 1000 || !QDate(parts[0], parts[1], parts[2]).isValid())
        return std::nullopt;
    return parts[0] * 10000 + parts[1] * 100 + parts[2];
}

std::optional<double> numberFromBytes(QByteArrayView s) {
    s = trimmedBlanks(s);
    if (s.endsWith('%'))
        s.chop(1);
    if (s.startsWith('+'))
        s = s.sliced(1);
    // Whole numbers, the most common, are read at once.
    if (const bool negative = s.startsWith('-'); !s.isEmpty() && s.size() <= 16) {
        qint64 whole = 0;
        qsizetype i = negative ? 1 : 0;
        for (; i < s.size() && isAsciiDigit(s[i]); ++i)
            whole = whole * 10 + (s[i] - '0');
        if (i == s.size() && i > (negative ? 1 : 0))
            return double(negative ? -whole : whole);
    }
    char digits[64] = {};
    qsizetype n = 0;
    for (char c : s) {
        if (c == ',')
            continue; // thousands
        if (n == qsizetype(sizeof(digits)))
            return std::nullopt;
        digits[n++] = c;
    }
    double value = 0;
    const auto [end, error] = std::from_chars(digits, digits + n, value);
    if (n == 0 || error != std::errc() || end != digits + n || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString dateText(int yyyymmdd) {
    return QStringLiteral("%1-%2-%3")
        .arg(yyyymmdd / 10000, 4, 10, QLatin1Char('0'))
        .arg(yyyymmdd / 100 % 100, 2, 10, QLatin1Char('0'))
        .arg(yyyymmdd % 100, 2, 10, QLatin1Char('0'));
}

QString codeText(int code) {
    return QStringLiteral("%1").arg(code, 6, 10, QLatin1Char('0'));
}

// Where each column stands in a header row; -1 for a column it does not have.
ColumnPlaces findColumns(const CsvRow& header, TextEncoding encoding) {
    ColumnPlaces places;
    places.fill(-1);
    for (qsizetype i = 0; i < header.size(); ++i) {
        const QString name = decodeField(header.field(i), encoding).trimmed();
        for (int c = 0; c < columnCount; ++c) {
            if (places[size_t(c)] < 0 && columnNames(Column(c)).contains(name, Qt::CaseInsensitive))
                places[size_t(c)] = i;
        }
    }
    return places;
}

QString missingColumn(Column column, const QString& what) {
    return u"no column for "_s + what + u" ("_s + columnNames(column).join(u", "_s) + u')';
}

} // namespace

const QStringList& columnNames(Column column) {
    static const QStringList names[columnCount] = {
        {u"证券代码"_s, u"股票代码"_s, u"代码"_s, u"code"_s, u"ts_code"_s, u"symbol"_s},
        {u"证券简称"_s, u"股票简称"_s, u"简称"_s, u"名称"_s, u"name"_s},
        {u"截止日期"_s, u"截至日期"_s, u"报告期"_s, u"end_date"_s},
        {u"股东名称"_s, u"holder_name"_s},
        {u"持股数"_s, u"持股数量"_s, u"期末持股-数量"_s, u"hold_amount"_s},
        {u"占总股本持股比例"_s, u"持股比例"_s, u"hold_ratio"_s},
        {u"占总流通股本持股比例"_s, u"占流通股比例"_s, u"hold_float_ratio"_s},
        {u"股份类型"_s, u"股本性质"_s, u"股份性质"_s},
        {u"增减"_s, u"持股变动"_s, u"期末持股-持股变动"_s, u"hold_change"_s},
        {u"名次"_s, u"股东排名"_s},
    };
    return names[int(column)];
}

std::optional<int> parseStockCode(QStringView text) {
    return codeFromBytes(text.toUtf8());
}

std::optional<int> parseDate(QStringView text) {
    return dateFromBytes(text.toUtf8());
}

std::optional<double> parseNumber(QStringView text) {
    return numberFromBytes(text.toUtf8());
}

// The columns of an export, as its header names them.
struct Importer::Columns {
    ColumnPlaces places;
    qsizetype fields = 0;
    TextEncoding encoding = TextEncoding::Utf8;
    Column ratio = Column::Ratio;

    QByteArrayView field(const CsvRow& row, Column c) const {
        const qsizetype at = places[size_t(c)];
        return at < 0 ? QByteArrayView() : row.field(at);
    }
};

struct Importer::Part {
    Holdings holdings;
    std::vector<QString> texts{QString()};
    // The texts of this part by their bytes in the file, and each column's last: a stock's name
    // or a share type stands on many rows in a row.
    std::unordered_map<std::string, quint32, BytesHash, std::equal_to<>> textIndex;
    std::array<std::pair<QByteArray, quint32>, columnCount> last;
    std::pair<QByteArray, int> lastDate; // and a date, already read
    Names names;
    std::vector<ImportError> warnings;
    quint32 rows = 0;
    qint64 lines = 0; // line ends read
    std::exception_ptr error;
};

namespace {

// A field's text with line breaks and tabs made blanks (a data file's line is one line), and
// checked for characters that GBK cannot hold.
QString checkedText(QByteArrayView bytes, TextEncoding encoding, const QString& file, qint64 line,
                    const char* what) {
    QString text = decodeField(bytes, encoding);
    text.replace(u"\r\n"_s, u" "_s);
    for (QChar& c : text) {
        if (c == u'\r' || c == u'\n' || c == u'\t')
            c = u' ';
    }
    text = text.trimmed();
    if (const qsizetype at = firstNonGbk(text); at >= 0) {
        const char32_t c = text[at].isHighSurrogate() && at + 1 < text.size()
                               ? QChar::surrogateToUcs4(text[at], text[at + 1])
                               : text[at].unicode();
        const QString hex = QString::number(uint(c), 16).toUpper().rightJustified(4, u'0');
        throw ImportError{file, line,
                          QString::fromLatin1(what) + u" holds "_s + QString::fromUcs4(&c, 1) +
                              u" (U+"_s + hex + u"), which GBK cannot hold: "_s + text};
    }
    return text;
}

// Room for rows is made for one a this many bytes of an export: fewer than any layout's.
constexpr qint64 bytesPerRow = 48;

// Files at least this large are read in two halves at once.
constexpr qint64 parallelCsvSize = qint64(4) << 20;

// Whether the error is the parser's at the end of a text that stops inside a quoted field.
bool isUnendedQuote(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const ImportError& e) {
        return e.message.endsWith(unendedQuote);
    } catch (...) {
        return false;
    }
}

} // namespace

void Importer::readNames(QByteArrayView text, const QString& file) {
    const TextEncoding encoding =
        settings_.encoding == TextEncoding::Detect ? detectEncoding(text) : settings_.encoding;
    std::optional<ColumnPlaces> places;
    CsvReader::read(text, file, [&](const CsvRow& row) {
        if (!places) {
            places = findColumns(row, encoding);
            if ((*places)[size_t(Column::Code)] < 0)
                throw ImportError{file, row.line(),
                                  missingColumn(Column::Code, u"the stock code"_s)};
            if ((*places)[size_t(Column::Name)] < 0)
                throw ImportError{file, row.line(),
                                  missingColumn(Column::Name, u"the stock name"_s)};
            return;
        }
        const qsizetype codeAt = (*places)[size_t(Column::Code)];
        const qsizetype nameAt = (*places)[size_t(Column::Name)];
        if (codeAt >= row.size() || nameAt >= row.size())
            throw ImportError{file, row.line(), u"fewer fields than the header has"_s};
        const std::optional<int> code = codeFromBytes(row.field(codeAt));
        if (!code)
            throw ImportError{file, row.line(),
                              u"not a stock code: \""_s + decodeField(row.field(codeAt), encoding) +
                                  u'"'};
        listedNames_.insert(
            *code, checkedText(row.field(nameAt), encoding, file, row.line(), "the stock name"));
    });
    if (!places)
        throw ImportError{file, 0, u"is empty: it has no header row"_s};
}

void Importer::useHeader(Columns& columns, const CsvRow& header, const QString& file) const {
    columns.places = findColumns(header, columns.encoding);
    columns.fields = header.size();
    const std::pair<Column, QString> required[] = {{Column::Code, u"the stock code"_s},
                                                   {Column::Date, u"the report date"_s},
                                                   {Column::Holder, u"the holder's name"_s},
                                                   {Column::Shares, u"the shares held"_s}};
    for (const auto& [column, what] : required) {
        if (columns.places[size_t(column)] < 0)
            throw ImportError{file, header.line(), missingColumn(column, what)};
    }
    if (settings_.floatHolders && columns.places[size_t(Column::FloatRatio)] < 0)
        throw ImportError{file, header.line(),
                          missingColumn(Column::FloatRatio, u"the float ratio"_s)};
}

quint32 Importer::text(Part& part, Column column, QByteArrayView bytes, const Columns& columns,
                       const QString& file, qint64 line, const char* what) const {
    bytes = trimmedBlanks(bytes);
    if (bytes.isEmpty())
        return 0;
    auto& [lastBytes, lastIndex] = part.last[size_t(column)];
    if (lastIndex != 0 && QByteArrayView(lastBytes) == bytes)
        return lastIndex;
    const std::string_view key(bytes.data(), size_t(bytes.size()));
    quint32 index;
    if (const auto it = part.textIndex.find(key); it != part.textIndex.end()) {
        index = it->second;
    } else {
        part.texts.push_back(checkedText(bytes, columns.encoding, file, line, what));
        index = quint32(part.texts.size() - 1);
        part.textIndex.emplace(std::string(key), index);
    }
    lastBytes = bytes.toByteArray();
    lastIndex = index;
    return index;
}

void Importer::addRow(Part& part, const CsvRow& row, const Columns& columns,
                      const QString& file) const {
    const qint64 line = row.line();
    if (row.size() != columns.fields)
        throw ImportError{file, line,
                          QStringLiteral("%1 fields where the header has %2")
                              .arg(row.size())
                              .arg(columns.fields)};
    const auto field = [&](Column c) {
        return columns.field(row, c);
    };
    const auto bad = [&](Column c, const QString& what) {
        return ImportError{file, line,
                           what + u": \""_s + decodeField(field(c), columns.encoding) + u'"'};
    };

    Holding h;
    const std::optional<int> code = codeFromBytes(field(Column::Code));
    if (!code)
        throw bad(Column::Code, u"not a stock code"_s);
    const QByteArrayView dateBytes = field(Column::Date);
    std::optional<int> date;
    if (part.lastDate.second != 0 && QByteArrayView(part.lastDate.first) == dateBytes)
        date = part.lastDate.second;
    else if ((date = dateFromBytes(dateBytes)))
        part.lastDate = {dateBytes.toByteArray(), *date};
    if (!date)
        throw bad(Column::Date, u"not a date"_s);
    const std::optional<double> shares = numberFromBytes(field(Column::Shares));
    if (!shares || *shares < 0)
        throw bad(Column::Shares, u"not a number of shares"_s);
    h.code = *code;
    h.date = *date;
    h.shares = *shares;
    const size_t knownTexts = part.texts.size();
    h.holder =
        text(part, Column::Holder, field(Column::Holder), columns, file, line, "the holder's name");
    if (h.holder == 0)
        throw ImportError{file, line, u"the holder's name is empty"_s};
    if (h.holder == knownTexts && part.texts[h.holder].size() > SearchableNameLength)
        part.warnings.push_back(
            ImportError{file, line,
                        u"a holder's name longer than %1 characters, of which only "
                        u"the first %1 are searched: "_s.arg(SearchableNameLength) +
                            part.texts[h.holder]});
    h.percent = std::nan("");
    if (!trimmedBlanks(field(columns.ratio)).isEmpty()) {
        const std::optional<double> percent = numberFromBytes(field(columns.ratio));
        if (!percent)
            throw bad(columns.ratio, u"not a percentage"_s);
        h.percent = *percent;
    }
    h.rank = INT_MAX;
    if (!trimmedBlanks(field(Column::Rank)).isEmpty()) {
        const std::optional<double> rank = numberFromBytes(field(Column::Rank));
        if (!rank || *rank < 0 || *rank >= INT_MAX)
            throw bad(Column::Rank, u"not a rank"_s);
        h.rank = int(*rank);
    }
    h.change = std::nan("");
    h.changeText = 0;
    if (const std::optional<double> change = numberFromBytes(field(Column::Change)))
        h.change = *change;
    else
        h.changeText =
            text(part, Column::Change, field(Column::Change), columns, file, line, "the change");
    h.type = text(part, Column::Type, field(Column::Type), columns, file, line, "the share type");
    if (const quint32 name =
            text(part, Column::Name, field(Column::Name), columns, file, line, "the stock name")) {
        auto& [when, latest] = part.names[h.code];
        if (latest == 0 || h.date >= when) {
            latest = name;
            when = h.date;
        }
    }
    h.order = part.rows++;
    part.holdings.push_back(h);
}

void Importer::readPart(Part& part, QByteArrayView text, qint64 firstLine, const QString& file,
                        Columns& columns, bool headerFirst,
                        const std::function<void(qint64)>& progress) const {
    try {
        part.holdings.reserve(size_t(text.size() / bytesPerRow + 1));
        bool headerSeen = !headerFirst;
        part.lines = CsvReader::read(
            text, file,
            [&](const CsvRow& row) {
                if (headerSeen)
                    addRow(part, row, columns, file);
                else
                    useHeader(columns, row, file);
                headerSeen = true;
            },
            progress, firstLine);
        if (!headerSeen)
            throw ImportError{file, 0, u"is empty: it has no header row"_s};
    } catch (...) {
        part.error = std::current_exception();
    }
}

void Importer::merge(Part& part) {
    // The part's texts follow the ones read before; its first, the empty text, stays 0.
    const auto shift = quint32(texts_.size() - 1);
    texts_.insert(texts_.end(), part.texts.begin() + 1, part.texts.end());
    const auto moved = [&](quint32 index) {
        return index == 0 ? 0 : index + shift;
    };
    const auto rowsBefore = quint32(summary_.rows);
    holdings_.reserve(holdings_.size() + part.holdings.size());
    for (Holding h : part.holdings) {
        h.holder = moved(h.holder);
        h.type = moved(h.type);
        h.changeText = moved(h.changeText);
        h.order += rowsBefore;
        holdings_.push_back(h);
    }
    for (auto it = part.names.begin(); it != part.names.end(); ++it) {
        auto& [when, latest] = stockNames_[it.key()];
        if (latest == 0 || it->first >= when) {
            latest = moved(it->second);
            when = it->first;
        }
    }
    for (const ImportError& warning : part.warnings)
        summary_.warnings << warning.text();
    summary_.rows += part.rows;
    part = Part();
}

void Importer::read(QByteArrayView text, const QString& file,
                    const std::function<void(qint64)>& progress) {
    Columns columns;
    columns.ratio = settings_.floatHolders ? Column::FloatRatio : Column::Ratio;
    ++summary_.files;
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);

    // The header is read on its own when it is the first line; the rows of a large file then
    // follow in two halves at once, split at the first line end after the middle. Where that
    // line end falls inside a quoted field, or the header holds a line break in quotes, the
    // file is read in one pass, header first.
    const qsizetype headerEnd = text.indexOf('\n') + 1;
    std::vector<CsvRow> headerRows;
    if (headerEnd > 0)
        CsvReader::read(text.first(headerEnd), file,
                        [&](const CsvRow& row) { headerRows.push_back(row); });
    const QByteArrayView rows = text.sliced(headerEnd);
    const qsizetype split =
        rows.size() >= parallelCsvSize ? rows.indexOf('\n', rows.size() / 2) + 1 : 0;
    Part first;
    Part second;
    const auto asOne = [&] {
        columns.encoding =
            settings_.encoding == TextEncoding::Detect ? detectEncoding(text) : settings_.encoding;
        first = Part();
        second = Part();
        readPart(first, text, 1, file, columns, true, progress);
    };
    if (headerRows.size() != 1 || split <= 0 || split >= rows.size()) {
        asOne();
    } else {
        // The encoding is the whole file's: each half checks its own bytes at once.
        bool valid[2] = {true, true};
        if (settings_.encoding == TextEncoding::Detect) {
            inParallel([&] { valid[0] = rows.first(split).isValidUtf8(); },
                       [&] { valid[1] = rows.sliced(split).isValidUtf8(); });
            columns.encoding = text.first(headerEnd).isValidUtf8() && valid[0] && valid[1]
                                   ? TextEncoding::Utf8
                                   : TextEncoding::Gbk;
        } else {
            columns.encoding = settings_.encoding;
        }
        useHeader(columns, headerRows.front(), file);
        std::atomic<qint64> secondRead = 0;
        inParallel(
            [&] {
                readPart(first, rows.first(split), 2, file, columns, false, [&](qint64 read) {
                    if (progress)
                        progress(headerEnd + read + secondRead);
                });
            },
            [&] {
                // Lines are counted from the half's start; they are moved once the first half's
                // count is known.
                readPart(second, rows.sliced(split), 1, file, columns, false,
                         [&](qint64 read) { secondRead = read; });
            });
        if (first.error && isUnendedQuote(first.error)) {
            asOne(); // the split fell inside a quoted field
        } else {
            const qint64 shift = 1 + first.lines;
            for (ImportError& warning : second.warnings)
                warning.line += shift;
            if (second.error) {
                try {
                    std::rethrow_exception(second.error);
                } catch (ImportError& e) {
                    if (e.line > 0)
                        e.line += shift;
                    second.error = std::make_exception_ptr(e);
                } catch (...) {
                }
            }
        }
    }
    // The first error in the file is the one reported.
    for (const Part* part : {&first, &second}) {
        if (part->error)
            std::rethrow_exception(part->error);
    }
    merge(first);
    merge(second);
}

void Importer::finish() {
    if (!settings_.history) {
        // Each stock's latest period only.
        QHash<int, int> latest;
        for (const Holding& h : holdings_) {
            int& date = latest[h.code];
            date = std::max(date, h.date);
        }
        std::erase_if(holdings_, [&](const Holding& h) { return h.date != latest[h.code]; });
    }
    const auto before = [](const Holding& a, const Holding& b) {
        if (a.code != b.code)
            return a.code < b.code;
        if (a.date != b.date)
            return a.date > b.date; // newest first
        if (a.rank != b.rank)
            return a.rank < b.rank;
        if (a.shares != b.shares)
            return a.shares > b.shares;
        return a.order < b.order;
    };
    // Exports usually come grouped and in order already.
    if (!std::is_sorted(holdings_.begin(), holdings_.end(), before))
        std::sort(holdings_.begin(), holdings_.end(), before);
    // The same row twice (two exports of one period) is kept once.
    const auto same = [&](const Holding& a, const Holding& b) {
        return a.code == b.code && a.date == b.date && a.shares == b.shares &&
               texts_[a.holder] == texts_[b.holder] && texts_[a.type] == texts_[b.type];
    };
    size_t kept = 0;
    for (size_t i = 0; i < holdings_.size(); ++i) {
        if (kept == 0 || !same(holdings_[kept - 1], holdings_[i]))
            holdings_[kept++] = holdings_[i];
    }
    if (const size_t dropped = holdings_.size() - kept; dropped > 0)
        summary_.warnings << QStringLiteral("rows that stood twice, kept once: %1").arg(dropped);
    holdings_.resize(kept);
    holdings_.shrink_to_fit();

    QSet<int> codes;
    QSet<int> dates;
    for (size_t i = 0; i < holdings_.size();) {
        size_t end = i;
        while (end < holdings_.size() && holdings_[end].code == holdings_[i].code &&
               holdings_[end].date == holdings_[i].date)
            ++end;
        records_.push_back({i, end});
        codes.insert(holdings_[i].code);
        dates.insert(holdings_[i].date);
        i = end;
    }
    encoded_.clear();
    encoded_.reserve(texts_.size());
    for (const QString& text : texts_)
        encoded_.push_back(encodeText(text));
    summary_.stocks = codes.size();
    summary_.periods = dates.size();
    summary_.records = qsizetype(records_.size());
}

void Importer::writeRecords(DataFileWriter& out, size_t from, size_t to) const {
    StockRecord r;
    r.title = settings_.floatHolders ? u"十大流通股东"_s : u"十大股东"_s;
    for (size_t k = from; k < to; ++k) {
        const Record& record = records_[k];
        const Holding& first = holdings_[record.first];
        r.code = codeText(first.code);
        r.name = texts_[stockNames_.value(first.code).second];
        if (r.name.isEmpty())
            r.name = listedNames_.value(first.code);
        r.date = dateText(first.date);
        out.beginRecord(r, qsizetype(record.end - record.first));
        for (size_t i = record.first; i < record.end; ++i) {
            const Holding& h = holdings_[i];
            out.holder({&encoded_[h.holder], h.shares / 10000, h.percent, &encoded_[h.type],
                        &encoded_[h.changeText], h.change / 10000});
        }
    }
}

bool Importer::write(QIODevice& out) const {
    // The two halves of the records are formatted at once: the first straight to the device,
    // the second into memory, to follow it.
    DataFileWriter first(out);
    first.begin(qsizetype(records_.size()));
    const size_t half = records_.size() / 2;
    std::string later;
    DataFileWriter second(later);
    bool firstWritten = false;
    bool secondWritten = false;
    inParallel(
        [&] {
            writeRecords(first, 0, half);
            firstWritten = first.finish();
        },
        [&] {
            writeRecords(second, half, records_.size());
            secondWritten = second.finish();
        });
    return firstWritten && secondWritten &&
           out.write(later.data(), qint64(later.size())) == qint64(later.size());
}

} // namespace gegu
