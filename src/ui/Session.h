#pragma once

#include "device/DeviceMemory.h"
#include "model/InstructionFormat.h"
#include "model/Program.h"
#include "link/LinkState.h"
#include "storage/ConfigurationFile.h"
#include "storage/DeviceDatabase.h"
#include "storage/FileLocations.h"

namespace pellmora::ui {

// The state that lives for the whole run of the application: the program
// being edited, its wording, the link settings, the file locations, the
// settings of the configuration file and the device database. The application
// creates one and hands it to the windows by reference; tests make their own.
struct Session {
    model::Program program;
    model::InstructionFormat format;
    link::LinkState link;
    storage::FileLocations files;
    storage::ConfigurationSettings configuration;
    storage::DeviceDatabase database;
    device::DeviceMemoryState deviceMemory;

    // After the configuration file was read: its settings go to the file
    // locations, the link and the wording's code.
    void takeConfiguration();
    // Before the configuration file is written: the settings as they are now.
    storage::ConfigurationSettings configurationToWrite() const;
};

} // namespace pellmora::ui
