#include "cli/Commands.h"
#include "cli/DeviceRun.h"
#include "cli/ProgramFindings.h"
#include "cli/WordingOptions.h"

#include "connection/DeviceConnection.h"
#include "device/DeviceClock.h"
#include "device/DeviceMemory.h"
#include "device/HexText.h"
#include "device/ComTest.h"
#include "connection/LinkChoice.h"
#include "connection/LinkOptions.h"
#include "device/MemoryListing.h"

#include "link/Timing.h"
#include "storage/ProgramFile.h"

#include <QFileInfo>
#include <QSettings>
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

void complain(const QString &line)
{
    QTextStream(stderr) << line << '\n';
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

} // namespace

std::optional<quint16> speedValue(const QString &text, quint16 lowest, quint16 highest)
{
    bool ok = false;
    const uint value = text.toUInt(&ok);
    if (!ok || (value != 0 && (value < lowest || value > highest)))
        return std::nullopt;
    return quint16(value);
}

// The options every device command takes: the link options, the port, the
// two speeds and --verbose.
void addDeviceOptions(QCommandLineParser &parser)
{
    connection::addLinkOptions(parser);
    parser.addOptions({
        {u"port"_s, u"The port the switch hangs on (default COM1)."_s, u"COMn"_s},
        {u"eeprom-speed"_s,
         u"EEPROM transfer speed %1..%2, 0 the lowest (default 1000)."_s.arg(EepromSpeedMin).arg(EepromSpeedMax),
         u"N"_s},
        {u"pic-speed"_s,
         u"Microcontroller transfer speed %1..%2, 0 the lowest (default 60)."_s.arg(PicSpeedMin).arg(PicSpeedMax),
         u"N"_s},
        {u"verbose"_s, u"Name the link and the port in use."_s},
    });
}

// --port, when given, into `port`; an error text when it names no port.
QString takePort(const QCommandLineParser &parser, quint8 &port)
{
    if (!parser.isSet(u"port"_s))
        return {};
    const QString value = parser.value(u"port"_s);
    const std::optional<quint8> given = connection::portFromName(value);
    if (!given)
        return u"--port: expected COM1..COM4, not '%1'"_s.arg(value);
    port = *given;
    return {};
}

// A speed option, when given, into `speed`; an error text when out of range.
QString takeSpeed(const QCommandLineParser &parser, const QString &name, quint16 lowest, quint16 highest,
                  quint16 &speed)
{
    if (!parser.isSet(name))
        return {};
    const QString value = parser.value(name);
    const std::optional<quint16> given = speedValue(value, lowest, highest);
    if (!given)
        return u"--%1: expected %2..%3, not '%4'"_s.arg(name).arg(lowest).arg(highest).arg(value);
    speed = *given;
    return {};
}

// Reads the device options into `run`. The link is the one chosen in the
// window's port dialog unless the options name another. Returns an error
// text on bad usage.
QString takeDeviceOptions(const QCommandLineParser &parser, DeviceRun &run)
{
    QString error;
    const std::optional<connection::LinkOptions> linkOptions =
        connection::linkOptionsOverStored(parser, *connection::userSettings(), &error);
    if (!linkOptions)
        return error;
    run.linkOptions = *linkOptions;
    run.linkOptions.ioPorts = run.ioPorts;
    run.verbose = parser.isSet(u"verbose"_s);
    error = takePort(parser, run.state.SelectedPort);
    if (error.isEmpty())
        error = takeSpeed(parser, u"eeprom-speed"_s, EepromSpeedMin, EepromSpeedMax, run.state.EepromBaudRate);
    if (error.isEmpty())
        error = takeSpeed(parser, u"pic-speed"_s, PicSpeedMin, PicSpeedMax, run.state.PicBaudRate);
    return error;
}

// Opens the backend and calibrates both speeds, as the window does when it
// first shows. Returns false (after saying why) when the port cannot be used.
// A run on the simulated switch says so on stderr, whatever else it prints:
// its outcome says nothing of a real switch.
bool connect(DeviceRun &run)
{
    QString error;
    run.connection = DeviceConnection::open(run.linkOptions, run.state, run.state.SelectedPort, &error);
    if (!run.connection) {
        complain(error);
        return false;
    }
    if (run.connection->simulatedSwitch())
        complain(u"pellmora-cli: spojení: %1 (ne skutečný spínač)"_s.arg(run.connection->description()));
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
        return code == ExitOk ? ExitFailed : code;
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

device::TransferObserver progressObserver(ProgressBar &bar)
{
    device::TransferObserver observer;
    observer.progress = [&bar](int done, int total) { bar.show(done, total); };
    observer.verifying = [&bar] { bar.end(); };
    return observer;
}

void printNotices(const Notices &notices)
{
    for (const Notice &notice : notices)
        say(notice.text);
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

namespace {

// Reads the device options and the one program file the command works with.
std::optional<DeviceImage> takeOptionsAndImage(const QCommandLineParser &parser, DeviceRun &run, QString *error)
{
    *error = takeDeviceOptions(parser, run);
    if (!error->isEmpty())
        return std::nullopt;
    return readImage(parser.positionalArguments().constFirst(), error);
}

// Runs one EEPROM command on the prepared link with a progress bar, and
// prints what it reports.
device::DeviceOutcome transfer(DeviceRun &run,
                               const std::function<device::DeviceOutcome(Link &, const device::TransferObserver &)> &command)
{
    prepareLinkAsAfterTest(run);
    ProgressBar bar;
    const device::DeviceOutcome outcome = command(run.link(), progressObserver(bar));
    bar.end();
    printNotices(outcome.notices);
    return outcome;
}

// What a verification that read the memory found: each byte that differs,
// then what the differences mean in the wording given.
void sayDifferences(const device::DeviceMemoryState &memory, const DeviceImage &image, const InstructionFormat &format)
{
    for (int address : device::differingAddresses(memory.VerifyBuffer, image)) {
        say(u"%1H: soubor %2, zařízení %3"_s.arg(NumberToHexText(quint32(address), 3),
                                                 device::ByteText(image.byteAt(address)),
                                                 device::ByteText(memory.VerifyBuffer[address])));
    }
    printDifferences(image, memory.VerifyBuffer, format);
}

int runTest(const QCommandLineParser &parser, DeviceRun &run)
{
    const QString error = takeDeviceOptions(parser, run);
    if (!error.isEmpty())
        return usageError(error);
    if (!connect(run))
        return finish(run, ExitFailed);

    ProgressBar bar;
    device::ComTestObserver observer;
    observer.label = [&bar](const QString &text) {
        bar.end();
        say(text);
    };
    observer.progress = [&bar](int position) { bar.show(position, 100); };
    const device::ComTestOutcome outcome = device::RunComTest(run.link(), observer);
    bar.end();
    printNotices(outcome.notices);
    if (!outcome.connected)
        return finish(run, ExitFailed);
    say(QString::fromUtf8(device::ConnectedCaption));
    return finish(run, ExitOk);
}

int runProgram(const QCommandLineParser &parser, DeviceRun &run)
{
    QString error;
    const std::optional<InstructionFormat> format = wordingFrom(parser, &error);
    const std::optional<DeviceImage> image = format ? takeOptionsAndImage(parser, run, &error) : std::nullopt;
    if (!image)
        return usageError(error);
    if (!checkBeforeProgramming(*image, parser.isSet(u"strict"_s)))
        return ExitFailed;
    if (!connect(run))
        return finish(run, ExitFailed);

    say(device::programmingWarningInfo());
    say(device::programmingInfo());
    device::DeviceMemoryState memory;
    const device::DeviceOutcome outcome = transfer(run, [&](Link &link, const device::TransferObserver &observer) {
        return device::WriteDeviceMemory(link, memory, *image, observer);
    });
    if (outcome.deviceAnswered)
        sayDifferences(memory, *image, *format);
    return finish(run, outcome.ok ? ExitOk : ExitFailed);
}

int runRead(const QCommandLineParser &parser, DeviceRun &run)
{
    const QString error = takeDeviceOptions(parser, run);
    if (!error.isEmpty())
        return usageError(error);
    const QString path = parser.value(u"o"_s);
    if (!connect(run))
        return finish(run, ExitFailed);

    say(device::loadingInfo());
    DeviceImage image;
    const device::DeviceOutcome outcome = transfer(run, [&](Link &link, const device::TransferObserver &observer) {
        return device::ReadDeviceMemory(link, image, observer);
    });
    if (!outcome.ok)
        return finish(run, ExitFailed);
    if (const storage::FileReplacement written = WriteProgramFile(path, image); !written) {
        complain(path + u": cannot write the program file: "_s + written.reason);
        return finish(run, ExitFailed);
    }
    return finish(run, ExitOk);
}

int runVerify(const QCommandLineParser &parser, DeviceRun &run)
{
    QString error;
    const std::optional<InstructionFormat> format = wordingFrom(parser, &error);
    const std::optional<DeviceImage> image = format ? takeOptionsAndImage(parser, run, &error) : std::nullopt;
    if (!image)
        return usageError(error);
    if (!connect(run))
        return finish(run, ExitFailed);

    device::DeviceMemoryState memory;
    const device::DeviceOutcome outcome = transfer(run, [&](Link &link, const device::TransferObserver &observer) {
        return device::VerifyDevice(link, memory, *image, observer);
    });
    if (outcome.deviceAnswered)
        sayDifferences(memory, *image, *format);
    return finish(run, outcome.ok ? ExitOk : ExitFailed);
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

// The time --set gives, nullopt without --set; an error text when it is not
// a time of day or --sync is given too.
std::optional<QTime> newClockTime(const QCommandLineParser &parser, QString *error)
{
    if (!parser.isSet(u"set"_s))
        return std::nullopt;
    if (parser.isSet(u"sync"_s)) {
        *error = u"--set and --sync exclude each other"_s;
        return std::nullopt;
    }
    const std::optional<QTime> time = timeArgument(parser.value(u"set"_s));
    if (!time)
        *error = u"--set: expected HH:MM or HH:MM:SS, not '%1'"_s.arg(parser.value(u"set"_s));
    return time;
}

int runClock(const QCommandLineParser &parser, DeviceRun &run)
{
    QString error = takeDeviceOptions(parser, run);
    std::optional<QTime> newTime = error.isEmpty() ? newClockTime(parser, &error) : std::nullopt;
    if (!error.isEmpty())
        return usageError(error);
    if (!connect(run))
        return finish(run, ExitFailed);

    prepareLinkAsAfterTest(run);
    if (parser.isSet(u"sync"_s))
        newTime = QTime::currentTime(); // as late as possible
    if (newTime) {
        const device::ClockOutcome stored = device::StoreDeviceTime(run.link(), *newTime);
        printNotices(stored.notices);
        if (!stored.ok)
            return finish(run, ExitFailed);
    }
    QTime deviceTime(0, 0);
    const device::ClockOutcome fetched = device::FetchDeviceTime(run.link(), deviceTime);
    printNotices(fetched.notices);
    if (!fetched.ok)
        return finish(run, ExitFailed);
    say(deviceTime.toString(u"hh:mm:ss"_s));
    return finish(run, ExitOk);
}

} // namespace

QList<Command> deviceCommands(const std::shared_ptr<link::IoPortGrant> &ioPorts)
{
    const auto overPorts = [ioPorts](int (*command)(const QCommandLineParser &, DeviceRun &)) {
        return [ioPorts, command](const QCommandLineParser &parser) {
            DeviceRun run;
            run.ioPorts = ioPorts;
            return command(parser, run);
        };
    };
    const auto withOptions = [](std::initializer_list<QCommandLineOption> options) {
        return [options = QList<QCommandLineOption>(options)](QCommandLineParser &parser) {
            parser.addOptions(options);
            addDeviceOptions(parser);
        };
    };
    return {
        {.name = u"test"_s,
         .synopsis = u"[options]"_s,
         .summary = u"Runs the communication test."_s,
         .addOptions = addDeviceOptions,
         .run = overPorts(runTest)},
        {.name = u"program"_s,
         .synopsis = u"FILE.plm [--strict] "_s + QLatin1String(WordingSynopsis) + u" [options]"_s,
         .summary = u"Checks the program, writes it into the switch's EEPROM and verifies it, saying what "
                    "differs when the verification fails."_s,
         .positionalCount = 1,
         .addOptions =
             [](QCommandLineParser &parser) {
                 parser.addOption({u"strict"_s, u"Program nothing when the checks find something."_s});
                 addWordingOptions(parser);
                 addDeviceOptions(parser);
             },
         .run = overPorts(runProgram)},
        {.name = u"read"_s,
         .synopsis = u"-o FILE.plm [options]"_s,
         .summary = u"Reads the switch's EEPROM into a new program file."_s,
         .requiredOptions = {u"o"_s},
         .addOptions = withOptions({{u"o"_s, u"The program file to write."_s, u"FILE.plm"_s}}),
         .run = overPorts(runRead)},
        {.name = u"verify"_s,
         .synopsis = u"FILE.plm "_s + QLatin1String(WordingSynopsis) + u" [options]"_s,
         .summary = u"Compares the switch's EEPROM with a program file and says what differs."_s,
         .positionalCount = 1,
         .addOptions =
             [](QCommandLineParser &parser) {
                 addWordingOptions(parser);
                 addDeviceOptions(parser);
             },
         .run = overPorts(runVerify)},
        {.name = u"clock"_s,
         .synopsis = u"[--set HH:MM[:SS] | --sync] [options]"_s,
         .summary = u"Sets the switch's clock when told, then reads it."_s,
         .addOptions = withOptions({{u"set"_s, u"Set the clock to this time of day."_s, u"HH:MM[:SS]"_s},
                                    {u"sync"_s, u"Set the clock to the computer's time."_s}}),
         .run = overPorts(runClock)},
    };
}

} // namespace pellmora::cli
