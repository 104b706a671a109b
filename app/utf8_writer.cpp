#include "utf8_writer.h"

#include <algorithm>

namespace gegu {

Utf8Writer::Utf8Writer(std::function<bool(QByteArrayView)> write, bool lf, qsizetype blockSize)
    : write_(std::move(write)), lf_(lf), blockSize_(std::max<qsizetype>(blockSize, 2)),
      text_(size_t(blockSize_)),
      // Three bytes a code unit at most, and four for a pair whose first half came before.
      bytes_(3 * blockSize_ + 4, '\0') {
    setBuffer(text_.data(), text_.data() + blockSize_);
}

bool Utf8Writer::finish() {
    flush(true);
    return ok_;
}

void Utf8Writer::overflow(QStringView piece) {
    // As much as fits, then the block is written; a flush leaves room for at least one more.
    while (!piece.isEmpty()) {
        const qsizetype room = text_.data() + blockSize_ - position();
        const qsizetype n = std::min(room, piece.size());
        put(piece.first(n));
        piece = piece.sliced(n);
        if (!piece.isEmpty())
            flush(false);
    }
}

void Utf8Writer::flush(bool last) {
    char16_t* const begin = text_.data();
    char16_t* end = position();
    const bool crWaits = lf_ && !last && end > begin && end[-1] == u'\r';
    if (crWaits)
        --end;
    if (lf_) {
        // Every CR that an LF follows goes.
        char16_t* out = begin;
        for (char16_t* c = begin; c < end; ++c) {
            if (!(*c == u'\r' && c + 1 < end && c[1] == u'\n'))
                *out++ = *c;
        }
        end = out;
    }
    char* written = utf8_.appendToBuffer(bytes_.data(), QStringView(begin, end - begin));
    const qsizetype n = written - bytes_.data();
    if (ok_ && n > 0)
        ok_ = write_(QByteArrayView(bytes_.constData(), n));
    setBuffer(begin, begin + blockSize_);
    if (crWaits)
        put(u"\r");
}

} // namespace gegu
