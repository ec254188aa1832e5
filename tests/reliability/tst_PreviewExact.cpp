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
    void previewEqualsRun_data() {
        QTest::addColumn<bool>("real");
        QTest::newRow("in memory") << false;
        QTest::newRow("real folders") << true;
    }
    void previewEqualsRun() {
        QFETCH(bool, real);
        const quint32 seed = envNumber("VARNEX_PROPERTY_SEED", 20250101);
        const int cases = int(envNumber("VARNEX_PROPERTY_CASES", 1000)) / (real ? 10 : 2);
        for (int i = 0; i < qMax(1, cases); ++i) {
            const Case c = makeCase(seed + quint32(i), real);
            for (const bool listRun : {false, true}) {
                Case built = c;
                QString top = u"/t/"_s;
                FakeFileSystem fake;
                PosixFileSystem posix;
                ScratchFolder scratch;
                if (real) {
                    QVERIFY(buildReal(built.root, scratch.raw() + '/'));
                    top = scratch.path() + u'/';
                } else {
                    makeKnowable(built.root);
                    buildFake(fake, built.root, top);
                }
                FileSystem& fs = real ? static_cast<FileSystem&>(posix) : fake;
                const PreviewRequest request{listRun ? SelectionMode::Files : SelectionMode::Folder,
                                             top,
                                             listRun ? built.fullEntries(top) : QStringList(),
                                             built.options,
                                             built.allowed,
                                             built.recurse};
                // The in-memory file system holds any name that fits in 255 characters.
                DryRunFileSystem dry(fs, real ? DryRunFileSystem::NameRules{}
                                              : DryRunFileSystem::NameRules{0, false});
                const QStringList predicted = rowsOf(dry, request);
                dry.startRun(); // a second run starts afresh from the folders read once
                QCOMPARE(rowsOf(dry, request), predicted);
                const QStringList happened = rowsOf(fs, request);
                if (predicted != happened) {
                    qsizetype at = 0;
                    while (at < predicted.size() && at < happened.size() &&
                           predicted[at] == happened[at])
                        ++at;
                    QFAIL(qPrintable(u"%1 run, seed %2: row %3 predicted [%4], happened [%5]"_s
                                         .arg(listRun ? u"list"_s : u"folder"_s)
                                         .arg(c.seed)
                                         .arg(at)
                                         .arg(predicted.value(at), happened.value(at))));
                }
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestPreviewExact)
#include "tst_PreviewExact.moc"
