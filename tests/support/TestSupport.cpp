#include "TestSupport.h"

#include "platform/AppInfo.h"
#include "settings/QSettingsStore.h"
#include "settings/SettingsKeys.h"

#include <QFile>
#include <QTest>

namespace varnex {

struct FakeFileSystem::Node {
    Node(QString nodeName, bool folder)
        : name(std::move(nodeName)), isFolder(folder), attributes(folder ? attr::Folder : 0) {}

    QString name;
    bool isFolder = false;
    quint32 attributes = 0;
    QByteArray content;
    bool openable = true;
    bool listable = true;
    RenameRefusal refusal; // what every rename inside it fails with, when anything
    std::vector<std::unique_ptr<Node>> children; // listing order
    QHash<QString, Node*> byName;

    Node* child(const QString& childName) const { return byName.value(childName, nullptr); }
    Node* add(const QString& childName, bool folder) {
        children.push_back(std::make_unique<Node>(childName, folder));
        byName.insert(childName, children.back().get());
        return children.back().get();
    }
};

namespace {

bool isValidName(const QString& name) {
    return !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/') &&
           !name.contains(QChar(u'\0'));
}

} // namespace

class FakeFileSystem::FakeFolder : public Folder {
public:
    FakeFolder(FakeFileSystem& fs, QString path) : fs_(fs), path_(std::move(path)) {}

    QString path() const override { return path_; }
    RenameRefusal renameRefusal() override { return fs_.find(path_)->refusal; }

    std::optional<QList<FolderEntry>> entries() override {
        const Node* node = fs_.find(path_);
        if (!node || !node->isFolder || !node->listable)
            return std::nullopt;
        QList<FolderEntry> result;
        for (const auto& c : node->children)
            result.append(FolderEntry{c->name, c->attributes});
        return result;
    }

    std::optional<FolderListing> entryKinds(const ListingPause&) override {
        const std::optional<QList<FolderEntry>> all = entries();
        if (!all)
            return std::nullopt;
        FolderListing kinds;
        for (const FolderEntry& e : *all)
            kinds.append(e.name, e.attributes == attr::Invalid ? attr::Invalid
                                                               : e.attributes & attr::Folder);
        return kinds;
    }

    quint32 entryAttributes(const QString& name, quint32) override {
        const Node* node = fs_.find(path_ + name);
        return node ? node->attributes : attr::Invalid;
    }

    std::unique_ptr<Folder> openSubFolder(const QString& name) override {
        return isValidName(name) ? fs_.openFolder(path_ % name % u'/') : nullptr;
    }

    FsError rename(const QString& oldName, const QString& newName) override {
        return fs_.renameInFolder(path_, oldName, newName);
    }

private:
    FakeFileSystem& fs_;
    QString path_;
};

FakeFileSystem::FakeFileSystem() : root_(std::make_unique<Node>(QString(), true)) {}

FakeFileSystem::~FakeFileSystem() = default;

FakeFileSystem::Node* FakeFileSystem::find(const QString& path) const {
    if (!path.startsWith(u'/'))
        return nullptr;
    Node* node = root_.get();
    for (const QString& part : path.split(u'/', Qt::SkipEmptyParts)) {
        if (!node->isFolder || !(node = node->child(part)))
            return nullptr;
    }
    return node;
}

FakeFileSystem::Node* FakeFileSystem::makeFolders(const QString& path) {
    Node* node = root_.get();
    for (const QString& part : path.split(u'/', Qt::SkipEmptyParts)) {
        Node* next = node->child(part);
        node = next ? next : node->add(part, true);
    }
    return node;
}

void FakeFileSystem::addFile(const QString& path, const QByteArray& content, quint32 attributes) {
    const qsizetype cut = path.lastIndexOf(u'/');
    Node* folder = makeFolders(path.left(cut + 1));
    const QString name = path.mid(cut + 1);
    Node* file = folder->child(name);
    if (!file)
        file = folder->add(name, false);
    file->content = content;
    file->attributes = attributes;
}

void FakeFileSystem::refuseRenamesIn(const QString& folderPath, const RenameRefusal& refusal) {
    makeFolders(folderPath)->refusal = refusal;
}

void FakeFileSystem::setUnreadable(const QString& folderPath, bool openable) {
    if (Node* node = find(folderPath)) {
        node->openable = openable;
        node->listable = false;
    }
}

void FakeFileSystem::collect(const QString& path, QMap<QString, QByteArray>& files,
                             QSet<QString>& folders) const {
    if (const Node* folder = find(path)) {
        for (const auto& c : folder->children) {
            if (c->isFolder) {
                folders.insert(path + c->name);
                collect(path + c->name + u'/', files, folders);
            } else {
                files.insert(path + c->name, c->content);
            }
        }
    }
}

QByteArray FakeFileSystem::content(const QString& path) const {
    const Node* node = find(path);
    return node ? node->content : QByteArray();
}

QStringList FakeFileSystem::names(const QString& folderPath) const {
    QStringList result;
    if (const Node* folder = find(folderPath)) {
        for (const auto& c : folder->children)
            result.append(c->name);
    }
    return result;
}

std::unique_ptr<Folder> FakeFileSystem::openFolder(const QString& path) {
    opened.append(path);
    const Node* node = find(path); // an empty path finds nothing
    if (!node || !node->isFolder || !node->openable)
        return nullptr;
    return std::make_unique<FakeFolder>(*this, path.endsWith(u'/') ? path : path % u'/');
}

FsError FakeFileSystem::renameInFolder(const QString& folderPath, const QString& oldName,
                                       const QString& newName) {
    renamed.append(folderPath + oldName);
    if (faults_.contains(oldName))
        return faults_.take(oldName);
    Node* folder = find(folderPath);
    if (!folder || !folder->isFolder)
        return fsError(fserr::PathNotFound);
    using Step = RenameRefusal::Step;
    if (folder->refusal.step == Step::BeforeLookup)
        return folder->refusal.error;
    Node* node = folder->child(oldName);
    if (!isValidName(oldName) || !node)
        return fsError(fserr::FileNotFound);
    if (node->isFolder) // like the real file system, a folder is never renamed
        return fsError(fserr::PathFileAccess);
    if (!isValidName(newName))
        return fsError(fserr::BadFileName);
    if (newName == oldName)
        return FsError::success();
    if (folder->refusal.step == Step::BeforeNewName)
        return folder->refusal.error;
    if (folder->child(newName))
        return fsError(fserr::FileExists);
    if (folder->refusal.step == Step::AfterNewName)
        return folder->refusal.error;
    folder->byName.remove(oldName);
    node->name = newName;
    folder->byName.insert(newName, node);
    return FsError::success();
}

quint32 FakeFileSystem::attributes(const QString& path) {
    const Node* node = find(path);
    return node ? node->attributes : attr::Invalid;
}

bool FakeFileSystem::isPlainFile(const QString& path) {
    const Node* node = find(path);
    return node && !node->isFolder && !(node->attributes & (attr::Hidden | attr::System));
}

QStringList rowTexts(const QAbstractItemModel& model, int role) {
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts.append(model.index(row, 0).data(role).toString());
    return texts;
}

QString storedInFile(const QString& path, const QString& key) {
    static int copies = 0;
    const QString copy = path + QStringLiteral(".copy") + QString::number(++copies);
    if (!QFile::copy(path, copy))
        return QStringLiteral("<no file>");
    return QSettingsStore(copy).readSetting(applicationTitle(), settingsSection(), key,
                                            QStringLiteral("<missing>"));
}

Button ScriptedMessageBox::show(const Message& message) {
    messages.append(message);
    using enum Button;
    const QList<Button> offered = message.buttons == Buttons::YesNo ? QList{Yes, No}
                                  : message.buttons == Buttons::Ok  ? QList{Ok}
                                                                    : QList{Abort, Retry, Ignore};
    const std::optional<Button> answer = !answers_.isEmpty() ? answers_.takeFirst()
                                         : responder         ? responder(message)
                                                             : std::optional<Button>();
    if (answer && offered.contains(*answer))
        return *answer;
    if (!QTest::currentTestFailed())
        QTest::qFail(qPrintable(QStringLiteral("no fitting answer scripted for: ") % message.text),
                     __FILE__, __LINE__);
    return offered.size() == 3 ? Abort : offered.last(); // the answer that stops the run
}

} // namespace varnex
