#pragma once

// Opening a recorded device: the program file of a database record, looked
// up in the program files folder, replaces the image in the editor.

#include "storage/DeviceDatabase.h"
#include "storage/FileLocations.h"
#include "storage/ProgramFile.h"

#include "model/DeviceImage.h"

#include <QString>

namespace pellmora::storage {

// The program file of `record`: DeviceDirectory, "/" and the record's file
// name, joined as they are (an empty folder gives "/" + the name).
QString DatabaseEntryPath(const QString &deviceDirectory, const DatabaseRecord &record);

// Opens record `index`: its date becomes LastProgrammingDate (also when the
// file then cannot be read), and the first 512 bytes of its program file
// replace `image`; that file becomes the current file, so a later Save
// writes the program back where it came from. A file that is missing or
// shorter than 512 bytes leaves the image and the current file unchanged
// and is reported with its path. An index outside the table does nothing
// (ok false, no notice). ok true: the window refills its instruction list
// and reloads the program.
FileOutcome OpenDatabaseEntry(DeviceDatabase &database, int index, FileLocations &locations,
                              model::DeviceImage &image);

} // namespace pellmora::storage
