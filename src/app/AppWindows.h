#pragma once

// The windows of the application beside the main window, and the hooks that
// tie the main window to them and to the device link.

#include "BaudRateCheckSystemForm.h"
#include "BaudRateSetupForm.h"
#include "BrowseDialog.h"
#include "ComTest.h"
#include "Configuration.h"
#include "DatabaseDirectoriesForm.h"
#include "DeviceOverviewForm.h"
#include "DevelInfoForm.h"
#include "DeviceOperationsForm.h"
#include "DeviceProgramming.h"
#include "DeviceTimeDialog.h"
#include "HelpAboutPic.h"
#include "InactiveWindows.h"
#include "InstructionsFormat.h"
#include "LoadingDeviceData.h"
#include "MainInterface.h"
#include "MemoryReportForm.h"
#include "OscCalibRoundForm.h"
#include "OscCalibrationForm.h"
#include "OpenFileDatabaseForm.h"
#include "OpenToBoxForm.h"
#include "PortSelection.h"

#include <memory>

class QTranslator;

namespace pellmora::device {
class DeviceConnection;
}

namespace pellmora::ui {

struct Session;

// The windows that live beside the main window for the whole run, created
// hidden once the main window has been shown.
struct Windows {
    std::unique_ptr<InstructionsFormat> format;
    std::unique_ptr<ComTest> comTest;
    std::unique_ptr<DeviceProgramming> programming;
    std::unique_ptr<LoadingDeviceData> loading;
    std::unique_ptr<PortSelection> port;
    std::unique_ptr<HelpAboutPic> about;
    std::unique_ptr<Configuration> configuration;
    std::unique_ptr<DeviceTimeDialog> deviceTime;
    std::unique_ptr<OscCalibrationForm> calibration;
    std::unique_ptr<DeviceOverviewForm> overview;
    std::unique_ptr<OpenFileDatabaseForm> openFromDatabase;
    std::unique_ptr<OpenToBoxForm> openToBox;
    std::unique_ptr<DatabaseDirectoriesForm> directories;
    std::unique_ptr<BrowseDialog> browse;
    std::unique_ptr<Box1> box;
    std::unique_ptr<Simulation> simulation;
    std::unique_ptr<SimulationSettingsForm> simulationSettings;
    std::unique_ptr<OscCalibRoundForm> rounding;
    std::unique_ptr<BaudRateCheckSystemForm> checkPanel;
    std::unique_ptr<BaudRateSetupForm> speed;
    std::unique_ptr<MemoryReportForm> memoryReport;
    std::unique_ptr<DevelInfoForm> develInfo;
    std::unique_ptr<DeviceOperationsForm> deviceOperations;

    void create(Session &session, Prompt &prompt, Link &link);
    void connect(MainInterface &window);
    // The clock, calibration and memory windows: shown by their menu items.
    void connectDeviceWindows(MainInterface &window);
    // The database and file location windows: menu items, the main
    // window's save dialog and Save, and the lists kept in step.
    void connectDatabase(MainInterface &window);
    // The device connection follows the port chosen in the port dialog; when
    // it cannot, the user is told why and the port in use stays selected.
    // While a device operation runs the dialog's OK is refused.
    void followPort(MainInterface &window, device::DeviceConnection &connection, Prompt &prompt);
};

// The main window's hooks: message pumping, calibration, link power, the
// configuration dialog and the wording dialog's user fields.
MainInterface::Hooks hooksFor(device::DeviceConnection &connection, Windows &windows);

// The main window and the windows beside it, started in the order of
// start-up: the main window is created (device database) and shown
// (configuration, speeds, last program), then the others are created hidden.
struct ApplicationWindows {
    Windows others;
    std::unique_ptr<MainInterface> main;

    void start(Session &session, Prompt &prompt, device::DeviceConnection &connection);
};

// The application's name and Qt's own Czech texts for the standard buttons.
void prepareApplication(QTranslator &qtTranslation);

} // namespace pellmora::ui
