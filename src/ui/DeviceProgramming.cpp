#include "ui/DeviceProgramming.h"

namespace pellmora::ui {

DeviceProgramming::DeviceProgramming(QWidget *parent)
    : TransferPanel(QStringLiteral("ProgPanel"), tr("Programming..."), parent)
{
    setObjectName(QStringLiteral("DeviceProgramming"));
    setWindowTitle(tr("Programuji..."));
}

} // namespace pellmora::ui
