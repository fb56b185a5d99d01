// zorvane-thumbnailer run as a file manager runs it: the picture's size for each
// size asked, the forms of the document's address, and every failure giving a
// non-zero exit with nothing left at the output.
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

struct ThumbnailerRun {
    int exitCode = -1;
    QString errors;
};

ThumbnailerRun thumbnail(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(ZV_THUMBNAILER), args);
    ThumbnailerRun run;
    if (!p.waitForFinished(60000))
        return run;
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.errors = QString::fromLocal8Bit(p.readAllStandardError());
    return run;
}

class Thumbnailer : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString write(const QString& name, const QByteArray& bytes)
    {
        QDir().mkpath(QFileInfo(path(name)).path());
        QFile f(path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path(name);
    }
    // A page whose top 800 x 1000 pixels are red on the left half, blue on the right.
    QString page(const QString& name)
    {
        return write(name, "<html><body style='margin:0'>"
                           "<div style='float:left; width:400px; height:1000px; background:#ff0000'></div>"
                           "<div style='margin-left:400px; height:1000px; background:#0000ff'></div>"
                           "</body></html>");
    }
    // Nothing but the given files in the folder (no temporary file left behind).
    QStringList files() const { return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(Thumbnailer, WritesThePageTopShrunkToTheSizeAsked)
{
    const QString input = page("page.html");
    for (int size : {128, 256, 512}) {
        const QString out = path(QString("out%1.png").arg(size));
        const ThumbnailerRun run = thumbnail({"-s", QString::number(size), QUrl::fromLocalFile(input).toString(), out});
        ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
        const QImage picture(out);
        ASSERT_FALSE(picture.isNull());
        EXPECT_EQ(picture.height(), size);
        EXPECT_NEAR(picture.width(), size * 4 / 5, 1);
        // The page laid out 800 pixels wide: red left of the middle, blue right of it.
        EXPECT_EQ(QColor(picture.pixel(picture.width() / 4, size / 2)), QColor(255, 0, 0));
        EXPECT_EQ(QColor(picture.pixel(picture.width() * 3 / 4, size / 2)), QColor(0, 0, 255));
    }
}

TEST_F(Thumbnailer, TakesTheAddressFormsFileManagersPass)
{
    const QString spaced = page(QString::fromUtf8("my pages/été 日本.html"));
    const QString encoded = QUrl::fromLocalFile(spaced).toString(QUrl::FullyEncoded);
    ASSERT_TRUE(encoded.contains("%20"));
    for (const QString& input : {encoded, QString("file://localhost") + QUrl::fromLocalFile(spaced).toString(
                                                                             QUrl::FullyEncoded).mid(7),
                                 spaced}) {
        const QString out = path("out.png");
        QFile::remove(out);
        const ThumbnailerRun run = thumbnail({"-s", "128", input, out});
        EXPECT_EQ(run.exitCode, 0) << input.toStdString() << ": " << run.errors.toStdString();
        EXPECT_EQ(QImage(out).height(), 128) << input.toStdString();
    }
}

TEST_F(Thumbnailer, FailuresExitNonZeroAndLeaveNothingBehind)
{
    const QString input = page("page.html");
    const QString out = path("out.png");
    const QStringList before{"page.html"};
    // A missing document, an address on another machine, a mistaken size.
    for (const QStringList& args : QList<QStringList>{
             {"-s", "128", path("missing.html"), out},
             {"-s", "128", m_dir.path(), out}, // a folder is no document
             {"-s", "128", "file://elsewhere.example" + input, out},
             {"-s", "huge", input, out},
         }) {
        const ThumbnailerRun run = thumbnail(args);
        EXPECT_NE(run.exitCode, 0) << args.join(' ').toStdString();
        EXPECT_FALSE(run.errors.isEmpty());
        EXPECT_EQ(files(), before);
    }
    // An output folder that cannot be written: a path through a file.
    const ThumbnailerRun blocked = thumbnail({"-s", "128", input, path("page.html/out.png")});
    EXPECT_EQ(blocked.exitCode, 1) << blocked.errors.toStdString();
    EXPECT_TRUE(blocked.errors.contains("page.html/out.png"));
    EXPECT_EQ(files(), before);
    // A document that is not drawn within the time limit: exit 3, no picture, and an
    // earlier picture at the output stays as it was.
    write("out.png", "earlier");
    const ThumbnailerRun late = thumbnail({"-s", "128", "-t", "0.001", input, out});
    EXPECT_EQ(late.exitCode, 3);
    EXPECT_EQ(files(), (QStringList{"out.png", "page.html"}));
    QFile earlier(out);
    ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
    EXPECT_EQ(earlier.readAll(), "earlier");
}

// A document the user may not read: exit 1 with the reason, nothing written. (The
// super-user reads every file, so there the case cannot be made.)
TEST_F(Thumbnailer, AnUnreadableDocumentIsReportedAndNothingWritten)
{
    const QString input = page("locked.html");
    ASSERT_TRUE(QFile::setPermissions(input, QFileDevice::WriteOwner));
    QFile probe(input);
    if (probe.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "this user reads files without read permission";
    const ThumbnailerRun run = thumbnail({"-s", "128", input, path("out.png")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.errors.contains("locked.html")) << run.errors.toStdString();
    EXPECT_EQ(files(), QStringList{"locked.html"});
}

// Documents of many megabytes: one long page and one page held in a single table,
// each drawn from its beginning well within the time limit, its top as it stands.
TEST_F(Thumbnailer, LargeDocumentsAreDrawnFromTheirBeginning)
{
    QByteArray paragraphs;
    for (int i = 0; paragraphs.size() < 6 * 1024 * 1024; ++i)
        paragraphs += "<p>Paragraph " + QByteArray::number(i) + " of a long page.</p>\n";
    const QByteArray top = "<html><body style='margin:0'><div style='height:1000px; background:#ff0000'></div>";
    const QString longPage = write("long.html", top + paragraphs + "</body></html>");
    const QString oneTable =
        write("table.html", top + "<table width=100%><tr><td>" + paragraphs + "</td></tr></table></body></html>");
    for (const QString& input : {longPage, oneTable}) {
        const QString out = path("out.png");
        const ThumbnailerRun run = thumbnail({"-s", "128", "-t", "20", input, out});
        ASSERT_EQ(run.exitCode, 0) << input.toStdString() << ": " << run.errors.toStdString();
        const QImage picture(out);
        ASSERT_EQ(picture.height(), 128);
        EXPECT_EQ(QColor(picture.pixel(picture.width() / 2, 64)), QColor(255, 0, 0)) << input.toStdString();
    }
}
