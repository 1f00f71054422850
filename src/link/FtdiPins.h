#pragma once

#include "port/UartRegisters.h"

#include <QtGlobal>

// The pins of an FTDI FT232R or FT232H in bit-bang mode, as the chip names
// them: the data bus bits D0..D7 are the serial lines of its UART mode. A
// USB serial cable puts an RS-232 driver behind them, which inverts every
// line: a low pin is a line on (positive), a high pin a line off. So the
// same lines as over a serial port carry the bus and the supply: break on
// TXD (supply), DTR (SCL), RTS (SDA out) out; DSR (SDA in), CTS (presence)
// in.
namespace pellmora::link::ftdi {

enum Pin : quint8 {
    Txd = 0x01,  // D0, out
    Rxd = 0x02,  // D1
    RtsN = 0x04, // D2, out
    CtsN = 0x08, // D3
    DtrN = 0x10, // D4, out
    DsrN = 0x20, // D5
    DcdN = 0x40, // D6
    RiN = 0x80,  // D7
};

// The pins the chip drives; the others are inputs.
inline constexpr quint8 OutputPins = Txd | RtsN | DtrN;

// The output pins for the UART registers as the link wrote them: the break
// bit holds TXD spacing (low), DTR and RTS set pull their pins low. The
// input pins read high, as written pins must be for inputs.
constexpr quint8 PinsFor(quint8 modemControl, quint8 lineControl)
{
    quint8 pins = 0xFF;
    if (lineControl & port::uart::SetBreak)
        pins &= quint8(~Txd);
    if (modemControl & port::uart::Rts)
        pins &= quint8(~RtsN);
    if (modemControl & port::uart::Dtr)
        pins &= quint8(~DtrN);
    return pins;
}

// The modem-status input lines (bits 4..7, no delta bits) of pins read back:
// a low pin is a line that is on.
constexpr quint8 ModemLinesOf(quint8 pins)
{
    return quint8(((pins & CtsN) ? 0 : port::uart::Cts) | ((pins & DsrN) ? 0 : port::uart::Dsr)
                  | ((pins & RiN) ? 0 : port::uart::Ri) | ((pins & DcdN) ? 0 : port::uart::Dcd));
}

// The pins of input lines that are on (the far side of a cable, as a test
// device drives them): the inverse of ModemLinesOf for the input pins.
constexpr quint8 InputPinsFor(quint8 modemLines)
{
    quint8 pins = 0xFF;
    if (modemLines & port::uart::Cts)
        pins &= quint8(~CtsN);
    if (modemLines & port::uart::Dsr)
        pins &= quint8(~DsrN);
    if (modemLines & port::uart::Ri)
        pins &= quint8(~RiN);
    if (modemLines & port::uart::Dcd)
        pins &= quint8(~DcdN);
    return pins;
}

} // namespace pellmora::link::ftdi
