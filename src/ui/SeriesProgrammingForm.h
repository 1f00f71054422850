#pragma once

#include "device/SeriesProgramming.h"

#include <QDialog>

#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTimer;

namespace pellmora::link {
class Link;
}

namespace pellmora::ui {

class Prompt;
struct Session;

// "Sériové programování": the program in the editor written into one switch
// after another, each with the next identifier, its clock set and a record
// in the device database, and a row in the window's table (N, ID, time,
// result) for each. The next switch is programmed when the user presses
// Start or as soon as the interface reports its presence again after the
// previous switch was unplugged. A switch that fails holds the series with
// Opakovat / Přeskočit / Ukončit. Not modal; the editor's program is copied
// when the series starts and never changed by it.
//
//   recordAppended(index): a switch was recorded as record `index`.
class SeriesProgrammingForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int PresenceSampleMs = 100;

    SeriesProgrammingForm(Session &session, link::Link &link, Prompt &prompt, QWidget *parent = nullptr);
    ~SeriesProgrammingForm() override;

    bool seriesRunning() const { return series_ != nullptr; }

public slots:
    void StartBtnClick();
    void RetryBtnClick();
    void SkipBtnClick();
    void EndBtnClick();
    // One reading of the presence line while the series waits for a switch.
    void PresenceTimerTick();

signals:
    void recordAppended(int index);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    enum class State { Idle, Waiting, Programming, Failed };

    bool beginSeries();
    bool settleIdentifier();
    void programNext();
    void awaitNextSwitch();
    void endSeries(const QString &summary);
    void addRow(const device::SwitchOutcome &outcome);
    void showState(State state);
    void showStep(device::SeriesStep step);
    void proposeFirstId();
    device::SeriesObserver observer();

    Session &session_;
    link::Link &link_;
    Prompt &prompt_;
    std::unique_ptr<device::SeriesProgramming> series_;
    device::PresenceTrigger trigger_;
    State state_ = State::Idle;
    bool useRecordedId_ = false;
    bool addToDatabase_ = true;

    QLabel *ProgramLabel = nullptr;
    QLineEdit *FirstIdEdit = nullptr;
    QSpinBox *CountSpin = nullptr;
    QCheckBox *SetClockCheck = nullptr;
    QCheckBox *AddToDatabaseCheck = nullptr;
    QLabel *ConnectLabel = nullptr;
    QLabel *StepLabel = nullptr;
    QProgressBar *SeriesProgress = nullptr;
    QTableWidget *SeriesTable = nullptr;
    QPushButton *StartBtn = nullptr;
    QPushButton *RetryBtn = nullptr;
    QPushButton *SkipBtn = nullptr;
    QPushButton *EndBtn = nullptr;
    QPushButton *CloseBtn = nullptr;
    QTimer *PresenceTimer = nullptr;
};

} // namespace pellmora::ui
