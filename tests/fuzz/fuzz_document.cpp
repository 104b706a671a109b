// Fuzzes the output box's text with edits, undo and redo: its lines always match a plain list
// of lines edited the same way, undoing every step gives back the text as set, redoing every
// step the text as edited, and offsets and places map onto each other.

#include "window/report_document.h"

#include <QStringList>
#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace gegu;

namespace {

// Reads the fuzzer's bytes: numbers and short UTF-16 texts.
struct Input {
    const uint8_t* data;
    size_t size;
    size_t at = 0;

    bool done() const { return at >= size; }
    unsigned byte() { return at < size ? data[at++] : 0; }
    QString text(qsizetype length) {
        QString out;
        for (qsizetype i = 0; i < length && at + 1 < size; ++i, at += 2)
            out += QChar(char16_t(data[at] | (data[at + 1] << 8)));
        return out;
    }
};

// The same edit on a plain list of lines: CR LF, CR and LF each break the inserted text.
void replaceIn(QStringList& lines, TextPosition from, TextPosition to, const QString& text) {
    QStringList pieces;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n')
            continue;
        pieces << text.mid(start, i - start);
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    pieces << text.mid(start);
    pieces.front().prepend(lines[from.line].left(from.column));
    pieces.back().append(lines[to.line].mid(to.column));
    lines.remove(from.line, to.line - from.line + 1);
    for (qsizetype i = 0; i < pieces.size(); ++i)
        lines.insert(from.line + i, pieces[i]);
}

QStringList linesOf(const ReportDocument& d) {
    QStringList out;
    for (qsizetype i = 0; i < d.lineCount(); ++i) {
        out << d.line(i);
        if (d.lineLength(i) != out.back().size())
            std::abort();
    }
    return out;
}

TextPosition place(const QStringList& lines, unsigned line, unsigned column) {
    const qsizetype l = qsizetype(line) % lines.size();
    return {l, qsizetype(column) % (lines[l].size() + 1)};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in{data, size};
    const QString initial = in.text(in.byte() * 2);
    ReportDocument d;
    d.setSource(std::make_shared<TextBufferLines>(initial));
    const QStringList original = linesOf(d);
    QStringList model = original;
    while (!in.done()) {
        const unsigned op = in.byte() % 8;
        if (op == 6) {
            d.undo();
            model = linesOf(d);
            continue;
        }
        if (op == 7) {
            d.redo();
            model = linesOf(d);
            continue;
        }
        TextPosition from = place(model, in.byte(), in.byte());
        TextPosition to = place(model, in.byte(), in.byte());
        if (to < from)
            std::swap(from, to);
        const QString text = in.text(in.byte() % 8);
        const TextChange change = d.replace(from, to, text, ReportDocument::EditKind(op % 4));
        replaceIn(model, from, to, text);
        if (linesOf(d) != model)
            std::abort();
        for (const TextPosition p : {change.cursor, place(model, from.line, from.column)}) {
            const qsizetype offset = d.offsetOf(p);
            if (d.positionAt(offset) != p)
                std::abort();
        }
    }
    while (d.canRedo())
        d.redo();
    const QStringList last = linesOf(d);
    while (d.canUndo())
        d.undo();
    if (linesOf(d) != original)
        std::abort();
    while (d.canRedo())
        d.redo();
    if (linesOf(d) != last)
        std::abort();
    return 0;
}
