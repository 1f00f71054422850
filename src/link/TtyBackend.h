#pragma once

#include "port/PortIo.h"

#include <QByteArray>
#include <QString>

#include <memory>

struct termios;

namespace pellmora::link {

// The operating-system calls the serial-line backend needs. The real one
// talks to the kernel; tests hand in a fake. Calls return a non-negative
// value on success or a negative errno value.
class TtySystem {
public:
    virtual ~TtySystem() = default;
    virtual int open(const QByteArray &path) = 0; // read/write, no controlling tty, non-blocking
    virtual int close(int fd) = 0;
    virtual int getAttributes(int fd, termios &attributes) = 0;
    virtual int setAttributes(int fd, const termios &attributes) = 0;
    virtual int ioctl(int fd, unsigned long request, int *argument) = 0;
    virtual int ioctl(int fd, unsigned long request) = 0;
    // A monotonic clock in microseconds, and a wait on it: driver calls are
    // timed by it, and a status read waits on it for input lines that come
    // late.
    virtual quint64 nowMicros() = 0;
    virtual void waitMicros(quint64 micros) = 0;
    // The kernel driver behind the device as sysfs names it ("ftdi_sio",
    // "pl2303", "serial" ...), empty when it cannot be told.
    virtual QByteArray driverName(const QByteArray &path) = 0;
};

std::unique_ptr<TtySystem> RealTtySystem();

// The UART registers of the selected port mapped onto a serial device, at
// one driver call per line change: writes of modem control (base+4) set DTR
// and RTS when they change them, in one call where the driver allows it
// (a write that changes neither costs nothing), and its reads give the value
// last written; writes of line control (base+3) turn the break on or off with
// their bit 6 when it changes; reads of modem status (base+6) are built from
// CTS, DSR, RI and DCD with the delta bits of a real UART, one call each,
// while the unused read that ends a line operation costs nothing; a read of
// line status (base+5) costs one real line-status call. The calibration
// measures a line operation by three reads of 0x2FD: over a serial device
// every third of them costs what a line operation costs, one modem-control
// call that sets the lines as they are. Other bases read 0xFF
// and drop writes, like a port with no UART behind it. A call the driver
// refuses sets lastError() and portFailed() (a modem status that cannot be
// read reads 0xFF: no acknowledge can be faked); a device that is
// gone (an adapter pulled out: EIO, ENXIO, ENODEV) is closed at once, so that
// it keeps its name when it is plugged in again, and recover() opens it
// again with the lines as the link last set them.
//
// USB adapters answer the input lines late: pl2303 and ch341 drivers give
// them from the last interrupt packet, which arrives one or two USB
// intervals after a line changed. A status read whose value is used waits
// until the inputs have had that long since the last line change: at least
// two intervals on a driver known to cache, or what the loop-back through
// the interface measured (SDA out changed, status read until SDA in
// follows), whichever is longer. A break the driver refuses (an adapter
// that cannot send one) is not a failed port: the interface simply gets no
// supply, and supplyRefused() says why. The device is released as it is
// closed, on every path: exclusive use ends first, so that another program
// holding it open does not lock the next run out.
class TtyBackend : public port::PortIo {
public:
    // The serial device: COM1..COM4 = /dev/ttyS0..3, unless a path is given.
    static QString devicePath(quint8 selectedPort, const QString &ttyDevice);

    // Opens the port's device with flow control off. On failure returns
    // nullptr and sets *error to a message naming the device and the cause.
    static std::unique_ptr<port::PortIo> open(quint8 selectedPort, const QString &ttyDevice, QString *error);
    static std::unique_ptr<port::PortIo> open(quint8 selectedPort, const QString &ttyDevice, QString *error,
                                        std::unique_ptr<TtySystem> system);

    ~TtyBackend() override;
    TtyBackend(const TtyBackend &) = delete;
    TtyBackend &operator=(const TtyBackend &) = delete;

    quint8 PortIn(quint16 address) override;
    void PortOut(quint16 address, quint8 value) override;
    void PortInUnused(quint16 address) override;
    bool portFailed() const override { return failed_; }
    bool recover() override;
    // A device that went away and could not be opened again: why not.
    QString closedReason() const override { return fd_ < 0 ? lastError_ : QString(); }
    bool supplyRefused() const override { return supplyRefused_; }
    // The calls of a read slot (its line changes, one status read and the
    // wait for the inputs), measured once per device opened; the loop-back
    // is measured the first time the link is found powered and idle.
    quint64 bitSlotPortMicros() override;

    QString lastError() const { return lastError_; }
    // How long a used status read waits after a line change, in microseconds.
    quint64 statusLagMicros() const { return statusLagMicros_; }

private:
    enum class LineStatusCall { SerialLsr, OutputQueue };

    TtyBackend(std::unique_ptr<TtySystem> system, int fd, QString path, quint16 base);
    static int openDevice(TtySystem &system, const QString &path, int *lines, QString *error);
    static void release(TtySystem &system, int fd);
    void closeDevice();
    void takeOpenedLines(int lines);
    void lineChanged();
    void awaitInputs();
    bool measureCallCosts();
    void measureStatusLag();
    bool followTime(bool high, quint64 *micros);
    void writeModemControl(quint8 value, bool always = false);
    void writeLineControl(quint8 value, bool always = false);
    quint8 readModemStatus();
    quint8 readLineStatus();
    quint8 measureLineOperation();
    void fail(const char *what, int error);
    int call(unsigned long request, int *argument); // -EBADF once the device is closed
    int call(unsigned long request);

    std::unique_ptr<TtySystem> system_;
    int fd_;
    QString path_;
    quint16 base_;
    LineStatusCall lineStatusCall_ = LineStatusCall::SerialLsr;
    bool combinedModemSet_ = true;
    int keptModemBits_ = 0; // OUT1, OUT2, loop as the driver had them
    quint8 modemControl_ = 0;
    quint8 lineControl_ = 0x03;
    quint8 scratch_ = 0;
    quint8 lastModemLines_ = 0; // CTS/DSR/RI/DCD as bits 4..7 of the last read
    int calibrationReads_ = 0;
    bool failed_ = false;
    bool supplyRefused_ = false;
    QString lastError_;
    QByteArray driver_;
    quint64 lastChangeMicros_ = 0;  // when a line last changed
    quint64 lagFloorMicros_ = 0;    // the driver's own delay of the inputs
    quint64 statusLagMicros_ = 0;   // what a used status read waits after a change
    bool lagMeasured_ = false;      // the loop-back has timed the inputs
    bool lagTried_ = false;         // tried since the supply went on
    quint64 setMicros_ = 0;         // one line change
    quint64 getMicros_ = 0;         // one status read
    bool costsMeasured_ = false;
};

} // namespace pellmora::link
