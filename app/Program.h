#pragma once

#include "app/CommandLine.h"

#include <optional>

class QApplication;

namespace varnex {

class frmVarnex;

// Answers --help and --version, and nothing else, before the window system is reached, so
// that both work without a display. The exit status when it answered, else std::nullopt.
std::optional<int> answerWithoutWindow(int argc, char* argv[]);

// The program: reads the command line, starts the window with the paths it names and runs
// until the window ends the program. Returns the exit status.
int runProgram(QApplication& app, int argc, char* argv[]);

// Puts the window, started already, into the mode the paths ask for: folder mode on the
// folder, or files mode with the files added as the list adds them. Returns a line for each
// file the list refused.
QStringList applyStartPaths(frmVarnex& window, const StartPaths& start);

} // namespace varnex
