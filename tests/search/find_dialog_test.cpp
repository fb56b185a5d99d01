#include "fake_find_host.h"
#include "platform/scripted_messages.h"
#include "search/find_dialog.h"
#include "search/radio_group.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

using namespace zv;
using zv::test::FakeFindHost;

namespace {
QStringList history(const QComboBox* box)
{
    QStringList l;
    for (int i = 0; i < box->count(); ++i)
        l << box->itemText(i);
    return l;
}
} // namespace

TEST(FindDialog, StartsWithTheDesignedTextsAndChoices)
{
    ScriptedMessages script;
    FakeFindHost host;
    TfrmFindText dlg(&host);
    EXPECT_TRUE(script.shown().empty());
    EXPECT_EQ(dlg.windowTitle(), "Find");
    EXPECT_EQ(dlg.Label1->text(), "Fi&nd what:");
    EXPECT_EQ(dlg.Label1->buddy(), dlg.ComboBox1);
    EXPECT_TRUE(dlg.ComboBox1->isEditable());
    EXPECT_EQ(dlg.ComboBox1->count(), 0);
    EXPECT_EQ(dlg.ComboBox1->toolTip(), "Text to search for.");
    EXPECT_EQ(dlg.chkMatchCase->text(), "Match &case");
    EXPECT_EQ(dlg.chkMatchCase->toolTip(), "Case sensitivity.");
    EXPECT_FALSE(dlg.chkMatchCase->isChecked());

    EXPECT_EQ(dlg.rgTarget->title(), "Target");
    EXPECT_EQ(dlg.rgTarget->toolTip(), "Select Displayed Thumbnails or Drive as  Search-Target.");
    EXPECT_EQ(dlg.rgTarget->items(),
              QStringList({"Search Thumbnails", "Search Location",
                           "Search Source" + QString(35, ' ') + "------>"}));
    EXPECT_EQ(dlg.rgTarget->ItemIndex(), TfrmFindText::kSearchLocation);
    EXPECT_TRUE(dlg.rgTarget->button(1)->isChecked());
    EXPECT_EQ(dlg.sbNewSource->text(), "<<");
    EXPECT_EQ(dlg.sbNewSource->toolTip(), "Select source files.");

    EXPECT_EQ(dlg.rgDisplayMethod->title(), "Display method:");
    EXPECT_EQ(dlg.rgDisplayMethod->toolTip(),
              "Select/Deselect existing Thumbnails or show Thumbnails that match search.");
    EXPECT_EQ(dlg.rgDisplayMethod->items(),
              QStringList({"Select       - thumbnails containing search-text.",
                           "Unselect   - thumbnails containing search-text.",
                           "Show only - thumbnails containing search-text."}));
    EXPECT_EQ(dlg.rgDisplayMethod->ItemIndex(), TfrmFindText::kShowOnly);

    for (const char* name : {"Label1", "ComboBox1", "chkMatchCase", "rgTarget", "sbNewSource",
                             "rgDisplayMethod", "OKBtn", "CancelBtn", "HelpBtn"})
        EXPECT_NE(dlg.findChild<QWidget*>(name), nullptr) << name;
}

TEST(FindDialog, WithoutAGridItSaysSo)
{
    ScriptedMessages script;
    TfrmFindText dlg(nullptr);
    EXPECT_EQ(script.texts(), QStringList({"Unable to connect to dependent!"}));
    dlg.sbNewSource->click(); // nothing to ask; no crash
    dlg.HelpBtn->click();
    EXPECT_EQ(dlg.rgTarget->ItemIndex(), TfrmFindText::kSearchSource);
}

TEST(FindDialog, CommittingKeepsAHistoryOfDistinctTexts)
{
    ScriptedMessages script;
    FakeFindHost host;
    TfrmFindText dlg(&host);
    dlg.ComboBox1->setEditText("Needle");
    dlg.CommitSearchText();
    EXPECT_EQ(dlg.CommittedText, "Needle");
    EXPECT_EQ(dlg.ComboBox1->currentText(), "Needle"); // put back into the box
    dlg.CommitSearchText(); // the same text again
    dlg.ComboBox1->setEditText("Needle");
    dlg.CommitSearchText();
    EXPECT_EQ(history(dlg.ComboBox1), QStringList({"Needle"}));
    dlg.ComboBox1->setEditText("needle"); // differs only in case: a second entry
    dlg.CommitSearchText();
    dlg.ComboBox1->setEditText("other");
    dlg.CommitSearchText();
    EXPECT_EQ(history(dlg.ComboBox1), QStringList({"Needle", "needle", "other"}));
    // Re-using an older entry selects it and adds nothing.
    dlg.ComboBox1->setEditText("Needle");
    dlg.CommitSearchText();
    EXPECT_EQ(dlg.ComboBox1->currentIndex(), 0);
    EXPECT_EQ(dlg.ComboBox1->count(), 3);
    // An empty text is committed as empty and leaves the box empty.
    dlg.ComboBox1->setEditText("");
    dlg.CommitSearchText();
    EXPECT_EQ(dlg.CommittedText, "");
    EXPECT_EQ(dlg.ComboBox1->currentText(), "");
    EXPECT_EQ(dlg.ComboBox1->count(), 3);
}

TEST(FindDialog, LeavingTheTextBoxOrPressingOkCommits)
{
    ScriptedMessages script;
    FakeFindHost host;
    TfrmFindText dlg(&host);
    dlg.ComboBox1->setEditText("by tab");
    QFocusEvent tab(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(dlg.ComboBox1, &tab);
    EXPECT_EQ(dlg.CommittedText, "by tab");
    // Opening the drop-down list is no exit.
    dlg.ComboBox1->setEditText("typing");
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QApplication::sendEvent(dlg.ComboBox1, &popup);
    EXPECT_EQ(dlg.CommittedText, "by tab");
    dlg.OKBtn->click();
    EXPECT_EQ(dlg.CommittedText, "typing");
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(history(dlg.ComboBox1), QStringList({"by tab", "typing"}));
}

TEST(FindDialog, TargetAndDisplayMethodAreTiedTogether)
{
    ScriptedMessages script;
    FakeFindHost host;
    TfrmFindText dlg(&host);
    // "Select" while the target is the Location: the target becomes the tiles.
    dlg.rgDisplayMethod->button(TfrmFindText::kSelect)->click();
    EXPECT_EQ(dlg.rgDisplayMethod->ItemIndex(), TfrmFindText::kSelect);
    EXPECT_EQ(dlg.rgTarget->ItemIndex(), TfrmFindText::kSearchThumbnails);
    // Thumbnails with "Unselect" stays as it is.
    dlg.rgDisplayMethod->button(TfrmFindText::kUnselect)->click();
    EXPECT_EQ(dlg.rgTarget->ItemIndex(), TfrmFindText::kSearchThumbnails);
    // Any other target switches the method to "Show only".
    dlg.rgTarget->button(TfrmFindText::kSearchSource)->click();
    EXPECT_EQ(dlg.rgDisplayMethod->ItemIndex(), TfrmFindText::kShowOnly);
    EXPECT_EQ(dlg.rgTarget->ItemIndex(), TfrmFindText::kSearchSource);
    // "Show only" leaves the target alone; the tiles as target leave the method.
    dlg.rgTarget->button(TfrmFindText::kSearchThumbnails)->click();
    EXPECT_EQ(dlg.rgDisplayMethod->ItemIndex(), TfrmFindText::kShowOnly);
    // Exactly one item of each group is checked.
    for (RadioGroup* g : {dlg.rgTarget, dlg.rgDisplayMethod}) {
        int checked = 0;
        for (int i = 0; i < g->count(); ++i)
            checked += g->button(i)->isChecked();
        EXPECT_EQ(checked, 1);
    }
}

TEST(FindDialog, NewSourceButtonPicksFilesOnlyWhenTheSelectDialogSaysOk)
{
    ScriptedMessages script;
    FakeFindHost host;
    TfrmFindText dlg(&host);
    dlg.rgDisplayMethod->setItemIndex(TfrmFindText::kSelect);
    host.selectOk = false;
    dlg.sbNewSource->click();
    EXPECT_EQ(dlg.rgTarget->ItemIndex(), TfrmFindText::kSearchSource);
    EXPECT_EQ(dlg.rgDisplayMethod->ItemIndex(), TfrmFindText::kShowOnly);
    EXPECT_EQ(host.calls, QStringList({"Select"}));
    host.selectOk = true;
    dlg.sbNewSource->click();
    EXPECT_EQ(host.calls, QStringList({"Select", "Select", "PickFiles"}));
    dlg.HelpBtn->click();
    EXPECT_EQ(host.calls.last(), "Help");
    EXPECT_FALSE(dlg.isVisible()); // the dialog stays as it was
}
