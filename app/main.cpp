#include "platform/AppInfo.h"
#include "window/frmVarnex.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(varnex::applicationTitle());
    QApplication::setOrganizationName(varnex::applicationTitle());

    varnex::frmVarnex window;
    window.Form_Load();
    return QApplication::exec();
}
