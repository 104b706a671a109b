#include "report_lines.h"

namespace gegu {

qsizetype ReportLines::charactersBefore(qsizetype i) const {
    std::call_once(counted_, [this] {
        before_.resize(size_t(lineCount()) + 1);
        qint64 n = 0;
        for (qsizetype k = 0; k < lineCount(); ++k) {
            before_[size_t(k)] = n;
            n += report_.lineLength(k);
        }
        before_[size_t(lineCount())] = n;
    });
    return qsizetype(before_[size_t(i)]);
}

} // namespace gegu
