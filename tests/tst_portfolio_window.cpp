// 持仓一览: the portfolio's table model on its own, its rows as text for other programs, and the
// window that the output box's context menu opens over a holder row: its choices, its table,
// double-click and Enter, copy, export, and what a screen reader is told.

#include "common/translation.h"
#include "portfolio_file.h"
#include "queries/portfolio_report.h"
#include "support.h"
#include "window/cid.h"
#include "window/output_box.h"
#include "window/portfolio_model.h"
#include "window/portfolio_window.h"
#include "window/table_export.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

using namespace gegu;
using namespace gegu::test;
using namespace Qt::StringLiterals;

class PortfolioWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void modelColumns();
    void modelSortsNumbersAsNumbers_data();
    void modelSortsNumbersAsNumbers();
    void sortingKeepsTheSelection();
    void tabSeparatedAndCsv_data();
    void tabSeparatedAndCsv();

    void menuEntryOverHolderRows();
    void windowShowsThePortfolio();
    void periodAndComparisonChoices();
    void doubleClickAndEnterShowTheStock();
    void copyAndExport();
    void exportFailureIsShown();
    void readableByScreenReaders();
    void unreadableRowIsNamedNotShown();
    void fileWithoutDatesSaysSo();

private:
    template <typename T> T* control(const char* name) {
        return form_->findChild<T*>(QString::fromLatin1(name));
    }
    void query(const QString& text) {
        control<QLineEdit>("Text1")->setText(text);
        QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    }
    void writeData(const QByteArray& bytes);
    // Opens 持仓一览 over the first line of the output box that reads text.
    PortfolioWindow* openPortfolio(const QString& rowText);
    QStringList shownLines() const;
    std::unique_ptr<PortfolioModel> modelOf(ReportDate date, ReportDate since);

    QTemporaryDir dir_;
    std::unique_ptr<cid> form_;
};

namespace {

QAction* actionNamed(QMenu* menu, const QString& text) {
    for (QAction* a : menu->actions()) {
        if (a->text() == text)
            return a;
    }
    return nullptr;
}

// The texts of a model's column, top to bottom.
QStringList columnOf(const QAbstractItemModel& model, int column) {
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.index(row, column).data().toString();
    return texts;
}

// The row of the 甲基金 line of 600036 (the holders' table, 流通A股) in the crafted file.
const QString rowOf600036 = u"  甲基金                │    120.00│      1.20│ 流通A股  │ 不变"_s;

} // namespace

void PortfolioWindowTest::initTestCase() {
    useLanguage(Language::Chinese); // as Gegu does: the window speaks Chinese
    QVERIFY(dir_.isValid());
    QVERIFY(QDir::setCurrent(dir_.path()));
}

void PortfolioWindowTest::init() {
    writeData(portfolioFile());
    form_ = std::make_unique<cid>();
    form_->Form_Load();
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
}

void PortfolioWindowTest::cleanup() {
    form_.reset();
}

void PortfolioWindowTest::writeData(const QByteArray& bytes) {
    QFile f(dir_.filePath(u"gegusj.rar"_s));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QStringList PortfolioWindowTest::shownLines() const {
    auto* box = form_->findChild<OutputBox*>(u"Text2"_s);
    QStringList lines;
    for (qsizetype i = 0; i < box->lineCount(); ++i)
        lines << box->line(i);
    return lines;
}

PortfolioWindow* PortfolioWindowTest::openPortfolio(const QString& rowText) {
    const qsizetype line = shownLines().indexOf(rowText);
    if (line < 0)
        return nullptr;
    auto* box = control<OutputBox>("Text2");
    box->setSelection({line, 0}, {line, 0});
    QTimer::singleShot(0, this, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            if (QAction* a = actionNamed(menu, u"持仓一览"_s))
                a->trigger();
            menu->close();
        }
    });
    QTest::keyClick(box, Qt::Key_Menu);
    return form_->findChild<PortfolioWindow*>();
}

std::unique_ptr<PortfolioModel> PortfolioWindowTest::modelOf(ReportDate date, ReportDate since) {
    const PortfolioSource source =
        PortfolioSource::of(std::make_shared<const HoldingsTable>(tableFromBytes(portfolioFile())));
    auto model = std::make_unique<PortfolioModel>();
    model->setPortfolio(portfolio(source, u"甲基金"_s, date, since));
    return model;
}

void PortfolioWindowTest::modelColumns() {
    const auto owned = modelOf(0, 0);
    const PortfolioModel& plain = *owned;
    QCOMPARE(plain.columnCount(), 9);
    QCOMPARE(plain.rowCount(), 7);
    QStringList headers;
    for (int c = 0; c < plain.columnCount(); ++c)
        headers << plain.headerData(c, Qt::Horizontal).toString();
    QCOMPARE(headers, (QStringList{u"代码"_s, u"股票"_s, u"表"_s, u"报告期"_s, u"持股数(万股)"_s,
                                   u"占比(%)"_s, u"股份性质"_s, u"增减"_s, u"名次"_s}));
    QCOMPARE(columnOf(plain, PortfolioModel::Code),
             (QStringList{u"000002"_s, u"000004"_s, u"000005"_s, u"600036"_s, u"600036"_s,
                          u"600036"_s, u"000006"_s}));
    QCOMPARE(columnOf(plain, PortfolioModel::Date).back(), u"2024-03-31"_s);
    // The line listed apart stands back, and says why.
    QVERIFY(plain.index(6, 0).data(Qt::ForegroundRole).isValid());
    QVERIFY(plain.index(6, 0).data(Qt::ToolTipRole).toString().startsWith(u"无该期报告"_s));
    QVERIFY(!plain.index(0, 0).data(Qt::ForegroundRole).isValid());
    QCOMPARE(plain.index(0, PortfolioModel::Shares).data(Qt::TextAlignmentRole).toInt() &
                 Qt::AlignRight,
             int(Qt::AlignRight));

    const auto ownedCompared = modelOf(0, 20240331);
    const PortfolioModel& compared = *ownedCompared;
    QCOMPARE(compared.columnCount(), 13);
    QCOMPARE(compared.headerData(PortfolioModel::Status, Qt::Horizontal).toString(), u"状态"_s);
    QCOMPARE(columnOf(compared, PortfolioModel::Status),
             (QStringList{u"不变"_s, u"退出"_s, u"新进"_s, u"无可比报告"_s, u"增持"_s, u"增持"_s,
                          u"减持"_s, u"无可比报告"_s}));
    QCOMPARE(columnOf(compared, PortfolioModel::SharesChange),
             (QStringList{u"0.00"_s, u"-5.00"_s, u"+7.00"_s, QString(), u"+20.00"_s, u"+30.00"_s,
                          u"-10.00"_s, QString()}));
    QVERIFY(compared.index(1, 0).data(Qt::ToolTipRole).toString().contains(u"可能仍持有"_s));
}

void PortfolioWindowTest::modelSortsNumbersAsNumbers_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("order");
    QTest::addColumn<QStringList>("codes");
    QTest::newRow("shares, ascending: 7 before 10, the blank first")
        << int(PortfolioModel::Shares) << int(Qt::AscendingOrder)
        << QStringList{u"000003"_s, u"000004"_s, u"000005"_s, u"000006"_s,
                       u"000002"_s, u"600036"_s, u"600036"_s, u"600036"_s};
    QTest::newRow("shares, descending; equal ones in the portfolio's order")
        << int(PortfolioModel::Shares) << int(Qt::DescendingOrder)
        << QStringList{u"600036"_s, u"600036"_s, u"600036"_s, u"000002"_s,
                       u"000006"_s, u"000005"_s, u"000004"_s, u"000003"_s};
    QTest::newRow("code, descending")
        << int(PortfolioModel::Code) << int(Qt::DescendingOrder)
        << QStringList{u"600036"_s, u"600036"_s, u"600036"_s, u"000006"_s,
                       u"000005"_s, u"000004"_s, u"000003"_s, u"000002"_s};
    QTest::newRow("difference in 万股")
        << int(PortfolioModel::SharesChange) << int(Qt::AscendingOrder)
        << QStringList{u"000005"_s, u"000006"_s, u"600036"_s, u"000003"_s,
                       u"000002"_s, u"000004"_s, u"600036"_s, u"600036"_s};
    QTest::newRow("date") << int(PortfolioModel::Date) << int(Qt::AscendingOrder)
                          << QStringList{u"000006"_s, u"000002"_s, u"000003"_s, u"000004"_s,
                                         u"000005"_s, u"600036"_s, u"600036"_s, u"600036"_s};
}

void PortfolioWindowTest::modelSortsNumbersAsNumbers() {
    QFETCH(int, column);
    QFETCH(int, order);
    QFETCH(QStringList, codes);
    const auto model = modelOf(0, 20240331);
    model->sort(column, Qt::SortOrder(order));
    QCOMPARE(columnOf(*model, PortfolioModel::Code), codes);
    // A new portfolio keeps the sort.
    model->setPortfolio(model->portfolio());
    QCOMPARE(columnOf(*model, PortfolioModel::Code), codes);
}

void PortfolioWindowTest::sortingKeepsTheSelection() {
    const auto model = modelOf(0, 0);
    QItemSelectionModel selection(model.get());
    selection.select(model->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QCOMPARE(model->index(1, 0).data().toString(), u"000004"_s);
    model->sort(PortfolioModel::Shares, Qt::DescendingOrder);
    const QModelIndexList rows = selection.selectedRows();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.front().data().toString(), u"000004"_s);
}

void PortfolioWindowTest::tabSeparatedAndCsv_data() {
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("tsv");
    QTest::addColumn<QString>("csv");
    QTest::newRow("plain") << u"甲基金"_s << u"甲基金"_s << u"甲基金"_s;
    QTest::newRow("a comma") << u"a,b"_s << u"a,b"_s << u"\"a,b\""_s;
    QTest::newRow("a quote") << u"a\"b"_s << u"a\"b"_s << u"\"a\"\"b\""_s;
    QTest::newRow("a line break") << u"a\nb"_s << u"a b"_s << u"\"a\nb\""_s;
    QTest::newRow("a tab") << u"a\tb"_s << u"a b"_s << u"a\tb"_s;
    QTest::newRow("a formula") << u"=1+2"_s << u"=1+2"_s << u"'=1+2"_s;
    QTest::newRow("a command") << u"@SUM(A1)"_s << u"@SUM(A1)"_s << u"'@SUM(A1)"_s;
    QTest::newRow("a negative number") << u"-5.00"_s << u"-5.00"_s << u"-5.00"_s;
    QTest::newRow("a signed number") << u"+20.00"_s << u"+20.00"_s << u"+20.00"_s;
    QTest::newRow("a dash") << u"-"_s << u"-"_s << u"'-"_s;
    QTest::newRow("empty") << QString() << QString() << QString();
}

void PortfolioWindowTest::tabSeparatedAndCsv() {
    QFETCH(QString, cell);
    QFETCH(QString, tsv);
    QFETCH(QString, csv);
    QStandardItemModel model(2, 2);
    model.setHorizontalHeaderLabels({u"名称"_s, u"数"_s});
    model.setItem(0, 0, new QStandardItem(cell));
    model.setItem(0, 1, new QStandardItem(u"1"_s));
    model.setItem(1, 0, new QStandardItem(u"乙"_s));
    model.setItem(1, 1, new QStandardItem(u"2"_s));
    QCOMPARE(tabSeparatedRows(model, {0}), tsv + u"\t1\n"_s);
    QCOMPARE(tabSeparatedRows(model, {1, 0}), u"乙\t2\n"_s + tsv + u"\t1\n"_s);
    const QByteArray bytes = csvWithByteOrderMark(model);
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    QCOMPARE(QString::fromUtf8(bytes.sliced(3)), u"名称,数\r\n"_s + csv + u",1\r\n乙,2\r\n"_s);
}

void PortfolioWindowTest::menuEntryOverHolderRows() {
    query(u"甲基金"_s);
    const auto entry = [&](qsizetype line) {
        auto* box = control<OutputBox>("Text2");
        box->setSelection({line, 0}, {line, 0});
        int state = -1; // -1 absent, 0 disabled, 1 enabled
        QTimer::singleShot(0, this, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                if (QAction* a = actionNamed(menu, u"持仓一览"_s))
                    state = a->isEnabled() ? 1 : 0;
                menu->close();
            }
        });
        QTest::keyClick(box, Qt::Key_Menu);
        return state;
    };
    QCOMPARE(entry(shownLines().indexOf(rowOf600036)), 1);
    QCOMPARE(entry(0), -1); // the heading of the report: no stock
    QCOMPARE(entry(1), 0);  // an entry's heading: a stock, no holder
    query(u"600036"_s);
    QCOMPARE(entry(3), 1); // a row of a stock's table
    QCOMPARE(entry(2), 0); // its frame line
    QTest::mouseClick(control<QPushButton>("Command3"), Qt::LeftButton);
    QCOMPARE(entry(0), -1); // the help text
}

void PortfolioWindowTest::windowShowsThePortfolio() {
    query(u"甲基金"_s);
    PortfolioWindow* window = openPortfolio(rowOf600036);
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), u"持仓一览：甲基金"_s);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const PortfolioModel* model = window->model();
    QCOMPARE(window->view()->model(), model);
    QCOMPARE(model->portfolio().date, 20240630);
    QCOMPARE(model->rowCount(), 7);
    QVERIFY(!model->compared());
    QVERIFY2(window->summary().contains(u"报告期 2024-06-30：持有 4 只股票。十大股东 4 只，175.00 "
                                        u"万股；十大流通股东 1 只，120.00 万股。"_s),
             qPrintable(window->summary()));
    QVERIFY(window->summary().contains(u"另有 1 只股票没有该期报告"_s));
    // Sorted by a click on a column's header, and back.
    QHeaderView* header = window->view()->horizontalHeader();
    QTest::mouseClick(
        header->viewport(), Qt::LeftButton, {},
        QPoint(header->sectionViewportPosition(PortfolioModel::Shares) + 5, header->height() / 2));
    const QStringList shares = columnOf(*model, PortfolioModel::Shares);
    QStringList sorted = shares;
    std::sort(sorted.begin(), sorted.end(),
              [](const QString& a, const QString& b) { return a.toDouble() < b.toDouble(); });
    QVERIFY(shares == sorted || shares == QStringList(sorted.rbegin(), sorted.rend()));
    window->close();
}

void PortfolioWindowTest::periodAndComparisonChoices() {
    query(u"甲基金"_s);
    PortfolioWindow* window = openPortfolio(rowOf600036);
    QVERIFY(window);
    auto* period = window->findChild<QComboBox*>(u"period"_s);
    auto* comparison = window->findChild<QComboBox*>(u"comparison"_s);
    const auto items = [](QComboBox* box) {
        QStringList texts;
        for (int i = 0; i < box->count(); ++i)
            texts << box->itemText(i);
        return texts;
    };
    QCOMPARE(items(period), (QStringList{u"2024-06-30"_s, u"2024-03-31"_s, u"2023-12-31"_s}));
    QCOMPARE(items(comparison), (QStringList{u"无"_s, u"2024-03-31"_s, u"2023-12-31"_s}));
    QCOMPARE(comparison->currentText(), u"无"_s);

    // A comparison, chosen by keyboard as a user does: status and differences come.
    comparison->setFocus();
    QTest::keyClick(comparison, Qt::Key_Down);
    QCOMPARE(comparison->currentText(), u"2024-03-31"_s);
    QTRY_VERIFY(window->model()->compared());
    QCOMPARE(window->model()->columnCount(), 13);
    QVERIFY2(
        window->summary().contains(u"与 2024-03-31 相比（按股票的每张表计）：新进 1，退出 1，增持 "
                                   u"1，减持 1，不变 1，无可比报告 2。"_s),
        qPrintable(window->summary()));
    QVERIFY(window->summary().contains(u"可能仍持有前十名以外的股份"_s));

    // An earlier period: only earlier dates to compare with, the chosen one dropped.
    period->setFocus();
    QTest::keyClick(period, Qt::Key_Down);
    QCOMPARE(period->currentText(), u"2024-03-31"_s);
    QCOMPARE(items(comparison), (QStringList{u"无"_s, u"2023-12-31"_s}));
    QCOMPARE(comparison->currentText(), u"无"_s);
    QCOMPARE(window->model()->portfolio().date, 20240331);
    QVERIFY(!window->model()->compared());
    QCOMPARE(columnOf(*window->model(), PortfolioModel::Code),
             (QStringList{u"000002"_s, u"000003"_s, u"000006"_s, u"600036"_s, u"600036"_s,
                          u"000005"_s}));
    // A comparison that is still earlier stays when the period changes.
    window->choose(20240630, 20231231);
    period->setCurrentIndex(1);
    emit period->activated(1);
    QCOMPARE(comparison->currentText(), u"2023-12-31"_s);
    window->close();
}

void PortfolioWindowTest::doubleClickAndEnterShowTheStock() {
    query(u"甲基金"_s);
    PortfolioWindow* window = openPortfolio(rowOf600036);
    QVERIFY(window);
    window->choose(20240630, 20240331);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTableView* view = window->view();
    const HoldingsTable table = tableFromBytes(portfolioFile());
    // A row of D: its stock's table of D, as a code query shows it.
    const int row600036 =
        int(columnOf(*window->model(), PortfolioModel::Code).indexOf(u"600036"_s));
    const QRect cell = view->visualRect(window->model()->index(row600036, 1));
    // As a mouse does it: the press and release of the first click, then the second.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(shownLines().front(), table.header(0));
    QCOMPARE(shownLines().size(), 9);
    // The line listed apart: the table of its own date; by Enter on the current row.
    view->setFocus();
    view->setCurrentIndex(window->model()->index(window->model()->rowCount() - 1, 0));
    QTest::keyClick(view, Qt::Key_Return);
    QCOMPARE(shownLines().front(), table.header(12));
    // 退出: the table of D it is no longer in.
    view->setCurrentIndex(window->model()->index(1, 0));
    QTest::keyClick(view, Qt::Key_Enter);
    QCOMPARE(shownLines().front(), table.header(6));
    QVERIFY(!control<QLabel>("Picture1")->isVisible());
    window->close();
}

void PortfolioWindowTest::copyAndExport() {
    query(u"甲基金"_s);
    PortfolioWindow* window = openPortfolio(rowOf600036);
    QVERIFY(window);
    window->choose(20240630, 20240331);
    QTableView* view = window->view();
    view->setFocus();
    view->selectionModel()->select(window->model()->index(4, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view->selectionModel()->select(window->model()->index(0, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(
        QGuiApplication::clipboard()->text(),
        u"000002\t万科\t十大股东\t2024-06-30\t10.00\t0.10\t流通A股\t不变\t1\t不变\t10.00\t0.00\t0."
        u"00\n600036\t招商银行\t十大股东\t2024-06-30\t120.00\t1.20\t流通A股\t不变\t2\t增持\t100."
        u"00\t+20.00\t+0.20\n"_s);

    // 导出…: the file the user chooses, named after the holder and the date by default.
    QString suggested;
    const QString path = dir_.filePath(u"导出.csv"_s);
    window->setSaveFileChooser([&](const QString& name) {
        suggested = name;
        return path;
    });
    QTest::mouseClick(window->findChild<QPushButton*>(u"export"_s), Qt::LeftButton);
    QVERIFY2(suggested.endsWith(u"持仓一览_甲基金_2024-06-30.csv"_s), qPrintable(suggested));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF代码,股票,表,报告期,持股数(万股),占比(%),股份性质,增减,"
                             "名次,状态,比较期(万股),变化(万股),占比变化\r\n"));
    QCOMPARE(bytes.count("\r\n"), 9);
    QVERIFY(
        bytes.contains("000003,平安,十大股东,2024-06-30,,,流通A股,,,退出,5.00,-5.00,-0.50\r\n"));
    // Declined: nothing written.
    QVERIFY(f.remove());
    window->setSaveFileChooser([](const QString&) { return QString(); });
    QTest::mouseClick(window->findChild<QPushButton*>(u"export"_s), Qt::LeftButton);
    QVERIFY(!QFile::exists(path));
    window->close();
}

void PortfolioWindowTest::exportFailureIsShown() {
    query(u"甲基金"_s);
    PortfolioWindow* window = openPortfolio(rowOf600036);
    QVERIFY(window);
    QVERIFY(!window->exportTo(dir_.filePath(u"no/such/folder/x.csv"_s)));
    auto* box = window->findChild<QMessageBox*>(u"exportFailed"_s);
    QVERIFY(box);
    QVERIFY(box->text().contains(u"x.csv"_s));
    box->close();
    window->close();
}

void PortfolioWindowTest::readableByScreenReaders() {
    query(u"甲基金"_s);
    PortfolioWindow* window = openPortfolio(rowOf600036);
    QVERIFY(window);
    window->choose(20240630, 20240331);
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(window->view());
    QVERIFY(table);
    QCOMPARE(table->role(), QAccessible::Table);
    QCOMPARE(table->text(QAccessible::Name), u"持仓表"_s);
    QCOMPARE(table->text(QAccessible::Description), window->summary().replace(u'\n', u' '));
    QAccessibleTableInterface* cells = table->tableInterface();
    QVERIFY(cells);
    QCOMPARE(cells->rowCount(), 8);
    QCOMPARE(cells->columnCount(), 13);
    QCOMPARE(cells->cellAt(0, 0)->text(QAccessible::Name), u"000002"_s);
    QCOMPARE(cells->columnDescription(PortfolioModel::Status), u"状态"_s);
    // The choices are named by their labels, as screen readers on Linux take a combo box's
    // name (its own name there is its current text).
    for (const auto& [name, label] :
         {std::pair{"period", u"报告期："_s}, std::pair{"comparison", u"比较："_s}}) {
        QAccessibleInterface* box = QAccessible::queryAccessibleInterface(
            window->findChild<QComboBox*>(QLatin1StringView(name)));
        QVERIFY(box);
        QStringList labels;
        for (const auto& [other, relation] : box->relations(QAccessible::Label))
            labels << other->text(QAccessible::Name);
        QCOMPARE(labels, QStringList{label});
    }
    // Every control by Tab, in order: the two choices, 导出…, the table.
    QList<QWidget*> chain;
    QWidget* w = window->findChild<QComboBox*>(u"period"_s);
    for (int i = 0; i < 4; ++i) {
        chain << w;
        w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisible())
            w = w->nextInFocusChain();
    }
    QCOMPARE(chain,
             (QList<QWidget*>{window->findChild<QComboBox*>(u"period"_s),
                              window->findChild<QComboBox*>(u"comparison"_s),
                              window->findChild<QPushButton*>(u"export"_s), window->view()}));
    window->close();
}

void PortfolioWindowTest::unreadableRowIsNamedNotShown() {
    std::vector<StockRecord> records = portfolioRecords();
    QByteArray bytes = dataFileOf(records);
    // 甲基金's row of 000002 at D loses its last bar: four cells.
    const QByteArray row =
        gbkBytes(u"  甲基金                │     10.00│      0.10│ 流通A股  │ 不变"_s);
    const qsizetype at = bytes.indexOf(row);
    QVERIFY(at > 0);
    bytes.replace(at, row.size(),
                  gbkBytes(u"  甲基金                │     10.00│      0.10│ 流通A股"_s));
    writeData(bytes);
    form_->Form_Load();
    query(u"甲基金"_s);
    PortfolioWindow* window = openPortfolio(rowOf600036);
    QVERIFY(window);
    const int line = int(bytes.left(at).count('\n')) + 1;
    QVERIFY2(window->summary().startsWith(u"无法列出持仓："_s), qPrintable(window->summary()));
    QVERIFY2(window->summary().contains(u"第 %1 行"_s.arg(line)), qPrintable(window->summary()));
    QVERIFY(window->summary().contains(u"gegu-import"_s));
    QCOMPARE(window->model()->rowCount(), 0);
    window->close();
}

void PortfolioWindowTest::fileWithoutDatesSaysSo() {
    // A data file of the classic kind, whose headers name no report date: no periods to list.
    writeData(gbkFile({u"0"_s, u"600036 招商银行"_s, u"1"_s, u"head"_s,
                       u"  甲基金                │    120.00│      1.20│ 流通A股  │ 不变"_s}));
    form_->Form_Load();
    query(u"600036"_s);
    PortfolioWindow* window =
        openPortfolio(u"  甲基金                │    120.00│      1.20│ 流通A股  │ 不变"_s);
    QVERIFY(window);
    QVERIFY2(window->summary().contains(u"表头没有报告期"_s), qPrintable(window->summary()));
    QCOMPARE(window->model()->rowCount(), 0);
    QCOMPARE(window->findChild<QComboBox*>(u"period"_s)->count(), 0);
    window->close();
}

QTEST_MAIN(PortfolioWindowTest)
#include "tst_portfolio_window.moc"
