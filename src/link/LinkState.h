#pragma once

#include <QtGlobal>

namespace pellmora::link {

// Process-wide state of the device link: the chosen port, the register block
// in use and the calibrated bus delays. Created once by the application (or a
// test) and handed to every link and device operation by reference.
struct LinkState {
    quint8 SelectedPort = 0;      // 0..3 = COM1..COM4
    quint16 PortBase = 0x2F8;     // I/O base of the UART in use
    quint32 LoopCount = 5000;     // iterations of one BitDelay, in force now
    quint16 EepromBaudRate = 1000;
    quint16 PicBaudRate = 60;
    quint32 EEPROM_Loop = 0;
    quint32 PICmicro_Loop = 0;
    // What the last calibration found the port could not do: 0 when the bus
    // runs at the speed set, else the highest speed it reaches (a USB
    // adapter whose every line change is a USB transfer is slower than the
    // slot of a high speed, however short the bus delay).
    quint16 EepromSpeedLimit = 0;
    quint16 PicSpeedLimit = 0;
};

} // namespace pellmora::link
