#pragma once

#include <QtGlobal>

#include <functional>

namespace pellmora::port {

// What the reads of a bus transaction are taken to answer while it is being
// put together, before the samples that hold the real answers are back.
enum class Expect {
    Acknowledged, // every byte taken, the data line low: a page, a read, a byte
    Busy,         // refused while a memory's write cycle lasts, then taken: acknowledge polling
};

// The lines of an adapter that clocks them out itself, one sample of all its
// pins per tick of its own clock (a USB serial chip in synchronous bit-bang
// mode), and reads them back at the same ticks. A bus delay step is a number
// of samples, not a busy loop, and a whole bus transaction goes out as one
// transfer whose answers are taken from the samples that come back.
class SampledLines {
public:
    virtual ~SampledLines() = default;

    // The speed the bus runs at when `speed` (baud) is set. Over sampled
    // lines a loop count is this speed: the clock, not a loop, times a slot.
    virtual quint16 ReachableSpeed(quint16 speed) const = 0;
    // One bus delay step at the speed `loopCount` stands for: the lines held
    // for a fifth of a bit slot's samples.
    virtual void Hold(quint32 loopCount) = 0;

    // Runs `sequences` as one bus transaction. Their line changes and delays
    // become samples sent in one transfer; until the samples are back, each
    // read is answered as `expect` says. Then `sequences` run again and read
    // what the bus really answered (a further transfer follows only when
    // those answers lead them where the first run did not go). So they must
    // start from the same state every time they run. A transaction inside
    // another is a part of it.
    virtual void Transaction(const std::function<void()> &sequences, Expect expect) = 0;
    // True while the running sequences are being put together: what they
    // read is not what the bus answered.
    virtual bool Rehearsing() const = 0;
};

} // namespace pellmora::port
