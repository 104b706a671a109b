#include "holdings/runtime_error.h"
#include "holdings/text_rules.h"

#include <QTest>
#include <cmath>
#include <limits>

using namespace gegu;
using namespace Qt::StringLiterals;

class TextRulesTest : public QObject {
    Q_OBJECT
private slots:
    void val_data();
    void val();
    void valOutOfDoubleRange();
    void roundToLong_data();
    void roundToLong();
    void roundToLongOverflow_data();
    void roundToLongOverflow();
    void ltrimRemovesLeadingBlanksOnly();
    void leftMidLen();
};

void TextRulesTest::val_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    QTest::newRow("name") << u"华夏大盘"_s << 0.0;
    QTest::newRow("empty") << QString() << 0.0;
    QTest::newRow("code") << u"600036"_s << 600036.0;
    QTest::newRow("leading zeros") << u"000002"_s << 2.0;
    QTest::newRow("blanks between digits") << u"  60 00 36abc"_s << 600036.0;
    QTest::newRow("tabs and line feeds skipped") << u"\t6\n0\t0036"_s << 600036.0;
    QTest::newRow("CR stops") << u"60\r0036"_s << 60.0;
    QTest::newRow("ideographic space stops") << u"60\u30000036"_s << 60.0;
    QTest::newRow("negative") << u"-5"_s << -5.0;
    QTest::newRow("plus sign") << u"+5"_s << 5.0;
    QTest::newRow("blank after sign") << u"- 5"_s << -5.0;
    QTest::newRow("two signs") << u"--5"_s << 0.0;
    QTest::newRow("sign only") << u"-"_s << 0.0;
    QTest::newRow("fraction") << u"1.5"_s << 1.5;
    QTest::newRow("leading point") << u".25"_s << 0.25;
    QTest::newRow("second point stops") << u"1.2.3"_s << 1.2;
    QTest::newRow("point only") << u"."_s << 0.0;
    QTest::newRow("code with fraction") << u"600036.0"_s << 600036.0;
    QTest::newRow("exponent") << u"7e5"_s << 700000.0;
    QTest::newRow("upper exponent") << u"7E5"_s << 700000.0;
    QTest::newRow("negative exponent") << u"25e-1"_s << 2.5;
    QTest::newRow("exponent plus") << u"2E+3"_s << 2000.0;
    QTest::newRow("blanks in exponent") << u"1 e 2"_s << 100.0;
    QTest::newRow("exponent without digits") << u"7e"_s << 7.0;
    QTest::newRow("exponent sign without digits") << u"7e-x"_s << 7.0;
    QTest::newRow("second exponent stops") << u"1e2e3"_s << 100.0;
    QTest::newRow("exponent without mantissa") << u"e5"_s << 0.0;
    QTest::newRow("D is no exponent") << u"1d2"_s << 1.0;
    QTest::newRow("hex") << u"&H1F"_s << 31.0;
    QTest::newRow("hex lower case") << u"&hff"_s << 255.0;
    QTest::newRow("hex stops at G") << u"&H1G"_s << 1.0;
    QTest::newRow("hex with blanks") << u" & H 1 0"_s << 16.0;
    QTest::newRow("hex without digits") << u"&H"_s << 0.0;
    QTest::newRow("octal") << u"&O17"_s << 15.0;
    QTest::newRow("octal stops at 8") << u"&O178"_s << 15.0;
    QTest::newRow("ampersand alone") << u"&17"_s << 0.0;
    QTest::newRow("sign before radix prefix") << u"-&H10"_s << 0.0;
    QTest::newRow("comma stops") << u"1,000"_s << 1.0;
    QTest::newRow("currency sign stops") << u"$5"_s << 0.0;
    QTest::newRow("full-width digits are no digits") << u"６００"_s << 0.0;
    QTest::newRow("digits then name") << u"600036招商银行"_s << 600036.0;
    QTest::newRow("beyond 32 bits") << u"4294967296"_s << 4294967296.0;
    QTest::newRow("many digits") << QString(400, u'0') + u"12"_s << 12.0;
}

void TextRulesTest::val() {
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(Val(text), expected);
}

void TextRulesTest::valOutOfDoubleRange() {
    QCOMPARE(Val(u"1e400"), std::numeric_limits<double>::infinity());
    QCOMPARE(Val(u"-1e400"), -std::numeric_limits<double>::infinity());
    QCOMPARE(Val(QString(400, u'9')), std::numeric_limits<double>::infinity());
    QCOMPARE(Val(u"1e-400"), 0.0);
    QCOMPARE(Val(u"1e99999999999999999999"), std::numeric_limits<double>::infinity());
    QVERIFY(!std::signbit(Val(u"-0")));
}

void TextRulesTest::roundToLong_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("1.5 + 1") << 2.5 << 2;
    QTest::newRow("2.5 + 1") << 3.5 << 4;
    QTest::newRow("0.5") << 0.5 << 0;
    QTest::newRow("-0.5") << -0.5 << 0;
    QTest::newRow("-1.5") << -1.5 << -2;
    QTest::newRow("-2.5") << -2.5 << -2;
    QTest::newRow("below tie") << 2.4999999 << 2;
    QTest::newRow("above tie") << 2.5000001 << 3;
    QTest::newRow("whole") << 199.0 << 199;
    QTest::newRow("max") << 2147483647.0 << 2147483647;
    QTest::newRow("max + 0.4") << 2147483647.4 << 2147483647;
    QTest::newRow("min") << -2147483648.0 << int(std::numeric_limits<qint32>::min());
    QTest::newRow("min - 0.5 rounds to even min")
        << -2147483648.5 << int(std::numeric_limits<qint32>::min());
}

void TextRulesTest::roundToLong() {
    QFETCH(double, value);
    QFETCH(int, expected);
    QCOMPARE(RoundToLong(value), expected);
}

void TextRulesTest::roundToLongOverflow_data() {
    QTest::addColumn<double>("value");
    QTest::newRow("max + 0.5 rounds up") << 2147483647.5;
    QTest::newRow("2^31") << 2147483648.0;
    QTest::newRow("min - 1") << -2147483649.0;
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity();
    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN();
}

void TextRulesTest::roundToLongOverflow() {
    QFETCH(double, value);
    try {
        RoundToLong(value);
        QFAIL("no overflow raised");
    } catch (const RuntimeError& e) {
        QCOMPARE(int(e.number()), 6);
        QCOMPARE(e.text(), u"Overflow"_s);
    }
}

void TextRulesTest::ltrimRemovesLeadingBlanksOnly() {
    QCOMPARE(LTrim(u"  a b  ").toString(), u"a b  "_s);
    QCOMPARE(LTrim(u"\u3000a").toString(), u"\u3000a"_s);
    QCOMPARE(LTrim(u"\ta").toString(), u"\ta"_s);
    QCOMPARE(LTrim(u"   ").toString(), QString());
}

void TextRulesTest::leftMidLen() {
    QCOMPARE(Left(u"abc", 2).toString(), u"ab"_s);
    QCOMPARE(Left(u"abc", 20).toString(), u"abc"_s);
    QCOMPARE(Left(u"abc", 0).toString(), QString());
    QCOMPARE(Mid(u"abc", 4, 2).toString(), QString());
    QCOMPARE(Mid(u"abc", 2, 5).toString(), u"bc"_s);
    QCOMPARE(Mid(u"abcdef", 2, 3).toString(), u"bcd"_s);
    QCOMPARE(Mid(u"abc", 3, 1).toString(), u"c"_s);
    QCOMPARE(Len(u"华夏大盘"), 4);
    QVERIFY(TextEquals(u"华夏", u"华夏"));
    QVERIFY(!TextEquals(u"abc", u"ABC"));
    QVERIFY(!TextEquals(u"Ａ", u"A"));
}

QTEST_APPLESS_MAIN(TextRulesTest)
#include "tst_text_rules.moc"
