// The output box on a long report: what a user does with it must all still work however it
// is made fast.

#include "window/output_box.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QMenu>
#include <QScrollBar>
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

private:
    void clickAt(QPoint p, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(box_->viewport(), Qt::LeftButton, modifiers, p);
    }

    QString text_;
    std::unique_ptr<OutputBox> box_;
};

void OutputBoxTest::initTestCase() {
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

QTEST_MAIN(OutputBoxTest)
#include "tst_output_box.moc"
