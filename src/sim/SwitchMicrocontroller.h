#pragma once

#include "sim/I2cTarget.h"

#include <QTime>

#include <array>
#include <functional>

namespace pellmora::sim {

// The time of day kept by the microcontroller: the host's local time of day
// plus an offset, running faster or slower by a drift in seconds per day.
class DeviceClock {
public:
    // hostClock: host local time in milliseconds since the epoch.
    DeviceClock(std::function<qint64()> hostClock, qint64 offsetSeconds, double driftPerDay);

    QTime time() const;
    void set(QTime time);
    // Replaces one field (0 hours, 1 minutes, 2 seconds) of the running time;
    // setting the seconds also clears the fraction of the second.
    void setField(int field, int value);

private:
    qint64 deviceMilliseconds() const;
    void rebase(qint64 deviceMs);

    std::function<qint64()> hostClock_;
    double rate_;
    qint64 baseHostMs_ = 0;
    qint64 baseDeviceMs_ = 0;
};

// The time switch's microcontroller on the bus: its clock at 0x60 (write
// hours, minutes, seconds) and 0x61 (read them), and its part in the
// communication test. Once the bus has lain idle for a while it announces
// that it listens by holding the data line low until it sees one clock
// low-high pulse; after that, the next transfer is an echo session: it
// acknowledges every byte and answers each with its bitwise complement until
// the stop condition. During an echo session it keeps the memory off the bus
// (it holds the memory's clock input), so the random bytes of the test can
// never address or write the memory.
class SwitchMicrocontroller : public I2cDevice {
public:
    static constexpr quint8 ClockWrite = 0x60;
    static constexpr quint8 ClockRead = 0x61;

    struct Behaviour {
        bool silent = false;        // answers nothing at all
        bool wrongEcho = false;     // echoes the byte itself
        bool badClockReply = false; // hours and minutes out of range
    };

    SwitchMicrocontroller(DeviceClock &clock, Behaviour behaviour);

    // Starts the presence signal (only from normal operation).
    void announce();
    bool announcing() const { return mode_ == Mode::Announcing; }
    bool inEchoSession() const { return mode_ == Mode::Echo; }
    bool quiet() const { return mode_ == Mode::Quiet; }
    // The interface lost or regained its supply.
    void powerReset();
    // The clock rose after being low for `lowNanos`: ends the presence
    // signal when the low lasted long enough for the firmware to see it.
    void clockRose(qint64 lowNanos);

    // The firmware watches its clock input while it announces itself and
    // needs the clock low this long to see the pulse.
    static constexpr qint64 PulseNoticeNanos = 20'000;

    void started() override;
    void stopped(bool atByteBoundary) override;
    Reply received(quint8 byte, bool select) override;
    quint8 transmit() override;
    NextByte transmitted(bool masterAcknowledged) override;

private:
    enum class Mode { Quiet, Announcing, EchoArmed, Echo };
    enum class ClockTransfer { None, Setting, Reading };

    Reply select(quint8 byte);
    std::array<quint8, 3> clockReply() const;

    DeviceClock &clock_;
    Behaviour behaviour_;
    Mode mode_ = Mode::Quiet;
    ClockTransfer transfer_ = ClockTransfer::None;
    int field_ = 0;
    std::array<quint8, 3> reply_{};
    quint8 echoed_ = 0;
};

} // namespace pellmora::sim
