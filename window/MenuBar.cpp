#include "MenuBar.h"

#include "engine/UndoCommand.h"
#include "platform/AppInfo.h"
#include "window/frmVarnex.h"

#include <QAction>
#include <QMenu>
#include <QRegularExpression>

namespace varnex {

namespace {

QString withoutMarker(QString caption) {
    caption.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    return caption;
}

QMenu* menu(QMenuBar* bar, const QString& caption) {
    QMenu* m = bar->addMenu(caption);
    m->setAccessibleName(withoutMarker(caption));
    return m;
}

QAction* item(QMenu* menu, const QString& caption, const QKeySequence& keys = {}) {
    QAction* action = menu->addAction(caption);
    action->setShortcut(keys);
    return action;
}

} // namespace

MenuBar::MenuBar(frmVarnex& window) : QMenuBar(&window), window_(window) {
    setObjectName(QStringLiteral("menuBar"));
    setAccessibleName(tr("Menu bar"));

    // "Hel&p" rather than "&Help": Alt+H belongs to the Help button.
    fileMenu = menu(this, tr("&File"));
    open = item(fileMenu, tr("&Open..."), QKeySequence(Qt::CTRL | Qt::Key_O));
    close = item(fileMenu, tr("&Close"), QKeySequence(Qt::Key_Delete));
    closeAll = item(fileMenu, tr("Close &All"));
    fileMenu->addSeparator();
    exit = item(fileMenu, tr("E&xit"), QKeySequence(Qt::CTRL | Qt::Key_Q));

    editMenu = menu(this, tr("&Edit"));
    undo = item(editMenu, tr("&Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z));
    undo->setEnabled(false); // until the journals are read
    editMenu->setToolTipsVisible(true);

    viewMenu = menu(this, tr("&View"));
    previewNewNames = item(viewMenu, tr("&Preview New Names"));
    previewNewNames->setCheckable(true);
    refresh = item(viewMenu, tr("&Refresh"), QKeySequence(Qt::Key_F5));

    helpMenu = menu(this, tr("Hel&p"));
    help = item(helpMenu, tr("&Help"), QKeySequence(Qt::Key_F1));
    about = item(helpMenu, tr("&About Varnex"));

    // The Delete key deletes text in a text box; the list's Close takes it elsewhere only.
    close->setShortcutContext(Qt::WindowShortcut);

    connect(open, &QAction::triggered, &window, &frmVarnex::cmdOpen_Click);
    connect(close, &QAction::triggered, &window, &frmVarnex::cmdClose_Click);
    connect(closeAll, &QAction::triggered, &window, &frmVarnex::cmdCloseAll_Click);
    connect(exit, &QAction::triggered, &window, &frmVarnex::cmdExit_Click);
    connect(help, &QAction::triggered, &window, &frmVarnex::cmdHelp_Click);
    connect(about, &QAction::triggered, this, &MenuBar::showAbout);
    connect(refresh, &QAction::triggered, this, &MenuBar::refreshRequested);
}

void MenuBar::showAbout() {
    window_.services().messageBox->show(
        {tr("%1 %2.%3.%4\r\rRenames many files at once: replace text, prepend, postpend or "
            "convert case, with a preview of every new name.\r\rLicense: MIT (the LICENSE file "
            "that comes with Varnex).")
             .arg(applicationTitle())
             .arg(Version{}.major)
             .arg(Version{}.minor)
             .arg(Version{}.revision),
         tr("About Varnex"), Buttons::Ok, Icon::Information, 0});
}

void MenuBar::setFilesMode(bool filesMode) {
    for (QAction* action : {open, close, closeAll})
        action->setEnabled(filesMode);
}

void MenuBar::setRunning(bool running) {
    for (QAction* action : {exit, help})
        action->setEnabled(!running);
    if (running)
        undo->setEnabled(false);
}

void MenuBar::setUndo(const UndoAvailability& availability) {
    undo->setText(undoCaption(availability));
    undo->setToolTip(undoToolTip(availability));
    undo->setEnabled(availability.count > 0);
}

} // namespace varnex
