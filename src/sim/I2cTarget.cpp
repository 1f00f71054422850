#include "sim/I2cTarget.h"

namespace pellmora::sim {

void I2cTarget::start()
{
    byteBoundary_ = false;
    device_.started();
    selectByte_ = true;
    beginReceive();
}

void I2cTarget::stop()
{
    // The stop condition's own clock pulse shifts in one bit before the data
    // line rises, so "right after an acknowledge" allows that one bit.
    const bool atByteBoundary = phase_ == Phase::Receiving && byteBoundary_ && bits_ <= 1;
    device_.stopped(atByteBoundary);
    reset();
}

void I2cTarget::reset()
{
    phase_ = Phase::Idle;
    drive(true);
    bits_ = 0;
    shift_ = 0;
    selectByte_ = false;
    byteBoundary_ = false;
}

void I2cTarget::clockRose(bool sda)
{
    switch (phase_) {
    case Phase::Receiving:
        if (bits_ < 8) {
            shift_ = quint8((shift_ << 1) | (sda ? 1 : 0));
            ++bits_;
        }
        break;
    case Phase::Transmitting:
        if (bits_ < 8)
            ++bits_; // the bit on the line has been taken by the master
        break;
    case Phase::AwaitingMasterAck:
        masterAcknowledged_ = !sda;
        bits_ = 9;
        break;
    case Phase::Idle:
    case Phase::Acknowledging:
        break;
    }
}

void I2cTarget::clockFell()
{
    switch (phase_) {
    case Phase::Receiving:
        if (bits_ == 8)
            finishReceivedByte();
        break;
    case Phase::Acknowledging:
        // End of the ninth clock: let go of the acknowledge.
        drive(true);
        byteBoundary_ = true;
        followWith(afterAcknowledge_);
        break;
    case Phase::Transmitting:
        if (bits_ == 8) {
            drive(true); // the master answers in the ninth clock
            phase_ = Phase::AwaitingMasterAck;
        } else if (bits_ > 0) {
            drive((shift_ & (0x80 >> bits_)) != 0);
        }
        break;
    case Phase::AwaitingMasterAck:
        if (bits_ == 9)
            followWith(device_.transmitted(masterAcknowledged_));
        break;
    case Phase::Idle:
        break;
    }
}

void I2cTarget::finishReceivedByte()
{
    const I2cDevice::Reply reply = device_.received(shift_, selectByte_);
    selectByte_ = false;
    if (!reply.acknowledge) {
        reset();
        return;
    }
    // The clock is low now: pull the data line for the whole ninth clock.
    drive(false);
    phase_ = Phase::Acknowledging;
    afterAcknowledge_ = reply.next;
}

void I2cTarget::followWith(NextByte next)
{
    switch (next) {
    case NextByte::Receive:
        beginReceive();
        break;
    case NextByte::Transmit:
        beginTransmit();
        break;
    case NextByte::Release:
        reset();
        break;
    }
}

void I2cTarget::beginReceive()
{
    phase_ = Phase::Receiving;
    bits_ = 0;
    shift_ = 0;
}

void I2cTarget::beginTransmit()
{
    byteBoundary_ = false;
    phase_ = Phase::Transmitting;
    bits_ = 0;
    shift_ = device_.transmit();
    drive((shift_ & 0x80) != 0); // the clock is low: first bit goes out now
}

} // namespace pellmora::sim
