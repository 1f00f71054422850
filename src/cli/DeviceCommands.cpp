#include "cli/Commands.h"
#include "cli/ProgramFindings.h"
#include "cli/WordingOptions.h"

#include "connection/DeviceConnection.h"
#include "device/DeviceClock.h"
#include "device/DeviceMemory.h"
#include "device/HexText.h"
#include "device/ComTest.h"
#include "connection/LinkOptions.h"
#include "device/MemoryListing.h"

#include "link/Timing.h"
#include "storage/ProgramFile.h"

#include <QFileInfo>
#include <QTextStream>
#include <QTime>

#include <cstdio>
#include <optional>
#include <unistd.h>

using namespace pellmora::model;
using namespace pellmora::link;
using namespace pellmora::device;
using namespace pellmora::storage;
using namespace pellmora::connection;

using namespace Qt::StringLiterals;

namespace pellmora::cli {

namespace {

using connection::DeviceConnection;

// One line of output, written at once.
void say(const QString &line)
{
    QTextStream(stdout) << line << '\n';
}

void complain(const QString &line)
{
    QTextStream(stderr) << line << '\n';
}

int usageError(const QString &text)
{
    complain(u"pellmora-cli: "_s + text);
    return ExitUsage;
}

void printNotices(const Notices &notices)
{
    for (const Notice &notice : notices)
        say(notice.text);
}

// A progress bar on stderr, drawn only when stderr is a terminal.
class ProgressBar {
public:
    ProgressBar() : enabled_(isatty(fileno(stderr)) == 1) {}
    ~ProgressBar() { end(); }

    void show(int done, int total)
    {
        if (!enabled_ || total <= 0)
            return;
        constexpr int Width = 40;
        const int filled = done * Width / total;
        QTextStream(stderr) << '\r' << '[' << QString(filled, u'#') << QString(Width - filled, u'.') << "] "
                            << done * 100 / total << '%';
        drawn_ = true;
    }
    void end()
    {
        if (drawn_)
            QTextStream(stderr) << '\n';
        drawn_ = false;
    }

private:
    bool enabled_;
    bool drawn_ = false;
};

// The options every device command takes, and what they lead to: the port,
// the speeds, the backend, and the link over them.
struct DeviceRun {
    std::shared_ptr<link::IoPortGrant> ioPorts; // taken as the program started
    connection::LinkOptions linkOptions;
    LinkState state;
    bool verbose = false;
    std::unique_ptr<DeviceConnection> connection;

    Link &link() { return connection->link(); }
};

std::optional<quint16> speedValue(const QString &text, quint16 lowest, quint16 highest)
{
    bool ok = false;
    const uint value = text.toUInt(&ok);
    if (!ok || (value != 0 && (value < lowest || value > highest)))
        return std::nullopt;
    return quint16(value);
}

// Takes the device options out of `args`; what remains are the command's own
// arguments. Returns an error text on bad usage.
QString takeDeviceOptions(QStringList &args, DeviceRun &run)
{
    QString error;
    const std::optional<connection::LinkOptions> linkOptions = connection::takeLinkOptions(args, &error);
    if (!linkOptions)
        return error;
    run.linkOptions = *linkOptions;
    run.linkOptions.ioPorts = run.ioPorts;

    QStringList rest;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg == u"--verbose") {
            run.verbose = true;
            continue;
        }
        if (arg != u"--port" && arg != u"--eeprom-speed" && arg != u"--pic-speed") {
            rest << arg;
            continue;
        }
        if (i + 1 >= args.size())
            return u"%1 needs a value"_s.arg(arg);
        const QString value = args[++i];
        if (arg == u"--port") {
            const std::optional<quint8> port = connection::portFromName(value);
            if (!port)
                return u"--port: expected COM1..COM4, not '%1'"_s.arg(value);
            run.state.SelectedPort = *port;
        } else if (arg == u"--eeprom-speed") {
            const std::optional<quint16> speed = speedValue(value, EepromSpeedMin, EepromSpeedMax);
            if (!speed)
                return u"--eeprom-speed: expected %1..%2, not '%3'"_s.arg(EepromSpeedMin).arg(EepromSpeedMax).arg(value);
            run.state.EepromBaudRate = *speed;
        } else {
            const std::optional<quint16> speed = speedValue(value, PicSpeedMin, PicSpeedMax);
            if (!speed)
                return u"--pic-speed: expected %1..%2, not '%3'"_s.arg(PicSpeedMin).arg(PicSpeedMax).arg(value);
            run.state.PicBaudRate = *speed;
        }
    }
    args = rest;
    return {};
}

// Opens the backend and calibrates both speeds, as the window does when it
// first shows. Returns false (after saying why) when the port cannot be used.
bool connect(DeviceRun &run)
{
    QString error;
    run.connection = DeviceConnection::open(run.linkOptions, run.state, run.state.SelectedPort, &error);
    if (!run.connection) {
        complain(error);
        return false;
    }
    if (run.verbose) {
        const quint16 base = Link::ComPortBase(run.state.SelectedPort);
        say(u"link: "_s + run.connection->description());
        say(u"port: %1 (0x%2)"_s.arg(connection::portName(run.state.SelectedPort), NumberToHexText(base, 1)));
    }
    RunCalibrationSequence(run.link(), {});
    return true;
}

// Ends the run: writes the trace and saves the simulated memory. A failure
// there turns a success into an error exit.
int finish(DeviceRun &run, int code)
{
    QString error;
    if (run.connection && !run.connection->finish(&error)) {
        complain(error);
        return code == ExitOk ? ExitRefused : code;
    }
    return code;
}

// The clock transfers and the verification use the link as a previous
// command left it; on their own they first take the selected port and power
// it, as a communication test would have done before them.
void prepareLinkAsAfterTest(DeviceRun &run)
{
    run.state.PortBase = Link::ComPortBase(run.state.SelectedPort);
    run.link().LinkPowerOn();
}

device::TransferHooks progressHooks(ProgressBar &bar)
{
    device::TransferHooks hooks;
    hooks.progress = [&bar](int done, int total) { bar.show(done, total); };
    hooks.verifying = [&bar] { bar.end(); };
    return hooks;
}

std::optional<QString> fileArgument(const QStringList &args, QString *error)
{
    if (args.size() != 1) {
        *error = u"expected one program file"_s;
        return std::nullopt;
    }
    return args.first();
}

std::optional<DeviceImage> readImage(const QString &path, QString *error)
{
    DeviceImage image;
    if (!QFileInfo(path).isFile()) {
        *error = u"%1: no such file"_s.arg(path);
        return std::nullopt;
    }
    if (!ReadProgramFile(path, image)) {
        *error = u"%1: not a program file (512 bytes)"_s.arg(path);
        return std::nullopt;
    }
    return image;
}

// Takes the device options and the one program file the command works with.
std::optional<DeviceImage> takeOptionsAndImage(QStringList &args, DeviceRun &run, QString *error)
{
    *error = takeDeviceOptions(args, run);
    if (!error->isEmpty())
        return std::nullopt;
    const std::optional<QString> path = fileArgument(args, error);
    return path ? readImage(*path, error) : std::nullopt;
}

// Takes the options and the program file, then opens and calibrates the link.
// nullopt when the command cannot go on, with its exit code in `exitCode`.
std::optional<DeviceImage> openWithImage(QStringList &args, DeviceRun &run, int *exitCode)
{
    QString error;
    std::optional<DeviceImage> image = takeOptionsAndImage(args, run, &error);
    if (!image) {
        *exitCode = usageError(error);
        return std::nullopt;
    }
    if (!connect(run)) {
        *exitCode = finish(run, ExitRefused);
        return std::nullopt;
    }
    return image;
}

// Runs one EEPROM command on the prepared link with a progress bar, and
// prints what it reports.
device::DeviceOutcome transfer(DeviceRun &run,
                               const std::function<device::DeviceOutcome(Link &, const device::TransferHooks &)> &command)
{
    prepareLinkAsAfterTest(run);
    ProgressBar bar;
    const device::DeviceOutcome outcome = command(run.link(), progressHooks(bar));
    bar.end();
    printNotices(outcome.notices);
    return outcome;
}

int runTest(QStringList args, DeviceRun &run)
{
    QString error = takeDeviceOptions(args, run);
    if (error.isEmpty() && !args.isEmpty())
        error = u"test takes no arguments"_s;
    if (!error.isEmpty())
        return usageError(error);
    if (!connect(run))
        return finish(run, ExitRefused);

    ProgressBar bar;
    device::ComTestHooks hooks;
    hooks.label = [&bar](const QString &text) {
        bar.end();
        say(text);
    };
    hooks.progress = [&bar](int position) { bar.show(position, 100); };
    const device::ComTestOutcome outcome = device::RunComTest(run.link(), hooks);
    bar.end();
    printNotices(outcome.notices);
    if (!outcome.connected)
        return finish(run, ExitRefused);
    say(QString::fromUtf8(device::ConnectedCaption));
    return finish(run, ExitOk);
}

int runProgram(QStringList args, DeviceRun &run)
{
    const bool strict = args.removeAll(u"--strict"_s) > 0;
    QString error;
    const std::optional<DeviceImage> image = takeOptionsAndImage(args, run, &error);
    if (!image)
        return usageError(error);
    if (!checkBeforeProgramming(*image, strict))
        return ExitRefused;
    if (!connect(run))
        return finish(run, ExitRefused);

    say(device::programmingWarningInfo());
    say(device::programmingInfo());
    device::DeviceMemoryState memory;
    const device::DeviceOutcome outcome = transfer(run, [&](Link &link, const device::TransferHooks &hooks) {
        return device::WriteDeviceMemory(link, memory, *image, hooks);
    });
    return finish(run, outcome.ok ? ExitOk : ExitRefused);
}

int runRead(QStringList args, DeviceRun &run)
{
    QString error = takeDeviceOptions(args, run);
    QString path;
    if (error.isEmpty()) {
        if (args.size() == 2 && args[0] == u"-o")
            path = args[1];
        else
            error = u"usage: read -o FILE.plm"_s;
    }
    if (!error.isEmpty())
        return usageError(error);
    if (!connect(run))
        return finish(run, ExitRefused);

    say(device::loadingInfo());
    DeviceImage image;
    const device::DeviceOutcome outcome = transfer(run, [&](Link &link, const device::TransferHooks &hooks) {
        return device::ReadDeviceMemory(link, image, hooks);
    });
    if (!outcome.ok)
        return finish(run, ExitRefused);
    if (const storage::FileReplacement written = WriteProgramFile(path, image); !written) {
        complain(path + u": cannot write the program file: "_s + written.reason);
        return finish(run, ExitRefused);
    }
    return finish(run, ExitOk);
}

int runVerify(QStringList args, DeviceRun &run)
{
    const std::optional<InstructionFormat> format = takeWordingOptions(args);
    if (!format)
        return usageError(u"verify FILE.plm "_s + QLatin1String(WordingSynopsis));
    int exitCode = ExitOk;
    const std::optional<DeviceImage> image = openWithImage(args, run, &exitCode);
    if (!image)
        return exitCode;

    device::DeviceMemoryState memory;
    const device::DeviceOutcome outcome = transfer(run, [&](Link &link, const device::TransferHooks &hooks) {
        return device::VerifyDevice(link, memory, *image, hooks);
    });
    if (outcome.deviceAnswered) {
        for (int address : device::differingAddresses(memory.VerifyBuffer, *image)) {
            say(u"%1H: soubor %2, zařízení %3"_s.arg(NumberToHexText(quint32(address), 3),
                                                     device::ByteText(image->byteAt(address)),
                                                     device::ByteText(memory.VerifyBuffer[address])));
        }
        printDifferences(*image, memory.VerifyBuffer, *format);
    }
    return finish(run, outcome.ok ? ExitOk : ExitRefused);
}

std::optional<QTime> timeArgument(const QString &text)
{
    for (const QString &format : {u"H:mm:ss"_s, u"H:mm"_s}) {
        const QTime time = QTime::fromString(text, format);
        if (time.isValid())
            return time;
    }
    return std::nullopt;
}

int runClock(QStringList args, DeviceRun &run)
{
    QString error = takeDeviceOptions(args, run);
    std::optional<QTime> newTime;
    if (error.isEmpty()) {
        if (args.size() == 2 && args[0] == u"--set") {
            newTime = timeArgument(args[1]);
            if (!newTime)
                error = u"--set: expected HH:MM or HH:MM:SS, not '%1'"_s.arg(args[1]);
        } else if (args == QStringList{u"--sync"_s}) {
            // taken below, as late as possible
        } else if (!args.isEmpty()) {
            error = u"usage: clock [--set HH:MM[:SS] | --sync]"_s;
        }
    }
    if (!error.isEmpty())
        return usageError(error);
    if (!connect(run))
        return finish(run, ExitRefused);

    prepareLinkAsAfterTest(run);
    if (args == QStringList{u"--sync"_s})
        newTime = QTime::currentTime();
    if (newTime) {
        const device::ClockOutcome stored = device::StoreDeviceTime(run.link(), *newTime);
        printNotices(stored.notices);
        if (!stored.ok)
            return finish(run, ExitRefused);
    }
    QTime deviceTime(0, 0);
    const device::ClockOutcome fetched = device::FetchDeviceTime(run.link(), deviceTime);
    printNotices(fetched.notices);
    if (!fetched.ok)
        return finish(run, ExitRefused);
    say(deviceTime.toString(u"hh:mm:ss"_s));
    return finish(run, ExitOk);
}

} // namespace

QList<Command> deviceCommands(const std::shared_ptr<link::IoPortGrant> &ioPorts)
{
    const auto overPorts = [ioPorts](int (*command)(QStringList, DeviceRun &)) {
        return [ioPorts, command](QStringList args) {
            DeviceRun run;
            run.ioPorts = ioPorts;
            return command(std::move(args), run);
        };
    };
    return {
        {u"test"_s, overPorts(runTest)},
        {u"program"_s, overPorts(runProgram)},
        {u"read"_s, overPorts(runRead)},
        {u"verify"_s, overPorts(runVerify)},
        {u"clock"_s, overPorts(runClock)},
    };
}

} // namespace pellmora::cli
