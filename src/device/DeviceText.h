#pragma once

#include <QCoreApplication>
#include <QString>

namespace pellmora::device {

// User-facing texts of the device layer, translatable like the windows' own.
inline QString deviceText(const char *text)
{
    return QCoreApplication::translate("pellmora::device", text);
}

} // namespace pellmora::device
