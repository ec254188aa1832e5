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

namespace {

// "0 2 /x" -> {"/d/f0", "/d/f2", "/x"}
QStringList entries(const QString& text) {
    QStringList result;
    for (const QString& part : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        result.append(part.startsWith(QLatin1Char('/')) ? part : QStringLiteral("/d/f") % part);
    return result;
}

QStringList texts(const FileListModel& model) {
    QStringList result;
    for (int row = 0; row < model.count(); ++row)
        result.append(model.entryAt(row));
    return result;
}

struct Fixture {
    FakeFileSystem fs;
    CountingEventPump events;
    FileList list{fs, events};
    QItemSelectionModel* selection = nullptr;

    // `count` entries /d/f0.. with a selection model; `current` -1 for none.
    void fill(int count, const QList<int>& selected, int current) {
        for (int i = 0; i < count; ++i)
            list.model().append(QStringLiteral("/d/f%1").arg(i));
        selection = new QItemSelectionModel(&list.model(), &list.model());
        if (current >= 0)
            selection->setCurrentIndex(list.model().index(current), QItemSelectionModel::NoUpdate);
        select(selected);
    }
    void select(const QList<int>& rows) {
        for (int row : rows)
            selection->select(list.model().index(row), QItemSelectionModel::Select);
    }
};

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

        // The list holds "/data/Report.TXT" and "/d/\u00e9t\u00e9".
        const QString otherCase = QStringLiteral("/DATA/report.txt");
        QTest::newRow("case only") << false << false << otherCase << true;
        QTest::newRow("after an Open into an empty list") << true << false << otherCase << true;
        QTest::newRow("a drop always tests") << true << true << otherCase << true;
        QTest::newRow("doubled separator")
            << false << true << QStringLiteral("/data//Report.TXT") << false;
        QTest::newRow("beyond ASCII")
            << false << false << QStringLiteral("/D/\u00c9T\u00c9") << true;
    }
    void duplicateRule() {
        QFETCH(bool, listWasEmpty);
        QFETCH(bool, viaDrop);
        QFETCH(QString, path);
        QFETCH(bool, duplicate);

        Fixture f;
        const QStringList before{QStringLiteral("/data/Report.TXT"),
                                 QStringLiteral("/d/\u00e9t\u00e9")};
        for (const QString& entry : before)
            f.list.model().append(entry);
        f.fs.addFile(path);
        f.list.ListWasEmpty = listWasEmpty;

        QCOMPARE(f.list.CheckForListDuplicate(path), duplicate ? FileList::DuplicateFound : 0);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        viaDrop ? void(f.list.addDroppedFiles(&data)) : f.list.AddListItem(path);
        const bool added = !duplicate || (listWasEmpty && !viaDrop);
        QCOMPARE(texts(f.list.model()), added ? before + QStringList{path} : before);
        QCOMPARE(f.list.ListWasEmpty, listWasEmpty);
    }

    // Random appends, removals (a few rows, or a third of them in many ranges), overwrites and
    // clears, each checked against a plain walk of the entries.
    void indexFollowsEveryChange() {
        const QStringList forms = entries(QStringLiteral("/a/x /A/X /a/y /a/Y /b/z"));
        QRandomGenerator random(20240611);
        const auto anyForm = [&] {
            return forms.at(random.bounded(int(forms.size())));
        };
        FileListModel model;
        QList<FileListAccess::EntryId> removed;
        for (int step = 0; step < 3000; ++step) {
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

            const QStringList current = texts(model);
            for (const QString& form : forms) {
                const bool present = std::any_of(current.cbegin(), current.cend(), [&](auto& t) {
                    return t.toUpper() == form.toUpper();
                });
                QCOMPARE(model.containsIgnoringCase(form), present);
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

        const QList<int> odd{1, 3, 5, 7, 9};
        QTest::newRow("three of five")
            << 5 << QList<int>{0, 2, 3} << 2 << DuringClose::Nothing << QStringLiteral("1 4");
        QTest::newRow("none selected")
            << 5 << QList<int>{} << 1 << DuringClose::Nothing << QStringLiteral("0 1 2 3 4");
        QTest::newRow("no current entry")
            << 3 << QList<int>{1} << -1 << DuringClose::Nothing << QStringLiteral("0 1 2");
        QTest::newRow("unselected entry below removed meanwhile")
            << 10 << odd << 9 << DuringClose::RemoveUnselectedBelow << QStringLiteral("2 4 6 8");
        QTest::newRow("list emptied meanwhile")
            << 10 << odd << 9 << DuringClose::CloseAll << QString();
        QTest::newRow("selection cleared meanwhile")
            << 10 << odd << 9 << DuringClose::Deselect << QStringLiteral("0 1 2 3 4 5 6 7 8");
        QTest::newRow("Close pressed again meanwhile")
            << 10 << odd << 9 << DuringClose::CloseAgain << QStringLiteral("0 2 4 6 8");
        // Every other row: more ranges than the model removes one by one and than Close has
        // steps.
        QList<int> many;
        QString even;
        for (int i = 1; i < 2000; i += 2) {
            many.append(i);
            even.append(QString::number(i - 1) % QLatin1Char(' '));
        }
        QTest::newRow("scattered") << 2000 << many << 1 << DuringClose::Nothing << even;
    }
    void close() {
        QFETCH(int, count);
        QFETCH(QList<int>, selected);
        QFETCH(int, current);
        QFETCH(DuringClose, action);
        QFETCH(QString, remaining);

        Fixture f;
        // Whatever Close removes must be selected at that moment. Connected before the
        // selection model exists, so that it runs before the selection model forgets the rows.
        bool userRemoves = false;
        QObject::connect(&f.list.model(), &QAbstractItemModel::rowsAboutToBeRemoved,
                         &f.list.model(), [&](const QModelIndex&, int first, int last) {
                             for (int row = first; row <= last && !userRemoves; ++row)
                                 QVERIFY(f.selection->isRowSelected(row, {}));
                         });
        f.fill(count, selected, current);
        f.events.onProcessEvents = [&] {
            if (f.events.calls != 1)
                return;
            userRemoves = action == DuringClose::RemoveUnselectedBelow;
            if (action == DuringClose::RemoveUnselectedBelow)
                f.list.model().removeAt(0);
            else if (action == DuringClose::CloseAll)
                f.list.cmdCloseAll();
            else if (action == DuringClose::Deselect)
                f.selection->clearSelection();
            else if (action == DuringClose::CloseAgain)
                f.list.cmdClose(*f.selection);
            userRemoves = false;
        };
        f.list.cmdClose(*f.selection);

        QCOMPARE(texts(f.list.model()), entries(remaining));
        const bool removedAny = f.list.model().count() < count;
        QCOMPARE(f.events.calls > 0, removedAny);
        QVERIFY(f.events.calls <= FileList::MaxCloseSteps);
        if (removedAny && f.list.model().count() > 0)
            QVERIFY(f.selection->currentIndex().isValid()); // Close can be pressed again
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
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
        QCOMPARE(::mkfifo(QFile::encodeName(path("fifo")).constData(), 0600), 0);

        PosixFileSystem fs;
        CountingEventPump events;
        FileList list(fs, events);
        QList<QUrl> urls{QUrl(QStringLiteral("https://example.com/c.txt"))};
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
