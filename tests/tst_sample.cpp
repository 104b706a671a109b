// The bundled sample, as a user reads it: plausible tables that say they are a sample, in
// columns that stand under the report's frame joints.

#include "holdings/data_file.h"
#include "holdings/data_file_writer.h"
#include "queries/query.h"

#include <QTest>
#include <cmath>

using namespace gegu;
using namespace Qt::StringLiterals;

namespace {

struct Row {
    QString name;
    double shares;
    double percent;
    QString type;
    QString change;
};

// The row's cells between the bars, and where each bar stands in half-width columns.
bool parseRow(QStringView line, Row& row, QList<int>& bars) {
    const QList<QStringView> cells = line.split(u'│');
    if (cells.size() != 5)
        return false;
    int column = 0;
    for (qsizetype i = 0; i + 1 < cells.size(); ++i) {
        column += displayWidth(cells[i]);
        bars << column;
        column += 2;
    }
    bool ok1 = false, ok2 = false;
    row = {cells[0].trimmed().toString(), cells[1].trimmed().toDouble(&ok1),
           cells[2].trimmed().toDouble(&ok2), cells[3].trimmed().toString(),
           cells[4].trimmed().toString()};
    return ok1 && ok2;
}

} // namespace

class SampleTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        table_ = loadHoldingsFile(nativePath(QStringLiteral(GEGU_BUNDLED_SAMPLE)));
    }
    void everyRecordSaysItIsASample();
    void tablesArePlausible();
    void columnsStandUnderTheFrameJoints();
    void usualFirstQueriesAnswer();

private:
    HoldingsTable table_;
};

void SampleTest::everyRecordSaysItIsASample() {
    QCOMPARE(table_.recordCount(), 200);
    for (qsizetype r = 0; r < table_.recordCount(); ++r)
        QVERIFY2(table_.header(r).endsWith(u"  示例数据"), qPrintable(table_.header(r)));
    // So every report drawn from it says so, the name report's entries included.
    const TextBuffer report = reportText(runQuery(table_, u"华夏"));
    const QString text = QString::fromUtf16(report.data(), qsizetype(report.size()));
    QVERIFY(text.count(u"示例数据"_s) == text.count(u"\r\n"_s) / 2 - 1);
}

void SampleTest::tablesArePlausible() {
    for (qsizetype r = 0; r < table_.recordCount(); ++r) {
        const QString stock = table_.header(r);
        std::vector<Row> rows;
        for (const QString& line : table_.holderRows(r)) {
            Row row;
            QList<int> bars;
            QVERIFY2(parseRow(line, row, bars), qPrintable(line));
            rows.push_back(row);
        }
        QCOMPARE(rows.size(), size_t(20));
        double total = 0;
        // One share capital for the whole table: every percentage is the holding over it.
        const double capital = rows.front().shares / rows.front().percent * 100;
        for (size_t i = 0; i < rows.size(); ++i) {
            const Row& row = rows[i];
            total += row.percent;
            if (i > 0) // ranked by shares
                QVERIFY2(row.shares <= rows[i - 1].shares, qPrintable(stock));
            QVERIFY2(std::abs(row.shares / capital * 100 - row.percent) <=
                         0.011 + row.percent * 0.002,
                     qPrintable(stock + u": "_s + row.name));
            // A change is new, unchanged, or a difference the holding can have come from.
            if (row.change.startsWith(u"增持"_s)) {
                QVERIFY2(row.change.sliced(2).toDouble() <= row.shares, qPrintable(stock));
            } else if (!row.change.startsWith(u"减持"_s)) {
                QVERIFY2(row.change == u"不变"_s || row.change == u"新进"_s,
                         qPrintable(row.change));
            }
            QVERIFY(row.type.endsWith(u"股"_s));
        }
        QVERIFY2(total < 100, qPrintable(stock));
    }
}

void SampleTest::columnsStandUnderTheFrameJoints() {
    // The frame's joints stand at these half-width columns; every row's bars stand under them,
    // and every holder's name lies within the searched first 20 characters.
    QList<int> joints;
    for (qsizetype i = 0; i < TopRule.size(); ++i) {
        if (TopRule[i] == u'┬')
            joints << displayWidth(TopRule.first(i));
    }
    QCOMPARE(joints, (QList<int>{24, 36, 48, 60}));
    for (qsizetype r = 0; r < table_.recordCount(); ++r) {
        for (const QString& line : table_.holderRows(r)) {
            Row row;
            QList<int> bars;
            QVERIFY(parseRow(line, row, bars));
            QVERIFY2(bars == joints, qPrintable(line));
            QVERIFY2(line.first(std::min(NameFieldWidth, line.size())).contains(row.name),
                     qPrintable(line));
        }
    }
}

void SampleTest::usualFirstQueriesAnswer() {
    for (QStringView query : {u"600036", u"2", u"华夏大盘"})
        QVERIFY2(runQuery(table_, query).found(), qPrintable(query.toString()));
}

QTEST_GUILESS_MAIN(SampleTest)
#include "tst_sample.moc"
