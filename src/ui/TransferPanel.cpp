#include "ui/TransferPanel.h"

#include "ui/CentreOnScreen.h"

#include <QLabel>
#include <QVBoxLayout>

namespace pellmora::ui {

TransferPanel::TransferPanel(const QString &panelName, const QString &text, QWidget *parent)
    : TransferPanel(panelName, text, Look{}, parent)
{
}

TransferPanel::TransferPanel(const QString &panelName, const QString &text, const Look &look, QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , panel_(new QLabel(text, this))
{
    QFrame *bevel = panel_;
    if (look.sunkenText) {
        bevel = new QFrame(this);
        panel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        auto *inner = new QVBoxLayout(bevel);
        inner->setContentsMargins(6, 6, 6, 6);
        inner->addWidget(panel_);
    }
    bevel->setObjectName(panelName);
    bevel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    bevel->setLineWidth(look.bevel);

    panel_->setAlignment(Qt::AlignCenter);
    QFont font = panel_->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * look.textScale);
    panel_->setFont(font);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bevel);
    setFixedSize(look.size);
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
