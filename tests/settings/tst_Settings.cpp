// The settings: reading stored texts into choices, writing them back, and the store on a real
// INI file, damaged, unwritable or rewritten.

#include "reliability/Reliability.h"
#include "settings/QSettingsStore.h"
#include "settings/StoredChoices.h"
#include "settings/ValueForms.h"
#include "support/MemorySettingsStore.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <limits>

using namespace varnex;
using namespace Qt::StringLiterals;

namespace {

// In the expectation columns -1 (truth, tick) and NaN (twips) stand for "does not convert".
constexpr double no = std::numeric_limits<double>::quiet_NaN();

const QString App = u"Varnex"_s, Section = u"Settings"_s, Hidden = u"Checkbox Hidden"_s;

} // namespace

class TestSettings : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void readers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("truth");
        QTest::addColumn<int>("tick");
        QTest::addColumn<double>("twips");
        const auto row = [](const char* text, int truth, int tick, double twips) {
            QTest::newRow(text) << QString::fromUtf8(text) << truth << tick << twips;
        };
        row("tRUE", 1, -1, no);
        row(" False ", 0, -1, no);
        row("0", 0, 0, 0);
        row("2", 1, 2, 2);
        row("3", 1, -1, 3);
        row("-1", 1, -1, -1);  // any number but 0 is true
        row("0.5", 1, 0, 0.5); // a half rounds to the even neighbour
        row("1.5", 1, 2, 1.5);
        row("8000.0001", 1, -1, 8000); // single precision
        row("1e39", 1, -1, no);        // beyond single precision
        row("1e400", -1, -1, no);
        row("", -1, -1, no);
        row("nan", -1, -1, no);
    }
    void readers() {
        QFETCH(QString, text);
        QFETCH(double, twips);
        const auto truth = truthFromText(text);
        QTEST(truth.has_value() ? int(*truth) : -1, "truth");
        QTEST(tickFromText(text).value_or(-1), "tick");
        if (std::isnan(twips))
            QVERIFY(!twipsFromText(text));
        else
            QCOMPARE(twipsFromText(twipsText(twips)).value_or(no), double(float(twips)));
        if (!std::isnan(twips))
            QCOMPARE(twipsFromText(text).value_or(no), twips);
    }

    // Only the exact text an exit writes maximises; other sizes are tested with the hardening.
    void maximized() {
        MemorySettingsStore store;
        for (const auto& [text, maximized] : {std::pair(u"True"_s, true), {u"true"_s, false}}) {
            store.setStored(u"Window Maximized"_s, text);
            QCOMPARE(readWindowSize(store).maximized, maximized);
        }
    }

    // A store that cannot be written reports it at every flush; a store that cannot be read
    // gives the defaults.
    void unwritable() {
        const QString blocker = m_dir.filePath(u"blocker"_s);
        QVERIFY(writeRaw(QFile::encodeName(blocker), "not a folder"));
        const QString path = blocker + u"/Varnex/Varnex.conf"_s;
        QSettingsStore store(path);
        store.writeSetting(App, Section, Hidden, u"1"_s);
        QVERIFY(!store.flush());
        QVERIFY(!store.flush());
        // Once the way is clear the values not yet saved are saved.
        QVERIFY(QFile::remove(blocker));
        QVERIFY(store.flush());
        QCOMPARE(storedInFile(path, Hidden), u"1"_s);

        // QSettings keeps reporting the damaged file it read and would hide the failed write.
        const QString folder = m_dir.filePath(u"damaged"_s);
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(writeRaw(QFile::encodeName(folder + u"/Varnex.conf"_s), "[Settings\nPath=/old\n"));
        QSettingsStore damaged(folder + u"/Varnex.conf"_s);
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY(writeRaw(QFile::encodeName(folder), "not a folder"));
        damaged.writeSetting(App, Section, u"Path"_s, u"/new"_s);
        QVERIFY(!damaged.flush());

        const QString aFolder = m_dir.filePath(u"folder.conf"_s);
        QVERIFY(QDir().mkpath(aFolder));
        QSettingsStore unreadable(aFolder);
        QCOMPARE(readWindowSize(unreadable).width, 8000.0);
        unreadable.writeSetting(App, Section, u"Path"_s, u"/x"_s);
        QVERIFY(!unreadable.flush());
    }

    // A damaged file never stops start-up: what cannot be read gives the default, readable
    // lines still count, and the next save replaces the file and reports success.
    void damagedFile_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("hidden"); // what "Checkbox Hidden" reads
        QTest::newRow("huge line")
            << QByteArray(8 * 1024 * 1024, 'x') + "\n[Settings]\nCheckbox%20Hidden=1\n"
            << u"1"_s;
        QTest::newRow("invalid UTF-8")
            << QByteArray("[Settings]\n\xff\xfe=\x80\xc3(\nCheckbox%20Hidden=\xc3\x28\n")
            << QString::fromUtf8("\xc3\x28");
        // QSettings reads on after a section header that lacks its bracket.
        QTest::newRow("unclosed section")
            << QByteArray("[Settings\nCheckbox%20Hidden=1\n") << u"1"_s;
        QTest::newRow("not a text")
            << QByteArray("[Settings]\nCheckbox%20Hidden=@Rect(1 2 3 4)\n") << u"0"_s;
        QTest::newRow("hand-written list")
            << QByteArray("[Settings]\nCheckbox%20Hidden=a,b\n") << u"a, b"_s;
    }
    void damagedFile() {
        QFETCH(QByteArray, content);
        const QString path =
            m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + u".conf");
        QVERIFY(writeRaw(QFile::encodeName(path), content));
        QSettingsStore store(path);
        QTEST(store.readSetting(App, Section, Hidden, u"0"_s), "hidden");
        QVERIFY(!readWindowSize(store).maximized);
        store.writeSetting(App, Section, Hidden, u"2"_s);
        QVERIFY(store.flush());
        QCOMPARE(storedInFile(path, Hidden), u"2"_s);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_Settings.moc"
