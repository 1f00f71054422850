// Register accesses and CPU time of the device commands on the simulated
// switch at LoopCount 0: what the bus costs apart from its delays. The
// communication test runs on a switch clock its bit delays pace, as the
// switch takes the echo only at its own speed.

#include "device/ComTest.h"
#include "device/DeviceMemory.h"

#include "link/Link.h"
#include "sim/SimulatedSwitch.h"

#include "../tests/sim/PacedSwitchClock.h"

#include <benchmark/benchmark.h>

using namespace pellmora;
using namespace pellmora::model;
using namespace pellmora::port;
using namespace pellmora::link;
using namespace pellmora::device;

namespace {

// Counts every register access on its way to the simulated switch.
class CountingPortIo : public PortIo {
public:
    explicit CountingPortIo(PortIo &inner) : inner_(inner) {}
    quint8 PortIn(quint16 address) override
    {
        ++reads;
        return inner_.PortIn(address);
    }
    void PortOut(quint16 address, quint8 value) override
    {
        ++writes;
        inner_.PortOut(address, value);
    }
    qint64 reads = 0;
    qint64 writes = 0;

private:
    PortIo &inner_;
};

sim::SimOptions benchOptions()
{
    sim::SimOptions options;
    options.writeCycleSelects = 3; // a write cycle lasts three refused selects
    return options;
}

struct Bench {
    explicit Bench(sim::SimOptions options = benchOptions())
        : sim(std::move(options)), counting(sim), link(counting, state)
    {
        state.LoopCount = state.EEPROM_Loop = state.PICmicro_Loop = 0;
        for (int i = 0; i < DeviceImage::ByteCount; ++i)
            image.setByteAt(i, quint8(i * 37 + 11));
    }
    void report(benchmark::State &run) const
    {
        const double iterations = double(run.iterations());
        run.counters["reads"] = double(counting.reads) / iterations;
        run.counters["writes"] = double(counting.writes) / iterations;
        run.counters["accesses"] = double(counting.reads + counting.writes) / iterations;
        run.counters["accesses_per_s"] =
            benchmark::Counter(double(counting.reads + counting.writes), benchmark::Counter::kIsRate);
    }

    LinkState state;
    sim::SimulatedSwitch sim;
    CountingPortIo counting;
    Link link;
    DeviceMemoryState memory;
    DeviceImage image;
};

void ProgramAndVerify(benchmark::State &run)
{
    Bench bench;
    for (auto _ : run) {
        const DeviceOutcome outcome = WriteDeviceMemory(bench.link, bench.memory, bench.image);
        if (!outcome.ok)
            run.SkipWithError("programming failed");
        benchmark::DoNotOptimize(outcome.ok);
    }
    bench.report(run);
    run.SetBytesProcessed(run.iterations() * DeviceImage::ByteCount);
}
BENCHMARK(ProgramAndVerify)->Unit(benchmark::kMillisecond);

void Verify(benchmark::State &run)
{
    Bench bench;
    bench.sim.setMemory(bench.image.toBytes());
    bench.state.PortBase = Link::ComPortBase(0);
    for (auto _ : run) {
        const DeviceOutcome outcome = VerifyDevice(bench.link, bench.memory, bench.image);
        if (!outcome.ok)
            run.SkipWithError("verification failed");
    }
    bench.report(run);
    run.SetBytesProcessed(run.iterations() * DeviceImage::ByteCount);
}
BENCHMARK(Verify)->Unit(benchmark::kMillisecond);

void CommunicationTest(benchmark::State &run)
{
    test::PacedSwitchClock clock;
    sim::SimOptions options = benchOptions();
    options.monotonicNanos = clock.source();
    Bench bench(options);
    clock.pace(bench.link, bench.sim);
    for (auto _ : run) {
        const ComTestOutcome outcome = RunComTest(bench.link);
        if (!outcome.connected)
            run.SkipWithError("communication test failed");
    }
    bench.report(run);
}
BENCHMARK(CommunicationTest)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
