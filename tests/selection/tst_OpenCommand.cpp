#include "selection/OpenCommand.h"
#include "settings/MemorySettingsStore.h"
#include "support/ScriptedDialogs.h"
#include "support/TestSupport.h"

#include <QTest>

using namespace varnex;

namespace {

QStringList split(const QString& text) {
    return text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// "|" stands for `by`: a NUL in dialog results, a carriage return in messages.
QString bars(QString text, QChar by) {
    return text.replace(QLatin1Char('|'), by);
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

        QTest::newRow("one file") << QStringLiteral("/data/a.txt") << QStringLiteral("/data/")
                                  << QStringLiteral("/data/a.txt");
        QTest::newRow("several") << QStringLiteral("/data|a.txt|b.txt") << QStringLiteral("/data/")
                                 << QStringLiteral("/data/a.txt /data/b.txt");
        QTest::newRow("folder ending in the separator")
            << QStringLiteral("/|a|b") << QStringLiteral("//") << QStringLiteral("//a //b");
        QTest::newRow("empty names")
            << QStringLiteral("/d|a||b|") << QStringLiteral("/d/") << QStringLiteral("/d/a /d/b");
    }
    void parse() {
        QFETCH(QString, raw);
        QFETCH(QString, folder);
        QFETCH(QString, paths);
        const OpenResultParts parts = parseOpenResult(bars(raw, QChar(0)), QStringLiteral("/"));
        QCOMPARE(parts.folderWithSeparator, folder);
        QCOMPARE(parts.paths, split(paths));
    }

    void filterIndex_data() {
        QTest::addColumn<QString>("stored"); // null: nothing stored
        QTest::addColumn<int>("opensWith");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<QString>("storedAfter");

        QTest::newRow("none stored") << QString() << 2 << 2 << QStringLiteral("2");
        QTest::newRow("HTML, then all files")
            << QStringLiteral("3") << 3 << 1 << QStringLiteral("1");
        QTest::newRow("not a number") << QStringLiteral("abc") << 2 << 3 << QStringLiteral("3");
        QTest::newRow("beyond the filters") << QStringLiteral("4") << 2 << 2 << QStringLiteral("2");
        QTest::newRow("dialog names none") << QStringLiteral("3") << 3 << 0 << QStringLiteral("3");
    }
    void filterIndex() {
        QFETCH(QString, stored);
        QFETCH(int, opensWith);
        QFETCH(int, chosen);
        QFETCH(QString, storedAfter);

        Fixture f;
        if (!stored.isNull())
            f.settings.setStored(QStringLiteral("OpenFilterIndex"), stored);
        f.dialog.answers = {accepted(QStringLiteral("/d/a.txt"), chosen)};
        f.command.cmdOpen_Click();

        QCOMPARE(f.dialog.requests.first().filterIndex, opensWith);
        QCOMPARE(f.settings.writtenKeys(), split(QStringLiteral("OpenFilterIndex Path")));
        QCOMPARE(f.settings.stored(QStringLiteral("OpenFilterIndex")), storedAfter);
        QVERIFY(f.messages.messages.isEmpty());
    }

    void adds_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("after");
        QTest::addColumn<bool>("listWasEmpty");

        QTest::newRow("one file") << QString() << QStringLiteral("/d/a") << QString()
                                  << QStringLiteral("/d/a") << true;
        // Into an empty list nothing is tested, not even names equal but for case.
        QTest::newRow("several into an empty list")
            << QString() << QStringLiteral("/d/b /d/a /d/B") << QString()
            << QStringLiteral("/d/b /d/a /d/B") << true;
        QTest::newRow("one already listed in another case")
            << QStringLiteral("/D/A") << QStringLiteral("/d/a /d/c") << QString()
            << QStringLiteral("/D/A /d/c") << false;
        QTest::newRow("one text with NULs")
            << QStringLiteral("/x") << QString() << QStringLiteral("/d|a|b")
            << QStringLiteral("/x /d/a /d/b") << false;
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
        f.settings.setStored(QStringLiteral("Path"), QStringLiteral("/start/"));
        f.dialog.answers = {accepted(chosen)};
        f.dialog.answers.first().rawResult = bars(raw, QChar(0));
        f.command.cmdOpen_Click();

        QCOMPARE(f.dialog.requests.first().initialFolder, QStringLiteral("/start/"));
        QCOMPARE(f.texts(), split(after));
        QCOMPARE(f.list.ListWasEmpty, listWasEmpty);
        QCOMPARE(f.settings.stored(QStringLiteral("Path")), QStringLiteral("/d/"));
        const qsizetype names = raw.isEmpty() ? split(chosen).size() : raw.count(QLatin1Char('|'));
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
            << QStringLiteral("Windows cannot open this many files at once. Try opening fewer "
                              "files.||Error number:  20476|Error generated by: Dlg|Error "
                              "description: Big");
        QTest::newRow("other") << OpenFileDialog::Status::Failed << -7
                               << QStringLiteral("The following error occured:||Error number: -7|"
                                                 "Error generated by: Dlg|Error description: Big");
    }
    void notConfirmed() {
        QFETCH(OpenFileDialog::Status, status);
        QFETCH(int, number);
        QFETCH(QString, text);

        Fixture f;
        f.list.model().append(QStringLiteral("/d/a"));
        OpenFileDialog::Result answer = accepted(QStringLiteral("/d/b"));
        answer.status = status;
        answer.errorNumber = number;
        answer.errorSource = QStringLiteral("Dlg");
        answer.errorDescription = QStringLiteral("Big");
        f.dialog.answers = {answer};
        if (!text.isEmpty())
            f.messages.enqueue({Button::Ok});
        f.command.cmdOpen_Click();

        const OpenFileDialog::Request& request = f.dialog.requests.first();
        QCOMPARE(request.initialFolder, programFolder());
        QStringList filters;
        for (const FileFilter& filter : request.filters)
            filters.append(filter.description % QLatin1Char('=') % filter.patterns.join(u','));
        QCOMPARE(filters.join(QLatin1Char('|')),
                 QStringLiteral("All Files (*.*)=*|Text Files(*.txt)=*.txt|"
                                "HTML Files (*.html;*.htm)=*.html,*.htm"));
        QCOMPARE(f.texts(), QStringList{QStringLiteral("/d/a")});
        QVERIFY(f.settings.writtenKeys().isEmpty());
        QVERIFY(!f.list.ListWasEmpty);
        QCOMPARE(f.messages.messages.size(), text.isEmpty() ? 0 : 1);
        for (const Message& message : std::as_const(f.messages.messages)) {
            QCOMPARE(message.text, bars(text, QChar(13)));
            QCOMPARE(message.title, QStringLiteral("Varnex"));
            QCOMPARE(message.icon, Icon::Critical);
            QCOMPARE(message.buttons, Buttons::Ok);
        }
    }

    // Events run between names; an Open pressed then shows no second dialog, and the first
    // still adds every name.
    void cannotStartTwice() {
        Fixture f;
        f.dialog.answers = {accepted(QStringLiteral("/d/a /d/b /d/c")),
                            accepted(QStringLiteral("/e"))};
        f.events.onProcessEvents = [&] {
            f.command.cmdOpen_Click();
        };
        f.command.cmdOpen_Click();

        QCOMPARE(f.dialog.requests.size(), 1);
        QCOMPARE(f.texts(), split(QStringLiteral("/d/a /d/b /d/c")));
        f.events.onProcessEvents = nullptr;
        f.command.cmdOpen_Click(); // usable again afterwards
        QCOMPARE(f.list.model().count(), 4);
    }
};

QTEST_GUILESS_MAIN(TestOpenCommand)
#include "tst_OpenCommand.moc"
