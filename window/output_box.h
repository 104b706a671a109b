#pragma once

#include "report_document.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QElapsedTimer>
#include <QList>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringView>
#include <QTextLayout>
#include <map>
#include <memory>
#include <vector>

class QMenu;
class QMimeData;

namespace gegu {

// The multi-line output box, a view of a ReportDocument. Only CR LF starts a line; a lone CR
// or LF is drawn as nothing and left out of a copy. Lines wider than the box wrap at its width;
// only what shows is laid out (of a very long line, only the stretch of it that shows), so a
// report of millions of lines shows at once and costs little beyond its own text. Every row
// stands at the same pitch, the line spacing of the box's font. The scroll bar, the keys and
// the wheel count visual rows, a line not yet laid out counting as one.
//
// The user scrolls, selects (mouse, keys, Ctrl+A), copies, types (keys and input methods),
// undoes and redoes, drags and drops text, as in the platform's plain text box.
class OutputBox : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit OutputBox(QWidget* parent = nullptr);
    ~OutputBox() override;

    // Replaces the whole text and shows it from its first line; the history is cleared.
    void setText(TextBuffer text);
    void setText(QStringView text);
    void setSource(std::shared_ptr<const LineSource> source);
    void clear();

    const ReportDocument& document() const { return document_; }
    qsizetype lineCount() const { return document_.lineCount(); }
    // Characters of the text, a CR LF between every two lines.
    qsizetype length() const;
    // Line i without its line end.
    QString line(qsizetype i) const { return document_.line(i); }
    // Which line of the text as set line i still is, unedited; -1 for an edited or new line.
    qsizetype sourceLine(qsizetype i) const { return document_.sourceLine(i); }
    // The whole text, lines joined by LF; lone CRs and LFs are left out, as they are not shown.
    QString toPlainText() const;
    QString selectedText() const;
    // The text between two places as it shows and copies: lines joined by LF, without the lone
    // CRs and LFs.
    QString shownText(TextPosition from, TextPosition to) const;
    bool hasSelection() const { return anchor_ != cursor_; }
    TextPosition cursorPosition() const { return cursor_; }
    TextPosition anchorPosition() const { return anchor_; }
    void setSelection(TextPosition anchor, TextPosition cursor);
    void selectAll();
    // The first line in view, and the row of it at the top when it wraps.
    qsizetype topLine() const { return top_.line; }
    int topRow() const { return top_.row; }
    // Scrolls so that the line shows at the top, as far as the text goes on below it.
    void setTopLine(qsizetype line);
    // The distance between the tops of two neighbouring rows of text.
    int linePitch() const;
    // What edits and their history may keep, in characters; 0 for no limit.
    void setEditLimit(qsizetype characters) { document_.setLimit(characters); }

    // Replaces the selection with text, as pasted.
    void insertPlainText(QStringView text) { replaceSelection(text); }
    void undo();
    void redo();
    void copy() const;
    void cut();
    void paste();

    // Where the character at offset (line ends counting one each) stands, in the viewport.
    QRect characterRect(qsizetype offset) const;
    // The offset of the character at a point of the viewport.
    qsizetype offsetAt(QPoint point) const;
    // Scrolls so that the place shows.
    void ensureVisible(TextPosition p);

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

signals:
    // The context menu is about to show, with the line it is for: the line under the pointer,
    // or the cursor's line when the menu comes from the keyboard. Entries may be added.
    void contextMenuAboutToShow(QMenu* menu, qsizetype line);
    // An edit would keep more than the edit limit; the text is as it was.
    void editLimitExceeded();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // A row of the display: a line, and one of the rows it wraps into.
    struct Row {
        qsizetype line = 0;
        int row = 0;
        auto operator<=>(const Row&) const = default;
    };
    // A line's rows as far as they are known: a long line is laid out in segments, each as it
    // comes into view; a segment not laid out yet counts by an estimate.
    struct Wrap {
        int rows = 1;
        std::vector<int> segments; // rows of each segment of a long line, 0 while not known
    };
    // The part of a line that one layout holds.
    struct Segment {
        qsizetype line = 0;
        int index = 0;
        qsizetype start = 0;
        qsizetype end = 0;
    };

    void replaceText(std::shared_ptr<const LineSource> source, const QString& before);
    QString accessiblePreview() const;
    void changed(const TextChange& change);
    void edit(TextPosition from, TextPosition to, QStringView text,
              ReportDocument::EditKind kind = ReportDocument::EditKind::Other);
    void replaceSelection(QStringView text,
                          ReportDocument::EditKind kind = ReportDocument::EditKind::Other);
    // Deletes the selection, or else the text from one place to another.
    void eraseSelectionOr(TextPosition from, TextPosition to,
                          ReportDocument::EditKind kind = ReportDocument::EditKind::Other);

    // Segments and layouts.
    int segmentCount(qsizetype line) const;
    Segment segment(qsizetype line, int index) const;
    Segment segmentAt(TextPosition p) const;
    QTextLayout& layoutOf(const Segment& s) const;
    int estimatedRows(const Segment& s) const;
    int segmentRows(const Segment& s) const;
    int rowsOf(qsizetype line) const;
    // The segment that row r of its line falls in, and the row inside that segment.
    std::pair<Segment, int> segmentOfRow(Row r) const;
    void dropLayouts() const;
    void trimLayouts() const;
    int textWidth() const;
    // The rows that show whole, and those that a page of the scroll bar counts.
    int visibleRows() const;
    int pageRows() const;
    // Where the top row stands in the view.
    int topY() const;

    // Scrolling, in rows.
    qsizetype rowIndex(Row r) const;
    Row rowAtIndex(qsizetype index) const;
    Row lastTop() const;
    Row stepRows(Row from, qsizetype n) const;
    void scrollTo(Row top);
    void updateScrollBar();
    Row rowOf(TextPosition p) const;
    // The rows from the top of the view down to r, or -1 when r is above the view.
    qsizetype rowsFromTop(Row r) const;
    QTextLine textLine(Row r, Segment* s = nullptr) const;

    // The cursor and the selection.
    TextPosition positionAt(QPoint point) const;
    TextPosition positionAtRow(Row r, qreal x) const;
    qreal xOf(TextPosition p) const;
    TextPosition lineEnd(qsizetype line) const { return {line, document_.lineLength(line)}; }
    TextPosition moved(TextPosition p, QKeySequence::StandardKey key) const;
    TextPosition wordStart(TextPosition p) const;
    TextPosition wordEnd(TextPosition p) const;
    void moveCursor(TextPosition p, bool select, bool keepX = false);
    void pageUpDown(bool down, bool select);
    void selectionChanged();
    // Offers the selection to other programs as X11's primary selection.
    void offerSelection();
    // The text is about to change: the selection offered keeps the text that was selected.
    void keepOfferedSelection();
    void restartBlink();
    QRect cursorRect(TextPosition p, int preeditCursor = 0) const;
    QMimeData* mimeForSelection() const;
    void insertFromMime(const QMimeData* mime, TextPosition at);
    void showContextMenu(QPoint globalPos, qsizetype line);
    void autoScroll();
    void commitPreedit();

    ReportDocument document_;
    mutable std::map<qsizetype, Wrap> wraps_;
    mutable std::map<std::pair<qsizetype, int>, std::unique_ptr<QTextLayout>> layouts_;
    mutable qsizetype laidOutCharacters_ = 0;
    mutable bool wrapsChanged_ = false;

    Row top_;
    Row lastTop_;
    bool settingScrollBar_ = false;
    TextPosition cursor_;
    TextPosition anchor_;
    qreal preferredX_ = -1; // kept while moving up and down
    int pageY_ = -1;        // the cursor's height in the view, kept while paging
    bool cursorShown_ = false;
    QBasicTimer blink_;

    // Input methods: the text being composed, shown at the cursor.
    QString preedit_;
    int preeditCursor_ = 0;
    QList<QTextLayout::FormatRange> preeditFormats_;

    // The mouse: a press in the selection may start a drag; a drag beyond the view scrolls.
    QPoint pressedAt_;
    bool mayDrag_ = false;
    bool selecting_ = false;
    QPoint mouseAt_;
    QBasicTimer autoScroll_;
    QElapsedTimer lastDoubleClick_;
    QPoint doubleClickedAt_;
    // Where dragged text would drop.
    TextPosition dropAt_;
    bool dropShown_ = false;

    // The selection last offered to other programs, while it still reads from the text.
    class SelectionMime;
    QPointer<SelectionMime> offered_;
};

} // namespace gegu
