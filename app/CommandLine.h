#pragma once

#include <QString>
#include <QStringList>

namespace varnex {

class FileList;
class FileSystem;

// What the command line asks for. Qt's own options (-platform, -style...) are taken out by
// QApplication before the arguments get here.
struct CommandLine {
    enum class Action { Start, ShowHelp, ShowVersion, Fail };
    Action action = Action::Start;
    // The help text, the version line or, for Fail, the error and a pointer to --help.
    QString output;
    // The file and folder arguments, as given.
    QStringList paths;
};

// Reads the arguments, the program's name first.
CommandLine parseCommandLine(const QStringList& arguments);

// The program's arguments, each read the way a folder listing reads a name: one that is not
// UTF-8 keeps its bytes, so it names its own file and no other.
QStringList argumentsOf(int argc, char* argv[]);

// How the window starts.
struct StartPaths {
    enum class Mode {
        AsLeft, // no paths: as the last session left it
        Folder, // folder mode on `folder`
        Files   // files mode with `files` in the list
    };
    Mode mode = Mode::AsLeft;
    // As the folder label shows it.
    QString folder;
    // Absolute paths, in the order given.
    QStringList files;
    // One line for each path that cannot be used, for standard error.
    QStringList problems;
};

// Sorts the paths of the command line, relative ones taken from `workingFolder`. Files are
// the ones the list accepts from a drop (not a folder, not Hidden, not System). A folder
// starts folder mode only when it comes alone; with files, or after another folder, it is
// refused. When no path is usable the window starts as it was left.
StartPaths sortStartPaths(const QStringList& paths, const QString& workingFolder, FileSystem& fs);

// Adds the files to the list as the list adds them, refusing a file the list already holds in
// any letter case. Returns a line for each file refused.
QStringList addStartFiles(FileList& list, const QStringList& files);

} // namespace varnex
