#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace pellmora::ui {

class Prompt;

// "Prohledávat...": the folder browser of the file locations dialog. A drive
// choice, the folder list (the folder's path, its parent ".." and its
// subfolders; a double click or Enter goes into one) and the files of that
// folder matching the mask. OK accepts the folder only if it holds at least
// one file of the wanted type and its path is one that the configuration
// file can store (no apostrophe, only characters of code page 1250); Enter
// never accepts. Browsing never changes the process's current directory.
// Fixed size, stays on top, not modal.
//
// Signals for the file locations dialog:
//   folderAccepted(target, folder): OK with the folder's full path, for the
//     field chosen by BrowseTarget (1: program files, 2: database).
class BrowseDialog : public QDialog {
    Q_OBJECT
public:
    explicit BrowseDialog(Prompt &prompt, QWidget *parent = nullptr);

    QString mask() const { return mask_; }
    int BrowseTarget() const { return browseTarget_; }
    QString folder() const { return folder_; }
    // Shows `path` (an absolute folder) in the folder and file lists.
    void setFolder(const QString &path);

public slots:
    // Sets the mask and the target, opens the folder (or, when it does not
    // exist, the current directory) and shows the browser.
    void browse(const QString &mask, int target, const QString &folder);

signals:
    void folderAccepted(int target, const QString &folder);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fillDrives();
    void fillFolders();
    void fillFiles();
    void DirectoryListBoxActivated(int row);
    void BrowseOKBtnClick();

    Prompt &prompt_;
    QString mask_ = QStringLiteral("*.plm");
    int browseTarget_ = 0;
    QString folder_;

    QComboBox *DriveBox = nullptr;
    QLabel *FolderPath = nullptr;
    QListWidget *DirectoryListBox = nullptr;
    QListWidget *FileListBox = nullptr;
    QPushButton *BrowseOKBtn = nullptr;
    QPushButton *BrowseCancelBtn = nullptr;
};

} // namespace pellmora::ui
