#include "platform/install_locations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zv;

namespace {

// A scratch tree with a prefix (bin/ and the installed data folder beside it) and a
// separate stand-in for the source tree's data/.
class InstallTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        bin = m_dir.path() + QStringLiteral("/prefix/bin");
        installed = QDir::cleanPath(bin + QLatin1Char('/') + installedDataFromBin());
        source = m_dir.path() + QStringLiteral("/src/data");
        ASSERT_TRUE(QDir().mkpath(bin));
        ASSERT_TRUE(QDir().mkpath(source));
    }

    static void touch(const QString& path)
    {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
        f.write("<html></html>");
    }

    QString bin;
    QString installed;
    QString source;

private:
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(InstallTree, InstalledDataFolderLiesBesideBinUnderShare)
{
    EXPECT_FALSE(QDir::isAbsolutePath(installedDataFromBin()))
        << "an absolute data path would break installs into another prefix";
    EXPECT_TRUE(installed.endsWith(QStringLiteral("/prefix/share/zorvane"))) << installed.toStdString();
}

TEST_F(InstallTree, InstalledHelpPageWinsOverTheSourceTree)
{
    touch(installed + QStringLiteral("/Zorvane.html"));
    touch(source + QStringLiteral("/Zorvane.html"));
    const QString home = homeFolderFor(bin, source);
    EXPECT_EQ(home, installed);
    EXPECT_FALSE(home.contains(QStringLiteral(".."))) << home.toStdString();

    // The executable's folder given with a trailing slash leads to the same place.
    EXPECT_EQ(homeFolderFor(bin + QLatin1Char('/'), source), installed);
}

TEST_F(InstallTree, BuildTreeUsesSourceDataUnlessOnlyTheInstalledFolderIsLeft)
{
    // A build tree: nothing installed beside the executable.
    touch(source + QStringLiteral("/Zorvane.html"));
    EXPECT_EQ(homeFolderFor(bin, source), source);

    // A stray, empty share/zorvane beside a build does not hide the source data.
    ASSERT_TRUE(QDir().mkpath(installed));
    EXPECT_EQ(homeFolderFor(bin, source), source);

    // An installation that lost its help page, built from a tree that is gone:
    // its own folder, where the pictures still are.
    ASSERT_TRUE(QFile::remove(source + QStringLiteral("/Zorvane.html")));
    touch(installed + QStringLiteral("/_NoImage.gif"));
    EXPECT_EQ(homeFolderFor(bin, source), installed);

    // Nothing anywhere: the source tree's folder, as before.
    ASSERT_TRUE(QDir(installed).removeRecursively());
    EXPECT_EQ(homeFolderFor(bin, source), source);
}

TEST(InstallLocations, TestProgramInBuildTreeFindsTheSourceData)
{
    EXPECT_EQ(defaultHomeFolder(), QStringLiteral(ZV_SOURCE_DATA_DIR));
    EXPECT_TRUE(QFile::exists(defaultHomeFolder() + QStringLiteral("/Zorvane.html")));
}
