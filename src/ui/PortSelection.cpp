#include "ui/PortSelection.h"

#include "ui/Prompt.h"
#include "device/DeviceMemory.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace pellmora::link;

namespace pellmora::ui {

namespace {

constexpr int PortCount = 4;

// The index of the entry for `device` in a list, by its device or by the
// name it shows first; -1 when the list has none.
int entryFor(const QComboBox &box, const QString &device)
{
    for (int i = 0; i < box.count(); ++i) {
        const QString text = box.itemText(i);
        if (box.itemData(i).toString() == device || text == device || text.startsWith(device + QLatin1String(" (")))
            return i;
    }
    return -1;
}

// The device of the entry whose text the box shows, else the text typed.
QString chosenDevice(const QComboBox &box)
{
    const QString text = box.currentText().trimmed();
    const int index = box.findText(text);
    return index >= 0 ? box.itemData(index).toString() : text;
}

} // namespace

PortSelection::PortSelection(LinkState &link, Prompt &prompt, QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , link_(link)
    , prompt_(prompt)
    , ports_(new QButtonGroup(this))
    , links_(new QButtonGroup(this))
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
    choices->addStretch();
    ports_->button(1)->setChecked(true);
    PortSelectOK->setObjectName(QStringLiteral("PortSelectOK"));
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(choices);
    layout->addWidget(buildLinkGroup());
    layout->addWidget(PortSelectOK, 0, Qt::AlignBottom);
    // The size follows the contents: the FTDI row comes and goes.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(ports_, &QButtonGroup::idClicked, this, [this](int port) { pending_ = quint8(port); });
    connect(PortSelectOK, &QPushButton::clicked, this, &PortSelection::PortSelectOKClick);
    checkSelectedPort();
    checkLinkInUse();
}

QWidget *PortSelection::buildLinkGroup()
{
    auto *group = new QGroupBox(tr(" Spojení "), this);
    group->setObjectName(QStringLiteral("LinkGroup"));
    const auto addLink = [this, group](LinkKind kind, const char *name, const QString &caption) {
        auto *button = new QRadioButton(caption, group);
        button->setObjectName(QLatin1String(name));
        links_->addButton(button, int(kind));
        return button;
    };
    QRadioButton *simulated = addLink(LinkKind::Simulated, "linkSim", tr("simulovaný spínač"));
    QRadioButton *serial = addLink(LinkKind::SerialDevice, "linkTty", tr("sériové zařízení:"));
    QRadioButton *ioPorts = addLink(LinkKind::IoPorts, "linkIoPort", tr("přímé porty I/O"));
    linkFtdi_ = addLink(LinkKind::FtdiCable, "linkFtdi", tr("kabel FTDI:"));

    TtyDevice = new QComboBox(group);
    TtyDevice->setObjectName(QStringLiteral("TtyDevice"));
    TtyDevice->setEditable(true);
    TtyDevice->setInsertPolicy(QComboBox::NoInsert);
    TtyDevice->setMinimumContentsLength(28);
    TtyDevice->setToolTip(tr("Vyberte zařízení ze seznamu nebo napište jeho cestu"));
    FtdiDevice = new QComboBox(group);
    FtdiDevice->setObjectName(QStringLiteral("FtdiDevice"));

    auto *grid = new QGridLayout(group);
    grid->addWidget(simulated, 0, 0, 1, 2);
    grid->addWidget(serial, 1, 0);
    grid->addWidget(TtyDevice, 1, 1);
    grid->addWidget(ioPorts, 2, 0, 1, 2);
    grid->addWidget(linkFtdi_, 3, 0);
    grid->addWidget(FtdiDevice, 3, 1);

    // Which cables can power the switch's interface, and how fast each goes.
    auto *cableNote = new QLabel(
        tr("Rozhraní napájí jen kabel s převodníkem RS-232 a konektorem D-sub 9. Nejrychlejší je kabel "
           "FTDI jako „kabel FTDI“; jako sériové zařízení jsou pomalejší adaptéry ftdi_sio a cp210x a "
           "nejpomalejší pl2303 a ch341. Kabel s úrovněmi TTL ani samotný modul FT232H rozhraní nenapájí."),
        group);
    cableNote->setObjectName(QStringLiteral("CableNote"));
    cableNote->setWordWrap(true);
    grid->addWidget(cableNote, 4, 0, 1, 2);

    // Choosing or typing a device chooses its link.
    connect(TtyDevice, &QComboBox::activated, serial, [serial] { serial->setChecked(true); });
    connect(TtyDevice->lineEdit(), &QLineEdit::textEdited, serial, [serial] { serial->setChecked(true); });
    connect(FtdiDevice, &QComboBox::activated, linkFtdi_, [this] { linkFtdi_->setChecked(true); });
    return group;
}

void PortSelection::setLinkInUse(const LinkSelection &link)
{
    linkInUse_ = link;
    checkLinkInUse();
}

void PortSelection::setDeviceLists(std::function<QList<DeviceEntry>()> serialDevices,
                                   std::function<QList<DeviceEntry>()> ftdiCables)
{
    serialDevices_ = std::move(serialDevices);
    ftdiCables_ = std::move(ftdiCables);
}

QString PortSelection::portPanelText(quint8 port)
{
    return tr("port COM%1").arg(int(port) + 1);
}

LinkSelection PortSelection::pendingLink() const
{
    const auto kind = LinkKind(links_->checkedId());
    switch (kind) {
    case LinkKind::SerialDevice:
        return {kind, chosenDevice(*TtyDevice)};
    case LinkKind::FtdiCable:
        return {kind, FtdiDevice->currentData().toString()};
    case LinkKind::Simulated:
    case LinkKind::IoPorts:
        break;
    }
    return {kind, {}};
}

void PortSelection::showEvent(QShowEvent *event)
{
    checkSelectedPort();
    readDeviceLists();
    checkLinkInUse();
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

// The devices as they are now: adapters come and go. The serial list starts
// with the COM port's own device; the FTDI row shows only with a cable
// connected (or in use).
void PortSelection::readDeviceLists()
{
    TtyDevice->clear();
    TtyDevice->addItem(tr("podle portu COM (/dev/ttyS0 až /dev/ttyS3)"), QString());
    if (serialDevices_) {
        for (const DeviceEntry &entry : serialDevices_())
            TtyDevice->addItem(entry.text, entry.device);
    }
    FtdiDevice->clear();
    if (ftdiCables_) {
        for (const DeviceEntry &entry : ftdiCables_())
            FtdiDevice->addItem(entry.text, entry.device);
    }
}

void PortSelection::checkLinkInUse()
{
    links_->button(int(linkInUse_.kind))->setChecked(true);
    const bool ftdiShown = FtdiDevice->count() > 0 || linkInUse_.kind == LinkKind::FtdiCable;
    linkFtdi_->setVisible(ftdiShown);
    FtdiDevice->setVisible(ftdiShown);

    const QString serial = linkInUse_.kind == LinkKind::SerialDevice ? linkInUse_.device : QString();
    const int serialIndex = entryFor(*TtyDevice, serial);
    if (serialIndex >= 0)
        TtyDevice->setCurrentIndex(serialIndex);
    else
        TtyDevice->setEditText(serial);
    if (linkInUse_.kind == LinkKind::FtdiCable) {
        if (entryFor(*FtdiDevice, linkInUse_.device) < 0)
            FtdiDevice->addItem(linkInUse_.device, linkInUse_.device);
        FtdiDevice->setCurrentIndex(entryFor(*FtdiDevice, linkInUse_.device));
    }
}

// Refused (the dialog stays open) while a device operation runs: the link
// cannot move to another port or backend under a transfer.
void PortSelection::PortSelectOKClick()
{
    if (deviceBusy_ && deviceBusy_()) {
        prompt_.notify(this, device::busyText());
        return;
    }
    const LinkSelection link = pendingLink();
    const bool linkChanged = link != linkInUse_;
    if (pending_ != link_.SelectedPort || linkChanged) {
        emit connectionLost();
        emit statusPanelChanged(2, tr("! nepřipojeno !"));
    }
    link_.SelectedPort = pending_;
    emit statusPanelChanged(1, portPanelText(link_.SelectedPort));
    if (linkChanged)
        emit linkSelected(link);
    else
        emit portSelected(link_.SelectedPort);
    close();
}

} // namespace pellmora::ui
