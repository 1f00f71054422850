#include "link/BusyWait.h"

namespace pellmora::link {

// Kept out of line so that the bus delays and the calibration always run the
// very same machine code, whatever the caller's inlining decisions.
[[gnu::noinline]] void SpinLoop(quint32 iterations)
{
    for (quint32 left = iterations; left != 0; --left) {
        // An empty volatile statement that claims to read and change the
        // counter: the loop must really count down, step by step.
        asm volatile("" : "+r"(left));
    }
}

void SpinAtLeast(quint32 iterations, std::chrono::nanoseconds floor)
{
    using Clock = std::chrono::steady_clock;
    // Between two looks at the clock: a fraction of a microsecond.
    constexpr quint32 IterationsPerLook = 64;
    const Clock::time_point start = Clock::now();
    SpinLoop(iterations);
    while (Clock::now() - start < floor)
        SpinLoop(IterationsPerLook);
}

} // namespace pellmora::link
