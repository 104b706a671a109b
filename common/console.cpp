#include "console.h"

#include <cerrno>
#include <cstring>

namespace gegu {

std::optional<QByteArray> readStandardInput(QString& error) {
    QByteArray bytes;
    char block[1 << 16];
    for (;;) {
        errno = 0;
        const size_t n = std::fread(block, 1, sizeof(block), stdin);
        bytes.append(block, qsizetype(n));
        if (n < sizeof(block))
            break;
    }
    if (std::ferror(stdin)) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        return std::nullopt;
    }
    return bytes;
}

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
