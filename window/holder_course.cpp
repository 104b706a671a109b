#include "holder_course.h"

#include "look.h"

#include <QHeaderView>
#include <QPainter>
#include <QPainterPath>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

// The colours of the main window: the output box's pink and red, the query button's orange.
const QColor plotBackground = bgr(0x00FFC0FF);
const QColor ratioColour = bgr(0x000000FF);
const QColor barColour = bgr(0x00C0E0FF);
const QColor barEdge = bgr(0x00406080);

// A round top for an axis that reaches value: 1, 2 or 5 times a power of ten.
double niceTop(double value) {
    if (!(value > 0))
        return 1;
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (double step : {1.0, 2.0, 5.0, 10.0}) {
        if (value <= step * power)
            return step * power;
    }
    return 10 * power;
}

QString number(double value) {
    return QString::number(value, 'f', 2);
}

// What a period without the holder says: not among that table's holders.
QString absentFrom(QStringView table) {
    return HolderCourseWindow::tr("not among the %1").arg(table);
}

// A period in words, for screen readers and the table.
QString describe(const HolderPeriod& p, QStringView table) {
    if (p.rows.empty())
        return HolderCourseWindow::tr("%1: %2").arg(p.period.date, absentFrom(table));
    QStringList held;
    if (const auto shares = p.shares())
        held << number(*shares) + u" 万股"_s; // the data file's unit
    if (const auto ratio = p.ratio())
        held << number(*ratio) + u'%';
    return HolderCourseWindow::tr("%1: %2").arg(p.period.date,
                                                held.join(HolderCourseWindow::tr(", ")));
}

} // namespace

CourseChart::CourseChart(QWidget* parent) : QWidget(parent) {
    setFont(songFont(9));
    setAccessibleName(tr("Holding chart"));
    setMinimumSize(360, 220);
}

void CourseChart::setCourse(const std::vector<HolderPeriod>& course, QStringView table) {
    dates_.clear();
    shares_.clear();
    ratios_.clear();
    QStringList description;
    for (const HolderPeriod& p : course) {
        dates_ << p.period.date;
        shares_.push_back(p.rows.empty() ? std::nullopt : p.shares());
        ratios_.push_back(p.rows.empty() ? std::nullopt : p.ratio());
        description << describe(p, table);
    }
    setAccessibleDescription(description.join(tr("; ")));
    update();
}

void CourseChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics metrics(font());
    const int line = metrics.height();
    // Room for the axes' numbers at both sides, their titles above, the dates below.
    const QRect plot = rect().adjusted(metrics.horizontalAdvance(u"0000000.00"_s) + 8, 2 * line,
                                       -(metrics.horizontalAdvance(u"100.00"_s) + 12), -3 * line);
    painter.fillRect(plot, plotBackground);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(plot);

    double maxShares = 0;
    double maxRatio = 0;
    for (size_t i = 0; i < shares_.size(); ++i) {
        maxShares = std::max(maxShares, shares_[i].value_or(0));
        maxRatio = std::max(maxRatio, ratios_[i].value_or(0));
    }
    const double sharesTop = niceTop(maxShares);
    const double ratioTop = niceTop(maxRatio);
    const auto yOf = [&](double value, double top) {
        return plot.bottom() - value / top * plot.height();
    };

    // The axes: five steps each, the shares on the left, the ratio on the right.
    for (int step = 0; step <= 5; ++step) {
        const double y = yOf(step / 5.0, 1);
        painter.setPen(QPen(palette().color(QPalette::Mid), 1, Qt::DotLine));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRectF(0, y - line / 2.0, plot.left() - 4, line),
                         Qt::AlignRight | Qt::AlignVCenter, number(sharesTop * step / 5));
        painter.setPen(ratioColour);
        painter.drawText(QRectF(plot.right() + 4, y - line / 2.0, width(), line),
                         Qt::AlignLeft | Qt::AlignVCenter, number(ratioTop * step / 5));
    }
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRectF(0, 0, width() / 2.0, line * 1.5), Qt::AlignLeft | Qt::AlignVCenter,
                     tr("Shares (万股)"));
    painter.setPen(ratioColour);
    painter.drawText(QRectF(width() / 2.0, 0, width() / 2.0, line * 1.5),
                     Qt::AlignRight | Qt::AlignVCenter, tr("Ratio (%)"));

    if (dates_.isEmpty())
        return;
    const double slot = double(plot.width()) / double(dates_.size());
    // Dates under their bars; where they do not fit side by side, every few of them.
    const int dateWidth = metrics.horizontalAdvance(u"0000-00-00"_s) + 6;
    const int every = std::max(1, int(std::ceil(dateWidth / slot)));
    QPainterPath ratioLine;
    bool lineOpen = false;
    for (qsizetype i = 0; i < dates_.size(); ++i) {
        const double x = plot.left() + slot * double(i);
        if (const auto shares = shares_[size_t(i)]) {
            const QRectF bar(x + slot * 0.2, yOf(*shares, sharesTop), slot * 0.6,
                             plot.bottom() - yOf(*shares, sharesTop));
            painter.fillRect(bar, barColour);
            painter.setPen(barEdge);
            painter.drawRect(bar);
        }
        if (const auto ratio = ratios_[size_t(i)]) {
            const QPointF point(x + slot / 2, yOf(*ratio, ratioTop));
            if (lineOpen)
                ratioLine.lineTo(point);
            else
                ratioLine.moveTo(point);
            ratioLine.addEllipse(point, 3, 3);
            ratioLine.moveTo(point);
            lineOpen = true;
        } else {
            lineOpen = false; // a gap breaks the line
        }
        if (i % every == 0) {
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(
                QRectF(x + slot / 2 - dateWidth, plot.bottom() + 4, 2.0 * dateWidth, line),
                Qt::AlignHCenter | Qt::AlignTop, dates_[i]);
        }
    }
    painter.setPen(QPen(ratioColour, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(ratioLine);
}

HolderCourseWindow::HolderCourseWindow(const QString& holder, const QString& stock,
                                       QStringView table, const std::vector<HolderPeriod>& course,
                                       QWidget* parent)
    : QDialog(parent) {
    setObjectName(u"holderCourse"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Holding history: %1 (%2, %3)").arg(holder, stock, table.toString()));
    setFont(songFont(12));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Midlight));
    setPalette(pal);

    chart_ = new CourseChart(this);
    chart_->setCourse(course, table);

    table_ = new QTableWidget(this);
    table_->setAccessibleName(tr("Holding table"));
    table_->setColumnCount(6);
    table_->setHorizontalHeaderLabels({tr("Report date"), tr("Shares (万股)"), tr("Ratio (%)"),
                                       tr("Share type"), tr("Change"), tr("Rank")});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    const auto cell = [](const QString& text, bool number = false) {
        auto* item = new QTableWidgetItem(text);
        if (number)
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return item;
    };
    // Newest first, as the periods are listed elsewhere.
    for (auto p = course.rbegin(); p != course.rend(); ++p) {
        if (p->rows.empty()) {
            const int at = table_->rowCount();
            table_->insertRow(at);
            table_->setItem(at, 0, cell(p->period.date));
            table_->setItem(at, 1, cell(absentFrom(table)));
            table_->setSpan(at, 1, 1, 5);
            continue;
        }
        for (const HolderPeriod::Row& row : p->rows) {
            const int at = table_->rowCount();
            table_->insertRow(at);
            table_->setItem(at, 0, cell(p->period.date));
            table_->setItem(at, 1, cell(row.cells.sharesText, true));
            table_->setItem(at, 2, cell(row.cells.ratioText, true));
            table_->setItem(at, 3, cell(row.cells.type));
            table_->setItem(at, 4, cell(row.cells.change));
            table_->setItem(at, 5, cell(QString::number(row.rank), true));
        }
    }
    table_->resizeColumnsToContents();
    table_->horizontalHeader()->setStretchLastSection(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(chart_, 3);
    layout->addWidget(table_, 2);
    resize(640, 560);
}

} // namespace gegu
