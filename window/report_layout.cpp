#include "report_layout.h"

#include <QFontMetrics>
#include <QTextOption>
#include <algorithm>

namespace gegu {

namespace {

// Layouts kept for what is out of view before they are made again: at most so many, holding
// at most so many characters.
constexpr size_t keptLayouts = 2048;
constexpr qsizetype keptCharacters = qsizetype(1) << 20;

} // namespace

bool isHiddenBreak(char16_t c) {
    return c == u'\r' || c == u'\n' || c == 0x2028 || c == 0x2029 || c == 0x0B || c == 0x0C;
}

QString shownText(const ReportDocument& document, TextPosition from, TextPosition to) {
    QString out;
    for (qsizetype i = from.line; i <= to.line; ++i) {
        if (i > from.line)
            out += u'\n';
        const qsizetype start = out.size();
        document.appendTo(out, i, i == from.line ? from.column : 0,
                          i == to.line ? to.column : document.lineLength(i));
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

ReportLayout::ReportLayout(const ReportDocument& document) : document_(document) {}

ReportLayout::~ReportLayout() = default;

void ReportLayout::setFont(const QFont& font) {
    font_ = font;
    clear();
}

bool ReportLayout::setTextWidth(int width) {
    if (width == width_)
        return false;
    width_ = width;
    clear();
    return true;
}

void ReportLayout::clear() {
    wraps_.clear();
    dropLayouts();
}

void ReportLayout::dropLayouts() const {
    layouts_.clear();
    laidOutCharacters_ = 0;
}

void ReportLayout::trimLayouts() const {
    if (layouts_.size() > keptLayouts || laidOutCharacters_ > keptCharacters)
        dropLayouts();
}

void ReportLayout::dropLayoutAt(TextPosition p) const {
    layouts_.erase({p.line, segmentAt(p).index});
}

void ReportLayout::changed(const TextChange& change) {
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
    // What is being composed stays at the cursor.
    preeditAt_ = change.cursor;
}

void ReportLayout::setPreedit(TextPosition at, const QString& text,
                              const QList<QTextLayout::FormatRange>& formats) {
    preeditAt_ = at;
    preedit_ = text;
    preeditFormats_ = formats;
}

// ---- segments and layouts

int ReportLayout::segmentCount(qsizetype line) const {
    const qsizetype length = document_.lineLength(line);
    return length <= longLine ? 1 : int((length + segmentLength - 1) / segmentLength);
}

ReportLayout::Segment ReportLayout::segment(qsizetype line, int index) const {
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

ReportLayout::Segment ReportLayout::segmentAt(TextPosition p) const {
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

QTextLayout& ReportLayout::layoutOf(const Segment& s) const {
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
    slot = std::make_unique<QTextLayout>(shown, font_);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    slot->setTextOption(option);
    slot->setCacheEnabled(true);
    if (!preedit_.isEmpty() && preeditAt_.line == s.line && preeditAt_.column >= s.start &&
        preeditAt_.column <= s.end && segmentAt(preeditAt_).index == s.index) {
        const int at = int(preeditAt_.column - s.start);
        slot->setPreeditArea(at, preedit_);
        QList<QTextLayout::FormatRange> formats = preeditFormats_;
        for (QTextLayout::FormatRange& f : formats)
            f.start += at;
        slot->setFormats(formats);
    }
    // Every row's baseline stands at the same place in its pitch, whatever font a character of
    // it comes from.
    const QFontMetrics metrics(font_);
    const int rowPitch = metrics.lineSpacing();
    const qreal ascent = metrics.ascent();
    slot->beginLayout();
    for (int row = 0;; ++row) {
        QTextLine l = slot->createLine();
        if (!l.isValid())
            break;
        l.setLineWidth(width_);
        l.setPosition(QPointF(0, row * rowPitch + ascent - l.ascent()));
    }
    slot->endLayout();

    // What is now known of the line's rows.
    const int rows = std::max(1, slot->lineCount());
    const int count = segmentCount(s.line);
    if (count == 1) {
        const auto it = wraps_.find(s.line);
        const int before = it == wraps_.end() ? 1 : it->second.rows;
        if (rows != before) {
            rowsChanged_ = true;
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
            rowsChanged_ = true;
        }
    }
    return *slot;
}

int ReportLayout::estimatedRows(const Segment& s) const {
    if (const auto it = wraps_.find(s.line); it != wraps_.end() && !it->second.segments.empty()) {
        if (const int known = it->second.segments[size_t(s.index)]; known > 0)
            return known;
    }
    // As wide as the average of a Latin letter and an ideograph.
    const QFontMetrics metrics(font_);
    const qsizetype perRow =
        std::max<qsizetype>(1, width_ / std::max(1, (metrics.averageCharWidth() * 3) / 2));
    return int(std::max<qsizetype>(1, (s.end - s.start + perRow - 1) / perRow));
}

int ReportLayout::segmentRows(const Segment& s) const {
    if (segmentCount(s.line) == 1)
        return std::max(1, layoutOf(s).lineCount());
    return estimatedRows(s);
}

std::pair<ReportLayout::Segment, int> ReportLayout::segmentOfRow(Row r) const {
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

QTextLine ReportLayout::textLine(Row r, Segment* s) const {
    const auto [seg, row] = segmentOfRow(r);
    if (s)
        *s = seg;
    const QTextLayout& layout = layoutOf(seg);
    return layout.lineAt(std::clamp(row, 0, std::max(0, layout.lineCount() - 1)));
}

// ---- rows

int ReportLayout::rowsOf(qsizetype line) const {
    const int count = segmentCount(line);
    if (count == 1)
        return segmentRows(segment(line, 0));
    Wrap& w = wraps_[line];
    if (w.segments.size() != size_t(count)) {
        w.segments.assign(size_t(count), 0);
        w.rows = 0;
        for (int i = 0; i < count; ++i)
            w.rows += estimatedRows(segment(line, i));
        rowsChanged_ = true;
    }
    return w.rows;
}

qsizetype ReportLayout::rowIndex(Row r) const {
    qsizetype index = r.line + r.row;
    for (auto it = wraps_.begin(); it != wraps_.end() && it->first < r.line; ++it)
        index += it->second.rows - 1;
    return index;
}

ReportLayout::Row ReportLayout::rowAtIndex(qsizetype index) const {
    qsizetype extra = 0;
    for (const auto& [line, wrap] : wraps_) {
        const qsizetype start = line + extra;
        if (index < start)
            break;
        if (index < start + wrap.rows)
            return {line, int(index - start)};
        extra += wrap.rows - 1;
    }
    return {std::clamp<qsizetype>(index - extra, 0, document_.lineCount() - 1), 0};
}

ReportLayout::Row ReportLayout::stepRows(Row from, qsizetype n) const {
    Row r = from;
    while (n > 0) {
        const int rows = rowsOf(r.line);
        if (r.row + n < rows) {
            r.row += int(n);
            break;
        }
        if (r.line + 1 >= document_.lineCount()) {
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

ReportLayout::Row ReportLayout::rowOf(TextPosition p) const {
    const Segment s = segmentAt(p);
    int row = 0;
    for (int i = 0; i < s.index; ++i)
        row += segmentRows(segment(p.line, i));
    const QTextLayout& layout = layoutOf(s);
    return {p.line,
            row + std::max(0, layout.lineForTextPosition(int(p.column - s.start)).lineNumber())};
}

ReportLayout::Row ReportLayout::lastRow() const {
    const qsizetype last = document_.lineCount() - 1;
    return {last, rowsOf(last) - 1};
}

// ---- places in the rows

TextPosition ReportLayout::positionAtRow(Row r, qreal x) const {
    Segment s;
    const QTextLine l = textLine(r, &s);
    return {r.line, s.start + l.xToCursor(x)};
}

qreal ReportLayout::xOf(TextPosition p) const {
    const Segment s = segmentAt(p);
    const QTextLayout& layout = layoutOf(s);
    const int at = int(p.column - s.start);
    return layout.lineForTextPosition(at).cursorToX(at);
}

TextPosition ReportLayout::wordStart(TextPosition p) const {
    if (p.column == 0)
        return p.line > 0 ? lineEnd(p.line - 1) : p;
    const Segment s = segmentAt(p);
    const int at = int(p.column - s.start);
    if (at == 0)
        return {p.line, p.column - 1};
    return {p.line, s.start + layoutOf(s).previousCursorPosition(at, QTextLayout::SkipWords)};
}

TextPosition ReportLayout::wordEnd(TextPosition p) const {
    if (p.column >= document_.lineLength(p.line))
        return p.line + 1 < document_.lineCount() ? TextPosition{p.line + 1, 0} : p;
    const Segment s = segmentAt(p);
    return {p.line, s.start + layoutOf(s).nextCursorPosition(int(p.column - s.start),
                                                             QTextLayout::SkipWords)};
}

TextPosition ReportLayout::moved(TextPosition p, QKeySequence::StandardKey key, qreal x) const {
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
            return p.line + 1 < document_.lineCount() ? TextPosition{p.line + 1, 0} : p;
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
        return positionAtRow(to, x >= 0 ? x : xOf(p));
    }
    default:
        return p;
    }
}

} // namespace gegu
