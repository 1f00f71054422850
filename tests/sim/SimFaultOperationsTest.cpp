#include "SimBench.h"

#include "device/DeviceClock.h"
#include "device/DeviceMemory.h"
#include "model/DeviceImage.h"

#include <gtest/gtest.h>

using namespace pellmora;
using namespace pellmora::model;
using namespace pellmora::link;
using namespace pellmora::sim;

namespace pellmora::sim::test {
namespace {

const QString WriteNoAck =
    QStringLiteral("EEPROMka neposílá ACK, nebo je na spojení nějaká chybička - nemožno komunikovati");
const QString VerifyNoAck = QStringLiteral("Nemožná komunikace se zařízením - neposílá ACK");
const QString Differs = QStringLiteral(
    "Nějak ti to hapruje člověče, nebo já už sem z toho uplně blbej,     > NO VERIFICATION OK <");
const QString Equal = QStringLiteral("No výborně, musím se zase pochválit a obsluhu taky, žejo?");
const QString ClockNoAck = QStringLiteral(
    "Vy jste, že vás podezřívám, určitě odpojili časový spínač, protože zase PICmikráček neposílá ACK");
const QString BusStuck = QStringLiteral(
    "Datová linka SDA zůstává v nule ani po devíti taktech hodin, sběrnici nelze uvolnit (zkrat na lince nebo "
    "součástka, která ji nepustí). Zkontrolujte propojení a spusťte Test Komunikace.");
const QString CableLost = QStringLiteral("Spojení s převodníkem se přerušilo (port nelze číst ani zapisovat). "
                                         "Zkontrolujte kabel a spusťte Test Komunikace.");

QStringList messages(const Notices &notices)
{
    QStringList texts;
    for (const Notice &n : notices) {
        if (n.kind == Notice::Kind::Message)
            texts << n.text;
    }
    return texts;
}

enum class Operation { Program, Load, Verify };

// The device operations of the main window run against the simulated switch
// with one fault switched on: each ends in its own message, and nothing the
// user has is lost.
TEST(SimFaultOperations, EveryMemoryFaultEndsInItsMessage)
{
    struct Case {
        const char *name;
        QList<Fault> faults;
        Operation operation;
        bool ok;
        QStringList shown;
    };
    const Case cases[] = {
        {"healthy program", {}, Operation::Program, true, {Equal}},
        {"healthy load", {}, Operation::Load, true, {}},
        {"no-eeprom program", {Fault::NoEeprom}, Operation::Program, false, {WriteNoAck}},
        {"no-eeprom load", {Fault::NoEeprom}, Operation::Load, false, {WriteNoAck}},
        {"no-eeprom verify", {Fault::NoEeprom}, Operation::Verify, false, {VerifyNoAck, Differs}},
        {"no-interface program", {Fault::NoInterface}, Operation::Program, false, {WriteNoAck}},
        {"no-interface load", {Fault::NoInterface}, Operation::Load, false, {WriteNoAck}},
        {"sda-stuck-low program", {Fault::SdaStuckLow}, Operation::Program, false, {BusStuck}},
        {"sda-stuck-low load", {Fault::SdaStuckLow}, Operation::Load, false, {BusStuck}},
        {"sda-stuck-low verify", {Fault::SdaStuckLow}, Operation::Verify, false, {BusStuck, Differs}},
        {"endless-write program", {Fault::EndlessWrite}, Operation::Program, false, {WriteNoAck}},
        {"flip-bit program", {Fault::FlipBit}, Operation::Program, false, {Differs}},
        {"flip-bit verify", {Fault::FlipBit}, Operation::Verify, false, {Differs}},
        {"silent-pic does not touch the memory", {Fault::SilentPic}, Operation::Program, true, {Equal}},
        // Out after the select and word address: every byte after looks acknowledged.
        {"pulled-cable program", {Fault::PulledCable}, Operation::Program, false, {CableLost}},
        {"pulled-cable load", {Fault::PulledCable}, Operation::Load, false, {CableLost}},
        {"pulled-cable verify", {Fault::PulledCable}, Operation::Verify, false, {CableLost, Differs}},
    };
    for (const Case &c : cases) {
        SimBench bench(simOptions(c.faults));
        const QByteArray stored = toBytes(patternImage(1));
        bench.sim.setMemory(stored);
        DeviceImage image = DeviceImage::fromBytes(toBytes(patternImage(c.operation == Operation::Verify ? 1 : 2)));
        const DeviceImage before = image;
        device::DeviceMemoryState memory;
        device::DeviceOutcome outcome;
        switch (c.operation) {
        case Operation::Program:
            outcome = device::WriteDeviceMemory(bench.link, memory, image);
            break;
        case Operation::Load:
            outcome = device::ReadDeviceMemory(bench.link, image);
            break;
        case Operation::Verify:
            outcome = device::VerifyDevice(bench.link, memory, image);
            break;
        }
        EXPECT_TRUE(outcome.started) << c.name;
        EXPECT_EQ(outcome.ok, c.ok) << c.name;
        EXPECT_EQ(messages(outcome.notices), c.shown) << c.name;
        if (c.operation == Operation::Load && !c.ok) {
            EXPECT_EQ(image, before) << c.name << ": a failed load keeps the image";
        }
        if (c.operation == Operation::Load && c.ok) {
            EXPECT_EQ(image.toBytes(), stored) << c.name;
        }
        if (c.operation == Operation::Program && c.ok) {
            EXPECT_EQ(bench.sim.memory(), image.toBytes()) << c.name;
        }
    }
}

// The default write cycle lasts 5 ms of real time; at a bus speed of the
// order of the real one the polling between pages covers it.
TEST(SimFaultOperations, ProgrammingWaitsOutRealWriteCycles)
{
    SimBench bench(simOptions({}, 0));
    bench.state.EEPROM_Loop = 2000;
    const DeviceImage image = DeviceImage::fromBytes(toBytes(patternImage(6)));
    device::DeviceMemoryState memory;
    const device::DeviceOutcome outcome = device::WriteDeviceMemory(bench.link, memory, image);
    EXPECT_TRUE(outcome.ok);
    EXPECT_EQ(messages(outcome.notices), QStringList{Equal});
    EXPECT_EQ(bench.sim.memory(), image.toBytes());
}

TEST(SimFaultOperations, FlippedBitShowsAtOneAddressOnly)
{
    SimBench bench(simOptions({Fault::FlipBit}));
    const QByteArray stored = toBytes(patternImage(4));
    bench.sim.setMemory(stored);
    DeviceImage image;
    ASSERT_TRUE(device::ReadDeviceMemory(bench.link, image).ok);
    const QByteArray loaded = image.toBytes();
    for (int a = 0; a < 512; ++a) {
        const quint8 expected = quint8(stored[a]) ^ (a == 0x123 ? 0x10 : 0x00);
        EXPECT_EQ(quint8(loaded[a]), expected) << "address " << a;
    }
    EXPECT_EQ(bench.sim.memory(), stored) << "the cells themselves are intact";
}

TEST(SimFaultOperations, ClockFaultsEndInAFailedTransfer)
{
    struct Case {
        const char *name;
        QList<Fault> faults;
        bool readOk;
        bool writeOk;
        QString readMessage; // empty: any explanation of the bad reply
    };
    const Case cases[] = {
        {"healthy", {}, true, true, {}},
        {"silent-pic", {Fault::SilentPic}, false, false, ClockNoAck},
        {"bad-clock-reply", {Fault::BadClockReply}, false, true, {}},
        {"no-interface", {Fault::NoInterface}, false, false, ClockNoAck},
        {"no-eeprom leaves the clock working", {Fault::NoEeprom}, true, true, {}},
        {"pulled-cable in the middle of the read", {Fault::PulledCable}, false, false, CableLost},
    };
    for (const Case &c : cases) {
        SimBench bench(simOptions(c.faults));
        bench.link.LinkPowerOn();
        const QTime before(7, 7, 7);
        QTime shown = before;
        const device::ClockOutcome read = device::FetchDeviceTime(bench.link, shown);
        EXPECT_EQ(read.ok, c.readOk) << c.name;
        if (!c.readOk) {
            EXPECT_EQ(shown, before) << c.name << ": a failed read keeps the shown time";
            ASSERT_EQ(read.notices.size(), 1) << c.name;
            if (!c.readMessage.isEmpty()) {
                EXPECT_EQ(read.notices.front().text, c.readMessage) << c.name;
            }
        }
        const device::ClockOutcome write = device::StoreDeviceTime(bench.link, QTime(8, 30, 0));
        EXPECT_EQ(write.ok, c.writeOk) << c.name;
        if (c.writeOk) {
            EXPECT_EQ(bench.sim.deviceTime().toString(QStringLiteral("hh:mm")), QStringLiteral("08:30"))
                << c.name;
        }
    }
}

} // namespace
} // namespace pellmora::sim::test
