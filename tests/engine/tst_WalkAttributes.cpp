#include "tests/support/TestSupport.h"

#include <QHash>
#include <QTest>

using namespace varnex;
using namespace Qt::StringLiterals;

namespace {

// A file system whose listings tell each entry's kind only, and whose attribute queries answer
// from a table of the attributes the files have "now", after the listing was read, as another
// program might have changed them meanwhile.
class KindsOnlyFileSystem : public FileSystem {
public:
    explicit KindsOnlyFileSystem(FakeFileSystem& inner) : inner_(inner) {}

    QHash<QString, quint32> now;    // by name; names not listed keep their listed attributes
    QStringList queried;            // every name asked about, in order
    std::function<void()> onPause;  // runs in place of the caller's pause, which it may call
    ListingPause lastPause;

    std::unique_ptr<Folder> openFolder(const QString& path) override {
        return wrap(inner_.openFolder(path));
    }
    FsError renameInFolder(const QString& folderPath, const QString& oldName,
                           const QString& newName) override {
        return inner_.renameInFolder(folderPath, oldName, newName);
    }
    quint32 attributes(const QString& path) override { return inner_.attributes(path); }
    bool isPlainFile(const QString& path) override { return inner_.isPlainFile(path); }

private:
    class KindsFolder : public Folder {
    public:
        KindsFolder(KindsOnlyFileSystem& fs, std::unique_ptr<Folder> inner)
            : fs_(fs), inner_(std::move(inner)) {}
        QString path() const override { return inner_->path(); }
        std::optional<QList<FolderEntry>> entries() override { return inner_->entries(); }
        std::optional<QList<FolderEntry>> entryKinds(const ListingPause& pause) override {
            std::optional<QList<FolderEntry>> listed = inner_->entries();
            fs_.lastPause = pause;
            if (fs_.onPause)
                fs_.onPause();
            if (listed) {
                for (FolderEntry& entry : *listed) {
                    if (entry.attributes != attr::Invalid)
                        entry.attributes &= attr::Folder;
                }
            }
            return listed;
        }
        quint32 entryAttributes(const QString& name, quint32 listed) override {
            fs_.queried.append(name);
            return fs_.now.value(name, inner_->entryAttributes(name, listed));
        }
        std::unique_ptr<Folder> openSubFolder(const QString& name) override {
            return fs_.wrap(inner_->openSubFolder(name));
        }
        FsError rename(const QString& oldName, const QString& newName) override {
            return inner_->rename(oldName, newName);
        }

    private:
        KindsOnlyFileSystem& fs_;
        std::unique_ptr<Folder> inner_;
    };

    std::unique_ptr<Folder> wrap(std::unique_ptr<Folder> folder) {
        return folder ? std::make_unique<KindsFolder>(*this, std::move(folder)) : nullptr;
    }

    FakeFileSystem& inner_;
};

} // namespace

class TestWalkAttributes : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The file pass decides on the attributes a file has when the pass reaches it, not on what
    // the listing said.
    void attributesReadWhenReached() {
        const struct {
            const char* row;
            quint32 listed; // what the file had when the folder was listed
            quint32 now;    // what it has when the file pass reaches it
            bool renamed;
            RunCounters expected;
        } rows[] = {
            {"unchanged", 0, 0, true, {1, 1, 0, 0, 0, 0}},
            {"made read only", 0, attr::ReadOnly, false, {1, 0, 0, 1, 0, 0}},
            {"no longer read only", attr::ReadOnly, 0, true, {1, 1, 0, 0, 0, 0}},
            {"hidden and system now", 0, attr::Hidden | attr::System, false, {1, 0, 0, 0, 1, 1}},
            {"replaced by a folder", 0, attr::Folder, false, {0, 0, 0, 0, 0, 0}},
            {"query fails", 0, attr::Invalid, false, {0, 0, 0, 0, 0, 0}},
        };
        for (const auto& r : rows) {
            FakeFileSystem fake;
            fake.addFile(u"/T/f"_s, {}, r.listed);
            fake.addFolder(u"/T/sub"_s);
            KindsOnlyFileSystem fs(fake);
            fs.now.insert(u"f"_s, r.now);
            EngineRig rig(fs);
            rig.choices.options = prependOptions(u"z"_s);
            rig.engine.startRun();
            int dirCount = 0;
            rig.engine.FindFilesAPI(u"/T"_s, u"*.*"_s, dirCount);

            QVERIFY2(fake.exists(u"/T/zf"_s) == r.renamed, r.row);
            const RunCounters& c = rig.engine.counters;
            QVERIFY2(c.FilesProcessed == r.expected.FilesProcessed, r.row);
            QVERIFY2(c.FilesRenamed == r.expected.FilesRenamed, r.row);
            QVERIFY2(c.ReadOnlySkipped == r.expected.ReadOnlySkipped, r.row);
            QVERIFY2(c.HiddenSkipped == r.expected.HiddenSkipped, r.row);
            QVERIFY2(c.SystemSkipped == r.expected.SystemSkipped, r.row);
            // A listed folder is never asked about: it is a sub-folder, counted once.
            QVERIFY2(fs.queried == QStringList{u"f"_s}, r.row);
            QVERIFY2(dirCount == 1, r.row);
        }
    }

    // The walk lets the window's events run while a folder is listed; a stop asked for then
    // ends the walk before any file of that folder.
    void eventsDuringListing() {
        for (const bool stop : {false, true}) {
            FakeFileSystem fake;
            fake.addFile(u"/T/a"_s);
            fake.addFile(u"/T/b"_s);
            KindsOnlyFileSystem fs(fake);
            EngineRig rig(fs);
            rig.choices.options = prependOptions(u"z"_s);
            rig.pump.onProcessEvents = [&] {
                if (stop)
                    rig.engine.StopRun = true;
            };
            fs.onPause = [&] {
                QVERIFY(fs.lastPause);
                fs.lastPause();
            };
            rig.engine.startRun();
            int dirCount = 0;
            rig.engine.FindFilesAPI(u"/T"_s, u"*.*"_s, dirCount);
            QVERIFY(rig.pump.calls >= 1);
            QCOMPARE(rig.engine.counters.FilesProcessed, stop ? 0 : 2);
            QCOMPARE(fake.exists(u"/T/za"_s), !stop);
        }
    }
};

QTEST_GUILESS_MAIN(TestWalkAttributes)
#include "tst_WalkAttributes.moc"
