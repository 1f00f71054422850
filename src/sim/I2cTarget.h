#pragma once

#include <QtGlobal>

namespace pellmora::sim {

// What a device on the bus does after a byte: let go of the bus, take the
// next byte from the master, or send the next byte to the master.
enum class NextByte { Release, Receive, Transmit };

// The byte-level behaviour of one device on the I2C bus. I2cTarget turns
// the bus events into these calls and does the bit work.
class I2cDevice {
public:
    virtual ~I2cDevice() = default;

    struct Reply {
        bool acknowledge = false;
        NextByte next = NextByte::Release;
    };

    // A start (or repeated start) condition was seen.
    virtual void started() {}
    // A stop condition was seen. atByteBoundary: no data bit had been
    // clocked since the last acknowledged byte (apart from the stop's own
    // clock pulse), i.e. the master stopped right after an acknowledge.
    virtual void stopped(bool atByteBoundary) { Q_UNUSED(atByteBoundary); }
    // The eight bits of a byte have been clocked in; select = it is the first
    // byte after a start condition. Reply.next only counts when acknowledged.
    virtual Reply received(quint8 byte, bool select) = 0;
    // The next byte to put on the bus for the master to read.
    virtual quint8 transmit() { return 0xFF; }
    // The master answered a transmitted byte; masterAcknowledged = it wants more.
    virtual NextByte transmitted(bool masterAcknowledged)
    {
        return masterAcknowledged ? NextByte::Transmit : NextByte::Release;
    }
};

// The bit engine of a bus target, driven by the bus events as a real slave
// sees them: bits are sampled on the rising clock edge, and the target
// changes its own data output only while the clock is low (on the falling
// edge), driving the acknowledge through the whole ninth clock.
class I2cTarget {
public:
    explicit I2cTarget(I2cDevice &device) : device_(device) {}

    void start();
    void stop();
    void clockRose(bool sda);
    void clockFell();
    // Back to idle with the data line released (power change, bus taken away).
    void reset();

    // False while the target pulls the data line low.
    bool sdaReleased() const { return sdaReleased_; }
    bool idle() const { return phase_ == Phase::Idle; }

private:
    enum class Phase {
        Idle,              // not addressed: waits for a start condition
        Receiving,         // shifting in a byte from the master
        Acknowledging,     // holding the acknowledge through the ninth clock
        Transmitting,      // shifting out a byte to the master
        AwaitingMasterAck, // data line released for the master's answer
    };

    void beginReceive();
    void beginTransmit();
    void finishReceivedByte();
    void followWith(NextByte next);
    void drive(bool level) { sdaReleased_ = level; }

    I2cDevice &device_;
    Phase phase_ = Phase::Idle;
    bool sdaReleased_ = true;
    bool selectByte_ = false;
    bool byteBoundary_ = false; // the last complete byte was acknowledged
    int bits_ = 0;              // bits clocked in or out of the current byte
    quint8 shift_ = 0;
    bool masterAcknowledged_ = false;
    NextByte afterAcknowledge_ = NextByte::Release;
};

} // namespace pellmora::sim
