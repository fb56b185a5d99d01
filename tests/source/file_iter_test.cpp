#include "platform/message_pump.h"
#include "sandbox.h"
#include "source/file_acceptor.h"
#include "source/file_iter.h"
#include "source/folder_listing.h"
#include "source/form_iter.h"

#include <QDir>
#include <QFile>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

using namespace zv;
using zv::test::Sandbox;

namespace {

// An acceptor that records every file and folder it is offered and decides with an
// optional rule (default: accept everything).
class Recorder : public FileAcceptor {
public:
    std::function<bool(const QString&)> rule;
    QStringList offered;
    QStringList folders;

    bool AcceptFile(const QString& path) override
    {
        offered << path;
        return rule ? rule(path) : true;
    }
    void FolderProgress(const QString& folder) override { folders << folder; }
};

// A walk with every file recorded; answers the offered paths relative to the box.
QStringList walk(const Sandbox& box, const QString& start, bool subs)
{
    Recorder rec;
    SWFileIter iter(nullptr, &rec);
    EXPECT_TRUE(iter.Iterate(start, subs));
    EXPECT_EQ(iter.Files(), rec.offered);
    return box.relative(rec.offered);
}

} // namespace

TEST(FileIterOrder, PreOrderWithFilesBeforeSubfoldersAndCaseIgnored)
{
    Sandbox box({"Cat.htm", "bat.htm", "apple.htm", "Apple.htm", "Zeta/z.htm", "alpha/inner/i.htm",
                 "alpha/a2.htm", "Beta/b.htm", "Beta/Cee.htm", "Beta/bee.htm", "empty/",
                 "onlysubs/deep/d.htm"});
    const QStringList expected{"Apple.htm", "apple.htm", "bat.htm", "Cat.htm",
                               "alpha/a2.htm", "alpha/inner/i.htm",
                               "Beta/b.htm", "Beta/bee.htm", "Beta/Cee.htm",
                               "onlysubs/deep/d.htm", "Zeta/z.htm"};
    EXPECT_EQ(walk(box, box.root(), true), expected);
    // Without subfolders only the start folder's own files are offered.
    EXPECT_EQ(walk(box, box.root(), false),
              QStringList({"Apple.htm", "apple.htm", "bat.htm", "Cat.htm"}));
}

TEST(FileIterOrder, HiddenEntriesAndNonFilesAreNeverOffered)
{
    Sandbox box({".hidden.htm", ".git/config.htm", "shown/.also.htm", "shown/s.htm", "x.htm"});
    ASSERT_EQ(::symlink("x.htm", box.path("linked.htm").toLocal8Bit().constData()), 0);
    ASSERT_EQ(::symlink("nowhere.htm", box.path("broken.htm").toLocal8Bit().constData()), 0);
    ASSERT_EQ(::mkfifo(box.path("pipe.htm").toLocal8Bit().constData(), 0600), 0);
    EXPECT_EQ(walk(box, box.root(), true), QStringList({"linked.htm", "x.htm", "shown/s.htm"}));
}

TEST(FileIterPaths, TrailingSeparatorAndRoot)
{
    Sandbox box({"a.htm", "sub/b.htm"});
    const QStringList plain = walk(box, box.root(), true);
    EXPECT_EQ(walk(box, box.root() + "/", true), plain);
    EXPECT_EQ(walk(box, box.root() + "//", true), plain);
    EXPECT_EQ(plain, QStringList({"a.htm", "sub/b.htm"}));

    // The root: every file of "/" is offered as "/name", never "//name".
    Recorder rec;
    SWFileIter iter(nullptr, &rec);
    EXPECT_TRUE(iter.Iterate("/", false));
    EXPECT_EQ(rec.folders, QStringList({"/"}));
    QStringList expected;
    for (const QString& name : FolderListing::read("/").files)
        expected << "/" + name;
    EXPECT_EQ(rec.offered, expected);
    EXPECT_EQ(iter.currentFolder(), "/");
}

TEST(FileIterFolders, EveryFolderIsReportedOnEntryBeforeItsFiles)
{
    Sandbox box({"a.htm", "one/b.htm", "one/two/", "three/c.htm"});
    QStringList events;
    struct Log : FileAcceptor {
        QStringList* events;
        bool AcceptFile(const QString& p) override { return events->append("F " + p), true; }
        void FolderProgress(const QString& f) override { events->append("D " + f); }
    } log;
    log.events = &events;
    SWFileIter iter(nullptr, &log);
    iter.Iterate(box.root(), true);
    const QString r = box.root();
    EXPECT_EQ(events, QStringList({"D " + r, "F " + r + "/a.htm", "D " + r + "/one",
                                   "F " + r + "/one/b.htm", "D " + r + "/one/two",
                                   "D " + r + "/three", "F " + r + "/three/c.htm"}));
}

TEST(FileIterFolders, RefusedFolderIsSkippedWithItsSubtree)
{
    Sandbox box({"a.htm", "skip/b.htm", "skip/deeper/c.htm", "keep/d.htm"});
    struct Skipper : TFileIter {
        bool ProcessFile(const QString&) override { return true; }
        bool ProcessFolder(const QString& p) override { return !p.endsWith("/skip"); }
    } iter;
    iter.Iterate(box.root(), true);
    EXPECT_EQ(box.relative(iter.Files()), QStringList({"a.htm", "keep/d.htm"}));
}

TEST(FileIterStop, StopInDeepSubfolderKeepsThatVerdictAndRestoresStart)
{
    Sandbox box({"top.htm", "a/a1.htm", "a/b/c/first.htm", "a/b/c/second.htm", "a/b/c/d/x.htm",
                 "z/later.htm"});
    Recorder rec;
    SWFileIter iter(nullptr, &rec);
    rec.rule = [&](const QString& p) {
        if (p.endsWith("first.htm"))
            iter.Stop();
        return true;
    };
    EXPECT_TRUE(iter.Iterate(box.root() + "/", true));
    EXPECT_TRUE(iter.StopRequested());
    EXPECT_EQ(box.relative(iter.Files()), QStringList({"top.htm", "a/a1.htm", "a/b/c/first.htm"}));
    EXPECT_EQ(box.relative(rec.offered), box.relative(iter.Files()));
    EXPECT_EQ(iter.currentFolder(), box.root());

    // The next walk clears the stop and the old result.
    rec.rule = nullptr;
    EXPECT_TRUE(iter.Iterate(box.path("z"), true));
    EXPECT_FALSE(iter.StopRequested());
    EXPECT_EQ(box.relative(iter.Files()), QStringList({"z/later.htm"}));
}

TEST(FileIterStop, CompletedWalkLeavesLastFolderForAnEmptyStart)
{
    Sandbox box({"a.htm", "one/b.htm", "two/c.htm", "two/d.htm"});
    SWFileIter iter;
    iter.Iterate(box.root(), true);
    EXPECT_EQ(iter.currentFolder(), box.path("two"));
    EXPECT_TRUE(iter.Iterate(QString(), true));
    EXPECT_EQ(box.relative(iter.Files()), QStringList({"two/c.htm", "two/d.htm"}));
}

TEST(FileIterLinks, LinkLoopsEndAndEachFolderIsWalkedOnce)
{
    Sandbox box({"a.htm", "sub/b.htm", "other/c.htm"});
    ASSERT_EQ(::symlink("..", box.path("sub/up").toLocal8Bit().constData()), 0);
    Recorder rec;
    SWFileIter iter(nullptr, &rec);
    EXPECT_TRUE(iter.Iterate(box.root(), true));
    EXPECT_EQ(box.relative(iter.Files()), QStringList({"a.htm", "other/c.htm", "sub/b.htm"}));

    // "other/again" leads into "sub" before "sub" itself is reached: the folder is
    // walked under the first path met, and not a second time.
    ASSERT_EQ(::symlink(box.path("sub").toLocal8Bit().constData(),
                        box.path("other/again").toLocal8Bit().constData()),
              0);
    rec.folders.clear();
    EXPECT_TRUE(iter.Iterate(box.root(), true));
    EXPECT_EQ(box.relative(iter.Files()),
              QStringList({"a.htm", "other/c.htm", "other/again/b.htm"}));
    EXPECT_EQ(box.relative(rec.folders), QStringList({box.root(), "other", "other/again"}));
}

TEST(FileIterErrors, MissingStartOrVanishedSubfolderEndsTheWalkWithTheReason)
{
    Sandbox box({"a/a1.htm", "a/a2.htm", "b/b1.htm", "c/c1.htm"});
    SWFileIter iter;
    try {
        iter.Iterate(box.path("nothere"), true);
        ADD_FAILURE() << "no error for a missing folder";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(QString::fromStdString(e.what()),
                  "Cannot open folder '" + box.path("nothere") + "': No such file or directory");
    }
    EXPECT_THROW(iter.Iterate(box.path("a/a1.htm"), true), std::runtime_error);

    // Folder b vanishes while a's files are offered: entering it fails.
    Recorder rec;
    iter.setAcceptor(&rec);
    rec.rule = [&](const QString& p) {
        if (p.endsWith("a1.htm"))
            QDir(box.path("b")).removeRecursively();
        return true;
    };
    try {
        iter.Iterate(box.root(), true);
        ADD_FAILURE() << "no error for a vanished folder";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(QString::fromStdString(e.what()),
                  "Cannot open folder '" + box.path("b") + "': No such file or directory");
    }
    EXPECT_EQ(box.relative(iter.Files()), QStringList({"a/a1.htm", "a/a2.htm"}));
    EXPECT_EQ(iter.currentFolder(), box.root());
    EXPECT_FALSE(iter.isRunning());
    // The walker is usable again afterwards.
    EXPECT_TRUE(iter.Iterate(box.root(), true));
    EXPECT_EQ(box.relative(iter.Files()), QStringList({"a/a1.htm", "a/a2.htm", "c/c1.htm"}));
}

TEST(FileIterHost, PumpsBeforeEachFileAndRefusesANestedWalk)
{
    Sandbox box({"a.htm", "b.htm", "c.htm"});
    Recorder rec;
    TFormIter host(&rec);
    bool nestedAnswer = true;
    rec.rule = [&](const QString& p) {
        if (p.endsWith("b.htm"))
            nestedAnswer = host.Iter->Iterate(box.root(), false);
        return !p.endsWith("c.htm");
    };
    const long long before = pumpCounters().calls;
    EXPECT_TRUE(host.Iter->Iterate(box.root(), false));
    EXPECT_EQ(pumpCounters().calls - before, 3);
    EXPECT_FALSE(nestedAnswer);
    EXPECT_EQ(box.relative(host.Iter->Files()), QStringList({"a.htm", "b.htm"}));
    EXPECT_FALSE(host.isVisible());
}
