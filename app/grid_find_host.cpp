#include "app/grid_find_host.h"

#include "app/main_window.h"
#include "app/nail_grid.h"
#include "app/source_search.h"
#include "platform/message_service.h"
#include "render/hnail.h"
#include "source/load_info_dialog.h"
#include "source/select_dialog.h"

namespace zv {

GridFindHost::GridFindHost(TForm1* mainWindow)
    : m_main(mainWindow)
{
}

void GridFindHost::SelectNone()
{
    m_main->HNailGrid->SelectNone();
}

int GridFindHost::tileCount() const
{
    return m_main->HNailGrid->FnFiles;
}

void GridFindHost::selectTile(int index)
{
    if (HNail* tile = m_main->HNailGrid->tile(index))
        tile->Select();
}

void GridFindHost::unselectTile(int index)
{
    if (HNail* tile = m_main->HNailGrid->tile(index))
        tile->Unselect();
}

QStringList GridFindHost::filesToBuild() const
{
    return m_main->HNailGrid->filesToBuild;
}

void GridFindHost::setFilesToBuild(const QStringList& files)
{
    m_main->HNailGrid->filesToBuild = files;
    m_main->HNailGrid->FnFiles = int(files.size());
}

void GridFindHost::ClearTiles()
{
    m_main->HNailGrid->ClearTiles();
}

void GridFindHost::BuildThumbnails(const QStringList& files)
{
    m_main->HNailGrid->BuildThumbnails(files);
}

void GridFindHost::SearchSource(int mode, const QString& text)
{
    m_main->sourceSearch->SearchSource(mode, text);
}

QStringList GridFindHost::foundFiles() const
{
    return m_main->foundFiles;
}

bool GridFindHost::showInfo() const
{
    return m_main->showInfo();
}

bool GridFindHost::showLoadResults()
{
    return m_main->windows.loadInfo && execModal(m_main->windows.loadInfo) == QDialog::Accepted;
}

bool GridFindHost::showSelectDialog()
{
    return m_main->windows.select && execModal(m_main->windows.select) == QDialog::Accepted;
}

void GridFindHost::PickFiles()
{
    m_main->sourceSearch->PickFiles();
}

void GridFindHost::ShowHelpContents()
{
    m_main->ShowHelpContents();
}

ProgBar* GridFindHost::totalProgress()
{
    return m_main->totalProgress;
}

ProgBar* GridFindHost::currentProgress()
{
    return m_main->currentProgress;
}

QWidget* GridFindHost::messageOwner()
{
    return m_main;
}

} // namespace zv
