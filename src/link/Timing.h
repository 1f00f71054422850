#pragma once

#include "link/Link.h"

#include <functional>

namespace pellmora::link {

// Speed ranges of the two bus partners, in baud (bit slots per second).
constexpr quint16 EepromSpeedMin = 200;
constexpr quint16 EepromSpeedMax = 2000;
constexpr quint16 PicSpeedMin = 20;
constexpr quint16 PicSpeedMax = 100;

// A speed of 0 (a configuration file may hold one) runs as the lowest speed
// of its range; any other value is used as it is.
quint16 EffectiveEepromSpeed(quint16 speed);
quint16 EffectivePicSpeed(quint16 speed);

// A monotonic clock in microseconds. Empty = the system's steady clock.
using MonotonicMicros = std::function<quint64()>;

// Three reads of the line-status register at 0x2FD through the link's own
// PortIo, whatever port is selected: the port cost of one line operation
// (read, write, read) without changing any line.
void MockLineOperation(Link &link);

// Four mock line operations and five BitDelay steps, in the pattern of one
// sent bit.
void MockBitTransfer(Link &link);

// The loop count that makes one bit slot last 100/speed ms, from one
// measurement: `bitTransfers` mock bit transfers with `measuredLoopCount`
// took `elapsedMicros`. Computed as
//   (measuredLoopCount * bitTransfers * 1000 div (elapsedMicros * speed)) * 100
// (the quotient truncated before the multiplication). An elapsed time of 0
// counts as 1 µs and a speed of 0 as 1; the result saturates at 2^32 - 1.
quint32 LoopCountForSpeed(quint64 measuredLoopCount, quint64 bitTransfers, quint64 elapsedMicros,
                          quint16 speed);

// How CalibrateLoop measures. The defaults suit the real clock; tests shrink
// the runs.
struct CalibrationPlan {
    quint32 firstLoopCount = 100000; // loop count of the first measurement
    quint32 firstTransfers = 100;    // mock bit transfers of the first measurement
    quint64 minRunMicros = 10000;    // a first run shorter than this is lengthened
    int maxLengthenings = 4;         // each one runs four times as many transfers
    int refinements = 2;             // re-measurements at the count found so far
    // Re-measurement runs are short enough to fit between two moments at
    // which a busy system sets the process aside, and repeated: the shortest
    // run is the loop's own time.
    quint64 refineRunMicros = 2000;
    int repeats = 7;
};

// Sets LoopCount so that one bit slot (five BitDelay steps and four line
// operations) lasts about 100/speed ms on this machine and this port. The
// whole elapsed time of each run is measured; a run too short to be accurate
// is repeated with more transfers. Then the count found is measured again
// (a few runs, the shortest counts, so a pre-empted run does not skew it),
// which takes the port-access cost out of the result. Speed 0 calibrates as 20 baud,
// the lowest speed the link offers.
// Returns the speed the bus reaches: `speed`, or less when the port's line
// operations alone take longer than the slot (LoopCount is then 0 and the
// slot as short as the port allows).
quint16 CalibrateLoop(Link &link, quint16 speed, const MonotonicMicros &clock = {},
                      const CalibrationPlan &plan = {});

// The speed of bit slots that took `elapsedMicros` for `bitTransfers` of
// them, at most `speed`; a slot up to 5 % longer than 100/speed ms counts as
// reaching it.
quint16 SpeedReached(quint64 bitTransfers, quint64 elapsedMicros, quint16 speed);

// CalibrateLoop for the stored speed of one partner (0 = lowest of its
// range), then copies LoopCount into EEPROM_Loop or PICmicro_Loop and what
// the port could not reach into EepromSpeedLimit or PicSpeedLimit.
void CalibrateEeprom(Link &link, const MonotonicMicros &clock = {}, const CalibrationPlan &plan = {});
void CalibratePic(Link &link, const MonotonicMicros &clock = {}, const CalibrationPlan &plan = {});

// What the window supplies to the calibration sequence. Empty members are
// skipped.
struct CalibrationPanel {
    std::function<void()> show;  // show the "Checking Your System" panel
    std::function<void()> pump;  // process pending window messages once
    std::function<void()> close; // close the panel (and the speed dialog)
};

// Shows the panel and lets it paint, calibrates the EEPROM speed into
// EEPROM_Loop and then the microcontroller speed into PICmicro_Loop, and
// closes the panel. LoopCount is left at PICmicro_Loop.
void RunCalibrationSequence(Link &link, const CalibrationPanel &panel, const MonotonicMicros &clock = {},
                            const CalibrationPlan &plan = {});

} // namespace pellmora::link
