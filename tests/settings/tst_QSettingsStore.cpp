#include "settings/QSettingsStore.h"
#include "settings/StoredChoices.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace varnex;
using namespace Qt::StringLiterals;

namespace {

const QString App = u"Varnex"_s, Section = u"Settings"_s, Hidden = u"Checkbox Hidden"_s;

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// What the file on disk holds. QSettings keeps what it read of a file name for the whole
// process and trusts it while size and modification time look unchanged, so the file is read
// under a name never used before.
QString onDisk(const QString& path, const QString& key) {
    static int copies = 0;
    const QString copy = path + u".copy"_s + QString::number(++copies);
    if (!QFile::copy(path, copy))
        return u"<no file>"_s;
    return QSettingsStore(copy).readSetting(App, Section, key, u"<missing>"_s);
}

} // namespace

class TestQSettingsStore : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void textRoundTrips_data() {
        QTest::addColumn<QString>("text");
        // Separated by "|"; the first is the empty text.
        const QStringList texts =
            u"|a=b|a;b|#x|;x|\"quoted\"|  lead and trail  | |C:\\Data\\|\\\\srv\\x|\\x41|"
            u"Ünïcødé ß 日本 😀|8000|-1|true|@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x6QPoint)|@@x|@|"
            u"@ByteArray(x)|a,b|a, b|,|line\nbreak\r|tab\there"_s.split(u'|');
        for (const QString& text : texts)
            QTest::newRow(text.toUtf8().constData()) << text;
    }
    void textRoundTrips() {
        QFETCH(QString, text);
        const QString path = m_dir.filePath(u"roundtrip.conf"_s);
        QSettingsStore store(path);
        store.writeSetting(App, Section, u"Text Find"_s, text);
        QVERIFY(store.flush());
        QCOMPARE(onDisk(path, u"Text Find"_s), text);
        QCOMPARE(onDisk(path, u"Text Replace"_s), u"<missing>"_s);
    }

    // A store that cannot be written reports it at every flush; a store that cannot be read
    // gives the defaults.
    void unwritable() {
        const QString blocker = m_dir.filePath(u"blocker"_s);
        writeFile(blocker, "not a folder");
        const QString path = blocker + u"/Varnex/Varnex.conf"_s;
        QSettingsStore store(path);
        store.writeSetting(App, Section, Hidden, u"1"_s);
        QVERIFY(!store.flush());
        QVERIFY(!store.flush());
        // Once the way is clear the values not yet saved are saved.
        QVERIFY(QFile::remove(blocker));
        QVERIFY(store.flush());
        QCOMPARE(onDisk(path, Hidden), u"1"_s);

        // QSettings keeps reporting the damaged file it read and would hide the failed write.
        const QString folder = m_dir.filePath(u"damaged"_s);
        QVERIFY(QDir().mkpath(folder));
        writeFile(folder + u"/Varnex.conf"_s, "[Settings\nPath=/old\n");
        QSettingsStore damaged(folder + u"/Varnex.conf"_s);
        QVERIFY(QDir(folder).removeRecursively());
        writeFile(folder, "not a folder");
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
        QByteArray garbage(64 * 1024, '\0');
        QRandomGenerator random(20240611);
        for (char& byte : garbage)
            byte = char(random.bounded(256));
        QTest::newRow("binary garbage") << garbage << u"0"_s;
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
        writeFile(path, content);
        QSettingsStore store(path);
        QTEST(store.readSetting(App, Section, Hidden, u"0"_s), "hidden");
        QVERIFY(!readWindowSize(store).maximized);
        store.writeSetting(App, Section, Hidden, u"2"_s);
        QVERIFY(store.flush());
        QCOMPARE(onDisk(path, Hidden), u"2"_s);
    }
};

QTEST_GUILESS_MAIN(TestQSettingsStore)
#include "tst_QSettingsStore.moc"
