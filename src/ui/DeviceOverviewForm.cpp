#include "ui/DeviceOverviewForm.h"

#include "ui/NamedWidgets.h"
#include "ui/OpenFileDatabaseForm.h"
#include "ui/Prompt.h"
#include "ui/Session.h"
#include "ui/StayOnTopDialog.h"

#include "storage/DeviceDatabase.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

using namespace pellmora::model;
using namespace pellmora::storage;

namespace pellmora::ui {

DeviceOverviewForm::DeviceOverviewForm(Session &session, Prompt &prompt, ProgramSaving &mainWindow, QWidget *parent)
    : QDialog(parent, StayOnTopDialogFlags)
    , session_(session)
    , prompt_(prompt)
    , mainWindow_(mainWindow)
{
    prepareStayOnTopDialog(*this, QStringLiteral("DeviceOverviewForm"), tr("Přehled již programovaných zařízení"));

    DevOverviewLabel1 = named<QLabel>(QStringLiteral("DevOverviewLabel1"), tr("ID:"), this);
    Label1 = named<QLabel>(QStringLiteral("Label1"), tr("Jméno:"), this);
    Label2 = named<QLabel>(QStringLiteral("Label2"), tr("Naposledy programováno:"), this);
    const auto list = [this](const QString &name, int width) {
        auto *l = named<QListWidget>(name, this);
        l->setFixedWidth(width);
        return l;
    };
    Overview_IDbox = list(QStringLiteral("Overview_IDbox"), 70);
    Overview_DeviceNameBox = list(QStringLiteral("Overview_DeviceNameBox"), 130);
    Overview_DateBox = list(QStringLiteral("Overview_DateBox"), 160);
    for (int i = 0; i < session_.database.RecordCount(); ++i)
        appendLines(i);

    DeleteFromDatabaseBtn = new QPushButton(tr("&Odstarnit"), this);
    DeleteFromDatabaseBtn->setObjectName(QStringLiteral("DeleteFromDatabaseBtn"));
    AddToDatabaseBtn = new QPushButton(tr("&Přidat aktuální"), this);
    AddToDatabaseBtn->setObjectName(QStringLiteral("AddToDatabaseBtn"));
    const QString addHint = tr("Přidá do databáze nyní vytvářený soubor pro zařízení");
    AddToDatabaseBtn->setToolTip(addHint);
    AddToDatabaseBtn->setStatusTip(addHint);
    DevDatabaseOKBtn = new QPushButton(tr("OK"), this);
    DevDatabaseOKBtn->setObjectName(QStringLiteral("DevDatabaseOKBtn"));
    DevDatabaseOKBtn->setDefault(true);
    // The window opens with no line chosen: a list taking the focus would
    // choose its first line for the remove command.
    DevDatabaseOKBtn->setFocus();

    auto *grid = new QGridLayout;
    grid->addWidget(DevOverviewLabel1, 0, 0);
    grid->addWidget(Label1, 0, 1);
    grid->addWidget(Label2, 0, 2);
    grid->addWidget(Overview_IDbox, 1, 0);
    grid->addWidget(Overview_DeviceNameBox, 1, 1);
    grid->addWidget(Overview_DateBox, 1, 2);
    layOutFixed(*this, grid, {AddToDatabaseBtn, DeleteFromDatabaseBtn}, {DevDatabaseOKBtn});

    keepLinesInStep({Overview_IDbox, Overview_DeviceNameBox, Overview_DateBox});
    for (QListWidget *l : {Overview_IDbox, Overview_DeviceNameBox, Overview_DateBox})
        connect(l, &QListWidget::itemClicked, DeleteFromDatabaseBtn, [this] { DeleteFromDatabaseBtn->setEnabled(true); });
    connect(AddToDatabaseBtn, &QPushButton::clicked, this, &DeviceOverviewForm::AddToDatabaseBtnClick);
    connect(DeleteFromDatabaseBtn, &QPushButton::clicked, this, &DeviceOverviewForm::DeleteFromDatabaseBtnClick);
    connect(DevDatabaseOKBtn, &QPushButton::clicked, this, &QDialog::accept);
}

// Esc is the remove command (which asks first), not the dialog's own close.
void DeviceOverviewForm::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        DeleteFromDatabaseBtn->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void DeviceOverviewForm::appendLines(int index)
{
    const DatabaseRecord &record = session_.database.Records.at(index);
    Overview_IDbox->addItem(record.Id);
    Overview_DeviceNameBox->addItem(record.Name);
    Overview_DateBox->addItem(record.Date);
}

// A read-only database refuses every change before any question is asked.
bool DeviceOverviewForm::refusedAsReadOnly()
{
    if (!session_.database.readOnly())
        return false;
    prompt_.message(this, session_.database.ReadOnlyReason);
    return true;
}

// The questions before a device is added: the addition itself, a program
// file to record (the save dialog, which may be cancelled), a device without
// a label, a device with identifier 0.
bool DeviceOverviewForm::confirmAddition()
{
    if (!prompt_.ask(this, tr("Skutečně chcete přidat do databáze aktuální zařízení ?"), Prompt::Buttons::OkCancel))
        return false;
    FileLocations &files = session_.files;
    if (files.CurrentFileName.isEmpty()) {
        const QString name = mainWindow_.askSaveFileName();
        if (!name.isEmpty())
            files.CurrentFileName = name;
    }
    const ProgramSettings &settings = session_.program.settings;
    if (settings.DeviceName.isEmpty()
        && !prompt_.ask(this, tr("Diť nemá zařízení jméno...? Chcete opravdu pokračovat ?...přemýšlej než se roz...eš !"),
                        Prompt::Buttons::OkCancel))
        return false;
    if (settings.DeviceId == 0
        && !prompt_.ask(this, tr("ID je nulové..to má být vaše první programování ? Chcete skutečně pokračovat ? "),
                        Prompt::Buttons::OkAbort))
        return false;
    return true;
}

// Adds the current device: the record is appended (or refused with its
// reason), the program file is saved under the save dialog's database title,
// and the new record's lines are added to every database list.
void DeviceOverviewForm::AddToDatabaseBtnClick()
{
    if (mainWindow_.deviceBusy())
        return;
    if (refusedAsReadOnly())
        return;
    const QString title = mainWindow_.saveDialogTitle();
    mainWindow_.setSaveDialogTitle(tr("Vyberte nebo zadejte soubor pro databázi"));
    if (confirmAddition()) {
        const AppendOutcome outcome =
            AppendCurrentDevice(session_.database, session_.files.CurrentFileName, session_.program.settings);
        prompt_.showNotices(this, outcome.notices);
        mainWindow_.saveProgram();
        if (outcome.appended) {
            const int index = session_.database.RecordCount() - 1;
            appendLines(index);
            emit recordAppended(index);
        }
    }
    mainWindow_.setSaveDialogTitle(title);
}

// Removes the record of the selected line from the table, the file and every
// database list.
void DeviceOverviewForm::DeleteFromDatabaseBtnClick()
{
    if (refusedAsReadOnly())
        return;
    if (!prompt_.ask(this, tr("Skutecnčně chcete odstranit zařízení ze seznamu ?"), Prompt::Buttons::OkCancel))
        return;
    const int index = Overview_IDbox->currentRow();
    if (index < 0 || index >= session_.database.RecordCount())
        return;
    const Notices notices = RemoveRecord(session_.database, index);
    for (QListWidget *l : {Overview_IDbox, Overview_DeviceNameBox, Overview_DateBox}) {
        delete l->takeItem(index);
        l->setCurrentRow(-1);
    }
    emit recordRemoved(index);
    DeleteFromDatabaseBtn->setEnabled(false);
    prompt_.showNotices(this, notices);
}

} // namespace pellmora::ui
