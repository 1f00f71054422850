#pragma once

// A simulated time switch on a link of its own, on a clock its bit delays
// pace (the bus at the link's two speeds, calibrated as for a machine that
// counts one loop iteration a microsecond) with a write cycle counted in
// refused select bytes, so that whole device operations take milliseconds
// and behave the same on every run, however loaded the machine is.

#include "link/Link.h"
#include "model/DeviceImage.h"
#include "model/Notice.h"
#include "sim/SimulatedSwitch.h"

#include "../sim/PacedSwitchClock.h"

#include <QDateTime>

#include <ostream>

namespace pellmora::test {
using namespace pellmora::model;
using namespace pellmora::link;

struct SimRig {
    explicit SimRig(QList<sim::Fault> faults = {}, quint8 simPort = 0, quint16 picSpeed = 60)
        : sim(options(faults, simPort, picSpeed, clock.source())), link(sim, state)
    {
        pace();
    }

    // The loop counts for the state's speeds, LoopCount at the
    // microcontroller's; again after a test changes the speeds.
    void pace() { clock.pace(link, sim); }

    static sim::SimOptions options(const QList<sim::Fault> &faults, quint8 simPort, quint16 picSpeed = 60,
                                   std::function<qint64()> monotonicNanos = {})
    {
        sim::SimOptions options;
        options.port = simPort;
        options.picSpeed = picSpeed;
        options.faults = faults;
        options.writeCycleSelects = 3;
        options.monotonicNanos = std::move(monotonicNanos);
        // A host clock that stands still at noon keeps the device clock exact.
        options.hostClock = [] { return QDateTime(QDate(2026, 1, 1), QTime(12, 0)).toMSecsSinceEpoch(); };
        return options;
    }

    // The selected port's block, powered, as a communication test leaves it.
    void powerSelectedPort()
    {
        state.PortBase = Link::ComPortBase(state.SelectedPort);
        link.LinkPowerOn();
    }

    PacedSwitchClock clock;
    LinkState state;
    sim::SimulatedSwitch sim;
    Link link;
};

// 512 bytes in which every address holds a different value than its neighbours.
inline DeviceImage patternImage(int seed = 0)
{
    DeviceImage image;
    for (int i = 0; i < DeviceImage::ByteCount; ++i)
        image.setByteAt(i, quint8(i * 37 + 11 + seed));
    return image;
}

} // namespace pellmora::test

namespace pellmora::model {

inline void PrintTo(const Notice &notice, std::ostream *os)
{
    *os << (notice.kind == Notice::Kind::Message ? "message " : "info ") << '"' << notice.text.toStdString() << '"';
}

} // namespace pellmora::model
