// The output box's control: what input methods compose and commit, and what they are told of
// the text around the cursor.

#include "output_box.h"
#include "report_control.h"

#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <algorithm>

namespace gegu {

namespace {

// Surrounding text told to an input method: at most this much either side of the cursor.
constexpr qsizetype surroundingReach = 1024;

} // namespace

void ReportControl::commitPreedit() {
    if (layout_.preedit().isEmpty())
        return;
    QGuiApplication::inputMethod()->commit();
    if (!layout_.preedit().isEmpty()) {
        // The input method did not take it back: what was composed goes.
        layout_.setPreedit({}, {}, {});
        preeditCursor_ = 0;
        layout_.dropLayouts();
        view_.viewport()->update();
    }
}

void ReportControl::inputMethod(QInputMethodEvent* event) {
    const bool hadPreedit = !layout_.preedit().isEmpty();
    // The composition in progress goes, before the layouts are made again.
    layout_.setPreedit({}, {}, {});
    preeditCursor_ = 0;
    if (hadPreedit)
        layout_.dropLayouts();
    if (!event->commitString().isEmpty() || event->replacementLength() > 0) {
        TextPosition from = selectionStart();
        TextPosition to = selectionEnd();
        if (event->replacementLength() > 0 || event->replacementStart() != 0) {
            // Relative to the cursor, within its line.
            const qsizetype length = document_.lineLength(cursor_.line);
            const qsizetype start =
                std::clamp<qsizetype>(cursor_.column + event->replacementStart(), 0, length);
            from = {cursor_.line, start};
            to = {cursor_.line, std::min(length, start + event->replacementLength())};
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
    const QString preedit = event->preeditString();
    QList<QTextLayout::FormatRange> formats;
    for (const QInputMethodEvent::Attribute& a : event->attributes()) {
        if (a.type == QInputMethodEvent::Cursor) {
            preeditCursor_ = a.length > 0 ? a.start : -1 - a.start; // < 0: hidden
        } else if (a.type == QInputMethodEvent::TextFormat) {
            const QTextCharFormat format = qvariant_cast<QTextFormat>(a.value).toCharFormat();
            if (format.isValid())
                formats.append({a.start, a.length, format});
        }
    }
    layout_.setPreedit(cursor_, preedit, formats);
    if (preedit.isEmpty())
        preeditCursor_ = 0;
    else if (preeditCursor_ == 0 && event->attributes().isEmpty())
        preeditCursor_ = int(preedit.size());
    if (!preedit.isEmpty() || hadPreedit) {
        layout_.dropLayoutAt(cursor_);
        view_.ensureVisible(cursor_);
    }
    view_.viewport()->update();
    event->accept();
}

std::optional<QVariant> ReportControl::inputMethodQuery(Qt::InputMethodQuery query) const {
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
        return QRect(view_.viewport()->mapTo(&view_, r.topLeft()), r.size());
    };
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImCursorRectangle:
        return toViewport(view_.cursorRect(cursor_, std::max(0, preeditCursor_)));
    case Qt::ImAnchorRectangle:
        return toViewport(view_.cursorRect(anchor_));
    case Qt::ImFont:
        return view_.font();
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
             whole && line < document_.lineCount() && text.size() < surroundingReach &&
             document_.lineLength(line) <= 2 * surroundingReach;
             ++line)
            text += u'\n' + document_.line(line);
        return text;
    }
    case Qt::ImCurrentSelection: {
        const TextPosition a = selectionStart();
        const TextPosition b = selectionEnd();
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
        return int(view_.inputMethodHints());
    case Qt::ImReadOnly:
        return false;
    case Qt::ImInputItemClipRectangle:
        return QRect(view_.viewport()->mapTo(&view_, QPoint(0, 0)), view_.viewport()->size());
    default:
        return std::nullopt;
    }
}

} // namespace gegu
