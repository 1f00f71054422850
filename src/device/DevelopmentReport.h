#pragma once

#include "link/LinkState.h"
#include "model/DeviceImage.h"

#include <QStringList>
#include <QtGlobal>

namespace pellmora::device {

// Where the link's key values live and what they hold, as the development
// info window lists them. The places are identifiers that stay the same for
// the whole run (the values' addresses in this process, cut to 32 bits); they
// mean nothing outside it.
struct DevelopmentValues {
    quint32 imageAt = 0;
    quint32 portBaseAt = 0;
    quint32 picLoopAt = 0;
    quint32 eepromLoopAt = 0;
    quint16 PortBase = 0;
    quint32 PICmicro_Loop = 0;
    quint32 EEPROM_Loop = 0;
    // The speeds set and, when the port could not reach one, what it reaches
    // (0 = the speed set is reached).
    quint16 EepromBaudRate = 0;
    quint16 EepromSpeedLimit = 0;
    quint16 PicBaudRate = 0;
    quint16 PicSpeedLimit = 0;
};

// The values of this run's memory image and link state.
DevelopmentValues developmentValues(const model::DeviceImage &image, const link::LinkState &link);

// The report lines: the memory image (no value shown), the port base, the
// microcontroller's and the EEPROM's loop counts (places in 8 upper-case
// hexadecimal digits, values in at least 4); for each speed the port could
// not reach at the last calibration, a line saying what it reaches; last the
// program's version as --version prints it ("Pellmora 0.1").
QStringList DevelopmentReport(const DevelopmentValues &values);

// "Port je na paměť pomalý: místo 1000 baudů zvládne jen 310 baudů": the
// speed set for a partner ("paměť", "procesor") that the port cannot reach.
QString SpeedLimitText(const QString &partner, quint16 speed, quint16 reached);

} // namespace pellmora::device
