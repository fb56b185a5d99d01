#include "platform/file_paths.h"
#include "platform/message_pump.h"
#include "render/nesting_limit.h"
#include "render/thtml.h"
#include "render/view_document.h"

#include <QFile>
#include <QImage>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace zv;

namespace {

std::string str(QByteArrayView v)
{
    return std::string(v.data(), size_t(v.size()));
}

struct ViewTest : ::testing::Test {
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
        QTRY_VERIFY_WITH_TIMEOUT(view.layoutFinished(), 5000);
    }
};

using V = std::vector<std::string>;

} // namespace

TEST_F(ViewTest, EventsInDocumentOrderThenLayout)
{
    const QByteArray html = "<html><!-- c --><body bgcolor=white text=black><p>Hello</p>\n</body>";
    const QString path = write("a.htm", html);
    load(path);
    EXPECT_EQ(events, (V{"begin", "html", "!", "body+2", "p", "T:Hello", "/p", "/body", "end"}));
    EXPECT_EQ(view.bytesToRead(), html.size());
    EXPECT_EQ(view.sourceText(), QString::fromLatin1(html));
    ASSERT_NE(view.document(), nullptr);
    EXPECT_EQ(view.document()->toPlainText().trimmed(), "Hello");

    // An empty or missing file: nothing to read, but the events and the layout end.
    events.clear();
    load(write("empty.htm", ""));
    EXPECT_EQ(events, (V{"begin", "end"}));
    EXPECT_EQ(view.bytesToRead(), 0);
    events.clear();
    load(tmp.filePath("missing.htm"));
    EXPECT_EQ(events, (V{"begin", "end"}));
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
    EXPECT_EQ(events, (V{"begin", "p", "T:one", "end"}));
    // Only what was read is laid out.
    EXPECT_EQ(view.document()->toPlainText().trimmed(), "one");

    // A cancel before the retrieval has started ends it before the first element.
    events.clear();
    view.requestDocument(fileUrl(tmp.filePath("a.htm")));
    view.cancel("Abort2");
    QTRY_VERIFY(view.layoutFinished());
    EXPECT_EQ(events, (V{"begin", "end"}));
    EXPECT_EQ(view.document()->toPlainText().trimmed(), "");
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
    QTRY_VERIFY(std::count(events.begin(), events.end(), std::string("end")) == 2
                && view.layoutFinished());
    EXPECT_FALSE(overlapped);
    EXPECT_EQ(events, (V{"begin", "p", "T:one", "end", "begin", "i", "T:b", "/i", "end"}));
    EXPECT_EQ(view.document()->toPlainText().trimmed(), "b");
}

TEST_F(ViewTest, EnableDefaultAndDeferRetrieval)
{
    QObject::connect(&view, &THTML::OnDoNewElement, [](HtmlElement& e) {
        if (str(e.text) == "hidden")
            e.EnableDefault = false;
    });
    const QString path = write("a.htm", "<p>shown</p><p>hidden</p><p>too</p>");
    load(path);
    EXPECT_EQ(view.document()->toPlainText().simplified(), "shown too");

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

TEST_F(ViewTest, FontsAndPicturesOfTheLaidOutDocument)
{
    QFont heading("Liberation Sans");
    heading.setPointSize(30);
    heading.setBold(true);
    view.setHeading1Font(heading);
    QFont body("Liberation Serif");
    body.setPointSize(5);
    view.setFont(body);
    QFont fixed("Liberation Mono");
    fixed.setPointSize(7);
    view.setFixedFont(fixed);

    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(tmp.filePath("red.png")));
    load(write("a.htm", "<h1>Head</h1><p>Body <img src=\"red.png\"><img src=\"http://example.com/x.png\">"
                        "</p><pre>fixed</pre>"));

    QMap<QString, QFont> fonts;
    for (QTextBlock b = view.document()->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it)
            fonts.insert(it.fragment().text().trimmed(), it.fragment().charFormat().font());
    }
    EXPECT_EQ(fonts["Head"].pointSize(), 30);
    EXPECT_TRUE(fonts["Head"].bold());
    EXPECT_EQ(fonts["Head"].family(), "Liberation Sans");
    EXPECT_EQ(fonts["Body"].pointSize(), 5);
    EXPECT_EQ(fonts["fixed"].pointSize(), 7);
    EXPECT_EQ(fonts["fixed"].family(), "Liberation Mono");

    // The local picture is loaded; nothing comes from the network.
    const QUrl base = QUrl::fromLocalFile(tmp.filePath("a.htm"));
    EXPECT_TRUE(view.document()->resource(QTextDocument::ImageResource, QUrl("red.png")).isValid());
    EXPECT_FALSE(view.document()
                     ->resource(QTextDocument::ImageResource, QUrl("http://example.com/x.png"))
                     .isValid());
    EXPECT_EQ(ViewDocument::localFileOf(base, QUrl("sub/p%20q.gif")), tmp.filePath("sub/p q.gif"));
    EXPECT_EQ(ViewDocument::localFileOf(base, QUrl("https://example.com/a.gif")), "");
    EXPECT_EQ(ViewDocument::localFileOf(base, QUrl("//server/share/a.gif")), "//server/share/a.gif");
}

TEST_F(ViewTest, OutsizedLengthsAreCutDownBeforeLayout)
{
    // A missing picture millions of pixels high followed by text once left the layout
    // engine looping for ever; so can other lengths past its fixed-point range.
    load(write("a.htm", "<img src=\"missing.png\" height=11111111>x"
                        "<table cellpadding=99999999 width=99999999><tr><td>y</td></tr></table>"
                        "<p style=\"margin-left: 99999999px; font-size: 99999999px\">z</p>"));
    ASSERT_NE(view.document(), nullptr);
    EXPECT_LE(view.document()->size().height(), 200000);
    EXPECT_EQ(view.document()->toPlainText().simplified().remove(QChar::ObjectReplacementCharacter),
              "x y z");
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
    // Stray end tags do not make room for deeper nesting.
    const QByteArray shallow = "</table></table><table><tr><td>z</td></tr></table>";
    EXPECT_EQ(limitNesting(shallow), shallow);
}

TEST_F(ViewTest, DeeplyNestedTablesAreLaidOutInTime)
{
    // Forty unclosed tables would take the layout engine longer than anyone waits.
    load(write("a.htm", QByteArray("<table><tr><td>").repeated(40) + "deep"));
    EXPECT_EQ(view.document()->toPlainText().trimmed(), "deep");
    // Stray cells after stray row ends: the engine nests a table of its own for each.
    load(write("b.htm", QByteArray("<td>c</tr>").repeated(40)));
    EXPECT_EQ(view.document()->toPlainText().simplified(), QString("c ").repeated(40).trimmed());
    EXPECT_EQ(withoutTables("<table><tr><td>a<th>b</tr><tr><td>c</table>"), QByteArray("<br> a b<br> c"));
}

namespace {
// Deletes itself from inside its element handler, as a tile destroyed during a
// retrieval would.
struct SelfDeleting : THTML {
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
    QTRY_VERIFY(gone);
    pumpMessagesNow();
}
