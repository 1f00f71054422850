#pragma once

#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <memory>
#include <optional>

namespace pellmora::sim {
enum class Fault;
}

namespace pellmora::link {
class IoPortGrant;
class FtdiSystem;
}

namespace pellmora::connection {

// Which PortIo drives the port lines.
enum class Backend {
    Sim,    // the simulated time switch (default)
    IoPort, // direct x86 I/O ports
    Tty,    // the port's serial device: modem lines through the serial driver
    Ftdi,   // an FTDI USB serial cable in synchronous bit-bang mode (libftdi)
};

// The link options shared by `pellmora` and `pellmora-cli`:
//   --link sim|ioport|tty|ftdi backend (default sim)
//   --sim-port COMn            port the simulated switch hangs on (default COM1)
//   --sim-memory PATH|none     where the simulated EEPROM persists; none = blank every run
//   --sim-fault NAME           a fault of the simulated switch (repeatable)
//   --tty-device PATH          serial device for the selected port (USB adapters)
//   --ftdi-device SERIAL       which FTDI cable, by serial number (when several are connected)
//   --trace PATH.vcd           record the bus into a VCD file written at the end
struct LinkOptions {
    Backend backend = Backend::Sim;
    quint8 simPort = 0;                   // 0..3 = COM1..COM4
    std::optional<QString> simMemoryPath; // unset = the default state file
    bool simMemoryNone = false;           // --sim-memory none: blank memory, nothing saved
    QList<sim::Fault> simFaults;
    QString ttyDevice; // empty = /dev/ttyS0..3 for COM1..COM4
    QString ftdiDevice; // serial number; empty = the only FTDI cable connected
    QString tracePath; // empty = no trace

    // Not on the command line: the I/O ports the program took when it
    // started (TakeStartupPrivileges), which --link ioport drives.
    std::shared_ptr<link::IoPortGrant> ioPorts;
    // Not on the command line: the FTDI library calls --link ftdi makes;
    // empty = libftdi's own. Tests hand in a fake chip.
    std::function<std::unique_ptr<link::FtdiSystem>()> ftdiSystem;

    // Not on the command line: lets tests count the EEPROM write cycle in
    // refused select bytes instead of real time (0 = real 5 ms cycle), and
    // pull the cable of the pulled-cable fault after another number of bus
    // bytes than the default.
    int simWriteCycleSelects = 0;
    std::optional<int> simPullCableAfterBytes;
    // Not on the command line: the monotonic clock the simulated switch
    // keeps time by (empty = the system's steady clock). Tests hand in one
    // that the link's bit delays pace.
    std::function<qint64()> simMonotonicNanos;
};

// The backend's name on the command line and in the stored link choice:
// "sim", "ioport", "tty"; nullopt for any other name.
std::optional<Backend> backendFromName(QStringView name);
QString backendName(Backend backend);

// "COM1".."COM4" (case-insensitive) -> 0..3.
std::optional<quint8> portFromName(QStringView name);
QString portName(quint8 port); // 0..3 -> "COM1".."COM4"

// Adds the link options, with their help texts, to the parser of a program.
void addLinkOptions(QCommandLineParser &parser);

// The link options of a parser that has parsed the arguments. Each option
// given replaces its value in `start` (the stored link choice, see
// LinkChoice.h); --tty-device without --link means --link tty. On a bad value
// returns nullopt with a one-line text naming the option in `error`.
std::optional<LinkOptions> linkOptionsFrom(const QCommandLineParser &parser, QString *error,
                                           const LinkOptions &start = {});

} // namespace pellmora::connection
