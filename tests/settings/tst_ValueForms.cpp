#include "settings/ValueForms.h"

#include <QTest>
#include <cmath>
#include <limits>

using namespace varnex;

// In the expectation columns -1 (truth, tick) and NaN (twips) stand for "does not convert".
constexpr double no = std::numeric_limits<double>::quiet_NaN();

class TestValueForms : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("truth");
        QTest::addColumn<int>("tick");
        QTest::addColumn<double>("twips");
        const auto row = [](const char* name, const char16_t* text, int truth, int tick,
                            double twips) {
            QTest::newRow(name) << QString::fromUtf16(text) << truth << tick << twips;
        };
        row("True", u"True", 1, -1, no);
        row("true, any case", u"tRUE", 1, -1, no);
        row("FALSE", u"FALSE", 0, -1, no);
        row("blanks around", u" True ", 1, -1, no);
        row("zero", u"0", 0, 0, 0);
        row("one", u"1", 1, 1, 1);
        row("two", u"2", 1, 2, 2);
        row("three", u"3", 1, -1, 3);
        row("minus one", u"-1", 1, -1, -1);
        row("fraction", u"0.25", 1, 0, 0.25);
        row("half rounds to even 0", u"0.5", 1, 0, 0.5);
        row("half rounds to even 2", u"1.5", 1, 2, 1.5);
        row("2.5 rounds to 2", u"2.5", 1, 2, 2.5);
        row("2.6 rounds to 3", u"2.6", 1, -1, 2.6f);
        row("exponent", u"8e3", 1, -1, 8000);
        row("zero with sign and point", u"-0.0", 0, 0, 0);
        row("empty", u"", -1, -1, no);
        row("word", u"yes", -1, -1, no);
        row("group separator", u"8,000", -1, -1, no);
        row("hex", u"0x10", -1, -1, no);
        row("nan", u"nan", -1, -1, no);
        row("infinity", u"inf", -1, -1, no);
        row("beyond double", u"1e400", -1, -1, no);
        row("beyond single precision", u"1e39", 1, -1, no);
        row("single precision rounding", u"8000.0001", 1, -1, 8000);
        row("two numbers", u"1 2", -1, -1, no);
    }
    void readers() {
        QFETCH(QString, text);
        QFETCH(int, truth);
        QFETCH(int, tick);
        QFETCH(double, twips);
        const auto gotTruth = truthFromText(text);
        QCOMPARE(gotTruth.has_value() ? int(*gotTruth) : -1, truth);
        QCOMPARE(tickFromText(text).value_or(-1), tick);
        if (std::isnan(twips))
            QVERIFY(!twipsFromText(text));
        else
            QCOMPARE(twipsFromText(text).value_or(no), twips);
    }

    void wholeNumber() {
        QCOMPARE(wholeNumberFromText(QStringLiteral("-3")), -3);
        QCOMPARE(wholeNumberFromText(QStringLiteral("3.5")), 4);
        QCOMPARE(wholeNumberFromText(QStringLiteral("2147483647")), 2147483647);
        QVERIFY(!wholeNumberFromText(QStringLiteral("2147483648")));
        QVERIFY(!wholeNumberFromText(QStringLiteral("1e10")));
    }

    void writers() {
        QCOMPARE(truthText(true), QStringLiteral("True"));
        QCOMPARE(truthText(false), QStringLiteral("False"));
        QCOMPARE(tickText(2), QStringLiteral("2"));
        QCOMPARE(twipsText(8000), QStringLiteral("8000"));
        QCOMPARE(twipsText(6480.0), QStringLiteral("6480"));
        QCOMPARE(twipsText(12345.67), QStringLiteral("12345.67"));
        QCOMPARE(twipsText(10000000), QStringLiteral("10000000"));
        QCOMPARE(twipsText(-0.0), QStringLiteral("0"));
        // Written dimensions read back to the same single-precision value.
        for (const double value : {0.1, 7999.99, 123456.789, 3e20})
            QCOMPARE(twipsFromText(twipsText(value)), double(float(value)));
    }
};

QTEST_APPLESS_MAIN(TestValueForms)
#include "tst_ValueForms.moc"
