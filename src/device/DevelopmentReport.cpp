#include "device/DevelopmentReport.h"

#include "device/DeviceText.h"
#include "device/HexText.h"

using namespace pellmora::model;
using namespace pellmora::link;

namespace pellmora::device {

namespace {

quint32 placeOf(const void *value)
{
    return quint32(reinterpret_cast<quintptr>(value) & 0xFFFFFFFFu);
}

QString H8(quint32 value)
{
    return NumberToHexText(value, 8);
}

QString H4(quint32 value)
{
    return NumberToHexText(value, 4);
}

// The label with its own run of blanks, then the place: `"Name"   at: [0012ABCD H ] :`.
QString placed(const char *labelAt, quint32 place)
{
    return QString::fromLatin1(labelAt) + H8(place) + QStringLiteral(" H ] :");
}

} // namespace

DevelopmentValues developmentValues(const DeviceImage &image, const LinkState &link)
{
    DevelopmentValues values;
    values.imageAt = placeOf(&image);
    values.portBaseAt = placeOf(&link.PortBase);
    values.picLoopAt = placeOf(&link.PICmicro_Loop);
    values.eepromLoopAt = placeOf(&link.EEPROM_Loop);
    values.PortBase = link.PortBase;
    values.PICmicro_Loop = link.PICmicro_Loop;
    values.EEPROM_Loop = link.EEPROM_Loop;
    values.EepromBaudRate = link.EepromBaudRate;
    values.EepromSpeedLimit = link.EepromSpeedLimit;
    values.PicBaudRate = link.PicBaudRate;
    values.PicSpeedLimit = link.PicSpeedLimit;
    return values;
}

QStringList DevelopmentReport(const DevelopmentValues &values)
{
    QStringList lines = {
        placed("\"EEPROM\"         at: [", values.imageAt) + QStringLiteral("  value not available.."),
        placed("\"I2C_Address\"    at: [", values.portBaseAt) + H4(values.PortBase),
        placed("\"PICmicro_Loop\"   at: [", values.picLoopAt) + H4(values.PICmicro_Loop),
        placed("\"EEPROM_Loop\"   at: [", values.eepromLoopAt) + H4(values.EEPROM_Loop),
    };
    if (values.EepromSpeedLimit != 0)
        lines << SpeedLimitText(deviceText("paměť"), values.EepromBaudRate, values.EepromSpeedLimit);
    if (values.PicSpeedLimit != 0)
        lines << SpeedLimitText(deviceText("procesor"), values.PicBaudRate, values.PicSpeedLimit);
    lines << QStringLiteral("Pellmora " PELLMORA_VERSION);
    return lines;
}

QString SpeedLimitText(const QString &partner, quint16 speed, quint16 reached)
{
    return deviceText("Port je na %1 pomalý: místo %2 baudů zvládne jen %3 baudů")
        .arg(partner)
        .arg(speed)
        .arg(reached);
}

} // namespace pellmora::device
