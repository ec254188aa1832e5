#include "QtDialogs.h"

#include <QDir>
#include <QFileDialog>

namespace varnex {

namespace {

// QFileDialog reads a filter's patterns from the parentheses at its end. The description is
// shown as it is (HideNameFilterDetails hides the added patterns), and the patterns may differ
// from what the description says: "All Files (*.*)" must also show names without a dot.
QString qtNameFilter(const FileFilter& filter) {
    return filter.description % QStringLiteral(" (") % filter.patterns.join(QLatin1Char(' ')) %
           QLatin1Char(')');
}

} // namespace

OpenFileDialog::Result QtOpenFileDialog::show(const Request& request) {
    QStringList nameFilters;
    nameFilters.reserve(request.filters.size());
    for (const FileFilter& filter : request.filters)
        nameFilters.append(qtNameFilter(filter));

    QFileDialog dialog(parent_);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    // A desktop's own dialog may show only a filter's text before its first "(": Qt's dialog
    // shows the filters' captions exactly as they are written.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setDirectory(request.initialFolder);
    dialog.setNameFilters(nameFilters);
    if (request.filterIndex >= 1 && request.filterIndex <= nameFilters.size())
        dialog.selectNameFilter(nameFilters.at(request.filterIndex - 1));

    Result result;
    if (dialog.exec() != QDialog::Accepted)
        return result; // Cancelled
    result.status = Status::Accepted;
    const QStringList files = dialog.selectedFiles();
    for (const QString& file : files)
        result.paths.append(QDir::toNativeSeparators(file));
    // With the patterns hidden the dialog names the selected filter by its shown text.
    const QString selected = dialog.selectedNameFilter();
    result.filterIndex = request.filterIndex;
    for (qsizetype i = 0; i < nameFilters.size(); ++i) {
        if (selected == nameFilters.at(i) ||
            selected == request.filters.at(i).description.simplified()) {
            result.filterIndex = int(i) + 1;
            break;
        }
    }
    return result;
}

std::optional<QString> QtFolderChooser::chooseFolder(const QString& title) {
    const QString folder =
        QFileDialog::getExistingDirectory(parent_, title, QString(), QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(folder);
}

} // namespace varnex
