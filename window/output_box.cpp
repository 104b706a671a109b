#include "output_box.h"

#include "output_box_accessible.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

// Between the frame and the text, as in Qt's own text boxes.
constexpr int margin = 4;
// What screen readers are told of a new text: its start, so many characters.
constexpr qsizetype accessiblePreviewLength = 4096;
// A text of at most so many lines is laid out whole.
constexpr qsizetype shortText = 256;

} // namespace

OutputBox::OutputBox(QWidget* parent)
    : QAbstractScrollArea(parent), layout_(document_), control_(*this, document_, layout_) {
    installOutputBoxAccessibility();
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setInputMethodHints(Qt::ImhMultiLine);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    viewport()->setCursor(Qt::IBeamCursor);
    layout_.setFont(font());
    layout_.setTextWidth(textWidth());
    clear();
}

OutputBox::~OutputBox() = default;

void OutputBox::setText(TextBuffer text) {
    control_.keepOfferedSelection();
    const QString before = accessiblePreview();
    // The old text goes first, so that the two never take memory at the same time.
    document_.setSource(std::make_shared<TextBufferLines>(QStringView()));
    replaceText(std::make_shared<TextBufferLines>(std::move(text)), before);
}

void OutputBox::setText(QStringView text) {
    setSource(std::make_shared<TextBufferLines>(text));
}

void OutputBox::setSource(std::shared_ptr<const LineSource> source) {
    control_.keepOfferedSelection();
    replaceText(std::move(source), accessiblePreview());
}

void OutputBox::clear() {
    setText(TextBuffer());
}

QString OutputBox::accessiblePreview() const {
    if (!QAccessible::isActive())
        return {};
    // The first lines, as far as they reach: a long report's lengths are not counted for it.
    TextPosition end;
    qsizetype length = 0;
    for (; end.line < lineCount(); ++end.line) {
        const qsizetype line = document_.lineLength(end.line);
        if (length + line >= accessiblePreviewLength) {
            end.column = accessiblePreviewLength - length;
            break;
        }
        length += line + 1;
        if (end.line + 1 == lineCount()) {
            end.column = line;
            break;
        }
    }
    return document_.text({}, document_.clamped(end));
}

void OutputBox::replaceText(std::shared_ptr<const LineSource> source, const QString& before) {
    document_.setSource(std::move(source));
    control_.reset();
    top_ = {};
    layout_.clear();
    updateScrollBar();
    viewport()->update();
    if (QAccessible::isActive()) {
        // Screen readers hear of the new text by its start: a report may be far too long to
        // send whole, and they read on by ranges.
        QAccessibleTextUpdateEvent updated(this, 0, before, accessiblePreview());
        QAccessible::updateAccessibility(&updated);
        QAccessibleTextCursorEvent cursor(this, 0);
        QAccessible::updateAccessibility(&cursor);
    }
}

void OutputBox::textChanged(const TextChange& change) {
    const qsizetype shift = change.inserted - change.removed;
    if (top_.line >= change.first + change.removed)
        top_.line += shift;
    else if (top_.line >= change.first)
        top_ = {std::min(change.first, lineCount() - 1), 0};
    top_.line = std::min(top_.line, lineCount() - 1);
    updateScrollBar();
    ensureVisible(control_.cursor());
    viewport()->update();
    if (QAccessible::isActive()) {
        const int at = int(std::min<qsizetype>(change.offset, INT_MAX));
        if (change.removedLength > 0) {
            QAccessibleTextRemoveEvent removed(this, at, change.removedText);
            QAccessible::updateAccessibility(&removed);
        }
        if (change.insertedLength > 0) {
            QAccessibleTextInsertEvent inserted(this, at, change.insertedText);
            QAccessible::updateAccessibility(&inserted);
        }
    }
}

qsizetype OutputBox::length() const {
    return document_.characterCount() + document_.lineCount() - 1;
}

QString OutputBox::shownText(TextPosition from, TextPosition to) const {
    return gegu::shownText(document_, from, to);
}

QString OutputBox::toPlainText() const {
    return shownText({}, document_.endPosition());
}

void OutputBox::setTopLine(qsizetype line) {
    scrollTo({std::clamp<qsizetype>(line, 0, lineCount() - 1), 0});
}

int OutputBox::linePitch() const {
    return fontMetrics().lineSpacing();
}

int OutputBox::textWidth() const {
    return std::max(1, viewport()->width() - 2 * margin);
}

int OutputBox::visibleRows() const {
    return std::max(1, (viewport()->height() - margin) / linePitch());
}

int OutputBox::topY() const {
    // The first row stands below the top margin; scrolled, rows start at the view's top.
    return top_ == Row{} ? margin : 0;
}

int OutputBox::pageRows() const {
    return std::max(1, (viewport()->height() - margin - 1) / linePitch());
}

// ---- scrolling

OutputBox::Row OutputBox::lastTop() const {
    return layout_.stepRows(layout_.lastRow(), -(pageRows() - 1));
}

void OutputBox::updateScrollBar() {
    // A short text is laid out whole: its rows are known, not estimated.
    if (lineCount() <= shortText) {
        for (qsizetype i = 0; i < lineCount(); ++i)
            layout_.rowsOf(i);
    }
    lastTop_ = lastTop();
    QScrollBar* bar = verticalScrollBar();
    settingScrollBar_ = true;
    bar->setRange(0, int(std::min<qsizetype>(layout_.rowIndex(lastTop_), INT_MAX)));
    bar->setPageStep(pageRows());
    bar->setSingleStep(1);
    settingScrollBar_ = false;
    layout_.rowsCounted();
    scrollTo(top_);
}

void OutputBox::scrollTo(Row top) {
    const Row before = top_;
    top.row = std::clamp(top.row, 0, layout_.rowsOf(top.line) - 1);
    top_ = std::clamp(top, Row{}, lastTop_);
    settingScrollBar_ = true;
    verticalScrollBar()->setValue(int(std::min<qsizetype>(layout_.rowIndex(top_), INT_MAX)));
    settingScrollBar_ = false;
    if (top_ != before)
        viewport()->update();
}

void OutputBox::scrollContentsBy(int, int) {
    if (settingScrollBar_)
        return;
    // Moved by the user on the bar, the wheel or its keys: its value is the row at the top.
    const QScrollBar* bar = verticalScrollBar();
    top_ = bar->value() >= bar->maximum() ? lastTop_ : layout_.rowAtIndex(bar->value());
    viewport()->update();
}

qsizetype OutputBox::rowsFromTop(Row r) const {
    if (r < top_)
        return -1;
    qsizetype n = 0;
    for (Row at = top_; at < r && n <= visibleRows() + 1; at = layout_.stepRows(at, 1))
        ++n;
    return n;
}

void OutputBox::ensureVisible(TextPosition p) {
    const Row r = layout_.rowOf(p);
    if (r < top_)
        scrollTo(r);
    else if (layout_.stepRows(top_, visibleRows() - 1) < r)
        scrollTo(layout_.stepRows(r, -(visibleRows() - 1)));
}

// ---- places in the view

TextPosition OutputBox::positionAt(QPoint point) const {
    const int pitch = linePitch();
    const int y = point.y() - topY();
    // A point in the top margin is at the start of the top row.
    if (y < 0)
        return layout_.positionAtRow(top_, 0);
    const qsizetype rowsDown = y / pitch;
    const Row r = layout_.stepRows(top_, rowsDown);
    if (rowsDown > 0 && layout_.stepRows(top_, rowsDown - 1) == r)
        return document_.endPosition(); // below the last row
    return layout_.positionAtRow(r, point.x() - margin);
}

QRect OutputBox::cursorRect(TextPosition p, int preeditCursor) const {
    const qsizetype down = rowsFromTop(layout_.rowOf(p));
    const ReportLayout::Segment s = layout_.segmentAt(p);
    const QTextLayout& layout = layout_.layoutOf(s);
    const int at = int(p.column - s.start) + preeditCursor;
    const QTextLine l = layout.lineForTextPosition(at);
    const int x = margin + int(l.isValid() ? l.cursorToX(at) : 0);
    const int y = topY() + int(down) * linePitch();
    return {x, y, 1, linePitch()};
}

QRect OutputBox::characterRect(qsizetype offset) const {
    const TextPosition p = document_.positionAt(offset);
    QRect r = cursorRect(p);
    if (p.column < document_.lineLength(p.line)) {
        const TextPosition next{p.line, p.column + 1};
        const QRect n = cursorRect(next);
        if (n.top() == r.top())
            r.setRight(std::max(r.left(), n.left() - 1));
    }
    return r;
}

qsizetype OutputBox::offsetAt(QPoint point) const {
    return document_.offsetOf(positionAt(point));
}

// ---- painting

void OutputBox::paintEvent(QPaintEvent* event) {
    using Segment = ReportLayout::Segment;
    layout_.trimLayouts();
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Text));
    const int pitch = linePitch();
    const int height = viewport()->height();
    const TextPosition cursor = control_.cursor();
    const TextPosition a = control_.selectionStart();
    const TextPosition b = control_.selectionEnd();
    QTextCharFormat selected;
    selected.setBackground(palette().brush(QPalette::Highlight));
    selected.setForeground(palette().brush(QPalette::HighlightedText));
    const bool showCursor = control_.cursorShown() && hasFocus();
    const Segment cursorSegment = layout_.segmentAt(cursor);
    const TextPosition dropAt = control_.dropAt();
    const Segment dropSegment = control_.dropShown() ? layout_.segmentAt(dropAt) : Segment{-1};

    auto [s, row] = layout_.segmentOfRow(top_);
    // A segment may hold fewer rows than were estimated for it.
    row = std::min(row, std::max(1, layout_.layoutOf(s).lineCount()) - 1);
    int y = topY() - row * pitch;
    while (y < height) {
        const QTextLayout& layout = layout_.layoutOf(s);
        QList<QTextLayout::FormatRange> selections;
        const bool lastOfLine = s.end == document_.lineLength(s.line);
        if (a != b && s.line >= a.line && s.line <= b.line) {
            const qsizetype from = std::max(s.start, s.line == a.line ? a.column : 0);
            const qsizetype to = std::min(s.end, s.line == b.line ? b.column : s.end);
            if (from <= to) {
                QTextLayout::FormatRange range{int(from - s.start), int(to - from), selected};
                if (s.line < b.line && lastOfLine) {
                    // The line break is selected too: the range takes in the position after
                    // the text, which the layout then fills out to the box's width.
                    range.length += 1;
                    range.format.setProperty(QTextFormat::FullWidthSelection, true);
                }
                if (range.length > 0)
                    selections << range;
            }
        }
        const QPointF at(margin, y);
        layout.draw(&painter, at, selections, QRectF(event->rect()));
        if (showCursor && s.line == cursorSegment.line && s.index == cursorSegment.index)
            layout.drawCursor(&painter, at,
                              int(cursor.column - s.start) + control_.preeditCursor());
        if (s.line == dropSegment.line && s.index == dropSegment.index)
            layout.drawCursor(&painter, at, int(dropAt.column - s.start));
        y += std::max(1, layout.lineCount()) * pitch;
        if (s.index + 1 < layout_.segmentCount(s.line))
            s = layout_.segment(s.line, s.index + 1);
        else if (s.line + 1 < lineCount())
            s = layout_.segment(s.line + 1, 0);
        else
            break;
    }
    painter.end();
    // Lines laid out for the first time may wrap into more rows than counted.
    if (layout_.rowsChanged())
        updateScrollBar();
}

void OutputBox::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (layout_.setTextWidth(textWidth()))
        top_.row = 0;
    updateScrollBar();
}

void OutputBox::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        layout_.setFont(font());
        updateScrollBar();
        viewport()->update();
    }
}

// ---- what the user does, for the control

bool OutputBox::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride &&
        control_.takesShortcut(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QAbstractScrollArea::event(event);
}

void OutputBox::keyPressEvent(QKeyEvent* event) {
    layout_.trimLayouts();
    const int key = event->key();
    if (key == Qt::Key_Menu || (key == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        event->accept();
        const QRect r = cursorRect(control_.cursor());
        showContextMenu(viewport()->mapToGlobal(r.bottomLeft()), control_.cursor().line);
        return;
    }
    if ((event->modifiers() & Qt::ControlModifier) && !(event->modifiers() & Qt::ShiftModifier) &&
        (key == Qt::Key_Up || key == Qt::Key_Down)) {
        // Ctrl+Up and Ctrl+Down scroll a row and leave the cursor.
        event->accept();
        scrollTo(layout_.stepRows(top_, key == Qt::Key_Up ? -1 : 1));
        return;
    }
    control_.keyPress(event);
}

void OutputBox::mousePressEvent(QMouseEvent* event) {
    layout_.trimLayouts();
    control_.mousePress(event);
}

void OutputBox::mouseMoveEvent(QMouseEvent* event) {
    control_.mouseMove(event);
}

void OutputBox::mouseReleaseEvent(QMouseEvent* event) {
    control_.mouseRelease(event);
}

void OutputBox::mouseDoubleClickEvent(QMouseEvent* event) {
    control_.mouseDoubleClick(event);
}

void OutputBox::dragEnterEvent(QDragEnterEvent* event) {
    control_.dragEnter(event);
}

void OutputBox::dragMoveEvent(QDragMoveEvent* event) {
    control_.dragMove(event);
}

void OutputBox::dragLeaveEvent(QDragLeaveEvent*) {
    control_.dragLeave();
}

void OutputBox::dropEvent(QDropEvent* event) {
    control_.drop(event);
}

void OutputBox::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    control_.focusIn();
    viewport()->update();
}

void OutputBox::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    control_.focusOut();
    viewport()->update();
}

void OutputBox::inputMethodEvent(QInputMethodEvent* event) {
    control_.inputMethod(event);
}

QVariant OutputBox::inputMethodQuery(Qt::InputMethodQuery query) const {
    if (std::optional<QVariant> answer = control_.inputMethodQuery(query))
        return *answer;
    return QAbstractScrollArea::inputMethodQuery(query);
}

// ---- the context menu

void OutputBox::contextMenuEvent(QContextMenuEvent* event) {
    if (event->reason() == QContextMenuEvent::Keyboard) {
        const QRect r = cursorRect(control_.cursor());
        showContextMenu(viewport()->mapToGlobal(r.bottomLeft()), control_.cursor().line);
        return;
    }
    const QPoint at = viewport()->mapFromGlobal(event->globalPos());
    showContextMenu(event->globalPos(), positionAt(at).line);
}

void OutputBox::showContextMenu(QPoint globalPos, qsizetype line) {
    QMenu menu(this);
    control_.addEditActions(menu);
    emit contextMenuAboutToShow(&menu, line);
    menu.exec(globalPos);
}

} // namespace gegu
