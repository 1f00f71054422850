#include "connection/LinkOptions.h"

#include "device/DeviceText.h"

#include "sim/SimulatedSwitch.h"

using namespace pellmora::port;
using namespace pellmora::sim;
using namespace pellmora::device;

using namespace Qt::StringLiterals;

namespace pellmora::connection {

namespace {

// The value of a link option that was given; an empty one is refused.
std::optional<QString> givenValue(const QCommandLineParser &parser, const QString &name, QString *error)
{
    const QString value = parser.value(name);
    if (value.isEmpty())
        *error = deviceText("--%1 needs a value").arg(name);
    return value.isEmpty() ? std::nullopt : std::optional<QString>(value);
}

bool takeBackend(const QString &value, LinkOptions &options, QString *error)
{
    const std::optional<Backend> backend = backendFromName(value);
    if (!backend) {
        *error = deviceText("--link: expected sim, ioport, tty or ftdi, not '%1'").arg(value);
        return false;
    }
    options.backend = *backend;
    return true;
}

bool takeSimPort(const QString &value, LinkOptions &options, QString *error)
{
    const std::optional<quint8> port = portFromName(value);
    if (!port) {
        *error = deviceText("--sim-port: expected COM1..COM4, not '%1'").arg(value);
        return false;
    }
    options.simPort = *port;
    return true;
}

bool takeSimMemory(const QString &value, LinkOptions &options, QString *)
{
    options.simMemoryNone = value == u"none";
    options.simMemoryPath = options.simMemoryNone ? std::optional<QString>() : value;
    return true;
}

bool takeTtyDevice(const QString &value, LinkOptions &options, QString *)
{
    options.ttyDevice = value;
    return true;
}

bool takeFtdiDevice(const QString &value, LinkOptions &options, QString *)
{
    options.ftdiDevice = value;
    return true;
}

bool takeTrace(const QString &value, LinkOptions &options, QString *)
{
    options.tracePath = value;
    return true;
}

// Each option that takes one value, with what its value sets.
struct ValueOption {
    const char16_t *name;
    bool (*take)(const QString &value, LinkOptions &options, QString *error);
};

constexpr ValueOption ValueOptions[] = {
    {u"link", takeBackend},         {u"sim-port", takeSimPort}, {u"sim-memory", takeSimMemory},
    {u"tty-device", takeTtyDevice}, {u"ftdi-device", takeFtdiDevice}, {u"trace", takeTrace},
};

// --sim-fault, repeatable: every fault named is switched on.
bool takeSimFault(const QString &value, LinkOptions &options, QString *error)
{
    if (value.isEmpty()) {
        *error = deviceText("--sim-fault needs a value");
        return false;
    }
    const std::optional<sim::Fault> fault = sim::faultFromName(value);
    if (!fault) {
        *error = deviceText("--sim-fault: unknown fault '%1' (known: %2)").arg(value, sim::faultNames().join(u", "));
        return false;
    }
    if (!options.simFaults.contains(*fault))
        options.simFaults << *fault;
    return true;
}

} // namespace

std::optional<Backend> backendFromName(QStringView name)
{
    if (name == u"sim")
        return Backend::Sim;
    if (name == u"ioport")
        return Backend::IoPort;
    if (name == u"tty")
        return Backend::Tty;
    if (name == u"ftdi")
        return Backend::Ftdi;
    return std::nullopt;
}

QString backendName(Backend backend)
{
    switch (backend) {
    case Backend::Sim: return u"sim"_s;
    case Backend::IoPort: return u"ioport"_s;
    case Backend::Tty: return u"tty"_s;
    case Backend::Ftdi: return u"ftdi"_s;
    }
    return {};
}

std::optional<quint8> portFromName(QStringView name)
{
    static const QStringList names = {u"COM1"_s, u"COM2"_s, u"COM3"_s, u"COM4"_s};
    for (int port = 0; port < names.size(); ++port) {
        if (name.compare(names[port], Qt::CaseInsensitive) == 0)
            return quint8(port);
    }
    return std::nullopt;
}

QString portName(quint8 port)
{
    return u"COM%1"_s.arg(int(port) + 1);
}

void addLinkOptions(QCommandLineParser &parser)
{
    parser.addOptions({
        {u"link"_s, u"Port backend for this run: sim (the simulated time switch), ioport (direct x86 I/O ports), "
                    "tty (the port's serial device) or ftdi (an FTDI USB serial cable in bit-bang mode). Default: "
                    "the link chosen in the port dialog, at first sim."_s,
         u"sim|ioport|tty|ftdi"_s},
        {u"sim-port"_s, u"Port the simulated switch hangs on (default COM1)."_s, u"COMn"_s},
        {u"sim-memory"_s, u"State file of the simulated EEPROM (none: blank every run)."_s, u"PATH|none"_s},
        {u"sim-fault"_s, u"Fault of the simulated switch, repeatable: "_s + sim::faultNames().join(u", ") + u'.',
         u"NAME"_s},
        {u"tty-device"_s, u"Serial device of the selected port (default /dev/ttyS0..3); alone it means --link tty."_s,
         u"PATH"_s},
        {u"ftdi-device"_s, u"FTDI cable by serial number (default: the only one connected)."_s, u"SERIAL"_s},
        {u"trace"_s, u"Record the bus lines into a VCD file."_s, u"PATH.vcd"_s},
    });
}

std::optional<LinkOptions> linkOptionsFrom(const QCommandLineParser &parser, QString *error,
                                           const LinkOptions &start)
{
    QString ignored;
    QString &message = error ? *error : ignored;
    LinkOptions options = start;
    if (parser.isSet(u"tty-device"_s) && !parser.isSet(u"link"_s))
        options.backend = Backend::Tty;
    for (const ValueOption &option : ValueOptions) {
        const QString name = QString::fromUtf16(option.name);
        if (!parser.isSet(name))
            continue;
        const std::optional<QString> value = givenValue(parser, name, &message);
        if (!value || !option.take(*value, options, &message))
            return std::nullopt;
    }
    for (const QString &value : parser.values(u"sim-fault"_s)) {
        if (!takeSimFault(value, options, &message))
            return std::nullopt;
    }
    return options;
}

} // namespace pellmora::connection
