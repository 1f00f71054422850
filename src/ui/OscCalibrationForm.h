#pragma once

#include "device/TimeBaseCalibration.h"

#include <QDateTime>
#include <QDialog>

#include <functional>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace pellmora::link {
class Link;
}

namespace pellmora::storage {
struct DeviceDatabase;
}

namespace pellmora::model {
struct Program;
}

namespace pellmora::ui {

class Prompt;

// The time-base calibration dialog "Kalibrace časové základny": the drift of
// the switch's clock as seconds per day, week or month, ahead or behind,
// becomes the program's CalibrationValue and CalibrationLate. Not modal,
// centred on the screen; it has no signals.
//
// Each opening loads the controls from the program settings. The pending
// values follow the controls and reach the program (settings and the image's
// flags word) only through OK. "Doporučená" reads the device clock, compares
// it with the computer's over the days since the last programming date of the
// database and sets the controls to the recommended correction; the rounding
// dialog (OscCalibRoundForm::AskRounding) decides a drift that falls between
// two whole seconds.
class OscCalibrationForm : public QDialog {
    Q_OBJECT
public:
    using DateTimeSource = std::function<QDateTime()>;
    // The whole seconds to use for a drift of seconds per the named period.
    using AskRounding = std::function<int(const QString &periodWord, double drift)>;

    // `now` gives the computer's date and time (the system clock when empty).
    OscCalibrationForm(model::Program &program, const storage::DeviceDatabase &database, link::Link &link, Prompt &prompt,
                       AskRounding askRounding, DateTimeSource now = {}, QWidget *parent = nullptr);

    quint8 PendingCalibration() const { return pendingCalibration_; }
    int PendingLate() const { return pendingLate_; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    QGroupBox *radioGroup(const QString &name, const QString &title, const QStringList &items,
                          QButtonGroup *&group);
    void layOut();

    void FormShow();
    void SecondsDeviationChange();
    void TimePartsClick();
    void OscDeviationClick();
    void OKBtnClick();
    void CalibBtnClick();

    device::CalibrationPeriod period() const;
    void selectPeriod(device::CalibrationPeriod period);
    void selectDirection(bool late);
    void recompute();
    device::ProgrammingAge programmingAge(QDate today) const;
    bool readDeviceClock(QTime &time);
    void applyRecommendation(const device::Recommendation &recommendation);

    model::Program &program_;
    const storage::DeviceDatabase &database_;
    link::Link &link_;
    Prompt &prompt_;
    AskRounding askRounding_;
    DateTimeSource now_;
    quint8 pendingCalibration_ = 0;
    int pendingLate_ = 0;

    QLabel *Label1 = nullptr;
    QSpinBox *SecondsDeviation = nullptr;
    QGroupBox *OscDeviation = nullptr;
    QButtonGroup *directionButtons_ = nullptr;
    QGroupBox *TimeParts = nullptr;
    QButtonGroup *periodButtons_ = nullptr;
    QPushButton *OKBtn = nullptr;
    QPushButton *CalibBtn = nullptr;
};

} // namespace pellmora::ui
