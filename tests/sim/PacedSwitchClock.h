#pragma once

// The simulated switch's clock for tests that run whole device operations:
// every bit delay of the link lasts LoopCount microseconds of the switch's
// time, whatever the processor really spends on it, so the bus runs at the
// speed its loop count stands for (loopCountFor) however fast or loaded the
// machine running the test is. Inside a transfer the link drives (from the
// start condition to the stop condition on the lines it drives itself) only
// the bit delays move the clock, so a slow machine cannot lengthen a clock
// pulse; outside transfers the host's own waits (power on, the short pauses,
// the release pulse, the write cycle) pass as they really take.

#include "link/Link.h"
#include "link/Timing.h"
#include "sim/SimulatedSwitch.h"

#include <chrono>
#include <functional>
#include <memory>

namespace pellmora::test {

class PacedSwitchClock {
public:
    static constexpr qint64 NanosPerIteration = 1000;

    // The loop count whose bit slot (five bit delays) lasts 100/speed ms,
    // rounded up.
    static quint32 loopCountFor(quint16 speed)
    {
        constexpr qint64 delayUnit = 5 * NanosPerIteration;
        return quint32((100'000'000 / speed + delayUnit - 1) / delayUnit);
    }

    // For SimOptions::monotonicNanos.
    std::function<qint64()> source() const
    {
        return [time = time_] { return time->now(); };
    }

    // Lets `link`'s bit delays and the transfers on `sim`'s lines move the
    // clock (it takes the switch's line observer), and sets the loop counts
    // of the link's two speeds as a calibration does, leaving LoopCount at
    // the microcontroller's.
    void pace(link::Link &link, sim::SimulatedSwitch &sim) const
    {
        link::LinkState &state = link.state();
        state.EEPROM_Loop = loopCountFor(link::EffectiveEepromSpeed(state.EepromBaudRate));
        state.PICmicro_Loop = loopCountFor(link::EffectivePicSpeed(state.PicBaudRate));
        state.LoopCount = state.PICmicro_Loop;
        link.setDelayObserver([time = time_, &state] { time->ticked += qint64(state.LoopCount) * NanosPerIteration; });
        sim.setLineObserver([time = time_](const sim::SimulatedSwitch::Lines &lines) { time->follow(lines); });
    }

private:
    struct Time {
        using Clock = std::chrono::steady_clock;

        qint64 ticked = 1'000'000'000; // the bit delays (and a start well away from 0)
        qint64 hostPassed = 0;         // the host's time outside transfers, up to hostFrom
        Clock::time_point hostFrom = Clock::now();
        bool inTransfer = false;
        sim::SimulatedSwitch::Lines last;

        qint64 hostSince() const
        {
            return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - hostFrom).count();
        }
        qint64 now() const { return ticked + hostPassed + (inTransfer ? 0 : hostSince()); }

        // The link's data output falling while the clock is high starts a
        // transfer, rising ends it; so does a supply that goes off.
        void follow(const sim::SimulatedSwitch::Lines &lines)
        {
            const bool clockHigh = last.scl && lines.scl;
            const bool starts = clockHigh && last.sdaOut && !lines.sdaOut;
            const bool stops = (clockHigh && !last.sdaOut && lines.sdaOut) || !lines.supply;
            last = lines;
            if (starts && !inTransfer) {
                hostPassed += hostSince();
                inTransfer = true;
            } else if (stops && inTransfer) {
                hostFrom = Clock::now();
                inTransfer = false;
            }
        }
    };
    std::shared_ptr<Time> time_ = std::make_shared<Time>();
};

} // namespace pellmora::test
