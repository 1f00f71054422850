#include "ui/LoadingDeviceData.h"

namespace pellmora::ui {

LoadingDeviceData::LoadingDeviceData(QWidget *parent)
    : TransferPanel(QStringLiteral("LoadPanel"), tr("Reading..."), Look{.size = {280, 100}, .progressBar = true}, parent)
{
    setObjectName(QStringLiteral("LoadingDeviceData"));
    setWindowTitle(tr("Načítám data ..."));
}

void LoadingDeviceData::showVerifying()
{
    setPanelText(tr("Verifying"));
    showCentred();
}

void LoadingDeviceData::closeVerifying()
{
    close();
    setPanelText(tr("Reading"));
}

} // namespace pellmora::ui
