#include "report_control.h"

#include "output_box.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QStyleHints>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

bool hasLocalFiles(const QMimeData* mime) {
    const QList<QUrl> urls = mime->urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& u) { return u.isLocalFile(); });
}

} // namespace

ReportControl::ReportControl(OutputBox& view, ReportDocument& document, ReportLayout& layout)
    : view_(view), document_(document), layout_(layout), primary_(document) {}

ReportControl::~ReportControl() = default;

// ---- the cursor and the selection

QString ReportControl::selectedText() const {
    return shownText(document_, selectionStart(), selectionEnd());
}

void ReportControl::setSelection(TextPosition anchor, TextPosition cursor) {
    anchor_ = document_.clamped(anchor);
    cursor_ = document_.clamped(cursor);
    preferredX_ = -1;
    selectionChanged();
    view_.viewport()->update();
}

void ReportControl::selectAll() {
    anchor_ = {};
    cursor_ = document_.endPosition();
    selectionChanged();
    offerSelection();
    view_.viewport()->update();
}

void ReportControl::reset() {
    cursor_ = anchor_ = {};
    layout_.setPreedit({}, {}, {});
    preferredX_ = -1;
    pageY_ = -1;
}

void ReportControl::moveCursor(TextPosition p, bool select, bool keepX) {
    const TextPosition oldCursor = cursor_;
    const TextPosition oldAnchor = anchor_;
    cursor_ = document_.clamped(p);
    if (!select)
        anchor_ = cursor_;
    if (!keepX)
        preferredX_ = -1;
    pageY_ = -1;
    view_.ensureVisible(cursor_);
    restartBlink();
    view_.viewport()->update();
    if (cursor_ != oldCursor || anchor_ != oldAnchor)
        selectionChanged();
}

void ReportControl::selectionChanged() {
    if (!QAccessible::isActive())
        return;
    QAccessibleTextCursorEvent cursor(
        &view_, int(std::min<qsizetype>(document_.offsetOf(cursor_), INT_MAX)));
    QAccessible::updateAccessibility(&cursor);
    const qsizetype a = document_.offsetOf(selectionStart());
    const qsizetype b = document_.offsetOf(selectionEnd());
    QAccessibleTextSelectionEvent selection(&view_, int(std::min<qsizetype>(a, INT_MAX)),
                                            int(std::min<qsizetype>(b, INT_MAX)));
    selection.setCursorPosition(cursor.cursorPosition());
    QAccessible::updateAccessibility(&selection);
}

void ReportControl::restartBlink() {
    cursorShown_ = true;
    const int flash = QApplication::cursorFlashTime();
    if (view_.hasFocus() && flash > 0)
        blink_.start(flash / 2, this);
    else
        blink_.stop();
}

void ReportControl::focusIn() {
    restartBlink();
}

void ReportControl::focusOut() {
    blink_.stop();
}

void ReportControl::timerEvent(QTimerEvent* event) {
    if (event->timerId() == blink_.timerId()) {
        cursorShown_ = !cursorShown_;
        view_.viewport()->update();
    } else if (event->timerId() == autoScroll_.timerId()) {
        autoScroll();
    } else {
        QObject::timerEvent(event);
    }
}

// ---- the clipboard

void ReportControl::offerSelection() {
    primary_.offer(selectionStart(), selectionEnd());
}

void ReportControl::copy() const {
    if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText());
}

void ReportControl::cut() {
    if (!hasSelection())
        return;
    copy();
    replaceSelection({});
}

void ReportControl::paste() {
    insertFromMime(QGuiApplication::clipboard()->mimeData(), cursor_);
}

QMimeData* ReportControl::mimeForSelection() const {
    auto* mime = new QMimeData;
    mime->setText(selectedText());
    return mime;
}

void ReportControl::insertFromMime(const QMimeData* mime, TextPosition at) {
    if (!mime || !mime->hasText())
        return;
    const QString text = mime->text();
    if (hasSelection() && at == cursor_)
        replaceSelection(text);
    else
        edit(at, at, text);
}

namespace {

struct Text {
    Q_DECLARE_TR_FUNCTIONS(ReportControl)
};

} // namespace

void ReportControl::addEditActions(QMenu& menu) {
    const auto add = [&](const QString& text, QKeySequence::StandardKey key, bool enabled,
                         auto slot) {
        QAction* action = menu.addAction(text, this, slot);
        action->setShortcut(key);
        action->setShortcutVisibleInContextMenu(true);
        action->setEnabled(enabled);
    };
    add(Text::tr("Undo"), QKeySequence::Undo, document_.canUndo(), [this] { undo(); });
    add(Text::tr("Redo"), QKeySequence::Redo, document_.canRedo(), [this] { redo(); });
    menu.addSeparator();
    add(Text::tr("Cut"), QKeySequence::Cut, hasSelection(), [this] { cut(); });
    add(Text::tr("Copy"), QKeySequence::Copy, hasSelection(), [this] { copy(); });
    add(Text::tr("Paste"), QKeySequence::Paste, true, [this] { paste(); });
    menu.addSeparator();
    add(Text::tr("Select All"), QKeySequence::SelectAll, true, [this] { selectAll(); });
}

// ---- editing

void ReportControl::changed(const TextChange& change) {
    layout_.changed(change);
    anchor_ = change.anchor;
    cursor_ = change.cursor;
    preferredX_ = -1;
    pageY_ = -1;
    view_.textChanged(change);
    restartBlink();
    selectionChanged();
}

void ReportControl::edit(TextPosition from, TextPosition to, QStringView text,
                         ReportDocument::EditKind kind) {
    keepOfferedSelection();
    try {
        changed(document_.replace(from, to, text, kind));
    } catch (const ReportDocument::LimitExceeded&) {
        emit view_.editLimitExceeded();
    } catch (const std::bad_alloc&) {
        emit view_.editLimitExceeded();
    }
}

void ReportControl::replaceSelection(QStringView text, ReportDocument::EditKind kind) {
    edit(selectionStart(), selectionEnd(), text, kind);
}

void ReportControl::eraseSelectionOr(TextPosition from, TextPosition to,
                                     ReportDocument::EditKind kind) {
    if (hasSelection())
        replaceSelection({});
    else if (from != to)
        edit(from, to, {}, kind);
}

void ReportControl::undo() {
    if (!document_.canUndo())
        return;
    keepOfferedSelection();
    changed(document_.undo());
}

void ReportControl::redo() {
    if (!document_.canRedo())
        return;
    keepOfferedSelection();
    changed(document_.redo());
}

// ---- keys

bool ReportControl::takesShortcut(const QKeyEvent* key) const {
    // The editing keys are the box's own while it has the focus.
    using K = QKeySequence;
    for (K::StandardKey k :
         {K::Undo, K::Redo, K::Copy, K::Cut, K::Paste, K::SelectAll, K::Delete, K::Backspace,
          K::DeleteStartOfWord, K::DeleteEndOfWord, K::DeleteEndOfLine}) {
        if (key->matches(k))
            return true;
    }
    return !key->text().isEmpty() && !(key->modifiers() & Qt::ControlModifier) &&
           key->text().front().isPrint();
}

void ReportControl::pageUpDown(bool down, bool select) {
    // The view moves a page and the cursor keeps its height in the view: going down, to the
    // first row at or below it, going up, to the last row at or above it. At the end the
    // cursor goes to the last row; at the start, to the first.
    using Row = ReportLayout::Row;
    view_.ensureVisible(cursor_);
    const qreal x = preferredX_ >= 0 ? preferredX_ : layout_.xOf(cursor_);
    const int pitch = view_.linePitch();
    if (pageY_ < 0)
        pageY_ = view_.topY() +
                 int(std::max<qsizetype>(0, view_.rowsFromTop(layout_.rowOf(cursor_)))) * pitch;
    const int keep = pageY_;
    const Row before = view_.top_;
    const int page = view_.visibleRows();
    view_.scrollTo(layout_.stepRows(view_.top_, down ? page : -page));
    const int below = keep - view_.topY();
    Row target = layout_.stepRows(view_.top_, down ? (below + pitch - 1) / pitch : below / pitch);
    if (down && view_.top_ == before)
        target = layout_.lastRow();
    else if (!down && before == Row{})
        target = {};
    const TextPosition p = layout_.positionAtRow(target, x);
    cursor_ = p;
    if (!select)
        anchor_ = p;
    view_.ensureVisible(cursor_);
    preferredX_ = x;
    pageY_ = keep;
    restartBlink();
    view_.viewport()->update();
    selectionChanged();
    if (select)
        offerSelection();
}

void ReportControl::keyPress(QKeyEvent* event) {
    using K = QKeySequence;
    const bool control = event->modifiers() & Qt::ControlModifier;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const int key = event->key();
    event->accept();
    if (event == K::Undo) {
        undo();
    } else if (event == K::Redo || (control && key == Qt::Key_Y) ||
               (control && shift && key == Qt::Key_Z)) {
        redo();
    } else if (event == K::SelectAll) {
        selectAll();
    } else if (event == K::Copy) {
        copy();
    } else if (event == K::Cut) {
        cut();
    } else if (event == K::Paste) {
        paste();
    } else if (event == K::Backspace ||
               (key == Qt::Key_Backspace && !(event->modifiers() & ~Qt::ShiftModifier))) {
        // One character back: a surrogate pair whole.
        TextPosition from = layout_.moved(cursor_, K::MoveToPreviousChar);
        if (from.line == cursor_.line && cursor_.column - from.column > 1) {
            QString pair;
            document_.appendTo(pair, from.line, cursor_.column - 2, cursor_.column);
            from.column = cursor_.column - (pair[0].isHighSurrogate() ? 2 : 1);
        }
        eraseSelectionOr(from, cursor_, ReportDocument::EditKind::Backspace);
    } else if (event == K::Delete) {
        eraseSelectionOr(cursor_, layout_.moved(cursor_, K::MoveToNextChar),
                         ReportDocument::EditKind::Delete);
    } else if (event == K::DeleteStartOfWord) {
        eraseSelectionOr(layout_.wordStart(cursor_), cursor_);
    } else if (event == K::DeleteEndOfWord) {
        eraseSelectionOr(cursor_, layout_.wordEnd(cursor_));
    } else if (event == K::DeleteEndOfLine) {
        const TextPosition end = layout_.lineEnd(cursor_.line);
        edit(cursor_, end == cursor_ ? layout_.moved(cursor_, K::MoveToNextChar) : end, {});
    } else if (event == K::InsertParagraphSeparator || event == K::InsertLineSeparator) {
        replaceSelection(u"\n");
    } else if (event == K::MoveToNextPage || event == K::SelectNextPage) {
        pageUpDown(true, event == K::SelectNextPage);
    } else if (event == K::MoveToPreviousPage || event == K::SelectPreviousPage) {
        pageUpDown(false, event == K::SelectPreviousPage);
    } else {
        static constexpr K::StandardKey moves[] = {
            K::MoveToNextChar,     K::MoveToPreviousChar,    K::MoveToNextWord,
            K::MoveToPreviousWord, K::MoveToNextLine,        K::MoveToPreviousLine,
            K::MoveToStartOfLine,  K::MoveToEndOfLine,       K::MoveToStartOfBlock,
            K::MoveToEndOfBlock,   K::MoveToStartOfDocument, K::MoveToEndOfDocument,
            K::SelectNextChar,     K::SelectPreviousChar,    K::SelectNextWord,
            K::SelectPreviousWord, K::SelectNextLine,        K::SelectPreviousLine,
            K::SelectStartOfLine,  K::SelectEndOfLine,       K::SelectStartOfBlock,
            K::SelectEndOfBlock,   K::SelectStartOfDocument, K::SelectEndOfDocument,
        };
        for (size_t i = 0; i < std::size(moves); ++i) {
            if (!event->matches(moves[i]))
                continue;
            const bool select = i >= std::size(moves) / 2;
            const K::StandardKey k = moves[i];
            const bool vertical = k == K::MoveToNextLine || k == K::MoveToPreviousLine ||
                                  k == K::SelectNextLine || k == K::SelectPreviousLine;
            if (vertical && preferredX_ < 0)
                preferredX_ = layout_.xOf(cursor_);
            TextPosition to = layout_.moved(cursor_, k, preferredX_);
            // Left and right with a selection go to its start and its end.
            if (!select && hasSelection() && k == K::MoveToPreviousChar)
                to = selectionStart();
            else if (!select && hasSelection() && k == K::MoveToNextChar)
                to = selectionEnd();
            moveCursor(to, select, vertical);
            if (select)
                offerSelection();
            return;
        }
        const QString typed = event->text();
        const bool printable =
            !typed.isEmpty() && std::none_of(typed.begin(), typed.end(), [](QChar c) {
                return c.category() == QChar::Other_Control;
            });
        if (!printable || control) {
            event->ignore(); // not for the box: the window may take it
            return;
        }
        replaceSelection(typed, ReportDocument::EditKind::Typing);
    }
}

// ---- the mouse

void ReportControl::mousePress(QMouseEvent* event) {
    commitPreedit();
    const QPoint point = event->position().toPoint();
    if (event->button() == Qt::MiddleButton) {
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (clipboard->supportsSelection()) {
            const TextPosition at = view_.positionAt(point);
            moveCursor(at, false);
            insertFromMime(clipboard->mimeData(QClipboard::Selection), at);
        }
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    const TextPosition at = view_.positionAt(point);
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    // A third click soon after a double click selects the line.
    if (lastDoubleClick_.isValid() &&
        lastDoubleClick_.elapsed() < QGuiApplication::styleHints()->mouseDoubleClickInterval() &&
        (point - doubleClickedAt_).manhattanLength() <
            QGuiApplication::styleHints()->startDragDistance()) {
        lastDoubleClick_.invalidate();
        anchor_ = {at.line, 0};
        moveCursor(at.line + 1 < document_.lineCount() ? TextPosition{at.line + 1, 0}
                                                       : layout_.lineEnd(at.line),
                   true);
        offerSelection();
        return;
    }
    pressedAt_ = point;
    mouseAt_ = point;
    mayDrag_ = !shift && hasSelection() && selectionStart() <= at && at < selectionEnd();
    if (mayDrag_)
        return; // a drag of the selection, or a click once released
    selecting_ = true;
    moveCursor(at, shift);
}

void ReportControl::mouseMove(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    mouseAt_ = point;
    if (!(event->buttons() & Qt::LeftButton))
        return;
    if (mayDrag_) {
        if ((point - pressedAt_).manhattanLength() < QApplication::startDragDistance())
            return;
        mayDrag_ = false;
        auto* drag = new QDrag(&view_);
        drag->setMimeData(mimeForSelection());
        const TextPosition a = selectionStart();
        const TextPosition b = selectionEnd();
        const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
        if (action == Qt::MoveAction && drag->target() != view_.viewport() &&
            drag->target() != &view_ && a == selectionStart() && b == selectionEnd())
            replaceSelection({});
        return;
    }
    if (!selecting_)
        return;
    moveCursor(view_.positionAt(point), true);
    // Beyond the top or bottom, the view scrolls on while the button is held.
    if (point.y() < 0 || point.y() >= view_.viewport()->height())
        autoScroll_.start(50, this);
    else
        autoScroll_.stop();
}

void ReportControl::autoScroll() {
    const int y = mouseAt_.y();
    const int height = view_.viewport()->height();
    if (!selecting_ || (y >= 0 && y < height)) {
        autoScroll_.stop();
        return;
    }
    view_.scrollTo(layout_.stepRows(view_.top_, y < 0 ? -1 : 1));
    const QPoint inside(mouseAt_.x(), std::clamp(y, 0, height - 1));
    cursor_ = view_.positionAt(inside);
    restartBlink();
    view_.viewport()->update();
    selectionChanged();
}

void ReportControl::mouseRelease(QMouseEvent* event) {
    autoScroll_.stop();
    if (event->button() != Qt::LeftButton) {
        event->setAccepted(event->button() == Qt::MiddleButton);
        return;
    }
    if (mayDrag_) {
        mayDrag_ = false;
        moveCursor(view_.positionAt(pressedAt_), false);
    }
    if (selecting_)
        offerSelection();
    selecting_ = false;
}

void ReportControl::mouseDoubleClick(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    commitPreedit();
    // A word: the run of characters around the click up to blanks or frame lines.
    const TextPosition p = view_.positionAt(event->position().toPoint());
    QString text;
    const qsizetype from0 = std::max<qsizetype>(0, p.column - ReportLayout::longLine);
    const qsizetype to0 = std::min(document_.lineLength(p.line), p.column + ReportLayout::longLine);
    document_.appendTo(text, p.line, from0, to0);
    const auto inWord = [&](qsizetype i) {
        const QChar c = text[i - from0];
        return !c.isSpace() && !(c.unicode() >= 0x2500 && c.unicode() <= 0x257F) &&
               !isHiddenBreak(c.unicode());
    };
    qsizetype from = p.column;
    qsizetype to = p.column;
    while (from > from0 && inWord(from - 1))
        --from;
    while (to < to0 && inWord(to))
        ++to;
    anchor_ = {p.line, from};
    mayDrag_ = false;
    selecting_ = false;
    moveCursor({p.line, to}, true);
    offerSelection();
    lastDoubleClick_.start();
    doubleClickedAt_ = event->position().toPoint();
}

// ---- drag and drop

void ReportControl::dragEnter(QDragEnterEvent* event) {
    // Dropped files are the window's business.
    if (!event->mimeData()->hasText() || hasLocalFiles(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    dropShown_ = true;
    dropAt_ = view_.positionAt(event->position().toPoint());
    view_.viewport()->update();
}

void ReportControl::dragMove(QDragMoveEvent* event) {
    if (!event->mimeData()->hasText() || hasLocalFiles(event->mimeData())) {
        event->ignore();
        return;
    }
    dropAt_ = view_.positionAt(event->position().toPoint());
    event->acceptProposedAction();
    view_.viewport()->update();
}

void ReportControl::dragLeave() {
    dropShown_ = false;
    view_.viewport()->update();
}

void ReportControl::drop(QDropEvent* event) {
    dropShown_ = false;
    view_.viewport()->update();
    const QMimeData* mime = event->mimeData();
    if (!mime->hasText() || hasLocalFiles(mime)) {
        event->ignore();
        return;
    }
    TextPosition at = view_.positionAt(event->position().toPoint());
    const TextPosition a = selectionStart();
    const TextPosition b = selectionEnd();
    const bool fromHere = event->source() == &view_ || event->source() == view_.viewport();
    if (fromHere && hasSelection() && a <= at && at <= b) {
        event->ignore(); // onto itself
        return;
    }
    const QString text = mime->text();
    if (fromHere && event->dropAction() == Qt::MoveAction && hasSelection()) {
        // The text moves: out of the selection, into the place of the drop.
        qsizetype offset = document_.offsetOf(at);
        if (at > b)
            offset -= document_.offsetOf(b) - document_.offsetOf(a);
        replaceSelection({});
        at = document_.positionAt(offset);
    }
    edit(at, at, text);
    event->acceptProposedAction();
}

} // namespace gegu
