#include "connection/DeviceConnection.h"

#include "device/DeviceMemory.h"
#include "device/DeviceText.h"
#include "device/HexText.h"

#include "link/FtdiBackend.h"
#include "link/IoPortBackend.h"
#include "link/TtyBackend.h"
#include "sim/BusTrace.h"
#include "sim/SimulatedSwitch.h"

using namespace pellmora::port;
using namespace pellmora::link;
using namespace pellmora::device;

using namespace Qt::StringLiterals;

namespace pellmora::connection {

namespace {

constexpr quint8 PortCount = 4;

sim::SimOptions simOptionsFrom(const LinkOptions &options)
{
    sim::SimOptions simOptions;
    simOptions.port = options.simPort;
    if (!options.simMemoryNone)
        simOptions.memoryPath = options.simMemoryPath.value_or(sim::defaultMemoryPath());
    simOptions.faults = options.simFaults;
    simOptions.writeCycleSelects = options.simWriteCycleSelects;
    if (options.simPullCableAfterBytes)
        simOptions.pullCableAfterBytes = *options.simPullCableAfterBytes;
    return simOptions;
}

QString noSuchPortText(quint8 port)
{
    return deviceText("Port COM%1 neexistuje, vyberte COM1 až COM4.").arg(int(port) + 1);
}

QString hexBase(quint16 base)
{
    return u"0x"_s + NumberToHexText(base, 1);
}

} // namespace

// Passes every access on to the backend in use, so that the backend can be
// replaced under the trace and the link.
class DeviceConnection::Relay : public PortIo {
public:
    explicit Relay(PortIo *target) : target_(target) {}
    void setTarget(PortIo *target) { target_ = target; }
    quint8 PortIn(quint16 address) override { return target_->PortIn(address); }
    void PortOut(quint16 address, quint8 value) override { target_->PortOut(address, value); }
    void PortInUnused(quint16 address) override { target_->PortInUnused(address); }
    bool portFailed() const override { return target_->portFailed(); }
    bool recover() override { return target_->recover(); }
    SampledLines *sampledLines() override { return target_->sampledLines(); }

private:
    PortIo *target_;
};

DeviceConnection::DeviceConnection(const LinkOptions &options, LinkState &state, quint8 selectedPort)
    : options_(options), state_(state), openedPort_(selectedPort)
{
}

DeviceConnection::~DeviceConnection()
{
    QString ignored;
    finish(&ignored);
}

std::unique_ptr<DeviceConnection> DeviceConnection::open(const LinkOptions &options, LinkState &state,
                                                         quint8 selectedPort, QString *error)
{
    QString ignored;
    QString &message = error ? *error : ignored;
    if (selectedPort >= PortCount) {
        message = noSuchPortText(selectedPort);
        return nullptr;
    }
    std::unique_ptr<DeviceConnection> connection(new DeviceConnection(options, state, selectedPort));
    connection->backend_ = connection->openBackend(selectedPort, &message);
    if (!connection->backend_)
        return nullptr;
    connection->relay_ = std::make_unique<Relay>(connection->backend_.get());

    PortIo *driven = connection->relay_.get();
    if (!options.tracePath.isEmpty()) {
        connection->trace_ = std::make_unique<sim::BusTrace>(*connection->relay_, state.PortBase);
        if (connection->simulated_)
            connection->trace_->attach(*connection->simulated_);
        driven = connection->trace_.get();
    }
    connection->link_ = std::make_unique<Link>(*driven, state);
    return connection;
}

std::unique_ptr<PortIo> DeviceConnection::openBackend(quint8 selectedPort, QString *error)
{
    switch (options_.backend) {
    case Backend::Sim: {
        auto simulated = std::make_unique<sim::SimulatedSwitch>(simOptionsFrom(options_));
        simulated_ = simulated.get();
        return simulated;
    }
    case Backend::IoPort:
        return IoPortBackend::open(Link::ComPortBase(selectedPort), options_.ioPorts, error);
    case Backend::Tty:
        return TtyBackend::open(selectedPort, options_.ttyDevice, error);
    case Backend::Ftdi:
        return openFtdi(error);
    }
    return nullptr;
}

std::unique_ptr<PortIo> DeviceConnection::openFtdi(QString *error)
{
    std::unique_ptr<FtdiBackend> cable = FtdiBackend::open(
        options_.ftdiDevice, error, options_.ftdiSystem ? options_.ftdiSystem() : RealFtdiSystem());
    if (cable)
        ftdiSerial_ = cable->serial();
    return cable;
}

QStringList ConnectedFtdiCables(QString *error)
{
    return ConnectedFtdiCables(*RealFtdiSystem(), error);
}

QStringList ConnectedFtdiCables(FtdiSystem &system, QString *error)
{
    return FtdiBackend::connectedCables(system, error);
}

bool DeviceConnection::followSelectedPort(quint8 selectedPort, QString *error)
{
    QString ignored;
    QString &message = error ? *error : ignored;
    if (selectedPort >= PortCount) {
        message = noSuchPortText(selectedPort);
        return false;
    }
    if (link_->busy()) {
        message = busyText();
        return false;
    }
    if (selectedPort == openedPort_ || options_.backend == Backend::Sim || options_.backend == Backend::Ftdi
        || (options_.backend == Backend::Tty && !options_.ttyDevice.isEmpty())) {
        openedPort_ = selectedPort;
        return true;
    }
    std::unique_ptr<PortIo> reopened = openBackend(selectedPort, &message);
    if (!reopened)
        return false;
    relay_->setTarget(reopened.get());
    backend_ = std::move(reopened);
    openedPort_ = selectedPort;
    return true;
}

PortIo &DeviceConnection::io()
{
    return trace_ ? static_cast<PortIo &>(*trace_) : *relay_;
}

Link &DeviceConnection::link()
{
    return *link_;
}

LinkState &DeviceConnection::state()
{
    return state_;
}

Backend DeviceConnection::backend() const
{
    return options_.backend;
}

QString DeviceConnection::describe(quint8 selectedPort) const
{
    switch (options_.backend) {
    case Backend::Sim:
        return deviceText("simulovaný spínač na %1").arg(portName(options_.simPort));
    case Backend::IoPort:
        return deviceText("porty I/O %1").arg(hexBase(Link::ComPortBase(selectedPort)));
    case Backend::Tty:
        return TtyBackend::devicePath(selectedPort, options_.ttyDevice);
    case Backend::Ftdi:
        return deviceText("kabel FTDI %1").arg(ftdiSerial_);
    }
    return {};
}

QString DeviceConnection::description() const
{
    return describe(openedPort_);
}

sim::SimulatedSwitch *DeviceConnection::simulatedSwitch()
{
    return simulated_;
}

bool DeviceConnection::finish(QString *error)
{
    if (finished_)
        return true;
    finished_ = true;
    bool ok = true;
    QString message;
    if (trace_ && !trace_->write(options_.tracePath, &message)) {
        ok = false;
        if (error)
            *error = message;
    }
    if (simulated_ && !options_.simMemoryNone && !simulated_->saveMemory(&message)) {
        if (ok && error)
            *error = message;
        ok = false;
    }
    return ok;
}

} // namespace pellmora::connection
