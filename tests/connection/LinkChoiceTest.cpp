#include "connection/CommandLine.h"
#include "connection/DeviceConnection.h"
#include "connection/LinkChoice.h"
#include "connection/SerialDevices.h"

#include "device/ComTest.h"
#include "device/DeviceMemory.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

using namespace pellmora;
using namespace pellmora::link;
using namespace pellmora::connection;
using namespace Qt::StringLiterals;

namespace pellmora::connection {
void PrintTo(const LinkChoice &choice, std::ostream *out)
{
    *out << backendName(choice.backend).toStdString() << " '" << choice.ttyDevice.toStdString() << "' '"
         << choice.ftdiDevice.toStdString() << "'";
}
void PrintTo(const SerialDevice &device, std::ostream *out)
{
    *out << device.path.toStdString() << " [" << device.byId.toStdString() << "]";
}
} // namespace pellmora::connection

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// What one run writes is what the next one reads.
TEST(LinkChoice, StoredChoiceSurvivesARestart)
{
    const QList<LinkChoice> choices = {
        {Backend::Sim, {}},
        {Backend::Tty, {}},
        {Backend::Tty, u"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"_s},
        {Backend::Tty, u"/dev/ttyUSB0"_s},
        {Backend::IoPort, {}},
    };
    for (const LinkChoice &choice : choices) {
        QTemporaryDir dir;
        const QString file = dir.filePath(u"pellmora.conf"_s);
        {
            QSettings settings(file, QSettings::IniFormat);
            EXPECT_EQ(readLinkChoice(settings), std::nullopt) << "nothing stored yet";
            EXPECT_TRUE(writeLinkChoice(settings, choice));
        }
        QSettings again(file, QSettings::IniFormat);
        EXPECT_EQ(readLinkChoice(again), choice);
    }
}

// The settings file is the user's: whatever it holds, only a known link is
// taken from it.
TEST(LinkChoice, StoredTextIsUntrusted)
{
    struct Case {
        const char *name;
        QByteArray contents;
        std::optional<LinkChoice> choice;
    };
    const QList<Case> cases = {
        {"unknown link", "[link]\nbackend=usb\nttyDevice=/dev/ttyUSB0\n", std::nullopt},
        {"link in capitals", "[link]\nbackend=TTY\n", std::nullopt},
        {"no link, a device", "[link]\nttyDevice=/dev/ttyUSB0\n", std::nullopt},
        {"other group", "[port]\nbackend=tty\n", std::nullopt},
        {"binary garbage", QByteArray("\xff\xfe\x00[link\n\x01=\x02", 12), std::nullopt},
        {"tty without a device", "[link]\nbackend=tty\n", LinkChoice{Backend::Tty, {}}},
        {"overlong device path", "[link]\nbackend=tty\nttyDevice=/dev/" + QByteArray(5000, 'x') + "\n",
         LinkChoice{Backend::Tty, {}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        writeFile(dir.filePath(u"pellmora.conf"_s), c.contents);
        QSettings settings(dir.filePath(u"pellmora.conf"_s), QSettings::IniFormat);
        EXPECT_EQ(readLinkChoice(settings), c.choice);
    }
}

// The stored choice is the link of a run unless the command line names
// another; an option given replaces only its own part.
TEST(LinkChoice, CommandLineOverridesTheStoredChoiceForOneRun)
{
    struct Case {
        const char *name;
        std::optional<LinkChoice> stored;
        QStringList args;
        LinkChoice used;
    };
    const LinkChoice usb{Backend::Tty, u"/dev/ttyUSB0"_s};
    const QList<Case> cases = {
        {"nothing stored, nothing given", std::nullopt, {u"test"_s}, {Backend::Sim, {}}},
        {"stored serial device", usb, {u"test"_s}, usb},
        {"stored I/O ports", LinkChoice{Backend::IoPort, {}}, {}, {Backend::IoPort, {}}},
        {"--link sim over a serial device", usb, {u"--link"_s, u"sim"_s}, {Backend::Sim, u"/dev/ttyUSB0"_s}},
        {"--link tty keeps the stored device", usb, {u"--link=tty"_s}, usb},
        {"--link tty over the simulation", LinkChoice{Backend::Sim, {}}, {u"--link"_s, u"tty"_s}, {Backend::Tty, {}}},
        {"another device", usb, {u"--tty-device"_s, u"/dev/ttyACM0"_s}, {Backend::Tty, u"/dev/ttyACM0"_s}},
        {"a device alone means a serial device", LinkChoice{Backend::IoPort, {}},
         {u"--tty-device=/dev/ttyUSB1"_s}, {Backend::Tty, u"/dev/ttyUSB1"_s}},
        {"--link beats the device's implied link", std::nullopt,
         {u"--tty-device"_s, u"/dev/ttyUSB1"_s, u"--link"_s, u"ioport"_s}, {Backend::IoPort, u"/dev/ttyUSB1"_s}},
        {"stored FTDI cable", LinkChoice{Backend::Ftdi, {}, u"FT4711"_s}, {u"test"_s},
         {Backend::Ftdi, {}, u"FT4711"_s}},
        {"another FTDI cable for one run", LinkChoice{Backend::Ftdi, {}, u"FT4711"_s},
         {u"--ftdi-device=FT0815"_s}, {Backend::Ftdi, {}, u"FT0815"_s}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        QSettings settings(dir.filePath(u"pellmora.conf"_s), QSettings::IniFormat);
        if (c.stored) {
            ASSERT_TRUE(writeLinkChoice(settings, *c.stored));
        }
        QCommandLineParser parser;
        prepareParser(parser);
        addLinkOptions(parser);
        QString error;
        ASSERT_EQ(parseArguments(parser, QStringList{u"pellmora"_s} + c.args, &error), CommandLineRequest::Run)
            << error.toStdString();
        const std::optional<LinkOptions> options = linkOptionsOverStored(parser, settings, &error);
        ASSERT_TRUE(options) << error.toStdString();
        EXPECT_EQ(linkChoiceOf(*options), c.used);
        EXPECT_EQ(parser.positionalArguments(), c.args.contains(u"test"_s) ? QStringList{u"test"_s} : QStringList{});
        EXPECT_EQ(readLinkChoice(settings), c.stored) << "a run's own link is never stored";
    }
}

// A machine laid out in a folder: device nodes as files, by-id names as
// relative links, sysfs port types.
TEST(SerialDevices, ListsUartsAndAdaptersWithTheirStableNames)
{
    QTemporaryDir root;
    const auto node = [&root](const QString &path) { writeFile(root.filePath(path.mid(1)), {}); };
    for (const QString &name : {u"ttyS0"_s, u"ttyS1"_s, u"ttyS10"_s, u"ttyS2"_s, u"ttyUSB1"_s, u"ttyUSB0"_s,
                                u"ttyACM0"_s, u"tty0"_s, u"ttyS"_s, u"ttySx"_s, u"console"_s, u"ttyUSB"_s})
        node(u"/dev/"_s + name);
    // The kernel's nodes without a UART behind them have port type 0.
    writeFile(root.filePath(u"sys/class/tty/ttyS0/type"_s), "4\n");
    writeFile(root.filePath(u"sys/class/tty/ttyS1/type"_s), "0\n");
    writeFile(root.filePath(u"sys/class/tty/ttyS2/type"_s), "0\n");
    QDir().mkpath(root.filePath(u"dev/serial/by-id"_s));
    ASSERT_TRUE(QFile::link(u"../../ttyUSB0"_s,
                            root.filePath(u"dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"_s)));
    ASSERT_TRUE(QFile::link(u"../../ttyACM0"_s, root.filePath(u"dev/serial/by-id/usb-Arduino_Uno_1234-if00"_s)));
    ASSERT_TRUE(QFile::link(u"../../gone"_s, root.filePath(u"dev/serial/by-id/usb-Gone-if00"_s)));

    const QList<SerialDevice> expected = {
        {u"/dev/ttyS0"_s, {}},
        {u"/dev/ttyS10"_s, {}}, // no sysfs entry: listed
        {u"/dev/ttyUSB0"_s, u"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"_s},
        {u"/dev/ttyUSB1"_s, {}},
        {u"/dev/ttyACM0"_s, u"/dev/serial/by-id/usb-Arduino_Uno_1234-if00"_s},
    };
    EXPECT_EQ(listSerialDevices(root.path()), expected);
    EXPECT_EQ(expected[2].preferredPath(), expected[2].byId);
    EXPECT_EQ(expected[3].preferredPath(), u"/dev/ttyUSB1"_s);

    QTemporaryDir empty;
    EXPECT_TRUE(listSerialDevices(empty.path()).isEmpty());
}

// A serial device that cannot be opened leaves the connection closed, not
// missing: it says why, fails every access, and each operation that starts
// tries to open it again.
TEST(DeviceConnection, ClosedLinkSaysWhyAndIsTriedAgainByEachOperation)
{
    QTemporaryDir dir;
    LinkOptions options;
    options.backend = Backend::Tty;
    options.ttyDevice = dir.filePath(u"ttyUSB0"_s);
    LinkState state;
    QString error;
    auto connection = DeviceConnection::create(options, state, 0, &error);
    ASSERT_TRUE(connection);
    const QString missing = u"Sériový port %1 neexistuje"_s.arg(options.ttyDevice);
    EXPECT_EQ(connection->closedReason(), missing);
    EXPECT_EQ(connection->link().portClosedReason(), missing);
    EXPECT_TRUE(connection->link().portFailed());
    EXPECT_EQ(connection->description(), options.ttyDevice);
    int changes = 0;
    connection->setStateObserver([&changes] { ++changes; });

    { const LinkSession operation(connection->link()); }
    EXPECT_EQ(changes, 0) << "tried again, for the same reason";

    // Something that is no serial port appears under the name.
    writeFile(options.ttyDevice, "x");
    const device::ComTestOutcome outcome = device::RunComTest(connection->link());
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(connection->closedReason().startsWith(u"%1 není sériový port"_s.arg(options.ttyDevice)))
        << connection->closedReason().toStdString();
    EXPECT_EQ(outcome.error, 2);
    ASSERT_EQ(outcome.notices.size(), 2);
    EXPECT_EQ(outcome.notices[0].text, connection->closedReason());

    // The command line's way: a command that needs the device is refused.
    EXPECT_FALSE(DeviceConnection::open(options, state, 0, &error));
    EXPECT_EQ(error, connection->closedReason());
}

// The port dialog moves the connection to another link without a restart,
// but not under a running operation.
TEST(DeviceConnection, ChangesTheLinkUnlessAnOperationRuns)
{
    QTemporaryDir dir;
    LinkOptions options;
    options.simMemoryNone = true;
    LinkState state;
    QString error;
    auto connection = DeviceConnection::create(options, state, 0, &error);
    ASSERT_TRUE(connection);
    int changes = 0;
    connection->setStateObserver([&changes] { ++changes; });
    sim::SimulatedSwitch *simulation = connection->simulatedSwitch();
    ASSERT_TRUE(simulation);

    const LinkChoice missing{Backend::Tty, dir.filePath(u"ttyUSB0"_s)};
    {
        const LinkSession running(connection->link());
        EXPECT_FALSE(connection->changeLink(missing, 1, &error));
        EXPECT_EQ(error, device::busyText());
        EXPECT_EQ(connection->linkChoice(), linkChoiceOf(options));
    }
    EXPECT_TRUE(connection->changeLink(missing, 1, &error));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(connection->linkChoice(), missing);
    EXPECT_EQ(connection->openedPort(), 1);
    EXPECT_EQ(connection->simulatedSwitch(), nullptr);
    EXPECT_TRUE(connection->closedReason().contains(missing.ttyDevice));

    // Back on the simulation, whose memory the switch kept.
    EXPECT_TRUE(connection->changeLink({Backend::Sim, {}}, 1, &error));
    EXPECT_EQ(connection->simulatedSwitch(), simulation);
    EXPECT_TRUE(connection->closedReason().isEmpty());
    EXPECT_FALSE(connection->link().portFailed());
    EXPECT_EQ(connection->description(), u"simulovaný spínač na COM1"_s);
}

} // namespace
