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
        const auto row = [](const char* text, int truth, int tick, double twips) {
            QTest::newRow(text) << QString::fromUtf8(text) << truth << tick << twips;
        };
        row("True", 1, -1, no);
        row("tRUE", 1, -1, no);
        row(" False ", 0, -1, no);
        row("0", 0, 0, 0);
        row("2", 1, 2, 2);
        row("3", 1, -1, 3);
        row("-1", 1, -1, -1);
        row("0.25", 1, 0, 0.25);
        row("0.5", 1, 0, 0.5); // a half rounds to the even neighbour
        row("1.5", 1, 2, 1.5);
        row("2.6", 1, -1, 2.6f);
        row("8e3", 1, -1, 8000);
        row("8000.0001", 1, -1, 8000); // single precision
        row("1e39", 1, -1, no);        // beyond single precision
        row("1e400", -1, -1, no);
        row("", -1, -1, no);
        row("yes", -1, -1, no);
        row("8,000", -1, -1, no);
        row("0x10", -1, -1, no);
        row("nan", -1, -1, no);
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

    void twipsWriter() {
        QCOMPARE(twipsText(8000), QStringLiteral("8000"));
        QCOMPARE(twipsText(12345.67), QStringLiteral("12345.67"));
        QCOMPARE(twipsText(10000000), QStringLiteral("10000000"));
        QCOMPARE(twipsText(-0.0), QStringLiteral("0"));
        for (const double value : {0.1, 7999.99, 123456.789, 3e20})
            QCOMPARE(twipsFromText(twipsText(value)), double(float(value)));
    }
};

QTEST_APPLESS_MAIN(TestValueForms)
#include "tst_ValueForms.moc"
