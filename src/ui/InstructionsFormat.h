#pragma once

#include <QDialog>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace pellmora::model {
class InstructionFormat;
}

namespace pellmora::ui {

// The instruction format dialog "Formát Instrukcí": chooses how the list, the
// delay preview and the light switch word the two light states. Shown without
// modality; closing it only hides it. It works on the one InstructionFormat
// of the application: a radio button click takes effect at once (the user
// words wait for OK), so closing with the close box keeps what was clicked.
//
// Signals for the main window:
//   formatConfirmed(): OK was pressed and the words are final; the main window
//     sets the light-switch hint to OnWord or OffWord after its LightState and
//     runs FillInstructionList. The dialog hides right after.
//
// At start-up, after the configuration file was read, the application calls
// SetCurrentInstrFormat with the stored code and the two user words. The
// configuration writer reads FormatCode from the InstructionFormat and the
// user words from userPositiveText() / userNegativeText().
class InstructionsFormat : public QDialog {
    Q_OBJECT
public:
    explicit InstructionsFormat(model::InstructionFormat &format, QWidget *parent = nullptr);

    void SetCurrentInstrFormat(int code, const QString &positive, const QString &negative);

    QString userPositiveText() const;
    QString userNegativeText() const;

signals:
    void formatConfirmed();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void layOut();
    void setUserEditsEnabled(bool enabled);
    void formatClicked(int code);
    void InstrFormatOKClick();

    model::InstructionFormat &format_;

    QButtonGroup *formats_;
    QRadioButton *OnOff;
    QRadioButton *ZapnutoVypnuto;
    QRadioButton *ShiningNoshining;
    QRadioButton *User;
    QLineEdit *UserInstructionsPositive;
    QLabel *ChrOR;
    QLineEdit *UserInstructionsNegative;
    QPushButton *InstrFormatOK;
};

} // namespace pellmora::ui
