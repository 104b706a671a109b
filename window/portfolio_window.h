#pragma once

#include "queries/portfolio.h"

#include <QDialog>
#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;

namespace gegu {

class PortfolioModel;

// The window that 持仓一览 opens: a holder's portfolio across every stock, at a report date of
// the user's choice and compared with an earlier one, as a sortable table under its summary.
// Double-click or Enter on a row shows that stock's table of the row's period in the main
// window; Ctrl+C copies the selected rows as tab-separated text; 导出… saves the table as CSV.
class PortfolioWindow : public QDialog {
    Q_OBJECT
public:
    PortfolioWindow(PortfolioSource source, const QString& holder, QWidget* parent = nullptr);

    const PortfolioModel* model() const { return model_; }
    QTableView* view() const { return view_; }
    // The summary above the table, also the table's description for screen readers.
    QString summary() const;

    // Chooses the report date and the comparison (0: none), as the two choices do.
    void choose(ReportDate date, ReportDate since);
    // Copies the selected rows to the clipboard as tab-separated text.
    void copySelection();
    // Saves the table as CSV at path; a failure is shown in a box. True when saved.
    bool exportTo(const QString& path);
    // How 导出… asks where to save (a file dialog); tests put another in place. An empty answer
    // saves nothing.
    void setSaveFileChooser(std::function<QString(const QString& suggested)> choose) {
        chooseFile_ = std::move(choose);
    }

signals:
    // The user asks to see a stock's table: record `record` of `table`.
    void showRecord(std::shared_ptr<const HoldingsTable> table, qsizetype record);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Fills the comparison's choices for the chosen date: none, and every earlier date.
    void fillComparisons(ReportDate since);
    void refresh();
    // Widens the window to show every column, as far as the screen allows.
    void fitToTable();
    void showRow(int row);
    void exportTable();

    PortfolioSource source_;
    QString holder_;
    PortfolioModel* model_;
    QLabel* summary_;
    QComboBox* period_;
    QComboBox* comparison_;
    QPushButton* export_;
    QTableView* view_;
    std::function<QString(const QString&)> chooseFile_;
};

} // namespace gegu
