#include "selection/OpenCommand.h"
#include "settings/MemorySettingsStore.h"
#include "support/ScriptedDialogs.h"
#include "support/TestSupport.h"

#include <QTest>

using namespace varnex;
using namespace Qt::StringLiterals;

namespace {

QStringList split(const QString& text) {
    return text.split(u' ', Qt::SkipEmptyParts);
}

// "|" stands for `by`: a NUL in dialog results, a carriage return in messages.
QString bars(QString text, QChar by) {
    return text.replace(u'|', by);
}

OpenFileDialog::Result accepted(const QString& paths, int filterIndex = 2) {
    OpenFileDialog::Result result;
    result.status = OpenFileDialog::Status::Accepted;
    result.paths = split(paths);
    result.filterIndex = filterIndex;
    return result;
}

struct Fixture {
    FakeFileSystem fs;
    CountingEventPump events;
    FileList list{fs, events};
    ScriptedOpenDialog dialog;
    MemorySettingsStore settings;
    ScriptedMessageBox messages;
    OpenCommand command{list, dialog, settings, messages, events};

    QStringList texts() const {
        QStringList result;
        for (int row = 0; row < list.model().count(); ++row)
            result.append(list.model().entryAt(row));
        return result;
    }
};

} // namespace

class TestOpenCommand : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parse_data() {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("paths");
        QTest::newRow("one file") << u"/data/a.txt"_s << u"/data/"_s << u"/data/a.txt"_s;
        QTest::newRow("several") << u"/data|a.txt|b.txt"_s << u"/data/"_s
                                 << u"/data/a.txt /data/b.txt"_s;
        QTest::newRow("folder ending in the separator") << u"/|a|b"_s << u"//"_s << u"//a //b"_s;
        QTest::newRow("empty names") << u"/d|a||b|"_s << u"/d/"_s << u"/d/a /d/b"_s;
    }
    void parse() {
        QFETCH(QString, raw);
        QFETCH(QString, paths);
        const OpenResultParts parts = parseOpenResult(bars(raw, QChar(0)), u"/"_s);
        QTEST(parts.folderWithSeparator, "folder");
        QCOMPARE(parts.paths, split(paths));
    }

    void filterIndex_data() {
        QTest::addColumn<QString>("stored"); // null: nothing stored
        QTest::addColumn<int>("opensWith");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<QString>("storedAfter");
        QTest::newRow("none stored") << QString() << 2 << 2 << u"2"_s;
        QTest::newRow("HTML, then all files") << u"3"_s << 3 << 1 << u"1"_s;
        QTest::newRow("not a number") << u"abc"_s << 2 << 3 << u"3"_s;
        QTest::newRow("beyond the filters") << u"4"_s << 2 << 2 << u"2"_s;
        QTest::newRow("dialog names none") << u"3"_s << 3 << 0 << u"3"_s;
    }
    void filterIndex() {
        QFETCH(QString, stored);
        QFETCH(int, chosen);
        Fixture f;
        if (!stored.isNull())
            f.settings.setStored(u"OpenFilterIndex"_s, stored);
        f.dialog.answers = {accepted(u"/d/a.txt"_s, chosen)};
        f.command.cmdOpen_Click();

        QTEST(f.dialog.requests.first().filterIndex, "opensWith");
        QCOMPARE(f.settings.writtenKeys(), split(u"OpenFilterIndex Path"_s));
        QTEST(*f.settings.stored(u"OpenFilterIndex"_s), "storedAfter");
        QVERIFY(f.messages.messages.isEmpty());
    }

    void adds_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("after");
        QTest::addColumn<bool>("listWasEmpty");
        // Into an empty list nothing is tested, not even names equal but for case.
        QTest::newRow("several into an empty list")
            << QString() << u"/d/b /d/a /d/B"_s << QString() << u"/d/b /d/a /d/B"_s << true;
        QTest::newRow("one already listed in another case")
            << u"/D/A"_s << u"/d/a /d/c"_s << QString() << u"/D/A /d/c"_s << false;
        QTest::newRow("one text with NULs")
            << u"/x"_s << QString() << u"/d|a|b"_s << u"/x /d/a /d/b"_s << false;
    }
    void adds() {
        QFETCH(QString, before);
        QFETCH(QString, chosen);
        QFETCH(QString, raw);
        QFETCH(QString, after);
        QFETCH(bool, listWasEmpty);
        Fixture f;
        for (const QString& entry : split(before))
            f.list.model().append(entry);
        f.list.ListWasEmpty = !listWasEmpty;
        f.settings.setStored(u"Path"_s, u"/start/"_s);
        f.dialog.answers = {accepted(chosen)};
        f.dialog.answers.first().rawResult = bars(raw, QChar(0));
        f.command.cmdOpen_Click();

        QCOMPARE(f.dialog.requests.first().initialFolder, u"/start/"_s);
        QCOMPARE(f.texts(), split(after));
        QCOMPARE(f.list.ListWasEmpty, listWasEmpty);
        QCOMPARE(f.settings.stored(u"Path"_s), u"/d/"_s);
        const qsizetype names = raw.isEmpty() ? split(chosen).size() : raw.count(u'|');
        QCOMPARE(f.events.calls, names - 1); // between names, not after the last
    }

    // A dialog that is not confirmed leaves the list, the settings and ListWasEmpty as they
    // were; a failure shows its message.
    void notConfirmed_data() {
        QTest::addColumn<OpenFileDialog::Status>("status");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("text"); // empty: no message
        QTest::newRow("cancel") << OpenFileDialog::Status::Cancelled << 0 << QString();
        QTest::newRow("too many files")
            << OpenFileDialog::Status::ResultTooLarge << 20476
            << u"Windows cannot open this many files at once. Try opening fewer files.||"
               u"Error number:  20476|Error generated by: Dlg|Error description: Big"_s;
        QTest::newRow("other") << OpenFileDialog::Status::Failed << -7
                               << u"The following error occured:||Error number: -7|"
                                  u"Error generated by: Dlg|Error description: Big"_s;
    }
    void notConfirmed() {
        QFETCH(OpenFileDialog::Status, status);
        QFETCH(int, number);
        QFETCH(QString, text);
        Fixture f;
        f.list.model().append(u"/d/a"_s);
        OpenFileDialog::Result answer = accepted(u"/d/b"_s);
        answer.status = status;
        answer.errorNumber = number;
        answer.errorSource = u"Dlg"_s;
        answer.errorDescription = u"Big"_s;
        f.dialog.answers = {answer};
        if (!text.isEmpty())
            f.messages.enqueue({Button::Ok});
        f.command.cmdOpen_Click();

        QCOMPARE(f.dialog.requests.first().initialFolder, programFolder());
        QCOMPARE(f.texts(), QStringList{u"/d/a"_s});
        QVERIFY(f.settings.writtenKeys().isEmpty());
        QVERIFY(!f.list.ListWasEmpty);
        QCOMPARE(f.messages.messages.size(), text.isEmpty() ? 0 : 1);
        for (const Message& message : std::as_const(f.messages.messages)) {
            QCOMPARE(message.text, bars(text, QChar(13)));
            QCOMPARE(message.title, u"Varnex"_s);
            QCOMPARE(message.icon, Icon::Critical);
            QCOMPARE(message.buttons, Buttons::Ok);
        }
    }

    // Events run between names; an Open pressed then shows no second dialog, and the first
    // still adds every name.
    void cannotStartTwice() {
        Fixture f;
        f.dialog.answers = {accepted(u"/d/a /d/b /d/c"_s), accepted(u"/e"_s)};
        f.events.onProcessEvents = [&] {
            f.command.cmdOpen_Click();
        };
        f.command.cmdOpen_Click();

        QCOMPARE(f.dialog.requests.size(), 1);
        QCOMPARE(f.texts(), split(u"/d/a /d/b /d/c"_s));
        f.events.onProcessEvents = nullptr;
        f.command.cmdOpen_Click(); // usable again afterwards
        QCOMPARE(f.list.model().count(), 4);
    }
};

QTEST_GUILESS_MAIN(TestOpenCommand)
#include "tst_OpenCommand.moc"
