#pragma once

#include "selection/FolderChoice.h"
#include "selection/OpenFileDialog.h"

class QWidget;

namespace varnex {

// The Open dialog on QFileDialog: several existing files, the file-type list with its
// selected entry set and read back, and the starting folder.
class QtOpenFileDialog : public OpenFileDialog {
public:
    explicit QtOpenFileDialog(QWidget* parent) : parent_(parent) {}
    Result show(const Request& request) override;

private:
    QWidget* parent_;
};

// The folder chooser on QFileDialog, limited to folders.
class QtFolderChooser : public FolderChooser {
public:
    explicit QtFolderChooser(QWidget* parent) : parent_(parent) {}
    std::optional<QString> chooseFolder(const QString& title) override;

private:
    QWidget* parent_;
};

} // namespace varnex
