// Undo against real folders: a journaled run ended every way a run can end (done, Abort,
// Ignore, No to the length question, killed) is undone to the tree it started from; files
// changed since are reported and never forced; random trees of the property test come back
// exactly.

#define VARNEX_PROPERTY_CASES_ONLY
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include "tst_RenameProperties.cpp"
#pragma GCC diagnostic pop

#include "engine/RunJournal.h"
#include "engine/UndoCommand.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

namespace {

constexpr char ChildFolder[] = "VARNEX_UNDO_CHILD";
constexpr char ChildJournals[] = "VARNEX_UNDO_JOURNALS";
constexpr char ChildUndoes[] = "VARNEX_UNDO_UNDOES";
constexpr int KillFiles = 2000;

QByteArray readRaw(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return "<missing>";
    char buffer[256];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    return QByteArray(buffer, qMax<ssize_t>(n, 0));
}

bool move(const QByteArray& from, const QByteArray& to) {
    return ::rename(from.constData(), to.constData()) == 0;
}

bool sameTree(const TreeSnapshot& a, const TreeSnapshot& b) {
    return a.files == b.files && a.folders == b.folders;
}

// A run of the engine over a real folder, written to a journal in `journals`.
RunResult journaledRun(const QString& journals, RunSetup setup) {
    RunJournal journal(journals);
    setup.observer = &journal;
    journal.beginRun();
    PosixFileSystem posix;
    RunResult result = runEngine(posix, setup);
    journal.endRun();
    return result;
}

UndoOutcome undo(const QString& journals) {
    PosixFileSystem posix;
    CountingEventPump pump;
    return undoNewestRun(posix, journals, pump);
}

// The child of the kill test: renames every file of the folder it is given, journaled.
int runChild() {
    RunSetup setup;
    setup.top = qEnvironmentVariable(ChildFolder);
    setup.options = {prependOptions(u"k"_s)};
    setup.answer = [](const Message&) {
        return Button::Ignore;
    };
    bool started = false;
    setup.during = [&](const QList<RunEvent>&, const QString&) -> std::optional<FsError> {
        if (!std::exchange(started, true)) {
            std::fputs("start\n", stdout);
            std::fflush(stdout);
        }
        return std::nullopt;
    };
    if (qEnvironmentVariableIsSet(ChildUndoes)) {
        std::fputs("start\n", stdout);
        std::fflush(stdout);
        // Slowed down, so that the kill comes while the undo is under way.
        PosixFileSystem posix;
        CountingEventPump pump;
        pump.onProcessEvents = [] {
            QThread::usleep(50);
        };
        undoNewestRun(posix, qEnvironmentVariable(ChildJournals), pump);
        return 0;
    }
    journaledRun(qEnvironmentVariable(ChildJournals), setup);
    return 0;
}

// Runs this program as the child, on `top`, and ends it at a random moment.
bool killChild(const QString& top, const QString& journals, bool undoes, bool terminate,
               QRandomGenerator& random) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(ChildFolder), top);
    env.insert(QString::fromLatin1(ChildJournals), journals);
    if (undoes)
        env.insert(QString::fromLatin1(ChildUndoes), u"1"_s);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    if (!child.waitForReadyRead(60000))
        return false;
    QThread::usleep(random.bounded(1000, 30000));
    terminate ? child.terminate() : child.kill();
    return child.waitForFinished(60000);
}

} // namespace

class TestUndo : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Each way a run can end leaves a journal whose undo gives back the tree as it was.
    void endings_data() {
        QTest::addColumn<QString>("failing"); // names whose rename fails once
        QTest::addColumn<int>("answer");      // to the failure, or to the length question
        QTest::addColumn<int>("renamed");
        QTest::newRow("complete") << QString() << int(Button::Ignore) << 7;
        QTest::newRow("abort") << u"c"_s << int(Button::Abort) << 2;
        QTest::newRow("ignores") << u"b|d|sub/y"_s << int(Button::Ignore) << 4;
        QTest::newRow("retry") << u"b|e"_s << int(Button::Retry) << 7;
        QTest::newRow("no to length") << u"long"_s << int(Button::No) << 4;
    }
    void endings() {
        QFETCH(QString, failing);
        QFETCH(int, answer);
        QFETCH(int, renamed);
        ScratchFolder top, journals;
        const QByteArray r = top.raw() + '/';
        QVERIFY(::mkdir(QByteArray(r + "sub").constData(), 0755) == 0);
        for (const char* name : {"a", "b", "c", "d", "e", "sub/x", "sub/y"})
            QVERIFY(writeRaw(r + name, name));
        if (failing == u"long")
            QVERIFY(writeRaw(r + "d" + QByteArray(253, 'z'), "long"));
        const TreeSnapshot before = scanTree(r);

        RunSetup setup;
        setup.top = top.path();
        setup.options = {prependOptions(failing == u"long" ? u"kk"_s : u"k"_s)};
        QSet<QString> failOnce;
        for (const QString& name : failing.split(u'|', Qt::SkipEmptyParts))
            failOnce.insert(top.path() + u'/' + name);
        setup.during = [&](const QList<RunEvent>&, const QString& path) -> std::optional<FsError> {
            if (failOnce.remove(path))
                return fsError(fserr::PermissionDenied);
            return std::nullopt;
        };
        setup.answer = [&](const Message&) {
            return Button(answer);
        };
        const RunResult run = journaledRun(journals.path(), setup);
        QCOMPARE(run.counters.FilesRenamed, renamed);
        QCOMPARE(undoAvailability(journals.path(), {}).count, renamed);

        const UndoOutcome outcome = undo(journals.path());
        QCOMPARE(outcome.undone, renamed);
        QCOMPARE(outcome.problemCount, 0);
        QVERIFY(sameTree(scanTree(r), before));
        QCOMPARE(undoAvailability(journals.path(), {}).count, 0);
    }

    // A run killed at a random moment is undone up to its last rename, whatever that was; so
    // is one whose first undo was killed too.
    void killedRun_data() {
        QTest::addColumn<bool>("terminate");
        QTest::addColumn<bool>("killUndo");
        QTest::newRow("kill -9") << false << false;
        QTest::newRow("SIGTERM") << true << false;
        QTest::newRow("undo killed too") << false << true;
    }
    void killedRun() {
        QFETCH(bool, terminate);
        QFETCH(bool, killUndo);
        QRandomGenerator random(20261213);
        qint64 undone = 0;
        for (int round = 0; round < 3; ++round) {
            ScratchFolder top, journals;
            const QByteArray r = top.raw() + '/';
            for (int i = 0; i < KillFiles; ++i)
                QVERIFY(writeRaw(r + "f" + QByteArray::number(i), QByteArray::number(i)));
            const TreeSnapshot before = scanTree(r);
            QVERIFY(killChild(top.path(), journals.path(), false, terminate, random));
            if (killUndo)
                QVERIFY(killChild(top.path(), journals.path(), true, terminate, random));

            const UndoOutcome outcome = undo(journals.path());
            // A kill before the first rename leaves no journal at all.
            QVERIFY2(outcome.why.isEmpty() || outcome.why == u"Nothing to undo."_s,
                     qPrintable(outcome.why));
            QCOMPARE(outcome.problemCount, 0);
            QVERIFY(sameTree(scanTree(r), before));
            undone += outcome.undone;
            // An undo that ran once leaves nothing for the next one.
            QCOMPARE(undoAvailability(journals.path(), {}).count, 0);
            QCOMPARE(undo(journals.path()).undone, 0);
        }
        QVERIFY(undone > 0); // the kills came in the middle of runs
    }

    // Files changed after the run are reported, never forced back; the rest come back.
    void changedMeanwhile() {
        ScratchFolder top, other, journals;
        const QByteArray r = top.raw() + '/';
        QVERIFY(::mkdir(QByteArray(r + "s").constData(), 0755) == 0);
        for (const char* name : {"a", "b", "c", "d", "e", "s/x"})
            QVERIFY(writeRaw(r + name, name));
        RunSetup setup;
        setup.top = top.path();
        setup.options = {prependOptions(u"k"_s)};
        QCOMPARE(journaledRun(journals.path(), setup).counters.FilesRenamed, 6);

        QVERIFY(writeRaw(r + "a", "taken"));          // old name taken
        QVERIFY(move(r + "kb", other.raw() + "/kb")); // vanished
        QVERIFY(move(r + "kd", r + "d"));             // put back by hand: silent
        QVERIFY(writeRaw(other.raw() + "/kx", "other"));
        QVERIFY(move(r + "s", r + "s.moved")); // the folder is a link elsewhere now
        QVERIFY(::symlink(other.raw().constData(), QByteArray(r + "s").constData()) == 0);

        const UndoOutcome outcome = undo(journals.path());
        QCOMPARE(outcome.undone, 2);
        QCOMPARE(outcome.problemCount, 3);
        const QString text = undoSummary(outcome);
        QVERIFY2(text.startsWith(u"Undid 2 renames.\r\r3 files could not be restored:\r"_s),
                 qPrintable(text));
        for (const QString& line : {u"/ka: its old name a is taken"_s, u"/kb: the file is gone"_s,
                                    u"/s/kx: its folder is gone or is another folder now"_s})
            QVERIFY2(text.contains(line), qPrintable(line));
        QCOMPARE(readRaw(r + "a"), QByteArray("taken"));
        QCOMPARE(readRaw(r + "ka"), QByteArray("a"));
        QCOMPARE(readRaw(other.raw() + "/kx"), QByteArray("other"));
        QCOMPARE(readRaw(r + "s.moved/kx"), QByteArray("s/x"));
        for (const char* name : {"c", "d", "e"})
            QCOMPARE(readRaw(r + name), QByteArray(name));
    }

    // Folders and neighbours whose names are not UTF-8 are found again byte for byte.
    void notUtf8() {
        ScratchFolder top, journals;
        const QByteArray dir = top.raw() + "/d\xff\xfe/";
        QVERIFY(::mkdir(dir.chopped(1).constData(), 0755) == 0);
        for (const QByteArray& name :
             {QByteArray("a"), QByteArray("\xc3\xa9t\xc3\xa9"), QByteArray("bad\xe9")})
            QVERIFY(writeRaw(dir + name, name));
        const TreeSnapshot before = scanTree(top.raw() + '/');
        RunSetup setup;
        setup.top = top.path();
        setup.options = {prependOptions(u"\u00fc"_s)};
        setup.answer = [](const Message&) {
            return Button::Ignore;
        };
        QCOMPARE(journaledRun(journals.path(), setup).counters.FilesRenamed, 2);
        QCOMPARE(readRaw(dir + "\xc3\xbc"
                               "a"),
                 QByteArray("a"));
        QCOMPARE(undo(journals.path()).undone, 2);
        QVERIFY(sameTree(scanTree(top.raw() + '/'), before));
    }

    // A damaged journal or one that is no file of the user's is refused with a reason.
    void unusableJournal_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        QTest::newRow("damaged") << QByteArray("VARNEXJ2 nonsense") << u"is damaged"_s;
        QTest::newRow("not a journal") << QByteArray(40, 'x') << u"is damaged"_s;
        QTest::newRow("link") << QByteArray("->") << u"not a file of yours"_s;
    }
    void unusableJournal() {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        ScratchFolder journals;
        const QByteArray path = journals.raw() + "/run-9999999999999999-1.journal";
        QVERIFY(content == "->" ? ::symlink("/etc/passwd", path.constData()) == 0
                                : writeRaw(path, content));
        QVERIFY(undoAvailability(journals.path(), {}).why.contains(reason));
        QVERIFY(undo(journals.path()).why.contains(reason));
    }

    // On random trees with failing renames, Retry, Abort and No: run, then undo, gives back
    // the tree byte for byte.
    void runThenUndoRestoresTree() {
        const quint32 seed = envNumber("VARNEX_PROPERTY_SEED", 20250101);
        const int cases = qMax(1, int(envNumber("VARNEX_PROPERTY_CASES", 1000)) / 10);
        for (int i = 0; i < cases; ++i) {
            Case c = makeCase(seed + quint32(i), true);
            ScratchFolder top, journals;
            QVERIFY(buildReal(c.root, top.raw() + '/'));
            const TreeSnapshot before = scanTree(top.raw() + '/');
            RunSetup setup = runCaseSetup(c, top.path() + u'/');
            journaledRun(journals.path(), setup);
            const UndoOutcome outcome = undo(journals.path());
            QVERIFY2(outcome.problemCount == 0 && sameTree(scanTree(top.raw() + '/'), before),
                     qPrintable(u"seed %1: %2"_s.arg(c.seed).arg(undoSummary(outcome))));
        }
    }

private:
    // The setup of the property test's folder walk for case `c`.
    static RunSetup runCaseSetup(const Case& c, const QString& top) {
        auto random = std::make_shared<Random>(c.seed ^ 0x1b873593u);
        RunSetup setup{top, {}, {c.options}, c.allowed, c.recurse, {}, {}};
        setup.during = [random, c](const QList<RunEvent>&,
                                   const QString& renaming) -> std::optional<FsError> {
            if (renaming.isEmpty() || !random->chance(c.failRate))
                return std::nullopt;
            return fsError(fserr::FirstFileError + random->below(25));
        };
        setup.answer = [random, c](const Message& m) {
            if (m.buttons == Buttons::YesNo)
                return random->chance(c.stopRate) ? Button::No : Button::Yes;
            if (m.buttons == Buttons::Ok)
                return Button::Ok;
            return random->chance(c.stopRate) ? Button::Abort
                   : random->chance(0.45)     ? Button::Retry
                                              : Button::Ignore;
        };
        return setup;
    }
};

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsSet(ChildFolder))
        return runChild();
    QCoreApplication app(argc, argv);
    TestUndo test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_Undo.moc"
