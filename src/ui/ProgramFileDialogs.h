#pragma once

#include <QIdentityProxyModel>
#include <QString>

class QWidget;

namespace pellmora::ui {

// The file dialogs are Qt's own, in Czech whatever the machine's locale: the
// translations come with the application, and this model gives the file list
// its dates (dd.MM.yyyy HH:mm) and sizes, which the dialog would otherwise
// take from the environment's locale.
class CzechFileDetails : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex &index, int role) const override;
};

// The file dialogs for program files (*.plm), opened in `folder` (empty: the
// current directory); an empty name: cancelled. A name typed without a
// suffix is taken with ".plm".
QString askProgramFileToOpen(QWidget *parent, const QString &folder = {});
// The save dialog takes a new file name as well as an existing one; it asks
// before an existing file is overwritten.
QString askProgramFileToSave(QWidget *parent, const QString &title, const QString &folder = {});
// The PDF of the program's report (*.pdf), `proposed` offered; asks before
// an existing file is overwritten.
QString askReportFileToSave(QWidget *parent, const QString &proposed, const QString &folder = {});

} // namespace pellmora::ui
