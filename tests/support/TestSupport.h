#pragma once

// Fakes shared by the tests: an in-memory file system with fault injection, a message box that
// answers from a script, an event pump that counts, the user's choices and a file list.

#include "engine/RenameEngine.h"

#include <QAbstractItemModel>
#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QSet>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace varnex {

// An in-memory tree of folders and files. Paths are absolute and use "/"; "/" is the root.
// Entries are listed in the order they were added; a renamed file keeps its place. A rename
// never replaces an existing name and nothing is ever removed.
class FakeFileSystem : public FileSystem {
public:
    FakeFileSystem();
    ~FakeFileSystem() override;

    // Creates the folder and any missing folder above it.
    void addFolder(const QString& path) { makeFolders(path); }
    // Creates the file (and its missing folders); an existing file is overwritten.
    void addFile(const QString& path, const QByteArray& content = {}, quint32 attributes = 0);
    // A folder whose entries cannot be read; unless `openable`, it cannot be opened either.
    void setUnreadable(const QString& folderPath, bool openable = false);
    // Every rename inside the folder fails as `refusal` says.
    void refuseRenamesIn(const QString& folderPath, const RenameRefusal& refusal);

    QByteArray content(const QString& path) const;
    // The names in a folder, in listing order.
    QStringList names(const QString& folderPath) const;
    // Every file below the folder `path` with its content, and every folder below it, by path.
    void collect(const QString& path, QMap<QString, QByteArray>& files,
                 QSet<QString>& folders) const;

    // The next rename of `oldName` (in any folder) fails with `error`.
    void failNextRename(const QString& oldName, const FsError& error) {
        faults_.insert(oldName, error);
    }

    // Like a real file system, a listing tells only each entry's kind (attr::Folder or
    // attr::Invalid) and the walk asks for a file's attributes when it reaches it.
    // The old full path of every rename tried, in order.
    QStringList renamed;
    // Every path a folder was opened by, in order.
    QStringList opened;

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

    std::unique_ptr<Node> root_;
    QHash<QString, FsError> faults_;
};

// Answers message boxes from a queue, then from `responder`. Every message is recorded. A
// message with no answer (or an answer that is not one of its buttons) fails the running test
// and gets the answer that stops the run (No, Abort or OK), so a test never waits for a user.
class ScriptedMessageBox : public MessageBox {
public:
    void enqueue(std::initializer_list<Button> answers) { answers_.append(answers); }

    std::function<Button(const Message&)> responder;
    QList<Message> messages;

    Button show(const Message& message) override;

private:
    QList<Button> answers_;
};

// Counts the calls; `onProcessEvents` runs inside each, like a user acting during a run.
class CountingEventPump : public EventPump {
public:
    qint64 calls = 0;
    std::function<void()> onProcessEvents;
    void processEvents() override {
        ++calls;
        if (onProcessEvents)
            onProcessEvents();
    }
};

// The user's choices as plain fields.
class FakeChoices : public RenameChoices {
public:
    RenameOptions options;
    AttributeChoices allowed;
    bool recurse = false;

    RenameOptions renameOptions() const override { return options; }
    AttributeChoices attributeChoices() const override { return allowed; }
    bool recursive() const override { return recurse; }
};

// An engine over the given file system with scripted dialogs, counted events and plain choices.
struct EngineRig {
    explicit EngineRig(FileSystem& fs, const RenameOptions& options = {})
        : engine(fs, box, pump, choices) {
        choices.options = options;
    }
    ScriptedMessageBox box;
    CountingEventPump pump;
    FakeChoices choices;
    RenameEngine engine;
};

// The parts of `text` between separators, for short test tables.
inline QStringList words(const QString& text, QChar separator = u' ') {
    return text.split(separator, Qt::SkipEmptyParts);
}

// The character a byte that is not UTF-8 stands as in a decoded name.
inline QChar esc(int byte) {
    return QChar(char16_t(0xDC00 + byte));
}

// The texts of a model's first column, top to bottom.
QStringList rowTexts(const QAbstractItemModel& model, int role = Qt::DisplayRole);

// The value the INI file at `path` holds for `key` in the program's section, "<missing>" when
// none. QSettings keeps what it read of a file name for the whole process and trusts it while
// size and modification time look unchanged: the file is read from a copy under a new name.
QString storedInFile(const QString& path, const QString& key);

// Options for one type of rename, for short test tables.
inline RenameOptions replaceOptions(const QString& find, const QString& replace,
                                    bool includeExtension, bool caseSensitive = false) {
    RenameOptions o;
    o.renameType = RenameType::ReplaceText;
    o.findText = find;
    o.replaceWith = replace;
    o.includeExtension = includeExtension;
    o.caseSensitive = caseSensitive;
    return o;
}
inline RenameOptions prependOptions(const QString& text) {
    RenameOptions o;
    o.renameType = RenameType::Prepend;
    o.prependText = text;
    return o;
}
inline RenameOptions postpendOptions(const QString& text, bool beforeExtension) {
    RenameOptions o;
    o.renameType = RenameType::Postpend;
    o.postpendText = text;
    o.postpendBeforeExtension = beforeExtension;
    return o;
}
inline RenameOptions caseOptions(CaseMode mode) {
    RenameOptions o;
    o.renameType = RenameType::ConvertCase;
    o.caseMode = mode;
    return o;
}

} // namespace varnex
