// The output box on a long report: what a user does with it must all still work however it
// is made fast.

#include "common/translation.h"
#include "window/output_box.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

using namespace gegu;
using namespace Qt::StringLiterals;

namespace {

constexpr int lineCount = 100000;

// Line i of the long report: short lines, some far wider than the box, some with a lone CR or
// LF inside.
QString reportLine(int i) {
    if (i % 1000 == 7)
        return u"宽"_s.repeated(300) + QString::number(i);
    if (i % 1000 == 8)
        return u"lone\rCR and lone\nLF %1"_s.arg(i);
    return u"  华夏大盘精选 │ %1"_s.arg(i);
}

} // namespace

class OutputBoxTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void breaksLinesOnlyAtCrLf();
    void showsFromTheFirstLineWithTheBarAlwaysThere();
    void wrapsLongLinesAtItsWidth();
    void selectsWithKeysAndCopiesWithLineBreaks();
    void selectsAllAndCopies();
    void selectsWithTheMouse();
    void scrollsByWheelKeysAndBar();
    void takesTyping();
    void movesAcrossLinesAndScrollsWithCtrl();
    void cutsAndPastesWithKeys();
    void editsFromItsContextMenu();
    void selectsAWordByDoubleClick();
    void paintsTheSelectionAcrossLines();
    void tellsTheInputMethodWhereTheCursorIs();
    void showsWhatIsComposedAtTheCursor();
    void barScrollsThroughAWrappedLine();
    void scrollsWhileDraggingBeyondTheView();
    void showsAHugeLineAtOnce();
    void leavesDroppedFilesToTheWindow();
    void takesDroppedText();
    void tellsItsMenuWhichLineItIsFor();
    void undoesFromItsMenu();
    void refusesAnEditPastItsLimit();
    void readsToScreenReadersByRanges();
    void pageDownOnTheLastPageGoesToTheLastRow();

private:
    void clickAt(QPoint p, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(box_->viewport(), Qt::LeftButton, modifiers, p);
    }

    QString text_;
    std::unique_ptr<OutputBox> box_;
};

void OutputBoxTest::initTestCase() {
    useLanguage(Language::Chinese); // as Gegu does: the window speaks Chinese
    QStringList lines;
    for (int i = 0; i < lineCount; ++i)
        lines << reportLine(i);
    text_ = lines.join(u"\r\n"_s) + u"\r\n"_s;
}

void OutputBoxTest::init() {
    box_ = std::make_unique<OutputBox>();
    box_->resize(641, 409);
    box_->setText(text_);
    box_->show();
    box_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(box_.get()));
    box_->setFocus();
}

void OutputBoxTest::breaksLinesOnlyAtCrLf() {
    QCOMPARE(box_->lineCount(), lineCount + 1); // and the empty line after the last CR LF
    for (int i = 0; i < lineCount; i += 97)
        QCOMPARE(box_->line(i), reportLine(i));
    QCOMPARE(box_->line(8), reportLine(8)); // a lone CR and a lone LF inside, one line
    QCOMPARE(box_->line(lineCount), QString());
    QCOMPARE(box_->length(), text_.size());
}

void OutputBoxTest::showsFromTheFirstLineWithTheBarAlwaysThere() {
    QCOMPARE(box_->topLine(), 0);
    QCOMPARE(box_->verticalScrollBar()->value(), 0);
    QVERIFY(box_->verticalScrollBar()->isVisible());
    QVERIFY(box_->verticalScrollBar()->maximum() > lineCount / 2);
    // Also while all of a short text fits.
    box_->setText(u"one\r\ntwo"_s);
    QVERIFY(box_->verticalScrollBar()->isVisible());
    QCOMPARE(box_->verticalScrollBar()->maximum(), 0);
    QVERIFY(!box_->horizontalScrollBar()->isVisible());
}

void OutputBoxTest::wrapsLongLinesAtItsWidth() {
    // Line 7 is 300 ideographs: far wider than the box, it takes many rows. Down from its
    // start stays within it; the first row holds as many characters as fit the width.
    box_->setTopLine(7);
    QCOMPARE(box_->topLine(), 7);
    clickAt(QPoint(1, 8)); // the start of line 7
    QTest::keyClick(box_.get(), Qt::Key_Down, Qt::ShiftModifier);
    const QString firstRow = box_->selectedText();
    QVERIFY2(!firstRow.contains(u'\n'), qPrintable(firstRow));
    const int ideograph = box_->fontMetrics().horizontalAdvance(u"宽"_s);
    const int perRow = (box_->viewport()->width() - 8) / ideograph;
    QVERIFY2(std::abs(firstRow.size() - perRow) <= 1,
             qPrintable(u"%1 characters a row, %2 fit"_s.arg(firstRow.size()).arg(perRow)));
}

void OutputBoxTest::selectsWithKeysAndCopiesWithLineBreaks() {
    clickAt(QPoint(1, 8)); // line 0, its start
    QTest::keyClick(box_.get(), Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(box_.get(), Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(box_.get(), Qt::Key_End, Qt::ShiftModifier);
    QCOMPARE(box_->selectedText(), reportLine(0) + u'\n' + reportLine(1) + u'\n' + reportLine(2));
    QTest::keyClick(box_.get(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), box_->selectedText());
    // Lone CRs and LFs start no line and are not copied.
    box_->setTopLine(8);
    clickAt(QPoint(1, 8));
    QTest::keyClick(box_.get(), Qt::Key_End, Qt::ShiftModifier);
    QCOMPARE(box_->selectedText(), u"loneCR and loneLF 8"_s);
}

void OutputBoxTest::selectsAllAndCopies() {
    QTest::keyClick(box_.get(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box_.get(), Qt::Key_C, Qt::ControlModifier);
    QString expected = text_;
    expected.replace(u"\r\n"_s, u"\n"_s).remove(u'\r');
    expected.replace(u"lone\nLF"_s, u"loneLF"_s);
    QCOMPARE(QGuiApplication::clipboard()->text().size(), expected.size());
    QCOMPARE(QGuiApplication::clipboard()->text(), expected);
}

void OutputBoxTest::selectsWithTheMouse() {
    // Press on line 0, drag to line 3, release: lines 0 to 3, in part.
    const int pitch = box_->linePitch();
    QTest::mousePress(box_->viewport(), Qt::LeftButton, {}, QPoint(40, 4 + pitch / 2));
    QMouseEvent move(QEvent::MouseMove, QPointF(60, 4 + 3 * pitch + pitch / 2),
                     box_->viewport()->mapToGlobal(QPointF(60, 4 + 3 * pitch + pitch / 2)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(box_->viewport(), &move);
    QTest::mouseRelease(box_->viewport(), Qt::LeftButton, {},
                        QPoint(60, 4 + 3 * pitch + pitch / 2));
    const QStringList lines = box_->selectedText().split(u'\n');
    QCOMPARE(lines.size(), 4);
    QVERIFY(reportLine(0).endsWith(lines.front()));
    QVERIFY(reportLine(3).startsWith(lines.back()));
}

void OutputBoxTest::scrollsByWheelKeysAndBar() {
    // The bar counts rows, a line not laid out yet counting one (as the platform's plain text
    // box counts them): half way down it shows about the middle line.
    QScrollBar* bar = box_->verticalScrollBar();
    bar->setValue(50000);
    const qsizetype top = box_->topLine();
    QVERIFY2(top <= 50000 && top > 49900, qPrintable(QString::number(top)));
    // The wheel: three rows a notch, through the bar.
    QWheelEvent wheel(QPointF(100, 100), box_->viewport()->mapToGlobal(QPointF(100, 100)), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(box_->viewport(), &wheel);
    QCOMPARE(bar->value(), 50000 + QApplication::wheelScrollLines());
    QCOMPARE(box_->topLine(), top + QApplication::wheelScrollLines());
    // Keys: Ctrl+End to the end, Ctrl+Home back, Page Down a page further.
    QTest::keyClick(box_.get(), Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(box_->verticalScrollBar()->value(), box_->verticalScrollBar()->maximum());
    QTest::keyClick(box_.get(), Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(box_->topLine(), 0);
    QTest::keyClick(box_.get(), Qt::Key_PageDown);
    QVERIFY(box_->topLine() > 10);
}

void OutputBoxTest::takesTyping() {
    box_->setTopLine(1000);
    clickAt(QPoint(1, 8)); // the start of line 1000
    QKeyEvent typed(QEvent::KeyPress, 0, Qt::NoModifier, u"新"_s);
    QApplication::sendEvent(box_.get(), &typed);
    QCOMPARE(box_->line(1000), u"新"_s + reportLine(1000));
    QTest::keyClick(box_.get(), Qt::Key_Return);
    QCOMPARE(box_->lineCount(), lineCount + 2);
    QCOMPARE(box_->line(1000), u"新"_s);
    QCOMPARE(box_->line(1001), reportLine(1000));
    QTest::keyClick(box_.get(), Qt::Key_Backspace);
    QCOMPARE(box_->lineCount(), lineCount + 1);
    QCOMPARE(box_->line(1000), u"新"_s + reportLine(1000));
    QTest::keyClick(box_.get(), Qt::Key_Backspace);
    QCOMPARE(box_->line(1000), reportLine(1000));
    QCOMPARE(box_->line(lineCount - 1), reportLine(lineCount - 1));
    // Text composed by an input method, as Chinese is typed.
    QInputMethodEvent composed;
    composed.setCommitString(u"华夏"_s);
    QApplication::sendEvent(box_.get(), &composed);
    QCOMPARE(box_->line(1000), u"华夏"_s + reportLine(1000));
}

void OutputBoxTest::movesAcrossLinesAndScrollsWithCtrl() {
    clickAt(QPoint(1, 8)); // the start of line 0
    QTest::keyClick(box_.get(), Qt::Key_End);
    // Right at a line's end goes to the next line's start: the line break is selected.
    QTest::keyClick(box_.get(), Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(box_->selectedText(), u"\n"_s);
    // Left at a line's start goes back to the end of the line before.
    QTest::keyClick(box_.get(), Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(box_.get(), Qt::Key_Left, Qt::ShiftModifier);
    QCOMPARE(box_->selectedText(), reportLine(0).right(1));
    // Ctrl+Up and Ctrl+Down scroll a row and leave the selection; nothing above the top.
    QTest::keyClick(box_.get(), Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(box_->topLine(), 1);
    QTest::keyClick(box_.get(), Qt::Key_Up, Qt::ControlModifier);
    QTest::keyClick(box_.get(), Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(box_->topLine(), 0);
    QCOMPARE(box_->selectedText(), reportLine(0).right(1));
    // Nothing below the end either.
    QTest::keyClick(box_.get(), Qt::Key_End, Qt::ControlModifier);
    const int last = box_->verticalScrollBar()->value();
    QTest::keyClick(box_.get(), Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(box_->verticalScrollBar()->value(), last);
}

void OutputBoxTest::cutsAndPastesWithKeys() {
    clickAt(QPoint(1, 8)); // the start of line 0
    QTest::keyClick(box_.get(), Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(box_.get(), Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), reportLine(0) + u'\n');
    QCOMPARE(box_->line(0), reportLine(1));
    QCOMPARE(box_->lineCount(), lineCount);
    // Pasted back, the line break makes a line again: the text is as it was.
    QTest::keyClick(box_.get(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(box_->line(0), reportLine(0));
    QCOMPARE(box_->line(1), reportLine(1));
    QCOMPARE(box_->lineCount(), lineCount + 1);
    // Pasted text replaces a selection; CR LF, CR and LF each break a line.
    QGuiApplication::clipboard()->setText(u"甲\r\n乙\r丙\n丁"_s);
    QTest::keyClick(box_.get(), Qt::Key_End, Qt::ShiftModifier);
    QTest::keyClick(box_.get(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(box_->line(1), u"甲"_s);
    QCOMPARE(box_->line(4), u"丁"_s);
    QCOMPARE(box_->line(5), reportLine(2));
}

void OutputBoxTest::editsFromItsContextMenu() {
    // The menu's entries, enabled as there is a selection; 全选 then 剪切 empties the box.
    const auto openMenuAndPick = [&](const QString& entry, QStringList* enabled) {
        QTimer::singleShot(0, this, [=] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            for (QAction* a : menu->actions()) {
                if (!a->isSeparator() && a->isEnabled())
                    *enabled << a->text();
            }
            for (QAction* a : menu->actions()) {
                if (a->text() == entry)
                    a->trigger();
            }
            menu->close();
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(20, 20),
                                box_->viewport()->mapToGlobal(QPoint(20, 20)));
        QApplication::sendEvent(box_->viewport(), &event);
    };
    QStringList enabled;
    openMenuAndPick(u"全选"_s, &enabled);
    QCOMPARE(enabled, (QStringList{u"粘贴"_s, u"全选"_s}));
    QCOMPARE(box_->selectedText().size(), box_->toPlainText().size());
    enabled.clear();
    openMenuAndPick(u"复制"_s, &enabled);
    QCOMPARE(enabled, (QStringList{u"剪切"_s, u"复制"_s, u"粘贴"_s, u"全选"_s}));
    QCOMPARE(QGuiApplication::clipboard()->text().size(), box_->selectedText().size());
    enabled.clear();
    openMenuAndPick(u"剪切"_s, &enabled);
    QCOMPARE(box_->lineCount(), 1);
    QCOMPARE(box_->line(0), QString());
    QGuiApplication::clipboard()->setText(u"粘贴的"_s);
    openMenuAndPick(u"粘贴"_s, &enabled);
    QCOMPARE(box_->line(0), u"粘贴的"_s);
}

void OutputBoxTest::selectsAWordByDoubleClick() {
    // A word ends at blanks and at frame lines: on line 0, "  华夏大盘精选 │ 0".
    const int x = 4 + box_->fontMetrics().horizontalAdvance(u"  华夏"_s);
    QTest::mouseDClick(box_->viewport(), Qt::LeftButton, {}, QPoint(x, 8));
    QCOMPARE(box_->selectedText(), u"华夏大盘精选"_s);
    QTest::mouseDClick(box_->viewport(), Qt::RightButton, {}, QPoint(1, 8)); // not a word
    QCOMPARE(box_->selectedText(), u"华夏大盘精选"_s);
}

void OutputBoxTest::paintsTheSelectionAcrossLines() {
    // Lines 0 and 1 selected from the middle of line 0: line 0 is highlighted out to the box's
    // right edge (its line break is selected), line 1 only up to where the selection ends.
    const int pitch = box_->linePitch();
    QTest::mouseClick(box_->viewport(), Qt::LeftButton, {}, QPoint(60, 4 + pitch / 2));
    QTest::keyClick(box_.get(), Qt::Key_Down, Qt::ShiftModifier);
    const QImage image = box_->viewport()->grab().toImage();
    const QColor highlight = box_->palette().color(QPalette::Highlight);
    const auto highlighted = [&](int x, int row) {
        return image.pixelColor(x, 4 + row * pitch + pitch / 2) == highlight;
    };
    const int right = image.width() - 6;
    QVERIFY(!highlighted(6, 0));
    QVERIFY(highlighted(right, 0));
    QVERIFY(highlighted(6, 1));
    QVERIFY(!highlighted(right, 1));
}

void OutputBoxTest::tellsTheInputMethodWhereTheCursorIs() {
    // The candidate window of an input method opens at the cursor: the rectangle of the row
    // it is on, in the box's own coordinates. Scrolled, the rows start at the view's top.
    const int pitch = box_->linePitch();
    box_->setTopLine(100);
    clickAt(QPoint(1, 2 * pitch + pitch / 2)); // line 102, its start
    QInputMethodQueryEvent query(Qt::ImCursorRectangle | Qt::ImFont);
    QApplication::sendEvent(box_.get(), &query);
    const QPoint rowTop = box_->viewport()->mapTo(box_.get(), QPoint(4, 2 * pitch));
    QCOMPARE(query.value(Qt::ImCursorRectangle).toRect(), QRect(rowTop, QSize(1, pitch)));
    QCOMPARE(query.value(Qt::ImFont).value<QFont>(), box_->font());
}

void OutputBoxTest::showsWhatIsComposedAtTheCursor() {
    // The text being composed shows at the cursor, underlined, and is not yet in the text; the
    // input method's candidate window follows its cursor.
    clickAt(QPoint(1, 8)); // line 0, its start
    const QImage before = box_->viewport()->grab().toImage();
    const QRect cursorBefore = box_->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    QTextCharFormat underlined;
    underlined.setFontUnderline(true);
    const QList<QInputMethodEvent::Attribute> attributes{
        {QInputMethodEvent::TextFormat, 0, 3, underlined}, {QInputMethodEvent::Cursor, 3, 1}};
    QInputMethodEvent composing(u"hua"_s, attributes);
    QApplication::sendEvent(box_.get(), &composing);
    QCOMPARE(box_->line(0), reportLine(0));
    QVERIFY(box_->viewport()->grab().toImage() != before);
    const QRect cursorAfter = box_->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    QCOMPARE(cursorAfter.top(), cursorBefore.top());
    QVERIFY(cursorAfter.left() > cursorBefore.left());
    // The commit takes its place.
    QInputMethodEvent committed;
    committed.setCommitString(u"华"_s);
    QApplication::sendEvent(box_.get(), &committed);
    QCOMPARE(box_->line(0), u"华"_s + reportLine(0));
    QCOMPARE(box_->inputMethodQuery(Qt::ImSurroundingText).toString(), box_->line(0));
    QCOMPARE(box_->inputMethodQuery(Qt::ImCursorPosition).toInt(), 1);
}

void OutputBoxTest::barScrollsThroughAWrappedLine() {
    // Line 7 wraps into many rows: the bar steps through them one by one.
    box_->setTopLine(7);
    QScrollBar* bar = box_->verticalScrollBar();
    const int start = bar->value();
    bar->setValue(start + 2);
    QCOMPARE(box_->topLine(), 7);
    QCOMPARE(box_->topRow(), 2);
    QTest::keyClick(box_.get(), Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(box_->topRow(), 3);
    QCOMPARE(bar->value(), start + 3);
}

void OutputBoxTest::scrollsWhileDraggingBeyondTheView() {
    QWidget* viewport = box_->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, QPoint(20, 8));
    const QPoint below(20, viewport->height() + 20);
    QMouseEvent move(QEvent::MouseMove, QPointF(below), viewport->mapToGlobal(QPointF(below)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    const qsizetype top = box_->topLine();
    QTRY_VERIFY(box_->topLine() > top + 2);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, below);
    const qsizetype stopped = box_->topLine();
    QTest::qWait(150);
    QCOMPARE(box_->topLine(), stopped);
    QVERIFY(box_->selectedText().count(u'\n') > 10);
}

void OutputBoxTest::showsAHugeLineAtOnce() {
    // A row of megabytes, as a broken or crafted file gives: only the stretch of it in view
    // is laid out; keys, typing and copying work in it.
    const QString huge = u"华夏 "_s.repeated(1700000);
    box_->setText(u"before\r\n"_s + huge + u"\r\nafter"_s);
    QCOMPARE(box_->lineCount(), 3);
    const QImage shown = box_->viewport()->grab().toImage();
    QVERIFY(!shown.isNull());
    clickAt(QPoint(1, 8 + box_->linePitch())); // line 1, its start
    QTest::keyClick(box_.get(), Qt::Key_PageDown);
    QTest::keyClick(box_.get(), Qt::Key_PageDown);
    QCOMPARE(box_->cursorPosition().line, 1);
    QVERIFY(box_->cursorPosition().column > 100);
    QTest::keyClick(box_.get(), Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(box_->topLine(), 1); // the last rows of the huge line show above "after"
    QCOMPARE(box_->cursorPosition(), (TextPosition{2, 5}));
    QTest::keyClick(box_.get(), Qt::Key_Up);
    QCOMPARE(box_->cursorPosition().line, 1);
    QKeyEvent typed(QEvent::KeyPress, 0, Qt::NoModifier, u"!"_s);
    QApplication::sendEvent(box_.get(), &typed);
    QCOMPARE(box_->line(1).size(), huge.size() + 1);
    QTest::keyClick(box_.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(box_->line(1), huge);
    QTest::keyClick(box_.get(), Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(box_->topLine(), 0);
}

namespace {

// A window that takes dropped files, as the main window does.
class FileDropTarget : public QWidget {
public:
    FileDropTarget() { setAcceptDrops(true); }
    int entered = 0;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override {
        ++entered;
        event->acceptProposedAction();
    }
};

} // namespace

void OutputBoxTest::leavesDroppedFilesToTheWindow() {
    FileDropTarget window;
    auto* box = new OutputBox(&window);
    box->setGeometry(10, 10, 300, 200);
    box->setText(u"text"_s);
    window.resize(400, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(u"/tmp/report.txt"_s)});
    files.setText(u"/tmp/report.txt"_s);
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &files, Qt::LeftButton, {});
    QApplication::sendEvent(box->viewport(), &enter);
    QCOMPARE(window.entered, 1);
    QCOMPARE(box->line(0), u"text"_s);
}

void OutputBoxTest::takesDroppedText() {
    QMimeData text;
    text.setText(u"落下"_s);
    const QPoint at(1, 8); // line 0, its start
    QDragEnterEvent enter(at, Qt::CopyAction, &text, Qt::LeftButton, {});
    QApplication::sendEvent(box_->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &text, Qt::LeftButton, {});
    QApplication::sendEvent(box_->viewport(), &drop);
    QCOMPARE(box_->line(0), u"落下"_s + reportLine(0));
    QCOMPARE(box_->cursorPosition(), (TextPosition{0, 2}));
}

void OutputBoxTest::tellsItsMenuWhichLineItIsFor() {
    // The window adds entries for the line the menu is for: under the pointer, or the cursor's
    // line when the menu key opens it.
    QList<qsizetype> lines;
    QStringList entries;
    connect(box_.get(), &OutputBox::contextMenuAboutToShow, this, [&](QMenu* menu, qsizetype line) {
        lines << line;
        menu->addAction(u"该股历次报告"_s);
        QTimer::singleShot(0, menu, [menu, &entries] {
            for (QAction* a : menu->actions())
                entries << a->text();
            menu->close();
        });
    });
    box_->setTopLine(40);
    const int pitch = box_->linePitch();
    const QPoint third(30, 2 * pitch + pitch / 2);
    QContextMenuEvent mouse(QContextMenuEvent::Mouse, third, box_->viewport()->mapToGlobal(third));
    QApplication::sendEvent(box_->viewport(), &mouse);
    QCOMPARE(lines, (QList<qsizetype>{42}));
    QVERIFY(entries.contains(u"该股历次报告"_s));
    QCOMPARE(box_->sourceLine(42), 42);
    clickAt(QPoint(30, pitch / 2)); // line 40
    QTest::keyClick(box_.get(), Qt::Key_Menu);
    QTest::keyClick(box_.get(), Qt::Key_F10, Qt::ShiftModifier);
    QCOMPARE(lines, (QList<qsizetype>{42, 40, 40}));
    // An edited line is no longer the report's own.
    QKeyEvent typed(QEvent::KeyPress, 0, Qt::NoModifier, u"x"_s);
    QApplication::sendEvent(box_.get(), &typed);
    QCOMPARE(box_->sourceLine(40), -1);
    QCOMPARE(box_->sourceLine(41), 41);
}

void OutputBoxTest::undoesFromItsMenu() {
    const auto pick = [&](const QString& entry) {
        QStringList enabled;
        QTimer::singleShot(0, this, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            for (QAction* a : menu->actions()) {
                if (!a->isSeparator() && a->isEnabled())
                    enabled << a->text();
            }
            for (QAction* a : menu->actions()) {
                if (a->text() == entry)
                    a->trigger();
            }
            menu->close();
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(20, 20),
                                box_->viewport()->mapToGlobal(QPoint(20, 20)));
        QApplication::sendEvent(box_->viewport(), &event);
        return enabled;
    };
    QTest::keyClick(box_.get(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box_.get(), Qt::Key_Delete);
    QCOMPARE(box_->lineCount(), 1);
    QCOMPARE(pick(u"撤销"_s), (QStringList{u"撤销"_s, u"粘贴"_s, u"全选"_s}));
    QCOMPARE(box_->lineCount(), lineCount + 1);
    QCOMPARE(box_->line(500), reportLine(500));
    QCOMPARE(pick(u"重做"_s).first(), u"重做"_s);
    QCOMPARE(box_->lineCount(), 1);
    // A new text clears the history.
    box_->setText(text_);
    QCOMPARE(pick(QString()), (QStringList{u"粘贴"_s, u"全选"_s}));
}

void OutputBoxTest::refusesAnEditPastItsLimit() {
    QSignalSpy exceeded(box_.get(), &OutputBox::editLimitExceeded);
    box_->setEditLimit(1000);
    QGuiApplication::clipboard()->setText(u"粘"_s.repeated(2000));
    QTest::keyClick(box_.get(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(exceeded.size(), 1);
    QCOMPARE(box_->line(0), reportLine(0));
    QCOMPARE(box_->lineCount(), lineCount + 1);
}

void OutputBoxTest::readsToScreenReadersByRanges() {
    QAccessibleInterface* box = QAccessible::queryAccessibleInterface(box_.get());
    QVERIFY(box);
    QCOMPARE(box->role(), QAccessible::EditableText);
    QAccessibleTextInterface* text = box->textInterface();
    QVERIFY(text);
    QVERIFY(box->editableTextInterface());
    // Offsets count every line end as one; a lone CR or LF reads as a zero-width space.
    const QString plain = QString(text_).replace(u"\r\n"_s, u"\n"_s);
    QCOMPARE(text->characterCount(), plain.size());
    const int line8 = int(plain.indexOf(reportLine(8)));
    QCOMPARE(text->text(line8, line8 + 6), u"lone\u200BC"_s);
    int start = 0;
    int end = 0;
    QCOMPARE(text->textAtOffset(line8 + 3, QAccessible::LineBoundary, &start, &end),
             QString(reportLine(8)).replace(u'\r', QChar(0x200B)).replace(u'\n', QChar(0x200B)) +
                 u'\n');
    QCOMPARE(start, line8);
    QCOMPARE(text->textAtOffset(line8 + 1, QAccessible::WordBoundary, &start, &end), u"lone"_s);
    QCOMPARE(text->textAfterOffset(line8 - 1, QAccessible::LineBoundary, &start, &end).left(4),
             u"lone"_s);
    // The caret and the selection, both ways.
    text->setSelection(0, 2, 5);
    QCOMPARE(box_->selectedText(), reportLine(0).mid(2, 3));
    int a = 0;
    int b = 0;
    text->selection(0, &a, &b);
    QCOMPARE(std::pair(a, b), std::pair(2, 5));
    text->setCursorPosition(line8);
    QCOMPARE(box_->cursorPosition(), (TextPosition{8, 0}));
    QCOMPARE(text->cursorPosition(), line8);
    // Editing.
    box->editableTextInterface()->insertText(0, u"读"_s);
    QCOMPARE(box_->line(0), u"读"_s + reportLine(0));
    QCOMPARE(box->text(QAccessible::Value).size(), 65536);
}

void OutputBoxTest::pageDownOnTheLastPageGoesToTheLastRow() {
    box_->setText(u"one\r\ntwo\r\nthree"_s);
    QTest::keyClick(box_.get(), Qt::Key_PageDown);
    QCOMPARE(box_->cursorPosition(), (TextPosition{2, 0}));
    // On the first page, Page Up goes to the first row, keeping to the cursor's x.
    QTest::keyClick(box_.get(), Qt::Key_End);
    QTest::keyClick(box_.get(), Qt::Key_PageUp);
    QCOMPARE(box_->cursorPosition(), (TextPosition{0, 3}));
}

QTEST_MAIN(OutputBoxTest)
#include "tst_output_box.moc"
