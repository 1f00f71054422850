#pragma once

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace pellmora::model {
struct Program;
}

namespace pellmora::ui {

class Prompt;

// The device configuration dialog "Konfigurace": number of periods, device
// label, identifier and the three option flags of the program open in the
// main window. Modal, always on top. Every control writes its setting into
// the program at once; OK only finishes, and the close box keeps every change
// made so far (there is no cancel).
//
// Signals for the main window:
//   okConfirmed(): OK was pressed (the label is already taken over); the main
//     window runs RefreshPeriodView, sets its status-bar hint to
//     "Pellmora - Programming " + DeviceName, its period caption to
//     "1. Perioda", CurrentPeriod to 0 and disables BackPeriod. The dialog
//     closes right after.
//   closed(): the dialog has closed, by OK or by the close box; the main
//     window runs PackHeader and then ShowProgram.
//
// selectPeriods(code) is ShowProgram's use of the period choice: it sets the
// selection to the code and runs the period handler.
class Configuration : public QDialog {
    Q_OBJECT
public:
    // The label's list items, offered in the combo box.
    static const QStringList &labelItems();

    Configuration(model::Program &program, Prompt &prompt, QWidget *parent = nullptr);

    void selectPeriods(int periodCode);
    int periodsIndex() const;

    void done(int result) override;

signals:
    void okConfirmed();
    void closed();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildPeriods();
    void buildLabelAndId();
    void fitLabelWidth();
    void buildExtended();
    void layOut();

    void FormShow();
    void PeriodsClick();
    void InDeviceLabelChange(const QString &text);
    void InIDChange();
    void OKButtonClick();
    void labelCharacterRefused(QChar ch);

    model::Program &program_;
    Prompt &prompt_;

    QGroupBox *Periods = nullptr;
    QButtonGroup *periodButtons_ = nullptr;
    QLabel *LabelOfLabel = nullptr;
    QComboBox *InDeviceLabel = nullptr;
    QLabel *LabelRefusal = nullptr;
    QLabel *IDLabel = nullptr;
    QLineEdit *InID = nullptr;
    QGroupBox *ExetndedGroupBox = nullptr;
    QCheckBox *MemLocked = nullptr;
    QCheckBox *AddRandomTime = nullptr;
    QCheckBox *FastModeCheckBox = nullptr;
    QPushButton *OKButton = nullptr;
};

} // namespace pellmora::ui
