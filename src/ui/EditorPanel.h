#pragma once

#include "model/Notice.h"
#include "model/ProgramEditor.h"

#include <QWidget>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QToolButton;

namespace pellmora::ui {

// The program editor of the main window: the instruction list, the
// programmer group (delay, light switch, the four editing buttons, the
// start-up time) and the period buttons. It drives the ProgramEditor and
// copies its view into the controls; what the window shows elsewhere (the
// end time, the light-switch menu item, the messages) it hands on by signal.
class ProgramHistory;

// Every change of the program made here is recorded in the ProgramHistory,
// one step per editing action and one per typing in the start-up field.
class EditorPanel : public QWidget {
    Q_OBJECT
public:
    EditorPanel(model::ProgramEditor &editor, ProgramHistory &history, QWidget *parent);

    // Copies the editor's view into the controls.
    void applyView();
    void clearList();
    void focusList();
    // Items of the window's menus offered in the list's popup menu as well,
    // after the editing items.
    void addPopupItems(const QList<QAction *> &items);

public slots:
    void LightSwitchClick();

signals:
    // The view has been copied into the controls.
    void viewApplied(const model::EditorView &view);
    // Messages of an editing action, after its view has been shown.
    void noticesRaised(const model::Notices &notices);
    // The program has been shown anew (once per outermost view update).
    void programShown();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildInstructionGroup();
    QWidget *buildProgrammerGroup();
    QWidget *buildConditionBox(QWidget *parent);
    QWidget *buildCommands(QWidget *parent);
    QWidget *buildStartUpPanel(QWidget *parent);
    void buildPopupMenu();
    QWidget *buildPeriodsPanel();
    void applyField(QLineEdit *field, const QString &text, int caret);
    void applyButtons(const model::EditorView &view);
    void InDelayChange();
    void StartUpTimeChange();
    void runEdit(const QString &step, model::Notices (model::ProgramEditor::*action)());
    void NewInstructionClick();
    void InsertInstructionClick();
    void ChangeInstructionClick();
    void DeleteInstructionClick();
    void InstructionsBoxClick(int index);
    void NextPeriodClick();
    void BackPeriodClick();

    model::ProgramEditor &editor_;
    ProgramHistory &history_;
    bool applying_ = false;

    QGroupBox *InstuctionGB = nullptr;
    QListWidget *InstructionsBox = nullptr;
    QLabel *EELIOut = nullptr;
    QLabel *CurrentPosition = nullptr;
    QGroupBox *Programmer = nullptr;
    QLineEdit *InDelay = nullptr;
    QLineEdit *Instruction = nullptr;
    QToolButton *LightSwitch = nullptr;
    QToolButton *GlyphContainerON = nullptr;
    QToolButton *GlyphContainerOFF = nullptr;
    QPushButton *NewInstruction = nullptr;
    QPushButton *DeleteInstruction = nullptr;
    QPushButton *InsertInstruction = nullptr;
    QPushButton *ChangeInstruction = nullptr;
    QLineEdit *StartUpTime = nullptr;
    QPushButton *BackPeriod = nullptr;
    QPushButton *NextPeriod = nullptr;
    QLabel *OutPeriod = nullptr;
    QMenu *PopupMenuBox = nullptr;
    QAction *DeleteInstructionPopUp = nullptr;
    QAction *InsertInstructionPopUp = nullptr;
    QAction *ChangeInstructionPopUp = nullptr;
};

} // namespace pellmora::ui
