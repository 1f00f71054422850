#pragma once

#include <QtGlobal>

#include <chrono>

namespace pellmora::link {

// Busy-waits the given number of iterations of a decrement loop: a pure
// processor loop with no system call and no memory access inside, which the
// compiler is not allowed to shorten or remove. Zero returns at once. Every
// bus delay and the fixed waits of the link power switching are made of it,
// so that the calibration measures exactly the loop the bus uses.
void SpinLoop(quint32 iterations);

// A fixed wait: the given iterations of SpinLoop, and then more of it until
// at least `floor` has passed on the monotonic clock since the wait began, so
// that a fast processor never makes the wait shorter than the hardware needs.
void SpinAtLeast(quint32 iterations, std::chrono::nanoseconds floor);

} // namespace pellmora::link
