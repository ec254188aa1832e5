#pragma once

#include "FileSystem.h"

#include <QByteArray>
#include <QByteArrayView>

struct stat;

namespace varnex {

// The system calls a rename is made of, relative to an open folder (or AT_FDCWD). Each answers
// like the call itself: 0, or -1 with errno set. Tests put a decorator in place to fail or race
// a chosen call on a real folder.
class RenameCalls {
public:
    virtual ~RenameCalls() = default;
    // renameat2 with RENAME_NOREPLACE.
    virtual int renameNoReplace(int dirfd, const char* from, const char* to);
    // linkat without following a symbolic link.
    virtual int link(int dirfd, const char* from, const char* to);
    // unlinkat of a file.
    virtual int unlink(int dirfd, const char* name);
    // fstatat without following a symbolic link.
    virtual int stat(int dirfd, const char* name, struct ::stat& st);

    // The calls as the system makes them.
    static RenameCalls& system();
};

// The file system of a POSIX system (Linux first).
//
// How the four attributes of an entry are read from the entry itself (lstat; a symbolic link
// is never followed):
//   Folder     a directory. A symbolic link is an entry of its own: a link to a folder is not
//              a Folder and the walk never goes into it.
//   Hidden     the name begins with ".".
//   Read Only  the owner's write permission bit is clear.
//   System     a special file: device node, FIFO or socket. A plain file or a symbolic link
//              is neither.
//
// Names on disk are bytes. They are shown as text decoded from UTF-8; a byte that is not part
// of valid UTF-8 is kept as the lone surrogate U+DC80..U+DCFF ("surrogate escape"), so every
// name read from disk names exactly its own file again. A rename never involves such a name.
//
// A rename never replaces an existing file: it uses renameat2 with RENAME_NOREPLACE, and where
// the file system refuses that flag, a hard link under the new name followed by the removal of
// the old name (plain files only). Nothing is ever deleted. A change of letter case only, which
// a file system that ignores case reports as an existing name, goes through a unique temporary
// name: old -> temporary -> new, each step without replacing, and back to old should the
// second step fail.
//
// The plain-file lookup finds a regular file only. A symbolic link is never found, not even
// one to a plain file: renaming it would rename the link, not the file the user sees.
class PosixFileSystem final : public FileSystem {
public:
    explicit PosixFileSystem(RenameCalls& calls = RenameCalls::system()) : calls_(calls) {}

    std::unique_ptr<Folder> openFolder(const QString& path) override;
    FolderIdentity folderIdentity(const QString& path) override;
    FsError renameInFolder(const QString& folderPath, const QString& oldName,
                           const QString& newName) override;
    quint32 attributes(const QString& path) override;
    bool isPlainFile(const QString& path) override;
    // A listing holds no state beyond the folder it reads.
    bool readsOnAnyThread() const override { return true; }

private:
    RenameCalls& calls_;
};

// The text of a name (or path) read from disk. Valid UTF-8 is decoded as such; every byte
// that is not part of valid UTF-8 becomes the lone surrogate U+DC00 + byte.
QString decodeFileName(QByteArrayView bytes);

// The bytes of a name (or path): the exact inverse of decodeFileName. Empty when the text
// holds a lone surrogate that decodeFileName never produces (one outside U+DC80..U+DCFF, or
// escaped bytes that together form valid UTF-8), so that no such text can name a file.
QByteArray encodeFileName(const QString& name);

// Renames `oldName` to `newName` inside the folder open as `dirfd` (or relative to the current
// folder for AT_FDCWD) by a hard link under the new name, then the removal of the old name.
// Used where the file system refuses RENAME_NOREPLACE. Only a plain file is renamed this way;
// an existing new name fails with 58 and leaves both files untouched. The old name is removed
// only while it still names the file just linked; when it does not, or when its removal fails,
// the new link is taken back (as long as the file keeps another name), so the file ends with
// exactly one name and the failure is reported.
FsError renameByLink(int dirfd, const QByteArray& oldName, const QByteArray& newName,
                     RenameCalls& calls = RenameCalls::system());

} // namespace varnex
