#pragma once

#include <QMenuBar>

class QAction;

namespace varnex {
struct UndoAvailability;
}

namespace varnex {

class frmVarnex;

// The menu bar above the form. Each item runs the command of the button it stands for, so the
// menus add ways to reach commands and change none of them.
class MenuBar final : public QMenuBar {
    Q_OBJECT
public:
    explicit MenuBar(frmVarnex& window);

    QMenu* fileMenu = nullptr;
    QMenu* editMenu = nullptr;
    QMenu* viewMenu = nullptr;
    QMenu* helpMenu = nullptr;

    QAction* open = nullptr;
    QAction* close = nullptr;
    QAction* closeAll = nullptr;
    QAction* exit = nullptr;
    QAction* undo = nullptr;
    QAction* previewNewNames = nullptr;
    QAction* refresh = nullptr;
    QAction* help = nullptr;
    QAction* about = nullptr;

    // The file list's commands are there in files mode only, like its buttons.
    void setFilesMode(bool filesMode);
    // Running, the commands that the window's buttons lock are locked too, and Undo.
    void setRunning(bool running);
    // Undo's caption, tooltip and state.
    void setUndo(const UndoAvailability& availability);

    // The About box: version, license and what Varnex does.
    void showAbout();

Q_SIGNALS:
    void refreshRequested();

private:
    frmVarnex& window_;
};

} // namespace varnex
