#pragma once

#include "model/Notice.h"

#include <QString>

class QMainWindow;

namespace pellmora::model {
class ProgramEditor;
}

namespace pellmora::ui {

struct Session;

// What the device commands need of the window that owns them: the program
// and its editor, the window's messages and status panels, and the window
// itself, which is the parent of their questions and is locked while a
// command runs.
class DeviceCommandsHost {
public:
    virtual ~DeviceCommandsHost() = default;

    virtual Session &session() = 0;
    virtual model::ProgramEditor &editor() = 0;
    // The program read from the device: header unpacked, window refreshed.
    virtual void ReloadProgram() = 0;
    virtual void SetDeviceCommandsEnabled(bool enabled) = 0;
    virtual void setStatusPanel(int index, const QString &text) = 0;
    // A line in the info bar, which stays until the next one.
    virtual void ShowInfo(const QString &message) = 0;
    // Messages in boxes, info lines in the info bar.
    virtual void showNotices(const model::Notices &notices) = 0;
    // Processes pending window messages.
    virtual void pump() = 0;
    // A file holds the program as it is.
    virtual bool programInFile() const = 0;
    virtual QMainWindow &commandWindow() = 0;
};

} // namespace pellmora::ui
