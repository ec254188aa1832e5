// The preview against the run it predicts: for the random trees and choices of the property
// test, a preview over the dry-run file system and then the real run (both answering Ignore and
// Yes, as the preview assumes) must list the same files in the same order with the same
// outcome, new name and error number.

// The generator of the property test, without its test class.
#define VARNEX_PROPERTY_CASES_ONLY
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include "tst_RenameProperties.cpp"
#pragma GCC diagnostic pop

#include "engine/DryRunFileSystem.h"
#include "engine/PreviewComputer.h"

namespace {

QStringList rowsOf(FileSystem& fs, const PreviewRequest& request) {
    QStringList out;
    PreviewSummary summary;
    PreviewComputer(fs).compute(
        request, {},
        [&](QList<PreviewRow>&& rows) {
            for (const PreviewRow& r : rows)
                out.append(r.name + u" -> "_s + r.newName + u": "_s + previewResultText(r));
        },
        summary);
    out.append(previewSummaryText(summary));
    return out;
}

// A file whose attributes cannot be read, in a folder that cannot be listed, is one the preview
// cannot know: the in-memory file system still renames it, a real one would refuse. Such files
// get readable attributes.
void makeKnowable(Node& folder) {
    for (Node& n : folder.children) {
        if (n.folder)
            makeKnowable(n);
        else if ((!folder.listable || !folder.openable) && n.attributes == attr::Invalid)
            n.attributes = 0;
    }
}

} // namespace

class TestPreviewExact : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void inMemory() { previewEqualsRun(false); }
    void realFolders() { previewEqualsRun(true); }

private:
    void previewEqualsRun(bool real) {
        const quint32 seed = envNumber("VARNEX_PROPERTY_SEED", 20250101);
        const int cases = int(envNumber("VARNEX_PROPERTY_CASES", 1000)) / (real ? 10 : 2);
        for (int i = 0; i < qMax(1, cases); ++i) {
            const Case c = makeCase(seed + quint32(i), real);
            for (const bool listRun : {false, true}) {
                Case built = c;
                makeKnowable(built.root); // no such file on disk: real folders are all listable
                FakeFileSystem fake;
                PosixFileSystem posix;
                ScratchFolder scratch;
                const QString top = buildCase(built, fake, scratch);
                QVERIFY(!top.isEmpty());
                if (!real && c.seed % 2 == 0) // a folder that refuses every rename, each way
                    fake.refuseRenamesIn(top, {RenameRefusal::Step(1 + c.seed / 2 % 3),
                                               fsError(fserr::PermissionDenied)});
                FileSystem& fs = real ? static_cast<FileSystem&>(posix) : fake;
                PreviewRequest request{listRun ? SelectionMode::Files : SelectionMode::Folder,
                                       top,
                                       listRun ? built.fullEntries(top) : QStringList(),
                                       built.options,
                                       built.allowed,
                                       built.recurse,
                                       {}};
                // Files named again through a link to the top folder: still one file each.
                ScratchFolder linkHome;
                const bool relink = real && listRun;
                QVERIFY(!relink || QFile::link(top, linkHome.path() + u"/via"_s));
                for (qsizetype k = 0; relink && k < built.entries.size(); k += 3)
                    request.entries.append(linkHome.path() + u"/via/"_s + built.entries[k]);
                for (const QString& entry : request.entries) // as the list holds them
                    request.entryFolders.append(
                        fs.folderIdentity(entry.left(entry.lastIndexOf(u'/'))));
                // The in-memory file system holds any name that fits in 255 characters.
                DryRunFileSystem dry(fs, real ? DryRunFileSystem::NameRules{}
                                              : DryRunFileSystem::NameRules{0, false});
                const QStringList predicted = rowsOf(dry, request);
                dry.startRun(); // a second run starts afresh from the folders read once
                QCOMPARE(rowsOf(dry, request), predicted);
                if (relink) { // then the top folder chosen through the link, read already
                    PreviewRequest byLink = request;
                    byLink.mode = SelectionMode::Folder;
                    byLink.folder = linkHome.path() + u"/via/"_s;
                    DryRunFileSystem fresh(fs);
                    dry.startRun();
                    QCOMPARE(rowsOf(dry, byLink), rowsOf(fresh, byLink));
                }
                const QStringList happened = rowsOf(fs, request);
                if (happened != predicted)
                    qWarning("list run %d, seed %u", listRun, c.seed);
                QCOMPARE(happened, predicted);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestPreviewExact)
#include "tst_PreviewExact.moc"
