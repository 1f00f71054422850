// Driver calls of the serial-line backend per bit slot: program + verify of
// the 512 bytes through the TtyBackend over a fake kernel whose modem lines
// are wired to the simulated switch. Every ioctl counts; a bit slot is one
// clock pulse on the bus (a data or acknowledge bit). On a USB serial adapter
// every one of these calls is a USB control transfer.

#include "../tests/link/FakeTtySystem.h"

#include "device/DeviceMemory.h"

#include "link/Link.h"
#include "link/TtyBackend.h"
#include "port/UartRegisters.h"
#include "sim/SimulatedSwitch.h"

#include "TransferRuns.h"

#include <benchmark/benchmark.h>

using namespace pellmora;
using namespace pellmora::model;
using namespace pellmora::port;
using namespace pellmora::link;
using namespace pellmora::device;
using namespace pellmora::test;

namespace {

constexpr quint16 Base = 0x3F8; // COM1, where the simulated switch hangs

sim::SimOptions benchOptions()
{
    sim::SimOptions options;
    options.writeCycleSelects = 3; // a write cycle lasts three refused selects
    return options;
}

int ModemLinesOf(quint8 status)
{
    return ((status & uart::Cts) ? TIOCM_CTS : 0) | ((status & uart::Dsr) ? TIOCM_DSR : 0)
           | ((status & uart::Ri) ? TIOCM_RI : 0) | ((status & uart::Dcd) ? TIOCM_CD : 0);
}

struct Bench {
    sim::SimulatedSwitch &simulated() { return sim; }
    Bench()
    {
        port.openResults["/dev/ttyS0"] = 5;
        port.lines = 0;
        port.outputsChanged = [this](const FakePort &p) {
            sim.PortOut(Base + uart::ModemControl,
                        quint8(((p.lines & TIOCM_DTR) ? uart::Dtr : 0) | ((p.lines & TIOCM_RTS) ? uart::Rts : 0)));
            sim.PortOut(Base + uart::LineControl, p.breakOn ? quint8(0xC3) : quint8(0x03));
        };
        port.inputs = [this] { return ModemLinesOf(sim.PortIn(Base + uart::ModemStatus)); };
        sim.setLineObserver([this](const sim::SimulatedSwitch::Lines &lines) {
            bitSlots += lines.scl && !sclWasHigh;
            sclWasHigh = lines.scl;
        });
        QString error;
        io = TtyBackend::open(0, {}, &error, std::make_unique<FakeTtySystem>(port));
        link = std::make_unique<Link>(*io, state);
        state.LoopCount = state.EEPROM_Loop = state.PICmicro_Loop = 0;
        state.SelectedPort = 0;
        state.PortBase = Base;
        for (int i = 0; i < DeviceImage::ByteCount; ++i)
            image.setByteAt(i, quint8(i * 37 + 11));
    }
    void report(benchmark::State &run)
    {
        const double iterations = double(run.iterations());
        run.counters["ioctls"] = double(port.ioctls - ioctlsBefore) / iterations;
        run.counters["bit_slots"] = double(bitSlots - bitSlotsBefore) / iterations;
        run.counters["ioctls_per_slot"] = double(port.ioctls - ioctlsBefore) / double(bitSlots - bitSlotsBefore);
    }
    void startCounting()
    {
        ioctlsBefore = port.ioctls;
        bitSlotsBefore = bitSlots;
    }

    FakePort port;
    sim::SimulatedSwitch sim{benchOptions()};
    long bitSlots = 0;
    bool sclWasHigh = false;
    long ioctlsBefore = 0;
    long bitSlotsBefore = 0;
    std::unique_ptr<PortIo> io;
    LinkState state;
    std::unique_ptr<Link> link;
    DeviceMemoryState memory;
    DeviceImage image;
};

void ProgramAndVerify(benchmark::State &run)
{
    bench::ProgramAndVerify<Bench>(run);
}
BENCHMARK(ProgramAndVerify)->Unit(benchmark::kMillisecond);

void Verify(benchmark::State &run)
{
    bench::Verify<Bench>(run);
}
BENCHMARK(Verify)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
