#pragma once

// The main window on test services: the real file system (or a fake one), a scripted message
// box that answers OK to plain messages, a counting event pump, an in-memory settings store
// (or any other), scripted Open dialog and folder chooser, a temporary program folder and an
// end of the program that only counts. Nothing here shows a modal window or touches the
// user's own settings.

#include "platform/PosixFileSystem.h"
#include "support/MemorySettingsStore.h"
#include "support/ScriptedDialogs.h"
#include "support/TestSupport.h"
#include "window/frmVarnex.h"

#include <QTemporaryDir>
#include <memory>

namespace varnex {

class WindowRig {
public:
    // Null arguments stand for the rig's own PosixFileSystem and MemorySettingsStore.
    explicit WindowRig(SettingsStore* settings = nullptr, FileSystem* fileSystem = nullptr);
    ~WindowRig();
    WindowRig(const WindowRig&) = delete;
    WindowRig& operator=(const WindowRig&) = delete;

    PosixFileSystem posix;
    MemorySettingsStore memory;
    ScriptedMessageBox box;
    CountingEventPump pump;
    ScriptedOpenDialog openDialog;
    ScriptedChooser chooser;
    QTemporaryDir programDir;
    int endProgramCalls = 0;
    // Where the runs' journals go; empty for a folder of the rig's own.
    QString journalFolder;
    // The folder the window opens with in place of the stored one; empty for the stored one.
    QString startFolder;

    // The window, built on first use without starting it.
    frmVarnex& window();
    // Builds the window, runs Form_Load and waits until the window is active.
    frmVarnex& start();

private:
    SettingsStore* settings_;
    FileSystem* fileSystem_;
    std::unique_ptr<frmVarnex> window_;
};

// Creates empty files (and their folders) under `root`; names are relative and use "/".
void makeFiles(const QString& root, const QStringList& relativePaths);

// The names in a folder, hidden ones included, in code-point order.
QStringList namesIn(const QString& folder);

} // namespace varnex
