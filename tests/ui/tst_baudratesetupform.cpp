#include "ui/BaudRateCheckSystemForm.h"
#include "DialogTestKit.h"
#include "ui/BaudRateSetupForm.h"
#include "link/Link.h"
#include "link/Timing.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>

using namespace pellmora;
using namespace pellmora::port;
using namespace pellmora::link;
using namespace pellmora::ui;
using test::control;

namespace {

// Port registers that read 0 and forget every write: calibration only reads.
class QuietPorts : public PortIo {
public:
    quint8 PortIn(quint16) override { return 0; }
    void PortOut(quint16, quint8) override {}
};

// Every run of the calibration appears to last RunMicros.
constexpr quint64 RunMicros = 12500;

CalibrationPlan quickPlan()
{
    CalibrationPlan plan;
    plan.firstLoopCount = 1000;
    plan.firstTransfers = 100;
    plan.minRunMicros = 0;
    plan.maxLengthenings = 0;
    plan.refinements = 0;
    return plan;
}

} // namespace

class BaudRateSetupFormTest : public QObject {
    Q_OBJECT

private:
    QuietPorts ports;
    LinkState state;

    static QSlider *eepromTrack(QWidget &dialog) { return control<QSlider>(dialog, "EEPROM_BaudRateTrack"); }
    static QSlider *picTrack(QWidget &dialog) { return control<QSlider>(dialog, "PICmicro_BaudRateTrack"); }

private slots:
    void init() { state = LinkState{}; }

    void layout()
    {
        Link link(ports, state);
        BaudRateCheckSystemForm panel;
        BaudRateSetupForm dialog(link, panel);
        QCOMPARE(control<QLabel>(dialog, "MemBRLab")->text(), QStringLiteral("Rychlost:"));
        QCOMPARE(control<QLabel>(dialog, "PICBRLab")->text(), QStringLiteral("Rychlost:"));
        QSlider *eeprom = eepromTrack(dialog);
        QCOMPARE(eeprom->minimum(), 200);
        QCOMPARE(eeprom->maximum(), 2000);
        QCOMPARE(eeprom->singleStep(), 200);
        QCOMPARE(eeprom->pageStep(), 400);
        QCOMPARE(eeprom->tickInterval(), 200);
        QCOMPARE(eeprom->tickPosition(), QSlider::TicksBelow);
        QSlider *pic = picTrack(dialog);
        QCOMPARE(pic->minimum(), 20);
        QCOMPARE(pic->maximum(), 100);
        QCOMPARE(pic->tickInterval(), 10);
        QCOMPARE(pic->tickPosition(), QSlider::TicksBelow);
        QVERIFY(panel.findChild<QFrame *>(QStringLiteral("SysCheckPanel")) != nullptr);
        QCOMPARE(panel.caption(), QStringLiteral("Checking Your System"));
        QVERIFY(panel.windowFlags().testFlag(Qt::FramelessWindowHint));
    }

    void shownFromStoredSpeeds_data()
    {
        QTest::addColumn<int>("storedEeprom");
        QTest::addColumn<int>("storedPic");
        QTest::addColumn<int>("eeprom");
        QTest::addColumn<int>("pic");

        QTest::newRow("defaults") << 1000 << 60 << 1000 << 60;
        QTest::newRow("microcontroller 40 from the file") << 1000 << 40 << 1000 << 40;
        QTest::newRow("ends of the ranges") << 2000 << 20 << 2000 << 20;
        QTest::newRow("between the ticks") << 1234 << 77 << 1234 << 77;
        QTest::newRow("zero from the file") << 0 << 0 << 200 << 20;
        QTest::newRow("above the ranges") << 5000 << 250 << 2000 << 100;
    }

    void shownFromStoredSpeeds()
    {
        QFETCH(int, storedEeprom);
        QFETCH(int, storedPic);
        QFETCH(int, eeprom);
        QFETCH(int, pic);

        state.EepromBaudRate = quint16(storedEeprom);
        state.PicBaudRate = quint16(storedPic);
        Link link(ports, state);
        BaudRateCheckSystemForm panel;
        BaudRateSetupForm dialog(link, panel);
        dialog.show();

        QCOMPARE(eepromTrack(dialog)->value(), eeprom);
        QCOMPARE(picTrack(dialog)->value(), pic);
        QCOMPARE(control<QLabel>(dialog, "MemBRLab")->text(), QStringLiteral("Rychlost: %1 baudů").arg(eeprom));
        QCOMPARE(control<QLabel>(dialog, "PICBRLab")->text(), QStringLiteral("Rychlost: %1 baudů").arg(pic));
        // What the dialog shows is what is stored from now on.
        QCOMPARE(int(state.EepromBaudRate), eeprom);
        QCOMPARE(int(state.PicBaudRate), pic);
    }

    void trackKeysChangeSpeedAtOnce_data()
    {
        QTest::addColumn<bool>("eepromSide");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("position");

        QTest::newRow("memory line step") << true << int(Qt::Key_Right) << 1200;
        QTest::newRow("memory page step") << true << int(Qt::Key_PageUp) << 1400;
        QTest::newRow("memory line step down") << true << int(Qt::Key_Left) << 800;
        QTest::newRow("memory top") << true << int(Qt::Key_End) << 2000;
        QTest::newRow("processor line step") << false << int(Qt::Key_Right) << 61;
        QTest::newRow("processor page step down") << false << int(Qt::Key_PageDown) << 58;
        QTest::newRow("processor bottom") << false << int(Qt::Key_Home) << 20;
    }

    void trackKeysChangeSpeedAtOnce()
    {
        QFETCH(bool, eepromSide);
        QFETCH(int, key);
        QFETCH(int, position);

        Link link(ports, state);
        BaudRateCheckSystemForm panel;
        BaudRateSetupForm dialog(link, panel);
        dialog.show();
        QSlider *track = eepromSide ? eepromTrack(dialog) : picTrack(dialog);
        QTest::keyClick(track, Qt::Key(key));

        QCOMPARE(track->value(), position);
        const QString label = eepromSide ? QStringLiteral("MemBRLab") : QStringLiteral("PICBRLab");
        QCOMPARE(control<QLabel>(dialog, label)->text(), QStringLiteral("Rychlost: %1 baudů").arg(position));
        QCOMPARE(int(eepromSide ? state.EepromBaudRate : state.PicBaudRate), position);
        QCOMPARE(int(eepromSide ? state.PicBaudRate : state.EepromBaudRate), eepromSide ? 60 : 1000);
    }

    // The last calibration found the port too slow for a speed: below the
    // track a note says what it reaches, while the track asks for more.
    void noteSaysWhatASlowPortReaches_data()
    {
        QTest::addColumn<bool>("eepromSide");
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("note");

        QTest::newRow("memory too fast for the port") << true << 310 << 1000 << QStringLiteral("Port zvládne nejvýš 310 baudů");
        QTest::newRow("memory slow enough") << true << 310 << 200 << QString();
        QTest::newRow("memory reached") << true << 0 << 2000 << QString();
        QTest::newRow("processor too fast for the port") << false << 45 << 60 << QStringLiteral("Port zvládne nejvýš 45 baudů");
        QTest::newRow("processor slow enough") << false << 45 << 40 << QString();
    }

    void noteSaysWhatASlowPortReaches()
    {
        QFETCH(bool, eepromSide);
        QFETCH(int, limit);
        QFETCH(int, position);
        QFETCH(QString, note);

        (eepromSide ? state.EepromSpeedLimit : state.PicSpeedLimit) = quint16(limit);
        Link link(ports, state);
        BaudRateCheckSystemForm panel;
        BaudRateSetupForm dialog(link, panel);
        dialog.show();
        (eepromSide ? eepromTrack(dialog) : picTrack(dialog))->setValue(position);

        QLabel *shown = control<QLabel>(dialog, eepromSide ? "MemLimitLab" : "PICLimitLab");
        QCOMPARE(shown->isVisible(), !note.isEmpty());
        QCOMPARE(shown->text(), note);
        QVERIFY(!control<QLabel>(dialog, eepromSide ? "PICLimitLab" : "MemLimitLab")->isVisible());
    }

    void cancelKeepsSpeedsAndLoopCounts()
    {
        state.EEPROM_Loop = 4321;
        state.PICmicro_Loop = 98765;
        state.LoopCount = 5000;
        Link link(ports, state);
        BaudRateCheckSystemForm panel;
        BaudRateSetupForm dialog(link, panel);
        int clockReadings = 0;
        dialog.setMeasurement([&] { return quint64(++clockReadings) * RunMicros; }, quickPlan());
        dialog.show();
        eepromTrack(dialog)->setValue(1400);
        picTrack(dialog)->setValue(45);
        control<QPushButton>(dialog, "CancelBtn")->click();

        QVERIFY(!dialog.isVisible());
        QCOMPARE(int(state.EepromBaudRate), 1400);
        QCOMPARE(int(state.PicBaudRate), 45);
        QCOMPARE(state.EEPROM_Loop, quint32(4321));
        QCOMPARE(state.PICmicro_Loop, quint32(98765));
        QCOMPARE(state.LoopCount, quint32(5000));
        QCOMPARE(clockReadings, 0);
    }

    void okCalibratesBehindThePanel_data()
    {
        QTest::addColumn<int>("eeprom");
        QTest::addColumn<int>("pic");
        QTest::addColumn<bool>("duringTransfer"); // OK comes while a device transfer runs

        QTest::newRow("defaults") << 1000 << 60 << false;
        QTest::newRow("fastest") << 2000 << 100 << false;
        QTest::newRow("slowest") << 200 << 20 << false;
        QTest::newRow("put off until the transfer ends") << 1000 << 60 << true;
    }

    void okCalibratesBehindThePanel()
    {
        QFETCH(int, eeprom);
        QFETCH(int, pic);
        QFETCH(bool, duringTransfer);

        Link link(ports, state);
        BaudRateCheckSystemForm panel;
        BaudRateSetupForm dialog(link, panel);
        int readings = 0;
        int readingsWithPanel = 0;
        dialog.setMeasurement(
            [&] {
                ++readings;
                readingsWithPanel += panel.isVisible() ? 1 : 0;
                return quint64(readings) * RunMicros;
            },
            quickPlan());
        dialog.show();
        eepromTrack(dialog)->setValue(eeprom);
        picTrack(dialog)->setValue(pic);
        if (duringTransfer) {
            const LinkSession transfer(link);
            control<QPushButton>(dialog, "OKBtn")->click();
            QCOMPARE(readings, 0);
            QCOMPARE(state.EEPROM_Loop, quint32(0));
            QVERIFY(dialog.isVisible());
        } else {
            control<QPushButton>(dialog, "OKBtn")->click();
        }
        QCoreApplication::processEvents();

        const CalibrationPlan plan = quickPlan();
        const quint32 eepromLoop =
            LoopCountForSpeed(plan.firstLoopCount, plan.firstTransfers, RunMicros, quint16(eeprom));
        const quint32 picLoop = LoopCountForSpeed(plan.firstLoopCount, plan.firstTransfers, RunMicros, quint16(pic));
        QCOMPARE(state.EEPROM_Loop, eepromLoop);
        QCOMPARE(state.PICmicro_Loop, picLoop);
        QVERIFY(state.EEPROM_Loop < state.PICmicro_Loop);
        QCOMPARE(state.LoopCount, picLoop);
        QVERIFY(readings > 0);
        QCOMPARE(readingsWithPanel, readings);
        QVERIFY(!panel.isVisible());
        QVERIFY(!dialog.isVisible());
    }

    // The main window runs the same sequence while the dialog is closed.
    void sequenceWithoutTheDialog()
    {
        state.EepromBaudRate = 1400;
        Link link(ports, state);
        BaudRateCheckSystemForm panel;
        BaudRateSetupForm dialog(link, panel);
        int readings = 0;
        dialog.setMeasurement([&] { return quint64(++readings) * RunMicros; }, quickPlan());
        dialog.runCalibrationSequence();

        const CalibrationPlan plan = quickPlan();
        QCOMPARE(state.EEPROM_Loop, LoopCountForSpeed(plan.firstLoopCount, plan.firstTransfers, RunMicros, 1400));
        QCOMPARE(state.PICmicro_Loop, LoopCountForSpeed(plan.firstLoopCount, plan.firstTransfers, RunMicros, 60));
        QVERIFY(!dialog.isVisible());
        QVERIFY(!panel.isVisible());
    }
};

QTEST_MAIN(BaudRateSetupFormTest)
#include "tst_baudratesetupform.moc"
