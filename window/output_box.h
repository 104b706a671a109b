#pragma once

#include "common/large_allocator.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QString>
#include <QStringView>
#include <memory>
#include <unordered_map>
#include <vector>

class QTextLayout;

namespace gegu {

// The multi-line output box. It keeps the text it is given as it is, plus where each line
// starts: only CR LF starts a line, and a lone CR or LF is drawn as nothing. Lines wider than
// the box wrap at its width; only the lines in view are laid out, so a report of millions of
// lines shows at once and costs little beyond its own text. Every line stands at the same
// pitch, the line spacing of the box's font. The user can scroll (bar, wheel, keys), select
// (mouse, keys, Ctrl+A), copy, and type into the box.
class OutputBox : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit OutputBox(QWidget* parent = nullptr);
    ~OutputBox() override;

    // Replaces the whole text and shows it from its first line. The buffer is kept as it is.
    void setText(TextBuffer text);
    void setText(QStringView text);
    void clear();

    qsizetype lineCount() const { return qsizetype(lines_.size()); }
    // Characters of the text, a CR LF between every two lines.
    qsizetype length() const;
    // Line i without its line end.
    QString line(qsizetype i) const { return lineText(i).toString(); }
    // The whole text, lines joined by LF; lone CRs and LFs are left out, as they are not shown.
    QString toPlainText() const;
    QString selectedText() const;
    void selectAll();
    // The first line in view, and the row of it at the top when it wraps.
    qsizetype topLine() const { return top_.line; }
    // The distance between the tops of two neighbouring rows of text.
    int linePitch() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // A place in the text: a line, and a character of it (0..its length).
    struct Position {
        qsizetype line = 0;
        qsizetype column = 0;
        auto operator<=>(const Position&) const = default;
    };
    // A row of the display: a line, and one of the rows it wraps into.
    struct Row {
        qsizetype line = 0;
        int row = 0;
        auto operator<=>(const Row&) const = default;
    };
    // Where a line's text is: at start in the text as set, or for an edited line at
    // -start - 1 in the added text.
    struct Line {
        qint64 start;
        qint64 length;
    };

    QStringView lineText(qsizetype i) const;
    void splitLines();
    void textChanged();

    // Layouts of the lines at the box's width, made as they come into view.
    QTextLayout& layoutOf(qsizetype line) const;
    int rowsOf(qsizetype line) const;
    void dropLayouts();
    int textWidth() const;
    int visibleRows() const;

    // Scrolling, in rows.
    Row lastTop() const;
    Row stepRows(Row from, qsizetype n) const;
    void scrollTo(Row top);
    void updateScrollBar();
    Row rowOf(Position p) const;
    void ensureVisible(Position p);

    // The cursor and the selection.
    Position positionAt(QPoint point) const;
    Position lineEnd(qsizetype line) const { return {line, lineText(line).size()}; }
    Position moved(Position p, int key, bool words) const;
    void moveCursor(Position p, bool select);
    bool hasSelection() const { return anchor_ != cursor_; }
    void copy() const;
    void restartBlink();

    // Editing: replaces the selection with text, whose CR LF, CR and LF pairs start lines.
    void replaceSelection(QStringView inserted);
    void setLine(qsizetype i, QStringView text);

    TextBuffer text_;
    QString added_; // the text of edited lines
    std::vector<Line, LargeAllocator<Line>> lines_;
    mutable std::unordered_map<qsizetype, std::unique_ptr<QTextLayout>> layouts_;

    Row top_;
    Row lastTop_;
    bool settingScrollBar_ = false;
    Position cursor_;
    Position anchor_;
    qreal preferredX_ = -1; // kept while moving up and down
    bool cursorShown_ = false;
    QBasicTimer blink_;
};

} // namespace gegu
