#include "ui/DatabaseDirectoriesForm.h"

#include "ui/CentreOnScreen.h"
#include "ui/NamedWidgets.h"
#include "ui/Prompt.h"
#include "ui/StayOnTopDialog.h"

#include "storage/ConfigurationFile.h"
#include "storage/FileLocations.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QToolButton>

using namespace pellmora::model;
using namespace pellmora::storage;

namespace pellmora::ui {

namespace {

QToolButton *speedButton(const QString &name, const QString &hint, QWidget *parent)
{
    auto *b = named<QToolButton>(name, parent);
    b->setIcon(parent->style()->standardIcon(QStyle::SP_ArrowUp));
    b->setToolTip(hint);
    b->setStatusTip(hint);
    b->setAutoRaise(true);
    return b;
}

} // namespace

DatabaseDirectoriesForm::DatabaseDirectoriesForm(FileLocations &locations, Prompt &prompt, QWidget *parent)
    : QDialog(parent, StayOnTopDialogFlags)
    , locations_(locations)
    , prompt_(prompt)
{
    prepareStayOnTopDialog(*this, QStringLiteral("DatabaseDirectoriesForm"), tr("Umístění souborů..."));

    Label1 = new QLabel(tr("Umístění souborů pro zařízení (v databázi- *.PLM) :"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    DeviceDataFileDirectoryText = new QLineEdit(this);
    DeviceDataFileDirectoryText->setObjectName(QStringLiteral("DeviceDataFileDirectoryText"));
    DeviceDataFileDirectoryText->setMinimumWidth(360);
    BrowseBtnPLM = new QPushButton(tr("Prohledávat >"), this);
    BrowseBtnPLM->setObjectName(QStringLiteral("BrowseBtnPLM"));
    SpeedButton1 = speedButton(QStringLiteral("SpeedButton1"), tr("Kopírovat adresář do umístění souborů *.PLM"), this);

    Label2 = new QLabel(tr("Umístění databázového souboru (device.ddl):"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    DatabaseFileText = new QLineEdit(this);
    DatabaseFileText->setObjectName(QStringLiteral("DatabaseFileText"));
    BrowseBtnDDL = new QPushButton(tr("Prohledávat >"), this);
    BrowseBtnDDL->setObjectName(QStringLiteral("BrowseBtnDDL"));
    SpeedButton2 = speedButton(QStringLiteral("SpeedButton2"),
                               tr("Kopírovat cestu pro umístění databázového souboru (device.ddl)"), this);
    SpeedButton2->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));

    Button3 = new QPushButton(tr("&OK"), this);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setDefault(true);
    Button4 = new QPushButton(tr("&Cancel"), this);
    Button4->setObjectName(QStringLiteral("Button4"));

    auto *grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0, 1, 3);
    grid->addWidget(DeviceDataFileDirectoryText, 1, 0);
    grid->addWidget(SpeedButton1, 1, 1);
    grid->addWidget(BrowseBtnPLM, 1, 2);
    grid->addWidget(Label2, 2, 0, 1, 3);
    grid->addWidget(DatabaseFileText, 3, 0);
    grid->addWidget(SpeedButton2, 3, 1);
    grid->addWidget(BrowseBtnDDL, 3, 2);
    layOutFixed(*this, grid, {}, {Button3, Button4});

    connect(SpeedButton1, &QToolButton::clicked, this,
            [this] { DeviceDataFileDirectoryText->setText(DatabaseFileText->text()); });
    connect(SpeedButton2, &QToolButton::clicked, this,
            [this] { DatabaseFileText->setText(DeviceDataFileDirectoryText->text()); });
    connect(BrowseBtnPLM, &QPushButton::clicked, this, [this] {
        emit browseRequested(QStringLiteral("*.plm"), ProgramFilesTarget, DeviceDataFileDirectoryText->text());
    });
    connect(BrowseBtnDDL, &QPushButton::clicked, this, [this] {
        emit browseRequested(QStringLiteral("*.ddl"), DatabaseTarget, DatabaseFileText->text());
    });
    connect(Button3, &QPushButton::clicked, this, &DatabaseDirectoriesForm::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &QDialog::reject);
}

void DatabaseDirectoriesForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return; // restored by the window system, not opened again
    centreOnScreen(*this);
    FormShow();
}

void DatabaseDirectoriesForm::FormShow()
{
    DatabaseFileText->setText(locations_.SystemDirectory);
    DeviceDataFileDirectoryText->setText(locations_.DeviceDirectory);
}

// The texts are taken as typed; they reach the configuration file at close.
// A folder the configuration file cannot carry (a character outside code page
// 1250, an apostrophe that would end the value) is refused with the reason,
// never changed: the dialog stays open with the field as typed.
void DatabaseDirectoriesForm::Button3Click()
{
    for (QLineEdit *folderField : {DeviceDataFileDirectoryText, DatabaseFileText}) {
        if (const std::optional<QChar> c = UnstorableCharacter(folderField->text())) {
            prompt_.message(this, tr("Cestu ke složce nelze uložit do konfiguračního souboru, obsahuje znak '%1'. "
                                     "Opravte ji prosím.")
                                      .arg(*c));
            folderField->setFocus();
            return;
        }
    }
    locations_.SystemDirectory = DatabaseFileText->text();
    locations_.DeviceDirectory = DeviceDataFileDirectoryText->text();
    accept();
}

void DatabaseDirectoriesForm::setBrowsedFolder(int target, const QString &folder)
{
    if (target == ProgramFilesTarget)
        DeviceDataFileDirectoryText->setText(folder);
    else if (target == DatabaseTarget)
        DatabaseFileText->setText(folder);
}

} // namespace pellmora::ui
