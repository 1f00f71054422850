#pragma once

#include "ui/TransferPanel.h"

namespace pellmora::ui {

// The "Checking Your System" panel: a borderless window centred on the
// screen, shown while the bus delays are calibrated and closed afterwards.
// It has no controls and no events of its own.
//
// Usage: showCentred() shows the panel in the middle of the screen; the
// calibration sequence then processes pending messages once so that it is
// painted before the user interface blocks, and close() hides it again.
class BaudRateCheckSystemForm : public TransferPanel {
    Q_OBJECT
public:
    explicit BaudRateCheckSystemForm(QWidget *parent = nullptr);

    QString caption() const { return panelText(); }
};

} // namespace pellmora::ui
