#pragma once
// A FindHost for tests: a grid of tiles as a list of paths with selection flags, a
// log of the calls the command makes, and real progress reporters on a hidden
// window.
#include "core/prog_bar.h"
#include "search/find_host.h"

#include <QLabel>
#include <QList>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>
#include <QWidget>

namespace zv::test {

struct FakeFindHost : FindHost {
    QWidget window;
    QPushButton* cancel = new QPushButton(&window);
    QProgressBar* totalBar = new QProgressBar(&window);
    QLabel* totalLabel = new QLabel(QStringLiteral(":"), &window);
    QProgressBar* currentBar = new QProgressBar(&window);
    QLabel* currentLabel = new QLabel(QStringLiteral(":"), &window);
    ProgBar* total = new ProgBar(&window, totalBar, totalLabel, cancel);
    ProgBar* current = new ProgBar(&window, currentBar, currentLabel, cancel);

    QStringList tiles; // the documents of the tiles shown
    QList<bool> selected;
    QStringList files; // filesToBuild
    int fnFiles = 0;
    QStringList found; // what SearchSource finds
    bool info = false;
    bool loadResultsOk = true;
    bool selectOk = true;
    QStringList calls;

    // A grid built from `paths`, every tile selected.
    void showTiles(const QStringList& paths)
    {
        tiles = files = paths;
        fnFiles = int(paths.size());
        selected = QList<bool>(paths.size(), true);
    }
    QList<int> selectedIndexes() const
    {
        QList<int> l;
        for (int i = 0; i < selected.size(); ++i) {
            if (selected[i])
                l << i;
        }
        return l;
    }

    void SelectNone() override
    {
        selected.fill(false);
        calls << QStringLiteral("SelectNone");
    }
    int tileCount() const override { return fnFiles; }
    void selectTile(int i) override
    {
        if (i >= 0 && i < selected.size())
            selected[i] = true;
    }
    void unselectTile(int i) override
    {
        if (i >= 0 && i < selected.size())
            selected[i] = false;
    }
    QStringList filesToBuild() const override { return files; }
    void setFilesToBuild(const QStringList& f) override
    {
        files = f;
        fnFiles = int(f.size());
    }
    void ClearTiles() override
    {
        tiles.clear();
        selected.clear();
        files.clear();
        fnFiles = 0;
        calls << QStringLiteral("ClearTiles");
    }
    void BuildThumbnails(const QStringList& list) override
    {
        showTiles(list);
        selected.fill(false);
        calls << QStringLiteral("BuildThumbnails");
    }
    void SearchSource(int mode, const QString& text) override
    {
        calls << QStringLiteral("SearchSource %1 %2").arg(mode).arg(text);
    }
    QStringList foundFiles() const override { return found; }
    bool showInfo() const override { return info; }
    bool showLoadResults() override
    {
        calls << QStringLiteral("LoadResults");
        return loadResultsOk;
    }
    bool showSelectDialog() override
    {
        calls << QStringLiteral("Select");
        return selectOk;
    }
    void PickFiles() override { calls << QStringLiteral("PickFiles"); }
    void ShowHelpContents() override { calls << QStringLiteral("Help"); }
    ProgBar* totalProgress() override { return total; }
    ProgBar* currentProgress() override { return current; }
    QWidget* messageOwner() override { return &window; }
};

} // namespace zv::test
