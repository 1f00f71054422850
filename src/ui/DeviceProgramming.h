#pragma once

#include "ui/TransferPanel.h"

namespace pellmora::ui {

// The progress window of programming: the panel `ProgPanel` with
// "Programming..." and the bar of the bytes written while the image is
// written into the device's memory (and, when the write went through, while
// it is verified).
class DeviceProgramming : public TransferPanel {
    Q_OBJECT
public:
    explicit DeviceProgramming(QWidget *parent = nullptr);
};

} // namespace pellmora::ui
