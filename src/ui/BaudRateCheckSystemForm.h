#pragma once

#include <QWidget>

class QLabel;

namespace pellmora::ui {

// The "Checking Your System" panel: a borderless window centred on the
// screen, shown while the bus delays are calibrated and closed afterwards.
// It has no controls and no events of its own.
//
// Usage: showAndPaint() shows the panel and lets the window system paint it
// (pending messages processed once), so that it stays visible while the
// calibration blocks the user interface; close() hides it again.
class BaudRateCheckSystemForm : public QWidget {
    Q_OBJECT
public:
    explicit BaudRateCheckSystemForm(QWidget *parent = nullptr);

    void showAndPaint();

private:
    QLabel *SysCheckPanel;
};

} // namespace pellmora::ui
