#pragma once

#include "connection/LinkChoice.h"
#include "connection/LinkOptions.h"

#include "link/Link.h"
#include "link/LinkState.h"
#include "port/PortIo.h"

#include <QString>

#include <functional>
#include <memory>

namespace pellmora::sim {
class SimulatedSwitch;
class BusTrace;
}

namespace pellmora::link {
class FtdiSystem;
}

namespace pellmora::connection {

// The serial numbers of the FTDI cables connected now, for offering the
// cable as a link; empty when there are none or the USB buses cannot be
// searched (then `error` says why).
QStringList ConnectedFtdiCables(QString *error = nullptr);
QStringList ConnectedFtdiCables(link::FtdiSystem &system, QString *error = nullptr);

// The port backend chosen by the link options, with the optional bus trace
// over it and the one Link that every device operation of the process uses.
// Created once by the application (or a command, or a test) over the
// process-wide LinkState.
//
// A backend that cannot be opened (a serial device that is not plugged in,
// no permission, no I/O ports) leaves the connection closed: closedReason()
// says why, every access reaches nothing and fails (PortIo::portFailed), and
// each device operation, as it starts, tries to open it again.
class DeviceConnection {
public:
    // Creates the connection on `selectedPort` (0..3) and opens its backend:
    // a serial line is opened here; direct I/O ports work over
    // options.ioPorts, taken as the program started; the simulated switch
    // hangs on options.simPort. A backend that cannot be opened leaves the
    // connection closed. Returns nullptr only for a port that does not
    // exist, with a one-line text in `error`.
    static std::unique_ptr<DeviceConnection> create(const LinkOptions &options, link::LinkState &state,
                                                    quint8 selectedPort, QString *error);
    // The same for a command that can do nothing without the device: a
    // backend that cannot be opened gives nullptr with the reason in `error`.
    static std::unique_ptr<DeviceConnection> open(const LinkOptions &options, link::LinkState &state,
                                                  quint8 selectedPort, QString *error);
    ~DeviceConnection();
    DeviceConnection(const DeviceConnection &) = delete;
    DeviceConnection &operator=(const DeviceConnection &) = delete;

    port::PortIo &io();          // what link::Link drives: the trace when one is recorded, else the backend
    link::Link &link();
    link::LinkState &state();
    Backend backend() const;

    // One line for the window and --verbose, e.g. "simulovaný spínač na COM1",
    // "porty I/O 0x3F8", "/dev/ttyS0", "kabel FTDI FT4711".
    QString description() const;
    // Why the backend is not open, in a sentence naming the device; empty
    // while it is open.
    QString closedReason() const;
    // The link in use, as the port dialog offers it and the settings keep it.
    LinkChoice linkChoice() const { return linkChoiceOf(options_); }
    // Called whenever the backend in use changes: opened at last, replaced,
    // or found closed (with another reason) by an operation that starts.
    void setStateObserver(std::function<void()> observer) { observer_ = std::move(observer); }

    // Follows a change of SelectedPort (the port dialog): a serial-line
    // backend reopens on the new port's device (unless a device path was
    // given, which stays the port); direct I/O ports move to the new base
    // when a UART answered there as the program started (the ports of every
    // COM base are taken then, never later). The simulated switch and an
    // FTDI cable serve every port. On refusal the link stays on the port it
    // had and `error` says why. Refused too while a device operation runs. A
    // closed link moves to the new port and tries to open there.
    bool followSelectedPort(quint8 selectedPort, QString *error);
    // Moves to another link (the port dialog) on `selectedPort`: its backend
    // opened, or the connection left closed with the reason. Refused, with
    // the reason in `error` and nothing changed, while a device operation
    // runs or while the bus is traced on another backend.
    bool changeLink(const LinkChoice &choice, quint8 selectedPort, QString *error);
    quint8 openedPort() const { return openedPort_; }

    // The simulated switch when the backend is the simulation, else nullptr.
    sim::SimulatedSwitch *simulatedSwitch();

    // Ends the run: writes the bus trace (atomically) and saves the simulated
    // memory when they are in use. Also done by the destructor if not called;
    // call it to learn whether it worked.
    bool finish(QString *error);

private:
    class Relay;
    DeviceConnection(const LinkOptions &options, link::LinkState &state, quint8 selectedPort);
    std::unique_ptr<port::PortIo> openDevice(quint8 selectedPort, QString *error);
    std::unique_ptr<port::PortIo> openFtdi(QString *error);
    void openOn(quint8 selectedPort);
    void use(std::unique_ptr<port::PortIo> device, const QString &reason);
    bool recoverBackend();
    bool refusesMove(quint8 selectedPort, QString &message) const;
    QString describe(quint8 selectedPort) const;
    void notify();

    LinkOptions options_;
    link::LinkState &state_;
    quint8 openedPort_;
    // Made when the simulated switch is first used and kept to the end, when
    // its memory is saved, also while another link is in use.
    std::unique_ptr<sim::SimulatedSwitch> simulation_;
    std::unique_ptr<port::PortIo> device_; // the real backend in use, if any
    port::PortIo *active_ = nullptr;       // simulation_, device_, or nullptr while closed
    QString closedReason_;                 // why active_ is nullptr
    std::unique_ptr<Relay> relay_;         // what the trace and the link drive: forwards to active_
    QString ftdiSerial_;                   // the FTDI cable last opened
    std::unique_ptr<sim::BusTrace> trace_;
    std::unique_ptr<link::Link> link_;
    std::function<void()> observer_;
    bool finished_ = false;
};

} // namespace pellmora::connection
