#include "report_document.h"

#include "common/parallel.h"

#include <QStringList>
#include <algorithm>
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace gegu {

namespace {

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

// Where a change is described with its text: short enough to copy without a thought.
constexpr qsizetype describedLength = 4096;

// The lines of inserted text: CR LF, CR and LF each end one.
QStringList splitInserted(QStringView text) {
    QStringList pieces;
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n')
            continue;
        pieces << text.sliced(from, i - from).toString();
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        from = i + 1;
    }
    pieces << text.sliced(from).toString();
    return pieces;
}

} // namespace

TextBufferLines::TextBufferLines(TextBuffer text) : text_(std::move(text)) {
    // Lines start at the text's start and after every CR LF. They are counted first, so that
    // the table is made once at its size; a long text is split in two halves at once.
    const char16_t* const data = text_.data();
    const qsizetype size = qsizetype(text_.size());
    constexpr qsizetype longText = qsizetype(1) << 20;
    const qsizetype middle = size >= longText ? size / 2 : size;
    qsizetype firstHalf = 0;
    qsizetype secondHalf = 0;
    const auto count = [&](qsizetype from, qsizetype to, qsizetype& n) {
        forEachCrLf(data, from, to, [&](qsizetype) { ++n; });
    };
    const auto fill = [&](qsizetype from, qsizetype to, qint64* out) {
        forEachCrLf(data, from, to, [&](qsizetype start) { *out++ = start; });
    };
    if (middle == size) {
        count(0, size, firstHalf);
        starts_.resize(size_t(firstHalf + 2));
        fill(0, size, starts_.data() + 1);
    } else {
        inParallel([&] { count(0, middle, firstHalf); }, [&] { count(middle, size, secondHalf); });
        starts_.resize(size_t(firstHalf + secondHalf + 2));
        inParallel([&] { fill(0, middle, starts_.data() + 1); },
                   [&] { fill(middle, size, starts_.data() + 1 + firstHalf); });
    }
    starts_.front() = 0;
    starts_.back() = size + 2;
}

TextBufferLines::TextBufferLines(QStringView text)
    : TextBufferLines(TextBuffer(text.utf16(), text.utf16() + text.size())) {}

// Lines that edits added, with the characters before each; they count against the limit for
// as long as they are kept.
struct ReportDocument::AddedLines {
    AddedLines(QStringList text, std::shared_ptr<qsizetype> account)
        : lines(std::move(text)), used(std::move(account)) {
        before.reserve(size_t(lines.size()) + 1);
        qsizetype n = 0;
        for (const QString& l : lines) {
            before.push_back(n);
            n += l.size();
        }
        before.push_back(n);
        cost = n + lines.size();
        *used += cost;
    }
    ~AddedLines() { *used -= cost; }
    AddedLines(const AddedLines&) = delete;
    AddedLines& operator=(const AddedLines&) = delete;

    QStringList lines;
    std::vector<qsizetype> before;
    std::shared_ptr<qsizetype> used;
    qsizetype cost = 0;
};

// One step of the history: lines [first, first + removed lines) were replaced by the inserted
// lines; the text [from, to) by the text up to insertedEnd.
struct ReportDocument::Step {
    qsizetype first = 0;
    std::vector<Piece> removed;
    std::vector<Piece> inserted;
    TextPosition from;
    TextPosition to;
    TextPosition insertedEnd;
    EditKind kind = EditKind::Other;

    static qsizetype count(const std::vector<Piece>& pieces) {
        qsizetype n = 0;
        for (const Piece& p : pieces)
            n += p.count;
        return n;
    }
};

ReportDocument::ReportDocument() : used_(std::make_shared<qsizetype>(0)) {
    setSource(std::make_shared<TextBufferLines>(QStringView()));
}

ReportDocument::~ReportDocument() = default;

void ReportDocument::setSource(std::shared_ptr<const LineSource> source) {
    // The old text goes first, so that the two never take memory at the same time.
    history_.clear();
    pieces_.clear();
    source_.reset();
    done_ = 0;
    mergeable_ = false;
    source_ = std::move(source);
    if (source_->lineCount() > 0)
        pieces_.push_back({nullptr, 0, source_->lineCount()});
    else
        pieces_.push_back({std::make_shared<AddedLines>(QStringList{QString()}, used_), 0, 1});
    reindex();
}

void ReportDocument::reindex() {
    firstLines_.resize(pieces_.size());
    qsizetype line = 0;
    for (size_t i = 0; i < pieces_.size(); ++i) {
        firstLines_[i] = line;
        line += pieces_[i].count;
    }
    lineCount_ = line;
    charactersCounted_ = false;
}

void ReportDocument::countCharacters() const {
    if (charactersCounted_)
        return;
    charsBefore_.resize(pieces_.size());
    qsizetype chars = 0;
    for (size_t i = 0; i < pieces_.size(); ++i) {
        charsBefore_[i] = chars;
        chars += piecePrefix(pieces_[i], pieces_[i].count);
    }
    characters_ = chars;
    charactersCounted_ = true;
}

qsizetype ReportDocument::piecePrefix(const Piece& p, qsizetype k) const {
    if (p.added)
        return p.added->before[size_t(p.first + k)] - p.added->before[size_t(p.first)];
    return source_->charactersBefore(p.first + k) - source_->charactersBefore(p.first);
}

std::pair<size_t, qsizetype> ReportDocument::find(qsizetype line) const {
    const auto it = std::upper_bound(firstLines_.begin(), firstLines_.end(), line);
    const size_t piece = size_t(it - firstLines_.begin()) - 1;
    return {piece, line - firstLines_[piece]};
}

QString ReportDocument::line(qsizetype i) const {
    const auto [piece, k] = find(i);
    const Piece& p = pieces_[piece];
    return p.added ? p.added->lines[p.first + k] : source_->line(p.first + k);
}

qsizetype ReportDocument::lineLength(qsizetype i) const {
    const auto [piece, k] = find(i);
    const Piece& p = pieces_[piece];
    return p.added ? p.added->lines[p.first + k].size() : source_->lineLength(p.first + k);
}

void ReportDocument::appendTo(QString& out, qsizetype i, qsizetype from, qsizetype to) const {
    const auto [piece, k] = find(i);
    const Piece& p = pieces_[piece];
    if (p.added)
        out += QStringView(p.added->lines[p.first + k]).sliced(from, to - from);
    else
        source_->appendTo(out, p.first + k, from, to);
}

QString ReportDocument::text(TextPosition from, TextPosition to) const {
    QString out;
    out.reserve(offsetOf(to) - offsetOf(from));
    for (qsizetype i = from.line; i <= to.line; ++i) {
        if (i > from.line)
            out += u'\n';
        appendTo(out, i, i == from.line ? from.column : 0,
                 i == to.line ? to.column : lineLength(i));
    }
    return out;
}

qsizetype ReportDocument::characterCount() const {
    countCharacters();
    return characters_ + lineCount_ - 1;
}

qsizetype ReportDocument::offsetOf(TextPosition p) const {
    countCharacters();
    const auto [piece, k] = find(p.line);
    return charsBefore_[piece] + piecePrefix(pieces_[piece], k) + p.line + p.column;
}

TextPosition ReportDocument::positionAt(qsizetype offset) const {
    offset = std::clamp<qsizetype>(offset, 0, characterCount());
    // The last piece, then the last line of it, that starts at or before the offset.
    size_t lo = 0;
    size_t hi = pieces_.size();
    while (hi - lo > 1) {
        const size_t mid = (lo + hi) / 2;
        if (charsBefore_[mid] + firstLines_[mid] <= offset)
            lo = mid;
        else
            hi = mid;
    }
    const Piece& p = pieces_[lo];
    const qsizetype base = charsBefore_[lo] + firstLines_[lo];
    qsizetype a = 0;
    qsizetype b = p.count;
    while (b - a > 1) {
        const qsizetype mid = (a + b) / 2;
        if (base + piecePrefix(p, mid) + mid <= offset)
            a = mid;
        else
            b = mid;
    }
    const qsizetype line = firstLines_[lo] + a;
    const qsizetype column = offset - (base + piecePrefix(p, a) + a);
    return {line, std::min(column, lineLength(line))};
}

TextPosition ReportDocument::clamped(TextPosition p) const {
    p.line = std::clamp<qsizetype>(p.line, 0, lineCount_ - 1);
    p.column = std::clamp<qsizetype>(p.column, 0, lineLength(p.line));
    return p;
}

qsizetype ReportDocument::sourceLine(qsizetype i) const {
    if (i < 0 || i >= lineCount_)
        return -1;
    const auto [piece, k] = find(i);
    const Piece& p = pieces_[piece];
    return p.added ? -1 : p.first + k;
}

std::vector<ReportDocument::Piece> ReportDocument::peekLines(qsizetype first,
                                                             qsizetype count) const {
    std::vector<Piece> out;
    if (count <= 0)
        return out;
    auto [piece, k] = find(first);
    while (count > 0) {
        const Piece& p = pieces_[piece];
        const qsizetype n = std::min(count, p.count - k);
        out.push_back({p.added, p.first + k, n});
        count -= n;
        ++piece;
        k = 0;
    }
    return out;
}

std::vector<ReportDocument::Piece> ReportDocument::swapLines(qsizetype first, qsizetype count,
                                                             std::vector<Piece> lines) {
    std::vector<Piece> old = peekLines(first, count);
    std::vector<Piece> next;
    next.reserve(pieces_.size() + lines.size() + 2);
    const auto add = [&](Piece p) {
        if (p.count == 0)
            return;
        // Neighbouring runs of the same lines join again, as after an undo.
        if (!next.empty() && next.back().added == p.added &&
            next.back().first + next.back().count == p.first) {
            next.back().count += p.count;
            return;
        }
        next.push_back(std::move(p));
    };
    const qsizetype end = first + count;
    for (size_t i = 0; i < pieces_.size(); ++i) {
        const Piece& p = pieces_[i];
        const qsizetype start = firstLines_[i];
        const qsizetype stop = start + p.count;
        if (start < first)
            add({p.added, p.first, std::min(stop, first) - start});
        if (stop > first && start <= first) {
            for (Piece& l : lines)
                add(std::move(l));
            lines.clear();
        }
        if (stop > end)
            add({p.added, p.first + std::max(start, end) - start, stop - std::max(start, end)});
    }
    for (Piece& l : lines) // inserted after the last line
        add(std::move(l));
    pieces_ = std::move(next);
    reindex();
    return old;
}

void ReportDocument::makeRoom(qsizetype characters) {
    if (limit_ <= 0)
        return;
    history_.resize(size_t(done_)); // what could be redone goes with any new edit
    while (*used_ + characters > limit_ && !history_.empty()) {
        history_.erase(history_.begin());
        --done_;
        mergeable_ = false;
    }
    if (*used_ + characters > limit_)
        throw LimitExceeded();
}

TextChange ReportDocument::describe(qsizetype first, qsizetype removedLines, TextPosition from,
                                    TextPosition to) const {
    TextChange change;
    change.first = first;
    change.removed = removedLines;
    change.offset = offsetOf(from);
    change.removedLength = offsetOf(to) - change.offset;
    if (change.removedLength <= describedLength)
        change.removedText = text(from, to);
    return change;
}

void ReportDocument::finish(TextChange& change, qsizetype insertedLines,
                            TextPosition insertedEnd) const {
    change.inserted = insertedLines;
    change.insertedLength = offsetOf(insertedEnd) - change.offset;
    if (change.insertedLength <= describedLength)
        change.insertedText = text(positionAt(change.offset), insertedEnd);
    change.cursor = change.anchor = insertedEnd;
}

bool ReportDocument::mergesWith(const Step& last, TextPosition from, TextPosition to,
                                QStringView text, EditKind kind) const {
    if (!mergeable_ || kind == EditKind::Other || last.kind != kind)
        return false;
    switch (kind) {
    case EditKind::Typing:
        return from == to && from == last.insertedEnd && !text.contains(u'\r') &&
               !text.contains(u'\n');
    // Deleting joins a step that only deleted too, at the same place.
    case EditKind::Backspace:
        return text.isEmpty() && last.insertedEnd == last.from && to == last.from;
    case EditKind::Delete:
        return text.isEmpty() && last.insertedEnd == last.from && from == last.from;
    case EditKind::Other:
        break;
    }
    return false;
}

TextChange ReportDocument::replace(TextPosition from, TextPosition to, QStringView text,
                                   EditKind kind) {
    from = clamped(from);
    to = clamped(to);
    if (to < from)
        std::swap(from, to);
    QStringList lines = splitInserted(text);
    const qsizetype lastColumn = (lines.size() == 1 ? from.column : 0) + lines.back().size();
    const TextPosition insertedEnd{from.line + lines.size() - 1, lastColumn};
    // A line that the edit leaves whole is kept by reference, not copied: the first when text
    // starting with a line break goes at its end, the last when text ending with one goes at
    // its start.
    qsizetype removedLines = to.line - from.line + 1;
    const bool keepFirst =
        lines.size() > 1 && lines.front().isEmpty() && from.column == lineLength(from.line);
    const bool keepLast = lines.size() > 1 && lines.back().isEmpty() && to.column == 0 &&
                          removedLines - (keepFirst ? 1 : 0) >= 1;
    if (keepFirst) {
        lines.removeFirst();
        --removedLines;
    }
    if (keepLast) {
        lines.removeLast();
        --removedLines;
    }
    const qsizetype first = from.line + (keepFirst ? 1 : 0);
    if (!keepFirst && from.column > 0) {
        QString before;
        appendTo(before, from.line, 0, from.column);
        lines.front().prepend(before);
    }
    if (!keepLast)
        appendTo(lines.back(), to.line, to.column, lineLength(to.line));

    qsizetype cost = lines.size();
    for (const QString& l : lines)
        cost += l.size();
    makeRoom(cost);

    const bool merging = done_ > 0 && done_ == qsizetype(history_.size()) &&
                         mergesWith(history_.back(), from, to, text, kind);
    TextChange change = describe(first, removedLines, from, to);
    std::vector<Piece> inserted;
    if (!lines.isEmpty())
        inserted.push_back({std::make_shared<AddedLines>(std::move(lines), used_), 0, 0});
    if (!inserted.empty())
        inserted.back().count = qsizetype(inserted.back().added->lines.size());
    const qsizetype insertedLines = Step::count(inserted);

    if (merging) {
        // One step with the last: the lines before and after its own that this edit reaches
        // join what it removed, and what stands there now is what it inserted.
        Step& last = history_.back();
        const qsizetype lastInserted = Step::count(last.inserted);
        const qsizetype start = std::min(last.first, first);
        std::vector<Piece> removed = peekLines(start, last.first - start);
        removed.insert(removed.end(), last.removed.begin(), last.removed.end());
        const qsizetype after = last.first + lastInserted;
        const qsizetype beyond = std::max<qsizetype>(0, first + removedLines - after);
        const std::vector<Piece> tail = peekLines(after, beyond);
        removed.insert(removed.end(), tail.begin(), tail.end());
        const qsizetype span = (last.first - start) + lastInserted + beyond;
        swapLines(first, removedLines, std::move(inserted));
        last.inserted = peekLines(start, span - removedLines + insertedLines);
        last.removed = std::move(removed);
        last.first = start;
        switch (kind) {
        case EditKind::Typing:
            last.insertedEnd = insertedEnd;
            break;
        case EditKind::Backspace:
            last.from = from;
            last.insertedEnd = from;
            break;
        case EditKind::Delete: {
            const TextPosition at = last.insertedEnd;
            last.to = to.line == at.line
                          ? TextPosition{last.to.line, last.to.column + to.column - at.column}
                          : TextPosition{to.line - at.line + last.to.line, to.column};
            break;
        }
        case EditKind::Other:
            break;
        }
    } else {
        Step step;
        step.first = first;
        step.from = from;
        step.to = to;
        step.insertedEnd = insertedEnd;
        step.kind = kind;
        step.inserted = inserted;
        step.removed = swapLines(first, removedLines, std::move(inserted));
        history_.resize(size_t(done_));
        history_.push_back(std::move(step));
        ++done_;
    }
    mergeable_ = kind != EditKind::Other;
    finish(change, insertedLines, insertedEnd);
    return change;
}

bool ReportDocument::canRedo() const {
    return done_ < qsizetype(history_.size());
}

TextChange ReportDocument::undo() {
    if (!canUndo())
        return {};
    Step& step = history_[size_t(--done_)];
    TextChange change =
        describe(step.first, Step::count(step.inserted), step.from, step.insertedEnd);
    swapLines(step.first, change.removed, step.removed);
    finish(change, Step::count(step.removed), step.to);
    mergeable_ = false;
    return change;
}

TextChange ReportDocument::redo() {
    if (!canRedo())
        return {};
    Step& step = history_[size_t(done_++)];
    TextChange change = describe(step.first, Step::count(step.removed), step.from, step.to);
    swapLines(step.first, change.removed, step.inserted);
    finish(change, Step::count(step.inserted), step.insertedEnd);
    mergeable_ = false;
    return change;
}

} // namespace gegu
