#include "DeviceConnection.h"

#include "DeviceText.h"

#include "link/IoPortBackend.h"
#include "link/TtyBackend.h"
#include "sim/BusTrace.h"
#include "sim/SimulatedSwitch.h"

using namespace Qt::StringLiterals;

namespace pellmora::device {

namespace {

sim::SimOptions simOptionsFrom(const LinkOptions &options)
{
    sim::SimOptions simOptions;
    simOptions.port = options.simPort;
    if (!options.simMemoryNone)
        simOptions.memoryPath = options.simMemoryPath.value_or(sim::defaultMemoryPath());
    simOptions.faults = options.simFaults;
    simOptions.writeCycleSelects = options.simWriteCycleSelects;
    return simOptions;
}

} // namespace

DeviceConnection::DeviceConnection(const LinkOptions &options, LinkState &state)
    : options_(options), state_(state)
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
    if (selectedPort > 3) {
        message = deviceText("Port COM%1 neexistuje, vyberte COM1 až COM4.").arg(int(selectedPort) + 1);
        return nullptr;
    }
    std::unique_ptr<DeviceConnection> connection(new DeviceConnection(options, state));
    switch (options.backend) {
    case Backend::Sim: {
        auto simulated = std::make_unique<sim::SimulatedSwitch>(simOptionsFrom(options));
        connection->simulated_ = simulated.get();
        connection->backend_ = std::move(simulated);
        connection->description_ = deviceText("simulovaný spínač na %1").arg(portName(options.simPort));
        break;
    }
    case Backend::IoPort:
        connection->backend_ = IoPortBackend::open(Link::ComPortBase(selectedPort), &message);
        connection->description_ =
            deviceText("porty I/O 0x%1").arg(QString::number(Link::ComPortBase(selectedPort), 16).toUpper());
        break;
    case Backend::Tty:
        connection->backend_ = TtyBackend::open(selectedPort, options.ttyDevice, &message);
        connection->description_ = TtyBackend::devicePath(selectedPort, options.ttyDevice);
        break;
    }
    if (!connection->backend_)
        return nullptr;

    PortIo *driven = connection->backend_.get();
    if (!options.tracePath.isEmpty()) {
        connection->trace_ = std::make_unique<sim::BusTrace>(*connection->backend_, state);
        if (connection->simulated_)
            connection->trace_->attach(*connection->simulated_);
        driven = connection->trace_.get();
    }
    connection->link_ = std::make_unique<Link>(*driven, state);
    return connection;
}

PortIo &DeviceConnection::io()
{
    return trace_ ? static_cast<PortIo &>(*trace_) : *backend_;
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

QString DeviceConnection::description() const
{
    return description_;
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

} // namespace pellmora::device
