#include "ui/PortSelection.h"

#include "ui/Prompt.h"
#include "device/DeviceMemory.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace pellmora::link;

namespace pellmora::ui {

namespace {

constexpr int PortCount = 4;

} // namespace

PortSelection::PortSelection(LinkState &link, Prompt &prompt, QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , link_(link)
    , prompt_(prompt)
    , ports_(new QButtonGroup(this))
    , PortSelectOK(new QPushButton(tr("&OK"), this))
{
    setObjectName(QStringLiteral("PortSelection"));
    setWindowTitle(tr("Selekce portu"));
    auto *choices = new QVBoxLayout;
    for (int port = 0; port < PortCount; ++port) {
        auto *button = new QRadioButton(portPanelText(quint8(port)), this);
        button->setObjectName(QStringLiteral("portCOM%1").arg(port + 1));
        ports_->addButton(button, port);
        choices->addWidget(button);
    }
    ports_->button(1)->setChecked(true);
    PortSelectOK->setObjectName(QStringLiteral("PortSelectOK"));
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(choices);
    layout->addWidget(PortSelectOK, 0, Qt::AlignBottom);
    setFixedSize(sizeHint());

    connect(ports_, &QButtonGroup::idClicked, this, [this](int port) { pending_ = quint8(port); });
    connect(PortSelectOK, &QPushButton::clicked, this, &PortSelection::PortSelectOKClick);
    checkSelectedPort();
}

QString PortSelection::portPanelText(quint8 port)
{
    return tr("port COM%1").arg(int(port) + 1);
}

void PortSelection::showEvent(QShowEvent *event)
{
    checkSelectedPort();
    QWidget::showEvent(event);
}

// The button of the selected port checked, as if clicked: the pending choice
// is the selected port whenever the dialog opens.
void PortSelection::checkSelectedPort()
{
    const quint8 port = link_.SelectedPort < PortCount ? link_.SelectedPort : 0;
    ports_->button(port)->setChecked(true);
    pending_ = port;
}

// Refused (the dialog stays open) while a device operation runs: the link
// cannot move to another port under a transfer.
void PortSelection::PortSelectOKClick()
{
    if (deviceBusy_ && deviceBusy_()) {
        prompt_.message(this, device::busyText());
        return;
    }
    if (pending_ != link_.SelectedPort) {
        emit connectionLost();
        emit statusPanelChanged(2, tr("! nepřipojeno !"));
    }
    link_.SelectedPort = pending_;
    emit statusPanelChanged(1, portPanelText(link_.SelectedPort));
    emit portSelected(link_.SelectedPort);
    close();
}

} // namespace pellmora::ui
