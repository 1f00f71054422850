#include "ui/EditorPanel.h"

#include "ui/NamedWidgets.h"
#include "ui/ProgramHistory.h"

#include <QAction>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

using namespace pellmora::model;

namespace pellmora::ui {

namespace {

// The instruction list. A list view makes its first row current when it gets
// the keyboard focus without one; here the focus alone chooses no row, so the
// edit buttons follow only a row the user clicked or moved to.
class InstructionList : public QListWidget {
public:
    using QListWidget::QListWidget;

protected:
    void focusInEvent(QFocusEvent *event) override
    {
        const bool noRow = currentRow() < 0;
        const QSignalBlocker quiet(this);
        QListWidget::focusInEvent(event);
        if (noRow)
            setCurrentRow(-1);
    }
};

} // namespace

EditorPanel::EditorPanel(ProgramEditor &editor, ProgramHistory &history, QWidget *parent)
    : QWidget(parent), editor_(editor), history_(history)
{
    setObjectName(QStringLiteral("EditorPanel"));
    QWidget *instructions = buildInstructionGroup();
    auto *middle = new QVBoxLayout;
    middle->addWidget(buildProgrammerGroup());
    middle->addWidget(buildPeriodsPanel());
    middle->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(instructions, 1);
    layout->addLayout(middle, 1);
}

void EditorPanel::clearList()
{
    InstructionsBox->clear();
}

void EditorPanel::focusList()
{
    InstructionsBox->setFocus();
}

void EditorPanel::addPopupItems(const QList<QAction *> &items)
{
    PopupMenuBox->addSeparator();
    PopupMenuBox->addActions(items);
}

QWidget *EditorPanel::buildInstructionGroup()
{
    InstuctionGB = new QGroupBox(tr(" Instrukce "), this);
    InstuctionGB->setObjectName(QStringLiteral("InstuctionGB"));
    InstuctionGB->setAutoFillBackground(true);

    InstructionsBox = new InstructionList(InstuctionGB);
    InstructionsBox->setObjectName(QStringLiteral("InstructionsBox"));
    InstructionsBox->setStatusTip(tr("Box instrukcí"));
    InstructionsBox->setContextMenuPolicy(Qt::CustomContextMenu);
    InstructionsBox->setMouseTracking(true);
    InstructionsBox->viewport()->setMouseTracking(true);
    InstructionsBox->setMinimumSize(210, 300);

    EELIOut = new QLabel(tr("Počet instrukcí :"), InstuctionGB);
    EELIOut->setObjectName(QStringLiteral("EELIOut"));
    EELIOut->setStatusTip(tr("Aktuální počet zadaných instrukcí"));
    CurrentPosition = new QLabel(tr("Aktuální pozice :"), InstuctionGB);
    CurrentPosition->setObjectName(QStringLiteral("CurrentPosition"));
    CurrentPosition->setStatusTip(tr("Pozice vybrané instrukce"));

    auto *layout = new QVBoxLayout(InstuctionGB);
    layout->addWidget(InstructionsBox, 1);
    layout->addWidget(EELIOut);
    layout->addWidget(CurrentPosition);
    return InstuctionGB;
}

QWidget *EditorPanel::buildProgrammerGroup()
{
    Programmer = new QGroupBox(tr(" Programátor "), this);
    Programmer->setObjectName(QStringLiteral("Programmer"));
    Programmer->setAutoFillBackground(true);
    auto *layout = new QVBoxLayout(Programmer);
    layout->addWidget(buildConditionBox(Programmer));
    layout->addWidget(buildCommands(Programmer));
    layout->addWidget(buildStartUpPanel(Programmer));
    buildPopupMenu();

    connect(InDelay, &QLineEdit::textChanged, this, &EditorPanel::InDelayChange);
    // Enter in the delay field stores the instruction as "Další Instrukce" does.
    connect(InDelay, &QLineEdit::returnPressed, this, &EditorPanel::NewInstructionClick);
    connect(StartUpTime, &QLineEdit::textChanged, this, &EditorPanel::StartUpTimeChange);
    connect(LightSwitch, &QToolButton::clicked, this, &EditorPanel::LightSwitchClick);
    connect(NewInstruction, &QPushButton::clicked, this, &EditorPanel::NewInstructionClick);
    connect(InsertInstruction, &QPushButton::clicked, this, &EditorPanel::InsertInstructionClick);
    connect(ChangeInstruction, &QPushButton::clicked, this, &EditorPanel::ChangeInstructionClick);
    connect(DeleteInstruction, &QPushButton::clicked, this, &EditorPanel::DeleteInstructionClick);
    connect(InsertInstructionPopUp, &QAction::triggered, this, &EditorPanel::InsertInstructionClick);
    connect(ChangeInstructionPopUp, &QAction::triggered, this, &EditorPanel::ChangeInstructionClick);
    connect(DeleteInstructionPopUp, &QAction::triggered, this, &EditorPanel::DeleteInstructionClick);
    connect(InstructionsBox, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!applying_ && row >= 0)
            InstructionsBoxClick(row);
    });
    InstructionsBox->viewport()->installEventFilter(this);
    return Programmer;
}

// The delay, the light switch and the instruction they make.
QWidget *EditorPanel::buildConditionBox(QWidget *parent)
{
    QFrame *condition = namedPanel(QStringLiteral("ConditionBox"), parent);
    auto *delayLabel = new QLabel(tr("Prodleva :"), condition);
    InDelay = new QLineEdit(condition);
    InDelay->setObjectName(QStringLiteral("InDelay"));
    InDelay->setInputMask(QStringLiteral("9:99:99;0"));
    InDelay->setFixedWidth(80);
    delayLabel->setBuddy(InDelay);
    Instruction = new QLineEdit(tr("Instruction"), condition);
    Instruction->setObjectName(QStringLiteral("Instruction"));
    Instruction->setReadOnly(true);
    Instruction->setFocusPolicy(Qt::NoFocus);

    LightSwitch = new QToolButton(condition);
    LightSwitch->setObjectName(QStringLiteral("LightSwitch"));
    LightSwitch->setCheckable(true);
    LightSwitch->setIconSize(QSize(32, 32));
    LightSwitch->setAutoRaise(true);
    GlyphContainerON = new QToolButton(condition);
    GlyphContainerON->setObjectName(QStringLiteral("GlyphContainerON"));
    GlyphContainerON->setIcon(QIcon(QStringLiteral(":/light_on.png")));
    GlyphContainerON->hide();
    GlyphContainerOFF = new QToolButton(condition);
    GlyphContainerOFF->setObjectName(QStringLiteral("GlyphContainerOFF"));
    GlyphContainerOFF->setIcon(QIcon(QStringLiteral(":/light_off.png")));
    GlyphContainerOFF->hide();
    LightSwitch->setIcon(GlyphContainerOFF->icon());

    auto *conditionRow = new QHBoxLayout;
    conditionRow->addWidget(delayLabel);
    conditionRow->addWidget(InDelay);
    conditionRow->addStretch();
    conditionRow->addWidget(LightSwitch);
    auto *conditionLayout = new QVBoxLayout(condition);
    conditionLayout->addLayout(conditionRow);
    conditionLayout->addWidget(Instruction);
    return condition;
}

QWidget *EditorPanel::buildCommands(QWidget *parent)
{
    QFrame *commands = namedPanel(QStringLiteral("CommandTLs"), parent);
    NewInstruction = namedButton(QStringLiteral("NewInstruction"), tr("&Další Instrukce"), {}, commands);
    DeleteInstruction = namedButton(QStringLiteral("DeleteInstruction"), tr("&Smaž Instrukci"), {}, commands);
    InsertInstruction = namedButton(QStringLiteral("InsertInstruction"), tr("&Vlož Instrukci"), {}, commands);
    ChangeInstruction = namedButton(QStringLiteral("ChangeInstruction"), tr("&Změň Instrukci"), {}, commands);
    auto *commandLayout = new QGridLayout(commands);
    commandLayout->addWidget(NewInstruction, 0, 0);
    commandLayout->addWidget(DeleteInstruction, 0, 1);
    commandLayout->addWidget(InsertInstruction, 1, 0);
    commandLayout->addWidget(ChangeInstruction, 1, 1);
    for (QPushButton *b : {NewInstruction, DeleteInstruction, InsertInstruction, ChangeInstruction})
        b->setEnabled(false);
    return commands;
}

QWidget *EditorPanel::buildStartUpPanel(QWidget *parent)
{
    QFrame *startUp = namedPanel(QStringLiteral("StartUpPanel"), parent);
    startUp->setStatusTip(tr("Začátek provádění instrukcí >START<"));
    auto *startUpLabel = new QLabel(tr("StartUp Time:"), startUp);
    StartUpTime = new QLineEdit(startUp);
    StartUpTime->setObjectName(QStringLiteral("StartUpTime"));
    StartUpTime->setInputMask(QStringLiteral("99:99;0"));
    StartUpTime->setFixedWidth(70);
    startUpLabel->setBuddy(StartUpTime);
    StartUpTime->installEventFilter(this);
    auto *startUpLayout = new QHBoxLayout(startUp);
    startUpLayout->addWidget(startUpLabel);
    startUpLayout->addWidget(StartUpTime);
    startUpLayout->addStretch();
    return startUp;
}

// The instruction list's context menu: the editing buttons once more.
void EditorPanel::buildPopupMenu()
{
    PopupMenuBox = new QMenu(this);
    PopupMenuBox->setObjectName(QStringLiteral("PopupMenuBox"));
    DeleteInstructionPopUp = PopupMenuBox->addAction(tr("&Smaž Instrukci"));
    DeleteInstructionPopUp->setObjectName(QStringLiteral("DeleteInstructionPopUp"));
    InsertInstructionPopUp = PopupMenuBox->addAction(tr("&Vlož Instrukci"));
    InsertInstructionPopUp->setObjectName(QStringLiteral("InsertInstructionPopUp"));
    ChangeInstructionPopUp = PopupMenuBox->addAction(tr("&Zaměň Instrukci"));
    ChangeInstructionPopUp->setObjectName(QStringLiteral("ChangeInstructionPopUp"));
    for (QAction *a : {DeleteInstructionPopUp, InsertInstructionPopUp, ChangeInstructionPopUp})
        a->setEnabled(false);
    connect(InstructionsBox, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { PopupMenuBox->popup(InstructionsBox->viewport()->mapToGlobal(at)); });
}

QWidget *EditorPanel::buildPeriodsPanel()
{
    QFrame *periods = namedPanel(QStringLiteral("PeriodsPanel"), this);
    BackPeriod = namedButton(QStringLiteral("BackPeriod"), tr("&Zpátky"), tr("Předchozí perioda (1z...)"), periods);
    NextPeriod = namedButton(QStringLiteral("NextPeriod"), tr("&Další"), tr("Další perioda (1z...)"), periods);
    BackPeriod->setEnabled(false);
    NextPeriod->setEnabled(false);
    connect(NextPeriod, &QPushButton::clicked, this, &EditorPanel::NextPeriodClick);
    connect(BackPeriod, &QPushButton::clicked, this, &EditorPanel::BackPeriodClick);
    QFrame *caption = namedPanel(QStringLiteral("Panel1"), periods);
    caption->setFrameShadow(QFrame::Sunken);
    OutPeriod = new QLabel(tr("1. Perioda"), caption);
    OutPeriod->setObjectName(QStringLiteral("OutPeriod"));
    OutPeriod->setAlignment(Qt::AlignCenter);
    auto *captionLayout = new QHBoxLayout(caption);
    captionLayout->addWidget(OutPeriod);
    auto *layout = new QHBoxLayout(periods);
    layout->addWidget(BackPeriod);
    layout->addWidget(caption, 1);
    layout->addWidget(NextPeriod);
    return periods;
}

namespace {

// A masked field shows "0" in a position that is not filled, and a typed 0
// reads as a blank too: the editor works on the text with blanks.
QString fieldTextOf(const QLineEdit *field)
{
    return field->displayText().replace(QLatin1Char('0'), QLatin1Char(' '));
}

} // namespace

void EditorPanel::applyField(QLineEdit *field, const QString &text, int caret)
{
    if (fieldTextOf(field) != text) {
        QString shown = text;
        field->setText(shown.replace(QLatin1Char(' '), QLatin1Char('0')));
    }
    field->setCursorPosition(caret);
}

// Copies the editor's view into the widgets.
void EditorPanel::applyView()
{
    const bool wasApplying = applying_;
    applying_ = true;
    const EditorView &view = editor_.view();
    QStringList shown;
    for (int i = 0; i < InstructionsBox->count(); ++i)
        shown.append(InstructionsBox->item(i)->text());
    if (shown != view.items) {
        InstructionsBox->clear();
        InstructionsBox->addItems(view.items);
    }
    if (InstructionsBox->currentRow() != view.selected)
        InstructionsBox->setCurrentRow(view.selected);
    Instruction->setText(view.instruction);
    EELIOut->setText(view.countLabel);
    CurrentPosition->setText(view.positionLabel);
    OutPeriod->setText(view.outPeriod);
    applyField(InDelay, view.delayText, view.delayCaret);
    applyField(StartUpTime, view.startUpText, view.startUpCaret);

    LightSwitch->setChecked(view.lightOn);
    LightSwitch->setIcon(view.lightOn ? GlyphContainerON->icon() : GlyphContainerOFF->icon());
    LightSwitch->setStatusTip(view.lightSwitchHint);
    LightSwitch->setToolTip(view.lightSwitchHint);
    LightSwitch->setEnabled(view.lightSwitchEnabled);
    applyButtons(view);
    emit viewApplied(view);
    applying_ = wasApplying;
    if (!wasApplying)
        emit programShown();
}

void EditorPanel::applyButtons(const EditorView &view)
{
    NewInstruction->setEnabled(view.newInstructionEnabled);
    for (QPushButton *b : {DeleteInstruction, InsertInstruction, ChangeInstruction})
        b->setEnabled(view.editButtonsEnabled);
    for (QAction *a : {DeleteInstructionPopUp, InsertInstructionPopUp, ChangeInstructionPopUp})
        a->setEnabled(view.editButtonsEnabled);
    BackPeriod->setEnabled(view.backPeriodEnabled);
    NextPeriod->setEnabled(view.nextPeriodEnabled);
}

void EditorPanel::InDelayChange()
{
    if (applying_)
        return;
    editor_.DelayChanged(fieldTextOf(InDelay), InDelay->cursorPosition());
    applyView();
}

void EditorPanel::StartUpTimeChange()
{
    if (applying_)
        return;
    const QString text = fieldTextOf(StartUpTime);
    const int caret = StartUpTime->cursorPosition();
    history_.record(tr("StartUp Time"), [&] { editor_.StartUpChanged(text, caret); },
                    ProgramHistory::Merge::Typing);
    applyView();
}

void EditorPanel::LightSwitchClick()
{
    editor_.LightSwitch();
    applyView();
}

// The four editing actions: the editor changes the program, the window shows
// the new view, with the instruction just stored in sight, and then the
// messages.
void EditorPanel::runEdit(const QString &step, Notices (ProgramEditor::*action)())
{
    Notices notices;
    history_.record(step, [&] { notices = (editor_.*action)(); });
    applyView();
    if (QListWidgetItem *stored = InstructionsBox->item(editor_.view().stored))
        InstructionsBox->scrollToItem(stored);
    emit noticesRaised(notices);
}

void EditorPanel::NewInstructionClick()
{
    runEdit(tr("Další Instrukce"), &ProgramEditor::AppendInstruction);
}

void EditorPanel::InsertInstructionClick()
{
    runEdit(tr("Vlož Instrukci"), &ProgramEditor::InsertInstruction);
}

void EditorPanel::ChangeInstructionClick()
{
    runEdit(tr("Změň Instrukci"), &ProgramEditor::ChangeInstruction);
}

void EditorPanel::DeleteInstructionClick()
{
    runEdit(tr("Smaž Instrukci"), &ProgramEditor::DeleteInstruction);
}

void EditorPanel::InstructionsBoxClick(int index)
{
    editor_.ListClick(index);
    applyView();
}

void EditorPanel::NextPeriodClick()
{
    editor_.NextPeriod();
    applyView();
}

void EditorPanel::BackPeriodClick()
{
    editor_.BackPeriod();
    applyView();
}

bool EditorPanel::eventFilter(QObject *watched, QEvent *event)
{
    // Leaving the start-up field completes the hour typed in it; a switch to
    // another window or a menu leaves it as it is.
    if (watched == StartUpTime && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            history_.record(tr("StartUp Time"), [this] { editor_.StartUpFinished(); },
                            ProgramHistory::Merge::Typing);
            history_.endTyping();
            applyView();
        }
    }
    if (watched == InstructionsBox->viewport()) {
        if (event->type() == QEvent::MouseMove) {
            editor_.UpdateEndTime();
            applyView();
        } else if (event->type() == QEvent::MouseButtonPress
                   && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            const QPoint at = static_cast<QMouseEvent *>(event)->position().toPoint();
            InstructionsBoxClick(InstructionsBox->indexAt(at).row());
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace pellmora::ui
