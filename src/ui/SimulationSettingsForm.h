#pragma once

// "Nastavení Simulátoru...": how fast the simulation runs, from real time to
// one hour of the switch's day per second. The track bar and the list offer
// the same steps; choosing one in either moves the other.
//
//   speed()          simulated seconds per real second at the chosen step.
//   SpeedText(step)  the step in words ("Skutečný čas", "1 hod za sekundu").
//   speedChanged     a new step was chosen: its speed and its words.

#include <QWidget>

class QLabel;
class QListWidget;
class QSlider;

namespace pellmora::ui {

class SimulationSettingsForm : public QWidget {
    Q_OBJECT
public:
    explicit SimulationSettingsForm(QWidget *parent = nullptr);

    static int StepCount();
    static int SpeedAt(int step);
    static QString SpeedText(int step);

    int speed() const;
    QString speedText() const;

signals:
    void speedChanged(int secondsPerSecond, const QString &text);

private:
    void stepChosen(int step);

    QSlider *SimulationSettings_Speed = nullptr;
    QLabel *speedLabel_ = nullptr;
    QListWidget *ListBox1 = nullptr;
};

} // namespace pellmora::ui
