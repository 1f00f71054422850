#include "ui/Configuration.h"
#include "DialogTestKit.h"
#include "RecordingPrompt.h"
#include "model/Program.h"
#include "model/ProgramHeader.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

using namespace pellmora;
using namespace pellmora::model;
using namespace pellmora::ui;
using test::control;
using test::typeText;

class ConfigurationTest : public QObject {
    Q_OBJECT

private:
    Program program;
    test::RecordingPrompt prompt;

    void typeIdentifier(Configuration &dialog, const QString &keys)
    {
        QLineEdit *id = control<QLineEdit>(dialog, "InID");
        id->setFocus();
        QTest::keyClick(id, Qt::Key_Home);
        QTest::keyClicks(id, keys);
    }

private slots:
    void init()
    {
        program = Program{};
        program.settings = InitialSettings();
        prompt = test::RecordingPrompt{};
    }

    void identifierEntry_data()
    {
        QTest::addColumn<quint16>("startId");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<quint16>("id");
        QTest::addColumn<QStringList>("messages");

        const QString notHex = QStringLiteral("'%1' není, pokud mě má mysl neklame znak pro HEX soustavu !");
        QTest::newRow("G refused") << quint16(0) << "G" << "0000" << quint16(0) << QStringList{notHex.arg('G')};
        QTest::newRow("two unfilled positions") << quint16(0) << "12" << "1200" << quint16(0x1200) << QStringList{};
        QTest::newRow("lower case taken upper") << quint16(0) << "00ab" << "00AB" << quint16(0x00AB) << QStringList{};
        QTest::newRow("bad digit in the middle")
            << quint16(0) << "1z3" << "1030" << quint16(0x1030) << QStringList{notHex.arg('Z')};
        QTest::newRow("overwrites old digits") << quint16(0x1111) << "FFFF" << "FFFF" << quint16(0xFFFF) << QStringList{};
        QTest::newRow("two refusals")
            << quint16(0) << "AXBY" << "A0B0" << quint16(0xA0B0) << QStringList{notHex.arg('X'), notHex.arg('Y')};
    }

    void identifierEntry()
    {
        QFETCH(quint16, startId);
        QFETCH(QString, keys);
        QFETCH(QString, shown);
        QFETCH(quint16, id);
        QFETCH(QStringList, messages);

        program.settings.DeviceId = startId;
        Configuration dialog(program, prompt);
        dialog.show();
        typeIdentifier(dialog, keys);

        QCOMPARE(control<QLineEdit>(dialog, "InID")->displayText(), shown);
        QCOMPARE(program.settings.DeviceId, id);
        QCOMPARE(program.image.words[header::IdWord], id);
        QCOMPARE(prompt.shown, messages);
    }

    void identifierShownOnOpening_data()
    {
        QTest::addColumn<quint16>("id");
        QTest::addColumn<QString>("shown");
        QTest::newRow("leading zeros") << quint16(0x00AB) << "00AB";
        QTest::newRow("zero") << quint16(0) << "0000";
        QTest::newRow("all digits") << quint16(0xC0DE) << "C0DE";
    }

    void identifierShownOnOpening()
    {
        QFETCH(quint16, id);
        QFETCH(QString, shown);

        Configuration dialog(program, prompt);
        program.settings.DeviceId = id;
        dialog.show();
        QCOMPARE(control<QLineEdit>(dialog, "InID")->displayText(), shown);
        QCOMPARE(program.settings.DeviceId, id);
        QVERIFY(prompt.shown.isEmpty());
    }

    void periodsWriteFlagsAtOnce_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<int>("lastPeriod");
        QTest::addColumn<int>("capacity");
        QTest::addColumn<quint16>("flags");

        // The other bits of the flags word (memory locked, correction 0x40) stay.
        QTest::newRow("1 perioda") << 0 << 0 << 248 << quint16(0x2040);
        QTest::newRow("rozdělit na 2") << 1 << 1 << 124 << quint16(0xA140);
        QTest::newRow("rozdělit na 4") << 2 << 3 << 62 << quint16(0xA240);
        QTest::newRow("rozdělit na 6") << 3 << 5 << 41 << quint16(0xA340);
        QTest::newRow("rozdělit na 8") << 4 << 7 << 31 << quint16(0xA440);
    }

    void periodsWriteFlagsAtOnce()
    {
        QFETCH(int, item);
        QFETCH(int, lastPeriod);
        QFETCH(int, capacity);
        QFETCH(quint16, flags);

        // Start from a program in another period layout, viewing a later period.
        ApplyPeriodCode(program, 1);
        program.image.words[header::FlagsWord] |= header::MemoryLockedBit | 0x0040;
        program.settings.SegmentStart = 124;
        const int other = item == 0 ? 1 : 0;

        Configuration dialog(program, prompt);
        dialog.show();
        control<QRadioButton>(dialog, QStringLiteral("Periods%1").arg(other))->click();
        control<QRadioButton>(dialog, QStringLiteral("Periods%1").arg(item))->click();

        QCOMPARE(int(program.settings.PeriodCode), item);
        QCOMPARE(int(program.settings.LastPeriod), lastPeriod);
        QCOMPARE(int(program.settings.SegmentCapacity), capacity);
        QCOMPARE(int(program.settings.SegmentStart), 0);
        QCOMPARE(program.image.words[header::FlagsWord], flags);
    }

    void showProgramSelectsPeriods()
    {
        Configuration dialog(program, prompt);
        dialog.selectPeriods(3);
        QCOMPARE(dialog.periodsIndex(), 3);
        QVERIFY(control<QRadioButton>(dialog, "Periods3")->isChecked());
        QCOMPARE(int(program.settings.SegmentCapacity), 41);
        QCOMPARE(program.image.words[header::FlagsWord], quint16(0x8300));
    }

    void labelEntry_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("refused");

        QTest::newRow("Czech letters") << QStringLiteral("Obývák") << QStringLiteral("Obývák") << false;
        QTest::newRow("blanks kept") << QStringLiteral(" Hala 1 ") << QStringLiteral(" Hala 1 ") << false;
        QTest::newRow("euro sign fits the code page") << QStringLiteral("Byt 5€") << QStringLiteral("Byt 5€") << false;
        QTest::newRow("ten characters at most") << QStringLiteral("Diningrooms") << QStringLiteral("Diningroom") << false;
        for (const QChar marker : QStringLiteral("!$&#@{}"))
            QTest::addRow("database marker %c", marker.toLatin1())
                << QStringLiteral("A%1B").arg(marker) << QStringLiteral("AB") << true;
        QTest::newRow("outside the code page") << QStringLiteral("Ωmega") << QStringLiteral("mega") << true;
        QTest::newRow("Cyrillic") << QStringLiteral("Дом") << QString() << true;
    }

    void labelEntry()
    {
        QFETCH(QString, keys);
        QFETCH(QString, name);
        QFETCH(bool, refused);

        Configuration dialog(program, prompt);
        dialog.show();
        auto *label = control<QComboBox>(dialog, "InDeviceLabel");
        label->setFocus();
        typeText(label->lineEdit(), keys);

        QCOMPARE(label->currentText(), name);
        QCOMPARE(program.settings.DeviceName, name);
        QCOMPARE(control<QLabel>(dialog, "LabelRefusal")->text().isEmpty(), !refused);
        QVERIFY(prompt.shown.isEmpty());
    }

    // Ten characters are shown whole, the widest ones too.
    void labelFitsTenCharacters()
    {
        Configuration dialog(program, prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto *label = control<QComboBox>(dialog, "InDeviceLabel");
        for (const QString &text : {QStringLiteral("Diningroom"), QStringLiteral("Livingroom"),
                                    QStringLiteral("WWWWWWWWWW"), QStringLiteral("ŽŽŽŽŽŽŽŽŽŽ")}) {
            label->setEditText(text);
            const QLineEdit *edit = label->lineEdit();
            QVERIFY2(edit->width() - 4 >= edit->fontMetrics().horizontalAdvance(text), qPrintable(text));
        }
    }

    void labelFromList()
    {
        Configuration dialog(program, prompt);
        dialog.show();
        auto *label = control<QComboBox>(dialog, "InDeviceLabel");
        QCOMPARE(label->count(), 10);
        label->setCurrentIndex(label->findText(QStringLiteral("Kancelář")));
        QCOMPARE(program.settings.DeviceName, QStringLiteral("Kancelář"));
    }

    void openingLoadsControls()
    {
        program.settings.DeviceName = QStringLiteral("Chodba");
        program.settings.MemoryLocked = true;
        program.settings.FastMode = true;
        ApplyPeriodCode(program, 4);
        const Program before = program;

        Configuration dialog(program, prompt);
        dialog.show();
        QCOMPARE(control<QComboBox>(dialog, "InDeviceLabel")->currentText(), QStringLiteral("Chodba"));
        QVERIFY(control<QRadioButton>(dialog, "Periods4")->isChecked());
        QVERIFY(control<QCheckBox>(dialog, "MemLocked")->isChecked());
        QVERIFY(!control<QCheckBox>(dialog, "AddRandomTime")->isChecked());
        QVERIFY(control<QCheckBox>(dialog, "FastModeCheckBox")->isChecked());
        QCOMPARE(program.image, before.image);

        // Reopened after the program changed elsewhere: the controls follow.
        dialog.close();
        program.settings.DeviceName = QStringLiteral("Bedroom");
        program.settings.MemoryLocked = false;
        dialog.show();
        QCOMPARE(control<QComboBox>(dialog, "InDeviceLabel")->currentText(), QStringLiteral("Bedroom"));
        QVERIFY(!control<QCheckBox>(dialog, "MemLocked")->isChecked());
    }

    void closeBoxKeepsChanges()
    {
        Configuration dialog(program, prompt);
        QSignalSpy ok(&dialog, &Configuration::okConfirmed);
        QSignalSpy closed(&dialog, &Configuration::closed);
        dialog.show();
        typeText(control<QComboBox>(dialog, "InDeviceLabel")->lineEdit(), QStringLiteral("Ložnice"));
        control<QCheckBox>(dialog, "MemLocked")->click();
        control<QCheckBox>(dialog, "AddRandomTime")->click();
        control<QCheckBox>(dialog, "FastModeCheckBox")->click();
        control<QRadioButton>(dialog, "Periods1")->click();
        QVERIFY(dialog.close());

        QCOMPARE(program.settings.DeviceName, QStringLiteral("Ložnice"));
        QVERIFY(program.settings.MemoryLocked);
        QVERIFY(program.settings.RandomDelays);
        QVERIFY(program.settings.FastMode);
        QCOMPARE(int(program.settings.PeriodCode), 1);
        QCOMPARE(ok.count(), 0);
        QCOMPARE(closed.count(), 1);
        QVERIFY(!dialog.isVisible());
    }

    void okFinishesThenCloses()
    {
        Configuration dialog(program, prompt);
        QStringList events;
        connect(&dialog, &Configuration::okConfirmed, this, [&] {
            events << QStringLiteral("ok:") + program.settings.DeviceName;
        });
        connect(&dialog, &Configuration::closed, this, [&] { events << QStringLiteral("closed"); });
        dialog.show();
        QTest::keyClicks(control<QComboBox>(dialog, "InDeviceLabel")->lineEdit(), QStringLiteral("Chodba"));
        control<QCheckBox>(dialog, "MemLocked")->click();
        control<QCheckBox>(dialog, "MemLocked")->click();
        control<QPushButton>(dialog, "OKButton")->click();

        QCOMPARE(events, (QStringList{QStringLiteral("ok:Chodba"), QStringLiteral("closed")}));
        QVERIFY(!program.settings.MemoryLocked);
        QVERIFY(!dialog.isVisible());
        QVERIFY(dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(dialog.isModal());
    }
};

QTEST_MAIN(ConfigurationTest)
#include "tst_configuration.moc"
