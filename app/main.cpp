#include "app/Program.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // Help and version are answered without a display.
    if (const std::optional<int> status = varnex::answerWithoutWindow(argc, argv))
        return *status;
    QApplication app(argc, argv); // takes the window system's options out of argc and argv
    return varnex::runProgram(app, argc, argv);
}
