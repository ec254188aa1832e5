#include "platform/MappedFile.h"
#include "platform/NameOrder.h"
#include "platform/PosixFileSystem.h"
#include "reliability/Reliability.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cerrno>

using namespace varnex;
using namespace Qt::StringLiterals;

namespace {

// Fills a folder from space-separated items, as makeTree reads them.
void build(const QString& dir, const QString& items) {
    QVERIFY(items.isEmpty() || makeTree(encodeFileName(dir), items.toUtf8().split(' ')));
}

} // namespace

class TestPlatform : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The error number each errno is reported as.
    void errnoMapping() {
        const std::pair<int, QList<int>> rows[] = {
            {53, {ENOENT}},  {58, {EEXIST, ENOTEMPTY}}, {70, {EACCES, EPERM}},
            {76, {ENOTDIR}}, {61, {ENOSPC, EDQUOT}},    {57, {EIO}},
            {74, {EXDEV}},   {52, {ENAMETOOLONG}},      {75, {EROFS, EBUSY, EINVAL, 0}}};
        for (const auto& [number, errs] : rows) {
            for (int err : errs)
                QCOMPARE(fsErrorFromErrno(err).number, number);
        }
    }

    // A rename through an open folder, and by path.
    void rename_data() {
        QTest::addColumn<bool>("byPath");
        QTest::addColumn<QString>("before"); // makeTree items, then the layout
        QTest::addColumn<QString>("newName");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("after");
        const auto row = [](const char* name, const QString& before, const QString& newName,
                            int number, const QString& after) {
            for (const bool byPath : {false, true})
                QTest::addRow("%s, %s", name, byPath ? "path without separator" : "folder")
                    << byPath << before << newName << number << after;
        };
        row("free name", u"a=1"_s, u"b"_s, 0, u"b=1"_s);
        row("name beyond ASCII", u"a=1"_s, u"\u00e4\u00df\u4e2d"_s, 0, u"\u00e4\u00df\u4e2d=1"_s);
        row("longest name", u"a=1"_s, QString(255, u'x'), 0, QString(255, u'x') + u"=1"_s);
        row("case only", u"a=1"_s, u"A"_s, 0, u"A=1"_s);
        row("own name", u"a=1"_s, u"a"_s, 0, u"a=1"_s);
        row("taken", u"a=1 b=2"_s, u"b"_s, 58, u"a=1 b=2"_s);
        row("hard link", u"a=1 b>a"_s, u"b"_s, 58, u"a=1 b=1"_s);
        row("hard link in other case", u"a=1 A>a"_s, u"A"_s, 58, u"A=1 a=1"_s);
        row("vanished", QString(), u"b"_s, 53, QString());
        row("into a folder", u"a=1 d/"_s, u"d/a"_s, 52, u"a=1 d/"_s);
        row("NUL", u"a=1 b=2"_s, u"b"_s + QChar(0) + u'c', 52, u"a=1 b=2"_s);
        row("too long", u"a=1"_s, QString(300, u'x'), 52, u"a=1"_s);
        row("new name not UTF-8", u"a=1"_s, u"q"_s + esc(0xff), 52, u"a=1"_s);
        row("lone high surrogate", u"a=1"_s, u"q"_s + QChar(0xD800), 52, u"a=1"_s);
        row("dot dot", u"a=1"_s, u".."_s, 52, u"a=1"_s);
    }
    void rename() {
        QFETCH(bool, byPath);
        QFETCH(QString, before);
        QFETCH(QString, newName);
        QFETCH(int, number);
        QTemporaryDir tmp;
        build(tmp.path(), before);
        PosixFileSystem fs;
        const FsError e = byPath ? fs.renameInFolder(tmp.path(), u"a"_s, newName)
                                 : fs.openFolder(tmp.path())->rename(u"a"_s, newName);
        QCOMPARE(e.number, number);
        QCOMPARE(e.source, number ? u"Varnex"_s : QString());
        QTEST(layout(encodeFileName(tmp.path())).join(u' '), "after");
    }

    void attributes_data() {
        QTest::addColumn<QString>("items");
        QTest::addColumn<uint>("expected");
        QTest::addColumn<bool>("plain");
        QTest::newRow("file") << u"e=1"_s << 0u << true;
        QTest::newRow("read only") << u"e~"_s << uint(attr::ReadOnly) << true;
        QTest::newRow("dot file") << u".e=1"_s << uint(attr::Hidden) << false;
        QTest::newRow("folder") << u"e/"_s << uint(attr::Folder) << false;
        QTest::newRow("FIFO") << u"e|"_s << uint(attr::System) << false;
        QTest::newRow("socket") << u"e@"_s << uint(attr::System) << false;
        QTest::newRow("link to folder") << u"e->/tmp"_s << 0u << false;
    }
    void attributes() {
        QFETCH(QString, items);
        QFETCH(uint, expected);
        QTemporaryDir tmp;
        build(tmp.path(), items);
        PosixFileSystem fs;
        auto folder = fs.openFolder(tmp.path());
        const auto entries = folder->entries();
        QVERIFY(entries && entries->size() == 1);
        const FolderEntry entry = entries->first();
        QCOMPARE(entry.attributes, expected);
        // The listing of kinds agrees on the Folder bit; a query of the entry on all four.
        const auto kinds = folder->entryKinds({});
        QVERIFY(kinds && kinds->size() == 1);
        QCOMPARE(kinds->name(0), entry.name);
        QCOMPARE(kinds->attributes(0), expected & attr::Folder);
        QCOMPARE(folder->entryAttributes(entry.name, kinds->attributes(0)), expected);
        const QString path = tmp.path() + u'/' + entry.name;
        QCOMPARE(fs.attributes(path), expected);
        QTEST(fs.isPlainFile(path), "plain");
        QCOMPARE(folder->openSubFolder(entry.name) != nullptr, bool(expected & attr::Folder));
    }

    // The order of the folder preview and the folder walk: the order of the case-folded names,
    // names equal but for case by their bytes; on names that are not ASCII, not UTF-8, beyond
    // the BMP, prefixes of one another, and on lists long enough to be sorted in steps (with
    // pauses while they are).
    void nameOrder() {
        QStringList many;
        for (int i = 0; i < 10000; ++i) {
            const QString name = u"File_%1.TXT"_s.arg((i * 7919) % 10000);
            many.append(i % 3 == 0 ? name.toLower() : i % 3 == 1 ? name : name + u'\u00e9');
        }
        // Two runs of 6,000 names that agree on their first eight characters: each run is
        // sorted from sorted runs merged step by step.
        QStringList sameStart;
        for (int i = 0; i < 12000; ++i) {
            const QString name =
                u"%1_same_start_%2"_s.arg(i % 2 ? u"a" : u"B").arg((i * 7919) % 12000);
            sameStart.append(i % 5 == 0 ? name.toUpper() : name);
        }
        // Other names are met by the random trees of the property test.
        const QStringList rows[] = {
            {u"b"_s, u"A"_s, u"a"_s, u"file_"_s, u"FILE_1"_s, u"fil"_s, u"\u00df"_s, u"SS"_s,
             u"\uff41"_s, u"\uff21"_s, u"\U0001F600"_s, u"a"_s + esc(0xff), u"A"_s + esc(0xfe)},
            many,
            sameStart,
        };
        for (const QStringList& names : rows) {
            QStringList expected = names;
            std::sort(expected.begin(), expected.end(), [](const QString& a, const QString& b) {
                const int byFolded = a.toCaseFolded().compare(b.toCaseFolded());
                return byFolded != 0 ? byFolded < 0 : encodeFileName(a) < encodeFileName(b);
            });
            for (const bool paused : {false, true}) {
                int pauses = 0;
                const QList<qsizetype> order = varnex::nameOrder(
                    names.size(), [&](qsizetype i) { return QStringView(names.at(i)); },
                    paused ? ListingPause([&] { ++pauses; }) : ListingPause());
                QStringList sorted;
                for (const qsizetype i : order)
                    sorted.append(names.at(i));
                QCOMPARE(sorted, expected);
                QCOMPARE(pauses > 1, paused && names.size() > 4096);
            }
        }
    }

    void fileNameCodec() {
        const struct {
            QByteArray raw; // empty: the text names no file
            QString text;
        } rows[] = {
            {"\xf0\x9f\x98\x80", u"\U0001F600"_s},
            {"a\xff", u"a"_s + esc(0xff)},
            {"\xe2\x82", QString(esc(0xe2)) + esc(0x82)},
            {"\xc0\xaf", QString(esc(0xc0)) + esc(0xaf)},
            {"\xed\xa0\x80", QString(esc(0xed)) + esc(0xa0) + esc(0x80)},
            {"\xf4\x90\x80\x80", QString(esc(0xf4)) + esc(0x90) + esc(0x80) + esc(0x80)},
            {{}, QString(QChar(char16_t(0xd800)))},
            {{}, QString(esc(0x41))},
            {{}, QString(esc(0xc3)) + esc(0xa9)},
        };
        for (const auto& r : rows) {
            if (!r.raw.isEmpty())
                QCOMPARE(decodeFileName(r.raw), r.text);
            QCOMPARE(encodeFileName(r.text), r.raw);
        }
    }

    // Either flush tells when it is done: one that never did would keep a run's journal from
    // flushing again.
    void flushEnds() {
        QTemporaryDir tmp;
        MappedFile file;
        QVERIFY(file.create(QFile::encodeName(tmp.filePath(u"j"_s))) == 0 && file.grow(8) == 0);
        for (const auto how : {MappedFile::Flush::Full, MappedFile::Flush::DataOnly}) {
            const auto busy = std::make_shared<std::atomic<bool>>(true);
            file.flushInBackground(how, busy);
            QTRY_VERIFY(!*busy);
        }
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_Platform.moc"
