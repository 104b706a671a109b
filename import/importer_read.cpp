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
// The most lines of the first table's title (those above its header; more are passed over),
// and of a later one's (from its title line to its header).
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

// What is wrong with a text that a data file's line is to hold: a control character, the bar
// that parts a row's columns, or a character that GBK cannot hold.
std::optional<ImportFault> textFault(const QString& text, Column column) {
    const auto codeAt = [&](qsizetype at) {
        return text[at].isHighSurrogate() && at + 1 < text.size()
                   ? QChar::surrogateToUcs4(text[at], text[at + 1])
                   : char32_t(text[at].unicode());
    };
    const auto hex = [](char32_t c) {
        return QString::number(uint(c), 16).toUpper().rightJustified(4, u'0');
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
            return ImportFault{ImportKind::ControlCharacter, int(column), {hex(c)}};
    }
    if (text.contains(u'│'))
        return ImportFault{ImportKind::ColumnBar, int(column), {text}};
    if (const qsizetype at = firstNonGbk(text); at >= 0) {
        const char32_t c = codeAt(at);
        return ImportFault{
            ImportKind::NotInGbk, int(column), {QString::fromUcs4(&c, 1), hex(c), text}};
    }
    return std::nullopt;
}

// A field's text with line breaks and tabs made blanks (a data file's line is one line), or
// what is wrong with it.
std::optional<QString> checkedText(QByteArrayView bytes, TextEncoding encoding, Column column,
                                   std::vector<ImportFault>& faults) {
    QString text = decodeField(bytes, encoding);
    text.replace(u"\r\n"_s, u" "_s);
    for (QChar& c : text) {
        if (c == u'\r' || c == u'\n' || c == u'\t')
            c = u' ';
    }
    text = text.trimmed();
    if (std::optional<ImportFault> fault = textFault(text, column)) {
        faults.push_back(std::move(*fault));
        return std::nullopt;
    }
    return text;
}

// A line after a table that titles the next one: its first field is its only one, and names a
// stock code or a report date.
bool isTitleLine(const QStringList& fields) {
    if (fields.isEmpty() || fields.front().isEmpty())
        return false;
    for (qsizetype i = 1; i < fields.size(); ++i) {
        if (!fields[i].isEmpty())
            return false;
    }
    return readTitle(fields.front()).namesCodeOrDate();
}

// A spreadsheet's own file rather than text: .xlsx (a ZIP archive) or .xls (a compound file).
bool isWorkbook(QByteArrayView text) {
    return text.startsWith("PK\x03\x04") || text.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
}

// The name of a file as the import names it, without its folders.
QStringView fileNameOf(const QString& file) {
    const qsizetype slash = std::max(file.lastIndexOf(u'/'), file.lastIndexOf(u'\\'));
    return QStringView(file).sliced(slash + 1);
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
    read(text, file, settings_, progress);
}

void Importer::read(QByteArrayView text, const QString& file, const FileSettings& settings,
                    const std::function<void(qint64)>& progress) {
    ++summary_.files;
    files_ << file;
    if (isWorkbook(text)) {
        errors_.add({file, 0, {ImportKind::Workbook}});
        return;
    }
    FileSettings named = settings;
    named.fromName = hintsFromFileName(fileNameOf(file));
    FoundEncoding found;
    if (settings.encoding == TextEncoding::Detect) {
        found = findEncoding(text);
    } else {
        found.encoding = settings.encoding;
        const bool utf16 =
            found.encoding == TextEncoding::Utf16Le || found.encoding == TextEncoding::Utf16Be;
        if (found.encoding == TextEncoding::Utf8 && text.startsWith("\xEF\xBB\xBF"))
            found.byteOrderMark = 3;
        else if (utf16 && (text.startsWith("\xFF\xFE") || text.startsWith("\xFE\xFF")))
            found.byteOrderMark = 2;
    }
    if (found.problem) {
        errors_.add({file, found.badLine, {*found.problem}});
        return;
    }
    if (found.latinLine > 0)
        warn({file, found.latinLine, {ImportKind::Windows1252Quote, -1, {found.latinText}}});
    text = text.sliced(found.byteOrderMark);
    QByteArray converted;
    TextEncoding encoding = found.encoding;
    if (encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16Be) {
        converted = utf16ToUtf8(text, encoding);
        text = converted;
        encoding = TextEncoding::Utf8;
    }
    readText(text, file, named, encoding, progress);
}

void Importer::readText(QByteArrayView text, const QString& file, const FileSettings& settings,
                        TextEncoding encoding, const std::function<void(qint64)>& progress) {
    const Probe probe = findSeparator(text, encoding, file, headsHolders);
    Part first;
    first.file = file;
    first.fileIndex = quint32(files_.size() - 1);
    first.encoding = encoding;
    first.separator = probe.separator;
    first.style = probe.separator == ';' ? NumberStyle::Semicolons : NumberStyle::CommaThousands;
    first.settings = std::make_shared<const FileSettings>(settings);
    const Part start = first.continuing();
    const auto inOnePass = [&] {
        first = start.continuing();
        readPart(first, text, 1, progress, true);
        finishFile(first, nullptr);
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
        first.table.get() != firstTable)
        return inOnePass();
    const qint64 shift = first.lines;
    for (Holding& h : second.holdings)
        h.line += shift;
    for (std::vector<ImportMessage>* list :
         {&second.errors.first_, &second.warnings, &second.titles}) {
        for (ImportMessage& m : *list)
            m.shift(shift);
    }
    for (Part::EitherNumber& n : second.eitherNumbers)
        n.line += shift;
    for (Part::MarkSeen* seen : {&second.decimalComma, &second.decimalPoint}) {
        if (seen->line > 0)
            seen->line += shift;
    }
    if (second.otherMarketLine > 0)
        second.otherMarketLine += shift;
    finishFile(first, &second);
}

void Importer::readPart(Part& part, QByteArrayView text, qint64 firstLine,
                        const std::function<void(qint64)>& progress, bool last) const {
    part.holdings.reserve(part.holdings.size() + size_t(text.size() / bytesPerRow + 1));
    try {
        part.lines += CsvReader::read(
            text, part.file, [&](const CsvRow& row) { onRow(part, row); }, progress, firstLine,
            CsvReader::Lines::PlainDirect, part.separator);
    } catch (const ImportError& e) {
        if (!last && e.kind() == ImportKind::CsvUnendedQuote) {
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
    std::vector<ImportFault> faults; // what is wrong with it as a holder row
    if (part.state == Part::State::InTable) {
        const Table& table = *part.table;
        if (table.usable && addRow(part, row, faults))
            return;
        if (row.sameFields(table.row))
            return; // the header again
    } else if (part.state == Part::State::InTitle && !part.titleAfterNote && part.table->usable) {
        if (addRow(part, row, faults)) {
            abandonTitle(part); // rows go on under it: no title
            return;
        }
        faults.clear();
    }
    if (filledFields(row) == 0)
        return;
    const QStringList fields = decodedFields(row, part.encoding);
    if (isNote(fields)) {
        if (part.state == Part::State::InTitle)
            abandonTitle(part);
        if (part.state == Part::State::InTable) {
            part.state = Part::State::AfterNote;
            part.noteLine = row.line();
        }
        return;
    }
    Header header = readHeader(fields);
    if (header.headsHolders())
        return startTable(part, row, std::move(header));

    switch (part.state) {
    case Part::State::BeforeHeader:
        if (header.named() > part.bestHeader.named()) {
            part.bestHeader = std::move(header);
            part.bestHeaderLine = row.line();
        }
        if (qsizetype(part.title.size()) < firstTitleRows)
            part.title.push_back({row.line(), fields.join(u' ')});
        return;
    case Part::State::InTable:
        if (isTitleLine(fields)) {
            part.title = {{row.line(), fields.front()}};
            part.titleAfterNote = false;
            part.state = Part::State::InTitle;
            return;
        }
        if (part.table->usable) // the rows of a table that cannot be read are not
            part.errors.add(ImportMessage::ofRow(part.file, row.line(), std::move(faults)));
        return;
    case Part::State::InTitle:
        if (qsizetype(part.title.size()) < laterTitleRows) {
            part.title.push_back({row.line(), fields.join(u' ')});
            return;
        }
        abandonTitle(part);
        return onRow(part, row);
    case Part::State::AfterNote:
        if (isTitleLine(fields)) {
            part.title = {{row.line(), fields.front()}};
            part.titleAfterNote = true;
            part.state = Part::State::InTitle;
        } else if (filledFields(row) * 2 > part.table->fields()) {
            ImportFault fault{ImportKind::RowAfterNote};
            fault.otherLine = part.noteLine;
            part.errors.add({part.file, row.line(), std::move(fault)});
        }
        return;
    }
}

void Importer::abandonTitle(Part& part) const {
    part.errors.add({part.file, part.title.front().line, {ImportKind::TitleWithoutHeader}});
    part.title.clear();
    part.state = part.titleAfterNote ? Part::State::AfterNote : Part::State::InTable;
}

void Importer::startTable(Part& part, const CsvRow& row, Header header) const {
    // The title: the lines above the first header, or those from a title line after a table.
    // A header that follows a table otherwise has none.
    std::optional<Title> title;
    std::vector<qint64> titleLines;
    if (!part.title.empty()) {
        QStringList texts;
        for (const Part::TitleLine& t : part.title) {
            texts << t.text;
            titleLines.push_back(t.line);
        }
        title = readTitle(texts.join(u'\n'));
        part.title.clear();
    }
    const auto lineOfTitle = [&](int i) {
        return titleLines[size_t(std::clamp<int>(i, 0, int(titleLines.size()) - 1))];
    };

    const FileSettings& settings = *part.settings;
    auto table = std::make_shared<Table>();
    table->header = std::move(header);
    table->row = row;
    table->line = row.line();
    // Below a title, what the file's name says.
    const FileNameHints& named = settings.fromName;
    const bool codeFromName = !settings.code && !(title && title->code) && named.code;
    const bool dateFromName = !settings.date && !(title && title->date) && named.date;
    table->code = settings.code ? settings.code : title && title->code ? title->code : named.code;
    table->date = settings.date ? settings.date : title && title->date ? title->date : named.date;
    table->name = !settings.stockName.isEmpty() ? settings.stockName
                  : title                       ? title->name
                                                : QString();
    // The table's kind: --float, a title's 十大股东 or 十大流通股东, the file's name, or a ratio of
    // the float alone. Where nothing tells, 十大股东.
    const Header& h = table->header;
    const bool titleTells = title && title->namesTable;
    const bool nameTells = !settings.floatHolders && !titleTells && named.floatHolders;
    const bool floatRatioAlone = h.has(Column::FloatRatio) && !h.has(Column::Ratio);
    table->floatHolders = settings.floatHolders || (titleTells && title->floatHolders) ||
                          (nameTells && *named.floatHolders) ||
                          (!titleTells && !nameTells && floatRatioAlone);
    table->kindAssumed = !settings.floatHolders && !titleTells && !nameTells && !floatRatioAlone;
    table->ratio = table->floatHolders ? Column::FloatRatio : Column::Ratio;

    bool usable = true;
    const auto fail = [&](qint64 line, ImportFault fault) {
        part.errors.add({part.file, line, std::move(fault)});
        usable = false;
    };
    if (!h.has(Column::Code) && !table->code) {
        if (title && title->codes.size() > 1)
            fail(lineOfTitle(title->codeLine), {ImportKind::TitleCodes, -1, title->codes});
        else
            fail(title ? lineOfTitle(0) : row.line(), {ImportKind::NoCode});
    }
    if (!h.has(Column::Date) && !table->date) {
        if (title && title->dates.size() > 1)
            fail(lineOfTitle(title->dateLine), {ImportKind::TitleDates, -1, title->dates});
        else
            fail(title ? lineOfTitle(0) : row.line(), {ImportKind::NoDate});
    }
    if (title && !h.has(Column::Name) && settings.stockName.isEmpty() && !title->name.isEmpty()) {
        if (std::optional<ImportFault> fault = textFault(title->name, Column::Name))
            fail(lineOfTitle(title->codeLine), std::move(*fault));
    }
    if (table->floatHolders && !h.has(Column::FloatRatio) && h.has(Column::Ratio))
        fail(row.line(), {ImportKind::RatioNotOfFloat, -1, {h.names[h.place(Column::Ratio)]}});
    const auto unitOf = [&](Column c) {
        return h.units[size_t(c)];
    };
    const std::optional<double> titleUnit = title ? title->sharesUnit : std::nullopt;
    const auto scale = [&](Column c, double& into) {
        if (!h.has(c))
            return;
        const QString unit = unitOf(c);
        const std::optional<double> s = unit.isEmpty() && titleUnit ? titleUnit : sharesScale(unit);
        if (s)
            into = *s;
        else
            fail(row.line(), {ImportKind::NotSharesUnit, -1, {h.names[h.place(c)], unit}});
    };
    scale(Column::Shares, table->sharesScale);
    scale(Column::Change, table->changeScale);
    if (titleUnit)
        table->changeWordsScale = *titleUnit;
    if (h.has(table->ratio) && !isPercentUnit(unitOf(table->ratio)))
        fail(
            row.line(),
            {ImportKind::NotRatioUnit, -1, {h.names[h.place(table->ratio)], unitOf(table->ratio)}});
    for (const Column c : {Column::Code, Column::Name, Column::Date, Column::Holder, Column::Type,
                           Column::ChangeWords, Column::Rank}) {
        if (h.has(c) && isQuantityUnit(unitOf(c)))
            fail(row.line(), {ImportKind::TextColumnUnit, -1, {h.names[h.place(c)], unitOf(c)}});
    }
    table->usable = usable;

    if (table->usable) {
        // What the title gave, told in the summary.
        if (title) {
            const QString code = !h.has(Column::Code) && !settings.code && title->code
                                     ? codeText(*title->code)
                                     : QString();
            const QString name =
                !h.has(Column::Name) && settings.stockName.isEmpty() ? title->name : QString();
            const QString date = !h.has(Column::Date) && !settings.date && title->date
                                     ? dateText(*title->date)
                                     : QString();
            if (!code.isEmpty() || !name.isEmpty() || !date.isEmpty())
                part.titles.push_back(
                    {part.file, lineOfTitle(0), {ImportKind::TitleRead, -1, {code, name, date}}});
        }
        // And what the file's name gave.
        const QString nameCode =
            codeFromName && !h.has(Column::Code) ? codeText(*named.code) : QString();
        const QString nameDate =
            dateFromName && !h.has(Column::Date) ? dateText(*named.date) : QString();
        const QString nameTable =
            nameTells ? (*named.floatHolders ? u"十大流通股东"_s : u"十大股东"_s) : QString();
        if (!nameCode.isEmpty() || !nameDate.isEmpty() || !nameTable.isEmpty())
            part.titles.push_back(
                {part.file,
                 row.line(),
                 {ImportKind::FileNameRead, -1, {nameCode, nameDate, nameTable}}});
        if (table->kindAssumed && !part.warned.contains(u"\x01kind"_s)) {
            part.warned.insert(u"\x01kind"_s);
            part.titles.push_back({part.file, row.line(), {ImportKind::KindAssumed}});
        }
        // Every column that is not read is named, once a file.
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
        const QString warning = unused.join(u", "_s);
        if (!unused.isEmpty() && !part.warned.contains(warning)) {
            part.warned.insert(warning);
            part.warnings.push_back(
                {part.file, row.line(), {ImportKind::UnusedColumns, -1, unused}});
        }
    }
    part.table = std::move(table);
    ++part.tables;
    part.state = Part::State::InTable;
    part.titleName = UINT_MAX;
}

void Importer::endOfText(Part& part) const {
    if (part.state == Part::State::InTitle)
        abandonTitle(part);
    if (part.state != Part::State::BeforeHeader)
        return;
    if (part.csvFailed)
        return; // what stops the reading is the error
    if (!part.anyRow) {
        part.errors.add({part.file, 0, {ImportKind::EmptyFile}});
        return;
    }
    if (part.bestHeader.named() >= 2) {
        for (const Column column : {Column::Holder, Column::Shares}) {
            if (!part.bestHeader.has(column))
                part.errors.add(
                    {part.file, part.bestHeaderLine, {ImportKind::MissingColumn, int(column)}});
        }
        return;
    }
    part.errors.add({part.file, 0, {ImportKind::NoHeaderRow}});
}

quint32 Importer::text(Part& part, Column column, QByteArrayView bytes,
                       std::vector<ImportFault>& faults) const {
    bytes = trimmedBlanks(bytes);
    if (bytes.size() <= 8 && isPlaceholder(bytes, part.encoding))
        return 0;
    const std::string_view key(bytes.data(), size_t(bytes.size()));
    const Part::Text*& last = part.last[size_t(column)];
    if (last && last->first == key)
        return last->second;
    auto it = part.textIndex.find(key);
    if (it == part.textIndex.end()) {
        std::optional<QString> checked = checkedText(bytes, part.encoding, column, faults);
        if (!checked)
            return 0;
        part.texts.push_back(std::move(*checked));
        it = part.textIndex.emplace(std::string(key), quint32(part.texts.size() - 1)).first;
    }
    last = &*it;
    return it->second;
}

bool Importer::addRow(Part& part, const CsvRow& row, std::vector<ImportFault>& faults) const {
    const Table& table = *part.table;
    if (row.size() != table.fields()) {
        bool extraFilled = row.size() < table.fields();
        for (qsizetype i = table.fields(); i < row.size() && !extraFilled; ++i)
            extraFilled = !trimmedBlanks(row.field(i)).isEmpty();
        if (extraFilled) {
            faults.push_back({ImportKind::FieldCount,
                              -1,
                              {QString::number(row.size()), QString::number(table.fields())}});
            return false;
        }
    }
    const auto field = [&](Column c) {
        return table.field(row, c);
    };
    const auto cell = [&](Column c) {
        return decodeField(trimmedBlanks(field(c)), part.encoding);
    };
    const auto given = [&](Column c) {
        return !isPlaceholder(field(c), part.encoding);
    };
    const auto fault = [&](ImportKind kind, Column c, QStringList values = {}) {
        faults.push_back({kind, int(c), std::move(values)});
    };

    Holding h;
    std::optional<int> code = table.code;
    if (given(Column::Code)) {
        const CodeRead read = readCode(field(Column::Code));
        if (read.market == CodeRead::Other) {
            // A stock of another market: left out, and counted.
            if (part.otherMarketRows++ == 0) {
                part.otherMarketLine = row.line();
                part.otherMarketCode = cell(Column::Code);
            }
            return true;
        }
        if (read.market == CodeRead::None)
            fault(ImportKind::NotCode, Column::Code, {cell(Column::Code)});
        else
            code = read.code;
    } else if (!code) {
        fault(ImportKind::NoCodeInRow, Column::Code);
    }

    std::optional<int> date = table.date;
    if (given(Column::Date)) {
        const QByteArrayView bytes = trimmedBlanks(field(Column::Date));
        if (part.lastDate.second != 0 && QByteArrayView(part.lastDate.first) == bytes)
            date = part.lastDate.second;
        else if ((date = dateFromBytes(bytes)))
            part.lastDate = {bytes.toByteArray(), *date};
        else
            fault(ImportKind::NotDate, Column::Date, {cell(Column::Date)});
    } else if (!date) {
        fault(ImportKind::NoDateInRow, Column::Date);
    }

    // Numbers; in a semicolon-separated file, each shows what it can of the file's decimal mark,
    // and one that reads two ways waits for the file's.
    struct Either {
        Column column;
        QString cell;
        NumberRead read;
        double scale;
    };
    std::vector<Either> eithers;
    const auto noteMark = [&](const NumberRead& read, Column c) {
        Part::MarkSeen* seen = read.mark == NumberRead::DecimalComma   ? &part.decimalComma
                               : read.mark == NumberRead::DecimalPoint ? &part.decimalPoint
                                                                       : nullptr;
        if (seen && seen->line == 0)
            *seen = {row.line(), cell(c)};
    };
    const auto number = [&](Column c, double scale,
                            const NumberRead& read) -> std::optional<double> {
        switch (read.problem) {
        case NumberRead::NotNumber:
            fault(ImportKind::NotNumber, c, {cell(c)});
            return std::nullopt;
        case NumberRead::Grouping:
            fault(ImportKind::Grouping, c, {cell(c)});
            return std::nullopt;
        case NumberRead::Rounded:
            fault(ImportKind::Rounded, c,
                  {cell(c), QString::number(read.significant), QString::number(read.needed)});
            return std::nullopt;
        case NumberRead::None:
            break;
        }
        noteMark(read, c);
        if (read.mark == NumberRead::EitherMark)
            eithers.push_back({c, cell(c), read, scale});
        return read.value * scale;
    };
    h.shares = 0;
    if (!given(Column::Shares)) {
        fault(ImportKind::NoShares, Column::Shares);
    } else if (const std::optional<double> shares =
                   number(Column::Shares, table.sharesScale,
                          readNumber(field(Column::Shares), part.style, false, true))) {
        h.shares = *shares;
        if (h.shares < 0)
            fault(ImportKind::NegativeShares, Column::Shares, {cell(Column::Shares)});
        else if (h.shares > mostShares)
            fault(ImportKind::TooManyShares, Column::Shares, {cell(Column::Shares)});
    }

    h.percent = std::nan("");
    if (given(table.ratio)) {
        if (const std::optional<double> percent =
                number(table.ratio, 1, readNumber(field(table.ratio), part.style, true))) {
            h.percent = *percent;
            if (!(h.percent >= 0 && h.percent <= 100))
                fault(ImportKind::RatioOutOfRange, table.ratio, {cell(table.ratio)});
        }
    }

    h.rank = INT_MAX;
    if (given(Column::Rank)) {
        const NumberRead rank = readNumber(field(Column::Rank), part.style, false);
        if (rank.problem != NumberRead::None || rank.mark == NumberRead::EitherMark ||
            rank.value < 0 || rank.value >= INT_MAX || rank.value != std::floor(rank.value))
            fault(ImportKind::NotRank, Column::Rank, {cell(Column::Rank)});
        else
            h.rank = int(rank.value);
    }

    // A change: a number, words, or words with a number (增持1000000, 减少3000股).
    h.change = std::nan("");
    h.changeText = 0;
    const auto words = [&](Column c, double scale) {
        const quint32 index = text(part, c, field(c), faults);
        if (index == 0)
            return;
        auto it = part.changeWords.find(index);
        if (it == part.changeWords.end())
            it = part.changeWords.emplace(index, readChangeWords(part.texts[index], part.style))
                     .first;
        const ChangeWords& read = it->second;
        if (read.reading == ChangeWords::Words) {
            h.changeText = index;
        } else if (read.reading == ChangeWords::Unreadable) {
            fault(ImportKind::NotChange, c, {part.texts[index]});
        } else {
            h.change = read.value * (read.unit.isEmpty() ? scale : *sharesScale(read.unit));
            if (std::abs(h.change) > mostShares)
                fault(ImportKind::ChangeTooLarge, c, {part.texts[index]});
        }
    };
    if (given(Column::Change)) {
        const NumberRead change = readNumber(field(Column::Change), part.style, false, true);
        if (change.problem == NumberRead::NotNumber) {
            words(Column::Change, table.changeScale);
        } else if (const std::optional<double> value =
                       number(Column::Change, table.changeScale, change)) {
            h.change = *value;
            if (std::abs(h.change) > mostShares)
                fault(ImportKind::ChangeTooLarge, Column::Change, {cell(Column::Change)});
        }
    }
    if (std::isnan(h.change) && h.changeText == 0 && given(Column::ChangeWords))
        words(Column::ChangeWords, table.changeWordsScale);

    h.holder = text(part, Column::Holder, field(Column::Holder), faults);
    if (h.holder == 0 && !given(Column::Holder))
        fault(ImportKind::HolderEmpty, Column::Holder);
    h.type = text(part, Column::Type, field(Column::Type), faults);
    quint32 name = text(part, Column::Name, field(Column::Name), faults);
    if (!faults.empty())
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
    h.kindAssumed = table.kindAssumed;
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
    for (Either& e : eithers)
        part.eitherNumbers.push_back({part.holdings.size() - 1, e.column, row.line(),
                                      std::move(e.cell), e.read.value, e.read.thousands, e.scale});
    return true;
}

void Importer::finishFile(Part& first, Part* second) {
    if (first.style == NumberStyle::Semicolons)
        settleNumbers(first, second);
    const qint64 others = first.otherMarketRows + (second ? second->otherMarketRows : 0);
    if (others > 0) {
        const Part& seen = first.otherMarketRows > 0 ? first : *second;
        const qint64 rows = qint64(first.rows) + (second ? qint64(second->rows) : 0);
        const QStringList values{QString::number(others), seen.otherMarketCode};
        if (rows == 0)
            first.errors.add(
                {first.file, seen.otherMarketLine, {ImportKind::OnlyForeignCodes, -1, values}});
        else
            first.warnings.push_back(
                {first.file, seen.otherMarketLine, {ImportKind::ForeignCodes, -1, values}});
    }
    merge(first);
    if (second)
        merge(*second);
}

void Importer::settleNumbers(Part& first, Part* second) {
    const auto earliest = [&](Part::MarkSeen Part::*mark) {
        const Part::MarkSeen& a = first.*mark;
        if (a.line > 0 || !second)
            return a;
        return second->*mark;
    };
    const Part::MarkSeen comma = earliest(&Part::decimalComma);
    const Part::MarkSeen point = earliest(&Part::decimalPoint);
    if (comma.line > 0 && point.line > 0) {
        ImportFault fault =
            comma.line < point.line
                ? ImportFault{ImportKind::DecimalPointAfterComma, -1, {point.cell, comma.cell}}
                : ImportFault{ImportKind::DecimalCommaAfterPoint, -1, {comma.cell, point.cell}};
        fault.otherLine = std::min(comma.line, point.line);
        first.errors.add({first.file, std::max(comma.line, point.line), std::move(fault)});
        return;
    }
    for (Part* part : {&first, second}) {
        if (!part)
            continue;
        for (const Part::EitherNumber& n : part->eitherNumbers) {
            if (point.line > 0)
                continue; // read with a decimal point already
            if (comma.line == 0) {
                part->errors.add({part->file,
                                  n.line,
                                  {ImportKind::AmbiguousNumber,
                                   int(n.column),
                                   {n.cell, n.cell, QString::number(n.thousandsValue, 'f', 0)}}});
                continue;
            }
            Holding& h = part->holdings[n.row];
            const double value = n.thousandsValue * n.scale;
            std::optional<ImportKind> wrong;
            if (n.column == Column::Shares) {
                h.shares = value;
                if (value > mostShares)
                    wrong = ImportKind::TooManyShares;
            } else if (n.column == Column::Change) {
                h.change = value;
                if (std::abs(value) > mostShares)
                    wrong = ImportKind::ChangeTooLarge;
            } else {
                h.percent = value;
                if (!(value >= 0 && value <= 100))
                    wrong = ImportKind::RatioOutOfRange;
            }
            if (wrong)
                part->errors.add({part->file, n.line, {*wrong, int(n.column), {n.cell}}});
        }
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
    for (ImportMessage& warning : part.warnings)
        warn(std::move(warning));
    for (ImportMessage& title : part.titles)
        summary_.titles.push_back(std::move(title));
    summary_.rows += part.rows;
    part = Part();
}

void Importer::warn(ImportMessage warning) {
    const QString text = warning.text();
    if (std::none_of(summary_.warnings.begin(), summary_.warnings.end(),
                     [&](const ImportMessage& w) { return w.text() == text; }))
        summary_.warnings.push_back(std::move(warning)); // a file read twice warns once
}

void Importer::readNames(QByteArrayView text, const QString& file, TextEncoding encoding) {
    FoundEncoding found;
    if (encoding == TextEncoding::Detect)
        found = findEncoding(text);
    else
        found.encoding = encoding;
    if (found.problem) {
        errors_.add({file, found.badLine, {*found.problem}});
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
                        errors_.add({file, row.line(), {ImportKind::NamesFieldCount}});
                    return;
                }
                const CodeRead code = readCode(row.field(codeAt));
                if (code.market == CodeRead::Other)
                    return; // not a stock Gegu holds
                std::vector<ImportFault> faults;
                if (code.market == CodeRead::None)
                    faults.push_back(
                        {ImportKind::NotCode,
                         int(Column::Code),
                         {decodeField(trimmedBlanks(row.field(codeAt)), found.encoding)}});
                const std::optional<QString> name =
                    checkedText(row.field(nameAt), found.encoding, Column::Name, faults);
                if (!faults.empty())
                    errors_.add(ImportMessage::ofRow(file, row.line(), std::move(faults)));
                else if (!name->isEmpty())
                    listedNames_.insert(code.code, *name);
            },
            {}, 1, CsvReader::Lines::PlainDirect, separator);
    } catch (const ImportError& e) {
        errors_.add(e);
        return;
    }
    if (!header)
        errors_.add({file, 0, {ImportKind::NoNamesHeader}});
}

} // namespace gegu
