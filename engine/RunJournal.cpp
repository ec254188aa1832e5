#include "RunJournal.h"

#include "platform/PosixFileSystem.h"
#include "platform/Text.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <algorithm>
#include <atomic>
#include <cstring>

namespace varnex {

// The layout of a journal file, in the machine's byte order:
//   header   "VARNEXJ1", u32 flags (Broken: the run went on without its journal), u32 0
//   records  u8 kind, u8 status, u16 0, u32 payload length, u32 checksum of the payload,
//            then the payload, padded to a multiple of four bytes. A kind of 0 ends the file.
//   'F'      a folder: u64 device, u64 inode, the path's bytes. Numbered from 0 in file order.
//   'N'      a rename: u32 folder number, u32 length of the old name, the old name, the new name,
//            u64 the renamed file's number (0 until the rename is made, and then only when known).
//            That number is stored after the rename and is not covered by the checksum.
//   'R'      a rename as journals before file numbers wrote it: an 'N' without the number.
namespace {

constexpr char Magic[8] = {'V', 'A', 'R', 'N', 'E', 'X', 'J', '1'};
constexpr qint64 HeaderSize = 16;
constexpr qint64 FlagsOffset = 8;
constexpr quint32 Broken = 0x1;
constexpr qint64 RecordHead = 12;
constexpr char FolderKind = 'F';
constexpr char RenameKind = 'N';
constexpr char UnnumberedRenameKind = 'R';
constexpr qint64 FileNumberSize = 8;
constexpr qint64 FirstCapacity = qint64(1) << 20;
constexpr qint64 SyncEveryMs = 1000;
// Written records beyond this many bytes are let go of (see aboutToRename).
constexpr qint64 ReleaseEvery = qint64(1) << 20;

quint32 checksum(const char* data, qint64 size) {
    quint32 hash = 2166136261u; // FNV-1a
    for (qint64 i = 0; i < size; ++i)
        hash = (hash ^ uchar(data[i])) * 16777619u;
    return hash;
}

qint64 padded(qint64 size) {
    return (size + 3) & ~qint64(3);
}

template <typename T> void store(char* at, T value) {
    std::memcpy(at, &value, sizeof value);
}
template <typename T> T load(const char* at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// Writes one record at `at`: its payload's length first, so that a record the end of the process
// cut short always shows how far it reaches (the journal's reader refuses anything written past
// a record that does not check out), then the payload (`fill`), its checksum over the first
// `checked` bytes and its status, and its kind last, which makes the record count. The fences
// keep the compiler from moving those stores across one another.
template <typename Fill>
void writeRecord(char* at, char kind, quint8 status, qint64 payload, qint64 checked, Fill fill) {
    store<quint32>(at + 4, quint32(payload));
    std::atomic_signal_fence(std::memory_order_seq_cst);
    fill(at + RecordHead);
    store<quint32>(at + 8, checksum(at + RecordHead, checked));
    at[1] = char(status);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    at[0] = kind;
}

// The bytes of a name as the file system holds them, written straight into the journal when the
// name is plain ASCII (each character is its byte), else encoded first.
class NameBytes {
public:
    explicit NameBytes(const QString& name) : name_(name), ascii_(isPlainAscii(name)) {
        if (!ascii_)
            bytes_ = encodeFileName(name);
    }
    qint64 size() const { return ascii_ ? name_.size() : bytes_.size(); }
    void copyTo(char* at) const {
        if (ascii_)
            copyPlainAscii(name_, at);
        else
            std::memcpy(at, bytes_.constData(), size_t(bytes_.size()));
    }

private:
    const QString& name_;
    bool ascii_;
    QByteArray bytes_;
};

QString systemError(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

// Makes `folder` and its missing parents, private to the user; false with `why` when it is not
// a folder of the user's own.
bool makePrivateFolder(const QString& folder, QString& why) {
    const QByteArray path = encodeFileName(folder);
    if (path.isEmpty() || !QDir().mkpath(folder)) {
        why = QCoreApplication::translate("RunJournal", "the folder %1 could not be made")
                  .arg(folder);
        return false;
    }
    if (!makeOwnFolderPrivate(path)) {
        why = QCoreApplication::translate("RunJournal", "%1 is not a folder of yours").arg(folder);
        return false;
    }
    return true;
}

QStringList journalNames(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("run-*.journal")},
                                  QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

} // namespace

QString defaultJournalFolder() {
    const QString state = qEnvironmentVariable("XDG_STATE_HOME");
    const QString base = QDir::isAbsolutePath(state) ? state : QDir::homePath() + u"/.local/state";
    return base + u"/Varnex";
}

RunJournal::RunJournal(QString folder) : folder_(std::move(folder)) {}

RunJournal::~RunJournal() {
    endRun();
}

void RunJournal::beginRun() {
    endRun();
    failure_.clear();
    running_ = true;
}

bool RunJournal::open() {
    QString why;
    if (!makePrivateFolder(folder_, why)) {
        fail(why);
        return false;
    }
    // Named by the time the run started, so the names sort from oldest to newest; after the
    // newest journal there is, should the clock have been set back since.
    const QStringList before = journalNames(folder_);
    const qint64 newest = before.isEmpty() ? 0 : before.last().section(u'-', 1, 1).toLongLong();
    const QString name =
        QStringLiteral("run-%1-%2.journal")
            .arg(std::max(QDateTime::currentMSecsSinceEpoch(), newest + 1), 16, 10, QChar(u'0'))
            .arg(QCoreApplication::applicationPid());
    const QByteArray path = encodeFileName(folder_ + u'/' + name);
    if (const int err = file_.create(path); err != 0) {
        fail(QCoreApplication::translate("RunJournal", "%1 could not be made: %2")
                 .arg(folder_ + u'/' + name, systemError(err)));
        return false;
    }
    if (!reserve(HeaderSize))
        return false;
    std::memcpy(file_.data(), Magic, sizeof Magic);
    used_ = HeaderSize;
    releasedTo_ = 0;
    syncClock_.start();
    sinceSync_ = 0;
    lastPath_.clear();
    folderCount_ = 0;

    // The oldest journals go, so that the newest ones are kept; this run's, named after all of
    // them, is one of those.
    for (qsizetype i = 0; i + KeptJournals < before.size() + 1; ++i)
        QFile::remove(folder_ + u'/' + before.at(i));
    return true;
}

bool RunJournal::reserve(qint64 bytes) {
    if (used_ + bytes <= file_.mappedSize())
        return true;
    qint64 capacity = std::max(file_.mappedSize(), FirstCapacity);
    while (capacity < used_ + bytes)
        capacity *= 2;
    // The space is allocated for real, so a full disk fails here rather than at a store.
    if (const int err = file_.grow(capacity); err != 0) {
        fail(QCoreApplication::translate("RunJournal", "the journal could not grow: %1")
                 .arg(systemError(err)));
        return false;
    }
    return true;
}

void RunJournal::fail(const QString& why) {
    failure_ = why;
    running_ = false;
    pendingStatus_ = -1;
    if (file_.data())
        store<quint32>(file_.data() + FlagsOffset, Broken);
    endRun();
}

void RunJournal::endRun() {
    running_ = false;
    pendingStatus_ = -1;
    if (file_.isOpen())
        file_.closeAt(used_);
    used_ = 0;
}

void RunJournal::aboutToRename(const FolderIdentity& folder, const QString& folderPath,
                               const QString& oldName, const QString& newName) {
    pendingStatus_ = -1;
    // A rename onto the file's own name changes nothing and needs no way back.
    if (!running_ || oldName == newName)
        return;
    if (!file_.data() && !open())
        return;

    if (folderCount_ == 0 || folder != lastIdentity_ || folderPath != lastPath_) {
        const QByteArray path = encodeFileName(folderPath);
        const qint64 payload = 16 + path.size();
        if (!reserve(RecordHead + padded(payload)))
            return;
        writeRecord(file_.data() + used_, FolderKind, 0, payload, payload, [&](char* body) {
            store<quint64>(body, folder.device);
            store<quint64>(body + 8, folder.inode);
            std::memcpy(body + 16, path.constData(), size_t(path.size()));
        });
        used_ += RecordHead + padded(payload);
        lastPath_ = folderPath;
        lastIdentity_ = folder;
        ++folderCount_;
    }

    const NameBytes oldBytes(oldName);
    const NameBytes newBytes(newName);
    const qint64 checked = 8 + oldBytes.size() + newBytes.size();
    const qint64 payload = checked + FileNumberSize;
    if (!reserve(RecordHead + padded(payload)))
        return;
    writeRecord(file_.data() + used_, RenameKind, JournalRecord::Intended, payload, checked,
                [&](char* body) {
                    store<quint32>(body, folderCount_ - 1);
                    store<quint32>(body + 4, quint32(oldBytes.size()));
                    oldBytes.copyTo(body + 8);
                    newBytes.copyTo(body + 8 + oldBytes.size());
                    store<quint64>(body + checked, 0);
                });
    pendingStatus_ = used_ + 1;
    pendingNumber_ = used_ + RecordHead + checked;
    used_ += RecordHead + padded(payload);

    // Every second the records written so far go to disk. Only their data: that the journal's
    // reserved space now holds them is kept with the file system's next commit, which keeps the
    // renames made before it too. A full flush would force that commit each time, and with it
    // every rename made so far, which slows the renames that run meanwhile.
    if ((++sinceSync_ & 63) == 0 && syncClock_.elapsed() >= SyncEveryMs &&
        !flushing_->exchange(true)) {
        file_.flushInBackground(MappedFile::Flush::DataOnly, flushing_);
        syncClock_.start();
    }
    // The records written so far stay in the file and in the page cache, dirty pages included;
    // the process only lets go of its mapping's pages, so that a run of a million renames does
    // not keep its whole journal resident.
    if (used_ - releasedTo_ >= ReleaseEvery)
        releasedTo_ = file_.releasePages(releasedTo_, used_);
}

void RunJournal::setPendingStatus(quint8 status, quint64 fileNumber) {
    if (pendingStatus_ >= 0 && file_.data()) {
        store<quint64>(file_.data() + pendingNumber_, fileNumber);
        file_.data()[pendingStatus_] = char(status);
    }
    pendingStatus_ = -1;
}

void RunJournal::renamed(const QString&, const QString&, const QString&, quint64 fileNumber) {
    setPendingStatus(JournalRecord::Renamed, fileNumber);
}

void RunJournal::failed(const QString&, const QString&, const QString&, int) {
    setPendingStatus(JournalRecord::Failed);
}

JournalFile::~JournalFile() = default;

std::unique_ptr<JournalFile> JournalFile::openNewest(const QString& folder, QString& why) {
    why.clear();
    const QStringList names = journalNames(folder);
    if (names.isEmpty())
        return nullptr;
    const QString path = folder + u'/' + names.last();
    std::unique_ptr<JournalFile> file(new JournalFile);
    file->name_ = names.last();
    const MappedFile::Refusal refusal = file->file_.openExisting(encodeFileName(path));
    if (refusal == MappedFile::Refusal::NotYours) {
        why = QCoreApplication::translate("RunJournal", "The journal %1 is not a file of yours.")
                  .arg(path);
        return nullptr;
    }
    if (refusal == MappedFile::Refusal::Locked) {
        why = QCoreApplication::translate("RunJournal",
                                          "Varnex is renaming these files in another window.");
        return nullptr;
    }
    const qint64 size = file->file_.fileSize();
    if (size >= HeaderSize)
        file->file_.mapAll();
    const char* map = file->file_.data();
    // A run that died while its journal was being made had renamed nothing yet.
    static constexpr char Unwritten[sizeof Magic] = {};
    if (size < HeaderSize || (map && std::memcmp(map, Unwritten, sizeof Unwritten) == 0))
        return file;
    if (!map || std::memcmp(map, Magic, sizeof Magic) != 0 || !file->parse(nullptr)) {
        why = QCoreApplication::translate("RunJournal", "The journal %1 is damaged.").arg(path);
        return nullptr;
    }
    if (load<quint32>(map + FlagsOffset) & Broken) {
        why = QCoreApplication::translate(
            "RunJournal", "The journal of the last run could not be written in full.");
        return nullptr;
    }
    return file;
}

bool JournalFile::parse(QList<JournalRecord>* take) {
    struct Folder {
        QByteArrayView path;
        FolderIdentity identity;
    };
    QList<Folder> folders;
    const char* map = file_.data();
    const qint64 size = file_.mappedSize();
    qint64 pending = 0;
    qint64 at = HeaderSize;
    while (at + RecordHead <= size) {
        const char* head = map + at;
        const char kind = head[0];
        const qint64 payload = load<quint32>(head + 4);
        const bool fits = payload <= size - at - RecordHead;
        const bool numbered = kind == RenameKind;
        const qint64 checked = numbered ? payload - FileNumberSize : payload;
        if (kind == 0 || !fits || checked < 0 ||
            checksum(head + RecordHead, checked) != load<quint32>(head + 8)) {
            // The end, or a record cut short when the program ended mid-store: everything
            // before it stands, and nothing was written after it. Anything written after it
            // makes it a damaged record, whose loss would leave the later renames out unseen.
            const qint64 past = std::min(size, at + RecordHead + (fits ? padded(payload) : 0));
            if (std::any_of(map + past, map + size, [](char c) { return c != 0; }))
                return false;
            break;
        }
        const char* body = head + RecordHead;
        if (kind == FolderKind && payload >= 16) {
            folders.append({QByteArrayView(body + 16, payload - 16),
                            {load<quint64>(body), load<quint64>(body + 8)}});
        } else if ((numbered || kind == UnnumberedRenameKind) && checked >= 8) {
            const quint32 index = load<quint32>(body);
            const qint64 oldSize = load<quint32>(body + 4);
            if (index >= quint32(folders.size()) || oldSize > checked - 8)
                return false;
            JournalRecord r;
            r.status = quint8(head[1]);
            pending += r.pending() ? 1 : 0;
            if (take) {
                r.folder = folders.at(index).path;
                r.identity = folders.at(index).identity;
                r.oldName = QByteArrayView(body + 8, oldSize);
                r.newName = QByteArrayView(body + 8 + oldSize, checked - 8 - oldSize);
                r.fileNumber = numbered ? load<quint64>(body + checked) : 0;
                r.statusOffset = at + 1;
                take->append(r);
            }
        } else {
            return false;
        }
        at += RecordHead + padded(payload);
    }
    pendingCount_ = pending;
    return true;
}

QList<JournalRecord>& JournalFile::records() {
    if (!listed_ && file_.data()) {
        records_.reserve(pendingCount_);
        parse(&records_);
    }
    listed_ = true;
    return records_;
}

void JournalFile::setStatus(JournalRecord& record, JournalRecord::Status status) {
    record.status = status;
    file_.data()[record.statusOffset] = char(status);
}

void JournalFile::sync() {
    file_.syncMapping();
}

} // namespace varnex
