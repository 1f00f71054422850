#include "SimRig.h"

#include "device/ComTest.h"
#include "device/DeviceClock.h"
#include "device/DeviceMemory.h"
#include "device/ServiceTransfers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace pellmora;
using namespace pellmora::model;
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
        bool loads;
        Notices verify;
    };
    const QList<Case> cases = {
        {"no fault", {}, verifiedEqual, true, verifiedEqual},
        {"no-interface", {Fault::NoInterface}, writeRefused, false, verifyRefused},
        {"sda-stuck-low", {Fault::SdaStuckLow}, writeRefused, false, verifyRefused},
        {"no-eeprom", {Fault::NoEeprom}, writeRefused, false, verifyRefused},
        {"endless-write", {Fault::EndlessWrite}, writeRefused, true, verifiedEqual},
        {"flip-bit", {Fault::FlipBit}, verifiedDifferent, true, verifiedDifferent},
        {"noisy-port", {Fault::NoisyPort}, verifiedEqual, true, verifiedEqual},
        {"silent-pic", {Fault::SilentPic}, verifiedEqual, true, verifiedEqual},
        {"wrong-echo", {Fault::WrongEcho}, verifiedEqual, true, verifiedEqual},
        {"bad-clock-reply", {Fault::BadClockReply}, verifiedEqual, true, verifiedEqual},
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
            EXPECT_EQ(outcome.notices, c.loads ? loaded : loadRefused);
            EXPECT_EQ(outcome.ok, c.loads);
            if (!c.loads) {
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
            EXPECT_EQ(outcome.deviceAnswered, c.verify != verifyRefused);
            if (!outcome.deviceAnswered) {
                EXPECT_EQ(memory.VerifyBuffer[0], 0x5A); // a refused read keeps the last listing
            }
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
    TransferHooks hooks;
    hooks.progress = [&](int done, int total) { calls << qMakePair(done, total); };
    hooks.pump = [&] { ++pumps; };
    hooks.verifying = [&] { verifyingAt = int(calls.size()); };

    EXPECT_TRUE(WriteDeviceMemory(rig.link, memory, patternImage(), hooks).ok);
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
    TransferHooks hooks;
    hooks.pump = [&] {
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
    EXPECT_TRUE(WriteDeviceMemory(rig.link, memory, patternImage(), hooks).ok);
    EXPECT_GT(pumpedClicks, 1);

    // Once the command has ended the next one runs.
    EXPECT_TRUE(ReadDeviceMemory(rig.link, image).ok);
}

} // namespace
