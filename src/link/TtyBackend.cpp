#include "link/TtyBackend.h"

#include "link/Link.h"
#include "link/SystemErrorText.h"
#include "port/UartRegisters.h"

#include <QFileInfo>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <linux/serial.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <functional>
#include <thread>

using namespace pellmora::port;

namespace pellmora::link {

namespace {

// OUT1, OUT2 and loop-back as the kernel numbers them in TIOCMGET/TIOCMSET
// (the C library's termios header leaves them out).
constexpr int KeptModemBits = 0x2000 | 0x4000 | 0x8000;

QString ErrorText(int error)
{
    return SystemErrorText(error);
}

// USB serial drivers that answer TIOCMGET from the status of the last
// interrupt packet instead of asking the chip: the inputs come one or two
// interrupt intervals (1 ms at full speed) after they changed. Named as
// sysfs links them (the ch341 module registers as "ch341-uart").
constexpr quint64 InterruptIntervalMicros = 1000;
constexpr const char *CachingDrivers[] = {"pl2303", "ch341-uart", "ch341"};

quint64 LagFloorOf(const QByteArray &driver)
{
    for (const char *name : CachingDrivers) {
        if (driver == name)
            return 2 * InterruptIntervalMicros;
    }
    return 0;
}

// The loop-back gives up when SDA in has not followed within this time (no
// interface behind the lines, or nothing that echoes).
constexpr quint64 FollowLimitMicros = 100000;
// Status reads that cost next to nothing (a cached status) are spaced by
// this much while the loop-back waits.
constexpr quint64 FollowPauseMicros = 100;
// Call costs are averaged over at least this many calls and this long.
constexpr int CostCallsMin = 4;
constexpr int CostCallsMax = 64;
constexpr quint64 CostRunMicros = 2000;

// Errors with which the kernel answers for a serial device that is no
// longer there: the descriptor is of no further use.
bool DeviceGone(int error)
{
    return error == -EIO || error == -ENXIO || error == -ENODEV || error == -EBADF;
}

QString OpenFailureText(const QString &path, int error)
{
    switch (-error) {
    case ENOENT:
        return QStringLiteral("Sériový port %1 neexistuje").arg(path);
    case EACCES:
    case EPERM:
        return QStringLiteral("K sériovému portu %1 chybí oprávnění (uživatel musí patřit do skupiny, která port "
                              "vlastní, obvykle dialout)")
            .arg(path);
    case EBUSY:
        return QStringLiteral("Sériový port %1 používá jiný program").arg(path);
    case ENXIO:
    case ENODEV:
    case EIO:
        return QStringLiteral("Za sériovým portem %1 neodpovídá žádný hardware").arg(path);
    case EISDIR:
        return QStringLiteral("%1 je složka, ne sériový port").arg(path);
    default:
        return QStringLiteral("Sériový port %1 nelze otevřít: %2").arg(path, ErrorText(error));
    }
}

quint8 ModemStatusLines(int lines)
{
    quint8 status = 0;
    if (lines & TIOCM_CTS)
        status |= uart::Cts;
    if (lines & TIOCM_DSR)
        status |= uart::Dsr;
    if (lines & TIOCM_RI)
        status |= uart::Ri;
    if (lines & TIOCM_CD)
        status |= uart::Dcd;
    return status;
}

class KernelTtySystem : public TtySystem {
public:
    int open(const QByteArray &path) override
    {
        const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        return fd >= 0 ? fd : -errno;
    }
    int close(int fd) override { return ::close(fd) == 0 ? 0 : -errno; }
    int getAttributes(int fd, termios &attributes) override
    {
        return ::tcgetattr(fd, &attributes) == 0 ? 0 : -errno;
    }
    int setAttributes(int fd, const termios &attributes) override
    {
        return ::tcsetattr(fd, TCSANOW, &attributes) == 0 ? 0 : -errno;
    }
    int ioctl(int fd, unsigned long request, int *argument) override
    {
        const int result = ::ioctl(fd, request, argument);
        return result >= 0 ? result : -errno;
    }
    int ioctl(int fd, unsigned long request) override
    {
        const int result = ::ioctl(fd, request);
        return result >= 0 ? result : -errno;
    }
    quint64 nowMicros() override
    {
        using namespace std::chrono;
        return quint64(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
    }
    // Sleeps most of a wait and spins the rest: a sleep may overrun by a
    // scheduler tick, a lag is a millisecond or two.
    void waitMicros(quint64 micros) override
    {
        const quint64 end = nowMicros() + micros;
        if (micros > 300)
            std::this_thread::sleep_for(std::chrono::microseconds(micros - 200));
        while (nowMicros() < end) {
        }
    }
    // /dev/serial/by-id/... and other links lead to the device's own name,
    // under which sysfs links it to its driver.
    QByteArray driverName(const QByteArray &path) override
    {
        const QString device = QFileInfo(QString::fromLocal8Bit(path)).canonicalFilePath();
        if (device.isEmpty())
            return {};
        const QString name = QFileInfo(device).fileName();
        const QString driver =
            QFileInfo(QStringLiteral("/sys/class/tty/%1/device/driver").arg(name)).symLinkTarget();
        return driver.isEmpty() ? QByteArray() : QFileInfo(driver).fileName().toLocal8Bit();
    }
};

} // namespace

std::unique_ptr<TtySystem> RealTtySystem()
{
    return std::make_unique<KernelTtySystem>();
}

QString TtyBackend::devicePath(quint8 selectedPort, const QString &ttyDevice)
{
    if (!ttyDevice.isEmpty())
        return ttyDevice;
    return QStringLiteral("/dev/ttyS%1").arg(selectedPort & 3);
}

std::unique_ptr<PortIo> TtyBackend::open(quint8 selectedPort, const QString &ttyDevice, QString *error)
{
    return open(selectedPort, ttyDevice, error, RealTtySystem());
}

std::unique_ptr<PortIo> TtyBackend::open(quint8 selectedPort, const QString &ttyDevice, QString *error,
                                         std::unique_ptr<TtySystem> system)
{
    const QString path = devicePath(selectedPort, ttyDevice);
    int lines = 0;
    const int fd = openDevice(*system, path, &lines, error);
    if (fd < 0)
        return nullptr;
    std::unique_ptr<TtyBackend> backend(
        new TtyBackend(std::move(system), fd, path, Link::ComPortBase(selectedPort)));
    backend->modemControl_ = quint8(((lines & TIOCM_DTR) ? uart::Dtr : 0) | ((lines & TIOCM_RTS) ? uart::Rts : 0));
    backend->takeOpenedLines(lines);
    backend->system_->ioctl(fd, TIOCCBRK); // supply off until the link is powered
    return backend;
}

// Opens the device with the settings the bus needs and reads its modem
// lines. Returns the descriptor, or -1 with the reason in *error.
int TtyBackend::openDevice(TtySystem &system, const QString &path, int *lines, QString *error)
{
    const auto refuse = [&](const QString &text) {
        if (error)
            *error = text;
        return -1;
    };

    const int fd = system.open(path.toLocal8Bit());
    if (fd < 0)
        return refuse(OpenFailureText(path, fd));
    system.ioctl(fd, TIOCEXCL); // keep other programs off the lines; not every driver has it
    const auto refuseOpen = [&](const QString &text) {
        release(system, fd);
        return refuse(text);
    };

    termios attributes{};
    if (const int result = system.getAttributes(fd, attributes); result != 0)
        return refuseOpen(QStringLiteral("%1 není sériový port (%2)").arg(path, ErrorText(result)));
    // Raw, no flow control of either kind: the lines belong to the bus. No
    // hang-up on close and no wait for a carrier.
    cfmakeraw(&attributes);
    attributes.c_cflag &= ~(CRTSCTS | HUPCL);
    attributes.c_cflag |= CLOCAL | CREAD;
    attributes.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (const int result = system.setAttributes(fd, attributes); result != 0)
        return refuseOpen(
            QStringLiteral("Sériový port %1 odmítá nastavení linky (%2)").arg(path, ErrorText(result)));

    if (const int result = system.ioctl(fd, TIOCMGET, lines); result < 0)
        return refuseOpen(QStringLiteral("Sériový port %1 nemá řídicí signály modemu (%2)").arg(path, ErrorText(result)));
    return fd;
}

// Ends exclusive use before the descriptor goes: the kernel keeps the flag
// as long as any process holds the device open, and every later open of it
// would be refused.
void TtyBackend::release(TtySystem &system, int fd)
{
    system.ioctl(fd, TIOCNXCL);
    system.close(fd);
}

void TtyBackend::closeDevice()
{
    if (fd_ < 0)
        return;
    release(*system_, fd_);
    fd_ = -1;
}

// What a freshly opened device tells about itself: the modem-control bits
// the bus leaves alone, the input lines, which call reads its line status,
// and its driver, whose delay of the inputs is the least a status read
// waits. Costs and the loop-back are measured again for it.
void TtyBackend::takeOpenedLines(int lines)
{
    driver_ = system_->driverName(path_.toLocal8Bit());
    lagFloorMicros_ = LagFloorOf(driver_);
    statusLagMicros_ = lagFloorMicros_;
    lagMeasured_ = false;
    lagTried_ = false;
    costsMeasured_ = false;
    lastChangeMicros_ = system_->nowMicros();
    keptModemBits_ = lines & KeptModemBits;
    lastModemLines_ = ModemStatusLines(lines);
    combinedModemSet_ = true;
    int status = 0;
    lineStatusCall_ = system_->ioctl(fd_, TIOCSERGETLSR, &status) < 0 ? LineStatusCall::OutputQueue
                                                                       : LineStatusCall::SerialLsr;
}

TtyBackend::TtyBackend(std::unique_ptr<TtySystem> system, int fd, QString path, quint16 base)
    : system_(std::move(system)), fd_(fd), path_(std::move(path)), base_(base)
{
}

TtyBackend::~TtyBackend()
{
    closeDevice();
}

void TtyBackend::fail(const char *what, int error)
{
    failed_ = true;
    lastError_ = QStringLiteral("Sériový port %1: %2 se nezdařilo (%3)").arg(path_, QString::fromUtf8(what), ErrorText(error));
    if (DeviceGone(error))
        closeDevice(); // later calls fail at once and can never reach another file
}

// A device that went away is opened again by its name; the lines it finds
// are set as the link last wrote them (supply, clock and data).
bool TtyBackend::recover()
{
    if (!failed_)
        return false;
    const bool reopen = fd_ < 0;
    if (reopen) {
        int lines = 0;
        QString error;
        const int fd = openDevice(*system_, path_, &lines, &error);
        if (fd < 0) {
            lastError_ = error;
            return false; // still failed: the next operation meets a port that cannot be used
        }
        fd_ = fd;
        takeOpenedLines(lines);
    }
    failed_ = false;
    writeLineControl(lineControl_, true);
    writeModemControl(modemControl_, true);
    return reopen;
}

int TtyBackend::call(unsigned long request, int *argument)
{
    return fd_ < 0 ? -EBADF : system_->ioctl(fd_, request, argument);
}

int TtyBackend::call(unsigned long request)
{
    return fd_ < 0 ? -EBADF : system_->ioctl(fd_, request);
}

quint8 TtyBackend::PortIn(quint16 address)
{
    if (address == uart::CalibrationPort)
        return measureLineOperation();
    if (address < base_ || address >= base_ + uart::BlockSize)
        return 0xFF; // no UART of ours there
    switch (address - base_) {
    case uart::LineControl: return lineControl_;
    case uart::ModemControl: return modemControl_;
    case uart::LineStatus: return readLineStatus();
    case uart::ModemStatus: return readModemStatus();
    case uart::Scratch: return scratch_;
    default: return 0x00;
    }
}

// The lines were read by the last status read that was used, and a value
// nobody uses need not be fresh: no call.
void TtyBackend::PortInUnused(quint16 address)
{
    if (address != base_ + uart::ModemStatus)
        PortIn(address);
}

void TtyBackend::PortOut(quint16 address, quint8 value)
{
    if (address < base_ || address >= base_ + uart::BlockSize)
        return;
    switch (address - base_) {
    case uart::LineControl: writeLineControl(value); break;
    case uart::ModemControl: writeModemControl(value); break;
    case uart::Scratch: scratch_ = value; break;
    default: break; // no serial data is ever sent
    }
}

// A write that leaves DTR and RTS as they are changes nothing on the wire and
// costs nothing; `always` makes the call anyway (lines set again after the
// device was reopened, or to measure what a call costs).
void TtyBackend::writeModemControl(quint8 value, bool always)
{
    const bool changes = ((value ^ modemControl_) & (uart::Dtr | uart::Rts)) != 0;
    modemControl_ = value;
    if (!changes && !always)
        return;
    const int dtr = (value & uart::Dtr) ? TIOCM_DTR : 0;
    const int rts = (value & uart::Rts) ? TIOCM_RTS : 0;
    if (combinedModemSet_) {
        int lines = keptModemBits_ | dtr | rts;
        const int result = call(TIOCMSET, &lines);
        if (result >= 0) {
            lineChanged();
            return;
        }
        if (DeviceGone(result)) {
            fail("nastavení DTR/RTS", result);
            return;
        }
        combinedModemSet_ = false; // this driver takes the lines only one by one
    }
    int set = dtr | rts;
    int clear = (TIOCM_DTR | TIOCM_RTS) & ~set;
    int result = 0;
    if (set != 0)
        result = call(TIOCMBIS, &set);
    if (result >= 0 && clear != 0)
        result = call(TIOCMBIC, &clear);
    if (result < 0)
        fail("nastavení DTR/RTS", result);
    else
        lineChanged();
}

void TtyBackend::lineChanged()
{
    lastChangeMicros_ = system_->nowMicros();
}

// The inputs read now are those of the last change only once the driver's
// delay has passed since it.
void TtyBackend::awaitInputs()
{
    if (statusLagMicros_ == 0)
        return;
    const quint64 ready = lastChangeMicros_ + statusLagMicros_;
    const quint64 now = system_->nowMicros();
    if (now < ready)
        system_->waitMicros(ready - now);
}

void TtyBackend::writeLineControl(quint8 value, bool always)
{
    const bool changes = ((value ^ lineControl_) & uart::SetBreak) != 0;
    lineControl_ = value;
    if (!changes && !always)
        return;
    const bool on = (value & uart::SetBreak) != 0;
    const int result = call(on ? TIOCSBRK : TIOCCBRK);
    // An adapter that cannot send a break says so with ENOTTY or EINVAL,
    // for setting and clearing alike: the port works, but the interface gets
    // no supply from it.
    if (result == -ENOTTY || result == -EINVAL) {
        if (on)
            supplyRefused_ = true;
        return;
    }
    if (result < 0) {
        fail("přepnutí napájení (break)", result);
        return;
    }
    if (on) {
        supplyRefused_ = false;
        lagTried_ = false; // the interface may answer the loop-back now
    }
    lineChanged();
}

// The calibration's mock line operation is three reads of 0x2FD, where a
// line operation over this device is one modem-control call: the first read
// of every three makes that call with the lines as they are (nothing changes
// on the wire), so that the calibration measures what a USB adapter's
// control transfer costs. The line status itself is read from nowhere: the
// transmitter is always empty, nothing is ever sent.
quint8 TtyBackend::measureLineOperation()
{
    if (calibrationReads_++ % 3 == 0)
        writeModemControl(modemControl_, true);
    return uart::TransmitterEmpty;
}

quint8 TtyBackend::readModemStatus()
{
    awaitInputs();
    int lines = 0;
    if (const int result = call(TIOCMGET, &lines); result < 0) {
        fail("čtení stavu modemu", result);
        return 0xFF; // reads like a bus nobody pulls low: every byte refused
    }
    const quint8 now = ModemStatusLines(lines);
    const quint8 status = now | uart::ModemStatusDeltas(lastModemLines_, now);
    lastModemLines_ = now;
    return status;
}

quint8 TtyBackend::readLineStatus()
{
    int value = 0;
    if (lineStatusCall_ == LineStatusCall::SerialLsr) {
        const int result = call(TIOCSERGETLSR, &value);
        if (result < 0) {
            fail("čtení stavu linky", result);
            return uart::TransmitterEmpty;
        }
        return (value & TIOCSER_TEMT) ? uart::TransmitterEmpty : 0x00;
    }
    const int result = call(TIOCOUTQ, &value);
    if (result < 0) {
        fail("čtení výstupní fronty", result);
        return uart::TransmitterEmpty;
    }
    return value == 0 ? uart::TransmitterEmpty : 0x00;
}

// The port's share of a read slot: a bit slot changes its lines two or
// three times (a line operation that leaves its line as it is costs
// nothing), and a read slot adds a status read and the wait for the inputs. The calls are timed once per device opened; the
// loop-back once the link is powered with the bus idle.
quint64 TtyBackend::bitSlotPortMicros()
{
    if (fd_ < 0 || failed_)
        return 0;
    if (!costsMeasured_ && !measureCallCosts())
        return 0;
    if (!lagMeasured_ && !lagTried_)
        measureStatusLag();
    return std::max<quint64>(3 * setMicros_ + getMicros_ + statusLagMicros_, 1);
}

// Line changes that leave the lines as they are, and status reads whose
// value is not used: what each costs, on average.
bool TtyBackend::measureCallCosts()
{
    const auto average = [this](const std::function<int()> &makeCall, quint64 *micros) {
        const quint64 start = system_->nowMicros();
        quint64 elapsed = 0;
        int calls = 0;
        while (calls < CostCallsMin || (calls < CostCallsMax && elapsed < CostRunMicros)) {
            if (const int result = makeCall(); result < 0)
                return result;
            ++calls;
            elapsed = system_->nowMicros() - start;
        }
        *micros = (elapsed + calls - 1) / calls;
        return 0;
    };
    const int dtr = (modemControl_ & uart::Dtr) ? TIOCM_DTR : 0;
    const int rts = (modemControl_ & uart::Rts) ? TIOCM_RTS : 0;
    int result = average(
        [&] {
            if (combinedModemSet_) {
                int lines = keptModemBits_ | dtr | rts;
                return call(TIOCMSET, &lines);
            }
            int lines = TIOCM_DTR;
            return call(dtr ? TIOCMBIS : TIOCMBIC, &lines);
        },
        &setMicros_);
    if (result >= 0) {
        result = average(
            [this] {
                int lines = 0;
                return call(TIOCMGET, &lines);
            },
            &getMicros_);
    }
    if (result < 0) {
        fail("měření převodníku", result);
        return false;
    }
    costsMeasured_ = true;
    return true;
}

// The loop-back: with the interface powered and the bus idle (both lines
// high, SDA in high), SDA out goes low until SDA in follows, then high until
// it follows again. The slower of the two, with half again for the spread
// of the interrupt packets, is what every used status read waits, never less
// than the driver's own delay. SDA changing while the clock is high is a
// start and a stop condition: an idle bus stays idle.
void TtyBackend::measureStatusLag()
{
    const bool powered = (lineControl_ & uart::SetBreak) != 0 && !supplyRefused_;
    const bool idle = (modemControl_ & (uart::Dtr | uart::Rts)) == (uart::Dtr | uart::Rts);
    if (!powered || !idle)
        return;
    int lines = 0;
    if (call(TIOCMGET, &lines) < 0 || !(lines & TIOCM_DSR))
        return; // something holds the data line: try again at the next calibration
    lagTried_ = true;
    quint64 fall = 0, rise = 0;
    const bool followed = followTime(false, &fall) && followTime(true, &rise);
    if (!followed) {
        writeModemControl(quint8(modemControl_ | uart::Rts)); // the bus idle again
        return;
    }
    statusLagMicros_ = std::max(lagFloorMicros_, std::max(fall, rise) * 3 / 2);
    lagMeasured_ = true;
}

// Sets SDA out and reads the status until SDA in shows the same level; how
// long that took from the change. False when it did not follow in time.
bool TtyBackend::followTime(bool high, quint64 *micros)
{
    writeModemControl(high ? quint8(modemControl_ | uart::Rts) : quint8(modemControl_ & ~uart::Rts));
    if (failed_)
        return false;
    const quint64 changed = lastChangeMicros_;
    for (;;) {
        // The read answers the lines as they were when it was made: what it
        // took itself is not part of the delay.
        const quint64 elapsed = system_->nowMicros() - changed;
        int lines = 0;
        if (const int result = call(TIOCMGET, &lines); result < 0) {
            fail("čtení stavu modemu", result);
            return false;
        }
        if (((lines & TIOCM_DSR) != 0) == high) {
            *micros = elapsed;
            return true;
        }
        if (elapsed >= FollowLimitMicros)
            return false;
        if (getMicros_ < FollowPauseMicros)
            system_->waitMicros(FollowPauseMicros);
    }
}

} // namespace pellmora::link
