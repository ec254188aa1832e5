// Runs of the rename engine over real folders that change, refuse or misbehave underneath it,
// chains and cycles of new names, and names the program did not write itself. In every case
// no file may be lost or replaced and a failure must be reported as one.

#include "Reliability.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

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

// A real tree as sorted text: "path=content" for a file (a link shows "->target"), "path/"
// for a folder.
QStringList layout(const QByteArray& top) {
    const TreeSnapshot tree = scanTree(top);
    QStringList out;
    for (auto it = tree.files.cbegin(); it != tree.files.cend(); ++it)
        out.append(it.key() + u'=' + decodeFileName(it.value()));
    for (const QString& folder : tree.folders)
        out.append(folder + u'/');
    out.sort();
    return out;
}

// Runs a scenario over `fs` with its tree under `top`. `answers` are given in order, then
// `otherwise` for every further question; `during` as in RunSetup.
RunResult run(FileSystem& fs, const QString& top, const Scenario& s, QList<Button> answers,
              Button otherwise, const decltype(RunSetup::during)& during = {}) {
    RunSetup setup{top, {}, s.options, {true, true, true}, true, {}, during};
    for (const QByteArray& entry : s.entries)
        setup.entries.append(top + decodeFileName(entry));
    setup.answer = [&](const Message& m) {
        const Button b = answers.isEmpty() ? otherwise : answers.takeFirst();
        return m.buttons == Buttons::YesNo ? (b == Button::Abort ? Button::No : Button::Yes)
               : m.buttons == Buttons::Ok  ? Button::Ok
                                           : b;
    };
    return runEngine(fs, setup);
}

QString folderOf(const QString& path) {
    return path.left(path.lastIndexOf(u'/') + 1);
}

qsizetype questions(const RunResult& r) {
    return std::count_if(r.log.cbegin(), r.log.cend(),
                         [](const RunEvent& e) { return e.question; });
}

// Makes renames inside a folder fail while it lives, even for root: the immutable attribute
// or, where the file system has none, a read-only bind mount of the folder onto itself.
class FolderLock {
public:
    explicit FolderLock(const QByteArray& folder) : folder_(folder) {
        immutable_ = setImmutable(true);
        if (!immutable_ &&
            ::mount(folder.constData(), folder.constData(), nullptr, MS_BIND, nullptr) == 0) {
            mounted_ = true;
            if (::mount(nullptr, folder.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY,
                        nullptr) != 0)
                unlock();
        }
    }
    ~FolderLock() { unlock(); }
    bool locked() const { return immutable_ || mounted_; }

private:
    bool setImmutable(bool on) {
        const int fd = ::open(folder_.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        int flags = 0;
        const bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                          (flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL,
                           ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
        if (fd >= 0)
            ::close(fd);
        return done;
    }
    void unlock() {
        if (std::exchange(mounted_, false))
            ::umount2(folder_.constData(), MNT_DETACH);
        if (std::exchange(immutable_, false))
            setImmutable(false);
    }
    QByteArray folder_;
    bool immutable_ = false, mounted_ = false;
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
    // Another program removes part of the tree once the run has renamed a file in the folder
    // `trigger`: while the run yields, or right before the next rename is tried. Which of two
    // files of one folder a walk takes first depends on the listing, so a1/a2 and r1/r2 are shown
    // as a?/r?.
    void changedDuringWalk_data() {
        QTest::addColumn<QByteArray>("trigger");
        QTest::addColumn<QByteArray>("removed"); // "*": the file about to be renamed
        QTest::addColumn<QList<Button>>("answers");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QList<int>>("numbers");
        QTest::addColumn<qint64>("renamed");
        QTest::addColumn<qint64>("failed");

        const QStringList top = {u"zr?=r?"_s, u"zr?=r?"_s};
        const QStringList a = {u"A/"_s, u"A/za?=A/a?"_s},
                          b = {u"B/"_s, u"B/zb1=B/b1"_s, u"B/zb2=B/b2"_s};
        QTest::newRow("folder not yet walked")
            << QByteArray() << QByteArray("B") << QList<Button>{} << top + a + QStringList{a[1]}
            << QList<int>{} << qint64(4) << qint64(0);
        // The other file of A is found gone when its attributes are read, and passed over.
        QTest::newRow("folder being walked")
            << QByteArray("A") << QByteArray("A") << QList<Button>{} << top + b << QList<int>{}
            << qint64(5) << qint64(0);
        QTest::newRow("file, retried twice then skipped")
            << QByteArray("A") << QByteArray("*") << QList<Button>{Button::Retry, Button::Retry}
            << top + a + b << QList<int>{53, 53, 53} << qint64(5) << qint64(1);
    }

    void changedDuringWalk() {
        QFETCH(QByteArray, trigger);
        QFETCH(QByteArray, removed);
        QFETCH(QList<Button>, answers);
        QFETCH(QStringList, after);
        ScratchFolder scratch;
        const QByteArray top = scratch.raw() + "/t";
        QVERIFY(create(scratch.raw(), {"t/"}) && create(top, {"A/", "B/"}) &&
                create(top, {"r1", "r2", "A/a1", "A/a2", "B/b1", "B/b2"}));
        const QString folder =
            decodeFileName(QByteArray(top + '/' + trigger + (trigger.isEmpty() ? "" : "/")));

        bool done = false;
        const auto change = [&](const QList<RunEvent>& log, const QString& renaming) {
            const bool triggered = std::any_of(log.cbegin(), log.cend(), [&](const RunEvent& e) {
                return !e.question && e.result.ok() && folderOf(e.oldPath) == folder;
            });
            if (!done && triggered && renaming.isEmpty() == (removed != "*")) {
                done = true;
                removeTree(removed == "*" ? encodeFileName(renaming) : top + '/' + removed);
            }
            return std::optional<FsError>();
        };
        PosixFileSystem posix;
        const RunResult r = run(posix, decodeFileName(top) + u'/', {{}, {}, {prepend()}}, answers,
                                Button::Ignore, change);
        QVERIFY(done);
        QStringList got = layout(top);
        got.replaceInStrings(QRegularExpression(u"([ar])[12]"_s), u"\\1?"_s);
        got.sort();
        after.sort();
        QCOMPARE(got, after);
        QTEST(r.numbers, "numbers");
        QTEST(r.counters.FilesRenamed, "renamed");
        QTEST(r.counters.FilesFailed, "failed");
        QVERIFY(!r.stopRun);
    }

    // A folder whose entries cannot be renamed, even by root: renames inside fail with a file
    // error, the user retries once and then skips them, the files keep their names and the rest
    // of the run goes on.
    void refusedFolder_data() {
        QTest::addColumn<bool>("listRun");
        QTest::newRow("walk") << false;
        QTest::newRow("list") << true;
    }

    void refusedFolder() {
        QFETCH(bool, listRun);
        ScratchFolder scratch;
        const QList<QByteArray> files = {"free", "locked/l1", "locked/l2"};
        QVERIFY(create(scratch.raw(), {"locked/"}) && create(scratch.raw(), files));
        const FolderLock lock(scratch.raw() + "/locked");
        if (!lock.locked())
            QSKIP("this file system cannot refuse renames to root here");

        PosixFileSystem posix;
        const RunResult r = run(posix, scratch.path() + u'/',
                                {{}, listRun ? files : QList<QByteArray>{}, {prepend()}},
                                {Button::Retry}, Button::Ignore);
        QCOMPARE(r.numbers.size(), 3);
        QVERIFY(r.numbers[0] == 70 || r.numbers[0] == 75); // immutable, read-only file system
        QCOMPARE(r.numbers, QList<int>(3, r.numbers[0]));
        QCOMPARE(r.counters.FilesRenamed, 1);
        QCOMPARE(r.counters.FilesFailed, 2);
        QCOMPARE(layout(scratch.raw()), QStringList({u"locked/"_s, u"locked/l1=locked/l1"_s,
                                                     u"locked/l2=locked/l2"_s, u"zfree=free"_s}));
        if (listRun)
            QCOMPARE(r.listAfter,
                     QStringList({u"zfree"_s, u"locked/l1"_s, u"locked/l2"_s})
                         .replaceInStrings(QRegularExpression(u"^"_s), scratch.path() + u'/'));
    }

    // Symbolic links are entries of their own: a link to its own folder, to itself, two links to
    // each other and a link down the tree are renamed as they are, never followed.
    void linkCycles() {
        ScratchFolder scratch;
        QVERIFY(create(scratch.raw(), {"sub/", "f", "sub/g", "sub/up->..", "self->self", "a->b",
                                       "b->a", "down->sub"}));
        PosixFileSystem posix;
        const RunResult r = run(posix, scratch.path(), {{}, {}, {prepend()}}, {}, Button::Abort);
        QCOMPARE(r.dirCount, 1);
        QCOMPARE(r.counters.FilesRenamed, 7);
        QCOMPARE(questions(r), 0);
        QCOMPARE(layout(scratch.raw()),
                 QStringList({u"sub/"_s, u"sub/zg=sub/g"_s, u"sub/zup=->.."_s, u"za=->b"_s,
                              u"zb=->a"_s, u"zdown=->sub"_s, u"zf=f"_s, u"zself=->self"_s}));
    }

    // A folder bind-mounted inside itself shows its files again one level down; they must still
    // be offered only once.
    void folderMountedInsideItself() {
        ScratchFolder scratch;
        const QByteArray top = scratch.raw() + "/t", inner = top + "/sub/mnt";
        QVERIFY(create(scratch.raw(), {"t/"}) && create(top, {"sub/", "sub/mnt/", "f", "sub/g"}));
        if (::mount(top.constData(), inner.constData(), nullptr, MS_BIND, nullptr) != 0)
            QSKIP("cannot bind-mount here");
        const auto unmount = qScopeGuard([&] { ::umount2(inner.constData(), MNT_DETACH); });

        PosixFileSystem posix;
        const RunResult r =
            run(posix, decodeFileName(top), {{}, {}, {prepend()}}, {}, Button::Abort);
        QCOMPARE(r.counters.FilesRenamed, 2);
        QCOMPARE(questions(r), 0);
        QStringList offered;
        for (const RunEvent& e : r.log)
            offered.append(e.oldPath.mid(top.size() + 1));
        offered.sort();
        QCOMPARE(offered, QStringList({u"f"_s, u"sub/g"_s}));
    }

    // Files at the top, the middle and the bottom of a chain of folders far longer than PATH_MAX
    // are renamed by a walk; a list run, which works by full paths, reports the file it cannot
    // reach as a failure and leaves it alone.
    void deepTree() {
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
        const auto closeDeepest = qScopeGuard([&] { ::close(fd); });
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
    }

    // Renames that must fail cleanly, on real folders: new names that run into each other within
    // one run (a rename that would replace a file fails with 58 and leaves both files as they
    // were; a list run takes new options for each entry, as if the user changed them while the
    // run yields; a walk takes the files in the system's order, so only scenarios that do not
    // depend on it run as walks too), and names the program did not write: bytes that are not
    // UTF-8, control characters, a find text of 255 characters, letters whose capital is longer.
    void scenarios_data() {
        QTest::addColumn<Scenario>("scenario");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<qint64>("renamed");
        QTest::addColumn<QList<int>>("numbers");

        const Scenario chain{{"a", "za", "zza"}, {"a", "za", "zza"}, {prepend()}};
        const Scenario casePair{{"A", "a"}, {"A", "a"}, {caseOptions(CaseMode::Lower)}};
        const QStringList chainAfter{u"a=a"_s, u"za=za"_s, u"zzza=zza"_s};
        const QByteArray a251(251, 'a');
        QByteArray iotas;
        for (int i = 0; i < 127; ++i)
            iotas += "\xce\x90"; // U+0390: 2 bytes, its capital 6
        const QString iotasText = QString::fromUtf8(iotas);
        const QString bad = u"bad"_s + esc(0xff), d = u"d"_s + esc(0xfe);

        QTest::newRow("chain, each name taken, list")
            << chain << chainAfter << 1ll << QList<int>{58, 58};
        QTest::newRow("chain, each name taken, walk")
            << Scenario{chain.items, {}, chain.options} << chainAfter << 1ll << QList<int>{58, 58};
        QTest::newRow("swap") << Scenario{{"a.txt", "b.txt"},
                                          {"a.txt", "b.txt"},
                                          {replace(u"a", u"b"), replace(u"b", u"a")}}
                              << QStringList{u"a.txt=a.txt"_s, u"b.txt=b.txt"_s} << 0ll
                              << QList<int>{58, 58};
        QTest::newRow("case pair, list")
            << casePair << QStringList{u"A=A"_s, u"a=a"_s} << 1ll << QList<int>{58};
        QTest::newRow("case pair, walk")
            << Scenario{casePair.items, {}, casePair.options} << QStringList{u"A=A"_s, u"a=a"_s}
            << 1ll << QList<int>{58};
        // A name that is not UTF-8 is never renamed, nor the file whose name is its lossy reading.
        QTest::newRow("not UTF-8, walk")
            << Scenario{{"bad\xff", "bad\xef\xbf\xbd", "\xc3(x", "d\xfe/", "d\xfe/in",
                         "d\xfe/b\x80"},
                        {},
                        {prepend()}}
            << QStringList{bad + u'=' + bad,
                           u"zbad\ufffd=bad\ufffd"_s,
                           esc(0xc3) + u"(x="_s + esc(0xc3) + u"(x"_s,
                           d + u'/',
                           d + u"/b"_s + esc(0x80) + u'=' + d + u"/b"_s + esc(0x80),
                           d + u"/zin="_s + d + u"/in"_s}
            << 2ll << QList<int>{52, 52, 52};
        QTest::newRow("not UTF-8, list")
            << Scenario{{"bad\xff", "d\xfe/", "d\xfe/in"}, {"bad\xff", "d\xfe/in"}, {prepend()}}
            << QStringList{bad + u'=' + bad, d + u'/', d + u"/zin="_s + d + u"/in"_s} << 1ll
            << QList<int>{52};
        QTest::newRow("control characters")
            << Scenario{{"a\tb.TXT", "new\nLINE", "\x01start", "cr\rX"},
                        {},
                        {caseOptions(CaseMode::Title)}}
            << QStringList{u"a\tb.TXT=a\tb.TXT"_s, u"cr\rX=cr\rX"_s, u"new\nLINE=new\nLINE"_s,
                           u"\x01start=\x01start"_s}
            << 0ll << QList<int>{52, 52, 52, 52};
        QTest::newRow("find text of 255 characters")
            << Scenario{{a251 + ".txt", "other.txt"},
                        {},
                        {replaceOptions(QString::fromLatin1(a251 + ".txt"), u"b"_s, true)}}
            << QStringList{u"b="_s + QString::fromLatin1(a251) + u".txt"_s,
                           u"other.txt=other.txt"_s}
            << 2ll << QList<int>{};
        QTest::newRow("sharp s") << Scenario{{u"stra\u00dfe.txt"_s.toUtf8(), "STRASSE.TXT",
                                              u"gro\u00df"_s.toUtf8()},
                                             {},
                                             {caseOptions(CaseMode::Upper)}}
                                 << QStringList{u"GROSS=gro\u00df"_s, u"STRASSE.TXT=STRASSE.TXT"_s,
                                                u"stra\u00dfe.txt=stra\u00dfe.txt"_s}
                                 << 2ll << QList<int>{58};
    }

    void scenarios() {
        QFETCH(Scenario, scenario);
        QFETCH(QStringList, after);
        QFETCH(QList<int>, numbers);
        ScratchFolder scratch;
        QVERIFY(create(scratch.raw(), scenario.items));
        PosixFileSystem posix;
        const RunResult r = run(posix, scratch.path() + u'/', scenario, {}, Button::Ignore);
        after.sort();
        QCOMPARE(layout(scratch.raw()), after);
        QTEST(r.counters.FilesRenamed, "renamed");
        QCOMPARE(r.numbers, numbers);
        QCOMPARE(questions(r), numbers.size());
        QCOMPARE(r.counters.FilesFailed, numbers.size());
    }
};

QTEST_GUILESS_MAIN(TestRenameFaults)
#include "tst_RenameFaults.moc"
