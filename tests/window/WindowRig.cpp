#include "WindowRig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <algorithm>

namespace varnex {

WindowRig::WindowRig(SettingsStore* settings, FileSystem* fileSystem)
    : settings_(settings ? settings : &memory), fileSystem_(fileSystem ? fileSystem : &posix) {
    box.responder = [](const Message&) {
        return Button::Ok;
    };
}

WindowRig::~WindowRig() = default;

frmVarnex& WindowRig::window() {
    if (window_)
        return *window_;
    WindowServices s;
    s.fileSystem = fileSystem_;
    s.messageBox = &box;
    s.eventPump = &pump;
    s.settings = settings_;
    s.openDialog = &openDialog;
    s.folderChooser = &chooser;
    s.programFolder = programDir.path();
    s.journalFolder =
        journalFolder.isEmpty() ? programDir.filePath(QStringLiteral("state")) : journalFolder;
    s.startFolder = startFolder;
    s.endProgram = [this] {
        ++endProgramCalls;
    };
    window_ = std::make_unique<frmVarnex>(s);
    return *window_;
}

frmVarnex& WindowRig::start() {
    frmVarnex& w = window();
    w.Form_Load();
    w.activateWindow(); // no window manager activates it offscreen
    if (!QTest::qWaitForWindowActive(&w))
        QTest::qFail("the window did not become active", __FILE__, __LINE__);
    return w;
}

void makeFiles(const QString& root, const QStringList& relativePaths) {
    for (const QString& relative : relativePaths) {
        const QString path = root % u'/' % relative;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            QTest::qFail(qPrintable(u"cannot create "_qs % path), __FILE__, __LINE__);
    }
}

QStringList namesIn(const QString& folder) {
    QStringList names = QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace varnex
