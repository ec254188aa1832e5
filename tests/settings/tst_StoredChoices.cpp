#include "settings/StoredChoices.h"
#include "support/MemorySettingsStore.h"

#include <QTest>

using namespace varnex;
using namespace Qt::StringLiterals;

namespace {

const QString ProgramFolder = u"/opt/varnex"_s;

// Records every assignment as text. As members are assigned in index order, the calls show
// that the last member read wins.
class RecordingTarget : public ChoicesTarget {
public:
    QStringList calls;

    void setOptionMember(OptionArray array, int index, bool value) override {
        calls << u"option %1/%2 %3"_s.arg(int(array)).arg(index).arg(value);
    }
    void setCheckBox(CheckBox which, int state) override {
        calls << u"check %1 %2"_s.arg(int(which)).arg(state);
    }
    void setText(ChoiceText which, const QString& text) override {
        calls << u"text %1 "_s.arg(int(which)) + text;
    }
    void setFolderCaption(const QString& f) override { calls << u"caption "_s + f; }
    void setFolderToolTip(const QString& f) override { calls << u"tip "_s + f; }
    void setDir1Folder(const QString& f) override { calls << u"dir1 "_s + f; }
    void setFile1Folder(const QString& f) override { calls << u"file1 "_s + f; }
};

// Files mode, Case Sensitive greyed, a postpend text with characters INI files treat specially.
class FixedSource : public ChoicesSource {
public:
    bool optionMember(OptionArray array, int index) const override {
        return array == OptionArray::FolderFile && index == 1;
    }
    int checkBox(CheckBox which) const override { return which == CheckBox::CaseSensitive ? 2 : 0; }
    QString text(ChoiceText which) const override {
        return which == ChoiceText::Postpend ? u" =;#\"x\" "_s : QString();
    }
    QString folderCaption() const override { return u"/home/u/data"_s; }
};

QStringList list(const QString& joined) {
    return joined.isEmpty() ? QStringList() : joined.split(u'|');
}

// The assignments of an empty store, in reading order. Enum values: FolderFile 0,
// TypeOfRename 1, IncludeExtension 2, PostpendPosition 3, ConvertCase 4; CheckBox Recursive 0,
// CaseSensitive 1, ReadOnly 2, Hidden 3, System 4; ChoiceText Find 0 .. Postpend 3.
const QStringList DefaultCalls =
    list(u"option 0/0 1|caption /opt/varnex|tip /opt/varnex|dir1 /opt/varnex|file1 /opt/varnex|"
         u"check 0 0|option 0/1 0|option 1/0 1|text 0 |text 1 |option 2/0 0|option 2/1 1|"
         u"check 1 1|option 1/1 0|text 2 |option 1/2 0|text 3 |option 3/0 1|option 3/1 0|"
         u"option 1/3 0|option 4/0 1|option 4/1 0|option 4/2 0|check 2 0|check 3 0|check 4 0"_s);

} // namespace

class TestStoredChoices : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void emptyStoreGivesDefaults() {
        MemorySettingsStore store;
        RecordingTarget target;
        applyStoredChoices(store, target, ProgramFolder);
        QCOMPARE(target.calls, DefaultCalls);
        QCOMPARE(store.readKeys(),
                 list(u"Select a Folder|Path|Path|Path|Path|Checkbox Recursive|Select Files|"
                      u"Option Replace|Text Find|Text Replace|Option Include Extension|"
                      u"Option Exclude Extension|Case Sensitive|Option Prepend|Text Prepend|"
                      u"Option Postpend|Text Postpend|Option Postpend Before|"
                      u"Option Postpend After|Option Convert Case|Option Convert LowerCase|"
                      u"Option Convert UpperCase|Option Convert ProperCase|Checkbox ReadOnly|"
                      u"Checkbox Hidden|Checkbox System"_s));
        for (const auto& access : store.accesses())
            QCOMPARE(access.application + u'/' + access.section, u"Varnex/Settings"_s);
        const WindowSizeChoice size = readWindowSize(store);
        QVERIFY(!size.maximized);
        QCOMPARE(size.width, 8000.0);
        QCOMPARE(size.height, 6480.0);
        QCOMPARE(readOpenFilterIndex(store), 2);
        QCOMPARE(readOpenPath(store, ProgramFolder), ProgramFolder);
    }

    // One stored value changes only its own assignments (`from` becomes `to`, or disappears
    // when `to` is empty); every other key still applies as on an empty store.
    void oneStoredValue_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        const auto row = [](const QString& key, const QString& value, const QString& from,
                            const QString& to) {
            QTest::newRow(QString(key + u'=' + value).toUtf8().constData())
                << key << value << from << to;
        };
        row(u"Checkbox Hidden"_s, u"7"_s, u"check 3 0"_s, {});
        row(u"Checkbox Hidden"_s, u"ticked"_s, u"check 3 0"_s, {});
        row(u"Checkbox Hidden"_s, u"1.5"_s, u"check 3 0"_s, u"check 3 2"_s);
        row(u"Case Sensitive"_s, u"2"_s, u"check 1 1"_s, u"check 1 2"_s);
        row(u"Option Replace"_s, u"false"_s, u"option 1/0 1"_s, u"option 1/0 0"_s);
        row(u"Option Replace"_s, u"Yes"_s, u"option 1/0 1"_s, {});
        row(u"Select Files"_s, u"-1"_s, u"option 0/1 0"_s, u"option 0/1 1"_s);
        row(u"Text Find"_s, u" a=b "_s, u"text 0 "_s, u"text 0  a=b "_s);
        const QString programPath =
            u"caption /opt/varnex|tip /opt/varnex|dir1 /opt/varnex|file1 /opt/varnex"_s;
        row(u"Path"_s, u"/no/such"_s, programPath,
            u"caption /no/such|tip /no/such|dir1 /no/such|file1 /no/such"_s);
        row(u"Path"_s, {}, programPath, u"caption |tip |dir1 |file1 "_s);
    }
    void oneStoredValue() {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QStringList expected = DefaultCalls;
        const QStringList fromCalls = list(from), toCalls = list(to);
        for (qsizetype i = 0; i < fromCalls.size(); ++i) {
            const qsizetype at = expected.indexOf(fromCalls[i]);
            QVERIFY(at >= 0);
            if (toCalls.isEmpty())
                expected.removeAt(at);
            else
                expected[at] = toCalls[i];
        }
        MemorySettingsStore store;
        store.setStored(key, value);
        RecordingTarget target;
        applyStoredChoices(store, target, ProgramFolder);
        QCOMPARE(target.calls, expected);
    }

    void windowSize_data() {
        QTest::addColumn<QString>("maximized");
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        QTest::addColumn<bool>("expectMaximized");
        QTest::addColumn<double>("outerWidth");  // with a designed width of 11760
        QTest::addColumn<double>("outerHeight"); // with a designed height of 5000
        QTest::addColumn<int>("reads");
        const auto row = [](const char* name, const QString& maximized, const QString& width,
                            const QString& height, bool expectMaximized, double w, double h,
                            int reads) {
            QTest::newRow(name) << maximized << width << height << expectMaximized << w << h
                                << reads;
        };
        row("maximised reads no size", u"True"_s, u"9000"_s, u"7000"_s, true, 11760, 6480, 1);
        row("lower-case true", u"true"_s, u"9000"_s, u"7000"_s, false, 9000, 7000, 3);
        row("one does not maximise", u"1"_s, u"9000"_s, u"7000"_s, false, 9000, 7000, 3);
        row("raised to minimum", u"False"_s, u"5000"_s, u"100"_s, false, 8000, 6480, 3);
        row("minimum itself kept", u"False"_s, u"8000"_s, u"6480"_s, false, 8000, 6480, 3);
        row("not a number: designed", u"False"_s, u"wide"_s, {}, false, 11760, 6480, 3);
        row("beyond single precision", u"False"_s, u"1e39"_s, u"7000"_s, false, 11760, 7000, 3);
    }
    void windowSize() {
        QFETCH(QString, maximized);
        QFETCH(QString, width);
        QFETCH(QString, height);
        MemorySettingsStore store;
        store.setStored(u"Window Maximized"_s, maximized);
        store.setStored(u"Window Width"_s, width);
        store.setStored(u"Window Height"_s, height);
        const WindowSizeChoice size = readWindowSize(store);
        QTEST(size.maximized, "expectMaximized");
        QTEST(size.outerWidth(11760), "outerWidth");
        QTEST(size.outerHeight(5000), "outerHeight");
        QTEST(int(store.readKeys().size()), "reads");
    }

    // The window keys (which keys a window state writes is seen through the real window),
    // then the 23 choice keys in order, then a flush.
    void saveWritesInOrder() {
        MemorySettingsStore store;
        QVERIFY(saveChoices(store, FixedSource(), WindowState::Normal, 9000, 7000.5));
        const QStringList window =
            list(u"Window Maximized=False|Window Width=9000|Window Height=7000.5"_s);
        for (qsizetype i = 0; i < window.size(); ++i)
            QCOMPARE(store.accesses()[i].key + u'=' + store.accesses()[i].value, window[i]);
        QCOMPARE(store.writtenKeys().mid(window.size()),
                 list(u"Select a Folder|Select Files|Path|Option Replace|Text Find|Text Replace|"
                      u"Option Prepend|Text Prepend|Option Include Extension|"
                      u"Option Exclude Extension|Case Sensitive|Option Postpend|Text Postpend|"
                      u"Option Postpend Before|Option Postpend After|Option Convert Case|"
                      u"Option Convert LowerCase|Option Convert UpperCase|"
                      u"Option Convert ProperCase|Checkbox Recursive|Checkbox ReadOnly|"
                      u"Checkbox Hidden|Checkbox System"_s));
        QCOMPARE(store.accesses().last().operation, MemorySettingsStore::Operation::Flush);
        QCOMPARE(store.stored(u"Select Files"_s), u"True"_s);
        QCOMPARE(store.stored(u"Case Sensitive"_s), u"2"_s);
        QCOMPARE(store.stored(u"Text Postpend"_s), u" =;#\"x\" "_s);
        QCOMPARE(store.stored(u"Path"_s), u"/home/u/data"_s);
    }

    void openDialogKeys() {
        // 0: none; the Open command then uses 2.
        const std::pair<QString, int> cases[] = {
            {u"1"_s, 1}, {u"2.0"_s, 2}, {u"0"_s, 0}, {u"4"_s, 0}, {u"html"_s, 0}};
        for (const auto& [stored, index] : cases) {
            MemorySettingsStore store;
            store.setStored(u"OpenFilterIndex"_s, stored);
            QCOMPARE(readOpenFilterIndex(store).value_or(0), index);
        }
        MemorySettingsStore store;
        QVERIFY(writeOpenChoice(store, 1, u"/data/"_s));
        QCOMPARE(store.writtenKeys(), list(u"OpenFilterIndex|Path"_s));
        QCOMPARE(store.accesses().last().operation, MemorySettingsStore::Operation::Flush);
        store.setFlushFails(true);
        QVERIFY(!writeOpenChoice(store, 1, u"/data/"_s));
        QVERIFY(!saveChoices(store, FixedSource(), WindowState::Normal, 9000, 7000));
    }
};

QTEST_APPLESS_MAIN(TestStoredChoices)
#include "tst_StoredChoices.moc"
