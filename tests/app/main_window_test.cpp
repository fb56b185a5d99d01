#include "core/prog_bar.h"
#include "app/main_window.h"
#include "app/nail_scroll_box.h"
#include "app/status_panels.h"
#include "cache/cache_db.h"
#include "platform/desktop.h"
#include "platform/scripted_messages.h"

#include <QStatusTipEvent>
#include <functional>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace zv;

namespace {

RegistryStore programStore(const QString& cache, const QString& home)
{
    RegistryStore s;
    s.setValue(RootKey::LocalMachine, "SOFTWARE\\Kesh\\zorvane", "Cache", cache);
    s.setValue(RootKey::LocalMachine, "SOFTWARE\\Kesh\\zorvane", "Home", home);
    return s;
}

struct MainWindow : ::testing::Test {
    QTemporaryDir cache;
    QTemporaryDir home;
    ScriptedMessages script;
    std::unique_ptr<TForm1> form;
    void SetUp() override { form = std::make_unique<TForm1>(programStore(cache.path(), home.path())); }
};

QStringList menuTexts(QMenu* menu)
{
    QStringList out;
    for (QAction* a : menu->actions())
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

QMenu* topMenu(TForm1& f, const char* title)
{
    for (QAction* a : f.MainMenu->actions())
        if (a->text() == QLatin1String(title))
            return a->menu();
    return nullptr;
}

} // namespace

TEST_F(MainWindow, ReadsItsFoldersAndNamesItsControls)
{
    EXPECT_TRUE(script.shown().empty());
    EXPECT_EQ(form->settings.cacheFolder, cache.path());
    EXPECT_EQ(form->settings.homeFolder, home.path());
    EXPECT_EQ(form->windowTitle(), "Zorvane  -  Version - 1.03");
    for (const char* name : {"Panel1", "sbThumbNails", "sbFind", "Label1", "ProgressBar1", "Label2",
                             "ProgressBar2", "CancelBtn", "SpeedButton3", "Panel2", "Label3",
                             "cbLocation", "sbNewSource", "sbxNails", "StatusBar", "NailPopup",
                             "SaveDialog"})
        EXPECT_NE(form->findChild<QWidget*>(name), nullptr) << name;
    EXPECT_EQ(form->sbThumbNails->geometry(), QRect(8, 3, 87, 60));
    EXPECT_EQ(form->CancelBtn->geometry(), QRect(524, 11, 46, 49));
    EXPECT_EQ(form->Label1->geometry(), QRect(181, 2, 340, 16));
    EXPECT_EQ(form->ProgressBar2->geometry(), QRect(181, 49, 340, 10));
    EXPECT_EQ(form->sbNewSource->geometry(), QRect(572, 4, 37, 33));
    EXPECT_EQ(form->Panel1->height(), 65);
    EXPECT_EQ(form->Panel2->height(), 40);
    EXPECT_EQ(form->Label1->text(), ":");
    EXPECT_EQ(form->Label3->text(), "Location:");
    EXPECT_EQ(form->sbNewSource->text(), "<<");
    EXPECT_EQ(form->ProgressBar1->maximum(), 100);
    EXPECT_FALSE(form->sbFind->isEnabled());
    EXPECT_FALSE(form->CancelBtn->isEnabled());
    EXPECT_EQ(form->cbLocation->count(), 1);
    EXPECT_EQ(form->cbLocation->itemText(0), TForm1::homeLocation());
    EXPECT_EQ(form->settings.locationHistory, QStringList{TForm1::homeLocation()});
}

TEST_F(MainWindow, HintsAreTheDesignedTexts)
{
    EXPECT_EQ(form->sbThumbNails->toolTip(), "Display files.");
    EXPECT_EQ(form->sbFind->toolTip(), "Find files containing text.");
    EXPECT_EQ(form->Label1->toolTip(), "Total progress");
    EXPECT_EQ(form->ProgressBar1->toolTip(), "Total progress");
    EXPECT_EQ(form->ProgressBar2->toolTip(), "Current progress");
    EXPECT_EQ(form->CancelBtn->toolTip(), "Cancel current process");
    EXPECT_EQ(form->SpeedButton3->toolTip(), "Help Contents");
    EXPECT_EQ(form->SpeedButton3->statusTip(), ""); // tool tip only
    EXPECT_EQ(form->Panel2->toolTip(), "Right-click a thumbnail for menu.");
    EXPECT_EQ(form->cbLocation->toolTip(), "Select source from history.");
    EXPECT_EQ(form->sbNewSource->toolTip(), "Select source files.");
    EXPECT_EQ(form->sbxNails->toolTip(), "Right-click a thumbnail for menu.");
    EXPECT_EQ(form->StatusBar->toolTip(), "Right-click a thumbnail for menu.");
}

TEST_F(MainWindow, MenusHaveEveryEntrySeparatorAndState)
{
    EXPECT_EQ(menuTexts(topMenu(*form, "&File")),
              QStringList({"Delete Selected", "-", "&Print", "P&rint Setup...", "-", "Preferences...",
                           "-", "E&xit"}));
    EXPECT_FALSE(form->Print1->isEnabled());
    EXPECT_FALSE(form->PrintSetup1->isEnabled());
    EXPECT_EQ(form->Print1->statusTip(), "Print current file");
    EXPECT_EQ(form->PrintSetup1->statusTip(), "Change printer setup");
    EXPECT_EQ(form->FileExitItem1->statusTip(), "Exit this application");
    QMenu* edit = topMenu(*form, "&Edit");
    ASSERT_EQ(edit->actions().size(), 1);
    EXPECT_EQ(edit->actions()[0]->text(), "Select");
    EXPECT_EQ(menuTexts(edit->actions()[0]->menu()), QStringList({"Select All", "None", "Invert"}));
    EXPECT_EQ(menuTexts(topMenu(*form, "View")),
              QStringList({"All", "Selected", "-", "Thumbnails", "Filenames", "Details", "-",
                           "Arrange Icons"}));
    EXPECT_TRUE(form->All1->isChecked());
    EXPECT_FALSE(form->Selected1->isEnabled());
    EXPECT_TRUE(form->Thumbnails1->isChecked());
    EXPECT_FALSE(form->Filenames1->isEnabled());
    EXPECT_FALSE(form->Details1->isEnabled());
    EXPECT_FALSE(form->ArrangeIcons1->isEnabled());
    EXPECT_EQ(menuTexts(form->ArrangeIcons1), QStringList({"by Name", "by Type", "by Size", "by Date"}));
    EXPECT_TRUE(form->byName1->isChecked());
    EXPECT_EQ(menuTexts(topMenu(*form, "&Help")), QStringList({"&Contents", "-", "&About..."}));
    EXPECT_EQ(form->HelpContentsItem1->statusTip(), "Display the help contents screen");
    EXPECT_EQ(form->HelpAboutItem1->statusTip(), "Show program information");
    std::function<void(QMenu*)> noShortcuts = [&](QMenu* m) {
        for (QAction* a : m->actions()) {
            EXPECT_TRUE(a->shortcut().isEmpty()) << a->text().toStdString();
            if (a->menu())
                noShortcuts(a->menu());
        }
    };
    for (QAction* a : form->MainMenu->actions())
        noShortcuts(a->menu());
}

TEST_F(MainWindow, TileMenuEntries)
{
    EXPECT_EQ(menuTexts(form->NailPopup),
              QStringList({"Delete", "Rename", "Save As...", "Zoom   (2x click)", "Thumbnail Source",
                           "Document Source", "View in Browser"}));
    EXPECT_FALSE(form->puRename->isEnabled());
    EXPECT_EQ(form->puDelete->statusTip(), "Delete thumbnail and associated HTML file.");
    EXPECT_EQ(form->puRename->statusTip(), "Rename file");
    EXPECT_EQ(form->puSaveAs->statusTip(), "Save file under a different name and/or location.");
    EXPECT_EQ(form->puZoom->statusTip(), "Zoom to fit window.");
    EXPECT_EQ(form->puThmSrc->statusTip(), "");
    EXPECT_EQ(form->puLaunch->statusTip(), "Launch default HTML browser.");
    EXPECT_EQ(form->SaveDialog->nameFilters(), QStringList({"All Files (*.*)"}));
}

TEST_F(MainWindow, StatusBarPanelsAndHintRouting)
{
    ASSERT_EQ(StatusPanels::kPanelCount, 4);
    EXPECT_EQ(form->StatusBar->panel(0)->width(), 100);
    EXPECT_EQ(form->StatusBar->panel(1)->width(), 50);
    EXPECT_EQ(form->StatusBar->panel(2)->width(), 350);
    EXPECT_EQ(form->StatusBar->panel(3)->width(), 50);
    EXPECT_EQ(form->StatusBar->height(), 18);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(form->StatusBar->panelText(i), "");
    QStatusTipEvent tip(QStringLiteral("Select source files."));
    QCoreApplication::sendEvent(form->sbNewSource, &tip);
    EXPECT_EQ(form->StatusBar->simpleText(), "Select source files.");
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(form->StatusBar->panelText(i), ""); // the bar stays in four-panel mode
}

TEST_F(MainWindow, FirstShowCreatesReportersAndCancelReachesBoth)
{
    int startups = 0;
    form->onStartupWork = [&] { ++startups; };
    form->show();
    form->hide();
    form->show();
    EXPECT_EQ(startups, 1);
    ASSERT_NE(form->totalProgress, nullptr);
    ASSERT_NE(form->currentProgress, nullptr);
    form->totalProgress->Start("a", 0);
    form->currentProgress->Start("b", 0);
    form->totalProgress->Step(1, 0);
    EXPECT_TRUE(form->CancelBtn->isEnabled());
    QTest::mouseClick(form->CancelBtn, Qt::LeftButton);
    EXPECT_TRUE(form->totalProgress->cancelled());
    EXPECT_TRUE(form->currentProgress->cancelled());
    EXPECT_FALSE(form->CancelBtn->isEnabled());
}

TEST_F(MainWindow, ResizeHandlingIsDetachedOnClose)
{
    form->show();
    EXPECT_TRUE(form->resizeHandlingAttached());
    form->close();
    EXPECT_FALSE(form->resizeHandlingAttached());
}

namespace {
QStringList g_opened;
bool recordOpen(const QString& url)
{
    g_opened << url;
    return true;
}
} // namespace

TEST(MainWindowHelp, OpensTheHelpPageOrNamesTheMissingFile)
{
    QTemporaryDir cache, home;
    ScriptedMessages script;
    TForm1 form(programStore(cache.path(), home.path()));
    UrlOpener previous = setUrlOpener(&recordOpen);
    g_opened.clear();
    form.HelpContentsItem1->trigger();
    EXPECT_TRUE(g_opened.isEmpty());
    ASSERT_EQ(script.texts().size(), 1);
    EXPECT_TRUE(script.texts()[0].contains(home.path() + "/Zorvane.html"));
    QFile page(home.path() + "/Zorvane.html");
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.close();
    QTest::mouseClick(form.SpeedButton3, Qt::LeftButton);
    EXPECT_EQ(g_opened, QStringList{"file://" + home.path() + "/Zorvane.html"});
    setUrlOpener(previous);
}

TEST(MainWindowRegistry, BothFallbackMessagesWithoutTheProgramKey)
{
    ScriptedMessages script;
    RegistryStore empty;
    TForm1 form(empty);
    EXPECT_EQ(script.texts(), QStringList({"Could not find 'cache' reference in registry!",
                                           "Could not find 'Home' reference in registry!"}));
    EXPECT_EQ(form.settings.cacheFolder, "/");
    EXPECT_EQ(form.settings.homeFolder, "/");
    EXPECT_EQ(form.cacheDB->tableFile(), "/CacheDB.dbf");
}
