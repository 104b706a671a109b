#pragma once

#include "queries/query.h"
#include "report_document.h"

#include <mutex>
#include <vector>

namespace gegu {

// The lines of a report as the output box's text: each is made (decoded from the table, or put
// together) when the box shows, copies or searches it; nothing is copied up front. The report
// holds on to the table it refers to, so a reloaded data file leaves it whole.
class ReportLines final : public LineSource {
public:
    explicit ReportLines(Report report) : report_(std::move(report)) {}

    const Report& report() const { return report_; }

    qsizetype lineCount() const override { return report_.lineCount(); }
    QString line(qsizetype i) const override { return report_.line(i); }
    qsizetype lineLength(qsizetype i) const override;
    // Decodes only the stretch asked for, also of a line of megabytes.
    void appendTo(QString& out, qsizetype i, qsizetype from, qsizetype to) const override;
    // Counts every line's length the first time it is asked for (screen readers and input
    // methods count in characters); cheap after that.
    qsizetype charactersBefore(qsizetype i) const override;

private:
    // A table line too long to decode or count whole each time the box shows a stretch of it:
    // its length, and where every step-th character starts in its bytes.
    struct LongLine {
        static constexpr qsizetype step = 4096;
        qsizetype line = -1;
        qsizetype length = 0;
        std::vector<qsizetype> byteAt;
    };
    // The long line i, worked out on first use; the few last used are kept.
    const LongLine& longLine(qsizetype i, QByteArrayView bytes) const;

    Report report_;
    mutable std::mutex longLinesMutex_;
    mutable std::vector<LongLine> longLines_;
    mutable std::once_flag counted_;
    mutable std::vector<qint64, LargeAllocator<qint64>> before_;
};

} // namespace gegu
