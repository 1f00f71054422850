#include "FakeIoPortSystem.h"

#include "link/IoPortBackend.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <set>
#include <thread>

using namespace pellmora;
using namespace pellmora::port;
using namespace pellmora::link;

namespace pellmora::test {
namespace {

std::shared_ptr<IoPortGrant> Take(FakeMachine &m)
{
    return IoPortGrant::take(std::make_unique<FakeIoPortSystem>(m));
}

std::unique_ptr<PortIo> Open(FakeMachine &m, quint16 base, QString *error)
{
    return IoPortBackend::open(base, Take(m), error);
}

TEST(IoPortBackend, KeepsOnlyTheLinkRegistersOfEveryUartAndTheCalibrationPort)
{
    const std::pair<std::set<quint16>, std::set<quint16>> cases[] = {
        {{0x3F8, 0x2F8}, {0x3FB, 0x3FC, 0x3FE, 0x2FB, 0x2FC, 0x2FE, 0x2FD}},
        {{0x2F8}, {0x2FB, 0x2FC, 0x2FE, 0x2FD}},
        {{0x3F8, 0x2F8, 0x3E8, 0x2E8},
         {0x3FB, 0x3FC, 0x3FE, 0x2FB, 0x2FC, 0x2FE, 0x3EB, 0x3EC, 0x3EE, 0x2EB, 0x2EC, 0x2EE, 0x2FD}},
    };
    for (const auto &[uarts, ports] : cases) {
        FakeMachine m;
        m.uarts = uarts;
        for (const quint16 base : uarts)
            m.registers[base + 7] = 0x42;
        const std::shared_ptr<IoPortGrant> grant = Take(m);
        EXPECT_EQ(m.allowed, ports);
        EXPECT_FALSE(m.capabilities);
        for (const quint16 base : uarts) {
            QString error;
            EXPECT_TRUE(IoPortBackend::open(base, grant, &error)) << base << ": " << error.toStdString();
            EXPECT_EQ(m.registers[base + 7], 0x42) << "the scratch register gets its value back";
        }
    }
}

TEST(IoPortBackend, NoUartAtTheServiceBaseLeavesItOut)
{
    FakeMachine m;
    m.uarts = {0x3F8};
    QString error;
    auto io = Open(m, 0x3F8, &error);
    ASSERT_TRUE(io);
    EXPECT_EQ(m.allowed, (std::set<quint16>{0x3FB, 0x3FC, 0x3FE, 0x2FD}));
    const int before = m.inbCalls;
    EXPECT_EQ(io->PortIn(0x2FE), 0xFF);
    io->PortOut(0x2FC, 0x03);
    EXPECT_EQ(m.inbCalls, before);
}

TEST(IoPortBackend, RefusalsNameTheCauseAndLeaveNothingBehind)
{
    struct Case {
        const char *name;
        int iopermResult;
        std::set<quint16> uarts;
        const char *message;
        std::set<quint16> kept;
        bool lockedDown = false;
    };
    const Case cases[] = {
        {"no permission", -EPERM, {0x3F8}, "K portům I/O chybí oprávnění", {}},
        {"kernel locked down", 0, {0x3F8}, "Jádro je uzamčeno (lockdown", {}, true},
        {"other refusal in Czech", -EFAULT, {0x3F8}, "Přímý přístup k portům I/O byl odmítnut: systémová chyba č. 14",
         {}},
        {"no ioperm", -ENOSYS, {0x3F8}, "Toto jádro nedovoluje přímý přístup k portům I/O (ioperm)", {}},
        {"no uart", 0, {0x2F8}, "Na adrese I/O 0x3F8 (COM1) neodpovídá žádný sériový port (UART)",
         {0x2FB, 0x2FC, 0x2FE, 0x2FD}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FakeMachine m;
        m.iopermResult = c.iopermResult;
        m.uarts = c.uarts;
        m.lockedDown = c.lockedDown;
        QString error;
        EXPECT_FALSE(Open(m, 0x3F8, &error));
        EXPECT_TRUE(error.startsWith(QString::fromUtf8(c.message))) << error.toStdString();
        EXPECT_EQ(m.allowed, c.kept);
        EXPECT_FALSE(m.capabilities) << "privileges go also when the ports are refused";
    }
}

TEST(IoPortBackend, GivesUpEveryCapabilityOnceItHasThePorts)
{
    struct Case {
        const char *name;
        bool capsetFails;
        std::vector<std::string> calls;
        bool opens;
    };
    const Case cases[] = {
        {"capabilities go", false, {"ioperm", "caps", "no new"}, true},
        {"capabilities stay", true, {"ioperm", "caps", "ioperm"}, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FakeMachine m;
        m.capsetFails = c.capsetFails;
        QString error;
        EXPECT_EQ(bool(Open(m, 0x3F8, &error)), c.opens) << error.toStdString();
        EXPECT_EQ(m.calls, c.calls);
        if (!c.opens) {
            EXPECT_TRUE(error.contains(QLatin1String("could not give up"))) << error.toStdString();
            EXPECT_TRUE(m.allowed.empty());
        }
    }
}

TEST(IoPortBackend, AccessesOutsideThePermittedPortsCannotFault)
{
    FakeMachine m;
    QString error;
    auto io = Open(m, 0x3F8, &error);
    ASSERT_TRUE(io);
    m.registers[0x3FE] = 0x30;
    EXPECT_EQ(io->PortIn(0x3FE), 0x30);
    io->PortOut(0x3FC, 0x0B);
    EXPECT_EQ(m.registers[0x3FC], 0x0B);
    EXPECT_FALSE(io->portFailed());

    // Each access that reaches no port is a port failure for the transfer
    // that made it; the next operation starts afresh.
    const int before = m.inbCalls;
    for (const quint16 port : {0x3F8, 0x3FF, 0x3E8, 0x80, 0x400, 0xFFFF}) {
        io->recover();
        EXPECT_EQ(io->PortIn(port), 0xFF) << port;
        EXPECT_TRUE(io->portFailed()) << port;
        io->recover();
        io->PortOut(port, 0x00);
        EXPECT_TRUE(io->portFailed()) << port;
    }
    EXPECT_EQ(m.inbCalls, before);
    io->recover();
    EXPECT_FALSE(io->portFailed());

    quint8 fromOtherThread = 0;
    std::thread([&] { fromOtherThread = io->PortIn(0x3FE); }).join();
    EXPECT_EQ(fromOtherThread, 0xFF) << "the port permission belongs to the thread that took the ports";
    EXPECT_EQ(m.inbCalls, before);
    EXPECT_TRUE(io->portFailed());
}

TEST(IoPortBackend, BaseOutsideTheSerialRangeIsRefused)
{
    FakeMachine m;
    QString error;
    EXPECT_FALSE(Open(m, 0x3FC, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(m.capabilities);
}

} // namespace
} // namespace pellmora::test
