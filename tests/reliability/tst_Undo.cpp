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
    QFile file(QString::fromUtf8(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : "<missing>";
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

// The child of the kill test: renames every file of the folder it is given, journaled, or
// undoes that (slowed down, so that the kill comes while the undo is under way).
int runChild() {
    std::fputs("start\n", stdout);
    std::fflush(stdout);
    const QString journals = qEnvironmentVariable(ChildJournals);
    if (qEnvironmentVariableIsSet(ChildUndoes)) {
        PosixFileSystem posix;
        CountingEventPump pump;
        pump.onProcessEvents = [] {
            QThread::usleep(50);
        };
        undoNewestRun(posix, journals, pump);
        return 0;
    }
    RunSetup setup;
    setup.top = qEnvironmentVariable(ChildFolder);
    setup.options = {prependOptions(u"k"_s)};
    setup.answer = [](const Message&) {
        return Button::Ignore;
    };
    journaledRun(journals, setup);
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
    // Each way a run can end leaves a journal whose undo gives back the tree as it was, also in
    // a folder whose name is not UTF-8.
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
        QVERIFY(::mkdir(QByteArray(r + "s\xff").constData(), 0755) == 0);
        for (const char* name : {"a", "b", "c", "d", "e", "s\xff/x", "s\xff/y"})
            QVERIFY(writeRaw(r + name, name));
        if (failing == u"long")
            QVERIFY(writeRaw(r + "d" + QByteArray(253, 'z'), "long"));
        const TreeSnapshot before = scanTree(r);

        RunSetup setup;
        setup.top = top.path();
        setup.options = {prependOptions(failing == u"long" ? u"kk"_s : u"k"_s)};
        QSet<QString> failOnce;
        const QString sub = decodeFileName("s\xff");
        for (const QString& name : failing.split(u'|', Qt::SkipEmptyParts))
            failOnce.insert(top.path() + u'/' + QString(name).replace(u"sub"_s, sub));
        setup.during = [&](const QList<RunEvent>&, const QString& path) -> std::optional<FsError> {
            return failOnce.remove(path) ? std::optional(fsError(fserr::PermissionDenied))
                                         : std::nullopt;
        };
        setup.answer = [&](const Message&) {
            return Button(answer);
        };
        QCOMPARE(journaledRun(journals.path(), setup).counters.FilesRenamed, renamed);
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
            QCOMPARE(undoAvailability(journals.path(), {}).count, 0);
        }
        QVERIFY(undone > 0); // the kills came in the middle of runs
    }

    // Files changed after the run are reported, never forced back; the rest come back.
    void changedMeanwhile() {
        ScratchFolder top, other, journals;
        const QByteArray r = top.raw() + '/';
        QVERIFY(::mkdir(QByteArray(r + "s").constData(), 0755) == 0);
        for (const char* name : {"a", "b", "c", "d", "s/x"})
            QVERIFY(writeRaw(r + name, name));
        RunSetup setup;
        setup.top = top.path();
        setup.options = {prependOptions(u"k"_s)};
        QCOMPARE(journaledRun(journals.path(), setup).counters.FilesRenamed, 5);

        QVERIFY(writeRaw(r + "a", "taken"));          // old name taken
        QVERIFY(move(r + "kb", other.raw() + "/kb")); // vanished
        QVERIFY(move(r + "kd", r + "d"));             // put back by hand: silent
        QVERIFY(move(r + "s", r + "s.moved"));        // the folder is now a link elsewhere
        QVERIFY(::symlink(other.raw().constData(), QByteArray(r + "s").constData()) == 0);
        QVERIFY(writeRaw(other.raw() + "/kx", "other"));

        const UndoOutcome outcome = undo(journals.path());
        const QString text = undoSummary(outcome);
        QVERIFY2(text.startsWith(u"Undid 1 rename.\r\r3 files could not be restored:\r"_s),
                 qPrintable(text));
        for (const QString& line : {u"/ka: its old name a is taken"_s, u"/kb: the file is gone"_s,
                                    u"/s/kx: its folder is gone or is another folder now"_s})
            QVERIFY2(text.contains(line), qPrintable(line));
        const QList<QByteArray> after = {readRaw(r + "a"), readRaw(r + "ka"), readRaw(r + "c"),
                                         readRaw(other.raw() + "/kx"), readRaw(r + "s.moved/kx")};
        QCOMPARE(after, QList<QByteArray>({"taken", "a", "c", "other", "s/x"}));
    }

    // A damaged journal or one that is no file of the user's is refused with a reason.
    void unusableJournal_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        QTest::newRow("damaged") << QByteArray("VARNEXJ2 nonsense") << u"is damaged"_s;
        QTest::newRow("link") << QByteArray() << u"not a file of yours"_s;
    }
    void unusableJournal() {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        ScratchFolder journals;
        const QByteArray path = journals.raw() + "/run-9999999999999999-1.journal";
        QVERIFY(content.isEmpty() ? ::symlink("/etc/passwd", path.constData()) == 0
                                  : writeRaw(path, content));
        QVERIFY(undo(journals.path()).why.contains(reason));
    }

    // On the property test's random trees, with failing renames, Retry, Abort and No: a run
    // followed by its undo gives back the tree byte for byte.
    void runThenUndoRestoresTree() {
        const quint32 seed = envNumber("VARNEX_PROPERTY_SEED", 20250101);
        const int cases = qMax(1, int(envNumber("VARNEX_PROPERTY_CASES", 1000)) / 10);
        for (int i = 0; i < cases; ++i) {
            Case c = makeCase(seed + quint32(i), true);
            ScratchFolder top, journals;
            QVERIFY(buildReal(c.root, top.raw() + '/'));
            const TreeSnapshot before = scanTree(top.raw() + '/');
            RunJournal journal(journals.path());
            journal.beginRun();
            PosixFileSystem posix;
            runCase(c, posix, top.path() + u'/', false, &journal);
            journal.endRun();
            const UndoOutcome outcome = undo(journals.path());
            QVERIFY2(outcome.problemCount == 0 && sameTree(scanTree(top.raw() + '/'), before),
                     qPrintable(u"seed %1: %2"_s.arg(c.seed).arg(undoSummary(outcome))));
        }
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
