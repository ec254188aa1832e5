#include "TestSupport.h"

#include <QTest>

namespace varnex {

// ---------------------------------------------------------------------------------------------
// FakeFileSystem

struct FakeFileSystem::Node {
    QString name;
    bool isFolder = false;
    quint32 attributes = 0;
    QByteArray content;
    bool openable = true;
    bool listable = true;
    std::vector<std::unique_ptr<Node>> children; // listing order
    QHash<QString, Node*> byName;

    Node* child(const QString& childName) const { return byName.value(childName, nullptr); }

    Node* add(std::unique_ptr<Node> node) {
        Node* raw = node.get();
        byName.insert(raw->name, raw);
        children.push_back(std::move(node));
        return raw;
    }
};

namespace {

QStringList partsOf(const QString& path) {
    return path.split(u'/', Qt::SkipEmptyParts);
}

QString withSlash(const QString& path) {
    return path.endsWith(u'/') ? path : path % u'/';
}

bool isValidName(const QString& name) {
    return !name.isEmpty() && name != QStringLiteral(".") && name != QStringLiteral("..") &&
           !name.contains(u'/') && !name.contains(QChar(u'\0'));
}

} // namespace

class FakeFileSystem::FakeFolder : public Folder {
public:
    FakeFolder(FakeFileSystem& fs, QString path) : fs_(fs), path_(std::move(path)) {}

    QString path() const override { return path_; }

    std::optional<QList<FolderEntry>> entries() override {
        fs_.calls.append({FsCall::Op::Entries, path_, {}, {}});
        return fs_.listEntries(path_);
    }

    std::unique_ptr<Folder> openSubFolder(const QString& name) override {
        fs_.calls.append({FsCall::Op::OpenSubFolder, path_, name, {}});
        if (!isValidName(name))
            return nullptr;
        return fs_.folderAt(path_ % name % u'/');
    }

    FsError rename(const QString& oldName, const QString& newName) override {
        return fs_.rename(path_, oldName, newName);
    }

private:
    FakeFileSystem& fs_;
    QString path_;
};

FakeFileSystem::FakeFileSystem() : root_(std::make_unique<Node>()) {
    root_->isFolder = true;
    root_->attributes = attr::Folder;
}

FakeFileSystem::~FakeFileSystem() = default;

FakeFileSystem::Node* FakeFileSystem::find(const QString& path) const {
    if (!path.startsWith(u'/'))
        return nullptr;
    Node* node = root_.get();
    for (const QString& part : partsOf(path)) {
        if (!node->isFolder || !(node = node->child(part)))
            return nullptr;
    }
    return node;
}

FakeFileSystem::Node* FakeFileSystem::makeFolders(const QString& path) {
    Node* node = root_.get();
    for (const QString& part : partsOf(path)) {
        Node* next = node->child(part);
        if (!next) {
            auto folder = std::make_unique<Node>();
            folder->name = part;
            folder->isFolder = true;
            folder->attributes = attr::Folder;
            next = node->add(std::move(folder));
        }
        node = next;
    }
    return node;
}

void FakeFileSystem::addFolder(const QString& path, quint32 attributes) {
    makeFolders(path)->attributes = attributes | attr::Folder;
}

void FakeFileSystem::addFile(const QString& path, const QByteArray& content, quint32 attributes) {
    const qsizetype cut = path.lastIndexOf(u'/');
    Node* folder = makeFolders(path.left(cut + 1));
    const QString name = path.mid(cut + 1);
    Node* file = folder->child(name);
    if (!file) {
        auto node = std::make_unique<Node>();
        node->name = name;
        file = folder->add(std::move(node));
    }
    file->content = content;
    file->attributes = attributes;
}

void FakeFileSystem::setAttributes(const QString& path, quint32 attributes) {
    if (Node* node = find(path))
        node->attributes = attributes;
}

void FakeFileSystem::setUnreadable(const QString& folderPath, bool openable) {
    if (Node* node = find(folderPath)) {
        node->openable = openable;
        node->listable = false;
    }
}

void FakeFileSystem::remove(const QString& path) {
    const QString trimmed = path.endsWith(u'/') ? path.chopped(1) : path;
    const qsizetype cut = trimmed.lastIndexOf(u'/');
    Node* folder = find(trimmed.left(cut + 1));
    const QString name = trimmed.mid(cut + 1);
    if (!folder || !folder->child(name))
        return;
    folder->byName.remove(name);
    std::erase_if(folder->children, [&](const auto& c) { return c->name == name; });
}

bool FakeFileSystem::exists(const QString& path) const {
    return find(path) != nullptr;
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

void FakeFileSystem::failNextRenames(const QString& oldName, int count, const FsError& error) {
    faults_.insert(oldName, Fault{count, error});
}

void FakeFileSystem::failNextRenames(const QString& oldName, int count, int number) {
    failNextRenames(oldName, count, fsError(number));
}

void FakeFileSystem::failRandomly(double probability, quint32 seed, int number) {
    failProbability_ = probability;
    randomNumber_ = number;
    random_.seed(seed);
}

qint64 FakeFileSystem::renameCalls() const {
    return std::count_if(calls.begin(), calls.end(),
                         [](const FsCall& c) { return c.op == FsCall::Op::Rename; });
}

std::unique_ptr<Folder> FakeFileSystem::folderAt(const QString& path) {
    const Node* node = find(path);
    if (!node || !node->isFolder || !node->openable)
        return nullptr;
    return std::make_unique<FakeFolder>(*this, withSlash(path));
}

std::optional<QList<FolderEntry>> FakeFileSystem::listEntries(const QString& folderPath) {
    const Node* node = find(folderPath);
    if (!node || !node->isFolder || !node->listable)
        return std::nullopt;
    QList<FolderEntry> result;
    result.reserve(qsizetype(node->children.size()));
    for (const auto& c : node->children)
        result.append(FolderEntry{c->name, c->attributes});
    return result;
}

FsError FakeFileSystem::rename(const QString& folderPath, const QString& oldName,
                               const QString& newName) {
    calls.append({FsCall::Op::Rename, folderPath, oldName, newName});
    if (beforeRename)
        beforeRename(folderPath, oldName);

    auto fault = faults_.find(oldName);
    if (fault != faults_.end() && fault->remaining > 0) {
        --fault->remaining;
        return fault->error;
    }
    if (failProbability_ > 0 &&
        std::uniform_real_distribution<double>(0, 1)(random_) < failProbability_)
        return fsError(randomNumber_);

    Node* folder = find(folderPath);
    if (!folder || !folder->isFolder)
        return fsError(fserr::PathNotFound);
    Node* node = folder->child(oldName);
    if (!isValidName(oldName) || !node)
        return fsError(fserr::FileNotFound);
    if (node->isFolder) // like the real file system, a folder is never renamed
        return fsError(fserr::PathFileAccess);
    if (!isValidName(newName))
        return fsError(fserr::BadFileName);
    if (newName == oldName)
        return FsError::success();
    if (folder->child(newName))
        return fsError(fserr::FileExists);
    folder->byName.remove(oldName);
    node->name = newName;
    folder->byName.insert(newName, node);
    return FsError::success();
}

std::unique_ptr<Folder> FakeFileSystem::openFolder(const QString& path) {
    calls.append({FsCall::Op::OpenFolder, path, {}, {}});
    if (path.isEmpty())
        return nullptr;
    return folderAt(path);
}

FsError FakeFileSystem::renameInFolder(const QString& folderPath, const QString& oldName,
                                       const QString& newName) {
    return rename(folderPath, oldName, newName);
}

quint32 FakeFileSystem::attributes(const QString& path) {
    calls.append({FsCall::Op::Attributes, path, {}, {}});
    const Node* node = find(path);
    return node ? node->attributes : attr::Invalid;
}

bool FakeFileSystem::isPlainFile(const QString& path) {
    calls.append({FsCall::Op::IsPlainFile, path, {}, {}});
    const Node* node = find(path);
    return node && !node->isFolder && !(node->attributes & (attr::Hidden | attr::System));
}

// ---------------------------------------------------------------------------------------------
// ScriptedMessageBox

namespace {

QList<Button> buttonsOf(Buttons buttons) {
    switch (buttons) {
    case Buttons::YesNo:
        return {Button::Yes, Button::No};
    case Buttons::AbortRetryIgnore:
        return {Button::Abort, Button::Retry, Button::Ignore};
    case Buttons::Ok:
        break;
    }
    return {Button::Ok};
}

Button stoppingAnswer(Buttons buttons) {
    switch (buttons) {
    case Buttons::YesNo:
        return Button::No;
    case Buttons::AbortRetryIgnore:
        return Button::Abort;
    case Buttons::Ok:
        break;
    }
    return Button::Ok;
}

} // namespace

void ScriptedMessageBox::enqueue(std::initializer_list<Button> answers) {
    for (const Button b : answers)
        answers_.append(b);
}

Button ScriptedMessageBox::show(const Message& message) {
    messages.append(message);
    std::optional<Button> answer;
    if (!answers_.isEmpty())
        answer = answers_.takeFirst();
    else if (responder)
        answer = responder(message);

    QString problem;
    if (!answer)
        problem = QStringLiteral("message box with no answer scripted: ");
    else if (!buttonsOf(message.buttons).contains(*answer))
        problem = QStringLiteral("scripted answer is not a button of the message box: ");
    if (problem.isEmpty())
        return *answer;

    errors.append(message.text);
    if (!QTest::currentTestFailed())
        QTest::qFail(qPrintable(problem % message.text), __FILE__, __LINE__);
    return stoppingAnswer(message.buttons);
}

// ---------------------------------------------------------------------------------------------
// CountingEventPump, FakeChoices

void CountingEventPump::processEvents() {
    ++calls;
    if (onProcessEvents)
        onProcessEvents();
}

RenameOptions FakeChoices::renameOptions() const {
    ++optionReads;
    return options;
}

// ---------------------------------------------------------------------------------------------
// FakeFileList

FakeFileList::FakeFileList(const QStringList& texts) {
    for (const QString& t : texts)
        append(t);
}

FileListAccess::EntryId FakeFileList::append(const QString& text) {
    const EntryId id = nextId_++;
    rows_.insert(id, int(entries_.size()));
    entries_.emplace_back(id, text);
    return id;
}

void FakeFileList::removeAt(int row) {
    if (row < 0 || row >= int(entries_.size()))
        return;
    entries_.erase(entries_.begin() + row);
    reindex();
}

void FakeFileList::reindex() {
    rows_.clear();
    for (int row = 0; row < int(entries_.size()); ++row)
        rows_.insert(entries_[size_t(row)].first, row);
}

QStringList FakeFileList::texts() const {
    QStringList result;
    for (const auto& e : entries_)
        result.append(e.second);
    return result;
}

QList<FileListAccess::EntryId> FakeFileList::entryIds() const {
    QList<EntryId> ids;
    ids.reserve(qsizetype(entries_.size()));
    for (const auto& e : entries_)
        ids.append(e.first);
    return ids;
}

std::optional<QString> FakeFileList::entryText(EntryId id) const {
    const int row = rowOf(id);
    if (row < 0)
        return std::nullopt;
    return entries_[size_t(row)].second;
}

int FakeFileList::rowOf(EntryId id) const {
    return rows_.value(id, -1);
}

void FakeFileList::setEntryText(EntryId id, const QString& text) {
    writes.append({id, text});
    const int row = rowOf(id);
    if (row >= 0)
        entries_[size_t(row)].second = text;
}

// ---------------------------------------------------------------------------------------------
// Options

RenameOptions replaceOptions(const QString& find, const QString& replace, bool includeExtension,
                             bool caseSensitive) {
    RenameOptions o;
    o.renameType = RenameType::ReplaceText;
    o.findText = find;
    o.replaceWith = replace;
    o.includeExtension = includeExtension;
    o.caseSensitive = caseSensitive;
    return o;
}

RenameOptions prependOptions(const QString& text) {
    RenameOptions o;
    o.renameType = RenameType::Prepend;
    o.prependText = text;
    return o;
}

RenameOptions postpendOptions(const QString& text, bool beforeExtension) {
    RenameOptions o;
    o.renameType = RenameType::Postpend;
    o.postpendText = text;
    o.postpendBeforeExtension = beforeExtension;
    return o;
}

RenameOptions caseOptions(CaseMode mode) {
    RenameOptions o;
    o.renameType = RenameType::ConvertCase;
    o.caseMode = mode;
    return o;
}

} // namespace varnex
