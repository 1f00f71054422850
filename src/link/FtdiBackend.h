#pragma once

#include "port/PortIo.h"
#include "port/SampledLines.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace pellmora::link {

// The FTDI library calls the cable backend makes, one method each or, for a
// transfer, the few calls that make it. The real one talks to libftdi; tests
// hand in a fake chip. Calls return a non-negative value on success or a
// negative libftdi error code.
class FtdiSystem {
public:
    virtual ~FtdiSystem() = default;
    // The serial numbers of the FTDI chips on the USB buses
    // (ftdi_usb_find_all, ftdi_usb_get_strings), in bus order.
    virtual int serialNumbers(QStringList *serials) = 0;
    // Opens the chip with this serial number (ftdi_usb_open_dev).
    virtual int open(const QString &serial) = 0;
    // Back to serial mode (ftdi_set_bitmode with BITMODE_RESET), then
    // ftdi_usb_close. Harmless when nothing is open.
    virtual void close() = 0;
    virtual int setBitmode(quint8 outputs, quint8 mode) = 0; // ftdi_set_bitmode
    virtual int setBaudrate(int baudrate) = 0;                // ftdi_set_baudrate
    virtual int setLatencyTimer(quint8 milliseconds) = 0;     // ftdi_set_latency_timer
    virtual int purgeBuffers() = 0;                           // ftdi_tcioflush
    // The data calls. ftdi_write_data: the samples into the chip's buffer;
    // returns once the chip has taken them all, or fails when it takes none
    // for the USB write timeout.
    virtual int writeData(const QByteArray &samples) = 0;
    // ftdi_read_data: appends up to `size` samples the chip has read back
    // and returns their count; 0 when it had none (it answers with its two
    // status bytes alone once its latency timer runs out). A chip that has
    // stopped clocking answers so for ever: the caller bounds the wait.
    virtual int readData(QByteArray *readBack, int size) = 0;
    // The monotonic clock the waits for the chip are measured on, and a wait.
    virtual qint64 monotonicNanos() = 0;
    virtual void sleepNanos(qint64 nanos) = 0;
    virtual QString errorString() = 0; // ftdi_get_error_string
};

std::unique_ptr<FtdiSystem> RealFtdiSystem();

// The switch's interface on an FTDI USB serial cable (FT232R, FT232H) whose
// chip runs in synchronous bit-bang mode: the UART registers of every COM
// base map onto the chip's pins (link/FtdiPins.h), and the chip clocks the
// pins out and reads them back at the rate of its bit-bang clock.
//
// Every write of line or modem control is one sample of the pins; a bus
// delay step is as many samples as a fifth of a bit slot needs, the clock
// set so that a bit slot (four line changes and five steps) lasts
// 100/speed ms. Synchronous bit-bang reads the pins just before each sample
// goes out, so the answer to a read is in the sample read back with the next
// sample written. Outside a bus transaction a line change goes out at once
// and a used modem-status read costs one exchange; a transaction
// (SampledLines) goes out in one exchange.
//
// Every wait for samples read back has a deadline: the samples outstanding
// at the sample rate, the latency timer and a margin. A chip that stays
// attached but stops clocking (reset out of bit-bang mode, a write that
// failed half-way) answers with nothing for ever; past the deadline it
// counts as lost, like a pulled cable.
//
// A failed USB call, or a chip lost so, sets portFailed() and reads as an
// idle bus (every byte refused); the chip is closed so that recover() can
// open it again by its serial number, with the lines as the link last set
// them. Closing resets the bit mode, which drops the interface's supply: it
// waits until a memory's write cycle that the last STOP sent may have
// started (5 ms) is over.
class FtdiBackend : public port::PortIo, public port::SampledLines {
public:
    // The bit-bang clock: the chip takes 16 samples per unit of the baud
    // rate it is set to, and libftdi multiplies a rate set in bit-bang mode
    // by 4 before it sets the chip.
    static constexpr int SamplesPerLibraryBaud = 64;
    // The slowest clock the chip's divisor reaches, with a margin, and the
    // fastest that full-speed USB carries both ways.
    static constexpr int MinimumSampleRate = 3000;
    static constexpr int MaximumSampleRate = 1'000'000;

    // Opens the cable with this serial number, or the only one connected
    // when `serial` is empty. On failure returns nullptr and sets *error to a
    // message naming the cable and the cause.
    static std::unique_ptr<FtdiBackend> open(const QString &serial, QString *error);
    static std::unique_ptr<FtdiBackend> open(const QString &serial, QString *error,
                                             std::unique_ptr<FtdiSystem> system);
    // Serial numbers of the FTDI cables connected now; empty with *error set
    // when the USB buses cannot be searched.
    static QStringList connectedCables(FtdiSystem &system, QString *error);

    ~FtdiBackend() override;
    FtdiBackend(const FtdiBackend &) = delete;
    FtdiBackend &operator=(const FtdiBackend &) = delete;

    quint8 PortIn(quint16 address) override;
    void PortOut(quint16 address, quint8 value) override;
    void PortInUnused(quint16 address) override;
    bool portFailed() const override { return failed_; }
    bool recover() override;
    port::SampledLines *sampledLines() override { return this; }

    quint16 ReachableSpeed(quint16 speed) const override;
    void Hold(quint32 loopCount) override;
    void Transaction(const std::function<void()> &sequences, port::Expect expect) override;
    bool Rehearsing() const override { return depth_ > 0 && diverged_; }

    QString serial() const { return serial_; }
    QString lastError() const { return lastError_; }

    // How a speed is clocked: samples per bus delay step and the sample
    // rate, such that a bit slot of four line changes and five steps lasts
    // 100/speed ms, the rate within the chip's reach.
    struct Clocking {
        int holdSamples = 1;
        int sampleRate = 0;
    };
    static Clocking ClockingFor(quint16 speed);

private:
    // One step of a transaction as the link made it: a sample of the pins,
    // or a modem-status read with the input lines that answered it.
    struct Step {
        bool read = false;
        quint8 pins = 0;  // the pins written, or for a read the pins it was made at
        quint8 lines = 0; // a read: the modem-status lines (bits 4..7)
    };
    // The steps sent in one exchange, up to its last read. A later exchange
    // continues the transaction where the real answers led it off the steps
    // sent before: at step `branchAt` of exchange `parent` (-1: none); its
    // `bridge` samples take the lines from where the exchange before left
    // them to where its steps begin.
    struct Exchange {
        std::vector<Step> steps;
        int parent = -1;
        size_t branchAt = 0;
        QByteArray bridge;
    };

    FtdiBackend(std::unique_ptr<FtdiSystem> system, QString serial);
    static int openChip(FtdiSystem &system, const QString &serial, QString *error);
    quint8 pins() const;
    void sample(quint8 pins);
    void queue(quint8 pins);
    void diverge();
    quint8 readModemStatus();
    quint8 answerRead();
    quint8 predictedLines();
    quint8 statusOf(quint8 lines);
    bool replayStep(const Step &step, quint8 *lines);
    bool sendExchange();
    void writePending();
    bool transfer(const QByteArray &samples, QByteArray *readBack);
    bool fetch(int count, QByteArray *readBack);
    void noteStops(const QByteArray &samples);
    void setClocking(quint16 speed);
    void fail(const QString &what);
    void fail(const char *what, int error);
    void closeChip();

    std::unique_ptr<FtdiSystem> system_;
    QString serial_;
    bool open_ = true;
    bool failed_ = false;
    QString lastError_;

    quint8 modemControl_ = 0;
    quint8 lineControl_ = 0x03;
    quint8 scratch_ = 0;
    quint8 lastLines_ = 0; // CTS/DSR/RI/DCD of the last status read used
    quint8 lastPins_ = 0;  // the pins of the last sample the link made
    quint8 wirePins_ = 0;  // the pins of the last sample queued or sent

    quint16 speed_ = 0;
    Clocking clocking_;
    QByteArray pending_; // samples not yet written
    int unread_ = 0;     // samples written whose read-back has not been taken

    // The STOP conditions written: the pins of the last sample written, the
    // number of the last STOP's sample while it is not read back (-1: none),
    // and the latest moment the last STOP read back can have gone out.
    quint8 chipPins_ = 0xFF;
    qint64 samplesWritten_ = 0;
    qint64 samplesReadBack_ = 0;
    qint64 unconfirmedStop_ = -1;
    std::optional<qint64> stopOutBy_;

    // The transaction that runs: its exchanges so far and where the present
    // run of its sequences stands among their steps.
    int depth_ = 0;
    port::Expect expect_ = port::Expect::Acknowledged;
    std::vector<Exchange> sent_;
    size_t exchangeAt_ = 0;
    size_t stepAt_ = 0;
    bool diverged_ = false;
    Exchange fresh_;     // the steps of this run beyond those sent
    int freshReads_ = 0; // reads among them, answered as expected
};

} // namespace pellmora::link
