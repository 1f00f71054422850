#include "BaudRateCheckSystemForm.h"

#include "CentreOnScreen.h"

#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>

namespace pellmora::ui {

BaudRateCheckSystemForm::BaudRateCheckSystemForm(QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , SysCheckPanel(new QFrame(this))
    , caption_(new QLabel(tr("Checking Your System"), SysCheckPanel))
{
    setObjectName(QStringLiteral("BaudRateCheckSystemForm"));
    SysCheckPanel->setObjectName(QStringLiteral("SysCheckPanel"));
    SysCheckPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    SysCheckPanel->setLineWidth(2);

    caption_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    caption_->setAlignment(Qt::AlignCenter);
    QFont font = caption_->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.3);
    caption_->setFont(font);

    auto *inner = new QVBoxLayout(SysCheckPanel);
    inner->setContentsMargins(6, 6, 6, 6);
    inner->addWidget(caption_);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(SysCheckPanel);
    setFixedSize(280, 80);
}

QString BaudRateCheckSystemForm::caption() const
{
    return caption_->text();
}

void BaudRateCheckSystemForm::showCentred()
{
    centreOnScreen(*this);
    show();
    raise();
}

} // namespace pellmora::ui
