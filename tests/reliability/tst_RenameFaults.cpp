// Runs of the rename engine over real folders that change, refuse or misbehave underneath it,
// chains and cycles of new names, and names the program did not write itself. In every case
// no file may be lost or replaced and a failure must be reported as one.

#include "Reliability.h"

#include <QTest>

using namespace varnex;
using namespace Qt::StringLiterals;

namespace {

QString esc(int byte) {
    return QString(QChar(char16_t(0xDC00 + byte)));
}

// What a scenario starts from: the items of makeTree (a plain name is a file that holds its own
// path), the entries of a list run (none: a folder walk) and the options, one per list entry
// (the last one repeats).
struct Scenario {
    QList<QByteArray> items;
    QList<QByteArray> entries;
    QList<RenameOptions> options;
};

} // namespace

class TestRenameFaults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Renames that must fail cleanly, on real folders: symbolic links (to their own folder, to
    // themselves, to each other, down the tree) renamed as they are, never followed; new names that
    // run into each other within one run (a rename that would replace a file fails with 58 and
    // leaves both files as they were; a list run takes new options for each entry, as if the user
    // changed them while the run yields; a walk takes the files in name order, whatever order the
    // system lists), and names the program did not write: bytes that are not UTF-8, control
    // characters, a find text of 255 characters, letters whose capital is longer.
    void scenarios_data() {
        QTest::addColumn<Scenario>("scenario");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<qint64>("renamed");
        QTest::addColumn<QList<int>>("numbers");

        const Scenario chain{{"a", "za", "zza"}, {"a", "za", "zza"}, {prependOptions(u"z"_s)}};
        const Scenario casePair{{"A", "a"}, {"A", "a"}, {caseOptions(CaseMode::Lower)}};
        const QStringList chainAfter{u"a=a"_s, u"za=za"_s, u"zzza=zza"_s};
        const QByteArray a251(251, 'a');
        QByteArray iotas;
        for (int i = 0; i < 127; ++i)
            iotas += "\xce\x90"; // U+0390: 2 bytes, its capital 6
        const QString iotasText = QString::fromUtf8(iotas);
        const QString e127(127, u'\u00e9'), e126(126, u'\u00e9');
        const QString bad = u"bad"_s + esc(0xff), d = u"d"_s + esc(0xfe);

        QTest::newRow("link cycles")
            << Scenario{{"sub/", "f", "sub/g", "sub/up->..", "self->self", "a->b", "b->a",
                         "down->sub"},
                        {},
                        {prependOptions(u"z"_s)}}
            << QStringList{u"sub/"_s,   u"sub/zg=sub/g"_s, u"sub/zup=->.."_s, u"za=->b"_s,
                           u"zb=->a"_s, u"zdown=->sub"_s,  u"zf=f"_s,         u"zself=->self"_s}
            << 7ll << QList<int>{};
        QTest::newRow("chain, each name taken, list")
            << chain << chainAfter << 1ll << QList<int>{58, 58};
        QTest::newRow("chain, each name taken, walk")
            << Scenario{chain.items, {}, chain.options} << chainAfter << 1ll << QList<int>{58, 58};
        QTest::newRow("swap") << Scenario{{"a.txt", "b.txt"},
                                          {"a.txt", "b.txt"},
                                          {replaceOptions(u"a"_s, u"b"_s, true, true),
                                           replaceOptions(u"b"_s, u"a"_s, true, true)}}
                              << QStringList{u"a.txt=a.txt"_s, u"b.txt=b.txt"_s} << 0ll
                              << QList<int>{58, 58};
        QTest::newRow("case pair, list")
            << casePair << QStringList{u"A=A"_s, u"a=a"_s} << 1ll << QList<int>{58};
        // A name that is not UTF-8 is never renamed, nor the file whose name is its lossy reading.
        QTest::newRow("not UTF-8, walk")
            << Scenario{{"bad\xff", "bad\xef\xbf\xbd", "\xc3(x", "d\xfe/", "d\xfe/in",
                         "d\xfe/b\x80"},
                        {},
                        {prependOptions(u"z"_s)}}
            << QStringList{bad + u'=' + bad,
                           u"zbad\ufffd=bad\ufffd"_s,
                           esc(0xc3) + u"(x="_s + esc(0xc3) + u"(x"_s,
                           d + u'/',
                           d + u"/b"_s + esc(0x80) + u'=' + d + u"/b"_s + esc(0x80),
                           d + u"/zin="_s + d + u"/in"_s}
            << 2ll << QList<int>{52, 52, 52};
        QTest::newRow("control characters")
            << Scenario{{"a\tb.TXT", "new\nLINE", "\x01start", "cr\rX"},
                        {},
                        {caseOptions(CaseMode::Title)}}
            << QStringList{u"a\tb.TXT=a\tb.TXT"_s, u"cr\rX=cr\rX"_s, u"new\nLINE=new\nLINE"_s,
                           u"\x01start=\x01start"_s}
            << 0ll << QList<int>{52, 52, 52, 52};
        // Names measured the way the file system measures them: more than 255 bytes of UTF-8 get
        // the length question (answered Yes: the file keeps its name), whatever their number of
        // characters.
        QTest::newRow("255 and 256 bytes of UTF-8")
            << Scenario{{e127.toUtf8(), (u'x' + e126).toUtf8()}, {}, {prependOptions(u"\u00e9"_s)}}
            << QStringList{e127 + u'=' + e127, u"\u00e9x"_s + e126 + u"=x"_s + e126} << 1ll
            << QList<int>{-1};
        QTest::newRow("find text of 255 characters")
            << Scenario{{a251 + ".txt", "other.txt"},
                        {},
                        {replaceOptions(QString::fromLatin1(a251 + ".txt"), u"b"_s, true)}}
            << QStringList{u"b="_s + QString::fromLatin1(a251) + u".txt"_s,
                           u"other.txt=other.txt"_s}
            << 2ll << QList<int>{};
        QTest::newRow("sharp s") << Scenario{{u"stra\u00dfe.txt"_s.toUtf8(), "STRASSE.TXT",
                                              u"gro\u00df"_s.toUtf8()},
                                             {},
                                             {caseOptions(CaseMode::Upper)}}
                                 << QStringList{u"GROSS=gro\u00df"_s, u"STRASSE.TXT=STRASSE.TXT"_s,
                                                u"stra\u00dfe.txt=stra\u00dfe.txt"_s}
                                 << 2ll << QList<int>{58};
    }

    void scenarios() {
        QFETCH(Scenario, scenario);
        QFETCH(QStringList, after);
        QFETCH(QList<int>, numbers);
        ScratchFolder scratch;
        QVERIFY(makeTree(scratch.raw(), scenario.items));
        const QString top = scratch.path() + u'/';
        RunSetup setup{top, {}, scenario.options, {true, true, true}, true, {}, {}};
        for (const QByteArray& entry : scenario.entries)
            setup.entries.append(top + decodeFileName(entry));
        QList<int> asked; // the failure number of each question, -1 for a length question
        setup.answer = [&](const Message& m) {
            asked.append(m.buttons == Buttons::YesNo
                             ? -1
                             : m.text.section(u"number: "_s, 1).section(u'\r', 0, 0).toInt());
            return m.buttons == Buttons::YesNo ? Button::Yes
                   : m.buttons == Buttons::Ok  ? Button::Ok
                                               : Button::Ignore;
        };
        PosixFileSystem posix;
        const RunResult r = runEngine(posix, setup);
        after.sort();
        QCOMPARE(layout(scratch.raw()), after);
        QTEST(r.counters.FilesRenamed, "renamed");
        QCOMPARE(asked, numbers);
    }
};

QTEST_GUILESS_MAIN(TestRenameFaults)
#include "tst_RenameFaults.moc"
