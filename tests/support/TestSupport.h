#pragma once

// Fakes shared by the tests: an in-memory file system with fault injection, a message box that
// answers from a script, an event pump that counts, the user's choices and a file list.

#include "engine/RenameEngine.h"

#include <QByteArray>
#include <QHash>
#include <QStringList>
#include <functional>
#include <memory>
#include <random>
#include <vector>

namespace varnex {

// One call made to a FakeFileSystem or one of its folders.
struct FsCall {
    enum class Op { OpenFolder, Entries, OpenSubFolder, Rename, Attributes, IsPlainFile };
    Op op;
    QString path; // the folder (ending with "/") or the full path asked about
    QString name; // Entries: empty; OpenSubFolder: the sub-folder; Rename: the old name
    QString newName;
};

// An in-memory tree of folders and files. Paths are absolute and use "/"; "/" is the root.
// Entries are listed in the order they were added; a renamed file keeps its place. A rename
// never replaces an existing name and nothing is ever removed unless a test removes it.
class FakeFileSystem : public FileSystem {
public:
    FakeFileSystem();
    ~FakeFileSystem() override;

    // Creates the folder and any missing folder above it.
    void addFolder(const QString& path, quint32 attributes = 0);
    // Creates the file (and its missing folders); an existing file is overwritten.
    void addFile(const QString& path, const QByteArray& content = {}, quint32 attributes = 0);
    // Sets the attributes as listed; attr::Invalid makes the entry read as a failed query.
    void setAttributes(const QString& path, quint32 attributes);
    // A folder whose entries cannot be read; unless `openable`, it cannot be opened either.
    void setUnreadable(const QString& folderPath, bool openable = false);
    // Removes a file or a whole folder, as another program might.
    void remove(const QString& path);

    bool exists(const QString& path) const;
    QByteArray content(const QString& path) const;
    // The names in a folder, in listing order.
    QStringList names(const QString& folderPath) const;

    // The next `count` renames of `oldName` (in any folder) fail with `error`.
    void failNextRenames(const QString& oldName, int count, const FsError& error);
    void failNextRenames(const QString& oldName, int count, int number);
    // Every rename fails with `number` with the given probability, drawn from a generator
    // seeded with `seed` (so a failing run can be repeated).
    void failRandomly(double probability, quint32 seed, int number);

    // Every call made, in order.
    QList<FsCall> calls;
    // How many renames were tried / done.
    qint64 renameCalls() const;
    // Runs before every rename is tried, e.g. to change the tree in the middle of a run.
    std::function<void(const QString& folder, const QString& oldName)> beforeRename;

    // FileSystem
    std::unique_ptr<Folder> openFolder(const QString& path) override;
    FsError renameInFolder(const QString& folderPath, const QString& oldName,
                           const QString& newName) override;
    quint32 attributes(const QString& path) override;
    bool isPlainFile(const QString& path) override;

private:
    struct Node;
    class FakeFolder;

    Node* find(const QString& path) const;
    Node* makeFolders(const QString& path);
    std::unique_ptr<Folder> folderAt(const QString& path);
    std::optional<QList<FolderEntry>> listEntries(const QString& folderPath);
    FsError rename(const QString& folderPath, const QString& oldName, const QString& newName);

    std::unique_ptr<Node> root_;
    struct Fault {
        int remaining;
        FsError error;
    };
    QHash<QString, Fault> faults_;
    double failProbability_ = 0;
    int randomNumber_ = 0;
    std::mt19937 random_;
};

// Answers message boxes from a queue. Every message is recorded. A message with no answer
// queued (and no responder) fails the running test and gets the answer that stops the run
// (No, Abort or OK), so a test never waits for a user.
class ScriptedMessageBox : public MessageBox {
public:
    void enqueue(std::initializer_list<Button> answers);
    qsizetype pending() const { return answers_.size(); }

    // Answers when the queue is empty; may also act on the test's state.
    std::function<Button(const Message&)> responder;

    QList<Message> messages;
    QStringList errors; // messages that found no answer

    Button show(const Message& message) override;

private:
    QList<Button> answers_;
};

// Counts the calls; `onProcessEvents` runs inside each, like a user acting during a run.
class CountingEventPump : public EventPump {
public:
    qint64 calls = 0;
    std::function<void()> onProcessEvents;
    void processEvents() override;
};

// The user's choices as plain fields.
class FakeChoices : public RenameChoices {
public:
    RenameOptions options;
    AttributeChoices allowed;
    bool recurse = false;
    mutable qint64 optionReads = 0;

    RenameOptions renameOptions() const override;
    AttributeChoices attributeChoices() const override { return allowed; }
    bool recursive() const override { return recurse; }
};

// A file list over a vector; entries can be removed at any time.
class FakeFileList : public FileListAccess {
public:
    FakeFileList() = default;
    explicit FakeFileList(const QStringList& texts);

    EntryId append(const QString& text);
    void removeAt(int row);
    QStringList texts() const;
    // Every setEntryText call, in order.
    QList<std::pair<EntryId, QString>> writes;

    QList<EntryId> entryIds() const override;
    std::optional<QString> entryText(EntryId id) const override;
    int rowOf(EntryId id) const override;
    void setEntryText(EntryId id, const QString& text) override;

private:
    void reindex();
    std::vector<std::pair<EntryId, QString>> entries_;
    QHash<EntryId, int> rows_;
    EntryId nextId_ = 1;
};

// An engine over the given file system with scripted dialogs, counted events and plain choices.
struct EngineRig {
    explicit EngineRig(FileSystem& fs) : engine(fs, box, pump, choices) {}
    ScriptedMessageBox box;
    CountingEventPump pump;
    FakeChoices choices;
    RenameEngine engine;
};

// Options for one type of rename, for short test tables.
RenameOptions replaceOptions(const QString& find, const QString& replace, bool includeExtension,
                             bool caseSensitive = false);
RenameOptions prependOptions(const QString& text);
RenameOptions postpendOptions(const QString& text, bool beforeExtension);
RenameOptions caseOptions(CaseMode mode);

} // namespace varnex
