#pragma once

#include <QString>
#include <QStringList>

class QPrinter;
class QWidget;

namespace pellmora::ui {

// The windows beside the main window that its commands show.
enum class OtherWindow {
    InstructionFormat,
    SpeedDialog,
    About,
    OpenFromDatabase,
    DevicesOverview,
    OpenToBox,
    DatabaseDirectories,
    PortDialog,
    DevelopmentInfo,
    DeviceTime,
    OscillatorCalibration,
    MemoryReport,
    DeviceOperations,
    Simulation,
    SeriesProgramming,
};

// What the main window asks of the rest of the application: the windows
// beside it, the device link's calibration and power, message pumping and
// the file dialogs. The application hands one in when it creates the window;
// tests hand in a fake.
class MainWindowServices {
public:
    virtual ~MainWindowServices() = default;

    // Shows and raises a window beside the main window.
    virtual void showWindow(OtherWindow window) = 0;
    // Both speeds calibrated without the check panel (the first show).
    virtual void calibrateQuietly() = 0;
    // Both speeds calibrated behind the check panel.
    virtual void calibrationSequence() = 0;
    virtual void linkPowerOn() = 0;
    virtual void linkPowerOff() = 0;
    // Processes pending window messages.
    virtual void pump() = 0;
    // The configuration dialog, modally.
    virtual void configurationDialog() = 0;
    // The configuration dialog's period choice follows the program's code.
    virtual void selectPeriods(int periodCode) = 0;
    // The wording dialog's two user fields, as the configuration keeps them.
    virtual QStringList userWordFields() = 0;
    // The program file dialogs, opened in `folder` (empty: the current
    // directory); an empty name: cancelled.
    virtual QString askOpenFileName(QWidget *parent, const QString &folder) = 0;
    virtual QString askSaveFileName(QWidget *parent, const QString &title, const QString &folder) = 0;
    // The PDF the program's report is written into, `proposed` offered in
    // `folder`; an empty name: cancelled.
    virtual QString askReportFileName(QWidget *parent, const QString &proposed, const QString &folder) = 0;
    // The printer the report goes to, chosen and set up; false: cancelled.
    virtual bool choosePrinter(QWidget *parent, QPrinter &printer) = 0;
};

} // namespace pellmora::ui
