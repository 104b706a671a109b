// Writes the malformed files of the loader's tests into a seed corpus directory, the same
// files behind a few queries for the query fuzzer, and the malformed exports of the import's
// tests for the import fuzzer.
//
//   gegu-fuzz-seeds LOADER_DIR QUERY_DIR IMPORT_DIR

#include "../malformed_exports.h"
#include "../malformed_files.h"

#include <QDir>
#include <QFile>
#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: gegu-fuzz-seeds LOADER_DIR QUERY_DIR IMPORT_DIR\n");
        return 2;
    }
    const QDir loaderDir(QString::fromLocal8Bit(argv[1]));
    const QDir queryDir(QString::fromLocal8Bit(argv[2]));
    const QDir importDir(QString::fromLocal8Bit(argv[3]));
    int e = 0;
    for (const auto& malformed : gegu::test::malformedExports()) {
        // Each file alone, and the files joined one after the other.
        QByteArray joined;
        for (const QByteArray& bytes : malformed.files) {
            QFile seed(importDir.filePath(QStringLiteral("malformed-%1").arg(e++)));
            if (!seed.open(QIODevice::WriteOnly))
                return 2;
            seed.write(bytes);
            joined += bytes;
        }
        if (malformed.files.size() > 1) {
            QFile seed(importDir.filePath(QStringLiteral("malformed-%1").arg(e++)));
            if (!seed.open(QIODevice::WriteOnly))
                return 2;
            seed.write(joined);
        }
    }
    // Among them: 华夏; U+FFFD, which only decoded text can answer; the euro sign, one byte.
    const QByteArray queries[] = {
        "", "600036", "\xe5\x8d\x8e\xe5\xa4\x8f", "  h", "-3", "\xef\xbf\xbd", "\xe2\x82\xac"};
    int n = 0;
    for (const auto& file : gegu::test::malformedFiles()) {
        if (file.large)
            continue;
        const QByteArray bytes = file.bytes();
        QFile loaderSeed(loaderDir.filePath(QStringLiteral("malformed-%1").arg(n)));
        for (int q = 0; q < int(std::size(queries)); ++q) {
            QFile querySeed(queryDir.filePath(QStringLiteral("malformed-%1-%2").arg(n).arg(q)));
            if (!querySeed.open(QIODevice::WriteOnly))
                return 2;
            querySeed.write(queries[q] + QByteArray(1, '\0') + bytes);
        }
        if (!loaderSeed.open(QIODevice::WriteOnly))
            return 2;
        loaderSeed.write(bytes);
        ++n;
    }
    return 0;
}
