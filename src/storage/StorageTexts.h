#pragma once

#include <QCoreApplication>
#include <QString>

namespace pellmora::storage {

// A user-facing text of the file operations, translatable like the windows' own.
inline QString uiText(const char *sourceText)
{
    return QCoreApplication::translate("pellmora::storage", sourceText);
}

} // namespace pellmora::storage
