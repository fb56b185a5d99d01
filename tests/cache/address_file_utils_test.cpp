#include "cache/address_utils.h"
#include "cache/file_utils.h"

#include "immutable_folder.h"
#include "platform/file_paths.h"
#include "platform/scripted_messages.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>

using namespace zv;

namespace {

QStringList split(const QString& address)
{
    QStringList parts;
    EXPECT_TRUE(SplitAddress(address, parts));
    return parts;
}

TEST(AddressUtils, WorkedTable)
{
    ScriptedMessages messages;
    EXPECT_EQ(split(QStringLiteral("http://h/a/b/c.gif")),
              (QStringList{QStringLiteral("http://h/"), QStringLiteral("/a/b"), QStringLiteral("c.gif")}));
    EXPECT_EQ(split(QStringLiteral("http://h/a/b/")),
              (QStringList{QStringLiteral("http://h/"), QStringLiteral("/a/"), QStringLiteral("b")}));
    EXPECT_EQ(split(QStringLiteral("http://h/c.gif")),
              (QStringList{QStringLiteral("http://h/"), QString(), QStringLiteral("c.gif")}));
    EXPECT_TRUE(messages.texts().isEmpty());

    EXPECT_EQ(split(QStringLiteral("http://h")),
              (QStringList{QStringLiteral("http://h"), QString(), QStringLiteral("h")}));
    EXPECT_EQ(messages.texts(), QStringList{QStringLiteral("Error chopping URL: (http://h)")});

    // Longer hosts and paths: the site ends at the first "/" after the host.
    EXPECT_EQ(split(QStringLiteral("http://www.example.com/img/x/logo.gif")),
              (QStringList{QStringLiteral("http://www.example.com/"), QStringLiteral("/img/x"),
                           QStringLiteral("logo.gif")}));
}

TEST(AddressUtils, SiteOfEdges)
{
    ScriptedMessages messages;
    // Nine characters: position 9 is the last one and is not examined.
    EXPECT_EQ(SiteOf(QStringLiteral("http://h/")), QStringLiteral("http://h/"));
    // The only "/" after the host is the last character: the whole address.
    EXPECT_EQ(SiteOf(QStringLiteral("http://host/")), QStringLiteral("http://host/"));
    EXPECT_EQ(SiteOf(QStringLiteral("http://host")), QStringLiteral("http://host"));
    // The slashes of the scheme are never taken, even with a short scheme.
    EXPECT_EQ(SiteOf(QStringLiteral("a://b/cd/e")), QStringLiteral("a://b/cd/"));
    EXPECT_TRUE(messages.texts().isEmpty());

    EXPECT_EQ(SiteOf(QString()), QString());
    EXPECT_EQ(SiteOf(QStringLiteral("12345678")), QStringLiteral("12345678"));
    EXPECT_EQ(messages.texts(), (QStringList{QStringLiteral("Error chopping URL: ()"),
                                             QStringLiteral("Error chopping URL: (12345678)")}));
    ASSERT_EQ(messages.shown().size(), 2u);
    EXPECT_EQ(messages.shown()[0].buttons, Buttons::Ok);
}

TEST(AddressUtils, LastSegmentOfEdges)
{
    EXPECT_EQ(LastSegmentOf(QString()), QString());
    EXPECT_EQ(LastSegmentOf(QStringLiteral("/")), QString());
    EXPECT_EQ(LastSegmentOf(QStringLiteral("name.gif")), QStringLiteral("name.gif"));
    EXPECT_EQ(LastSegmentOf(QStringLiteral("/name.gif")), QStringLiteral("/name.gif"));
    EXPECT_EQ(LastSegmentOf(QStringLiteral("a//")), QString());
    EXPECT_EQ(LastSegmentOf(QStringLiteral("a/b//")), QString());
    EXPECT_EQ(LastSegmentOf(QStringLiteral("http://h/x/y/")), QStringLiteral("y"));
    EXPECT_EQ(LastSegmentOf(QStringLiteral("http://h/x?q=a/b")), QStringLiteral("b"));
}

TEST(AddressUtils, SplitOfOddAddressesStaysInsideTheText)
{
    ScriptedMessages messages;
    for (const QString& address : {QString(), QStringLiteral("/"), QStringLiteral("//////////"),
                                   QStringLiteral("http://h//"), QStringLiteral("abcdefghij/")}) {
        const QStringList parts = split(address);
        ASSERT_EQ(parts.size(), 3) << address.toStdString();
        EXPECT_TRUE(address.contains(parts[1])) << address.toStdString();
    }
    EXPECT_EQ(split(QStringLiteral("http://h//")),
              (QStringList{QStringLiteral("http://h/"), QStringLiteral("/"), QString()}));
    // Without a "/" after the host, site and last segment overlap and middle is empty.
    EXPECT_EQ(split(QStringLiteral("abcdefghij/")),
              (QStringList{QStringLiteral("abcdefghij/"), QString(), QStringLiteral("abcdefghij")}));
}

TEST(AddressUtils, RightString)
{
    EXPECT_EQ(RightString(QStringLiteral("/usr/"), 1), QStringLiteral("/"));
    EXPECT_EQ(RightString(QStringLiteral("ab"), 5), QStringLiteral("ab"));
    EXPECT_EQ(RightString(QStringLiteral("abc"), 2), QStringLiteral("bc"));
    EXPECT_EQ(RightString(QStringLiteral("abc"), 0), QString());
    EXPECT_EQ(RightString(QString(), 1), QString());
}

class FileUtilsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ScriptedMessages messages;

    QString make(const QString& name, const QByteArray& content)
    {
        const QString path = joinPath(dir.path(), name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return path;
    }
    static QByteArray contentOf(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }
};

TEST_F(FileUtilsTest, DeleteAsksWithTheFileNameAsTitle)
{
    const QString path = make(QStringLiteral("page.htm"), "x");
    messages.queueAnswer(Answer::Cancel);
    EXPECT_FALSE(DeleteDocument(path, true));
    EXPECT_TRUE(QFile::exists(path));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].caption, path);
    EXPECT_EQ(messages.shown()[0].text, QStringLiteral("Are you sure you want to delete this file?"));
    EXPECT_EQ(messages.shown()[0].buttons, Buttons::OkCancel);

    messages.queueAnswer(Answer::Ok);
    EXPECT_TRUE(DeleteDocument(path, true));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(messages.shown().size(), 2u);

    const QString other = make(QStringLiteral("other.htm"), "y");
    EXPECT_TRUE(DeleteDocument(other, false));
    EXPECT_FALSE(QFile::exists(other));
    EXPECT_EQ(messages.shown().size(), 2u); // no question without asking
}

TEST_F(FileUtilsTest, DeleteFailuresNameTheFileAndTheReason)
{
    const QString gone = joinPath(dir.path(), QStringLiteral("gone.htm"));
    EXPECT_FALSE(DeleteDocument(gone, false));
    EXPECT_EQ(messages.texts().last(),
              QStringLiteral("Trouble Deleting file: ") + gone + QStringLiteral(" - No such file or directory"));

    // A folder is not deleted as a document (the system answers EISDIR).
    QDir(dir.path()).mkdir(QStringLiteral("sub"));
    const QString sub = joinPath(dir.path(), QStringLiteral("sub"));
    EXPECT_FALSE(DeleteDocument(sub, false));
    EXPECT_EQ(messages.texts().last(), QStringLiteral("Trouble Deleting file: ") + sub + QStringLiteral(" - Unknown error."));
    EXPECT_TRUE(QFileInfo(sub).isDir());

    // Files of the kernel's own file system cannot be removed, even by root (EPERM).
    EXPECT_FALSE(DeleteDocument(QStringLiteral("/proc/version"), false));
    EXPECT_EQ(messages.texts().last(), QStringLiteral("Trouble Deleting file: /proc/version - Permission denied"));

    EXPECT_EQ(deleteFailureReason(EACCES), QStringLiteral("Permission denied"));
    EXPECT_EQ(deleteFailureReason(EBUSY), QStringLiteral("Unknown error."));
}

TEST_F(FileUtilsTest, DeleteInAReadOnlyFolderIsPermissionDenied)
{
    const QString path = make(QStringLiteral("locked.htm"), "z");
    ImmutableGuard guard(dir.path());
    if (!guard.active())
        GTEST_SKIP() << "cannot make a folder unwritable here: " << guard.reason().toStdString();
    EXPECT_FALSE(DeleteDocument(path, false));
    EXPECT_EQ(messages.texts().last(),
              QStringLiteral("Trouble Deleting file: ") + path + QStringLiteral(" - Permission denied"));
    guard.release();
    EXPECT_TRUE(QFile::exists(path));
}

TEST_F(FileUtilsTest, SaveAsCopiesAndReplaces)
{
    const QString source = make(QStringLiteral("src.htm"), "<p>new</p>");
    const QString target = make(QStringLiteral("dst.htm"), "old old old old");
    EXPECT_TRUE(SaveDocumentAs(source, target));
    EXPECT_EQ(contentOf(target), QByteArray("<p>new</p>"));
    EXPECT_TRUE(messages.texts().isEmpty());

    // A relative destination is taken from the current folder.
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    EXPECT_TRUE(SaveDocumentAs(source, QStringLiteral("rel.htm")));
    QDir::setCurrent(saved);
    EXPECT_EQ(contentOf(joinPath(dir.path(), QStringLiteral("rel.htm"))), QByteArray("<p>new</p>"));

    // Saving a file onto itself keeps its content.
    EXPECT_TRUE(SaveDocumentAs(source, source));
    EXPECT_EQ(contentOf(source), QByteArray("<p>new</p>"));
    const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(left, (QStringList{QStringLiteral("dst.htm"), QStringLiteral("rel.htm"), QStringLiteral("src.htm")}));
}

TEST_F(FileUtilsTest, SaveAsFailuresAskForADestinationAndLeaveFilesAlone)
{
    const QString source = make(QStringLiteral("src.htm"), "content");
    const QString target = make(QStringLiteral("dst.htm"), "keep me");
    const QString please = QStringLiteral("Please give the destination filename");

    EXPECT_FALSE(SaveDocumentAs(source, QString()));
    EXPECT_FALSE(SaveDocumentAs(source, dir.path()));                                // a folder
    EXPECT_FALSE(SaveDocumentAs(source, joinPath(dir.path(), QStringLiteral("no/such/x.htm"))));
    EXPECT_FALSE(SaveDocumentAs(joinPath(dir.path(), QStringLiteral("missing.htm")), target));
    EXPECT_EQ(messages.texts(), QStringList(4, please));
    EXPECT_EQ(contentOf(target), QByteArray("keep me"));

    ImmutableGuard guard(dir.path());
    if (guard.active()) {
        EXPECT_FALSE(SaveDocumentAs(source, target));
        guard.release();
        EXPECT_EQ(contentOf(target), QByteArray("keep me"));
        EXPECT_EQ(messages.texts().size(), 5);
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{QStringLiteral("dst.htm"), QStringLiteral("src.htm")}));
}

} // namespace
