#include "sim/SimulatedSwitch.h"

#include "sim/Eeprom24LC04.h"
#include "sim/MemoryStateFile.h"
#include "sim/SimulatedInterface.h"
#include "sim/SimulatedUart.h"
#include "sim/SwitchMicrocontroller.h"

#include "port/UartRegisters.h"

#include <QDateTime>

#include <array>
#include <chrono>

using namespace pellmora::port;

namespace pellmora::sim {

namespace {

constexpr quint8 AbsentRegister = 0xFF; // nothing decodes the address

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

SimOptions onComPort(SimOptions options)
{
    options.port &= 3;
    return options;
}

} // namespace

// --------------------------------------------------------------------- model

// The machine behind the port addresses: the four UARTs, the interface on
// one of them, the memory and the microcontroller on the interface's bus,
// and the file that keeps the memory between runs.
class SimulatedSwitchModel {
public:
    explicit SimulatedSwitchModel(SimOptions opts);

    quint8 read(quint16 address);
    void write(quint16 address, quint8 value);
    bool saveMemory(QString *error) { return file.save(memory.cells(), error); }

    SimOptions options;
    std::function<qint64()> monotonicNanos; // times the supply, the microcontroller and the write cycle
    DeviceClock clock;
    Eeprom24LC04 memory;
    SwitchMicrocontroller pic;
    std::array<SimulatedUart, 4> uarts;
    SimulatedInterface switchInterface;
    MemoryStateFile file;

private:
    SimulatedUart *uartAt(quint16 address, quint16 *offset);
    bool isInterface(const SimulatedUart &uart) const { return &uart == &uarts[options.port]; }
};

SimulatedSwitchModel::SimulatedSwitchModel(SimOptions opts)
    : options(onComPort(std::move(opts))),
      monotonicNanos(options.monotonicNanos ? options.monotonicNanos : std::function<qint64()>(steadyNanoseconds)),
      clock(options.hostClock ? options.hostClock : std::function<qint64()>(hostLocalMilliseconds),
            options.clockOffsetSeconds, options.clockDriftPerDay),
      memory({options.writeCycleSelects, options.has(Fault::EndlessWrite), options.has(Fault::FlipBit), monotonicNanos}),
      pic(clock, {options.has(Fault::SilentPic), options.has(Fault::WrongEcho), options.has(Fault::BadClockReply),
                  options.picSpeed}),
      switchInterface(options, monotonicNanos, uarts[options.port], memory, pic), file(options.memoryPath)
{
    file.load(memory);
    memory.onWriteCycleFinished([this] { saveMemory(nullptr); });
}

SimulatedUart *SimulatedSwitchModel::uartAt(quint16 address, quint16 *offset)
{
    for (size_t i = 0; i < uart::ComBases.size(); ++i) {
        if (address >= uart::ComBases[i] && address < uart::ComBases[i] + uart::BlockSize) {
            *offset = quint16(address - uart::ComBases[i]);
            return &uarts[i];
        }
    }
    return nullptr;
}

quint8 SimulatedSwitchModel::read(quint16 address)
{
    quint16 offset = 0;
    SimulatedUart *uart = uartAt(address, &offset);
    if (!uart)
        return AbsentRegister;
    return isInterface(*uart) ? switchInterface.read(offset) : uart->read(offset);
}

void SimulatedSwitchModel::write(quint16 address, quint8 value)
{
    quint16 offset = 0;
    SimulatedUart *uart = uartAt(address, &offset);
    if (!uart)
        return;
    if (isInterface(*uart))
        switchInterface.write(offset, value);
    else
        uart->write(offset, value);
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

bool SimulatedSwitch::portFailed() const
{
    return !closedReason().isEmpty();
}

bool SimulatedSwitch::recover()
{
    if (closedReason().isEmpty())
        return false;
    model_->file.load(model_->memory);
    return closedReason().isEmpty();
}

QString SimulatedSwitch::closedReason() const
{
    return model_->file.refusal();
}

bool SimulatedSwitch::supplyRefused() const
{
    return model_->options.has(Fault::BreakRefused);
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
    return model_->file.problem();
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
    return model_->switchInterface.lines();
}

void SimulatedSwitch::setLineObserver(std::function<void(const Lines &)> observer)
{
    model_->switchInterface.setObserver(std::move(observer));
}

} // namespace pellmora::sim
