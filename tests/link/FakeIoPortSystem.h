#pragma once

#include "link/IoPortBackend.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace pellmora::test {

// A machine with UARTs at some bases: each UART has a working scratch
// register; any other port reads 0xFF. Records the permission calls and the
// privilege changes in order ("ioperm" once for a run of port permission
// calls).
struct FakeMachine {
    std::set<quint16> uarts{0x3F8, 0x2F8};
    int iopermResult = 0;
    bool capabilities = true;
    bool capsetFails = false;
    bool lockedDown = false; // the kernel refuses ioperm to everyone

    std::set<quint16> allowed;
    std::map<quint16, quint8> registers;
    std::vector<std::string> calls;
    int inbCalls = 0;

    void record(const std::string &call)
    {
        if (call != "ioperm" || calls.empty() || calls.back() != call)
            calls.push_back(call);
    }
};

class FakeIoPortSystem : public link::IoPortSystem {
public:
    explicit FakeIoPortSystem(FakeMachine &m) : m_(m) {}
    int ioperm(quint16 port, bool allow) override
    {
        m_.record("ioperm");
        if (allow && (!m_.capabilities || m_.lockedDown))
            return -EPERM;
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
    int clearCapabilities() override
    {
        m_.record("caps");
        if (m_.capsetFails)
            return -EPERM;
        m_.capabilities = false;
        return 0;
    }
    bool holdsCapabilities() override { return m_.capabilities; }
    bool lockedDown() override { return m_.lockedDown; }
    int forbidNewPrivileges() override
    {
        m_.record("no new");
        return 0;
    }

private:
    FakeMachine &m_;
};

} // namespace pellmora::test
