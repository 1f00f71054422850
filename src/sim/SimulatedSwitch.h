#pragma once

#include "port/PortIo.h"
#include "sim/SimOptions.h"

#include <QByteArray>
#include <QString>
#include <QTime>

#include <functional>
#include <memory>

namespace pellmora::sim {

class SimulatedSwitchModel;

// The hardware behind the serial ports, as the device link sees it: the four
// UARTs (register blocks at 0x3F8, 0x2F8, 0x3E8, 0x2E8), the interface on one of
// them (supply on the break bits, presence on CTS, SCL from DTR, SDA the
// wired-AND of RTS and every device, read back on DSR), and on the interface's
// bus the 24LC04 memory and the microcontroller with its clock, presence
// signal and echo.
//
// A port with no powered interface reads DSR set and CTS clear, so a byte sent
// there is refused rather than taken as acknowledged. The interface's supply
// takes 10 ms to settle after the break bits switch it on: until then the bus
// is dead and CTS clear. The microcontroller announces itself (data line held
// low until one clock pulse) once the bus has lain idle for 250 ms after
// power-up, or for 5 ms after a communication test's echo.
// Its firmware looks at the clock every 300 µs and notices the pulse that ends
// the announcement only when it saw the clock low for one bit slot of its
// speed; it lets go of the data line at its next look. It works the echo on
// the same looks and keeps up with a bus at its speed or slower only, while
// its bus hardware serves the clock transfers at any speed. The memory loses the
// page it is programming when its supply falls within the 5 ms write cycle. A
// pulled cable leaves the port's inputs open: CTS and DSR read clear, so the
// data line reads low and every byte looks acknowledged.
class SimulatedSwitch : public port::PortIo {
public:
    explicit SimulatedSwitch(SimOptions options);
    ~SimulatedSwitch() override; // saves the memory when a path is set
    SimulatedSwitch(const SimulatedSwitch &) = delete;
    SimulatedSwitch &operator=(const SimulatedSwitch &) = delete;

    quint8 PortIn(quint16 address) override;
    void PortOut(quint16 address, quint8 value) override;
    // The switch is not there for this run while its memory's state file
    // may not be used (another run holds it, or it is no regular file), as a
    // port that another program holds; recover() tries the file again.
    bool portFailed() const override;
    bool recover() override;
    QString closedReason() const override;

    // An adapter that cannot send a break says so (Fault::BreakRefused).
    bool supplyRefused() const override;

    const SimOptions &options() const;

    // The 512 memory cells (pages whose write cycle has started are included).
    QByteArray memory() const;
    // Replaces the memory; shorter input is padded with 0xFF, longer cut.
    void setMemory(const QByteArray &bytes);
    // Writes the memory to options().memoryPath atomically when it differs
    // from what the file holds; true when there is no path, nothing to write,
    // or the file was written. An unusable state file is only replaced once
    // the memory has really been changed.
    bool saveMemory(QString *error);
    // Why the state file could not be used at start (empty when it was read,
    // or there was none): the memory then starts fresh.
    QString memoryLoadProblem() const;

    QTime deviceTime() const;
    void setDeviceTime(QTime time);

    // The interface's lines as they are now: bus levels SCL and SDA, the
    // master's SDA output (RTS), the DSR and CTS inputs and the supply.
    struct Lines {
        bool scl = false;
        bool sda = false;
        bool sdaOut = false;
        bool dsr = false;
        bool cts = false;
        bool supply = false;
        bool operator==(const Lines &) const = default;
    };
    Lines lines() const;
    // Called (synchronously, inside PortIn/PortOut) whenever one of the lines
    // changes, and once at once with the present lines.
    void setLineObserver(std::function<void(const Lines &)> observer);

private:
    std::unique_ptr<SimulatedSwitchModel> model_;
};

} // namespace pellmora::sim
