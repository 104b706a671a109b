#pragma once

#include "holdings/holdings_table.h"
#include "queries/name_index.h"

#include <QString>
#include <QWidget>
#include <atomic>
#include <memory>
#include <thread>

class QLabel;
class QLineEdit;

namespace gegu {

class GraphicalButton;
class OutputBox;

// The web page from which new data files are downloaded by hand; set when Gegu is built.
inline constexpr QStringView UpdatePageAddress = u"" GEGU_UPDATE_PAGE;

// The help and support text: eight items, each but the last followed by three LF CR pairs,
// the last by one.
QString helpText();

// The main window: a query box, the query, help and update buttons, the output box with the
// picture panel lying over it, a prompt and a title, all at fixed places. The window owns the
// holdings table, which Form_Load fills once.
class cid : public QWidget {
    Q_OBJECT
public:
    explicit cid(QWidget* parent = nullptr);
    ~cid() override;

    // Start-up, before the window first shows: loads the data file (throws RuntimeError when it
    // is missing or malformed), puts the help text into the output box and shows the panel.
    void Form_Load();

    // The longest report, in characters, that the output box takes; a longer one is runtime
    // error 7. Set from the machine's memory; tests set less.
    void setReportLimit(qsizetype characters);
    // Whether the index of the holders' names is there yet.
    bool nameIndexReady() const { return indexReady_.load(std::memory_order_acquire); }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

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
    // Centres the window, its frame included, on the screen that holds it.
    void centreOnScreen();

    HoldingsTable holdings_;
    // The index of the holders' names, made on a thread of its own after start-up; until it is
    // ready, a name query reads every row.
    std::unique_ptr<NameIndex> index_;
    std::atomic<bool> indexReady_ = false;
    std::thread indexing_;
    qsizetype reportLimit_;
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
