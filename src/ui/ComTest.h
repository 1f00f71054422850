#pragma once

#include "device/ComTest.h"

#include <QWidget>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace pellmora::ui {

// The communication test's dialog "Test komunikace": a small window always
// on top, centred on the screen, without modality and without title-bar
// buttons but the close box, which closes it like its result button once the
// test has ended.
//
// The main window runs the test: startTest() shows the dialog with the
// button disabled and "Nepřipojeno" on it, testObserver() carry the test's
// stage label and progress into the dialog, testEnded() enables the button
// and, after a success, names it "OK - Připojeno". Every test begins from
// "Nepřipojeno", so a failing test never shows an earlier success.
//
// Signals for the main window:
//   resultAccepted(): the result button was clicked (whatever the outcome);
//     the main window enables its load and program buttons. The dialog
//     closes itself afterwards.
class ComTest : public QWidget {
    Q_OBJECT
public:
    explicit ComTest(QWidget *parent = nullptr);

    void startTest();
    device::ComTestObserver testObserver(std::function<void()> pump);
    void testEnded(bool connected);

signals:
    void resultAccepted();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void TestComResultBtnClick();
    void showStage(const QString &text);

    QLabel *ProcessLabel;
    QProgressBar *TestComProgress;
    QPushButton *TestComResultBtn;
};

} // namespace pellmora::ui
