#include "dialogs/about_box.h"
#include "dialogs/message_window.h"
#include "dialogs/quick_start_window.h"
#include "dialogs/source_viewer.h"
#include "dialogs/wait_window.h"
#include "platform/message_service.h"
#include "platform/scripted_messages.h"
#include "source/document_text.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextEdit>
#include <gtest/gtest.h>

using namespace zv;

TEST(MessageWindow, FilledTwiceShowsOnlyTheSecondMessage)
{
    ScriptedMessages script;
    TfrmMessage win;
    win.BeginMessage("First", "one");
    win.AddMessageLine("two");
    win.BeginMessage("Clearing Pre-built thumbnails",
                     "Modification of these options requires the pre-built thumbnails to be cleared.");
    win.AddMessageLine(
        "Click the [Create-Thumbs] button to rebuild thumbnails with your new preferences.");
    win.AddMessageLine("");
    EXPECT_EQ(win.windowTitle(), "Clearing Pre-built thumbnails");
    EXPECT_EQ(win.RichEdit1->toPlainText(),
              "Modification of these options requires the pre-built thumbnails to be cleared.\n"
              "Click the [Create-Thumbs] button to rebuild thumbnails with your new preferences.\n");
    EXPECT_TRUE(win.RichEdit1->isReadOnly());
    EXPECT_EQ(win.Button1->text(), "OK");
    script.queueDialog([&win](QDialog*) {
        win.Button1->click();
        return win.result();
    });
    EXPECT_EQ(execModal(&win), QDialog::Accepted);
}

TEST(QuickStartWindow, HoldsTheInstructionsExactly)
{
    TfrmQuickStart win;
    EXPECT_EQ(win.windowTitle(), "Quick Start");
    EXPECT_TRUE(win.RichEdit1->isReadOnly());
    const QString expected =
        "Quick Start Instructions:\n"
        "==================\n"
        "\n"
        "Use the [<<] button to select a folder to scan\n"
        "or just click the [Create Thumbs] button to begin scanning from \n"
        "the folder shown in the Location box.\n"
        "\n"
        "(Hint: The Location box contains a drop-down list of the\n"
        " cache-folders found on the current drive).\n"
        "\n"
        "When the thumbnails appear, right-click on any thumbnail\n"
        "for a popup menu.";
    EXPECT_EQ(win.RichEdit1->toPlainText(), expected);
    EXPECT_EQ(TfrmQuickStart::instructionLines().size(), 12);
}

class SourceViewer : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ScriptedMessages script;
    TFormHTSrc viewer;

    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
};

TEST_F(SourceViewer, OpensMaximizedAtTheTopOfALongDocument)
{
    QByteArray doc = "<html>\r\n";
    for (int i = 0; i < 3000; ++i)
        doc += "<p>line " + QByteArray::number(i) + "</p>\r\n";
    const QString path = write("long.htm", doc);
    viewer.Memo1->setPlainText("old");
    viewer.Memo1->moveCursor(QTextCursor::End);
    bool checked = false;
    script.queueDialog([&](QDialog*) {
        checked = true;
        EXPECT_TRUE(viewer.windowState() & Qt::WindowMaximized);
        EXPECT_EQ(viewer.Memo1->textCursor().position(), 0);
        EXPECT_EQ(viewer.Memo1->verticalScrollBar()->value(), 0);
        return int(QDialog::Accepted);
    });
    EXPECT_TRUE(viewer.ShowDocumentSource(path));
    EXPECT_TRUE(checked);
    EXPECT_EQ(viewer.windowTitle(), path);
    EXPECT_EQ(viewer.Memo1->document()->blockCount(), 3002);
    EXPECT_TRUE(viewer.Memo1->toPlainText().startsWith("<html>\n<p>line 0</p>\n"));
    EXPECT_FALSE(viewer.Memo1->isReadOnly());
}

TEST_F(SourceViewer, AnUnreadableDocumentIsReportedAndNotShown)
{
    viewer.setSource("before", "kept");
    const QString missing = dir.filePath("gone.htm");
    EXPECT_FALSE(viewer.ShowDocumentSource(missing));
    EXPECT_FALSE(viewer.ShowDocumentSource(dir.path()));
    EXPECT_EQ(script.texts(),
              QStringList({"Cannot open file '" + missing + "': No such file or directory",
                           "Cannot open file '" + dir.path() + "': Is a directory"}));
    EXPECT_TRUE(script.dialogsShown().empty());
    EXPECT_EQ(viewer.Memo1->toPlainText(), "kept");
    EXPECT_EQ(viewer.windowTitle(), "before");
}

TEST_F(SourceViewer, TextIsUtf8WhenValidElseWindows1252)
{
    EXPECT_EQ(decodeDocumentText("caf\xc3\xa9"), QString::fromUtf8("caf\xc3\xa9"));
    EXPECT_EQ(decodeDocumentText("\xef\xbb\xbfok"), "ok");
    EXPECT_EQ(decodeDocumentText("caf\xe9 \x93quoted\x94 \x80"),
              QString::fromUtf8("caf\xc3\xa9 \xe2\x80\x9cquoted\xe2\x80\x9d \xe2\x82\xac"));
    EXPECT_EQ(decodeDocumentLines("a\r\nb\rc\n"), "a\nb\nc\n");
    EXPECT_EQ(decodeDocumentText(QByteArray("a\0b", 3)).size(), 3);

    ASSERT_TRUE(viewer.loadFile(write("latin.htm", "<p>na\xefve</p>")));
    EXPECT_EQ(viewer.Memo1->toPlainText(), QString::fromUtf8("<p>na\xc3\xafve</p>"));
    ASSERT_TRUE(viewer.loadFile(write("empty.htm", "")));
    EXPECT_EQ(viewer.Memo1->toPlainText(), "");

    script.queueDialog([&](QDialog*) {
        EXPECT_EQ(viewer.Memo1->textCursor().position(), 0);
        return int(QDialog::Accepted);
    });
    viewer.ShowSourceText("/docs/a.htm", "<html>\n<body>x</body>");
    EXPECT_EQ(viewer.windowTitle(), "/docs/a.htm");
    EXPECT_EQ(viewer.Memo1->toPlainText(), "<html>\n<body>x</body>");
}

TEST(WaitWindow, FirstPaintEndsTheShowingAndTheDocumentLoadsOnceWhileVisible)
{
    ScriptedMessages script;
    TFormModal win;
    EXPECT_EQ(win.windowTitle(), "Please Wait...");
    EXPECT_EQ(win.Panel1->text(), "Zooming...");
    QStringList loaded;
    bool visibleWhileLoading = false;
    win.setShowDocument([&](const QString& path) {
        loaded << path;
        visibleWhileLoading = win.isVisible();
    });

    win.SetZoomTarget("/docs/big.htm");
    EXPECT_FALSE(win.ZoomStarted);
    script.queueDialog([&win](QDialog*) {
        win.FormPaint();
        EXPECT_EQ(win.result(), QDialog::Accepted);
        // The end of the showing is queued behind the paint.
        EXPECT_TRUE(win.isVisible());
        QCoreApplication::processEvents();
        EXPECT_FALSE(win.isVisible());
        return win.result();
    });
    EXPECT_EQ(execModal(&win), QDialog::Accepted);
    EXPECT_EQ(loaded, QStringList({"/docs/big.htm"}));
    EXPECT_TRUE(visibleWhileLoading);
    EXPECT_TRUE(win.ZoomStarted);

    // A later deactivation does not load the document again.
    win.FormDeactivate();
    EXPECT_EQ(loaded.size(), 1);

    // A new target re-arms it; several paints end the showing once.
    win.SetZoomTarget("/docs/other.htm");
    script.queueDialog([&win](QDialog*) {
        win.FormPaint();
        win.FormPaint();
        QCoreApplication::processEvents();
        return win.result();
    });
    execModal(&win);
    EXPECT_EQ(loaded, QStringList({"/docs/big.htm", "/docs/other.htm"}));
}

TEST(AboutBox, ShowsNameVersionAndCreditsWithADefaultOk)
{
    ScriptedMessages script;
    TAboutBox box;
    EXPECT_EQ(box.windowTitle(), "About");
    EXPECT_EQ(box.ProductName->text(), "Zorvane");
    EXPECT_TRUE(box.Version->text().contains("1.03"));
    EXPECT_FALSE(box.Memo1->isEnabled());
    EXPECT_FALSE(box.Memo1->toPlainText().isEmpty());
    EXPECT_FALSE(box.ProgramIcon->pixmap().isNull());
    EXPECT_TRUE(box.OKButton->isDefault());
    script.queueDialog([&box](QDialog*) {
        box.OKButton->click();
        return box.result();
    });
    EXPECT_EQ(execModal(&box), QDialog::Accepted);
}
