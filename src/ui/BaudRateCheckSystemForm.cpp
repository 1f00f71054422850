#include "BaudRateCheckSystemForm.h"

#include "CentreOnScreen.h"

#include <QLabel>
#include <QVBoxLayout>

namespace pellmora::ui {

BaudRateCheckSystemForm::BaudRateCheckSystemForm(QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , SysCheckPanel(new QLabel(tr("Checking Your System"), this))
{
    setObjectName(QStringLiteral("BaudRateCheckSystemForm"));
    SysCheckPanel->setObjectName(QStringLiteral("SysCheckPanel"));
    SysCheckPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    SysCheckPanel->setLineWidth(1);
    SysCheckPanel->setAlignment(Qt::AlignCenter);
    QFont font = SysCheckPanel->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.3);
    SysCheckPanel->setFont(font);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(SysCheckPanel);
    setFixedSize(260, 70);
}

void BaudRateCheckSystemForm::showCentred()
{
    centreOnScreen(*this);
    show();
    raise();
}

} // namespace pellmora::ui
