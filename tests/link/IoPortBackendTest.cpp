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

// A machine with UARTs at some bases: each UART has a working scratch
// register; any other port reads 0xFF. Records the permission calls and the
// privilege changes.
struct FakeMachine {
    std::set<quint16> uarts{0x3F8, 0x2F8};
    int iopermResult = 0;
    IoPortSystem::Ids users{1000, 1000, 1000};
    IoPortSystem::Ids groups{100, 100, 100};
    bool capabilities = true;
    bool capsetFails = false;
    bool setuidFails = false;

    std::set<quint16> allowed;
    std::map<quint16, quint8> registers;
    std::vector<std::string> calls;
    int inbCalls = 0;
};

class FakeIoPortSystem : public IoPortSystem {
public:
    explicit FakeIoPortSystem(FakeMachine &m) : m_(m) {}
    int ioperm(quint16 port, bool allow) override
    {
        if (allow && m_.iopermResult != 0)
            return m_.iopermResult;
        if (allow)
            m_.allowed.insert(port);
        else
            m_.allowed.erase(port);
        return 0;
    }
    quint8 inb(quint16 port) override
    {
        ++m_.inbCalls;
        EXPECT_TRUE(m_.allowed.count(port)) << "a read of a port without permission faults: " << port;
        if (!m_.uarts.count(port & ~7))
            return 0xFF;
        return m_.registers[port];
    }
    void outb(quint16 port, quint8 value) override
    {
        EXPECT_TRUE(m_.allowed.count(port)) << "a write to a port without permission faults: " << port;
        if (m_.uarts.count(port & ~7))
            m_.registers[port] = value;
    }
    Ids userIds() override { return m_.users; }
    Ids groupIds() override { return m_.groups; }
    int setAllUserIds(unsigned uid) override
    {
        m_.calls.push_back("uid " + std::to_string(uid));
        if (m_.setuidFails)
            return -EPERM;
        m_.users = {uid, uid, uid};
        if (uid != 0)
            m_.capabilities = false; // the kernel clears them on leaving root
        return 0;
    }
    int setAllGroupIds(unsigned gid) override
    {
        m_.calls.push_back("gid " + std::to_string(gid));
        m_.groups = {gid, gid, gid};
        return 0;
    }
    int clearCapabilities() override
    {
        m_.calls.push_back("caps");
        if (m_.capsetFails)
            return -EPERM;
        m_.capabilities = false;
        return 0;
    }
    bool holdsCapabilities() override { return m_.capabilities; }
    int forbidNewPrivileges() override
    {
        m_.calls.push_back("no new");
        return 0;
    }
    bool holdsRoot() override { return m_.users.real == 0 || m_.users.effective == 0 || m_.users.saved == 0; }

private:
    FakeMachine &m_;
};

std::unique_ptr<PortIo> Open(FakeMachine &m, quint16 base, QString *error)
{
    return IoPortBackend::open(base, error, std::make_unique<FakeIoPortSystem>(m));
}

TEST(IoPortBackend, KeepsOnlyTheLinkRegistersOfBothBasesAndTheCalibrationPort)
{
    const std::pair<quint16, std::set<quint16>> cases[] = {
        {0x3F8, {0x3FB, 0x3FC, 0x3FE, 0x2FB, 0x2FC, 0x2FE, 0x2FD}},
        {0x2F8, {0x2FB, 0x2FC, 0x2FE, 0x2FD}},
    };
    for (const auto &[base, ports] : cases) {
        FakeMachine m;
        m.registers[base + 7] = 0x42;
        QString error;
        auto io = Open(m, base, &error);
        ASSERT_TRUE(io) << error.toStdString();
        EXPECT_EQ(m.allowed, ports) << base;
        EXPECT_EQ(m.registers[base + 7], 0x42) << "the scratch register gets its value back";
        EXPECT_FALSE(m.capabilities);
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
    };
    const Case cases[] = {
        {"no permission", -EPERM, {0x3F8}, "no permission to access the I/O ports"},
        {"no ioperm", -ENOSYS, {0x3F8}, "this kernel offers no direct I/O port access (ioperm)"},
        {"no uart", 0, {0x2F8}, "no serial port (UART) answers at I/O base 0x3F8 (COM1)"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FakeMachine m;
        m.iopermResult = c.iopermResult;
        m.uarts = c.uarts;
        QString error;
        EXPECT_FALSE(Open(m, 0x3F8, &error));
        EXPECT_TRUE(error.startsWith(QLatin1String(c.message))) << error.toStdString();
        EXPECT_TRUE(m.allowed.empty());
        EXPECT_FALSE(m.capabilities) << "privileges go also when the ports are refused";
    }
}

TEST(IoPortBackend, GivesUpRootAndCapabilities)
{
    struct Case {
        const char *name;
        IoPortSystem::Ids users;
        bool setuidFails;
        bool capsetFails;
        std::vector<std::string> calls;
        bool opens;
    };
    const Case cases[] = {
        {"file capability", {1000, 1000, 1000}, false, false, {"caps", "no new"}, true},
        {"set-user-id root", {1000, 0, 0}, false, false, {"gid 100", "uid 1000", "caps", "no new"}, true},
        {"set-user-id root, setuid refused", {1000, 0, 0}, true, false, {"gid 100", "uid 1000"}, false},
        {"capabilities stay", {1000, 1000, 1000}, false, true, {"caps"}, false},
        {"real root", {0, 0, 0}, false, false, {"caps", "no new"}, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FakeMachine m;
        m.users = c.users;
        m.setuidFails = c.setuidFails;
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

    const int before = m.inbCalls;
    for (const quint16 port : {0x3F8, 0x3FF, 0x3E8, 0x80, 0x400, 0xFFFF}) {
        EXPECT_EQ(io->PortIn(port), 0xFF) << port;
        io->PortOut(port, 0x00);
    }
    EXPECT_EQ(m.inbCalls, before);

    quint8 fromOtherThread = 0;
    std::thread([&] { fromOtherThread = io->PortIn(0x3FE); }).join();
    EXPECT_EQ(fromOtherThread, 0xFF) << "the port permission belongs to the opening thread";
    EXPECT_EQ(m.inbCalls, before);
}

TEST(IoPortBackend, BaseOutsideTheSerialRangeIsRefused)
{
    FakeMachine m;
    QString error;
    EXPECT_FALSE(Open(m, 0x3FC, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(m.allowed.empty());
    EXPECT_FALSE(m.capabilities);
}

} // namespace
} // namespace pellmora::test
