#include "app/program.h"

#include "app/main_window.h"
#include "app/nail_grid.h"
#include "app/nail_scroll_box.h"
#include "app/startup.h"
#include "cache/quellbrook.h"
#include "dialogs/about_box.h"
#include "dialogs/message_window.h"
#include "dialogs/options_dialog.h"
#include "dialogs/quick_start_window.h"
#include "dialogs/source_viewer.h"
#include "dialogs/wait_window.h"
#include "platform/application.h"
#include "platform/hint_delay_style.h"
#include "platform/install_locations.h"
#include "platform/message_pump.h"
#include "platform/message_service.h"
#include "render/html_zoomed.h"
#include "search/find_dialog.h"
#include "search/find_host.h"
#include "source/form_iter.h"
#include "source/load_info_dialog.h"
#include "source/select_dialog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <memory>

namespace zv {

ProgramWindows createStartupWindows(TForm1& form, ProgramWindows windows)
{
    windows.quickStart = new TfrmQuickStart(&form);
    windows.wait = new TFormModal(&form);
    windows.iteration = new TFormIter(nullptr, &form);
    windows.message = new TfrmMessage(&form);
    return windows;
}

ProgramWindows createDialogWindows(TForm1& form, ProgramWindows windows)
{
    GridDependent* grid = form.HNailGrid;
    windows.options = new TfrmOptions(grid, &form);
    windows.select = new TfrmSelect(grid, form.dependent(), &form);
    windows.loadInfo = new TfrmLoadInfo(grid, form.dependent(), &form);
    windows.find = new TfrmFindText(form.findHost.get(), &form);
    RenderContext zoomContext;
    zoomContext.homeFolder = form.settings.homeFolder;
    zoomContext.cacheFolder = form.settings.cacheFolder;
    zoomContext.cacheDB = form.cacheDB.get();
    TfrmOptions* options = windows.options;
    zoomContext.scaleGraphics = [options] { return options->scaleGraphics(); };
    windows.zoomed = new THtmlZoomed(zoomContext, [options] { return options->nLines->text(); },
                                     windows.wait, &form);
    windows.source = new TFormHTSrc(&form);
    windows.about = new TAboutBox(&form);
    return windows;
}

int runProgram(int argc, char** argv)
{
    Application app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zorvane"));
    setApplicationTitle(QStringLiteral("Zorvane  -  ver. 1.03"));
    // Lets the desktop match the window to its launcher entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.kesh.Zorvane"));

    const RegistryStore registry = buildProgramRegistry();
    // The main window first; its construction reads the folders and creates the
    // cache table object and the grid.
    auto form = std::make_unique<TForm1>(registry);
    ProgramWindows windows;
    windows.quellbrook = new TQuellbrook(form->settings.homeFolder);
    windows = createStartupWindows(*form, windows);

    // The cache build progress window is the start-up picture until the main window
    // has been shown.
    windows.quellbrook->centreOnScreen();
    windows.quellbrook->show();
    repaintNow(windows.quellbrook);
    pumpMessagesNow();

    windows = createDialogWindows(*form, windows);
    form->attachWindows(windows);
    // Hints show at once, everywhere in the program.
    QApplication::setStyle(new HintDelayStyle(1));

    form->onStartupWork = [&form, &registry] { runStartupWork(*form, registry); };
    form->showMaximized();
    windows.quellbrook->hide();

    execModal(windows.quickStart);

    if (windows.select)
        windows.select->CheckBox1->setChecked(true);
    form->sbFind->setEnabled(true);
    form->sbxNails->setFocus();

    int result = 0;
    // The start-up question's Cancel closes the main window: the program ends here.
    if (form->isVisible())
        result = app.exec();
    form.reset();
    delete windows.quellbrook;
    return result;
}

} // namespace zv
