#pragma once

#include "report_document.h"

#include <QFont>
#include <QKeySequence>
#include <QList>
#include <QString>
#include <QTextLayout>
#include <map>
#include <memory>
#include <vector>

namespace gegu {

// Characters that would break a line or show as a box in a layout; the output box shows them as
// nothing, and a copy leaves them out.
bool isHiddenBreak(char16_t c);

// The text between two places as it shows and copies: lines joined by LF, without the characters
// shown as nothing.
QString shownText(const ReportDocument& document, TextPosition from, TextPosition to);

// The lines of a ReportDocument laid out into rows of one width, as the output box shows them.
// Every row stands at the same pitch, the line spacing of the font. Only what is asked for is
// laid out (of a very long line, only the segments asked for), so a report of millions of lines
// costs little beyond its own text; a line not laid out yet counts as one row, a segment not laid
// out yet by an estimate. Layouts out of use are made again when too many are kept.
class ReportLayout {
public:
    // A line longer than this is laid out in segments of about segmentLength characters; a row
    // never spans two segments.
    static constexpr qsizetype longLine = 8192;
    static constexpr qsizetype segmentLength = 4096;

    // A row of the display: a line, and one of the rows it wraps into.
    struct Row {
        qsizetype line = 0;
        int row = 0;
        auto operator<=>(const Row&) const = default;
    };
    // The part of a line that one layout holds.
    struct Segment {
        qsizetype line = 0;
        int index = 0;
        qsizetype start = 0;
        qsizetype end = 0;
    };

    explicit ReportLayout(const ReportDocument& document);
    ~ReportLayout();
    ReportLayout(const ReportLayout&) = delete;
    ReportLayout& operator=(const ReportLayout&) = delete;

    // The font and the width rows wrap at; everything is laid out anew after a change. Returns
    // whether the width changed.
    void setFont(const QFont& font);
    bool setTextWidth(int width);

    // Forgets all rows and layouts, as for a new text.
    void clear();
    // Forgets the layouts, keeping what is known of the rows.
    void dropLayouts() const;
    // Forgets the layouts when more are kept than a view needs.
    void trimLayouts() const;
    // The layout of the segment holding p is made again at its next use.
    void dropLayoutAt(TextPosition p) const;
    // Lines changed: the rows of the lines after them move with them, those of the changed lines
    // are forgotten, as are the layouts from the first changed line on.
    void changed(const TextChange& change);

    // Text being composed by an input method, shown at a place; empty for none.
    void setPreedit(TextPosition at, const QString& text,
                    const QList<QTextLayout::FormatRange>& formats);
    const QString& preedit() const { return preedit_; }

    // Segments and their layouts.
    int segmentCount(qsizetype line) const;
    Segment segment(qsizetype line, int index) const;
    Segment segmentAt(TextPosition p) const;
    QTextLayout& layoutOf(const Segment& s) const;
    // The segment that row r of its line falls in, and the row inside that segment.
    std::pair<Segment, int> segmentOfRow(Row r) const;
    QTextLine textLine(Row r, Segment* s = nullptr) const;

    // Rows: of a line, as far as known; counted from the first row of the text.
    int rowsOf(qsizetype line) const;
    qsizetype rowIndex(Row r) const;
    Row rowAtIndex(qsizetype index) const;
    // The row n rows after (n < 0: before) a row, within the text.
    Row stepRows(Row from, qsizetype n) const;
    Row rowOf(TextPosition p) const;
    Row lastRow() const;
    // Whether rows came to be known, laying out, that were not known before; cleared by
    // rowsCounted().
    bool rowsChanged() const { return rowsChanged_; }
    void rowsCounted() { rowsChanged_ = false; }

    // Places in the rows.
    TextPosition positionAtRow(Row r, qreal x) const;
    qreal xOf(TextPosition p) const;
    TextPosition lineEnd(qsizetype line) const { return {line, document_.lineLength(line)}; }
    TextPosition wordStart(TextPosition p) const;
    TextPosition wordEnd(TextPosition p) const;
    // Where a key of moving the cursor takes it from p; up and down keep to x (or p's own x when
    // x < 0). Keys that move no cursor leave p.
    TextPosition moved(TextPosition p, QKeySequence::StandardKey key, qreal x = -1) const;

private:
    // A line's rows as far as they are known: a long line is laid out in segments, each as it
    // comes into view; a segment not laid out yet counts by an estimate.
    struct Wrap {
        int rows = 1;
        std::vector<int> segments; // rows of each segment of a long line, 0 while not known
    };

    int estimatedRows(const Segment& s) const;
    int segmentRows(const Segment& s) const;

    const ReportDocument& document_;
    QFont font_;
    int width_ = 1;
    mutable std::map<qsizetype, Wrap> wraps_;
    mutable std::map<std::pair<qsizetype, int>, std::unique_ptr<QTextLayout>> layouts_;
    mutable qsizetype laidOutCharacters_ = 0;
    mutable bool rowsChanged_ = false;

    TextPosition preeditAt_;
    QString preedit_;
    QList<QTextLayout::FormatRange> preeditFormats_;
};

} // namespace gegu
