#pragma once

#include "FsError.h"

#include <QHashFunctions>
#include <QLatin1StringView>
#include <QList>
#include <QString>
#include <QStringView>
#include <functional>
#include <memory>
#include <optional>

namespace varnex {

// Attribute bits of a folder entry, as the folder walk sees them.
namespace attr {
inline constexpr quint32 ReadOnly = 0x1;
inline constexpr quint32 Hidden = 0x2;
inline constexpr quint32 System = 0x4;
inline constexpr quint32 Folder = 0x10;
// What an attribute query answers when it fails: every bit set.
inline constexpr quint32 Invalid = 0xFFFFFFFFu;
} // namespace attr

// One entry of a folder listing ("." and ".." are never listed).
struct FolderEntry {
    QString name;
    quint32 attributes = 0;
};

// Called now and then while a long listing is read, so that the caller can let the window
// process its events meanwhile.
using ListingPause = std::function<void()>;

// The entries of a folder held compactly: every name back to back in one text, so that a
// listing of many entries takes a few blocks of memory rather than one per entry.
class FolderListing {
public:
    qsizetype size() const { return attributes_.size(); }
    QStringView name(qsizetype i) const {
        const qsizetype begin = i == 0 ? 0 : ends_.at(i - 1);
        return QStringView(names_).sliced(begin, ends_.at(i) - begin);
    }
    quint32 attributes(qsizetype i) const { return attributes_.at(i); }

    void append(QStringView name, quint32 attributes) {
        names_.append(name);
        ends_.append(names_.size());
        attributes_.append(attributes);
    }
    // A name in plain ASCII, which reads the same as Latin-1.
    void append(QLatin1StringView name, quint32 attributes) {
        names_.append(name);
        ends_.append(names_.size());
        attributes_.append(attributes);
    }

    // The entries at the positions `order` gives, in that order. A pass over the result reads
    // its memory front to back, where a pass through `order` would jump about at every entry:
    // between the system calls of a run that costs a cache miss or more per entry.
    // `pause`, when given, is called every few thousand entries.
    FolderListing reordered(const QList<qsizetype>& order, const ListingPause& pause = {}) const;

private:
    QString names_;
    QList<qsizetype> ends_; // where each name ends in names_
    QList<quint32> attributes_;
};

// Which folder a folder is: its device and inode numbers. Two openings of one path are the
// same folder only when their identities are equal; a folder swapped for another one, or for a
// symbolic link to another place, has another identity. Both zero: not known.
struct FolderIdentity {
    quint64 device = 0;
    quint64 inode = 0;

    bool known() const { return device != 0 || inode != 0; }
    // The identity of a folder that could not be read: known, but equal to no real folder, so
    // that nothing is ever renamed through it.
    static constexpr FolderIdentity none() { return {~quint64(0), ~quint64(0)}; }
    friend bool operator==(const FolderIdentity&, const FolderIdentity&) = default;
    friend size_t qHash(const FolderIdentity& folder, size_t seed) {
        return ::qHash(folder.device, seed) ^ (::qHash(folder.inode, seed) << 1);
    }
};

// Calls `pause` (when there is one) after every 4,096th of the `done` items of a long pass over
// a folder's names: often enough that a million names never hold the window for long.
inline void pauseAfter(const ListingPause& pause, qint64 done) {
    if (pause && done % 4096 == 0)
        pause();
}

inline FolderListing FolderListing::reordered(const QList<qsizetype>& order,
                                              const ListingPause& pause) const {
    FolderListing result;
    result.names_.reserve(names_.size());
    result.ends_.reserve(order.size());
    result.attributes_.reserve(order.size());
    for (const qsizetype i : order) {
        result.names_.append(name(i));
        result.ends_.append(result.names_.size());
        result.attributes_.append(attributes_.at(i));
        pauseAfter(pause, result.size());
    }
    return result;
}

// What every rename inside a folder fails with, and at which step of a rename the system
// tells it.
struct RenameRefusal {
    enum class Step {
        None,          // nothing is known against renames in the folder
        BeforeLookup,  // the folder may not be searched: no name in it can even be looked up
        BeforeNewName, // its file system is read-only: told before a taken new name
        AfterNewName,  // the folder may not be written: told after a taken new name
    };
    Step step = Step::None;
    FsError error;

    friend bool operator==(const RenameRefusal& a, const RenameRefusal& b) {
        return a.step == b.step && a.error.number == b.error.number;
    }
};

// An open folder. Everything is relative to the folder itself, so a walk can go deeper than
// any path length limit and never follows a symbolic link into another place.
class Folder {
public:
    virtual ~Folder() = default;

    // The folder's path as shown to the user; ends with the native separator.
    virtual QString path() const = 0;

    // Which folder this is; not known() where the file system cannot tell.
    virtual FolderIdentity identity() const { return {}; }

    // Every entry of the folder with all four attributes, read in full before the caller acts
    // on any of them. std::nullopt when the folder cannot be read.
    virtual std::optional<QList<FolderEntry>> entries() = 0;

    // Every entry of the folder with its kind, read in full before the caller acts on any of
    // them: the Folder bit is exact (an entry whose kind cannot be learned reads as
    // attr::Invalid), the other bits may read as clear. Far cheaper than entries() where the
    // listing itself tells each entry's kind, as it does on most file systems. `pause`, when
    // given, is called every few thousand entries. std::nullopt when the folder cannot be read.
    virtual std::optional<FolderListing> entryKinds(const ListingPause& pause) {
        static_cast<void>(pause);
        const std::optional<QList<FolderEntry>> all = entries();
        if (!all)
            return std::nullopt;
        FolderListing listing;
        for (const FolderEntry& entry : *all)
            listing.append(entry.name, entry.attributes);
        return listing;
    }

    // The attributes of the entry `name` as they are now: all four bits, or attr::Invalid when
    // the query fails. `listed` is what entryKinds() or entries() gave for the entry; a folder
    // whose listing holds all four bits may answer with it. A rename of `name` made right after
    // may rely on this answer instead of asking again whether the entry is a folder.
    virtual quint32 entryAttributes(const QString& name, quint32 listed) {
        static_cast<void>(name);
        return listed;
    }

    // Opens the sub-folder `name` (never through a symbolic link). nullptr when it cannot, and
    // when that folder was already opened below the same top folder (a folder mounted inside
    // itself or twice), so that a walk never meets the same files twice.
    virtual std::unique_ptr<Folder> openSubFolder(const QString& name) = 0;

    // Renames the file `oldName` to `newName` inside this folder; never replaces an existing
    // file and never renames a folder.
    virtual FsError rename(const QString& oldName, const QString& newName) = 0;

    // What every rename inside this folder fails with now, whatever the file; nothing when
    // nothing is known against it.
    virtual RenameRefusal renameRefusal() { return {}; }

    // Which file the last entryAttributes() found, or the last successful rename() renamed: its
    // number within the file system (the inode), which stays with the file whatever its name.
    // 0 when not known.
    virtual quint64 lastFileNumber() const { return 0; }
};

// The file-system services the engine and the file selection rely on.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Opens a folder by path. nullptr when it does not exist or cannot be opened; an empty
    // path never opens anything.
    virtual std::unique_ptr<Folder> openFolder(const QString& path) = 0;

    // The identity of the folder at `path` as it is now (following symbolic links, as opening
    // it would); not known() where the file system cannot tell, none() when the folder cannot
    // be read.
    virtual FolderIdentity folderIdentity(const QString& path) {
        const std::unique_ptr<Folder> folder = openFolder(path);
        return folder ? folder->identity() : FolderIdentity{};
    }

    // Opens the folder at `path` only when it is still the folder `expected` names: nullptr
    // when it cannot be opened, when its identity differs (the folder was swapped, or a link
    // put in its place) or when either identity is not known. Renaming through the folder it
    // gives reaches the expected folder only, whatever happens to the path afterwards.
    std::unique_ptr<Folder> openFolderChecked(const QString& path, const FolderIdentity& expected) {
        if (!expected.known())
            return nullptr;
        std::unique_ptr<Folder> folder = openFolder(path);
        if (!folder || folder->identity() != expected)
            return nullptr;
        return folder;
    }

    // Renames `folderPath` + `oldName` to `folderPath` + `newName` (folderPath ends with the
    // separator). Never replaces an existing file and never renames a folder; a rename onto
    // the file's own name succeeds and changes nothing; nothing is ever deleted.
    virtual FsError renameInFolder(const QString& folderPath, const QString& oldName,
                                   const QString& newName) = 0;

    // Attributes of one path, attr::Invalid when the query fails.
    virtual quint32 attributes(const QString& path) = 0;

    // True when openFolder() and the listings of the folders it opens may run on a thread of
    // their own while other calls go on elsewhere.
    virtual bool readsOnAnyThread() const { return false; }

    // True when `path` names an existing file that is neither a folder nor Hidden nor System; a
    // symbolic link to such a file counts as one.
    virtual bool isPlainFile(const QString& path) = 0;
};

// The native path separator as text ("/" here).
QString nativeSeparator();

} // namespace varnex
