#include "PacedSwitchClock.h"
#include "SimBench.h"

#include "device/ComTest.h"
#include "device/DeviceClock.h"
#include "sim/SwitchMicrocontroller.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <thread>

using namespace pellmora;
using namespace pellmora::link;
using namespace pellmora::sim;

namespace pellmora::sim::test {
namespace {

constexpr quint16 Com1 = 0x3F8;
constexpr quint8 MsrInputs = 0xF0;

quint8 modemStatus(SimulatedSwitch &sim, quint16 base = Com1)
{
    sim.PortIn(base + 6); // clears the change bits
    return sim.PortIn(base + 6);
}

// A monotonic clock the test moves by hand, for the switch's own timing.
struct FakeMonotonicClock {
    std::shared_ptr<qint64> now = std::make_shared<qint64>(1'000'000'000);
    std::function<qint64()> source() const
    {
        return [n = now] { return *n; };
    }
    void advance(qint64 nanoseconds) { *now += nanoseconds; }
};

SimOptions timedOptions(const FakeMonotonicClock &clock, QList<Fault> faults = {})
{
    SimOptions options = simOptions(std::move(faults));
    options.monotonicNanos = clock.source();
    return options;
}

TEST(SimFaults, NamesRoundTripAndUnknownNamesAreRefused)
{
    const QStringList names = faultNames();
    ASSERT_EQ(names.size(), 12);
    for (const QString &name : names) {
        const std::optional<Fault> fault = faultFromName(name);
        ASSERT_TRUE(fault.has_value()) << name.toStdString();
        EXPECT_EQ(faultName(*fault), name);
    }
    for (const char *bad : {"", "No-Interface", "noisy", "flip-bit ", "bad_clock_reply"})
        EXPECT_FALSE(faultFromName(QString::fromLatin1(bad)).has_value()) << bad;
}

TEST(SimUart, RegistersAnswerLikeA16550)
{
    SimulatedSwitch sim(simOptions());
    for (quint16 base : {0x3F8, 0x2F8, 0x3E8, 0x2E8}) {
        sim.PortOut(base + 7, 0x5A);
        EXPECT_EQ(sim.PortIn(base + 7), 0x5A) << std::hex << base;
        sim.PortOut(base + 7, 0xA5);
        EXPECT_EQ(sim.PortIn(base + 7), 0xA5) << std::hex << base;
        EXPECT_EQ(sim.PortIn(base + 5), 0x60) << "line status: transmitter idle";
        EXPECT_EQ(sim.PortIn(base + 2), 0x01) << "no interrupt pending";
        sim.PortOut(base + 4, 0xFF);
        EXPECT_EQ(sim.PortIn(base + 4), 0x1F) << "modem control keeps five bits";
        sim.PortOut(base + 4, 0x00);
    }
    struct {
        quint16 address;
        const char *what;
    } const absent[] = {{0x300, "no UART"}, {0x2F0, "below COM2"}, {0x400, "above COM1"}};
    for (const auto &a : absent)
        EXPECT_EQ(sim.PortIn(a.address), 0xFF) << a.what;
}

TEST(SimInterface, ModemStatusFollowsSupplyDataLineAndFaults)
{
    struct Case {
        const char *name;
        quint8 port;
        QList<Fault> faults;
        std::function<void(Link &)> action;
        quint16 readBase;
        quint8 expected;
    };
    const auto powerOn = [](Link &l) { l.LinkPowerOn(); };
    const Case cases[] = {
        {"unpowered: data released, no presence", 0, {}, [](Link &) {}, Com1, 0x20},
        {"powered: presence and released data", 0, {}, powerOn, Com1, 0x30},
        {"master pulls data low", 0, {}, [](Link &l) { l.LinkPowerOn(); l.SdaLow(); }, Com1, 0x10},
        {"clock low leaves data high", 0, {}, [](Link &l) { l.LinkPowerOn(); l.SclLow(); }, Com1, 0x30},
        {"switched off again", 0, {}, [](Link &l) { l.LinkPowerOn(); l.LinkPowerOff(); }, Com1, 0x20},
        {"no interface", 0, {Fault::NoInterface}, powerOn, Com1, 0x20},
        {"data wire shorted", 0, {Fault::SdaStuckLow}, powerOn, Com1, 0x10},
        {"interface on COM3, COM1 powered", 2, {}, powerOn, Com1, 0x20},
        {"interface on COM3, COM3 powered", 2, {},
         [](Link &l) { l.state().PortBase = 0x3E8; l.LinkPowerOn(); }, 0x3E8, 0x30},
    };
    for (const Case &c : cases) {
        SimOptions options = simOptions(c.faults);
        options.port = c.port;
        SimBench bench(options);
        bench.state.PortBase = Com1;
        c.action(bench.link);
        EXPECT_EQ(modemStatus(bench.sim, c.readBase) & MsrInputs, c.expected) << c.name;
    }
}

// The interface's supply needs 10 ms to settle: a wait shorter than that
// finds no presence and a dead bus.
TEST(SimInterface, TheInterfaceAnswersTenMillisecondsAfterTheSupplyComesOn)
{
    struct Case {
        const char *name;
        qint64 waited;
        quint8 status;
        bool acknowledged;
    };
    const Case cases[] = {
        {"at once", 0, 0x20, false},
        {"after 9.9 ms", 9'900'000, 0x20, false},
        {"after 10 ms", 10'000'000, 0x30, true},
    };
    for (const Case &c : cases) {
        FakeMonotonicClock clock;
        SimBench bench(timedOptions(clock));
        bench.link.LinkPowerOn(); // the switch's own clock stands still meanwhile
        clock.advance(c.waited);
        EXPECT_EQ(modemStatus(bench.sim) & MsrInputs, c.status) << c.name;
        EXPECT_EQ(bench.send({0xA0}), std::vector<bool>{c.acknowledged}) << c.name;
    }
}

// The memory's write cycle lasts 5 ms by the switch's own clock: a select
// byte is refused until then.
TEST(SimMemory, TheWriteCycleRunsByTheSwitchsClock)
{
    struct Case {
        const char *name;
        qint64 waited;
        bool acknowledged;
    };
    const Case cases[] = {
        {"at once", 0, false},
        {"after 4.9 ms", 4'900'000, false},
        {"after 5 ms", 5'000'000, true},
    };
    for (const Case &c : cases) {
        FakeMonotonicClock clock;
        SimOptions options = timedOptions(clock);
        options.writeCycleSelects = 0; // real time, which is the clock's
        SimBench bench(options);
        bench.link.LinkPowerOn();
        clock.advance(10'000'000); // the supply settles
        ASSERT_EQ(bench.send({0xA0, 0x20, 0x5A}), std::vector<bool>(3, true)) << c.name;
        clock.advance(c.waited);
        EXPECT_EQ(bench.send({0xA0}), std::vector<bool>{c.acknowledged}) << c.name;
    }
}

// A cable pulled out after the given bus bytes leaves the port's inputs open:
// no presence, the data line reads low, so every byte looks acknowledged
// and reads 0x00, and nothing reaches the memory any more.
TEST(SimInterface, APulledCableLeavesTheInputsOpenAfterTheGivenBytes)
{
    SimOptions options = simOptions({Fault::PulledCable});
    options.pullCableAfterBytes = 3;
    SimBench bench(options);
    const QByteArray stored = toBytes(patternImage(5));
    bench.sim.setMemory(stored);
    bench.link.LinkPowerOn();
    EXPECT_EQ(modemStatus(bench.sim) & MsrInputs, 0x30);
    EXPECT_EQ(bench.readAt(0x010, 4), QByteArray(4, 0x00)) << "out after A0, 10, A1: no data comes";
    EXPECT_EQ(modemStatus(bench.sim) & MsrInputs, 0x00);
    EXPECT_EQ(bench.send({0xA0, 0x10, 0x5A}), std::vector<bool>(3, true));
    bench.link.LinkPowerOff();
    bench.link.LinkPowerOn();
    EXPECT_EQ(modemStatus(bench.sim) & MsrInputs, 0x00) << "the cable stays out";
    EXPECT_EQ(bench.sim.memory(), stored);
}

TEST(SimInterface, ChangeBitsReportEachInputChangeOnce)
{
    SimBench bench;
    bench.sim.PortIn(Com1 + 6);
    bench.link.LinkPowerOn();
    EXPECT_EQ(bench.sim.PortIn(Com1 + 6) & 0x0F, 0x01) << "CTS rose, DSR stayed high";
    EXPECT_EQ(bench.sim.PortIn(Com1 + 6) & 0x0F, 0x00);
    bench.sim.PortOut(Com1 + 4, bench.sim.PortIn(Com1 + 4) & ~0x02); // RTS low: data falls
    bench.sim.PortOut(Com1 + 4, bench.sim.PortIn(Com1 + 4) | 0x02);  // and rises again
    EXPECT_EQ(bench.sim.PortIn(Com1 + 6) & 0x0F, 0x02) << "a pulse between reads is not lost";
}

TEST(SimInterface, NoisyPortChangesBetweenEveryTwoReads)
{
    SimBench bench(simOptions({Fault::NoisyPort}));
    quint8 previous = bench.sim.PortIn(Com1 + 6);
    for (int i = 0; i < 4; ++i) {
        const quint8 now = bench.sim.PortIn(Com1 + 6);
        EXPECT_NE(now, previous);
        previous = now;
    }
}

// ------------------------------------------------------------------ memory

TEST(SimEeprom, FreshMemoryReadsErased)
{
    SimBench bench;
    std::array<quint8, 512> image{};
    ASSERT_TRUE(bench.readImage(image));
    EXPECT_EQ(toBytes(image), QByteArray(512, char(0xFF)));
}

TEST(SimEeprom, WholeImageWrittenInPagesReadsBackTheSame)
{
    SimBench bench;
    std::array<quint8, 512> image = patternImage(3);
    ASSERT_TRUE(bench.writeImage(image));
    EXPECT_EQ(bench.sim.memory(), toBytes(image));
    ASSERT_TRUE(bench.awaitWriteCycle());
    std::array<quint8, 512> back{};
    ASSERT_TRUE(bench.readImage(back));
    EXPECT_EQ(toBytes(back), toBytes(image));
}

TEST(SimEeprom, PageWriteWrapsInsideItsPage)
{
    SimBench bench;
    bench.link.LinkPowerOn();
    const std::vector<bool> acks = bench.send({0xA2, 0x1E, 0x11, 0x22, 0x33, 0x44});
    EXPECT_EQ(acks, std::vector<bool>(6, true));
    const QByteArray m = bench.sim.memory();
    EXPECT_EQ(quint8(m[0x11E]), 0x11);
    EXPECT_EQ(quint8(m[0x11F]), 0x22);
    EXPECT_EQ(quint8(m[0x110]), 0x33) << "wrapped to the start of the page";
    EXPECT_EQ(quint8(m[0x111]), 0x44);
    EXPECT_EQ(quint8(m[0x120]), 0xFF) << "the next page is untouched";
    EXPECT_EQ(quint8(m[0x01E]), 0xFF) << "block 0 is untouched";
}

TEST(SimEeprom, WriteCycleRefusesTheGivenNumberOfSelects)
{
    for (int selects : {1, 2, 5}) {
        SimBench bench(simOptions({}, selects));
        bench.link.LinkPowerOn();
        bench.send({0xA0, 0x00, 0x42});
        for (int i = 0; i < selects; ++i)
            EXPECT_EQ(bench.send({0xA1}), std::vector<bool>{false}) << selects << " select " << i;
        EXPECT_EQ(bench.send({0xA1}), std::vector<bool>{true}) << selects;
    }
}

TEST(SimEeprom, OnlyAStopRightAfterADataAcknowledgeWrites)
{
    struct Case {
        const char *name;
        std::function<void(SimBench &)> sequence;
        bool writes;
    };
    const Case cases[] = {
        {"data byte then stop", [](SimBench &b) { b.send({0xA0, 0x10, 0x55}); }, true},
        {"word address only", [](SimBench &b) { b.send({0xA0, 0x10}); }, false},
        {"repeated start after data",
         [](SimBench &b) {
             b.send({0xA0, 0x10, 0x55}, false);
             b.send({0xA1});
         },
         false},
        {"stop inside a data byte",
         [](SimBench &b) {
             b.send({0xA0, 0x10}, false);
             for (bool bit : {false, true, false})
                 b.link.I2cSendBit(bit);
             b.link.I2cStop();
         },
         false},
        {"stop after the data byte and three more bits",
         [](SimBench &b) {
             b.send({0xA0, 0x10, 0x55}, false);
             for (bool bit : {true, true, false})
                 b.link.I2cSendBit(bit);
             b.link.I2cStop();
         },
         false},
    };
    for (const Case &c : cases) {
        SimBench bench;
        bench.link.LinkPowerOn();
        c.sequence(bench);
        EXPECT_EQ(quint8(bench.sim.memory()[0x10]), c.writes ? 0x55 : 0xFF) << c.name;
        // A write cycle refuses the next select; without one it is taken.
        EXPECT_EQ(bench.send({0xA0}), std::vector<bool>{!c.writes}) << c.name;
    }
}

TEST(SimEeprom, SequentialReadRunsAcrossBlocksAndWrapsAtTheEnd)
{
    SimBench bench;
    bench.sim.setMemory(toBytes(patternImage()));
    bench.link.LinkPowerOn();
    const QByteArray m = bench.sim.memory();
    struct {
        quint16 from;
        std::array<int, 4> addresses;
    } const cases[] = {
        {0x0FE, {0x0FE, 0x0FF, 0x100, 0x101}},
        {0x1FE, {0x1FE, 0x1FF, 0x000, 0x001}},
        {0x1A7, {0x1A7, 0x1A8, 0x1A9, 0x1AA}},
    };
    for (const auto &c : cases) {
        const QByteArray got = bench.readAt(c.from, 4);
        ASSERT_EQ(got.size(), 4) << std::hex << c.from;
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(got[i], m[c.addresses[size_t(i)]]) << std::hex << c.from << " +" << i;
    }
}

TEST(SimEeprom, SetMemoryPadsShortAndCutsLongInput)
{
    SimulatedSwitch sim(simOptions());
    sim.setMemory(QByteArray(3, 0x11));
    EXPECT_EQ(sim.memory(), QByteArray(3, 0x11) + QByteArray(509, char(0xFF)));
    sim.setMemory(QByteArray(700, 0x22));
    EXPECT_EQ(sim.memory(), QByteArray(512, 0x22));
}

TEST(SimEepromFile, MemoryPersistsBetweenTwoInstances)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SimOptions options = simOptions();
    options.memoryPath = dir.filePath(QStringLiteral("state/eeprom.bin"));
    std::array<quint8, 512> image = patternImage(9);
    {
        SimBench first(options);
        ASSERT_TRUE(first.writeImage(image));
        EXPECT_EQ(first.send({0xA0}), std::vector<bool>{false}) << "the last page's write cycle";
        QFile saved(options.memoryPath);
        ASSERT_TRUE(saved.open(QIODevice::ReadOnly)) << "saved when the write cycle ended";
        EXPECT_EQ(saved.readAll(), toBytes(image));
    }
    SimBench second(options);
    EXPECT_TRUE(second.sim.memoryLoadProblem().isEmpty());
    std::array<quint8, 512> back{};
    ASSERT_TRUE(second.readImage(back));
    EXPECT_EQ(toBytes(back), toBytes(image));
}

TEST(SimEepromFile, UnusableStateFileGivesFreshMemory)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Case {
        const char *name;
        std::function<void(const QString &)> make;
        bool problem;
        bool refused = false; // no regular file: the switch is not there for the run
    };
    const auto withBytes = [](int n) {
        return [n](const QString &path) {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(n, 0x00));
        };
    };
    const Case cases[] = {
        {"missing", [](const QString &) {}, false},
        {"empty", withBytes(0), true},
        {"short", withBytes(511), true},
        {"long", withBytes(513), true},
        {"a directory", [](const QString &path) { QDir().mkpath(path); }, false, true},
        {"a pipe", [](const QString &path) { ASSERT_EQ(::mkfifo(qPrintable(path), 0644), 0); }, false, true},
        {"a link to itself", [](const QString &path) { ASSERT_TRUE(QFile::link(path, path)); }, false, true},
    };
    const auto contents = [](const QString &path) {
        QFile f(path);
        return QFileInfo(path).isFile() && f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("unreadable");
    };
    int n = 0;
    for (const Case &c : cases) {
        SimOptions options = simOptions();
        options.memoryPath = dir.filePath(QStringLiteral("case%1.bin").arg(n++));
        c.make(options.memoryPath);
        const QByteArray before = contents(options.memoryPath);
        {
            SimulatedSwitch sim(options);
            EXPECT_EQ(sim.memory(), QByteArray(512, char(0xFF))) << c.name;
            EXPECT_EQ(!sim.memoryLoadProblem().isEmpty(), c.problem) << c.name;
            EXPECT_EQ(!sim.closedReason().isEmpty(), c.refused) << c.name;
            EXPECT_EQ(sim.portFailed(), c.refused) << c.name;
        }
        EXPECT_EQ(contents(options.memoryPath), before) << c.name << ": left alone while nothing was written";
        {
            SimBench bench(options);
            bench.link.LinkPowerOn();
            bench.send({0xA0, 0x00, 0x5A});
        }
        if (!c.refused) {
            EXPECT_EQ(contents(options.memoryPath), QByteArray(1, 0x5A) + QByteArray(511, char(0xFF)))
                << c.name << ": replaced once the memory was written";
        }
    }
}

// A state file is used by one run at a time, as a port: a second run on it
// finds the switch missing, with the reason, and never writes the file.
TEST(SimEepromFile, ASecondRunOnTheSameStateFileIsRefused)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SimOptions options = simOptions();
    options.memoryPath = dir.filePath(QStringLiteral("eeprom.bin"));
    auto first = std::make_unique<SimulatedSwitch>(options);
    first->setMemory(QByteArray(512, 0x11));
    ASSERT_TRUE(first->closedReason().isEmpty());

    SimulatedSwitch second(options);
    EXPECT_EQ(second.closedReason().toStdString(),
              "Paměť simulovaného spínače " + options.memoryPath.toStdString() + " používá jiný program");
    EXPECT_TRUE(second.portFailed());
    EXPECT_FALSE(second.recover());
    second.setMemory(QByteArray(512, 0x22));
    QString error;
    EXPECT_TRUE(second.saveMemory(&error));
    EXPECT_FALSE(QFile::exists(options.memoryPath)) << "written by the run that was refused";

    first.reset();
    EXPECT_TRUE(second.recover()) << "free once the first run has ended";
    EXPECT_TRUE(second.closedReason().isEmpty());
    EXPECT_EQ(second.memory(), QByteArray(512, 0x11)) << "what the first run left";
}

TEST(SimEepromFile, SaveIntoAnImpossiblePlaceReportsTheCause)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile blocker(dir.filePath(QStringLiteral("plain-file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SimOptions options = simOptions();
    options.memoryPath = dir.filePath(QStringLiteral("plain-file/eeprom.bin"));
    SimulatedSwitch sim(options);
    sim.setMemory(QByteArray(512, 0x00));
    QString error;
    EXPECT_FALSE(sim.saveMemory(&error));
    EXPECT_TRUE(error.contains(QStringLiteral("plain-file"))) << error.toStdString();

    SimulatedSwitch unsaved(simOptions());
    EXPECT_TRUE(unsaved.saveMemory(&error)) << "no path: nothing to save";
}

// ------------------------------------------------------------------ clock

// Host local time: day 20000 since the epoch, 10:00:00.000.
constexpr qint64 HostMorning = 20000LL * 86400000 + 10LL * 3600000;

struct FakeHostClock {
    std::shared_ptr<qint64> now = std::make_shared<qint64>(HostMorning);
    std::function<qint64()> source() const
    {
        return [n = now] { return *n; };
    }
};

TEST(SimClock, RunsOnHostTimeWithOffsetAndDrift)
{
    struct Case {
        const char *name;
        qint64 offsetSeconds;
        double driftPerDay;
        qint64 advanceMs;
        QTime expected;
    };
    const Case cases[] = {
        {"host time", 0, 0, 0, QTime(10, 0, 0)},
        {"an hour ahead", 3600, 0, 0, QTime(11, 0, 0)},
        {"behind across midnight", -11 * 3600, 0, 0, QTime(23, 0, 0)},
        {"runs with the host", 0, 0, 61500, QTime(10, 1, 1, 500)},
        {"gains 86.4 s a day", 0, 86.4, 10'000'000, QTime(12, 46, 50)},
        {"loses 864 s a day", 0, -864, 100'000'000, QTime(13, 30, 0)},
    };
    for (const Case &c : cases) {
        FakeHostClock host;
        SimOptions options = simOptions();
        options.hostClock = host.source();
        options.clockOffsetSeconds = c.offsetSeconds;
        options.clockDriftPerDay = c.driftPerDay;
        SimulatedSwitch sim(options);
        *host.now += c.advanceMs;
        EXPECT_EQ(sim.deviceTime(), c.expected) << c.name;
    }
}

TEST(SimClock, SetAndReadOverTheBus)
{
    FakeHostClock host;
    SimOptions options = simOptions();
    options.hostClock = host.source();
    SimBench bench(options);
    bench.link.LinkPowerOn();
    ASSERT_TRUE(device::WriteDeviceClock(bench.link, QTime(14, 5, 37, 900)));
    EXPECT_EQ(bench.sim.deviceTime(), QTime(14, 5, 37)) << "the fraction is dropped";
    *host.now += 2500;
    QTime read;
    ASSERT_TRUE(device::ReadDeviceClock(bench.link, read));
    EXPECT_EQ(read, QTime(14, 5, 39));

    bench.sim.setDeviceTime(QTime(23, 59, 59));
    *host.now += 1000;
    ASSERT_TRUE(device::ReadDeviceClock(bench.link, read));
    EXPECT_EQ(read, QTime(0, 0, 0)) << "the clock runs over midnight";
}

TEST(SimClock, OutOfRangeFieldsAreRefused)
{
    struct Case {
        std::initializer_list<quint8> bytes;
        std::vector<bool> acks;
    };
    const Case cases[] = {
        {{0x60, 23, 59, 59}, {true, true, true, true}},
        {{0x60, 24}, {true, false}},
        {{0x60, 12, 60}, {true, true, false}},
        {{0x60, 12, 30, 60}, {true, true, true, false}},
        {{0x60, 1, 2, 3, 4}, {true, true, true, true, false}},
    };
    for (const Case &c : cases) {
        SimBench bench;
        bench.link.LinkPowerOn();
        EXPECT_EQ(bench.send(c.bytes), c.acks);
    }
}

// ------------------------------------------------------- presence and echo

// A switch on the fake clock whose powered bus has just become idle. Each
// bit delay of the link lasts delayNanos of it.
struct IdleBus {
    explicit IdleBus(SimOptions options = {}) : bench(withClock(std::move(options)))
    {
        bench.link.setDelayObserver([this] { clock.advance(delayNanos); });
        bench.link.LinkPowerOn();
        clock.advance(10'000'000); // the supply settles
        bench.link.SdaIsHigh();
    }
    SimOptions withClock(SimOptions options)
    {
        options.writeCycleSelects = 1;
        options.monotonicNanos = clock.source();
        return options;
    }
    FakeMonotonicClock clock;
    qint64 delayNanos = 0;
    SimBench bench;
};

// A fifth of a bit slot at `speed`: the bit delay of a bus at that speed.
constexpr qint64 delayAt(qint64 speed)
{
    return 100'000'000 / speed / 5;
}

// Ends the presence signal with a pulse the firmware sees.
void releasePresence(IdleBus &idle)
{
    idle.bench.link.SclLow();
    idle.clock.advance(2'000'000);
    idle.bench.link.SclHigh();
    idle.clock.advance(300'000);
}

TEST(SimMicrocontroller, AnnouncesAfterPowerUpAndAfterACommunicationTestOnly)
{
    struct Case {
        const char *name;
        std::function<void(SimBench &)> afterRelease;
        qint64 idle;
        bool announces;
    };
    const Case cases[] = {
        {"bus recovery: start and stop", [](SimBench &b) { b.link.I2cStart(); b.link.I2cStop(); }, 1'000'000'000,
         false},
        {"echo session, 4.5 ms later", [](SimBench &b) { b.send({0x5A}); }, 4'500'000, false},
        {"echo session, 5 ms later", [](SimBench &b) { b.send({0x5A}); }, 5'000'000, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        IdleBus idle;
        idle.delayNanos = delayAt(60);
        Link &link = idle.bench.link;
        constexpr qint64 bootWait = SwitchMicrocontroller::AnnounceAfterPowerUpNanos;
        idle.clock.advance(bootWait - 1'000'000);
        EXPECT_TRUE(link.SdaIsHigh()) << "still quiet";
        idle.bench.send({0x61, 0x00}); // bus traffic starts the wait over
        idle.clock.advance(bootWait - 1'000'000);
        EXPECT_TRUE(link.SdaIsHigh()) << "traffic started the wait over";
        idle.clock.advance(1'000'000);
        EXPECT_FALSE(link.SdaIsHigh()) << "announcing: data held low";
        idle.clock.advance(50'000'000);
        EXPECT_FALSE(link.SdaIsHigh()) << "held until the clock pulses";
        releasePresence(idle);
        ASSERT_TRUE(link.SdaIsHigh());
        c.afterRelease(idle.bench);
        idle.clock.advance(c.idle);
        EXPECT_EQ(link.SdaIsHigh(), !c.announces);
    }
}

// The firmware looks at its clock every 300 µs: it takes a pulse only when it
// saw the clock low for a bit slot of its speed, and lets go of the data line
// at its next look after the clock rose.
TEST(SimMicrocontroller, LetsGoOnlyAfterAPulseOfOneBitSlot)
{
    struct Case {
        const char *name;
        quint16 speed;
        qint64 low;
        bool seen;
    };
    const Case cases[] = {
        {"21 short pauses at 60 baud", 60, 210'000, false},
        {"1.2 ms at 60 baud", 60, 1'200'000, false},
        {"one slot at 60 baud", 60, 1'667'000, true},
        {"one 60-baud slot at 20 baud", 20, 1'667'000, false},
        {"one slot at 20 baud", 20, 5'000'000, true},
        {"one slot at 100 baud", 100, 1'000'000, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SimOptions options;
        options.picSpeed = c.speed;
        IdleBus idle(options);
        Link &link = idle.bench.link;
        idle.clock.advance(SwitchMicrocontroller::AnnounceAfterPowerUpNanos);
        ASSERT_FALSE(link.SdaIsHigh());
        link.SclLow();
        idle.clock.advance(c.low);
        link.SclHigh();
        EXPECT_FALSE(link.SdaIsHigh()) << "the firmware has not looked since the clock rose";
        idle.clock.advance(300'000);
        EXPECT_EQ(link.SdaIsHigh(), c.seen);
    }
}

// The firmware works the echo on its looks: it answers every byte at its
// speed or slower, and gets out of step on a faster bus.
TEST(SimMicrocontroller, EchoAnswersComplementsAtItsSpeedAndLeavesTheMemoryAlone)
{
    struct Case {
        qint64 busSpeed;
        bool answers;
    };
    const Case cases[] = {{60, true}, {30, true}, {120, false}, {1000, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "bus at " << c.busSpeed << " baud");
        IdleBus idle;
        SimBench &bench = idle.bench;
        idle.clock.advance(SwitchMicrocontroller::AnnounceAfterPowerUpNanos);
        ASSERT_FALSE(bench.link.SdaIsHigh());
        releasePresence(idle);
        ASSERT_TRUE(bench.link.SdaIsHigh());

        idle.delayNanos = delayAt(c.busSpeed);
        bench.link.I2cStart();
        // Bytes that would address and write the memory if it saw them.
        int answered = 0;
        for (quint8 v : {0xA0, 0x00, 0x12, 0xA1, 0x60, 0x00, 0xFE}) {
            const bool acknowledged = bench.link.I2cSendByte(v) == Ack::Given;
            answered += acknowledged && bench.link.I2cReadByte() == quint8(~v) ? 1 : 0;
        }
        EXPECT_EQ(answered == 7, c.answers) << answered << " answered";
        if (!c.answers) {
            EXPECT_LT(answered, 3);
        }
        bench.link.I2cStop();
        idle.delayNanos = 0;
        EXPECT_EQ(bench.sim.memory(), QByteArray(512, char(0xFF)));
        if (c.answers) {
            EXPECT_EQ(bench.send({0xA0, 0x00, 0x12}), std::vector<bool>(3, true)) << "back to normal";
            EXPECT_EQ(quint8(bench.sim.memory()[0]), 0x12);
        }
    }
}

// The bus recovery before a transfer frees whatever holds the data line and
// ends the echo session its pulse arms, so the transfer's own start goes to
// the memory.
TEST(SimMicrocontroller, BusRecoveryFreesTheDataLineForTheTransfer)
{
    struct Case {
        const char *name;
        QList<Fault> faults;
        std::function<void(SimBench &)> leave;
        bool recovers;
    };
    const Case cases[] = {
        {"idle bus", {}, [](SimBench &) {}, true},
        {"microcontroller announcing",
         {},
         [](SimBench &b) {
             std::this_thread::sleep_for(std::chrono::milliseconds(260));
             ASSERT_FALSE(b.link.SdaIsHigh());
         },
         true},
        {"memory in the middle of a read of zeros",
         {},
         [](SimBench &b) {
             b.sim.setMemory(QByteArray(512, '\0'));
             b.link.I2cStart();
             ASSERT_EQ(b.link.I2cSendByte(0xA1), Ack::Given);
             b.link.I2cReadBit();
             b.link.SclHigh();
             ASSERT_FALSE(b.link.SdaIsHigh());
         },
         true},
        {"data wire shorted", {Fault::SdaStuckLow}, [](SimBench &) {}, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SimBench bench(simOptions(c.faults));
        bench.link.LinkPowerOn();
        c.leave(bench);
        EXPECT_EQ(bench.link.RecoverBus(), c.recovers);
        if (c.recovers) {
            EXPECT_EQ(bench.send({0xA0, 0x00, 0x12}), std::vector<bool>(3, true));
        }
    }
}

// The memory programs a page for 5 ms after the stop: a supply that falls
// before then leaves the page erased; after it, programmed.
TEST(SimMemory, ASupplyCutInsideTheWriteCycleLosesThePage)
{
    struct Case {
        const char *name;
        qint64 waited;
        quint8 cell;
    };
    const Case cases[] = {
        {"cut at once", 0, 0xFF},
        {"cut after 4.9 ms", 4'900'000, 0xFF},
        {"cut after 5 ms", 5'000'000, 0x5A},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        IdleBus idle;
        ASSERT_EQ(idle.bench.send({0xA0, 0x20, 0x5A}), std::vector<bool>(3, true));
        idle.clock.advance(c.waited);
        idle.bench.sim.PortOut(Com1 + 3, 0x03); // the break bits cleared at once
        EXPECT_EQ(quint8(idle.bench.sim.memory()[0x20]), c.cell);
    }
}

// Switching the link off right after a page waits out the write cycle.
TEST(SimMemory, LinkPowerOffKeepsThePageItsWriteCycleIsProgramming)
{
    SimBench bench(simOptions({}, 0));
    bench.link.LinkPowerOn();
    std::array<quint8, 512> image{};
    image.fill(0x5A);
    ASSERT_TRUE(bench.link.EepromWrite(image, 16, 0, 16));
    bench.link.LinkPowerOff();
    EXPECT_EQ(bench.sim.memory().left(16), QByteArray(16, 0x5A));
}

TEST(SimMicrocontroller, CommunicationTestOutcomeForEveryFault)
{
    struct Case {
        const char *name;
        QList<Fault> faults;
        int error;
    };
    const Case cases[] = {
        {"healthy", {}, 0},
        {"no-interface", {Fault::NoInterface}, 2},
        {"noisy-port", {Fault::NoisyPort}, 1},
        {"sda-stuck-low", {Fault::SdaStuckLow}, 4},
        {"silent-pic", {Fault::SilentPic}, 3},
        {"wrong-echo", {Fault::WrongEcho}, 5},
        {"no-eeprom: the test does not touch the memory", {Fault::NoEeprom}, 0},
        {"pulled-cable: out after the first echo", {Fault::PulledCable}, 5},
        {"break-refused", {Fault::BreakRefused}, 2},
        {"short-break: the supply ends after 196 ms", {Fault::ShortBreak}, 2},
    };
    for (const Case &c : cases) {
        pellmora::test::PacedSwitchClock clock;
        SimOptions options = simOptions(c.faults);
        options.monotonicNanos = clock.source();
        SimBench bench(options);
        clock.pace(bench.link, bench.sim);
        const device::ComTestOutcome outcome = device::RunComTest(bench.link);
        EXPECT_TRUE(outcome.started) << c.name;
        EXPECT_EQ(outcome.error, c.error) << c.name;
        EXPECT_EQ(outcome.connected, c.error == 0) << c.name;
        if (c.error == 0) {
            EXPECT_EQ(outcome.exchanges, 5) << c.name;
            EXPECT_EQ(outcome.score, 205) << c.name;
        } else {
            EXPECT_EQ(outcome.notices.size(), 1) << c.name;
        }
    }
}

TEST(SimMicrocontroller, CommunicationTestPassesAgainAndAgainWithoutWritingTheMemory)
{
    pellmora::test::PacedSwitchClock clock;
    SimOptions options = simOptions();
    options.monotonicNanos = clock.source();
    SimBench bench(options);
    clock.pace(bench.link, bench.sim);
    for (int run = 0; run < 12; ++run) {
        const device::ComTestOutcome outcome = device::RunComTest(bench.link);
        ASSERT_TRUE(outcome.connected) << "run " << run << " error " << outcome.error;
    }
    EXPECT_EQ(bench.sim.memory(), QByteArray(512, char(0xFF)));
}

} // namespace
} // namespace pellmora::sim::test
