#include "connection/StartupPrivileges.h"

#include "connection/DeviceConnection.h"
#include "connection/LinkOptions.h"

#include "FakeIoPortSystem.h"

#include <gtest/gtest.h>

using namespace pellmora;
using namespace pellmora::link;
using namespace pellmora::connection;
using namespace Qt::StringLiterals;

namespace pellmora::test {
namespace {

TEST(StartupPrivileges, PortsOnlyForDirectIoThenNoCapabilityLeft)
{
    struct Case {
        const char *name;
        QStringList args;
        bool capable; // the program file holds CAP_SYS_RAWIO
        bool capsetFails;
        std::vector<std::string> calls;
        bool ports;
        bool goesOn;
    };
    const Case cases[] = {
        // No link named: the stored choice may be the I/O ports, which a
        // program file given the capability takes in case.
        {"no link option", {u"test"_s}, true, false, {"ioperm", "caps", "no new"}, true, true},
        {"no link option without the capability", {u"test"_s}, false, false, {"caps", "no new"}, false, true},
        {"serial device alone", {u"--tty-device=/dev/ttyUSB0"_s}, true, false, {"caps", "no new"}, false, true},
        {"sim", {u"--link"_s, u"sim"_s, u"test"_s}, true, false, {"caps", "no new"}, false, true},
        {"tty", {u"test"_s, u"--link=tty"_s}, true, false, {"caps", "no new"}, false, true},
        {"bad link option", {u"--link"_s, u"bogus"_s}, true, false, {"caps", "no new"}, false, true},
        {"ioport", {u"test"_s, u"--link"_s, u"ioport"_s}, true, false, {"ioperm", "caps", "no new"}, true, true},
        // The command's own options are not known at start-up and must not hide the link.
        {"ioport among a command's options", {u"read"_s, u"-o"_s, u"x.plm"_s, u"--verbose"_s, u"--link"_s,
                                              u"ioport"_s, u"--port"_s, u"COM2"_s},
         true, false, {"ioperm", "caps", "no new"}, true, true},
        {"ioport without the capability", {u"--link=ioport"_s}, false, false, {"ioperm", "caps", "no new"}, false,
         true},
        {"sim, capabilities stay", {u"--link"_s, u"sim"_s}, true, true, {"caps"}, false, false},
        {"ioport, capabilities stay", {u"--link"_s, u"ioport"_s}, true, true, {"ioperm", "caps", "ioperm"}, false,
         false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FakeMachine m;
        m.capabilities = c.capable;
        m.capsetFails = c.capsetFails;
        const StartupPrivileges privileges =
            TakeStartupPrivileges(c.args, std::make_unique<FakeIoPortSystem>(m));
        EXPECT_EQ(m.calls, c.calls);
        EXPECT_EQ(privileges.error.isEmpty(), c.goesOn) << privileges.error.toStdString();
        EXPECT_EQ(m.capabilities, c.capsetFails);
        EXPECT_EQ(privileges.ioPorts && privileges.ioPorts->holdsUart(0x3F8), c.ports);
        EXPECT_EQ(!m.allowed.empty(), c.ports);
    }
}

// The ports of every COM base are taken at start-up, so the port dialog can
// move the link to another port where a UART answered; never the rights
// again.
TEST(StartupPrivileges, DirectIoFollowsTheSelectedPortOverThePortsTaken)
{
    FakeMachine m;
    QStringList args{u"--link"_s, u"ioport"_s};
    const StartupPrivileges privileges = TakeStartupPrivileges(args, std::make_unique<FakeIoPortSystem>(m));
    QCommandLineParser parser;
    addLinkOptions(parser);
    ASSERT_TRUE(parser.parse(QStringList{u"pellmora"_s} + args));
    QString error;
    std::optional<LinkOptions> options = linkOptionsFrom(parser, &error);
    ASSERT_TRUE(options);
    LinkState state;
    EXPECT_FALSE(DeviceConnection::open(*options, state, 0, &error)) << "no ports taken, none taken later";
    options->ioPorts = privileges.ioPorts;
    const auto connection = DeviceConnection::open(*options, state, 0, &error);
    ASSERT_TRUE(connection) << error.toStdString();
    EXPECT_EQ(connection->description(), u"porty I/O 0x3F8"_s);
    EXPECT_TRUE(connection->followSelectedPort(1, &error)) << error.toStdString();
    EXPECT_EQ(connection->description(), u"porty I/O 0x2F8"_s);
    EXPECT_FALSE(connection->followSelectedPort(2, &error));
    EXPECT_EQ(error, u"Na adrese I/O 0x3E8 (COM3) neodpovídá žádný sériový port (UART)"_s);
    EXPECT_EQ(connection->openedPort(), 1);
}

} // namespace
} // namespace pellmora::test
