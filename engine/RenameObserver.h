#pragma once

#include "platform/FileSystem.h"

#include <QString>
#include <QtGlobal>

namespace varnex {

// Told about every file a run handles, in the order the run handles it. `folderPath` ends
// with the separator; the names are bare. The engine passes the texts it already holds, so an
// observer costs nothing when none is set. aboutToRename comes right before each system call
// that renames, so that a journal can write down what is going to happen before it happens;
// renamed or failed follow it. The last call about a file tells how it ended.
class RenameObserver {
public:
    virtual ~RenameObserver() = default;

    // A rename of oldName to newName is about to be tried (again after a Retry), through the
    // open folder whose identity is `folder` (not known() when the rename goes by path).
    virtual void aboutToRename(const FolderIdentity& folder, const QString& folderPath,
                               const QString& oldName, const QString& newName) = 0;
    // The file now has newName (which may equal oldName: a rename onto its own name).
    // `fileNumber` is which file was renamed (Folder::lastFileNumber()), 0 when not known.
    virtual void renamed(const QString& folderPath, const QString& oldName, const QString& newName,
                         quint64 fileNumber) = 0;
    // The attempt failed with `errorNumber` (also a new name refused before any system call)
    // and the file keeps its name; a Retry starts another attempt.
    virtual void failed(const QString& folderPath, const QString& oldName, const QString& newName,
                        int errorNumber) = 0;
    // An attribute filter passed the file over; `attribute` is the first of attr::ReadOnly,
    // attr::Hidden, attr::System that the file has and the user does not allow.
    virtual void skipped(const QString& folderPath, const QString& name, quint32 attribute) = 0;
    // The new name would be longer than a name may be; the file keeps its name. Told before
    // the user is asked whether to go on.
    virtual void tooLong(const QString& folderPath, const QString& name,
                         const QString& newName) = 0;
};

} // namespace varnex
