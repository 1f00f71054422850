#pragma once

// The program editor behind the main window: the light switch, the delay and
// start-up fields, append/insert/change/delete at the selected position, the
// list clicks and the period navigation. It works on the one Program and the
// InstructionFormat in force, both handed in by reference, and keeps in
// EditorView everything the window shows; the window copies the view into
// its widgets after each call and shows the returned messages in order.
//
//   LightSwitch()                      flip LightState (button, menu, Insert);
//                                      lightSwitchEnabled concerns the button
//                                      only, the menu item always works.
//   DelayChanged(text, caret)          InDelay changed: correct, preview.
//   StartUpChanged(text, caret)        StartUpTime changed: StartUpMinutes and
//                                      image word 253 at once, end sentence;
//                                      an hour of 24 to 29 waits for its units.
//   StartUpFinished()                  the user left StartUpTime: a pending
//                                      hour gives way to the last one stored.
//   AppendInstruction()                NewInstruction.
//   InsertInstruction() / ChangeInstruction() / DeleteInstruction()
//                                      at the selected position.
//   ListClick(index)                   the user chose a row of InstructionsBox
//                                      (a click or the arrow keys; -1: none).
//   NextPeriod() / BackPeriod() / ShowPeriod() / RefreshPeriodView()
//   ReturnToFirstPeriod()              after the configuration dialog's OK.
//   ShowProgram()                      the whole view from the program.
//   FormatChanged()                    the wording changed: hint and list.
//   ProgramTitle(settings, fileName)   the main window's caption: the label and
//                                      the name of the file Save writes.
//
// Only a row the user chose is ever selected: whenever the edit buttons are
// disabled (insert, change, delete, a period step or refresh) the selection
// and the position go with them, so no row looks chosen that the buttons
// would not act on.
//
// An off instruction of 0 seconds would be the end marker of the list, so all
// three storing operations refuse it with a message. Once the segment has
// room again the light-switch button (and NewInstruction, when the delay
// field is filled) are enabled again.

#include "model/InstructionFormat.h"
#include "model/Notice.h"
#include "model/Program.h"
#include "model/TimeText.h"

#include <QStringList>

namespace pellmora::model {

enum class LightState { Off, On };

namespace editor_text {
inline const QString BeyondLimits = QStringLiteral("Za hranice možností !");
inline const QString SegmentFullOnAppend = QStringLiteral("Došlo k naplnění jednoho segmentu !");
inline const QString SegmentFullOnInsert = QStringLiteral("Došlo k naplnění celého segmentu !");
inline const QString EnterNewParameters = QStringLiteral("Zadej nové parametry");
inline const QString ZeroOffRefused = QStringLiteral(
    "Zhasnutí s nulovou prodlevou nelze uložit (nulové slovo ukončuje seznam instrukcí) ! "
    "Zadej prodlevu alespoň 1s.");
inline const QString CountCaption = QStringLiteral("Počet Instrukcí :  ");
inline const QString PositionCaption = QStringLiteral("Aktuální pozice : ");
inline const QString NoPosition = QStringLiteral("Aktuální pozice :");
inline const QString PeriodCaption = QStringLiteral(". Perioda");
} // namespace editor_text

// What the editing part of the main window shows.
struct EditorView {
    QStringList items;                                          // InstructionsBox
    int selected = -1;                                          // selected position
    int stored = -1; // the row the last append, insert or change stored; -1 after any other edit
    QString instruction = QStringLiteral("Instruction");        // Instruction
    QString countLabel = QStringLiteral("Počet instrukcí :");   // EELIOut
    QString positionLabel = editor_text::NoPosition;            // CurrentPosition
    QString endTime = QStringLiteral("Info:");                  // status bar panel 0
    QString outPeriod = QStringLiteral("1. Perioda");           // OutPeriod
    QString delayText = EmptyDelayText;                         // InDelay
    int delayCaret = 0;
    QString startUpText = EmptyStartUpText;                     // StartUpTime
    int startUpCaret = 0;
    bool lightOn = false;                                       // glyph and menu check mark
    QString lightSwitchHint = QStringLiteral("Nesvítí");
    QString lightSwitchCaption = QStringLiteral("Nesvítí");     // menu item
    bool lightSwitchEnabled = true;
    bool newInstructionEnabled = false;
    bool editButtonsEnabled = false; // Delete/Insert/Change buttons and popup items
    bool backPeriodEnabled = false;
    bool nextPeriodEnabled = false;
};

QString ProgramTitle(const ProgramSettings &settings, const QString &fileName = {});

class ProgramEditor {
public:
    ProgramEditor(Program &program, InstructionFormat &format);

    const EditorView &view() const { return view_; }
    LightState lightState() const { return view_.lightOn ? LightState::On : LightState::Off; }

    void LightSwitch();
    void DelayChanged(const QString &text, int caret);
    void StartUpChanged(const QString &text, int caret);
    void StartUpFinished();

    Notices AppendInstruction();
    Notices InsertInstruction();
    Notices ChangeInstruction();
    Notices DeleteInstruction();
    void ListClick(int index);

    void NextPeriod();
    void BackPeriod();
    void ShowPeriod();
    void RefreshPeriodView();
    void ReturnToFirstPeriod();

    void ShowProgram();
    void FormatChanged();
    void FillInstructionList();
    void UpdateEndTime();

private:
    void takeStartUp(const FieldEdit &field);
    quint16 newWord() const;
    bool refusesZeroOff(Notices &notices) const;
    int recount();
    void setCountLabel();
    void setEditButtonsEnabled(bool enabled);
    void setNavigationButtons();
    void enableWhenRoom();
    void showPreview();

    Program &program_;
    InstructionFormat &format_;
    EditorView view_;
    QString delayMemory_ = BlankDelayMemory;
    QString startUpMemory_ = BlankStartUpMemory;
};

} // namespace pellmora::model
