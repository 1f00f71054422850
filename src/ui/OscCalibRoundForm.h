#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace pellmora::ui {

// "Doporučené nastavení kalibrace": asks whether a recommended drift that
// falls between two whole seconds is rounded up or down. Shown modally by the
// calibration dialog through AskRounding; it has no signals.
//
// The choice stays set until the next one and starts as round up; closing
// the dialog with its close box repeats the previous choice.
class OscCalibRoundForm : public QDialog {
    Q_OBJECT
public:
    explicit OscCalibRoundForm(QWidget *parent = nullptr);

    // The whole seconds to use for `drift` (>= 0) seconds per `periodWord`
    // ("den", "týden", "měsíc"): a drift close to a whole number is rounded to
    // it without asking, any other is put to the user. 0..255.
    int AskRounding(const QString &periodWord, double drift);

    bool roundsUp() const { return roundUp_; }

private:
    void RoundUpBtnClick();
    void RoundDownBtnClick();

    bool roundUp_ = true;
    QLabel *ItemLabel = nullptr;
    QPushButton *RoundUpBtn = nullptr;
    QPushButton *RoundDownBtn = nullptr;
};

} // namespace pellmora::ui
