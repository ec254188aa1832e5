#include "OpenCommand.h"

#include "platform/AppInfo.h"
#include "platform/FileSystem.h"
#include "settings/StoredChoices.h"

#include <QCoreApplication>
#include <QDir>

namespace varnex {

namespace {

QString generalFailureHeadline() {
    return QCoreApplication::translate("OpenCommand", "The following error occured:");
}
QString tooManyFilesHeadline() {
    return QCoreApplication::translate(
        "OpenCommand", "Windows cannot open this many files at once. Try opening fewer files.");
}

constexpr QChar CarriageReturn(13);

// The folder part of a full path, up to and including its last separator.
QString folderOf(const QString& path, const QString& separator) {
    return path.left(path.lastIndexOf(separator) + 1);
}

} // namespace

QList<FileFilter> openFileFilters() {
    return {
        {QCoreApplication::translate("OpenCommand", "All Files (*.*)"), {QStringLiteral("*")}},
        {QCoreApplication::translate("OpenCommand", "Text Files(*.txt)"),
         {QStringLiteral("*.txt")}},
        {QCoreApplication::translate("OpenCommand", "HTML Files (*.html;*.htm)"),
         {QStringLiteral("*.html"), QStringLiteral("*.htm")}},
    };
}

QString programFolder() {
    const QString folder = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    return folder.endsWith(nativeSeparator()) ? folder : folder % nativeSeparator();
}

QString openFailureText(const QString& headline, int number, const QString& source,
                        const QString& description) {
    return headline % CarriageReturn % CarriageReturn %
           errorDetailsText(FsError{number, source, description});
}

OpenCommand::OpenCommand(FileList& list, OpenFileDialog& dialog, SettingsStore& settings,
                         MessageBox& messages, EventPump& events, QString defaultFolder)
    : list_(list), dialog_(dialog), settings_(settings), messages_(messages), events_(events),
      defaultFolder_(defaultFolder.isEmpty() ? programFolder() : std::move(defaultFolder)) {}

void OpenCommand::cmdOpen_Click() {
    // Events run between added names; a second Open started then waits for this one to end.
    if (running_)
        return;
    running_ = true;
    const struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{running_};

    OpenFileDialog::Request request;
    request.initialFolder = readOpenPath(settings_, defaultFolder_);
    request.filters = openFileFilters();
    // A stored index that is not usable must not keep the dialog from opening: start on the
    // default filter, and the next confirmed choice stores a good value again.
    request.filterIndex = readOpenFilterIndex(settings_).value_or(kDefaultOpenFilterIndex);

    const OpenFileDialog::Result result = dialog_.show(request);
    switch (result.status) {
    case OpenFileDialog::Status::Cancelled:
        return;
    case OpenFileDialog::Status::ResultTooLarge:
        showFailure(tooManyFilesHeadline(), result);
        return;
    case OpenFileDialog::Status::Failed:
        showFailure(generalFailureHeadline(), result);
        return;
    case OpenFileDialog::Status::Accepted:
        break;
    }

    if (result.paths.isEmpty())
        return;

    const int filterIndex = result.filterIndex >= 1 && result.filterIndex <= request.filters.size()
                                ? result.filterIndex
                                : request.filterIndex;
    writeOpenChoice(settings_, filterIndex, folderOf(result.paths.first(), nativeSeparator()));

    list_.ListWasEmpty = list_.model().count() == 0;
    list_.beginAdding();
    const struct EndAdding {
        FileList& list;
        ~EndAdding() { list.endAdding(); }
    } endAdding{list_};
    for (qsizetype i = 0; i < result.paths.size(); ++i) {
        if (i > 0)
            events_.processEvents();
        list_.AddListItem(result.paths.at(i));
    }
}

void OpenCommand::showFailure(const QString& headline, const OpenFileDialog::Result& result) {
    Message message;
    message.text =
        openFailureText(headline, result.errorNumber, result.errorSource, result.errorDescription);
    message.title = applicationTitle();
    message.buttons = Buttons::Ok;
    message.icon = Icon::Critical;
    messages_.show(message);
}

} // namespace varnex
