#pragma once

// The simulated switch behind a serial device whose driver answers as a
// profile says: the fake kernel's lines wired to the switch's UART at COM1,
// the backend over the fake, and the link over the backend. The driver
// answers on its virtual clock alone, so what the backend measures of it
// does not depend on the machine; the switch keeps time by that clock plus
// the real time the link spent in its own waits (power on, bus delays).

#include "FakeTtySystem.h"

#include "link/Link.h"
#include "port/UartRegisters.h"
#include "sim/SimulatedSwitch.h"

#include <chrono>
#include <memory>

namespace pellmora::test {

inline int ModemLinesOf(quint8 status)
{
    using namespace pellmora::port;
    return ((status & uart::Cts) ? TIOCM_CTS : 0) | ((status & uart::Dsr) ? TIOCM_DSR : 0)
           | ((status & uart::Ri) ? TIOCM_RI : 0) | ((status & uart::Dcd) ? TIOCM_CD : 0);
}

struct TtySwitchRig {
    static constexpr quint16 Base = 0x3F8; // COM1, where the simulated switch hangs

    explicit TtySwitchRig(const TtyDriverProfile &profile, sim::SimOptions options = {})
    {
        using namespace pellmora::port;
        port.use(profile);
        port.openResults["/dev/ttyUSB0"] = 5;
        port.lines = 0;
        options.port = 0;
        options.monotonicNanos = [this] {
            const auto real = std::chrono::steady_clock::now() - started;
            return qint64(port.now) * 1000 + std::chrono::duration_cast<std::chrono::nanoseconds>(real).count();
        };
        sim = std::make_unique<sim::SimulatedSwitch>(options);
        port.outputsChanged = [this](const FakePort &p) {
            sim->PortOut(Base + uart::ModemControl,
                         quint8(((p.lines & TIOCM_DTR) ? uart::Dtr : 0) | ((p.lines & TIOCM_RTS) ? uart::Rts : 0)));
            sim->PortOut(Base + uart::LineControl, p.breakOn ? quint8(0xC3) : quint8(0x03));
        };
        port.inputs = [this] { return ModemLinesOf(sim->PortIn(Base + uart::ModemStatus)); };
        QString error;
        io = link::TtyBackend::open(0, QStringLiteral("/dev/ttyUSB0"), &error, std::make_unique<FakeTtySystem>(port));
        state.LoopCount = state.EEPROM_Loop = state.PICmicro_Loop = 0;
        state.SelectedPort = 0;
        state.PortBase = Base;
        link = std::make_unique<link::Link>(*io, state);
    }

    link::TtyBackend &backend() { return static_cast<link::TtyBackend &>(*io); }

    FakePort port;
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    std::unique_ptr<sim::SimulatedSwitch> sim;
    std::unique_ptr<port::PortIo> io;
    link::LinkState state;
    std::unique_ptr<link::Link> link;
};

} // namespace pellmora::test
