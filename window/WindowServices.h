#pragma once

#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "selection/FolderChoice.h"
#include "selection/OpenFileDialog.h"
#include "settings/SettingsStore.h"

#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace varnex {

// Everything the window reaches outside itself. The program uses the desktop's services;
// tests and benchmarks hand in their own (a scripted message box, a store in a temporary
// folder, dialogs that answer at once).
struct WindowServices {
    FileSystem* fileSystem = nullptr;
    MessageBox* messageBox = nullptr;
    EventPump* eventPump = nullptr;
    SettingsStore* settings = nullptr;
    OpenFileDialog* openDialog = nullptr;
    FolderChooser* folderChooser = nullptr;
    // The folder that holds the program: the default folder, and where the help lies.
    QString programFolder;
    // Where the journals of the runs are kept; empty for the default folder.
    QString journalFolder;
    // The folder the window opens with in place of the stored one (one given on the command
    // line); empty for the stored one.
    QString startFolder;
    // Ends the program once the settings are written.
    std::function<void()> endProgram;
};

// The real services of the desktop: the POSIX file system, the toolkit's message box, event
// pump and dialogs, and the per-user settings store.
class DesktopServices {
public:
    DesktopServices();
    ~DesktopServices();
    DesktopServices(const DesktopServices&) = delete;
    DesktopServices& operator=(const DesktopServices&) = delete;

    // The services, with dialogs and message boxes modal to `window`.
    WindowServices services(QWidget* window);

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace varnex
