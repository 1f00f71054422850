#pragma once

// What the simulated time switch is made of for one run: the port its
// interface hangs on, where its memory persists, the faults switched on and
// the clocks it keeps time by.

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <optional>

namespace pellmora::sim {

// Faults that can be switched on in the simulated time switch, one per way
// the real hardware is known to go wrong.
enum class Fault {
    NoInterface,   // nothing behind the port: CTS clear, nothing acknowledges
    NoisyPort,     // another device toggles a modem-status input between reads
    SdaStuckLow,   // the data wire is shorted to ground while powered
    SilentPic,     // the microcontroller never answers (no presence, echo, clock)
    WrongEcho,     // the microcontroller echoes the byte itself, not its complement
    NoEeprom,      // the memory is missing from the bus
    EndlessWrite,  // the memory's write cycle never ends
    FlipBit,       // one bit of the memory reads back flipped
    BadClockReply, // the clock answers hours and minutes out of range
    PulledCable,   // the interface's cable comes out after SimOptions::pullCableAfterBytes bus bytes
    BreakRefused,  // the adapter cannot send a break: the interface never gets its supply
    ShortBreak,    // the adapter fakes a break that ends on its own after about 196 ms
};

// Command-line names ("no-interface", "noisy-port", ...), in declaration order.
std::optional<Fault> faultFromName(QStringView name);
QString faultName(Fault fault);
QStringList faultNames();

struct SimOptions {
    quint8 port = 0;    // the COM port (0..3 = COM1..COM4) the interface hangs on
    QString memoryPath; // empty = blank memory, nothing saved
    QList<Fault> faults;
    // 0 = the memory's write cycle lasts 5 ms of real time; N > 0 = it lasts
    // N refused select bytes (deterministic and fast, for tests). At loop
    // count 0 the link's acknowledge polling is over long before 5 ms, so
    // runs at that speed want N > 0.
    int writeCycleSelects = 0;
    qint64 clockOffsetSeconds = 0; // device clock = host time of day + offset
    double clockDriftPerDay = 0;   // seconds the device clock gains per day
    // Host local time in milliseconds since the epoch; empty = the real clock.
    // Tests inject their own to read the device clock deterministically.
    std::function<qint64()> hostClock;
    // With Fault::PulledCable: the bytes (nine clock pulses after a start
    // condition) the bus carries before the cable comes out. The default
    // pulls it once the first transfer has sent its select byte and one more:
    // in the middle of the transfer, whichever it is.
    int pullCableAfterBytes = 2;
    // The microcontroller's bus speed in baud (its firmware's bit slot is
    // 100/speed ms), the speed the program's microcontroller setting must
    // match.
    quint16 picSpeed = 60;
    // A monotonic clock in nanoseconds that times the interface's supply,
    // the microcontroller's reactions and the memory's write cycle; empty =
    // the system's steady clock.
    std::function<qint64()> monotonicNanos;

    bool has(Fault fault) const { return faults.contains(fault); }
};

// Where the simulated memory lives between runs when no path is given: a file
// in the user's state directory.
QString defaultMemoryPath();

} // namespace pellmora::sim
