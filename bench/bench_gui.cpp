// GUI timings of the real window, printed as JSON:
//   gegu-bench-gui START_NS [REPEATS]
// START_NS is CLOCK_MONOTONIC in nanoseconds when the caller started this process; the data
// file is gegusj.rar as Gegu finds it. Measures start to window shown, and query button to
// output box painted for a typical name query and for the largest report (the empty query).

#include "window/cid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWindow>
#include <algorithm>
#include <cstdio>
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

} // namespace

int main(int argc, char* argv[]) {
    const qint64 startNs = argc > 1 ? QByteArray(argv[1]).toLongLong() : monotonicNs();
    const int repeats = argc > 2 ? QByteArray(argv[2]).toInt() : 5;

    QApplication app(argc, argv);
    gegu::cid form;
    form.Form_Load();
    form.show();
    while (!form.windowHandle() || !form.windowHandle()->isExposed())
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    form.repaint();
    const double shownMs = double(monotonicNs() - startNs) / 1e6;

    auto* text1 = form.findChild<QLineEdit*>(QStringLiteral("Text1"));
    auto* text2 = form.findChild<QPlainTextEdit*>(QStringLiteral("Text2"));
    auto* command1 = form.findChild<QPushButton*>(QStringLiteral("Command1"));
    const auto timeQuery = [&](const QString& query) {
        std::vector<qint64> ns;
        for (int i = 0; i < repeats; ++i) {
            text1->setText(query);
            QElapsedTimer t;
            t.start();
            command1->click();
            text2->viewport()->repaint();
            ns.push_back(t.nsecsElapsed());
            QApplication::processEvents();
        }
        return medianMs(ns);
    };
    const double typicalMs = timeQuery(QStringLiteral("华夏大盘"));
    const double largestMs = timeQuery(QString());
    std::printf("{\"shown_ms\": %.1f, \"typical_query_ms\": %.2f, \"largest_report_ms\": %.1f, "
                "\"largest_report_lines\": %d}\n",
                shownMs, typicalMs, largestMs, text2->document()->blockCount());
    return 0;
}
