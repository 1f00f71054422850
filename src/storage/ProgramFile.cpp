#include "storage/ProgramFile.h"

#include "storage/StorageTexts.h"

#include <QDir>
#include <QFileInfo>

using namespace pellmora::model;

namespace pellmora::storage {

using storage::uiText;

namespace {

QString cannotReadText() { return uiText("Nelze číst z disku"); }
QString cannotWriteText() { return uiText("Nelze zapisovat na disk"); }
QString cannotSaveText()
{
    return uiText("Nelze zapisovat na disk nebo je chybná cesta, nahlédněte prosím do ADRESÁŘŮ");
}
QString lastFileMissingText(const QString &fileName)
{
    return uiText("Nelze číst z disku, nebo soubor neexistuje v adresáři : ") + fileName;
}

FileOutcome failure(const QString &message)
{
    return {{false}, {Notice::message(message)}};
}

} // namespace

bool ReadProgramFile(const QString &path, DeviceImage &image)
{
    const std::optional<QByteArray> bytes = storage::readFileHead(path, DeviceImage::ByteCount);
    if (!bytes || bytes->size() < DeviceImage::ByteCount)
        return false;
    image.setBytes(*bytes);
    return true;
}

storage::FileReplacement WriteProgramFile(const QString &path, const DeviceImage &image,
                                          const storage::WriteInterruption &interrupted)
{
    return storage::replaceFile(path, image.toBytes(), interrupted);
}

FileOutcome OpenProgramFile(const QString &fileName, FileLocations &locations, DeviceImage &image)
{
    locations.CurrentFileName = fileName;
    if (!ReadProgramFile(fileName, image))
        return failure(cannotReadText());
    return {{true}, {}};
}

FileOutcome SaveProgramAs(const QString &fileName, FileLocations &locations, const DeviceImage &image)
{
    locations.CurrentFileName = fileName;
    if (!WriteProgramFile(fileName, image))
        return failure(cannotWriteText());
    return {{true}, {}};
}

SaveOutcome SaveProgram(const FileLocations &locations, const DeviceImage &image)
{
    const SaveOutcome failed{{SaveResult::Failed}, {Notice::message(cannotSaveText())}};
    if (locations.DeviceDirectory.isEmpty() || !QDir::setCurrent(locations.DeviceDirectory))
        return failed;
    if (locations.CurrentFileName.isEmpty())
        return {{SaveResult::NeedsFileName}, {}};
    if (!WriteProgramFile(locations.CurrentFileName, image))
        return failed;
    return {{SaveResult::Saved}, {}};
}

FileOutcome OpenLastFile(const FileLocations &locations, DeviceImage &image)
{
    if (locations.CurrentFileName.isEmpty())
        return {{false}, {}};
    if (!ReadProgramFile(locations.CurrentFileName, image))
        return failure(lastFileMissingText(locations.CurrentFileName));
    return {{true}, {}};
}

QString FileDialogFolder(const FileLocations &locations)
{
    if (!locations.DeviceDirectory.isEmpty() && QFileInfo(locations.DeviceDirectory).isDir())
        return QFileInfo(locations.DeviceDirectory).absoluteFilePath();
    if (locations.CurrentFileName.isEmpty())
        return {};
    const QFileInfo file(locations.CurrentFileName);
    return QFileInfo(file.absolutePath()).isDir() ? file.absolutePath() : QString();
}

FileOutcome EnterStartUpDirectory(const FileLocations &locations)
{
    if (!locations.StartUpDirectory.isEmpty() && QDir::setCurrent(locations.StartUpDirectory))
        return {{true}, {}};
    return failure(uiText("Nějaká vadná cesta spustitelného souboru (PMX): ") + locations.StartUpDirectory
                   + uiText(" , nemohu uložit změny doposavad provedené"));
}

} // namespace pellmora::storage
