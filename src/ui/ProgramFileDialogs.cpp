#include "ui/ProgramFileDialogs.h"

#include <QCoreApplication>
#include <QFileDialog>

namespace pellmora::ui {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("pellmora::ui::MainInterface", text);
}

} // namespace

// A name typed without a suffix opens the program file of that name.
QString askProgramFileToOpen(QWidget *parent)
{
    QFileDialog dialog(parent, tr("Otevřít soubor...."), QString(), tr("Pellmora File (*.plm)"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("plm"));
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QString askProgramFileToSave(QWidget *parent, const QString &title)
{
    QFileDialog dialog(parent, title, QString(), tr("Pellmora File (*.plm)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("plm"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QString askReportFileToSave(QWidget *parent, const QString &proposed)
{
    QFileDialog dialog(parent, tr("Uložit spínací program do PDF..."), QString(), tr("Dokument PDF (*.pdf)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog.selectFile(proposed);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

} // namespace pellmora::ui
