// What a user sees of documents in the grid's tiles and in the zoomed view, and what
// the tile commands leave in the cache folder: each case driven through the shown
// windows.
#include "grid_fixture.h"

#include "render/html_zoomed.h"
#include "render/tile_menu.h"
#include "render/tr_nail.h"

#include <QHelpEvent>
#include <QImage>
#include <QMenu>
#include <QRegularExpression>
#include <QTest>
#include <QToolTip>

using namespace zv;
using namespace zv::testing;

namespace {

struct Tiles : GridFixture {
    // Right-clicks the tile on screen and chooses `entry` from the menu it opens.
    void chooseFromTileMenu(HNail* tile, QAction* entry)
    {
        form->show();
        QTest::mouseClick(tile->view()->viewport(), Qt::RightButton);
        ASSERT_EQ(grid->tileMenu()->PopupComponent(), tile);
        form->NailPopup->hide();
        entry->trigger();
    }
};

} // namespace

TEST_F(Tiles, DeletingATilePurgesItsOwnThumbnailsTakingBracketsLiterally)
{
    // "[" and "]" are plain characters of a name: the thumbnails of "a[1].htm" go,
    // those of "a1.htm" (which a character class "[1]" would match) stay.
    const QString bracketed = doc("a[1].htm", page("bracketed", "x"));
    const QString plain = doc("a1.htm", page("plain", "y"));
    grid->BuildThumbnails({bracketed, plain});
    ASSERT_EQ(grid->FnFiles, 2);
    keepPictures();
    writeFile(cache.path() + "/a[1].n2", "older factor");
    ASSERT_TRUE(QFile::exists(cache.path() + "/a[1].n4"));
    ASSERT_TRUE(QFile::exists(cache.path() + "/a1.n4"));

    script.queueAnswer(Answer::Ok);
    chooseFromTileMenu(grid->HTMList[0], form->puDelete);
    EXPECT_FALSE(QFile::exists(bracketed));
    EXPECT_EQ(thumbnails(), QStringList({"a1.n4"}));
    EXPECT_EQ(tilePictures(), QStringList({"a1.n4.pic"}));
    EXPECT_TRUE(QFile::exists(plain));
}

TEST_F(Tiles, TheTitleHintIsDecodedAsTheWholeDocumentIs)
{
    // Windows-1252 titles read as the page's text reads; a title whose bytes alone
    // would pass for UTF-8 follows its document, as the page's text does.
    const QString western = doc("western.htm", page("Caf\xE9 cr\xE8me \x93quoted\x94", "caf\xE9"));
    const QString utf8 = doc("utf8.htm", page("Caf\xC3\xA9 \xE2\x80\x94 ok", "caf\xC3\xA9"));
    const QString mixed = doc("mixed.htm", page("\xC3\xA9t\xC3\xA9", "caf\xE9"));
    grid->BuildThumbnails({western, utf8, mixed});
    ASSERT_EQ(grid->FnFiles, 3);
    form->show();
    const QStringList expected{QString::fromUtf8(" Caf\xC3\xA9 cr\xC3\xA8me \xE2\x80\x9Cquoted\xE2\x80\x9D\r\n "),
                               QString::fromUtf8(" Caf\xC3\xA9 \xE2\x80\x94 ok\r\n "),
                               QString::fromUtf8(" \xC3\x83\xC2\xA9t\xC3\x83\xC2\xA9\r\n ")};
    for (int i = 0; i < 3; ++i) {
        QLabel* strip = grid->HTMList[i]->titleLabel();
        QHelpEvent hover(QEvent::ToolTip, strip->rect().center(), strip->mapToGlobal(strip->rect().center()));
        QApplication::sendEvent(strip, &hover);
        EXPECT_TRUE(QTest::qWaitFor([] { return QToolTip::isVisible(); }, 2000));
        EXPECT_EQ(QToolTip::text(), expected[i]) << i;
        QToolTip::hideText();
    }
}

TEST_F(Tiles, AZoomShowsItsReadingOnTheCurrentProgressDisplay)
{
    QByteArray body;
    for (int i = 0; i < 50; ++i)
        body += "<p>paragraph " + QByteArray::number(i) + "</p>\n";
    const QString path = doc("zoomed.htm", page("z", body));
    grid->BuildThumbnails({path});
    ASSERT_EQ(grid->FnFiles, 1);
    THtmlZoomed* zoomed = form->windows.zoomed;
    // What the "Current progress" caption reads while the zoom translates the
    // document and while its view reads the translation.
    QStringList translating;
    QStringList showing;
    QObject::connect(zoomed->translator(), &THTML::OnDoNewElement, form.get(),
                     [&](HtmlElement&) { translating << form->Label2->text(); });
    QObject::connect(zoomed->view(), &THTML::OnDoNewElement, form.get(),
                     [&](HtmlElement&) { showing << form->Label2->text(); });
    chooseFromTileMenu(grid->HTMList[0], form->puZoom);
    ASSERT_FALSE(translating.isEmpty());
    ASSERT_FALSE(showing.isEmpty());
    for (const QString& caption : translating)
        EXPECT_TRUE(caption.startsWith("Reading byte #")) << caption.toStdString();
    EXPECT_TRUE(translating.last().contains(QRegularExpression("^Reading byte #[1-9][0-9]* of 5000$")))
        << translating.last().toStdString();
    EXPECT_TRUE(showing.last().startsWith("Reading byte #")) << showing.last().toStdString();
    EXPECT_EQ(form->Label2->text(), ""); // finished
    EXPECT_TRUE(zoomed->view()->sourceText().contains("paragraph 49"));
}

namespace {

// How many pixels of the tile's view, as painted, are close to `colour`.
int pixelsOf(HNail* tile, QColor colour)
{
    const QImage painted = tile->view()->paintedPicture();
    int count = 0;
    for (int y = 0; y < painted.height(); ++y) {
        for (int x = 0; x < painted.width(); ++x) {
            const QColor c = painted.pixelColor(x, y);
            if (qAbs(c.red() - colour.red()) < 12 && qAbs(c.green() - colour.green()) < 12
                && qAbs(c.blue() - colour.blue()) < 12)
                ++count;
        }
    }
    return count;
}

} // namespace

TEST_F(Tiles, PicturesOfEveryFormatShowAndUndecodableOnesShowTheStandIn)
{
    ASSERT_TRUE(QFile::copy(QString(ZV_SOURCE_DATA_DIR) + "/_NoImage.gif", home.path() + "/_NoImage.gif"));
    const QColor colour(20, 160, 60);
    QImage picture(30, 24, QImage::Format_RGB32);
    picture.fill(colour);
    QStringList shown;
    for (const char* format : {"png", "bmp", "ico", "tiff", "webp"}) {
        ASSERT_TRUE(picture.save(docs.path() + "/pic." + format, format));
        shown << doc(QString("%1.htm").arg(format), page(format, QByteArray("<img src=\"pic.") + format + "\">"));
    }
    writeFile(docs.path() + "/pic.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"30\" height=\"24\">"
                                        "<rect width=\"30\" height=\"24\" fill=\"#14a03c\"/></svg>");
    shown << doc("svg.htm", page("svg", "<img src=\"pic.svg\">"));
    // An address holding a character reference names the file it decodes to.
    ASSERT_TRUE(picture.save(docs.path() + "/q&r.png", "png"));
    shown << doc("amp.htm", page("amp", "<img src=\"q&amp;r.png\">"));

    writeFile(docs.path() + "/damaged.gif", "GIF89a\x10\x00\x10\x00 and no more");
    writeFile(docs.path() + "/empty.png", "");
    writeFile(docs.path() + "/unknown.img", "\x01\x02 not a picture at all");
    const QStringList broken{doc("damaged.htm", page("d", "<img src=\"damaged.gif\">")),
                             doc("empty.htm", page("e", "<img src=\"empty.png\">")),
                             doc("unknown.htm", page("u", "<img src=\"unknown.img\">"))};
    const QString standIn = doc("standin.htm", page("s", "<img src=\"" + fileUrl(home.path() + "/_NoImage.gif").toUtf8() + "\">"));
    // A background that cannot be decoded is left out, as a browser leaves it.
    const QString background = doc("background.htm", "<html><body background=\"damaged.gif\"><p>text</p></body></html>");

    grid->BuildThumbnails(shown + broken + QStringList{standIn, background});
    ASSERT_EQ(grid->FnFiles, shown.size() + broken.size() + 2);
    for (int i = 0; i < shown.size(); ++i)
        EXPECT_GE(pixelsOf(grid->HTMList[i], colour), 30 * 24) << shown[i].toStdString();
    const QImage expected = grid->HTMList[int(shown.size() + broken.size())]->view()->paintedPicture();
    for (int i = 0; i < broken.size(); ++i)
        EXPECT_TRUE(grid->HTMList[int(shown.size()) + i]->view()->paintedPicture() == expected) << broken[i].toStdString();
    HNail* backgroundTile = grid->HTMList.last();
    const QImage blank = backgroundTile->view()->paintedPicture();
    EXPECT_EQ(pixelsOf(backgroundTile, Qt::white) + pixelsOf(backgroundTile, Qt::black) > blank.width() * blank.height() * 9 / 10,
              true);
}
