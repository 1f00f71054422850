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
// seconds; every tenth tick since the dialog was shown reads the device
// again and the display takes the time read, so it follows the device's own
// clock (a silent device brings its message again instead). The timer stops
// when the dialog is hidden, by OK or by the close box. The fields keep their
// values between openings; the shown time starts at midnight.
class DeviceTimeDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int RefreshInterval = 1000; // ms
    static constexpr int TicksPerRead = 10;

    using TimeSource = std::function<QTime()>;

    // `now` gives the computer's time of day (the system clock when empty).
    DeviceTimeDialog(link::Link &link, Prompt &prompt, TimeSource now = {}, QWidget *parent = nullptr);

    QTime ShownTime() const { return shownTime_; }
    bool refreshing() const { return RefreshTimer.isActive(); }

public slots:
    void RefreshTimerTimer();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QToolButton *stepButton(const QString &name, Qt::ArrowType arrow, const std::function<void()> &handler);
    void layOut();

    void FormShow();
    void stepUp(quint16 &field, quint16 by);
    void stepDown(quint16 &field, quint16 by);
    void SecondsZeroClick();
    void SetTimeBtnClick();
    void SetSysTimeBtnClick();
    void OKBtnClick();

    bool FetchDeviceTime();
    void StoreDeviceTime();
    void RedisplayTime();
    void splitShownTime();

    link::Link &link_;
    Prompt &prompt_;
    TimeSource now_;
    quint16 Hours = 0;
    quint16 Minutes = 0;
    quint16 Seconds = 0;
    QTime shownTime_{0, 0};
    int ticks_ = 0;
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
