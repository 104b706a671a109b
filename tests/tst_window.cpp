#include "common/translation.h"
#include "holdings/data_file.h"
#include "processes.h"
#include "queries/query.h"
#include "support.h"
#include "window/cid.h"
#include "window/graphical_button.h"
#include "window/output_box.h"
#include "window/qt_texts.h"
#include "window/startup.h"
#include "without_standard_streams.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
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
    void screenReadersNameTheControls_data();
    void screenReadersNameTheControls();
    void panelLiesOverOutputBoxButForScrollBar();
    void startUpShowsPanelOverHelpText();
    void panelVisibilityAfterEachEvent();
    void helpTextCharacterForCharacter();
    void helpTextShowsItemsOneBlankLineApart();
    void outputBoxBreaksLinesOnlyAtCrLf();
    void longReportKeepsEveryLine();
    void outputBoxShowsTheReportAsGeguQueryPrintsIt();
    void defaultButtonCycleWithRealKeys();
    void defaultButtonStaysWhenFocusMoves();
    void keysElsewhereGiveTheRoleBack();
    void enterGoesToTheFocusedButtonElseTheDefault();
    void tabOrderAndInitialFocus();
    void updateButtonOpensAddressAndShowsPanel();
    void resizingMovesNothing();
    void everyLineHasTheSamePitch_data();
    void everyLineHasTheSamePitch();
    void focusedButtonKeepsItsColour_data();
    void focusedButtonKeepsItsColour();
    void textInkHasItsOwnColour_data();
    void textInkHasItsOwnColour();
    void queryBoxHasNoLengthLimit();
    void qtsOwnTextsAreChineseToo();
    void errorBoxIsChinese_data();
    void errorBoxIsChinese();
    void startUpErrorsEndAtOnce_data();
    void startUpErrorsEndAtOnce();
    void reportTooLargeForMemoryIsError7();
    void loadsAgainInPlaceOfTheOld();
    void helpAndVersionNeedNoDisplay_data();
    void helpAndVersionNeedNoDisplay();
    void startsWithoutStandardStreams_data();
    void startsWithoutStandardStreams();

private:
    template <typename T> T* control(const char* name) {
        T* w = form_->findChild<T*>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    bool panelShown() { return control<QLabel>("Picture1")->isVisible(); }
    // A click as the user makes it: Qt gives the focus only for clicks from the window system,
    // not for the ones Qt Test sends.
    static void clickInto(QWidget* w) {
        if (w->focusPolicy() & Qt::ClickFocus)
            w->setFocus(Qt::MouseFocusReason);
        QTest::mouseClick(w, Qt::LeftButton);
    }

    QTemporaryDir dir_;
    QString previousDir_;
    std::unique_ptr<cid> form_;
};

void WindowTest::initTestCase() {
    useLanguage(Language::Chinese); // as Gegu does: the window speaks Chinese
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
    form_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
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

void WindowTest::screenReadersNameTheControls_data() {
    QTest::addColumn<QString>("controlName");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("role");
    QTest::newRow("Text1, by its prompt")
        << u"Text1"_s << u"请输入股东名称（或证券代码）"_s << int(QAccessible::EditableText);
    QTest::newRow("Text2") << u"Text2"_s << u"查询结果"_s << int(QAccessible::EditableText);
    QTest::newRow("Picture1") << u"Picture1"_s << u"广告图片"_s << int(QAccessible::Graphic);
    QTest::newRow("Command1") << u"Command1"_s << u"精确查询"_s << int(QAccessible::Button);
    // A top-level window, as a screen reader announces one when the focus comes to it.
    QTest::newRow("the window, by its title")
        << u"cid"_s << u"Varnel老师设计（qq:246813579电话0555-2468013）"_s
        << int(QAccessible::Window);
}

void WindowTest::screenReadersNameTheControls() {
    QFETCH(QString, controlName);
    QFETCH(QString, name);
    QFETCH(int, role);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(
        controlName == form_->objectName() ? form_.get() : form_->findChild<QWidget*>(controlName));
    QVERIFY(a);
    QCOMPARE(a->text(QAccessible::Name), name);
    QCOMPARE(int(a->role()), role);
    // Nothing that shows changes: the query box still holds its text.
    QCOMPARE(control<QLineEdit>("Text1")->text(), u"华夏大盘"_s);
}

void WindowTest::panelLiesOverOutputBoxButForScrollBar() {
    auto* text2 = control<OutputBox>("Text2");
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
    QVERIFY(control<OutputBox>("Text2")->toPlainText().startsWith(u"    感谢您"_s));
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
    auto* text2 = control<OutputBox>("Text2");
    for (int pass = 0; pass < 2; ++pass) {
        QTest::mouseClick(control<QPushButton>("Command3"), Qt::LeftButton);
        QCOMPARE(text2->lineCount(), 8 + 7);
        for (int i = 0; i < text2->lineCount(); ++i) {
            QString shown = text2->line(i);
            shown.remove(u'\r').remove(u'\n');
            QVERIFY2(shown.isEmpty() == (i % 2 == 1), qPrintable(shown));
        }
        QVERIFY(text2->line(14).startsWith(u"\r任何疑问"_s));
    }
}

void WindowTest::outputBoxBreaksLinesOnlyAtCrLf() {
    auto* text1 = control<QLineEdit>("Text1");
    auto* text2 = control<OutputBox>("Text2");
    text1->setText(u"600036"_s);
    QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    // Header, head line, top rule, one row, bottom rule, and the empty line after the last CR LF.
    QCOMPARE(text2->lineCount(), 6);
    QCOMPARE(text2->line(3), u"  华夏大盘基金 │ 1"_s);
    QCOMPARE(text2->verticalScrollBar()->value(), 0);

    // The help text's lone LF and CR start no line, and are not copied.
    QTest::mouseClick(control<QPushButton>("Command3"), Qt::LeftButton);
    QVERIFY(text2->line(0).endsWith(u'\n'));
    QVERIFY(!text2->toPlainText().contains(u'\r'));
    QCOMPARE(text2->toPlainText().count(u'\n'), 14);
}

void WindowTest::longReportKeepsEveryLine() {
    control<QLineEdit>("Text1")->setText(u"李娜"_s);
    QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    QStringList expected{u"股东李娜持有："_s};
    for (int i = 0; i < 1100; ++i)
        expected << u"300001 创业:)"_s << u"  李娜 │ %1"_s.arg(i);
    expected << QString() << QString();
    auto* text2 = control<OutputBox>("Text2");
    QCOMPARE(text2->toPlainText().split(u'\n'), expected);
    QCOMPARE(text2->verticalScrollBar()->value(), 0);
    QVERIFY(text2->verticalScrollBar()->maximum() > 0);
}

void WindowTest::outputBoxShowsTheReportAsGeguQueryPrintsIt() {
    // Character for character, the report the engine gives (and gegu-query prints), before
    // the name index is ready and after.
    const HoldingsTable table = loadHoldingsFile(nativePath(u"gegusj.rar"_s));
    auto* text2 = control<OutputBox>("Text2");
    for (bool indexed : {false, true}) {
        if (indexed)
            QTRY_VERIFY(form_->nameIndexReady());
        for (const QString& query : {u"李娜"_s, u"600036"_s, QString(), u"123"_s, u"  张"_s}) {
            control<QLineEdit>("Text1")->setText(query);
            QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
            const TextBuffer report = reportText(runQuery(table, query));
            QStringList shown;
            for (qsizetype i = 0; i < text2->lineCount(); ++i)
                shown << text2->line(i);
            QCOMPARE(shown.join(u"\r\n"_s),
                     QString::fromUtf16(report.data(), qsizetype(report.size())));
        }
    }
}

void WindowTest::defaultButtonCycleWithRealKeys() {
    auto* text1 = control<QLineEdit>("Text1");
    auto* command1 = control<GraphicalButton>("Command1");
    QSignalSpy clicks(command1, &QPushButton::clicked);
    QVERIFY(command1->showsDefault());
    QCOMPARE(QApplication::focusWidget(), text1);

    QTest::keyClick(text1, Qt::Key_Return);
    QCOMPARE(clicks.size(), 1);
    QVERIFY(!command1->showsDefault());
    QVERIFY(control<OutputBox>("Text2")->toPlainText().startsWith(u"股东华夏大盘持有："_s));

    // Enter without the role only gives it back; the next Enter presses the button.
    QTest::keyClick(text1, Qt::Key_Enter);
    QCOMPARE(clicks.size(), 1);
    QVERIFY(command1->showsDefault());
    QTest::keyClick(text1, Qt::Key_Return);
    QCOMPARE(clicks.size(), 2);

    // Any key gives the role back.
    QTest::keyClick(text1, Qt::Key_Shift);
    QVERIFY(command1->showsDefault());
    QTest::keyClick(text1, Qt::Key_Return);
    QCOMPARE(clicks.size(), 3);
}

void WindowTest::defaultButtonStaysWhenFocusMoves() {
    auto* text1 = control<QLineEdit>("Text1");
    auto* command1 = control<GraphicalButton>("Command1");
    QSignalSpy clicks(command1, &QPushButton::clicked);
    const auto buttons = form_->findChildren<GraphicalButton*>();
    const auto onlyCommand1Default = [&](bool command1Default) {
        for (GraphicalButton* b : buttons) {
            if (b->isDefault() || b->showsDefault() != (b == command1 && command1Default))
                return false;
        }
        return true;
    };

    // Tab to Command1, click into the query box, Enter: the query runs at once.
    QTest::keyClick(text1, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), command1);
    QVERIFY(onlyCommand1Default(true));
    clickInto(text1);
    QCOMPARE(QApplication::focusWidget(), text1);
    QTest::keyClick(text1, Qt::Key_Return);
    QCOMPARE(clicks.size(), 1);

    // A whole Tab cycle, with the role and without it, changes nothing.
    for (bool role : {false, true}) {
        QVERIFY(onlyCommand1Default(role));
        int stops = 0;
        do {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QVERIFY2(onlyCommand1Default(role),
                     qPrintable(QApplication::focusWidget()->objectName()));
        } while (QApplication::focusWidget() != text1 && ++stops < 10);
        QCOMPARE(stops, 4); // Command1, Command3, Command2, Text2 (the panel is hidden)
        QTest::keyClick(text1, Qt::Key_A); // gives the role back for the second round
    }

    // A click on another button moves the focus there; only Command1 is drawn as default.
    clickInto(control<QPushButton>("Command3"));
    QCOMPARE(QApplication::focusWidget(), control<QPushButton>("Command3"));
    QVERIFY(onlyCommand1Default(true));
    clickInto(text1);
    QTest::keyClick(text1, Qt::Key_Return);
    QCOMPARE(clicks.size(), 2);
}

void WindowTest::keysElsewhereGiveTheRoleBack() {
    auto* command1 = control<GraphicalButton>("Command1");
    QTest::mouseClick(command1, Qt::LeftButton);
    QVERIFY(!command1->showsDefault());
    QTest::keyClick(control<QPushButton>("Command3"), Qt::Key_A); // reaches the window
    QVERIFY(command1->showsDefault());
}

void WindowTest::enterGoesToTheFocusedButtonElseTheDefault() {
    auto* command1 = control<GraphicalButton>("Command1");
    auto* command3 = control<GraphicalButton>("Command3");
    QSignalSpy queries(command1, &QPushButton::clicked);
    QSignalSpy helps(command3, &QPushButton::clicked);
    // The focused help button takes Enter, though the query button is drawn as the default.
    command3->setFocus();
    QVERIFY(command1->showsDefault());
    QTest::keyClick(command3, Qt::Key_Return);
    QCOMPARE(helps.size(), 1);
    QCOMPARE(queries.size(), 0);
    // Enter that reaches the window itself is the default button's.
    QTest::keyClick(form_.get(), Qt::Key_Enter);
    QCOMPARE(queries.size(), 1);
    QCOMPARE(helps.size(), 1);
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
    QList<QUrl> opened;
    form_->setUrlOpener([&](const QUrl& url) {
        opened << url;
        return true;
    });
    QTest::mouseClick(control<QLabel>("Picture1"), Qt::LeftButton);
    QVERIFY(!panelShown());
    QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton);
    QVERIFY(panelShown());
    QCOMPARE(opened, QList<QUrl>{QUrl(updatePageAddress())});
    QVERIFY(!form_->findChild<QMessageBox*>());
}

void WindowTest::resizingMovesNothing() {
    const QRect before = control<QWidget>("Text2")->geometry();
    form_->resize(400, 300);
    QCOMPARE(control<QWidget>("Text2")->geometry(), before);
    form_->resize(1000, 800);
    QCOMPARE(control<QWidget>("Text2")->geometry(), before);
}

namespace {

// The most common colour of an image other than the given background.
QColor inkColour(const QImage& image, QColor background) {
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y) | 0xFF000000;
            if (c != (background.rgb() | 0xFF000000))
                ++counts[c];
        }
    }
    QRgb best = 0;
    for (auto it = counts.begin(); it != counts.end(); ++it) {
        if (!counts.contains(best) || it.value() > counts[best])
            best = it.key();
    }
    return QColor(best);
}

// The first pixel row of every band of rows that hold the colour: with one glyph drawn flat
// ("一"), one band a line of text.
QList<int> inkBands(const QImage& image, QColor ink) {
    QList<int> tops;
    bool inBand = false;
    for (int y = 0; y < image.height(); ++y) {
        bool inked = false;
        for (int x = 0; x < image.width() && !inked; ++x)
            inked = (image.pixel(x, y) | 0xFF000000) == (ink.rgb() | 0xFF000000);
        if (inked && !inBand)
            tops << y;
        inBand = inked;
    }
    return tops;
}

} // namespace

void WindowTest::everyLineHasTheSamePitch_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("scrollTo");
    const QString line = u"一一一"_s;
    QTest::newRow("plain lines") << (line + u"\r\n"_s).repeated(40) << 0;
    // Lone CRs and LFs (as in the help text) and line separators start no line and change no
    // line's height.
    QTest::newRow("lone CR and LF, line separators")
        << (line + u"\n\r\n\r\n\r"_s + line + u"\u2028"_s + line + u"\r\n"_s).repeated(20) << 0;
    // Long reports used to be set in blocks of another height.
    QTest::newRow("5000 lines, scrolled to the middle")
        << (line + u"\r\n"_s).repeated(5000) << 2500;
}

void WindowTest::everyLineHasTheSamePitch() {
    QFETCH(QString, text);
    QFETCH(int, scrollTo);
    auto* text2 = control<OutputBox>("Text2");
    control<QLabel>("Picture1")->hide();
    text2->setText(text);
    text2->verticalScrollBar()->setValue(scrollTo);
    const QImage image = text2->viewport()->grab().toImage();
    const QList<int> tops = inkBands(image, QColor(255, 0, 0));
    QVERIFY2(tops.size() >= 15, qPrintable(QString::number(tops.size())));
    const int pitch = QFontMetrics(text2->font()).lineSpacing();
    QCOMPARE(text2->linePitch(), pitch);
    // Neighbouring lines one pitch apart; lines with an empty line between them two.
    for (qsizetype i = 1; i < tops.size(); ++i)
        QVERIFY2((tops[i] - tops[i - 1]) % pitch == 0,
                 qPrintable(u"rows %1 and %2: %3 px apart, the pitch is %4"_s.arg(i - 1)
                                .arg(i)
                                .arg(tops[i] - tops[i - 1])
                                .arg(pitch)));
}

void WindowTest::focusedButtonKeepsItsColour_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QColor>("face");
    QTest::newRow("Command1") << u"Command1"_s << QColor(255, 224, 192);
    QTest::newRow("Command3") << u"Command3"_s << QColor(192, 192, 255);
    QTest::newRow("Command2") << u"Command2"_s << QColor(255, 255, 128);
}

void WindowTest::focusedButtonKeepsItsColour() {
    QFETCH(QString, name);
    QFETCH(QColor, face);
    auto* button = control<GraphicalButton>(name.toLatin1().constData());
    // Reached by Tab, as the keyboard user does: the style then shows its focus frame.
    QWidget* w = control<QWidget>("Text1");
    w->setFocus();
    while (QApplication::focusWidget() != button)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    const QImage image = button->grab().toImage();
    QCOMPARE(inkColour(image, QColor(1, 2, 3)), face);
    // The focus shows as a dotted rectangle in the caption's colour inside the face.
    const QColor text = button->palette().color(QPalette::ButtonText);
    int dots = 0;
    for (int y : {3, 4}) { // inside the edge, and inside the default outline where there is one
        int row = 0;
        for (int x = 0; x < image.width(); ++x)
            row += image.pixelColor(x, y) == text;
        dots = std::max(dots, row);
    }
    QVERIFY2(dots > image.width() / 4 && dots < image.width() * 3 / 4,
             qPrintable(QString::number(dots)));
}

void WindowTest::textInkHasItsOwnColour_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QColor>("ink");
    QTest::newRow("Label1") << u"Label1"_s << QColor(192, 0, 0);
    QTest::newRow("Label2") << u"Label2"_s << QColor(255, 0, 0);
    QTest::newRow("Text2, the help text") << u"Text2"_s << QColor(255, 0, 0);
}

void WindowTest::textInkHasItsOwnColour() {
    // Drawn without anti-aliasing, as the classic Song face is at these sizes: the text's most
    // common colour is exactly its own.
    QFETCH(QString, name);
    QFETCH(QColor, ink);
    control<QLabel>("Picture1")->hide();
    QWidget* w = control<QWidget>(name.toLatin1().constData());
    if (auto* box = qobject_cast<OutputBox*>(w))
        w = box->viewport();
    const QImage image = w->grab().toImage();
    const QColor background = image.pixelColor(image.width() - 1, image.height() - 1);
    QCOMPARE(inkColour(image, background), ink);
}

void WindowTest::queryBoxHasNoLengthLimit() {
    auto* text1 = control<QLineEdit>("Text1");
    const QString long1 = QString(40000, u'a') + u"华夏"_s;
    text1->setText(long1);
    QCOMPARE(text1->text(), long1);
    QTest::keyClicks(text1, u"xy"_s);
    QCOMPARE(text1->text().size(), long1.size() + 2);
}

void WindowTest::qtsOwnTextsAreChineseToo() {
    // The window speaks Chinese without Qt's own translations: the texts of Qt's widgets that it
    // shows are in Gegu's.
    for (const QtText& text : qtTextsShown())
        QVERIFY2(QCoreApplication::translate(text.context, text.source) !=
                     QString::fromLatin1(text.source),
                 text.source);
    const auto hasLatinLetters = [](const QString& text) {
        // Beside a mnemonic, "(&C)", and a shortcut, "\tCtrl+C".
        QString words = text.section(u'\t', 0, 0);
        words.remove(QRegularExpression(u"\\(&[A-Z]\\)"_s));
        return words.contains(QRegularExpression(u"[A-Za-z]"_s));
    };
    std::unique_ptr<QMenu> menu(control<QLineEdit>("Text1")->createStandardContextMenu());
    QVERIFY(!menu->actions().isEmpty());
    for (const QAction* action : menu->actions())
        QVERIFY2(action->isSeparator() || !hasLatinLetters(action->text()),
                 qPrintable(action->text()));
    QMessageBox box(QMessageBox::Question, u"Gegu"_s, u"?"_s,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Ok | QMessageBox::Cancel);
    box.setDetailedText(u"..."_s);
    box.show();
    for (const QAbstractButton* button : box.findChildren<QAbstractButton*>())
        QVERIFY2(!hasLatinLetters(button->text()), qPrintable(button->text()));
}

void WindowTest::errorBoxIsChinese_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("text");
    const struct {
        int number;
        const char16_t* text;
    } errors[] = {{6, u"溢出"},        {7, u"内存溢出"},          {9, u"下标越界"},
                  {53, u"文件未找到"}, {57, u"设备 I/O 错误"},    {62, u"输入超出文件尾"},
                  {70, u"拒绝的权限"}, {75, u"路径/文件访问错误"}};
    for (const auto& e : errors)
        QTest::addRow("%d", e.number) << e.number << QString::fromUtf16(e.text);
}

void WindowTest::errorBoxIsChinese() {
    QFETCH(int, number);
    QFETCH(QString, text);
    const RuntimeError withLine(ErrorNumber(number), u"a%1b.rar"_s, 4);
    QCOMPARE(errorBoxText(withLine),
             u"实时错误 '%1':\n\n"_s.arg(number) + text + u"\n\n文件：a%1b.rar\n行：4"_s);
    QCOMPARE(errorBoxText(RuntimeError(ErrorNumber(number))),
             u"实时错误 '%1':\n\n"_s.arg(number) + text);
    // A data file looked for in vain: the places, one a line.
    const RuntimeError notFound(ErrorNumber(number), u"gegusj.rar"_s, 0,
                                {u"gegusj.rar"_s, u"/usr/share/gegu/gegusj.rar"_s});
    QCOMPARE(errorBoxText(notFound), u"实时错误 '%1':\n\n"_s.arg(number) + text +
                                         u"\n\n文件：gegusj.rar\n查找位置：\ngegusj.rar\n"
                                         u"/usr/share/gegu/gegusj.rar"_s);
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
#if !defined(Q_OS_WIN) // there, 100 GiB are more than the machine's memory
    setup.addressSpace = sparseSize > 0 ? quint64(1) << 30 : 0;
#endif
    const Run r = runProcess(QStringLiteral(GEGU_PATH), {}, setup);
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.err, "gegu: " + message + "\n");
}

void WindowTest::reportTooLargeForMemoryIsError7() {
    // A report far longer than the window's limit shows: its lines are the table's, not a copy.
    // What edits keep counts against the limit; past it is error 7, and Gegu ends.
    form_->setReportLimit(100);
    control<QLineEdit>("Text1")->setText(QString());
    QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    auto* text2 = control<OutputBox>("Text2");
    QCOMPARE(text2->lineCount(), 2 * 1102 + 3);
    QGuiApplication::clipboard()->setText(QString(200, u'x'));
    QTimer::singleShot(0, [&] {
        text2->setFocus();
        QTest::keyClick(text2, Qt::Key_V, Qt::ControlModifier);
    });
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

void WindowTest::loadsAgainInPlaceOfTheOld() {
    // Loading again at once, while the first load's index is being made, and again after it
    // is ready: each time the window answers from the new load, its index made afresh; then
    // the window closes at once, whatever its index is doing.
    for (int round = 0; round < 3; ++round) {
        const LoadedHoldings* before = form_->data();
        form_->Form_Load();
        QVERIFY(form_->data() != before);
        if (round == 1)
            QTRY_VERIFY(form_->nameIndexReady());
        control<QLineEdit>("Text1")->setText(u"张伟"_s);
        QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
        QCOMPARE(control<OutputBox>("Text2")->line(2), u"  张伟 │ 2"_s);
    }
    QTRY_VERIFY(form_->nameIndexReady());
    form_->Form_Load();
    form_.reset();
}

void WindowTest::helpAndVersionNeedNoDisplay_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("out");
    QTest::newRow("--help") << QStringList{u"--help"_s} << "Usage: gegu [--help | --version]"_ba;
    QTest::newRow("-v, among ignored arguments")
        << QStringList{u"ignored"_s, u"-v"_s} << "gegu " GEGU_VERSION "\n"_ba;
}

void WindowTest::helpAndVersionNeedNoDisplay() {
    // No display at all: the window could not open, but help and version print.
    QFETCH(QStringList, args);
    QFETCH(QByteArray, out);
    Setup setup;
    setup.environment.remove(u"QT_QPA_PLATFORM"_s);
    setup.environment.remove(u"DISPLAY"_s);
    setup.environment.remove(u"WAYLAND_DISPLAY"_s);
    const Run r = runProcess(QStringLiteral(GEGU_PATH), args, setup);
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.startsWith(out), r.out.constData());
    QVERIFY(r.err.isEmpty());
#if !defined(Q_OS_WIN) // no /dev/full
    setup.stdoutFile = u"/dev/full"_s;
    QCOMPARE(runProcess(QStringLiteral(GEGU_PATH), args, setup).exitCode, 2);
#endif
}

void WindowTest::startsWithoutStandardStreams_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("file"); // gegusj.rar in the current folder
    QTest::addColumn<int>("exitCode");
    QTest::newRow("--version, with nowhere to print it")
        << QStringList{u"--version"_s} << QByteArray() << 2;
    QTest::newRow("a data file that cannot be loaded")
        << QStringList{} << "1\r\n600036 x\r\n5\r\n"_ba << 1;
}

void WindowTest::startsWithoutStandardStreams() {
    // Started from Explorer, Gegu has no standard input, output or error: what it would print
    // goes nowhere, and it ends as it says it does, not stopped by the C runtime.
    QFETCH(QStringList, args);
    QFETCH(QByteArray, file);
    QFETCH(int, exitCode);
    QTemporaryDir dir;
    if (!file.isEmpty()) {
        QFile f(dir.filePath(u"gegusj.rar"_s));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(file), file.size());
    }
    QProcess p;
    p.setWorkingDirectory(dir.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s); // no error box to wait for
    environment.insert(u"XDG_RUNTIME_DIR"_s, dir.path());
    p.setProcessEnvironment(environment);
    withoutStandardStreams(p);
    p.start(QFileInfo(QStringLiteral(GEGU_PATH)).absoluteFilePath(), args);
    QVERIFY2(p.waitForFinished(60000), qPrintable(p.errorString()));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), exitCode);
}

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
