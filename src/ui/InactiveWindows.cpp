#include "ui/InactiveWindows.h"

#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace pellmora::ui {

namespace {

QPushButton *namedButton(const QString &name, const QString &caption, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

} // namespace

Box1::Box1(QWidget *parent) : QWidget(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("Box1"));
    setWindowTitle(tr("Box 1"));
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    BitBtn1 = namedButton(QStringLiteral("BitBtn1"), tr("&Close"), this);
    connect(BitBtn1, &QPushButton::clicked, this, &QWidget::close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(ListBox1);
    layout->addWidget(BitBtn1, 0, Qt::AlignRight);
}

Simulation::Simulation(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Simulation"));
    setWindowTitle(tr("Simulace"));
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);

    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Simulation_SupportPanel"));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setAutoFillBackground(true);
    panel->setPalette(QWidget::style()->standardPalette());
    auto *buttons = new QHBoxLayout(panel);
    buttons->addWidget(namedButton(QStringLiteral("SimulationGoBtn"), tr("GO!"), panel));
    buttons->addWidget(namedButton(QStringLiteral("SimulationSettingsBtn"), tr("Nastavení"), panel));
    QPushButton *cancel = namedButton(QStringLiteral("SimulationCancelBtn"), tr("Cancel"), panel);
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
    buttons->addWidget(cancel);
    buttons->addWidget(namedButton(QStringLiteral("SimulationScribbleBtn"), tr("Čmariky, čmariky"), panel));
    auto *layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addWidget(panel);
}

SimulationSettingsForm::SimulationSettingsForm(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("SimulationSettingsForm"));
    setWindowTitle(tr("Nastavení Simulátoru..."));
    auto *speed = new QGroupBox(tr("Rychlost Simulace"), this);
    speed->setObjectName(QStringLiteral("SimulationSpeedGroup"));
    SimulationSettings_Speed = new QSlider(Qt::Horizontal, speed);
    SimulationSettings_Speed->setObjectName(QStringLiteral("SimulationSettings_Speed"));
    SimulationSettings_Speed->setValue(0);
    SimulationSettings_Speed->setTickPosition(QSlider::TicksBelow);
    SimulationSettings_Speed->setTickInterval(1);
    auto *speedLayout = new QVBoxLayout(speed);
    speedLayout->addWidget(SimulationSettings_Speed);
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(speed);
    layout->addWidget(ListBox1);
}

} // namespace pellmora::ui
