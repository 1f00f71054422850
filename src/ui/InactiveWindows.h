#pragma once

// Three windows that exist with their controls from start-up on but have no
// behaviour and are never shown: a box of instructions, a simulator and the
// simulator's settings.

#include <QWidget>

class QListWidget;
class QPushButton;
class QSlider;

namespace pellmora::ui {

// "Box 1": a tool window with a list and a close button.
class Box1 : public QWidget {
    Q_OBJECT
public:
    explicit Box1(QWidget *parent = nullptr);

private:
    QListWidget *ListBox1 = nullptr;
    QPushButton *BitBtn1 = nullptr;
};

// "Simulace": a black window with the simulator's buttons on a panel.
class Simulation : public QWidget {
    Q_OBJECT
public:
    explicit Simulation(QWidget *parent = nullptr);
};

// "Nastavení Simulátoru...": the simulation speed and a list.
class SimulationSettingsForm : public QWidget {
    Q_OBJECT
public:
    explicit SimulationSettingsForm(QWidget *parent = nullptr);

private:
    QSlider *SimulationSettings_Speed = nullptr;
    QListWidget *ListBox1 = nullptr;
};

} // namespace pellmora::ui
