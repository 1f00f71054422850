#include "ui/ProgramFileDialogs.h"

#include <QCoreApplication>
#include <QFileDialog>

namespace pellmora::ui {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("pellmora::ui::MainInterface", text);
}

// A file dialog: a name typed without a suffix gets `suffix`. An open dialog
// takes an existing file; a save dialog takes a new name as well as an
// existing one and asks before an existing file is overwritten.
QString askFileName(QWidget *parent, const QString &title, const QString &folder, const QString &filter,
                    const QString &suffix, bool saving, const QString &proposed = {})
{
    QFileDialog dialog(parent, title, folder, filter);
    dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(suffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (!proposed.isEmpty())
        dialog.selectFile(proposed);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

} // namespace

QString askProgramFileToOpen(QWidget *parent, const QString &folder)
{
    return askFileName(parent, tr("Otevřít soubor...."), folder, tr("Pellmora File (*.plm)"), QStringLiteral("plm"),
                       false);
}

QString askProgramFileToSave(QWidget *parent, const QString &title, const QString &folder)
{
    return askFileName(parent, title, folder, tr("Pellmora File (*.plm)"), QStringLiteral("plm"), true);
}

QString askReportFileToSave(QWidget *parent, const QString &proposed, const QString &folder)
{
    return askFileName(parent, tr("Uložit spínací program do PDF..."), folder, tr("Dokument PDF (*.pdf)"),
                       QStringLiteral("pdf"), true, proposed);
}

} // namespace pellmora::ui
