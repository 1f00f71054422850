#pragma once

#include <QString>

namespace pellmora::ui {

// The main window's part in the database's add command: its save dialog,
// under a title of the command's own while the command runs, and its Save.
class ProgramSaving {
public:
    virtual ~ProgramSaving() = default;

    virtual QString saveDialogTitle() const = 0;
    virtual void setSaveDialogTitle(const QString &title) = 0;
    // The save dialog; an empty name: cancelled.
    virtual QString askSaveFileName() = 0;
    // The Save command.
    virtual void saveProgram() = 0;
    // A device transfer is running: nothing may replace or save the program.
    virtual bool deviceBusy() const = 0;
};

} // namespace pellmora::ui
