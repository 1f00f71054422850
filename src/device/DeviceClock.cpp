#include "device/DeviceClock.h"

#include "device/ConnectionWatch.h"
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

// What one clock transfer came to: done, refused by the microcontroller (or
// an invalid reply, with `problem` saying what came back), or a connection
// that broke on the way.
struct ClockTransfer {
    bool ok = false;
    bool lost = false;
    QString problem;
};

ClockTransfer readClock(Link &link, QTime &time)
{
    ConnectionWatch watch(link);
    const bool busFree = DataLineFree(link);
    bool answered = busFree;
    quint8 hours = 0, minutes = 0, seconds = 0;
    if (answered) {
        answered = link.AddressDevice(ClockReadSelect) == Ack::Given;
        if (answered) {
            hours = link.I2cReadByte();
            minutes = link.I2cReadByte();
            seconds = link.I2cReadLastByte();
        }
        link.I2cStop();
    }
    if (watch.lost(answered))
        return {false, true, connectionLostText(link)};
    if (!busFree)
        return {false, false, busStuckText()};
    if (!answered)
        return {};
    if (!isTimeOfDay(hours, minutes, seconds)) {
        return {false, false,
                deviceText("Časový spínač poslal neplatný čas (hodiny %1, minuty %2, sekundy %3), "
                           "čas nebyl převzat.")
                    .arg(hours)
                    .arg(minutes)
                    .arg(seconds)};
    }
    time = QTime(hours, minutes, seconds);
    return {true, false, {}};
}

ClockTransfer writeClock(Link &link, QTime time)
{
    if (!time.isValid())
        return {};
    ConnectionWatch watch(link);
    const bool busFree = DataLineFree(link);
    bool acknowledged = busFree;
    if (acknowledged) {
        // The first byte not acknowledged ends the sequence.
        acknowledged = link.AddressDevice(ClockWriteSelect) == Ack::Given
                       && link.I2cSendByte(quint8(time.hour())) == Ack::Given
                       && link.I2cSendByte(quint8(time.minute())) == Ack::Given
                       && link.I2cSendByte(quint8(time.second())) == Ack::Given;
        link.I2cStop();
    }
    if (watch.lost(acknowledged))
        return {false, true, connectionLostText(link)};
    if (!busFree)
        return {false, false, busStuckText()};
    return {acknowledged, false, {}};
}

} // namespace

bool ReadDeviceClock(Link &link, QTime &time, QString *problem)
{
    const ClockTransfer read = readClock(link, time);
    if (!read.ok && problem)
        *problem = read.problem;
    return read.ok;
}

bool WriteDeviceClock(Link &link, QTime time)
{
    return writeClock(link, time).ok;
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
        return {{false, false}, {Notice::message(busyText())}};
    const ClockTransfer read = readClock(link, shown);
    if (!read.ok)
        return {{true, false, read.lost}, {Notice::message(read.problem.isEmpty() ? clockNoAckText() : read.problem)}};
    return {{true, true}, {}};
}

ClockOutcome StoreDeviceTime(Link &link, QTime shown)
{
    LinkSession session(link);
    if (!session.acquired())
        return {{false, false}, {Notice::message(busyText())}};
    const ClockTransfer written = writeClock(link, shown);
    if (!written.ok)
        return {{true, false, written.lost},
                {Notice::message(written.problem.isEmpty() ? clockNoAckText() : written.problem)}};
    return {{true, true}, {}};
}

} // namespace pellmora::device
