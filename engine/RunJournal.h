#pragma once

#include "RenameObserver.h"
#include "platform/FileSystem.h"
#include "platform/MappedFile.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <atomic>
#include <memory>

namespace varnex {

// Where the journals of the runs live: $XDG_STATE_HOME/Varnex, or ~/.local/state/Varnex when
// XDG_STATE_HOME is not set (or not an absolute path).
QString defaultJournalFolder();

// How many journals are kept: the newest ones, by the time their run started.
inline constexpr int KeptJournals = 10;

// One rename written down in a journal. The names and the folder path are the exact bytes on
// disk, seen in place in the journal's mapping, so a record is valid only while its JournalFile
// is open; the status is updated in place as the run and later the undo go on.
struct JournalRecord {
    enum Status : quint8 {
        Intended = 0, // written before the rename; a run that died may not have made it
        Renamed = 1,  // the rename was made
        Failed = 2,   // the rename failed; the file kept its name
        Undone = 3,   // an undo renamed the file back
        Settled = 4,  // an undo passed it over or reported it: never tried again
    };
    QByteArrayView folder; // ends with '/'
    FolderIdentity identity;
    QByteArrayView oldName;
    QByteArrayView newName;
    quint64 fileNumber = 0; // which file was renamed (its inode); 0 when not known
    quint8 status = Intended;
    qint64 statusOffset = 0; // where the status byte lies in the file

    // Still to be undone: made, or possibly made by a run that died.
    bool pending() const { return status == Intended || status == Renamed; }
};

// Writes the journal of each run: one record before every rename, its outcome right after.
// The file is mapped into memory, so a record is in the kernel's hands (and survives the death
// of the process) the moment it is stored, without a system call per rename; it is flushed to
// disk every second of a run and at its end, on a pool thread, so the run never waits for it. The
// journal file is created at the first rename of a run, so a run that renames nothing leaves the
// last journal the newest. When the journal cannot be written the run goes on: failure() says why,
// and that run cannot be undone.
class RunJournal final : public RenameObserver {
public:
    explicit RunJournal(QString folder);
    ~RunJournal() override;
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;

    const QString& folder() const { return folder_; }

    // A run starts: its first rename opens a new journal.
    void beginRun();
    // The run has ended: the journal is flushed, cut to its length and closed.
    void endRun();
    // Empty while the journal of the last run is sound; why it is not otherwise.
    const QString& failure() const { return failure_; }

    void aboutToRename(const FolderIdentity& folder, const QString& folderPath,
                       const QString& oldName, const QString& newName) override;
    void renamed(const QString& folderPath, const QString& oldName, const QString& newName,
                 quint64 fileNumber) override;
    void failed(const QString& folderPath, const QString& oldName, const QString& newName,
                int errorNumber) override;
    void skipped(const QString&, const QString&, quint32) override {}
    void tooLong(const QString&, const QString&, const QString&) override {}

private:
    bool open();
    bool reserve(qint64 bytes);
    void fail(const QString& why);
    void setPendingStatus(quint8 status, quint64 fileNumber = 0);

    QString folder_;
    QString failure_;
    bool running_ = false;
    MappedFile file_;
    qint64 used_ = 0;
    qint64 pendingStatus_ = -1; // status byte of the record whose rename is under way
    qint64 pendingNumber_ = 0;  // and where its file number goes
    qint64 sinceSync_ = 0;
    qint64 releasedTo_ = 0; // the mapping's pages before this offset were let go
    // Set while a flush of the journal runs on a pool thread.
    std::shared_ptr<std::atomic<bool>> flushing_ = std::make_shared<std::atomic<bool>>(false);
    QElapsedTimer syncClock_;
    // The folder of the last record, so that consecutive records of one folder share it.
    QString lastPath_;
    FolderIdentity lastIdentity_;
    quint32 folderCount_ = 0;
};

// The newest journal in a folder, opened for reading and for the undo's status updates. Only
// a regular file owned by the user is read, never through a symbolic link. The file is locked
// while open, so one journal is undone by one process at a time and never while its run goes
// on.
class JournalFile {
public:
    ~JournalFile();
    JournalFile(const JournalFile&) = delete;
    JournalFile& operator=(const JournalFile&) = delete;

    // nullptr when there is none or it cannot be used; `why` then tells the user why (empty
    // when there is simply no journal).
    static std::unique_ptr<JournalFile> openNewest(const QString& folder, QString& why);

    // The journal's file name, which tells it from every other journal.
    const QString& name() const { return name_; }
    // The number of records still to be undone, counted without reading them into a list.
    qint64 pendingCount() const { return pendingCount_; }
    // The records in the order they were written. A record cut short or damaged ends them. The
    // list is made on the first call: asking whether there is anything to undo after a run of a
    // million files must not cost a copy of the journal.
    QList<JournalRecord>& records();
    // Records the undo's outcome for `record` in the file at once.
    void setStatus(JournalRecord& record, JournalRecord::Status status);
    // Flushes the status updates to disk.
    void sync();

private:
    JournalFile() = default;
    // Reads the records in order, handing each to `take` (when given). False when the journal
    // is damaged beyond a record cut short at its end.
    bool parse(QList<JournalRecord>* take);

    MappedFile file_;
    QString name_;
    qint64 pendingCount_ = 0;
    bool listed_ = false;
    QList<JournalRecord> records_;
};

} // namespace varnex
