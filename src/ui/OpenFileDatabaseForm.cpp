#include "ui/OpenFileDatabaseForm.h"

#include "ui/Prompt.h"
#include "ui/Session.h"
#include "ui/StayOnTopDialog.h"

#include "storage/DatabaseEntry.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>

using namespace pellmora::model;
using namespace pellmora::storage;

namespace pellmora::ui {

void keepLinesInStep(const QList<QListWidget *> &lists)
{
    // The lists scroll as one, by the scroll bar of the last: line n of every
    // list stands beside line n of the others.
    for (QListWidget *list : lists) {
        if (list != lists.last())
            list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        QObject::connect(list->verticalScrollBar(), &QScrollBar::valueChanged, list, [lists](int value) {
            for (QListWidget *other : lists)
                other->verticalScrollBar()->setValue(value);
        });
    }
    for (QListWidget *list : lists) {
        QObject::connect(list, &QListWidget::currentRowChanged, list, [lists](int row) {
            for (QListWidget *other : lists) {
                // Setting the line a list already has emits nothing, so this
                // settles after one round.
                if (other->currentRow() != row)
                    other->setCurrentRow(row);
            }
        });
    }
}

OpenFileDatabaseForm::OpenFileDatabaseForm(Session &session, Prompt &prompt, QWidget *parent)
    : QDialog(parent, StayOnTopDialogFlags)
    , session_(session)
    , prompt_(prompt)
{
    prepareStayOnTopDialog(*this, QStringLiteral("OpenFileDatabaseForm"), tr("Otevři z databáze..."));

    Label1 = new QLabel(tr("ID:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(tr("Jméno:"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    OpenIDbox = new QListWidget(this);
    OpenIDbox->setObjectName(QStringLiteral("OpenIDbox"));
    OpenIDbox->setFixedWidth(70);
    OpenDeviceNameBox = new QListWidget(this);
    OpenDeviceNameBox->setObjectName(QStringLiteral("OpenDeviceNameBox"));
    OpenDeviceNameBox->setFixedWidth(130);
    for (const DatabaseRecord &record : std::as_const(session_.database.Records)) {
        OpenIDbox->addItem(record.Id);
        OpenDeviceNameBox->addItem(record.Name);
    }

    OpenFileBtn = new QPushButton(tr("&Otevři"), this);
    OpenFileBtn->setObjectName(QStringLiteral("OpenFileBtn"));
    OpenFileCancelBtn = new QPushButton(tr("Cancel"), this);
    OpenFileCancelBtn->setObjectName(QStringLiteral("OpenFileCancelBtn"));

    grid_ = new QGridLayout;
    grid_->addWidget(Label1, 0, 0);
    grid_->addWidget(Label2, 0, 1);
    grid_->addWidget(OpenIDbox, 1, 0);
    grid_->addWidget(OpenDeviceNameBox, 1, 1);
    layOutFixed(*this, grid_, {}, {OpenFileBtn, OpenFileCancelBtn});

    keepLinesInStep({OpenIDbox, OpenDeviceNameBox});
    for (QListWidget *list : {OpenIDbox, OpenDeviceNameBox}) {
        connect(list, &QListWidget::itemClicked, this, &OpenFileDatabaseForm::ListClick);
        connect(list, &QListWidget::itemDoubleClicked, this, &OpenFileDatabaseForm::OpenDatabaseEntry);
    }
    connect(OpenFileBtn, &QPushButton::clicked, this, &OpenFileDatabaseForm::OpenFileBtnClick);
    // Esc closes the window through the dialog's own reject.
    connect(OpenFileCancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void OpenFileDatabaseForm::fixSize()
{
    setFixedSize(sizeHint());
}

void OpenFileDatabaseForm::recordAppended(int index)
{
    const DatabaseRecord &record = session_.database.Records.at(index);
    OpenIDbox->addItem(record.Id);
    OpenDeviceNameBox->addItem(record.Name);
}

void OpenFileDatabaseForm::recordRemoved(int index)
{
    delete OpenIDbox->takeItem(index);
    delete OpenDeviceNameBox->takeItem(index);
}

void OpenFileDatabaseForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void OpenFileDatabaseForm::FormShow()
{
    OpenFileBtn->setEnabled(false);
}

void OpenFileDatabaseForm::ListClick()
{
    OpenFileBtn->setEnabled(true);
}

void OpenFileDatabaseForm::OpenFileBtnClick()
{
    OpenDatabaseEntry();
}

// The selected record's program file replaces the program in the editor and
// becomes the current file, which Save writes.
void OpenFileDatabaseForm::OpenDatabaseEntry()
{
    const int index = OpenIDbox->currentRow();
    if (index < 0 || (programLocked_ && programLocked_()))
        return;
    if (replacingProgram_ && !replacingProgram_())
        return;
    const FileOutcome opened =
        storage::OpenDatabaseEntry(session_.database, index, session_.files, session_.program.image);
    prompt_.showNotices(this, opened.notices);
    if (opened.ok)
        emit programOpened();
    OpenFileBtn->setEnabled(false);
}

} // namespace pellmora::ui
