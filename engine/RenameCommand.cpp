#include "RenameCommand.h"

#include "platform/AppInfo.h"
#include "platform/Text.h"

#include <QCoreApplication>

namespace varnex {

namespace {

const QChar LineBreak = u'\r';

Message okMessage(QString text, Icon icon) {
    Message m;
    m.text = std::move(text);
    m.title = applicationTitle();
    m.buttons = Buttons::Ok;
    m.icon = icon;
    m.defaultButton = 0;
    return m;
}

// A counted line: the singular text for 1, the plural one for more; nothing for 0.
QString countLine(qint64 count, const QString& one, const QString& several, bool lineBreak) {
    if (count == 0)
        return {};
    const QString line = QString::number(count) % (count == 1 ? one : several);
    return lineBreak ? line % LineBreak : line;
}

// The tests of one text that must not be empty.
std::optional<ValidationFailure> requireText(const QString& text, const QString& emptyMessage,
                                             TextBox box) {
    if (text.isEmpty())
        return ValidationFailure{emptyMessage, box};
    if (CheckForIllegalCharacters(text))
        return ValidationFailure{IllegalCharactersMessage(), box};
    return std::nullopt;
}

} // namespace

bool CheckForIllegalCharacters(const QString& text) {
    static const QChar illegal[] = {u'\\', u'/', u':', u'*', u'?', u'"', u'<', u'>', u'|'};
    for (const QChar c : illegal) {
        if (text.contains(c))
            return true;
    }
    return false;
}

QString IllegalCharactersMessage() {
    return QCoreApplication::translate(
               "RenameCommand", "A filename cannot contain any of the following characters:") %
           LineBreak % QStringLiteral("\\ / : * ? ") % QChar(u'"') % QStringLiteral("  < > |");
}

std::optional<ValidationFailure> ValidateTexts(const CommandTexts& texts) {
    switch (texts.renameType) {
    case RenameType::ReplaceText:
        if (auto failure = requireText(
                texts.find,
                QCoreApplication::translate("RenameCommand", "You must enter a string to find."),
                TextBox::Find))
            return failure;
        // An empty replacement removes the found text.
        if (!texts.replace.isEmpty() && CheckForIllegalCharacters(texts.replace))
            return ValidationFailure{IllegalCharactersMessage(), TextBox::Replace};
        return std::nullopt;
    case RenameType::Prepend:
        return requireText(
            texts.prepend,
            QCoreApplication::translate("RenameCommand", "You must enter a string to prepend."),
            TextBox::Prepend);
    case RenameType::Postpend:
        return requireText(
            texts.postpend,
            QCoreApplication::translate("RenameCommand", "You must enter a string to postpend."),
            TextBox::Postpend);
    case RenameType::ConvertCase:
    case RenameType::None:
        break;
    }
    return std::nullopt;
}

QString RunSummary(const RunCounters& counters, qint64 foldersSearched) {
    QString head;
    if (counters.FilesRenamed == 0)
        head = QCoreApplication::translate(
            "RenameCommand", "No files were found that meet the replacement criteria.");
    else
        head = QCoreApplication::translate("RenameCommand", "Finished renaming ") %
               QString::number(counters.FilesRenamed) %
               (counters.FilesRenamed == 1
                    ? QCoreApplication::translate("RenameCommand", " file.")
                    : QCoreApplication::translate("RenameCommand", " files.", nullptr,
                                                  pluralCount(counters.FilesRenamed)));

    return head % LineBreak % LineBreak %
           QCoreApplication::translate("RenameCommand", "Folders searched: ") %
           QString::number(foldersSearched) % LineBreak %
           QCoreApplication::translate("RenameCommand", "Files processed: ") %
           QString::number(counters.FilesProcessed) % LineBreak % LineBreak %
           countLine(counters.ReadOnlySkipped,
                     QCoreApplication::translate("RenameCommand",
                                                 " Read Only file was found but not renamed."),
                     QCoreApplication::translate("RenameCommand",
                                                 " Read Only files were found but not renamed."),
                     true) %
           countLine(counters.HiddenSkipped,
                     QCoreApplication::translate("RenameCommand",
                                                 " Hidden file was found but not renamed."),
                     QCoreApplication::translate("RenameCommand",
                                                 " Hidden files were found but not renamed."),
                     true) %
           countLine(counters.SystemSkipped,
                     QCoreApplication::translate("RenameCommand",
                                                 " System file was found but not renamed."),
                     QCoreApplication::translate("RenameCommand",
                                                 " System files were found but not renamed."),
                     true) %
           countLine(counters.FilesFailed,
                     QCoreApplication::translate("RenameCommand", " file could not be renamed."),
                     QCoreApplication::translate("RenameCommand", " files could not be renamed."),
                     false);
}

void RunRenameCommand(RenameEngine& engine, RenameCommandHost& host, FileListAccess& list,
                      MessageBox& messages) {
    if (const std::optional<ValidationFailure> failure = ValidateTexts(host.commandTexts())) {
        messages.show(okMessage(failure->message, Icon::Critical));
        host.focusTextBox(failure->focus);
        return;
    }

    host.setRunning(true);
    engine.startRun();
    qint64 foldersSearched = 1;
    switch (host.selectionMode()) {
    case SelectionMode::Files:
        // The figures of a list run: the distinct folders of the files handed to renaming.
        foldersSearched = engine.renameList(list);
        break;
    case SelectionMode::Folder: {
        int dirCount = 0;
        engine.FindFilesAPI(host.folderPath(), QStringLiteral("*.*"), dirCount);
        host.refreshFolderView();
        foldersSearched = engine.choices().recursive() ? qint64(dirCount) + 1 : 1;
        break;
    }
    case SelectionMode::None:
        break;
    }
    host.setRunning(false);
    if (host.closing())
        return;
    messages.show(okMessage(RunSummary(engine.counters, foldersSearched), Icon::Information));
}

} // namespace varnex
