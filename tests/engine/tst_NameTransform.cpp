#include "engine/NameTransform.h"
#include "tests/support/TestSupport.h"

#include <QTest>

using namespace varnex;
using namespace Qt::StringLiterals;

class TestNameTransform : public QObject {
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
        const auto replace = [](const QString& find, const QString& with, bool extension) {
            return replaceOptions(find, with, extension);
        };
        using enum CaseMode;
        const QString emoji = u"\U0001F600"_s, b254 = QString(254, u'b');
        // clang-format off
        row("include ext, insensitive", replace(u"txt"_s, u"doc"_s, true), u"notes.TXT"_s, u"notes.doc"_s);
        row("include ext, sensitive, absent", replaceOptions(u"txt"_s, u"doc"_s, true, true), u"notes.TXT"_s, u"notes.TXT"_s);
        row("exclude ext", replace(u"old"_s, u"new"_s, false), u"old_report.old"_s, u"new_report.old"_s);
        row("include ext, whole name", replace(u"old"_s, u"new"_s, true), u"old_report.old"_s, u"new_report.new"_s);
        row("only the last dot splits", replace(u"memo"_s, u"note"_s, false), u"memo.memo.txt"_s, u"note.note.txt"_s);
        row("every case variant", replace(u"photo"_s, u"img"_s, false), u"Photo PHOTO photo.jpg"_s, u"img img img.jpg"_s);
        row("dot file has an empty base", replace(u"pro"_s, u"x"_s, false), u".profile"_s, u".profile"_s);
        row("empty replacement", replace(u"copy of "_s, {}, false), u"copy of a.txt"_s, u"a.txt"_s);
        row("no overlap, no rescan", replace(u"aa"_s, u"b"_s, true), u"aaa"_s, u"ba"_s);
        row("no dot is all base", replace(u"READ"_s, u"TO"_s, false), u"README"_s, u"TOME"_s);
        row("final sigma matches sigma", replace(u"οδοσ"_s, u"x"_s, false), u"ΟΔΟΣ.txt"_s, u"x.txt"_s);
        row("prepend", prependOptions(u"2004 "_s), u"a.txt"_s, u"2004 a.txt"_s);
        row("postpend before ext", postpendOptions(u"_v2"_s, true), u"a.b.txt"_s, u"a.b_v2.txt"_s);
        row("postpend after ext", postpendOptions(u"_v2"_s, false), u"a.b.txt"_s, u"a.b.txt_v2"_s);
        row("postpend, no dot", postpendOptions(u"_v2"_s, true), u"README"_s, u"README_v2"_s);
        row("postpend, dot file", postpendOptions(u"_v2"_s, true), u".profile"_s, u"_v2.profile"_s);
        row("lower", caseOptions(Lower), u"My FILE.TxT"_s, u"my file.txt"_s);
        row("upper", caseOptions(Upper), u"My FILE.TxT"_s, u"MY FILE.TXT"_s);
        row("title", caseOptions(Title), u"the CAT.TXT"_s, u"The Cat.txt"_s);
        row("title, punctuation joins words", caseOptions(Title), u"my_file-name.TXT"_s, u"My_file-name.txt"_s);
        row("title, control characters separate", caseOptions(Title), u"a\tb\u000Bc\rd.e f"_s, u"A\tB\u000BC\rD.e F"_s);
        row("title, digraph", caseOptions(Title), u"ǆemal ǆ"_s, u"ǅemal ǅ"_s);
        row("upper, sharp s", caseOptions(Upper), u"straße.txt"_s, u"STRASSE.TXT"_s);
        row("lower, final sigma", caseOptions(Lower), u"ΟΔΟΣ ΣΟΦΟΣ.TXT"_s, u"οδος σοφος.txt"_s);
        row("title, greek", caseOptions(Title), u"ΟΔΟΣ ΣΟΦΟΣ"_s, u"Οδος Σοφος"_s);
        row("title, emoji and letters beyond 16 bits", caseOptions(Title), u"😀abc 𐐨𐐨 x😀.TXT"_s, u"😀abc 𐐀𐐨 X😀.txt"_s);
        row("no type", RenameOptions{}, u"any"_s, QString());
        row("prepend to 255", prependOptions(u"a"_s), b254, u'a' + b254);
        row("prepend to 256", prependOptions(u"a"_s), b254 + u'b', {}, true);
        row("emoji, 63 characters", prependOptions(emoji), emoji.repeated(62), emoji.repeated(63));
        row("emoji, 64 characters: 256 bytes", prependOptions(emoji), emoji.repeated(63), {}, true);
        row("emoji, 256 characters", prependOptions(emoji), emoji.repeated(255), {}, true);
        row("postpend to 256", postpendOptions(u"_x"_s, true), QString(250, u'b') + u".txt"_s, {}, true);
        row("replace to 256", replace(u"b"_s, u"cc"_s, true), u'b' + b254, {}, true);
        row("case, any length", caseOptions(Upper), QString(400, u'a'), QString(400, u'A'));
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
    }
};

QTEST_APPLESS_MAIN(TestNameTransform)
#include "tst_NameTransform.moc"
