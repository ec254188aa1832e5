#include "selection/FolderChoice.h"
#include "selection/FolderPreview.h"
#include "support/ScriptedDialogs.h"
#include "support/TestSupport.h"

#include <QTest>
#include <algorithm>
#include <utility>

using namespace varnex;
using namespace Qt::StringLiterals;

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

    // The fast sort agrees with folding every name and comparing the folded texts, on names
    // that differ in case, that are not ASCII, that hold characters beyond the BMP, that are
    // prefixes of one another, and on lists long enough to be merged from sorted runs.
    void sortAgreesWithFolding() {
        QStringList many;
        for (int i = 0; i < 10000; ++i) {
            const QString name = QStringLiteral("File_%1.TXT").arg((i * 7919) % 10000);
            many.append(i % 3 == 0 ? name.toLower() : i % 3 == 1 ? name : name + u'\u00e9');
        }
        QStringList manyAscii = many;
        for (QString& name : manyAscii)
            name.replace(u'\u00e9', u'E');
        const QStringList rows[] = {
            {},
            {u"b"_s, u"A"_s, u"a"_s, u"B"_s},
            {u"\u00c9mile"_s, u"\u00e9mile"_s, u"Zo\u00eb"_s, u"zoe"_s, u"\u00df"_s, u"SS"_s,
             u"\u01c5"_s, u"\u01c4"_s, u"e"_s},
            {u"\U0001F600"_s, u"a\U0001F600"_s, u"\U00010428"_s, u"\U00010400"_s, u"\uffff"_s},
            {u"file"_s, u"file_"_s, u"FILE_1"_s, u"file_10"_s, u"file_2"_s, u"fil"_s, u"FILE"_s},
            {u"same"_s, u"same"_s, u"SAME"_s},
            many,
            manyAscii,
        };
        for (const QStringList& names : rows) {
            QStringList expected = names;
            std::sort(expected.begin(), expected.end(), [](const QString& a, const QString& b) {
                const int byFolded = a.toCaseFolded().compare(b.toCaseFolded());
                return byFolded != 0 ? byFolded < 0 : a < b;
            });
            QStringList sorted = names;
            int pauses = 0;
            sortNamesIgnoringCase(sorted, [&] { ++pauses; });
            QCOMPARE(sorted, expected);
            QCOMPARE(pauses > 1, names.size() > 4096);
        }
    }

    // A folder chosen while another is still being read wins: the earlier read changes nothing.
    void laterFolderWins() {
        FakeFileSystem fs;
        fs.addFile(u"/one/a"_s);
        fs.addFile(u"/two/b"_s);
        FolderPreview preview(fs);
        bool chosen = false;
        const bool shown = preview.setFolder(u"/one"_s, [&] {
            if (!std::exchange(chosen, true))
                QVERIFY(preview.setFolder(u"/two"_s));
        });
        QVERIFY(chosen);
        QVERIFY(!shown);
        QCOMPARE(preview.folder(), u"/two"_s);
        QCOMPARE(column(preview.fileModel(), Qt::DisplayRole), u"b"_s);
        QCOMPARE(column(preview.dirModel(), FolderTreeModel::PathRole), u"/|/two"_s);
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
