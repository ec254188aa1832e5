#include "platform/AppInfo.h"
#include "platform/TerminationSignals.h"
#include "window/frmVarnex.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(varnex::applicationTitle());
    QApplication::setOrganizationName(varnex::applicationTitle());

    varnex::frmVarnex window;
    // Every way the program is told to end saves the settings once, through the window.
    varnex::TerminationSignals signals;
    QObject::connect(&signals, &varnex::TerminationSignals::terminationRequested, &window,
                     &varnex::frmVarnex::Form_Terminate);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     &varnex::frmVarnex::Form_Terminate);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window,
                     &varnex::frmVarnex::Form_Terminate);

    window.Form_Load();
    return QApplication::exec();
}
