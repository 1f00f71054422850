#include "storage/RefusedFile.h"

#include "storage/StorageTexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace pellmora::storage {

namespace {

QString backupName(const QString &path, int number)
{
    const QString name = path + QStringLiteral(".bak");
    return number == 0 ? name : name + u'.' + QString::number(number);
}

// A dangling link holds the name as well.
bool nameTaken(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

} // namespace

std::optional<QString> CopyRefusedFile(const QString &path)
{
    // Only a regular file has an end: a link to a device could be read forever.
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    int number = 0;
    while (nameTaken(backupName(path, number)))
        ++number;
    const QString copy = backupName(path, number);
    if (!QFile::copy(path, copy))
        return std::nullopt;
    return QFileInfo(copy).absoluteFilePath();
}

QString RefusedFileCopiedText(const QString &copy)
{
    return uiText("Původní soubor je uschován jako '%1'.").arg(QDir::toNativeSeparators(copy));
}

} // namespace pellmora::storage
