#include "frmVarnex.h"

#include "engine/RenameCommand.h"
#include "engine/RunJournal.h"
#include "engine/UndoCommand.h"
#include "platform/AppInfo.h"
#include "selection/FileList.h"
#include "selection/FolderPreview.h"
#include "selection/OpenCommand.h"
#include "selection/PreviewRunner.h"
#include "settings/SettingsKeys.h"
#include "settings/StoredChoices.h"
#include "window/Accessibility.h"
#include "window/Controls.h"
#include "window/DesignedGeometry.h"
#include "window/HelpViewer.h"
#include "window/MenuBar.h"
#include "window/PreviewPane.h"
#include "window/ProgramIcon.h"
#include "window/WindowBindings.h"
#include "window/WindowFont.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QThread>
#include <QTimer>

namespace varnex {

namespace {

constexpr int MaxTextLength = 255;

// What a screen reader says for a caption: the caption without its access-key marker.
QString spokenCaption(const QString& caption) {
    QString spoken;
    spoken.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&') {
            // "&&" shows one ampersand; a single one only marks the access key.
            if (i + 1 < caption.size() && caption[i + 1] == u'&') {
                spoken += u'&';
                ++i;
            }
            continue;
        }
        spoken += caption[i];
    }
    return spoken;
}

void selectWholeText(QLineEdit* box) {
    const int start = 0;
    box->setSelection(start, static_cast<int>(box->text().size()) - start);
}

} // namespace

frmVarnex::frmVarnex(QWidget* parent) : frmVarnex(WindowServices{}, parent) {}

frmVarnex::frmVarnex(const WindowServices& services, QWidget* parent) : QWidget(parent) {
    resolveServices(services);
    // The folder Form_Load shows is read on another thread while the window is made: a folder
    // of many files would otherwise be read only then.
    preview_ = std::make_unique<FolderPreview>(*services_.fileSystem);
    preview_->readAhead(services_.startFolder.isEmpty()
                            ? readOpenPath(*services_.settings, services_.programFolder)
                            : services_.startFolder);
    setWindowTitle(applicationTitle());
    // The program gives the application its icon before the window is made; a window made
    // without it (a test, say) brings its own. Decoding the icon's eight sizes again would
    // only slow the start.
    if (QGuiApplication::windowIcon().isNull())
        setWindowIcon(programIcon());
    form_ = new QWidget(this);
    form_->setObjectName(QStringLiteral("form"));
    menuBar_ = new MenuBar(*this);
    createControls();
    connectHandlers();

    layout_ = designedLayoutGeometry();
    const TwipScale scale = TwipScale::of(this);
    resize(scale.toPixels(designed::ClientWidth), scale.toPixels(designed::ClientHeight));
    placeControls();
    fitWindowFont(this);
    createParts();
    placeChrome();
}

frmVarnex::~frmVarnex() = default;

void frmVarnex::resolveServices(const WindowServices& given) {
    services_ = given;
    const bool complete = given.fileSystem && given.messageBox && given.eventPump &&
                          given.settings && given.openDialog && given.folderChooser &&
                          given.endProgram && !given.programFolder.isEmpty();
    if (!complete) {
        desktop_ = std::make_unique<DesktopServices>();
        const WindowServices desktop = desktop_->services(this);
        WindowServices& s = services_;
        s.fileSystem = s.fileSystem ? s.fileSystem : desktop.fileSystem;
        s.messageBox = s.messageBox ? s.messageBox : desktop.messageBox;
        s.eventPump = s.eventPump ? s.eventPump : desktop.eventPump;
        s.settings = s.settings ? s.settings : desktop.settings;
        s.openDialog = s.openDialog ? s.openDialog : desktop.openDialog;
        s.folderChooser = s.folderChooser ? s.folderChooser : desktop.folderChooser;
        if (s.programFolder.isEmpty())
            s.programFolder = desktop.programFolder;
        if (!s.endProgram)
            s.endProgram = desktop.endProgram;
    }
}

void frmVarnex::createParts() {
    const WindowServices& s = services_;
    fileList_ = std::make_unique<FileList>(*s.fileSystem, *s.eventPump);
    engine_ = std::make_unique<RenameEngine>(*s.fileSystem, *s.messageBox, *s.eventPump, *this);
    open_ = std::make_unique<OpenCommand>(*fileList_, *s.openDialog, *s.settings, *s.messageBox,
                                          *s.eventPump, s.programFolder);
    choices_ = std::make_unique<WindowChoices>(*this, *preview_);
    host_ = std::make_unique<WindowRenameHost>(*this, *preview_);

    setFileListModel(&fileList_->model());
    setFolderPreviewModel(&preview_->dirModel());
    setFilePreviewModel(&preview_->fileModel());

    previewRunner_ =
        std::make_unique<PreviewRunner>(*s.fileSystem, [this] { return previewRequest(); });
    previewPane_ = new PreviewPane(*previewRunner_, this);
    previewPane_->hide();
    watchChoices(*this, *previewRunner_);
    connect(previewPane_, &PreviewPane::widthDragged, this, &frmVarnex::setPaneWidth);
    connect(menuBar_->previewNewNames, &QAction::toggled, this, &frmVarnex::setPreviewShown);
    connect(menuBar_, &MenuBar::refreshRequested, this, &frmVarnex::refresh);

    journal_ = std::make_unique<RunJournal>(s.journalFolder.isEmpty() ? defaultJournalFolder()
                                                                      : s.journalFolder);
    undoReader_ = std::make_unique<UndoReader>([this](const UndoAvailability& availability) {
        undoJournal_ = availability.journal;
        menuBar_->setUndo(availability);
    });
    engine_->setObserver(journal_.get());
    connect(menuBar_->undo, &QAction::triggered, this, &frmVarnex::undoLastRun);
    // Another Varnex may have made a newer journal since.
    connect(menuBar_->editMenu, &QMenu::aboutToShow, this, &frmVarnex::updateUndo);
    updateUndo();
}

PreviewRequest frmVarnex::previewRequest() const {
    PreviewRequest request;
    request.mode = host_->selectionMode();
    request.folder = host_->folderPath();
    if (request.mode == SelectionMode::Files) {
        const FileListAccess& list = fileList_->model();
        for (const FileListAccess::EntryId id : list.entryIds()) {
            request.entries.append(list.entryText(id).value_or(QString()));
            request.entryFolders.append(list.entryFolder(id));
        }
    }
    request.options = renameOptions();
    request.allowed = attributeChoices();
    request.recursive = recursive();
    return request;
}

void frmVarnex::setPreviewShown(bool shown) {
    if (menuBar_->previewNewNames->isChecked() != shown)
        menuBar_->previewNewNames->setChecked(shown); // comes back here
    if (paneChoice_.visible == shown)
        return;
    paneChoice_.visible = shown;
    // Kept as soon as it changes, so the exit sequence stays as it is; its flush keeps it.
    writePreviewPane(*services_.settings, paneChoice_);
    previewPane_->setVisible(shown);
    if (windowState() == Qt::WindowNoState && isVisible()) {
        const QSizeF outer = outerSizeTwips();
        const double change = shown ? paneChoice_.widthTwips : -paneChoice_.widthTwips;
        setOuterSizeTwips(outer.width() + change, outer.height());
    }
    Form_Resize();
    previewRunner_->setActive(shown);
}

void frmVarnex::setPaneWidth(int pixels) {
    const TwipScale scale = TwipScale::of(this);
    const double twips =
        std::max(scale.toTwips(pixels), double(PreviewPaneChoice::MinimumWidthTwips));
    const double change = twips - paneChoice_.widthTwips;
    paneChoice_.widthTwips = twips;
    writePreviewPane(*services_.settings, paneChoice_);
    if (windowState() == Qt::WindowNoState) {
        const QSizeF outer = outerSizeTwips();
        setOuterSizeTwips(outer.width() + change, outer.height());
    }
    Form_Resize();
}

void frmVarnex::placeChrome() {
    const int menuHeight = menuBar_->sizeHint().height();
    const int pane = paneChoice_.visible ? TwipScale::of(this).toPixels(paneChoice_.widthTwips) : 0;
    menuBar_->setGeometry(0, 0, width(), menuHeight);
    form_->setGeometry(0, menuHeight, std::max(0, width() - pane), height() - menuHeight);
    if (previewPane_)
        previewPane_->setGeometry(width() - pane, menuHeight, pane, height() - menuHeight);
}

double frmVarnex::menuBarTwips() const {
    return TwipScale::of(this).toTwips(menuBar_->sizeHint().height());
}

void frmVarnex::refresh() {
    host_->refreshFolderView();
    previewRunner_->reread();
}

void frmVarnex::setChosenFolder(const QString& folder) {
    setExposedText(lblFolder, folder);
    lblFolder->setToolTip(folder);
    showFolderInPreviews(folder);
    if (previewRunner_)
        previewRunner_->reread();
}

void frmVarnex::showFolderInPreviews(const QString& folder, bool later) {
    if (later) {
        const bool scheduled = !folderDue_.isEmpty();
        folderDue_ = folder;
        if (!scheduled) {
            QTimer::singleShot(0, this, [this] {
                if (!folderDue_.isEmpty())
                    showFolderInPreviews(std::exchange(folderDue_, QString()));
            });
        }
        return;
    }
    folderDue_.clear();
    // Events are let through only inside the event loop: an Exit asked for before the loop
    // runs would otherwise be lost.
    ListingPause pause;
    if (QThread::currentThread()->loopLevel() > 0) {
        EventPump* events = services_.eventPump;
        pause = [events] {
            events->processEvents();
        };
    }
    preview_->setFolder(folder, pause);
}

void frmVarnex::createControls() {
    namespace d = designed;
    const auto place = [this](QWidget* widget, const TwipRect& rect) {
        fixedPlacements_.push_back({widget, rect});
    };
    const auto button = [&](QWidget* parent, const QString& caption, const TwipRect& rect) {
        auto* control = new QPushButton(caption, parent);
        // Enter presses the button that has the focus; elsewhere it presses Rename.
        control->setAutoDefault(true);
        control->setAccessibleName(spokenCaption(caption));
        place(control, rect);
        return control;
    };
    const auto option = [&](QWidget* parent, const QString& caption, const TwipRect& rect) {
        auto* control = new QRadioButton(caption, parent);
        control->setAccessibleName(spokenCaption(caption));
        place(control, rect);
        return control;
    };
    const auto tick = [&](QWidget* parent, const QString& caption, const TwipRect& rect) {
        auto* control = new TickBox(caption, parent);
        control->setAccessibleName(spokenCaption(caption));
        place(control, rect);
        return control;
    };
    const auto label = [&](QWidget* parent, const QString& caption, const TwipRect& rect) {
        auto* control = new QLabel(caption, parent);
        control->setAccessibleName(spokenCaption(caption));
        place(control, rect);
        return control;
    };
    const auto textBox = [&](QWidget* parent, const QString& designedText,
                             const QString& spokenName, const TwipRect& rect) {
        auto* control = new TextBoxEdit(designedText, parent);
        control->setMaxLength(MaxTextLength);
        control->setAccessibleName(spokenName);
        place(control, rect);
        return control;
    };
    // A frame without caption or border: it only groups its option buttons.
    const auto plainFrame = [&](QWidget* parent, const QString& spokenName, const TwipRect& rect) {
        auto* frame = new QWidget(parent);
        frame->setAccessibleName(spokenName);
        place(frame, rect);
        return frame;
    };
    const auto group = [this](OptionArray array, auto& members) {
        auto* buttons = new QButtonGroup(this);
        buttons->setExclusive(true);
        for (int i = 0; i < static_cast<int>(members.size()); ++i)
            buttons->addButton(members[static_cast<std::size_t>(i)], i);
        groups_[static_cast<std::size_t>(array)] = buttons;
    };

    optFolderFile[0] = option(form_, tr("Select a Folder"), d::optFolderFile0);
    optFolderFile[1] = option(form_, tr("Select File(s)"), d::optFolderFile1);
    optFolderFile[0]->setChecked(true);

    // The two selection frames; the layout, not this list, sets their place.
    frameFiles = new QGroupBox(tr("Select File(s) to Rename"), form_);
    frameFiles->setAccessibleName(frameFiles->title());
    lstFiles = new FileListView(frameFiles);
    lstFiles->setAccessibleName(tr("Files to rename"));
    cmdOpen = button(frameFiles, tr("&Open..."), d::cmdOpen);
    cmdClose = button(frameFiles, tr("&Close"), d::cmdClose);
    cmdCloseAll = button(frameFiles, tr("Close &All"), d::cmdCloseAll);

    frameFolder = new QGroupBox(tr("Rename All Files in this Folder"), form_);
    frameFolder->setAccessibleName(frameFolder->title());
    lblFolder = new QLabel(QStringLiteral("Label2"), frameFolder);
    lblFolder->setAccessibleName(tr("Folder"));
    lblFolder->setTextFormat(Qt::PlainText);
    exposeLabelText(lblFolder);
    showToolTipAsPlainText(lblFolder);
    cmdBrowse = button(frameFolder, tr("&Browse..."), d::cmdBrowse);
    chkRecursive = tick(frameFolder, tr("Rename files in all sub-folders"), d::chkRecursive);
    Dir1 = new PreviewList(frameFolder);
    Dir1->setAccessibleName(tr("Folders"));
    File1 = new PreviewList(frameFolder);
    File1->setAccessibleName(tr("Files in folder"));

    frameControls = new QGroupBox(form_);
    frameControls->setAccessibleName(tr("Type of rename"));
    optTypeOfRename[0] = option(frameControls, tr("Replace Text"), d::optTypeOfRename0);
    lblFind = label(frameControls, tr("Find:"), d::lblFind);
    txtFind = textBox(frameControls, QStringLiteral("txtFind"), tr("Find"), d::txtFind);
    lblFind->setBuddy(txtFind);
    lblReplace = label(frameControls, tr("Replace:"), d::lblReplace);
    txtReplace = textBox(frameControls, QStringLiteral("txtReplace"), tr("Replace"), d::txtReplace);
    lblReplace->setBuddy(txtReplace);
    frameIncludeExtension = plainFrame(frameControls, tr("Extension"), d::frameIncludeExtension);
    optIncludeExtension[0] =
        option(frameIncludeExtension, tr("Include extension"), d::optIncludeExtension0);
    optIncludeExtension[1] =
        option(frameIncludeExtension, tr("Exclude extension"), d::optIncludeExtension1);
    chkCaseSensitive = tick(frameControls, tr("Case Sensitive"), d::chkCaseSensitive);
    optTypeOfRename[1] = option(frameControls, tr("Prepend"), d::optTypeOfRename1);
    txtPrepend =
        textBox(frameControls, QStringLiteral("txtPrepend"), tr("Prepend text"), d::txtPrepend);
    optTypeOfRename[2] = option(frameControls, tr("Postpend"), d::optTypeOfRename2);
    txtPostpend =
        textBox(frameControls, QStringLiteral("txtPostpend"), tr("Postpend text"), d::txtPostpend);
    framePostpend = plainFrame(frameControls, tr("Postpend position"), d::framePostpend);
    optPostpendPosition[0] =
        option(framePostpend, tr("Place before extension"), d::optPostpendPosition0);
    optPostpendPosition[1] =
        option(framePostpend, tr("Place after extension"), d::optPostpendPosition1);
    optTypeOfRename[3] = option(frameControls, tr("Convert Case"), d::optTypeOfRename3);
    frameConvertCase = plainFrame(frameControls, tr("Case"), d::frameConvertCase);
    optConvertCase[0] = option(frameConvertCase, tr("lowercase"), d::optConvertCase0);
    optConvertCase[1] = option(frameConvertCase, tr("UPPERCASE"), d::optConvertCase1);
    optConvertCase[2] = option(frameConvertCase, tr("Title Case"), d::optConvertCase2);
    Line3 = new QFrame(frameControls);
    Line3->setFrameShape(QFrame::HLine);
    Line3->setFrameShadow(QFrame::Sunken);
    // A line two pixels thick, centred on its designed height.
    place(Line3, {d::Line3X1, d::Line3Y - TwipScale::TwipsPerPixelAt96Dpi, d::Line3X2 - d::Line3X1,
                  2 * TwipScale::TwipsPerPixelAt96Dpi});
    Label1 = label(frameControls, tr("Rename files with the following attributes:"), d::Label1);
    chkReadOnly = tick(frameControls, tr("Read Only"), d::chkReadOnly);
    chkHidden = tick(frameControls, tr("Hidden"), d::chkHidden);
    chkSystem = tick(frameControls, tr("System"), d::chkSystem);

    cmdHelp = new QPushButton(tr("&Help"), form_);
    cmdRename = new QPushButton(tr("&Rename"), form_);
    cmdExit = new QPushButton(tr("E&xit"), form_);
    for (QPushButton* control : {cmdHelp, cmdRename, cmdExit}) {
        control->setAutoDefault(true);
        control->setAccessibleName(spokenCaption(control->text()));
    }
    cmdRename->setDefault(true);

    optTypeOfRename[0]->setChecked(true);
    optIncludeExtension[0]->setChecked(true);
    chkCaseSensitive->setCheckState(Qt::Checked);
    optPostpendPosition[0]->setChecked(true);
    optConvertCase[0]->setChecked(true);

    // Object names follow the control names, members of an array as "name(index)".
    const std::pair<QWidget*, QString> names[] = {
        {frameFiles, QStringLiteral("frameFiles")},
        {lstFiles, QStringLiteral("lstFiles")},
        {cmdOpen, QStringLiteral("cmdOpen")},
        {cmdClose, QStringLiteral("cmdClose")},
        {cmdCloseAll, QStringLiteral("cmdCloseAll")},
        {frameFolder, QStringLiteral("frameFolder")},
        {lblFolder, QStringLiteral("lblFolder")},
        {cmdBrowse, QStringLiteral("cmdBrowse")},
        {chkRecursive, QStringLiteral("chkRecursive")},
        {Dir1, QStringLiteral("Dir1")},
        {File1, QStringLiteral("File1")},
        {frameControls, QStringLiteral("frameControls")},
        {lblFind, QStringLiteral("lblFind")},
        {txtFind, QStringLiteral("txtFind")},
        {lblReplace, QStringLiteral("lblReplace")},
        {txtReplace, QStringLiteral("txtReplace")},
        {frameIncludeExtension, QStringLiteral("frameIncludeExtension")},
        {chkCaseSensitive, QStringLiteral("chkCaseSensitive")},
        {txtPrepend, QStringLiteral("txtPrepend")},
        {txtPostpend, QStringLiteral("txtPostpend")},
        {framePostpend, QStringLiteral("framePostpend")},
        {frameConvertCase, QStringLiteral("frameConvertCase")},
        {Line3, QStringLiteral("Line3")},
        {Label1, QStringLiteral("Label1")},
        {chkReadOnly, QStringLiteral("chkReadOnly")},
        {chkHidden, QStringLiteral("chkHidden")},
        {chkSystem, QStringLiteral("chkSystem")},
        {cmdHelp, QStringLiteral("cmdHelp")},
        {cmdRename, QStringLiteral("cmdRename")},
        {cmdExit, QStringLiteral("cmdExit")}};
    for (const auto& [control, name] : names)
        control->setObjectName(name);
    const auto nameMembers = [](auto& members, const QString& name) {
        for (std::size_t i = 0; i < members.size(); ++i)
            members[i]->setObjectName(name % u'(' % QString::number(i) % u')');
    };
    nameMembers(optFolderFile, QStringLiteral("optFolderFile"));
    nameMembers(optTypeOfRename, QStringLiteral("optTypeOfRename"));
    nameMembers(optIncludeExtension, QStringLiteral("optIncludeExtension"));
    nameMembers(optPostpendPosition, QStringLiteral("optPostpendPosition"));
    nameMembers(optConvertCase, QStringLiteral("optConvertCase"));
    setObjectName(QStringLiteral("frmVarnex"));

    group(OptionArray::FolderFile, optFolderFile);
    group(OptionArray::TypeOfRename, optTypeOfRename);
    group(OptionArray::IncludeExtension, optIncludeExtension);
    group(OptionArray::PostpendPosition, optPostpendPosition);
    group(OptionArray::ConvertCase, optConvertCase);
}

void frmVarnex::connectHandlers() {
    connect(cmdExit, &QPushButton::clicked, this, &frmVarnex::cmdExit_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmVarnex::cmdHelp_Click);
    connect(cmdRename, &QPushButton::clicked, this, &frmVarnex::cmdRename_Click);
    connect(cmdBrowse, &QPushButton::clicked, this, &frmVarnex::cmdBrowse_Click);
    connect(cmdOpen, &QPushButton::clicked, this, &frmVarnex::cmdOpen_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmVarnex::cmdClose_Click);
    connect(cmdCloseAll, &QPushButton::clicked, this, &frmVarnex::cmdCloseAll_Click);
    connect(lstFiles, &FileListView::filesDropped, this, &frmVarnex::lstFiles_OLEDragDrop);

    // A click handler runs whenever a member becomes selected, by a click, the keyboard or
    // code.
    for (std::size_t a = 0; a < groups_.size(); ++a) {
        const auto array = static_cast<OptionArray>(a);
        connect(groups_[a], &QButtonGroup::idToggled, this, [this, array](int id, bool checked) {
            if (checked)
                runClickHandler(array, id);
        });
    }

    // Any change of a control the rename choices are read from gives the choices a new revision,
    // so that a run reads them again from the next file on.
    const auto changed = [this] {
        ++choicesRevision_;
    };
    for (TextBoxEdit* box : {txtFind, txtReplace, txtPrepend, txtPostpend})
        connect(box, &QLineEdit::textChanged, this, changed);
    for (TickBox* box : {chkCaseSensitive, chkReadOnly, chkHidden, chkSystem, chkRecursive})
        connect(box, &QCheckBox::stateChanged, this, changed);
    for (QButtonGroup* group : groups_)
        connect(group, &QButtonGroup::idToggled, this, changed);

    connect(txtFind, &TextBoxEdit::gotFocus, this, &frmVarnex::txtFind_GotFocus);
    connect(txtReplace, &TextBoxEdit::gotFocus, this, &frmVarnex::txtReplace_GotFocus);
    connect(txtPrepend, &TextBoxEdit::gotFocus, this, &frmVarnex::txtPrepend_GotFocus);
    connect(txtPostpend, &TextBoxEdit::gotFocus, this, &frmVarnex::txtPostpend_GotFocus);
}

// The keyboard focus order; frames and lblFolder hold a place but never take the focus.
QList<QWidget*> frmVarnex::focusOrder() const {
    return {optFolderFile[0],
            optFolderFile[1],
            frameFolder,
            lblFolder,
            cmdBrowse,
            chkRecursive,
            frameFiles,
            lstFiles,
            cmdOpen,
            cmdClose,
            cmdCloseAll,
            frameControls,
            optTypeOfRename[0],
            txtFind,
            txtReplace,
            frameIncludeExtension,
            optIncludeExtension[0],
            optIncludeExtension[1],
            chkCaseSensitive,
            optTypeOfRename[1],
            txtPrepend,
            optTypeOfRename[2],
            txtPostpend,
            framePostpend,
            optPostpendPosition[0],
            optPostpendPosition[1],
            optTypeOfRename[3],
            frameConvertCase,
            optConvertCase[0],
            optConvertCase[1],
            optConvertCase[2],
            chkReadOnly,
            chkHidden,
            chkSystem,
            cmdHelp,
            cmdRename,
            cmdExit};
}

void frmVarnex::applyFocusOrder() {
    QWidget* previous = nullptr;
    const QList<QWidget*> order = focusOrder();
    for (QWidget* widget : order) {
        if (!(widget->focusPolicy() & Qt::TabFocus))
            continue;
        if (previous != nullptr)
            setTabOrder(previous, widget);
        previous = widget;
    }
    // Sending each to the back in turn leaves the earlier entries drawn above the later ones
    // within each container.
    for (QWidget* widget : order)
        widget->lower();
}

void frmVarnex::clearDesignedTexts() {
    lblFolder->clear();
    for (TextBoxEdit* box : {txtFind, txtReplace, txtPrepend, txtPostpend})
        box->clear();
}

void frmVarnex::placeControls() {
    const TwipScale scale = TwipScale::of(this);
    for (const Placement& placement : fixedPlacements_)
        placement.widget->setGeometry(scale.toPixels(placement.rect));
    const std::pair<QWidget*, const TwipRect&> following[] = {
        {frameFolder, layout_.frameFolder},
        {lblFolder, layout_.lblFolder},
        {cmdBrowse, layout_.cmdBrowse},
        {Dir1, layout_.Dir1},
        {File1, layout_.File1},
        {frameFiles, layout_.frameFiles},
        {lstFiles, layout_.lstFiles},
        {cmdOpen, layout_.cmdOpen},
        {cmdClose, layout_.cmdClose},
        {cmdCloseAll, layout_.cmdCloseAll},
        {frameControls, layout_.frameControls},
        {cmdHelp, layout_.cmdHelp},
        {cmdRename, layout_.cmdRename},
        {cmdExit, layout_.cmdExit}};
    for (const auto& [widget, rect] : following)
        widget->setGeometry(scale.toPixels(rect));
}

void frmVarnex::setFileListModel(QAbstractItemModel* model) {
    lstFiles->setModel(model);
}
void frmVarnex::setFolderPreviewModel(QAbstractItemModel* model) {
    Dir1->setModel(model);
}
void frmVarnex::setFilePreviewModel(QAbstractItemModel* model) {
    File1->setModel(model);
}

QButtonGroup* frmVarnex::optionGroup(OptionArray array) const {
    return groups_[static_cast<std::size_t>(array)];
}

int frmVarnex::optionCount(OptionArray array) const {
    return static_cast<int>(optionGroup(array)->buttons().size());
}

QRadioButton* frmVarnex::optionMember(OptionArray array, int index) const {
    return static_cast<QRadioButton*>(optionGroup(array)->button(index));
}

int frmVarnex::selectedOption(OptionArray array) const {
    // Read for every file of a run: the members are walked as the group lists them, without
    // looking each up by its index.
    const QButtonGroup* group = optionGroup(array);
    const QList<QAbstractButton*> members = group->buttons();
    for (QAbstractButton* member : members) {
        if (member->isChecked())
            return group->id(member);
    }
    return -1;
}

void frmVarnex::setOptionMember(OptionArray array, int index, bool value) {
    QRadioButton* member = optionMember(array, index);
    if (member == nullptr)
        return;
    if (value) {
        if (member->isChecked())
            runClickHandler(array, index);
        else
            member->setChecked(true); // runs the handler through the group
        return;
    }
    if (!member->isChecked())
        return;
    // An exclusive group refuses to clear its selected member.
    QButtonGroup* buttons = optionGroup(array);
    buttons->setExclusive(false);
    member->setChecked(false);
    buttons->setExclusive(true);
}

void frmVarnex::runClickHandler(OptionArray array, int index) {
    switch (array) {
    case OptionArray::FolderFile:
        optFolderFile_Click(index);
        break;
    case OptionArray::TypeOfRename:
        optTypeOfRename_Click(index);
        break;
    case OptionArray::IncludeExtension:
        optIncludeExtension_Click(index);
        break;
    case OptionArray::PostpendPosition:
        optPostpendPosition_Click(index);
        break;
    case OptionArray::ConvertCase:
        optConvertCase_Click(index);
        break;
    }
}

RenameOptions frmVarnex::renameOptions() const {
    RenameOptions options;
    switch (selectedOption(OptionArray::TypeOfRename)) {
    case 0:
        options.renameType = RenameType::ReplaceText;
        break;
    case 1:
        options.renameType = RenameType::Prepend;
        break;
    case 2:
        options.renameType = RenameType::Postpend;
        break;
    case 3:
        options.renameType = RenameType::ConvertCase;
        break;
    default:
        options.renameType = RenameType::None;
        break;
    }
    options.findText = txtFind->text();
    options.replaceWith = txtReplace->text();
    // Only a tick counts: a greyed box is not case sensitive.
    options.caseSensitive = chkCaseSensitive->checkState() == Qt::Checked;
    options.includeExtension = includeExtension_;
    options.prependText = txtPrepend->text();
    options.postpendText = txtPostpend->text();
    options.postpendBeforeExtension = postpendBeforeExtension_;
    options.caseMode = caseMode_;
    return options;
}

AttributeChoices frmVarnex::attributeChoices() const {
    return {chkReadOnly->checkState() == Qt::Checked, chkHidden->checkState() == Qt::Checked,
            chkSystem->checkState() == Qt::Checked};
}

bool frmVarnex::recursive() const {
    return chkRecursive->checkState() == Qt::Checked;
}

QSizeF frmVarnex::outerSizeTwips() const {
    const TwipScale scale = TwipScale::of(this);
    const QSize outer = frameGeometry().size();
    // A size set in twips reads back as set while the window keeps the pixels it was given,
    // rather than as those pixels converted back (8000 twips are 533 pixels, which read back
    // as 7995 twips at 96 dots per inch).
    const auto read = [&](int pixels, double requestedTwips, int requestedPixels) {
        return pixels == requestedPixels ? requestedTwips : scale.toTwips(pixels);
    };
    return {read(outer.width(), requestedOuterTwips_.width(), requestedOuterPixels_.width()),
            read(outer.height(), requestedOuterTwips_.height(), requestedOuterPixels_.height())};
}

void frmVarnex::setOuterSizeTwips(double width, double height) {
    const TwipScale scale = TwipScale::of(this);
    requestedOuterTwips_ = QSizeF(width, height);
    requestedOuterPixels_ = QSize(scale.toPixels(width), scale.toPixels(height));
    // The frame's share is known once the window system has framed the window; until then
    // the whole size goes to the client area, and settleOuterSize() takes the frame off.
    const QSize frame = frameGeometry().size() - geometry().size();
    outerSizePending_ = frame.isEmpty();
    resize(requestedOuterPixels_ - frame);
}

void frmVarnex::settleOuterSize() {
    if (!outerSizePending_ || !isVisible() || windowState() != Qt::WindowNoState)
        return;
    const QSize frame = frameGeometry().size() - geometry().size();
    if (frame.isEmpty())
        return; // not framed yet, or no window manager at all
    outerSizePending_ = false;
    // Unless the user has resized the window in the meantime.
    if (size() == requestedOuterPixels_)
        resize(requestedOuterPixels_ - frame);
}

void frmVarnex::Form_Load() {
    // The stored size, or the maximised state; the minimum size applies only here.
    // A stored size larger than the screen's available area is not used: such a window would
    // never map, or would take gigabytes of memory.
    const TwipScale scale = TwipScale::of(this);
    const QScreen* shownOn = this->screen();
    const QSize available = shownOn ? shownOn->availableGeometry().size() : QSize();
    const WindowSizeChoice stored =
        available.isEmpty() ? readWindowSize(*services_.settings)
                            : readWindowSize(*services_.settings, scale.toTwips(available.width()),
                                             scale.toTwips(available.height()));
    if (stored.maximized) {
        setWindowState(windowState() | Qt::WindowMaximized);
    } else {
        setOuterSizeTwips(stored.outerWidth(designed::ClientWidth),
                          stored.outerHeight(designed::ClientHeight));
    }
    paneChoice_ = readPreviewPane(*services_.settings);
    const bool paneShown = std::exchange(paneChoice_.visible, false);
    // The stored outer size holds the menu bar and the pane, when shown, around the form; the
    // form keeps at least its smallest size within them.
    if (!stored.maximized) {
        const QSizeF outer = outerSizeTwips();
        const QSizeF least(kMinimumWindowWidthTwips + (paneShown ? paneChoice_.widthTwips : 0),
                           kMinimumWindowHeightTwips + menuBarTwips());
        if (outer.width() < least.width() || outer.height() < least.height())
            setOuterSizeTwips(std::max(outer.width(), least.width()),
                              std::max(outer.height(), least.height()));
    }
    if (paneShown) {
        paneChoice_.visible = true;
        previewPane_->show();
        menuBar_->previewNewNames->setChecked(true);
        Form_Resize();
    }

    applyFocusOrder();
    for (QButtonGroup* group : groups_)
        makeOneTabStop(group);
    setWindowTitle(varnex::windowTitle(applicationTitle(), Version{}));

    if (!isMaximized()) {
        if (const QScreen* screen = this->screen()) {
            QRect centred = frameGeometry();
            centred.moveCenter(screen->availableGeometry().center());
            move(centred.topLeft());
        }
    }
    show();

    clearDesignedTexts();
    optFolderFile_Click(0);
    optTypeOfRename_Click(0);
    optIncludeExtension_Click(0);
    optPostpendPosition_Click(0);
    optConvertCase_Click(0);

    applyStoredChoices(*services_.settings, *choices_, services_.programFolder,
                       services_.startFolder);
    previewRunner_->setActive(paneShown);
}

void frmVarnex::Form_Resize() {
    if (isMinimized())
        return;
    // The form keeps the width the pane leaves it and the height under the menu bar.
    const QSizeF outer = outerSizeTwips();
    const double pane = paneChoice_.visible ? paneChoice_.widthTwips : 0;
    layout_ = layoutForWindowSize(outer.width() - pane, outer.height() - menuBarTwips(), layout_);
    placeControls();
    placeChrome();
}

void frmVarnex::Form_Unload() {
    cmdExit_Click();
}

void frmVarnex::Form_Terminate() {
    cmdExit_Click();
}

void frmVarnex::cmdExit_Click() {
    // Exit runs once, whichever way it was reached; closing the window comes back here.
    if (exiting_)
        return;
    exiting_ = true;

    const WindowState state = isMinimized()   ? WindowState::Minimized
                              : isMaximized() ? WindowState::Maximized
                                              : WindowState::Normal;
    const QSizeF outer = outerSizeTwips();
    if (!saveChoices(*services_.settings, *choices_, state, outer.width(), outer.height())) {
        services_.messageBox->show(
            {tr("Your settings could not be saved, so the choices made in this "
                "session will not be restored next time."),
             applicationTitle(), Buttons::Ok, Icon::Critical, 0});
    }
    // A run in progress ends after its current file and shows no summary.
    if (running_)
        engine_->StopRun = true;
    if (help_)
        help_->close();
    hide();
    services_.endProgram();
}

void frmVarnex::cmdHelp_Click() {
    // Help is a convenience: any failure to show it stays silent.
    if (!help_)
        help_ = new HelpViewer(this);
    if (!help_->showContents(helpFilePath(services_.programFolder)))
        help_->hide();
}

void frmVarnex::cmdRename_Click() {
    if (running_ || exiting_)
        return;
    beginWork();
    journal_->beginRun();
    RunRenameCommand(*engine_, *host_, fileList_->model(), *services_.messageBox);
    journal_->endRun();
    endWork();
}

void frmVarnex::beginWork() {
    undoReader_->hold();
    running_ = true;
    menuBar_->setRunning(true);
    previewRunner_->hold(true);
}

void frmVarnex::endWork() {
    menuBar_->setRunning(false);
    running_ = false;
    updateUndo();
    // The folders have changed: the preview reads them again.
    previewRunner_->reread();
    previewRunner_->hold(false);
}

void frmVarnex::undoLastRun() {
    if (running_ || exiting_ || !menuBar_->undo->isEnabled())
        return;
    beginWork();
    host_->setRunning(true);
    const UndoOutcome outcome = undoNewestRun(*services_.fileSystem, journal_->folder(),
                                              *services_.eventPump, undoJournal_);
    restoreListEntries(fileList_->model(), outcome.restored);
    host_->setRunning(false);
    host_->refreshFolderView();
    endWork();
    if (!exiting_)
        services_.messageBox->show({undoSummary(outcome), applicationTitle(), Buttons::Ok,
                                    outcome.problemCount > 0 || !outcome.why.isEmpty()
                                        ? Icon::Critical
                                        : Icon::Information,
                                    0});
}

void frmVarnex::updateUndo() {
    if (running_)
        return;
    undoReader_->read(journal_->folder(), journal_->failure());
}

void frmVarnex::cmdBrowse_Click() {
    if (const std::optional<QString> folder = browseForFolder(*services_.folderChooser))
        setChosenFolder(*folder);
}

void frmVarnex::cmdOpen_Click() {
    open_->cmdOpen_Click();
}

void frmVarnex::cmdClose_Click() {
    fileList_->cmdClose(*lstFiles->selectionModel());
}

void frmVarnex::cmdCloseAll_Click() {
    fileList_->cmdCloseAll();
}

void frmVarnex::lstFiles_OLEDragDrop(const QMimeData* data) {
    fileList_->addDroppedFiles(data);
}

void frmVarnex::optFolderFile_Click(int index) {
    Q_UNUSED(index);
    if (optFolderFile[0]->isChecked()) {
        frameFolder->show();
        frameFiles->hide();
    } else if (optFolderFile[1]->isChecked()) {
        frameFolder->hide();
        frameFiles->show();
    }
    menuBar_->setFilesMode(optFolderFile[1]->isChecked());
}

void frmVarnex::setTextBoxOn(TextBoxEdit* box, bool on) {
    box->setEnabled(on);
    const QColor background =
        palette().color(QPalette::Active, on ? QPalette::Base : QPalette::Button);
    QPalette colours = box->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        colours.setColor(group, QPalette::Base, background);
    box->setPalette(colours);
}

void frmVarnex::optTypeOfRename_Click(int index) {
    ++choicesRevision_;
    Q_UNUSED(index);
    const int type = selectedOption(OptionArray::TypeOfRename);
    if (type < 0)
        return;
    const bool replace = type == 0;
    const bool prepend = type == 1;
    const bool postpend = type == 2;
    const bool convert = type == 3;

    setTextBoxOn(txtFind, replace);
    if (replace)
        txtFind->setFocus();
    lblFind->setEnabled(replace);
    setTextBoxOn(txtReplace, replace);
    lblReplace->setEnabled(replace);
    for (QRadioButton* member : optIncludeExtension)
        member->setEnabled(replace);
    chkCaseSensitive->setEnabled(replace);
    setTextBoxOn(txtPrepend, prepend);
    if (prepend)
        txtPrepend->setFocus();
    setTextBoxOn(txtPostpend, postpend);
    if (postpend)
        txtPostpend->setFocus();
    for (QRadioButton* member : optPostpendPosition)
        member->setEnabled(postpend);
    for (QRadioButton* member : optConvertCase)
        member->setEnabled(convert);
}

void frmVarnex::optIncludeExtension_Click(int index) {
    ++choicesRevision_;
    Q_UNUSED(index);
    if (optIncludeExtension[0]->isChecked())
        includeExtension_ = true;
    else if (optIncludeExtension[1]->isChecked())
        includeExtension_ = false;
}

void frmVarnex::optPostpendPosition_Click(int index) {
    ++choicesRevision_;
    Q_UNUSED(index);
    if (optPostpendPosition[0]->isChecked())
        postpendBeforeExtension_ = true;
    else if (optPostpendPosition[1]->isChecked())
        postpendBeforeExtension_ = false;
}

void frmVarnex::optConvertCase_Click(int index) {
    ++choicesRevision_;
    Q_UNUSED(index);
    switch (selectedOption(OptionArray::ConvertCase)) {
    case 0:
        caseMode_ = varnex::CaseMode::Lower;
        break;
    case 1:
        caseMode_ = varnex::CaseMode::Upper;
        break;
    case 2:
        caseMode_ = varnex::CaseMode::Title;
        break;
    default:
        break;
    }
}

void frmVarnex::txtFind_GotFocus() {
    selectWholeText(txtFind);
}
void frmVarnex::txtReplace_GotFocus() {
    selectWholeText(txtReplace);
}
void frmVarnex::txtPrepend_GotFocus() {
    selectWholeText(txtPrepend);
}
void frmVarnex::txtPostpend_GotFocus() {
    selectWholeText(txtPostpend);
}

void frmVarnex::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmVarnex::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void frmVarnex::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    settleOuterSize();
}

void frmVarnex::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    settleOuterSize();
}

void frmVarnex::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

// The window's default and cancel buttons: Enter presses Rename and Escape presses Exit,
// unless the control with the focus uses the key itself (a focused button presses itself).
void frmVarnex::keyPressEvent(QKeyEvent* event) {
    const auto modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::NoModifier) {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (cmdRename->isEnabled()) {
                cmdRename->click();
                return;
            }
            break;
        case Qt::Key_Escape:
            if (cmdExit->isEnabled()) {
                cmdExit->click();
                return;
            }
            break;
        default:
            break;
        }
    }
    QWidget::keyPressEvent(event);
}

} // namespace varnex
