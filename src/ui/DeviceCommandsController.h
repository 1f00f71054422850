#pragma once

#include "model/Notice.h"

#include <QObject>

class QPushButton;

namespace pellmora::link {
class Link;
}

namespace pellmora::device {
struct TransferObserver;
}

namespace pellmora::ui {

class ComTest;
class DeviceCommandsHost;
class DeviceProgramming;
class LoadingDeviceData;
class Prompt;
class TransferPanel;

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
    // own button while it runs. Programming starts with the checks of the
    // program: their findings in one question, which the user may decline.
    DeviceCommandsController(DeviceCommandsHost &window, Prompt &prompt, QPushButton &load, QPushButton &program);

    // The link the device commands use; without one they do nothing.
    void setDeviceLink(link::Link *link) { link_ = link; }
    link::Link *deviceLink() const { return link_; }
    void setDeviceWindows(const DeviceWindows &windows);
    // A device command of this window is running.
    bool busy() const { return busy_; }
    // Another window's transfer holds the link.
    bool linkBusy() const;
    // Shows the busy text in the info bar and answers true while the link is held.
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
    // Pending messages processed between the steps of a transfer, and the
    // bytes done shown in the progress window `panel` points at when they
    // come (programming moves on to the verification's window).
    device::TransferObserver transferObserver(TransferPanel *const &panel);
    // The findings of the checks before programming; false: the user declined.
    bool programAnyway();
    void showRefusal();
    // A command's notices; one refused because the link was held shows only
    // the busy text, in the info bar.
    void showOutcome(const model::Notices &notices, bool started);

    DeviceCommandsHost &window_;
    Prompt &prompt_;
    QPushButton &load_;
    QPushButton &program_;
    link::Link *link_ = nullptr;
    DeviceWindows windows_;
    bool busy_ = false;
};

} // namespace pellmora::ui
