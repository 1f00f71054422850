#include "link/Link.h"
#include "link/TtyBackend.h"
#include "link/Timing.h"
#include "FakeTtySystem.h"
#include "TtySwitchRig.h"

#include <gtest/gtest.h>

#include <array>

using namespace pellmora;
using namespace pellmora::port;
using namespace pellmora::link;

namespace pellmora::test {
namespace {

std::unique_ptr<PortIo> Open(FakePort &p, quint8 port, const QString &device, QString *error)
{
    return TtyBackend::open(port, device, error, std::make_unique<FakeTtySystem>(p));
}

TEST(TtyBackend, PortsMapToTheirSerialDevicesUnlessAPathIsGiven)
{
    EXPECT_EQ(TtyBackend::devicePath(0, {}), QLatin1String("/dev/ttyS0"));
    EXPECT_EQ(TtyBackend::devicePath(3, {}), QLatin1String("/dev/ttyS3"));
    EXPECT_EQ(TtyBackend::devicePath(1, QStringLiteral("/dev/ttyUSB0")), QLatin1String("/dev/ttyUSB0"));
}

TEST(TtyBackend, RefusalsNameTheDeviceAndTheCause)
{
    struct Case {
        const char *name;
        int openResult;
        int attributesResult;
        bool modemLines;
        const char *message;
    };
    const Case cases[] = {
        {"missing", -ENOENT, 0, true, "Sériový port /dev/ttyS2 neexistuje"},
        {"no permission", -EACCES, 0, true, "K sériovému portu /dev/ttyS2 chybí oprávnění"},
        {"in use", -EBUSY, 0, true, "Sériový port /dev/ttyS2 používá jiný program"},
        {"no hardware", -EIO, 0, true, "Za sériovým portem /dev/ttyS2 neodpovídá žádný hardware"},
        {"not a tty", 5, -ENOTTY, true, "/dev/ttyS2 není sériový port"},
        {"no modem lines", 5, 0, false, "Sériový port /dev/ttyS2 nemá řídicí signály modemu"},
        {"a folder", -EISDIR, 0, true, "/dev/ttyS2 je složka, ne sériový port"},
        {"a cause without a text of its own", -ELOOP, 0, true,
         "Sériový port /dev/ttyS2 nelze otevřít: systémová chyba č. 40"},
        {"not a tty, said in Czech", 5, -ENOTTY, true, "/dev/ttyS2 není sériový port (zařízení tento požadavek nezná)"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FakePort p;
        p.openResults["/dev/ttyS2"] = c.openResult;
        p.attributesResult = c.attributesResult;
        p.modemLines = c.modemLines;
        QString error;
        EXPECT_FALSE(Open(p, 2, {}, &error));
        EXPECT_TRUE(error.startsWith(QString::fromUtf8(c.message))) << error.toStdString();
        EXPECT_EQ(p.closed, c.openResult >= 0) << "a device opened is closed again";
    }
}

TEST(TtyBackend, FlowControlIsOff)
{
    FakePort p;
    p.openResults["/dev/ttyUSB0"] = 5;
    QString error;
    auto io = Open(p, 0, QStringLiteral("/dev/ttyUSB0"), &error);
    ASSERT_TRUE(io) << error.toStdString();
    EXPECT_EQ(p.attributes.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(p.attributes.c_iflag & (IXON | IXOFF), 0u);
    EXPECT_NE(p.attributes.c_cflag & CLOCAL, 0u);
    io.reset();
    EXPECT_TRUE(p.closed);
}

struct Access {
    bool write;
    quint16 address;
    quint8 value;        // written, or expected when read
    bool unused = false; // a read whose value nobody uses (PortInUnused)
};

struct MappingCase {
    const char *name;
    bool combinedSet;
    bool serialLsr;
    int lines;
    std::vector<Access> accesses;
    std::vector<std::string> calls;
};

TEST(TtyBackend, RegisterAccessesBecomeLineCalls)
{
    const int cts = TIOCM_CTS, dsr = TIOCM_DSR, ri = TIOCM_RI, cd = TIOCM_CD;
    const MappingCase cases[] = {
        {"modem control in one call", true, true, TIOCM_DTR | 0x4000,
         {{true, 0x3FC, 0x0B}, {true, 0x3FC, 0x09}, {true, 0x3FC, 0x08}, {false, 0x3FC, 0x08}},
         {"set dtr|rts|out2", "set dtr|out2", "set out2"}},
        {"modem control line by line", false, true, 0,
         {{true, 0x3FC, 0x03}, {true, 0x3FC, 0x01}, {false, 0x3FC, 0x01}, {true, 0x3FC, 0x00}},
         {"on dtr|rts", "on dtr", "off rts", "off dtr|rts"}},
        {"a write that changes neither DTR nor RTS costs nothing", true, true, 0,
         {{true, 0x3FC, 0x03}, {true, 0x3FC, 0x0B}, {true, 0x3FC, 0x0B}, {false, 0x3FC, 0x0B}, {true, 0x3FC, 0x09}},
         {"set dtr|rts", "set dtr"}},
        {"supply on the break", true, true, 0,
         {{true, 0x3FB, 0xC3}, {false, 0x3FB, 0xC3}, {true, 0x3FB, 0x03}, {false, 0x3FB, 0x03}},
         {"break on", "break off"}},
        {"the break set again costs nothing", true, true, 0,
         {{true, 0x3FB, 0xC3}, {true, 0x3FB, 0xC3}, {true, 0x3FB, 0x43}},
         {"break on"}},
        {"modem status from the input lines", true, true, cts | dsr | ri | cd,
         {{false, 0x3FE, 0xF0}, {false, 0x3FE, 0xF0}},
         {"get", "get"}},
        {"a status read nobody uses costs nothing", true, true, cts | dsr,
         {{true, 0x3FC, 0x01}, {false, 0x3FE, 0x00, true}, {true, 0x3FC, 0x00}, {false, 0x3FE, 0x00, true},
          {false, 0x3FE, 0x30}},
         {"set dtr", "set 0", "get"}},
        {"line status costs one call", true, true, 0,
         {{false, 0x3FD, 0x60}},
         {"lsr"}},
        {"line status from the output queue", true, false, 0,
         {{false, 0x3FD, 0x60}},
         {"outq"}},
        {"the calibration's three reads cost one line call", true, true, TIOCM_DTR | TIOCM_RTS,
         {{false, 0x2FD, 0x60}, {false, 0x2FD, 0x60}, {false, 0x2FD, 0x60}, {false, 0x2FD, 0x60}},
         {"set dtr|rts", "set dtr|rts"}},
        {"other bases have no uart", true, true, 0,
         {{false, 0x2FE, 0xFF}, {true, 0x2FC, 0x03}, {true, 0x3F8, 0x41}, {false, 0x3E8, 0xFF}},
         {}},
        {"scratch register", true, true, 0,
         {{true, 0x3FF, 0x55}, {false, 0x3FF, 0x55}},
         {}},
    };
    for (const MappingCase &c : cases) {
        SCOPED_TRACE(c.name);
        FakePort p;
        p.openResults["/dev/ttyS0"] = 5;
        p.combinedSet = c.combinedSet;
        p.serialLsr = c.serialLsr;
        p.lines = c.lines;
        QString error;
        auto io = Open(p, 0, {}, &error);
        ASSERT_TRUE(io) << error.toStdString();
        p.calls.clear();
        for (const Access &a : c.accesses) {
            if (a.write)
                io->PortOut(a.address, a.value);
            else if (a.unused)
                io->PortInUnused(a.address);
            else
                EXPECT_EQ(io->PortIn(a.address), a.value) << std::hex << a.address;
        }
        EXPECT_EQ(p.calls, c.calls);
    }
}

TEST(TtyBackend, ModemStatusCarriesTheDeltaBitsOfAChange)
{
    FakePort p;
    p.openResults["/dev/ttyS1"] = 5;
    p.lines = TIOCM_CTS | TIOCM_DSR | TIOCM_RI;
    QString error;
    auto io = Open(p, 1, {}, &error);
    ASSERT_TRUE(io);
    const std::pair<int, quint8> steps[] = {
        {TIOCM_CTS | TIOCM_DSR | TIOCM_RI, 0x70}, // unchanged since opening
        {TIOCM_CTS, 0x10 | 0x02 | 0x04},          // DSR fell, RI went off
        {TIOCM_CTS, 0x10},
        {TIOCM_DSR | TIOCM_CD, 0xA0 | 0x01 | 0x02 | 0x08},
    };
    for (const auto &[lines, status] : steps) {
        p.lines = lines;
        EXPECT_EQ(io->PortIn(0x2FE), status) << lines;
    }
}

TEST(TtyBackend, ALostDeviceReadsAsAnIdleBusAndSaysSo)
{
    FakePort p;
    p.openResults["/dev/ttyUSB0"] = 5;
    QString error;
    auto io = Open(p, 0, QStringLiteral("/dev/ttyUSB0"), &error);
    ASSERT_TRUE(io);
    p.modemLines = false;
    EXPECT_EQ(io->PortIn(0x3FE), 0xFF) << "no acknowledge can be faked by a vanished device";
    EXPECT_EQ(static_cast<TtyBackend &>(*io).lastError(),
              QStringLiteral("Sériový port /dev/ttyUSB0: čtení stavu modemu se nezdařilo (zařízení požadavek odmítlo)"));
    EXPECT_TRUE(io->portFailed());
}

// An adapter pulled out in the middle of a transfer: the failure is kept for
// the operation to see, a device that is gone is closed at once, and the next
// operation opens it again with the lines the link had set, once it is back.
TEST(TtyBackend, APortFailureIsKeptAndTheNextOperationReopensTheDevice)
{
    struct Case {
        const char *name;
        int error;
        bool closed;     // closed at the failure
        bool comesBack;  // the device answers again by the next operation
        std::vector<std::string> recovery;
    };
    const Case cases[] = {
        {"unplugged (EIO), plugged in again", -EIO, true, true, {"get", "lsr", "break on", "set dtr"}},
        {"gone (ENXIO), plugged in again", -ENXIO, true, true, {"get", "lsr", "break on", "set dtr"}},
        {"unplugged, not yet back", -EIO, true, false, {}},
        {"a call the driver refuses: the device stays open", -EINVAL, false, true, {"break on", "on dtr", "off rts"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FakePort p;
        p.openResults["/dev/ttyUSB0"] = 5;
        p.lines = TIOCM_CTS | TIOCM_DSR;
        QString error;
        auto io = Open(p, 0, QStringLiteral("/dev/ttyUSB0"), &error);
        ASSERT_TRUE(io);
        io->PortOut(0x3FB, 0xC3); // powered, both lines high
        io->PortOut(0x3FC, 0x03);
        EXPECT_FALSE(io->portFailed());

        p.lineCallError = c.error;
        io->PortOut(0x3FC, 0x01);
        EXPECT_TRUE(io->portFailed());
        EXPECT_EQ(p.closed, c.closed);
        EXPECT_EQ(io->PortIn(0x3FE), 0xFF);

        p.lineCallError = 0;
        if (!c.comesBack)
            p.openResults.erase("/dev/ttyUSB0");
        p.calls.clear();
        const int opensBefore = p.opens;
        EXPECT_EQ(io->recover(), c.closed && c.comesBack) << "opened again";
        EXPECT_EQ(io->portFailed(), !c.comesBack);
        EXPECT_EQ(p.opens - opensBefore, c.closed ? 1 : 0);
        EXPECT_EQ(p.calls, c.recovery) << "the lines as the link last set them";
        if (c.comesBack) {
            EXPECT_EQ(io->PortIn(0x3FE) & 0xF0, 0x30);
            EXPECT_FALSE(io->portFailed());
        } else {
            EXPECT_EQ(io->PortIn(0x3FE), 0xFF);
        }
    }
}

// What the bus master costs over a serial device: one call per line change
// and one per status read whose value is used; a line operation that leaves
// its line as it is and the read that ends every line operation cost nothing.
TEST(TtyBackend, LinkOperationsCostOneCallPerLineChangeAndPerStatusUsed)
{
    struct Case {
        const char *name;
        std::function<void(Link &)> operations;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"power on, a 0 bit, a status read",
         [](Link &l) {
             l.LinkPowerOn();
             l.I2cSendBit(false);
             EXPECT_TRUE(l.SdaIsHigh());
         },
         {"set rts", "set dtr|rts", "break on", "set rts", "set 0", "set dtr", "set 0", "get"}},
        {"a 1 bit after power on: the data line is already high",
         [](Link &l) {
             l.LinkPowerOn();
             l.I2cSendBit(true);
         },
         {"set rts", "set dtr|rts", "break on", "set rts", "set dtr|rts", "set rts"}},
        {"two equal bits: the clock pulses, the data stays",
         [](Link &l) {
             l.LinkPowerOn();
             l.I2cSendBit(false);
             l.I2cSendBit(false);
         },
         {"set rts", "set dtr|rts", "break on", "set rts", "set 0", "set dtr", "set 0", "set dtr", "set 0"}},
        {"a bit read: clock up, the sample, clock down",
         [](Link &l) {
             l.LinkPowerOn();
             l.I2cReadBit();
         },
         {"set rts", "set dtr|rts", "break on", "set rts", "set dtr|rts", "get", "set rts"}},
        {"start and stop",
         [](Link &l) {
             l.LinkPowerOn();
             l.I2cStart();
             l.I2cStop();
         },
         {"set rts", "set dtr|rts", "break on", "set dtr", "set 0", "set dtr", "set dtr|rts"}},
        {"power on again changes nothing",
         [](Link &l) {
             l.LinkPowerOn();
             l.LinkPowerOn();
         },
         {"set rts", "set dtr|rts", "break on"}},
        {"power off",
         [](Link &l) {
             l.LinkPowerOn();
             l.LinkPowerOff();
         },
         {"set rts", "set dtr|rts", "break on", "break off", "set dtr", "set 0"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FakePort p;
        p.openResults["/dev/ttyS0"] = 5;
        p.lines = TIOCM_DSR | TIOCM_CTS;
        QString error;
        auto io = Open(p, 0, {}, &error);
        ASSERT_TRUE(io);
        p.calls.clear();
        LinkState state;
        state.LoopCount = 0;
        state.PortBase = Link::ComPortBase(0);
        Link link(*io, state);
        c.operations(link);
        EXPECT_EQ(p.calls, c.calls);
    }
}

// Another program holding the device open (a terminal on the pty, a modem
// manager) keeps the kernel's exclusive flag alive after this run closes:
// the next run must still get the device.
TEST(TtyBackend, TheDeviceIsReleasedForTheNextRunOnEveryPath)
{
    struct Case {
        const char *name;
        int attributesResult;
        bool modemLines;
    };
    const Case cases[] = {
        {"used and closed", 0, true},
        {"refused: not a serial port", -ENOTTY, true},
        {"refused: no modem lines", 0, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FakePort p;
        p.openResults["/dev/pts/4"] = 5;
        p.otherHolders = 1;
        p.attributesResult = c.attributesResult;
        p.modemLines = c.modemLines;
        QString error;
        Open(p, 0, QStringLiteral("/dev/pts/4"), &error).reset();
        EXPECT_FALSE(p.exclusive);
        p.attributesResult = 0;
        p.modemLines = true;
        EXPECT_TRUE(Open(p, 0, QStringLiteral("/dev/pts/4"), &error)) << error.toStdString();
    }
}

TtyDriverProfile WithHeldBreak(TtyDriverProfile profile)
{
    profile.name = "ch341 whose chip sends a real break";
    profile.breakEndsMicros = 0;
    return profile;
}

// Program and read back the whole memory through each driver, calibrated
// with the link powered (the loop-back sees how late the inputs come): a
// status read that comes before the driver has the new lines reads the
// bit before, and the image comes back shifted.
TEST(TtyBackend, EveryDriverProfileProgramsAndReadsBackTheMemory)
{
    struct Case {
        TtyDriverProfile profile;
        quint64 leastLag, mostLag; // what a used status read waits after a line change, µs
    };
    const Case cases[] = {
        {UartProfile, 0, 0},
        {FtdiSioProfile, 0, 0},
        {Cp210xProfile, 0, 0},
        {Pl2303Profile, 2000, 3200},
        {WithHeldBreak(Ch341Profile), 2000, 3200},
        {UnknownCachingProfile, 3000, 4700}, // no floor: the loop-back alone finds it
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.profile.name);
        TtySwitchRig rig(c.profile);
        ASSERT_TRUE(rig.io);
        rig.link->LinkPowerOn();
        CalibrateEeprom(*rig.link);
        EXPECT_GE(rig.backend().statusLagMicros(), c.leastLag);
        EXPECT_LE(rig.backend().statusLagMicros(), c.mostLag);
        rig.state.LoopCount = 0;

        std::array<quint8, 512> written{};
        for (std::size_t i = 0; i < written.size(); ++i)
            written[i] = quint8(i * 37 + 11);
        std::array<quint8, 512> read{};
        EXPECT_TRUE(rig.link->EepromWrite(written, 512, 0, 16));
        rig.port.now += 5000; // the last page's write cycle
        EXPECT_TRUE(rig.link->EepromRead(read, 512, 0));
        EXPECT_EQ(read, written);
        EXPECT_FALSE(rig.io->portFailed());
    }
}

// A driver that answers the break as a call it does not know leaves the
// port working and the interface without supply; ch341 on Linux 6.1 takes
// the break and lets it end on its own. Closing the port ends any break.
TEST(TtyBackend, ABreakTheAdapterCannotHoldLeavesTheInterfaceUnpowered)
{
    struct Case {
        TtyDriverProfile profile;
        bool refused;
        bool presentAtOnce;
        bool presentLater; // 300 ms after power on
    };
    const Case cases[] = {
        {FtdiSioProfile, false, true, true},
        {NoBreakProfile, true, false, false},
        {BreakEinvalProfile, true, false, false},
        {Ch341Profile, false, true, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.profile.name);
        TtySwitchRig rig(c.profile);
        rig.link->LinkPowerOn();
        EXPECT_EQ(rig.io->supplyRefused(), c.refused);
        EXPECT_FALSE(rig.io->portFailed()) << "the port itself still works";
        // The fake's driver hears of a change of its inputs at its next
        // call, and reports it one or two intervals later.
        const auto presentAfter = [&rig](quint64 micros) {
            rig.port.now += micros;
            rig.link->InterfacePresent();
            rig.port.now += 10000;
            return rig.link->InterfacePresent();
        };
        EXPECT_EQ(presentAfter(0), c.presentAtOnce);
        EXPECT_EQ(presentAfter(290000), c.presentLater);
        rig.link->LinkPowerOff();
        EXPECT_FALSE(rig.io->portFailed()) << "no break to end is no failure either";
        rig.link->LinkPowerOn();
        rig.io.reset();
        EXPECT_FALSE(rig.port.breakOn);
    }
}

// The cost of the calls and the loop-back are measured once per device
// opened; the recalibration that runs at every activation of the main window
// then touches no device at all, and one that finds the link powered for
// the first time adds only the loop-back.
TEST(TtyBackend, OnlyTheFirstCalibrationOfADeviceMakesCalls)
{
    struct Case {
        TtyDriverProfile profile;
        bool powered;
    };
    const Case cases[] = {
        {UartProfile, true}, {FtdiSioProfile, true}, {Pl2303Profile, true}, {Pl2303Profile, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.profile.name) + (c.powered ? ", powered" : ", unpowered"));
        TtySwitchRig rig(c.profile);
        if (c.powered)
            rig.link->LinkPowerOn();
        const auto callsOf = [&rig](const std::function<void()> &action) {
            const long before = rig.port.ioctls;
            action();
            return rig.port.ioctls - before;
        };
        const auto calibrate = [&rig] { RunCalibrationSequence(*rig.link, {}); };
        EXPECT_GT(callsOf(calibrate), 0) << "the device's first calibration measures it";
        EXPECT_EQ(callsOf(calibrate), 0) << "a recalibration touches no device";
        EXPECT_EQ(callsOf(calibrate), 0);
        if (!c.powered) {
            rig.link->LinkPowerOn();
            EXPECT_GT(callsOf(calibrate), 0) << "the loop-back, once the link is powered";
            EXPECT_EQ(callsOf(calibrate), 0);
        }
        // Unplugged and plugged in again: another device, measured afresh.
        rig.port.lineCallError = -EIO;
        rig.link->SclLow();
        rig.port.lineCallError = 0;
        ASSERT_TRUE(rig.io->recover());
        EXPECT_GT(callsOf(calibrate), 0);
    }
}

// What the speed dialog and the development info report: an adapter whose
// every line change is a USB transfer cannot reach the EEPROM speed.
TEST(TtyBackend, TheCalibrationSaysWhatSpeedTheAdapterReaches)
{
    struct Case {
        TtyDriverProfile profile;
        quint16 leastLimit, mostLimit; // at 1000 and at 60 baud; 0 = reached
    };
    const Case cases[] = {
        {UartProfile, 0, 0},
        {FtdiSioProfile, 25, 25}, // 3 changes + 1 read = 4 ms a slot
        {Pl2303Profile, 16, 16},  // 3 changes + the status 2 ms late, half again for its spread
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.profile.name);
        TtySwitchRig rig(c.profile);
        rig.link->LinkPowerOn();
        rig.state.EepromBaudRate = 1000;
        rig.state.PicBaudRate = 60;
        RunCalibrationSequence(*rig.link, {});
        for (const quint16 limit : {rig.state.EepromSpeedLimit, rig.state.PicSpeedLimit}) {
            EXPECT_GE(limit, c.leastLimit);
            EXPECT_LE(limit, c.mostLimit);
        }
        EXPECT_EQ(rig.state.EEPROM_Loop == 0, c.mostLimit != 0);
    }
}

} // namespace
} // namespace pellmora::test
