#pragma once

#include "primary_selection.h"
#include "report_document.h"
#include "report_layout.h"

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QStringView>
#include <QVariant>
#include <algorithm>
#include <optional>

class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QInputMethodEvent;
class QKeyEvent;
class QMenu;
class QMimeData;
class QMouseEvent;

namespace gegu {

class OutputBox;

// What the user does to the output box, turned into edits of its text and moves of its cursor:
// keys, the mouse, drag and drop, input methods and the clipboard, as in the platform's plain
// text box. It keeps the cursor, the selection and what an input method is composing; the box
// it works for shows them and scrolls, and hands it its events.
class ReportControl : public QObject {
public:
    ReportControl(OutputBox& view, ReportDocument& document, ReportLayout& layout);
    ~ReportControl() override;

    TextPosition cursor() const { return cursor_; }
    TextPosition anchor() const { return anchor_; }
    bool hasSelection() const { return anchor_ != cursor_; }
    TextPosition selectionStart() const { return std::min(anchor_, cursor_); }
    TextPosition selectionEnd() const { return std::max(anchor_, cursor_); }
    QString selectedText() const;
    void setSelection(TextPosition anchor, TextPosition cursor);
    void selectAll();
    // A new text: the cursor at its start, nothing selected nor composed.
    void reset();

    // Edits, and their history.
    void replaceSelection(QStringView text,
                          ReportDocument::EditKind kind = ReportDocument::EditKind::Other);
    void undo();
    void redo();
    void copy() const;
    void cut();
    void paste();
    // The text is about to change: the selection offered to other programs keeps the text
    // that was selected.
    void keepOfferedSelection() { primary_.keep(); }
    // The entries of editing for a context menu.
    void addEditActions(QMenu& menu);

    // What the box is given of the user. Keys the box has no use for are ignored, for the
    // window to take.
    bool takesShortcut(const QKeyEvent* event) const;
    void keyPress(QKeyEvent* event);
    void mousePress(QMouseEvent* event);
    void mouseMove(QMouseEvent* event);
    void mouseRelease(QMouseEvent* event);
    void mouseDoubleClick(QMouseEvent* event);
    void dragEnter(QDragEnterEvent* event);
    void dragMove(QDragMoveEvent* event);
    void dragLeave();
    void drop(QDropEvent* event);
    void inputMethod(QInputMethodEvent* event);
    // The answer to an input method's query; none for queries the box answers as any widget.
    std::optional<QVariant> inputMethodQuery(Qt::InputMethodQuery query) const;
    void focusIn();
    void focusOut();

    // What the box shows: the cursor (while it blinks on; at the position plus preeditCursor()
    // in what is composed), and where dragged text would drop.
    bool cursorShown() const { return cursorShown_ && preeditCursor_ >= 0; }
    int preeditCursor() const { return preeditCursor_; }
    bool dropShown() const { return dropShown_; }
    TextPosition dropAt() const { return dropAt_; }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void changed(const TextChange& change);
    void edit(TextPosition from, TextPosition to, QStringView text,
              ReportDocument::EditKind kind = ReportDocument::EditKind::Other);
    // Deletes the selection, or else the text from one place to another.
    void eraseSelectionOr(TextPosition from, TextPosition to,
                          ReportDocument::EditKind kind = ReportDocument::EditKind::Other);
    void moveCursor(TextPosition p, bool select, bool keepX = false);
    void pageUpDown(bool down, bool select);
    // Tells screen readers where the cursor and the selection are.
    void selectionChanged();
    // Offers the selection to other programs as X11's primary selection.
    void offerSelection();
    void restartBlink();
    QMimeData* mimeForSelection() const;
    void insertFromMime(const QMimeData* mime, TextPosition at);
    void autoScroll();
    void commitPreedit();

    OutputBox& view_;
    ReportDocument& document_;
    ReportLayout& layout_;

    TextPosition cursor_;
    TextPosition anchor_;
    qreal preferredX_ = -1; // kept while moving up and down
    int pageY_ = -1;        // the cursor's height in the view, kept while paging
    bool cursorShown_ = false;
    QBasicTimer blink_;

    // Input methods: where the cursor stands in the text being composed (< 0: hidden).
    int preeditCursor_ = 0;

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

    PrimarySelection primary_;
};

} // namespace gegu
