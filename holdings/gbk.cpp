#include "gbk.h"

#include <QIODevice>
#include <QStringDecoder>
#include <algorithm>

namespace gegu {

namespace {

// Feeds blocks of bytes to one stateful decoder and writes straight into a single growing
// buffer, so the decoded text is never copied.
class GbkSink {
public:
    explicit GbkSink(qsizetype expectedUnits) {
        out_.resize(std::max<qsizetype>(expectedUnits, 0));
    }

    void feed(QByteArrayView bytes) {
        const qsizetype needed = used_ + decoder_.requiredSpace(bytes.size());
        if (needed > out_.size())
            out_.resize(std::max(needed, out_.size() * 2));
        QChar* end = decoder_.appendToBuffer(out_.data() + used_, bytes);
        used_ = end - out_.constData();
    }

    QString finish() && {
        // The decoder holds back a lead byte that the input ended on, waiting for its trail
        // byte, and drops it when flushed. A final CR (never part of a GBK character) makes
        // it give that byte up as U+FFFD; the CR itself is removed again.
        feed("\r");
        out_.resize(used_ - 1);
        return std::move(out_);
    }

private:
    QStringDecoder decoder_{"GBK"};
    QString out_;
    qsizetype used_ = 0;
};

} // namespace

QString decodeGbk(QByteArrayView bytes) {
    GbkSink sink(bytes.size());
    sink.feed(bytes);
    return std::move(sink).finish();
}

bool decodeGbk(QIODevice& device, qint64 sizeHint, QString& out) {
    GbkSink sink(sizeHint);
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = device.read(block.data(), block.size());
        if (n < 0)
            return false;
        if (n == 0)
            break;
        sink.feed(QByteArrayView(block.data(), n));
    }
    out = std::move(sink).finish();
    return true;
}

} // namespace gegu
