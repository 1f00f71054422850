#include "ui/DeviceProgramming.h"

namespace pellmora::ui {

DeviceProgramming::DeviceProgramming(QWidget *parent)
    : TransferPanel(QStringLiteral("ProgPanel"), tr("Programming..."), Look{.size = {280, 100}, .progressBar = true}, parent)
{
    setObjectName(QStringLiteral("DeviceProgramming"));
    setWindowTitle(tr("Programuji..."));
}

} // namespace pellmora::ui
