#include "output_box.h"

#include "common/parallel.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

// Between the frame and the text, as in Qt's own text boxes.
constexpr int margin = 4;
// Layouts kept for lines out of view before they are made again.
constexpr size_t keptLayouts = 2048;

// Characters that would break a line or show as a box in a layout; the box shows them as
// nothing, and a copy leaves them out.
bool isHiddenBreak(char16_t c) {
    return c == u'\r' || c == u'\n' || c == 0x2028 || c == 0x2029 || c == 0x0B || c == 0x0C;
}

// Calls found(i + 1) for every LF at a position i in [from, to) that a CR comes before: the
// start of the line after that CR LF.
template <typename Found>
void forEachCrLf(const char16_t* text, qsizetype from, qsizetype to, Found found) {
    qsizetype i = from;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi16('\n');
    for (; to - i >= 16; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i + 8));
        unsigned mask = unsigned(
            _mm_movemask_epi8(_mm_packs_epi16(_mm_cmpeq_epi16(a, lf), _mm_cmpeq_epi16(b, lf))));
        for (; mask != 0; mask &= mask - 1) {
            const qsizetype at = i + std::countr_zero(mask);
            if (at > 0 && text[at - 1] == u'\r')
                found(at + 1);
        }
    }
#endif
    for (; i < to; ++i) {
        if (text[i] == u'\n' && i > 0 && text[i - 1] == u'\r')
            found(i + 1);
    }
}

} // namespace

OutputBox::OutputBox(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    viewport()->setCursor(Qt::IBeamCursor);
    clear();
}

OutputBox::~OutputBox() = default;

void OutputBox::setText(TextBuffer text) {
    // The old text goes first, so that the two never take memory at the same time.
    lines_ = {};
    text_ = std::move(text);
    added_.clear();
    splitLines();
    cursor_ = anchor_ = {};
    top_ = {};
    textChanged();
}

void OutputBox::setText(QStringView text) {
    TextBuffer copy(size_t(text.size()));
    std::copy(text.utf16(), text.utf16() + text.size(), copy.begin());
    setText(std::move(copy));
}

void OutputBox::clear() {
    setText(TextBuffer());
}

void OutputBox::splitLines() {
    // Lines start at the text's start and after every CR LF. They are counted first, so that
    // the table is made once at its size; a long text is split in two halves at once.
    const char16_t* const text = text_.data();
    const qsizetype size = qsizetype(text_.size());
    constexpr qsizetype longText = qsizetype(1) << 20;
    const qsizetype middle = size >= longText ? size / 2 : size;
    qsizetype firstHalf = 0;
    qsizetype secondHalf = 0;
    const auto count = [&](qsizetype from, qsizetype to, qsizetype& n) {
        forEachCrLf(text, from, to, [&](qsizetype) { ++n; });
    };
    const auto fill = [&](qsizetype from, qsizetype to, Line* out) {
        forEachCrLf(text, from, to, [&](qsizetype start) { (out++)->start = start; });
    };
    if (middle == size) {
        count(0, size, firstHalf);
        lines_.resize(size_t(firstHalf + 1));
        fill(0, size, lines_.data() + 1);
    } else {
        inParallel([&] { count(0, middle, firstHalf); }, [&] { count(middle, size, secondHalf); });
        lines_.resize(size_t(firstHalf + secondHalf + 1));
        inParallel([&] { fill(0, middle, lines_.data() + 1); },
                   [&] { fill(middle, size, lines_.data() + 1 + firstHalf); });
    }
    lines_[0].start = 0;
    for (size_t i = 0; i + 1 < lines_.size(); ++i)
        lines_[i].length = lines_[i + 1].start - 2 - lines_[i].start;
    lines_.back().length = size - lines_.back().start;
}

QStringView OutputBox::lineText(qsizetype i) const {
    const Line& l = lines_[size_t(i)];
    if (l.start >= 0)
        return {text_.data() + l.start, qsizetype(l.length)};
    return QStringView(added_).sliced(-l.start - 1, l.length);
}

void OutputBox::textChanged() {
    dropLayouts();
    updateScrollBar();
    viewport()->update();
}

qsizetype OutputBox::length() const {
    qsizetype n = 2 * (lineCount() - 1);
    for (const Line& l : lines_)
        n += l.length;
    return n;
}

QString OutputBox::toPlainText() const {
    QString out;
    for (qsizetype i = 0; i < lineCount(); ++i) {
        if (i > 0)
            out += u'\n';
        for (QChar c : lineText(i)) {
            if (!isHiddenBreak(c.unicode()))
                out += c;
        }
    }
    return out;
}

QString OutputBox::selectedText() const {
    const Position a = std::min(anchor_, cursor_);
    const Position b = std::max(anchor_, cursor_);
    qsizetype size = 0;
    for (qsizetype i = a.line; i <= b.line; ++i)
        size += lineText(i).size() + 1;
    QString out;
    out.reserve(size);
    for (qsizetype i = a.line; i <= b.line; ++i) {
        const QStringView text = lineText(i);
        const qsizetype from = i == a.line ? a.column : 0;
        const qsizetype to = i == b.line ? b.column : text.size();
        for (QChar c : text.sliced(from, to - from)) {
            if (!isHiddenBreak(c.unicode()))
                out += c;
        }
        if (i < b.line)
            out += u'\n';
    }
    return out;
}

void OutputBox::selectAll() {
    anchor_ = {};
    cursor_ = lineEnd(lineCount() - 1);
    viewport()->update();
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

QTextLayout& OutputBox::layoutOf(qsizetype line) const {
    std::unique_ptr<QTextLayout>& slot = layouts_[line];
    if (slot)
        return *slot;
    QString shown = lineText(line).toString();
    for (QChar& c : shown) {
        if (isHiddenBreak(c.unicode()))
            c = QChar(0x200B); // zero width: the columns stay where they are
    }
    slot = std::make_unique<QTextLayout>(shown, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    slot->setTextOption(option);
    slot->setCacheEnabled(true);
    // Every row's baseline stands at the same place in its pitch, whatever font a character of
    // it comes from.
    const int pitch = linePitch();
    const qreal ascent = fontMetrics().ascent();
    slot->beginLayout();
    for (int row = 0;; ++row) {
        QTextLine l = slot->createLine();
        if (!l.isValid())
            break;
        l.setLineWidth(textWidth());
        l.setPosition(QPointF(0, row * pitch + ascent - l.ascent()));
    }
    slot->endLayout();
    return *slot;
}

int OutputBox::rowsOf(qsizetype line) const {
    return std::max(1, layoutOf(line).lineCount());
}

void OutputBox::dropLayouts() {
    layouts_.clear();
}

OutputBox::Row OutputBox::stepRows(Row from, qsizetype n) const {
    Row r = from;
    while (n > 0) {
        const int rows = rowsOf(r.line);
        if (r.row + n < rows) {
            r.row += int(n);
            break;
        }
        if (r.line + 1 >= lineCount()) {
            r.row = rows - 1;
            break;
        }
        n -= rows - r.row;
        ++r.line;
        r.row = 0;
    }
    while (n < 0) {
        if (r.row + n >= 0) {
            r.row += int(n);
            break;
        }
        if (r.line == 0) {
            r.row = 0;
            break;
        }
        n += r.row + 1;
        --r.line;
        r.row = rowsOf(r.line) - 1;
    }
    return r;
}

OutputBox::Row OutputBox::lastTop() const {
    const qsizetype last = lineCount() - 1;
    return stepRows({last, rowsOf(last) - 1}, -(visibleRows() - 1));
}

void OutputBox::updateScrollBar() {
    lastTop_ = lastTop();
    QScrollBar* bar = verticalScrollBar();
    settingScrollBar_ = true;
    bar->setRange(0, int(std::min<qsizetype>(lastTop_.line, INT_MAX)));
    bar->setPageStep(visibleRows());
    bar->setSingleStep(1);
    settingScrollBar_ = false;
    scrollTo(top_);
}

void OutputBox::scrollTo(Row top) {
    top_ = std::clamp(top, Row{}, lastTop_);
    settingScrollBar_ = true;
    verticalScrollBar()->setValue(int(std::min<qsizetype>(top_.line, INT_MAX)));
    settingScrollBar_ = false;
    viewport()->update();
}

void OutputBox::scrollContentsBy(int, int) {
    if (settingScrollBar_)
        return;
    // Moved by the user on the bar: its value is the line at the top.
    const qsizetype line = verticalScrollBar()->value();
    top_ = line >= lastTop_.line ? lastTop_ : Row{line, 0};
    viewport()->update();
}

OutputBox::Row OutputBox::rowOf(Position p) const {
    return {p.line, layoutOf(p.line).lineForTextPosition(int(p.column)).lineNumber()};
}

void OutputBox::ensureVisible(Position p) {
    const Row r = rowOf(p);
    if (r < top_)
        scrollTo(r);
    else if (stepRows(top_, visibleRows() - 1) < r)
        scrollTo(stepRows(r, -(visibleRows() - 1)));
}

OutputBox::Position OutputBox::positionAt(QPoint point) const {
    const int pitch = linePitch();
    const int y = point.y() - margin;
    const qsizetype rowsDown = y >= 0 ? y / pitch : -1 - (-y - 1) / pitch;
    const Row r = stepRows(top_, rowsDown);
    if (rowsDown > 0 && stepRows(top_, rowsDown - 1) == r)
        return lineEnd(lineCount() - 1); // below the last row
    const QTextLine l = layoutOf(r.line).lineAt(r.row);
    return {r.line, l.xToCursor(point.x() - margin)};
}

OutputBox::Position OutputBox::moved(Position p, int key, bool words) const {
    const QTextLayout& layout = layoutOf(p.line);
    const auto mode = words ? QTextLayout::SkipWords : QTextLayout::SkipCharacters;
    switch (key) {
    case Qt::Key_Left:
        if (p.column > 0)
            return {p.line, layout.previousCursorPosition(int(p.column), mode)};
        return p.line > 0 ? lineEnd(p.line - 1) : p;
    case Qt::Key_Right:
        if (p.column < lineText(p.line).size())
            return {p.line, layout.nextCursorPosition(int(p.column), mode)};
        return p.line + 1 < lineCount() ? Position{p.line + 1, 0} : p;
    case Qt::Key_Home:
        return words ? Position{} : Position{p.line, layout.lineAt(rowOf(p).row).textStart()};
    case Qt::Key_End: {
        if (words)
            return lineEnd(lineCount() - 1);
        const QTextLine l = layout.lineAt(rowOf(p).row);
        const bool wraps = l.lineNumber() + 1 < layout.lineCount();
        return {p.line, l.textStart() + l.textLength() - (wraps ? 1 : 0)};
    }
    default: {
        // Up and down by rows, pages for the page keys, keeping to one x.
        const qsizetype n = key == Qt::Key_Up       ? -1
                            : key == Qt::Key_Down   ? 1
                            : key == Qt::Key_PageUp ? -visibleRows()
                                                    : visibleRows();
        const Row from = rowOf(p);
        const Row to = stepRows(from, n);
        if (to == from)
            return n < 0 ? Position{p.line, layout.lineAt(from.row).textStart()} : p;
        const qreal x =
            preferredX_ >= 0 ? preferredX_ : layout.lineAt(from.row).cursorToX(int(p.column));
        return {to.line, layoutOf(to.line).lineAt(to.row).xToCursor(x)};
    }
    }
}

void OutputBox::moveCursor(Position p, bool select) {
    cursor_ = p;
    if (!select)
        anchor_ = p;
    ensureVisible(p);
    restartBlink();
    viewport()->update();
}

void OutputBox::copy() const {
    if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText());
}

void OutputBox::restartBlink() {
    cursorShown_ = true;
    const int flash = QApplication::cursorFlashTime();
    if (hasFocus() && flash > 0)
        blink_.start(flash / 2, this);
    else
        blink_.stop();
}

void OutputBox::setLine(qsizetype i, QStringView text) {
    Line& l = lines_[size_t(i)];
    // A line edited again, whose text is the last of the added text, takes that place again,
    // so that typing into one line does not grow the added text.
    if (l.start < 0 && -l.start - 1 + l.length == added_.size())
        added_.truncate(-l.start - 1);
    const qint64 at = added_.size();
    added_ += text;
    l = {-at - 1, text.size()};
}

void OutputBox::replaceSelection(QStringView inserted) {
    const Position a = std::min(anchor_, cursor_);
    const Position b = std::max(anchor_, cursor_);
    // Copies: the lines' own text may move while the new lines are stored.
    const QString before = lineText(a.line).first(a.column).toString();
    const QString after = lineText(b.line).sliced(b.column).toString();
    QStringList pieces;
    qsizetype from = 0;
    for (qsizetype i = 0; i < inserted.size(); ++i) {
        if (inserted[i] != u'\r' && inserted[i] != u'\n')
            continue;
        pieces << inserted.sliced(from, i - from).toString();
        if (inserted[i] == u'\r' && i + 1 < inserted.size() && inserted[i + 1] == u'\n')
            ++i;
        from = i + 1;
    }
    pieces << inserted.sliced(from).toString();
    const qsizetype lastColumn = (pieces.size() == 1 ? before.size() : 0) + pieces.back().size();
    pieces.front().prepend(before);
    pieces.back().append(after);

    const qsizetype removed = b.line - a.line + 1;
    const qsizetype added = pieces.size();
    const auto at = lines_.begin() + a.line;
    if (added > removed)
        lines_.insert(at + removed, size_t(added - removed), Line{0, 0});
    else if (added < removed)
        lines_.erase(at + added, at + removed);
    for (qsizetype k = 0; k < added; ++k)
        setLine(a.line + k, pieces[k]);
    cursor_ = anchor_ = {a.line + added - 1, lastColumn};
    preferredX_ = -1;
    textChanged();
    ensureVisible(cursor_);
    restartBlink();
}

void OutputBox::paintEvent(QPaintEvent* event) {
    if (layouts_.size() > keptLayouts)
        dropLayouts();
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Text));
    const int pitch = linePitch();
    const int height = viewport()->height();
    const Position a = std::min(anchor_, cursor_);
    const Position b = std::max(anchor_, cursor_);
    QTextCharFormat selected;
    selected.setBackground(palette().brush(QPalette::Highlight));
    selected.setForeground(palette().brush(QPalette::HighlightedText));
    int y = margin - top_.row * pitch;
    for (qsizetype line = top_.line; line < lineCount() && y < height; ++line) {
        const QTextLayout& layout = layoutOf(line);
        QList<QTextLayout::FormatRange> selections;
        if (hasSelection() && line >= a.line && line <= b.line) {
            const qsizetype from = line == a.line ? a.column : 0;
            const qsizetype to = line == b.line ? b.column : lineText(line).size();
            QTextLayout::FormatRange range{int(from), int(to - from), selected};
            if (line < b.line) {
                // The line break is selected too: the range takes in the position after the
                // text, which the layout then fills out to the box's width.
                range.length += 1;
                range.format.setProperty(QTextFormat::FullWidthSelection, true);
            }
            selections << range;
        }
        const QPointF at(margin, y);
        layout.draw(&painter, at, selections, QRectF(event->rect()));
        if (cursorShown_ && hasFocus() && line == cursor_.line)
            layout.drawCursor(&painter, at, int(cursor_.column));
        y += rowsOf(line) * pitch;
    }
}

void OutputBox::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    dropLayouts();
    updateScrollBar();
}

void OutputBox::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        textChanged();
}

void OutputBox::keyPressEvent(QKeyEvent* event) {
    if (layouts_.size() > keptLayouts)
        dropLayouts();
    if (event == QKeySequence::SelectAll) {
        selectAll();
    } else if (event == QKeySequence::Copy) {
        copy();
    } else if (event == QKeySequence::Cut) {
        copy();
        replaceSelection({});
    } else if (event == QKeySequence::Paste) {
        replaceSelection(QGuiApplication::clipboard()->text());
    } else {
        const int key = event->key();
        const bool shift = event->modifiers() & Qt::ShiftModifier;
        const bool control = event->modifiers() & Qt::ControlModifier;
        switch (key) {
        case Qt::Key_Up:
        case Qt::Key_Down:
            if (control) {
                scrollTo(stepRows(top_, key == Qt::Key_Up ? -1 : 1));
                break;
            }
            [[fallthrough]];
        case Qt::Key_PageUp:
        case Qt::Key_PageDown: {
            if (preferredX_ < 0) {
                const QTextLayout& layout = layoutOf(cursor_.line);
                preferredX_ = layout.lineAt(rowOf(cursor_).row).cursorToX(int(cursor_.column));
            }
            const Position p = moved(cursor_, key, false);
            if (key == Qt::Key_PageUp || key == Qt::Key_PageDown)
                scrollTo(stepRows(top_, key == Qt::Key_PageUp ? -visibleRows() : visibleRows()));
            const qreal x = preferredX_;
            moveCursor(p, shift);
            preferredX_ = x;
            break;
        }
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Home:
        case Qt::Key_End:
            preferredX_ = -1;
            moveCursor(moved(cursor_, key, control), shift);
            break;
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
            if (!hasSelection())
                cursor_ =
                    moved(cursor_, key == Qt::Key_Backspace ? Qt::Key_Left : Qt::Key_Right, false);
            replaceSelection({});
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            replaceSelection(u"\n");
            break;
        default: {
            const QString typed = event->text();
            const bool printable =
                !typed.isEmpty() && std::none_of(typed.begin(), typed.end(), [](QChar c) {
                    return c.category() == QChar::Other_Control;
                });
            if (!printable || control) {
                event->ignore(); // not for the box: the window may take it
                return;
            }
            replaceSelection(typed);
        }
        }
    }
    event->accept();
}

void OutputBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    preferredX_ = -1;
    moveCursor(positionAt(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
}

void OutputBox::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton)
        moveCursor(positionAt(event->position().toPoint()), true);
}

void OutputBox::mouseReleaseEvent(QMouseEvent* event) {
    event->setAccepted(event->button() == Qt::LeftButton);
}

void OutputBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    // A word: the run of characters around the click up to blanks or frame lines.
    const Position p = positionAt(event->position().toPoint());
    const QStringView text = lineText(p.line);
    const auto inWord = [&](qsizetype i) {
        const char16_t c = text[i].unicode();
        return !text[i].isSpace() && !(c >= 0x2500 && c <= 0x257F) && !isHiddenBreak(c);
    };
    qsizetype from = p.column;
    qsizetype to = p.column;
    while (from > 0 && inWord(from - 1))
        --from;
    while (to < text.size() && inWord(to))
        ++to;
    anchor_ = {p.line, from};
    cursor_ = {p.line, to};
    viewport()->update();
}

void OutputBox::wheelEvent(QWheelEvent* event) {
    const int notches = event->angleDelta().y() / 120;
    if (notches == 0)
        return;
    scrollTo(stepRows(top_, -qsizetype(notches) * QApplication::wheelScrollLines()));
    event->accept();
}

void OutputBox::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    restartBlink();
    viewport()->update();
}

void OutputBox::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    blink_.stop();
    viewport()->update();
}

void OutputBox::timerEvent(QTimerEvent* event) {
    if (event->timerId() != blink_.timerId())
        return QAbstractScrollArea::timerEvent(event);
    cursorShown_ = !cursorShown_;
    viewport()->update();
}

void OutputBox::inputMethodEvent(QInputMethodEvent* event) {
    if (!event->commitString().isEmpty())
        replaceSelection(event->commitString());
    event->accept();
}

QVariant OutputBox::inputMethodQuery(Qt::InputMethodQuery query) const {
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImCursorRectangle: {
        const Row r = rowOf(cursor_);
        qsizetype rowsDown = 0;
        for (Row at = top_; at < r && rowsDown < visibleRows(); at = stepRows(at, 1))
            ++rowsDown;
        const QTextLine l = layoutOf(cursor_.line).lineAt(r.row);
        const int x = margin + int(l.cursorToX(int(cursor_.column)));
        const int y = margin + int(rowsDown) * linePitch();
        return QRect(viewport()->mapTo(this, QPoint(x, y)), QSize(1, linePitch()));
    }
    case Qt::ImFont:
        return font();
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

void OutputBox::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(u"剪切"_s, this,
                   [this] {
                       copy();
                       replaceSelection({});
                   })
        ->setEnabled(hasSelection());
    menu.addAction(u"复制"_s, this, [this] { copy(); })->setEnabled(hasSelection());
    menu.addAction(u"粘贴"_s, this,
                   [this] { replaceSelection(QGuiApplication::clipboard()->text()); });
    menu.addSeparator();
    menu.addAction(u"全选"_s, this, [this] { selectAll(); });
    menu.exec(event->globalPos());
}

} // namespace gegu
