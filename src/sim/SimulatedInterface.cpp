#include "sim/SimulatedInterface.h"

#include "sim/Eeprom24LC04.h"
#include "sim/SwitchMicrocontroller.h"

using namespace pellmora::port;

namespace pellmora::sim {

namespace {

// An adapter that fakes a break ends it on its own after this long.
constexpr qint64 ShortBreakNanos = 196'000'000;

// The interface's supply settles this long after the break bits switch it on.
constexpr qint64 SupplySettleNanos = 10'000'000;

// Nine clock pulses make a byte with its acknowledge.
constexpr int BitsPerByte = 9;

} // namespace

SimulatedInterface::LineFaults::LineFaults(const SimOptions &options)
    : noInterface(options.has(Fault::NoInterface)), noisyPort(options.has(Fault::NoisyPort)),
      sdaStuckLow(options.has(Fault::SdaStuckLow)), noEeprom(options.has(Fault::NoEeprom)),
      pulledCable(options.has(Fault::PulledCable)), breakRefused(options.has(Fault::BreakRefused)),
      shortBreak(options.has(Fault::ShortBreak))
{
}

SimulatedInterface::SimulatedInterface(const SimOptions &options, std::function<qint64()> monotonicNanos,
                                       SimulatedUart &uart, Eeprom24LC04 &memory, SwitchMicrocontroller &pic)
    : faults_(options), pullCableAfterBytes_(options.pullCableAfterBytes), monotonicNanos_(std::move(monotonicNanos)),
      uart_(uart), memory_(memory), pic_(pic), memoryTarget_(memory), picTarget_(pic)
{
    updateStatusInputs();
    reported_ = lines();
}

// The supply settles while nobody looks: every access to the port first
// finds the interface powered once its time has come.
quint8 SimulatedInterface::read(quint16 offset)
{
    followTime();
    if (offset == uart::ModemStatus)
        modemStatusRead();
    return uart_.read(offset);
}

void SimulatedInterface::write(quint16 offset, quint8 value)
{
    followTime();
    const bool breakWasSet = breakSet();
    const quint8 control = uart_.modemControl;
    uart_.write(offset, value);
    if (offset == uart::LineControl) {
        if (!breakWasSet && breakSet())
            suppliedSince_ = now();
        interfaceChanged();
    } else if (offset == uart::ModemControl) {
        if ((control ^ uart_.modemControl) & (uart::Dtr | uart::Rts))
            idleSince_ = now(); // the master is using the bus
        interfaceChanged();
    }
}

// What happened while nobody looked: the supply settled or (a faked break)
// ended, the microcontroller's firmware took its looks at the lines, an idle
// bus made it announce itself.
void SimulatedInterface::followTime()
{
    followSupply();
    bool changed = followEchoLooks();
    changed = pic_.follow(now()) || changed;
    const qint64 announceAfter = pic_.announceAfterIdleNanos();
    if (powered_ && busScl_ && busSda_ && pic_.quiet() && announceAfter >= 0 && now() - idleSince_ >= announceAfter) {
        pic_.announce();
        changed = true;
    }
    if (!changed)
        return;
    settleBus();
    updateStatusInputs();
    notifyObserver();
}

// In an echo session the microcontroller's firmware works the bus on its
// looks. Its looks since the last access saw the lines as that access left
// them; each may move its bit engine, and what it drives changes the data
// line while the clock is low. Once more looks would change nothing, the
// rest are skipped.
bool SimulatedInterface::followEchoLooks()
{
    constexpr qint64 Look = SwitchMicrocontroller::SampleNanos;
    const qint64 latest = now() / Look * Look;
    bool changed = false;
    for (qint64 look = lastLook_ + Look; look <= latest && pic_.inEchoSession(); look += Look) {
        switch (pic_.lookAtClock(look, busScl_)) {
        case SwitchMicrocontroller::ClockSeen::Rose:
            picTarget_.clockRose(busSda_);
            break;
        case SwitchMicrocontroller::ClockSeen::Fell:
            picTarget_.clockFell();
            settleBus();
            changed = true;
            break;
        case SwitchMicrocontroller::ClockSeen::Steady:
            if (pic_.echoWaitsAt(look, busScl_))
                look = latest; // the same lines give the same answer
            break;
        }
    }
    lastLook_ = latest;
    return changed;
}

void SimulatedInterface::modemStatusRead()
{
    if (faults_.noisyPort)
        uart_.setStatusInputs(uart_.statusInputs ^ uart::Dcd); // something else on the port keeps toggling
}

qint64 SimulatedInterface::now() const
{
    return monotonicNanos_();
}

void SimulatedInterface::followSupply()
{
    if (powered_ != interfaceLive())
        interfaceChanged();
}

bool SimulatedInterface::interfaceLive() const
{
    return supplyOn() && !faults_.noInterface && !cablePulled_ && now() - suppliedSince_ >= SupplySettleNanos;
}

bool SimulatedInterface::breakSet() const
{
    return uart_.lineControl & uart::SetBreak;
}

// The break holds the transmit line positive, which is the interface's
// supply, unless the adapter cannot send one or ends it on its own.
bool SimulatedInterface::supplyOn() const
{
    if (!breakSet() || faults_.breakRefused)
        return false;
    return !faults_.shortBreak || now() - suppliedSince_ < ShortBreakNanos;
}

bool SimulatedInterface::levelScl() const
{
    return powered_ && (uart_.modemControl & uart::Dtr);
}

// The data line is the wired-AND of the master's RTS and every device.
bool SimulatedInterface::levelSda() const
{
    return powered_ && (uart_.modemControl & uart::Rts) && !faults_.sdaStuckLow
           && picTarget_.sdaReleased() && !pic_.announcing() && memoryTarget_.sdaReleased();
}

bool SimulatedInterface::memoryOnBus() const
{
    return !faults_.noEeprom && !pic_.inEchoSession();
}

void SimulatedInterface::interfaceChanged()
{
    const bool nowPowered = interfaceLive();
    if (nowPowered != powered_) {
        powered_ = nowPowered;
        powerChanged();
    }
    settleBus();
    updateStatusInputs();
    notifyObserver();
}

// Switching the supply restarts the bus logic of every device; the lines come
// up (or go down) without any start or stop condition being seen.
void SimulatedInterface::powerChanged()
{
    if (!powered_)
        memory_.supplyLost();
    memoryTarget_.reset();
    picTarget_.reset();
    pic_.powerReset();
    idleSince_ = powered_ ? suppliedSince_ + SupplySettleNanos : now(); // when the bus really came up
    frameBits_ = -1;
    busScl_ = levelScl();
    busSda_ = levelSda();
}

// Applies line changes one edge at a time until the bus is steady: a device
// answering an edge (an acknowledge, a data bit, the end of the presence
// signal) can itself make the next edge.
void SimulatedInterface::settleBus()
{
    for (int guard = 0; guard < 16; ++guard) {
        const bool scl = levelScl();
        const bool sda = levelSda();
        if (scl == busScl_ && sda == busSda_)
            return;
        if (scl != busScl_ && !scl) {
            busScl_ = false;
            clockFell();
        } else if (sda != busSda_) {
            busSda_ = sda;
            if (busScl_) {
                if (sda)
                    stopCondition();
                else
                    startCondition();
            }
        } else {
            busScl_ = true;
            clockRose();
        }
    }
}

// In an echo session the microcontroller's firmware sees the clock on its
// looks only (followEchoLooks), not at its edges.
void SimulatedInterface::clockFell()
{
    pic_.clockFell(now());
    if (!pic_.inEchoSession())
        picTarget_.clockFell();
    if (memoryOnBus())
        memoryTarget_.clockFell();
    countBusBit();
}

// Counts the bytes on the bus (nine clock pulses after a start condition);
// a pulled-cable fault pulls the cable once the last of its bytes is over.
void SimulatedInterface::countBusBit()
{
    if (frameBits_ < BitsPerByte)
        return;
    frameBits_ = 0;
    ++busBytes_;
    if (faults_.pulledCable && !cablePulled_ && busBytes_ >= pullCableAfterBytes_) {
        cablePulled_ = true;
        powered_ = false;
        powerChanged();
    }
}

void SimulatedInterface::clockRose()
{
    if (frameBits_ >= 0)
        ++frameBits_;
    pic_.clockRose(now());
    if (!pic_.inEchoSession())
        picTarget_.clockRose(busSda_);
    if (memoryOnBus())
        memoryTarget_.clockRose(busSda_);
}

void SimulatedInterface::startCondition()
{
    frameBits_ = 0;
    picTarget_.start();
    if (memoryOnBus())
        memoryTarget_.start();
    else
        memoryTarget_.reset();
}

void SimulatedInterface::stopCondition()
{
    frameBits_ = -1;
    picTarget_.stop();
    if (memoryOnBus())
        memoryTarget_.stop();
}

void SimulatedInterface::updateStatusInputs()
{
    quint8 inputs = NothingConnected;
    if (cablePulled_)
        inputs = 0x00; // open inputs read inactive
    else if (powered_)
        inputs = quint8(uart::Cts | (busSda_ ? uart::Dsr : 0));
    inputs |= uart_.statusInputs & uart::Dcd; // a noisy port's toggling line
    uart_.setStatusInputs(inputs);
}

SimulatedSwitch::Lines SimulatedInterface::lines() const
{
    SimulatedSwitch::Lines l;
    l.scl = busScl_;
    l.sda = busSda_;
    l.sdaOut = uart_.modemControl & uart::Rts;
    l.dsr = uart_.statusInputs & uart::Dsr;
    l.cts = uart_.statusInputs & uart::Cts;
    l.supply = supplyOn();
    return l;
}

void SimulatedInterface::setObserver(std::function<void(const SimulatedSwitch::Lines &)> observer)
{
    observer_ = std::move(observer);
    reported_ = lines();
    if (observer_)
        observer_(reported_);
}

void SimulatedInterface::notifyObserver()
{
    const SimulatedSwitch::Lines now = lines();
    if (now == reported_)
        return;
    reported_ = now;
    if (observer_)
        observer_(now);
}

} // namespace pellmora::sim
