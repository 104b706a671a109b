#include "written_names.h"

#include "common/parallel.h"
#include "holdings/gbk.h"
#include "holdings/holdings_table.h"

#include <QHash>
#include <array>
#include <bit>
#include <limits>

namespace gegu {

namespace {

constexpr QChar Bar = u'│';

// What a character is to the name cell: white space, the bar, or part of the name.
enum Kind : uchar { Other, Space, BarChar };

Kind kindOf(char16_t c) {
    return c == Bar ? BarChar : QChar::isSpace(c) ? Space : Other;
}

// The kind of every character the bytes can hold, as the decoder reads them: a byte alone
// (ASCII, 0x80, 0xFF, a lead byte without its trail), or a pair (lead << 8 | trail).
class Kinds {
public:
    static const Kinds& instance() {
        static const Kinds kinds;
        return kinds;
    }
    Kind single(uchar b) const { return Kind(single_[b]); }
    Kind pair(uchar lead, uchar trail) const { return Kind(pairs_[size_t(lead) << 8 | trail]); }

private:
    Kinds() {
        char16_t out[2];
        for (int b = 0; b < 256; ++b) {
            const char byte = char(b);
            decodeGbk(QByteArrayView(&byte, 1), out);
            single_[size_t(b)] = kindOf(out[0]);
        }
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                if (!isGbkTrail(uchar(trail)))
                    continue;
                const char bytes[2] = {char(lead), char(trail)};
                decodeGbk(QByteArrayView(bytes, 2), out);
                pairs_[size_t(lead) << 8 | size_t(trail)] = kindOf(out[0]);
            }
        }
    }

    std::array<uchar, 256> single_{};
    std::array<uchar, 65536> pairs_{};
};

} // namespace

QStringView writtenName(QStringView row) {
    const qsizetype bar = row.indexOf(Bar);
    return (bar < 0 ? row : row.first(bar)).trimmed();
}

QByteArrayView writtenNameBytes(QByteArrayView row) {
    const Kinds& kinds = Kinds::instance();
    const auto* p = reinterpret_cast<const uchar*>(row.data());
    const uchar* const end = p + row.size();
    const uchar* first = nullptr; // of the name
    const uchar* last = p;        // after the name
    while (p < end) {
        const int size = gbkCharSize(p, end);
        const Kind kind = size == 1 ? kinds.single(*p) : kinds.pair(p[0], p[1]);
        if (kind == BarChar)
            break;
        if (kind == Other) {
            if (!first)
                first = p;
            last = p + size;
        }
        p += size;
    }
    if (!first)
        return row.first(0);
    return {reinterpret_cast<const char*>(first), last - first};
}

quint32 WrittenNameIndex::hashOf(QByteArrayView name) {
    const size_t h = qHash(name, 0);
    return quint32(h ^ (quint64(h) >> 32));
}

WrittenNameIndex::WrittenNameIndex(const HoldingsTable& table, std::stop_token stop) {
    const qsizetype records = table.recordCount();
    // Rows in all, and before the second half of the records.
    qsizetype rows = 0;
    qsizetype firstHalfRows = 0;
    for (qsizetype r = 0; r < records; ++r) {
        if (r == records / 2)
            firstHalfRows = rows;
        const qsizetype first = table.firstLine(r);
        rows += std::max<qsizetype>(table.endLine(first) - first - 3, 0);
    }
    constexpr qsizetype limit = std::numeric_limits<quint32>::max();
    if (rows == 0 || rows >= limit || table.lineCount() >= limit)
        return; // none, or too many to number in 32 bits: every row is read instead
    std::vector<quint32, LargeAllocator<quint32>> hashes(static_cast<size_t>(rows));
    std::vector<quint32, LargeAllocator<quint32>> lines(static_cast<size_t>(rows));
    const auto sign = [&](qsizetype from, qsizetype to, qsizetype row) {
        for (qsizetype r = from; r < to; ++r) {
            if (r % 4096 == 0 && stop.stop_requested())
                return;
            const qsizetype first = table.firstLine(r);
            const qsizetype end = table.endLine(first);
            for (qsizetype line = first + 3; line < end; ++line, ++row) {
                hashes[size_t(row)] = hashOf(writtenNameBytes(table.lineBytes(line)));
                lines[size_t(row)] = quint32(line);
            }
        }
    };
    inParallel([&] { sign(0, records / 2, 0); },
               [&] { sign(records / 2, records, firstHalfRows); });
    if (stop.stop_requested())
        return;

    // Into buckets by the hash's top bits, about eight rows a bucket, each bucket's rows in the
    // order of the file.
    bucketBits_ = std::clamp(int(std::bit_width(quint64(rows) / 8)), 1, 24);
    const int shift = 32 - bucketBits_;
    bucketStart_.assign((size_t(1) << bucketBits_) + 1, 0);
    for (quint32 h : hashes)
        ++bucketStart_[(h >> shift) + 1];
    for (size_t b = 1; b < bucketStart_.size(); ++b)
        bucketStart_[b] += bucketStart_[b - 1];
    hashes_.resize(size_t(rows));
    lines_.resize(size_t(rows));
    std::vector<quint32, LargeAllocator<quint32>> at(bucketStart_.begin(), bucketStart_.end() - 1);
    for (size_t i = 0; i < size_t(rows); ++i) {
        const quint32 to = at[hashes[i] >> shift]++;
        hashes_[to] = hashes[i];
        lines_[to] = lines[i];
    }
}

std::vector<qsizetype> rowsNamed(const HoldingsTable& table, const WrittenNameIndex* index,
                                 QStringView name) {
    std::vector<qsizetype> found;
    const std::optional<QByteArray> bytes = encodeGbk(name);
    if (!bytes) {
        // Only U+FFFD, which many byte sequences give, can stand in a row's text without bytes
        // of its own; any other character without them is in no row.
        for (QChar c : name) {
            if (c != QChar::ReplacementCharacter && !encodeGbk(QStringView(&c, 1)))
                return found;
        }
        for (qsizetype r = 0; r < table.recordCount(); ++r) {
            const qsizetype first = table.firstLine(r);
            const qsizetype end = table.endLine(first);
            for (qsizetype line = first + 3; line < end; ++line) {
                if (writtenName(table.line(line)) == name)
                    found.push_back(line);
            }
        }
        return found;
    }
    if (index && index->rows() > 0) {
        index->forEachCandidate(*bytes, [&](qsizetype line) {
            if (writtenNameBytes(table.lineBytes(line)) == *bytes)
                found.push_back(line);
        });
        return found;
    }
    // Every row's name cell, in two halves at once.
    const qsizetype records = table.recordCount();
    std::vector<qsizetype> second;
    const auto scan = [&](qsizetype from, qsizetype to, std::vector<qsizetype>& out) {
        for (qsizetype r = from; r < to; ++r) {
            const qsizetype first = table.firstLine(r);
            const qsizetype end = table.endLine(first);
            for (qsizetype line = first + 3; line < end; ++line) {
                if (writtenNameBytes(table.lineBytes(line)) == *bytes)
                    out.push_back(line);
            }
        }
    };
    inParallel([&] { scan(0, records / 2, found); }, [&] { scan(records / 2, records, second); });
    found.insert(found.end(), second.begin(), second.end());
    return found;
}

} // namespace gegu
