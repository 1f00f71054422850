#pragma once

#include "port/PortIo.h"

#include <QString>

#include <bitset>
#include <memory>
#include <thread>

namespace pellmora::link {

// The operating-system calls the direct I/O port backend needs. The real one
// talks to the kernel; tests hand in a fake. Calls that can fail return 0 or
// a negative errno value.
class IoPortSystem {
public:
    struct Ids {
        unsigned real = 0, effective = 0, saved = 0;
    };
    virtual ~IoPortSystem() = default;
    virtual int ioperm(quint16 port, bool allow) = 0;
    virtual quint8 inb(quint16 port) = 0;
    virtual void outb(quint16 port, quint8 value) = 0;
    virtual Ids userIds() = 0;
    virtual Ids groupIds() = 0;
    virtual int setAllUserIds(unsigned uid) = 0;  // real, effective and saved
    virtual int setAllGroupIds(unsigned gid) = 0; // real, effective and saved
    virtual int clearCapabilities() = 0;          // empty effective, permitted and inheritable sets
    virtual bool holdsCapabilities() = 0;         // anything left in the effective or permitted set
    virtual bool holdsRoot() = 0;                 // any of real, effective, saved user id is 0
    virtual int forbidNewPrivileges() = 0;        // no later exec may raise them again
};

std::unique_ptr<IoPortSystem> RealIoPortSystem();

// Direct access to the UART registers through x86 I/O ports. It reaches only
// the registers the link uses: line control, modem control and modem status
// of the selected base, the same three of the service window's fixed base
// 0x2F8 (when a UART answers there), and the line-status register 0x2FD that
// the calibration reads. Any other address reads 0xFF and drops writes, as
// does an access from another thread than the one that opened the backend
// (the port permission belongs to that thread), so no access can fault.
class IoPortBackend : public port::PortIo {
public:
    // Gets the port permission, checks through the scratch register (base+7)
    // that a UART answers at the selected base, and gives up every privilege
    // the process held (root, capabilities) on every path, success or not.
    // On refusal returns nullptr and sets *error to a message naming the cause.
    static std::unique_ptr<port::PortIo> open(quint16 selectedBase, QString *error);
    static std::unique_ptr<port::PortIo> open(quint16 selectedBase, QString *error,
                                        std::unique_ptr<IoPortSystem> system);

    quint8 PortIn(quint16 address) override;
    void PortOut(quint16 address, quint8 value) override;

    bool permits(quint16 address) const;

private:
    IoPortBackend(std::unique_ptr<IoPortSystem> system, std::bitset<0x400> permitted);

    std::unique_ptr<IoPortSystem> system_;
    std::bitset<0x400> permitted_; // x86 grants per-port permission below 0x400 only
    std::thread::id owner_;
};

} // namespace pellmora::link
