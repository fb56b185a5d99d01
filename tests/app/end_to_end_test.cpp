// Drives the real main window on the offscreen platform over a copy of the sample
// documents: "<<" with the select dialog answered by a script, the walk, the build,
// clicks on the tiles, the File menu's commands and the cancel button.
#include "core/prog_bar.h"
#include "app/main_window.h"
#include "app/nail_grid.h"
#include "app/program.h"
#include "app/source_search.h"
#include "app/status_panels.h"
#include "dialogs/message_window.h"
#include "dialogs/options_dialog.h"
#include "dialogs/wait_window.h"
#include "platform/file_paths.h"
#include "platform/scripted_messages.h"
#include "render/hnail.h"
#include "render/thtml.h"
#include "search/find_dialog.h"
#include "search/radio_group.h"
#include "source/file_acceptor.h"
#include "source/form_iter.h"
#include "source/load_info_dialog.h"
#include "source/select_dialog.h"
#include "walk_probe.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace zv;
using zv::testing::WalkProbe;

namespace {

void copyTree(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + source.mid(from.size());
        QDir().mkpath(folderOf(target));
        ASSERT_TRUE(QFile::copy(source, target)) << source.toStdString();
    }
}

void writeText(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(folderOf(path));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

// The sample documents in the order a walk meets them: a folder's own files by name
// without regard to case, then each subfolder's whole subtree.
const QStringList kWalkOrder = {
    "colors.html",   "form.html",          "frame-left.html", "frame-right.html",
    "frameset.html", "index.html",         "international.html", "latin1.htm",
    "long.html",     "malformed.html",     "missing-pictures.html", "NEWS.HTM",
    "pictures.html", "pre.html",           "tables.html",     "Archive/old.htm",
};

struct EndToEnd : ::testing::Test {
    QTemporaryDir cache;
    QTemporaryDir home;
    QTemporaryDir work;
    ScriptedMessages script;
    std::unique_ptr<TForm1> form;
    QString samples;

    void SetUp() override
    {
        samples = work.path() + "/samples";
        copyTree(QStringLiteral(ZV_SOURCE_DATA_DIR "/samples"), samples);
        // A document in a subfolder that sorts before the root's files, and a text
        // file without extension that a walk must pass over.
        writeText(samples + "/Archive/old.htm",
                  "<html><head><title>Old</title></head><body><p>archived</p></body></html>");
        writeText(samples + "/README", "<html><body>not a document by its name</body></html>");
        for (const char* picture : {"_NoImage.gif", "_TooBig.gif", "_DBMiss.gif"})
            QFile::copy(QStringLiteral(ZV_SOURCE_DATA_DIR "/") + picture, home.path() + "/" + picture);

        RegistryStore store;
        store.setValue(RootKey::LocalMachine, "SOFTWARE\\Kesh\\zorvane", "Cache", cache.path());
        store.setValue(RootKey::LocalMachine, "SOFTWARE\\Kesh\\zorvane", "Home", home.path());
        form = std::make_unique<TForm1>(store);
        form->attachWindows(createDialogWindows(*form, createStartupWindows(*form, {})));
        form->resize(640, 480);
        form->show(); // the first showing creates the two progress reporters
        form->HNailGrid->LoadPreferences();
        ASSERT_NE(form->totalProgress, nullptr);
    }

    HNailGrid& grid() const { return *form->HNailGrid; }
    TfrmSelect* select() const { return form->windows.select; }

    QStringList inSamples(const QStringList& relative) const
    {
        QStringList out;
        for (const QString& r : relative)
            out << samples + "/" + r;
        return out;
    }

    QStringList tilePaths() const
    {
        QStringList out;
        for (int i = 0; i < grid().FnFiles; ++i)
            out << grid().tile(i)->documentPath();
        return out;
    }

    QStringList selectedTiles() const
    {
        QStringList out;
        for (int i = 0; i < grid().FnFiles; ++i)
            if (grid().tile(i)->Selected())
                out << grid().tile(i)->documentPath();
        return out;
    }

    // The pre-built thumbnails in the cache folder, without the tiles' pictures.
    QStringList thumbnails() const
    {
        QStringList names = QDir(cache.path()).entryList({"*.n*"}, QDir::Files, QDir::Name);
        names.removeIf([](const QString& n) { return n.endsWith(".pic"); });
        return names;
    }
    // The pictures kept of tiles beside their thumbnails.
    QStringList tilePictures() const
    {
        return QDir(cache.path()).entryList({"*.n*.pic"}, QDir::Files, QDir::Name);
    }

    // Presses "<<"; the select dialog is pointed at the samples, `setup` adjusts it,
    // and it is confirmed with "Create Thumbs".
    void pressNewSource(const std::function<void(TfrmSelect*)>& setup = {})
    {
        const QString folder = samples;
        script.queueDialog([folder, setup](QDialog* d) {
            auto* dialog = qobject_cast<TfrmSelect*>(d);
            EXPECT_NE(dialog, nullptr);
            if (!dialog)
                return int(QDialog::Rejected);
            EXPECT_TRUE(dialog->PointAt(folder));
            if (setup)
                setup(dialog);
            return int(QDialog::Accepted);
        });
        QTest::mouseClick(form->sbNewSource, Qt::LeftButton);
    }

    void selectFiles(TfrmSelect* dialog, const QStringList& names)
    {
        for (const QString& name : names) {
            const auto items = dialog->FileListBox1->findItems(name, Qt::MatchExactly);
            ASSERT_EQ(items.size(), 1) << name.toStdString();
            items[0]->setSelected(true);
        }
    }

    QAction* menuEntry(const QString& menu, const QString& entry) const
    {
        for (QAction* top : form->MainMenu->actions()) {
            if (top->text() != menu || !top->menu())
                continue;
            for (QAction* a : top->menu()->actions())
                if (a->text() == entry)
                    return a;
        }
        return nullptr;
    }

    void clickTile(int i, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::mouseClick(grid().tile(i)->view()->viewport(), Qt::LeftButton, modifiers);
    }
};

// --- Walk and build ------------------------------------------------------------------

TEST_F(EndToEnd, NewSourceWalksTheFolderAndBuildsOneTilePerDocumentInWalkOrder)
{
    // Looks at the window before every file of the walk.
    struct Seen {
        bool commandsEnabled = false;
        bool cancelEnabled = true;
        QString status;
        int folders = 0;
    };
    std::vector<Seen> duringWalk;
    WalkProbe probe(form->sourceSearch.get(), [&](int) {
        duringWalk.push_back({form->sbThumbNails->isEnabled() || form->sbNewSource->isEnabled()
                                  || form->cbLocation->isEnabled(),
                              form->CancelBtn->isEnabled(), form->StatusBar->panelText(3),
                              form->StatusBar->panelText(1).toInt()});
    });
    form->windows.iteration->Iter->setAcceptor(&probe);

    // Looks at the window, and tries the source commands, while the tiles are built.
    int buildSamples = 0;
    bool commandsEnabledDuringBuild = false;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (!grid().building())
            return;
        ++buildSamples;
        commandsEnabledDuringBuild |= form->sbThumbNails->isEnabled() || form->sbNewSource->isEnabled()
                                      || form->cbLocation->isEnabled();
        form->sbThumbNails->click();
        QTest::mouseClick(form->sbNewSource, Qt::LeftButton);
    });
    sampler.start(0);

    pressNewSource();
    sampler.stop();
    form->windows.iteration->Iter->setAcceptor(form->sourceSearch.get());

    const QStringList expected = inSamples(kWalkOrder);
    EXPECT_EQ(form->foundFiles, expected);
    EXPECT_EQ(tilePaths(), expected);
    EXPECT_EQ(grid().tileWidth, (form->frameGeometry().width() - 30) / 4);
    for (int i = 0; i < grid().FnFiles; ++i) {
        EXPECT_FALSE(grid().tile(i)->isHidden()) << i;
        EXPECT_TRUE(grid().tile(i)->view()->layoutFinished()) << i;
    }
    EXPECT_EQ(thumbnails().size(), expected.size());
    EXPECT_FALSE(form->foundFiles.contains(samples + "/README"));
    EXPECT_TRUE(script.texts().isEmpty()) << script.texts().join(" | ").toStdString();
    ASSERT_EQ(script.dialogsShown().size(), 1u); // the presses during the build did nothing

    // The walk: every file offered (README and the pictures too), the commands off,
    // the cancel button live from the first step on, the status word and the folder
    // count showing.
    ASSERT_EQ(duringWalk.size(), 21u);
    for (size_t i = 0; i < duringWalk.size(); ++i) {
        EXPECT_FALSE(duringWalk[i].commandsEnabled) << i;
        if (i > 0) {
            EXPECT_TRUE(duringWalk[i].cancelEnabled) << i;
        }
        EXPECT_EQ(duringWalk[i].status, "Searching...") << i;
        EXPECT_GE(duringWalk[i].folders, 1) << i;
    }
    EXPECT_EQ(duringWalk.front().folders, 1);
    EXPECT_EQ(duringWalk.back().folders, 3); // samples, Archive, images
    EXPECT_GT(buildSamples, 0);
    EXPECT_FALSE(commandsEnabledDuringBuild);

    // Afterwards: status words, captions, the location history and the commands.
    EXPECT_EQ(form->StatusBar->panelText(3), "Idle.");
    EXPECT_EQ(form->StatusBar->panelText(1), "3"); // samples, Archive, images
    EXPECT_EQ(form->Label1->text(), "");
    EXPECT_EQ(form->Label2->text(), "");
    EXPECT_FALSE(form->CancelBtn->isEnabled());
    EXPECT_TRUE(form->sbThumbNails->isEnabled());
    EXPECT_TRUE(form->sbNewSource->isEnabled());
    EXPECT_TRUE(form->cbLocation->isEnabled());
    EXPECT_TRUE(form->sbFind->isEnabled());
    EXPECT_EQ(form->settings.locationHistory, QStringList({TForm1::homeLocation(), samples + "/"}));
    EXPECT_EQ(form->cbLocation->currentText(), samples + "/");

    // A second build reuses every pre-built thumbnail and shows the same tiles.
    QTest::mouseClick(form->sbThumbNails, Qt::LeftButton);
    EXPECT_EQ(tilePaths(), expected);
    EXPECT_EQ(thumbnails().size(), expected.size());
}

TEST_F(EndToEnd, PickedFilesBuildExactlyThoseAndEnterTheHistoryOnce)
{
    pressNewSource([&](TfrmSelect* d) { selectFiles(d, {"tables.html", "colors.html"}); });
    EXPECT_EQ(tilePaths(), inSamples({"colors.html", "tables.html"})); // list order
    EXPECT_TRUE(form->pickedFiles.isEmpty());
    EXPECT_EQ(form->settings.locationHistory, QStringList({TForm1::homeLocation(), samples + "/"}));
    EXPECT_EQ(form->cbLocation->count(), 2);

    // The same folder again adds nothing to the history.
    pressNewSource([&](TfrmSelect* d) { selectFiles(d, {"pre.html", "NEWS.HTM"}); });
    EXPECT_EQ(tilePaths(), inSamples({"NEWS.HTM", "pre.html"}));
    EXPECT_EQ(form->settings.locationHistory.size(), 2);
    EXPECT_EQ(form->cbLocation->count(), 2);
    EXPECT_EQ(form->cbLocation->currentText(), samples + "/");

    // Picking files unticked "Include Subs:": display-files walks the folder alone.
    EXPECT_FALSE(select()->CheckBox1->isChecked());
    QTest::mouseClick(form->sbThumbNails, Qt::LeftButton);
    EXPECT_EQ(tilePaths(), inSamples(kWalkOrder.mid(0, kWalkOrder.size() - 1)));
}

TEST_F(EndToEnd, ShowInfoShowsTheLoadResultsAndItsCancelBuildsNothing)
{
    TfrmLoadInfo* info = form->windows.loadInfo;
    QString count;
    script.queueDialog([&](QDialog*) { // select: tick "Show Info:" and confirm
        select()->PointAt(samples);
        select()->CheckBox2->setChecked(true);
        return int(QDialog::Accepted);
    });
    script.queueDialog([&](QDialog* d) { // load results: read it and cancel
        EXPECT_EQ(d, info);
        count = info->Label10->text();
        return int(QDialog::Rejected);
    });
    QTest::mouseClick(form->sbNewSource, Qt::LeftButton);
    EXPECT_EQ(count.trimmed(), QString::number(kWalkOrder.size()));
    EXPECT_EQ(form->foundFiles.size(), kWalkOrder.size());
    EXPECT_EQ(grid().FnFiles, 0);
    EXPECT_TRUE(thumbnails().isEmpty());

    pressNewSource(); // "Show Info:" stays ticked; this time the results are confirmed
    ASSERT_EQ(script.dialogsShown().size(), 4u);
    EXPECT_EQ(script.dialogsShown().back(), info);
    EXPECT_EQ(grid().FnFiles, 0); // unscripted load results: Cancel
    script.queueDialog([](QDialog*) { return int(QDialog::Accepted); });
    script.queueDialog([](QDialog*) { return int(QDialog::Accepted); });
    QTest::mouseClick(form->sbNewSource, Qt::LeftButton);
    EXPECT_EQ(tilePaths(), inSamples(kWalkOrder));
}

TEST_F(EndToEnd, TheGraphicsFilterWalksOnlyPicturesAndTheWebFilterOnlyPages)
{
    QFile::copy(samples + "/images/sun.gif", samples + "/Archive/LOGO.GIF");
    writeText(samples + "/notes.txt", "plain");
    pressNewSource([](TfrmSelect* d) { d->FilterComboBox1->setCurrentIndex(1); });
    EXPECT_EQ(form->foundFiles, inSamples({"Archive/LOGO.GIF", "images/meadow.jpg",
                                          "images/panorama.jpg", "images/sun.gif"}));
    for (const QString& path : tilePaths())
        EXPECT_TRUE(form->foundFiles.contains(path)) << path.toStdString();
    EXPECT_EQ(form->settings.documentExtensions, QStringList({".GIF", ".JPG"}));

    pressNewSource([](TfrmSelect* d) { d->FilterComboBox1->setCurrentIndex(0); });
    EXPECT_EQ(form->foundFiles, inSamples(kWalkOrder));
}

TEST_F(EndToEnd, SkipCachesPassesOverDocumentsDirectlyInsideACacheFolder)
{
    writeText(samples + "/Cache/cached.htm", "<html><body><p>cached</p></body></html>");
    writeText(samples + "/Cache/deeper/inner.htm", "<html><body><p>inner</p></body></html>");
    form->settings.cacheFolders = QStringList{samples + "/Cache/"};

    pressNewSource();
    EXPECT_TRUE(form->foundFiles.contains(samples + "/Cache/cached.htm"));
    EXPECT_TRUE(form->foundFiles.contains(samples + "/Cache/deeper/inner.htm"));

    form->windows.options->CheckBox1->setChecked(true); // "Skip Caches"
    QTest::mouseClick(form->sbThumbNails, Qt::LeftButton);
    EXPECT_FALSE(form->foundFiles.contains(samples + "/Cache/cached.htm"));
    EXPECT_TRUE(form->foundFiles.contains(samples + "/Cache/deeper/inner.htm"));
    EXPECT_EQ(tilePaths(), form->foundFiles);
    EXPECT_EQ(form->foundFiles.size(), kWalkOrder.size() + 1);
}

// --- Cancelling ------------------------------------------------------------------------

TEST_F(EndToEnd, CancelDuringAWalkBuildsTheDocumentsAcceptedSoFar)
{
    // The cancel button is pressed while the seventh file is offered; that file keeps
    // its verdict and nothing after it is looked at.
    int offered = 0;
    WalkProbe probe(form->sourceSearch.get(), [&](int index) {
        ++offered;
        if (index == 6) {
            ASSERT_TRUE(form->CancelBtn->isEnabled());
            QTest::mouseClick(form->CancelBtn, Qt::LeftButton);
        }
    });
    form->windows.iteration->Iter->setAcceptor(&probe);
    pressNewSource();
    form->windows.iteration->Iter->setAcceptor(form->sourceSearch.get());

    EXPECT_EQ(offered, 7);
    EXPECT_EQ(form->foundFiles, inSamples(kWalkOrder.mid(0, 7)));
    EXPECT_EQ(tilePaths(), form->foundFiles);
    EXPECT_EQ(form->StatusBar->panelText(3), "Idle.");
    EXPECT_FALSE(form->CancelBtn->isEnabled());
    EXPECT_TRUE(form->sbNewSource->isEnabled());
}

TEST_F(EndToEnd, TheCancelButtonStopsABuildAndKeepsItsTiles)
{
    // Pressed as soon as three tiles stand and the button is live.
    bool pressed = false;
    QTimer presser;
    QObject::connect(&presser, &QTimer::timeout, [&] {
        if (!pressed && grid().building() && grid().HTMList.size() >= 3 && form->CancelBtn->isEnabled()) {
            pressed = true;
            QTest::mouseClick(form->CancelBtn, Qt::LeftButton);
        }
    });
    presser.start(0);
    pressNewSource();
    presser.stop();
    ASSERT_TRUE(pressed);
    EXPECT_GE(grid().FnFiles, 3);
    EXPECT_LT(grid().FnFiles, kWalkOrder.size());
    EXPECT_EQ(tilePaths(), inSamples(kWalkOrder.mid(0, grid().FnFiles)));
    for (int i = 0; i < grid().FnFiles; ++i)
        EXPECT_FALSE(grid().tile(i)->isHidden()) << i;
    // The next command starts afresh.
    QTest::mouseClick(form->sbThumbNails, Qt::LeftButton);
    EXPECT_EQ(tilePaths(), inSamples(kWalkOrder));
}

TEST_F(EndToEnd, AVanishedLocationReportsTheFolderAndKeepsTheGrid)
{
    pressNewSource();
    ASSERT_EQ(grid().FnFiles, kWalkOrder.size());
    ASSERT_TRUE(QDir(samples).removeRecursively());
    try {
        form->sourceSearch->displayFilesCommand();
        ADD_FAILURE() << "the walk of a missing folder went through";
    } catch (const std::runtime_error& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(samples)) << e.what();
    }
    EXPECT_EQ(grid().FnFiles, kWalkOrder.size());
    EXPECT_TRUE(form->sbThumbNails->isEnabled());
    EXPECT_TRUE(form->sbNewSource->isEnabled());
    EXPECT_FALSE(form->CancelBtn->isEnabled());
}

// --- Working on the grid -----------------------------------------------------------------

TEST_F(EndToEnd, ShiftAndCtrlClicksThenDeleteSelectedRemovesExactlyThoseDocuments)
{
    pressNewSource();
    ASSERT_EQ(grid().FnFiles, kWalkOrder.size());
    clickTile(2);
    clickTile(5, Qt::ShiftModifier);
    clickTile(3, Qt::ControlModifier);
    clickTile(9, Qt::ControlModifier);
    const QStringList doomed = inSamples({kWalkOrder[2], kWalkOrder[4], kWalkOrder[5], kWalkOrder[9]});
    ASSERT_EQ(selectedTiles(), doomed);

    QAction* deleteSelected = menuEntry("&File", "Delete Selected");
    ASSERT_NE(deleteSelected, nullptr);
    script.queueAnswer(Answer::Ok);
    deleteSelected->trigger();
    ASSERT_FALSE(script.shown().empty());
    EXPECT_EQ(script.shown()[0].text, "Are you sure you want to delete the selected files?");
    EXPECT_EQ(script.shown()[0].caption, QString::number(kWalkOrder.size()));

    for (const QString& path : inSamples(kWalkOrder))
        EXPECT_EQ(QFile::exists(path), !doomed.contains(path)) << path.toStdString();
    EXPECT_EQ(grid().FnFiles, kWalkOrder.size()); // deleted tiles keep their places
    for (int i = 0; i < grid().FnFiles; ++i) {
        const bool gone = doomed.contains(grid().tile(i)->documentPath());
        EXPECT_EQ(grid().tile(i)->isEnabled(), !gone) << i;
        EXPECT_EQ(grid().tile(i)->view()->isHidden(), gone) << i;
        EXPECT_FALSE(grid().tile(i)->Selected()) << i;
    }
    EXPECT_FALSE(QFile::exists(cache.path() + "/frame-left.n4"));
    EXPECT_FALSE(QFile::exists(cache.path() + "/malformed.n4"));
    EXPECT_TRUE(QFile::exists(cache.path() + "/frame-right.n4"));
    EXPECT_EQ(thumbnails().size(), kWalkOrder.size() - doomed.size());

    // A deleted tile no longer takes clicks.
    clickTile(4);
    EXPECT_TRUE(selectedTiles().isEmpty());
    // The next walk finds only the documents that are left.
    QTest::mouseClick(form->sbThumbNails, Qt::LeftButton);
    EXPECT_EQ(grid().FnFiles, kWalkOrder.size() - doomed.size());
}

TEST_F(EndToEnd, ConfirmedPreferencesShowTheClearingMessageAndPurgeEveryThumbnail)
{
    pressNewSource();
    writeText(cache.path() + "/other.n2", "stale");
    writeText(cache.path() + "/keep.htm", "not a thumbnail");
    ASSERT_EQ(thumbnails().size(), kWalkOrder.size() + 1);

    QAction* preferences = menuEntry("&File", "Preferences...");
    ASSERT_NE(preferences, nullptr);
    TfrmOptions* options = form->windows.options;
    TfrmMessage* message = form->windows.message;
    script.queueDialog([options](QDialog* d) {
        EXPECT_EQ(d, options);
        EXPECT_EQ(options->Ratio->text(), "4");
        options->Ratio->setText("2");
        return int(QDialog::Accepted);
    });
    QStringList messageLines;
    QString messageTitle;
    script.queueDialog([&](QDialog* d) {
        EXPECT_EQ(d, message);
        messageTitle = message->windowTitle();
        messageLines = message->lines();
        return int(QDialog::Accepted);
    });
    preferences->trigger();
    EXPECT_EQ(messageTitle, "Clearing Pre-built thumbnails");
    EXPECT_EQ(messageLines,
              QStringList({"Modification of these options requires the pre-built thumbnails to be cleared.",
                           "Click the [Create-Thumbs] button to rebuild thumbnails with your new preferences.",
                           ""}));
    EXPECT_TRUE(thumbnails().isEmpty());
    EXPECT_TRUE(QFile::exists(cache.path() + "/keep.htm"));
    EXPECT_EQ(grid().FnFiles, kWalkOrder.size()); // the tiles stay until the next build

    // Display-files builds anew at the new factor: every document translated again.
    QTest::mouseClick(form->sbThumbNails, Qt::LeftButton);
    EXPECT_EQ(tilePaths(), inSamples(kWalkOrder));
    EXPECT_EQ(grid().tileWidth, (form->frameGeometry().width() - 30) / 2);
    const QStringList made = thumbnails();
    EXPECT_EQ(made.size(), kWalkOrder.size());
    for (const QString& name : made)
        EXPECT_TRUE(name.endsWith(".n2")) << name.toStdString();

    // Cancel takes nothing over and purges nothing.
    script.queueDialog([options](QDialog*) {
        options->Ratio->setText("8");
        return int(QDialog::Rejected);
    });
    preferences->trigger();
    EXPECT_EQ(thumbnails().size(), kWalkOrder.size());
    EXPECT_EQ(grid().scalingFactor(), 2);
}

} // namespace

namespace {
// Answers the Find dialog: types `text`, chooses target and method, presses OK.
ScriptedMessages::DialogScript findScript(const QString& text, int target, int method)
{
    return [text, target, method](QDialog* d) {
        auto* find = qobject_cast<TfrmFindText*>(d);
        EXPECT_NE(find, nullptr);
        if (!find)
            return int(QDialog::Rejected);
        find->ComboBox1->setEditText(text);
        find->rgTarget->setItemIndex(target);
        find->rgDisplayMethod->setItemIndex(method);
        QTest::mouseClick(find->OKBtn, Qt::LeftButton);
        return find->result();
    };
}
} // namespace

TEST_F(EndToEnd, FindShowOnlyRebuildsTheGridWithExactlyTheDocumentsContainingTheWord)
{
    pressNewSource();
    ASSERT_EQ(grid().FnFiles, kWalkOrder.size());
    // "valley" stands only in long.html; "CAFÉ" (any case) in latin1.htm, whose bytes
    // are Windows-1252, and nowhere else.
    script.queueDialog(findScript("valley", TfrmFindText::kSearchThumbnails, TfrmFindText::kShowOnly));
    QTest::mouseClick(form->sbFind, Qt::LeftButton);
    EXPECT_EQ(tilePaths(), inSamples({"long.html"}));

    // The location (the samples folder) searched for a non-ASCII word in any case.
    pressNewSource();
    script.queueDialog(findScript(QString::fromUtf8("café"), TfrmFindText::kSearchLocation,
                                  TfrmFindText::kShowOnly));
    QTest::mouseClick(form->sbFind, Qt::LeftButton);
    EXPECT_EQ(tilePaths(), inSamples({"latin1.htm"}));

    // Select on the tiles shown: exactly the matching tiles end up selected.
    pressNewSource();
    script.queueDialog(findScript("<table", TfrmFindText::kSearchThumbnails, TfrmFindText::kSelect));
    QTest::mouseClick(form->sbFind, Qt::LeftButton);
    EXPECT_EQ(selectedTiles(), inSamples({"colors.html", "malformed.html", "NEWS.HTM", "tables.html"}));
    EXPECT_EQ(grid().FnFiles, kWalkOrder.size());
    EXPECT_TRUE(form->sbThumbNails->isEnabled());
}
