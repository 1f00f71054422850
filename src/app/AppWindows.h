#pragma once

// The windows of the application beside the main window, and the services
// that tie the main window to them and to the device link.

#include "ui/BaudRateCheckSystemForm.h"
#include "ui/BaudRateSetupForm.h"
#include "ui/BrowseDialog.h"
#include "ui/ComTest.h"
#include "ui/Configuration.h"
#include "ui/DatabaseDirectoriesForm.h"
#include "ui/DeviceOverviewForm.h"
#include "ui/DevelInfoForm.h"
#include "ui/DialogsInFront.h"
#include "ui/DeviceOperationsForm.h"
#include "ui/DeviceProgramming.h"
#include "ui/DeviceTimeDialog.h"
#include "ui/HelpAboutPic.h"
#include "ui/InactiveWindows.h"
#include "ui/InstructionsFormat.h"
#include "ui/LoadingDeviceData.h"
#include "ui/MainInterface.h"
#include "ui/MemoryReportForm.h"
#include "ui/OscCalibRoundForm.h"
#include "ui/OscCalibrationForm.h"
#include "ui/OpenFileDatabaseForm.h"
#include "ui/OpenToBoxForm.h"
#include "ui/PortSelection.h"
#include "ui/SeriesProgrammingForm.h"
#include "ui/Simulation.h"
#include "ui/SimulationSettingsForm.h"

#include <memory>
#include <optional>

class QTranslator;

namespace pellmora::connection {
class DeviceConnection;
struct LinkChoice;
}

namespace pellmora::ui {
struct Session;
}

namespace pellmora::app {

// The windows that live beside the main window for the whole run, created
// hidden once the main window has been shown.
struct Windows {
    std::unique_ptr<ui::InstructionsFormat> format;
    std::unique_ptr<ui::ComTest> comTest;
    std::unique_ptr<ui::DeviceProgramming> programming;
    std::unique_ptr<ui::LoadingDeviceData> loading;
    std::unique_ptr<ui::PortSelection> port;
    std::unique_ptr<ui::HelpAboutPic> about;
    std::unique_ptr<ui::Configuration> configuration;
    std::unique_ptr<ui::DeviceTimeDialog> deviceTime;
    std::unique_ptr<ui::OscCalibrationForm> calibration;
    std::unique_ptr<ui::DeviceOverviewForm> overview;
    std::unique_ptr<ui::OpenFileDatabaseForm> openFromDatabase;
    std::unique_ptr<ui::OpenToBoxForm> openToBox;
    std::unique_ptr<ui::DatabaseDirectoriesForm> directories;
    std::unique_ptr<ui::BrowseDialog> browse;
    std::unique_ptr<ui::Box1> box;
    std::unique_ptr<ui::Simulation> simulation;
    std::unique_ptr<ui::SimulationSettingsForm> simulationSettings;
    std::unique_ptr<ui::OscCalibRoundForm> rounding;
    std::unique_ptr<ui::BaudRateCheckSystemForm> checkPanel;
    std::unique_ptr<ui::BaudRateSetupForm> speed;
    std::unique_ptr<ui::MemoryReportForm> memoryReport;
    std::unique_ptr<ui::DevelInfoForm> develInfo;
    std::unique_ptr<ui::DeviceOperationsForm> deviceOperations;
    std::unique_ptr<ui::SeriesProgrammingForm> series;

    // The database overview's add command uses the main window's save
    // dialog and Save (`mainWindow`).
    void create(ui::Session &session, ui::Prompt &prompt, link::Link &link, ui::ProgramSaving &mainWindow);
    // Shows and raises one of the windows.
    void show(ui::OtherWindow window);
    void connect(ui::MainInterface &window);
    // The database and file location windows: the lists kept in step, and
    // a program opened from the database shown in the main window.
    void connectDatabase(ui::MainInterface &window);
    // The simulation: following the program and the speed chosen in its
    // settings window.
    void connectSimulation(ui::MainInterface &window);
    // The device connection follows the port and the link chosen in the port
    // dialog; when it cannot, the user is told why and the port in use stays
    // selected. A link chosen is stored in the user's settings for the next
    // start. While a device operation runs the dialog's OK is refused. The
    // status bar names the link in use, or why it is not open, whenever that
    // changes.
    void followPort(ui::MainInterface &window, connection::DeviceConnection &connection, ui::Prompt &prompt);
};

// The link in the port dialog's terms and back.
ui::LinkSelection linkSelectionOf(const connection::LinkChoice &choice);
connection::LinkChoice linkChoiceOf(const ui::LinkSelection &selection);

// The device lists of the port dialog: the machine's serial devices, and
// the FTDI cables connected.
QList<ui::DeviceEntry> serialDeviceEntries();
QList<ui::DeviceEntry> ftdiCableEntries();

// The link panel and the connection panel as the connection stands.
void showLinkState(ui::MainInterface &window, const connection::DeviceConnection &connection);

// What the main window asks of the application: the windows beside it,
// message pumping, calibration, link power, the configuration dialog, the
// wording dialog's user fields and the file dialogs. The main window is
// created and shown before the windows beside it: until they exist, the
// calibration runs without its panel and the dialogs' parts are left out.
class WindowServices : public ui::MainWindowServices {
public:
    WindowServices(Windows &windows, link::Link &link) : windows_(windows), link_(link) {}

    void showWindow(ui::OtherWindow window) override;
    void calibrateQuietly() override;
    void calibrationSequence() override;
    void linkPowerOn() override;
    void linkPowerOff() override;
    void pump() override;
    void configurationDialog() override;
    void selectPeriods(int periodCode) override;
    QStringList userWordFields() override;
    QString askOpenFileName(QWidget *parent, const QString &folder) override;
    QString askSaveFileName(QWidget *parent, const QString &title, const QString &folder) override;
    QString askReportFileName(QWidget *parent, const QString &proposed, const QString &folder) override;
    bool choosePrinter(QWidget *parent, QPrinter &printer) override;

private:
    Windows &windows_;
    link::Link &link_;
};

// The main window and the windows beside it, started in the order of
// start-up: the main window is created (device database) and shown
// (configuration, speeds, last program), then the others are created hidden.
struct ApplicationWindows {
    // Keeps message boxes and dialogs in front of the stay-on-top windows.
    std::unique_ptr<ui::DialogsInFront> dialogsInFront;
    Windows others;
    std::unique_ptr<WindowServices> services;
    std::unique_ptr<ui::MainInterface> main;

    void start(ui::Session &session, ui::Prompt &prompt, connection::DeviceConnection &connection);
};

// The application's name and Qt's own Czech texts for the standard buttons.
void prepareApplication(QTranslator &qtTranslation);

} // namespace pellmora::app
