#pragma once

#include "ui/InfoBar.h"

#include "model/Notice.h"
#include "model/ProgramEditor.h"

#include <QMainWindow>
#include <QTimer>

#include <functional>
#include <memory>

class QAction;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QToolButton;

namespace pellmora::link {
class Link;
}

namespace pellmora::device {
struct TransferHooks;
}

namespace pellmora::storage {
class FolderLock;
}

namespace pellmora::ui {

class ComTest;
class DeviceProgramming;
class LoadingDeviceData;
class Prompt;
struct Session;

// The main window: the program editor, the file commands, the device
// commands, the scrolling info bar and the status bar.
//
// Operations other windows use:
//   ShowProgram()                   refresh the whole window from the program
//   UpdateTitle()                   caption from the device label
//   ShowInfo(text)                  scroll a message into the info bar
//   SetDeviceCommandsEnabled(bool)  the commands that need a tested connection
//   setStatusPanel(i, text)         one of the four status-bar panels
//
// Start-up and the window system's events:
//   FormShow()                      the first show: configuration, speeds, last program
//   windowPainted()                 the window was exposed (deferred, never inside a paint)
//   AppActivate() / AppDeactivate() recalibrate the speeds after a return to the application
//                                   (put off while a device transfer runs)
//   FormCloseQuery()                the closing question, link power off, configuration written
class MainInterface : public QMainWindow {
    Q_OBJECT
public:
    // Hooks into the rest of the application, set by main() and by tests.
    // Every hook may stay empty.
    struct Hooks {
        std::function<void()> calibrateQuietly;    // both speeds, no panel (first show)
        std::function<void()> calibrationSequence; // both speeds behind the check panel
        std::function<void()> linkPowerOn;
        std::function<void()> linkPowerOff;
        std::function<void()> pump;                // process pending window messages
        std::function<void()> configurationDialog; // shows the configuration dialog modally
        std::function<void(int)> selectPeriods;    // the configuration dialog's period choice
        std::function<QStringList()> userWordFields; // the wording dialog's two user fields
        std::function<QString()> askOpenFileName;  // empty: cancelled
        std::function<QString()> askSaveFileName;  // empty: cancelled
    };

    // Creating the window records the start-up directory, takes its lock
    // and loads the device database; showing it reads the configuration and
    // reopens the last program.
    MainInterface(Session &session, Prompt &prompt, Hooks hooks, QWidget *parent = nullptr);
    ~MainInterface() override;

    Session &session() { return session_; }
    model::ProgramEditor &editor() { return editor_; }

    InfoBar &infoBar() { return info_; }
    const QString &StartUpDirectory() const { return startUpDirectory_; }
    // The save dialog, also offered by the database's add command under a
    // title of its own while that command runs.
    QString askSaveFileName() { return saveFileName(); }
    const QString &saveDialogTitle() const { return saveDialogTitle_; }
    void setSaveDialogTitle(const QString &title) { saveDialogTitle_ = title; }
    // A device transfer is running: nothing may replace or save the program.
    bool deviceBusy() const { return deviceBusy_; }
    bool firstPaintPending() const { return firstPaint_; }
    bool recalibrationPending() const { return recalibrate_; }

    QString statusPanel(int index) const;
    void setStatusPanel(int index, const QString &text);
    void setStatusBarHint(const QString &text);
    void setLinkDescription(const QString &text);
    const QString &linkDescription() const { return linkDescription_; }
    // The link the device commands use; without one they do nothing.
    void setDeviceLink(link::Link *link) { deviceLink_ = link; }
    // The windows the device commands show while they run; without them the
    // commands run all the same.
    struct DeviceWindows {
        ComTest *comTest = nullptr;
        DeviceProgramming *programming = nullptr;
        LoadingDeviceData *loading = nullptr;
    };
    void setDeviceWindows(const DeviceWindows &windows);

public slots:
    void ShowProgram();
    void ReloadProgram();
    void ShowInfo(const QString &message);
    void UpdateTitle();
    void SetDeviceCommandsEnabled(bool enabled);
    void windowPainted();
    void AppActivate();
    void AppDeactivate();
    void TimeTimerTick();

    // File commands
    void NewTimerClick();
    void LoadFileClick();
    void SaveClick();
    void SaveAsClick();

    // The configuration dialog: the command, and its OK.
    void DeviceConfigurationClick();
    void configurationConfirmed();
    // The wording dialog's OK.
    void instructionFormatChanged();

    // Device commands
    void ComunicationTestClick();
    void LoadDeviceDataClick();
    void ProgramDeviceClick();
    void VerificationClick();
    // The communication test's result button: the load and program buttons
    // become usable whatever the test found.
    void comTestClosed();

signals:
    // Commands whose windows live elsewhere; the application connects them.
    void instructionFormatRequested();
    void speedDialogRequested();
    void aboutRequested();
    void openFromDatabaseRequested();
    void devicesOverviewRequested();
    void openToBoxRequested();
    void databaseDirectoriesRequested();
    void portDialogRequested();
    void developmentInfoRequested();
    void deviceTimeRequested();
    void oscillatorCalibrationRequested();
    void memoryReportRequested();
    void deviceOperationsRequested();
    void simulationRequested();
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
    class DeviceBusy;
    device::TransferHooks transferHooks();
    void buildWindow();
    QWidget *buildInstructionGroup();
    QWidget *buildProgrammerGroup();
    QWidget *buildGeneralGroup();
    QWidget *buildPeriodsPanel();
    void buildMenus();
    void buildStatusBar();
    void queuePaint();
    void fitToContents();
    void showWelcome();
    void firstPaint();
    void resumeRecalibration();
    bool linkBusy() const;
    bool refusedWhileTransferring();
    void pump();
    void openDatabase();
    void FormShow();
    bool FormCloseQuery();
    void showNotices(const model::Notices &notices);
    void applyView();
    void applyField(QLineEdit *field, const QString &text, int caret);
    void InDelayChange();
    void StartUpTimeChange();
    void LightSwitchClick();
    void runEdit(model::Notices (model::ProgramEditor::*action)());
    void NewInstructionClick();
    void InsertInstructionClick();
    void ChangeInstructionClick();
    void DeleteInstructionClick();
    void InstructionsBoxClick(int index);
    void NextPeriodClick();
    void BackPeriodClick();
    QString openFileName();
    QString saveFileName();

    Session &session_;
    link::Link *deviceLink_ = nullptr;
    DeviceWindows deviceWindows_;
    model::ProgramEditor editor_;
    Prompt &prompt_;
    Hooks hooks_;
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
    bool applying_ = false;
    bool showing_ = false;
    bool deviceBusy_ = false;

    // Editor
    QGroupBox *InstuctionGB = nullptr;
    QListWidget *InstructionsBox = nullptr;
    QLabel *EELIOut = nullptr;
    QLabel *CurrentPosition = nullptr;
    QGroupBox *Programmer = nullptr;
    QLineEdit *InDelay = nullptr;
    QLineEdit *Instruction = nullptr;
    QToolButton *LightSwitch = nullptr;
    QToolButton *GlyphContainerON = nullptr;
    QToolButton *GlyphContainerOFF = nullptr;
    QPushButton *NewInstruction = nullptr;
    QPushButton *DeleteInstruction = nullptr;
    QPushButton *InsertInstruction = nullptr;
    QPushButton *ChangeInstruction = nullptr;
    QLineEdit *StartUpTime = nullptr;
    QPushButton *BackPeriod = nullptr;
    QPushButton *NextPeriod = nullptr;
    QLabel *OutPeriod = nullptr;
    QMenu *PopupMenuBox = nullptr;
    QAction *DeleteInstructionPopUp = nullptr;
    QAction *InsertInstructionPopUp = nullptr;
    QAction *ChangeInstructionPopUp = nullptr;

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

    QLineEdit *InfoBarEdit = nullptr;
    QList<QLabel *> statusPanels_;
    QLabel *linkPanel_ = nullptr;
};

} // namespace pellmora::ui
