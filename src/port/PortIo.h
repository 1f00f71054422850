#pragma once

#include <QtGlobal>

namespace pellmora::port {

// Single-byte access to the registers of a PC UART (8250/16550 layout) at the
// four COM bases, immediate and in program order. Every hardware access of the
// device link goes through this interface.
class PortIo {
public:
    virtual ~PortIo() = default;
    virtual quint8 PortIn(quint16 address) = 0;
    virtual void PortOut(quint16 address, quint8 value) = 0;
};

} // namespace pellmora::port
