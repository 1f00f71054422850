#pragma once

#include "ui/TransferPanel.h"

namespace pellmora::ui {

// The progress window of loading and of verification: the panel `LoadPanel`
// with "Reading..." at start and the bar of the bytes read. A verification shows "Verifying" while it
// runs and leaves "Reading" (without the dots) behind.
class LoadingDeviceData : public TransferPanel {
    Q_OBJECT
public:
    explicit LoadingDeviceData(QWidget *parent = nullptr);

    // The panel text of a verification, then the window shown.
    void showVerifying();
    // The window closed, the panel back to reading.
    void closeVerifying();
};

} // namespace pellmora::ui
