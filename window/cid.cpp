#include "cid.h"

#include "graphical_button.h"
#include "holder_course.h"
#include "holdings/data_file.h"
#include "holdings/runtime_error.h"
#include "holdings/table_text.h"
#include "import/export_folder.h"
#include "look.h"
#include "output_box.h"
#include "portfolio_window.h"
#include "queries/history.h"
#include "queries/query.h"
#include "report_limit.h"
#include "report_lines.h"
#include "startup.h"

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

// An import error for people: where, then what.
QString errorLine(const ImportError& e) {
    return e.line > 0 ? u"%1 第 %2 行：%3"_s.arg(e.file).arg(e.line).arg(e.message)
                      : u"%1：%2"_s.arg(e.file, e.message);
}

} // namespace

QString updatePageAddress() {
    if (!UpdatePageAddress.isEmpty())
        return UpdatePageAddress.toString();
    for (const NativePath& place : installedFilePlaces(u"update.html")) {
        std::error_code error;
        if (std::filesystem::is_regular_file(place, error))
            return QUrl::fromLocalFile(displayName(std::filesystem::absolute(place))).toString();
    }
    return {};
}

QString helpText() {
    static const char16_t* const items[] = {
        u"    感谢您对此软件的支持！本软件为免费软件，您可以使用全部功能。",
        u"    本软件从开发制作以来，特别是数据收集整理，作者本人付出了相当多的时间和精力。因此如果"
        u"您对本人的努力表示认可，并愿意为此给予奖励，您可以向下面的银行账号汇款，汇款数目，由您决"
        u"定。"
        u"有了您的奖赏，作者才会投入更多的精力，来使软件变得更加完善。",
        u"    "
        u"在您汇款以后，请与本人取得联系，如果您有自己的经营项目，您将可以通过本软件发布您的商业"
        u"信息。",
        u"开户银行：工商银行白石市东岸支行",
        u"银行账号：6543 2109 8765 4321 098",
        u"户\u3000\u3000名：Tessaly",
        u"咨询电话：0555-2468013",
        u"任何疑问请来电咨询，查看时效，风险自担。",
    };
    QString text;
    for (const char16_t* item : items) {
        if (!text.isEmpty())
            text += u"\n\r\n\r\n\r";
        text += QString::fromUtf16(item);
    }
    text += u"\n\r";
    return text;
}

cid::cid(QWidget* parent) : QWidget(parent), reportLimit_(reportLimit()) {
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
    Picture1->setAccessibleName(QStringLiteral("广告图片"));

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
    Text2->setAccessibleName(QStringLiteral("查询结果"));
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
    dataInUse_ = std::move(loaded);
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
    RuntimeError why(ErrorNumber::DeviceIOError);
    switch (dataInUse_->refresh(&why)) {
    case DataFileInUse::Refresh::Reloaded:
        describeData();
        break;
    case DataFileInUse::Refresh::Failed: {
        auto* box = new QMessageBox(QMessageBox::Warning, u"Gegu"_s,
                                    u"数据文件已经改变，但无法重新载入，仍使用原来的数据。\n\n"_s +
                                        errorBoxText(why),
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
    auto* box = new QMessageBox(QMessageBox::Information, u"Gegu"_s,
                                u"无法打开浏览器。请复制下面的地址，在浏览器中打开：\n\n"_s +
                                    QUrl(address).toDisplayString(QUrl::PreferLocalFile),
                                QMessageBox::Ok, this);
    box->setObjectName(u"noBrowser"_s);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void cid::describeData() {
    const DataInfo& info = data()->info();
    QString text = u"数据文件："_s + displayName(std::filesystem::absolute(info.path)) +
                   u"\n共 %1 只股票"_s.arg(info.stocks);
    if (!info.oldestDate.isEmpty())
        text += info.oldestDate == info.newestDate
                    ? u"，报告期 %1"_s.arg(info.newestDate)
                    : u"，报告期 %1 至 %2（%3 期）"_s.arg(info.oldestDate, info.newestDate)
                          .arg(info.dates);
    if (info.sample)
        text += u"\n这是随程序附带的示例数据，不是真实的股东资料。"_s;
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
    QMenu* periods = menu->addMenu(u"往期报告"_s);
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
    QAction* course = menu->addAction(u"持股变化"_s, this, [this, table, code, record, cells] {
        const StockHeader stock = readStockHeader(table->header(record));
        auto* window = new HolderCourseWindow(
            cells->name, (stock.code + u' ' + stock.name).trimmed(), stock.table(),
            holderCourse(*table, code, cells->name, stock.floatHolders), this);
        window->show();
        window->activateWindow();
    });
    course->setEnabled(cells.has_value());
    // The holder's whole portfolio, from the data the report was drawn from.
    QAction* holdings = menu->addAction(u"持仓一览"_s, this, [this, table, cells] {
        const std::shared_ptr<LoadedHoldings>& loaded = dataInUse_->current();
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

void cid::importExports(const std::vector<NativePath>& exports) {
    const ExportFolder folder(userDataDirectory());
    if (folder.holdsOtherDataFile()) {
        QMessageBox ask(QMessageBox::Question, u"Gegu"_s,
                        u"数据文件夹里已有一个不是由本程序生成的数据文件：\n\n%1\n\n"
                        "导入后，它将由导入的文件和以前导入的文件重新生成，"
                        "其中的其他数据将不再保留。是否继续？"_s.arg(
                            displayName(std::filesystem::absolute(folder.dataFile()))),
                        QMessageBox::Yes | QMessageBox::No, this);
        ask.setObjectName(u"replaceDataFile"_s);
        ask.setDefaultButton(QMessageBox::No);
        if (ask.exec() != QMessageBox::Yes)
            return;
    }

    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ExportFolder::Result result = folder.add(exports);
    QApplication::restoreOverrideCursor();
    using Outcome = ExportFolder::Result::Outcome;
    switch (result.outcome) {
    case Outcome::ImportFailed: {
        QStringList details;
        for (const ImportError& e : result.errors.first())
            details << errorLine(e);
        if (const qint64 more = result.errors.count() - qsizetype(details.size()); more > 0)
            details << u"……另有 %1 个错误"_s.arg(more);
        showImportFailure(u"导入的文件有 %1 处错误。"_s.arg(result.errors.count()), details);
        return;
    }
    case Outcome::NoRows:
        showImportFailure(u"导入的文件里没有股东数据。"_s, {});
        return;
    case Outcome::WriteFailed:
        showImportFailure(u"无法写入数据文件夹。"_s, {result.writeError});
        return;
    case Outcome::Built:
        break;
    }

    try {
        auto inUse = std::make_unique<DataFileInUse>(folder.dataFile());
        dataInUse_ = std::move(inUse);
    } catch (const RuntimeError& e) {
        showImportFailure(u"新的数据文件无法载入，仍使用原来的数据。"_s, {errorBoxText(e)});
        return;
    }
    describeData();
    const DataInfo& info = data()->info();
    QString text =
        u"已导入：%1\n\n数据文件：%2\n共 %3 只股票"_s
            .arg(result.added.join(u"、"_s), displayName(std::filesystem::absolute(info.path)))
            .arg(info.stocks);
    if (!info.oldestDate.isEmpty())
        text +=
            u"，报告期 %1 至 %2（%3 期）"_s.arg(info.oldestDate, info.newestDate).arg(info.dates);
    text += u"。\n由 %1 个导出文件生成，它们保存在 %2。"_s.arg(folder.keptExports().size())
                .arg(displayName(std::filesystem::absolute(folder.exportsFolder())));
    for (const QString& warning : result.summary.warnings)
        text += u"\n提示："_s + warning;
    Picture1->hide();
    Text2->setText(text);
}

void cid::showImportFailure(const QString& text, const QStringList& details) {
    QString shown = text + u"\n数据文件没有改变，导入的文件也没有保存。"_s;
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
