#include "CommandLine.h"

#include "platform/AppInfo.h"
#include "platform/FileSystem.h"
#include "platform/PosixFileSystem.h"
#include "selection/FileList.h"
#include "selection/FolderChoice.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace varnex {

namespace {

QString problem(const QString& path, const QString& reason) {
    return QStringLiteral("varnex: %1: %2").arg(path, reason);
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    // "-platform" and its like are single words, never a bundle of one-letter options.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QCoreApplication::translate("CommandLine", "Renames many files at once."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(
        QCoreApplication::translate("CommandLine", "paths"),
        QCoreApplication::translate(
            "CommandLine", "Files to list (files mode), or one folder to open (folder mode)."),
        QCoreApplication::translate("CommandLine", "[FILE... | FOLDER]"));

    CommandLine result;
    if (!parser.parse(arguments)) {
        result.action = CommandLine::Action::Fail;
        result.output = QStringLiteral("varnex: %1\n%2\n")
                            .arg(parser.errorText(),
                                 QCoreApplication::translate(
                                     "CommandLine", "Try 'varnex --help' for more information."));
        return result;
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        result.action = CommandLine::Action::ShowHelp;
        result.output = parser.helpText();
    } else if (parser.isSet(version)) {
        result.action = CommandLine::Action::ShowVersion;
        result.output = QStringLiteral("varnex %1.%2.%3\n")
                            .arg(VARNEX_VERSION_MAJOR)
                            .arg(VARNEX_VERSION_MINOR)
                            .arg(VARNEX_VERSION_PATCH);
    }
    result.paths = parser.positionalArguments();
    return result;
}

QStringList argumentsOf(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(decodeFileName(QByteArrayView(argv[i])));
    return arguments;
}

namespace {

// The absolute path `given` names, relative to `base`, as the system resolves it: a ".." after
// a symbolic link leads out of the link's target, not back to the folder that holds the link.
// So the part up to the last ".." is resolved on disk; the rest, and a path with no "..", is
// cleaned as text.
QString absolutePath(const QDir& base, const QString& given) {
    const QString path = base.absoluteFilePath(given);
    const QStringList parts = path.split(u'/');
    const qsizetype up = parts.lastIndexOf(QStringLiteral(".."));
    if (up < 0)
        return QDir::cleanPath(path);
    const QString resolved = QFileInfo(parts.first(up + 1).join(u'/')).canonicalFilePath();
    if (resolved.isEmpty())
        return QDir::cleanPath(path);
    return QDir::cleanPath(resolved % u'/' % parts.sliced(up + 1).join(u'/'));
}

} // namespace

StartPaths sortStartPaths(const QStringList& paths, const QString& workingFolder, FileSystem& fs) {
    StartPaths start;
    QStringList folders;
    const QDir base(workingFolder);
    // Without a working folder (it was removed) a relative path names nothing: it is never
    // taken from some other folder.
    const bool relativeUsable = QDir::isAbsolutePath(workingFolder);
    for (const QString& given : paths) {
        if (given.isEmpty()) {
            start.problems << problem(
                QStringLiteral("''"),
                QCoreApplication::translate("CommandLine", "an empty path names nothing"));
            continue;
        }
        const QString path = absolutePath(base, given);
        // The file system is asked by the path's own bytes, so a name that is not UTF-8 names
        // its own file.
        const quint32 attributes =
            relativeUsable || QDir::isAbsolutePath(given) ? fs.attributes(path) : attr::Invalid;
        if (attributes == attr::Invalid) {
            start.problems << problem(
                given, QCoreApplication::translate("CommandLine", "no such file or folder"));
        } else if (fs.isPlainFile(path)) {
            start.files << QDir::toNativeSeparators(path);
        } else if (fs.openFolder(path)) {
            folders << given;
        } else if (attributes & attr::Folder) {
            start.problems << problem(
                given, QCoreApplication::translate("CommandLine", "the folder cannot be opened"));
        } else {
            start.problems << problem(
                given, QCoreApplication::translate(
                           "CommandLine",
                           "not a file the list accepts (hidden and special files are not)"));
        }
    }

    if (start.files.isEmpty() && !folders.isEmpty()) {
        start.mode = StartPaths::Mode::Folder;
        start.folder = chosenFolderText(absolutePath(base, folders.takeFirst()));
        for (const QString& folder : std::as_const(folders))
            start.problems << problem(folder, QCoreApplication::translate(
                                                  "CommandLine", "only one folder can be opened"));
    } else {
        if (!start.files.isEmpty())
            start.mode = StartPaths::Mode::Files;
        for (const QString& folder : std::as_const(folders))
            start.problems << problem(
                folder,
                QCoreApplication::translate(
                    "CommandLine", "a folder opens in folder mode only when it is given alone"));
    }
    return start;
}

QStringList addStartFiles(FileList& list, const QStringList& files) {
    QStringList refused;
    for (const QString& file : files) {
        if (list.CheckForListDuplicate(file) == FileList::DuplicateFound)
            refused << problem(file,
                               QCoreApplication::translate("CommandLine", "already in the list"));
        else
            list.AddListItem(file);
    }
    return refused;
}

} // namespace varnex
