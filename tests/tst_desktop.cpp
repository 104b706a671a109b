// The main window on a real X server under a window manager (run by tests/desktop/on_x_server):
// keys and clicks come from the X server as a user's do (xdotool), colours are read back from
// the screen, and the frame is the one the window manager puts around the window.

#include "common/translation.h"
#include "support.h"
#include "window/cid.h"
#include "window/graphical_button.h"
#include "window/output_box.h"
#include "window/startup.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

using namespace gegu;
using namespace gegu::test;
using namespace Qt::StringLiterals;

class DesktopTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void windowIsCentredWithItsFrame();
    void enterQueriesAfterTabAndClick();
    void textColoursOnScreen_data();
    void textColoursOnScreen();
    void errorBoxShowsInChinese();
    void middleButtonPastesTheSelection();

private:
    // Real input from the X server, as a user's.
    static void xdotool(const QStringList& args) {
        QCOMPARE(QProcess::execute(u"xdotool"_s, args), 0);
    }
    void clickAt(QWidget* w, QPoint point = {-1, -1}, int button = 1) {
        const QPoint at = w->mapTo(form_.get(), point.x() < 0 ? w->rect().center() : point);
        xdotool({u"mousemove"_s, u"--window"_s, QString::number(form_->winId()),
                 QString::number(at.x()), QString::number(at.y()), u"click"_s,
                 QString::number(button)});
    }
    static void key(const QString& name) { xdotool({u"key"_s, name}); }
    // The most common colour of a piece of the screen other than its background.
    static QColor inkOnScreen(QWidget* w);

    template <typename T> T* control(const char* name) {
        return form_->findChild<T*>(QString::fromLatin1(name));
    }

    QTemporaryDir dir_;
    std::unique_ptr<cid> form_;
};

void DesktopTest::initTestCase() {
    useLanguage(Language::Chinese); // as Gegu does: the window speaks Chinese
    if (QGuiApplication::platformName() != u"xcb"_s)
        QSKIP("needs an X server: run through tests/desktop/on_x_server");
    QVERIFY(dir_.isValid());
    QFile f(dir_.filePath(u"gegusj.rar"_s));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(gbkFile({u"0"_s, u"600036 招商银行"_s, u"1"_s, u"head"_s, u"  华夏大盘基金 │ 1"_s}));
    f.close();
    QVERIFY(QDir::setCurrent(dir_.path()));
}

void DesktopTest::init() {
    form_ = std::make_unique<cid>();
    form_->Form_Load();
    form_->show();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    // Framed by the window manager, and centred again with the frame.
    QTRY_VERIFY(form_->frameGeometry() != form_->geometry());
    QTest::qWait(100);
}

void DesktopTest::cleanup() {
    form_.reset();
}

void DesktopTest::windowIsCentredWithItsFrame() {
    const QRect frame = form_->frameGeometry();
    const QPoint centre = form_->screen()->availableGeometry().center();
    QVERIFY2(std::abs(frame.center().x() - centre.x()) <= 1 &&
                 std::abs(frame.center().y() - centre.y()) <= 1,
             qPrintable(u"frame %1,%2 %3x%4"_s.arg(frame.x())
                            .arg(frame.y())
                            .arg(frame.width())
                            .arg(frame.height())));
    QCOMPARE(form_->size(), QSize(677, 523));
}

void DesktopTest::enterQueriesAfterTabAndClick() {
    auto* text1 = control<QLineEdit>("Text1");
    auto* command1 = control<GraphicalButton>("Command1");
    QSignalSpy clicks(command1, &QPushButton::clicked);
    QTRY_COMPARE(QApplication::focusWidget(), text1);

    // Tab once (to Command1), click into the query box, Enter: one Enter queries.
    key(u"Tab"_s);
    QTRY_COMPARE(QApplication::focusWidget(), command1);
    clickAt(text1);
    QTRY_COMPARE(QApplication::focusWidget(), text1);
    key(u"Return"_s);
    QTRY_COMPARE(clicks.size(), 1);
    QVERIFY(control<OutputBox>("Text2")->toPlainText().startsWith(u"股东华夏大盘持有："_s));

    // A whole Tab cycle changes nothing: no other button takes the role or its outline.
    key(u"a"_s); // gives the role back
    for (int i = 0; i < 5; ++i) {
        key(u"Tab"_s);
        QTest::qWait(50);
        for (auto* b : form_->findChildren<GraphicalButton*>())
            QVERIFY(b->showsDefault() == (b == command1) && !b->isDefault());
    }
    QTRY_COMPARE(QApplication::focusWidget(), text1);
    key(u"Return"_s);
    QTRY_COMPARE(clicks.size(), 2);
}

void DesktopTest::textColoursOnScreen_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QColor>("ink");
    QTest::newRow("Label1") << u"Label1"_s << QColor(192, 0, 0);
    QTest::newRow("Text2") << u"Text2"_s << QColor(255, 0, 0);
}

QColor DesktopTest::inkOnScreen(QWidget* w) {
    const QPoint at = w->mapToGlobal(QPoint(0, 0));
    const QImage image =
        w->screen()->grabWindow(0, at.x(), at.y(), w->width(), w->height()).toImage();
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y) | 0xFF000000];
    }
    // The background is the most common colour; the ink the next.
    QList<std::pair<int, QRgb>> ranked;
    for (auto it = counts.begin(); it != counts.end(); ++it)
        ranked.append({it.value(), it.key()});
    std::sort(ranked.begin(), ranked.end(), std::greater<>());
    return ranked.size() > 1 ? QColor(ranked[1].second) : QColor();
}

void DesktopTest::textColoursOnScreen() {
    QFETCH(QString, name);
    QFETCH(QColor, ink);
    clickAt(control<QLabel>("Picture1")); // reveals the help text
    QTRY_VERIFY(!control<QLabel>("Picture1")->isVisible());
    QTest::qWait(100);
    QWidget* w = control<QWidget>(name.toLatin1().constData());
    if (auto* box = qobject_cast<OutputBox*>(w))
        w = box->viewport();
    QCOMPARE(inkOnScreen(w), ink);
}

void DesktopTest::errorBoxShowsInChinese() {
    form_.reset();
    QString shown;
    QTimer::singleShot(200, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        shown = box->text();
        QTRY_VERIFY(box->windowHandle() && box->windowHandle()->isExposed());
        key(u"Return"_s); // closed as a user closes it
    });
    reportRuntimeError(RuntimeError(ErrorNumber::FileNotFound, u"gegusj.rar"_s));
    QCOMPARE(shown, u"实时错误 '53':\n\n文件未找到\n\n文件：gegusj.rar"_s);
}

void DesktopTest::middleButtonPastesTheSelection() {
    // What is selected in the output box is X11's primary selection; the middle button pastes
    // it where it clicks.
    clickAt(control<QLabel>("Picture1")); // reveals the help text
    QTRY_VERIFY(!control<QLabel>("Picture1")->isVisible());
    auto* text2 = control<OutputBox>("Text2");
    QWidget* viewport = text2->viewport();
    const int pitch = text2->linePitch();
    const int lastLine = int(text2->lineCount()) - 1;
    clickAt(viewport, QPoint(2, 4 + pitch / 2)); // line 0, its start
    QTRY_COMPARE(QApplication::focusWidget(), text2);
    key(u"shift+End"_s);
    QTRY_VERIFY(text2->hasSelection());
    const QString selected = text2->selectedText();
    QTRY_COMPARE(QGuiApplication::clipboard()->text(QClipboard::Selection), selected);
    const QString before = text2->line(lastLine);
    key(u"ctrl+End"_s);
    QTRY_COMPARE(text2->cursorPosition().line, lastLine);
    const QRect end = text2->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    clickAt(text2, QPoint(end.right() + 40, end.center().y()), 2);
    QTRY_COMPARE(text2->line(lastLine), before + selected);
}

QTEST_MAIN(DesktopTest)
#include "tst_desktop.moc"
