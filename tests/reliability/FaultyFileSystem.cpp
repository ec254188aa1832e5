#include "FaultyFileSystem.h"

namespace varnex {

namespace {

class FaultyFolder : public Folder {
public:
    FaultyFolder(FaultyFileSystem& fs, std::unique_ptr<Folder> inner)
        : fs_(fs), inner_(std::move(inner)) {}

    using Call = FaultyFileSystem::Call;

    QString path() const override { return inner_->path(); }
    FolderIdentity identity() const override { return inner_->identity(); }
    std::optional<QList<FolderEntry>> entries() override {
        if (fs_.fails(Call::EntryKinds, path()))
            return std::nullopt;
        return inner_->entries();
    }
    std::optional<FolderListing> entryKinds(const ListingPause& pause) override {
        if (fs_.fails(Call::EntryKinds, path()))
            return std::nullopt;
        return inner_->entryKinds(pause);
    }
    quint32 entryAttributes(const QString& name, quint32 listed) override {
        if (fs_.fails(Call::EntryAttributes, path() + name))
            return attr::Invalid;
        return inner_->entryAttributes(name, listed);
    }
    std::unique_ptr<Folder> openSubFolder(const QString& name) override {
        if (fs_.fails(Call::OpenSubFolder, path() + name))
            return nullptr;
        return fs_.wrap(inner_->openSubFolder(name));
    }
    FsError rename(const QString& oldName, const QString& newName) override {
        FsError error;
        if (fs_.fails(Call::Rename, path() + oldName, &error))
            return error;
        return inner_->rename(oldName, newName);
    }

private:
    FaultyFileSystem& fs_;
    std::unique_ptr<Folder> inner_;
};

} // namespace

bool FaultyFileSystem::fails(Call call, const QString& path, FsError* error) {
    const std::optional<FsError> failure = before ? before(call, path) : std::nullopt;
    if (failure && error)
        *error = *failure;
    return failure.has_value();
}

std::unique_ptr<Folder> FaultyFileSystem::wrap(std::unique_ptr<Folder> folder) {
    if (!folder)
        return nullptr;
    return std::make_unique<FaultyFolder>(*this, std::move(folder));
}

std::unique_ptr<Folder> FaultyFileSystem::openFolder(const QString& path) {
    if (fails(Call::OpenFolder, path))
        return nullptr;
    return wrap(inner_.openFolder(path));
}

FolderIdentity FaultyFileSystem::folderIdentity(const QString& path) {
    if (fails(Call::FolderIdentity, path))
        return {};
    return inner_.folderIdentity(path);
}

FsError FaultyFileSystem::renameInFolder(const QString& folderPath, const QString& oldName,
                                         const QString& newName) {
    FsError error;
    if (fails(Call::Rename, folderPath + oldName, &error))
        return error;
    return inner_.renameInFolder(folderPath, oldName, newName);
}

quint32 FaultyFileSystem::attributes(const QString& path) {
    if (fails(Call::Attributes, path))
        return attr::Invalid;
    return inner_.attributes(path);
}

bool FaultyFileSystem::isPlainFile(const QString& path) {
    if (fails(Call::IsPlainFile, path))
        return false;
    return inner_.isPlainFile(path);
}

} // namespace varnex
