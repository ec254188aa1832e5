#include "DryRunFileSystem.h"

#include <QThreadPool>
#include <utility>
#include <vector>

namespace varnex {

// A folder as it was read, with the renames of the current run on top.
struct DryRunFileSystem::Node {
    QString path;        // ends with the separator
    bool opened = false; // a folder that cannot be opened may still hold files to rename
    bool listable = false;
    // The real folder's identity, so that a files-mode run checks its entries' folders against
    // it exactly as it would against the real one.
    FolderIdentity identity;
    RenameRefusal refusal; // what every rename inside it fails with, when anything
    FolderListing listing;
    // Every entry's attributes when the folder was read; for a folder that could not be
    // listed, each name looked up so far.
    QHash<QString, quint32> attributes;
    // The real folder, kept for a top folder so that its sub-folders can be read when a walk
    // first goes into them.
    std::unique_ptr<Folder> real;
    bool subsRead = false;
    // Sub-folders by name; nullptr for one that could not be opened.
    std::map<QString, std::unique_ptr<Node>> subs;

    // The current run's renames.
    quint64 run = 0;
    QSet<QString> gone;
    QHash<QString, quint32> arrived;
};

class DryRunFileSystem::DryFolder final : public Folder {
public:
    // `path` is the spelling the folder was opened by, which may differ from the node's.
    DryFolder(DryRunFileSystem& fs, Node& node, QString path)
        : fs_(fs), node_(node), path_(std::move(path)) {}

    QString path() const override { return path_; }
    FolderIdentity identity() const override { return node_.identity; }

    std::optional<QList<FolderEntry>> entries() override {
        if (!node_.listable)
            return std::nullopt;
        QList<FolderEntry> all;
        all.reserve(node_.listing.size());
        for (qsizetype i = 0; i < node_.listing.size(); ++i) {
            const QString name = node_.listing.name(i).toString();
            all.append({name, node_.attributes.value(name, node_.listing.attributes(i))});
        }
        return all;
    }

    std::optional<FolderListing> entryKinds(const ListingPause&) override {
        if (!node_.listable)
            return std::nullopt;
        return node_.listing;
    }

    quint32 entryAttributes(const QString& name, quint32) override {
        return fs_.lookup(node_, name).value_or(attr::Invalid);
    }

    std::unique_ptr<Folder> openSubFolder(const QString& name) override {
        Node* sub = fs_.subNode(node_, name);
        return sub ? std::make_unique<DryFolder>(fs_, *sub, path_ % name % nativeSeparator())
                   : nullptr;
    }

    FsError rename(const QString& oldName, const QString& newName) override {
        return fs_.rename(node_, oldName, newName);
    }

private:
    DryRunFileSystem& fs_;
    Node& node_;
    QString path_;
};

DryRunFileSystem::DryRunFileSystem(FileSystem& real) : DryRunFileSystem(real, NameRules{}) {}

DryRunFileSystem::DryRunFileSystem(FileSystem& real, NameRules rules)
    : real_(real), rules_(rules) {}

DryRunFileSystem::~DryRunFileSystem() = default;

void DryRunFileSystem::forgetFolders() {
    touched_.clear();
    tops_.clear();
    byIdentity_.clear();
    nodes_.clear();
}

void DryRunFileSystem::startRun() {
    ++run_;
    touched_.clear();
}

void DryRunFileSystem::finishRun() {
    // A run over many files leaves large sets behind; they are freed on a pool thread, so that
    // the next run starts at once.
    struct Overlay {
        QSet<QString> gone;
        QHash<QString, quint32> arrived;
    };
    auto left = std::make_shared<std::vector<Overlay>>();
    left->reserve(touched_.size());
    for (Node* node : touched_) {
        left->push_back({std::exchange(node->gone, {}), std::exchange(node->arrived, {})});
        node->run = 0;
    }
    startRun();
    QThreadPool::globalInstance()->start([left = std::move(left)]() mutable { left.reset(); });
}

void DryRunFileSystem::readNode(Node& node, Folder& real) {
    node.identity = real.identity();
    node.refusal = real.renameRefusal();
    std::optional<FolderListing> listing = real.entryKinds(pause_);
    node.listable = listing.has_value();
    if (!listing)
        return;
    node.listing = std::move(*listing);
    node.attributes.reserve(node.listing.size());
    for (qsizetype i = 0; i < node.listing.size(); ++i) {
        const QString name = node.listing.name(i).toString();
        const quint32 listed = node.listing.attributes(i);
        // A folder's other bits do not matter to a run; a file's are read as a walk reads them.
        node.attributes.insert(name,
                               listed & attr::Folder ? listed : real.entryAttributes(name, listed));
        pauseAfter(pause_, i + 1);
    }
}

// Reads `node` and every folder below it, depth first, holding open only the folders on the
// way down from `node`.
void DryRunFileSystem::readTree(Node& node, Folder& real) {
    struct Step {
        Node* node;
        Folder* real;
        std::unique_ptr<Folder> owned;
        qsizetype next = 0;
    };
    std::vector<Step> stack;
    readNode(node, real);
    stack.push_back({&node, &real, nullptr, 0});
    while (!stack.empty()) {
        Step& step = stack.back();
        Node& at = *step.node;
        if (!at.listable || step.next >= at.listing.size()) {
            at.subsRead = true;
            stack.pop_back();
            continue;
        }
        const qsizetype i = step.next++;
        if (!(at.listing.attributes(i) & attr::Folder))
            continue;
        const QString name = at.listing.name(i).toString();
        if (at.subs.count(name))
            continue;
        std::unique_ptr<Folder> sub = step.real->openSubFolder(name);
        if (!sub) {
            at.subs[name] = nullptr;
            continue;
        }
        auto child = std::make_unique<Node>();
        child->path = sub->path();
        child->opened = true;
        Node* raw = child.get();
        at.subs[name] = std::move(child);
        readNode(*raw, *sub);
        Folder* realSub = sub.get();
        stack.push_back({raw, realSub, std::move(sub), 0});
    }
}

const DryRunFileSystem::Top& DryRunFileSystem::topNode(const QString& path, bool keepHandle) {
    if (const auto found = tops_.find(path); found != tops_.end()) {
        Node* node = found->second.node;
        if (keepHandle && node->opened && !node->real && !node->subsRead)
            node->real = real_.openFolder(path);
        return found->second;
    }
    std::unique_ptr<Folder> real = real_.openFolder(path);
    const QString spelling = real ? real->path() : path;
    // Another spelling of a folder read already (through a link, say) is that folder, unless
    // renames are refused through one spelling only (a read-only mount of a writable folder).
    const FolderIdentity identity = real ? real->identity() : FolderIdentity{};
    Node* same = identity.known() ? byIdentity_.value(identity) : nullptr;
    if (Node* node = same && same->refusal == real->renameRefusal() ? same : nullptr) {
        if (keepHandle && !node->real && !node->subsRead)
            node->real = std::move(real);
        return tops_[path] = {node, spelling};
    }
    Node* node = nodes_.emplace_back(std::make_unique<Node>()).get();
    node->path = spelling;
    node->opened = real != nullptr;
    if (real)
        readNode(*node, *real);
    if (keepHandle)
        node->real = std::move(real);
    if (identity.known() && !same)
        byIdentity_.insert(identity, node);
    return tops_[path] = {node, spelling};
}

DryRunFileSystem::Node* DryRunFileSystem::subNode(Node& parent, const QString& name) {
    auto found = parent.subs.find(name);
    if (found != parent.subs.end())
        return found->second.get();
    if (parent.subsRead || !parent.real)
        return nullptr;
    // A top folder's sub-folder is read, with everything below it, when a walk first enters it.
    std::unique_ptr<Folder> sub = parent.real->openSubFolder(name);
    if (!sub) {
        parent.subs[name] = nullptr;
        return nullptr;
    }
    auto child = std::make_unique<Node>();
    child->path = sub->path();
    child->opened = true;
    readTree(*child, *sub);
    Node* raw = child.get();
    parent.subs[name] = std::move(child);
    return raw;
}

std::optional<quint32> DryRunFileSystem::lookup(Node& node, const QString& name) {
    if (node.run != run_) {
        node.run = run_;
        node.gone.clear();
        node.arrived.clear();
        touched_.push_back(&node);
    }
    if (const auto arrived = node.arrived.constFind(name); arrived != node.arrived.cend())
        return *arrived;
    if (node.gone.contains(name))
        return std::nullopt;
    // A listed entry is there even when its attributes could not be read.
    if (const auto known = node.attributes.constFind(name); known != node.attributes.cend())
        return *known;
    if (node.listable)
        return std::nullopt;
    // A folder that cannot be listed: ask about the one name, once.
    const quint32 attributes = real_.attributes(node.path + name);
    if (attributes == attr::Invalid)
        return std::nullopt;
    node.attributes.insert(name, attributes);
    return attributes;
}

bool DryRunFileSystem::nameRefused(const QString& name) const {
    if (rules_.maxNameBytes > 0 && name.size() * 3 > rules_.maxNameBytes &&
        name.toUtf8().size() > rules_.maxNameBytes)
        return true;
    if (!rules_.refuseLoneSurrogates)
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (!c.isSurrogate())
            continue;
        if (c.isHighSurrogate() && i + 1 < name.size() && name.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        return true;
    }
    return false;
}

FsError DryRunFileSystem::rename(Node& node, const QString& oldName, const QString& newName) {
    using Step = RenameRefusal::Step;
    if (nameRefused(oldName) || nameRefused(newName))
        return fsError(fserr::BadFileName);
    // The folder's refusal comes at the step where the system tells it.
    if (node.refusal.step == Step::BeforeLookup)
        return node.refusal.error;
    const std::optional<quint32> found = lookup(node, oldName);
    if (!found)
        return fsError(fserr::FileNotFound);
    const quint32 attributes = *found;
    if (attributes != attr::Invalid && (attributes & attr::Folder))
        return fsError(fserr::PathFileAccess);
    if (oldName == newName)
        return FsError::success();
    if (node.refusal.step == Step::BeforeNewName)
        return node.refusal.error;
    if (lookup(node, newName))
        return fsError(fserr::FileExists);
    if (node.refusal.step == Step::AfterNewName)
        return node.refusal.error;
    node.arrived.remove(oldName);
    node.gone.insert(oldName);
    node.gone.remove(newName);
    node.arrived.insert(newName, attributes);
    return FsError::success();
}

std::unique_ptr<Folder> DryRunFileSystem::openFolder(const QString& path) {
    if (path.isEmpty())
        return nullptr;
    const Top& top = topNode(path, true);
    return top.node->opened ? std::make_unique<DryFolder>(*this, *top.node, top.spelling) : nullptr;
}

FsError DryRunFileSystem::renameInFolder(const QString& folderPath, const QString& oldName,
                                         const QString& newName) {
    if (folderPath.isEmpty())
        return fsError(fserr::PathNotFound);
    return rename(*topNode(folderPath, false).node, oldName, newName);
}

quint32 DryRunFileSystem::attributes(const QString& path) {
    return real_.attributes(path);
}

bool DryRunFileSystem::isPlainFile(const QString& path) {
    return real_.isPlainFile(path);
}

} // namespace varnex
