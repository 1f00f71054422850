// The program editor of the main window, driven through its widgets.

#include "MainWindowFixture.h"

#include "model/ProgramHeader.h"
#include "model/Segment.h"

#include <QMenu>

#include <array>
#include <functional>

using namespace pellmora;
using namespace pellmora::model;
using namespace pellmora::ui;
using namespace pellmora::ui::test;

class MainEditorTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TemporaryCurrentDirectory> dir_;
    std::unique_ptr<WindowUnderTest> ui_;

    WindowUnderTest &started()
    {
        ui_->startWith(configurationText(), EmptyDatabase);
        ui_->prompt.shown.clear();
        return *ui_;
    }

    // Sets the number of periods as the configuration dialog would.
    void usePeriods(int periodCode)
    {
        ApplyPeriodCode(ui_->session.program, periodCode);
        ui_->window->ShowProgram();
    }

    void appendTimes(int times)
    {
        for (int i = 0; i < times; ++i)
            QTest::mouseClick(ui_->button(QStringLiteral("NewInstruction")), Qt::LeftButton);
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<TemporaryCurrentDirectory>();
        ui_ = std::make_unique<WindowUnderTest>();
    }
    void cleanup()
    {
        ui_.reset();
        dir_.reset();
    }

    void typingDelays_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<bool>("appendEnabled");
        QTest::addColumn<QString>("preview");

        QTest::newRow("1:30:00") << "13" << "1:3 :  " << 3 << true << "Nesvítí 1hod 30min ";
        QTest::newRow("0:50:00") << "05" << " :5 :  " << 3 << true << "Nesvítí 50min ";
        QTest::newRow("0:05:00") << "005" << " : 5:  " << 5 << true << "Nesvítí 5min ";
        QTest::newRow("8:59:59") << "85959" << "8:59:59" << 7 << true << "Nesvítí 8hod 59min 59s ";
        QTest::newRow("0:00:00") << "00000" << " :  :  " << 7 << false << "Instruction";
        QTest::newRow("hours 9 refused") << "9" << " :  :  " << 2 << false << "Instruction";
        QTest::newRow("hours 9 keeps the previous hour") << "4" << "4:  :  " << 2 << true << "Nesvítí 4hod ";
        QTest::newRow("tens of minutes 6 refused") << "16" << "1:  :  " << 2 << true << "Nesvítí 1hod ";
        QTest::newRow("refused, then accepted") << "175" << "1:5 :  " << 3 << true << "Nesvítí 1hod 50min ";
        QTest::newRow("tens of seconds 7 refused") << "1307" << "1:3 :  " << 5 << true << "Nesvítí 1hod 30min ";
        QTest::newRow("seconds") << "00045" << " :  :45" << 7 << true << "Nesvítí 45s ";
    }

    void typingDelays()
    {
        QFETCH(QString, keys);
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(bool, appendEnabled);
        QFETCH(QString, preview);
        WindowUnderTest &ui = started();
        ui.typeDelay(keys);
        QLineEdit *delay = ui.edit(QStringLiteral("InDelay"));
        QCOMPARE(WindowUnderTest::fieldText(delay), text);
        QCOMPARE(delay->cursorPosition(), caret);
        QCOMPARE(ui.button(QStringLiteral("NewInstruction"))->isEnabled(), appendEnabled);
        QCOMPARE(ui.edit(QStringLiteral("Instruction"))->text(), preview);
    }

    void refusedHourRestoresTheRememberedDigit()
    {
        WindowUnderTest &ui = started();
        ui.typeDelay(QStringLiteral("4"));
        ui.typeDelay(QStringLiteral("9"));
        QCOMPARE(WindowUnderTest::fieldText(ui.edit(QStringLiteral("InDelay"))), QStringLiteral("4:  :  "));
        ui.typeDelay(QStringLiteral("15"));
        QLineEdit *delay = ui.edit(QStringLiteral("InDelay"));
        delay->setCursorPosition(2);
        QTest::keyClicks(delay, QStringLiteral("8"));
        QCOMPARE(WindowUnderTest::fieldText(delay), QStringLiteral("1:5 :  "));
        QCOMPARE(delay->cursorPosition(), 2);
    }

    void typingStartUpTimes_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<QString>("sentence");

        QTest::newRow("07:30") << "0730" << " 7:3 " << 5 << 450 << "Konec bude v 7hodin a 30minut ";
        QTest::newRow("07:05") << "0705" << " 7: 5" << 5 << 425 << "Konec bude v 7hodin a 5minut ";
        QTest::newRow("23:59") << "2359" << "23:59" << 5 << 1439 << "Konec bude v 23hodin a 59minut ";
        QTest::newRow("00:00") << "0000" << "  :  " << 5 << 0 << "Konec bude o půlnoci ";
        QTest::newRow("hour 3x refused") << "3" << "  :  " << 1 << 0 << "Konec bude o půlnoci ";
        // The caret cannot stand on the separator: it goes back before the refused digit.
        QTest::newRow("hour 24 refused") << "24" << "2 :  " << 1 << 1200 << "Konec bude v 20hodin ";
        QTest::newRow("tens of minutes 6 refused") << "196" << "19:  " << 4 << 1140 << "Konec bude v 19hodin ";
        QTest::newRow("01:01") << "0101" << " 1: 1" << 5 << 61 << "Konec bude v 1hodinu a 1minutu ";
    }

    void typingStartUpTimes()
    {
        QFETCH(QString, keys);
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(int, minutes);
        QFETCH(QString, sentence);
        WindowUnderTest &ui = started();
        ui.type(QStringLiteral("StartUpTime"), keys);
        QLineEdit *startUp = ui.edit(QStringLiteral("StartUpTime"));
        QCOMPARE(WindowUnderTest::fieldText(startUp), text);
        QCOMPARE(startUp->cursorPosition(), caret);
        QCOMPARE(int(ui.session.program.settings.StartUpMinutes), minutes);
        QCOMPARE(int(ui.word(header::StartUpWord)), minutes);
        QCOMPARE(ui.window->statusPanel(0), sentence);
    }

    // Typing over a time: the keys act where the caret is and nowhere else.
    // Script: digits are typed, ^ Home, > End, * select all, < Backspace,
    // ~ Delete, ! the focus goes to the instruction list.
    void typedTimesStayAsTyped_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("before"); // typed from the first position first
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored"); // StartUpTime: hh:mm; InDelay: the preview

        const QString startUp = QStringLiteral("StartUpTime");
        QTest::newRow("Home 2215 over 06:45") << startUp << "0645" << "^2215" << "22:15" << "22:15";
        QTest::newRow("Home 2000 over 18:30") << startUp << "1830" << "^2000" << "2 :  " << "20:00";
        QTest::newRow("select-all 2215 over 06:45") << startUp << "0645" << "*2215" << "22:15" << "22:15";
        QTest::newRow("select-all 0730 over 23:59") << startUp << "2359" << "*0730" << " 7:3 " << "07:30";
        QTest::newRow("Backspace at the end") << startUp << "0645" << "><" << " 6:4 " << "06:40";
        QTest::newRow("Backspace twice") << startUp << "0645" << "><<" << " 6:  " << "06:00";
        QTest::newRow("Home Delete") << startUp << "1830" << "^~" << " 8:3 " << "08:30";
        QTest::newRow("tens 2 over 6 waits") << startUp << "0645" << "^2" << "26:45" << "06:45";
        QTest::newRow("tens 2 over 8, Delete completes 20") << startUp << "1830" << "^2~" << "2 :3 " << "20:30";
        QTest::newRow("units 7 under a waiting 2") << startUp << "0645" << "^27" << " 6:45" << "06:45";
        QTest::newRow("waiting hour given up on leaving") << startUp << "0645" << "^2!" << " 6:45" << "06:45";
        QTest::newRow("tens 3 refused") << startUp << "0645" << "^3" << " 6:45" << "06:45";
        QTest::newRow("tens of minutes 7 refused") << startUp << "0645" << "^067" << " 6:45" << "06:45";

        const QString delay = QStringLiteral("InDelay");
        QTest::newRow("delay: Home 2") << delay << "12345" << "^2" << "2:23:45" << "Nesvítí 2hod 23min 45s ";
        QTest::newRow("delay: Home 215") << delay << "12345" << "^215" << "2:15:45" << "Nesvítí 2hod 15min 45s ";
        QTest::newRow("delay: select-all 13") << delay << "12345" << "*13" << "1:3 :  " << "Nesvítí 1hod 30min ";
        QTest::newRow("delay: Backspace at the end") << delay << "12345" << "><" << "1:23:4 "
                                                     << "Nesvítí 1hod 23min 40s ";
        QTest::newRow("delay: Home Delete") << delay << "12345" << "^~" << " :23:45" << "Nesvítí 23min 45s ";
        QTest::newRow("delay: tens of minutes 7 refused") << delay << "12345" << "^17" << "1:23:45"
                                                          << "Nesvítí 1hod 23min 45s ";
        QTest::newRow("delay: hours 9 refused") << delay << "12345" << "^9" << "1:23:45" << "Nesvítí 1hod 23min 45s ";
    }

    void typedTimesStayAsTyped()
    {
        QFETCH(QString, field);
        QFETCH(QString, before);
        QFETCH(QString, script);
        QFETCH(QString, text);
        QFETCH(QString, stored);
        WindowUnderTest &ui = started();
        QApplication::setActiveWindow(ui.window.get());
        ui.type(field, before);
        QLineEdit *edit = ui.edit(field);
        edit->setFocus();
        for (const QChar key : script) {
            switch (key.unicode()) {
            case '^': QTest::keyClick(edit, Qt::Key_Home); break;
            case '>': QTest::keyClick(edit, Qt::Key_End); break;
            case '*': edit->selectAll(); break;
            case '<': QTest::keyClick(edit, Qt::Key_Backspace); break;
            case '~': QTest::keyClick(edit, Qt::Key_Delete); break;
            case '!': ui.list()->setFocus(Qt::TabFocusReason); break;
            default: QTest::keyClicks(edit, QString(key));
            }
        }
        QCOMPARE(WindowUnderTest::fieldText(edit), text);
        if (field == QLatin1String("StartUpTime")) {
            const int minutes = stored.left(2).toInt() * 60 + stored.mid(3).toInt();
            QCOMPARE(int(ui.session.program.settings.StartUpMinutes), minutes);
            QCOMPARE(int(ui.word(header::StartUpWord)), minutes);
        } else {
            QCOMPARE(ui.edit(QStringLiteral("Instruction"))->text(), stored);
        }
    }

    // The worked example: built through the widgets and saved, it gives
    // exactly the bytes of the device memory.
    void chodbaThroughTheWidgets()
    {
        WindowUnderTest &ui = started();
        ProgramSettings &s = ui.session.program.settings;
        s.DeviceName = QStringLiteral("Chodba");
        s.DeviceId = 0x1111;
        s.MemoryLocked = true;
        s.CalibrationValue = 0x20;
        s.CalibrationLate = true;
        ui.window->ShowProgram();
        QCOMPARE(ui.window->windowTitle(), QStringLiteral("Pellmora - (Chodba)"));

        ui.type(QStringLiteral("StartUpTime"), QStringLiteral("1830"));
        QTest::mouseClick(ui.find<QToolButton>(QStringLiteral("LightSwitch")), Qt::LeftButton);
        ui.typeDelay(QStringLiteral("20000"));
        appendTimes(1);
        ui.typeDelay(QStringLiteral("03000"));
        appendTimes(1);
        ui.typeDelay(QStringLiteral("00005"));
        appendTimes(1);

        QCOMPARE(ui.items(), (QStringList{"Svítí 2hod ", "Nesvítí 30min ", "Svítí 5s "}));
        QCOMPARE(ui.label(QStringLiteral("EELIOut"))->text(), QStringLiteral("Počet Instrukcí :  3"));
        QCOMPARE(ui.window->statusPanel(0), QStringLiteral("Konec bude v 21hodin "));

        ui.saveNames = {dir_->file(QStringLiteral("chodba.plm"))};
        ui.window->SaveAsClick();
        QCOMPARE(ui.window->windowTitle(), QStringLiteral("Pellmora - (Chodba) - chodba.plm"));
        QByteArray expected(512, '\0');
        const QByteArray head = QByteArray::fromHex("209C080705800000");
        expected.replace(0, head.size(), head);
        expected.replace(0x1F0, 16, QByteArray::fromHex("43686F64626100000000560411112028"));
        QCOMPARE(readAll(dir_->file(QStringLiteral("chodba.plm"))).toHex(' '), expected.toHex(' '));
        QVERIFY(ui.prompt.shown.isEmpty());
    }

    void appendFlipsTheLightInsertAndChangeDoNot()
    {
        WindowUnderTest &ui = started();
        auto *lightSwitch = ui.find<QToolButton>(QStringLiteral("LightSwitch"));
        QAction *menuItem = ui.action(QStringLiteral("LightSwitchMenu"));
        ui.typeDelay(QStringLiteral("00005"));
        appendTimes(2);
        QCOMPARE(ui.items(), (QStringList{"Nesvítí 5s ", "Svítí 5s "}));
        QVERIFY(!lightSwitch->isChecked());
        QCOMPARE(menuItem->text(), QStringLiteral("Nesvítí "));

        // Insert an on instruction of 10 s before position 0.
        ui.clickItem(1);
        ui.clickItem(0);
        QCOMPARE(ui.label(QStringLiteral("CurrentPosition"))->text(), QStringLiteral("Aktuální pozice : 1"));
        QCOMPARE(ui.edit(QStringLiteral("Instruction"))->text(), QStringLiteral("Nesvítí 5s "));
        menuItem->trigger();
        QVERIFY(lightSwitch->isChecked());
        QVERIFY(menuItem->isChecked());
        QCOMPARE(lightSwitch->statusTip(), QStringLiteral("Svítí "));
        ui.typeDelay(QStringLiteral("00010"));
        QVERIFY(ui.button(QStringLiteral("InsertInstruction"))->isEnabled());
        QTest::mouseClick(ui.button(QStringLiteral("InsertInstruction")), Qt::LeftButton);
        QCOMPARE(ui.word(0), quint16(0x800A));
        QCOMPARE(ui.word(1), quint16(0x0005));
        QCOMPARE(ui.word(2), quint16(0x8005));
        QCOMPARE(ui.word(3), quint16(0x0000));
        QVERIFY(lightSwitch->isChecked());
        QVERIFY(!ui.button(QStringLiteral("InsertInstruction"))->isEnabled());
        QVERIFY(!ui.action(QStringLiteral("InsertInstructionPopUp"))->isEnabled());

        // Change position 2 through the popup item.
        ui.clickItem(2);
        QVERIFY(ui.action(QStringLiteral("ChangeInstructionPopUp"))->isEnabled());
        ui.typeDelay(QStringLiteral("10000"));
        ui.action(QStringLiteral("ChangeInstructionPopUp"))->trigger();
        QCOMPARE(ui.word(2), quint16(0x8E10));
        QCOMPARE(ui.items(), (QStringList{"Svítí 10s ", "Nesvítí 5s ", "Svítí 1hod "}));
        QVERIFY(lightSwitch->isChecked());

        // Delete position 0: the rest moves down, the end marker with them.
        ui.clickItem(0);
        QTest::mouseClick(ui.button(QStringLiteral("DeleteInstruction")), Qt::LeftButton);
        QCOMPARE(ui.word(0), quint16(0x0005));
        QCOMPARE(ui.word(1), quint16(0x8E10));
        QCOMPARE(ui.word(2), quint16(0x0000));
        QCOMPARE(ui.label(QStringLiteral("EELIOut"))->text(), QStringLiteral("Počet Instrukcí :  2"));
        QVERIFY(!ui.button(QStringLiteral("DeleteInstruction"))->isEnabled());
        QVERIFY(ui.prompt.shown.isEmpty());
    }

    // The light switch answers its button, its menu item and the Insert key alike.
    void lightSwitchFromEveryControl()
    {
        WindowUnderTest &ui = started();
        auto *lightSwitch = ui.find<QToolButton>(QStringLiteral("LightSwitch"));
        QAction *menuItem = ui.action(QStringLiteral("LightSwitchMenu"));
        ui.typeDelay(QStringLiteral("00005"));
        QApplication::setActiveWindow(ui.window.get());
        ui.edit(QStringLiteral("InDelay"))->setFocus();
        const QList<std::function<void()>> flips{
            [&] { QTest::mouseClick(lightSwitch, Qt::LeftButton); },
            [&] { menuItem->trigger(); },
            [&] { QTest::keyClick(ui.edit(QStringLiteral("InDelay")), Qt::Key_Insert); },
        };
        bool on = false;
        for (const auto &flip : flips) {
            flip();
            on = !on;
            QCOMPARE(lightSwitch->isChecked(), on);
            QCOMPARE(menuItem->isChecked(), on);
            const QString word = on ? QStringLiteral("Svítí ") : QStringLiteral("Nesvítí ");
            QCOMPARE(menuItem->text(), word);
            QCOMPARE(lightSwitch->statusTip(), word);
            QCOMPARE(ui.edit(QStringLiteral("Instruction"))->text(), word + QStringLiteral("5s "));
        }
    }

    void clickBesideTheItemsSelectsNothing()
    {
        WindowUnderTest &ui = started();
        ui.typeDelay(QStringLiteral("00005"));
        appendTimes(1);
        QTest::mouseClick(ui.list()->viewport(), Qt::LeftButton, {}, QPoint(5, ui.list()->viewport()->height() - 5));
        QVERIFY(!ui.button(QStringLiteral("DeleteInstruction"))->isEnabled());
    }

    void focusSelectsNothing_data()
    {
        QTest::addColumn<QString>("before");
        QTest::newRow("at start") << "start";
        QTest::newRow("at activation") << "activation";
        QTest::newRow("after Delete") << "delete";
        QTest::newRow("after a period step") << "period step";
    }

    // The list getting the keyboard focus makes no row current: the edit
    // buttons, the popup items and the position follow only a row the user
    // clicked or moved to with the arrow keys.
    void focusSelectsNothing()
    {
        QFETCH(QString, before);
        DeviceImage image;
        const int secondPeriod = SegmentCapacityFor(1);
        for (int i = 0; i < 3; ++i) {
            image.words[i] = quint16(0x8000 * (i % 2) + 5 + i);
            image.words[secondPeriod + i] = quint16(7 + i);
        }
        image.words[header::FlagsWord] = 1 << 8; // two periods
        writeAll(QStringLiteral("three.plm"), image.toBytes());
        ui_->startWith(configurationText(QStringLiteral("three.plm")), EmptyDatabase);
        WindowUnderTest &ui = *ui_;
        QListWidget *list = ui.list();
        QCOMPARE(list->count(), 3);
        QApplication::setActiveWindow(ui.window.get());
        if (before == QLatin1String("activation")) {
            QApplication::setActiveWindow(nullptr);
            QApplication::setActiveWindow(ui.window.get());
        } else if (before == QLatin1String("delete")) {
            ui.clickItem(1);
            QTest::mouseClick(ui.button(QStringLiteral("DeleteInstruction")), Qt::LeftButton);
            QCOMPARE(list->count(), 2);
        } else if (before == QLatin1String("period step")) {
            QTest::mouseClick(ui.button(QStringLiteral("NextPeriod")), Qt::LeftButton);
            ui.clickItem(2);
            QTest::mouseClick(ui.button(QStringLiteral("BackPeriod")), Qt::LeftButton);
        }
        if (before != QLatin1String("activation")) {
            ui.edit(QStringLiteral("InDelay"))->setFocus();
            list->setFocus(Qt::TabFocusReason);
        }
        QVERIFY(list->hasFocus());

        // The three buttons and the three popup items, enabled or not.
        const auto editing = [&] {
            QList<bool> enabled;
            for (const char *name : {"DeleteInstruction", "InsertInstruction", "ChangeInstruction"})
                enabled.append(ui.button(QLatin1String(name))->isEnabled());
            for (const char *name : {"DeleteInstructionPopUp", "InsertInstructionPopUp", "ChangeInstructionPopUp"})
                enabled.append(ui.action(QLatin1String(name))->isEnabled());
            return enabled;
        };
        QCOMPARE(list->currentRow(), -1);
        QVERIFY(list->selectedItems().isEmpty());
        QCOMPARE(editing(), QList<bool>(6, false));
        QCOMPARE(ui.label(QStringLiteral("CurrentPosition"))->text(), QStringLiteral("Aktuální pozice :"));
        const std::array<quint16, 4> words{ui.word(0), ui.word(1), ui.word(2), ui.word(3)};
        QTest::mouseClick(ui.button(QStringLiteral("DeleteInstruction")), Qt::LeftButton);
        QCOMPARE((std::array<quint16, 4>{ui.word(0), ui.word(1), ui.word(2), ui.word(3)}), words);

        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(list->currentRow(), 0);
        QCOMPARE(editing(), QList<bool>(6, true));
        QCOMPARE(ui.label(QStringLiteral("CurrentPosition"))->text(), QStringLiteral("Aktuální pozice : 1"));
    }

    void segmentLimits_data()
    {
        QTest::addColumn<int>("periodCode");
        QTest::addColumn<int>("capacity");
        QTest::newRow("one period") << 0 << 248;
        QTest::newRow("eight periods") << 4 << 31;
    }

    // A segment takes capacity - 1 instructions; a further click adds nothing
    // and says nothing, and the next segment is untouched.
    void segmentLimits()
    {
        QFETCH(int, periodCode);
        QFETCH(int, capacity);
        WindowUnderTest &ui = started();
        usePeriods(periodCode);
        ui.typeDelay(QStringLiteral("00001"));
        appendTimes(capacity + 1);
        QCOMPARE(ui.list()->count(), capacity - 1);
        QCOMPARE(ui.word(capacity - 1), quint16(0));
        if (capacity < 248)
            QCOMPARE(ui.word(capacity), quint16(0));
        QCOMPARE(ui.label(QStringLiteral("EELIOut"))->text(),
                 QStringLiteral("Počet Instrukcí :  %1").arg(capacity - 1));
        QVERIFY(ui.prompt.shown.isEmpty());
        QCOMPARE(ui.word(header::FlagsWord) >> 8 & 7, periodCode);
    }

    void fullSegmentFromAFileIsReported()
    {
        WindowUnderTest &ui = started();
        DeviceImage full;
        full.words.fill(0x8001);
        full.words[header::FlagsWord] = 0;
        writeAll(QStringLiteral("full.plm"), full.toBytes());
        ui.openNames = {QStringLiteral("full.plm")};
        ui.window->LoadFileClick();
        QCOMPARE(ui.list()->count(), 248);
        ui.typeDelay(QStringLiteral("00005"));
        appendTimes(1);
        QCOMPARE(ui.prompt.shown, QStringList{"Došlo k naplnění jednoho segmentu !"});
        QCOMPARE(ui.edit(QStringLiteral("Instruction"))->text(), QStringLiteral("Za hranice možností !"));
        QVERIFY(!ui.button(QStringLiteral("NewInstruction"))->isEnabled());
    }

    void eightPeriodsKeepTheirOwnSegments()
    {
        WindowUnderTest &ui = started();
        usePeriods(4);
        ui.typeDelay(QStringLiteral("00007"));
        appendTimes(2);
        QTest::mouseClick(ui.button(QStringLiteral("NextPeriod")), Qt::LeftButton);
        QCOMPARE(ui.label(QStringLiteral("OutPeriod"))->text(), QStringLiteral("2. Perioda"));
        QCOMPARE(ui.list()->count(), 0);
        appendTimes(1);
        QCOMPARE(ui.word(31), quint16(0x0007));
        QCOMPARE(ui.word(2), quint16(0));
        QTest::mouseClick(ui.button(QStringLiteral("BackPeriod")), Qt::LeftButton);
        QCOMPARE(ui.items(), (QStringList{"Nesvítí 7s ", "Svítí 7s "}));
    }

    void storingKeepsTheInstructionInSight_data()
    {
        QTest::addColumn<QString>("command"); // a button, or "Enter" in the delay field
        QTest::addColumn<int>("selected");    // the row chosen first; -1: none
        QTest::addColumn<int>("count");       // instructions afterwards
        QTest::addColumn<int>("shown");       // the row in sight afterwards
        QTest::newRow("Enter appends") << "Enter" << -1 << 41 << 40;
        QTest::newRow("Další Instrukce appends") << "NewInstruction" << -1 << 41 << 40;
        QTest::newRow("Enter with a row chosen appends") << "Enter" << 33 << 41 << 40;
        QTest::newRow("Vlož Instrukci") << "InsertInstruction" << 33 << 41 << 33;
        QTest::newRow("Změň Instrukci") << "ChangeInstruction" << 33 << 40 << 33;
    }

    // Enter in "Prodleva" appends as "Další Instrukce" does, and the list
    // shows the instruction just appended, inserted or changed wherever it
    // was scrolled to.
    void storingKeepsTheInstructionInSight()
    {
        QFETCH(QString, command);
        QFETCH(int, selected);
        QFETCH(int, count);
        QFETCH(int, shown);
        WindowUnderTest &ui = started();
        QLineEdit *delay = ui.edit(QStringLiteral("InDelay"));
        QTest::keyClick(delay, Qt::Key_Return); // no delay yet: nothing to append
        QCOMPARE(ui.list()->count(), 0);
        ui.typeDelay(QStringLiteral("00005"));
        for (int i = 0; i < 40; ++i)
            QTest::keyClick(delay, Qt::Key_Return);
        QCOMPARE(ui.list()->count(), 40);
        QCOMPARE(ui.items().mid(0, 2), (QStringList{"Nesvítí 5s ", "Svítí 5s "}));
        if (selected >= 0) {
            ui.list()->scrollToItem(ui.list()->item(selected));
            ui.clickItem(selected);
            QCOMPARE(ui.label(QStringLiteral("CurrentPosition"))->text(),
                     QStringLiteral("Aktuální pozice : %1").arg(selected + 1));
        }
        ui.typeDelay(QStringLiteral("10000"));
        ui.list()->scrollToTop();
        if (command == QStringLiteral("Enter"))
            QTest::keyClick(delay, Qt::Key_Return);
        else
            QTest::mouseClick(ui.button(command), Qt::LeftButton);

        QCOMPARE(ui.list()->count(), count);
        QCOMPARE(ui.list()->item(shown)->text().endsWith(QStringLiteral(" 1hod ")), true);
        const QRect inSight = ui.list()->viewport()->rect();
        QVERIFY(inSight.contains(ui.list()->visualItemRect(ui.list()->item(shown))));
        QVERIFY(!inSight.intersects(ui.list()->visualItemRect(ui.list()->item(0))));
    }

    void copyPeriod_data()
    {
        QTest::addColumn<int>("periodCode");
        QTest::addColumn<int>("sourceCount"); // instructions of period 1 (31: a segment full from a file)
        QTest::addColumn<int>("occupied");    // a period holding an instruction beforehand; -1: none
        QTest::addColumn<int>("pick");        // the choice in the list of targets; -1: cancelled
        QTest::addColumn<bool>("replace");    // the answer to the question, when it is asked
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QList<int>>("copiedTo");

        const QString choose2 = QStringLiteral("Kopírovat instrukce 1. periody do:");
        const QString full = QStringLiteral("Došlo k naplnění jednoho segmentu !");
        const QString replace3 = QStringLiteral("3. perioda už obsahuje instrukce. Nahradit je instrukcemi této periody?");
        QTest::newRow("into an empty period") << 1 << 2 << -1 << 0 << false << QStringList{choose2} << QList<int>{1};
        QTest::newRow("instructions replaced after Ano")
            << 2 << 2 << 2 << 1 << true << QStringList{choose2, replace3} << QList<int>{2};
        QTest::newRow("instructions kept after Zrušit")
            << 2 << 2 << 2 << 1 << false << QStringList{choose2, replace3} << QList<int>{};
        QTest::newRow("all others") << 2 << 3 << 2 << 3 << true << QStringList{choose2, replace3}
                                    << QList<int>{1, 2, 3};
        QTest::newRow("a full segment fits nowhere")
            << 4 << 31 << -1 << 7 << true << QStringList{choose2, full} << QList<int>{};
        QTest::newRow("choice cancelled") << 1 << 2 << -1 << -1 << true << QStringList{choose2} << QList<int>{};
        QTest::newRow("one period only")
            << 0 << 2 << -1 << 0 << true
            << QStringList{"Program má jen jednu periodu, není kam kopírovat. Periody se nastavují v Konfiguraci."}
            << QList<int>{};
    }

    // "Kopíruj periodu..." copies the list of the period on view, asks before
    // instructions are replaced and copies nothing that does not fit.
    void copyPeriod()
    {
        QFETCH(int, periodCode);
        QFETCH(int, sourceCount);
        QFETCH(int, occupied);
        QFETCH(int, pick);
        QFETCH(bool, replace);
        QFETCH(QStringList, shown);
        QFETCH(QList<int>, copiedTo);
        WindowUnderTest &ui = started();
        usePeriods(periodCode);
        ProgramSettings &s = ui.session.program.settings;
        for (int i = 0; i < sourceCount; ++i)
            ui.session.program.image.words[i] = BuildInstructionWord(quint16(i + 1), true);
        if (occupied >= 0)
            ui.session.program.image.words[s.SegmentCapacity * occupied] = 0x0777;
        ui.window->ShowProgram();
        const DeviceImage before = ui.session.program.image;
        QVERIFY(ui.find<QMenu>(QStringLiteral("PopupMenuBox"))->actions().contains(ui.action("CopyPeriod")));
        ui.prompt.picks = {pick};
        ui.prompt.answers = {replace};
        ui.action(QStringLiteral("CopyPeriod"))->trigger();
        QCOMPARE(ui.prompt.shown, shown);
        const QList<quint16> source = SegmentWords(ui.session.program, 0);
        for (int period = 1; period <= s.LastPeriod; ++period) {
            const QList<quint16> words = SegmentWords(ui.session.program, period);
            QCOMPARE(words, copiedTo.contains(period) ? source : SegmentWords(Program{before, s}, period));
        }
        QCOMPARE(ui.items().size(), sourceCount);
    }

    void undoAndRedo_data()
    {
        QTest::addColumn<QString>("change");
        for (const char *change : {"append", "insert", "change", "delete", "start-up time", "period copy",
                                   "configuration", "instruction format"})
            QTest::newRow(change) << change;
    }

    // Each kind of change is one step: Zpět restores the program as it was,
    // with no question about unsaved changes, Znovu makes it again.
    void undoAndRedo()
    {
        QFETCH(QString, change);
        WindowUnderTest &ui = started();
        Program loaded;
        ApplyPeriodCode(loaded, 1);
        for (int i = 0; i < 3; ++i)
            loaded.image.words[i] = BuildInstructionWord(quint16(10 + i), i % 2 == 0);
        loaded.settings.DeviceName = QStringLiteral("Chodba");
        PackHeader(loaded);
        writeAll(QStringLiteral("loaded.plm"), loaded.image.toBytes());
        ui.openNames = {QStringLiteral("loaded.plm")};
        ui.window->LoadFileClick();
        const QStringList items = ui.items();
        const DeviceImage before = ui.session.program.image;
        QAction *undo = ui.action(QStringLiteral("UndoMenu"));
        QAction *redo = ui.action(QStringLiteral("RedoMenu"));
        QVERIFY(!undo->isEnabled());

        ui.typeDelay(QStringLiteral("00005"));
        if (change == QStringLiteral("append")) {
            appendTimes(1);
        } else if (change == QStringLiteral("start-up time")) {
            ui.type(QStringLiteral("StartUpTime"), QStringLiteral("1930"));
        } else if (change == QStringLiteral("period copy")) {
            ui.prompt.picks = {0};
            ui.action(QStringLiteral("CopyPeriod"))->trigger();
        } else if (change == QStringLiteral("configuration")) {
            ui.onConfigurationDialog = [&] {
                ui.session.program.settings.DeviceName = QStringLiteral("Sklep");
                ApplyPeriodCode(ui.session.program, 4);
                ui.window->configurationConfirmed();
            };
            QTest::mouseClick(ui.button(QStringLiteral("DeviceConfiguration")), Qt::LeftButton);
        } else if (change == QStringLiteral("instruction format")) {
            ui.session.format.ChooseFormat(1);
            ui.window->instructionFormatChanged();
        } else {
            ui.clickItem(1);
            const QString button = change == QStringLiteral("insert")   ? QStringLiteral("InsertInstruction")
                                 : change == QStringLiteral("change") ? QStringLiteral("ChangeInstruction")
                                                                      : QStringLiteral("DeleteInstruction");
            QTest::mouseClick(ui.button(button), Qt::LeftButton);
        }
        const DeviceImage after = ui.session.program.image;
        const QStringList changedItems = ui.items();
        QVERIFY(after != before || changedItems != items);
        QVERIFY(undo->isEnabled());
        QVERIFY(!redo->isEnabled());

        undo->trigger();
        PackHeader(ui.session.program);
        QCOMPARE(ui.session.program.image, before);
        QCOMPARE(ui.items(), items);
        QVERIFY(!undo->isEnabled());
        QVERIFY(redo->isEnabled());
        ui.prompt.shown.clear();
        QVERIFY(ui.window->SaveChangesQuery()); // back to the file: nothing to ask
        QVERIFY(ui.prompt.shown.isEmpty());

        redo->trigger();
        PackHeader(ui.session.program);
        QCOMPARE(ui.session.program.image, after);
        QCOMPARE(ui.items(), changedItems);
        const bool programChanged = after != before;
        ui.prompt.choices = {Prompt::Choice::Cancel};
        QCOMPARE(ui.window->SaveChangesQuery(), !programChanged);
        QCOMPARE(ui.prompt.shown.size(), programChanged ? 1 : 0);
    }

    // A change made in another window is a step of its own: undoing the
    // editor's step before it keeps it.
    void undoKeepsChangesOfOtherWindows()
    {
        WindowUnderTest &ui = started();
        ui.typeDelay(QStringLiteral("00005"));
        appendTimes(2);
        ui.session.program.settings.CalibrationValue = 7; // as the calibration window writes it
        ui.action(QStringLiteral("UndoMenu"))->trigger();
        QCOMPARE(ui.session.program.settings.CalibrationValue, quint8(0));
        QCOMPARE(ui.list()->count(), 2);
        ui.action(QStringLiteral("UndoMenu"))->trigger();
        QCOMPARE(ui.list()->count(), 1);
        ui.action(QStringLiteral("RedoMenu"))->trigger();
        ui.action(QStringLiteral("RedoMenu"))->trigger();
        QCOMPARE(ui.list()->count(), 2);
        QCOMPARE(ui.session.program.settings.CalibrationValue, quint8(7));
    }

    void periodNavigation_data()
    {
        QTest::addColumn<int>("periodCode");
        QTest::addColumn<int>("periods");
        QTest::newRow("one") << 0 << 1;
        QTest::newRow("two") << 1 << 2;
        QTest::newRow("six") << 3 << 6;
        QTest::newRow("eight") << 4 << 8;
    }

    void periodNavigation()
    {
        QFETCH(int, periodCode);
        QFETCH(int, periods);
        WindowUnderTest &ui = started();
        usePeriods(periodCode);
        QPushButton *back = ui.button(QStringLiteral("BackPeriod"));
        QPushButton *next = ui.button(QStringLiteral("NextPeriod"));
        QLabel *caption = ui.label(QStringLiteral("OutPeriod"));
        QCOMPARE(caption->text(), QStringLiteral("1. Perioda"));
        QVERIFY(!back->isEnabled());
        QCOMPARE(next->isEnabled(), periods > 1);
        for (int p = 2; p <= periods; ++p) {
            QTest::mouseClick(next, Qt::LeftButton);
            QCOMPARE(caption->text(), QStringLiteral("%1. Perioda").arg(p));
            QVERIFY(back->isEnabled());
            QCOMPARE(next->isEnabled(), p < periods);
        }
        for (int p = periods - 1; p >= 1; --p) {
            QTest::mouseClick(back, Qt::LeftButton);
            QCOMPARE(caption->text(), QStringLiteral("%1. Perioda").arg(p));
            QCOMPARE(back->isEnabled(), p > 1);
            QVERIFY(next->isEnabled());
        }
    }
};

int main(int argc, char **argv)
{
    Q_INIT_RESOURCE(assets);
    QApplication app(argc, argv);
    MainEditorTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_main_editor.moc"
