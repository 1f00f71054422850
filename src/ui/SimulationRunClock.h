#pragma once

// The time of a run in the "Simulace" window: the simulated time goes on
// from where a run started, at the chosen speed, over a monotonic clock in
// milliseconds (the real one unless a test gives its own).

#include <QElapsedTimer>

#include <functional>

namespace pellmora::ui {

class SimulationRunClock {
public:
    using MonotonicClock = std::function<qint64()>; // milliseconds

    explicit SimulationRunClock(MonotonicClock clock = {});
    SimulationRunClock(const SimulationRunClock &) = delete;
    SimulationRunClock &operator=(const SimulationRunClock &) = delete;

    // The run's time is `seconds` now.
    void startAt(qint64 seconds);
    // The run's time goes on from where it is, at the new speed.
    void setSpeed(int secondsPerSecond);
    // The run's time now, in whole seconds.
    qint64 seconds() const;

private:
    qint64 simulatedMs(qint64 now) const;

    MonotonicClock clock_;
    QElapsedTimer elapsed_;
    qint64 anchorSimulatedMs_ = 0; // the run's time, in milliseconds, when the clock read anchorMs_
    qint64 anchorMs_ = 0;
    int speed_ = 1; // simulated seconds per real second
};

} // namespace pellmora::ui
