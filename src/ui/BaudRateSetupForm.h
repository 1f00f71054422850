#pragma once

#include "link/Timing.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;

namespace pellmora::link {
class Link;
}

namespace pellmora::ui {

class BaudRateCheckSystemForm;

// The speed dialog "Nastavení přenosové rychlosti": the two bus speeds, for
// the EEPROM and for the microcontroller, set with track bars. Shown without
// modality. Moving a track bar changes the speed in the link state at once;
// Cancel only closes, so a moved speed stays (and is stored at exit) while
// the calibrated loop counts keep their values until the next calibration.
// OK runs the calibration sequence, which also closes the dialog; while a
// device transfer runs, OK is put off until it has ended (calibrating under
// it would change its bus delay), and the dialog stays open until then.
// Below each track a note says what speed the port reaches when the last
// calibration found it slower than the speed the track asks for.
//
// runCalibrationSequence() is the one calibration sequence of the
// application: the "Checking Your System" panel shown and painted, both
// speeds calibrated into EEPROM_Loop and PICmicro_Loop, the panel and this
// dialog closed (harmless when the dialog is not open). The main window
// calls it at its first paint and when the application is activated again.
class BaudRateSetupForm : public QDialog {
    Q_OBJECT
public:
    BaudRateSetupForm(link::Link &link, BaudRateCheckSystemForm &panel, QWidget *parent = nullptr);

    void runCalibrationSequence();

    // How the calibration measures; the defaults measure the real machine.
    void setMeasurement(link::MonotonicMicros clock, const link::CalibrationPlan &plan);

protected:
    void showEvent(QShowEvent *event) override;

private:
    QGroupBox *speedGroup(const QString &caption, const char *name, QLabel *label, QSlider *track, QLabel *limit);
    static void showLimit(QLabel *note, quint16 limit, int position);
    void FormShow();
    void EEPROM_BaudRateTrackChange(int position);
    void PICmicro_BaudRateTrackChange(int position);
    void OKBtnClick();

    link::Link &link_;
    BaudRateCheckSystemForm &panel_;
    link::MonotonicMicros clock_;
    link::CalibrationPlan plan_;
    bool calibrationPutOff_ = false;

    QLabel *NOTE1;
    QLabel *MemBRLab;
    QSlider *EEPROM_BaudRateTrack;
    QLabel *MemLimitLab;
    QLabel *PICBRLab;
    QSlider *PICmicro_BaudRateTrack;
    QLabel *PICLimitLab;
    QPushButton *CancelBtn;
    QPushButton *OKBtn;
};

} // namespace pellmora::ui
