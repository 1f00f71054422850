#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace pellmora::storage {
struct FileLocations;
}

namespace pellmora::ui {

class Prompt;

// "Umístění souborů...": the folder of the program files (DeviceDirectory)
// and the database folder (SystemDirectory). Every show loads both fields
// from the settings; OK stores them as typed, Cancel leaves the settings as
// they were; a folder the configuration file cannot carry is refused at OK
// with the reason. Fixed size, stays on top, not modal, centred on the screen.
//
// Signals for the folder browser:
//   browseRequested(mask, target, folder): the browser is to open at `folder`
//     listing the files of `mask`; target 1 is the program files field, 2 the
//     database field. The browser answers with setBrowsedFolder.
class DatabaseDirectoriesForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int ProgramFilesTarget = 1;
    static constexpr int DatabaseTarget = 2;

    DatabaseDirectoriesForm(storage::FileLocations &locations, Prompt &prompt, QWidget *parent = nullptr);

public slots:
    // The folder the browser accepted, into the field chosen by `target`.
    void setBrowsedFolder(int target, const QString &folder);

signals:
    void browseRequested(const QString &mask, int target, const QString &folder);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();
    void Button3Click();

    storage::FileLocations &locations_;
    Prompt &prompt_;

    QLabel *Label1 = nullptr;
    QLineEdit *DeviceDataFileDirectoryText = nullptr;
    QPushButton *BrowseBtnPLM = nullptr;
    QToolButton *SpeedButton1 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *DatabaseFileText = nullptr;
    QPushButton *BrowseBtnDDL = nullptr;
    QToolButton *SpeedButton2 = nullptr;
    QPushButton *Button3 = nullptr;
    QPushButton *Button4 = nullptr;
};

} // namespace pellmora::ui
