// Attacks on the promise that no file is replaced, lost or renamed by mistake and that stored
// settings never stop a start: runs over real folders that hold links, colliding new names and
// names the program did not write itself; damaged settings files, folders swapped under a
// list, names that are not UTF-8, programs that race a rename, file systems that ignore case or
// refuse RENAME_NOREPLACE, names the file system counts differently, and kills in the middle
// of a run. Everything runs on real folders under TMPDIR; in every case no file may be lost or
// replaced and a failure must be reported as one.

#include "Reliability.h"
#include "platform/AppInfo.h"
#include "selection/FileList.h"
#include "settings/QSettingsStore.h"
#include "settings/SettingsKeys.h"
#include "settings/StoredChoices.h"
#include "window/Twips.h"

#include <QCoreApplication>
#include <QFile>
#include <QMimeData>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace varnex;
using namespace Qt::StringLiterals;

namespace {

// What a scenario starts from: the items of makeTree (a plain name is a file that holds its own
// path), the entries of a list run (none: a folder walk) and the options, one per list entry
// (the last one repeats).
struct Scenario {
    QList<QByteArray> items;
    QList<QByteArray> entries;
    QList<RenameOptions> options;
};

// Values the INI syntax has to escape or quote (the first is empty).
const QStringList AwkwardTexts =
    u"|plain| lead and trail |trail | |,|#x|true|a,b;c=d|@at|@@twice|@ByteArray(x)|q\"b\\s|"
    u"t\tn\nr\r|\x1f|Ünï 😀 日本|%20 [x] \\"_s.split(u'|') +
    QStringList{u"nul"_s + QChar(0) + u"9x"_s, u"\u00a0wide blanks\u3000"_s, u"\u0085"_s,
                u"\u2028"_s};

// The system calls of a folder that ignores letter case, over a real (case-sensitive) folder:
// a name reaches the entry that equals it but for case. `race` runs right after each stat.
class CaseBlindCalls : public RenameCalls {
public:
    std::function<void(const char* name)> race;
    int failBackFromTemporary = 0; // the errno of the move from the temporary name to "a.txt"

    int renameNoReplace(int dirfd, const char* from, const char* to) override {
        if (failBackFromTemporary && QByteArrayView(from).contains(".varnex-") &&
            qstrcmp(to, "a.txt") == 0) {
            errno = failBackFromTemporary;
            return -1;
        }
        if (!matching(dirfd, to).isEmpty()) {
            errno = EEXIST;
            return -1;
        }
        return RenameCalls::renameNoReplace(dirfd, matching(dirfd, from).constData(), to);
    }
    int stat(int dirfd, const char* name, struct ::stat& st) override {
        const QByteArray found = matching(dirfd, name);
        const int result = RenameCalls::stat(dirfd, found.isEmpty() ? name : found.constData(), st);
        race(name);
        return result;
    }

private:
    static QByteArray matching(int dirfd, const char* name) {
        QByteArray found;
        // Only one of two spellings can exist where case is ignored: the exact one wins.
        for (const QByteArray& entry : rawNames("/proc/self/fd/" + QByteArray::number(dirfd))) {
            if (found != name &&
                QString::fromUtf8(entry).compare(QString::fromUtf8(name), Qt::CaseInsensitive) == 0)
                found = entry;
        }
        return found;
    }
};

// The system calls of a file system that refuses RENAME_NOREPLACE; `onLink` runs right after a
// successful link, `failUnlink` (unless -1) makes the removal of the name "old" fail with that
// errno.
class NoReplaceRefused : public RenameCalls {
public:
    std::function<void()> onLink;
    int failUnlink = -1;

    int renameNoReplace(int, const char*, const char*) override {
        errno = EINVAL;
        return -1;
    }
    int link(int dirfd, const char* from, const char* to) override {
        const int result = RenameCalls::link(dirfd, from, to);
        if (result == 0 && onLink)
            onLink();
        return result;
    }
    int unlink(int dirfd, const char* name) override {
        if (failUnlink >= 0 && QByteArrayView(name).endsWith("old")) {
            errno = failUnlink;
            return -1;
        }
        return RenameCalls::unlink(dirfd, name);
    }
};

constexpr char ChildFolder[] = "VARNEX_HARDENING_CHILD";
constexpr int KillFiles = 3000;

// The child of the kill test: renames every file of the folder it is given by link and unlink,
// then exits.
int runChild() {
    NoReplaceRefused refused;
    PosixFileSystem posix(refused);
    std::fputs("start\n", stdout);
    std::fflush(stdout);
    runEngine(posix,
              {.top = qEnvironmentVariable(ChildFolder), .options = {prependOptions(u"k"_s)}});
    return 0;
}

} // namespace

class TestHardening : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Renames that must fail cleanly, on real folders: symbolic links (to their own folder, to
    // themselves, to each other, down the tree) renamed as they are, never followed; new names that
    // run into each other within one run (a rename that would replace a file fails with 58 and
    // leaves both files as they were; a list run takes new options for each entry, as if the user
    // changed them while the run yields; a walk takes the files in name order, whatever order the
    // system lists), and names the program did not write: bytes that are not UTF-8, control
    // characters, a find text of 255 characters, letters whose capital is longer.
    void scenarios_data() {
        QTest::addColumn<Scenario>("scenario");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<qint64>("renamed");
        QTest::addColumn<QList<int>>("numbers"); // of the questions, 0 for a length question
        const auto row = [](const char* name, const Scenario& scenario, QStringList after,
                            qint64 renamed, const QList<int>& numbers) {
            after.sort();
            QTest::newRow(name) << scenario << after << renamed << numbers;
        };
        const auto z = prependOptions(u"z"_s);
        const QByteArrayList chain{"a", "za", "zza"};
        const QStringList chainAfter{u"a=a"_s, u"za=za"_s, u"zzza=zza"_s};
        const QByteArray a251(251, 'a');
        const QString e127(127, u'\u00e9'), e126(126, u'\u00e9');
        const QString bad = u"bad"_s + esc(0xff), d = u"d"_s + esc(0xfe);

        row("link cycles",
            {{"sub/", "f", "sub/g", "sub/up->..", "self->self", "a->b", "b->a", "down->sub"},
             {},
             {z}},
            {u"sub/"_s, u"sub/zg=sub/g"_s, u"sub/zup=->.."_s, u"za=->b"_s, u"zb=->a"_s,
             u"zdown=->sub"_s, u"zf=f"_s, u"zself=->self"_s},
            7, {});
        row("chain, each name taken, list", {chain, chain, {z}}, chainAfter, 1, {58, 58});
        row("chain, each name taken, walk", {chain, {}, {z}}, chainAfter, 1, {58, 58});
        row("swap",
            {{"a.txt", "b.txt"},
             {"a.txt", "b.txt"},
             {replaceOptions(u"a"_s, u"b"_s, true, true),
              replaceOptions(u"b"_s, u"a"_s, true, true)}},
            {u"a.txt=a.txt"_s, u"b.txt=b.txt"_s}, 0, {58, 58});
        // The renamed file named again through a link to its folder is the same file.
        row("renamed file by another path, list", {{"a", "here->."}, {"a", "here/za"}, {z}},
            {u"here=->."_s, u"za=a"_s}, 1, {});
        row("one file by two paths, list", {{"a", "here->."}, {"a", "here/a"}, {z}},
            {u"here=->."_s, u"za=a"_s}, 1, {});
        row("one file by two paths, refused", {{"a", "za", "here->."}, {"here/a", "a"}, {z}},
            {u"a=a"_s, u"here=->."_s, u"za=za"_s}, 0, {58});
        row("one file by two paths, chain", {{"a", "za", "here->."}, {"za", "a", "here/za"}, {z}},
            {u"here=->."_s, u"za=a"_s, u"zza=za"_s}, 2, {});
        row("case pair, list", {{"A", "a"}, {"A", "a"}, {caseOptions(CaseMode::Lower)}},
            {u"A=A"_s, u"a=a"_s}, 1, {58});
        // A name that is not UTF-8 is never renamed, nor the file whose name is its lossy reading.
        row("not UTF-8, walk",
            {{"bad\xff", "bad\xef\xbf\xbd", "\xc3(x", "d\xfe/", "d\xfe/in", "d\xfe/b\x80"},
             {},
             {z}},
            {bad + u'=' + bad, u"zbad\ufffd=bad\ufffd"_s,
             esc(0xc3) + u"(x="_s + esc(0xc3) + u"(x"_s, d + u'/',
             d + u"/b"_s + esc(0x80) + u'=' + d + u"/b"_s + esc(0x80),
             d + u"/zin="_s + d + u"/in"_s},
            2, {52, 52, 52});
        row("control characters",
            {{"a\tb.TXT", "new\nLINE", "\x01start", "cr\rX"}, {}, {caseOptions(CaseMode::Title)}},
            {u"a\tb.TXT=a\tb.TXT"_s, u"cr\rX=cr\rX"_s, u"new\nLINE=new\nLINE"_s,
             u"\x01start=\x01start"_s},
            0, {52, 52, 52, 52});
        // Names measured the way the file system measures them: more than 255 bytes of UTF-8 get
        // the length question (answered Yes: the file keeps its name), whatever their number of
        // characters.
        row("255 and 256 bytes of UTF-8",
            {{e127.toUtf8(), (u'x' + e126).toUtf8()}, {}, {prependOptions(u"\u00e9"_s)}},
            {e127 + u'=' + e127, u"\u00e9x"_s + e126 + u"=x"_s + e126}, 1, {0});
        row("find text of 255 characters",
            {{a251 + ".txt", "other.txt"},
             {},
             {replaceOptions(QString::fromLatin1(a251 + ".txt"), u"b"_s, true)}},
            {u"b="_s + QString::fromLatin1(a251) + u".txt"_s, u"other.txt=other.txt"_s}, 2, {});
        // More folders than a run holds open: they are closed all together and opened again.
        Scenario many{{}, {}, {z}};
        QStringList manyAfter;
        for (int i = 0; i < 300; ++i) {
            const QByteArray folder = "d" + QByteArray::number(i);
            many.items << folder + '/' << folder + "/a";
            many.entries << folder + "/a";
            manyAfter << QString::fromLatin1(folder + '/')
                      << QString::fromLatin1(folder + "/za=" + folder + "/a");
        }
        many.items << "d0/b";
        many.entries << "d0/b";
        manyAfter << u"d0/zb=d0/b"_s;
        row("more folders than are held open, list", many, manyAfter, 301, {});
        row("sharp s",
            {{u"stra\u00dfe.txt"_s.toUtf8(), "STRASSE.TXT", u"gro\u00df"_s.toUtf8()},
             {},
             {caseOptions(CaseMode::Upper)}},
            {u"GROSS=gro\u00df"_s, u"STRASSE.TXT=STRASSE.TXT"_s,
             u"stra\u00dfe.txt=stra\u00dfe.txt"_s},
            2, {58});
    }

    void scenarios() {
        QFETCH(Scenario, scenario);
        ScratchFolder scratch;
        QVERIFY(makeTree(scratch.raw(), scenario.items));
        const QString top = scratch.path() + u'/';
        RunSetup setup{.top = top, .options = scenario.options};
        // Entries are added as the window adds them, each with its folder's identity. After the
        // run, an entry that named a file names that file still: what it holds is the same.
        const auto content = [](const QString& path) {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : "-";
        };
        QStringList entries;
        QByteArrayList before;
        for (const QByteArray& entry : scenario.entries) {
            entries.append(top + decodeFileName(entry));
            before.append(content(entries.last()));
        }
        if (!entries.isEmpty()) {
            setup.fill = [entries](FileList& list) {
                list.ListWasEmpty = true;
                for (const QString& entry : entries)
                    list.AddListItem(entry);
            };
        }
        PosixFileSystem posix;
        const RunResult r = runEngine(posix, setup);
        QList<int> asked; // the error number of each question, 0 for a length question
        for (const RunEvent& e : r.log) {
            if (e.question)
                asked.append(e.result.number);
        }
        QTEST(layout(scratch.raw()), "after");
        QTEST(r.counters.FilesRenamed, "renamed");
        QTEST(asked, "numbers");
        for (qsizetype i = 0; i < before.size(); ++i)
            QVERIFY2(before[i] == "-" || content(r.listAfter.value(i)) == before[i],
                     qPrintable(entries[i]));
    }

    // A stored size larger than the screen's area, or not finite, is unusable; the conversion
    // to pixels never wraps.
    void windowSize_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<double>("width"); // -1: the designed size
        QTest::newRow("the screen's width") << u"28800"_s << 28800.0;
        QTest::newRow("beyond the screen") << u"28801"_s << -1.0;
        QTest::newRow("nan") << u"nan"_s << -1.0;
    }
    void windowSize() {
        QFETCH(QString, stored);
        QTemporaryDir dir;
        QSettingsStore store(dir.filePath(u"Varnex.conf"_s));
        for (const SettingKey key : {SettingKey::WindowWidth, SettingKey::WindowHeight})
            store.writeSetting(applicationTitle(), settingsSection(), keyName(key), stored);
        const WindowSizeChoice size = readWindowSize(store, 28800, 28800);
        QTEST(size.width.value_or(-1), "width");
        QCOMPARE(size.height.has_value(), size.width.has_value());
        QCOMPARE(TwipScale(96).toPixels(1e38), std::numeric_limits<int>::max());
    }

    // Values the INI syntax must escape read back as written.
    void settingsTexts() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Varnex.conf"_s);
        {
            QSettingsStore store(path);
            for (qsizetype i = 0; i < AwkwardTexts.size(); ++i)
                store.writeSetting(applicationTitle(), settingsSection(), u"K%1 ;=/x"_s.arg(i),
                                   AwkwardTexts[i]);
            QVERIFY(store.flush());
        }
        for (qsizetype i = 0; i < AwkwardTexts.size(); ++i)
            QCOMPARE(storedInFile(path, u"K%1 ;=/x"_s.arg(i)), AwkwardTexts[i]);
    }

    // Typed values are never decoded: one nested deep enough to exhaust the stack reads as the
    // default, and keys and sections the program does not know survive a save as they were.
    void settingsNeverDecoded() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Varnex.conf"_s);
        // A QVariant stream, as QSettings stores one after "@Variant(" with the escapes of the
        // INI syntax, of lists nested 100000 deep around the int 0.
        const QByteArray deep = "@Variant(" +
                                QByteArray("\\0\\0\\0\\t\\0\\0\\0\\x1").repeated(100000) +
                                "\\0\\0\\0\\x2\\0\\0\\0\\0)";
        const QByteArray other = "[Other]\nDeep=" + deep + "\nRect=@Rect(1 2 3 4)\n";
        QVERIFY(writeRaw(QFile::encodeName(path), other + "\n[Settings]\nPath=" + deep + "\n"));

        QSettingsStore store(path);
        QCOMPARE(store.readSetting(applicationTitle(), settingsSection(), u"Path"_s, u"d"_s),
                 u"d"_s);
        QCOMPARE(store.readSetting(applicationTitle(), u"Other"_s, u"Deep"_s, u"d"_s), u"d"_s);
        store.writeSetting(applicationTitle(), settingsSection(), u"Path"_s, u"/new"_s);
        QVERIFY(store.flush());

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray saved = file.readAll();
        QVERIFY(saved.startsWith(other));
        QVERIFY(saved.contains("Path=/new\n"));
        QVERIFY(!QFile::exists(path + u".lock"_s));
    }

    // Files mode renames through the folder the entry was added from: a folder swapped for a
    // link to another place, or for another folder, fails with 76 and nothing is renamed
    // there. The file, listed again through a link to its folder, is still offered.
    void swappedFolder_data() {
        QTest::addColumn<QByteArrayList>("swapIn");
        QTest::addColumn<QStringList>("swapped");
        QTest::newRow("link to another place")
            << QByteArrayList{"dir->elsewhere"} << QStringList{u"dir=->elsewhere"_s};
        QTest::newRow("another folder") << QByteArrayList{"dir/", "dir/file.txt=new"}
                                        << QStringList{u"dir/"_s, u"dir/file.txt=new"_s};
    }
    void swappedFolder() {
        QFETCH(QByteArrayList, swapIn);
        QFETCH(QStringList, swapped);
        ScratchFolder top;
        QVERIFY(makeTree(top.raw(),
                         {"dir/", "elsewhere/", "dir/file.txt=mine", "elsewhere/file.txt=not"}));
        PosixFileSystem posix;
        RunSetup setup{.options = {prependOptions(u"x"_s)}};
        setup.fill = [&](FileList& list) {
            list.AddListItem(top.path() + u"/dir/file.txt"_s);
            QVERIFY(renameRaw(top.raw() + "/dir", top.raw() + "/dir.real"));
            QVERIFY(makeTree(top.raw(), QByteArrayList{"link->dir.real"} + swapIn));
            list.AddListItem(top.path() + u"/link/file.txt"_s);
        };
        const RunResult run = runEngine(posix, setup);
        swapped << u"dir.real/"_s << u"dir.real/xfile.txt=mine"_s << u"elsewhere/"_s
                << u"elsewhere/file.txt=not"_s << u"link=->dir.real"_s;
        swapped.sort();
        QCOMPARE(layout(top.raw()), swapped);
        QCOMPARE(run.log.size(), 2); // the question, then the rename through the link
        QCOMPARE(run.log[0].result.number, 76);
    }

    // A dropped path is read from its exact bytes: a byte that is not UTF-8 names its own file,
    // never the file whose name holds U+FFFD instead.
    void droppedBytes_data() {
        QTest::addColumn<QByteArray>("onDisk");
        QTest::addColumn<int>("added");
        QTest::newRow("only the file with U+FFFD") << QByteArray("bad\xEF\xBF\xBD.txt") << 0;
        QTest::newRow("the file itself") << QByteArray("bad\xFF.txt") << 1;
    }
    void droppedBytes() {
        QFETCH(QByteArray, onDisk);
        ScratchFolder top;
        const QByteArray r = top.raw() + '/';
        QVERIFY(writeRaw(r + onDisk, "x"));
        QMimeData data;
        data.setUrls(
            {QUrl::fromEncoded("file://" + QByteArray(r + "bad\xFF.txt").toPercentEncoding("/"))});
        PosixFileSystem posix;
        RunSetup setup{.options = {prependOptions(u"x"_s)}};
        setup.fill = [&](FileList& list) {
            list.addDroppedFiles(&data);
        };
        // Such a name is never renamed, and the other file is never touched.
        const RunResult run = runEngine(posix, setup);
        QTEST(int(run.listAfter.size()), "added");
        for (const QString& entry : run.listAfter)
            QCOMPARE(encodeFileName(entry), QByteArray(r + "bad\xFF.txt"));
        QCOMPARE(rawNames(r), QList<QByteArray>{onDisk});
    }

    // A change of letter case only, where the file system ignores case, goes through a
    // temporary name and never replaces a file, even one another program puts under the new
    // name at the worst moment.
    void caseOnly_data() {
        QTest::addColumn<int>("fault"); // the errno of the second step, or -1: the race
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<int>("number");
        QTest::newRow("alone") << 0 << QStringList{u"a.txt=mine"_s} << 0;
        QTest::newRow("the second step fails: back to the old name")
            << EIO << QStringList{u"A.txt=mine"_s} << 57;
        // Where case is ignored, the file cannot go back while the new name is taken: it keeps
        // the temporary name.
        QTest::newRow("another program takes the new name")
            << -1 << QStringList{u"a.txt=theirs"_s, u"mine"_s} << 58;
    }
    void caseOnly() {
        QFETCH(int, fault);
        ScratchFolder top;
        const QByteArray r = top.raw() + '/';
        QVERIFY(writeRaw(r + "A.txt", "mine"));
        CaseBlindCalls calls;
        calls.failBackFromTemporary = qMax(fault, 0);
        bool raced = false;
        // Right after the check that both spellings name one file.
        calls.race = [&](const char* name) {
            if (fault < 0 && !raced && qstrcmp(name, "a.txt") == 0)
                raced =
                    writeRaw(r + "a.txt.new", "theirs") && renameRaw(r + "a.txt.new", r + "a.txt");
        };
        PosixFileSystem posix(calls);
        const std::unique_ptr<Folder> folder = posix.openFolder(top.path());
        QTEST(folder->rename(u"A.txt"_s, u"a.txt"_s).number, "number");
        QCOMPARE(raced, fault < 0);
        QStringList after = layout(r);
        for (QString& entry : after) {
            if (entry.startsWith(u".varnex-"))
                entry = entry.section(u'=', 1);
        }
        after.sort();
        QTEST(after, "after");
    }

    // Where RENAME_NOREPLACE is refused, the link + unlink fallback leaves the file with exactly
    // one name and reports what happened, and never removes a file another program put under
    // the old name.
    void linkFallback_data() {
        QTest::addColumn<int>("unlinkErrno"); // -1: the removal works
        QTest::addColumn<int>("number");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("the removal fails") << EACCES << 70 << QStringList{u"old=mine"_s};
        QTest::newRow("another file put under the old name")
            << -1 << 75 << QStringList{u"aside=mine"_s, u"old=theirs"_s};
    }
    void linkFallback() {
        QFETCH(int, unlinkErrno);
        ScratchFolder top;
        const QByteArray r = top.raw() + '/';
        QVERIFY(writeRaw(r + "old", "mine"));
        NoReplaceRefused calls;
        calls.failUnlink = unlinkErrno;
        calls.onLink = [&] {
            if (unlinkErrno < 0)
                QVERIFY(renameRaw(r + "old", r + "aside") && writeRaw(r + "old", "theirs"));
        };
        PosixFileSystem posix(calls);
        QTEST(posix.renameInFolder(top.path(), u"old"_s, u"new"_s).number, "number");
        QTEST(layout(r), "after");
    }

    // A run killed at a random moment (the child is this program run again) where
    // RENAME_NOREPLACE is refused loses no file and leaves each file under its old name or its
    // new one, or both (a kill between link and unlink). Kills of runs through renameat2 are
    // undone in tst_Undo, which finds any file lost.
    void killedRun() {
        QRandomGenerator random(20261207);
        for (int round = 0; round < 4; ++round) {
            ScratchFolder top;
            const QByteArray r = top.raw() + '/';
            for (int i = 0; i < KillFiles; ++i)
                QVERIFY(writeRaw(r + "f" + QByteArray::number(i), QByteArray::number(i)));
            QVERIFY(killChildAtRandom({{QString::fromLatin1(ChildFolder), top.path()}}, random));

            const TreeSnapshot tree = scanTree(r);
            QSet<QByteArray> contents;
            for (auto it = tree.files.cbegin(); it != tree.files.cend(); ++it) {
                const QString old = u"f"_s + QString::fromLatin1(it.value());
                QVERIFY2(it.key() == old || it.key() == u'k' + old, qPrintable(it.key()));
                contents.insert(it.value());
            }
            QCOMPARE(contents.size(), KillFiles);
        }
    }
};

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsSet(ChildFolder))
        return runChild();
    QCoreApplication app(argc, argv);
    TestHardening test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_Hardening.moc"
