#include "ui/InstructionsFormat.h"

#include "ui/NamedWidgets.h"

#include "model/InstructionFormat.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace pellmora::model;

namespace pellmora::ui {

namespace {

QLineEdit *userEdit(const QString &text, const QString &name, QWidget *parent)
{
    auto *edit = named<QLineEdit>(name, parent);
    edit->setMaxLength(FormatWordMaxLength);
    edit->setText(text);
    edit->setEnabled(false);
    return edit;
}

} // namespace

InstructionsFormat::InstructionsFormat(InstructionFormat &format, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , format_(format)
    , formats_(new QButtonGroup(this))
    , OnOff(named<QRadioButton>(QStringLiteral("OnOff"), tr("&On/Off"), this))
    , ZapnutoVypnuto(named<QRadioButton>(QStringLiteral("ZapnutoVypnuto"), tr("&Zapnuto/Vypnuto"), this))
    , ShiningNoshining(named<QRadioButton>(QStringLiteral("ShiningNoshining"), tr("&Svítí/Nesvítí"), this))
    , User(named<QRadioButton>(QStringLiteral("User"), tr("&User"), this))
    , UserInstructionsPositive(userEdit(tr("Rozsviť na"), QStringLiteral("UserInstructionsPositive"), this))
    , ChrOR(new QLabel(QStringLiteral("/"), this))
    , UserInstructionsNegative(userEdit(tr("Zhasni na"), QStringLiteral("UserInstructionsNegative"), this))
    , InstrFormatOK(new QPushButton(tr("OK"), this))
{
    setObjectName(QStringLiteral("InstructionsFormat"));
    setWindowTitle(tr("Formát Instrukcí"));
    setModal(false);
    ChrOR->setObjectName(QStringLiteral("ChrOR"));
    InstrFormatOK->setObjectName(QStringLiteral("InstrFormatOK"));
    InstrFormatOK->setDefault(true);

    formats_->addButton(OnOff, 1);
    formats_->addButton(ZapnutoVypnuto, 2);
    formats_->addButton(ShiningNoshining, 3);
    formats_->addButton(User, UserFormatCode);
    ShiningNoshining->setChecked(true);

    connect(formats_, &QButtonGroup::idClicked, this, &InstructionsFormat::formatClicked);
    connect(InstrFormatOK, &QPushButton::clicked, this, &InstructionsFormat::InstrFormatOKClick);
    layOut();
}

void InstructionsFormat::layOut()
{
    auto *choices = new QVBoxLayout;
    for (QAbstractButton *button : formats_->buttons())
        choices->addWidget(button);

    auto *words = new QHBoxLayout;
    words->addSpacing(20);
    words->addWidget(UserInstructionsPositive);
    words->addWidget(ChrOR);
    words->addWidget(UserInstructionsNegative);
    choices->addLayout(words);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(InstrFormatOK);

    auto *whole = new QVBoxLayout(this);
    whole->addLayout(choices);
    whole->addLayout(buttons);
    whole->setSizeConstraint(QLayout::SetFixedSize);
}

void InstructionsFormat::SetCurrentInstrFormat(int code, const QString &positive, const QString &negative)
{
    setUserEditsEnabled(false);
    // The user's own words stay in their fields whatever format is chosen, so
    // that they are offered again and written back to the configuration.
    if (code == UserFormatCode || !positive.isEmpty() || !negative.isEmpty()) {
        UserInstructionsPositive->setText(positive);
        UserInstructionsNegative->setText(negative);
    }
    format_.SetCurrentInstrFormat(code, positive, negative);
    if (QAbstractButton *button = formats_->button(code)) {
        button->setChecked(true);
        setUserEditsEnabled(code == UserFormatCode);
    }
}

// The format may have changed while the dialog was hidden (undo and redo
// put back a whole program, its format included): it opens on the format in
// force. The user's own words stay in their fields, as they always do.
void InstructionsFormat::showEvent(QShowEvent *event)
{
    const int code = format_.FormatCode;
    if (QAbstractButton *button = formats_->button(code))
        button->setChecked(true);
    setUserEditsEnabled(code == UserFormatCode);
    QDialog::showEvent(event);
}

QString InstructionsFormat::userPositiveText() const
{
    return UserInstructionsPositive->text();
}

QString InstructionsFormat::userNegativeText() const
{
    return UserInstructionsNegative->text();
}

void InstructionsFormat::setUserEditsEnabled(bool enabled)
{
    UserInstructionsPositive->setEnabled(enabled);
    UserInstructionsNegative->setEnabled(enabled);
}

// A click takes effect at once; the user's own words only at OK.
void InstructionsFormat::formatClicked(int code)
{
    format_.ChooseFormat(code);
    setUserEditsEnabled(code == UserFormatCode);
}

void InstructionsFormat::InstrFormatOKClick()
{
    if (User->isChecked())
        format_.ApplyUserWords(UserInstructionsPositive->text(), UserInstructionsNegative->text());
    emit formatConfirmed();
    hide();
}

} // namespace pellmora::ui
