#include "storage/DatabaseEntry.h"

#include "storage/StorageTexts.h"

using namespace pellmora::model;

namespace pellmora::storage {

QString DatabaseEntryPath(const QString &deviceDirectory, const DatabaseRecord &record)
{
    return deviceDirectory + QLatin1Char('/') + record.File;
}

FileOutcome OpenDatabaseEntry(DeviceDatabase &database, int index, FileLocations &locations, DeviceImage &image)
{
    if (index < 0 || index >= database.RecordCount())
        return {{false}, {}};
    const DatabaseRecord &record = database.Records.at(index);
    database.LastProgrammingDate = record.Date;
    const QString path = DatabaseEntryPath(locations.DeviceDirectory, record);
    if (!ReadProgramFile(path, image))
        return {{false}, {Notice::message(storage::uiText("Nelze číst z disku, nebo soubor neexistuje v adresáři : ")
                                          + path)}};
    locations.CurrentFileName = path;
    return {{true}, {}};
}

} // namespace pellmora::storage
