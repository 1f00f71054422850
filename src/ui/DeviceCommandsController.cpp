#include "ui/DeviceCommandsController.h"

#include "ui/ComTest.h"
#include "ui/DeviceCommandsHost.h"
#include "ui/DeviceProgramming.h"
#include "ui/LoadingDeviceData.h"
#include "ui/Prompt.h"
#include "ui/Session.h"

#include "device/ComTest.h"
#include "device/DeviceMemory.h"
#include "link/Link.h"
#include "link/Timing.h"
#include "model/ProgramChecks.h"
#include "model/ProgramEditor.h"
#include "model/ProgramHeader.h"

#include <QAction>
#include <QMainWindow>
#include <QPushButton>

#include <functional>

using namespace pellmora::model;
using namespace pellmora::link;

namespace pellmora::ui {

DeviceCommandsController::DeviceCommandsController(DeviceCommandsHost &window, Prompt &prompt, QPushButton &load,
                                                   QPushButton &program)
    : QObject(&window.commandWindow()), window_(window), prompt_(prompt), load_(load), program_(program)
{
    connect(&load_, &QPushButton::clicked, this, &DeviceCommandsController::LoadDeviceDataClick);
    connect(&program_, &QPushButton::clicked, this, &DeviceCommandsController::ProgramDeviceClick);
}

bool DeviceCommandsController::linkBusy() const
{
    return link_ && link_->busy();
}

// A command that would touch the bus while another window's transfer holds
// it is refused with the busy text.
bool DeviceCommandsController::refusedWhileTransferring()
{
    if (!linkBusy())
        return false;
    showRefusal();
    return true;
}

// The busy text goes into the info bar: a message box would stop the
// transfer that holds the link until it was closed.
void DeviceCommandsController::showRefusal()
{
    window_.ShowInfo(device::busyText());
}

void DeviceCommandsController::showOutcome(const model::Notices &notices, bool started)
{
    if (started)
        window_.showNotices(notices);
    else
        showRefusal();
}

// While a device command runs, pending messages are processed so the window
// stays painted; its commands and the editor are locked meanwhile, so that no
// click pumped in can change the program under a transfer or start another.
class DeviceCommandsController::DeviceBusy {
public:
    explicit DeviceBusy(DeviceCommandsController &commands)
        : commands_(commands), window_(commands.window_.commandWindow())
    {
        commands_.busy_ = true;
        window_.centralWidget()->setEnabled(false);
        const QList<QAction *> actions = window_.findChildren<QAction *>();
        for (QAction *action : actions) {
            if (action->isEnabled()) {
                locked_.append(action);
                action->setEnabled(false);
            }
        }
    }
    ~DeviceBusy()
    {
        for (QAction *action : std::as_const(locked_))
            action->setEnabled(true);
        window_.centralWidget()->setEnabled(true);
        commands_.busy_ = false;
        emit commands_.idle();
    }
    DeviceBusy(const DeviceBusy &) = delete;
    DeviceBusy &operator=(const DeviceBusy &) = delete;

private:
    DeviceCommandsController &commands_;
    QMainWindow &window_;
    QList<QAction *> locked_;
};

// The window shows the bytes done and processes pending messages between the
// pages and blocks of a transfer.
device::TransferObserver DeviceCommandsController::transferObserver(TransferPanel *const &panel)
{
    device::TransferObserver transfer;
    transfer.progress = [&panel](int done, int total) {
        if (panel)
            panel->setProgress(done, total);
    };
    transfer.pump = [this] { window_.pump(); };
    return transfer;
}

void DeviceCommandsController::setDeviceWindows(const DeviceWindows &windows)
{
    if (windows_.comTest)
        disconnect(windows_.comTest, nullptr, this, nullptr);
    windows_ = windows;
    if (windows_.comTest)
        connect(windows_.comTest, &ComTest::resultAccepted, this, &DeviceCommandsController::comTestClosed);
}

void DeviceCommandsController::comTestClosed()
{
    load_.setEnabled(true);
    program_.setEnabled(true);
}

// The microcontroller's speed, the dialog shown and painted, then the test
// with its stages in the dialog; a success enables the device commands.
void DeviceCommandsController::ComunicationTestClick()
{
    if (!link_ || refusedWhileTransferring())
        return;
    const DeviceBusy busy(*this);
    CalibrateLoop(*link_, window_.session().link.PicBaudRate);
    ComTest *dialog = windows_.comTest;
    if (dialog)
        dialog->startTest();
    window_.pump();
    const std::function<void()> pump = [this] { window_.pump(); };
    device::ComTestObserver testObserver;
    testObserver.pump = pump;
    if (dialog)
        testObserver = dialog->testObserver(pump);
    const device::ComTestOutcome outcome = device::RunComTest(*link_, testObserver);
    if (outcome.connected)
        window_.SetDeviceCommandsEnabled(true);
    if (outcome.started)
        window_.setStatusPanel(2, outcome.connected ? tr("Připojeno") : tr("! nepřipojeno !"));
    showOutcome(outcome.notices, outcome.started);
    if (dialog)
        dialog->testEnded(outcome.connected);
}

void DeviceCommandsController::LoadDeviceDataClick()
{
    if (!link_)
        return;
    window_.ShowInfo(device::loadingInfo());
    load_.setEnabled(false);
    {
        const DeviceBusy busy(*this);
        TransferPanel *const panel = windows_.loading;
        if (panel)
            panel->showCentred();
        window_.pump();
        const device::DeviceOutcome outcome =
            device::ReadDeviceMemory(*link_, window_.session().program.image, transferObserver(panel));
        if (panel)
            panel->close();
        showOutcome(outcome.notices, outcome.started);
        window_.pump();
        if (outcome.started) {
            window_.editor().FillInstructionList();
            window_.ReloadProgram();
        }
    }
    load_.setEnabled(true);
}

// What the checks of the program find, in one question; nothing found,
// nothing asked.
bool DeviceCommandsController::programAnyway()
{
    const QString question =
        FindingsQuestion(ProgramFindings(window_.session().program, window_.programInFile()));
    return question.isEmpty() || prompt_.ask(&window_.commandWindow(), question, Prompt::Buttons::YesCancel);
}

// The checks and the question first; then the header packed, the image
// written and, when the write went through, verified with the verification's
// window over the programming window. The progress windows stay on top of
// everything, so they close before the outcome is shown.
void DeviceCommandsController::ProgramDeviceClick()
{
    if (!link_ || !programAnyway())
        return;
    window_.ShowInfo(device::programmingWarningInfo());
    if (!prompt_.ask(&window_.commandWindow(), device::programmingQuestion(), Prompt::Buttons::YesCancel))
        return;
    window_.ShowInfo(device::programmingInfo());
    program_.setEnabled(false);
    {
        const DeviceBusy busy(*this);
        PackHeader(window_.session().program);
        DeviceProgramming *panel = windows_.programming;
        if (panel)
            panel->showCentred();
        window_.pump();
        bool verified = false;
        TransferPanel *progress = panel;
        device::TransferObserver transfer = transferObserver(progress);
        transfer.verifying = [this, &verified, &progress] {
            verified = true;
            progress = windows_.loading;
            if (windows_.loading)
                windows_.loading->showVerifying();
            window_.pump();
        };
        const device::DeviceOutcome outcome =
            device::WriteDeviceMemory(*link_, window_.session().deviceMemory, window_.session().program.image, transfer);
        if (verified && windows_.loading)
            windows_.loading->closeVerifying();
        if (panel)
            panel->close();
        showOutcome(outcome.notices, outcome.started);
    }
    program_.setEnabled(true);
}

void DeviceCommandsController::VerificationClick()
{
    if (!link_)
        return;
    const DeviceBusy busy(*this);
    LoadingDeviceData *panel = windows_.loading;
    if (panel)
        panel->showVerifying();
    window_.pump();
    TransferPanel *const progress = panel;
    const device::DeviceOutcome outcome = device::VerifyDevice(
        *link_, window_.session().deviceMemory, window_.session().program.image, transferObserver(progress));
    if (panel)
        panel->closeVerifying();
    showOutcome(outcome.notices, outcome.started);
}

} // namespace pellmora::ui
