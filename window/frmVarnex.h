#pragma once

#include "engine/PreviewComputer.h"
#include "engine/RenameEngine.h"
#include "settings/Choices.h"
#include "settings/PreviewSettings.h"
#include "window/HelpViewer.h"
#include "window/Layout.h"
#include "window/Twips.h"
#include "window/WindowServices.h"

#include <QPointer>
#include <QWidget>
#include <array>
#include <memory>
#include <vector>

class QAbstractItemModel;
class QButtonGroup;
class QFrame;
class QGroupBox;
class QLabel;
class QMimeData;
class QPushButton;
class QRadioButton;

namespace varnex {

class FileList;
class FileListView;
class FolderPreview;
class HelpViewer;
class MenuBar;
class OpenCommand;
class PreviewPane;
class PreviewRunner;
class RunJournal;
class PreviewList;
class WindowChoices;
class WindowRenameHost;
class TextBoxEdit;
class TickBox;
class UndoReader;

// The main window: every control, the handlers of the window and its controls, the panel of
// rename types and the layout that follows the window's size. It hands the user's current
// choices to the rename engine (RenameChoices), read afresh on every call; their revision grows
// with every change signal of those controls.
//
// The controls are public and owned by the window; their names are the ones used throughout
// the program. Geometry is kept in twips and turned into pixels by TwipScale only.
class frmVarnex : public QWidget, public RenameChoices {
    Q_OBJECT
public:
    // A window on the desktop's services.
    explicit frmVarnex(QWidget* parent = nullptr);
    // A window on the given services; any left empty are the desktop's.
    explicit frmVarnex(const WindowServices& services, QWidget* parent = nullptr);
    ~frmVarnex() override;

    // The parts of the program the window drives.
    FileList& fileList() { return *fileList_; }
    FolderPreview& folderPreview() { return *preview_; }
    RenameEngine& engine() { return *engine_; }
    const WindowServices& services() const { return services_; }
    HelpViewer* helpViewer() const { return help_; }

    // Shows a folder in the folder panel: the label, its tool tip and both previews.
    void setChosenFolder(const QString& folder);
    // Reads `folder` into both previews of the folder panel, letting the window process its
    // events meanwhile when its event loop runs. With `later`, the read waits for the event loop
    // (the window is drawn first), and a folder chosen meanwhile wins.
    void showFolderInPreviews(const QString& folder, bool later = false);

    // Around the form: the menu bar above it and the preview pane beside it.
    MenuBar* menus() const { return menuBar_; }
    PreviewPane* previewPane() const { return previewPane_; }
    PreviewRunner& previewRunner() { return *previewRunner_; }
    // Shows or hides the preview pane; the window widens or narrows by the pane, so the form
    // keeps its size and layout.
    void setPreviewShown(bool shown);
    bool previewShown() const { return paneChoice_.visible; }
    // What a press of Rename would run now.
    PreviewRequest previewRequest() const;
    // Reads the chosen folder again (View > Refresh).
    void refresh();
    // A rename run is in progress.
    bool isRunning() const { return running_; }
    // The exit sequence has run: the window is closing and the program ending.
    bool isClosing() const { return exiting_; }

    // On the window.
    std::array<QRadioButton*, 2> optFolderFile{};
    QGroupBox* frameFiles = nullptr;
    QGroupBox* frameFolder = nullptr;
    QGroupBox* frameControls = nullptr;
    QPushButton* cmdHelp = nullptr;
    QPushButton* cmdRename = nullptr;
    QPushButton* cmdExit = nullptr;

    // In frameFiles.
    FileListView* lstFiles = nullptr;
    QPushButton* cmdOpen = nullptr;
    QPushButton* cmdClose = nullptr;
    QPushButton* cmdCloseAll = nullptr;

    // In frameFolder.
    QLabel* lblFolder = nullptr;
    QPushButton* cmdBrowse = nullptr;
    TickBox* chkRecursive = nullptr;
    PreviewList* Dir1 = nullptr;
    PreviewList* File1 = nullptr;

    // In frameControls.
    std::array<QRadioButton*, 4> optTypeOfRename{};
    QLabel* lblFind = nullptr;
    TextBoxEdit* txtFind = nullptr;
    QLabel* lblReplace = nullptr;
    TextBoxEdit* txtReplace = nullptr;
    QWidget* frameIncludeExtension = nullptr;
    std::array<QRadioButton*, 2> optIncludeExtension{};
    TickBox* chkCaseSensitive = nullptr;
    TextBoxEdit* txtPrepend = nullptr;
    TextBoxEdit* txtPostpend = nullptr;
    QWidget* framePostpend = nullptr;
    std::array<QRadioButton*, 2> optPostpendPosition{};
    QWidget* frameConvertCase = nullptr;
    std::array<QRadioButton*, 3> optConvertCase{};
    QFrame* Line3 = nullptr;
    QLabel* Label1 = nullptr;
    TickBox* chkReadOnly = nullptr;
    TickBox* chkHidden = nullptr;
    TickBox* chkSystem = nullptr;

    // Models of the three lists; the window does not own them.
    void setFileListModel(QAbstractItemModel* model);
    void setFolderPreviewModel(QAbstractItemModel* model);
    void setFilePreviewModel(QAbstractItemModel* model);

    // Option arrays.
    QButtonGroup* optionGroup(OptionArray array) const;
    int optionCount(OptionArray array) const;
    QRadioButton* optionMember(OptionArray array, int index) const;
    // The index of the first selected member, or -1 when none is.
    int selectedOption(OptionArray array) const;
    // True selects the member and runs the array's click handler (also when it was selected
    // already); False clears the member when it is the selected one, leaving the array with
    // none selected, and does nothing otherwise.
    void setOptionMember(OptionArray array, int index, bool value);

    // Values kept current by the click handlers of their option arrays.
    bool IncludeExtension() const { return includeExtension_; }
    bool PostpendBeforeExtension() const { return postpendBeforeExtension_; }
    varnex::CaseMode CaseMode() const { return caseMode_; }

    // RenameChoices.
    RenameOptions renameOptions() const override;
    AttributeChoices attributeChoices() const override;
    bool recursive() const override;
    quint64 revision() const override { return choicesRevision_; }

    // The window's outer size (frame included where the window system reports one), in twips.
    QSizeF outerSizeTwips() const;
    void setOuterSizeTwips(double width, double height);

    // Where the layout has put the controls that follow the window's size.
    const LayoutGeometry& layoutGeometry() const { return layout_; }

public Q_SLOTS:
    // Start-up: focus and drawing order, title, showing the window, clearing the designed
    // texts and putting the panels into the state of their selected members.
    void Form_Load();
    void Form_Resize();
    void Form_Unload();
    void Form_Terminate();

    void cmdExit_Click();
    void cmdHelp_Click();
    void cmdRename_Click();
    // Edit > Undo: renames the files of the last run back.
    void undoLastRun();
    // The Undo item follows the newest journal.
    void updateUndo();
    void cmdBrowse_Click();
    void cmdOpen_Click();
    void cmdClose_Click();
    void cmdCloseAll_Click();
    void lstFiles_OLEDragDrop(const QMimeData* data);

    void optFolderFile_Click(int index);
    void optTypeOfRename_Click(int index);
    void optIncludeExtension_Click(int index);
    void optPostpendPosition_Click(int index);
    void optConvertCase_Click(int index);

    void txtFind_GotFocus();
    void txtReplace_GotFocus();
    void txtPrepend_GotFocus();
    void txtPostpend_GotFocus();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // A run or an undo: the menus and the preview wait until it is over, then follow it.
    void beginWork();
    void endWork();
    struct Placement {
        QWidget* widget;
        TwipRect rect;
    };

    void createControls();
    void connectHandlers();
    QList<QWidget*> focusOrder() const;
    void applyFocusOrder();
    void clearDesignedTexts();
    void placeControls();
    void setTextBoxOn(TextBoxEdit* box, bool on);
    void runClickHandler(OptionArray array, int index);
    void settleOuterSize();
    void placeChrome();
    void setPaneWidth(int pixels);
    // The menu bar's height, which the window holds above the form.
    double menuBarTwips() const;

    // The services the window was given, with the desktop's own in place of those it lacks.
    void resolveServices(const WindowServices& services);
    void createParts();

    std::unique_ptr<DesktopServices> desktop_;
    WindowServices services_;
    std::unique_ptr<FileList> fileList_;
    std::unique_ptr<FolderPreview> preview_;
    std::unique_ptr<RenameEngine> engine_;
    std::unique_ptr<OpenCommand> open_;
    std::unique_ptr<WindowChoices> choices_;
    std::unique_ptr<WindowRenameHost> host_;
    std::unique_ptr<PreviewRunner> previewRunner_;
    std::unique_ptr<RunJournal> journal_;
    std::unique_ptr<UndoReader> undoReader_;
    // The journal the Undo item was last set from: Undo takes back that run only.
    QString undoJournal_;
    // The form's controls live in this area below the menu bar.
    QWidget* form_ = nullptr;
    MenuBar* menuBar_ = nullptr;
    PreviewPane* previewPane_ = nullptr;
    PreviewPaneChoice paneChoice_;
    QPointer<HelpViewer> help_;
    bool running_ = false;
    // The folder a deferred read of the previews will show; empty when none is due.
    QString folderDue_;

    std::array<QButtonGroup*, 5> groups_{};
    std::vector<Placement> fixedPlacements_;
    LayoutGeometry layout_;
    QSizeF requestedOuterTwips_{-1, -1};
    QSize requestedOuterPixels_{-1, -1};
    bool outerSizePending_ = false;
    bool includeExtension_ = false;
    bool postpendBeforeExtension_ = false;
    varnex::CaseMode caseMode_ = varnex::CaseMode::Lower;
    // Grows with every change of a control the rename choices are read from.
    quint64 choicesRevision_ = 1;
    bool exiting_ = false;
};

} // namespace varnex
