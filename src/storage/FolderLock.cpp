#include "storage/FolderLock.h"

#include <QDir>

namespace pellmora::storage {

FolderLock::FolderLock(const QString &folder)
    : lock_(QDir(folder).filePath(QString::fromLatin1(FolderLockFileName)))
{
    heldByAnother_ = lock_.take() == model::RunLock::Result::HeldByAnother;
}

} // namespace pellmora::storage
