// Calibrates the bus delay for each speed on the simulated switch, then times
// real bit slots (I2cSendBit: four line operations and five delays) and reports
// the ratio of the measured slot to the wanted 100/speed ms (1.00 is exact).
//
// Each benchmark iteration is a chunk of slots lasting about 2 ms. Besides the
// ratio over the whole run (which includes every time the process was put
// aside on a busy machine) it reports the ratio of the median chunk and of the
// fastest chunk, and the ratio in thread CPU time.

#include "link/Link.h"
#include "link/Timing.h"
#include "sim/SimulatedSwitch.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <vector>

namespace {

using namespace pellmora;
using namespace pellmora::link;

double ThreadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

void BitSlotAfterCalibration(benchmark::State &state)
{
    const auto speed = quint16(state.range(0));
    sim::SimOptions options;
    options.port = 0;
    sim::SimulatedSwitch device(options);
    LinkState linkState;
    linkState.PortBase = Link::ComPortBase(0);
    Link link(device, linkState);
    link.LinkPowerOn();
    CalibrateLoop(link, speed);

    const double wantedMs = 100.0 / speed;
    const int chunk = std::max(1, int(2.0 / wantedMs));
    using Clock = std::chrono::steady_clock;
    std::vector<double> chunkMs;
    const auto start = Clock::now();
    const double cpuStart = ThreadCpuMs();
    for (auto _ : state) {
        const auto chunkStart = Clock::now();
        for (int i = 0; i < chunk; ++i)
            link.I2cSendBit((i & 1) != 0);
        chunkMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - chunkStart).count());
    }
    const double cpuMs = ThreadCpuMs() - cpuStart;
    const double elapsedMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const double bits = double(chunkMs.size()) * chunk;
    std::sort(chunkMs.begin(), chunkMs.end());

    state.counters["loop_count"] = double(linkState.LoopCount);
    state.counters["wanted_ms"] = wantedMs;
    state.counters["slot_ms"] = elapsedMs / bits;
    state.counters["ratio"] = elapsedMs / bits / wantedMs;
    state.counters["ratio_median"] = chunkMs[chunkMs.size() / 2] / chunk / wantedMs;
    state.counters["ratio_fastest"] = chunkMs.front() / chunk / wantedMs;
    state.counters["ratio_cpu"] = cpuMs / bits / wantedMs;
}

BENCHMARK(BitSlotAfterCalibration)
    ->ArgName("speed")
    ->Arg(200)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(20)
    ->Arg(60)
    ->Arg(100)
    ->Iterations(250)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
