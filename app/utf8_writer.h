#pragma once

// How gegu-query writes its reports: as UTF-8, in blocks, as the pieces arrive.

#include "queries/query.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringEncoder>
#include <functional>
#include <vector>

namespace gegu {

// Encodes the reports as UTF-8 and hands them to `write` in blocks as the pieces arrive, so that
// memory does not grow with the report; with lf, every CR LF is written as LF, also one that two
// pieces (or two blocks) share. A piece of any length goes through the block in slices; the
// encoder keeps a surrogate pair that a slice cuts in two.
class Utf8Writer : public ReportSink {
public:
    static constexpr qsizetype defaultBlockSize = 1 << 14;

    // write takes each block's bytes and says whether they were written; blockSize (at least 2)
    // is in UTF-16 code units.
    Utf8Writer(std::function<bool(QByteArrayView)> write, bool lf,
               qsizetype blockSize = defaultBlockSize);

    // Writes what is left; false when any write failed.
    bool finish();

protected:
    void overflow(QStringView piece) override;

private:
    // Writes the block; unless it is the last, a CR at its end waits for what follows it.
    void flush(bool last);

    std::function<bool(QByteArrayView)> write_;
    bool lf_;
    qsizetype blockSize_;
    QStringEncoder utf8_{QStringEncoder::Utf8};
    std::vector<char16_t> text_;
    QByteArray bytes_;
    bool ok_ = true;
};

} // namespace gegu
