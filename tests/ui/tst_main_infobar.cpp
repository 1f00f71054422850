// The info bar's scrolling and hints, the title and the status-bar panels.

#include "MainWindowFixture.h"

#include <QClipboard>
#include <QRegularExpression>
#include <QMenuBar>
#include <QStatusBar>
#include <QSignalSpy>
#include <QStatusTipEvent>

using namespace pellmora;
using namespace pellmora::ui;
using namespace pellmora::ui::test;

namespace {

// Steps the bar until its timer stops; returns the number of steps.
int scrollToRest(InfoBar &bar, int limit = 1000)
{
    int steps = 0;
    while (bar.scrolling() && steps < limit) {
        bar.step();
        ++steps;
    }
    return steps;
}

} // namespace

class MainInfoBarTest : public QObject {
    Q_OBJECT

private slots:
    void scrollArithmetic_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("steps");
        QTest::addColumn<QString>("atRest");

        // Padded to 73, a blank, then the frame: 74 steps to the left edge.
        QTest::newRow("ten characters") << "0123456789" << "Hotovo" << 74 << "<Hotovo>";
        QTest::newRow("empty") << "" << "A" << 74 << "<A>";
        // Longer than 73: no padding, the whole old text plus the blank.
        QTest::newRow("80 characters") << QString(80, QLatin1Char('x')) << "B" << 81 << "<B>";
        // Old frames lose their "<", so the scroll stops at the new one only.
        QTest::newRow("old frame") << "<Old>" << "New" << 74 << "<New>";
    }

    void scrollArithmetic()
    {
        QFETCH(QString, before);
        QFETCH(QString, message);
        QFETCH(int, steps);
        QFETCH(QString, atRest);
        InfoBar bar;
        QSignalSpy shown(&bar, &InfoBar::textShown);
        bar.setInfoText(before);
        bar.ShowInfo(message);
        QCOMPARE(bar.BarTimer().interval(), InfoBar::FirstStepMs);
        QVERIFY(bar.scrolling());
        QCOMPARE(scrollToRest(bar), steps);
        QCOMPARE(bar.infoText(), atRest);
        QCOMPARE(shown.last().first().toString(), atRest);
        QCOMPARE(bar.BarTimer().interval(), InfoBar::StepMs);
    }

    void scrollingThroughRunsUntilEmpty()
    {
        InfoBar bar;
        bar.setInfoText(QStringLiteral("<Old>"));
        bar.ShowScrollingThrough(QStringLiteral("AB"));
        QCOMPARE(bar.BarTimer().interval(), InfoBar::ScrollThroughFirstStepMs);
        QVERIFY(!bar.infoText().contains(QLatin1Char('<')));
        QCOMPARE(scrollToRest(bar), 73 + 1 + 3);
        QVERIFY(bar.infoText().isEmpty());
    }

    void hints_data()
    {
        QTest::addColumn<QString>("framed");
        QTest::addColumn<QStringList>("hints");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("scrolling");

        QTest::newRow("hint behind the message") << "<Hi>" << QStringList{"Uloží data spínače"}
                                                 << "<Hi>Uloží data spínače" << false;
        QTest::newRow("a new hint replaces the old one")
            << "<Hi>" << QStringList{"first", "second"} << "<Hi>second" << false;
        QTest::newRow("an empty hint leaves the message") << "<Hi>" << QStringList{"first", ""} << "<Hi>" << false;
        QTest::newRow("exactly 73 fits") << "<" + QString(60, 'm') + ">" << QStringList{QString(11, 'h')}
                                         << "<" + QString(60, 'm') + ">" + QString(11, 'h') << false;
        QTest::newRow("74: the hint is cut, the message stays")
            << "<" + QString(60, 'm') + ">" << QStringList{QString(11, 'h') + "cut"}
            << "<" + QString(60, 'm') + ">" + QString(11, 'h') << false;
        QTest::newRow("a message of 73: no room for a hint")
            << "<" + QString(71, 'm') + ">" << QStringList{"hint"} << "<" + QString(71, 'm') + ">" << false;
    }

    void hints()
    {
        QFETCH(QString, framed);
        QFETCH(QStringList, hints);
        QFETCH(QString, shown);
        QFETCH(bool, scrolling);
        InfoBar bar;
        bar.setInfoText(framed);
        for (const QString &hint : hints)
            bar.hint(hint);
        QCOMPARE(bar.scrolling(), scrolling);
        scrollToRest(bar);
        QCOMPARE(bar.infoText(), shown);
    }

    void noHintsWhileScrolling()
    {
        InfoBar bar;
        bar.ShowInfo(QStringLiteral("Message"));
        const QString before = bar.infoText();
        bar.hint(QStringLiteral("hint"));
        QCOMPARE(bar.infoText(), before);
    }

    // Hints of controls and menu items come as status tips to the window.
    void controlHintsReachTheInfoBar()
    {
        TemporaryCurrentDirectory dir;
        writeAll(QStringLiteral("plmprg.cfg"), configurationText());
        writeAll(QStringLiteral("devices.ddl"), EmptyDatabase);
        WindowUnderTest ui;
        MainInterface &window = ui.start();
        scrollToRest(window.infoBar());
        QLineEdit *infoBar = ui.edit(QStringLiteral("InfoBar"));
        QCOMPARE(infoBar->text(), QStringLiteral("< *** We're pleased You're interested in our products ***>"));

        // The list box keeps its hint; the event goes to the window all the same.
        QStatusTipEvent tip(ui.list()->statusTip());
        QApplication::sendEvent(ui.list(), &tip);
        QCOMPARE(infoBar->text(),
                 QStringLiteral("< *** We're pleased You're interested in our products ***>Box instrukcí"));
        QVERIFY(window.statusBar()->currentMessage().isEmpty());
        QStatusTipEvent buttonTip(QStringLiteral("Testík"));
        QApplication::sendEvent(ui.button(QStringLiteral("DeviceConfiguration")), &buttonTip);
        QVERIFY(infoBar->text().endsWith(QStringLiteral("***>Testík")));

        // A menu item's hint, too long beside the welcome message, is cut;
        // the message stays.
        ui.action(QStringLiteral("Save"))->showStatusText(window.menuBar());
        QVERIFY(!window.infoBar().scrolling());
        QCOMPARE(infoBar->text(),
                 QStringLiteral("< *** We're pleased You're interested in our products ***>Uloží data spín"));
        QStatusTipEvent longTip(QString(70, QLatin1Char('h')));
        QApplication::sendEvent(&window, &longTip);
        QVERIFY(!window.infoBar().scrolling());
        QVERIFY(infoBar->text().startsWith(QStringLiteral("< *** We're pleased")));
        QCOMPARE(infoBar->text().size(), InfoBar::Width);
    }

    // The welcome scrolls in at start-up only. Neither repaints of the
    // window's widgets nor the window being exposed again (a dialog or menu
    // closed over it) wipe the message shown since; an exposure still makes
    // the next activation recalibrate.
    void theWelcomeRunsAtStartOnly()
    {
        TemporaryCurrentDirectory dir;
        WindowUnderTest ui;
        MainInterface &window = ui.startWith(configurationText(), EmptyDatabase);
        QVERIFY(window.infoBar().infoText().contains(QStringLiteral("* Welcome")));
        scrollToRest(window.infoBar());
        window.ShowInfo(QStringLiteral("*** DATA LOADED WITH NO ERRORS *** "));
        scrollToRest(window.infoBar());
        const QString atRest = window.infoBar().infoText();
        ui.edit(QStringLiteral("InfoBar"))->repaint();
        window.repaint();
        QCoreApplication::processEvents();
        QCOMPARE(window.infoBar().infoText(), atRest);

        window.AppActivate();
        QVERIFY(!window.recalibrationPending());
        window.hide();
        window.show();
        for (int i = 0; i < 10 && !window.recalibrationPending(); ++i)
            QCoreApplication::processEvents();
        window.windowPainted();
        QVERIFY(window.recalibrationPending());
        QVERIFY(!window.infoBar().scrolling());
        QCOMPARE(window.infoBar().infoText(), atRest);
        QCOMPARE(ui.edit(QStringLiteral("InfoBar"))->text(), QStringLiteral("<*** DATA LOADED WITH NO ERRORS *** >"));
        QCOMPARE(ui.quietCalibrations, 1); // the show of start-up runs once
    }

    void titleAndStatusPanels()
    {
        TemporaryCurrentDirectory dir;
        writeAll(QStringLiteral("plmprg.cfg"), configurationText());
        writeAll(QStringLiteral("devices.ddl"), EmptyDatabase);
        WindowUnderTest ui;
        ui.create();
        MainInterface &window = *ui.window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Pellmora"));
        QCOMPARE(window.statusPanel(0), QStringLiteral("Info:"));
        QCOMPARE(window.statusPanel(1), QStringLiteral("Port : COM2"));
        QCOMPARE(window.statusPanel(2), QStringLiteral("No Connection"));
        QCOMPARE(window.statusPanel(3), QString());
        ui.show();
        QCOMPARE(window.windowTitle(), QStringLiteral("Pellmora - (UNTITLED)"));
        QCOMPARE(window.statusPanel(0), QStringLiteral("Konec bude o půlnoci "));
        QCOMPARE(window.statusPanel(1), QStringLiteral("Port : COM1")); // the configured port

        ui.session.program.settings.DeviceName = QStringLiteral("Obývák");
        window.UpdateTitle();
        QCOMPARE(window.windowTitle(), QStringLiteral("Pellmora - (Obývák)"));

        window.TimeTimerTick();
        QVERIFY(window.statusPanel(3).contains(QRegularExpression(QStringLiteral("^\\d{1,2}:\\d\\d:\\d\\d"))));

        // The link panel keeps the window's size: a long name is cut, its
        // tooltip holds all of it.
        const QSize size = window.size();
        const QString longName = QStringLiteral("sériový port /dev/serial/by-id/"
                                                "usb-Prolific_Technology_Inc._USB-Serial_Controller_D-if00-port0");
        for (const QString &text : {QStringLiteral("simulovaný spínač na COM1"), longName}) {
            window.setLinkDescription(text);
            QCoreApplication::processEvents();
            QCOMPARE(window.size(), size);
            auto *panel = ui.label(QStringLiteral("LinkPanel"));
            QVERIFY(panel->toolTip().contains(text));
            QCOMPARE(panel->text() == text, text != longName);
            if (text == longName)
                QVERIFY(panel->text().endsWith(QChar(0x2026)));
        }
    }

    void deviceCommandsStartAsTheyShould()
    {
        TemporaryCurrentDirectory dir;
        writeAll(QStringLiteral("plmprg.cfg"), configurationText());
        writeAll(QStringLiteral("devices.ddl"), EmptyDatabase);
        WindowUnderTest ui;
        ui.create();
        const QStringList laterItems{"LoadData", "Programming", "DeviceTime"};
        for (const QString &name : laterItems)
            QVERIFY2(!ui.action(name)->isEnabled(), qPrintable(name));
        QVERIFY(ui.action(QStringLiteral("Verification"))->isEnabled());
        QVERIFY(ui.button(QStringLiteral("LoadDeviceData"))->isEnabled());
        QVERIFY(ui.button(QStringLiteral("ProgramDevice"))->isEnabled());
        QVERIFY(!ui.action(QStringLiteral("HelpIndex"))->isEnabled());

        ui.window->SetDeviceCommandsEnabled(true);
        for (const QString &name : laterItems + QStringList{"Verification"})
            QVERIFY2(ui.action(name)->isEnabled(), qPrintable(name));
        ui.window->SetDeviceCommandsEnabled(false);
        for (const QString &name : laterItems + QStringList{"Verification"})
            QVERIFY2(!ui.action(name)->isEnabled(), qPrintable(name));
        QVERIFY(!ui.button(QStringLiteral("LoadDeviceData"))->isEnabled());
        QVERIFY(!ui.button(QStringLiteral("ProgramDevice"))->isEnabled());
    }

    void menuShortcuts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shortcut");
        QTest::newRow("new") << "NewTimer" << "Ctrl+N";
        QTest::newRow("open") << "LoadFile" << "Ctrl+O";
        QTest::newRow("save") << "Save" << "Ctrl+S";
        QTest::newRow("exit") << "GeneralExit" << "Alt+X";
        QTest::newRow("test") << "MComunicationTest" << "Ctrl+T";
        QTest::newRow("verify") << "Verification" << "Ctrl+V";
        QTest::newRow("load") << "LoadData" << "Ctrl+R";
        QTest::newRow("program") << "Programming" << "Ctrl+P";
        QTest::newRow("light") << "LightSwitchMenu" << "Ins";
        QTest::newRow("database") << "OpenFromDatabaseMenu" << "Ctrl+L";
        QTest::newRow("overview") << "DevicesOverview" << "Ctrl+D";
        QTest::newRow("box") << "OpenToBoxMenu" << "Ctrl+B";
        QTest::newRow("undo") << "UndoMenu" << "Ctrl+Z";
        QTest::newRow("redo") << "RedoMenu" << "Ctrl+Y";
    }

    // Every menu shortcut reaches its item from every field of the window
    // that takes the focus, and the field does nothing with the key: Ctrl+V
    // verifies, it does not paste.
    void menuShortcuts()
    {
        QFETCH(QString, name);
        QFETCH(QString, shortcut);
        TemporaryCurrentDirectory dir;
        WindowUnderTest ui;
        ui.startWith(configurationText(), EmptyDatabase);
        QAction *item = ui.action(name);
        QCOMPARE(item->shortcut().toString(), shortcut);
        ui.window->SetDeviceCommandsEnabled(true);
        ui.typeDelay(QStringLiteral("12345")); // enables Další Instrukce too
        // Two instructions, one of them taken back: Zpět and Znovu both enabled.
        for (int i = 0; i < 2; ++i)
            QTest::mouseClick(ui.button(QStringLiteral("NewInstruction")), Qt::LeftButton);
        ui.action(QStringLiteral("UndoMenu"))->trigger();
        QObject::disconnect(item, &QAction::triggered, nullptr, nullptr);
        QSignalSpy triggered(item, &QAction::triggered);
        QApplication::clipboard()->setText(QStringLiteral("2359"));
        QApplication::setActiveWindow(ui.window.get());
        const QKeyCombination keys = item->shortcut()[0];

        QStringList fields;
        const QList<QWidget *> widgets = ui.window->findChildren<QWidget *>();
        for (QWidget *field : widgets) {
            if (!(field->focusPolicy() & Qt::TabFocus) || !field->isEnabled() || !field->isVisible())
                continue;
            fields << field->objectName();
            field->setFocus(Qt::TabFocusReason);
            QCOMPARE(QApplication::focusWidget(), field);
            auto *edit = qobject_cast<QLineEdit *>(field);
            const QString text = edit ? edit->displayText() : QString();
            const qsizetype before = triggered.size();
            QTest::keyClick(field, keys.key(), keys.keyboardModifiers());
            QVERIFY2(triggered.size() == before + 1, qPrintable(field->objectName()));
            if (edit)
                QCOMPARE(edit->displayText(), text);
        }
        for (const char *field : {"InstructionsBox", "InDelay", "StartUpTime", "NewInstruction", "ComunicationTest",
                                  "LoadDeviceData", "ProgramDevice", "DeviceConfiguration", "PortName"})
            QVERIFY2(fields.contains(QLatin1String(field)), field);
    }

    // Pasting stays on Shift+Insert (and the context menu); Ctrl+V with
    // Verifikace disabled does nothing.
    void shiftInsertPastes()
    {
        TemporaryCurrentDirectory dir;
        WindowUnderTest ui;
        ui.startWith(configurationText(), EmptyDatabase);
        QApplication::clipboard()->setText(QStringLiteral("2359"));
        QApplication::setActiveWindow(ui.window.get());
        QLineEdit *startUp = ui.edit(QStringLiteral("StartUpTime"));
        startUp->setFocus();
        startUp->setCursorPosition(0);
        ui.window->SetDeviceCommandsEnabled(false);
        QTest::keyClick(startUp, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(ui.session.program.settings.StartUpMinutes, quint16(0));
        QTest::keyClick(startUp, Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(ui.session.program.settings.StartUpMinutes, quint16(23 * 60 + 59));
        QVERIFY(!ui.action(QStringLiteral("LightSwitchMenu"))->isChecked());
    }

    // An operation's notices in order: messages in boxes, info lines into the
    // info bar of a window that has one, and nowhere in one that has not.
    void noticesGoToBoxesAndTheInfoBar_data()
    {
        QTest::addColumn<bool>("infoBar");
        QTest::addColumn<QStringList>("infoLines");
        QTest::newRow("window with an info bar") << true << QStringList{"*** druhá ***", "*** čtvrtá ***"};
        QTest::newRow("window without one") << false << QStringList{};
    }

    void noticesGoToBoxesAndTheInfoBar()
    {
        QFETCH(bool, infoBar);
        QFETCH(QStringList, infoLines);
        using model::Notice;
        const model::Notices notices = {Notice::message("první"), Notice::info("*** druhá ***"),
                                        Notice::message("třetí"), Notice::info("*** čtvrtá ***")};
        RecordingPrompt prompt;
        QStringList scrolled;
        const auto scroll = [&scrolled](const QString &text) { scrolled << text; };
        prompt.showNotices(nullptr, notices, infoBar ? std::function<void(const QString &)>(scroll) : nullptr);
        QCOMPARE(prompt.shown, (QStringList{"první", "třetí"}));
        QCOMPARE(scrolled, infoLines);
    }

    // The simulation menu item asks for the simulation window, with no message.
    void simulationMenuAsksForItsWindow()
    {
        TemporaryCurrentDirectory dir;
        writeAll(QStringLiteral("devices.ddl"), EmptyDatabase);
        WindowUnderTest ui;
        ui.create();
        ui.action(QStringLiteral("DevicesSimulationMenu"))->trigger();
        QCOMPARE(ui.shownWindows, QList<OtherWindow>{OtherWindow::Simulation});
        QCOMPARE(ui.prompt.shown, QStringList{});
    }
};

int main(int argc, char **argv)
{
    Q_INIT_RESOURCE(assets);
    QApplication app(argc, argv);
    MainInfoBarTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_main_infobar.moc"
