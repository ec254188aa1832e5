#include "selection/FolderChoice.h"
#include "selection/FolderPreview.h"
#include "support/ScriptedDialogs.h"
#include "support/TestSupport.h"

#include <QTest>

using namespace varnex;

namespace {

QString column(const QAbstractItemModel& model, int role) {
    QStringList result;
    for (int row = 0; row < model.rowCount(); ++row)
        result.append(model.index(row, 0).data(role).toString());
    return result.join(QLatin1Char('|'));
}

} // namespace

class TestFolderPreview : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void showsFolder() {
        FakeFileSystem fs;
        for (const char* file : {"/data/b.txt", "/data/A.txt", "/data/a.txt", "/data/alpha/in"})
            fs.addFile(QLatin1String(file));
        fs.addFile(QStringLiteral("/data/.hidden"), {}, attr::Hidden);
        fs.addFolder(QStringLiteral("/data/Zeta"));
        fs.addFile(QStringLiteral("/locked/secret"));
        fs.setUnreadable(QStringLiteral("/locked"), true);

        FolderPreview preview(fs);
        QVERIFY(!preview.refresh()); // no folder yet
        QVERIFY(preview.setFolder(QStringLiteral("/data/")));
        QCOMPARE(column(preview.dirModel(), FolderTreeModel::PathRole),
                 QStringLiteral("/|/data|/data/alpha|/data/Zeta"));
        QCOMPARE(column(preview.dirModel(), Qt::DisplayRole),
                 QStringLiteral("/|  data|    alpha|    Zeta"));
        QCOMPARE(preview.dirModel().folderRow(), 1);
        QCOMPARE(column(preview.fileModel(), Qt::DisplayRole),
                 QStringLiteral(".hidden|A.txt|a.txt|b.txt"));

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
        QCOMPARE(column(preview.dirModel(), FolderTreeModel::PathRole),
                 QStringLiteral("/|/data|/locked"));
    }

    void browse() {
        ScriptedChooser chooser;
        QCOMPARE(browseForFolder(chooser), std::nullopt); // cancelled
        const QStringList given{QStringLiteral("/"), QStringLiteral("/home/ann/")};
        const QStringList shown{QStringLiteral("/"), QStringLiteral("/home/ann")};
        for (int i = 0; i < given.size(); ++i) {
            chooser.answer = given.at(i);
            QCOMPARE(browseForFolder(chooser), shown.at(i));
        }
        QCOMPARE(chooser.titles, QStringList(3, QStringLiteral("Select a folder")));
    }
};

QTEST_GUILESS_MAIN(TestFolderPreview)
#include "tst_FolderPreview.moc"
