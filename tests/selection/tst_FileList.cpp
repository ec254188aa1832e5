#include "TestSupport.h"
#include "platform/PosixFileSystem.h"
#include "selection/FileList.h"

#include <QFile>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <sys/stat.h>

using namespace varnex;

namespace {

QStringList texts(const FileListModel& model) {
    QStringList result;
    for (int row = 0; row < model.count(); ++row)
        result.append(model.entryAt(row));
    return result;
}

QStringList numbered(int count) {
    QStringList result;
    for (int i = 0; i < count; ++i)
        result.append(QStringLiteral("/d/f%1").arg(i));
    return result;
}

void fill(FileList& list, const QStringList& paths) {
    for (const QString& path : paths)
        list.model().append(path);
}

void selectRows(QItemSelectionModel& selection, const QList<int>& rows) {
    for (int row : rows)
        selection.select(selection.model()->index(row, 0), QItemSelectionModel::Select);
}

QMimeData* uriList(const QStringList& localPaths, const QList<QUrl>& extra = {}) {
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : localPaths)
        urls.append(QUrl::fromLocalFile(path));
    data->setUrls(urls + extra);
    return data;
}

} // namespace

class TestFileList : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void duplicateRule_data();
    void duplicateRule();
    void indexFollowsEveryChange();
    void close_data();
    void close();
    void closeWhileEventsChangeTheList_data();
    void closeWhileEventsChangeTheList();
    void closeAllKeepsListWasEmpty();
    void drops();
    void dropWithoutFiles();
};

void TestFileList::duplicateRule_data() {
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<bool>("listWasEmpty");
    QTest::addColumn<bool>("viaDrop");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("duplicate");
    QTest::addColumn<bool>("added");

    const QStringList one{QStringLiteral("/data/Report.TXT")};
    const QString otherCase = QStringLiteral("/DATA/report.txt");
    QTest::newRow("same text") << one << false << false << one.first() << true << false;
    QTest::newRow("case only") << one << false << false << otherCase << true << false;
    QTest::newRow("case only, after an Open into an empty list")
        << one << true << false << otherCase << true << true;
    QTest::newRow("drop tests even after an Open into an empty list")
        << one << true << true << otherCase << true << false;
    QTest::newRow("drop into a list without it")
        << one << false << true << QStringLiteral("/data/other") << false << true;
    QTest::newRow("doubled separator is another entry")
        << one << false << false << QStringLiteral("/data//Report.TXT") << false << true;
    QTest::newRow("trailing blank is another entry")
        << one << false << false << QStringLiteral("/data/Report.TXT ") << false << true;
    QTest::newRow("case beyond ASCII")
        << QStringList{QStringLiteral("/d/\u00e9t\u00e9.txt")} << false << false
        << QStringLiteral("/d/\u00c9T\u00c9.TXT") << true << false;
    QTest::newRow("empty list") << QStringList{} << false << false << one.first() << false << true;
}

void TestFileList::duplicateRule() {
    QFETCH(QStringList, existing);
    QFETCH(bool, listWasEmpty);
    QFETCH(bool, viaDrop);
    QFETCH(QString, path);
    QFETCH(bool, duplicate);
    QFETCH(bool, added);

    FakeFileSystem fs;
    fs.addFile(path);
    CountingEventPump events;
    FileList list(fs, events);
    fill(list, existing);
    list.ListWasEmpty = listWasEmpty;

    QCOMPARE(list.CheckForListDuplicate(path), duplicate ? FileList::DuplicateFound : 0);
    if (viaDrop) {
        std::unique_ptr<QMimeData> data(uriList({path}));
        QCOMPARE(list.addDroppedFiles(data.get()), added ? 1 : 0);
    } else {
        list.AddListItem(path);
    }
    QCOMPARE(texts(list.model()), added ? existing + QStringList{path} : existing);
    QCOMPARE(list.ListWasEmpty, listWasEmpty);
}

// Random appends, removals (single, few ranges, scattered), overwrites and clears, checked after
// each step against a plain walk of the entries.
void TestFileList::indexFollowsEveryChange() {
    const QStringList forms{QStringLiteral("/a/x"), QStringLiteral("/A/X"), QStringLiteral("/a/y"),
                            QStringLiteral("/a/Y"), QStringLiteral("/b/z")};
    QRandomGenerator random(20240611);
    FileListModel model;
    QList<FileListAccess::EntryId> removed;

    for (int step = 0; step < 3000; ++step) {
        const int n = model.count();
        const int action = random.bounded(10);
        if (action < 5 || n == 0) {
            model.append(forms.at(random.bounded(int(forms.size()))));
        } else if (action == 5) {
            const int row = random.bounded(n);
            removed.append(model.idAt(row));
            model.removeAt(row);
        } else if (action == 6) {
            QList<int> rows;
            for (int row = 0; row < n; ++row) {
                if (random.bounded(3) == 0)
                    rows.append(row);
            }
            for (int row : rows)
                removed.append(model.idAt(row));
            model.removeRows(rows); // often more ranges than SeparateRangeLimit
        } else if (action < 9) {
            model.setEntryText(model.idAt(random.bounded(n)),
                               forms.at(random.bounded(int(forms.size()))));
        } else if (random.bounded(20) == 0) {
            const QList<FileListAccess::EntryId> ids = model.entryIds();
            removed.append(ids);
            model.clear();
        }

        const QStringList current = texts(model);
        for (const QString& form : forms) {
            const bool present =
                std::any_of(current.cbegin(), current.cend(),
                            [&](const QString& t) { return t.toUpper() == form.toUpper(); });
            QVERIFY2(model.containsIgnoringCase(form) == present, qPrintable(form));
        }
        const QList<FileListAccess::EntryId> ids = model.entryIds();
        for (int row = 0; row < ids.size(); ++row) {
            QCOMPARE(model.rowOf(ids.at(row)), row);
            QCOMPARE(model.entryText(ids.at(row)), std::optional<QString>(current.at(row)));
        }
        if (!removed.isEmpty()) {
            const FileListAccess::EntryId gone = removed.at(random.bounded(int(removed.size())));
            QCOMPARE(model.rowOf(gone), -1);
            QCOMPARE(model.entryText(gone), std::nullopt);
        }
    }
}

void TestFileList::close_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<int>("current");
    QTest::addColumn<QList<int>>("remaining");

    QTest::newRow("three of five") << 5 << QList<int>{0, 2, 3} << 2 << QList<int>{1, 4};
    QTest::newRow("none selected, a current entry")
        << 5 << QList<int>{} << 1 << QList<int>{0, 1, 2, 3, 4};
    QTest::newRow("selected but no current entry")
        << 3 << QList<int>{1} << -1 << QList<int>{0, 1, 2};
    QTest::newRow("empty list") << 0 << QList<int>{} << -1 << QList<int>{};
    QTest::newRow("all") << 4 << QList<int>{0, 1, 2, 3} << 0 << QList<int>{};

    // Every other row: more ranges than the model removes one by one and than Close has steps.
    QList<int> odd, even;
    for (int i = 0; i < 2000; ++i)
        (i % 2 ? odd : even).append(i);
    QTest::newRow("scattered") << 2000 << odd << 1 << even;
}

void TestFileList::close() {
    QFETCH(int, count);
    QFETCH(QList<int>, selected);
    QFETCH(int, current);
    QFETCH(QList<int>, remaining);

    FakeFileSystem fs;
    CountingEventPump events;
    FileList list(fs, events);
    const QStringList paths = numbered(count);
    fill(list, paths);
    QItemSelectionModel selection(&list.model());
    if (current >= 0)
        selection.setCurrentIndex(list.model().index(current), QItemSelectionModel::NoUpdate);
    selectRows(selection, selected);

    list.cmdClose(selection);

    QStringList expected;
    for (int row : remaining)
        expected.append(paths.at(row));
    QCOMPARE(texts(list.model()), expected);
    const bool removedAny = expected.size() < paths.size();
    QCOMPARE(events.calls > 0, removedAny);
    QVERIFY(events.calls <= FileList::MaxCloseSteps);
    if (removedAny && !expected.isEmpty()) {
        QVERIFY(selection.currentIndex().isValid()); // Close can be pressed again
        QVERIFY(selection.selectedIndexes().isEmpty());
    }
}

enum class DuringClose { RemoveUnselectedBelow, CloseAll, Deselect, AppendAndSelect, CloseAgain };
Q_DECLARE_METATYPE(DuringClose)

void TestFileList::closeWhileEventsChangeTheList_data() {
    QTest::addColumn<DuringClose>("action");
    QTest::addColumn<QStringList>("remaining"); // of f0..f9 plus the appended "/new"

    const QStringList unselected{QStringLiteral("/d/f0"), QStringLiteral("/d/f2"),
                                 QStringLiteral("/d/f4"), QStringLiteral("/d/f6"),
                                 QStringLiteral("/d/f8")};
    QTest::newRow("an unselected entry below is removed")
        << DuringClose::RemoveUnselectedBelow << unselected.mid(1);
    QTest::newRow("the list is emptied") << DuringClose::CloseAll << QStringList{};
    QTest::newRow("the selection is cleared")
        << DuringClose::Deselect
        << QStringList{QStringLiteral("/d/f0"), QStringLiteral("/d/f1"), QStringLiteral("/d/f2"),
                       QStringLiteral("/d/f3"), QStringLiteral("/d/f4"), QStringLiteral("/d/f5"),
                       QStringLiteral("/d/f6"), QStringLiteral("/d/f7"), QStringLiteral("/d/f8")};
    QTest::newRow("a new entry is added and selected")
        << DuringClose::AppendAndSelect << unselected + QStringList{QStringLiteral("/new")};
    QTest::newRow("Close is pressed again") << DuringClose::CloseAgain << unselected;
}

// The odd entries of ten are selected; the first yield acts on the list like a user would.
void TestFileList::closeWhileEventsChangeTheList() {
    QFETCH(DuringClose, action);
    QFETCH(QStringList, remaining);

    FakeFileSystem fs;
    CountingEventPump events;
    FileList list(fs, events);
    fill(list, numbered(10));
    QItemSelectionModel selection(&list.model());
    selection.setCurrentIndex(list.model().index(9), QItemSelectionModel::NoUpdate);
    selectRows(selection, {1, 3, 5, 7, 9});

    // Whatever Close removes must be selected at that moment.
    bool userRemoves = false;
    QObject::connect(&list.model(), &QAbstractItemModel::rowsAboutToBeRemoved, &list.model(),
                     [&](const QModelIndex&, int first, int last) {
                         for (int row = first; row <= last && !userRemoves; ++row)
                             QVERIFY(selection.isRowSelected(row, {}));
                     });
    events.onProcessEvents = [&] {
        if (events.calls != 1)
            return;
        userRemoves = true;
        switch (action) {
        case DuringClose::RemoveUnselectedBelow:
            list.model().removeAt(0);
            break;
        case DuringClose::CloseAll:
            list.cmdCloseAll();
            break;
        case DuringClose::Deselect:
            selection.clearSelection();
            break;
        case DuringClose::AppendAndSelect:
            list.model().append(QStringLiteral("/new"));
            selectRows(selection, {list.model().count() - 1});
            break;
        case DuringClose::CloseAgain:
            userRemoves = false;
            list.cmdClose(selection);
            break;
        }
        userRemoves = false;
    };

    list.cmdClose(selection);
    QCOMPARE(texts(list.model()), remaining);
}

void TestFileList::closeAllKeepsListWasEmpty() {
    FakeFileSystem fs;
    CountingEventPump events;
    FileList list(fs, events);
    for (bool flag : {false, true}) {
        fill(list, numbered(3));
        list.ListWasEmpty = flag;
        list.cmdCloseAll();
        QCOMPARE(list.model().count(), 0);
        QVERIFY(!list.model().containsIgnoringCase(QStringLiteral("/d/f0")));
        QCOMPARE(list.ListWasEmpty, flag);
    }
}

// Drops against the real file system: only plain files that are neither hidden nor special get
// in, in the order dropped.
void TestFileList::drops() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const auto path = [&](const char* name) {
        return dir.filePath(QLatin1String(name));
    };
    const auto create = [](const QString& file) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
    };
    create(path("b.txt"));
    create(path("a.txt"));
    create(path(".hidden"));
    create(path("locked.txt"));
    QVERIFY(QFile::setPermissions(path("locked.txt"), QFile::ReadOwner | QFile::ReadGroup));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    QCOMPARE(::mkfifo(QFile::encodeName(path("fifo")).constData(), 0600), 0);

    PosixFileSystem fs;
    CountingEventPump events;
    FileList list(fs, events);
    std::unique_ptr<QMimeData> data(
        uriList({path("b.txt"), path("folder"), path(".hidden"), path("fifo"), path("missing.txt"),
                 path("locked.txt"), path("a.txt"), path("b.txt")},
                {QUrl(QStringLiteral("https://example.com/c.txt"))}));

    QVERIFY(FileList::carriesLocalFiles(data.get()));
    QCOMPARE(list.addDroppedFiles(data.get()), 3);
    QCOMPARE(texts(list.model()), (QStringList{QDir::toNativeSeparators(path("b.txt")),
                                               QDir::toNativeSeparators(path("locked.txt")),
                                               QDir::toNativeSeparators(path("a.txt"))}));
}

void TestFileList::dropWithoutFiles() {
    FakeFileSystem fs;
    fs.addFile(QStringLiteral("/d/a.txt"));
    CountingEventPump events;
    FileList list(fs, events);

    QMimeData text;
    text.setText(QStringLiteral("file:///d/a.txt"));
    QMimeData remote;
    remote.setUrls({QUrl(QStringLiteral("https://example.com/d/a.txt"))});
    for (const QMimeData* data :
         {static_cast<const QMimeData*>(&text), static_cast<const QMimeData*>(&remote), nullptr}) {
        QVERIFY(!FileList::carriesLocalFiles(data));
        QCOMPARE(list.addDroppedFiles(data), 0);
    }
    QCOMPARE(list.model().count(), 0);
}

QTEST_GUILESS_MAIN(TestFileList)
#include "tst_FileList.moc"
