#include "platform/NameOrder.h"
#include "platform/PosixFileSystem.h"
#include "reliability/Reliability.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cerrno>

using namespace varnex;
using namespace Qt::StringLiterals;

namespace {

QChar esc(int byte) {
    return QChar(char16_t(0xDC00 + byte));
}

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

    void rename_data() {
        QTest::addColumn<int>("route");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("oldName");
        QTest::addColumn<QString>("newName");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("after");
        const struct {
            const char* name;
            QString before, oldName, newName;
            int number;
            QString after;
        } rows[] = {
            {"free name", u"a=1"_s, u"a"_s, u"b"_s, 0, u"b=1"_s},
            {"case only", u"a=1"_s, u"a"_s, u"A"_s, 0, u"A=1"_s},
            {"own name", u"a=1"_s, u"a"_s, u"a"_s, 0, u"a=1"_s},
            {"taken", u"a=1 b=2"_s, u"a"_s, u"b"_s, 58, u"a=1 b=2"_s},
            {"hard link", u"a=1 b>a"_s, u"a"_s, u"b"_s, 58, u"a=1 b=1"_s},
            {"hard link in other case", u"a=1 A>a"_s, u"a"_s, u"A"_s, 58, u"A=1 a=1"_s},
            {"vanished", QString(), u"a"_s, u"b"_s, 53, QString()},
            {"into a folder", u"a=1 d/"_s, u"a"_s, u"d/a"_s, 52, u"a=1 d/"_s},
            {"NUL", u"a=1 b=2"_s, u"a"_s, u"b"_s + QChar(0) + u'c', 52, u"a=1 b=2"_s},
            {"too long", u"a=1"_s, u"a"_s, QString(300, u'x'), 52, u"a=1"_s},
            {"new name not UTF-8", u"a=1"_s, u"a"_s, u"q"_s + esc(0xff), 52, u"a=1"_s},
        };
        const char* routes[] = {"folder", "path without separator"};
        for (int route = 0; route < 2; ++route)
            for (const auto& r : rows)
                QTest::addRow("%s, %s", r.name, routes[route])
                    << route << r.before << r.oldName << r.newName << r.number << r.after;
    }
    void rename() {
        QFETCH(int, route);
        QFETCH(QString, before);
        QFETCH(QString, oldName);
        QFETCH(QString, newName);
        QFETCH(int, number);
        QTemporaryDir tmp;
        build(tmp.path(), before);
        PosixFileSystem fs;
        const FsError e = route == 0 ? fs.openFolder(tmp.path())->rename(oldName, newName)
                                     : fs.renameInFolder(tmp.path(), oldName, newName);
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
        QTest::newRow("dot folder") << u".e/"_s << uint(attr::Folder | attr::Hidden) << false;
        QTest::newRow("FIFO") << u"e|"_s << uint(attr::System) << false;
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
    // names equal but for case by their bytes; on names that are not ASCII, beyond the BMP,
    // prefixes of one another, and on lists long enough to be merged from sorted runs.
    void nameOrder() {
        QStringList many;
        for (int i = 0; i < 10000; ++i) {
            const QString name = u"File_%1.TXT"_s.arg((i * 7919) % 10000);
            many.append(i % 3 == 0 ? name.toLower() : i % 3 == 1 ? name : name + u'\u00e9');
        }
        const QStringList rows[] = {
            {u"b"_s, u"A"_s, u"a"_s, u"B"_s},
            {u"\u00c9mile"_s, u"\u00e9mile"_s, u"Zo\u00eb"_s, u"zoe"_s, u"\u00df"_s, u"SS"_s,
             u"\u01c5"_s, u"\u01c4"_s, u"e"_s},
            {u"\U0001F600"_s, u"a\U0001F600"_s, u"\U00010428"_s, u"\U00010400"_s, u"\uffff"_s},
            {u"file"_s, u"file_"_s, u"FILE_1"_s, u"file_10"_s, u"fil"_s, u"FILE"_s},
            {u"\uff41"_s, u"\uff21"_s, u"\U0001F600"_s, u"a"_s + esc(0xff), u"A"_s + esc(0xfe)},
            many,
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
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_Platform.moc"
