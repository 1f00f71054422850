#include "sim/SimulatedUart.h"

using namespace pellmora::port;

namespace pellmora::sim {

namespace {

constexpr quint8 NoInterruptPending = 0x01;
constexpr quint8 NoRegister = 0xFF; // nothing decodes the address

} // namespace

quint8 SimulatedUart::read(quint16 offset)
{
    const bool latch = lineControl & uart::DivisorLatchAccess;
    switch (offset) {
    case uart::Data:
        return latch ? divisorLow : 0x00;
    case uart::InterruptEnable:
        return latch ? divisorHigh : interruptEnable;
    case uart::Identify:
        return NoInterruptPending;
    case uart::LineControl:
        return lineControl;
    case uart::ModemControl:
        return modemControl;
    case uart::LineStatus:
        return uart::TransmitterEmpty;
    case uart::ModemStatus: {
        const quint8 value = statusInputs | statusDeltas;
        statusDeltas = 0;
        return value;
    }
    case uart::Scratch:
        return scratch;
    default:
        return NoRegister;
    }
}

void SimulatedUart::write(quint16 offset, quint8 value)
{
    const bool latch = lineControl & uart::DivisorLatchAccess;
    switch (offset) {
    case uart::Data:
        if (latch)
            divisorLow = value; // transmitted data goes nowhere
        break;
    case uart::InterruptEnable:
        if (latch)
            divisorHigh = value;
        else
            interruptEnable = value & 0x0F;
        break;
    case uart::LineControl:
        lineControl = value;
        break;
    case uart::ModemControl:
        modemControl = value & uart::ModemControlBits;
        break;
    case uart::Scratch:
        scratch = value;
        break;
    default:
        break; // FIFO control, line and modem status: writes change nothing
    }
}

void SimulatedUart::setStatusInputs(quint8 inputs)
{
    statusDeltas |= uart::ModemStatusDeltas(statusInputs, inputs);
    statusInputs = inputs;
}

} // namespace pellmora::sim
