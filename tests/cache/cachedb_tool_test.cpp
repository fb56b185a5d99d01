#include "netscape_index.h"
#include "tools/index_dat_writer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zv;

namespace {

struct ToolRun {
    int exitCode;
    QString out;
    QString err;
};

ToolRun runTool(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(ZV_TOOLS_DIR "/zorvane-cachedb"), args);
    if (!p.waitForFinished(60000))
        return {-1, {}, QStringLiteral("did not finish")};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

TEST(CacheDbTool, RebuildsFromGivenFoldersThroughTheStartupWork)
{
    QTemporaryDir tmp;
    const QString ns1 = tmp.path() + "/first";
    const QString ns2 = tmp.path() + "/alice/Cache";
    const QString ie = tmp.path() + "/TIF/Content.IE5/CACHE001";
    for (const QString& f : {ns1, ns2, ie})
        QDir().mkpath(f);
    QFile(ns2 + "/B1.gif").open(QIODevice::WriteOnly);
    ASSERT_EQ(nstest::generate(ns2 + "/fat.db", {"http://www.example.com/n/b.gif\tB1.gif\timage/gif"}),
              QString());
    indexdat::Content c;
    c.directories = {"CACHE001"};
    indexdat::Record r;
    r.location = "http://www.example.com/images/e.gif";
    r.fileName = "e[1].gif";
    c.records = {r};
    ASSERT_TRUE(indexdat::write(QFile::encodeName(ie + "/../index.dat").toStdString(), c));

    const QString table = tmp.path() + "/out/CacheDB.dbf";
    QDir().mkpath(tmp.path() + "/out");
    const ToolRun built = runTool({"--netscape", ns1, "--netscape", ns2, "--explorer", ie, "--out",
                               table, "--dump", table});
    ASSERT_EQ(built.exitCode, 0) << built.err.toStdString();
    // Roots: the two Netscape folders, then Internet Explorer's; its rows come first.
    EXPECT_EQ(built.out, "APP\tICACHE\tSEG\tREC\tPATH\tFILENAME\tCACHE\n"
                         "MSIE3.01\t2\t0\t1\t/images\te.gif\te[1].gif\n"
                         "NN\t1\t1\t1\t/n\tb.gif\tB1.gif\n");
    const ToolRun dumped = runTool({"--dump", table});
    EXPECT_EQ(dumped.exitCode, 0);
    EXPECT_EQ(dumped.out, built.out);

    // A later Netscape folder must be a user's "Cache" folder; a missing table is named.
    EXPECT_EQ(runTool({"--netscape", ns2, "--netscape", ns1, "--out", table}).exitCode, 2);
    const ToolRun missing = runTool({"--dump", tmp.path() + "/none.dbf"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains(tmp.path() + "/none.dbf"));
}
