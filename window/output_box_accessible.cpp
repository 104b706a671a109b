#include "output_box_accessible.h"

#include "output_box.h"

#include <QAccessibleWidget>
#include <QTextBoundaryFinder>

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

// The most text one answer gives: a screen reader asks for more by ranges.
constexpr qsizetype answerLimit = 65536;

int clampedInt(qsizetype n) {
    return int(std::clamp<qsizetype>(n, 0, INT_MAX));
}

// The output box as a screen reader sees it: an editable, multi-line text. Offsets count the
// characters of the text, each line end one; a lone CR or LF, which the box shows as nothing,
// reads as a zero-width space.
class OutputBoxAccessible : public QAccessibleWidget,
                            public QAccessibleTextInterface,
                            public QAccessibleEditableTextInterface {
public:
    explicit OutputBoxAccessible(OutputBox* box)
        : QAccessibleWidget(box, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        if (type == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = true;
        s.multiLine = true;
        s.selectableText = true;
        return s;
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return text(0, int(std::min<qsizetype>(characterCount(), answerLimit)));
        return QAccessibleWidget::text(t);
    }

    // -- the text
    int characterCount() const override { return clampedInt(document().characterCount()); }

    QString text(int startOffset, int endOffset) const override {
        const qsizetype start = std::clamp<qsizetype>(startOffset, 0, characterCount());
        const qsizetype end =
            std::clamp<qsizetype>(endOffset < 0 ? characterCount() : endOffset, start,
                                  std::min<qsizetype>(characterCount(), start + answerLimit));
        return withLoneBreaksHidden(
            document().text(document().positionAt(start), document().positionAt(end)), start);
    }

    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                         int* endOffset) const override {
        const auto [start, end] = range(offset, boundary);
        *startOffset = start;
        *endOffset = end;
        return text(start, end);
    }

    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                             int* endOffset) const override {
        const auto [at, atEnd] = range(offset, boundary);
        Q_UNUSED(atEnd);
        if (at <= 0) {
            *startOffset = *endOffset = 0;
            return {};
        }
        const auto [start, end] = range(at - 1, boundary);
        *startOffset = start;
        *endOffset = end;
        return text(start, end);
    }

    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                            int* endOffset) const override {
        const auto [atStart, at] = range(offset, boundary);
        Q_UNUSED(atStart);
        if (at >= characterCount()) {
            *startOffset = *endOffset = characterCount();
            return {};
        }
        const auto [start, end] = range(at, boundary);
        *startOffset = start;
        *endOffset = end;
        return text(start, end);
    }

    // -- the cursor and the selection
    int cursorPosition() const override {
        return clampedInt(document().offsetOf(box()->cursorPosition()));
    }
    void setCursorPosition(int position) override {
        const TextPosition p = document().positionAt(position);
        box()->setSelection(p, p);
        box()->ensureVisible(p);
    }
    int selectionCount() const override { return box()->hasSelection() ? 1 : 0; }
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = 0;
        if (selectionIndex != 0 || !box()->hasSelection())
            return;
        const TextPosition a = std::min(box()->anchorPosition(), box()->cursorPosition());
        const TextPosition b = std::max(box()->anchorPosition(), box()->cursorPosition());
        *startOffset = clampedInt(document().offsetOf(a));
        *endOffset = clampedInt(document().offsetOf(b));
    }
    void addSelection(int startOffset, int endOffset) override {
        setSelection(0, startOffset, endOffset);
    }
    void removeSelection(int selectionIndex) override {
        if (selectionIndex == 0)
            box()->setSelection(box()->cursorPosition(), box()->cursorPosition());
    }
    void setSelection(int selectionIndex, int startOffset, int endOffset) override {
        if (selectionIndex != 0)
            return;
        box()->setSelection(document().positionAt(startOffset), document().positionAt(endOffset));
    }

    // -- where characters are
    QRect characterRect(int offset) const override {
        const QRect r = box()->characterRect(offset);
        return QRect(box()->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    int offsetAtPoint(const QPoint& point) const override {
        const QPoint at = box()->viewport()->mapFromGlobal(point);
        if (!box()->viewport()->rect().contains(at))
            return -1;
        return clampedInt(box()->offsetAt(at));
    }
    void scrollToSubstring(int startIndex, int endIndex) override {
        box()->ensureVisible(document().positionAt(endIndex));
        box()->ensureVisible(document().positionAt(startIndex));
    }
    QString attributes(int offset, int* startOffset, int* endOffset) const override {
        *startOffset = offset;
        *endOffset = offset;
        return {};
    }

    // -- editing
    void deleteText(int startOffset, int endOffset) override {
        replaceText(startOffset, endOffset, {});
    }
    void insertText(int offset, const QString& text) override { replaceText(offset, offset, text); }
    void replaceText(int startOffset, int endOffset, const QString& text) override {
        box()->setSelection(document().positionAt(startOffset), document().positionAt(endOffset));
        box()->insertPlainText(text);
    }

private:
    OutputBox* box() const { return static_cast<OutputBox*>(widget()); }
    const ReportDocument& document() const { return box()->document(); }

    // The text with its lone CRs and LFs, which start no line, as zero-width spaces: offsets
    // stay, and a screen reader reads no line end there. Every LF of the text that is a line
    // end stands where a line of the document ends.
    QString withLoneBreaksHidden(QString text, qsizetype start) const {
        TextPosition p = document().positionAt(start);
        for (QChar& c : text) {
            const bool lineEnd = p.column == document().lineLength(p.line);
            if (lineEnd) {
                ++p.line;
                p.column = 0;
                continue;
            }
            if (c == u'\r' || c == u'\n' || c == QChar(0x2028) || c == QChar(0x2029))
                c = QChar(0x200B);
            ++p.column;
        }
        return text;
    }

    // The range of the unit of text that holds the offset.
    std::pair<int, int> range(int offset, QAccessible::TextBoundaryType boundary) const {
        const int count = characterCount();
        offset = std::clamp(offset, 0, count);
        if (boundary == QAccessible::NoBoundary)
            return {0, count};
        const TextPosition p = document().positionAt(offset);
        const qsizetype lineStart = document().offsetOf({p.line, 0});
        const qsizetype length = document().lineLength(p.line);
        if (boundary == QAccessible::CharBoundary) {
            if (offset >= count)
                return {count, count};
            return {offset, offset + 1};
        }
        // The line, or a stretch of a very long one around the offset.
        const qsizetype from = std::max<qsizetype>(0, p.column - answerLimit / 2);
        const qsizetype to = std::min(length, p.column + answerLimit / 2);
        if (boundary == QAccessible::LineBoundary || boundary == QAccessible::ParagraphBoundary) {
            const bool last = p.line + 1 >= document().lineCount();
            return {clampedInt(lineStart + from), clampedInt(lineStart + to + (last ? 0 : 1))};
        }
        QString line;
        document().appendTo(line, p.line, from, to);
        const QTextBoundaryFinder::BoundaryType type = boundary == QAccessible::WordBoundary
                                                           ? QTextBoundaryFinder::Word
                                                           : QTextBoundaryFinder::Sentence;
        QTextBoundaryFinder finder(type, line);
        finder.setPosition(int(p.column - from));
        qsizetype start = finder.isAtBoundary() ? p.column - from : finder.toPreviousBoundary();
        finder.setPosition(int(p.column - from));
        qsizetype end = finder.toNextBoundary();
        if (start < 0)
            start = 0;
        if (end < 0)
            end = line.size();
        if (p.column == length && p.line + 1 < document().lineCount())
            return {clampedInt(lineStart + length), clampedInt(lineStart + length + 1)};
        return {clampedInt(lineStart + from + start), clampedInt(lineStart + from + end)};
    }
};

QAccessibleInterface* outputBoxFactory(const QString& className, QObject* object) {
    if (className == u"gegu::OutputBox"_s && object && object->isWidgetType())
        return new OutputBoxAccessible(static_cast<OutputBox*>(object));
    return nullptr;
}

} // namespace

void installOutputBoxAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(outputBoxFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace gegu
