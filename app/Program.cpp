#include "Program.h"

#include "app/Translations.h"
#include "platform/AppInfo.h"
#include "platform/PosixFileSystem.h"
#include "platform/TerminationSignals.h"
#include "selection/FileList.h"
#include "window/ProgramIcon.h"
#include "window/frmVarnex.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QTextStream>
#include <cstdio>

namespace varnex {

namespace {

void print(FILE* stream, const QString& text) {
    QTextStream out(stream);
    out << text;
}

void printLines(FILE* stream, const QStringList& lines) {
    for (const QString& line : lines)
        print(stream, line + u'\n');
}

// The reverse-DNS name of the desktop entry, the icon and the AppStream component.
constexpr auto desktopId = "io.github.varnex.Varnex";

} // namespace

std::optional<int> answerWithoutWindow(int argc, char* argv[]) {
    QCoreApplication core(argc, argv);
    installTranslations(core);
    const CommandLine line = parseCommandLine(argumentsOf(argc, argv));
    // Errors are told after the window system has taken its own options out.
    if (line.action != CommandLine::Action::ShowHelp &&
        line.action != CommandLine::Action::ShowVersion)
        return std::nullopt;
    print(stdout, line.output);
    return 0;
}

int runProgram(QApplication& app, int argc, char* argv[]) {
    QApplication::setApplicationName(applicationTitle());
    QApplication::setOrganizationName(applicationTitle());
    QGuiApplication::setDesktopFileName(QString::fromLatin1(desktopId));
    QApplication::setWindowIcon(programIcon());
    // The language of the system; the window's texts are translated as it is built.
    installTranslations(app);

    const CommandLine line = parseCommandLine(argumentsOf(argc, argv));
    if (line.action != CommandLine::Action::Start) {
        const bool failed = line.action == CommandLine::Action::Fail;
        print(failed ? stderr : stdout, line.output);
        return failed ? 1 : 0;
    }

    PosixFileSystem fileSystem;
    const StartPaths start = sortStartPaths(line.paths, QDir::currentPath(), fileSystem);
    printLines(stderr, start.problems);
    // A folder given on the command line is the one the window opens with: the stored one is
    // then neither read nor shown.
    WindowServices services;
    services.fileSystem = &fileSystem;
    if (start.mode == StartPaths::Mode::Folder)
        services.startFolder = start.folder;
    frmVarnex window(services);

    // Every way the program is told to end saves the settings once, through the window. A
    // session manager's request to commit data ends nothing: the session may go on (a logout
    // cancelled, a session saved), and when it ends the program is told to quit.
    TerminationSignals signals;
    QObject::connect(&signals, &TerminationSignals::terminationRequested, &window,
                     &frmVarnex::Form_Terminate);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, &frmVarnex::Form_Terminate);

    window.Form_Load();
    printLines(stderr, applyStartPaths(window, start));
    return QApplication::exec();
}

QStringList applyStartPaths(frmVarnex& window, const StartPaths& start) {
    switch (start.mode) {
    case StartPaths::Mode::AsLeft:
        return {};
    case StartPaths::Mode::Folder:
        window.setOptionMember(OptionArray::FolderFile, 0, true);
        // A window that opened with the folder shows it already.
        if (window.lblFolder->text() != start.folder)
            window.setChosenFolder(start.folder);
        return {};
    case StartPaths::Mode::Files:
        window.setOptionMember(OptionArray::FolderFile, 1, true);
        return addStartFiles(window.fileList(), start.files);
    }
    return {};
}

} // namespace varnex
