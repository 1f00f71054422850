#pragma once

#include <QDialog>
#include <QTime>
#include <QTimer>

#include <functional>

class QLineEdit;
class QPushButton;
class QToolButton;

namespace pellmora::link {
class Link;
}

namespace pellmora::ui {

class Prompt;

// The clock dialog "Reálný čas v zařízení": reads the switch's time of day,
// lets the user step hours and minutes, zero the seconds and set the clock,
// or copy the computer's time into it. Not modal, stays on top, opens
// centred on the screen. It has no signals.
//
// While it is shown, RefreshTimer ticks every second and advances the shown
// seconds; whenever they reach a multiple of ten (the wrap from 59 to 0
// included) the device is read again and the display takes the time read, so
// it follows the switch's own clock across minute changes. Once the user has
// stepped the time, a re-read only checks that the switch answers and the
// composed time runs on until it is set. A read or a setting that fails
// (a silent switch brings its message again) shows "--:--:--" and disables
// SET and the steps until a read succeeds: nothing then stands for the
// switch's time. The timer stops when the dialog is hidden, by OK or by the
// close box. The fields keep their values between openings; the shown time
// starts at midnight.
class DeviceTimeDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int RefreshInterval = 1000; // ms
    static constexpr int SecondsPerRead = 10;
    static constexpr char UnknownTimeText[] = "--:--:--";

    using TimeSource = std::function<QTime()>;

    // `now` gives the computer's time of day (the system clock when empty).
    DeviceTimeDialog(link::Link &link, Prompt &prompt, TimeSource now = {}, QWidget *parent = nullptr);

    QTime ShownTime() const { return shownTime_; }
    // false while the display shows "--:--:--".
    bool timeKnown() const { return timeKnown_; }
    bool refreshing() const { return RefreshTimer.isActive(); }

public slots:
    void RefreshTimerTimer();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QToolButton *stepButton(const QString &name, Qt::ArrowType arrow, const std::function<void()> &handler);
    void layOut();
    int arrowRowHeight() const;
    int digitCentre(int first, int last) const;
    void placeArrows();

    void FormShow();
    void stepUp(quint16 &field, quint16 by);
    void stepDown(quint16 &field, quint16 by);
    void SecondsZeroClick();
    void SetTimeBtnClick();
    void SetSysTimeBtnClick();
    void OKBtnClick();

    bool FetchDeviceTime();
    bool StoreDeviceTime();
    void setTimeKnown(bool known);
    void userStepped();
    void RedisplayTime();
    void splitShownTime();

    link::Link &link_;
    Prompt &prompt_;
    TimeSource now_;
    quint16 Hours = 0;
    quint16 Minutes = 0;
    quint16 Seconds = 0;
    QTime shownTime_{0, 0};
    bool timeKnown_ = false;
    bool userComposed_ = false; // the shown time was stepped by the user
    QTimer RefreshTimer;

    QLineEdit *TimeDisplay = nullptr;
    QToolButton *HoursDecimalUp = nullptr;
    QToolButton *HoursDecimalDown = nullptr;
    QToolButton *HoursUnitUp = nullptr;
    QToolButton *HoursUnitDown = nullptr;
    QToolButton *MinutesDecimalUp = nullptr;
    QToolButton *MinutesDecimalDown = nullptr;
    QToolButton *MinutesUnitUp = nullptr;
    QToolButton *MinutesUnitDown = nullptr;
    QToolButton *SecondsZero = nullptr;
    QPushButton *SetSysTimeBtn = nullptr;
    QPushButton *SetTimeBtn = nullptr;
    QPushButton *OKBtn = nullptr;
};

} // namespace pellmora::ui
