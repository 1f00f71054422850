#include "ui/SeriesProgrammingForm.h"
#include "DialogTestKit.h"
#include "RecordingPrompt.h"
#include "../device/SimRig.h"

#include "model/ProgramHeader.h"
#include "port/InterfaceLines.h"
#include "port/UartRegisters.h"
#include "ui/Session.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace pellmora;
using namespace pellmora::model;
using namespace pellmora::ui;
using namespace Qt::StringLiterals;
namespace uitest = pellmora::ui::test;
using uitest::control;

namespace {

// The simulated switch behind a plug: while it is out, the interface
// reports no presence.
class PluggedSwitch : public port::PortIo {
public:
    explicit PluggedSwitch(sim::SimulatedSwitch &device) : device_(device) {}
    bool unplugged = false;

    quint8 PortIn(quint16 address) override
    {
        const quint8 value = device_.PortIn(address);
        const bool status = (address & 7) == port::uart::ModemStatus;
        return unplugged && status ? quint8(value & ~port::PresenceBit) : value;
    }
    void PortOut(quint16 address, quint8 value) override { device_.PortOut(address, value); }

private:
    sim::SimulatedSwitch &device_;
};

struct Bench {
    QTemporaryDir dir;
    Session session;
    pellmora::test::PacedSwitchClock clock;
    sim::SimulatedSwitch device{pellmora::test::SimRig::options({}, 0, 60, clock.source())};
    PluggedSwitch plug{device};
    link::Link link{plug, session.link};
    uitest::RecordingPrompt prompt;
    std::unique_ptr<SeriesProgrammingForm> form;

    explicit Bench(QList<storage::DatabaseRecord> records = {})
    {
        clock.pace(link, device);
        session.program.settings = InitialSettings();
        session.program.settings.DeviceName = u"Chodba"_s;
        session.program.settings.DeviceId = 0x0042;
        session.program.image = pellmora::test::patternImage();
        PackHeader(session.program);
        session.files.CurrentFileName = dir.filePath(u"chodba.plm"_s);
        session.database.Directory = dir.path();
        session.database.Records = records;
        form = std::make_unique<SeriesProgrammingForm>(session, link, prompt);
        form->show();
        control<QSpinBox>(*form, "CountSpin")->setValue(3);
    }

    void click(const char *name) { control<QPushButton>(*form, name)->click(); }
    QString connectText() const { return control<QLabel>(*form, "ConnectLabel")->text(); }
    int rows() const { return control<QTableWidget>(*form, "SeriesTable")->rowCount(); }
    QString cell(int row, int column) const
    {
        return control<QTableWidget>(*form, "SeriesTable")->item(row, column)->text();
    }
    QStringList ids() const
    {
        QStringList ids;
        for (const storage::DatabaseRecord &record : session.database.Records)
            ids << record.Id;
        return ids;
    }
    quint16 idInSwitch() const
    {
        const QByteArray memory = device.memory();
        return quint16(quint8(memory[2 * header::IdWord]) | quint8(memory[2 * header::IdWord + 1]) << 8);
    }
    QStringList log() const
    {
        QFile file(dir.filePath(u"serie-%1.csv"_s.arg(QDate::currentDate().toString(u"yyyy-MM-dd"_s))));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)
                                              : QStringList();
    }
    // The switch taken out and the next one put in, read by the window's
    // presence samples.
    void replaceSwitch()
    {
        plug.unplugged = true;
        form->PresenceTimerTick();
        plug.unplugged = false;
        for (int i = 0; i < device::PresenceTrigger::StableSamples; ++i)
            form->PresenceTimerTick();
    }
};

} // namespace

class SeriesProgrammingTest : public QObject {
    Q_OBJECT

private slots:
    void threeSwitchesEachPluggedInAfterTheOther()
    {
        Bench b;
        const Program editor = b.session.program;
        QCOMPARE(control<QLineEdit>(*b.form, "FirstIdEdit")->text(), u"0001"_s);
        control<QLineEdit>(*b.form, "FirstIdEdit")->setText(u"0100"_s);

        b.click("StartBtn");
        QCOMPARE(b.rows(), 1);
        QCOMPARE(b.cell(0, 3), u"OK"_s);
        QCOMPARE(b.connectText(), u"Připojte spínač č. 2 (ID 0101) ..."_s);
        // The switch just programmed is still in: nothing happens.
        for (int i = 0; i < 5; ++i)
            b.form->PresenceTimerTick();
        QCOMPARE(b.rows(), 1);

        b.replaceSwitch();
        QCOMPARE(b.rows(), 2);
        QCOMPARE(b.idInSwitch(), 0x0101);
        // The third through the window's own presence timer.
        b.plug.unplugged = true;
        QTest::qWait(3 * SeriesProgrammingForm::PresenceSampleMs);
        b.plug.unplugged = false;
        QTRY_COMPARE(b.rows(), 3);

        QVERIFY(!b.form->seriesRunning());
        QCOMPARE(b.connectText(), u"Série ukončena: naprogramováno spínačů: 3."_s);
        QCOMPARE(b.ids(), (QStringList{u"0100"_s, u"0101"_s, u"0102"_s}));
        QCOMPARE(b.idInSwitch(), 0x0102);
        QCOMPARE(b.log().size(), 4);
        QCOMPARE(b.cell(2, 1), u"0102"_s);
        QCOMPARE(b.session.program.image, editor.image);
        QCOMPARE(b.session.program.settings.DeviceId, 0x0042);
        QVERIFY(b.prompt.shown.isEmpty());
        QCOMPARE(control<QLineEdit>(*b.form, "FirstIdEdit")->text(), u"0103"_s);
    }

    void failedSwitchAnswers_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("choice"); // the skip question's answer
        QTest::addColumn<QString>("after");
        QTest::addColumn<QStringList>("records");
        QTest::newRow("Opakovat") << u"RetryBtn"_s << 0 << u"Připojte spínač č. 2 (ID 0101) ..."_s
                                  << QStringList{u"0100"_s};
        QTest::newRow("Přeskočit, same identifier")
            << u"SkipBtn"_s << int(Prompt::Choice::Yes) << u"Připojte spínač č. 2 (ID 0100) ..."_s << QStringList{};
        QTest::newRow("Přeskočit, next identifier")
            << u"SkipBtn"_s << int(Prompt::Choice::No) << u"Připojte spínač č. 2 (ID 0101) ..."_s << QStringList{};
        QTest::newRow("Ukončit") << u"EndBtn"_s << 0 << u"Série ukončena: naprogramováno spínačů: 0."_s
                                 << QStringList{};
    }

    void failedSwitchAnswers()
    {
        QFETCH(QString, button);
        QFETCH(int, choice);
        QFETCH(QString, after);
        QFETCH(QStringList, records);
        Bench b;
        control<QLineEdit>(*b.form, "FirstIdEdit")->setText(u"0100"_s);
        b.plug.unplugged = true; // the communication test finds no interface

        b.click("StartBtn");
        QCOMPARE(b.rows(), 1);
        QVERIFY(b.cell(0, 3) != u"OK"_s);
        QVERIFY(control<QPushButton>(*b.form, "RetryBtn")->isVisible());
        QVERIFY(b.ids().isEmpty());
        QCOMPARE(b.log().value(1).section(u';', 0, 1), u"1;0100"_s);

        b.plug.unplugged = false;
        b.prompt.choices = {Prompt::Choice(choice)};
        control<QPushButton>(*b.form, button.toLatin1().constData())->click();
        QCOMPARE(b.connectText(), after);
        QCOMPARE(b.ids(), records);
        QVERIFY(!control<QPushButton>(*b.form, "RetryBtn")->isVisible());
    }

    void usedIdentifierIsAsked_data()
    {
        QTest::addColumn<int>("choice");
        QTest::addColumn<QString>("after");
        QTest::newRow("Ano: used again") << int(Prompt::Choice::Yes) << u"Připojte spínač č. 2 (ID 0101) ..."_s;
        QTest::newRow("Ne: the next one") << int(Prompt::Choice::No) << u"Připojte spínač č. 2 (ID 0102) ..."_s;
        QTest::newRow("Zrušit: the series ends")
            << int(Prompt::Choice::Cancel) << u"Série ukončena: naprogramováno spínačů: 1."_s;
    }

    void usedIdentifierIsAsked()
    {
        QFETCH(int, choice);
        QFETCH(QString, after);
        Bench b({{u"0101"_s, u"Sklep"_s, u"01.12.2026"_s, u"sklep.plm"_s}});
        QCOMPARE(control<QLineEdit>(*b.form, "FirstIdEdit")->text(), u"0102"_s);
        control<QLineEdit>(*b.form, "FirstIdEdit")->setText(u"0100"_s);
        b.prompt.choices = {Prompt::Choice(choice)};

        b.click("StartBtn");
        QCOMPARE(b.prompt.shown.size(), 1);
        QVERIFY(b.prompt.shown[0].startsWith(u"Identifikátor 0101 už má v databázi zařízení Sklep (01.12.2026)."_s));
        QCOMPARE(b.connectText(), after);
        if (choice == int(Prompt::Choice::Yes)) {
            b.replaceSwitch();
            QCOMPARE(b.ids(), (QStringList{u"0101"_s, u"0100"_s, u"0101"_s}));
        }
    }

    void readOnlyDatabaseRefusesTheSeries()
    {
        Bench b;
        b.session.database.ReadOnlyReason = u"Databáze je otevřena jen pro čtení."_s;
        b.click("StartBtn");
        QCOMPARE(b.prompt.shown, QStringList{u"Databáze je otevřena jen pro čtení."_s});
        QVERIFY(!b.form->seriesRunning());
        QCOMPARE(b.rows(), 0);
        QCOMPARE(b.device.memory(), QByteArray(512, char(0xFF)));
    }
};

QTEST_MAIN(SeriesProgrammingTest)
#include "tst_series.moc"
