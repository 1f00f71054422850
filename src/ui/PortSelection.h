#pragma once

#include "link/LinkState.h"

#include <QWidget>

#include <functional>

class QButtonGroup;
class QPushButton;
class QRadioButton;

namespace pellmora::ui {

// The port selection dialog "Selekce portu": four radio buttons for COM1 to
// COM4 and "&OK". A click only sets the pending choice; OK makes it the
// selected port. Closing with the close box changes nothing, and every show
// starts again from the selected port. Shown without modality, so OK can be
// pressed while a device operation runs: then it is refused with the busy
// text and changes nothing.
//
// Signals for the main window, in the order OK sends them:
//   connectionLost(): only when the choice differs from the port selected
//     before; the device commands are disabled until a communication test
//     succeeds again;
//   statusPanelChanged(index, text): panel 2 "! nepřipojeno !" (with
//     connectionLost), then panel 1 "port COMn" for the selected port;
//   portSelected(port): the selected port, after SelectedPort has been
//     written; the device connection follows it.
class Prompt;

class PortSelection : public QWidget {
    Q_OBJECT
public:
    PortSelection(link::LinkState &link, Prompt &prompt, QWidget *parent = nullptr);

    // True while a device operation runs; none by default.
    void setDeviceBusy(std::function<bool()> busy) { deviceBusy_ = std::move(busy); }

    quint8 pendingChoice() const { return pending_; }
    // "port COM1" .. "port COM4" for port 0..3.
    static QString portPanelText(quint8 port);

signals:
    void connectionLost();
    void statusPanelChanged(int index, const QString &text);
    void portSelected(quint8 port);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void checkSelectedPort();
    void PortSelectOKClick();

    link::LinkState &link_;
    Prompt &prompt_;
    std::function<bool()> deviceBusy_;
    quint8 pending_ = 0;
    QButtonGroup *ports_;
    QPushButton *PortSelectOK;
};

} // namespace pellmora::ui
