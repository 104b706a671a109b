#pragma once

#include "report_control.h"
#include "report_document.h"
#include "report_layout.h"

#include <QAbstractScrollArea>
#include <QPoint>
#include <QString>
#include <QStringView>
#include <memory>

class QMenu;

namespace gegu {

// The multi-line output box, a view of a ReportDocument. Only CR LF starts a line; a lone CR
// or LF is drawn as nothing and left out of a copy. Lines wider than the box wrap at its width;
// only what shows is laid out (of a very long line, only the stretch of it that shows), so a
// report of millions of lines shows at once and costs little beyond its own text. Every row
// stands at the same pitch, the line spacing of the box's font. The scroll bar, the keys and
// the wheel count visual rows, a line not yet laid out counting as one.
//
// The user scrolls, selects (mouse, keys, Ctrl+A), copies, types (keys and input methods),
// undoes and redoes, drags and drops text, as in the platform's plain text box. The box is the
// view, as Qt's QPlainTextEdit is: it paints and scrolls. Its text is a ReportDocument, laid out
// in rows by a ReportLayout; a ReportControl turns what the user does into edits and moves of
// the cursor.
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
    QString selectedText() const { return control_.selectedText(); }
    // The text between two places as it shows and copies: lines joined by LF, without the lone
    // CRs and LFs.
    QString shownText(TextPosition from, TextPosition to) const;
    bool hasSelection() const { return control_.hasSelection(); }
    TextPosition cursorPosition() const { return control_.cursor(); }
    TextPosition anchorPosition() const { return control_.anchor(); }
    void setSelection(TextPosition anchor, TextPosition cursor) {
        control_.setSelection(anchor, cursor);
    }
    void selectAll() { control_.selectAll(); }
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
    void insertPlainText(QStringView text) { control_.replaceSelection(text); }
    void undo() { control_.undo(); }
    void redo() { control_.redo(); }
    void copy() const { control_.copy(); }
    void cut() { control_.cut(); }
    void paste() { control_.paste(); }

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
    void inputMethodEvent(QInputMethodEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    friend class ReportControl;
    using Row = ReportLayout::Row;

    void replaceText(std::shared_ptr<const LineSource> source, const QString& before);
    QString accessiblePreview() const;
    // After an edit, undo or redo: the view follows the lines and tells screen readers.
    void textChanged(const TextChange& change);

    int textWidth() const;
    // The rows that show whole, and those that a page of the scroll bar counts.
    int visibleRows() const;
    int pageRows() const;
    // Where the top row stands in the view.
    int topY() const;

    // Scrolling, in rows.
    Row lastTop() const;
    void scrollTo(Row top);
    void updateScrollBar();
    // The rows from the top of the view down to r, or -1 when r is above the view.
    qsizetype rowsFromTop(Row r) const;

    TextPosition positionAt(QPoint point) const;
    QRect cursorRect(TextPosition p, int preeditCursor = 0) const;
    void showContextMenu(QPoint globalPos, qsizetype line);

    ReportDocument document_;
    ReportLayout layout_;
    ReportControl control_;

    Row top_;
    Row lastTop_;
    bool settingScrollBar_ = false;
};

} // namespace gegu
