#include "ui/SimulationRunClock.h"

#include <algorithm>

namespace pellmora::ui {

SimulationRunClock::SimulationRunClock(MonotonicClock clock) : clock_(std::move(clock))
{
    if (!clock_) {
        elapsed_.start();
        clock_ = [this] { return elapsed_.elapsed(); };
    }
}

void SimulationRunClock::startAt(qint64 seconds)
{
    anchorSimulatedMs_ = seconds * 1000;
    anchorMs_ = clock_();
}

void SimulationRunClock::setSpeed(int secondsPerSecond)
{
    const qint64 now = clock_();
    anchorSimulatedMs_ = simulatedMs(now);
    anchorMs_ = now;
    speed_ = std::max(1, secondsPerSecond);
}

qint64 SimulationRunClock::seconds() const
{
    return simulatedMs(clock_()) / 1000;
}

// The speed multiplies the real time passed since the anchor.
qint64 SimulationRunClock::simulatedMs(qint64 now) const
{
    return anchorSimulatedMs_ + (now - anchorMs_) * speed_;
}

} // namespace pellmora::ui
