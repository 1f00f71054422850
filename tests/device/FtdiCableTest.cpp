#include "device/ComTest.h"
#include "device/DeviceMemory.h"
#include "link/FtdiBackend.h"
#include "link/Link.h"
#include "link/Timing.h"
#include "FakeFtdiChip.h"

#include <gtest/gtest.h>

using namespace pellmora;
using namespace pellmora::port;
using namespace pellmora::link;

namespace pellmora::test {
namespace {

constexpr quint16 Com1 = 0x3F8;

// The switch behind a fake FTDI cable on COM1, calibrated.
struct Cable {
    Cable() : backend(FtdiBackend::open({}, &error, std::make_unique<FakeFtdiSystem>(chip))), link(*backend, state)
    {
        state.SelectedPort = 0;
        state.PortBase = Com1;
        CalibrateEeprom(link);
        CalibratePic(link);
    }
    FakeFtdiChip chip;
    QString error;
    std::unique_ptr<FtdiBackend> backend;
    LinkState state;
    Link link;
};

// The device commands of the program run over the cable as over any port.
TEST(FtdiBackend, DeviceCommandsWorkOverTheCable)
{
    Cable cable;
    model::DeviceImage image;
    for (int i = 0; i < model::DeviceImage::ByteCount; ++i)
        image.setByteAt(i, quint8(i * 37 + 11));

    const device::ComTestOutcome test = device::RunComTest(cable.link);
    EXPECT_TRUE(test.connected);

    device::DeviceMemoryState memory;
    const device::DeviceOutcome programmed = device::WriteDeviceMemory(cable.link, memory, image);
    EXPECT_TRUE(programmed.ok);
    EXPECT_EQ(cable.chip.sim.memory(), image.toBytes());

    model::DeviceImage loaded;
    EXPECT_TRUE(device::ReadDeviceMemory(cable.link, loaded).ok);
    EXPECT_EQ(loaded.toBytes(), image.toBytes());
    EXPECT_FALSE(cable.backend->portFailed());
}

// A cable pulled out in the middle of programming fails the transfer and
// reads as an idle bus; the next operation, once it is back, opens it again
// and sets the lines as they were.
TEST(FtdiBackend, APulledCableFailsTheTransferAndIsOpenedAgain)
{
    for (const int failAt : {1, 5, 40, 100}) {
        SCOPED_TRACE(failAt);
        Cable cable;
        model::DeviceImage image;
        image.setByteAt(0, 0x42);
        device::DeviceMemoryState memory;
        cable.chip.failAtDataCall = int(cable.chip.dataCalls()) + failAt;
        const device::DeviceOutcome programmed = device::WriteDeviceMemory(cable.link, memory, image);
        EXPECT_TRUE(programmed.started);
        EXPECT_FALSE(programmed.ok);
        EXPECT_TRUE(cable.backend->portFailed());
        EXPECT_EQ(cable.backend->PortIn(Com1 + uart::ModemStatus), 0xFF);
        EXPECT_TRUE(cable.backend->lastError().contains(QStringLiteral("FT4711")));

        cable.chip.plugIn();
        const int opens = cable.chip.opens;
        EXPECT_TRUE(device::WriteDeviceMemory(cable.link, memory, image).ok);
        EXPECT_EQ(cable.chip.opens, opens + 1);
        EXPECT_EQ(quint8(cable.chip.sim.memory()[0]), 0x42);
    }
}

} // namespace
} // namespace pellmora::test
