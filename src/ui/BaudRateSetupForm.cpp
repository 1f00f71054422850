#include "ui/BaudRateSetupForm.h"

#include "ui/BaudRateCheckSystemForm.h"
#include "ui/NamedWidgets.h"
#include "ui/WhenLinkIdle.h"
#include "link/Link.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSlider>
#include <QVBoxLayout>

using namespace pellmora::link;

namespace pellmora::ui {

namespace {

constexpr int EepromLineStep = 200;
constexpr int EepromPageStep = 400;
constexpr int EepromTickEvery = 200;
constexpr int PicLineStep = 1;
constexpr int PicPageStep = 2;
constexpr int PicTickEvery = 10;

QSlider *speedTrack(const char *name, int minimum, int maximum, int lineStep, int pageStep, int tickEvery)
{
    auto *track = named<QSlider>(QLatin1String(name), Qt::Horizontal);
    track->setRange(minimum, maximum);
    track->setSingleStep(lineStep);
    track->setPageStep(pageStep);
    track->setTickInterval(tickEvery);
    track->setTickPosition(QSlider::TicksBelow);
    return track;
}

QLabel *limitNote(const char *name)
{
    auto *note = named<QLabel>(QLatin1String(name), QString());
    note->hide();
    return note;
}

} // namespace

BaudRateSetupForm::BaudRateSetupForm(Link &link, BaudRateCheckSystemForm &panel, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , link_(link)
    , panel_(panel)
    , NOTE1(new QLabel(tr("NOTE: 1 Baud= 1 bit/s"), this))
    , MemBRLab(named<QLabel>(QStringLiteral("MemBRLab"), tr("Rychlost:")))
    , EEPROM_BaudRateTrack(speedTrack("EEPROM_BaudRateTrack", EepromSpeedMin, EepromSpeedMax, EepromLineStep,
                                      EepromPageStep, EepromTickEvery))
    , MemLimitLab(limitNote("MemLimitLab"))
    , PICBRLab(named<QLabel>(QStringLiteral("PICBRLab"), tr("Rychlost:")))
    , PICmicro_BaudRateTrack(speedTrack("PICmicro_BaudRateTrack", PicSpeedMin, PicSpeedMax, PicLineStep,
                                        PicPageStep, PicTickEvery))
    , PICLimitLab(limitNote("PICLimitLab"))
    , CancelBtn(new QPushButton(tr("&Cancel"), this))
    , OKBtn(new QPushButton(tr("&OK"), this))
{
    setObjectName(QStringLiteral("BaudRateSetupForm"));
    setWindowTitle(tr("Nastavení přenosové rychlosti"));
    setModal(false);
    NOTE1->setObjectName(QStringLiteral("NOTE1"));
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CancelBtn);
    buttons->addWidget(OKBtn);

    auto *whole = new QVBoxLayout(this);
    whole->addWidget(NOTE1);
    whole->addWidget(speedGroup(tr("Přenosová rychlost pro paměť (data o spínání)"), "MemoryBaudRateSettings",
                                MemBRLab, EEPROM_BaudRateTrack, MemLimitLab));
    whole->addWidget(speedGroup(tr("Přenosová rychlost s procesorem (nastavení času)"), "TimeBaudrateSettings",
                                PICBRLab, PICmicro_BaudRateTrack, PICLimitLab));
    whole->addLayout(buttons);
    whole->setSizeConstraint(QLayout::SetFixedSize);

    connect(EEPROM_BaudRateTrack, &QSlider::valueChanged, this, &BaudRateSetupForm::EEPROM_BaudRateTrackChange);
    connect(PICmicro_BaudRateTrack, &QSlider::valueChanged, this,
            &BaudRateSetupForm::PICmicro_BaudRateTrackChange);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::close);
    connect(OKBtn, &QPushButton::clicked, this, &BaudRateSetupForm::OKBtnClick);
}

QGroupBox *BaudRateSetupForm::speedGroup(const QString &caption, const char *name, QLabel *label, QSlider *track,
                                         QLabel *limit)
{
    auto *group = named<QGroupBox>(QLatin1String(name), caption, this);
    auto *column = new QVBoxLayout(group);
    column->addWidget(label);
    column->addWidget(track);
    column->addWidget(limit);
    track->setMinimumWidth(320);
    return group;
}

void BaudRateSetupForm::setMeasurement(MonotonicMicros clock, const CalibrationPlan &plan)
{
    clock_ = std::move(clock);
    plan_ = plan;
}

void BaudRateSetupForm::showEvent(QShowEvent *event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

// The tracks take the stored speeds (a speed outside a track's range comes
// back as the nearest end of it), and the labels and speeds follow the tracks.
void BaudRateSetupForm::FormShow()
{
    const LinkState &state = link_.state();
    PICmicro_BaudRateTrack->setValue(state.PicBaudRate);
    EEPROM_BaudRateTrack->setValue(state.EepromBaudRate);
    PICmicro_BaudRateTrackChange(PICmicro_BaudRateTrack->value());
    EEPROM_BaudRateTrackChange(EEPROM_BaudRateTrack->value());
}

void BaudRateSetupForm::EEPROM_BaudRateTrackChange(int position)
{
    MemBRLab->setText(tr("Rychlost: %1 baudů").arg(position));
    link_.state().EepromBaudRate = static_cast<quint16>(position);
    showLimit(MemLimitLab, link_.state().EepromSpeedLimit, position);
}

void BaudRateSetupForm::PICmicro_BaudRateTrackChange(int position)
{
    PICBRLab->setText(tr("Rychlost: %1 baudů").arg(position));
    link_.state().PicBaudRate = static_cast<quint16>(position);
    showLimit(PICLimitLab, link_.state().PicSpeedLimit, position);
}

// The port's own line operations are slower than a slot at this speed: the
// bus runs at the speed the port reaches.
void BaudRateSetupForm::showLimit(QLabel *note, quint16 limit, int position)
{
    const bool slower = limit != 0 && position > limit;
    note->setText(slower ? tr("Port zvládne nejvýš %1 baudů").arg(limit) : QString());
    note->setVisible(slower);
}

// A second OK while the first waits adds nothing.
void BaudRateSetupForm::OKBtnClick()
{
    if (calibrationPutOff_)
        return;
    calibrationPutOff_ = true;
    whenLinkIdle(link_, *this, [this] {
        calibrationPutOff_ = false;
        runCalibrationSequence();
    });
}

void BaudRateSetupForm::runCalibrationSequence()
{
    CalibrationPanel panel;
    panel.show = [this] { panel_.showCentred(); };
    panel.pump = [] { QCoreApplication::processEvents(); };
    panel.close = [this] {
        panel_.close();
        close();
    };
    RunCalibrationSequence(link_, panel, clock_, plan_);
}

} // namespace pellmora::ui
