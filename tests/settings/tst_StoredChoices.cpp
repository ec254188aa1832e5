#include "settings/MemorySettingsStore.h"
#include "settings/StoredChoices.h"

#include <QTest>
#include <utility>

using namespace varnex;

namespace {

QString s(const char16_t* text) {
    return QString::fromUtf16(text);
}

const QString programFolder = QStringLiteral("/opt/varnex");

// Records every assignment as text. As members are assigned in index order, the calls show
// that the last member read wins.
class RecordingTarget : public ChoicesTarget {
public:
    QStringList calls;

    void setOptionMember(OptionArray array, int index, bool value) override {
        calls << QStringLiteral("option %1/%2 %3").arg(int(array)).arg(index).arg(value);
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

// Files mode, Case Sensitive greyed, a postpend text with characters INI files treat specially.
class FixedSource : public ChoicesSource {
public:
    bool optionMember(OptionArray array, int index) const override {
        return array == OptionArray::FolderFile && index == 1;
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

QStringList list(const char16_t* joined) {
    return s(joined).split(u'|');
}

// The assignments of an empty store, in reading order. Enum values: FolderFile 0,
// TypeOfRename 1, IncludeExtension 2, PostpendPosition 3, ConvertCase 4; CheckBox Recursive 0,
// CaseSensitive 1, ReadOnly 2, Hidden 3, System 4; ChoiceText Find 0 .. Postpend 3.
const QStringList defaultCalls =
    list(u"option 0/0 1|caption /opt/varnex|tip /opt/varnex|dir1 /opt/varnex|file1 /opt/varnex|"
         u"check 0 0|option 0/1 0|option 1/0 1|text 0 |text 1 |option 2/0 0|option 2/1 1|"
         u"check 1 1|option 1/1 0|text 2 |option 1/2 0|text 3 |option 3/0 1|option 3/1 0|"
         u"option 1/3 0|option 4/0 1|option 4/1 0|option 4/2 0|check 2 0|check 3 0|check 4 0");

} // namespace

class TestStoredChoices : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void emptyStoreGivesDefaults() {
        MemorySettingsStore store;
        RecordingTarget target;
        QCOMPARE(applyTo(store, target), defaultCalls);
        QCOMPARE(store.readKeys(),
                 list(u"Select a Folder|Path|Path|Path|Path|Checkbox Recursive|Select Files|"
                      u"Option Replace|Text Find|Text Replace|Option Include Extension|"
                      u"Option Exclude Extension|Case Sensitive|Option Prepend|Text Prepend|"
                      u"Option Postpend|Text Postpend|Option Postpend Before|"
                      u"Option Postpend After|Option Convert Case|Option Convert LowerCase|"
                      u"Option Convert UpperCase|Option Convert ProperCase|Checkbox ReadOnly|"
                      u"Checkbox Hidden|Checkbox System"));
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
        const auto row = [](const char16_t* key, const char16_t* value, const char16_t* from,
                            const char16_t* to) {
            QTest::newRow(QString(s(key) + u'=' + s(value)).toUtf8().constData())
                << s(key) << s(value) << list(from) << (*to ? list(to) : QStringList());
        };
        row(u"Checkbox Hidden", u"7", u"check 3 0", u"");
        row(u"Checkbox Hidden", u"ticked", u"check 3 0", u"");
        row(u"Checkbox Hidden", u"1.5", u"check 3 0", u"check 3 2");
        row(u"Case Sensitive", u"2", u"check 1 1", u"check 1 2");
        row(u"Option Replace", u"false", u"option 1/0 1", u"option 1/0 0");
        row(u"Option Replace", u"Yes", u"option 1/0 1", u"");
        row(u"Select Files", u"-1", u"option 0/1 0", u"option 0/1 1");
        row(u"Text Find", u" a=b ", u"text 0 ", u"text 0  a=b ");
        const char16_t* programPath = u"caption /opt/varnex|tip /opt/varnex|dir1 /opt/varnex|"
                                      u"file1 /opt/varnex";
        row(u"Path", u"/no/such", programPath,
            u"caption /no/such|tip /no/such|dir1 /no/such|file1 /no/such");
        row(u"Path", u"", programPath, u"caption |tip |dir1 |file1 ");
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
        for (qsizetype i = 0; i < windowWrites.size(); ++i) {
            const auto& write = store.accesses().at(i);
            QCOMPARE(write.key + u'=' + write.value, windowWrites[i]);
        }
        QCOMPARE(store.writtenKeys().mid(windowWrites.size()),
                 list(u"Select a Folder|Select Files|Path|Option Replace|Text Find|Text Replace|"
                      u"Option Prepend|Text Prepend|Option Include Extension|"
                      u"Option Exclude Extension|Case Sensitive|Option Postpend|Text Postpend|"
                      u"Option Postpend Before|Option Postpend After|Option Convert Case|"
                      u"Option Convert LowerCase|Option Convert UpperCase|"
                      u"Option Convert ProperCase|Checkbox Recursive|Checkbox ReadOnly|"
                      u"Checkbox Hidden|Checkbox System"));
        QCOMPARE(store.accesses().last().operation, MemorySettingsStore::Operation::Flush);
        QCOMPARE(store.stored(s(u"Select Files")), s(u"True"));
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

    void openDialogKeys() {
        // 0: none; the Open command then uses 2.
        const std::pair<const char16_t*, int> cases[] = {
            {u"1", 1}, {u"2.0", 2}, {u"0", 0}, {u"4", 0}, {u"html", 0}};
        for (const auto& [stored, index] : cases) {
            MemorySettingsStore store;
            store.setStored(s(u"OpenFilterIndex"), s(stored));
            QCOMPARE(readOpenFilterIndex(store).value_or(0), index);
        }
        MemorySettingsStore store;
        QVERIFY(writeOpenChoice(store, 1, s(u"/data/")));
        QCOMPARE(store.writtenKeys(), list(u"OpenFilterIndex|Path"));
        QCOMPARE(store.accesses().last().operation, MemorySettingsStore::Operation::Flush);
    }
};

QTEST_APPLESS_MAIN(TestStoredChoices)
#include "tst_StoredChoices.moc"
