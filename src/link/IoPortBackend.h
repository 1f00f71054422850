#pragma once

#include "port/PortIo.h"

#include <QString>

#include <bitset>
#include <memory>
#include <thread>

namespace pellmora::link {

// The operating-system calls the direct I/O port backend and the start-up's
// giving up of privileges need. The real one talks to the kernel; tests hand
// in a fake. Calls that can fail return 0 or a negative errno value.
class IoPortSystem {
public:
    virtual ~IoPortSystem() = default;
    virtual int ioperm(quint16 port, bool allow) = 0;
    virtual quint8 inb(quint16 port) = 0;
    virtual void outb(quint16 port, quint8 value) = 0;
    virtual int clearCapabilities() = 0;   // empty effective, permitted and inheritable sets
    virtual bool holdsCapabilities() = 0;  // anything left in the effective or permitted set
    virtual int forbidNewPrivileges() = 0; // no later exec may raise them again
    // The kernel is locked down (Secure Boot): it refuses direct port access
    // to everyone, whatever capabilities the process holds.
    virtual bool lockedDown() { return false; }
};

std::unique_ptr<IoPortSystem> RealIoPortSystem();

// Gives up every capability of the process (CAP_SYS_RAWIO among them) and
// forbids any later exec to raise them again. Returns an empty text on
// success, else what could not be given up.
QString GiveUpCapabilities(IoPortSystem &system);

// The direct I/O ports of the process, taken once at start-up while it may
// still hold CAP_SYS_RAWIO: the line-control, modem-control and
// modem-status registers of each of COM1..COM4 where a UART answers
// (checked through the scratch register, base+7), and the line-status
// register 0x2FD that the calibration reads. Every capability is given up
// right after, on every path, success or not; the permission stays with the
// thread that took the ports. Any other address, or an access from another
// thread, reads 0xFF and drops writes, so no access can fault.
class IoPortGrant {
public:
    static std::shared_ptr<IoPortGrant> take(std::unique_ptr<IoPortSystem> system);

    // Why no ports are held (permission refused, privileges kept); empty
    // when the ports were taken.
    const QString &refusal() const { return refusal_; }
    // What privilege could not be given up (no ports are held then either);
    // empty when every capability went.
    const QString &privilegesKept() const { return privilegesKept_; }
    // A UART answered at `base` and its link registers are held.
    bool holdsUart(quint16 base) const;
    bool permits(quint16 address) const;
    quint8 inb(quint16 address);
    void outb(quint16 address, quint8 value);

private:
    explicit IoPortGrant(std::unique_ptr<IoPortSystem> system);

    std::unique_ptr<IoPortSystem> system_;
    std::bitset<0x400> granted_; // x86 grants per-port permission below 0x400 only
    QString refusal_;
    QString privilegesKept_;
    std::thread::id owner_;
};

// Direct access to the UART registers through the I/O ports taken at
// start-up, for the selected base. It reaches every register the grant
// holds: the selected base, the service window's fixed base 0x2F8 (when a
// UART answers there) and the calibration's 0x2FD. An access the grant does
// not hold reached no port and sets portFailed().
class IoPortBackend : public port::PortIo {
public:
    // On refusal (no ports taken, or no UART at the selected base) returns
    // nullptr and sets *error to a message naming the cause.
    static std::unique_ptr<port::PortIo> open(quint16 selectedBase, std::shared_ptr<IoPortGrant> ports,
                                              QString *error);

    quint8 PortIn(quint16 address) override;
    void PortOut(quint16 address, quint8 value) override;
    bool portFailed() const override { return failed_; }
    bool recover() override
    {
        failed_ = false;
        return false;
    }

private:
    explicit IoPortBackend(std::shared_ptr<IoPortGrant> ports);

    std::shared_ptr<IoPortGrant> ports_;
    bool failed_ = false;
};

} // namespace pellmora::link
