#include "storage/FolderLock.h"

#include <QDir>

namespace pellmora::storage {

FolderLock::FolderLock(const QString &folder)
    : lock_(QDir(folder).filePath(QString::fromLatin1(FolderLockFileName)))
{
    // The lock is held for the whole run, however long: only a lock whose
    // program has ended is stale, never one that is merely old.
    lock_.setStaleLockTime(0);
    heldByAnother_ = !lock_.tryLock(0) && lock_.error() == QLockFile::LockFailedError;
}

} // namespace pellmora::storage
