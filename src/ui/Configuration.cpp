#include "ui/Configuration.h"

#include "ui/Prompt.h"
#include "device/HexText.h"
#include "model/Cp1250.h"
#include "model/ProgramHeader.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QValidator>
#include <QVBoxLayout>

#include <functional>
#include <optional>

using namespace pellmora::model;
using namespace pellmora::device;

namespace pellmora::ui {

namespace {

constexpr int IdDigits = 4;
// Unfilled identifier positions are shown, and count, as "0".
constexpr QChar IdBlank = u'0';
constexpr QChar HighestHexDigit = u'F';

// The device database marks its fields with these characters, so a label
// holding one of them could not be read back from it.
const QString &databaseMarkers()
{
    static const QString markers = QStringLiteral("!$&#@{}");
    return markers;
}

bool labelCanHold(QChar ch)
{
    return cp1250CanHold(ch) && !databaseMarkers().contains(ch);
}

// Refuses every label text holding a character that code page 1250 cannot
// store or that the database uses as a marker, and tells which one it was.
class LabelValidator : public QValidator {
public:
    LabelValidator(std::function<void(QChar)> refused, QObject *parent)
        : QValidator(parent), refused_(std::move(refused)) {}

    State validate(QString &input, int &) const override
    {
        for (const QChar ch : std::as_const(input)) {
            if (!labelCanHold(ch)) {
                refused_(ch);
                return Invalid;
            }
        }
        return Acceptable;
    }

private:
    std::function<void(QChar)> refused_;
};

struct IdCorrection {
    QString text;                 // the field text with every non-hex character as "0"
    std::optional<QChar> refused; // the character to name in the message
};

// A character above "F" is no hexadecimal digit (the field takes letters and
// digits in upper case only). The one just typed, before the caret, is the
// one named; anything else pasted in with it is corrected as well.
IdCorrection correctIdentifier(const QString &text, int caret)
{
    IdCorrection result{text, std::nullopt};
    if (caret > 0 && caret <= text.size() && text.at(caret - 1) > HighestHexDigit)
        result.refused = text.at(caret - 1);
    for (QChar &ch : result.text) {
        if (ch > HighestHexDigit) {
            if (!result.refused)
                result.refused = ch;
            ch = IdBlank;
        }
    }
    return result;
}

QString identifierText(quint16 id)
{
    return NumberToHexText(id, IdDigits);
}

} // namespace

const QStringList &Configuration::labelItems()
{
    static const QStringList items{
        QStringLiteral("Předsíň"),    QStringLiteral("Obývák"),     QStringLiteral("Ložnice"),
        QStringLiteral("D.pokoj"),    QStringLiteral("Chodba"),     QStringLiteral("Pracovna"),
        QStringLiteral("Kancelář"),   QStringLiteral("Livingroom"), QStringLiteral("Diningroom"),
        QStringLiteral("Bedroom"),
    };
    return items;
}

Configuration::Configuration(Program &program, Prompt &prompt, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint
                          | Qt::WindowStaysOnTopHint)
    , program_(program)
    , prompt_(prompt)
{
    setObjectName(QStringLiteral("Configuration"));
    setWindowTitle(tr("Konfigurace"));
    setModal(true);

    buildPeriods();
    buildLabelAndId();
    buildExtended();
    OKButton = new QPushButton(tr("&OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &Configuration::OKButtonClick);
    layOut();

    // Every opening loads the controls from the program; so does the creation.
    FormShow();
}

void Configuration::buildPeriods()
{
    Periods = new QGroupBox(tr("Počet period "), this);
    Periods->setObjectName(QStringLiteral("Periods"));
    periodButtons_ = new QButtonGroup(this);
    const QStringList captions{tr("1 perioda"), tr("rozdělit na 2"), tr("rozdělit na 4"),
                               tr("rozdělit na 6"), tr("rozdělit na 8")};
    auto *column = new QVBoxLayout(Periods);
    for (int i = 0; i < captions.size(); ++i) {
        auto *item = new QRadioButton(captions.at(i), Periods);
        item->setObjectName(QStringLiteral("Periods%1").arg(i));
        periodButtons_->addButton(item, i);
        column->addWidget(item);
    }
    periodButtons_->button(0)->setChecked(true);
    connect(periodButtons_, &QButtonGroup::idClicked, this, &Configuration::PeriodsClick);
}

// A line edit keeps this much free beside its text on either side.
constexpr int LineEditTextMargin = 2;

// The label box shows ten of the widest characters whole.
void Configuration::fitLabelWidth()
{
    QStyleOptionComboBox option;
    option.initFrom(InDeviceLabel);
    option.editable = true;
    const QLineEdit *edit = InDeviceLabel->lineEdit();
    const QMargins margins = edit->textMargins();
    const int text = edit->fontMetrics().horizontalAdvance(QString(NameMaxLength, u'W')) + margins.left()
        + margins.right() + 2 * LineEditTextMargin;
    const QSize whole = InDeviceLabel->style()->sizeFromContents(QStyle::CT_ComboBox, &option,
                                                                 QSize(text, edit->sizeHint().height()), InDeviceLabel);
    InDeviceLabel->setMinimumWidth(whole.width());
}

void Configuration::buildLabelAndId()
{
    LabelOfLabel = new QLabel(tr("Popiska :"), this);
    LabelOfLabel->setObjectName(QStringLiteral("LabelOfLabel"));
    InDeviceLabel = new QComboBox(this);
    InDeviceLabel->setObjectName(QStringLiteral("InDeviceLabel"));
    InDeviceLabel->setEditable(true);
    InDeviceLabel->setInsertPolicy(QComboBox::NoInsert);
    InDeviceLabel->addItems(labelItems());
    InDeviceLabel->lineEdit()->setMaxLength(NameMaxLength);
    fitLabelWidth();
    InDeviceLabel->setValidator(new LabelValidator(
        [this](QChar ch) { labelCharacterRefused(ch); }, InDeviceLabel));
    InDeviceLabel->setToolTip(
        tr("Popiska má nejvýš 10 znaků. Znaky ! $ & # @ { } označují pole databáze zařízení "
           "a znaky mimo kódovou stránku 1250 nelze uložit do paměti zařízení; ty popiska nepřijme."));
    LabelOfLabel->setBuddy(InDeviceLabel);
    connect(InDeviceLabel, &QComboBox::editTextChanged, this, &Configuration::InDeviceLabelChange);

    LabelRefusal = new QLabel(this);
    LabelRefusal->setObjectName(QStringLiteral("LabelRefusal"));
    LabelRefusal->setWordWrap(true);
    LabelRefusal->setStyleSheet(QStringLiteral("color: #a00000;"));

    IDLabel = new QLabel(tr("ID :"), this);
    IDLabel->setObjectName(QStringLiteral("IDLabel"));
    InID = new QLineEdit(this);
    InID->setObjectName(QStringLiteral("InID"));
    // Four optional letters or digits, upper case, unfilled positions shown as 0.
    InID->setInputMask(QStringLiteral(">nnnn;0"));
    InID->setText(QStringLiteral("1111"));
    IDLabel->setBuddy(InID);
    connect(InID, &QLineEdit::textChanged, this, &Configuration::InIDChange);
}

void Configuration::buildExtended()
{
    ExetndedGroupBox = new QGroupBox(tr("Rozšířené ..."), this);
    ExetndedGroupBox->setObjectName(QStringLiteral("ExetndedGroupBox"));
    MemLocked = new QCheckBox(tr("Uzamkni paměť"), ExetndedGroupBox);
    MemLocked->setObjectName(QStringLiteral("MemLocked"));
    AddRandomTime = new QCheckBox(tr("+ náhodné prodlevy"), ExetndedGroupBox);
    AddRandomTime->setObjectName(QStringLiteral("AddRandomTime"));
    FastModeCheckBox = new QCheckBox(tr("Zrychlený mód"), ExetndedGroupBox);
    FastModeCheckBox->setObjectName(QStringLiteral("FastModeCheckBox"));
    FastModeCheckBox->setToolTip(tr("Zrychlí tikot hodin (1min = 1s)"));
    FastModeCheckBox->setStatusTip(FastModeCheckBox->toolTip());

    auto *column = new QVBoxLayout(ExetndedGroupBox);
    column->addWidget(MemLocked);
    column->addWidget(AddRandomTime);
    column->addWidget(FastModeCheckBox);

    ProgramSettings &settings = program_.settings;
    connect(MemLocked, &QCheckBox::toggled, this, [&settings](bool on) { settings.MemoryLocked = on; });
    connect(AddRandomTime, &QCheckBox::toggled, this, [&settings](bool on) { settings.RandomDelays = on; });
    connect(FastModeCheckBox, &QCheckBox::toggled, this, [&settings](bool on) { settings.FastMode = on; });
}

void Configuration::layOut()
{
    auto *fields = new QGridLayout;
    fields->addWidget(LabelOfLabel, 0, 0);
    fields->addWidget(InDeviceLabel, 0, 1);
    fields->addWidget(LabelRefusal, 1, 0, 1, 2);
    fields->addWidget(IDLabel, 2, 0);
    fields->addWidget(InID, 2, 1);
    fields->addWidget(ExetndedGroupBox, 3, 0, 1, 2);
    fields->setRowStretch(4, 1);
    InID->setMaximumWidth(InID->fontMetrics().horizontalAdvance(QStringLiteral("WWWWW")) + 12);
    LabelRefusal->setMinimumWidth(InDeviceLabel->sizeHint().width() + LabelOfLabel->sizeHint().width());

    auto *columns = new QHBoxLayout;
    columns->addWidget(Periods);
    columns->addLayout(fields);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton);

    auto *whole = new QVBoxLayout(this);
    whole->addLayout(columns);
    whole->addLayout(buttons);
    whole->setSizeConstraint(QLayout::SetFixedSize);
}

void Configuration::selectPeriods(int periodCode)
{
    if (QAbstractButton *item = periodButtons_->button(periodCode))
        item->setChecked(true);
    PeriodsClick();
}

int Configuration::periodsIndex() const
{
    return periodButtons_->checkedId();
}

void Configuration::showEvent(QShowEvent *event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void Configuration::done(int result)
{
    QDialog::done(result);
    emit closed();
}

// Loads the controls from the program. The change handlers stay quiet: the
// settings already hold these values, and opening the dialog changes nothing.
void Configuration::FormShow()
{
    const ProgramSettings &settings = program_.settings;
    const QSignalBlocker blockPeriods(periodButtons_);
    const QSignalBlocker blockLabel(InDeviceLabel);
    const QSignalBlocker blockId(InID);
    const QSignalBlocker blockLocked(MemLocked);
    const QSignalBlocker blockRandom(AddRandomTime);
    const QSignalBlocker blockFast(FastModeCheckBox);

    InDeviceLabel->setEditText(settings.DeviceName);
    InID->setText(identifierText(settings.DeviceId));
    if (QAbstractButton *item = periodButtons_->button(settings.PeriodCode))
        item->setChecked(true);
    MemLocked->setChecked(settings.MemoryLocked);
    AddRandomTime->setChecked(settings.RandomDelays);
    FastModeCheckBox->setChecked(settings.FastMode);
    LabelRefusal->clear();
}

void Configuration::PeriodsClick()
{
    const int code = periodButtons_->checkedId();
    if (code >= 0)
        ApplyPeriodCode(program_, code);
}

void Configuration::InDeviceLabelChange(const QString &text)
{
    program_.settings.DeviceName = text;
}

void Configuration::labelCharacterRefused(QChar ch)
{
    LabelRefusal->setText(
        tr("Znak '%1' popiska nepřijme: do paměti zařízení a do databáze patří jen znaky "
           "kódové stránky 1250 kromě ! $ & # @ { }.")
            .arg(ch));
}

void Configuration::InIDChange()
{
    // displayText() keeps every position; unfilled ones read as the blank "0".
    const IdCorrection correction = correctIdentifier(InID->displayText(), InID->cursorPosition());
    if (correction.refused) {
        prompt_.message(this, tr("'%1' není, pokud mě má mysl neklame znak pro HEX soustavu !")
                                  .arg(*correction.refused));
        const int caret = InID->cursorPosition();
        InID->setText(correction.text); // runs this handler again on the corrected text
        InID->setCursorPosition(caret);
        return;
    }
    const auto id = static_cast<quint16>(HexTextToNumber(correction.text) & 0xFFFF);
    program_.settings.DeviceId = id;
    program_.image.words[header::IdWord] = id;
}

void Configuration::OKButtonClick()
{
    program_.settings.DeviceName = InDeviceLabel->currentText();
    emit okConfirmed();
    accept();
}

} // namespace pellmora::ui
