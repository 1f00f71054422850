#include "ui/ProgramFileDialogs.h"

#include "storage/RecordDate.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileSystemModel>

namespace pellmora::ui {

namespace {
constexpr int SizeColumn = 1;
constexpr int DateColumn = 3;
} // namespace

QVariant CzechFileDetails::data(const QModelIndex &index, int role) const
{
    const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
    if (role != Qt::DisplayRole || files == nullptr || !index.isValid())
        return QIdentityProxyModel::data(index, role);
    const QModelIndex source = mapToSource(index);
    if (index.column() == DateColumn)
        return files->lastModified(source).toString(QString::fromLatin1(storage::DateFormat) + QStringLiteral(" HH:mm"));
    if (index.column() == SizeColumn && !files->isDir(source))
        return QLocale(QLocale::Czech, QLocale::Czechia).formattedDataSize(files->size(source));
    return QIdentityProxyModel::data(index, role);
}

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
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setProxyModel(new CzechFileDetails(&dialog));
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
