#include "model/FileReplacement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pellmora::model {

namespace {

constexpr int LinkDepthLimit = 40; // as the kernel's own limit before ELOOP
constexpr int NameTries = 16;
constexpr qsizetype RandomLetters = 6;
constexpr qsizetype LongestName = 255; // bytes of one name in a folder
const QLatin1StringView TemporaryMark(".pellmora-tmp.");

FileReplacement refused(const QString &reason)
{
    return {false, reason};
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The file a name stands for: symbolic links followed to the end, which may
// be a name not yet taken. Nothing when the links run in a loop.
std::optional<QString> linkTarget(const QString &path)
{
    QString target = path;
    for (int depth = 0; depth <= LinkDepthLimit; ++depth) {
        const QFileInfo info(target);
        if (!info.isSymLink())
            return target;
        target = info.symLinkTarget();
    }
    return std::nullopt;
}

// What the name stands for now; nothing when the name is free (then the new
// file is simply created).
std::optional<struct stat> existingFile(const QString &path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return status;
}

// The start of every temporary file name of `target`, cut so that the whole
// name stays within what a folder allows.
QString temporaryPrefix(const QString &target)
{
    QString name = QFileInfo(target).fileName();
    while (QFile::encodeName(name).size() + TemporaryMark.size() + RandomLetters > LongestName)
        name.chop(1);
    return name + TemporaryMark;
}

QString randomLetters()
{
    static const QLatin1StringView letters("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789");
    QString text;
    for (qsizetype i = 0; i < RandomLetters; ++i)
        text += letters[QRandomGenerator::global()->bounded(int(letters.size()))];
    return text;
}

// Removes the temporary files of `target` that nobody holds any more: a run
// killed while it wrote left them. A program writing one now holds a native
// lock on it.
void removeLeftovers(const QString &target)
{
    const QFileInfo info(target);
    const QString prefix = temporaryPrefix(target);
    const QRegularExpression ours(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(prefix) + QStringLiteral("[A-Za-z0-9]{%1}").arg(RandomLetters)));
    const QDir folder = info.absoluteDir();
    for (const QString &name : folder.entryList({u'*' + TemporaryMark + u'*'}, QDir::Files | QDir::Hidden | QDir::System)) {
        if (!ours.match(name).hasMatch())
            continue;
        const QByteArray leftover = QFile::encodeName(folder.filePath(name));
        const int fd = ::open(leftover.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat opened {};
        if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(leftover.constData());
        ::close(fd);
    }
}

// A new temporary file beside `target`, open for writing and natively locked
// for as long as it is open; -1 with errno set when none can be made.
int createTemporary(const QString &target, QByteArray &name)
{
    const QString base = QFileInfo(target).absoluteDir().filePath(temporaryPrefix(target));
    for (int attempt = 0; attempt < NameTries; ++attempt) {
        name = QFile::encodeName(base + randomLetters());
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return -1;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return fd;
        ::close(fd); // taken by a remover in the instant between: try another name
    }
    errno = EEXIST;
    return -1;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += n;
    }
    return true;
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

// Fills the temporary file and puts it in place of `target`; the reason when
// it did not.
std::optional<QString> fillAndRename(int fd, const QByteArray &temporary, const QString &target,
                                     const std::optional<struct stat> &old, const QByteArray &bytes,
                                     const WriteInterruption &interrupted)
{
    // fsync: a write-back failure shows here rather than after the rename.
    if (!writeAll(fd, bytes) || ::fsync(fd) != 0)
        return systemError(errno);
    if (old && !takeOverOwnerAndMode(fd, *old))
        return QStringLiteral("the owner and permissions of the file cannot be kept: ") + systemError(errno);
    if (interrupted && interrupted())
        return QStringLiteral("the write was abandoned");
    if (::rename(temporary.constData(), QFile::encodeName(target).constData()) != 0)
        return systemError(errno);
    return std::nullopt;
}

} // namespace

FileReplacement replaceFile(const QString &path, const QByteArray &bytes, const WriteInterruption &interrupted)
{
    const std::optional<QString> target = linkTarget(path);
    if (!target)
        return refused(QStringLiteral("a loop of symbolic links (%1), not replaced").arg(systemError(ELOOP)));
    const std::optional<struct stat> old = existingFile(*target);
    if (old && !S_ISREG(old->st_mode))
        return refused(QStringLiteral("not a regular file (a folder, a device or a pipe), not replaced"));
    if (old && ::access(QFile::encodeName(*target).constData(), W_OK) != 0)
        return refused(QStringLiteral("the file may not be written (%1), not replaced").arg(systemError(errno)));

    removeLeftovers(*target);
    QByteArray temporary;
    const int fd = createTemporary(*target, temporary);
    if (fd < 0)
        return refused(systemError(errno));
    const std::optional<QString> failure = fillAndRename(fd, temporary, *target, old, bytes, interrupted);
    if (failure)
        ::unlink(temporary.constData());
    ::close(fd);
    return failure ? refused(*failure) : FileReplacement{true, {}};
}

} // namespace pellmora::model
