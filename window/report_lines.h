#pragma once

#include "queries/query.h"
#include "report_document.h"

#include <mutex>

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
    qsizetype lineLength(qsizetype i) const override { return report_.lineLength(i); }
    // Counts every line's length the first time it is asked for (screen readers and input
    // methods count in characters); cheap after that.
    qsizetype charactersBefore(qsizetype i) const override;

private:
    Report report_;
    mutable std::once_flag counted_;
    mutable std::vector<qint64, LargeAllocator<qint64>> before_;
};

} // namespace gegu
