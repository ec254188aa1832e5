#include "engine/RenameCommand.h"
#include "tests/support/TestSupport.h"

#include <QTest>

using namespace varnex;
using namespace Qt::StringLiterals;

namespace {

const QString Illegal =
    u"A filename cannot contain any of the following characters:\r\\ / : * ? \"  < > |"_s;
const QString NothingFound = u"No files were found that meet the replacement criteria."_s;

// "Finished renaming …" or NothingFound, then the two figures, each line ended by "\r".
QString head(qint64 renamed, qint64 folders, qint64 processed) {
    const QString first = renamed == 0   ? NothingFound
                          : renamed == 1 ? u"Finished renaming 1 file."_s
                                         : u"Finished renaming %1 files."_s.arg(renamed);
    return first +
           u"\r\rFolders searched: %1\rFiles processed: %2\r\r"_s.arg(folders).arg(processed);
}

class FakeHost : public RenameCommandHost {
public:
    CommandTexts texts{RenameType::Prepend, {}, {}, u"z"_s, {}};
    SelectionMode mode = SelectionMode::None;
    bool isClosing = false;
    QList<bool> running;
    int refreshed = 0;

    CommandTexts commandTexts() const override { return texts; }
    SelectionMode selectionMode() const override { return mode; }
    QString folderPath() const override { return u"/A"_s; }
    void focusTextBox(TextBox) override {}
    void setRunning(bool on) override { running.append(on); }
    void refreshFolderView() override { ++refreshed; }
    bool closing() const override { return isClosing; }
};

} // namespace

class TestRenameCommand : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void validation_data() {
        QTest::addColumn<CommandTexts>("input");
        QTest::addColumn<QString>("message"); // empty: the texts pass
        QTest::addColumn<TextBox>("focus");

        using enum RenameType;
        const auto row = [](const char* name, const CommandTexts& t, const QString& message,
                            TextBox focus = TextBox::Find) {
            QTest::newRow(name) << t << message << focus;
        };
        // clang-format off
        row("empty find, before an illegal replacement", {ReplaceText, {}, u"a|b"_s, {}, {}}, u"You must enter a string to find."_s);
        row("colon in find", {ReplaceText, u"a:"_s, {}, {}, {}}, Illegal);
        row("bar in replacement", {ReplaceText, u"a"_s, u"|"_s, {}, {}}, Illegal, TextBox::Replace);
        row("empty replacement", {ReplaceText, u"a"_s, {}, u"*"_s, u"*"_s}, {});
        row("empty prepend", {Prepend, u"*"_s, {}, {}, {}}, u"You must enter a string to prepend."_s, TextBox::Prepend);
        row("prepend of spaces", {Prepend, {}, {}, u"   "_s, {}}, {});
        row("prepend, legal punctuation", {Prepend, {}, {}, u".'%&()[]{}_-+=,;!"_s, {}}, {});
        for (const QChar c : QStringView(u"\\/:*?\"<>|"))
            QTest::addRow("prepend with %c", char(c.unicode())) << CommandTexts{Prepend, {}, {}, u"a"_s + c + u"b"_s, {}} << Illegal << TextBox::Prepend;
        row("empty postpend", {Postpend, {}, {}, {}, {}}, u"You must enter a string to postpend."_s, TextBox::Postpend);
        row("illegal postpend", {Postpend, {}, {}, {}, u"?"_s}, Illegal, TextBox::Postpend);
        row("convert case tests nothing", {ConvertCase, {}, u"|"_s, u"*"_s, {}}, {});
        row("no type tests nothing", {None, {}, {}, {}, {}}, {});
        // clang-format on
    }

    void validation() {
        QFETCH(CommandTexts, input);
        QFETCH(QString, message);
        const std::optional<ValidationFailure> failure = ValidateTexts(input);
        QCOMPARE(failure.has_value(), !message.isEmpty());
        if (failure) {
            QCOMPARE(failure->message, message);
            QTEST(failure->focus, "focus");
        }
    }

    void summary_data() {
        QTest::addColumn<RunCounters>("counters");
        QTest::addColumn<qint64>("folders");
        QTest::addColumn<QString>("expected");

        // Fields: processed, renamed, failed, read-only, hidden, system.
        QTest::newRow("nothing") << RunCounters{} << 1ll << head(0, 1, 0);
        QTest::newRow("one renamed") << RunCounters{1, 1, 0, 0, 0, 0} << 1ll
                                     << u"Finished renaming 1 file.\r\rFolders searched: 1\r"
                                        u"Files processed: 1\r\r"_s;
        QTest::newRow("seven lines") << RunCounters{5, 3, 1, 0, 1, 0} << 3ll
                                     << u"Finished renaming 3 files.\r\rFolders searched: 3\r"
                                        u"Files processed: 5\r\r"
                                        u"1 Hidden file was found but not renamed.\r"
                                        u"1 file could not be renamed."_s;
        QTest::newRow("every line, plural, past 16 bits")
            << RunCounters{40000, 2, 5, 2, 3, 4} << 70000ll
            << head(2, 70000, 40000) +
                   u"2 Read Only files were found but not renamed.\r"
                   u"3 Hidden files were found but not renamed.\r"
                   u"4 System files were found but not renamed.\r5 files could not be renamed."_s;
        QTest::newRow("every file failed") << RunCounters{1, 0, 1, 0, 0, 0} << 1ll
                                           << head(0, 1, 1) + u"1 file could not be renamed."_s;
        QTest::newRow("last line not the failed line")
            << RunCounters{2, 0, 0, 1, 0, 1} << 1ll
            << head(0, 1, 2) + u"1 Read Only file was found but not renamed.\r"
                               u"1 System file was found but not renamed.\r"_s;
    }

    void summary() {
        QFETCH(RunCounters, counters);
        QFETCH(qint64, folders);
        QTEST(RunSummary(counters, folders), "expected");
    }

    // One press of Rename over a list (/d/a, /e/b) or the folder /A (files a1, a2; sub-folders B
    // and C with one file each), prepending "z". The counters start afresh.
    void command_data() {
        QTest::addColumn<SelectionMode>("mode");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<bool>("recursive");
        QTest::addColumn<bool>("closing");
        QTest::addColumn<QString>("summary"); // empty: no summary shown

        const QStringList two{u"/d/a"_s, u"/e/b"_s};
        using enum SelectionMode;
        QTest::newRow("files") << Files << two << false << false << head(2, 2, 2);
        QTest::newRow("empty list") << Files << QStringList() << false << false << head(0, 0, 0);
        QTest::newRow("folder, recursive") << Folder << two << true << false << head(4, 3, 4);
        QTest::newRow("folder only") << Folder << two << false << false << head(2, 1, 2);
        QTest::newRow("no mode") << None << two << true << false << head(0, 1, 0);
        QTest::newRow("window closing") << Files << two << false << true << QString();
    }

    void command() {
        QFETCH(SelectionMode, mode);
        QFETCH(QStringList, entries);
        QFETCH(bool, recursive);
        QFETCH(bool, closing);
        QFETCH(QString, summary);
        FakeFileSystem fs;
        for (const QString& f :
             {u"/d/a"_s, u"/e/b"_s, u"/A/a1"_s, u"/A/a2"_s, u"/A/B/b"_s, u"/A/C/c"_s})
            fs.addFile(f);
        EngineRig rig(fs, prependOptions(u"z"_s));
        rig.choices.recurse = recursive;
        rig.engine.counters.FilesRenamed = 99; // left from an earlier run
        FakeFileList list(entries);
        rig.box.responder = [](const Message&) {
            return Button::Ok;
        };
        FakeHost host;
        host.mode = mode;
        host.isClosing = closing;

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
    }
};

QTEST_APPLESS_MAIN(TestRenameCommand)
#include "tst_RenameCommand.moc"
