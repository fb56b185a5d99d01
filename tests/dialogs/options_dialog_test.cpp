#include "dialogs/options_dialog.h"
#include "platform/message_service.h"
#include "platform/scripted_messages.h"
#include "source/fake_dependents.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QHelpEvent>
#include <QTabWidget>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>

using namespace zv;
using zv::test::FakeGrid;

TEST(OptionsDialog, StartsWithTheDefaultPreferencesAndHints)
{
    ScriptedMessages script;
    FakeGrid grid;
    TfrmOptions dlg(&grid);
    EXPECT_TRUE(script.shown().empty());
    EXPECT_EQ(dlg.windowTitle(), "Options");
    ASSERT_EQ(dlg.PageControl1->count(), 2);
    EXPECT_EQ(dlg.PageControl1->tabText(0), "General");
    EXPECT_EQ(dlg.PageControl1->tabText(1), "Advanced");
    EXPECT_FALSE(dlg.PageControl1->isTabEnabled(1));
    EXPECT_EQ(dlg.Advanced->children().size(), 0);
    EXPECT_EQ(dlg.Label1->text(), "Scaling Factor");
    EXPECT_EQ(dlg.Ratio->text(), "4");
    EXPECT_EQ(dlg.Ratio->toolTip(), "Size of thumbnail (eg. 4 = 1/4 size)");
    EXPECT_EQ(dlg.Label2->text(), "Cut off at");
    EXPECT_EQ(dlg.nLines->text(), "5000");
    EXPECT_EQ(dlg.Label3->text(), "bytes");
    EXPECT_EQ(dlg.Label3->toolTip(), dlg.nLines->toolTip());
    EXPECT_EQ(dlg.CheckBox1->text(), "Skip Caches");
    EXPECT_EQ(dlg.CheckBox1->toolTip(), "Skip Navigator and Explorer cache folders.");
    EXPECT_EQ(dlg.CheckBox2->text(), "Scale Graphics");
    EXPECT_EQ(dlg.chkScaleText->text(), "Scale Text");
    EXPECT_FALSE(dlg.skipCaches() || dlg.scaleGraphics() || dlg.scaleText());
    EXPECT_EQ(dlg.scalingFactor(), 4);
    EXPECT_EQ(dlg.cutOff(), 5000);
}

TEST(OptionsDialog, TheCutOffHintCountsBytesWhereverTheMouseRests)
{
    // The box, the label before it and "bytes" after it share one hint; it must
    // count what the box holds (bytes, as the label after the box says).
    ScriptedMessages script;
    FakeGrid grid;
    TfrmOptions dlg(&grid);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    const QString expected = "Number of bytes of data to process for each thumbnail (0 = All)";
    for (QWidget* control : {static_cast<QWidget*>(dlg.Label2), static_cast<QWidget*>(dlg.nLines),
                             static_cast<QWidget*>(dlg.Label3)}) {
        const QPoint inDialog = control->mapTo(&dlg, control->rect().center());
        QWidget* under = dlg.childAt(inDialog);
        ASSERT_EQ(under, control) << control->objectName().toStdString();
        QHelpEvent hover(QEvent::ToolTip, control->rect().center(), control->mapToGlobal(control->rect().center()));
        QApplication::sendEvent(under, &hover);
        EXPECT_TRUE(QTest::qWaitFor([] { return QToolTip::isVisible(); }, 2000));
        EXPECT_EQ(QToolTip::text(), expected) << control->objectName().toStdString();
        EXPECT_EQ(control->statusTip(), expected);
        QToolTip::hideText();
    }
}

TEST(OptionsDialog, MiniatureSwitchSitsBelowTheOthersUncheckedAndAnswersTheMouse)
{
    ScriptedMessages script;
    FakeGrid grid;
    TfrmOptions dlg(&grid);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    EXPECT_EQ(dlg.chkMiniature->text(), "Miniature");
    EXPECT_EQ(dlg.chkMiniature->toolTip(), "Lay each page out at full width and shrink it into its tile");
    EXPECT_FALSE(dlg.miniature());
    // Below the three switches, lined up with them, and the last of them in tab order.
    EXPECT_EQ(dlg.chkMiniature->x(), dlg.chkScaleText->x());
    EXPECT_GE(dlg.chkMiniature->y(), dlg.chkScaleText->geometry().bottom());
    EXPECT_EQ(dlg.chkScaleText->nextInFocusChain(), dlg.chkMiniature);
    QTest::mouseClick(dlg.chkMiniature, Qt::LeftButton, {}, QPoint(8, dlg.chkMiniature->height() / 2));
    EXPECT_TRUE(dlg.miniature());
    QTest::mouseClick(dlg.chkMiniature, Qt::LeftButton, {}, QPoint(8, dlg.chkMiniature->height() / 2));
    EXPECT_FALSE(dlg.miniature());
}

TEST(OptionsDialog, WithoutAGridItSaysSoAndStillWorks)
{
    ScriptedMessages script;
    TfrmOptions dlg(nullptr);
    EXPECT_EQ(script.texts(), QStringList({"Unable to connect to dependent!"}));
    dlg.Ratio->setText("6");
    script.queueDialog([&dlg](QDialog*) {
        dlg.OKBtn->click();
        return dlg.result();
    });
    EXPECT_EQ(execModal(&dlg), QDialog::Accepted);
    EXPECT_EQ(dlg.Ratio->text(), "6");
    EXPECT_EQ(script.shown().size(), 1u);
}

TEST(OptionsDialog, CancelKeepsSwitchesAndCutOffButRatioComesBack)
{
    ScriptedMessages script;
    FakeGrid grid;
    grid.factor = 5;
    TfrmOptions dlg(&grid);
    script.queueDialog([&dlg](QDialog*) {
        EXPECT_EQ(dlg.Ratio->text(), "5");
        dlg.Ratio->setText("8");
        dlg.nLines->setText("2");
        dlg.chkScaleText->click();
        // Readers see the switch at once, while the dialog is still open.
        EXPECT_TRUE(dlg.scaleText());
        dlg.CancelBtn->click();
        return dlg.result();
    });
    EXPECT_EQ(execModal(&dlg), QDialog::Rejected);
    EXPECT_TRUE(dlg.scaleText());
    EXPECT_EQ(dlg.cutOff(), 2);

    script.queueDialog([&dlg](QDialog*) {
        EXPECT_EQ(dlg.Ratio->text(), "5");
        EXPECT_EQ(dlg.nLines->text(), "2");
        EXPECT_TRUE(dlg.chkScaleText->isChecked());
        return int(QDialog::Rejected);
    });
    execModal(&dlg);
    EXPECT_TRUE(script.shown().empty());
}

TEST(OptionsDialog, FactorsBelowOneAreRefusedOthersReadTheAtoiWay)
{
    ScriptedMessages script;
    FakeGrid grid;
    TfrmOptions dlg(&grid);
    QStringList accepted;
    script.queueDialog([&](QDialog*) {
        for (const char* text : {"0", "", "-2", "abc", " +0x"}) {
            dlg.Ratio->setText(text);
            dlg.OKBtn->click();
            EXPECT_TRUE(dlg.isVisible()) << text;
        }
        dlg.Ratio->setText(" 3 apples");
        dlg.nLines->setText("12kb");
        dlg.OKBtn->click();
        EXPECT_FALSE(dlg.isVisible());
        return dlg.result();
    });
    EXPECT_EQ(execModal(&dlg), QDialog::Accepted);
    EXPECT_EQ(script.texts(), QStringList(5, "The scaling factor must be 1 or more."));
    EXPECT_EQ(dlg.scalingFactor(), 3);
    EXPECT_EQ(dlg.cutOff(), 12);
    // The cut-off is never refused: 0 means "all", and a negative one reads as typed.
    script.clear();
    script.queueDialog([&](QDialog*) {
        dlg.Ratio->setText("1");
        dlg.nLines->setText("-7");
        dlg.OKBtn->click();
        return dlg.result();
    });
    EXPECT_EQ(execModal(&dlg), QDialog::Accepted);
    EXPECT_EQ(dlg.cutOff(), -7);
    EXPECT_TRUE(script.shown().empty());
}
