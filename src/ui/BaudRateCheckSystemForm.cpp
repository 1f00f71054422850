#include "ui/BaudRateCheckSystemForm.h"

namespace pellmora::ui {

// A raised outer bevel around a lowered inner bevel with the caption.
BaudRateCheckSystemForm::BaudRateCheckSystemForm(QWidget *parent)
    : TransferPanel(QStringLiteral("SysCheckPanel"), tr("Checking Your System"),
                    Look{.bevel = 2, .textScale = 1.3, .size = {280, 80}, .sunkenText = true}, parent)
{
    setObjectName(QStringLiteral("BaudRateCheckSystemForm"));
}

} // namespace pellmora::ui
