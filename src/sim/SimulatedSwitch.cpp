#include "sim/SimulatedSwitch.h"

#include "sim/Eeprom24LC04.h"
#include "sim/I2cTarget.h"
#include "sim/SwitchMicrocontroller.h"

#include "model/FileReplacement.h"
#include "port/UartRegisters.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <array>
#include <chrono>

using namespace pellmora::port;

namespace pellmora::sim {

namespace {

struct FaultName {
    Fault fault;
    const char *name;
};

constexpr std::array<FaultName, 10> FaultNames{{
    {Fault::NoInterface, "no-interface"},
    {Fault::NoisyPort, "noisy-port"},
    {Fault::SdaStuckLow, "sda-stuck-low"},
    {Fault::SilentPic, "silent-pic"},
    {Fault::WrongEcho, "wrong-echo"},
    {Fault::NoEeprom, "no-eeprom"},
    {Fault::EndlessWrite, "endless-write"},
    {Fault::FlipBit, "flip-bit"},
    {Fault::BadClockReply, "bad-clock-reply"},
    {Fault::PulledCable, "pulled-cable"},
}};

constexpr quint8 NoInterruptPending = 0x01;
constexpr quint8 AbsentRegister = 0xFF;  // nothing decodes the address

// A port with no powered interface behind it: the data input idles at the
// released level and presence is clear, so every byte sent is refused.
constexpr quint8 NothingConnected = uart::Dsr;

// How long the bus must lie idle before the microcontroller announces that
// it listens, counted in modem-status reads of the master (which polls the
// port while it waits). Counting reads instead of wall time keeps the model
// the same at every loop count and machine speed. The communication test
// reads the port about a thousand times before it powers the interface and
// two thousand times after: the announcement falls in the second run of
// reads, whether the interface was just switched on or had stayed on.
constexpr int AnnounceAfterIdleReads = 1500;

// The interface's supply settles this long after the break bits switch it on.
constexpr qint64 SupplySettleNanos = 10'000'000;

// Nine clock pulses make a byte with its acknowledge.
constexpr int BitsPerByte = 9;

struct Uart {
    quint8 divisorLow = 0x0C;
    quint8 divisorHigh = 0x00;
    quint8 interruptEnable = 0;
    quint8 lineControl = 0;
    quint8 modemControl = 0;
    quint8 scratch = 0;
    quint8 statusInputs = NothingConnected; // CTS, DSR, RI, DCD
    quint8 statusDeltas = 0;                // bits 0..3, cleared by reading
};

qint64 steadyNanoseconds()
{
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

qint64 hostLocalMilliseconds()
{
    const QDateTime now = QDateTime::currentDateTime();
    return now.toMSecsSinceEpoch() + qint64(now.offsetFromUtc()) * 1000;
}

bool has(const SimOptions &options, Fault fault)
{
    return options.faults.contains(fault);
}

// The faults that act on the interface lines, looked up on every port access.
struct LineFaults {
    explicit LineFaults(const SimOptions &options)
        : noInterface(has(options, Fault::NoInterface)), noisyPort(has(options, Fault::NoisyPort)),
          sdaStuckLow(has(options, Fault::SdaStuckLow)), noEeprom(has(options, Fault::NoEeprom)),
          pulledCable(has(options, Fault::PulledCable))
    {
    }
    bool noInterface;
    bool noisyPort;
    bool sdaStuckLow;
    bool noEeprom;
    bool pulledCable;
};

} // namespace

std::optional<Fault> faultFromName(QStringView name)
{
    for (const FaultName &entry : FaultNames) {
        if (name == QLatin1String(entry.name))
            return entry.fault;
    }
    return std::nullopt;
}

QString faultName(Fault fault)
{
    for (const FaultName &entry : FaultNames) {
        if (entry.fault == fault)
            return QString::fromLatin1(entry.name);
    }
    return {};
}

QStringList faultNames()
{
    QStringList names;
    for (const FaultName &entry : FaultNames)
        names << QString::fromLatin1(entry.name);
    return names;
}

QString defaultMemoryPath()
{
    QString stateHome = qEnvironmentVariable("XDG_STATE_HOME");
    if (stateHome.isEmpty() || QDir::isRelativePath(stateHome))
        stateHome = QDir::homePath() + QStringLiteral("/.local/state");
    return stateHome + QStringLiteral("/pellmora/simulated-eeprom.bin");
}

// --------------------------------------------------------------------- model

class SimulatedSwitchModel {
public:
    explicit SimulatedSwitchModel(SimOptions opts);

    quint8 read(quint16 address);
    void write(quint16 address, quint8 value);

    void loadMemory();
    bool saveMemory(QString *error);
    SimulatedSwitch::Lines lines() const;
    void setObserver(std::function<void(const SimulatedSwitch::Lines &)> observer);

    SimOptions options;
    LineFaults faults;
    DeviceClock clock;
    Eeprom24LC04 memory;
    SwitchMicrocontroller pic;
    QString loadProblem;

private:
    QByteArray persisted_; // what the state file holds (or would, when it is unusable)

    Uart *uartAt(quint16 address, quint16 *offset);
    bool isInterface(const Uart &uart) const { return &uart == &uarts_[options.port & 3]; }
    quint8 readModemStatus(Uart &uart);
    void changeModemControl(Uart &uart, quint8 value);
    void changeLineControl(Uart &uart, quint8 value);

    // The interface and its bus.
    qint64 now() const;
    void followSupply();
    bool interfaceLive() const;
    void countBusBit();
    bool supplyOn() const;
    bool levelScl() const;
    bool levelSda() const;
    bool memoryOnBus() const;
    void interfaceChanged();
    void powerChanged();
    void settleBus();
    void clockFell();
    void clockRose();
    void startCondition();
    void stopCondition();
    void countIdleRead();
    void updateStatusInputs();
    void notifyObserver();

    std::array<Uart, 4> uarts_;
    I2cTarget memoryTarget_{memory};
    I2cTarget picTarget_{pic};
    std::function<qint64()> monotonicNanos_;
    bool powered_ = false;
    qint64 suppliedSince_ = 0;  // when the supply was last switched on
    bool cablePulled_ = false;
    int frameBits_ = -1;        // clock pulses since the last start or byte; -1 outside a transfer
    int busBytes_ = 0;
    qint64 clockFellAt_ = 0;
    bool busScl_ = false;
    bool busSda_ = false;
    int idleReads_ = 0;
    std::function<void(const SimulatedSwitch::Lines &)> observer_;
    SimulatedSwitch::Lines reported_;
};

SimulatedSwitchModel::SimulatedSwitchModel(SimOptions opts)
    : options(std::move(opts)), faults(options),
      clock(options.hostClock ? options.hostClock : std::function<qint64()>(hostLocalMilliseconds),
            options.clockOffsetSeconds, options.clockDriftPerDay),
      memory({options.writeCycleSelects, has(options, Fault::EndlessWrite), has(options, Fault::FlipBit),
              [this] { return now(); }}),
      pic(clock, {has(options, Fault::SilentPic), has(options, Fault::WrongEcho),
                  has(options, Fault::BadClockReply)})
{
    options.port &= 3;
    monotonicNanos_ = options.monotonicNanos ? options.monotonicNanos : std::function<qint64()>(steadyNanoseconds);
    loadMemory();
    memory.onWriteCycleFinished([this] { saveMemory(nullptr); });
    updateStatusInputs();
    reported_ = lines();
}

Uart *SimulatedSwitchModel::uartAt(quint16 address, quint16 *offset)
{
    for (size_t i = 0; i < uart::ComBases.size(); ++i) {
        if (address >= uart::ComBases[i] && address < uart::ComBases[i] + uart::BlockSize) {
            *offset = quint16(address - uart::ComBases[i]);
            return &uarts_[i];
        }
    }
    return nullptr;
}

quint8 SimulatedSwitchModel::read(quint16 address)
{
    quint16 offset = 0;
    Uart *uart = uartAt(address, &offset);
    if (!uart)
        return AbsentRegister;
    if (isInterface(*uart))
        followSupply();
    const bool latch = uart->lineControl & uart::DivisorLatchAccess;
    switch (offset) {
    case uart::Data:
        return latch ? uart->divisorLow : 0x00;
    case uart::InterruptEnable:
        return latch ? uart->divisorHigh : uart->interruptEnable;
    case uart::Identify:
        return NoInterruptPending;
    case uart::LineControl:
        return uart->lineControl;
    case uart::ModemControl:
        return uart->modemControl;
    case uart::LineStatus:
        return uart::TransmitterEmpty;
    case uart::ModemStatus:
        return readModemStatus(*uart);
    case uart::Scratch:
        return uart->scratch;
    default:
        return AbsentRegister;
    }
}

void SimulatedSwitchModel::write(quint16 address, quint8 value)
{
    quint16 offset = 0;
    Uart *uart = uartAt(address, &offset);
    if (!uart)
        return;
    if (isInterface(*uart))
        followSupply();
    const bool latch = uart->lineControl & uart::DivisorLatchAccess;
    switch (offset) {
    case uart::Data:
        if (latch)
            uart->divisorLow = value; // transmitted data goes nowhere
        break;
    case uart::InterruptEnable:
        if (latch)
            uart->divisorHigh = value;
        else
            uart->interruptEnable = value & 0x0F;
        break;
    case uart::LineControl:
        changeLineControl(*uart, value);
        break;
    case uart::ModemControl:
        changeModemControl(*uart, value);
        break;
    case uart::Scratch:
        uart->scratch = value;
        break;
    default:
        break; // FIFO control, line and modem status: writes change nothing
    }
}

quint8 SimulatedSwitchModel::readModemStatus(Uart &uart)
{
    if (isInterface(uart)) {
        if (faults.noisyPort) {
            uart.statusInputs ^= uart::Dcd; // something else on the port keeps toggling
            uart.statusDeltas |= uart::DeltaDcd;
        }
        countIdleRead();
    }
    const quint8 value = uart.statusInputs | uart.statusDeltas;
    uart.statusDeltas = 0;
    return value;
}

void SimulatedSwitchModel::changeModemControl(Uart &uart, quint8 value)
{
    const quint8 before = uart.modemControl;
    uart.modemControl = value & uart::ModemControlBits;
    if (!isInterface(uart))
        return;
    if ((before ^ uart.modemControl) & (uart::Dtr | uart::Rts))
        idleReads_ = 0; // the master is using the bus
    interfaceChanged();
}

void SimulatedSwitchModel::changeLineControl(Uart &uart, quint8 value)
{
    const bool wasOn = supplyOn();
    uart.lineControl = value;
    if (!isInterface(uart))
        return;
    if (!wasOn && supplyOn())
        suppliedSince_ = now();
    interfaceChanged();
}

// ----------------------------------------------------------------- the bus

qint64 SimulatedSwitchModel::now() const
{
    return monotonicNanos_();
}

// The supply settles while nobody looks: the next access to the port finds
// the interface powered once its time has come.
void SimulatedSwitchModel::followSupply()
{
    if (!powered_ && interfaceLive())
        interfaceChanged();
}

bool SimulatedSwitchModel::interfaceLive() const
{
    return supplyOn() && !faults.noInterface && !cablePulled_ && now() - suppliedSince_ >= SupplySettleNanos;
}

bool SimulatedSwitchModel::supplyOn() const
{
    return uarts_[options.port].lineControl & uart::SetBreak;
}

bool SimulatedSwitchModel::levelScl() const
{
    return powered_ && (uarts_[options.port].modemControl & uart::Dtr);
}

// The data line is the wired-AND of the master's RTS and every device.
bool SimulatedSwitchModel::levelSda() const
{
    return powered_ && (uarts_[options.port].modemControl & uart::Rts) && !faults.sdaStuckLow
           && picTarget_.sdaReleased() && !pic.announcing() && memoryTarget_.sdaReleased();
}

bool SimulatedSwitchModel::memoryOnBus() const
{
    return !faults.noEeprom && !pic.inEchoSession();
}

void SimulatedSwitchModel::interfaceChanged()
{
    const bool nowPowered = interfaceLive();
    if (nowPowered != powered_) {
        powered_ = nowPowered;
        powerChanged();
    }
    settleBus();
    updateStatusInputs();
    notifyObserver();
}

// Switching the supply restarts the bus logic of every device; the lines come
// up (or go down) without any start or stop condition being seen.
void SimulatedSwitchModel::powerChanged()
{
    memoryTarget_.reset();
    picTarget_.reset();
    pic.powerReset();
    idleReads_ = 0;
    frameBits_ = -1;
    busScl_ = levelScl();
    busSda_ = levelSda();
}

// Applies line changes one edge at a time until the bus is steady: a device
// answering an edge (an acknowledge, a data bit, the end of the presence
// signal) can itself make the next edge.
void SimulatedSwitchModel::settleBus()
{
    for (int guard = 0; guard < 16; ++guard) {
        const bool scl = levelScl();
        const bool sda = levelSda();
        if (scl == busScl_ && sda == busSda_)
            return;
        if (scl != busScl_ && !scl) {
            busScl_ = false;
            clockFell();
        } else if (sda != busSda_) {
            busSda_ = sda;
            if (busScl_) {
                if (sda)
                    stopCondition();
                else
                    startCondition();
            }
        } else {
            busScl_ = true;
            clockRose();
        }
    }
}

void SimulatedSwitchModel::clockFell()
{
    clockFellAt_ = now();
    picTarget_.clockFell();
    if (memoryOnBus())
        memoryTarget_.clockFell();
    countBusBit();
}

// Counts the bytes on the bus (nine clock pulses after a start condition);
// a pulled-cable fault pulls the cable once the last of its bytes is over.
void SimulatedSwitchModel::countBusBit()
{
    if (frameBits_ < BitsPerByte)
        return;
    frameBits_ = 0;
    ++busBytes_;
    if (faults.pulledCable && !cablePulled_ && busBytes_ >= options.pullCableAfterBytes) {
        cablePulled_ = true;
        powered_ = false;
        powerChanged();
    }
}

void SimulatedSwitchModel::clockRose()
{
    if (frameBits_ >= 0)
        ++frameBits_;
    pic.clockRose(now() - clockFellAt_);
    picTarget_.clockRose(busSda_);
    if (memoryOnBus())
        memoryTarget_.clockRose(busSda_);
}

void SimulatedSwitchModel::startCondition()
{
    frameBits_ = 0;
    picTarget_.start();
    if (memoryOnBus())
        memoryTarget_.start();
    else
        memoryTarget_.reset();
}

void SimulatedSwitchModel::stopCondition()
{
    frameBits_ = -1;
    picTarget_.stop();
    if (memoryOnBus())
        memoryTarget_.stop();
}

void SimulatedSwitchModel::countIdleRead()
{
    if (!powered_ || !busScl_ || !busSda_ || !pic.quiet()) {
        idleReads_ = 0;
        return;
    }
    if (++idleReads_ < AnnounceAfterIdleReads)
        return;
    idleReads_ = 0;
    pic.announce();
    settleBus();
    updateStatusInputs();
    notifyObserver();
}

void SimulatedSwitchModel::updateStatusInputs()
{
    Uart &uart = uarts_[options.port];
    quint8 inputs = NothingConnected;
    if (cablePulled_)
        inputs = 0x00; // open inputs read inactive
    else if (powered_)
        inputs = quint8(uart::Cts | (busSda_ ? uart::Dsr : 0));
    inputs |= uart.statusInputs & uart::Dcd; // a noisy port's toggling line
    uart.statusDeltas |= uart::ModemStatusDeltas(uart.statusInputs, inputs);
    uart.statusInputs = inputs;
}

SimulatedSwitch::Lines SimulatedSwitchModel::lines() const
{
    const Uart &uart = uarts_[options.port];
    SimulatedSwitch::Lines l;
    l.scl = busScl_;
    l.sda = busSda_;
    l.sdaOut = uart.modemControl & uart::Rts;
    l.dsr = uart.statusInputs & uart::Dsr;
    l.cts = uart.statusInputs & uart::Cts;
    l.supply = supplyOn();
    return l;
}

void SimulatedSwitchModel::setObserver(std::function<void(const SimulatedSwitch::Lines &)> observer)
{
    observer_ = std::move(observer);
    reported_ = lines();
    if (observer_)
        observer_(reported_);
}

void SimulatedSwitchModel::notifyObserver()
{
    const SimulatedSwitch::Lines now = lines();
    if (now == reported_)
        return;
    reported_ = now;
    if (observer_)
        observer_(now);
}

// ------------------------------------------------------------ memory file

// The state file holds exactly the 512 memory bytes, in address order (the
// same layout as a program file). Anything else is not used: the memory then
// starts fresh and the reason is kept for the caller to show.
void SimulatedSwitchModel::loadMemory()
{
    persisted_ = memory.cells();
    if (options.memoryPath.isEmpty())
        return;
    QFile file(options.memoryPath);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        loadProblem = QStringLiteral("%1: %2").arg(options.memoryPath, file.errorString());
        return;
    }
    const QByteArray bytes = file.read(Eeprom24LC04::Size + 1);
    if (bytes.size() != Eeprom24LC04::Size) {
        loadProblem = QStringLiteral("%1: not a %2-byte memory image, starting with a blank memory")
                          .arg(options.memoryPath)
                          .arg(Eeprom24LC04::Size);
        return;
    }
    memory.setCells(bytes);
    persisted_ = bytes;
}

// Writes only a memory that has changed, so that a file that could not be
// used at start is left as it was unless the bus really wrote the memory.
bool SimulatedSwitchModel::saveMemory(QString *error)
{
    const QByteArray cells = memory.cells();
    if (options.memoryPath.isEmpty() || cells == persisted_)
        return true;
    const QFileInfo info(options.memoryPath);
    if (!QDir().mkpath(info.absolutePath())) {
        if (error)
            *error = QStringLiteral("%1: cannot create the directory").arg(info.absolutePath());
        return false;
    }
    if (const model::FileReplacement written = model::replaceFile(options.memoryPath, cells); !written) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(options.memoryPath, written.reason);
        return false;
    }
    persisted_ = cells;
    return true;
}

// ------------------------------------------------------------------ facade

SimulatedSwitch::SimulatedSwitch(SimOptions options)
    : model_(std::make_unique<SimulatedSwitchModel>(std::move(options)))
{
}

SimulatedSwitch::~SimulatedSwitch()
{
    model_->saveMemory(nullptr);
}

quint8 SimulatedSwitch::PortIn(quint16 address)
{
    return model_->read(address);
}

void SimulatedSwitch::PortOut(quint16 address, quint8 value)
{
    model_->write(address, value);
}

const SimOptions &SimulatedSwitch::options() const
{
    return model_->options;
}

QByteArray SimulatedSwitch::memory() const
{
    return model_->memory.cells();
}

void SimulatedSwitch::setMemory(const QByteArray &bytes)
{
    model_->memory.setCells(bytes);
}

bool SimulatedSwitch::saveMemory(QString *error)
{
    return model_->saveMemory(error);
}

QString SimulatedSwitch::memoryLoadProblem() const
{
    return model_->loadProblem;
}

QTime SimulatedSwitch::deviceTime() const
{
    return model_->clock.time();
}

void SimulatedSwitch::setDeviceTime(QTime time)
{
    model_->clock.set(time);
}

SimulatedSwitch::Lines SimulatedSwitch::lines() const
{
    return model_->lines();
}

void SimulatedSwitch::setLineObserver(std::function<void(const Lines &)> observer)
{
    model_->setObserver(std::move(observer));
}

} // namespace pellmora::sim
