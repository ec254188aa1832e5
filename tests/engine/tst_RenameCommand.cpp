#include "engine/RenameCommand.h"
#include "tests/support/TestSupport.h"

#include <QTest>

using namespace varnex;
using namespace Qt::StringLiterals;

class TestRenameCommand : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void validation_data();
    void validation();
    void summary_data();
    void summary();
    void command_data();
    void command();
};

namespace {

const QString Illegal =
    u"A filename cannot contain any of the following characters:\r\\ / : * ? \"  < > |"_s;
const QString NothingFound = u"No files were found that meet the replacement criteria."_s;

CommandTexts texts(RenameType type, const QString& find, const QString& replace,
                   const QString& prepend, const QString& postpend) {
    return CommandTexts{type, find, replace, prepend, postpend};
}

class FakeHost : public RenameCommandHost {
public:
    CommandTexts texts;
    SelectionMode mode = SelectionMode::None;
    QString folder;
    bool isClosing = false;
    QList<TextBox> focused;
    QList<bool> running;
    int refreshed = 0;

    CommandTexts commandTexts() const override { return texts; }
    SelectionMode selectionMode() const override { return mode; }
    QString folderPath() const override { return folder; }
    void focusTextBox(TextBox box) override { focused.append(box); }
    void setRunning(bool on) override { running.append(on); }
    void refreshFolderView() override { ++refreshed; }
    bool closing() const override { return isClosing; }
};

} // namespace

void TestRenameCommand::validation_data() {
    QTest::addColumn<CommandTexts>("input");
    QTest::addColumn<QString>("message"); // empty: the texts pass
    QTest::addColumn<TextBox>("focus");

    using enum RenameType;
    QTest::newRow("empty find, before an illegal replacement")
        << texts(ReplaceText, {}, u"a|b"_s, {}, {}) << u"You must enter a string to find."_s
        << TextBox::Find;
    QTest::newRow("colon in find")
        << texts(ReplaceText, u"a:"_s, {}, {}, {}) << Illegal << TextBox::Find;
    QTest::newRow("bar in replacement")
        << texts(ReplaceText, u"a"_s, u"|"_s, {}, {}) << Illegal << TextBox::Replace;
    QTest::newRow("empty replacement")
        << texts(ReplaceText, u"a"_s, {}, u"*"_s, u"*"_s) << QString() << TextBox::Find;
    QTest::newRow("empty prepend") << texts(Prepend, u"*"_s, {}, {}, {})
                                   << u"You must enter a string to prepend."_s << TextBox::Prepend;
    QTest::newRow("prepend of spaces")
        << texts(Prepend, {}, {}, u"   "_s, {}) << QString() << TextBox::Find;
    QTest::newRow("prepend, legal punctuation")
        << texts(Prepend, {}, {}, u".'%&()[]{}_-+=,;!"_s, {}) << QString() << TextBox::Find;
    for (const QChar c : QStringView(u"\\/:*?\"<>|"))
        QTest::addRow("prepend with %c", char(c.unicode()))
            << texts(Prepend, {}, {}, u"a"_s + QChar(c) + u"b"_s, {}) << Illegal
            << TextBox::Prepend;
    QTest::newRow("empty postpend")
        << texts(Postpend, {}, {}, {}, {}) << u"You must enter a string to postpend."_s
        << TextBox::Postpend;
    QTest::newRow("illegal postpend")
        << texts(Postpend, {}, {}, {}, u"?"_s) << Illegal << TextBox::Postpend;
    QTest::newRow("convert case tests nothing")
        << texts(ConvertCase, {}, u"|"_s, u"*"_s, {}) << QString() << TextBox::Find;
    QTest::newRow("no type tests nothing")
        << texts(None, {}, {}, {}, {}) << QString() << TextBox::Find;
}

void TestRenameCommand::validation() {
    QFETCH(CommandTexts, input);
    QFETCH(QString, message);
    const std::optional<ValidationFailure> failure = ValidateTexts(input);
    QCOMPARE(failure.has_value(), !message.isEmpty());
    if (failure) {
        QCOMPARE(failure->message, message);
        QTEST(failure->focus, "focus");
    }
}

void TestRenameCommand::summary_data() {
    QTest::addColumn<RunCounters>("counters");
    QTest::addColumn<qint64>("folders");
    QTest::addColumn<QString>("expected");

    // Fields: processed, renamed, failed, read-only, hidden, system.
    QTest::newRow("nothing") << RunCounters{} << 1ll
                             << NothingFound + u"\r\rFolders searched: 1\rFiles processed: 0\r\r"_s;
    QTest::newRow("one renamed") << RunCounters{1, 1, 0, 0, 0, 0} << 1ll
                                 << u"Finished renaming 1 file.\r\rFolders searched: 1\r"
                                    u"Files processed: 1\r\r"_s;
    QTest::newRow("seven lines") << RunCounters{5, 3, 1, 0, 1, 0} << 3ll
                                 << u"Finished renaming 3 files.\r\rFolders searched: 3\r"
                                    u"Files processed: 5\r\r"
                                    u"1 Hidden file was found but not renamed.\r"
                                    u"1 file could not be renamed."_s;
    QTest::newRow("every line, plural") << RunCounters{40000, 2, 5, 2, 3, 4} << 70000ll
                                        << u"Finished renaming 2 files.\r\r"
                                           u"Folders searched: 70000\rFiles processed: 40000\r\r"
                                           u"2 Read Only files were found but not renamed.\r"
                                           u"3 Hidden files were found but not renamed.\r"
                                           u"4 System files were found but not renamed.\r"
                                           u"5 files could not be renamed."_s;
    QTest::newRow("every file failed")
        << RunCounters{1, 0, 1, 0, 0, 0} << 1ll
        << NothingFound + u"\r\rFolders searched: 1\rFiles processed: 1\r\r"
                          u"1 file could not be renamed."_s;
    QTest::newRow("last line not the failed line")
        << RunCounters{2, 0, 0, 1, 0, 1} << 1ll
        << NothingFound + u"\r\rFolders searched: 1\rFiles processed: 2\r\r"
                          u"1 Read Only file was found but not renamed.\r"
                          u"1 System file was found but not renamed.\r"_s;
}

void TestRenameCommand::summary() {
    QFETCH(RunCounters, counters);
    QFETCH(qint64, folders);
    QTEST(RunSummary(counters, folders), "expected");
}

// One press of Rename over a list (/d/a, /e/b) or the folder /A (files a1, a2; sub-folders B
// and C with one file each), prepending "z".
void TestRenameCommand::command_data() {
    QTest::addColumn<SelectionMode>("mode");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<bool>("recursive");
    QTest::addColumn<bool>("closing");
    QTest::addColumn<QString>("summary"); // empty: no summary shown

    const QStringList two{u"/d/a"_s, u"/e/b"_s};
    QTest::newRow("files") << SelectionMode::Files << two << false << false
                           << u"Finished renaming 2 files.\r\rFolders searched: 2\r"
                              u"Files processed: 2\r\r"_s;
    QTest::newRow("empty list") << SelectionMode::Files << QStringList() << false << false
                                << NothingFound +
                                       u"\r\rFolders searched: 0\rFiles processed: 0\r\r"_s;
    QTest::newRow("folder, recursive") << SelectionMode::Folder << two << true << false
                                       << u"Finished renaming 4 files.\r\rFolders searched: 3\r"
                                          u"Files processed: 4\r\r"_s;
    QTest::newRow("folder only") << SelectionMode::Folder << two << false << false
                                 << u"Finished renaming 2 files.\r\rFolders searched: 1\r"
                                    u"Files processed: 2\r\r"_s;
    QTest::newRow("no mode") << SelectionMode::None << two << true << false
                             << NothingFound + u"\r\rFolders searched: 1\rFiles processed: 0\r\r"_s;
    QTest::newRow("window closing") << SelectionMode::Files << two << false << true << QString();
}

void TestRenameCommand::command() {
    QFETCH(SelectionMode, mode);
    QFETCH(QStringList, entries);
    QFETCH(QString, summary);
    FakeFileSystem fs;
    for (const QString& f :
         {u"/d/a"_s, u"/e/b"_s, u"/A/a1"_s, u"/A/a2"_s, u"/A/B/b"_s, u"/A/C/c"_s})
        fs.addFile(f);
    EngineRig rig(fs);
    rig.choices.options = prependOptions(u"z"_s);
    QFETCH(bool, recursive);
    rig.choices.recurse = recursive;
    rig.engine.counters.FilesRenamed = 99; // left from an earlier run
    FakeFileList list(entries);
    rig.box.responder = [](const Message&) {
        return Button::Ok;
    };
    FakeHost host;
    host.mode = mode;
    host.folder = u"/A"_s;
    QFETCH(bool, closing);
    host.isClosing = closing;
    host.texts = texts(RenameType::Prepend, {}, {}, u"z"_s, {});

    RunRenameCommand(rig.engine, host, list, rig.box);

    QCOMPARE(host.running, (QList<bool>{true, false}));
    QCOMPARE(host.refreshed, mode == SelectionMode::Folder ? 1 : 0);
    QCOMPARE(rig.box.messages.size(), summary.isEmpty() ? 0 : 1);
    if (!summary.isEmpty()) {
        const Message& m = rig.box.messages[0];
        QCOMPARE(m.text, summary);
        QCOMPARE(m.title, u"Varnex"_s);
        QCOMPARE(m.icon, Icon::Information);
        QCOMPARE(m.buttons, Buttons::Ok);
    }

    // The same press with an empty prepend text: one critical message, the focus, no run.
    host.texts.prepend.clear();
    host.running.clear();
    const qint64 renames = fs.renameCalls();
    rig.box.messages.clear();
    RunRenameCommand(rig.engine, host, list, rig.box);
    QCOMPARE(rig.box.messages.size(), 1);
    QCOMPARE(rig.box.messages[0].text, u"You must enter a string to prepend."_s);
    QCOMPARE(rig.box.messages[0].icon, Icon::Critical);
    QCOMPARE(host.focused, QList<TextBox>{TextBox::Prepend});
    QVERIFY(host.running.isEmpty());
    QCOMPARE(fs.renameCalls(), renames);
}

QTEST_APPLESS_MAIN(TestRenameCommand)
#include "tst_RenameCommand.moc"
