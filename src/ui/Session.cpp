#include "ui/Session.h"

using namespace pellmora::model;
using namespace pellmora::storage;

namespace pellmora::ui {

void Session::takeConfiguration()
{
    files.CurrentFileName = configuration.CurrentFileName;
    files.DeviceDirectory = configuration.DeviceDirectory;
    files.SystemDirectory = configuration.SystemDirectory;
    link.SelectedPort = configuration.SelectedPort;
    link.EepromBaudRate = configuration.EepromBaudRate;
    link.PicBaudRate = configuration.PicBaudRate;
    format.SetCurrentInstrFormat(configuration.FormatCode, configuration.UserOnWord, configuration.UserOffWord);
}

ConfigurationSettings Session::configurationToWrite() const
{
    ConfigurationSettings settings = configuration;
    settings.CurrentFileName = files.CurrentFileName;
    settings.DeviceDirectory = files.DeviceDirectory;
    settings.SystemDirectory = files.SystemDirectory;
    settings.SelectedPort = link.SelectedPort;
    settings.EepromBaudRate = link.EepromBaudRate;
    settings.PicBaudRate = link.PicBaudRate;
    settings.FormatCode = format.FormatCode;
    return settings;
}

} // namespace pellmora::ui
