#include "device/DeviceClock.h"

#include "device/DeviceMemory.h"
#include "device/DeviceText.h"

using namespace pellmora::model;
using namespace pellmora::link;

namespace pellmora::device {

namespace {

constexpr quint8 ClockWriteSelect = 0x60;
constexpr quint8 ClockReadSelect = 0x61;

bool isTimeOfDay(quint8 hours, quint8 minutes, quint8 seconds)
{
    return hours <= 23 && minutes <= 59 && seconds <= 59;
}

} // namespace

bool ReadDeviceClock(Link &link, QTime &time, QString *problem)
{
    if (!DataLineFree(link))
        return false;
    link.DeviceSelect = ClockReadSelect;
    link.I2cStart();
    if (link.I2cSendAddress()) {
        link.I2cStop();
        return false;
    }
    quint8 hours = 0, minutes = 0, seconds = 0;
    link.I2cReadByte(hours);
    link.I2cReadByte(minutes);
    link.I2cReadLastByte(seconds);
    link.I2cStop();

    if (!isTimeOfDay(hours, minutes, seconds)) {
        if (problem) {
            *problem = deviceText("Časový spínač poslal neplatný čas (hodiny %1, minuty %2, sekundy %3), "
                                  "čas nebyl převzat.")
                           .arg(hours)
                           .arg(minutes)
                           .arg(seconds);
        }
        return false;
    }
    time = QTime(hours, minutes, seconds);
    return true;
}

bool WriteDeviceClock(Link &link, QTime time)
{
    if (!time.isValid() || !DataLineFree(link))
        return false;
    link.DeviceSelect = ClockWriteSelect;
    link.I2cStart();
    // The first byte not acknowledged ends the sequence.
    const bool refused = link.I2cSendAddress() || link.I2cSendByte(quint8(time.hour()))
                         || link.I2cSendByte(quint8(time.minute())) || link.I2cSendByte(quint8(time.second()));
    link.I2cStop();
    return !refused;
}

QString clockNoAckText()
{
    return deviceText("Vy jste, že vás podezřívám, určitě odpojili časový spínač, protože zase PICmikráček "
                      "neposílá ACK");
}

ClockOutcome FetchDeviceTime(Link &link, QTime &shown)
{
    LinkSession session(link);
    if (!session.acquired())
        return {false, false, {Notice::message(busyText())}};
    QString problem;
    if (!ReadDeviceClock(link, shown, &problem))
        return {true, false, {Notice::message(problem.isEmpty() ? clockNoAckText() : problem)}};
    return {true, true, {}};
}

ClockOutcome StoreDeviceTime(Link &link, QTime shown)
{
    LinkSession session(link);
    if (!session.acquired())
        return {false, false, {Notice::message(busyText())}};
    if (!WriteDeviceClock(link, shown))
        return {true, false, {Notice::message(clockNoAckText())}};
    return {true, true, {}};
}

} // namespace pellmora::device
