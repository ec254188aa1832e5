#pragma once

#include "platform/FileSystem.h"

#include <functional>
#include <optional>

namespace varnex {

// Wraps a file system (the real PosixFileSystem in the tests) and fails or races a chosen call.
// `before` runs right before each call reaches the wrapped file system, with the call and the
// path it concerns (a rename: the old path). Meanwhile it may change the disk, like another
// program; when it answers a failure, the call fails that way without reaching the wrapped
// file system (a folder that does not open, a listing that cannot be read, attributes that
// cannot be read, a rename that fails with the error given).
class FaultyFileSystem : public FileSystem {
public:
    enum class Call {
        OpenFolder,
        FolderIdentity,
        EntryKinds,
        EntryAttributes,
        OpenSubFolder,
        Rename,
        Attributes,
        IsPlainFile
    };
    using Hook = std::function<std::optional<FsError>(Call call, const QString& path)>;

    explicit FaultyFileSystem(FileSystem& inner) : inner_(inner) {}

    Hook before;

    std::unique_ptr<Folder> openFolder(const QString& path) override;
    FolderIdentity folderIdentity(const QString& path) override;
    FsError renameInFolder(const QString& folderPath, const QString& oldName,
                           const QString& newName) override;
    quint32 attributes(const QString& path) override;
    bool isPlainFile(const QString& path) override;

    // Whether `before` fails the call (running it either way).
    bool fails(Call call, const QString& path, FsError* error = nullptr);
    std::unique_ptr<Folder> wrap(std::unique_ptr<Folder> folder);

private:
    FileSystem& inner_;
};

} // namespace varnex
