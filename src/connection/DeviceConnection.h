#pragma once

#include "connection/LinkOptions.h"

#include "link/Link.h"
#include "link/LinkState.h"
#include "port/PortIo.h"

#include <QString>

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
class DeviceConnection {
public:
    // Opens the backend for `selectedPort` (0..3). A serial line is opened
    // here; direct I/O ports work over options.ioPorts, taken as the program
    // started; the simulated switch hangs on options.simPort.
    // Returns nullptr with a one-line text naming the cause in `error`.
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

    // Follows a change of SelectedPort (the port dialog): a serial-line
    // backend reopens on the new port's device (unless a device path was
    // given, which stays the port); direct I/O ports move to the new base
    // when a UART answered there as the program started (the ports of every
    // COM base are taken then, never later). The simulated switch and an
    // FTDI cable serve every port. On refusal the link stays on the port it had and `error`
    // says why. Refused too while a device operation runs.
    bool followSelectedPort(quint8 selectedPort, QString *error);
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
    std::unique_ptr<port::PortIo> openBackend(quint8 selectedPort, QString *error);
    std::unique_ptr<port::PortIo> openFtdi(QString *error);
    QString describe(quint8 selectedPort) const;

    LinkOptions options_;
    link::LinkState &state_;
    quint8 openedPort_;
    std::unique_ptr<port::PortIo> backend_;
    std::unique_ptr<Relay> relay_; // what the trace and the link drive: forwards to backend_
    sim::SimulatedSwitch *simulated_ = nullptr; // == backend_ when simulating
    QString ftdiSerial_;                        // the cable opened
    std::unique_ptr<sim::BusTrace> trace_;
    std::unique_ptr<link::Link> link_;
    bool finished_ = false;
};

} // namespace pellmora::connection
