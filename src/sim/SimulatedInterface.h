#pragma once

// The interface on the simulated switch's port and the bus behind it: the
// supply on the break bits, settling before the bus comes alive; SCL from
// DTR and SDA as the wired-AND of RTS and every device; the memory and the
// microcontroller seeing each edge, start and stop; CTS (presence) and DSR
// (the data line read back) for the port's modem status. The faults that act
// on the lines (no interface, a noisy port, the data line stuck low, no
// memory, a pulled cable) act here.

#include "sim/I2cTarget.h"
#include "sim/SimOptions.h"
#include "sim/SimulatedSwitch.h"
#include "sim/SimulatedUart.h"

#include <functional>

namespace pellmora::sim {

class Eeprom24LC04;
class SwitchMicrocontroller;

class SimulatedInterface {
public:
    // `uart` is the register block of the port the interface hangs on;
    // `monotonicNanos` times the supply and the microcontroller's reactions.
    SimulatedInterface(const SimOptions &options, std::function<qint64()> monotonicNanos, SimulatedUart &uart,
                       Eeprom24LC04 &memory, SwitchMicrocontroller &pic);
    SimulatedInterface(const SimulatedInterface &) = delete;
    SimulatedInterface &operator=(const SimulatedInterface &) = delete;

    // The port's registers with the interface behind them.
    quint8 read(quint16 offset);
    void write(quint16 offset, quint8 value);

    SimulatedSwitch::Lines lines() const;
    void setObserver(std::function<void(const SimulatedSwitch::Lines &)> observer);

private:
    // The faults that act on the lines, looked up on every port access.
    struct LineFaults {
        explicit LineFaults(const SimOptions &options);
        bool noInterface;
        bool noisyPort;
        bool sdaStuckLow;
        bool noEeprom;
        bool pulledCable;
        bool breakRefused;
        bool shortBreak;
    };

    qint64 now() const;
    void followTime();
    bool followEchoLooks();
    void followSupply();
    bool breakSet() const;
    bool interfaceLive() const;
    bool supplyOn() const;
    bool levelScl() const;
    bool levelSda() const;
    bool memoryOnBus() const;
    void modemStatusRead();
    void interfaceChanged();
    void powerChanged();
    void settleBus();
    void clockFell();
    void countBusBit();
    void clockRose();
    void startCondition();
    void stopCondition();
    void updateStatusInputs();
    void notifyObserver();

    LineFaults faults_;
    int pullCableAfterBytes_;
    std::function<qint64()> monotonicNanos_;
    SimulatedUart &uart_;
    Eeprom24LC04 &memory_;
    SwitchMicrocontroller &pic_;
    I2cTarget memoryTarget_;
    I2cTarget picTarget_;
    bool powered_ = false;
    qint64 suppliedSince_ = 0; // when the break was last set
    bool cablePulled_ = false;
    int frameBits_ = -1;       // clock pulses since the last start or byte; -1 outside a transfer
    int busBytes_ = 0;
    bool busScl_ = false;
    bool busSda_ = false;
    qint64 idleSince_ = 0; // when the master last changed a bus line, or the supply changed
    qint64 lastLook_ = 0;  // the firmware's last look taken into account
    std::function<void(const SimulatedSwitch::Lines &)> observer_;
    SimulatedSwitch::Lines reported_;
};

} // namespace pellmora::sim
