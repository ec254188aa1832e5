#include "FolderChoice.h"

#include <QCoreApplication>
#include <QDir>

namespace varnex {

QString folderChooserTitle() {
    return QCoreApplication::translate("FolderChoice", "Select a folder");
}

namespace {

bool isRootText(const QString& path) {
    if (path.size() == 1)
        return path == QDir::separator();
    // A drive's root: a letter, a colon and the separator.
    return path.size() == 3 && path.at(0).isLetter() && path.at(1) == QLatin1Char(':') &&
           path.at(2) == QDir::separator();
}

} // namespace

QString chosenFolderText(const QString& path) {
    QString text = QDir::toNativeSeparators(path);
    while (text.size() > 1 && text.endsWith(QDir::separator()) && !isRootText(text))
        text.chop(1);
    return text;
}

std::optional<QString> browseForFolder(FolderChooser& chooser) {
    const std::optional<QString> chosen = chooser.chooseFolder(folderChooserTitle());
    if (!chosen || chosen->isEmpty())
        return std::nullopt;
    return chosenFolderText(*chosen);
}

} // namespace varnex
