#include "fake_find_host.h"
#include "platform/scripted_messages.h"
#include "search/find_dialog.h"
#include "search/radio_group.h"
#include "search/text_search.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

using namespace zv;
using zv::test::FakeFindHost;

namespace {

struct FindTest : ::testing::Test {
    ScriptedMessages script;
    FakeFindHost host;
    TfrmFindText dialog{&host};
    TextSearch find{&host, &dialog};
    QTemporaryDir dir;
    QStringList docs;

    void SetUp() override
    {
        // Documents 1 and 3 contain the text, in different case; 2 has it split
        // over two lines.
        docs << write("a.htm", "<html><body>plain</body></html>\n")
             << write("b.htm", "<p>The NEEDLE is here</p>\r\n")
             << write("c.htm", "<p>half a nee\ndle</p>\n")
             << write("d.htm", "<!-- needle in a comment -->\n");
    }

    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = QDir(dir.path()).filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }

    // Answers the Find dialog with the text, target and method, pressing OK.
    void answer(const QString& text, int target, int method, bool ok = true)
    {
        script.queueDialog([=](QDialog* d) {
            auto* f = static_cast<TfrmFindText*>(d);
            f->rgTarget->setItemIndex(target);
            f->rgDisplayMethod->setItemIndex(method);
            f->ComboBox1->setEditText(text);
            (ok ? f->OKBtn : f->CancelBtn)->click();
            return ok ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
    }
};

} // namespace

TEST_F(FindTest, SelectAndUnselectActOnExactlyTheMatchingTiles)
{
    host.showTiles(docs);
    answer("needle", TfrmFindText::kSearchThumbnails, TfrmFindText::kSelect);
    find.RunFind();
    EXPECT_EQ(host.selectedIndexes(), QList<int>({1, 3}));
    EXPECT_EQ(host.calls, QStringList({"SelectNone"}));
    EXPECT_EQ(host.totalLabel->text(), ""); // Finish(0)

    // Unselect: every tile was unselected at the start, so none stays selected.
    host.selected.fill(true);
    answer("needle", TfrmFindText::kSearchThumbnails, TfrmFindText::kUnselect);
    find.RunFind();
    EXPECT_TRUE(host.selectedIndexes().isEmpty());
    EXPECT_EQ(host.tiles, docs);

    // "Match case" finds only the exact letters.
    dialog.chkMatchCase->setChecked(true);
    answer("NEEDLE", TfrmFindText::kSearchThumbnails, TfrmFindText::kSelect);
    find.RunFind();
    EXPECT_EQ(host.selectedIndexes(), QList<int>({1}));
}

TEST_F(FindTest, ShowOnlyRebuildsTheGridFromTheMatches)
{
    host.showTiles(docs);
    answer("needle", TfrmFindText::kSearchThumbnails, TfrmFindText::kShowOnly);
    find.RunFind();
    EXPECT_EQ(find.ShowOnlyList, QStringList({docs[1], docs[3]}));
    EXPECT_EQ(host.tiles, find.ShowOnlyList);
    EXPECT_EQ(host.calls, QStringList({"SelectNone", "BuildThumbnails"}));
    EXPECT_EQ(find.LastSearchText, "needle");
}

TEST_F(FindTest, EmptyTextKeepsThePreviousTextAndAtFirstFindsNothing)
{
    host.showTiles(docs);
    answer("", TfrmFindText::kSearchThumbnails, TfrmFindText::kShowOnly);
    find.RunFind();
    EXPECT_TRUE(host.tiles.isEmpty()); // nothing matched; the grid is empty
    EXPECT_EQ(find.LastSearchText, "");

    host.showTiles(docs);
    answer("needle", TfrmFindText::kSearchThumbnails, TfrmFindText::kShowOnly);
    find.RunFind();
    host.showTiles(docs);
    answer("", TfrmFindText::kSearchThumbnails, TfrmFindText::kShowOnly);
    find.RunFind();
    EXPECT_EQ(find.LastSearchText, "needle");
    EXPECT_EQ(host.tiles, QStringList({docs[1], docs[3]}));
}

TEST_F(FindTest, CancelledDialogOrNoTilesDoNothingFurther)
{
    host.showTiles(docs);
    answer("needle", TfrmFindText::kSearchThumbnails, TfrmFindText::kShowOnly, false);
    find.RunFind();
    EXPECT_EQ(host.calls, QStringList({"SelectNone"}));
    EXPECT_EQ(host.tiles, docs);

    host.showTiles({});
    host.calls.clear();
    answer("needle", TfrmFindText::kSearchThumbnails, TfrmFindText::kShowOnly);
    find.RunFind();
    EXPECT_EQ(host.calls, QStringList({"SelectNone"}));
    EXPECT_EQ(host.totalLabel->text(), ":"); // no job was started
}

TEST_F(FindTest, LocationTargetSearchesTheLocationAndShowsTheMatches)
{
    host.showTiles({docs[0]});
    host.found = {docs[1], docs[2], docs[3]}; // the walk's text filter is the host's
    answer("needle", TfrmFindText::kSearchLocation, TfrmFindText::kShowOnly);
    find.RunFind();
    EXPECT_EQ(host.calls,
              QStringList({"SelectNone", "SearchSource 1 needle", "ClearTiles", "BuildThumbnails"}));
    EXPECT_EQ(host.tiles, QStringList({docs[1], docs[3]}));
}

TEST_F(FindTest, SourceTargetWithShowInfo)
{
    host.showTiles({docs[0]});
    host.found = docs;
    host.info = true;
    host.loadResultsOk = false;
    answer("needle", TfrmFindText::kSearchSource, TfrmFindText::kShowOnly);
    find.RunFind();
    // Load results cancelled: the grid is as it was.
    EXPECT_EQ(host.calls, QStringList({"SelectNone", "SearchSource 1 needle", "LoadResults"}));
    EXPECT_EQ(host.tiles, QStringList({docs[0]}));
    EXPECT_EQ(host.files, QStringList({docs[0]}));

    host.loadResultsOk = true;
    host.calls.clear();
    answer("needle", TfrmFindText::kSearchSource, TfrmFindText::kShowOnly);
    find.RunFind();
    EXPECT_EQ(host.calls, QStringList({"SelectNone", "SearchSource 1 needle", "LoadResults",
                                       "BuildThumbnails"}));
    EXPECT_EQ(host.tiles, QStringList({docs[1], docs[3]}));

    // A source with no documents leaves an empty grid, not tiles without paths.
    host.found.clear();
    host.info = false;
    answer("needle", TfrmFindText::kSearchSource, TfrmFindText::kShowOnly);
    find.RunFind();
    EXPECT_TRUE(host.tiles.isEmpty());
    EXPECT_EQ(host.fnFiles, 0);
}

TEST_F(FindTest, CancelDuringTheFileLoopActsOnTheMatchesSoFar)
{
    QStringList many;
    for (int i = 0; i < 6; ++i)
        many << docs[1]; // every one matches
    host.showTiles(many);
    // The user presses cancel while the third file's Step runs.
    QObject::connect(host.cancel, &QPushButton::clicked, host.total, [this] {
        host.total->Cancel();
        host.current->Cancel();
    });
    QObject::connect(host.totalBar, &QProgressBar::valueChanged, host.cancel, [this](int v) {
        if (v == 2)
            host.cancel->click();
    });
    answer("needle", TfrmFindText::kSearchThumbnails, TfrmFindText::kSelect);
    find.RunFind();
    EXPECT_EQ(host.selectedIndexes(), QList<int>({0, 1}));
    EXPECT_FALSE(host.cancel->isEnabled());
}

TEST_F(FindTest, UnreadableDocumentEndsTheFindWithAnErrorNamingIt)
{
    const QString gone = QDir(dir.path()).filePath("gone.htm");
    host.showTiles({docs[1], gone, docs[3]});
    answer("needle", TfrmFindText::kSearchThumbnails, TfrmFindText::kSelect);
    try {
        find.RunFind();
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(gone));
    }
    EXPECT_TRUE(host.selectedIndexes().isEmpty()); // the method was not applied
    EXPECT_EQ(host.totalLabel->text(), "");
    EXPECT_FALSE(host.cancel->isEnabled());
    EXPECT_FALSE(find.running());
}

TEST_F(FindTest, NoDisplayMethodChosenIsReported)
{
    host.showTiles(docs);
    answer("needle", TfrmFindText::kSearchThumbnails, -1);
    find.RunFind();
    EXPECT_EQ(script.texts(), QStringList({"ERROR: Invalid display method."}));
    EXPECT_EQ(host.tiles, docs);
}
