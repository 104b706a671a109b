// Reading exports: the file's encoding and separator, its tables, and every row of them.

#include "common/parallel.h"
#include "holder_names.h"
#include "holdings/gbk.h"
#include "importer_parts.h"

#include <atomic>
#include <cmath>

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

// Room for rows is made for one a this many bytes of an export: fewer than any layout's.
constexpr qint64 bytesPerRow = 48;
// Files whose rows take at least this many bytes are read in two halves at once.
constexpr qint64 parallelCsvSize = qint64(4) << 20;
// The rows looked at, under each separator, for a header.
constexpr int probedRows = 200;
// The rows above the first header that make its title, and the most rows between two tables
// that can be the second one's.
constexpr qsizetype firstTitleRows = 32;
constexpr qsizetype laterTitleRows = 8;
// More shares than any listed company has (10^13), in 万股.
constexpr double mostShares = 1e9;

struct StopReading {};

QStringList decodedFields(const CsvRow& row, TextEncoding encoding) {
    QStringList fields;
    fields.reserve(row.size());
    for (qsizetype i = 0; i < row.size(); ++i)
        fields << decodeField(row.field(i), encoding).trimmed();
    return fields;
}

qsizetype filledFields(const CsvRow& row) {
    qsizetype filled = 0;
    for (qsizetype i = 0; i < row.size(); ++i)
        filled += trimmedBlanks(row.field(i)).isEmpty() ? 0 : 1;
    return filled;
}

// A note under a table: 数据来源：..., 来源：..., 注：..., 备注：...
bool isNote(const QStringList& fields) {
    for (const QString& field : fields) {
        if (field.isEmpty())
            continue;
        const QString text = foldWidth(field);
        for (QStringView word : {u"数据来源", u"来源", u"备注", u"注"}) {
            if (text == word ||
                (text.startsWith(word) && text.sliced(word.size()).startsWith(u':')))
                return true;
        }
        return false;
    }
    return false;
}

// A row's number of fields against its header's.
QString fieldCount(qsizetype fields, qsizetype headerFields) {
    return QStringLiteral("%1 field%2 where the header has %3")
        .arg(fields)
        .arg(fields == 1 ? u""_s : u"s"_s)
        .arg(headerFields);
}

// What a column holds, and the names it goes by.
QString described(Column column, const QString& what) {
    return what + u" ("_s + columnNames(column).join(u", "_s) + u')';
}

QString missingColumn(Column column, const QString& what) {
    return u"no column for "_s + described(column, what);
}

// The separator of a file, and where its first header row ends: the separator under which a
// row heads a table first (and, on the same line, names more columns) is the file's.
struct Probe {
    char separator = ',';
    qint64 headerStart = 0; // the line the header row starts on; 0 when none was found
    qint64 headerEnd = 0;   // and the line it ends on
};

Probe findSeparator(QByteArrayView text, TextEncoding encoding, const QString& file,
                    bool (*heads)(const Header&)) {
    Probe best;
    qint64 bestStart = 0;
    int bestNamed = 0;
    for (const char separator : {',', '\t', ';'}) {
        qint64 start = 0;
        qint64 end = 0;
        int named = 0;
        int rows = 0;
        try {
            CsvReader::read(
                text, file,
                [&](const CsvRow& row) {
                    const Header header = readHeader(decodedFields(row, encoding));
                    if (heads(header)) {
                        start = row.line();
                        end = start;
                        for (qsizetype i = 0; i < row.size(); ++i)
                            end += row.field(i).count('\n');
                        named = header.named();
                        throw StopReading{};
                    }
                    if (++rows >= probedRows)
                        throw StopReading{};
                },
                {}, 1, CsvReader::Lines::PlainDirect, separator);
        } catch (const StopReading&) {
        } catch (const ImportError&) {
            // not CSV under this separator
        }
        if (start > 0 &&
            (bestStart == 0 || start < bestStart || (start == bestStart && named > bestNamed))) {
            best = {separator, start, end};
            bestStart = start;
            bestNamed = named;
        }
    }
    return best;
}

bool headsHolders(const Header& header) {
    return header.headsHolders();
}
bool headsNames(const Header& header) {
    return header.has(Column::Code) && header.has(Column::Name);
}

// The offset just after the line end that ends line `line`, or the text's end.
qsizetype endOfLine(QByteArrayView text, qint64 line) {
    qsizetype at = 0;
    for (qint64 l = 0; l < line; ++l) {
        const qsizetype next = text.indexOf('\n', at);
        if (next < 0)
            return text.size();
        at = next + 1;
    }
    return at;
}

// A field's text with line breaks and tabs made blanks (a data file's line is one line), or
// what is wrong with it: a control character, or a character that GBK cannot hold.
std::optional<QString> checkedText(QByteArrayView bytes, TextEncoding encoding, const char* what,
                                   QStringList& problems) {
    QString text = decodeField(bytes, encoding);
    text.replace(u"\r\n"_s, u" "_s);
    for (QChar& c : text) {
        if (c == u'\r' || c == u'\n' || c == u'\t')
            c = u' ';
    }
    text = text.trimmed();
    const auto problem = [&](qsizetype at, const QString& why) {
        const char32_t c = text[at].isHighSurrogate() && at + 1 < text.size()
                               ? QChar::surrogateToUcs4(text[at], text[at + 1])
                               : text[at].unicode();
        const QString hex = QString::number(uint(c), 16).toUpper().rightJustified(4, u'0');
        const bool visible = c >= 0x20 && (c < 0x7F || c > 0x9F);
        problems << QString::fromLatin1(what) + u" holds "_s +
                        (visible ? QString::fromUcs4(&c, 1) + u" "_s : QString()) + u"(U+"_s + hex +
                        u"), "_s + why;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            problem(i, u"a control character"_s);
            return std::nullopt;
        }
    }
    if (const qsizetype at = firstNonGbk(text); at >= 0) {
        problem(at, u"which GBK cannot hold: "_s + text);
        return std::nullopt;
    }
    return text;
}

} // namespace

void ImportErrors::add(ImportError error) {
    if (qsizetype(first_.size()) < kept)
        first_.push_back(std::move(error));
    ++count_;
}

void ImportErrors::add(const ImportErrors& other) {
    for (const ImportError& e : other.first_)
        add(e);
    count_ += other.count_ - qint64(other.first_.size());
}

void Importer::read(QByteArrayView text, const QString& file,
                    const std::function<void(qint64)>& progress) {
    ++summary_.files;
    files_ << file;
    FoundEncoding found;
    if (settings_.encoding == TextEncoding::Detect) {
        found = findEncoding(text);
    } else {
        found.encoding = settings_.encoding;
        const bool utf16 =
            found.encoding == TextEncoding::Utf16Le || found.encoding == TextEncoding::Utf16Be;
        if (found.encoding == TextEncoding::Utf8 && text.startsWith("\xEF\xBB\xBF"))
            found.byteOrderMark = 3;
        else if (utf16 && (text.startsWith("\xFF\xFE") || text.startsWith("\xFE\xFF")))
            found.byteOrderMark = 2;
    }
    if (!found.problem.isEmpty()) {
        errors_.add({file, found.badLine, found.problem});
        return;
    }
    text = text.sliced(found.byteOrderMark);
    QByteArray converted;
    TextEncoding encoding = found.encoding;
    if (encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16Be) {
        converted = utf16ToUtf8(text, encoding);
        text = converted;
        encoding = TextEncoding::Utf8;
    }
    readText(text, file, encoding, progress);
}

void Importer::readText(QByteArrayView text, const QString& file, TextEncoding encoding,
                        const std::function<void(qint64)>& progress) {
    const Probe probe = findSeparator(text, encoding, file, headsHolders);
    Part first;
    first.file = file;
    first.fileIndex = quint32(files_.size() - 1);
    first.encoding = encoding;
    first.separator = probe.separator;
    const Part start = first.continuing();
    const auto inOnePass = [&] {
        first = start.continuing();
        readPart(first, text, 1, progress, true);
        merge(first);
    };

    // The title and the header are read first; the rows of a large file then follow in two
    // halves at once, split at the first line end after the middle. The second half goes on in
    // the first table. Where that is not where the first half ends (the split falls inside a
    // quoted field, or the first half ends another way than in the first table with all its
    // rows read), the file is read in one pass.
    const qsizetype prefix = probe.headerEnd > 0 ? endOfLine(text, probe.headerEnd) : 0;
    const QByteArrayView rows = text.sliced(prefix);
    const qsizetype split =
        rows.size() >= parallelCsvSize ? rows.indexOf('\n', rows.size() / 2) + 1 : 0;
    if (prefix == 0 || split <= 0 || split >= rows.size())
        return inOnePass();
    // Exports joined one after the other repeat their header: the first half would not end in
    // the first table.
    const qsizetype headerStart = endOfLine(text, probe.headerStart - 1);
    if (rows.first(split).indexOf(
            trimmedBlanks(text.sliced(headerStart, prefix - headerStart).trimmed())) >= 0)
        return inOnePass();
    readPart(first, text.first(prefix), 1, {}, false);
    if (first.state != Part::State::InTable || !first.table->usable || first.cutInQuotes ||
        first.errors.count() > 0)
        return inOnePass();

    // The first half's rows are kept where all of them end up.
    first.holdings.reserve(size_t(text.size() / bytesPerRow + 1));
    Part second = first.continuing();
    const Table* const firstTable = first.table.get();
    std::atomic<qint64> secondRead = 0;
    inParallel(
        [&] {
            readPart(
                first, rows.first(split), first.lines + 1,
                [&](qint64 read) {
                    if (progress)
                        progress(prefix + read + secondRead);
                },
                false);
        },
        [&] {
            // Lines are counted from the half's start; they are moved once the first half's
            // count is known.
            readPart(
                second, rows.sliced(split), 1, [&](qint64 read) { secondRead = read; }, true);
        });
    if (first.cutInQuotes || first.csvFailed || first.state != Part::State::InTable ||
        first.table.get() != firstTable || !first.pending.empty())
        return inOnePass();
    const qint64 shift = first.lines;
    for (Holding& h : second.holdings)
        h.line += shift;
    for (std::vector<ImportError>* list : {&second.errors.first_, &second.warnings}) {
        for (ImportError& e : *list) {
            if (e.line > 0)
                e.line += shift;
        }
    }
    merge(first);
    merge(second);
}

void Importer::readPart(Part& part, QByteArrayView text, qint64 firstLine,
                        const std::function<void(qint64)>& progress, bool last) const {
    part.holdings.reserve(part.holdings.size() + size_t(text.size() / bytesPerRow + 1));
    try {
        part.lines += CsvReader::read(
            text, part.file, [&](const CsvRow& row) { onRow(part, row); }, progress, firstLine,
            CsvReader::Lines::PlainDirect, part.separator);
    } catch (const ImportError& e) {
        if (!last && e.message.endsWith(unendedQuote)) {
            part.cutInQuotes = true;
            return;
        }
        part.csvFailed = true;
        part.errors.add(e);
    }
    if (last)
        endOfText(part);
}

void Importer::onRow(Part& part, const CsvRow& row) const {
    part.anyRow = true;
    QString problem;
    if (part.state == Part::State::InTable) {
        const Table& table = *part.table;
        if (table.usable) {
            QStringList problems;
            if (addRow(part, row, problems)) {
                if (!part.pending.empty())
                    settlePending(part, true);
                return;
            }
            problem = problems.join(u"; "_s);
        }
        if (row.sameFields(table.row) && part.pending.empty())
            return; // the header again
    }
    if (filledFields(row) == 0)
        return;
    const QStringList fields = decodedFields(row, part.encoding);
    if (isNote(fields)) {
        if (part.state == Part::State::InTable) {
            settlePending(part, true);
            part.state = Part::State::AfterNote;
            part.noteLine = row.line();
        }
        return;
    }
    Header header = readHeader(fields);
    if (header.headsHolders())
        return startTable(part, row, std::move(header));

    const bool holderLike = part.table && filledFields(row) * 2 > part.table->fields();
    switch (part.state) {
    case Part::State::BeforeHeader:
        if (header.named() > part.bestHeader.named()) {
            part.bestHeader = std::move(header);
            part.bestHeaderLine = row.line();
        }
        if (qsizetype(part.pending.size()) < firstTitleRows)
            part.pending.push_back({row.line(), {}, fields.join(u' '), true, false});
        return;
    case Part::State::InTable:
        if (!part.table->usable)
            return;
        if (problem.isEmpty())
            problem = fieldCount(row.size(), part.table->fields());
        break;
    case Part::State::AfterNote:
        if (holderLike) {
            part.errors.add(
                {part.file, row.line(),
                 QStringLiteral("a holder row after the note on line %1 that ends its table")
                     .arg(part.noteLine)});
            return;
        }
        break;
    }
    if (qsizetype(part.pending.size()) < Part::keptPending)
        part.pending.push_back({row.line(), problem, fields.join(u' '),
                                part.state == Part::State::AfterNote, holderLike});
    else if (part.state == Part::State::InTable)
        ++part.morePending;
}

void Importer::settlePending(Part& part, bool asErrors) const {
    if (asErrors) {
        for (const Part::Pending& p : part.pending) {
            if (!p.quiet)
                part.errors.add({part.file, p.line, p.problem});
        }
        part.errors.count_ += part.morePending;
    }
    part.pending.clear();
    part.morePending = 0;
}

void Importer::startTable(Part& part, const CsvRow& row, Header header) const {
    // What stands above the header: the first table's title, or a later one's when it says
    // something that titles a table and holds no holder row; else rows of the table before.
    std::optional<Title> title;
    QStringList titleText;
    for (const Part::Pending& p : part.pending)
        titleText << p.text;
    if (part.state == Part::State::BeforeHeader) {
        title = readTitle(titleText.join(u'\n'));
    } else if (!part.pending.empty()) {
        const bool short_ =
            part.morePending == 0 && qsizetype(part.pending.size()) <= laterTitleRows;
        const bool noHolderRow = std::none_of(part.pending.begin(), part.pending.end(),
                                              [](const Part::Pending& p) { return p.holderLike; });
        if (short_ && noHolderRow) {
            Title read = readTitle(titleText.join(u'\n'));
            if (read.saysAnything())
                title = std::move(read);
        }
    }
    settlePending(part, !title);

    auto table = std::make_shared<Table>();
    const Table* before = part.table.get();
    table->header = std::move(header);
    table->row = row;
    table->line = row.line();
    if (title) {
        table->code = settings_.code ? settings_.code : title->code;
        table->date = settings_.date ? settings_.date : title->date;
        table->name = !settings_.stockName.isEmpty() ? settings_.stockName : title->name;
        table->floatHolders = settings_.floatHolders || title->floatHolders;
    } else if (before) {
        table->code = before->code;
        table->date = before->date;
        table->name = before->name;
        table->floatHolders = before->floatHolders;
    }
    table->ratio = table->floatHolders ? Column::FloatRatio : Column::Ratio;
    const Header& h = table->header;

    QStringList problems;
    if (!h.has(Column::Code) && !table->code)
        problems << missingColumn(Column::Code, u"the stock code"_s) +
                        u", nor a code in a title above it or --code"_s;
    if (!h.has(Column::Date) && !table->date)
        problems << (title && !title->problem.isEmpty()
                         ? title->problem
                         : missingColumn(Column::Date, u"the report date"_s) +
                               u", nor a date in a title above it or --date"_s);
    if (table->floatHolders && !h.has(Column::FloatRatio) && h.has(Column::Ratio))
        problems << h.names[h.place(Column::Ratio)] +
                        u" is a ratio of all shares; float holders need the ratio of the float "_s
                        u"("_s +
                        columnNames(Column::FloatRatio).join(u", "_s) + u')';
    const auto unitOf = [&](Column c) {
        return h.units[size_t(c)];
    };
    const auto scale = [&](Column c, double& into) {
        if (!h.has(c))
            return;
        const QString unit = unitOf(c);
        const std::optional<double> s =
            unit.isEmpty() && title && title->sharesUnit ? title->sharesUnit : sharesScale(unit);
        if (s)
            into = *s;
        else
            problems << h.names[h.place(c)] + u": "_s + unit +
                            u" is not a unit of shares (股, 万股, 亿股)"_s;
    };
    scale(Column::Shares, table->sharesScale);
    scale(Column::Change, table->changeScale);
    if (h.has(table->ratio) && !isPercentUnit(unitOf(table->ratio)))
        problems << h.names[h.place(table->ratio)] + u": "_s + unitOf(table->ratio) +
                        u" is not a unit of a ratio (%)"_s;
    for (const Column c : {Column::Code, Column::Name, Column::Date, Column::Holder, Column::Type,
                           Column::ChangeWords, Column::Rank}) {
        if (h.has(c) && isQuantityUnit(unitOf(c)))
            problems << h.names[h.place(c)] + u": a column of text, with the unit "_s + unitOf(c);
    }
    for (const QString& p : problems)
        part.errors.add({part.file, row.line(), p});
    table->usable = problems.isEmpty();

    // Every column that is not read is named, once a file.
    if (table->usable) {
        QStringList unused;
        for (qsizetype i = 0; i < h.names.size(); ++i) {
            bool used = false;
            for (const Column c :
                 {Column::Code, Column::Name, Column::Date, Column::Holder, Column::Shares,
                  table->ratio, Column::Type, Column::Change, Column::ChangeWords, Column::Rank})
                used = used || h.place(c) == i;
            if (!used && !h.names[i].isEmpty())
                unused << h.names[i];
        }
        const QString warning = u"columns not used: "_s + unused.join(u", "_s);
        if (!unused.isEmpty() && !part.warned.contains(warning)) {
            part.warned.insert(warning);
            part.warnings.push_back({part.file, row.line(), warning});
        }
    }
    part.table = std::move(table);
    ++part.tables;
    part.state = Part::State::InTable;
    part.titleName = UINT_MAX;
}

void Importer::endOfText(Part& part) const {
    if (part.state != Part::State::BeforeHeader)
        return settlePending(part, true);
    if (part.csvFailed)
        return; // what stops the reading is the error
    if (!part.anyRow) {
        part.errors.add({part.file, 0, u"is empty: it has no header row"_s});
        return;
    }
    const std::pair<Column, QString> needed[] = {{Column::Holder, u"the holder's name"_s},
                                                 {Column::Shares, u"the shares held"_s}};
    if (part.bestHeader.named() >= 2) {
        for (const auto& [column, what] : needed) {
            if (!part.bestHeader.has(column))
                part.errors.add({part.file, part.bestHeaderLine, missingColumn(column, what)});
        }
        return;
    }
    part.errors.add({part.file, 0,
                     u"has no header row: no line names "_s +
                         described(Column::Holder, u"the holder's name"_s) + u" and "_s +
                         described(Column::Shares, u"the shares held"_s)});
}

quint32 Importer::text(Part& part, int column, QByteArrayView bytes, QStringList& problems,
                       const char* what) const {
    bytes = trimmedBlanks(bytes);
    if (bytes.size() <= 8 && isPlaceholder(bytes, part.encoding))
        return 0;
    const std::string_view key(bytes.data(), size_t(bytes.size()));
    const Part::Text*& last = part.last[size_t(column)];
    if (last && last->first == key)
        return last->second;
    auto it = part.textIndex.find(key);
    if (it == part.textIndex.end()) {
        std::optional<QString> checked = checkedText(bytes, part.encoding, what, problems);
        if (!checked)
            return 0;
        part.texts.push_back(std::move(*checked));
        it = part.textIndex.emplace(std::string(key), quint32(part.texts.size() - 1)).first;
    }
    last = &*it;
    return it->second;
}

bool Importer::addRow(Part& part, const CsvRow& row, QStringList& problems) const {
    const Table& table = *part.table;
    if (row.size() != table.fields()) {
        bool extraFilled = row.size() < table.fields();
        for (qsizetype i = table.fields(); i < row.size() && !extraFilled; ++i)
            extraFilled = !trimmedBlanks(row.field(i)).isEmpty();
        if (extraFilled) {
            problems << fieldCount(row.size(), table.fields());
            return false;
        }
    }
    const auto field = [&](Column c) {
        return table.field(row, c);
    };
    const auto quoted = [&](Column c) {
        return u" \""_s + decodeField(trimmedBlanks(field(c)), part.encoding) + u'"';
    };
    const auto given = [&](Column c) {
        return !isPlaceholder(field(c), part.encoding);
    };

    Holding h;
    std::optional<int> code = table.code;
    if (given(Column::Code) && !(code = codeFromBytes(field(Column::Code))))
        problems << u"not a stock code:"_s + quoted(Column::Code);
    else if (!code)
        problems << u"no stock code"_s;

    std::optional<int> date = table.date;
    if (given(Column::Date)) {
        const QByteArrayView bytes = trimmedBlanks(field(Column::Date));
        if (part.lastDate.second != 0 && QByteArrayView(part.lastDate.first) == bytes)
            date = part.lastDate.second;
        else if ((date = dateFromBytes(bytes)))
            part.lastDate = {bytes.toByteArray(), *date};
        else
            problems << u"not a date:"_s + quoted(Column::Date);
    } else if (!date) {
        problems << u"no report date"_s;
    }

    const auto number = [&](Column c, bool percent, const char* what) -> std::optional<double> {
        const NumberRead read = readNumber(field(c), part.separator, percent);
        if (read.problem == NumberRead::None)
            return read.value;
        problems << u"not "_s + QString::fromLatin1(what) + u':' + quoted(c) +
                        (read.problem == NumberRead::Grouping
                             ? u" (thousands are separated every three digits)"_s
                             : QString());
        return std::nullopt;
    };
    h.shares = 0;
    if (!given(Column::Shares)) {
        problems << u"no number of shares"_s;
    } else if (const std::optional<double> shares =
                   number(Column::Shares, false, "a number of shares")) {
        h.shares = *shares * table.sharesScale;
        if (h.shares < 0)
            problems << u"a negative number of shares:"_s + quoted(Column::Shares);
        else if (h.shares > mostShares)
            problems << u"more shares than any company has:"_s + quoted(Column::Shares);
    }

    h.percent = std::nan("");
    if (given(table.ratio)) {
        if (const std::optional<double> percent = number(table.ratio, true, "a percentage")) {
            h.percent = *percent;
            if (!(h.percent >= 0 && h.percent <= 100))
                problems << u"a ratio outside 0 to 100%:"_s + quoted(table.ratio);
        }
    }

    h.rank = INT_MAX;
    if (given(Column::Rank)) {
        const NumberRead rank = readNumber(field(Column::Rank), part.separator, false);
        if (rank.problem != NumberRead::None || rank.value < 0 || rank.value >= INT_MAX ||
            rank.value != std::floor(rank.value))
            problems << u"not a rank:"_s + quoted(Column::Rank);
        else
            h.rank = int(rank.value);
    }

    h.change = std::nan("");
    h.changeText = 0;
    if (given(Column::Change)) {
        const NumberRead change = readNumber(field(Column::Change), part.separator, false);
        if (change.problem == NumberRead::None) {
            h.change = change.value * table.changeScale;
            if (std::abs(h.change) > mostShares)
                problems << u"a change of more shares than any company has:"_s +
                                quoted(Column::Change);
        } else if (change.problem == NumberRead::Grouping) {
            number(Column::Change, false, "a change");
        } else {
            h.changeText =
                text(part, int(Column::Change), field(Column::Change), problems, "the change");
        }
    }
    if (std::isnan(h.change) && h.changeText == 0)
        h.changeText = text(part, int(Column::ChangeWords), field(Column::ChangeWords), problems,
                            "the change");

    h.holder =
        text(part, int(Column::Holder), field(Column::Holder), problems, "the holder's name");
    if (h.holder == 0 && !given(Column::Holder))
        problems << u"the holder's name is empty"_s;
    h.type = text(part, int(Column::Type), field(Column::Type), problems, "the share type");
    quint32 name = text(part, int(Column::Name), field(Column::Name), problems, "the stock name");
    if (!problems.isEmpty())
        return false;

    if (name == 0 && !table.name.isEmpty()) {
        if (part.titleName == UINT_MAX) {
            part.texts.push_back(table.name);
            part.titleName = quint32(part.texts.size() - 1);
        }
        name = part.titleName;
    }
    h.code = *code;
    h.date = *date;
    h.floatHolders = table.floatHolders;
    h.line = row.line();
    h.file = part.fileIndex;
    if (name != 0) {
        auto& [when, latest] = part.names[h.code];
        if (latest == 0 || h.date >= when) {
            latest = name;
            when = h.date;
        }
    }
    h.order = part.rows++;
    part.holdings.push_back(h);
    return true;
}

void Importer::merge(Part& part) {
    // The part's texts follow the ones read before; its first, the empty text, stays 0.
    const auto shift = quint32(texts_.size() - 1);
    texts_.insert(texts_.end(), part.texts.begin() + 1, part.texts.end());
    const auto moved = [&](quint32 index) {
        return index == 0 ? 0 : index + shift;
    };
    const auto rowsBefore = quint32(summary_.rows);
    if (holdings_.empty() && shift == 0 && rowsBefore == 0) {
        holdings_ = std::move(part.holdings); // the first rows: nothing to move
    } else {
        holdings_.reserve(holdings_.size() + part.holdings.size());
        for (Holding h : part.holdings) {
            h.holder = moved(h.holder);
            h.type = moved(h.type);
            h.changeText = moved(h.changeText);
            h.order += rowsBefore;
            holdings_.push_back(h);
        }
    }
    for (auto it = part.names.begin(); it != part.names.end(); ++it) {
        auto& [when, latest] = stockNames_[it.key()];
        if (latest == 0 || it->first >= when) {
            latest = moved(it->second);
            when = it->first;
        }
    }
    errors_.add(part.errors);
    for (const ImportError& warning : part.warnings) {
        if (!summary_.warnings.contains(warning.text())) // a file read twice warns once
            summary_.warnings << warning.text();
    }
    summary_.rows += part.rows;
    part = Part();
}

void Importer::readNames(QByteArrayView text, const QString& file) {
    FoundEncoding found;
    if (settings_.encoding == TextEncoding::Detect)
        found = findEncoding(text);
    else
        found.encoding = settings_.encoding;
    if (!found.problem.isEmpty()) {
        errors_.add({file, found.badLine, found.problem});
        return;
    }
    text = text.sliced(found.byteOrderMark);
    QByteArray converted;
    if (found.encoding == TextEncoding::Utf16Le || found.encoding == TextEncoding::Utf16Be) {
        converted = utf16ToUtf8(text, found.encoding);
        text = converted;
        found.encoding = TextEncoding::Utf8;
    }
    const char separator = findSeparator(text, found.encoding, file, headsNames).separator;
    std::optional<Header> header;
    qsizetype fields = 0;
    try {
        CsvReader::read(
            text, file,
            [&](const CsvRow& row) {
                if (!header) {
                    Header read = readHeader(decodedFields(row, found.encoding));
                    if (headsNames(read)) {
                        header = std::move(read);
                        fields = row.size();
                    }
                    return;
                }
                const qsizetype codeAt = header->place(Column::Code);
                const qsizetype nameAt = header->place(Column::Name);
                if (row.size() < fields) {
                    if (filledFields(row) > 0)
                        errors_.add({file, row.line(), u"fewer fields than the header has"_s});
                    return;
                }
                const std::optional<int> code = codeFromBytes(row.field(codeAt));
                QStringList problems;
                if (!code)
                    problems << u"not a stock code: \""_s +
                                    decodeField(row.field(codeAt), found.encoding) + u'"';
                const std::optional<QString> name =
                    checkedText(row.field(nameAt), found.encoding, "the stock name", problems);
                if (!problems.isEmpty())
                    errors_.add({file, row.line(), problems.join(u"; "_s)});
                else if (!name->isEmpty())
                    listedNames_.insert(*code, *name);
            },
            {}, 1, CsvReader::Lines::PlainDirect, separator);
    } catch (const ImportError& e) {
        errors_.add(e);
        return;
    }
    if (!header)
        errors_.add({file, 0,
                     u"has no header row: no line names "_s +
                         described(Column::Code, u"the stock code"_s) + u" and "_s +
                         described(Column::Name, u"the stock name"_s)});
}

} // namespace gegu
