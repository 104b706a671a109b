// Finishing an import: the rows sorted into records, the rows of one holding kept once, the
// names fitted to their column; and writing the data file.

#include "common/large_allocator.h"
#include "common/parallel.h"
#include "holder_names.h"
#include "holdings/data_file_writer.h"
#include "importer_parts.h"

#include <QIODevice>
#include <QSet>
#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

QString dateText(int yyyymmdd) {
    return QStringLiteral("%1-%2-%3")
        .arg(yyyymmdd / 10000, 4, 10, QLatin1Char('0'))
        .arg(yyyymmdd / 100 % 100, 2, 10, QLatin1Char('0'))
        .arg(yyyymmdd % 100, 2, 10, QLatin1Char('0'));
}

QString codeText(int code) {
    return QStringLiteral("%1").arg(code, 6, 10, QLatin1Char('0'));
}

// A number of 万股 as the data file writes it.
QString writtenQuantity(double value) {
    std::string out;
    appendQuantity(out, value, NumberColumns);
    return QString::fromLatin1(out).trimmed();
}

} // namespace

QString Importer::place(const Holding& h) const {
    return files_[h.file] + u':' + QString::number(h.line);
}

void Importer::finish() {
    // Rows come grouped by stock and date: each new one is counted.
    QSet<int> codes;
    QSet<int> dates;
    const Holding* last = nullptr;
    for (const Holding& h : holdings_) {
        if (!last || h.code != last->code)
            codes.insert(h.code);
        if (!last || h.date != last->date)
            dates.insert(h.date);
        last = &h;
    }
    summary_.stocks = codes.size();
    summary_.periods = dates.size();
    if (!settings_.history) {
        // Each stock's latest period only, of its holders and of its float holders.
        QHash<qint64, int> latest;
        const auto key = [](const Holding& h) {
            return qint64(h.code) * 2 + h.floatHolders;
        };
        for (const Holding& h : holdings_) {
            int& date = latest[key(h)];
            date = std::max(date, h.date);
        }
        qint64 lastKey = -1;
        int lastDate = 0;
        std::erase_if(holdings_, [&](const Holding& h) {
            if (key(h) != lastKey) {
                lastKey = key(h);
                lastDate = latest.value(lastKey);
            }
            return h.date != lastDate;
        });
    }
    const auto inRecordOrder = [](const Holding& a, const Holding& b) {
        if (a.code != b.code)
            return a.code < b.code;
        if (a.date != b.date)
            return a.date > b.date; // newest first
        if (a.floatHolders != b.floatHolders)
            return a.floatHolders < b.floatHolders;
        return a.order < b.order;
    };
    // Exports usually come grouped and in order already.
    if (!std::is_sorted(holdings_.begin(), holdings_.end(), inRecordOrder))
        std::stable_sort(holdings_.begin(), holdings_.end(), inRecordOrder);

    // Each record's rows, kept once and ordered, are moved down to where the kept rows end.
    const auto byRank = [](const Holding& a, const Holding& b) {
        if (a.rank != b.rank)
            return a.rank < b.rank;
        if (a.shares != b.shares)
            return a.shares > b.shares;
        return a.order < b.order;
    };
    size_t written = 0;
    for (size_t i = 0; i < holdings_.size();) {
        size_t end = i;
        while (end < holdings_.size() && holdings_[end].code == holdings_[i].code &&
               holdings_[end].date == holdings_[i].date &&
               holdings_[end].floatHolders == holdings_[i].floatHolders)
            ++end;
        const size_t kept = keepOnce(i, end);
        const auto from = holdings_.begin() + qsizetype(i);
        const auto to = holdings_.begin() + qsizetype(written);
        if (to != from)
            std::copy(from, from + qsizetype(kept), to);
        if (!std::is_sorted(to, to + qsizetype(kept), byRank))
            std::sort(to, to + qsizetype(kept), byRank);
        records_.push_back({written, written + kept});
        written += kept;
        i = end;
    }
    holdings_.resize(written);

    for (const Record& record : records_)
        fitNames(record.first, record.end);
    summary_.shortenedNames = shortened_.size();
    if (settings_.fullNames) {
        QSet<QString> wide;
        for (const Holding& h : holdings_) {
            if (!fitsNameColumn(texts_[h.holder]))
                wide.insert(texts_[h.holder]);
        }
        if (!wide.isEmpty())
            summary_.warnings << QStringLiteral(
                                     "%1 holders' names do not fit the name column, or are longer "
                                     "than the %2 characters searched; written whole")
                                     .arg(wide.size())
                                     .arg(SearchableNameLength);
    }

    encoded_.clear();
    encoded_.reserve(texts_.size());
    for (const QString& text : texts_)
        encoded_.push_back(encodeText(text));
    shareTypeOf_.assign(texts_.size(), 0);
    QHash<QString, quint32> types;
    for (const Holding& h : holdings_) {
        if (shareTypeOf_[h.type] != 0 || h.type == 0)
            continue;
        const QString fitted = fitShareType(texts_[h.type]);
        auto it = types.find(fitted);
        if (it == types.end()) {
            it = types.insert(fitted, quint32(shareTypes_.size() + 1));
            shareTypes_.push_back(encodeText(fitted));
        }
        shareTypeOf_[h.type] = *it;
    }
    shareTypes_.insert(shareTypes_.begin(), EncodedText());
    summary_.records = qsizetype(records_.size());
}

quint32 Importer::keyOf(quint32 holder) {
    if (keyOf_.size() < texts_.size())
        keyOf_.resize(texts_.size(), 0);
    if (keyOf_[holder] == 0) {
        const QString key = holderKey(texts_[holder]);
        auto it = keyIds_.find(key);
        if (it == keyIds_.end())
            it = keyIds_.insert(key, quint32(keyIds_.size() + 1));
        keyOf_[holder] = *it;
    }
    return keyOf_[holder];
}

quint32 Importer::textFor(const QString& text) {
    auto it = writtenTexts_.find(text);
    if (it == writtenTexts_.end()) {
        texts_.push_back(text);
        it = writtenTexts_.insert(text, quint32(texts_.size() - 1));
    }
    return *it;
}

quint32 Importer::writtenOf(quint32 holder) {
    if (writtenOf_.size() < texts_.size())
        writtenOf_.resize(texts_.size(), 0);
    if (writtenOf_[holder] == 0) {
        const QString written = shortHolderName(texts_[holder]);
        if (written != texts_[holder])
            shortened_.insert(texts_[holder]);
        const quint32 index = textFor(written);
        writtenOf_.resize(texts_.size(), 0);
        writtenOf_[holder] = index;
        // The holder whose name is written so first, and whether another's is too.
        writtenKey_.resize(texts_.size(), 0);
        writtenShared_.resize(texts_.size(), 0);
        const quint32 key = keyOf(holder);
        if (writtenKey_[index] == 0)
            writtenKey_[index] = key;
        else if (writtenKey_[index] != key)
            writtenShared_[index] = 1;
    }
    return writtenOf_[holder];
}

size_t Importer::keepOnce(size_t first, size_t end) {
    // Rows stand for one holding when their holders' names agree but for blanks and width,
    // and their share types agree (a blank one agrees with any). The rows of a holder are
    // looked at together, in the order read.
    std::vector<std::pair<quint32, size_t>>& byHolder = scratch_.byHolder;
    byHolder.clear();
    for (size_t i = first; i < end; ++i)
        byHolder.push_back({keyOf(holdings_[i].holder), i});
    std::sort(byHolder.begin(), byHolder.end());
    std::vector<char>& dropped = scratch_.dropped;
    dropped.assign(end - first, 0);
    std::vector<size_t>& kept = scratch_.kept; // of the holder's rows

    const auto sameType = [&](quint32 a, quint32 b) {
        return a == 0 || b == 0 || texts_[a] == texts_[b];
    };
    // What a row's change is written as; empty when not known.
    const auto change = [&](const Holding& h) {
        if (!std::isnan(h.change))
            return h.change == 0  ? u"不变"_s
                   : h.change > 0 ? u"增持"_s + writtenQuantity(h.change)
                                  : u"减持"_s + writtenQuantity(-h.change);
        return texts_[h.changeText];
    };
    const auto percent = [](double p) {
        return QString::number(p, 'f', 2) + u'%';
    };

    for (size_t n = 0; n < byHolder.size(); ++n) {
        if (n == 0 || byHolder[n].first != byHolder[n - 1].first)
            kept.clear();
        const Holding& h = holdings_[byHolder[n].second];
        Holding* same = nullptr;
        for (size_t k = 0; k < kept.size() && !same; ++k) {
            if (sameType(holdings_[kept[k]].type, h.type))
                same = &holdings_[kept[k]];
        }
        dropped[byHolder[n].second - first] = same != nullptr;
        if (!same) {
            kept.push_back(byHolder[n].second);
            continue;
        }
        QStringList here;
        QStringList there;
        if (writtenQuantity(same->shares) != writtenQuantity(h.shares)) {
            here << writtenQuantity(h.shares) + u" 万股"_s;
            there << writtenQuantity(same->shares) + u" 万股"_s;
        }
        if (!std::isnan(same->percent) && !std::isnan(h.percent) &&
            qRound64(same->percent * 100) != qRound64(h.percent * 100)) {
            here << percent(h.percent);
            there << percent(same->percent);
        }
        const QString changeHere = change(h);
        const QString changeThere = change(*same);
        if (!changeHere.isEmpty() && !changeThere.isEmpty() && changeHere != changeThere) {
            here << changeHere;
            there << changeThere;
        }
        if (!here.isEmpty()) {
            const quint32 type = h.type != 0 ? h.type : same->type;
            errors_.add({files_[h.file], h.line,
                         texts_[h.holder] +
                             (type != 0 ? u" ("_s + texts_[type] + u')' : QString()) + u" in "_s +
                             codeText(h.code) + u" on "_s + dateText(h.date) + u": "_s +
                             here.join(u", "_s) + u" here, "_s + there.join(u", "_s) + u" at "_s +
                             place(*same)});
            continue;
        }
        // Kept once, with what either gives.
        ++summary_.keptOnce;
        if (same->type == 0)
            same->type = h.type;
        if (std::isnan(same->percent))
            same->percent = h.percent;
        if (changeThere.isEmpty()) {
            same->change = h.change;
            same->changeText = h.changeText;
        }
        if (same->rank == INT_MAX)
            same->rank = h.rank;
    }
    // The kept rows close up, in their order.
    size_t to = first;
    for (size_t i = first; i < end; ++i) {
        if (!dropped[i - first]) {
            if (to != i)
                holdings_[to] = holdings_[i];
            ++to;
        }
    }
    return to - first;
}

void Importer::fitNames(size_t first, size_t end) {
    if (settings_.fullNames)
        return;
    // Each row's holder becomes its written name. Names of different holders can come out the
    // same only where one written name stands for several holders somewhere: such a record's
    // names are kept apart.
    std::vector<quint32>& exported = scratch_.exported;
    exported.clear();
    bool shared = false;
    for (size_t i = first; i < end; ++i) {
        Holding& h = holdings_[i];
        exported.push_back(h.holder);
        h.holder = writtenOf(h.holder);
        shared = shared || writtenShared_[h.holder];
    }
    if (!shared)
        return;
    std::vector<std::pair<quint32, quint32>> written; // written text, holder's key
    for (size_t i = first; i < end; ++i)
        written.push_back({holdings_[i].holder, keyOf(exported[i - first])});
    std::sort(written.begin(), written.end());
    bool collide = false;
    for (size_t n = 1; n < written.size() && !collide; ++n)
        collide =
            written[n].first == written[n - 1].first && written[n].second != written[n - 1].second;
    if (!collide)
        return;
    std::vector<TableName> names;
    std::vector<std::vector<size_t>> rowsOf;
    QHash<quint32, size_t> byKey;
    for (size_t i = first; i < end; ++i) {
        const quint32 key = keyOf(exported[i - first]);
        auto it = byKey.find(key);
        if (it == byKey.end()) {
            it = byKey.insert(key, names.size());
            names.push_back({texts_[exported[i - first]], texts_[holdings_[i].holder]});
            rowsOf.emplace_back();
        }
        rowsOf[*it].push_back(i);
    }
    keepApart(names);
    for (size_t n = 0; n < names.size(); ++n) {
        for (const size_t i : rowsOf[n])
            holdings_[i].holder = textFor(names[n].written);
    }
}

void Importer::writeRecords(DataFileWriter& out, size_t from, size_t to) const {
    StockRecord r;
    for (size_t k = from; k < to; ++k) {
        const Record& record = records_[k];
        const Holding& first = holdings_[record.first];
        r.code = codeText(first.code);
        r.name = texts_[stockNames_.value(first.code).second];
        if (r.name.isEmpty())
            r.name = listedNames_.value(first.code);
        r.title = first.floatHolders ? u"十大流通股东"_s : u"十大股东"_s;
        r.date = dateText(first.date);
        out.beginRecord(r, qsizetype(record.end - record.first));
        for (size_t i = record.first; i < record.end; ++i) {
            const Holding& h = holdings_[i];
            out.holder({&encoded_[h.holder], h.shares, h.percent,
                        &shareTypes_[shareTypeOf_[h.type]], &encoded_[h.changeText], h.change});
        }
    }
}

bool Importer::write(QIODevice& out) const {
    // The two halves of the records are formatted at once: the first straight to the device,
    // the second into memory, to follow it.
    DataFileWriter first(out);
    first.begin(qsizetype(records_.size()));
    const size_t half = records_.size() / 2;
    std::string later;
    if (half < records_.size()) { // room for rows of about a hundred bytes
        later.reserve((holdings_.size() - records_[half].first) * 100);
        adviseHugePages(later.data(), later.capacity());
    }
    DataFileWriter second(later);
    bool firstWritten = false;
    bool secondWritten = false;
    inParallel(
        [&] {
            writeRecords(first, 0, half);
            firstWritten = first.finish();
        },
        [&] {
            writeRecords(second, half, records_.size());
            secondWritten = second.finish();
        });
    return firstWritten && secondWritten &&
           out.write(later.data(), qint64(later.size())) == qint64(later.size());
}

} // namespace gegu
