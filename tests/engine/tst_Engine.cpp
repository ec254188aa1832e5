// The engine: the name computation, renaming one file with its dialogs, the list run, the
// folder walk and its attribute filters, the Rename command and its summary.

#include "engine/NameTransform.h"
#include "engine/RenameCommand.h"
#include "tests/support/TestSupport.h"

#include <QTest>

using namespace varnex;
using namespace Qt::StringLiterals;

namespace {

const QString Dir = u"/d/"_s;

const QString Illegal =
    u"A filename cannot contain any of the following characters:\r\\ / : * ? \"  < > |"_s;
} // namespace

class TestEngine : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The new name of one file; a null expectation: nothing to rename; "too long": over 255
    // characters (code points, so an emoji counts once) or over 255 bytes of UTF-8.
    void newName_data() {
        QTest::addColumn<RenameOptions>("options");
        QTest::addColumn<QString>("oldName");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("tooLong");
        const auto row = [](const char* name, const RenameOptions& o, const QString& oldName,
                            const QString& expected, bool tooLong = false) {
            QTest::newRow(name) << o << oldName << expected << tooLong;
        };
        using enum CaseMode;
        const QString emoji = u"\U0001F600"_s;
        // clang-format off
        row("include ext, sensitive, absent", replaceOptions(u"txt"_s, u"doc"_s, true, true), u"notes.TXT"_s, u"notes.TXT"_s);
        row("exclude ext", replaceOptions(u"old"_s, u"new"_s, false), u"old_report.old"_s, u"new_report.old"_s);
        row("only the last dot splits", replaceOptions(u"memo"_s, u"note"_s, false), u"memo.memo.txt"_s, u"note.note.txt"_s);
        row("every case variant", replaceOptions(u"photo"_s, u"img"_s, false), u"Photo PHOTO photo.jpg"_s, u"img img img.jpg"_s);
        row("dot file has an empty base", replaceOptions(u"pro"_s, u"x"_s, false), u".profile"_s, u".profile"_s);
        row("empty replacement", replaceOptions(u"copy of "_s, {}, false), u"copy of a.txt"_s, u"a.txt"_s);
        row("no overlap, no rescan", replaceOptions(u"aa"_s, u"b"_s, true), u"aaa"_s, u"ba"_s);
        row("final sigma matches sigma", replaceOptions(u"οδοσ"_s, u"x"_s, false), u"ΟΔΟΣ.txt"_s, u"x.txt"_s);
        row("prepend", prependOptions(u"2004 "_s), u"a.txt"_s, u"2004 a.txt"_s);
        row("postpend before ext", postpendOptions(u"_v2"_s, true), u"a.b.txt"_s, u"a.b_v2.txt"_s);
        row("postpend, no dot", postpendOptions(u"_v2"_s, true), u"README"_s, u"README_v2"_s);
        row("postpend, dot file", postpendOptions(u"_v2"_s, true), u".profile"_s, u"_v2.profile"_s);
        row("title", caseOptions(Title), u"the CAT.TXT"_s, u"The Cat.txt"_s);
        row("title, control characters separate", caseOptions(Title), u"a\tb\u000Bc\rd.e f"_s, u"A\tB\u000BC\rD.e F"_s);
        row("title, punctuation joins words", caseOptions(Title), u"my_file-o'neil(x).TXT"_s, u"My_file-o'neil(x).txt"_s);
        row("title, digraph", caseOptions(Title), u"ǆemal ǆ"_s, u"ǅemal ǅ"_s);
        row("upper, sharp s", caseOptions(Upper), u"straße.txt"_s, u"STRASSE.TXT"_s);
        row("lower, final sigma", caseOptions(Lower), u"ΟΔΟΣ ΣΟΦΟΣ.TXT"_s, u"οδος σοφος.txt"_s);
        row("title, emoji and letters beyond 16 bits", caseOptions(Title), u"😀abc 𐐨𐐨 x😀.TXT"_s, u"😀abc 𐐀𐐨 X😀.txt"_s);
        row("no type", RenameOptions{}, u"any"_s, QString());
        row("prepend to 255", prependOptions(u"a"_s), QString(254, u'b'), u"a"_s + QString(254, u'b'));
        row("prepend to 256", prependOptions(u"a"_s), QString(255, u'b'), {}, true);
        row("emoji, 63 characters", prependOptions(emoji), emoji.repeated(62), emoji.repeated(63));
        row("emoji, 64 characters: 256 bytes", prependOptions(emoji), emoji.repeated(63), {}, true);
        row("case grows past 255: never too long", caseOptions(Upper), u"ß"_s.repeated(128), u"SS"_s.repeated(128));
        // clang-format on
    }
    void newName() {
        QFETCH(RenameOptions, options);
        QFETCH(QString, oldName);
        QFETCH(QString, expected);
        QFETCH(bool, tooLong);
        const NewNameResult result = ComputeNewName(options, oldName);
        QCOMPARE(result.tooLong, tooLong);
        QCOMPARE(result.renames, tooLong || !expected.isNull());
        if (result.renames && !tooLong)
            QCOMPARE(result.newName, expected);
        // A preview keeps every new name: none holds room to spare.
        QCOMPARE_LE(result.newName.capacity(), result.newName.size());
    }
    // One file prepended with "z" and a failure; `setup` names its cause. The dialog is
    // critical, titled Varnex, with Retry (of Abort/Retry/Ignore) or the first button as
    // default; the file keeps its name and content and a file in the way is never replaced.
    void failure_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<Button>("answer");
        QTest::addColumn<QString>("text"); // checked when not empty

        const QString longName = QString(251, u'n') + u".txt"_s; // 256 with "z"
        // clang-format off
        QTest::newRow("exists, Ignore") << "exists" << Button::Ignore
            << u"The file '/d/a.txt' could not be renamed because of the following error occured.\r\r"
               u"Error number:  58\rError generated by: Varnex\rError description: File already exists\r\r"
               u"Abort - Stop the renaming process.\rRetry - Attempt to rename the file again.\r"
               u"Ignore - Skip this file and continue with the remaining files."_s;
        QTest::newRow("other failure stops") << "other" << Button::Ok
            << u"The file /d/a.txt could not be renamed because of the following error occured.\r\r"
               u"Error number:  5\rError generated by: Disk\rError description: Odd failure"_s;
        QTest::newRow("too long, Yes") << "long" << Button::Yes
            << u"The file /d/"_s + longName + u" could not be renamed because the name you "
               u"specified exceeds 255 characters in length.\r\rDo you want to continue renaming?"_s;
        // A new name that would leave its folder is refused before the file system sees it.
        QTest::newRow("separator in the new name, Ignore") << "slash" << Button::Ignore << QString();
        QTest::newRow("NUL in the new name, Ignore") << "nul" << Button::Ignore << QString();
        QTest::newRow("DEL in the new name, Ignore") << "del" << Button::Ignore << QString();
        // clang-format on
    }
    void failure() {
        QFETCH(QString, setup);
        QFETCH(Button, answer);
        QFETCH(QString, text);
        FakeFileSystem fs;
        const QString prefix = setup == u"slash" ? u"sub/z"_s
                               : setup == u"nul" ? u"z"_s + QChar(0)
                               : setup == u"del" ? u"z\x7f"_s
                                                 : u"z"_s;
        EngineRig rig(fs, prependOptions(prefix));
        const QString name = setup == u"long" ? QString(251, u'n') + u".txt"_s : u"a.txt"_s;
        fs.addFile(Dir + name, "mine");
        if (setup == u"exists")
            fs.addFile(Dir + u"za.txt"_s, "theirs");
        if (setup == u"other")
            fs.failNextRename(name, FsError{5, u"Disk"_s, u"Odd failure"_s});
        rig.box.enqueue({answer});

        rig.engine.PerformReplacement(Dir, name);

        const bool stop = answer == Button::Ok || answer == Button::No;
        QCOMPARE(rig.engine.counters.FilesRenamed, 0);
        QCOMPARE(rig.engine.counters.FilesFailed, stop ? 0 : 1);
        QCOMPARE(rig.engine.StopRun, stop);
        QCOMPARE(rig.pump.calls, stop ? 0 : 1); // a stopped run returns at once
        QCOMPARE(rig.box.messages.size(), 1);
        const Message& m = rig.box.messages[0];
        QCOMPARE(m.title, u"Varnex"_s);
        QCOMPARE(m.icon, Icon::Critical);
        QCOMPARE(m.defaultButton, m.buttons == Buttons::AbortRetryIgnore ? 1 : 0);
        if (!text.isEmpty())
            QCOMPARE(m.text, text);
        QCOMPARE(fs.names(Dir),
                 QStringList(name) + QStringList(setup == u"exists" ? 1 : 0, u"za.txt"_s));
        QCOMPARE(fs.content(Dir + name), QByteArray("mine"));
        QCOMPARE(fs.content(Dir + u"za.txt"_s), QByteArray(setup == u"exists" ? "theirs" : ""));
        QCOMPARE(fs.renamed.isEmpty(), setup != u"exists" && setup != u"other");
    }

    // The patterns a walk takes: names without a dot too, in any case, in name order.
    void patterns() {
        const std::pair<const char*, const char*> patterns[] = {
            {"*.*", "a.txt ab.txt.gz B.TXT README"},
            {"*.txt", "a.txt B.TXT"},
            {"a*t*", "a.txt ab.txt.gz"}};
        for (const auto& [pattern, matched] : patterns) {
            FakeFileSystem p;
            for (const QString& name : words(u"README a.txt B.TXT ab.txt.gz"_s))
                p.addFile(u"/P/"_s + name);
            EngineRig rig(p, prependOptions(u"z"_s));
            int dirCount = 0;
            rig.engine.FindFilesAPI(u"/P"_s, QString::fromUtf8(pattern), dirCount);
            QCOMPARE(p.renamed.join(u' ').remove(u"/P/"_s), QString::fromUtf8(matched));
        }
    }

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
        row("bar in replacement", {ReplaceText, u"a"_s, u"|"_s, {}, {}}, Illegal, TextBox::Replace);
        row("empty replacement", {ReplaceText, u"a"_s, {}, u"*"_s, u"*"_s}, {});
        row("empty prepend", {Prepend, u"*"_s, {}, {}, {}}, u"You must enter a string to prepend."_s, TextBox::Prepend);
        row("prepend, legal punctuation", {Prepend, {}, {}, u".'%&()[]{}_-+=,;!"_s, {}}, {});
        for (const QChar c : QStringView(u"\\/:*?\"<>|"))
            QTest::addRow("prepend with %c", char(c.unicode())) << CommandTexts{Prepend, {}, {}, u"a"_s + c + u"b"_s, {}} << Illegal << TextBox::Prepend;
        row("empty postpend", {Postpend, {}, {}, {}, {}}, u"You must enter a string to postpend."_s, TextBox::Postpend);
        row("convert case tests nothing", {ConvertCase, {}, u"|"_s, u"*"_s, {}}, {});
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
        QTest::newRow("nothing") << RunCounters{} << 1ll
                                 << u"No files were found that meet the replacement criteria.\r\r"
                                    u"Folders searched: 1\rFiles processed: 0\r\r"_s;
        QTest::newRow("one renamed")
            << RunCounters{1, 1, 1, 0, 1, 0} << 1ll
            << u"Finished renaming 1 file.\r\rFolders searched: 1\rFiles processed: 1\r\r"
               u"1 Hidden file was found but not renamed.\r1 file could not be renamed."_s;
        QTest::newRow("every line, plural, past 16 bits")
            << RunCounters{40000, 2, 5, 2, 3, 4} << 70000ll
            << u"Finished renaming 2 files.\r\rFolders searched: 70000\rFiles processed: 40000"
               u"\r\r2 Read Only files were found but not renamed.\r"
               u"3 Hidden files were found but not renamed.\r"
               u"4 System files were found but not renamed.\r5 files could not be renamed."_s;
        QTest::newRow("last line not the failed line")
            << RunCounters{2, 0, 0, 1, 0, 1} << 1ll
            << u"No files were found that meet the replacement criteria.\r\r"
               u"Folders searched: 1\rFiles processed: 2\r\r"
               u"1 Read Only file was found but not renamed.\r"
               u"1 System file was found but not renamed.\r"_s;
    }

    void summary() {
        QFETCH(RunCounters, counters);
        QFETCH(qint64, folders);
        QTEST(RunSummary(counters, folders), "expected");
    }
};

QTEST_APPLESS_MAIN(TestEngine)
#include "tst_Engine.moc"
