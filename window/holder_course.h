#pragma once

#include "queries/history.h"

#include <QDialog>
#include <QWidget>
#include <optional>
#include <vector>

class QTableWidget;

namespace gegu {

// A chart of a holder's course over a stock's periods, oldest on the left: a bar for the shares
// (万股, left axis) and a line for the ratio (%, right axis) in each period; a period without
// the holder is a gap, neither a bar nor a point.
class CourseChart : public QWidget {
    Q_OBJECT
public:
    explicit CourseChart(QWidget* parent = nullptr);

    // table: which top-ten table the course is of (十大股东 or 十大流通股东), to say so.
    void setCourse(const std::vector<HolderPeriod>& course, QStringView table);
    // The series as drawn: one entry a period, nullopt where there is a gap.
    const QStringList& dates() const { return dates_; }
    const std::vector<std::optional<double>>& shares() const { return shares_; }
    const std::vector<std::optional<double>>& ratios() const { return ratios_; }

    QSize sizeHint() const override { return {560, 300}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList dates_;
    std::vector<std::optional<double>> shares_;
    std::vector<std::optional<double>> ratios_;
};

// The window that 持股变化 opens: the chart of a holder's course in a stock, and the same as a
// table, a row for each of the holder's rows (two share types stand apart) and one for each
// period without it.
class HolderCourseWindow : public QDialog {
    Q_OBJECT
public:
    // holder: the name cell as the rows read; stock: the stock's code and name, and table the
    // top-ten table the course follows (十大股东 or 十大流通股东), for the title.
    HolderCourseWindow(const QString& holder, const QString& stock, QStringView table,
                       const std::vector<HolderPeriod>& course, QWidget* parent = nullptr);

    const CourseChart* chart() const { return chart_; }
    const QTableWidget* table() const { return table_; }

private:
    CourseChart* chart_;
    QTableWidget* table_;
};

} // namespace gegu
