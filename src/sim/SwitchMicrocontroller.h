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
// communication test. Once the bus has lain idle for a while after power-up
// or after a communication test it announces that it listens by holding the
// data line low until it sees one clock low-high pulse; after that, the next
// transfer is an echo session: it acknowledges every byte and answers each
// with its bitwise complement until the stop condition. During an echo
// session it keeps the memory off the bus (it holds the memory's clock
// input), so the random bytes of the test can never address or write the
// memory.
//
// Its bus hardware sees every start and stop condition and serves the clock
// at 0x60/0x61 at whatever speed the bus runs: the program reads and sets
// the clock at the speed the transfer before left the bus (usually the
// memory's), since the clock operations choose none of their own.
//
// Its firmware polls its lines every SampleNanos, on the whole multiples of
// SampleNanos of the switch's monotonic clock. It takes a pulse for the end
// of the announcement only when it saw the clock low for a bit slot of its
// speed (100/speed ms) and then high, and lets go of the data line at that
// look, not at the edge.
//
// The echo is the firmware's own work, bit by bit on the same looks, made
// for its speed. It waits for the clock low and sets its data output (an
// acknowledge, an answer bit) at the look that sees it low, then waits for
// the clock high and takes the data bit at the look that sees it high. Then
// it works on that bit for echoRestLooks() looks before it looks at the
// lines again: as long as it may and still be back before the next bit
// begins, which at its speed comes no sooner than four fifths of a bit slot
// after the last (a read bit: four of the slot's five delays; 900 µs at
// 60 baud, three looks). At its speed or slower it sees every bit. A faster
// bus starts bits while the firmware still works on the last one: it misses
// them, its bits slip against the master's, and its acknowledges and
// answers come out of step or not at all, as on a real switch talked to too
// fast.
class SwitchMicrocontroller : public I2cDevice {
public:
    static constexpr quint8 ClockWrite = 0x60;
    static constexpr quint8 ClockRead = 0x61;

    struct Behaviour {
        bool silent = false;        // answers nothing at all
        bool wrongEcho = false;     // echoes the byte itself
        bool badClockReply = false; // hours and minutes out of range
        quint16 speed = 60;         // baud; one bit slot is 100/speed ms
    };

    static constexpr qint64 SampleNanos = 300'000;

    // What one look of the firmware at the clock line makes of it in an echo
    // session: the level it goes by changed (Rose, Fell), or not.
    enum class ClockSeen { Steady, Rose, Fell };

    SwitchMicrocontroller(DeviceClock &clock, Behaviour behaviour);

    // Starts the presence signal (only from normal operation).
    void announce();
    bool announcing() const { return mode_ == Mode::Announcing; }
    bool inEchoSession() const { return mode_ == Mode::Echo; }
    bool quiet() const { return mode_ == Mode::Quiet; }
    // The looks the firmware spends on a bit of an echo session before it
    // looks at its lines again.
    qint64 echoRestLooks() const;
    // The firmware's look at `nanos` (a whole multiple of SampleNanos) at the
    // clock in an echo session; and whether looks from `nanos` on at an
    // unchanged clock would change nothing.
    ClockSeen lookAtClock(qint64 nanos, bool scl);
    bool echoWaitsAt(qint64 nanos, bool scl) const { return nanos >= echoBusyUntil_ && scl == seenScl_; }
    // How long the powered bus must lie idle before the firmware announces
    // itself: AnnounceAfterPowerUpNanos after power-up, AnnounceAfterTestNanos
    // after an echo session that carried bytes (a communication test, which
    // another may follow); -1 in normal operation, when it does not.
    qint64 announceAfterIdleNanos() const { return announceAfter_; }
    static constexpr qint64 AnnounceAfterPowerUpNanos = 250'000'000;
    static constexpr qint64 AnnounceAfterTestNanos = 5'000'000;
    // The interface lost or regained its supply.
    void powerReset();
    // The clock fell or rose at `nanos` on the switch's monotonic clock.
    void clockFell(qint64 nanos);
    void clockRose(qint64 nanos);
    // Lets the firmware's looks up to `nanos` take effect; true when the
    // presence signal ended (the data line is let go).
    bool follow(qint64 nanos);

    void started() override;
    void stopped(bool atByteBoundary) override;
    Reply received(quint8 byte, bool select) override;
    quint8 transmit() override;
    NextByte transmitted(bool masterAcknowledged) override;

private:
    enum class Mode { Quiet, Announcing, EchoArmed, Echo };
    enum class ClockTransfer { None, Setting, Reading };

    qint64 slotNanos() const;
    Reply select(quint8 byte);
    std::array<quint8, 3> clockReply() const;

    DeviceClock &clock_;
    Behaviour behaviour_;
    Mode mode_ = Mode::Quiet;
    ClockTransfer transfer_ = ClockTransfer::None;
    int field_ = 0;
    std::array<quint8, 3> reply_{};
    quint8 echoed_ = 0;
    qint64 announceAfter_ = AnnounceAfterPowerUpNanos;
    bool echoCarriedBytes_ = false;
    qint64 clockFellAt_ = 0;
    qint64 releaseAt_ = -1; // the look that ends the presence signal; -1 = none due
    bool seenScl_ = true;       // the clock level the echo last went by
    qint64 echoBusyUntil_ = 0;  // the firmware works on its last bit until this look
};

} // namespace pellmora::sim
