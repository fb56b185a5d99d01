#pragma once
// "Select Source": the user picks a folder (with or without its subfolders) or
// single files in one folder, and the kind of files. The dialog searches nothing
// itself; after OK ("Create Thumbs") the main window reads the choice out of it.
// Several controls are live settings between showings: "Include Subs:" (CheckBox1),
// "Show Info:" (CheckBox2) and the file list's mask.
//
// Choosing files and choosing subfolders exclude each other: selecting files
// unticks "Include Subs:", and ticking it clears the file selection.
#include "source/dialog_base.h"

#include <QHash>
#include <QString>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;

namespace zv {

class GridDependent;
class MainWindowDependent;

class TfrmSelect : public TfrmDDialog {
    Q_OBJECT
public:
    TfrmSelect(GridDependent* grid, MainWindowDependent* mainWindow, QWidget* parent = nullptr);

    void ConnectDependent() override;
    void LoadFromDependent() override { }
    // Makes the folder list the active control.
    void SetFocus() override;

    QComboBox* DriveComboBox1;     // mounted file systems, "/" first
    QLabel* Label1;                // the file list's folder
    QListWidget* DirectoryListBox1; // ancestors of the open folder, then its subfolders
    QComboBox* FilterComboBox1;    // the two filter entries; item data is the mask
    QListWidget* FileListBox1;     // files of the chosen folder matching the mask
    QCheckBox* CheckBox2;          // "Show Info:"
    QCheckBox* CheckBox1;          // "Include Subs:"

    // Event handling.
    void DirectoryListBox1MouseDown(); // opens the folder list's selected entry
    void DirectoryListBox1Click();     // file list and path label follow the selected entry
    void CheckBox1Click();
    void FileListBox1Click();
    void FilterComboBox1Change();
    void DriveComboBox1Change();
    void HelpBtnClick();

    // What the main window reads.
    QString folder() const;          // the path label's text
    QString fileListFolder() const;
    QStringList selectedFileNames() const;   // in list order
    QStringList selectedFilePaths() const;   // file list folder + "/" + name, in list order
    QString fileMask() const { return m_fileMask; }
    QString filterMask() const;              // the filter box's current mask
    bool includeSubfolders() const;
    bool showInfo() const;

    // The folder list's open folder.
    QString directoryListFolder() const { return m_openFolder; }
    // Opens `folder` in the folder list (it becomes the selected entry).
    void setDirectoryListFolder(const QString& folder);
    // Points the file list at `folder` and lists its files.
    void setFileListFolder(const QString& folder);
    void setFileMask(const QString& mask);
    // Re-reads the file list's folder; the selection is cleared.
    void relistFiles();
    // Follows the main window's location: the folder list opens `folder`, the same
    // steps as a click in the folder list run (file list and path label follow) and
    // the file list is re-read. False, with nothing changed, when it is no folder.
    bool PointAt(const QString& folder);

    // The mount point of the file system holding `path` among the drive box's entries.
    QString driveOf(const QString& path) const;

    static constexpr int PathRole = Qt::UserRole;
    static constexpr int LevelRole = Qt::UserRole + 1;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fillDrives();
    void rebuildFolderList();

    GridDependent* m_grid = nullptr;
    GridDependent* m_pendingGrid;
    MainWindowDependent* m_main;
    QString m_openFolder;
    QString m_fileFolder;
    QString m_fileMask;
    QHash<QString, QString> m_driveFolders; // each drive's last open folder
    bool m_updatingFiles = false;
};

} // namespace zv
