#pragma once

#include <QString>

namespace pellmora::storage {

// Where the program finds its files, for the whole run. The configuration
// file, the device database and the about text are opened by bare name in
// the process's current directory, which starts as StartUpDirectory; a Save
// makes DeviceDirectory current, closing makes StartUpDirectory current again.
struct FileLocations {
    QString CurrentFileName;   // the current program file; empty: none yet
    QString DeviceDirectory;   // the folder of the program files in the database
    QString StartUpDirectory;  // the current directory when the main window was created
    QString SystemDirectory;   // shown and edited as the database folder; only stored
};

} // namespace pellmora::storage
