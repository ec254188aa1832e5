// Runs of the rename engine over real folders that change, refuse or misbehave underneath it,
// chains and cycles of new names, and names the program did not write itself. In every case
// no file may be lost or replaced and a failure must be reported as one.

#include "Reliability.h"
#include "platform/PosixFileSystem.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace varnex;
using namespace Qt::StringLiterals;

namespace {

QString esc(int byte) {
    return QString(QChar(char16_t(0xDC00 + byte)));
}

// What a scenario starts from: raw relative paths (a "/" at the end makes a folder; "a->b" a
// symbolic link to b; a file holds its own path as content), the entries of a list run
// (none: a folder walk) and the options, one per list entry (the last one repeats).
struct Scenario {
    QList<QByteArray> items;
    QList<QByteArray> entries;
    QList<RenameOptions> options;
};

bool create(const QByteArray& top, const QList<QByteArray>& items) {
    for (const QByteArray& item : items) {
        const qsizetype arrow = item.indexOf("->");
        const QByteArray path = top + '/' + (arrow < 0 ? item : item.left(arrow));
        if (arrow >= 0           ? ::symlink(item.mid(arrow + 2).constData(), path.constData()) != 0
            : item.endsWith('/') ? ::mkdir(path.constData(), 0755) != 0
                                 : !writeRaw(path, item))
            return false;
    }
    return true;
}

// A tree as sorted text: "path=content" for a file (a link shows "->target"), "path/" for a
// folder.
QStringList layout(const TreeSnapshot& tree) {
    QStringList out;
    for (auto it = tree.files.cbegin(); it != tree.files.cend(); ++it)
        out.append(it.key() + u'=' + decodeFileName(it.value()));
    for (const QString& folder : tree.folders)
        out.append(folder + u'/');
    out.sort();
    return out;
}

struct RunResult {
    RunCounters counters;
    bool stopRun = false;
    int dirCount = 0;
    QList<int> numbers; // the failure number of every Abort/Retry/Ignore or OK dialog
    qsizetype questions = 0;
    QStringList listAfter;
    QList<RunEvent> log;
};

int numberIn(const Message& m) {
    const QString key = u"Error number: "_s;
    const qsizetype at = m.text.indexOf(key);
    return at < 0 ? 0 : m.text.mid(at + key.size()).section(u'\r', 0, 0).trimmed().toInt();
}

// Runs a scenario over `fs` with its tree under `top`. `answers` are given in order, then
// `otherwise` for every further question; `during` runs whenever the window would process
// events.
RunResult run(FileSystem& fs, const QString& top, const Scenario& s, QList<Button> answers,
              Button otherwise, const std::function<void(const QList<RunEvent>&)>& during = {}) {
    RecordingFileSystem recorder(fs);
    EngineRig rig(recorder);
    rig.choices.options = s.options.value(0);
    rig.choices.recurse = true;
    rig.choices.allowed = {true, true, true};
    rig.box.responder = [&](const Message& m) {
        const Button b = answers.isEmpty() ? otherwise : answers.takeFirst();
        if (m.buttons == Buttons::YesNo)
            return b == Button::Abort || b == Button::No ? Button::No : Button::Yes;
        return m.buttons == Buttons::Ok ? Button::Ok : b;
    };
    rig.pump.onProcessEvents = [&] {
        if (rig.engine.ListPosition >= 0)
            rig.choices.options =
                s.options.value(qMin(rig.engine.ListPosition, int(s.options.size()) - 1));
        if (during)
            during(recorder.log);
    };
    FakeFileList list;
    for (const QByteArray& entry : s.entries)
        list.append(top + decodeFileName(entry));

    RunResult r;
    rig.engine.startRun();
    if (s.entries.isEmpty())
        rig.engine.FindFilesAPI(top, u"*.*"_s, r.dirCount);
    else
        rig.engine.renameList(list);
    r.counters = rig.engine.counters;
    r.stopRun = rig.engine.StopRun;
    for (const Message& m : std::as_const(rig.box.messages)) {
        if (m.buttons != Buttons::YesNo)
            r.numbers.append(numberIn(m));
    }
    r.questions = rig.box.messages.size();
    for (const QString& entry : list.texts())
        r.listAfter.append(entry.mid(top.size()));
    r.log = recorder.log;
    return r;
}

// Makes renames inside a folder fail while it lives: the immutable attribute, or a read-only
// bind mount of the folder onto itself. Undone however the test ends.
class FolderLock {
public:
    enum Kind { Immutable, ReadOnlyMount };
    FolderLock(const QByteArray& folder, Kind kind) : folder_(folder), kind_(kind) {
        if (kind == Immutable) {
            const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            int flags = 0;
            locked_ = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                      (flags |= FS_IMMUTABLE_FL, ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
            if (fd >= 0)
                ::close(fd);
        } else if (::mount(folder.constData(), folder.constData(), nullptr, MS_BIND, nullptr) ==
                   0) {
            locked_ = true;
            if (::mount(nullptr, folder.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY,
                        nullptr) != 0) {
                unlock();
            }
        }
    }
    ~FolderLock() { unlock(); }
    bool locked() const { return locked_; }

private:
    void unlock() {
        if (!locked_)
            return;
        locked_ = false;
        if (kind_ == ReadOnlyMount) {
            ::umount2(folder_.constData(), MNT_DETACH);
            return;
        }
        const int fd = ::open(folder_.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        int flags = 0;
        if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags &= ~FS_IMMUTABLE_FL;
            ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
        }
        if (fd >= 0)
            ::close(fd);
    }
    QByteArray folder_;
    Kind kind_;
    bool locked_ = false;
};

RenameOptions prepend() {
    return prependOptions(u"z"_s);
}

RenameOptions replace(const char16_t* find, const char16_t* with) {
    return replaceOptions(QString::fromUtf16(find), QString::fromUtf16(with), true, true);
}

} // namespace

class TestRenameFaults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void changedDuringWalk_data();
    void changedDuringWalk();
    void refusedFolder_data();
    void refusedFolder();
    void linkCycles();
    void folderMountedInsideItself();
    void deepTree();
    void chainsAndCycles_data();
    void chainsAndCycles();
    void badNames_data();
    void badNames();
};

// Another program removes part of the tree, or puts a folder in a file's place, while the run
// yields after the first rename in the folder `trigger`. Which of two files of one folder a walk
// takes first depends on the listing, so a1/a2 and r1/r2 are shown as a?/r?.
void TestRenameFaults::changedDuringWalk_data() {
    QTest::addColumn<bool>("listRun");
    QTest::addColumn<QByteArray>("trigger");
    QTest::addColumn<QByteArray>("removed"); // "*": the trigger folder's files not yet renamed
    QTest::addColumn<bool>("byFolders");     // a folder takes each removed file's name
    QTest::addColumn<QList<Button>>("answers");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QList<int>>("numbers");
    QTest::addColumn<qint64>("renamed");
    QTest::addColumn<qint64>("failed");

    const QList<Button> ignore;
    const QStringList top = {u"zr?=r?"_s, u"zr?=r?"_s};
    const QStringList a = {u"A/"_s, u"A/za?=A/a?"_s},
                      b = {u"B/"_s, u"B/zb1=B/b1"_s, u"B/zb2=B/b2"_s};
    QTest::newRow("folder not yet walked")
        << false << QByteArray() << QByteArray("B") << false << ignore
        << top + QStringList{u"A/"_s, u"A/za?=A/a?"_s, u"A/za?=A/a?"_s} << QList<int>{} << qint64(4)
        << qint64(0);
    QTest::newRow("folder being walked")
        << false << QByteArray("A") << QByteArray("A") << false << ignore << top + b
        << QList<int>{53} << qint64(5) << qint64(1);
    QTest::newRow("top folder") << false << QByteArray() << QByteArray("") << false << ignore
                                << QStringList{} << QList<int>{53} << qint64(1) << qint64(1);
    QTest::newRow("file, retried then skipped")
        << false << QByteArray("A") << QByteArray("*") << false
        << QList<Button>{Button::Retry, Button::Retry} << top + a + b << QList<int>{53, 53, 53}
        << qint64(5) << qint64(1);
    QTest::newRow("file, aborted")
        << false << QByteArray() << QByteArray("*") << false << QList<Button>{Button::Abort}
        << QStringList{u"zr?=r?"_s, u"A/"_s,        u"A/a?=A/a?"_s, u"A/a?=A/a?"_s,
                       u"B/"_s,     u"B/b1=B/b1"_s, u"B/b2=B/b2"_s}
        << QList<int>{53} << qint64(1) << qint64(0);
    QTest::newRow("file replaced by a folder")
        << false << QByteArray("A") << QByteArray("*") << true << ignore
        << top + a + b + QStringList{u"A/a?/"_s} << QList<int>{75} << qint64(5) << qint64(1);
    QTest::newRow("list, file replaced by a folder")
        << true << QByteArray() << QByteArray("*") << true << ignore
        << QStringList{u"zr?=r?"_s, u"r?/"_s, u"A/"_s, u"A/za?=A/a?"_s, u"A/za?=A/a?"_s} + b
        << QList<int>{75} << qint64(5) << qint64(1);
}

void TestRenameFaults::changedDuringWalk() {
    QFETCH(bool, listRun);
    QFETCH(QByteArray, trigger);
    QFETCH(QByteArray, removed);
    QFETCH(bool, byFolders);
    QFETCH(QList<Button>, answers);
    QFETCH(QStringList, after);
    ScratchFolder scratch;
    const QByteArray top = scratch.raw() + "/t";
    const QList<QByteArray> files = {"r1", "r2", "A/a1", "A/a2", "B/b1", "B/b2"};
    QVERIFY(create(scratch.raw(), {"t/"}) && create(top, {"A/", "B/"}) && create(top, files));
    const QByteArray folder = top + '/' + (trigger.isEmpty() ? trigger : trigger + '/');

    bool done = false;
    const auto change = [&](const QList<RunEvent>& log) {
        const QString lastFolder =
            log.isEmpty() ? QString() : log.last().oldPath.section(u'/', 0, -2);
        if (done || log.isEmpty() || !log.last().result.ok() ||
            lastFolder + u'/' != decodeFileName(folder))
            return;
        done = true;
        QList<QByteArray> targets;
        if (removed != "*")
            targets.append(removed.isEmpty() ? top : top + '/' + removed);
        for (const QByteArray& f : files) {
            const QByteArray path = top + '/' + f;
            if (removed == "*" && path.startsWith(folder) &&
                !path.mid(folder.size()).contains('/') && ::access(path.constData(), F_OK) == 0)
                targets.append(path);
        }
        for (const QByteArray& t : std::as_const(targets)) {
            removeTree(t);
            if (byFolders)
                ::mkdir(t.constData(), 0755);
        }
    };
    PosixFileSystem posix;
    const RunResult r = run(posix, decodeFileName(top) + u'/',
                            {{}, listRun ? files : QList<QByteArray>{}, {prepend()}}, answers,
                            Button::Ignore, change);
    QVERIFY(done);
    QStringList got = layout(scanTree(top));
    got.replaceInStrings(QRegularExpression(u"([ar])[12]"_s), u"\\1?"_s);
    got.sort();
    after.sort();
    QCOMPARE(got, after);
    QTEST(r.numbers, "numbers");
    QTEST(r.counters.FilesRenamed, "renamed");
    QTEST(r.counters.FilesFailed, "failed");
    QCOMPARE(r.stopRun, answers.contains(Button::Abort));
}

// A folder whose entries cannot be renamed, even by root: renames inside fail with a file
// error, the user skips them, the files keep their names and the rest of the run goes on.
void TestRenameFaults::refusedFolder_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("listRun");
    QTest::addColumn<int>("number");
    QTest::newRow("immutable, walk") << int(FolderLock::Immutable) << false << 70;
    QTest::newRow("immutable, list") << int(FolderLock::Immutable) << true << 70;
    QTest::newRow("read-only mount, walk") << int(FolderLock::ReadOnlyMount) << false << 75;
    QTest::newRow("read-only mount, list") << int(FolderLock::ReadOnlyMount) << true << 75;
}

void TestRenameFaults::refusedFolder() {
    QFETCH(int, kind);
    QFETCH(bool, listRun);
    QFETCH(int, number);
    ScratchFolder scratch;
    const QList<QByteArray> files = {"free", "locked/l1", "locked/l2"};
    QVERIFY(create(scratch.raw(), {"locked/"}) && create(scratch.raw(), files));
    const FolderLock lock(scratch.raw() + "/locked", FolderLock::Kind(kind));
    if (!lock.locked())
        QSKIP("this file system cannot refuse renames to root here");

    PosixFileSystem posix;
    const RunResult r =
        run(posix, scratch.path() + u'/', {{}, listRun ? files : QList<QByteArray>{}, {prepend()}},
            {Button::Retry}, Button::Ignore);
    QCOMPARE(r.numbers, QList<int>(3, number));
    QCOMPARE(r.counters.FilesRenamed, 1);
    QCOMPARE(r.counters.FilesFailed, 2);
    QCOMPARE(layout(scanTree(scratch.raw())),
             QStringList({u"locked/"_s, u"locked/l1=locked/l1"_s, u"locked/l2=locked/l2"_s,
                          u"zfree=free"_s}));
    if (listRun)
        QCOMPARE(r.listAfter, QStringList({u"zfree"_s, u"locked/l1"_s, u"locked/l2"_s}));
}

// Symbolic links are entries of their own: a link to its own folder, to itself, two links to
// each other and a link down the tree are renamed as they are, never followed.
void TestRenameFaults::linkCycles() {
    ScratchFolder scratch;
    QVERIFY(create(scratch.raw(), {"sub/", "f", "sub/g", "sub/up->..", "self->self", "a->b", "b->a",
                                   "down->sub"}));
    PosixFileSystem posix;
    const RunResult r = run(posix, scratch.path(), {{}, {}, {prepend()}}, {}, Button::Abort);
    QCOMPARE(r.dirCount, 1);
    QCOMPARE(r.counters.FilesRenamed, 7);
    QCOMPARE(r.questions, 0);
    QCOMPARE(layout(scanTree(scratch.raw())),
             QStringList({u"sub/"_s, u"sub/zg=sub/g"_s, u"sub/zup=->.."_s, u"za=->b"_s, u"zb=->a"_s,
                          u"zdown=->sub"_s, u"zf=f"_s, u"zself=->self"_s}));
}

// A folder bind-mounted inside itself shows its files again one level down; they must still
// be offered only once.
void TestRenameFaults::folderMountedInsideItself() {
    ScratchFolder scratch;
    const QByteArray top = scratch.raw() + "/t", inner = top + "/sub/mnt";
    QVERIFY(create(scratch.raw(), {"t/"}) && create(top, {"sub/", "sub/mnt/", "f", "sub/g"}));
    if (::mount(top.constData(), inner.constData(), nullptr, MS_BIND, nullptr) != 0)
        QSKIP("cannot bind-mount here");
    const auto unmount = qScopeGuard([&] { ::umount2(inner.constData(), MNT_DETACH); });

    PosixFileSystem posix;
    const RunResult r = run(posix, decodeFileName(top), {{}, {}, {prepend()}}, {}, Button::Abort);
    QCOMPARE(r.counters.FilesRenamed, 2);
    QCOMPARE(r.questions, 0);
    QStringList offered;
    for (const RunEvent& e : r.log)
        offered.append(e.oldPath.mid(top.size() + 1));
    offered.sort();
    QCOMPARE(offered, QStringList({u"f"_s, u"sub/g"_s}));
}

// Files at the top, the middle and the bottom of a chain of folders far longer than PATH_MAX
// are renamed by a walk; a list run, which works by full paths, reports the file it cannot
// reach as a failure and leaves it alone.
void TestRenameFaults::deepTree() {
    ScratchFolder scratch;
    const QByteArray name(250, 'd');
    int fd = ::open(scratch.raw().constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    QString deepest = scratch.path() + u'/';
    for (int depth = 0; depth <= 20; ++depth) {
        if (depth % 10 == 0)
            ::close(::openat(fd, "f", O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
        if (depth == 20)
            break;
        QVERIFY(::mkdirat(fd, name.constData(), 0755) == 0);
        const int sub = ::openat(fd, name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = sub;
        deepest += QString::fromLatin1(name) + u'/';
    }
    QVERIFY(deepest.size() > 4096);

    PosixFileSystem posix;
    RunResult r = run(posix, scratch.path(), {{}, {}, {prepend()}}, {}, Button::Abort);
    QCOMPARE(r.dirCount, 20);
    QCOMPARE(r.counters.FilesRenamed, 3);
    QVERIFY(::faccessat(fd, "zf", F_OK, 0) == 0);

    r = run(posix, QString(), {{}, {encodeFileName(deepest + u"zf"_s)}, {prepend()}}, {},
            Button::Ignore);
    QCOMPARE(r.numbers, QList<int>{52});
    QCOMPARE(r.counters.FilesFailed, 1);
    QVERIFY(::faccessat(fd, "zf", F_OK, 0) == 0);
    ::close(fd);
}

// New names that run into each other within one run, on both file systems: every rename that
// would replace a file fails with 58 and leaves both files as they were. A list run takes new
// options for each entry, as if the user changed them while the run yields.
void TestRenameFaults::chainsAndCycles_data() {
    QTest::addColumn<Scenario>("scenario");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<qint64>("renamed");
    QTest::addColumn<qint64>("failed");

    const struct {
        const char* name;
        Scenario s;
        QStringList after;
        qint64 renamed, failed;
    } rows[] = {
        {"chain, each name taken",
         {{"a", "za", "zza"}, {"a", "za", "zza"}, {prepend()}},
         {u"a=a"_s, u"za=za"_s, u"zzza=zza"_s},
         1,
         2},
        {"chain, from its end",
         {{"a", "za", "zza"}, {"zza", "za", "a"}, {prepend()}},
         {u"za=a"_s, u"zza=za"_s, u"zzza=zza"_s},
         3,
         0},
        {"swap",
         {{"a.txt", "b.txt"}, {"a.txt", "b.txt"}, {replace(u"a", u"b"), replace(u"b", u"a")}},
         {u"a.txt=a.txt"_s, u"b.txt=b.txt"_s},
         0,
         2},
        {"three-cycle",
         {{"a", "b", "c"},
          {"a", "b", "c"},
          {replace(u"a", u"b"), replace(u"b", u"c"), replace(u"c", u"a")}},
         {u"a=a"_s, u"b=b"_s, u"c=c"_s},
         0,
         3},
        {"cycle through a free name",
         {{"a", "b"}, {"a", "b"}, {replace(u"a", u"c"), replace(u"b", u"a")}},
         {u"a=b"_s, u"c=a"_s},
         2,
         0},
        {"case pair",
         {{"A", "a"}, {"A", "a"}, {caseOptions(CaseMode::Lower)}},
         {u"A=A"_s, u"a=a"_s},
         1,
         1},
    };
    for (const auto& row : rows) {
        for (const bool real : {false, true}) {
            for (const bool listRun : {true, false}) {
                // A walk over a real folder takes the files in the system's order, and takes
                // one option for all: only the rows that do not depend on either.
                if (!listRun && (real || row.s.options.size() > 1 || row.s.entries != row.s.items))
                    continue;
                Scenario s = row.s;
                if (!listRun)
                    s.entries.clear();
                QTest::addRow("%s, %s, %s", row.name, real ? "real" : "in memory",
                              listRun ? "list" : "walk")
                    << s << row.after << row.renamed << row.failed;
            }
        }
    }
}

void TestRenameFaults::chainsAndCycles() {
    QFETCH(Scenario, scenario);
    QFETCH(qint64, failed);
    const bool real = QString::fromLatin1(QTest::currentDataTag()).contains(u"real"_s);
    ScratchFolder scratch;
    PosixFileSystem posix;
    FakeFileSystem fake;
    QStringList after;
    RunResult r;
    if (real) {
        QVERIFY(create(scratch.raw(), scenario.items));
        r = run(posix, scratch.path() + u'/', scenario, {}, Button::Ignore);
        after = layout(scanTree(scratch.raw()));
    } else {
        for (const QByteArray& item : scenario.items)
            fake.addFile(u"/t/"_s + QString::fromUtf8(item), item);
        r = run(fake, u"/t/"_s, scenario, {}, Button::Ignore);
        for (const QString& name : fake.names(u"/t/"_s))
            after.append(name + u'=' + QString::fromUtf8(fake.content(u"/t/"_s + name)));
        after.sort();
    }
    QTEST(after, "after");
    QTEST(r.counters.FilesRenamed, "renamed");
    QCOMPARE(r.counters.FilesFailed, failed);
    QCOMPARE(r.numbers, QList<int>(failed, 58));
}

// Names the program did not write: bytes that are not UTF-8, control characters, a find text
// of 255 characters, letters whose capital is longer.
void TestRenameFaults::badNames_data() {
    QTest::addColumn<Scenario>("scenario");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QList<int>>("numbers");
    QTest::addColumn<qint64>("tooLong");

    const QByteArray a251(251, 'a'), a255(255, 'a');
    QByteArray iotas;
    for (int i = 0; i < 127; ++i)
        iotas += "\xce\x90"; // U+0390: 2 bytes, its capital 6
    const QString iotasText = QString::fromUtf8(iotas);

    QTest::newRow("not UTF-8, walk")
        << Scenario{{"bad\xff.txt", "\xc3(x", "ok.txt", "d\xfe/", "d\xfe/in.txt", "d\xfe/b\x80"},
                    {},
                    {prepend()}}
        << QStringList{u"bad"_s + esc(0xff) + u".txt=bad"_s + esc(0xff) + u".txt"_s,
                       esc(0xc3) + u"(x="_s + esc(0xc3) + u"(x"_s,
                       u"d"_s + esc(0xfe) + u'/',
                       u"d"_s + esc(0xfe) + u"/b"_s + esc(0x80) + u"=d"_s + esc(0xfe) + u"/b"_s +
                           esc(0x80),
                       u"d"_s + esc(0xfe) + u"/zin.txt=d"_s + esc(0xfe) + u"/in.txt"_s,
                       u"zok.txt=ok.txt"_s}
        << QList<int>{52, 52, 52} << qint64(0);
    QTest::newRow("not UTF-8, list")
        << Scenario{{"bad\xff", "d\xfe/", "d\xfe/in"}, {"bad\xff", "d\xfe/in"}, {prepend()}}
        << QStringList{u"bad"_s + esc(0xff) + u"=bad"_s + esc(0xff), u"d"_s + esc(0xfe) + u'/',
                       u"d"_s + esc(0xfe) + u"/zin=d"_s + esc(0xfe) + u"/in"_s}
        << QList<int>{52} << qint64(0);
    QTest::newRow("control characters")
        << Scenario{{"a\tb.TXT", "new\nLINE", "\x01start", "cr\rX"},
                    {},
                    {caseOptions(CaseMode::Title)}}
        << QStringList{u"A\tB.txt=a\tb.TXT"_s, u"Cr\rX=cr\rX"_s, u"New\nLine=new\nLINE"_s,
                       u"\x01start=\x01start"_s}
        << QList<int>{} << qint64(0);
    QTest::newRow("find text of 255 characters")
        << Scenario{{a251 + ".txt", "other.txt"},
                    {},
                    {replaceOptions(QString::fromLatin1(a251 + ".txt"), u"b"_s, true)}}
        << QStringList{u"b="_s + QString::fromLatin1(a251) + u".txt"_s, u"other.txt=other.txt"_s}
        << QList<int>{} << qint64(0);
    QTest::newRow("find text of 255 characters, result too long")
        << Scenario{{a255},
                    {},
                    {replaceOptions(QString::fromLatin1(a255), QString::fromLatin1(a255 + "b"),
                                    true)}}
        << QStringList{QString::fromLatin1(a255 + '=' + a255)} << QList<int>{} << qint64(1);
    QTest::newRow("sharp s") << Scenario{{u"stra\u00dfe.txt"_s.toUtf8(), "STRASSE.TXT",
                                          u"gro\u00df"_s.toUtf8()},
                                         {},
                                         {caseOptions(CaseMode::Upper)}}
                             << QStringList{u"GROSS=gro\u00df"_s, u"STRASSE.TXT=STRASSE.TXT"_s,
                                            u"stra\u00dfe.txt=stra\u00dfe.txt"_s}
                             << QList<int>{58} << qint64(0);
    QTest::newRow("capitals too long for the disk")
        << Scenario{{iotas}, {}, {caseOptions(CaseMode::Upper)}}
        << QStringList{iotasText + u'=' + iotasText} << QList<int>{52} << qint64(0);
}

void TestRenameFaults::badNames() {
    QFETCH(Scenario, scenario);
    QFETCH(QStringList, after);
    QFETCH(QList<int>, numbers);
    QFETCH(qint64, tooLong);
    ScratchFolder scratch;
    QVERIFY(create(scratch.raw(), scenario.items));
    PosixFileSystem posix;
    const RunResult r = run(posix, scratch.path() + u'/', scenario, {}, Button::Ignore);
    after.sort();
    QCOMPARE(layout(scanTree(scratch.raw())), after);
    QCOMPARE(r.numbers, numbers);
    QCOMPARE(r.questions, numbers.size() + tooLong);
    QCOMPARE(r.counters.FilesFailed, numbers.size() + tooLong);
}

QTEST_GUILESS_MAIN(TestRenameFaults)
#include "tst_RenameFaults.moc"
