#include "ui/TransferPanel.h"

#include "ui/CentreOnScreen.h"

#include <QLabel>
#include <QProgressBar>
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
    if (look.sunkenText || look.progressBar) {
        bevel = new QFrame(this);
        if (look.sunkenText)
            panel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        auto *inner = new QVBoxLayout(bevel);
        inner->setContentsMargins(6, 6, 6, 6);
        inner->addWidget(panel_, 1);
        if (look.progressBar) {
            progress_ = new QProgressBar(bevel);
            progress_->setObjectName(QStringLiteral("TransferProgress"));
            progress_->setFormat(tr("%v z %m bajtů"));
            progress_->setAlignment(Qt::AlignCenter);
            inner->addWidget(progress_);
        }
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
    if (progress_)
        progress_->reset();
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

void TransferPanel::setProgress(int done, int total)
{
    if (!progress_ || total <= 0)
        return;
    progress_->setRange(0, total);
    progress_->setValue(qBound(0, done, total));
}

QString TransferPanel::progressText() const
{
    return progress_ ? progress_->text() : QString();
}

int TransferPanel::progressPercent() const
{
    if (!progress_ || progress_->value() < progress_->minimum() || progress_->maximum() <= 0)
        return -1;
    return progress_->value() * 100 / progress_->maximum();
}

} // namespace pellmora::ui
