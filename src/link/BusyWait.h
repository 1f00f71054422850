#pragma once

#include <QtGlobal>

namespace pellmora::link {

// Busy-waits the given number of iterations of a decrement loop: a pure
// processor loop with no system call and no memory access inside, which the
// compiler is not allowed to shorten or remove. Zero returns at once. Every
// bus delay and the fixed waits of the link power switching are made of it,
// so that the calibration measures exactly the loop the bus uses.
void SpinLoop(quint32 iterations);

} // namespace pellmora::link
