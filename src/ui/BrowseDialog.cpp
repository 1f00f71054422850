#include "ui/BrowseDialog.h"

#include "ui/Prompt.h"
#include "ui/StayOnTopDialog.h"

#include "storage/ConfigurationFile.h"

#include <QComboBox>
#include <QDir>
#include <QFileIconProvider>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>

namespace pellmora::ui {

namespace {

const QString ParentFolder = QStringLiteral("..");

// The roots to choose from: the file system's own and every mounted volume
// that lives on a real device (no process, kernel or memory file systems).
QStringList driveRoots()
{
    QStringList roots;
    for (const QFileInfo &drive : QDir::drives())
        roots.append(QDir::cleanPath(drive.absoluteFilePath()));
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady() && volume.device().startsWith("/dev/"))
            roots.append(QDir::cleanPath(volume.rootPath()));
    }
    roots.removeDuplicates();
    roots.sort();
    return roots;
}

} // namespace

BrowseDialog::BrowseDialog(Prompt &prompt, QWidget *parent)
    : QDialog(parent, StayOnTopDialogFlags)
    , prompt_(prompt)
{
    prepareStayOnTopDialog(*this, QStringLiteral("BrowseDialog"), tr("Prohledávat..."));

    DriveBox = new QComboBox(this);
    DriveBox->setObjectName(QStringLiteral("DriveBox"));
    FolderPath = new QLabel(this);
    FolderPath->setObjectName(QStringLiteral("FolderPath"));
    FolderPath->setFixedWidth(400);
    DirectoryListBox = new QListWidget(this);
    DirectoryListBox->setObjectName(QStringLiteral("DirectoryListBox"));
    DirectoryListBox->setFixedSize(200, 240);
    FileListBox = new QListWidget(this);
    FileListBox->setObjectName(QStringLiteral("FileListBox"));
    FileListBox->setFixedSize(200, 240);
    BrowseOKBtn = new QPushButton(tr("&OK"), this);
    BrowseOKBtn->setObjectName(QStringLiteral("BrowseOKBtn"));
    BrowseCancelBtn = new QPushButton(tr("&Cancel"), this);
    BrowseCancelBtn->setObjectName(QStringLiteral("BrowseCancelBtn"));

    auto *grid = new QGridLayout;
    grid->addWidget(DriveBox, 0, 0);
    grid->addWidget(FolderPath, 1, 0, 1, 2);
    grid->addWidget(DirectoryListBox, 2, 0);
    grid->addWidget(FileListBox, 2, 1);
    layOutFixed(*this, grid, {}, {BrowseOKBtn, BrowseCancelBtn});

    fillDrives();
    setFolder(QDir::currentPath());

    connect(DriveBox, &QComboBox::activated, this, [this](int index) { setFolder(DriveBox->itemText(index)); });
    DirectoryListBox->installEventFilter(this);
    connect(DirectoryListBox, &QListWidget::itemActivated, this,
            [this](QListWidgetItem *item) { DirectoryListBoxActivated(DirectoryListBox->row(item)); });
    connect(BrowseOKBtn, &QPushButton::clicked, this, &BrowseDialog::BrowseOKBtnClick);
    connect(BrowseCancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void BrowseDialog::fillDrives()
{
    DriveBox->clear();
    DriveBox->addItems(driveRoots());
}

void BrowseDialog::browse(const QString &mask, int target, const QString &folder)
{
    mask_ = mask;
    browseTarget_ = target;
    const QFileInfo wanted(folder);
    setFolder(!folder.isEmpty() && wanted.isDir() ? wanted.absoluteFilePath() : QDir::currentPath());
    show();
    raise();
    activateWindow();
}

void BrowseDialog::setFolder(const QString &path)
{
    folder_ = QDir::cleanPath(QDir(path).absolutePath());
    FolderPath->setText(folder_);
    // The drive shown is the longest root the folder lies in.
    int drive = -1;
    for (int i = 0; i < DriveBox->count(); ++i) {
        const QString root = DriveBox->itemText(i);
        const bool within = folder_ == root || folder_.startsWith(root.endsWith(u'/') ? root : root + u'/');
        if (within && (drive < 0 || root.size() > DriveBox->itemText(drive).size()))
            drive = i;
    }
    DriveBox->setCurrentIndex(drive);
    fillFolders();
    fillFiles();
}

void BrowseDialog::fillFolders()
{
    DirectoryListBox->clear();
    QDir dir(folder_);
    if (!dir.isRoot())
        DirectoryListBox->addItem(ParentFolder);
    const QFileIconProvider icons;
    const QIcon folderIcon = icons.icon(QFileIconProvider::Folder);
    for (const QString &name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase))
        DirectoryListBox->addItem(new QListWidgetItem(folderIcon, name));
}

// The files of the folder that match the mask, whatever the case of their
// names (the mask "*.plm" also lists "KUCHYN.PLM").
void BrowseDialog::fillFiles()
{
    FileListBox->clear();
    const QFileIconProvider icons;
    const QFileInfoList files =
        QDir(folder_).entryInfoList({mask_}, QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &file : files)
        FileListBox->addItem(new QListWidgetItem(icons.icon(file), file.fileName()));
}

void BrowseDialog::DirectoryListBoxActivated(int row)
{
    const QListWidgetItem *item = DirectoryListBox->item(row);
    if (item == nullptr)
        return;
    QDir dir(folder_);
    if (item->text() == ParentFolder ? dir.cdUp() : dir.cd(item->text()))
        setFolder(dir.absolutePath());
}

// Enter in the folder list goes into the chosen folder and no further: the
// list would pass it on to the dialog, which takes it for OK.
bool BrowseDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == DirectoryListBox && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            DirectoryListBoxActivated(DirectoryListBox->currentRow());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// A folder is accepted only if it holds a file of the wanted type and the
// configuration file can store its path.
void BrowseDialog::BrowseOKBtnClick()
{
    fillFiles();
    if (FileListBox->count() == 0) {
        prompt_.message(this, tr("V adresáři neexistují žádné soubory s typu ") + mask_);
        return;
    }
    if (const std::optional<QChar> c = storage::UnstorableCharacter(folder_)) {
        prompt_.message(this, tr("Cestu ke složce nelze uložit do konfiguračního souboru, obsahuje znak '%1'. "
                                 "Vyberte jinou složku.")
                                  .arg(*c));
        return;
    }
    emit folderAccepted(browseTarget_, folder_);
    accept();
}

} // namespace pellmora::ui
