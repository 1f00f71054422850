#include "connection/LinkOptions.h"

#include "device/DeviceText.h"

#include "sim/SimulatedSwitch.h"

using namespace pellmora::port;
using namespace pellmora::sim;
using namespace pellmora::device;

using namespace Qt::StringLiterals;

namespace pellmora::connection {

namespace {

// One option with its value, given as "--name VALUE" or "--name=VALUE".
struct OptionValue {
    QString name;
    QString value;
    int consumed = 0; // arguments taken: 1 or 2; 0 = not a link option
};

const QStringList &optionNames()
{
    static const QStringList names = {u"--link"_s,       u"--sim-port"_s, u"--sim-memory"_s,
                                      u"--sim-fault"_s,  u"--tty-device"_s, u"--trace"_s};
    return names;
}

OptionValue optionAt(const QStringList &args, int i, QString *error)
{
    const QString &arg = args[i];
    for (const QString &name : optionNames()) {
        if (arg == name) {
            if (i + 1 >= args.size()) {
                *error = deviceText("%1 needs a value").arg(name);
                return {name, {}, -1};
            }
            return {name, args[i + 1], 2};
        }
        if (arg.startsWith(name + u'='))
            return {name, arg.mid(name.size() + 1), 1};
    }
    return {};
}

std::optional<Backend> backendFromName(const QString &name)
{
    if (name == u"sim")
        return Backend::Sim;
    if (name == u"ioport")
        return Backend::IoPort;
    if (name == u"tty")
        return Backend::Tty;
    return std::nullopt;
}

bool applyOption(const OptionValue &option, LinkOptions &options, QString *error)
{
    if (option.value.isEmpty()) {
        *error = deviceText("%1 needs a value").arg(option.name);
        return false;
    }
    if (option.name == u"--link") {
        const std::optional<Backend> backend = backendFromName(option.value);
        if (!backend) {
            *error = deviceText("--link: expected sim, ioport or tty, not '%1'").arg(option.value);
            return false;
        }
        options.backend = *backend;
    } else if (option.name == u"--sim-port") {
        const std::optional<quint8> port = portFromName(option.value);
        if (!port) {
            *error = deviceText("--sim-port: expected COM1..COM4, not '%1'").arg(option.value);
            return false;
        }
        options.simPort = *port;
    } else if (option.name == u"--sim-memory") {
        options.simMemoryNone = option.value == u"none";
        options.simMemoryPath = options.simMemoryNone ? std::optional<QString>() : option.value;
    } else if (option.name == u"--sim-fault") {
        const std::optional<sim::Fault> fault = sim::faultFromName(option.value);
        if (!fault) {
            *error = deviceText("--sim-fault: unknown fault '%1' (known: %2)")
                         .arg(option.value, sim::faultNames().join(u", "));
            return false;
        }
        if (!options.simFaults.contains(*fault))
            options.simFaults << *fault;
    } else if (option.name == u"--tty-device") {
        options.ttyDevice = option.value;
    } else if (option.name == u"--trace") {
        options.tracePath = option.value;
    }
    return true;
}

} // namespace

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

std::optional<LinkOptions> takeLinkOptions(QStringList &args, QString *error)
{
    QString ignored;
    QString &message = error ? *error : ignored;
    LinkOptions options;
    QStringList rest;
    for (int i = 0; i < args.size();) {
        const OptionValue option = optionAt(args, i, &message);
        if (option.consumed < 0)
            return std::nullopt;
        if (option.consumed == 0) {
            rest << args[i++];
            continue;
        }
        if (!applyOption(option, options, &message))
            return std::nullopt;
        i += option.consumed;
    }
    args = rest;
    return options;
}

QString linkOptionsUsage()
{
    return u"  --link sim|ioport|tty   port backend (default sim: the simulated time switch)\n"
           "  --sim-port COMn         port the simulated switch hangs on (default COM1)\n"
           "  --sim-memory PATH|none  state file of the simulated EEPROM (none: blank every run)\n"
           "  --sim-fault NAME        fault of the simulated switch, repeatable: "_s
           + sim::faultNames().join(u", ")
           + u"\n"
             "  --tty-device PATH       serial device of the selected port (default /dev/ttyS0..3)\n"
             "  --trace PATH.vcd        record the bus lines into a VCD file\n"_s;
}

} // namespace pellmora::connection
