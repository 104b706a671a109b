#include "processes.h"
#include "support.h"
#include "window/cid.h"
#include "window/graphical_button.h"
#include "window/startup.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTextBlock>
#include <QTimer>
#include <QUrl>

using namespace gegu;
using namespace gegu::test;
using namespace Qt::StringLiterals;

// Receives the addresses that the update button opens.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

class WindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void windowSettings();
    void controlGeometry_data();
    void controlGeometry();
    void fontsAndColours();
    void panelLiesOverOutputBoxButForScrollBar();
    void startUpShowsPanelOverHelpText();
    void panelVisibilityAfterEachEvent();
    void helpTextCharacterForCharacter();
    void helpTextShowsItemsOneBlankLineApart();
    void outputBoxBreaksLinesOnlyAtCrLf();
    void longReportKeepsEveryLine();
    void defaultButtonCycleWithRealKeys();
    void keysElsewhereGiveTheRoleBack();
    void tabOrderAndInitialFocus();
    void updateButtonOpensAddressAndShowsPanel();
    void resizingMovesNothing();
    void startUpErrorsEndAtOnce_data();
    void startUpErrorsEndAtOnce();
    void reportTooLargeForMemoryIsError7();

private:
    template <typename T> T* control(const char* name) {
        T* w = form_->findChild<T*>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    bool panelShown() { return control<QLabel>("Picture1")->isVisible(); }

    QTemporaryDir dir_;
    QString previousDir_;
    std::unique_ptr<cid> form_;
};

void WindowTest::initTestCase() {
    QVERIFY(dir_.isValid());
    QFile f(dir_.filePath(u"gegusj.rar"_s));
    QVERIFY(f.open(QIODevice::WriteOnly));
    QStringList lines{u"2"_s,
                      u"600036 招商银行"_s,
                      u"1"_s,
                      u"head"_s,
                      u"  华夏大盘基金 │ 1"_s,
                      u"000002 万科"_s,
                      u"1"_s,
                      u"head"_s,
                      u"  张伟 │ 2"_s,
                      u"300001 创业"_s,
                      u"1100"_s,
                      u"head"_s};
    for (int i = 0; i < 1100; ++i)
        lines << u"  李娜 │ %1"_s.arg(i);
    f.write(gbkFile(lines));
    f.close();
    previousDir_ = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir_.path()));
}

void WindowTest::init() {
    form_ = std::make_unique<cid>();
    form_->Form_Load();
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
}

void WindowTest::cleanup() {
    form_.reset();
}

void WindowTest::windowSettings() {
    QCOMPARE(form_->windowTitle(), u"Varnel老师设计（qq:246813579电话0555-2468013）"_s);
    QCOMPARE(form_->size(), QSize(677, 523));
    const QImage icon = form_->windowIcon().pixmap(71, 71).toImage();
    QCOMPARE(icon.size(), QSize(71, 71));
    QVERIFY(!icon.hasAlphaChannel() || icon.pixelColor(0, 0).alpha() == 255);
    QCOMPARE(form_->palette().color(QPalette::Window), form_->palette().color(QPalette::Midlight));
}

void WindowTest::controlGeometry_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("Label1") << u"Label1"_s << QRect(320, 16, 225, 16);
    QTest::newRow("Text1") << u"Text1"_s << QRect(320, 40, 209, 33);
    QTest::newRow("Command1") << u"Command1"_s << QRect(560, 48, 89, 25);
    QTest::newRow("Command3") << u"Command3"_s << QRect(560, 16, 89, 25);
    QTest::newRow("Label2") << u"Label2"_s << QRect(16, 32, 109, 24);
    QTest::newRow("Command2") << u"Command2"_s << QRect(32, 64, 97, 25);
    QTest::newRow("Picture1") << u"Picture1"_s << QRect(16, 96, 625, 409);
    QTest::newRow("Text2") << u"Text2"_s << QRect(16, 96, 641, 409);
}

void WindowTest::controlGeometry() {
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QCOMPARE(control<QWidget>(name.toLatin1().constData())->geometry(), geometry);
    // The output box ends 20 pixels from the right and 18 from the bottom.
    QCOMPARE(form_->width() - control<QWidget>("Text2")->geometry().right() - 1, 20);
    QCOMPARE(form_->height() - control<QWidget>("Text2")->geometry().bottom() - 1, 18);
}

void WindowTest::fontsAndColours() {
    const struct {
        const char* name;
        int pixelSize;
    } fonts[] = {{"Label1", 16},   {"Text1", 20},  {"Command1", 16},
                 {"Command3", 16}, {"Label2", 24}, {"Text2", 16}};
    for (const auto& f : fonts) {
        const QFontInfo info(control<QWidget>(f.name)->font());
        QVERIFY2(info.pixelSize() == f.pixelSize, f.name);
        QVERIFY2(!info.italic() && info.weight() == QFont::Normal, f.name);
        QVERIFY2(info.family().contains(u"Ming"_s) || info.family().contains(u"Sung"_s) ||
                     info.family().contains(u"宋"_s) || info.family().contains(u"SimSun"_s),
                 qPrintable(info.family()));
    }
    QCOMPARE(control<GraphicalButton>("Command1")->faceColor(), QColor(255, 224, 192));
    QCOMPARE(control<GraphicalButton>("Command3")->faceColor(), QColor(192, 192, 255));
    QCOMPARE(control<GraphicalButton>("Command2")->faceColor(), QColor(255, 255, 128));
    const QPalette text2 = control<QWidget>("Text2")->palette();
    QCOMPARE(text2.color(QPalette::Base), QColor(255, 192, 255));
    QCOMPARE(text2.color(QPalette::Text), QColor(255, 0, 0));
    QCOMPARE(control<QWidget>("Label1")->palette().color(QPalette::WindowText), QColor(192, 0, 0));
    QCOMPARE(control<QWidget>("Label2")->palette().color(QPalette::WindowText), QColor(255, 0, 0));

    // The graphical buttons are painted in their own colour.
    auto* help = control<GraphicalButton>("Command3");
    const QImage face = help->grab().toImage();
    QCOMPARE(face.pixelColor(help->width() / 2, 4), QColor(192, 192, 255));
}

void WindowTest::panelLiesOverOutputBoxButForScrollBar() {
    auto* text2 = control<QPlainTextEdit>("Text2");
    auto* picture = control<QLabel>("Picture1");
    QCOMPARE(form_->childAt(300, 300), picture);
    QCOMPARE(form_->childAt(16 + 630, 300), text2->verticalScrollBar());
    QCOMPARE(text2->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QVERIFY(text2->verticalScrollBar()->isVisible());
    // The picture is shown unscaled from the top left and clipped: 640 x 410 in a 625 x 409 panel.
    QCOMPARE(picture->pixmap().size(), QSize(640, 410));
    QVERIFY(!picture->hasScaledContents());
    QCOMPARE(picture->alignment(), Qt::AlignLeft | Qt::AlignTop);
}

void WindowTest::startUpShowsPanelOverHelpText() {
    QVERIFY(panelShown());
    QCOMPARE(control<QLineEdit>("Text1")->text(), u"华夏大盘"_s);
    QTest::mouseClick(control<QLabel>("Picture1"), Qt::LeftButton);
    QVERIFY(!panelShown());
    QVERIFY(control<QPlainTextEdit>("Text2")->toPlainText().startsWith(u"    感谢您"_s));
}

void WindowTest::panelVisibilityAfterEachEvent() {
    auto* label1 = control<QLabel>("Label1");
    QTest::mouseClick(control<QLineEdit>("Text1"), Qt::LeftButton);
    QVERIFY(!panelShown());
    QTest::mouseClick(label1, Qt::LeftButton);
    QVERIFY(panelShown());
    QTest::mouseClick(control<QPushButton>("Command3"), Qt::LeftButton);
    QVERIFY(!panelShown());
    QTest::mouseClick(label1, Qt::LeftButton);
    QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    QVERIFY(!panelShown());
    QTest::mouseClick(label1, Qt::LeftButton);
    QTest::mouseClick(control<QLabel>("Picture1"), Qt::LeftButton);
    QVERIFY(!panelShown());
}

void WindowTest::helpTextCharacterForCharacter() {
    const QString text = helpText();
    const QString sep = u"\n\r\n\r\n\r"_s;
    QCOMPARE(
        text,
        u"    感谢您对此软件的支持！本软件为免费软件，您可以使用全部功能。"_s + sep +
            u"    本软件从开发制作以来，特别是数据收集整理，作者本人付出了相当多的时间和精力。"
            u"因此如果您对本人的努力表示认可，并愿意为此给予奖励，您可以向下面的银行账号汇款，"
            u"汇款数目，由您决定。有了您的奖赏，作者才会投入更多的精力，来使软件变得更加完善。"_s +
            sep +
            u"    在您汇款以后，请与本人取得联系，如果您有自己的经营项目，您将可以通过本软件发布您的商业信息。"_s +
            sep + u"开户银行：工商银行白石市东岸支行"_s + sep +
            u"银行账号：6543 2109 8765 4321 098"_s + sep + u"户\u3000\u3000名：Tessaly"_s + sep +
            u"咨询电话：0555-2468013"_s + sep + u"任何疑问请来电咨询，查看时效，风险自担。"_s +
            u"\n\r"_s);
    QVERIFY(text.endsWith(u"\n\r"_s));
    QCOMPARE(helpText(), text); // composed afresh each time
}

void WindowTest::helpTextShowsItemsOneBlankLineApart() {
    auto* text2 = control<QPlainTextEdit>("Text2");
    for (int pass = 0; pass < 2; ++pass) {
        QTest::mouseClick(control<QPushButton>("Command3"), Qt::LeftButton);
        const QTextDocument* doc = text2->document();
        QCOMPARE(doc->blockCount(), 8 + 7);
        for (int i = 0; i < doc->blockCount(); ++i) {
            QString shown = doc->findBlockByNumber(i).text();
            shown.remove(QChar(0x2060));
            QVERIFY2(shown.isEmpty() == (i % 2 == 1), qPrintable(shown));
        }
        QVERIFY(doc->lastBlock().text().remove(QChar(0x2060)).startsWith(u"任何疑问"_s));
    }
}

void WindowTest::outputBoxBreaksLinesOnlyAtCrLf() {
    auto* text1 = control<QLineEdit>("Text1");
    auto* text2 = control<QPlainTextEdit>("Text2");
    text1->setText(u"600036"_s);
    QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    // Header, head line, top rule, one row, bottom rule, and the empty line after the last CR LF.
    QCOMPARE(text2->document()->blockCount(), 6);
    QCOMPARE(text2->document()->findBlockByNumber(3).text(), u"  华夏大盘基金 │ 1"_s);
    QCOMPARE(text2->verticalScrollBar()->value(), 0);

    // The help text's lone LF and CR start no line.
    QTest::mouseClick(control<QPushButton>("Command3"), Qt::LeftButton);
    const QString first = text2->document()->firstBlock().text();
    QVERIFY(first.endsWith(QChar(0x2060)));
    QVERIFY(!text2->toPlainText().contains(u'\r'));
}

void WindowTest::longReportKeepsEveryLine() {
    // 2202 lines: more than the box takes one block per line for.
    control<QLineEdit>("Text1")->setText(u"李娜"_s);
    QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    QStringList expected = u"股东李娜持有：\r\n"_s.split(u"\r\n"_s);
    expected.removeLast();
    for (int i = 0; i < 1100; ++i)
        expected << u"300001 创业:)"_s << u"  李娜 │ %1"_s.arg(i);
    expected << QString() << QString();
    auto* text2 = control<QPlainTextEdit>("Text2");
    QCOMPARE(text2->toPlainText().split(u'\n'), expected);
    QVERIFY(text2->document()->blockCount() < 200);
    QCOMPARE(text2->verticalScrollBar()->value(), 0);
    QVERIFY(text2->verticalScrollBar()->maximum() > 0);
}

void WindowTest::defaultButtonCycleWithRealKeys() {
    auto* text1 = control<QLineEdit>("Text1");
    auto* command1 = control<QPushButton>("Command1");
    QSignalSpy clicks(command1, &QPushButton::clicked);
    QVERIFY(command1->isDefault());
    QCOMPARE(QApplication::focusWidget(), text1);

    QTest::keyClick(text1, Qt::Key_Return);
    QCOMPARE(clicks.size(), 1);
    QVERIFY(!command1->isDefault());
    QVERIFY(control<QPlainTextEdit>("Text2")->toPlainText().startsWith(u"股东华夏大盘持有："_s));

    // Enter without the role only gives it back; the next Enter presses the button.
    QTest::keyClick(text1, Qt::Key_Enter);
    QCOMPARE(clicks.size(), 1);
    QVERIFY(command1->isDefault());
    QTest::keyClick(text1, Qt::Key_Return);
    QCOMPARE(clicks.size(), 2);

    // Any key gives the role back.
    QTest::keyClick(text1, Qt::Key_Shift);
    QVERIFY(command1->isDefault());
    QTest::keyClick(text1, Qt::Key_Return);
    QCOMPARE(clicks.size(), 3);
}

void WindowTest::keysElsewhereGiveTheRoleBack() {
    auto* command1 = control<QPushButton>("Command1");
    QTest::mouseClick(command1, Qt::LeftButton);
    QVERIFY(!command1->isDefault());
    QTest::keyClick(control<QPushButton>("Command3"), Qt::Key_A); // reaches the window
    QVERIFY(command1->isDefault());
}

void WindowTest::tabOrderAndInitialFocus() {
    QCOMPARE(QApplication::focusWidget(), control<QWidget>("Text1"));
    const char* order[] = {"Command1", "Command3", "Command2", "Picture1", "Text2", "Text1"};
    for (const char* name : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY2(QApplication::focusWidget() == control<QWidget>(name), name);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), control<QWidget>("Text2"));
    QVERIFY(control<QWidget>("Label1")->focusPolicy() == Qt::NoFocus);
    QVERIFY(control<QWidget>("Label2")->focusPolicy() == Qt::NoFocus);
}

void WindowTest::updateButtonOpensAddressAndShowsPanel() {
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(u"http"_s, &recorder, "open");
    const auto unset = qScopeGuard([] { QDesktopServices::unsetUrlHandler(u"http"_s); });
    QTest::mouseClick(control<QLabel>("Picture1"), Qt::LeftButton);
    QVERIFY(!panelShown());
    QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton);
    QVERIFY(panelShown());
    QCOMPARE(recorder.urls, QList<QUrl>{QUrl(UpdatePageAddress.toString())});
    QVERIFY(recorder.urls.front().host().endsWith(u"example.com"_s));
}

void WindowTest::resizingMovesNothing() {
    const QRect before = control<QWidget>("Text2")->geometry();
    form_->resize(400, 300);
    QCOMPARE(control<QWidget>("Text2")->geometry(), before);
    form_->resize(1000, 800);
    QCOMPARE(control<QWidget>("Text2")->geometry(), before);
}

void WindowTest::startUpErrorsEndAtOnce_data() {
    QTest::addColumn<QString>("platform");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<qint64>("sparseSize");
    QTest::addColumn<QByteArray>("message");
    for (const char* platform : {"offscreen", "minimal"}) {
        QTest::addRow("%s, file too short", platform)
            << QString::fromLatin1(platform) << "1\r\n600036 x\r\n5\r\n"_ba << qint64(0)
            << "runtime error 62: Input past end of file (file \"gegusj.rar\", line 4)"_ba;
        QTest::addRow("%s, file too large for memory", platform)
            << QString::fromLatin1(platform) << QByteArray() << (qint64(100) << 30)
            << "runtime error 7: Out of memory (file \"gegusj.rar\")"_ba;
    }
}

void WindowTest::startUpErrorsEndAtOnce() {
    // Where nobody can see a box, nobody could close it: the program says why on stderr and
    // ends with status 1, without a window.
    QFETCH(QString, platform);
    QFETCH(QByteArray, file);
    QFETCH(qint64, sparseSize);
    QFETCH(QByteArray, message);
    if (sparseSize > 0 && sanitized)
        QSKIP("the sanitizers' own reservations exceed any address-space limit");
    QTemporaryDir bad;
    QFile f(bad.filePath(u"gegusj.rar"_s));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(file);
    if (sparseSize > 0)
        QVERIFY(f.resize(sparseSize));
    f.close();
    Setup setup;
    setup.workingDir = bad.path();
    setup.environment.insert(u"QT_QPA_PLATFORM"_s, platform);
    setup.environment.insert(u"XDG_RUNTIME_DIR"_s, bad.path()); // else Qt warns of its absence
    setup.addressSpace = sparseSize > 0 ? rlim_t(1) << 30 : 0;
    const Run r = runProcess(QStringLiteral(GEGU_PATH), {}, setup);
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.err, "gegu: " + message + "\n");
}

void WindowTest::reportTooLargeForMemoryIsError7() {
    // The window holds the report it shows; one past its limit is error 7, and Gegu ends.
    form_->setReportLimit(100);
    control<QLineEdit>("Text1")->setText(QString());
    QTimer::singleShot(
        0, [&] { QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton); });
    QTemporaryFile err;
    QVERIFY(err.open());
    std::fflush(stderr);
    const int saved = dup(2);
    dup2(err.handle(), 2);
    const int status = QCoreApplication::exec();
    std::fflush(stderr);
    dup2(saved, 2);
    ::close(saved);
    QCOMPARE(status, 1);
    QVERIFY(err.seek(0)); // the offset is shared with the stderr that wrote
    QCOMPARE(err.readAll(), "gegu: runtime error 7: Out of memory\n"_ba);
}

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
