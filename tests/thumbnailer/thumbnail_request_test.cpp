// The thumbnailer's command line as file managers fill it in: sizes, the forms a
// document's address takes, and the mistakes that must give no picture.
#include "thumbnailer/thumbnail_request.h"

#include <QSysInfo>
#include <gtest/gtest.h>

using namespace zv;

namespace {

struct Parsed {
    bool ok = false;
    ThumbnailRequest request;
    QString error;
};

Parsed parse(const QStringList& args)
{
    Parsed p;
    p.ok = parseThumbnailRequest(args, &p.request, &p.error);
    return p;
}

} // namespace

TEST(ThumbnailRequest, AddressesFileManagersPassBecomeLocalPaths)
{
    const QString host = QSysInfo::machineHostName();
    const struct {
        QString input;
        QString path;
    } cases[] = {
        {"/srv/docs/page.html", "/srv/docs/page.html"},
        {"relative dir/page.html", "relative dir/page.html"},
        {"file:///srv/my%20docs/page.html", "/srv/my docs/page.html"},
        {"file:///srv/%C3%A9t%C3%A9/%E6%97%A5%E6%9C%AC.html", QString::fromUtf8("/srv/été/日本.html")},
        {"file://localhost/srv/page.html", "/srv/page.html"},
        {"FILE://LOCALHOST/srv/page.html", "/srv/page.html"},
        {"file://" + host + "/srv/page.html", "/srv/page.html"},
        {"file:///srv/100%25.html", "/srv/100%.html"},
        {"file:///srv/my docs/page one.html", "/srv/my docs/page one.html"},
    };
    for (const auto& c : cases) {
        const Parsed p = parse({"-s", "128", c.input, "/tmp/out.png"});
        EXPECT_TRUE(p.ok) << c.input.toStdString() << ": " << p.error.toStdString();
        EXPECT_EQ(p.request.input, c.path) << c.input.toStdString();
        EXPECT_EQ(p.request.output, "/tmp/out.png");
        EXPECT_EQ(p.request.size, 128);
    }
}

TEST(ThumbnailRequest, SizesAndTheTimeLimitAreReadAndChecked)
{
    EXPECT_EQ(parse({"in.html", "out.png"}).request.size, 256);
    EXPECT_EQ(parse({"--size", "512", "in.html", "out.png"}).request.size, 512);
    EXPECT_EQ(parse({"in.html", "out.png", "-s", "64"}).request.size, 64);
    const Parsed limited = parse({"-t", "3", "in.html", "out.png"});
    EXPECT_TRUE(limited.ok);
    EXPECT_EQ(limited.request.timeLimitMs, 3000);
    EXPECT_EQ(parse({"-t", "0.25", "in.html", "out.png"}).request.timeLimitMs, 250);
    EXPECT_EQ(parse({"in.html", "out.png"}).request.timeLimitMs, 10000);
    for (const char* bad : {"0", "-5", "abc", "12px", "100000", ""}) {
        const Parsed p = parse({"-s", bad, "in.html", "out.png"});
        EXPECT_FALSE(p.ok) << bad;
        EXPECT_FALSE(p.error.isEmpty());
    }
    for (const char* bad : {"0", "-1", "nan", "1e9", "soon"})
        EXPECT_FALSE(parse({"-t", bad, "in.html", "out.png"}).ok) << bad;
}

TEST(ThumbnailRequest, MistakesAreRefusedWithAReason)
{
    const QList<QStringList> mistakes = {
        {},
        {"in.html"},
        {"-s", "128", "in.html"},
        {"a.html", "b.html", "out.png"},
        {"--colour", "in.html", "out.png"},
        {"http://example.com/page.html", "out.png"},
        {"sftp://server/page.html", "out.png"},
        {"file://some-other-machine.example/page.html", "out.png"},
        {"file://", "out.png"},
        {"", "out.png"},
    };
    for (const QStringList& args : mistakes) {
        const Parsed p = parse(args);
        EXPECT_FALSE(p.ok) << args.join(' ').toStdString();
        EXPECT_FALSE(p.error.isEmpty()) << args.join(' ').toStdString();
    }
    // A name starting with a dash after "--" is a document.
    const Parsed dashed = parse({"--", "-odd.html", "out.png"});
    EXPECT_TRUE(dashed.ok);
    EXPECT_EQ(dashed.request.input, "-odd.html");
}
