#pragma once

#include <QString>
#include <optional>

namespace varnex {

// The modal folder chooser, behind an interface so that tests can answer it. It lets the user
// confirm folders of the file system only.
class FolderChooser {
public:
    virtual ~FolderChooser() = default;
    // The chosen folder's path, or std::nullopt when the user cancelled.
    virtual std::optional<QString> chooseFolder(const QString& title) = 0;
};

// The chooser's title.
QString folderChooserTitle();

// A chosen folder's path as the window shows and stores it: native separators, a root folder
// with its separator ("/", "C:\"), every other folder without a trailing one.
QString chosenFolderText(const QString& path);

// The "&Browse..." command: asks for a folder. std::nullopt when the user cancelled (nothing on
// the window changes then); otherwise the path for the folder label, its tool tip and the two
// folder previews.
std::optional<QString> browseForFolder(FolderChooser& chooser);

} // namespace varnex
