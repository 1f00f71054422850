#include "link/FtdiBackend.h"

#include "link/FtdiPins.h"
#include "port/UartRegisters.h"

#include <algorithm>

using namespace pellmora::port;

namespace pellmora::link {

namespace {

constexpr quint8 BitmodeSynchronousBitBang = 0x04;
// The chip sends what it read back when its buffer fills or this many
// milliseconds have passed: the least, so that an exchange ends soon after
// its last sample.
constexpr quint8 LatencyMilliseconds = 1;

// A bit slot: four line changes and five delay steps; 10 * speed slots a
// second make a slot last 100/speed ms.
constexpr int SlotLineChanges = 4;
constexpr int SlotSteps = 5;
constexpr qint64 SlotsPerSecondPerBaud = 10;

// An acknowledge poll is a start (four line changes, four steps) and a byte
// with its acknowledge (nine slots). A memory's write cycle lasts at most
// 5 ms: a polling transaction expects refusals for a little longer.
constexpr int PollLineChanges = 4 + 9 * SlotLineChanges;
constexpr int PollSteps = 4 + 9 * SlotSteps;
constexpr qint64 WriteCycleMicros = 6000;

// The FT232R's buffers in synchronous bit-bang mode: samples waiting to be
// clocked out, and samples read back waiting for the host. The chip clocks a
// sample only while the second has room for what it reads, so it stops
// with 128 samples unread; a write that does not fit the first waits.
// The larger buffers of an FT232H hold as much.
constexpr int ChipSampleBuffer = 256;
constexpr int ChipReadBackBuffer = 128;

// A wait for samples read back ends at a deadline: the samples outstanding
// at the sample rate (with the tolerance of the chip's divisor), the
// latency timer and a margin for a busy USB bus.
constexpr qint64 ReadBackMarginNanos = 250'000'000;

// A STOP may start a memory's write cycle, which lasts at most 5 ms; until
// it is over the interface keeps its supply.
constexpr qint64 WriteCycleNanos = 5'000'000;

// What a read of a failed port gives: every input line on, so that the bus
// reads released and every byte refused, as over a serial device that is gone.
constexpr quint8 FailedLines = 0xF0;

// The block offset of an address at any COM base, or -1 outside them: the
// cable serves whichever port the link addresses.
int RegisterAt(quint16 address)
{
    for (quint16 base : uart::ComBases) {
        if (address >= base && address < base + uart::BlockSize)
            return address - base;
    }
    return -1;
}

qint64 SlotSamples(int holdSamples)
{
    return SlotLineChanges + SlotSteps * qint64(holdSamples);
}

// The rate set through libftdi, rounded to what it can be told.
int LibraryBaudFor(int sampleRate)
{
    return (sampleRate + FtdiBackend::SamplesPerLibraryBaud / 2) / FtdiBackend::SamplesPerLibraryBaud;
}

} // namespace

// ------------------------------------------------------------------ opening

FtdiBackend::FtdiBackend(std::unique_ptr<FtdiSystem> system, QString serial)
    : system_(std::move(system)), serial_(std::move(serial))
{
}

FtdiBackend::~FtdiBackend()
{
    closeChip();
}

std::unique_ptr<FtdiBackend> FtdiBackend::open(const QString &serial, QString *error)
{
    return open(serial, error, RealFtdiSystem());
}

QStringList FtdiBackend::connectedCables(FtdiSystem &system, QString *error)
{
    QStringList serials;
    if (const int result = system.serialNumbers(&serials); result < 0) {
        if (error)
            *error = QStringLiteral("Sběrnice USB nelze prohledat, kabel FTDI nenalezen: %1").arg(system.errorString());
        return {};
    }
    return serials;
}

std::unique_ptr<FtdiBackend> FtdiBackend::open(const QString &serial, QString *error,
                                               std::unique_ptr<FtdiSystem> system)
{
    const auto refuse = [&](const QString &text) {
        if (error)
            *error = text;
        return nullptr;
    };
    QString searchError;
    const QStringList cables = connectedCables(*system, &searchError);
    if (!searchError.isEmpty())
        return refuse(searchError);
    QString chosen = serial;
    if (chosen.isEmpty()) {
        if (cables.isEmpty())
            return refuse(QStringLiteral("Není připojen žádný kabel FTDI"));
        if (cables.size() > 1)
            return refuse(QStringLiteral("Je připojeno více kabelů FTDI (%1): vyberte jeden v dialogu portu nebo volbou --ftdi-device")
                              .arg(cables.join(QStringLiteral(", "))));
        chosen = cables.first();
    } else if (!cables.contains(chosen)) {
        return refuse(QStringLiteral("Kabel FTDI %1 není připojen").arg(chosen));
    }
    if (openChip(*system, chosen, error) < 0)
        return nullptr;

    std::unique_ptr<FtdiBackend> backend(new FtdiBackend(std::move(system), chosen));
    backend->setClocking(1000);
    backend->queue(backend->pins()); // supply off, both lines off
    backend->writePending();
    if (backend->failed_)
        return refuse(backend->lastError_);
    return backend;
}

// Opens the chip and puts its pins into synchronous bit-bang mode: TXD, RTS#
// and DTR# driven, the others read.
int FtdiBackend::openChip(FtdiSystem &system, const QString &serial, QString *error)
{
    const auto refuse = [&](const char *what, int result) {
        if (error)
            *error = QStringLiteral("Kabel FTDI %1: %2 selhalo: %3 (k přístupu ke kabelu může být potřeba pravidlo udev)")
                         .arg(serial, QString::fromUtf8(what), system.errorString());
        system.close();
        return result;
    };
    if (const int result = system.open(serial); result < 0)
        return refuse("otevření", result);
    if (const int result = system.setBitmode(ftdi::OutputPins, BitmodeSynchronousBitBang); result < 0)
        return refuse("přepnutí do režimu bit-bang", result);
    if (const int result = system.setLatencyTimer(LatencyMilliseconds); result < 0)
        return refuse("nastavení časovače latence", result);
    if (const int result = system.purgeBuffers(); result < 0)
        return refuse("vyprázdnění vyrovnávacích pamětí", result);
    return 0;
}

// A cable that went away is opened again by its serial number, with the lines
// as the link last set them.
bool FtdiBackend::recover()
{
    if (!failed_)
        return false;
    const bool reopen = !open_;
    if (reopen) {
        QString error;
        if (openChip(*system_, serial_, &error) < 0) {
            lastError_ = error;
            return false; // still failed: the next operation meets a port that cannot be used
        }
        open_ = true;
    }
    failed_ = false;
    pending_.clear();
    unread_ = 0;
    samplesReadBack_ = samplesWritten_;
    chipPins_ = 0xFF; // what the chip drives after it was opened is not known: no STOP is made of it
    const quint16 speed = speed_;
    speed_ = 0;
    setClocking(speed == 0 ? 1000 : speed);
    queue(pins());
    writePending();
    return reopen && !failed_;
}

void FtdiBackend::fail(const char *what, int error)
{
    fail(QStringLiteral("%1 failed (%2): %3").arg(QLatin1String(what)).arg(error).arg(system_->errorString()));
}

void FtdiBackend::fail(const QString &what)
{
    failed_ = true;
    lastError_ = QStringLiteral("FTDI cable %1: %2").arg(serial_, what);
    pending_.clear();
    closeChip(); // opened again by name when it is back
    unread_ = 0;
    samplesReadBack_ = samplesWritten_;
}

// Back to serial mode: TXD idles and the interface loses its supply, so a
// write cycle that the last STOP may have started runs to its end first.
// A STOP not yet read back may have gone out just now.
void FtdiBackend::closeChip()
{
    if (!open_)
        return;
    const qint64 now = system_->monotonicNanos();
    const std::optional<qint64> stopOut = unconfirmedStop_ >= 0 ? std::optional(now) : stopOutBy_;
    if (stopOut && *stopOut + WriteCycleNanos > now)
        system_->sleepNanos(*stopOut + WriteCycleNanos - now);
    unconfirmedStop_ = -1;
    stopOutBy_.reset();
    system_->close();
    open_ = false;
}

// ------------------------------------------------------------------ clock

FtdiBackend::Clocking FtdiBackend::ClockingFor(quint16 speed)
{
    const qint64 slotsPerSecond = SlotsPerSecondPerBaud * std::max<quint16>(speed, 1);
    Clocking clocking;
    while (SlotSamples(clocking.holdSamples) * slotsPerSecond < MinimumSampleRate)
        ++clocking.holdSamples;
    clocking.sampleRate = int(std::min<qint64>(SlotSamples(clocking.holdSamples) * slotsPerSecond, MaximumSampleRate));
    return clocking;
}

quint16 FtdiBackend::ReachableSpeed(quint16 speed) const
{
    const Clocking clocking = ClockingFor(speed);
    const qint64 rate = qint64(LibraryBaudFor(clocking.sampleRate)) * SamplesPerLibraryBaud;
    const qint64 slotRate = SlotSamples(clocking.holdSamples) * SlotsPerSecondPerBaud;
    return quint16(std::clamp<qint64>((rate + slotRate / 2) / slotRate, 1, speed));
}

// Samples queued at the old rate go out, and are clocked, before the rate
// changes.
void FtdiBackend::setClocking(quint16 speed)
{
    if (speed == speed_ || !open_)
        return;
    writePending();
    if (unread_ > 0 && !fetch(unread_, nullptr))
        return;
    clocking_ = ClockingFor(speed);
    if (const int result = system_->setBaudrate(LibraryBaudFor(clocking_.sampleRate)); result < 0) {
        fail("setting the bit-bang clock", result);
        return;
    }
    speed_ = speed;
}

// Over these lines a loop count is the speed; 0 means no delay at all, as a
// loop of no iterations.
void FtdiBackend::Hold(quint32 loopCount)
{
    if (loopCount == 0)
        return;
    setClocking(quint16(std::min<quint32>(loopCount, 0xFFFF)));
    for (int i = 0; i < clocking_.holdSamples; ++i)
        sample(lastPins_);
}

// ---------------------------------------------------------------- registers

quint8 FtdiBackend::pins() const
{
    return ftdi::PinsFor(modemControl_, lineControl_);
}

quint8 FtdiBackend::PortIn(quint16 address)
{
    if (address == uart::CalibrationPort)
        return uart::TransmitterEmpty; // the calibration of these lines is arithmetic: nothing to measure
    switch (RegisterAt(address)) {
    case -1: return 0xFF; // no UART there
    case uart::LineControl: return lineControl_;
    case uart::ModemControl: return modemControl_;
    case uart::LineStatus: return uart::TransmitterEmpty;
    case uart::ModemStatus: return readModemStatus();
    case uart::Scratch: return scratch_;
    default: return 0x00;
    }
}

void FtdiBackend::PortOut(quint16 address, quint8 value)
{
    switch (RegisterAt(address)) {
    case uart::LineControl: lineControl_ = value; break;
    case uart::ModemControl: modemControl_ = value; break;
    case uart::Scratch: scratch_ = value; return;
    default: return; // no serial data is ever sent
    }
    sample(pins());
}

// The pins are read with every sample anyway: a value nobody uses costs nothing.
void FtdiBackend::PortInUnused(quint16 address)
{
    if (RegisterAt(address) != uart::ModemStatus)
        PortIn(address);
}

quint8 FtdiBackend::statusOf(quint8 lines)
{
    const quint8 status = lines | uart::ModemStatusDeltas(lastLines_, lines);
    lastLines_ = lines;
    return status;
}

quint8 FtdiBackend::readModemStatus()
{
    if (depth_ > 0)
        return statusOf(answerRead());
    if (failed_)
        return 0xFF;
    // The pins as they are now come back with one more sample of them.
    queue(lastPins_);
    QByteArray back;
    if (!transfer(std::exchange(pending_, {}), &back))
        return 0xFF;
    return statusOf(ftdi::ModemLinesOf(quint8(back.back())));
}

// --------------------------------------------------------------- samples

// Outside a transaction a sample that changes a pin goes out at once, so that
// a wait the program makes afterwards finds the lines already changed; one
// that changes nothing waits in the queue, a hold like any other.
void FtdiBackend::sample(quint8 pinsNow)
{
    if (depth_ > 0) {
        const Step step{false, pinsNow, 0};
        quint8 ignored = 0;
        if (diverged_ || !replayStep(step, &ignored))
            fresh_.steps.push_back(step);
        lastPins_ = pinsNow;
        return;
    }
    const bool changes = pinsNow != lastPins_;
    queue(pinsNow);
    if (changes)
        writePending();
}

void FtdiBackend::queue(quint8 pinsNow)
{
    pending_.append(char(pinsNow));
    lastPins_ = pinsNow;
    wirePins_ = pinsNow;
}

void FtdiBackend::writePending()
{
    if (pending_.isEmpty() || failed_)
        return;
    transfer(std::exchange(pending_, {}), nullptr);
}

// Writes the samples and, with `readBack`, reads back every sample not read
// back yet, those written before first. The samples outstanding never
// overflow the chip's buffer for them: an exchange keeps the chip clocking
// while the host reads; without `readBack` every sample written can be
// clocked without the host, so that a line change goes out at once.
bool FtdiBackend::transfer(const QByteArray &samples, QByteArray *readBack)
{
    if (failed_)
        return false;
    const int limit = readBack ? ChipSampleBuffer : ChipReadBackBuffer;
    QByteArray back;
    for (qsizetype sent = 0; sent < samples.size();) {
        // A full pipe: an exchange takes what the chip holds read back, a
        // write alone empties it.
        if (unread_ >= limit
            && !fetch(readBack ? std::min(unread_, ChipReadBackBuffer) : unread_, readBack ? &back : nullptr))
            return false;
        const QByteArray part = samples.mid(sent, std::min<qsizetype>(limit - unread_, samples.size() - sent));
        if (const int result = system_->writeData(part); result != part.size()) {
            fail("writing samples", result < 0 ? result : -1);
            return false;
        }
        noteStops(part);
        unread_ += int(part.size());
        sent += part.size();
    }
    if (!readBack)
        return true;
    if (!fetch(unread_, &back))
        return false;
    *readBack = std::move(back);
    return true;
}

// Reads back `count` samples, appended to `readBack` unless it is null.
bool FtdiBackend::fetch(int count, QByteArray *readBack)
{
    const qint64 outstandingNanos = qint64(unread_) * 1'000'000'000 / std::max(clocking_.sampleRate, 1);
    const qint64 deadline = system_->monotonicNanos() + outstandingNanos * 5 / 4
                            + LatencyMilliseconds * 1'000'000LL + ReadBackMarginNanos;
    QByteArray back;
    while (back.size() < count) {
        if (const int result = system_->readData(&back, count - int(back.size())); result < 0) {
            fail("reading samples back", result);
            return false;
        }
        if (back.size() < count && system_->monotonicNanos() > deadline) {
            fail(QStringLiteral("%1 of %2 samples read back in time, the chip has stopped clocking")
                     .arg(back.size())
                     .arg(count));
            return false;
        }
    }
    unread_ -= count;
    samplesReadBack_ += count;
    if (unconfirmedStop_ >= 0 && unconfirmedStop_ < samplesReadBack_) {
        stopOutBy_ = system_->monotonicNanos();
        unconfirmedStop_ = -1;
    }
    if (readBack)
        readBack->append(back);
    return true;
}

// Notes the last STOP condition among samples written: the data line rising
// while the clock is high, the interface powered.
void FtdiBackend::noteStops(const QByteArray &samples)
{
    using namespace ftdi;
    for (const char sample : samples) {
        const quint8 pinsNow = quint8(sample);
        const bool clockHigh = !(chipPins_ & DtrN) && !(pinsNow & DtrN);
        if (clockHigh && (chipPins_ & RtsN) && !(pinsNow & RtsN) && !(pinsNow & Txd))
            unconfirmedStop_ = samplesWritten_;
        chipPins_ = pinsNow;
        ++samplesWritten_;
    }
}

// ------------------------------------------------------------ transactions

// A transaction runs its sequences until every read they make has been
// answered by the bus. The first run rehearses: each read gets the expected
// answer, and the samples up to the last read go out in one exchange. The
// next run follows the samples sent and reads the real answers; where those
// lead it elsewhere than the rehearsal went, it rehearses again from there
// (another exchange) until a run reads nothing new. What comes after the last
// read waits for the next exchange.
void FtdiBackend::Transaction(const std::function<void()> &sequences, Expect expect)
{
    if (depth_ > 0) {
        sequences(); // part of the transaction that runs
        return;
    }
    depth_ = 1;
    expect_ = expect;
    sent_.clear();
    const quint8 modemControl = modemControl_, lineControl = lineControl_, lines = lastLines_, pinsBefore = lastPins_;
    for (;;) {
        modemControl_ = modemControl;
        lineControl_ = lineControl;
        lastLines_ = lines;
        lastPins_ = pinsBefore;
        exchangeAt_ = 0;
        stepAt_ = 0;
        fresh_ = {};
        freshReads_ = 0;
        diverged_ = false;
        if (sent_.empty())
            diverge();
        sequences();
        // Done when every read was answered by the bus, or by a failed port.
        if (freshReads_ == 0 || failed_)
            break;
        sendExchange(); // on failure the next run reads what a failed port gives
    }
    // What comes after the last read goes out with the next samples, from
    // where the lines stand.
    const quint8 pinsAfter = lastPins_;
    if (!diverged_)
        diverge();
    if (!failed_) {
        for (char bridge : fresh_.bridge)
            queue(quint8(bridge));
        for (const Step &step : fresh_.steps)
            queue(step.pins);
    }
    lastPins_ = pinsAfter;
    wirePins_ = pinsAfter;
    sent_.clear();
    fresh_ = {};
    depth_ = 0;
}

// Follows the steps sent so far while the run makes the same ones; where it
// leaves them, an exchange that branched off there continues. False once the
// run has gone beyond everything sent: its steps are fresh from then on.
bool FtdiBackend::replayStep(const Step &step, quint8 *lines)
{
    while (exchangeAt_ < sent_.size()) {
        const Exchange &now = sent_[exchangeAt_];
        if (stepAt_ < now.steps.size()) {
            const Step &sentStep = now.steps[stepAt_];
            if (sentStep.read == step.read && (step.read || sentStep.pins == step.pins)) {
                *lines = sentStep.lines;
                ++stepAt_;
                return true;
            }
        }
        const auto branch = std::find_if(sent_.begin(), sent_.end(), [&](const Exchange &e) {
            return e.parent == int(exchangeAt_) && e.branchAt == stepAt_;
        });
        if (branch == sent_.end())
            break;
        exchangeAt_ = size_t(branch - sent_.begin());
        stepAt_ = 0;
    }
    diverge();
    return false;
}

// The run leaves the steps sent: it goes on from where it stands, while the
// lines stand where the last exchange left them. The fresh steps begin with
// samples that take the lines there one at a time, the clock falling first
// and rising last, so that the data line never changes while the clock is
// high (no start or stop condition the run did not make).
void FtdiBackend::diverge()
{
    diverged_ = true;
    fresh_.parent = exchangeAt_ < sent_.size() ? int(exchangeAt_) : -1;
    fresh_.branchAt = stepAt_;
    quint8 at = wirePins_;
    const auto moveTo = [&](quint8 next) {
        if (next != at) {
            fresh_.bridge.append(char(next));
            at = next;
        }
    };
    const quint8 clockLow = ftdi::DtrN; // a high DTR# pin: DTR off, the clock low
    if (!(at & clockLow) && (lastPins_ & clockLow))
        moveTo(at | clockLow);
    moveTo(quint8((at & clockLow) | (lastPins_ & ~clockLow)));
    moveTo(lastPins_);
}

// A read inside a transaction: the bus's answer when it was sent, else what
// the transaction expects (or what a failed port reads) until it is.
quint8 FtdiBackend::answerRead()
{
    const Step step{true, lastPins_, 0};
    quint8 lines = 0;
    if (!diverged_ && replayStep(step, &lines))
        return lines;
    fresh_.steps.push_back(step);
    ++freshReads_;
    return failed_ ? FailedLines : predictedLines();
}

// The interface is there and the data line low (a byte taken, a data bit 0),
// except while a polled memory is expected to be busy: then the data line
// stays high (refused) for as many polls as its write cycle takes.
quint8 FtdiBackend::predictedLines()
{
    const quint8 taken = uart::Cts;
    if (expect_ == Expect::Acknowledged)
        return taken;
    const qint64 pollSamples = PollLineChanges + PollSteps * qint64(clocking_.holdSamples);
    const qint64 busyPolls = WriteCycleMicros * clocking_.sampleRate / (1'000'000 * pollSamples) + 1;
    return freshReads_ <= busyPolls ? quint8(taken | uart::Dsr) : taken;
}

// Sends the queued samples and the fresh steps of this run up to its last
// read in one exchange, and takes each read's answer from the sample read
// back after it: the chip reads the pins just before it sets the next
// sample, so the sample that follows a read holds the lines as they were at
// the read. After the last read comes one more sample of the same pins; the
// steps after it are not sent, since the answers may lead the run elsewhere.
bool FtdiBackend::sendExchange()
{
    const auto lastRead = std::find_if(fresh_.steps.rbegin(), fresh_.steps.rend(), [](const Step &s) { return s.read; });
    fresh_.steps.erase(lastRead.base(), fresh_.steps.end());

    QByteArray samples = pending_ + fresh_.bridge;
    std::vector<int> readAt;
    for (const Step &step : fresh_.steps) {
        if (step.read)
            readAt.push_back(unread_ + int(samples.size()));
        else
            samples.append(char(step.pins));
    }
    samples.append(char(fresh_.steps.back().pins));
    QByteArray back;
    pending_.clear();
    if (!transfer(samples, &back))
        return false;
    wirePins_ = fresh_.steps.back().pins;
    size_t r = 0;
    for (Step &step : fresh_.steps) {
        if (step.read)
            step.lines = ftdi::ModemLinesOf(quint8(back[readAt[r++]]));
    }
    sent_.push_back(std::move(fresh_));
    fresh_ = {};
    return true;
}

} // namespace pellmora::link
