#pragma once

#include "platform/FileSystem.h"

#include <QHash>
#include <QSet>
#include <map>
#include <memory>
#include <vector>

namespace varnex {

// A file system that renames nothing: it reads the real folders once, through the real file
// system, and keeps every rename of a run in memory, so that a run of the rename engine over
// it tells what a real run would do now, collision by collision. The folders read stay until
// forgetFolders(); each run starts from them afresh (startRun()).
//
// A rename is predicted as the real file system would do it: refused for a name the system
// cannot hold, "file not found" for a name that is not there (any more), refused for a folder,
// a success onto the file's own name, "file already exists" for a name that is taken.
class DryRunFileSystem final : public FileSystem {
public:
    // What the real file system refuses beyond what any file system does.
    struct NameRules {
        // A name longer than this in UTF-8 bytes fails as a bad file name; 0 for no limit.
        int maxNameBytes = 255;
        // A name holding a lone surrogate (an undecodable byte on disk) fails likewise.
        bool refuseLoneSurrogates = true;
    };

    explicit DryRunFileSystem(FileSystem& real);
    DryRunFileSystem(FileSystem& real, NameRules rules);
    ~DryRunFileSystem() override;

    // Forgets every folder read: the next run reads the real folders again.
    void forgetFolders();
    // Forgets the renames of the last run.
    void startRun();
    // Lets go of the renames of the run just ended, so the next one starts at once.
    void finishRun();
    // Called now and then while a real folder is read.
    void setReadingPause(ListingPause pause) { pause_ = std::move(pause); }

    std::unique_ptr<Folder> openFolder(const QString& path) override;
    FsError renameInFolder(const QString& folderPath, const QString& oldName,
                           const QString& newName) override;
    quint32 attributes(const QString& path) override;
    bool isPlainFile(const QString& path) override;

private:
    struct Node;
    class DryFolder;

    // A top folder as opened by one path: its node, and that path as its real folder spells it
    // (two spellings of one folder share a node).
    struct Top {
        Node* node = nullptr;
        QString spelling;
    };
    const Top& topNode(const QString& path, bool keepHandle);
    Node* subNode(Node& parent, const QString& name);
    void readNode(Node& node, Folder& real);
    void readTree(Node& node, Folder& real);
    std::optional<quint32> lookup(Node& node, const QString& name);
    FsError rename(Node& node, const QString& oldName, const QString& newName);
    bool nameRefused(const QString& name) const;

    FileSystem& real_;
    NameRules rules_;
    ListingPause pause_;
    quint64 run_ = 1;
    std::vector<Node*> touched_;               // the folders renamed in by the current run
    std::vector<std::unique_ptr<Node>> nodes_; // the top folders read
    std::map<QString, Top> tops_;              // by every path they were opened by
    QHash<FolderIdentity, Node*> byIdentity_;
};

} // namespace varnex
