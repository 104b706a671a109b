#include "csv_reader.h"

#include <QIODevice>
#include <algorithm>
#include <cstring>
#include <csv.h>
#include <exception>
#include <memory>

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

constexpr qint64 blockSize = 1 << 20;
const QByteArray byteOrderMark = "\xEF\xBB\xBF";

// The state that libcsv's callbacks fill: the row so far, and where it started.
struct Parse {
    CsvRow* row;
    const std::function<void(const CsvRow&)>* onRow;
    qint64 line = 1;         // of the text being fed
    qint64 rowStartLine = 1; // of the row being read
    qint64 nextRowLine = 1;  // where the row after the last one read starts at the latest
    bool atRowStart = true;  // libcsv has ended the last row: no field is open
    // What onRow threw; no exception may cross libcsv's C code, so it waits here until
    // csv_parse has returned.
    std::exception_ptr failure;
};

// The blanks that libcsv trims around a field that is not quoted: spaces, and tabs unless they
// separate the fields.
int isSpace(unsigned char c) {
    return c == ' ' || c == '\t';
}
int isSpaceOnly(unsigned char c) {
    return c == ' ';
}

QByteArrayView trimmed(QByteArrayView bytes, char separator) {
    if (separator != '\t')
        return trimmedBlanks(bytes);
    while (bytes.startsWith(' '))
        bytes = bytes.sliced(1);
    while (bytes.endsWith(' '))
        bytes.chop(1);
    return bytes;
}

// Splits a line that holds no quote and no CR but the one before its LF into the row's fields
// as libcsv would: at every separator, each field trimmed of blanks. A line of blanks alone is
// no row: no fields.
void readPlainLine(const char* begin, const char* end, char separator, std::string& bytes,
                   std::vector<qsizetype>& ends) {
    bytes.clear();
    ends.clear();
    for (const char* field = begin;;) {
        const auto* comma =
            static_cast<const char*>(std::memchr(field, separator, size_t(end - field)));
        const QByteArrayView text = trimmed(QByteArrayView(field, comma ? comma : end), separator);
        bytes.append(text.data(), size_t(text.size()));
        ends.push_back(qsizetype(bytes.size()));
        if (!comma) {
            if (ends.size() == 1 && bytes.empty())
                ends.clear();
            return;
        }
        field = comma + 1;
    }
}

} // namespace

QByteArrayView trimmedBlanks(QByteArrayView bytes) {
    const auto blank = [](char c) {
        return c == ' ' || c == '\t';
    };
    while (!bytes.isEmpty() && blank(bytes.front()))
        bytes = bytes.sliced(1);
    while (!bytes.isEmpty() && blank(bytes.back()))
        bytes.chop(1);
    return bytes;
}

qint64 CsvReader::read(QByteArrayView text, const QString& file,
                       const std::function<void(const CsvRow&)>& onRow,
                       const std::function<void(qint64)>& progress, qint64 firstLine, Lines lines,
                       char separator) {
    // Every line end is reported, also the ones that end no row, so that it is known when a
    // line has left libcsv between rows.
    csv_parser parser{};
    if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI | CSV_REPALL_NL) != 0)
        throw ImportError(file, 0, {ImportKind::OutOfMemory});
    const std::unique_ptr<csv_parser, void (*)(csv_parser*)> freed(&parser, csv_free);
    csv_set_delim(&parser, static_cast<unsigned char>(separator));
    // libcsv grows its field buffer by this much at a time: by its default of 128 bytes, a long
    // field costs its length squared wherever realloc moves the buffer (Windows' C runtime,
    // AddressSanitizer).
    csv_set_blk_size(&parser, 1 << 20);
    csv_set_space_func(&parser, separator == '\t' ? isSpaceOnly : isSpace);

    CsvRow row;
    Parse state{&row, &onRow, firstLine, firstLine, firstLine, true, {}};
    const auto field = [](void* bytes, size_t length, void* data) {
        auto* s = static_cast<Parse*>(data);
        CsvRow& r = *s->row;
        const QByteArrayView view(static_cast<const char*>(bytes), qsizetype(length));
        // The first field ends on the line being fed; it started as many lines before as it
        // holds line breaks.
        if (r.ends_.empty())
            s->rowStartLine = s->line - view.count('\n');
        r.bytes_.append(view.data(), size_t(view.size()));
        r.ends_.push_back(qsizetype(r.bytes_.size()));
    };
    const auto rowEnd = [](int end, void* data) {
        auto* s = static_cast<Parse*>(data);
        s->atRowStart = end == '\n';
        if (s->row->ends_.empty()) { // a blank line, or the LF after a row's CR
            s->nextRowLine = s->line + 1;
            return;
        }
        s->row->line_ = s->rowStartLine;
        if (!s->failure) {
            try {
                (*s->onRow)(*s->row);
            } catch (...) {
                s->failure = std::current_exception();
            }
        }
        s->row->bytes_.clear();
        s->row->ends_.clear();
        s->nextRowLine = s->line + 1;
    };
    const auto fail = [&](qint64 line, ImportKind why) {
        throw ImportError(file, line, {why});
    };
    const auto parse = [&](const char* bytes, size_t length) {
        if (csv_parse(&parser, bytes, length, field, rowEnd, &state) != length)
            fail(state.line, ImportKind::CsvStrayQuote);
        if (state.failure)
            std::rethrow_exception(state.failure);
    };

    if (text.startsWith(byteOrderMark))
        text = text.sliced(3);
    // Fed a line at a time, so that the line a row starts on is known; libcsv gets the lines
    // that need it, from one that opens a quote to the one that closes it.
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* reported = begin;
    const char* p = begin;
    for (const char* lineEnd; p < end; p = lineEnd + 1, ++state.line) {
        lineEnd = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
        if (!lineEnd)
            break;
        const char* content = lineEnd > p && lineEnd[-1] == '\r' ? lineEnd - 1 : lineEnd;
        const auto holds = [&](char c) {
            return std::memchr(p, c, size_t(content - p)) != nullptr;
        };
        if (lines == Lines::PlainDirect && state.atRowStart && !holds('"') && !holds('\r')) {
            readPlainLine(p, content, separator, row.bytes_, row.ends_);
            state.rowStartLine = state.line;
            rowEnd('\n', &state);
            if (state.failure)
                std::rethrow_exception(state.failure);
        } else {
            state.atRowStart = false;
            parse(p, size_t(lineEnd + 1 - p));
        }
        if (progress && lineEnd - reported >= blockSize) {
            progress(lineEnd - begin);
            reported = lineEnd;
        }
    }
    if (p < end)
        parse(p, size_t(end - p));
    if (csv_fini(&parser, field, rowEnd, &state) != 0)
        fail(state.nextRowLine, ImportKind::CsvUnendedQuote);
    if (state.failure)
        std::rethrow_exception(state.failure);
    if (progress)
        progress(text.size());
    return state.line - firstLine;
}

} // namespace gegu
