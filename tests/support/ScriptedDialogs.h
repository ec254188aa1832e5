#pragma once

// The Open dialog and the folder chooser, answered by the test.

#include "selection/FolderChoice.h"
#include "selection/OpenFileDialog.h"

#include <QTest>

namespace varnex {

// Answers the Open dialog from a queue and records what it was asked. A dialog shown with no
// answer queued fails the test and is cancelled.
class ScriptedOpenDialog : public OpenFileDialog {
public:
    QList<Result> answers;
    QList<Request> requests;
    Result show(const Request& request) override {
        requests.append(request);
        if (answers.isEmpty()) {
            QTest::qFail("Open dialog shown without an answer", __FILE__, __LINE__);
            return Result{};
        }
        return answers.takeFirst();
    }
};

// Answers the folder chooser with `answer` (std::nullopt: cancelled).
class ScriptedChooser : public FolderChooser {
public:
    std::optional<QString> answer;
    std::optional<QString> chooseFolder(const QString&) override { return answer; }
};

} // namespace varnex
