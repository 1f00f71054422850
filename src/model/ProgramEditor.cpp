#include "model/ProgramEditor.h"

#include "model/ProgramHeader.h"
#include "model/Segment.h"

namespace pellmora::model {

QString ProgramTitle(const ProgramSettings &settings, const QString &fileName)
{
    const QString name = settings.DeviceName.trimmed();
    const QString title = QStringLiteral("Pellmora - (%1)").arg(name.isEmpty() ? QStringLiteral("UNTITLED") : name);
    return fileName.isEmpty() ? title : title + QStringLiteral(" - ") + fileName;
}

ProgramEditor::ProgramEditor(Program &program, InstructionFormat &format)
    : program_(program)
    , format_(format)
{
}

// --- light switch and the two fields ---------------------------------------

void ProgramEditor::LightSwitch()
{
    view_.lightOn = !view_.lightOn;
    view_.lightSwitchHint = format_.WordFor(view_.lightOn);
    view_.lightSwitchCaption = view_.lightSwitchHint;
    DelayChanged(view_.delayText, view_.delayCaret);
}

void ProgramEditor::DelayChanged(const QString &text, int caret)
{
    const FieldEdit corrected = CorrectDelayField({text, caret, delayMemory_});
    view_.delayText = corrected.text;
    view_.delayCaret = corrected.caret;
    delayMemory_ = corrected.remembered;
    // An empty field and 0:00:00 read alike: no delay typed.
    view_.newInstructionEnabled = ParseDelay(view_.delayText).seconds != 0;
    if (view_.newInstructionEnabled && program_.settings.InstructionCount <= program_.settings.SegmentCapacity)
        showPreview();
}

void ProgramEditor::showPreview()
{
    view_.instruction = format_.WordFor(view_.lightOn) + ParseDelay(view_.delayText).display();
}

void ProgramEditor::StartUpChanged(const QString &text, int caret)
{
    const FieldEdit corrected = CorrectStartUpField({text, caret, startUpMemory_}, view_.startUpText);
    takeStartUp(corrected);
}

void ProgramEditor::StartUpFinished()
{
    takeStartUp(FinishStartUpField({view_.startUpText, view_.startUpCaret, startUpMemory_}));
}

// The time the field holds is stored at once; a pending hour stores nothing.
void ProgramEditor::takeStartUp(const FieldEdit &field)
{
    view_.startUpText = field.text;
    view_.startUpCaret = field.caret;
    startUpMemory_ = field.remembered;
    if (StartUpHourPending(view_.startUpText))
        return;
    program_.settings.StartUpMinutes = StartUpMinutesOf(view_.startUpText);
    UpdateEndTime();
    program_.image.words[header::StartUpWord] = program_.settings.StartUpMinutes;
}

// --- editing ------------------------------------------------------------------

quint16 ProgramEditor::newWord() const
{
    return BuildInstructionWord(ParseDelay(view_.delayText).seconds, view_.lightOn);
}

bool ProgramEditor::refusesZeroOff(Notices &notices) const
{
    if (newWord() != EndMarker)
        return false;
    notices.append(Notice::message(editor_text::ZeroOffRefused));
    return true;
}

int ProgramEditor::recount()
{
    program_.settings.InstructionCount = SegmentCount(program_);
    return program_.settings.InstructionCount;
}

Notices ProgramEditor::AppendInstruction()
{
    Notices notices;
    view_.stored = -1;
    if (!view_.newInstructionEnabled)
        return notices;
    const int count = recount();
    const int capacity = SegmentLength(program_.settings);
    if (count + 1 > capacity) {
        view_.newInstructionEnabled = false;
        view_.instruction = editor_text::BeyondLimits;
        notices.append(Notice::message(editor_text::SegmentFullOnAppend));
    } else if (count + 1 < capacity && !refusesZeroOff(notices)) {
        const quint16 word = newWord();
        SegmentAppend(program_, word);
        view_.items.append(InstructionText(word, format_));
        view_.stored = int(view_.items.size()) - 1;
        setCountLabel();
        view_.instruction = editor_text::EnterNewParameters;
        LightSwitch();
    }
    UpdateEndTime();
    return notices;
}

Notices ProgramEditor::InsertInstruction()
{
    Notices notices;
    view_.stored = -1;
    const int count = recount();
    if (!view_.editButtonsEnabled || view_.selected < 0 || view_.selected > count)
        return notices;
    const int capacity = SegmentLength(program_.settings);
    if (count + 1 < capacity) {
        if (refusesZeroOff(notices))
            return notices;
        const quint16 word = newWord();
        SegmentInsert(program_, view_.selected, word);
        view_.items.insert(view_.selected, InstructionText(word, format_));
        view_.stored = view_.selected;
    }
    if (program_.settings.InstructionCount + 1 > capacity) {
        view_.lightSwitchEnabled = false;
        view_.newInstructionEnabled = false;
        view_.instruction = editor_text::BeyondLimits;
        notices.append(Notice::message(editor_text::SegmentFullOnInsert));
    }
    setEditButtonsEnabled(false);
    setCountLabel();
    UpdateEndTime();
    return notices;
}

Notices ProgramEditor::ChangeInstruction()
{
    Notices notices;
    view_.stored = -1;
    const int count = recount();
    if (!view_.editButtonsEnabled || view_.selected < 0 || view_.selected >= count)
        return notices;
    if (refusesZeroOff(notices))
        return notices;
    const quint16 word = newWord();
    SegmentReplace(program_, view_.selected, word);
    view_.items[view_.selected] = InstructionText(word, format_);
    view_.stored = view_.selected;
    setEditButtonsEnabled(false);
    UpdateEndTime();
    return notices;
}

Notices ProgramEditor::DeleteInstruction()
{
    view_.stored = -1;
    const int count = recount();
    if (!view_.editButtonsEnabled || view_.selected < 0 || view_.selected >= count)
        return {};
    SegmentDelete(program_, view_.selected);
    view_.items.removeAt(view_.selected);
    setCountLabel();
    setEditButtonsEnabled(false);
    UpdateEndTime();
    enableWhenRoom();
    return {};
}

void ProgramEditor::ListClick(int index)
{
    if (index < 0 || index >= view_.items.size()) {
        setEditButtonsEnabled(false);
        return;
    }
    setEditButtonsEnabled(true);
    view_.selected = index;
    view_.instruction = view_.items[index];
    view_.positionLabel = editor_text::PositionCaption + QString::number(index + 1);
}

// --- periods ------------------------------------------------------------------

void ProgramEditor::NextPeriod()
{
    ProgramSettings &s = program_.settings;
    if (s.CurrentPeriod >= s.LastPeriod)
        return;
    ++s.CurrentPeriod;
    ShowPeriod();
    setNavigationButtons();
}

void ProgramEditor::BackPeriod()
{
    ProgramSettings &s = program_.settings;
    if (s.CurrentPeriod == 0)
        return;
    --s.CurrentPeriod;
    ShowPeriod();
    setNavigationButtons();
}

void ProgramEditor::ShowPeriod()
{
    ProgramSettings &s = program_.settings;
    view_.outPeriod = QString::number(s.CurrentPeriod + 1) + editor_text::PeriodCaption;
    s.SegmentStart = static_cast<quint16>(s.SegmentCapacity * s.CurrentPeriod);
    FillInstructionList();
    // The count shown belongs to the period shown.
    setCountLabel();
    UpdateEndTime();
    setEditButtonsEnabled(false);
    enableWhenRoom();
}

void ProgramEditor::RefreshPeriodView()
{
    ProgramSettings &s = program_.settings;
    if (s.CurrentPeriod > s.LastPeriod)
        s.CurrentPeriod = 0;
    ShowPeriod();
    setNavigationButtons();
}

void ProgramEditor::ReturnToFirstPeriod()
{
    program_.settings.CurrentPeriod = 0;
    RefreshPeriodView();
}

void ProgramEditor::setNavigationButtons()
{
    const ProgramSettings &s = program_.settings;
    view_.backPeriodEnabled = s.CurrentPeriod > 0;
    view_.nextPeriodEnabled = s.CurrentPeriod < s.LastPeriod;
}

// --- whole view ---------------------------------------------------------------

void ProgramEditor::ShowProgram()
{
    ProgramSettings &s = program_.settings;
    if (!IsValidPeriodCode(s.PeriodCode))
        s.PeriodCode = 0;
    s.LastPeriod = LastPeriodFor(s.PeriodCode);
    s.SegmentCapacity = SegmentCapacityFor(s.PeriodCode);
    s.SegmentStart = 0;
    view_.startUpText = StartUpFieldText(s.StartUpMinutes);
    UpdateEndTime();
    StartUpChanged(view_.startUpText, view_.startUpCaret);
    FillInstructionList();
    RefreshPeriodView();
    setCountLabel();
}

void ProgramEditor::FormatChanged()
{
    view_.lightSwitchHint = format_.WordFor(view_.lightOn);
    FillInstructionList();
}

void ProgramEditor::FillInstructionList()
{
    view_.items = pellmora::model::FillInstructionList(program_, format_);
    if (view_.selected >= view_.items.size())
        setEditButtonsEnabled(false);
}

void ProgramEditor::UpdateEndTime()
{
    view_.endTime = pellmora::model::UpdateEndTime(program_);
}

// --- helpers ------------------------------------------------------------------

void ProgramEditor::setCountLabel()
{
    view_.countLabel = editor_text::CountCaption + QString::number(program_.settings.InstructionCount);
}

void ProgramEditor::setEditButtonsEnabled(bool enabled)
{
    view_.editButtonsEnabled = enabled;
    if (!enabled) {
        view_.selected = -1;
        view_.positionLabel = editor_text::NoPosition;
    }
}

void ProgramEditor::enableWhenRoom()
{
    if (!SegmentHasRoom(program_.settings))
        return;
    view_.lightSwitchEnabled = true;
    if (ParseDelay(view_.delayText).seconds != 0)
        view_.newInstructionEnabled = true;
}

} // namespace pellmora::model
