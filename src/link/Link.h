#pragma once

#include "link/LinkState.h"
#include "port/PortIo.h"
#include "port/InterfaceLines.h"
#include "port/SampledLines.h"

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <span>

namespace pellmora::link {

// Called by the block transfers between EEPROM pages and every 16 bytes read,
// with the number of bytes done so far and the total. It lets a window move a
// progress bar and process pending messages; it never touches the bus.
using TransferProgress = std::function<void(int done, int total)>;

// The receiver's answer in the ninth clock of a byte: the data line pulled low
// (Given) or left high (Refused: nobody there, or a device busy or unwilling).
enum class Ack { Given, Refused };

// The device link on one PortIo: port lines, link power, bus delay and the
// I2C bus master. One instance per process (or per test), created over the
// process-wide LinkState.
class Link {
public:
    static constexpr int PollLimit = 500;

    Link(port::PortIo &io, LinkState &state);

    port::PortIo &io() { return io_; }
    LinkState &state() { return state_; }

    // Port line access. Each drive operation is a read-modify-write of the
    // live modem-control register followed by one modem-status read.
    static quint16 ComPortBase(quint8 port);
    void SdaHigh();
    void SdaLow();
    void SclHigh();
    void SclLow();
    bool SdaIsHigh();
    void LinkPowerOn();
    void LinkPowerOff();

    // When the link last switched the interface's supply on (LinkPowerOn on
    // a supply that was off, or a port opened again); none before that.
    std::optional<std::chrono::steady_clock::time_point> poweredAt() const { return poweredAt_; }

    // One read of the modem-status register: true when the interface reports
    // its presence (CTS set).
    bool InterfacePresent();
    // An access since the current device operation began could not reach
    // the port: whatever the operation read is meaningless.
    bool portFailed() const { return io_.portFailed(); }
    // Why the port is not open; empty while it is (PortIo::closedReason).
    QString portClosedReason() const { return io_.closedReason(); }

    // One bus delay step: LoopCount iterations of a pure processor loop, or
    // over lines an adapter clocks itself, a step's worth of samples.
    void BitDelay();

    // Runs `sequences` as one bus transaction. Over lines an adapter clocks
    // itself they go out as one transfer and may run more than once (see
    // port::SampledLines), each run from the same DeviceSelect and
    // WordAddress; anywhere else they simply run, once.
    void Transaction(const std::function<void()> &sequences,
                     port::Expect expect = port::Expect::Acknowledged);
    // True while a transaction's sequences only rehearse: what they read is
    // not yet what the bus answered, so they report no progress.
    bool Rehearsing();

    // Bus sequences, each reading like its timing diagram.
    void I2cStart();
    void I2cStop();
    void I2cSendBit(bool bit);
    bool I2cReadBit();
    Ack I2cReadAck();
    void I2cAck();
    void I2cNack();

    // A byte sent, most significant bit first, and the receiver's answer.
    Ack I2cSendByte(quint8 value);
    // A byte read and answered: acknowledged when more are wanted, not
    // acknowledged when it is the last.
    quint8 I2cReadByte();
    quint8 I2cReadLastByte();

    // Addresses a device the way every transfer begins: a start condition
    // (a repeated start when no stop came before), then its select byte. The
    // caller ends the transfer with I2cStop.
    Ack AddressDevice(quint8 select);
    // The same for a memory, followed by the word address its address
    // pointer moves to; a refused select byte is not followed by it.
    Ack AddressDevice(quint8 select, quint8 wordAddress);

    // Acknowledge polling: a memory busy with its internal write cycle
    // refuses its select byte, so start + select byte are repeated until it
    // answers (no stop follows). Only an answer within `pollLimit` polls
    // counts; it gives up once more polls than that were refused and
    // `minimumWait` has passed since the first.
    Ack PollForAcknowledge(quint8 select, int pollLimit, std::chrono::milliseconds minimumWait = {});

    // One bit slot at the microcontroller's speed (PicBaudRate): 100/speed
    // milliseconds, the shortest clock level its firmware, which polls its
    // lines, is sure to see.
    std::chrono::nanoseconds PicBitSlot() const;
    // Waits up to `within` for the data line to read high; true when it did.
    // A device that polls its lines lets go of it only at its next look.
    bool SdaRisesWithin(std::chrono::nanoseconds within);
    // Bus recovery, run before every transfer: with the data line released,
    // up to RecoveryClocks clock pulses (each at least one microcontroller
    // bit slot low) until the data line reads high, then a start and a stop
    // condition. That frees a memory left in the middle of a read and the
    // microcontroller's presence signal, and the start and stop end the echo
    // session the pulse arms, so that the transfer's own start goes to the
    // device it addresses. False, after a stop, when the data line stays low.
    bool RecoverBus();
    static constexpr int RecoveryClocks = 9;

    // A memory programs a page during the write cycle (tWC) that the stop
    // after the page starts; losing its supply then corrupts the page. The
    // link remembers when such a stop went out, and AwaitWriteCycle waits
    // until tWC has passed since (at once when no write cycle can run).
    // LinkPowerOff and the end of every device operation wait for it.
    static constexpr std::chrono::milliseconds WriteCycleTime{5};
    void AwaitWriteCycle();

    void SetEepromBlock(quint8 block);
    // Block transfers over a 512-byte image; true = success. The write reads
    // the interface's presence before every page and fails, without sending
    // the page, when it is gone.
    bool EepromWrite(std::span<quint8, 512> image, quint16 count, quint8 startLow, quint8 pageSize,
                     const TransferProgress &progress = {});
    bool EepromRead(std::span<quint8, 512> image, quint16 count, quint8 startLow,
                    const TransferProgress &progress = {});

    // The bus state left by the last addressing and transfer: the select
    // byte and the word address of the next byte.
    quint8 deviceSelect() const { return DeviceSelect; }
    quint8 wordAddress() const { return WordAddress; }

    // Link-busy guard: one device operation at a time on the port.
    bool busy() const { return busy_; }
    // Runs `action` at once when no device operation holds the link, else
    // right after the one that does has ended (actions put off run in the
    // order they came). For what must not happen in the middle of a
    // transfer, yet must not be dropped either.
    void whenIdle(std::function<void()> action);

    // The UART bits the link drives and reads.
    static constexpr quint8 SupplyBits = port::SupplyBits;
    static constexpr quint8 SclBit = port::SclBit;
    static constexpr quint8 SdaOutBit = port::SdaOutBit;
    static constexpr quint8 SdaInBit = port::SdaInBit;
    static constexpr quint8 PresenceBit = port::PresenceBit;
    // The fixed waits of the link power switching: at least these iterations
    // and at least this time, for the interface's supply to settle (on) and
    // to run down (off).
    static constexpr quint32 PowerOnWait = 500001;
    static constexpr quint32 PowerOffWait = 200001;
    static constexpr std::chrono::milliseconds PowerOnFloor{20};
    static constexpr std::chrono::milliseconds PowerOffFloor{5};

    // Called at every BitDelay, before it waits. Lets a bus trace or a test
    // see where the delays fall; empty by default.
    void setDelayObserver(std::function<void()> observer) { delayObserver_ = std::move(observer); }

private:
    friend class LinkSession;
    void SettleReopenedPort();
    quint8 ChangeRegister(quint16 offset, quint8 set, quint8 clear);
    void ChangeModemControl(quint8 set, quint8 clear);
    void DriveLine(quint8 set, quint8 clear);
    quint8 ReadEightBits();
    quint8 ChangeLineControl(quint8 set, quint8 clear);
    Ack I2cSendAddress();
    Ack I2cSendWordAddress();
    void SelectWriteAddress(quint16 addr);
    bool WritePass(std::span<const quint8, 512> image, quint16 &addr, quint16 &written, quint16 count,
                   quint8 pageSize);
    Ack SendPage(std::span<const quint8, 512> image, quint16 &addr, quint16 &written, quint16 count,
                 quint8 pageSize);
    void runPutOff();
    void RecoveryClock();

    port::PortIo &io_;
    LinkState &state_;
    // Bus state shared by the EEPROM and clock transfers.
    quint8 DeviceSelect = 0;
    quint8 WordAddress = 0;
    bool busy_ = false;
    std::optional<std::chrono::steady_clock::time_point> writeCycleFrom_;
    std::optional<std::chrono::steady_clock::time_point> poweredAt_;
    std::deque<std::function<void()>> putOff_;
    std::function<void()> delayObserver_;
};

// Held for the whole of one device operation. A second operation started while
// one runs (a click pumped in during a transfer) gets acquired() == false and
// must refuse to start. An operation that starts lets the port recover from
// an earlier failure (PortIo::recover), so portFailed() speaks of this
// operation only.
class LinkSession {
public:
    explicit LinkSession(Link &link);
    ~LinkSession();
    LinkSession(const LinkSession &) = delete;
    LinkSession &operator=(const LinkSession &) = delete;
    bool acquired() const { return acquired_; }

private:
    Link &link_;
    bool acquired_;
};

} // namespace pellmora::link
