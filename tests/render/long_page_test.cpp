// Long pages: laid out only as far as a view shows them (where the markup may be cut,
// and that what the view shows is what the whole page shows, pixel for pixel), and
// painted only where they are shown.
#include "render/markup_prefix.h"
#include "render/page_layout.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zv;

namespace {

// --- Where the markup may be cut ----------------------------------------------------

// The text of the markup before a cut, from the last '<' on (what the cut follows).
QByteArray before(const QByteArray& markup, qsizetype cut)
{
    const qsizetype lt = markup.lastIndexOf('<', cut - 1);
    return markup.mid(lt, cut - lt);
}

TEST(MarkupPrefix, CutsAfterTheEndOfABlockOutsideTablesAndInlineElements)
{
    const QByteArray markup = "<html><body><h1>Title</h1><p>one <b>bold</b></p>"
                              "<table><tr><td><p>in a cell</p></td></tr></table>"
                              "<font color=red><p>inside a font</p></font>"
                              "<ul><li>item<li>item</li></ul><hr>"
                              "<div><div><pre>code</pre></div></div>tail</body></html>";
    const MarkupPrefix prefix(markup);
    QList<QByteArray> cuts;
    for (qsizetype at = 0;;) {
        const qsizetype cut = prefix.cutAt(at);
        if (cut < 0)
            break;
        cuts << before(markup, cut);
        // The element the cut ends: the one whose end tag (or HR) it follows.
        EXPECT_EQ(prefix.endedAt(cut), QByteArray(cuts.last()).replace("<", "").replace("/", "").replace(">", ""));
        at = cut + 1;
    }
    // Not inside the table (nor after its cell's paragraph), not inside FONT, not
    // after an inline element; the second item ends the first (no cut without its
    // own end tag).
    EXPECT_EQ(cuts, (QList<QByteArray>{"</h1>", "</p>", "</table>", "</li>", "</ul>", "<hr>", "</pre>", "</div>",
                                       "</div>"}));
    // Cuts with few elements open besides HTML and BODY: after both DIVs have
    // ended, after the first.
    const qsizetype pre = markup.indexOf("<pre>");
    EXPECT_EQ(prefix.cutAt(pre, 0), markup.indexOf("tail"));
    EXPECT_EQ(before(markup, prefix.cutAt(pre, 1)), "</div>");
    EXPECT_EQ(prefix.cutAt(pre, 1), markup.indexOf("</div>") + 6);
    EXPECT_EQ(prefix.cutAt(markup.indexOf("<li>"), 0), markup.indexOf("<hr>"));
}

TEST(MarkupPrefix, NothingThatCouldShowHigherUpComesAfterACut)
{
    const QByteArray blocks = "<p>one</p><p>two</p><p>three</p>";
    const auto firstCut = [](const QByteArray& markup) { return MarkupPrefix(markup).cutAt(0); };
    const auto afterAll = [&](const QByteArray& markup, const QByteArray& hazard) {
        const qsizetype cut = firstCut(markup);
        return cut < 0 || cut >= markup.indexOf(hazard) + hazard.size();
    };
    ASSERT_EQ(firstCut("<body>" + blocks), QByteArray("<body><p>one</p>").size());
    // Style sheets, later BODY and HTML tags, and elements placed by their own style.
    for (const QByteArray& hazard :
         {QByteArray("<style>p { color: red }</style>"), QByteArray("<link rel=StyleSheet href=a.css>"),
          QByteArray("<body bgcolor=red>"), QByteArray("<html lang=en>"),
          QByteArray("<div style=\"position: absolute; top: 0\">x</div>"),
          QByteArray("<div style='POSITION:fixed'>x</div>"), QByteArray("<div style=\"margin-top: -10%\">x</div>"),
          QByteArray("<div style=\"float: left; margin-left: -100%\">x</div>")}) {
        const QByteArray markup = "<body>" + blocks + hazard + blocks;
        EXPECT_TRUE(afterAll(markup, hazard)) << hazard.constData();
    }
    // Elements that rules place: by element name, class and id, inside conditions,
    // whatever the letter case; comments and other rules do not count.
    const QByteArray late = "<body>" + blocks + "<div class=\"x Side\" id=Top><span>s</span></div>" + blocks;
    for (const char* css : {".side { position: absolute }", "#top{position:fixed}", "div.x > span {top: 3%}",
                            "@media screen { @supports (x) { .SIDE { position: absolute } } }",
                            "* { position: absolute }", "[title] { position: absolute }"}) {
        MarkupPrefix prefix(late);
        prefix.addStyleSheet(css);
        EXPECT_TRUE(prefix.cutAt(0) < 0 || prefix.cutAt(0) > late.indexOf("</div>")) << css;
    }
    for (const char* css : {"/* .side { position: absolute } */", ".other { position: absolute }",
                            ".side { position: relative; margin-left: -4% }", ".side { float: right }",
                            "@font-face { font-family: x; src: url(a.ttf) } p { color: red }"}) {
        MarkupPrefix prefix(late);
        prefix.addStyleSheet(css);
        EXPECT_EQ(prefix.cutAt(0), QByteArray("<body><p>one</p>").size()) << css;
        EXPECT_EQ(prefix.lift(), 0) << css;
    }
}

TEST(MarkupPrefix, ElementsMovedUpByAKnownAmountLiftWhatMustBeShown)
{
    EXPECT_EQ(MarkupPrefix::upwardMove("color: red; margin: 10px 0 -5px"), 5);
    EXPECT_EQ(MarkupPrefix::upwardMove("margin-top: -2em"), 128);
    EXPECT_EQ(MarkupPrefix::upwardMove("position: relative; top: 7px"), 7);
    EXPECT_EQ(MarkupPrefix::upwardMove("bottom: 12pt !important"), 16);
    EXPECT_EQ(MarkupPrefix::upwardMove("margin: 0 -20px"), 0); // sideways
    EXPECT_EQ(MarkupPrefix::upwardMove("margin-left: -4%; top: auto; margin-top: 0"), 0);
    EXPECT_EQ(MarkupPrefix::upwardMove("margin-top: calc(-1em - 2px)"), MarkupPrefix::kUnbounded);
    EXPECT_EQ(MarkupPrefix::upwardMove("margin-bottom: -3000px"), MarkupPrefix::kUnbounded);
    EXPECT_EQ(MarkupPrefix::upwardMove("top: 50%"), MarkupPrefix::kUnbounded);

    const QByteArray markup = "<body><p>one</p><p>two</p><div class=footer>f</div><p>three</p>";
    MarkupPrefix prefix(markup);
    prefix.addStyleSheet("div.footer { margin-top: -30px } .absent { margin-top: -500px }");
    EXPECT_EQ(prefix.lift(), 30);
    EXPECT_EQ(prefix.cutAt(0), QByteArray("<body><p>one</p>").size());
    MarkupPrefix styled("<body><p>one</p><p style=\"position:relative; top:-9px\">two</p>");
    EXPECT_EQ(styled.lift(), 9);
}

TEST(MarkupPrefix, RulesThatLookAtFollowingSiblings)
{
    MarkupPrefix prefix("<body><p>x</p>");
    prefix.addStyleSheet("ul li:LAST-child a { color: red } .box:only-child {} p + p { margin: 0 }"
                         "div:nth-last-child(2) {}");
    EXPECT_TRUE(prefix.chosenByFollowers("LI", "", ""));
    EXPECT_TRUE(prefix.chosenByFollowers("div", "a box", ""));
    EXPECT_TRUE(prefix.chosenByFollowers("div", "", ""));
    EXPECT_FALSE(prefix.chosenByFollowers("a", "", ""));
    EXPECT_FALSE(prefix.chosenByFollowers("p", "boxes", "box"));
    MarkupPrefix any("<body><p>x</p>");
    any.addStyleSheet(":last-child { margin: 0 }");
    EXPECT_TRUE(any.chosenByFollowers("p", "", ""));
}

// --- What a view shows of a page laid out in part --------------------------------------

struct PrefixPages : ::testing::Test {
    QTemporaryDir dir;

    std::unique_ptr<PageLayout> lay(const QByteArray& markup, int shownHeight, int width = 400, int height = 300,
                                    qsizetype firstCut = 0, qsizetype mostMarkup = 0)
    {
        PageLayout::Input input;
        input.firstCut = firstCut;
        input.mostMarkup = mostMarkup;
        input.markup = markup;
        input.baseUrl = QUrl::fromLocalFile(dir.filePath(QStringLiteral("page.htm")));
        input.fonts = browserFonts();
        input.width = width;
        input.height = height;
        input.shownHeight = shownHeight;
        return std::make_unique<PageLayout>(std::move(input));
    }

    static QImage picture(const PageLayout& page, QRect area)
    {
        QImage image(area.size(), QImage::Format_RGB32);
        image.fill(Qt::magenta);
        QPainter painter(&image);
        page.paint(painter, QRect(QPoint(), area.size()), area.topLeft());
        return image;
    }

    // Lays the page out for a view of 400 x 300 showing its top, and whole; both
    // must paint the view alike. Answers whether the page was laid out in part.
    bool showsAsWhole(const QByteArray& markup, const char* what)
    {
        const auto part = lay(markup, 300);
        const auto whole = lay(markup, 0);
        EXPECT_TRUE(whole->complete());
        EXPECT_EQ(picture(*part, QRect(0, 0, 400, 300)), picture(*whole, QRect(0, 0, 400, 300))) << what;
        if (!part->complete()) {
            EXPECT_GE(part->exactHeight(), 300) << what;
            EXPECT_LT(part->laidOutBytes(), markup.size()) << what;
        }
        return !part->complete();
    }
};

// About 250 KB of paragraphs, each with its number.
QByteArray paragraphs(int from = 0, int count = 5000)
{
    QByteArray out;
    for (int i = from; i < from + count; ++i)
        out += "<p>Paragraph " + QByteArray::number(i) + " with <b>some</b> words in it.</p>\n";
    return out;
}

} // namespace

TEST_F(PrefixPages, ALongPageIsLaidOutAsFarAsTheViewShowsIt)
{
    const QByteArray markup = "<html><head><title>t</title></head><body bgcolor=#ffffcc><h1>Top</h1>"
                              + paragraphs() + "</body></html>";
    ASSERT_TRUE(showsAsWhole(markup, "paragraphs"));
    const auto part = lay(markup, 300);
    const auto whole = lay(markup, 0);
    EXPECT_LT(part->laidOutBytes(), markup.size() / 4);
    // The whole page's height, told from the part.
    EXPECT_NEAR(part->estimatedHeight(), whole->size().height(), whole->size().height() / 5);
    EXPECT_TRUE(part->plainText().startsWith("Top\nParagraph 0 "));
    // Shown further down, the page is laid out further, alike again there.
    const auto further = lay(markup, 60000);
    EXPECT_FALSE(further->complete());
    EXPECT_GE(further->exactHeight(), 60000);
    EXPECT_GT(further->laidOutBytes(), part->laidOutBytes());
    EXPECT_EQ(picture(*further, QRect(0, 59700, 400, 300)), picture(*whole, QRect(0, 59700, 400, 300)));
    // Short pages are laid out whole.
    EXPECT_TRUE(lay("<body>" + paragraphs(0, 100), 300)->complete());
    // A first part in a floating block: cut where that block has ended.
    EXPECT_TRUE(showsAsWhole("<body><div style='float:left; width:100%'>" + paragraphs(0, 800) + "</div>"
                                 + paragraphs(800, 4000),
                             "floating first part"));
    // Lists, blocks, rules and preformatted text are places to cut as well.
    QByteArray lists = "<body><div class=a><ul>";
    for (int i = 0; i < 8000; ++i)
        lists += "<li>Item " + QByteArray::number(i) + "</li>" + (i % 50 == 49 ? "</ul><hr><pre>x\ny</pre><ul>" : "");
    EXPECT_TRUE(showsAsWhole(lists + "</ul></div>", "lists"));
}

// A view that shows one screen of many pages once (the desktop thumbnailer) cuts
// sooner: a page of 20 KB, half of it a style sheet in its head, is laid out in
// part, in a few tries that reach past the head's bytes, and shows as the whole.
TEST_F(PrefixPages, AnEarlyFirstCutLaysOutLessOfAPageWithALongHead)
{
    QByteArray sheet;
    for (int i = 0; sheet.size() < 10000; ++i)
        sheet += ".rule" + QByteArray::number(i) + " { color: #123456; margin-left: 2px }\n";
    const QByteArray markup = "<html><head><style>" + sheet + "</style></head><body><h1>Top</h1>"
                              + paragraphs(0, 160) + "</body></html>";
    ASSERT_LT(markup.size(), PageLayout::kLeastCutMarkup);
    EXPECT_TRUE(lay(markup, 300)->complete()); // the views' own first cut: whole
    const auto part = lay(markup, 300, 400, 300, 2048);
    const auto whole = lay(markup, 0);
    ASSERT_FALSE(part->complete());
    EXPECT_LT(part->laidOutBytes(), sheet.size() + (markup.size() - sheet.size()) / 2);
    EXPECT_GE(part->exactHeight(), 300);
    EXPECT_EQ(picture(*part, QRect(0, 0, 400, 300)), picture(*whole, QRect(0, 0, 400, 300)));
}

// A page held in one table cannot be cut exactly; a caller that sets the most
// markup to lay out (the thumbnailer) has it laid out from its first part, cut after
// a tag, and the top shows as the whole page's does. Without the limit, and for
// pages within it, the page is laid out whole.
TEST_F(PrefixPages, APageInOneTableIsLaidOutFromItsFirstPartWithinTheMostMarkup)
{
    const QByteArray markup = "<body><table width=100%><tr><td>" + paragraphs(0, 4000) + "</td></tr></table>";
    const auto limited = lay(markup, 300, 400, 300, 0, 64 * 1024);
    const auto whole = lay(markup, 300);
    EXPECT_TRUE(whole->complete());
    ASSERT_FALSE(limited->complete());
    EXPECT_LE(limited->laidOutBytes(), 64 * 1024);
    EXPECT_EQ(markup.at(limited->laidOutBytes() - 1), '>');
    EXPECT_EQ(picture(*limited, QRect(0, 0, 400, 300)), picture(*whole, QRect(0, 0, 400, 300)));
    EXPECT_TRUE(lay("<body><table><tr><td>" + paragraphs(0, 100) + "</td></tr></table>", 300, 400, 300, 0,
                    64 * 1024)
                    ->complete());
}

TEST_F(PrefixPages, WhatCouldShowHigherUpKeepsThePageWhole)
{
    // A page of about 90 KB: long enough to be cut.
    const QByteArray paragraphs = ::paragraphs(0, 1800);
    const QByteArray top = "<html><body><h1>Top</h1>";
    // Placed at the top by its own style, at the end of the markup.
    EXPECT_FALSE(showsAsWhole(top + paragraphs
                                  + "<div style=\"position:absolute; top:0; left:0; width:50px; height:50px; "
                                    "background:red\"></div>",
                              "positioned"));
    // A side bar pulled back beside a full-width float, after the content.
    EXPECT_FALSE(showsAsWhole(
        "<html><head><style>.wrap { float: left; width: 100% } .main { margin-left: 120px }"
        ".side { float: left; width: 100px; margin-left: -100%; background: #00ff00 }</style></head><body>"
        "<div class=document><div class=wrap><div class=main>" + paragraphs + "</div></div>"
        "<div class=side>side bar</div></div></body></html>",
        "side bar"));
    // Rules given late, and a later BODY tag adding a colour.
    EXPECT_FALSE(showsAsWhole(top + paragraphs + "<style>body { background: #ff0000 }</style>", "late style"));
    EXPECT_FALSE(showsAsWhole(top + paragraphs + "<body bgcolor=#0000ff>", "second body"));
    // A block placed far below the flow, where the first cut falls (a long comment
    // before it), is no sign that what follows comes below.
    const QByteArray comment = "<!-- " + QByteArray(40000, 'c') + " -->";
    showsAsWhole(top + "<p>short</p>" + comment + "<div style=\"position:absolute; top:90000px\">far</div>"
                     + paragraphs,
                 "placed below");
    showsAsWhole(top + "<p>short</p>" + comment + "<div style=\"float:left; margin-top:90000px\">far</div>"
                     + paragraphs,
                 "floated below");
    // A block that rules choose by what follows it, open at every cut.
    EXPECT_FALSE(showsAsWhole("<html><head><style>div.w:only-child { background: #ff0000 }</style></head>"
                              "<body><div class=w>" + paragraphs + "</div><p>after</p></body></html>",
                              "only child"));
    // The whole page inside a table, a float or a block placed by its height.
    EXPECT_FALSE(showsAsWhole(top + "<table border=1><tr><td>" + paragraphs + "</td></tr></table>", "table"));
    EXPECT_FALSE(showsAsWhole(top + "<div style=\"float:left; width:50%\">" + paragraphs + "</div>", "float"));
    EXPECT_FALSE(showsAsWhole(top + "<div style=\"display:inline-block\">" + paragraphs + "</div>",
                              "inline block"));
    EXPECT_FALSE(showsAsWhole("<html><body style=\"background: #ccc url(" + QUrl::fromLocalFile(
                                  dir.filePath("none.png")).toEncoded() + ") 0 100% no-repeat\">" + paragraphs,
                              "background at the bottom"));
}

TEST_F(PrefixPages, ElementsMovedUpByAKnownAmountAreShown)
{
    // Each paragraph after the first is pulled up over the one before: the part laid
    // out reaches that much further down than the view.
    QByteArray markup = "<html><head><style>p { margin: 40px 0 } p.up { margin-top: -30px; background: #ff8080 }"
                        "</style></head><body>";
    for (int i = 0; i < 5000; ++i)
        markup += (i % 3 ? "<p class=up>" : "<p>") + QByteArray("Line ") + QByteArray::number(i) + "</p>\n";
    EXPECT_TRUE(showsAsWhole(markup, "pulled up"));
}

TEST_F(PrefixPages, FramesAreLaidOutAsFarAsTheirHeight)
{
    const QString framePath = dir.filePath(QStringLiteral("long.htm"));
    PageLayout::Input input;
    input.markup = "<frameset rows=\"100,*\"><frame src=long.htm><frame src=long.htm></frameset>";
    input.baseUrl = QUrl::fromLocalFile(dir.filePath(QStringLiteral("frames.htm")));
    input.fonts = browserFonts();
    input.width = 400;
    input.height = 300;
    auto frames = std::make_shared<FrameDocuments>();
    frames->insert(framePath, "<body>" + paragraphs());
    input.frames = frames;
    input.shownHeight = 300;
    PageLayout part(input);
    input.shownHeight = 0;
    PageLayout whole(input);
    EXPECT_EQ(picture(part, QRect(0, 0, 400, 300)), picture(whole, QRect(0, 0, 400, 300)));
}

// Painting a part of a page passes over the blocks outside it; what it paints is that
// part of the page painted whole.
TEST_F(PrefixPages, APartOfAPageIsPaintedAsThePageIsThere)
{
    QByteArray markup = "<html><head><style>.box { border: 3px solid #c00; background: #eef; padding: 4px }"
                        "span.up { position: relative; top: -6px; color: #080 }"
                        "div.clip { overflow: hidden; height: 40px; background: #ffd }</style></head><body>";
    for (int i = 0; i < 40; ++i) {
        const QByteArray n = QByteArray::number(i);
        markup += "<h2>Section " + n + "</h2><ol start=" + n + "><li>first<li>second<li>third</ol>"
                  "<table border=2 cellpadding=3 bgcolor=#dfd><tr><td>cell " + n + "</td><td rowspan=2>tall</td></tr>"
                  "<tr><td bgcolor=#fcc>below</td></tr></table>"
                  "<div class=box><div class=box>nested <span class=up>raised</span> " + n + "</div></div>"
                  "<p><img align=left width=30 height=60 src=none.png>beside a float " + n + "</p>"
                  "<div class=clip><p>clipped</p><p>hidden below</p><p>and more</p></div>"
                  "<pre>preformatted\n  text " + n + "</pre><hr>";
    }
    // Tables holding long cells, nested, beside cells of other heights.
    for (int t = 0; t < 3; ++t) {
        markup += "<table border=1 cellspacing=4 bgcolor=#eee><tr><td colspan=2>";
        for (int i = 0; i < 25; ++i)
            markup += "<p>first row " + QByteArray::number(i) + "</p>";
        markup += "</td></tr><tr><td>short</td><td>";
        for (int i = 0; i < 30; ++i)
            markup += "<p>cell paragraph " + QByteArray::number(i) + "</p>";
        markup += "<table border=1><tr><td bgcolor=#cdf>";
        for (int i = 0; i < 20; ++i)
            markup += "<div class=box>inner " + QByteArray::number(i) + "</div>";
        markup += "</td></tr></table></td></tr><tr><td colspan=2><ul><li>a<li>b</ul></td></tr></table>";
    }
    // What reaches far out of its block: a float, and lines past a block's height.
    markup += "<div style=\"height:50px\"><img align=left width=30 height=400 src=x.png>float</div>"
              "<div style=\"height:20px\">" + QByteArray("overflowing lines ").repeated(300) + "</div>";
    markup += "<div style=\"position:absolute; top:2000px; left:50px; width:80px; height:30px; background:#00f\">"
              "</div></body></html>";
    const auto page = lay(markup, 0);
    const int height = page->size().height();
    ASSERT_GT(height, 6000);
    const QImage whole = picture(*page, QRect(0, 0, 400, height));
    for (int top : {0, 150, 1234, 1990, 3001, height / 2, height - 3000, height - 2500, height - 2000, height - 1500,
                    height - 1000, height - 600, height - 300}) {
        EXPECT_EQ(picture(*page, QRect(0, top, 400, 300)), whole.copy(0, top, 400, 300)) << top;
        EXPECT_EQ(picture(*page, QRect(37, top, 200, 120)), whole.copy(37, top, 200, 120)) << top;
    }
}
