// The selection: the file list and its Close, drops and duplicates; the Open command; the
// folder preview.

#include "platform/PosixFileSystem.h"
#include "reliability/Reliability.h"
#include "selection/FileList.h"
#include "selection/FolderChoice.h"
#include "selection/FolderPreview.h"
#include "selection/IdHashIndex.h"
#include "selection/OpenCommand.h"
#include "support/MemorySettingsStore.h"
#include "support/ScriptedDialogs.h"
#include "support/TestSupport.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <set>
#include <sys/stat.h>
#include <utility>

using namespace varnex;
using namespace Qt::StringLiterals;

namespace {

enum class DuringClose { Nothing, RemoveUnselectedBelow, Deselect, CloseAgain };

struct Fixture {
    FakeFileSystem fs;
    CountingEventPump events;
    FileList list{fs, events};
    ScriptedOpenDialog dialog;
    MemorySettingsStore settings;
    ScriptedMessageBox messages;
    OpenCommand command{list, dialog, settings, messages, events};
};

} // namespace

class TestSelection : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The current entry is the last selected one (or the second).
    void close_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<DuringClose>("action"); // at the first yield, as a user might
        QTest::addColumn<QString>("remaining");

        using enum DuringClose;
        const QList<int> odd{1, 3, 5, 7, 9};
        QTest::newRow("three of five") << 5 << QList<int>{0, 2, 3} << Nothing << u"1 4"_s;
        QTest::newRow("none selected") << 5 << QList<int>{} << Nothing << u"0 1 2 3 4"_s;
        QTest::newRow("unselected entry below removed meanwhile")
            << 10 << odd << RemoveUnselectedBelow << u"2 4 6 8"_s;
        QTest::newRow("selection cleared meanwhile")
            << 10 << odd << Deselect << u"0 1 2 3 4 5 6 7 8"_s;
        QTest::newRow("Close pressed again meanwhile") << 10 << odd << CloseAgain << u"0 2 4 6 8"_s;
        // Every other row: more ranges than the model removes one by one and than Close has
        // steps.
        QList<int> many;
        QString even;
        for (int i = 1; i < 2000; i += 2) {
            many.append(i);
            even += QString::number(i - 1) + u' ';
        }
        QTest::newRow("scattered") << 2000 << many << Nothing << even;
    }
    void close() {
        QFETCH(int, count);
        QFETCH(QList<int>, selected);
        QFETCH(DuringClose, action);
        QFETCH(QString, remaining);

        Fixture f;
        FileListModel& model = f.list.model();
        // The model keeps to the rules every view relies on through all the removals below.
        const QAbstractItemModelTester rules(&model);
        // Whatever Close removes must be selected at that moment. Connected before the
        // selection model exists, so that it runs before the selection model forgets the rows.
        bool userRemoves = false;
        QItemSelectionModel* selection = nullptr;
        QObject::connect(&model, &QAbstractItemModel::rowsAboutToBeRemoved, &model,
                         [&](const QModelIndex&, int first, int last) {
                             for (int row = first; row <= last && !userRemoves; ++row)
                                 QVERIFY(selection->isRowSelected(row, {}));
                         });
        for (int i = 0; i < count; ++i)
            model.append(QString::number(i));
        selection = new QItemSelectionModel(&model, &model);
        selection->setCurrentIndex(model.index(selected.value(selected.size() - 1, 1)),
                                   QItemSelectionModel::NoUpdate);
        for (int row : selected)
            selection->select(model.index(row), QItemSelectionModel::Select);
        f.events.onProcessEvents = [&] {
            if (f.events.calls != 1)
                return;
            userRemoves = action == DuringClose::RemoveUnselectedBelow;
            if (action == DuringClose::RemoveUnselectedBelow)
                model.removeAt(0);
            else if (action == DuringClose::Deselect)
                selection->clearSelection();
            else if (action == DuringClose::CloseAgain)
                f.list.cmdClose(*selection);
            userRemoves = false;
        };
        f.list.cmdClose(*selection);

        QCOMPARE(rowTexts(model), words(remaining));
        for (int i = 0; i < count; ++i) // the duplicate index follows every removal
            QCOMPARE(model.containsIgnoringCase(QString::number(i)),
                     words(remaining).contains(QString::number(i)));
        QCOMPARE(selection->selectedIndexes(), QModelIndexList{}); // no survivor looks selected
        const bool removedAny = model.count() < count;
        QCOMPARE(f.events.calls > 0, removedAny);
        QVERIFY(f.events.calls <= FileList::MaxCloseSteps);
        if (removedAny && model.count() > 0)
            QVERIFY(selection->currentIndex().isValid()); // Close can be pressed again
    }

    // Against the real file system: only plain files (or links to them) that are neither hidden
    // nor special get in, in the order dropped; remote URLs and plain text add nothing.
    void drops() {
        ScratchFolder dir;
        QVERIFY(makeTree(dir.raw(), {"b.txt", "a.txt", ".hidden", "locked.txt~", "folder/", "fifo|",
                                     "link->a.txt", "to folder->folder", "to nothing->missing",
                                     "to fifo->fifo", ".hidden link->a.txt"}));
        const auto path = [&](const char* name) -> QString {
            return dir.path() + u'/' + QLatin1String(name);
        };
        PosixFileSystem fs;
        CountingEventPump events;
        FileList list(fs, events);
        QList<QUrl> urls{QUrl(u"https://example.com/c.txt"_s)};
        for (const char* name :
             {"b.txt", "folder", ".hidden", "fifo", "missing", "locked.txt", "to folder",
              "to nothing", "to fifo", ".hidden link", "link", "a.txt", "b.txt"})
            urls.append(QUrl::fromLocalFile(path(name)));
        QMimeData files;
        files.setUrls(urls);
        QMimeData text;
        text.setText(urls.last().toString());

        QVERIFY(!FileList::carriesLocalFiles(&text));
        QCOMPARE(list.addDroppedFiles(&text), 0);
        QVERIFY(FileList::carriesLocalFiles(&files));
        QCOMPARE(list.addDroppedFiles(&files), 4);
        QCOMPARE(rowTexts(list.model()),
                 (QStringList{path("b.txt"), path("locked.txt"), path("link"), path("a.txt")}));
        list.ListWasEmpty = true; // as an Open into an empty list leaves it: drops still test
        QCOMPARE(list.addDroppedFiles(&files), 0);
    }
    // The chosen files join the list and their folder is stored for the next Open; a dialog
    // that is not confirmed leaves the list, the settings and ListWasEmpty as they were, and a
    // failure shows its message.
    void open_data() {
        QTest::addColumn<OpenFileDialog::Status>("status");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("text"); // empty: no message
        using enum OpenFileDialog::Status;
        // Into an empty list nothing is tested, not even names equal but for case.
        QTest::newRow("several into an empty list")
            << Accepted << QString() << u"/d/b /d/a /d/B"_s << QString();
        QTest::newRow("one already listed in another case")
            << Accepted << u"/D/A"_s << u"/D/A /d/b"_s << QString();
        QTest::newRow("cancel") << Cancelled << u"/d/a"_s << u"/d/a"_s << QString();
        QTest::newRow("too many files")
            << ResultTooLarge << u"/d/a"_s << u"/d/a"_s
            << u"Windows cannot open this many files at once. Try opening fewer files.\r\r"
               u"Error number:  20476\rError generated by: Dlg\rError description: Big"_s;
        QTest::newRow("failed") << Failed << u"/d/a"_s << u"/d/a"_s
                                << u"The following error occured:\r\rError number:  20476\r"
                                   u"Error generated by: Dlg\rError description: Big"_s;
    }
    void open() {
        QFETCH(OpenFileDialog::Status, status);
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(QString, text);
        const bool confirmed = status == OpenFileDialog::Status::Accepted;
        const QString stored = confirmed ? u"/start/"_s : QString(); // the folder of the last Open
        const QStringList chosen = words(u"/d/b /d/a /d/B"_s);
        Fixture f;
        for (const QString& entry : words(before))
            f.list.model().append(entry);
        f.list.ListWasEmpty = !before.isEmpty();
        if (!stored.isEmpty())
            f.settings.setStored(u"Path"_s, stored);
        // A filter out of range gives way to the default, the second.
        f.settings.setStored(u"OpenFilterIndex"_s, stored.isEmpty() ? u"4"_s : u"1.0"_s);
        // The last filter, HTML Files, is chosen.
        f.dialog.answers = {{status, chosen, 3, 20476, u"Dlg"_s, u"Big"_s}};
        if (!text.isEmpty())
            f.messages.enqueue({Button::Ok});
        f.command.cmdOpen_Click();

        QCOMPARE(f.dialog.requests.first().initialFolder,
                 stored.isEmpty() ? programFolder() : stored);
        QCOMPARE(f.dialog.requests.first().filterIndex, stored.isEmpty() ? 2 : 1);
        QCOMPARE(rowTexts(f.list.model()), words(after));
        QCOMPARE(f.list.ListWasEmpty, confirmed == before.isEmpty());
        QCOMPARE(f.settings.stored(u"Path"_s), confirmed ? std::optional(u"/d/"_s) : std::nullopt);
        QCOMPARE(f.settings.stored(u"OpenFilterIndex"_s), confirmed ? u"3"_s : u"4"_s);
        QCOMPARE(f.events.calls, confirmed ? chosen.size() - 1 : 0); // between names only
        QCOMPARE(f.messages.messages.size(), text.isEmpty() ? 0 : 1);
        for (const Message& message : std::as_const(f.messages.messages))
            QCOMPARE(message.text, text);
    }

    // Rewritten entries reach the views together once events run, as one range, and a removal
    // meanwhile announces them first so that the range names the rows that changed.
    void rewritesReachViews() {
        for (const bool removeFirst : {false, true}) {
            FileListModel model;
            for (const char* path : {"/a/1", "/a/2", "/a/3", "/a/4"})
                model.append(QString::fromLatin1(path));
            QList<std::pair<QString, QString>> seen;
            connect(&model, &QAbstractItemModel::dataChanged, &model,
                    [&](const QModelIndex& first, const QModelIndex& last) {
                        seen.append({first.data().toString(), last.data().toString()});
                    });
            model.setEntryText(model.idAt(1), u"/a/x2"_s);
            model.setEntryText(model.idAt(2), u"/a/x3"_s);
            if (removeFirst)
                model.removeAt(0);
            QTest::qWait(1);
            QCOMPARE(seen, (QList<std::pair<QString, QString>>{{u"/a/x2"_s, u"/a/x3"_s}}));
            QVERIFY(model.containsIgnoringCase(u"/A/X3"_s)); // duplicates are told by the new text
        }
    }

    // The flat duplicate index against a plain multiset, through many adds and removals (so
    // through growth and the reuse of removed slots), with hashes that collide on purpose.
    void idIndexAgreesWithMultiset() {
        IdHashIndex index;
        std::multiset<std::pair<std::size_t, quint64>> expected;
        QRandomGenerator random(7);
        for (int step = 0; step < 20000; ++step) {
            const std::size_t hash = random.bounded(64) * 1024; // few hashes, one probe start
            const quint64 id = 1 + random.bounded(300);
            if (random.bounded(3) == 0) {
                const auto it = expected.find({hash, id});
                index.remove(hash, id);
                if (it != expected.end())
                    expected.erase(it);
            } else {
                index.add(hash, id);
                expected.insert({hash, id});
            }
            const quint64 probe = 1 + random.bounded(300);
            QCOMPARE(index.anyOf(hash, [&](quint64 found) { return found == probe; }),
                     expected.count({hash, probe}) > 0);
        }
    }

    // The folder a Browse shows: trailing separators go, but the root stays "/".
    void chosenFolder_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("shown");
        QTest::newRow("root") << u"/"_s << u"/"_s;
        QTest::newRow("trailing separators") << u"/a/b//"_s << u"/a/b"_s;
        QTest::newRow("none") << u"/a"_s << u"/a"_s;
    }
    void chosenFolder() {
        QFETCH(QString, chosen);
        QTEST(chosenFolderText(chosen), "shown");
    }
    void showsFolder() {
        FakeFileSystem fs;
        for (const char* file : {"/data/b.txt", "/data/A.txt", "/data/a.txt", "/data/alpha/in"})
            fs.addFile(QLatin1String(file));
        fs.addFile(QStringLiteral("/data/.hidden"), {}, attr::Hidden);
        fs.addFolder(QStringLiteral("/data/Zeta"));
        fs.addFile(QStringLiteral("/locked/secret"));
        fs.setUnreadable(QStringLiteral("/locked"), true);

        FolderPreview preview(fs);
        const QAbstractItemModelTester rules(&preview.fileModel());
        QVERIFY(!preview.refresh()); // no folder yet
        QVERIFY(preview.setFolder(QStringLiteral("/data/")));
        QCOMPARE(rowTexts(preview.dirModel(), FolderTreeModel::PathRole),
                 words(u"/ /data /data/alpha /data/Zeta"_s));
        QCOMPARE(preview.dirModel().folderRow(), 1);
        QCOMPARE(rowTexts(preview.dirModel()),
                 (QStringList{u"/"_s, u"  data"_s, u"    alpha"_s, u"    Zeta"_s}));
        QCOMPARE(rowTexts(preview.fileModel()), words(u".hidden A.txt a.txt b.txt"_s));

        // What cannot be shown leaves the previous folder in place.
        for (const char* path : {"/nowhere", "/data/a.txt", "/locked", ""}) {
            QVERIFY(!preview.setFolder(QLatin1String(path)));
            QCOMPARE(preview.folder(), QStringLiteral("/data/"));
            QCOMPARE(preview.fileModel().rowCount(), 4);
        }
        fs.addFile(QStringLiteral("/data/c"));
        QVERIFY(preview.refresh());
        QCOMPARE(preview.fileModel().rowCount(), 5);

        QVERIFY(preview.setFolder(QStringLiteral("/")));
        QCOMPARE(rowTexts(preview.dirModel(), FolderTreeModel::PathRole),
                 words(u"/ /data /locked"_s));
    }

    // A folder read ahead on another thread (as the window does with the stored folder while it
    // is made) serves the first showing of that folder only: any other showing, and every later
    // one, reads the folder as it is then.
    void readAhead_data() {
        QTest::addColumn<QString>("ahead");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second"); // a folder, or "refresh"
        QTest::addColumn<QStringList>("shownFirst");
        QTest::addColumn<QStringList>("shownSecond");
        const QStringList a = words(u"a1 a2"_s), grown = words(u"a1 a2 a3"_s);
        QTest::newRow("taken by the first showing")
            << u"a"_s << u"a"_s << u"refresh"_s << a << grown;
        QTest::newRow("another folder first")
            << u"a"_s << u"b"_s << u"a"_s << words(u"b1"_s) << grown;
        QTest::newRow("shown twice") << u"a"_s << u"a"_s << u"a"_s << a << grown;
        QTest::newRow("no folder")
            << u"missing"_s << u"missing"_s << u"a"_s << QStringList() << grown;
    }
    void readAhead() {
        QFETCH(QString, ahead);
        QFETCH(QString, first);
        QFETCH(QString, second);
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const auto folder = [&](const QString& name) {
            return QString(tmp.path() + u'/' + name);
        };
        QVERIFY(makeTree(QFile::encodeName(tmp.path()), {"a/", "a/a1", "a/a2", "b/", "b/b1"}));
        PosixFileSystem fs;
        FolderPreview preview(fs);
        preview.readAhead(folder(ahead));
        QCOMPARE(preview.setFolder(folder(first)), first != u"missing");
        QTEST(rowTexts(preview.fileModel()), "shownFirst");
        // Long enough for a reading still under way to be over, so that a stale one shows.
        QThread::msleep(50);
        QVERIFY(makeTree(QFile::encodeName(folder(u"a"_s)), {"a3"}));
        QVERIFY(second == u"refresh" ? preview.refresh() : preview.setFolder(folder(second)));
        QTEST(rowTexts(preview.fileModel()), "shownSecond");
    }
};

QTEST_GUILESS_MAIN(TestSelection)
#include "tst_Selection.moc"
