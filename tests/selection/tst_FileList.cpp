#include "platform/PosixFileSystem.h"
#include "selection/FileList.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace varnex;
using namespace Qt::StringLiterals;

namespace {

// "0 2 /x" -> {"/d/f0", "/d/f2", "/x"}
QStringList entries(const QString& text) {
    QStringList result;
    for (const QString& part : text.split(u' ', Qt::SkipEmptyParts))
        result.append(part.startsWith(u'/') ? part : u"/d/f"_s + part);
    return result;
}

QStringList texts(const FileListModel& model) {
    QStringList result;
    for (int row = 0; row < model.count(); ++row)
        result.append(model.entryAt(row));
    return result;
}

enum class DuringClose { Nothing, RemoveUnselectedBelow, CloseAll, Deselect, CloseAgain };

} // namespace

class TestFileList : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void duplicateRule_data() {
        QTest::addColumn<bool>("listWasEmpty");
        QTest::addColumn<bool>("viaDrop");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("duplicate");

        // The list holds "/data/Report.TXT" and "/d/été".
        QTest::newRow("case only") << false << false << u"/DATA/report.txt"_s << true;
        QTest::newRow("after an Open into an empty list")
            << true << false << u"/DATA/report.txt"_s << true;
        QTest::newRow("a drop always tests") << true << true << u"/DATA/report.txt"_s << true;
        QTest::newRow("doubled separator") << false << true << u"/data//Report.TXT"_s << false;
        QTest::newRow("beyond ASCII") << false << false << u"/D/ÉTÉ"_s << true;
    }
    void duplicateRule() {
        QFETCH(bool, listWasEmpty);
        QFETCH(bool, viaDrop);
        QFETCH(QString, path);
        QFETCH(bool, duplicate);

        FakeFileSystem fs;
        CountingEventPump events;
        FileList list(fs, events);
        const QStringList before{u"/data/Report.TXT"_s, u"/d/été"_s};
        for (const QString& entry : before)
            list.model().append(entry);
        fs.addFile(path);
        list.ListWasEmpty = listWasEmpty;

        QCOMPARE(list.CheckForListDuplicate(path), duplicate ? FileList::DuplicateFound : 0);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        viaDrop ? void(list.addDroppedFiles(&data)) : list.AddListItem(path);
        const bool added = !duplicate || (listWasEmpty && !viaDrop);
        QCOMPARE(texts(list.model()), added ? before + QStringList{path} : before);
        QCOMPARE(list.ListWasEmpty, listWasEmpty);
    }

    // Random appends, removals (a few rows, or a third of them in many ranges), overwrites and
    // clears, with look-ups after some of them, checked against a plain walk of the entries.
    void indexFollowsEveryChange() {
        const QStringList forms = entries(u"/a/x /A/X /a/y /a/Y /b/z"_s);
        QRandomGenerator random(20240611);
        const auto anyForm = [&] {
            return forms.at(random.bounded(int(forms.size())));
        };
        FileListModel model;
        QList<FileListAccess::EntryId> removed;
        for (int step = 0; step < 6000; ++step) {
            const int n = model.count();
            const int action = n == 0 ? 0 : random.bounded(10);
            QList<int> rows;
            if (action < 5)
                model.append(anyForm());
            for (int row = 0; row < n && (action == 5 || action == 6); ++row) {
                if (random.bounded(action == 5 ? n : 3) == 0)
                    rows.append(row);
            }
            if (action == 7 || action == 8)
                model.setEntryText(model.idAt(random.bounded(n)), anyForm());
            if (action == 9 && random.bounded(20) == 0) {
                removed.append(model.entryIds());
                model.clear();
            }
            for (int row : rows)
                removed.append(model.idAt(row));
            model.removeRows(rows);
            if (random.bounded(3) != 0) // several changes between look-ups, too
                continue;
            const QStringList current = texts(model);
            for (const QString& form : forms) {
                QCOMPARE(model.containsIgnoringCase(form),
                         current.contains(form, Qt::CaseInsensitive));
            }
            const QList<FileListAccess::EntryId> ids = model.entryIds();
            for (int row = 0; row < ids.size(); ++row)
                QCOMPARE(model.entryText(ids.at(row)), std::optional<QString>(current.at(row)));
            if (!removed.isEmpty())
                QCOMPARE(model.rowOf(removed.at(random.bounded(int(removed.size())))), -1);
        }
    }

    void close_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<int>("current");
        QTest::addColumn<DuringClose>("action"); // at the first yield, as a user might
        QTest::addColumn<QString>("remaining");

        using enum DuringClose;
        const QList<int> odd{1, 3, 5, 7, 9};
        QTest::newRow("three of five") << 5 << QList<int>{0, 2, 3} << 2 << Nothing << u"1 4"_s;
        QTest::newRow("none selected") << 5 << QList<int>{} << 1 << Nothing << u"0 1 2 3 4"_s;
        QTest::newRow("no current entry") << 3 << QList<int>{1} << -1 << Nothing << u"0 1 2"_s;
        QTest::newRow("unselected entry below removed meanwhile")
            << 10 << odd << 9 << RemoveUnselectedBelow << u"2 4 6 8"_s;
        QTest::newRow("list emptied meanwhile") << 10 << odd << 9 << CloseAll << QString();
        QTest::newRow("selection cleared meanwhile")
            << 10 << odd << 9 << Deselect << u"0 1 2 3 4 5 6 7 8"_s;
        QTest::newRow("Close pressed again meanwhile")
            << 10 << odd << 9 << CloseAgain << u"0 2 4 6 8"_s;
        // Every other row: more ranges than the model removes one by one and than Close has
        // steps.
        QList<int> many;
        QString even;
        for (int i = 1; i < 2000; i += 2) {
            many.append(i);
            even += QString::number(i - 1) + u' ';
        }
        QTest::newRow("scattered") << 2000 << many << 1 << Nothing << even;
    }
    void close() {
        QFETCH(int, count);
        QFETCH(QList<int>, selected);
        QFETCH(int, current);
        QFETCH(DuringClose, action);
        QFETCH(QString, remaining);

        FakeFileSystem fs;
        CountingEventPump events;
        FileList list(fs, events);
        FileListModel& model = list.model();
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
            model.append(u"/d/f%1"_s.arg(i));
        selection = new QItemSelectionModel(&model, &model);
        if (current >= 0)
            selection->setCurrentIndex(model.index(current), QItemSelectionModel::NoUpdate);
        for (int row : selected)
            selection->select(model.index(row), QItemSelectionModel::Select);
        events.onProcessEvents = [&] {
            if (events.calls != 1)
                return;
            userRemoves = action == DuringClose::RemoveUnselectedBelow;
            if (action == DuringClose::RemoveUnselectedBelow)
                model.removeAt(0);
            else if (action == DuringClose::CloseAll)
                list.cmdCloseAll();
            else if (action == DuringClose::Deselect)
                selection->clearSelection();
            else if (action == DuringClose::CloseAgain)
                list.cmdClose(*selection);
            userRemoves = false;
        };
        list.cmdClose(*selection);

        QCOMPARE(texts(model), entries(remaining));
        const bool removedAny = model.count() < count;
        QCOMPARE(events.calls > 0, removedAny);
        QVERIFY(events.calls <= FileList::MaxCloseSteps);
        if (removedAny && model.count() > 0)
            QVERIFY(selection->currentIndex().isValid()); // Close can be pressed again
    }

    // Against the real file system: only plain files that are neither hidden nor special get
    // in, in the order dropped; remote URLs and plain text add nothing.
    void drops() {
        QTemporaryDir dir;
        const auto path = [&](const char* name) {
            return dir.filePath(QLatin1String(name));
        };
        for (const char* name : {"b.txt", "a.txt", ".hidden", "locked.txt"}) {
            QFile file(path(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QVERIFY(QFile::setPermissions(path("locked.txt"), QFile::ReadOwner));
        QVERIFY(QDir(dir.path()).mkdir(u"folder"_s));
        QCOMPARE(::mkfifo(QFile::encodeName(path("fifo")).constData(), 0600), 0);

        PosixFileSystem fs;
        CountingEventPump events;
        FileList list(fs, events);
        QList<QUrl> urls{QUrl(u"https://example.com/c.txt"_s)};
        for (const char* name :
             {"b.txt", "folder", ".hidden", "fifo", "missing", "locked.txt", "a.txt", "b.txt"})
            urls.append(QUrl::fromLocalFile(path(name)));
        QMimeData files;
        files.setUrls(urls);
        QMimeData text;
        text.setText(urls.last().toString());

        QVERIFY(!FileList::carriesLocalFiles(&text));
        QCOMPARE(list.addDroppedFiles(&text), 0);
        QVERIFY(FileList::carriesLocalFiles(&files));
        QCOMPARE(list.addDroppedFiles(&files), 3);
        QCOMPARE(texts(list.model()),
                 (QStringList{path("b.txt"), path("locked.txt"), path("a.txt")}));
    }
};

QTEST_GUILESS_MAIN(TestFileList)
#include "tst_FileList.moc"
