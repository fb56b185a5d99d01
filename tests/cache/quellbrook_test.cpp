#include "cache/quellbrook.h"

#include "core/prog_bar.h"

#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>

using namespace zv;

TEST(Quellbrook, DesignedTextsHintsAndPlaces)
{
    TQuellbrook w(QStringLiteral(ZV_SOURCE_DATA_DIR));
    EXPECT_EQ(w.objectName(), "Quellbrook");
    EXPECT_EQ(w.windowTitle(), "Quellbrook");
    EXPECT_EQ(w.size(), QSize(363, 428));
    EXPECT_EQ(w.findChild<QLabel*>("Label4")->text(), " Creating  cache database...");
    EXPECT_EQ(w.findChild<QLabel*>("Label2")->text(), ":");
    EXPECT_EQ(w.findChild<QLabel*>("Label3")->text(), ":");
    EXPECT_EQ(w.ProgressBar1->toolTip(), "Cache progress.");
    EXPECT_EQ(w.ProgressBar2->toolTip(), "Database progress");
    EXPECT_EQ(w.ProgressBar1->maximum(), 100);
    EXPECT_EQ(w.ProgressBar2->minimum(), 0);
    EXPECT_EQ(w.ProgressBar1->geometry(), QRect(16, 40, 329, 16));
    EXPECT_EQ(w.ProgressBar2->geometry(), QRect(16, 88, 329, 16));
    EXPECT_EQ(w.Label1->geometry(), QRect(31, 224, 295, 16));
    EXPECT_FALSE(w.Label1->text().isEmpty());

    // The picture comes from the home folder and sizes its control; a home folder
    // without it leaves the area empty.
    ASSERT_FALSE(w.Image1->pixmap().isNull());
    EXPECT_EQ(w.Image1->geometry(), QRect(QPoint(10, 12), w.Image1->pixmap().size()));
    TQuellbrook bare(QStringLiteral("/nonexistent"));
    EXPECT_TRUE(bare.Image1->pixmap().isNull());

    w.show();
    EXPECT_EQ(w.Panel1->height(), 273);
    EXPECT_EQ(w.Panel2->height(), 428 - 273);
    EXPECT_EQ(w.Label4->y(), w.Panel2->frameWidth()); // at the top, inside the bevel
    if (QScreen* s = w.screen()) {
        EXPECT_LE((w.frameGeometry().center() - s->availableGeometry().center()).manhattanLength(),
                  40);
    }
}

TEST(Quellbrook, ReportersDriveTheirOwnLabelAndBar)
{
    TQuellbrook w(QString{});
    w.cacheProgress().Start("Reading Netscape Cache  #", 0);
    w.databaseProgress().Start("Writing Record #", 0);
    EXPECT_EQ(w.Label2->text(), "Reading Netscape Cache  #...");
    EXPECT_EQ(w.Label3->text(), "Writing Record #...");
    EXPECT_TRUE(w.cacheProgress().Step(2, 3));
    EXPECT_EQ(w.Label2->text(), "Reading Netscape Cache  #2 of 3");
    EXPECT_EQ(w.ProgressBar1->value(), 2);
    EXPECT_EQ(w.ProgressBar2->value(), 0);
    EXPECT_TRUE(w.databaseProgress().Step(7, 0));
    EXPECT_EQ(w.Label3->text(), "Writing Record #7");
    EXPECT_EQ(w.ProgressBar2->value(), 7);
    w.databaseProgress().Finish(0);
    EXPECT_EQ(w.Label3->text(), "");
    EXPECT_EQ(w.ProgressBar2->value(), 0);
    EXPECT_EQ(w.Label2->text(), "Reading Netscape Cache  #2 of 3");
    w.cacheProgress().Finish(1);
    EXPECT_EQ(w.Label2->text(), ":");
}
