#include "connection/CommandLine.h"
#include "connection/DeviceConnection.h"
#include "device/DeviceMemory.h"
#include "connection/LinkOptions.h"

#include "sim/SimulatedSwitch.h"

#include "FakeFtdiChip.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace pellmora;
using namespace pellmora::model;
using namespace pellmora::port;
using namespace pellmora::link;
using namespace pellmora::sim;
using namespace pellmora::device;
using namespace pellmora::connection;
using namespace Qt::StringLiterals;
using pellmora::sim::Fault;

namespace {

// The link options of `args` as the programs read them, with the positional
// arguments left in `rest`; nullopt with the error when refused.
std::optional<LinkOptions> parsed(const QStringList &args, QString *error, QStringList *rest = nullptr)
{
    QCommandLineParser parser;
    prepareParser(parser);
    addLinkOptions(parser);
    if (parseArguments(parser, QStringList{u"pellmora"_s} + args, error) != CommandLineRequest::Run)
        return std::nullopt;
    if (rest)
        *rest = parser.positionalArguments();
    return linkOptionsFrom(parser, error);
}

TEST(LinkOptions, TakesItsOptionsAndLeavesTheRestInOrder)
{
    struct Case {
        QStringList args;
        QStringList rest;
        std::function<bool(const LinkOptions &)> holds;
    };
    const QList<Case> cases = {
        {{u"program"_s, u"a.plm"_s}, {u"program"_s, u"a.plm"_s},
         [](const LinkOptions &o) {
             return o.backend == Backend::Sim && o.simPort == 0 && !o.simMemoryPath && !o.simMemoryNone
                    && o.simFaults.isEmpty() && o.tracePath.isEmpty();
         }},
        {{u"--link"_s, u"tty"_s, u"x"_s, u"--tty-device=/dev/ttyUSB0"_s}, {u"x"_s},
         [](const LinkOptions &o) { return o.backend == Backend::Tty && o.ttyDevice == u"/dev/ttyUSB0"; }},
        {{u"--link=ioport"_s}, {}, [](const LinkOptions &o) { return o.backend == Backend::IoPort; }},
        {{u"--link"_s, u"ftdi"_s, u"--ftdi-device"_s, u"FT4711"_s, u"y"_s}, {u"y"_s},
         [](const LinkOptions &o) { return o.backend == Backend::Ftdi && o.ftdiDevice == u"FT4711"; }},
        {{u"--link=ftdi"_s}, {}, [](const LinkOptions &o) { return o.backend == Backend::Ftdi && o.ftdiDevice.isEmpty(); }},
        {{u"--sim-port"_s, u"com3"_s, u"--sim-memory"_s, u"none"_s}, {},
         [](const LinkOptions &o) { return o.simPort == 2 && o.simMemoryNone && !o.simMemoryPath; }},
        {{u"--sim-memory"_s, u"/tmp/m.bin"_s}, {},
         [](const LinkOptions &o) { return o.simMemoryPath == u"/tmp/m.bin" && !o.simMemoryNone; }},
        {{u"--sim-fault"_s, u"flip-bit"_s, u"o"_s, u"--sim-fault"_s, u"no-eeprom"_s, u"--sim-fault=flip-bit"_s},
         {u"o"_s},
         [](const LinkOptions &o) { return o.simFaults == QList<Fault>{Fault::FlipBit, Fault::NoEeprom}; }},
        {{u"--trace"_s, u"bus.vcd"_s, u"port"_s, u"COM2"_s}, {u"port"_s, u"COM2"_s},
         [](const LinkOptions &o) { return o.tracePath == u"bus.vcd"; }},
    };
    for (const Case &c : cases) {
        QString error;
        QStringList rest;
        const std::optional<LinkOptions> options = parsed(c.args, &error, &rest);
        ASSERT_TRUE(options) << c.args.join(u' ').toStdString() << ": " << error.toStdString();
        EXPECT_TRUE(c.holds(*options)) << c.args.join(u' ').toStdString();
        EXPECT_EQ(rest, c.rest);
    }
}

TEST(LinkOptions, BadValuesAreRefusedByName)
{
    struct Case {
        QStringList args;
        QString error;
    };
    const QList<Case> cases = {
        {{u"--link"_s, u"serial"_s}, u"--link: expected sim, ioport, tty or ftdi, not 'serial'"_s},
        {{u"--link"_s}, u"--link needs a value"_s},
        {{u"--sim-port"_s, u"COM5"_s}, u"--sim-port: expected COM1..COM4, not 'COM5'"_s},
        {{u"--sim-port"_s, u"1"_s}, u"--sim-port: expected COM1..COM4, not '1'"_s},
        {{u"--sim-fault"_s, u"fire"_s}, u"--sim-fault: unknown fault 'fire' (known: "_s},
        {{u"--trace="_s}, u"--trace needs a value"_s},
        {{u"a"_s, u"--tty-device"_s}, u"--tty-device needs a value"_s},
        {{u"--ftdi-device"_s}, u"--ftdi-device needs a value"_s},
    };
    for (const Case &c : cases) {
        QString error;
        EXPECT_FALSE(parsed(c.args, &error)) << c.args.join(u' ').toStdString();
        EXPECT_TRUE(error.startsWith(c.error)) << error.toStdString();
    }
}

TEST(LinkOptions, PortNamesBothWays)
{
    for (quint8 port = 0; port < 4; ++port)
        EXPECT_EQ(portFromName(portName(port)), port);
    EXPECT_FALSE(portFromName(u"COM0"));
    EXPECT_FALSE(portFromName(u"LPT1"));
}

TEST(DeviceConnection, SimulatedSwitchWithTraceAndPersistentMemory)
{
    QTemporaryDir dir;
    LinkOptions options;
    options.simPort = 1;
    options.simMemoryPath = dir.filePath(u"memory.bin"_s);
    options.tracePath = dir.filePath(u"bus.vcd"_s);
    LinkState state;
    QString error;
    {
        auto connection = DeviceConnection::open(options, state, 1, &error);
        ASSERT_TRUE(connection) << error.toStdString();
        EXPECT_EQ(connection->description(), u"simulovaný spínač na COM2"_s);
        ASSERT_TRUE(connection->simulatedSwitch());
        connection->simulatedSwitch()->setMemory(QByteArray(512, '\x5A'));
        state.PortBase = 0x2F8;
        connection->link().LinkPowerOn(); // through the trace
        EXPECT_TRUE(connection->finish(&error)) << error.toStdString();
    }
    QFile trace(options.tracePath);
    ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
    EXPECT_TRUE(trace.readAll().contains("$timescale"));

    // The next run finds the memory the last one left.
    auto again = DeviceConnection::open(options, state, 1, &error);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->simulatedSwitch()->memory(), QByteArray(512, '\x5A'));
}

TEST(DeviceConnection, BlankMemoryEveryRunAndNoFileWhenTold)
{
    QTemporaryDir dir;
    LinkOptions options;
    options.simMemoryNone = true;
    LinkState state;
    QString error;
    auto connection = DeviceConnection::open(options, state, 0, &error);
    ASSERT_TRUE(connection);
    EXPECT_TRUE(connection->simulatedSwitch()->options().memoryPath.isEmpty());
    EXPECT_EQ(connection->simulatedSwitch()->memory(), QByteArray(512, '\xFF'));
}

TEST(DeviceConnection, FollowsTheSelectedPort)
{
    LinkState state;
    LinkOptions options;
    options.simMemoryNone = true;
    QString error;
    auto simulated = DeviceConnection::open(options, state, 0, &error);
    ASSERT_TRUE(simulated);
    EXPECT_TRUE(simulated->followSelectedPort(2, &error));
    EXPECT_EQ(simulated->openedPort(), 2);
    EXPECT_FALSE(simulated->followSelectedPort(4, &error));
    {
        LinkSession running(simulated->link());
        EXPECT_FALSE(simulated->followSelectedPort(1, &error));
        EXPECT_EQ(error, busyText());
    }
    EXPECT_EQ(simulated->openedPort(), 2);
}

TEST(DeviceConnection, RealBackendsThatCannotOpenSayWhy)
{
    LinkState state;
    LinkOptions tty;
    tty.backend = Backend::Tty;
    tty.ttyDevice = u"/nonexistent/ttyX"_s;
    QString error;
    EXPECT_FALSE(DeviceConnection::open(tty, state, 0, &error));
    EXPECT_TRUE(error.contains(u"/nonexistent/ttyX"_s)) << error.toStdString();

    error.clear();
    LinkOptions ftdi;
    ftdi.backend = Backend::Ftdi;
    ftdi.ftdiDevice = u"no-such-cable"_s;
    EXPECT_FALSE(DeviceConnection::open(ftdi, state, 0, &error));
    EXPECT_FALSE(error.isEmpty());

    error.clear();
    EXPECT_FALSE(DeviceConnection::open(LinkOptions{}, state, 4, &error));
    EXPECT_FALSE(error.isEmpty());
}

// An FTDI cable serves whichever port is selected, and the window and
// --verbose name it by its serial number; the cables connected are listed
// for the choice of the link.
TEST(DeviceConnection, AnFtdiCableServesEveryPortAndIsNamedBySerialNumber)
{
    test::FakeFtdiChip chip;
    chip.serials = {u"FTA"_s, u"FTB"_s};
    EXPECT_EQ(ConnectedFtdiCables(*std::make_unique<test::FakeFtdiSystem>(chip)), (QStringList{u"FTA"_s, u"FTB"_s}));

    LinkOptions options;
    options.backend = Backend::Ftdi;
    options.ftdiDevice = u"FTB"_s;
    options.ftdiSystem = [&chip] { return std::make_unique<test::FakeFtdiSystem>(chip); };
    LinkState state;
    QString error;
    auto connection = DeviceConnection::open(options, state, 0, &error);
    ASSERT_TRUE(connection) << error.toStdString();
    EXPECT_EQ(connection->description(), u"kabel FTDI FTB"_s);
    EXPECT_TRUE(connection->followSelectedPort(2, &error));
    EXPECT_EQ(chip.opens, 1) << "not opened again for another port";
    state.PortBase = Link::ComPortBase(2);
    connection->link().LinkPowerOn();
    EXPECT_EQ(chip.pins & link::ftdi::OutputPins, 0) << "supply on, both lines high";

    chip.failSearch = -5;
    EXPECT_TRUE(ConnectedFtdiCables(*std::make_unique<test::FakeFtdiSystem>(chip), &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
