#include "settings/QSettingsStore.h"
#include "settings/StoredChoices.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace varnex;

namespace {

QString s(const char16_t* text) {
    return QString::fromUtf16(text);
}

const QString app = QStringLiteral("Varnex");
const QString section = QStringLiteral("Settings");

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// What the file on disk holds: QSettings shares one in-memory copy per file name within the
// process, so the file is read under another name.
QString onDisk(const QString& path, const QString& key) {
    const QString copy = path + QStringLiteral(".copy");
    QFile::remove(copy);
    if (!QFile::copy(path, copy))
        return QStringLiteral("<no file>");
    return QSettingsStore(copy).readSetting(app, section, key, QStringLiteral("<missing>"));
}

} // namespace

class TestQSettingsStore : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
    }

    void nativeStoreIsTheUsersVarnexFile() {
        // Test mode moves the user's configuration folder aside; nothing is written here.
        QCOMPARE(QSettingsStore().fileName(),
                 QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                     QStringLiteral("/Varnex/Varnex.conf"));
    }

    void textRoundTrips_data() {
        QTest::addColumn<QString>("text");
        // Separated by "|"; the first is the empty text.
        const QStringList texts =
            s(u"|a=b|a;b|#x|;x|\"quoted\"|  lead and trail  | |C:\\Data\\|\\\\srv\\x|\\x41|"
              u"Ünïcødé ß 日本 😀|8000|-1|true|@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x6QPoint)|@@x|@|"
              u"@ByteArray(x)|a,b|a, b|,|line\nbreak\r|tab\there")
                .split(u'|');
        for (const QString& text : texts)
            QTest::newRow(text.toUtf8().constData()) << text;
    }
    void textRoundTrips() {
        QFETCH(QString, text);
        const QString path = m_dir.filePath(QStringLiteral("roundtrip.conf"));
        QSettingsStore store(path);
        store.writeSetting(app, section, s(u"Text Find"), text);
        QVERIFY(store.flush());
        QCOMPARE(onDisk(path, s(u"Text Find")), text);
        QCOMPARE(onDisk(path, s(u"Text Replace")), s(u"<missing>"));
    }

    void flushFailsWhereAFileBlocksTheFolder() {
        const QString blocker = m_dir.filePath(QStringLiteral("blocker"));
        writeFile(blocker, "not a folder");
        const QString path = blocker + QStringLiteral("/Varnex/Varnex.conf");
        QSettingsStore store(path);
        store.writeSetting(app, section, s(u"Checkbox Hidden"), s(u"1"));
        QVERIFY(!store.flush());
        QVERIFY(!store.flush());
        // Once the way is clear the values not yet saved are saved.
        QVERIFY(QFile::remove(blocker));
        QVERIFY(store.flush());
        QCOMPARE(onDisk(path, s(u"Checkbox Hidden")), s(u"1"));
    }

    // QSettings keeps reporting the damaged file it read and would hide the failed write.
    void flushFailsAfterADamagedFileWhenTheFolderIsBlocked() {
        const QString folder = m_dir.filePath(QStringLiteral("damaged"));
        QVERIFY(QDir().mkpath(folder));
        writeFile(folder + QStringLiteral("/Varnex.conf"), "[Settings\nPath=/old\n");
        QSettingsStore store(folder + QStringLiteral("/Varnex.conf"));
        QVERIFY(QDir(folder).removeRecursively());
        writeFile(folder, "not a folder");
        store.writeSetting(app, section, s(u"Path"), s(u"/new"));
        QVERIFY(!store.flush());
    }

    void unreadableStoreGivesDefaults() {
        const QString path = m_dir.filePath(QStringLiteral("folder.conf"));
        QVERIFY(QDir().mkpath(path));
        QSettingsStore store(path);
        QCOMPARE(readWindowSize(store).width, 8000.0);
        store.writeSetting(app, section, s(u"Path"), s(u"/x"));
        QVERIFY(!store.flush());
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
        QTest::newRow("binary garbage") << garbage << s(u"0");
        QTest::newRow("huge line")
            << QByteArray(8 * 1024 * 1024, 'x') + "\n[Settings]\nCheckbox%20Hidden=1\n"
            << s(u"1");
        QTest::newRow("invalid UTF-8") << QByteArray("[Settings]\n\xff\xfe=\x80\xc3(\n"
                                                     "Checkbox%20Hidden=\xc3\x28\n")
                                       << QString::fromUtf8("\xc3\x28");
        // QSettings reads on after a section header that lacks its bracket.
        QTest::newRow("unclosed section")
            << QByteArray("[Settings\nCheckbox%20Hidden=1\n") << s(u"1");
        QTest::newRow("not a text")
            << QByteArray("[Settings]\nCheckbox%20Hidden=@Rect(1 2 3 4)\n") << s(u"0");
        QTest::newRow("hand-written list")
            << QByteArray("[Settings]\nCheckbox%20Hidden=a,b\n") << s(u"a, b");
    }
    void damagedFile() {
        QFETCH(QByteArray, content);
        QFETCH(QString, hidden);
        const QString path =
            m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + u".conf");
        writeFile(path, content);
        QSettingsStore store(path);
        QCOMPARE(store.readSetting(app, section, s(u"Checkbox Hidden"), s(u"0")), hidden);
        const WindowSizeChoice size = readWindowSize(store);
        QVERIFY(!size.maximized);
        store.writeSetting(app, section, s(u"Checkbox Hidden"), s(u"2"));
        QVERIFY(store.flush());
        QCOMPARE(onDisk(path, s(u"Checkbox Hidden")), s(u"2"));
    }
};

QTEST_GUILESS_MAIN(TestQSettingsStore)
#include "tst_QSettingsStore.moc"
