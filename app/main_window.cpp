#include "app/main_window.h"

#include "platform/hint.h"

#include "core/prog_bar.h"
#include "core/reg.h"
#include "app/grid_find_host.h"
#include "app/nail_grid.h"
#include "app/nail_scroll_box.h"
#include "app/source_search.h"
#include "dialogs/about_box.h"
#include "dialogs/options_dialog.h"
#include "search/find_dialog.h"
#include "search/text_search.h"
#include "source/select_dialog.h"
#include "app/status_panels.h"
#include "cache/cache_db.h"
#include "platform/desktop.h"
#include "platform/file_paths.h"
#include "platform/icons.h"
#include "platform/message_service.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QScreen>
#include <QStatusTipEvent>
#include <QVBoxLayout>

namespace zv {

namespace {

// The main window as the dialogs see it.
class MainWindowView final : public MainWindowDependent {
public:
    explicit MainWindowView(TForm1* w)
        : m_w(w)
    {
    }
    QString location() const override { return m_w->location; }
    int foundFilesCount() const override { return int(m_w->foundFiles.size()); }
    QString selectFilterMask() const override { return m_w->selectFilterMask(); }
    void ShowHelpContents() override { m_w->ShowHelpContents(); }

private:
    TForm1* m_w;
};

const QString kThumbHint = QStringLiteral("Right-click a thumbnail for menu.");


QFrame* makePanel(QWidget* parent, const char* name, int height)
{
    auto* panel = new QFrame(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setFixedHeight(height);
    return panel;
}

QToolButton* makeSpeedButton(QWidget* parent, const char* name, QRect geometry, const QIcon& icon)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(geometry);
    b->setIcon(icon);
    b->setIconSize(geometry.size() - QSize(12, 12));
    b->setAutoRaise(true);
    return b;
}

QProgressBar* makeBar(QWidget* parent, const char* name, QRect geometry, const QString& hint)
{
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setGeometry(geometry);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    setHint(bar, hint);
    return bar;
}

QLabel* makeLabel(QWidget* parent, const char* name, QRect geometry, const QString& caption)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    return label;
}

QAction* makeAction(QMenu* menu, const char* name, const QString& text, const QString& hint = {})
{
    QAction* a = menu->addAction(text);
    a->setObjectName(QString::fromLatin1(name));
    if (!hint.isEmpty())
        a->setStatusTip(hint);
    return a;
}

// An entry that shows a tick and does nothing: choosing it leaves the tick in place
// (a checkable action would otherwise untick itself when clicked).
void keepTicked(QAction* action)
{
    action->setCheckable(true);
    action->setChecked(true);
    QObject::connect(action, &QAction::toggled, action, [action](bool on) {
        if (!on)
            action->setChecked(true);
    });
}

} // namespace

TForm1::TForm1(const RegistryStore& registry, QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Zorvane  -  Version - 1.03"));
    resize(640, 400);

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("Form1Client"));
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    setCentralWidget(central);

    buildToolBar(central);
    buildLocationBar(central);

    sbxNails = new NailScrollBox(central);
    sbxNails->setObjectName(QStringLiteral("sbxNails"));
    setHint(sbxNails, kThumbHint);

    StatusBar = new StatusPanels(central);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    setHint(StatusBar, kThumbHint);

    column->addWidget(Panel1);
    column->addWidget(Panel2);
    column->addWidget(sbxNails, 1);
    column->addWidget(StatusBar);

    buildMenus();
    buildNailPopup();

    SaveDialog = new QFileDialog(this);
    SaveDialog->setObjectName(QStringLiteral("SaveDialog"));
    SaveDialog->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog->setNameFilter(QStringLiteral("All Files (*.*)"));
    SaveDialog->setOption(QFileDialog::DontUseNativeDialog, true);

    wireCommands();

    // Construction proper, in its designed order.
    settings.cacheFolder.clear();
    settings.homeFolder.clear();
    location.clear();
    searchText.clear();
    searchMode = 0;
    sbFind->setEnabled(false);
    settings.cacheFolder = readRegistryFolder(registry, QStringLiteral("Cache"),
                                              QStringLiteral("Could not find 'cache' reference in registry!"));
    settings.homeFolder = readRegistryFolder(registry, QStringLiteral("Home"),
                                             QStringLiteral("Could not find 'Home' reference in registry!"));
    cacheDB = std::make_unique<CacheDB>(joinPath(settings.cacheFolder, QStringLiteral("CacheDB.dbf")),
                                        settings.homeFolder);
    settings.cacheFolders.clear();
    HNailGrid = new zv::HNailGrid(this);
    m_dependent = std::make_unique<MainWindowView>(this);
    sourceSearch = std::make_unique<SourceSearch>(this);
    findHost = std::make_unique<GridFindHost>(this);
    connect(HNailGrid, &HNailGrid::busyChanged, this, [this](bool building) {
        m_busy += building ? 1 : -1;
        setCommandsEnabled(m_busy == 0);
    });
    pickedFiles.clear();
    settings.documentExtensions.clear();

    settings.locationHistory = QStringList{homeLocation()};
    cbLocation->addItem(homeLocation());

    applyButtonPictures();
    // FormCreate: the window's ShowHint receives the application's hint changes.
}

TForm1::~TForm1() = default;

void TForm1::attachWindows(const ProgramWindows& created)
{
    windows = created;
    HNailGrid->setPreferencesWindow(windows.options);
    HNailGrid->setMessageWindow(windows.message);
    HNailGrid->setZoomedView(windows.zoomed);
    HNailGrid->setSourceViewer(windows.source);
    sourceSearch->setWindows(windows.select, windows.loadInfo, windows.iteration);
    if (windows.find) {
        TfrmFindText* find = windows.find;
        textSearch = std::make_unique<TextSearch>(findHost.get(), find);
        sourceSearch->setMatchCase([find] { return find->chkMatchCase->isChecked(); });
    }
}

bool TForm1::includeSubfolders() const
{
    return windows.select ? windows.select->includeSubfolders() : settings.includeSubfolders;
}

bool TForm1::showInfo() const
{
    return windows.select ? windows.select->showInfo() : settings.showInfo;
}

bool TForm1::skipCachesChecked() const
{
    return windows.options ? windows.options->skipCaches() : settings.skipCaches;
}

QString TForm1::selectFilterMask() const
{
    return windows.select ? windows.select->filterMask() : QStringLiteral("*.HTM*");
}

void TForm1::rebuildDocumentExtensions()
{
    const QString mask = windows.select ? windows.select->fileMask() : QStringLiteral("*.HTM*");
    settings.documentExtensions = documentExtensionsFromMask(mask);
}

TForm1::BusyScope::BusyScope(TForm1* window)
    : m_window(window)
{
    if (m_window->m_busy++ == 0)
        m_window->setCommandsEnabled(false);
}

TForm1::BusyScope::~BusyScope()
{
    if (--m_window->m_busy == 0)
        m_window->setCommandsEnabled(true);
}

void TForm1::setCommandsEnabled(bool enabled)
{
    for (QWidget* w : {static_cast<QWidget*>(sbThumbNails), static_cast<QWidget*>(sbNewSource),
                       static_cast<QWidget*>(cbLocation)})
        w->setEnabled(enabled);
    for (QAction* a : {DeleteSelected1, Preferences1, SelectAll1, None1, Invert1})
        a->setEnabled(enabled);
    // The find button keeps its own state (disabled until start-up is over); while a
    // job runs it is off, afterwards it is on again.
    if (!enabled)
        m_findWasEnabled = sbFind->isEnabled();
    sbFind->setEnabled(enabled ? m_findWasEnabled || sbFind->isEnabled() : false);
}

QString TForm1::homeLocation()
{
    return withTrailingSlash(QDir::homePath());
}

void TForm1::buildToolBar(QWidget* central)
{
    Panel1 = makePanel(central, "Panel1", 65);
    sbThumbNails = makeSpeedButton(Panel1, "sbThumbNails", QRect(8, 3, 87, 60), QIcon());
    setHint(sbThumbNails, QStringLiteral("Display files."));
    sbFind = makeSpeedButton(Panel1, "sbFind", QRect(120, 11, 46, 49), QIcon());
    setHint(sbFind, QStringLiteral("Find files containing text."));
    sbFind->setEnabled(false);

    Label1 = makeLabel(Panel1, "Label1", QRect(181, 2, 340, 16), QStringLiteral(":"));
    setHint(Label1, QStringLiteral("Total progress"));
    ProgressBar1 = makeBar(Panel1, "ProgressBar1", QRect(181, 18, 340, 10), QStringLiteral("Total progress"));
    Label2 = makeLabel(Panel1, "Label2", QRect(181, 32, 340, 16), QStringLiteral(":"));
    setHint(Label2, QStringLiteral("Current progress"));
    ProgressBar2 = makeBar(Panel1, "ProgressBar2", QRect(181, 49, 340, 10), QStringLiteral("Current progress"));

    CancelBtn = makeSpeedButton(Panel1, "CancelBtn", QRect(524, 11, 46, 49), QIcon());
    setHint(CancelBtn, QStringLiteral("Cancel current process"));
    CancelBtn->setEnabled(false);

    SpeedButton3 = makeSpeedButton(Panel1, "SpeedButton3", QRect(578, 11, 46, 49), QIcon());
    SpeedButton3->setToolTip(QStringLiteral("Help Contents"));
}

void TForm1::applyButtonPictures()
{
    const QString icons = joinPath(settings.homeFolder, QStringLiteral("icons"));
    setWindowIcon(programIcon(settings.homeFolder));
    // The display-files button shows the program's own picture: a grid of pages.
    sbThumbNails->setIcon(QIcon(joinPath(icons, QStringLiteral("thumbnails.png"))));
    sbFind->setIcon(themeIcon("edit-find", joinPath(icons, QStringLiteral("find.png")),
                              QStyle::SP_FileDialogContentsView));
    CancelBtn->setIcon(themeIcon("process-stop", joinPath(icons, QStringLiteral("cancel.png")),
                                 QStyle::SP_BrowserStop));
    SpeedButton3->setIcon(themeIcon("help-contents", joinPath(icons, QStringLiteral("help.png")),
                                    QStyle::SP_DialogHelpButton));
}

void TForm1::buildLocationBar(QWidget* central)
{
    Panel2 = makePanel(central, "Panel2", 40);
    setHint(Panel2, kThumbHint);
    Label3 = makeLabel(Panel2, "Label3", QRect(17, 11, 80, 24), QStringLiteral("Location:"));
    Label3->setAlignment(Qt::AlignCenter);
    Label3->setBuddy(nullptr);

    cbLocation = new QComboBox(Panel2);
    cbLocation->setObjectName(QStringLiteral("cbLocation"));
    cbLocation->setGeometry(104, 9, 465, cbLocation->sizeHint().height());
    cbLocation->setEditable(false);
    setHint(cbLocation, QStringLiteral("Select source from history."));
    Label3->setBuddy(cbLocation);

    sbNewSource = new QPushButton(QStringLiteral("<<"), Panel2);
    sbNewSource->setObjectName(QStringLiteral("sbNewSource"));
    sbNewSource->setGeometry(572, 4, 37, 33);
    setHint(sbNewSource, QStringLiteral("Select source files."));
}

void TForm1::buildMenus()
{
    MainMenu = menuBar();
    MainMenu->setObjectName(QStringLiteral("MainMenu"));

    QMenu* file = MainMenu->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File1"));
    DeleteSelected1 = makeAction(file, "DeleteSelected1", QStringLiteral("Delete Selected"));
    file->addSeparator();
    Print1 = makeAction(file, "Print1", QStringLiteral("&Print"), QStringLiteral("Print current file"));
    Print1->setEnabled(false);
    PrintSetup1 = makeAction(file, "PrintSetup1", QStringLiteral("P&rint Setup..."),
                             QStringLiteral("Change printer setup"));
    PrintSetup1->setEnabled(false);
    file->addSeparator();
    Preferences1 = makeAction(file, "Preferences1", QStringLiteral("Preferences..."));
    file->addSeparator();
    FileExitItem1 = makeAction(file, "FileExitItem1", QStringLiteral("E&xit"),
                               QStringLiteral("Exit this application"));

    QMenu* edit = MainMenu->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("Edit1"));
    QMenu* select = edit->addMenu(QStringLiteral("Select"));
    select->setObjectName(QStringLiteral("Select1"));
    SelectAll1 = makeAction(select, "SelectAll1", QStringLiteral("Select All"));
    None1 = makeAction(select, "None1", QStringLiteral("None"));
    Invert1 = makeAction(select, "Invert1", QStringLiteral("Invert"));

    QMenu* view = MainMenu->addMenu(QStringLiteral("View"));
    view->setObjectName(QStringLiteral("View1"));
    All1 = makeAction(view, "All1", QStringLiteral("All"));
    keepTicked(All1);
    Selected1 = makeAction(view, "Selected1", QStringLiteral("Selected"));
    Selected1->setEnabled(false);
    view->addSeparator();
    Thumbnails1 = makeAction(view, "Thumbnails1", QStringLiteral("Thumbnails"));
    keepTicked(Thumbnails1);
    Filenames1 = makeAction(view, "Filenames1", QStringLiteral("Filenames"));
    Filenames1->setEnabled(false);
    Details1 = makeAction(view, "Details1", QStringLiteral("Details"));
    Details1->setEnabled(false);
    view->addSeparator();
    ArrangeIcons1 = view->addMenu(QStringLiteral("Arrange Icons"));
    ArrangeIcons1->setObjectName(QStringLiteral("ArrangeIcons1"));
    ArrangeIcons1->setEnabled(false);
    byName1 = makeAction(ArrangeIcons1, "byName1", QStringLiteral("by Name"));
    keepTicked(byName1);
    byType1 = makeAction(ArrangeIcons1, "byType1", QStringLiteral("by Type"));
    bySize1 = makeAction(ArrangeIcons1, "bySize1", QStringLiteral("by Size"));
    byDate1 = makeAction(ArrangeIcons1, "byDate1", QStringLiteral("by Date"));

    QMenu* help = MainMenu->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("Help1"));
    HelpContentsItem1 = makeAction(help, "HelpContentsItem1", QStringLiteral("&Contents"),
                                   QStringLiteral("Display the help contents screen"));
    help->addSeparator();
    HelpAboutItem1 = makeAction(help, "HelpAboutItem1", QStringLiteral("&About..."),
                                QStringLiteral("Show program information"));
}

void TForm1::buildNailPopup()
{
    NailPopup = new QMenu(this);
    NailPopup->setObjectName(QStringLiteral("NailPopup"));
    NailPopup->setToolTipsVisible(true);
    puDelete = makeAction(NailPopup, "puDelete", QStringLiteral("Delete"),
                          QStringLiteral("Delete thumbnail and associated HTML file."));
    puRename = makeAction(NailPopup, "puRename", QStringLiteral("Rename"), QStringLiteral("Rename file"));
    puRename->setEnabled(false);
    puSaveAs = makeAction(NailPopup, "puSaveAs", QStringLiteral("Save As..."),
                          QStringLiteral("Save file under a different name and/or location."));
    puZoom = makeAction(NailPopup, "puZoom", QStringLiteral("Zoom   (2x click)"),
                        QStringLiteral("Zoom to fit window."));
    puThmSrc = makeAction(NailPopup, "puThmSrc", QStringLiteral("Thumbnail Source"));
    puDocSrc = makeAction(NailPopup, "puDocSrc", QStringLiteral("Document Source"));
    puLaunch = makeAction(NailPopup, "puLaunch", QStringLiteral("View in Browser"),
                          QStringLiteral("Launch default HTML browser."));
    for (QAction* a : NailPopup->actions())
        a->setToolTip(a->statusTip());
}

void TForm1::run(const std::function<void()>& handler)
{
    if (handler)
        handler();
}

void TForm1::wireCommands()
{
    connect(sbThumbNails, &QToolButton::clicked, this, &TForm1::sbThumbNailsClick);
    connect(sbNewSource, &QPushButton::clicked, this, &TForm1::sbNewSourceClick);
    connect(sbFind, &QToolButton::clicked, this, &TForm1::sbFindClick);
    connect(CancelBtn, &QToolButton::clicked, this, &TForm1::CancelBtnClick);
    connect(SpeedButton3, &QToolButton::clicked, this, &TForm1::SpeedButton3Click);
    connect(cbLocation, &QComboBox::activated, this, &TForm1::cbLocationChange);
    connect(sbxNails, &NailScrollBox::backgroundClicked, this, &TForm1::FormClick);
    connect(sbxNails, &NailScrollBox::backgroundDoubleClicked, this, &TForm1::FormDblClick);

    connect(DeleteSelected1, &QAction::triggered, this, [this] { HNailGrid->DeleteSelected(); });
    connect(Preferences1, &QAction::triggered, this, [this] { HNailGrid->ApplyPreferences(); });
    connect(FileExitItem1, &QAction::triggered, this, &QWidget::close);
    connect(SelectAll1, &QAction::triggered, this, [this] { HNailGrid->SelectAll(); });
    connect(None1, &QAction::triggered, this, [this] { HNailGrid->SelectNone(); });
    connect(Invert1, &QAction::triggered, this, [this] { HNailGrid->InvertSelection(); });
    connect(HelpContentsItem1, &QAction::triggered, this, &TForm1::ShowHelpContents);
    connect(HelpAboutItem1, &QAction::triggered, this, [this] {
        if (windows.about)
            execModal(windows.about);
    });
}

void TForm1::createReporters()
{
    if (totalProgress)
        return;
    totalProgress = new ProgBar(this, ProgressBar1, Label1, CancelBtn);
    currentProgress = new ProgBar(this, ProgressBar2, Label2, CancelBtn);
}

void TForm1::ShowHelpContents()
{
    showHelpContents(settings.homeFolder, this);
}

void TForm1::ShowHint(const QString& hint)
{
    StatusBar->setSimpleText(hint);
}

void TForm1::sbThumbNailsClick() { sourceSearch->displayFilesCommand(); }
void TForm1::sbNewSourceClick() { sourceSearch->selectSourceCommand(); }
void TForm1::sbFindClick()
{
    if (busy() || !textSearch)
        return;
    BusyScope scope(this);
    textSearch->RunFind();
}

void TForm1::CancelBtnClick()
{
    if (totalProgress)
        totalProgress->Cancel();
    if (currentProgress)
        currentProgress->Cancel();
}

void TForm1::SpeedButton3Click() { ShowHelpContents(); }
void TForm1::cbLocationChange() { sourceSearch->pointSelectDialogAtLocation(); }
void TForm1::cbLocationClick() { sourceSearch->pointSelectDialogAtLocation(); }

void TForm1::FormShow()
{
    createReporters();
    run(onStartupWork);
}

void TForm1::FormClick() { HNailGrid->SelectNone(); }
void TForm1::FormDblClick() { HNailGrid->SelectAll(); }

void TForm1::FormResize()
{
    if (m_resizeAttached && HNailGrid)
        HNailGrid->ArrangeTiles();
}

void TForm1::FormClose()
{
    m_resizeAttached = false;
}

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        FormShow();
    }
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    FormClose();
    QMainWindow::closeEvent(event);
}

bool TForm1::event(QEvent* event)
{
    // Hints of controls and menu entries arrive as status tips; they become the
    // application's current hint, which goes to the status bar's single-panel text.
    if (event->type() == QEvent::StatusTip) {
        ShowHint(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

} // namespace zv
