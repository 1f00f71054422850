#include "SimRig.h"

#include "device/ComTest.h"
#include "device/ConnectionWatch.h"
#include "device/DeviceClock.h"
#include "device/DeviceMemory.h"
#include "device/HexText.h"
#include "device/ServiceTransfers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

using namespace pellmora;
using namespace pellmora::model;
using namespace pellmora::port;
using namespace pellmora::link;
using namespace pellmora::sim;
using namespace pellmora::device;
using namespace Qt::StringLiterals;
using pellmora::sim::Fault;
using pellmora::test::patternImage;
using pellmora::test::SimRig;

namespace {

Notice M(const char *text) { return Notice::message(QString::fromUtf8(text)); }
Notice I(const char *text) { return Notice::info(QString::fromUtf8(text)); }

const Notices writeRefused = {
    M("EEPROMka neposílá ACK, nebo je na spojení nějaká chybička - nemožno komunikovati"),
    I("*** NOT VALID I2C OPERATION ***")};
const Notices loadRefused = {
    M("EEPROMka neposílá ACK, nebo je na spojení nějaká chybička - nemožno komunikovati"),
    I("*** NOT VALID I2C OPERATION *** ")};
const Notices loaded = {I("*** DATA LOADED WITH NO ERRORS *** ")};
const Notices writeBusStuck = {Notice::message(busStuckText()), I("*** NOT VALID I2C OPERATION ***")};
const Notices loadBusStuck = {Notice::message(busStuckText()), I("*** NOT VALID I2C OPERATION *** ")};
const Notices verifyBusStuck = {
    Notice::message(busStuckText()), I("*** NOT VALID I2C OPERATION ***"),
    M("Nějak ti to hapruje člověče, nebo já už sem z toho uplně blbej,     > NO VERIFICATION OK <"),
    I("*** VERIFICATION ERROR *** ")};
const Notices verifiedEqual = {I("*** I2C OPERATION VALID ***"),
                               M("No výborně, musím se zase pochválit a obsluhu taky, žejo?"),
                               I("*** VERIFICATION OK MY BABY *** ")};
const Notices verifiedDifferent = {
    I("*** I2C OPERATION VALID ***"),
    M("Nějak ti to hapruje člověče, nebo já už sem z toho uplně blbej,     > NO VERIFICATION OK <"),
    I("*** VERIFICATION ERROR *** ")};
const Notices verifyRefused = {
    M("Nemožná komunikace se zařízením - neposílá ACK"), I("*** NOT VALID I2C OPERATION ***"),
    M("Nějak ti to hapruje člověče, nebo já už sem z toho uplně blbej,     > NO VERIFICATION OK <"),
    I("*** VERIFICATION ERROR *** ")};

TEST(DeviceMemory, ProgramThenLoadThenVerifyGiveBackTheSameBytes)
{
    SimRig rig;
    DeviceMemoryState memory;
    const DeviceImage programmed = patternImage();

    const DeviceOutcome written = WriteDeviceMemory(rig.link, memory, programmed);
    EXPECT_TRUE(written.ok);
    EXPECT_EQ(written.notices, verifiedEqual);
    EXPECT_EQ(rig.sim.memory(), programmed.toBytes());
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(memory.VerifyBuffer.data()), 512), programmed.toBytes());

    DeviceImage read;
    const DeviceOutcome load = ReadDeviceMemory(rig.link, read);
    EXPECT_TRUE(load.ok);
    EXPECT_EQ(load.notices, loaded);
    EXPECT_EQ(read, programmed);

    const DeviceOutcome verified = VerifyDevice(rig.link, memory, read);
    EXPECT_TRUE(verified.ok);
    EXPECT_EQ(verified.notices, verifiedEqual);
    EXPECT_EQ(rig.state.LoopCount, rig.state.EEPROM_Loop);
}

TEST(DeviceMemory, TransfersRunOnTheSelectedPortWhateverPortBaseHeld)
{
    SimRig rig({}, 2);
    rig.state.SelectedPort = 2;
    rig.state.PortBase = 0x2F8; // left by an earlier command on another port
    DeviceMemoryState memory;
    EXPECT_TRUE(WriteDeviceMemory(rig.link, memory, patternImage()).ok);
    EXPECT_EQ(rig.state.PortBase, 0x3E8);
}

TEST(DeviceMemory, ASingleDifferingByteAnywhereFailsTheVerification)
{
    for (int address : {0, 255, 256, 0x1F0, 511}) {
        SimRig rig;
        DeviceMemoryState memory;
        DeviceImage image = patternImage();
        rig.sim.setMemory(image.toBytes());
        image.setByteAt(address, quint8(image.byteAt(address) ^ 0x10));
        rig.powerSelectedPort();

        const DeviceOutcome verified = VerifyDevice(rig.link, memory, image);
        EXPECT_FALSE(verified.ok) << address;
        EXPECT_EQ(verified.notices, verifiedDifferent) << address;
        EXPECT_EQ(differingAddresses(memory.VerifyBuffer, image), QList<int>{address});
        EXPECT_EQ(memory.VerifiedImage, image); // what the differences are worded against
    }
}

// Every fault of the simulated switch, against each EEPROM command on its own
// fresh switch whose memory already holds the image: what the user is told,
// and that nothing the user has is lost.
TEST(DeviceMemory, EveryFaultEndsInItsMessageWithNothingLost)
{
    struct Case {
        const char *name;
        QList<Fault> faults;
        Notices program;
        Notices load;
        Notices verify;
    };
    const QList<Case> cases = {
        {"no fault", {}, verifiedEqual, loaded, verifiedEqual},
        {"no-interface", {Fault::NoInterface}, writeRefused, loadRefused, verifyRefused},
        {"break-refused", {Fault::BreakRefused}, writeRefused, loadRefused, verifyRefused},
        {"sda-stuck-low", {Fault::SdaStuckLow}, writeBusStuck, loadBusStuck, verifyBusStuck},
        {"no-eeprom", {Fault::NoEeprom}, writeRefused, loadRefused, verifyRefused},
        {"endless-write", {Fault::EndlessWrite}, writeRefused, loaded, verifiedEqual},
        {"flip-bit", {Fault::FlipBit}, verifiedDifferent, loaded, verifiedDifferent},
        {"noisy-port", {Fault::NoisyPort}, verifiedEqual, loaded, verifiedEqual},
        {"silent-pic", {Fault::SilentPic}, verifiedEqual, loaded, verifiedEqual},
        {"wrong-echo", {Fault::WrongEcho}, verifiedEqual, loaded, verifiedEqual},
        {"bad-clock-reply", {Fault::BadClockReply}, verifiedEqual, loaded, verifiedEqual},
    };
    const DeviceImage stored = patternImage(1);
    const DeviceImage edited = patternImage(2);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        {
            SimRig rig(c.faults);
            DeviceMemoryState memory;
            const DeviceOutcome outcome = WriteDeviceMemory(rig.link, memory, edited);
            EXPECT_EQ(outcome.notices, c.program);
            EXPECT_EQ(outcome.ok, c.program == verifiedEqual);
        }
        {
            SimRig rig(c.faults);
            rig.sim.setMemory(stored.toBytes());
            DeviceImage image = edited;
            const DeviceOutcome outcome = ReadDeviceMemory(rig.link, image);
            EXPECT_EQ(outcome.notices, c.load);
            EXPECT_EQ(outcome.ok, c.load == loaded);
            if (c.load != loaded) {
                EXPECT_EQ(image, edited); // a failed load keeps the program being edited
            }
        }
        {
            SimRig rig(c.faults);
            rig.sim.setMemory(stored.toBytes());
            DeviceMemoryState memory;
            memory.VerifyBuffer.fill(0x5A);
            rig.powerSelectedPort();
            const DeviceOutcome outcome = VerifyDevice(rig.link, memory, stored);
            EXPECT_EQ(outcome.notices, c.verify);
            EXPECT_EQ(outcome.deviceAnswered, c.verify != verifyRefused && c.verify != verifyBusStuck);
            if (!outcome.deviceAnswered) {
                EXPECT_EQ(memory.VerifyBuffer[0], 0x5A); // a refused read keeps the last listing
                EXPECT_FALSE(memory.VerifiedImage);
            } else {
                EXPECT_EQ(memory.VerifiedImage, stored);
            }
        }
    }
}

// Whatever holds the data line when a command starts (a memory left in the
// middle of a read, the microcontroller announcing itself after power-up or
// after a communication test), the bus recovery frees it and the command
// works at its first attempt.
TEST(DeviceMemory, EveryCommandWorksAtOnceWhateverHeldTheDataLine)
{
    struct Held {
        const char *name;
        std::function<void(SimRig &)> leave;
    };
    const QList<Held> states = {
        {"memory in the middle of a read",
         [](SimRig &rig) {
             rig.sim.setMemory(QByteArray(512, '\0'));
             rig.powerSelectedPort();
             rig.link.AddressDevice(0xA1);
             rig.link.I2cReadBit();
             rig.link.SclHigh();
         }},
        {"microcontroller announcing after power-up",
         [](SimRig &rig) {
             rig.powerSelectedPort();
             std::this_thread::sleep_for(std::chrono::milliseconds(260));
         }},
        {"right after a communication test", [](SimRig &rig) { ASSERT_TRUE(RunComTest(rig.link).connected); }},
    };
    struct Command {
        const char *name;
        std::function<bool(SimRig &)> run;
    };
    const QList<Command> commands = {
        {"program",
         [](SimRig &rig) {
             DeviceMemoryState memory;
             return WriteDeviceMemory(rig.link, memory, patternImage()).ok;
         }},
        {"load",
         [](SimRig &rig) {
             DeviceImage image;
             return ReadDeviceMemory(rig.link, image).ok;
         }},
        {"fetch the time",
         [](SimRig &rig) {
             QTime shown;
             return FetchDeviceTime(rig.link, shown).ok;
         }},
    };
    for (const Held &held : states) {
        for (const Command &command : commands) {
            SCOPED_TRACE(std::string(held.name) + ", " + command.name);
            SimRig rig;
            held.leave(rig);
            if (held.name != states.last().name) {
                ASSERT_FALSE(rig.link.SdaIsHigh());
            }
            EXPECT_TRUE(command.run(rig));
        }
    }
}

TEST(DeviceMemory, ProgrammingReportsProgressThenVerifiesOnce)
{
    SimRig rig;
    DeviceMemoryState memory;
    QList<QPair<int, int>> calls;
    int verifyingAt = -1;
    int pumps = 0;
    TransferObserver observer;
    observer.progress = [&](int done, int total) { calls << qMakePair(done, total); };
    observer.pump = [&] { ++pumps; };
    observer.verifying = [&] { verifyingAt = int(calls.size()); };

    EXPECT_TRUE(WriteDeviceMemory(rig.link, memory, patternImage(), observer).ok);
    EXPECT_EQ(pumps, calls.size()); // the window gets its messages after every step
    ASSERT_GT(verifyingAt, 0);
    ASSERT_LT(verifyingAt, calls.size());
    EXPECT_EQ(calls[verifyingAt - 1], qMakePair(512, 512)); // the write finished ...
    EXPECT_EQ(calls.last(), qMakePair(512, 512));           // ... and so did the read
    for (int i = 1; i < calls.size(); ++i) {
        if (i != verifyingAt) {
            EXPECT_GE(calls[i].first, calls[i - 1].first) << i;
        }
    }
}

// A second device command started while one runs (a click pumped in during
// a transfer) is refused, touches no register, and the running one goes on.
TEST(DeviceMemory, CommandsAreRefusedWhileAnotherRuns)
{
    SimRig rig;
    DeviceMemoryState memory;
    DeviceImage image = patternImage();
    GridBuffer grid{};
    QTime shown(1, 2, 3);
    const QStringList cells(512, u"00"_s);
    struct Command {
        const char *name;
        std::function<std::pair<bool, Notices>()> run;
    };
    const QList<Command> commands = {
        {"program", [&] { auto o = WriteDeviceMemory(rig.link, memory, image); return std::pair{o.started, o.notices}; }},
        {"load", [&] { auto o = ReadDeviceMemory(rig.link, image); return std::pair{o.started, o.notices}; }},
        {"verify", [&] { auto o = VerifyDevice(rig.link, memory, image); return std::pair{o.started, o.notices}; }},
        {"test", [&] { auto o = RunComTest(rig.link); return std::pair{o.started, o.notices}; }},
        {"fetch", [&] { auto o = FetchDeviceTime(rig.link, shown); return std::pair{o.started, o.notices}; }},
        {"store", [&] { auto o = StoreDeviceTime(rig.link, shown); return std::pair{o.started, o.notices}; }},
        {"service load", [&] { auto o = ServiceLoad(rig.link, grid); return std::pair{o.started, o.notices}; }},
        {"service program",
         [&] { auto o = ServiceProgram(rig.link, grid, cells); return std::pair{o.started, o.notices}; }},
    };

    int pumpedClicks = 0;
    TransferObserver observer;
    observer.pump = [&] {
        if (pumpedClicks++ > 0)
            return;
        const QByteArray before = rig.sim.memory();
        const QList<quint8> registersBefore = {rig.sim.PortIn(0x3FC), rig.sim.PortIn(0x3FB)};
        for (const Command &command : commands) {
            const auto [started, notices] = command.run();
            EXPECT_FALSE(started) << command.name;
            EXPECT_EQ(notices, Notices{Notice::message(busyText())}) << command.name;
        }
        EXPECT_FALSE(PowerServicePort(rig.link));
        EXPECT_EQ(rig.state.PortBase, 0x3F8);
        EXPECT_EQ(rig.sim.memory(), before);
        EXPECT_EQ((QList<quint8>{rig.sim.PortIn(0x3FC), rig.sim.PortIn(0x3FB)}), registersBefore);
    };
    EXPECT_TRUE(WriteDeviceMemory(rig.link, memory, patternImage(), observer).ok);
    EXPECT_GT(pumpedClicks, 1);

    // Once the command has ended the next one runs.
    EXPECT_TRUE(ReadDeviceMemory(rig.link, image).ok);
}

// The switch on COM1 behind a serial adapter that is pulled out after a
// number of port accesses: its outputs drop (the interface loses its supply),
// reads give 0xFF, writes go nowhere, and the failure stays until an
// operation starts once the adapter is back, which then sets the lines as
// they were last written.
class FailingPort : public PortIo {
public:
    explicit FailingPort(PortIo &inner) : inner_(inner) {}
    quint8 PortIn(quint16 address) override { return dead() ? 0xFF : inner_.PortIn(address); }
    void PortOut(quint16 address, quint8 value) override
    {
        if (dead())
            return;
        inner_.PortOut(address, value);
        if (address == LineControl || address == ModemControl)
            written_[address == ModemControl] = value;
    }
    bool portFailed() const override { return failed_; }
    bool recover() override
    {
        if (!failed_ || !back)
            return false;
        failed_ = false;
        inner_.PortOut(LineControl, written_[0]);
        inner_.PortOut(ModemControl, written_[1]);
        return true;
    }
    void failAfter(int accesses) { left_ = accesses; }
    bool back = false; // the adapter is plugged in again

private:
    static constexpr quint16 LineControl = 0x3FB;
    static constexpr quint16 ModemControl = 0x3FC;
    bool dead()
    {
        if (!failed_ && left_ >= 0 && left_-- == 0) {
            failed_ = true;
            inner_.PortOut(LineControl, 0x00);
            inner_.PortOut(ModemControl, 0x00);
        }
        return failed_;
    }
    PortIo &inner_;
    int left_ = -1;
    bool failed_ = false;
    std::array<quint8, 2> written_{};
};

// Every device command whose port fails in its middle ends failed with the
// message of a broken connection and uses nothing it read; once the port is
// back, the next command works without anything being reopened by hand.
TEST(DeviceMemory, APortFailureFailsTheTransferAndTheNextCommandRecovers)
{
    SimRig rig;
    FailingPort port(rig.sim);
    Link link(port, rig.state);
    rig.clock.pace(link, rig.sim);
    rig.sim.setMemory(patternImage(1).toBytes());
    DeviceMemoryState memory;
    memory.VerifyBuffer.fill(0x5A);
    DeviceImage image = patternImage(2);
    GridBuffer grid{};
    QTime shown(1, 2, 3);
    const auto cellsOf = [](const GridBuffer &bytes) {
        QStringList cells;
        for (const quint8 byte : bytes)
            cells << NumberToHexText(byte, 2);
        return cells;
    };
    const Notice lost = Notice::message(connectionLostText());
    struct Command {
        const char *name;
        int failAfter; // port accesses: in the middle of the transfer
        std::function<std::pair<bool, Notices>()> run;
        Notices failed;
    };
    const QList<Command> commands = {
        {"program", 3000, [&] { auto o = WriteDeviceMemory(link, memory, image); return std::pair{o.ok, o.notices}; },
         {lost, I("*** NOT VALID I2C OPERATION ***")}},
        {"load", 3000, [&] { auto o = ReadDeviceMemory(link, image); return std::pair{o.ok, o.notices}; },
         {lost, I("*** NOT VALID I2C OPERATION *** ")}},
        {"verify", 3000, [&] { auto o = VerifyDevice(link, memory, image); return std::pair{o.ok, o.notices}; },
         {lost, verifyRefused[1], verifyRefused[2], verifyRefused[3]}},
        {"fetch", 200, [&] { auto o = FetchDeviceTime(link, shown); return std::pair{o.ok, o.notices}; }, {lost}},
        {"store", 200, [&] { auto o = StoreDeviceTime(link, shown); return std::pair{o.ok, o.notices}; }, {lost}},
        {"test", 4000, [&] { auto o = RunComTest(link); return std::pair{o.connected, o.notices}; }, {lost}},
        {"service load", 3000, [&] { auto o = ServiceLoad(link, grid); return std::pair{o.ok, o.notices}; }, {lost}},
        {"service program", 3000,
         [&] { auto o = ServiceProgram(link, grid, cellsOf(grid)); return std::pair{o.ok, o.notices}; }, {lost}},
    };
    for (const Command &c : commands) {
        SCOPED_TRACE(c.name);
        rig.state.PortBase = 0x3F8;
        link.LinkPowerOn();
        const DeviceImage imageBefore = image;
        const QTime shownBefore = shown;
        const GridBuffer gridBefore = grid;
        const MemoryBytes verifiedBefore = memory.VerifyBuffer;
        port.back = false;
        port.failAfter(c.failAfter);
        const auto [ok, notices] = c.run();
        EXPECT_FALSE(ok);
        EXPECT_EQ(notices, c.failed);
        EXPECT_EQ(image, imageBefore);
        EXPECT_EQ(shown, shownBefore);
        EXPECT_EQ(grid, gridBefore);
        EXPECT_EQ(memory.VerifyBuffer, verifiedBefore);

        port.back = true;
        EXPECT_TRUE(c.run().first) << "the port is back";
    }
}

} // namespace
