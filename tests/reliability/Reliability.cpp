#include "Reliability.h"

#include "selection/FileList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace varnex {

namespace {

// Forwards everything to the wrapped file system and its folders, so that the walk takes their
// own paths (listings of kinds, attribute queries), and logs every rename with its outcome;
// `inject` may fail a rename before it reaches the wrapped file system.
class RecordingFileSystem : public FileSystem {
public:
    explicit RecordingFileSystem(FileSystem& inner) : inner_(inner) {}

    QList<RunEvent> log;
    std::function<std::optional<FsError>(const QString& oldPath)> inject;

    std::unique_ptr<Folder> openFolder(const QString& path) override {
        return wrap(inner_.openFolder(path));
    }
    FolderIdentity folderIdentity(const QString& path) override {
        return inner_.folderIdentity(path);
    }
    FsError renameInFolder(const QString& folderPath, const QString& oldName,
                           const QString& newName) override {
        return record(folderPath + oldName, newName,
                      [&] { return inner_.renameInFolder(folderPath, oldName, newName); });
    }
    quint32 attributes(const QString& path) override { return inner_.attributes(path); }
    bool isPlainFile(const QString& path) override { return inner_.isPlainFile(path); }

    FsError record(const QString& oldPath, const QString& newName,
                   const std::function<FsError()>& rename) {
        const std::optional<FsError> injected = inject(oldPath);
        log.append(RunEvent{false, oldPath, newName, injected ? *injected : rename(), {}, {}});
        return log.last().result;
    }
    std::unique_ptr<Folder> wrap(std::unique_ptr<Folder> folder);

private:
    FileSystem& inner_;
};

class RecordingFolder : public Folder {
public:
    RecordingFolder(RecordingFileSystem& fs, std::unique_ptr<Folder> inner)
        : fs_(fs), inner_(std::move(inner)) {}

    QString path() const override { return inner_->path(); }
    FolderIdentity identity() const override { return inner_->identity(); }
    std::optional<QList<FolderEntry>> entries() override { return inner_->entries(); }
    std::optional<FolderListing> entryKinds(const ListingPause& pause) override {
        return inner_->entryKinds(pause);
    }
    quint32 entryAttributes(const QString& name, quint32 listed) override {
        return inner_->entryAttributes(name, listed);
    }
    std::unique_ptr<Folder> openSubFolder(const QString& name) override {
        return fs_.wrap(inner_->openSubFolder(name));
    }
    FsError rename(const QString& oldName, const QString& newName) override {
        return fs_.record(path() + oldName, newName,
                          [&] { return inner_->rename(oldName, newName); });
    }
    quint64 lastFileNumber() const override { return inner_->lastFileNumber(); }

private:
    RecordingFileSystem& fs_;
    std::unique_ptr<Folder> inner_;
};

std::unique_ptr<Folder> RecordingFileSystem::wrap(std::unique_ptr<Folder> folder) {
    return folder ? std::make_unique<RecordingFolder>(*this, std::move(folder)) : nullptr;
}

// Removes one entry of the folder open as `dirfd`, a folder with everything in it; relative to
// open folders, so that no depth is too deep.
void removeAt(int dirfd, const char* name) {
    struct stat st;
    if (::fstatat(dirfd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return;
    if (S_ISDIR(st.st_mode)) {
        const int fd = ::openat(dirfd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0) {
            for (const QByteArray& child : rawNames("/proc/self/fd/" + QByteArray::number(fd)))
                removeAt(fd, child.constData());
            ::close(fd);
        }
    }
    ::unlinkat(dirfd, name, S_ISDIR(st.st_mode) ? AT_REMOVEDIR : 0);
}

// Leaves a Unix-domain socket at `path`: the file stays after the socket is closed.
bool bindSocket(const QByteArray& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (size_t(path.size()) >= sizeof address.sun_path)
        return false;
    std::copy(path.cbegin(), path.cend(), address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool ok =
        fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        ::close(fd);
    return ok;
}

void scanInto(TreeSnapshot& snapshot, const QByteArray& top, const QByteArray& relative,
              const QString& prefix) {
    for (const QByteArray& name : rawNames(top + relative)) {
        const QByteArray rel = relative + name, full = top + rel;
        struct stat st;
        if (::lstat(full.constData(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            snapshot.folders.insert(prefix + decodeFileName(rel));
            scanInto(snapshot, top, rel + '/', prefix);
            continue;
        }
        QByteArray content(PATH_MAX, '\0');
        if (S_ISLNK(st.st_mode)) {
            content = "->" + content.left(qMax<ssize_t>(
                                 0, ::readlink(full.constData(), content.data(), PATH_MAX)));
        } else {
            const int fd = ::open(full.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            content.truncate(qMax<ssize_t>(0, fd < 0 ? 0 : ::read(fd, content.data(), PATH_MAX)));
            if (fd >= 0)
                ::close(fd);
        }
        snapshot.files.insert(prefix + decodeFileName(rel), content);
    }
}

} // namespace

Button ignoreEach(const Message& message) {
    return message.buttons == Buttons::YesNo ? Button::Yes
           : message.buttons == Buttons::Ok  ? Button::Ok
                                             : Button::Ignore;
}

RunResult runEngine(FileSystem& fs, const RunSetup& setup) {
    RecordingFileSystem recorder(fs);
    QList<RunEvent>& log = recorder.log;
    recorder.inject = [&](const QString& oldPath) {
        return setup.during ? setup.during(log, oldPath) : std::nullopt;
    };
    EngineRig rig(recorder, setup.options.value(0));
    rig.choices.recurse = setup.recurse;
    rig.choices.allowed = setup.allowed;
    rig.engine.setObserver(setup.observer);
    rig.box.responder = [&](const Message& message) {
        // The file a dialog is about, read from its text (by plain search: a name may hold
        // lone surrogates, which a regular expression refuses), and the error number it shows.
        const QString& text = message.text;
        QString path = text.startsWith(u"The file ")
                           ? text.left(text.indexOf(u" could not be renamed")).mid(9)
                           : QString();
        if (text.startsWith(u"The file '"))
            path = path.mid(1).chopped(1);
        const int number = text.section(QStringLiteral("number: "), 1).section(u'\r', 0, 0).toInt();
        log.append(
            RunEvent{true, path, {}, {number, {}, {}}, message.buttons, setup.answer(message)});
        return log.last().answer;
    };
    rig.pump.onProcessEvents = [&] {
        if (rig.engine.ListPosition >= 0)
            rig.choices.options =
                setup.options.value(qMin(rig.engine.ListPosition, int(setup.options.size()) - 1));
        if (setup.during)
            setup.during(log, {});
    };
    FileList list(recorder, rig.pump);
    for (const QString& entry : setup.entries)
        list.model().append(entry);
    if (setup.fill)
        setup.fill(list);
    RunResult r;
    rig.engine.startRun();
    if (setup.entries.isEmpty() && !setup.fill)
        rig.engine.FindFilesAPI(setup.top, QStringLiteral("*.*"), r.dirCount);
    else
        rig.engine.renameList(list.model());
    r.log = log;
    r.counters = rig.engine.counters;
    r.stopRun = rig.engine.StopRun;
    r.listAfter = rowTexts(list.model());
    for (int row = 0; row < list.model().count(); ++row) {
        const QString text = list.model().entryAt(row);
        if (!setup.entries.contains(text))
            r.spareRoom += std::max<qsizetype>(0, text.capacity() - text.size());
    }
    return r;
}

QList<QByteArray> rawNames(const QByteArray& folder) {
    QList<QByteArray> names;
    if (DIR* dir = ::opendir(folder.constData())) {
        while (const dirent* entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != "..")
                names.append(name);
        }
        ::closedir(dir);
    }
    return names;
}

TreeSnapshot scanTree(const QByteArray& top, const QString& prefix) {
    TreeSnapshot snapshot;
    scanInto(snapshot, top.endsWith('/') ? top : top + '/', QByteArray(), prefix);
    return snapshot;
}

QStringList layout(const QByteArray& top) {
    const TreeSnapshot tree = scanTree(top);
    QStringList out;
    for (auto it = tree.files.cbegin(); it != tree.files.cend(); ++it)
        out.append(it.key() + u'=' + decodeFileName(it.value()));
    for (const QString& folder : tree.folders)
        out.append(folder + u'/');
    out.sort();
    return out;
}

bool writeRaw(const QByteArray& path, const QByteArray& content, int mode) {
    const int fd = ::open(path.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, mode);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, content.constData(), size_t(content.size())) == content.size();
    ::close(fd);
    return ok;
}

bool makeTree(const QByteArray& top, const QList<QByteArray>& items) {
    for (const QByteArray& item : items) {
        const qsizetype link = item.indexOf('>'), eq = item.indexOf('=');
        const bool symbolic = link > 0 && item[link - 1] == '-';
        const QByteArray name = link >= 0 ? item.left(link - symbolic)
                                : eq >= 0 ? item.left(eq)
                                          : item;
        const QByteArray path = top + '/' + name, last = name.right(1);
        const QByteArray target = item.mid(link + 1);
        const bool ok =
            symbolic    ? ::symlink(target.constData(), path.constData()) == 0
            : link >= 0 ? ::link(QByteArray(top + '/' + target).constData(), path.constData()) == 0
            : eq >= 0   ? writeRaw(path, item.mid(eq + 1))
            : last == "/" ? ::mkdir(path.constData(), 0755) == 0
            : last == "|" ? ::mkfifo(path.chopped(1).constData(), 0644) == 0
            : last == "@" ? bindSocket(path.chopped(1))
            : last == "~" ? writeRaw(path.chopped(1), {}, 0444)
                          : writeRaw(path, item);
        if (!ok)
            return false;
    }
    return true;
}

bool renameRaw(const QByteArray& from, const QByteArray& to) {
    return ::rename(from.constData(), to.constData()) == 0;
}

bool killChildAtRandom(const QMap<QString, QString>& env, QRandomGenerator& random,
                       bool terminate) {
    QProcess child;
    QProcessEnvironment all = QProcessEnvironment::systemEnvironment();
    for (auto it = env.cbegin(); it != env.cend(); ++it)
        all.insert(it.key(), it.value());
    child.setProcessEnvironment(all);
    child.start(QCoreApplication::applicationFilePath(), {});
    if (!child.waitForReadyRead(60000))
        return false;
    QThread::usleep(random.bounded(1000, 30000));
    terminate ? child.terminate() : child.kill();
    return child.waitForFinished(60000);
}

ScratchFolder::ScratchFolder() {
    // Under TMPDIR, so that the tests run on whatever file system it lies on.
    QByteArray pattern = QFile::encodeName(QDir::tempPath()) + "/varnex-reliability-XXXXXX";
    if (::mkdtemp(pattern.data()))
        raw_ = pattern;
}

ScratchFolder::~ScratchFolder() {
    if (!raw_.isEmpty())
        removeAt(AT_FDCWD, raw_.constData());
}

} // namespace varnex
