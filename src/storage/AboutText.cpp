#include "storage/AboutText.h"

#include "storage/FileText.h"
#include "storage/StorageTexts.h"

#include <QDir>

using namespace pellmora::model;

namespace pellmora::storage {

namespace {
// Two lines of an info-bar text never need more; a larger file is not read whole.
constexpr qint64 LargestAboutText = 64 * 1024;
} // namespace

AboutText ReadAboutText(const QString &folder)
{
    const std::optional<QByteArray> contents =
        storage::readFileHead(QDir(folder).filePath(QString::fromLatin1(AboutFileName)), LargestAboutText);
    if (!contents)
        return {false, {}, {Notice::message(storage::uiText("Nenelezen About Vantor Corp. Soubor : 'about.abg'"))}};
    const QList<QByteArray> lines = storage::splitLines(*contents).mid(0, 2);
    return {true, storage::decodeFileText(lines.join()), {}};
}

} // namespace pellmora::storage
