#include "UndoCommand.h"

#include "RunJournal.h"
#include "platform/PosixFileSystem.h"
#include "platform/Text.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QLocale>

namespace varnex {

namespace {

QString number(qint64 n) {
    return QLocale().toString(n);
}

// Which file `name` in `folder` is now (Folder::lastFileNumber()); 0 when there is none or the
// folder cannot tell. The query serves the rename of `name` that may follow.
quint64 fileNumberAt(Folder& folder, const QString& name) {
    return folder.entryAttributes(name, attr::Invalid) == attr::Invalid ? 0
                                                                        : folder.lastFileNumber();
}

} // namespace

UndoAvailability undoAvailability(const QString& journalFolder, const QString& runFailure) {
    UndoAvailability a;
    if (!runFailure.isEmpty()) {
        a.why = QCoreApplication::translate(
                    "UndoCommand",
                    "The last run cannot be undone: its journal could not be written (%1).")
                    .arg(runFailure);
        return a;
    }
    const std::unique_ptr<JournalFile> journal = JournalFile::openNewest(journalFolder, a.why);
    if (!journal)
        return a;
    a.count = journal->pendingCount();
    a.journal = journal->name();
    return a;
}

UndoReader::UndoReader(Show show) : show_(std::move(show)) {}

UndoReader::~UndoReader() {
    // The thread's last act is to post its answer to this object, which drops it when it goes.
    hold();
}

void UndoReader::read(const QString& journalFolder, const QString& runFailure) {
    if (thread_.joinable()) {
        next_.emplace(journalFolder, runFailure);
        return;
    }
    const quint64 reading = ++readings_;
    thread_ = std::thread([this, journalFolder, runFailure, reading] {
        const UndoAvailability availability = undoAvailability(journalFolder, runFailure);
        QMetaObject::invokeMethod(
            this, [this, availability, reading] { arrived(availability, reading); },
            Qt::QueuedConnection);
    });
}

void UndoReader::hold() {
    if (thread_.joinable())
        thread_.join();
    ++readings_;
    next_.reset();
}

void UndoReader::arrived(const UndoAvailability& availability, quint64 reading) {
    // A held reading's thread was joined by hold(); this answer is stale.
    if (reading != readings_)
        return;
    thread_.join();
    show_(availability);
    if (next_) {
        const auto [journalFolder, runFailure] = *std::exchange(next_, std::nullopt);
        read(journalFolder, runFailure);
    }
}

QString undoCaption(const UndoAvailability& availability) {
    if (availability.count <= 0)
        return QCoreApplication::translate("UndoCommand", "&Undo");
    if (availability.count == 1)
        return QCoreApplication::translate("UndoCommand", "&Undo Rename of 1 File");
    return QCoreApplication::translate("UndoCommand", "&Undo Rename of %1 Files")
        .arg(number(availability.count));
}

QString undoToolTip(const UndoAvailability& availability) {
    if (!availability.why.isEmpty())
        return availability.why;
    if (availability.count <= 0)
        return QCoreApplication::translate("UndoCommand", "Nothing to undo.");
    return QCoreApplication::translate("UndoCommand",
                                       "Gives the files of the last run their names back.");
}

UndoOutcome undoNewestRun(FileSystem& fs, const QString& journalFolder, EventPump& events,
                          const QString& expected) {
    UndoOutcome out;
    const std::unique_ptr<JournalFile> journal = JournalFile::openNewest(journalFolder, out.why);
    if (!journal) {
        if (out.why.isEmpty())
            out.why = QCoreApplication::translate("UndoCommand", "Nothing to undo.");
        return out;
    }
    if (!expected.isEmpty() && journal->name() != expected) {
        out.why = QCoreApplication::translate(
            "UndoCommand",
            "Varnex has renamed files in another window since. Nothing was undone: the Undo "
            "item now names that run.");
        return out;
    }
    QList<JournalRecord>& records = journal->records();
    const auto report = [&](const QString& path, const QString& reason) {
        if (out.problems.size() < UndoOutcome::MaxListedProblems)
            out.problems.append(
                QCoreApplication::translate("UndoCommand", "%1: %2").arg(path, reason));
        ++out.problemCount;
    };

    // One folder open at a time: the records of one folder follow one another.
    std::unique_ptr<Folder> folder;
    QByteArrayView folderBytes;
    FolderIdentity folderIdentity;
    QString path;
    bool opened = false;
    QElapsedTimer sinceSync;
    sinceSync.start();
    for (qsizetype i = records.size() - 1; i >= 0; --i) {
        JournalRecord& r = records[i];
        if (!r.pending())
            continue;
        if (!opened || r.folder != folderBytes || r.identity != folderIdentity) {
            folderBytes = r.folder;
            folderIdentity = r.identity;
            path = decodeFileName(r.folder);
            folder = fs.openFolderChecked(path, r.identity);
            opened = true;
        }
        const QString oldName = decodeFileName(r.oldName);
        const QString newName = decodeFileName(r.newName);
        if (!folder) {
            report(path + newName,
                   QCoreApplication::translate("UndoCommand",
                                               "its folder is gone or is another folder now"));
            journal->setStatus(r, JournalRecord::Settled);
            continue;
        }
        const quint64 atNewName = r.fileNumber != 0 ? fileNumberAt(*folder, newName) : 0;
        if (atNewName != 0 && atNewName != r.fileNumber) {
            // Another file has the new name now: it is not this undo's to rename. The renamed
            // file may be back under its old name already.
            if (fileNumberAt(*folder, oldName) != r.fileNumber)
                report(path + newName, QCoreApplication::translate(
                                           "UndoCommand", "another file has this name now"));
            journal->setStatus(r, JournalRecord::Settled);
            continue;
        }
        const FsError error = folder->rename(newName, oldName);
        if (error.ok()) {
            journal->setStatus(r, JournalRecord::Undone);
            ++out.undone;
            out.restored.append({path + newName, path + oldName});
        } else {
            const bool oldThere = folder->entryAttributes(oldName, attr::Invalid) != attr::Invalid;
            const bool newThere = folder->entryAttributes(newName, attr::Invalid) != attr::Invalid;
            // The rename never happened (or was taken back already): nothing to report. A
            // record of a run that died right before its rename may find both names taken.
            const bool neverHappened =
                oldThere && (!newThere || r.status == JournalRecord::Intended);
            if (!neverHappened) {
                if (!newThere)
                    report(path + newName,
                           QCoreApplication::translate("UndoCommand", "the file is gone"));
                else if (oldThere)
                    report(path + newName,
                           QCoreApplication::translate("UndoCommand", "its old name %1 is taken")
                               .arg(oldName));
                else
                    report(path + newName, error.description);
            }
            journal->setStatus(r, JournalRecord::Settled);
        }
        if (sinceSync.elapsed() >= 1000) {
            journal->sync();
            sinceSync.start();
        }
        events.processEvents();
    }
    journal->sync();
    return out;
}

QString undoSummary(const UndoOutcome& outcome) {
    if (!outcome.why.isEmpty())
        return outcome.why;
    QString text = outcome.undone == 1
                       ? QCoreApplication::translate("UndoCommand", "Undid 1 rename.")
                       : QCoreApplication::translate("UndoCommand", "Undid %1 renames.", nullptr,
                                                     pluralCount(outcome.undone))
                             .arg(number(outcome.undone));
    if (outcome.problemCount > 0) {
        text += u"\r\r";
        text += outcome.problemCount == 1
                    ? QCoreApplication::translate("UndoCommand", "1 file could not be restored:")
                    : QCoreApplication::translate("UndoCommand", "%1 files could not be restored:")
                          .arg(number(outcome.problemCount));
        for (const QString& line : outcome.problems)
            text += u'\r' + line;
        if (outcome.problemCount > outcome.problems.size())
            text += u'\r' + QCoreApplication::translate("UndoCommand", "and %1 more.")
                                .arg(number(outcome.problemCount - outcome.problems.size()));
    }
    return text;
}

void restoreListEntries(FileListAccess& list, const QList<RestoredName>& restored) {
    if (restored.isEmpty())
        return;
    QHash<QString, FileListAccess::EntryId> byText;
    for (const FileListAccess::EntryId id : list.entryIds()) {
        if (const std::optional<QString> text = list.entryText(id))
            byText.insert(*text, id);
    }
    // Newest first, as undone: a chain of names ends with each entry at its first name.
    for (const RestoredName& name : restored) {
        const auto it = byText.constFind(name.from);
        if (it == byText.cend())
            continue;
        const FileListAccess::EntryId id = it.value();
        byText.erase(it);
        list.setEntryText(id, name.to);
        byText.insert(name.to, id);
    }
}

} // namespace varnex
