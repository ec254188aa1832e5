#include "TestSupport.h"
#include "selection/OpenCommand.h"
#include "settings/MemorySettingsStore.h"

#include <QTest>

using namespace varnex;

namespace {

// Answers the Open dialog from a queue and records what it was asked.
class ScriptedOpenDialog : public OpenFileDialog {
public:
    QList<Result> answers;
    QList<Request> requests;

    Result show(const Request& request) override {
        requests.append(request);
        if (answers.isEmpty()) {
            QTest::qFail("Open dialog shown without an answer", __FILE__, __LINE__);
            return {};
        }
        return answers.takeFirst();
    }
};

OpenFileDialog::Result accepted(const QStringList& paths, int filterIndex = 2) {
    OpenFileDialog::Result result;
    result.status = OpenFileDialog::Status::Accepted;
    result.paths = paths;
    result.filterIndex = filterIndex;
    return result;
}

QStringList texts(const FileListModel& model) {
    QStringList result;
    for (int row = 0; row < model.count(); ++row)
        result.append(model.entryAt(row));
    return result;
}

constexpr QChar Nul(0);

struct Fixture {
    FakeFileSystem fs;
    CountingEventPump events;
    FileList list{fs, events};
    ScriptedOpenDialog dialog;
    MemorySettingsStore settings;
    ScriptedMessageBox messages;
    OpenCommand command{list, dialog, settings, messages, events};
};

} // namespace

Q_DECLARE_METATYPE(varnex::OpenFileDialog::Status)

class TestOpenCommand : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parse_data();
    void parse();
    void filterIndex_data();
    void filterIndex();
    void adds_data();
    void adds();
    void cancelChangesNothing();
    void failures_data();
    void failures();
    void cannotStartTwice();
};

void TestOpenCommand::parse_data() {
    QTest::addColumn<QString>("raw");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("paths");

    QTest::newRow("one file") << QStringLiteral("/data/a.txt") << QStringLiteral("/data/")
                              << QStringList{QStringLiteral("/data/a.txt")};
    QTest::newRow("several") << (QStringLiteral("/data") % Nul % QStringLiteral("a.txt") % Nul %
                                 QStringLiteral("b c.txt"))
                             << QStringLiteral("/data/")
                             << QStringList{QStringLiteral("/data/a.txt"),
                                            QStringLiteral("/data/b c.txt")};
    QTest::newRow("folder ending in the separator")
        << (QStringLiteral("/") % Nul % QStringLiteral("a") % Nul % QStringLiteral("b"))
        << QStringLiteral("//") << QStringList{QStringLiteral("//a"), QStringLiteral("//b")};
    QTest::newRow("empty names skipped")
        << (QStringLiteral("/d") % Nul % QStringLiteral("a") % Nul % Nul % QStringLiteral("b") %
            Nul)
        << QStringLiteral("/d/") << QStringList{QStringLiteral("/d/a"), QStringLiteral("/d/b")};
}

void TestOpenCommand::parse() {
    QFETCH(QString, raw);
    QFETCH(QString, folder);
    QFETCH(QStringList, paths);

    const OpenResultParts parts = parseOpenResult(raw, QStringLiteral("/"));
    QCOMPARE(parts.folderWithSeparator, folder);
    QCOMPARE(parts.paths, paths);
}

void TestOpenCommand::filterIndex_data() {
    QTest::addColumn<QString>("stored"); // empty: nothing stored
    QTest::addColumn<int>("opensWith");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<QString>("storedAfter");

    QTest::newRow("none stored") << QString() << 2 << 2 << QStringLiteral("2");
    QTest::newRow("HTML filter, then all files")
        << QStringLiteral("3") << 3 << 1 << QStringLiteral("1");
    QTest::newRow("blanks around") << QStringLiteral(" 1 ") << 1 << 3 << QStringLiteral("3");
    QTest::newRow("not a number") << QStringLiteral("abc") << 2 << 3 << QStringLiteral("3");
    QTest::newRow("fraction") << QStringLiteral("1.5") << 2 << 1 << QStringLiteral("1");
    QTest::newRow("zero") << QStringLiteral("0") << 2 << 2 << QStringLiteral("2");
    QTest::newRow("beyond the filters") << QStringLiteral("4") << 2 << 2 << QStringLiteral("2");
    QTest::newRow("dialog answers no filter")
        << QStringLiteral("3") << 3 << 0 << QStringLiteral("3");
}

void TestOpenCommand::filterIndex() {
    QFETCH(QString, stored);
    QFETCH(int, opensWith);
    QFETCH(int, chosen);
    QFETCH(QString, storedAfter);

    Fixture f;
    if (!stored.isNull())
        f.settings.setStored(QStringLiteral("OpenFilterIndex"), stored);
    f.dialog.answers = {accepted({QStringLiteral("/d/a.txt")}, chosen)};

    f.command.cmdOpen_Click();

    QCOMPARE(f.dialog.requests.size(), 1);
    QCOMPARE(f.dialog.requests.first().filterIndex, opensWith);
    QCOMPARE(f.settings.stored(QStringLiteral("OpenFilterIndex")),
             std::optional<QString>(storedAfter));
    QCOMPARE(f.settings.writtenKeys(),
             (QStringList{QStringLiteral("OpenFilterIndex"), QStringLiteral("Path")}));
    QVERIFY(f.messages.messages.isEmpty());
}

void TestOpenCommand::adds_data() {
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("chosen");
    QTest::addColumn<QString>("raw");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<bool>("listWasEmpty");
    QTest::addColumn<QString>("path");

    QTest::newRow("one file") << QStringList{} << QStringList{QStringLiteral("/d/a.txt")}
                              << QString() << QStringList{QStringLiteral("/d/a.txt")} << true
                              << QStringLiteral("/d/");
    // Into an empty list nothing is tested, not even names equal but for case.
    const QStringList three{QStringLiteral("/d/b"), QStringLiteral("/d/a"), QStringLiteral("/d/B")};
    QTest::newRow("several into an empty list")
        << QStringList{} << three << QString() << three << true << QStringLiteral("/d/");
    QTest::newRow("one of them already listed in another case")
        << QStringList{QStringLiteral("/D/A")}
        << QStringList{QStringLiteral("/d/a"), QStringLiteral("/d/c")} << QString()
        << QStringList{QStringLiteral("/D/A"), QStringLiteral("/d/c")} << false
        << QStringLiteral("/d/");
    QTest::newRow("one text with NULs")
        << QStringList{QStringLiteral("/x/y")} << QStringList{}
        << (QStringLiteral("/d") % Nul % QStringLiteral("a") % Nul % QStringLiteral("b"))
        << QStringList{QStringLiteral("/x/y"), QStringLiteral("/d/a"), QStringLiteral("/d/b")}
        << false << QStringLiteral("/d/");
}

void TestOpenCommand::adds() {
    QFETCH(QStringList, before);
    QFETCH(QStringList, chosen);
    QFETCH(QString, raw);
    QFETCH(QStringList, after);
    QFETCH(bool, listWasEmpty);
    QFETCH(QString, path);

    Fixture f;
    for (const QString& entry : before)
        f.list.model().append(entry);
    f.list.ListWasEmpty = !listWasEmpty;
    f.settings.setStored(QStringLiteral("Path"), QStringLiteral("/start/"));
    OpenFileDialog::Result answer = accepted(chosen);
    answer.rawResult = raw;
    f.dialog.answers = {answer};

    f.command.cmdOpen_Click();

    QCOMPARE(f.dialog.requests.first().initialFolder, QStringLiteral("/start/"));
    QCOMPARE(texts(f.list.model()), after);
    QCOMPARE(f.list.ListWasEmpty, listWasEmpty);
    QCOMPARE(f.settings.stored(QStringLiteral("Path")), std::optional<QString>(path));
    const qsizetype names = chosen.isEmpty() ? raw.count(Nul) : chosen.size();
    QCOMPARE(f.events.calls, names - 1); // between names, not after the last
}

void TestOpenCommand::cancelChangesNothing() {
    Fixture f;
    f.list.model().append(QStringLiteral("/d/a"));
    f.dialog.answers = {OpenFileDialog::Result{}};

    f.command.cmdOpen_Click();

    const OpenFileDialog::Request& request = f.dialog.requests.first();
    QCOMPARE(request.initialFolder, programFolder());
    QCOMPARE(request.filterIndex, 2);
    QCOMPARE(request.filters.size(), 3);
    QCOMPARE(request.filters.at(0),
             (FileFilter{QStringLiteral("All Files (*.*)"), {QStringLiteral("*")}}));
    QCOMPARE(request.filters.at(1).description, QStringLiteral("Text Files(*.txt)"));
    QCOMPARE(request.filters.at(2).patterns,
             (QStringList{QStringLiteral("*.html"), QStringLiteral("*.htm")}));
    QCOMPARE(texts(f.list.model()), QStringList{QStringLiteral("/d/a")});
    QVERIFY(f.settings.writtenKeys().isEmpty());
    QVERIFY(!f.list.ListWasEmpty);
    QVERIFY(f.messages.messages.isEmpty());
}

void TestOpenCommand::failures_data() {
    QTest::addColumn<OpenFileDialog::Status>("status");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("text");

    const QChar cr(13);
    QTest::newRow("too many files")
        << OpenFileDialog::Status::ResultTooLarge << 20476
        << (QStringLiteral("Windows cannot open this many files at once. Try opening fewer "
                           "files.") %
            cr % cr % QStringLiteral("Error number:  20476") % cr %
            QStringLiteral("Error generated by: Dialog") % cr %
            QStringLiteral("Error description: Too big"));
    QTest::newRow("other failure, negative number")
        << OpenFileDialog::Status::Failed << -7
        << (QStringLiteral("The following error occured:") % cr % cr %
            QStringLiteral("Error number: -7") % cr % QStringLiteral("Error generated by: Dialog") %
            cr % QStringLiteral("Error description: Too big"));
}

void TestOpenCommand::failures() {
    QFETCH(OpenFileDialog::Status, status);
    QFETCH(int, number);
    QFETCH(QString, text);

    Fixture f;
    OpenFileDialog::Result answer = accepted({QStringLiteral("/d/a")});
    answer.status = status;
    answer.errorNumber = number;
    answer.errorSource = QStringLiteral("Dialog");
    answer.errorDescription = QStringLiteral("Too big");
    f.dialog.answers = {answer};
    f.messages.enqueue({Button::Ok});

    f.command.cmdOpen_Click();

    QCOMPARE(f.messages.messages.size(), 1);
    const Message& message = f.messages.messages.first();
    QCOMPARE(message.text, text);
    QCOMPARE(message.title, QStringLiteral("Varnex"));
    QCOMPARE(message.icon, Icon::Critical);
    QCOMPARE(message.buttons, Buttons::Ok);
    QCOMPARE(f.list.model().count(), 0);
    QVERIFY(f.settings.writtenKeys().isEmpty());
}

// Events run between names; an Open pressed then must not start a second dialog, and the first
// still adds every name.
void TestOpenCommand::cannotStartTwice() {
    Fixture f;
    const QStringList chosen{QStringLiteral("/d/a"), QStringLiteral("/d/b"),
                             QStringLiteral("/d/c")};
    f.dialog.answers = {accepted(chosen), accepted({QStringLiteral("/e/z")})};
    f.events.onProcessEvents = [&] {
        QVERIFY(f.command.running());
        f.command.cmdOpen_Click();
    };

    f.command.cmdOpen_Click();

    QCOMPARE(f.dialog.requests.size(), 1);
    QCOMPARE(texts(f.list.model()), chosen);
    QVERIFY(!f.command.running());
    f.events.onProcessEvents = nullptr;
    f.command.cmdOpen_Click(); // usable again afterwards
    QCOMPARE(f.list.model().count(), 4);
}

QTEST_GUILESS_MAIN(TestOpenCommand)
#include "tst_OpenCommand.moc"
