#include "link/Link.h"

#include "link/BusyWait.h"

using namespace pellmora::port;


namespace pellmora::link {

namespace {

// The 24LC04 decodes nine address bits: an image index is the device byte
// address taken modulo its 512 bytes, so no count or start can reach outside
// the image, and the index always names the byte the device really moves.
constexpr quint16 ImageIndexMask = 0x1FF;

constexpr quint8 EepromDeviceCode = 0xA0;
constexpr quint8 ReadBit = 0x01;

// Progress of a sequential read is reported after every this many bytes.
constexpr int ReadProgressStep = 16;

// The lowest microcontroller speed the speed dialog offers: a speed of 0
// (which a configuration file may hold) is taken as this one.
constexpr quint16 SlowestPicSpeed = 20;

} // namespace

Link::Link(PortIo &io, LinkState &state) : io_(io), state_(state) {}

// ---------------------------------------------------------------- port lines

quint16 Link::ComPortBase(quint8 port)
{
    // Only 0..3 exist; anything else is folded onto the table instead of
    // reading past it.
    return uart::ComBases[port & 3];
}

// Read-modify-write of one register of the selected port.
quint8 Link::ChangeRegister(quint16 offset, quint8 set, quint8 clear)
{
    const quint16 reg = state_.PortBase + offset;
    const quint8 value = io_.PortIn(reg);
    io_.PortOut(reg, quint8((value | set) & ~clear));
    return value;
}

void Link::ChangeModemControl(quint8 set, quint8 clear)
{
    ChangeRegister(uart::ModemControl, set, clear);
}

quint8 Link::ChangeLineControl(quint8 set, quint8 clear)
{
    return ChangeRegister(uart::LineControl, set, clear);
}

// A drive operation ends with a modem-status read whose value nobody uses: it
// belongs to the line operation's bus time (three port accesses), and a
// backend that can answer it without asking the port costs nothing for it.
void Link::DriveLine(quint8 set, quint8 clear)
{
    ChangeModemControl(set, clear);
    io_.PortInUnused(state_.PortBase + uart::ModemStatus);
}

void Link::SdaHigh() { DriveLine(SdaOutBit, 0); }
void Link::SdaLow() { DriveLine(0, SdaOutBit); }
void Link::SclHigh() { DriveLine(SclBit, 0); }
void Link::SclLow() { DriveLine(0, SclBit); }

bool Link::SdaIsHigh()
{
    return (io_.PortIn(state_.PortBase + uart::ModemStatus) & SdaInBit) != 0;
}

void Link::LinkPowerOn()
{
    ChangeModemControl(SdaOutBit, 0);
    ChangeModemControl(SclBit, 0);
    if ((ChangeLineControl(SupplyBits, 0) & SupplyBits) != SupplyBits)
        poweredAt_ = std::chrono::steady_clock::now();
    SpinAtLeast(PowerOnWait, PowerOnFloor);
}

void Link::LinkPowerOff()
{
    AwaitWriteCycle();
    ChangeLineControl(0, SupplyBits);
    SpinAtLeast(PowerOffWait, PowerOffFloor);
    ChangeModemControl(0, SdaOutBit);
    ChangeModemControl(0, SclBit);
}

// A port opened again has just switched the interface's supply back on (when
// the link had it on): it needs the power-on wait before the bus is used.
void Link::SettleReopenedPort()
{
    if (io_.PortIn(state_.PortBase + uart::LineControl) & SupplyBits) {
        poweredAt_ = std::chrono::steady_clock::now();
        SpinAtLeast(PowerOnWait, PowerOnFloor);
    }
}

bool Link::InterfacePresent()
{
    return (io_.PortIn(state_.PortBase + uart::ModemStatus) & PresenceBit) != 0;
}

void Link::BitDelay()
{
    if (delayObserver_)
        delayObserver_();
    if (SampledLines *lines = io_.sampledLines())
        lines->Hold(state_.LoopCount);
    else
        SpinLoop(state_.LoopCount);
}

void Link::Transaction(const std::function<void()> &sequences, Expect expect)
{
    SampledLines *lines = io_.sampledLines();
    if (!lines) {
        sequences();
        return;
    }
    const quint8 select = DeviceSelect;
    const quint8 word = WordAddress;
    lines->Transaction(
        [&] {
            DeviceSelect = select;
            WordAddress = word;
            sequences();
        },
        expect);
}

bool Link::Rehearsing()
{
    SampledLines *lines = io_.sampledLines();
    return lines && lines->Rehearsing();
}

// ------------------------------------------------------------- bus sequences

void Link::I2cStart()
{
    SdaHigh();
    BitDelay();
    SclHigh();
    BitDelay();
    SdaLow(); // data falls while the clock is high
    BitDelay();
    SclLow();
    BitDelay();
}

void Link::I2cStop()
{
    SclLow();
    SdaLow();
    BitDelay();
    SclHigh();
    BitDelay();
    SdaHigh(); // data rises while the clock is high: bus idle
    BitDelay();
}

void Link::I2cSendBit(bool bit)
{
    SclLow();
    BitDelay();
    if (bit)
        SdaHigh();
    else
        SdaLow();
    BitDelay();
    SclHigh();
    BitDelay();
    BitDelay();
    SclLow();
    BitDelay();
}

bool Link::I2cReadBit()
{
    SclLow();
    BitDelay();
    SdaHigh(); // release the data line to the device
    SclHigh();
    BitDelay();
    BitDelay();
    const bool high = SdaIsHigh();
    SclLow();
    BitDelay();
    BitDelay();
    return high;
}

Ack Link::I2cReadAck()
{
    SclLow();
    BitDelay();
    SdaHigh(); // release the data line: the receiver pulls it low to acknowledge
    SclHigh();
    BitDelay();
    BitDelay();
    BitDelay();
    const bool dataHigh = SdaIsHigh();
    SclLow();
    BitDelay();
    return dataHigh ? Ack::Refused : Ack::Given;
}

// The master's answer to a byte it read is a sent bit: low = acknowledged
// (more bytes wanted), high = not acknowledged (the last byte).
void Link::I2cAck()
{
    I2cSendBit(false);
}

void Link::I2cNack()
{
    I2cSendBit(true);
}

// ------------------------------------------------------------------- bytes

Ack Link::I2cSendByte(quint8 value)
{
    Ack answer = Ack::Refused;
    Transaction([&] {
        for (quint8 mask = 0x80; mask != 0; mask >>= 1)
            I2cSendBit((value & mask) != 0);
        answer = I2cReadAck();
    });
    return answer;
}

Ack Link::I2cSendAddress()
{
    return I2cSendByte(DeviceSelect);
}

Ack Link::I2cSendWordAddress()
{
    return I2cSendByte(WordAddress);
}

quint8 Link::ReadEightBits()
{
    quint8 value = 0;
    for (quint8 mask = 0x80; mask != 0; mask >>= 1) {
        if (I2cReadBit())
            value |= mask;
    }
    return value;
}

quint8 Link::I2cReadByte()
{
    quint8 value = 0;
    Transaction([&] {
        value = ReadEightBits();
        I2cAck();
    });
    return value;
}

quint8 Link::I2cReadLastByte()
{
    quint8 value = 0;
    Transaction([&] {
        value = ReadEightBits();
        I2cNack();
    });
    return value;
}

// ---------------------------------------------------------------- addressing

Ack Link::AddressDevice(quint8 select)
{
    DeviceSelect = select;
    I2cStart();
    return I2cSendAddress();
}

Ack Link::AddressDevice(quint8 select, quint8 wordAddress)
{
    WordAddress = wordAddress;
    if (AddressDevice(select) == Ack::Refused)
        return Ack::Refused;
    return I2cSendWordAddress();
}

Ack Link::PollForAcknowledge(quint8 select, int pollLimit, std::chrono::milliseconds minimumWait)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    for (int polls = 1;; ++polls) {
        const Ack answer = AddressDevice(select);
        if (polls > pollLimit && Clock::now() - start >= minimumWait)
            return Ack::Refused; // out of polls and time: even an answer now comes too late
        if (answer == Ack::Given)
            return Ack::Given;
    }
}

// ------------------------------------------------------------ bus recovery

std::chrono::nanoseconds Link::PicBitSlot() const
{
    const quint16 speed = state_.PicBaudRate > 0 ? state_.PicBaudRate : SlowestPicSpeed;
    return std::chrono::nanoseconds(100'000'000LL / speed);
}

bool Link::SdaRisesWithin(std::chrono::nanoseconds within)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    for (;;) {
        // The time is taken before the read, so that the last read falls
        // after the deadline however long this thread was held up.
        const bool late = Clock::now() - start >= within;
        if (SdaIsHigh())
            return true;
        if (late)
            return false;
    }
}

// One clock pulse of the recovery, long enough for the microcontroller: the
// clock low for at least one of its bit slots, then high until the data line
// rises or another slot has passed.
void Link::RecoveryClock()
{
    SclLow();
    BitDelay();
    SpinAtLeast(0, PicBitSlot());
    SclHigh();
    BitDelay();
    SdaRisesWithin(PicBitSlot());
}

bool Link::RecoverBus()
{
    SdaHigh(); // let go of the data line: whoever still holds it shows
    SclHigh();
    for (int clock = 0; clock < RecoveryClocks && !SdaIsHigh(); ++clock)
        RecoveryClock();
    if (!SdaIsHigh()) {
        I2cStop();
        return false;
    }
    I2cStart();
    I2cStop();
    return true;
}

void Link::AwaitWriteCycle()
{
    if (!writeCycleFrom_)
        return;
    const auto passed = std::chrono::steady_clock::now() - *writeCycleFrom_;
    if (passed < WriteCycleTime)
        SpinAtLeast(0, WriteCycleTime - passed);
    writeCycleFrom_.reset();
}

// ---------------------------------------------------------------- EEPROM

void Link::SetEepromBlock(quint8 block)
{
    DeviceSelect = quint8((DeviceSelect & 0xF1) | ((block * 2) & 0x0E));
}

void Link::SelectWriteAddress(quint16 addr)
{
    DeviceSelect = quint8(EepromDeviceCode | (((addr >> 8) & 7) << 1));
    WordAddress = quint8(addr & 0xFF);
}

// Sends up to one page of data after the address bytes. Every byte counts as
// sent, also the one the device refused, which ends the page.
Ack Link::SendPage(std::span<const quint8, 512> image, quint16 &addr, quint16 &written, quint16 count,
                   quint8 pageSize)
{
    for (quint8 n = 0; n < pageSize && written < count; ++n) {
        const Ack answer = I2cSendByte(image[addr & ImageIndexMask]);
        ++addr;
        ++written;
        if (answer == Ack::Refused)
            return Ack::Refused;
    }
    return Ack::Given;
}

// One pass of the page write: start, select byte, word address, up to a page
// of data. A memory still busy with the write cycle of the page before
// refuses its select byte: the pass then polls until it answers, and the next
// pass sends the page. False = a byte was refused or the polling gave up.
bool Link::WritePass(std::span<const quint8, 512> image, quint16 &addr, quint16 &written, quint16 count,
                     quint8 pageSize)
{
    if (AddressDevice(DeviceSelect) == Ack::Refused)
        return PollForAcknowledge(DeviceSelect, PollLimit) == Ack::Given;
    if (I2cSendWordAddress() == Ack::Refused)
        return false;
    return SendPage(image, addr, written, count, pageSize) == Ack::Given;
}

bool Link::EepromWrite(std::span<quint8, 512> image, quint16 count, quint8 startLow, quint8 pageSize,
                       const TransferProgress &progress)
{
    DeviceSelect = quint8(((DeviceSelect & 0x0F) | EepromDeviceCode) & ~ReadBit);
    quint16 addr = quint16(startLow + ((DeviceSelect >> 1) & 7) * 256);
    WordAddress = startLow;
    quint16 written = 0;
    bool failed = false;

    // A page of no bytes would never get anywhere: refuse before the bus.
    if (pageSize == 0 && count > 0)
        return false;

    // Each pass is one bus transaction. After a page the device is busy with
    // its write cycle: the pass that follows is expected to poll.
    bool pageSent = false;
    while (written < count && !failed) {
        const quint16 passAddr = addr;
        const quint16 passWritten = written;
        Transaction(
            [&] {
                addr = passAddr;
                written = passWritten;
                // A page sent into an interface that has lost its supply
                // goes nowhere, and what the bus reads back means nothing.
                failed = !InterfacePresent() || !WritePass(image, addr, written, count, pageSize);
                I2cStop(); // after a page this starts the device's write cycle
            },
            pageSent ? Expect::Busy : Expect::Acknowledged);
        pageSent = written != passWritten;
        if (pageSent)
            writeCycleFrom_ = std::chrono::steady_clock::now(); // the stop may have started a write cycle
        SelectWriteAddress(addr);
        if (pageSent && progress)
            progress(written, count);
    }
    I2cStop();
    return !failed;
}

bool Link::EepromRead(std::span<quint8, 512> image, quint16 count, quint8 startLow,
                      const TransferProgress &progress)
{
    const quint8 writeSelect = quint8(((DeviceSelect & 0x0F) | EepromDeviceCode) & ~ReadBit);
    quint16 addr = quint16(startLow + ((writeSelect >> 1) & 7) * 256);
    quint16 n = 0;

    const auto reportRead = [&] {
        if (progress && n % ReadProgressStep == 0 && !Rehearsing())
            progress(n, count);
    };

    // The whole read is one bus transaction. The address pointer is set by a
    // write header; a repeated start with the read bit (no stop) turns the
    // transfer round.
    const quint16 firstAddr = addr;
    bool answered = false;
    Transaction([&] {
        addr = firstAddr;
        n = 0;
        answered = AddressDevice(writeSelect, startLow) == Ack::Given
                   && AddressDevice(quint8(writeSelect | ReadBit)) == Ack::Given;
        if (answered) {
            while (n + 1 < count) {
                image[addr & ImageIndexMask] = I2cReadByte();
                ++addr;
                ++n;
                reportRead();
            }
            if (count > n) {
                image[addr & ImageIndexMask] = I2cReadLastByte();
                ++n;
                reportRead();
            }
        }
        I2cStop();
    });
    return answered;
}

// ------------------------------------------------------------ busy guard

LinkSession::LinkSession(Link &link) : link_(link), acquired_(!link.busy_)
{
    if (acquired_) {
        link_.busy_ = true;
        if (link_.io_.recover())
            link_.SettleReopenedPort();
    }
}

LinkSession::~LinkSession()
{
    if (acquired_) {
        // Whatever follows the operation (closing the port, switching the
        // supply off, an adapter reset) must not cut a page's write cycle.
        link_.AwaitWriteCycle();
        link_.busy_ = false;
        link_.runPutOff();
    }
}

void Link::whenIdle(std::function<void()> action)
{
    putOff_.push_back(std::move(action));
    runPutOff();
}

// An action may itself take the link for an operation of its own; the
// actions behind it then run when that one ends.
void Link::runPutOff()
{
    while (!busy_ && !putOff_.empty()) {
        const std::function<void()> action = std::move(putOff_.front());
        putOff_.pop_front();
        action();
    }
}

} // namespace pellmora::link
