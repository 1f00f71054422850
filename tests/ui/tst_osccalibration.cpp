#include "DialogTestKit.h"
#include "ui/OscCalibRoundForm.h"
#include "ui/OscCalibrationForm.h"
#include "RecordingPrompt.h"
#include "../device/SimRig.h"

#include "device/ConnectionWatch.h"
#include "device/DeviceMemory.h"
#include "device/TimeBaseCalibration.h"
#include "model/Program.h"
#include "model/ProgramHeader.h"
#include "storage/DeviceDatabase.h"
#include "storage/RecordDate.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace pellmora;
using namespace pellmora::model;
using namespace pellmora::link;
using namespace pellmora::sim;
using namespace pellmora::storage;
using namespace pellmora::ui;
using pellmora::sim::Fault;
using pellmora::test::SimRig;
using pellmora::ui::OscCalibrationForm;
using pellmora::ui::OscCalibRoundForm;
namespace uitest = pellmora::ui::test;
using uitest::control;

namespace {

// What the rounding dialog is told when it appears.
enum class Answer { None, Up, Down, CloseBox };

const QDate Today(2026, 12, 8);
const QTime ComputerTime(12, 0, 0);

} // namespace

class OscCalibrationTest : public QObject {
    Q_OBJECT

private:
    Program program;
    DeviceDatabase database;
    std::unique_ptr<SimRig> rig;
    uitest::RecordingPrompt prompt;
    std::unique_ptr<OscCalibRoundForm> rounding;
    QString askedLabel; // what the rounding dialog showed, empty: it did not appear

    std::unique_ptr<OscCalibrationForm> dialog()
    {
        return std::make_unique<OscCalibrationForm>(
            program, database, rig->link, prompt,
            [this](const QString &word, double drift) { return rounding->AskRounding(word, drift); },
            [] { return QDateTime(Today, ComputerTime); });
    }

    // Answers the rounding dialog once it is shown modally.
    void answerRounding(Answer answer)
    {
        askedLabel.clear();
        if (answer == Answer::None)
            return;
        QTimer::singleShot(0, rounding.get(), [this, answer] {
            if (!rounding->isVisible())
                return;
            askedLabel = control<QLabel>(*rounding, "ItemLabel")->text();
            if (answer == Answer::Up)
                control<QPushButton>(*rounding, "RoundUpBtn")->click();
            else if (answer == Answer::Down)
                control<QPushButton>(*rounding, "RoundDownBtn")->click();
            else
                rounding->close();
        });
    }

    void programmedDaysAgo(int days) { database.LastProgrammingDate = FormatRecordDate(Today.addDays(-days)); }

    static int seconds(const OscCalibrationForm &d) { return control<QSpinBox>(d, "SecondsDeviation")->value(); }
    static int checked(const OscCalibrationForm &d, const QString &group, int items)
    {
        for (int i = 0; i < items; ++i) {
            if (control<QRadioButton>(d, group + QString::number(i))->isChecked())
                return i;
        }
        return -1;
    }
    static int periodShown(const OscCalibrationForm &d) { return checked(d, QStringLiteral("TimeParts"), 3); }
    static int directionShown(const OscCalibrationForm &d) { return checked(d, QStringLiteral("OscDeviation"), 2); }

private slots:
    void init()
    {
        program = Program{};
        program.settings = InitialSettings();
        database = DeviceDatabase{};
        rig = std::make_unique<SimRig>();
        rig->powerSelectedPort();
        prompt = uitest::RecordingPrompt{};
        rounding = std::make_unique<OscCalibRoundForm>();
    }

    void loadingFromTheProgram_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("late");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("period");
        QTest::addColumn<int>("pending");

        QTest::newRow("0 opens on a month") << 0 << false << 0 << 2 << 0;
        QTest::newRow("4 is 3 a month") << 4 << true << 3 << 2 << 3;
        QTest::newRow("20 is 4 a week") << 20 << false << 4 << 1 << 18;
        QTest::newRow("100 is 3 a day") << 100 << true << 3 << 0 << 96;
        QTest::newRow("224 is 7 a day") << 224 << false << 7 << 0 << 224;
    }

    // Each opening reloads the controls; OK after merely opening commits the
    // value recomputed from the whole seconds shown.
    void loadingFromTheProgram()
    {
        QFETCH(int, value);
        QFETCH(bool, late);
        QFETCH(int, seconds);
        QFETCH(int, period);
        QFETCH(int, pending);

        auto d = dialog();
        program.settings.CalibrationValue = quint8(value);
        program.settings.CalibrationLate = late;
        program.image.words[header::FlagsWord] = 0xF000;
        d->show();
        QCOMPARE(OscCalibrationTest::seconds(*d), seconds);
        QCOMPARE(periodShown(*d), period);
        QCOMPARE(directionShown(*d), late ? 1 : 0);
        QCOMPARE(int(d->PendingCalibration()), pending);
        QCOMPARE(d->PendingLate(), late ? 1 : 0);

        control<QPushButton>(*d, "OKBtn")->click();
        QVERIFY(!d->isVisible());
        QCOMPARE(int(program.settings.CalibrationValue), pending);
        QCOMPARE(program.settings.CalibrationLate, late);
        QCOMPARE(program.image.words[header::FlagsWord], quint16(0xF000 | (late ? 0x0800 : 0) | pending));
    }

    void editingFollowsTheControls()
    {
        program.settings.CalibrationValue = 100; // 3 a day
        auto d = dialog();
        d->show();
        auto *spin = control<QSpinBox>(*d, "SecondsDeviation");

        control<QRadioButton>(*d, "TimeParts2")->click(); // a month: 3 stays
        QCOMPARE(spin->maximum(), 239);
        QCOMPARE(spin->value(), 3);
        spin->setValue(100);
        QCOMPARE(int(d->PendingCalibration()), 107);

        control<QRadioButton>(*d, "TimeParts1")->click(); // a week: 100 is too many
        QCOMPARE(spin->maximum(), 55);
        QCOMPARE(spin->value(), 0);
        QCOMPARE(int(d->PendingCalibration()), 0);
        spin->setValue(55);
        QCOMPARE(int(d->PendingCalibration()), 251);

        control<QRadioButton>(*d, "OscDeviation1")->click();
        QCOMPARE(d->PendingLate(), 1);

        // Typing cannot take the seconds past the period's limit.
        control<QRadioButton>(*d, "TimeParts0")->click();
        spin->setFocus();
        spin->selectAll();
        QTest::keyClicks(spin, QStringLiteral("99"));
        QVERIFY(spin->value() <= 7);
        QVERIFY(d->PendingCalibration() <= 224);
        spin->selectAll();
        QTest::keyClicks(spin, QStringLiteral("-5"));
        QVERIFY(spin->value() >= 0);

        spin->setValue(6);
        {
            LinkSession transfer(rig->link); // another device operation is running
            control<QPushButton>(*d, "OKBtn")->click();
        }
        QCOMPARE(prompt.notified, QStringList{device::busyText()});
        QVERIFY(d->isVisible());
        QCOMPARE(int(program.settings.CalibrationValue), 100);
        control<QPushButton>(*d, "OKBtn")->click();
        QCOMPARE(int(program.settings.CalibrationValue), 192);
        QVERIFY(program.settings.CalibrationLate);
        QCOMPARE(program.image.words[header::FlagsWord] & 0x08FF, 0x0800 | 192);

        // Without OK nothing reaches the program.
        d->show();
        control<QSpinBox>(*d, "SecondsDeviation")->setValue(1);
        d->close();
        QCOMPARE(int(program.settings.CalibrationValue), 192);
    }

    void recommendation_data()
    {
        QTest::addColumn<int>("days");
        QTest::addColumn<int>("deviceBehind"); // seconds; negative: ahead
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("period");
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("pending");
        QTest::addColumn<QString>("message");

        const QString label = QStringLiteral("Vypočtená kalibrační konstanta je : %1 sekund na %2, přejete si ji:");
        QTest::newRow("35 s behind in 7 days") << 7 << 35 << int(Answer::None) << QString() << 5 << 0 << 1 << 160
                                               << QString();
        QTest::newRow("10 s behind in 4 days, down")
            << 4 << 10 << int(Answer::Down) << label.arg("2.50", "den") << 2 << 0 << 1 << 64 << QString();
        QTest::newRow("10 s behind in 4 days, up")
            << 4 << 10 << int(Answer::Up) << label.arg("2.50", "den") << 3 << 0 << 1 << 96 << QString();
        QTest::newRow("3 s ahead in 7 days") << 7 << -3 << int(Answer::None) << QString() << 3 << 1 << 0 << 14
                                             << QString();
        QTest::newRow("1 s ahead in 20 days, down")
            << 20 << -1 << int(Answer::Down) << label.arg("1.50", "měsíc") << 1 << 2 << 0 << 1 << QString();
        QTest::newRow("1 s ahead in 20 days, close box repeats round up")
            << 20 << -1 << int(Answer::CloseBox) << label.arg("1.50", "měsíc") << 2 << 2 << 0 << 2 << QString();
        QTest::newRow("20 s behind in 2 days is capped")
            << 2 << 20 << int(Answer::None) << QString() << 7 << 0 << 1 << 224 << device::cappedDriftText();
        QTest::newRow("1 s ahead in 40 days needs nothing")
            << 40 << -1 << int(Answer::None) << QString() << 0 << 0 << 0 << 0 << device::preciseTimeBaseText();
    }

    void recommendation()
    {
        QFETCH(int, days);
        QFETCH(int, deviceBehind);
        QFETCH(int, answer);
        QFETCH(QString, asked);
        QFETCH(int, seconds);
        QFETCH(int, period);
        QFETCH(int, direction);
        QFETCH(int, pending);
        QFETCH(QString, message);

        program.settings.CalibrationValue = 100; // opens on 3 a day
        programmedDaysAgo(days);
        rig->sim.setDeviceTime(ComputerTime.addSecs(-deviceBehind));
        auto d = dialog();
        d->show();
        prompt.answers = {true};
        answerRounding(Answer(answer));
        control<QPushButton>(*d, "CalibBtn")->click();
        QCoreApplication::processEvents();

        QStringList expected{device::connectedQuestionText()};
        if (!message.isEmpty())
            expected << message;
        QCOMPARE(prompt.shown, expected);
        QCOMPARE(askedLabel, asked);
        QCOMPARE(OscCalibrationTest::seconds(*d), seconds);
        QCOMPARE(periodShown(*d), period);
        QCOMPARE(directionShown(*d), direction);
        QCOMPARE(d->PendingLate(), direction);
        QCOMPARE(int(d->PendingCalibration()), pending);
        // Only OK takes it over.
        QCOMPARE(int(program.settings.CalibrationValue), 100);
    }

    // The rounding choice stays until the next one; the close box repeats it.
    void roundingChoiceIsKept()
    {
        QCOMPARE(rounding->AskRounding(QStringLiteral("den"), 2.0), 2); // no question
        QVERIFY(rounding->roundsUp());
        const QList<QPair<Answer, int>> answers = {
            {Answer::Down, 2}, {Answer::CloseBox, 2}, {Answer::Up, 3}, {Answer::CloseBox, 3}};
        for (const auto &[given, result] : answers) {
            answerRounding(given);
            QCOMPARE(rounding->AskRounding(QStringLiteral("den"), 2.5), result);
            QVERIFY(!askedLabel.isEmpty());
        }
    }

    void recommendationStopsEarly_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<bool>("confirmed");
        QTest::addColumn<QList<Fault>>("faults"); // of the switch that is read
        QTest::addColumn<QString>("message"); // after the question, or alone when no question is asked
        QTest::addColumn<bool>("asks");

        const QString week = FormatRecordDate(Today.addDays(-7));
        const QList<Fault> none;
        QTest::newRow("no date") << QString() << true << none << device::noProgrammingDateText() << false;
        QTest::newRow("declined") << week << false << none << QString() << true;
        QTest::newRow("silent microcontroller")
            << week << true << QList<Fault>{Fault::SilentPic} << device::clockRefusedText() << true;
        QTest::newRow("cable pulled during the clock read")
            << week << true << QList<Fault>{Fault::PulledCable} << device::connectionLostText() << true;
        QTest::newRow("unreadable date") << QStringLiteral("nevím") << true << none << QStringLiteral("nevím")
                                         << false;
        QTest::newRow("programmed today") << FormatRecordDate(Today) << true << none << QStringLiteral("dnes")
                                          << false;
    }

    // Every stop keeps the controls as they were and commits nothing.
    void recommendationStopsEarly()
    {
        QFETCH(QString, date);
        QFETCH(bool, confirmed);
        QFETCH(QList<Fault>, faults);
        QFETCH(QString, message);
        QFETCH(bool, asks);

        if (!faults.isEmpty()) {
            rig = std::make_unique<SimRig>(faults);
            rig->powerSelectedPort();
        }
        database.LastProgrammingDate = date;
        program.settings.CalibrationValue = 20; // 4 a week
        auto d = dialog();
        d->show();
        control<QRadioButton>(*d, "OscDeviation1")->click();
        prompt.answers = {confirmed};
        control<QPushButton>(*d, "CalibBtn")->click();

        QStringList shown = prompt.shown;
        if (asks)
            QCOMPARE(shown.takeFirst(), device::connectedQuestionText());
        if (message.isEmpty()) {
            QVERIFY(shown.isEmpty());
        } else {
            QCOMPARE(shown.size(), 1);
            QVERIFY2(shown.first().contains(message), qPrintable(shown.first()));
        }
        QCOMPARE(seconds(*d), 4);
        QCOMPARE(periodShown(*d), 1);
        QCOMPARE(directionShown(*d), 1);
        QCOMPARE(int(d->PendingCalibration()), 18);
        QCOMPARE(int(program.settings.CalibrationValue), 20);
    }
};

QTEST_MAIN(OscCalibrationTest)
#include "tst_osccalibration.moc"
