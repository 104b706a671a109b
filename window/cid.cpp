#include "cid.h"

#include "drop_report.h"
#include "export_question.h"
#include "graphical_button.h"
#include "holder_course.h"
#include "holdings/data_file.h"
#include "holdings/runtime_error.h"
#include "holdings/table_text.h"
#include "kept_exports_window.h"
#include "look.h"
#include "output_box.h"
#include "portfolio_window.h"
#include "queries/history.h"
#include "queries/query.h"
#include "report_limit.h"
#include "report_lines.h"
#include "startup.h"
#include "window_accessible.h"

#include <QApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

// Positions and sizes are given in twips, 15 to the logical pixel (1440 to the inch at 96 DPI).
constexpr int px(int twips) {
    return twips / 15;
}
QRect twipsRect(int left, int top, int width, int height) {
    return {px(left), px(top), px(width), px(height)};
}

// A label that sizes itself to its caption on one line and keeps its left and top: as wide as
// the caption plus one pixel, one em of its font high.
void autoSize(QLabel* label, QPoint topLeft) {
    const QFontMetrics metrics(label->font());
    label->setGeometry(topLeft.x(), topLeft.y(), metrics.horizontalAdvance(label->text()) + 1,
                       QFontInfo(label->font()).pixelSize());
}

void setColours(QWidget* w, QPalette::ColorRole background, QColor backColor,
                QPalette::ColorRole foreground, QColor foreColor) {
    QPalette pal = w->palette();
    pal.setColor(background, backColor);
    pal.setColor(foreground, foreColor);
    w->setPalette(pal);
}

bool isEnter(const QKeyEvent* e) {
    return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
}

// Tab and Shift+Tab move the focus; the key handlers never see them.
bool movesFocus(const QKeyEvent* e) {
    return e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab;
}

// The local files that a drag carries.
std::vector<NativePath> localFiles(const QMimeData* mime) {
    std::vector<NativePath> files;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile())
            files.push_back(nativePath(url.toLocalFile()));
    return files;
}

bool isDrag(const QEvent* event) {
    return event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove ||
           event->type() == QEvent::Drop;
}

} // namespace

cid::cid(QWidget* parent) : QWidget(parent), reportLimit_(reportLimit()) {
    installWindowAccessibility();
    setObjectName(QStringLiteral("cid"));
    setWindowTitle(QStringLiteral("Varnel老师设计（qq:246813579电话0555-2468013）"));
    setWindowIcon(QIcon(QStringLiteral(":/gegu.ico")));
    resize(px(10155), px(7845));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Midlight));
    setPalette(pal);

    // Created in this order; where two overlap, the earlier one lies on top.
    Command3 = new GraphicalButton(QStringLiteral("帮助信息"), bgr(0x00FFC0C0), this);
    Command2 = new GraphicalButton(QStringLiteral("数据下载更新"), bgr(0x0080FFFF), this);
    Picture1 = new QLabel(this);
    Text1 = new QLineEdit(QStringLiteral("华夏大盘"), this);
    Text2 = new OutputBox(this);
    Command1 = new GraphicalButton(QStringLiteral("精确查询"), bgr(0x00C0E0FF), this);
    Label1 = new QLabel(QStringLiteral("请输入股东名称（或证券代码）"), this);
    Label2 = new QLabel(QStringLiteral("Quillmark"), this);
    const QList<QWidget*> creationOrder{Command3, Command2, Picture1, Text1,
                                        Text2,    Command1, Label1,   Label2};
    for (auto it = creationOrder.rbegin(); it != creationOrder.rend(); ++it)
        (*it)->raise();

    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setFont(songFont(12));
    Command3->setGeometry(twipsRect(8400, 240, 1335, 375));

    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(twipsRect(480, 960, 1455, 375));

    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(twipsRect(240, 1440, 9375, 6135));
    Picture1->setPixmap(QPixmap(QStringLiteral(":/picture.bmp")));
    Picture1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Picture1->setFocusPolicy(Qt::StrongFocus);
    Picture1->setAccessibleName(tr("Advertisement"));

    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setFont(songFont(15));
    Text1->setMaxLength(std::numeric_limits<int>::max()); // the box has no length limit
    Text1->setGeometry(twipsRect(4800, 600, 3135, 495));
    // Screen readers name the query box by the prompt above it.
    Text1->setAccessibleName(Label1->text());

    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setFont(songFont(12));
    Text2->setGeometry(twipsRect(240, 1440, 9615, 6135));
    setColours(Text2, QPalette::Base, bgr(0x00FFC0FF), QPalette::Text, bgr(0x000000FF));
    Text2->setAccessibleName(tr("Query results"));
    // What edits keep counts against the report limit: passing it is runtime error 7, as a
    // report too large to hold is.
    Text2->setEditLimit(reportLimit_);
    connect(Text2, &OutputBox::editLimitExceeded, this, [] {
        reportRuntimeError(RuntimeError(ErrorNumber::OutOfMemory));
        QCoreApplication::exit(1);
    });

    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setFont(songFont(12));
    Command1->setGeometry(twipsRect(8400, 720, 1335, 375));

    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(songFont(12));
    Label1->setAutoFillBackground(true);
    setColours(Label1, QPalette::Window, palette().color(QPalette::Base), QPalette::WindowText,
               bgr(0x000000C0));
    autoSize(Label1, {px(4800), px(240)});

    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(songFont(18));
    Label2->setAutoFillBackground(true);
    setColours(Label2, QPalette::Window, palette().color(QPalette::Button), QPalette::WindowText,
               bgr(0x000000FF));
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    autoSize(Label2, {px(240), px(480)});

    // A focused button takes Enter itself, as buttons do on the desktop; otherwise Enter goes
    // to Command1 while it is the default button. Qt's own default-button handling is not
    // used: outside a dialog it moves the role with the focus.
    for (GraphicalButton* b : {Command1, Command2, Command3}) {
        b->setAutoDefault(false);
        b->installEventFilter(this);
    }
    setCommand1Default(true);

    setTabOrder(Text1, Command1);
    setTabOrder(Command1, Command3);
    setTabOrder(Command3, Command2);
    setTabOrder(Command2, Picture1);
    setTabOrder(Picture1, Text2);
    Text1->setFocus();

    connect(Command1, &QPushButton::clicked, this, &cid::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &cid::Command2_Click);
    // The data's own menu: the files imported.
    Command2->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Command2, &QWidget::customContextMenuRequested, this, [this](QPoint at) {
        QMenu menu(this);
        menu.setObjectName(u"dataMenu"_s);
        menu.addAction(tr("Files imported…"), this, &cid::showKeptExports);
        menu.exec(Command2->mapToGlobal(at));
    });
    connect(Command3, &QPushButton::clicked, this, &cid::Command3_Click);
    for (QWidget* w : {static_cast<QWidget*>(Text1), static_cast<QWidget*>(Label1),
                       static_cast<QWidget*>(Picture1), static_cast<QWidget*>(Text2)})
        w->installEventFilter(this);
    connect(Text2, &OutputBox::contextMenuAboutToShow, this, &cid::addHistoryEntries);
    // Files dropped anywhere on the window are exports to import; the boxes take only text.
    setAcceptDrops(true);
    Text2->viewport()->installEventFilter(this);
    openUrl_ = [](const QUrl& url) {
        return QDesktopServices::openUrl(url);
    };

    centreOnScreen();
}

cid::~cid() = default;

void cid::setReportLimit(qsizetype characters) {
    reportLimit_ = characters;
    Text2->setEditLimit(characters);
}

void cid::Form_Load() {
    Form_Load(std::make_unique<DataFileInUse>(findDataFile()));
}

void cid::Form_Load(std::unique_ptr<DataFileInUse> loaded) {
    // The old data and its index (stopped if still being made) go only now that the new is in.
    workflow_ = std::make_unique<DataWorkflow>(std::move(loaded));
    describeData();
    Text2->clear();
    Command3_Click();
    Picture1->show();
}

void cid::Command1_Click() {
    Picture1->hide();
    setCommand1Default(false);
    // A data file changed on disk since it was loaded answers from now on; one that fails to
    // load leaves the data there was, and says so.
    const DataWorkflow::Reload reload = workflow_->refresh();
    switch (reload.outcome) {
    case DataFileInUse::Refresh::Reloaded:
        describeData();
        break;
    case DataFileInUse::Refresh::Failed: {
        auto* box = new QMessageBox(QMessageBox::Warning, u"Gegu"_s,
                                    tr("The data file has changed but cannot be loaded again; "
                                       "the data loaded before is still used.") +
                                        u"\n\n"_s + errorBoxText(*reload.error),
                                    QMessageBox::Ok, this);
        box->setObjectName(u"reloadFailed"_s);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        break;
    }
    case DataFileInUse::Refresh::Unchanged:
        break;
    }
    try {
        try {
            // The box shows the report's lines as it needs them; nothing is copied.
            Text2->setSource(std::make_shared<ReportLines>(data()->query(Text1->text())));
        } catch (const std::bad_alloc&) {
            throw RuntimeError(ErrorNumber::OutOfMemory);
        }
    } catch (const RuntimeError& e) {
        // Nothing catches a runtime error: Gegu ends after the error box.
        reportRuntimeError(e);
        QCoreApplication::exit(1);
    }
}

void cid::Command2_Click() {
    Picture1->show();
    const QString address = updatePageAddress();
    if (openUrl_(QUrl(address)))
        return;
    // No browser to open it: the address, to be copied.
    auto* box =
        new QMessageBox(QMessageBox::Information, u"Gegu"_s,
                        tr("No web browser could be opened. Copy the address below "
                           "and open it in a browser:") +
                            u"\n\n"_s + QUrl(address).toDisplayString(QUrl::PreferLocalFile),
                        QMessageBox::Ok, this);
    box->setObjectName(u"noBrowser"_s);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void cid::describeData() {
    const DataInfo& info = data()->info();
    QString text = tr("Data file: %1").arg(displayName(std::filesystem::absolute(info.path))) +
                   u'\n' + tr("%1 stocks").arg(info.stocks);
    if (!info.oldestDate.isEmpty())
        text += info.oldestDate == info.newestDate
                    ? tr(", report date %1").arg(info.newestDate)
                    : tr(", report dates %1 to %2 (%3 periods)")
                          .arg(info.oldestDate, info.newestDate, QString::number(info.dates));
    if (info.sample)
        text += u'\n' + tr("This is the sample that comes with the program, not real "
                           "shareholders' data.");
    if (!info.recordCount)
        text += u'\n' + tr("It does not look like a data file: its first line holds no record "
                           "count.");
    Command2->setToolTip(text);
    Command2->setAccessibleDescription(text);
}

void cid::addHistoryEntries(QMenu* menu, qsizetype line) {
    const auto* lines = dynamic_cast<const ReportLines*>(Text2->document().source().get());
    const qsizetype k = Text2->sourceLine(line);
    if (!lines || k < 0)
        return;
    const Report& report = lines->report();
    const qsizetype record = report.recordOf(k);
    if (record < 0)
        return;
    // The report's own table: it stays what was shown, whatever has been loaded since.
    const std::shared_ptr<const HoldingsTable> table = report.sharedTable();
    const double code = table->stockCode(record);
    menu->addSeparator();
    QMenu* periods = menu->addMenu(tr("Earlier periods"));
    periods->setObjectName(u"periods"_s);
    const std::vector<Period> stockReports = stockPeriods(*table, code);
    // Where the stock has tables of both kinds, a date alone would name two of them.
    const bool bothTables = holdsBothTables(stockReports);
    for (const Period& period : stockReports) {
        QString name = period.date.isEmpty() ? table->header(period.record) : period.date;
        if (bothTables && !period.date.isEmpty())
            name += u"  "_s + tableName(period.floatHolders).toString();
        periods->addAction(name, this, [this, table, period] {
            Picture1->hide();
            Text2->setSource(std::make_shared<ReportLines>(codeReport(table, period.record)));
        });
    }
    const qsizetype row = report.tableLine(k);
    const std::optional<HolderCells> cells =
        row >= 0 && table->isHolderRow(row) ? readHolderCells(table->line(row)) : std::nullopt;
    // The course follows the table of the row clicked: a float holder's course among the float's
    // holders, with its ratio of the float.
    QAction* course =
        menu->addAction(tr("Holding history"), this, [this, table, code, record, cells] {
            const StockHeader stock = readStockHeader(table->header(record));
            auto* window = new HolderCourseWindow(
                cells->name, (stock.code + u' ' + stock.name).trimmed(), stock.table(),
                holderCourse(*table, code, cells->name, stock.floatHolders), this);
            window->show();
            window->activateWindow();
        });
    course->setEnabled(cells.has_value());
    // The holder's whole portfolio, from the data the report was drawn from.
    QAction* holdings = menu->addAction(tr("Portfolio"), this, [this, table, cells] {
        const std::shared_ptr<LoadedHoldings>& loaded = workflow_->current();
        auto* window =
            new PortfolioWindow(&loaded->table() == table.get() ? loaded->portfolioSource()
                                                                : PortfolioSource::of(table),
                                cells->name, this);
        connect(window, &PortfolioWindow::showRecord, this,
                [this](const std::shared_ptr<const HoldingsTable>& shown, qsizetype r) {
                    Picture1->hide();
                    Text2->setSource(std::make_shared<ReportLines>(codeReport(shown, r)));
                    raise();
                    activateWindow();
                });
        window->show();
        window->activateWindow();
    });
    holdings->setEnabled(cells.has_value());
}

void cid::Command3_Click() {
    Picture1->hide();
    ReportText = helpText();
    Text2->setText(ReportText);
}

void cid::Label1_Click() {
    Picture1->show();
}

void cid::Picture1_Click() {
    Picture1->hide();
}

void cid::Text1_Click() {
    Picture1->hide();
}

void cid::Text1_KeyDown(int, Qt::KeyboardModifiers) {
    setCommand1Default(true);
}

void cid::Form_KeyDown(int, Qt::KeyboardModifiers) {
    setCommand1Default(true);
}

void cid::setCommand1Default(bool isDefault) {
    command1Default_ = isDefault;
    Command1->setShowsDefault(isDefault);
}

void cid::centreOnScreen() {
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

bool cid::event(QEvent* event) {
    // The frame is known only once a window manager has put it around the shown window; the
    // window is centred again as soon as it is there.
    if (centring_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
                      event->type() == QEvent::Show)) {
        const bool framed = frameGeometry() != geometry();
        if (framed) {
            centring_ = false;
            centreOnScreen();
        }
    }
    return QWidget::event(event);
}

bool cid::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == Text1 || watched == Text2->viewport()) && isDrag(event)) {
        auto* drag = static_cast<QDropEvent*>(event);
        if (localFiles(drag->mimeData()).empty())
            return false;
        drag->acceptProposedAction();
        if (event->type() == QEvent::Drop)
            dropFiles(drag->mimeData());
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const auto* widget = static_cast<QWidget*>(watched);
        if (mouse->button() == Qt::LeftButton &&
            widget->rect().contains(mouse->position().toPoint())) {
            if (watched == Label1)
                Label1_Click();
            else if (watched == Picture1)
                Picture1_Click();
            else if (watched == Text1)
                Text1_Click();
        }
        return false;
    }
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (movesFocus(key))
            return false;
        if (auto* button = qobject_cast<GraphicalButton*>(watched)) {
            // The focused button takes Enter; other keys go on to the window.
            if (!isEnter(key))
                return false;
            button->click();
            return true;
        }
        if (isEnter(key) && command1Default_) {
            Command1->click();
            return true;
        }
        if (watched == Text1) {
            Text1_KeyDown(key->key(), key->modifiers());
            return isEnter(key); // Enter without a default button presses nothing
        }
    }
    return false;
}

void cid::dragEnterEvent(QDragEnterEvent* event) {
    if (!localFiles(event->mimeData()).empty())
        event->acceptProposedAction();
}

void cid::dragMoveEvent(QDragMoveEvent* event) {
    if (!localFiles(event->mimeData()).empty())
        event->acceptProposedAction();
}

void cid::dropEvent(QDropEvent* event) {
    if (localFiles(event->mimeData()).empty())
        return;
    event->acceptProposedAction();
    dropFiles(event->mimeData());
}

void cid::dropFiles(const QMimeData* mime) {
    // The drag's source waits for the drop to end: questions and the import come after it.
    QMetaObject::invokeMethod(
        this, [this, files = localFiles(mime)] { importExports(files); }, Qt::QueuedConnection);
}

void cid::importExports(const std::vector<NativePath>& dropped) {
    // Folders bring the exports inside them.
    QStringList passedOver;
    const std::vector<NativePath> files = DataWorkflow::exportsIn(dropped, passedOver);
    if (files.empty()) {
        showImportFailure(tr("The folders dropped hold no exports (CSV or text files)."),
                          tr("The data file is unchanged."), passedOver);
        return;
    }
    std::vector<ExportFolder::NewExport> exports;
    for (const NativePath& file : files)
        exports.push_back({file, {}});
    for (bool asked = false;; asked = true) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        DataWorkflow::Drop result = workflow_->drop(exports, [this](const NativePath& other) {
            QApplication::restoreOverrideCursor();
            QMessageBox ask(
                QMessageBox::Question, u"Gegu"_s,
                tr("The data folder holds a data file that this program did not make:\n\n"
                   "%1\n\n"
                   "The import makes it again from the files imported now and before; "
                   "nothing else in it is kept. Go on?")
                    .arg(displayName(std::filesystem::absolute(other))),
                QMessageBox::Yes | QMessageBox::No, this);
            ask.setObjectName(u"replaceDataFile"_s);
            ask.setDefaultButton(QMessageBox::No);
            const bool yes = ask.exec() == QMessageBox::Yes;
            QApplication::setOverrideCursor(Qt::WaitCursor);
            return yes;
        });
        QApplication::restoreOverrideCursor();
        // What the exports do not say of themselves, the user is asked once.
        if (!asked && result.outcome == DataWorkflow::Drop::Outcome::ImportFailed &&
            askAboutExports(result, exports))
            continue;
        showDrop(result, passedOver);
        return;
    }
}

bool cid::askAboutExports(const DataWorkflow::Drop& drop,
                          std::vector<ExportFolder::NewExport>& exports) {
    const std::map<size_t, ExportQuestionNeed> questions = exportQuestions(drop, exports);
    if (questions.empty())
        return false;
    for (const auto& [i, q] : questions) {
        ExportQuestion ask(displayName(exports[i].path.filename()), q.why, q.codeAndDate, this);
        if (ask.exec() != QDialog::Accepted)
            return false;
        exports[i].name = nativePath(ask.keptName());
    }
    return true;
}

void cid::showDrop(const DataWorkflow::Drop& drop, const QStringList& passedOver,
                   const QStringList& removed) {
    if (drop.outcome == DataWorkflow::Drop::Outcome::Built)
        describeData();
    const DropReport report = dropReport(drop, data()->info(), passedOver, removed);
    switch (report.kind) {
    case DropReport::Kind::Nothing:
        return;
    case DropReport::Kind::Failure:
        showImportFailure(report.text, report.changed, report.details);
        return;
    case DropReport::Kind::Summary:
        // A line each: the output box breaks lines at CR LF.
        Picture1->hide();
        Text2->setText(report.details.join(u"\r\n"_s) + u"\r\n"_s);
        return;
    }
}

void cid::showKeptExports() {
    const ExportFolder folder = workflow_->userFolder();
    if (!keptExports_) {
        keptExports_ = new KeptExportsWindow(this);
        keptExports_->setAttribute(Qt::WA_DeleteOnClose);
        keptExports_->setRemove([this](const std::vector<NativePath>& names) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            const DataWorkflow::Drop result = workflow_->remove(names);
            QApplication::restoreOverrideCursor();
            QStringList shown;
            for (const NativePath& name : names)
                shown << displayName(name);
            showDrop(result, {}, shown);
            showKeptExports(); // the list as it stands now
        });
        keptExports_->setOpenFolder([this] {
            const NativePath place = workflow_->userFolder().exportsFolder();
            std::error_code ignored;
            std::filesystem::create_directories(place, ignored);
            const QUrl url = QUrl::fromLocalFile(displayName(std::filesystem::absolute(place)));
            if (openUrl_(url))
                return;
            auto* box = new QMessageBox(QMessageBox::Information, u"Gegu"_s,
                                        tr("The folder cannot be opened. It is:") + u"\n\n"_s +
                                            url.toDisplayString(QUrl::PreferLocalFile),
                                        QMessageBox::Ok, keptExports_);
            box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->open();
        });
    }
    keptExports_->setExports(folder.describeKept(),
                             displayName(std::filesystem::absolute(folder.exportsFolder())));
    keptExports_->show();
    keptExports_->raise();
    keptExports_->activateWindow();
}

void cid::showImportFailure(const QString& text, const QString& changed,
                            const QStringList& details) {
    QString shown = text + u'\n' + changed;
    constexpr qsizetype shownDetails = 10;
    for (qsizetype i = 0; i < std::min(shownDetails, details.size()); ++i)
        shown += (i == 0 ? u"\n\n"_s : u"\n"_s) + details[i];
    auto* box = new QMessageBox(QMessageBox::Warning, u"Gegu"_s, shown, QMessageBox::Ok, this);
    box->setObjectName(u"importFailed"_s);
    if (details.size() > shownDetails)
        box->setDetailedText(details.join(u'\n'));
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void cid::keyPressEvent(QKeyEvent* event) {
    if (isEnter(event) && command1Default_) {
        Command1->click();
        return;
    }
    Form_KeyDown(event->key(), event->modifiers());
}

} // namespace gegu
