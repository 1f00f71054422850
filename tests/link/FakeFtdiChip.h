#pragma once

// A fake FTDI FT232R in synchronous bit-bang mode for the cable backend,
// with what hangs on its cable: the simulated switch, played sample by
// sample, or any function of the output pins.
//
// As the chip does, it takes up to 256 samples from the host, clocks one out
// at each tick of its bit-bang clock (first reading the pins: the outputs as
// they are and the inputs the cable drives, then setting the outputs), and
// keeps what it read for the host, up to 128 samples: with that buffer full
// it stops clocking until the host reads. A read that finds nothing gets the
// chip's status bytes alone, after its latency timer; a write that does not
// fit waits for the USB write timeout and fails. The chip can stop clocking
// while it stays attached: then it answers every read with nothing, for
// ever, as libftdi does.
//
// Time is the fake's own: every tick of the bit-bang clock and every wait of
// the host. The simulated switch runs by that time plus the host's steady
// clock as it stood when the host last called the chip: the host's time
// passes between its calls, as it does for the real switch, while the
// samples of one call are clocked at the chip's own pace however long the
// machine running the test takes over them.

#include "link/FtdiBackend.h"
#include "link/FtdiPins.h"
#include "port/UartRegisters.h"
#include "sim/SimulatedSwitch.h"

#include <QList>
#include <QtGlobal>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace pellmora::test {

struct FakeFtdiChip {
    explicit FakeFtdiChip(sim::SimOptions options = {}) : sim(withClock(std::move(options))) {}

    static constexpr int SampleBuffer = 256;
    static constexpr int ReadBackBuffer = 128;
    static constexpr qint64 WriteTimeoutNanos = 1'000'000'000;

    // Every tick of the bit-bang clock so far, and every wait of the host
    // (first: the switch reads them while it is made).
    qint64 tickedNanos = 0;
    qint64 waitedNanos = 0;
    qint64 hostNanos = steadyNanos(); // the host's steady clock at its last call to the chip
    // The switch on the cable's far side (its interface on its COM port).
    sim::SimulatedSwitch sim;
    // Instead of the switch: the input pins for the outputs (a test cable).
    std::function<quint8(quint8 outputs)> cable;

    // Time the host takes before each write to a chip that has run dry (the
    // switch's clock runs on).
    qint64 pauseBeforeExchangeNanos = 0;

    QStringList serials{QStringLiteral("FT4711")};
    int failSearch = 0;      // non-zero: the search for chips fails with this
    int failOpen = 0;        // non-zero: opening fails with this
    int failAtDataCall = 0;  // the data call with this number (from 1) and every later one fail: unplugged
    int errorAtDataCall = 0; // the data call with this number fails, the chip stays attached
    int errorAfterStop = 0;  // the data call after this many STOPs (from 1) fails, the chip stays attached
    long stopsClockingAt = -1; // once this many samples were clocked out, the chip clocks no more
    bool unplugged = false;
    bool open = false;
    bool clocking = true;
    int opens = 0;
    quint8 outputMask = 0;
    quint8 mode = 0;
    int libraryBaud = 0;
    int latencyMilliseconds = 16;
    quint8 pins = 0xFF;        // what the chip drives now
    QByteArray toClock;        // taken from the host, not yet clocked out
    QByteArray readBack;       // read, not yet fetched
    QByteArray written;        // every sample ever clocked out
    long writes = 0;           // data calls that write
    long reads = 0;            // data calls that read
    long exchanges = 0;        // reads after which the chip had nothing left to clock or send
    // The last STOP on the bus while powered, on the fake's clock, and for
    // every reset of the bit mode that dropped the supply after a STOP, how
    // long after it.
    std::optional<qint64> lastStopNanos;
    int stops = 0;
    QList<qint64> resetsAfterStop;

    long dataCalls() const { return writes + reads; }
    qint64 nowNanos() const { return tickedNanos + waitedNanos; }
    // The host calls the chip: its time since the last call has passed.
    void hostCalls() { hostNanos = steadyNanos(); }
    static qint64 steadyNanos()
    {
        using namespace std::chrono;
        return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
    }
    int sampleRate() const { return libraryBaud * link::FtdiBackend::SamplesPerLibraryBaud; }
    // Pulls the cable now, or plugs it back in.
    void pull() { unplugged = true; open = false; }
    void plugIn() { unplugged = false; failAtDataCall = 0; }

    // One tick: the pins are read, then the sample is set.
    void clockOut(quint8 sample)
    {
        using namespace link::ftdi;
        readBack.append(char((pins & OutputPins) | (inputs() & ~OutputPins)));
        written.append(char(sample));
        const quint8 before = pins;
        apply(quint8(sample | ~outputMask));
        if (!(pins & Txd) && !(before & DtrN) && !(pins & DtrN) && (before & RtsN) && !(pins & RtsN)) {
            lastStopNanos = nowNanos();
            ++stops;
        }
        if (sampleRate() > 0)
            tickedNanos += 1'000'000'000LL / sampleRate();
    }

    // The chip clocks what it holds while it has room for the read-back.
    void run()
    {
        while (clocking && !toClock.isEmpty() && readBack.size() < ReadBackBuffer) {
            if (stopsClockingAt >= 0 && written.size() >= stopsClockingAt) {
                clocking = false;
                return;
            }
            clockOut(quint8(toClock.front()));
            toClock.remove(0, 1);
        }
    }

    // Back to serial mode: TXD idles (the supply falls), DTR and RTS off.
    void resetBitmode()
    {
        if (!(pins & link::ftdi::Txd) && lastStopNanos)
            resetsAfterStop.append(nowNanos() - *lastStopNanos);
        apply(0xFF);
        outputMask = 0;
        mode = 0;
        toClock.clear();
    }

private:
    sim::SimOptions withClock(sim::SimOptions options)
    {
        options.monotonicNanos = [this] { return hostNanos + nowNanos(); };
        return options;
    }

    quint16 base() const { return port::uart::ComBases[sim.options().port & 3]; }

    quint8 inputs()
    {
        if (cable)
            return cable(pins);
        return link::ftdi::InputPinsFor(quint8(sim.PortIn(base() + port::uart::ModemStatus) & 0xF0));
    }

    void apply(quint8 sample)
    {
        const quint8 changed = quint8(sample ^ pins);
        pins = sample;
        if (cable)
            return;
        using namespace link::ftdi;
        if (changed & (RtsN | DtrN))
            sim.PortOut(base() + port::uart::ModemControl,
                        quint8(((pins & DtrN) ? 0 : port::uart::Dtr) | ((pins & RtsN) ? 0 : port::uart::Rts)));
        if (changed & Txd)
            sim.PortOut(base() + port::uart::LineControl, (pins & Txd) ? quint8(0x03) : quint8(0xC3));
    }
};

class FakeFtdiSystem : public link::FtdiSystem {
public:
    explicit FakeFtdiSystem(FakeFtdiChip &chip) : chip_(chip) {}

    int serialNumbers(QStringList *serials) override
    {
        if (chip_.failSearch)
            return chip_.failSearch;
        *serials = chip_.unplugged ? QStringList() : chip_.serials;
        return int(serials->size());
    }
    int open(const QString &serial) override
    {
        chip_.hostCalls();
        if (chip_.failOpen)
            return chip_.failOpen;
        if (chip_.unplugged || !chip_.serials.contains(serial))
            return -3;
        ++chip_.opens;
        chip_.open = true;
        return 0;
    }
    void close() override
    {
        chip_.hostCalls();
        if (!usable())
            return;
        chip_.resetBitmode();
        chip_.open = false;
    }
    int setBitmode(quint8 outputs, quint8 mode) override
    {
        chip_.hostCalls();
        if (!usable())
            return -1;
        chip_.outputMask = outputs;
        chip_.mode = mode;
        chip_.clocking = true; // a fresh bit mode starts the clock again
        chip_.stopsClockingAt = -1;
        return 0;
    }
    int setBaudrate(int baudrate) override
    {
        chip_.libraryBaud = baudrate;
        return usable() ? 0 : -1;
    }
    int setLatencyTimer(quint8 milliseconds) override
    {
        chip_.latencyMilliseconds = milliseconds;
        return usable() ? 0 : -1;
    }
    int purgeBuffers() override
    {
        chip_.readBack.clear();
        chip_.toClock.clear();
        return usable() ? 0 : -1;
    }
    int writeData(const QByteArray &samples) override
    {
        chip_.hostCalls();
        ++chip_.writes;
        if (!dataCallWorks())
            return -1;
        if (chip_.toClock.isEmpty() && chip_.readBack.isEmpty())
            chip_.waitedNanos += chip_.pauseBeforeExchangeNanos;
        chip_.run();
        if (chip_.toClock.size() + samples.size() > FakeFtdiChip::SampleBuffer) {
            chip_.waitedNanos += FakeFtdiChip::WriteTimeoutNanos; // nobody makes room: the USB write times out
            return -1;
        }
        chip_.toClock.append(samples);
        chip_.run();
        return int(samples.size());
    }
    int readData(QByteArray *readBack, int size) override
    {
        chip_.hostCalls();
        ++chip_.reads;
        if (!dataCallWorks())
            return -1;
        chip_.run();
        const int count = std::min(size, int(chip_.readBack.size()));
        if (count == 0) {
            // Only the status bytes, after the latency timer; a host that
            // waits for a stopped chip without a bound waits here for ever.
            chip_.waitedNanos += chip_.latencyMilliseconds * 1'000'000LL;
            if (chip_.nowNanos() - lastDataNanos_ > MaximumWaitNanos)
                qFatal("The host has waited for samples read back for an hour of the chip's time");
            return 0;
        }
        readBack->append(chip_.readBack.left(count));
        chip_.readBack.remove(0, count);
        chip_.run();
        lastDataNanos_ = chip_.nowNanos();
        if (chip_.toClock.isEmpty() && chip_.readBack.isEmpty())
            ++chip_.exchanges;
        return count;
    }
    qint64 monotonicNanos() override { return chip_.nowNanos(); }
    void sleepNanos(qint64 nanos) override { chip_.waitedNanos += nanos; }
    QString errorString() override { return QStringLiteral("the fake chip is unplugged"); }

private:
    bool usable() const { return chip_.open && !chip_.unplugged; }
    bool dataCallWorks()
    {
        if (chip_.failAtDataCall > 0 && chip_.dataCalls() >= chip_.failAtDataCall)
            chip_.pull();
        if (chip_.errorAtDataCall > 0 && chip_.dataCalls() == chip_.errorAtDataCall)
            return false;
        if (chip_.errorAfterStop > 0 && chip_.stops >= chip_.errorAfterStop) {
            chip_.errorAfterStop = 0;
            return false;
        }
        return usable();
    }

    static constexpr qint64 MaximumWaitNanos = 3600'000'000'000LL;
    FakeFtdiChip &chip_;
    qint64 lastDataNanos_ = 0;
};

} // namespace pellmora::test
