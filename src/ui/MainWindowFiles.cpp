// The main window's file commands: a new program, open, save and save as,
// and the question before unsaved changes would be lost. The file named in
// the title is the file Save writes: the one opened last, from a file or
// from the database, or saved as.

#include "ui/MainInterface.h"

#include "ui/EditorPanel.h"
#include "ui/ProgramHistory.h"
#include "ui/Prompt.h"
#include "ui/Session.h"

#include "model/ProgramHeader.h"
#include "storage/ProgramFile.h"


using namespace pellmora::model;
using namespace pellmora::storage;

namespace pellmora::ui {

QString MainInterface::openFileName()
{
    return services_.askOpenFileName(this, FileDialogFolder(session_.files));
}

QString MainInterface::saveFileName()
{
    return services_.askSaveFileName(this, saveDialogTitle_, FileDialogFolder(session_.files));
}

bool MainInterface::programInFile() const
{
    return saved_.inFile(session_.program);
}

// Loaded, saved or started anew: the steps before cannot be taken back.
void MainInterface::rememberProgram(bool inFile)
{
    saved_.remember(session_.program, inFile);
    history_->clear();
}

// Yes saves as Save does and goes on only when the program was saved; No goes
// on without saving; Cancel stays.
bool MainInterface::SaveChangesQuery()
{
    if (!saved_.changed(session_.program))
        return true;
    switch (prompt_.askYesNoCancel(this, tr("Program nebyl uložen. Uložit změny?"))) {
    case Prompt::Choice::Yes:
        return saveProgramFile();
    case Prompt::Choice::No:
        return true;
    case Prompt::Choice::Cancel:
        break;
    }
    return false;
}

void MainInterface::NewTimerClick()
{
    if (!SaveChangesQuery())
        return;
    if (!prompt_.ask(this, tr("Opravdu chcete pokračovat ? - ! smažu všechno co jste si tam naťukali !"),
                     Prompt::Buttons::YesCancel))
        return;
    editorPanel_->clearList();
    session_.program.image.clear();
    session_.program.settings.DeviceName.clear();
    session_.files.CurrentFileName.clear();
    rememberProgram(false);
    DeviceConfigurationClick();
    history_->clear();
}

void MainInterface::LoadFileClick()
{
    if (!SaveChangesQuery())
        return;
    const QString name = openFileName();
    if (name.isEmpty())
        return;
    const FileOutcome opened = OpenProgramFile(name, session_.files, session_.program.image);
    showNotices(opened.notices);
    editor_.FillInstructionList();
    ReloadProgram();
    if (opened.ok)
        rememberProgram(true);
}

void MainInterface::programOpenedFromFile()
{
    editor_.FillInstructionList();
    ReloadProgram();
    rememberProgram(true);
}

void MainInterface::SaveClick()
{
    saveProgramFile();
}

void MainInterface::SaveAsClick()
{
    saveProgramFileAs();
}

bool MainInterface::saveProgramFile()
{
    PackHeader(session_.program);
    const SaveOutcome saved = SaveProgram(session_.files, session_.program.image);
    showNotices(saved.notices);
    if (saved.result == SaveResult::NeedsFileName)
        return saveProgramFileAs();
    if (saved.result != SaveResult::Saved)
        return false;
    rememberProgram(true);
    UpdateTitle();
    return true;
}

bool MainInterface::saveProgramFileAs()
{
    const QString name = saveFileName();
    if (name.isEmpty())
        return false;
    PackHeader(session_.program);
    const FileOutcome saved = SaveProgramAs(name, session_.files, session_.program.image);
    showNotices(saved.notices);
    UpdateTitle();
    if (saved.ok)
        rememberProgram(true);
    return saved.ok;
}

} // namespace pellmora::ui
