// The output box beside the platform's plain text box: the same keys, clicks, wheel turns and
// input-method events, sent to both holding the same small report, leave both with the same
// text, cursor, selection, scroll position and clipboard. The report breaks lines at CR LF
// only, so that the box's one intended difference (a lone CR or LF starts no line) is not met.

#include "window/output_box.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QWheelEvent>
#include <algorithm>
#include <variant>

using namespace gegu;
using namespace Qt::StringLiterals;

namespace {

// One thing a user does.
struct Key {
    int key;
    Qt::KeyboardModifiers modifiers = {};
    int times = 1;
};
struct Type {
    QString text;
};
// A click on a row of the view (0 the top one), x pixels into the text; y < 0 clicks into the
// top margin.
struct Click {
    int row;
    int x;
    Qt::KeyboardModifiers modifiers = {};
    bool twice = false;
    Qt::MouseButton button = Qt::LeftButton;
};
struct Drag {
    int fromRow, fromX, toRow, toX;
};
struct Wheel {
    int delta; // eighths of a degree; negative turns down
    int times = 1;
};
struct Compose {
    QString preedit;
    QString commit;
    int replaceFrom = 0;
    int replaceLength = 0;
};
// The box is given a new text, as a new report replaces the last one.
struct NewText {
    QString text;
};
using Action = std::variant<Key, Type, Click, Drag, Wheel, Compose, NewText>;

struct Sequence {
    const char* name;
    std::vector<Action> actions;
};

constexpr auto Shift = Qt::ShiftModifier;
constexpr auto Ctrl = Qt::ControlModifier;
constexpr auto Middle = Qt::MiddleButton;

const std::vector<Sequence>& sequences() {
    static const std::vector<Sequence> all = {
        // Navigation
        {"navigation: right three", {Key{Qt::Key_Right, {}, 3}}},
        {"navigation: down two and end", {Key{Qt::Key_Down, {}, 2}, Key{Qt::Key_End}}},
        {"navigation: down five, up two keep x",
         {Key{Qt::Key_Right, {}, 7}, Key{Qt::Key_Down, {}, 5}, Key{Qt::Key_Up, {}, 2}}},
        {"navigation: end then right to the next line", {Key{Qt::Key_End}, Key{Qt::Key_Right}}},
        {"navigation: left at a line start", {Key{Qt::Key_Down}, Key{Qt::Key_Left}}},
        {"navigation: ctrl+end", {Key{Qt::Key_End, Ctrl}}},
        {"navigation: ctrl+end, ctrl+home", {Key{Qt::Key_End, Ctrl}, Key{Qt::Key_Home, Ctrl}}},
        {"navigation: words right", {Key{Qt::Key_Right, Ctrl, 3}}},
        {"navigation: words left from an end", {Key{Qt::Key_End}, Key{Qt::Key_Left, Ctrl, 2}}},
        {"navigation: down through a wrapped line", {Key{Qt::Key_Down, {}, 6}}},
        {"navigation: home and end on a wrapped row",
         {Key{Qt::Key_Down, {}, 4}, Key{Qt::Key_Right, {}, 3}, Key{Qt::Key_End}, Key{Qt::Key_Left},
          Key{Qt::Key_Home}}},
        {"navigation: page down", {Key{Qt::Key_PageDown}}},
        {"navigation: page down, page up", {Key{Qt::Key_PageDown}, Key{Qt::Key_PageUp}}},
        {"navigation: down far, page up", {Key{Qt::Key_Down, {}, 20}, Key{Qt::Key_PageUp}}},
        {"navigation: up on the first row", {Key{Qt::Key_Right, {}, 3}, Key{Qt::Key_Up}}},
        {"navigation: down on the last row",
         {Key{Qt::Key_End, Ctrl}, Key{Qt::Key_Left, {}, 3}, Key{Qt::Key_Down}}},
        {"navigation: words right across a line end",
         {Key{Qt::Key_End}, Key{Qt::Key_Left, {}, 2}, Key{Qt::Key_Right, Ctrl, 3}}},
        {"navigation: words left across a line start",
         {Key{Qt::Key_Down, {}, 2}, Key{Qt::Key_Left, Ctrl, 2}}},
        {"navigation: click a row", {Click{3, 50}}},
        {"navigation: click into the top margin", {Click{-1, 30}}},
        {"navigation: click past a line's end", {Click{1, 600}}},
        {"navigation: scrolled, click", {Wheel{-120}, Click{2, 40}}},
        // Selection
        {"selection: shift+right four", {Key{Qt::Key_Right, Shift, 4}}},
        {"selection: shift+down two", {Key{Qt::Key_Right}, Key{Qt::Key_Down, Shift, 2}}},
        {"selection: a line break", {Key{Qt::Key_End}, Key{Qt::Key_Right, Shift}}},
        {"selection: ctrl+a", {Key{Qt::Key_A, Ctrl}}},
        {"selection: words", {Key{Qt::Key_Right, Ctrl | Shift, 2}}},
        {"selection: click, shift+click", {Click{1, 30}, Click{4, 80, Shift}}},
        {"selection: drag over rows", {Drag{1, 20, 3, 70}}},
        {"selection: left collapses to the start",
         {Key{Qt::Key_Right, {}, 2}, Key{Qt::Key_Right, Shift, 5}, Key{Qt::Key_Left}}},
        {"selection: right collapses to the end",
         {Key{Qt::Key_Right, {}, 2}, Key{Qt::Key_Right, Shift, 5}, Key{Qt::Key_Right}}},
        {"selection: backwards, right collapses to the end",
         {Key{Qt::Key_End}, Key{Qt::Key_Left, Shift, 4}, Key{Qt::Key_Right}}},
        {"selection: double click a word", {Click{0, 30, {}, true}}},
        {"selection: shift+page down", {Key{Qt::Key_PageDown, Shift}}},
        {"selection: shift+page up from below",
         {Key{Qt::Key_Down, {}, 25}, Key{Qt::Key_PageUp, Shift}}},
        {"selection: shift+home on a wrapped row",
         {Key{Qt::Key_Down, {}, 4}, Key{Qt::Key_Right, {}, 6}, Key{Qt::Key_Home, Shift}}},
        {"selection: to the end of the text", {Key{Qt::Key_Down}, Key{Qt::Key_End, Ctrl | Shift}}},
        {"selection: shift+up from the middle",
         {Key{Qt::Key_Down, {}, 8}, Key{Qt::Key_Right, {}, 4}, Key{Qt::Key_Up, Shift, 3}}},
        {"selection: dragging upwards", {Drag{5, 60, 1, 10}}},
        {"selection: click, then shift+down", {Click{2, 45}, Key{Qt::Key_Down, Shift, 2}}},
        {"selection: shift+end, copy", {Key{Qt::Key_End, Shift}, Key{Qt::Key_C, Ctrl}}},
        {"selection: two lines, copy",
         {Key{Qt::Key_Down, Shift, 2}, Key{Qt::Key_End, Shift}, Key{Qt::Key_C, Ctrl}}},
        // Editing
        {"editing: type", {Type{u"abc"_s}}},
        {"editing: type, enter, type",
         {Key{Qt::Key_End}, Type{u"xy"_s}, Key{Qt::Key_Return}, Type{u"zw"_s}}},
        {"editing: backspace three", {Key{Qt::Key_Right, {}, 6}, Key{Qt::Key_Backspace, {}, 3}}},
        {"editing: delete three", {Key{Qt::Key_Right, {}, 2}, Key{Qt::Key_Delete, {}, 3}}},
        {"editing: backspace joins lines", {Key{Qt::Key_Down}, Key{Qt::Key_Backspace}}},
        {"editing: delete joins lines", {Key{Qt::Key_End}, Key{Qt::Key_Delete}}},
        {"editing: typing replaces a selection", {Key{Qt::Key_Right, Shift, 3}, Type{u"Q"_s}}},
        {"editing: ctrl+a and a key", {Key{Qt::Key_A, Ctrl}, Type{u"x"_s}}},
        {"editing: cut and paste",
         {Key{Qt::Key_Down, Shift}, Key{Qt::Key_X, Ctrl}, Key{Qt::Key_Down, {}, 2},
          Key{Qt::Key_V, Ctrl}}},
        {"editing: ctrl+backspace", {Key{Qt::Key_End}, Key{Qt::Key_Backspace, Ctrl}}},
        {"editing: ctrl+delete", {Key{Qt::Key_Delete, Ctrl}}},
        {"editing: ctrl+backspace at a line start",
         {Key{Qt::Key_Down}, Key{Qt::Key_Backspace, Ctrl}}},
        {"editing: ctrl+delete at a line end", {Key{Qt::Key_End}, Key{Qt::Key_Delete, Ctrl}}},
        {"editing: delete a selection", {Key{Qt::Key_Down, Shift, 2}, Key{Qt::Key_Delete}}},
        {"editing: backspace over a character beyond the BMP",
         {Compose{{}, u"a\U0001F600b"_s}, Key{Qt::Key_Backspace, {}, 2}}},
        {"editing: delete over a character beyond the BMP",
         {Compose{{}, u"\U00020000x"_s}, Key{Qt::Key_Home}, Key{Qt::Key_Delete}}},
        {"editing: enter at a line's start", {Key{Qt::Key_Down}, Key{Qt::Key_Return}}},
        {"editing: typing Chinese", {Key{Qt::Key_Down, {}, 2}, Type{u"招商"_s}}},
        {"editing: delete at the end, backspace at the start",
         {Key{Qt::Key_End, Ctrl}, Key{Qt::Key_Delete}, Key{Qt::Key_Home, Ctrl},
          Key{Qt::Key_Backspace}}},
        {"editing: enter in a line's middle", {Key{Qt::Key_Right, {}, 4}, Key{Qt::Key_Return}}},
        // Undo
        {"undo: typing is one step", {Type{u"ab cd"_s}, Key{Qt::Key_Z, Ctrl}}},
        {"undo: a line break parts typing",
         {Type{u"xy"_s}, Key{Qt::Key_Return}, Type{u"zw"_s}, Key{Qt::Key_Z, Ctrl, 2}}},
        {"undo: backspaces are one step",
         {Key{Qt::Key_End}, Key{Qt::Key_Backspace, {}, 3}, Key{Qt::Key_Z, Ctrl}}},
        {"undo: deletes are one step", {Key{Qt::Key_Delete, {}, 2}, Key{Qt::Key_Z, Ctrl}}},
        {"undo: a replaced selection",
         {Key{Qt::Key_Right, Shift, 2}, Type{u"XY"_s}, Key{Qt::Key_Z, Ctrl}}},
        {"undo: ctrl+y redoes", {Type{u"ab"_s}, Key{Qt::Key_Z, Ctrl}, Key{Qt::Key_Y, Ctrl}}},
        {"undo: ctrl+shift+z redoes",
         {Type{u"ab"_s}, Key{Qt::Key_Z, Ctrl}, Key{Qt::Key_Z, Ctrl | Shift}}},
        {"undo: ctrl+a, delete, undo",
         {Key{Qt::Key_A, Ctrl}, Key{Qt::Key_Delete}, Key{Qt::Key_Z, Ctrl}}},
        {"undo: typing apart is two steps",
         {Type{u"ab"_s}, Key{Qt::Key_Right}, Type{u"cd"_s}, Key{Qt::Key_Z, Ctrl}}},
        {"undo: all the way and back",
         {Type{u"a"_s}, Key{Qt::Key_Return}, Type{u"b"_s}, Key{Qt::Key_Z, Ctrl, 4},
          Key{Qt::Key_Y, Ctrl, 2}}},
        {"undo: nothing to undo", {Key{Qt::Key_Z, Ctrl}, Key{Qt::Key_Y, Ctrl}}},
        {"undo: paste",
         {Key{Qt::Key_Right, Shift, 3}, Key{Qt::Key_C, Ctrl}, Key{Qt::Key_End},
          Key{Qt::Key_V, Ctrl}, Key{Qt::Key_Z, Ctrl}}},
        // Input methods
        {"input method: a commit", {Compose{{}, u"华夏"_s}}},
        {"input method: composing, then the commit",
         {Compose{u"hua"_s, {}}, Compose{u"huaxia"_s, {}}, Compose{{}, u"华夏"_s}}},
        {"input method: a commit replaces the selection",
         {Key{Qt::Key_Right, Shift, 3}, Compose{{}, u"大盘"_s}}},
        {"input method: a commit, undone", {Compose{{}, u"华夏"_s}, Key{Qt::Key_Z, Ctrl}}},
        {"input method: a commit replacing text before the cursor",
         {Key{Qt::Key_Right, {}, 4}, Compose{{}, u"甲"_s, -2, 2}}},
        // X11's primary selection: what was selected, whatever became of the text since; the
        // middle button pastes it.
        {"primary: shift+right four", {Key{Qt::Key_Right, Shift, 4}}},
        {"primary: a word by double click, pasted",
         {Click{0, 30, {}, true}, Click{3, 20, {}, false, Middle}}},
        {"primary: a new text, then a middle click",
         {Key{Qt::Key_Right, Shift, 9}, NewText{u"new report\r\nits second line"_s},
          Click{1, 30, {}, false, Middle}}},
        {"primary: a drag, then a new text",
         {Drag{1, 20, 3, 70}, NewText{u"short"_s}, Click{0, 200, {}, false, Middle}}},
        {"primary: typed over",
         {Key{Qt::Key_Right, Shift, 5}, Type{u"xyz"_s}, Click{2, 40, {}, false, Middle}}},
        {"primary: text typed before it",
         {Key{Qt::Key_Down}, Key{Qt::Key_End, Shift}, Key{Qt::Key_Home, Ctrl}, Type{u"abc"_s},
          Key{Qt::Key_Return}, Click{4, 10, {}, false, Middle}}},
        {"primary: ctrl+a, delete, undo, redo",
         {Key{Qt::Key_A, Ctrl}, Key{Qt::Key_Delete}, Key{Qt::Key_Z, Ctrl},
          Key{Qt::Key_Z, Ctrl | Shift}, Click{0, 0, {}, false, Middle}}},
        {"primary: cut, then pasted by the middle button",
         {Key{Qt::Key_Down, Shift, 2}, Key{Qt::Key_X, Ctrl}, Click{1, 30, {}, false, Middle}}},
        // The wheel
        {"wheel: a notch down", {Wheel{-120}}},
        {"wheel: a notch in eighths", {Wheel{-15, 8}}},
        {"wheel: three steps of 40", {Wheel{-40, 3}}},
        {"wheel: less than a notch", {Wheel{-15, 3}}},
        {"wheel: down and up", {Wheel{-120, 3}, Wheel{120}}},
        {"wheel: to the end and on", {Wheel{-120, 30}}},
        {"wheel: up at the top", {Wheel{120, 2}}},
        {"wheel: then a key", {Wheel{-120, 2}, Key{Qt::Key_Down}}},
        {"wheel: then page down", {Wheel{-40, 4}, Key{Qt::Key_PageDown}}},
        {"wheel: then typing", {Wheel{-120, 2}, Type{u"k"_s}}},
    };
    return all;
}

// The report: CR LF between lines; short lines, wrapped ones, Chinese ones, empty ones.
QString report() {
    QStringList lines;
    for (int i = 0; i < 40; ++i) {
        if (i % 7 == 3)
            lines << u"The quick brown fox jumps over the lazy dog and keeps on running far "
                     u"beyond the right edge of the box, row after row %1"_s.arg(i);
        else if (i % 5 == 2)
            lines << u"  华夏大盘精选 │ 招商银行 │ %1"_s.arg(i * 1000);
        else if (i % 11 == 10)
            lines << QString();
        else
            lines << u"line %1 alpha beta gamma"_s.arg(i);
    }
    return lines.join(u"\r\n"_s);
}

// A face and size whose rows the plain text box sets at the font's line spacing, as the
// output box does, so that both show the same rows at the same places.
QFont reportFont() {
    QFont font;
    font.setFamilies({u"AR PL UMing CN"_s});
    font.setPointSize(10);
    return font;
}

// What the test compares of either box.
struct State {
    QString text;
    int cursor = 0;
    int anchor = 0;
    int scroll = 0;
    QString clipboard;
    QString primary; // X11's primary selection, where the platform has one
};

void setText(OutputBox* box, const QString& text) {
    box->setText(text);
}

void setText(QPlainTextEdit* box, QString text) {
    box->setPlainText(text.replace(u"\r\n"_s, u"\n"_s));
}

QString primarySelection() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard->supportsSelection() ? clipboard->text(QClipboard::Selection) : QString();
}

} // namespace

class OutputBoxVsPlainText : public QObject {
    Q_OBJECT
private slots:
    void sameOutcome_data();
    void sameOutcome();
    void sameInputMethodAnswers_data();
    void sameInputMethodAnswers();
    void hugePrimarySelectionIsGivenUpOnChange();

private:
    template <typename Box> void run(Box* box, QWidget* viewport, const Sequence& s);
    int pitch_ = 0;
};

template <typename Box>
void OutputBoxVsPlainText::run(Box* box, QWidget* viewport, const Sequence& s) {
    const auto rowPoint = [&](int row, int x) {
        return QPoint(4 + x, row < 0 ? 1 : 4 + row * pitch_ + pitch_ / 2);
    };
    for (const Action& action : s.actions) {
        if (const auto* k = std::get_if<Key>(&action)) {
            for (int i = 0; i < k->times; ++i)
                QTest::keyClick(box, Qt::Key(k->key), k->modifiers);
        } else if (const auto* t = std::get_if<Type>(&action)) {
            for (QChar c : t->text) {
                if (c.unicode() < 0x80) {
                    QTest::keyClick(box, char(c.unicode()));
                } else { // as an input method without composing sends it
                    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
                    QApplication::sendEvent(box, &press);
                    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
                    QApplication::sendEvent(box, &release);
                }
            }
        } else if (const auto* c = std::get_if<Click>(&action)) {
            if (c->twice) {
                QTest::mouseDClick(viewport, c->button, c->modifiers, rowPoint(c->row, c->x));
            } else {
                QTest::mouseClick(viewport, c->button, c->modifiers, rowPoint(c->row, c->x));
            }
        } else if (const auto* d = std::get_if<Drag>(&action)) {
            const QPoint from = rowPoint(d->fromRow, d->fromX);
            const QPoint to = rowPoint(d->toRow, d->toX);
            QTest::mousePress(viewport, Qt::LeftButton, {}, from);
            QMouseEvent move(QEvent::MouseMove, QPointF(to), viewport->mapToGlobal(QPointF(to)),
                             Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(viewport, &move);
            QTest::mouseRelease(viewport, Qt::LeftButton, {}, to);
        } else if (const auto* w = std::get_if<Wheel>(&action)) {
            for (int i = 0; i < w->times; ++i) {
                const QPointF at(50, 50);
                QWheelEvent wheel(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, w->delta),
                                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
                QApplication::sendEvent(viewport, &wheel);
            }
        } else if (const auto* m = std::get_if<Compose>(&action)) {
            QList<QInputMethodEvent::Attribute> attributes;
            if (!m->preedit.isEmpty())
                attributes << QInputMethodEvent::Attribute(QInputMethodEvent::Cursor,
                                                           int(m->preedit.size()), 1);
            QInputMethodEvent event(m->preedit, attributes);
            event.setCommitString(m->commit, m->replaceFrom, m->replaceLength);
            QApplication::sendEvent(box, &event);
        } else if (const auto* n = std::get_if<NewText>(&action)) {
            setText(box, n->text);
        }
        QApplication::processEvents();
    }
}

void OutputBoxVsPlainText::sameOutcome_data() {
    QTest::addColumn<int>("index");
    const std::vector<Sequence>& all = sequences();
    QVERIFY(all.size() >= 40);
    for (size_t i = 0; i < all.size(); ++i)
        QTest::newRow(all[i].name) << int(i);
}

namespace {

// The two boxes side by side, the same size and font, holding the same report.
struct SideBySide {
    QWidget window;
    OutputBox* box = new OutputBox;
    QPlainTextEdit* plain = new QPlainTextEdit;

    SideBySide() {
        auto* layout = new QHBoxLayout(&window);
        for (QAbstractScrollArea* w :
             {static_cast<QAbstractScrollArea*>(box), static_cast<QAbstractScrollArea*>(plain)}) {
            w->setFont(reportFont());
            w->setFixedSize(320, 240);
            w->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            w->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            layout->addWidget(w);
        }
        plain->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        box->setText(report());
        plain->setPlainText(report().replace(u"\r\n"_s, u"\n"_s));
        window.show();
    }
};

} // namespace

void OutputBoxVsPlainText::sameInputMethodAnswers_data() {
    QTest::addColumn<int>("anchor");
    QTest::addColumn<int>("cursor");
    QTest::newRow("at the start") << 0 << 0;
    QTest::newRow("inside a line") << 30 << 30;
    QTest::newRow("in a Chinese line") << 60 << 60;
    QTest::newRow("a selection in a line") << 27 << 33;
    QTest::newRow("a selection across lines") << 20 << 60;
    QTest::newRow("backwards") << 60 << 50;
    QTest::newRow("at the end") << 1400 << 1400;
}

void OutputBoxVsPlainText::sameInputMethodAnswers() {
    QFETCH(int, anchor);
    QFETCH(int, cursor);
    SideBySide both;
    QVERIFY(QTest::qWaitForWindowExposed(&both.window));
    const ReportDocument& d = both.box->document();
    const int end = int(d.characterCount());
    both.box->setSelection(d.positionAt(anchor), d.positionAt(cursor));
    QTextCursor c = both.plain->textCursor();
    c.setPosition(std::min(anchor, end));
    c.setPosition(std::min(cursor, end), QTextCursor::KeepAnchor);
    both.plain->setTextCursor(c);
    for (const Qt::InputMethodQuery query :
         {Qt::ImEnabled, Qt::ImSurroundingText, Qt::ImCursorPosition, Qt::ImAnchorPosition,
          Qt::ImCurrentSelection, Qt::ImAbsolutePosition, Qt::ImTextBeforeCursor,
          Qt::ImTextAfterCursor, Qt::ImFont, Qt::ImMaximumTextLength, Qt::ImReadOnly}) {
        QInputMethodQueryEvent mine(query);
        QInputMethodQueryEvent theirs(query);
        QApplication::sendEvent(both.box, &mine);
        QApplication::sendEvent(both.plain, &theirs);
        QVERIFY2(
            mine.value(query) == theirs.value(query),
            qPrintable(u"query %1: %2 against %3"_s.arg(int(query))
                           .arg(mine.value(query).toString(), theirs.value(query).toString())));
    }
}

void OutputBoxVsPlainText::sameOutcome() {
    QFETCH(int, index);
    const Sequence& s = sequences()[size_t(index)];

    // The box takes Ctrl+Y for redo everywhere; the platform's plain text box may know only
    // Ctrl+Shift+Z (as on X11).
    const bool ctrlY = std::any_of(s.actions.begin(), s.actions.end(), [](const Action& a) {
        const auto* k = std::get_if<Key>(&a);
        return k && k->key == Qt::Key_Y && k->modifiers == Ctrl;
    });
    if (ctrlY &&
        !QKeySequence::keyBindings(QKeySequence::Redo).contains(QKeySequence(Qt::CTRL | Qt::Key_Y)))
        QSKIP("Ctrl+Y is no redo in this platform's plain text box");

    SideBySide both;
    OutputBox* box = both.box;
    QPlainTextEdit* plain = both.plain;
    QVERIFY(QTest::qWaitForWindowExposed(&both.window));
    pitch_ = box->linePitch();
    const QTextLayout* first = plain->document()->firstBlock().layout();
    QVERIFY(first && first->lineCount() > 0);
    QCOMPARE(qRound(first->lineAt(0).height()), pitch_);

    const auto outcome = [&](auto* w, QWidget* viewport, auto position) {
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->setText(u"clipboard before"_s);
        if (clipboard->supportsSelection())
            clipboard->setText(u"selection before"_s, QClipboard::Selection);
        w->setFocus();
        QApplication::processEvents();
        run(w, viewport, s);
        const auto [cursor, anchor] = position();
        return State{
            w->toPlainText(),  cursor, anchor, w->verticalScrollBar()->value(), clipboard->text(),
            primarySelection()};
    };
    const State mine = outcome(box, box->viewport(), [&] {
        const ReportDocument& d = box->document();
        return std::pair{int(d.offsetOf(box->cursorPosition())),
                         int(d.offsetOf(box->anchorPosition()))};
    });
    const State theirs = outcome(plain, plain->viewport(), [&] {
        return std::pair{plain->textCursor().position(), plain->textCursor().anchor()};
    });
    QCOMPARE(mine.text, theirs.text);
    QCOMPARE(mine.cursor, theirs.cursor);
    QCOMPARE(mine.anchor, theirs.anchor);
    QCOMPARE(mine.scroll, theirs.scroll);
    QCOMPARE(mine.clipboard, theirs.clipboard);
    QCOMPARE(mine.primary, theirs.primary);
}

void OutputBoxVsPlainText::hugePrimarySelectionIsGivenUpOnChange() {
    // Where the platform's box copies any selection, the output box copies one of up to 16 Mi
    // characters when its text changes, and gives a longer one up rather than hold a second
    // copy of a huge report.
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard->supportsSelection())
        QSKIP("no primary selection on this platform");
    const QString line = u"华夏大盘精选 "_s.repeated(12);
    QString huge;
    while (huge.size() <= (qsizetype(17) << 20))
        huge += line + u"\r\n"_s;
    OutputBox box;
    for (const auto& [text, kept] : {std::pair{huge, false}, std::pair{report(), true}}) {
        box.setText(text);
        box.selectAll();
        QVERIFY(clipboard->ownsSelection());
        const QString selected = box.selectedText();
        box.setText(u"the next report"_s);
        QCOMPARE(clipboard->ownsSelection(), kept);
        if (kept)
            QCOMPARE(clipboard->text(QClipboard::Selection), selected);
    }
}

QTEST_MAIN(OutputBoxVsPlainText)
#include "tst_output_box_vs_plain_text.moc"
