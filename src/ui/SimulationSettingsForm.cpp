#include "ui/SimulationSettingsForm.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace pellmora::ui {

namespace {

// Simulated seconds per real second, slowest first.
constexpr std::array<int, 10> Speeds{1, 10, 30, 60, 120, 300, 600, 1200, 1800, 3600};

} // namespace

SimulationSettingsForm::SimulationSettingsForm(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("SimulationSettingsForm"));
    setWindowTitle(tr("Nastavení Simulátoru..."));
    auto *speed = new QGroupBox(tr("Rychlost Simulace"), this);
    speed->setObjectName(QStringLiteral("SimulationSpeedGroup"));
    SimulationSettings_Speed = new QSlider(Qt::Horizontal, speed);
    SimulationSettings_Speed->setObjectName(QStringLiteral("SimulationSettings_Speed"));
    SimulationSettings_Speed->setRange(0, StepCount() - 1);
    SimulationSettings_Speed->setValue(0);
    SimulationSettings_Speed->setPageStep(1);
    SimulationSettings_Speed->setTickPosition(QSlider::TicksBelow);
    SimulationSettings_Speed->setTickInterval(1);
    speedLabel_ = new QLabel(SpeedText(0), speed);
    speedLabel_->setObjectName(QStringLiteral("SimulationSpeedText"));
    speedLabel_->setAlignment(Qt::AlignCenter);
    auto *speedLayout = new QVBoxLayout(speed);
    speedLayout->addWidget(SimulationSettings_Speed);
    speedLayout->addWidget(speedLabel_);

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    for (int step = 0; step < StepCount(); ++step)
        ListBox1->addItem(SpeedText(step));
    ListBox1->setCurrentRow(0);

    connect(SimulationSettings_Speed, &QSlider::valueChanged, this, &SimulationSettingsForm::stepChosen);
    connect(ListBox1, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            SimulationSettings_Speed->setValue(row);
    });
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(speed);
    layout->addWidget(ListBox1);
    resize(320, 300);
}

int SimulationSettingsForm::StepCount()
{
    return int(Speeds.size());
}

int SimulationSettingsForm::SpeedAt(int step)
{
    return Speeds.at(std::size_t(std::clamp(step, 0, StepCount() - 1)));
}

QString SimulationSettingsForm::SpeedText(int step)
{
    const int speed = SpeedAt(step);
    if (speed == 1)
        return tr("Skutečný čas");
    if (speed % 3600 == 0)
        return tr("%1 hod za sekundu").arg(speed / 3600);
    if (speed % 60 == 0)
        return tr("%1 min za sekundu").arg(speed / 60);
    return tr("%1 s za sekundu").arg(speed);
}

int SimulationSettingsForm::speed() const
{
    return SpeedAt(SimulationSettings_Speed->value());
}

QString SimulationSettingsForm::speedText() const
{
    return SpeedText(SimulationSettings_Speed->value());
}

void SimulationSettingsForm::stepChosen(int step)
{
    speedLabel_->setText(SpeedText(step));
    {
        const QSignalBlocker quiet(ListBox1);
        ListBox1->setCurrentRow(step);
    }
    emit speedChanged(SpeedAt(step), SpeedText(step));
}

} // namespace pellmora::ui
