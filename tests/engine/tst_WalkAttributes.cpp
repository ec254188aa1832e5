#include "tests/support/TestSupport.h"

#include <QTest>

using namespace varnex;
using namespace Qt::StringLiterals;

class TestWalkAttributes : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The file pass decides on the attributes a file has when the pass reaches it (changed
    // here while the listing lets events run), not on what the listing said. A listed folder
    // is never asked about: it is a sub-folder, counted once.
    void attributesReadWhenReached() {
        const struct {
            const char* row;
            quint32 listed; // what the file had when the folder was listed
            quint32 now;    // what it has when the file pass reaches it
            RunCounters expected;
        } rows[] = {
            {"unchanged", 0, 0, {1, 1, 0, 0, 0, 0}},
            {"made read only", 0, attr::ReadOnly, {1, 0, 0, 1, 0, 0}},
            {"no longer read only", attr::ReadOnly, 0, {1, 1, 0, 0, 0, 0}},
            {"hidden and system now", 0, attr::Hidden | attr::System, {1, 0, 0, 0, 1, 1}},
            {"replaced by a folder", 0, attr::Folder, {0, 0, 0, 0, 0, 0}},
            {"query fails", 0, attr::Invalid, {0, 0, 0, 0, 0, 0}},
        };
        for (const auto& r : rows) {
            FakeFileSystem fs;
            fs.addFile(u"/T/f"_s, {}, r.listed);
            fs.addFolder(u"/T/sub"_s);
            fs.pauseListings = true;
            EngineRig rig(fs, prependOptions(u"z"_s));
            rig.pump.onProcessEvents = [&] {
                fs.setAttributes(u"/T/f"_s, r.now);
            };
            int dirCount = 0;
            rig.engine.FindFilesAPI(u"/T"_s, u"*.*"_s, dirCount);

            const RunCounters& c = rig.engine.counters;
            const RunCounters& e = r.expected;
            QVERIFY2(fs.exists(u"/T/zf"_s) == (e.FilesRenamed == 1), r.row);
            QVERIFY2(c.FilesProcessed == e.FilesProcessed && c.FilesRenamed == e.FilesRenamed &&
                         c.ReadOnlySkipped == e.ReadOnlySkipped &&
                         c.HiddenSkipped == e.HiddenSkipped && c.SystemSkipped == e.SystemSkipped,
                     r.row);
            QStringList queried;
            for (const FsCall& call : fs.calls) {
                if (call.op == FsCall::Op::Attributes)
                    queried.append(call.name);
            }
            QVERIFY2(queried == QStringList{u"f"_s}, r.row);
            QVERIFY2(dirCount == 1, r.row);
        }
    }

    // A retried rename reads the file's attributes again first: the question may have stayed
    // open while the file changed, and the rename relies on the last reading.
    void retryReadsAttributesAgain() {
        const struct {
            int failures;
            QList<Button> answers;
            QStringList queried;
            bool renamed;
        } rows[] = {
            {0, {}, {u"f"_s}, true},
            {1, {Button::Retry}, {u"f"_s, u"f"_s}, true},
            {2, {Button::Retry, Button::Retry}, {u"f"_s, u"f"_s, u"f"_s}, true},
            {1, {Button::Ignore}, {u"f"_s}, false},
        };
        for (const auto& r : rows) {
            FakeFileSystem fs;
            fs.addFile(u"/T/f"_s);
            fs.failNextRenames(u"f"_s, r.failures, fserr::PathFileAccess);
            EngineRig rig(fs, prependOptions(u"z"_s));
            for (const Button answer : r.answers)
                rig.box.enqueue({answer});
            int dirCount = 0;
            rig.engine.FindFilesAPI(u"/T"_s, u"*.*"_s, dirCount);
            QStringList queried;
            for (const FsCall& call : fs.calls) {
                if (call.op == FsCall::Op::Attributes)
                    queried.append(call.name);
            }
            QCOMPARE(queried, r.queried);
            QCOMPARE(fs.exists(u"/T/zf"_s), r.renamed);
        }
    }

    // The walk lets the window's events run while a folder is listed; a stop asked for then
    // ends the walk before any file of that folder.
    void stopDuringListing() {
        for (const bool stop : {false, true}) {
            FakeFileSystem fs;
            fs.addFile(u"/T/a"_s);
            fs.addFile(u"/T/b"_s);
            fs.pauseListings = true;
            EngineRig rig(fs, prependOptions(u"z"_s));
            rig.pump.onProcessEvents = [&] {
                rig.engine.StopRun = stop;
            };
            int dirCount = 0;
            rig.engine.FindFilesAPI(u"/T"_s, u"*.*"_s, dirCount);
            QVERIFY(rig.pump.calls >= 1);
            QCOMPARE(rig.engine.counters.FilesProcessed, stop ? 0 : 2);
            QCOMPARE(fs.exists(u"/T/za"_s), !stop);
        }
    }
};

QTEST_GUILESS_MAIN(TestWalkAttributes)
#include "tst_WalkAttributes.moc"
