#include "storage/UserFolder.h"

#include "storage/AboutText.h"
#include "storage/FileText.h"
#include "storage/StorageTexts.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <optional>

using namespace Qt::StringLiterals;

namespace pellmora::storage {

namespace {

// An about text is two lines for the info bar; a larger file is copied only
// as far as it would be read.
constexpr qint64 LargestAboutCopy = 64 * 1024;

void copyAboutText(const QString &target, const QStringList &sources)
{
    for (const QString &source : sources) {
        if (const std::optional<QByteArray> contents = readFileHead(source, LargestAboutCopy)) {
            replaceFile(target, *contents);
            return;
        }
    }
}

} // namespace

QString userFolderPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/pellmora"_s;
}

QStringList installedAboutTexts()
{
    return QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                     u"pellmora/"_s + QString::fromLatin1(AboutFileName));
}

bool EnterUserFolder(const QString &folder, const QStringList &aboutSources, QString *error)
{
    if (!QDir().mkpath(folder) || !QDir::setCurrent(folder)) {
        *error = uiText("Uživatelskou složku %1 nelze vytvořit ani otevřít.").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    const QString about = QDir(folder).filePath(QString::fromLatin1(AboutFileName));
    if (!QFileInfo::exists(about))
        copyAboutText(about, aboutSources);
    return true;
}

} // namespace pellmora::storage
