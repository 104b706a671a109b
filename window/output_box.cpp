#include "output_box.h"

#include "output_box_accessible.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDrag>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextBoundaryFinder>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

// Between the frame and the text, as in Qt's own text boxes.
constexpr int margin = 4;
// Layouts kept for what is out of view before they are made again: at most so many, holding
// at most so many characters.
constexpr size_t keptLayouts = 2048;
constexpr qsizetype keptCharacters = qsizetype(1) << 20;
// A line longer than this is laid out in segments of about segmentLength characters, each as
// it comes into view; a row never spans two segments.
constexpr qsizetype longLine = 8192;
constexpr qsizetype segmentLength = 4096;
// What screen readers are told of a new text: its start, so many characters.
constexpr qsizetype accessiblePreviewLength = 4096;
// A text of at most so many lines is laid out whole.
constexpr qsizetype shortText = 256;
// Surrounding text told to an input method: at most this much either side of the cursor.
constexpr qsizetype surroundingReach = 1024;
// The longest selection kept for other programs once the text changes, in characters; a
// longer one is given up then rather than copied.
constexpr qsizetype keptSelectionLength = qsizetype(1) << 24;

// Characters that would break a line or show as a box in a layout; the box shows them as
// nothing, and a copy leaves them out.
bool isHiddenBreak(char16_t c) {
    return c == u'\r' || c == u'\n' || c == 0x2028 || c == 0x2029 || c == 0x0B || c == 0x0C;
}

bool hasLocalFiles(const QMimeData* mime) {
    const QList<QUrl> urls = mime->urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& u) { return u.isLocalFile(); });
}

} // namespace

// The selection offered to other programs (X11's primary selection). It holds the text that was
// selected, as a copy would, but reads it from the box while the text stands: selecting all of
// a huge report costs nothing. Before the text changes, the box has it copied.
class OutputBox::SelectionMime : public QMimeData {
public:
    SelectionMime(const OutputBox* box, TextPosition from, TextPosition to)
        : box_(box), from_(from), to_(to) {}

    QStringList formats() const override { return {u"text/plain"_s}; }
    bool hasFormat(const QString& mime) const override { return mime == u"text/plain"_s; }

    // Whether the selected text is short enough to be copied.
    bool fitsCopy() const {
        const ReportDocument& d = box_->document();
        return d.offsetOf(d.clamped(to_)) - d.offsetOf(d.clamped(from_)) <= keptSelectionLength;
    }
    // Takes the selected text from the box: what is read later is what was selected.
    void copy() {
        text_ = shown();
        box_ = nullptr;
    }

protected:
    QVariant retrieveData(const QString& mime, QMetaType) const override {
        if (mime != u"text/plain"_s)
            return {};
        return box_ ? shown() : text_;
    }

private:
    QString shown() const {
        const ReportDocument& d = box_->document();
        return box_->shownText(d.clamped(from_), d.clamped(to_));
    }

    QPointer<const OutputBox> box_;
    TextPosition from_;
    TextPosition to_;
    QString text_;
};

OutputBox::OutputBox(QWidget* parent) : QAbstractScrollArea(parent) {
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
    clear();
}

OutputBox::~OutputBox() {
    keepOfferedSelection();
}

void OutputBox::setText(TextBuffer text) {
    keepOfferedSelection();
    const QString before = accessiblePreview();
    // The old text goes first, so that the two never take memory at the same time.
    document_.setSource(std::make_shared<TextBufferLines>(QStringView()));
    replaceText(std::make_shared<TextBufferLines>(std::move(text)), before);
}

void OutputBox::setText(QStringView text) {
    setSource(std::make_shared<TextBufferLines>(text));
}

void OutputBox::setSource(std::shared_ptr<const LineSource> source) {
    keepOfferedSelection();
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
    cursor_ = anchor_ = {};
    top_ = {};
    preedit_.clear();
    wraps_.clear();
    dropLayouts();
    preferredX_ = -1;
    pageY_ = -1;
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

qsizetype OutputBox::length() const {
    return document_.characterCount() + document_.lineCount() - 1;
}

QString OutputBox::shownText(TextPosition from, TextPosition to) const {
    QString out;
    for (qsizetype i = from.line; i <= to.line; ++i) {
        if (i > from.line)
            out += u'\n';
        const qsizetype start = out.size();
        document_.appendTo(out, i, i == from.line ? from.column : 0,
                           i == to.line ? to.column : document_.lineLength(i));
        // Most lines hold no hidden break: they are left as they are.
        const auto hidden = std::find_if(out.begin() + start, out.end(),
                                         [](QChar c) { return isHiddenBreak(c.unicode()); });
        if (hidden != out.end())
            out.erase(std::remove_if(hidden, out.end(),
                                     [](QChar c) { return isHiddenBreak(c.unicode()); }),
                      out.end());
    }
    return out;
}

QString OutputBox::toPlainText() const {
    return shownText({}, document_.endPosition());
}

QString OutputBox::selectedText() const {
    return shownText(std::min(anchor_, cursor_), std::max(anchor_, cursor_));
}

void OutputBox::setTopLine(qsizetype line) {
    scrollTo({std::clamp<qsizetype>(line, 0, lineCount() - 1), 0});
}

void OutputBox::setSelection(TextPosition anchor, TextPosition cursor) {
    anchor_ = document_.clamped(anchor);
    cursor_ = document_.clamped(cursor);
    preferredX_ = -1;
    selectionChanged();
    viewport()->update();
}

void OutputBox::selectAll() {
    anchor_ = {};
    cursor_ = document_.endPosition();
    selectionChanged();
    offerSelection();
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

int OutputBox::topY() const {
    // The first row stands below the top margin; scrolled, rows start at the view's top.
    return top_ == Row{} ? margin : 0;
}

int OutputBox::pageRows() const {
    return std::max(1, (viewport()->height() - margin - 1) / linePitch());
}

// ---- segments and layouts

int OutputBox::segmentCount(qsizetype line) const {
    const qsizetype length = document_.lineLength(line);
    return length <= longLine ? 1 : int((length + segmentLength - 1) / segmentLength);
}

OutputBox::Segment OutputBox::segment(qsizetype line, int index) const {
    const qsizetype length = document_.lineLength(line);
    const int count = segmentCount(line);
    // A boundary never splits a surrogate pair.
    const auto boundary = [&](int k) {
        if (k <= 0)
            return qsizetype(0);
        if (k >= count)
            return length;
        qsizetype at = qsizetype(k) * segmentLength;
        QString before;
        document_.appendTo(before, line, at - 1, at);
        return before.front().isHighSurrogate() ? at + 1 : at;
    };
    return {line, index, boundary(index), boundary(index + 1)};
}

OutputBox::Segment OutputBox::segmentAt(TextPosition p) const {
    const int count = segmentCount(p.line);
    if (count == 1)
        return segment(p.line, 0);
    int index = int(std::min<qsizetype>(count - 1, p.column / segmentLength));
    Segment s = segment(p.line, index);
    if (p.column < s.start)
        s = segment(p.line, index - 1);
    else if (p.column >= s.end && index + 1 < count)
        s = segment(p.line, index + 1);
    return s;
}

QTextLayout& OutputBox::layoutOf(const Segment& s) const {
    std::unique_ptr<QTextLayout>& slot = layouts_[{s.line, s.index}];
    if (slot)
        return *slot;
    QString shown;
    shown.reserve(s.end - s.start);
    document_.appendTo(shown, s.line, s.start, s.end);
    for (QChar& c : shown) {
        if (isHiddenBreak(c.unicode()))
            c = QChar(0x200B); // zero width: the columns stay where they are
    }
    laidOutCharacters_ += shown.size();
    slot = std::make_unique<QTextLayout>(shown, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    slot->setTextOption(option);
    slot->setCacheEnabled(true);
    if (!preedit_.isEmpty() && cursor_.line == s.line && cursor_.column >= s.start &&
        cursor_.column <= s.end && segmentAt(cursor_).index == s.index) {
        const int at = int(cursor_.column - s.start);
        slot->setPreeditArea(at, preedit_);
        QList<QTextLayout::FormatRange> formats = preeditFormats_;
        for (QTextLayout::FormatRange& f : formats)
            f.start += at;
        slot->setFormats(formats);
    }
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

    // What is now known of the line's rows.
    const int rows = std::max(1, slot->lineCount());
    const int count = segmentCount(s.line);
    if (count == 1) {
        const auto it = wraps_.find(s.line);
        const int before = it == wraps_.end() ? 1 : it->second.rows;
        if (rows != before) {
            wrapsChanged_ = true;
            if (rows == 1)
                wraps_.erase(it);
            else
                wraps_[s.line].rows = rows;
        }
    } else {
        rowsOf(s.line); // the line's wrap, with estimates
        Wrap& w = wraps_[s.line];
        if (w.segments[size_t(s.index)] != rows) {
            w.rows += rows - estimatedRows(s);
            w.segments[size_t(s.index)] = rows;
            wrapsChanged_ = true;
        }
    }
    return *slot;
}

int OutputBox::estimatedRows(const Segment& s) const {
    if (const auto it = wraps_.find(s.line); it != wraps_.end() && !it->second.segments.empty()) {
        if (const int known = it->second.segments[size_t(s.index)]; known > 0)
            return known;
    }
    // As wide as the average of a Latin letter and an ideograph.
    const QFontMetrics metrics(font());
    const qsizetype perRow =
        std::max<qsizetype>(1, textWidth() / std::max(1, (metrics.averageCharWidth() * 3) / 2));
    return int(std::max<qsizetype>(1, (s.end - s.start + perRow - 1) / perRow));
}

int OutputBox::segmentRows(const Segment& s) const {
    if (segmentCount(s.line) == 1)
        return std::max(1, layoutOf(s).lineCount());
    return estimatedRows(s);
}

int OutputBox::rowsOf(qsizetype line) const {
    const int count = segmentCount(line);
    if (count == 1)
        return segmentRows(segment(line, 0));
    Wrap& w = wraps_[line];
    if (w.segments.size() != size_t(count)) {
        w.segments.assign(size_t(count), 0);
        w.rows = 0;
        for (int i = 0; i < count; ++i)
            w.rows += estimatedRows(segment(line, i));
        wrapsChanged_ = true;
    }
    return w.rows;
}

std::pair<OutputBox::Segment, int> OutputBox::segmentOfRow(Row r) const {
    const int count = segmentCount(r.line);
    int row = r.row;
    for (int i = 0; i + 1 < count; ++i) {
        const Segment s = segment(r.line, i);
        const int rows = segmentRows(s);
        if (row < rows)
            return {s, row};
        row -= rows;
    }
    return {segment(r.line, count - 1), row};
}

QTextLine OutputBox::textLine(Row r, Segment* s) const {
    const auto [seg, row] = segmentOfRow(r);
    if (s)
        *s = seg;
    const QTextLayout& layout = layoutOf(seg);
    return layout.lineAt(std::clamp(row, 0, std::max(0, layout.lineCount() - 1)));
}

void OutputBox::dropLayouts() const {
    layouts_.clear();
    laidOutCharacters_ = 0;
}

void OutputBox::trimLayouts() const {
    if (layouts_.size() > keptLayouts || laidOutCharacters_ > keptCharacters)
        dropLayouts();
}

// ---- scrolling

qsizetype OutputBox::rowIndex(Row r) const {
    qsizetype index = r.line + r.row;
    for (auto it = wraps_.begin(); it != wraps_.end() && it->first < r.line; ++it)
        index += it->second.rows - 1;
    return index;
}

OutputBox::Row OutputBox::rowAtIndex(qsizetype index) const {
    qsizetype extra = 0;
    for (const auto& [line, wrap] : wraps_) {
        const qsizetype start = line + extra;
        if (index < start)
            break;
        if (index < start + wrap.rows)
            return {line, int(index - start)};
        extra += wrap.rows - 1;
    }
    return {std::clamp<qsizetype>(index - extra, 0, lineCount() - 1), 0};
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
    return stepRows({last, rowsOf(last) - 1}, -(pageRows() - 1));
}

void OutputBox::updateScrollBar() {
    // A short text is laid out whole: its rows are known, not estimated.
    if (lineCount() <= shortText) {
        for (qsizetype i = 0; i < lineCount(); ++i)
            rowsOf(i);
    }
    lastTop_ = lastTop();
    QScrollBar* bar = verticalScrollBar();
    settingScrollBar_ = true;
    bar->setRange(0, int(std::min<qsizetype>(rowIndex(lastTop_), INT_MAX)));
    bar->setPageStep(pageRows());
    bar->setSingleStep(1);
    settingScrollBar_ = false;
    wrapsChanged_ = false;
    scrollTo(top_);
}

void OutputBox::scrollTo(Row top) {
    const Row before = top_;
    top.row = std::clamp(top.row, 0, rowsOf(top.line) - 1);
    top_ = std::clamp(top, Row{}, lastTop_);
    settingScrollBar_ = true;
    verticalScrollBar()->setValue(int(std::min<qsizetype>(rowIndex(top_), INT_MAX)));
    settingScrollBar_ = false;
    if (top_ != before)
        viewport()->update();
}

void OutputBox::scrollContentsBy(int, int) {
    if (settingScrollBar_)
        return;
    // Moved by the user on the bar, the wheel or its keys: its value is the row at the top.
    const QScrollBar* bar = verticalScrollBar();
    top_ = bar->value() >= bar->maximum() ? lastTop_ : rowAtIndex(bar->value());
    viewport()->update();
}

OutputBox::Row OutputBox::rowOf(TextPosition p) const {
    const Segment s = segmentAt(p);
    int row = 0;
    for (int i = 0; i < s.index; ++i)
        row += segmentRows(segment(p.line, i));
    const QTextLayout& layout = layoutOf(s);
    return {p.line,
            row + std::max(0, layout.lineForTextPosition(int(p.column - s.start)).lineNumber())};
}

qsizetype OutputBox::rowsFromTop(Row r) const {
    if (r < top_)
        return -1;
    qsizetype n = 0;
    for (Row at = top_; at < r && n <= visibleRows() + 1; at = stepRows(at, 1))
        ++n;
    return n;
}

void OutputBox::ensureVisible(TextPosition p) {
    const Row r = rowOf(p);
    if (r < top_)
        scrollTo(r);
    else if (stepRows(top_, visibleRows() - 1) < r)
        scrollTo(stepRows(r, -(visibleRows() - 1)));
}

// ---- places in the text

TextPosition OutputBox::positionAtRow(Row r, qreal x) const {
    Segment s;
    const QTextLine l = textLine(r, &s);
    return {r.line, s.start + l.xToCursor(x)};
}

TextPosition OutputBox::positionAt(QPoint point) const {
    const int pitch = linePitch();
    const int y = point.y() - topY();
    // A point in the top margin is at the start of the top row.
    if (y < 0)
        return positionAtRow(top_, 0);
    const qsizetype rowsDown = y / pitch;
    const Row r = stepRows(top_, rowsDown);
    if (rowsDown > 0 && stepRows(top_, rowsDown - 1) == r)
        return document_.endPosition(); // below the last row
    return positionAtRow(r, point.x() - margin);
}

qreal OutputBox::xOf(TextPosition p) const {
    const Segment s = segmentAt(p);
    const QTextLayout& layout = layoutOf(s);
    const int at = int(p.column - s.start);
    return layout.lineForTextPosition(at).cursorToX(at);
}

QRect OutputBox::cursorRect(TextPosition p, int preeditCursor) const {
    const qsizetype down = rowsFromTop(rowOf(p));
    const Segment s = segmentAt(p);
    const QTextLayout& layout = layoutOf(s);
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

TextPosition OutputBox::wordStart(TextPosition p) const {
    if (p.column == 0)
        return p.line > 0 ? lineEnd(p.line - 1) : p;
    const Segment s = segmentAt(p);
    const int at = int(p.column - s.start);
    if (at == 0)
        return {p.line, p.column - 1};
    return {p.line, s.start + layoutOf(s).previousCursorPosition(at, QTextLayout::SkipWords)};
}

TextPosition OutputBox::wordEnd(TextPosition p) const {
    if (p.column >= document_.lineLength(p.line))
        return p.line + 1 < lineCount() ? TextPosition{p.line + 1, 0} : p;
    const Segment s = segmentAt(p);
    return {p.line, s.start + layoutOf(s).nextCursorPosition(int(p.column - s.start),
                                                             QTextLayout::SkipWords)};
}

TextPosition OutputBox::moved(TextPosition p, QKeySequence::StandardKey key) const {
    using K = QKeySequence;
    switch (key) {
    case K::MoveToPreviousChar:
    case K::SelectPreviousChar: {
        if (p.column == 0)
            return p.line > 0 ? lineEnd(p.line - 1) : p;
        const Segment s = segmentAt({p.line, p.column - 1});
        return {p.line, s.start + layoutOf(s).previousCursorPosition(int(p.column - s.start))};
    }
    case K::MoveToNextChar:
    case K::SelectNextChar: {
        if (p.column >= document_.lineLength(p.line))
            return p.line + 1 < lineCount() ? TextPosition{p.line + 1, 0} : p;
        const Segment s = segmentAt(p);
        return {p.line, s.start + layoutOf(s).nextCursorPosition(int(p.column - s.start))};
    }
    case K::MoveToPreviousWord:
    case K::SelectPreviousWord:
        return wordStart(p);
    case K::MoveToNextWord:
    case K::SelectNextWord:
        return wordEnd(p);
    case K::MoveToStartOfLine:
    case K::SelectStartOfLine: {
        Segment s;
        const QTextLine l = textLine(rowOf(p), &s);
        return {p.line, s.start + l.textStart()};
    }
    case K::MoveToEndOfLine:
    case K::SelectEndOfLine: {
        Segment s;
        const Row r = rowOf(p);
        const QTextLine l = textLine(r, &s);
        const qsizetype end = s.start + l.textStart() + l.textLength();
        // A wrapped row ends before the character that starts the next row.
        const bool wraps = r.row + 1 < rowsOf(p.line);
        return {p.line, wraps ? std::max<qsizetype>(s.start + l.textStart(), end - 1) : end};
    }
    case K::MoveToStartOfBlock:
    case K::SelectStartOfBlock:
        return {p.line, 0};
    case K::MoveToEndOfBlock:
    case K::SelectEndOfBlock:
        return lineEnd(p.line);
    case K::MoveToStartOfDocument:
    case K::SelectStartOfDocument:
        return {};
    case K::MoveToEndOfDocument:
    case K::SelectEndOfDocument:
        return document_.endPosition();
    case K::MoveToPreviousLine:
    case K::SelectPreviousLine:
    case K::MoveToNextLine:
    case K::SelectNextLine: {
        // Up and down by rows, keeping to one x.
        const bool up = key == K::MoveToPreviousLine || key == K::SelectPreviousLine;
        const Row from = rowOf(p);
        const Row to = stepRows(from, up ? -1 : 1);
        if (to == from)
            return p; // nothing above the first row, nor below the last
        return positionAtRow(to, preferredX_ >= 0 ? preferredX_ : xOf(p));
    }
    default:
        return p;
    }
}

// ---- the cursor and the selection

void OutputBox::moveCursor(TextPosition p, bool select, bool keepX) {
    const TextPosition oldCursor = cursor_;
    const TextPosition oldAnchor = anchor_;
    cursor_ = document_.clamped(p);
    if (!select)
        anchor_ = cursor_;
    if (!keepX)
        preferredX_ = -1;
    pageY_ = -1;
    ensureVisible(cursor_);
    restartBlink();
    viewport()->update();
    if (cursor_ != oldCursor || anchor_ != oldAnchor)
        selectionChanged();
}

void OutputBox::selectionChanged() {
    if (!QAccessible::isActive())
        return;
    QAccessibleTextCursorEvent cursor(
        this, int(std::min<qsizetype>(document_.offsetOf(cursor_), INT_MAX)));
    QAccessible::updateAccessibility(&cursor);
    const qsizetype a = document_.offsetOf(std::min(anchor_, cursor_));
    const qsizetype b = document_.offsetOf(std::max(anchor_, cursor_));
    QAccessibleTextSelectionEvent selection(this, int(std::min<qsizetype>(a, INT_MAX)),
                                            int(std::min<qsizetype>(b, INT_MAX)));
    selection.setCursorPosition(cursor.cursorPosition());
    QAccessible::updateAccessibility(&selection);
}

void OutputBox::offerSelection() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!hasSelection() || !clipboard->supportsSelection())
        return;
    offered_ = new SelectionMime(this, std::min(anchor_, cursor_), std::max(anchor_, cursor_));
    clipboard->setMimeData(offered_, QClipboard::Selection);
}

void OutputBox::keepOfferedSelection() {
    // Gone once another selection took its place.
    SelectionMime* const mime = offered_;
    offered_ = nullptr;
    if (!mime)
        return;
    if (mime->fitsCopy()) {
        mime->copy();
        return;
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard->mimeData(QClipboard::Selection) == mime)
        clipboard->clear(QClipboard::Selection);
}

void OutputBox::copy() const {
    if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText());
}

void OutputBox::cut() {
    if (!hasSelection())
        return;
    copy();
    replaceSelection({});
}

void OutputBox::paste() {
    insertFromMime(QGuiApplication::clipboard()->mimeData(), cursor_);
}

void OutputBox::restartBlink() {
    cursorShown_ = true;
    const int flash = QApplication::cursorFlashTime();
    if (hasFocus() && flash > 0)
        blink_.start(flash / 2, this);
    else
        blink_.stop();
}

// ---- editing

void OutputBox::changed(const TextChange& change) {
    // Rows known of lines after the change move with them; those of the changed lines go.
    std::map<qsizetype, Wrap> wraps;
    const qsizetype shift = change.inserted - change.removed;
    for (auto& [line, wrap] : wraps_) {
        if (line < change.first)
            wraps.emplace(line, std::move(wrap));
        else if (line >= change.first + change.removed)
            wraps.emplace(line + shift, std::move(wrap));
    }
    wraps_ = std::move(wraps);
    // Layouts of the lines before the change stay.
    layouts_.erase(layouts_.lower_bound({change.first, 0}), layouts_.end());
    laidOutCharacters_ = 0;
    for (const auto& [key, layout] : layouts_)
        laidOutCharacters_ += layout->text().size();
    anchor_ = change.anchor;
    cursor_ = change.cursor;
    preferredX_ = -1;
    pageY_ = -1;
    if (top_.line >= change.first + change.removed)
        top_.line += shift;
    else if (top_.line >= change.first)
        top_ = {std::min(change.first, lineCount() - 1), 0};
    top_.line = std::min(top_.line, lineCount() - 1);
    updateScrollBar();
    ensureVisible(cursor_);
    restartBlink();
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
    selectionChanged();
}

void OutputBox::edit(TextPosition from, TextPosition to, QStringView text,
                     ReportDocument::EditKind kind) {
    keepOfferedSelection();
    try {
        changed(document_.replace(from, to, text, kind));
    } catch (const ReportDocument::LimitExceeded&) {
        emit editLimitExceeded();
    } catch (const std::bad_alloc&) {
        emit editLimitExceeded();
    }
}

void OutputBox::replaceSelection(QStringView text, ReportDocument::EditKind kind) {
    edit(std::min(anchor_, cursor_), std::max(anchor_, cursor_), text, kind);
}

void OutputBox::eraseSelectionOr(TextPosition from, TextPosition to,
                                 ReportDocument::EditKind kind) {
    if (hasSelection())
        replaceSelection({});
    else if (from != to)
        edit(from, to, {}, kind);
}

void OutputBox::undo() {
    if (!document_.canUndo())
        return;
    keepOfferedSelection();
    changed(document_.undo());
}

void OutputBox::redo() {
    if (!document_.canRedo())
        return;
    keepOfferedSelection();
    changed(document_.redo());
}

void OutputBox::insertFromMime(const QMimeData* mime, TextPosition at) {
    if (!mime || !mime->hasText())
        return;
    const QString text = mime->text();
    if (hasSelection() && at == cursor_)
        replaceSelection(text);
    else
        edit(at, at, text);
}

// ---- painting

void OutputBox::paintEvent(QPaintEvent* event) {
    trimLayouts();
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Text));
    const int pitch = linePitch();
    const int height = viewport()->height();
    const TextPosition a = std::min(anchor_, cursor_);
    const TextPosition b = std::max(anchor_, cursor_);
    QTextCharFormat selected;
    selected.setBackground(palette().brush(QPalette::Highlight));
    selected.setForeground(palette().brush(QPalette::HighlightedText));
    const bool showCursor = cursorShown_ && hasFocus() && preeditCursor_ >= 0;
    const Segment cursorSegment = segmentAt(cursor_);
    const Segment dropSegment = dropShown_ ? segmentAt(dropAt_) : Segment{-1};

    auto [s, row] = segmentOfRow(top_);
    // A segment may hold fewer rows than were estimated for it.
    row = std::min(row, std::max(1, layoutOf(s).lineCount()) - 1);
    int y = topY() - row * pitch;
    while (y < height) {
        const QTextLayout& layout = layoutOf(s);
        QList<QTextLayout::FormatRange> selections;
        const bool lastOfLine = s.end == document_.lineLength(s.line);
        if (hasSelection() && s.line >= a.line && s.line <= b.line) {
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
            layout.drawCursor(&painter, at, int(cursor_.column - s.start) + preeditCursor_);
        if (s.line == dropSegment.line && s.index == dropSegment.index)
            layout.drawCursor(&painter, at, int(dropAt_.column - s.start));
        y += std::max(1, layout.lineCount()) * pitch;
        if (s.index + 1 < segmentCount(s.line))
            s = segment(s.line, s.index + 1);
        else if (s.line + 1 < lineCount())
            s = segment(s.line + 1, 0);
        else
            break;
    }
    painter.end();
    // Lines laid out for the first time may wrap into more rows than counted.
    if (wrapsChanged_)
        updateScrollBar();
}

void OutputBox::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (event->oldSize().width() != event->size().width()) {
        wraps_.clear();
        dropLayouts();
        top_.row = 0;
    }
    updateScrollBar();
}

void OutputBox::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        wraps_.clear();
        dropLayouts();
        updateScrollBar();
        viewport()->update();
    }
}

// ---- keys

bool OutputBox::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // The editing keys are the box's own while it has the focus.
        auto* key = static_cast<QKeyEvent*>(event);
        using K = QKeySequence;
        for (K::StandardKey k :
             {K::Undo, K::Redo, K::Copy, K::Cut, K::Paste, K::SelectAll, K::Delete, K::Backspace,
              K::DeleteStartOfWord, K::DeleteEndOfWord, K::DeleteEndOfLine}) {
            if (key->matches(k)) {
                event->accept();
                return true;
            }
        }
        if (!key->text().isEmpty() && !(key->modifiers() & Qt::ControlModifier) &&
            key->text().front().isPrint()) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void OutputBox::pageUpDown(bool down, bool select) {
    // The view moves a page and the cursor keeps its height in the view: going down, to the
    // first row at or below it, going up, to the last row at or above it. At the end the
    // cursor goes to the last row; at the start, to the first.
    ensureVisible(cursor_);
    const qreal x = preferredX_ >= 0 ? preferredX_ : xOf(cursor_);
    const int pitch = linePitch();
    if (pageY_ < 0)
        pageY_ = topY() + int(std::max<qsizetype>(0, rowsFromTop(rowOf(cursor_)))) * pitch;
    const int keep = pageY_;
    const Row before = top_;
    scrollTo(stepRows(top_, down ? visibleRows() : -visibleRows()));
    const int below = keep - topY();
    Row target = stepRows(top_, down ? (below + pitch - 1) / pitch : below / pitch);
    if (down && top_ == before)
        target = {lineCount() - 1, rowsOf(lineCount() - 1) - 1};
    else if (!down && before == Row{})
        target = {};
    const TextPosition p = positionAtRow(target, x);
    cursor_ = p;
    if (!select)
        anchor_ = p;
    ensureVisible(cursor_);
    preferredX_ = x;
    pageY_ = keep;
    restartBlink();
    viewport()->update();
    selectionChanged();
    if (select)
        offerSelection();
}

void OutputBox::keyPressEvent(QKeyEvent* event) {
    trimLayouts();
    using K = QKeySequence;
    const bool control = event->modifiers() & Qt::ControlModifier;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const int key = event->key();
    event->accept();
    if (key == Qt::Key_Menu || (key == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        const QRect r = cursorRect(cursor_);
        showContextMenu(viewport()->mapToGlobal(r.bottomLeft()), cursor_.line);
        return;
    }
    if (control && (key == Qt::Key_Up || key == Qt::Key_Down) && !shift) {
        // Ctrl+Up and Ctrl+Down scroll a row and leave the cursor.
        scrollTo(stepRows(top_, key == Qt::Key_Up ? -1 : 1));
        return;
    }
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
        TextPosition from = moved(cursor_, K::MoveToPreviousChar);
        if (from.line == cursor_.line && cursor_.column - from.column > 1) {
            QString pair;
            document_.appendTo(pair, from.line, cursor_.column - 2, cursor_.column);
            from.column = cursor_.column - (pair[0].isHighSurrogate() ? 2 : 1);
        }
        eraseSelectionOr(from, cursor_, ReportDocument::EditKind::Backspace);
    } else if (event == K::Delete) {
        eraseSelectionOr(cursor_, moved(cursor_, K::MoveToNextChar),
                         ReportDocument::EditKind::Delete);
    } else if (event == K::DeleteStartOfWord) {
        eraseSelectionOr(wordStart(cursor_), cursor_);
    } else if (event == K::DeleteEndOfWord) {
        eraseSelectionOr(cursor_, wordEnd(cursor_));
    } else if (event == K::DeleteEndOfLine) {
        const TextPosition end = lineEnd(cursor_.line);
        edit(cursor_, end == cursor_ ? moved(cursor_, K::MoveToNextChar) : end, {});
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
                preferredX_ = xOf(cursor_);
            TextPosition to = moved(cursor_, k);
            // Left and right with a selection go to its start and its end.
            if (!select && hasSelection() && k == K::MoveToPreviousChar)
                to = std::min(anchor_, cursor_);
            else if (!select && hasSelection() && k == K::MoveToNextChar)
                to = std::max(anchor_, cursor_);
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

void OutputBox::mousePressEvent(QMouseEvent* event) {
    trimLayouts();
    commitPreedit();
    const QPoint point = event->position().toPoint();
    if (event->button() == Qt::MiddleButton) {
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (clipboard->supportsSelection()) {
            const TextPosition at = positionAt(point);
            moveCursor(at, false);
            insertFromMime(clipboard->mimeData(QClipboard::Selection), at);
        }
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    const TextPosition at = positionAt(point);
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    // A third click soon after a double click selects the line.
    if (lastDoubleClick_.isValid() &&
        lastDoubleClick_.elapsed() < QGuiApplication::styleHints()->mouseDoubleClickInterval() &&
        (point - doubleClickedAt_).manhattanLength() <
            QGuiApplication::styleHints()->startDragDistance()) {
        lastDoubleClick_.invalidate();
        anchor_ = {at.line, 0};
        moveCursor(at.line + 1 < lineCount() ? TextPosition{at.line + 1, 0} : lineEnd(at.line),
                   true);
        offerSelection();
        return;
    }
    const TextPosition a = std::min(anchor_, cursor_);
    const TextPosition b = std::max(anchor_, cursor_);
    pressedAt_ = point;
    mouseAt_ = point;
    mayDrag_ = !shift && hasSelection() && a <= at && at < b;
    if (mayDrag_)
        return; // a drag of the selection, or a click once released
    selecting_ = true;
    moveCursor(at, shift);
}

void OutputBox::mouseMoveEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    mouseAt_ = point;
    if (!(event->buttons() & Qt::LeftButton))
        return;
    if (mayDrag_) {
        if ((point - pressedAt_).manhattanLength() < QApplication::startDragDistance())
            return;
        mayDrag_ = false;
        auto* drag = new QDrag(this);
        drag->setMimeData(mimeForSelection());
        const TextPosition a = std::min(anchor_, cursor_);
        const TextPosition b = std::max(anchor_, cursor_);
        const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
        if (action == Qt::MoveAction && drag->target() != viewport() && drag->target() != this &&
            a == std::min(anchor_, cursor_) && b == std::max(anchor_, cursor_))
            replaceSelection({});
        return;
    }
    if (!selecting_)
        return;
    moveCursor(positionAt(point), true);
    // Beyond the top or bottom, the view scrolls on while the button is held.
    if (point.y() < 0 || point.y() >= viewport()->height())
        autoScroll_.start(50, this);
    else
        autoScroll_.stop();
}

void OutputBox::autoScroll() {
    const int y = mouseAt_.y();
    const int height = viewport()->height();
    if (!selecting_ || (y >= 0 && y < height)) {
        autoScroll_.stop();
        return;
    }
    scrollTo(stepRows(top_, y < 0 ? -1 : 1));
    const QPoint inside(mouseAt_.x(), std::clamp(y, 0, height - 1));
    const TextPosition p = positionAt(inside);
    cursor_ = p;
    restartBlink();
    viewport()->update();
    selectionChanged();
}

void OutputBox::mouseReleaseEvent(QMouseEvent* event) {
    autoScroll_.stop();
    if (event->button() != Qt::LeftButton) {
        event->setAccepted(event->button() == Qt::MiddleButton);
        return;
    }
    if (mayDrag_) {
        mayDrag_ = false;
        moveCursor(positionAt(pressedAt_), false);
    }
    if (selecting_)
        offerSelection();
    selecting_ = false;
}

void OutputBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    commitPreedit();
    // A word: the run of characters around the click up to blanks or frame lines.
    const TextPosition p = positionAt(event->position().toPoint());
    QString text;
    const qsizetype from0 = std::max<qsizetype>(0, p.column - longLine);
    const qsizetype to0 = std::min(document_.lineLength(p.line), p.column + longLine);
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

QMimeData* OutputBox::mimeForSelection() const {
    auto* mime = new QMimeData;
    mime->setText(selectedText());
    return mime;
}

// ---- drag and drop

void OutputBox::dragEnterEvent(QDragEnterEvent* event) {
    // Dropped files are the window's business.
    if (!event->mimeData()->hasText() || hasLocalFiles(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    dropShown_ = true;
    dropAt_ = positionAt(event->position().toPoint());
    viewport()->update();
}

void OutputBox::dragMoveEvent(QDragMoveEvent* event) {
    if (!event->mimeData()->hasText() || hasLocalFiles(event->mimeData())) {
        event->ignore();
        return;
    }
    dropAt_ = positionAt(event->position().toPoint());
    event->acceptProposedAction();
    viewport()->update();
}

void OutputBox::dragLeaveEvent(QDragLeaveEvent*) {
    dropShown_ = false;
    viewport()->update();
}

void OutputBox::dropEvent(QDropEvent* event) {
    dropShown_ = false;
    viewport()->update();
    const QMimeData* mime = event->mimeData();
    if (!mime->hasText() || hasLocalFiles(mime)) {
        event->ignore();
        return;
    }
    TextPosition at = positionAt(event->position().toPoint());
    const TextPosition a = std::min(anchor_, cursor_);
    const TextPosition b = std::max(anchor_, cursor_);
    const bool fromHere = event->source() == this || event->source() == viewport();
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

// ---- focus, blinking, scrolling while selecting

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
    if (event->timerId() == blink_.timerId()) {
        cursorShown_ = !cursorShown_;
        viewport()->update();
    } else if (event->timerId() == autoScroll_.timerId()) {
        autoScroll();
    } else {
        QAbstractScrollArea::timerEvent(event);
    }
}

// ---- input methods

void OutputBox::commitPreedit() {
    if (preedit_.isEmpty())
        return;
    QGuiApplication::inputMethod()->commit();
    if (!preedit_.isEmpty()) { // the input method did not take it back: drop what was composed
        preedit_.clear();
        preeditFormats_.clear();
        preeditCursor_ = 0;
        dropLayouts();
        viewport()->update();
    }
}

void OutputBox::inputMethodEvent(QInputMethodEvent* event) {
    const bool hadPreedit = !preedit_.isEmpty();
    // The composition in progress goes, before the layouts are made again.
    preedit_.clear();
    preeditFormats_.clear();
    preeditCursor_ = 0;
    if (hadPreedit)
        dropLayouts();
    if (!event->commitString().isEmpty() || event->replacementLength() > 0) {
        TextPosition from = std::min(anchor_, cursor_);
        TextPosition to = std::max(anchor_, cursor_);
        if (event->replacementLength() > 0 || event->replacementStart() != 0) {
            // Relative to the cursor, within its line.
            const qsizetype start = std::clamp<qsizetype>(
                cursor_.column + event->replacementStart(), 0, document_.lineLength(cursor_.line));
            from = {cursor_.line, start};
            to = {cursor_.line,
                  std::min(document_.lineLength(cursor_.line), start + event->replacementLength())};
        }
        edit(from, to, event->commitString(), ReportDocument::EditKind::Typing);
    }
    for (const QInputMethodEvent::Attribute& a : event->attributes()) {
        if (a.type == QInputMethodEvent::Selection) {
            // Positions in the cursor's line.
            const qsizetype length = document_.lineLength(cursor_.line);
            const TextPosition anchor{cursor_.line, std::clamp<qsizetype>(a.start, 0, length)};
            const TextPosition cursor{cursor_.line,
                                      std::clamp<qsizetype>(a.start + a.length, 0, length)};
            anchor_ = anchor;
            cursor_ = cursor;
            selectionChanged();
        }
    }
    preedit_ = event->preeditString();
    for (const QInputMethodEvent::Attribute& a : event->attributes()) {
        if (a.type == QInputMethodEvent::Cursor) {
            preeditCursor_ = a.length > 0 ? a.start : -1 - a.start; // < 0: hidden
        } else if (a.type == QInputMethodEvent::TextFormat) {
            const QTextCharFormat format = qvariant_cast<QTextFormat>(a.value).toCharFormat();
            if (format.isValid())
                preeditFormats_.append({a.start, a.length, format});
        }
    }
    if (preedit_.isEmpty())
        preeditCursor_ = 0;
    else if (preeditCursor_ == 0 && event->attributes().isEmpty())
        preeditCursor_ = int(preedit_.size());
    if (!preedit_.isEmpty() || hadPreedit) {
        layouts_.erase({cursor_.line, segmentAt(cursor_).index});
        ensureVisible(cursor_);
    }
    viewport()->update();
    event->accept();
}

QVariant OutputBox::inputMethodQuery(Qt::InputMethodQuery query) const {
    // The surrounding text is the cursor's line, or a stretch of it around the cursor.
    const qsizetype length = document_.lineLength(cursor_.line);
    const bool whole = length <= 2 * surroundingReach;
    const qsizetype from = whole ? 0 : std::max<qsizetype>(0, cursor_.column - surroundingReach);
    const qsizetype to = whole ? length : std::min(length, cursor_.column + surroundingReach);
    const qsizetype stretchOffset = document_.offsetOf({cursor_.line, from});
    const auto inStretch = [&](const TextPosition& p) {
        return int(std::clamp<qsizetype>(document_.offsetOf(p) - stretchOffset, INT_MIN, INT_MAX));
    };
    const auto toViewport = [&](QRect r) {
        return QRect(viewport()->mapTo(this, r.topLeft()), r.size());
    };
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImCursorRectangle:
        return toViewport(cursorRect(cursor_, std::max(0, preeditCursor_)));
    case Qt::ImAnchorRectangle:
        return toViewport(cursorRect(anchor_));
    case Qt::ImFont:
        return font();
    case Qt::ImCursorPosition:
        return inStretch(cursor_);
    case Qt::ImAnchorPosition:
        return inStretch(anchor_);
    case Qt::ImSurroundingText: {
        QString text;
        document_.appendTo(text, cursor_.line, from, to);
        return text;
    }
    case Qt::ImTextBeforeCursor: {
        // The line up to the cursor, and whole lines before it while it is short.
        QString text;
        document_.appendTo(text, cursor_.line, from, cursor_.column);
        for (qsizetype line = cursor_.line - 1;
             whole && line >= 0 && text.size() < surroundingReach &&
             document_.lineLength(line) <= 2 * surroundingReach;
             --line)
            text.prepend(document_.line(line) + u'\n');
        return text;
    }
    case Qt::ImTextAfterCursor: {
        QString text;
        document_.appendTo(text, cursor_.line, cursor_.column, to);
        for (qsizetype line = cursor_.line + 1;
             whole && line < lineCount() && text.size() < surroundingReach &&
             document_.lineLength(line) <= 2 * surroundingReach;
             ++line)
            text += u'\n' + document_.line(line);
        return text;
    }
    case Qt::ImCurrentSelection: {
        const TextPosition a = std::min(anchor_, cursor_);
        const TextPosition b = std::max(anchor_, cursor_);
        // Too long to tell, by the lengths of its lines alone.
        qsizetype selected = -a.column;
        for (qsizetype line = a.line; line <= b.line && selected <= 2 * surroundingReach; ++line)
            selected += (line == b.line ? b.column : document_.lineLength(line)) + 1;
        if (selected > 2 * surroundingReach)
            return QString();
        // Lines apart by paragraph separators, as the platform's text boxes tell it.
        return selectedText().replace(u'\n', QChar::ParagraphSeparator);
    }
    case Qt::ImAbsolutePosition:
        return qlonglong(document_.offsetOf(cursor_));
    case Qt::ImMaximumTextLength:
        return QVariant(); // no limit
    case Qt::ImHints:
        return int(inputMethodHints());
    case Qt::ImReadOnly:
        return false;
    case Qt::ImInputItemClipRectangle:
        return QRect(viewport()->mapTo(this, QPoint(0, 0)), viewport()->size());
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

// ---- the context menu

void OutputBox::contextMenuEvent(QContextMenuEvent* event) {
    if (event->reason() == QContextMenuEvent::Keyboard) {
        const QRect r = cursorRect(cursor_);
        showContextMenu(viewport()->mapToGlobal(r.bottomLeft()), cursor_.line);
        return;
    }
    const QPoint at = viewport()->mapFromGlobal(event->globalPos());
    showContextMenu(event->globalPos(), positionAt(at).line);
}

void OutputBox::showContextMenu(QPoint globalPos, qsizetype line) {
    QMenu menu(this);
    const auto add = [&](const QString& text, QKeySequence::StandardKey key, bool enabled,
                         auto slot) {
        QAction* action = menu.addAction(text, this, slot);
        action->setShortcut(key);
        action->setShortcutVisibleInContextMenu(true);
        action->setEnabled(enabled);
    };
    add(u"撤销"_s, QKeySequence::Undo, document_.canUndo(), [this] { undo(); });
    add(u"重做"_s, QKeySequence::Redo, document_.canRedo(), [this] { redo(); });
    menu.addSeparator();
    add(u"剪切"_s, QKeySequence::Cut, hasSelection(), [this] { cut(); });
    add(u"复制"_s, QKeySequence::Copy, hasSelection(), [this] { copy(); });
    add(u"粘贴"_s, QKeySequence::Paste, true, [this] { paste(); });
    menu.addSeparator();
    add(u"全选"_s, QKeySequence::SelectAll, true, [this] { selectAll(); });
    emit contextMenuAboutToShow(&menu, line);
    menu.exec(globalPos);
}

} // namespace gegu
