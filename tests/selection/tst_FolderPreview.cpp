#include "TestSupport.h"
#include "selection/FolderChoice.h"
#include "selection/FolderPreview.h"

#include <QTest>

using namespace varnex;

namespace {

class ScriptedChooser : public FolderChooser {
public:
    std::optional<QString> answer;
    QStringList titles;
    std::optional<QString> chooseFolder(const QString& title) override {
        titles.append(title);
        return answer;
    }
};

QStringList column(const QAbstractItemModel& model, int role) {
    QStringList result;
    for (int row = 0; row < model.rowCount(); ++row)
        result.append(model.index(row, 0).data(role).toString());
    return result;
}

} // namespace

class TestFolderPreview : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void lineage_data();
    void lineage();
    void showsFolder();
    void keepsFolderItCannotShow_data();
    void keepsFolderItCannotShow();
    void refresh();
    void browse_data();
    void browse();
};

void TestFolderPreview::lineage_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("paths");

    QTest::newRow("root") << QStringLiteral("/") << QStringList{QStringLiteral("/")}
                          << QStringList{QStringLiteral("/")};
    QTest::newRow("nested, trailing separator")
        << QStringLiteral("/home/ann/")
        << QStringList{QStringLiteral("/"), QStringLiteral("home"), QStringLiteral("ann")}
        << QStringList{QStringLiteral("/"), QStringLiteral("/home"), QStringLiteral("/home/ann")};
    QTest::newRow("dot-dot and doubled separators")
        << QStringLiteral("/a//b/../c")
        << QStringList{QStringLiteral("/"), QStringLiteral("a"), QStringLiteral("c")}
        << QStringList{QStringLiteral("/"), QStringLiteral("/a"), QStringLiteral("/a/c")};
}

void TestFolderPreview::lineage() {
    QFETCH(QString, path);
    QFETCH(QStringList, names);
    QFETCH(QStringList, paths);

    const QList<FolderTreeModel::Row> rows = folderLineage(path);
    QCOMPARE(rows.size(), names.size());
    for (int i = 0; i < rows.size(); ++i) {
        QCOMPARE(rows.at(i).name, names.at(i));
        QCOMPARE(rows.at(i).path, paths.at(i));
        QCOMPARE(rows.at(i).depth, i);
    }
}

void TestFolderPreview::showsFolder() {
    FakeFileSystem fs;
    fs.addFile(QStringLiteral("/data/b.txt"));
    fs.addFile(QStringLiteral("/data/A.txt"));
    fs.addFile(QStringLiteral("/data/.hidden"), {}, attr::Hidden);
    fs.addFile(QStringLiteral("/data/a.txt"));
    fs.addFolder(QStringLiteral("/data/Zeta"));
    fs.addFolder(QStringLiteral("/data/alpha"));
    fs.addFile(QStringLiteral("/data/alpha/inner.txt"));

    FolderPreview preview(fs);
    QVERIFY(preview.setFolder(QStringLiteral("/data")));

    QCOMPARE(preview.folder(), QStringLiteral("/data"));
    QCOMPARE(preview.fileModel().names(),
             (QStringList{QStringLiteral(".hidden"), QStringLiteral("A.txt"),
                          QStringLiteral("a.txt"), QStringLiteral("b.txt")}));
    const FolderTreeModel& dirs = preview.dirModel();
    QCOMPARE(column(dirs, FolderTreeModel::NameRole),
             (QStringList{QStringLiteral("/"), QStringLiteral("data"), QStringLiteral("alpha"),
                          QStringLiteral("Zeta")}));
    QCOMPARE(column(dirs, FolderTreeModel::PathRole),
             (QStringList{QStringLiteral("/"), QStringLiteral("/data"),
                          QStringLiteral("/data/alpha"), QStringLiteral("/data/Zeta")}));
    QCOMPARE(column(dirs, Qt::DisplayRole).at(2), QStringLiteral("    alpha"));
    QCOMPARE(dirs.folderRow(), 1);

    // The root's sub-folders hang directly under it.
    QVERIFY(preview.setFolder(QStringLiteral("/")));
    QCOMPARE(column(preview.dirModel(), FolderTreeModel::PathRole),
             (QStringList{QStringLiteral("/"), QStringLiteral("/data")}));
}

void TestFolderPreview::keepsFolderItCannotShow_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("missing") << QStringLiteral("/nowhere");
    QTest::newRow("a file") << QStringLiteral("/data/a.txt");
    QTest::newRow("unreadable") << QStringLiteral("/locked");
    QTest::newRow("empty") << QString();
}

void TestFolderPreview::keepsFolderItCannotShow() {
    QFETCH(QString, path);

    FakeFileSystem fs;
    fs.addFile(QStringLiteral("/data/a.txt"));
    fs.addFile(QStringLiteral("/locked/secret"));
    fs.setUnreadable(QStringLiteral("/locked"), true);
    FolderPreview preview(fs);
    QVERIFY(preview.setFolder(QStringLiteral("/data")));

    QVERIFY(!preview.setFolder(path));
    QCOMPARE(preview.folder(), QStringLiteral("/data"));
    QCOMPARE(preview.fileModel().names(), QStringList{QStringLiteral("a.txt")});
    QCOMPARE(preview.dirModel().rowCount(), 2);
}

void TestFolderPreview::refresh() {
    FakeFileSystem fs;
    fs.addFile(QStringLiteral("/data/a.txt"));
    FolderPreview preview(fs);
    QVERIFY(!preview.refresh()); // no folder yet
    QVERIFY(preview.setFolder(QStringLiteral("/data/")));
    fs.addFile(QStringLiteral("/data/b.txt"));
    fs.addFolder(QStringLiteral("/data/sub"));

    QVERIFY(preview.refresh());
    QCOMPARE(preview.fileModel().names(),
             (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt")}));
    QCOMPARE(preview.dirModel().rowCount(), 3);
}

void TestFolderPreview::browse_data() {
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<std::optional<QString>>("shown");

    QTest::newRow("cancel") << std::optional<QString>() << std::optional<QString>();
    QTest::newRow("root keeps its separator") << std::optional<QString>(QStringLiteral("/"))
                                              << std::optional<QString>(QStringLiteral("/"));
    QTest::newRow("folder without trailing separator")
        << std::optional<QString>(QStringLiteral("/home/ann/"))
        << std::optional<QString>(QStringLiteral("/home/ann"));
    const QString longPath = QStringLiteral("/") % QString(260, QLatin1Char('x'));
    QTest::newRow("long path taken whole")
        << std::optional<QString>(longPath) << std::optional<QString>(longPath);
}

void TestFolderPreview::browse() {
    QFETCH(std::optional<QString>, answer);
    QFETCH(std::optional<QString>, shown);

    ScriptedChooser chooser;
    chooser.answer = answer;
    QCOMPARE(browseForFolder(chooser), shown);
    QCOMPARE(chooser.titles, QStringList{QStringLiteral("Select a folder")});
}

QTEST_GUILESS_MAIN(TestFolderPreview)
#include "tst_FolderPreview.moc"
