#include "model/FileReplacement.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

namespace pellmora::model {

namespace {

FileReplacement refused(const QString &reason)
{
    return {false, reason};
}

// What the name stands for now, a symbolic link followed; nothing when the
// name is free (then the new file is simply created).
std::optional<struct stat> existingFile(const QString &path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return status;
}

// The new file takes over the owner, group and permission bits of the one it
// replaces, so that replacing never changes who may read or write it.
bool takeOverOwnerAndMode(int fd, const struct stat &old)
{
    struct stat now {};
    if (::fstat(fd, &now) != 0)
        return false;
    if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) && ::fchown(fd, old.st_uid, old.st_gid) != 0)
        return false;
    return ::fchmod(fd, old.st_mode & 07777) == 0;
}

// The written bytes are on the disk: a write-back failure shows here rather
// than after the rename.
bool syncToDisk(int fd)
{
    return ::fsync(fd) == 0;
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

FileReplacement replaceFile(const QString &path, const QByteArray &bytes, const WriteInterruption &interrupted)
{
    const std::optional<struct stat> old = existingFile(path);
    if (old && !S_ISREG(old->st_mode))
        return refused(QStringLiteral("not a regular file (a folder, a device or a pipe), not replaced"));

    // Unbuffered: every write reaches the file at once and its count tells
    // whether all of it was taken (a full disk or a size limit shows here).
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return refused(file.errorString());
    if (file.write(bytes) != bytes.size() || !syncToDisk(file.handle())) {
        const QString reason = file.error() != QFileDevice::NoError ? file.errorString() : systemError();
        file.cancelWriting();
        return refused(reason);
    }
    if (old && !takeOverOwnerAndMode(file.handle(), *old)) {
        const QString reason = QStringLiteral("the owner and permissions of the file cannot be kept: ") + systemError();
        file.cancelWriting();
        return refused(reason);
    }
    if (interrupted && interrupted()) {
        file.cancelWriting();
        return refused(QStringLiteral("the write was abandoned"));
    }
    if (!file.commit())
        return refused(file.errorString());
    return {true, {}};
}

} // namespace pellmora::model
