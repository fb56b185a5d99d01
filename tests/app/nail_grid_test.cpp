#include "grid_fixture.h"

#include "app/nail_scroll_box.h"
#include "app/tile_geometry.h"
#include "dialogs/source_viewer.h"
#include "render/html_zoomed.h"
#include "render/page_layout.h"
#include "render/prebuilt_thumbnail.h"
#include "render/tile_menu.h"
#include "render/trans_gui.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextCursor>
#include <QTimer>

using namespace zv;
using namespace zv::testing;

namespace {
using Grid = GridFixture;

QStringList selectedIndexes(const HNailGrid& g)
{
    QStringList out;
    for (int i = 0; i < g.FnFiles; ++i)
        if (g.HTMList.at(i)->Selected())
            out << QString::number(i);
    return out;
}
} // namespace

TEST_F(Grid, BuildsTilesArrangedInRowsAndEnablesFind)
{
    QStringList paths;
    for (int i = 0; i < 5; ++i)
        paths << doc(QString("page%1.htm").arg(i), page("Title", "<h1>Hello</h1><p>Text</p>"));
    form->sbFind->setEnabled(false);
    grid->BuildThumbnails(paths);
    ASSERT_EQ(grid->FnFiles, 5);
    EXPECT_EQ(grid->tileWidth, 152);
    const auto expected = arrangeTilePositions(form->frameGeometry().width(), 152, 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(grid->HTMList[i]->pos(), expected[size_t(i)]) << i;
    EXPECT_EQ(grid->HTMList[3]->pos().y() - grid->HTMList[0]->pos().y(), 162);
    EXPECT_EQ(grid->HTMList[0]->size(), QSize(152, 152));
    EXPECT_FALSE(grid->HTMList[0]->isHidden());
    EXPECT_TRUE(grid->HTMList[0]->view()->layoutFinished());
    // Each tile shows the picture painted of its laid-out page; no page stays laid out.
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(grid->HTMList[i]->view()->showsPicture()) << i;
    EXPECT_EQ(grid->HTMList[0]->titleLabel()->text(), " page0.htm");
    // The strip's hint holds the title as the translated copy writes it.
    EXPECT_EQ(grid->HTMList[0]->titleLabel()->toolTip(), " Title\r\n ");
    EXPECT_TRUE(form->sbFind->isEnabled());
    EXPECT_EQ(thumbnails().size(), 5);
    EXPECT_EQ(form->Label1->text(), ""); // Finish(0)
    // An empty list gives an empty grid; find stays enabled.
    grid->BuildThumbnails({});
    EXPECT_EQ(grid->FnFiles, 0);
    EXPECT_TRUE(form->sbFind->isEnabled());
}

TEST_F(Grid, StopsAtTheHundredAndFifthEntryWithOneMessage)
{
    const QString path = doc("one.htm", page("t", "x"));
    QStringList paths;
    for (int i = 0; i < 106; ++i)
        paths << path;
    grid->BuildThumbnails(paths);
    EXPECT_EQ(grid->FnFiles, 105);
    EXPECT_EQ(script.texts(), QStringList{"You don't have enough memory to build any more thumbnails."});
}

TEST_F(Grid, CancelKeepsTheTilesMadeSoFar)
{
    QStringList paths;
    for (int i = 0; i < 6; ++i)
        paths << doc(QString("c%1.htm").arg(i), page("t", "x"));
    // Cancel as soon as the third tile is in the grid (the shared cancel button is
    // off while a tile lays out, so the reporter is cancelled directly).
    auto* timer = new QTimer(form.get());
    QObject::connect(timer, &QTimer::timeout, [&] {
        if (form->HNailGrid->HTMList.size() >= 3)
            form->totalProgress->Cancel();
    });
    timer->start(0);
    grid->BuildThumbnails(paths);
    timer->stop();
    EXPECT_GE(grid->FnFiles, 3);
    EXPECT_LT(grid->FnFiles, 6);
    for (int i = 0; i < grid->FnFiles; ++i)
        EXPECT_FALSE(grid->HTMList[i]->isHidden());
}

TEST_F(Grid, SameNamedDocumentsInTwoFoldersShowTheirOwnPage)
{
    const QString a = doc("a/INDEX.HTM", page("Alpha", "<p>first folder</p>"));
    const QString b = doc("b/INDEX.HTM", page("Beta", "<p>second folder</p>"));
    grid->BuildThumbnails({a, b});
    ASSERT_EQ(grid->FnFiles, 2);
    EXPECT_TRUE(grid->HTMList[0]->view()->sourceText().contains("first folder"));
    EXPECT_TRUE(grid->HTMList[1]->view()->sourceText().contains("second folder"));
    EXPECT_EQ(grid->HTMList[1]->titleLabel()->toolTip(), " Beta\r\n ");
    EXPECT_EQ(thumbnails(), QStringList{"INDEX.n4"});
}

TEST_F(Grid, ReusesACurrentPrebuiltThumbnailAndRemakesAStaleOne)
{
    const QString path = doc("reuse.htm", page("t", "<p>original</p>"));
    grid->BuildThumbnails({path});
    const QString thumb = cache.path() + "/reuse.n4";
    ASSERT_TRUE(QFile::exists(thumb));
    // Mark the thumbnail: a rebuild that reuses it keeps the mark.
    QByteArray bytes = readFile(thumb);
    bytes.replace("original", "REUSED!!");
    writeFile(thumb, bytes);
    grid->BuildThumbnails({path});
    EXPECT_TRUE(grid->HTMList[0]->view()->sourceText().contains("REUSED!!"));
    // An edited document is translated again.
    QTest::qWait(5); // modification times must differ
    writeFile(path, page("t", "<p>edited text</p>"));
    QFile(path).setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime);
    grid->BuildThumbnails({path});
    EXPECT_TRUE(grid->HTMList[0]->view()->sourceText().contains("edited text"));
}

TEST_F(Grid, AMissingDocumentGivesNoTile)
{
    const QString ok = doc("ok.htm", page("t", "x"));
    grid->BuildThumbnails({docs.path() + "/gone.htm", ok});
    EXPECT_EQ(grid->FnFiles, 1);
    EXPECT_EQ(script.texts(), QStringList{"File doesn't exist: '" + docs.path() + "/gone.htm'"});
}

TEST_F(Grid, ClickRules)
{
    const QString path = doc("p.htm", page("t", "x"));
    grid->BuildThumbnails(QStringList(10, path).mid(0, 10));
    ASSERT_EQ(grid->FnFiles, 10);
    auto tile = [&](int i) { return grid->HTMList[i]; };
    grid->ClickSelect(tile(3), Qt::NoModifier);
    EXPECT_EQ(selectedIndexes(*grid), QStringList({"3"}));
    grid->ClickSelect(tile(7), Qt::ShiftModifier);
    EXPECT_EQ(selectedIndexes(*grid), QStringList({"3", "4", "5", "6", "7"}));
    grid->ClickSelect(tile(2), Qt::ShiftModifier);
    EXPECT_EQ(selectedIndexes(*grid), QStringList({"0", "1", "2", "3", "4", "5", "6", "7"}));
    grid->ClickSelect(tile(5), Qt::ControlModifier);
    EXPECT_EQ(selectedIndexes(*grid), QStringList({"0", "1", "2", "3", "4", "6", "7"}));
    grid->ClickSelect(tile(9), Qt::NoModifier);
    EXPECT_EQ(selectedIndexes(*grid), QStringList({"9"}));
    grid->SelectNone();
    grid->ClickSelect(tile(5), Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(selectedIndexes(*grid), QStringList({"0", "1", "2", "3", "4", "5"}));
    grid->InvertSelection();
    EXPECT_EQ(selectedIndexes(*grid), QStringList({"6", "7", "8", "9"}));
    grid->SelectAll();
    EXPECT_EQ(selectedIndexes(*grid).size(), 10);
    // A real click on a tile's view goes through the same rules.
    grid->SelectNone();
    QTest::mouseClick(tile(4)->view()->viewport(), Qt::LeftButton);
    EXPECT_EQ(selectedIndexes(*grid), QStringList({"4"}));
}

TEST_F(Grid, DeleteSelectedAsksWithTheTileCountAndDeletesOnlySelected)
{
    QStringList paths;
    for (int i = 0; i < 12; ++i)
        paths << doc(QString("d%1.htm").arg(i), page("t", "x"));
    grid->BuildThumbnails(paths);
    keepPictures();
    ASSERT_EQ(grid->FnFiles, 12);
    for (int i : {1, 4, 9})
        grid->HTMList[i]->Select();
    script.queueAnswer(Answer::Cancel);
    grid->DeleteSelected();
    ASSERT_EQ(script.shown().size(), 1u);
    EXPECT_EQ(script.shown()[0].caption, "12");
    EXPECT_EQ(script.shown()[0].text, "Are you sure you want to delete the selected files?");
    EXPECT_TRUE(QFile::exists(paths[4]));
    script.queueAnswer(Answer::Ok);
    grid->DeleteSelected();
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(QFile::exists(paths[i]), i != 1 && i != 4 && i != 9) << i;
    HNail* deleted = grid->HTMList[4];
    EXPECT_FALSE(deleted->isEnabled());
    EXPECT_FALSE(deleted->Selected());
    EXPECT_TRUE(deleted->view()->isHidden());
    EXPECT_FALSE(QFile::exists(cache.path() + "/d4.n4"));
    EXPECT_FALSE(QFile::exists(cache.path() + "/d4.n4.pic"));
    EXPECT_TRUE(QFile::exists(cache.path() + "/d5.n4"));
    EXPECT_TRUE(QFile::exists(cache.path() + "/d5.n4.pic"));
    EXPECT_EQ(grid->FnFiles, 12); // deleted tiles keep their places
    // A deleted tile ignores the mouse.
    grid->SelectNone();
    QTest::mouseClick(deleted, Qt::LeftButton);
    EXPECT_TRUE(selectedIndexes(*grid).isEmpty());
}

TEST_F(Grid, TheTileMenuActsOnTheTileLastRightClicked)
{
    const QString a = doc("ma.htm", page("a", "x"));
    const QString b = doc("mb.htm", page("b", "x"));
    grid->BuildThumbnails({a, b});
    ASSERT_EQ(grid->FnFiles, 2);
    form->show();
    QTest::mouseClick(grid->HTMList[0]->view()->viewport(), Qt::RightButton);
    form->NailPopup->hide();
    EXPECT_EQ(grid->tileMenu()->PopupComponent(), grid->HTMList[0]);
    QTest::mouseClick(grid->HTMList[1]->view()->viewport(), Qt::RightButton);
    form->NailPopup->hide();
    EXPECT_EQ(grid->tileMenu()->PopupComponent(), grid->HTMList[1]);
    script.queueAnswer(Answer::Ok);
    form->puDelete->trigger();
    EXPECT_TRUE(QFile::exists(a));
    EXPECT_FALSE(QFile::exists(b));
    EXPECT_EQ(script.shown().back().text, "Are you sure you want to delete this file?");
}

TEST_F(Grid, SourceViewersOpenAtTheTop)
{
    QByteArray body;
    for (int i = 0; i < 400; ++i)
        body += "<p>line " + QByteArray::number(i) + "</p>\n";
    const QString path = doc("long.htm", page("long", body));
    grid->BuildThumbnails({path});
    ASSERT_EQ(grid->FnFiles, 1);
    TFormHTSrc* viewer = form->windows.source;
    script.queueDialog([viewer](QDialog*) {
        EXPECT_EQ(viewer->Memo1->textCursor().position(), 0);
        EXPECT_TRUE(viewer->Memo1->toPlainText().contains("line 399"));
        return int(QDialog::Accepted);
    });
    grid->HTMList[0]->DocumentSource();
    EXPECT_EQ(viewer->windowTitle(), path);
    script.queueDialog([viewer](QDialog*) {
        EXPECT_EQ(viewer->Memo1->textCursor().position(), 0);
        EXPECT_TRUE(viewer->Memo1->toPlainText().contains("Cut off by Preferences"));
        return int(QDialog::Accepted);
    });
    grid->HTMList[0]->ThumbnailSource();
    EXPECT_EQ(script.dialogsShown().size(), 2u);
}

TEST_F(Grid, ZoomWritesZoomTempWithTheCutOffAndNeverShowsAnotherDocument)
{
    QByteArray body;
    for (int i = 0; i < 800; ++i)
        body += "<p>paragraph " + QByteArray::number(i) + "</p>\n";
    const QString longDoc = doc("zoom.htm", page("z", body));
    form->windows.options->nLines->setText("2000");
    grid->ZoomTile(nullptr); // nothing to zoom: no effect
    THtmlZoomed* zoomed = form->windows.zoomed;
    zoomed->Zoom(longDoc);
    const QByteArray zoomTemp = readFile(cache.path() + "/ZoomTemp.htm");
    EXPECT_TRUE(zoomTemp.trimmed().endsWith("<HR><H2>*** Cut off by Preferences at: (2000 bytes.) ***</H2>"));
    EXPECT_EQ(zoomed->windowTitle(), longDoc);
    EXPECT_TRUE(zoomed->view()->sourceText().contains("paragraph 1"));
    // A document that cannot be loaded leaves the view empty.
    zoomed->Zoom(docs.path() + "/missing.htm");
    EXPECT_FALSE(zoomed->view()->sourceText().contains("paragraph"));
    EXPECT_TRUE(script.texts().contains("File doesn't exist: '" + docs.path() + "/missing.htm'"));
}

TEST_F(Grid, PreferencesConfirmedShowTheClearingMessageAndPurgeEveryThumbnail)
{
    const QString path = doc("pref.htm", page("t", "x"));
    grid->BuildThumbnails({path});
    writeFile(cache.path() + "/other.n2", "x");
    ASSERT_EQ(thumbnails().size(), 2);
    script.queueDialog([](QDialog* d) {
        d->accept();
        return d->result();
    });
    script.queueDialog([](QDialog*) { return int(QDialog::Accepted); });
    keepPictures();
    ASSERT_FALSE(tilePictures().isEmpty());
    grid->ApplyPreferences();
    EXPECT_TRUE(thumbnails().isEmpty());
    EXPECT_TRUE(tilePictures().isEmpty());
    TfrmMessage* message = form->windows.message;
    EXPECT_EQ(message->windowTitle(), "Clearing Pre-built thumbnails");
    // Cancel changes nothing and purges nothing.
    grid->BuildThumbnails({path});
    grid->ApplyPreferences(); // unscripted dialog: Cancel
    EXPECT_EQ(thumbnails(), QStringList{"pref.n4"});
}

TEST_F(Grid, ScaleTextGivesTheTileViewsTheScaledFonts)
{
    const QString path = doc("fonts.htm", page("t", "<h1>Big</h1>"));
    form->windows.options->chkScaleText->setChecked(true);
    grid->BuildThumbnails({path});
    ASSERT_EQ(grid->FnFiles, 1);
    THTML* view = grid->HTMList[0]->view();
    EXPECT_EQ(view->Font().pointSize(), 3);
    EXPECT_EQ(view->Heading1Font().pointSize(), 6);
    EXPECT_EQ(view->FixedFont().family(), "Courier New");
    form->windows.options->chkScaleText->setChecked(false);
    grid->BuildThumbnails({path});
    EXPECT_NE(grid->HTMList[0]->view()->Font().pointSize(), 3);
}

// "Miniature": each tile lays its page out at the tile view's width times the
// factor and shrinks it; the scaled fonts and picture sizes are left alone; what was
// made for one kind of tile (thumbnail, kept picture) is never shown for the other.
TEST_F(Grid, MiniatureTilesShowTheFullWidthPageShrunkAndNeverTheOtherKindsFiles)
{
    writeFile(docs.path() + "/dot.gif",
              QByteArray::fromBase64("R0lGODlhAQABAIAAAAAAAP///yH5BAEAAAAALAAAAAABAAEAAAIBRAA7"));
    // A red block 400 pixels wide: a quarter of it shows across a miniature tile's
    // view (laid out at four times the view's width), and it fills a plain tile.
    const QString path = doc("mini.htm", page("Mini", "<div style='width:400px; height:2000px; background:#f00; "
                                                     "margin:0'></div><img src=\"dot.gif\" width=80>"));
    TfrmOptions* options = form->windows.options;
    options->chkScaleText->setChecked(true);
    options->CheckBox2->setChecked(true); // "Scale Graphics"
    options->chkMiniature->setChecked(true);
    form->show();
    grid->BuildThumbnails({path});
    ASSERT_EQ(grid->FnFiles, 1);
    THTML* view = grid->HTMList[0]->view();
    EXPECT_EQ(view->shrink(), 4);
    EXPECT_NE(view->Font().pointSize(), 3); // "Scale Text" leaves miniatures alone
    const QByteArray thumbnail = readFile(cache.path() + "/mini.n4");
    EXPECT_TRUE(thumbnail.contains("WIDTH=\"80\"")); // and so does "Scale Graphics"
    EXPECT_TRUE(thumbnail.startsWith("<!-- zorvane-source") && thumbnail.left(200).contains(" miniature -->"));
    const auto redShare = [](const QImage& tile) {
        int red = 0;
        for (int x = 0; x < tile.width(); ++x)
            red += qRed(tile.pixel(x, tile.height() / 2)) > 200 && qGreen(tile.pixel(x, tile.height() / 2)) < 60;
        return double(red) / tile.width();
    };
    const QImage miniature = view->viewport()->grab().toImage();
    const int width = miniature.width();
    ASSERT_LT(width, 400);
    EXPECT_NEAR(redShare(miniature), 400.0 / (4 * width), 0.03);
    keepPictures();
    const QByteArray miniaturePicture = readFile(cache.path() + "/mini.n4.pic");
    ASSERT_FALSE(miniaturePicture.isEmpty());

    // Switched off (here without the dialog's OK, which purges): neither the
    // miniature's thumbnail nor its picture is shown for a plain tile.
    options->chkMiniature->setChecked(false);
    options->chkScaleText->setChecked(false);
    options->CheckBox2->setChecked(false);
    grid->BuildThumbnails({path});
    view = grid->HTMList[0]->view();
    EXPECT_EQ(view->shrink(), 1);
    EXPECT_EQ(grid->picturesPending(), 1); // laid out and painted anew
    EXPECT_FALSE(readFile(cache.path() + "/mini.n4").left(200).contains(" miniature -->"));
    EXPECT_GT(redShare(view->viewport()->grab().toImage()), 0.9);
    keepPictures();
    EXPECT_NE(readFile(cache.path() + "/mini.n4.pic"), miniaturePicture);

    // And back: the plain tile's files are not taken for a miniature either.
    options->chkMiniature->setChecked(true);
    grid->BuildThumbnails({path});
    view = grid->HTMList[0]->view();
    EXPECT_EQ(grid->picturesPending(), 1);
    EXPECT_NEAR(redShare(view->viewport()->grab().toImage()), 400.0 / (4 * width), 0.03);
    keepPictures();
    grid->BuildThumbnails({path});
    EXPECT_TRUE(grid->HTMList[0]->view()->showsPicture()); // its own picture, once kept
    EXPECT_EQ(grid->picturesPending(), 0);
}

TEST_F(Grid, ChangingMiniatureWithOkPurgesTheThumbnails)
{
    const QString path = doc("purge.htm", page("t", "x"));
    grid->BuildThumbnails({path});
    keepPictures();
    ASSERT_EQ(thumbnails(), QStringList{"purge.n4"});
    TfrmOptions* options = form->windows.options;
    script.queueDialog([options](QDialog* d) {
        QTest::mouseClick(options->chkMiniature, Qt::LeftButton, {},
                          QPoint(8, options->chkMiniature->height() / 2));
        d->accept();
        return d->result();
    });
    script.queueDialog([](QDialog*) { return int(QDialog::Accepted); });
    grid->ApplyPreferences();
    EXPECT_TRUE(options->miniature());
    EXPECT_TRUE(thumbnails().isEmpty());
    EXPECT_TRUE(tilePictures().isEmpty());
}

// A grid built again shows its tiles from the pictures kept of them, exactly as the
// laid-out pages looked, and lays a page out when something needs it. A picture is
// painted again when the thumbnail, a file the page read, or the view's fonts change.
TEST_F(Grid, TilesBuiltAgainShowTheirKeptPictureUntilThePageIsNeeded)
{
    writeFile(docs.path() + "/dot.gif",
              QByteArray::fromBase64("R0lGODlhAQABAIAAAAAAAP///yH5BAEAAAAALAAAAAABAAEAAAIBRAA7"));
    const QString path = doc("kept.htm", page("Kept", "<h1>Heading</h1><p>kept page text</p>"
                                                     "<img src=\"dot.gif\" width=80 height=40>"));
    const QString kept = cache.path() + "/kept.n4.pic";
    form->show();
    grid->BuildThumbnails({path});
    ASSERT_EQ(grid->FnFiles, 1);
    THTML* view = grid->HTMList[0]->view();
    // The laid-out page was painted at once and the tile shows that picture; the
    // page itself is let go until something needs it.
    EXPECT_TRUE(view->showsPicture());
    EXPECT_TRUE(view->layoutFinished());
    const QImage fromPicture = view->viewport()->grab().toImage();
    // The picture is written once the build is over and the program is idle.
    EXPECT_TRUE(tilePictures().isEmpty());
    EXPECT_EQ(grid->picturesPending(), 1);
    keepPictures();
    EXPECT_EQ(tilePictures(), QStringList{"kept.n4.pic"});
    // What the picture shows is the laid-out page.
    ASSERT_NE(view->document(), nullptr);
    EXPECT_FALSE(view->showsPicture());
    EXPECT_EQ(view->viewport()->grab().toImage(), fromPicture);

    const QByteArray painted = readFile(kept);
    grid->BuildThumbnails({path});
    view = grid->HTMList[0]->view();
    ASSERT_TRUE(view->showsPicture());
    EXPECT_TRUE(view->layoutFinished());
    QCoreApplication::processEvents();
    EXPECT_TRUE(view->showsPicture()); // shown at the size it was painted at
    EXPECT_EQ(view->viewport()->grab().toImage(), fromPicture);
    EXPECT_EQ(readFile(kept), painted); // used, not painted again
    EXPECT_EQ(grid->HTMList[0]->titleLabel()->text(), " kept.htm");
    EXPECT_EQ(grid->HTMList[0]->titleLabel()->toolTip(), " Kept\r\n ");
    EXPECT_TRUE(view->sourceText().contains("kept page text"));
    ASSERT_NE(view->document(), nullptr);
    EXPECT_TRUE(view->document()->plainText().contains("Heading"));
    EXPECT_EQ(grid->HTMList[0]->titleLabel()->toolTip(), " Kept\r\n "); // not twice

    // A picture file the page read has changed: the page is painted again.
    writeFile(docs.path() + "/dot.gif", readFile(docs.path() + "/dot.gif") + '\0');
    grid->BuildThumbnails({path});
    keepPictures();
    const QByteArray repainted = readFile(kept);
    EXPECT_NE(repainted, painted);
    // Other fonts ("Scale Text") paint another picture, which is then used.
    form->windows.options->chkScaleText->setChecked(true);
    grid->BuildThumbnails({path});
    keepPictures();
    const QByteArray scaled = readFile(kept);
    EXPECT_NE(scaled, repainted);
    grid->BuildThumbnails({path});
    EXPECT_EQ(readFile(kept), scaled);
}

// A style sheet the page imports counts among the files the picture stands on.
TEST_F(Grid, ATilePictureIsPaintedAgainWhenItsStyleSheetChanges)
{
    const QString sheet = docs.path() + "/look.css";
    writeFile(sheet, "body { background: #ff0000 }");
    const QByteArray body = "<style>@import url(\"file://" + sheet.toUtf8() + "\");</style><p>styled page text</p>";
    const QString path = doc("styled.htm", page("Styled", body.constData()));
    form->show();
    grid->BuildThumbnails({path});
    keepPictures();
    const QString kept = cache.path() + "/styled.n4.pic";
    const QByteArray painted = readFile(kept);
    ASSERT_FALSE(painted.isEmpty());
    EXPECT_EQ(grid->HTMList[0]->view()->viewport()->grab().toImage().pixel(5, 5), qRgb(255, 0, 0));
    // Built again, the tile shows the kept picture: no page laid out, nothing to keep.
    grid->BuildThumbnails({path});
    EXPECT_TRUE(grid->HTMList[0]->view()->showsPicture());
    EXPECT_EQ(grid->picturesPending(), 0);
    writeFile(sheet, "body { background: #0000ff }");
    grid->BuildThumbnails({path});
    EXPECT_EQ(grid->picturesPending(), 1); // laid out and painted again
    EXPECT_EQ(grid->HTMList[0]->view()->viewport()->grab().toImage().pixel(5, 5), qRgb(0, 0, 255));
    keepPictures();
    EXPECT_NE(readFile(kept), painted);
}

// A frameset tile's picture stands on its frames' documents too: a frame's
// document changed, the tile is laid out and painted again.
TEST_F(Grid, AFramesetTilePictureIsPaintedAgainWhenAFramesDocumentChanges)
{
    const QString frame = doc("left.htm", "<html><body bgcolor=\"#ff0000\">left</body></html>");
    const QString path = doc("frames.htm", "<html><head><title>Frames</title></head>"
                                           "<frameset cols=\"100%\"><frame src=\"left.htm\"></frameset></html>");
    form->show();
    grid->BuildThumbnails({path});
    keepPictures();
    ASSERT_EQ(tilePictures(), QStringList{"frames.n4.pic"});
    const auto centre = [&] {
        const QImage shown = grid->HTMList[0]->view()->viewport()->grab().toImage();
        return shown.pixel(shown.rect().center());
    };
    EXPECT_EQ(centre(), qRgb(255, 0, 0));
    grid->BuildThumbnails({path});
    EXPECT_EQ(grid->picturesPending(), 0); // shown from the kept picture

    writeFile(frame, "<html><body bgcolor=\"#0000ff\">the left frame, changed</body></html>");
    grid->BuildThumbnails({path});
    EXPECT_EQ(grid->picturesPending(), 1);
    EXPECT_EQ(centre(), qRgb(0, 0, 255));
}

TEST_F(Grid, ADamagedTilePictureIsPaintedAgain)
{
    const QString path = doc("damaged.htm", page("t", "<p>text</p>"));
    grid->BuildThumbnails({path});
    keepPictures();
    const QString picture = cache.path() + "/damaged.n4.pic";
    const QByteArray whole = readFile(picture);
    ASSERT_FALSE(whole.isEmpty());
    for (const QByteArray& damage : {whole.left(whole.size() - 7), QByteArray("not a picture"),
                                     whole.left(40) + QByteArray(200, 'x')}) {
        writeFile(picture, damage);
        grid->BuildThumbnails({path});
        keepPictures();
        EXPECT_TRUE(grid->HTMList[0]->view()->layoutFinished());
        EXPECT_EQ(readFile(picture), whole);
        EXPECT_TRUE(grid->HTMList[0]->view()->sourceText().contains("text"));
    }
}
