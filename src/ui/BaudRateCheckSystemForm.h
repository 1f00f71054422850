#pragma once

#include <QWidget>

class QFrame;
class QLabel;

namespace pellmora::ui {

// The "Checking Your System" panel: a borderless window centred on the
// screen, shown while the bus delays are calibrated and closed afterwards.
// It has no controls and no events of its own.
//
// Usage: showCentred() shows the panel in the middle of the screen; the
// calibration sequence then processes pending messages once so that it is
// painted before the user interface blocks, and close() hides it again.
class BaudRateCheckSystemForm : public QWidget {
    Q_OBJECT
public:
    explicit BaudRateCheckSystemForm(QWidget *parent = nullptr);

    void showCentred();
    QString caption() const;

private:
    QFrame *SysCheckPanel;  // raised outer bevel
    QLabel *caption_;       // lowered inner bevel with the caption
};

} // namespace pellmora::ui
