#pragma once

#include <QString>
#include <QtGlobal>

namespace pellmora::port {

class SampledLines;

// Single-byte access to the registers of a PC UART (8250/16550 layout) at the
// four COM bases, immediate and in program order. Every hardware access of the
// device link goes through this interface.
class PortIo {
public:
    virtual ~PortIo() = default;
    virtual quint8 PortIn(quint16 address) = 0;
    virtual void PortOut(quint16 address, quint8 value) = 0;
    // A read whose value nobody uses: the modem-status read that ends every
    // line operation and belongs to its bus time. A UART is read as usual; a
    // backend whose reads cost a call to a driver or a USB transfer knows
    // the lines without asking and may spend nothing.
    virtual void PortInUnused(quint16 address) { PortIn(address); }

    // True when an access since the last recover() could not reach the port
    // (the serial driver answered with an input/output error because the
    // adapter was unplugged, an address the backend may not touch): what such
    // an access read is meaningless, so the transfer that made it has failed.
    // A backend that cannot fail keeps the default.
    virtual bool portFailed() const { return false; }
    // Called when a device operation starts: forgets an earlier failure and,
    // when the port's device went away, opens it again with the lines as they
    // were last written, so that a port that came back serves the next
    // operation without a restart. True when it was opened again: whatever
    // it powers has only just got its supply back.
    virtual bool recover() { return false; }
    // Why the port's device is not open (it could not be opened, and
    // recover() could not open it either), in a sentence for the user; empty
    // while it is open. Nothing read from a port that is not open means
    // anything, and portFailed() is true.
    virtual QString closedReason() const { return {}; }
    // True when the adapter refused to hold the interface's supply: it
    // answered the break that powers the interface as a call it does not
    // know (an adapter that cannot send a break).
    virtual bool supplyRefused() const { return false; }

    // The adapter's own line clock when the backend has one (see
    // SampledLines); nullptr for a port reached access by access.
    virtual SampledLines *sampledLines() { return nullptr; }
};

} // namespace pellmora::port
