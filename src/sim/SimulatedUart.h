#pragma once

// One 8250/16550 register block of the simulated machine as its software
// sees it: the divisor latch, interrupt enable, line and modem control, the
// scratch register, and the modem-status inputs with their change bits.
// Transmitted data goes nowhere and nothing is ever received; the
// transmitter always reads empty and no interrupt is pending.

#include "port/UartRegisters.h"

#include <QtGlobal>

namespace pellmora::sim {

// A port with no powered interface behind it: the data input idles at the
// released level and presence is clear, so every byte sent is refused.
inline constexpr quint8 NothingConnected = port::uart::Dsr;

struct SimulatedUart {
    quint8 divisorLow = 0x0C;
    quint8 divisorHigh = 0x00;
    quint8 interruptEnable = 0;
    quint8 lineControl = 0;
    quint8 modemControl = 0;
    quint8 scratch = 0;
    quint8 statusInputs = NothingConnected; // CTS, DSR, RI, DCD
    quint8 statusDeltas = 0;                // bits 0..3, cleared by reading

    // A register at its offset in the block; reading the modem status
    // clears its change bits.
    quint8 read(quint16 offset);
    void write(quint16 offset, quint8 value);
    // The modem-status inputs now read `inputs`; their changes are flagged.
    void setStatusInputs(quint8 inputs);
};

} // namespace pellmora::sim
