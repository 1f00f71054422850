#include "model/RunLock.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pellmora::model {

namespace {

// A program that takes a lock creates the file and writes its process id into
// it at once; a file younger than this may still be on its way.
constexpr qint64 FreshLockMs = 1000;
constexpr unsigned long OwnerWriteWaitMs = 100;

bool namesAnOwner(const QString &path)
{
    qint64 pid = 0;
    QString host;
    QString application;
    return QLockFile(path).getLockInfo(&pid, &host, &application);
}

bool isFresh(const QString &path)
{
    const qint64 age = QFileInfo(path).lastModified().msecsTo(QDateTime::currentDateTime());
    return age > -FreshLockMs && age < FreshLockMs;
}

// Removes a lock file that names no owner when no program holds it. A program
// that holds a lock keeps the file open with a native lock on it, so a native
// lock that can be had means the program that made the file is gone. True
// when the lock may be tried again.
bool removeOwnerless(const QString &path)
{
    if (isFresh(path)) {
        QThread::msleep(OwnerWriteWaitMs);
        if (namesAnOwner(path))
            return true; // a running program has just taken it: QLockFile judges it now
    }
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT; // gone meanwhile; unreadable: nothing can be told of its owner
    bool removed = false;
    struct stat opened {};
    struct stat named {};
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0
        && !namesAnOwner(path) && ::stat(name.constData(), &named) == 0 && named.st_ino == opened.st_ino
        && named.st_dev == opened.st_dev) {
        removed = ::unlink(name.constData()) == 0;
    }
    ::close(fd);
    return removed;
}

} // namespace

RunLock::RunLock(const QString &lockFilePath) : lock_(lockFilePath), path_(lockFilePath)
{
    // The lock is held for the whole run, however long: only a lock whose
    // program has ended is stale, never one that is merely old.
    lock_.setStaleLockTime(0);
}

RunLock::Result RunLock::take()
{
    // QLockFile itself takes over a file that names a process which no longer
    // runs; what it leaves is a file that names nobody.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (lock_.tryLock(0))
            return Result::Taken;
        if (lock_.error() != QLockFile::LockFailedError)
            return Result::Failed;
        if (namesAnOwner(path_))
            return Result::HeldByAnother;
        // One remover at a time, as QLockFile does it.
        QLockFile removing(path_ + QStringLiteral(".rmlock"));
        if (!removing.tryLock(0) || !removeOwnerless(path_))
            return Result::HeldByAnother;
    }
    return Result::HeldByAnother;
}

} // namespace pellmora::model
