// GUI timings of the real window, printed as JSON:
//   gegu-bench-gui START_NS [REPEATS | start | query TEXT | portfolio HOLDER]
// START_NS is CLOCK_MONOTONIC in nanoseconds when the caller started this process; the data
// file is gegusj.rar as Gegu finds it. Measures start to window shown, and, for a typical name
// query, a query matching about a tenth of the rows and the largest report (the empty query),
// what a user waits for: from the click on the query button until the event loop is idle
// again, every pending event (layout, paint) done. Also the peak memory while the largest
// report is shown, over the memory after loading. With "start", only the start is timed; with
// "query TEXT", the first click on that query in this fresh process and the median of repeats,
// and the memory the first adds over the memory after loading. With "portfolio HOLDER", the
// holder's rows are queried, and 持仓一览 is chosen from the output box's context menu over one
// of them: the first time in this fresh process, from the choice until the portfolio window is
// shown and the event loop idle, and the median of repeats.

#include "common/translation.h"
#include "window/cid.h"
#include "window/output_box.h"
#include "window/portfolio_model.h"
#include "window/portfolio_window.h"
#include "window/startup.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

qint64 monotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

double medianMs(std::vector<qint64> ns) {
    std::sort(ns.begin(), ns.end());
    return double(ns[ns.size() / 2]) / 1e6;
}

// A field of /proc/self/status in bytes, e.g. "VmRSS" or "VmHWM" (the peak).
double statusBytes(const char* field) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field)) + 1)
                       .trimmed()
                       .split(' ')
                       .front()
                       .toDouble() *
                   1024;
    }
    return 0;
}

// Starts counting the peak resident memory afresh.
void resetPeak() {
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

// Clicks the button as a user does and returns the nanoseconds until the event loop is about
// to wait for the next event.
qint64 clickToIdle(QPushButton* button) {
    qint64 started = 0;
    qint64 idle = 0;
    QEventLoop loop;
    auto* dispatcher = QAbstractEventDispatcher::instance();
    const auto connection =
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, [&] {
            if (started != 0 && idle == 0) {
                idle = monotonicNs();
                loop.quit();
            }
        });
    QTimer::singleShot(0, [&] {
        started = monotonicNs();
        QTest::mouseClick(button, Qt::LeftButton);
    });
    loop.exec();
    QObject::disconnect(connection);
    return idle - started;
}

// Chooses 持仓一览 from the output box's context menu over line `line` and returns the
// nanoseconds from the choice until the event loop is about to wait for the next event, the
// portfolio window shown.
qint64 portfolioToIdle(gegu::OutputBox* box, qsizetype line) {
    qint64 started = 0;
    qint64 idle = 0;
    QEventLoop loop;
    auto* dispatcher = QAbstractEventDispatcher::instance();
    const auto connection =
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, [&] {
            if (started != 0 && idle == 0) {
                idle = monotonicNs();
                loop.quit();
            }
        });
    box->setSelection({line, 0}, {line, 0});
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction* action : menu->actions()) {
            if (action->text() == QStringLiteral("持仓一览")) {
                started = monotonicNs();
                action->trigger();
            }
        }
        menu->close();
    });
    QTest::keyClick(box, Qt::Key_Menu);
    if (idle == 0 && started != 0) {
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    QObject::disconnect(connection);
    return idle - started;
}

} // namespace

int main(int argc, char* argv[]) {
    const qint64 startNs = argc > 1 ? QByteArray(argv[1]).toLongLong() : monotonicNs();
    const bool startOnly = argc > 2 && QByteArray(argv[2]) == "start";
    const bool queryOnly = argc > 3 && QByteArray(argv[2]) == "query";
    const bool portfolioOnly = argc > 3 && QByteArray(argv[2]) == "portfolio";
    const int repeats =
        argc > 2 && !startOnly && !queryOnly && !portfolioOnly ? QByteArray(argv[2]).toInt() : 5;

    QApplication app(argc, argv);
    // As Gegu starts: in Chinese, the data file loading while the window is made.
    gegu::useLanguage(gegu::Language::Chinese);
    auto loading = gegu::loadDataInBackground();
    gegu::cid form;
    form.Form_Load(loading.get());
    form.show();
    while (!form.windowHandle() || !form.windowHandle()->isExposed())
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    form.repaint();
    const double shownMs = double(monotonicNs() - startNs) / 1e6;
    if (startOnly) {
        std::printf("{\"shown_ms\": %.1f}\n", shownMs);
        return 0;
    }

    auto* text1 = form.findChild<QLineEdit*>(QStringLiteral("Text1"));
    auto* text2 = form.findChild<gegu::OutputBox*>(QStringLiteral("Text2"));
    auto* command1 = form.findChild<QPushButton*>(QStringLiteral("Command1"));
    // The name index is made after start-up; queries are timed once it is there.
    QTest::qWait(50);
    for (int i = 0; i < 200 && !form.nameIndexReady(); ++i)
        QTest::qWait(20);

    const auto timeQuery = [&](const QString& query) {
        std::vector<qint64> ns;
        for (int i = 0; i < repeats; ++i) {
            text1->setText(query);
            ns.push_back(clickToIdle(command1));
        }
        return medianMs(ns);
    };
    if (portfolioOnly) {
        // As a user comes to it: the holder's rows shown, the index of written names made.
        const QString holder = QString::fromLocal8Bit(argv[3]);
        for (int i = 0; i < 200 && !form.data()->writtenNames(); ++i)
            QTest::qWait(20);
        text1->setText(holder);
        clickToIdle(command1);
        qsizetype row = -1;
        for (qsizetype i = 0; i < std::min<qsizetype>(text2->lineCount(), 100) && row < 0; ++i) {
            if (text2->line(i).contains(QStringLiteral("│")) && text2->line(i).contains(holder))
                row = i;
        }
        if (row < 0) {
            std::fprintf(stderr, "no row of the holder is shown\n");
            return 2;
        }
        std::vector<qint64> ns;
        qsizetype lines = 0;
        for (int i = 0; i < repeats + 1; ++i) {
            ns.push_back(portfolioToIdle(text2, row));
            auto* window = form.findChild<gegu::PortfolioWindow*>();
            if (!window) {
                std::fprintf(stderr, "no portfolio window\n");
                return 2;
            }
            lines = window->model()->rowCount();
            delete window;
        }
        const qint64 first = ns.front();
        ns.erase(ns.begin());
        std::printf("{\"first_portfolio_ms\": %.2f, \"portfolio_ms\": %.2f, \"lines\": %lld}\n",
                    double(first) / 1e6, medianMs(ns), qlonglong(lines));
        return 0;
    }
    if (queryOnly) {
        // The first click of this fresh process, as a user makes it, and what it adds to the
        // memory; then the median of repeats.
        text1->setText(QString::fromLocal8Bit(argv[3]));
        const double afterLoading = statusBytes("VmRSS:");
        resetPeak();
        const qint64 first = clickToIdle(command1);
        const double peak = statusBytes("VmHWM:");
        const double median = timeQuery(text1->text());
        qsizetype longest = 0;
        const qsizetype lines = std::min<qsizetype>(text2->lineCount(), 100000);
        for (qsizetype i = 0; i < lines; ++i)
            longest = std::max(longest, text2->document().lineLength(i));
        std::printf("{\"first_query_ms\": %.2f, \"query_ms\": %.2f, \"longest_line\": %lld, "
                    "\"lines\": %lld, \"utf16_bytes\": %.0f, \"memory_bytes\": %.0f}\n",
                    double(first) / 1e6, median, qlonglong(longest), qlonglong(text2->lineCount()),
                    double(text2->length()) * 2, peak - afterLoading);
        return 0;
    }
    const double typicalMs = timeQuery(QStringLiteral("华夏大盘"));
    const double tenthMs = timeQuery(QStringLiteral("集团"));

    // The largest report: its time, and its memory over the memory after loading (with the
    // help text shown instead).
    text1->setText(QStringLiteral("帮助"));
    clickToIdle(command1);
    const double afterLoading = statusBytes("VmRSS:");
    resetPeak();
    text1->setText(QString());
    const qint64 largestNs = clickToIdle(command1);
    const double peak = statusBytes("VmHWM:");
    const qsizetype characters = text2->length();
    std::vector<qint64> largest{largestNs};
    for (int i = 1; i < repeats; ++i)
        largest.push_back(clickToIdle(command1));
    const double largestMs = medianMs(largest);

    std::printf("{\"shown_ms\": %.1f, \"typical_query_ms\": %.2f, \"tenth_query_ms\": %.1f, "
                "\"largest_report_ms\": %.1f, \"largest_report_lines\": %lld, "
                "\"largest_report_utf16_bytes\": %.0f, \"largest_report_memory_bytes\": %.0f}\n",
                shownMs, typicalMs, tenthMs, largestMs, qlonglong(text2->lineCount()),
                double(characters) * 2, peak - afterLoading);
    return 0;
}
