#include "portfolio_window.h"

#include "holdings/holdings_table.h"
#include "look.h"
#include "portfolio_model.h"
#include "queries/portfolio_report.h"
#include "table_export.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTableView>
#include <QVBoxLayout>

namespace gegu {

namespace {

// The window's words, kept together.
struct Texts {
    static QString title(const QString& holder) {
        return PortfolioWindow::tr("持仓一览：%1").arg(holder);
    }
    static QString period() { return PortfolioWindow::tr("报告期："); }
    static QString periodName() { return PortfolioWindow::tr("报告期"); }
    static QString comparison() { return PortfolioWindow::tr("比较："); }
    static QString comparisonName() { return PortfolioWindow::tr("比较"); }
    static QString noComparison() { return PortfolioWindow::tr("无"); }
    static QString exportButton() { return PortfolioWindow::tr("导出…"); }
    static QString table() { return PortfolioWindow::tr("持仓表"); }
    static QString exportTitle() { return PortfolioWindow::tr("导出持仓一览"); }
    static QString csvFiles() { return PortfolioWindow::tr("CSV 文件 (*.csv)"); }
    static QString suggestedName(const QString& holder, ReportDate date) {
        return PortfolioWindow::tr("持仓一览_%1_%2.csv").arg(holder, reportDateText(date));
    }
    static QString exportFailed(const QString& path, const QString& why) {
        return PortfolioWindow::tr("无法保存 %1：\n%2").arg(path, why);
    }
    static QString held(const Portfolio& p) {
        const PortfolioSummary& s = p.summary;
        return PortfolioWindow::tr("报告期 %1：持有 %2 只股票。十大股东 %3 只，%4 万股；"
                                   "十大流通股东 %5 只，%6 万股。")
            .arg(reportDateText(p.date))
            .arg(s.stocks)
            .arg(s.holders.stocks)
            .arg(portfolioNumber(s.holders.shares))
            .arg(s.floatHolders.stocks)
            .arg(portfolioNumber(s.floatHolders.shares));
    }
    static QString stale(qsizetype stocks) {
        return PortfolioWindow::tr("另有 %1 只股票没有该期报告，按其最近一期报告列出（灰色），"
                                   "不计入合计。")
            .arg(stocks);
    }
    static QString changes(const Portfolio& p) {
        const PortfolioSummary& s = p.summary;
        return PortfolioWindow::tr("与 %1 相比（按股票的每张表计）：新进 %2，退出 %3，增持 %4，"
                                   "减持 %5，不变 %6，无可比报告 %7。")
            .arg(reportDateText(p.since))
            .arg(s.newCount)
            .arg(s.exitedCount)
            .arg(s.increasedCount)
            .arg(s.decreasedCount)
            .arg(s.unchangedCount)
            .arg(s.notComparableCount);
    }
    static QString exitNote() {
        return PortfolioWindow::tr("退出：该期已不在前十名之列；它可能仍持有前十名以外的股份，"
                                   "数据无法显示。");
    }
    static QString unreadableCells(const QString& place, const QString& holder) {
        return PortfolioWindow::tr("无法列出持仓：%1 %2 的一行无法准确读出（名称之后应为持股数、"
                                   "占比、股份性质和增减，以竖线“│”分隔）。请用 gegu-import "
                                   "重新生成数据文件。")
            .arg(place, holder);
    }
    static QString undated(const QString& place, const QString& holder) {
        return PortfolioWindow::tr("无法列出持仓：%1 %2 的一行所在的表，表头没有报告期"
                                   "（yyyy-mm-dd）。请用 gegu-import 重新生成数据文件。")
            .arg(place, holder);
    }
    static QString noDates() {
        return PortfolioWindow::tr("无法列出持仓：数据文件的表头没有报告期（yyyy-mm-dd）。持仓一览"
                                   "需要各期的报告，请用 gegu-import --history 生成数据文件。");
    }
    static QString place(const QString& file, qsizetype line) {
        return file.isEmpty() ? PortfolioWindow::tr("数据文件第 %1 行：").arg(line)
                              : PortfolioWindow::tr("%1 第 %2 行：").arg(file).arg(line);
    }
};

bool isEnter(const QKeyEvent* e) {
    return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
}

} // namespace

PortfolioWindow::PortfolioWindow(PortfolioSource source, const QString& holder, QWidget* parent)
    : QDialog(parent), source_(std::move(source)), holder_(holder) {
    setObjectName(QStringLiteral("portfolio"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(Texts::title(holder));
    setFont(songFont(12));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Midlight));
    setPalette(pal);

    auto* periodLabel = new QLabel(Texts::period(), this);
    period_ = new QComboBox(this);
    period_->setObjectName(QStringLiteral("period"));
    period_->setAccessibleName(Texts::periodName());
    periodLabel->setBuddy(period_);
    for (const ReportDate date : source_.periods->dates())
        period_->addItem(reportDateText(date), date);
    auto* comparisonLabel = new QLabel(Texts::comparison(), this);
    comparison_ = new QComboBox(this);
    comparison_->setObjectName(QStringLiteral("comparison"));
    comparison_->setAccessibleName(Texts::comparisonName());
    comparisonLabel->setBuddy(comparison_);
    export_ = new QPushButton(Texts::exportButton(), this);
    export_->setObjectName(QStringLiteral("export"));
    export_->setAutoDefault(false);

    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("summary"));
    summary_->setWordWrap(true);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPalette summaryColours = summary_->palette();
    summaryColours.setColor(QPalette::WindowText, bgr(0x000000C0));
    summary_->setPalette(summaryColours);

    model_ = new PortfolioModel(this);
    view_ = new QTableView(this);
    view_->setObjectName(QStringLiteral("holdings"));
    view_->setModel(model_);
    view_->setAccessibleName(Texts::table());
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->setTabKeyNavigation(false);
    view_->verticalHeader()->hide();
    // Rows as high as a line of text, as in the output box, not a button's height.
    view_->verticalHeader()->setMinimumSectionSize(view_->fontMetrics().height() + 4);
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
    // In the portfolio's own order until a column is clicked: by code, the lines listed apart
    // last.
    view_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    view_->setSortingEnabled(true);
    // The output box's colours: red on pink.
    QPalette tableColours = view_->palette();
    tableColours.setColor(QPalette::Base, bgr(0x00FFC0FF));
    tableColours.setColor(QPalette::Text, bgr(0x000000FF));
    view_->setPalette(tableColours);
    view_->installEventFilter(this);

    auto* choices = new QHBoxLayout;
    choices->addWidget(periodLabel);
    choices->addWidget(period_);
    choices->addSpacing(16);
    choices->addWidget(comparisonLabel);
    choices->addWidget(comparison_);
    choices->addStretch(1);
    choices->addWidget(export_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addWidget(summary_);
    layout->addWidget(view_, 1);
    setTabOrder(period_, comparison_);
    setTabOrder(comparison_, export_);
    setTabOrder(export_, view_);

    fillComparisons(0);
    refresh();
    connect(period_, &QComboBox::activated, this, [this] {
        fillComparisons(comparison_->currentData().value<ReportDate>());
        refresh();
    });
    connect(comparison_, &QComboBox::activated, this, &PortfolioWindow::refresh);
    connect(view_, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { showRow(index.row()); });
    connect(export_, &QPushButton::clicked, this, &PortfolioWindow::exportTable);
    chooseFile_ = [this](const QString& suggested) {
        return QFileDialog::getSaveFileName(this, Texts::exportTitle(), suggested,
                                            Texts::csvFiles());
    };
    resize(760, 560);
    fitToTable();
    view_->setFocus();
}

void PortfolioWindow::fillComparisons(ReportDate since) {
    const ReportDate date = period_->currentData().value<ReportDate>();
    comparison_->clear();
    comparison_->addItem(Texts::noComparison(), ReportDate(0));
    for (const ReportDate earlier : source_.periods->dates()) {
        if (earlier < date)
            comparison_->addItem(reportDateText(earlier), earlier);
    }
    // The comparison chosen stays where it is still earlier.
    const int kept = comparison_->findData(since);
    comparison_->setCurrentIndex(kept >= 0 ? kept : 0);
}

void PortfolioWindow::choose(ReportDate date, ReportDate since) {
    const int at = period_->findData(date);
    if (at >= 0)
        period_->setCurrentIndex(at);
    fillComparisons(since);
    refresh();
}

void PortfolioWindow::refresh() {
    Portfolio p = portfolio(source_, holder_, period_->currentData().value<ReportDate>(),
                            comparison_->currentData().value<ReportDate>());
    QStringList summary;
    if (source_.periods->dates().empty()) {
        summary << Texts::noDates();
    } else if (!p.unreadableRows.empty()) {
        // Never a table that may be wrong: where the first row that cannot be read is.
        const qsizetype line = p.unreadableRows.front();
        const QString place = Texts::place(source_.fileName, line + 1);
        const qsizetype r = source_.table->recordOfLine(line);
        summary << (source_.periods->record(r).date == 0 ? Texts::undated(place, holder_)
                                                         : Texts::unreadableCells(place, holder_));
        p.holdings.clear();
    } else {
        summary << Texts::held(p);
        if (p.summary.staleStocks > 0)
            summary << Texts::stale(p.summary.staleStocks);
        if (p.since != 0)
            summary << Texts::changes(p) << Texts::exitNote();
    }
    model_->setPortfolio(std::move(p));
    summary_->setText(summary.join(u'\n'));
    view_->setAccessibleDescription(summary.join(u' '));
    view_->resizeColumnsToContents();
    fitToTable();
}

void PortfolioWindow::fitToTable() {
    // Wide enough for every column, where the screen has the room; never narrower than it is.
    const int columns = view_->horizontalHeader()->length();
    const QMargins margins = layout()->contentsMargins();
    const int wanted = columns + 2 * view_->frameWidth() +
                       view_->verticalScrollBar()->sizeHint().width() + margins.left() +
                       margins.right();
    const QScreen* shown = screen();
    if (!shown || wanted <= width())
        return;
    // The whole width of the screen at most, the window's frame included, and moved back onto
    // the screen where it grows over its edge.
    const QRect room = shown->availableGeometry();
    const int frame = frameGeometry().width() - width();
    const int grown = std::min(wanted, room.width() - frame);
    const int over = pos().x() + grown + frame - 1 - room.right();
    if (isVisible() && over > 0)
        move(std::max(room.left(), pos().x() - over), pos().y());
    resize(grown, height());
}

QString PortfolioWindow::summary() const {
    return summary_->text();
}

void PortfolioWindow::showRow(int row) {
    if (row < 0 || row >= model_->rowCount())
        return;
    emit showRecord(source_.table, model_->holding(row).record);
}

void PortfolioWindow::copySelection() {
    std::vector<int> rows;
    for (const QModelIndex& index : view_->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    if (rows.empty() && view_->currentIndex().isValid())
        rows.push_back(view_->currentIndex().row());
    if (!rows.empty())
        QGuiApplication::clipboard()->setText(tabSeparatedRows(*model_, rows));
}

bool PortfolioWindow::exportTo(const QString& path) {
    QString why;
    if (writeWholeFile(path, csvWithByteOrderMark(*model_), &why))
        return true;
    auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(),
                                Texts::exportFailed(QDir::toNativeSeparators(path), why),
                                QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("exportFailed"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    return false;
}

void PortfolioWindow::exportTable() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString suggested =
        QDir(folder).filePath(Texts::suggestedName(holder_, model_->portfolio().date));
    const QString path = chooseFile_(suggested);
    if (!path.isEmpty())
        exportTo(path);
}

bool PortfolioWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Copy)) {
            copySelection();
            return true;
        }
        if (isEnter(key)) {
            showRow(view_->currentIndex().row());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace gegu
