#pragma once

// Tools shared by the reliability tests: a run of the engine that records every rename with its
// outcome (and can make renames fail) and the answers given to the dialogs in the same
// timeline, and raw helpers that build, read and remove real folders byte for byte.

#include "platform/PosixFileSystem.h"
#include "tests/support/TestSupport.h"

#include <QByteArray>
#include <QMap>
#include <QRandomGenerator>
#include <QSet>
#include <functional>
#include <optional>

namespace varnex {

class FileList;

// One thing that happened during a run: a rename tried, or a question answered.
struct RunEvent {
    bool question = false;
    QString oldPath;   // the full path of the file concerned
    QString newName;   // rename: the name asked for
    FsError result;    // rename: its outcome; question: the error number its text shows, or 0
    Buttons buttons{}; // question: the buttons offered
    Button answer{};   // question: the button pressed
};

// Yes to a length question, OK to a message, Ignore to a failure.
Button ignoreEach(const Message& message);

// One run of the engine (recursive, every attribute allowed unless told otherwise). Every member
// has a default, so that a designated initializer names only what a run changes.
struct RunSetup {
    QString top = {};                  // the folder walked
    QStringList entries = {};          // full paths: a list run when not empty (or `fill` is set)
    QList<RenameOptions> options = {}; // for each list entry in turn, the last one repeating
    AttributeChoices allowed{true, true, true};
    bool recurse = true;
    std::function<Button(const Message&)> answer = ignoreEach;
    // Runs whenever the window would process events (`renaming` empty) and right before each
    // rename is tried (`renaming` names the file); may fail that rename.
    std::function<std::optional<FsError>(const QList<RunEvent>& log, const QString& renaming)>
        during = {};
    RenameObserver* observer = nullptr; // told about every file the run handles, when set
    // Adds to the list after `entries` as the user would, each file with its folder's identity.
    std::function<void(FileList&)> fill = {};
};
struct RunResult {
    QList<RunEvent> log; // every rename and every question, in order
    RunCounters counters;
    bool stopRun = false;
    int dirCount = 0;
    QStringList listAfter;
    // Characters the list's rewritten texts hold beyond their length: a million kept paths
    // with room to spare would double their memory.
    qsizetype spareRoom = 0;
};
// Runs the engine over `fs`, wrapped so that every rename (through a folder or by path) is
// logged with its outcome; everything else goes to `fs` as it is.
RunResult runEngine(FileSystem& fs, const RunSetup& setup);

// A real folder tree read byte for byte: the files with their contents (a symbolic link shows
// "->target") and the folders, as paths relative to the top (names decoded as the program
// decodes them) after `prefix`.
struct TreeSnapshot {
    QMap<QString, QByteArray> files;
    QSet<QString> folders;
};
TreeSnapshot scanTree(const QByteArray& top, const QString& prefix = {});

// A real tree as sorted text: "path=content" for a file (a link shows "->target"), "path/"
// for a folder.
QStringList layout(const QByteArray& top);

// The entry names of one real folder, in the order the system lists them.
QList<QByteArray> rawNames(const QByteArray& folder);

// Creates a file with the given content at the raw path; false when it cannot.
bool writeRaw(const QByteArray& path, const QByteArray& content, int mode = 0644);

// Fills the folder `top` from raw relative paths: "name=content" a file, "name~" an empty
// read-only file, "name/" a folder, "name->target" a symbolic link, "name>target" a hard link,
// "name|" a FIFO, "name@" a Unix-domain socket, any other item a file that holds its own path.
// False when one fails.
bool makeTree(const QByteArray& top, const QList<QByteArray>& items);

// rename(2) of raw paths, replacing whatever is at `to`, as another program might.
bool renameRaw(const QByteArray& from, const QByteArray& to);

// Runs this program again with `env` added, waits until it writes a line, then kills it (or
// sends SIGTERM) after a random 1 to 30 ms; false when it did not start or end.
bool killChildAtRandom(const QMap<QString, QString>& env, QRandomGenerator& random,
                       bool terminate = false);

// A fresh empty folder under TMPDIR, removed with everything in it (whatever the names and the
// depth, never following a symbolic link) when the object dies.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    QString path() const { return decodeFileName(raw_); }
    QByteArray raw() const { return raw_; }

private:
    QByteArray raw_;
};

} // namespace varnex
