// zorvane-render run as a developer runs it: a small page drawn into a PNG whose
// size and colours at known places are checked, and the errors that must leave no
// picture behind.
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct ToolRun {
    int exitCode = -1;
    QString errors;
};

ToolRun runTool(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(ZV_TOOLS_DIR "/zorvane-render"), args);
    ToolRun run;
    if (!p.waitForFinished(60000))
        return run;
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.errors = QString::fromLocal8Bit(p.readAllStandardError());
    return run;
}

class RenderToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        QImage red(40, 40, QImage::Format_RGB32);
        red.fill(QColor(255, 0, 0));
        ASSERT_TRUE(red.save(path("red.png")));
        // A picture asked for at 400 x 400 at the top of the page, text below it.
        write("page.html", "<html><head><title>T</title></head><body>"
                           "<img src=\"red.png\" width=\"400\" height=\"400\"><p>Words below.</p>"
                           "</body></html>");
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }
    void write(const QString& name, const QByteArray& bytes)
    {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static bool isRed(const QImage& image, int x, int y)
    {
        const QColor c = image.pixelColor(x, y);
        return c.red() > 200 && c.green() < 60 && c.blue() < 60;
    }
    static bool isWhite(const QImage& image, int x, int y)
    {
        const QColor c = image.pixelColor(x, y);
        return c.red() > 240 && c.green() > 240 && c.blue() > 240;
    }

    QTemporaryDir m_dir;
};

TEST_F(RenderToolTest, DrawsTheZoomedViewAndATileAtTheSizeAsked)
{
    // Factor 1: the page as the zoomed view shows it, 800 x 1000 by default; the
    // translation pointed the picture at its file, the view drew it full size.
    const QString zoomed = path("zoomed.png");
    ToolRun run = runTool({path("page.html"), QStringLiteral("--out"), zoomed, QStringLiteral("--timing")});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_TRUE(run.errors.contains(QLatin1String("timing: translate"))) << run.errors.toStdString();
    QImage image(zoomed);
    ASSERT_EQ(image.size(), QSize(800, 1000));
    EXPECT_TRUE(isRed(image, 200, 200));
    EXPECT_TRUE(isWhite(image, 600, 200));
    EXPECT_TRUE(isWhite(image, 700, 900));

    // A tile at factor 4 with "Scale Graphics": the picture is a quarter as wide.
    const QString tile = path("tile.png");
    run = runTool({path("page.html"), QStringLiteral("--out"), tile, QStringLiteral("--width"),
                   QStringLiteral("200"), QStringLiteral("--height"), QStringLiteral("150"),
                   QStringLiteral("--factor"), QStringLiteral("4"), QStringLiteral("--scale-graphics"),
                   QStringLiteral("--scale-text")});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    image = QImage(tile);
    ASSERT_EQ(image.size(), QSize(200, 150));
    EXPECT_TRUE(isRed(image, 50, 50));
    EXPECT_TRUE(isWhite(image, 150, 50));

    // Without it the picture keeps its size and fills the tile's width.
    run = runTool({path("page.html"), QStringLiteral("--out"), tile, QStringLiteral("--width"),
                   QStringLiteral("200"), QStringLiteral("--height"), QStringLiteral("150"),
                   QStringLiteral("--factor"), QStringLiteral("4")});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    image = QImage(tile);
    ASSERT_EQ(image.size(), QSize(200, 150));
    EXPECT_TRUE(isRed(image, 150, 50));
}

TEST_F(RenderToolTest, ACacheFolderWithoutATableReadsAsAnEmptyTable)
{
    QDir(path(".")).mkpath(QStringLiteral("cache"));
    write("missing.html", "<body><img src=\"gone.gif\" width=\"300\" height=\"300\"></body>");
    const QString out = path("missing.png");
    const ToolRun run = runTool({path("missing.html"), QStringLiteral("--out"), out, QStringLiteral("--cache"),
                             path("cache"), QStringLiteral("--home"), QStringLiteral(ZV_SOURCE_DATA_DIR)});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_EQ(QImage(out).size(), QSize(800, 1000));
    // The translated copy went to a scratch folder, not into the cache folder.
    EXPECT_TRUE(QDir(path("cache")).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(RenderToolTest, ErrorsSayWhatFailedAndLeaveNoPicture)
{
    // A missing document: the earlier picture stays as it was.
    const QString out = path("kept.png");
    write("kept.png", "earlier");
    ToolRun run = runTool({path("nothing.html"), QStringLiteral("--out"), out});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.errors.contains(QLatin1String("nothing.html"))) << run.errors.toStdString();
    QFile kept(out);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("earlier"));

    // A folder as the document.
    run = runTool({path("."), QStringLiteral("--out"), path("folder.png")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_FALSE(QFile::exists(path("folder.png")));

    // An output that cannot be written.
    const QString unwritable = path("no/such/folder/page.png");
    run = runTool({path("page.html"), QStringLiteral("--out"), unwritable});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.errors.contains(QLatin1String("cannot write"))) << run.errors.toStdString();
    EXPECT_FALSE(QFile::exists(unwritable));
    EXPECT_FALSE(QDir(path("no")).exists());

    // No output named, or a size that makes no picture: the usage or the reason.
    EXPECT_EQ(runTool({path("page.html")}).exitCode, 2);
    run = runTool({path("page.html"), QStringLiteral("--out"), path("zero.png"), QStringLiteral("--width"),
                   QStringLiteral("0")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_FALSE(QFile::exists(path("zero.png")));
}

} // namespace
