#include "console.h"

namespace gegu {

#if !defined(Q_OS_WIN)

void useBinaryStandardStreams() {}

bool writeUtf8(std::FILE* stream, QByteArrayView bytes) {
    return std::fwrite(bytes.data(), 1, size_t(bytes.size()), stream) == size_t(bytes.size()) &&
           std::fflush(stream) == 0;
}

void writeLine(std::FILE* stream, const QString& text) {
    const QByteArray line = text.toLocal8Bit() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stream);
    std::fflush(stream);
}

#endif

} // namespace gegu
