// USB data calls of the FTDI cable backend: program + verify of the 512 bytes
// through a fake FT232R in synchronous bit-bang mode with the simulated
// switch on its cable, played sample by sample at the EEPROM's default speed
// (the memory's write cycle lasting its 5 ms of the chip's clock). Every
// libftdi call that writes or reads samples counts, acknowledge polling
// included.

#include "../tests/link/FakeFtdiChip.h"

#include "device/DeviceMemory.h"

#include "link/FtdiBackend.h"
#include "link/Link.h"
#include "link/Timing.h"

#include "TransferRuns.h"

#include <benchmark/benchmark.h>

using namespace pellmora;
using namespace pellmora::model;
using namespace pellmora::link;
using namespace pellmora::device;
using namespace pellmora::test;

namespace {

struct Bench {
    sim::SimulatedSwitch &simulated() { return chip.sim; }
    Bench()
    {
        QString error;
        backend = FtdiBackend::open({}, &error, std::make_unique<FakeFtdiSystem>(chip));
        link = std::make_unique<Link>(*backend, state);
        state.SelectedPort = 0;
        state.PortBase = Link::ComPortBase(0);
        CalibrateEeprom(*link);
        CalibratePic(*link);
        for (int i = 0; i < DeviceImage::ByteCount; ++i)
            image.setByteAt(i, quint8(i * 37 + 11));
    }
    void report(benchmark::State &run) const
    {
        const double iterations = double(run.iterations());
        run.counters["data_calls"] = double(chip.dataCalls() - callsBefore) / iterations;
        run.counters["writes"] = double(chip.writes - writesBefore) / iterations;
        run.counters["reads"] = double(chip.reads - readsBefore) / iterations;
        run.counters["samples"] = double(chip.written.size() - samplesBefore) / iterations;
        run.counters["wire_ms"] = double(chip.tickedNanos - tickedBefore) / 1e6 / iterations;
    }
    void startCounting()
    {
        callsBefore = chip.dataCalls();
        writesBefore = chip.writes;
        readsBefore = chip.reads;
        samplesBefore = chip.written.size();
        tickedBefore = chip.tickedNanos;
    }

    FakeFtdiChip chip;
    std::unique_ptr<FtdiBackend> backend;
    LinkState state;
    std::unique_ptr<Link> link;
    DeviceMemoryState memory;
    DeviceImage image;
    long callsBefore = 0, writesBefore = 0, readsBefore = 0;
    qsizetype samplesBefore = 0;
    qint64 tickedBefore = 0;
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
