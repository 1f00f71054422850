#include "ui/OscCalibrationForm.h"

#include "ui/CentreOnScreen.h"
#include "ui/NamedWidgets.h"
#include "ui/Prompt.h"
#include "device/ConnectionWatch.h"
#include "device/DeviceClock.h"
#include "device/DeviceMemory.h"
#include "link/Link.h"
#include "model/Program.h"
#include "model/ProgramHeader.h"
#include "storage/DeviceDatabase.h"
#include "storage/RecordDate.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace pellmora::model;
using namespace pellmora::link;
using namespace pellmora::device;
using namespace pellmora::storage;

namespace pellmora::ui {

using device::CalibrationPeriod;

OscCalibrationForm::OscCalibrationForm(Program &program, const DeviceDatabase &database, Link &link, Prompt &prompt,
                                       AskRounding askRounding, DateTimeSource now, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , program_(program)
    , database_(database)
    , link_(link)
    , prompt_(prompt)
    , askRounding_(std::move(askRounding))
    , now_(now ? std::move(now) : DateTimeSource([] { return QDateTime::currentDateTime(); }))
{
    setObjectName(QStringLiteral("OscCalibrationForm"));
    setWindowTitle(tr("Kalibrace časové základny"));

    Label1 = new QLabel(tr("Počet sekund:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    SecondsDeviation = new QSpinBox(this);
    SecondsDeviation->setObjectName(QStringLiteral("SecondsDeviation"));
    SecondsDeviation->setRange(0, device::periodMaximum(CalibrationPeriod::Month));
    Label1->setBuddy(SecondsDeviation);
    connect(SecondsDeviation, &QSpinBox::valueChanged, this, &OscCalibrationForm::SecondsDeviationChange);

    OscDeviation = radioGroup(QStringLiteral("OscDeviation"), tr(" Nepřesnost "),
                              {tr("Předchází se"), tr("Zpožďuje se")}, directionButtons_);
    connect(directionButtons_, &QButtonGroup::idClicked, this, &OscCalibrationForm::OscDeviationClick);
    TimeParts = radioGroup(QStringLiteral("TimeParts"), tr(" na "), {tr("Den"), tr("Týden"), tr("Měsíc")},
                           periodButtons_);
    connect(periodButtons_, &QButtonGroup::idClicked, this, &OscCalibrationForm::TimePartsClick);

    OKBtn = new QPushButton(tr("&OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &OscCalibrationForm::OKBtnClick);
    CalibBtn = new QPushButton(tr("Doporučená"), this);
    CalibBtn->setObjectName(QStringLiteral("CalibBtn"));
    CalibBtn->setToolTip(tr("Nastaví doporučenou kalibraci -z posledního programování"));
    CalibBtn->setStatusTip(CalibBtn->toolTip());
    connect(CalibBtn, &QPushButton::clicked, this, &OscCalibrationForm::CalibBtnClick);

    layOut();
    FormShow();
}

QGroupBox *OscCalibrationForm::radioGroup(const QString &name, const QString &title, const QStringList &items,
                                          QButtonGroup *&group)
{
    auto *box = named<QGroupBox>(name, title, this);
    group = new QButtonGroup(box);
    auto *column = new QVBoxLayout(box);
    for (int i = 0; i < items.size(); ++i) {
        auto *item = named<QRadioButton>(name + QString::number(i), items.at(i), box);
        group->addButton(item, i);
        column->addWidget(item);
    }
    group->button(0)->setChecked(true);
    return box;
}

void OscCalibrationForm::layOut()
{
    auto *seconds = new QHBoxLayout;
    seconds->addWidget(Label1);
    seconds->addWidget(SecondsDeviation);
    seconds->addStretch();

    auto *groups = new QHBoxLayout;
    groups->addWidget(OscDeviation);
    groups->addWidget(TimeParts);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(CalibBtn);
    buttons->addStretch();
    buttons->addWidget(OKBtn);

    auto *whole = new QVBoxLayout(this);
    whole->addLayout(seconds);
    whole->addLayout(groups);
    whole->addLayout(buttons);
    whole->setSizeConstraint(QLayout::SetFixedSize);
}

void OscCalibrationForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        centreOnScreen(*this);
        FormShow();
    }
}

// Loads the controls from the program settings; the pending values follow
// them, so they may differ from the stored value by the seconds' rounding.
void OscCalibrationForm::FormShow()
{
    const ProgramSettings &settings = program_.settings;
    const device::CalibrationSetting setting = device::SettingFromCalibration(settings.CalibrationValue);
    {
        const QSignalBlocker quiet(SecondsDeviation);
        selectDirection(settings.CalibrationLate);
        SecondsDeviation->setValue(setting.seconds);
        selectPeriod(setting.period);
    }
    recompute();
}

void OscCalibrationForm::SecondsDeviationChange()
{
    recompute();
}

void OscCalibrationForm::TimePartsClick()
{
    const int maximum = device::periodMaximum(period());
    const QSignalBlocker quiet(SecondsDeviation);
    // A value above the new limit starts again at 0, not at the limit.
    if (SecondsDeviation->value() > maximum)
        SecondsDeviation->setValue(0);
    SecondsDeviation->setMaximum(maximum);
    recompute();
}

void OscCalibrationForm::OscDeviationClick()
{
    pendingLate_ = qMax(0, directionButtons_->checkedId());
    recompute();
}

// Refused (the dialog stays open) while a device operation runs: a transfer
// pumping its messages may be writing or comparing the image just then.
void OscCalibrationForm::OKBtnClick()
{
    if (link_.busy()) {
        prompt_.notify(this, device::busyText());
        return;
    }
    ProgramSettings &settings = program_.settings;
    settings.CalibrationValue = pendingCalibration_;
    settings.CalibrationLate = pendingLate_ != 0;
    quint16 &flags = program_.image.words[header::FlagsWord];
    flags = device::FlagsWithCalibration(flags, settings.CalibrationValue, settings.CalibrationLate);
    accept();
}

// The recommendation: the drift of the device clock since the last
// programming. A stop on the way leaves every control as it was.
void OscCalibrationForm::CalibBtnClick()
{
    const device::ProgrammingAge known = programmingAge(now_().date());
    if (!known.problem.isEmpty()) {
        prompt_.message(this, known.problem);
        return;
    }
    if (!prompt_.ask(this, device::connectedQuestionText(), Prompt::Buttons::YesAbort))
        return;
    QTime deviceTime;
    if (!readDeviceClock(deviceTime))
        return;
    const QDateTime computer = now_();
    const device::ProgrammingAge age = programmingAge(computer.date());
    if (!age.problem.isEmpty()) {
        prompt_.message(this, age.problem);
        return;
    }
    applyRecommendation(device::Recommend(device::DriftSeconds(computer.time(), deviceTime), age.days));
}

device::ProgrammingAge OscCalibrationForm::programmingAge(QDate today) const
{
    const QString &text = database_.LastProgrammingDate;
    return device::AgeSinceProgramming(text, ParseRecordDate(text), today);
}

bool OscCalibrationForm::readDeviceClock(QTime &time)
{
    const device::ClockOutcome outcome = device::FetchDeviceTime(link_, time);
    if (!outcome.started) {
        prompt_.showNotices(this, outcome.notices);
        return false;
    }
    if (!outcome.ok)
        prompt_.message(this, outcome.connectionLost ? device::connectionLostText(link_) : device::clockRefusedText());
    return outcome.ok;
}

void OscCalibrationForm::applyRecommendation(const device::Recommendation &recommendation)
{
    using Kind = device::Recommendation::Kind;
    switch (recommendation.kind) {
    case Kind::Capped:
        selectPeriod(CalibrationPeriod::Day);
        SecondsDeviation->setValue(device::periodMaximum(CalibrationPeriod::Day));
        prompt_.message(this, device::cappedDriftText());
        break;
    case Kind::Round: {
        selectPeriod(recommendation.period);
        const int seconds = askRounding_ ? askRounding_(device::periodWord(recommendation.period), recommendation.drift)
                                         : device::DecideRounding(recommendation.drift).seconds;
        SecondsDeviation->setValue(qMin(seconds, device::periodMaximum(recommendation.period)));
        break;
    }
    case Kind::Unneeded:
        SecondsDeviation->setValue(0);
        prompt_.message(this, device::preciseTimeBaseText());
        break;
    }
    selectDirection(recommendation.late);
    recompute();
}

CalibrationPeriod OscCalibrationForm::period() const
{
    return CalibrationPeriod(qBound(0, periodButtons_->checkedId(), 2));
}

void OscCalibrationForm::selectPeriod(CalibrationPeriod chosen)
{
    periodButtons_->button(int(chosen))->setChecked(true);
    TimePartsClick();
}

void OscCalibrationForm::selectDirection(bool late)
{
    directionButtons_->button(late ? 1 : 0)->setChecked(true);
    pendingLate_ = late ? 1 : 0;
}

// PendingCalibration from the seconds and the period shown; the seconds are
// taken within the period's limits, so it is always a byte.
void OscCalibrationForm::recompute()
{
    pendingCalibration_ = device::CalibrationFromSeconds(SecondsDeviation->value(), period());
}

} // namespace pellmora::ui
