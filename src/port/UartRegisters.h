#pragma once

#include <QtGlobal>

#include <array>

// The register layout of a PC UART (8250/16550) as the device link, the
// port backends and the simulated switch all see it.
namespace pellmora::port::uart {

// COM1 to COM4.
inline constexpr std::array<quint16, 4> ComBases{0x3F8, 0x2F8, 0x3E8, 0x2E8};
inline constexpr quint16 BlockSize = 8;

// Register offsets inside one UART block.
enum Register : quint16 {
    Data = 0,            // receive/transmit buffer, divisor latch low
    InterruptEnable = 1, // divisor latch high while the latch is selected
    Identify = 2,        // interrupt identification / FIFO control
    LineControl = 3,
    ModemControl = 4,
    LineStatus = 5,
    ModemStatus = 6,
    Scratch = 7,
};

// Line control.
inline constexpr quint8 SetBreak = 0x40; // holds TxD positive
inline constexpr quint8 DivisorLatchAccess = 0x80;

// Modem control.
inline constexpr quint8 Dtr = 0x01;
inline constexpr quint8 Rts = 0x02;
inline constexpr quint8 ModemControlBits = 0x1F; // DTR, RTS, OUT1, OUT2, loop-back

// Line status.
inline constexpr quint8 TransmitterEmpty = 0x60; // holding register and shift register empty

// Modem status: the input lines in bits 4..7, their change flags in bits 0..3.
inline constexpr quint8 DeltaCts = 0x01;
inline constexpr quint8 DeltaDsr = 0x02;
inline constexpr quint8 TrailingEdgeRi = 0x04;
inline constexpr quint8 DeltaDcd = 0x08;
inline constexpr quint8 Cts = 0x10;
inline constexpr quint8 Dsr = 0x20;
inline constexpr quint8 Ri = 0x40;
inline constexpr quint8 Dcd = 0x80;

// The service window always works on COM2's block, and the bus delay is
// calibrated against COM2's line-status register whatever port is selected.
inline constexpr quint16 ServiceBase = ComBases[1];
inline constexpr quint16 CalibrationPort = ServiceBase + LineStatus;

// The change flags a modem-status read reports when its input lines went
// from `before` to `now`: CTS, DSR and DCD changed, RI went from on to off.
constexpr quint8 ModemStatusDeltas(quint8 before, quint8 now)
{
    const quint8 changed = before ^ now;
    quint8 deltas = 0;
    if (changed & Cts)
        deltas |= DeltaCts;
    if (changed & Dsr)
        deltas |= DeltaDsr;
    if ((before & Ri) && !(now & Ri))
        deltas |= TrailingEdgeRi;
    if (changed & Dcd)
        deltas |= DeltaDcd;
    return deltas;
}

} // namespace pellmora::port::uart
