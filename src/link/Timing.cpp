#include "link/Timing.h"

#include <algorithm>
#include <chrono>
#include <limits>

#include <sys/resource.h>

using namespace pellmora::port;

namespace pellmora::link {

namespace {

// One bit slot lasts 100/speed ms = 100000/speed µs.
constexpr quint64 SlotMicrosTimesSpeed = 100000;

quint64 SteadyMicros()
{
    using namespace std::chrono;
    return quint64(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

// Runs `transfers` mock bit transfers with `loopCount` and returns how long
// they took by the clock.
quint64 TimeRun(Link &link, quint32 loopCount, quint64 transfers, const MonotonicMicros &clock)
{
    link.state().LoopCount = loopCount;
    const quint64 start = clock();
    for (quint64 i = 0; i < transfers; ++i)
        MockBitTransfer(link);
    const quint64 end = clock();
    return end > start ? end - start : 0;
}

// How often the system has set this thread aside against its will so far.
long Preemptions()
{
    rusage usage{};
    return getrusage(RUSAGE_THREAD, &usage) == 0 ? usage.ru_nivcsw : 0;
}

// On the system's clock a run may be tried this many times over for the
// runs nothing interrupted.
constexpr int AttemptsPerRepeat = 4;

// The shortest of `repeats` runs: time the process spent set aside by the
// system only ever lengthens a run. On the system's clock a run during which
// the system set this thread aside does not count while attempts are left:
// a loaded machine sets it aside for several milliseconds in turns as long
// as a run, so that every one of a few runs may come out several times too
// long, and the bus then several times too fast.
quint64 ShortestRun(Link &link, quint32 loopCount, quint64 transfers, const MonotonicMicros &clock, int repeats,
                    bool systemClock)
{
    quint64 shortest = std::numeric_limits<quint64>::max(); // of the runs nothing interrupted
    quint64 shortestOfAll = shortest;
    int whole = 0;
    const int attempts = systemClock ? repeats * AttemptsPerRepeat : repeats;
    for (int attempt = 0; attempt < attempts && whole < repeats; ++attempt) {
        const long before = systemClock ? Preemptions() : 0;
        const quint64 run = TimeRun(link, loopCount, transfers, clock);
        shortestOfAll = std::min(shortestOfAll, run);
        if (!systemClock || Preemptions() == before) {
            shortest = std::min(shortest, run);
            ++whole;
        }
    }
    return whole > 0 ? shortest : shortestOfAll;
}

// Runs `steps` bus delay steps with `loopCount` and returns how long they
// took by the clock; no port access.
quint64 TimeDelays(Link &link, quint32 loopCount, quint64 steps, const MonotonicMicros &clock)
{
    link.state().LoopCount = loopCount;
    const quint64 start = clock();
    for (quint64 i = 0; i < steps; ++i)
        link.BitDelay();
    const quint64 end = clock();
    return end > start ? end - start : 0;
}

// Over a port whose backend has timed its own calls (`portMicros` of every
// bit slot) only the loop is measured: its speed on this processor, which
// is cheap to learn again, while the port is never touched. The slot's
// five steps fill what the port leaves of it.
quint16 CalibrateOverTimedPort(Link &link, quint16 speed, quint64 portMicros, const MonotonicMicros &clock,
                               const CalibrationPlan &plan)
{
    if (portMicros * speed >= SlotMicrosTimesSpeed) {
        link.state().LoopCount = 0;
        return SpeedReached(1, portMicros, speed);
    }
    const quint32 probeCount = std::max<quint32>(plan.firstLoopCount / 10, 1);
    quint64 steps = 5;
    quint64 elapsed = TimeDelays(link, probeCount, steps, clock);
    for (int i = 0; i < plan.maxLengthenings + 2 && elapsed < plan.refineRunMicros; ++i) {
        steps *= 4;
        elapsed = TimeDelays(link, probeCount, steps, clock);
    }
    for (int r = 1; r < std::min(plan.repeats, 3); ++r)
        elapsed = std::min(elapsed, TimeDelays(link, probeCount, steps, clock));
    if (elapsed == 0) {
        link.state().LoopCount = LoopCountForSpeed(probeCount, steps / 5, 0, speed);
        return speed;
    }
    // count = probeCount * steps / elapsed (iterations per µs) * the µs one
    // step has: (100000 / speed - portMicros) / 5.
    const double loopShare = double(SlotMicrosTimesSpeed - portMicros * speed); // µs of a slot, times speed
    const double count = double(probeCount) * double(steps) * loopShare / (5.0 * speed * double(elapsed));
    link.state().LoopCount = quint32(std::min(count, double(std::numeric_limits<quint32>::max())));
    return speed;
}

// What the last calibration of a partner found out of reach: 0 = nothing.
quint16 LimitOf(quint16 reached, quint16 speed)
{
    return reached < speed ? reached : 0;
}

// Transfers that last about minRunMicros at the target slot time.
quint64 TransfersForRun(quint16 speed, quint64 minRunMicros)
{
    const quint64 transfers = (minRunMicros * speed + SlotMicrosTimesSpeed - 1) / SlotMicrosTimesSpeed;
    return std::max<quint64>(transfers, 1);
}

} // namespace

quint16 EffectiveEepromSpeed(quint16 speed)
{
    return speed == 0 ? EepromSpeedMin : speed;
}

quint16 EffectivePicSpeed(quint16 speed)
{
    return speed == 0 ? PicSpeedMin : speed;
}

void MockLineOperation(Link &link)
{
    PortIo &io = link.io();
    io.PortIn(uart::CalibrationPort);
    io.PortIn(uart::CalibrationPort);
    io.PortIn(uart::CalibrationPort);
}

void MockBitTransfer(Link &link)
{
    MockLineOperation(link);
    link.BitDelay();
    MockLineOperation(link);
    link.BitDelay();
    MockLineOperation(link);
    link.BitDelay();
    link.BitDelay();
    MockLineOperation(link);
    link.BitDelay();
}

quint32 LoopCountForSpeed(quint64 measuredLoopCount, quint64 bitTransfers, quint64 elapsedMicros,
                          quint16 speed)
{
    constexpr quint32 most = std::numeric_limits<quint32>::max();
    quint64 divisor = 0;
    if (__builtin_mul_overflow(std::max<quint64>(elapsedMicros, 1), quint64(std::max<quint16>(speed, 1)), &divisor))
        return 0;
    quint64 dividend = 0;
    if (__builtin_mul_overflow(measuredLoopCount, bitTransfers, &dividend)
        || __builtin_mul_overflow(dividend, quint64(1000), &dividend))
        return most;
    const quint64 quotient = dividend / divisor;
    return quotient > most / 100 ? most : quint32(quotient * 100);
}

quint16 SpeedReached(quint64 bitTransfers, quint64 elapsedMicros, quint16 speed)
{
    // Within 5 %: 100 * elapsed <= 105 * transfers * 100000 / speed.
    if (elapsedMicros * speed * 100 <= bitTransfers * SlotMicrosTimesSpeed * 105)
        return speed;
    return quint16(std::max<quint64>(bitTransfers * SlotMicrosTimesSpeed / elapsedMicros, 1));
}

quint16 CalibrateLoop(Link &link, quint16 speed, const MonotonicMicros &clock, const CalibrationPlan &plan)
{
    const MonotonicMicros now = clock ? clock : MonotonicMicros(SteadyMicros);
    speed = EffectivePicSpeed(speed);

    // An adapter that clocks the lines itself needs no measurement: its loop
    // count is the speed its clock reaches.
    if (SampledLines *lines = link.io().sampledLines()) {
        link.state().LoopCount = lines->ReachableSpeed(speed);
        return quint16(link.state().LoopCount);
    }
    if (const quint64 portMicros = link.io().bitSlotPortMicros(); portMicros != 0)
        return CalibrateOverTimedPort(link, speed, portMicros, now, plan);

    // First estimate: lengthen the run until the clock can time it well.
    quint64 transfers = std::max<quint32>(plan.firstTransfers, 1);
    quint64 elapsed = TimeRun(link, plan.firstLoopCount, transfers, now);
    for (int i = 0; i < plan.maxLengthenings && elapsed < plan.minRunMicros; ++i) {
        transfers *= 4;
        elapsed = TimeRun(link, plan.firstLoopCount, transfers, now);
    }
    quint32 count = LoopCountForSpeed(plan.firstLoopCount, transfers, elapsed, speed);

    // The port accesses of a slot do not shrink with the loop count, so the
    // first estimate runs long at high speeds. Measuring again at the count
    // found and scaling once more converges on the wanted slot time.
    // A clock that never moved gives nothing to refine on.
    const quint64 refineTransfers = TransfersForRun(speed, plan.refineRunMicros);

    // A port whose line operations alone fill the slot (a USB adapter, every
    // line change a USB transfer) leaves nothing for the loop: no bus delay,
    // and the slot as short as the port allows.
    if (plan.refinements > 0 && count != 0 && elapsed != 0) {
        const quint64 portOnly = ShortestRun(link, 0, refineTransfers, now, plan.repeats, !clock);
        if (portOnly * speed >= refineTransfers * SlotMicrosTimesSpeed) {
            link.state().LoopCount = 0;
            return SpeedReached(refineTransfers, portOnly, speed);
        }
    }
    for (int i = 0; i < plan.refinements && count != 0 && elapsed != 0; ++i) {
        elapsed = ShortestRun(link, count, refineTransfers, now, plan.repeats, !clock);
        if (elapsed == 0)
            break;
        // The measured loop grows at most fourfold per step, so a stray
        // reading cannot send the next run into an endless wait.
        const quint64 bound = quint64(count) * 4;
        count = quint32(std::min<quint64>(LoopCountForSpeed(count, refineTransfers, elapsed, speed), bound));
    }
    link.state().LoopCount = count;
    return speed;
}

void CalibrateEeprom(Link &link, const MonotonicMicros &clock, const CalibrationPlan &plan)
{
    const quint16 speed = EffectiveEepromSpeed(link.state().EepromBaudRate);
    const quint16 reached = CalibrateLoop(link, speed, clock, plan);
    link.state().EEPROM_Loop = link.state().LoopCount;
    link.state().EepromSpeedLimit = LimitOf(reached, speed);
}

void CalibratePic(Link &link, const MonotonicMicros &clock, const CalibrationPlan &plan)
{
    const quint16 speed = EffectivePicSpeed(link.state().PicBaudRate);
    const quint16 reached = CalibrateLoop(link, speed, clock, plan);
    link.state().PICmicro_Loop = link.state().LoopCount;
    link.state().PicSpeedLimit = LimitOf(reached, speed);
}

void RunCalibrationSequence(Link &link, const CalibrationPanel &panel, const MonotonicMicros &clock,
                            const CalibrationPlan &plan)
{
    if (panel.show)
        panel.show();
    if (panel.pump)
        panel.pump();
    CalibrateEeprom(link, clock, plan);
    CalibratePic(link, clock, plan);
    if (panel.close)
        panel.close();
}

} // namespace pellmora::link
