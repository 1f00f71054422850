#include "link/Link.h"
#include "RecordingPortIo.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace pellmora;
using namespace pellmora::link;

namespace pellmora::test {
namespace {

struct LinkFixture {
    RecordingPortIo io;
    LinkState state;
    Link link{io, state};
    LinkFixture() { link.setDelayObserver([this] { io.markDelay(); }); }
};

TEST(PortLines, ComPortBaseFollowsThePcTable)
{
    EXPECT_EQ(Link::ComPortBase(0), 0x3F8);
    EXPECT_EQ(Link::ComPortBase(1), 0x2F8);
    EXPECT_EQ(Link::ComPortBase(2), 0x3E8);
    EXPECT_EQ(Link::ComPortBase(3), 0x2E8);
    // No index reads past the table.
    EXPECT_EQ(Link::ComPortBase(7), 0x2E8);
    EXPECT_EQ(Link::ComPortBase(255), 0x2E8);
}

struct DriveCase {
    const char *name;
    std::function<void(Link &)> operation;
    quint8 before;
    quint8 after;
};

TEST(PortLines, EachDriveIsAReadModifyWriteOfTheLiveRegisterThenAStatusRead)
{
    const DriveCase cases[] = {
        {"SdaHigh", &Link::SdaHigh, 0x08, 0x0A},
        {"SdaLow", &Link::SdaLow, 0x0B, 0x09},
        {"SclHigh", &Link::SclHigh, 0x1C, 0x1D},
        {"SclLow", &Link::SclLow, 0x0B, 0x0A},
        {"SdaHigh when high", &Link::SdaHigh, 0x02, 0x02},
        {"SclLow when low", &Link::SclLow, 0x00, 0x00},
    };
    for (const DriveCase &c : cases) {
        SCOPED_TRACE(c.name);
        LinkFixture f;
        f.state.PortBase = 0x3E8;
        f.io.registers[0x3EC] = c.before;
        f.io.registers[0x3EE] = 0x5A;
        c.operation(f.link);
        const std::vector<PortAccess> expected{In(0x3EC, c.before), Out(0x3EC, c.after), In(0x3EE, 0x5A)};
        EXPECT_EQ(f.io.log, expected);
    }
}

TEST(PortLines, OtherModemControlBitsAreNeverTouched)
{
    LinkFixture f;
    f.io.registers[0x2FC] = 0x0B; // DTR, RTS, OUT2
    f.link.SdaLow();
    f.link.SclLow();
    const std::vector<PortAccess> expected{In(0x2FC, 0x0B), Out(0x2FC, 0x09), In(0x2FE, 0),
                                           In(0x2FC, 0x09), Out(0x2FC, 0x08), In(0x2FE, 0)};
    EXPECT_EQ(f.io.log, expected);
}

TEST(PortLines, SdaIsHighReadsDsrOnly)
{
    const std::pair<quint8, bool> cases[] = {{0x20, true}, {0xB0, true}, {0xFF, true},
                                             {0x10, false}, {0x00, false}, {0xDF, false}};
    for (const auto &[status, high] : cases) {
        LinkFixture f;
        f.io.registers[0x2FE] = status;
        EXPECT_EQ(f.link.SdaIsHigh(), high) << int(status);
        EXPECT_EQ(f.io.log, (std::vector<PortAccess>{In(0x2FE, status)}));
    }
}

TEST(PortLines, PowerSwitchesTheSupplyAndBothLinesInOrder)
{
    struct Case {
        const char *name;
        std::function<void(Link &)> operation;
        quint8 modemControl, lineControl;
        std::vector<PortAccess> expected;
    };
    const Case cases[] = {
        {"on: data, clock, then the supply", &Link::LinkPowerOn, 0x08, 0x03,
         {In(0x2FC, 0x08), Out(0x2FC, 0x0A), In(0x2FC, 0x0A), Out(0x2FC, 0x0B), In(0x2FB, 0x03), Out(0x2FB, 0xC3)}},
        {"off: the supply, then data, clock", &Link::LinkPowerOff, 0x0B, 0xC3,
         {In(0x2FB, 0xC3), Out(0x2FB, 0x03), In(0x2FC, 0x0B), Out(0x2FC, 0x09), In(0x2FC, 0x09), Out(0x2FC, 0x08)}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        LinkFixture f;
        f.io.registers[0x2FC] = c.modemControl;
        f.io.registers[0x2FB] = c.lineControl;
        c.operation(f.link);
        EXPECT_EQ(f.io.log, c.expected);
    }
}

TEST(PortLines, PowerWaitsAreNotBusDelays)
{
    LinkFixture f;
    f.state.LoopCount = 0;
    f.link.LinkPowerOn();
    f.link.LinkPowerOff();
    EXPECT_EQ(LineOperations(f.io.log, 0x2F8).find('w'), std::string::npos);
}

TEST(PortLines, EveryOperationAddressesPortBaseNotTheSelectedPort)
{
    LinkFixture f;
    f.state.SelectedPort = 0; // COM1, but no device operation has set PortBase yet
    f.link.LinkPowerOn();
    f.link.SdaLow();
    f.link.SclHigh();
    f.link.SdaIsHigh();
    f.link.LinkPowerOff();
    for (const PortAccess &a : f.io.log) {
        if (a.kind != PortAccess::Kind::Delay) {
            EXPECT_TRUE(a.address >= 0x2F8 && a.address < 0x300) << std::hex << a.address;
        }
    }
}

// The bus sequences as line operations: C/c = SCL high/low, D/d = SDA high/low
// after each drive, "?" = a sample of SDA, "w" = one BitDelay.
struct SequenceCase {
    const char *name;
    quint8 modemControl; // lines before the operation
    std::function<void(Link &)> operation;
    const char *lines;
};

TEST(BusSequences, EachOperationDrawsItsTimingDiagram)
{
    const SequenceCase cases[] = {
        {"start from idle", 0x03, &Link::I2cStart, "CD w CD w Cd w cd w"},
        {"start from low lines (repeated start)", 0x00, &Link::I2cStart, "cD w CD w Cd w cd w"},
        {"stop", 0x00, &Link::I2cStop, "cd cd w Cd w CD w"},
        {"send 1", 0x00, [](Link &l) { l.I2cSendBit(true); }, "cd w cD w CD w w cD w"},
        {"send 0", 0x02, [](Link &l) { l.I2cSendBit(false); }, "cD w cd w Cd w w cd w"},
        {"read bit", 0x00, [](Link &l) { l.I2cReadBit(); }, "cd w cD CD w w ? cD w w"},
        {"read acknowledge", 0x00, [](Link &l) { l.I2cReadAck(); }, "cd w cD CD w w w ? cD w"},
        {"acknowledge", 0x02, &Link::I2cAck, "cD w cd w Cd w w cd w"},
        {"no acknowledge", 0x00, &Link::I2cNack, "cd w cD w CD w w cD w"},
    };
    for (const SequenceCase &c : cases) {
        SCOPED_TRACE(c.name);
        LinkFixture f;
        f.io.registers[0x2FC] = c.modemControl;
        c.operation(f.link);
        EXPECT_EQ(LineOperations(f.io.log, 0x2F8), c.lines);
    }
}

TEST(BusSequences, SamplesReportTheDataLine)
{
    const std::pair<quint8, bool> cases[] = {{0x20, true}, {0x00, false}, {0x30, true}, {0x10, false}};
    for (const auto &[status, high] : cases) {
        LinkFixture f;
        f.io.registers[0x2FE] = status;
        EXPECT_EQ(f.link.I2cReadBit(), high);
        EXPECT_EQ(f.link.I2cReadAck(), high ? Ack::Refused : Ack::Given) << "a high data line is no acknowledge";
    }
}

TEST(BusSequences, SendByteClocksTheBitsMostSignificantFirstThenTheAcknowledge)
{
    const std::tuple<quint8, quint8, const char *, Ack> cases[] = {
        {0xA5, 0x00, "101001011", Ack::Given},   // acknowledged: DSR low
        {0xA5, 0x20, "101001011", Ack::Refused}, // refused: DSR high
        {0x00, 0x00, "000000001", Ack::Given},
        {0xFF, 0x20, "111111111", Ack::Refused},
    };
    for (const auto &[value, status, bits, answer] : cases) {
        LinkFixture f;
        f.io.registers[0x2FE] = status;
        EXPECT_EQ(f.link.I2cSendByte(value), answer) << int(value);
        EXPECT_EQ(ClockedBits(f.io.log, 0x2F8, 0x00), bits) << int(value);
    }
}

TEST(BusSequences, ReadByteAssemblesTheSampledBitsAndAnswers)
{
    // The device's bits come from the DSR samples, one per read bit; the
    // trailing status reads of the drives see the same level.
    for (const bool last : {false, true}) {
        LinkFixture f;
        const quint8 sent = 0xB4;
        int sample = -1;
        f.io.readHook = [&](quint16 address) -> std::optional<quint8> {
            if (address != 0x2FE)
                return std::nullopt;
            // Count the SCL rises so far: bit n is on the bus after the n-th rise.
            int rises = 0;
            quint8 previous = 0;
            for (const PortAccess &a : f.io.log) {
                if (a.kind == PortAccess::Kind::Out && a.address == 0x2FC) {
                    rises += !(previous & 1) && (a.value & 1);
                    previous = a.value;
                }
            }
            sample = rises - 1;
            const bool bit = sample >= 0 && sample < 8 && (sent & (0x80 >> sample));
            return quint8(bit ? 0x20 : 0x00);
        };
        const quint8 value = last ? f.link.I2cReadLastByte() : f.link.I2cReadByte();
        EXPECT_EQ(value, sent);
        // Eight released data bits, then the master's answer in the ninth clock.
        EXPECT_EQ(ClockedBits(f.io.log, 0x2F8, 0x00), last ? "111111111" : "111111110");
    }
}

TEST(BusSequences, SetEepromBlockChangesOnlyTheBlockBits)
{
    const std::tuple<quint8, quint8, quint8> cases[] = {
        {0xA0, 1, 0xA2}, {0x61, 1, 0x63}, {0xA3, 0, 0xA1}, {0xAF, 0, 0xA1}, {0xA0, 9, 0xA2}, {0xA1, 7, 0xAF},
    };
    for (const auto &[select, block, expected] : cases) {
        LinkFixture f;
        f.link.AddressDevice(select);
        f.io.log.clear();
        f.link.SetEepromBlock(block);
        EXPECT_EQ(f.link.deviceSelect(), expected) << int(select) << " block " << int(block);
        EXPECT_TRUE(f.io.log.empty());
    }
}

TEST(LinkSession, SecondOperationIsRefusedWhileOneRuns)
{
    LinkFixture f;
    {
        LinkSession first(f.link);
        ASSERT_TRUE(first.acquired());
        EXPECT_TRUE(f.link.busy());
        LinkSession second(f.link);
        EXPECT_FALSE(second.acquired());
    }
    EXPECT_FALSE(f.link.busy()) << "the refused session must not release the running one's guard early";
    LinkSession again(f.link);
    EXPECT_TRUE(again.acquired());
}

// What must wait for the running operation runs when it ends, in order, and
// may take the link for itself.
TEST(LinkSession, PutOffActionsRunWhenTheOperationEnds)
{
    LinkFixture f;
    std::vector<int> ran;
    f.link.whenIdle([&] { ran.push_back(1); });
    EXPECT_EQ(ran, std::vector<int>{1}) << "nothing runs: at once";
    {
        LinkSession transfer(f.link);
        f.link.whenIdle([&] { ran.push_back(2); });
        f.link.whenIdle([&] {
            LinkSession own(f.link);
            ran.push_back(own.acquired() ? 3 : -3);
        });
        { LinkSession refused(f.link); }
        EXPECT_EQ(ran, std::vector<int>{1});
    }
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
    EXPECT_FALSE(f.link.busy());
}

TEST(LinkSession, RefusedSessionLeavesTheRunningGuardInPlace)
{
    LinkFixture f;
    LinkSession first(f.link);
    { LinkSession second(f.link); }
    EXPECT_TRUE(f.link.busy());
}

} // namespace
} // namespace pellmora::test
