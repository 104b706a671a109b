#pragma once

#include "help_and_update.h"
#include "import/data_workflow.h"
#include "queries/loaded_holdings.h"

#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QLineEdit;
class QMenu;
class QMimeData;

namespace gegu {

class GraphicalButton;
class KeptExportsWindow;
class OutputBox;

// The main window: a query box, the query, help and update buttons, the output box with the
// picture panel lying over it, a prompt and a title, all at fixed places. The window answers
// from the data that Form_Load loads.
class cid : public QWidget {
    Q_OBJECT
public:
    explicit cid(QWidget* parent = nullptr);
    ~cid() override;

    // Start-up, before the window first shows: loads the data file (throws RuntimeError when it
    // is missing or malformed), puts the help text into the output box and shows the panel.
    // Run again, it loads the data file afresh in place of the old.
    void Form_Load();
    // The same with the data file loaded already (see loadDataInBackground).
    void Form_Load(std::unique_ptr<DataFileInUse> loaded);

    // The longest report, in characters, that the output box takes; a longer one is runtime
    // error 7. Set from the machine's memory; tests set less.
    void setReportLimit(qsizetype characters);
    // Whether the index of the holders' names is there yet.
    bool nameIndexReady() const { return data() && data()->nameIndex(); }
    // The data the window answers from; null before Form_Load.
    const LoadedHoldings* data() const { return workflow_ ? workflow_->current().get() : nullptr; }
    // The data file in use and the drops, as the window works them; null before Form_Load.
    DataWorkflow* workflow() { return workflow_.get(); }
    // How the window opens a web page; tests put another in place.
    void setUrlOpener(std::function<bool(const QUrl&)> open) { openUrl_ = std::move(open); }

    // Adds CSV exports (and those in dropped folders) to the user's own ones and answers from
    // the data file built again from all of them; what a drop of files onto the window does
    // (DataWorkflow::drop). Asks first before it replaces a data file it did not build, and
    // what an export does not say of itself; then says what happened.
    void importExports(const std::vector<NativePath>& exports);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Label1_Click();
    void Picture1_Click();
    void Text1_Click();
    void Text1_KeyDown(int keyCode, Qt::KeyboardModifiers shift);
    void Form_KeyDown(int keyCode, Qt::KeyboardModifiers shift);

    void setCommand1Default(bool isDefault);
    // The data-update button's tooltip: which data file answers, how many stocks, which dates.
    void describeData();
    // The entries of the output box's context menu for the line under it: a stock's earlier
    // periods, a holder's course.
    void addHistoryEntries(QMenu* menu, qsizetype line);
    // Takes a drop of files: the import waits until the drop is over.
    void dropFiles(const QMimeData* mime);
    // What a drop (or a removal of kept exports) did: the summary in the output box, or a box
    // that says why nothing changed. passedOver: files of dropped folders not read; removed:
    // the kept exports removed.
    void showDrop(const DataWorkflow::Drop& drop, const QStringList& passedOver = {},
                  const QStringList& removed = {});
    // Asks what the exports that the drop could not read do not say (code, report date,
    // table), where every error is one that an answer settles; false when it cannot be so, or
    // the user does not answer. The answers go into the names the exports are kept under.
    bool askAboutExports(const DataWorkflow::Drop& drop,
                         std::vector<ExportFolder::NewExport>& exports);
    // 已导入的文件: the kept exports, to look at, remove, or open the folder of.
    void showKeptExports();
    // Shows a failed import of dropped exports: what went wrong, what that changed, and the
    // details (errors at their files and lines).
    void showImportFailure(const QString& text, const QString& changed, const QStringList& details);
    // Centres the window, its frame included, on the screen that holds it.
    void centreOnScreen();

    // The data file in use, loaded again when it changes on disk, and the drops; its index of
    // the holders' names is made on a thread of its own, and until it is ready a name query reads
    // every row.
    std::unique_ptr<DataWorkflow> workflow_;
    QPointer<KeptExportsWindow> keptExports_;
    std::function<bool(const QUrl&)> openUrl_;
    qsizetype reportLimit_;
    // Only the help text, as Command3 last composed it for Text2. Reports go to Text2 as the
    // lines a query makes (ReportLines), without a copy here.
    QString ReportText;
    // Only Command1 is ever the default button; moving the focus never changes that.
    bool command1Default_ = true;
    // Until the window manager has put its frame around the window, centring is repeated.
    bool centring_ = true;

    GraphicalButton* Command1;
    GraphicalButton* Command2;
    GraphicalButton* Command3;
    QLineEdit* Text1;
    OutputBox* Text2;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Picture1;
};

} // namespace gegu
