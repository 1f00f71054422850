#include "sim/MemoryStateFile.h"

#include "sim/Eeprom24LC04.h"

#include "model/FileReplacement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace pellmora::sim {

namespace {

// One lock for every name of the same file (its folder exists by now).
QString lockPathOf(const QString &path)
{
    const QFileInfo info(path);
    QString canonical = info.canonicalFilePath();
    if (canonical.isEmpty())
        canonical = QDir(QDir(info.absolutePath()).canonicalPath()).filePath(info.fileName());
    return canonical + u".lock"_s;
}

// Why `path` cannot hold the memory: it names something other than a regular
// file, or links in a loop. Empty when it is a file or a name still free (or
// one that cannot be made: saving says why).
QString unusablePath(const QString &path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
        if (errno != ELOOP)
            return {};
        return u"Paměť simulovaného spínače %1 nelze otevřít: %2"_s.arg(path,
                                                                          QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (!S_ISREG(status.st_mode))
        return u"Paměť simulovaného spínače %1 není obyčejný soubor (je to složka, roura nebo zařízení)"_s.arg(path);
    return {};
}

} // namespace

MemoryStateFile::MemoryStateFile(QString path) : path_(std::move(path)) {}

MemoryStateFile::~MemoryStateFile() = default;

bool MemoryStateFile::take()
{
    refusal_ = unusablePath(path_);
    if (!refusal_.isEmpty())
        return false;
    if (lock_)
        return true;
    // The folder is made now so that the lock can be taken in it; a lock that
    // cannot be made for another reason does not stop the run (the save then
    // fails and says why).
    QDir().mkpath(QFileInfo(path_).absolutePath());
    auto lock = std::make_unique<model::RunLock>(lockPathOf(path_));
    if (lock->take() == model::RunLock::Result::HeldByAnother) {
        refusal_ = u"Paměť simulovaného spínače %1 používá jiný program"_s.arg(path_);
        return false;
    }
    lock_ = std::move(lock);
    return true;
}

void MemoryStateFile::load(Eeprom24LC04 &memory)
{
    persisted_ = memory.cells();
    if (path_.isEmpty() || !take())
        return;
    read(memory);
}

void MemoryStateFile::read(Eeprom24LC04 &memory)
{
    problem_.clear();
    // Without blocking: whatever replaced the file since it was looked at, a
    // pipe must not hang the run.
    const int fd = ::open(QFile::encodeName(path_).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT)
            problem_ = u"%1: %2"_s.arg(path_, QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    struct stat status {};
    QFile file;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || !file.open(fd, QIODevice::ReadOnly, QFile::AutoCloseHandle)) {
        ::close(fd);
        problem_ = u"%1: not a regular file, starting with a blank memory"_s.arg(path_);
        return;
    }
    const QByteArray bytes = file.read(Eeprom24LC04::Size + 1);
    if (bytes.size() != Eeprom24LC04::Size) {
        problem_ = u"%1: not a %2-byte memory image, starting with a blank memory"_s.arg(path_).arg(Eeprom24LC04::Size);
        return;
    }
    memory.setCells(bytes);
    persisted_ = bytes;
}

bool MemoryStateFile::save(const QByteArray &cells, QString *error)
{
    if (path_.isEmpty() || !refusal_.isEmpty() || cells == persisted_)
        return true;
    const QFileInfo info(path_);
    if (!QDir().mkpath(info.absolutePath())) {
        if (error)
            *error = u"%1: cannot create the directory"_s.arg(info.absolutePath());
        return false;
    }
    if (const model::FileReplacement written = model::replaceFile(path_, cells); !written) {
        if (error)
            *error = u"%1: %2"_s.arg(path_, written.reason);
        return false;
    }
    persisted_ = cells;
    return true;
}

} // namespace pellmora::sim
