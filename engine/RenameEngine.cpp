#include "RenameEngine.h"

#include "NameTransform.h"
#include "platform/AppInfo.h"
#include "platform/LetGo.h"
#include "platform/NameOrder.h"
#include "platform/Text.h"

#include <QCoreApplication>
#include <QSet>
#include <algorithm>
#include <array>
#include <bit>
#include <vector>

namespace varnex {

namespace {

const QChar LineBreak = u'\r';

Message criticalMessage(QString text, Buttons buttons, int defaultButton) {
    Message m;
    m.text = std::move(text);
    m.title = applicationTitle();
    m.buttons = buttons;
    m.icon = Icon::Critical;
    m.defaultButton = defaultButton;
    return m;
}

Message nameTooLongMessage(const QString& oldPath) {
    return criticalMessage(
        QCoreApplication::translate("RenameEngine", "The file ") % oldPath %
            QCoreApplication::translate("RenameEngine",
                                        " could not be renamed because the name you "
                                        "specified exceeds 255 characters in length.") %
            LineBreak % LineBreak %
            QCoreApplication::translate("RenameEngine", "Do you want to continue renaming?"),
        Buttons::YesNo, 0);
}

Message fileErrorMessage(const QString& oldPath, const FsError& error) {
    return criticalMessage(
        QCoreApplication::translate("RenameEngine", "The file '") % oldPath %
            QCoreApplication::translate(
                "RenameEngine", "' could not be renamed because of the following error occured.") %
            LineBreak % LineBreak % errorDetailsText(error) % LineBreak % LineBreak %
            QCoreApplication::translate("RenameEngine", "Abort - Stop the renaming process.") %
            LineBreak %
            QCoreApplication::translate("RenameEngine",
                                        "Retry - Attempt to rename the file again.") %
            LineBreak %
            QCoreApplication::translate(
                "RenameEngine", "Ignore - Skip this file and continue with the remaining files."),
        Buttons::AbortRetryIgnore, 1);
}

Message otherErrorMessage(const QString& oldPath, const FsError& error) {
    return criticalMessage(
        QCoreApplication::translate("RenameEngine", "The file ") % oldPath %
            QCoreApplication::translate(
                "RenameEngine", " could not be renamed because of the following error occured.") %
            LineBreak % LineBreak % errorDetailsText(error),
        Buttons::Ok, 0);
}

bool isDotEntry(const QString& name) {
    return name == QStringLiteral(".") || name == QStringLiteral("..");
}

// A name that stays inside its folder: not empty, not "." or "..", and free of separators
// and NUL (which the system would read as the end of the name). A text typed while a run is
// under way could otherwise move a file into another folder. A new name must also hold no
// control character: those make names that break scripts and terminals (line breaks, escapes).
enum class Controls { Allowed, Refused };
bool isBareName(const QString& name, Controls controls) {
    if (name.isEmpty() || isDotEntry(name))
        return false;
    // One pass for the characters every system refuses and the control characters, all of
    // which lie below "0" but DEL; nearly every character is passed at the first comparison.
    // The native separator is looked for apart only where it is another one.
    const bool refuseControls = controls == Controls::Refused;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (char16_t(u - u'0') < char16_t(0x7F - u'0') || u >= 0x80)
            continue;
        if (u == 0 || u == u'/' || (refuseControls && (u <= 0x1F || u == 0x7F)))
            return false;
    }
    const QString separator = nativeSeparator();
    return separator == QStringLiteral("/") || !name.contains(separator);
}

// A file of a list run as the run tells files apart: by the folder its entry was added from
// and its name there, so that two spellings of one folder (through a link, say) name one file;
// the file of an entry whose folder is not known, by the entry's whole text.
struct ListedFile {
    FolderIdentity folder;
    QString name;
    friend bool operator==(const ListedFile&, const ListedFile&) = default;
};

size_t qHash(const ListedFile& file, size_t seed) {
    return ::qHash(file.name, seed) ^ qHash(file.folder, seed);
}

// Where the last separator in `path` begins, or -1. A separator of one character is looked
// for as that character, which takes a fraction of the time of looking for a text.
qsizetype lastSeparator(const QString& path, const QString& separator) {
    if (separator.size() != 1)
        return path.lastIndexOf(separator);
    const auto at = std::find(path.crbegin(), path.crend(), separator.front());
    return at == path.crend() ? -1 : qsizetype(path.crend() - at) - 1;
}

// The name part of a path: what follows its last separator.
QStringView namePart(const QString& path, const QString& separator) {
    return QStringView(path).sliced(lastSeparator(path, separator) + separator.size());
}

// A summary of the file names of a list run's entries that tells at almost no cost that a name
// is not one of them: 32 bits per name, three bits set per name within one 64-bit word, so that
// a test reads one word. A name it says it may hold (about one in a thousand that it does not)
// is then looked up exactly, in a set small enough to stay in the cache. At a million names it
// takes 4 MB, too much to stay in the processor's cache beside the system's own work: while it
// is built, each word is asked for from memory a few names ahead of its use.
class NameSummary {
public:
    explicit NameSummary(qsizetype count)
        : words_(std::bit_ceil(std::max<std::size_t>(1, (std::size_t(count) + 1) / 2))) {}

    // Adds `name`. Its bits are set a few names later, when its word has arrived; settle()
    // sets those of the last names.
    void add(QStringView name) {
        const std::size_t hash = hashOf(name);
        prefetch(hash);
        std::size_t& slot = pending_[added_ % pending_.size()];
        if (added_ >= pending_.size())
            set(slot);
        slot = hash;
        ++added_;
    }
    void settle() {
        for (std::size_t i = added_ > pending_.size() ? added_ - pending_.size() : 0; i < added_;
             ++i)
            set(pending_[i % pending_.size()]);
        added_ = 0;
    }
    bool mayHold(QStringView name) const {
        const std::size_t hash = hashOf(name);
        const quint64 bits = bitsOf(hash);
        return (words_[wordOf(hash)] & bits) == bits;
    }

private:
    // Qt hashes with its fastest function only under a seed other than zero.
    static std::size_t hashOf(QStringView name) { return qHash(name, 0x9E3779B97F4A7C15u); }
    // The bits within the word come from the hash's low 18 bits, the word from those above.
    std::size_t wordOf(std::size_t hash) const { return (hash >> 18) & (words_.size() - 1); }
    static quint64 bitsOf(std::size_t hash) {
        return (quint64(1) << (hash & 63)) | (quint64(1) << ((hash >> 6) & 63)) |
               (quint64(1) << ((hash >> 12) & 63));
    }
    void set(std::size_t hash) { words_[wordOf(hash)] |= bitsOf(hash); }
    void prefetch(std::size_t hash) const {
#if defined(__GNUC__) || defined(__clang__)
        __builtin_prefetch(&words_[wordOf(hash)]);
#else
        static_cast<void>(hash);
#endif
    }

    std::vector<quint64> words_;
    // The hashes of the names added last, whose bits are not set yet.
    std::array<std::size_t, 8> pending_{};
    std::size_t added_ = 0;
};

} // namespace

QString TruncateAtNull(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

RenameEngine::RenameEngine(FileSystem& fs, MessageBox& messages, EventPump& events,
                           const RenameChoices& choices)
    : fs_(fs), messages_(messages), events_(events), choices_(choices) {}

void RenameEngine::startRun() {
    counters = RunCounters{};
    StopRun = false;
    ListPosition = -1;
    choicesRead_ = false;
}

void RenameEngine::readChoices() {
    const quint64 revision = choices_.revision();
    if (choicesRead_ && revision != 0 && revision == choicesRevision_)
        return;
    options_ = choices_.renameOptions();
    attributes_ = choices_.attributeChoices();
    choicesRevision_ = revision;
    choicesRead_ = true;
}

void RenameEngine::PerformReplacement(const QString& path, const QString& fileName, Folder* folder,
                                      FileListAccess* list, FileListAccess::EntryId entry) {
    // The old path is spelled out only for a message: most files never need it.
    const auto oldPath = [&] {
        return QString(path % fileName);
    };
    lastNewPath_.clear();
    lastFolderMissed_ = false;
    // Each pass is one attempt; Retry starts the next pass with freshly read choices. A loop
    // rather than a nested call, so any number of retries takes no stack.
    for (;;) {
        readChoices();
        const NewNameResult result = ComputeNewName(options_, fileName);
        if (!result.renames)
            break;
        if (result.tooLong) {
            if (observer_)
                observer_->tooLong(path, fileName, result.newName);
            if (messages_.show(nameTooLongMessage(oldPath())) == Button::Yes) {
                ++counters.FilesFailed;
                break;
            }
            StopRun = true;
            return;
        }

        FsError error;
        Folder* target = folder;
        const FolderIdentity listed = list && !folder ? list->entryFolder(entry) : FolderIdentity{};
        if (!isBareName(fileName, Controls::Allowed) ||
            !isBareName(result.newName, Controls::Refused)) {
            error = fsError(fserr::BadFileName);
        } else {
            // A list entry goes through the folder it was added from, never another one put at
            // its path since.
            if (!folder && listed.known())
                target = checkedListFolder(path, listed);
            lastFolderMissed_ = !target && listed.known();
            if (lastFolderMissed_) {
                error = fsError(fserr::PathNotFound);
            } else {
                if (observer_)
                    observer_->aboutToRename(target ? target->identity() : FolderIdentity{}, path,
                                             fileName, result.newName);
                error = target ? target->rename(fileName, result.newName)
                               : fs_.renameInFolder(path, fileName, result.newName);
            }
        }
        if (observer_) {
            if (error.ok())
                observer_->renamed(path, fileName, result.newName,
                                   target ? target->lastFileNumber() : 0);
            else
                observer_->failed(path, fileName, result.newName, error.number);
        }

        if (error.ok()) {
            if (list) {
                lastNewName_ = result.newName;
                lastNewPath_ = joined(path, result.newName);
                list->setEntryText(entry, lastNewPath_);
            }
            ++counters.FilesRenamed;
            break;
        }
        if (!isFileError(error.number)) {
            messages_.show(otherErrorMessage(oldPath(), error));
            StopRun = true;
            return;
        }
        const Button answer = messages_.show(fileErrorMessage(oldPath(), error));
        if (answer == Button::Retry) {
            // The folder may have changed while the question was open, and a folder's rename
            // relies on the last reading of the file's attributes to tell that the entry is
            // still no folder: read them again.
            if (folder)
                folder->entryAttributes(fileName, attr::Invalid);
            continue;
        }
        if (answer == Button::Ignore) {
            // The file keeps its name, so its list entry keeps the old path.
            ++counters.FilesFailed;
            break;
        }
        StopRun = true; // Abort, or the box closed without an answer
        return;
    }
    events_.processEvents();
}

Folder* RenameEngine::checkedListFolder(const QString& path, const FolderIdentity& identity) {
    // A list usually holds the files of a few folders: each is opened once. Far more folders
    // than descriptors a process may hold are closed all together and opened again as needed.
    constexpr std::size_t MaxOpenFolders = 256;
    if (lastListFolder_ && lastListFolder_->identity() == identity && path == lastListPath_)
        return lastListFolder_;
    const auto found = listFolders_.find(path);
    if (found != listFolders_.end() && found->second && found->second->identity() == identity) {
        lastListFolder_ = found->second.get();
    } else {
        if (listFolders_.size() >= MaxOpenFolders)
            closeListFolders();
        std::unique_ptr<Folder>& slot = listFolders_[path];
        slot = fs_.openFolderChecked(path, identity);
        lastListFolder_ = slot.get();
    }
    lastListPath_ = path;
    return lastListFolder_;
}

void RenameEngine::closeListFolders() {
    lastListFolder_ = nullptr;
    listFolders_.clear();
}

int RenameEngine::renameList(FileListAccess& list) {
    // No folder is held open between runs.
    const struct CloseFolders {
        RenameEngine& engine;
        ~CloseFolders() { engine.closeListFolders(); }
    } closeFolders{*this};
    closeListFolders();
    const QList<FileListAccess::EntryId> ids = list.entryIds();
    const QString separator = nativeSeparator();
    // The file names of the entries as the run starts: those not yet reached keep them until
    // then.
    NameSummary listed(ids.size());
    // The folders the entries name by more than one spelling (through a link, say): only in
    // those can two entries name one file. Entries of one spelling usually follow one another.
    QHash<FolderIdentity, QString> spellings;
    QSet<FolderIdentity> spelledTwice;
    FolderIdentity lastIdentity;
    QString lastSpelling;
    for (qsizetype i = 0; i < ids.size() && !StopRun; ++i) {
        if (const std::optional<QString> text = list.entryText(ids[i])) {
            const QStringView name = namePart(*text, separator);
            listed.add(name);
            const FolderIdentity folder = list.entryFolder(ids[i]);
            const QStringView spelling = QStringView(*text).chopped(name.size());
            if (folder.known() && (folder != lastIdentity || spelling != lastSpelling)) {
                lastIdentity = folder;
                lastSpelling = spelling.toString();
                const auto first = spellings.constFind(folder);
                if (first == spellings.cend())
                    spellings.insert(folder, lastSpelling);
                else if (*first != lastSpelling)
                    spelledTwice.insert(folder);
            }
        }
        if (i % 1024 == 1023)
            events_.processEvents();
    }
    listed.settle();
    QSet<QString> folders;
    // The folder part of the last entry: entries of one folder share this one text.
    QString lastFolder;
    // Files renamed in this run, under their new names, that an entry may name: such an entry
    // names a file already renamed here, which is not offered again. A new name that is the
    // name of no entry needs no keeping, and that is nearly every name.
    QSet<ListedFile> renamedTo;
    // Files offered in this run, under their old names, that another entry may name through
    // another spelling of their folder, with their new names (null when they kept the old
    // one): that entry is not offered the file again, and is given the new name.
    QHash<ListedFile, QString> offered;
    for (const FileListAccess::EntryId id : ids) {
        if (StopRun)
            break;
        const int row = list.rowOf(id);
        if (row < 0)
            continue; // removed
        ListPosition = row;
        events_.processEvents();
        if (StopRun)
            break;
        // The events may have removed or changed the entry.
        const std::optional<QString> text = list.entryText(id);
        if (!text)
            continue;
        ListPosition = list.rowOf(id);
        const qsizetype cut = lastSeparator(*text, separator);
        if (cut < 0 || cut + separator.size() == text->size())
            continue; // not a path to a file
        const QString name = text->mid(cut + separator.size());
        const FolderIdentity folder = list.entryFolder(id);
        const ListedFile file{folder, folder.known() ? name : *text};
        if (const auto before = offered.constFind(file); before != offered.cend()) {
            if (!before->isNull())
                list.setEntryText(
                    id, joined(QStringView(*text).first(cut + separator.size()), *before));
            continue;
        }
        if (renamedTo.contains(file))
            continue;
        ++counters.FilesProcessed;
        // Entries of one folder usually follow one another: a folder just counted is not
        // looked up again.
        const QStringView path = QStringView(*text).first(cut + separator.size());
        if (folders.isEmpty() || path != lastFolder) {
            lastFolder = path.toString();
            folders.insert(lastFolder);
        }
        PerformReplacement(lastFolder, name, nullptr, &list, id);
        const bool renamed = !lastNewPath_.isEmpty();
        // A file is offered once its folder was reached; an entry whose folder is not the one
        // it was added from never reached it.
        if (!spelledTwice.isEmpty() && spelledTwice.contains(folder) && !lastFolderMissed_)
            offered.insert(file, renamed ? lastNewName_ : QString());
        if (renamed && listed.mayHold(lastNewName_))
            renamedTo.insert(ListedFile{folder, folder.known() ? lastNewName_ : lastNewPath_});
    }
    return int(folders.size());
}

// The file pattern of a walk. "*" and "*.*" match every name, with or without a dot; other
// patterns know "*" (any run of characters) and "?" (one character), ignoring letter case.
class RenameEngine::NamePattern {
public:
    explicit NamePattern(const QString& pattern)
        : pattern_(pattern),
          matchesAll_(pattern == QStringLiteral("*") || pattern == QStringLiteral("*.*")) {}

    bool matches(const QString& name) const {
        if (matchesAll_)
            return true;
        // Greedy match that backtracks only to the last "*": linear for the usual patterns.
        qsizetype p = 0, n = 0, starP = -1, starN = 0;
        while (n < name.size()) {
            if (p < pattern_.size() && pattern_[p] == u'*') {
                starP = p++;
                starN = n;
            } else if (p < pattern_.size() && (pattern_[p] == u'?' || pattern_[p].toCaseFolded() ==
                                                                          name[n].toCaseFolded())) {
                ++p;
                ++n;
            } else if (starP >= 0) {
                p = starP + 1;
                n = ++starN;
            } else {
                return false;
            }
        }
        while (p < pattern_.size() && pattern_[p] == u'*')
            ++p;
        return p == pattern_.size();
    }

private:
    QString pattern_;
    bool matchesAll_;
};

// One folder of the walk that is open, with the names of the sub-folders still to walk.
struct RenameEngine::Level {
    std::unique_ptr<Folder> folder;
    QStringList subFolders;
    qsizetype next = 0;
};

void RenameEngine::FindFilesAPI(const QString& path, const QString& searchStr, int& dirCount) {
    if (path.isEmpty())
        return;
    const QString separator = nativeSeparator();
    std::unique_ptr<Folder> top =
        fs_.openFolder(path.endsWith(separator) ? path : path % separator);
    if (!top)
        return;
    const NamePattern pattern(searchStr);

    // Depth first, pre-order, with an explicit stack so that a deep tree cannot exhaust the
    // call stack. Each level is entered through its parent's open folder, never by a path.
    std::vector<Level> stack;
    stack.push_back(Level{std::move(top), {}, 0});
    walkOneFolder(stack.back(), pattern, dirCount);
    while (!StopRun && !stack.empty()) {
        Level& level = stack.back();
        if (level.next >= level.subFolders.size()) {
            stack.pop_back();
            continue;
        }
        const QString name = level.subFolders[level.next++];
        std::unique_ptr<Folder> sub = level.folder->openSubFolder(name);
        if (!sub)
            continue; // a folder that cannot be opened is walked as empty
        stack.push_back(Level{std::move(sub), {}, 0});
        walkOneFolder(stack.back(), pattern, dirCount);
    }
}

void RenameEngine::walkOneFolder(Level& level, const NamePattern& pattern, int& dirCount) {
    Folder& folder = *level.folder;
    // One snapshot of the folder serves both passes, so a file renamed in this pass is never
    // met again under its new name. The listing tells each entry's kind; the attributes of a
    // file are read when the file pass reaches it. A long listing lets the window's events run.
    const auto pause = [this] {
        events_.processEvents();
    };
    std::optional<FolderListing> listed = folder.entryKinds(pause);
    if (!listed || StopRun)
        return;
    // Files, then sub-folders, in the order the folder preview shows them, whatever order the
    // file system lists them in: the outcome of a run never depends on the file system. The
    // entries are laid out in that order first, so that both passes read them in sequence.
    const QList<qsizetype> order = nameOrder(
        listed->size(), [&](qsizetype i) { return listed->name(i); }, pause);
    if (StopRun)
        return;
    const FolderListing entries = listed->reordered(order, pause);
    letGoOf(*listed);
    if (StopRun)
        return;

    // Sub-folder pass. An entry whose kind could not be read has every bit set and so counts
    // as a folder; opening it later finds nothing.
    QStringList subFolders;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (!(entries.attributes(i) & attr::Folder))
            continue;
        const QString name = TruncateAtNull(entries.name(i).toString());
        if (isDotEntry(name))
            continue;
        subFolders.append(name);
        ++dirCount;
    }

    // File pass.
    const QString path = folder.path();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const quint32 kind = entries.attributes(i);
        if (kind & attr::Folder)
            continue;
        const QString name = TruncateAtNull(entries.name(i).toString());
        if (isDotEntry(name) || !pattern.matches(name))
            continue;
        // The file's attributes as they are now. An entry that has become a folder since the
        // listing, or whose attributes cannot be read, is passed over like a folder.
        const quint32 attributes = folder.entryAttributes(name, kind);
        if (attributes & attr::Folder)
            continue;
        ++counters.FilesProcessed;
        readChoices();
        const AttributeChoices allowed = attributes_;
        quint32 skippedBy = 0;
        if ((attributes & attr::ReadOnly) && !allowed.readOnly) {
            skippedBy = attr::ReadOnly;
            ++counters.ReadOnlySkipped;
        }
        if ((attributes & attr::Hidden) && !allowed.hidden) {
            skippedBy = skippedBy ? skippedBy : attr::Hidden;
            ++counters.HiddenSkipped;
        }
        if ((attributes & attr::System) && !allowed.system) {
            skippedBy = skippedBy ? skippedBy : attr::System;
            ++counters.SystemSkipped;
        }
        if (skippedBy == 0)
            PerformReplacement(path, name, &folder);
        else if (observer_)
            observer_->skipped(path, name, skippedBy);
        if (StopRun)
            return;
    }

    if (choices_.recursive())
        level.subFolders = std::move(subFolders);
}

} // namespace varnex
