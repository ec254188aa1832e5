#include "settings/MemorySettingsStore.h"
#include "settings/StoredChoices.h"

#include <QTest>
#include <map>

using namespace varnex;

namespace {

QString s(const char16_t* text) {
    return QString::fromUtf16(text);
}

const QString programFolder = QStringLiteral("/opt/varnex");

// Records every assignment as text and keeps the selected member of each option array the way
// the window does: True selects, False clears only the selected member.
class RecordingTarget : public ChoicesTarget {
public:
    QStringList calls;
    std::map<OptionArray, int> selected; // -1: no member selected

    void setOptionMember(OptionArray array, int index, bool value) override {
        calls << QStringLiteral("option %1/%2 %3").arg(int(array)).arg(index).arg(value);
        if (value)
            selected[array] = index;
        else if (selected[array] == index)
            selected[array] = -1;
    }
    void setCheckBox(CheckBox which, int state) override {
        calls << QStringLiteral("check %1 %2").arg(int(which)).arg(state);
    }
    void setText(ChoiceText which, const QString& text) override {
        calls << QStringLiteral("text %1 ").arg(int(which)) + text;
    }
    void setFolderCaption(const QString& f) override { calls << QStringLiteral("caption ") + f; }
    void setFolderToolTip(const QString& f) override { calls << QStringLiteral("tip ") + f; }
    void setDir1Folder(const QString& f) override { calls << QStringLiteral("dir1 ") + f; }
    void setFile1Folder(const QString& f) override { calls << QStringLiteral("file1 ") + f; }
};

class FixedSource : public ChoicesSource {
public:
    bool optionMember(OptionArray array, int index) const override {
        return (array == OptionArray::TypeOfRename && index == 2) ||
               (array == OptionArray::FolderFile && index == 1);
    }
    int checkBox(CheckBox which) const override { return which == CheckBox::CaseSensitive ? 2 : 0; }
    QString text(ChoiceText which) const override {
        return which == ChoiceText::Postpend ? s(u" =;#\"x\" ") : QString();
    }
    QString folderCaption() const override { return s(u"/home/u/data"); }
};

QStringList applyTo(const MemorySettingsStore& store, RecordingTarget& target) {
    applyStoredChoices(store, target, programFolder);
    return target.calls;
}

// The assignments of an empty store, in reading order. Enum values: FolderFile 0,
// TypeOfRename 1, IncludeExtension 2, PostpendPosition 3, ConvertCase 4; CheckBox Recursive 0,
// CaseSensitive 1, ReadOnly 2, Hidden 3, System 4; ChoiceText Find 0 .. Postpend 3.
const QStringList defaultCalls{s(u"option 0/0 1"),      s(u"caption /opt/varnex"),
                               s(u"tip /opt/varnex"),   s(u"dir1 /opt/varnex"),
                               s(u"file1 /opt/varnex"), s(u"check 0 0"),
                               s(u"option 0/1 0"),      s(u"option 1/0 1"),
                               s(u"text 0 "),           s(u"text 1 "),
                               s(u"option 2/0 0"),      s(u"option 2/1 1"),
                               s(u"check 1 1"),         s(u"option 1/1 0"),
                               s(u"text 2 "),           s(u"option 1/2 0"),
                               s(u"text 3 "),           s(u"option 3/0 1"),
                               s(u"option 3/1 0"),      s(u"option 1/3 0"),
                               s(u"option 4/0 1"),      s(u"option 4/1 0"),
                               s(u"option 4/2 0"),      s(u"check 2 0"),
                               s(u"check 3 0"),         s(u"check 4 0")};

const QStringList choiceWriteKeys{s(u"Select a Folder"),
                                  s(u"Select Files"),
                                  s(u"Path"),
                                  s(u"Option Replace"),
                                  s(u"Text Find"),
                                  s(u"Text Replace"),
                                  s(u"Option Prepend"),
                                  s(u"Text Prepend"),
                                  s(u"Option Include Extension"),
                                  s(u"Option Exclude Extension"),
                                  s(u"Case Sensitive"),
                                  s(u"Option Postpend"),
                                  s(u"Text Postpend"),
                                  s(u"Option Postpend Before"),
                                  s(u"Option Postpend After"),
                                  s(u"Option Convert Case"),
                                  s(u"Option Convert LowerCase"),
                                  s(u"Option Convert UpperCase"),
                                  s(u"Option Convert ProperCase"),
                                  s(u"Checkbox Recursive"),
                                  s(u"Checkbox ReadOnly"),
                                  s(u"Checkbox Hidden"),
                                  s(u"Checkbox System")};

} // namespace

class TestStoredChoices : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void emptyStoreGivesDefaults() {
        MemorySettingsStore store;
        RecordingTarget target;
        QCOMPARE(applyTo(store, target), defaultCalls);
        QCOMPARE(store.readKeys(), QStringList({s(u"Select a Folder"),
                                                s(u"Path"),
                                                s(u"Path"),
                                                s(u"Path"),
                                                s(u"Path"),
                                                s(u"Checkbox Recursive"),
                                                s(u"Select Files"),
                                                s(u"Option Replace"),
                                                s(u"Text Find"),
                                                s(u"Text Replace"),
                                                s(u"Option Include Extension"),
                                                s(u"Option Exclude Extension"),
                                                s(u"Case Sensitive"),
                                                s(u"Option Prepend"),
                                                s(u"Text Prepend"),
                                                s(u"Option Postpend"),
                                                s(u"Text Postpend"),
                                                s(u"Option Postpend Before"),
                                                s(u"Option Postpend After"),
                                                s(u"Option Convert Case"),
                                                s(u"Option Convert LowerCase"),
                                                s(u"Option Convert UpperCase"),
                                                s(u"Option Convert ProperCase"),
                                                s(u"Checkbox ReadOnly"),
                                                s(u"Checkbox Hidden"),
                                                s(u"Checkbox System")}));
        for (const auto& access : store.accesses()) {
            QCOMPARE(access.application, s(u"Varnex"));
            QCOMPARE(access.section, s(u"Settings"));
        }
        const WindowSizeChoice size = readWindowSize(store);
        QVERIFY(!size.maximized);
        QCOMPARE(size.width, 8000.0);
        QCOMPARE(size.height, 6480.0);
        QCOMPARE(readOpenFilterIndex(store), 2);
        QCOMPARE(readOpenPath(store, programFolder), programFolder);
    }

    // One stored value changes only its own assignments (`from` becomes `to`, or disappears
    // when `to` is empty); every other key still applies as on an empty store.
    void oneStoredValue_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("from");
        QTest::addColumn<QStringList>("to");
        const auto row = [](const char* name, const char16_t* key, const char16_t* value,
                            const QStringList& from, const QStringList& to) {
            QTest::newRow(name) << s(key) << s(value) << from << to;
        };
        const QStringList hidden{s(u"check 3 0")};
        row("tick 7", u"Checkbox Hidden", u"7", hidden, {});
        row("tick word", u"Checkbox Hidden", u"ticked", hidden, {});
        row("tick negative", u"Checkbox Hidden", u"-1", hidden, {});
        row("tick 1.5 rounds", u"Checkbox Hidden", u"1.5", hidden, {s(u"check 3 2")});
        row("greyed case", u"Case Sensitive", u"2", {s(u"check 1 1")}, {s(u"check 1 2")});
        row("tick empty", u"Case Sensitive", u"", {s(u"check 1 1")}, {});
        const QStringList replace{s(u"option 1/0 1")};
        row("truth lower case", u"Option Replace", u"false", replace, {s(u"option 1/0 0")});
        row("truth zero", u"Option Replace", u"0", replace, {s(u"option 1/0 0")});
        row("truth word", u"Option Replace", u"Yes", replace, {});
        row("truth empty", u"Option Replace", u"", replace, {});
        row("truth -1", u"Select Files", u"-1", {s(u"option 0/1 0")}, {s(u"option 0/1 1")});
        row("free text kept", u"Text Find", u" a=b ", {s(u"text 0 ")}, {s(u"text 0  a=b ")});
        const QStringList path{s(u"caption /opt/varnex"), s(u"tip /opt/varnex"),
                               s(u"dir1 /opt/varnex"), s(u"file1 /opt/varnex")};
        row("missing folder", u"Path", u"/no/such", path,
            {s(u"caption /no/such"), s(u"tip /no/such"), s(u"dir1 /no/such"),
             s(u"file1 /no/such")});
        row("empty path is not missing", u"Path", u"", path,
            {s(u"caption "), s(u"tip "), s(u"dir1 "), s(u"file1 ")});
    }
    void oneStoredValue() {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QStringList, from);
        QFETCH(QStringList, to);
        QStringList expected = defaultCalls;
        for (qsizetype i = 0; i < from.size(); ++i) {
            const qsizetype at = expected.indexOf(from[i]);
            QVERIFY(at >= 0);
            if (to.isEmpty())
                expected.removeAt(at);
            else
                expected[at] = to[i];
        }
        MemorySettingsStore store;
        store.setStored(key, value);
        RecordingTarget target;
        QCOMPARE(applyTo(store, target), expected);
    }

    void lastMemberReadWins() {
        MemorySettingsStore store;
        store.setStored(s(u"Select a Folder"), s(u"True"));
        store.setStored(s(u"Select Files"), s(u"True"));
        for (const char16_t* key :
             {u"Option Replace", u"Option Prepend", u"Option Postpend", u"Option Convert Case"})
            store.setStored(s(key), s(u"False"));
        store.setStored(s(u"Option Convert UpperCase"), s(u"TRUE"));
        store.setStored(s(u"Option Convert ProperCase"), s(u"1"));
        RecordingTarget target;
        applyTo(store, target);
        QCOMPARE(target.selected[OptionArray::FolderFile], 1);
        QCOMPARE(target.selected[OptionArray::TypeOfRename], -1);
        QCOMPARE(target.selected[OptionArray::ConvertCase], 2);
    }

    void windowSize_data() {
        QTest::addColumn<QString>("maximized");
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        QTest::addColumn<bool>("expectMaximized");
        QTest::addColumn<double>("outerWidth");  // with a designed width of 11760
        QTest::addColumn<double>("outerHeight"); // with a designed height of 5000
        QTest::addColumn<int>("reads");
        const auto row = [](const char* name, const char16_t* maximized, const char16_t* width,
                            const char16_t* height, bool expectMaximized, double w, double h,
                            int reads) {
            QTest::newRow(name) << s(maximized) << s(width) << s(height) << expectMaximized << w
                                << h << reads;
        };
        row("maximised reads no size", u"True", u"9000", u"7000", true, 11760, 6480, 1);
        row("lower-case true", u"true", u"9000", u"7000", false, 9000, 7000, 3);
        row("one does not maximise", u"1", u"9000", u"7000", false, 9000, 7000, 3);
        row("raised to minimum", u"False", u"5000", u"100", false, 8000, 6480, 3);
        row("minimum itself kept", u"False", u"8000", u"6480", false, 8000, 6480, 3);
        row("fraction kept", u"False", u"9000.5", u"7000", false, 9000.5, 7000, 3);
        row("not a number: designed", u"False", u"wide", u"", false, 11760, 6480, 3);
        row("beyond single precision", u"False", u"1e39", u"7000", false, 11760, 7000, 3);
    }
    void windowSize() {
        QFETCH(QString, maximized);
        QFETCH(QString, width);
        QFETCH(QString, height);
        QFETCH(bool, expectMaximized);
        QFETCH(double, outerWidth);
        QFETCH(double, outerHeight);
        QFETCH(int, reads);
        MemorySettingsStore store;
        store.setStored(s(u"Window Maximized"), maximized);
        store.setStored(s(u"Window Width"), width);
        store.setStored(s(u"Window Height"), height);
        const WindowSizeChoice size = readWindowSize(store);
        QCOMPARE(size.maximized, expectMaximized);
        QCOMPARE(size.outerWidth(11760), outerWidth);
        QCOMPARE(size.outerHeight(5000), outerHeight);
        QCOMPARE(store.readKeys().size(), reads);
    }

    void saveWritesInOrder_data() {
        QTest::addColumn<int>("state");
        QTest::addColumn<QStringList>("windowWrites"); // key=value
        QTest::newRow("minimised") << int(WindowState::Minimized) << QStringList();
        QTest::newRow("maximised")
            << int(WindowState::Maximized) << QStringList{s(u"Window Maximized=True")};
        QTest::newRow("normal") << int(WindowState::Normal)
                                << QStringList{s(u"Window Maximized=False"),
                                               s(u"Window Width=9000"), s(u"Window Height=7000.5")};
    }
    void saveWritesInOrder() {
        QFETCH(int, state);
        QFETCH(QStringList, windowWrites);
        MemorySettingsStore store;
        QVERIFY(saveChoices(store, FixedSource(), WindowState(state), 9000, 7000.5));
        QStringList writes;
        for (const auto& access : store.accesses()) {
            if (access.operation == MemorySettingsStore::Operation::Write)
                writes << access.key + u'=' + access.value;
        }
        QCOMPARE(writes.mid(0, windowWrites.size()), windowWrites);
        QCOMPARE(store.writtenKeys().mid(windowWrites.size()), choiceWriteKeys);
        QCOMPARE(store.accesses().last().operation, MemorySettingsStore::Operation::Flush);
        QCOMPARE(store.stored(s(u"Select Files")), s(u"True"));
        QCOMPARE(store.stored(s(u"Select a Folder")), s(u"False"));
        QCOMPARE(store.stored(s(u"Option Postpend")), s(u"True"));
        QCOMPARE(store.stored(s(u"Case Sensitive")), s(u"2"));
        QCOMPARE(store.stored(s(u"Text Postpend")), s(u" =;#\"x\" "));
        QCOMPARE(store.stored(s(u"Path")), s(u"/home/u/data"));
    }

    void saveReportsFailedFlush() {
        MemorySettingsStore store;
        store.setFlushFails(true);
        QVERIFY(!saveChoices(store, FixedSource(), WindowState::Normal, 9000, 7000));
        QVERIFY(!writeOpenChoice(store, 1, s(u"/data/")));
    }

    void openFilterIndex_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("index"); // 0: none, the Open command uses 2
        QTest::newRow("1") << s(u"1") << 1;
        QTest::newRow("3") << s(u"3") << 3;
        QTest::newRow("2.0") << s(u"2.0") << 2;
        QTest::newRow("0") << s(u"0") << 0;
        QTest::newRow("4") << s(u"4") << 0;
        QTest::newRow("word") << s(u"html") << 0;
        QTest::newRow("empty") << s(u"") << 0;
    }
    void openFilterIndex() {
        QFETCH(QString, stored);
        QFETCH(int, index);
        MemorySettingsStore store;
        store.setStored(s(u"OpenFilterIndex"), stored);
        QCOMPARE(readOpenFilterIndex(store).value_or(0), index);
    }

    void openChoiceWritesFilterThenPath() {
        MemorySettingsStore store;
        QVERIFY(writeOpenChoice(store, 1, s(u"/data/")));
        QCOMPARE(store.writtenKeys(), QStringList({s(u"OpenFilterIndex"), s(u"Path")}));
        QCOMPARE(store.accesses().last().operation, MemorySettingsStore::Operation::Flush);
        QCOMPARE(readOpenFilterIndex(store), 1);
        QCOMPARE(readOpenPath(store, programFolder), s(u"/data/"));
    }
};

QTEST_APPLESS_MAIN(TestStoredChoices)
#include "tst_StoredChoices.moc"
