#include "ui/OscCalibRoundForm.h"

#include "ui/CentreOnScreen.h"
#include "device/TimeBaseCalibration.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>


namespace pellmora::ui {

OscCalibRoundForm::OscCalibRoundForm(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("OscCalibRoundForm"));
    setWindowTitle(tr("Doporučené nastavení kalibrace"));
    setModal(true);

    ItemLabel = new QLabel(this);
    ItemLabel->setObjectName(QStringLiteral("ItemLabel"));
    ItemLabel->setWordWrap(true);
    RoundUpBtn = new QPushButton(tr("Zaokrouhlit nahoru"), this);
    RoundUpBtn->setObjectName(QStringLiteral("RoundUpBtn"));
    connect(RoundUpBtn, &QPushButton::clicked, this, &OscCalibRoundForm::RoundUpBtnClick);
    RoundDownBtn = new QPushButton(tr("Zaokrouhlit dolů"), this);
    RoundDownBtn->setObjectName(QStringLiteral("RoundDownBtn"));
    connect(RoundDownBtn, &QPushButton::clicked, this, &OscCalibRoundForm::RoundDownBtnClick);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(RoundUpBtn);
    buttons->addWidget(RoundDownBtn);
    auto *whole = new QVBoxLayout(this);
    whole->addWidget(ItemLabel);
    whole->addLayout(buttons);
}

int OscCalibRoundForm::AskRounding(const QString &periodWord, double drift)
{
    const device::RoundingDecision decision = device::DecideRounding(drift);
    int seconds = decision.seconds;
    if (decision.ask) {
        ItemLabel->setText(device::RoundingQuestion(drift, periodWord));
        adjustSize();
        centreOnScreen(*this);
        exec();
        seconds = device::RoundedSeconds(drift, roundUp_);
    }
    return qBound(0, seconds, 255);
}

void OscCalibRoundForm::RoundUpBtnClick()
{
    roundUp_ = true;
    accept();
}

void OscCalibRoundForm::RoundDownBtnClick()
{
    roundUp_ = false;
    accept();
}

} // namespace pellmora::ui
