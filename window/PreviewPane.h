#pragma once

#include <QWidget>

class QLabel;
class QTableView;

namespace varnex {

class PreviewRunner;
class frmVarnex;

// The pane beside the form that shows the preview: a table of every file the Rename button
// would handle now ("Name", "New name", "Result") and one line that sums it up. Its left edge
// can be dragged to change its width.
class PreviewPane final : public QWidget {
    Q_OBJECT
public:
    PreviewPane(PreviewRunner& runner, QWidget* parent);

    QTableView* table = nullptr;
    QLabel* summary = nullptr;

Q_SIGNALS:
    // The user dragged the left edge: the pane would be `pixels` wide.
    void widthDragged(int pixels);

private:
    class Edge;
};

// Schedules the runner on every change of the window's choices: a text typed, an option or
// box clicked, the mode switched, the list changed. A new folder is handled where it is set.
void watchChoices(frmVarnex& window, PreviewRunner& runner);

} // namespace varnex
