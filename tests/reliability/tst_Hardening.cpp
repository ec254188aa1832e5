// Attacks on the promise that no file is replaced, lost or renamed by mistake and that stored
// settings never stop a start: damaged settings files, folders swapped under a list, names that
// are not UTF-8, programs that race a rename, file systems that ignore case or refuse
// RENAME_NOREPLACE, names the file system counts differently, and kills in the middle of a run.
// Everything runs on real folders under TMPDIR.

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

// Values the INI syntax has to escape or quote (the first is empty).
const QStringList AwkwardTexts =
    u"|plain| lead and trail |trail | |,|#x|true|a,b;c=d|@at|@@twice|@ByteArray(x)|q\"b\\s|"
    u"t\tn\nr\r|\x1f|Ünï 😀 日本|%20 [x] \\"_s.split(u'|') +
    QStringList{u"nul"_s + QChar(0) + u"9x"_s};

// A QVariant stream, as QSettings stores one after "@Variant(", of lists nested `depth` deep,
// written with the escapes of the INI syntax.
QByteArray nestedVariant(int depth) {
    QByteArray value("@Variant(");
    for (int i = 0; i < depth; ++i)
        value += "\\0\\0\\0\\t\\0\\0\\0\\x1"; // a list of one element
    value += "\\0\\0\\0\\x2\\0\\0\\0\\0)";    // the int 0
    return value;
}

// A list of real files and a rename run of it, answering Ignore to every Abort / Retry /
// Ignore question and Yes to every length question.
struct Run {
    Run() {
        rig.box.responder = [](const Message& m) {
            return m.buttons == Buttons::YesNo ? Button::Yes : Button::Ignore;
        };
    }
    void renameList(const RenameOptions& options) {
        rig.choices.options = options;
        rig.engine.startRun();
        rig.engine.renameList(list.model());
    }
    // The error number of each Abort / Retry / Ignore question, -1 for a length question.
    QList<int> numbers() const {
        QList<int> out;
        for (const Message& m : rig.box.messages)
            out.append(m.buttons == Buttons::YesNo
                           ? -1
                           : m.text.section(u"number: "_s, 1).section(u'\r', 0, 0).toInt());
        return out;
    }
    PosixFileSystem posix;
    CountingEventPump pump;
    FileList list{posix, pump};
    EngineRig rig{posix};
};

// The system calls of a folder that ignores letter case, over a real (case-sensitive) folder:
// a name reaches the entry that equals it but for case. `race` runs right after each call.
class CaseBlindCalls : public RenameCalls {
public:
    std::function<void(const char* call, const char* name)> race;
    int failBackFromTemporary = 0; // the errno of the move from the temporary name to "a.txt"

    int renameNoReplace(int dirfd, const char* from, const char* to) override {
        if (failBackFromTemporary && QByteArrayView(from).contains(".varnex-") &&
            qstrcmp(to, "a.txt") == 0) {
            errno = failBackFromTemporary;
            return -1;
        }
        int result = 0;
        if (!matching(dirfd, to).isEmpty()) {
            errno = EEXIST;
            result = -1;
        } else {
            result = RenameCalls::renameNoReplace(dirfd, matching(dirfd, from).constData(), to);
        }
        after("rename", to);
        return result;
    }
    int stat(int dirfd, const char* name, struct ::stat& st) override {
        const QByteArray found = matching(dirfd, name);
        const int result = RenameCalls::stat(dirfd, found.isEmpty() ? name : found.constData(), st);
        after("stat", name);
        return result;
    }

private:
    void after(const char* call, const char* name) {
        if (race)
            race(call, name);
    }
    static QByteArray matching(int dirfd, const char* name) {
        const int fd = ::dup(dirfd);
        DIR* dir = ::fdopendir(fd);
        QByteArray found;
        ::rewinddir(dir);
        // Only one of two spellings can exist where case is ignored: the exact one wins.
        while (const dirent* e = ::readdir(dir)) {
            if (found != name && QString::fromUtf8(e->d_name).compare(QString::fromUtf8(name),
                                                                      Qt::CaseInsensitive) == 0)
                found = e->d_name;
        }
        ::closedir(dir);
        return found;
    }
};

// The system calls of a file system that refuses RENAME_NOREPLACE; `onLink` runs right after a
// successful link, `failUnlink` makes the removal of the name "old" fail with that errno.
class NoReplaceRefused : public RenameCalls {
public:
    std::function<void()> onLink;
    int failUnlink = 0;

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
        if (failUnlink != 0 && QByteArrayView(name).endsWith("old")) {
            errno = failUnlink;
            return -1;
        }
        return RenameCalls::unlink(dirfd, name);
    }
};

constexpr char ChildFolder[] = "VARNEX_HARDENING_CHILD";
constexpr char ChildByLink[] = "VARNEX_HARDENING_BY_LINK";
constexpr int KillFiles = 3000;

// The child of the kill test: renames every file of the folder it is given, then exits.
int runChild() {
    NoReplaceRefused refused;
    PosixFileSystem posix(qEnvironmentVariableIsSet(ChildByLink)
                              ? static_cast<RenameCalls&>(refused)
                              : RenameCalls::system());
    EngineRig rig(posix, prependOptions(u"k"_s));
    rig.box.responder = [](const Message&) {
        return Button::Ignore;
    };
    std::fputs("start\n", stdout);
    std::fflush(stdout);
    int dirs = 0;
    rig.engine.startRun();
    rig.engine.FindFilesAPI(qEnvironmentVariable(ChildFolder), u"*.*"_s, dirs);
    return 0;
}

} // namespace

class TestHardening : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A stored size larger than the screen's area, or not finite, is unusable; the conversion
    // to pixels never wraps.
    void windowSize_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<double>("width"); // -1: the designed size
        QTest::newRow("usable") << u"9000"_s << 9000.0;
        QTest::newRow("below the minimum") << u"100"_s << 8000.0;
        QTest::newRow("the screen's width") << u"28800"_s << 28800.0;
        QTest::newRow("beyond the screen") << u"28801"_s << -1.0;
        QTest::newRow("1e38") << u"1e38"_s << -1.0;
        QTest::newRow("30000000000") << u"30000000000"_s << -1.0;
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
        QCOMPARE(TwipScale(96).toPixels(-1e38), -std::numeric_limits<int>::max());
    }

    // Values the INI syntax must escape read back as written, and a file written by QSettings'
    // own INI format reads as it did; the file stays readable by QSettings too.
    void settingsTexts() {
        QTemporaryDir dir;
        const QString ours = dir.filePath(u"ours.conf"_s), theirs = dir.filePath(u"theirs.conf"_s);
        {
            QSettings qt(theirs, QSettings::IniFormat);
            QSettingsStore store(ours);
            for (qsizetype i = 0; i < AwkwardTexts.size(); ++i) {
                const QString key = u"Key %1 ;=/x"_s.arg(i);
                store.writeSetting(applicationTitle(), settingsSection(), key, AwkwardTexts[i]);
                qt.setValue(settingsSection() + u'/' + key, AwkwardTexts[i]);
            }
            QVERIFY(store.flush());
        }
        // QSettings shares one parsed copy per file name within a process: each file is read
        // from a copy under a new name.
        QVERIFY(QFile::copy(ours, ours + u"2"_s) && QFile::copy(ours, ours + u"3"_s) &&
                QFile::copy(theirs, theirs + u"2"_s));
        QSettingsStore ourFile(ours + u"3"_s), theirFile(theirs + u"2"_s);
        QSettings qtReadsOurs(ours + u"2"_s, QSettings::IniFormat);
        for (qsizetype i = 0; i < AwkwardTexts.size(); ++i) {
            const QString key = u"Key %1 ;=/x"_s.arg(i);
            QCOMPARE(ourFile.readSetting(applicationTitle(), settingsSection(), key, u"?"_s),
                     AwkwardTexts[i]);
            QCOMPARE(theirFile.readSetting(applicationTitle(), settingsSection(), key, u"?"_s),
                     AwkwardTexts[i]);
            QCOMPARE(qtReadsOurs.value(settingsSection() + u'/' + key).toString(), AwkwardTexts[i]);
        }
    }

    // Typed values are never decoded: one nested deep enough to exhaust the stack reads as the
    // default, and keys and sections the program does not know survive a save as they were.
    void settingsNeverDecoded() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Varnex.conf"_s);
        const QByteArray deep = nestedVariant(100000);
        const QByteArray other = "[Other]\nDeep=" + deep + "\nRect=@Rect(1 2 3 4)\n";
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(other + "\n[Settings]\nPath=" + deep + "\nWindow%20Width=9000\n");
        file.close();

        QSettingsStore store(path);
        QCOMPARE(store.readSetting(applicationTitle(), settingsSection(), u"Path"_s, u"d"_s),
                 u"d"_s);
        QCOMPARE(store.readSetting(applicationTitle(), u"Other"_s, u"Deep"_s, u"d"_s), u"d"_s);
        QCOMPARE(readWindowSize(store).width.value_or(0), 9000.0);
        store.writeSetting(applicationTitle(), settingsSection(), u"Path"_s, u"/new"_s);
        QVERIFY(store.flush());

        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray saved = file.readAll();
        QVERIFY(saved.startsWith(other));
        QVERIFY(saved.contains("Path=/new\n"));
        QVERIFY(!QFile::exists(path + u".lock"_s));
    }

    // Files mode renames through the folder the entry was added from: a folder swapped for a
    // link to another place, or for another folder, fails with 76 and nothing is renamed.
    void swappedFolder_data() {
        QTest::addColumn<QString>("swap");
        QTest::newRow("unchanged") << u""_s;
        QTest::newRow("link to another place") << u"link"_s;
        QTest::newRow("another folder") << u"folder"_s;
    }
    void swappedFolder() {
        QFETCH(QString, swap);
        ScratchFolder top;
        const QByteArray r = top.raw() + '/';
        QVERIFY(makeTree(top.raw(),
                         {"dir/", "elsewhere/", "dir/file.txt=mine", "elsewhere/file.txt=not"}));
        Run run;
        run.list.AddListItem(decodeFileName(QByteArray(r + "dir/file.txt")));

        QVERIFY(swap.isEmpty() || renameRaw(r + "dir", r + "dir.real"));
        if (swap == u"link")
            QVERIFY(::symlink(QByteArray(r + "elsewhere").constData(),
                              QByteArray(r + "dir").constData()) == 0);
        if (swap == u"folder")
            QVERIFY(makeTree(top.raw(), {"dir/", "dir/file.txt=new"}));

        run.renameList(prependOptions(u"x"_s));
        const QByteArray home = swap.isEmpty() ? "dir/" : "dir.real/";
        QCOMPARE(layout(r + "elsewhere/"), QStringList{u"file.txt=not"_s});
        if (swap.isEmpty()) {
            QCOMPARE(layout(r + home), QStringList{u"xfile.txt=mine"_s});
            QCOMPARE(run.numbers(), QList<int>{});
        } else {
            QCOMPARE(layout(r + home), QStringList{u"file.txt=mine"_s});
            QCOMPARE(run.numbers(), QList<int>{76});
            QCOMPARE(run.rig.engine.counters.FilesFailed, 1);
            QCOMPARE(run.list.model().entryAt(0), decodeFileName(QByteArray(r + "dir/file.txt")));
        }
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
        Run run;
        QMimeData data;
        data.setUrls(
            {QUrl::fromEncoded("file://" + QByteArray(r + "bad\xFF.txt").toPercentEncoding("/"))});
        QTEST(run.list.addDroppedFiles(&data), "added");
        if (run.list.model().count() == 1)
            QCOMPARE(encodeFileName(run.list.model().entryAt(0)), QByteArray(r + "bad\xFF.txt"));

        // Such a name is never renamed, and the other file is never touched.
        run.renameList(prependOptions(u"x"_s));
        QCOMPARE(rawNames(r), QList<QByteArray>{onDisk});
    }

    // A change of letter case only, where the file system ignores case, goes through a
    // temporary name and never replaces a file, even one another program puts under the new
    // name at the worst moment.
    void caseOnly_data() {
        QTest::addColumn<bool>("race");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("failSecond");
        QTest::newRow("alone") << false << QStringList{u"a.txt=mine"_s} << 0 << 0;
        QTest::newRow("the second step fails: back to the old name")
            << false << QStringList{u"A.txt=mine"_s} << 57 << EIO;
        // Where case is ignored, the file cannot go back while the new name is taken: it keeps
        // the temporary name.
        QTest::newRow("another program takes the new name")
            << true << QStringList{u"a.txt=theirs"_s, u"mine"_s} << 58 << 0;
    }
    void caseOnly() {
        QFETCH(bool, race);
        ScratchFolder top;
        const QByteArray r = top.raw() + '/';
        QVERIFY(writeRaw(r + "A.txt", "mine"));
        CaseBlindCalls calls;
        QFETCH(int, failSecond);
        calls.failBackFromTemporary = failSecond;
        bool raced = false;
        if (race) {
            // Right after the check that both spellings name one file.
            calls.race = [&](const char* call, const char* name) {
                if (!raced && qstrcmp(call, "stat") == 0 && qstrcmp(name, "a.txt") == 0) {
                    raced = writeRaw(r + "a.txt.new", "theirs") &&
                            renameRaw(r + "a.txt.new", r + "a.txt");
                }
            };
        }
        PosixFileSystem posix(calls);
        const std::unique_ptr<Folder> folder = posix.openFolder(top.path());
        QTEST(folder->rename(u"A.txt"_s, u"a.txt"_s).number, "number");
        QCOMPARE(raced, race);
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
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("number");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("none") << u""_s << 0 << QStringList{u"new=mine"_s};
        QTest::newRow("the removal fails") << u"unlink"_s << 70 << QStringList{u"old=mine"_s};
        QTest::newRow("another file put under the old name")
            << u"swap"_s << 75 << QStringList{u"aside=mine"_s, u"old=theirs"_s};
        QTest::newRow("the old name taken over by another file")
            << u"over"_s << 0 << QStringList{u"new=mine"_s, u"old=theirs"_s};
    }
    void linkFallback() {
        QFETCH(QString, fault);
        ScratchFolder top;
        const QByteArray r = top.raw() + '/';
        QVERIFY(makeTree(top.raw(), {"old=mine", "theirs"}));
        NoReplaceRefused calls;
        calls.failUnlink = fault == u"unlink" ? EACCES : 0;
        calls.onLink = [&] {
            if (fault == u"swap")
                QVERIFY(renameRaw(r + "old", r + "aside"));
            if (fault == u"swap" || fault == u"over")
                QVERIFY(renameRaw(r + "theirs", r + "old"));
        };
        if (fault.isEmpty() || fault == u"unlink")
            QVERIFY(::unlink(QByteArray(r + "theirs").constData()) == 0);
        PosixFileSystem posix(calls);
        QTEST(posix.renameInFolder(top.path(), u"old"_s, u"new"_s).number, "number");
        QTEST(layout(r), "after");
    }

    // Names measured the way the file system measures them: more than 255 bytes of UTF-8 get
    // the length question, whatever their number of characters; a control character fails
    // with 52 through Abort / Retry / Ignore. The file keeps its name.
    void newNames_data() {
        QTest::addColumn<QString>("oldName");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<int>("number");
        const QString e127 = QString(127, u'\u00e9');
        QTest::newRow("255 bytes") << e127 << u"x"_s << 0;
        QTest::newRow("128 characters, 256 bytes") << e127 << u"\u00e9"_s << -1;
        QTest::newRow("64 emoji") << u"😀"_s.repeated(63) << u"😀"_s << -1;
        QTest::newRow("tab") << u"a"_s << u"\t"_s << 52;
        QTest::newRow("U+0001") << u"a"_s << u"\x01"_s << 52;
        QTest::newRow("U+007F") << u"a"_s << u"\x7f"_s << 52;
        QTest::newRow("U+0080 is no control") << u"a"_s << u"\u0080"_s << 0;
    }
    void newNames() {
        QFETCH(QString, oldName);
        QFETCH(QString, prefix);
        QFETCH(int, number);
        ScratchFolder top;
        const QByteArray r = top.raw() + '/';
        QVERIFY(writeRaw(r + encodeFileName(oldName), "x"));
        Run run;
        run.list.AddListItem(top.path() + u'/' + oldName);
        run.renameList(prependOptions(prefix));
        QCOMPARE(run.numbers(), number == 0 ? QList<int>{} : QList<int>{number});
        const QString expected = number == 0 ? prefix + oldName : oldName;
        QCOMPARE(rawNames(r), QList<QByteArray>{encodeFileName(expected)});
    }

    // A run killed at a random moment (the child is this program run again) loses no file and
    // leaves each file under its old name or its new one. Where RENAME_NOREPLACE is refused, a
    // kill between link and unlink can leave one file under both names (one inode).
    void killedRun_data() {
        QTest::addColumn<bool>("byLink");
        QTest::newRow("renameat2") << false;
        QTest::newRow("link and unlink") << true;
    }
    void killedRun() {
        QFETCH(bool, byLink);
        QRandomGenerator random(20261207);
        for (int round = 0; round < 4; ++round) {
            ScratchFolder top;
            const QByteArray r = top.raw() + '/';
            for (int i = 0; i < KillFiles; ++i)
                QVERIFY(writeRaw(r + "f" + QByteArray::number(i), QByteArray::number(i)));
            QMap<QString, QString> env{{QString::fromLatin1(ChildFolder), top.path()}};
            if (byLink)
                env.insert(QString::fromLatin1(ChildByLink), u"1"_s);
            QVERIFY(killChildAtRandom(env, random));

            QMap<QByteArray, QList<QByteArray>> namesByContent;
            QSet<ino_t> inodes;
            const TreeSnapshot tree = scanTree(r);
            for (auto it = tree.files.cbegin(); it != tree.files.cend(); ++it) {
                struct stat st;
                QVERIFY(::lstat(QByteArray(r + it.key().toUtf8()).constData(), &st) == 0 &&
                        S_ISREG(st.st_mode));
                inodes.insert(st.st_ino);
                namesByContent[it.value()].append(it.key().toUtf8());
            }
            QCOMPARE(inodes.size(), KillFiles);
            QCOMPARE(namesByContent.size(), KillFiles);
            for (auto it = namesByContent.cbegin(); it != namesByContent.cend(); ++it) {
                const QByteArray old = "f" + it.key();
                for (const QByteArray& name : it.value())
                    QVERIFY2(name == old || name == "k" + old, name.constData());
                QVERIFY(it.value().size() == 1 || (byLink && it.value().size() == 2));
            }
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
