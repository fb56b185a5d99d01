// Takes the README's screenshots: drives the real main window over the sample
// documents and saves pictures of the grid (plain, with "Scale Text" and with
// "Miniature"), a zoomed page, the select dialog over the main window, and a Find
// that shows only the documents holding a text.
//
//   zorvane-screenshots --out DIR [--samples DIR] [--width W --height H] [--grids NAME]
//
// --grids NAME takes only the grid of the samples folder, plain and as miniatures,
// with no cut-off, as NAME.png and NAME-miniature.png (for folders of real documents).
#include "app/main_window.h"
#include "app/nail_grid.h"
#include "app/program.h"
#include "dialogs/options_dialog.h"
#include "platform/application.h"
#include "platform/file_paths.h"
#include "platform/install_locations.h"
#include "platform/message_pump.h"
#include "platform/scripted_messages.h"
#include "render/hnail.h"
#include "render/html_zoomed.h"
#include "render/trans_gui.h"
#include "search/find_dialog.h"
#include "search/radio_group.h"
#include "source/select_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QDir>
#include <QPainter>
#include <QTemporaryDir>
#include <cstdio>

using namespace zv;

namespace {
void settle()
{
    for (int i = 0; i < 20; ++i)
        pumpMessagesNow();
}

bool save(QWidget* w, const QString& path)
{
    settle();
    const bool ok = w->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

// The main window with a dialog drawn over it, 90 pixels below its top.
bool saveWithDialog(QWidget* window, QWidget* dialog, const QString& path)
{
    settle();
    QPixmap shot = window->grab();
    QPainter painter(&shot);
    const QPixmap picture = dialog->grab();
    painter.drawPixmap((shot.width() - picture.width()) / 2, 90, picture);
    painter.end();
    const bool ok = shot.save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}
} // namespace

int main(int argc, char** argv)
{
    Application app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zorvane"));
    QString out = QStringLiteral("docs/screenshots");
    QString samples = joinPath(defaultHomeFolder(), QStringLiteral("samples"));
    int width = 1000, height = 680;
    QString grids;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--out"))
            out = args[i + 1];
        else if (args[i] == QLatin1String("--samples"))
            samples = args[i + 1];
        else if (args[i] == QLatin1String("--width"))
            width = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--height"))
            height = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--grids"))
            grids = args[i + 1];
    }
    QDir().mkpath(out);
    QTemporaryDir cache;
    ScriptedMessages quiet; // any message box is answered, not shown

    RegistryStore store;
    store.setValue(RootKey::LocalMachine, QString::fromLatin1(kProgramKey), QStringLiteral("Cache"), cache.path());
    store.setValue(RootKey::LocalMachine, QString::fromLatin1(kProgramKey), QStringLiteral("Home"),
                   defaultHomeFolder());
    TForm1 form(store);
    ProgramWindows windows;
    form.attachWindows(createDialogWindows(form, windows));
    form.resize(width, height);
    form.createReporters();
    form.show();
    form.HNailGrid->LoadPreferences();

    QStringList docs;
    for (const QString& name : QDir(samples).entryList({QStringLiteral("*.htm*")}, QDir::Files, QDir::Name | QDir::IgnoreCase))
        docs << joinPath(samples, name);
    form.cbLocation->addItem(withTrailingSlash(samples));
    form.cbLocation->setCurrentIndex(form.cbLocation->count() - 1);

    TfrmOptions* options = form.windows.options;
    if (!grids.isEmpty()) {
        // Whole pages: the default cut-off leaves a miniature mostly empty.
        options->nLines->setText(QStringLiteral("0"));
        form.HNailGrid->LoadPreferences();
        form.HNailGrid->BuildThumbnails(docs);
        bool ok = save(&form, joinPath(out, grids + QStringLiteral(".png")));
        options->chkMiniature->setChecked(true);
        form.HNailGrid->BuildThumbnails(docs);
        ok &= save(&form, joinPath(out, grids + QStringLiteral("-miniature.png")));
        return ok ? 0 : 1;
    }

    form.HNailGrid->BuildThumbnails(docs);
    if (form.HNailGrid->FnFiles > 2) {
        form.HNailGrid->tile(1)->Select();
        form.HNailGrid->tile(2)->Select();
    }
    bool ok = save(&form, joinPath(out, QStringLiteral("main-window.png")));

    options->chkScaleText->setChecked(true);
    form.HNailGrid->BuildThumbnails(docs);
    ok &= save(&form, joinPath(out, QStringLiteral("main-window-scale-text.png")));
    options->chkScaleText->setChecked(false);
    options->chkMiniature->setChecked(true);
    form.HNailGrid->BuildThumbnails(docs);
    ok &= save(&form, joinPath(out, QStringLiteral("main-window-miniature.png")));
    options->chkMiniature->setChecked(false);

    THtmlZoomed* zoomed = form.windows.zoomed;
    zoomed->setWindowTitle(joinPath(samples, QStringLiteral("tables.html")));
    zoomed->resize(width, height);
    zoomed->ShowDocument(joinPath(samples, QStringLiteral("tables.html")));
    zoomed->show();
    // Shown, the view lays its page out at its size on a worker thread.
    THTML* zoomedView = zoomed->view();
    pumpUntil([zoomedView] { return zoomedView->layoutFinished() && !zoomedView->layoutUnderWay(); }, 10000);
    ok &= save(zoomed, joinPath(out, QStringLiteral("zoomed-page.png")));
    zoomed->hide();

    // The select dialog over the main window.
    TfrmSelect* select = form.windows.select;
    select->PointAt(samples);
    select->show();
    ok &= saveWithDialog(&form, select, joinPath(out, QStringLiteral("select-dialog.png")));
    select->hide();

    // Find: only the documents holding "<table" among the tiles shown stay.
    form.HNailGrid->BuildThumbnails(docs);
    quiet.queueDialog([&](QDialog* d) {
        auto* find = qobject_cast<TfrmFindText*>(d);
        if (!find)
            return int(QDialog::Rejected);
        find->ComboBox1->setEditText(QStringLiteral("<table"));
        find->rgTarget->setItemIndex(TfrmFindText::kSearchThumbnails);
        find->rgDisplayMethod->setItemIndex(TfrmFindText::kShowOnly);
        ok &= saveWithDialog(&form, find, joinPath(out, QStringLiteral("find-dialog.png")));
        find->OKBtn->click();
        return find->result();
    });
    form.sbFind->click();
    ok &= save(&form, joinPath(out, QStringLiteral("find-show-only.png")));
    return ok ? 0 : 1;
}
