#include "platform/PosixFileSystem.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace varnex;
using namespace Qt::StringLiterals;

class TestFolderWalk : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void tree_data();
    void tree();
    void attributes_data();
    void attributes();
    void stopEndsEverything();
    void nothingToWalk_data();
    void nothingToWalk();
    void pattern_data();
    void pattern();
    void countsPast16Bits();
    void randomFailuresLoseNothing();
    void realFolderOfferedOnce();
};

namespace {

// The old full paths of the renames tried, in order.
QStringList renamed(const FakeFileSystem& fs) {
    QStringList result;
    for (const FsCall& c : fs.calls) {
        if (c.op == FsCall::Op::Rename)
            result.append(c.path + c.name);
    }
    return result;
}

qsizetype countCalls(const FakeFileSystem& fs, FsCall::Op op) {
    return std::count_if(fs.calls.begin(), fs.calls.end(),
                         [op](const FsCall& c) { return c.op == op; });
}

// A (2 files) holding B (1 file) and C (1 file, and D with 1 file); the folders are listed
// between the files, B before C.
void addTree(FakeFileSystem& fs) {
    fs.addFile(u"/A/B/b1"_s);
    fs.addFile(u"/A/a1"_s);
    fs.addFile(u"/A/C/c1"_s);
    fs.addFile(u"/A/a2"_s);
    fs.addFile(u"/A/C/D/d1"_s);
}

} // namespace

void TestFolderWalk::tree_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("recursive");
    QTest::addColumn<QStringList>("order");
    QTest::addColumn<int>("dirCount");
    QTest::addColumn<int>("processed");

    const QStringList all{u"/A/a1"_s, u"/A/a2"_s, u"/A/B/b1"_s, u"/A/C/c1"_s, u"/A/C/D/d1"_s};
    QTest::newRow("recursive") << u"/A"_s << true << all << 3 << 5;
    QTest::newRow("recursive, trailing separator") << u"/A/"_s << true << all << 3 << 5;
    QTest::newRow("this folder only") << u"/A"_s << false << all.mid(0, 2) << 2 << 2;
}

void TestFolderWalk::tree() {
    QFETCH(QString, path);
    QFETCH(bool, recursive);
    FakeFileSystem fs;
    addTree(fs);
    EngineRig rig(fs);
    rig.choices.options = prependOptions(u"z"_s);
    rig.choices.recurse = recursive;
    rig.engine.startRun();
    int dirCount = 0;

    rig.engine.FindFilesAPI(path, u"*.*"_s, dirCount);

    QTEST(renamed(fs), "order");
    QTEST(dirCount, "dirCount");
    QTEST(int(rig.engine.counters.FilesProcessed), "processed");
    QTEST(int(rig.engine.counters.FilesRenamed), "processed");
    // Each folder walked is listed once; folders keep their names.
    QCOMPARE(countCalls(fs, FsCall::Op::Entries), recursive ? 4 : 1);
    QCOMPARE(fs.names(u"/A/"_s), (QStringList{u"B"_s, u"za1"_s, u"C"_s, u"za2"_s}));
}

void TestFolderWalk::attributes_data() {
    QTest::addColumn<uint>("attributes");
    QTest::addColumn<QString>("allowed"); // r, h, s: the attributes the user allows
    QTest::addColumn<bool>("renames");
    QTest::addColumn<QList<int>>("skipped"); // read-only, hidden, system
    QTest::addColumn<int>("processed");

    using namespace attr;
    QTest::newRow("read-only, not allowed")
        << uint(ReadOnly) << "hs" << false << QList<int>{1, 0, 0} << 1;
    QTest::newRow("read-only, allowed")
        << uint(ReadOnly) << "r" << true << QList<int>{0, 0, 0} << 1;
    QTest::newRow("hidden+system, hidden allowed")
        << uint(Hidden | System) << "h" << false << QList<int>{0, 0, 1} << 1;
    QTest::newRow("hidden+system, none allowed")
        << uint(Hidden | System) << "" << false << QList<int>{0, 1, 1} << 1;
    QTest::newRow("all three, none allowed")
        << uint(ReadOnly | Hidden | System) << "" << false << QList<int>{1, 1, 1} << 1;
    QTest::newRow("all three, all allowed")
        << uint(ReadOnly | Hidden | System) << "rhs" << true << QList<int>{0, 0, 0} << 1;
    QTest::newRow("failed attribute query reads as a folder")
        << uint(Invalid) << "rhs" << false << QList<int>{0, 0, 0} << 0;
}

void TestFolderWalk::attributes() {
    QFETCH(uint, attributes);
    QFETCH(QString, allowed);
    QFETCH(bool, renames);
    QFETCH(QList<int>, skipped);
    FakeFileSystem fs;
    fs.addFile(u"/F/f"_s, {}, attributes);
    EngineRig rig(fs);
    rig.choices.options = prependOptions(u"z"_s);
    rig.choices.recurse = true;
    rig.choices.allowed = {allowed.contains(u'r'), allowed.contains(u'h'), allowed.contains(u's')};
    int dirCount = 0;

    rig.engine.FindFilesAPI(u"/F"_s, u"*.*"_s, dirCount);

    const RunCounters& c = rig.engine.counters;
    QCOMPARE(c.FilesRenamed, renames ? 1 : 0);
    QCOMPARE((QList<int>{int(c.ReadOnlySkipped), int(c.HiddenSkipped), int(c.SystemSkipped)}),
             skipped);
    QTEST(int(c.FilesProcessed), "processed");
    QCOMPARE(dirCount, attributes == attr::Invalid ? 1 : 0);
}

// Abort on the first file of B: nothing further in B, C or D is examined.
void TestFolderWalk::stopEndsEverything() {
    FakeFileSystem fs;
    addTree(fs);
    fs.addFile(u"/A/B/b2"_s);
    fs.failNextRenames(u"b1"_s, 1, fserr::PermissionDenied);
    EngineRig rig(fs);
    rig.choices.options = prependOptions(u"z"_s);
    rig.choices.recurse = true;
    rig.box.enqueue({Button::Abort});
    int dirCount = 0;

    rig.engine.FindFilesAPI(u"/A"_s, u"*.*"_s, dirCount);

    QVERIFY(rig.engine.StopRun);
    QCOMPARE(renamed(fs), (QStringList{u"/A/a1"_s, u"/A/a2"_s, u"/A/B/b1"_s}));
    QCOMPARE(rig.engine.counters.FilesProcessed, 3);
    QCOMPARE(countCalls(fs, FsCall::Op::OpenSubFolder), 1);
    QCOMPARE(fs.names(u"/A/B/"_s), (QStringList{u"b1"_s, u"b2"_s}));
}

void TestFolderWalk::nothingToWalk_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("empty path") << QString();
    QTest::newRow("missing folder") << u"/missing"_s;
    QTest::newRow("folder that cannot be opened") << u"/locked"_s;
    QTest::newRow("folder that cannot be listed") << u"/unlisted"_s;
    QTest::newRow("empty folder") << u"/empty"_s;
}

void TestFolderWalk::nothingToWalk() {
    QFETCH(QString, path);
    FakeFileSystem fs;
    fs.addFile(u"/locked/f"_s);
    fs.addFile(u"/unlisted/f"_s);
    fs.addFolder(u"/empty"_s);
    fs.setUnreadable(u"/locked"_s);
    fs.setUnreadable(u"/unlisted"_s, true);
    EngineRig rig(fs);
    rig.choices.options = prependOptions(u"z"_s);
    int dirCount = 0;

    rig.engine.FindFilesAPI(path, u"*.*"_s, dirCount);

    QCOMPARE(dirCount, 0);
    QCOMPARE(rig.engine.counters.FilesProcessed, 0);
    QCOMPARE(fs.renameCalls(), 0);
}

void TestFolderWalk::pattern_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("matched");
    const QStringList all{u"/P/README"_s, u"/P/a.txt"_s, u"/P/B.TXT"_s, u"/P/ab.txt.gz"_s};
    QTest::newRow("*.*") << u"*.*"_s << all;
    QTest::newRow("*") << u"*"_s << all;
    QTest::newRow("*.txt, any case") << u"*.txt"_s << QStringList{u"/P/a.txt"_s, u"/P/B.TXT"_s};
    QTest::newRow("a*t*") << u"a*t*"_s << QStringList{u"/P/a.txt"_s, u"/P/ab.txt.gz"_s};
}

void TestFolderWalk::pattern() {
    QFETCH(QString, pattern);
    FakeFileSystem fs;
    for (const char16_t* name : {u"README", u"a.txt", u"B.TXT", u"ab.txt.gz"})
        fs.addFile(u"/P/"_s + QString::fromUtf16(name));
    EngineRig rig(fs);
    rig.choices.options = prependOptions(u"z"_s);
    int dirCount = 0;
    rig.engine.FindFilesAPI(u"/P"_s, pattern, dirCount);
    QTEST(renamed(fs), "matched");
}

// More files than a 16-bit counter holds, each renamed with one call and one event pass.
void TestFolderWalk::countsPast16Bits() {
    constexpr int Files = 40000;
    FakeFileSystem fs;
    for (int i = 0; i < Files; ++i)
        fs.addFile(u"/big/f"_s + QString::number(i));
    EngineRig rig(fs);
    rig.choices.options = prependOptions(u"z"_s);
    int dirCount = 0;

    rig.engine.FindFilesAPI(u"/big"_s, u"*.*"_s, dirCount);

    QCOMPARE(rig.engine.counters.FilesRenamed, Files);
    QCOMPARE(rig.engine.counters.FilesProcessed, Files);
    QCOMPARE(fs.renameCalls(), Files);
    QCOMPARE(rig.pump.calls, Files);
    // One open, one listing, one rename per file: nothing else touches the file system.
    QCOMPARE(fs.calls.size(), Files + 2);
    QCOMPARE(countCalls(fs, FsCall::Op::Entries), 1);
}

// Renames fail at random and are skipped: every file is still there, under one name, and the
// counters add up.
void TestFolderWalk::randomFailuresLoseNothing() {
    constexpr int Files = 2000;
    FakeFileSystem fs;
    for (int i = 0; i < Files; ++i)
        fs.addFile(u"/r/%1/f%2"_s.arg(i % 7).arg(i), QByteArray::number(i));
    fs.failRandomly(0.3, 20240601, fserr::PathFileAccess);
    EngineRig rig(fs);
    rig.choices.options = prependOptions(u"z"_s);
    rig.choices.recurse = true;
    rig.box.responder = [](const Message&) {
        return Button::Ignore;
    };
    int dirCount = 0;

    rig.engine.FindFilesAPI(u"/r"_s, u"*.*"_s, dirCount);

    const RunCounters& c = rig.engine.counters;
    QCOMPARE(c.FilesProcessed, Files);
    QCOMPARE(c.FilesRenamed + c.FilesFailed, Files);
    QVERIFY(c.FilesFailed > Files / 5 && c.FilesFailed < Files / 2.5);
    QCOMPARE(qint64(rig.box.messages.size()), c.FilesFailed);
    qint64 renamed = 0;
    for (int i = 0; i < Files; ++i) {
        const QString dir = u"/r/%1/"_s.arg(i % 7), name = u"f%1"_s.arg(i);
        const bool moved = fs.exists(dir + u'z' + name);
        QVERIFY(moved != fs.exists(dir + name));
        QCOMPARE(fs.content(dir + (moved ? u"z"_s : QString()) + name), QByteArray::number(i));
        renamed += moved;
    }
    QCOMPARE(renamed, c.FilesRenamed);
}

// Every rename gives a name that sorts after the old one, so a listing read during the pass
// would meet the files again; a link back up the tree must not be followed.
void TestFolderWalk::realFolderOfferedOnce() {
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QDir root(tmp.path());
    QVERIFY(root.mkdir(u"sub"_s));
    constexpr int Files = 300;
    for (int i = 0; i < Files; ++i) {
        QFile f(root.filePath(u"f%1"_s.arg(i, 3, 10, QChar(u'0'))));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QVERIFY(QFile::link(tmp.path(), root.filePath(u"sub/loop"_s)));
    PosixFileSystem fs;
    EngineRig rig(fs);
    rig.choices.options = prependOptions(u"z"_s);
    rig.choices.recurse = true;
    int dirCount = 0;

    rig.engine.FindFilesAPI(tmp.path(), u"*.*"_s, dirCount);

    QCOMPARE(dirCount, 1);
    QCOMPARE(rig.engine.counters.FilesRenamed, Files + 1); // the link itself is renamed
    const QStringList names = root.entryList(QDir::Files | QDir::System);
    QCOMPARE(names.size(), Files);
    for (const QString& name : names)
        QVERIFY2(name.startsWith(u'z') && name.at(1) == u'f', qPrintable(name));
    QCOMPARE(QDir(root.filePath(u"sub"_s))
                 .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
             QStringList{u"zloop"_s});
}

QTEST_APPLESS_MAIN(TestFolderWalk)
#include "tst_FolderWalk.moc"
