#include "link/Link.h"
#include "RecordingPortIo.h"
#include "link/Timing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace pellmora;
using namespace pellmora::link;

namespace pellmora::test {
namespace {

TEST(LoopCountForSpeed, WorkedNumbers)
{
    struct Case {
        quint64 loopCount, transfers, micros;
        quint16 speed;
        quint32 expected;
    };
    const Case cases[] = {
        {100000, 100, 25000, 1000, 40000},
        {100000, 100, 25000, 60, 666600}, // quotient 6666 truncated before the * 100
        {100000, 100, 999000, 2000, 500},
        // The same measurement over the whole elapsed time: more than a second
        // counts in full, and four times the run gives the same count.
        {100000, 100, 1500000, 1000, 600},
        {100000, 400, 100000, 1000, 40000},
    };
    for (const Case &c : cases)
        EXPECT_EQ(LoopCountForSpeed(c.loopCount, c.transfers, c.micros, c.speed), c.expected)
            << c.micros << " us at " << c.speed;
}

TEST(LoopCountForSpeed, DegenerateInputsNeitherDivideByZeroNorWrap)
{
    const quint32 most = std::numeric_limits<quint32>::max();
    EXPECT_EQ(LoopCountForSpeed(100000, 100, 0, 1000), LoopCountForSpeed(100000, 100, 1, 1000));
    EXPECT_EQ(LoopCountForSpeed(100000, 100, 25000, 0), LoopCountForSpeed(100000, 100, 25000, 1));
    EXPECT_EQ(LoopCountForSpeed(most, std::numeric_limits<quint64>::max(), 1, 1), most);
    EXPECT_EQ(LoopCountForSpeed(most, 100, 1, 1), most);
    EXPECT_EQ(LoopCountForSpeed(1, 1, std::numeric_limits<quint64>::max(), 65535), 0u);
    EXPECT_EQ(LoopCountForSpeed(0, 100, 25000, 1000), 0u);
}

struct TimingBench {
    RecordingPortIo io;
    LinkState state;
    Link link{io, state};
    // Simulated time: each read of a port costs readNanos, each BitDelay step
    // LoopCount * iterationNanos.
    double readNanos = 500;
    double iterationNanos = 1;
    double nanos = 0;
    bool delaysRecorded = false;

    TimingBench()
    {
        io.readHook = [this](quint16) -> std::optional<quint8> {
            nanos += readNanos;
            return std::nullopt;
        };
        link.setDelayObserver([this] {
            nanos += state.LoopCount * iterationNanos;
            if (delaysRecorded)
                io.markDelay();
        });
    }
    MonotonicMicros clock()
    {
        return [this] { return quint64(nanos / 1000); };
    }
    // One bit slot at the current LoopCount, in simulated nanoseconds.
    double slotNanos() const { return 5 * state.LoopCount * iterationNanos + 12 * readNanos; }
};

TEST(MockOperations, ReadTheCalibrationPortWhateverPortIsSelected)
{
    TimingBench t;
    t.delaysRecorded = true;
    t.state.PortBase = 0x3F8;
    t.state.SelectedPort = 0;
    MockLineOperation(t.link);
    EXPECT_EQ(t.io.log, (std::vector<PortAccess>{In(0x2FD, 0), In(0x2FD, 0), In(0x2FD, 0)}));
    t.io.log.clear();
    MockBitTransfer(t.link);
    const std::string op = "in:2fd in:2fd in:2fd";
    EXPECT_EQ(LineOperations(t.io.log, 0x3F8), op + " w " + op + " w " + op + " w w " + op + " w");
}

TEST(CalibrateLoop, OneBitSlotLastsAHundredOverSpeedMilliseconds)
{
    // Port reads cost a fixed time that a longer loop does not stretch; the
    // count must still give the wanted slot time, at high speeds too.
    struct Case {
        quint16 speed;
        double readNanos;
        double iterationNanos;
    };
    const Case cases[] = {
        {2000, 500, 1}, {1000, 500, 1}, {200, 2000, 0.5}, {100, 500, 1}, {20, 500, 1}, {1000, 0, 0.3},
    };
    for (const Case &c : cases) {
        TimingBench t;
        t.readNanos = c.readNanos;
        t.iterationNanos = c.iterationNanos;
        CalibrateLoop(t.link, c.speed, t.clock());
        const double wanted = 1e8 / c.speed;
        EXPECT_NEAR(t.slotNanos() / wanted, 1.0, 0.01) << "speed " << c.speed << " count " << t.state.LoopCount;
        EXPECT_EQ(t.io.countWrites(), 0u) << "calibration never drives a line";
        EXPECT_EQ(t.io.countReads(0x2FD), t.io.log.size());
    }
}

// A port whose line operations alone outlast the slot (a USB adapter, each
// line change a USB transfer): the bus delay goes to 0 and the calibration
// says what speed the bus reaches; within 5 % of the wanted slot counts as
// reached.
TEST(CalibrateLoop, APortSlowerThanTheSlotLeavesNoDelayAndSaysWhatItReaches)
{
    struct Case {
        quint16 speed;
        double readNanos; // twelve reads per mock bit
        quint32 loopCount;
        quint16 reached;
    };
    const Case cases[] = {
        {1000, 500, 0, 1000},    // fast port: a delay is left (count checked below)
        {2000, 50000, 0, 166},   // 600 us a bit where 50 us are wanted
        {1000, 10000, 0, 833},   // 120 us where 100 us are wanted
        {1000, 8500, 0, 1000},   // 102 us: within 5 %
        {60, 50000, 0, 60},      // slow speed: the delay absorbs the port
    };
    for (const Case &c : cases) {
        TimingBench t;
        t.readNanos = c.readNanos;
        const quint16 reached = CalibrateLoop(t.link, c.speed, t.clock());
        EXPECT_EQ(reached, c.reached) << c.speed << " baud, reads of " << c.readNanos << " ns";
        const bool portTooSlow = 12 * c.readNanos > 1e8 / c.speed;
        EXPECT_EQ(t.state.LoopCount == 0, portTooSlow) << c.speed << " count " << t.state.LoopCount;
    }

    TimingBench slow;
    slow.readNanos = 50000;
    slow.state.EepromBaudRate = 2000;
    slow.state.PicBaudRate = 60;
    CalibrateEeprom(slow.link, slow.clock());
    CalibratePic(slow.link, slow.clock());
    EXPECT_EQ(slow.state.EepromSpeedLimit, 166);
    EXPECT_EQ(slow.state.PicSpeedLimit, 0) << "the microcontroller's speed is reached";
    slow.readNanos = 500;
    CalibrateEeprom(slow.link, slow.clock());
    EXPECT_EQ(slow.state.EepromSpeedLimit, 0) << "a later calibration that reaches the speed clears the limit";
}

// A port whose backend has timed its own calls (a serial adapter, measured
// once per device): the calibration touches no port at all, measures only
// the loop, and fills what the port leaves of the slot.
TEST(CalibrateLoop, OverATimedPortOnlyTheLoopIsMeasured)
{
    struct TimedPort : RecordingPortIo {
        quint64 micros = 0;
        quint64 bitSlotPortMicros() override { return micros; }
    };
    struct Case {
        quint16 speed;
        quint64 portMicros;
        double iterationNanos;
        quint16 reached;
    };
    const Case cases[] = {
        {1000, 40, 1, 1000}, {2000, 10, 0.3, 2000}, {200, 400, 0.5, 200}, {60, 1000, 1, 60},
        {1000, 4000, 1, 25}, {60, 6005, 1, 16},
    };
    for (const Case &c : cases) {
        TimedPort io;
        io.micros = c.portMicros;
        LinkState state;
        Link link(io, state);
        double nanos = 0;
        link.setDelayObserver([&] { nanos += state.LoopCount * c.iterationNanos; });
        const quint16 reached = CalibrateLoop(link, c.speed, [&] { return quint64(nanos / 1000); });
        EXPECT_EQ(reached, c.reached) << c.speed << " baud over " << c.portMicros << " us";
        EXPECT_TRUE(io.log.empty()) << "no port access";
        const double slotMicros = 5 * state.LoopCount * c.iterationNanos / 1000 + double(c.portMicros);
        if (c.reached == c.speed)
            EXPECT_NEAR(slotMicros / (1e5 / c.speed), 1.0, 0.01) << c.speed << " count " << state.LoopCount;
        else
            EXPECT_EQ(state.LoopCount, 0u);
    }
}

TEST(CalibrateLoop, ShortRunsAreLengthenedAndAStuckClockEndsTheMeasurement)
{
    TimingBench t;
    CalibrationPlan plan;
    plan.firstLoopCount = 1000;
    plan.firstTransfers = 10;
    plan.maxLengthenings = 3;
    CalibrateLoop(t.link, 1000, [] { return quint64(7); }, plan);
    // 10, 40, 160 and 640 transfers of 12 reads, then no refinement.
    EXPECT_EQ(t.io.countReads(0x2FD), std::size_t(10 + 40 + 160 + 640) * 12);
    EXPECT_EQ(t.state.LoopCount, LoopCountForSpeed(1000, 640, 0, 1000));
}

TEST(CalibrateLoop, ARunLongEnoughAtOnceIsNotLengthened)
{
    TimingBench t;
    CalibrationPlan plan;
    plan.refinements = 0;
    CalibrateLoop(t.link, 1000, t.clock(), plan);
    // 100 transfers of 5 * 100000 iterations at 1 ns: 50 ms, long enough.
    EXPECT_EQ(t.io.countReads(0x2FD), 100u * 12);
    EXPECT_EQ(t.state.LoopCount, LoopCountForSpeed(100000, 100, 50600, 1000));
}

TEST(CalibrateLoop, SpeedZeroRunsAsTheLowestOfItsRange)
{
    const auto calibrated = [](const std::function<void(TimingBench &)> &run) {
        TimingBench t;
        run(t);
        return t.state;
    };
    const quint32 at20 = calibrated([](TimingBench &t) { CalibrateLoop(t.link, 20, t.clock()); }).LoopCount;
    const quint32 at200 = calibrated([](TimingBench &t) { CalibrateLoop(t.link, 200, t.clock()); }).LoopCount;
    EXPECT_EQ(calibrated([](TimingBench &t) { CalibrateLoop(t.link, 0, t.clock()); }).LoopCount, at20);

    const LinkState eeprom = calibrated([](TimingBench &t) {
        t.state.EepromBaudRate = 0;
        CalibrateEeprom(t.link, t.clock());
    });
    EXPECT_EQ(eeprom.EEPROM_Loop, at200);
    EXPECT_EQ(eeprom.LoopCount, at200);

    const LinkState pic = calibrated([](TimingBench &t) {
        t.state.PicBaudRate = 0;
        CalibratePic(t.link, t.clock());
    });
    EXPECT_EQ(pic.PICmicro_Loop, at20);
    EXPECT_GT(at20, at200);
}

TEST(CalibrationSequence, PanelFirstThenEepromThenMicrocontrollerThenClose)
{
    TimingBench t;
    t.state.EepromBaudRate = 1000;
    t.state.PicBaudRate = 60;
    std::vector<std::string> steps;
    std::size_t readsAtShow = 1, readsAtPump = 1;
    CalibrationPanel panel;
    panel.show = [&] {
        steps.push_back("show");
        readsAtShow = t.io.log.size();
    };
    panel.pump = [&] {
        steps.push_back("pump");
        readsAtPump = t.io.log.size();
    };
    panel.close = [&] {
        steps.push_back("close");
        EXPECT_NE(t.state.PICmicro_Loop, 0u) << "closed only after both calibrations";
    };
    RunCalibrationSequence(t.link, panel, t.clock());
    EXPECT_EQ(steps, (std::vector<std::string>{"show", "pump", "close"}));
    EXPECT_EQ(readsAtShow, 0u);
    EXPECT_EQ(readsAtPump, 0u) << "the panel paints before the measurement starts";

    TimingBench alone;
    CalibrateLoop(alone.link, 1000, alone.clock());
    EXPECT_NEAR(double(t.state.EEPROM_Loop) / alone.state.LoopCount, 1.0, 0.02);
    EXPECT_GT(t.state.PICmicro_Loop, t.state.EEPROM_Loop * 10);
    EXPECT_EQ(t.state.LoopCount, t.state.PICmicro_Loop);
}

} // namespace
} // namespace pellmora::test
