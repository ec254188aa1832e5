// Random runs of the rename engine that try to lose a file. Each case draws a tree of files
// with awkward names, rename choices, attribute filters, failing renames and answers to every
// dialog, then runs a folder walk over one copy of the tree and a list run over another, and
// checks what the run did against what it reported.
//
// VARNEX_PROPERTY_SEED sets the first case's seed (case i uses seed + i) and
// VARNEX_PROPERTY_CASES the number of cases on the in-memory file system (a tenth of that, at
// least one, runs on real folders). A failing case prints the values that replay it alone.

#include "Reliability.h"
#include "engine/NameTransform.h"
#include "platform/PosixFileSystem.h"

#include <QScopeGuard>
#include <QTest>
#include <climits>
#include <random>
#include <sys/stat.h>

using namespace varnex;
using namespace Qt::StringLiterals;

namespace {

class Random {
public:
    explicit Random(quint32 seed) : gen_(seed) {}
    int below(qsizetype n) { return std::uniform_int_distribution<int>(0, int(n) - 1)(gen_); }
    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(gen_) < p; }
    template <typename T> const T& pick(const QList<T>& list) { return list[below(list.size())]; }
    template <typename T> void shuffle(T& items) { std::shuffle(items.begin(), items.end(), gen_); }

private:
    std::mt19937 gen_;
};

// What names and texts are made of: letters whose two cases differ in length or in form
// (sharp s, capital sharp s, dotted and dotless i, the dz digraph, iota with dialytika and
// tonos, the fi ligature, the three sigmas), a letter outside the basic plane, dots, blanks.
const QStringList Pieces = {u"a"_s,      u"b"_s,      u"A"_s,      u"B"_s,          u"x"_s,
                            u"ab"_s,     u"Ab"_s,     u"txt"_s,    u"TXT"_s,        u"."_s,
                            u"."_s,      u".txt"_s,   u".TxT"_s,   u" "_s,          u"_"_s,
                            u"-"_s,      u"\u00e9"_s, u"\u00c9"_s, u"\u00df"_s,     u"\u1e9e"_s,
                            u"\u03a3"_s, u"\u03c3"_s, u"\u03c2"_s, u"\u0130"_s,     u"\u0131"_s,
                            u"\u01c5"_s, u"\u0390"_s, u"\ufb01"_s, u"\U0001D538"_s, u"\u65e5"_s};
const QString NoSeparator = u"no separator"_s;
const QStringList Controls = {u"\t"_s, u"\n"_s, u"\r"_s, u"\x01"_s};
const QStringList Replacements = {u""_s,       u"a"_s, u"B"_s,  u"."_s, u".."_s,           u"x.y"_s,
                                  u"\u00df"_s, u" "_s, u"SS"_s, u"/"_s, QString(200, u'r')};

// A folder or a file of a generated tree.
struct Node {
    QString name;
    bool folder = false;
    QByteArray content;
    quint32 attributes = 0; // files: Read Only, Hidden, System bits, or attr::Invalid
    bool openable = true;
    bool listable = true;
    std::vector<Node> children;
};

struct Case {
    quint32 seed = 0;
    bool real = false;
    Node root;
    RenameOptions options;
    AttributeChoices allowed;
    bool recurse = false;
    bool trailingSeparator = false;
    QString pattern;
    double failRate = 0;
    double stopRate = 0;
    QStringList entries; // the list of a list run, relative to the top folder

    QStringList fullEntries(const QString& top) const {
        QStringList full;
        for (const QString& e : entries)
            full.append(e == NoSeparator ? e : top + e);
        return full;
    }
};

// The size a name is limited by: bytes on disk, characters in memory.
qsizetype sizeOf(const QString& name, bool real) {
    return real ? encodeFileName(name).size() : NameLength(name);
}

bool usableName(const QString& name, bool real) {
    return !name.isEmpty() && name != u"."_s && name != u".."_s && !name.contains(u'/') &&
           !name.contains(QChar(u'\0')) &&
           (!real || (!encodeFileName(name).isEmpty() && sizeOf(name, true) <= 255));
}

QString randomName(Random& r, bool real) {
    for (;;) {
        QString name = r.chance(0.15) ? u"."_s : QString();
        if (r.chance(0.06)) { // close to the length limit
            const QString unit = r.pick(Pieces);
            const qsizetype target = 250 + r.below(6);
            while (sizeOf(name + unit, real) <= target)
                name += unit;
        } else {
            for (int i = 1 + r.below(4); i > 0; --i)
                name += r.chance(0.04) ? r.pick(Controls) : r.pick(Pieces);
        }
        if (usableName(name, real))
            return name;
    }
}

QString randomText(Random& r) {
    if (r.chance(0.1))
        return QString(240 + r.below(20), u'p'); // around the length limit
    if (r.chance(0.03))
        return u"/"_s; // would take the file out of its folder
    QString text;
    for (int i = 1 + r.below(3); i > 0; --i)
        text += r.pick(Pieces);
    return text;
}

void fillFolder(Node& folder, Random& r, bool real, int depth, int& serial) {
    QSet<QString> used;
    const int subFolders = depth < 3 ? r.below(depth == 0 ? 4 : 3) : 0;
    const int files = r.below(8);
    for (int i = 0; i < subFolders + files; ++i) {
        Node node;
        do
            node.name = randomName(r, real);
        while (used.contains(node.name));
        used.insert(node.name);
        node.folder = i < subFolders;
        if (node.folder) {
            node.openable = real || !r.chance(0.05);
            node.listable = real || !r.chance(0.05);
            fillFolder(node, r, real, depth + 1, serial);
        } else {
            node.content = "file " + QByteArray::number(++serial);
            if (real)
                node.attributes = r.chance(0.15) ? attr::ReadOnly : 0;
            else if (r.chance(0.03))
                node.attributes = attr::Invalid;
            else if (r.chance(0.3))
                node.attributes = quint32(r.below(8));
        }
        folder.children.push_back(std::move(node));
    }
    r.shuffle(folder.children);
}

// Adds, beside some files, a file (or a folder) already named as the options would rename
// them, and sometimes the next link of the chain, so that new names collide.
void addCollisions(Node& folder, Random& r, const Case& c, int& serial) {
    QSet<QString> used;
    QStringList fileNames;
    for (Node& n : folder.children) {
        used.insert(n.name);
        if (n.folder)
            addCollisions(n, r, c, serial);
        else
            fileNames.append(n.name);
    }
    for (QString name : std::as_const(fileNames)) {
        for (int link = 0; link < 2 && r.chance(link == 0 ? 0.35 : 0.3); ++link) {
            name = ComputeNewName(c.options, name).newName;
            if (!usableName(name, c.real) || used.contains(name))
                break;
            used.insert(name);
            Node clash;
            clash.name = name;
            clash.folder = r.chance(0.05);
            clash.content = "file " + QByteArray::number(++serial);
            folder.children.insert(folder.children.begin() + r.below(folder.children.size() + 1),
                                   std::move(clash));
        }
    }
}

void collectFiles(const Node& folder, const QString& path, QMap<QString, QByteArray>& files,
                  QSet<QString>& folders) {
    for (const Node& n : folder.children) {
        if (n.folder) {
            folders.insert(path + n.name);
            collectFiles(n, path + n.name + u'/', files, folders);
        } else {
            files.insert(path + n.name, n.content);
        }
    }
}

Case makeCase(quint32 seed, bool real) {
    Random r(seed);
    Case c;
    c.seed = seed;
    c.real = real;
    c.root.folder = true;
    int serial = 0;
    fillFolder(c.root, r, real, 0, serial);

    QMap<QString, QByteArray> files;
    QSet<QString> folders;
    collectFiles(c.root, QString(), files, folders);
    QStringList names;
    for (auto it = files.cbegin(); it != files.cend(); ++it)
        names.append(it.key().section(u'/', -1));

    RenameOptions& o = c.options;
    const int type = r.below(20);
    o.renameType = type == 0   ? RenameType::None
                   : type < 9  ? RenameType::ReplaceText
                   : type < 13 ? RenameType::Prepend
                   : type < 16 ? RenameType::Postpend
                               : RenameType::ConvertCase;
    if (!names.isEmpty() && r.chance(0.6)) {
        const QString& name = r.pick(names);
        o.findText = name.mid(r.below(name.size()), 1 + r.below(3));
    } else {
        o.findText = r.pick(Pieces);
    }
    o.replaceWith = r.pick(Replacements);
    o.caseSensitive = r.chance(0.5);
    o.includeExtension = r.chance(0.5);
    o.prependText = randomText(r);
    o.postpendText = randomText(r);
    o.postpendBeforeExtension = r.chance(0.5);
    o.caseMode = CaseMode(r.below(3));
    c.allowed = {r.chance(0.5), r.chance(0.5), r.chance(0.5)};
    c.recurse = r.chance(0.7);
    c.trailingSeparator = r.chance(0.5);
    c.pattern = r.chance(0.8) ? u"*.*"_s : u"*"_s;
    c.failRate = real ? 0 : QList<double>{0, 0.1, 0.3, 0.6}[r.below(4)];
    c.stopRate = QList<double>{0, 0, 0.05, 0.3}[r.below(4)];
    addCollisions(c.root, r, c, serial);

    // The list: every file, in random order, with entries that name no file among them.
    files.clear();
    collectFiles(c.root, QString(), files, folders);
    c.entries = files.keys();
    r.shuffle(c.entries);
    for (int i = r.below(4); i > 0; --i) {
        const QString& some = c.entries.isEmpty() ? u"x"_s : r.pick(c.entries);
        const QString folder = some.left(some.lastIndexOf(u'/') + 1);
        const QString missing = r.chance(0.5) ? ComputeNewName(o, some.mid(folder.size())).newName
                                              : randomName(r, real);
        const QStringList odd = {folder + missing, NoSeparator, folder};
        const QString& entry = r.pick(odd);
        if (!c.entries.contains(entry, Qt::CaseInsensitive)) // the list refuses duplicates
            c.entries.insert(r.below(c.entries.size() + 1), entry);
    }
    return c;
}

// ---- the run and what it should have done

struct Outcome {
    QList<RunEvent> log;
    RunCounters counters;
    bool stopRun = false;
    int dirCount = 0;
    QStringList entriesAfter;
    QMap<QString, QByteArray> files; // what is on disk afterwards, by full path
    QSet<QString> folders;
};

// Checks one run against the case and returns every property it breaks.
class Checker {
public:
    Checker(const Case& c, const QString& top, bool listRun) : c_(c), top_(top), list_(listRun) {}

    QStringList check(const Outcome& run) {
        splitIntoBlocks(run.log);
        qint64 renamed = 0, failed = 0;
        bool stopped = false;
        QHash<QString, QString> newPaths; // old full path -> new full path
        for (const Block& b : blocks_) {
            if (stopped)
                problem(u"the run went on after being stopped: "_s + b.path);
            const Result r = checkBlock(b);
            renamed += r.renamed;
            failed += r.failed;
            stopped = stopped || r.stopped;
            if (r.renamed)
                newPaths.insert(b.path, folderOf(b.path) + r.newName);
        }
        expect(run.counters.FilesRenamed == renamed,
               u"FilesRenamed %1, renames done %2"_s.arg(run.counters.FilesRenamed).arg(renamed));
        expect(run.counters.FilesFailed == failed,
               u"FilesFailed %1, files given up %2"_s.arg(run.counters.FilesFailed).arg(failed));
        expect(run.stopRun == stopped, u"StopRun does not match the answers"_s);
        if (list_)
            checkList(run, stopped, newPaths);
        else
            checkWalk(run, stopped);
        checkDisk(run, newPaths);
        return problems_;
    }

private:
    struct Block {
        QString path;
        QList<RunEvent> events;
    };
    struct Result {
        bool renamed = false, failed = false, stopped = false;
        QString newName;
    };
    struct Examined {
        QString path;
        quint32 attributes;
        int dirCount; // sub-folders found once this file's folder was listed
    };

    void problem(const QString& text) { problems_.append(text); }
    void expect(bool ok, const QString& text) {
        if (!ok)
            problem(text);
    }
    static QString folderOf(const QString& path) { return path.left(path.lastIndexOf(u'/') + 1); }

    void splitIntoBlocks(const QList<RunEvent>& log) {
        for (const RunEvent& e : log) {
            if (blocks_.isEmpty() || blocks_.last().path != e.oldPath)
                blocks_.append(Block{e.oldPath, {}});
            blocks_.last().events.append(e);
        }
        QSet<QString> seen;
        for (const Block& b : std::as_const(blocks_)) {
            expect(!seen.contains(b.path), u"offered twice in one run: "_s + b.path);
            seen.insert(b.path);
        }
    }

    // The dialogs and renames of one file follow the rules of renaming one file.
    Result checkBlock(const Block& b) {
        Result r;
        const NewNameResult want = ComputeNewName(c_.options, b.path.mid(folderOf(b.path).size()));
        const QString where = u" ("_s + b.path + u')';
        if (!want.renames) {
            problem(u"a file with nothing to do reached the file system"_s + where);
            return r;
        }
        qsizetype i = 0;
        const auto next = [&]() -> const RunEvent* {
            return i < b.events.size() ? &b.events[i++] : nullptr;
        };
        if (want.tooLong) {
            const RunEvent* q = next();
            if (!q || !q->question || q->buttons != Buttons::YesNo || i != b.events.size()) {
                problem(u"a name too long is not exactly one Yes/No question"_s + where);
                return r;
            }
            (q->answer == Button::Yes ? r.failed : r.stopped) = true;
            return r;
        }
        // A name that would leave the folder is refused before the file system is asked.
        const bool refused = !usableName(want.newName, false);
        for (;;) {
            const RunEvent* attempt = refused ? nullptr : next();
            if (!refused && (!attempt || attempt->question || attempt->newName != want.newName)) {
                problem(u"expected a rename to the computed name"_s + where);
                return r;
            }
            if (attempt && attempt->result.ok()) {
                r.renamed = true;
                r.newName = attempt->newName;
                break;
            }
            const RunEvent* q = next();
            const Buttons buttons = !attempt || isFileError(attempt->result.number)
                                        ? Buttons::AbortRetryIgnore
                                        : Buttons::Ok;
            if (!q || !q->question || q->buttons != buttons) {
                problem(u"a failure not followed by its dialog"_s + where);
                return r;
            }
            if (q->answer == Button::Retry)
                continue;
            (q->answer == Button::Ignore ? r.failed : r.stopped) = true;
            break;
        }
        expect(i == b.events.size(), u"something happened after the file was done"_s + where);
        return r;
    }

    void modelWalk(const Node& folder, const QString& path, QList<Examined>& out, int& dirCount) {
        if (!folder.openable || !folder.listable)
            return;
        for (const Node& n : folder.children)
            dirCount += n.folder || n.attributes == attr::Invalid;
        for (const Node& n : folder.children) {
            if (!n.folder && n.attributes != attr::Invalid)
                out.append(Examined{path + n.name, n.attributes, dirCount});
        }
        for (const Node& n : folder.children) {
            if (c_.recurse && n.folder)
                modelWalk(n, path + n.name + u'/', out, dirCount);
        }
    }

    bool allowed(quint32 a) const {
        return !((a & attr::ReadOnly) && !c_.allowed.readOnly) &&
               !((a & attr::Hidden) && !c_.allowed.hidden) &&
               !((a & attr::System) && !c_.allowed.system);
    }

    // The walk offers the files that pass the filters in depth-first order, each once, and
    // counts what it examined up to the file where it was stopped.
    void checkWalk(const Outcome& run, bool stopped) {
        QList<Examined> examined;
        int dirCount = 0;
        modelWalk(c_.root, top_, examined, dirCount);
        QStringList eligible;
        for (const Examined& e : std::as_const(examined)) {
            if (allowed(e.attributes) && c_.options.renameType != RenameType::None)
                eligible.append(e.path);
        }
        QStringList offered;
        for (const Block& b : std::as_const(blocks_))
            offered.append(b.path);
        qsizetype last = examined.size() - 1;
        if (stopped) {
            expect(offered == eligible.mid(0, offered.size()), u"walk order broken"_s);
            last = std::find_if(examined.cbegin(), examined.cend(),
                                [&](const Examined& e) { return e.path == offered.last(); }) -
                   examined.cbegin();
            dirCount = examined.value(last).dirCount;
        } else {
            expect(offered == eligible, u"the walk did not offer each eligible file once"_s);
        }
        RunCounters want;
        want.FilesProcessed = last + 1;
        for (const Examined& e : examined.mid(0, last + 1)) {
            want.ReadOnlySkipped += (e.attributes & attr::ReadOnly) && !c_.allowed.readOnly;
            want.HiddenSkipped += (e.attributes & attr::Hidden) && !c_.allowed.hidden;
            want.SystemSkipped += (e.attributes & attr::System) && !c_.allowed.system;
        }
        const RunCounters& got = run.counters;
        expect(got.FilesProcessed == want.FilesProcessed &&
                   got.ReadOnlySkipped == want.ReadOnlySkipped &&
                   got.HiddenSkipped == want.HiddenSkipped &&
                   got.SystemSkipped == want.SystemSkipped,
               u"walk counters %1 %2 %3 %4, expected %5 %6 %7 %8"_s.arg(got.FilesProcessed)
                   .arg(got.ReadOnlySkipped)
                   .arg(got.HiddenSkipped)
                   .arg(got.SystemSkipped)
                   .arg(want.FilesProcessed)
                   .arg(want.ReadOnlySkipped)
                   .arg(want.HiddenSkipped)
                   .arg(want.SystemSkipped));
        expect(run.dirCount == dirCount,
               u"dirCount %1, expected %2"_s.arg(run.dirCount).arg(dirCount));
    }

    // The list run offers its entries in order, each once, passing over entries that name no
    // file and those naming a file renamed earlier in the run; each entry of a renamed file
    // shows its new path.
    void checkList(const Outcome& run, bool stopped, const QHash<QString, QString>& newPaths) {
        QSet<QString> renamedTo;
        qsizetype b = 0;
        qint64 processed = 0;
        const QStringList entries = c_.fullEntries(top_);
        for (const QString& entry : entries) {
            if (stopped && b == blocks_.size())
                break;
            const qsizetype cut = entry.lastIndexOf(u'/');
            if (cut < 0 || cut + 1 == entry.size() || renamedTo.contains(entry))
                continue;
            ++processed;
            if (c_.options.renameType == RenameType::None)
                continue;
            if (b == blocks_.size() || blocks_[b].path != entry) {
                problem(u"list entry not offered in its turn: "_s + entry);
                return;
            }
            if (newPaths.contains(entry))
                renamedTo.insert(newPaths[entry]);
            ++b;
        }
        expect(b == blocks_.size(), u"the list run renamed something not in the list"_s);
        expect(run.counters.FilesProcessed == processed,
               u"FilesProcessed %1, expected %2"_s.arg(run.counters.FilesProcessed).arg(processed));
        QStringList want = entries;
        for (QString& entry : want)
            entry = newPaths.value(entry, entry);
        expect(run.entriesAfter == want, u"the list does not show the files' names"_s);
    }

    // Every file is on disk exactly once, under its old name or the name it was given; the
    // folders are untouched and nothing else appeared.
    void checkDisk(const Outcome& run, const QHash<QString, QString>& newPaths) {
        QMap<QString, QByteArray> files;
        QSet<QString> folders;
        collectFiles(c_.root, top_, files, folders);
        QMap<QString, QByteArray> want;
        for (auto it = files.cbegin(); it != files.cend(); ++it) {
            const QString path = newPaths.value(it.key(), it.key());
            expect(!want.contains(path), u"two files given one name: "_s + path);
            want.insert(path, it.value());
        }
        expect(run.folders == folders, u"the folders changed"_s);
        if (run.files != want) {
            for (auto it = want.cbegin(); it != want.cend(); ++it) {
                if (run.files.value(it.key()) != it.value())
                    problem(u"lost: "_s + QString::fromUtf8(it.value()) + u" at "_s + it.key());
            }
            for (auto it = run.files.cbegin(); it != run.files.cend(); ++it) {
                if (!want.contains(it.key()))
                    problem(u"appeared: "_s + it.key());
            }
        }
    }

    const Case& c_;
    QString top_;
    bool list_;
    QList<Block> blocks_;
    QStringList problems_;
};

// What the runs of one test went through, printed at its end.
struct Stats {
    qint64 runs = 0, files = 0, renames = 0, injected = 0, taken = 0, questions = 0, stopped = 0;

    void add(const Outcome& run) {
        ++runs;
        files += run.files.size();
        stopped += run.stopRun;
        for (const RunEvent& e : run.log) {
            questions += e.question;
            renames += !e.question;
            taken += !e.question && e.result.number == fserr::FileExists;
        }
    }
    void print(const char* where) const {
        qInfo("%s: %lld runs, %lld files checked, %lld renames tried, %lld failures injected, "
              "%lld names taken, %lld questions answered, %lld runs stopped",
              where, runs, files, renames, injected, taken, questions, stopped);
    }
};

Button randomAnswer(Random& r, const Message& m, double stopRate) {
    switch (m.buttons) {
    case Buttons::YesNo:
        return r.chance(stopRate) ? Button::No : Button::Yes;
    case Buttons::AbortRetryIgnore:
        return r.chance(stopRate) ? Button::Abort : r.chance(0.45) ? Button::Retry : Button::Ignore;
    case Buttons::Ok:
        break;
    }
    return Button::Ok;
}

FsError randomFailure(Random& r) {
    static const QList<int> outside = {1, 5, 7, 48, 51, 77, 91, 32755, -1, INT_MIN, INT_MAX};
    return fsError(r.chance(0.8) ? fserr::FirstFileError + r.below(25) : r.pick(outside));
}

// Runs the engine over `fs` (which holds the case's tree under `top`) and returns what it did;
// `read` fills in what is on disk afterwards.
Outcome runCase(const Case& c, FileSystem& fs, const QString& top, bool listRun,
                const std::function<void(Outcome&)>& read, Stats& stats) {
    RecordingFileSystem recorder(fs);
    Random answers(c.seed ^ (listRun ? 0x5bd1e995u : 0x1b873593u));
    if (c.failRate > 0) {
        recorder.inject = [&](const QString&) -> std::optional<FsError> {
            if (!answers.chance(c.failRate))
                return std::nullopt;
            ++stats.injected;
            return randomFailure(answers);
        };
    }
    EngineRig rig(recorder);
    rig.choices.options = c.options;
    rig.choices.allowed = c.allowed;
    rig.choices.recurse = c.recurse;
    rig.box.responder = recordingResponder(
        recorder, [&](const Message& m) { return randomAnswer(answers, m, c.stopRate); });

    Outcome out;
    FakeFileList list;
    rig.engine.startRun();
    if (listRun) {
        for (const QString& entry : c.fullEntries(top))
            list.append(entry);
        rig.engine.renameList(list);
        out.entriesAfter = list.texts();
    } else {
        rig.engine.FindFilesAPI(c.trailingSeparator ? top : top.chopped(1), c.pattern,
                                out.dirCount);
    }
    out.log = recorder.log;
    out.counters = rig.engine.counters;
    out.stopRun = rig.engine.StopRun;
    read(out);
    stats.add(out);
    return out;
}

void buildFake(FakeFileSystem& fs, const Node& folder, const QString& path) {
    fs.addFolder(path);
    for (const Node& n : folder.children) {
        if (n.folder)
            buildFake(fs, n, path + n.name + u'/');
        else
            fs.addFile(path + n.name, n.content, n.attributes);
    }
    if (!folder.listable || !folder.openable)
        fs.setUnreadable(path, folder.openable);
}

void readFake(const FakeFileSystem& fs, const Node& folder, const QString& path, Outcome& out) {
    QSet<QString> subFolders;
    for (const Node& n : folder.children) {
        if (n.folder && fs.exists(path + n.name + u'/')) {
            out.folders.insert(path + n.name);
            subFolders.insert(n.name);
            readFake(fs, n, path + n.name + u'/', out);
        }
    }
    for (const QString& name : fs.names(path)) {
        if (!subFolders.contains(name))
            out.files.insert(path + name, fs.content(path + name));
    }
}

// Creates the tree on disk, then orders each folder's entries as the system lists them.
bool buildReal(Node& folder, const QByteArray& path) {
    for (Node& n : folder.children) {
        const QByteArray raw = path + encodeFileName(n.name);
        if (n.folder ? ::mkdir(raw.constData(), 0755) != 0 || !buildReal(n, raw + '/')
                     : !writeRaw(raw, n.content, n.attributes & attr::ReadOnly ? 0444 : 0644))
            return false;
    }
    const QList<QByteArray> order = rawNames(path);
    std::sort(folder.children.begin(), folder.children.end(), [&](const Node& a, const Node& b) {
        return order.indexOf(encodeFileName(a.name)) < order.indexOf(encodeFileName(b.name));
    });
    for (Node& n : folder.children) {
        if (!n.folder && n.name.startsWith(u'.'))
            n.attributes |= attr::Hidden;
    }
    return true;
}

// The case and the run, for the report of a failing case.
QString describe(const Case& c, const Outcome& run) {
    const RenameOptions& o = c.options;
    QString text = u"type %1 find [%2] replace [%3] cs %4 ext %5 prepend [%6] postpend [%7] "
                   "before %8 case %9"_s.arg(int(o.renameType))
                       .arg(o.findText, o.replaceWith)
                       .arg(o.caseSensitive)
                       .arg(o.includeExtension)
                       .arg(o.prependText, o.postpendText)
                       .arg(o.postpendBeforeExtension)
                       .arg(int(o.caseMode)) +
                   u"\n  entries: ["_s + c.entries.join(u"] ["_s) + u"]"_s;
    for (const RunEvent& e : run.log) {
        text += e.question
                    ? u"\n  ask  [%1] -> button %2"_s.arg(e.oldPath).arg(int(e.answer))
                    : u"\n  move [%1] -> [%2]: %3"_s.arg(e.oldPath, e.newName).arg(e.result.number);
    }
    return text;
}

quint32 envNumber(const char* name, quint32 fallback) {
    bool ok = false;
    const quint32 value = qEnvironmentVariable(name).toUInt(&ok);
    return ok ? value : fallback;
}

} // namespace

class TestRenameProperties : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        seed_ = envNumber("VARNEX_PROPERTY_SEED", 20250101);
        cases_ = int(envNumber("VARNEX_PROPERTY_CASES", 1000));
        qInfo("VARNEX_PROPERTY_SEED=%u VARNEX_PROPERTY_CASES=%d", seed_, cases_);
    }

    void inMemory() {
        Stats stats;
        const auto done = qScopeGuard([&] { stats.print("in memory"); });
        for (int i = 0; i < cases_; ++i) {
            const Case c = makeCase(seed_ + quint32(i), false);
            for (const bool listRun : {false, true}) {
                FakeFileSystem fs;
                buildFake(fs, c.root, u"/t/"_s);
                const Outcome run = runCase(
                    c, fs, u"/t/"_s, listRun,
                    [&](Outcome& out) { readFake(fs, c.root, u"/t/"_s, out); }, stats);
                if (!report(c, listRun, Checker(c, u"/t/"_s, listRun).check(run), run))
                    return;
            }
        }
    }

    void realFolders() {
        Stats stats;
        const auto done = qScopeGuard([&] { stats.print("real folders"); });
        for (int i = 0; i < qMax(1, cases_ / 10); ++i) {
            Case c = makeCase(seed_ + quint32(i), true);
            for (const bool listRun : {false, true}) {
                ScratchFolder scratch;
                QVERIFY(scratch.isValid());
                Case built = c;
                QVERIFY(buildReal(built.root, scratch.raw() + '/'));
                const QString top = scratch.path() + u'/';
                PosixFileSystem fs;
                const Outcome run = runCase(
                    built, fs, top, listRun,
                    [&](Outcome& out) {
                        const TreeSnapshot disk = scanTree(scratch.raw());
                        for (auto it = disk.files.cbegin(); it != disk.files.cend(); ++it)
                            out.files.insert(top + it.key(), it.value());
                        for (const QString& folder : disk.folders)
                            out.folders.insert(top + folder);
                    },
                    stats);
                if (!report(built, listRun, Checker(built, top, listRun).check(run), run))
                    return;
            }
        }
    }

private:
    bool report(const Case& c, bool listRun, const QStringList& problems, const Outcome& run) {
        if (problems.isEmpty())
            return true;
        qInfo().noquote() << describe(c, run);
        const QString text =
            u"%1 run on %2 broke %3 properties; replay with VARNEX_PROPERTY_SEED=%4 "
            "VARNEX_PROPERTY_CASES=%5\n  "_s.arg(listRun ? u"list"_s : u"folder"_s)
                .arg(c.real ? u"real folders"_s : u"the in-memory file system"_s)
                .arg(problems.size())
                .arg(c.seed)
                .arg(c.real ? 10 : 1) +
            problems.mid(0, 10).join(u"\n  "_s);
        QTest::qFail(qPrintable(text), __FILE__, __LINE__);
        return false;
    }

    quint32 seed_ = 0;
    int cases_ = 0;
};

QTEST_GUILESS_MAIN(TestRenameProperties)
#include "tst_RenameProperties.moc"
