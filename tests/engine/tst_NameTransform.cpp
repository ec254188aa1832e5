#include "engine/NameTransform.h"
#include "tests/support/TestSupport.h"

#include <QTest>

using namespace varnex;

class TestNameTransform : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void newName_data();
    void newName();
    void lengthLimit_data();
    void lengthLimit();
};

namespace {

const QString None; // a null expected name: nothing to rename

QString repeated(const QString& piece, int count) {
    return piece.repeated(count);
}

} // namespace

void TestNameTransform::newName_data() {
    QTest::addColumn<RenameOptions>("options");
    QTest::addColumn<QString>("oldName");
    QTest::addColumn<QString>("expected");

    const auto s = [](const char16_t* text) {
        return QString::fromUtf16(text);
    };
    QTest::newRow("include ext, insensitive")
        << replaceOptions(s(u"txt"), s(u"doc"), true) << s(u"notes.TXT") << s(u"notes.doc");
    QTest::newRow("include ext, sensitive, absent")
        << replaceOptions(s(u"txt"), s(u"doc"), true, true) << s(u"notes.TXT") << s(u"notes.TXT");
    QTest::newRow("exclude ext") << replaceOptions(s(u"old"), s(u"new"), false)
                                 << s(u"old_report.old") << s(u"new_report.old");
    QTest::newRow("include ext, whole name") << replaceOptions(s(u"old"), s(u"new"), true)
                                             << s(u"old_report.old") << s(u"new_report.new");
    QTest::newRow("only the last dot splits") << replaceOptions(s(u"memo"), s(u"note"), false)
                                              << s(u"memo.memo.txt") << s(u"note.note.txt");
    QTest::newRow("every case variant") << replaceOptions(s(u"photo"), s(u"img"), false)
                                        << s(u"Photo PHOTO photo.jpg") << s(u"img img img.jpg");
    QTest::newRow("dot file has an empty base")
        << replaceOptions(s(u"pro"), s(u"x"), false) << s(u".profile") << s(u".profile");
    QTest::newRow("empty replacement")
        << replaceOptions(s(u"copy of "), {}, false) << s(u"copy of a.txt") << s(u"a.txt");
    QTest::newRow("no overlap, no rescan")
        << replaceOptions(s(u"aa"), s(u"b"), true) << s(u"aaa") << s(u"ba");
    QTest::newRow("no dot is all base")
        << replaceOptions(s(u"READ"), s(u"TO"), false) << s(u"README") << s(u"TOME");
    QTest::newRow("final sigma matches sigma")
        << replaceOptions(s(u"οδοσ"), s(u"x"), false) << s(u"ΟΔΟΣ.txt") << s(u"x.txt");
    QTest::newRow("prepend") << prependOptions(s(u"2004 ")) << s(u"a.txt") << s(u"2004 a.txt");
    QTest::newRow("postpend before ext")
        << postpendOptions(s(u"_v2"), true) << s(u"a.b.txt") << s(u"a.b_v2.txt");
    QTest::newRow("postpend after ext")
        << postpendOptions(s(u"_v2"), false) << s(u"a.b.txt") << s(u"a.b.txt_v2");
    QTest::newRow("postpend, no dot")
        << postpendOptions(s(u"_v2"), true) << s(u"README") << s(u"README_v2");
    QTest::newRow("postpend, dot file")
        << postpendOptions(s(u"_v2"), true) << s(u".profile") << s(u"_v2.profile");
    QTest::newRow("lower") << caseOptions(CaseMode::Lower) << s(u"My FILE.TxT")
                           << s(u"my file.txt");
    QTest::newRow("upper") << caseOptions(CaseMode::Upper) << s(u"My FILE.TxT")
                           << s(u"MY FILE.TXT");
    QTest::newRow("title") << caseOptions(CaseMode::Title) << s(u"the CAT.TXT")
                           << s(u"The Cat.txt");
    QTest::newRow("title, punctuation joins words")
        << caseOptions(CaseMode::Title) << s(u"my_file-name.TXT") << s(u"My_file-name.txt");
    QTest::newRow("title, control characters separate")
        << caseOptions(CaseMode::Title) << s(u"a\tb\u000Bc\rd.e f") << s(u"A\tB\u000BC\rD.e F");
    QTest::newRow("title, digraph")
        << caseOptions(CaseMode::Title) << s(u"ǆemal ǆ") << s(u"ǅemal ǅ");
    QTest::newRow("upper, sharp s")
        << caseOptions(CaseMode::Upper) << s(u"straße.txt") << s(u"STRASSE.TXT");
    QTest::newRow("lower, final sigma")
        << caseOptions(CaseMode::Lower) << s(u"ΟΔΟΣ ΣΟΦΟΣ.TXT") << s(u"οδος σοφος.txt");
    QTest::newRow("upper, greek") << caseOptions(CaseMode::Upper) << s(u"οδός.txt")
                                  << s(u"ΟΔΌΣ.TXT");
    QTest::newRow("title, greek") << caseOptions(CaseMode::Title) << s(u"ΟΔΟΣ ΣΟΦΟΣ")
                                  << s(u"Οδος Σοφος");
    QTest::newRow("title, emoji and letters beyond 16 bits")
        << caseOptions(CaseMode::Title) << s(u"😀abc 𐐨𐐨 x😀.TXT") << s(u"😀abc 𐐀𐐨 X😀.txt");
    QTest::newRow("no type") << RenameOptions{} << s(u"any") << None;
}

void TestNameTransform::newName() {
    QFETCH(RenameOptions, options);
    QFETCH(QString, oldName);
    QFETCH(QString, expected);

    const NewNameResult result = ComputeNewName(options, oldName);
    QCOMPARE(result.renames, !expected.isNull());
    if (result.renames)
        QCOMPARE(result.newName, expected);
    QVERIFY(!result.tooLong);
}

void TestNameTransform::lengthLimit_data() {
    QTest::addColumn<RenameOptions>("options");
    QTest::addColumn<QString>("oldName");
    QTest::addColumn<bool>("tooLong");

    const QString emoji = QStringLiteral("\U0001F600");
    QTest::newRow("prepend to 255")
        << prependOptions(QStringLiteral("a")) << repeated(QStringLiteral("b"), 254) << false;
    QTest::newRow("prepend to 256")
        << prependOptions(QStringLiteral("a")) << repeated(QStringLiteral("b"), 255) << true;
    QTest::newRow("emoji, 255 characters")
        << prependOptions(QStringLiteral("a")) << repeated(emoji, 254) << false;
    QTest::newRow("emoji, 256 characters") << prependOptions(emoji) << repeated(emoji, 255) << true;
    QTest::newRow("postpend to 256")
        << postpendOptions(QStringLiteral("_x"), true)
        << repeated(QStringLiteral("b"), 250) + QStringLiteral(".txt") << true;
    QTest::newRow("replace to 256")
        << replaceOptions(QStringLiteral("b"), QStringLiteral("cc"), true)
        << QStringLiteral("b") + repeated(QStringLiteral("a"), 254) << true;
    QTest::newRow("case, any length")
        << caseOptions(CaseMode::Upper) << repeated(QStringLiteral("a"), 400) << false;
}

void TestNameTransform::lengthLimit() {
    QFETCH(RenameOptions, options);
    QFETCH(QString, oldName);
    QFETCH(bool, tooLong);
    QCOMPARE(ComputeNewName(options, oldName).tooLong, tooLong);
}

QTEST_APPLESS_MAIN(TestNameTransform)
#include "tst_NameTransform.moc"
