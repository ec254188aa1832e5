#pragma once

#include "RenameEngine.h"

#include <optional>

namespace varnex {

enum class TextBox { Find, Replace, Prepend, Postpend };
enum class SelectionMode { None, Files, Folder };

// The texts the Rename command validates, with the type of rename chosen.
struct CommandTexts {
    RenameType renameType = RenameType::None;
    QString find;
    QString replace;
    QString prepend;
    QString postpend;
};

struct ValidationFailure {
    QString message;
    TextBox focus;
};

// True when `text` holds one of the nine characters a file name cannot contain.
bool CheckForIllegalCharacters(const QString& text);

// The message shown for an illegal character.
QString IllegalCharactersMessage();

// The first validation failure of the texts, in the order the command tests them.
std::optional<ValidationFailure> ValidateTexts(const CommandTexts& texts);

// The run's summary message; `foldersSearched` is the figure of its "Folders searched" line.
QString RunSummary(const RunCounters& counters, qint64 foldersSearched);

// The window side of a rename run.
class RenameCommandHost {
public:
    virtual ~RenameCommandHost() = default;
    virtual CommandTexts commandTexts() const = 0;
    virtual SelectionMode selectionMode() const = 0;
    // The chosen folder, as shown on the window.
    virtual QString folderPath() const = 0;
    virtual void focusTextBox(TextBox box) = 0;
    // Disables (running) or enables Rename, Exit and Help, and shows the busy pointer.
    virtual void setRunning(bool running) = 0;
    // Has the folder preview re-read after a folder run, now or as soon as events are processed.
    virtual void refreshFolderView() = 0;
    // The window is closing: no summary is shown. To end the run after the current file, the
    // window sets the engine's StopRun when the close begins during a run.
    virtual bool closing() const = 0;
};

// One press of Rename: validates, runs and reports.
void RunRenameCommand(RenameEngine& engine, RenameCommandHost& host, FileListAccess& list,
                      MessageBox& messages);

} // namespace varnex
