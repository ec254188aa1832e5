#include "WindowServices.h"

#include "platform/PosixFileSystem.h"
#include "platform/QtEventPump.h"
#include "platform/QtMessageBox.h"
#include "settings/QSettingsStore.h"
#include "window/QtDialogs.h"

#include <QCoreApplication>

namespace varnex {

struct DesktopServices::Impl {
    PosixFileSystem fileSystem;
    QtMessageBox messageBox;
    QtEventPump eventPump;
    QSettingsStore settings;
    std::unique_ptr<QtOpenFileDialog> openDialog;
    std::unique_ptr<QtFolderChooser> folderChooser;
};

DesktopServices::DesktopServices() : d_(std::make_unique<Impl>()) {}

DesktopServices::~DesktopServices() = default;

WindowServices DesktopServices::services(QWidget* window) {
    d_->messageBox.setParent(window);
    d_->openDialog = std::make_unique<QtOpenFileDialog>(window);
    d_->folderChooser = std::make_unique<QtFolderChooser>(window);

    WindowServices s;
    s.fileSystem = &d_->fileSystem;
    s.messageBox = &d_->messageBox;
    s.eventPump = &d_->eventPump;
    s.settings = &d_->settings;
    s.openDialog = d_->openDialog.get();
    s.folderChooser = d_->folderChooser.get();
    s.programFolder = QCoreApplication::applicationDirPath();
    s.endProgram = [] {
        QCoreApplication::exit(0);
    };
    return s;
}

} // namespace varnex
