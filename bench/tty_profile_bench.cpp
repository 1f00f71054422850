// Program + verify of the 512 bytes over each serial driver profile, at 1 ms
// per USB control transfer on the fake kernel's virtual clock, and what the
// recalibration at the main window's activation costs once the device has
// been measured.
//
// Counters: device_s = seconds the driver calls and the backend's waits for
// late status lines take (the virtual clock); add the benchmark's own time
// (the bus delays and the fake's work) for what a real adapter would take.
// ioctls = driver calls per run; reached = the EEPROM speed the calibration
// says the adapter reaches (0 = the speed set).

#include "../tests/link/TtySwitchRig.h"

#include "device/DeviceMemory.h"
#include "link/Timing.h"
#include "model/DeviceImage.h"

#include <benchmark/benchmark.h>

using namespace pellmora;
using namespace pellmora::link;
using namespace pellmora::test;

namespace {

TtyDriverProfile HeldBreak(TtyDriverProfile profile)
{
    profile.breakEndsMicros = 0;
    return profile;
}

// Powered and calibrated as the main window leaves it after a communication
// test: the loop-back has measured how late the status comes.
struct Calibrated {
    explicit Calibrated(const TtyDriverProfile &profile) : rig(profile)
    {
        rig.state.EepromBaudRate = 1000;
        rig.state.PicBaudRate = 60;
        rig.link->LinkPowerOn();
        RunCalibrationSequence(*rig.link, {});
        for (int i = 0; i < model::DeviceImage::ByteCount; ++i)
            image.setByteAt(i, quint8(i * 37 + 11));
    }
    TtySwitchRig rig;
    device::DeviceMemoryState memory;
    model::DeviceImage image;
};

void ProgramAndVerify(benchmark::State &run, const TtyDriverProfile &profile)
{
    Calibrated c(profile);
    const quint64 startedAt = c.rig.port.now;
    const long callsBefore = c.rig.port.ioctls;
    for (auto _ : run) {
        if (!device::WriteDeviceMemory(*c.rig.link, c.memory, c.image).ok)
            run.SkipWithError("programming failed");
    }
    const double runs = double(run.iterations());
    run.counters["device_s"] = double(c.rig.port.now - startedAt) / 1e6 / runs;
    run.counters["ioctls"] = double(c.rig.port.ioctls - callsBefore) / runs;
    run.counters["reached"] = c.rig.state.EepromSpeedLimit;
    run.counters["lag_us"] = double(c.rig.backend().statusLagMicros());
}

void ActivationRecalibration(benchmark::State &run, const TtyDriverProfile &profile)
{
    Calibrated c(profile);
    const quint64 startedAt = c.rig.port.now;
    const long callsBefore = c.rig.port.ioctls;
    for (auto _ : run)
        RunCalibrationSequence(*c.rig.link, {});
    const double runs = double(run.iterations());
    run.counters["device_s"] = double(c.rig.port.now - startedAt) / 1e6 / runs;
    run.counters["ioctls"] = double(c.rig.port.ioctls - callsBefore) / runs;
}

void FirstCalibration(benchmark::State &run, const TtyDriverProfile &profile)
{
    double deviceSeconds = 0;
    long calls = 0;
    for (auto _ : run) {
        run.PauseTiming();
        TtySwitchRig rig(profile);
        rig.link->LinkPowerOn();
        const quint64 startedAt = rig.port.now;
        const long callsBefore = rig.port.ioctls;
        run.ResumeTiming();
        RunCalibrationSequence(*rig.link, {});
        deviceSeconds += double(rig.port.now - startedAt) / 1e6;
        calls += rig.port.ioctls - callsBefore;
    }
    const double runs = double(run.iterations());
    run.counters["device_s"] = deviceSeconds / runs;
    run.counters["ioctls"] = double(calls) / runs;
}

const TtyDriverProfile Ch341HeldBreak = HeldBreak(Ch341Profile);

BENCHMARK_CAPTURE(ProgramAndVerify, uart16550, UartProfile)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(ProgramAndVerify, ftdi_sio, FtdiSioProfile)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(ProgramAndVerify, cp210x, Cp210xProfile)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(ProgramAndVerify, pl2303, Pl2303Profile)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(ProgramAndVerify, ch341, Ch341HeldBreak)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(ProgramAndVerify, unknown_caching, UnknownCachingProfile)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

BENCHMARK_CAPTURE(FirstCalibration, ftdi_sio, FtdiSioProfile)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(FirstCalibration, pl2303, Pl2303Profile)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(ActivationRecalibration, uart16550, UartProfile)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ActivationRecalibration, ftdi_sio, FtdiSioProfile)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ActivationRecalibration, pl2303, Pl2303Profile)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
