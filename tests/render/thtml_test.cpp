#include "platform/file_paths.h"
#include "platform/message_pump.h"
#include "render/hframed.h"
#include "render/nesting_limit.h"
#include "render/page_layout.h"
#include "render/thtml.h"

#include <QColor>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPointer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace zv;

namespace {

std::string str(QByteArrayView v)
{
    return std::string(v.data(), size_t(v.size()));
}

struct ViewTest : ::testing::Test
{
    QTemporaryDir tmp;
    THTML view;
    std::vector<std::string> events;

    void SetUp() override
    {
        view.resize(400, 300);
        QObject::connect(&view, &THTML::OnBeginRetrieval, [this] { events.push_back("begin"); });
        QObject::connect(&view, &THTML::OnEndRetrieval, [this] { events.push_back("end"); });
        QObject::connect(&view, &THTML::OnDoNewElement, [this](HtmlElement& e) {
            if (e.ElemType.isEmpty())
                events.push_back("T:" + str(e.text));
            else
                events.push_back((e.EndTag ? "/" : "") + str(e.ElemType)
                    + (e.Attrs.Count() ? "+" + std::to_string(e.Attrs.Count()) : ""));
        });
    }

    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = tmp.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }

    // Requests the file and lets messages run until the view is done with it.
    void load(const QString& path)
    {
        view.requestDocument(fileUrl(path));
        EXPECT_TRUE(events.empty() || events.back() == "end"); // the retrieval is posted
        ASSERT_TRUE(QTest::qWaitFor([&] { return bool(view.layoutFinished()); }, 5000));
    }
};

using V = std::vector<std::string>;

} // namespace

TEST_F(ViewTest, EventsInDocumentOrderThenLayout)
{
    const QByteArray html = "<html><!-- c --><body bgcolor=white text=black><p>Hello</p>\n</body>";
    const QString path = write("a.htm", html);
    load(path);
    EXPECT_EQ(events, (V { "begin", "html", "!", "body+2", "p", "T:Hello", "/p", "/body", "end" }));
    EXPECT_EQ(view.bytesToRead(), html.size());
    EXPECT_EQ(view.sourceText(), QString::fromLatin1(html));
    ASSERT_NE(view.document(), nullptr);
    EXPECT_EQ(view.document()->plainText().trimmed(), "Hello");

    // An empty or missing file: nothing to read, but the events and the layout end.
    events.clear();
    load(write("empty.htm", ""));
    EXPECT_EQ(events, (V { "begin", "end" }));
    EXPECT_EQ(view.bytesToRead(), 0);
    events.clear();
    load(tmp.filePath("missing.htm"));
    EXPECT_EQ(events, (V { "begin", "end" }));
    EXPECT_EQ(view.bytesToRead(), 0);
    EXPECT_EQ(view.sourceText(), "");
}

TEST_F(ViewTest, CancelEndsAfterTheCurrentElement)
{
    QObject::connect(&view, &THTML::OnDoNewElement, [this](HtmlElement&) {
        if (events.size() == 3)
            view.cancel("Abort");
    });
    load(write("a.htm", "<p>one</p><p>two</p>"));
    EXPECT_EQ(events, (V { "begin", "p", "T:one", "end" }));
    // Only what was read is laid out.
    EXPECT_EQ(view.document()->plainText().trimmed(), "one");

    // A cancel before the retrieval has started ends it before the first element.
    events.clear();
    view.requestDocument(fileUrl(tmp.filePath("a.htm")));
    view.cancel("Abort2");
    ASSERT_TRUE(QTest::qWaitFor([&] { return bool(view.layoutFinished()); }, 5000));
    EXPECT_EQ(events, (V { "begin", "end" }));
    EXPECT_EQ(view.document()->plainText().trimmed(), "");
}

TEST_F(ViewTest, NoElementWhileAHandlerRunsAndNewRequestsWait)
{
    const QString second = write("b.htm", "<i>b</i>");
    bool inHandler = false;
    bool overlapped = false;
    QObject::connect(&view, &THTML::OnDoNewElement, [&](HtmlElement&) {
        overlapped |= inHandler;
        inHandler = true;
        pumpMessagesNow();
        // A request from inside a handler ends this retrieval after this element;
        // the new one follows.
        if (events.back() == "T:one")
            view.requestDocument(fileUrl(second));
        pumpMessagesNow();
        inHandler = false;
    });
    view.requestDocument(fileUrl(write("a.htm", "<p>one</p><p>two</p>")));
    // Two retrievals end: the first cut short by the request, then the new one.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return bool(std::count(events.begin(), events.end(), std::string("end")) == 2
                && view.layoutFinished());
        },
        5000));
    EXPECT_FALSE(overlapped);
    EXPECT_EQ(events, (V { "begin", "p", "T:one", "end", "begin", "i", "T:b", "/i", "end" }));
    EXPECT_EQ(view.document()->plainText().trimmed(), "b");
}

TEST_F(ViewTest, EnableDefaultAndDeferRetrieval)
{
    QObject::connect(&view, &THTML::OnDoNewElement, [](HtmlElement& e) {
        if (str(e.text) == "hidden")
            e.EnableDefault = false;
    });
    const QString path = write("a.htm", "<p>shown</p><p>hidden</p><p>too</p>");
    load(path);
    EXPECT_EQ(view.document()->plainText().simplified(), "shown too");

    // Deferred: the events only, no layout.
    view.setDeferRetrieval(true);
    events.clear();
    load(path);
    EXPECT_EQ(events.size(), 11u);
    EXPECT_EQ(view.document(), nullptr);

    // A view that lets its source go answers an empty source afterwards.
    view.setDeferRetrieval(false);
    view.setRetainSource(false);
    load(path);
    EXPECT_EQ(view.sourceText(), "");
    EXPECT_EQ(view.bytesToRead(), 35);
}

// The rectangle of the pixels that are not white in `area` of a picture.
QRect inkIn(const QImage& picture, const QRect& area)
{
    QRect ink;
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    for (int y = area.top(); y <= area.bottom() && y < image.height(); ++y) {
        for (int x = area.left(); x <= area.right() && x < image.width(); ++x) {
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                ink |= QRect(x, y, 1, 1);
        }
    }
    return ink;
}

TEST_F(ViewTest, TheViewsFontsAreTheDefaultsAPageOverrides)
{
    QFont heading("Liberation Sans");
    heading.setPointSize(30);
    heading.setBold(true);
    view.setHeading1Font(heading);
    QFont body("Liberation Serif");
    body.setPointSize(6);
    view.setFont(body);
    QFont fixed("Liberation Mono");
    fixed.setPointSize(15);
    view.setFixedFont(fixed);
    EXPECT_TRUE(view.fontStyleSheet().contains("\"Liberation Sans\""));

    // Heights of capitals: 30 points are 40 pixels (capitals about 28 high), 6 points
    // 8 pixels; fixed-pitch text keeps its width per letter.
    load(write("a.htm",
        "<body style='margin:0'><h1 style='margin:0'>HHH</h1><p style='margin:0'>HHH</p>"
        "<pre style='margin:0'>iiiiiiii</pre><pre style='margin:0'>MMMMMMMM</pre>"
        "<p style='margin:0; font-size:20px'>HHH</p>"));
    const QImage page = view.paintedPicture();
    ASSERT_FALSE(page.isNull());
    const int h1Height = inkIn(page, QRect(0, 0, 200, 44)).height();
    EXPECT_GE(h1Height, 24);
    EXPECT_LE(h1Height, 32);
    const QRect bodyInk = inkIn(page, QRect(0, 47, 200, 9));
    EXPECT_GE(bodyInk.height(), 4);
    EXPECT_LE(bodyInk.height(), 7);
    const int lineOfPre = 25; // 15 points, with line spacing
    const QRect narrow = inkIn(page, QRect(0, 56, 300, lineOfPre));
    const QRect wide = inkIn(page, QRect(0, 56 + lineOfPre, 300, lineOfPre));
    EXPECT_NEAR(narrow.right(), wide.right(), 12);
    EXPECT_GT(narrow.right(), 8 * 10);
    // A page's own size wins over the view's font.
    const QRect own = inkIn(page, QRect(0, 56 + 2 * lineOfPre, 200, 30));
    EXPECT_GE(own.height(), 12);
}

TEST_F(ViewTest, PicturesComeFromLocalFilesOnly)
{
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(tmp.filePath("red.png")));
    load(write("a.htm",
        "<body style='margin:0'><img src=\"red.png\" width=40 height=30>"
        "<img src=\"http://example.com/x.png\" width=10 height=10>"
        "<img src=\"sub/p%20q.gif\"></body>"));
    const QImage page = view.paintedPicture();
    EXPECT_EQ(page.pixel(20, 15), qRgb(255, 0, 0));
    // Every local file looked for is known, found or not; the address on the web is not.
    EXPECT_EQ(
        view.filesRead(), (QStringList { tmp.filePath("red.png"), tmp.filePath("sub/p q.gif") }));
}

namespace {
// A TCP port on the loopback address that counts the connections made to it.
class Listener
{
public:
    Listener()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), length) == 0
            && ::listen(m_fd, 16) == 0
            && ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            m_port = ntohs(address.sin_port);
    }
    ~Listener()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int port() const { return m_port; }
    // Connections made so far (a connection is queued as soon as it is made).
    int connections()
    {
        int count = 0;
        for (int fd; (fd = ::accept(m_fd, nullptr, nullptr)) >= 0; ++count)
            ::close(fd);
        return count;
    }

private:
    int m_fd = -1;
    int m_port = 0;
};
} // namespace

TEST_F(ViewTest, NothingIsEverFetchedFromTheNetwork)
{
    Listener server;
    ASSERT_NE(server.port(), 0);
    const QByteArray at = "http://127.0.0.1:" + QByteArray::number(server.port());
    // The listener answers a connection: a page that made one would count.
    {
        const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(quint16(server.port()));
        ASSERT_EQ(::connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(probe);
        EXPECT_EQ(server.connections(), 1);
    }
    load(write("a.htm",
        "<link rel=stylesheet href=\"" + at + "/a.css\"><style>@import url(" + at
            + "/b.css); body { background: url(" + at
            + "/c.png) }</style>"
              "<body background=\""
            + at + "/d.png\"><img src=\"" + at
            + "/e.png\">"
              "<iframe src=\""
            + at + "/f.htm\"></iframe><p style=\"list-style-image: url(" + at
            + "/g.png)\">text</p>"));
    EXPECT_EQ(view.document()->plainText().simplified(), "text");
    EXPECT_FALSE(view.paintedPicture().isNull());
    load(write("b.htm",
        "<frameset rows=\"*,*\"><frame src=\"" + at + "/h.htm\"><frame src=\"" + at
            + "/i.htm\"></frameset>"));
    EXPECT_FALSE(view.paintedPicture().isNull());
    pumpMessagesNow();
    EXPECT_EQ(server.connections(), 0);
    EXPECT_TRUE(view.filesRead().isEmpty());
}

TEST_F(ViewTest, FramesShowWhatTheFrameSourceGives)
{
    const QString red = write("red.htm", "<body bgcolor=blue>the file itself</body>");
    write("nested.htm",
        "<frameset cols=\"*,*\"><frame src=red.htm><frame src=nested.htm></frameset>");
    // By default the file's own markup.
    load(write("f.htm",
        "<frameset rows=\"100,*\" border=0><frame src=red.htm><frame src=nested.htm>"
        "</frameset>"));
    EXPECT_EQ(view.paintedPicture().pixel(200, 50), qRgb(0, 0, 255));
    EXPECT_TRUE(view.filesRead().contains(red));
    // An owner's source: asked once per document, the page's frames first, and
    // cycles (a frame showing its own document) end.
    QStringList asked;
    view.setFrameSource([&](const QString& path) {
        asked << QFileInfo(path).fileName();
        return QByteArray(path.endsWith("red.htm") ? "<body bgcolor=red>translated</body>"
                                                   : "<frameset cols=\"*,*\"><frame src=red.htm>"
                                                     "<frame src=nested.htm></frameset>");
    });
    load(tmp.filePath("f.htm"));
    EXPECT_EQ(asked, (QStringList { "red.htm", "nested.htm" }));
    EXPECT_EQ(view.paintedPicture().pixel(200, 50), qRgb(255, 0, 0));
    EXPECT_EQ(view.paintedPicture().pixel(100, 200), qRgb(255, 0, 0));
    EXPECT_EQ(view.document()->plainText().count("translated"), 2);
    // A new size lays the frames out again, without asking again.
    asked.clear();
    view.resize(300, 200);
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_EQ(view.paintedPicture().size(), QSize(300, 200));
}

// A large page is laid out on a worker thread: the event loop goes on meanwhile,
// and the page is there once layoutFinished() says so.
TEST_F(ViewTest, TheEventLoopRunsWhileALargePageIsLaidOut)
{
    QByteArray large = "<h1>large</h1>";
    for (int i = 0; i < 20000; ++i)
        large += "<p>Words of a paragraph " + QByteArray::number(i)
            + " with <b>bold</b> text and more text.</p>\n";
    bool answered = false;
    bool answeredBeforeTheLayout = false;
    QObject::connect(&view, &THTML::OnEndRetrieval, &view, [&] {
        QMetaObject::invokeMethod(
            &view,
            [&] {
                answered = true;
                answeredBeforeTheLayout = !view.layoutFinished();
            },
            Qt::QueuedConnection);
    });
    view.requestDocument(fileUrl(write("large.htm", large)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return bool(view.layoutFinished()); }, 60000));
    EXPECT_TRUE(answered);
    EXPECT_TRUE(answeredBeforeTheLayout);
    EXPECT_TRUE(view.document()->plainText().startsWith("large"));
    EXPECT_GT(view.verticalScrollBar()->maximum(), 20000); // the page's whole height
    // A view destroyed while its page is laid out lets the layout go.
    auto* doomed = new THTML;
    doomed->resize(300, 200);
    doomed->requestDocument(fileUrl(tmp.filePath("large.htm")));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return bool(doomed->retrieving() == false && !doomed->requestPending()); }, 5000));
    delete doomed;
    pumpMessagesNow();
}

TEST_F(ViewTest, AShownViewScrollsThroughItsPage)
{
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    load(write("tall.htm",
        "<body style='margin:0'><div style='height:1000px; background:red'></div>"
        "<div style='height:1000px; background:blue'></div>"));
    EXPECT_EQ(view.verticalScrollBar()->maximum(), 2000 - view.viewport()->height());
    EXPECT_EQ(view.viewport()->grab().toImage().pixel(50, 50), qRgb(255, 0, 0));
    // A turn of the wheel, then the bar dragged to below the first block.
    QWheelEvent wheel(QPointF(50, 50), view.viewport()->mapToGlobal(QPointF(50, 50)), QPoint(),
        QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view.viewport(), &wheel);
    EXPECT_GT(view.verticalScrollBar()->value(), 0);
    view.verticalScrollBar()->setValue(1100);
    EXPECT_EQ(view.viewport()->grab().toImage().pixel(50, 50), qRgb(0, 0, 255));
    // A narrower view lays the page out again at its width.
    view.resize(200, 300);
    ASSERT_TRUE(QTest::qWaitFor([&] { return bool(view.layoutFinished()); }, 5000));
    EXPECT_EQ(view.document()->width(), view.viewport()->width());
}

// A long page is laid out as far as the view shows it (and a screen more); scrolled
// on, the view lays it out further, showing meanwhile what it has.
TEST_F(ViewTest, ALongPageIsLaidOutAsFarAsTheViewIsScrolled)
{
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    const auto colour = [](int block) { return qRgb(block % 256, block / 256 % 256, 100); };
    QByteArray page = "<body style='margin:0'>";
    for (int i = 0; i < 6000; ++i)
        page += "<div style='height:20px; background:" + QColor(colour(i)).name().toLatin1() + "'></div>\n";
    load(write("long.htm", page));
    const int height = view.viewport()->height();
    ASSERT_NE(view.document(), nullptr);
    EXPECT_FALSE(view.document()->complete());
    EXPECT_LT(view.document()->exactHeight(), 6000 * 20 / 2);
    // The bar stands for the whole page, its height told from the part laid out.
    EXPECT_NEAR(view.verticalScrollBar()->maximum(), 6000 * 20 - height, 6000 * 20 / 10);
    EXPECT_EQ(view.viewport()->grab().toImage().pixel(50, 30), colour(1));

    view.verticalScrollBar()->setValue(90000);
    EXPECT_TRUE(view.layoutFinished()); // the view keeps its page meanwhile
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.document()->exactHeight() >= 90000 + height; }, 10000));
    EXPECT_EQ(view.verticalScrollBar()->value(), 90000);
    EXPECT_EQ(view.viewport()->grab().toImage().pixel(50, 30), colour((90000 + 30) / 20));
    // To the end: the whole page.
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.document()->complete(); }, 10000));
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
    EXPECT_EQ(view.verticalScrollBar()->maximum(), 6000 * 20 - height);
    EXPECT_EQ(view.viewport()->grab().toImage().pixel(50, height - 10), colour(5999));
}

// A view the user cannot scroll (a tile) lays out its page's top and no more.
TEST_F(ViewTest, AViewWithoutAScrollBarLaysOutItsPagesTopAlone)
{
    view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A tall view, and blocks of 20 pixels: the first part laid out reaches less
    // than half a view below its bottom.
    view.resize(400, 15000);
    QByteArray page = "<body style='margin:0'>";
    for (int i = 0; i < 8000; ++i)
        page += "<div style='height:20px'>" + QByteArray::number(i) + "</div>\n";
    load(write("top.htm", page));
    const PageLayout* shown = view.shownDocument();
    ASSERT_NE(shown, nullptr);
    EXPECT_FALSE(shown->complete());
    EXPECT_FALSE(view.layoutUnderWay()); // not laid out further
    EXPECT_GE(shown->exactHeight(), 15000);
    EXPECT_LT(shown->exactHeight(), 15000 * 3 / 2);
}

// A view with no size yet (the zoomed window is parked at none while it reads its
// document) lays its page out once it has a size, and then only the top of a long
// page; one with a width but no height lays out the top.
TEST_F(ViewTest, AViewWithNoSizeLaysItsPageOutWhenItHasOne)
{
    QByteArray page = "<body>";
    for (int i = 0; i < 4000; ++i)
        page += "<p>Paragraph " + QByteArray::number(i) + " of a long page.</p>\n";
    const QString path = write("parked.htm", page);
    view.resize(300, 0);
    load(path);
    ASSERT_NE(view.shownDocument(), nullptr);
    EXPECT_FALSE(view.shownDocument()->complete());
    view.resize(0, 0);
    load(path);
    EXPECT_EQ(view.shownDocument(), nullptr);
    EXPECT_FALSE(view.layoutUnderWay());
    // Shown at its size, the view lays the page out, as far as it shows.
    view.resize(400, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view.layoutUnderWay() && view.shownDocument()->width() > 0; }, 10000));
    EXPECT_EQ(view.shownDocument()->width(), view.viewport()->width());
    EXPECT_FALSE(view.shownDocument()->complete());
}

TEST_F(ViewTest, OutsizedLengthsAreCutDownBeforeLayout)
{
    // Lengths past the engine's integer range, and fonts millions of pixels high.
    load(write("a.htm",
        "<img src=\"missing.png\" height=11111111 width=99999999999>x"
        "<table cellpadding=99999999 width=99999999 border=99999999><tr><td colspan=99999999>y"
        "</td></tr></table>"
        "<p style=\"margin-left: 99999999px; font-size: 99999999px; width: 1e30px\">z</p>"
        "<p style=\"line-height: 99999999; letter-spacing: 9999999em\">w</p>"));
    ASSERT_NE(view.document(), nullptr);
    EXPECT_LE(view.document()->size().height(), 200000);
    EXPECT_LE(view.document()->size().width(), 200000);
    EXPECT_EQ(view.document()->plainText().simplified(), "x y z w");
}

TEST(NestingLimit, DeepTablesAndBlocksLoseTheirInnerTags)
{
    QByteArray deep;
    for (int i = 0; i < 12; ++i)
        deep += "<TABLE><tr><td>";
    deep += "x";
    for (int i = 0; i < 12; ++i)
        deep += "</td></tr></table>";
    QByteArray expected;
    for (int i = 0; i < kMaxTableDepth; ++i)
        expected += "<TABLE><tr><td>";
    expected += "x";
    for (int i = 0; i < kMaxTableDepth; ++i)
        expected += "</td></tr></table>";
    EXPECT_EQ(limitNesting(deep), expected);

    const QByteArray lists = QByteArray("<ul><li>", 8).repeated(kMaxBlockDepth + 5) + "y";
    EXPECT_EQ(limitNesting(lists),
        QByteArray("<ul><li>").repeated(kMaxBlockDepth) + QByteArray("<li>").repeated(5) + "y");
    // Any element: the depth of the tree as the parser builds it counts, with
    // paragraphs, items and cells ended by their next one.
    EXPECT_EQ(
        limitNesting(QByteArray("<span>").repeated(kMaxDepth + 50)).count("<span>"), kMaxDepth);
    const QByteArray paragraphs = QByteArray("<p>text<li>item").repeated(kMaxDepth * 2);
    EXPECT_EQ(limitNesting(paragraphs), paragraphs);
    EXPECT_EQ(limitNesting(QByteArray("<div><b></div>").repeated(kMaxFormatting + 20)).count("<b>"),
        kMaxFormatting);
    // Stray end tags do not make room for deeper nesting.
    const QByteArray shallow = "</table></table><table><tr><td>z</td></tr></table>";
    EXPECT_EQ(limitNesting(shallow), shallow);
}

TEST_F(ViewTest, DeeplyNestedTablesAreLaidOutInTime)
{
    // Forty unclosed tables would take the layout engine longer than anyone waits.
    load(write("a.htm", QByteArray("<table><tr><td>").repeated(40) + "deep"));
    EXPECT_EQ(view.document()->plainText().trimmed(), "deep");
    // Thousands of inline elements inside each other, and formatting elements the
    // parser would open again after every block.
    load(write("c.htm", QByteArray("<span>").repeated(20000) + "deep"));
    EXPECT_EQ(view.document()->plainText().trimmed(), "deep");
    load(write("d.htm", QByteArray("<div><font size=1><b>").repeated(3000) + "x"));
    EXPECT_EQ(view.document()->plainText().trimmed(), "x");
    // Stray cells and row ends outside any table are no tables at all.
    load(write("b.htm", QByteArray("<td>c</tr>").repeated(40)));
    EXPECT_EQ(view.document()->plainText().simplified(), QString("c").repeated(40));
}

namespace {
// Deletes itself from inside its element handler, as a tile destroyed during a
// retrieval would.
struct SelfDeleting : THTML
{
    int seen = 0;
    bool* gone;
    explicit SelfDeleting(bool* flag)
        : gone(flag)
    {
    }
    ~SelfDeleting() override { *gone = true; }
    void DoNewElement(HtmlElement&) override
    {
        if (++seen == 2)
            delete this;
    }
};
} // namespace

TEST_F(ViewTest, ViewDestroyedDuringItsRetrieval)
{
    bool gone = false;
    auto* doomed = new SelfDeleting(&gone);
    doomed->requestDocument(fileUrl(write("a.htm", "<p>one</p><p>two</p>")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return bool(gone); }, 5000));
    pumpMessagesNow();
}

// A miniature lays the page out as a view n times larger would and shrinks it: the
// regions of a page with a known 800-pixel layout land at a quarter of their
// places, within the few pixels the smoothing blurs.
TEST_F(ViewTest, AShrunkPageShowsTheRegionsOfTheFullPageAtAQuarter)
{
    view.resize(200, 250);
    const QByteArray markup =
        "<body style='margin:0'>"
        "<div style='width:50%; height:200px; background:#ff0000; float:left'></div>"
        "<div style='margin-left:400px; height:200px; background:#0000ff'></div>"
        "<div style='height:400px'></div>"
        "<div style='width:800px; height:200px; background:#00ff00'></div>"
        "<div style='width:200px; height:200px; background:#000000'></div></body>";
    view.setShrink(4);
    load(write("a.htm", markup));
    QImage shrunk = view.paintedPicture();
    ASSERT_EQ(shrunk.size(), QSize(200, 250));
    const auto near = [&](QPoint at, QRgb expected) {
        const QColor c(shrunk.pixel(at));
        const QColor e(expected);
        return std::abs(c.red() - e.red()) < 40 && std::abs(c.green() - e.green()) < 40
               && std::abs(c.blue() - e.blue()) < 40;
    };
    EXPECT_TRUE(near({50, 25}, qRgb(255, 0, 0)));   // page 0..400 x 0..200
    EXPECT_TRUE(near({150, 25}, qRgb(0, 0, 255)));  // page 400..800 x 0..200
    EXPECT_TRUE(near({100, 100}, qRgb(255, 255, 255)));
    EXPECT_TRUE(near({100, 175}, qRgb(0, 255, 0))); // page y 600..800
    EXPECT_TRUE(near({25, 225}, qRgb(0, 0, 0)));    // page 0..200 x 800..1000
    EXPECT_TRUE(near({150, 225}, qRgb(255, 255, 255)));
    // The borders between regions stay within a few pixels of a quarter of theirs.
    for (int x = 0; x < 200; ++x) {
        if (near({x, 25}, qRgb(0, 0, 255))) {
            EXPECT_NEAR(x, 100, 2);
            break;
        }
    }
    // The view scrolls over the shrunk page: 1000 pixels of page are 250 of view.
    EXPECT_EQ(view.verticalScrollBar()->maximum(), 0);

    // Without the shrink the same view lays the page out 200 pixels wide: the left
    // half is 100 pixels, and the blue block is pushed out of sight.
    view.setShrink(1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return bool(view.layoutFinished()); }, 5000));
    shrunk = view.paintedPicture();
    EXPECT_TRUE(near({50, 25}, qRgb(255, 0, 0)));
    EXPECT_TRUE(near({150, 25}, qRgb(255, 255, 255)));
    // And a picture kept for one scale never stands for the other.
    const QString plainKey = view.pictureKey();
    view.setShrink(4);
    EXPECT_NE(view.pictureKey(), plainKey);
}

// A tile shows the translation of its document, which keeps no document type:
// the page is laid out in the mode the document's own type calls for (an old
// type: quirks mode, where the heading's margin at the top of the body is left
// out), as a browser shows the document.
TEST(TileView, LaysOutATranslationInTheModeOfItsDocument)
{
    QTemporaryDir tmp;
    const auto write = [&tmp](const QString& name, const QByteArray& bytes) {
        const QString path = tmp.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    };
    const QString translation = write("copy.n1", "<!><html><body><h1 style='background:red'>H\r\n</h1></body></html>");
    for (const auto& [type, top] : {std::pair<QByteArray, int>{"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">", 8},
                                    std::pair<QByteArray, int>{"<!DOCTYPE html>", 21}}) {
        const QString document = write("page.htm", type + "\n<html><body><h1>H</h1></body></html>");
        HFramed tile(nullptr, document);
        THTML* view = tile.view();
        view->resize(400, 300);
        view->setDeferRetrieval(false);
        view->requestDocument(fileUrl(translation));
        ASSERT_TRUE(QTest::qWaitFor([&] { return bool(view->layoutFinished()); }, 5000));
        const QImage shown = view->viewport()->grab().toImage();
        int y = 0;
        while (y < 100 && shown.pixel(200, y) != qRgb(255, 0, 0))
            ++y;
        EXPECT_EQ(y, top) << type.constData();
    }
}
