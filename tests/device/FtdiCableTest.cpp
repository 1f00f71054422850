#include "device/ComTest.h"
#include "device/ConnectionWatch.h"
#include "device/DeviceMemory.h"
#include "link/FtdiBackend.h"
#include "link/Link.h"
#include "link/Timing.h"
#include "FakeFtdiChip.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace pellmora;
using namespace pellmora::port;
using namespace pellmora::link;

namespace pellmora::test {
namespace {

constexpr quint16 Com1 = 0x3F8;

// The switch behind a fake FTDI cable on COM1, calibrated.
struct Cable {
    explicit Cable(sim::SimOptions options = {})
        : chip(std::move(options)), backend(FtdiBackend::open({}, &error, std::make_unique<FakeFtdiSystem>(chip))),
          link(*backend, state)
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

// With no interface answering, the communication test over the cable ends
// with Error 2 and adds that a cable with TTL levels cannot power one; over
// a port reached access by access the message stays as it is.
TEST(FtdiBackend, NoInterfaceOverTheCableIsSaidWithWhatATtlCableCannotDo)
{
    const QString noInterface = QString::fromUtf8(
        "Nezdá se mi propojení se zařízením, zkontolujte ho, nebo přepněte na jiný port [Error 2]");
    sim::SimOptions options;
    options.faults = {sim::Fault::NoInterface};
    Cable cable(options);
    sim::SimulatedSwitch direct(options);
    LinkState directState;
    directState.SelectedPort = 0;
    Link directLink(direct, directState);
    struct Case {
        const char *name;
        Link &link;
        bool saysTtl;
    };
    const Case cases[] = {{"over the cable", cable.link, true}, {"over the port's registers", directLink, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const device::ComTestOutcome outcome = device::RunComTest(c.link);
        EXPECT_EQ(outcome.error, 2);
        ASSERT_EQ(outcome.notices.size(), 1);
        const QString text = outcome.notices.first().text;
        EXPECT_TRUE(text.startsWith(noInterface)) << text.toStdString();
        EXPECT_EQ(text.contains(QStringLiteral("TTL")), c.saysTtl) << text.toStdString();
    }
}

// A cable that fails in the middle of programming (pulled out, a USB error,
// a chip that stays attached but stops clocking and so answers every read
// with nothing for ever) fails the transfer as a lost connection and reads
// as an idle bus; the next operation opens it again and sets the lines as
// they were. Where the chip is still there to drop the interface's supply,
// it does so only once a write cycle the last STOP may have started is over.
TEST(FtdiBackend, ACableThatFailsFailsTheTransferAndIsOpenedAgain)
{
    enum class How { Pulled, UsbError, UsbErrorAfterStop, StopsClocking };
    struct Case {
        const char *name;
        How how;
        int at; // data call, STOPs, or samples clocked before the chip stops
    };
    const Case cases[] = {
        {"pulled at the first call", How::Pulled, 1},
        {"pulled at call 5", How::Pulled, 5},
        {"pulled at call 40", How::Pulled, 40},
        {"pulled at call 100", How::Pulled, 100},
        {"a USB error at call 3", How::UsbError, 3},
        {"a USB error at call 101", How::UsbError, 101},
        {"a USB error right after the first STOP", How::UsbErrorAfterStop, 1},
        {"a USB error right after the third STOP", How::UsbErrorAfterStop, 3},
        {"a USB error right after the tenth STOP", How::UsbErrorAfterStop, 10},
        {"stops clocking at once", How::StopsClocking, 0},
        {"stops clocking in the first page", How::StopsClocking, 300},
        {"stops clocking while a page is written", How::StopsClocking, 5000},
        {"stops clocking while polling", How::StopsClocking, 20000},
    };
    constexpr qint64 WriteCycleNanos = 5'000'000;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Cable cable;
        model::DeviceImage image;
        for (int i = 0; i < model::DeviceImage::ByteCount; ++i)
            image.setByteAt(i, quint8(i + 0x42));
        device::DeviceMemoryState memory;
        switch (c.how) {
        case How::Pulled: cable.chip.failAtDataCall = int(cable.chip.dataCalls()) + c.at; break;
        case How::UsbError: cable.chip.errorAtDataCall = int(cable.chip.dataCalls()) + c.at; break;
        case How::UsbErrorAfterStop: cable.chip.errorAfterStop = cable.chip.stops + c.at; break;
        case How::StopsClocking: cable.chip.stopsClockingAt = long(cable.chip.written.size()) + c.at; break;
        }
        const device::DeviceOutcome programmed = device::WriteDeviceMemory(cable.link, memory, image);
        EXPECT_TRUE(programmed.started);
        EXPECT_FALSE(programmed.ok);
        EXPECT_TRUE(std::any_of(programmed.notices.begin(), programmed.notices.end(),
                                [](const model::Notice &n) { return n.text == device::connectionLostText(); }));
        EXPECT_TRUE(cable.backend->portFailed());
        EXPECT_EQ(cable.backend->PortIn(Com1 + uart::ModemStatus), 0xFF);
        EXPECT_TRUE(cable.backend->lastError().contains(QStringLiteral("FT4711")));
        for (const qint64 sinceStop : cable.chip.resetsAfterStop)
            EXPECT_GE(sinceStop, WriteCycleNanos) << "the supply dropped inside a write cycle";

        cable.chip.plugIn();
        const int opens = cable.chip.opens;
        EXPECT_TRUE(device::WriteDeviceMemory(cable.link, memory, image).ok);
        EXPECT_EQ(cable.chip.opens, opens + 1);
        EXPECT_EQ(cable.chip.sim.memory(), image.toBytes());
    }
}

} // namespace
} // namespace pellmora::test
