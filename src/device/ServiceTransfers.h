#pragma once

#include "device/DeviceMemory.h"
#include "port/UartRegisters.h"

#include <QStringList>

namespace pellmora::device {

// The service window's own 512-byte working copy of the EEPROM.
using GridBuffer = MemoryBytes;

// The service window always works on the port at this base (COM2's usual address).
inline constexpr quint16 ServicePortBase = port::uart::ServiceBase;

QString serviceNoAckText(); // "Neposílá ACK - Not Valid I2C Operation"

// The redisplay's link step: PortBase := 0x2F8 and power on. false (and
// nothing done) while another device operation runs.
bool PowerServicePort(link::Link &link);

// When the service window closes: PortBase := the selected port's base
// again, so that the transfers that use PortBase as they find it (the
// verification, the clock) talk to the selected port. false (and nothing
// done) while another device operation runs.
bool ReturnSelectedPort(link::Link &link);

// Load Data: power on, block 0, read 512 bytes into `grid`. A failed read
// leaves `grid` untouched. Speed and PortBase are used as found.
DeviceOutcome ServiceLoad(link::Link &link, GridBuffer &grid, const TransferObserver &observer = {});

// Program Device: converts the 512 cell texts (address order) into `grid`
// and writes it. A cell above FF is refused with a message before anything is
// converted or written. No verification follows.
DeviceOutcome ServiceProgram(link::Link &link, GridBuffer &grid, const QStringList &cells,
                             const TransferObserver &observer = {});

// The conversion alone: all 512 cells or nothing.
bool GridFromCells(const QStringList &cells, GridBuffer &grid, QString *problem);

} // namespace pellmora::device
