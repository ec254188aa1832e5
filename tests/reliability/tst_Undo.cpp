// Undo against real folders: a journaled run ended every way a run can end (done, Abort,
// Ignore, No to the length question, killed) is undone to the tree it started from; files
// changed since are reported and never forced.

#include "Reliability.h"
#include "engine/RunJournal.h"
#include "engine/UndoCommand.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>
#include <QtEndian>
#include <cstdio>
#include <unistd.h>
#include <utility>

using namespace varnex;
using namespace Qt::StringLiterals;

namespace {

constexpr char ChildFolder[] = "VARNEX_UNDO_CHILD";
constexpr char ChildJournals[] = "VARNEX_UNDO_JOURNALS";
constexpr char ChildUndoes[] = "VARNEX_UNDO_UNDOES";
constexpr int KillFiles = 2000;

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

UndoOutcome undo(const QString& journals, const QString& expected = {}) {
    PosixFileSystem posix;
    CountingEventPump pump;
    return undoNewestRun(posix, journals, pump, expected);
}

// The child of the kill test: renames every file of the folder it is given, journaled, or
// undoes that (slowed down, so that the kill comes while the undo is under way).
int runChild() {
    const QString journals = qEnvironmentVariable(ChildJournals);
    // The parent's random delay counts from the first file handled, however long the start
    // takes (a sanitizer build starts slowly), so that the kill lands in the middle of the work.
    bool started = false;
    const auto tellStarted = [&] {
        if (!std::exchange(started, true)) {
            std::fputs("start\n", stdout);
            std::fflush(stdout);
        }
    };
    if (qEnvironmentVariableIsSet(ChildUndoes)) {
        PosixFileSystem posix;
        CountingEventPump pump;
        pump.onProcessEvents = [&] {
            tellStarted();
            QThread::usleep(50);
        };
        undoNewestRun(posix, journals, pump);
        return 0;
    }
    RunSetup setup{.top = qEnvironmentVariable(ChildFolder), .options = {prependOptions(u"k"_s)}};
    setup.during = [&](const QList<RunEvent>& log, const QString&) -> std::optional<FsError> {
        if (!log.isEmpty())
            tellStarted();
        return std::nullopt;
    };
    journaledRun(journals, setup);
    return 0;
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
        QVERIFY(makeTree(top.raw(), {"a", "b", "c", "d", "e", "s\xff/", "s\xff/x", "s\xff/y"}));
        if (failing == u"long")
            QVERIFY(writeRaw(r + "d" + QByteArray(253, 'z'), "long"));
        const QStringList before = layout(r);

        RunSetup setup{.top = top.path(),
                       .options = {prependOptions(failing == u"long" ? u"kk"_s : u"k"_s)}};
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

        const UndoOutcome outcome = undo(journals.path());
        QCOMPARE(outcome.undone, renamed);
        QCOMPARE(outcome.problemCount, 0);
        QCOMPARE(layout(r), before);
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
            const QStringList before = layout(r);
            QMap<QString, QString> env{{QString::fromLatin1(ChildFolder), top.path()},
                                       {QString::fromLatin1(ChildJournals), journals.path()}};
            QVERIFY(killChildAtRandom(env, random, terminate));
            env.insert(QString::fromLatin1(ChildUndoes), u"1"_s);
            QVERIFY(!killUndo || killChildAtRandom(env, random, terminate));

            const UndoOutcome outcome = undo(journals.path());
            // A kill before the first rename leaves no journal at all.
            QVERIFY2(outcome.why.isEmpty() || outcome.why == u"Nothing to undo."_s,
                     qPrintable(outcome.why));
            QCOMPARE(outcome.problemCount, 0);
            QCOMPARE(layout(r), before);
            undone += outcome.undone;
            QCOMPARE(undoAvailability(journals.path(), {}).count, 0);
        }
        QVERIFY(undone > 0); // the kills came in the middle of runs
    }

    // Files changed after the run are reported, never forced back; the rest come back.
    void changedMeanwhile() {
        ScratchFolder top, other, journals;
        const QByteArray r = top.raw() + '/';
        QVERIFY(makeTree(top.raw(), {"a", "b", "c", "d", "e", "f", "s/", "s/x"}));
        RunSetup setup{.top = top.path(), .options = {prependOptions(u"k"_s)}};
        QCOMPARE(journaledRun(journals.path(), setup).counters.FilesRenamed, 7);

        QVERIFY(renameRaw(r + "kb", other.raw() + "/kb")); // vanished
        QVERIFY(renameRaw(r + "kd", r + "d"));             // put back by hand: silent
        // Another file took a new name: reported, and left alone, unless the renamed file is
        // back under its old name.
        QVERIFY(renameRaw(r + "ke", other.raw() + "/ke") && renameRaw(r + "kf", r + "f") &&
                makeTree(top.raw(), {"ke=new", "kf=new"}));
        QVERIFY(renameRaw(r + "s", r + "s.moved"));
        // The old name a taken; the folder s is now a link to another, with a kx of its own.
        QVERIFY(makeTree(top.raw(), {"a=taken", "s->" + other.raw()}));
        QVERIFY(makeTree(other.raw(), {"kx=other"}));

        const UndoOutcome outcome = undo(journals.path());
        const QString text = undoSummary(outcome);
        QVERIFY2(text.startsWith(u"Undid 1 rename.\r\r4 files could not be restored:\r"_s),
                 qPrintable(text));
        for (const QString& line : {u"/ka: its old name a is taken"_s, u"/kb: the file is gone"_s,
                                    u"/ke: another file has this name now"_s,
                                    u"/s/kx: its folder is gone or is another folder now"_s})
            QVERIFY2(text.contains(line), qPrintable(line));
        QCOMPARE(layout(other.raw()), QStringList({u"kb=b"_s, u"ke=e"_s, u"kx=other"_s}));
        QCOMPARE(layout(r), QStringList({u"a=taken"_s, u"c=c"_s, u"d=d"_s, u"f=f"_s, u"ka=a"_s,
                                         u"ke=new"_s, u"kf=new"_s, u"s.moved/"_s,
                                         u"s.moved/kx=s/x"_s, u"s=->"_s + other.path()}));
        QCOMPARE(undoAvailability(journals.path(), {}).count, 0); // reported once, then settled
    }

    // A long run's journal lets go of its written pages as it goes; every record and every
    // outcome stored around that (failures every seventh file) is in the file at the end.
    void longJournal() {
        ScratchFolder journals;
        RunJournal journal(journals.path());
        journal.beginRun();
        const QString folder = u"/nowhere/"_s;
        constexpr int Count = 60000; // well over a megabyte of records
        for (int i = 0; i < Count; ++i) {
            const QString name = QString::number(i);
            journal.aboutToRename({1, 2}, folder, name, u'k' + name);
            if (i % 7 == 0)
                journal.failed(folder, name, u'k' + name, 5);
            else
                journal.renamed(folder, name, u'k' + name, 0);
        }
        journal.endRun();
        QString why;
        const std::unique_ptr<JournalFile> file = JournalFile::openNewest(journals.path(), why);
        QVERIFY2(file, qPrintable(why));
        const QList<JournalRecord>& records = file->records();
        QCOMPARE(records.size(), Count);
        for (int i = 0; i < Count; ++i) {
            const JournalRecord& r = records.at(i);
            QCOMPARE(r.newName, QByteArray('k' + QByteArray::number(i)));
            QCOMPARE(r.status, i % 7 == 0 ? JournalRecord::Failed : JournalRecord::Renamed);
        }
    }

    // One damaged record among good ones refuses the whole journal: the renames after it would
    // otherwise be left out without a word.
    void damagedRecord() {
        ScratchFolder journals;
        RunJournal journal(journals.path());
        journal.beginRun();
        for (const QString& name : {u"a"_s, u"b"_s, u"c"_s, u"d"_s}) {
            journal.aboutToRename({1, 2}, u"/nowhere/"_s, name, u'k' + name);
            journal.renamed(u"/nowhere/"_s, name, u'k' + name, 0);
        }
        journal.endRun();
        QFile file(journals.path() % u'/' % QDir(journals.path()).entryList(QDir::Files).first());
        QVERIFY(file.open(QIODevice::ReadWrite));
        const qsizetype at = file.readAll().indexOf("bkb");
        QVERIFY(at > 0 && file.seek(at + 2) && file.write("x") == 1);
        file.close();
        QVERIFY(undo(journals.path()).why.contains(u"is damaged"_s));
    }

    // A journal written before the renamed files' numbers were kept still undoes.
    void unnumberedJournal() {
        ScratchFolder top, journals;
        QVERIFY(makeTree(top.raw(), {"a"}));
        journaledRun(journals.path(), {.top = top.path(), .options = {prependOptions(u"k"_s)}});
        QFile file(journals.path() % u'/' % QDir(journals.path()).entryList(QDir::Files).first());
        QVERIFY(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        // Header, the folder's record, then the rename's: made an old one by dropping the number.
        const qsizetype at = 16 + 12 + ((16 + top.raw().size() + 1 + 3) & ~3);
        const quint32 payload = qFromUnaligned<quint32>(bytes.constData() + at + 4) - 8;
        QCOMPARE(std::exchange(bytes[at], 'R'), 'N');
        qToUnaligned(payload, bytes.data() + at + 4);
        bytes.remove(at + 12 + payload, 8);
        QVERIFY(file.resize(0) && file.write(bytes) == bytes.size());
        file.close();
        QCOMPARE(undoSummary(undo(journals.path())), u"Undid 1 rename."_s);
    }

    // The Undo item's reading on its own thread. Two readings asked for at once: the second is
    // made after the first and both are shown, in order, unless a run or an undo held the
    // reader, or it went, while it read.
    void reader_data() {
        QTest::addColumn<int>("then"); // 0: nothing, 1: hold(), 2: the reader goes
        QTest::addColumn<QList<qint64>>("shown");
        QTest::newRow("both shown") << 0 << QList<qint64>{2, 0};
        QTest::newRow("held") << 1 << QList<qint64>{};
        QTest::newRow("gone while reading") << 2 << QList<qint64>{};
    }
    void reader() {
        QFETCH(int, then);
        QFETCH(QList<qint64>, shown);
        ScratchFolder top, journals;
        QVERIFY(makeTree(top.raw(), {"a", "b"}));
        journaledRun(journals.path(), {.top = top.path(), .options = {prependOptions(u"k"_s)}});
        QList<qint64> counts; // the second reading is told the run's journal failed: none
        auto reader = std::make_unique<UndoReader>([&](auto& a) { counts.append(a.count); });
        reader->read(journals.path(), {});
        reader->read(journals.path(), u"full disk"_s);
        if (then == 1)
            reader->hold();
        else if (then == 2)
            reader.reset();
        QTRY_VERIFY(!reader || (!reader->reading() && counts.size() == shown.size()));
        QCoreApplication::processEvents(); // a dropped answer would come now
        QCOMPARE(counts, shown);
    }

    // Undo takes back the run its item named: a newer run, from another window, is left alone.
    void newerRunMeanwhile() {
        ScratchFolder top, journals;
        QVERIFY(makeTree(top.raw(), {"a", "b"}));
        const RunSetup setup{.top = top.path(), .options = {prependOptions(u"k"_s)}};
        journaledRun(journals.path(), setup);
        const QString counted = undoAvailability(journals.path(), {}).journal;
        journaledRun(journals.path(), setup);
        QVERIFY(undo(journals.path(), counted).why.contains(u"another"_s));
        QCOMPARE(layout(top.raw()), (QStringList{u"kka=a"_s, u"kkb=b"_s}));
    }

    // A run's journal made after the clock was set back still sorts as the newest, and the
    // oldest journals go so that ten stay, this run's among them.
    void clockSetBack() {
        ScratchFolder journals;
        QByteArrayList older{"run-5000000000000000-1.journal=later"};
        for (int i = 0; i < 10; ++i)
            older << "run-000000000000000" + QByteArray::number(i) + "-1.journal=old";
        QVERIFY(makeTree(journals.raw(), older));
        RunJournal journal(journals.path());
        journal.beginRun();
        journal.aboutToRename({1, 2}, u"/nowhere/"_s, u"a"_s, u"ka"_s);
        journal.renamed(u"/nowhere/"_s, u"a"_s, u"ka"_s, 0);
        journal.endRun();
        QString why;
        const std::unique_ptr<JournalFile> file = JournalFile::openNewest(journals.path(), why);
        QVERIFY2(file && file->records().size() == 1, qPrintable(why));
        QCOMPARE(QDir(journals.path()).entryList(QDir::Files).size(), KeptJournals);
    }

    // A damaged journal or one that is no file of the user's is refused with a reason.
    void unusableJournal_data() {
        QTest::addColumn<QByteArray>("journal"); // as makeTree makes it
        QTest::addColumn<QString>("reason");
        QTest::newRow("damaged") << QByteArray("run-9999999999999999-1.journal=VARNEXJ2 nonsense")
                                 << u"is damaged"_s;
        QTest::newRow("link") << QByteArray("run-9999999999999999-1.journal->/etc/passwd")
                              << u"not a file of yours"_s;
    }
    void unusableJournal() {
        QFETCH(QByteArray, journal);
        QFETCH(QString, reason);
        ScratchFolder journals;
        QVERIFY(makeTree(journals.raw(), {journal}));
        QVERIFY(undo(journals.path()).why.contains(reason));
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
