#include "Reliability.h"

#include "platform/PosixFileSystem.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace varnex {

namespace {

class RecordingFolder : public Folder {
public:
    RecordingFolder(RecordingFileSystem& fs, std::unique_ptr<Folder> inner)
        : fs_(fs), inner_(std::move(inner)) {}

    QString path() const override { return inner_->path(); }
    std::optional<QList<FolderEntry>> entries() override { return inner_->entries(); }
    std::unique_ptr<Folder> openSubFolder(const QString& name) override {
        return fs_.wrap(inner_->openSubFolder(name));
    }
    FsError rename(const QString& oldName, const QString& newName) override {
        return fs_.record(path(), oldName, newName,
                          [&] { return inner_->rename(oldName, newName); });
    }

private:
    RecordingFileSystem& fs_;
    std::unique_ptr<Folder> inner_;
};

} // namespace

std::unique_ptr<Folder> RecordingFileSystem::wrap(std::unique_ptr<Folder> folder) {
    if (!folder)
        return nullptr;
    return std::make_unique<RecordingFolder>(*this, std::move(folder));
}

std::unique_ptr<Folder> RecordingFileSystem::openFolder(const QString& path) {
    return wrap(inner_.openFolder(path));
}

FsError RecordingFileSystem::renameInFolder(const QString& folderPath, const QString& oldName,
                                            const QString& newName) {
    return record(folderPath, oldName, newName,
                  [&] { return inner_.renameInFolder(folderPath, oldName, newName); });
}

FsError RecordingFileSystem::record(const QString& folderPath, const QString& oldName,
                                    const QString& newName,
                                    const std::function<FsError()>& rename) {
    RunEvent event;
    event.oldPath = folderPath % oldName;
    event.newName = newName;
    std::optional<FsError> injected = inject ? inject(event.oldPath) : std::nullopt;
    event.result = injected ? *injected : rename();
    log.append(event);
    return event.result;
}

QString pathInMessage(const Message& message) {
    const QString& text = message.text;
    const QString quoted = QStringLiteral("The file '");
    const QString plain = QStringLiteral("The file ");
    if (text.startsWith(quoted)) {
        const qsizetype end = text.indexOf(QStringLiteral("' could not be renamed because"));
        return end < 0 ? QString() : text.mid(quoted.size(), end - quoted.size());
    }
    if (text.startsWith(plain)) {
        const qsizetype end = text.indexOf(QStringLiteral(" could not be renamed because"));
        return end < 0 ? QString() : text.mid(plain.size(), end - plain.size());
    }
    return {};
}

std::function<Button(const Message&)>
recordingResponder(RecordingFileSystem& fs, std::function<Button(const Message&)> choose) {
    return [&fs, choose = std::move(choose)](const Message& message) {
        RunEvent event;
        event.question = true;
        event.oldPath = pathInMessage(message);
        event.buttons = message.buttons;
        event.answer = choose(message);
        fs.log.append(event);
        return event.answer;
    };
}

QList<QByteArray> rawNames(const QByteArray& folder) {
    QList<QByteArray> names;
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.append(name);
    }
    ::closedir(dir);
    return names;
}

namespace {

void scanInto(TreeSnapshot& snapshot, const QByteArray& top, const QByteArray& relative) {
    for (const QByteArray& name : rawNames(top + relative)) {
        const QByteArray rel = relative + name;
        const QByteArray full = top + rel;
        struct stat st;
        if (::lstat(full.constData(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            snapshot.folders.insert(decodeFileName(rel));
            scanInto(snapshot, top, rel + '/');
        } else if (S_ISLNK(st.st_mode)) {
            QByteArray target(PATH_MAX, '\0');
            const ssize_t n = ::readlink(full.constData(), target.data(), target.size());
            snapshot.files.insert(decodeFileName(rel), "->" + target.left(qMax<ssize_t>(n, 0)));
        } else {
            QByteArray content;
            const int fd = ::open(full.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            char buffer[4096];
            ssize_t n = 0;
            while (fd >= 0 && (n = ::read(fd, buffer, sizeof buffer)) > 0)
                content.append(buffer, n);
            if (fd >= 0)
                ::close(fd);
            snapshot.files.insert(decodeFileName(rel), content);
        }
    }
}

// Removes one entry of the folder open as `dirfd`, a folder with everything in it; relative to
// open folders, so that no depth is too deep.
void removeAt(int dirfd, const char* name) {
    struct stat st;
    if (::fstatat(dirfd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return;
    if (!S_ISDIR(st.st_mode)) {
        ::unlinkat(dirfd, name, 0);
        return;
    }
    const int fd = ::openat(dirfd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd)) {
        QList<QByteArray> names;
        while (const dirent* entry = ::readdir(dir)) {
            const QByteArray child(entry->d_name);
            if (child != "." && child != "..")
                names.append(child);
        }
        for (const QByteArray& child : std::as_const(names))
            removeAt(fd, child.constData());
        ::closedir(dir);
    } else if (fd >= 0) {
        ::close(fd);
    }
    ::unlinkat(dirfd, name, AT_REMOVEDIR);
}

} // namespace

TreeSnapshot scanTree(const QByteArray& top) {
    TreeSnapshot snapshot;
    scanInto(snapshot, top.endsWith('/') ? top : top + '/', QByteArray());
    return snapshot;
}

bool writeRaw(const QByteArray& path, const QByteArray& content, int mode) {
    const int fd = ::open(path.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, mode);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, content.constData(), size_t(content.size())) == content.size();
    ::close(fd);
    return ok;
}

void removeTree(const QByteArray& path) {
    if (!path.isEmpty())
        removeAt(AT_FDCWD, path.constData());
}

ScratchFolder::ScratchFolder() {
    QByteArray pattern("/tmp/varnex-reliability-XXXXXX");
    if (::mkdtemp(pattern.data())) {
        raw_ = pattern;
        path_ = decodeFileName(raw_);
    }
}

ScratchFolder::~ScratchFolder() {
    removeTree(raw_);
}

} // namespace varnex
