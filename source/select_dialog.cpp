#include "source/select_dialog.h"

#include "platform/hint.h"

#include "source/dialog_dependent.h"
#include "source/file_mask.h"
#include "source/folder_listing.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStorageInfo>
#include <QStyle>
#include <QStyledItemDelegate>

namespace zv {
namespace {

constexpr int kIndentPx = 12;

// Draws folder list entries indented by their level, as a folder tree path.
class IndentDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt = option;
        opt.rect.setLeft(opt.rect.left() + indentOf(index));
        QStyledItemDelegate::paint(painter, opt, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.rwidth() += indentOf(index);
        return s;
    }

private:
    static int indentOf(const QModelIndex& index)
    {
        return index.data(TfrmSelect::LevelRole).toInt() * kIndentPx;
    }
};

QString cleanFolder(const QString& folder)
{
    QString f = QDir::cleanPath(QDir::isAbsolutePath(folder)
                                    ? folder
                                    : QDir::current().absoluteFilePath(folder));
    while (f.size() > 1 && f.endsWith(QLatin1Char('/')))
        f.chop(1);
    return f;
}


} // namespace

TfrmSelect::TfrmSelect(GridDependent* grid, MainWindowDependent* mainWindow, QWidget* parent)
    : TfrmDDialog(parent)
    , m_pendingGrid(grid)
    , m_main(mainWindow)
{
    setObjectName(QStringLiteral("frmSelect"));
    setWindowTitle(tr("Select Source"));

    DriveComboBox1 = new QComboBox(body());
    DriveComboBox1->setObjectName(QStringLiteral("DriveComboBox1"));
    setHint(DriveComboBox1, tr("Drive Selection."));

    Label1 = new QLabel(body());
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextInteractionFlags(Qt::TextSelectableByMouse);

    DirectoryListBox1 = new QListWidget(body());
    DirectoryListBox1->setObjectName(QStringLiteral("DirectoryListBox1"));
    DirectoryListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    DirectoryListBox1->setItemDelegate(new IndentDelegate(DirectoryListBox1));
    setHint(DirectoryListBox1, tr("Folder Navigation"));

    FilterComboBox1 = new QComboBox(body());
    FilterComboBox1->setObjectName(QStringLiteral("FilterComboBox1"));
    FilterComboBox1->addItem(QStringLiteral("Web files (*.htm;*.html)"), QStringLiteral("*.HTM*"));
    FilterComboBox1->addItem(QStringLiteral("Graphic files(*.gif;*.jpg)"),
                             QStringLiteral("*.GIF;*.JPG"));
    FilterComboBox1->setCurrentIndex(0);
    setHint(FilterComboBox1, tr("File mask."));

    FileListBox1 = new QListWidget(body());
    FileListBox1->setObjectName(QStringLiteral("FileListBox1"));
    FileListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    setHint(FileListBox1, tr("File list and individual file selection."));

    auto* grid2 = new QGridLayout(body());
    grid2->setContentsMargins(0, 0, 0, 0);
    grid2->addWidget(DriveComboBox1, 0, 0);
    grid2->addWidget(FilterComboBox1, 0, 1);
    grid2->addWidget(Label1, 1, 0, 1, 2);
    grid2->addWidget(DirectoryListBox1, 2, 0);
    grid2->addWidget(FileListBox1, 2, 1);
    grid2->setRowStretch(2, 1);

    CheckBox2 = new QCheckBox(tr("Show Info:"), Panel2);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox2->setChecked(false);
    setHint(CheckBox2, tr("Show results of file selections."));
    CheckBox1 = new QCheckBox(tr("Include Subs:"), Panel2);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setChecked(true);
    setHint(CheckBox1, tr("Include Subfolders."));
    buttonRow()->insertWidget(0, CheckBox2);
    buttonRow()->insertWidget(1, CheckBox1);

    // "Create Thumbs" is not the default button: Enter does not start a build. No
    // button may become the default either, as a button that takes the default while
    // it has the focus hands it back to "OK" when the focus moves on.
    OKBtn->setText(tr("Create Thumbs"));
    for (QPushButton* button : {OKBtn, CancelBtn, HelpBtn}) {
        button->setDefault(false);
        button->setAutoDefault(false);
    }
    setHint(OKBtn, tr("Create Thumbnails from Source selections."));

    fillDrives();
    m_fileMask = filterMask();
    const QString start = cleanFolder(QDir::currentPath());
    setDirectoryListFolder(start);
    setFileListFolder(start);
    Label1->setText(m_fileFolder);

    // A single press opens a folder (a folder list normally wants a double click),
    // and the file list follows. Enter on an entry does the same.
    auto openAndFollow = [this](QListWidgetItem*) {
        DirectoryListBox1MouseDown();
        DirectoryListBox1Click();
    };
    connect(DirectoryListBox1, &QListWidget::itemPressed, this, openAndFollow);
    connect(DirectoryListBox1, &QListWidget::itemActivated, this, openAndFollow);
    connect(FileListBox1, &QListWidget::itemSelectionChanged, this, &TfrmSelect::FileListBox1Click);
    connect(CheckBox1, &QCheckBox::toggled, this, &TfrmSelect::CheckBox1Click);
    connect(FilterComboBox1, &QComboBox::currentIndexChanged, this,
            &TfrmSelect::FilterComboBox1Change);
    connect(DriveComboBox1, &QComboBox::activated, this, &TfrmSelect::DriveComboBox1Change);
    connect(HelpBtn, &QPushButton::clicked, this, &TfrmSelect::HelpBtnClick);

    resize(560, 380);
    ConnectDependent();
}

void TfrmSelect::ConnectDependent()
{
    // The grid is bound but not used further by this dialog.
    m_grid = m_pendingGrid;
}

void TfrmSelect::SetFocus()
{
    DirectoryListBox1->setFocus();
}

void TfrmSelect::keyPressEvent(QKeyEvent* event)
{
    // Enter presses the button that has the focus; anywhere else it presses nothing
    // (the lists have had their say: an entry of the folder list opens).
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button && button->isEnabled())
            button->click();
        event->accept();
        return;
    }
    TfrmDDialog::keyPressEvent(event);
}

void TfrmSelect::fillDrives()
{
    QStringList roots;
    for (const QStorageInfo& s : QStorageInfo::mountedVolumes()) {
        if (s.isValid() && s.isReady() && !roots.contains(s.rootPath()))
            roots << s.rootPath();
    }
    roots.removeAll(QStringLiteral("/"));
    roots.sort();
    roots.prepend(QStringLiteral("/"));
    DriveComboBox1->clear();
    for (const QString& r : std::as_const(roots))
        DriveComboBox1->addItem(r, r);
}

QString TfrmSelect::driveOf(const QString& path) const
{
    QString best = QStringLiteral("/");
    for (int i = 0; i < DriveComboBox1->count(); ++i) {
        const QString root = DriveComboBox1->itemData(i).toString();
        const bool inside = path == root || path.startsWith(root.endsWith(QLatin1Char('/'))
                                                                ? root
                                                                : root + QLatin1Char('/'));
        if (inside && root.size() > best.size())
            best = root;
    }
    return best;
}

void TfrmSelect::setDirectoryListFolder(const QString& folder)
{
    m_openFolder = cleanFolder(folder);
    const QString drive = driveOf(m_openFolder);
    m_driveFolders.insert(drive, m_openFolder);
    const int driveIndex = DriveComboBox1->findData(drive);
    if (driveIndex >= 0)
        DriveComboBox1->setCurrentIndex(driveIndex);
    rebuildFolderList();
}

void TfrmSelect::rebuildFolderList()
{
    DirectoryListBox1->clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);

    // The open folder's ancestors from the root down, the open folder last.
    QStringList parts = m_openFolder.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString path = QStringLiteral("/");
    auto addEntry = [&](const QString& text, const QString& entryPath, int level,
                        const QIcon& icon) {
        auto* item = new QListWidgetItem(icon, text, DirectoryListBox1);
        item->setData(PathRole, entryPath);
        item->setData(LevelRole, level);
        return item;
    };
    QListWidgetItem* open = addEntry(QStringLiteral("/"), path, 0, openIcon);
    int level = 0;
    for (const QString& part : std::as_const(parts)) {
        path = path == QLatin1String("/") ? path + part : path + QLatin1Char('/') + part;
        open = addEntry(part, path, ++level, openIcon);
    }
    // Then its subfolders; a folder that cannot be read simply shows none.
    const FolderListing listing = FolderListing::read(m_openFolder, true);
    for (const QString& name : listing.folders) {
        const QString sub = m_openFolder == QLatin1String("/") ? m_openFolder + name
                                                               : m_openFolder + QLatin1Char('/') + name;
        addEntry(name, sub, level + 1, closedIcon);
    }
    DirectoryListBox1->setCurrentItem(open);
}

void TfrmSelect::setFileListFolder(const QString& folder)
{
    m_fileFolder = cleanFolder(folder);
    relistFiles();
}

void TfrmSelect::setFileMask(const QString& mask)
{
    m_fileMask = mask;
    relistFiles();
}

void TfrmSelect::relistFiles()
{
    m_updatingFiles = true;
    FileListBox1->clear();
    const FileMask mask(m_fileMask);
    const FolderListing listing = FolderListing::read(m_fileFolder, false);
    for (const QString& name : listing.files) {
        if (mask.matches(name))
            FileListBox1->addItem(name);
    }
    m_updatingFiles = false;
}

void TfrmSelect::DirectoryListBox1MouseDown()
{
    QListWidgetItem* item = DirectoryListBox1->currentItem();
    if (!item)
        return;
    const QString path = item->data(PathRole).toString();
    if (path != m_openFolder)
        setDirectoryListFolder(path);
}

void TfrmSelect::DirectoryListBox1Click()
{
    QListWidgetItem* item = DirectoryListBox1->currentItem();
    if (!item)
        return;
    setFileListFolder(item->data(PathRole).toString());
    Label1->setText(m_fileFolder);
}

void TfrmSelect::CheckBox1Click()
{
    if (!CheckBox1->isChecked() || FileListBox1->selectedItems().isEmpty())
        return;
    m_updatingFiles = true;
    FileListBox1->clearSelection();
    m_updatingFiles = false;
    relistFiles();
}

void TfrmSelect::FileListBox1Click()
{
    if (m_updatingFiles)
        return;
    if (CheckBox1->isChecked())
        CheckBox1->setChecked(false);
}

void TfrmSelect::FilterComboBox1Change()
{
    setFileMask(filterMask());
}

void TfrmSelect::DriveComboBox1Change()
{
    // The folder list moves to the drive's last open folder; the file list and the
    // path label follow at the next click in the folder list.
    const QString drive = DriveComboBox1->currentData().toString();
    if (drive.isEmpty())
        return;
    QString target = m_driveFolders.value(drive, drive);
    if (!QFileInfo(target).isDir())
        target = drive;
    setDirectoryListFolder(target);
}

void TfrmSelect::HelpBtnClick()
{
    if (m_main)
        m_main->ShowHelpContents();
}

QString TfrmSelect::folder() const
{
    return Label1->text();
}

QString TfrmSelect::fileListFolder() const
{
    return m_fileFolder;
}

QStringList TfrmSelect::selectedFileNames() const
{
    QStringList out;
    for (int i = 0; i < FileListBox1->count(); ++i) {
        if (FileListBox1->item(i)->isSelected())
            out << FileListBox1->item(i)->text();
    }
    return out;
}

QStringList TfrmSelect::selectedFilePaths() const
{
    QStringList out;
    const QString prefix = m_fileFolder.endsWith(QLatin1Char('/')) ? m_fileFolder
                                                                    : m_fileFolder + QLatin1Char('/');
    for (const QString& name : selectedFileNames())
        out << prefix + name;
    return out;
}

QString TfrmSelect::filterMask() const
{
    return FilterComboBox1->currentData().toString();
}

bool TfrmSelect::includeSubfolders() const
{
    return CheckBox1->isChecked();
}

bool TfrmSelect::showInfo() const
{
    return CheckBox2->isChecked();
}

bool TfrmSelect::PointAt(const QString& folder)
{
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return false;
    setDirectoryListFolder(folder);
    DirectoryListBox1Click();
    relistFiles();
    return true;
}

} // namespace zv
