#include "sim/SwitchMicrocontroller.h"

#include <algorithm>
#include <cmath>

namespace pellmora::sim {

namespace {

constexpr qint64 DayMs = 24 * 60 * 60 * 1000;
constexpr std::array<int, 3> FieldLimit{23, 59, 59};
constexpr std::array<qint64, 3> FieldMs{60 * 60 * 1000, 60 * 1000, 1000};

qint64 wrapToDay(qint64 ms)
{
    const qint64 r = ms % DayMs;
    return r < 0 ? r + DayMs : r;
}

} // namespace

// ------------------------------------------------------------------- clock

DeviceClock::DeviceClock(std::function<qint64()> hostClock, qint64 offsetSeconds, double driftPerDay)
    : hostClock_(std::move(hostClock)), rate_(1.0 + driftPerDay / 86400.0)
{
    baseHostMs_ = hostClock_();
    baseDeviceMs_ = wrapToDay(baseHostMs_ + offsetSeconds * 1000);
}

qint64 DeviceClock::deviceMilliseconds() const
{
    const double elapsed = double(hostClock_() - baseHostMs_) * rate_;
    return wrapToDay(baseDeviceMs_ + qint64(std::llround(elapsed)));
}

void DeviceClock::rebase(qint64 deviceMs)
{
    baseHostMs_ = hostClock_();
    baseDeviceMs_ = wrapToDay(deviceMs);
}

QTime DeviceClock::time() const
{
    return QTime::fromMSecsSinceStartOfDay(int(deviceMilliseconds()));
}

void DeviceClock::set(QTime time)
{
    rebase(time.isValid() ? time.msecsSinceStartOfDay() : 0);
}

void DeviceClock::setField(int field, int value)
{
    const qint64 now = deviceMilliseconds();
    std::array<qint64, 3> parts{now / FieldMs[0], now / FieldMs[1] % 60, now / FieldMs[2] % 60};
    parts[size_t(field)] = value;
    qint64 ms = parts[0] * FieldMs[0] + parts[1] * FieldMs[1] + parts[2] * FieldMs[2];
    if (field < 2)
        ms += now % 1000; // the fraction runs on until the seconds are set
    rebase(ms);
}

// ----------------------------------------------------------- microcontroller

SwitchMicrocontroller::SwitchMicrocontroller(DeviceClock &clock, Behaviour behaviour)
    : clock_(clock), behaviour_(behaviour)
{
}

void SwitchMicrocontroller::announce()
{
    if (behaviour_.silent || mode_ != Mode::Quiet)
        return;
    mode_ = Mode::Announcing;
    announceAfter_ = -1;
    releaseAt_ = -1;
}

void SwitchMicrocontroller::powerReset()
{
    mode_ = Mode::Quiet;
    transfer_ = ClockTransfer::None;
    announceAfter_ = AnnounceAfterPowerUpNanos;
    releaseAt_ = -1;
}

// The firmware's looks fall at whole multiples of SampleNanos.
void SwitchMicrocontroller::clockFell(qint64 nanos)
{
    clockFellAt_ = nanos;
    if (releaseAt_ >= 0 && nanos < releaseAt_)
        releaseAt_ = -1; // low again before the firmware saw it high
}

// The announcement starts on an idle bus, clock high, so a rising clock edge
// completes the master's low-high pulse. A pulse whose low the firmware saw
// on fewer looks than a bit slot holds goes unseen and the data line stays
// held.
void SwitchMicrocontroller::clockRose(qint64 nanos)
{
    if (mode_ != Mode::Announcing)
        return;
    const qint64 slot = slotNanos();
    const qint64 looksNeeded = std::max<qint64>(1, slot / SampleNanos);
    const qint64 looksLow = nanos / SampleNanos - clockFellAt_ / SampleNanos;
    if (looksLow >= looksNeeded)
        releaseAt_ = (nanos / SampleNanos + 1) * SampleNanos;
}

bool SwitchMicrocontroller::follow(qint64 nanos)
{
    if (mode_ != Mode::Announcing || releaseAt_ < 0 || nanos < releaseAt_)
        return false;
    releaseAt_ = -1;
    mode_ = Mode::EchoArmed; // the master saw us: let go of the data line
    return true;
}

// A start condition leaves the clock high: the echo starts from there.
void SwitchMicrocontroller::started()
{
    transfer_ = ClockTransfer::None;
    if (mode_ == Mode::EchoArmed) {
        mode_ = Mode::Echo;
        echoCarriedBytes_ = false;
        seenScl_ = true;
        echoBusyUntil_ = 0;
    }
}

// One bit slot at the firmware's speed: 100/speed ms.
qint64 SwitchMicrocontroller::slotNanos() const
{
    return 100'000'000LL / std::max<quint16>(behaviour_.speed, 1);
}

qint64 SwitchMicrocontroller::echoRestLooks() const
{
    const qint64 slot = slotNanos();
    return std::max<qint64>(1, slot * 4 / 5 / SampleNanos - 1);
}

SwitchMicrocontroller::ClockSeen SwitchMicrocontroller::lookAtClock(qint64 nanos, bool scl)
{
    if (nanos < echoBusyUntil_ || scl == seenScl_)
        return ClockSeen::Steady;
    seenScl_ = scl;
    if (!scl)
        return ClockSeen::Fell;
    echoBusyUntil_ = nanos + echoRestLooks() * SampleNanos;
    return ClockSeen::Rose;
}

void SwitchMicrocontroller::stopped(bool)
{
    transfer_ = ClockTransfer::None;
    if (mode_ == Mode::Echo) {
        mode_ = Mode::Quiet;
        announceAfter_ = echoCarriedBytes_ ? AnnounceAfterTestNanos : -1; // a test may follow another
    }
}

I2cDevice::Reply SwitchMicrocontroller::received(quint8 byte, bool isSelect)
{
    if (behaviour_.silent || mode_ == Mode::Announcing)
        return {};
    if (mode_ == Mode::Echo) {
        echoed_ = byte;
        echoCarriedBytes_ = true;
        return {true, NextByte::Transmit};
    }
    if (isSelect)
        return select(byte);
    if (transfer_ != ClockTransfer::Setting || field_ >= 3 || byte > FieldLimit[size_t(field_)])
        return {}; // a time that does not exist is refused, not stored
    clock_.setField(field_, byte);
    ++field_;
    return {true, NextByte::Receive};
}

I2cDevice::Reply SwitchMicrocontroller::select(quint8 byte)
{
    field_ = 0;
    if (byte == ClockWrite) {
        transfer_ = ClockTransfer::Setting;
        return {true, NextByte::Receive};
    }
    if (byte == ClockRead) {
        transfer_ = ClockTransfer::Reading;
        reply_ = clockReply(); // one consistent reading for the whole transfer
        return {true, NextByte::Transmit};
    }
    return {};
}

std::array<quint8, 3> SwitchMicrocontroller::clockReply() const
{
    const QTime now = clock_.time();
    std::array<quint8, 3> reply{quint8(now.hour()), quint8(now.minute()), quint8(now.second())};
    if (behaviour_.badClockReply) {
        reply[0] = quint8(reply[0] + 32);
        reply[1] = quint8(reply[1] + 64);
    }
    return reply;
}

quint8 SwitchMicrocontroller::transmit()
{
    if (mode_ == Mode::Echo)
        return behaviour_.wrongEcho ? echoed_ : quint8(~echoed_);
    if (transfer_ == ClockTransfer::Reading && field_ < 3)
        return reply_[size_t(field_++)];
    return 0xFF;
}

NextByte SwitchMicrocontroller::transmitted(bool masterAcknowledged)
{
    if (mode_ == Mode::Echo)
        return masterAcknowledged ? NextByte::Receive : NextByte::Release;
    return I2cDevice::transmitted(masterAcknowledged);
}

} // namespace pellmora::sim
