#pragma once

#include <QObject>

class QPushButton;

namespace pellmora::link {
class Link;
}

namespace pellmora::device {
struct TransferHooks;
}

namespace pellmora::ui {

class ComTest;
class DeviceProgramming;
class LoadingDeviceData;
class MainInterface;
class Prompt;

// The main window's device commands: the communication test, loading,
// programming and verification over the device link, with their progress
// windows. While one runs the window is busy: its controls and menu items
// are locked and nothing may replace or save the program.
class DeviceCommandsController : public QObject {
    Q_OBJECT
public:
    // The windows the device commands show while they run; without them the
    // commands run all the same.
    struct DeviceWindows {
        ComTest *comTest = nullptr;
        DeviceProgramming *programming = nullptr;
        LoadingDeviceData *loading = nullptr;
    };

    // The load and program buttons are the window's; a command disables its
    // own button while it runs.
    DeviceCommandsController(MainInterface &window, Prompt &prompt, QPushButton &load, QPushButton &program);

    // The link the device commands use; without one they do nothing.
    void setDeviceLink(link::Link *link) { link_ = link; }
    link::Link *deviceLink() const { return link_; }
    void setDeviceWindows(const DeviceWindows &windows);
    // A device command of this window is running.
    bool busy() const { return busy_; }
    // Another window's transfer holds the link.
    bool linkBusy() const;
    // Shows the busy text and answers true while the link is held.
    bool refusedWhileTransferring();

public slots:
    void ComunicationTestClick();
    void LoadDeviceDataClick();
    void ProgramDeviceClick();
    void VerificationClick();
    // The communication test's result button: the load and program buttons
    // become usable whatever the test found.
    void comTestClosed();

signals:
    // A device command has ended and the window is usable again.
    void idle();

private:
    class DeviceBusy;
    device::TransferHooks transferHooks();

    MainInterface &window_;
    Prompt &prompt_;
    QPushButton &load_;
    QPushButton &program_;
    link::Link *link_ = nullptr;
    DeviceWindows windows_;
    bool busy_ = false;
};

} // namespace pellmora::ui
