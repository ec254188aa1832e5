#pragma once

#include "FileSystem.h"

#include <QByteArray>
#include <QByteArrayView>

namespace varnex {

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
// the old name (plain files only). Nothing is ever deleted.
//
// The plain-file lookup finds a regular file only. A symbolic link is never found, not even
// one to a plain file: renaming it would rename the link, not the file the user sees.
class PosixFileSystem final : public FileSystem {
public:
    std::unique_ptr<Folder> openFolder(const QString& path) override;
    FsError renameInFolder(const QString& folderPath, const QString& oldName,
                           const QString& newName) override;
    quint32 attributes(const QString& path) override;
    bool isPlainFile(const QString& path) override;
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
// an existing new name fails with 58 and leaves both files untouched.
FsError renameByLink(int dirfd, const QByteArray& oldName, const QByteArray& newName);

} // namespace varnex
