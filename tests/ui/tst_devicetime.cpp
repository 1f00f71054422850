#include "ui/DeviceTimeDialog.h"
#include "DialogTestKit.h"
#include "RecordingPrompt.h"
#include "../device/SimRig.h"

#include "device/DeviceClock.h"
#include "device/DeviceMemory.h"

#include <QLayout>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace pellmora;
using namespace pellmora::link;
using namespace pellmora::sim;
using namespace pellmora::ui;
using pellmora::sim::Fault;
using pellmora::test::SimRig;
using pellmora::ui::DeviceTimeDialog;
namespace uitest = pellmora::ui::test;
using uitest::control;

class DeviceTimeDialogTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<SimRig> rig;
    uitest::RecordingPrompt prompt;
    QTime computerTime{9, 30, 15, 800};

    // A switch on COM1, powered as the communication test leaves it, whose
    // clock shows `deviceTime` (the simulation's host clock stands still).
    void connect(QTime deviceTime, QList<Fault> faults = {})
    {
        rig = std::make_unique<SimRig>(faults);
        rig->powerSelectedPort();
        rig->sim.setDeviceTime(deviceTime);
        prompt = uitest::RecordingPrompt{};
    }

    std::unique_ptr<DeviceTimeDialog> dialog()
    {
        return std::make_unique<DeviceTimeDialog>(rig->link, prompt, [this] { return computerTime; });
    }

    static QString shown(const DeviceTimeDialog &d) { return control<QLineEdit>(d, "TimeDisplay")->displayText(); }

    static void click(const DeviceTimeDialog &d, const QString &name)
    {
        control<QAbstractButton>(d, name)->click();
    }

private slots:
    void openingReadsTheDeviceAndStartsTheRefresh()
    {
        connect(QTime(14, 5, 37));
        auto d = dialog();
        QVERIFY(!d->refreshing());
        d->show();
        QCOMPARE(shown(*d), QStringLiteral("14:05:37"));
        QCOMPARE(d->ShownTime(), QTime(14, 5, 37));
        QVERIFY(d->refreshing());
        QCOMPARE(prompt.shown, QStringList{});
        QVERIFY(d->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!d->isModal());
    }

    void stepButtons_data()
    {
        QTest::addColumn<QTime>("start");
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QString>("expected");

        QTest::newRow("20 plus ten hours is 00") << QTime(20, 1, 2) << QStringList{"HoursDecimalUp"} << "00:01:02";
        QTest::newRow("14 plus ten hours is 00") << QTime(14, 1, 2) << QStringList{"HoursDecimalUp"} << "00:01:02";
        QTest::newRow("13 plus ten hours") << QTime(13, 1, 2) << QStringList{"HoursDecimalUp"} << "23:01:02";
        QTest::newRow("5 minus ten hours stays") << QTime(5, 1, 2) << QStringList{"HoursDecimalDown"} << "05:01:02";
        QTest::newRow("15 minus ten hours") << QTime(15, 1, 2) << QStringList{"HoursDecimalDown"} << "05:01:02";
        QTest::newRow("23 plus an hour is 00") << QTime(23, 1, 2) << QStringList{"HoursUnitUp"} << "00:01:02";
        QTest::newRow("0 minus an hour stays") << QTime(0, 1, 2) << QStringList{"HoursUnitDown"} << "00:01:02";
        QTest::newRow("55 plus ten minutes is 00, no carry")
            << QTime(7, 55, 2) << QStringList{"MinutesDecimalUp"} << "07:00:02";
        QTest::newRow("9 minus ten minutes stays") << QTime(7, 9, 2) << QStringList{"MinutesDecimalDown"} << "07:09:02";
        QTest::newRow("59 plus a minute is 00, no carry")
            << QTime(7, 59, 2) << QStringList{"MinutesUnitUp"} << "07:00:02";
        QTest::newRow("0 minus a minute stays") << QTime(7, 0, 2) << QStringList{"MinutesUnitDown"} << "07:00:02";
        QTest::newRow("seconds to zero") << QTime(7, 8, 42) << QStringList{"SecondsZero"} << "07:08:00";
        QTest::newRow("several steps")
            << QTime(9, 30, 0)
            << QStringList{"HoursDecimalUp", "HoursUnitUp", "HoursUnitUp", "MinutesDecimalDown", "MinutesUnitDown"}
            << "21:19:00";
    }

    // The steps change only what is shown; the device keeps its time.
    void stepButtons()
    {
        QFETCH(QTime, start);
        QFETCH(QStringList, clicks);
        QFETCH(QString, expected);

        connect(start);
        auto d = dialog();
        d->show();
        control<QLineEdit>(*d, "TimeDisplay")->setCursorPosition(4);
        for (const QString &name : std::as_const(clicks))
            click(*d, name);
        QCOMPARE(shown(*d), expected);
        QCOMPARE(d->ShownTime().toString(QStringLiteral("HH:mm:ss")), expected);
        QCOMPARE(control<QLineEdit>(*d, "TimeDisplay")->cursorPosition(), 4);
        QCOMPARE(rig->sim.deviceTime(), start);
    }

    void arrowsStandAtTheirDigits_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("first"); // the digits it changes, as places in "HH:mm:ss"
        QTest::addColumn<int>("last");
        QTest::addColumn<int>("pointSize"); // 0: the dialog's own font

        QTest::newRow("tens of hours, up") << "HoursDecimalUp" << 0 << 0 << 0;
        QTest::newRow("tens of hours, down") << "HoursDecimalDown" << 0 << 0 << 0;
        QTest::newRow("hours, up") << "HoursUnitUp" << 1 << 1 << 0;
        QTest::newRow("hours, down") << "HoursUnitDown" << 1 << 1 << 0;
        QTest::newRow("tens of minutes, up") << "MinutesDecimalUp" << 3 << 3 << 0;
        QTest::newRow("tens of minutes, down") << "MinutesDecimalDown" << 3 << 3 << 0;
        QTest::newRow("minutes, up") << "MinutesUnitUp" << 4 << 4 << 0;
        QTest::newRow("minutes, down") << "MinutesUnitDown" << 4 << 4 << 0;
        QTest::newRow("zero seconds") << "SecondsZero" << 6 << 7 << 0;
        QTest::newRow("larger font, tens of hours") << "HoursDecimalUp" << 0 << 0 << 48;
        QTest::newRow("larger font, minutes") << "MinutesUnitDown" << 4 << 4 << 48;
        QTest::newRow("smaller font, hours") << "HoursUnitUp" << 1 << 1 << 12;
        QTest::newRow("smaller font, zero seconds") << "SecondsZero" << 6 << 7 << 12;
    }

    // Each arrow's centre stands over the digit it changes, wherever the
    // display's font puts the digits.
    void arrowsStandAtTheirDigits()
    {
        QFETCH(QString, button);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(int, pointSize);

        connect(QTime(18, 47, 5));
        auto d = dialog();
        d->show();
        auto *display = control<QLineEdit>(*d, "TimeDisplay");
        if (pointSize != 0) {
            QFont font = display->font();
            font.setPointSize(pointSize);
            display->setFont(font);
            QCoreApplication::sendPostedEvents();
            d->layout()->activate();
        }

        const QString text = display->displayText();
        const QFontMetrics metrics = display->fontMetrics();
        const QRect contents = display->contentsRect().marginsRemoved(display->textMargins());
        const int textLeft = contents.left() + (contents.width() - metrics.horizontalAdvance(text)) / 2;
        const int left = display->mapTo(d.get(), QPoint(textLeft + metrics.horizontalAdvance(text.left(first)), 0)).x();
        const int right =
            display->mapTo(d.get(), QPoint(textLeft + metrics.horizontalAdvance(text.left(last + 1)), 0)).x();

        auto *arrow = control<QToolButton>(*d, button);
        const int centre = arrow->mapTo(d.get(), arrow->rect().center()).x();
        QVERIFY2(left <= centre && centre <= right,
                 qPrintable(QStringLiteral("centre %1 outside %2..%3").arg(centre).arg(left).arg(right)));
        const bool above = button.endsWith(QStringLiteral("Up"));
        const QRect shownAt(arrow->mapTo(d.get(), QPoint(0, 0)), arrow->size());
        const QRect displayAt(display->mapTo(d.get(), QPoint(0, 0)), display->size());
        QVERIFY(above ? shownAt.bottom() < displayAt.top() : shownAt.top() > displayAt.bottom());
        QVERIFY(d->rect().contains(shownAt));
    }

    void settingTheClock_data()
    {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QTime>("device");
        QTest::addColumn<QString>("display");

        QTest::newRow("SET sends the shown time with seconds 0")
            << QStringList{"SetTimeBtn"} << QTime(14, 5, 0) << "14:05:00";
        QTest::newRow("SET after stepping") << QStringList{"HoursUnitUp", "MinutesUnitDown", "SetTimeBtn"}
                                            << QTime(15, 4, 0) << "15:04:00";
        QTest::newRow("system time without its fraction")
            << QStringList{"SetSysTimeBtn"} << QTime(9, 30, 15) << "09:30:15";
    }

    void settingTheClock()
    {
        QFETCH(QStringList, clicks);
        QFETCH(QTime, device);
        QFETCH(QString, display);

        connect(QTime(14, 5, 37));
        auto d = dialog();
        d->show();
        for (const QString &name : std::as_const(clicks))
            click(*d, name);
        QCOMPARE(rig->sim.deviceTime(), device);
        QCOMPARE(shown(*d), display);
        QCOMPARE(prompt.shown, QStringList{});
    }

    void refreshFollowsTheDevice_data()
    {
        QTest::addColumn<QTime>("opened");   // the switch's time when the dialog opens
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<int>("ticks");      // the switch's clock runs on one second a tick
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QTime>("set");      // what SET then writes

        QTest::newRow("the minute change is read at :00")
            << QTime(9, 52, 53) << QStringList{} << 9 << "09:53:02" << QTime(9, 53, 0);
        QTest::newRow("a stepped time runs on through the reads")
            << QTime(9, 52, 53) << QStringList{"HoursUnitUp"} << 12 << "10:52:05" << QTime(10, 52, 0);
    }

    // The shown seconds run on by themselves; when they reach a multiple of
    // ten the switch is read again and the display takes its time, so SET
    // writes the minute the switch is in.
    void refreshFollowsTheDevice()
    {
        QFETCH(QTime, opened);
        QFETCH(QStringList, clicks);
        QFETCH(int, ticks);
        QFETCH(QString, shown);
        QFETCH(QTime, set);

        connect(opened);
        auto d = dialog();
        d->show();
        for (const QString &name : std::as_const(clicks))
            click(*d, name);
        for (int tick = 1; tick <= ticks; ++tick) {
            // A switch that runs a little ahead of the dialog's ticks.
            rig->sim.setDeviceTime(opened.addSecs(tick).addMSecs(300));
            d->RefreshTimerTimer();
        }
        QCOMPARE(this->shown(*d), shown);
        click(*d, QStringLiteral("SetTimeBtn"));
        QCOMPARE(rig->sim.deviceTime(), set);
        QCOMPARE(prompt.shown, QStringList{});
    }

    void silentDevice_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("message");
        QTest::newRow("no acknowledge") << Fault::SilentPic << device::clockNoAckText();
        QTest::newRow("time out of range") << Fault::BadClockReply << QString();
    }

    // The message comes once at the opening and again whenever the seconds
    // reach a multiple of ten; meanwhile nothing passes for the switch's time.
    void silentDevice()
    {
        QFETCH(Fault, fault);
        QFETCH(QString, message);

        connect(QTime(8, 0, 0), {fault});
        auto d = dialog();
        d->show();
        QCOMPARE(prompt.shown.size(), 1);
        if (!message.isEmpty())
            QCOMPARE(prompt.shown.first(), message);
        const QString first = prompt.shown.first();
        for (int tick = 1; tick <= 2 * DeviceTimeDialog::SecondsPerRead; ++tick) {
            d->RefreshTimerTimer();
            QCOMPARE(prompt.shown.size(), 1 + tick / DeviceTimeDialog::SecondsPerRead);
            QCOMPARE(shown(*d), QStringLiteral("--:--:--"));
        }
        QCOMPARE(prompt.shown, QStringList(3, first));
        QVERIFY(!d->timeKnown());
        for (const char *name : {"SetTimeBtn", "HoursUnitUp", "SecondsZero"})
            QVERIFY2(!control<QAbstractButton>(*d, QString::fromLatin1(name))->isEnabled(), name);
        QVERIFY(control<QAbstractButton>(*d, QStringLiteral("SetSysTimeBtn"))->isEnabled());
    }

    void closingStopsTheRefresh_data()
    {
        QTest::addColumn<bool>("byOk");
        QTest::newRow("OK") << true;
        QTest::newRow("close box") << false;
    }

    void closingStopsTheRefresh()
    {
        QFETCH(bool, byOk);
        connect(QTime(10, 20, 30));
        auto d = dialog();
        d->show();
        click(*d, QStringLiteral("HoursUnitUp"));
        if (byOk)
            click(*d, QStringLiteral("OKBtn"));
        else
            d->close();
        QVERIFY(!d->isVisible());
        QVERIFY(!d->refreshing());

        // Reopening reads the device again.
        rig->sim.setDeviceTime(QTime(6, 7, 8));
        d->show();
        QVERIFY(d->refreshing());
        QCOMPARE(shown(*d), QStringLiteral("06:07:08"));
    }

    // Opened while another operation holds the link, the dialog knows no time
    // until the read at the next multiple of ten seconds succeeds.
    void unknownTimeUntilAReadSucceeds()
    {
        connect(QTime(10, 20, 30));
        auto d = dialog();
        {
            LinkSession other(rig->link);
            d->show();
        }
        QCOMPARE(prompt.shown, QStringList{device::busyText()});
        QCOMPARE(shown(*d), QStringLiteral("--:--:--"));
        QVERIFY(!control<QAbstractButton>(*d, QStringLiteral("SetTimeBtn"))->isEnabled());
        for (int tick = 1; tick < DeviceTimeDialog::SecondsPerRead; ++tick)
            d->RefreshTimerTimer();
        QCOMPARE(shown(*d), QStringLiteral("--:--:--"));
        d->RefreshTimerTimer();
        QCOMPARE(shown(*d), QStringLiteral("10:20:30"));
        QVERIFY(control<QAbstractButton>(*d, QStringLiteral("SetTimeBtn"))->isEnabled());
    }

    // A periodic read that comes while another operation holds the link
    // waits silently; the display runs on.
    void busyLinkKeepsTheShownTime()
    {
        connect(QTime(10, 20, 30));
        auto d = dialog();
        d->show();
        {
            LinkSession other(rig->link);
            for (int tick = 0; tick < DeviceTimeDialog::SecondsPerRead; ++tick)
                d->RefreshTimerTimer();
        }
        QCOMPARE(prompt.shown, QStringList{});
        QCOMPARE(shown(*d), QStringLiteral("10:20:40"));
    }
};

QTEST_MAIN(DeviceTimeDialogTest)
#include "tst_devicetime.moc"
