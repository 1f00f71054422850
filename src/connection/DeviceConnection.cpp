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
    simOptions.monotonicNanos = options.simMonotonicNanos;
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
// replaced, or be missing, under the trace and the link. While none is open
// the port reads 0xFF (a bus nobody pulls low: nothing acknowledged) and
// every access fails.
class DeviceConnection::Relay : public PortIo {
public:
    explicit Relay(DeviceConnection &owner) : owner_(owner) {}
    quint8 PortIn(quint16 address) override { return owner_.active_ ? owner_.active_->PortIn(address) : 0xFF; }
    void PortOut(quint16 address, quint8 value) override
    {
        if (owner_.active_)
            owner_.active_->PortOut(address, value);
    }
    void PortInUnused(quint16 address) override
    {
        if (owner_.active_)
            owner_.active_->PortInUnused(address);
    }
    bool portFailed() const override { return !owner_.active_ || owner_.active_->portFailed(); }
    bool recover() override { return owner_.recoverBackend(); }
    QString closedReason() const override { return owner_.closedReason(); }
    bool supplyRefused() const override { return owner_.active_ && owner_.active_->supplyRefused(); }
    SampledLines *sampledLines() override { return owner_.active_ ? owner_.active_->sampledLines() : nullptr; }
    quint64 bitSlotPortMicros() override { return owner_.active_ ? owner_.active_->bitSlotPortMicros() : 0; }

private:
    DeviceConnection &owner_;
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

std::unique_ptr<DeviceConnection> DeviceConnection::create(const LinkOptions &options, LinkState &state,
                                                           quint8 selectedPort, QString *error)
{
    if (selectedPort >= PortCount) {
        if (error)
            *error = noSuchPortText(selectedPort);
        return nullptr;
    }
    std::unique_ptr<DeviceConnection> connection(new DeviceConnection(options, state, selectedPort));
    connection->openOn(selectedPort);
    connection->relay_ = std::make_unique<Relay>(*connection);

    PortIo *driven = connection->relay_.get();
    if (!options.tracePath.isEmpty()) {
        connection->trace_ = std::make_unique<sim::BusTrace>(*connection->relay_, state.PortBase);
        if (connection->simulation_)
            connection->trace_->attach(*connection->simulation_);
        driven = connection->trace_.get();
    }
    connection->link_ = std::make_unique<Link>(*driven, state);
    return connection;
}

std::unique_ptr<DeviceConnection> DeviceConnection::open(const LinkOptions &options, LinkState &state,
                                                         quint8 selectedPort, QString *error)
{
    std::unique_ptr<DeviceConnection> connection = create(options, state, selectedPort, error);
    if (connection && !connection->closedReason().isEmpty()) {
        if (error)
            *error = connection->closedReason();
        connection->finished_ = true; // nothing was used: nothing to write
        return nullptr;
    }
    return connection;
}

// The real backend of the link options on `selectedPort`, or nullptr with
// the reason in `error`.
std::unique_ptr<PortIo> DeviceConnection::openDevice(quint8 selectedPort, QString *error)
{
    switch (options_.backend) {
    case Backend::Sim:
        break;
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

// Makes the backend of the link options the one in use, or leaves the
// connection closed with the reason.
void DeviceConnection::openOn(quint8 selectedPort)
{
    if (options_.backend == Backend::Sim) {
        if (!simulation_)
            simulation_ = std::make_unique<sim::SimulatedSwitch>(simOptionsFrom(options_));
        device_.reset();
        active_ = simulation_.get();
        closedReason_.clear();
        return;
    }
    QString reason;
    std::unique_ptr<PortIo> device = openDevice(selectedPort, &reason);
    use(std::move(device), reason);
}

void DeviceConnection::use(std::unique_ptr<PortIo> device, const QString &reason)
{
    device_ = std::move(device);
    active_ = device_.get();
    closedReason_ = active_ ? QString() : reason;
    if (!active_ && closedReason_.isEmpty())
        closedReason_ = deviceText("Spojení %1 nelze otevřít.").arg(describe(openedPort_));
}

// An operation starts: a closed connection tries to open its backend again,
// an open one lets the backend recover from an earlier failure.
bool DeviceConnection::recoverBackend()
{
    const QString before = closedReason();
    bool reopened = false;
    if (active_) {
        reopened = active_->recover();
    } else {
        openOn(openedPort_);
        reopened = active_ != nullptr;
    }
    if (closedReason() != before)
        notify();
    return reopened;
}

void DeviceConnection::notify()
{
    if (observer_)
        observer_();
}

// A move to another port or link is refused while a device operation runs,
// and to a port that does not exist.
bool DeviceConnection::refusesMove(quint8 selectedPort, QString &message) const
{
    if (selectedPort >= PortCount) {
        message = noSuchPortText(selectedPort);
        return true;
    }
    if (link_->busy()) {
        message = busyText();
        return true;
    }
    return false;
}

bool DeviceConnection::followSelectedPort(quint8 selectedPort, QString *error)
{
    QString ignored;
    QString &message = error ? *error : ignored;
    if (refusesMove(selectedPort, message))
        return false;
    if (selectedPort == openedPort_ || options_.backend == Backend::Sim || options_.backend == Backend::Ftdi
        || (options_.backend == Backend::Tty && !options_.ttyDevice.isEmpty())) {
        openedPort_ = selectedPort;
        return true;
    }
    if (!active_) {
        openedPort_ = selectedPort;
        openOn(selectedPort);
        notify();
        return true;
    }
    std::unique_ptr<PortIo> reopened = openDevice(selectedPort, &message);
    if (!reopened)
        return false;
    openedPort_ = selectedPort;
    use(std::move(reopened), {});
    notify();
    return true;
}

bool DeviceConnection::changeLink(const LinkChoice &choice, quint8 selectedPort, QString *error)
{
    QString ignored;
    QString &message = error ? *error : ignored;
    if (refusesMove(selectedPort, message))
        return false;
    if (trace_ && choice.backend != options_.backend) {
        message = deviceText("Během záznamu sběrnice (--trace) nelze spojení změnit.");
        return false;
    }
    options_ = withLinkChoice(options_, choice);
    openedPort_ = selectedPort;
    openOn(selectedPort);
    notify();
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

QString DeviceConnection::closedReason() const
{
    return active_ ? active_->closedReason() : closedReason_;
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
        return deviceText("kabel FTDI %1").arg(ftdiSerial_.isEmpty() ? options_.ftdiDevice : ftdiSerial_).trimmed();
    }
    return {};
}

QString DeviceConnection::description() const
{
    return describe(openedPort_);
}

sim::SimulatedSwitch *DeviceConnection::simulatedSwitch()
{
    return options_.backend == Backend::Sim ? simulation_.get() : nullptr;
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
    if (simulation_ && !options_.simMemoryNone && !simulation_->saveMemory(&message)) {
        if (ok && error)
            *error = message;
        ok = false;
    }
    return ok;
}

} // namespace pellmora::connection
