#include "ui/OpenToBoxForm.h"

#include "ui/Session.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

using namespace pellmora::storage;

namespace pellmora::ui {

OpenToBoxForm::OpenToBoxForm(Session &session, Prompt &prompt, QWidget *parent)
    : OpenFileDatabaseForm(session, prompt, parent)
{
    setObjectName(QStringLiteral("OpenToBoxForm"));
    setWindowTitle(tr("Otevři do boxu..."));
    OpenFileCancelBtn->setText(tr("&Cancel"));

    Label3 = new QLabel(tr("Jméno souboru:"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    OpenFileNameBox = new QListWidget(this);
    OpenFileNameBox->setObjectName(QStringLiteral("OpenFileNameBox"));
    OpenFileNameBox->setFixedWidth(200);
    grid_->addWidget(Label3, 0, 2);
    grid_->addWidget(OpenFileNameBox, 1, 2);
    OpenToBoxFromFileBtn = new QPushButton(tr("Ze &souboru"), this);
    OpenToBoxFromFileBtn->setObjectName(QStringLiteral("OpenToBoxFromFileBtn"));
    grid_->addWidget(OpenToBoxFromFileBtn, 2, 0);

    fillFileNames();
    keepLinesInStep({OpenIDbox, OpenDeviceNameBox, OpenFileNameBox});
    fixSize();
}

void OpenToBoxForm::fillFileNames()
{
    OpenFileNameBox->clear();
    for (const DatabaseRecord &record : std::as_const(session_.database.Records))
        OpenFileNameBox->addItem(record.File);
    OpenFileNameBox->setCurrentRow(OpenIDbox->currentRow());
}

void OpenToBoxForm::recordAppended(int index)
{
    OpenFileDatabaseForm::recordAppended(index);
    OpenFileNameBox->addItem(session_.database.Records.at(index).File);
}

void OpenToBoxForm::recordRemoved(int index)
{
    OpenFileDatabaseForm::recordRemoved(index);
    delete OpenFileNameBox->takeItem(index);
}

// OpenFileBtn stays as the list clicks left it; the file names are read anew.
void OpenToBoxForm::FormShow()
{
    fillFileNames();
}

void OpenToBoxForm::OpenFileBtnClick() {}

} // namespace pellmora::ui
