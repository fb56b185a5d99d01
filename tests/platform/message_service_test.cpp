#include "platform/application.h"
#include "platform/file_paths.h"
#include "platform/message_service.h"
#include "platform/scripted_messages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QLineEdit>
#include <QUrl>
#include <QFile>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace zv;

TEST(MessageSeam, ScriptedAnswersAreUsedInOrderAndEverythingIsRecorded)
{
    ScriptedMessages script;
    script.queueAnswer(Answer::No);
    script.queueAnswer(Answer::Ok);
    showMessage("plain");
    EXPECT_EQ(askQuestion(nullptr, "Update cache?:", "q1", Buttons::YesNoCancel), Answer::No);
    EXPECT_EQ(askQuestion(nullptr, "12", "q2", Buttons::OkCancel), Answer::Ok);
    // An unscripted question answers Cancel, so a forgotten answer never blocks.
    EXPECT_EQ(askQuestion(nullptr, "c", "q3", Buttons::OkCancel), Answer::Cancel);
    ASSERT_EQ(script.shown().size(), 4u);
    EXPECT_EQ(script.shown()[0].buttons, Buttons::Ok);
    EXPECT_EQ(script.shown()[1].caption, "Update cache?:");
    EXPECT_EQ(script.texts(), QStringList({"plain", "q1", "q2", "q3"}));
}

TEST(MessageSeam, ModalDialogsAreAnsweredByTheirScript)
{
    ScriptedMessages script;
    QDialog dialog;
    auto* edit = new QLineEdit(&dialog);
    script.queueDialog([edit](QDialog*) {
        edit->setText("typed");
        return int(QDialog::Accepted);
    });
    EXPECT_EQ(execModal(&dialog), QDialog::Accepted);
    EXPECT_EQ(edit->text(), "typed");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(execModal(&dialog), QDialog::Rejected);
    EXPECT_EQ(script.dialogsShown().size(), 2u);
}

TEST(MessageSeam, TheRealServiceComesBackAfterTheScript)
{
    MessageService* before = &messages();
    {
        ScriptedMessages script;
        EXPECT_EQ(&messages(), &script);
    }
    EXPECT_EQ(&messages(), before);
}

// The real service once: a question owned by a window that is not shown yet (the
// start-up question comes before the main window) stands in the middle of the
// screen, and answers the button the user pressed.
TEST(MessageSeam, TheRealQuestionBoxStandsInTheMiddleOfTheScreen)
{
    QWidget owner;
    owner.setGeometry(0, 0, 300, 200);
    QRect shownAt;
    QTimer answerer;
    int polls = 0;
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            if (++polls > 500)
                answerer.stop(); // nothing came: the failure below says so
            return;
        }
        answerer.stop();
        shownAt = box->frameGeometry();
        box->button(QMessageBox::No)->click();
    });
    answerer.start(10);
    EXPECT_EQ(askQuestion(&owner, "Update cache?:", "q", Buttons::YesNoCancel), Answer::No);
    ASSERT_TRUE(shownAt.isValid());
    const QPoint middle = owner.screen()->availableGeometry().center();
    EXPECT_LE((shownAt.center() - middle).manhattanLength(), 4)
        << shownAt.center().x() << "," << shownAt.center().y();
}

TEST(TopLevel, EscapedErrorsBecomeAPlainMessage)
{
    ScriptedMessages script;
    reportTopLevelError(std::runtime_error("Cannot open folder '/x': Permission denied"));
    ASSERT_EQ(script.shown().size(), 1u);
    EXPECT_EQ(script.shown()[0].text, "Cannot open folder '/x': Permission denied");
    EXPECT_EQ(script.shown()[0].buttons, Buttons::Ok);
}

TEST(FilePaths, JoinAndSplit)
{
    EXPECT_EQ(joinPath("/", "CacheDB.dbf"), "/CacheDB.dbf");
    EXPECT_EQ(joinPath("/home/u", "a.htm"), "/home/u/a.htm");
    EXPECT_EQ(joinPath("/home/u/", "a.htm"), "/home/u/a.htm");
    EXPECT_EQ(withTrailingSlash("/a"), "/a/");
    EXPECT_EQ(withTrailingSlash("/a/"), "/a/");
    EXPECT_EQ(fileUrl("/tmp/a b.htm"), "file:///tmp/a b.htm");
    EXPECT_EQ(fileUrl("/tmp/x.htm"), "file:///tmp/x.htm");
    EXPECT_EQ(fileNameOf("/x/y/INDEX.HTM"), "INDEX.HTM");
    EXPECT_EQ(folderOf("/x/y/INDEX.HTM"), "/x/y");
    EXPECT_EQ(folderOf("/INDEX.HTM"), "/");
    // The bytes for system calls, in a buffer reused from call to call.
    std::string native;
    EXPECT_STREQ(nativePath("/tmp/a long name.htm", native), "/tmp/a long name.htm");
    EXPECT_STREQ(nativePath(QStringLiteral("/tmp/café/Ω.htm"), native),
                 QFile::encodeName(QStringLiteral("/tmp/café/Ω.htm")).constData());
    EXPECT_STREQ(nativePath("/x", native), "/x");
    EXPECT_STREQ(nativePath("", native), "");
}

// The quick way for plain paths gives exactly the address parser's answers, and
// addresses read back to the same paths.
TEST(FilePaths, FileAddressesAgreeWithTheAddressParser)
{
    const QStringList paths{"/tmp/x.htm", "/tmp/a b.htm", "/a//b.htm", "/a/./b.htm",
                            "/a/../b.htm", "/.hidden/x", "/a/b/", "/", "/caf\u00e9/x.htm",
                            "/x/%41.htm", "/x/a#b.htm", "/x/a?b.htm", "/x/~u/a-b_c.HTM",
                            "/x/a+b;c.htm", "relative/x.htm", ""};
    for (const QString& path : paths) {
        if (path.isEmpty() || !path.startsWith('/'))
            continue;
        const QString url = fileUrl(path);
        EXPECT_EQ(url, QUrl::fromLocalFile(path).toString()) << path.toStdString();
        EXPECT_EQ(localPathOfUrl(url), QUrl(url).toLocalFile()) << path.toStdString();
    }
    EXPECT_EQ(localPathOfUrl("http://example.com/x.htm"), "");
    EXPECT_EQ(localPathOfUrl("file:///tmp/a%20b.htm"), "/tmp/a b.htm");
    EXPECT_EQ(localPathOfUrl("file:///tmp/x.htm"), "/tmp/x.htm");
}
