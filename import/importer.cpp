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

// A number of 万股 as the data file writes it.
QString writtenQuantity(double value) {
    std::string out;
    appendQuantity(out, value, NumberColumns);
    return QString::fromLatin1(out).trimmed();
}

} // namespace

std::vector<Importer::Period> Importer::periods() const {
    std::vector<Period> all;
    all.reserve(records_.size());
    for (const Record& r : records_) {
        const Holding& h = holdings_[r.first];
        all.push_back({h.code, h.date, bool(h.floatHolders)});
    }
    return all;
}

QString Importer::place(const Holding& h) const {
    return files_[h.file] + u':' + QString::number(h.line);
}

void Importer::finish() {
    // A table that says neither 十大股东 nor 十大流通股东 is read as 十大股东. Where another table
    // of the same stock and date says which it is, that reading may well be wrong: an error.
    const auto periodKey = [](const Holding& h) {
        return qint64(h.code) * 100000000 + h.date;
    };
    QHash<qint64, size_t> told; // a row of a table that says its kind
    for (size_t i = 0; i < holdings_.size(); ++i) {
        if (!holdings_[i].kindAssumed)
            told.insert(periodKey(holdings_[i]), i);
    }
    if (!told.isEmpty()) {
        QSet<qint64> reported;
        for (const Holding& h : holdings_) {
            const auto other = told.constFind(periodKey(h));
            if (!h.kindAssumed || other == told.cend() || reported.contains(periodKey(h)))
                continue;
            reported.insert(periodKey(h));
            const Holding& o = holdings_[*other];
            errors_.add({files_[h.file],
                         h.line,
                         {ImportKind::KindUnknown,
                          -1,
                          {codeText(h.code), dateText(h.date), place(o),
                           o.floatHolders ? u"十大流通股东"_s : u"十大股东"_s}}});
        }
    }

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
        // Each stock's latest period only, of its holders and of its float holders; the others
        // are counted in a warning.
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
        QSet<qint64> droppedRecords; // key and date
        QSet<int> droppedDates;
        std::erase_if(holdings_, [&](const Holding& h) {
            if (key(h) != lastKey) {
                lastKey = key(h);
                lastDate = latest.value(lastKey);
            }
            if (h.date == lastDate)
                return false;
            droppedRecords.insert(lastKey * 100000000 + h.date);
            droppedDates.insert(h.date);
            return true;
        });
        if (!droppedRecords.isEmpty())
            summary_.warnings.push_back(
                {{},
                 0,
                 {ImportKind::PeriodsLeftOut,
                  -1,
                  {QString::number(droppedDates.size()), QString::number(droppedRecords.size())}}});
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
    qsizetype wide = 0;
    for (quint32 id = 1; id < quint32(written_.size()); ++id) {
        if (written_[id].text == 0)
            continue;
        if (settings_.fullNames)
            wide += fitsNameColumn(holders_[id]) ? 0 : 1;
        else
            summary_.shortenedNames += texts_[written_[id].text] != holders_[id] ? 1 : 0;
    }
    if (wide > 0)
        summary_.warnings.push_back(
            {{}, 0, {ImportKind::NamesTooWide, -1, {QString::number(wide)}}});

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
        const QString name = holderName(texts_[holder]);
        auto it = keyIds_.find(name);
        if (it == keyIds_.end()) {
            it = keyIds_.insert(name, quint32(holders_.size()));
            holders_.push_back(name);
        }
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
        return std::isnan(h.change) ? texts_[h.changeText] : writtenChange(h.change);
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
            errors_.add({files_[h.file],
                         h.line,
                         {ImportKind::Disagree,
                          -1,
                          {texts_[h.holder], texts_[type], codeText(h.code), dateText(h.date),
                           here.join(u", "_s), there.join(u", "_s), place(*same)}}});
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
    // Each row's holder becomes its name as written: a function of the holder alone. Two
    // holders written alike anywhere in the data file are an error.
    for (size_t i = first; i < end; ++i) {
        Holding& h = holdings_[i];
        const quint32 id = keyOf(h.holder);
        if (written_.size() <= id)
            written_.resize(holders_.size());
        Written& w = written_[id];
        if (w.text == 0) {
            w.text = textFor(settings_.fullNames ? holders_[id] : fittedName(holders_[id]));
            w.row = i;
            w.exported = h.holder;
            if (!writtenBy_.contains(w.text))
                writtenBy_.insert(w.text, id);
        }
        const quint32 other = writtenBy_.value(w.text);
        if (other != id) {
            const quint64 pair = quint64(std::min(id, other)) << 32 | std::max(id, other);
            if (!collided_.contains(pair)) {
                collided_.insert(pair);
                const Written& there = written_[other];
                errors_.add({files_[h.file],
                             h.line,
                             {ImportKind::NamesCollide,
                              -1,
                              {texts_[h.holder], texts_[w.text], texts_[there.exported],
                               place(holdings_[there.row])}}});
            }
        }
        h.holder = w.text;
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
