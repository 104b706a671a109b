#pragma once

#include "holdings/holdings_table.h"

#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace gegu {

class GraphicalButton;

// The web page from which new data files are downloaded by hand.
inline constexpr QStringView UpdatePageAddress =
    u"http://blog.example.com/gegu/gegusj-updates.html";

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
    void setReportLimit(qsizetype characters) { reportLimit_ = characters; }

protected:
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

    // Replaces the whole output box and shows it from its first line. Only CR LF starts a line.
    void setOutputText(QStringView text);
    void setCommand1Default(bool isDefault);

    HoldingsTable holdings_;
    qsizetype reportLimit_;
    QString ReportText;

    GraphicalButton* Command1;
    GraphicalButton* Command2;
    GraphicalButton* Command3;
    QLineEdit* Text1;
    QPlainTextEdit* Text2;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Picture1;
};

} // namespace gegu
