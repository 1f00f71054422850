#pragma once

#include "ui/DeviceCommandsController.h"
#include "ui/DeviceCommandsHost.h"
#include "ui/InfoBar.h"
#include "ui/MainWindowServices.h"
#include "ui/ProgramSaving.h"

#include "model/Notice.h"
#include "model/ProgramEditor.h"
#include "model/SavedProgram.h"

#include <QMainWindow>
#include <QTimer>

#include <functional>
#include <memory>

class QAction;
class QFrame;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace pellmora::link {
class Link;
}

namespace pellmora::storage {
class FolderLock;
}

namespace pellmora::ui {

class EditorPanel;
class ProgramHistory;
class Prompt;
struct Session;

// The main window: the menus, the file commands, the scrolling info bar and
// the status bar around the program editor (EditorPanel) and the device
// commands (DeviceCommandsController). The menu bar and status bar are built
// in MainMenus.cpp, the file commands live in MainWindowFiles.cpp. What the
// window needs of the rest of the application (the windows beside it, the
// link's calibration and power, the file dialogs) it asks of the
// MainWindowServices it is created with.
//
// Operations other windows use:
//   ShowProgram()                   refresh the whole window from the program
//   UpdateTitle()                   caption from the device label
//   ShowInfo(text)                  scroll a message into the info bar
//   SetDeviceCommandsEnabled(bool)  the commands that need a tested connection
//   setStatusPanel(i, text)         one of the four status-bar panels
//   SaveChangesQuery()              before the program is replaced or the window
//                                   closes: "Program nebyl uložen. Uložit změny?"
//                                   when it differs from what was last loaded
//                                   or saved; false: the command does not go on
//   programInFile()                 a file holds the program as it is
//   programOpenedFromFile()         a program file was read into the image by
//                                   another window: list, reload, remembered
//
// Start-up and the window system's events:
//   FormShow()                      the first show: configuration, speeds, last program
//   windowPainted()                 the window was exposed (deferred, never inside a paint)
//   AppActivate() / AppDeactivate() recalibrate the speeds after a return to the application
//                                   (put off while a device transfer runs)
//   FormCloseQuery()                the closing question, link power off, configuration written
class MainInterface : public QMainWindow, public ProgramSaving, public DeviceCommandsHost {
    Q_OBJECT
public:
    // Creating the window records the start-up directory, takes its lock
    // and loads the device database; showing it reads the configuration and
    // reopens the last program.
    MainInterface(Session &session, Prompt &prompt, MainWindowServices &services, QWidget *parent = nullptr);
    ~MainInterface() override;

    Session &session() override { return session_; }
    model::ProgramEditor &editor() override { return editor_; }
    QMainWindow &commandWindow() override { return *this; }

    InfoBar &infoBar() { return info_; }
    const QString &StartUpDirectory() const { return startUpDirectory_; }
    // The save dialog, also offered by the database's add command under a
    // title of its own while that command runs.
    QString askSaveFileName() override { return saveFileName(); }
    QString saveDialogTitle() const override { return saveDialogTitle_; }
    void setSaveDialogTitle(const QString &title) override { saveDialogTitle_ = title; }
    void saveProgram() override { SaveClick(); }
    // A device transfer is running: nothing may replace or save the program.
    bool deviceBusy() const override;
    bool firstPaintPending() const { return firstPaint_; }
    bool recalibrationPending() const { return recalibrate_; }

    QString statusPanel(int index) const;
    void setStatusPanel(int index, const QString &text) override;
    void setStatusBarHint(const QString &text);
    void setLinkDescription(const QString &text);
    const QString &linkDescription() const { return linkDescription_; }
    // The link panel names the link in use; one that is not open names the
    // reason instead, and the connection panel says "! nepřipojeno !".
    void showLinkState(const QString &description, const QString &closedReason);
    // The link the device commands use; without one they do nothing.
    void setDeviceLink(link::Link *link);
    // The windows the device commands show while they run.
    using DeviceWindows = DeviceCommandsController::DeviceWindows;
    void setDeviceWindows(const DeviceWindows &windows);
    // Processes pending window messages.
    void pump() override;
    // Messages in the message box, info lines in the info bar.
    void showNotices(const model::Notices &notices) override;

    bool SaveChangesQuery();
    bool programInFile() const override;

public slots:
    void ShowProgram();
    void ReloadProgram() override;
    void ShowInfo(const QString &message) override;
    void UpdateTitle();
    void SetDeviceCommandsEnabled(bool enabled) override;
    void windowPainted();
    void AppActivate();
    void AppDeactivate();
    void TimeTimerTick();

    // File commands
    void NewTimerClick();
    void LoadFileClick();
    void SaveClick();
    void SaveAsClick();
    // The report of the program: into a PDF file, or onto a printer.
    void ReportPdfClick();
    void ReportPrintClick();
    void programOpenedFromFile();

    // The configuration dialog: the command, and its OK.
    void DeviceConfigurationClick();
    void configurationConfirmed();
    // The wording dialog's OK.
    void instructionFormatChanged();
    // "Kopíruj periodu...": the period on view to another period or to all others.
    void CopyPeriodClick();
    // "Zpět" and "Znovu": the changes to the program taken back and made again.
    void UndoClick();
    void RedoClick();

signals:
    // The window has shown the program anew: after every edit, period step,
    // start-up change, loaded or reset program and wording change.
    void programShown();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildWindow();
    QWidget *buildGeneralGroup();
    void buildMenus();     // MainMenus.cpp
    void buildStatusBar(); // MainMenus.cpp
    bool isMenuShortcut(const QKeyEvent &key) const;
    void queuePaint();
    void fitToContents();
    static int linkPanelMinimumWidth(); // MainMenus.cpp
    void showWelcome();
    void firstPaint();
    void resumeRecalibration();
    void openDatabase();
    void FormShow();
    bool FormCloseQuery();
    void showEditorView(const model::EditorView &view);
    QString openFileName(); // MainWindowFiles.cpp
    QString saveFileName();
    bool saveProgramFile();
    bool saveProgramFileAs();
    void rememberProgram(bool inFile);
    void showRestored();
    void updateUndoItems();

    Session &session_;
    model::ProgramEditor editor_;
    model::SavedProgram saved_; // the program as last loaded, saved or started anew
    std::unique_ptr<ProgramHistory> history_;
    Prompt &prompt_;
    MainWindowServices &services_;
    InfoBar info_;
    QTimer TimeTimer;
    QString startUpDirectory_;
    std::unique_ptr<storage::FolderLock> folderLock_;
    QString configurationKept_; // why the configuration file is not written at close; empty: it is
    QString saveDialogTitle_ = tr("Uložit soubor...");
    QString linkDescription_;
    bool firstPaint_ = true;
    bool recalibrate_ = false;
    bool recalibrationPutOff_ = false;
    bool shownOnce_ = false;
    bool paintQueued_ = false;
    bool showing_ = false;

    EditorPanel *editorPanel_ = nullptr;
    DeviceCommandsController *deviceCommands_ = nullptr;

    // General group
    QPushButton *ComunicationTest = nullptr;
    QPushButton *LoadDeviceData = nullptr;
    QPushButton *ProgramDevice = nullptr;
    QPushButton *DeviceConfiguration = nullptr;
    QPushButton *InstructionFormatButton = nullptr;
    QPushButton *PortName = nullptr;

    // Menu items the window enables, checks or renames
    QAction *Verification = nullptr;
    QAction *LoadData = nullptr;
    QAction *Programming = nullptr;
    QAction *DeviceTime = nullptr;
    QAction *LightSwitchMenu = nullptr;
    QAction *GeneralExit = nullptr;
    QAction *UndoMenu = nullptr;
    QAction *RedoMenu = nullptr;

    QLineEdit *InfoBarEdit = nullptr;
    QList<QLabel *> statusPanels_;
    QLabel *linkPanel_ = nullptr;
};

} // namespace pellmora::ui
