#include "sim/MemoryStateFile.h"

#include "sim/Eeprom24LC04.h"

#include "model/FileReplacement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace pellmora::sim {

MemoryStateFile::MemoryStateFile(QString path) : path_(std::move(path)) {}

void MemoryStateFile::load(Eeprom24LC04 &memory)
{
    persisted_ = memory.cells();
    if (path_.isEmpty())
        return;
    QFile file(path_);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        problem_ = QStringLiteral("%1: %2").arg(path_, file.errorString());
        return;
    }
    const QByteArray bytes = file.read(Eeprom24LC04::Size + 1);
    if (bytes.size() != Eeprom24LC04::Size) {
        problem_ = QStringLiteral("%1: not a %2-byte memory image, starting with a blank memory")
                       .arg(path_)
                       .arg(Eeprom24LC04::Size);
        return;
    }
    memory.setCells(bytes);
    persisted_ = bytes;
}

bool MemoryStateFile::save(const QByteArray &cells, QString *error)
{
    if (path_.isEmpty() || cells == persisted_)
        return true;
    const QFileInfo info(path_);
    if (!QDir().mkpath(info.absolutePath())) {
        if (error)
            *error = QStringLiteral("%1: cannot create the directory").arg(info.absolutePath());
        return false;
    }
    if (const model::FileReplacement written = model::replaceFile(path_, cells); !written) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path_, written.reason);
        return false;
    }
    persisted_ = cells;
    return true;
}

} // namespace pellmora::sim
