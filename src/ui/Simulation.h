#pragma once

// "Simulace": the day of the current program as the switch runs it.
//
// One row per period: a bulb with the light's state at the time marker, the
// period's timeline over the whole day(s) it spans (lit and dark spans, hour
// ticks with labels, the start-up time marked, the end sentence under it)
// and its schedule table beside it (clock time, state word, delay). "GO!"
// runs the day from the start-up time to the end of the longest period: the
// time marker moves over every timeline, the clock shows its time, the bulbs
// and the tables' rows follow it, at the speed chosen in the settings window
// ("Nastavení"). "Čmariky, čmariky" shows or hides the hour grid; the
// cancel-kind button closes the window and ends the run.
//
// The schedule comes from the core; the window only draws it. It follows the
// program: ProgramChanged() (after every edit in the main window) takes the
// new schedule, and a run goes on over it.
//
// The time of a run comes from a monotonic clock in milliseconds, which tests
// replace; tick() moves the marker to the time the clock says.

#include "model/InstructionFormat.h"
#include "model/Program.h"
#include "model/Schedule.h"
#include "ui/SimulationRunClock.h"
#include "ui/SimulationTimeline.h"

#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <optional>

class QLabel;
class QPushButton;
class QScrollArea;
class QTableWidget;
class QVBoxLayout;

namespace pellmora::ui {

class Simulation : public QWidget {
    Q_OBJECT
public:
    using MonotonicClock = SimulationRunClock::MonotonicClock;

    Simulation(const model::Program &program, const model::InstructionFormat &format, MonotonicClock clock = {},
               QWidget *parent = nullptr);

    int periodCount() const { return int(rows_.size()); }
    SimulationTimeline *timeline(int period) const { return rows_.at(period).timeline; }
    QTableWidget *table(int period) const { return rows_.at(period).table; }
    QLabel *bulb(int period) const { return rows_.at(period).bulb; }
    std::optional<qint64> markerTime() const { return marker_; }
    bool running() const { return runTimer_.isActive(); }
    bool gridShown() const { return gridShown_; }

public slots:
    void ProgramChanged();
    void setSpeed(int secondsPerSecond, const QString &text);
    void Go();
    void tick();
    void setGridShown(bool shown);

signals:
    void settingsRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    struct PeriodRow {
        QWidget *frame = nullptr;
        QLabel *bulb = nullptr;
        QLabel *state = nullptr;
        QLabel *title = nullptr;
        SimulationTimeline *timeline = nullptr;
        QLabel *end = nullptr;
        QTableWidget *table = nullptr;
    };

    QWidget *buildHeader();
    QWidget *buildSupportPanel();
    PeriodRow buildRow(int period);
    void refresh();
    void showSchedule(PeriodRow &row, const model::PeriodSchedule &schedule);
    void fillTable(QTableWidget *table, const model::PeriodSchedule &schedule);
    void showMarker();
    void stop();
    qint64 runStart() const;
    qint64 runEnd() const;
    void fitToContents();

    const model::Program &program_;
    const model::InstructionFormat &format_;
    SimulationRunClock runClock_;
    QTimer runTimer_;
    QList<model::PeriodSchedule> schedules_;
    QList<PeriodRow> rows_;
    std::optional<qint64> marker_;
    bool gridShown_ = false;
    bool stale_ = true;        // the program changed while the window was hidden
    bool fitted_ = false;      // sized to its rows once shown
    QPixmap lightOn_;
    QPixmap lightOff_;

    QLabel *name_ = nullptr;
    QLabel *clockLabel_ = nullptr;
    QLabel *speedLabel_ = nullptr;
    QLabel *legend_ = nullptr;
    QScrollArea *scroll_ = nullptr;
    QWidget *periods_ = nullptr;
    QVBoxLayout *periodsLayout_ = nullptr;
    QPushButton *goButton_ = nullptr;
    QPushButton *gridButton_ = nullptr;
};

} // namespace pellmora::ui
