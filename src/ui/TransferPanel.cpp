#include "TransferPanel.h"

#include "CentreOnScreen.h"

#include <QLabel>
#include <QVBoxLayout>

namespace pellmora::ui {

TransferPanel::TransferPanel(const QString &panelName, const QString &text, QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , panel_(new QLabel(text, this))
{
    panel_->setObjectName(panelName);
    panel_->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel_->setLineWidth(3);
    panel_->setAlignment(Qt::AlignCenter);
    QFont font = panel_->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.8);
    panel_->setFont(font);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(panel_);
    setFixedSize(260, 70);
}

void TransferPanel::showCentred()
{
    centreOnScreen(*this);
    show();
    raise();
}

QString TransferPanel::panelText() const
{
    return panel_->text();
}

void TransferPanel::setPanelText(const QString &text)
{
    panel_->setText(text);
}

} // namespace pellmora::ui
