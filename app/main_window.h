#pragma once
// TForm1, the program's main window: the tool bar with the build, find, cancel and
// help buttons and the two progress displays, the location bar, the scrolling
// thumbnail area, the status bar, the menu bar and the tiles' pop-up menu. The
// window wires commands to the classes that do the work: the grid, the source
// search, the dialogs.
#include "core/settings.h"
#include "platform/registry_store.h"
#include "source/dialog_dependent.h"

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>
#include <QToolButton>
#include <functional>
#include <memory>

namespace zv {

class CacheDB;
class FindHost;
class TextSearch;
class HNailGrid;
class NailScrollBox;
class ProgBar;
class SourceSearch;
class StatusPanels;
class TAboutBox;
class TFormHTSrc;
class TFormIter;
class TFormModal;
class THtmlZoomed;
class TQuellbrook;
class TfrmFindText;
class TfrmLoadInfo;
class TfrmMessage;
class TfrmOptions;
class TfrmQuickStart;
class TfrmSelect;

// The windows created once at start-up, after the main window, and kept until the
// program ends. Null until created (tests create only what they need).
struct ProgramWindows {
    TQuellbrook* quellbrook = nullptr;
    TfrmQuickStart* quickStart = nullptr;
    TFormModal* wait = nullptr;
    TFormIter* iteration = nullptr;
    TfrmMessage* message = nullptr;
    TfrmOptions* options = nullptr;
    TfrmSelect* select = nullptr;
    TfrmLoadInfo* loadInfo = nullptr;
    TfrmFindText* find = nullptr;
    THtmlZoomed* zoomed = nullptr;
    TFormHTSrc* source = nullptr;
    TAboutBox* about = nullptr;
};

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // Reads the "Cache" and "Home" folders from `registry` (with the fallback
    // messages) and builds the window's own members; it uses no other window.
    explicit TForm1(const RegistryStore& registry, QWidget* parent = nullptr);
    ~TForm1() override;

    // --- Controls, under the names of the window design -------------------------
    QFrame* Panel1 = nullptr;
    QToolButton* sbThumbNails = nullptr;
    QToolButton* sbFind = nullptr;
    QLabel* Label1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* Label2 = nullptr;
    QProgressBar* ProgressBar2 = nullptr;
    QToolButton* CancelBtn = nullptr;
    QToolButton* SpeedButton3 = nullptr;
    QFrame* Panel2 = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* cbLocation = nullptr;
    QPushButton* sbNewSource = nullptr;
    NailScrollBox* sbxNails = nullptr;
    StatusPanels* StatusBar = nullptr;
    QMenuBar* MainMenu = nullptr;
    QMenu* NailPopup = nullptr;
    QFileDialog* SaveDialog = nullptr;

    // Menu entries.
    QAction* DeleteSelected1 = nullptr;
    QAction* Print1 = nullptr;
    QAction* PrintSetup1 = nullptr;
    QAction* Preferences1 = nullptr;
    QAction* FileExitItem1 = nullptr;
    QAction* SelectAll1 = nullptr;
    QAction* None1 = nullptr;
    QAction* Invert1 = nullptr;
    QAction* All1 = nullptr;
    QAction* Selected1 = nullptr;
    QAction* Thumbnails1 = nullptr;
    QAction* Filenames1 = nullptr;
    QAction* Details1 = nullptr;
    QMenu* ArrangeIcons1 = nullptr;
    QAction* byName1 = nullptr;
    QAction* byType1 = nullptr;
    QAction* bySize1 = nullptr;
    QAction* byDate1 = nullptr;
    QAction* HelpContentsItem1 = nullptr;
    QAction* HelpAboutItem1 = nullptr;

    // Tile menu entries.
    QAction* puDelete = nullptr;
    QAction* puRename = nullptr;
    QAction* puSaveAs = nullptr;
    QAction* puZoom = nullptr;
    QAction* puThmSrc = nullptr;
    QAction* puDocSrc = nullptr;
    QAction* puLaunch = nullptr;

    // --- Members beyond the controls ---------------------------------------------
    Settings settings;
    std::unique_ptr<CacheDB> cacheDB;
    zv::HNailGrid* HNailGrid = nullptr;
    ProgBar* totalProgress = nullptr;
    ProgBar* currentProgress = nullptr;
    QStringList foundFiles;
    QStringList pickedFiles;
    QString location;
    int acceptedCount = 0;
    int visitedCount = 0;
    int searchMode = 0;
    QString searchText;

    ProgramWindows windows;
    std::unique_ptr<SourceSearch> sourceSearch;
    std::unique_ptr<FindHost> findHost;     // the Find command's view of this window
    std::unique_ptr<TextSearch> textSearch; // the Find command, once its dialog exists

    // Hands the windows created after this one to the parts that use them.
    void attachWindows(const ProgramWindows& created);

    // --- Live settings: read from the dialog controls that hold them ---------------
    bool includeSubfolders() const;
    bool showInfo() const;
    bool skipCachesChecked() const;
    // Derives documentExtensions from the select dialog's file mask.
    void rebuildDocumentExtensions();

    // --- Busy state: while a walk or a build runs, the commands that would start
    // another one or clear the tiles are disabled; the cancel button stays live.
    bool busy() const { return m_busy > 0; }
    class BusyScope {
    public:
        explicit BusyScope(TForm1* window);
        ~BusyScope();
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        TForm1* m_window;
    };

    // What the dialogs see of this window.
    MainWindowDependent* dependent() const { return m_dependent.get(); }
    QString selectFilterMask() const;

    // --- Commands ------------------------------------------------------------------
    void ShowHelpContents();
    // Copies the application's current hint into the status bar's single-panel text.
    void ShowHint(const QString& hint);
    // Creates the two progress reporters on the shared cancel button.
    void createReporters();
    // The location history's first entry, standing for the user's home folder.
    static QString homeLocation();

    // Handlers that other windows are wired to as they are created.
    std::function<void()> onStartupWork; // first showing

    bool resizeHandlingAttached() const { return m_resizeAttached; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void buildToolBar(QWidget* central);
    void buildLocationBar(QWidget* central);
    void applyButtonPictures();
    void buildMenus();
    void buildNailPopup();
    void wireCommands();

    void sbThumbNailsClick();
    void sbNewSourceClick();
    void sbFindClick();
    void CancelBtnClick();
    void SpeedButton3Click();
    void cbLocationChange();
    void cbLocationClick();
    void FormShow();
    void FormClick();
    void FormDblClick();
    void FormResize();
    void FormClose();

    static void run(const std::function<void()>& handler);

    void setCommandsEnabled(bool enabled);

    std::unique_ptr<MainWindowDependent> m_dependent;
    int m_busy = 0;
    bool m_findWasEnabled = false;
    bool m_shownOnce = false;
    bool m_resizeAttached = true;
};

} // namespace zv
