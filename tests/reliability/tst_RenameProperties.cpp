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
#include "engine/RunJournal.h"
#include "engine/UndoCommand.h"
#include "selection/FileList.h"

#include <QTest>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

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
const QStringList Pieces =
    u"a|b|A|B|x|ab|Ab|txt|TXT|.|.|.txt|.TxT| |_|-|\u00e9|\u00c9|\u00df|\u1e9e|\u03a3|\u03c3|"
    u"\u03c2|\u0130|\u0131|\u01c5|\u0390|\ufb01|\U0001D538|\u65e5"_s.split(u'|');
const QStringList Controls = {u"\t"_s, u"\n"_s, u"\r"_s, u"\x01"_s};
const QStringList Replacements =
    u"|a|B|.|..|x.y|\u00df| |SS|/"_s.split(u'|') + QStringList{QString(200, u'r')};
const QString NoSeparator = u"no separator"_s;

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
    return !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/') &&
           !name.contains(QChar(u'\0')) &&
           (!real || (!encodeFileName(name).isEmpty() && sizeOf(name, true) <= 255));
}

// A name with a control character, which a rename refuses.
bool hasControl(const QString& name) {
    return std::any_of(name.cbegin(), name.cend(),
                       [](QChar c) { return (c >= u'\x01' && c <= u'\x1f') || c == u'\x7f'; });
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
    o.renameType = RenameType(
        QList<int>{0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 4, 4, 4, 4}[r.below(20)]);
    // Often a piece of a name (maybe half of a surrogate pair), else any piece.
    const QString name = names.isEmpty() || !r.chance(0.6) ? QString() : r.pick(names);
    o.findText = name.isEmpty() ? r.pick(Pieces) : name.mid(r.below(name.size()), 1 + r.below(3));
    o.replaceWith = r.pick(Replacements);
    o.caseSensitive = r.chance(0.5);
    o.includeExtension = r.chance(0.5);
    o.prependText = randomText(r);
    o.postpendText = randomText(r);
    o.postpendBeforeExtension = r.chance(0.5);
    o.caseMode = CaseMode(r.below(3));
    c.allowed = {r.chance(0.5), r.chance(0.5), r.chance(0.5)};
    c.recurse = r.chance(0.7);
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

QString folderOf(const QString& path) {
    return path.left(path.lastIndexOf(u'/') + 1);
}

// The files a walk examines, in order, with their attributes, and the sub-folders it finds.
void modelWalk(const Case& c, const Node& folder, const QString& path,
               QList<std::pair<QString, quint32>>& out, int& dirCount) {
    if (!folder.openable || !folder.listable)
        return;
    // Name order without regard to case, then by bytes, whatever order the folder lists in.
    QList<const Node*> children;
    for (const Node& n : folder.children)
        children.append(&n);
    std::sort(children.begin(), children.end(), [](const Node* a, const Node* b) {
        const int folded = a->name.toCaseFolded().compare(b->name.toCaseFolded());
        return folded != 0 ? folded < 0 : a->name.toUtf8() < b->name.toUtf8();
    });
    for (const Node* n : std::as_const(children)) {
        dirCount += n->folder || n->attributes == attr::Invalid;
        if (!n->folder && n->attributes != attr::Invalid)
            out.append({path + n->name, n->attributes});
    }
    for (const Node* n : std::as_const(children)) {
        if (c.recurse && n->folder)
            modelWalk(c, *n, path + n->name + u'/', out, dirCount);
    }
}

// Every property the run breaks: each file is offered once and renamed to its computed name;
// every failure is followed by its dialog and every dialog has a cause; nothing happens after
// a stop; the counters match what happened; a run that was not stopped offers exactly the
// files it should, in order; every file is on disk exactly once, under its old name or the
// name it was given, and the list shows it.
// `disk`: what is on disk afterwards, by full path.
QStringList check(const Case& c, const QString& top, bool listRun, const RunResult& run,
                  const TreeSnapshot& disk) {
    QStringList problems;
    const auto expect = [&](bool ok, const QString& what) {
        if (!ok)
            problems.append(what);
    };
    QHash<QString, QString> moved; // old full path -> new full path
    QSet<QString> renamedTo;
    QStringList offered; // in the order first offered
    qint64 failed = 0;
    bool stopped = false;
    const QList<RunEvent>& log = run.log;
    for (qsizetype i = 0; i < log.size(); ++i) {
        const RunEvent& e = log[i];
        const RunEvent* before = i > 0 ? &log[i - 1] : nullptr;
        const RunEvent* next = i + 1 < log.size() ? &log[i + 1] : nullptr;
        const QString where = u" ("_s + e.oldPath + u')';
        expect(!stopped, u"the run went on after being stopped"_s + where);
        if (!before || before->oldPath != e.oldPath) {
            expect(!offered.contains(e.oldPath) && !renamedTo.contains(e.oldPath),
                   u"offered twice"_s + where);
            offered.append(e.oldPath);
        }
        const NewNameResult want =
            ComputeNewName(c.options, e.oldPath.mid(folderOf(e.oldPath).size()));
        if (!e.question) {
            expect(want.renames && !want.tooLong && e.newName == want.newName,
                   u"not renamed to the computed name"_s + where);
            const Buttons buttons =
                isFileError(e.result.number) ? Buttons::AbortRetryIgnore : Buttons::Ok;
            if (e.result.ok()) {
                moved.insert(e.oldPath, folderOf(e.oldPath) + e.newName);
                renamedTo.insert(folderOf(e.oldPath) + e.newName);
            } else {
                expect(next && next->question && next->oldPath == e.oldPath &&
                           next->buttons == buttons,
                       u"a failure not followed by its dialog"_s + where);
            }
            continue;
        }
        // A question follows a failed rename, or asks about a name too long (Yes/No) or one
        // that would leave the folder, which never reaches the file system.
        const bool afterFailure =
            before && !before->question && before->oldPath == e.oldPath && !before->result.ok();
        const bool refused = want.renames && !want.tooLong &&
                             (!usableName(want.newName, false) || hasControl(want.newName));
        expect(afterFailure || (want.tooLong ? e.buttons == Buttons::YesNo
                                             : refused && e.buttons == Buttons::AbortRetryIgnore),
               u"a dialog without a cause"_s + where);
        if (e.answer == Button::Retry)
            expect(next && next->oldPath == e.oldPath, u"Retry did not try again"_s + where);
        failed += e.answer == Button::Ignore || e.answer == Button::Yes;
        stopped = e.answer == Button::Abort || e.answer == Button::No || e.buttons == Buttons::Ok;
    }
    const RunCounters& got = run.counters;
    expect(got.FilesRenamed == moved.size(),
           u"FilesRenamed %1, renames done %2"_s.arg(got.FilesRenamed).arg(moved.size()));
    expect(got.FilesFailed == failed,
           u"FilesFailed %1, files given up %2"_s.arg(got.FilesFailed).arg(failed));
    expect(run.stopRun == stopped, u"StopRun does not match the answers"_s);

    const bool renames = c.options.renameType != RenameType::None;
    if (listRun) {
        // Entries that name no file, and those naming a file renamed earlier, are passed over.
        QStringList entries = c.fullEntries(top), passed;
        QSet<QString> earlier;
        qint64 processed = 0;
        for (QString& entry : entries) {
            const qsizetype cut = entry.lastIndexOf(u'/');
            if (cut >= 0 && cut + 1 < entry.size() && !earlier.contains(entry)) {
                ++processed;
                if (renames)
                    passed.append(entry);
                if (moved.contains(entry))
                    earlier.insert(moved[entry]);
            }
            entry = moved.value(entry, entry);
        }
        expect(run.listAfter == entries, u"the list does not show the files' names"_s);
        expect(run.spareRoom == 0, u"new paths kept with room to spare"_s);
        expect(stopped ? passed.mid(0, offered.size()) == offered : passed == offered,
               u"the list entries were not offered in turn"_s);
        expect(stopped || got.FilesProcessed == processed, u"FilesProcessed of the list"_s);
    } else if (!stopped) {
        QList<std::pair<QString, quint32>> examined;
        int dirCount = 0;
        modelWalk(c, c.root, top, examined, dirCount);
        QStringList eligible;
        RunCounters want;
        want.FilesProcessed = examined.size();
        for (const auto& [path, a] : std::as_const(examined)) {
            const bool readOnly = (a & attr::ReadOnly) && !c.allowed.readOnly;
            const bool hidden = (a & attr::Hidden) && !c.allowed.hidden;
            const bool system = (a & attr::System) && !c.allowed.system;
            if (renames && !readOnly && !hidden && !system)
                eligible.append(path);
            want.ReadOnlySkipped += readOnly;
            want.HiddenSkipped += hidden;
            want.SystemSkipped += system;
        }
        expect(offered == eligible, u"the walk did not offer each eligible file once"_s);
        expect(got.FilesProcessed == want.FilesProcessed &&
                   got.ReadOnlySkipped == want.ReadOnlySkipped &&
                   got.HiddenSkipped == want.HiddenSkipped &&
                   got.SystemSkipped == want.SystemSkipped && run.dirCount == dirCount,
               u"the walk's counters"_s);
    }

    QMap<QString, QByteArray> files, want;
    QSet<QString> folders;
    collectFiles(c.root, top, files, folders);
    for (auto it = files.cbegin(); it != files.cend(); ++it)
        want.insert(moved.value(it.key(), it.key()), it.value());
    expect(disk.folders == folders, u"the folders changed"_s);
    for (auto it = want.cbegin(); it != want.cend(); ++it) {
        expect(disk.files.value(it.key()) == it.value(),
               u"lost: "_s + QString::fromUtf8(it.value()) + u" at "_s + it.key());
    }
    expect(want.size() == files.size() && disk.files.size() == want.size(),
           u"a file appeared or two files share a name"_s);
    return problems;
}

// Runs the engine over `fs` (which holds the case's tree under `top`), with failures injected
// and answers drawn from the case's seed; `observer`, when given, is told about every file.
RunResult runCase(const Case& c, FileSystem& fs, const QString& top, bool listRun,
                  RenameObserver* observer = nullptr) {
    static const QList<int> outside = {1, 5, 7, 48, 51, 77, 91, 32755, -1, INT_MIN, INT_MAX};
    Random r(c.seed ^ (listRun ? 0x5bd1e995u : 0x1b873593u));
    RunSetup setup{.top = top,
                   .entries = listRun ? c.fullEntries(top) : QStringList(),
                   .options = {c.options},
                   .allowed = c.allowed,
                   .recurse = c.recurse,
                   .observer = observer};
    setup.during = [&](const QList<RunEvent>&, const QString& renaming) -> std::optional<FsError> {
        if (renaming.isEmpty() || !r.chance(c.failRate))
            return std::nullopt;
        return fsError(r.chance(0.8) ? fserr::FirstFileError + r.below(25) : r.pick(outside));
    };
    setup.answer = [&](const Message& m) {
        if (m.buttons == Buttons::YesNo)
            return r.chance(c.stopRate) ? Button::No : Button::Yes;
        if (m.buttons == Buttons::Ok)
            return Button::Ok;
        return r.chance(c.stopRate) ? Button::Abort
               : r.chance(0.45)     ? Button::Retry
                                    : Button::Ignore;
    };
    return runEngine(fs, setup);
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

// Creates the tree on disk.
bool buildReal(Node& folder, const QByteArray& path) {
    for (Node& n : folder.children) {
        const QByteArray raw = path + encodeFileName(n.name);
        if (n.folder ? ::mkdir(raw.constData(), 0755) != 0 || !buildReal(n, raw + '/')
                     : !writeRaw(raw, n.content, n.attributes & attr::ReadOnly ? 0444 : 0644))
            return false;
    }
    for (Node& n : folder.children) {
        if (!n.folder && n.name.startsWith(u'.'))
            n.attributes |= attr::Hidden;
    }
    return true;
}

// Builds the case's tree in memory under "/t/", or on disk in `scratch`; returns its top
// folder, empty when the tree could not be made.
QString buildCase(Case& c, FakeFileSystem& fake, const ScratchFolder& scratch) {
    if (!c.real) {
        buildFake(fake, c.root, u"/t/"_s);
        return u"/t/"_s;
    }
    return buildReal(c.root, scratch.raw() + '/') ? scratch.path() + u'/' : QString();
}

quint32 envNumber(const char* name, quint32 fallback) {
    bool ok = false;
    const quint32 value = qEnvironmentVariable(name).toUInt(&ok);
    return ok ? value : fallback;
}

} // namespace

#ifndef VARNEX_PROPERTY_CASES_ONLY
namespace {

// Another program at work on a real tree while a run goes on: it renames files, exchanges two
// of them, adds files and swaps a folder for a link to another one. The contents of the files
// it adds are remembered, so the end state can be checked against every file that should exist.
class OtherProgram {
public:
    OtherProgram(Random& r, QList<QByteArray> folders) : r_(r), folders_(std::move(folders)) {}
    QList<QByteArray> contents;

    void act() {
        const QByteArray folder = r_.pick(folders_);
        QList<QByteArray> files;
        for (const QByteArray& name : rawNames(folder)) {
            struct stat st;
            if (::lstat(QByteArray(folder + name).constData(), &st) == 0 && S_ISREG(st.st_mode))
                files.append(folder + name);
        }
        const QByteArray fresh = folder + "other" + QByteArray::number(++serial_);
        const int what = r_.below(4);
        if (what == 0 && !files.isEmpty()) {
            ::renameat2(AT_FDCWD, r_.pick(files).constData(), AT_FDCWD, fresh.constData(),
                        RENAME_NOREPLACE);
        } else if (what == 1 && files.size() >= 2) {
            ::renameat2(AT_FDCWD, r_.pick(files).constData(), AT_FDCWD, r_.pick(files).constData(),
                        RENAME_EXCHANGE);
        } else if (what == 2 && writeRaw(fresh, "added " + fresh)) {
            contents.append("added " + fresh);
        } else if (what == 3 && !swapped_) {
            // The first sub-folder becomes a link to the second.
            const QByteArray first = folders_[1].chopped(1), moved = first + ".moved";
            if (::rename(first.constData(), moved.constData()) == 0) {
                swapped_ = ::symlink(folders_[2].constData(), first.constData()) == 0;
                folders_[1] = moved + '/';
            }
        }
    }

private:
    Random& r_;
    QList<QByteArray> folders_;
    int serial_ = 0;
    bool swapped_ = false;
};

const QStringList CollidingNames = u"a|b|A|B|aa|ab|ba|bb|AB|aab|Ab"_s.split(u'|');

// One run over a real tree under attack, in files mode (entries added as the program adds
// them, with their folders' identities) or as a walk. Every file must still be there exactly
// once: a replacing rename would lose one; files mode reaching through the link would rename
// a file outside its folder.
QString runUnderAttack(quint32 seed) {
    Random r(seed);
    ScratchFolder scratch;
    const QByteArray top = scratch.raw() + '/';
    const QList<QByteArray> folders = {top, top + "d1/", top + "d2/"};
    QList<QByteArray> expected;
    QStringList paths;
    for (const QByteArray& folder : folders) {
        ::mkdir(folder.constData(), 0755);
        for (int k = 2 + r.below(6); k > 0; --k) {
            const QString name = r.chance(0.8) ? r.pick(CollidingNames) : randomName(r, true);
            const QByteArray content = "file " + QByteArray::number(expected.size());
            if (writeRaw(folder + encodeFileName(name), content)) {
                expected.append(content);
                paths.append(decodeFileName(folder) + name);
            }
        }
    }

    OtherProgram other(r, folders);
    const QList<RenameOptions> options = {
        prependOptions(u"a"_s), replaceOptions(u"a"_s, u"b"_s, true), caseOptions(CaseMode::Upper),
        caseOptions(CaseMode::Lower)};
    RunSetup setup{.top = scratch.path(), .options = {r.pick(options)}};
    setup.during = [&](const QList<RunEvent>&, const QString& renaming) -> std::optional<FsError> {
        if (r.chance(0.15))
            other.act();
        if (renaming.isEmpty() || !r.chance(0.15))
            return std::nullopt;
        return fsError(fserr::FirstFileError + r.below(25));
    };
    int retries = 0;
    setup.answer = [&](const Message& m) {
        if (m.buttons != Buttons::AbortRetryIgnore)
            return ignoreEach(m);
        if (retries < 3 && r.chance(0.3)) {
            ++retries;
            return Button::Retry;
        }
        retries = 0;
        return r.chance(0.05) ? Button::Abort : Button::Ignore;
    };
    const bool listRun = r.chance(0.5);
    if (listRun) {
        setup.fill = [&](FileList& list) {
            for (const QString& path : std::as_const(paths))
                list.AddListItem(path);
        };
    }
    PosixFileSystem posix;
    runEngine(posix, setup);

    expected += other.contents;
    QList<QByteArray> found;
    for (const QByteArray& content : scanTree(top).files) {
        if (!content.startsWith("->"))
            found.append(content);
    }
    std::sort(expected.begin(), expected.end());
    std::sort(found.begin(), found.end());
    return found == expected
               ? QString()
               : u"%1 run: expected %2 files, found %3"_s.arg(listRun ? u"list"_s : u"folder"_s)
                     .arg(expected.size())
                     .arg(found.size());
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
    void inMemory() { runCases(false, cases_); }
    void realFolders() { runCases(true, qMax(1, cases_ / 10)); }
    // On random real trees, with failing renames, Retry, Abort and No: a journaled run followed
    // by its undo gives back the tree byte for byte.
    void runThenUndo() {
        for (int i = 0; i < qMax(1, cases_ / 10); ++i) {
            Case c = makeCase(seed_ + quint32(i), true);
            ScratchFolder top, journals;
            QVERIFY(buildReal(c.root, top.raw() + '/'));
            const QStringList before = layout(top.raw());
            RunJournal journal(journals.path());
            journal.beginRun();
            PosixFileSystem posix;
            runCase(c, posix, top.path() + u'/', false, &journal);
            journal.endRun();
            CountingEventPump pump;
            const UndoOutcome outcome = undoNewestRun(posix, journals.path(), pump);
            QVERIFY2(outcome.problemCount == 0 && layout(top.raw()) == before,
                     qPrintable(u"seed %1: %2"_s.arg(c.seed).arg(undoSummary(outcome))));
        }
    }
    // Real folders under attack while the run goes on (see runUnderAttack).
    void realFolderFaults() {
        for (int i = 0; i < qMax(1, cases_ / 10); ++i) {
            const QString problem = runUnderAttack(seed_ + quint32(i));
            QVERIFY2(problem.isEmpty(),
                     qPrintable(problem + u", replay with VARNEX_PROPERTY_SEED=%1 "
                                          "VARNEX_PROPERTY_CASES=10"_s.arg(seed_ + quint32(i))));
        }
    }

private:
    void runCases(bool real, int count) {
        for (int i = 0; i < count; ++i) {
            const Case c = makeCase(seed_ + quint32(i), real);
            for (const bool listRun : {false, true}) {
                Case built = c;
                FakeFileSystem fake;
                PosixFileSystem posix;
                ScratchFolder scratch;
                const QString top = buildCase(built, fake, scratch);
                QVERIFY(!top.isEmpty());
                const RunResult run =
                    runCase(built, real ? static_cast<FileSystem&>(posix) : fake, top, listRun);
                TreeSnapshot disk;
                if (real)
                    disk = scanTree(scratch.raw(), top);
                else
                    fake.collect(top, disk.files, disk.folders);
                const QStringList problems = check(built, top, listRun, run, disk);
                QVERIFY2(problems.isEmpty(),
                         qPrintable(u"%1 run, replay with VARNEX_PROPERTY_SEED=%2 "
                                    "VARNEX_PROPERTY_CASES=%3\n  "_s.arg(listRun)
                                        .arg(c.seed)
                                        .arg(real ? 10 : 1) +
                                    problems.mid(0, 10).join(u"\n  "_s)));
            }
        }
    }

    quint32 seed_ = 0;
    int cases_ = 0;
};

QTEST_GUILESS_MAIN(TestRenameProperties)
#include "tst_RenameProperties.moc"
#endif
