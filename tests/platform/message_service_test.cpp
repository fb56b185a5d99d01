#include "platform/application.h"
#include "platform/file_paths.h"
#include "platform/message_service.h"
#include "platform/scripted_messages.h"

#include <QDialog>
#include <QLineEdit>
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
}
