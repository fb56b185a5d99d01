#include "fake_dependents.h"
#include "platform/message_service.h"
#include "platform/scripted_messages.h"
#include "sandbox.h"
#include "source/dialog_base.h"
#include "source/load_info_dialog.h"
#include "source/select_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace zv;
using zv::test::FakeGrid;
using zv::test::FakeMainWindow;
using zv::test::Sandbox;

namespace {

class CountingDialog : public TfrmDDialog {
public:
    QStringList calls;
    CountingDialog() { ConnectDependent(); }
    void ConnectDependent() override { calls << "connect"; }
    void LoadFromDependent() override { calls << "load"; }
    void SetFocus() override { calls << "focus"; }
};

QStringList names(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

QStringList folderPaths(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->data(TfrmSelect::PathRole).toString();
    return out;
}

// Shows a dialog the way the scripted modal showing does, for direct mouse work.
void showOffscreen(QWidget* w)
{
    w->setAttribute(Qt::WA_DontShowOnScreen, true);
    w->show();
}

void pressItem(QListWidget* list, int row)
{
    QListWidgetItem* item = list->item(row);
    ASSERT_NE(item, nullptr);
    const QPoint at = list->visualItemRect(item).center();
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

TEST(DialogBase, RefreshesOnEveryShowingAndButtonsGiveTheirResults)
{
    ScriptedMessages script;
    CountingDialog dlg;
    EXPECT_EQ(dlg.calls, QStringList({"connect"}));
    EXPECT_EQ(dlg.OKBtn->text(), "OK");
    EXPECT_TRUE(dlg.OKBtn->isDefault());
    EXPECT_EQ(dlg.CancelBtn->text(), "Cancel");
    EXPECT_EQ(dlg.HelpBtn->text(), "&Help");
    EXPECT_EQ(dlg.Panel2->objectName(), "Panel2");

    script.queueDialog([](QDialog* d) {
        static_cast<TfrmDDialog*>(d)->OKBtn->click();
        return d->result();
    });
    script.queueDialog([](QDialog* d) {
        QTest::keyClick(d, Qt::Key_Escape);
        return d->result();
    });
    script.queueDialog([](QDialog* d) {
        static_cast<TfrmDDialog*>(d)->HelpBtn->click(); // no action in the base
        EXPECT_TRUE(d->isVisible());
        static_cast<TfrmDDialog*>(d)->CancelBtn->click();
        return d->result();
    });
    EXPECT_EQ(execModal(&dlg), QDialog::Accepted);
    EXPECT_EQ(execModal(&dlg), QDialog::Rejected);
    EXPECT_EQ(execModal(&dlg), QDialog::Rejected);
    EXPECT_EQ(dlg.calls,
              QStringList({"connect", "load", "focus", "load", "focus", "load", "focus"}));
}

class SelectDialog : public ::testing::Test {
protected:
    Sandbox box{{"b.htm", "C.HTML", "a.Htm", "notes.txt", ".hidden.htm", "pic.GIF", "photo.jpg",
                 "zeta/z.htm", "Alpha/x.htm", ".secret/y.htm"}};
    FakeGrid grid;
    FakeMainWindow main;
    TfrmSelect dlg{&grid, &main};
};

TEST_F(SelectDialog, StartsWithTheDesignedControls)
{
    EXPECT_EQ(dlg.windowTitle(), "Select Source");
    EXPECT_EQ(dlg.OKBtn->text(), "Create Thumbs");
    EXPECT_FALSE(dlg.OKBtn->isDefault());
    EXPECT_FALSE(dlg.OKBtn->autoDefault());
    EXPECT_EQ(dlg.OKBtn->toolTip(), "Create Thumbnails from Source selections.");
    EXPECT_TRUE(dlg.CheckBox1->isChecked());
    EXPECT_EQ(dlg.CheckBox1->text(), "Include Subs:");
    EXPECT_EQ(dlg.CheckBox1->toolTip(), "Include Subfolders.");
    EXPECT_FALSE(dlg.CheckBox2->isChecked());
    EXPECT_EQ(dlg.CheckBox2->text(), "Show Info:");
    EXPECT_EQ(dlg.CheckBox2->toolTip(), "Show results of file selections.");
    EXPECT_EQ(dlg.DriveComboBox1->toolTip(), "Drive Selection.");
    EXPECT_EQ(dlg.DirectoryListBox1->toolTip(), "Folder Navigation");
    EXPECT_EQ(dlg.FilterComboBox1->toolTip(), "File mask.");
    EXPECT_EQ(dlg.FileListBox1->toolTip(), "File list and individual file selection.");
    ASSERT_EQ(dlg.FilterComboBox1->count(), 2);
    EXPECT_EQ(dlg.FilterComboBox1->itemText(0), "Web files (*.htm;*.html)");
    EXPECT_EQ(dlg.FilterComboBox1->itemText(1), "Graphic files(*.gif;*.jpg)");
    EXPECT_EQ(dlg.FilterComboBox1->currentIndex(), 0);
    EXPECT_EQ(dlg.fileMask(), "*.HTM*");
    EXPECT_EQ(dlg.filterMask(), "*.HTM*");
    ASSERT_GT(dlg.DriveComboBox1->count(), 0);
    EXPECT_EQ(dlg.DriveComboBox1->itemText(0), "/");
    EXPECT_EQ(dlg.FileListBox1->selectionMode(), QAbstractItemView::ExtendedSelection);
}

TEST_F(SelectDialog, PointAtShowsTheFolderItsFilesAndItsSubfolders)
{
    ASSERT_TRUE(dlg.PointAt(box.root() + "/"));
    EXPECT_EQ(dlg.folder(), box.root());
    EXPECT_EQ(dlg.fileListFolder(), box.root());
    EXPECT_EQ(names(dlg.FileListBox1), QStringList({"a.Htm", "b.htm", "C.HTML"}));

    // Ancestors from the root down, the folder itself selected, then its subfolders.
    QStringList expected{"/"};
    for (QString p = box.root(); p != "/"; p = QFileInfo(p).path())
        expected.insert(1, p);
    const int own = expected.size() - 1;
    expected << box.path("Alpha") << box.path("zeta");
    EXPECT_EQ(folderPaths(dlg.DirectoryListBox1), expected);
    EXPECT_EQ(dlg.DirectoryListBox1->currentRow(), own);
    EXPECT_EQ(dlg.DirectoryListBox1->item(own + 1)->data(TfrmSelect::LevelRole).toInt(),
              dlg.DirectoryListBox1->item(own)->data(TfrmSelect::LevelRole).toInt() + 1);

    // Something that is not a folder changes nothing.
    EXPECT_FALSE(dlg.PointAt(box.path("b.htm")));
    EXPECT_FALSE(dlg.PointAt(box.path("gone")));
    EXPECT_EQ(dlg.folder(), box.root());

    dlg.FilterComboBox1->setCurrentIndex(1);
    EXPECT_EQ(dlg.fileMask(), "*.GIF;*.JPG");
    EXPECT_EQ(names(dlg.FileListBox1), QStringList({"photo.jpg", "pic.GIF"}));
}

TEST_F(SelectDialog, FileSelectionAndIncludeSubsExcludeEachOther)
{
    dlg.PointAt(box.root());
    showOffscreen(&dlg);
    // A user's click on a file unticks "Include Subs:".
    pressItem(dlg.FileListBox1, 0);
    EXPECT_FALSE(dlg.CheckBox1->isChecked());
    dlg.FileListBox1->item(2)->setSelected(true);
    EXPECT_EQ(dlg.selectedFileNames(), QStringList({"a.Htm", "C.HTML"}));
    EXPECT_EQ(dlg.selectedFilePaths(), QStringList({box.path("a.Htm"), box.path("C.HTML")}));

    // Ticking it clears the selection and it stays ticked.
    dlg.CheckBox1->click();
    EXPECT_TRUE(dlg.CheckBox1->isChecked());
    EXPECT_TRUE(dlg.selectedFileNames().isEmpty());
    EXPECT_EQ(dlg.FileListBox1->count(), 3);

    // Unticked by hand, the box stays unticked while files are chosen.
    dlg.CheckBox1->click();
    EXPECT_FALSE(dlg.CheckBox1->isChecked());
    dlg.FileListBox1->item(1)->setSelected(true);
    EXPECT_FALSE(dlg.CheckBox1->isChecked());
    EXPECT_EQ(dlg.selectedFileNames(), QStringList({"b.htm"}));

    // Re-listing (another folder, another filter) is not a user's choice.
    dlg.CheckBox1->setChecked(true);
    dlg.FilterComboBox1->setCurrentIndex(1);
    dlg.PointAt(box.path("zeta"));
    EXPECT_TRUE(dlg.CheckBox1->isChecked());
}

TEST_F(SelectDialog, APressOpensAFolderAndTheFileListFollows)
{
    dlg.PointAt(box.root());
    showOffscreen(&dlg);
    const int zeta = folderPaths(dlg.DirectoryListBox1).indexOf(box.path("zeta"));
    ASSERT_GE(zeta, 0);
    pressItem(dlg.DirectoryListBox1, zeta);
    EXPECT_EQ(dlg.directoryListFolder(), box.path("zeta"));
    EXPECT_EQ(dlg.folder(), box.path("zeta"));
    EXPECT_EQ(names(dlg.FileListBox1), QStringList({"z.htm"}));
    EXPECT_EQ(folderPaths(dlg.DirectoryListBox1).constLast(), box.path("zeta"));

    // Back up through an ancestor entry.
    const int parent = folderPaths(dlg.DirectoryListBox1).indexOf(box.root());
    pressItem(dlg.DirectoryListBox1, parent);
    EXPECT_EQ(dlg.folder(), box.root());
    EXPECT_EQ(names(dlg.FileListBox1), QStringList({"a.Htm", "b.htm", "C.HTML"}));

    // Choosing a drive moves only the folder list; the label waits for a click.
    dlg.DriveComboBox1->setCurrentIndex(0);
    dlg.DriveComboBox1Change();
    EXPECT_EQ(dlg.driveOf(dlg.directoryListFolder()), "/");
    if (dlg.driveOf(box.root()) == "/") { // the drive's last open folder
        EXPECT_EQ(dlg.directoryListFolder(), box.root());
    }
    EXPECT_EQ(dlg.folder(), box.root());
}

TEST_F(SelectDialog, ShowingFocusesTheFolderListAndHelpReachesTheMainWindow)
{
    ScriptedMessages script;
    script.queueDialog([this](QDialog*) {
        EXPECT_EQ(dlg.focusWidget(), dlg.DirectoryListBox1);
        dlg.HelpBtn->click();
        dlg.OKBtn->click();
        return dlg.result();
    });
    EXPECT_EQ(execModal(&dlg), QDialog::Accepted);
    EXPECT_EQ(main.helpShown, 1);
}

TEST_F(SelectDialog, EnterInEitherListAfterFocusVisitedEachButtonStartsNothing)
{
    dlg.PointAt(box.root());
    QSignalSpy accepted(&dlg, &QDialog::accepted);
    QSignalSpy rejected(&dlg, &QDialog::rejected);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    QWindow* window = dlg.windowHandle();
    auto tabUntil = [&](QWidget* target, Qt::Key key) {
        for (int i = 0; i < 20 && dlg.focusWidget() != target; ++i)
            QTest::keyClick(window, key);
        return dlg.focusWidget() == target;
    };
    for (QListWidget* list : {dlg.DirectoryListBox1, dlg.FileListBox1}) {
        for (QPushButton* button : {dlg.CancelBtn, dlg.HelpBtn, dlg.OKBtn}) {
            ASSERT_TRUE(tabUntil(button, Qt::Key_Tab)) << button->objectName().toStdString();
            ASSERT_TRUE(tabUntil(list, Qt::Key_Backtab)) << list->objectName().toStdString();
            QTest::keyClick(window, Qt::Key_Return);
            QTest::keyClick(window, Qt::Key_Enter);
            EXPECT_EQ(accepted.count(), 0) << list->objectName().toStdString() << " after "
                                           << button->objectName().toStdString();
            ASSERT_TRUE(dlg.isVisible());
        }
    }
    EXPECT_EQ(rejected.count(), 0);
    EXPECT_EQ(main.helpShown, 0);
    EXPECT_EQ(dlg.folder(), box.root());

    // Enter on a button that has the focus presses that button.
    ASSERT_TRUE(tabUntil(dlg.CancelBtn, Qt::Key_Tab));
    QTest::keyClick(window, Qt::Key_Return);
    EXPECT_EQ(rejected.count(), 1);
    EXPECT_EQ(accepted.count(), 0);
}

TEST(LoadInfoDialog, LabelsDescribeTheLastSearchAtEveryShowing)
{
    ScriptedMessages script;
    FakeGrid grid;
    FakeMainWindow main;
    TfrmLoadInfo dlg(&grid, &main);
    EXPECT_EQ(dlg.windowTitle(), "Load results");
    EXPECT_EQ(dlg.Label3->text(), "Path :");
    EXPECT_EQ(dlg.Label4->text(), "File Type(s) Selected :");
    EXPECT_EQ(dlg.Label1->text(), "Total number of files to process : ");
    EXPECT_EQ(dlg.Dependent, &grid);

    main.loc = "/home/u/docs/";
    main.found = 0;
    EXPECT_EQ(execModal(&dlg), QDialog::Rejected);
    EXPECT_EQ(dlg.Label7->text(), "/home/u/docs/");
    EXPECT_EQ(dlg.Label8->text(), "Web files (*.htm;*.html)");
    EXPECT_EQ(dlg.Label10->text(), "0");

    main.loc = "/srv/pics";
    main.found = 1234;
    main.mask = "*.GIF;*.JPG";
    script.queueDialog([&dlg](QDialog*) {
        dlg.OKBtn->click();
        return dlg.result();
    });
    EXPECT_EQ(execModal(&dlg), QDialog::Accepted);
    EXPECT_EQ(dlg.Label7->text(), "/srv/pics");
    EXPECT_EQ(dlg.Label8->text(), "Graphic files(*.gif;*.jpg)");
    EXPECT_EQ(dlg.Label10->text(), "1234");

    // The web mask is compared exactly: any other spelling names graphics.
    main.mask = "*.htm*";
    execModal(&dlg);
    EXPECT_EQ(dlg.Label8->text(), "Graphic files(*.gif;*.jpg)");
}
