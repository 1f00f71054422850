#pragma once

#include "sim/SimulatedSwitch.h"
#include "port/PortIo.h"

#include <QString>

#include <memory>
#include <vector>

namespace pellmora::sim {

// One sample of the traced lines, taken whenever one of them changed.
struct TraceSample {
    qint64 nanoseconds = 0; // monotonic, since the trace began
    quint8 lines = 0;       // TraceLine bits
};

// The traced lines, as bits of TraceSample::lines and in the order they
// appear in the VCD file.
enum TraceLine : quint8 {
    TraceScl = 0x01,
    TraceSda = 0x02,
    TraceSdaOut = 0x04,
    TraceDsr = 0x08,
    TraceCts = 0x10,
    TraceSupply = 0x20,
};

class TraceRecording;

// Records the bus of any port backend while passing every access through
// unchanged: SCL and SDA as the bus sees them, the master's SDA output, DSR,
// CTS and the supply, each change with a monotonic time stamp. Samples are
// kept in memory while the bus runs (no file access to disturb the timing)
// and written at the end as a VCD file that logic-analyser software decodes
// as I2C.
//
// Without a simulation attached the bus is worked out from the register
// accesses at portBase: SCL = DTR out, SDA = RTS out AND the last DSR
// read, supply = the break bit of the line-control register.
class BusTrace : public port::PortIo {
public:
    // portBase is the live base of the UART in use (the link state's PortBase).
    BusTrace(port::PortIo &inner, const quint16 &portBase);
    ~BusTrace() override;
    BusTrace(const BusTrace &) = delete;
    BusTrace &operator=(const BusTrace &) = delete;

    quint8 PortIn(quint16 address) override;
    void PortOut(quint16 address, quint8 value) override;
    // Passed on as it is: a value nobody uses changes nothing in the trace.
    void PortInUnused(quint16 address) override { inner_.PortInUnused(address); }
    bool portFailed() const override { return inner_.portFailed(); }
    bool recover() override { return inner_.recover(); }
    QString closedReason() const override { return inner_.closedReason(); }
    bool supplyRefused() const override { return inner_.supplyRefused(); }
    quint64 bitSlotPortMicros() override { return inner_.bitSlotPortMicros(); }

    // Takes the true bus levels from the simulation from now on.
    void attach(SimulatedSwitch &simulation);

    std::vector<TraceSample> samples() const;
    // True when the recording hit its size limit and later changes were dropped.
    bool truncated() const;

    // The recording as VCD text ($timescale 1ns, one 1-bit wire per line,
    // value changes only).
    QByteArray vcd() const;
    // Writes vcd() to path atomically.
    bool write(const QString &path, QString *error) const;

private:
    void recordFromRegisters();

    port::PortIo &inner_;
    const quint16 &portBase_;
    std::shared_ptr<TraceRecording> recording_;
    bool attached_ = false;
    quint8 mcr_ = 0;
    quint8 lcr_ = 0;
    quint8 msr_ = 0;
};

} // namespace pellmora::sim
