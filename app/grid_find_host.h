#pragma once
// The main window and its grid as the Find command sees them.
#include "search/find_host.h"

namespace zv {

class TForm1;

class GridFindHost final : public FindHost {
public:
    explicit GridFindHost(TForm1* mainWindow);

    void SelectNone() override;
    int tileCount() const override;
    void selectTile(int index) override;
    void unselectTile(int index) override;
    QStringList filesToBuild() const override;
    void setFilesToBuild(const QStringList& files) override;
    void ClearTiles() override;
    void BuildThumbnails(const QStringList& files) override;
    void SearchSource(int mode, const QString& text) override;
    QStringList foundFiles() const override;
    bool showInfo() const override;
    bool showLoadResults() override;
    bool showSelectDialog() override;
    void PickFiles() override;
    void ShowHelpContents() override;
    ProgBar* totalProgress() override;
    ProgBar* currentProgress() override;
    QWidget* messageOwner() override;

private:
    TForm1* m_main;
};

} // namespace zv
