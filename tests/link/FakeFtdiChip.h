#pragma once

// A fake FTDI chip in synchronous bit-bang mode for the cable backend, with
// what hangs on its cable: the simulated switch, played sample by sample, or
// any function of the output pins. Each sample written first reads the pins
// (the outputs as they are and the inputs the cable drives), then sets the
// outputs, and takes one tick of the bit-bang clock on a clock that the
// simulated switch runs by: the host's steady clock plus every tick so far,
// as if each transfer lasted as long as the real chip takes to clock it out.

#include "link/FtdiBackend.h"
#include "link/FtdiPins.h"
#include "port/UartRegisters.h"
#include "sim/SimulatedSwitch.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace pellmora::test {

struct FakeFtdiChip {
    explicit FakeFtdiChip(sim::SimOptions options = {}) : sim(withClock(std::move(options))) {}

    // Every tick of the bit-bang clock so far (first: the switch reads it
    // while it is made).
    qint64 tickedNanos = 0;
    // The switch on the cable's far side (its interface on its COM port).
    sim::SimulatedSwitch sim;
    // Instead of the switch: the input pins for the outputs (a test cable).
    std::function<quint8(quint8 outputs)> cable;

    // Time the host takes before each exchange (the switch's clock runs on).
    qint64 pauseBeforeExchangeNanos = 0;

    QStringList serials{QStringLiteral("FT4711")};
    int failSearch = 0;      // non-zero: the search for chips fails with this
    int failOpen = 0;        // non-zero: opening fails with this
    int failAtDataCall = 0;  // the data call with this number (from 1) and every later one fail: unplugged
    bool unplugged = false;
    bool open = false;
    int opens = 0;
    quint8 outputMask = 0;
    quint8 mode = 0;
    int libraryBaud = 0;
    quint8 pins = 0xFF;        // what the chip drives now
    QByteArray readBack;       // read, not yet fetched
    QByteArray written;        // every sample ever written
    long writes = 0;           // data calls that write
    long reads = 0;            // data calls that read
    long exchanges = 0;        // writes with a read beside them

    long dataCalls() const { return writes + reads; }
    int sampleRate() const { return libraryBaud * link::FtdiBackend::SamplesPerLibraryBaud; }
    // Pulls the cable now, or plugs it back in.
    void pull() { unplugged = true; open = false; }
    void plugIn() { unplugged = false; failAtDataCall = 0; }

    // One tick: the pins are read, then the sample is set.
    void clockOut(quint8 sample)
    {
        readBack.append(char((pins & link::ftdi::OutputPins) | (inputs() & ~link::ftdi::OutputPins)));
        written.append(char(sample));
        apply(quint8(sample | ~outputMask));
        if (sampleRate() > 0)
            tickedNanos += 1'000'000'000LL / sampleRate();
    }

private:
    sim::SimOptions withClock(sim::SimOptions options)
    {
        options.monotonicNanos = [this] {
            using namespace std::chrono;
            return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count() + tickedNanos;
        };
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
        if (chip_.failOpen)
            return chip_.failOpen;
        if (chip_.unplugged || !chip_.serials.contains(serial))
            return -3;
        ++chip_.opens;
        chip_.open = true;
        return 0;
    }
    void close() override { chip_.open = false; }
    int setBitmode(quint8 outputs, quint8 mode) override
    {
        chip_.outputMask = outputs;
        chip_.mode = mode;
        return usable() ? 0 : -1;
    }
    int setBaudrate(int baudrate) override
    {
        chip_.libraryBaud = baudrate;
        return usable() ? 0 : -1;
    }
    int setLatencyTimer(quint8) override { return usable() ? 0 : -1; }
    int purgeBuffers() override
    {
        chip_.readBack.clear();
        return usable() ? 0 : -1;
    }
    int writeData(const QByteArray &samples) override
    {
        ++chip_.writes;
        if (!dataCallWorks())
            return -1;
        for (char sample : samples)
            chip_.clockOut(quint8(sample));
        return int(samples.size());
    }
    int readData(QByteArray *readBack, int size) override
    {
        ++chip_.reads;
        if (!dataCallWorks() || chip_.readBack.size() < size)
            return -1; // the chip never sends what it did not read: the read times out
        *readBack = chip_.readBack.left(size);
        chip_.readBack.remove(0, size);
        return size;
    }
    int writeAndRead(const QByteArray &samples, QByteArray *readBack, int readSize) override
    {
        ++chip_.exchanges;
        chip_.tickedNanos += chip_.pauseBeforeExchangeNanos;
        if (const int written = writeData(samples); written < 0)
            return written;
        return readData(readBack, readSize);
    }
    QString errorString() override { return QStringLiteral("the fake chip is unplugged"); }

private:
    bool usable() const { return chip_.open && !chip_.unplugged; }
    bool dataCallWorks()
    {
        if (chip_.failAtDataCall > 0 && chip_.dataCalls() >= chip_.failAtDataCall)
            chip_.pull();
        return usable();
    }

    FakeFtdiChip &chip_;
};

} // namespace pellmora::test
