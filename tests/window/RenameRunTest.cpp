// Rename runs through the real window, on real temporary folders, with the user's answers
// scripted.

#include "WindowRig.h"
#include "selection/FileList.h"
#include "selection/FolderPreview.h"
#include "window/Controls.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTest>
#include <sys/stat.h>

using namespace varnex;

namespace {

// Names separated by "|".
QStringList list(const char* text) {
    return QString::fromUtf8(text).split(u'|', Qt::SkipEmptyParts);
}

QStringList sorted(QStringList names) {
    std::sort(names.begin(), names.end());
    return names;
}

QStringList rowsOf(const QAbstractItemModel* model) {
    QStringList rows;
    for (int row = 0; row < model->rowCount(); ++row)
        rows.append(model->index(row, 0).data().toString());
    return rows;
}

QStringList pathsIn(const QString& folder, const QStringList& names) {
    QStringList paths;
    for (const QString& name : names)
        paths.append(folder % u'/' % name);
    return paths;
}

// Where the files of a run come from.
enum class Source { List, Open, Folder, Browse };

// A type of rename (0 Replace Text, 1 Prepend, 2 Postpend, 3 Convert Case) chosen by clicks:
// `text` and `replace` go to the type's boxes, `member` selects the type's sub-option.
void choose(frmVarnex& w, int type, const QString& text, const QString& replace = {},
            int member = 0, bool caseSensitive = true) {
    w.optTypeOfRename[std::size_t(type)]->click();
    switch (type) {
    case 0:
        w.txtFind->setText(text);
        w.txtReplace->setText(replace);
        w.optIncludeExtension[std::size_t(member)]->click();
        w.chkCaseSensitive->setChecked(caseSensitive);
        break;
    case 1:
        w.txtPrepend->setText(text);
        break;
    case 2:
        w.txtPostpend->setText(text);
        w.optPostpendPosition[std::size_t(member)]->click();
        break;
    default:
        w.optConvertCase[std::size_t(member)]->click();
        break;
    }
}

void addToList(frmVarnex& w, const QStringList& paths) {
    w.optFolderFile[1]->click();
    for (const QString& path : paths)
        w.fileList().AddListItem(path);
}

} // namespace

class RenameRunTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> data_;
    std::unique_ptr<WindowRig> rig_;
    frmVarnex* w_ = nullptr;

    QString dir() const { return data_->path(); }
    QStringList summaries() const { return rig_->messageTexts(); }
    QStringList listRows() const { return rowsOf(w_->lstFiles->model()); }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() {
        data_ = std::make_unique<QTemporaryDir>();
        QVERIFY(data_->isValid());
        rig_ = std::make_unique<WindowRig>();
        w_ = &rig_->start();
    }
    void cleanup() {
        w_ = nullptr;
        rig_.reset();
        data_.reset();
    }

    void renameTypes_data() {
        QTest::addColumn<Source>("source");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("replace");
        QTest::addColumn<int>("member");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QString>("summary");

        QTest::newRow("replace with the extension, list")
            << Source::List << 0 << u"txt"_qs << u"md"_qs << 0 << true << list("a.txt|txt.txt")
            << list("a.md|md.md")
            << u"Finished renaming 2 files.||Folders searched: 1|Files processed: 2||"_qs;
        QTest::newRow("replace without the extension, folder; an unchanged name counts")
            << Source::Folder << 0 << u"txt"_qs << u"md"_qs << 1 << true << list("a.txt|txt.txt")
            << list("a.txt|md.txt")
            << u"Finished renaming 2 files.||Folders searched: 1|Files processed: 2||"_qs;
        QTest::newRow("replace ignoring case, Open")
            << Source::Open << 0 << u"A"_qs << u""_qs << 1 << false << list("Aab.A") << list("b.A")
            << u"Finished renaming 1 file.||Folders searched: 1|Files processed: 1||"_qs;
        QTest::newRow("prepend, Browse")
            << Source::Browse << 1 << u"new "_qs << QString() << 0 << true << list("a.txt")
            << list("new a.txt")
            << u"Finished renaming 1 file.||Folders searched: 1|Files processed: 1||"_qs;
        QTest::newRow("postpend before the extension, list")
            << Source::List << 2 << u"_2"_qs << QString() << 0 << true << list("a.txt|b")
            << list("a_2.txt|b_2")
            << u"Finished renaming 2 files.||Folders searched: 1|Files processed: 2||"_qs;
        QTest::newRow("postpend after the extension, folder")
            << Source::Folder << 2 << u"_2"_qs << QString() << 1 << true << list("a.txt")
            << list("a.txt_2")
            << u"Finished renaming 1 file.||Folders searched: 1|Files processed: 1||"_qs;
        QTest::newRow("title case, list")
            << Source::List << 3 << QString() << QString() << 2 << true << list("the CAT.TXT")
            << list("The Cat.txt")
            << u"Finished renaming 1 file.||Folders searched: 1|Files processed: 1||"_qs;
    }

    // Each type of rename, from each source: the files on disk, the list or the folder preview,
    // and the summary.
    void renameTypes() {
        QFETCH(Source, source);
        QFETCH(int, type);
        QFETCH(QString, text);
        QFETCH(QString, replace);
        QFETCH(int, member);
        QFETCH(bool, caseSensitive);
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        QFETCH(QString, summary);
        makeFiles(dir(), before);

        switch (source) {
        case Source::List:
            addToList(*w_, pathsIn(dir(), before));
            break;
        case Source::Open: {
            OpenFileDialog::Result chosen;
            chosen.status = OpenFileDialog::Status::Accepted;
            chosen.paths = pathsIn(dir(), before);
            rig_->openDialog.answers = {chosen};
            w_->optFolderFile[1]->click();
            w_->cmdOpen->click();
            break;
        }
        case Source::Folder:
            w_->setChosenFolder(dir());
            break;
        case Source::Browse:
            rig_->chooser.answer = dir();
            w_->cmdBrowse->click();
            QCOMPARE(w_->lblFolder->text(), dir());
            break;
        }
        choose(*w_, type, text, replace, member, caseSensitive);
        w_->cmdRename->click();

        QCOMPARE(namesIn(dir()), sorted(after));
        QCOMPARE(summaries(), QStringList{summary});
        QCOMPARE(rig_->box.messages.first().icon, Icon::Information);
        QCOMPARE(rig_->box.messages.first().title, u"Varnex"_qs);
        if (source == Source::List || source == Source::Open) {
            QCOMPARE(listRows(), pathsIn(dir(), after));
        } else {
            QStringList shown = after;
            sortNamesIgnoringCase(shown);
            QCOMPARE(rowsOf(w_->File1->model()), shown); // re-read after the run
        }
    }

    void attributeFilters_data() {
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<bool>("hidden");
        QTest::addColumn<bool>("system");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QString>("summary");
        QTest::newRow("none allowed")
            << false << false << false << list(".hidden.txt|.p|PLAIN.TXT|ro.txt")
            << u"Finished renaming 1 file.||Folders searched: 1|Files processed: 4||"
               "1 Read Only file was found but not renamed.|"
               "2 Hidden files were found but not renamed.|"
               "1 System file was found but not renamed.|"_qs;
        QTest::newRow("hidden allowed, the FIFO is also System")
            << false << true << false << list(".HIDDEN.TXT|.p|PLAIN.TXT|ro.txt")
            << u"Finished renaming 2 files.||Folders searched: 1|Files processed: 4||"
               "1 Read Only file was found but not renamed.|"
               "1 System file was found but not renamed.|"_qs;
        QTest::newRow("all allowed")
            << true << true << true << list(".HIDDEN.TXT|.P|PLAIN.TXT|RO.TXT")
            << u"Finished renaming 4 files.||Folders searched: 1|Files processed: 4||"_qs;
    }

    // Hidden is a leading dot, System a FIFO or socket: a FIFO named ".p" is both and counts in
    // both lines. Read Only is a file without write permission, for root too.
    void attributeFilters() {
        QFETCH(bool, readOnly);
        QFETCH(bool, hidden);
        QFETCH(bool, system);
        QFETCH(QStringList, after);
        QFETCH(QString, summary);
        makeFiles(dir(), list("plain.txt|.hidden.txt|ro.txt"));
        QVERIFY(QFile::setPermissions(dir() % u"/ro.txt", QFile::ReadOwner | QFile::ReadGroup));
        QCOMPARE(::mkfifo(QFile::encodeName(dir() % u"/.p").constData(), 0600), 0);

        w_->setChosenFolder(dir());
        choose(*w_, 3, {}, {}, 1);
        w_->chkReadOnly->setChecked(readOnly);
        w_->chkHidden->setChecked(hidden);
        w_->chkSystem->setChecked(system);
        w_->cmdRename->click();
        QCOMPARE(namesIn(dir()), after);
        QCOMPARE(summaries(), QStringList{summary});
    }

    void subFolders_data() {
        QTest::addColumn<bool>("recursive");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QString>("summary");
        QTest::newRow("recursive")
            << true << list("A1|A2|b/B1|c/C1|c/d/D1")
            << u"Finished renaming 5 files.||Folders searched: 4|Files processed: 5||"_qs;
        QTest::newRow("not recursive")
            << false << list("A1|A2|b/b1|c/c1|c/d/d1")
            << u"Finished renaming 2 files.||Folders searched: 1|Files processed: 2||"_qs;
    }

    // A tree of 2 files with sub-folders b (1 file) and c (1 file, and d with 1 file): 3
    // sub-folders, all found even without recursion; folders are never renamed.
    void subFolders() {
        QFETCH(bool, recursive);
        QFETCH(QStringList, after);
        QFETCH(QString, summary);
        makeFiles(dir(), list("a1|a2|b/b1|c/c1|c/d/d1"));
        w_->setChosenFolder(dir());
        choose(*w_, 3, {}, {}, 1);
        w_->chkRecursive->setChecked(recursive);
        w_->cmdRename->click();

        QStringList found;
        for (const QString& folder : {QString(), u"b/"_qs, u"c/"_qs, u"c/d/"_qs}) {
            for (const QString& name : namesIn(dir() % u'/' % folder)) {
                if (QFileInfo(dir() % u'/' % folder % name).isFile())
                    found.append(folder % name);
            }
        }
        QCOMPARE(sorted(found), sorted(after));
        QCOMPARE(summaries(), QStringList{summary});
    }

    // A folder that cannot be opened: missing, or a file.
    void folderNotOpened() {
        makeFiles(dir(), list("file"));
        for (const QString& folder : {QString(dir() % u"/missing"), QString(dir() % u"/file")}) {
            rig_->box.messages.clear();
            w_->lblFolder->setText(folder);
            choose(*w_, 3, {}, {}, 1);
            w_->cmdRename->click();
            QCOMPARE(summaries(),
                     QStringList{u"No files were found that meet the replacement "
                                 "criteria.||Folders searched: 1|Files processed: 0||"_qs});
        }
        QCOMPARE(namesIn(dir()), list("file"));
    }

    void validation_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        const QString illegal =
            u"A filename cannot contain any of the following characters:|\\ / : * ? \"  < > |"_qs;
        QTest::newRow("empty find before an illegal replacement")
            << 0 << u""_qs << u"a|b"_qs << u"You must enter a string to find."_qs << u"txtFind"_qs;
        QTest::newRow("colon in find") << 0 << u"a:"_qs << u""_qs << illegal << u"txtFind"_qs;
        QTest::newRow("bar in replacement")
            << 0 << u"a"_qs << u"|"_qs << illegal << u"txtReplace"_qs;
        QTest::newRow("empty prepend")
            << 1 << u""_qs << u""_qs << u"You must enter a string to prepend."_qs
            << u"txtPrepend"_qs;
        QTest::newRow("star in prepend") << 1 << u"*"_qs << u""_qs << illegal << u"txtPrepend"_qs;
        QTest::newRow("empty postpend")
            << 2 << u""_qs << u""_qs << u"You must enter a string to postpend."_qs
            << u"txtPostpend"_qs;
        QTest::newRow("slash in postpend")
            << 2 << u"a/b"_qs << u""_qs << illegal << u"txtPostpend"_qs;
        QTest::newRow("blanks are a text") << 1 << u"   "_qs << u""_qs << QString() << QString();
        QTest::newRow("empty replacement passes")
            << 0 << u"a"_qs << u""_qs << QString() << QString();
    }

    // A failed check shows its message, puts the focus in the box and renames nothing.
    void validation() {
        QFETCH(int, type);
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        makeFiles(dir(), list("a.txt"));
        addToList(*w_, pathsIn(dir(), list("a.txt")));
        // Illegal texts in the boxes of the other types are not looked at.
        for (TextBoxEdit* box : {w_->txtFind, w_->txtReplace, w_->txtPrepend, w_->txtPostpend})
            box->setText(u"?"_qs);
        choose(*w_, type, first, second);
        QTest::mouseClick(w_->cmdRename, Qt::LeftButton);

        QCOMPARE(rig_->box.messages.size(), 1);
        const Message& shown = rig_->box.messages.first();
        if (message.isEmpty()) {
            QCOMPARE(shown.icon, Icon::Information);
            QVERIFY(namesIn(dir()) != list("a.txt"));
            return;
        }
        QCOMPARE(rig_->messageTexts().first(), message);
        QCOMPARE(shown.icon, Icon::Critical);
        QCOMPARE(shown.buttons, Buttons::Ok);
        QCOMPARE(shown.title, u"Varnex"_qs);
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        QCOMPARE(namesIn(dir()), list("a.txt"));
        QCOMPARE(rig_->pump.calls, 0);
    }

    // Abort at the failing second of five entries: entries three to five are untouched, the
    // summary still comes.
    void abortAtSecondEntry() {
        const QStringList names = list("a|b|c|d|e");
        makeFiles(dir(), names + list("xb"));
        addToList(*w_, pathsIn(dir(), names));
        choose(*w_, 1, u"x"_qs);
        rig_->box.enqueue({Button::Abort});
        w_->cmdRename->click();

        QCOMPARE(rig_->box.messages.size(), 2);
        QCOMPARE(rig_->box.messages.first().buttons, Buttons::AbortRetryIgnore);
        QCOMPARE(summaries().last(),
                 u"Finished renaming 1 file.||Folders searched: 1|Files processed: 2||"_qs);
        QCOMPARE(namesIn(dir()), list("b|c|d|e|xa|xb"));
        QCOMPARE(listRows(), pathsIn(dir(), list("xa|b|c|d|e")));
    }

    // A list run counts the entries handed over and the distinct folders they lie in; an entry
    // that names no file is passed over.
    void listSummary() {
        makeFiles(dir(), list("one/a|one/b|two/c"));
        addToList(*w_, pathsIn(dir(), list("one/a|one/b|two/c")) + list("loose"));
        choose(*w_, 1, u"x"_qs);
        w_->cmdRename->click();
        QCOMPARE(summaries(),
                 QStringList{
                     u"Finished renaming 3 files.||Folders searched: 2|Files processed: 3||"_qs});
        QCOMPARE(listRows(), pathsIn(dir(), list("one/xa|one/xb|two/xc")) + list("loose"));
    }

    void duringRun_data() {
        QTest::addColumn<bool>("filesMode");
        QTest::newRow("files") << true;
        QTest::newRow("folder") << false;
    }

    // While a run yields, Rename, Exit and Help are off, the pointer is busy and Enter and
    // Escape do nothing; the rest of the window stays usable. Afterwards all is back.
    void duringRun() {
        QFETCH(bool, filesMode);
        makeFiles(dir(), list("a|b"));
        if (filesMode)
            addToList(*w_, pathsIn(dir(), list("a|b")));
        else
            w_->setChosenFolder(dir());
        choose(*w_, 1, u"x"_qs);

        QStringList seen;
        rig_->pump.onProcessEvents = [&] {
            if (!seen.isEmpty())
                return;
            for (QWidget* control : std::initializer_list<QWidget*>{
                     w_->cmdRename, w_->cmdExit, w_->cmdHelp, w_->cmdOpen, w_->cmdBrowse,
                     w_->lstFiles, w_->optTypeOfRename[3], w_->chkHidden})
                seen.append(control->objectName() % u'=' % QString::number(control->isEnabled()));
            const QCursor* cursor = QApplication::overrideCursor();
            seen.append(u"busy="_qs % QString::number(cursor && cursor->shape() == Qt::WaitCursor));
            QTest::keyClick(w_->txtPrepend, Qt::Key_Return);
            QTest::keyClick(w_->txtPrepend, Qt::Key_Escape);
            w_->cmdRename_Click(); // a second run does not start
        };
        w_->cmdRename->click();

        QCOMPARE(seen, list("cmdRename=0|cmdExit=0|cmdHelp=0|cmdOpen=1|cmdBrowse=1|lstFiles=1|"
                            "optTypeOfRename(3)=1|chkHidden=1|busy=1"));
        QCOMPARE(rig_->endProgramCalls, 0);
        QCOMPARE(summaries().size(), 1);
        QCOMPARE(namesIn(dir()), list("xa|xb"));
        QVERIFY(w_->cmdRename->isEnabled() && w_->cmdExit->isEnabled() && w_->cmdHelp->isEnabled());
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

    void entriesClosedDuringRun_data() {
        QTest::addColumn<bool>("closeAll");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("summary");
        QTest::newRow("Close two entries")
            << false << list("b|d|xa|xc|xe") << list("xa|xc|xe")
            << u"Finished renaming 3 files.||Folders searched: 1|Files processed: 3||"_qs;
        QTest::newRow("Close All")
            << true << list("b|c|d|e|xa") << QStringList()
            << u"Finished renaming 1 file.||Folders searched: 1|Files processed: 1||"_qs;
    }

    // The user closes entries while the first file is renamed: the closed ones are not
    // renamed, the others are, and the list shows the new paths.
    void entriesClosedDuringRun() {
        QFETCH(bool, closeAll);
        QFETCH(QStringList, after);
        QFETCH(QStringList, rows);
        QFETCH(QString, summary);
        const QStringList names = list("a|b|c|d|e");
        makeFiles(dir(), names);
        addToList(*w_, pathsIn(dir(), names));
        choose(*w_, 1, u"x"_qs);
        bool closed = false;
        rig_->pump.onProcessEvents = [&] {
            if (closed || !QFileInfo::exists(dir() % u"/xa"))
                return;
            closed = true;
            if (closeAll) {
                w_->cmdCloseAll->click();
                return;
            }
            QItemSelectionModel* selection = w_->lstFiles->selectionModel();
            const QAbstractItemModel* model = w_->lstFiles->model();
            selection->setCurrentIndex(model->index(1, 0), QItemSelectionModel::ClearAndSelect);
            selection->select(model->index(3, 0), QItemSelectionModel::Select);
            w_->cmdClose->click();
        };
        w_->cmdRename->click();

        QCOMPARE(namesIn(dir()), after);
        QCOMPARE(listRows(), pathsIn(dir(), rows));
        QCOMPARE(summaries(), QStringList{summary});
    }
};

QTEST_MAIN(RenameRunTest)
#include "RenameRunTest.moc"
