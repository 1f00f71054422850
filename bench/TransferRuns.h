#pragma once

// The two runs every transfer benchmark measures, over any rig (`Rig`) that
// holds a link, a memory state and an image, reaches its simulated switch
// through simulated(), and counts from startCounting() to report().

#include "device/DeviceMemory.h"

#include <benchmark/benchmark.h>

namespace pellmora::bench {

// Programs the image (the write and its verification) again and again.
template <typename Rig> void ProgramAndVerify(benchmark::State &run)
{
    Rig rig;
    rig.startCounting();
    for (auto _ : run) {
        if (!device::WriteDeviceMemory(*rig.link, rig.memory, rig.image).ok)
            run.SkipWithError("programming failed");
    }
    rig.report(run);
}

// Verifies a memory that already holds the image.
template <typename Rig> void Verify(benchmark::State &run)
{
    Rig rig;
    rig.simulated().setMemory(rig.image.toBytes());
    rig.startCounting();
    for (auto _ : run) {
        if (!device::VerifyDevice(*rig.link, rig.memory, rig.image).ok)
            run.SkipWithError("verification failed");
    }
    rig.report(run);
}

} // namespace pellmora::bench
