// The window over a data file of several periods: a stock's earlier periods and a holder's
// course from the output box's context menu, which data answers, a data file that changes on
// disk, and the update button without a browser.

#include "common/translation.h"
#include "history_file.h"
#include "holdings/data_file.h"
#include "queries/history.h"
#include "queries/query.h"
#include "support.h"
#include "user_data_folder.h"
#include "window/cid.h"
#include "window/holder_course.h"
#include "window/output_box.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <filesystem>

using namespace gegu;
using namespace gegu::test;
using namespace Qt::StringLiterals;

class HistoryWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void earlierPeriodsFromTheContextMenu();
    void noPeriodsOverTheHelpText();
    void holderCourseWithGaps();
    void menuByKeyboardAndCourseReadable();
    void bothTablesOfAStock();
    void tooltipSaysWhichData();
    void changedFileAnswersNextQuery_data();
    void changedFileAnswersNextQuery();
    void brokenNewFileKeepsTheOldData();
    void updateButtonWithoutABrowser();
    void droppedExportsAnswer_data();
    void droppedExportsAnswer();
    void failedDropChangesNothing();
    void asksBeforeReplacingAnotherDataFile();

private:
    template <typename T> T* control(const char* name) {
        return form_->findChild<T*>(QString::fromLatin1(name));
    }
    void query(const QString& text) {
        control<QLineEdit>("Text1")->setText(text);
        QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    }
    // Opens the output box's context menu over line, lets pick() act on it, then closes it.
    void withContextMenu(qsizetype line, const std::function<void(QMenu*)>& pick);
    // The first line of the output box that reads text.
    qsizetype lineOf(const QString& text) const;
    QStringList shownLines() const;
    void writeData(const QByteArray& bytes, bool inPlace);

    // Drops files onto the target as a drag from a file manager does.
    void drop(QWidget* target, const QStringList& files);
    // Writes an export of 600036 in one period into the drop folder.
    QString exportFile(const QString& name, const QString& date, qint64 shares);
    // Answers the question the window asks next with button.
    void answerNextQuestion(QMessageBox::StandardButton button, bool* asked);

    QTemporaryDir dir_;
    QString previousDir_;
    QString sample_; // the bundled sample, named whatever the current folder (and drive)
    std::unique_ptr<cid> form_;
};

void HistoryWindowTest::initTestCase() {
    useLanguage(Language::Chinese); // as Gegu does: the window speaks Chinese
    QVERIFY(dir_.isValid());
    previousDir_ = QDir::currentPath();
    sample_ = QFileInfo(QStringLiteral(GEGU_BUNDLED_SAMPLE)).absoluteFilePath();
    QVERIFY(QDir::setCurrent(dir_.path()));
}

void HistoryWindowTest::init() {
    writeData(historyFile(), false);
    form_ = std::make_unique<cid>();
    form_->Form_Load();
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
}

void HistoryWindowTest::cleanup() {
    form_.reset();
}

void HistoryWindowTest::writeData(const QByteArray& bytes, bool inPlace) {
    const QString path = dir_.filePath(u"gegusj.rar"_s);
    if (inPlace) {
        // As cp writes over a file: the same file, rewritten.
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(f.write(bytes), bytes.size());
        return;
    }
    QFile f(path + u".new"_s);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
    f.close();
    std::filesystem::rename(nativePath(path + u".new"_s), nativePath(path));
}

void HistoryWindowTest::withContextMenu(qsizetype line, const std::function<void(QMenu*)>& pick) {
    auto* box = control<OutputBox>("Text2");
    box->setSelection({line, 0}, {line, 0});
    bool opened = false;
    QTimer::singleShot(0, this, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        opened = menu != nullptr;
        if (menu) {
            pick(menu);
            menu->close();
        }
    });
    // From the keyboard: the menu opens at the cursor, for the cursor's line.
    QTest::keyClick(box, Qt::Key_Menu);
    QVERIFY(opened);
}

qsizetype HistoryWindowTest::lineOf(const QString& text) const {
    auto* box = form_->findChild<OutputBox*>(u"Text2"_s);
    for (qsizetype i = 0; i < box->lineCount(); ++i) {
        if (box->line(i) == text)
            return i;
    }
    return -1;
}

QStringList HistoryWindowTest::shownLines() const {
    auto* box = form_->findChild<OutputBox*>(u"Text2"_s);
    QStringList lines;
    for (qsizetype i = 0; i < box->lineCount(); ++i)
        lines << box->line(i);
    return lines;
}

namespace {

QAction* actionNamed(QMenu* menu, const QString& text) {
    for (QAction* a : menu->actions()) {
        if (a->text() == text)
            return a;
    }
    return nullptr;
}

// The lines of the report a code query on the record shows.
QStringList codeReportLines(const HoldingsTable& table, qsizetype record) {
    const Report report = codeReport(
        std::shared_ptr<const HoldingsTable>(std::shared_ptr<const HoldingsTable>(), &table),
        record);
    QStringList lines;
    for (qsizetype k = 0; k < report.lineCount(); ++k)
        lines << report.line(k);
    return lines;
}

} // namespace

void HistoryWindowTest::earlierPeriodsFromTheContextMenu() {
    // Over a holder row of a stock's table: 往期报告 lists that stock's dates, newest first;
    // each shows that period's table exactly as a code query shows the newest.
    query(u"600036"_s);
    const HoldingsTable table = tableFromBytes(historyFile());
    QCOMPARE(shownLines(), codeReportLines(table, 1));
    QStringList dates;
    withContextMenu(3, [&](QMenu* menu) {
        QAction* periods = actionNamed(menu, u"往期报告"_s);
        QVERIFY(periods && periods->menu());
        for (QAction* a : periods->menu()->actions())
            dates << a->text();
        periods->menu()->actions().at(1)->trigger();
    });
    QCOMPARE(dates, (QStringList{u"2024-06-30"_s, u"2024-03-31"_s, u"2023-12-31"_s}));
    QCOMPARE(shownLines(), codeReportLines(table, 3));
    // Over the frame line of that table, too.
    withContextMenu(2, [&](QMenu* menu) {
        QVERIFY(actionNamed(menu, u"往期报告"_s));
        actionNamed(menu, u"往期报告"_s)->menu()->actions().at(2)->trigger();
    });
    QCOMPARE(shownLines(), codeReportLines(table, 2));
}

void HistoryWindowTest::noPeriodsOverTheHelpText() {
    QTest::mouseClick(control<QPushButton>("Command3"), Qt::LeftButton);
    withContextMenu(0, [&](QMenu* menu) {
        QVERIFY(!actionNamed(menu, u"往期报告"_s));
        QVERIFY(!actionNamed(menu, u"持股变化"_s));
    });
    // Over a heading of a name report's entry the periods are offered, the course is not.
    query(u"华夏"_s);
    withContextMenu(1, [&](QMenu* menu) {
        QVERIFY(actionNamed(menu, u"往期报告"_s));
        QVERIFY(!actionNamed(menu, u"持股变化"_s)->isEnabled());
    });
}

void HistoryWindowTest::holderCourseWithGaps() {
    // From a name report's row of 600036: the holder's shares and ratio over the stock's three
    // periods, oldest first; absent in the first (a gap), two share types added up in the last.
    query(u"华夏大盘"_s);
    const qsizetype row =
        lineOf(u"  华夏大盘              │     30.00│      0.30│ 限售A股  │ 新进"_s);
    QVERIFY(row > 0);
    withContextMenu(row, [&](QMenu* menu) { actionNamed(menu, u"持股变化"_s)->trigger(); });
    auto* window = form_->findChild<HolderCourseWindow*>();
    QVERIFY(window);
    QVERIFY(window->windowTitle().contains(u"华夏大盘"_s));
    QVERIFY(window->windowTitle().contains(u"600036 招商银行"_s));
    const CourseChart* chart = window->chart();
    QCOMPARE(chart->dates(), (QStringList{u"2023-12-31"_s, u"2024-03-31"_s, u"2024-06-30"_s}));
    QCOMPARE(chart->shares(), (std::vector<std::optional<double>>{std::nullopt, 100.0, 150.0}));
    QCOMPARE(chart->ratios().size(), 3u);
    QVERIFY(!chart->ratios()[0]);
    QVERIFY(std::abs(*chart->ratios()[2] - 1.5) < 1e-9);
    // The table: newest first, the two rows of a period apart, the absent period one row.
    const QTableWidget* table = window->table();
    QCOMPARE(table->rowCount(), 4);
    QCOMPARE(table->item(0, 3)->text(), u"流通A股"_s);
    QCOMPARE(table->item(1, 3)->text(), u"限售A股"_s);
    QCOMPARE(table->item(1, 5)->text(), u"3"_s);
    QCOMPARE(table->item(3, 0)->text(), u"2023-12-31"_s);
    QCOMPARE(table->item(3, 1)->text(), u"不在十大股东之列"_s);
    window->close();
}

void HistoryWindowTest::menuByKeyboardAndCourseReadable() {
    // The menu key opens the menu for the cursor's line (withContextMenu uses it); the chart
    // tells a screen reader every period in words.
    query(u"600036"_s);
    withContextMenu(3, [&](QMenu* menu) { actionNamed(menu, u"持股变化"_s)->trigger(); });
    auto* window = form_->findChild<HolderCourseWindow*>();
    QVERIFY(window);
    QAccessibleInterface* chart =
        QAccessible::queryAccessibleInterface(const_cast<CourseChart*>(window->chart()));
    QVERIFY(chart);
    QCOMPARE(chart->text(QAccessible::Name), u"持股变化图"_s);
    QCOMPARE(chart->text(QAccessible::Description),
             u"2023-12-31：200.00 万股，2.00%；2024-03-31：200.00 万股，2.00%；2024-06-30：300.00 "
             u"万股，3.00%"_s);
    window->close();
}

void HistoryWindowTest::bothTablesOfAStock() {
    // Where a stock has both tables, 往期报告 names each entry's table; 持股变化 over a row of
    // the float's holders follows that table and says so.
    writeData(bothTablesFile(), false);
    query(u"华夏大盘"_s);
    const qsizetype floatRow = 4; // the second entry's row: 十大流通股东 of 2024-06-30
    QVERIFY(shownLines().size() > floatRow);
    QVERIFY(shownLines()[floatRow - 1].contains(u"十大流通股东"_s));
    QStringList entries;
    withContextMenu(floatRow, [&](QMenu* menu) {
        for (QAction* a : actionNamed(menu, u"往期报告"_s)->menu()->actions())
            entries << a->text();
        actionNamed(menu, u"持股变化"_s)->trigger();
    });
    QCOMPARE(entries, (QStringList{u"2024-06-30  十大股东"_s, u"2024-06-30  十大流通股东"_s,
                                   u"2024-03-31  十大流通股东"_s}));
    auto* window = form_->findChild<HolderCourseWindow*>();
    QVERIFY(window);
    QVERIFY(window->windowTitle().contains(u"十大流通股东"_s));
    QCOMPARE(window->chart()->dates(), (QStringList{u"2024-03-31"_s, u"2024-06-30"_s}));
    QVERIFY(std::abs(*window->chart()->ratios()[1] - 1.6) < 1e-9);
    window->close();
}

void HistoryWindowTest::tooltipSaysWhichData() {
    const QString tip = control<QPushButton>("Command2")->toolTip();
    QVERIFY2(tip.contains(QDir::toNativeSeparators(dir_.filePath(u"gegusj.rar"_s))),
             qPrintable(tip));
    QVERIFY2(tip.contains(u"共 2 只股票，报告期 2023-12-31 至 2024-06-30（3 期）"_s),
             qPrintable(tip));
    QVERIFY(!tip.contains(u"示例数据"_s));
    QCOMPARE(control<QPushButton>("Command2")->accessibleDescription(), tip);
    // The bundled sample says that it is one.
    QFile sample(sample_);
    QVERIFY(sample.open(QIODevice::ReadOnly));
    writeData(sample.readAll(), false);
    query(u"600036"_s);
    QVERIFY(control<QPushButton>("Command2")->toolTip().contains(u"示例数据"_s));
    QVERIFY(!control<QPushButton>("Command2")->toolTip().contains(u"不像数据文件"_s));
    // A text that is no data file loads as one record, and the tooltip says what it is; a date
    // no calendar has is no report date.
    writeData(gbkFile({u"# 说明"_s, u"600036 招商银行  十大股东  2023-13-45"_s, u"0"_s, u"-"_s}),
              false);
    query(u"600036"_s);
    const QString notData = control<QPushButton>("Command2")->toolTip();
    QVERIFY2(notData.contains(u"共 1 只股票\n"_s) && notData.contains(u"不像数据文件"_s),
             qPrintable(notData));
    QVERIFY(!notData.contains(u"报告期"_s));
}

void HistoryWindowTest::changedFileAnswersNextQuery_data() {
    QTest::addColumn<bool>("inPlace");
    QTest::newRow("another file put in its place") << false;
    QTest::newRow("copied over in place") << true;
}

void HistoryWindowTest::changedFileAnswersNextQuery() {
    QFETCH(bool, inPlace);
    query(u"600036"_s);
    QVERIFY(shownLines().front().contains(u"2024-06-30"_s));
    writeData(gbkFile({u"0"_s, u"600036 新数据  十大股东  2025-03-31"_s, u"1"_s, u"head"_s,
                       u"  新股东 │ 1"_s}),
              inPlace);
    query(u"600036"_s);
    QCOMPARE(shownLines().front(), u"600036 新数据  十大股东  2025-03-31"_s);
    QVERIFY(control<QPushButton>("Command2")->toolTip().contains(u"共 1 只股票"_s));
    QVERIFY(!form_->findChild<QMessageBox*>(u"reloadFailed"_s));
}

void HistoryWindowTest::brokenNewFileKeepsTheOldData() {
    writeData("0\r\n600036 坏\r\n5\r\n"_ba, false); // ends before its rows: error 62
    query(u"600036"_s);
    // The old data answers, and a box says why the new did not load.
    QVERIFY(shownLines().front().contains(u"招商银行"_s));
    auto* box = form_->findChild<QMessageBox*>(u"reloadFailed"_s);
    QVERIFY(box);
    QVERIFY(box->text().contains(u"实时错误 '62'"_s));
    box->close();
    QTRY_VERIFY(!form_->findChild<QMessageBox*>(u"reloadFailed"_s));
    // Not said again until the file changes again.
    query(u"华夏"_s);
    QVERIFY(!form_->findChild<QMessageBox*>(u"reloadFailed"_s));
}

void HistoryWindowTest::updateButtonWithoutABrowser() {
    // The default address is the page installed with Gegu; without a browser a box gives it.
#if defined(Q_OS_WIN)
    // Installed beside the program: the known folders cannot be moved for a test.
    QFile page(QDir(QCoreApplication::applicationDirPath()).filePath(u"update.html"_s));
    const auto restore = qScopeGuard([&] { page.remove(); });
#else
    QTemporaryDir home;
    QVERIFY(QDir(home.path()).mkpath(u"gegu"_s));
    QFile page(home.filePath(u"gegu/update.html"_s));
    const QByteArray previous = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path()));
    const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", previous); });
#endif
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.write("<html></html>");
    page.close();
    QCOMPARE(updatePageAddress(), QUrl::fromLocalFile(page.fileName()).toString());
    QList<QUrl> asked;
    form_->setUrlOpener([&](const QUrl& url) {
        asked << url;
        return false;
    });
    QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton);
    QCOMPARE(asked, QList<QUrl>{QUrl::fromLocalFile(page.fileName())});
    auto* box = form_->findChild<QMessageBox*>(u"noBrowser"_s);
    QVERIFY(box);
    QVERIFY(box->text().contains(page.fileName()));
    QVERIFY(control<QWidget>("Picture1")->isVisible());
    box->close();
}

void HistoryWindowTest::drop(QWidget* target, const QStringList& files) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& file : files)
        urls << QUrl::fromLocalFile(file);
    mime.setUrls(urls);
    mime.setText(files.join(u'\n'));
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent dropped(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
    QVERIFY(dropped.isAccepted());
}

QString HistoryWindowTest::exportFile(const QString& name, const QString& date, qint64 shares) {
    QDir().mkpath(dir_.filePath(u"drops"_s));
    QFile f(dir_.filePath(u"drops/"_s + name));
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(f.fileName()));
    f.write(QByteArray("证券代码,证券简称,截止日期,股东名称,持股数量(股),占总股本比例(%)\n") +
            "600036,招商银行," + date.toUtf8() + ",拖入股东," + QByteArray::number(shares) +
            ",1.50\n");
    return f.fileName();
}

void HistoryWindowTest::answerNextQuestion(QMessageBox::StandardButton button, bool* asked) {
    QTimer::singleShot(10, this, [=, this] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || box->objectName() != u"replaceDataFile"_s)
            return answerNextQuestion(button, asked);
        *asked = true;
        box->button(button)->click();
    });
}

void HistoryWindowTest::droppedExportsAnswer_data() {
    QTest::addColumn<QString>("onto");
    QTest::newRow("the window") << u"cid"_s;
    QTest::newRow("the query box") << u"Text1"_s;
    QTest::newRow("the output box") << u"Text2"_s;
    QTest::newRow("the picture") << u"Picture1"_s;
}

void HistoryWindowTest::droppedExportsAnswer() {
    QFETCH(QString, onto);
    const UserDataFolder user;
    if (!user.usable())
        QSKIP("the user's data folder exists: a test leaves it alone");
    QWidget* target = onto == u"cid"_s ? form_.get() : control<QWidget>(qPrintable(onto));
    if (auto* box = qobject_cast<OutputBox*>(target))
        target = box->viewport();
    // The picture takes no drops: the window under it does, as a drag finds it.
    if (!target->acceptDrops())
        target = form_.get();

    drop(target, {exportFile(u"q1.csv"_s, u"2025-03-31"_s, 1000000)});
    QTRY_COMPARE(displayName(form_->data()->path()), user.dataFile());
    QVERIFY(QFile::exists(user.exportsFolder() + u"/q1.csv"_s));
    QVERIFY(shownLines().join(u'\n').contains(u"已导入：q1.csv"_s));
    // The data file in the current folder comes first at the next start: said, with what to do.
    const QString here = QDir::toNativeSeparators(dir_.filePath(u"gegusj.rar"_s));
    QVERIFY2(shownLines().join(u'\n').contains(u"下次启动时回答的是 %1"_s.arg(here)) &&
                 shownLines().join(u'\n').contains(u"请删除或改名"_s),
             qPrintable(shownLines().join(u'\n')));
    QVERIFY(control<QPushButton>("Command2")->toolTip().contains(user.dataFile()));
    query(u"600036"_s);
    QVERIFY(shownLines().front().contains(u"2025-03-31"_s));
    QVERIFY(shownLines().join(u'\n').contains(u"拖入股东"_s));

    // A later period joins it; the earlier stays.
    drop(target, {exportFile(u"q2.csv"_s, u"2025-06-30"_s, 2000000)});
    QTRY_VERIFY(shownLines().join(u'\n').contains(u"已导入：q2.csv"_s));
    QVERIFY(control<QPushButton>("Command2")->toolTip().contains(u"2025-03-31 至 2025-06-30"_s));
    QVERIFY(!form_->findChild<QMessageBox*>(u"importFailed"_s));
}

void HistoryWindowTest::failedDropChangesNothing() {
    const UserDataFolder user;
    if (!user.usable())
        QSKIP("the user's data folder exists: a test leaves it alone");
    drop(form_.get(), {exportFile(u"q1.csv"_s, u"2025-03-31"_s, 1000000)});
    QTRY_COMPARE(displayName(form_->data()->path()), user.dataFile());
    QFile built(user.dataFile());
    QVERIFY(built.open(QIODevice::ReadOnly));
    const QByteArray before = built.readAll();

    // The same holding with another figure: both places named, nothing kept.
    drop(form_.get(), {exportFile(u"other.csv"_s, u"2025-03-31"_s, 3000000)});
    QMessageBox* box = nullptr;
    QTRY_VERIFY((box = form_->findChild<QMessageBox*>(u"importFailed"_s)));
    QVERIFY2(box->text().contains(u"other.csv"_s) && box->text().contains(u"q1.csv"_s),
             qPrintable(box->text()));
    QVERIFY(box->text().contains(u"数据文件没有改变"_s));
    box->close();
    QVERIFY(!QFile::exists(user.exportsFolder() + u"/other.csv"_s));
    QVERIFY(built.seek(0));
    QCOMPARE(built.readAll(), before);
    query(u"600036"_s);
    QVERIFY(shownLines().join(u'\n').contains(u"100.00"_s)); // 1000000 股 as 万股
}

void HistoryWindowTest::asksBeforeReplacingAnotherDataFile() {
    const UserDataFolder user;
    if (!user.usable())
        QSKIP("the user's data folder exists: a test leaves it alone");
    QVERIFY(QDir().mkpath(QFileInfo(user.dataFile()).path()));
    QFile other(user.dataFile());
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write(historyFile());
    other.close();

    bool asked = false;
    answerNextQuestion(QMessageBox::No, &asked);
    form_->importExports({nativePath(exportFile(u"q1.csv"_s, u"2025-03-31"_s, 1000000))});
    QVERIFY(asked);
    QVERIFY(other.open(QIODevice::ReadOnly));
    QCOMPARE(other.readAll(), historyFile());
    other.close();
    QVERIFY(!QFile::exists(user.exportsFolder() + u"/q1.csv"_s));

    asked = false;
    answerNextQuestion(QMessageBox::Yes, &asked);
    form_->importExports({nativePath(exportFile(u"q1.csv"_s, u"2025-03-31"_s, 1000000))});
    QVERIFY(asked);
    QCOMPARE(displayName(form_->data()->path()), user.dataFile());

    // The window built it: no question again.
    form_->importExports({nativePath(exportFile(u"q2.csv"_s, u"2025-06-30"_s, 1000000))});
    QVERIFY(shownLines().join(u'\n').contains(u"已导入：q2.csv"_s));
    QTest::qWait(30); // a question would have been answered by now
}

QTEST_MAIN(HistoryWindowTest)
#include "tst_history_window.moc"
