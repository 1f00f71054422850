#include "link/FtdiBackend.h"
#include "link/FtdiPins.h"
#include "link/Link.h"
#include "link/Timing.h"
#include "FakeFtdiChip.h"

#include <gtest/gtest.h>

#include <array>

using namespace pellmora;
using namespace pellmora::port;
using namespace pellmora::link;
using namespace pellmora::link::ftdi;

namespace pellmora::test {
namespace {

constexpr quint16 Com1 = 0x3F8;

std::unique_ptr<FtdiBackend> Open(FakeFtdiChip &chip, const QString &serial = {}, QString *error = nullptr)
{
    QString ignored;
    return FtdiBackend::open(serial, error ? error : &ignored, std::make_unique<FakeFtdiSystem>(chip));
}

// A link on COM1 over the cable at the EEPROM's default speed.
struct Cable {
    explicit Cable(sim::SimOptions options = {}) : chip(std::move(options)), backend(Open(chip)), link(*backend, state)
    {
        state.SelectedPort = 0;
        state.PortBase = Com1;
        CalibrateEeprom(link);
        CalibratePic(link);
        state.LoopCount = state.EEPROM_Loop;
    }
    FakeFtdiChip chip;
    std::unique_ptr<FtdiBackend> backend;
    LinkState state;
    Link link;
};

TEST(FtdiPins, TheRegistersDriveTheChipsPinsThroughTheCablesInversion)
{
    struct Case {
        const char *name;
        quint8 modemControl, lineControl;
        quint8 outputs;
    };
    const Case cases[] = {
        {"all off: TXD marking, DTR and RTS off", 0x00, 0x03, Txd | RtsN | DtrN},
        {"supply on: the break holds TXD low", 0x00, 0xC3, RtsN | DtrN},
        {"break alone", 0x00, 0x43, RtsN | DtrN},
        {"the divisor latch bit is no break", 0x00, 0x83, Txd | RtsN | DtrN},
        {"clock high: DTR on, its pin low", 0x01, 0xC3, RtsN},
        {"data high: RTS on, its pin low", 0x02, 0xC3, DtrN},
        {"powered, both lines high", 0x03, 0xC3, 0},
        {"OUT1, OUT2 and loop-back reach no pin", 0x1C, 0x03, Txd | RtsN | DtrN},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PinsFor(c.modemControl, c.lineControl) & OutputPins, c.outputs);
        EXPECT_EQ(PinsFor(c.modemControl, c.lineControl) & ~OutputPins, 0xFF & ~OutputPins) << "inputs written high";

        // Through the backend: what the chip drives after the link's writes,
        // also behind more held samples than the chip can read back unread.
        for (const int held : {0, 127, 300}) {
            FakeFtdiChip chip;
            auto backend = Open(chip);
            ASSERT_TRUE(backend);
            EXPECT_EQ(chip.outputMask, OutputPins);
            EXPECT_EQ(chip.mode, 0x04) << "synchronous bit-bang";
            for (int i = 0; i < held; ++i)
                backend->Hold(1000);
            backend->PortOut(Com1 + uart::LineControl, c.lineControl);
            backend->PortOut(Com1 + uart::ModemControl, c.modemControl);
            EXPECT_EQ(chip.pins & OutputPins, c.outputs) << held << " samples held";
            EXPECT_FALSE(backend->portFailed());
        }
    }
}

TEST(FtdiPins, InputPinsLowAreLinesOn)
{
    struct Case {
        const char *name;
        quint8 pins;
        quint8 lines;
    };
    const Case cases[] = {
        {"all high: nothing on", 0xFF, 0x00},
        {"CTS# low: presence", quint8(~CtsN), uart::Cts},
        {"DSR# low: data line high", quint8(~DsrN), uart::Dsr},
        {"DCD# low", quint8(~DcdN), uart::Dcd},
        {"RI# low", quint8(~RiN), uart::Ri},
        {"RXD and the outputs are no status line", quint8(~(Rxd | Txd | RtsN | DtrN)), 0x00},
        {"all low", 0x00, 0xF0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ModemLinesOf(c.pins), c.lines);
        EXPECT_EQ(ModemLinesOf(InputPinsFor(c.lines)), c.lines);
    }
}

// A cable wired back on itself: DSR from RTS, CTS from DTR. Whatever was
// driven last before a read must be what it reads, outside a transaction
// and inside one, where the answer comes from the sample read back after it.
TEST(FtdiBackend, EachReadTakesTheSampleOfItsOwnMoment)
{
    struct Case {
        const char *name;
        std::function<void(Link &, std::vector<bool> &)> run;
        std::vector<bool> answers;
    };
    const auto sda = [](Link &l, std::vector<bool> &a) { a.push_back(l.SdaIsHigh()); };
    const Case cases[] = {
        {"a read at the very start", [&](Link &l, std::vector<bool> &a) { sda(l, a); }, {false}},
        {"a read right after a change",
         [&](Link &l, std::vector<bool> &a) {
             l.SdaHigh();
             sda(l, a);
             l.SdaLow();
             sda(l, a);
         },
         {true, false}},
        {"reads between delays",
         [&](Link &l, std::vector<bool> &a) {
             l.SdaHigh();
             l.BitDelay();
             sda(l, a);
             l.SdaLow();
             l.BitDelay();
             l.BitDelay();
             sda(l, a);
             sda(l, a);
             l.SdaHigh();
             sda(l, a);
         },
         {true, false, false, true}},
        {"presence follows the clock wire",
         [&](Link &l, std::vector<bool> &a) {
             l.SclHigh();
             a.push_back(l.InterfacePresent());
             l.BitDelay();
             l.SclLow();
             a.push_back(l.InterfacePresent());
         },
         {true, false}},
        {"a bit read and an acknowledge",
         [&](Link &l, std::vector<bool> &a) {
             l.SdaLow();
             a.push_back(l.I2cReadBit()); // releases the data line first: reads high
             l.I2cSendBit(false);
             a.push_back(l.I2cReadAck() == Ack::Refused);
         },
         {true, true}},
    };
    for (const bool inTransaction : {false, true}) {
        for (const Case &c : cases) {
            SCOPED_TRACE(std::string(c.name) + (inTransaction ? " (transaction)" : " (at once)"));
            FakeFtdiChip chip;
            chip.cable = [](quint8 outputs) {
                return quint8(((outputs & RtsN) ? 0xFF : quint8(~DsrN)) & ((outputs & DtrN) ? 0xFF : quint8(~CtsN)));
            };
            auto backend = Open(chip);
            ASSERT_TRUE(backend);
            LinkState state;
            state.PortBase = Com1;
            state.LoopCount = 1000;
            Link link(*backend, state);
            std::vector<bool> answers;
            if (inTransaction) {
                link.Transaction([&] {
                    answers.clear();
                    c.run(link, answers);
                });
                EXPECT_EQ(chip.exchanges, 1);
            } else {
                c.run(link, answers);
            }
            EXPECT_EQ(answers, c.answers);
        }
    }
}

// The answers the switch gives, taken from the samples of one transfer.
TEST(FtdiBackend, AnswersOfTheSwitchComeFromTheSamplesReadBack)
{
    struct Case {
        const char *name;
        std::function<std::vector<int>(Link &)> run;
        std::vector<int> answers;
    };
    const auto send = [](Link &l, quint8 byte) { return l.I2cSendByte(byte) == Ack::Given ? 1 : 0; }; // 1 = acknowledged
    const Case cases[] = {
        {"the memory takes its select byte",
         [&](Link &l) {
             l.I2cStart();
             std::vector<int> a{send(l, 0xA0)};
             l.I2cStop();
             return a;
         },
         {1}},
        {"nobody takes 0xB0",
         [&](Link &l) {
             l.I2cStart();
             std::vector<int> a{send(l, 0xB0)};
             l.I2cStop();
             return a;
         },
         {0}},
        {"a random read of two bytes",
         [&](Link &l) {
             l.I2cStart();
             std::vector<int> a{send(l, 0xA0), send(l, 0x10)};
             l.I2cStart();
             a.push_back(send(l, 0xA1));
             const quint8 first = l.I2cReadByte();
             const quint8 second = l.I2cReadLastByte();
             l.I2cStop();
             a.push_back(first);
             a.push_back(second);
             return a;
         },
         {1, 1, 1, 0x5A, 0xC3}},
        {"the interface is present", [&](Link &l) { return std::vector<int>{l.InterfacePresent()}; }, {1}},
    };
    for (const bool inTransaction : {false, true}) {
        for (const Case &c : cases) {
            SCOPED_TRACE(std::string(c.name) + (inTransaction ? " (one transaction)" : " (byte by byte)"));
            Cable cable;
            QByteArray memory(512, '\xFF');
            memory[0x10] = '\x5A';
            memory[0x11] = '\xC3';
            cable.chip.sim.setMemory(memory);
            cable.link.LinkPowerOn();
            std::vector<int> answers;
            if (inTransaction)
                cable.link.Transaction([&] { answers = c.run(cable.link); });
            else
                answers = c.run(cable.link);
            EXPECT_EQ(answers, c.answers);
            EXPECT_FALSE(cable.backend->portFailed());
        }
    }
}

// A page write, a read of the whole memory and the polling for the end of a
// write cycle each go out as one exchange of samples.
TEST(FtdiBackend, EveryTransactionIsOneExchange)
{
    struct Case {
        const char *name;
        bool reads; // from a memory holding the image, into a blank one
        std::function<bool(Cable &, std::span<quint8, 512>)> run;
        long exchanges;
    };
    const Case cases[] = {
        {"one page", false, [](Cable &c, std::span<quint8, 512> image) { return c.link.EepromWrite(image, 16, 0, 16); },
         1},
        {"two pages and the polling between them", false,
         [](Cable &c, std::span<quint8, 512> image) { return c.link.EepromWrite(image, 32, 0, 16); }, 3},
        {"the whole memory read", true,
         [](Cable &c, std::span<quint8, 512> image) { return c.link.EepromRead(image, 512, 0); }, 1},
        {"one byte sent", false,
         [](Cable &c, std::span<quint8, 512>) {
             c.link.I2cStart();
             const bool taken = c.link.I2cSendByte(0xA0) == Ack::Given;
             c.link.I2cStop();
             return taken;
         },
         1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Cable cable;
        cable.link.LinkPowerOn();
        cable.link.SetEepromBlock(0);
        std::array<quint8, 512> image{};
        for (size_t i = 0; i < image.size(); ++i)
            image[i] = quint8(i * 13 + 1);
        std::array<quint8, 512> buffer = image;
        if (c.reads) {
            cable.chip.sim.setMemory(QByteArray(reinterpret_cast<const char *>(image.data()), 512));
            buffer.fill(0);
        }
        const long before = cable.chip.exchanges;
        EXPECT_TRUE(c.run(cable, buffer));
        EXPECT_EQ(cable.chip.exchanges - before, c.exchanges);
        EXPECT_EQ(buffer, image);
    }
}


// Whatever the switch answers, a transfer over the cable ends as it ends
// over a port reached access by access: the same result, the same memory.
// The answers a transaction is put together with are only guesses: a memory
// that is ready sooner or later than expected, or not there at all, leads
// the transfer where the bus leads it.
TEST(FtdiBackend, TransfersEndAsOverAnyPortWhateverTheBusAnswers)
{
    struct Case {
        const char *name;
        QList<sim::Fault> faults;
        int writeCycleSelects; // 0 = 5 ms by the switch's clock
        qint64 pauseNanos;     // the host's time before each exchange
    };
    const Case cases[] = {
        {"as expected", {}, 0, 0},
        {"the memory is ready before it is polled", {}, 0, 10'000'000},
        {"a write cycle of 20 polls", {}, 20, 0},
        {"no memory", {sim::Fault::NoEeprom}, 0, 0},
        {"a write cycle that never ends", {sim::Fault::EndlessWrite}, 0, 0},
        {"a bit read back flipped", {sim::Fault::FlipBit}, 0, 0},
    };
    std::array<quint8, 512> image{};
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = quint8(i * 29 + 3);
    const auto awaitWriteCycle = [](Link &link) {
        link.I2cStart();
        for (int polls = 0; polls < 600 && link.I2cSendByte(0xA0) == Ack::Refused; ++polls)
            link.I2cStart();
        link.I2cStop();
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        sim::SimOptions options;
        options.faults = c.faults;
        options.writeCycleSelects = c.writeCycleSelects == 0 ? 1 : c.writeCycleSelects;

        // The same transfers over the switch's registers, at loop count 0.
        sim::SimulatedSwitch direct(options);
        LinkState directState;
        directState.PortBase = Com1;
        directState.LoopCount = 0;
        Link directLink(direct, directState);
        directLink.LinkPowerOn();
        std::array<quint8, 512> written = image, read{};
        const bool directWrote = directLink.EepromWrite(written, 512, 0, 16);
        awaitWriteCycle(directLink);
        const bool directRead = directLink.EepromRead(read, 512, 0);

        options.writeCycleSelects = c.writeCycleSelects;
        Cable cable(options);
        cable.chip.pauseBeforeExchangeNanos = c.pauseNanos;
        cable.link.LinkPowerOn();
        cable.link.SetEepromBlock(0);
        std::array<quint8, 512> cableWritten = image, cableRead{};
        EXPECT_EQ(cable.link.EepromWrite(cableWritten, 512, 0, 16), directWrote);
        awaitWriteCycle(cable.link);
        EXPECT_EQ(cable.link.EepromRead(cableRead, 512, 0), directRead);
        EXPECT_EQ(cable.chip.sim.memory(), direct.memory());
        EXPECT_EQ(cableRead, read);
        EXPECT_FALSE(cable.backend->portFailed());
    }
}

// The clock: a bit slot of four line changes and five steps lasts
// 100/speed ms, the sample rate kept where the chip's divisor reaches.
TEST(FtdiBackend, TheBitBangClockTimesTheSlot)
{
    struct Case {
        quint16 speed;
        int holdSamples;
        int sampleRate;
    };
    const Case cases[] = {
        {1000, 1, 90000}, {2000, 1, 180000}, {200, 1, 18000}, {60, 1, 5400},
        {30, 2, 4200},    {20, 3, 3800},     {100, 1, 9000},
    };
    for (const Case &c : cases) {
        const FtdiBackend::Clocking clocking = FtdiBackend::ClockingFor(c.speed);
        EXPECT_EQ(clocking.holdSamples, c.holdSamples) << c.speed;
        EXPECT_EQ(clocking.sampleRate, c.sampleRate) << c.speed;
        EXPECT_EQ(clocking.sampleRate % (10 * c.speed), 0) << "whole slots a second";
        EXPECT_GE(clocking.sampleRate, FtdiBackend::MinimumSampleRate);
    }

    // The calibration measures nothing: the loop counts are the speeds, and
    // a transfer at the EEPROM's speed sets the chip's clock for it.
    Cable cable;
    EXPECT_EQ(cable.state.EEPROM_Loop, 1000u);
    EXPECT_EQ(cable.state.PICmicro_Loop, 60u);
    EXPECT_EQ(cable.state.EepromSpeedLimit, 0);
    EXPECT_TRUE(cable.chip.written.size() <= 1) << "nothing sent but the lines at opening";
    cable.link.BitDelay();
    EXPECT_EQ(cable.chip.libraryBaud, 90000 / FtdiBackend::SamplesPerLibraryBaud);
    cable.state.LoopCount = cable.state.PICmicro_Loop;
    cable.link.BitDelay();
    EXPECT_EQ(cable.chip.libraryBaud, 5400 / FtdiBackend::SamplesPerLibraryBaud);
}

TEST(FtdiBackend, RefusalsNameTheCableAndTheCause)
{
    struct Case {
        const char *name;
        QStringList connected;
        QString serial;
        int failSearch;
        int failOpen;
        const char *message;
    };
    const Case cases[] = {
        {"none connected", {}, {}, 0, 0, "Není připojen žádný kabel FTDI"},
        {"two, none chosen", {"FTA", "FTB"}, {}, 0, 0, "Je připojeno více kabelů FTDI (FTA, FTB)"},
        {"the chosen one is not there", {"FTA"}, "FTB", 0, 0, "Kabel FTDI FTB není připojen"},
        {"the buses cannot be searched", {"FTA"}, {}, -5, 0, "Sběrnice USB nelze prohledat"},
        {"no permission", {"FTA"}, "FTA", 0, -8, "Kabel FTDI FTA: otevření selhalo"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FakeFtdiChip chip;
        chip.serials = c.connected;
        chip.failSearch = c.failSearch;
        chip.failOpen = c.failOpen;
        QString error;
        EXPECT_FALSE(Open(chip, c.serial, &error));
        EXPECT_TRUE(error.startsWith(QString::fromUtf8(c.message))) << error.toStdString();
        EXPECT_FALSE(chip.open) << "nothing left open";
    }

    FakeFtdiChip two;
    two.serials = {QStringLiteral("FTA"), QStringLiteral("FTB")};
    auto chosen = Open(two, QStringLiteral("FTB"));
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->serial(), QStringLiteral("FTB"));
}

} // namespace
} // namespace pellmora::test
