// The main window's file commands: a new program, open, save and save as.

#include "ui/MainInterface.h"

#include "ui/EditorPanel.h"
#include "ui/Prompt.h"
#include "ui/Session.h"

#include "model/ProgramHeader.h"
#include "storage/ProgramFile.h"


using namespace pellmora::model;
using namespace pellmora::storage;

namespace pellmora::ui {

QString MainInterface::openFileName()
{
    return services_.askOpenFileName(this);
}

QString MainInterface::saveFileName()
{
    return services_.askSaveFileName(this, saveDialogTitle_);
}

void MainInterface::NewTimerClick()
{
    if (!prompt_.ask(this, tr("Opravdu chcete pokračovat ? - ! smažu všechno co jste si tam naťukali !"),
                     Prompt::Buttons::YesCancel))
        return;
    editorPanel_->clearList();
    session_.program.image.clear();
    session_.program.settings.DeviceName.clear();
    session_.files.CurrentFileName.clear();
    DeviceConfigurationClick();
}

void MainInterface::LoadFileClick()
{
    const QString name = openFileName();
    if (name.isEmpty())
        return;
    const FileOutcome opened = OpenProgramFile(name, session_.files, session_.program.image);
    showNotices(opened.notices);
    editor_.FillInstructionList();
    ReloadProgram();
}

void MainInterface::SaveClick()
{
    PackHeader(session_.program);
    const SaveOutcome saved = SaveProgram(session_.files, session_.program.image);
    showNotices(saved.notices);
    if (saved.result == SaveResult::NeedsFileName)
        SaveAsClick();
}

void MainInterface::SaveAsClick()
{
    const QString name = saveFileName();
    if (name.isEmpty())
        return;
    PackHeader(session_.program);
    showNotices(SaveProgramAs(name, session_.files, session_.program.image).notices);
}

} // namespace pellmora::ui
