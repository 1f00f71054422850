#pragma once

#include "port/UartRegisters.h"

#include <QtGlobal>

// The UART bits wired to the switch's interface: its supply on the break bits,
// the bus clock on DTR, the bus data out on RTS and back in on DSR, and the
// interface's presence on CTS.
namespace pellmora::port {

inline constexpr quint8 SupplyBits = uart::DivisorLatchAccess | uart::SetBreak;
inline constexpr quint8 SclBit = uart::Dtr;
inline constexpr quint8 SdaOutBit = uart::Rts;
inline constexpr quint8 SdaInBit = uart::Dsr;
inline constexpr quint8 PresenceBit = uart::Cts;

} // namespace pellmora::port
