#pragma once

// The program file: exactly the 512 bytes of the device memory image, and the
// file commands below the windows (open, save, save as, the start-up reopen,
// the return to the start-up directory at close).

#include "storage/FileLocations.h"
#include "storage/FileText.h"

#include "model/DeviceImage.h"
#include "model/Notice.h"
#include "model/Outcome.h"

#include <QString>

namespace pellmora::storage {

struct FileStatus {
    bool ok = false;
};
using FileOutcome = model::Outcome<FileStatus>;

enum class SaveResult {
    Saved,
    Failed,
    NeedsFileName,  // no current file: the window asks for one and runs SaveProgramAs
};

struct SaveStatus {
    SaveResult result = SaveResult::Failed;
};
using SaveOutcome = model::Outcome<SaveStatus>;

// Reads a whole program file (its first 512 bytes) into `image`. A file that
// cannot be opened or holds fewer than 512 bytes leaves `image` unchanged.
bool ReadProgramFile(const QString &path, model::DeviceImage &image);

// Writes the 512 bytes of `image` to `path`, replacing any previous file at
// once; on failure the previous file is left as it was and the reason given.
storage::FileReplacement WriteProgramFile(const QString &path, const model::DeviceImage &image,
                      const storage::WriteInterruption &interrupted = {});

// Open: `fileName` becomes the current file before it is read. On failure the
// image keeps its contents and "Nelze číst z disku" is returned. Afterwards
// the window refills its list and reloads the program either way.
FileOutcome OpenProgramFile(const QString &fileName, FileLocations &locations, model::DeviceImage &image);

// Save as: `fileName` becomes the current file, then the image (with its
// header already packed) is written to it.
FileOutcome SaveProgramAs(const QString &fileName, FileLocations &locations, const model::DeviceImage &image);

// Save: makes DeviceDirectory current, then writes the current file (a
// relative name is taken in DeviceDirectory). With no current file the
// window runs Save as.
SaveOutcome SaveProgram(const FileLocations &locations, const model::DeviceImage &image);

// The start-up reopen of the program that was current at the last close,
// after the configuration has been read. ok is true when the image was
// replaced; the window then unpacks the header.
FileOutcome OpenLastFile(const FileLocations &locations, model::DeviceImage &image);

// The folder the program file dialogs open in: the program-files folder when
// it is set and exists, else the folder of the current file when that exists;
// empty when neither does (the dialog then opens in the current directory).
QString FileDialogFolder(const FileLocations &locations);

// Closing: makes StartUpDirectory current so that the configuration file is
// written where it was read. ok false: the settings are not to be written.
FileOutcome EnterStartUpDirectory(const FileLocations &locations);

} // namespace pellmora::storage
