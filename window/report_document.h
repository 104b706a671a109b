#pragma once

#include "common/large_allocator.h"

#include <QString>
#include <QStringView>
#include <compare>
#include <memory>
#include <vector>

namespace gegu {

// The lines of an unedited text, shared and never changed. Only CR LF ends a line; a lone CR
// or LF is part of its line.
class LineSource {
public:
    virtual ~LineSource() = default;
    virtual qsizetype lineCount() const = 0;
    // Line i without its line end.
    virtual QString line(qsizetype i) const = 0;
    // The length of line i in UTF-16 units; cheap.
    virtual qsizetype lineLength(qsizetype i) const = 0;
    // The characters of the lines before line i, their line ends not counted. A source may
    // work it out on first use; after that it is cheap.
    virtual qsizetype charactersBefore(qsizetype i) const = 0;
    // Appends the characters [from, to) of line i to out.
    virtual void appendTo(QString& out, qsizetype i, qsizetype from, qsizetype to) const {
        out += QStringView(line(i)).sliced(from, to - from);
    }
};

// The lines of one UTF-16 text held in a buffer, as a report or a help text comes.
class TextBufferLines final : public LineSource {
public:
    explicit TextBufferLines(TextBuffer text);
    explicit TextBufferLines(QStringView text);

    qsizetype lineCount() const override { return qsizetype(starts_.size()) - 1; }
    QString line(qsizetype i) const override { return lineView(i).toString(); }
    qsizetype lineLength(qsizetype i) const override {
        return qsizetype(starts_[size_t(i) + 1] - starts_[size_t(i)]) - 2;
    }
    qsizetype charactersBefore(qsizetype i) const override {
        return qsizetype(starts_[size_t(i)]) - 2 * i;
    }
    void appendTo(QString& out, qsizetype i, qsizetype from, qsizetype to) const override {
        out += lineView(i).sliced(from, to - from);
    }
    QStringView lineView(qsizetype i) const {
        return {text_.data() + starts_[size_t(i)], lineLength(i)};
    }

private:
    TextBuffer text_;
    // Where each line starts, and after the last one where a line after it would start: the
    // text's size plus the two characters of a CR LF.
    std::vector<qint64, LargeAllocator<qint64>> starts_;
};

// A place in a text: a line, and a character of it (0 up to its length).
struct TextPosition {
    qsizetype line = 0;
    qsizetype column = 0;
    auto operator<=>(const TextPosition&) const = default;
};

// What an edit, undo or redo did to the lines: lines [first, first + removed) were replaced by
// lines [first, first + inserted); the cursor and the anchor after it.
struct TextChange {
    qsizetype first = 0;
    qsizetype removed = 0;
    qsizetype inserted = 0;
    TextPosition anchor;
    TextPosition cursor;
    // Where the change is in characters (line ends one each), as screen readers count.
    qsizetype offset = 0;
    qsizetype removedLength = 0;
    qsizetype insertedLength = 0;
    // The removed and inserted text, where they are short enough to tell.
    QString removedText;
    QString insertedText;
};

// The text of the output box: lines, edits, undo and redo. The text as set is a line source
// that is never copied; the edited text is a table of pieces, each either a run of the
// source's lines or a run of lines added by edits. Ctrl+A and a key on a report of millions
// of lines thus copy nothing, and undo puts the same references back. What the added lines
// take (kept by the text or by the history) counts against a limit in characters.
class ReportDocument {
public:
    // How an edit came about: typing and deleting by keys group into one step of the history as
    // a user's typing does.
    enum class EditKind { Other, Typing, Backspace, Delete };

    ReportDocument();
    ~ReportDocument();
    ReportDocument(const ReportDocument&) = delete;
    ReportDocument& operator=(const ReportDocument&) = delete;

    // Replaces the whole text; the history is cleared.
    void setSource(std::shared_ptr<const LineSource> source);
    const std::shared_ptr<const LineSource>& source() const { return source_; }

    qsizetype lineCount() const { return lineCount_; }
    QString line(qsizetype i) const;
    qsizetype lineLength(qsizetype i) const;
    // Appends the characters [from, to) of line i to out.
    void appendTo(QString& out, qsizetype i, qsizetype from, qsizetype to) const;
    // The text from one place to another, lines joined by LF.
    QString text(TextPosition from, TextPosition to) const;
    // The text's characters, line ends counted as one each.
    qsizetype characterCount() const;
    qsizetype offsetOf(TextPosition p) const;
    TextPosition positionAt(qsizetype offset) const;
    TextPosition endPosition() const { return {lineCount_ - 1, lineLength(lineCount_ - 1)}; }
    TextPosition clamped(TextPosition p) const;

    // The source line that line i still is, unedited, or -1.
    qsizetype sourceLine(qsizetype i) const;

    // Replaces [from, to) with text, whose CR LF, CR and LF pairs each start a line. The cursor
    // and anchor before the edit are what undo gives back.
    // Undo puts the cursor at the end of the text it gives back, redo at the end of the text it
    // puts in again.
    TextChange replace(TextPosition from, TextPosition to, QStringView text,
                       EditKind kind = EditKind::Other);
    bool canUndo() const { return done_ > 0; }
    bool canRedo() const;
    TextChange undo();
    TextChange redo();
    // The next edit starts a new step of the history, whatever it is.
    void closeStep() { mergeable_ = false; }

    // The characters that edits and their history may keep; 0 for no limit. When an edit would
    // pass it, the oldest steps of the history are forgotten first; is it still passed, the edit
    // throws LimitExceeded and the text is as before.
    void setLimit(qsizetype characters) { limit_ = characters; }
    qsizetype used() const { return *used_; }
    struct LimitExceeded {};

private:
    struct AddedLines;
    struct Piece {
        std::shared_ptr<AddedLines> added; // null: lines of the source
        qsizetype first = 0;
        qsizetype count = 0;
    };
    struct Step;

    // The piece holding line i, and the line's index inside it.
    std::pair<size_t, qsizetype> find(qsizetype line) const;
    qsizetype piecePrefix(const Piece& p, qsizetype k) const;
    void splitAt(qsizetype line);
    std::vector<Piece> peekLines(qsizetype first, qsizetype count) const;
    std::vector<Piece> swapLines(qsizetype first, qsizetype count, std::vector<Piece> lines);
    void reindex();
    bool mergesWith(const Step& last, TextPosition from, TextPosition to, QStringView text,
                    EditKind kind) const;
    TextChange describe(qsizetype first, qsizetype removedLines, TextPosition from,
                        TextPosition to) const;
    void finish(TextChange& change, qsizetype insertedLines, TextPosition insertedEnd) const;
    void makeRoom(qsizetype characters);

    std::shared_ptr<const LineSource> source_;
    std::vector<Piece> pieces_;
    // Counts the characters before each piece, the first time offsets are asked for after a
    // change: a source of millions of lines is not read through before it is shown.
    void countCharacters() const;

    // The first line and the characters before each piece, line ends not counted.
    std::vector<qsizetype> firstLines_;
    mutable std::vector<qsizetype> charsBefore_;
    qsizetype lineCount_ = 1;
    mutable qsizetype characters_ = 0;
    mutable bool charactersCounted_ = false;

    std::vector<Step> history_;
    qsizetype done_ = 0;
    bool mergeable_ = false;
    qsizetype limit_ = 0;
    // The characters of every run of added lines still kept; each run takes itself off.
    std::shared_ptr<qsizetype> used_;
};

} // namespace gegu
