#pragma once

// Tools shared by the reliability tests: a file-system wrapper that records every rename with
// its outcome (and can make renames fail), the answers given to the dialogs in the same
// timeline, and raw helpers that build, read and remove real folders byte for byte.

#include "tests/support/TestSupport.h"

#include <QByteArray>
#include <QMap>
#include <QSet>
#include <functional>
#include <optional>

namespace varnex {

// One thing that happened during a run: a rename tried, or a question answered.
struct RunEvent {
    bool question = false;
    QString oldPath;   // the full path of the file concerned
    QString newName;   // rename: the name asked for
    FsError result;    // rename: its outcome
    Buttons buttons{}; // question: the buttons offered
    Button answer{};   // question: the button pressed
};

// Wraps a file system; every rename (through a folder or by path) is logged with its outcome.
// `inject`, when set, may fail a rename before it reaches the wrapped file system.
class RecordingFileSystem : public FileSystem {
public:
    explicit RecordingFileSystem(FileSystem& inner) : inner_(inner) {}

    QList<RunEvent> log;
    std::function<std::optional<FsError>(const QString& oldPath)> inject;

    std::unique_ptr<Folder> openFolder(const QString& path) override;
    FsError renameInFolder(const QString& folderPath, const QString& oldName,
                           const QString& newName) override;
    quint32 attributes(const QString& path) override { return inner_.attributes(path); }
    bool isPlainFile(const QString& path) override { return inner_.isPlainFile(path); }

    FsError record(const QString& folderPath, const QString& oldName, const QString& newName,
                   const std::function<FsError()>& rename);
    std::unique_ptr<Folder> wrap(std::unique_ptr<Folder> folder);

private:
    FileSystem& inner_;
};

// The full path a dialog is about, read from its text; empty when the text names none.
QString pathInMessage(const Message& message);

// Logs the question and its answer into `fs.log`; the answer comes from `choose`.
std::function<Button(const Message&)>
recordingResponder(RecordingFileSystem& fs, std::function<Button(const Message&)> choose);

// A real folder tree read byte for byte: the files with their contents and the folders, as
// paths relative to the top (names decoded as the program decodes them).
struct TreeSnapshot {
    QMap<QString, QByteArray> files;
    QSet<QString> folders;
    bool operator==(const TreeSnapshot&) const = default;
};
TreeSnapshot scanTree(const QByteArray& top);

// The entry names of one real folder, in the order the system lists them.
QList<QByteArray> rawNames(const QByteArray& folder);

// Creates a file with the given content at the raw path; false when it cannot.
bool writeRaw(const QByteArray& path, const QByteArray& content, int mode = 0644);

// Removes a real tree whatever its names (QTemporaryDir cannot remove names that are not
// UTF-8). Never follows a symbolic link.
void removeTree(const QByteArray& path);

// A fresh empty folder under /tmp that removeTree() takes away when the object dies.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    bool isValid() const { return !raw_.isEmpty(); }
    QString path() const { return path_; }
    QByteArray raw() const { return raw_; }

private:
    QByteArray raw_;
    QString path_;
};

} // namespace varnex
