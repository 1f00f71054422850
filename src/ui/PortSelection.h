#pragma once

#include "link/LinkState.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <functional>

class QButtonGroup;
class QComboBox;
class QPushButton;
class QRadioButton;

namespace pellmora::ui {

// The links the port dialog offers beside the port.
enum class LinkKind { Simulated, SerialDevice, IoPorts, FtdiCable };

struct LinkSelection {
    LinkKind kind = LinkKind::Simulated;
    // A serial device's path (empty: the selected COM port's own), or the
    // FTDI cable's serial number; empty for the other links.
    QString device;

    bool operator==(const LinkSelection &) const = default;
};

// One device in a list of the dialog: what it shows, and the device chosen
// with it.
struct DeviceEntry {
    QString text;
    QString device;
};

// The port selection dialog "Selekce portu": four radio buttons for COM1 to
// COM4, the link (group `LinkGroup`: `linkSim` the simulated switch,
// `linkTty` a serial device chosen or typed in `TtyDevice`, `linkIoPort`
// the direct I/O ports, `linkFtdi` an FTDI cable chosen in `FtdiDevice`,
// offered only when one is connected) and "&OK". A click only sets the
// pending choice; OK makes it the selected port and link. Closing with the
// close box changes nothing, and every show starts again from the selected
// port and the link in use, with the device lists read again. Shown without
// modality, so OK can be pressed while a device operation runs: then it is
// refused with the busy text and changes nothing.
//
// Signals for the main window, in the order OK sends them:
//   connectionLost(): only when the port or the link differs from the one
//     in use before; the device commands are disabled until a communication
//     test succeeds again;
//   statusPanelChanged(index, text): panel 2 "! nepřipojeno !" (with
//     connectionLost), then panel 1 "port COMn" for the selected port;
//   portSelected(port): the selected port, after SelectedPort has been
//     written, when the link stays; the device connection follows it;
//   linkSelected(link): instead of portSelected when another link was
//     chosen: the device connection moves to it on the selected port.
class Prompt;

class PortSelection : public QWidget {
    Q_OBJECT
public:
    PortSelection(link::LinkState &link, Prompt &prompt, QWidget *parent = nullptr);

    // True while a device operation runs; none by default.
    void setDeviceBusy(std::function<bool()> busy) { deviceBusy_ = std::move(busy); }
    // The link in use, which the dialog shows whenever it opens.
    void setLinkInUse(const LinkSelection &link);
    const LinkSelection &linkInUse() const { return linkInUse_; }
    // Where the lists of serial devices and of FTDI cables come from; read
    // at every show. None by default.
    void setDeviceLists(std::function<QList<DeviceEntry>()> serialDevices,
                        std::function<QList<DeviceEntry>()> ftdiCables);

    quint8 pendingChoice() const { return pending_; }
    LinkSelection pendingLink() const;
    // "port COM1" .. "port COM4" for port 0..3.
    static QString portPanelText(quint8 port);

signals:
    void connectionLost();
    void statusPanelChanged(int index, const QString &text);
    void portSelected(quint8 port);
    void linkSelected(const pellmora::ui::LinkSelection &link);

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *buildLinkGroup();
    void checkSelectedPort();
    void readDeviceLists();
    void checkLinkInUse();
    void PortSelectOKClick();

    link::LinkState &link_;
    Prompt &prompt_;
    std::function<bool()> deviceBusy_;
    std::function<QList<DeviceEntry>()> serialDevices_;
    std::function<QList<DeviceEntry>()> ftdiCables_;
    LinkSelection linkInUse_;
    quint8 pending_ = 0;
    QButtonGroup *ports_;
    QButtonGroup *links_;
    QRadioButton *linkFtdi_ = nullptr;
    QComboBox *TtyDevice = nullptr;
    QComboBox *FtdiDevice = nullptr;
    QPushButton *PortSelectOK;
};

} // namespace pellmora::ui
