// The output box's text: lines as set, edits kept as references where they can be, undo and
// redo, offsets as screen readers count them, and the limit on what edits keep.

#include "holdings/gbk.h"
#include "support.h"
#include "window/report_document.h"
#include "window/report_lines.h"

#include <QTest>

using namespace gegu;
using namespace gegu::test;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TextPosition)

namespace {

QStringList linesOf(const ReportDocument& d) {
    QStringList out;
    for (qsizetype i = 0; i < d.lineCount(); ++i)
        out << d.line(i);
    return out;
}

std::shared_ptr<const LineSource> source(QStringView text) {
    return std::make_shared<TextBufferLines>(text);
}

} // namespace

class ReportDocumentTest : public QObject {
    Q_OBJECT
private slots:
    void splitsOnlyAtCrLf_data();
    void splitsOnlyAtCrLf();
    void edits_data();
    void edits();
    void countsOffsetsAsScreenReadersDo();
    void groupsTypingAndDeletingIntoSteps();
    void keepsUneditedLinesByReference();
    void forgetsOldStepsAndRefusesWhatPassesTheLimit();
    void stretchesOfALongRowAsOfTheWholeRow();
};

void ReportDocumentTest::splitsOnlyAtCrLf_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty") << QString() << QStringList{QString()};
    QTest::newRow("one line") << u"甲乙"_s << QStringList{u"甲乙"_s};
    QTest::newRow("CR LF") << u"a\r\nb"_s << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("ends with CR LF") << u"a\r\n"_s << QStringList{u"a"_s, QString()};
    QTest::newRow("lone CR and LF") << u"a\rb\nc"_s << QStringList{u"a\rb\nc"_s};
    QTest::newRow("LF CR pairs") << u"a\n\r\n\rb"_s << QStringList{u"a\n"_s, u"\rb"_s};
    QTest::newRow("CR CR LF") << u"a\r\r\nb"_s << QStringList{u"a\r"_s, u"b"_s};
    const QString longLine = u"x"_s.repeated(40) + u"\r\n"_s;
    QTest::newRow("many lines, SIMD and tail")
        << longLine.repeated(100) << (QStringList(100, u"x"_s.repeated(40)) << QString());
}

void ReportDocumentTest::splitsOnlyAtCrLf() {
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    ReportDocument d;
    d.setSource(source(text));
    QCOMPARE(linesOf(d), lines);
    for (qsizetype i = 0; i < d.lineCount(); ++i)
        QCOMPARE(d.sourceLine(i), i);
}

void ReportDocumentTest::edits_data() {
    QTest::addColumn<TextPosition>("from");
    QTest::addColumn<TextPosition>("to");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<TextPosition>("cursor");
    using P = TextPosition;
    QTest::newRow("insert in a line")
        << P{1, 1} << P{1, 1} << u"X"_s << QStringList{u"one"_s, u"tXwo"_s, u"three"_s} << P{1, 2};
    QTest::newRow("replace across lines")
        << P{0, 1} << P{2, 2} << u"-"_s << QStringList{u"o-ree"_s} << P{0, 2};
    QTest::newRow("CR LF, CR and LF each break a line")
        << P{1, 0} << P{1, 3} << u"a\r\nb\rc\nd"_s
        << QStringList{u"one"_s, u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"three"_s} << P{4, 1};
    QTest::newRow("a line break at a line's end")
        << P{0, 3} << P{0, 3} << u"\n"_s << QStringList{u"one"_s, QString(), u"two"_s, u"three"_s}
        << P{1, 0};
    QTest::newRow("a line break at a line's start")
        << P{1, 0} << P{1, 0} << u"\n"_s << QStringList{u"one"_s, QString(), u"two"_s, u"three"_s}
        << P{2, 0};
    QTest::newRow("after the last line")
        << P{2, 5} << P{2, 5} << u"\nfour"_s
        << QStringList{u"one"_s, u"two"_s, u"three"_s, u"four"_s} << P{3, 4};
    QTest::newRow("all of it") << P{0, 0} << P{2, 5} << QString() << QStringList{QString()}
                               << P{0, 0};
    QTest::newRow("positions out of range are clamped")
        << P{5, 9} << P{9, 9} << u"!"_s << QStringList{u"one"_s, u"two"_s, u"three!"_s} << P{2, 6};
}

void ReportDocumentTest::edits() {
    QFETCH(TextPosition, from);
    QFETCH(TextPosition, to);
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QFETCH(TextPosition, cursor);
    ReportDocument d;
    d.setSource(source(u"one\r\ntwo\r\nthree"));
    const QStringList before = linesOf(d);
    const TextChange change = d.replace(from, to, text);
    QCOMPARE(linesOf(d), lines);
    QCOMPARE(change.cursor, cursor);
    QCOMPARE(change.insertedText.size(), change.insertedLength);
    // Undo gives back the lines as they were, and those lines are the source's again.
    QVERIFY(d.canUndo());
    d.undo();
    QCOMPARE(linesOf(d), before);
    for (qsizetype i = 0; i < d.lineCount(); ++i)
        QCOMPARE(d.sourceLine(i), i);
    d.redo();
    QCOMPARE(linesOf(d), lines);
    QVERIFY(!d.canRedo());
}

void ReportDocumentTest::countsOffsetsAsScreenReadersDo() {
    ReportDocument d;
    d.setSource(source(u"ab\r\n\r\ncde\r\nf"));
    d.replace({2, 1}, {2, 1}, u"XY\nZ"); // lines: ab, "", cXY, Zde, f
    QCOMPARE(d.characterCount(), 2 + 1 + 0 + 1 + 3 + 1 + 3 + 1 + 1);
    QCOMPARE(d.text({0, 0}, d.endPosition()), u"ab\n\ncXY\nZde\nf"_s);
    for (qsizetype offset = 0; offset <= d.characterCount(); ++offset) {
        const TextPosition p = d.positionAt(offset);
        QCOMPARE(d.offsetOf(p), offset);
    }
    QCOMPARE(d.positionAt(4), (TextPosition{2, 0}));
    QCOMPARE(d.positionAt(-3), (TextPosition{0, 0}));
    QCOMPARE(d.positionAt(1000), d.endPosition());
}

void ReportDocumentTest::groupsTypingAndDeletingIntoSteps() {
    using Kind = ReportDocument::EditKind;
    ReportDocument d;
    d.setSource(source(u"hello world\r\nsecond"));
    // Typed characters one after another make one step; the cursor comes back where typing
    // started.
    TextPosition at{0, 5};
    for (QChar c : u"abc"_s)
        at = d.replace(at, at, QString(c), Kind::Typing).cursor;
    QCOMPARE(d.line(0), u"helloabc world"_s);
    QCOMPARE(d.undo().cursor, (TextPosition{0, 5}));
    QCOMPARE(d.line(0), u"hello world"_s);
    QVERIFY(!d.canUndo());
    // Backspaces, across a line start too, make one step; undone, the cursor is where they
    // started.
    at = {1, 2};
    for (int i = 0; i < 4; ++i) {
        const TextPosition from = at.column > 0 ? TextPosition{at.line, at.column - 1}
                                                : TextPosition{at.line - 1, d.lineLength(0)};
        at = d.replace(from, at, {}, Kind::Backspace).cursor;
    }
    QCOMPARE(linesOf(d), (QStringList{u"hello worlcond"_s}));
    QCOMPARE(d.undo().cursor, (TextPosition{1, 2}));
    QCOMPARE(linesOf(d), (QStringList{u"hello world"_s, u"second"_s}));
    // Deletes forward, across a line end too, make one step; undone, the cursor stands after
    // the text given back.
    for (int i = 0; i < 3; ++i)
        d.replace({0, 9}, d.positionAt(9 + 1), {}, Kind::Delete);
    QCOMPARE(linesOf(d), (QStringList{u"hello worsecond"_s}));
    QCOMPARE(d.undo().cursor, (TextPosition{1, 0}));
    QCOMPARE(linesOf(d), (QStringList{u"hello world"_s, u"second"_s}));
    // Typing elsewhere, or after another kind of edit, is a step of its own.
    d.replace({0, 0}, {0, 0}, u"a", Kind::Typing);
    d.replace({1, 0}, {1, 0}, u"b", Kind::Typing);
    d.replace({1, 1}, {1, 1}, u"\n", Kind::Other);
    d.replace({2, 0}, {2, 0}, u"c", Kind::Typing);
    int steps = 0;
    while (d.canUndo()) {
        d.undo();
        ++steps;
    }
    QCOMPARE(steps, 4);
    QCOMPARE(linesOf(d), (QStringList{u"hello world"_s, u"second"_s}));
    // A deletion joins only a step that deleted, never one that put text in.
    d.replace({0, 0}, {0, 0}, u"xyz", Kind::Backspace);
    d.replace({0, 2}, {0, 3}, {}, Kind::Backspace);
    QCOMPARE(d.line(0), u"xyhello world"_s);
    d.undo();
    QCOMPARE(d.line(0), u"xyzhello world"_s);
    d.undo();
    QCOMPARE(d.line(0), u"hello world"_s);
}

void ReportDocumentTest::keepsUneditedLinesByReference() {
    // Selecting all of a large report and typing over it copies none of it; undo puts the
    // source's own lines back.
    QString text;
    for (int i = 0; i < 100000; ++i)
        text += u"  华夏大盘 │ %1\r\n"_s.arg(i);
    ReportDocument d;
    d.setSource(source(text));
    const qsizetype lines = d.lineCount();
    d.replace({0, 0}, d.endPosition(), u"x", ReportDocument::EditKind::Typing);
    QCOMPARE(d.lineCount(), 1);
    QVERIFY2(d.used() < 16, qPrintable(QString::number(d.used())));
    d.undo();
    QCOMPARE(d.lineCount(), lines);
    QCOMPARE(d.sourceLine(54321), 54321);
    QCOMPARE(d.line(54321), u"  华夏大盘 │ 54321"_s);
    // A line break typed at a line's end copies neither line.
    d.replace({10, d.lineLength(10)}, {10, d.lineLength(10)}, u"\n");
    QCOMPARE(d.sourceLine(10), 10);
    QCOMPARE(d.sourceLine(11), -1);
    QCOMPARE(d.sourceLine(12), 11);
    QVERIFY(d.used() < 16);
    // A new text clears the history and what it kept.
    d.setSource(source(u"new"));
    QVERIFY(!d.canUndo());
    QCOMPARE(d.used(), 0);
}

void ReportDocumentTest::forgetsOldStepsAndRefusesWhatPassesTheLimit() {
    ReportDocument d;
    d.setSource(source(u"start"));
    d.setLimit(100);
    // Each edit keeps a 31-character line: the oldest steps are forgotten to make room.
    for (int i = 0; i < 10; ++i)
        d.replace({0, 0}, d.endPosition(), u"x"_s.repeated(30));
    QVERIFY2(d.used() <= 100, qPrintable(QString::number(d.used())));
    QVERIFY(d.canUndo());
    int steps = 0;
    while (d.canUndo()) {
        d.undo();
        ++steps;
    }
    QVERIFY(steps < 10);
    // An edit that alone passes the limit is refused and changes nothing.
    while (d.canRedo())
        d.redo();
    const QStringList before = linesOf(d);
    QVERIFY_THROWS_EXCEPTION(ReportDocument::LimitExceeded,
                             d.replace({0, 0}, {0, 0}, u"y"_s.repeated(200)));
    QCOMPARE(linesOf(d), before);
}

void ReportDocumentTest::stretchesOfALongRowAsOfTheWholeRow() {
    // A holder row of 100,000 characters: ideographs, ASCII, the euro byte, and a lead byte
    // without a trail (U+FFFD, the byte after it read afresh), so that bytes and characters
    // part ways all along it.
    QByteArray row = encodeGbk(u"  巨行股东 │ "_s).value();
    for (int i = 0; row.size() < 150000; ++i)
        row += i % 7 == 0 ? QByteArray("\x81 \x80") : encodeGbk(u"华夏a1"_s).value();
    const QByteArray file = "0\r\n600999 X\r\n1\r\nhead\r\n" + row + "\r\n";
    const auto table = std::make_shared<const HoldingsTable>(tableFromBytes(file));
    const ReportLines lines(runQuery(table, u"巨行股东"_s));
    qsizetype k = 0;
    while (k < lines.lineCount() && lines.line(k).size() < 1000)
        ++k;
    QVERIFY(k < lines.lineCount());
    const QString whole = decodeGbk(row);
    QCOMPARE(lines.line(k), whole);
    QCOMPARE(lines.lineLength(k), whole.size());
    for (const auto& [from, to] : {std::pair<qsizetype, qsizetype>{0, 0},
                                   {0, 10},
                                   {4095, 4097},
                                   {4096, 9000},
                                   {77777, whole.size()},
                                   {0, whole.size()}}) {
        QString stretch;
        lines.appendTo(stretch, k, from, to);
        QCOMPARE(stretch, whole.mid(from, to - from));
    }
}

QTEST_MAIN(ReportDocumentTest)
#include "tst_report_document.moc"
